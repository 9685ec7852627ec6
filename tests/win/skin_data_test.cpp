// The skin data component: packages made here with small bitmaps, read the
// way a form reads them (layout text with the SkinStream bytes) or handed
// over at run time, and the default skin of assets/skin. Checked: what the
// engine will read (objects, frames, margins, colours, generated images)
// and how damaged or foreign packages are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "components/layoutreader.h"
#include "components/layoutwriter.h"
#include "framework/resourcecount.h"
#include "skin/imgutil.h"
#include "skin/winskindata.h"
#include "skin/winskinimage.h"
#include "skinfiles/imgcolor.h"
#include "skinfiles/skinpackage.h"
#include "skinfiles/winconvert.h"

namespace {

constexpr TColor RGB3(int r, int g, int b)
{
    return r | (g << 8) | (b << 16);
}

std::vector<uint8_t> BmpBytes(int w, int h, const std::function<TColor(int, int)>& color)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas()->SetPixel(x, y, color(x, y));
    TMemoryStream s;
    b.SaveToStream(s);
    return s.Bytes();
}

std::vector<uint8_t> BmpBytes(int w, int h, TColor color)
{
    return BmpBytes(w, h, [&](int, int) { return color; });
}

std::vector<uint8_t> Text(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

TMemoryStream Packed(const TSkinPackageWriter& writer)
{
    TMemoryStream s;
    writer.SaveToStream(s);
    s.SetPosition(0);
    return s;
}

// A package whose format id no reader of ours knows.
TMemoryStream PackedAsFormat(const TSkinPackageWriter& writer, int32_t format)
{
    TMemoryStream unpacked, packed;
    writer.SaveUnpacked(unpacked);
    unpacked.SetPosition(0);
    unpacked.WriteInt32(format);
    unpacked.SetPosition(0);
    Compress(unpacked, packed);
    packed.SetPosition(0);
    return packed;
}

// The layout a form stores: the component's properties and its package.
std::string LayoutWith(const TMemoryStream& package, int32_t count,
                       const std::string& props = "Active = True\n")
{
    std::string hex;
    char buf[3];
    auto add = [&](uint8_t b) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
    };
    for (int i = 0; i < 4; ++i)
        add(static_cast<uint8_t>(static_cast<uint32_t>(count) >> (8 * i)));
    for (uint8_t b : package.Bytes())
        add(b);
    return "object Root: TComponent\n  object SkinData1: TSkinData\n" + props + "    SkinStream = {" + hex +
           "}\n  end\nend\n";
}

TColor Px(TBitmap& b, int x, int y)
{
    return b.Canvas()->GetPixel(x, y);
}

std::string SourceDir()
{
    // This file's folder, as Wine sees the Linux path.
    std::string file = __FILE__;
    file = file.substr(0, file.find_last_of("/\\"));
    return file[0] == '/' ? "Z:" + file : file;
}

class SkinData : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterClasses<TSkinData, TSkinStore>();
        TSkinData::ShowSkinMessage = [this](const std::string& text) { messages.push_back(text); };
        gdi0_ = TResourceCount::GdiObjects;
    }
    void TearDown() override
    {
        TSkinData::ShowSkinMessage = nullptr;
        EXPECT_EQ(TResourceCount::GdiObjects, gdi0_) << "GDI objects left behind";
    }
    std::vector<std::string> messages;

private:
    int gdi0_ = 0;
};

// A skin of small images, enough to reach every reader.
const char* const kSmallIni = R"(; comments and blank lines do not count

[personality]
LEFT=left.bmp
lefttopheight=25
LeftBotHeight=4
LeftFrame=2
Right=right.bmp
RightTopHeight=25
RightBotHeight=4
RightStretch=7
Top=top.bmp
TopTopHeight=49
TopBotHeight=82
TopFrame=2
Bottom=bottom.bmp
BottomTopHeight=49
BottomBotHeight=82
BottomTrans=0
TextBack=top.bmp
TextShift=16
TextShiftVert=2
TextRightClip=20
TextAlignment=1
ActiveTextR=10
ActiveTextG=20
ActiveTextB=30
InActiveTextR=1
menuBar=menubar.bmp
TileMenu=3
[Fonts]
FontHeight=$10
[COLOURS]
ButtonFace=237 236 226
Hilight = 10,20,30,
HilightText=10 20
Scrollbar=
MenuText=0 0 0
[Colour1]
color=1 2 3
[Colour2]
[Buttons]
Bitmap=Buttons.bmp
CheckButton=check.bmp
RadioButton=C:\skins\radio.bmp
LeftWidth=7
TopHeight=7
Rightwidth=7
BottomHeight=7
Trans=1
Tile=4
CheckButtonFrame=12
NormalColour2=1 1 1
[Button0]
Action=0
Align=1
XCoord=20
Ycoord=6
ButtonImage=close.bmp
[Button1]
Action=1
Align=1
Xcoord=38
Ycoord=6
Visibility=2
Visibility1=6
ButtonImage=narrow.bmp
[Button4]
Action=3
Xcoord=8
Ycoord=7
ButtonImage=close.bmp
[Button5]
Action=4
Align=1
Xcoord=56
Ycoord=6
Visibility=10
ButtonImage=close.BMP
[ButtonHidden]
Action=-1
[Tab.Pane]
Image=pane.bmp
LeftWidth=6
TopHeight=3
RightWidth=6
BottomHeight=5
[Scrollbar]
Image=pane.bmp
Frame=2
Tile=2
[HorzScrollThumb]
Image=pane.bmp
FrameCount=4
[VertScrollThumb]
Image=pane.bmp
[Headerbar]
Image=pane.bmp
Frame=0
[Progress]
Bitmap=pane.bmp
Style=1
Tile=5
[MDICONTROLS]
Image=mdi.bmp
[UpDown.Horz]
Image=pane.bmp
GlyphImage=check.bmp
[Missing]
Image=notthere.bmp
)";

