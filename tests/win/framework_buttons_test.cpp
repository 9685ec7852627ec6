// Buttons, up-downs, tool bars, menus and hints under Wine, driven with the
// messages a user's mouse would send: the spinner writes its position into
// its edit and asks before every change (arrows and code alike), speed
// buttons press, light up and group, tool bars tell their custom-draw
// handlers the real button states, menus measure and paint owner-drawn items
// through their events and open on a right click, hints appear after their
// pause, and nothing is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/forms.h"
#include "framework/hints.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/sysmenu.h"
#include "tests/win/gdi_leak_check.h"

namespace {

const char kLayout[] = R"(object ButtonsForm: TButtonsForm
  Left = 40
  Top = 40
  BorderStyle = bsSingle
  Caption = 'Buttons'
  ClientHeight = 260
  ClientWidth = 360
  Color = clBtnFace
  Menu = MainMenu1
  PopupMenu = PopupMenu1
  object Edit1: TEdit
    Left = 8
    Top = 8
    Width = 25
    Height = 19
    Text = '60'
    ShowHint = True
    Hint = 'Threshold|The alarm threshold'
  end
  object UpDown1: TUpDown
    Left = 33
    Top = 8
    Width = 16
    Height = 24
    Associate = Edit1
    Min = 60
    Max = 120
    Position = 60
    OnChanging = UpDown1Changing
    OnChangingEx = UpDown1ChangingEx
  end
  object SpeedButton1: TSpeedButton
    Left = 8
    Top = 40
    Width = 100
    Height = 22
    Caption = 'Self Check'
    Flat = True
    PopupMenu = PopupMenu2
    OnClick = SpeedButton1Click
  end
  object SpeedButton2: TSpeedButton
    Left = 8
    Top = 70
    Width = 40
    Height = 22
    GroupIndex = 1
    Down = True
    Caption = 'A'
  end
  object SpeedButton3: TSpeedButton
    Left = 50
    Top = 70
    Width = 40
    Height = 22
    GroupIndex = 1
    Caption = 'B'
  end
  object BitBtn1: TBitBtn
    Left = 120
    Top = 40
    Width = 90
    Height = 26
    Caption = 'Go'
    Default = True
  end
  object ToolBar1: TToolBar
    Left = 0
    Top = 220
    Width = 360
    Height = 29
    Align = alBottom
    ButtonWidth = 50
    ButtonHeight = 21
    Flat = True
    ShowCaptions = True
    OnCustomDrawButton = ToolBar1CustomDrawButton
    object ToolButton1: TToolButton
      Left = 0
      Caption = 'Puase'
      OnClick = ToolButton1Click
    end
    object ToolButton2: TToolButton
      Left = 50
      Caption = 'Clear'
      Enabled = False
    end
    object ToolButton3: TToolButton
      Left = 100
      Caption = 'Keep'
      Style = tbsCheck
      Down = True
    end
  end
  object MainMenu1: TMainMenu
    object File1: TMenuItem
      Caption = '&File'
      object Open1: TMenuItem
        Caption = '&Open'
        ShortCut = 16463
        OnClick = Open1Click
      end
    end
  end
  object PopupMenu1: TPopupMenu
    OnPopup = PopupMenu1Popup
    object Copy1: TMenuItem
      Caption = '&Copy'
      OnClick = Copy1Click
    end
    object N1: TMenuItem
      Caption = '-'
    end
    object Paste1: TMenuItem
      Caption = '&Paste'
      Enabled = False
    end
  end
  object PopupMenu2: TPopupMenu
    OnPopup = PopupMenu1Popup
    object Drawn1: TMenuItem
      Caption = 'Drawn'
      OnDrawItem = DrawnDrawItem
      OnMeasureItem = DrawnMeasureItem
    end
    object Drawn2: TMenuItem
      Caption = 'Also drawn'
      OnDrawItem = DrawnDrawItem
      OnMeasureItem = DrawnMeasureItem
    end
  end
end
)";

struct TChange {
    short NewValue;
    TUpDownDirection Direction;
    bool operator==(const TChange&) const = default;
};

class TButtonsForm : public TForm {
    ORVANE_CLASS(TButtonsForm, TForm)
    explicit TButtonsForm(TComponent* AOwner) : TForm(AOwner) { LoadLayout(kLayout); }

