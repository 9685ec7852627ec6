#include "monitor/framelog.h"

std::string FrameLogLine(const uint8_t* bytes, size_t count, bool sent)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string line = sent ? "-->" : "<--";
    line.reserve(3 + 3 * count);
    for (size_t i = 0; i < count; ++i) {
        line += digits[bytes[i] >> 4];
        line += digits[bytes[i] & 0x0F];
        line += ' ';
    }
    return line;
}
