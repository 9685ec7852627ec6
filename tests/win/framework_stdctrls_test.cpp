// The standard controls under Wine: they read from layouts, paint where and
// as their properties say, take the keyboard and mouse the way the panel's
// handlers rely on, and leave no window or GDI object behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "tests/support/threadwindows.h"
#include "tests/win/gdi_leak_check.h"

namespace {

// --- Forms -------------------------------------------------------------------

class TStdForm : public TForm {
    ORVANE_CLASS(TStdForm, TForm)
    TStdForm(TComponent* AOwner, std::string_view layout) : TForm(AOwner) { LoadLayout(layout); }
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TEdit* Edit1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TMemo* Memo1 = nullptr;
    TButton* Button1 = nullptr;
    TImage* Image1 = nullptr;

    std::string Trace;
    std::string Typed;
    char Swallow = 0;
    TModalResult ModalResult = mrNone;

    void Edit1KeyPress(TObject*, char& Key)
    {
        Typed += Key;
        if (Key == Swallow) Key = 0;
    }
    void Edit1Change(TObject*) { Trace += "change "; }
    void CheckBox1Click(TObject*) { Trace += "click "; }
    void CheckBox1MouseUp(TObject*, TMouseButton, TShiftState, int, int) { Trace += "mouseup "; }
    void RadioGroup1Click(TObject*) { Trace += "group" + std::to_string(RadioGroup1->GetItemIndex()) + " "; }
    void Button1Click(TObject*) { Trace += "button "; }
};

const TClassInfo& TStdForm::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TStdForm>()
            .Field("Label1", &TStdForm::Label1)
            .Field("Label2", &TStdForm::Label2)
            .Field("Panel1", &TStdForm::Panel1)
            .Field("Panel2", &TStdForm::Panel2)
            .Field("Shape1", &TStdForm::Shape1)
            .Field("Shape2", &TStdForm::Shape2)
            .Field("GroupBox1", &TStdForm::GroupBox1)
            .Field("Edit1", &TStdForm::Edit1)
            .Field("CheckBox1", &TStdForm::CheckBox1)
            .Field("RadioGroup1", &TStdForm::RadioGroup1)
            .Field("Memo1", &TStdForm::Memo1)
            .Field("Button1", &TStdForm::Button1)
            .Field("Image1", &TStdForm::Image1)
            .Int("ModalResult", &TStdForm::ModalResult, &TStdForm::ModalResult, mrNone)
            .Handler<TKeyPressEvent>("Edit1KeyPress", &TStdForm::Edit1KeyPress)
            .Handler<TNotifyEvent>("Edit1Change", &TStdForm::Edit1Change)
            .Handler<TNotifyEvent>("CheckBox1Click", &TStdForm::CheckBox1Click)
            .Handler<TMouseEvent>("CheckBox1MouseUp", &TStdForm::CheckBox1MouseUp)
            .Handler<TNotifyEvent>("RadioGroup1Click", &TStdForm::RadioGroup1Click)
            .Handler<TNotifyEvent>("Button1Click", &TStdForm::Button1Click);
    return info;
}

// --- Fixture -----------------------------------------------------------------

