// Controls: the base of everything on a form. A TControl has bounds, a
// parent, a font and colour, and receives messages through its replaceable
// WindowProc; a TWinControl owns a real window; a TGraphicControl has none
// and is painted and fed mouse messages by its parent. Win32 only.
//
// Message path: the window procedure finds the object through the window
// property named ControlOfs<instance><thread>, calls WindowProc (WndProc
// unless replaced), WndProc calls Dispatch, which hands each message to the
// handler named after it (WMPaint, CMEnabledChanged ...); what no handler
// takes goes to DefaultHandler, which for a window is its previous window
// procedure. Exceptions escaping a handler are caught in the window procedure
// and reported through the application's HandleException.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "framework/hints.h"
#include "framework/messages.h"

class TControl;
class TWinControl;
class TPopupMenu;

ORVANE_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
ORVANE_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
ORVANE_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = TSet<TShiftStateItem>;

ORVANE_ENUM(TControlStyleItem, csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents,
            csFramed, csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible,
            csReplicatable, csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents,
            csNeedsBorderPaint, csParentBackground)
using TControlStyle = TSet<TControlStyleItem>;

ORVANE_ENUM(TControlStateItem, csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded,
            csFocusing, csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking)
using TControlState = TSet<TControlStateItem>;

// Cursor identifiers; 0 leaves the window class's cursor alone.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

ORVANE_EVENT(TMouseEvent, void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y));
ORVANE_EVENT(TMouseMoveEvent, void(TObject* Sender, TShiftState Shift, int X, int Y));
ORVANE_EVENT(TKeyEvent, void(TObject* Sender, WORD& Key, TShiftState Shift));
ORVANE_EVENT(TKeyPressEvent, void(TObject* Sender, char& Key));

// The modifier keys and buttons of a mouse message's wParam, and of the
// keyboard's current state.
TShiftState KeysToShiftState(WORD keys);
TShiftState KeyboardStateToShiftState();

// The module whose resources (layouts, bitmaps) the framework loads.
HINSTANCE MainInstance();

// The control a window belongs to, or null for windows that are not ours.
TWinControl* FindControl(HWND wnd);

// Reports the exception being handled (call inside a catch block) through
// the application object; defined with TApplication.
void ApplicationHandleException(TObject* Sender);

// A canvas drawing on a control: its own window, or for a graphic control
// the parent's window clipped to the control. Outside painting the DC is
// fetched on demand and given back by FreeDeviceContexts (the message loop
// calls it when idle).
class TControlCanvas : public TCanvas {
    ORVANE_CLASS(TControlCanvas, TCanvas)
    explicit TControlCanvas(TControl* control = nullptr);
    ~TControlCanvas() override;
    TControl* Control() const { return control_; }
    void SetControl(TControl* control);
    void FreeHandle();
    static void FreeDeviceContexts();

protected:
    void CreateHandle() override;

private:
    TControl* control_;
    TWindowDC dc_;
};

// A hidden window of its own for components that need messages (timers,
// the application): the handler answers whether it took the message; what
// it leaves goes to DefWindowProc. Exceptions from the handler are reported
// through HandleException. The window is counted like every other.
class TUtilityWindow {
public:
    explicit TUtilityWindow(std::function<bool(TMessage&)> handler);
    ~TUtilityWindow();
    TUtilityWindow(const TUtilityWindow&) = delete;
    TUtilityWindow& operator=(const TUtilityWindow&) = delete;
    HWND Handle() const { return wnd_; }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    std::function<bool(TMessage&)> handler_;
    HWND wnd_ = nullptr;
};

class TControl : public TComponent, public IHintSource {
    ORVANE_CLASS(TControl, TComponent)
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // --- Messages
    // Replaceable: whoever replaces it keeps the previous value and passes
    // messages on to it.
    std::function<void(TMessage&)> WindowProc;
    virtual void WndProc(TMessage& Message);
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

