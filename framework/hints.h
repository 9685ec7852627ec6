// Hints: when the mouse rests on a control whose ShowHint is set, its Hint
// (the part before a "|", taken from the nearest parent that has one when the
// control has none) shows in a tooltip window after HintPause milliseconds,
// and goes after HintHidePause, when the mouse moves to another control, or
// on a click. Once a hint is up, moving to the next control with a hint shows
// that one after HintShortPause. One tooltip window at a time, made for the
// hint and destroyed with it. Win32 only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// What the hint machinery asks of a control. TControl answers it, so that
// hints need nothing of the controls unit.
class IHintSource {
public:
    // The text to show for it now: the part before a "|" of its own Hint or
    // of its nearest parent's; empty when it wants no hint (ShowHint off, or
    // not showing).
    virtual std::string HintToShow() const = 0;
    // The window that holds it (its own, else its parent's), or null while
    // there is none.
    virtual HWND HintHolder() const = 0;

protected:
    ~IHintSource() = default;
};

struct THintSettings {
    static bool ShowHint;           // the application-wide switch
    static uint32_t HintPause;      // ms before the first hint
    static uint32_t HintShortPause; // ms before the next one while a hint is up
    static uint32_t HintHidePause;  // ms a hint stays
};

// The control under the mouse changed (null: none of ours). Called by the
// windows' mouse handling.
void HintMouseEntered(IHintSource* control);
// Hides the hint and forgets the pending one: for any control (null), or
// only when it belongs to control (which is going away).
void CancelHint(IHintSource* control);
// The tooltip window showing now, or null; and its text.
HWND HintWindow();
std::string HintText();
