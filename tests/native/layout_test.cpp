// Layout text: parsing, reading into a form, errors, and writing back.
#include <gtest/gtest.h>

#include <memory>

#include "tests/native/testcomponents.h"

namespace {

const char* const kFormLayout = R"(object Form1: TTestForm
  Caption = 'Orvane '#39'Panel'#39 +
    ' two'
  Color = 12891320
  OnShow = FormShow
  object Panel1: TTestControl
    Left = -63
    Top = $10
    Color = clBtnShadow
    Font.Height = -16
    Font.Color = clYellow
    Font.Name = 'Tahoma'
    Font.Style = [fsBold, fsItalic]
    object iSlider3: TTestSlider
      Left = 200
      Big = -9223372036854775808
      Character = '#'
      Visible = False
      Alignment = taCenter
      Position = 1.5E2
      PointerHeight = 11
      Associate = Edit1
      OnChanging = UpDown1Changing
      Items = (
        'dBA'
        'It''s'
        #13#10)
      PositionMax_2 = 120.25
      SkinStream = {
        05000000
        0102FEFF00}
      OnClick = Button1Click
    end
  end
  object Edit1: TTestControl
    Caption = ''
    Color = $80000005
    Items.Strings = ('x')
    OnKeyPress = Edit1KeyPress
    Tag = 99
  end
  object Timer1: TTestTimer
    Enabled = false
    Interval = 1
  end
end
)";

TEST(LayoutReader, EveryValueKindArrivesAsWritten)
{
    TestLog().clear();
    TTestForm form;
    ReadLayout(form, kFormLayout);

    EXPECT_EQ(form.GetName(), "Form1");
    EXPECT_EQ(form.Caption, "Orvane 'Panel' two");
    EXPECT_EQ(form.Color, 12891320);
    ASSERT_EQ(form.ComponentCount(), 4);

    // The form's fields point at the components of their names.
    ASSERT_NE(form.Panel1, nullptr);
    ASSERT_NE(form.iSlider3, nullptr);
    ASSERT_NE(form.Edit1, nullptr);
    ASSERT_NE(form.Timer1, nullptr);
    EXPECT_EQ(form.FindComponent("iSlider3"), form.iSlider3);

    TTestControl& panel = *form.Panel1;
    EXPECT_EQ(panel.GetLeft(), -63);
    EXPECT_EQ(panel.Top, 16);
    EXPECT_EQ(panel.Color, clBtnShadow);
    EXPECT_EQ(panel.GetFont()->Height, -16);
    EXPECT_EQ(panel.GetFont()->Color, clYellow);
    EXPECT_EQ(panel.GetFont()->Name, "Tahoma");
    EXPECT_EQ(panel.GetFont()->Style, (TTestFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(panel.Parent, &form);

    TTestSlider& slider = *form.iSlider3;
    EXPECT_EQ(slider.Owner(), &form);
    EXPECT_EQ(slider.Parent, &panel); // the enclosing object
    EXPECT_EQ(slider.GetLeft(), 200);
    EXPECT_EQ(slider.Big, INT64_MIN);
    EXPECT_EQ(slider.Character, '#');
    EXPECT_FALSE(slider.Visible);
    EXPECT_EQ(slider.Alignment, taCenter);
    EXPECT_DOUBLE_EQ(slider.Position, 150.0);
    EXPECT_EQ(slider.PointerHeight, 11);
    EXPECT_EQ(slider.GetAssociate(), form.Edit1); // named before Edit1 existed
    ASSERT_EQ(slider.GetItems()->Count(), 3);
    EXPECT_EQ(slider.GetItems()->Get(1), "It's");
    EXPECT_EQ(slider.GetItems()->Get(2), "\r\n");
    // Defined properties: a float and binary data, intact.
    EXPECT_DOUBLE_EQ(slider.positionMax2, 120.25);
    EXPECT_EQ(slider.skin, (std::vector<uint8_t>{1, 2, 0xFE, 0xFF, 0}));

    TTestControl& edit = *form.Edit1;
    EXPECT_EQ(edit.Color, clWindow);
    EXPECT_EQ(edit.Tag, 99);
    EXPECT_EQ(edit.GetItems()->GetText(), "x\r\n");
    EXPECT_FALSE(form.Timer1->Enabled);
    EXPECT_EQ(form.Timer1->Interval, 1);
}

TEST(LayoutReader, EventsAreBoundToTheFormsHandlers)
{
    TTestForm form;
    ReadLayout(form, kFormLayout);

    ASSERT_TRUE(form.OnShow);
    form.OnShow(&form);
    ASSERT_TRUE(form.iSlider3->OnClick);
    form.iSlider3->OnClick(form.iSlider3);
    char key = 'k';
    ASSERT_TRUE(form.Edit1->OnKeyPress);
    form.Edit1->OnKeyPress(form.Edit1, key);
    EXPECT_EQ(key, 0); // the handler's change reaches the caller
    bool allow = true;
    form.iSlider3->OnChanging(form.iSlider3, allow);
    EXPECT_FALSE(allow);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"FormShow", "Button1Click iSlider3", "Edit1KeyPress k"}));
    EXPECT_FALSE(form.Panel1->OnClick);
    EXPECT_EQ(GetObjMethod(form.Edit1, "OnKeyPress").HandlerName, "Edit1KeyPress");
}

