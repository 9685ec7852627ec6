// Owner-drawn menu items in the skin's look, and the hanging of that painting
// on a window's framework menus.
#include <algorithm>

#include "components/typinfo.h"
#include "framework/forms.h"
#include "skin/winskindata.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"
#include "skin/winskinmenu.h"

namespace {

// The system menu window's frame: items sit this far into its background.
constexpr int MenuBorder = 3;
constexpr int ImageColumn = 16;

// The events the engine hangs on items; recognisable when taken away again,
// so that a form's own events stay where they are.
struct TSkinDrawEvent {
    TSkinFormMenus* Menus;
    void operator()(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected) const
    {
        Menus->DrawMenuItem(Sender, ACanvas, ARect, Selected);
    }
};
struct TSkinMeasureEvent {
    TSkinFormMenus* Menus;
    bool Popup;
    void operator()(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) const
    {
        if (Popup)
            Menus->MeasureItemPop(Sender, ACanvas, Width, Height);
        else
            Menus->MeasureItem(Sender, ACanvas, Width, Height);
    }
};

int LeftMargin(const TSkinData* data)
{
    return data && data->MenuItem ? data->MenuItem->Margins.Left : 0;
}

bool HasMenuItemImage(const TSkinData* data)
{
    return data && !data->NotLoaded && data->MenuItem && !data->MenuItem->Image->Empty();
}

TColor SkinColor(const TSkinData* data, TShemeColor slot, TColor fallback)
{
    return data && !data->NotLoaded ? data->Colors[slot] : fallback;
}

// The menu (of root's tree) that holds the item with this item data.
HMENU FindItemMenu(HMENU menu, ULONG_PTR data, int depth = 0)
{
    if (!menu || depth > 16) return nullptr;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
        if (mii.dwItemData == data) return menu;
        if (HMENU found = FindItemMenu(mii.hSubMenu, data, depth + 1)) return found;
    }
    return nullptr;
}

HMENU ParentHandle(TMenuItem* item)
{
    TMenu* menu = item ? item->GetParentMenu() : nullptr;
    if (!menu || !menu->HandleAllocated()) return nullptr;
    return FindItemMenu(menu->Handle(), reinterpret_cast<ULONG_PTR>(item));
}

// A canvas lent a DC for one call.
class TLentCanvas : public TCanvas {
public:
    explicit TLentCanvas(HDC dc) { SetHandle(dc); }
    ~TLentCanvas() override { SetHandle(nullptr); }
};

// Copies img onto dc grayed: every pixel that is not the key becomes a
// shade of the button shadow colour.
void DrawGrayed(HDC dc, int x, int y, TImageList* images, int index)
{
    TBitmap b;
    const TColor keep = images->BkColor;
    images->BkColor = SkinKeyColor;
    images->GetBitmap(index, &b);
    images->BkColor = keep;
    TCanvas* c = b.Canvas();
    const COLORREF shadow = ColorToRGB(clBtnShadow), face = ColorToRGB(clBtnHighlight);
    for (int py = 0; py < b.GetHeight(); ++py)
        for (int px = 0; px < b.GetWidth(); ++px) {
            const TColor p = c->GetPixel(px, py);
            if (p == SkinKeyColor) continue;
            const int lum = (GetRValue(p) * 30 + GetGValue(p) * 59 + GetBValue(p) * 11) / 100;
            c->SetPixel(px, py, lum > 192 ? static_cast<TColor>(face) : static_cast<TColor>(shadow));
        }
    DrawTranmap(dc, Bounds(x, y, b.GetWidth(), b.GetHeight()), &b);
}

// The platform's check mark in colour at (x, y).
void DrawCheckMark(HDC dc, int x, int y, int w, int h, TColor color)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, w, h));
    RECT r{0, 0, w, h};
    DrawFrameControl(c->Handle(), &r, DFC_MENU, DFCS_MENUCHECK);
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            c->SetPixel(px, py, c->GetPixel(px, py) == clWhite ? SkinKeyColor : color);
    DrawTranmap(dc, Bounds(x, y, w, h), &b);
}

