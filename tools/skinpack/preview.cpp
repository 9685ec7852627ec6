#include "tools/skinpack/preview.h"

#include <windows.h>

#include "runtime/bmpcodec.h"
#include "runtime/pngwrite.h"
#include "skin/winskinsample.h"

namespace {

// The places of the two windows are fixed so that a reader of the picture
// (an author's CI, our own test) can find the caption buttons from the ini.
constexpr int kPageWidth = 600, kPageHeight = 420;
constexpr int kWindowTop = 16, kWindowWidth = 270, kWindowHeight = 110;
constexpr int kActiveLeft = 16, kInactiveLeft = 314;

void DrawSample(TSkinSample& s)
{
    s.Window(kInactiveLeft, kWindowTop, kWindowWidth, kWindowHeight, false, "Inactive window");
    s.Window(kActiveLeft, kWindowTop, kWindowWidth, kWindowHeight, true, "Active window");

    int y = 146;
    const char* states[] = {"Normal", "Pressed", "Disabled", "Hot", "Default"};
    for (int f = 1; f <= 5; ++f)
        s.Button(16 + 84 * (f - 1), y, 75, 25, f, states[f - 1]);
    // Speed buttons: up, down, hot.
    const int speedFrames[] = {1, 2, 4};
    const char* speedGlyphs[] = {"B", "I", "U"};
    for (int i = 0; i < 3; ++i)
        s.Button(448 + 26 * i, y + 1, 23, 22, speedFrames[i], speedGlyphs[i]);

    y = 186;
    s.Check(16, y, 'c', 1, "Off");
    s.Check(76, y, 'c', 5, "On");
    s.Check(136, y, 'c', 9, "Mixed");
    s.Check(206, y, 'c', 4, "Disabled");
    s.Check(296, y, 'r', 1, "One");
    s.Check(356, y, 'r', 5, "Two");
    s.Check(416, y, 'r', 4, "Disabled");

    y = 218;
    s.Label(16, y + 4, "Edit:");
    s.Field(Bounds(50, y, 70, 22));
    s.Label(56, y + 4, "42");
    s.UpDown(120, y, 1, 1, true);

    // A memo with both scroll bars, and a menu beside it.
    y = 252;
    const TRect memo = Bounds(16, y, 260, 150);
    s.Field(memo);
    const char* lines[] = {"Level 71.4 dB", "Level 73.0 dB", "Alarm above 85 dB", "Level 69.8 dB",
                           "Level 70.2 dB", "Level 72.6 dB", "Level 74.1 dB"};
    for (int i = 0; i < 7; ++i)
        s.Label(memo.Left + 4, memo.Top + 3 + 16 * i, lines[i]);
    s.VertScrollBar(memo.Right - 18, memo.Top + 1, memo.Bottom - memo.Top - 19, true);
    s.HorzScrollBar(memo.Left + 1, memo.Bottom - 18, memo.Right - memo.Left - 19, true);
    s.Fill(Bounds(memo.Right - 18, memo.Bottom - 18, 17, 17), static_cast<TColor>(RGB(237, 236, 226)));

    s.Label(300, y - 16, "File   Edit   View");
    s.Menu(300, y, 160, {"Open...", "Save", "Save as...", "", "Exit"}, 1);
}

TBmpImage PageImage(TBitmap& page)
{
    TMemoryStream bmp;
    page.SaveToStream(bmp);
    bmp.SetPosition(0);
    return DecodeBmp(bmp);
}

} // namespace

void WritePreview(const TSkinFiles& files, const std::string& out)
{
    TMemoryStream png;
    {
        TSkinSample sample(files, kPageWidth, kPageHeight);
        DrawSample(sample);
        EncodePng(PageImage(sample.Page()), png);
    }
    // Written beside the target and moved over it whole: a reader never
    // sees half a picture, and a failed write leaves the old one.
    png.SaveToFile(out);
}