TEST(LayoutReader, LoadingIsSetWhileReadingAndLoadedRunsOnceAfterwards)
{
    TestLog().clear();
    TTestForm form;
    ReadLayout(form, kFormLayout);

    // Setters ran with csLoading and csReading set.
    EXPECT_TRUE(form.Panel1->leftSetWhileLoading);
    EXPECT_TRUE(form.iSlider3->leftSetWhileLoading);
    // Loaded ran exactly once per component, each time with every component
    // of the layout already there, and the state is clear afterwards.
    EXPECT_EQ(form.loadedCount, 1);
    for (TTestControl* c : {form.Panel1, static_cast<TTestControl*>(form.iSlider3), form.Edit1}) {
        EXPECT_EQ(c->loadedCount, 1) << c->GetName();
        EXPECT_EQ(c->componentsAtLoaded, 4) << c->GetName();
    }
    EXPECT_EQ(form.Timer1->loadedCount, 1);
    for (int i = 0; i < form.ComponentCount(); ++i) {
        EXPECT_FALSE(form.Components(i)->ComponentState().Contains(csLoading));
        EXPECT_FALSE(form.Components(i)->ComponentState().Contains(csReading));
    }
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
    EXPECT_EQ(TestLog(), (std::vector<std::string>{"loaded Panel1", "loaded iSlider3", "loaded Edit1"}));
    // A setter used after loading sees no loading state.
    form.Panel1->SetLeft(1);
    EXPECT_FALSE(form.Panel1->leftSetWhileLoading);
}

TEST(LayoutReader, FreeingTheFormFreesWhatTheLayoutCreated)
{
    TestLog().clear();
    {
        TTestForm form;
        ReadLayout(form, kFormLayout);
        TestLog().clear();
    }
    EXPECT_EQ(TestLog(), (std::vector<std::string>{"free Edit1", "free iSlider3", "free Panel1"}));
}

struct BadLayout {
    const char* name;
    const char* body; // the inside of "object Form1: TTestForm ... end"
    const char* reason;
    const char* component;
    const char* property;
    int line;
};

class LayoutErrors : public testing::TestWithParam<BadLayout> {};

