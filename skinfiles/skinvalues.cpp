#include "skinfiles/skinvalues.h"

#include <algorithm>

#include "runtime/sysutils.h"

int32_t ClampExtent(int32_t value)
{
    return value < -kSkinMaxExtent ? -kSkinMaxExtent : value > kSkinMaxExtent ? kSkinMaxExtent : value;
}

int32_t ReadExtent(const TQuickIni& ini, const std::string& section, const std::string& key, int32_t def)
{
    return ClampExtent(ini.ReadInteger(section, key, def));
}

TColor strcolor(const std::string& text)
{
    int32_t rgb[3] = {0, 0, 0};
    int taken = 0;
    int32_t value = 0; // kept modulo 256 as the digits come, so long runs cannot overflow
    bool pending = false;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            value = (value * 10 + (ch - '0')) % 256;
            pending = true;
        } else if (pending) {
            if (taken < 3) rgb[taken] = value;
            ++taken;
            value = 0;
            pending = false;
        }
    }
    if (pending && taken == 2) rgb[2] = value;
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

TColor GetColor(const std::string& text, TColor def)
{
    return text.empty() ? def : strcolor(text);
}

bool ReadRGB(const TQuickIni& ini, const std::string& section, const std::string& base, TColor& color)
{
    const int32_t r = ini.ReadInteger(section, base + "R", -1);
    const int32_t g = ini.ReadInteger(section, base + "G", -1);
    const int32_t b = ini.ReadInteger(section, base + "B", -1);
    if (r < 0 || g < 0 || b < 0) return false;
    color = (r % 256) | ((g % 256) << 8) | ((b % 256) << 16);
    return true;
}

std::string SkinImageName(const std::string& reference)
{
    const size_t slash = reference.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? reference : reference.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot, std::string::npos, ".bmp") != 0) return "";
    return name;
}

namespace {

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

bool IsSysButtonSection(const TQuickIni& ini, const std::string& section)
{
    const std::string upper = UpperCase(section);
    if (!StartsWith(upper, "BUTTON")) return false;
    if (upper == "BUTTONS" || upper == "BUTTON.RADIO" || upper == "BUTTON.CHECKBOX" || upper == "BUTTON")
        return false;
    // A button that does nothing and is not explicitly hidden is no button.
    return !(ini.ReadInteger(section, "Action", 0) == -1 && ini.ReadInteger(section, "Visibility", -1) != 0);
}

} // namespace

std::vector<TSysButtonSpec> ReadSysButtonSpecs(const TQuickIni& ini)
{
    TStringList sections;
    ini.ReadSections(sections);
    std::vector<TSysButtonSpec> result;
    bool haveMaxPlace = false;
    int32_t maxX = 0, maxY = 0;
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string section = sections[i];
        if (!IsSysButtonSection(ini, section)) continue;
        TSysButtonSpec b;
        b.Section = section;
        b.Name = UpperCase(section);
        b.Action = ini.ReadInteger(section, "Action", 0);
        b.Align = ini.ReadInteger(section, "Align", 0);
        b.Xcoord = ReadExtent(ini, section, "Xcoord", 0);
        b.Ycoord = ReadExtent(ini, section, "Ycoord", 0);
        b.Visibility = ini.ReadInteger(section, "Visibility", 0);
        b.Visibility1 = ini.ReadInteger(section, "Visibility1", b.Action == -1 ? -1 : 0);
        // The help button sits where the maximize button would be when the
        // window cannot be maximized.
        if (b.Action == 1 && b.Visibility == 2) {
            haveMaxPlace = true;
            maxX = b.Xcoord;
            maxY = b.Ycoord;
        } else if (b.Action == 4 && haveMaxPlace) {
            b.Xcoord = maxX;
            b.Ycoord = maxY;
        }
        b.CombineOp = ini.ReadInteger(section, "CombineOp", -1);
        b.Frame = ini.ReadInteger(section, "frame", 0);
        b.ImageRef = ini.ReadString(section, "ButtonImage", "");
        result.push_back(std::move(b));
    }
    return result;
}

int32_t SysButtonFrames(int32_t frame, int32_t imageWidth, int32_t imageHeight, int32_t action,
                        bool& clearImage)
{
    clearImage = false;
    if (frame != 0) return frame;
    frame = 6;
    if (imageWidth > 0 && imageHeight > 0)
        frame = static_cast<double>(imageWidth) / imageHeight <= 3.8 ? 3 : 6;
    if (action < 0) frame = 6;
    clearImage = action == 3 || action == 11;
    return frame;
}

