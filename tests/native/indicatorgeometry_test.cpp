// The seven-segment and switch-panel arithmetic: character sets, text
// normalisation, the display's size and digit row, segment and symbol
// shapes, the switch panel's layout and its rotation steps.
#include <gtest/gtest.h>

#include "widgets/iindicatorgeometry.h"

// Found by argument-dependent lookup, so it lives beside the point type.
namespace iwm {
static void PrintTo(const Point& p, std::ostream* os)
{
    *os << "(" << p.X << ", " << p.Y << ")";
}
} // namespace iwm

namespace {

TEST(SevenSegmentCharacters, TableAndConversionsAgree)
{
    EXPECT_EQ(SevenSegmentBits(sscE), 0x79); // a d e f g
    EXPECT_EQ(SevenSegmentBits(ssc1), 0x06); // b c
    EXPECT_EQ(SevenSegmentBits(ssc9), 0x67); // no bottom segment
    EXPECT_EQ(SevenSegmentBits(sscB), 0x7C);
    EXPECT_EQ(SevenSegmentBits(sscD), 0x5E);
    for (int v = sscPeriod; v <= sscComma; ++v)
        EXPECT_EQ(SevenSegmentBits(static_cast<TSevenSegmentCharacter>(v)), 0) << v;

    for (int v = ssc0; v <= sscComma; ++v) {
        const char c = CharacterOfValue(v);
        EXPECT_EQ(ConvertCharacterToValue(c), v) << c;
    }
    EXPECT_EQ(ConvertCharacterToValue('A'), sscA);
    EXPECT_EQ(ConvertCharacterToValue('f'), sscF);
    EXPECT_EQ(ConvertCharacterToValue('G'), sscBlank);
    EXPECT_EQ(CharacterOfValue(sscA), 'a');
    EXPECT_EQ(CharacterOfValue(26), '?');
    EXPECT_EQ(CharacterOfValue(-1), '?');
    EXPECT_FALSE(IsSegmentSymbol(sscBlank));
    EXPECT_TRUE(IsSegmentSymbol(sscUpArrow));
}

TEST(HexadecimalText, NormalisesPrefixesZerosAndCase)
{
    EXPECT_EQ(NormaliseHexadecimalText("0x00ff"), "FF");
    EXPECT_EQ(NormaliseHexadecimalText("$0"), "0");
    EXPECT_EQ(NormaliseHexadecimalText(""), "0");
    EXPECT_EQ(NormaliseHexadecimalText("   "), "0");
    EXPECT_EQ(NormaliseHexadecimalText("000"), "0");
    EXPECT_EQ(NormaliseHexadecimalText("0x"), "0");
    EXPECT_EQ(NormaliseHexadecimalText("E1"), "E1");
    EXPECT_EQ(NormaliseHexadecimalText("085"), "85");
}

TEST(HexadecimalText, RejectsWithTheTextInTheMessage)
{
    auto message = [](const std::string& text) {
        try {
            NormaliseHexadecimalText(text);
        } catch (const Exception& e) {
            return e.Message;
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("12G"), "12G not a valid Hexidecimal number");
    EXPECT_EQ(message("0X12"), "0X12 not a valid Hexidecimal number") << "only a lower-case x is a prefix";
    EXPECT_EQ(message(" 1"), " 1 not a valid Hexidecimal number") << "blanks inside a value are not digits";
    EXPECT_EQ(message("$$1"), "$$1 not a valid Hexidecimal number");
    const std::string longText(256, '1');
    EXPECT_EQ(message(longText), longText + " exceeds 255 characters");
    EXPECT_EQ(NormaliseHexadecimalText(std::string(255, '1')).size(), 255u);
}

TEST(SevenSegmentDisplay, PanelDisplaySizeAndDigitRow)
{
    EXPECT_EQ(DisplayAutoSize(3, 18, 10, 9), (TGeoSize{326, 182}));
    EXPECT_EQ(DisplayAutoSize(4, 6, 5, 1), (TGeoSize{4 * 16 + 10 - 6, 28}));
    const TDigitRow row = DigitRowLayout(326, 182, 3, 18, 10);
    EXPECT_EQ(row.DigitWidth, 90);
    EXPECT_EQ(row.DigitHeight, 162);
    EXPECT_EQ(row.FirstX, 10);
    EXPECT_EQ(row.Y, 10);
    // A wider control centres the row; the odd pixel is lost to the digits.
    const TDigitRow wide = DigitRowLayout(340, 182, 3, 18, 10);
    EXPECT_EQ(wide.DigitWidth, 94);
    EXPECT_EQ(wide.FirstX, (340 + 18 - 3 * 112) / 2);
    EXPECT_EQ(CharacterWidth(sscPeriod, 2, 3), 10);
    EXPECT_EQ(CharacterWidth(sscE, 2, 3), 34);
    EXPECT_EQ(CharacterHeight(2, 3), 58);
}

TEST(SevenSegmentDisplay, CharactersPaddedOrOverflowing)
{
    using V = std::vector<TSevenSegmentCharacter>;
    EXPECT_EQ(DisplayCharacters("E1", 3, ilsSpaces), (V{sscBlank, sscE, ssc1}));
    EXPECT_EQ(DisplayCharacters("E1", 3, ilsZeros), (V{ssc0, sscE, ssc1}));
    EXPECT_EQ(DisplayCharacters("E1", 3, ilsNone), (V{sscE, ssc1}));
    EXPECT_EQ(DisplayCharacters("85", 2, ilsSpaces), (V{ssc8, ssc5}));
    EXPECT_EQ(DisplayCharacters("12345", 4, ilsZeros), V(4, sscUpArrow));
}

TEST(SevenSegmentShapes, SegmentsOfThePanelDigit)
{
    const TSegmentMetrics g{90, 162, 0, 2, 9}; // m = 80
    EXPECT_EQ(SegmentPolygon(segA, g), (TGeoPolygon{{2, 0}, {87, 0}, {69, 18}, {20, 18}}));
    EXPECT_EQ(SegmentPolygon(segB, g), (TGeoPolygon{{89, 2}, {89, 78}, {71, 60}, {71, 20}}));
    EXPECT_EQ(SegmentPolygon(segC, g), (TGeoPolygon{{89, 82}, {89, 159}, {71, 141}, {71, 100}}));
    EXPECT_EQ(SegmentPolygon(segD, g), (TGeoPolygon{{2, 161}, {87, 161}, {69, 143}, {20, 143}}));
    EXPECT_EQ(SegmentPolygon(segE, g), (TGeoPolygon{{0, 82}, {0, 159}, {18, 141}, {18, 100}}));
    EXPECT_EQ(SegmentPolygon(segF, g), (TGeoPolygon{{0, 2}, {0, 78}, {18, 60}, {18, 20}}));
    EXPECT_EQ(SegmentPolygon(segG, g),
              (TGeoPolygon{{2, 80}, {11, 71}, {78, 71}, {87, 80}, {78, 89}, {11, 89}}));
    // The drawer's own margin moves everything inward.
    const TSegmentMetrics inset{90, 162, 3, 2, 9};
    EXPECT_EQ(SegmentPolygon(segA, inset)[0], (TGeoPoint{5, 3}));
    EXPECT_EQ(SegmentPolygon(segE, inset)[0], (TGeoPoint{3, 82}));
}

TEST(SevenSegmentShapes, Symbols)
{
    const TSegmentMetrics g{90, 162, 0, 2, 9};
    auto up = SymbolParts(sscUpArrow, g, false);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].Points, (TGeoPolygon{{0, 81}, {88, 81}, {44, 37}}));
    auto down = SymbolParts(sscDownArrow, g, false);
    EXPECT_EQ(down[0].Points[2], (TGeoPoint{44, 125}));
    // A tall narrow digit: the arrow's apex stops at the margin.
    auto tall = SymbolParts(sscUpArrow, TSegmentMetrics{41, 20, 2, 1, 1}, false);
    EXPECT_EQ(tall[0].Points[2], (TGeoPoint{20, 2}));

