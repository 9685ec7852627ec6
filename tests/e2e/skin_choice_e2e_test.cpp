// The panel's skin options as a user meets them: the real orvane-panel.exe
// started with --skin, --no-skin and --help, with the real simulator as its
// device. What the frame shows is read back from the screen and compared
// with the pixels of the skin's own bitmaps, decoded here from the skin's
// folder, not drawn by the engine under test.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "runtime/bmpcodec.h"
#include "skinfiles/skinpackage.h"
#include "tests/e2e/paneldriver.h"

namespace {

using namespace paneldriver;

const std::string kSource = ORVANE_SOURCE_DIR;

std::string WindowsPath(std::string path)
{
    for (char& c : path)
        if (c == '/') c = '\\';
    return path[0] == '\\' ? "Z:" + path : path;
}

TBmpImage LoadBmp(const std::string& path)
{
    const std::string bytes = ReadFile(path);
    return DecodeBmp(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The window's rectangle as the screen shows it, 0xRRGGBB per pixel.
struct TShot {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;
    uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x] & 0xFFFFFF; }
};

TShot Shoot(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    TShot shot;
    shot.Width = r.right - r.left;
    shot.Height = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.Width, -shot.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, shot.Width, shot.Height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    shot.Pixels.assign(px, px + static_cast<size_t>(shot.Width) * shot.Height);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    DeleteObject(dib);
    return shot;
}

// Whether the frame's top-left corner shows the skin in `folder`, active
// or inactive: the left border's unstretched top (left.bmp, frames side by
// side) and the caption's unstretched left end above the icon and the text
// (top.bmp, frames one below the other). Key-coloured pixels are cut away
// by the window's region and are not compared. `why` tells the first
// difference.
bool FrameShowsSkin(const TShot& shot, const std::string& folder, std::string& why)
{
    const TBmpImage left = LoadBmp(folder + "/left.bmp"), top = LoadBmp(folder + "/top.bmp");
    if (left.Width < 8 || top.Height < 2) {
        why = "cannot read the bitmaps of " + folder;
        return false;
    }
    const int leftW = left.Width / 2, topH = top.Height / 2;
    for (int frame = 0; frame < 2; ++frame) {
        int compared = 0;
        bool same = true;
        auto compare = [&](int x, int y, uint32_t want) {
            want &= 0xFFFFFF;
            if (!same || want == 0xFF00FF || x >= shot.Width || y >= shot.Height) return;
            ++compared;
            if (shot.At(x, y) != want) {
                char text[96];
                std::snprintf(text, sizeof text, "frame %d: (%d, %d) is %06X, the skin has %06X", frame + 1,
                              x, y, shot.At(x, y), want);
                why = text;
                same = false;
            }
        };
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < leftW; ++x)
                compare(x, y, left.Pixel(frame * leftW + x, y));
        for (int y = 0; y < 5 && y < topH; ++y)
            for (int x = 0; x < 49; ++x)
                compare(leftW + x, y, top.Pixel(x, frame * topH + y));
        if (same && compared > 200) return true;
    }
    return false;
}

// Waits for the main window and for its frame to show the skin of folder.
void ExpectFrameOfSkin(Panel& panel, const std::string& folder)
{
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }, 60s)) << "the main window did not open";
    HWND main = panel.Window("TForm1");
    std::string why;
    EXPECT_TRUE(WaitUntil([&] { return FrameShowsSkin(Shoot(main), folder, why); }, 20s))
        << "the frame does not show " << folder << ": " << why;
}

void CloseAndExpectCleanExit(Panel& panel)
{
    PostMessageA(panel.Window("TForm1"), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(panel.process().WaitExit(20000), 0) << "exit code after closing the main window";
}

TEST(SkinChoice, TheSampleSkinFromItsFilePaintsTheFrame)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    ASSERT_TRUE(sim.Started()) << sim.error;
    Panel panel(port, true, "--skin \"" + WindowsPath(kSource + "/assets/skins/graphite.pkg") + "\"");
    ASSERT_TRUE(panel.Started());
    ExpectFrameOfSkin(panel, kSource + "/assets/skins/graphite");
    EXPECT_TRUE(panel.Popups().empty()) << "a message came with a good skin";
    EXPECT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
    CloseAndExpectCleanExit(panel);
}