int32_t CheckFrames(int32_t frame, int32_t imageWidth, int32_t imageHeight)
{
    if (frame != 0) return frame;
    const int32_t guessed = imageWidth / (imageHeight < 16 ? 13 : 16);
    return guessed < 4 ? 4 : guessed;
}

std::vector<std::string> PreColorSections(const TQuickIni& ini)
{
    TStringList sections;
    ini.ReadSections(sections);
    std::vector<std::string> result;
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string upper = UpperCase(sections[i]);
        if (StartsWith(upper, "COLOUR") && upper != "COLOURS") result.push_back(sections[i]);
    }
    return result;
}

// ---------------------------------------------------------------------------
// Object sections

namespace {

TSkinEdges ReadMargins(const TQuickIni& ini, const std::string& section)
{
    return {ReadExtent(ini, section, "LeftWidth", 0), ReadExtent(ini, section, "TopHeight", 0),
            ReadExtent(ini, section, "RightWidth", 0), ReadExtent(ini, section, "BottomHeight", 0)};
}

void ReadColours(const TQuickIni& ini, const std::string& section, TColor text, TSkinObjectValues& v)
{
    v.NormalColour = ini.ReadInteger(section, "NormalColour", -1);
    v.MouseOverColour = ini.ReadInteger(section, "MouseOverColour", -1);
    v.PressedColour = ini.ReadInteger(section, "PressedColour", -1);
    v.NormalColour2 = GetColor(ini.ReadString(section, "NormalColour2", ""), text);
    v.MouseOverColour2 = GetColor(ini.ReadString(section, "MouseOverColour2", ""), text);
    v.PressedColour2 = GetColor(ini.ReadString(section, "PressedColour2", ""), text);
}

// What differs between the sections of the object shape.
struct TObjectKeys {
    const char* Image;          // the image's key
    bool Style, Frame, Colours; // whether the section has these keys
    int32_t TileOver1;          // what a "Tile" above 1 reads as
};
constexpr TObjectKeys kObjectKeys{"Image", true, true, true, 0};
// An object with a second image has no "Frame": its count comes from elsewhere.
constexpr TObjectKeys kTwoImageObjectKeys{"Image", true, false, true, 0};
constexpr TObjectKeys kProgressKeys{"Bitmap", true, false, false, 1};
constexpr TObjectKeys kButtonKeys{"Bitmap", false, false, true, 0};

TSkinObjectValues ReadObjectShape(const TQuickIni& ini, const std::string& section, const TObjectKeys& keys,
                                  TColor text)
{
    TSkinObjectValues v;
    v.Image = ini.ReadString(section, keys.Image, "");
    if (keys.Style) v.Style = ini.ReadInteger(section, "Style", 0);
    v.Margins = ReadMargins(ini, section);
    if (keys.Frame) v.Frame = ini.ReadInteger(section, "Frame", 0);
    v.Trans = ini.ReadInteger(section, "Trans", 0);
    v.Tile = ini.ReadInteger(section, "Tile", 0);
    if (keys.Colours) ReadColours(ini, section, text, v);
    if (v.Tile > 1) v.Tile = keys.TileOver1;
    return v;
}

} // namespace

TSkinObjectValues ReadObjectValues(const TQuickIni& ini, const std::string& section, TColor text,
                                   const char* image2Key)
{
    TSkinObjectValues v = ReadObjectShape(ini, section, image2Key ? kTwoImageObjectKeys : kObjectKeys, text);
    if (image2Key && *image2Key) v.Image2 = ini.ReadString(section, image2Key, "");
    return v;
}

TSkinObjectValues ReadProgressValues(const TQuickIni& ini, const std::string& section)
{
    return ReadObjectShape(ini, section, kProgressKeys, clBtnText);
}

TSkinObjectValues ReadMenuBarValues(const TQuickIni& ini, const std::string& section)
{
    TSkinObjectValues v;
    v.Image = ini.ReadString(section, "menuBar", "");
    v.Tile = ini.ReadInteger(section, "TileMenu", 1);
    if (v.Tile > 1) v.Tile = 1;
    v.Margins = {ReadExtent(ini, section, "TileLeftMenu", 1), 0, ReadExtent(ini, section, "TileRightMenu", 1),
                 0};
    return v;
}

