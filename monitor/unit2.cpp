#include "unit2.h"

TForm2* Form2 = nullptr;

const TClassInfo& TForm2::StaticClass()
{
    static const TClassInfo& info = PublishClass<TForm2>();
    return info;
}

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner)
{
    LoadLayout();
}
