// Keys typed as the keyboard sends them, through the system's input queue to
// whichever window has the focus: what a user's short cut goes through, unlike
// messages posted to one window. Win32 only.
#pragma once

#include <windows.h>

// Presses `key` with `modifier` held (Ctrl+H: VK_CONTROL, 'H'), then lets go
// of both in the reverse order.
inline void SendChord(WORD modifier, WORD key)
{
    const WORD sequence[4][2] = {{modifier, 0}, {key, 0}, {key, KEYEVENTF_KEYUP}, {modifier, KEYEVENTF_KEYUP}};
    INPUT keys[4] = {};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = sequence[i][0];
        keys[i].ki.dwFlags = sequence[i][1];
    }
    SendInput(4, keys, sizeof(INPUT));
}
