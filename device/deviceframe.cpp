#include "device/deviceframe.h"

#include <string>

namespace {

constexpr uint8_t kHeader1 = 0xEB;
constexpr uint8_t kRequestHeader2 = 0x90;
constexpr uint8_t kReplyHeader2 = 0x91;
constexpr int kMinReplyLength = 4;
constexpr int kMaxFrameLength = kDeviceFrameSize - 4;
// SelfCheck and SaveParameters carry this one payload byte.
constexpr uint8_t kCommandPayload = 0x80;

// Header, length byte, command and payload, then the checksum over all of them.
RequestFrame Frame(RequestKind kind, std::span<const uint8_t> payload)
{
    RequestFrame f;
    const int l = 1 + static_cast<int>(payload.size());
    f.bytes[0] = kHeader1;
    f.bytes[1] = kRequestHeader2;
    f.bytes[2] = static_cast<uint8_t>(l);
    f.bytes[3] = static_cast<uint8_t>(kind);
    for (size_t i = 0; i < payload.size(); ++i)
        f.bytes[4 + i] = payload[i];
    f.bytes[3 + l] = FrameChecksum(std::span(f.bytes).first(3 + l));
    f.length = l + 4;
    return f;
}

uint8_t Low8(int32_t v)
{
    return static_cast<uint8_t>(v);
}

} // namespace

uint8_t FrameChecksum(std::span<const uint8_t> bytes)
{
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    return static_cast<uint8_t>(sum);
}

RequestFrame BuildRequest(RequestKind kind, const ParameterSet& p)
{
    switch (kind) {
    case RequestKind::Poll:
        return Frame(kind, {});
    case RequestKind::WriteParameters: {
        const uint8_t payload[] = {
            Low8(p.micInputType),   EncodeOffset(p.micOffset), Low8(p.vuRefreshTime),
            Low8(p.alarmThreshold), Low8(p.numberBrightness),  Low8(p.vuBrightness),
            Low8(p.autoBrightness), Low8(p.alarmShowTime),     Low8(p.alarmResetTime),
        };
        return Frame(kind, payload);
    }
    case RequestKind::SelfCheck:
    case RequestKind::SaveParameters: {
        const uint8_t payload[] = {kCommandPayload};
        return Frame(kind, payload);
    }
    case RequestKind::None:
        break;
    }
    throw EDeviceFrameError("No request frame for kind " + std::to_string(static_cast<int>(kind)));
}

bool CheckReply(const DeviceFrame& buffer, int64_t receivedLength, bool readSucceeded)
{
    if (!readSucceeded || receivedLength <= 0) return false;
    if (buffer[0] != kHeader1) return false;
    if (buffer[1] != kReplyHeader2) return false;
    const int l = buffer[2];
    if (l < kMinReplyLength || l > kMaxFrameLength) return false;
    if (receivedLength < l + 4) return false;
    return FrameChecksum(std::span(buffer).first(3 + l)) == buffer[3 + l];
}

std::optional<PollReply> DecodePollReply(const DeviceFrame& b)
{
    if (b[2] < kPollReplyLength) return std::nullopt;
    return PollReply{
        .reading = b[4],
        .inputCode = b[5],
        .micOffset = DecodeOffset(b[6]),
        .vuRefreshTime = b[7],
        .alarmThreshold = b[8],
        .numberBrightness = b[9],
        .vuBrightness = b[10],
        .autoBrightness = b[11],
        .alarmShowTime = b[12],
        .alarmResetTime = b[13],
        .level = b[14],
    };
}
