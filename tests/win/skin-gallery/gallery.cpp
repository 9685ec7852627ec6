// skin-gallery.exe [OUT.bmp [SKIN-FOLDER]]: draws every picture of the
// default skin, frame by frame and at a few sizes, through the skin's image
// routines onto one off-screen page, and saves the page as a BMP. A page
// rather than a window: what the routines draw is the subject, and an
// off-screen page looks the same on every display.
#include <cstdio>
#include <map>
#include <string>

#include "framework/graphics.h"
#include "framework/resourcecount.h"
#include "skin/winskinimage.h"

namespace {

const TColor kDesk = static_cast<TColor>(RGB(58, 96, 128));
const TColor kFace = static_cast<TColor>(RGB(237, 236, 226));
const TRect kNone{0, 0, 0, 0};

class TGallery {
public:
    TGallery(const std::string& folder, int w, int h) : folder_(folder)
    {
        page_.SetPixelFormat(pf24bit);
        page_.SetSize(w, h);
        c_ = page_.Canvas();
        c_->Brush()->SetColor(kFace);
        c_->FillRect(Rect(0, 0, w, h));
        c_->Font()->SetName("Tahoma");
        c_->Font()->SetHeight(-11);
        ::SetBkMode(dc(), TRANSPARENT);
    }

    TBitmap& Page() { return page_; }
    HDC dc() { return c_->Handle(); }

    TBitmap* Img(const std::string& name)
    {
        auto& slot = images_[name];
        if (!slot) {
            slot = std::make_unique<TBitmap>();
            slot->LoadFromFile(folder_ + "/" + name);
        }
        return slot.get();
    }

    void Label(int x, int y, const std::string& text, TColor color = clBlack)
    {
        c_->Font()->SetColor(color);
        c_->Brush()->SetStyle(bsClear);
        c_->TextOut(x, y, text);
        c_->Brush()->SetStyle(bsSolid);
    }

    void Fill(const TRect& r, TColor color)
    {
        c_->Brush()->SetColor(color);
        c_->FillRect(r);
    }

    // A skinned window frame at (x, y), w by h, as the frame engine puts it
    // together: side borders 4 wide, a 25-pixel caption, a 4-pixel bottom.
    void Window(int x, int y, int w, int h, bool active, const std::string& caption)
    {
        Fill(Bounds(x - 6, y - 6, w + 12, h + 12), kDesk);
        const int frame = active ? 1 : 2;
        DrawRect2(dc(), Bounds(x, y, 4, h), Img("left.bmp"), false, false, true, 2, frame, Rect(0, 25, 0, 4));
        DrawRect2(dc(), Bounds(x + w - 4, y, 4, h), Img("right.bmp"), false, false, true, 2, frame,
                  Rect(0, 25, 0, 4));
        DrawRect2(dc(), Bounds(x + 4, y, w - 8, 25), Img("top.bmp"), true, false, true, 2, frame,
                  Rect(49, 0, 82, 0));
        DrawRect2(dc(), Bounds(x + 4, y + h - 4, w - 8, 4), Img("bottom.bmp"), true, false, false, 2, frame,
                  Rect(49, 0, 82, 0));
        Fill(Rect(x + 4, y + 25, x + w - 4, y + h - 4), kFace);
        // The window icon's place, then the caption text.
        Fill(Bounds(x + 8, y + 7, 16, 16), static_cast<TColor>(RGB(230, 120, 40)));
        Fill(Bounds(x + 11, y + 10, 10, 10), static_cast<TColor>(RGB(255, 220, 120)));
        Label(x + 30, y + 6, caption,
              active ? static_cast<TColor>(RGB(255, 255, 241)) : static_cast<TColor>(RGB(237, 236, 231)));
        // Close, the disabled maximize, minimize; inactive windows show frame 4.
        DrawRect1(dc(), Bounds(x + w - 20, y + 6, 16, 18), Img("close.bmp"), true, 6, active ? 1 : 4);
        DrawRect1(dc(), Bounds(x + w - 38, y + 6, 16, 18), Img("maximize.bmp"), true, 6, 4);
        DrawRect1(dc(), Bounds(x + w - 56, y + 6, 16, 18), Img("minimize.bmp"), true, 6, active ? 1 : 4);
    }

    // Every frame of an image, each stretched (nine-sliced) to cw by ch.
    void Frames(int x, int y, const std::string& name, int frames, int cw, int ch, const TRect& margins,
                bool vertical = false, int gap = 4)
    {
        for (int f = 1; f <= frames; ++f)
            DrawRect2(dc(), Bounds(x + (cw + gap) * (f - 1), y, cw, ch), Img(name), vertical, false, true,
                      frames, f, margins);
    }

