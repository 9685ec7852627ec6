#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/classes.h"
#include "skinfiles/skinpackage.h"
#include "skinfiles/skinread.h"
#include "skinfiles/winconvert.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

void PutInt32(Bytes& b, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

// An unpacked package put together byte by byte, so that the reader is
// checked against the layout rather than against our own writer. Reserved
// bytes and filler are not zero: the reader must skip them unread.
Bytes RawPackage(int32_t formatId, int filler, const std::string& names, const std::vector<int32_t>& sizes,
                 const Bytes& data)
{
    Bytes b;
    PutInt32(b, formatId);
    PutInt32(b, int32_t(names.size()));
    b.insert(b.end(), 8, 0x55);
    b.insert(b.end(), size_t(filler), 0xAA);
    b.insert(b.end(), names.begin(), names.end());
    for (int32_t s : sizes)
        PutInt32(b, s);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

TMemoryStream Packed(const Bytes& unpacked)
{
    TMemoryStream in, out;
    in.WriteBuffer(unpacked.data(), int64_t(unpacked.size()));
    Compress(in, out);
    return out;
}

bool LoadUnpacked(TSkinReader& r, const Bytes& unpacked)
{
    TMemoryStream packed = Packed(unpacked);
    return r.Loadfromstream(packed);
}

std::string ReadFile(TSkinReader& r, const std::string& name)
{
    TMemoryStream out;
    out.WriteBuffer("stale", 5); // must be cleared, not appended to
    r.readfile(name, out);
    EXPECT_EQ(out.GetPosition(), 0);
    return std::string(out.Bytes().begin(), out.Bytes().end());
}

bool IsDamage(const TSkinReader& r)
{
    return r.LastError.rfind("The skin package is damaged", 0) == 0;
}

} // namespace

TEST(SkinReader, EachFormatSkipsItsOwnFiller)
{
    const std::pair<int32_t, int> formats[] = {{20000, 0},  {30000, 256}, {40000, 80},
                                               {50000, 48}, {60000, 117}, {70000, 69}};
    for (auto [id, filler] : formats) {
        SCOPED_TRACE(id);
        TSkinReader r;
        ASSERT_TRUE(
            LoadUnpacked(r, RawPackage(id, filler, "skin.ini\r\nframe.bmp\r\n", {3, 4}, Text("k=vBMxy"))))
            << r.LastError;
        EXPECT_EQ(r.FormatId(), id);
        EXPECT_EQ(r.FileCount(), 2);
        EXPECT_EQ(ReadFile(r, "skin.ini"), "k=v");
        EXPECT_EQ(ReadFile(r, "frame.bmp"), "BMxy");
    }
}

TEST(SkinReader, NamesAreLowerCasedAndMatchedInAnyCase)
{
    TSkinReader r;
    ASSERT_TRUE(
        LoadUnpacked(r, RawPackage(20000, 0, "Buttons.BMP\r\nbuttons.bmp\r\n", {2, 3}, Text("BMsec"))));
    EXPECT_EQ(r.FileName(0), "buttons.bmp");
    // Two files of one name: the first wins.
    EXPECT_EQ(ReadFile(r, "Buttons.bmp"), "BM");
    EXPECT_EQ(r.IndexOfFile("BUTTONS.BMP"), 0);
    EXPECT_EQ(ReadFile(r, "missing.bmp"), "");
    EXPECT_EQ(r.IndexOfFile("missing.bmp"), -1);
}

TEST(SkinReader, NameListSplitsLikeStringListText)
{
    // CR, LF and CR LF all end a line; an empty line is a file of its own
    // with its own size; the final break adds nothing.
    TSkinReader r;
    ASSERT_TRUE(LoadUnpacked(r, RawPackage(20000, 0, "a\r\n\rb\nc\r\n", {1, 2, 3, 4}, Text("AeeBBBCCCC"))));
    ASSERT_EQ(r.FileCount(), 4);
    EXPECT_EQ(r.FileName(1), "");
    EXPECT_EQ(r.FileSize(1), 2);
    EXPECT_EQ(ReadFile(r, ""), "ee");
    EXPECT_EQ(ReadFile(r, "c"), "CCCC");
}

TEST(SkinReader, ReadIniTakesTheFirstNameContainingTheText)
{
    TSkinReader r;
    ASSERT_TRUE(LoadUnpacked(
        r, RawPackage(70000, 69, "a.bmp\r\nold.ini.bak\r\nskin.ini\r\n", {2, 3, 4}, Text("BMoldskin"))));
    TMemoryStream out;
    std::string name = "unchanged";
    r.readIni(".ini", out, name);
    EXPECT_EQ(name, "old.ini.bak");
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), "old");
    EXPECT_EQ(out.GetPosition(), 0);

    name = "unchanged";
    r.readIni(".cfg", out, name);
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(out.GetSize(), 0);
}

