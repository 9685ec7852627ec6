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

TLevelSample SampleOfReply(TTimeMs time, uint8_t readingCode, int32_t weighting, int32_t threshold)
{
    TLevelSample s;
    s.time = time;
    s.status = StatusOfReading(readingCode);
    s.level = s.Valid() ? readingCode : 0;
    s.weighting = static_cast<uint8_t>(std::clamp(weighting, 0, 255));
    s.threshold = static_cast<uint8_t>(std::clamp(threshold, 0, 255));
    return s;
}