    // --- Parent
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);
    void SetParentComponent(TComponent* AParent) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

    // --- Bounds, in the parent's client coordinates (a form's: the screen's)
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    void SetLeft(int32_t value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int32_t value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int32_t value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int32_t value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual TRect ClientRect();
    int32_t ClientWidth() { return ClientRect().Width(); }
    int32_t ClientHeight() { return ClientRect().Height(); }
    virtual void SetClientWidth(int32_t value);
    virtual void SetClientHeight(int32_t value);
    virtual TPoint ClientToScreen(TPoint p);
    virtual TPoint ScreenToClient(TPoint p);
    TAlign GetAlign() const { return align_; }
    void SetAlign(TAlign value);

    // --- Appearance and state
    bool GetVisible() const { return visible_; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible (a form: its window shown).
    virtual bool Showing() const;
    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont* value) { font_->Assign(value); }
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string& value);
    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& value) { SetText(value); }
    const std::string& GetHint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    std::string HintToShow() const override;
    HWND HintHolder() const override;
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor value);
    // Opened by a right click on the control (WM_CONTEXTMENU).
    TPopupMenu* GetPopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* value);

    TControlStyle ControlStyle;
    TControlState ControlState;
    // An opaque control paints its whole rectangle, so the parent need not
    // erase under it; a transparent one needs the parent's background.
    void SetOpaque(bool opaque)
    {
        if (opaque)
            ControlStyle.Include(csOpaque);
        else
            ControlStyle.Exclude(csOpaque);
    }

    // --- Painting and order
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // --- Mouse
    bool MouseCapture() const;
    void SetMouseCapture(bool value);
    virtual void Click();
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Resize();
    void RequestAlign();
    virtual void FontChanged(TObject* Sender);

    // Handlers named after their messages.
    virtual void WMMouseButton(TMessage& Message); // every button down, up, double click
    virtual void WMMouseMove(TMessage& Message);
    virtual void CMEnabledChanged(TMessage& Message);
    virtual void CMVisibleChanged(TMessage& Message);
    virtual void CMColorChanged(TMessage& Message);
    virtual void CMFontChanged(TMessage& Message);
    virtual void CMTextChanged(TMessage& Message);
    virtual void CMParentColorChanged(TMessage& Message);
    virtual void CMParentFontChanged(TMessage& Message);
    virtual void CMParentShowHintChanged(TMessage& Message);
    virtual void CMMouseEnter(TMessage& Message);
    virtual void CMMouseLeave(TMessage& Message);
    virtual void CMHitTest(TMessage& Message);

    TWinControl* parent_ = nullptr;
    int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clWindow;
    bool parentColor_ = true;
    bool parentFont_ = true;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    std::string text_;
    std::string hint_;
    std::unique_ptr<TFont> font_;
    TPopupMenu* popupMenu_ = nullptr;

private:
    friend class TWinControl;
    // The control holding the mouse capture, and the one under the mouse
    // (told CM_MOUSEENTER / CM_MOUSELEAVE). One user-interface thread.
    static TControl* captureControl_;
    static TControl* mouseControl_;
    bool settingParentFont_ = false;
};

// Window creation parameters, filled by CreateParams.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSA WindowClass{};
    std::string WinClassName;
};

class TWinControl : public TControl {
    ORVANE_CLASS(TWinControl, TControl)
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // --- The window
    HWND Handle(); // created on demand
    HWND GetHandleIfAllocated() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // Destroys the window; the next Handle() makes a new one with the same
    // state. Sent as CM_RECREATEWND so that hooks see it.
    void RecreateWnd();
    bool Showing() const override;

