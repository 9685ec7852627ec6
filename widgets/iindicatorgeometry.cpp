#include "widgets/iindicatorgeometry.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "runtime/sysutils.h"

namespace {

using iwm::GetXYRadPoint;
using iwm::RoundEven;

TGeoPolygon Block(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

} // namespace

// --- Seven-segment characters ---------------------------------------------------

uint8_t SevenSegmentBits(TSevenSegmentCharacter value)
{
    static constexpr uint8_t digits[16] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                           0x7F, 0x67, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
    if (value >= ssc0 && value <= sscF) return digits[value];
    return 0;
}

bool IsSegmentSymbol(TSevenSegmentCharacter value)
{
    return value > sscF && value != sscBlank;
}

TSevenSegmentCharacter ConvertCharacterToValue(char c)
{
    if (c >= '0' && c <= '9') return static_cast<TSevenSegmentCharacter>(ssc0 + (c - '0'));
    if (c >= 'A' && c <= 'F') return static_cast<TSevenSegmentCharacter>(sscA + (c - 'A'));
    if (c >= 'a' && c <= 'f') return static_cast<TSevenSegmentCharacter>(sscA + (c - 'a'));
    switch (c) {
    case '.':
        return sscPeriod;
    case ':':
        return sscColon;
    case '+':
        return sscPlus;
    case '-':
        return sscMinus;
    case '_':
        return sscLine;
    case '<':
        return sscUpArrow;
    case '>':
        return sscDownArrow;
    case ';':
        return sscSemiColon;
    case ',':
        return sscComma;
    default:
        return sscBlank;
    }
}

char CharacterOfValue(int value)
{
    static constexpr char chars[] = "0123456789abcdef.:+- _<>;,";
    if (value < 0 || value > sscComma) return '?';
    return chars[value];
}

TGeoPolygon SegmentPolygon(TSegment segment, const TSegmentMetrics& g)
{
    const int32_t W = g.W, H = g.H, M = g.M, S = g.S, Z = g.Z;
    const int32_t m = (H - 1) / 2;
    switch (segment) {
    case segA:
        return {
            {M + S, M}, {W - M - S - 1, M}, {W - M - S - 2 * Z - 1, M + 2 * Z}, {M + S + 2 * Z, M + 2 * Z}};
    case segB:
        return {{W - M - 1, M + S},
                {W - M - 1, m - S},
                {W - M - 2 * Z - 1, m - S - 2 * Z},
                {W - M - 2 * Z - 1, M + S + 2 * Z}};
    case segC:
        return {{W - M - 1, m + S},
                {W - M - 1, H - 1 - M - S},
                {W - M - 2 * Z - 1, H - 1 - M - S - 2 * Z},
                {W - M - 2 * Z - 1, m + S + 2 * Z}};
    case segD:
        return {{M + S, H - M - 1},
                {W - M - S - 1, H - M - 1},
                {W - M - S - 2 * Z - 1, H - M - 2 * Z - 1},
                {M + S + 2 * Z, H - M - 2 * Z - 1}};
    case segE:
        return {
            {M, m + S}, {M, H - 1 - M - S}, {M + 2 * Z, H - 1 - M - S - 2 * Z}, {M + 2 * Z, m + S + 2 * Z}};
    case segF:
        return {{M, M + S}, {M, m - S}, {M + 2 * Z, m - S - 2 * Z}, {M + 2 * Z, M + S + 2 * Z}};
    case segG:
        return {{M + S, m},         {M + S + Z, m - Z},         {W - M - S - Z - 1, m - Z},
                {W - M - S - 1, m}, {W - M - S - Z - 1, m + Z}, {M + S + Z, m + Z}};
    }
    return {};
}

std::vector<TSymbolPart> SymbolParts(TSevenSegmentCharacter value, const TSegmentMetrics& g,
                                     bool showOffSegments)
{
    const int32_t W = g.W, H = g.H, M = g.M, Z = g.Z;
    const double w = W, h = H, z = Z;
    const int32_t c = W / 2;
    auto colonUpper = [&] { return Block(c - Z, RoundEven(5 * h / 18), c + Z, RoundEven(7 * h / 18)); };
    auto colonLower = [&] { return Block(c - Z, RoundEven(11 * h / 18), c + Z, RoundEven(13 * h / 18)); };
    auto tail = [&] { return Block(c, RoundEven(13 * h / 18), c + Z, RoundEven(16 * h / 18)); };
    auto plusBars = [&](bool lit) {
        return std::vector<TSymbolPart>{{Block(RoundEven(2.5 * w / 10), RoundEven(4.5 * h / 18 - z / 2),
                                               RoundEven(7.5 * w / 10), RoundEven(4.5 * h / 18 + z / 2)),
                                         lit},
                                        {Block(RoundEven(w / 2 - z / 2), RoundEven(2 * h / 18),
                                               RoundEven(w / 2 + z / 2), RoundEven(7 * h / 18)),
                                         lit}};
    };
    auto minusBar = [&](bool lit) {
        return TSymbolPart{Block(RoundEven(2.5 * w / 10), RoundEven(13.5 * h / 18 - z / 2),
                                 RoundEven(7.5 * w / 10), RoundEven(13.5 * h / 18 + z / 2)),
                           lit};
    };
    switch (value) {
    case sscPeriod:
        return {{Block(c - Z, H - 2 * Z, c + Z, H), true}};
    case sscColon:
        return {{colonUpper(), true}, {colonLower(), true}};
    case sscSemiColon:
        return {{colonUpper(), true}, {colonLower(), true}, {tail(), true}};
    case sscComma:
        return {{colonLower(), true}, {tail(), true}};
    case sscPlus: {
        std::vector<TSymbolPart> parts = plusBars(true);
        if (showOffSegments) parts.push_back(minusBar(false));
        return parts;
    }
    case sscMinus: {
        std::vector<TSymbolPart> parts{minusBar(true)};
        if (showOffSegments) {
            for (TSymbolPart& p : plusBars(false))
                parts.push_back(std::move(p));
        }
        return parts;
    }
    case sscLine: {
        const int32_t m = (H - 1) / 2;
        return {{Block(M, m - Z / 2, W - M - 1, m + Z / 2), true}};
    }
    case sscUpArrow:
    case sscDownArrow: {
        const int32_t r = (W - 1 - 2 * M) / 2;
        const int32_t cx = (W - 1) / 2;
        const int32_t apex = value == sscUpArrow ? std::max(M, H / 2 - r) : std::min(H / 2 + r, H - M - 1);
        return {{{{cx - r, H / 2}, {cx + r, H / 2}, {cx, apex}}, true}};
    }
    default:
        return {};
    }
}

int32_t CharacterWidth(TSevenSegmentCharacter value, int32_t margin, int32_t segmentSize)
{
    switch (value) {
    case sscPeriod:
    case sscColon:
    case sscSemiColon:
    case sscComma:
        return 2 * margin + 2 * segmentSize;
    default:
        return 2 * margin + 10 * segmentSize;
    }
}

int32_t CharacterHeight(int32_t margin, int32_t segmentSize)
{
    return 2 * margin + 18 * segmentSize;
}

// --- The hexadecimal display -------------------------------------------------------

std::string NormaliseHexadecimalText(const std::string& text)
{
    if (text.size() >= 256) throw Exception(text + " exceeds 255 characters");
    std::string s = text;
    if (s.starts_with("$"))
        s.erase(0, 1);
    else if (s.starts_with("0x"))
        s.erase(0, 2);
    size_t zeros = 0;
    while (zeros + 1 < s.size() && s[zeros] == '0')
        ++zeros;
    s.erase(0, zeros);
    for (char& ch : s)
        if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
    if (Trim(s).empty()) return "0";
    for (char ch : s)
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            throw Exception(text + " not a valid Hexidecimal number");
    return s;
}

TDigitRow DigitRowLayout(int32_t width, int32_t height, int32_t digitCount, int32_t digitSpacing,
                         int32_t segmentMargin)
{
    TDigitRow row;
    const int32_t n = std::max(digitCount, 1);
    row.DigitWidth = (width - 2 * segmentMargin - (n - 1) * digitSpacing) / n;
    row.DigitHeight = height - 2 * segmentMargin;
    row.FirstX = (width + digitSpacing - n * (row.DigitWidth + digitSpacing)) / 2;
    row.Y = segmentMargin;
    return row;
}

std::vector<TSevenSegmentCharacter> DisplayCharacters(const std::string& value, int32_t digitCount,
                                                      TiLeadingStyle leading)
{
    const size_t n = static_cast<size_t>(std::max(digitCount, 0));
    if (value.size() > n) return std::vector<TSevenSegmentCharacter>(n, sscUpArrow);
    std::string shown = value;
    if (leading == ilsZeros)
        shown.insert(0, n - value.size(), '0');
    else if (leading == ilsSpaces)
        shown.insert(0, n - value.size(), ' ');
    std::vector<TSevenSegmentCharacter> out;
    out.reserve(shown.size());
    for (char ch : shown)
        out.push_back(ConvertCharacterToValue(ch));
    return out;
}

TGeoSize DisplayAutoSize(int32_t digitCount, int32_t digitSpacing, int32_t segmentMargin, int32_t segmentSize)
{
    const int32_t w = CharacterWidth(ssc0, 0, segmentSize);
    const int32_t h = CharacterHeight(0, segmentSize);
    return {(w + digitSpacing) * digitCount + 2 * segmentMargin - digitSpacing, h + 2 * segmentMargin};
}

// --- The switch panel ------------------------------------------------------------

TSwitchPanelLayout SwitchPanelLayout(const TSwitchPanelInput& in)
{
    TSwitchPanelLayout L;
    const int32_t W = in.Width, H = in.Height, TH = in.TextHeight;
    L.MarginTop = RoundEven(TH * in.MarginTop);
    L.MarginRow = RoundEven(TH * in.MarginRow);
    L.MarginBottom = RoundEven(TH * in.MarginBottom);
    const bool three = in.PositionCount >= 3;
    if (three) {
        const int32_t row2 = L.MarginTop + TH + L.MarginRow;
        L.Anchors = {TGeoPoint{W / 4, row2}, TGeoPoint{W / 2, L.MarginTop}, TGeoPoint{(3 * W) / 4, row2}};
        L.PanelHeight = L.MarginTop + TH + L.MarginRow + TH + L.MarginBottom;
    } else {
        L.Anchors = {TGeoPoint{W / 4, L.MarginTop}, TGeoPoint{(3 * W) / 4, L.MarginTop}, TGeoPoint{}};
        L.PanelHeight = TH + L.MarginTop + L.MarginBottom;
    }
    L.Center = {W / 2, (H - 1 + L.PanelHeight) / 2};
    L.KnobRadius = in.KnobRadius;
    if (in.KnobRadiusAutoSize)
        L.KnobRadius = std::min(W / 2 - in.KnobSideMargin, (H - L.PanelHeight) / 2 - in.KnobSideMargin);
    L.InnerRadius = L.KnobRadius - in.KnobHandleWidth;
    if (three)
        L.HandleAngle = in.Position == 0 ? 120 : in.Position == 1 ? 90 : 60;
    else
        L.HandleAngle = in.Position == 0 ? 120 : 60;
    const double a = L.HandleAngle;
    L.HandleEndA = GetXYRadPoint(a, L.InnerRadius, L.Center);
    L.HandleEndB = GetXYRadPoint(a + 180, L.InnerRadius, L.Center);
    const int32_t h = in.KnobHandleWidth / 2 + 1;
    L.Handle = {GetXYRadPoint(a + 90, h, L.HandleEndA), GetXYRadPoint(a - 90, h, L.HandleEndA),
                GetXYRadPoint(a - 90, h, L.HandleEndB), GetXYRadPoint(a + 90, h, L.HandleEndB)};
    return L;
}

double SwitchMouseAngle(TGeoPoint center, int32_t x, int32_t y)
{
    return static_cast<double>(iwm::RadToDeg(iwm::arctan2(y - center.Y, x - center.X)));
}

int RotationStep(double& reference, double current)
{
    double d = reference - current;
    if (d > 200) d -= 360;
    if (d < -200) d += 360;
    if (d > 22.5) {
        reference = current - 22.5;
        return -1;
    }
    if (d < -22.5) {
        reference = current + 22.5;
        return 1;
    }
    return 0;
}
