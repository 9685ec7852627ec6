// The text of the main window's "About Orvane Panel..." box: the version,
// the licence, and which interface library the panel is using, with its
// path, since ours and the chip maker's may sit beside the program. Win32 only.
#pragma once

#include <string>

// "ours", "the chip maker's" (any library that does not carry our product
// name), or "" when the file has no version information to read.
std::string LibraryOrigin(const std::string& path);

std::string AboutText(const std::string& libraryPath, bool libraryLoaded);
