// The device's nine settable parameters, their ranges, and how each travels
// between the panel's controls and the bytes of a frame. Portable.
#pragma once

#include <cstdint>

// Wire order: the WriteParameters payload and the poll reply carry the
// fields in exactly this sequence, one byte each.
struct ParameterSet {
    int32_t micInputType;     // input weighting code: 0 "dB", 1 "dB(A)", 2 "dB(C)"
    int32_t micOffset;        // dB, sent in sign-and-magnitude form
    int32_t vuRefreshTime;    // larger is slower
    int32_t alarmThreshold;   // dB
    int32_t numberBrightness; // percent
    int32_t vuBrightness;     // percent
    int32_t autoBrightness;   // 1 on, 0 off
    int32_t alarmShowTime;    // seconds
    int32_t alarmResetTime;   // seconds

    bool operator==(const ParameterSet&) const = default;
};

// What the panel holds from its creation until the device answers. Only the
// threshold is ever looked at before being replaced: it colours the reading.
inline constexpr ParameterSet kStartParameters{0, 0, 100, 100, 100, 100, 1, 10, 10};

// "Default Parameter". The refresh time 1 is below the refresh slider's range
// on purpose: the slider holds it at its minimum, and that is what is sent.
inline constexpr ParameterSet kDefaultParameters{1, 0, 1, 100, 100, 100, 1, 10, 10};

// The ranges the controls enforce; the device is never sent anything else.
struct ParameterRange {
    int32_t Min;
    int32_t Max;
};
inline constexpr ParameterRange kMicInputTypeRange{0, 2};
inline constexpr ParameterRange kMicOffsetRange{-20, 20};
inline constexpr ParameterRange kVuRefreshTimeRange{3, 45};
inline constexpr ParameterRange kAlarmThresholdRange{60, 120};
inline constexpr ParameterRange kBrightnessRange{10, 100};
inline constexpr ParameterRange kAutoBrightnessRange{0, 1};
inline constexpr ParameterRange kAlarmTimeRange{1, 60};

// The offset byte: bit 7 marks a negative value, bits 0-6 hold the magnitude.
uint8_t EncodeOffset(int32_t offset);
int32_t DecodeOffset(uint8_t wire);

// RadioGroup1 lists "dBA", "dB", "dBC" while the device counts dB, dB(A),
// dB(C): the first two swap. No selection (-1) and anything unknown mean dB(C).
int32_t InputCodeFromItem(int itemIndex);
int ItemFromInputCode(int32_t code);

// The input-type pictures are stored in code order. A code the device made up
// (above 2) gives an index with no picture behind it; the image list shows none.
inline int InputTypeImageIndex(int32_t code)
{
    return code;
}

struct PollReply;
// Takes all nine parameters from an accepted poll reply.
ParameterSet ParametersFromPollReply(const PollReply& reply);
