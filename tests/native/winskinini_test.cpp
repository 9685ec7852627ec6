#include "skinfiles/winskinini.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

void Load(TQuickIni& ini, const std::string& text)
{
    TMemoryStream s;
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    ini.LoadFromStream(&s);
}

std::vector<std::string> List(const TStrings& strings)
{
    std::vector<std::string> out;
    for (int i = 0; i < strings.Count(); ++i)
        out.push_back(strings.Get(i));
    return out;
}

std::vector<std::string> Sections(const TQuickIni& ini)
{
    TStringList s;
    ini.ReadSections(s);
    return List(s);
}

std::string Saved(const TQuickIni& ini)
{
    TMemoryStream s;
    ini.SaveToStream(&s);
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + "orvane_ini_" + name;
}

// Every header in the index must still name its line: lookups rely on it.
void ExpectIndexConsistent(const TQuickIni& ini)
{
    const TStringList& sections = ini.Sections();
    for (int i = 0; i < sections.Count(); ++i) {
        const int line = static_cast<int>(sections.Objects(i));
        ASSERT_LT(line, ini.Lines().Count());
        EXPECT_EQ(Trim(ini.Lines().Get(line)), sections.Get(i));
    }
}

const char kSkin[] = "[Buttons]\n"
                     "Bitmap=Buttons.bmp\n"
                     "Trans=1\n"
                     "[Colours]\n"
                     "Text=$FF\n"
                     "[Title]\n"
                     "Left=4\n"
                     "Top=2\n";

TEST(QuickIniLoad, TrimsNamesAndValuesAndIgnoresTheirCase)
{
    TQuickIni ini;
    Load(ini, "[Buttons]\r\n  Bitmap =  Buttons.bmp  \r\n\tTrans=1\t\r\n");
    for (const char* ident : {"bitmap", "BITMAP", "Bitmap"})
        EXPECT_EQ(ini.ReadString("Buttons", ident, "none"), "Buttons.bmp") << ident;
    EXPECT_EQ(ini.ReadInteger("Buttons", "trans", 0), 1);
    EXPECT_EQ(ini.ReadString("Buttons", " bitmap", "none"), "none");
}

TEST(QuickIniLoad, SectionNamesMatchWithoutCaseButWithTheirBlanks)
{
    TQuickIni ini;
    Load(ini, "[COLOURS]\nText=1\n[ Title ]\nHeight=20\n");
    EXPECT_EQ(ini.ReadInteger("Colours", "text", 0), 1);
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"COLOURS", "Title"}));
    // Listed as "Title", but only the name inside the brackets finds it.
    EXPECT_EQ(ini.ReadInteger("Title", "height", -1), -1);
    EXPECT_EQ(ini.ReadInteger(" Title ", "height", -1), 20);
    EXPECT_EQ(ini.GetSectionIndex(" title "), 2);
    EXPECT_EQ(ini.GetSectionIndex("Missing"), -1);
}

TEST(QuickIniLoad, FirstOccurrenceWins)
{
    TQuickIni ini;
    Load(ini, "[A]\nKey=\nKey=late\nOther=1\nOther=2\n[B]\nX=first\n[b]\nX=second\nY=only-in-second\n");
    EXPECT_EQ(ini.ReadString("A", "key", "def"), "def"); // an empty first value still decides
    EXPECT_EQ(ini.ReadInteger("A", "other", 0), 1);
    EXPECT_EQ(ini.ReadString("B", "x", ""), "first");
    EXPECT_EQ(ini.ReadString("B", "y", "def"), "def"); // the second [b] is never searched
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"A", "B", "b"}));
}

TEST(QuickIniLoad, WhatTheParserKeepsAndDrops)
{
    TQuickIni ini;
    Load(ini, "Orphan=1\n"
              "; a comment\n"
              "   ;indented comment\n"
              "\n"
              "   \t\n"
              "[S]\r\n"
              "Url=a;b ; c\r"
              "NoEquals\n\r"
              "Last=z\0[Hidden]\nH=1\n"s);
    EXPECT_EQ(List(ini.Lines()),
              (std::vector<std::string>{"Orphan=1", "[S]", "Url=a;b ; c", "NoEquals", "Last=z"}));
    EXPECT_EQ(ini.ReadString("S", "url", ""), "a;b ; c");
    EXPECT_EQ(ini.ReadString("S", "last", ""), "z");
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"S"})); // the NUL ended the text
    // Kept, but outside every section, so unreachable.
    EXPECT_EQ(ini.ReadString("", "orphan", "def"), "def");

    TStringList names;
    ini.ReadSection("S", names);
    EXPECT_EQ(List(names), (std::vector<std::string>{"url", "last"}));
    TStringList values;
    ini.ReadSectionValues("s", values);
    EXPECT_EQ(List(values), (std::vector<std::string>{"Url=a;b ; c", "NoEquals", "Last=z"}));

    // Comments and blank lines do not come back on saving.
    EXPECT_EQ(Saved(ini), "Orphan=1\r\n[S]\r\nUrl=a;b ; c\r\nNoEquals\r\nLast=z\r\n");
}

