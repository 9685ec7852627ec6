// The display's alarm, by the display's own rule: it sounds when a reading
// reaches the threshold, stays on for at least the show time and for as
// long as the level stays at or above the threshold, and cannot sound again
// within the reset time after it ended. Fed the readings the panel received,
// in order, it follows what the display showed. Portable.
#pragma once

#include <cstdint>
#include <optional>

class TAlarmRule {
public:
    struct TStep {
        bool on = false;
        // The alarm started with this reading.
        bool began = false;
    };

    // A reading at atMs (a clock that only runs forwards). Loud: a level at
    // or above the threshold; an error code is never loud.
    TStep Reading(int64_t atMs, bool loud, int showSeconds, int resetSeconds);
    // The display went away. Whatever it showed since is unknown, so the
    // rule starts afresh, as the display does when it is powered again.
    void Lost();
    bool On() const { return on_; }

private:
    bool on_ = false;
    int64_t since_ = 0;
    std::optional<int64_t> ended_;
};
