// The main window's captions in the fonts this machine gives them: every
// label that has a size in the layout shows its whole caption inside it (the
// layout was drawn for "MS Sans Serif" and its bold as Windows draws them),
// and a bold font draws visibly heavier than its regular. Under Wine this
// holds only with the prefix's font set-up (tools/wine-prefix), which is what
// is being checked: the layout is the real one, the drawing is the system's.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "components/layoutparser.h"

namespace {

struct TCaptionFont {
    std::string Name = "MS Sans Serif";
    int Height = -11;
    bool Bold = false;
};

struct TCaptionLabel {
    std::string Name;
    std::string Caption;
    TCaptionFont Font;
    int Width = 0, Height = 0; // 0: not in the layout (the label sizes itself)
    bool WordWrap = false;
    bool Centred = false;
};

const TLayoutProperty* Find(const TLayoutObject& o, const std::string& name)
{
    for (const TLayoutProperty& p : o.Properties)
        if (p.Name == name) return &p;
    return nullptr;
}

// Fonts follow the framework's rule: a control with font properties of its
// own starts from its parent's font and changes those; one without takes its
// parent's.
TCaptionFont FontOf(const TLayoutObject& o, TCaptionFont font)
{
    if (const TLayoutProperty* p = Find(o, "Font.Name")) font.Name = p->Value.Text;
    if (const TLayoutProperty* p = Find(o, "Font.Height")) font.Height = static_cast<int>(p->Value.Int);
    if (const TLayoutProperty* p = Find(o, "Font.Style")) {
        font.Bold = false;
        for (const std::string& s : p->Value.SetItems) font.Bold |= s == "fsBold";
    }
    return font;
}

void CollectLabels(const TLayoutObject& o, const TCaptionFont& parentFont, std::vector<TCaptionLabel>& out)
{
    const TCaptionFont font = FontOf(o, parentFont);
    if (o.ClassName == "TLabel") {
        TCaptionLabel l;
        l.Name = o.Name;
        l.Font = font;
        if (const TLayoutProperty* p = Find(o, "Caption")) l.Caption = p->Value.Text;
        if (const TLayoutProperty* p = Find(o, "Width")) l.Width = static_cast<int>(p->Value.Int);
        if (const TLayoutProperty* p = Find(o, "Height")) l.Height = static_cast<int>(p->Value.Int);
        if (const TLayoutProperty* p = Find(o, "WordWrap")) l.WordWrap = p->Value.Text == "True";
        if (const TLayoutProperty* p = Find(o, "Alignment")) l.Centred = p->Value.Text == "taCenter";
        out.push_back(l);
    }
    for (const TLayoutObject& child : o.Children) CollectLabels(child, font, out);
}

std::vector<TCaptionLabel> MainWindowLabels()
{
    HRSRC found = FindResourceA(nullptr, "TFORM1", MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const char* text = static_cast<const char*>(LockResource(loaded));
    const TLayoutObject form = ParseLayout(std::string_view(text, SizeofResource(nullptr, found)));
    std::vector<TCaptionLabel> labels;
    CollectLabels(form, TCaptionFont{}, labels);
    return labels;
}

// A memory device context with a font selected, freed with it.
class TFontDC {
public:
    explicit TFontDC(const TCaptionFont& f, bool bold)
    {
        LOGFONTA lf{};
        lf.lfHeight = f.Height;
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(lf.lfFaceName, f.Name.c_str(), LF_FACESIZE);
        dc_ = CreateCompatibleDC(nullptr);
        font_ = CreateFontIndirectA(&lf);
        old_ = SelectObject(dc_, font_);
    }
    ~TFontDC()
    {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        DeleteDC(dc_);
    }
    TFontDC(const TFontDC&) = delete;
    TFontDC& operator=(const TFontDC&) = delete;
    HDC Handle() const { return dc_; }
    std::string Face() const
    {
        char face[LF_FACESIZE] = {};
        GetTextFaceA(dc_, LF_FACESIZE, face);
        return face;
    }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

// Pixels inked by the text drawn black on white.
int Ink(const TCaptionFont& f, bool bold, const std::string& text)
{
    TFontDC dc(f, bold);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 256;
    bi.bmiHeader.biHeight = -40;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc.Handle(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc.Handle(), bitmap);
    RECT r{0, 0, 256, 40};
    FillRect(dc.Handle(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc.Handle(), RGB(0, 0, 0));
    SetBkMode(dc.Handle(), TRANSPARENT);
    TextOutA(dc.Handle(), 2, 2, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    int ink = 0;
    const auto* p = static_cast<const DWORD*>(bits);
    for (int i = 0; i < 256 * 40; ++i) ink += (p[i] & 0xFFFFFF) != 0xFFFFFF;
    SelectObject(dc.Handle(), old);
    DeleteObject(bitmap);
    return ink;
}

} // namespace

TEST(MainWindowCaptions, EveryCaptionFitsTheLabelTheLayoutGivesIt)
{
    const std::vector<TCaptionLabel> labels = MainWindowLabels();
    ASSERT_GE(labels.size(), 20u) << "the main window's layout was not read";
    int checked = 0;
    for (const TCaptionLabel& l : labels) {
        if (l.Width == 0 || l.Height == 0 || l.Caption.empty()) continue;
        SCOPED_TRACE(l.Name + " '" + l.Caption + "'");
        TFontDC dc(l.Font, l.Font.Bold);
        // The face asked for, not a stand-in: the fit below means nothing with another face.
        EXPECT_EQ(dc.Face(), l.Font.Name);
        RECT r{0, 0, l.Width, 0};
        UINT format = DT_CALCRECT | DT_EXPANDTABS | (l.WordWrap ? DT_WORDBREAK : DT_SINGLELINE);
        if (l.Centred) format |= DT_CENTER;
        DrawTextA(dc.Handle(), l.Caption.c_str(), -1, &r, format);
        EXPECT_LE(r.right - r.left, l.Width) << "clipped at the sides";
        EXPECT_LE(r.bottom - r.top, l.Height) << "more lines than the label holds";
        ++checked;
    }
    // Label2 "VU Refresh Time", Label1 "Mic Offset", Label3, Label4, Label5,
    // Label24, Label6, Label7 and Label9 at least.
    EXPECT_GE(checked, 9);
}

TEST(MainWindowCaptions, BoldDrawsHeavierThanRegularAtEverySizeTheLayoutUses)
{
    std::map<int, std::string> boldSizes; // font height -> a caption drawn in it
    for (const TCaptionLabel& l : MainWindowLabels())
        if (l.Font.Bold && !l.Caption.empty()) boldSizes.emplace(l.Font.Height, l.Caption);
    boldSizes.emplace(-16, "Mic input type"); // RadioGroup1's caption
    ASSERT_TRUE(boldSizes.count(-11) && boldSizes.count(-16));
    for (const auto& [height, caption] : boldSizes) {
        SCOPED_TRACE("height " + std::to_string(height) + " '" + caption + "'");
        TCaptionFont f;
        f.Height = height;
        const int regular = Ink(f, false, caption);
        const int bold = Ink(f, true, caption);
        ASSERT_GT(regular, 0);
        // A bold stroke is two pixels where the regular one is one.
        EXPECT_GE(bold * 10, regular * 15) << regular << " regular against " << bold << " bold pixels";
    }
}