TSkinManage* Manager()
{
    return SkinManager;
}

} // namespace

// Watches the menus the engine painted on, so none is touched once freed.
class TSkinMenuWatch : public TComponent {
public:
    explicit TSkinMenuWatch(std::vector<TMenu*>& menus) : TComponent(nullptr), menus_(menus) {}
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove) std::erase(menus_, AComponent);
    }

private:
    std::vector<TMenu*>& menus_;
};

TSkinFormMenus::TSkinFormMenus(TSkinMenuHost& host)
    : host_(host), watch_(std::make_unique<TSkinMenuWatch>(hooked_))
{
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        menuFont_.SetName(ncm.lfMenuFont.lfFaceName);
        menuFont_.SetHeight(ncm.lfMenuFont.lfHeight);
    }
}

TSkinFormMenus::~TSkinFormMenus()
{
    // The frame is on its way out: it is told nothing more unless a
    // drop-down is still open.
    if (tracking_) CancelMenu();
    if (msgHook_) UnhookWindowsHookEx(msgHook_);
    // Items must not keep calling into a frame that is gone.
    for (TMenu* menu : std::vector<TMenu*>(hooked_))
        HookMenu(menu, false, false);
    menuBar_.reset();
    sysMenu_.reset();
}

TImageList* TSkinFormMenus::ImagesOf(TMenuItem* item) const
{
    TMenu* menu = item ? item->GetParentMenu() : nullptr;
    return menu ? menu->GetImages() : nullptr;
}

// ---------------------------------------------------------------------------
// Measuring

void TSkinFormMenus::MeasureItemPop(TObject* Sender, TCanvas*, int& Width, int&)
{
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    Width += LeftMargin(host_.MenuHostSkinData()) + 12;
    if (!ImagesOf(item)) Width += 23;
}

void TSkinFormMenus::MeasureItem(TObject* Sender, TCanvas*, int& Width, int&)
{
    // The item has measured itself before its event runs.
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    Width += LeftMargin(host_.MenuHostSkinData()) + 10;
    if (!ImagesOf(item)) Width += 25;
}

bool TSkinFormMenus::WMMEASUREITEM(MEASUREITEMSTRUCT* mis)
{
    if (!mis || mis->CtlType != ODT_MENU) return false;
    TMenuItem* framework = FindMenuItem(static_cast<uint16_t>(mis->itemID));
    if (framework && reinterpret_cast<ULONG_PTR>(framework) == mis->itemData) return false;
    auto text = plainTexts_.find(mis->itemID);
    const std::string caption = text == plainTexts_.end() ? std::string("-") : text->second;
    TWindowDC screen = TWindowDC::Get(nullptr);
    TLentCanvas canvas(screen.Handle());
    canvas.SetFont(&menuFont_);
    if (caption == "-") {
        mis->itemHeight = 8;
        mis->itemWidth = 10;
    } else {
        TRect r;
        DoDrawText(&canvas, caption, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        mis->itemWidth = static_cast<UINT>(r.Width() + 26 + LeftMargin(host_.MenuHostSkinData()));
        mis->itemHeight = static_cast<UINT>(r.Height() + 4);
    }
    if (!Win32PlatformIsUnicode) mis->itemHeight += 4;
    return true;
}

// ---------------------------------------------------------------------------
// Drawing

void TSkinFormMenus::DrawMenuItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected)
{
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || !ACanvas) return;
    DrawItemIn(item, ParentHandle(item), ACanvas, ARect, Selected);
}

