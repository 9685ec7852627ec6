// The value syntax of the skin ini and the rules the skin loader applies to
// what it reads, kept apart from the bitmaps so that they run (and are
// tested) without a window: colour texts, RGB key triples, image
// references, the system-button sections and their frame counts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/colors.h"
#include "skinfiles/winskinini.h"

// ---------------------------------------------------------------------------
// What a skin may ask for. Skins come from strangers: nothing they say may
// cost unbounded memory or make the drawing arithmetic overflow.

// The pixels the images of one package may hold together: several
// full-screen backgrounds, far below what a few crafted bytes could ask for.
constexpr int64_t kSkinPixelBudget = int64_t{8} << 20;
// Edge sizes, offsets and widths a skin gives are held within this many
// pixels either way: more than any window shows, and small enough that sums
// of a few of them stay far from overflowing.
constexpr int32_t kSkinMaxExtent = 32767;
int32_t ClampExtent(int32_t value);
// ReadInteger, held within kSkinMaxExtent either way.
int32_t ReadExtent(const TQuickIni& ini, const std::string& section, const std::string& key, int32_t def);

// Four edge sizes in the order left, top, right, bottom.
struct TSkinEdges {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TSkinEdges&) const = default;
};

// Three numbers for red, green and blue. Every run of decimal digits is a
// number, anything else separates them. A number counts once a separator
// follows it; one still pending at the end of the text counts only as the
// third, so "10 20" is red 10 alone. Each is taken modulo 256; missing
// ones are 0 and any after the third are ignored.
TColor strcolor(const std::string& text);
// strcolor, or def for an empty text.
TColor GetColor(const std::string& text, TColor def);

// The keys base+"R", base+"G", base+"B" of section (default -1 each). The
// colour is set, each channel modulo 256, only when all three are 0 or more;
// otherwise color keeps its value. Answers whether it was set.
bool ReadRGB(const TQuickIni& ini, const std::string& section, const std::string& base, TColor& color);

// The package file an image reference names: its name part (any path
// dropped), or "" when that does not end in exactly ".bmp". The package
// lookup itself ignores letter case; the extension test does not, so
// "Buttons.BMP" names no image while "Buttons.bmp" does.
std::string SkinImageName(const std::string& reference);

// What a system-button section of the ini says, before its image is loaded.
struct TSysButtonSpec {
    std::string Name;    // the section name, upper-cased
    std::string Section; // as the ini spells it
    int32_t Action = 0;
    int32_t Align = 0;
    int32_t Xcoord = 0;
    int32_t Ycoord = 0;
    int32_t Visibility = 0;
    int32_t Visibility1 = 0;
    int32_t CombineOp = -1;
    int32_t Frame = 0;
    std::string ImageRef; // the "ButtonImage" value
};

// The system-button sections (names beginning with "BUTTON", but not the
// push-button sections, nor a hidden button without an action) in ini
// order, with their keys read. A help button (Action 4) takes the place
// of an earlier maximize button shown only when maximizing is possible
// (Action 1, Visibility 2).
std::vector<TSysButtonSpec> ReadSysButtonSpecs(const TQuickIni& ini);

// The frame count of a system button whose ini gave `frame`: a given count
// stands; 0 means "guess from the image": 6, or 3 when the image is at most
// 3.8 times as wide as high, and always 6 for a negative action. clearImage
// is set when the guessed button must draw no image (actions 3 and 11).
int32_t SysButtonFrames(int32_t frame, int32_t imageWidth, int32_t imageHeight, int32_t action,
                        bool& clearImage);

// Frames of a check-box or radio-button strip whose ini gave none: one per
// 13 columns for images under 16 pixels high, else one per 16, at least 4.
int32_t CheckFrames(int32_t frame, int32_t imageWidth, int32_t imageHeight);

// The section names beginning with "COLOUR" (any case) other than
// "COLOURS", in ini order: the skin's preset colours.
std::vector<std::string> PreColorSections(const TQuickIni& ini);

// ---------------------------------------------------------------------------
// The readers of the skin loading, one per object shape: what a section
// says, with images still as references. The loader loads the images and
// puts the values on its skin objects; nothing here needs a window.

// What every skin object holds besides its images.
struct TSkinObjectValues {
    std::string Image, Image2; // image references ("" for none)
    TSkinEdges Margins;
    int32_t Style = 0, Frame = 0, Trans = 0, Tile = 0;
    int32_t NormalColour = -1, MouseOverColour = -1, PressedColour = -1;
    TColor NormalColour2 = clBtnText, MouseOverColour2 = clBtnText, PressedColour2 = clBtnText;
};

// A plain object section: "Image", "Style", the margins, "Frame", "Trans",
// "Tile" (above 1 reads as 0) and the colours, whose text forms default to
// text. With image2Key (a border object) the second image comes from that
// key and no "Frame" is read.
TSkinObjectValues ReadObjectValues(const TQuickIni& ini, const std::string& section, TColor text,
                                   const char* image2Key = nullptr);