    auto period = SymbolParts(sscPeriod, g, true);
    ASSERT_EQ(period.size(), 1u);
    EXPECT_EQ(period[0].Points, (TGeoPolygon{{36, 144}, {54, 144}, {54, 162}, {36, 162}}));
    EXPECT_EQ(SymbolParts(sscColon, g, true).size(), 2u);
    EXPECT_EQ(SymbolParts(sscSemiColon, g, true).size(), 3u);
    EXPECT_EQ(SymbolParts(sscComma, g, true).size(), 2u);

    auto plus = SymbolParts(sscPlus, g, true);
    ASSERT_EQ(plus.size(), 3u);
    EXPECT_TRUE(plus[0].Lit && plus[1].Lit);
    EXPECT_FALSE(plus[2].Lit);
    // The minus bar: x round(22.5) .. round(67.5), halves to even; y 121.5 -+ 4.5.
    EXPECT_EQ(plus[2].Points, (TGeoPolygon{{22, 117}, {68, 117}, {68, 126}, {22, 126}}));
    EXPECT_EQ(SymbolParts(sscPlus, g, false).size(), 2u);
    auto minus = SymbolParts(sscMinus, g, true);
    ASSERT_EQ(minus.size(), 3u);
    EXPECT_TRUE(minus[0].Lit);
    EXPECT_FALSE(minus[1].Lit || minus[2].Lit);

