// The matcher's less common ways: the program's own choice first, tool bars
// with the frame's custom-draw handlers, forms placed in forms, Skin3rd kinds
// that reach into a control's children, and pop-up menus.
#include <gtest/gtest.h>

#include "framework/menus.h"
#include "framework/resourcecount.h"
#include "tests/win/skin_control_testing.h"

using namespace skintest;

namespace {

// A container of another library that holds radio buttons.
class TOtherRadioGroup : public TCustomControl {
    ORVANE_CLASS(TOtherRadioGroup, TCustomControl)
    explicit TOtherRadioGroup(TComponent* AOwner) : TCustomControl(AOwner) {}
};
const TClassInfo& TOtherRadioGroup::StaticClass()
{
    static const TClassInfo& info = PublishClass<TOtherRadioGroup>();
    return info;
}

// An edit of another library.
class TOtherEdit : public TEdit {
    ORVANE_CLASS(TOtherEdit, TEdit)
    explicit TOtherEdit(TComponent* AOwner) : TEdit(AOwner) {}
};
const TClassInfo& TOtherEdit::StaticClass()
{
    static const TClassInfo& info = PublishClass<TOtherEdit>();
    return info;
}

struct SkinControlRows : ::testing::Test {
    void SetUp() override
    {
        RegisterClasses<TPanel, TShape, TImage, TLabel, TEdit, TUpDown, TGroupBox, TCheckBox, TRadioGroup,
                        TSpeedButton, TiTestWidget, TOtherRadioGroup>();
        standIns = RegisterStandIns();
        LoadDefaultSkin(data);
        form = std::make_unique<TPanelLikeForm>(nullptr);
        panel = dynamic_cast<TPanel*>(form->FindComponent("Panel1"));
        host = std::make_unique<TTestHost>(form.get(), &data);
    }
    void TearDown() override
    {
        host.reset();
        form.reset();
        RemoveStandIns(standIns);
    }
    template <class T> T* Place(int left, int top, int width, int height)
    {
        auto* c = new T(form.get());
        c->SetParent(panel);
        c->SetBounds(left, top, width, height);
        return c;
    }
    std::string KindOf(TControl* c)
    {
        TSkinControl* obj = host->List().FindObject(c);
        return obj ? obj->KindName : std::string();
    }