void TSkinFormMenus::DrawItemIn(TMenuItem* item, HMENU parent, TCanvas* ACanvas, const TRect& ARect,
                                bool Selected)
{
    TSkinData* data = host_.MenuHostSkinData();
    if (!HasMenuItemImage(data)) {
        DefaultMenuItem(item, ACanvas, ARect, Selected);
        return;
    }
    TBitmap* bg = nullptr;
    // Items sit inside the menu window's frame; where that frame is drawn
    // decides which part of the background lies under the item.
    TPoint offset(MenuBorder, MenuBorder);
    if (TSkinManage* m = Manager()) {
        m->SetPopMenu();
        m->SetHMenu(parent);
        bg = m->GetMenuBg(parent);
        for (const auto& pop : m->MenuList)
            if (bg && pop->Menu == parent) offset = pop->ClientOffset();
    }
    const int w = ARect.Width(), h = ARect.Height();
    if (w <= 0 || h <= 0) return;
    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(w, h);
    TCanvas* bc = buffer.Canvas();
    if (bg) {
        bc->CopyRect(Rect(0, 0, w, h), bg->Canvas(),
                     Bounds(ARect.Left + offset.X, ARect.Top + offset.Y, w, h));
    } else {
        bc->Brush()->SetColor(data->Colors[csMenubg]);
        bc->FillRect(Rect(0, 0, w, h));
    }
    TDataSkinObject& o = *data->MenuItem;
    if (item->IsLine()) {
        BitBlt(ACanvas->Handle(), ARect.Left, ARect.Top, w, h, bc->Handle(), 0, 0, SRCCOPY);
        DrawMenuCaption(ACanvas, ARect);
        return;
    }
    DrawRect2(bc->Handle(), Rect(0, 0, w, h), o.Image.get(), false, o.Tile == 1, o.Trans != 0,
              std::max(o.Frame, 1), Selected ? 4 : 1, o.Margins);
    bc->SetFont(ACanvas->Font());
    DrawItemText(item, bc, Selected, Rect(0, 0, w, h));
    BitBlt(ACanvas->Handle(), ARect.Left, ARect.Top, w, h, bc->Handle(), 0, 0, SRCCOPY);
}

void TSkinFormMenus::DrawMenuCaption(TCanvas* ACanvas, const TRect& R)
{
    TSkinData* data = host_.MenuHostSkinData();
    if (!HasMenuItemImage(data) || R.IsEmpty()) return;
    TDataSkinObject& o = *data->MenuItem;
    const TRect f = FrameRect(o.Image.get(), false, std::max(o.Frame, 1), 2);
    if (f.IsEmpty()) return;
    const int ml = std::min(o.Margins.Left, f.Width()), mr = std::min(o.Margins.Right, f.Width() - ml);
    TBitmap piece;
    piece.SetPixelFormat(pf24bit);
    piece.SetSize(R.Width(), R.Height());
    HDC dst = piece.Canvas()->Handle();
    HDC src = o.Image->Canvas()->Handle();
    SetStretchBltMode(dst, COLORONCOLOR);
    const int w = R.Width(), h = R.Height();
    StretchBlt(dst, 0, 0, ml, h, src, f.Left, f.Top, ml, f.Height(), SRCCOPY);
    StretchBlt(dst, w - mr, 0, mr, h, src, f.Right - mr, f.Top, mr, f.Height(), SRCCOPY);
    StretchBlt(dst, ml, 0, std::max(w - ml - mr, 0), h, src, f.Left + ml, f.Top, f.Width() - ml - mr,
               f.Height(), SRCCOPY);
    DrawTranmap(ACanvas->Handle(), R, &piece);
}

