// Skinned controls: TSkinControl, the base every skinned-control kind derives
// from, the host interface the skinned frame offers them, and the list of
// controls a frame has attached. Win32 only.
//
// A TSkinControl sits in front of one control's message handling: the
// framework's WindowProc for framework controls (also windowless ones such as
// speed buttons), the window procedure for plain windows. Every message goes
//
//     NewWndProc -> BeforeProc -> (true) Default -> AfterProc
//
// so a kind can paint before, after or instead of the control. Kinds read the
// control only through by-name property access (components/typinfo.h:
// GetProperty, GetIntProperty, GetEnumProperty, GetStringProp, GetObjProp,
// GetObjMethod, SetProperty); a property the class does not publish reads as
// empty or 0, so a kind attached to an unexpected class paints with defaults.
//
// Writing a kind (see skin/winskinbutton.h for a complete one):
//   - derive from TSkinControl, construct with the owner the matcher gives
//     (the control, or none for plain windows);
//   - override BeforeProc to take messages away from the control (answer
//     false after setting Message.Result), AfterProc to react after it, and
//     DrawControl to paint; WMPaint and PaintControl bring DrawControl a DC;
//   - call the base BeforeProc/AfterProc for what the kind does not handle:
//     they keep WM_NCDESTROY, the "is skinned" query and the repaints on
//     focus, enable and text changes working;
//   - register the kind by name (TSkinKindRegistration below) so that the
//     matcher can create it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/comctrls.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "skin/winskindata.h"

class TSkinControl;
class TSkinControlList;
class TToolBar;
class TToolButton;
class TMenu;

// Engine messages understood by skinned controls and their frame.
constexpr UINT WM_SKIN_CONTROLSWITCH = 0x3506;    // wParam > 0 skin painting on, else off
constexpr UINT WM_SKIN_CONTROLRECREATED = 0x3517; // to the frame: wParam = the old control handle
constexpr UINT WM_SKIN_CONTROLSKINNED = 0x3523;   // a skinned control answers 1

// Attachment states (TSkinControl::State).
constexpr int SkinStateAttached = 1;
constexpr int SkinStateReleased = 2;
constexpr int SkinStateWindowGone = 6;

// Buttons, check boxes, radio buttons and speed buttons with this Tag paint
// over their parent's background instead of filling their own.
constexpr int32_t SkinTransparentTag = 5555;

// ---------------------------------------------------------------------------
// What a skinned control needs from the frame that attached it. The skinned
// frame implements it; tests implement it with a plain form.

class TSkinControlHost {
public:
    virtual ~TSkinControlHost() = default;

    // The skinned top-level window.
    virtual HWND HostHandle() = 0;
    // The framework form behind the window, or null for a window without one
    // (a message box, a dialog of another module).
    virtual TCustomForm* HostForm() = 0;
    virtual TSkinData* HostSkinData() = 0;
    // The frame's second work canvas, which controls may draw through.
    virtual TCanvas* HostCanvas() = 0;
    // Whether the frame is skinning the window now (its state is "attached").
    virtual bool HostActive() = 0;
    // The list of attached controls the frame owns.
    virtual TSkinControlList& HostControls() = 0;

    // The control under the mouse, kept for windows without a form: their
    // controls cannot be told the mouse left, so the frame's hover timer ends
    // the hot look through it (TSkinControl::MouseLeave).
    TSkinControl* HotControl = nullptr;

    // Menus the matcher comes across (a container's pop-up menus, a tool
    // bar's menu): the frame makes their items owner-drawn when it skins
    // menus. Nothing by default.
    virtual void SkinMenu(TMenu* /*menu*/) {}
};

// ---------------------------------------------------------------------------

class TSkinControl : public TComponent {
    ORVANE_CLASS(TSkinControl, TComponent)
    // owner: the control being skinned, or null for a plain window (the
    // control list then frees the object).
    explicit TSkinControl(TComponent* AOwner);
    ~TSkinControl() override;