TEST_P(LayoutErrors, NameTheComponentPropertyAndLine)
{
    const BadLayout& bad = GetParam();
    const std::string text = std::string("object Form1: TTestForm\n") + bad.body + "end\n";
    TTestForm form;
    try {
        ReadLayout(form, text);
        FAIL() << "no error for " << bad.name;
    } catch (const ELayoutError& e) {
        EXPECT_NE(e.Reason.find(bad.reason), std::string::npos) << e.Message;
        EXPECT_EQ(e.Component, bad.component) << e.Message;
        EXPECT_EQ(e.Property, bad.property) << e.Message;
        EXPECT_EQ(e.Line, bad.line) << e.Message;
        // The message carries all of it.
        EXPECT_NE(e.Message.find(bad.component), std::string::npos) << e.Message;
        EXPECT_NE(e.Message.find(bad.property), std::string::npos) << e.Message;
        EXPECT_NE(e.Message.find("line " + std::to_string(bad.line)), std::string::npos) << e.Message;
    }
    // Whatever was read stays owned by the form, none of it marked as loading.
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_FALSE(form.Components(i)->ComponentState().Contains(csLoading));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LayoutErrors,
    testing::Values(
        BadLayout{"UnknownClass",
                  "  object Panel1: TTestControl\n    object Edit9: TNoSuchEdit\n    end\n  end\n",
                  "Class TNoSuchEdit not found", "Edit9", "", 3},
        BadLayout{"AbstractClass", "  object Font1: TTestFont\n  end\n", "cannot be created", "Font1", "", 2},
        BadLayout{"UnknownProperty", "  object Panel1: TTestControl\n    Left = 1\n    Glyph = 3\n  end\n",
                  "Property Glyph does not exist", "Panel1", "Glyph", 4},
        BadLayout{"UnknownSubProperty", "  object Panel1: TTestControl\n    Font.Size = 8\n  end\n",
                  "Property Size does not exist", "Panel1", "Font.Size", 3},
        BadLayout{"PathThroughNonObject", "  object Panel1: TTestControl\n    Left.Size = 8\n  end\n",
                  "no properties of its own", "Panel1", "Left.Size", 3},
        BadLayout{"StringForInteger", "  object Panel1: TTestControl\n    Left = 'ten'\n  end\n",
                  "Invalid property value", "Panel1", "Left", 3},
        BadLayout{"IntegerOutOfRange", "  object Panel1: TTestControl\n    Left = 4294967296\n  end\n",
                  "out of range", "Panel1", "Left", 3},
        BadLayout{"BadEnumName", "  object Panel1: TTestControl\n    Alignment = taMiddle\n  end\n",
                  "taMiddle", "Panel1", "Alignment", 3},
        BadLayout{"BadSetElement",
                  "  object Panel1: TTestControl\n    Font.Style = [fsBold, fsHuge]\n  end\n", "fsHuge",
                  "Panel1", "Font.Style", 3},
        BadLayout{"BadColour", "  Color = clPink\n", "clPink", "Form1", "Color", 2},
        BadLayout{"NonStringInList",
                  "  object Panel1: TTestControl\n    Items = (\n      'a'\n      12)\n  end\n",
                  "String expected", "Panel1", "Items", 5},
        BadLayout{"UnknownHandler", "  object Panel1: TTestControl\n    OnClick = Button9Click\n  end\n",
                  "Handler Button9Click not found", "Panel1", "OnClick", 3},
        BadLayout{"HandlerOfWrongType", "  object Panel1: TTestControl\n    OnClick = Edit1KeyPress\n  end\n",
                  "TTestKeyPressEvent", "Panel1", "OnClick", 3},
        BadLayout{"UnknownReference", "  object Panel1: TTestControl\n    Associate = Edit7\n  end\n",
                  "Component Edit7 not found", "Panel1.Associate", "", 3},
        BadLayout{"ReferenceOfWrongClass",
                  "  object Panel1: TTestControl\n    Associate = Timer1\n  end\n  object Timer1: "
                  "TTestTimer\n  end\n",
                  "not a TTestControl", "Panel1.Associate", "", 3},
        BadLayout{"DuplicateName",
                  "  object Panel1: TTestControl\n  end\n  object panel1: TTestControl\n  end\n",
                  "already exists", "panel1", "", 4},
        BadLayout{"FieldOfAnotherClass",
                  "  object Panel1: TTestControl\n  end\n  object _: TTestControl\n  end\n"
                  "  object Edit1: TTestTimer\n  end\n",
                  "is a TTestControl, not a TTestTimer", "Edit1", "", 6},
        BadLayout{"DefinedFloatGivenString",
                  "  object Panel1: TTestControl\n    PositionMax_2 = 'x'\n  end\n", "Number expected",
                  "Panel1", "PositionMax_2", 3},
        BadLayout{"DefinedBinaryGivenInteger", "  object Panel1: TTestControl\n    SkinStream = 5\n  end\n",
                  "Binary data expected", "Panel1", "SkinStream", 3},
        BadLayout{"TruncatedBinary", "  object Panel1: TTestControl\n    SkinStream = {05000000}\n  end\n",
                  "Stream read error", "Panel1", "SkinStream", 3},
        BadLayout{"MissingEquals", "  object Panel1: TTestControl\n    Left 5\n  end\n", "'=' expected",
                  "Panel1", "", 3},
        BadLayout{"UnterminatedString", "  object Panel1: TTestControl\n    Caption = 'Self\n  end\n",
                  "Unterminated string", "Panel1", "", 3},
        BadLayout{"OddBinaryDigits", "  object Panel1: TTestControl\n    SkinStream = {\n      ABC}\n  end\n",
                  "Odd number of digits", "Panel1", "SkinStream", 4},
        BadLayout{"BadBinaryDigit", "  object Panel1: TTestControl\n    SkinStream = {AG}\n  end\n",
                  "Invalid binary data", "Panel1", "SkinStream", 3},
        BadLayout{"MissingEnd", "  object Panel1: TTestControl\n    Left = 1\n", "'end' expected", "Form1",
                  "", 5},
        BadLayout{"BadSetSyntax",
                  "  object Panel1: TTestControl\n    Font.Style = [fsBold fsItalic]\n  end\n",
                  "',' expected", "Panel1", "", 3}),
    [](const testing::TestParamInfo<BadLayout>& info) { return std::string(info.param.name); });

