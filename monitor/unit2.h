// Unit2: the traffic monitor window TForm2, which lists the frames the
// exchange cycle writes and reads. It is created hidden, lives as long as the
// program, and closing it only hides it. Lines are collected whether or not
// the window is shown. Win32 only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/comctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm2 : public TForm {
    ORVANE_CLASS(TForm2, TForm)
    explicit TForm2(TComponent* AOwner);

    TToolBar* ToolBar1 = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TMemo* Memo1 = nullptr;

    // While set, frames are not logged.
    bool paused = false;

    // One line for a frame written (sent) or read; count is the length the
    // library reported.
    void LogFrame(const uint8_t* bytes, size_t count, bool sent);
    // Lines logged, shown or still waiting for the window to be shown.
    int LineCount() const;

protected:
    void DoShow() override;

public:
    void ToolButton1Click(TObject* Sender);
    void ToolButton2Click(TObject* Sender);

private:
    // While the window is hidden the lines wait here: a memo taking a
    // hundred lines a second costs the idle panel several times its own
    // CPU, and nobody is looking.
    std::vector<std::string> waiting_;
};

extern TForm2* Form2;
