// The main window as a user meets it beyond the exchange: edits left without
// Enter, the dimmed display while no device answers, the window's own system
// menu items (plain and skinned) with their key, the About box, and the hint
// of every control that has one, read from the tooltip window on hover.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/win/panel_forms.h"
#include "tests/win/skin_menu_testing.h"

namespace {

using panel_testing::Lib;
using panel_testing::MessageBoxWatcher;
using panel_testing::PollReply;
using panel_testing::Pump;

const ParameterSet kDevice{1, -5, 12, 95, 40, 50, 1, 7, 9};

void PumpFor(DWORD ms)
{
    const DWORD until = GetTickCount() + ms;
    while (static_cast<LONG>(GetTickCount() - until) < 0) {
        Pump();
        Sleep(10);
    }
}

class PanelWindow : public panel_testing::PanelForms {
protected:
    void SetUp() override { OpenForms({.historyClock = nullptr, .showMonitor = false, .foreground = true}); }
    static void Tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            Form1->Timer1Timer(Form1->Timer1);
    }
    static void Load(uint8_t reading)
    {
        const auto reply = PollReply(reading, kDevice);
        Lib().QueueReply(reply.data(), static_cast<int>(reply.size()));
        Tick(2);
    }
};

// --- Edits left without Enter ----------------------------------------------