TEST(QuickIniLoad, LoadReplacesAndMissingStreamKeeps)
{
    TQuickIni ini;
    Load(ini, kSkin);
    ini.LoadFromStream(nullptr);
    EXPECT_EQ(ini.ReadInteger("Title", "top", 0), 2);
    Load(ini, "[Other]\nA=1\n");
    EXPECT_EQ(ini.ReadInteger("Title", "top", 0), 0);
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Other"}));

    // Loading starts at the stream's position.
    TMemoryStream s;
    const std::string text = "[Skip]\n[Keep]\nK=v\n";
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(7);
    ini.LoadFromStream(&s);
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Keep"}));
}

TEST(QuickIniRead, IntegersAndBooleans)
{
    TQuickIni ini;
    Load(ini, "[N]\nHex=0x1F\nHexUpper=0X1F\nDollar=$1F\nNeg=-7\nTrailing=12abc\nBare=0x\nEmpty=\n"
              "Big=2147483648\nAllOnes=$FFFFFFFF\nZero=0\nOne=1\nFive=5\nTrue=true\nFalse=false\n");
    EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "hexupper", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -7);
    EXPECT_EQ(ini.ReadInteger("N", "allones", 0), -1);
    for (const char* bad : {"trailing", "bare", "empty", "big", "missing"})
        EXPECT_EQ(ini.ReadInteger("N", bad, 99), 99) << bad;

    EXPECT_FALSE(ini.ReadBool("N", "zero", true));
    EXPECT_TRUE(ini.ReadBool("N", "one", false));
    EXPECT_TRUE(ini.ReadBool("N", "five", false));
    for (bool def : {false, true}) {
        EXPECT_EQ(ini.ReadBool("N", "true", def), def);
        EXPECT_EQ(ini.ReadBool("N", "false", def), def);
    }
}

TEST(QuickIniRead, EmptyStoreAnswersDefaults)
{
    TQuickIni ini;
    EXPECT_EQ(ini.ReadString("A", "b", "d"), "d");
    TStringList s;
    s.Add("stale");
    ini.ReadSection("A", s);
    EXPECT_EQ(s.Count(), 0);
}

