// widget-gallery: every instrument widget in its main variants on one form,
// read from a layout as the panel reads its own. It saves a picture of the
// form's client area as a 24-bit BMP (the first argument, default
// "widget-gallery.bmp"), checks a few pixels whose colours the widgets
// define, frees the form and checks that no window or GDI object is left.
// Exit code 0 when all holds; the failures are printed.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/resourcecount.h"
#include "framework/stdctrls.h"
#include "widgets/iledrectangle.h"
#include "widgets/isevensegmenthexadecimal.h"
#include "widgets/islider.h"
#include "widgets/iswitchpanel.h"

namespace {

constexpr int kBlackTop = 365; // the panel's black display area starts here
constexpr int kBarTop = 390;
constexpr int kBarLit = 24;
constexpr int kCharTop = 648;

class TGalleryForm : public TForm {
    ORVANE_CLASS(TGalleryForm, TForm)
    explicit TGalleryForm(TComponent* AOwner) : TForm(AOwner)
    {
        LoadLayout();
        AddLevelBar();
        AddCharacters();
    }

    TiSevenSegmentHexadecimal* Display1 = nullptr;
    TiSwitchPanel* Switch1 = nullptr;
    TiLedRectangle* Led1 = nullptr;
    TiLedRectangle* Led2 = nullptr;
    TiSlider* PanelSlider1 = nullptr;

    void FormPaint(TObject*)
    {
        Canvas()->Brush()->SetColor(clBlack);
        Canvas()->FillRect(Rect(0, kBlackTop, ClientWidth(), ClientHeight()));
    }

private:
    // The panel's level bar: 37 lamps of 18 x 25, 2 pixels apart.
    void AddLevelBar()
    {
        for (int n = 0; n < 37; ++n) {
            auto* led = new TiLedRectangle(this);
            led->SetBounds(10 + 20 * n, kBarTop, 18, 25);
            led->SetActiveColor(4227327);
            led->SetBevelStyle(ibsRaised);
            led->SetActive(n < kBarLit);
            led->SetParent(this);
        }
    }

    void AddCharacters()
    {
        for (int v = ssc0; v <= sscComma; ++v) {
            auto* c = new TiSevenSegmentCharacter(this);
            c->SetSegmentSize(2);
            c->SetShowOffSegments(v % 2 == 0);
            c->SetValue(static_cast<TSevenSegmentCharacter>(v));
            c->SetAutoSize(false);
            c->SetBounds(10 + 34 * v, kCharTop, 24, 40);
            c->SetParent(this);
        }
    }
};

const TClassInfo& TGalleryForm::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGalleryForm>()
                                        .Field("Display1", &TGalleryForm::Display1)
                                        .Field("Switch1", &TGalleryForm::Switch1)
                                        .Field("Led1", &TGalleryForm::Led1)
                                        .Field("Led2", &TGalleryForm::Led2)
                                        .Field("PanelSlider1", &TGalleryForm::PanelSlider1)
                                        .Handler<TNotifyEvent>("FormPaint", &TGalleryForm::FormPaint);
    return info;
}

// The client area as the screen shows it.
std::unique_ptr<TBitmap> Capture(TCustomForm& form)
{
    auto shot = std::make_unique<TBitmap>();
    shot->SetPixelFormat(pf24bit);
    shot->SetSize(form.ClientWidth(), form.ClientHeight());
    HDC dc = GetDC(form.Handle());
    BitBlt(shot->Canvas()->Handle(), 0, 0, form.ClientWidth(), form.ClientHeight(), dc, 0, 0, SRCCOPY);
    ReleaseDC(form.Handle(), dc);
    return shot;
}

struct TExpectedPixel {
    const char* What;
    TPoint At; // in the form's client area
    COLORREF Color;
};

int CheckPixels(TBitmap& shot, TGalleryForm& form)
{
    const auto origin = [](TControl* c) { return TPoint(c->Left(), c->Top()); };
    const TPoint d = origin(form.Display1), s = origin(form.Switch1), l1 = origin(form.Led1),
                 l2 = origin(form.Led2);
    const std::vector<TExpectedPixel> expected = {
        {"lit LED", {l1.X + 15, l1.Y + 15}, RGB(0, 255, 0)},
        {"LED reflection", {l1.X + 3, l1.Y + 3}, RGB(255, 255, 255)},
        {"unlit LED, dimmed", {l2.X + 15, l2.Y + 15}, RGB(0, 85, 0)},
        {"first bar lamp, lit", {10 + 9, kBarTop + 12}, RGB(255, 128, 64)},
        {"last bar lamp, unlit", {10 + 20 * 36 + 9, kBarTop + 12}, RGB(85, 42, 21)},
        {"E of E1, segment a", {d.X + 118 + 45, d.Y + 19}, RGB(255, 0, 0)},
        {"E of E1, segment b unlit", {d.X + 118 + 80, d.Y + 50}, RGB(0, 0, 0)},
        {"1 of E1, segment b", {d.X + 226 + 80, d.Y + 50}, RGB(255, 0, 0)},
        {"switch handle at the knob centre", {s.X + 48, s.Y + 72}, RGB(128, 128, 0)},
        {"switch caption panel", {s.X + 5, s.Y + 30}, RGB(255, 128, 64)},
    };
    int failures = 0;
    for (const TExpectedPixel& e : expected) {
        const COLORREF got = GetPixel(shot.Canvas()->Handle(), e.At.X, e.At.Y);
        if (got != e.Color) {
            std::printf("pixel %s at (%d, %d): %06lX, expected %06lX\n", e.What, e.At.X, e.At.Y,
                        static_cast<unsigned long>(got), static_cast<unsigned long>(e.Color));
            ++failures;
        }
    }
    return failures;
}

int Run(const std::string& bmpFile)
{
    RegisterClasses<TLabel, TiSlider, TiSwitchPanel, TiLedRectangle, TiSevenSegmentHexadecimal,
                    TiSevenSegmentCharacter>();
    const int windows0 = TResourceCount::Windows, gdi0 = TResourceCount::GdiObjects;
    int failures = 0;
    {
        auto* form = new TGalleryForm(nullptr);
        form->Show();
        Application->ProcessMessages();
        RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Application->ProcessMessages();
        auto shot = Capture(*form);
        shot->SaveToFile(bmpFile);
        failures += CheckPixels(*shot, *form);
        shot.reset();
        form->Free();
    }
    Application->ProcessMessages();
    TControlCanvas::FreeDeviceContexts();
    if (TResourceCount::Windows != windows0 || TResourceCount::GdiObjects != gdi0) {
        std::printf("left behind: %d windows, %d GDI objects\n", TResourceCount::Windows - windows0,
                    TResourceCount::GdiObjects - gdi0);
        ++failures;
    }
    std::printf("widget-gallery: %s, %d failure(s)\n", bmpFile.c_str(), failures);
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc > 1 ? argv[1] : "widget-gallery.bmp");
    } catch (const std::exception& e) {
        std::printf("widget-gallery: %s\n", e.what());
        return 2;
    }
}