TEST_F(PanelWindow, AnEditLeftWithTabAppliesItsNumberAndBadTextQuietlyGoesBack)
{
    Load(50);
    Lib().Writes();
    struct Row {
        TEdit* edit;
        TiSlider* slider;
        std::string typed;
        int held;          // what slider and spinner hold afterwards
        std::string shown; // what the edit shows afterwards
        bool writes;
    };
    const Row rows[] = {
        {Form1->Edit3, Form1->iSlider3, "90", 90, "90", true},
        {Form1->Edit4, Form1->iSlider4, "500", 100, "100", true}, // held to the range
        {Form1->Edit5, Form1->iSlider5, "abc", 50, "50", false},  // back, no box
        {Form1->Edit6, Form1->iSlider6, "", 7, "7", false},
        {Form1->Edit7, Form1->iSlider7, "9", 9, "9", false}, // the value in force: nothing to send
        {Form1->Edit1, Form1->iSlider1, " -7", -7, "-7", true},
    };
    std::vector<std::string> boxes;
    {
        MessageBoxWatcher watcher;
        for (const Row& r : rows) {
            SCOPED_TRACE(r.edit->GetName() + " '" + r.typed + "'");
            r.edit->SetFocus();
            Pump();
            r.edit->SetText(r.typed);
            // Tab, as the user presses it: through the message loop's keys.
            PostMessageA(r.edit->Handle(), WM_KEYDOWN, VK_TAB, 1);
            PostMessageA(r.edit->Handle(), WM_KEYUP, VK_TAB, 0xC0000001);
            Application->ProcessMessages();
            EXPECT_NE(GetFocus(), r.edit->Handle()) << "the focus moved on";
            EXPECT_EQ(r.slider->GetPosition(), r.held);
            EXPECT_EQ(r.edit->GetText(), r.shown);
            EXPECT_EQ(Form1->pendingRequests.Next() == RequestKind::WriteParameters, r.writes);
            Tick(2); // the write (if any) goes out
        }
        PumpFor(300);
        boxes = watcher.Texts();
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// --- The display while disconnected ----------------------------------------

// Pixels of the reading's area, as the screen shows them, near a colour
// (each channel within 24).
int PixelsNear(COLORREF want)
{
    TiSevenSegmentHexadecimal* d = Form1->iSevenSegmentHexadecimal1;
    d->Repaint();
    Pump();
    POINT origin{d->Left(), d->Top()};
    ClientToScreen(d->Parent()->Handle(), &origin);
    const int w = d->Width(), h = d->Height();
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    int n = 0;
    const auto* px = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i) {
        const int b = px[i] & 0xFF, g = (px[i] >> 8) & 0xFF, r = (px[i] >> 16) & 0xFF;
        if (std::abs(r - GetRValue(want)) <= 24 && std::abs(g - GetGValue(want)) <= 24 &&
            std::abs(b - GetBValue(want)) <= 24)
            ++n;
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    DeleteObject(dib);
    return n;
}

TEST_F(PanelWindow, TheReadingDimsWhileDisconnectedAndLightsWithTheFirstAcceptedReply)
{
    const COLORREF lime = RGB(0, 255, 0), red = RGB(255, 0, 0);
    Load(50); // below the threshold 95: green
    const int lit = PixelsNear(lime);
    ASSERT_GT(lit, 800) << "a green 50 to begin with";

    Form1->DeviceNotify(CH375_DEVICE_REMOVE);
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "50") << "the last reading stays";
    EXPECT_EQ(PixelsNear(lime), 0) << "no longer in full colour";
    EXPECT_GT(PixelsNear(RGB(0, 85, 0)), lit / 2) << "but dimmed, still readable";

    // Open again: still dim until the device has answered.
    Form1->DeviceNotify(CH375_DEVICE_ARRIVAL);
    EXPECT_EQ(PixelsNear(lime), 0);
    Tick(1);
    Tick(1); // the read fails: nothing queued
    EXPECT_EQ(PixelsNear(lime), 0) << "a failed read is no answer";
    Load(120); // above the threshold: red, in full colour
    EXPECT_GT(PixelsNear(red), 800);
    EXPECT_EQ(PixelsNear(RGB(85, 0, 0)), 0);
}

// --- System menu, its key and the About box ---------------------------------

std::string MenuText(HMENU menu, UINT id)
{
    char text[128] = {};
    GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

TEST_F(PanelWindow, TheSystemMenuOpensTheMonitorAndTheAboutBoxPlainAndSkinned)
{
    const UINT monitor = Form1->SystemItems().CommandOf("Traffic monitor");
    const UINT about = Form1->SystemItems().CommandOf("About Orvane Panel...");
    ASSERT_NE(monitor, 0u);
    ASSERT_NE(about, 0u);
    HMENU sys = GetSystemMenu(Form1->Handle(), FALSE);
    EXPECT_EQ(MenuText(sys, monitor), "Traffic monitor\tCtrl+D");
    EXPECT_EQ(MenuText(sys, about), "About Orvane Panel...");
    EXPECT_NE(MenuText(sys, SC_CLOSE), "") << "the system's own items stay";

    // The skinned frame's menu is built from the window's: both items come
    // with it, their text whole (the key at its tab stop), and a click
    // reaches the window.
    menutest::TFakeHost host;
    host.Wnd = Form1->Handle();
    host.Data = Form1->SkinData1;
    TSkinFormMenus menus(host);
    menus.CreateSysmenu2();
    TMenuItem* skinned = nullptr;
    for (int i = 0; i < menus.SysMenu()->Items()->Count(); ++i)
        if (menus.SysMenu()->Items()->Items(i)->GetCaption() == "Traffic monitor\tCtrl+D")
            skinned = menus.SysMenu()->Items()->Items(i);
    ASSERT_NE(skinned, nullptr);
    EXPECT_FALSE(Form2->GetVisible());
    skinned->Click();
    Pump();
    EXPECT_TRUE(Form2->GetVisible()) << "the skinned item's click showed the monitor";
    Form2->Hide();

    // Ctrl+D in an edit: the key reaches the window, not the edit. Posted,
    // since the program's own loop offers keys to the short cuts.
    Form1->Edit3->SetFocus();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(Form1->Edit3->Handle(), WM_KEYDOWN, 'D', 1);
    Application->ProcessMessages();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(Form2->GetVisible()) << "Ctrl+D";
    EXPECT_EQ(Form1->Edit3->GetText(), "60");
    Form2->Hide();
    // D alone is no short cut.
    PostMessageA(Form1->Edit3->Handle(), WM_KEYDOWN, 'D', 1);
    Application->ProcessMessages();
    EXPECT_FALSE(Form2->GetVisible());

    std::vector<std::string> boxes;
    {
        MessageBoxWatcher watcher;
        SendMessageA(Form1->Handle(), WM_SYSCOMMAND, about, 0);
        boxes = watcher.Texts();
    }
    ASSERT_EQ(boxes.size(), 1u);
    std::ifstream versionFile(ORVANE_SOURCE_DIR "/VERSION");
    std::string version;
    std::getline(versionFile, version);
    EXPECT_NE(boxes[0].find("Orvane Panel " + version + "\n"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find("MIT License"), std::string::npos) << boxes[0];
    // The scripted library beside this test is not ours.
    EXPECT_NE(boxes[0].find("the chip maker's\n" + Form1->Link().LibraryPath()), std::string::npos) << boxes[0];
}

// --- Hints -----------------------------------------------------------------

// The text the tooltip window itself holds.
std::string TooltipText(HWND tip)
{
    char text[256] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = GetWindow(tip, GW_OWNER);
    ti.uId = 1;
    ti.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
}

HWND VisibleTooltip()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) {
            char cls[32] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            if (std::string(cls) == TOOLTIPS_CLASSA && IsWindowVisible(wnd)) *reinterpret_cast<HWND*>(p) = wnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(PanelWindow, EveryControlWithAHintInTheLayoutShowsItOnHover)
{
    // Read from the layout itself, not from the controls.
    std::map<std::string, std::string> hints;
    {
        std::ifstream layout(ORVANE_SOURCE_DIR "/app/layouts/TForm1.layout");
        std::string line, object;
        while (std::getline(layout, line)) {
            if (const size_t at = line.find("object "); at != std::string::npos)
                object = line.substr(at + 7, line.find(':') - at - 7);
            if (const size_t at = line.find("Hint = '"); at != std::string::npos)
                hints[object] = line.substr(at + 8, line.rfind('\'') - at - 8);
        }
    }
    ASSERT_GE(hints.size(), 7u);
    int hovered = 0;
    for (const auto& [name, hint] : hints) {
        auto* control = dynamic_cast<TControl*>(Form1->FindComponent(name));
        ASSERT_NE(control, nullptr) << name;
        if (!control->Showing()) continue; // the hidden switch panel
        SCOPED_TRACE(name);
        ++hovered;
        // Away first, so every control starts its own pause.
        SetCursorPos(0, 0);
        PumpFor(100);
        POINT centre{control->Width() / 2, control->Height() / 2};
        auto* windowed = dynamic_cast<TWinControl*>(control);
        ASSERT_NE(windowed, nullptr);
        ClientToScreen(windowed->Handle(), &centre);
        // Real pointer motion: it reaches the control through the X server.
        SetCursorPos(centre.x, centre.y);
        // The hint of the control before may still be up for a moment.
        HWND tip = nullptr;
        const DWORD until = GetTickCount() + 3000;
        while (!((tip = VisibleTooltip()) && TooltipText(tip) == hint) &&
               static_cast<LONG>(GetTickCount() - until) < 0)
            PumpFor(20);
        ASSERT_NE(tip, nullptr) << "no tooltip for " << name;
        EXPECT_EQ(TooltipText(tip), hint);
    }
    EXPECT_EQ(hovered, 7) << "the seven sliders";
    SetCursorPos(0, 0);
}

} // namespace
