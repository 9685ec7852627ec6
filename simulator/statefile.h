// Files the simulator keeps between runs (the saved parameters, the control
// token): written with WriteFileAtomically, so that a crash, a full disk or
// a second simulator never leaves a half-written file where a good one was,
// and read back whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "runtime/savefile.h"

// The whole file, or nothing when it is missing (`problem` empty), cannot be
// read or is larger than maxBytes (`problem` says which).
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes, std::string& problem);
