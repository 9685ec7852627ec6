#include "device/parameterset.h"

#include "device/deviceframe.h"

uint8_t EncodeOffset(int32_t offset)
{
    if (offset >= 0) return static_cast<uint8_t>(offset);
    // Negate in unsigned arithmetic so that no offset can overflow.
    const uint32_t magnitude = 0u - static_cast<uint32_t>(offset);
    return static_cast<uint8_t>(magnitude | 0x80u);
}

int32_t DecodeOffset(uint8_t wire)
{
    const int32_t magnitude = wire & 0x7F;
    return (wire & 0x80) != 0 ? -magnitude : magnitude;
}

int32_t InputCodeFromItem(int itemIndex)
{
    switch (itemIndex) {
    case 0:
        return 1;
    case 1:
        return 0;
    default:
        return 2;
    }
}

int ItemFromInputCode(int32_t code)
{
    switch (code) {
    case 0:
        return 1;
    case 1:
        return 0;
    default:
        return 2;
    }
}

ParameterSet ParametersFromPollReply(const PollReply& reply)
{
    return ParameterSet{
        reply.inputCode,      reply.micOffset,        reply.vuRefreshTime,
        reply.alarmThreshold, reply.numberBrightness, reply.vuBrightness,
        reply.autoBrightness, reply.alarmShowTime,    reply.alarmResetTime,
    };
}
