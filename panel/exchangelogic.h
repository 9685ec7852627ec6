// The parts of the main window's behaviour that need no window: which
// control values make up a parameter write and what the device's values put
// back into the controls, the turn-taking of the exchange cycle, the text and
// colour of the reading, and the level bar's movement. Portable.
#pragma once

#include <cstdint>
#include <string>

#include "device/deviceframe.h"
#include "device/parameterset.h"
#include "runtime/colors.h"

// The controls' values as the parameter set sees them. The coupled groups are
// read from their spinners, which hold whole numbers; the refresh slider has
// no spinner and may hold a fraction.
struct PanelControlValues {
    int radioItem;  // RadioGroup1.ItemIndex, -1 when nothing is selected
    int upDown1;    // micOffset
    double slider2; // vuRefreshTime
    int upDown3;    // alarmThreshold
    int upDown4;    // numberBrightness
    int upDown5;    // vuBrightness
    bool checkBox1; // autoBrightness
    int upDown6;    // alarmShowTime
    int upDown7;    // alarmResetTime

    bool operator==(const PanelControlValues&) const = default;
};

// What a parameter write sends, in wire order.
ParameterSet GatherParameters(const PanelControlValues& controls);
// What the controls are asked to show for a parameter set (each control then
// holds the value within its own range).
PanelControlValues ControlValuesFor(const ParameterSet& parameters);

// One tick of the exchange: a read of the reply to the request written last,
// or the sending of the pending request (a poll when nothing is pending).
struct ExchangeTurn {
    bool read; // true: read the reply to `kind`
    RequestKind kind;
};
ExchangeTurn NextExchangeTurn(RequestKind awaitingReply, RequestKind pendingRequest);

// The pending slot after a sending turn. A request the device never received
// stays pending so the next sending turn tries it again; a poll is never
// pending, so a failed poll leaves nothing behind.
RequestKind PendingAfterSend(RequestKind pendingRequest, bool writeSucceeded);

// The reading as the seven-segment display shows it.
struct ReadingShow {
    std::string text;
    TColor color;
};
// Error codes show as "E1", "E2", "E8" in red; a level is green below the
// threshold and red from it upwards.
ReadingShow ShowReadingFor(uint8_t readingCode, int32_t alarmThreshold);
bool IsReadingError(uint8_t readingCode);

// The bar's next level: it climbs one lamp a tick, drops to a lower target at
// once, never goes below one lit lamp except to an exact target of zero from
// above one, and shows exactly one lamp while the device reports an error.
int NextBarLevel(int barLevel, int levelTarget, uint8_t readingCode);