TSkinPackageWriter SmallSkin(const std::string& ini = kSmallIni)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text(ini));
    w.Add("left.bmp", BmpBytes(8, 100, RGB3(1, 1, 1)));
    w.Add("right.bmp", BmpBytes(8, 100, RGB3(2, 2, 2)));
    // The caption colour is taken a third into the first frame's top third.
    w.Add("top.bmp",
          BmpBytes(142, 50, [](int x, int y) { return x == 47 && y == 8 ? RGB3(40, 90, 200) : clWhite; }));
    w.Add("bottom.bmp", BmpBytes(142, 8, RGB3(3, 3, 3)));
    w.Add("menubar.bmp", BmpBytes(20, 10, RGB3(4, 4, 4)));
    w.Add("buttons.bmp", BmpBytes(150, 24, RGB3(5, 5, 5)));
    w.Add("check.bmp", BmpBytes(156, 13, RGB3(6, 6, 6)));
    w.Add("radio.bmp", BmpBytes(104, 13, RGB3(7, 7, 7)));
    w.Add("close.bmp", BmpBytes(96, 18, RGB3(8, 8, 8)));
    w.Add("narrow.bmp", BmpBytes(54, 18, RGB3(9, 9, 9)));
    w.Add("pane.bmp", BmpBytes(40, 10, RGB3(10, 10, 10)));
    // Three MDI buttons of 52 x 13, told apart by colour.
    w.Add("mdi.bmp", BmpBytes(156, 13, [](int x, int) { return RGB3(50 + x / 52, 0, 0); }));
    return w;
}

TEST_F(SkinData, NewComponentCarriesItsDefaults)
{
    TSkinData d(nullptr);
    EXPECT_FALSE(d.GetActive());
    EXPECT_EQ(d.DisableTag, 99);
    EXPECT_TRUE(d.SkinControls.Contains(xcMainMenu));
    EXPECT_TRUE(d.SkinControls.Contains(xcSystemMenu));
    EXPECT_FALSE(d.SkinControls.Contains(xcMenuItem));
    EXPECT_FALSE(d.SkinControls.Contains(xcFastReport));
    EXPECT_EQ(d.Options, (TSkinOptions{xoPreview, xoToolbarBK}));
    EXPECT_EQ(d.SkinFormtype, sfMainform);
    EXPECT_EQ(GetStringProp(&d, "Version"), "5.03.07.12");
    EXPECT_TRUE(SetStringProp(&d, "Version", "1.0"));
    EXPECT_EQ(GetStringProp(&d, "Version"), "5.03.07.12");
    EXPECT_EQ(GetStringProp(&d, "SkinStore"), "(none)");
    EXPECT_TRUE(d.MenuUpdate);
    EXPECT_FALSE(d.MenuMerge);
    EXPECT_TRUE(d.NotLoaded);
    EXPECT_EQ(d.MenuImages->Count(), 4);
    EXPECT_EQ(d.Button->Name, "Buttons");
    EXPECT_EQ(d.BorderTop->Name, "Top");
    EXPECT_TRUE(d.Title->Image->Empty());
    EXPECT_FALSE(d.Tabs);

    const TStrings& rows = d.Skin3rd();
    ASSERT_EQ(rows.Count(), 118);
    EXPECT_EQ(rows[0], "TCategoryButtons=scrollbar");
    EXPECT_EQ(rows[117].substr(0, 19), "TOVCDBNUMERICFIELD=");
    for (const char* row :
         {"TComboboxex=combobox", "TDBCtrlGrid=scrollbar", "TControlBar=Panel", "TDBLookupCombobox=Combobox",
          "TRzMenuButton=menubtn", "TRzCheckGroup=CheckGroup", "TLMDButton=bitbtn", "TcxGroupbox=groupbox"})
        EXPECT_GE(rows.IndexOf(row), 0) << row;
}

TEST_F(SkinData, LayoutWritesEveryPropertyAndReadsItsPackageBack)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Colours]\nButtonFace=1 2 3\n"));
    TMemoryStream package = Packed(w);
    TComponent root(nullptr);
    ReadLayout(root, LayoutWith(package, static_cast<int32_t>(package.GetSize())));
    auto* d = dynamic_cast<TSkinData*>(root.FindComponent("SkinData1"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->GetActive());
    EXPECT_FALSE(d->NotLoaded);
    EXPECT_EQ(d->Colors[csButtonFace], RGB3(1, 2, 3));

    const std::string text = WriteLayout(root);
    for (const char* prop :
         {"Active = True", "DisableTag = 99", "SkinControls = [", "Options = [xoPreview, xoToolbarBK]",
          "Skin3rd = (", "SkinFile = ''", "SkinStore = '(none)'", "SkinFormtype = sfMainform",
          "Version = '5.03.07.12'", "MenuUpdate = True", "MenuMerge = False", "SkinStream = {"})
        EXPECT_NE(text.find(prop), std::string::npos) << prop << "\n" << text;
    TComponent again(nullptr);
    ReadLayout(again, text);
    auto* d2 = dynamic_cast<TSkinData*>(again.FindComponent("SkinData1"));
    ASSERT_NE(d2, nullptr);
    EXPECT_EQ(d2->SkinStream().Bytes(), package.Bytes());
    EXPECT_FALSE(d2->NotLoaded);
}

