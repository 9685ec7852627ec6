// The value syntax of the skin ini and the rules the skin loader applies to
// what it reads, kept apart from the bitmaps so that they run (and are
// tested) without a window: colour texts, RGB key triples, image
// references, the system-button sections and their frame counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/colors.h"
#include "skinfiles/winskinini.h"

// ---------------------------------------------------------------------------
// What a skin may ask for. Skins come from strangers: nothing they say may
// cost unbounded memory.

// The pixels the images of one package may hold together: several
// full-screen backgrounds, far below what a few crafted bytes could ask for.
constexpr int64_t kSkinPixelBudget = int64_t{8} << 20;

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
