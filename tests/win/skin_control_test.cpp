// Attaching skinned-control objects: which kind every control gets, the
// classes and tags that keep a control unskinned, the routing through the
// hook, plain windows, and that releasing gives everything back.
#include <gtest/gtest.h>

#include "framework/resourcecount.h"
#include "skin/winskinbutton.h"
#include "skin/winskinimage.h"
#include "tests/win/skin_control_testing.h"

using namespace skintest;

namespace {

// A push button class of another library, and an up-down under another name.
class TTestButton : public TButton {
    ORVANE_CLASS(TTestButton, TButton)
    explicit TTestButton(TComponent* AOwner) : TButton(AOwner) {}
};
const TClassInfo& TTestButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTestButton>();
    return info;
}
class TTestUpDown : public TUpDown {
    ORVANE_CLASS(TTestUpDown, TUpDown)
    explicit TTestUpDown(TComponent* AOwner) : TUpDown(AOwner) {}
};
const TClassInfo& TTestUpDown::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTestUpDown>();
    return info;
}
// A class the matcher has a row for but nobody here paints.
class TTrackBar : public TWinControl {
    ORVANE_CLASS(TTrackBar, TWinControl)
    explicit TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {}
};
const TClassInfo& TTrackBar::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTrackBar>();
    return info;
}

struct SkinControls : ::testing::Test {
    void SetUp() override
    {
        RegisterClasses<TPanel, TShape, TImage, TLabel, TEdit, TUpDown, TGroupBox, TCheckBox, TRadioGroup,
                        TSpeedButton, TiTestWidget, TTestButton, TTestUpDown, TTrackBar>();
        standIns = RegisterStandIns();
        LoadDefaultSkin(data);
        ASSERT_FALSE(data.NotLoaded);
        form = std::make_unique<TPanelLikeForm>(nullptr);
        host = std::make_unique<TTestHost>(form.get(), &data);
    }
    void TearDown() override
    {
        host.reset();
        form.reset();
        RemoveStandIns(standIns);
    }
    TControl* Named(const std::string& name) { return dynamic_cast<TControl*>(form->FindComponent(name)); }
    bool Hooked(TControl* c) { return c->Perform(WM_SKIN_CONTROLSKINNED) == 1; }

    TSkinData data{nullptr};
    std::unique_ptr<TPanelLikeForm> form;
    std::unique_ptr<TTestHost> host;
    std::vector<std::string> standIns;
};

TEST_F(SkinControls, TheMainWindowsControlsGetTheirKindsAndNothingElseIsTouched)
{
    host->List().InitControls(form.get());
    std::map<std::string, std::string> expected{
        {"Panel1", "TSkinBox"},
        {"Shape1", ""},
        {"Image1", ""},
        {"Label1", ""},
        {"Label4", ""},
        {"iSlider1", ""},
        {"GroupBox1", "TSkinGroupBox"},
        {"GroupBox2", "TSkinGroupBox"},
        {"CheckBox1", "TSkinCheckBox"},
        {"RadioGroup1", "TSkinGroupBox"},
        {"RadioGroup1.dB", "TSkinRadioButton"},
        {"RadioGroup1.dBA", "TSkinRadioButton"},
        {"RadioGroup1.dBC", "TSkinRadioButton"},
    };
    for (int i = 1; i <= 6; ++i) {
        expected["Edit" + std::to_string(i)] = "TSkinEdit";
        expected["UpDown" + std::to_string(i)] = "TSkinUpDown";
    }
    for (int i = 1; i <= 4; ++i)
        expected["SpeedButton" + std::to_string(i)] = "TSkinSpeedButton";
    EXPECT_EQ(KindsOf(host->List(), form.get()), expected);

    // Every object sits in front of its control; the rest answer as before.
    EXPECT_TRUE(Hooked(Named("SpeedButton1")));
    EXPECT_TRUE(Hooked(Named("Edit6")));
    EXPECT_FALSE(Hooked(Named("Label1")));
    EXPECT_FALSE(Hooked(Named("iSlider1")));
    // A second walk attaches nothing twice.
    const int count = host->List().Count();
    host->List().InitControls(form.get());
    EXPECT_EQ(host->List().Count(), count);
}

