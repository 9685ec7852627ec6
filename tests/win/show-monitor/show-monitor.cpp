// show-monitor.exe: asks the running panel to show its traffic monitor, the
// way the end-to-end tests do (its "Debug" button is hidden in the shipped
// layout). Exits 1 when no panel answers.
#include <windows.h>

#include "panel/panelprobe.h"

int main()
{
    for (int i = 0; i < 100; ++i) {
        if (HWND panel = FindWindowA("TForm1", nullptr)) {
            COPYDATASTRUCT request{ProbeShowMonitor, 0, nullptr};
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(panel, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG,
                                    5000, &result) &&
                result == 1)
                return 0;
        }
        Sleep(100);
    }
    return 1;
}