    // --- Children, in paint order (last on top)
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(const TControl* AControl) const;
    // The topmost visible graphic child under p (client coordinates).
    TControl* ControlAtPos(TPoint p, bool AllowDisabled) const;
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg);
    void Realign();
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();

    // --- Focus and keyboard
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    int32_t GetTabOrder() const;
    void SetTabOrder(int32_t value);
    bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // The windowed descendants in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop) const;
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    // The top-level control (the form) that tracks focus for this one.
    TWinControl* TopParent();
    // Told by a child window getting the focus; forms track it. Answers
    // false to refuse.
    virtual bool SetFocusedControl(TWinControl* Control);

    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool GetParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);
    int32_t GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t value);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // --- Overrides
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
    TRect ClientRect() override;
    TPoint ClientToScreen(TPoint p) override;
    TPoint ScreenToClient(TPoint p) override;
    std::string GetText() const override;
    void SetText(const std::string& value) override;
    void Invalidate() override;
    void Update() override;
    void Loaded() override;

    // The window procedure every framework window class has.
    static LRESULT CALLBACK StdWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    void BeforeDestruction() override;

    virtual void CreateParams(TCreateParams& Params);
    // Superclasses a system window class (EDIT, BUTTON ...): the window is
    // of that class's kind and DefaultHandler calls its procedure.
    void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
    virtual void CreateHandle();
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    void DestroyHandle();
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    // Runs once the window exists (children are created after it).
    virtual void CreateWindowDone() {}
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void AdjustClientRect(TRect& Rect);

    // Painting: PaintWindow draws the window itself, then the graphic
    // children are painted over it.
    void PaintHandler(TMessage& Message);
    virtual void PaintWindow(HDC DC);
    void PaintControls(HDC DC, TControl* First);
    HBRUSH BackgroundBrush();

    // Keyboard events; answer whether the key was consumed.
    bool DoKeyDown(TMessage& Message);
    bool DoKeyUp(TMessage& Message);
    bool DoKeyPress(TMessage& Message);
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual bool KeyPreviewWanted() const { return false; }
    virtual void DoEnter();
    virtual void DoExit();
    // A descendant left this tree (freed or moved); forms drop references.
    virtual void ControlRemoved(TControl*) {}

    virtual void WMPaint(TMessage& Message);
    virtual void WMEraseBkgnd(TMessage& Message);
    virtual void WMSize(TMessage& Message);
    virtual void WMWindowPosChanged(TMessage& Message);
    virtual void WMSetFocus(TMessage& Message);
    virtual void WMKillFocus(TMessage& Message);
    virtual void WMKeyDown(TMessage& Message);
    virtual void WMKeyUp(TMessage& Message);
    virtual void WMChar(TMessage& Message);
    virtual void WMSetCursor(TMessage& Message);
    virtual void WMMouseLeave(TMessage& Message);
    virtual void WMCaptureChanged(TMessage& Message);
    virtual void WMNCDestroy(TMessage& Message);
    virtual void WMReflect(TMessage& Message); // WM_COMMAND, WM_NOTIFY, scrolls, WM_CTLCOLOR*
    // Owner-drawn menu items are the menus'; a child's items go back to it
    // as CN_DRAWITEM / CN_MEASUREITEM.
    virtual void WMOwnerDraw(TMessage& Message);
    // Opens the PopupMenu of the control (or graphic child) under the point.
    virtual void WMContextMenu(TMessage& Message);
    virtual void CNKeyDown(TMessage& Message);
    virtual void CNKeyUp(TMessage& Message);
    virtual void CNChar(TMessage& Message);
    virtual void CNSysChar(TMessage& Message);
    virtual void CNCtlColor(TMessage& Message);
    virtual void CMDialogKey(TMessage& Message);
    virtual void CMDialogChar(TMessage& Message);
    virtual void CMWantSpecialKey(TMessage& Message);
    virtual void CMEnter(TMessage& Message);
    virtual void CMExit(TMessage& Message);
    virtual void CMFocusChanged(TMessage& Message);
    virtual void CMRecreateWnd(TMessage& Message);
    virtual void CMCtl3DChanged(TMessage& Message);
    virtual void CMParentCtl3DChanged(TMessage& Message);
    virtual void CMSysColorChange(TMessage& Message);
    void CMEnabledChanged(TMessage& Message) override;
    void CMVisibleChanged(TMessage& Message) override;
    void CMColorChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMTextChanged(TMessage& Message) override;

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;

private:
    friend class TControl;
    void AttachHandle(HWND wnd);
    void DetachHandle();
    void RouteMouseToControl(TMessage& Message, TControl* target);
    void UpdateMouseControl(TControl* target);
    void RemoveFocus(TControl* control);
    void FixupTabList();

    std::vector<TControl*> controls_;   // paint order
    std::vector<TWinControl*> tabList_; // tab order
    int32_t tabOrderRead_ = -1;         // as a layout gave it
    bool tabStop_ = false;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    int32_t borderWidth_ = 0;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    bool trackingLeave_ = false;
    std::unique_ptr<TBrush> brush_;
};

// A control without a window: its parent paints it (Paint on Canvas, which
// draws on the parent's DC clipped to the control) and routes mouse
// messages to it.
class TGraphicControl : public TControl {
    ORVANE_CLASS(TGraphicControl, TControl)
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }
    void Dispatch(TMessage& Message) override;

protected:
    virtual void Paint() {}
    virtual void WMPaint(TMessage& Message);

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control that draws itself: Paint on Canvas inside WM_PAINT.
class TCustomControl : public TWinControl {
    ORVANE_CLASS(TCustomControl, TWinControl)
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};