    TEdit* Edit1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TToolButton* ToolButton3 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* Open1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TPopupMenu* PopupMenu2 = nullptr;
    TMenuItem* Copy1 = nullptr;
    TMenuItem* Drawn1 = nullptr;

    std::vector<TChange> Changes;
    int Changings = 0;
    bool Allow = true;
    int SpeedClicks = 0, ToolClicks = 0, OpenClicks = 0, CopyClicks = 0, Popups = 0;
    std::map<std::string, std::vector<TCustomDrawState>> DrawStates;
    bool ToolDefaultDraw = true;
    std::vector<std::string> MenuTrace;
    std::map<std::string, TRect> DrawnRects;

    void UpDown1Changing(TObject*, bool&) { ++Changings; }
    void UpDown1ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection Direction)
    {
        Changes.push_back({NewValue, Direction});
        AllowChange = Allow;
    }
    void SpeedButton1Click(TObject*) { ++SpeedClicks; }
    void ToolButton1Click(TObject*) { ++ToolClicks; }
    void ToolBar1CustomDrawButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                  bool& DefaultDraw)
    {
        DrawStates[Button->Caption()].push_back(State);
        if (!ToolDefaultDraw) {
            Sender->Canvas()->Brush()->SetColor(clRed);
            Sender->Canvas()->FillRect(Button->BoundsRect());
            DefaultDraw = false;
        }
    }
    void Open1Click(TObject*) { ++OpenClicks; }
    void Copy1Click(TObject*) { ++CopyClicks; }
    void PopupMenu1Popup(TObject*) { ++Popups; }
    void DrawnMeasureItem(TObject* Sender, TCanvas*, int& Width, int& Height)
    {
        MenuTrace.push_back("measure " + static_cast<TMenuItem*>(Sender)->GetCaption());
        Width = 120;
        Height = 30;
    }
    void DrawnDrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool)
    {
        const std::string caption = static_cast<TMenuItem*>(Sender)->GetCaption();
        MenuTrace.push_back("draw " + caption);
        DrawnRects[caption] = ARect;
        ACanvas->Brush()->SetColor(clLime);
        ACanvas->FillRect(ARect);
    }
};

const TClassInfo& TButtonsForm::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TButtonsForm>()
            .Field("Edit1", &TButtonsForm::Edit1)
            .Field("UpDown1", &TButtonsForm::UpDown1)
            .Field("SpeedButton1", &TButtonsForm::SpeedButton1)
            .Field("SpeedButton2", &TButtonsForm::SpeedButton2)
            .Field("SpeedButton3", &TButtonsForm::SpeedButton3)
            .Field("BitBtn1", &TButtonsForm::BitBtn1)
            .Field("ToolBar1", &TButtonsForm::ToolBar1)
            .Field("ToolButton1", &TButtonsForm::ToolButton1)
            .Field("ToolButton2", &TButtonsForm::ToolButton2)
            .Field("ToolButton3", &TButtonsForm::ToolButton3)
            .Field("MainMenu1", &TButtonsForm::MainMenu1)
            .Field("Open1", &TButtonsForm::Open1)
            .Field("PopupMenu1", &TButtonsForm::PopupMenu1)
            .Field("PopupMenu2", &TButtonsForm::PopupMenu2)
            .Field("Copy1", &TButtonsForm::Copy1)
            .Field("Drawn1", &TButtonsForm::Drawn1)
            .Handler<TUDChangingEvent>("UpDown1Changing", &TButtonsForm::UpDown1Changing)
            .Handler<TUDChangingEventEx>("UpDown1ChangingEx", &TButtonsForm::UpDown1ChangingEx)
            .Handler<TNotifyEvent>("SpeedButton1Click", &TButtonsForm::SpeedButton1Click)
            .Handler<TNotifyEvent>("ToolButton1Click", &TButtonsForm::ToolButton1Click)
            .Handler<TTBCustomDrawBtnEvent>("ToolBar1CustomDrawButton",
                                            &TButtonsForm::ToolBar1CustomDrawButton)
            .Handler<TNotifyEvent>("Open1Click", &TButtonsForm::Open1Click)
            .Handler<TNotifyEvent>("Copy1Click", &TButtonsForm::Copy1Click)
            .Handler<TNotifyEvent>("PopupMenu1Popup", &TButtonsForm::PopupMenu1Popup)
            .Handler<TMenuMeasureItemEvent>("DrawnMeasureItem", &TButtonsForm::DrawnMeasureItem)
            .Handler<TMenuDrawItemEvent>("DrawnDrawItem", &TButtonsForm::DrawnDrawItem);
    return info;
}