    // --- Attaching (once per object)
    // To the framework control that owns the object: hooks its WindowProc,
    // joins the frame's list, with recolour replaces the control's Color by
    // csButtonFace (given back by Unsubclass), repaints.
    virtual void Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas);
    // To a plain window: replaces its window procedure (the wide variant for
    // Unicode windows), joins the frame's list, repaints.
    virtual void Inithwnd(HWND wnd, TSkinData* data, TSkinControlHost* frame, TCanvas* canvas);
    // How the matcher attaches a kind it created: Init by default. Kinds
    // that attach differently (windowless controls, scroll-bar overlays)
    // override it.
    virtual void Attach(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas);
    // Gives back what Init changed besides the hook (colour; kinds: more).
    // The hook itself goes with the object.
    virtual void Unsubclass();

    // --- Routing
    // The replacement handler: 0x3506 switches, a switched-off object passes
    // everything to Default, else BeforeProc / Default / AfterProc.
    void NewWndProc(TMessage& Message);
    // The control's own handling: its previous WindowProc, or the previous
    // window procedure for a plain window.
    void Default(TMessage& Message);
    // true: let the control handle the message, then AfterProc runs; false:
    // handled here (set Message.Result).
    virtual bool BeforeProc(TMessage& Message);
    virtual void AfterProc(TMessage& Message);

    // --- Painting
    // dc may be null: the window's DC is fetched and given back. Records the
    // screen rectangle and calls DrawControl with the window-relative one;
    // failures inside are swallowed.
    virtual void PaintControl(HDC dc);
    virtual void DrawControl(HDC dc, const TRect& rect);
    // The skin was changed: recolour again, repaint.
    virtual void SkinChange();
    virtual int GetState() { return 1; }

    // A graphic control's own invalidation, else invalidate with erase and
    // update at once.
    void Invalidate();
    // Ends the hot look (the frame's hover timer, for windows without a form).
    void MouseLeave();

    // --- State the frame and the matcher look at
    TControl* Control = nullptr;         // the framework control; null for plain windows
    TGraphicControl* GControl = nullptr; // set for windowless controls only
    HWND hwnd = nullptr;
    TSkinData* fsd = nullptr;
    TSkinControlHost* Frame = nullptr;
    TCanvas* WorkCanvas = nullptr; // the frame's second work canvas, not owned
    int State = 0;                 // SkinStateAttached / Released / WindowGone
    bool SkinActive = true;        // off: every message goes straight to the control
    bool Inited = false;
    bool Recolor = false; // the control's Color was replaced at attach time
    TColor SavedColor = clNone;
    bool EnabledLook = true; // false paints the control as disabled
    bool UnicodeWnd = false;
    std::wstring Caption;
    TRect WindowRect; // the control's window rectangle on screen at the last paint
    uint8_t Scratch = 0;
    // The registered kind name the matcher created this object as.
    std::string KindName;
    // Kind-specific values.
    int32_t Kind = 0;
    uint8_t Kind1 = 0, Kind2 = 0;
    // What the replacement WindowProc shares with us (winsubclass.cpp).
    struct THookState;
    // Whether the hook is in place (the control's WindowProc or the window
    // procedure points here).
    bool Hooked() const { return hookedProc_ || oldWndProc_ != nullptr; }

