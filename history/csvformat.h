// The level log's text: one header row and one row per second and series,
// RFC 4180 fields, lines ending in CR LF, a dot as the decimal point
// whatever the locale, and the time twice: as ISO 8601 local time with its
// UTC offset, and as a local date and time that spreadsheets read as one.
// Portable.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "history/levelrecorder.h"

inline constexpr std::string_view kLevelLogHeader =
    "Time,Local time,Leq,Lmax,Lmin,Weighting,Offset,Threshold,Over,Alarms,Status";
// What logs of earlier versions began with: they have other columns, and
// rows of these would spoil them.
inline constexpr std::string_view kEarlierLevelLogHeader =
    "Time,Leq,Lmax,Lmin,Weighting,Threshold,Alarm,Status";

// A field as RFC 4180 wants it: quoted, with quotes doubled, when it holds
// a comma, a quote or a line break; as it is otherwise.
std::string CsvField(std::string_view text);

// "2024-05-01T14:03:07+02:00": the local time of a second since 1970 UTC,
// with the offset in force at that moment.
std::string IsoLocalTime(int64_t epochSecond);
// "2024-05-01 14:03:07": the same local time without the offset.
std::string LocalDateTime(int64_t epochSecond);
// The offset of local time from UTC at that moment, in seconds.
int64_t UtcOffsetAt(int64_t epochSecond);

// A level with one decimal, "67.4".
std::string LevelText(double level);

// The rows of consecutive records, CR LF included: one per record. A gap
// has empty level fields.
std::string LevelLogRows(std::span<const TSecondRecord> records);

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
