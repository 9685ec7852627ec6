// One reading of the device as the level history keeps it, the clock it is
// timed by, and the names the history shows for its parts. Portable.
#pragma once

#include <cstdint>
#include <string>

#include "device/parameterset.h"

// Milliseconds. On the wall clock: since 1970-01-01 00:00 UTC.
using TTimeMs = int64_t;

// A moment as the history takes it: a clock that only runs forwards, to
// order and bucket the readings by, and the wall clock, to label them. The
// wall clock alone would pile the readings of an hour into one second when
// the clock is set back, and leave an hour of gaps when it is set forward.
struct TClockTime {
    TTimeMs steady = 0;
    TTimeMs wall = 0;
};

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
// "0", "+3", "-5": a microphone offset in dB.
std::string OffsetText(int offset);

struct TLevelSample {
    // On the recorder's own clock (see TLevelRecorder), set when added.
    TTimeMs time = 0;
    // Whole dB; meaningful only when status is Ok.
    uint8_t level = 0;
    TLevelStatus status = TLevelStatus::Ok;
    uint8_t weighting = 0;
    uint8_t threshold = 0;
    // The microphone offset the level was measured with, dB.
    int8_t offset = 0;
    // The alarm's show and reset times, seconds.
    uint8_t showTime = 0;
    uint8_t resetTime = 0;

    bool Valid() const { return status == TLevelStatus::Ok; }
    // At or above the threshold: the panel shows the reading red.
    bool Over() const { return Valid() && level >= threshold; }
};

// A sample from an accepted poll reply: the reading byte with the parameters
// it was measured under. Values outside a field are held at its ends.
TLevelSample SampleOfReply(uint8_t readingCode, const ParameterSet& inForce);
