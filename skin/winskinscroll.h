// Skinned scroll bars. The system's scroll bars of a control cannot be
// painted from outside, so a small window of ours, a TWScrollbar, lies
// exactly over each of them, shows the bar from the skin, and hands every
// press to the control as a press on the real bar: the scrolling itself
// stays the system's. TSkinScrollbar keeps the overlays in step with the
// control and replaces its sunken border. Win32 only.
//
// Of the scroll-bar family only TSkinScrollbar is here: the framework has no
// stand-alone scroll-bar control, list view or combo box, so the kinds for
// those (TSkinScControl, TSkinScrollbarH, TComboxScrollBar, TSkinListView)
// have nothing to attach to.
#pragma once

#include <memory>

#include "framework/extctrls.h"
#include "skin/winskinscrolldraw.h"
#include "skin/winsubclass.h"

// Registers TSkinScrollbar with the matcher's table (also done by a static
// object; calling it makes sure a program that names no kind directly still
// links it). Idempotent.
void RegisterSkinScrollKinds();

class TSkinScrollbar;

// Overlay kinds.
constexpr int wsbHorizontal = 0; // the control's horizontal bar
constexpr int wsbVertical = 1;   // the control's vertical bar

class TWScrollbar : public TCustomPanel {
    ORVANE_CLASS(TWScrollbar, TCustomPanel)
    explicit TWScrollbar(TComponent* AOwner);
    ~TWScrollbar() override;

    // Lies over the control's bar of the kind, as a child of the control's
    // parent, in the parent's colour.
    void Attach(TSkinScrollbar* skin, TWinControl* control, int kind);
    // Follows the bar of wnd: placed over it just above the control in the
    // Z order and shown, or hidden when the bar (or the control) is.
    void SetPosition(HWND wnd);
    void HideScrollbar();
    // The part under p (client coordinates).
    int GetScrollPos(TPoint p);
    // The thumb in client coordinates (empty without one).
    TRect GetThumb();

    void WndProc(TMessage& Message) override;

    TSkinScrollbar* SkinControl = nullptr;
    TWinControl* Control = nullptr;
    HWND ControlWnd = nullptr;
    int Kind = wsbHorizontal;
    int Orientation = 0; // 0 horizontal, 1 vertical
    int ArrowSize = 0;
    int BarLength = 0, ThumbStart = 0, ThumbEnd = 0;
    TRect BarRect;      // in the control's client coordinates
    TPoint BarOrigin;   // the bar's top left on the screen
    TPoint PressCursor; // screen
    int PressThumb = 0; // thumb start at the press
    int Hot = sbpNone;  // the part shown hot or operated
    bool Pressed = false;
    bool Shown = false;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    bool ReadInfo(SCROLLBARINFO& info);
    void Press(TMessage& Message);
    void Release(TMessage& Message);
    void MoveOver(TMessage& Message);
    TSkinData* Data() const;

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TSkinScrollbar : public TSkinControl {
    ORVANE_CLASS(TSkinScrollbar, TSkinControl)
    explicit TSkinScrollbar(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinScrollbar() override;

    // The matcher's way in: InitScrollbar with the owning control.
    void Attach(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas) override;
    virtual void InitScrollbar(TWinControl* control, TSkinData* data, TSkinControlHost* frame,
                               TCanvas* canvas);
    void Unsubclass() override;
    bool BeforeProc(TMessage& Message) override;
    void AfterProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;
    void SkinChange() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Both overlays to their bars.
    void SetScrollbarPos();
    void DrawBorder(HDC dc, const TRect& rect);
    // The border into the window's DC (null: fetched here).
    void BENCPAINT(HDC dc);

    TWScrollbar* HScroll = nullptr; // owned
    TWScrollbar* VScroll = nullptr; // owned
    bool NT51 = false;
    bool Border = false;

private:
    void FreeOverlays();
    void RepaintShown();
    void FillCorner(HDC windowDC);
    bool fixedSaved_ = false;
    TColor savedFixed_ = clNone;
};