TEST(SkinReader, UnknownFormatIsTheOlderSkinMessage)
{
    TSkinReader r;
    EXPECT_FALSE(LoadUnpacked(r, RawPackage(10000, 0, "a.ini\r\n", {1}, Text("x"))));
    EXPECT_EQ(r.LastError, "This is Older Skin File\rPlease update to new version !");
    EXPECT_EQ(r.FileCount(), 0);
}

TEST(SkinReader, DamagedPackagesAreRejectedWholeAndClearTheIndex)
{
    Bytes namesPastEnd = RawPackage(20000, 0, "a\r\n", {1}, Text("x"));
    namesPastEnd[4] = 200;
    Bytes negativeNames = RawPackage(20000, 0, "a\r\n", {1}, Text("x"));
    negativeNames[7] = 0xFF;
    std::string many;
    for (int i = 0; i <= kSkinMaxFiles; ++i)
        many += "f\n";
    const Bytes damaged[] = {
        Bytes(15, 0),
        namesPastEnd,
        negativeNames,
        RawPackage(20000, 0, "a\r\nb\r\n", {1}, Text("")), // size table cut short
        RawPackage(20000, 0, "a\r\nb\r\n", {2, 2}, Text("xyz")),
        RawPackage(20000, 0, "a\r\nb\r\n", {-1, 2}, Text("xyz")),
        RawPackage(20000, 0, many, std::vector<int32_t>(kSkinMaxFiles + 1, 0), {}),
    };
    for (const Bytes& b : damaged) {
        SCOPED_TRACE(&b - damaged);
        TSkinReader r;
        ASSERT_TRUE(LoadUnpacked(r, RawPackage(20000, 0, "good\r\n", {1}, Text("g"))));
        EXPECT_FALSE(LoadUnpacked(r, b));
        EXPECT_TRUE(IsDamage(r)) << r.LastError;
        EXPECT_EQ(r.FileCount(), 0);
        EXPECT_EQ(ReadFile(r, "good"), "");
    }
}

TEST(SkinReader, LimitsAreInclusive)
{
    std::string names;
    for (int i = 0; i < kSkinMaxFiles; ++i)
        names += "f" + std::to_string(i) + "\r\n";
    std::vector<int32_t> sizes(kSkinMaxFiles, 0);
    sizes.back() = 2;
    TSkinReader r;
    // Data beyond the sum of the sizes is tolerated; sizes beyond the data are not.
    ASSERT_TRUE(LoadUnpacked(r, RawPackage(20000, 0, names, sizes, Text("ab+trailing")))) << r.LastError;
    EXPECT_EQ(r.FileCount(), kSkinMaxFiles);
    EXPECT_EQ(ReadFile(r, "f1000"), "ab");
}

TEST(SkinReader, UnusablePackedStreamsAreRejectedNotThrown)
{
    const Bytes absurd = {0xFF, 0xFF, 0xFF, 0x7F, 0x12, 0x34};
    const Bytes negative = {0xFB, 0xFF, 0xFF, 0xFF, 0x12, 0x34};
    for (const Bytes& b : {absurd, negative, Bytes{}}) {
        TMemoryStream packed;
        packed.WriteBuffer(b.data(), int64_t(b.size()));
        TSkinReader r;
        EXPECT_FALSE(r.Loadfromstream(packed));
        EXPECT_TRUE(IsDamage(r)) << r.LastError;
    }
}

TEST(SkinReader, SecondLoadReplacesTheIndex)
{
    TSkinReader r;
    ASSERT_TRUE(LoadUnpacked(r, RawPackage(20000, 0, "first.bmp\r\n", {2}, Text("BM"))));
    ASSERT_TRUE(LoadUnpacked(r, RawPackage(30000, 256, "second.bmp\r\n", {3}, Text("BMz"))));
    EXPECT_EQ(r.FileCount(), 1);
    EXPECT_EQ(ReadFile(r, "first.bmp"), "");
    EXPECT_EQ(ReadFile(r, "second.bmp"), "BMz");
    EXPECT_EQ(r.DataBlock().Bytes(), Text("BMz"));
}

