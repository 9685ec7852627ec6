// Unit2: the traffic monitor window TForm2, which lists the frames the
// exchange cycle writes and reads. It is created hidden, lives as long as the
// program, and closing it only hides it. Lines are collected whether or not
// the window is shown. Win32 only.
#pragma once

#include <cstddef>
#include <cstdint>

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

    void ToolButton1Click(TObject* Sender);
    void ToolButton2Click(TObject* Sender);
};

extern TForm2* Form2;
