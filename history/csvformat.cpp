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
    return DaysFromCivil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday)) *
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

std::string IsoLocalTime(int64_t epochSecond)
{
    std::tm local{}, utc{};
    // A time the C library cannot break down is written in UTC.
    if (!BrokenDown(epochSecond, true, local) && !BrokenDown(epochSecond, false, local)) return "";
    if (!BrokenDown(epochSecond, false, utc)) utc = local;
    const int64_t offset = SecondsOf(local) - SecondsOf(utc);
    const int64_t magnitude = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+',
                  static_cast<int>(magnitude / 3600), static_cast<int>(magnitude / 60 % 60));
    return text;
}

std::string LevelText(double level)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, level, std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

std::string LevelLogRow(const TSecondRecord& s)
{
    std::string row = IsoLocalTime(s.second);
    row += ',';
    if (s.HasLevels()) {
        row += LevelText(s.Leq());
        row += ',' + std::to_string(s.maxLevel) + ',' + std::to_string(s.minLevel);
    } else {
        row += ",,";
    }
    row += ',' + CsvField(WeightingName(s.weighting));
    row += ',' + std::to_string(s.threshold);
    row += s.Alarm() ? ",1," : ",0,";
    row += CsvField(LevelStatusName(s.status));
    row += "\r\n";
    return row;
}