TEST_F(SkinControls, DisableTagKeepsTheControlAndARadioGroupsButtonsAsTheyAre)
{
    auto* group = dynamic_cast<TRadioGroup*>(Named("RadioGroup1"));
    auto* check = Named("CheckBox1");
    group->Tag = data.DisableTag;
    check->Tag = data.DisableTag;
    host->List().InitControls(form.get());

    EXPECT_EQ(host->List().FindObject(group), nullptr);
    EXPECT_EQ(host->List().FindObject(check), nullptr);
    EXPECT_TRUE(group->GetParentColor()); // not recoloured: it follows the panel as before
    for (int i = 0; i < 3; ++i) {
        TControl* button = group->Buttons(i);
        EXPECT_EQ(button->Tag, data.DisableTag) << i;
        EXPECT_EQ(host->List().FindObject(button), nullptr) << i;
        EXPECT_FALSE(Hooked(button)) << i;
        // Matched on its own (as a form's component would be), it stays out.
        host->List().AddComp(button, group);
        EXPECT_EQ(host->List().FindObject(button), nullptr) << i;
    }
    EXPECT_FALSE(Hooked(check));
    // A plain group box with the tag does not hand it on.
    auto* box = dynamic_cast<TWinControl*>(Named("GroupBox1"));
    host->List().DeleteControls();
    box->Tag = data.DisableTag;
    host->List().InitControls(form.get());
    EXPECT_EQ(host->List().FindObject(box), nullptr);
    EXPECT_NE(Named("Edit4")->Tag, data.DisableTag);
}

TEST_F(SkinControls, ClassesAreMatchedAsTheirRowsSay)
{
    auto* parent = dynamic_cast<TWinControl*>(Named("Panel1"));
    auto make = [&](auto* control) {
        control->SetParent(parent);
        control->SetBounds(400, 330, 80, 24);
        return control;
    };
    TTestButton* foreign = make(new TTestButton(form.get()));
    TBitBtn* bit = make(new TBitBtn(form.get()));
    TTestUpDown* updown = make(new TTestUpDown(form.get()));
    TUpDown* plainUpDown = make(new TUpDown(form.get()));

    // "nil" wins over the push-button row this class would otherwise meet.
    data.Skin3rd().Add("ttestbutton=nil");
    data.SkinControls.Exclude(xcBitBtn);
    host->List().InitControls(form.get());
    EXPECT_EQ(host->List().FindObject(foreign), nullptr);
    EXPECT_FALSE(Hooked(foreign));
    // A bitmap button is not demoted to a plain skinned push button.
    EXPECT_EQ(host->List().FindObject(bit), nullptr);
    // Only the exact class name is a spinner.
    EXPECT_EQ(host->List().FindObject(updown), nullptr);
    ASSERT_NE(host->List().FindObject(plainUpDown), nullptr);

    host->List().DeleteControls();
    data.Skin3rd().Clear();
    data.SkinControls.Include(xcBitBtn);
    host->List().InitControls(form.get());
    ASSERT_NE(host->List().FindObject(foreign), nullptr);
    EXPECT_EQ(host->List().FindObject(foreign)->KindName, "TSkinButton");
    ASSERT_NE(host->List().FindObject(bit), nullptr);
    EXPECT_EQ(host->List().FindObject(bit)->KindName, "TSkinBitButton");

    // A listed class whose kind's condition fails is claimed and stays as it is.
    host->List().DeleteControls();
    data.Skin3rd().Add("TTestButton=button");
    data.SkinControls.Exclude(xcButton);
    host->List().InitControls(form.get());
    EXPECT_EQ(host->List().FindObject(foreign), nullptr);
}

