#include "monitor/unit2.h"

#include "monitor/framelog.h"

TForm2* Form2 = nullptr;

const TClassInfo& TForm2::StaticClass()
{
    static const TClassInfo& info = PublishClass<TForm2>()
                                        .Field("ToolBar1", &TForm2::ToolBar1)
                                        .Field("ToolButton1", &TForm2::ToolButton1)
                                        .Field("ToolButton2", &TForm2::ToolButton2)
                                        .Field("Memo1", &TForm2::Memo1)
                                        .Handler<TNotifyEvent>("ToolButton1Click", &TForm2::ToolButton1Click)
                                        .Handler<TNotifyEvent>("ToolButton2Click", &TForm2::ToolButton2Click);
    return info;
}

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner)
{
    LoadLayout();
}

void TForm2::LogFrame(const uint8_t* bytes, size_t count, bool sent)
{
    if (paused) return;
    std::string line = FrameLogLine(bytes, count, sent);
    if (GetVisible())
        Memo1->Lines()->Add(line);
    else
        waiting_.push_back(std::move(line));
    // All at once rather than the oldest lines: cheap, and the limit is only
    // there so that a monitor left running does not grow without end.
    if (LineCount() >= kMonitorLineLimit) {
        waiting_.clear();
        Memo1->Lines()->Clear();
    }
}

int TForm2::LineCount() const
{
    return Memo1->Lines()->Count() + static_cast<int>(waiting_.size());
}

void TForm2::DoShow()
{
    TStrings* lines = Memo1->Lines();
    for (const std::string& line : waiting_)
        lines->Add(line);
    waiting_.clear();
    TForm::DoShow();
}

void TForm2::ToolButton1Click(TObject*)
{
    paused = !paused;
    ToolButton1->SetCaption(paused ? "Run" : "Pause");
}

void TForm2::ToolButton2Click(TObject*)
{
    waiting_.clear();
    Memo1->Lines()->Clear();
}