TEST_F(SkinData, ReadsEveryObjectOfASmallSkin)
{
    TSkinData d(nullptr);
    TMemoryStream package = Packed(SmallSkin());
    d.LoadFromStream(package);
    ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    EXPECT_TRUE(messages.empty());

    // Borders: the side ones keep their ends top and bottom, the others left and right.
    EXPECT_EQ(d.BorderLeft->Margins, Rect(0, 25, 0, 4));
    EXPECT_EQ(d.BorderLeft->Frame, 2);
    EXPECT_EQ(d.BorderLeft->Tile, 1);
    EXPECT_EQ(d.BorderLeft->Trans, 1);
    EXPECT_EQ(d.BorderRight->Tile, 1); // "Stretch" above 1 becomes 1
    EXPECT_EQ(d.BorderRight->Frame, 1);
    EXPECT_EQ(d.BorderTop->Margins, Rect(49, 0, 82, 0));
    EXPECT_EQ(d.BorderBottom->Trans, 0);
    EXPECT_EQ(d.BorderTop->Image->GetWidth(), 142);

    // Title, in mixed-case sections and keys.
    EXPECT_EQ(d.Title->Margins, Rect(16, 2, 20, 0));
    EXPECT_EQ(d.Title->TextAlignment, 1);
    EXPECT_EQ(d.Title->FontHeight, 16);
    EXPECT_EQ(d.Title->ActiveTextColor, RGB3(10, 20, 30));
    EXPECT_EQ(d.Title->InActiveTextColor, clNone);
    EXPECT_EQ(d.Title->Frame, 2);
    ASSERT_TRUE(d.MenuBar);
    EXPECT_EQ(d.MenuBar->Name, "Personality");
    EXPECT_EQ(d.MenuBar->Tile, 1);
    EXPECT_EQ(d.MenuBar->Margins, Rect(1, 0, 1, 0));

    // Push buttons: "Buttons.bmp" finds buttons.bmp, a path is dropped,
    // "Rightwidth" is RightWidth.
    EXPECT_EQ(d.Button->Image->GetWidth(), 150);
    EXPECT_EQ(d.Button->Margins, Rect(7, 7, 7, 7));
    EXPECT_EQ(d.Button->Tile, 0);
    EXPECT_EQ(d.Button->Frame, 5);
    EXPECT_EQ(d.Button->CheckFrame, 12);
    EXPECT_EQ(d.Button->RadioImage->GetWidth(), 104);
    EXPECT_EQ(d.Button->RadioFrame, 8); // 104 div 13
    EXPECT_TRUE(d.Button->NormalColour2Given);
    EXPECT_FALSE(d.Button->PressedColour2Given);
    EXPECT_EQ(d.Button->NormalColour2, RGB3(1, 1, 1));
    EXPECT_EQ(d.Button->PressedColour2, clBtnText);

    // Colours: given, defaulted, and the two odd texts.
    EXPECT_EQ(d.Colors[csButtonFace], 0x00E2ECED);
    EXPECT_EQ(d.Colors[csMenuBar], 0x00E2ECED);
    EXPECT_EQ(d.Colors[csHilight], RGB3(10, 20, 30));
    EXPECT_EQ(d.Colors[csHilightText], RGB3(10, 0, 0));
    EXPECT_EQ(d.Colors[csScrollbar], clScrollBar);
    EXPECT_EQ(d.Colors[csMenuText], clBlack);
    EXPECT_TRUE(d.ColorGiven[csButtonFace]);
    EXPECT_TRUE(d.ColorGiven[csMenuText]);
    EXPECT_FALSE(d.ColorGiven[csScrollbar]);
    EXPECT_FALSE(d.ColorGiven[csMenuBar]);
    ASSERT_EQ(d.PreColors.size(), 2u);
    EXPECT_EQ(d.PreColors[0], RGB3(1, 2, 3));
    EXPECT_EQ(d.PreColors[1], clWindowText);
    TColor c = clNone;
    EXPECT_TRUE(d.GetPrecolor(c, 0));
    EXPECT_EQ(c, RGB3(1, 2, 3));
    EXPECT_FALSE(d.GetPrecolor(c, 2));
    EXPECT_EQ(c, RGB3(1, 2, 3));

    // Objects, absent when their section names no image, frames as the
    // drawing code needs them.
    ASSERT_TRUE(d.TabPane);
    EXPECT_EQ(d.TabPane->Margins, Rect(4, 3, 4, 4));
    ASSERT_TRUE(d.Scrollbar);
    EXPECT_EQ(d.Scrollbar->Frame, 23);
    EXPECT_EQ(d.Scrollbar->Tile, 0);
    EXPECT_EQ(d.HorzScrollThumb->Frame, 4);
    EXPECT_EQ(d.VertScrollThumb->Frame, 3);
    EXPECT_EQ(d.Headerbar->Frame, 5);
    ASSERT_TRUE(d.Progress);
    EXPECT_EQ(d.Progress->Frame, 1);
    EXPECT_EQ(d.Progress->Tile, 1);
    ASSERT_TRUE(d.UpDownHorz);
    EXPECT_EQ(d.UpDownHorz->Frame, 8);
    EXPECT_EQ(d.UpDownHorz->Image2->GetWidth(), 156);
    EXPECT_FALSE(d.UpDownVert);
    EXPECT_FALSE(d.Tabs);
    EXPECT_FALSE(d.SunkEdge);
    EXPECT_FALSE(d.MinCaption);

    // The skin has no track sections: the built-in grooves stand in.
    ASSERT_TRUE(d.Track);
    ASSERT_TRUE(d.TrackVert);
    EXPECT_EQ(d.Track->Image->GetWidth(), 16);
    EXPECT_EQ(d.Track->Image->GetHeight(), 4);
    EXPECT_EQ(d.TrackVert->Image->GetWidth(), 4);
    EXPECT_EQ(d.TrackVert->Image->GetHeight(), 16);
    EXPECT_EQ(d.Track->Margins, Rect(3, 3, 3, 3));
    EXPECT_EQ(d.Track->Frame, 1);

    EXPECT_EQ(d.Colors[csCaption], RGB3(40, 90, 200));
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObject(d.BackBrush(), sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, 0x00E2ECEDu);
}

