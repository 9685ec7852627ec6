// The program's start-up and its last line of defence, apart from the entry
// point so that both paths can be exercised. Win32 only.
#pragma once

#include <functional>

class TApplication;

// Runs the start-up (creating the windows and running the loop). An
// exception that escapes it is shown the way the loop shows one, and the
// program then ends with ExitFailure rather than looking like a clean run.
// The application's windows are freed before it returns, on both paths.
int RunShell(TApplication& app, const std::function<void()>& startUp);

constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
// A command line the program does not understand.
constexpr int ExitUsage = 2;
// A panel for the same device was running and came to the front instead:
// the Linux launcher tells the terminal so.
constexpr int ExitAlreadyRunning = 3;