void TSkinFormMenus::DoDrawText(TCanvas* ACanvas, const std::string& text, TRect& r, UINT format)
{
    if (format & DT_CALCRECT) {
        // An empty caption still needs a line's height.
        std::string measured = text.empty() || text == "&" ? text + " " : text;
        ACanvas->DrawText(measured, r, format);
        return;
    }
    if (text == "-") {
        RECT line = Rect(r.Left, r.Top + 4, r.Right, r.Bottom);
        DrawEdge(ACanvas->Handle(), &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    ACanvas->DrawText(text, r, format);
}

void TSkinFormMenus::DrawItemText(TMenuItem* item, TCanvas* ACanvas, bool selected, const TRect& R)
{
    TSkinData* data = host_.MenuHostSkinData();
    TImageList* images = ImagesOf(item);
    const bool rtl = host_.MenuHostRightToLeft();
    int column = images ? images->GetWidth() : ImageColumn;
    if (item->GetChecked()) column = std::max(column, ImageColumn);
    const int ml = LeftMargin(data);
    const TRect cell = rtl ? Rect(R.Right - 1 - ml - column, R.Top + 1, R.Right - 1 - ml, R.Top + 1 + column)
                           : Bounds(R.Left + 1 + ml, R.Top + 1, column, column);
    HDC dc = ACanvas->Handle();
    const int index = item->GetImageIndex();
    if (images && index >= 0 && index < images->Count()) {
        if (item->GetChecked()) {
            // The pressed look of a checked picture.
            TBitmap pattern;
            pattern.SetPixelFormat(pf24bit);
            pattern.SetSize(8, 8);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    pattern.Canvas()->SetPixel(x, y, (x + y) % 2 ? clBtnFace : clBtnHighlight);
            TBrushHandle brush(CreatePatternBrush(pattern.Handle()));
            RECT c = cell;
            FillRect(dc, &c, brush.Get());
            RECT e = c;
            DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
        }
        const int x = cell.Left + (column - images->GetWidth()) / 2;
        const int y = cell.Top + (column - images->GetHeight()) / 2;
        if (item->GetEnabled())
            images->Draw(ACanvas, x, y, index);
        else
            DrawGrayed(dc, x, y, images, index);
    } else if (item->GetChecked()) {
        const int cw = GetSystemMetrics(SM_CXMENUCHECK), ch = GetSystemMetrics(SM_CYMENUCHECK);
        DrawCheckMark(dc, cell.Left + (column - cw) / 2 + 1, R.Top + (R.Height() - ch) / 2 + 1, cw, ch,
                      clBtnText);
    }
    TRect text = rtl ? Rect(R.Left + 1, R.Top, cell.Left - 3, R.Bottom)
                     : Rect(cell.Right + 3, R.Top, R.Right - 1, R.Bottom);
    const std::string& caption = item->GetCaption();
    TFontStyles style = ACanvas->Font()->GetStyle();
    if (item->GetDefault()) style.Include(fsBold);
    ACanvas->Font()->SetStyle(style);
    TRect measured = text;
    DoDrawText(ACanvas, caption, measured, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    const int down = (text.Height() - measured.Height()) / 2;
    text.Top += down;
    text.Bottom = text.Top + measured.Height();
    const TColor menuText = SkinColor(data, csMenuText, clMenuText);
    TColor color = selected ? SkinColor(data, csHilightText, clHighlightText) : menuText;
    if (!item->GetEnabled()) {
        color = SkinColor(data, csButtonShadow, clGrayText);
        if (color == menuText) color = clGrayText;
    }
    ACanvas->Font()->SetColor(color);
    SetBkMode(dc, TRANSPARENT);
    ACanvas->Brush()->SetStyle(bsClear);
    UINT format = DT_SINGLELINE | DT_EXPANDTABS;
    if (rtl) format |= DT_RIGHT | DT_RTLREADING;
    DoDrawText(ACanvas, caption, text, format);
    if (item->GetShortCut() != scNone) {
        TRect sc = rtl ? Rect(text.Left + 10, text.Top, text.Right, text.Bottom)
                       : Rect(text.Left, text.Top, text.Right - 10, text.Bottom);
        DoDrawText(ACanvas, ShortCutToText(item->GetShortCut()), sc,
                   DT_SINGLELINE | (rtl ? DT_LEFT : DT_RIGHT) | DT_NOPREFIX);
    }
}

void TSkinFormMenus::DefaultMenuItem(TMenuItem* item, TCanvas* ACanvas, const TRect& ARect, bool Selected)
{
    TSkinData* data = host_.MenuHostSkinData();
    const bool line = item->IsLine();
    ACanvas->Brush()->SetStyle(bsSolid);
    ACanvas->Brush()->SetColor(Selected && !line ? SkinColor(data, csHilight, clHighlight)
                                                 : SkinColor(data, csMenubg, clMenu));
    ACanvas->FillRect(ARect);
    if (line) {
        TRect r = ARect;
        DoDrawText(ACanvas, "-", r, 0);
        return;
    }
    DrawItemText(item, ACanvas, Selected, ARect);
}

// ---------------------------------------------------------------------------
// Items of plain menus

std::unique_ptr<TMenuItem> TSkinFormMenus::CreateMenuItem(HMENU menu, UINT id)
{
    auto item = std::make_unique<TMenuItem>(nullptr);
    wchar_t text[256] = {};
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STATE | MIIM_STRING | MIIM_FTYPE;
    mii.dwTypeData = text;
    mii.cch = 255;
    std::string caption;
    if (GetMenuItemInfoW(menu, id, FALSE, &mii)) {
        caption = WideStringToStringEx(text);
        item->SetEnabled(!(mii.fState & MFS_GRAYED));
        item->SetChecked((mii.fState & MFS_CHECKED) != 0);
        item->SetDefault((mii.fState & MFS_DEFAULT) != 0);
        if (mii.fType & MFT_SEPARATOR) caption = "-";
    }
    // Owner-drawn items may no longer tell their text: the copy taken when
    // they were made owner-drawn stands in.
    if (caption.empty())
        if (auto it = plainTexts_.find(id); it != plainTexts_.end()) caption = it->second;
    item->SetCaption(caption.empty() ? "-" : caption);
    return item;
}

void TSkinFormMenus::DrawHMenuItem2(const DRAWITEMSTRUCT& dis)
{
    HMENU menu = reinterpret_cast<HMENU>(dis.hwndItem);
    auto item = CreateMenuItem(menu, dis.itemID);
    TSaveDC save(dis.hDC);
    TLentCanvas canvas(dis.hDC);
    canvas.SetFont(&menuFont_);
    DrawItemIn(item.get(), menu, &canvas, dis.rcItem, (dis.itemState & ODS_SELECTED) != 0);
}

bool TSkinFormMenus::WMDRAWITEM(DRAWITEMSTRUCT* dis)
{
    if (!dis || dis->CtlType != ODT_MENU) return false;
    // Framework items are painted by their own events.
    TMenuItem* framework = FindMenuItem(static_cast<uint16_t>(dis->itemID));
    if (framework && reinterpret_cast<ULONG_PTR>(framework) == dis->itemData) return false;
    DrawHMenuItem2(*dis);
    return true;
}

void TSkinFormMenus::WMINITMENU(HMENU menu)
{
    if (!menu || !Win32PlatformIsUnicode) return;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_DATA;
        mii.dwTypeData = text;
        mii.cch = 255;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
        if (mii.hSubMenu) WMINITMENU(mii.hSubMenu);
        if (mii.fType & MFT_OWNERDRAW) continue;
        // A framework item the skin left alone (its menu carries the
        // skin's disable tag) keeps the drawing it has.
        if (TMenuItem* framework = FindMenuItem(static_cast<uint16_t>(mii.wID));
            framework && reinterpret_cast<ULONG_PTR>(framework) == mii.dwItemData)
            continue;
        plainTexts_[mii.wID] = (mii.fType & MFT_SEPARATOR) ? std::string("-") : WideStringToStringEx(text);
        MENUITEMINFOW set{};
        set.cbSize = sizeof set;
        set.fMask = MIIM_FTYPE;
        set.fType = mii.fType | MFT_OWNERDRAW;
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &set);
    }
}

// ---------------------------------------------------------------------------
// A form's framework menus

void TSkinFormMenus::HookMenu(TMenu* menu, bool skin, bool main)
{
    if (!menu) return;
    struct Walk {
        static void Items(TMenuItem* parent, TSkinFormMenus* self, bool skin, bool main)
        {
            for (int i = 0; i < parent->Count(); ++i) {
                TMenuItem* item = parent->Items(i);
                if (skin) {
                    item->OnDrawItem = TSkinDrawEvent{self};
                    if (main || !item->OnMeasureItem) item->OnMeasureItem = TSkinMeasureEvent{self, !main};
                } else {
                    if (item->OnDrawItem.target<TSkinDrawEvent>()) item->OnDrawItem = nullptr;
                    if (item->OnMeasureItem.target<TSkinMeasureEvent>()) item->OnMeasureItem = nullptr;
                }
                Items(item, self, skin, main);
            }
        }
    };
    Walk::Items(menu->Items(), this, skin, main);
    const bool known = std::find(hooked_.begin(), hooked_.end(), menu) != hooked_.end();
    if (skin && !known) {
        hooked_.push_back(menu);
        watch_->FreeNotification(menu);
    } else if (!skin && known) {
        std::erase(hooked_, menu);
        watch_->RemoveFreeNotification(menu);
    }
    if (!menu->ComponentState().Contains(csDestroying)) menu->ItemsChanged();
}

void TSkinFormMenus::InitPopMenu(bool skin)
{
    TCustomForm* form = host_.MenuHostForm();
    TSkinData* data = host_.MenuHostSkinData();
    if (!form) return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* popup = dynamic_cast<TPopupMenu*>(form->Components(i));
        if (!popup) continue;
        if (skin && data && data->SkinControls.Contains(xcPopupMenu) && popup->Tag != data->DisableTag)
            HookMenu(popup, true, false);
        else if (!skin)
            HookMenu(popup, false, false);
    }
}

