// Shared by the indicator and switch-panel tests: a shown host form, the
// picture a widget paints (through its own paint path into a bitmap), WM_PAINT
// counting and the check that nothing is left behind.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "tests/win/gdi_leak_check.h"
#include "tests/win/paint_counter.h"
#include "widgets/ivclcomponent.h"

namespace indicator_testing {

inline void Pump()
{
    Application->ProcessMessages();
}

// The widget's picture as its iPaintTo draws it, background included.
inline std::unique_ptr<TBitmap> Snapshot(TiVCLComponent& w)
{
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf32bit);
    bmp->SetSize(w.Width(), w.Height());
    w.iPaintToDC(0, 0, false, bmp->Canvas()->Handle());
    return bmp;
}

inline TColor Pixel(TBitmap& bmp, int x, int y)
{
    return bmp.Canvas()->Pixels(x, y);
}

inline TColor Rgb(int r, int g, int b)
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

using ::TPaintCounter;

// A fixture with a shown form to put widgets on (one per suite: destroying a
// shown top-level window takes Wine about two seconds). Whatever a test
// created must be gone, windows and GDI objects alike, when it ends.
class IndicatorTest : public TWindowLeakCheckedTest {
protected:
    static void SetUpTestSuite()
    {
        Form = new TForm(nullptr);
        Form->SetBounds(40, 40, 480, 360);
        Form->Show();
        Pump();
    }
    static void TearDownTestSuite()
    {
        Form->Free();
        Form = nullptr;
        Pump();
    }
    void SetUp() override
    {
        TControlCanvas::FreeDeviceContexts();
        TWindowLeakCheckedTest::SetUp();
    }
    void TearDown() override
    {
        Form->DestroyComponents();
        Pump();
        TWindowLeakCheckedTest::TearDown();
        EXPECT_TRUE(Errors.empty()) << Errors.front();
    }

    // A widget on the form at (x, y) (its own size unless given), painted once.
    template <class T> T* Place(int x, int y, int w = -1, int h = -1)
    {
        T* widget = new T(Form);
        widget->SetParent(Form);
        widget->SetBounds(x, y, w < 0 ? widget->Width() : w, h < 0 ? widget->Height() : h);
        UpdateWindow(widget->Handle());
        return widget;
    }

    static inline TForm* Form = nullptr;
};

} // namespace indicator_testing