TSkinObjectValues ReadBorderValues(const TQuickIni& ini, const std::string& side)
{
    const std::string section = "Personality";
    TSkinObjectValues v;
    const int32_t first = ReadExtent(ini, section, side + "TopHeight", 0);
    const int32_t last = ReadExtent(ini, section, side + "BotHeight", 0);
    // The side borders keep their top and bottom ends, top and bottom their
    // left and right ends.
    const bool upright = side == "Left" || side == "Right";
    v.Margins = upright ? TSkinEdges{0, first, 0, last} : TSkinEdges{first, 0, last, 0};
    v.Frame = ini.ReadInteger(section, side + "Frame", 1);
    v.Tile = ini.ReadInteger(section, side + "Stretch", 1);
    v.Trans = ini.ReadInteger(section, side + "Trans", 1);
    v.Image = ini.ReadString(section, side, "");
    if (v.Tile > 1) v.Tile = 1;
    return v;
}

TSkinBoxLabelValues ReadBoxLabelValues(const TQuickIni& ini, const std::string& section, TColor text)
{
    TSkinBoxLabelValues v;
    static_cast<TSkinObjectValues&>(v) = ReadObjectValues(ini, section, text, "");
    v.BackgroundAlignment = ini.ReadInteger(section, "BackgroundAlignment", 0);
    v.BackgroundLeftShift = ReadExtent(ini, section, "BackgroundLeftShift", 0);
    v.BackgroundRightShift = ReadExtent(ini, section, "BackgroundRightShift", 0);
    return v;
}

TSkinTitleValues ReadTitleValues(const TQuickIni& ini, const std::string& section)
{
    TSkinTitleValues v;
    v.Image = ini.ReadString(section, "TextBack", "");
    v.Margins = {ReadExtent(ini, section, "TextShift", 0), ReadExtent(ini, section, "TextShiftVert", 0),
                 ReadExtent(ini, section, "TextRightClip", 0), 0};
    v.TextAlignment = ini.ReadInteger(section, "TextAlignment", 0);
    v.TextBackground = ini.ReadInteger(section, "Textbackground", 0);
    v.FontHeight = ReadExtent(ini, "Fonts", "FontHeight", 14);
    v.TXTBackleft = ReadExtent(ini, section, "TXTBackleft", 0);
    v.TXTBackRight = ReadExtent(ini, section, "TXTBackRight", 0);
    ReadRGB(ini, section, "ActiveText", v.ActiveTextColor);
    ReadRGB(ini, section, "InActiveText", v.InActiveTextColor);
    return v;
}

TSkinButtonValues ReadButtonValues(const TQuickIni& ini, TColor text)
{
    const std::string section = "Buttons";
    TSkinButtonValues v;
    static_cast<TSkinObjectValues&>(v) = ReadObjectShape(ini, section, kButtonKeys, text);
    v.CheckImage = ini.ReadString(section, "CheckButton", "");
    v.RadioImage = ini.ReadString(section, "RadioButton", "");
    v.RadioFrame = ini.ReadInteger(section, "RadioButtonFrame", 0);
    v.CheckFrame = ini.ReadInteger(section, "CheckButtonFrame", 0);
    v.NormalColour2Given = !ini.ReadString(section, "NormalColour2", "").empty();
    v.MouseOverColour2Given = !ini.ReadString(section, "MouseOverColour2", "").empty();
    v.PressedColour2Given = !ini.ReadString(section, "PressedColour2", "").empty();
    return v;
}

std::array<TSkinColourValue, kSkinColourKeys> ReadColourValues(const TQuickIni& ini)
{
    std::array<TSkinColourValue, kSkinColourKeys> table = {{
        {"WindowText", clWindowText, false},
        {"ButtonFace", clBtnFace, false},
        {"Scrollbar", clScrollBar, false},
        {"HilightText", clHighlightText, false},
        {"Hilight", clHighlight, false},
        {"Menubar", clBtnFace, false}, // the button face just read, below
        {"Menu", clMenu, false},
        {"MenuText", clMenuText, false},
        {"ButtonText", clBtnText, false},
        {"ButtonHilight", clBtnHighlight, false},
        {"Buttonlight", clBtnHighlight, false},
        {"ButtonShadow", clBtnShadow, false},
        {"ButtonDkShadow", cl3DDkShadow, false},
        {"MenuBarText", clMenuText, false},
        {"TitleTextActive", clCaptionText, false},
        {"TitleTextNoActive", clInactiveCaptionText, false},
    }};
    for (size_t i = 0; i < table.size(); ++i) {
        TSkinColourValue& c = table[i];
        if (i == 5) c.Value = table[1].Value;
        const std::string text = ini.ReadString("Colours", c.Key, "");
        c.Given = !text.empty();
        c.Value = GetColor(text, c.Value);
    }
    return table;
}