    void Button(int x, int y, int w, int h, int frame, const std::string& text)
    {
        DrawRect2(dc(), Bounds(x, y, w, h), Img("buttons.bmp"), false, false, true, 5, frame,
                  Rect(7, 7, 7, 7));
        TRect r = Bounds(x, y + (frame == 2 ? 1 : 0), w, h);
        c_->Font()->SetColor(frame == 3 ? static_cast<TColor>(RGB(172, 170, 158)) : clBlack);
        c_->Brush()->SetStyle(bsClear);
        c_->DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        c_->Brush()->SetStyle(bsSolid);
    }

    void ScrollBars(int x, int y, int vx, int length, bool enabled)
    {
        TBitmap* arrows = Img("scrollbar.bmp");
        // Horizontal.
        DrawRect1(dc(), Bounds(x, y, 17, 17), arrows, true, 23, enabled ? 1 : 3);
        DrawRect2(dc(), Bounds(x + 17, y, length - 34, 17), Img("hscroll.bmp"), false, false, false, 4,
                  enabled ? 1 : 3, Rect(2, 2, 2, 2));
        DrawRect1(dc(), Bounds(x + length - 17, y, 17, 17), arrows, true, 23, enabled ? 5 : 7);
        if (enabled) {
            DrawRect2(dc(), Bounds(x + 40, y, 50, 17), Img("hthumb.bmp"), false, false, true, 4, 1,
                      Rect(4, 3, 4, 3));
            DrawRect3(dc(), Bounds(x + 40, y, 50, 17), arrows, true, 23, 17);
        }
        // Vertical, at vx.
        DrawRect1(dc(), Bounds(vx, y, 17, 17), arrows, true, 23, enabled ? 9 : 11);
        DrawRect2(dc(), Bounds(vx, y + 17, 17, 86), Img("vscroll.bmp"), false, false, false, 4,
                  enabled ? 1 : 3, Rect(2, 2, 2, 2));
        DrawRect1(dc(), Bounds(vx, y + 103, 17, 17), arrows, true, 23, enabled ? 13 : 15);
        if (enabled) {
            DrawRect2(dc(), Bounds(vx, y + 30, 17, 40), Img("vthumb.bmp"), false, false, true, 4, 1,
                      Rect(3, 4, 3, 4));
            DrawRect3(dc(), Bounds(vx, y + 30, 17, 40), arrows, true, 23, 20);
        }
    }

    void UpDown(int x, int y, int upState, int downState, bool vertical)
    {
        TBitmap* faces = Img(vertical ? "updownvert.bmp" : "updownhorz.bmp");
        TBitmap* glyphs = Img(vertical ? "updownvertglyph.bmp" : "updownhorzglyph.bmp");
        const TRect first = vertical ? Bounds(x, y, 16, 11) : Bounds(x, y, 11, 16);
        const TRect second = vertical ? Bounds(x, y + 11, 16, 11) : Bounds(x + 11, y, 11, 16);
        DrawRect1(dc(), first, faces, true, 8, upState);
        DrawRect3(dc(), first, glyphs, true, 8, upState);
        DrawRect1(dc(), second, faces, true, 8, 4 + downState);
        DrawRect3(dc(), second, glyphs, true, 8, 4 + downState);
    }

private:
    std::string folder_;
    TBitmap page_;
    TCanvas* c_ = nullptr;
    std::map<std::string, std::unique_ptr<TBitmap>> images_;
};

void DrawPage(TGallery& g)
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
    g.ScrollBars(16, y + 16, 470, 200, true);
    g.ScrollBars(240, y + 16, 500, 200, false);
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
    DrawRect2(g.dc(), Bounds(16, y + 16, 160, 70), g.Img("menubg.bmp"), false, true, false, 1, 1,
              Rect(23, 0, 0, 0));
    const int items[] = {1, 2, 4};
    const char* itemText[] = {"Restore", "", "Close"};
    for (int i = 0; i < 3; ++i) {
        DrawRect2(g.dc(), Bounds(16, y + 18 + 22 * i, 160, 20), g.Img("menuitem.bmp"), false, false, true, 5,
                  items[i], Rect(23, 3, 3, 3));
        if (*itemText[i]) g.Label(46, y + 21 + 22 * i, itemText[i]);
    }
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
        TGallery g(folder, 900, 710);
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
