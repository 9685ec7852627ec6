#include "framework/hints.h"

#include <commctrl.h>

#include "framework/controls.h"

bool THintSettings::ShowHint = true;
uint32_t THintSettings::HintPause = 500;
uint32_t THintSettings::HintShortPause = 50;
uint32_t THintSettings::HintHidePause = 2500;

namespace {

// One user-interface thread: the state of the one hint.
struct THintState {
    TControl* pending = nullptr; // waiting for its pause
    TControl* shown = nullptr;   // its hint is up
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

// The control whose Hint is shown for control: itself, or the nearest
// parent with a hint.
TControl* HintSource(TControl* control)
{
    TControl* c = control;
    while (c && c->GetHint().empty())
        c = c->Parent();
    return c;
}

std::string ShortHint(const std::string& hint)
{
    const size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

bool WantsHint(TControl* control)
{
    if (!THintSettings::ShowHint || !control || !control->GetShowHint() || !control->Showing()) return false;
    TControl* source = HintSource(control);
    return source && !ShortHint(source->GetHint()).empty();
}

void CALLBACK HideTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimers();
    HideWindow();
}

void ShowHintFor(TControl* control)
{
    THintState& s = State();
    HideWindow();
    const std::string text = ShortHint(HintSource(control)->GetHint());
    TWinControl* holder = dynamic_cast<TWinControl*>(control);
    if (!holder) holder = control->Parent();
    if (!holder || !holder->HandleAllocated()) return;
    HWND owner = GetAncestor(holder->GetHandleIfAllocated(), GA_ROOT);
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, MainInstance(), nullptr);
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
    TControl* control = s.pending;
    s.pending = nullptr;
    if (WantsHint(control)) ShowHintFor(control);
}

} // namespace

void HintMouseEntered(TControl* control)
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

void CancelHint(TControl* control)
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