int CountOurThreadWindows()
{
    return CountThreadWindows({"TStdForm"});
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

class StdControls : public TWindowLeakCheckedTest {
protected:
    void TearDown() override
    {
        // Freed here, so that a failed assertion leaves nothing behind either.
        if (form_) form_->Free();
        TWindowLeakCheckedTest::TearDown();
        EXPECT_EQ(CountOurThreadWindows(), 0);
        EXPECT_TRUE(Errors.empty()) << Errors.front();
    }
    TStdForm* Open(std::string_view layout)
    {
        form_ = new TStdForm(nullptr, layout);
        form_->Show();
        UpdateWindow(form_->Handle());
        Pump();
        return form_;
    }

private:
    TStdForm* form_ = nullptr;
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
}

// --- A form of every control ------------------------------------------------

const char kPanelLayout[] = R"(object StdForm: TStdForm
  Left = 40
  Top = 40
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Controls'
  ClientHeight = 400
  ClientWidth = 600
  Color = clBtnFace
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 600
    Height = 400
    Align = alClient
    BevelOuter = bvNone
    Ctl3D = False
    Color = 12891320
    ParentCtl3D = False
    TabOrder = 0
    object Shape2: TShape
      Left = -63
      Top = 0
      Width = 400
      Height = 120
      Brush.Color = clBlack
      Pen.Color = clOlive
      Pen.Width = 2
    end
    object Shape1: TShape
      Left = 8
      Top = 300
      Width = 60
      Height = 40
      Brush.Color = clRed
      Pen.Style = psClear
      Shape = stEllipse
    end
    object Label1: TLabel
      Left = 250
      Top = 8
      Width = 91
      Height = 20
      Caption = 'Disconnect'
      Font.Color = clYellow
      Font.Height = -16
      Font.Style = [fsBold]
      Transparent = True
    end
    object Image1: TImage
      Left = 100
      Top = 40
      Width = 105
      Height = 73
      AutoSize = True
      Transparent = True
    end
    object GroupBox1: TGroupBox
      Left = 8
      Top = 130
      Width = 177
      Height = 120
      Caption = 'Brightness'
      Ctl3D = True
      Font.Color = clGreen
      Font.Height = -11
      Font.Style = [fsBold]
      ParentCtl3D = False
      TabOrder = 1
      object Edit1: TEdit
        Left = 24
        Top = 40
        Width = 25
        Height = 19
        Ctl3D = False
        Font.Color = clBlack
        Font.Height = -11
        Font.Style = []
        ParentCtl3D = False
        TabOrder = 0
        Text = '10'
        OnChange = Edit1Change
        OnKeyPress = Edit1KeyPress
      end
      object CheckBox1: TCheckBox
        Left = 100
        Top = 40
        Width = 14
        Height = 17
        TabOrder = 1
        OnClick = CheckBox1Click
        OnMouseUp = CheckBox1MouseUp
      end
    end
    object RadioGroup1: TRadioGroup
      Left = 200
      Top = 130
      Width = 157
      Height = 129
      Caption = 'Mic input type'
      Color = 12891322
      Font.Color = clBlack
      Font.Height = -16
      Font.Style = [fsBold]
      ItemIndex = 0
      Items.Strings = (
        'dBA'
        'dB'
        'dBC')
      ParentCtl3D = False
      TabOrder = 2
      OnClick = RadioGroup1Click
    end
    object Panel2: TPanel
      Left = 380
      Top = 130
      Width = 100
      Height = 60
      BevelInner = bvLowered
      BevelWidth = 2
      Caption = 'P'
      Color = clTeal
      TabOrder = 3
    end
    object Memo1: TMemo
      Left = 380
      Top = 200
      Width = 200
      Height = 150
      Lines.Strings = (
        'first'
        'second')
      ScrollBars = ssBoth
      TabOrder = 4
    end
    object Button1: TButton
      Left = 200
      Top = 270
      Width = 75
      Height = 25
      Caption = 'OK'
      ModalResult = 1
      TabOrder = 5
      OnClick = Button1Click
    end
  end
end
)";

bool HasStyle(HWND wnd, LONG style)
{
    return (GetWindowLongA(wnd, GWL_STYLE) & style) == style;
}

bool HasExStyle(HWND wnd, LONG style)
{
    return (GetWindowLongA(wnd, GWL_EXSTYLE) & style) == style;
}

std::string WindowClass(HWND wnd)
{
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

void PostKey(HWND wnd, WORD key, UINT scan)
{
    PostMessageA(wnd, WM_KEYDOWN, key, static_cast<LPARAM>(scan << 16 | 1));
    PostMessageA(wnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u | scan << 16));
    Pump();
}