protected:
    // --- Painting helpers for the kinds
    void FillBG(HDC dc, const TRect& rect);       // csButtonFace
    void FillParentBG(HDC dc, const TRect& rect); // the parent's integer Color, else csButtonFace
    void FillColor(HDC dc, const TRect& rect, TColor color);
    // A focus rectangle 2 pixels wider and 1 taller than textRect on each
    // side, clipped to clip.
    void DrawFocus(HDC dc, const TRect& textRect, const TRect& clip);
    // Text with a transparent background, centred vertically (and
    // horizontally when center), in clGrayText when !enabled; the font must
    // be selected. Answers the rectangle the text took.
    TRect DrawCaption(HDC dc, const std::wstring& text, const TRect& rect, bool center, bool enabled,
                      TColor color);
    // Glyph image `index` of a strip beside a caption, on a button face of
    // rect: Margin from the face's edge and Spacing between them (-1:
    // automatic), the caption wrapped in what the glyph leaves of the face
    // less 2 pixels each side, aligned towards the glyph. The key colour is
    // the strip's own. Answers the caption's rectangle.
    TRect DrawImgCaption(HDC dc, const TRect& rect, TBitmap* glyph, int32_t numGlyphs, int32_t index,
                         const std::wstring& text, int layout, int32_t margin, int32_t spacing, TColor color,
                         TColor key);
    // The object's image, frames side by side, nine-sliced with its margins
    // (centre tiled when Tile is 1), key-transparent when Trans is 1.
    void DrawSkinMap(HDC dc, const TRect& rect, int32_t frames, int32_t frame, TDataSkinObject* obj);
    // One frame of bitmap stretched to rect with the key colour left out:
    // to a DC through a canvas, through DrawTranmap, and onto a canvas.
    void DrawSkinMap1(HDC dc, const TRect& rect, TBitmap* bitmap, int32_t frames, int32_t frame);
    void DrawSkinMap2(HDC dc, const TRect& rect, TBitmap* bitmap, int32_t frames, int32_t frame);
    void DrawSkinMap3(TCanvas* canvas, const TRect& rect, TBitmap* bitmap, int32_t frames, int32_t frame);
    // csButtonFace, then the object's nine-sliced frame: into the engine's
    // shared off-screen bitmap (DrawBuf copies it out), or into target.
    void DrawSkin(const TRect& rect, TDataSkinObject* obj, int32_t frames, int32_t frame, bool transparent);
    void DrawBMPSkin(TBitmap* target, const TRect& rect, TDataSkinObject* obj, int32_t frames, int32_t frame,
                     bool transparent);
    void DrawBuf(HDC dc, const TRect& rect);
    static TBitmap* SharedBuffer();
    // DrawControl between BeginPaint and EndPaint, or into the DC in wParam.
    void WMPaint(TMessage& Message);
    // The parent's background under a framework control, else the parent
    // colour; answers 1.
    void WMERASEBKGND(TMessage& Message);
    // DrawText flags plus right-to-left reading for a right-to-left control.
    UINT CheckBiDi(UINT flags);
    int TextHeight(HDC dc, const std::wstring& text);
    LONG_PTR GetWindowLongEx(int index);

    // The caption: the Caption property, or the window text of a plain window.
    std::wstring ControlCaption();
    // The control's font (a plain window: the window's font), selected into
    // dc by the holder and put back as it goes.
    class TFontSelect {
    public:
        TFontSelect(TSkinControl& owner, HDC dc);
        ~TFontSelect();
        TFontSelect(const TFontSelect&) = delete;
        TFontSelect& operator=(const TFontSelect&) = delete;

    private:
        HDC dc_;
        HGDIOBJ old_ = nullptr;
    };
    // The window's rectangle relative to itself (0, 0, width, height); a
    // graphic control's bounds size.
    TRect ControlRect();
    bool HasFocus();
    TWinControl* ParentControl();
    HWND ParentHandle();

    // Hooks a framework control's WindowProc (Init and kinds that attach
    // their own way); Unhook puts the previous one back.
    void HookControl(TControl* control);
    void Unhook();
    // The window of the control now (a framework control may have recreated
    // it), or the plain window.
    HWND Wnd() const;

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    static LRESULT CALLBACK HwndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void UnhookWindow();
    void LeaveList();

    // Shared with the replacement WindowProc: a hook someone installed over
    // ours keeps a copy of it, which must pass messages on once we are gone.
    std::shared_ptr<THookState> hook_;
    bool hookedProc_ = false;
    WNDPROC oldWndProc_ = nullptr; // plain windows
    HWND hookedWnd_ = nullptr;
    bool savedParentColor_ = false;
    TSkinControlList* list_ = nullptr;
    // Cleared by the destructor: a handler may free the control (and this
    // object with it) while a message is being routed.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    friend class TSkinControlList;
};

// ---------------------------------------------------------------------------
// Kinds by name. Each kind's unit registers itself with a static object:
//
//     static TSkinKindRegistration reg("TSkinEdit", [](TComponent* o) -> TSkinControl* {
//         return new TSkinEdit(o); });
//
// The matcher creates kinds only through this table; a kind nobody registered
// leaves its control unskinned and says so through the skin data's DoDebug.

using TSkinKindFactory = std::function<TSkinControl*(TComponent* owner)>;
// An empty factory takes the kind out again.
void RegisterSkinKind(const std::string& kind, TSkinKindFactory factory);
bool SkinKindRegistered(const std::string& kind);
// A new object of the kind, or null when nobody registered it.
TSkinControl* CreateSkinKind(const std::string& kind, TComponent* owner);

