// TWinControl: alignment of children, bounds, and painting (the window
// itself, then its graphic children over it).
#include <algorithm>

#include "framework/controls.h"

// --- Alignment

void TWinControl::EnableAlign()
{
    if (alignDisabled_ > 0 && --alignDisabled_ == 0) Realign();
}

void TWinControl::Realign()
{
    if (alignDisabled_ || aligning_) return;
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
    TRect r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
}

void TWinControl::AdjustClientRect(TRect& Rect)
{
    Rect = TRect(Rect.Left + borderWidth_, Rect.Top + borderWidth_, Rect.Right - borderWidth_,
                 Rect.Bottom - borderWidth_);
}

void TWinControl::AlignControls(TControl*, TRect& Rect)
{
    aligning_ = true;
    try {
        for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
            std::vector<TControl*> list;
            for (TControl* c : controls_)
                if (c->align_ == a && c->visible_) list.push_back(c);
            // Controls of one side keep the order of their positions.
            std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
                switch (a) {
                case alTop:
                    return x->top_ < y->top_;
                case alBottom:
                    return x->top_ + x->height_ > y->top_ + y->height_;
                case alLeft:
                    return x->left_ < y->left_;
                case alRight:
                    return x->left_ + x->width_ > y->left_ + y->width_;
                default:
                    return false;
                }
            });
            for (TControl* c : list) {
                switch (a) {
                case alTop:
                    c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), c->height_);
                    Rect.Top += c->height_;
                    break;
                case alBottom:
                    c->SetBounds(Rect.Left, Rect.Bottom - c->height_, Rect.Width(), c->height_);
                    Rect.Bottom -= c->height_;
                    break;
                case alLeft:
                    c->SetBounds(Rect.Left, Rect.Top, c->width_, Rect.Height());
                    Rect.Left += c->width_;
                    break;
                case alRight:
                    c->SetBounds(Rect.Right - c->width_, Rect.Top, c->width_, Rect.Height());
                    Rect.Right -= c->width_;
                    break;
                default:
                    c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
                    break;
                }
            }
        }
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    FixupTabList();
    Realign();
}

// --- Bounds

void TWinControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    const bool sized = AWidth != width_ || AHeight != height_;
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    if (handle_) {
        // WM_WINDOWPOSCHANGED and WM_SIZE follow, and realign and resize.
        SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (sized) {
        Realign();
        Resize();
    }
    if (align_ != alNone) RequestAlign();
}

TRect TWinControl::ClientRect()
{
    if (handle_) {
        RECT r;
        GetClientRect(handle_, &r);
        return r;
    }
    // Without a window: the bounds less the frame the window would get.
    TCreateParams params;
    CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    return Rect(0, 0, std::max<int32_t>(0, width_ - (frame.right - frame.left)),
                std::max<int32_t>(0, height_ - (frame.bottom - frame.top)));
}

TPoint TWinControl::ClientToScreen(TPoint p)
{
    POINT q = p;
    ::ClientToScreen(Handle(), &q);
    return {q.x, q.y};
}

TPoint TWinControl::ScreenToClient(TPoint p)
{
    POINT q = p;
    ::ScreenToClient(Handle(), &q);
    return {q.x, q.y};
}

void TWinControl::WMWindowPosChanged(TMessage& Message)
{
    RECT r;
    GetWindowRect(handle_, &r);
    if (HWND parent = GetParent(handle_); parent && (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
    DefaultHandler(Message);
}

void TWinControl::WMSize(TMessage& Message)
{
    DefaultHandler(Message);
    Realign();
    Resize();
}

// --- Text and painting

std::string TWinControl::GetText() const
{
    if (!handle_) return text_;
    const int len = GetWindowTextLengthA(handle_);
    if (len <= 0) return {};
    std::string text(static_cast<size_t>(len) + 1, '\0');
    const int got = GetWindowTextA(handle_, text.data(), len + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

void TWinControl::SetText(const std::string& value)
{
    if (value == GetText()) return;
    text_ = value;
    if (handle_) Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    Perform(CM_TEXTCHANGED);
}

void TWinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, !ControlStyle.Contains(csOpaque));
}

void TWinControl::Update()
{
    if (handle_) UpdateWindow(handle_);
}

HBRUSH TWinControl::BackgroundBrush()
{
    return brush_->Handle();
}

void TWinControl::WMPaint(TMessage& Message)
{
    if (controls_.empty() && !ControlState.Contains(csCustomPaint))
        DefaultHandler(Message);
    else
        PaintHandler(Message);
}

void TWinControl::PaintHandler(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT ps{};
    const bool own = dc == nullptr;
    if (own) dc = BeginPaint(handle_, &ps);
    try {
        {
            TSaveDC save(dc);
            PaintWindow(dc);
        }
        PaintControls(dc, nullptr);
    } catch (...) {
        if (own) EndPaint(handle_, &ps);
        throw;
    }
    if (own) EndPaint(handle_, &ps);
}

void TWinControl::PaintWindow(HDC DC)
{
    // A system class paints itself into the DC it is given.
    if (defWndProc_ && defWndProc_ != DefWindowProcA) {
        TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
        DefaultHandler(m);
    }
}

void TWinControl::PaintControls(HDC DC, TControl* First)
{
    auto it = controls_.begin();
    if (First) it = std::find(controls_.begin(), controls_.end(), First);
    for (; it != controls_.end(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->visible_) continue;
        const RECT r = c->BoundsRect();
        if (!RectVisible(DC, &r)) continue;
        TSaveDC save(DC);
        POINT org;
        GetWindowOrgEx(DC, &org);
        SetWindowOrgEx(DC, org.x - c->left_, org.y - c->top_, nullptr);
        IntersectClipRect(DC, 0, 0, c->width_, c->height_);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    }
}

void TWinControl::WMEraseBkgnd(TMessage& Message)
{
    RECT r;
    GetClientRect(handle_, &r);
    FillRect(reinterpret_cast<HDC>(Message.WParam), &r, BackgroundBrush());
    Message.Result = 1;
}
