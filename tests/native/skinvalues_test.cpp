#include "skinfiles/skinvalues.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Load(TQuickIni& ini, const std::string& text)
{
    TMemoryStream s;
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    ini.LoadFromStream(&s);
}

constexpr TColor RGB3(int r, int g, int b)
{
    return r | (g << 8) | (b << 16);
}

} // namespace

TEST(SkinColourText, TakesNumbersEndedBySeparatorsAndAPendingOneOnlyAsTheThird)
{
    EXPECT_EQ(strcolor("237 236 226"), 0x00E2ECED);
    EXPECT_EQ(strcolor("10,20,30,"), RGB3(10, 20, 30));
    EXPECT_EQ(strcolor("10 20"), RGB3(10, 0, 0));
    EXPECT_EQ(strcolor("255"), clBlack);
    EXPECT_EQ(strcolor("  1;;2 x 3 4 5 "), RGB3(1, 2, 3));
    EXPECT_EQ(strcolor("256 257 511"), RGB3(0, 1, 255));
    // A run far too long for 32 bits is still taken modulo 256 (10^20 - 1 ends in 0xFF).
    EXPECT_EQ(strcolor("99999999999999999999 0 0"), RGB3(255, 0, 0));
}

TEST(SkinColourText, EmptyTextKeepsTheDefault)
{
    EXPECT_EQ(GetColor("", clBtnFace), clBtnFace);
    EXPECT_EQ(GetColor("0 0 0", clBtnFace), clBlack);
}

TEST(SkinColourText, RgbTriplesNeedAllThreeKeys)
{
    TQuickIni ini;
    Load(ini, "[P]\nActiveTextR=1\nActiveTextG=2\nActiveTextB=258\n"
              "InActiveTextR=5\nInActiveTextG=-1\nInActiveTextB=7\nZR=0\nZB=0\n");
    TColor c = clNone;
    EXPECT_TRUE(ReadRGB(ini, "P", "ActiveText", c));
    EXPECT_EQ(c, RGB3(1, 2, 2));
    c = clNone;
    EXPECT_FALSE(ReadRGB(ini, "P", "InActiveText", c));
    EXPECT_FALSE(ReadRGB(ini, "p", "Z", c));
    EXPECT_EQ(c, clNone);
}

TEST(SkinImageReference, ExtensionMustBeExactlyLowerCaseBmp)
{
    EXPECT_EQ(SkinImageName("Buttons.bmp"), "Buttons.bmp");
    EXPECT_EQ(SkinImageName("buttons.bmp"), "buttons.bmp");
    EXPECT_EQ(SkinImageName("Buttons.BMP"), "");
    EXPECT_EQ(SkinImageName("buttons.bmp.txt"), "");
    EXPECT_EQ(SkinImageName("buttons"), "");
    EXPECT_EQ(SkinImageName(""), "");
    EXPECT_EQ(SkinImageName("C:\\skins\\xp\\frametop.bmp"), "frametop.bmp");
    EXPECT_EQ(SkinImageName("skins/xp/frametop.bmp"), "frametop.bmp");
}

TEST(SkinSysButtons, SectionsAreChosenByNameAndAction)
{
    TQuickIni ini;
    Load(ini, "[Buttons]\nBitmap=b.bmp\n[Button]\nAction=0\n[Button.Radio]\n[BUTTON.CHECKBOX]\n"
              "[Button0]\nAction=0\n[Skins]\nVersion=200\n"
              "[ButtonGhost]\nAction=-1\n"               // hidden by default: dropped
              "[ButtonShown]\nAction=-1\nVisibility=0\n" // explicitly always shown: kept
              "[button9]\nAction=2\n[XButton]\nAction=1\n");
    const auto specs = ReadSysButtonSpecs(ini);
    ASSERT_EQ(specs.size(), 3u);
    EXPECT_EQ(specs[0].Name, "BUTTON0");
    EXPECT_EQ(specs[1].Name, "BUTTONSHOWN");
    EXPECT_EQ(specs[1].Visibility1, -1);
    EXPECT_EQ(specs[2].Name, "BUTTON9");
    EXPECT_EQ(specs[2].Section, "button9");
    EXPECT_EQ(specs[2].Visibility1, 0);
    EXPECT_EQ(specs[2].CombineOp, -1);
}

