// The default skin as committed: the package equals a fresh build of the
// folder (so nobody edits one without the other), and the bitmaps have the
// sizes, formats and frame layouts the skin ini promises.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "skinfiles/skinpackage.h"
#include "skinfiles/skinread.h"

namespace {

const std::string kFolder = ORVANE_SOURCE_DIR "/assets/skin";
const std::string kPackage = ORVANE_SOURCE_DIR "/assets/skin.pkg";

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(TMemoryStream& s)
{
    const auto* p = static_cast<const uint8_t*>(s.Memory());
    return {p, p + s.GetSize()};
}

struct TBmpInfo {
    int32_t Width = 0, Height = 0, Bits = 0;
};

TBmpInfo Info(const std::vector<uint8_t>& bmp)
{
    TBmpInfo info;
    if (bmp.size() < 54) return info;
    std::memcpy(&info.Width, &bmp[18], 4);
    std::memcpy(&info.Height, &bmp[22], 4);
    uint16_t bits = 0;
    std::memcpy(&bits, &bmp[28], 2);
    info.Bits = bits;
    return info;
}

// Bottom-up 24-bit rows: the pixel at (x, y) counted from the top.
uint32_t Pixel(const std::vector<uint8_t>& bmp, int x, int y)
{
    const TBmpInfo info = Info(bmp);
    const size_t stride = (static_cast<size_t>(info.Width) * 3 + 3) & ~size_t(3);
    const size_t at = 54 + stride * static_cast<size_t>(info.Height - 1 - y) + 3 * static_cast<size_t>(x);
    return bmp[at + 2] | bmp[at + 1] << 8 | bmp[at] << 16;
}

TEST(DefaultSkin, CommittedPackagesEqualAFreshBuildOfTheirFolders)
{
    // The built-in skin, and the sample skin shipped beside it.
    const std::pair<std::string, std::string> skins[] = {
        {kFolder, kPackage},
        {ORVANE_SOURCE_DIR "/assets/skins/graphite", ORVANE_SOURCE_DIR "/assets/skins/graphite.pkg"}};
    for (const auto& [folder, package] : skins) {
        SCOPED_TRACE(package);
        const auto committed = ReadAll(package);
        ASSERT_FALSE(committed.empty()) << package;
        TMemoryStream fresh;
        TSkinPackageWriter::FromFolder(folder).SaveToStream(fresh);
        EXPECT_TRUE(Bytes(fresh) == committed)
            << package << " is stale: run skinpack build " << folder << " " << package;

        TSkinReader reader;
        TMemoryStream stream;
        stream.Write(committed.data(), static_cast<int64_t>(committed.size()));
        ASSERT_TRUE(reader.Loadfromstream(stream)) << reader.LastError;
        EXPECT_GE(reader.IndexOfFile("skin.ini"), 0);
    }
}

TEST(DefaultSkin, BitmapsHaveTheSizesAndFramesTheIniPromises)
{
    const auto writer = TSkinPackageWriter::FromFolder(kFolder);
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& f : writer.Files())
        files[f.Name] = f.Data;
    size_t bitmaps = 0;
    for (const auto& [name, data] : files)
        if (name.ends_with(".bmp")) {
            ++bitmaps;
            EXPECT_EQ(Info(data).Bits, 24) << name;
        }
    EXPECT_EQ(bitmaps, 37u);

    // name, width, height, frames side by side (0: one below another, 2)
    const struct {
        const char* Name;
        int W, H, Frames;
    } expected[] = {
        {"left.bmp", 8, 100, 2},           {"right.bmp", 8, 100, 2},
        {"top.bmp", 142, 50, 0},           {"bottom.bmp", 142, 8, 0},
        {"close.bmp", 96, 18, 6},          {"maximize.bmp", 96, 18, 6},
        {"minimize.bmp", 96, 18, 6},       {"restore.bmp", 96, 18, 6},
        {"help.bmp", 96, 18, 6},           {"buttons.bmp", 150, 24, 5},
        {"checkbox.bmp", 156, 13, 12},     {"radio.bmp", 104, 13, 8},
        {"mdicontrols.bmp", 156, 13, 12},  {"scrollbar.bmp", 391, 17, 23},
        {"hthumb.bmp", 96, 17, 4},         {"vthumb.bmp", 68, 24, 4},
        {"hscroll.bmp", 64, 17, 4},        {"vscroll.bmp", 68, 16, 4},
        {"menuitem.bmp", 200, 20, 5},      {"updownvert.bmp", 128, 11, 8},
        {"updownhorz.bmp", 88, 16, 8},     {"updownvertglyph.bmp", 56, 4, 8},
        {"updownhorzglyph.bmp", 32, 7, 8}, {"tabs.bmp", 120, 21, 5},
        {"combobutton.bmp", 68, 21, 4},    {"statusbar.bmp", 36, 20, 3},
        {"headerbar.bmp", 120, 20, 5},     {"extra.bmp", 45, 9, 5},
        {"trackthumb.bmp", 55, 20, 5},     {"trackthumbdown.bmp", 55, 20, 5},
        {"progress.bmp", 40, 16, 2},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Name);
        ASSERT_TRUE(files.count(e.Name));
        const TBmpInfo info = Info(files[e.Name]);
        EXPECT_EQ(info.Width, e.W);
        EXPECT_EQ(info.Height, e.H);
        if (e.Frames > 0) {
            EXPECT_EQ(info.Width % e.Frames, 0);
        }
    }

    // The caption's top corners are keyed out, so the window region rounds
    // them; the active and inactive frames differ.
    constexpr uint32_t kKey = 0xFF00FF;
    const auto& left = files["left.bmp"];
    const auto& top = files["top.bmp"];
    EXPECT_EQ(Pixel(left, 0, 0), kKey);
    EXPECT_EQ(Pixel(left, 4, 0), kKey); // the inactive frame too
    EXPECT_NE(Pixel(left, 3, 30), kKey);
    EXPECT_EQ(Pixel(files["right.bmp"], 3, 0), kKey);
    EXPECT_EQ(Pixel(top, 0, 0), kKey);
    EXPECT_EQ(Pixel(top, 141, 25), kKey);
    EXPECT_NE(Pixel(top, 70, 12), Pixel(top, 70, 37));
    for (int y = 1; y < 50; ++y)
        EXPECT_NE(Pixel(top, 70, y), kKey) << y;
}

} // namespace
