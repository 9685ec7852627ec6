// What the tests of the skinned plain controls and scroll bars share: our
// default skin loaded, a shown form with a test host standing in for the
// skinned frame, the live handle and window counts every test must leave as
// it found them, and pixel reading that tells which frame of a skin image a
// control shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "framework/forms.h"
#include "framework/resourcecount.h"
#include "runtime/classes.h"
#include "skin/winskinedit.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"
#include "skin/winskinscroll.h"
#include "skin/winsubclass.h"

namespace skinedittest {

using Clock = std::chrono::steady_clock;

inline void Pump(int ms = 30)
{
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(2);
    } while (Clock::now() < until);
}

// The frame's side, over a plain framework form.
class TTestHost : public TSkinControlHost {
public:
    TTestHost(TCustomForm& form, TSkinData& data) : form_(form), data_(data), list_(*this) {}
    HWND HostHandle() override { return form_.Handle(); }
    TCustomForm* HostForm() override { return &form_; }
    TSkinData* HostSkinData() override { return &data_; }
    TCanvas* HostCanvas() override { return &canvas_; }
    bool HostActive() override { return Active; }
    TSkinControlList& HostControls() override { return list_; }
    bool Active = true;

private:
    TCustomForm& form_;
    TSkinData& data_;
    TCanvas canvas_;
    TSkinControlList list_;
};

// The default skin, as the main window carries it, without a manager
// hooking the test's windows.
inline std::unique_ptr<TSkinData> DefaultSkin()
{
    auto data = std::make_unique<TSkinData>(nullptr);
    TMemoryStream package;
    package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
    data->LoadFromStream(package);
    delete SkinManager;
    return data;
}

// A shown form, its controls attached by the host. Every test ends with the
// counts it began with.
class SkinnedForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        gdi0_ = TResourceCount::GdiObjects;
        dc0_ = TResourceCount::DeviceContexts;
        windows0_ = TResourceCount::Windows;
        // A static library drops units nobody names: the kinds are named here.
        RegisterSkinEditKinds();
        RegisterSkinScrollKinds();
        data = DefaultSkin();
        ASSERT_FALSE(data->NotLoaded) << data->LastDebug;
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(60, 60, 360, 260);
        form->SetColor(clBtnFace);
        host = std::make_unique<TTestHost>(*form, *data);
    }
    void TearDown() override
    {
        host.reset();
        form.reset();
        data.reset();
        delete SkinManager;
        Pump(10);
        EXPECT_EQ(TResourceCount::GdiObjects, gdi0_) << "GDI objects left behind";
        EXPECT_EQ(TResourceCount::DeviceContexts, dc0_) << "device contexts left behind";
        EXPECT_EQ(TResourceCount::Windows, windows0_) << "windows left behind";
    }
    void ShowForm()
    {
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(60);
    }
    TSkinControlList& List() { return host->HostControls(); }
    TColor Face() const { return data->Colors[csButtonFace]; }
    TColor Shadow() const { return data->Colors[csButtonShadow]; }

    std::unique_ptr<TSkinData> data;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TTestHost> host;

private:
    int gdi0_ = 0, dc0_ = 0, windows0_ = 0;
};

// --- Pixels

// What the screen shows at a point of a window (client coordinates, or
// window coordinates when whole).
inline COLORREF PixelOf(HWND wnd, int x, int y, bool whole = false)
{
    POINT p{x, y};
    if (whole) {
        RECT r;
        GetWindowRect(wnd, &r);
        p = POINT{r.left + x, r.top + y};
    } else {
        ClientToScreen(wnd, &p);
    }
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

inline COLORREF Rgb(TColor c)
{
    return ColorToRGB(c);
}

// Copies what the screen shows of a window's client rectangle r.
inline std::unique_ptr<TBitmap> Grab(HWND wnd, const TRect& r)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(r.Width(), r.Height());
    POINT p{r.Left, r.Top};
    ClientToScreen(wnd, &p);
    HDC screen = GetDC(nullptr);
    BitBlt(b->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), screen, p.x, p.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return b;
}

// How many pixels of shown (at its top left) differ from frame `frame` of
// image laid out unscaled; key-coloured source pixels and points for which
// skip answers true are not compared.
inline int FrameMismatches(TBitmap& shown, TBitmap& image, int frames, int frame,
                           const std::function<bool(int, int)>& skip = {})
{
    const TRect src = FrameRect(&image, false, frames, frame);
    int bad = 0;
    for (int y = 0; y < src.Height() && y < shown.GetHeight(); ++y)
        for (int x = 0; x < src.Width() && x < shown.GetWidth(); ++x) {
            if (skip && skip(x, y)) continue;
            const TColor want = image.Canvas()->GetPixel(src.Left + x, src.Top + y);
            if (want == SkinKeyColor) continue;
            if (shown.Canvas()->GetPixel(x, y) != want) ++bad;
        }
    return bad;
}

// The frame of image that shown matches best (the first of equals).
inline int BestFrame(TBitmap& shown, TBitmap& image, int frames,
                     const std::function<bool(int, int)>& skip = {})
{
    int best = 0, fewest = INT_MAX;
    for (int f = 1; f <= frames; ++f) {
        const int bad = FrameMismatches(shown, image, frames, f, skip);
        if (bad < fewest) {
            fewest = bad;
            best = f;
        }
    }
    return fewest == 0 ? best : -best;
}

} // namespace skinedittest
