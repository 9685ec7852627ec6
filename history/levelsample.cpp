#include "history/levelsample.h"

#include <algorithm>

const char* LevelStatusName(TLevelStatus status)
{
    switch (status) {
    case TLevelStatus::Ok:
        return "ok";
    case TLevelStatus::E1:
        return "E1";
    case TLevelStatus::E2:
        return "E2";
    case TLevelStatus::E8:
        return "E8";
    case TLevelStatus::Disconnected:
        return "disconnected";
    case TLevelStatus::NoReply:
        return "no reply";
    }
    return "?";
}

TLevelStatus StatusOfReading(uint8_t readingCode)
{
    switch (readingCode) {
    case 0xE1:
        return TLevelStatus::E1;
    case 0xE2:
        return TLevelStatus::E2;
    case 0xE8:
        return TLevelStatus::E8;
    default:
        return TLevelStatus::Ok;
    }
}

std::string WeightingName(uint8_t code)
{
    switch (code) {
    case 0:
        return "dB";
    case 1:
        return "dB(A)";
    case 2:
        return "dB(C)";
    default:
        return "input " + std::to_string(code);
    }
}

std::string OffsetText(int offset)
{
    return (offset > 0 ? "+" : "") + std::to_string(offset);
}

namespace {

uint8_t Byte(int32_t value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

TLevelSample SampleOfReply(uint8_t readingCode, const ParameterSet& p)
{
    TLevelSample s;
    s.status = StatusOfReading(readingCode);
    s.level = s.Valid() ? readingCode : 0;
    s.weighting = Byte(p.micInputType);
    s.threshold = Byte(p.alarmThreshold);
    s.offset = static_cast<int8_t>(std::clamp(p.micOffset, -128, 127));
    s.showTime = Byte(p.alarmShowTime);
    s.resetTime = Byte(p.alarmResetTime);
    return s;
}
