// TWinControl: keyboard focus, tab order and key routing.
#include <algorithm>

#include "framework/controls.h"
#include "framework/menus.h"

// --- Focus

TWinControl* TWinControl::TopParent()
{
    TWinControl* c = this;
    while (c->parent_)
        c = c->parent_;
    return c;
}

bool TWinControl::SetFocusedControl(TWinControl*)
{
    return true;
}

bool TWinControl::CanFocus() const
{
    const TWinControl* c = this;
    for (; c; c = c->parent_) {
        if (!c->visible_ || !c->enabled_) return false;
        if (!c->parent_) return c->handle_ && IsWindowVisible(c->handle_);
    }
    return false;
}

bool TWinControl::Focused() const
{
    return handle_ && GetFocus() == handle_;
}

void TWinControl::SetFocus()
{
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

int32_t TWinControl::GetTabOrder() const
{
    if (!parent_) return -1;
    const auto& list = parent_->tabList_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TWinControl::SetTabOrder(int32_t value)
{
    // A layout gives the orders while the list is still growing; they are
    // put in place once it is complete (FixupTabList).
    if (ComponentState().Contains(csLoading)) tabOrderRead_ = value;
    if (!parent_) return;
    auto& list = parent_->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    // Out-of-range orders (a layout read in any order) go to the end.
    const size_t at = value < 0 ? list.size() : std::min(static_cast<size_t>(value), list.size());
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
}

void TWinControl::FixupTabList()
{
    const size_t n = tabList_.size();
    std::vector<TWinControl*> ordered(n, nullptr);
    for (TWinControl* c : tabList_)
        if (c->tabOrderRead_ >= 0 && static_cast<size_t>(c->tabOrderRead_) < n &&
            !ordered[static_cast<size_t>(c->tabOrderRead_)])
            ordered[static_cast<size_t>(c->tabOrderRead_)] = c;
    size_t free = 0;
    for (TWinControl* c : tabList_) {
        if (std::find(ordered.begin(), ordered.end(), c) != ordered.end()) continue;
        while (ordered[free])
            ++free;
        ordered[free] = c;
    }
    tabList_ = ordered;
    for (TWinControl* c : tabList_)
        c->tabOrderRead_ = -1;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const
{
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop) const
{
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    const int n = static_cast<int>(list.size());
    if (n == 0) return nullptr;
    const auto it = std::find(list.begin(), list.end(), current);
    int start = it == list.end() ? (goForward ? -1 : n) : static_cast<int>(it - list.begin());
    for (int step = 1; step <= n; ++step) {
        const int i = ((start + (goForward ? step : -step)) % n + n) % n;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == current) continue;
        if (c->CanFocus() && (!checkTabStop || c->tabStop_)) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop)
{
    if (TWinControl* c = FindNextControl(current, goForward, checkTabStop)) c->SetFocus();
}

void TWinControl::RemoveFocus(TControl* control)
{
    TopParent()->ControlRemoved(control);
}

void TWinControl::WMSetFocus(TMessage& Message)
{
    TWinControl* root = TopParent();
    if (!root->SetFocusedControl(this)) return;
    DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TMessage& Message)
{
    DefaultHandler(Message);
}

void TWinControl::DoEnter()
{
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&)
{
    DoEnter();
}

void TWinControl::CMExit(TMessage&)
{
    DoExit();
}

void TWinControl::CMFocusChanged(TMessage& Message)
{
    Broadcast(Message);
}

// --- Keyboard
//
// The message loop sends CN_KEYDOWN / CN_KEYUP / CN_CHAR to the focused
// control before dispatching the key message itself. A control that does not
// claim a navigation key (by CM_WANTSPECIALKEY or its WM_GETDLGCODE answer)
// lets the form have it as CM_DIALOGKEY; a non-zero answer consumes the key.

void TWinControl::CNKeyDown(TMessage& Message)
{
    Message.Result = 1;
    const WORD key = Message.CharCode();
    // Menu short cuts come before the control sees the key.
    if (TWinControl* form = TopParent(); form && MenuShortCut(form, key)) return;
    if (Message.Msg == CN_SYSKEYDOWN) {
        Message.Result = 0;
        return;
    }
    LRESULT mask = 0;
    switch (key) {
    case VK_TAB:
        mask = DLGC_WANTTAB;
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        mask = DLGC_WANTARROWS;
        break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
        mask = DLGC_WANTALLKEYS;
        break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, key, 0) == 0 && (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 &&
        TopParent()->Perform(CM_DIALOGKEY, key, Message.LParam) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& Message)
{
    switch (Message.CharCode()) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
        Message.Result = Perform(CM_WANTSPECIALKEY, Message.CharCode(), 0);
        break;
    default:
        Message.Result = 0;
    }
}

void TWinControl::CNChar(TMessage& Message)
{
    Message.Result = 1;
    if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0 &&
        TopParent()->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNSysChar(TMessage& Message)
{
    Message.Result = TopParent()->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0 ? 1 : 0;
}

void TWinControl::CMDialogKey(TMessage& Message)
{
    Broadcast(Message);
}

void TWinControl::CMDialogChar(TMessage& Message)
{
    Broadcast(Message);
}

void TWinControl::CMWantSpecialKey(TMessage& Message)
{
    DefaultHandler(Message);
}

bool TWinControl::DoKeyDown(TMessage& Message)
{
    TWinControl* form = TopParent();
    if (form != this && form->KeyPreviewWanted() && form->DoKeyDown(Message)) return true;
    WORD key = Message.CharCode();
    KeyDown(key, KeyboardStateToShiftState());
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message)
{
    TWinControl* form = TopParent();
    if (form != this && form->KeyPreviewWanted() && form->DoKeyUp(Message)) return true;
    WORD key = Message.CharCode();
    KeyUp(key, KeyboardStateToShiftState());
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message)
{
    TWinControl* form = TopParent();
    if (form != this && form->KeyPreviewWanted() && form->DoKeyPress(Message)) return true;
    char key = static_cast<char>(Message.WParam);
    KeyPress(key);
    Message.WParam = static_cast<unsigned char>(key);
    return key == 0;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift)
{
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift)
{
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key)
{
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::WMKeyDown(TMessage& Message)
{
    if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message)
{
    if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message)
{
    if (!DoKeyPress(Message)) DefaultHandler(Message);
}