    TSkinData data{nullptr};
    std::unique_ptr<TPanelLikeForm> form;
    std::unique_ptr<TTestHost> host;
    TPanel* panel = nullptr;
    std::vector<std::string> standIns;
};

TEST_F(SkinControlRows, TheProgramsOwnHandlerDecidesFirst)
{
    auto* edit = dynamic_cast<TControl*>(form->FindComponent("Edit1"));
    auto* check = dynamic_cast<TControl*>(form->FindComponent("CheckBox1"));
    TSkinControl* mine = nullptr;
    std::string seenClass;
    data.OnSkinControl = [&](TComponent*, TSkinData*, TControl*, TControl* control, const std::string& cls,
                             TComponent*& result) {
        if (control == edit) {
            seenClass = cls;
            mine = new TSkinControl(control);
            mine->Recolor = true;
            result = mine;
        } else if (control == check) {
            result = control; // anything but a skinned control: leave it alone
        }
    };
    const TColor before = edit->GetColor();
    host->List().InitControls(form.get());
    EXPECT_EQ(seenClass, "TEDIT");
    EXPECT_EQ(host->List().FindObject(edit), mine);
    EXPECT_EQ(edit->GetColor(), data.Colors[csButtonFace]); // initialised with the flag it carried
    EXPECT_EQ(host->List().FindObject(check), nullptr);
    host->List().DeleteControls();
    EXPECT_EQ(edit->GetColor(), before);
}

TEST_F(SkinControlRows, AToolBarGetsTheFramesHandlersAndLosesThemOnRelease)
{
    TSkinToolBarHandlers saved = SkinToolBarHandlers();
    int backgrounds = 0;
    SkinToolBarHandlers().DrawBackground = [&](TSkinControlHost& frame, TToolBar*, const TRect&, bool&) {
        EXPECT_EQ(&frame, host.get());
        ++backgrounds;
    };
    SkinToolBarHandlers().DrawButton = [](TSkinControlHost&, TToolBar*, TToolButton*, TCustomDrawState,
                                          bool&) {};

    auto* bar = Place<TToolBar>(0, 0, 200, 26);
    auto* own = Place<TToolBar>(0, 30, 200, 26);
    bool ownCalled = false;
    own->OnCustomDraw = [&](TToolBar*, const TRect&, bool&) { ownCalled = true; };
    host->List().InitControls(form.get());

    EXPECT_TRUE(bar->GetFlat());
    EXPECT_EQ(KindOf(bar), "TSkinBox");
    ASSERT_TRUE(static_cast<bool>(bar->OnCustomDraw));
    ASSERT_TRUE(static_cast<bool>(bar->OnCustomDrawButton));
    bool defaultDraw = true;
    bar->OnCustomDraw(bar, Rect(0, 0, 10, 10), defaultDraw);
    EXPECT_EQ(backgrounds, 1);
    // A handler the program set stays the program's.
    own->OnCustomDraw(own, Rect(0, 0, 10, 10), defaultDraw);
    EXPECT_TRUE(ownCalled);
    EXPECT_TRUE(static_cast<bool>(own->OnCustomDrawButton));

    host->List().DeleteControls();
    EXPECT_FALSE(static_cast<bool>(bar->OnCustomDraw));
    EXPECT_FALSE(static_cast<bool>(bar->OnCustomDrawButton));
    EXPECT_TRUE(static_cast<bool>(own->OnCustomDraw));
    SkinToolBarHandlers() = saved;
}

TEST_F(SkinControlRows, AFormPlacedInAPanelIsABoxAndItsControlsAreMatched)
{
    auto* inner = new TForm(form.get());
    inner->SetBorderStyle(bsNone);
    inner->SetParent(panel);
    inner->SetBounds(300, 330, 200, 80);
    auto* button = new TButton(inner);
    button->SetParent(inner);
    button->SetBounds(8, 8, 80, 24);
    auto* menu = new TPopupMenu(inner);
    host->List().InitControls(form.get());
    EXPECT_EQ(KindOf(inner), "TSkinBox");
    EXPECT_EQ(inner->GetColor(), data.Colors[csButtonFace]);
    EXPECT_EQ(KindOf(button), "TSkinButton");
    EXPECT_NE(std::find(host->skinnedMenus.begin(), host->skinnedMenus.end(), menu),
              host->skinnedMenus.end());
}

TEST_F(SkinControlRows, Skin3rdKindsReachIntoChildrenAndObeyTheirConditions)
{
    auto* group = Place<TOtherRadioGroup>(300, 330, 200, 90);
    TRadioButton* buttons[2];
    for (int i = 0; i < 2; ++i) {
        buttons[i] = new TRadioButton(form.get());
        buttons[i]->SetParent(group);
        buttons[i]->SetBounds(8, 8 + 30 * i, 100, 20);
    }
    // Owned by the form, so a walk would meet them on their own too: the
    // kind for the group gets there first.
    data.Skin3rd().Add("tother=panel");
    data.Skin3rd().Add("TOtherRadioGroup=radiogroup");
    host->List().InitControls(form.get());
    EXPECT_EQ(KindOf(group), "TSkinGroupBox");
    EXPECT_EQ(KindOf(buttons[0]), "TSkinRadioButton");
    EXPECT_EQ(KindOf(buttons[1]), "TSkinRadioButton");

    // Without xcGroupBox the line still claims the group; its buttons are
    // then matched on their own.
    host->List().DeleteControls();
    data.SkinControls.Exclude(xcGroupBox);
    host->List().InitControls(form.get());
    EXPECT_EQ(KindOf(group), "");
    EXPECT_EQ(KindOf(buttons[0]), "TSkinRadioButton");
}

// A Skin3rd "edit" line skins an edit only when its window is larger than its
// client area; a borderless one stays claimed and unskinned.
TEST_F(SkinControlRows, ASkin3rdEditIsSkinnedOnlyWithABorder)
{
    auto* framed = Place<TOtherEdit>(300, 330, 120, 22);
    auto* bare = Place<TOtherEdit>(300, 360, 120, 22);
    bare->SetBorderStyle(bsNone);
    data.Skin3rd().Add("TOtherEdit=edit");
    host->List().InitControls(form.get());
    EXPECT_EQ(KindOf(framed), "TSkinEdit");
    EXPECT_EQ(KindOf(bare), "");
}

TEST_F(SkinControlRows, PopupMenusOfTheFormAreHandedToTheFrameWhenMenusAreSkinned)
{
    auto* menu = new TPopupMenu(form.get());
    data.SkinControls.Exclude(xcPopupMenu);
    host->List().InitControls(form.get());
    EXPECT_TRUE(host->skinnedMenus.empty());
    host->List().DeleteControls();
    data.SkinControls.Include(xcPopupMenu);
    host->List().InitControls(form.get());
    ASSERT_EQ(host->skinnedMenus.size(), 1u);
    EXPECT_EQ(host->skinnedMenus[0], menu);
}

// The traffic monitor's window as it is shipped, without its handlers: a
// tool bar with two buttons over a memo with both scroll bars.
std::string MonitorLayout()
{
    std::string root = ORVANE_DEFAULT_SKIN_PACKAGE_PATH;
    root = root.substr(0, root.rfind("/assets/"));
    TStringList lines;
    lines.LoadFromFile(root + "/app/layouts/TForm2.layout");
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) {
        std::string line = lines.Get(i);
        if (line.find("OnClick") != std::string::npos) continue;
        if (line.find(": TForm2") != std::string::npos) line = "object Form2: TForm";
        text += line + "\n";
    }
    return text;
}

