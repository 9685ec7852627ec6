#include "history/csvformat.h"

#include <charconv>
#include <cstdio>
#include <ctime>

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day)
{
    // Counting years from March puts the leap day at the end of the year.
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

namespace {

bool BrokenDown(int64_t epochSecond, bool local, std::tm& out)
{
    const std::time_t t = static_cast<std::time_t>(epochSecond);
#ifdef _WIN32
    return (local ? localtime_s(&out, &t) : gmtime_s(&out, &t)) == 0;
#else
    return (local ? localtime_r(&t, &out) : gmtime_r(&t, &out)) != nullptr;
#endif
}

int64_t SecondsOf(const std::tm& tm)
{
    return DaysFromCivil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                         static_cast<unsigned>(tm.tm_mday)) *
               86400 +
           tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

} // namespace

int64_t UtcOffsetAt(int64_t epochSecond)
{
    std::tm local{}, utc{};
    if (!BrokenDown(epochSecond, true, local) || !BrokenDown(epochSecond, false, utc)) return 0;
    return SecondsOf(local) - SecondsOf(utc);
}

namespace {

// The local time of a moment, and its offset from UTC in seconds. A time
// the C library cannot break down is given in UTC.
bool LocalTime(int64_t epochSecond, std::tm& local, int64_t& offset)
{
    std::tm utc{};
    if (!BrokenDown(epochSecond, true, local) && !BrokenDown(epochSecond, false, local)) return false;
    if (!BrokenDown(epochSecond, false, utc)) utc = local;
    offset = SecondsOf(local) - SecondsOf(utc);
    return true;
}

} // namespace

namespace {

std::string IsoText(const std::tm& local, int64_t offset)
{
    const int64_t magnitude = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  offset < 0 ? '-' : '+', static_cast<int>(magnitude / 3600),
                  static_cast<int>(magnitude / 60 % 60));
    return text;
}

std::string DateTimeText(const std::tm& local)
{
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

} // namespace

std::string IsoLocalTime(int64_t epochSecond)
{
    std::tm local{};
    int64_t offset = 0;
    return LocalTime(epochSecond, local, offset) ? IsoText(local, offset) : "";
}

std::string LocalDateTime(int64_t epochSecond)
{
    std::tm local{};
    int64_t offset = 0;
    return LocalTime(epochSecond, local, offset) ? DateTimeText(local) : "";
}

namespace {

std::string Fixed(double value, int decimals)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

void AppendRow(std::string& rows, const TSecondRecord& s, double replySeconds)
{
    std::tm local{};
    int64_t offset = 0;
    if (LocalTime(s.wall, local, offset))
        rows += IsoText(local, offset) + ',' + DateTimeText(local);
    else
        rows += ',';
    rows += ',';
    if (s.HasLevels()) {
        rows += LevelText(s.Leq());
        rows += ',' + std::to_string(s.maxLevel) + ',' + std::to_string(s.minLevel);
    } else {
        rows += ",,";
    }
    rows += ',' + CsvField(WeightingName(s.weighting));
    rows += ',' + OffsetText(s.offset);
    rows += ',' + std::to_string(s.threshold);
    rows += ',';
    if (s.HasLevels()) rows += Fixed(s.over * replySeconds, 2);
    rows += ',' + std::to_string(s.alarms);
    rows += ',' + CsvField(LevelStatusName(s.status));
    rows += "\r\n";
}

} // namespace

std::string LevelText(double level)
{
    return Fixed(level, 1);
}

std::string LevelLogRows(std::span<const TSecondRecord> records)
{
    std::string rows;
    rows.reserve(records.size() * 96);
    for (size_t i = 0; i < records.size();) {
        size_t end = i + 1;
        while (end < records.size() && records[end].second == records[i].second)
            ++end;
        const double share = ReplySeconds(records.subspan(i, end - i));
        for (; i < end; ++i)
            AppendRow(rows, records[i], share);
    }
    return rows;
}
