// skin-gallery.exe [OUT.bmp [SKIN-FOLDER]]: draws every picture of the
// default skin, frame by frame and at a few sizes, through the skin's image
// routines onto one off-screen page, and saves the page as a BMP.
#include <cstdio>
#include <string>

#include "framework/graphics.h"
#include "framework/resourcecount.h"
#include "skin/winskinimage.h"
#include "skin/winskinsample.h"
#include "skinfiles/skinpackage.h"

namespace {

const TRect kNone{0, 0, 0, 0};

void DrawPage(TSkinSample& g)
{
    // Windows: active and inactive, at two sizes.
    g.Window(16, 16, 320, 130, true, "Orvane Panel");
    g.Window(352, 16, 320, 130, false, "Orvane Panel (inactive)");
    g.Window(688, 16, 196, 80, true, "Small");

    int y = 170;
    g.Label(16, y, "Push buttons: normal, pressed, disabled, hot, default");
    const char* names[] = {"Normal", "Pressed", "Disabled", "Hot", "Default"};
    for (int f = 1; f <= 5; ++f)
        g.Button(16 + 84 * (f - 1), y + 16, 75, 25, f, names[f - 1]);
    for (int f = 1; f <= 5; ++f)
        g.Button(448 + 90 * (f - 1), y + 8, 84, 36, f, names[f - 1]);

    y = 230;
    g.Label(16, y, "Check boxes (open, ticked, mixed x normal, hot, pressed, disabled), radio buttons");
    g.Frames(16, y + 16, "checkbox.bmp", 12, 13, 13, kNone, false, 6);
    g.Frames(250, y + 16, "radio.bmp", 8, 13, 13, kNone, false, 6);
    g.Frames(420, y + 12, "checkbox.bmp", 12, 26, 26, kNone, false, 4);

    y = 280;
    g.Label(16, y, "System buttons: normal, pressed, hot, disabled (x1 and x2)");
    const char* sys[] = {"close.bmp", "maximize.bmp", "minimize.bmp", "restore.bmp", "help.bmp"};
    for (int i = 0; i < 5; ++i) {
        g.Frames(16 + 92 * i, y + 16, sys[i], 6, 16, 18, kNone, false, 2);
        for (int f = 1; f <= 4; ++f)
            DrawRect1(g.dc(), Bounds(470 + 140 * (i % 3) + 34 * (f - 1), y + 16 + 40 * (i / 3), 32, 36),
                      g.Img(sys[i]), true, 6, f);
    }
    g.Label(16, y + 42, "MDI buttons");
    g.Frames(90, y + 42, "mdicontrols.bmp", 12, 13, 13, kNone, false, 3);

    y = 370;
    g.Label(16, y, "Scroll bars (enabled, disabled), every scroll-bar frame");
    g.HorzScrollBar(16, y + 16, 200, true);
    g.VertScrollBar(470, y + 16, 120, true);
    g.HorzScrollBar(240, y + 16, 200, false);
    g.VertScrollBar(500, y + 16, 120, false);
    g.Frames(16, y + 40, "scrollbar.bmp", 23, 17, 17, kNone, false, 2);
    g.Frames(16, y + 64, "hthumb.bmp", 4, 30, 17, Rect(4, 3, 4, 3));
    g.Frames(160, y + 64, "vthumb.bmp", 4, 17, 30, Rect(3, 4, 3, 4));

    g.Label(560, y, "Up-downs: normal, up pressed, hot, disabled");
    const int states[4][2] = {{1, 1}, {2, 1}, {4, 1}, {3, 3}};
    for (int i = 0; i < 4; ++i) {
        g.UpDown(560 + 30 * i, y + 16, states[i][0], states[i][1], true);
        g.UpDown(680 + 30 * i, y + 20, states[i][0], states[i][1], false);
    }

    y = 510;
    g.Label(16, y, "Progress, tabs and pane, combo button, header, status bar");
    DrawRect2(g.dc(), Bounds(16, y + 16, 200, 16), g.Img("progress.bmp"), false, false, true, 2, 1,
              Rect(3, 3, 3, 3));
    DrawRect2(g.dc(), Bounds(16, y + 16, 120, 16), g.Img("progress.bmp"), false, false, true, 2, 2,
              Rect(3, 3, 3, 3));
    DrawRect2(g.dc(), Bounds(16, y + 40, 200, 12), g.Img("chunk.bmp"), false, true, true, 1, 1, kNone);
    g.Frames(240, y + 16, "tabs.bmp", 5, 56, 21, Rect(4, 4, 4, 2), false, 0);
    DrawRect2(g.dc(), Bounds(240, y + 36, 280, 50), g.Img("tabpane.bmp"), false, false, false, 1, 1,
              Rect(3, 3, 3, 3));
    g.Frames(540, y + 16, "combobutton.bmp", 4, 17, 21, Rect(3, 3, 3, 3));
    g.Frames(630, y + 20, "extra.bmp", 5, 9, 9, kNone);
    g.Frames(540, y + 44, "headerbar.bmp", 5, 60, 20, Rect(3, 3, 3, 3), false, 0);
    g.Frames(540, y + 70, "statusbar.bmp", 3, 80, 20, Rect(3, 3, 3, 3), false, 4);

    y = 610;
    g.Label(16, y, "Menu: background and items");
    g.Menu(16, y + 16, 160, {"Restore", "", "Close"}, 2);
    g.Label(230, y, "Track bars, thumbs, minimized caption");
    DrawRect2(g.dc(), Bounds(200, y + 30, 200, 5), g.Img("track.bmp"), false, false, false, 1, 1,
              Rect(3, 2, 3, 2));
    g.Frames(200, y + 40, "trackthumb.bmp", 5, 11, 20, kNone);
    g.Frames(280, y + 40, "trackthumbdown.bmp", 5, 11, 20, kNone);
    DrawRect2(g.dc(), Bounds(420, y + 16, 5, 70), g.Img("trackvert.bmp"), false, false, false, 1, 1,
              Rect(2, 3, 2, 3));
    DrawRect2(g.dc(), Bounds(440, y + 16, 160, 29), g.Img("mincaption.bmp"), false, false, true, 1, 1,
              Rect(3, 3, 3, 3));

    // The library's built-in bitmaps.
    g.Label(620, y, "Built in: TRACK, TRACKVERT, menu glyphs");
    TBitmap track, vert, glyphs;
    track.LoadFromResourceName(nullptr, SkinTrackResource);
    vert.LoadFromResourceName(nullptr, SkinTrackVertResource);
    glyphs.LoadFromResourceName(nullptr, SkinMenuGlyphsResource);
    DrawRect2(g.dc(), Bounds(620, y + 20, 120, 4), &track, false, false, false, 1, 1, Rect(3, 3, 3, 3));
    DrawRect2(g.dc(), Bounds(750, y + 16, 4, 70), &vert, false, false, false, 1, 1, Rect(3, 3, 3, 3));
    DrawRect1(g.dc(), Bounds(620, y + 34, 128, 32), &glyphs, false, 1, 1);
}

int Run(const std::string& bmpFile, const std::string& folder)
{
    const int gdi0 = TResourceCount::GdiObjects;
    {
        TSkinFiles files;
        const TSkinPackageWriter skin = TSkinPackageWriter::FromFolder(folder);
        for (const TSkinPackageFile& f : skin.Files())
            files[f.Name] = f.Data;
        TSkinSample g(std::move(files), 900, 710);
        DrawPage(g);
        g.Page().SaveToFile(bmpFile);
    }
    if (TResourceCount::GdiObjects != gdi0) {
        std::printf("skin-gallery: %d GDI objects left behind\n", TResourceCount::GdiObjects - gdi0);
        return 1;
    }
    std::printf("skin-gallery: %s\n", bmpFile.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc > 1 ? argv[1] : "skin-gallery.bmp",
                   argc > 2 ? argv[2] : ORVANE_SOURCE_DIR "/assets/skin");
    } catch (const std::exception& e) {
        std::printf("skin-gallery: %s\n", e.what());
        return 2;
    }
}