void TSkinFormMenus::InitMainMenu(bool skin)
{
    TCustomForm* form = host_.MenuHostForm();
    TSkinData* data = host_.MenuHostSkinData();
    TMainMenu* main = form ? form->GetMenu() : nullptr;
    if (!main) return;
    if (skin && !(data && data->SkinControls.Contains(xcMenuItem))) return;
    HookMenu(main, skin, true);
    // Rebuilding the main menu hands it to its window again; the bar keeps
    // drawing it instead.
    if (skin && menuBar_ && IsWindow(host_.MenuHostHandle()) && GetMenu(host_.MenuHostHandle())) {
        menuBar_->MenuHandle = GetMenu(host_.MenuHostHandle());
        SetMenu(host_.MenuHostHandle(), nullptr);
        menuBar_->UpdataBtn();
    }
}

void TSkinFormMenus::InitToolbarMenu(bool skin)
{
    TCustomForm* form = host_.MenuHostForm();
    TSkinData* data = host_.MenuHostSkinData();
    if (!form) return;
    if (skin && !(data && data->SkinControls.Contains(xcPopupMenu))) return;
    // Tool buttons' drop-down menus and tool bars' menus, where the classes
    // publish them.
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* c = form->Components(i);
        for (const char* prop : {"DropdownMenu", "Menu"}) {
            if (dynamic_cast<TCustomForm*>(c)) continue;
            auto* popup = dynamic_cast<TPopupMenu*>(GetObjProp(c, prop));
            if (popup && (!skin || popup->Tag != data->DisableTag)) HookMenu(popup, skin, false);
        }
    }
}

