// skinpack check's findings, one kind of problem per row, each planted in a
// copy of the default skin; the skins we ship must give no line at all.
#include <gtest/gtest.h>

#include <functional>
#include <span>

#include "runtime/bmpcodec.h"
#include "skinfiles/skincheck.h"
#include "skinfiles/skinpackage.h"

namespace {

TSkinFiles FolderFiles(const std::string& folder)
{
    TSkinFiles files;
    const TSkinPackageWriter writer = TSkinPackageWriter::FromFolder(folder);
    for (const auto& f : writer.Files())
        files[f.Name].assign(f.Data.begin(), f.Data.end());
    return files;
}

std::string Text(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// The ini's line starting with `from` replaced by `to` (appended when there
// is no such line and `from` is empty).
void EditIni(TSkinFiles& files, const std::string& from, const std::string& to)
{
    std::string ini = Text(files["skin.ini"]);
    if (from.empty()) {
        ini += "\r\n" + to + "\r\n";
    } else {
        const size_t at = ini.find("\n" + from);
        ASSERT_NE(at, std::string::npos) << from;
        const size_t end = ini.find('\r', at + 1);
        ini.replace(at + 1, end - at - 1, to);
    }
    files["skin.ini"].assign(ini.begin(), ini.end());
}

void EditBmp(TSkinFiles& files, const std::string& name, const std::function<void(TBmpImage&)>& edit,
             int bitCount = 24)
{
    const std::vector<uint8_t>& bytes = files.at(name);
    TBmpImage image = DecodeBmp(std::span(bytes.data(), bytes.size()));
    edit(image);
    TMemoryStream out;
    EncodeBmp(image, bitCount, out);
    files[name].assign(out.Memory(), out.Memory() + out.GetSize());
}

// The image cut to its first `width` columns or `height` rows.
void Crop(TBmpImage& image, int width, int height)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(image.Pixel(x, y));
    image.Width = width;
    image.Height = height;
    image.Pixels = pixels;
}

TEST(SkinCheck, FindsEachKindOfProblemAsOneLineNamingFileAndKey)
{
    const TSkinFiles shipped = FolderFiles(ORVANE_SOURCE_DIR "/assets/skin");
    const struct {
        const char* kind;
        std::function<void(TSkinFiles&)> plant;
        const char* line;
    } rows[] = {
        {"missing bitmap", [](TSkinFiles& f) { EditIni(f, "Top=", "Top=tops.bmp"); },
         "skin.ini: [Personality] Top=tops.bmp: the skin holds no such bitmap"},
        {"bitmap named in upper case",
         [](TSkinFiles& f) { EditIni(f, "Bitmap=buttons", "Bitmap=buttons.BMP"); },
         "skin.ini: [Buttons] Bitmap=buttons.BMP: the skin loading reads only names ending in \".bmp\""},
        {"not 24-bit",
         [](TSkinFiles& f) {
             EditBmp(
                 f, "buttons.bmp", [](TBmpImage&) {}, 32);
         },
         "buttons.bmp: [Buttons] Bitmap: a 32-bit bitmap; skin images are 24-bit BMPs"},
        {"not a bitmap at all",
         [](TSkinFiles& f) {
             f["radio.bmp"] = {'B', 'M', 1, 2, 3};
         },
         "radio.bmp: [Buttons] RadioButton: cannot be read: "},
        {"width against frames",
         [](TSkinFiles& f) { EditBmp(f, "menuitem.bmp", [](TBmpImage& i) { Crop(i, 199, 20); }); },
         "menuitem.bmp: [MenuItem] Image: width 199 is not a multiple of its 5 frames"},
        {"margins wider than a frame",
         [](TSkinFiles& f) { EditBmp(f, "buttons.bmp", [](TBmpImage& i) { Crop(i, 50, 24); }); },
         "buttons.bmp: [Buttons] Bitmap: margins left 7 and right 7 are wider than a frame (10)"},
        {"side borders of different heights",
         [](TSkinFiles& f) { EditBmp(f, "right.bmp", [](TBmpImage& i) { Crop(i, 8, 90); }); },
         "skin.ini: [Personality] Left, Right: the side borders' heights differ: 100 and 90"},
        {"caption higher than the sides' top ends",
         [](TSkinFiles& f) { EditIni(f, "LeftTopHeight=", "LeftTopHeight=24"); },
         "skin.ini: [Personality] LeftTopHeight, Top: the left border's top end and the caption's height "
         "differ: 24 and 25"},
        {"no key-colour corner",
         [](TSkinFiles& f) { EditBmp(f, "top.bmp", [](TBmpImage& i) { i.Pixels[0] = 0xFF808080; }); },
         "top.bmp: [Personality] TopTrans: frame 1 has no key colour (255 0 255) in its upper corners"},
        {"misspelt key", [](TSkinFiles& f) { EditIni(f, "[Buttons]", "[Buttons]\r\nBitmapp=buttons.bmp"); },
         "skin.ini: [Buttons] Bitmapp: a key the skin loading never reads"},
        {"misspelt section", [](TSkinFiles& f) { EditIni(f, "", "[Scrolbar]\r\nImage=scrollbar.bmp"); },
         "skin.ini: [Scrolbar]: a section the skin loading never reads"},
        {"key given twice", [](TSkinFiles& f) { EditIni(f, "TopFrame=", "TopFrame=2\r\nTopFrame=3"); },
         "skin.ini: [Personality] TopFrame: given again; only the first is read"},
        {"number out of range", [](TSkinFiles& f) { EditIni(f, "Xcoord=20", "Xcoord=40000"); },
         "skin.ini: [Button0] Xcoord: 40000 is out of range; the skin loading holds it at 32767"},
        {"not a number", [](TSkinFiles& f) { EditIni(f, "Ycoord=6", "Ycoord=six"); },
         "skin.ini: [Button0] Ycoord: \"six\" is not a whole number"},
        {"colour out of range", [](TSkinFiles& f) { EditIni(f, "ButtonFace=", "ButtonFace=300 236 226"); },
         "skin.ini: [Colours] ButtonFace: \"300 236 226\" is out of range"},
        {"no ini", [](TSkinFiles& f) { f.erase("skin.ini"); }, "(skin): holds no .ini file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        TSkinFiles files = shipped;
        row.plant(files);
        const std::vector<std::string> lines = CheckSkin(files);
        ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[0].rfind(row.line, 0), 0u) << lines[0];
    }
}

TEST(SkinCheck, TheShippedSkinsGiveNoLine)
{
    for (const char* folder : {"/assets/skin", "/assets/skins/graphite"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(CheckSkin(FolderFiles(ORVANE_SOURCE_DIR + std::string(folder))),
                  std::vector<std::string>{});
    }
}

} // namespace