TEST_F(SkinData, SystemButtonsFromTheirSections)
{
    TSkinData d(nullptr);
    TMemoryStream package = Packed(SmallSkin());
    d.LoadFromStream(package);
    ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    // Button0, Button1, Button4, Button5, then the three MDI buttons.
    ASSERT_EQ(d.SysButtons.size(), 7u);
    const TDataSkinSysButton& close = *d.SysButtons[0];
    EXPECT_EQ(close.Name, "BUTTON0");
    EXPECT_EQ(close.Xcoord, 20);
    EXPECT_EQ(close.Frame, 6);            // 96 x 18
    EXPECT_EQ(d.SysButtons[1]->Frame, 3); // 54 x 18
    const TDataSkinSysButton& four = *d.SysButtons[2];
    EXPECT_EQ(four.Action, 3);
    EXPECT_EQ(four.Frame, 6);
    EXPECT_TRUE(four.Image->Empty());
    const TDataSkinSysButton& help = *d.SysButtons[3];
    EXPECT_EQ(help.Action, 4);
    EXPECT_EQ(help.Xcoord, 38);
    EXPECT_EQ(help.Ycoord, 6);
    EXPECT_TRUE(help.Image->Empty()); // "close.BMP": the extension's case counts
    EXPECT_EQ(help.Frame, 6);

    for (int i = 0; i < 3; ++i) {
        const TDataSkinSysButton& mdi = *d.SysButtons[4 + static_cast<size_t>(i)];
        EXPECT_EQ(mdi.Action, 7 + i);
        EXPECT_EQ(mdi.Align, 100);
        EXPECT_EQ(mdi.Visibility1, 100);
        EXPECT_EQ(mdi.Frame, 4);
        EXPECT_EQ(mdi.Name, "BUTTON5");
        EXPECT_EQ(mdi.Xcoord, (13 + 4) * (3 - i));
        ASSERT_EQ(mdi.Image->GetWidth(), 52);
        EXPECT_EQ(mdi.Image->GetHeight(), 13);
        EXPECT_EQ(Px(*mdi.Image, 0, 0), RGB3(50 + i, 0, 0));
        EXPECT_EQ(Px(*mdi.Image, 51, 12), RGB3(50 + i, 0, 0));
    }
}

TEST_F(SkinData, PackageWithoutIniGivesEveryDefault)
{
    TSkinPackageWriter w;
    w.Add("buttons.bmp", BmpBytes(150, 24, clRed));
    TSkinData d(nullptr);
    TMemoryStream package = Packed(w);
    d.LoadFromStream(package);
    ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    EXPECT_TRUE(d.Button->Image->Empty());
    EXPECT_TRUE(d.Title->Image->Empty());
    EXPECT_EQ(d.Title->FontHeight, 14);
    EXPECT_EQ(d.BorderTop->Frame, 1);
    EXPECT_EQ(d.BorderTop->Margins, Rect(0, 0, 0, 0));
    EXPECT_EQ(d.Button->RadioFrame, 4);
    EXPECT_EQ(d.Colors[csButtonFace], clBtnFace);
    EXPECT_EQ(d.Colors[csMenuBar], clBtnFace);
    EXPECT_EQ(d.Colors[csTitleTextNoActive], clInactiveCaptionText);
    EXPECT_TRUE(std::none_of(d.ColorGiven.begin(), d.ColorGiven.end(), [](bool b) { return b; }));
    EXPECT_TRUE(d.PreColors.empty());
    EXPECT_EQ(d.SysButtons.size(), 3u);
    EXPECT_FALSE(d.Scrollbar || d.MenuBar || d.Tabs || d.Progress || d.GroupBox || d.ComboButton);
    // Always there after a load, from built-in images or generated.
    ASSERT_TRUE(d.Track && d.TrackVert && d.ComboArrow && d.Toolbar);
    EXPECT_EQ(d.ComboArrow->Name, "ComboxArrow");
    EXPECT_TRUE(d.ComboArrow->Image->Empty());
    EXPECT_EQ(d.Colors[csCaption], clBtnFace); // no top border image
}