void Pump()
{
    Application->ProcessMessages();
}

void PumpFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string WindowText(HWND wnd)
{
    char text[64] = {};
    GetWindowTextA(wnd, text, sizeof text);
    return text;
}

TRect WindowRectOf(TWinControl* c)
{
    RECT r;
    GetWindowRect(c->Handle(), &r);
    MapWindowPoints(nullptr, GetParent(c->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

COLORREF PixelOf(HWND wnd, int x, int y)
{
    UpdateWindow(wnd);
    HDC dc = GetDC(wnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}

// Mouse messages as the system would send them for a point of a window.
void Click(HWND wnd, int x, int y)
{
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Pump();
}

void MoveMouse(HWND wnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(wnd, &p);
    SetCursorPos(p.x, p.y);
    SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

int CountThreadWindows(const std::set<std::string>& classes)
{
    struct Ctx {
        const std::set<std::string>* classes;
        int count;
    } ctx{&classes, 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            char name[64] = {};
            GetClassNameA(wnd, name, sizeof name);
            if (c->classes->count(name) && IsWindowVisible(wnd)) ++c->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.count;
}

// What the timer sees while a menu is open, and how it closes it.
struct TMenuProbe {
    static inline bool MenuWindowSeen = false;
    static inline std::vector<WPARAM> Keys; // typed into the menu, else it is cancelled
    static void CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        HWND menu = FindWindowA("#32768", nullptr);
        MenuWindowSeen = menu && IsWindowVisible(menu);
        if (Keys.empty() || !menu) {
            EndMenu();
            return;
        }
        for (WPARAM k : Keys)
            PostMessageA(menu, WM_KEYDOWN, k, 0);
    }
    static void Arm(std::vector<WPARAM> keys = {})
    {
        MenuWindowSeen = false;
        Keys = std::move(keys);
        SetTimer(nullptr, 0, 150, &Proc);
    }
};

class Buttons : public TWindowLeakCheckedTest {
protected:
    void SetUp() override
    {
        TWindowLeakCheckedTest::SetUp();
        Form = new TButtonsForm(nullptr);
        Form->Show();
        Pump();
    }
    void TearDown() override
    {
        Form->Free();
        Pump();
        TWindowLeakCheckedTest::TearDown();
        EXPECT_TRUE(Errors.empty()) << Errors.front();
    }

    TButtonsForm* Form = nullptr;
};

// --- Up-down -----------------------------------------------------------------

TEST_F(Buttons, UpDownShowsItsPositionInItsEditAndAsksBeforeEveryChange)
{
    TUpDown* ud = Form->UpDown1;
    HWND edit = Form->Edit1->Handle();
    EXPECT_EQ(WindowText(edit), "60");
    EXPECT_EQ(WindowRectOf(ud), Rect(33, 8, 49, 32)) << "the spinner keeps its own bounds";

    // The user's arrows: upper half up, lower half down.
    Click(ud->Handle(), 8, 4);
    EXPECT_EQ(ud->GetPosition(), 61);
    EXPECT_EQ(WindowText(edit), "61");
    Click(ud->Handle(), 8, 20);
    Click(ud->Handle(), 8, 20);
    EXPECT_EQ(ud->GetPosition(), 60) << "held at Min";
    EXPECT_EQ(Form->Changes, (std::vector<TChange>{{61, updUp}, {60, updDown}, {60, updDown}}));
    EXPECT_EQ(Form->Changings, 3);

    // Code takes the same path, clamped, and only for real changes.
    Form->Changes.clear();
    ud->SetPosition(100);
    ud->SetPosition(130);
    ud->SetPosition(120);
    EXPECT_EQ(Form->Changes, (std::vector<TChange>{{100, updNone}, {120, updNone}}));
    EXPECT_EQ(WindowText(edit), "120");
    // Whatever the edit shows, setting the position rewrites it.
    SetWindowTextA(edit, "130");
    ud->SetPosition(120);
    EXPECT_EQ(WindowText(edit), "120");

    // A handler can refuse, for arrows and code.
    Form->Allow = false;
    Click(ud->Handle(), 8, 20);
    ud->SetPosition(90);
    EXPECT_EQ(ud->GetPosition(), 120);
    EXPECT_EQ(WindowText(edit), "120");
}

TEST_F(Buttons, UpDownWrapsOnlyWhenAsked)
{
    TUpDown* ud = Form->UpDown1;
    ud->SetPosition(120);
    Form->Changes.clear();
    Click(ud->Handle(), 8, 4);
    EXPECT_EQ(ud->GetPosition(), 120);
    ud->SetWrap(true);
    EXPECT_TRUE(GetWindowLongA(ud->Handle(), GWL_STYLE) & UDS_WRAP);
    EXPECT_EQ(WindowText(Form->Edit1->Handle()), "120") << "a new window keeps the position";
    Click(ud->Handle(), 8, 4);
    EXPECT_EQ(ud->GetPosition(), 60);
    EXPECT_EQ(WindowText(Form->Edit1->Handle()), "60");
    Click(ud->Handle(), 8, 20);
    EXPECT_EQ(ud->GetPosition(), 120);
    EXPECT_EQ(Form->Changes, (std::vector<TChange>{{120, updUp}, {60, updUp}, {120, updDown}}));
}

// --- Speed buttons and bitmap buttons -----------------------------------------

TEST_F(Buttons, FlatSpeedButtonLightsUnderTheMousePressesAndClicks)
{
    TSpeedButton* sb = Form->SpeedButton1;
    HWND wnd = Form->Handle();
    const COLORREF face = ColorToRGB(clBtnFace);
    EXPECT_EQ(PixelOf(wnd, 8, 40), face) << "flat at rest: no edge";

    MoveMouse(wnd, 20, 50);
    EXPECT_TRUE(sb->MouseInControl());
    EXPECT_EQ(PixelOf(wnd, 8, 40), ColorToRGB(clBtnHighlight)) << "hot: raised";

    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 50));
    Pump();
    EXPECT_EQ(sb->State(), bsDown);
    EXPECT_EQ(PixelOf(wnd, 8, 40), ColorToRGB(clBtnShadow)) << "pressed: sunken";
    // Dragged off it lets go, back on presses again; released outside is no click.
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 150));
    EXPECT_EQ(sb->State(), bsUp);
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 50));
    EXPECT_EQ(sb->State(), bsDown);
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 50));
    Pump();
    EXPECT_EQ(Form->SpeedClicks, 1);
    EXPECT_EQ(sb->State(), bsUp);
    EXPECT_FALSE(sb->GetDown()) << "no group: never stays down";

    MoveMouse(wnd, 250, 150);
    EXPECT_FALSE(sb->MouseInControl());
    EXPECT_EQ(PixelOf(wnd, 8, 40), face);

    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 50));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 150));
    Pump();
    EXPECT_EQ(Form->SpeedClicks, 1);
}