TEST(QuickIniWrite, NewKeyInAMiddleSectionKeepsLaterSectionsReadable)
{
    TQuickIni ini;
    Load(ini, kSkin);
    ini.WriteString("Buttons", "Down", "Down.bmp");
    ini.WriteInteger("Colours", "Face", -3);
    ExpectIndexConsistent(ini);
    EXPECT_EQ(ini.ReadString("Buttons", "down", ""), "Down.bmp");
    EXPECT_EQ(ini.ReadInteger("Colours", "face", 0), -3);
    EXPECT_EQ(ini.ReadInteger("Colours", "text", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Title", "left", 0), 4);
    EXPECT_EQ(ini.ReadInteger("Title", "top", 0), 2);
    // The key goes at the end of its own section, with the caller's case.
    EXPECT_EQ(ini.Lines().Get(3), "Down=Down.bmp");
}

TEST(QuickIniWrite, ReplaceAppendAndCreate)
{
    TQuickIni ini;
    Load(ini, kSkin);
    ini.WriteString("buttons", "BITMAP", "Other.bmp");
    EXPECT_EQ(ini.Lines().Get(1), "BITMAP=Other.bmp");
    ini.WriteBool("Title", "Shown", true);
    EXPECT_EQ(ini.Lines().Get(ini.Lines().Count() - 1), "Shown=1");
    ini.WriteString("Menu", "Font", "Tahoma");
    ini.WriteString("Empty", "", "ignored");
    ExpectIndexConsistent(ini);
    EXPECT_EQ(ini.ReadString("Menu", "font", ""), "Tahoma");
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Buttons", "Colours", "Title", "Menu", "Empty"}));
    EXPECT_EQ(ini.Lines().Get(ini.Lines().Count() - 1), "[Empty]");

    // An empty ident into an existing section touches no line, even one without "=".
    TQuickIni other;
    Load(other, "[S]\nNoEquals\n[T]\n");
    other.WriteString("S", "", "x");
    EXPECT_EQ(List(other.Lines()), (std::vector<std::string>{"[S]", "NoEquals", "[T]"}));
}

TEST(QuickIniWrite, DeleteKeyAndEraseSection)
{
    TQuickIni ini;
    Load(ini, kSkin);
    ini.DeleteKey("Buttons", "BITMAP");
    ini.DeleteKey("Buttons", "absent");
    ExpectIndexConsistent(ini);
    EXPECT_EQ(ini.ReadString("Buttons", "bitmap", "gone"), "gone");
    EXPECT_EQ(ini.ReadInteger("Title", "top", 0), 2);

    ini.EraseSection("COLOURS");
    ExpectIndexConsistent(ini);
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Buttons", "Title"}));
    EXPECT_EQ(ini.ReadInteger("Colours", "text", 0), 0);
    EXPECT_EQ(ini.ReadInteger("Title", "left", 0), 4);
    // A blank line stands where the erased section was.
    EXPECT_EQ(List(ini.Lines()),
              (std::vector<std::string>{"[Buttons]", "Trans=1", "", "[Title]", "Left=4", "Top=2"}));

    // The first section leaves no blank behind; its own trailing blank goes with it.
    ini.EraseSection("Buttons");
    EXPECT_EQ(ini.Lines().Get(0), "[Title]");
    ini.Clear();
    Load(ini, kSkin);
    ini.EraseSection("Buttons");
    EXPECT_EQ(ini.Lines().Get(0), "[Colours]");
    ini.DeleteKey("Colours", "");
    EXPECT_EQ(ini.Lines().Count(), 5);
}

TEST(QuickIniLines, SetIniFileKeepsLinesAsGiven)
{
    TStringList given;
    for (const char* l : {"; note", " [Pad] ", "[Real]", "  Key = v ", ""})
        given.Add(l);
    TQuickIni ini;
    ini.SetIniFile(given);
    EXPECT_EQ(List(ini.Lines()), List(given));
    // Only a line that starts and ends with its brackets is indexed.
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Real"}));
    EXPECT_EQ(ini.ReadString("Real", "key", ""), "v");

    EXPECT_TRUE(TQuickIni::IsSection(" [Pad] "));
    EXPECT_FALSE(TQuickIni::IsSection("["));
    EXPECT_EQ(TQuickIni::GetName(" Key A = v=w"), "key a");
    EXPECT_EQ(TQuickIni::GetName("NoEquals"), "");
    EXPECT_EQ(TQuickIni::GetValue(" Key A = v=w ", "key a"), "v=w");
}

TEST(QuickIniFiles, SaveAndLoadRoundTrip)
{
    const std::string path = TempPath("plain.ini");
    TQuickIni ini;
    Load(ini, kSkin);
    ini.WriteString("Title", "Caption", "Panel ; with semicolon");
    ini.SaveToFile(path);

    TQuickIni back;
    back.LoadFromFile(path);
    EXPECT_EQ(List(back.Lines()), List(ini.Lines()));
    EXPECT_EQ(back.ReadString("Title", "caption", ""), "Panel ; with semicolon");
    std::remove(path.c_str());
}

TEST(QuickIniFiles, PackedRoundTrip)
{
    const std::string path = TempPath("packed.ini.lzh");
    TQuickIni ini;
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "[Section" + std::to_string(i) + "]\nBitmap=b" + std::to_string(i) + ".bmp\n";
    Load(ini, text);
    ini.SavetoZip(path);

    TMemoryStream packed;
    packed.LoadFromFile(path);
    // The size prefix says how much text there is; repetition packs well.
    EXPECT_EQ(packed.ReadInt32(), static_cast<int32_t>(Saved(ini).size()));
    EXPECT_LT(packed.GetSize(), static_cast<int64_t>(Saved(ini).size()));

    TQuickIni back;
    back.LoadFromZip(path);
    EXPECT_EQ(List(back.Lines()), List(ini.Lines()));
    EXPECT_EQ(back.ReadString("Section59", "bitmap", ""), "b59.bmp");
    std::remove(path.c_str());
}

TEST(QuickIniFiles, MissingFileNamesTheFile)
{
    const std::string path = TempPath("does-not-exist.ini");
    TQuickIni ini;
    Load(ini, kSkin);
    for (int packed = 0; packed < 2; ++packed) {
        try {
            if (packed)
                ini.LoadFromZip(path);
            else
                ini.LoadFromFile(path);
            ADD_FAILURE() << "no error for a missing file";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message, "Cannot open file \"" + path + "\"");
        }
        // A failed load leaves what was there.
        EXPECT_EQ(ini.ReadInteger("Title", "top", 0), 2);
    }
}

} // namespace
