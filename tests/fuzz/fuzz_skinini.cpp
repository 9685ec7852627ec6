// Arbitrary text as a skin's ini, read the way the skin loader reads it: every
// section and key of the loading, the colour texts, the system buttons with
// their frame counts guessed from fixed image sizes, the MDI buttons cut out
// of a fixed image. Whatever the text says, the numbers the drawing code
// adds up must stay within what a window can show.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skinfiles/skinvalues.h"
#include "skinfiles/winskinini.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

bool Held(int32_t v)
{
    return v >= -kSkinMaxExtent && v <= kSkinMaxExtent;
}

void CheckEdges(const TSkinEdges& e)
{
    Check(Held(e.Left) && Held(e.Top) && Held(e.Right) && Held(e.Bottom));
    // What the nine-slice and three-slice drawing add up.
    volatile int32_t across = e.Left + e.Right, down = e.Top + e.Bottom;
    (void)across, (void)down;
}

void CheckObject(const TSkinObjectValues& v)
{
    CheckEdges(v.Margins);
    Check(v.Tile <= 1);
}

// Sizes of the bitmaps the loader would have decoded: a caption-button strip
// of six frames, a check strip, an MDI strip, and an image too narrow for any
// frame.
constexpr int32_t kImages[][2] = {{96, 18}, {54, 18}, {156, 13}, {3, 40}, {0, 0}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    TQuickIni ini;
    ini.LoadFromStream(&stream);

    const auto colours = ReadColourValues(ini);
    const TColor text = colours[8].Value; // "ButtonText"
    for (const char* side : {"Left", "Right", "Top", "Bottom"})
        CheckObject(ReadBorderValues(ini, side));

    const TSkinTitleValues title = ReadTitleValues(ini, "Personality");
    CheckEdges(title.Margins);
    Check(Held(title.TXTBackleft) && Held(title.TXTBackRight) && Held(title.FontHeight));
    // The caption's background around a text of any width a window shows.
    volatile int32_t captionWidth = kSkinMaxExtent + title.TXTBackleft + title.TXTBackRight;
    (void)captionWidth;

    CheckObject(ReadMenuBarValues(ini, "Personality"));
    CheckObject(ReadProgressValues(ini, "Progress"));
    const TSkinButtonValues button = ReadButtonValues(ini, text);
    CheckObject(button);
    const TSkinBoxLabelValues box = ReadBoxLabelValues(ini, "GroupBox", text);
    CheckObject(box);
    Check(Held(box.BackgroundLeftShift) && Held(box.BackgroundRightShift));
    for (const char* section : {"Progress.Chunk",
                                "GroupBoxEdge",
                                "StatusBarEdges",
                                "Tab.Pane",
                                "ToolBars",
                                "SunkEdge",
                                "ExtraImages",
                                "Headerbar",
                                "MenuItem",
                                "MenuBackground",
                                "Scrollbar",
                                "HorzScroll",
                                "VertScroll",
                                "HorzScrollThumb",
                                "VertScrollThumb",
                                "Trackbar.ThumbHorz",
                                "Trackbar.ThumbVert",
                                "Trackbar.ThumbLeft",
                                "Trackbar.ThumbRight",
                                "Trackbar.ThumbUp",
                                "Trackbar.ThumbDown",
                                "Track",
                                "TRACKVERT"})
        CheckObject(ReadObjectValues(ini, section, text));
    for (auto [section, key] :
         {std::pair{"Tabs", "Border"}, std::pair{"ComboButton", "****"},
          std::pair{"UpDown.Horz", "GlyphImage"}, std::pair{"UpDown.Vert", "GlyphImage"}})
        CheckObject(ReadObjectValues(ini, section, text, key));

    for (const auto& [w, h] : kImages)
        Check(button.CheckFrame != 0 ? CheckFrames(button.CheckFrame, w, h) == button.CheckFrame
                                     : CheckFrames(0, w, h) >= 4);
    for (const TSysButtonSpec& b : ReadSysButtonSpecs(ini)) {
        Check(Held(b.Xcoord) && Held(b.Ycoord));
        Check(!b.Name.empty() && b.Name.rfind("BUTTON", 0) == 0);
        for (const auto& [w, h] : kImages) {
            bool clear = false;
            const int32_t frames = SysButtonFrames(b.Frame, w, h, b.Action, clear);
            Check(b.Frame != 0 ? frames == b.Frame : frames == 3 || frames == 6);
        }
    }
    for (const auto& [w, h] : kImages) {
        (void)h;
        for (const TMdiButtonPlace& p : MdiButtonPlaces(w))
            Check(p.SourceLeft >= 0 && p.SourceRight <= w && p.SourceLeft <= p.SourceRight && p.Xcoord > 0);
    }
    for (const std::string& section : PreColorSections(ini))
        GetColor(ini.ReadString(section, "color", ""), clWindowText);
    return 0;
}