TEST_F(Buttons, SpeedButtonsOfAGroupStayDownOneAtATime)
{
    TSpeedButton *a = Form->SpeedButton2, *b = Form->SpeedButton3;
    HWND wnd = Form->Handle();
    EXPECT_TRUE(a->GetDown()) << "from the layout";
    EXPECT_EQ(a->State(), bsExclusive);
    Click(wnd, 60, 80); // b
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(a->GetDown());
    Click(wnd, 60, 80);
    EXPECT_TRUE(b->GetDown()) << "the last one down stays without AllowAllUp";
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->GetAllowAllUp()) << "the group shares the rule";
    Click(wnd, 60, 80);
    EXPECT_FALSE(b->GetDown());
    a->SetDown(true);
    b->SetDown(true);
    EXPECT_FALSE(a->GetDown());
    Form->SpeedButton1->SetDown(true);
    EXPECT_FALSE(Form->SpeedButton1->GetDown());
    // Stay-down paints sunken: a dark top-left edge where an up button is light.
    EXPECT_LT(GetRValue(PixelOf(wnd, 50, 70)), GetRValue(ColorToRGB(clBtnFace)));
    EXPECT_GT(GetRValue(PixelOf(wnd, 8, 70)), GetRValue(ColorToRGB(clBtnShadow)));
}

