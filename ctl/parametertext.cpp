#include "ctl/parametertext.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace {

// In code order: code 0 is flat, 1 the A weighting, 2 the C weighting.
constexpr const char* kInputWords[] = {"dB", "dBA", "dBC"};

bool IsInput(const ParameterName& n)
{
    return n.field == &ParameterSet::micInputType;
}

bool IsSwitch(const ParameterName& n)
{
    return n.field == &ParameterSet::autoBrightness;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

} // namespace

std::string ValueText(const ParameterName& n, int32_t value)
{
    if (IsInput(n) && value >= 0 && value < 3) return kInputWords[value];
    if (IsSwitch(n)) return value != 0 ? "on" : "off";
    return std::to_string(value);
}

std::string ValueJson(const ParameterName& n, int32_t value)
{
    if (IsInput(n) && value >= 0 && value < 3) return JsonString(kInputWords[value]);
    if (IsSwitch(n)) return value != 0 ? "\"on\"" : "\"off\"";
    return std::to_string(value);
}

bool ParseValue(const ParameterName& n, std::string_view text, int32_t& value, std::string& error)
{
    const std::string word = Lower(text);
    if (IsInput(n)) {
        // The panel's own spellings are taken too.
        static constexpr const char* kAccepted[][2] = {{"db", "db"}, {"dba", "db(a)"}, {"dbc", "db(c)"}};
        for (int code = 0; code < 3; ++code)
            if (word == kAccepted[code][0] || word == kAccepted[code][1]) {
                value = code;
                return true;
            }
        error = std::string(n.name) + ": '" + std::string(text) + "' is not one of dB, dBA, dBC";
        return false;
    }
    if (IsSwitch(n)) {
        if (word == "on" || word == "1")
            value = 1;
        else if (word == "off" || word == "0")
            value = 0;
        else {
            error = std::string(n.name) + ": '" + std::string(text) + "' is not on or off";
            return false;
        }
        return true;
    }
    const std::string range = " (" + std::to_string(n.range.Min) + ".." + std::to_string(n.range.Max) + ")";
    int32_t v = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (text.empty() || ec == std::errc::invalid_argument || end != last) {
        error = std::string(n.name) + ": '" + std::string(text) + "' is not a whole number" + range;
        return false;
    }
    if (ec == std::errc::result_out_of_range || v < n.range.Min || v > n.range.Max) {
        error = std::string(n.name) + ": " + std::string(text) + " is out of range" + range;
        return false;
    }
    value = v;
    return true;
}

std::string JsonString(std::string_view text)
{
    std::string s = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            s += esc;
        } else {
            s += static_cast<char>(c);
        }
    }
    return s + "\"";
}
