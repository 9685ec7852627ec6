// Component ownership, names, notifications, the class registry and by-name
// property access.
#include <gtest/gtest.h>

#include <memory>

#include "tests/native/testcomponents.h"

namespace {

struct Tracked : TComponent {
    Tracked(TComponent* owner, std::vector<std::string>& log, std::string tag)
        : TComponent(owner), log_(log), tag_(std::move(tag))
    {
    }
    ~Tracked() override { log_.push_back(tag_); }
    std::vector<std::string>& log_;
    std::string tag_;
};

TEST(Component, OwnerFreesOwnedComponentsLastCreatedFirst)
{
    std::vector<std::string> log;
    auto* owner = new TComponent(nullptr);
    auto* a = new Tracked(owner, log, "a");
    new Tracked(a, log, "a.child");
    new Tracked(owner, log, "b");
    auto* c = new Tracked(owner, log, "c");
    ASSERT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_EQ(owner->Components(2), c);
    EXPECT_EQ(c->ComponentIndex(), 2);
    EXPECT_THROW(owner->Components(3), EListError);

    // Freeing one component takes it out of its owner.
    c->Free();
    EXPECT_EQ(owner->ComponentCount(), 2);
    owner->Free();
    // "a" logs from its own destructor body, before its base frees "a.child".
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a", "a.child"}));
}

TEST(Component, ComponentsAreMarkedDestroyingBeforeTheirOwnerGoes)
{
    struct Probe : TComponent {
        using TComponent::TComponent;
        ~Probe() override { *sawDestroying = ComponentState().Contains(csDestroying); }
        bool* sawDestroying = nullptr;
    };
    bool saw = false;
    auto* owner = new TComponent(nullptr);
    (new Probe(owner))->sawDestroying = &saw;
    owner->Free();
    EXPECT_TRUE(saw);
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwner)
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Button1");
    EXPECT_EQ(owner.FindComponent("BUTTON1"), a);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_THROW(b->SetName("button1"), EComponentError);
    EXPECT_THROW(b->SetName("1Button"), EComponentError);
    EXPECT_THROW(b->SetName("Button 2"), EComponentError);
    EXPECT_TRUE(b->GetName().empty());
    a->SetName("BUTTON1"); // another spelling of its own name is fine
    EXPECT_EQ(a->GetName(), "BUTTON1");
    b->SetName("_Edit2");
    EXPECT_EQ(owner.FindComponent("_edit2"), b);
    a->SetName("");
    EXPECT_EQ(owner.FindComponent("Button1"), nullptr);

    // Moving a component into an owner that has its name is refused.
    TComponent other(nullptr);
    auto* c = new TComponent(&other);
    c->SetName("_Edit2");
    EXPECT_THROW(owner.InsertComponent(c), EComponentError);
    EXPECT_EQ(c->Owner(), &other);
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners)
{
    TComponent form1(nullptr), form2(nullptr);
    auto* edit = new TTestControl(&form1);
    auto* updown = new TTestControl(&form2);
    updown->SetAssociate(edit);
    edit->Free();
    EXPECT_EQ(updown->GetAssociate(), nullptr);

    // A subscriber that goes first leaves nothing dangling behind.
    auto* edit2 = new TTestControl(&form1);
    auto* watcher = new TTestControl(&form2);
    watcher->SetAssociate(edit2);
    watcher->Free();
    edit2->Free(); // would touch the freed watcher if it were still listed
    SUCCEED();
}

TEST(Component, SiblingsHearOfEachOthersRemovalThroughTheOwner)
{
    auto* form = new TComponent(nullptr);
    auto* edit = new TTestControl(form);
    auto* updown = new TTestControl(form);
    updown->SetAssociate(edit);
    edit->Free();
    EXPECT_EQ(updown->GetAssociate(), nullptr);

    // Also when the owner itself is freed: the later sibling goes first.
    auto* early = new TTestControl(form);
    auto* late = new TTestControl(form);
    early->SetAssociate(late);
    form->Free();
}

