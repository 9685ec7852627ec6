#include "skin/winskinsample.h"

#include <algorithm>

#include "runtime/sysutils.h"
#include "skin/winskinimage.h"
#include "skinfiles/winskinini.h"

namespace {

const TColor kFace = static_cast<TColor>(RGB(237, 236, 226));
const TColor kDesk = static_cast<TColor>(RGB(58, 96, 128));
const TColor kWindowText = static_cast<TColor>(RGB(255, 255, 255));
const TColor kDisabledText = static_cast<TColor>(RGB(172, 170, 158));

TSkinIniValues ReadValues(const TSkinFiles& files)
{
    for (const auto& [name, data] : files) {
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".ini") != 0) continue;
        TMemoryStream text;
        text.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        text.SetPosition(0);
        TQuickIni ini;
        ini.LoadFromStream(&text);
        return ReadSkinIni(ini);
    }
    throw Exception("the skin holds no .ini file");
}

// The skin's own colour of a "Colours" key, or def.
TColor Colour(const TSkinIniValues& v, const char* key, TColor def)
{
    for (const TSkinColourValue& c : v.Colours)
        if (c.Given && std::string(c.Key) == key) return c.Value;
    return def;
}

} // namespace

TSkinSample::TSkinSample(TSkinFiles files, int width, int height)
    : files_(std::move(files)), values_(ReadValues(files_))
{
    page_.SetPixelFormat(pf24bit);
    page_.SetSize(width, height);
    canvas_ = page_.Canvas();
    canvas_->Brush()->SetColor(Colour(values_, "ButtonFace", kFace));
    canvas_->FillRect(Rect(0, 0, width, height));
    canvas_->Font()->SetName("Tahoma");
    canvas_->Font()->SetHeight(-11);
    ::SetBkMode(dc(), TRANSPARENT);
}

TBitmap* TSkinSample::Img(const std::string& reference)
{
    // A part the ini gives no image is one the skin leaves to the system.
    if (reference.empty()) return nullptr;
    const std::string name = LowerCase(SkinImageName(reference));
    auto& slot = images_[name];
    if (!slot) {
        const auto file = files_.find(name);
        if (name.empty() || file == files_.end())
            throw Exception("the skin holds no image \"" + reference + "\"");
        TMemoryStream data;
        data.WriteBuffer(file->second.data(), static_cast<int64_t>(file->second.size()));
        data.SetPosition(0);
        auto image = std::make_unique<TBitmap>();
        try {
            image->LoadFromStream(data, kSkinPixelBudget);
        } catch (const Exception& e) {
            throw Exception(name + ": " + e.Message);
        }
        slot = std::move(image);
    }
    return slot.get();
}

void TSkinSample::Label(int x, int y, const std::string& text, TColor color)
{
    canvas_->Font()->SetColor(color);
    canvas_->Brush()->SetStyle(bsClear);
    canvas_->TextOut(x, y, text);
    canvas_->Brush()->SetStyle(bsSolid);
}

void TSkinSample::Fill(const TRect& r, TColor color)
{
    canvas_->Brush()->SetColor(color);
    canvas_->FillRect(r);
}

int TSkinSample::BorderWidth()
{
    const TSkinObjectValues& left = values_.Borders[0];
    TBitmap* image = Img(left.Image);
    return image ? image->GetWidth() / std::max(1, left.Frame) : 4;
}

int TSkinSample::CaptionHeight()
{
    const TSkinObjectValues& top = values_.Borders[2];
    TBitmap* image = Img(top.Image);
    return image ? image->GetHeight() / std::max(1, top.Frame) : 25;
}

