// The skin data component's side of its life with the skin manager: joining
// and leaving it, and the numbered actions it asks for.
#include "framework/forms.h"
#include "skin/winskindata.h"
#include "skin/winskinform.h"
#include "skin/winskinframe.h"

namespace {

bool Reading(const TComponent& c)
{
    const TComponentState state = c.ComponentState();
    return state.Contains(csDesigning) || state.Contains(csLoading) || state.Contains(csReading);
}

TSkinManage& Manager()
{
    if (!SkinManager) SkinManager = new TSkinManage();
    return *SkinManager;
}

} // namespace

void TSkinData::RegisterWithManager()
{
    // Skinned scroll bars follow the system's through its scroll-bar
    // information; without it they would be drawn in the wrong place.
    if (!HasScrollBarInfo()) SkinControls.Exclude(xcScrollbar);
    TSkinManage& m = Manager();
    m.AddSkinData(this);
    if (SkinFormtype == sfMainform) {
        m.InstallHook();
        return;
    }
    // Forms of their own skin data are taken over at once: they may be shown
    // before any activation would reach the hook.
    m.Enabled = true;
    ++m.UseState;
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    if (form && active_ && form->HandleAllocated()) m.AddForm(form->Handle());
}

void TSkinData::LeaveManager()
{
    if (SkinManager) SkinManager->RemoveSkinData(this);
}

void TSkinData::AdjustSkinControls()
{
    // The menu bar owner-draws its own items; one of the two menu kinds goes.
    if (SkinControls.Contains(xcMainMenu))
        SkinControls.Exclude(xcMenuItem);
    else
        SkinControls.Exclude(xcSystemMenu);
}

void TSkinData::RequestAction(int action)
{
    TSkinManage& m = Manager();
    m.ActionData = this;
    m.SetAction(action, 250);
}

void TSkinData::MarkManagerInUse()
{
    Manager().UseState = 1;
}

void TSkinData::UpdateSkin()
{
    if (Reading(*this)) return;
    if (!SkinManager) Loaded();
    TSkinManage& m = Manager();
    m.ActionData = this;
    m.DeleteSysbtn();
    if (m.UseState == 1) m.SetAction(3, 250);
}

void TSkinData::RebindFrames()
{
    // A copy: re-initialising a frame makes no frame, but nothing here
    // should depend on that.
    const std::vector<TWinSkinForm*> frames = LiveSkinFrames();
    for (TWinSkinForm* f : frames) {
        if (f->Data != this) continue;
        f->DeleteSysbtn();
        if (f->FrameState != FrameReleased) f->InitSkinData();
    }
}

void TSkinData::RefreshFrames()
{
    for (TWinSkinForm* f : LiveSkinFrames())
        if (f->Data == this && f->FrameState != FrameReleased && IsWindow(f->Wnd))
            PostMessageA(f->Wnd, WM_SKIN_CHANGED, 0, 0);
}

void TSkinData::ChangeForm(TCustomForm* form)
{
    if (!form || !form->HandleAllocated()) return;
    TSkinManage& m = Manager();
    m.ActionWnd = form->Handle();
    RequestAction(7);
}

void TSkinData::SkinForm(HWND wnd)
{
    TSkinManage& m = Manager();
    const bool nested = m.NestedForms;
    m.NestedForms = true; // the caller means this one window, wherever it sits
    m.AddForm(wnd);
    m.NestedForms = nested;
}

void TSkinData::EnableSkin(bool flag)
{
    Manager().Enabled = flag;
}

void TSkinData::InstallThread(DWORD threadId)
{
    Manager().InstallThread(threadId);
}

void TSkinData::UnInstallThread(DWORD threadId)
{
    Manager().UnInstallThread(threadId);
}