TEST_F(Buttons, GlyphAndCaptionFollowLayoutMarginAndSpacing)
{
    const TRect client = Rect(0, 0, 100, 30);
    // Both automatic: the free length in thirds.
    auto r = CalcButtonLayout(client, {16, 16}, {40, 13}, blGlyphLeft, -1, -1);
    EXPECT_EQ(r.GlyphPos, TPoint(14, 7));
    EXPECT_EQ(r.TextBounds.Left, 14 + 16 + 14);
    // A margin alone: spacing takes half of the rest.
    r = CalcButtonLayout(client, {16, 16}, {40, 13}, blGlyphRight, 4, -1);
    EXPECT_EQ(r.GlyphPos.X, 100 - 4 - 16);
    EXPECT_EQ(r.TextBounds.Right, 80 - 20);
    // Automatic margin with a spacing: the block is centred; a lone glyph too.
    r = CalcButtonLayout(client, {16, 16}, {40, 13}, blGlyphTop, -1, 2);
    EXPECT_EQ(r.GlyphPos, TPoint(42, 0));
    EXPECT_EQ(r.TextBounds.Top, 18);
    r = CalcButtonLayout(client, {16, 16}, {0, 0}, blGlyphLeft, -1, 4);
    EXPECT_EQ(r.GlyphPos.X, 42);

    // A bit button draws its glyph where the layout says, and its default
    // look as an outline.
    TBitBtn* bb = Form->BitBtn1;
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(Rect(0, 0, 16, 16));
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(Rect(2, 2, 14, 14));
    bb->SetGlyph(&glyph);
    bb->SetMargin(4);
    HWND wnd = bb->Handle();
    // Outline 1, face edge 2, margin 4: the glyph starts at x = 7.
    EXPECT_EQ(PixelOf(wnd, 7 + 8, 13), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(wnd, 7 + 1, 13), ColorToRGB(clBtnFace)) << "the key colour is transparent";
    EXPECT_TRUE(bb->IsDefaultLook());
    EXPECT_EQ(PixelOf(wnd, 0, 13), ColorToRGB(clWindowFrame)) << "default button outline";
    bb->SetLayout(blGlyphRight);
    EXPECT_EQ(PixelOf(wnd, 90 - 7 - 8, 13), RGB(255, 0, 0));
}

// --- Tool bar --------------------------------------------------------------------

TEST_F(Buttons, ToolBarCustomDrawSeesEachButtonsState)
{
    TToolBar* bar = Form->ToolBar1;
    HWND wnd = bar->Handle();
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    auto last = [&](const char* caption) {
        const auto& v = Form->DrawStates[caption];
        return v.empty() ? TCustomDrawState{} : v.back();
    };
    EXPECT_FALSE(last("Puase").Contains(cdsDisabled));
    EXPECT_TRUE(last("Clear").Contains(cdsDisabled));
    EXPECT_TRUE(last("Keep").Contains(cdsChecked));
    EXPECT_EQ(Form->ToolButton2->BoundsRect().Left, Form->ToolButton1->BoundsRect().Right)
        << "buttons follow the bar's layout";

    const TRect b1 = Form->ToolButton1->BoundsRect();
    MoveMouse(wnd, b1.Left + 5, b1.Top + 5);
    Pump();
    UpdateWindow(wnd);
    EXPECT_TRUE(last("Puase").Contains(cdsHot));
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b1.Left + 5, b1.Top + 5));
    Pump();
    UpdateWindow(wnd);
    EXPECT_TRUE(last("Puase").Contains(cdsSelected));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(b1.Left + 5, b1.Top + 5));
    Pump();
    EXPECT_EQ(Form->ToolClicks, 1);

    // Check buttons toggle by click and report it.
    const TRect b3 = Form->ToolButton3->BoundsRect();
    Click(wnd, b3.Left + 5, b3.Top + 5);
    EXPECT_FALSE(Form->ToolButton3->GetDown());

    // A handler that draws the button itself keeps the bar from drawing it.
    Form->ToolDefaultDraw = false;
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(PixelOf(wnd, b1.Left + b1.Width() / 2, b1.Top + b1.Height() / 2), RGB(255, 0, 0));
}

// --- Menus ------------------------------------------------------------------------

