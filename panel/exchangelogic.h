// The parts of the main window's behaviour that need no window: which
// control values make up a parameter write and what the device's values put
// back into the controls, the turn-taking of the exchange cycle, the text and
// colour of the reading, and the level bar's movement. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// What the user asked of the device that has not gone out yet: a parameter
// write, and self checks and saves in the order they were asked. Nothing is
// replaced by what comes after it. The write goes first, so that a save
// stores what the panel shows; a button pressed twice before its turn is
// sent once.
class PendingRequests {
public:
    void MarkWrite() { write_ = true; }
    // SelfCheck or SaveParameters.
    void Ask(RequestKind command);
    void Clear();
    bool Empty() const { return !write_ && commands_.empty(); }
    // What the next sending turn sends; a poll when nothing is pending.
    RequestKind Next() const;
    // After a sending turn that tried `kind`. A request the device never
    // received stays, so the next sending turn tries it again.
    void Sent(RequestKind kind, bool written);

private:
    bool write_ = false;
    std::vector<RequestKind> commands_;
};

// One tick of the exchange: a read of the reply to the request written last,
// or the sending of a request. Until the device's values are loaded after a
// connection, that is a poll: they must reach the controls before anything
// built from the controls goes out.
struct ExchangeTurn {
    bool read; // true: read the reply to `kind`
    RequestKind kind;
};
ExchangeTurn NextExchangeTurn(RequestKind awaitingReply, const PendingRequests& pending, bool panelLoaded);

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