TEST(LayoutReader, LayoutOfAnotherClassIsRefused)
{
    TTestForm form;
    EXPECT_THROW(ReadLayout(form, "object X: TTestControl\nend\n"), ELayoutError);
    // A layout of an ancestor class is fine.
    EXPECT_NO_THROW(ReadLayout(form, "object X: TComponent\n  Tag = 3\nend\n"));
    EXPECT_EQ(form.Tag, 3);
    EXPECT_EQ(form.GetName(), "X");
}

TEST(LayoutReader, AnExceptionFromLoadedLeavesNothingLoading)
{
    TTestForm form;
    EXPECT_THROW(ReadLayout(form, "object F: TTestForm\n object Timer1: TTestTimer\n  Interval = -1\n end\n"
                                  " object Edit1: TTestControl\n end\nend\n"),
                 Exception);
    ASSERT_NE(form.Edit1, nullptr);
    EXPECT_EQ(form.Timer1->loadedCount, 1);
    EXPECT_EQ(form.Edit1->loadedCount, 0);
    EXPECT_FALSE(form.Edit1->ComponentState().Contains(csLoading));
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
}

TEST(LayoutParser, KeepsLinesAndStructure)
{
    const TLayoutObject root = ParseLayout(kFormLayout);
    EXPECT_EQ(root.Name, "Form1");
    EXPECT_EQ(root.ClassName, "TTestForm");
    EXPECT_EQ(root.Line, 1);
    ASSERT_EQ(root.Properties.size(), 3u);
    EXPECT_EQ(root.Properties[0].Line, 2);
    EXPECT_EQ(root.Properties[1].Line, 4);
    ASSERT_EQ(root.Children.size(), 3u);
    const TLayoutObject& panel = root.Children[0];
    EXPECT_EQ(panel.Line, 6);
    ASSERT_EQ(panel.Children.size(), 1u);
    const TLayoutObject& slider = panel.Children[0];
    EXPECT_EQ(slider.Line, 14);
    const TLayoutProperty& skin = slider.Properties[slider.Properties.size() - 2];
    EXPECT_EQ(skin.Name, "SkinStream");
    EXPECT_EQ(skin.Line, 29);
    EXPECT_EQ(skin.Value.Kind, TLayoutValue::vaBinary);
    EXPECT_EQ(slider.Properties.back().Line, 32);
    EXPECT_EQ(root.Children[2].Line, 42);

    // Unnamed objects, Windows line ends, numbers at their limits.
    const TLayoutObject r = ParseLayout(
        "object TThing\r\n  A = $FFFFFFFFFFFFFFFF\r\n  B = -0.5\r\n  C = #$41#66'x'\r\n  D = []\r\nend");
    EXPECT_TRUE(r.Name.empty());
    EXPECT_EQ(r.ClassName, "TThing");
    EXPECT_EQ(r.Properties[0].Value.Int, -1);
    EXPECT_EQ(r.Properties[1].Value.Kind, TLayoutValue::vaFloat);
    EXPECT_DOUBLE_EQ(r.Properties[1].Value.Float, -0.5);
    EXPECT_EQ(r.Properties[2].Value.Text, "ABx");
    EXPECT_EQ(r.Properties[2].Line, 4);
    EXPECT_TRUE(r.Properties[3].Value.SetItems.empty());
}