TEST_F(Buttons, PopupMenuOpensOnRightClickAndRunsTheChosenItem)
{
    HWND wnd = Form->Handle();
    TMenuProbe::Arm({VK_DOWN, VK_RETURN});
    PostMessageA(wnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(250, 150));
    PostMessageA(wnd, WM_RBUTTONUP, 0, MAKELPARAM(250, 150));
    PumpFor(400);
    EXPECT_TRUE(TMenuProbe::MenuWindowSeen);
    EXPECT_EQ(Form->Popups, 1);
    EXPECT_EQ(Form->PopupMenu1->PopupComponent(), Form);
    EXPECT_EQ(Form->CopyClicks, 1) << "the first item, chosen with the keyboard";
    EXPECT_EQ(CountThreadWindows({"#32768"}), 0) << "closed again";

    // Cancelled: nothing runs.
    TMenuProbe::Arm();
    Form->PopupMenu1->Popup(100, 100);
    EXPECT_TRUE(TMenuProbe::MenuWindowSeen);
    EXPECT_EQ(Form->CopyClicks, 1);
}

TEST_F(Buttons, OwnerDrawnItemsAreMeasuredAndPaintedByTheirEvents)
{
    // The flat speed button has its own menu: a right click on a graphic
    // control opens it.
    HWND wnd = Form->Handle();
    TMenuProbe::Arm();
    PostMessageA(wnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 50));
    PostMessageA(wnd, WM_RBUTTONUP, 0, MAKELPARAM(20, 50));
    PumpFor(400);
    EXPECT_TRUE(TMenuProbe::MenuWindowSeen);
    EXPECT_EQ(Form->PopupMenu2->PopupComponent(), Form->SpeedButton1);
    auto seen = [&](const std::string& s) {
        return std::find(Form->MenuTrace.begin(), Form->MenuTrace.end(), s) != Form->MenuTrace.end();
    };
    EXPECT_TRUE(seen("measure Drawn") && seen("measure Also drawn"));
    EXPECT_TRUE(seen("draw Drawn") && seen("draw Also drawn"));
    EXPECT_EQ(Form->DrawnRects["Drawn"].Height(), 30) << "drawn at the measured height";
    EXPECT_GE(Form->DrawnRects["Drawn"].Width(), 120);
    EXPECT_EQ(Form->DrawnRects["Also drawn"].Top, Form->DrawnRects["Drawn"].Bottom);
}

