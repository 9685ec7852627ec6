// The standard controls under Wine: they read from layouts, paint where and
// as their properties say, take the keyboard and mouse the way the panel's
// handlers rely on, and leave no window or GDI object behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace {

// --- Forms -------------------------------------------------------------------

class TStdForm : public TForm {
    ORVANE_CLASS(TStdForm, TForm)
    TStdForm(TComponent* AOwner, std::string_view layout) : TForm(AOwner) { LoadLayout(layout); }
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
};

const TClassInfo& TStdForm::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TStdForm>().Field("Label1", &TStdForm::Label1).Field("Label2", &TStdForm::Label2);
    return info;
}

// --- Fixture -----------------------------------------------------------------

int CountOurThreadWindows()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) -> BOOL {
            char name[64] = {};
            GetClassNameA(wnd, name, sizeof name);
            if (std::string(name) == "TStdForm") ++*reinterpret_cast<int*>(p);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

void Pump()
{
    Application->ProcessMessages();
}

// The colour on screen at a point of a window's client area.
COLORREF PixelAt(HWND wnd, int x, int y)
{
    HDC dc = GetDC(wnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}

class StdControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        windows0_ = TResourceCount::Windows;
        gdi0_ = TResourceCount::GdiObjects;
        Application->OnException = [this](TObject*, Exception& e) { Errors.push_back(e.Message); };
    }
    void TearDown() override
    {
        Application->OnException = nullptr;
        TControlCanvas::FreeDeviceContexts();
        EXPECT_EQ(TResourceCount::Windows, windows0_) << "windows left behind";
        EXPECT_EQ(TResourceCount::GdiObjects, gdi0_) << "GDI objects left behind";
        EXPECT_EQ(CountOurThreadWindows(), 0);
        EXPECT_TRUE(Errors.empty()) << Errors.front();
    }
    TStdForm* Open(std::string_view layout)
    {
        auto* form = new TStdForm(nullptr, layout);
        form->Show();
        UpdateWindow(form->Handle());
        Pump();
        return form;
    }

    std::vector<std::string> Errors;

private:
    int windows0_ = 0, gdi0_ = 0;
};

// --- Labels ------------------------------------------------------------------

const char kLabelLayout[] = R"(object StdForm: TStdForm
  Left = 50
  Top = 50
  BorderStyle = bsSingle
  ClientHeight = 100
  ClientWidth = 200
  Color = clBlack
  object Label1: TLabel
    Left = 100
    Top = 10
    Width = 91
    Height = 20
    Alignment = taRightJustify
    AutoSize = False
    Caption = 'Disconnect'
    Color = clNavy
    Font.Color = clYellow
    Font.Height = -16
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
  end
  object Label2: TLabel
    Left = 10
    Top = 40
    Width = 60
    Height = 17
    Alignment = taCenter
    Caption = 'Alarm Threshold'
    Font.Color = clLime
    Transparent = True
    WordWrap = True
  end
end
)";

// The columns of a rectangle that hold a pixel of the given colour.
std::pair<int, int> InkColumns(HWND wnd, TRect r, COLORREF ink)
{
    int first = -1, last = -1;
    HDC dc = GetDC(wnd);
    for (int x = r.Left; x < r.Right; ++x)
        for (int y = r.Top; y < r.Bottom; ++y)
            if (GetPixel(dc, x, y) == ink) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    ReleaseDC(wnd, dc);
    return {first, last};
}

TEST_F(StdControls, LabelsPaintTheirCaptionAsAlignedAndSizeThemselves)
{
    TStdForm* form = Open(kLabelLayout);
    HWND wnd = form->Handle();
    TLabel* status = form->Label1;
    EXPECT_EQ(status->Caption(), "Disconnect");
    EXPECT_EQ(GetEnumProperty(status, "Alignment"), "taRightJustify");
    EXPECT_EQ(status->BoundsRect(), Bounds(100, 10, 91, 20)) << "AutoSize off keeps the written bounds";

    // Opaque: its own colour fills it; right-justified: the ink ends at its
    // right edge.
    EXPECT_EQ(PixelAt(wnd, 101, 11), ColorToRGB(clNavy));
    auto [first, last] = InkColumns(wnd, status->BoundsRect(), RGB(255, 255, 0));
    EXPECT_GT(first, 100);
    EXPECT_GE(last, 185);

    status->SetCaption("Connected");
    form->Update();
    EXPECT_EQ(GetStringProp(status, "Caption"), "Connected");
    auto [first2, last2] = InkColumns(wnd, status->BoundsRect(), RGB(255, 255, 0));
    EXPECT_GT(first2, first) << "a shorter caption starts further right";
    EXPECT_GE(last2, 185);

    // Word-wrapped with AutoSize: the width stays, the height grows to two
    // lines; transparent: the form's black shows between the letters.
    TLabel* caption = form->Label2;
    EXPECT_EQ(caption->Width(), 60);
    EXPECT_GT(caption->Height(), 20);
    EXPECT_EQ(PixelAt(wnd, 11, 41), RGB(0, 0, 0));
    auto [cfirst, clast] = InkColumns(wnd, caption->BoundsRect(), RGB(0, 255, 0));
    EXPECT_GT(cfirst, 10);
    EXPECT_LT(clast, 69);
    EXPECT_NEAR((cfirst - 10) - (69 - clast), 0, 3) << "centred";

    // Without wrapping AutoSize fits the text on one line.
    caption->SetWordWrap(false);
    EXPECT_GT(caption->Width(), 60);
    EXPECT_LT(caption->Height(), 20);
    form->Free();
}

} // namespace
