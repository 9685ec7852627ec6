// framework-gallery: one window holding each standard control of the
// framework in its usual states, read from the layout resource TGALLERYFORM.
//
//   framework-gallery.exe                       shows the window until closed
//   framework-gallery.exe --screenshot FILE.bmp shows it, captures it into
//       FILE.bmp, checks that every control painted, and exits with the
//       number of failed checks
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"

class TGalleryForm : public TForm {
    ORVANE_CLASS(TGalleryForm, TForm)
    explicit TGalleryForm(TComponent* AOwner) : TForm(AOwner) { LoadLayout(); }

    TToolBar* ToolBar1 = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TCheckBox* CheckBox2 = nullptr;
    TEdit* Edit1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    TLabel* Label1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;
    TMemo* Memo1 = nullptr;
    TShape* Shape1 = nullptr;
    TImage* Image1 = nullptr;
    TButton* Button1 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;

    void Exit1Click(TObject*) { Close(); }
};

const TClassInfo& TGalleryForm::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGalleryForm>()
                                        .Field("ToolBar1", &TGalleryForm::ToolBar1)
                                        .Field("ToolButton1", &TGalleryForm::ToolButton1)
                                        .Field("ToolButton2", &TGalleryForm::ToolButton2)
                                        .Field("Panel1", &TGalleryForm::Panel1)
                                        .Field("Panel2", &TGalleryForm::Panel2)
                                        .Field("GroupBox1", &TGalleryForm::GroupBox1)
                                        .Field("CheckBox1", &TGalleryForm::CheckBox1)
                                        .Field("CheckBox2", &TGalleryForm::CheckBox2)
                                        .Field("Edit1", &TGalleryForm::Edit1)
                                        .Field("UpDown1", &TGalleryForm::UpDown1)
                                        .Field("Label1", &TGalleryForm::Label1)
                                        .Field("RadioGroup1", &TGalleryForm::RadioGroup1)
                                        .Field("SpeedButton1", &TGalleryForm::SpeedButton1)
                                        .Field("SpeedButton2", &TGalleryForm::SpeedButton2)
                                        .Field("SpeedButton3", &TGalleryForm::SpeedButton3)
                                        .Field("Memo1", &TGalleryForm::Memo1)
                                        .Field("Shape1", &TGalleryForm::Shape1)
                                        .Field("Image1", &TGalleryForm::Image1)
                                        .Field("Button1", &TGalleryForm::Button1)
                                        .Field("BitBtn1", &TGalleryForm::BitBtn1)
                                        .Field("MainMenu1", &TGalleryForm::MainMenu1)
                                        .Field("PopupMenu1", &TGalleryForm::PopupMenu1)
                                        .Handler<TNotifyEvent>("Exit1Click", &TGalleryForm::Exit1Click);
    return info;
}

TGalleryForm* GalleryForm = nullptr;

namespace {

// --- The screenshot ---------------------------------------------------------------

// The whole window as it shows on the screen, frame and menu bar included.
void CaptureWindow(HWND wnd, TBitmap& shot)
{
    RECT r;
    GetWindowRect(wnd, &r);
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(r.right - r.left, r.bottom - r.top);
    TWindowDC screen = TWindowDC::Get(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top, screen.Handle(), r.left, r.top,
           SRCCOPY);
}

// Checks read the screenshot in the coordinates of a control.
class TShot {
public:
    TShot(TBitmap& shot, HWND wnd) : shot_(shot) { GetWindowRect(wnd, &window_); }
    COLORREF Pixel(TControl* c, int x, int y) const
    {
        const TPoint p = c->ClientToScreen({x, y});
        return static_cast<COLORREF>(shot_.Canvas()->Pixels(p.X - window_.left, p.Y - window_.top));
    }
    // Pixels of r (control coordinates) for which test holds.
    int Count(TControl* c, const TRect& r, const std::function<bool(COLORREF)>& test) const
    {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (test(Pixel(c, x, y))) ++n;
        return n;
    }
    int Dark(TControl* c, const TRect& r) const
    {
        return Count(c, r, [](COLORREF p) { return Luma(p) < 80; });
    }
    static int Luma(COLORREF p) { return (GetRValue(p) * 30 + GetGValue(p) * 59 + GetBValue(p) * 11) / 100; }

private:
    TBitmap& shot_;
    RECT window_;
};

int failures = 0;

void Check(const char* what, bool ok, const std::string& detail = {})
{
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what, detail.empty() ? "" : ": ", detail.c_str());
    if (!ok) ++failures;
}

