// The process-wide skin manager: a thread-local CBT hook watches the windows
// the user-interface thread creates, activates and destroys, decides which
// get a skinned frame, picks their skin data, and runs the deferred skin
// actions (on, off, changed) from a one-shot timer.
//
// Each skinned window gets a TWinSkinForm (skin/winskinframe.h) through
// CreateFrame; the frame list holds them until they are released and freed.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "skin/winskindata.h"
#include "skin/winskinmenu.h"

// Messages the engine's windows understand.
constexpr UINT WM_SKIN_ISSKINNED = 0x3523; // a skinned window answers 1
constexpr UINT WM_SKIN_ACTIVATE = 0x3503;  // a new frame takes its window over

// The tag that keeps a form unskinned.
constexpr int32_t SkinDisableTag = 99;

class TSkinManage;
class TWinSkinForm;
class TWinSkinPopMenu;

// A hook on another thread.
class TSkinThread {
public:
    HHOOK Hook = nullptr;
    DWORD ThreadID = 0;
};

class TSkinManage {
public:
    explicit TSkinManage(bool subManager = false);
    virtual ~TSkinManage();
    TSkinManage(const TSkinManage&) = delete;
    TSkinManage& operator=(const TSkinManage&) = delete;

    void InstallHook();
    void RemoveHook();
    HHOOK HookHandle() const { return hook_; }
    void InstallThread(DWORD threadId);
    void UnInstallThread(DWORD threadId);
    void DeleteAllThreads();

    void AddSkinData(TSkinData* data);
    void RemoveSkinData(TSkinData* data);
    TSkinData* FindSkindata(HWND wnd) const;
    bool OnBeforeSkin(HWND wnd, const std::string& className);
    bool NestedForm(HWND wnd) const;
    void ActiveForm(TCustomForm* form);
    bool AddForm(HWND wnd);
    TWinSkinForm* FindSkinForm(HWND wnd) const;
    TCustomForm* FindTForm(HWND wnd) const;
    bool IsDllForm(HWND wnd) const;
    bool DeleteForm(HWND wnd);
    void DeleteForm2(HWND wnd);
    // A frame being freed leaves the list (its destructor calls this).
    void DeleteForm2(TWinSkinForm* frame);
    void DeleteDeleted();
    void DeleteAllForms();

    // Menu windows (class "#32768") and their skinned pop-up menu objects.
    // MenuKind says which kind is opening (skin/winskinmenu.h).
    bool AddMenu(HWND wnd);
    void DeleteMenu(HWND wnd);
    TWinSkinPopMenu* FindSkinMenu(HWND wnd) const;
    // Sets AppPopup when menu is one of the application's pop-up menus.
    void FindPopupMenu(HMENU menu);
    // Marks every menu object as showing an application menu.
    void SetPopMenu();
    // Gives menu to the newest menu object that does not know its menu yet.
    void SetHMenu(HMENU menu);
    // The skinned background of the menu window showing menu, or null.
    TBitmap* GetMenuBg(HMENU menu) const;

    // A one-shot deferred action: 1 skin on, 2 skin off, 3 skin changed,
    // 6 free released frames, 7 re-skin the window in ActionWnd. The skin
    // data it concerns goes in ActionData before.
    void SetAction(int action, uint32_t interval);
    void OnTimer(TObject* Sender);
    void DeleteSysbtn();

    // MDI state shared by every frame (winskinmdi.cpp): a child maximized or
    // restored, captions given back, and how many MDI children are skinned.
    void SetMDIMax(bool flag);
    void SetMDIMax2(bool flag);
    void SetCaption();
    int GetMDIChildNum() const;

    // Sub-managers: the engine of another module in the process attaches
    // itself to the main manager and shares its skin data and state.
    void AssignData(TSkinManage* main);
    void DeleteSub();
    void DeleteAllSub();
    void DeleteSubForm(HINSTANCE instance);
    TSkinManage* Parent() const { return parent_; }
    std::vector<TSkinManage*> SubList;
    HINSTANCE SubInstance = nullptr;

    // Lists. Skin data components are not owned. A frame is freed by the
    // manager or, with its window's form (its owner), by the form; either
    // way it leaves the list as it goes.
    std::vector<TWinSkinForm*> FormList;
    std::vector<TSkinData*> SkinDataList;
    std::vector<std::unique_ptr<TSkinThread>> ThreadList;
    std::vector<std::unique_ptr<TWinSkinPopMenu>> MenuList;

    bool Enabled = false;
    bool NestedForms = false;
    int UseState = 0; // 0 not yet used, 1 in use, 4 being destroyed
    TMenuKind MenuKind = MenuKindPopup;
    bool AppPopup = false;
    bool MDIChildMax = false;
    // Set by an MDI frame's skinned frame.
    HWND MDIClient = nullptr;
    TCustomForm* MDIForm = nullptr;
    int Action = 0;
    TSkinData* ActionData = nullptr;
    TSkinData* MainData = nullptr;
    HWND ActionWnd = nullptr;
    TTimer& ActionTimer() { return *timer_; }

    // Called, when set, as the manager is destroyed.
    std::function<void(TSkinManage*)> OnDestroy;

    // The hook procedure for the thread that installed it; it acts for the
    // manager that installed it and passes calls on once that one is gone.
    static LRESULT CALLBACK SkinHookCBT(int code, WPARAM wParam, LPARAM lParam);
    // The hook for windows of other threads (InstallThread).
    static LRESULT CALLBACK SkinHookCBT2(int code, WPARAM wParam, LPARAM lParam);

protected:
    // Creates the frame that takes the window over and posts it the
    // activation message.
    virtual TWinSkinForm* CreateFrame(HWND wnd, TCustomForm* form, TSkinData* data);
    // Let a frame go: gives the window its own frame back.
    virtual void ReleaseFrame(TWinSkinForm& frame);

private:
    LRESULT HookCall(int code, HWND wnd, LPARAM lParam, bool otherThread);
    void FreeFrame(TWinSkinForm* frame);
    void RunAction(int action, TSkinData* data);

    std::unique_ptr<TTimer> timer_;
    bool subManager_ = false;
    TSkinManage* parent_ = nullptr;
    HHOOK hook_ = nullptr;
};

extern TSkinManage* SkinManager;
extern std::string PropName;
extern ATOM ControlAtom;
extern UINT RM_GetObjectInstance;
extern bool Win32PlatformIsUnicode;
extern bool IsVista;
extern WORD WinVersion;
