// Unit2: the traffic monitor window TForm2, which lists the frames the
// exchange cycle writes and reads. It is created hidden, lives as long as the
// program, and closing it only hides it. Win32 only.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm2 : public TForm {
    ORVANE_CLASS(TForm2, TForm)
    explicit TForm2(TComponent* AOwner);
};

extern TForm2* Form2;