std::string Hex(COLORREF c)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(c));
    return text;
}

// What proves each control painted: its own colours at its own places, or
// ink (text, marks, arrows) where it draws them.
void CheckControls(TGalleryForm& f, const TShot& s)
{
    const COLORREF face = ColorToRGB(clBtnFace);
    const COLORREF panel = ColorToRGB(f.Panel1->GetColor());

    Check("menu bar", GetMenu(f.Handle()) != nullptr && GetMenuItemCount(GetMenu(f.Handle())) == 2);
    for (TToolButton* b : {f.ToolButton1, f.ToolButton2}) {
        const TRect r = b->BoundsRect();
        const int ink = s.Dark(f.ToolBar1, r);
        Check("tool button caption", ink > 5, b->Caption() + " " + std::to_string(ink));
    }

    const COLORREF p1 = s.Pixel(f.Panel1, 4, f.Panel1->Height() - 4);
    Check("panel colour", p1 == panel, Hex(p1));
    const COLORREF edge = s.Pixel(f.Panel1, 0, 20);
    Check("panel raised bevel", edge == ColorToRGB(clBtnHighlight), Hex(edge));
    Check("panel caption", s.Dark(f.Panel2, Rect(0, 40, f.Panel2->Width(), 64)) > 30);

    const int frame = s.Count(f.GroupBox1, Rect(0, 30, 4, 120), [&](COLORREF p) { return p != panel; });
    Check("group box frame", frame > 60, std::to_string(frame));
    const int caption = s.Count(f.GroupBox1, Rect(0, 0, 80, 14), [](COLORREF p) {
        return GetGValue(p) > 90 && GetRValue(p) < 60 && GetBValue(p) < 60;
    });
    Check("group box caption in its font colour", caption > 10, std::to_string(caption));

    const int checked = s.Dark(f.CheckBox1, Rect(0, 0, 16, f.CheckBox1->Height()));
    const int unchecked = s.Dark(f.CheckBox2, Rect(0, 0, 16, f.CheckBox2->Height()));
    Check("check box checked mark", checked > unchecked + 4,
          std::to_string(checked) + " vs " + std::to_string(unchecked));
    const TRect text2 = Rect(18, 0, f.CheckBox2->Width(), f.CheckBox2->Height());
    const int grey = s.Count(f.CheckBox2, text2, [&](COLORREF p) { return p != face && p != panel; });
    Check("disabled check box caption grey", grey > 10 && s.Dark(f.CheckBox2, text2) == 0,
          std::to_string(grey) + " grey, " + std::to_string(s.Dark(f.CheckBox2, text2)) + " dark");

    Check("edit shows the up-down position",
          f.Edit1->GetText() == "42" && s.Dark(f.Edit1, Rect(2, 2, 30, f.Edit1->Height() - 2)) > 10);
    const int arrows = s.Count(f.UpDown1, Rect(3, 3, f.UpDown1->Width() - 3, f.UpDown1->Height() - 3),
                               [&](COLORREF p) { return TShot::Luma(p) < TShot::Luma(face) - 60; });
    Check("up-down arrows", arrows >= 6, std::to_string(arrows));

    const int label = s.Count(f.Label1, Rect(0, 0, f.Label1->Width(), f.Label1->Height()), [](COLORREF p) {
        return GetBValue(p) > 150 && GetRValue(p) < 80 && GetGValue(p) < 80;
    });
    Check("label text in blue on two lines", label > 30, std::to_string(label));

    // The radio group's buttons: the selected one has its dot.
    int dots[3] = {};
    int i = 0;
    for (int k = 0; k < f.RadioGroup1->ControlCount() && i < 3; ++k)
        if (auto* rb = dynamic_cast<TRadioButton*>(f.RadioGroup1->Controls(k)))
            dots[i++] = s.Dark(rb, Rect(0, 0, 14, rb->Height()));
    Check("radio group item 1 selected",
          f.RadioGroup1->GetItemIndex() == 1 && dots[1] > dots[0] + 3 && dots[1] > dots[2] + 3,
          std::to_string(dots[0]) + "/" + std::to_string(dots[1]) + "/" + std::to_string(dots[2]));

    const COLORREF flatRest = s.Pixel(f.SpeedButton1, 0, 0);
    Check("flat speed button at rest shows its parent", flatRest == panel, Hex(flatRest));
    Check("flat speed button caption", s.Dark(f.SpeedButton1, Rect(0, 0, 64, 22)) > 10);
    const COLORREF down = s.Pixel(f.SpeedButton2, 0, 0);
    Check("down speed button sunken", down == ColorToRGB(clBtnShadow), Hex(down));
    const auto green = [](COLORREF p) {
        return GetGValue(p) > 120 && GetRValue(p) < 60 && GetBValue(p) < 60;
    };
    Check("speed button glyph", s.Count(f.SpeedButton3, Rect(0, 0, 136, 24), green) > 40);
    Check("bit button glyph", s.Count(f.BitBtn1, Rect(0, 0, 140, 28), green) > 40);
    Check("bit button caption", s.Dark(f.BitBtn1, Rect(30, 4, 136, 24)) > 10);
    Check("button caption", s.Dark(f.Button1, Rect(4, 4, 136, 21)) > 10);

    SCROLLBARINFO v{}, h{};
    v.cbSize = h.cbSize = sizeof v;
    HWND memo = f.Memo1->Handle();
    const bool bars = GetScrollBarInfo(memo, OBJID_VSCROLL, &v) &&
                      GetScrollBarInfo(memo, OBJID_HSCROLL, &h) && !(v.rgstate[0] & STATE_SYSTEM_INVISIBLE) &&
                      !(h.rgstate[0] & STATE_SYSTEM_INVISIBLE);
    Check("memo has both scroll bars", bars);
    Check("memo lines", f.Memo1->Lines()->Count() >= 200 && s.Dark(f.Memo1, Rect(4, 2, 250, 16)) > 30,
          std::to_string(f.Memo1->Lines()->Count()) + " lines");

    const COLORREF yellow = s.Pixel(f.Shape1, f.Shape1->Width() / 2, f.Shape1->Height() / 2);
    Check("shape filled", yellow == RGB(255, 255, 0), Hex(yellow));
    const COLORREF outside = s.Pixel(f.Shape1, 1, 1);
    Check("shape is an ellipse", outside == face, Hex(outside));
    const COLORREF red = s.Pixel(f.Image1, f.Image1->Width() / 2, f.Image1->Height() / 2);
    Check("image centred", red == RGB(255, 0, 0), Hex(red));
}

// Lets the window show and paint: under Wine the first show takes a moment.
void Settle(TCustomForm* form)
{
    for (int i = 0; i < 60; ++i) {
        Application->ProcessMessages();
        Sleep(25);
    }
    RedrawWindow(form->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Application->ProcessMessages();
}

int Screenshot(const std::string& file)
{
    GalleryForm->Show();
    SetForegroundWindow(GalleryForm->Handle());
    Settle(GalleryForm);
    TBitmap shot;
    CaptureWindow(GalleryForm->Handle(), shot);
    shot.SaveToFile(file);
    CheckControls(*GalleryForm, TShot(shot, GalleryForm->Handle()));
    GalleryForm->Free();
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        Application->Initialize();
        Application->Title = "Framework gallery";
        Application->CreateForm(GalleryForm);
        if (argc == 3 && std::string(argv[1]) == "--screenshot") return Screenshot(argv[2]);
        Application->Run();
    } catch (const Exception& e) {
        std::fprintf(stderr, "framework-gallery: %s\n", e.Message.c_str());
        return 100;
    }
    return 0;
}
