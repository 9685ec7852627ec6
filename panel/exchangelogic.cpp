#include "panel/exchangelogic.h"

#include <algorithm>
#include <cmath>

ParameterSet GatherParameters(const PanelControlValues& c)
{
    return ParameterSet{
        InputCodeFromItem(c.radioItem),
        c.upDown1,
        static_cast<int32_t>(std::trunc(c.slider2)),
        c.upDown3,
        c.upDown4,
        c.upDown5,
        c.checkBox1 ? 1 : 0,
        c.upDown6,
        c.upDown7,
    };
}

PanelControlValues ControlValuesFor(const ParameterSet& p)
{
    return PanelControlValues{
        ItemFromInputCode(p.micInputType),
        p.micOffset,
        static_cast<double>(p.vuRefreshTime),
        p.alarmThreshold,
        p.numberBrightness,
        p.vuBrightness,
        p.autoBrightness != 0,
        p.alarmShowTime,
        p.alarmResetTime,
    };
}

void PendingRequests::Ask(RequestKind command)
{
    if (std::find(commands_.begin(), commands_.end(), command) == commands_.end()) commands_.push_back(command);
}

void PendingRequests::Clear()
{
    write_ = false;
    commands_.clear();
}

RequestKind PendingRequests::Next() const
{
    if (write_) return RequestKind::WriteParameters;
    return commands_.empty() ? RequestKind::Poll : commands_.front();
}

void PendingRequests::Sent(RequestKind kind, bool written)
{
    if (!written) return;
    if (kind == RequestKind::WriteParameters)
        write_ = false;
    else
        std::erase(commands_, kind);
}

ExchangeTurn NextExchangeTurn(RequestKind awaitingReply, const PendingRequests& pending, bool panelLoaded)
{
    if (awaitingReply != RequestKind::None) return {true, awaitingReply};
    return {false, panelLoaded ? pending.Next() : RequestKind::Poll};
}

bool IsReadingError(uint8_t r)
{
    return r == kReadingE1 || r == kReadingE2 || r == kReadingE8;
}

ReadingShow ShowReadingFor(uint8_t r, int32_t alarmThreshold)
{
    switch (r) {
    case kReadingE1:
        return {"E1", clRed};
    case kReadingE2:
        return {"E2", clRed};
    case kReadingE8:
        return {"E8", clRed};
    default:
        return {std::to_string(r), r < alarmThreshold ? clLime : clRed};
    }
}

int NextBarLevel(int barLevel, int levelTarget, uint8_t readingCode)
{
    if (IsReadingError(readingCode)) return 1;
    if (levelTarget > barLevel) return barLevel < kLevelBarLeds ? barLevel + 1 : barLevel;
    if (levelTarget < barLevel) return barLevel > 1 ? levelTarget : 1;
    return barLevel;
}
