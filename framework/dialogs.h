// The system's file dialog for saving, as a component. File names are UTF-8
// here and wide towards the system, so that any name the user can type
// reaches the file functions intact. Win32 only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "components/component.h"

class TSaveDialog : public TComponent {
    ORVANE_CLASS(TSaveDialog, TComponent)
    explicit TSaveDialog(TComponent* AOwner) : TComponent(AOwner) {}

    // Shows the dialog, modal to owner (the active window when null).
    // True when the user chose a file; FileName then holds it.
    bool Execute(HWND owner = nullptr);

    // In and out: the name proposed, and the one chosen.
    std::string FileName;
    // "CSV files (*.csv)|*.csv|All files (*.*)|*.*"
    std::string Filter;
    // Added to a name typed without an extension.
    std::string DefaultExt;
    std::string Title;
    // Asks before an existing file is chosen (to be replaced).
    bool OverwritePrompt = true;
};

// Between UTF-8 and the system's wide strings.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// A UTF-8 text in the ANSI code page, for the framework's narrow controls;
// what the code page cannot hold shows as "?".
std::string Utf8ToAnsi(const std::string& text);