TBitmap* TSkinFormMenus::GetMenuBG(HMENU menu)
{
    TSkinManage* m = Manager();
    return m ? m->GetMenuBg(menu) : nullptr;
}

// ---------------------------------------------------------------------------
// The skinned system menu

void TSkinFormMenus::PopSysmenu(TPoint p)
{
    TSkinManage* m = Manager();
    if (m && !m->MenuList.empty()) return;
    const DWORD now = GetTickCount();
    if (now - host_.MenuHostLastPopTime() > host_.MenuHostDoubleClickTime()) {
        host_.MenuHostSetLastPopTime(now);
        ShowSysmenu(p);
    } else if (host_.MenuHostHotObject()) {
        host_.StopHoverTimer();
        PostMessageA(host_.MenuHostHandle(), WM_CLOSE, 0, 0);
    }
}

// Keys typed ahead while the window was busy (Alt+Space, Escape, Alt+Space)
// arrive together; timed as clicks, the second Alt+Space would be dropped.
// Nor does a key pop start the time of a double click.
void TSkinFormMenus::KeySysmenu(TPoint p)
{
    TSkinManage* m = Manager();
    if (m && !m->MenuList.empty()) return;
    ShowSysmenu(p);
}

void TSkinFormMenus::ShowSysmenu(TPoint p)
{
    TSkinManage* m = Manager();
    if (m) m->MenuKind = MenuKindSystem;
    if (LOBYTE(GetVersion()) >= 5)
        CreateSysmenu2();
    else
        CreateSysmenu();
    sysMenu_->Popup(p.X, p.Y);
    // A menu the manager did not take must not leave its kind behind for the
    // next pop-up menu.
    if (m && m->MenuList.empty()) m->MenuKind = MenuKindPopup;
}