    auto line = SymbolParts(sscLine, g, false);
    EXPECT_EQ(line[0].Points, (TGeoPolygon{{0, 76}, {89, 76}, {89, 84}, {0, 84}}));
    EXPECT_TRUE(SymbolParts(sscBlank, g, true).empty());
    EXPECT_TRUE(SymbolParts(ssc8, g, true).empty());
}

TEST(SwitchPanelGeometry, ThePanelsSwitch)
{
    TSwitchPanelInput in;
    in.Width = 97;
    in.Height = 111;
    in.TextHeight = 13;
    const TSwitchPanelLayout L = SwitchPanelLayout(in);
    EXPECT_EQ(L.MarginTop, 3);
    EXPECT_EQ(L.MarginRow, 3);
    EXPECT_EQ(L.MarginBottom, 3);
    EXPECT_EQ(L.Anchors[1], (TGeoPoint{48, 3}));
    EXPECT_EQ(L.Anchors[0], (TGeoPoint{24, 19}));
    EXPECT_EQ(L.Anchors[2], (TGeoPoint{72, 19}));
    EXPECT_EQ(L.PanelHeight, 35);
    EXPECT_EQ(L.Center, (TGeoPoint{48, 72}));
    EXPECT_EQ(L.KnobRadius, 38);
    EXPECT_EQ(L.InnerRadius, 28);
    EXPECT_EQ(L.HandleEndA, (TGeoPoint{34, 48}));
    EXPECT_EQ(L.HandleEndB, (TGeoPoint{62, 96}));
    // The bar is h = 6 to each side of the ends, across the handle's direction.
    EXPECT_EQ(L.Handle[0], iwm::GetXYRadPoint(210, 6, L.HandleEndA));
    EXPECT_EQ(L.Handle[2], iwm::GetXYRadPoint(30, 6, L.HandleEndB));

    in.Position = 1;
    EXPECT_EQ(SwitchPanelLayout(in).HandleEndA, (TGeoPoint{48, 44}));
    in.Position = 2;
    EXPECT_EQ(SwitchPanelLayout(in).HandleEndA, (TGeoPoint{62, 48}));
}

TEST(SwitchPanelGeometry, TwoPositionsMarginsAndFixedRadius)
{
    TSwitchPanelInput in;
    in.Width = 100;
    in.Height = 150;
    in.TextHeight = 14; // 14 * 0.25 = 3.5 rounds to 4
    in.PositionCount = 2;
    in.Position = 1;
    in.KnobSideMargin = 5;
    TSwitchPanelLayout L = SwitchPanelLayout(in);
    EXPECT_EQ(L.MarginTop, 4);
    EXPECT_EQ(L.Anchors[0], (TGeoPoint{25, 4}));
    EXPECT_EQ(L.Anchors[1], (TGeoPoint{75, 4}));
    EXPECT_EQ(L.PanelHeight, 22);
    EXPECT_EQ(L.Center, (TGeoPoint{50, 85}));
    EXPECT_EQ(L.KnobRadius, 45); // the width is the tighter limit
    EXPECT_EQ(L.HandleAngle, 60);

    in.TextHeight = 10; // 2.5 rounds to 2
    in.KnobRadiusAutoSize = false;
    in.KnobRadius = 20;
    L = SwitchPanelLayout(in);
    EXPECT_EQ(L.MarginTop, 2);
    EXPECT_EQ(L.KnobRadius, 20);
    EXPECT_EQ(L.InnerRadius, 10);
}

TEST(SwitchPanelGeometry, RotationStepsEvery22AndAHalfDegrees)
{
    double ref = 0;
    EXPECT_EQ(RotationStep(ref, -22.5), 0);
    EXPECT_EQ(RotationStep(ref, -23), -1);
    EXPECT_DOUBLE_EQ(ref, -45.5);
    EXPECT_EQ(RotationStep(ref, -23), 0);
    EXPECT_EQ(RotationStep(ref, -22), 1);
    EXPECT_DOUBLE_EQ(ref, 0.5);
    // Across the seam at 180 degrees the shorter way counts.
    ref = 170;
    EXPECT_EQ(RotationStep(ref, -170), 0);
    EXPECT_EQ(RotationStep(ref, -160), 1);
    ref = -170;
    EXPECT_EQ(RotationStep(ref, 160), -1);

    EXPECT_DOUBLE_EQ(SwitchMouseAngle({48, 72}, 58, 72), 0);
    EXPECT_DOUBLE_EQ(SwitchMouseAngle({48, 72}, 48, 82), 90) << "clockwise on the screen";
}

} // namespace