TEST(SkinSysButtons, MixedCaseKeysAndTheHelpButtonTakingTheMaximizePlace)
{
    TQuickIni ini;
    Load(ini, "[Button0]\nAction=4\nXCoord=99\nYcoord=1\n" // before any maximize: stays
              "[Button1]\nACTION=1\nVisibility=2\nxcoord=38\nYCOORD=6\nButtonImage=max.bmp\n"
              "[Button2]\nAction=1\nVisibility=1\nXcoord=70\nYcoord=7\n" // another maximize: not remembered
              "[Button5]\nAction=4\nXcoord=56\nYcoord=6\nVisibility=10\nFRAME=3\nCombineOp=2\n");
    const auto specs = ReadSysButtonSpecs(ini);
    ASSERT_EQ(specs.size(), 4u);
    EXPECT_EQ(specs[0].Xcoord, 99);
    EXPECT_EQ(specs[1].Xcoord, 38);
    EXPECT_EQ(specs[1].ImageRef, "max.bmp");
    EXPECT_EQ(specs[3].Xcoord, 38);
    EXPECT_EQ(specs[3].Ycoord, 6);
    EXPECT_EQ(specs[3].Visibility, 10);
    EXPECT_EQ(specs[3].Frame, 3);
    EXPECT_EQ(specs[3].CombineOp, 2);
}

TEST(SkinSysButtons, FrameCountGuessedFromTheImageShape)
{
    bool clear = true;
    EXPECT_EQ(SysButtonFrames(0, 96, 18, 0, clear), 6);
    EXPECT_FALSE(clear);
    EXPECT_EQ(SysButtonFrames(0, 54, 18, 0, clear), 3);
    EXPECT_EQ(SysButtonFrames(0, 68, 18, 0, clear), 3); // 3.78 is still "at most 3.8"
    EXPECT_EQ(SysButtonFrames(0, 69, 18, 0, clear), 6);
    EXPECT_EQ(SysButtonFrames(0, 54, 18, -1, clear), 6);
    EXPECT_EQ(SysButtonFrames(0, 0, 0, 0, clear), 6);
    EXPECT_EQ(SysButtonFrames(0, 96, 18, 3, clear), 6);
    EXPECT_TRUE(clear);
    EXPECT_EQ(SysButtonFrames(0, 96, 18, 11, clear), 6);
    EXPECT_TRUE(clear);
    // A given count is taken as it stands, image and all.
    EXPECT_EQ(SysButtonFrames(4, 54, 18, 3, clear), 4);
    EXPECT_FALSE(clear);
}

TEST(SkinCheckFrames, GuessedPerCellWidthWithAFloorOfFour)
{
    EXPECT_EQ(CheckFrames(0, 156, 13), 12);
    EXPECT_EQ(CheckFrames(0, 160, 16), 10);
    EXPECT_EQ(CheckFrames(0, 26, 13), 4);
    EXPECT_EQ(CheckFrames(0, 0, 0), 4);
    EXPECT_EQ(CheckFrames(8, 156, 13), 8);
}

TEST(SkinPreColors, SectionsBeginningWithColourButNotColours)
{
    TQuickIni ini;
    Load(ini, "[Colours]\n[Colour1]\ncolor=1 2 3\n[COLOURFUL]\n[colours]\n[XColour]\n[colour]\n");
    const auto names = PreColorSections(ini);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "Colour1");
    EXPECT_EQ(names[1], "COLOURFUL");
    EXPECT_EQ(names[2], "colour");
}