std::unique_ptr<TPopupMenu> TSkinFormMenus::NewSysMenu()
{
    auto menu = std::make_unique<TPopupMenu>(nullptr);
    menu->Tag = SkinSysMenuTag;
    TSkinData* data = host_.MenuHostSkinData();
    if (data && data->MenuImages) menu->SetImages(data->MenuImages.get());
    menu->SetOwnerDraw(true);
    return menu;
}

TMenuItem* TSkinFormMenus::AddSysItem(const std::string& caption, int image, TNotifyEvent click)
{
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    item->SetImageIndex(image);
    item->OnClick = std::move(click);
    item->OnDrawItem = TSkinDrawEvent{this};
    item->OnMeasureItem = TSkinMeasureEvent{this, true};
    sysMenu_->Items()->Add(item);
    return item;
}

void TSkinFormMenus::CreateSysmenu2()
{
    sysMenu_.reset();
    sysMenu_ = NewSysMenu();
    HWND wnd = host_.MenuHostHandle();
    HMENU sys = GetSystemMenu(wnd, FALSE);
    const int n = sys ? GetMenuItemCount(sys) : 0;
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = 255;
        if (!GetMenuItemInfoW(sys, static_cast<UINT>(i), TRUE, &mii)) continue;
        // The system's "text\tkey" stays whole: the tab stop places the key,
        // whatever words the system uses for it.
        std::string caption = WideStringToStringEx(text);
        if (caption.empty() || (mii.fType & MFT_SEPARATOR)) caption = "-";
        const UINT id = mii.wID;
        bool enabled = !(mii.fState & MFS_GRAYED);
        int image = -1;
        switch (id & 0xFFF0) {
        case SC_RESTORE:
            image = 0;
            enabled = host_.MenuHostMaximized() || host_.MenuHostMinimized();
            break;
        case SC_MAXIMIZE:
            image = 1;
            enabled = !host_.MenuHostMaximized() && host_.MenuHostHasMaximizeBox();
            break;
        case SC_MINIMIZE:
            image = 2;
            enabled = !host_.MenuHostMinimized() && host_.MenuHostHasMinimizeBox();
            break;
        case SC_CLOSE:
            image = 3;
            break;
        case SC_MOVE:
        case SC_SIZE:
            enabled = !host_.MenuHostMaximized();
            break;
        default:
            break;
        }
        TMenuItem* item = AddSysItem(caption, image, [wnd](TObject* sender) {
            if (auto* it = dynamic_cast<TMenuItem*>(sender))
                PostMessageA(wnd, WM_SYSCOMMAND, static_cast<WPARAM>(static_cast<uint32_t>(it->Tag)), 0);
        });
        item->Tag = static_cast<int32_t>(id);
        item->SetEnabled(enabled);
        item->SetChecked((mii.fState & MFS_CHECKED) != 0);
        item->SetDefault((mii.fState & MFS_DEFAULT) != 0);
    }
}

void TSkinFormMenus::CreateSysmenu()
{
    sysMenu_.reset();
    sysMenu_ = NewSysMenu();
    TSkinMenuHost* host = &host_;
    AddSysItem(" Restore ", 0, [host](TObject*) { host->Restore(); });
    if (host_.MenuHostHasMaximizeBox()) AddSysItem(" Maximize ", 1, [host](TObject*) { host->Maximize(); });
    if (host_.MenuHostHasMinimizeBox()) AddSysItem(" Minimize ", 2, [host](TObject*) { host->Minimize(); });
    AddSysItem("-", -1, nullptr);
    TMenuItem* close = AddSysItem(" Close ", 3, [host](TObject*) {
        host->StopHoverTimer();
        PostMessageA(host->MenuHostHandle(), WM_CLOSE, 0, 0);
    });
    close->SetShortCut(TextToShortCut("Alt+F4"));
}