TEST(SkinControlMonitor, TheMonitorsToolBarAndMemoAreSkinnedAndReleasedTwiceCleanly)
{
    RegisterClasses<TToolBar, TToolButton, TMemo>();
    const std::vector<std::string> standIns = RegisterStandIns();
    TSkinData data(nullptr);
    LoadDefaultSkin(data);
    TPanelLikeForm form(nullptr, MonitorLayout());
    form.Show();
    Pump();
    auto* memo = dynamic_cast<TMemo*>(form.FindComponent("Memo1"));
    ASSERT_NE(memo, nullptr);
    const int windows0 = ThreadWindows();
    const int gdi0 = TResourceCount::GdiObjects;
    {
        TTestHost host(&form, &data);
        for (int round = 0; round < 2; ++round) {
            host.List().InitControls(&form);
            std::map<std::string, std::string> kinds = KindsOf(host.List(), &form);
            kinds.erase("Form2."); // the scroll-bar overlays: the engine's own windows, nameless
            EXPECT_EQ(kinds, (std::map<std::string, std::string>{{"ToolBar1", "TSkinBox"},
                                                                 {"ToolButton1", ""},
                                                                 {"ToolButton2", ""},
                                                                 {"Memo1", "TSkinScrollbar"}}));
            form.Repaint();
            Pump();
            host.List().DeleteControls();
            Pump();
        }
    }
    EXPECT_EQ(ThreadWindows(), windows0); // the scroll-bar overlays went with their object
    EXPECT_EQ(TResourceCount::GdiObjects, gdi0);
    memo->Lines()->Add("--> EB 90 03 01 7F");
    EXPECT_EQ(memo->Lines()->Count(), 1);
    RemoveStandIns(standIns);
}

} // namespace