void TSkinSample::Window(int x, int y, int w, int h, bool active, const std::string& caption)
{
    const TSkinObjectValues& left = values_.Borders[0];
    const TSkinObjectValues& right = values_.Borders[1];
    const TSkinObjectValues& top = values_.Borders[2];
    const TSkinObjectValues& bottom = values_.Borders[3];
    auto frameOf = [&](const TSkinObjectValues& b) { return active || b.Frame < 2 ? 1 : 2; };
    TBitmap* rightImage = Img(right.Image);
    TBitmap* bottomImage = Img(bottom.Image);
    const int lw = BorderWidth(), rw = rightImage ? rightImage->GetWidth() / std::max(1, right.Frame) : 4;
    const int th = CaptionHeight(),
              bh = bottomImage ? bottomImage->GetHeight() / std::max(1, bottom.Frame) : 4;
    Fill(Bounds(x - 6, y - 6, w + 12, h + 12), kDesk);
    DrawRect2(dc(), Bounds(x, y, lw, h), Img(left.Image), false, false, left.Trans != 0, left.Frame,
              frameOf(left), Margins(left.Margins));
    DrawRect2(dc(), Bounds(x + w - rw, y, rw, h), Img(right.Image), false, false, right.Trans != 0,
              right.Frame, frameOf(right), Margins(right.Margins));
    DrawRect2(dc(), Bounds(x + lw, y, w - lw - rw, th), Img(top.Image), true, false, top.Trans != 0,
              top.Frame, frameOf(top), Margins(top.Margins));
    DrawRect2(dc(), Bounds(x + lw, y + h - bh, w - lw - rw, bh), Img(bottom.Image), true, false,
              bottom.Trans != 0, bottom.Frame, frameOf(bottom), Margins(bottom.Margins));
    Fill(Rect(x + lw, y + th, x + w - rw, y + h - bh), Colour(values_, "ButtonFace", kFace));

    const TColor textColour = active ? Colour(values_, "TitleTextActive", kWindowText)
                                     : Colour(values_, "TitleTextNoActive", kWindowText);
    int textLeft = x + lw + 8;
    for (const TSysButtonSpec& b : values_.SysButtons) {
        // The window icon's place (its own image is the program's), and the
        // caption buttons of a window that can be maximized, not the restore
        // button of one that is.
        const int bx = b.Align == 1 ? x + w - b.Xcoord : x + b.Xcoord;
        if (b.Action == 3) {
            Fill(Bounds(bx, y + b.Ycoord, 16, 16), static_cast<TColor>(RGB(230, 120, 40)));
            Fill(Bounds(bx + 3, y + b.Ycoord + 3, 10, 10), static_cast<TColor>(RGB(255, 220, 120)));
            textLeft = std::max(textLeft, bx + 22);
            continue;
        }
        TBitmap* image = b.Visibility == 1 ? nullptr : Img(b.ImageRef);
        if (!image) continue;
        bool clearImage = false;
        const int frames =
            SysButtonFrames(b.Frame, image->GetWidth(), image->GetHeight(), b.Action, clearImage);
        if (clearImage || frames <= 0) continue;
        DrawRect1(dc(), Bounds(bx, y + b.Ycoord, image->GetWidth() / frames, image->GetHeight()), image, true,
                  frames, active || frames < 4 ? 1 : 4);
    }
    Label(textLeft, y + (th - 13) / 2, caption, textColour);
}

void TSkinSample::Frames(int x, int y, const std::string& name, int frames, int cw, int ch,
                         const TRect& margins, bool vertical, int gap)
{
    for (int f = 1; f <= frames; ++f)
        DrawRect2(dc(), Bounds(x + (cw + gap) * (f - 1), y, cw, ch), Img(name), vertical, false, true, frames,
                  f, margins);
}

void TSkinSample::Button(int x, int y, int w, int h, int frame, const std::string& text)
{
    const TSkinButtonValues& b = values_.Button;
    DrawRect2(dc(), Bounds(x, y, w, h), Img(b.Image), false, b.Tile != 0, b.Trans != 0, 5, frame,
              Margins(b.Margins));
    TRect r = Bounds(x, y + (frame == 2 ? 1 : 0), w, h);
    canvas_->Font()->SetColor(frame == 3 ? kDisabledText : b.NormalColour2);
    canvas_->Brush()->SetStyle(bsClear);
    canvas_->DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    canvas_->Brush()->SetStyle(bsSolid);
}

void TSkinSample::Check(int x, int y, char kind, int frame, const std::string& text)
{
    const TSkinButtonValues& b = values_.Button;
    TBitmap* image = Img(kind == 'r' ? b.RadioImage : b.CheckImage);
    if (!image) return;
    const int frames =
        CheckFrames(kind == 'r' ? b.RadioFrame : b.CheckFrame, image->GetWidth(), image->GetHeight());
    const int size = image->GetWidth() / std::max(1, frames);
    DrawRect1(dc(), Bounds(x, y, size, image->GetHeight()), image, true, frames, frame);
    Label(x + size + 5, y + (image->GetHeight() - 13) / 2, text);
}

