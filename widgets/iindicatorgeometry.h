// The arithmetic behind the seven-segment display and the switch panel:
// which segments a character lights, where each segment and symbol lies,
// how the hexadecimal display normalises its text and sizes itself, and
// where the switch panel puts its captions, knob and handle. Portable, so
// that it is checked natively and under the sanitizers; the widgets only
// hand these shapes to the canvas.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "components/typinfo.h"
#include "widgets/iwidgetmath.h"

ORVANE_ENUM(TSevenSegmentCharacter, ssc0, ssc1, ssc2, ssc3, ssc4, ssc5, ssc6, ssc7, ssc8, ssc9, sscA, sscB,
            sscC, sscD, sscE, sscF, sscPeriod, sscColon, sscPlus, sscMinus, sscBlank, sscLine, sscUpArrow,
            sscDownArrow, sscSemiColon, sscComma)
ORVANE_ENUM(TSegment, segA, segB, segC, segD, segE, segF, segG)
ORVANE_ENUM(TiLeadingStyle, ilsNone, ilsZeros, ilsSpaces)

using TGeoPoint = iwm::Point;

using TGeoPolygon = std::vector<TGeoPoint>;

// --- Seven-segment characters ---------------------------------------------------

// Segment n in bit n; symbols (and sscBlank) light none of the seven.
uint8_t SevenSegmentBits(TSevenSegmentCharacter value);
bool IsSegmentSymbol(TSevenSegmentCharacter value);
TSevenSegmentCharacter ConvertCharacterToValue(char c);
// The inverse: lower-case "a".."f", " " for sscBlank, "?" outside the set.
char CharacterOfValue(int value);

// The drawing dimensions of one character: W x H at its origin, margin M,
// separation S and segment size Z, as the drawer's properties give them.
struct TSegmentMetrics {
    int32_t W = 0, H = 0, M = 0, S = 0, Z = 1;
};

// The filled polygon of one segment, relative to the character's origin.
TGeoPolygon SegmentPolygon(TSegment segment, const TSegmentMetrics& m);

// A symbol is drawn as blocks and triangles; the plus and minus also show
// the other sign's bars unlit when off segments are shown.
struct TSymbolPart {
    TGeoPolygon Points;
    bool Lit = true;
};
std::vector<TSymbolPart> SymbolParts(TSevenSegmentCharacter value, const TSegmentMetrics& m,
                                     bool showOffSegments);

int32_t CharacterWidth(TSevenSegmentCharacter value, int32_t margin, int32_t segmentSize);
int32_t CharacterHeight(int32_t margin, int32_t segmentSize);

// --- The hexadecimal display -------------------------------------------------------

// Strips "$" or "0x" and surplus leading zeros and upper-cases the digits;
// blank text becomes "0". Raises Exception for text of 256 characters or more
// and for any character that is not a hexadecimal digit.
std::string NormaliseHexadecimalText(const std::string& text);

struct TDigitRow {
    int32_t DigitWidth = 0, DigitHeight = 0;
    int32_t FirstX = 0, Y = 0;
};
TDigitRow DigitRowLayout(int32_t width, int32_t height, int32_t digitCount, int32_t digitSpacing,
                         int32_t segmentMargin);
// The characters drawn, left to right: up arrows when the text is longer than
// the row, else the text padded as the leading style says.
std::vector<TSevenSegmentCharacter> DisplayCharacters(const std::string& value, int32_t digitCount,
                                                      TiLeadingStyle leading);
struct TGeoSize {
    int32_t Width = 0, Height = 0;
    constexpr bool operator==(const TGeoSize&) const = default;
};
TGeoSize DisplayAutoSize(int32_t digitCount, int32_t digitSpacing, int32_t segmentMargin,
                         int32_t segmentSize);

// --- The switch panel ------------------------------------------------------------

struct TSwitchPanelInput {
    int32_t Width = 0, Height = 0;
    int32_t TextHeight = 0; // of "A", the taller of the two caption fonts
    int32_t PositionCount = 3;
    int32_t Position = 0;
    double MarginTop = 0.25, MarginRow = 0.25, MarginBottom = 0.25;
    bool KnobRadiusAutoSize = true;
    int32_t KnobRadius = 0;
    int32_t KnobSideMargin = 0;
    int32_t KnobHandleWidth = 10;
};

struct TSwitchPanelLayout {
    int32_t MarginTop = 0, MarginRow = 0, MarginBottom = 0;
    int32_t PanelHeight = 0;
    std::array<TGeoPoint, 3> Anchors{}; // caption centre x, top y; unused ones stay (0, 0)
    TGeoPoint Center;
    int32_t KnobRadius = 0;
    int32_t InnerRadius = 0;
    double HandleAngle = 0;
    TGeoPoint HandleEndA, HandleEndB;
    std::array<TGeoPoint, 4> Handle{};
};
TSwitchPanelLayout SwitchPanelLayout(const TSwitchPanelInput& in);

// The mouse's angle around the centre in screen terms (degrees, growing
// clockwise on the screen).
double SwitchMouseAngle(TGeoPoint center, int32_t x, int32_t y);
// One rotation step from the reference angle to the current one: -1 when
// turned counter-clockwise by more than 22.5 degrees, +1 clockwise, else 0.
// The reference moves with each step.
int RotationStep(double& reference, double current);