TEST_F(SkinControls, AKindNobodyBuildsLeavesTheControlAloneAndSaysSo)
{
    auto* bar = new TTrackBar(form.get());
    bar->SetParent(dynamic_cast<TWinControl*>(Named("Panel1")));
    bar->SetBounds(400, 330, 100, 24);
    host->List().InitControls(form.get());
    EXPECT_EQ(host->List().FindObject(bar), nullptr);
    EXPECT_FALSE(Hooked(bar));
    EXPECT_NE(data.LastDebug.find("no such control here: TSkinTrackBar"), std::string::npos)
        << data.LastDebug;
    // The walk went on past it.
    EXPECT_NE(host->List().FindObject(Named("SpeedButton1")), nullptr);
}

TEST_F(SkinControls, SwitchMessageTurnsSkinPaintingOffAndOnWithoutDetaching)
{
    host->List().InitControls(form.get());
    TControl* edit = Named("Edit1");
    TSkinControl* obj = host->List().FindObject(edit);
    ASSERT_NE(obj, nullptr);
    edit->Perform(WM_SKIN_CONTROLSWITCH, 0, 0);
    EXPECT_FALSE(obj->SkinActive);
    EXPECT_FALSE(Hooked(edit)); // straight to the control: it does not know the query
    edit->Perform(WM_SKIN_CONTROLSWITCH, 1, 0);
    EXPECT_TRUE(obj->SkinActive);
    EXPECT_TRUE(Hooked(edit));
    EXPECT_EQ(host->List().FindObject(edit), obj);
}

TEST_F(SkinControls, ARecreatedWindowIsAttachedAgain)
{
    host->List().InitControls(form.get());
    auto* edit = dynamic_cast<TWinControl*>(Named("Edit2"));
    HWND old = edit->Handle();
    TSkinControl* obj = host->List().FindObject(edit);
    ASSERT_NE(obj, nullptr);
    edit->RecreateWnd();
    EXPECT_EQ(obj->State, SkinStateWindowGone);
    HWND now = edit->Handle();
    ASSERT_NE(now, old);
    host->List().Reattach(old);
    TSkinControl* fresh = host->List().FindObject(edit);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->hwnd, now);
    EXPECT_EQ(fresh->State, SkinStateAttached);
    EXPECT_TRUE(Hooked(edit));

    // Without the message, the next walk frees what is left of a gone window.
    edit->RecreateWnd();
    edit->HandleNeeded();
    host->List().InitControls(form.get());
    ASSERT_NE(host->List().FindObject(edit), nullptr);
    EXPECT_EQ(host->List().FindObject(edit)->State, SkinStateAttached);
}

TEST_F(SkinControls, FreeingAControlTakesItsObjectOutOfTheList)
{
    host->List().InitControls(form.get());
    const int count = host->List().Count();
    TControl* button = Named("SpeedButton3");
    ASSERT_NE(host->List().FindObject(button), nullptr);
    delete button;
    EXPECT_EQ(host->List().Count(), count - 1);
    auto* edit = Named("Edit3");
    delete edit;
    EXPECT_EQ(host->List().Count(), count - 2);
    host->List().DeleteControls();
    EXPECT_EQ(host->List().Count(), 0);
}

