// One reading of the device as the level history keeps it, and the names the
// history shows for its parts. Portable.
#pragma once

#include <cstdint>
#include <string>

// Wall-clock time in milliseconds since 1970-01-01 00:00 UTC.
using TTimeMs = int64_t;

enum class TLevelStatus : uint8_t {
    Ok,
    E1,
    E2,
    E8,
    Disconnected,
    // Connected, but no reply was accepted in that second.
    NoReply,
};

// "ok", "E1", "E2", "E8", "disconnected", "no reply".
const char* LevelStatusName(TLevelStatus status);

// The device's reading byte: a whole-dB level or one of its error codes.
TLevelStatus StatusOfReading(uint8_t readingCode);

// The weighting is kept as the device's input code (0 dB, 1 dB(A), 2 dB(C));
// a code the device made up is kept as it came, never folded into another.
std::string WeightingName(uint8_t code);

struct TLevelSample {
    TTimeMs time = 0;
    // Whole dB; meaningful only when status is Ok.
    uint8_t level = 0;
    TLevelStatus status = TLevelStatus::Ok;
    uint8_t weighting = 0;
    uint8_t threshold = 0;

    bool Valid() const { return status == TLevelStatus::Ok; }
    // The panel shows the reading red from the threshold up.
    bool Alarm() const { return Valid() && level >= threshold; }
};

// A sample from an accepted poll reply: the reading byte with the weighting
// and threshold the panel held for it. Values outside a byte are held at its
// ends.
TLevelSample SampleOfReply(TTimeMs time, uint8_t readingCode, int32_t weighting, int32_t threshold);