std::array<TMdiButtonPlace, 3> MdiButtonPlaces(int32_t imageWidth)
{
    // Three buttons of four frames each, side by side.
    const int32_t w = std::max(imageWidth, 0) / 12;
    std::array<TMdiButtonPlace, 3> places;
    for (int32_t i = 0; i < 3; ++i)
        places[static_cast<size_t>(i)] = {w * 4 * i, w * 4 * (i + 1), (w + 4) * (3 - i)};
    return places;
}

// ---------------------------------------------------------------------------
// The whole ini

const std::array<TSkinObjectRule, 27> kSkinObjectRules = {{
    {"Progress.Chunk", nullptr, 0, 0, nullptr},
    {"GroupBoxEdge", nullptr, 2, 0, nullptr},
    {"Tabs", "Border", 5, 0, nullptr},
    {"StatusBarEdges", nullptr, 3, 0, nullptr},
    {"Tab.Pane", nullptr, 1, 0, nullptr},
    {"ToolBars", nullptr, 5, 0, nullptr},
    {"ComboButton", "****", 4, 0, nullptr},
    {"SunkEdge", nullptr, 4, 0, nullptr},
    {"ExtraImages", nullptr, 5, 0, nullptr},
    {"Headerbar", nullptr, 0, 5, nullptr},
    {"MenuItem", nullptr, 5, 0, nullptr},
    {"MenuBackground", nullptr, 1, 0, nullptr},
    {"Scrollbar", nullptr, 23, 0, nullptr},
    {"HorzScroll", nullptr, 4, 0, nullptr},
    {"VertScroll", nullptr, 4, 0, nullptr},
    {"HorzScrollThumb", nullptr, 0, 3, "FrameCount"},
    {"VertScrollThumb", nullptr, 0, 3, "FrameCount"},
    {"Trackbar.ThumbHorz", nullptr, 5, 0, nullptr},
    {"Trackbar.ThumbVert", nullptr, 5, 0, nullptr},
    {"Trackbar.ThumbLeft", nullptr, 5, 0, nullptr},
    {"Trackbar.ThumbRight", nullptr, 5, 0, nullptr},
    {"Trackbar.ThumbUp", nullptr, 5, 0, nullptr},
    {"Trackbar.ThumbDown", nullptr, 5, 0, nullptr},
    {"UpDown.Horz", "GlyphImage", 8, 0, nullptr},
    {"UpDown.Vert", "GlyphImage", 8, 0, nullptr},
    {"Track", nullptr, 0, 0, nullptr},
    {"TRACKVERT", nullptr, 0, 0, nullptr},
}};

const TSkinObjectValues* TSkinIniValues::Object(const std::string& section) const
{
    for (const TSkinIniObject& o : Objects)
        if (section == o.Rule->Section) return &o.Values;
    return nullptr;
}

TSkinIniValues ReadSkinIni(const TQuickIni& ini)
{
    TSkinIniValues v;
    for (size_t i = 0; i < v.Borders.size(); ++i)
        v.Borders[i] = ReadBorderValues(ini, kSkinBorderSides[i]);
    v.Colours = ReadColourValues(ini);
    for (const std::string& section : PreColorSections(ini))
        v.PreColors.push_back(GetColor(ini.ReadString(section, "color", ""), clWindowText));
    v.SysButtons = ReadSysButtonSpecs(ini);
    v.MdiImage = ini.ReadString("MDICONTROLS", "Image", "");
    // Text colours an object does not give are the skin's button text.
    const TColor text = v.Colours[8].Value;
    v.Button = ReadButtonValues(ini, text);
    v.Title = ReadTitleValues(ini, "Personality");
    v.Progress = ReadProgressValues(ini, "Progress");
    v.MenuBar = ReadMenuBarValues(ini, "Personality");
    v.GroupBox = ReadBoxLabelValues(ini, "GroupBox", text);
    for (const TSkinObjectRule& rule : kSkinObjectRules) {
        TSkinIniObject o{&rule, ReadObjectValues(ini, rule.Section, text, rule.Image2Key)};
        if (rule.Frames > 0)
            o.Values.Frame = rule.Frames;
        else if (rule.FrameKey)
            o.Values.Frame = ini.ReadInteger(rule.Section, rule.FrameKey, rule.FrameDefault);
        else if (o.Values.Frame == 0)
            o.Values.Frame = rule.FrameDefault;
        v.Objects.push_back(std::move(o));
    }
    return v;
}
