#include "framework/menus.h"

#include <algorithm>
#include <map>
#include <set>

#include "framework/forms.h"

// ---------------------------------------------------------------------------
// Short cuts

namespace {
struct TKeyName {
    WORD Key;
    const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},   {VK_END, "End"},      {VK_HOME, "Home"},  {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},    {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

std::string KeyName(WORD key)
{
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
    for (const TKeyName& k : kKeyNames)
        if (k.Key == key) return k.Name;
    return {};
}
} // namespace

std::string ShortCutToText(TShortCut shortCut)
{
    const std::string name = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (name.empty()) return {};
    std::string text;
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scAlt) text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const std::string& text)
{
    TShortCut mods = 0;
    std::string rest = text;
    for (;;) {
        const std::string lower = LowerCase(rest);
        if (lower.rfind("shift+", 0) == 0) {
            mods |= scShift;
            rest.erase(0, 6);
        } else if (lower.rfind("ctrl+", 0) == 0) {
            mods |= scCtrl;
            rest.erase(0, 5);
        } else if (lower.rfind("alt+", 0) == 0) {
            mods |= scAlt;
            rest.erase(0, 4);
        } else {
            break;
        }
    }
    for (WORD key = 1; key < 0xFF; ++key)
        if (const std::string name = KeyName(key); !name.empty() && LowerCase(name) == LowerCase(rest))
            return static_cast<TShortCut>(mods | key);
    return scNone;
}

// ---------------------------------------------------------------------------
// The registry of live items: command identifiers for WM_COMMAND, and the
// item pointers owner-draw messages carry, checked before use.

namespace {
constexpr uint16_t kFirstCommand = 0x4000;
constexpr uint16_t kLastCommand = 0xEFFF;

std::map<uint16_t, TMenuItem*>& Commands()
{
    static auto* map = new std::map<uint16_t, TMenuItem*>;
    return *map;
}

uint16_t NewCommand(TMenuItem* item)
{
    static uint16_t next = kFirstCommand;
    auto& map = Commands();
    for (;;) {
        const uint16_t id = next;
        next = next >= kLastCommand ? kFirstCommand : static_cast<uint16_t>(next + 1);
        if (!map.count(id)) {
            map[id] = item;
            return id;
        }
    }
}

TMenuItem* LiveItem(ULONG_PTR data)
{
    for (const auto& [id, item] : Commands())
        if (reinterpret_cast<ULONG_PTR>(item) == data) return item;
    return nullptr;
}

// The font menus are drawn in.
void AssignMenuFont(TFont* font)
{
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        font->SetName(ncm.lfMenuFont.lfFaceName);
        font->SetHeight(ncm.lfMenuFont.lfHeight);
    }
    font->SetColor(clMenuText);
}

// A canvas on a DC for one owner-draw call, giving the DC back its objects.
class TItemCanvas : public TCanvas {
public:
    explicit TItemCanvas(HDC dc)
    {
        SetHandle(dc);
        AssignMenuFont(Font());
        Brush()->SetColor(clMenu);
    }
    ~TItemCanvas() override { SetHandle(nullptr); }
};

constexpr int kGlyphColumn = 16;
} // namespace