// The decoder reads zero bits past the end of its input, so a package cut
// short unpacks to full size with broken pixels; the reader must tell it
// from a whole one by how far the decoding read past the end.
TEST(SkinReader, ShippedPackagesCutShortAreRefusedAndNameWhatIsMissing)
{
    for (const char* file : {"/assets/skin.pkg", "/assets/skins/graphite.pkg"}) {
        SCOPED_TRACE(file);
        TMemoryStream whole;
        whole.LoadFromFile(ORVANE_SOURCE_DIR + std::string(file));
        const Bytes bytes = whole.Bytes();
        TSkinReader r;
        ASSERT_TRUE(r.Loadfromstream(whole)) << r.LastError;
        const std::string lastFile = r.FileName(r.FileCount() - 1);
        for (size_t cut : {size_t{3}, size_t{16}, size_t{100}, size_t{1000}, bytes.size() / 2}) {
            SCOPED_TRACE(cut);
            TMemoryStream shorter;
            shorter.WriteBuffer(bytes.data(), int64_t(bytes.size() - cut));
            EXPECT_FALSE(r.Loadfromstream(shorter));
            EXPECT_TRUE(IsDamage(r)) << r.LastError;
            EXPECT_NE(r.LastError.find("cut short"), std::string::npos) << r.LastError;
            EXPECT_EQ(r.FileCount(), 0);
            if (cut <= 100) {
                EXPECT_NE(r.LastError.find("member " + lastFile), std::string::npos) << r.LastError;
            }
        }
    }
}

namespace {

struct TempDir {
    std::filesystem::path path;
    explicit TempDir(const std::string& name) : path(std::filesystem::temp_directory_path() / name)
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    void Write(const std::string& name, const std::string& content) const
    {
        TMemoryStream m;
        m.WriteBuffer(content.data(), int64_t(content.size()));
        m.SaveToFile((path / name).string());
    }
};

} // namespace

TEST(SkinPackageWriter, BuildsASortedLowerCasePackageFromAFolder)
{
    TempDir dir("orvane_skinread_build");
    dir.Write("Skin.INI", "[Form]\r\n");
    dir.Write("b.bmp", "BMb");
    dir.Write("A.BMP", "BMa");
    dir.Write("notes.txt", "left out");
    const TSkinPackageWriter w = TSkinPackageWriter::FromFolder(dir.path.string());

    TMemoryStream unpacked;
    w.SaveUnpacked(unpacked);
    const Bytes& b = unpacked.Bytes();
    const std::string names = "a.bmp\r\nb.bmp\r\nskin.ini\r\n";
    ASSERT_EQ(b.size(), 16 + 69 + names.size() + 3 * 4 + 14);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8),
              (Bytes{0x70, 0x11, 0x01, 0x00, uint8_t(names.size()), 0, 0, 0}));
    EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 85), Bytes(77, 0));
    EXPECT_EQ(std::string(b.begin() + 85, b.begin() + 85 + long(names.size())), names);

    const std::string file = (dir.path / "skin.pkg").string();
    w.SaveToFile(file);
    TSkinReader r;
    ASSERT_TRUE(r.loadfromfile(file)) << r.LastError;
    EXPECT_EQ(ReadFile(r, "a.bmp"), "BMa");
    EXPECT_EQ(ReadFile(r, "skin.ini"), "[Form]\r\n");

    EXPECT_FALSE(r.loadfromfile((dir.path / "absent.pkg").string()));
    EXPECT_EQ(r.LastError, "");
}

TEST(SkinPackageWriter, RefusesWhatCannotBeReadBack)
{
    TempDir dir("orvane_skinread_refuse");
    dir.Write("a.bmp", "BM");
    EXPECT_THROW(TSkinPackageWriter::FromFolder(dir.path.string()), Exception); // no ini
    dir.Write("a.ini", "");
    dir.Write("b.ini", "");
    EXPECT_THROW(TSkinPackageWriter::FromFolder(dir.path.string()), Exception); // two
    std::filesystem::remove(dir.path / "b.ini");
    dir.Write("c.bmp", "not a bitmap");
    EXPECT_THROW(TSkinPackageWriter::FromFolder(dir.path.string()), Exception);
    EXPECT_THROW(TSkinPackageWriter::FromFolder((dir.path / "none").string()), Exception);

    TSkinPackageWriter w;
    EXPECT_THROW(w.Add("two\nlines", {}), Exception);
    for (int i = 0; i < kSkinMaxFiles; ++i)
        w.Add("f", {});
    EXPECT_THROW(w.Add("f", {}), Exception);
}