TEST_F(SkinData, ComboStripsBuiltFromTheSunkenEdgeAndTheButton)
{
    const TColor edge = RGB3(0, 0, 200), face = RGB3(0, 200, 0);
    TSkinPackageWriter w;
    w.Add("skin.ini",
          Text("[SunkEdge]\nImage=edge.bmp\nLeftWidth=2\nTopHeight=2\nRightWidth=2\nBottomHeight=2\n"
               "[ComboButton]\nImage=combo.bmp\n"));
    w.Add("edge.bmp", BmpBytes(40, 21, edge));
    // Four frames of 10 x 21, each with a column telling its frame.
    w.Add("combo.bmp",
          BmpBytes(40, 21, [&](int x, int) { return x % 10 == 5 ? RGB3(x / 10 + 1, 0, 0) : face; }));
    TSkinData d(nullptr);
    TMemoryStream package = Packed(w);
    d.LoadFromStream(package);
    ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    const int b = GetSystemMetrics(SM_CXHSCROLL) + 2;

    TDataSkinBorder& combo = *d.ComboButton;
    EXPECT_EQ(combo.Style, 2);
    EXPECT_EQ(combo.Margins, Rect(2, 2, b + 2, 2));
    ASSERT_EQ(combo.Image->GetWidth(), 200);
    ASSERT_EQ(combo.Image->GetHeight(), 21);
    for (int k = 0; k < 4; ++k) {
        const int x0 = 50 * k;
        EXPECT_EQ(Px(*combo.Image, x0, 10), edge) << k;                 // the sunken edge
        EXPECT_EQ(Px(*combo.Image, x0 + 10, 10), SkinKeyColor) << k;    // the inside, left for the edit
        EXPECT_EQ(Px(*combo.Image, x0 + 50 - b / 2 - 1, 0), face) << k; // the button, full height
        EXPECT_EQ(Px(*combo.Image, x0 + 50 - b / 2 - 1, 20), face) << k;
    }
    // The mirror image, for combos whose button sits on the left.
    TDataSkinObject& sunk = *d.SunkEdge;
    EXPECT_EQ(sunk.Margins, Rect(b + 2, 2, 2, 2));
    EXPECT_EQ(Px(*sunk.Image, 199 - (50 - b / 2 - 1), 0), face);
    EXPECT_EQ(Px(*sunk.Image, 199 - 10, 10), SkinKeyColor);
    // The arrow cells: 17 x 17 from the right end of each button cell.
    TDataSkinObject& arrow = *d.ComboArrow;
    EXPECT_EQ(arrow.Frame, 4);
    ASSERT_EQ(arrow.Image->GetWidth(), 68);
    ASSERT_EQ(arrow.Image->GetHeight(), 17);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(Px(*arrow.Image, 17 * k - 1, 0), Px(*combo.Image, 50 * k - 3, 2)) << k;
    // The untouched button's mirror.
    EXPECT_TRUE(combo.Image2->Empty() == false);
}

TEST_F(SkinData, ComboArrowWithoutSunkenEdgeIsTheButtonOnTheFaceColour)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Colours]\nButtonFace=9 8 7\n[ComboButton]\nImage=combo.bmp\n"));
    w.Add("combo.bmp", BmpBytes(40, 21, [](int x, int) { return x < 20 ? SkinKeyColor : clBlue; }));
    TSkinData d(nullptr);
    TMemoryStream package = Packed(w);
    d.LoadFromStream(package);
    ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    EXPECT_EQ(d.ComboButton->Style, 0);
    EXPECT_EQ(d.ComboArrow->Frame, 4);
    EXPECT_EQ(Px(*d.ComboArrow->Image, 0, 0), RGB3(9, 8, 7));
    EXPECT_EQ(Px(*d.ComboArrow->Image, 30, 0), clBlue);
    // The button's own mirror, made while reading.
    EXPECT_EQ(Px(*d.ComboButton->Image2, 0, 0), clBlue);
}

TEST_F(SkinData, ToolbarGradientAndCaptionColourFromTheTopBorder)
{
    auto load = [&](TColor caption, TSkinData& d) {
        TSkinPackageWriter w;
        w.Add("skin.ini",
              Text("[Colours]\nButtonFace=237 236 226\n[Personality]\nTop=top.bmp\nTopFrame=2\n"));
        w.Add("top.bmp",
              BmpBytes(30, 12, [&](int x, int y) { return x == 10 && y == 2 ? caption : clBlack; }));
        TMemoryStream package = Packed(w);
        d.LoadFromStream(package);
        ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    };
    {
        // A saturated caption: the bottom is the caption lightened by
        // 45 % (the step truncates -5.36 towards zero).
        TSkinData d(nullptr);
        load(RGB3(0, 0, 255), d);
        EXPECT_EQ(d.GetCaptionColor(), RGB3(0, 0, 255));
        EXPECT_EQ(d.Colors[csCaption], RGB3(0, 0, 255));
        TBitmap& t = *d.Toolbar->Image;
        ASSERT_EQ(t.GetWidth(), 10);
        ASSERT_EQ(t.GetHeight(), 40);
        EXPECT_EQ(d.Toolbar->Frame, 1);
        EXPECT_EQ(Px(t, 0, 0), RGB3(252, 252, 251)); // 15 % face, 85 % white
        // Row i of 40 (n = 39 steps) is top + (19 + i * (bottom - top)) / 39
        // per channel, rounded down: a falling channel rounds to nearest
        // too, and the last row is the bottom colour itself.
        //   row 10: red 252 + floor(-1101 / 39) = 252 - 29 = 223,
        //           blue 251 + floor(59 / 39) = 252
        //   row 20: red 252 + floor(-2221 / 39) = 252 - 57 = 195 (a division
        //           toward zero would give 196), blue 251 + floor(99 / 39) = 253
        EXPECT_EQ(Px(t, 3, 10), RGB3(223, 223, 252));
        EXPECT_EQ(Px(t, 3, 20), RGB3(195, 195, 253));
        EXPECT_EQ(Px(t, 9, 39), RGB3(140, 140, 255));
    }
    {
        // A grey caption: 15 % mid grey over the caption, (189, 189, 189).
        //   row 20: red 252 + floor((19 - 1260) / 39) = 252 - 32 = 220,
        //           blue 251 + floor((19 - 1240) / 39) = 251 - 32 = 219
        TSkinData d(nullptr);
        load(RGB3(200, 200, 200), d);
        EXPECT_EQ(Px(*d.Toolbar->Image, 5, 20), RGB3(220, 220, 219));
        EXPECT_EQ(Px(*d.Toolbar->Image, 5, 39), RGB3(189, 189, 189));
    }
}

