// Menus: items in a tree, the form's menu bar (TMainMenu) and pop-up menus
// (TPopupMenu). The system menus are built from the items on demand and
// rebuilt when an item changes. Items can be owner-drawn: their OnMeasureItem
// and OnDrawItem events then size and paint them (the skin engine hangs its
// own painting there); without events the framework paints the classic look.
// The window owning a menu (the form) hands its menu messages to
// DispatchMenuMessage. Win32 only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "framework/messages.h"

class TMenu;
class TControl;

// A key with modifiers: the virtual-key code in the low byte.
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// "Ctrl+S", "Shift+F5", "Del"; empty for scNone.
std::string ShortCutToText(TShortCut shortCut);
// The reverse; scNone for text it does not know.
TShortCut TextToShortCut(const std::string& text);

ORVANE_EVENT(TMenuDrawItemEvent, void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected));
ORVANE_EVENT(TMenuMeasureItemEvent, void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height));

class TMenuItem : public TComponent {
    ORVANE_CLASS(TMenuItem, TComponent)
    explicit TMenuItem(TComponent* AOwner);
    // The sub-items go with their item, whoever owns them.
    ~TMenuItem() override;

    // --- The tree
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    TMenuItem* Parent() const { return parent_; }
    int IndexOf(const TMenuItem* item) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Clear(); // frees the sub-items
    // The menu the tree belongs to, or null.
    TMenu* GetParentMenu() const;

    void SetParentComponent(TComponent* AParent) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

    // --- Properties
    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    // A caption of "-" makes a separator.
    bool IsLine() const { return caption_ == "-"; }
    TShortCut GetShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool GetChecked() const { return checked_; }
    void SetChecked(bool value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    bool GetDefault() const { return default_; }
    void SetDefault(bool value);
    int32_t GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    const std::string& GetHint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    // The identifier WM_COMMAND carries for this item.
    uint16_t Command() const { return command_; }
    // Whether the system asks the framework to measure and paint the item.
    bool IsOwnerDraw() const;

    virtual void Click();
    // Owner drawing: the events, or the classic look without them.
    virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
    virtual void DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected);

private:
    friend class TMenu;
    void Changed();
    void DefaultDraw(TCanvas* ACanvas, const TRect& ARect, bool Selected);

    std::string caption_;
    std::string hint_;
    TShortCut shortCut_ = scNone;
    bool checked_ = false, enabled_ = true, visible_ = true, default_ = false;
    int32_t imageIndex_ = -1;
    uint16_t command_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr; // set on the root item only
    std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
    ORVANE_CLASS(TMenu, TComponent)
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    // The root item; its sub-items are the menu's entries.
    TMenuItem* Items() const { return items_.get(); }
    TImageList* GetImages() const { return images_; }
    void SetImages(TImageList* value);
    // Every item owner-drawn, also without events.
    bool GetOwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    // The items' events were changed from outside (owner-draw events hung
    // on or taken off): the system menu is built again to match.
    void ItemsChanged() { MenuChanged(); }

    // The system menu, built on demand; owned by this object (or, for a
    // main menu, by the window it is attached to while attached).
    HMENU Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // The item a command identifier belongs to within this menu, or null.
    TMenuItem* FindItem(uint16_t command) const;
    // The item a key combination belongs to (enabled and visible), or null.
    TMenuItem* FindShortCut(TShortCut shortCut) const;

    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TMenuItem;
    virtual HMENU CreateMenuHandle() = 0;
    // An item changed: the system menu is built again.
    virtual void MenuChanged();
    void DestroyHandle();
    HMENU handle_ = nullptr;

private:
    void Fill(HMENU menu, TMenuItem* item);

    std::unique_ptr<TMenuItem> items_;
    TImageList* images_ = nullptr;
    bool ownerDraw_ = false;
};

// The menu bar of a form (the form's Menu property attaches it).
class TMainMenu : public TMenu {
    ORVANE_CLASS(TMainMenu, TMenu)
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;

    // The window showing the menu bar, set by the form.
    HWND WindowHandle() const { return window_; }
    void SetWindowHandle(HWND value);

protected:
    HMENU CreateMenuHandle() override;
    void MenuChanged() override;

private:
    HWND window_ = nullptr;
};

ORVANE_ENUM(TPopupAlignment, paLeft, paRight, paCenter)

class TPopupMenu : public TMenu {
    ORVANE_CLASS(TPopupMenu, TMenu)
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // Shows the menu at the screen point and returns once it is closed; a
    // chosen item's OnClick runs before Popup returns.
    virtual void Popup(int X, int Y);
    // The control whose right click opened the menu (null from code).
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* value);
    bool GetAutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    TPopupAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }

    TNotifyEvent OnPopup;

    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    HMENU CreateMenuHandle() override;
    virtual void DoPopup();

private:
    HWND OwnerWindow();
    TComponent* popupComponent_ = nullptr;
    bool autoPopup_ = true;
    TPopupAlignment alignment_ = paLeft;
};

// Menu messages reaching a window that owns menus: WM_COMMAND from a menu
// (lParam 0), WM_MEASUREITEM and WM_DRAWITEM for menu items. Answers whether
// the message was a menu's (the result is set then).
bool DispatchMenuMessage(TMessage& Message);
// A key pressed on a form: the form's OnShortCut may take it; otherwise the
// form's menu bar and pop-up menus are searched for an item with that short
// cut, which is clicked. Answers whether the key was taken.
bool MenuShortCut(TComponent* Form, WORD Key);
// The menu item of a command identifier, or null.
TMenuItem* FindMenuItem(uint16_t command);
