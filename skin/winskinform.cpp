// The skin manager: window selection through the CBT hook, the skin data
// choice, the deferred actions and the clean-up order.
#include "skin/winskinform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "framework/controls.h"
#include "skin/winskinframe.h"
#include "skin/winskinmenu.h"

namespace {

std::string MakePropName()
{
    char name[32];
    std::snprintf(name, sizeof name, "ControlOfs%.8X%.8X",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(MainInstance())),
                  static_cast<unsigned>(GetCurrentThreadId()));
    return name;
}

// The manager whose hook is installed; null once it is gone, which is what
// keeps a late hook call from touching a destroyed manager.
TSkinManage* hookedManager = nullptr;

std::string ClassNameOf(HWND wnd)
{
    char name[256] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool IsMDIChild(HWND wnd)
{
    return (GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
}

bool IsChildWindow(HWND wnd)
{
    return (GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD) != 0;
}

TComponent* OwnerForm(const TSkinData* data)
{
    return data ? data->Owner() : nullptr;
}

} // namespace

TSkinManage* SkinManager = nullptr;
std::string PropName = MakePropName();
ATOM ControlAtom = GlobalAddAtomA(PropName.c_str());
UINT RM_GetObjectInstance = RegisterWindowMessageA(PropName.c_str());
bool Win32PlatformIsUnicode = (GetVersion() & 0x80000000u) == 0;
// Other parts key their drawing on this answer as it stands: everything but
// major version 6.
bool IsVista = LOBYTE(LOWORD(GetVersion())) != 6;
WORD WinVersion = 0;

TSkinManage::TSkinManage(bool subManager) : subManager_(subManager)
{
    timer_ = std::make_unique<TTimer>(nullptr);
    timer_->SetEnabled(false);
    timer_->SetInterval(100);
    timer_->OnTimer = [this](TObject* sender) { OnTimer(sender); };
}

TSkinManage::~TSkinManage()
{
    UseState = 4;
    Enabled = false;
    timer_.reset();
    if (OnDestroy) OnDestroy(this);
    if (!subManager_) {
        DeleteAllThreads();
        if (!FormList.empty() || !SubList.empty()) DeleteAllForms();
        FormList.clear();
        // Menu windows still open keep working with their own painting.
        for (auto& menu : MenuList)
            menu->UnSubClass();
        MenuList.clear();
        SkinDataList.clear();
        DeleteAllSub();
    } else if (parent_) {
        DeleteSub();
    }
    RemoveHook();
    if (SkinManager == this) SkinManager = nullptr;
}

void TSkinManage::InstallHook()
{
    WinVersion = LOWORD(GetVersion());
    if (hook_) return;
    hook_ = SetWindowsHookExA(WH_CBT, SkinHookCBT, nullptr, GetCurrentThreadId());
    if (hook_) hookedManager = this;
}

void TSkinManage::RemoveHook()
{
    if (!hook_) return;
    UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    if (hookedManager == this) hookedManager = nullptr;
}

void TSkinManage::InstallThread(DWORD threadId)
{
    for (auto& t : ThreadList)
        if (t->ThreadID == threadId) return;
    auto t = std::make_unique<TSkinThread>();
    t->ThreadID = threadId;
    t->Hook = SetWindowsHookExA(WH_CBT, SkinHookCBT2, nullptr, threadId);
    if (t->Hook) ThreadList.push_back(std::move(t));
}

void TSkinManage::UnInstallThread(DWORD threadId)
{
    auto it = std::find_if(ThreadList.begin(), ThreadList.end(),
                           [&](const auto& t) { return t->ThreadID == threadId; });
    if (it == ThreadList.end()) return;
    UnhookWindowsHookEx((*it)->Hook);
    ThreadList.erase(it);
}

void TSkinManage::DeleteAllThreads()
{
    for (auto& t : ThreadList)
        UnhookWindowsHookEx(t->Hook);
    ThreadList.clear();
}

// Both hook procedures: the one for the manager's own thread and the one for
// threads hooked through InstallThread differ only where the window was made
// on a thread the frames cannot reach. Answers a refusal of creation, or 0.
LRESULT TSkinManage::HookCall(int code, HWND wnd, LPARAM lParam, bool otherThread)
{
    switch (code) {
    case HCBT_CREATEWND: {
        auto* cbt = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        const CREATESTRUCTA* cs = cbt ? cbt->lpcs : nullptr;
        if (cs && cs->hwndParent && Lower(ClassNameOf(wnd)) == "scrollbar") {
            if (TWinSkinForm* frame = FindSkinForm(cs->hwndParent)) {
                // Another thread's system grip would fight the skinned frame
                // from a thread the frame cannot reach; a size grip that
                // appears in a skinned window of ours later than its controls
                // were attached is attached as it comes.
                if (otherThread) return 10;
                if (cs->style & SBS_SIZEGRIP) frame->HostControls().AddControlh(wnd);
            }
        }
        // Menu windows get their skinned menu objects as they come: another
        // thread's all of them, ours unless they are child windows (a
        // sub-manager leaves them to the main one). MDI children are taken as
        // they are created.
        if ((otherThread || (cs && !(cs->style & WS_CHILD) && !Parent())) && ClassNameOf(wnd) == "#32768")
            AddMenu(wnd);
        if (cs && (cs->dwExStyle & WS_EX_MDICHILD)) AddForm(wnd);
        break;
    }
    case HCBT_ACTIVATE:
        if (UseState == 0) UseState = 1;
        AddForm(wnd);
        break;
    case HCBT_DESTROYWND:
        // A frame lets its window go by itself (on WM_NCDESTROY) and is freed
        // with its form or at the next clean-up of released frames; another
        // thread's framework form is released here.
        DeleteMenu(wnd);
        if (otherThread) DeleteForm(wnd);
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CALLBACK TSkinManage::SkinHookCBT(int code, WPARAM wParam, LPARAM lParam)
{
    TSkinManage* m = hookedManager;
    if (m && code >= 0 && m->UseState != 4) m->HookCall(code, reinterpret_cast<HWND>(wParam), lParam, false);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TSkinManage::SkinHookCBT2(int code, WPARAM wParam, LPARAM lParam)
{
    TSkinManage* m = hookedManager;
    if (m && code >= 0 && m->UseState != 4)
        if (LRESULT refused = m->HookCall(code, reinterpret_cast<HWND>(wParam), lParam, true)) return refused;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TSkinManage::AddSkinData(TSkinData* data)
{
    if (!data || std::find(SkinDataList.begin(), SkinDataList.end(), data) != SkinDataList.end()) return;
    SkinDataList.push_back(data);
    if (!MainData && data->SkinFormtype == sfMainform) MainData = data;
}

void TSkinManage::RemoveSkinData(TSkinData* data)
{
    std::erase(SkinDataList, data);
    if (ActionData == data) ActionData = nullptr;
    if (MainData == data) {
        MainData = nullptr;
        for (TSkinData* d : SkinDataList)
            if (d->SkinFormtype == sfMainform) {
                MainData = d;
                break;
            }
    }
}

TSkinData* TSkinManage::FindSkindata(HWND wnd) const
{
    for (TSkinData* d : SkinDataList) {
        if (d->SkinFormtype != sfOnlyThisForm) continue;
        auto* form = dynamic_cast<TWinControl*>(OwnerForm(d));
        if (form && form->HandleAllocated() && form->Handle() == wnd) return d;
    }
    std::string cls = Lower(ClassNameOf(wnd));
    if (cls == "tmessageform" || cls == "#32770")
        for (TSkinData* d : SkinDataList)
            if (d->SkinFormtype == sfDialog) return d;
    for (TSkinData* d : SkinDataList)
        if (d->SkinFormtype == sfMainform) return d;
    return SkinDataList.empty() ? nullptr : SkinDataList.front();
}

bool TSkinManage::OnBeforeSkin(HWND wnd, const std::string& className)
{
    if (!MainData) return true;
    std::string lower = Lower(className);
    bool doSkin = true;
    if (lower.find("preview") != std::string::npos && !MainData->Options.Contains(xoPreview))
        doSkin = false;
    else if (className == "#32770" && (GetWindowLongPtrA(wnd, GWL_STYLE) & DS_SETFOREGROUND))
        doSkin = false;
    else if (lower == "tpopupdbtreeview")
        doSkin = false;
    MainData->DoFormSkin(wnd, className, doSkin);
    return doSkin;
}

bool TSkinManage::NestedForm(HWND wnd) const
{
    if (!IsChildWindow(wnd) || IsMDIChild(wnd)) return false;
    HWND parent = GetParent(wnd);
    return !(parent && Lower(ClassNameOf(parent)) == "mdiclient");
}

void TSkinManage::ActiveForm(TCustomForm* form)
{
    if (form && form->HandleAllocated() && form->GetVisible() && !IsChildWindow(form->Handle()))
        AddForm(form->Handle());
}

TCustomForm* TSkinManage::FindTForm(HWND wnd) const
{
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* f = Screen->Forms(i);
            if (f->HandleAllocated() && f->Handle() == wnd) return f;
        }
    return dynamic_cast<TCustomForm*>(FindControl(wnd));
}

bool TSkinManage::IsDllForm(HWND wnd) const
{
    bool found = false;
    EnumPropsExA(
        wnd,
        [](HWND, LPSTR name, HANDLE, ULONG_PTR param) CALLBACK -> BOOL {
            // Atom-named properties arrive as small integers, not text.
            if (reinterpret_cast<uintptr_t>(name) <= 0xFFFF) return TRUE;
            if (std::string(name).rfind("ControlOfs", 0) != 0) return TRUE;
            *reinterpret_cast<bool*>(param) = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool TSkinManage::AddForm(HWND wnd)
{
    if (!Enabled || !IsWindow(wnd)) return false;
    DeleteDeleted();
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(wnd, WM_SKIN_ISSKINNED, 0, 0, SMTO_NORMAL, 1000, &answer) && answer == 1)
        return false;
    if (FindSkinForm(wnd)) return false;
    TCustomForm* form = FindTForm(wnd);
    if (!NestedForms && NestedForm(wnd)) return false;
    std::string cls = ClassNameOf(wnd);
    bool ours = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(wnd, GWLP_HINSTANCE)) == MainInstance();
    if (!form && !ours && cls != "#32770") return false;
    RECT r{};
    GetWindowRect(wnd, &r);
    if ((r.right <= r.left || r.bottom <= r.top) && !IsMDIChild(wnd)) return false;
    if (form && form->Tag == SkinDisableTag) return false;
    if (cls.find("TcxPopupEditPopupWindow") != std::string::npos ||
        cls.find("TTERenderWindow") != std::string::npos || cls == "TApplication")
        return false;
    if (!OnBeforeSkin(wnd, cls)) return false;
    TSkinData* data = FindSkindata(wnd);
    if (!data || data->NotLoaded) return false;
    TWinSkinForm* frame = CreateFrame(wnd, form, data);
    if (!frame) return false;
    FormList.push_back(frame);
    return true;
}

TWinSkinForm* TSkinManage::CreateFrame(HWND wnd, TCustomForm* form, TSkinData* data)
{
    auto* f = new TWinSkinForm(form);
    f->Manager = this;
    f->Wnd = wnd;
    if (form)
        f->InitTform(data, form);
    else
        f->InitDlg(data);
    PostMessageA(wnd, WM_SKIN_ACTIVATE, 0, 1000);
    return f;
}

void TSkinManage::ReleaseFrame(TWinSkinForm& frame)
{
    frame.UnSubclass();
    frame.FrameState = FrameReleased;
    if (IsWindow(frame.Wnd))
        RedrawWindow(frame.Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

TWinSkinForm* TSkinManage::FindSkinForm(HWND wnd) const
{
    for (TWinSkinForm* f : FormList)
        if (f->Wnd == wnd && f->FrameState != FrameReleased) return f;
    return nullptr;
}

void TSkinManage::FreeFrame(TWinSkinForm* frame)
{
    // The frame's destructor takes it out of the list.
    delete frame;
}

bool TSkinManage::DeleteForm(HWND wnd)
{
    TWinSkinForm* f = FindSkinForm(wnd);
    if (!f || !f->Form) return false;
    f->FrameState = FrameDestroying;
    f->UnSubclass();
    FreeFrame(f);
    return true;
}

void TSkinManage::DeleteForm2(HWND wnd)
{
    std::erase_if(FormList, [&](TWinSkinForm* f) {
        if (f->Wnd != wnd) return false;
        f->Manager = nullptr;
        return true;
    });
}

void TSkinManage::DeleteForm2(TWinSkinForm* frame)
{
    std::erase(FormList, frame);
}

void TSkinManage::DeleteDeleted()
{
    std::vector<TWinSkinForm*> released;
    for (TWinSkinForm* f : FormList)
        if (f->FrameState == FrameReleased) released.push_back(f);
    for (TWinSkinForm* f : released)
        FreeFrame(f);
}

void TSkinManage::DeleteAllForms()
{
    const std::vector<TWinSkinForm*> frames = FormList;
    for (TWinSkinForm* f : frames) {
        if (f->FrameState != FrameReleased) f->UnSubclass3();
        FreeFrame(f);
    }
    FormList.clear();
}

void TSkinManage::SetAction(int action, uint32_t interval)
{
    Action = action;
    if (UseState == 0) {
        // Before the first window is activated there is nothing to take
        // over or give back: the hook does the work as windows come.
        if (action == 1) Enabled = true;
        if (action == 2) Enabled = false;
        return;
    }
    timer_->SetEnabled(false);
    timer_->SetInterval(interval);
    timer_->SetEnabled(true);
}

void TSkinManage::DeleteSysbtn()
{
    for (TWinSkinForm* f : FormList)
        if (f->Data == ActionData) f->DeleteSysbtn();
}

void TSkinManage::OnTimer(TObject*)
{
    timer_->SetEnabled(false);
    TSkinData* data = ActionData;
    if (!data) return;
    RunAction(Action, data);
    // The action may have removed the skin data (its event handler too).
    if (ActionData == data) data->DoSkinChanged();
    ActionData = nullptr;
}

void TSkinManage::RunAction(int action, TSkinData* data)
{
    bool onlyThis = data->SkinFormtype == sfOnlyThisForm;
    switch (action) {
    case 1:
        Enabled = true;
        if (onlyThis) {
            if (NestedForms) ActiveForm(dynamic_cast<TCustomForm*>(OwnerForm(data)));
        } else {
            DeleteDeleted();
            // Every visible top-level form gets its frame back now, not at its
            // next activation; ActiveForm leaves nested forms alone.
            if (Screen)
                for (int i = Screen->FormCount() - 1; i >= 0; --i)
                    ActiveForm(Screen->Forms(i));
            for (TSkinManage* sub : SubList) {
                sub->Enabled = true;
                sub->ActionData = data;
                sub->SetAction(1, 300);
            }
        }
        break;
    case 2:
        Enabled = false;
        DeleteDeleted();
        for (TWinSkinForm* f : std::vector<TWinSkinForm*>(FormList)) {
            if (onlyThis && f->Data != data) continue;
            ReleaseFrame(*f);
            FreeFrame(f);
            if (onlyThis) break;
        }
        if (!onlyThis)
            for (TSkinManage* sub : SubList)
                sub->Enabled = false;
        break;
    case 3: {
        std::vector<TWinSkinForm*> changed;
        for (TWinSkinForm* f : FormList)
            if (f->Data == data && f->FrameState != FrameReleased) {
                f->DeleteSysbtn();
                f->InitSkinData();
                changed.push_back(f);
                if (onlyThis) break;
            }
        for (TWinSkinForm* f : changed)
            f->SkinChange();
        break;
    }
    case 6:
        DeleteDeleted();
        break;
    case 7:
        if (onlyThis) break;
        if (TWinSkinForm* f = FindSkinForm(ActionWnd)) {
            ReleaseFrame(*f);
            DeleteDeleted();
            AddForm(ActionWnd);
        }
        break;
    default:
        break;
    }
}

void TSkinManage::AssignData(TSkinManage* main)
{
    if (main && main == parent_) return;
    if (parent_) DeleteSub();
    if (!main) {
        // Detached: nothing of the main manager's may be used any more.
        SkinDataList.clear();
        MainData = nullptr;
        Enabled = false;
        UseState = 4;
        RemoveHook();
        return;
    }
    parent_ = main;
    main->SubList.push_back(this);
    SkinDataList = main->SkinDataList;
    MainData = main->MainData;
    Enabled = main->Enabled;
    UseState = main->UseState;
}

void TSkinManage::DeleteSub()
{
    if (!parent_) return;
    std::erase(parent_->SubList, this);
    if (SubInstance) parent_->DeleteSubForm(SubInstance);
    parent_ = nullptr;
}

void TSkinManage::DeleteAllSub()
{
    std::vector<TSkinManage*> subs;
    subs.swap(SubList);
    for (TSkinManage* sub : subs) {
        sub->parent_ = nullptr;
        sub->AssignData(nullptr);
    }
}

void TSkinManage::DeleteSubForm(HINSTANCE instance)
{
    for (TWinSkinForm* f : std::vector<TWinSkinForm*>(FormList)) {
        HWND wnd = f->Wnd;
        if (IsWindow(wnd) &&
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(wnd, GWLP_HINSTANCE)) == instance) {
            ReleaseFrame(*f);
            FreeFrame(f);
        }
    }
}