TEST_F(SkinData, MinCaptionIsMadeOnlyWhenAskedFor)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Personality]\nTop=top.bmp\n"));
    w.Add("top.bmp", BmpBytes(30, 12, RGB3(100, 50, 20)));
    TSkinData d(nullptr);
    TMemoryStream package = Packed(w);
    d.LoadFromStream(package);
    EXPECT_FALSE(d.MinCaption);
    d.CreateMinCaption();
    ASSERT_TRUE(d.MinCaption);
    TBitmap& m = *d.MinCaption->Image;
    ASSERT_EQ(m.GetWidth(), 80);
    ASSERT_EQ(m.GetHeight(), 29);
    EXPECT_EQ(Px(m, 40, 14), RGB3(100, 50, 20));
    EXPECT_EQ(Px(m, 0, 0), RGB3(50, 25, 10));
    EXPECT_EQ(Px(m, 79, 28), RGB3(50, 25, 10));
    EXPECT_EQ(d.MinCaption->Margins, Rect(3, 3, 3, 3));
    EXPECT_EQ(d.MinCaption->Name, "MinCaption");
}

TEST_F(SkinData, UnknownFormatKeepsTheFormUnskinned)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Colours]\nButtonFace=1 2 3\n"));
    TMemoryStream package = PackedAsFormat(w, 10000);
    TComponent root(nullptr);
    ReadLayout(root, LayoutWith(package, static_cast<int32_t>(package.GetSize())));
    auto* d = dynamic_cast<TSkinData*>(root.FindComponent("SkinData1"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->NotLoaded);
    EXPECT_FALSE(d->GetActive());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "This is Older Skin File\rPlease update to new version !");
    EXPECT_EQ(d->Colors[csButtonFace], clBtnFace);
    // Without a skin, switching on does nothing.
    d->SetActive(true);
    EXPECT_FALSE(d->GetActive());
}

TEST_F(SkinData, UndecodableBitmapLeavesTheFormUnskinnedWithoutRaising)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Buttons]\nBitmap=buttons.bmp\n"));
    w.Add("buttons.bmp", Text("BM this is no bitmap"));
    TMemoryStream package = Packed(w);
    TComponent root(nullptr);
    ASSERT_NO_THROW(ReadLayout(root, LayoutWith(package, static_cast<int32_t>(package.GetSize()))));
    auto* d = dynamic_cast<TSkinData*>(root.FindComponent("SkinData1"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->NotLoaded);
    EXPECT_FALSE(d->GetActive());
    EXPECT_NE(d->LastDebug.find("buttons.bmp"), std::string::npos) << d->LastDebug;
    EXPECT_TRUE(messages.empty()); // nobody chose this skin: no message while the form opens

    // Chosen at run time, the user hears about it.
    TSkinData chosen(nullptr);
    ASSERT_NO_THROW(chosen.LoadFromStream(package));
    EXPECT_TRUE(chosen.NotLoaded);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("buttons.bmp"), std::string::npos);
}

TEST_F(SkinData, SkinStreamCountsThatCannotBeTrusted)
{
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Colours]\nButtonFace=1 2 3\n"));
    TMemoryStream package = Packed(w);
    for (int32_t count : {0x7FFFFFFF, static_cast<int32_t>(package.GetSize()) + 1, 0, -5}) {
        TComponent root(nullptr);
        ASSERT_NO_THROW(ReadLayout(root, LayoutWith(package, count))) << count;
        auto* d = dynamic_cast<TSkinData*>(root.FindComponent("SkinData1"));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->SkinStream().GetSize(), 0) << count;
        EXPECT_TRUE(d->NotLoaded) << count;
        EXPECT_FALSE(d->GetActive()) << count;
        EXPECT_EQ(d->LastDebug.empty(), count <= 0) << count;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(SkinData, SkinFileReplacesThePackageWhenTheFileExists)
{
    TSkinData d(nullptr);
    TMemoryStream first = Packed(SmallSkin());
    d.LoadFromStream(first);
    ASSERT_FALSE(d.NotLoaded);
    d.SetSkinFile("C:\\no\\such\\skin.skn");
    EXPECT_EQ(d.GetSkinFile(), "C:\\no\\such\\skin.skn");
    // The skin in use stays in use (its windows keep painting), and the
    // caller can tell which file was missing.
    EXPECT_FALSE(d.NotLoaded);
    EXPECT_EQ(d.LoadError, "C:\\no\\such\\skin.skn: the file does not exist");
    EXPECT_EQ(d.Button->Image->GetWidth(), 150); // the earlier objects stay

    char dir[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "skn", 0, name);
    TSkinPackageWriter w;
    w.Add("skin.ini", Text("[Colours]\nButtonFace=4 5 6\n"));
    w.SaveToFile(name);
    EXPECT_TRUE(SetStringProp(&d, "SkinFile", name));
    DeleteFileA(name);
    EXPECT_FALSE(d.NotLoaded);
    EXPECT_EQ(d.Colors[csButtonFace], RGB3(4, 5, 6));
    EXPECT_TRUE(d.Button->Image->Empty()); // replaced, not merged
}