struct TSkinKindRegistration {
    TSkinKindRegistration(const char* kind, TSkinKindFactory factory)
    {
        RegisterSkinKind(kind, std::move(factory));
    }
};

// The frame's tool-bar custom-draw handlers: the unit that paints tool bars
// installs them; the matcher gives them to tool bars whose events are
// unassigned and the list takes them back on release.
struct TSkinToolBarHandlers {
    std::function<void(TSkinControlHost& frame, TToolBar* bar, const TRect& rect, bool& defaultDraw)>
        DrawBackground;
    std::function<void(TSkinControlHost& frame, TToolBar* bar, TToolButton* button, TCustomDrawState state,
                       bool& defaultDraw)>
        DrawButton;
};
TSkinToolBarHandlers& SkinToolBarHandlers();

// ---------------------------------------------------------------------------
// The controls one frame has attached. The frame owns one and delegates its
// control operations to it. Objects owned by their control are freed with it
// (they leave the list as they go); objects of plain windows are the list's.

class TSkinControlList {
public:
    explicit TSkinControlList(TSkinControlHost& host);
    ~TSkinControlList(); // DeleteControls
    TSkinControlList(const TSkinControlList&) = delete;
    TSkinControlList& operator=(const TSkinControlList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TSkinControl* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    TSkinControl* FindObject(const TControl* control) const;
    TSkinControl* FindObject(HWND wnd) const;

    // Adds unless present; answers whether it was present.
    bool AddControlList(TSkinControl* control);
    // Removes without freeing.
    void DeleteControl(TSkinControl* control);
    // Releases and frees every object: tool bars first lose the handlers the
    // engine gave them, every object not in state 6 is unsubclassed.
    void DeleteControls();
    // Frees objects whose window is gone.
    void DeleteSkinDeleted();
    // Every attached object's SkinChange.
    void SkinChange();

    // --- Attaching (skin/winskinmatch*.cpp)
    // DeleteSkinDeleted, then every control the form owns.
    void InitControls(TWinControl* form);
    void InitControlA(TComponent* container);
    void InitChildCtrl(TWinControl* container);
    void AddComp(TControl* control, TComponent* container);
    // Whether the skin data's Skin3rd list claimed the control (className
    // in upper or lower case).
    bool Find3rdControl(const std::string& className, TControl* control);
    void DisableControl(TControl* control);
    bool FindSkinComp(TControl* control);
    bool IsScrollControl(TControl* control);
    void DoSkinEdit(TControl* control);
    void InitNestform(TControl* control);
    // Windows without a framework form, by window class.
    void InitHwndControls(HWND wnd);
    void AddControlh(HWND wnd);
    // A control recreated its window (0x3517, wParam = old handle): the
    // object of the old window goes and the control is matched again.
    void Reattach(HWND oldHandle);

    TSkinControlHost& Host() const { return host_; }

private:
    // Creates a kind through the registry and attaches it to control;
    // reports unknown kinds. Answers the object or null.
    // prepare runs between creating and attaching.
    TSkinControl* NewKind(const char* kind, TControl* control, bool recolor, int32_t kindValue = 0,
                          const std::function<void(TSkinControl*)>& prepare = {});
    TSkinControl* NewKindh(const char* kind, HWND wnd);
    void NoSuchKind(const char* kind, const std::string& what);
    bool MatchRow(TControl* control, const std::string& upperClass, TComponent* container);
    void SkinToolBar(TToolBar* bar);
    void ForgetToolBar(const TControl* control);
    void ChildrenOf(TControl* control, const std::function<void(TControl*)>& fn);
    void ReleaseToolBars();

    TSkinControlHost& host_;
    std::vector<TSkinControl*> items_;
    // Tool bars given the frame's custom-draw handlers, and which of the two
    // each got (a handler the program set stays the program's).
    struct TGivenHandlers {
        TToolBar* Bar;
        bool Background, Button;
    };
    std::vector<TGivenHandlers> toolBars_;
    std::vector<HWND> seen_; // plain windows already examined
    bool deleting_ = false;
};