void TSkinSample::HorzScrollBar(int x, int y, int length, bool enabled)
{
    const TSkinObjectValues* arrows = Object("Scrollbar");
    const TSkinObjectValues* track = Object("HorzScroll");
    const TSkinObjectValues* thumb = Object("HorzScrollThumb");
    DrawRect1(dc(), Bounds(x, y, 17, 17), Img(arrows->Image), true, arrows->Frame, enabled ? 1 : 3);
    DrawRect2(dc(), Bounds(x + 17, y, length - 34, 17), Img(track->Image), false, track->Tile != 0, false,
              track->Frame, enabled ? 1 : 3, Margins(track->Margins));
    DrawRect1(dc(), Bounds(x + length - 17, y, 17, 17), Img(arrows->Image), true, arrows->Frame,
              enabled ? 5 : 7);
    if (!enabled) return;
    const TRect t = Bounds(x + 17 + (length - 34) / 5, y, std::max(20, (length - 34) / 3), 17);
    DrawRect2(dc(), t, Img(thumb->Image), false, thumb->Tile != 0, true, thumb->Frame, 1,
              Margins(thumb->Margins));
    DrawRect3(dc(), t, Img(arrows->Image), true, arrows->Frame, 17);
}

void TSkinSample::VertScrollBar(int x, int y, int length, bool enabled)
{
    const TSkinObjectValues* arrows = Object("Scrollbar");
    const TSkinObjectValues* track = Object("VertScroll");
    const TSkinObjectValues* thumb = Object("VertScrollThumb");
    DrawRect1(dc(), Bounds(x, y, 17, 17), Img(arrows->Image), true, arrows->Frame, enabled ? 9 : 11);
    DrawRect2(dc(), Bounds(x, y + 17, 17, length - 34), Img(track->Image), false, track->Tile != 0, false,
              track->Frame, enabled ? 1 : 3, Margins(track->Margins));
    DrawRect1(dc(), Bounds(x, y + length - 17, 17, 17), Img(arrows->Image), true, arrows->Frame,
              enabled ? 13 : 15);
    if (!enabled) return;
    const TRect t = Bounds(x, y + 17 + (length - 34) / 6, 17, std::max(20, (length - 34) / 3));
    DrawRect2(dc(), t, Img(thumb->Image), false, thumb->Tile != 0, true, thumb->Frame, 1,
              Margins(thumb->Margins));
    DrawRect3(dc(), t, Img(arrows->Image), true, arrows->Frame, 20);
}

void TSkinSample::UpDown(int x, int y, int upState, int downState, bool vertical)
{
    const TSkinObjectValues* o = Object(vertical ? "UpDown.Vert" : "UpDown.Horz");
    TBitmap* faces = Img(o->Image);
    TBitmap* glyphs = Img(o->Image2);
    if (!faces) return;
    const int fw = faces->GetWidth() / std::max(1, o->Frame), fh = faces->GetHeight();
    const TRect first = Bounds(x, y, fw, fh);
    const TRect second = vertical ? Bounds(x, y + fh, fw, fh) : Bounds(x + fw, y, fw, fh);
    DrawRect1(dc(), first, faces, true, o->Frame, upState);
    DrawRect3(dc(), first, glyphs, true, o->Frame, upState);
    DrawRect1(dc(), second, faces, true, o->Frame, 4 + downState);
    DrawRect3(dc(), second, glyphs, true, o->Frame, 4 + downState);
}

void TSkinSample::Field(const TRect& r)
{
    Fill(r, static_cast<TColor>(RGB(255, 255, 255)));
    canvas_->Pen()->SetColor(Colour(values_, "ButtonShadow", static_cast<TColor>(RGB(128, 128, 128))));
    canvas_->Brush()->SetStyle(bsClear);
    canvas_->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    canvas_->Brush()->SetStyle(bsSolid);
}

void TSkinSample::Menu(int x, int y, int w, const std::vector<std::string>& items, int hot)
{
    const TSkinObjectValues* bg = Object("MenuBackground");
    const TSkinObjectValues* item = Object("MenuItem");
    int h = 4;
    for (const std::string& text : items)
        h += text.empty() ? 8 : 22;
    DrawRect2(dc(), Bounds(x, y, w, h), Img(bg->Image), false, bg->Tile != 0, false, 1, 1,
              Margins(bg->Margins));
    int iy = y + 2;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].empty()) {
            canvas_->Pen()->SetColor(
                Colour(values_, "ButtonShadow", static_cast<TColor>(RGB(128, 128, 128))));
            canvas_->MoveTo(x + 26, iy + 4);
            canvas_->LineTo(x + w - 4, iy + 4);
            iy += 8;
            continue;
        }
        const bool isHot = static_cast<int>(i) == hot;
        DrawRect2(dc(), Bounds(x + 2, iy, w - 4, 20), Img(item->Image), false, false, true, item->Frame,
                  isHot ? 4 : 1, Margins(item->Margins));
        Label(x + 30, iy + 3, items[i],
              isHot ? Colour(values_, "HilightText", clBlack) : Colour(values_, "MenuText", clBlack));
        iy += 22;
    }
}