TEST_F(SkinData, StoreItemsKeepPackagesUnderUniqueNames)
{
    TComponent root(nullptr);
    auto* store = new TSkinStore(&root);
    store->SetName("SkinStore1");
    TSkinCollectionItem* a = store->Store()->Add();
    TSkinCollectionItem* b = store->Store()->Add();
    EXPECT_EQ(a->GetName(), "SkinItem0");
    EXPECT_EQ(b->GetName(), "SkinItem1");
    EXPECT_EQ(a->GetSkinData(), "Load Skin");
    try {
        b->SetName("SkinItem0");
        ADD_FAILURE() << "a taken name was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "The name SkinItem0 is already used.");
    }
    b->SetName("skinitem0"); // letter case counts
    TMemoryStream package = Packed(SmallSkin());
    b->DataStream().LoadFromStream(package);
    EXPECT_EQ(b->DataSize(), package.GetSize());

    // Through a layout and back.
    const std::string text = WriteLayout(root);
    TComponent again(nullptr);
    ReadLayout(again, text);
    auto* store2 = dynamic_cast<TSkinStore*>(again.FindComponent("SkinStore1"));
    ASSERT_NE(store2, nullptr);
    ASSERT_EQ(store2->Store()->Count(), 2);
    EXPECT_EQ(store2->Store()->Items(1)->GetName(), "skinitem0");
    EXPECT_EQ(store2->Store()->Items(1)->DataStream().Bytes(), package.Bytes());

    TSkinData d(nullptr);
    d.LoadFromCollection(store2, 5); // past the end: nothing
    EXPECT_TRUE(d.NotLoaded);
    d.LoadFromCollection(store2, 1);
    EXPECT_FALSE(d.NotLoaded);
    EXPECT_EQ(d.Button->Image->GetWidth(), 150);
}

TEST_F(SkinData, FormSkinRules)
{
    TSkinData d(nullptr);
    auto asks = [&](const std::string& cls) {
        bool doSkin = true;
        d.DoFormSkin(nullptr, cls, doSkin);
        return doSkin;
    };
    EXPECT_FALSE(asks("SysMonthCal32"));
    EXPECT_TRUE(asks("TfrPreview"));
    d.SkinControls.Include(xcFastReport);
    EXPECT_FALSE(asks("TfrPreview"));
    EXPECT_TRUE(asks("tfrPreview"));
    d.OnFormSkin = [](TObject*, const std::string&, bool& doSkin) { doSkin = true; };
    EXPECT_TRUE(asks("SysMonthCal32"));
}

// ---------------------------------------------------------------------------
// The default skin, packed from assets/skin as the build packs it.

class DefaultSkin : public SkinData {
protected:
    void SetUp() override
    {
        SkinData::SetUp();
        folder_ = SourceDir() + "/../../assets/skin";
        if (!FileExists(folder_ + "/skin.ini")) GTEST_SKIP() << "no default skin in " << folder_;
        TSkinPackageWriter::FromFolder(folder_).SaveToStream(package_);
        package_.SetPosition(0);
    }
    std::unique_ptr<TBitmap> Asset(const std::string& name)
    {
        auto b = std::make_unique<TBitmap>();
        b->LoadFromFile(folder_ + "/" + name);
        return b;
    }
    std::string folder_;
    TMemoryStream package_;
};