TEST(LayoutParser, RefusesMalformedTextWithoutCrashing)
{
    for (const char* text :
         {"", "   ", "end", "inherited Form1: TForm1\nend", "object\n", "object A: \nend",
          "object A: T\n  X = \nend", "object A: T\nend\nend", "object A: T\n  X = 9223372036854775808\nend",
          "object A: T\n  X = $1FFFFFFFFFFFFFFFF\nend", "object A: T\n  X = 12abc\nend",
          "object A: T\n  X = 'a' +\nend", "object A: T\n  X = (\n", "object A: T\n  X = {00",
          "object A: T\n  X = #\nend", "object A: T\n  X = 1e999\nend", "object A: T\n  X = ]\nend"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseLayout(text), ELayoutError);
    }
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "object A: T\n";
    EXPECT_THROW(ParseLayout(deep), ELayoutError);
    std::string deepList = "object A: T\n  X = ";
    deepList += std::string(5000, '(');
    EXPECT_THROW(ParseLayout(deepList), ELayoutError);
    EXPECT_EQ(ParseLayout("object A: T\n  X = -9223372036854775808\nend").Properties[0].Value.Int, INT64_MIN);
}

TEST(LayoutWriter, WrittenLayoutReadsBackToTheSameState)
{
    TTestForm form;
    ReadLayout(form, kFormLayout);
    form.iSlider3->Caption = "Line\r\nTwo 'quoted' \xB5";
    const std::string text = WriteLayout(form);

    // Defaults are left out; values that differ are in.
    EXPECT_EQ(text.find("Top = 0"), std::string::npos) << text;
    EXPECT_NE(text.find("Top = 16"), std::string::npos) << text;
    EXPECT_NE(text.find("PositionMax_2 = 120.25"), std::string::npos) << text;
    EXPECT_NE(text.find("OnClick = Button1Click"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Style = [fsBold, fsItalic]"), std::string::npos) << text;
    EXPECT_NE(text.find("Color = clWindow"), std::string::npos) << text;

    TTestForm copy;
    ReadLayout(copy, text);
    EXPECT_EQ(WriteLayout(copy), text);
    ASSERT_NE(copy.iSlider3, nullptr);
    EXPECT_EQ(copy.iSlider3->Caption, form.iSlider3->Caption);
    EXPECT_EQ(copy.iSlider3->skin, form.iSlider3->skin);
    EXPECT_EQ(copy.iSlider3->Big, INT64_MIN);
    EXPECT_EQ(copy.iSlider3->Parent, copy.Panel1);
    EXPECT_EQ(copy.iSlider3->GetAssociate(), copy.Edit1);
    EXPECT_EQ(copy.iSlider3->GetItems()->GetText(), form.iSlider3->GetItems()->GetText());
    ASSERT_TRUE(copy.Edit1->OnKeyPress);
}

TEST(LayoutWriter, FloatsKeepEveryBit)
{
    for (double v : {0.1, 1.0 / 3.0, -2.5e-300, 1e300, 120.0, 5e-324}) {
        TTestForm form;
        auto* c = new TTestControl(&form);
        c->SetName("C");
        c->positionMax2 = v;
        c->Position = v;
        TTestForm copy;
        ReadLayout(copy, WriteLayout(form));
        auto* d = static_cast<TTestControl*>(copy.FindComponent("C"));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->positionMax2, v);
        EXPECT_EQ(d->Position, v);
    }
}

} // namespace
