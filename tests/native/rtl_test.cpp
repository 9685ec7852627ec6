// The portable runtime's behaviour that the codec, the ini store, the package
// reader and the layouts depend on.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "runtime/classes.h"
#include "runtime/savefile.h"
#include "runtime/sysutils.h"

TEST(StrToInt, AcceptsDecimalSignsBlanksAndBothHexForms)
{
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -7"), -7);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x1F"), 31);
    EXPECT_EQ(StrToInt("0X1f"), 31);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1); // hex is a bit pattern
    EXPECT_EQ(StrToInt("$80000000"), INT32_MIN);
}

TEST(StrToInt, RejectsTextThatDoesNotConvertWhole)
{
    for (const char* bad :
         {"", " ", "12abc", "0x", "$", "-", "1 2", "2147483648", "$100000000", "1.5", "x1"}) {
        int32_t v = 99;
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
        EXPECT_EQ(v, 99) << bad;
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    }
    EXPECT_EQ(StrToIntDef("nope", 3), 3);
}

TEST(Text, TrimRemovesBlanksAndControlCharactersOnly)
{
    EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(LowerCase("Buttons.BMP"), "buttons.bmp");
    EXPECT_EQ(LowerCase("\xC4"), "\xC4"); // ASCII only
    EXPECT_TRUE(SameText("COLOURS", "colours"));
    EXPECT_EQ(IntToHex(0xEB, 2), "EB");
    EXPECT_EQ(IntToHex(5, 4), "0005");
}

TEST(MemoryStream, ReadsWritesSeeksAndCopiesExactCounts)
{
    TMemoryStream m;
    m.WriteInt32(-2);
    m.WriteBuffer("abc", 3);
    EXPECT_EQ(m.GetSize(), 7);
    m.SetPosition(0);
    EXPECT_EQ(m.ReadInt32(), -2);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 3); // short read returns what is there
    EXPECT_STREQ(buf, "abc");
    EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);

    // Writing past the end after a seek fills the gap with zeros.
    m.Seek(2, soEnd);
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.GetSize(), 10);
    EXPECT_EQ(m.Memory()[7], 0);

    TMemoryStream copy;
    m.SetPosition(4);
    EXPECT_EQ(copy.CopyFrom(m, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Memory()), 3), "abc");
    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(m, 0), 10); // 0 means the whole source
    EXPECT_EQ(whole.Bytes(), m.Bytes());
    EXPECT_THROW(whole.CopyFrom(m, 1), EReadError); // source is at its end
}

TEST(FileStream, RoundTripsAndReportsMissingFilesByName)
{
    const std::string name = ::testing::TempDir() + "orvane_rtl_test.bin";
    {
        TMemoryStream m;
        m.WriteBuffer("hello", 5);
        m.SaveToFile(name);
    }
    TMemoryStream back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.GetSize(), 5);
    EXPECT_EQ(back.GetPosition(), 0);
    std::remove(name.c_str());
    EXPECT_FALSE(FileExists(name));
    try {
        back.LoadFromFile(name);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file \"" + name + "\"");
    }
}

// What the tools write (packages, extracted and unpacked files) is written
// beside the old file and moved over it: whole or not at all.
TEST(SaveFile, ReplacesTheOldFileWholeOrLeavesIt)
{
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("orvane-savefile-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const auto read = [](const fs::path& p) {
        TMemoryStream m;
        m.LoadFromFile(p.string());
        return std::string(m.Bytes().begin(), m.Bytes().end());
    };
    const fs::path file = dir / "out.skn";
    SaveFileAside(file.string(), "first", 5);
    SaveFileAside(file.string(), "second", 6);
    EXPECT_EQ(read(file), "second") << "replaced";
    TStringList lines;
    lines.Add("a");
    lines.SaveToFile(file.string());
    EXPECT_EQ(read(file), lines.GetText());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "nothing left beside it";

    const fs::path nowhere = dir / "no-folder" / "out.skn";
    try {
        SaveFileAside(nowhere.string(), "x", 1);
        ADD_FAILURE() << "written into a folder that is not there";
    } catch (const EStreamError& e) {
        EXPECT_NE(e.Message.find(nowhere.string()), std::string::npos) << e.Message;
    }
    EXPECT_FALSE(fs::exists(dir / "no-folder"));
#ifndef _WIN32
    // The old file's permissions stay; a link is followed to its file, and
    // one to nothing is refused rather than followed.
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(file, dir / "link");
    SaveFileAside((dir / "link").string(), "third", 5);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(read(file), "third");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(dir / "gone", dir / "dangling");
    EXPECT_THROW(SaveFileAside((dir / "dangling").string(), "x", 1), EFCreateError);
    EXPECT_FALSE(fs::exists(dir / "gone"));
    // A full disk: the device is written in place, and the failure is said.
    try {
        SaveFileAside("/dev/full", "x", 1);
        ADD_FAILURE() << "a full disk took the file";
    } catch (const EWriteError& e) {
        EXPECT_NE(e.Message.find("\"/dev/full\""), std::string::npos) << e.Message;
    }
    TFileStream full("/dev/full", fmCreate);
    full.WriteBuffer("x", 1); // only buffered yet
    EXPECT_THROW(full.Close(), EWriteError);
#endif
    fs::remove_all(dir);
}

TEST(StringList, SplitsTextAtEveryLineBreakKind)
{
    TStringList l;
    l.SetText("a\r\nb\rc\nd");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[3], "d");
    l.SetText("a\n\nb\n"); // an empty line is an entry; a final break adds none
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l.GetText(), "a\r\n\r\nb\r\n");
    l.SetText("\r\n");
    EXPECT_EQ(l.Count(), 1);
    l.SetText("");
    EXPECT_EQ(l.Count(), 0);
}

TEST(StringList, KeepsObjectsWithTheirStringsAndChecksIndices)
{
    TStringList l;
    l.AddObject("[Buttons]", 4);
    l.Insert(0, "[Title]");
    l.PutObject(0, 1);
    EXPECT_EQ(l.Objects(1), 4);
    EXPECT_EQ(l.IndexOf("[Buttons]"), 1);
    EXPECT_EQ(l.IndexOf("[buttons]"), -1);
    l.CaseSensitive = false;
    EXPECT_EQ(l.IndexOf("[buttons]"), 1);
    l.Delete(0);
    EXPECT_EQ(l.Objects(0), 4);
    EXPECT_THROW(l.Get(1), EListError);
    EXPECT_THROW(l.Insert(3, "x"), EListError);
    TStringList copy;
    copy.Assign(l);
    EXPECT_EQ(copy.Objects(0), 4);
}
