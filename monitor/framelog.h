// The traffic monitor's line for one frame: the direction mark ("-->" sent,
// "<--" received) followed by each byte as two upper-case hexadecimal digits
// and a blank. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string FrameLogLine(const uint8_t* bytes, size_t count, bool sent);

// The memo is emptied once it holds this many lines, so a monitor left
// running for hours does not grow without end.
inline constexpr int kMonitorLineLimit = 5000;
