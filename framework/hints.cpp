#include "framework/hints.h"

#include <commctrl.h>

#include "framework/resourcecount.h"

bool THintSettings::ShowHint = true;
uint32_t THintSettings::HintPause = 500;
uint32_t THintSettings::HintShortPause = 50;
uint32_t THintSettings::HintHidePause = 2500;

namespace {

// One user-interface thread: the state of the one hint.
struct THintState {
    IHintSource* pending = nullptr; // waiting for its pause
    IHintSource* shown = nullptr;   // its hint is up
    UINT_PTR showTimer = 0;
    UINT_PTR hideTimer = 0;
    HWND window = nullptr;
    std::string text;
};

THintState& State()
{
    static THintState state;
    return state;
}

void KillTimers()
{
    THintState& s = State();
    if (s.showTimer) KillTimer(nullptr, s.showTimer);
    if (s.hideTimer) KillTimer(nullptr, s.hideTimer);
    s.showTimer = s.hideTimer = 0;
}

void HideWindow()
{
    THintState& s = State();
    if (s.window) {
        DestroyWindow(s.window);
        --TResourceCount::Windows;
        s.window = nullptr;
    }
    s.shown = nullptr;
    s.text.clear();
}

bool WantsHint(IHintSource* control)
{
    return THintSettings::ShowHint && control && !control->HintToShow().empty();
}

void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimers();
    HideWindow();
}

void ShowHintFor(IHintSource* control)
{
    THintState& s = State();
    HideWindow();
    const std::string text = control->HintToShow();
    HWND holder = control->HintHolder();
    if (!holder) return;
    HWND owner = GetAncestor(holder, GA_ROOT);
    HWND tip = CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!tip) return;
    ++TResourceCount::Windows;
    s.window = tip;
    s.shown = control;
    s.text = text;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    ti.hwnd = owner;
    ti.uId = 1;
    ti.lpszText = const_cast<char*>(s.text.c_str());
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 300);
    // Below the cursor, where the pointer does not cover the text.
    POINT p;
    GetCursorPos(&p);
    SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x, p.y + GetSystemMetrics(SM_CYCURSOR) / 2 + 4));
    SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
    s.hideTimer = SetTimer(nullptr, 0, THintSettings::HintHidePause, &HideTimerProc);
}

void CALLBACK ShowTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    THintState& s = State();
    KillTimers();
    IHintSource* control = s.pending;
    s.pending = nullptr;
    if (WantsHint(control)) ShowHintFor(control);
}

} // namespace

void HintMouseEntered(IHintSource* control)
{
    THintState& s = State();
    if (control && (control == s.shown || control == s.pending)) return;
    const bool wasShown = s.window != nullptr;
    KillTimers();
    HideWindow();
    s.pending = nullptr;
    if (!WantsHint(control)) return;
    s.pending = control;
    s.showTimer = SetTimer(nullptr, 0, wasShown ? THintSettings::HintShortPause : THintSettings::HintPause,
                           &ShowTimerProc);
}

void CancelHint(IHintSource* control)
{
    THintState& s = State();
    if (control && control != s.pending && control != s.shown) return;
    KillTimers();
    HideWindow();
    s.pending = nullptr;
}

HWND HintWindow()
{
    return State().window;
}

std::string HintText()
{
    return State().text;
}
