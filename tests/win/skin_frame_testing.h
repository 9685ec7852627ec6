// What the frame and caption-button tests share: our default skin loaded
// once, a manager of the test's own, forms shaped like the program's two
// windows, message pumping, and reading the frame back as painted.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/resourcecount.h"
#include "runtime/classes.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"
#include "skin/winskinframe.h"

namespace frametest {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline void Pump(milliseconds span)
{
    auto until = Clock::now() + span;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(2);
    } while (Clock::now() < until);
}

template <class Pred> bool PumpUntil(Pred done, milliseconds limit = milliseconds(2000))
{
    auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (done()) return true;
        Pump(milliseconds(2));
    }
    return done();
}

// The skin the main window carries, loaded once for the whole run.
inline TSkinData& DefaultSkin()
{
    static TSkinData* data = [] {
        auto* d = new TSkinData(nullptr);
        TMemoryStream package;
        package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
        d->LoadFromStream(package);
        // Loading may have started a process-wide manager; the tests run
        // their own.
        delete SkinManager;
        return d;
    }();
    return *data;
}

// A form shaped like the main window: single border, system menu and
// minimize box, client 754 x 500.
inline std::unique_ptr<TForm> MainShapedForm(const std::string& caption = "Orvane Panel")
{
    auto f = std::make_unique<TForm>(nullptr);
    f->SetBorderStyle(bsSingle);
    f->SetBorderIcons({biSystemMenu, biMinimize});
    f->SetBounds(60, 40, 300, 200);
    f->SetClientWidth(754);
    f->SetClientHeight(500);
    f->SetText(caption);
    return f;
}

// A form shaped like the traffic monitor: sizeable, all three boxes.
inline std::unique_ptr<TForm> MonitorShapedForm()
{
    auto f = std::make_unique<TForm>(nullptr);
    f->SetBorderStyle(bsSizeable);
    f->SetBounds(120, 90, 548, 366);
    f->SetText("Form2");
    return f;
}

inline TRect WindowRectOf(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
}

inline TRect ClientRectOf(HWND wnd)
{
    RECT r{};
    GetClientRect(wnd, &r);
    return r;
}

inline LPARAM ScreenPoint(HWND wnd, int x, int y)
{
    const TRect r = WindowRectOf(wnd);
    return MAKELPARAM(r.Left + x, r.Top + y);
}

inline int ThreadWindows()
{
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(), [](HWND, LPARAM p) { return ++*reinterpret_cast<int*>(p), TRUE; },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

// A manager of the test's own with the default skin, enabled as after
// start-up.
struct SkinnedTest : ::testing::Test {
    TSkinData& data = DefaultSkin();
    std::unique_ptr<TSkinManage> manager;

    void SetUp() override
    {
        delete SkinManager;
        manager = std::make_unique<TSkinManage>();
        manager->AddSkinData(&data);
        manager->Enabled = true;
        manager->UseState = 1;
    }
    void TearDown() override { manager.reset(); }

    // Shows the form, skins it and waits for the activation message.
    template <class Form> TWinSkinForm* Skin(Form& form)
    {
        form.Show();
        SetForegroundWindow(form.Handle());
        if (!manager->FindSkinForm(form.Handle())) manager->AddForm(form.Handle());
        auto* f = manager->FindSkinForm(form.Handle());
        if (!f) return nullptr;
        PumpUntil([&] { return f->FrameState == FrameSkinned && f->ControlsInited; });
        Pump(milliseconds(20));
        return f;
    }

    // The whole window as the frame paints it, through the paint-into
    // message a skinned form answers.
    std::unique_ptr<TBitmap> PaintedFrame(HWND wnd)
    {
        const TRect r = WindowRectOf(wnd);
        auto b = std::make_unique<TBitmap>();
        b->SetPixelFormat(pf24bit);
        b->SetSize(r.Width(), r.Height());
        b->Canvas()->Brush()->SetColor(clBlack);
        b->Canvas()->FillRect(Rect(0, 0, r.Width(), r.Height()));
        EXPECT_EQ(
            SendMessageA(wnd, WM_SKIN_PAINTTO, reinterpret_cast<WPARAM>(b->Canvas()->Handle()), SkinMarker),
            SkinMarker);
        return b;
    }
};

// Closes every menu that pops up, as a user pressing Escape would, and keeps
// where the last one showed. Runs on a thread timer, which the menu's own
// modal loop dispatches.
class TMenuCloser {
public:
    TMenuCloser()
    {
        Shown = 0;
        timer_ = SetTimer(nullptr, 0, 40, Tick);
    }
    ~TMenuCloser() { KillTimer(nullptr, timer_); }
    TMenuCloser(const TMenuCloser&) = delete;
    TMenuCloser& operator=(const TMenuCloser&) = delete;

    static inline int Shown = 0;
    static inline TRect LastRect;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND menu = FindWindowA("#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) return;
        ++Shown;
        LastRect = WindowRectOf(menu);
        EndMenu();
    }
    UINT_PTR timer_ = 0;
};

inline TWinSysButton* ButtonOfAction(TWinSkinForm& f, int action, int visibility = -1)
{
    for (auto& b : f.SysButtons)
        if (b->SkinObject->Action == action && (visibility < 0 || b->SkinObject->Visibility == visibility))
            return b.get();
    return nullptr;
}

inline TWinSysButton* VisibleButtonOfAction(TWinSkinForm& f, int action)
{
    for (auto& b : f.SysButtons)
        if (b->SkinObject->Action == action && b->Visible) return b.get();
    return nullptr;
}

inline TPoint Centre(const RECT& r)
{
    return Point((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Pixels of the window, as on screen, that differ from frame `frame` of a
// caption button's image at the button (key pixels are not drawn).
inline int ShownMismatches(HWND wnd, const TWinSysButton& b, int frame)
{
    TDataSkinSysButton& obj = *b.SkinObject;
    const int w = obj.Image->GetWidth() / obj.Frame, h = obj.Image->GetHeight();
    TWindowDC dc = TWindowDC::Get(wnd, true);
    int bad = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const TColor src = obj.Image->Canvas()->GetPixel((frame - 1) * w + i, j);
            if (src == SkinKeyColor) continue;
            if (GetPixel(dc.Handle(), b.BoundsRect.left + i, b.BoundsRect.top + j) != ColorToRGB(src)) ++bad;
        }
    return bad;
}

} // namespace frametest