TEST_F(StdControls, AFormOfEveryControlReadsAndShowsAsWritten)
{
    TStdForm* form = Open(kPanelLayout);
    // By name, as the skin engine reads them.
    EXPECT_EQ(GetEnumProperty(form->Panel1, "BevelOuter"), "bvNone");
    EXPECT_EQ(GetEnumProperty(form->Panel1, "Ctl3D"), "False");
    EXPECT_EQ(GetIntProperty(form->Panel1, "Color"), 12891320);
    EXPECT_EQ(GetIntProperty(form->Shape2, "Pen.Width"), 2);
    EXPECT_EQ(GetIntProperty(form->Shape2, "Pen.Color"), clOlive);
    EXPECT_EQ(GetIntProperty(form->Shape2, "Brush.Color"), clBlack);
    EXPECT_EQ(GetStringsProp(form->RadioGroup1, "Items")->GetText(), "dBA\r\ndB\r\ndBC\r\n");
    EXPECT_EQ(GetIntProperty(form->RadioGroup1, "ItemIndex"), 0);
    EXPECT_EQ(GetEnumProperty(form->CheckBox1, "State"), "cbUnchecked");
    EXPECT_EQ(GetEnumProperty(form->CheckBox1, "Checked"), "False");
    EXPECT_EQ(GetEnumProperty(form->Edit1, "BorderStyle"), "bsSingle");
    EXPECT_EQ(GetStringProp(form->Edit1, "Text"), "10");
    EXPECT_EQ(GetEnumProperty(form->Memo1, "ScrollBars"), "ssBoth");
    EXPECT_EQ(GetIntProperty(form->Button1, "ModalResult"), mrOk);
    EXPECT_EQ(GetIntProperty(form->GroupBox1, "Font.Color"), clGreen);

    // Real system controls where the platform has them.
    EXPECT_EQ(form->Panel1->BoundsRect(), Rect(0, 0, 600, 400)) << "client aligned";
    HWND edit = form->Edit1->Handle();
    EXPECT_EQ(WindowClass(edit), "TEdit");
    EXPECT_EQ(GetWindowTextLengthA(edit), 2);
    // The EDIT keeps WS_BORDER to itself; the frame shows in the client size.
    auto frame = [](HWND wnd) {
        RECT w, c;
        GetWindowRect(wnd, &w);
        GetClientRect(wnd, &c);
        return (w.right - w.left) - c.right;
    };
    EXPECT_FALSE(HasExStyle(edit, WS_EX_CLIENTEDGE)) << "flat: no sunken edge";
    // Wine draws that line inside the client area, Windows outside it.
    if (frame(edit) == 0)
        EXPECT_EQ(PixelAt(edit, 0, 8), ColorToRGB(clWindowFrame)) << "flat: a one-pixel line";
    else
        EXPECT_EQ(frame(edit), 2) << "flat: a one-pixel line";
    form->Edit1->SetCtl3D(true);
    EXPECT_TRUE(HasExStyle(form->Edit1->Handle(), WS_EX_CLIENTEDGE));
    EXPECT_EQ(frame(form->Edit1->Handle()), 4);
    EXPECT_EQ(form->Edit1->GetText(), "10") << "recreated with its text";
    HWND memo = form->Memo1->Handle();
    EXPECT_TRUE(HasStyle(memo, ES_MULTILINE | WS_HSCROLL | WS_VSCROLL));
    EXPECT_EQ(form->Memo1->Lines()->Count(), 2);
    EXPECT_EQ(form->Memo1->Lines()->Get(1), "second");
    EXPECT_TRUE(HasStyle(form->CheckBox1->Handle(), BS_3STATE));
    EXPECT_TRUE(HasStyle(form->Button1->Handle(), BS_PUSHBUTTON));

    // Three radio buttons in one column below the caption, the first checked.
    TRadioGroup* group = form->RadioGroup1;
    ASSERT_EQ(group->ControlCount(), 3);
    EXPECT_EQ(group->Buttons(2)->Caption(), "dBC");
    EXPECT_EQ(SendMessageA(group->Buttons(0)->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_LT(group->Buttons(0)->Top(), group->Buttons(1)->Top());
    EXPECT_EQ(group->Buttons(0)->Left(), group->Buttons(2)->Left());
    EXPECT_GT(group->Buttons(0)->Top(), 10) << "below the caption";
    EXPECT_EQ(group->Buttons(0)->Font()->GetHeight(), -16) << "the group's font";
    EXPECT_EQ(form->Trace, "") << "reading the layout clicks nothing";

    // The display area: black inside a two-pixel olive frame.
    HWND panel = form->Panel1->Handle();
    const COLORREF olive = ColorToRGB(clOlive);
    EXPECT_EQ(PixelAt(panel, 200, 0), olive);
    EXPECT_EQ(PixelAt(panel, 200, 1), olive);
    EXPECT_EQ(PixelAt(panel, 200, 2), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(panel, 200, 117), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(panel, 200, 118), olive);
    EXPECT_EQ(PixelAt(panel, 200, 119), olive);
    EXPECT_EQ(PixelAt(panel, 200, 120), ColorToRGB(12891320));
    EXPECT_EQ(PixelAt(panel, 336, 60), olive) << "right edge at 400 - 63 - 1";
    EXPECT_EQ(PixelAt(panel, 335, 60), olive);
    EXPECT_EQ(PixelAt(panel, 337, 60), ColorToRGB(12891320));
    // The ellipse leaves its corners to the panel.
    EXPECT_EQ(PixelAt(panel, 38, 320), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(panel, 9, 301), ColorToRGB(12891320));
}

TEST_F(StdControls, GroupBoxAndPanelPaintTheirFramesCaptionsAndColours)
{
    TStdForm* form = Open(kPanelLayout);
    const COLORREF shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);

    // The group box: an etched frame through the middle of the caption line,
    // the caption in the font's colour on the box's colour.
    HWND box = form->GroupBox1->Handle();
    const int w = form->GroupBox1->Width(), h = form->GroupBox1->Height();
    EXPECT_EQ(PixelAt(box, 0, 60), shadow);
    EXPECT_EQ(PixelAt(box, 1, 60), light);
    EXPECT_EQ(PixelAt(box, 2, 60), ColorToRGB(12891320)) << "the inside shows the parent's colour";
    EXPECT_EQ(PixelAt(box, w - 2, 60), shadow);
    EXPECT_EQ(PixelAt(box, w - 1, 60), light);
    EXPECT_EQ(PixelAt(box, 90, h - 2), shadow);
    EXPECT_EQ(PixelAt(box, 90, h - 1), light);
    auto [first, last] = InkColumns(box, Rect(0, 0, w, 14), RGB(0, 128, 0));
    EXPECT_GE(first, 8);
    EXPECT_GT(last, first + 30) << "the caption's letters";
    int frameRow = -1;
    for (int y = 0; y < 14 && frameRow < 0; ++y)
        if (PixelAt(box, 4, y) == shadow) frameRow = y;
    ASSERT_GT(frameRow, 2);
    EXPECT_NE(PixelAt(box, (first + last) / 2, frameRow), shadow) << "the line stops at the caption";
    EXPECT_EQ(PixelAt(box, w - 5, frameRow), shadow);

    // Flat: one window-frame line.
    form->GroupBox1->SetCtl3D(false);
    form->GroupBox1->Update();
    EXPECT_EQ(PixelAt(box, 0, 60), ColorToRGB(clWindowFrame));
    EXPECT_EQ(PixelAt(box, 1, 60), ColorToRGB(12891320));

    // A raised outer and a lowered inner bevel, each two pixels deep, around
    // the panel's colour.
    HWND panel = form->Panel2->Handle();
    const int pw = form->Panel2->Width(), ph = form->Panel2->Height();
    EXPECT_EQ(PixelAt(panel, 0, 0), light);
    EXPECT_EQ(PixelAt(panel, 1, 30), light);
    EXPECT_EQ(PixelAt(panel, pw - 1, 30), shadow);
    EXPECT_EQ(PixelAt(panel, 50, ph - 2), shadow);
    EXPECT_EQ(PixelAt(panel, 2, 30), shadow);
    EXPECT_EQ(PixelAt(panel, 3, 30), shadow);
    EXPECT_EQ(PixelAt(panel, pw - 3, 30), light);
    EXPECT_EQ(PixelAt(panel, 5, 30), ColorToRGB(clTeal));
    EXPECT_EQ(form->Panel2->ClientRect(), Rect(0, 0, 100, 60));
    TRect inside = form->Panel2->ClientRect();
    EXPECT_EQ(inside.Width(), 100);

    form->Panel2->SetBevelOuter(bvLowered);
    form->Panel2->SetBevelInner(bvNone);
    form->Panel2->SetColor(clMaroon);
    form->Panel2->Update();
    EXPECT_EQ(PixelAt(panel, 0, 30), shadow);
    EXPECT_EQ(PixelAt(panel, pw - 1, 30), light);
    EXPECT_EQ(PixelAt(panel, 2, 30), ColorToRGB(clMaroon));
}

TEST_F(StdControls, EditKeyPressSeesEnterAndCanSwallowAKey)
{
    TStdForm* form = Open(kPanelLayout);
    TEdit* edit = form->Edit1;
    edit->SetFocus();
    Pump();
    ASSERT_TRUE(edit->Focused());
    SendMessageA(edit->Handle(), EM_SETSEL, 2, 2);
    form->Swallow = 'x';
    form->Trace.clear();
    PostKey(edit->Handle(), '5', 0x06);
    PostKey(edit->Handle(), 'X', 0x2D);
    PostKey(edit->Handle(), VK_RETURN, 0x1C);
    EXPECT_EQ(form->Typed, "5x\r");
    EXPECT_EQ(edit->GetText(), "105") << "the swallowed key never reached the EDIT";
    EXPECT_EQ(form->Trace, "change ");
    EXPECT_TRUE(edit->Focused()) << "Enter moved nothing";

    // Text from code raises OnChange; the font colour reaches the EDIT
    // through the reflected colour message.
    edit->SetText("-20");
    EXPECT_EQ(form->Trace, "change change ");
    edit->Font()->SetColor(clRed);
    edit->Update();
    auto [first, last] = InkColumns(edit->Handle(), edit->ClientRect(), RGB(255, 0, 0));
    EXPECT_GE(first, 0) << "red text";
    edit->SetReadOnly(true);
    PostKey(edit->Handle(), '7', 0x08);
    EXPECT_EQ(edit->GetText(), "-20");
    EXPECT_EQ(form->Typed, "5x\r7") << "a read-only edit still reports keys";
}

TEST_F(StdControls, MemoLinesTalkToTheWindowAndSurviveItsRecreation)
{
    TStdForm* form = Open(kPanelLayout);
    TStrings* lines = form->Memo1->Lines();
    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5000; ++i)
        lines->Add("-->EB 90 01 01 7D " + std::to_string(i));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(lines->Count(), 5000);
    EXPECT_EQ(lines->Get(0), "-->EB 90 01 01 7D 0");
    const double shown =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ figure ] 5000 memo lines added one by one: %.0f ms, in the window after %.0f ms\n", ms,
                shown);
    EXPECT_EQ(lines->Get(4999), "-->EB 90 01 01 7D 4999");
    EXPECT_GT(GetWindowTextLengthA(form->Memo1->Handle()), 100000) << "no limit cut the text";
    EXPECT_THROW(lines->Get(5000), EListError);

    form->Memo1->RecreateWnd();
    ASSERT_EQ(lines->Count(), 5000) << "a recreated window gets every line back";
    EXPECT_EQ(lines->Get(4999), "-->EB 90 01 01 7D 4999");

    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);
    EXPECT_EQ(form->Memo1->GetText(), "");

    // Insert, replace and delete in the middle and at both ends, also on a
    // text without a final line break.
    form->Memo1->SetText("a\r\nc");
    lines->Insert(1, "b");
    lines->Add("d");
    lines->Insert(0, "0");
    EXPECT_EQ(lines->GetText(), "0\r\na\r\nb\r\nc\r\nd\r\n");
    lines->Put(2, "B");
    lines->Delete(0);
    lines->Delete(3);
    EXPECT_EQ(lines->GetText(), "a\r\nB\r\nc\r\n");

    // Without a window the stored text stands in.
    auto* memo = new TMemo(form);
    memo->Lines()->Add("x");
    memo->Lines()->Add("y");
    EXPECT_FALSE(memo->HandleAllocated());
    memo->SetParent(form->Panel1);
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Get(1), "y");
}

