// Requests another process may send to the main window by WM_COPYDATA, with
// its own window in wParam. They only read state or show the traffic
// monitor; the end-to-end tests drive the real program through them, since a
// label has no window of its own to ask. A panel started without the
// variable below answers none of them: any local process could otherwise
// read it and work its windows.
//
//   ProbeQueryText, data: a control's name ("Label9"). The panel answers with
//     a WM_COPYDATA of kind ProbeText to the asker, carrying the caption, and
//     returns 1; 0 for a name it does not know.
//   ProbeShowMonitor: shows the traffic monitor; returns 1.
//   ProbeQueryState: answers "key=value;..." with the reading, its colour,
//     the lit lamps, the sliders, the selection, the first-paint time, the
//     monitor's line count, and "posted=1" while messages posted to the
//     window thread wait to be taken (keys posted to a control among them).
//   ProbeQueryHandle, data: a windowed control's name. Returns its window
//     handle (0 for a name it does not know), so keys can be posted to it.
//   ProbeQueryMonitor: answers the traffic monitor's lines, one per "\n".
//   ProbeQueryResources: answers "gdi=N;dc=N;windows=N", the framework's live
//     counts of GDI objects, device contexts and windows (GetGuiResources
//     answers 0 under Wine), for the soak run's leak checks.
//   ProbeTimeRepaint: repaints the whole main window (frame, client and every
//     child) 20 times, each at once, and answers "median_us=N;min_us=N;max_us=N".
//
// ProbeQueryText and ProbeQueryHandle look in the traffic monitor too when
// the main window has no control of that name ("ToolButton1"); a name with a
// window's name before a dot is looked up in that window ("Form3.Label2"). The state
// carries "params=", the nine values a parameter write would send now, as
// "a,b,...", in wire order.
#pragma once

#include <cstdint>

// The panel answers only when its environment has this variable set to "1":
// the test driver sets it for the panels it starts.
inline constexpr const char* kPanelProbeVariable = "ORVANE_PANEL_PROBE";

class TForm1;
// Puts the probe in front of the main window's WindowProc when the variable
// asks for it; false (and nothing done) otherwise. Install it before the
// window is first shown, so that it sees the first paint.
bool InstallPanelProbe(TForm1& form);

constexpr uintptr_t ProbeQueryText = 0x4F560001;
constexpr uintptr_t ProbeText = 0x4F560002;
constexpr uintptr_t ProbeShowMonitor = 0x4F560003;
constexpr uintptr_t ProbeQueryState = 0x4F560004;
constexpr uintptr_t ProbeQueryMonitor = 0x4F560005;
constexpr uintptr_t ProbeQueryHandle = 0x4F560006;
constexpr uintptr_t ProbeQueryResources = 0x4F560007;
constexpr uintptr_t ProbeTimeRepaint = 0x4F560008;