TEST_F(DefaultSkin, LoadsAsTheMainWindowCarriesIt)
{
    TComponent root(nullptr);
    ReadLayout(root, LayoutWith(package_, static_cast<int32_t>(package_.GetSize())));
    auto* d = dynamic_cast<TSkinData*>(root.FindComponent("SkinData1"));
    ASSERT_NE(d, nullptr);
    ASSERT_FALSE(d->NotLoaded) << d->LastDebug;
    EXPECT_TRUE(d->GetActive());
    EXPECT_TRUE(messages.empty());

    // Six system buttons, then the three MDI ones.
    ASSERT_EQ(d->SysButtons.size(), 9u);
    const int actions[] = {0, 1, 2, 1, 3, 4, 7, 8, 9};
    const int aligns[] = {1, 1, 1, 1, 0, 1, 100, 100, 100};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(d->SysButtons[i]->Action, actions[i]) << i;
        EXPECT_EQ(d->SysButtons[i]->Align, aligns[i]) << i;
    }
    for (size_t i : {0u, 1u, 2u, 3u, 5u}) {
        EXPECT_EQ(d->SysButtons[i]->Frame, 6) << i;
        EXPECT_EQ(d->SysButtons[i]->Image->GetWidth(), 96) << i;
        EXPECT_EQ(d->SysButtons[i]->Image->GetHeight(), 18) << i;
    }
    EXPECT_EQ(d->SysButtons[1]->Visibility1, 6);
    EXPECT_EQ(d->SysButtons[4]->Frame, 6);
    EXPECT_TRUE(d->SysButtons[4]->Image->Empty());
    EXPECT_EQ(d->SysButtons[4]->Xcoord, 8);
    EXPECT_EQ(d->SysButtons[5]->Xcoord, 38);
    EXPECT_EQ(d->SysButtons[5]->Ycoord, 6);
    EXPECT_EQ(d->SysButtons[5]->Visibility, 10);
    EXPECT_EQ(d->SysButtons[8]->Image->GetWidth(), 52);
    EXPECT_EQ(d->SysButtons[8]->Image->GetHeight(), 13);

    EXPECT_EQ(d->BorderLeft->Margins, Rect(0, 25, 0, 4));
    EXPECT_EQ(d->BorderRight->Margins, Rect(0, 25, 0, 4));
    EXPECT_EQ(d->BorderTop->Margins, Rect(49, 0, 82, 0));
    EXPECT_EQ(d->BorderBottom->Margins, Rect(49, 0, 82, 0));
    for (auto* b : {d->BorderLeft.get(), d->BorderRight.get(), d->BorderTop.get(), d->BorderBottom.get()}) {
        EXPECT_EQ(b->Frame, 2) << b->Name;
        EXPECT_EQ(b->Tile, 1) << b->Name;
    }
    EXPECT_EQ(d->BorderBottom->Trans, 0);
    EXPECT_EQ(d->BorderLeft->Image->GetWidth(), 8);
    EXPECT_EQ(d->BorderTop->Image->GetWidth(), 142);
    EXPECT_EQ(d->BorderBottom->Image->GetHeight(), 8);
    EXPECT_EQ(d->Title->Margins, Rect(16, 2, 20, 0));

    EXPECT_EQ(d->Button->Image->GetWidth(), 150);
    EXPECT_EQ(d->Button->Image->GetHeight(), 24);
    EXPECT_EQ(d->Button->Margins, Rect(7, 7, 7, 7));
    EXPECT_EQ(d->Button->Frame, 5);
    EXPECT_EQ(d->Button->CheckFrame, 12);
    EXPECT_EQ(d->Button->RadioFrame, 8);
    EXPECT_EQ(d->Button->CheckImage->GetWidth(), 156);
    EXPECT_EQ(d->Button->RadioImage->GetWidth(), 104);

    EXPECT_EQ(d->Colors[csButtonFace], 0x00E2ECED);
    EXPECT_EQ(d->Colors[csTitleTextActive], RGB3(255, 255, 241));
    EXPECT_EQ(d->Colors[csMenuBar], RGB3(230, 228, 214));
    EXPECT_EQ(d->Colors[csHilight], RGB3(119, 150, 173));
    EXPECT_EQ(d->Colors[csMenuText], clBlack);
    EXPECT_EQ(d->Colors[csText], clWindowText);
    EXPECT_EQ(d->Colors[csButtonText], clBtnText);
    for (TShemeColor given : {csButtonFace, csTitleTextActive, csTitleTextNoActive, csButtonHilight,
                              csButtonShadow, csButtonDkshadow, csButtonlight, csMenuBar, csMenubg,
                              csMenuText, csMenuBarText, csHilight, csHilightText})
        EXPECT_TRUE(d->ColorGiven[given]) << given;
    for (TShemeColor notGiven : {csText, csButtonText, csScrollbar, csCaption})
        EXPECT_FALSE(d->ColorGiven[notGiven]) << notGiven;
    EXPECT_TRUE(d->PreColors.empty());

    // Frames as the drawing code relies on them.
    EXPECT_EQ(d->Tabs->Frame, 5);
    EXPECT_EQ(d->TabPane->Frame, 1);
    EXPECT_EQ(d->StatusBarEdges->Frame, 3);
    EXPECT_EQ(d->Scrollbar->Frame, 23);
    EXPECT_EQ(d->HorzScrollThumb->Frame, 4);
    EXPECT_EQ(d->VertScrollThumb->Frame, 4);
    EXPECT_EQ(d->HorzScroll->Frame, 4);
    EXPECT_EQ(d->UpDownVert->Frame, 8);
    EXPECT_EQ(d->Progress->Frame, 2);
    EXPECT_EQ(d->Headerbar->Frame, 5);
    EXPECT_EQ(d->MenuItem->Frame, 5);
    EXPECT_EQ(d->MenuBackground->Frame, 1);
    EXPECT_EQ(d->TrackThumbHorz->Frame, 5);
    EXPECT_EQ(d->Track->Name, "Track");
    EXPECT_FALSE(d->SunkEdge);
    EXPECT_FALSE(d->MinCaption);

    // Without a sunken edge the arrow is the combo button on the face colour.
    ASSERT_TRUE(d->ComboButton);
    EXPECT_EQ(d->ComboArrow->Frame, 4);
    auto combo = Asset("combobutton.bmp");
    ASSERT_EQ(d->ComboArrow->Image->GetWidth(), combo->GetWidth());
    for (int y = 0; y < combo->GetHeight(); ++y)
        for (int x = 0; x < combo->GetWidth(); ++x) {
            const TColor src = Px(*combo, x, y);
            ASSERT_EQ(Px(*d->ComboArrow->Image, x, y), src == SkinKeyColor ? d->Colors[csButtonFace] : src)
                << x << "," << y;
        }

    // The caption colour: a third into the top border's first frame.
    auto top = Asset("top.bmp");
    const TColor caption = Px(*top, 142 / 3, 50 / 2 / 3);
    EXPECT_EQ(d->GetCaptionColor(), caption);
    EXPECT_EQ(d->Colors[csCaption], caption);
    // The tool-bar gradient between the colours its formula gives.
    const uint32_t topColour = BlendRGB(0x00E2ECED, 0xFFFFFF, 150);
    const int32_t s = HSVSaturation(static_cast<uint32_t>(caption));
    const uint32_t bottom =
        s > 110 ? BlendRGB(static_cast<uint32_t>(caption), 0xFFFFFF, 25 * (225 - s) / 140 + 50)
                : BlendRGB(0x808080, static_cast<uint32_t>(caption), 150);
    EXPECT_EQ(static_cast<uint32_t>(Px(*d->Toolbar->Image, 0, 0)), topColour);
    EXPECT_EQ(static_cast<uint32_t>(Px(*d->Toolbar->Image, 0, 39)), GradientColor(topColour, bottom, 39, 40));
}

// Not a check: the figure for reading the default skin's package into
// skin objects, as the main window does while its layout is read.
TEST_F(DefaultSkin, LoadSkinFigure)
{
    TSkinData d(nullptr);
    d.LoadFromStream(package_);
    ASSERT_FALSE(d.NotLoaded) << d.LastDebug;
    std::vector<double> ms;
    for (int i = 0; i < 50; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        d.LoadSkin();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    ASSERT_FALSE(d.NotLoaded);
    std::sort(ms.begin(), ms.end());
    std::printf(
        "LoadSkin of the default skin (%lld packed bytes) over 50 loads: median %.2f ms, fastest %.2f ms, "
        "slowest %.2f ms\n",
        static_cast<long long>(package_.GetSize()), ms[25], ms.front(), ms.back());
}

} // namespace
