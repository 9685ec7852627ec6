// TSkinSample: pieces of a skin (window frames, buttons, scroll bars,
// up-downs, menus) drawn through the skin's image routines onto one
// off-screen page, with the frame counts and margins the skin's ini gives.
// A page rather than windows: what the routines draw is the subject, and an
// off-screen page looks the same on every display. The skin gallery and
// skinpack's preview both draw with it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "framework/graphics.h"
#include "skinfiles/skincheck.h"
#include "skinfiles/skinvalues.h"

class TSkinSample {
public:
    // Raises Exception when files hold no ini.
    TSkinSample(TSkinFiles files, int width, int height);

    TBitmap& Page() { return page_; }
    HDC dc() { return canvas_->Handle(); }
    const TSkinIniValues& Values() const { return values_; }

    // The image a reference names (loaded once), or null for an empty
    // reference: the drawing routines then draw nothing for that part.
    // Raises Exception naming the image when the skin lacks it or it is no
    // bitmap.
    TBitmap* Img(const std::string& reference);

    void Label(int x, int y, const std::string& text, TColor color = clBlack);
    void Fill(const TRect& r, TColor color);

    // A window frame at (x, y), w by h, as the frame engine puts it together
    // from the four borders, with the caption buttons the ini places. The
    // caption buttons show frame 1 when active and frame 4 when not.
    void Window(int x, int y, int w, int h, bool active, const std::string& caption);
    // The left border's width and the caption's height.
    int BorderWidth();
    int CaptionHeight();

    // Every frame of an image side by side, each stretched to cw by ch.
    void Frames(int x, int y, const std::string& name, int frames, int cw, int ch, const TRect& margins,
                bool vertical = false, int gap = 4);
    // A push button in the given frame of the skin's button image (1 normal,
    // 2 pressed, 3 disabled, 4 hot, 5 default), its text centred.
    void Button(int x, int y, int w, int h, int frame, const std::string& text);
    // A check box (kind 'c') or radio button ('r') in the given frame, its
    // text to the right.
    void Check(int x, int y, char kind, int frame, const std::string& text);
    // A horizontal scroll bar at (x, y) length long, and a vertical one at
    // (vx, vy) vlength long.
    void HorzScrollBar(int x, int y, int length, bool enabled);
    void VertScrollBar(int x, int y, int length, bool enabled);
    // A vertical or horizontal up-down; states are the skin's frames 1..4.
    void UpDown(int x, int y, int upState, int downState, bool vertical);
    // A sunken field (edits, memos) with a white inside.
    void Field(const TRect& r);
    // A drop-down menu at (x, y), w wide; an empty text is a separator, and
    // the item at index hot is highlighted.
    void Menu(int x, int y, int w, const std::vector<std::string>& items, int hot);

private:
    const TSkinObjectValues* Object(const char* section) const { return values_.Object(section); }
    TRect Margins(const TSkinEdges& e) const { return Rect(e.Left, e.Top, e.Right, e.Bottom); }

    TSkinFiles files_;
    TSkinIniValues values_;
    TBitmap page_;
    TCanvas* canvas_ = nullptr;
    std::map<std::string, std::unique_ptr<TBitmap>> images_;
};
