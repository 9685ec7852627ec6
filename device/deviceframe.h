// The frames the panel and the device exchange: building the four requests,
// accepting a reply, and reading the fields of a poll reply. Pure byte work;
// writing and reading belong to the exchange cycle. Portable.
//
// Layout: EB 90 (request) or EB 91 (reply), length L (command byte plus
// payload), command, L-1 payload bytes, then the low 8 bits of the sum of
// every byte before it. A frame is L+4 bytes and fits a 32-byte buffer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "device/parameterset.h"
#include "runtime/sysutils.h"

inline constexpr int kDeviceFrameSize = 32;
using DeviceFrame = std::array<uint8_t, kDeviceFrameSize>;

enum class RequestKind : uint8_t {
    None = 0, // the exchange cycle's "nothing pending"; never sent
    Poll = 1,
    WriteParameters = 2,
    SelfCheck = 3,
    SaveParameters = 4,
};

// Raised when asked to build a frame for a kind that has none (None, or a
// value cast from outside 1..4): sending anything for it would confuse the
// device.
class EDeviceFrameError : public Exception {
    using Exception::Exception;
};

struct RequestFrame {
    DeviceFrame bytes{};
    int length = 0;
};

// Only WriteParameters reads the parameters; the other requests are constant.
RequestFrame BuildRequest(RequestKind kind, const ParameterSet& parameters);

// Additive checksum: the low 8 bits of the sum of the bytes.
uint8_t FrameChecksum(std::span<const uint8_t> bytes);

// True when the receive buffer holds an acceptable reply: a reply header, a
// length byte of 4 to 28, every one of its L + 4 bytes received, and the
// checksum right. A cut reply is refused even when the zeros left in the
// buffer happen to make the sum. The command byte is not compared with the
// request: a device need not echo it.
bool CheckReply(const DeviceFrame& buffer, int64_t receivedLength, bool readSucceeded);

inline constexpr int kPollReplyLength = 12; // L of a complete poll reply (16 bytes)
inline constexpr int kLevelBarLeds = 37;

// Reading bytes that are error codes rather than levels.
inline constexpr uint8_t kReadingE1 = 0xE1;
inline constexpr uint8_t kReadingE2 = 0xE2;
inline constexpr uint8_t kReadingE8 = 0xE8;

struct PollReply {
    uint8_t reading;   // dB, or one of the error codes above
    uint8_t inputCode; // passed on as received; the caller maps it
    int32_t micOffset; // already decoded from sign and magnitude
    uint8_t vuRefreshTime;
    uint8_t alarmThreshold;
    uint8_t numberBrightness;
    uint8_t vuBrightness;
    uint8_t autoBrightness; // 0 off, anything else on
    uint8_t alarmShowTime;
    uint8_t alarmResetTime;
    uint8_t level; // LEDs to light; above 37 lights them all
};

// The fields at the fixed offsets 4..14 of a buffer CheckReply accepted, or
// nothing when its length byte says it is too short to carry them: an
// acknowledgement read where a poll's reply was due is no reading.
std::optional<PollReply> DecodePollReply(const DeviceFrame& buffer);