TEST_F(StdControls, CheckBoxTogglesBySpaceWithoutMouseUpAndByClickWithIt)
{
    TStdForm* form = Open(kPanelLayout);
    TCheckBox* box = form->CheckBox1;
    HWND wnd = box->Handle();
    box->SetFocus();
    Pump();
    form->Trace.clear();
    PostKey(wnd, VK_SPACE, 0x39);
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(form->Trace, "click ") << "the space bar makes no mouse event";
    EXPECT_EQ(SendMessageA(wnd, BM_GETCHECK, 0, 0), BST_CHECKED);

    form->Trace.clear();
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 8));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 8));
    Pump();
    EXPECT_FALSE(box->GetChecked());
    EXPECT_EQ(form->Trace, "click mouseup ");

    // Grayed in between when allowed; code changes click too, the same
    // state twice does not.
    box->SetAllowGrayed(true);
    form->Trace.clear();
    PostKey(wnd, VK_SPACE, 0x39);
    EXPECT_EQ(box->GetState(), cbGrayed);
    EXPECT_EQ(SendMessageA(wnd, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    PostKey(wnd, VK_SPACE, 0x39);
    EXPECT_EQ(box->GetState(), cbChecked);
    box->SetChecked(true);
    box->SetChecked(false);
    EXPECT_EQ(form->Trace, "click click click ");
    EXPECT_TRUE(SetProperty(box, "State", "cbGrayed"));
    EXPECT_EQ(SendMessageA(wnd, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
}

TEST_F(StdControls, RadioGroupClicksOnEveryChangeOfItsItemByUserOrCode)
{
    TStdForm* form = Open(kPanelLayout);
    TRadioGroup* group = form->RadioGroup1;
    form->Trace.clear();

    // The user clicks the third button.
    HWND third = group->Buttons(2)->Handle();
    PostMessageA(third, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 8));
    PostMessageA(third, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    Pump();
    EXPECT_EQ(group->GetItemIndex(), 2);
    EXPECT_EQ(form->Trace, "group2 ");
    EXPECT_EQ(SendMessageA(group->Buttons(0)->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // Clicking the checked one again changes nothing.
    PostMessageA(third, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 8));
    PostMessageA(third, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
    Pump();
    EXPECT_EQ(form->Trace, "group2 ");

    // Code: a change clicks, the same item does not, out of range clamps.
    group->SetItemIndex(0);
    group->SetItemIndex(0);
    EXPECT_EQ(form->Trace, "group2 group0 ");
    EXPECT_EQ(SendMessageA(group->Buttons(0)->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(third, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    group->SetItemIndex(7);
    EXPECT_EQ(group->GetItemIndex(), 2);
    group->SetItemIndex(-1);
    EXPECT_EQ(group->GetItemIndex(), -1);
    EXPECT_EQ(SendMessageA(third, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(form->Trace, "group2 group0 group2 ") << "clearing the selection is no click";

    // New items rebuild the buttons; two columns put them side by side.
    group->SetItemIndex(1);
    form->Trace.clear();
    group->Items()->Clear();
    group->Items()->Add("one");
    group->Items()->Add("two");
    group->Items()->Add("three");
    group->Items()->Add("four");
    ASSERT_EQ(group->ControlCount(), 4);
    EXPECT_EQ(group->Buttons(3)->Caption(), "four");
    EXPECT_TRUE(group->Buttons(3)->HandleAllocated());
    EXPECT_EQ(group->GetItemIndex(), -1) << "emptying the list dropped the selection";
    group->SetColumns(2);
    EXPECT_EQ(group->Buttons(0)->Top(), group->Buttons(2)->Top());
    EXPECT_GT(group->Buttons(2)->Left(), group->Buttons(0)->Left());
    EXPECT_TRUE(SetProperty(group, "ItemIndex", "3"));
    EXPECT_EQ(form->Trace, "group3 ");
    EXPECT_EQ(SendMessageA(group->Buttons(3)->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(StdControls, ButtonTakesEnterAsDefaultAndEscapeAsCancel)
{
    TStdForm* form = Open(kPanelLayout);
    TButton* button = form->Button1;
    form->CheckBox1->SetFocus();
    Pump();
    form->Trace.clear();
    PostKey(form->CheckBox1->Handle(), VK_RETURN, 0x1C);
    EXPECT_EQ(form->Trace, "") << "no default button yet";
    button->SetDefault(true);
    EXPECT_TRUE(HasStyle(button->Handle(), BS_DEFPUSHBUTTON));
    PostKey(form->CheckBox1->Handle(), VK_RETURN, 0x1C);
    EXPECT_EQ(form->Trace, "button ");
    EXPECT_EQ(form->ModalResult, mrOk) << "the form was told the button's result";
    PostKey(form->CheckBox1->Handle(), VK_ESCAPE, 0x01);
    EXPECT_EQ(form->Trace, "button ");
    button->SetCancel(true);
    PostKey(form->CheckBox1->Handle(), VK_ESCAPE, 0x01);
    EXPECT_EQ(form->Trace, "button button ");
}

// A 20 by 10 red bitmap whose lower half is magenta, the transparent key
// (the bottom-left pixel).
std::unique_ptr<TBitmap> KeyedBitmap()
{
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(20, 10);
    bmp->Canvas()->Brush()->SetColor(clRed);
    bmp->Canvas()->FillRect(Rect(0, 0, 20, 10));
    bmp->Canvas()->Brush()->SetColor(clFuchsia);
    bmp->Canvas()->FillRect(Rect(0, 5, 20, 10));
    return bmp;
}

TEST_F(StdControls, ImageSizesItselfToItsPictureAndLeavesItsKeyColourOut)
{
    TStdForm* form = Open(kPanelLayout);
    TImage* image = form->Image1;
    {
        auto bmp = KeyedBitmap();
        image->Picture()->SetBitmap(bmp.get());
    }
    EXPECT_EQ(image->BoundsRect(), Bounds(100, 40, 20, 10)) << "AutoSize";
    form->Panel1->Update();
    HWND panel = form->Panel1->Handle();
    EXPECT_EQ(PixelAt(panel, 105, 42), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(panel, 105, 47), RGB(0, 0, 0)) << "the black display area shows through";

    image->SetTransparent(false);
    form->Panel1->Update();
    EXPECT_EQ(PixelAt(panel, 105, 47), RGB(255, 0, 255));

    // Stretched and centred without AutoSize.
    image->SetAutoSize(false);
    image->SetBounds(100, 40, 40, 40);
    image->SetStretch(true);
    image->SetProportional(true);
    image->SetCenter(true);
    form->Panel1->Update();
    EXPECT_EQ(PixelAt(panel, 120, 52), RGB(255, 0, 0)) << "40 by 20, centred: from y 50";
    EXPECT_EQ(PixelAt(panel, 120, 48), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(panel, 120, 65), RGB(255, 0, 255));
}

} // namespace