TMenuItem* FindMenuItem(uint16_t command)
{
    const auto it = Commands().find(command);
    return it == Commands().end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------
// TMenuItem

const TClassInfo& TMenuItem::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TMenuItem>()
            .String("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption)
            .Int("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut, 0)
            .Bool("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked, false)
            .Bool("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled, true)
            .Bool("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible, true)
            .Bool("Default", &TMenuItem::GetDefault, &TMenuItem::SetDefault, false)
            .Int("ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex, -1)
            .String("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint)
            .Event("OnClick", &TMenuItem::OnClick)
            .Event("OnDrawItem", &TMenuItem::OnDrawItem)
            .Event("OnMeasureItem", &TMenuItem::OnMeasureItem);
    return info;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(NewCommand(this)) {}

TMenuItem::~TMenuItem()
{
    Commands().erase(command_);
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        child->Free();
    }
    if (parent_) parent_->Remove(this);
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item)
{
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item) return;
    if (item->parent_) throw EInvalidOperation("Menu item " + item->GetName() + " is inserted twice");
    for (const TMenuItem* p = this; p; p = p->parent_)
        if (p == item) throw EInvalidOperation("A menu item cannot contain itself");
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item)
{
    const int i = IndexOf(item);
    if (i < 0) return;
    items_.erase(items_.begin() + i);
    item->parent_ = nullptr;
    Changed();
}

void TMenuItem::Clear()
{
    while (!items_.empty())
        items_.back()->Free();
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* root = this;
    while (root->parent_)
        root = root->parent_;
    return root->menu_;
}

void TMenuItem::SetParentComponent(TComponent* AParent)
{
    if (parent_) parent_->Remove(this);
    if (auto* menu = dynamic_cast<TMenu*>(AParent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(AParent))
        item->Add(this);
    else if (AParent)
        throw EComponentError("Menu item " + GetName() + " cannot be placed on a " + AParent->ClassName());
}

TComponent* TMenuItem::GetParentComponent() const
{
    if (parent_ && parent_->menu_) return parent_->menu_;
    return parent_;
}

void TMenuItem::Changed()
{
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::SetCaption(const std::string& value)
{
    if (value == caption_) return;
    caption_ = value;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut value)
{
    if (value == shortCut_) return;
    shortCut_ = value;
    Changed();
}

void TMenuItem::SetChecked(bool value)
{
    if (value == checked_) return;
    checked_ = value;
    Changed();
}

void TMenuItem::SetEnabled(bool value)
{
    if (value == enabled_) return;
    enabled_ = value;
    Changed();
}

void TMenuItem::SetVisible(bool value)
{
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

void TMenuItem::SetDefault(bool value)
{
    if (value == default_) return;
    default_ = value;
    Changed();
}

void TMenuItem::SetImageIndex(int32_t value)
{
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed();
}

bool TMenuItem::IsOwnerDraw() const
{
    if (OnDrawItem || OnMeasureItem) return true;
    const TMenu* menu = GetParentMenu();
    if (!menu) return false;
    // Pictures need the framework's painting.
    return menu->GetOwnerDraw() || (menu->GetImages() && imageIndex_ >= 0);
}

void TMenuItem::Click()
{
    if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height)
{
    if (IsLine()) {
        Width = 10;
        Height = 8;
    } else {
        if (default_) ACanvas->Font()->SetStyle({fsBold});
        SIZE text = ACanvas->TextExtent(caption_.empty() ? std::string(" ") : caption_);
        // A "text\tkey" caption is drawn with its tab expanded: measured so,
        // the key keeps within the item.
        if (caption_.find('\t') != std::string::npos) {
            TRect r;
            ACanvas->DrawText(caption_, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
            text.cx = r.Width();
        }
        int column = kGlyphColumn;
        int imageHeight = 0;
        if (const TMenu* menu = GetParentMenu(); menu && menu->GetImages()) {
            column = std::max(column, menu->GetImages()->GetWidth());
            imageHeight = menu->GetImages()->GetHeight();
        }
        Width = 4 + column + 8 + text.cx + 8;
        if (shortCut_ != scNone) Width += ACanvas->TextWidth(ShortCutToText(shortCut_)) + 16;
        Height = std::max<int>(text.cy + 6, imageHeight + 4);
    }
    if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected)
{
    if (OnDrawItem) {
        OnDrawItem(this, ACanvas, ARect, Selected);
        return;
    }
    DefaultDraw(ACanvas, ARect, Selected);
}

void TMenuItem::DefaultDraw(TCanvas* ACanvas, const TRect& ARect, bool Selected)
{
    TCanvas& c = *ACanvas;
    const bool line = IsLine();
    c.Brush()->SetColor(Selected && !line ? clHighlight : clMenu);
    c.FillRect(ARect);
    if (line) {
        RECT r = Rect(ARect.Left + 2, ARect.Top + ARect.Height() / 2 - 1, ARect.Right - 2, ARect.Bottom);
        DrawEdge(c.Handle(), &r, EDGE_ETCHED, BF_TOP);
        return;
    }
    const TMenu* menu = GetParentMenu();
    TImageList* images = menu ? menu->GetImages() : nullptr;
    const int column = images ? std::max(kGlyphColumn, images->GetWidth()) : kGlyphColumn;
    const TRect cell = Bounds(ARect.Left + 2, ARect.Top + (ARect.Height() - column) / 2, column, column);
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
        images->Draw(&c, cell.Left + (column - images->GetWidth()) / 2,
                     ARect.Top + (ARect.Height() - images->GetHeight()) / 2, imageIndex_);
        if (checked_) {
            RECT e = Rect(cell.Left - 1, cell.Top - 1, cell.Right + 1, cell.Bottom + 1);
            DrawEdge(c.Handle(), &e, BDR_SUNKENOUTER, BF_RECT);
        }
    } else if (checked_) {
        c.Font()->SetColor(Selected ? clHighlightText : clMenuText);
        RECT r = cell;
        SetTextColor(c.Handle(), ColorToRGB(Selected ? clHighlightText : clMenuText));
        SetBkMode(c.Handle(), TRANSPARENT);
        DrawFrameControl(c.Handle(), &r, DFC_MENU, DFCS_MENUCHECK | DFCS_TRANSPARENT);
    }
    if (default_) c.Font()->SetStyle({fsBold});
    c.Font()->SetColor(!enabled_ ? clGrayText : Selected ? clHighlightText : clMenuText);
    c.Brush()->SetStyle(bsClear);
    TRect text = Rect(cell.Right + 8, ARect.Top, ARect.Right - 8, ARect.Bottom);
    c.DrawText(caption_, text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_EXPANDTABS);
    if (shortCut_ != scNone) {
        TRect sc = Rect(cell.Right + 8, ARect.Top, ARect.Right - 10, ARect.Bottom);
        c.DrawText(ShortCutToText(shortCut_), sc, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
}

// ---------------------------------------------------------------------------
// TMenu

const TClassInfo& TMenu::StaticClass()
{
    // A layout naming a menu names its items too.
    TMenuItem::StaticClass();
    static const TClassInfo& info = PublishClass<TMenu>()
                                        .Object("Images", &TMenu::GetImages, &TMenu::SetImages)
                                        .Bool("OwnerDraw", &TMenu::GetOwnerDraw, &TMenu::SetOwnerDraw, false);
    return info;
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(std::make_unique<TMenuItem>(nullptr))
{
    items_->menu_ = this;
}

TMenu::~TMenu()
{
    // The items go quietly: nothing is rebuilt for a menu on its way out.
    items_->menu_ = nullptr;
    DestroyHandle();
    items_.reset();
}

HMENU TMenu::Handle()
{
    if (!handle_) {
        handle_ = CreateMenuHandle();
        if (!handle_) throw EOutOfResources("Error creating menu");
        try {
            Fill(handle_, items_.get());
        } catch (...) {
            DestroyHandle();
            throw;
        }
    }
    return handle_;
}

void TMenu::Fill(HMENU menu, TMenuItem* item)
{
    for (TMenuItem* child : item->items_) {
        if (!child->visible_) continue;
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_DATA;
        mii.wID = child->command_;
        mii.dwItemData = reinterpret_cast<ULONG_PTR>(child);
        if (child->checked_) mii.fState |= MFS_CHECKED;
        if (!child->enabled_) mii.fState |= MFS_GRAYED;
        if (child->default_) mii.fState |= MFS_DEFAULT;
        std::string text;
        if (child->IsOwnerDraw()) {
            mii.fType = MFT_OWNERDRAW;
        } else if (child->IsLine()) {
            mii.fType = MFT_SEPARATOR;
        } else {
            mii.fType = MFT_STRING;
            mii.fMask |= MIIM_STRING;
            text = child->caption_;
            if (child->shortCut_ != scNone) text += "\t" + ShortCutToText(child->shortCut_);
            mii.dwTypeData = text.data();
        }
        if (!child->items_.empty()) {
            HMENU sub = CreatePopupMenu();
            if (!sub) throw EOutOfResources("Error creating menu");
            try {
                Fill(sub, child);
            } catch (...) {
                DestroyMenu(sub);
                throw;
            }
            mii.fMask |= MIIM_SUBMENU;
            mii.hSubMenu = sub;
        }
        if (!InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mii)) {
            if (mii.hSubMenu) DestroyMenu(mii.hSubMenu);
            throw EOutOfResources("Error inserting menu item " + child->GetName());
        }
    }
}

void TMenu::DestroyHandle()
{
    if (handle_) DestroyMenu(handle_);
    handle_ = nullptr;
}

void TMenu::MenuChanged()
{
    DestroyHandle();
}

TMenuItem* TMenu::FindItem(uint16_t command) const
{
    TMenuItem* item = FindMenuItem(command);
    return item && item->GetParentMenu() == this ? item : nullptr;
}

TMenuItem* TMenu::FindShortCut(TShortCut shortCut) const
{
    if (shortCut == scNone) return nullptr;
    std::vector<TMenuItem*> todo(items_->items_.begin(), items_->items_.end());
    while (!todo.empty()) {
        TMenuItem* item = todo.back();
        todo.pop_back();
        if (!item->visible_ || !item->enabled_) continue;
        if (item->shortCut_ == shortCut) return item;
        todo.insert(todo.end(), item->items_.begin(), item->items_.end());
    }
    return nullptr;
}

void TMenu::SetImages(TImageList* value)
{
    if (value == images_) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_) images_->FreeNotification(this);
    MenuChanged();
}

void TMenu::SetOwnerDraw(bool value)
{
    if (value == ownerDraw_) return;
    ownerDraw_ = value;
    MenuChanged();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == images_) {
        images_ = nullptr;
        if (!ComponentState().Contains(csDestroying)) MenuChanged();
    }
}

// ---------------------------------------------------------------------------
// TMainMenu

const TClassInfo& TMainMenu::StaticClass()
{
    static const TClassInfo& info = PublishClass<TMainMenu>();
    return info;
}

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu()
{
    SetWindowHandle(nullptr);
}

HMENU TMainMenu::CreateMenuHandle()
{
    return CreateMenu();
}

void TMainMenu::SetWindowHandle(HWND value)
{
    if (value == window_) return;
    // A window destroys the menu it shows: take it back first.
    if (window_ && IsWindow(window_) && ::GetMenu(window_) == handle_) ::SetMenu(window_, nullptr);
    window_ = value;
    if (window_) {
        ::SetMenu(window_, Handle());
        DrawMenuBar(window_);
    }
}

void TMainMenu::MenuChanged()
{
    if (!window_ || ComponentState().Contains(csLoading)) {
        TMenu::MenuChanged();
        return;
    }
    // The bar shows at once what the items say now.
    HMENU old = handle_;
    handle_ = nullptr;
    ::SetMenu(window_, Handle());
    DrawMenuBar(window_);
    if (old) DestroyMenu(old);
    // Whoever draws the bar in the window's stead (a skin) rebuilds it.
    ::SendMessageA(window_, CM_MENUCHANGED, 0, 0);
}

// ---------------------------------------------------------------------------
// TPopupMenu

const TClassInfo& TPopupMenu::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TPopupMenu>()
            .Bool("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup, true)
            .Enum("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment, paLeft)
            .Event("OnPopup", &TPopupMenu::OnPopup);
    return info;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

HMENU TPopupMenu::CreateMenuHandle()
{
    return CreatePopupMenu();
}

void TPopupMenu::SetPopupComponent(TComponent* value)
{
    if (value == popupComponent_) return;
    if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = value;
    if (popupComponent_) popupComponent_->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::DoPopup()
{
    if (OnPopup) OnPopup(this);
}

// The form of the control the menu opens for, else the form owning the
// menu: its window receives the owner-draw messages (and the skin engine,
// which watches the form, sees them).
HWND TPopupMenu::OwnerWindow()
{
    TCustomForm* form = nullptr;
    if (auto* control = dynamic_cast<TControl*>(popupComponent_)) form = GetParentForm(control);
    if (!form) form = dynamic_cast<TCustomForm*>(Owner());
    return form && form->HandleAllocated() ? form->GetHandleIfAllocated() : nullptr;
}

void TPopupMenu::Popup(int X, int Y)
{
    DoPopup();
    HMENU menu = Handle();
    UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON;
    flags |= alignment_ == paRight    ? TPM_RIGHTALIGN
             : alignment_ == paCenter ? TPM_CENTERALIGN
                                      : TPM_LEFTALIGN;
    HWND owner = OwnerWindow();
    // Without a form a window of its own takes the owner-draw messages for
    // the time the menu is open.
    std::unique_ptr<TUtilityWindow> window;
    if (!owner) {
        window = std::make_unique<TUtilityWindow>([](TMessage& m) { return DispatchMenuMessage(m); });
        owner = window->Handle();
    }
    const UINT command = static_cast<UINT>(TrackPopupMenu(menu, flags, X, Y, 0, owner, nullptr));
    window.reset();
    // Clicked after the menu is gone, as a posted command would be.
    if (command)
        if (TMenuItem* item = FindItem(static_cast<uint16_t>(command))) item->Click();
}

// ---------------------------------------------------------------------------
// Menu messages

bool DispatchMenuMessage(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_COMMAND: {
        if (Message.LParam != 0 || HIWORD(Message.WParam) > 1) return false;
        TMenuItem* item = FindMenuItem(LOWORD(Message.WParam));
        if (!item) return false;
        Message.Result = 0;
        item->Click();
        return true;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (!mis || mis->CtlType != ODT_MENU) return false;
        TMenuItem* item = LiveItem(mis->itemData);
        if (!item) return false;
        TWindowDC screen = TWindowDC::Get(nullptr);
        TItemCanvas canvas(screen.Handle());
        int width = 0, height = 0;
        item->MeasureItem(&canvas, width, height);
        mis->itemWidth = static_cast<UINT>(std::max(width, 0));
        mis->itemHeight = static_cast<UINT>(std::max(height, 0));
        Message.Result = 1;
        return true;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (!dis || dis->CtlType != ODT_MENU) return false;
        TMenuItem* item = LiveItem(dis->itemData);
        if (!item) return false;
        TSaveDC save(dis->hDC);
        TItemCanvas canvas(dis->hDC);
        item->DrawItem(&canvas, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0);
        Message.Result = 1;
        return true;
    }
    }
    return false;
}

bool MenuShortCut(TComponent* Form, WORD Key)
{
    if (!Form) return false;
    TShortCut shortCut = Key & 0xFF;
    if (GetKeyState(VK_SHIFT) < 0) shortCut |= scShift;
    if (GetKeyState(VK_CONTROL) < 0) shortCut |= scCtrl;
    if (GetKeyState(VK_MENU) < 0) shortCut |= scAlt;
    auto* form = dynamic_cast<TCustomForm*>(Form);
    if (form && form->OnShortCut) {
        bool handled = false;
        form->OnShortCut(shortCut, handled);
        if (handled) return true;
    }
    std::vector<TMenu*> menus;
    if (form && form->GetMenu()) menus.push_back(form->GetMenu());
    for (int i = 0; i < Form->ComponentCount(); ++i)
        if (auto* popup = dynamic_cast<TPopupMenu*>(Form->Components(i))) menus.push_back(popup);
    for (TMenu* menu : menus)
        if (TMenuItem* item = menu->FindShortCut(shortCut)) {
            item->Click();
            return true;
        }
    return false;
}
