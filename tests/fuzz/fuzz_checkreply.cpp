// Whatever the device (or a faulty cable) delivers must be judged without
// reading outside the receive buffer, and an accepted reply must decode.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "device/deviceframe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // First byte: the read's success flag (bit 7) and the reported length,
    // which may be anything, including zero and more than was sent.
    const bool readSucceeded = (data[0] & 0x80) == 0;
    const int64_t receivedLength = static_cast<int64_t>(data[0] & 0x7F) - 8;
    DeviceFrame buffer{};
    const size_t n = size - 1 < buffer.size() ? size - 1 : buffer.size();
    std::memcpy(buffer.data(), data + 1, n);

    if (CheckReply(buffer, receivedLength, readSucceeded)) {
        // Nothing is accepted that was not received whole.
        if (receivedLength < buffer[2] + 4) __builtin_trap();
        const auto reply = DecodePollReply(buffer);
        if (!reply) return 0;
        const ParameterSet p = ParametersFromPollReply(*reply);
        if (p.micOffset < -127 || p.micOffset > 127) __builtin_trap();
        // What was decoded must travel back out unchanged.
        if (EncodeOffset(p.micOffset) != (buffer[6] == 0x80 ? 0 : buffer[6])) __builtin_trap();
    }
    return 0;
}
