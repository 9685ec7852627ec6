// Files written whole or not at all: what a crash, a full disk or a second
// writer at the same moment can do to a file being replaced, none of it
// leaves a half-written file where a good one was. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Replaces the file at `path` with `bytes`: written to a new file of a
// unique name beside it (created exclusively, never through a link),
// flushed to the disk, closed with its result checked, renamed over the old
// one (a link at `path` is replaced, not followed), and the folder flushed
// too. On failure the old file is untouched, the new one gone, and `error`
// says why. `userOnly`: readable and writable by the user alone, on
// Windows by an access list naming the user alone, which Wine also turns
// into the Unix mode 0600.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool userOnly, std::string& error);

// The same for a program's output file, as its user names it: a link is
// followed to the file it names, and the file keeps its permissions. What
// is no plain file (a device, a pipe, /dev/stdout) is written in place with
// every write and the close checked. Raises EFCreateError or EWriteError
// naming the file and the reason.
void SaveFileAside(const std::string& fileName, const void* data, size_t size);