TEST(Component, FormFieldsFollowTheComponentsOfTheirName)
{
    TTestForm form;
    auto* panel = new TTestControl(&form);
    panel->SetName("Panel1");
    EXPECT_EQ(form.Panel1, panel);
    panel->SetName("Panel2");
    EXPECT_EQ(form.Panel1, nullptr);
    panel->SetName("Panel1");
    panel->Free();
    EXPECT_EQ(form.Panel1, nullptr);

    // A field of another class is not pointed at the wrong object.
    auto* timer = new TTestTimer(&form);
    timer->SetName("Panel1");
    EXPECT_EQ(form.Panel1, nullptr);

    auto* edit = new TTestControl(&form);
    edit->SetName("Edit1");
    ASSERT_EQ(form.Edit1, edit);
    form.DestroyComponents();
    EXPECT_EQ(form.Edit1, nullptr);
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(ClassRegistry, ClassNamesAndAncestry)
{
    TTestForm form;
    auto* slider = new TTestSlider(&form);
    EXPECT_EQ(slider->ClassName(), "TTestSlider");
    EXPECT_TRUE(slider->InheritsFrom("TTestControl"));
    EXPECT_TRUE(slider->InheritsFrom("tcomponent"));
    EXPECT_TRUE(slider->InheritsFrom(TPersistent::StaticClass()));
    EXPECT_TRUE(slider->InheritsFrom("TObject"));
    EXPECT_FALSE(slider->InheritsFrom("TTestForm"));
    EXPECT_EQ(&slider->ClassType(), &TTestSlider::StaticClass());
    EXPECT_EQ(TTestSlider::StaticClass().Parent, &TTestControl::StaticClass());

    EXPECT_EQ(GetClass("ttestslider"), &TTestSlider::StaticClass());
    EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
    EXPECT_THROW(FindClass("TNoSuchClass"), EClassNotFound);
    EXPECT_THROW(NewClassInfo("TTestSlider", nullptr), Exception);

    // Only constructible components get a factory.
    EXPECT_TRUE(TTestSlider::StaticClass().Create);
    EXPECT_FALSE(TTestFont::StaticClass().Create);
    TComponent* made = TTestTimer::StaticClass().Create(&form);
    EXPECT_EQ(made->ClassName(), "TTestTimer");
    EXPECT_EQ(made->Owner(), &form);

    // A descendant sees its ancestors' properties, its own last.
    auto props = TTestSlider::StaticClass().AllProps();
    ASSERT_GE(props.size(), 3u);
    EXPECT_EQ(props.front()->Name, "Name");
    EXPECT_EQ(props.back()->Name, "PointerHeight");
}

TEST(PropertyAccess, ReadsEveryKindByName)
{
    TTestForm form;
    form.SetName("Form1");
    auto* c = new TTestSlider(&form);
    c->SetName("iSlider3");
    auto* other = new TTestControl(&form);
    other->SetName("Edit1");
    c->SetLeft(-5);
    c->Big = int64_t{1} << 40;
    c->Alignment = taCenter;
    c->Visible = false;
    c->Color = clInfoBk;
    c->Position = 2.5;
    c->Caption = "Self Check";
    c->GetFont()->Style = {fsBold, fsUnderline};
    c->GetFont()->Color = 0x123456;
    c->GetItems()->Add("dB");
    c->GetItems()->Add("dBA");
    c->SetAssociate(other);
    c->Tag = 99;

    EXPECT_EQ(GetProperty(c, "Left"), "-5");
    EXPECT_EQ(GetIntProperty(c, "left"), -5);
    EXPECT_EQ(GetInt64Property(c, "Big"), int64_t{1} << 40);
    EXPECT_EQ(GetIntProperty(c, "Tag"), 99);
    EXPECT_EQ(GetEnumProperty(c, "Alignment"), "taCenter");
    EXPECT_EQ(GetIntProperty(c, "Alignment"), 2);
    EXPECT_EQ(GetEnumProperty(c, "Visible"), "False");
    EXPECT_EQ(GetProperty(c, "Color"), "clInfoBk");
    EXPECT_EQ(GetIntProperty(c, "Color"), clInfoBk);
    EXPECT_EQ(GetProperty(c, "Font.Color"), "$00123456");
    EXPECT_EQ(GetProperty(c, "Font.Style"), "[fsBold,fsUnderline]");
    EXPECT_EQ(GetIntProperty(c, "Font.Style"), 5);
    EXPECT_DOUBLE_EQ(GetFloatProperty(c, "Position"), 2.5);
    EXPECT_EQ(GetProperty(c, "Position"), "2.5");
    EXPECT_EQ(GetStringProp(c, "Caption"), "Self Check");
    EXPECT_EQ(GetProperty(c, "Character"), "A");
    EXPECT_EQ(GetObjProp(c, "Font"), c->GetFont());
    EXPECT_EQ(GetObjProp(c, "Associate"), other);
    EXPECT_EQ(GetProperty(c, "Associate"), "Edit1");
    EXPECT_EQ(GetStringsProp(c, "Items"), c->GetItems());
    EXPECT_EQ(GetProperty(c, "Items"), "dB\r\ndBA\r\n");
    EXPECT_EQ(GetIntProperty(c, "PointerHeight"), 10);
    EXPECT_EQ(GetProperty(c, "Name"), "iSlider3");

    // Wrong-kind readers answer empty rather than converting.
    EXPECT_EQ(GetStringProp(c, "Left"), "");
    EXPECT_EQ(GetEnumProperty(c, "Left"), "");
    EXPECT_EQ(GetObjProp(c, "Caption"), nullptr);
    EXPECT_EQ(GetIntProperty(c, "Caption"), 0);
}

TEST(PropertyAccess, UnpublishedNamesReadAsNothingAndAreNotWritten)
{
    TTestForm form;
    auto* c = new TTestControl(&form);
    for (const char* name : {"Glyph", "Font.NoSuch", "Caption.Length", "", "Font.", "Associate.Left"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsPublishedProp(c, name));
        EXPECT_EQ(GetProperty(c, name), "");
        EXPECT_EQ(GetIntProperty(c, name), 0);
        EXPECT_EQ(GetEnumProperty(c, name), "");
        EXPECT_EQ(GetStringProp(c, name), "");
        EXPECT_EQ(GetObjProp(c, name), nullptr);
        EXPECT_FALSE(GetObjMethod(c, name).Assigned());
        EXPECT_FALSE(SetProperty(c, name, "1"));
        EXPECT_FALSE(SetIntProperty(c, name, 1));
    }
    EXPECT_EQ(GetProperty(nullptr, "Caption"), "");
    EXPECT_FALSE(SetProperty(nullptr, "Caption", "x"));
}

TEST(PropertyAccess, SetPropertyConvertsTextByKind)
{
    TTestForm form;
    auto* c = new TTestControl(&form);
    auto* edit = new TTestControl(&form);
    edit->SetName("Edit1");

    EXPECT_TRUE(SetProperty(c, "Left", "$10"));
    EXPECT_EQ(c->GetLeft(), 16);
    EXPECT_TRUE(SetProperty(c, "Big", "-9000000000"));
    EXPECT_EQ(c->Big, -9000000000);
    EXPECT_TRUE(SetProperty(c, "Alignment", "tacenter"));
    EXPECT_EQ(c->Alignment, taCenter);
    EXPECT_TRUE(SetProperty(c, "Visible", "False"));
    EXPECT_FALSE(c->Visible);
    EXPECT_TRUE(SetProperty(c, "Color", "clBtnShadow"));
    EXPECT_EQ(c->Color, clBtnShadow);
    EXPECT_TRUE(SetProperty(c, "Color", "12891320"));
    EXPECT_EQ(c->Color, 12891320);
    EXPECT_TRUE(SetProperty(c, "Font.Style", "[fsItalic, fsStrikeOut]"));
    EXPECT_EQ(c->GetFont()->Style, (TTestFontStyles{fsItalic, fsStrikeOut}));
    EXPECT_TRUE(SetProperty(c, "Font.Style", "[]"));
    EXPECT_TRUE(c->GetFont()->Style.Empty());
    EXPECT_TRUE(SetProperty(c, "Position", "-1.25"));
    EXPECT_DOUBLE_EQ(c->Position, -1.25);
    EXPECT_TRUE(SetProperty(c, "Caption", "  spaced  "));
    EXPECT_EQ(c->Caption, "  spaced  ");
    EXPECT_TRUE(SetProperty(c, "Items", "a\r\nb"));
    EXPECT_EQ(c->GetItems()->Count(), 2);
    EXPECT_TRUE(SetProperty(c, "Associate", "edit1"));
    EXPECT_EQ(c->GetAssociate(), edit);
    EXPECT_TRUE(SetProperty(c, "Associate", ""));
    EXPECT_EQ(c->GetAssociate(), nullptr);
    EXPECT_TRUE(SetObjProp(c, "Associate", edit));
    EXPECT_EQ(c->GetAssociate(), edit);

    // Values that do not convert are errors, and leave the value alone.
    c->SetLeft(7);
    for (auto [name, text] :
         std::vector<std::pair<const char*, const char*>>{{"Left", "seven"},
                                                          {"Left", "4294967296"},
                                                          {"Alignment", "taMiddle"},
                                                          {"Visible", "yes"},
                                                          {"Color", "clPink"},
                                                          {"Font.Style", "[fsBold"},
                                                          {"Font.Style", "[fsBold,,fsItalic]"},
                                                          {"Position", "1.5x"},
                                                          {"Character", "AB"},
                                                          {"Associate", "NoSuchEdit"}}) {
        SCOPED_TRACE(std::string(name) + " = " + text);
        EXPECT_THROW(SetProperty(c, name, text), EConvertError);
    }
    EXPECT_EQ(c->GetLeft(), 7);
    // A component of the wrong class is refused by the typed setter.
    auto* timer = new TTestTimer(&form);
    EXPECT_THROW(SetObjProp(c, "Associate", timer), EConvertError);
}

TEST(PropertyAccess, EventsByName)
{
    TTestForm form;
    auto* c = new TTestControl(&form);
    EXPECT_FALSE(GetObjMethod(c, "OnClick").Assigned());
    EXPECT_EQ(GetObjMethod(c, "OnClick").TypeName, "TNotifyEvent");

    int clicks = 0;
    TMethod m;
    m.TypeName = "TNotifyEvent";
    m.HandlerName = "Clicked";
    m.Handler = TNotifyEvent([&](TObject*) { ++clicks; });
    EXPECT_TRUE(SetObjMethod(c, "OnClick", m));
    ASSERT_TRUE(c->OnClick);
    c->OnClick(c);
    EXPECT_EQ(clicks, 1);

    TMethod got = GetObjMethod(c, "OnClick");
    EXPECT_TRUE(got.Assigned());
    EXPECT_EQ(got.HandlerName, "Clicked");
    EXPECT_EQ(GetProperty(c, "OnClick"), "Clicked");
    got.As<TNotifyEvent>()(c);
    EXPECT_EQ(clicks, 2);

    // A handler of another event type does not fit.
    EXPECT_THROW(SetObjMethod(c, "OnKeyPress", m), EConvertError);
    EXPECT_FALSE(c->OnKeyPress);
    EXPECT_TRUE(SetObjMethod(c, "OnClick", TMethod{}));
    EXPECT_FALSE(c->OnClick);
}

TEST(Colors, NamesAndNumbersConvertBothWays)
{
    EXPECT_EQ(StringToColor("clBtnFace"), static_cast<TColor>(0x8000000F));
    EXPECT_EQ(StringToColor("CLBLACK"), 0);
    EXPECT_EQ(StringToColor("cl3DDkShadow"), static_cast<TColor>(0x80000015));
    EXPECT_EQ(StringToColor("clInfoBk"), static_cast<TColor>(0x80000018));
    EXPECT_EQ(StringToColor("$80000005"), clWindow);
    EXPECT_EQ(StringToColor("0xFF"), clRed);
    EXPECT_EQ(StringToColor("12891320"), 12891320);
    EXPECT_EQ(StringToColor("-1"), -1);
    EXPECT_THROW(StringToColor("clMoneyGreen"), EConvertError);
    EXPECT_THROW(StringToColor("$123456789"), EConvertError);

    EXPECT_EQ(ColorToString(clLime), "clLime");
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(ColorToString(clDefault), "clDefault");
    EXPECT_EQ(ColorToString(4227327), "$004080FF");
    for (TColor c : {clBlack, clWhite, clFuchsia, clScrollBar, clBtnHighlight, clInfoBk, 4227327, -2})
        EXPECT_EQ(StringToColor(ColorToString(c)), c);
}

} // namespace
