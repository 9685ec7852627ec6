// Files the simulator keeps between runs (the saved parameters, the control
// token), written so that a crash, a full disk or a second simulator never
// leaves a half-written file where a good one was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Replaces the file at `path` with `text`: written to a temporary file of a
// unique name beside it, flushed to the disk, closed with its result
// checked, renamed over the old one, and the folder flushed too. On failure
// the old file is untouched, the temporary one gone, and `error` says why.
// `userOnly`: readable and writable by the user alone.
bool WriteFileAtomically(const std::string& path, const std::string& text, bool userOnly, std::string& error);

// The whole file, or nothing when it is missing (`problem` empty), cannot be
// read or is larger than maxBytes (`problem` says which).
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes, std::string& problem);
