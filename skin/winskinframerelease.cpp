// Letting a window go: the MDI client's replaced procedure, and the three
// ways a frame gives back what it took (skin off, never skinned, window
// destroyed).
#include "skin/winskinform.h"
#include "skin/winskinframe.h"

// ---------------------------------------------------------------------------
// MDI frames

void TWinSkinForm::SubclassMDI()
{
    if (!MDIClient || oldMDIProc_) return;
    SetPropA(MDIClient, SkinFramePropName, this);
    oldMDIProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinSkinForm::MDIClientProc)));
    SavedMenuUpdate = Data ? Data->MenuUpdate : true;
}

void TWinSkinForm::UnSubclassMDI()
{
    if (!MDIClient || !oldMDIProc_) return;
    if (IsWindow(MDIClient)) {
        SetWindowLongPtrA(MDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldMDIProc_));
        RemovePropA(MDIClient, SkinFramePropName);
    }
    oldMDIProc_ = nullptr;
}

LRESULT CALLBACK TWinSkinForm::MDIClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinSkinForm* f = FindSkinFrame(wnd);
    if (!f || !f->oldMDIProc_) return DefWindowProcA(wnd, msg, wParam, lParam);
    const WNDPROC previous = f->oldMDIProc_;
    auto pass = [&] { return CallWindowProcA(previous, wnd, msg, wParam, lParam); };
    switch (msg) {
    case WM_NCDESTROY: {
        const LRESULT r = pass();
        f->UnSubclassMDI();
        return r;
    }
    case WM_NCCALCSIZE:
        if (f->FrameState == FrameSkinned && f->Data && !f->Data->Options.Contains(xoMDIScrollbar))
            SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) & ~(WS_HSCROLL | WS_VSCROLL));
        return pass();
    case WM_MDICREATE:
        if (f->Data) f->Data->MenuUpdate = false;
        return pass();
    case WM_MDIDESTROY: {
        const LRESULT r = pass();
        BOOL maximized = FALSE;
        const HWND active = reinterpret_cast<HWND>(
            SendMessageA(wnd, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
        if (f->Manager) f->Manager->MDIChildMax = active && maximized;
        if (!active && f->Data) f->Data->MenuUpdate = f->SavedMenuUpdate;
        return r;
    }
    case WM_MDITILE:
    case WM_MDICASCADE:
        if (f->Manager) f->Manager->MDIChildMax = false;
        return pass();
    case WM_SKIN_MDIMAX:
        RedrawWindow(f->Wnd, nullptr, nullptr,
                     RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return 0;
    default:
        return pass();
    }
}

// ---------------------------------------------------------------------------
// Release

void TWinSkinForm::RestoreProcedures()
{
    // A form being freed has nothing left to give back to.
    if (formHooked_ && Form && !Form->ComponentState().Contains(csDestroying)) {
        Form->WindowProc = oldFormProc_;
        oldFormProc_ = nullptr;
    }
    formHooked_ = false;
    if (subclassed_) {
        if (IsWindow(Wnd)) {
            if (UnicodeWnd)
                SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWndProc_));
            else
                SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWndProc_));
            RemovePropA(Wnd, SkinFramePropName);
        }
        subclassed_ = false;
    }
    UnSubclassMDI();
}

void TWinSkinForm::ReleaseControls()
{
    HotControl = nullptr;
    if (controls_) controls_->DeleteControls();
}

void TWinSkinForm::UnSubclass()
{
    if (hoverTimer_) hoverTimer_->SetEnabled(false);
    if (!subclassed_) return;
    const bool destroying = FrameState == FrameDestroying;
    RestoreProcedures();
    ReleaseControls();
    menus_->InitPopMenu(false);
    menus_->InitMainMenu(false);
    if (Form && !destroying) Form->SetColor(OldColor);
    if (!Icons.Contains(sbicaption) && (Style & WS_SYSMENU))
        SetWindowLongPtrA(Wnd, GWL_STYLE, GetWindowLongPtrA(Wnd, GWL_STYLE) | WS_SYSMENU);
    menus_->DetachMenuBar();

    // The client area keeps its size under the system frame. A frame that
    // never got as far as activation changed no size.
    RECT r{};
    GetWindowRect(Wnd, &r);
    const bool maximizedTop = WindowState == swsMax && !ChildWnd;
    if (!destroying && !maximizedTop && ControlsInited && SkinFrame) {
        const int w = (r.right - r.left) - (FrameLeft + FrameRight) + SysFrameWidth;
        const int h = (r.bottom - r.top) - (FrameTop + FrameBottom + MenuHeight) + SysFrameHeight;
        POINT pos{r.left, r.top};
        if (FormStyle == sfsMDIChild || ChildWnd) ScreenToClient(GetParent(Wnd), &pos);
        SetWindowPos(Wnd, nullptr, pos.x, pos.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else if (!destroying) {
        Refresh();
    }
    if (RegionApplied || SkinFrame) SetWindowRgn(Wnd, nullptr, !destroying);
    RegionApplied = false;
    RegionWidth = RegionHeight = 0;
}

void TWinSkinForm::UnSubclass3()
{
    hoverTimer_.reset();
    HotObject = nullptr;
    RestoreProcedures();
    ReleaseControls();
    menus_->DetachMenuBar();
}

void TWinSkinForm::UnSubclass2()
{
    if (hoverTimer_) hoverTimer_->SetEnabled(false);
    ReleaseControls();
    menus_->InitPopMenu(false);
    menus_->InitMainMenu(false);
    menus_->DetachMenuBar();
    const bool destroying = FrameState == FrameDestroying;
    if (Form && !destroying) Form->SetColor(OldColor);
    RestoreProcedures();
    if (Form && !destroying)
        for (int i = 0; i < Form->ComponentCount(); ++i)
            if (auto* c = dynamic_cast<TControl*>(Form->Components(i))) c->Invalidate();
}
