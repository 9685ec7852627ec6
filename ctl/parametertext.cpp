#include "ctl/parametertext.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>

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

// The character starting at text[at] if it is well-formed UTF-8 (no
// overlong forms, no surrogates, nothing beyond U+10FFFF): its code point
// and length. Nothing for a byte that starts no such character.
std::optional<std::pair<char32_t, size_t>> Utf8At(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return std::pair{char32_t(lead), size_t(1)};
    size_t length;
    char32_t cp, least;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
        cp = cp << 6 | (byte(at + i) & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    return std::pair{cp, length};
}

bool IsControl(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

// Characters that reorder the text around them: shown, a name could be made
// to read as another.
bool Reorders(char32_t cp)
{
    return (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E || cp == 0x200F;
}

} // namespace

std::string ValueText(const ParameterName& n, int32_t value)
{
    if (IsInput(n))
        return KnownValue(n, value) ? kInputWords[value] : "unknown code " + std::to_string(value);
    if (IsSwitch(n)) return value != 0 ? "on" : "off";
    return std::to_string(value);
}

std::string ValueJson(const ParameterName& n, int32_t value)
{
    if (IsInput(n)) return JsonString(ValueText(n, value));
    if (IsSwitch(n)) return value != 0 ? "\"on\"" : "\"off\"";
    return std::to_string(value);
}

bool KnownValue(const ParameterName& n, int32_t value)
{
    return !IsInput(n) || (value >= 0 && value < 3);
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
    // One sign, and a plus only before a digit: "+-5" is no number.
    if (first != last && *first == '+' && last - first > 1 &&
        std::isdigit(static_cast<unsigned char>(first[1])))
        ++first;
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
    for (size_t at = 0; at < text.size();) {
        const auto ch = Utf8At(text, at);
        if (!ch) {
            s += "\\ufffd";
            ++at;
            continue;
        }
        const auto [cp, length] = *ch;
        if (cp == '"' || cp == '\\') {
            s += '\\';
            s += static_cast<char>(cp);
        } else if (IsControl(cp)) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(cp));
            s += esc;
        } else {
            s.append(text.substr(at, length));
        }
        at += length;
    }
    return s + "\"";
}

std::string TerminalText(std::string_view text)
{
    std::string s;
    for (size_t at = 0; at < text.size();) {
        const auto ch = Utf8At(text, at);
        char esc[16];
        if (!ch) {
            std::snprintf(esc, sizeof esc, "\\x%02x", static_cast<unsigned char>(text[at]));
            s += esc;
            ++at;
            continue;
        }
        const auto [cp, length] = *ch;
        if (cp == '\\') {
            s += "\\\\";
        } else if (cp < 0x80 && IsControl(cp)) {
            std::snprintf(esc, sizeof esc, "\\x%02x", static_cast<unsigned>(cp));
            s += esc;
        } else if (IsControl(cp) || Reorders(cp)) {
            std::snprintf(esc, sizeof esc, "\\u{%04x}", static_cast<unsigned>(cp));
            s += esc;
        } else {
            s.append(text.substr(at, length));
        }
        at += length;
    }
    return s;
}