TEST_F(SkinControls, AHookInstalledOverOursKeepsWorkingOnceWeAreGone)
{
    host->List().InitControls(form.get());
    TControl* check = Named("CheckBox1");
    int seen = 0;
    auto ours = check->WindowProc;
    check->WindowProc = [&seen, ours](TMessage& m) {
        if (m.Msg == WM_USER + 7) ++seen;
        ours(m);
    };
    host->List().DeleteControls();
    check->Perform(WM_USER + 7);
    EXPECT_EQ(seen, 1);
    // The control still does its work behind the forwarder.
    dynamic_cast<TCheckBox*>(check)->SetChecked(true);
    EXPECT_EQ(SendMessageA(dynamic_cast<TWinControl*>(check)->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(Hooked(check));
}

TEST_F(SkinControls, ReleasingTwiceLeavesEveryControlWorkingAndNothingBehind)
{
    form->Show();
    Pump();
    auto* panel = dynamic_cast<TPanel*>(Named("Panel1"));
    const TColor panelColor = panel->GetColor();
    const bool panelParentColor = panel->GetParentColor();
    // Painting once makes the handles controls keep for their lifetime (fonts,
    // background brushes); those are the controls', not ours.
    host->List().InitControls(form.get());
    form->Repaint();
    Pump();
    host->List().DeleteControls();
    form->Repaint();
    Pump();
    const int gdi0 = TResourceCount::GdiObjects, dc0 = TResourceCount::DeviceContexts;
    const int windows0 = ThreadWindows(), counted0 = TResourceCount::Windows;
    for (int round = 0; round < 2; ++round) {
        host->List().InitControls(form.get());
        EXPECT_EQ(panel->GetColor(), data.Colors[csButtonFace]);
        form->Repaint();
        Pump();
        host->List().DeleteControls();
        form->Repaint();
        Pump();
    }
    EXPECT_EQ(panel->GetColor(), panelColor);
    EXPECT_EQ(panel->GetParentColor(), panelParentColor);
    EXPECT_EQ(TResourceCount::GdiObjects, gdi0);
    EXPECT_EQ(TResourceCount::DeviceContexts, dc0);
    EXPECT_EQ(ThreadWindows(), windows0);
    EXPECT_EQ(TResourceCount::Windows, counted0);

    // Every control answers as its own again.
    for (const char* name : {"Panel1", "Edit1", "UpDown1", "CheckBox1", "RadioGroup1", "SpeedButton1"})
        EXPECT_FALSE(Hooked(Named(name))) << name;
    int clicks = 0;
    auto* speed = dynamic_cast<TSpeedButton*>(Named("SpeedButton1"));
    speed->OnClick = [&](TObject*) { ++clicks; };
    speed->Click();
    EXPECT_EQ(clicks, 1);
    auto* edit = dynamic_cast<TEdit*>(Named("Edit2"));
    edit->SetText("42");
    EXPECT_EQ(GetFormCaptionA(edit->Handle()), "42");
    auto* group = dynamic_cast<TRadioGroup*>(Named("RadioGroup1"));
    group->SetItemIndex(2);
    EXPECT_TRUE(group->Buttons(2)->GetChecked());
}

// --- Windows without a framework form

LRESULT CALLBACK PlainParentProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) SetPropA(wnd, "LastCommand", reinterpret_cast<HANDLE>(wParam + 1));
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

TEST(SkinControlsPlain, ChildWindowsAreMatchedByClassAndStyle)
{
    TSkinData data(nullptr);
    LoadDefaultSkin(data);
    const std::vector<std::string> standIns = RegisterStandIns();
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainParentProc;
    wc.hInstance = MainInstance();
    wc.lpszClassName = "SkcPlainDialog";
    RegisterClassA(&wc);
    HWND top = CreateWindowExA(0, "SkcPlainDialog", "plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                               200, nullptr, nullptr, MainInstance(), nullptr);
    auto child = [&](const char* cls, DWORD style, int id) {
        return CreateWindowExA(0, cls, "OK", WS_CHILD | WS_VISIBLE | style, 10, 10 + id * 2, 80, 24, top,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), MainInstance(), nullptr);
    };
    HWND push = child("BUTTON", BS_DEFPUSHBUTTON, 1);
    HWND check = child("BUTTON", BS_AUTOCHECKBOX, 2);
    HWND radio = child("BUTTON", BS_AUTORADIOBUTTON, 3);
    HWND group = child("BUTTON", BS_GROUPBOX, 4);
    HWND owner = child("BUTTON", BS_OWNERDRAW, 5);
    HWND edit = child("EDIT", WS_BORDER, 6);
    HWND tree = child("SysTreeView32", 0, 7);
    {
        TTestHost host(nullptr, &data);
        host.SetWindow(top);
        host.List().InitHwndControls(top);
        auto kind = [&](HWND w) {
            TSkinControl* obj = host.List().FindObject(w);
            return obj ? obj->KindName : std::string();
        };
        EXPECT_EQ(kind(push), "TSkinButton") << data.LastDebug;
        EXPECT_EQ(kind(check), "TSkinCheckBox");
        EXPECT_EQ(kind(radio), "TSkinRadioButton");
        EXPECT_EQ(kind(group), "");
        EXPECT_EQ(kind(owner), "");
        EXPECT_EQ(kind(edit), "TSkinEdit");
        EXPECT_EQ(kind(tree), "");
        EXPECT_EQ(SendMessageA(push, WM_SKIN_CONTROLSKINNED, 0, 0), 1);

        // The skinned push button takes the press itself and tells its
        // parent as the system button would.
        SendMessageA(push, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(push, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Pump();
        EXPECT_EQ(reinterpret_cast<WPARAM>(GetPropA(top, "LastCommand")), MAKEWPARAM(1, BN_CLICKED) + 1);

        // A second walk takes nothing twice.
        const int count = host.List().Count();
        host.List().InitHwndControls(top);
        EXPECT_EQ(host.List().Count(), count);
    }
    // Released: the windows have their own procedures back.
    EXPECT_EQ(SendMessageA(push, WM_SKIN_CONTROLSKINNED, 0, 0), 0);
    EXPECT_EQ(GetPropA(push, "OrvaneSkinControl"), nullptr);
    RemovePropA(top, "LastCommand");
    DestroyWindow(top);
    RemoveStandIns(standIns);
}

// Dialog panes ("#32770" without WS_TABSTOP) and framework panels are walked
// into, at any depth; a pane with WS_TABSTOP is left whole, children and all.
TEST(SkinControlsPlain, DialogPanesAndPanelsAreWalkedIntoAtAnyDepth)
{
    TSkinData data(nullptr);
    LoadDefaultSkin(data);
    const std::vector<std::string> standIns = RegisterStandIns();
    const bool paneKind = !SkinKindRegistered("TSkinBoxH");
    if (paneKind) RegisterSkinKind("TSkinBoxH", [](TComponent* o) -> TSkinControl* { return new TSkinControl(o); });
    {
        TForm form(nullptr);
        form.SetBounds(40, 40, 420, 260);
        auto* panel = new TPanel(&form);
        panel->SetParent(&form);
        panel->SetBounds(8, 8, 200, 200);
        panel->SetColor(clRed);
        auto* inPanel = new TButton(&form);
        inPanel->SetParent(panel);
        inPanel->SetBounds(8, 8, 80, 24);
        auto raw = [](const char* cls, HWND parent, DWORD style, int y) {
            return CreateWindowExA(0, cls, "x", WS_CHILD | WS_VISIBLE | style, 8, y, 180, 60, parent, nullptr,
                                   MainInstance(), nullptr);
        };
        HWND paneInPanel = raw("#32770", panel->Handle(), 0, 40);
        HWND edit = raw("EDIT", paneInPanel, WS_BORDER, 4);
        HWND pane = raw("#32770", form.Handle(), 0, 8);
        SetWindowPos(pane, nullptr, 220, 8, 180, 60, SWP_NOZORDER);
        HWND inPane = raw("BUTTON", pane, BS_PUSHBUTTON, 4);
        HWND tabPane = raw("#32770", form.Handle(), WS_TABSTOP, 8);
        SetWindowPos(tabPane, nullptr, 220, 100, 180, 60, SWP_NOZORDER);
        HWND inTabPane = raw("BUTTON", tabPane, BS_PUSHBUTTON, 4);
        form.Show();

        TTestHost host(nullptr, &data);
        host.SetWindow(form.Handle());
        host.List().InitHwndControls(form.Handle());
        auto kind = [&](HWND w) {
            TSkinControl* obj = host.List().FindObject(w);
            return obj ? obj->KindName : std::string();
        };
        const struct {
            const char* what;
            HWND wnd;
            const char* kind;
        } rows[] = {
            {"the panel itself", panel->Handle(), ""},
            {"a framework button in the panel", inPanel->Handle(), "TSkinButton"},
            {"a pane in the panel", paneInPanel, "TSkinBoxH"},
            {"an edit in that pane", edit, "TSkinEdit"},
            {"a pane on the form", pane, "TSkinBoxH"},
            {"a button in that pane", inPane, "TSkinButton"},
            {"a pane with WS_TABSTOP", tabPane, ""},
            {"a button in that one", inTabPane, ""},
        };
        for (const auto& row : rows)
            EXPECT_EQ(kind(row.wnd), row.kind) << row.what << "; " << data.LastDebug;
        EXPECT_EQ(panel->GetColor(), data.Colors[csButtonFace]) << "the panel takes the skin's face colour";
    }
    if (paneKind) RegisterSkinKind("TSkinBoxH", nullptr);
    RemoveStandIns(standIns);
}

TEST(SkinControlsPlain, AWindowDestroyedWhileAttachedIsFreedOnTheNextWalk)
{
    TSkinData data(nullptr);
    LoadDefaultSkin(data);
    HWND top = CreateWindowExA(0, "STATIC", "plain", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200, nullptr, nullptr,
                               MainInstance(), nullptr);
    HWND push = CreateWindowExA(0, "BUTTON", "Go", WS_CHILD | WS_VISIBLE, 10, 10, 80, 24, top, nullptr,
                                MainInstance(), nullptr);
    TTestHost host(nullptr, &data);
    host.SetWindow(top);
    host.List().InitHwndControls(top);
    TSkinControl* obj = host.List().FindObject(push);
    ASSERT_NE(obj, nullptr);
    DestroyWindow(push);
    EXPECT_EQ(obj->State, SkinStateWindowGone);
    host.List().DeleteSkinDeleted();
    EXPECT_EQ(host.List().Count(), 0);
    DestroyWindow(top);
}

// A message box: its push buttons are skinned by window class, the default
// one shows the focused face, and a press on a skinned button closes the box
// as the system button would.
struct TMessageBoxProbe {
    TSkinData* Data = nullptr;
    std::vector<std::string> Kinds;
    int DefaultFrame = -1;
    int Objects = 0;
    bool Done = false;
};
TMessageBoxProbe* probe = nullptr;
std::unique_ptr<TTestHost> boxHost; // outlives the box: its objects see their windows go

void CALLBACK ProbeMessageBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) {
            if (GetWindowClassname(wnd) == "#32770") *reinterpret_cast<HWND*>(p) = wnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box || probe->Done) return;
    KillTimer(nullptr, id);
    probe->Done = true;
    boxHost = std::make_unique<TTestHost>(nullptr, probe->Data);
    TTestHost* host = boxHost.get();
    host->SetWindow(box);
    host->List().InitHwndControls(box);
    probe->Objects = host->List().Count();
    HWND ok = nullptr;
    for (int i = 0; i < host->List().Count(); ++i) {
        TSkinControl* obj = host->List().Items(i);
        probe->Kinds.push_back(obj->KindName + ":" + GetFormCaptionA(obj->hwnd));
        if (GetDlgCtrlID(obj->hwnd) == IDOK) ok = obj->hwnd;
    }
    if (auto* button = dynamic_cast<TSkinButton*>(host->List().FindObject(ok)))
        probe->DefaultFrame = button->FaceFrame();
    if (ok) {
        SendMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }
}

TEST(SkinControlsPlain, AMessageBoxsPushButtonsAreSkinnedAndStillCloseIt)
{
    TSkinData data(nullptr);
    LoadDefaultSkin(data);
    TMessageBoxProbe p;
    p.Data = &data;
    probe = &p;
    SetTimer(nullptr, 0, 50, ProbeMessageBox);
    const int answer = MessageBoxA(nullptr, "Skinned?", "Box", MB_OKCANCEL);
    probe = nullptr;
    EXPECT_TRUE(p.Done);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(p.Objects, 2);
    EXPECT_NE(std::find(p.Kinds.begin(), p.Kinds.end(), "TSkinButton:OK"), p.Kinds.end());
    EXPECT_NE(std::find(p.Kinds.begin(), p.Kinds.end(), "TSkinButton:Cancel"), p.Kinds.end());
    EXPECT_EQ(p.DefaultFrame, SkinBtnFocused);
    // The box is gone, and so are its buttons: the next walk frees their objects.
    ASSERT_TRUE(boxHost);
    boxHost->List().DeleteSkinDeleted();
    EXPECT_EQ(boxHost->List().Count(), 0);
    boxHost.reset();
}

} // namespace
