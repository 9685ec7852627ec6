// The MDI state the skin manager keeps for all frames: while a child is
// maximized the children carry no window region (the MDI frame shows their
// buttons in its menu band instead); restored, they are shaped again.
#include "skin/winskinform.h"
#include "skin/winskinframe.h"

namespace {

void ApplyMDIMax(TSkinManage& m, bool flag)
{
    for (TWinSkinForm* f : m.FormList) {
        if (!f || f->FormStyle != sfsMDIChild || f->FrameState == FrameReleased) continue;
        if (flag) {
            f->Uncropwindow();
        } else {
            f->WindowState = swsNormal;
            f->Cropwindow();
            if (!f->RegionApplied) f->Refresh();
        }
    }
}

} // namespace

void TSkinManage::SetMDIMax(bool flag)
{
    if (flag == MDIChildMax) return;
    MDIChildMax = flag;
    // The first option lets MDI children keep their system scroll bars and,
    // with them, their shape while maximized.
    if (MainData && MainData->Options.Contains(xoMDIScrollbar)) return;
    ApplyMDIMax(*this, flag);
}

void TSkinManage::SetMDIMax2(bool flag)
{
    if (flag == MDIChildMax) return;
    MDIChildMax = flag;
    ApplyMDIMax(*this, flag);
}

void TSkinManage::SetCaption()
{
    for (TWinSkinForm* f : FormList)
        if (f && f->FormStyle == sfsMDIChild && IsWindow(f->Wnd))
            SetWindowLongPtrA(f->Wnd, GWL_STYLE, GetWindowLongPtrA(f->Wnd, GWL_STYLE) | WS_CAPTION);
}

int TSkinManage::GetMDIChildNum() const
{
    int n = 0;
    for (TWinSkinForm* f : FormList)
        if (f && f->FormStyle == sfsMDIChild && f->FrameState != FrameReleased) ++n;
    return n;
}