// The progress bar: "Bitmap", "Style", margins, "Trans", "Tile" (above 1
// reads as 1); no frame count, no colours.
TSkinObjectValues ReadProgressValues(const TQuickIni& ini, const std::string& section);
// The menu bar of "Personality": "menuBar", "TileMenu" (above 1 reads as 1),
// the left and right margins from "TileLeftMenu" and "TileRightMenu" [1].
TSkinObjectValues ReadMenuBarValues(const TQuickIni& ini, const std::string& section);
// One border of "Personality" (side: "Left", "Right", "Top" or "Bottom"):
// its image, the two unstretched ends (top and bottom for the sides, left
// and right for top and bottom), "Frame", "Stretch" (as Tile, above 1
// reads as 1) and "Trans" [1 each].
TSkinObjectValues ReadBorderValues(const TQuickIni& ini, const std::string& side);

struct TSkinBoxLabelValues : TSkinObjectValues {
    int32_t BackgroundAlignment = 0, BackgroundLeftShift = 0, BackgroundRightShift = 0;
};
// The group box: a plain object section without "Frame", and its caption
// background's alignment and shifts.
TSkinBoxLabelValues ReadBoxLabelValues(const TQuickIni& ini, const std::string& section, TColor text);

struct TSkinTitleValues : TSkinObjectValues {
    int32_t TextAlignment = 0, TextBackground = 0, FontHeight = 14;
    int32_t TXTBackleft = 0, TXTBackRight = 0;
    TColor ActiveTextColor = clNone, InActiveTextColor = clNone;
};
// The caption text of "Personality": its background image "TextBack", the
// text's offsets as margins, alignment, background mode and widths, the
// font height of "Fonts" (held to what a caption can show) and the text
// colours.
TSkinTitleValues ReadTitleValues(const TQuickIni& ini, const std::string& section);

struct TSkinButtonValues : TSkinObjectValues {
    std::string CheckImage, RadioImage;
    int32_t RadioFrame = 0, CheckFrame = 0;
    bool NormalColour2Given = false, MouseOverColour2Given = false, PressedColour2Given = false;
};
// The push buttons of "Buttons", with the check-box and radio-button images.
TSkinButtonValues ReadButtonValues(const TQuickIni& ini, TColor text);

// The "Colours" section in the order the loader reads it: the key, the
// value (its default when the key is missing or empty) and whether the key
// gave it.
struct TSkinColourValue {
    const char* Key;
    TColor Value;
    bool Given;
};
constexpr int kSkinColourKeys = 16;
std::array<TSkinColourValue, kSkinColourKeys> ReadColourValues(const TQuickIni& ini);

// The three MDI buttons cut out of the "MDICONTROLS" image of the given
// width: each button's source columns and its distance from the right.
struct TMdiButtonPlace {
    int32_t SourceLeft = 0, SourceRight = 0, Xcoord = 0;
};
std::array<TMdiButtonPlace, 3> MdiButtonPlaces(int32_t imageWidth);

// ---------------------------------------------------------------------------
// The skin ini as a whole, as the skin loading reads it. The loader loads
// the images these values name; skinpack's check holds a skin against the
// same reading, so the two cannot disagree about what a skin says.

// The plain image objects, in the order the loader reads them, with the
// frame count the engine draws each with.
struct TSkinObjectRule {
    const char* Section;
    const char* Image2Key; // the key of a second image (objects of the border shape); null for none
    // Frames > 0: the count, whatever the ini says. Otherwise the ini's
    // count (the key FrameKey, or "Frame"), and FrameDefault when that is 0.
    int32_t Frames;
    int32_t FrameDefault;
    const char* FrameKey;
};
extern const std::array<TSkinObjectRule, 27> kSkinObjectRules;

struct TSkinIniObject {
    const TSkinObjectRule* Rule;
    TSkinObjectValues Values; // Frame is the count drawn with
};

struct TSkinIniValues {
    std::array<TSkinObjectValues, 4> Borders; // of kSkinBorderSides
    std::array<TSkinColourValue, kSkinColourKeys> Colours;
    std::vector<TColor> PreColors;
    std::vector<TSysButtonSpec> SysButtons;
    std::string MdiImage; // "Image" of "MDICONTROLS"
    TSkinButtonValues Button;
    TSkinTitleValues Title;
    TSkinObjectValues Progress, MenuBar;
    TSkinBoxLabelValues GroupBox;
    std::vector<TSkinIniObject> Objects; // one per rule, in the rules' order

    // The values of a rule's section, or null for a section no rule has.
    const TSkinObjectValues* Object(const std::string& section) const;
};
inline constexpr const char* kSkinBorderSides[4] = {"Left", "Right", "Top", "Bottom"};

TSkinIniValues ReadSkinIni(const TQuickIni& ini);

// Sections a skin carries for people and skin choosers (its name, author
// and format version); the loading has no use for them.
inline constexpr const char* kSkinInfoSections[] = {"TitlebarSkin", "Skins"};
