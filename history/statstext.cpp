#include "history/statstext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "history/csvformat.h"

std::string DurationText(double seconds)
{
    const long long s = std::llround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string StatsColumnText(const TLevelStats& s)
{
    std::string text = WeightingName(s.weighting) + "\r\n" + OffsetText(s.offset) + "\r\n";
    text += LevelText(s.leq) + "\r\n";
    for (int level : {s.lmax, s.lmin, s.l10, s.l50, s.l90})
        text += std::to_string(level) + "\r\n";
    text += DurationText(s.overSeconds) + "\r\n";
    text += std::to_string(s.alarms);
    return text;
}

std::string StatsNoteText(const TSpanStats& stats, bool sinceStart)
{
    if (stats.Empty())
        return sinceStart ? "No readings since recording started." : "No readings in this span.";
    std::string note;
    if (stats.Mixed()) {
        bool weightings = false, offsets = false;
        for (const TLevelStats& s : stats.series) {
            weightings |= s.weighting != stats.series[0].weighting;
            offsets |= s.offset != stats.series[0].offset;
        }
        note = weightings && offsets ? "The weighting and the offset changed"
               : weightings          ? "The weighting changed"
                                     : "The offset changed";
        note += ": each setting has its own column; levels measured differently are never averaged together.";
    }
    for (const TLevelStats& s : stats.series)
        if (!s.percentilesComplete) {
            if (!note.empty()) note += " ";
            note += "L10, L50 and L90 stand on the part of the span still held in full.";
            break;
        }
    return note;
}