TEST_F(Buttons, MainMenuBelongsToTheFormAndRoutesItsCommands)
{
    HWND wnd = Form->Handle();
    ASSERT_TRUE(Form->MainMenu1->HandleAllocated());
    EXPECT_EQ(GetMenu(wnd), Form->MainMenu1->Handle());
    EXPECT_EQ(Form->ClientHeight(), 260) << "the bar does not eat the client area";
    char text[32] = {};
    GetMenuStringA(GetSubMenu(GetMenu(wnd), 0), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Open\tCtrl+O");
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(Form->Open1->Command(), 0), 0);
    EXPECT_EQ(Form->OpenClicks, 1);
    // A change shows at once; a freed item leaves the bar.
    Form->Open1->SetCaption("&Load");
    GetMenuStringA(GetSubMenu(GetMenu(wnd), 0), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Load\tCtrl+O");
    const uint16_t command = Form->Open1->Command();
    Form->Open1->Free();
    EXPECT_EQ(Form->Open1, nullptr);
    EXPECT_EQ(GetSubMenu(GetMenu(wnd), 0), nullptr) << "File has nothing to open now";
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    EXPECT_EQ(Form->OpenClicks, 1);
    EXPECT_EQ(TextToShortCut("Ctrl+O"), 16463);

    // Short cuts reach items before the focused control sees the key.
    Form->Copy1->SetShortCut(TextToShortCut("Ctrl+C"));
    Form->Edit1->SetFocus();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    std::string typed;
    Form->Edit1->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { typed += static_cast<char>(Key); };
    PostMessageA(Form->Edit1->Handle(), WM_KEYDOWN, 'C', 0);
    PostMessageA(Form->Edit1->Handle(), WM_KEYDOWN, 'V', 0);
    Pump();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(Form->CopyClicks, 1);
    EXPECT_EQ(typed, "V");
}

// Items of the form's own below the system's: shown with their short cut,
// added once however often the window is attached, chosen by their system
// command (whatever the low bits the system sets) or by their key before the
// focused control sees it; the system's own commands are not taken.
TEST_F(Buttons, SystemMenuItemsFollowTheSystemsOwnAndAnswerCommandAndKey)
{
    TSystemMenuItems items;
    std::string chosen;
    items.Add("Level history...", scCtrl | 'H', [&] { chosen += "H"; });
    items.Add("About...", scNone, [&] { chosen += "A"; });
    HWND wnd = Form->Handle();
    items.Attach(wnd);
    items.Attach(wnd);
    HMENU sys = GetSystemMenu(wnd, FALSE);
    const int n = GetMenuItemCount(sys);
    ASSERT_GE(n, 3);
    char text[64] = {};
    EXPECT_TRUE(GetMenuState(sys, static_cast<UINT>(n - 3), MF_BYPOSITION) & MF_SEPARATOR);
    GetMenuStringA(sys, static_cast<UINT>(n - 2), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Level history...\tCtrl+H");
    GetMenuStringA(sys, static_cast<UINT>(n - 1), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "About...");
    EXPECT_EQ(GetMenuItemID(sys, n - 1), items.Command(1));
    EXPECT_EQ(items.CommandOf("About..."), items.Command(1));
    EXPECT_EQ(items.CommandOf("About"), 0u) << "the whole caption, or none";
    EXPECT_LT(items.Command(1), static_cast<UINT>(SC_SIZE)) << "clear of the system's commands";

    EXPECT_TRUE(items.SysCommand(items.Command(0) | 2));
    EXPECT_TRUE(items.SysCommand(items.Command(1)));
    EXPECT_FALSE(items.SysCommand(SC_CLOSE));
    EXPECT_EQ(chosen, "HA");

    Form->OnShortCut = [&](uint16_t key, bool& handled) { handled = items.ShortCut(key); };
    Form->Edit1->SetFocus();
    std::string typed;
    Form->Edit1->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { typed += static_cast<char>(Key); };
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(Form->Edit1->Handle(), WM_KEYDOWN, 'H', 0);
    PostMessageA(Form->Edit1->Handle(), WM_KEYDOWN, 'J', 0);
    Pump();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    PostMessageA(Form->Edit1->Handle(), WM_KEYDOWN, 'H', 0);
    Pump();
    EXPECT_EQ(chosen, "HAH") << "Ctrl+H once; H alone is typing";
    EXPECT_EQ(typed, "JH");
    Form->OnShortCut = nullptr;
}

// --- Hints ------------------------------------------------------------------------

TEST_F(Buttons, HintAppearsAfterItsPauseAndGoesOnAClick)
{
    THintSettings::HintPause = 100;
    HWND edit = Form->Edit1->Handle();
    MoveMouse(edit, 5, 5);
    EXPECT_EQ(HintWindow(), nullptr) << "not before the pause";
    PumpFor(300);
    HWND tip = HintWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(IsWindowVisible(tip));
    char cls[64] = {};
    GetClassNameA(tip, cls, sizeof cls);
    EXPECT_STREQ(cls, "tooltips_class32");
    EXPECT_EQ(HintText(), "Threshold") << "the short part";
    PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_EQ(HintWindow(), nullptr);
    EXPECT_FALSE(IsWindow(tip));

    // No hint without ShowHint.
    Form->Edit1->SetShowHint(false);
    MoveMouse(Form->Handle(), 300, 200);
    MoveMouse(edit, 6, 6);
    PumpFor(300);
    EXPECT_EQ(HintWindow(), nullptr);
    THintSettings::HintPause = 500;
}

// --- Freeing ----------------------------------------------------------------------

TEST_F(Buttons, FreeingLeavesNoWindowMenuOrGdiObject)
{
    const std::set<std::string> ours = {"TButtonsForm", "TEdit",   "TUpDown",
                                        "TToolBar",     "TBitBtn", "tooltips_class32"};
    HMENU bar = Form->MainMenu1->Handle();
    HMENU popup = Form->PopupMenu1->Handle();
    auto* second = new TButtonsForm(nullptr);
    second->Show();
    Pump();
    const int windows = TResourceCount::Windows;
    EXPECT_GT(CountThreadWindows(ours), 0);
    second->Free();
    EXPECT_LT(TResourceCount::Windows, windows);
    // What remains is the fixture's form and its children only.
    Form->Free();
    Form = new TButtonsForm(nullptr); // the fixture frees one
    EXPECT_EQ(CountThreadWindows(ours), 0);
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(IsMenu(popup));
}

} // namespace
