// The skin the command line chose, put on the main window's skin data.
// Win32 only.
#pragma once

#include <string>
#include <vector>

#include "app/paneloptions.h"

class TSkinData;

// --no-skin switches the skin off before any window is taken over; --skin
// loads the file in place of the built-in package. A file that cannot be
// used is named, with the reason, in one message box, and the built-in skin
// stays.
void ApplySkinChoice(TSkinData& skin, const TPanelOptions& options);

// The message for a skin file that cannot be used.
std::string SkinFileMessage(const std::string& file, const std::string& reason);

// The program's arguments from the process's command line, in the system's
// code page (the one the file functions take), without the program name.
std::vector<std::string> ProgramArguments();