TEST(SkinChoice, ADamagedPackageIsNamedInOneMessageThenTheBuiltInSkinPaints)
{
    NetStartup();
    // The sample skin with a caption image that is no bitmap, and the sample
    // package cut in half, as damaged downloads would hold them.
    const TSkinPackageWriter sample =
        TSkinPackageWriter::FromFolder(WindowsPath(kSource + "/assets/skins/graphite"));
    TSkinPackageWriter writer;
    for (const TSkinPackageFile& f : sample.Files())
        writer.Add(f.Name, f.Name == "top.bmp" ? std::vector<uint8_t>{'B', 'M', 0x36, 0, 0, 0, 7} : f.Data);
    const std::string whole = ReadFile(WindowsPath(kSource + "/assets/skins/graphite.pkg"));
    const struct {
        const char* name;
        const char* says;
    } cases[] = {{"damaged", "top.bmp"}, {"cut", "is cut short"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const uint16_t port = FreeLoopbackPort();
        Simulator sim(port);
        ASSERT_TRUE(sim.Started()) << sim.error;
        const std::string damaged = TempBase(c.name, port) + ".skn";
        if (std::string(c.name) == "cut")
            std::ofstream(damaged, std::ios::binary).write(whole.data(), std::streamsize(whole.size() / 2));
        else
            writer.SaveToFile(damaged);

        Panel panel(port, true, "--skin \"" + damaged + "\"");
        ASSERT_TRUE(panel.Started());
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = panel.Window("#32770")) && IsWindowVisible(box); }, 60s))
            << "no message about the skin";
        const std::string text = Panel::BoxText(box);
        EXPECT_NE(text.find(damaged), std::string::npos) << text;
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_NE(text.find("built-in skin"), std::string::npos) << text;
        EXPECT_FALSE(panel.Visible("TForm1")) << "the window opens after the message";
        PostMessageA(box, WM_COMMAND, IDOK, 0);

        ExpectFrameOfSkin(panel, kSource + "/assets/skin");
        EXPECT_TRUE(panel.Popups().empty()) << "more than one message";
        EXPECT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
        CloseAndExpectCleanExit(panel);
        DeleteFileA(damaged.c_str());
    }
}

TEST(SkinChoice, WithoutASkinTheSystemDrawsTheFrame)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    ASSERT_TRUE(sim.Started()) << sim.error;
    Panel panel(port, true, "--no-skin");
    ASSERT_TRUE(panel.Started());
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }, 60s));
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
    // Past the moment a skin would have taken the frame over.
    Sleep(1500);
    HWND main = panel.Window("TForm1");
    // The client area sits where the system puts it for the window's
    // style; the skinned frame puts it 4 pixels in and 25 down.
    RECT window{}, expected{0, 0, 100, 100};
    GetWindowRect(main, &window);
    POINT client{0, 0};
    ClientToScreen(main, &client);
    AdjustWindowRectEx(&expected, static_cast<DWORD>(GetWindowLongA(main, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(main, GWL_EXSTYLE)));
    EXPECT_EQ(client.x - window.left, -expected.left);
    EXPECT_EQ(client.y - window.top, -expected.top);
    std::string why;
    EXPECT_FALSE(FrameShowsSkin(Shoot(main), kSource + "/assets/skin", why));
    CloseAndExpectCleanExit(panel);
}

TEST(SkinChoice, HelpAndAnUnknownOptionAnswerInAMessageBoxWithoutAPanel)
{
    const struct {
        const char* options;
        const char* says;
        long exitCode;
    } cases[] = {
        {"--help", "--skin FILE", 0},
        {"--skni dark.pkg", "unknown option '--skni'", 2},
        {"--no-skin --skin dark.pkg", "give --skin or --no-skin once", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        Panel panel(FreeLoopbackPort(), false, c.options);
        ASSERT_TRUE(panel.Started());
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = panel.Window("#32770")) && IsWindowVisible(box); }, 60s));
        EXPECT_NE(Panel::BoxText(box).find(c.says), std::string::npos) << Panel::BoxText(box);
        EXPECT_FALSE(panel.Window("TForm1"));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(panel.process().WaitExit(20000), c.exitCode);
    }
}

} // namespace
