#include "framework/comctrls.h"

#include <commctrl.h>

#include <algorithm>

// ---------------------------------------------------------------------------
// TUpDown

const TClassInfo& TUpDown::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TUpDown>()
            .Int("Min", &TUpDown::GetMin, &TUpDown::SetMin, 0)
            .Int("Max", &TUpDown::GetMax, &TUpDown::SetMax, 100)
            .Int("Position", &TUpDown::GetPosition, &TUpDown::SetPosition, 0)
            .Int("Increment", &TUpDown::GetIncrement, &TUpDown::SetIncrement, 1)
            .Bool("Wrap", &TUpDown::GetWrap, &TUpDown::SetWrap, false)
            .Bool("ArrowKeys", &TUpDown::GetArrowKeys, &TUpDown::SetArrowKeys, true)
            .Bool("Thousands", &TUpDown::GetThousands, &TUpDown::SetThousands, true)
            .Enum("Orientation", &TUpDown::GetOrientation, &TUpDown::SetOrientation, udVertical)
            .Enum("AlignButton", &TUpDown::GetAlignButton, &TUpDown::SetAlignButton, udRight)
            .Object("Associate", &TUpDown::GetAssociate, &TUpDown::SetAssociate)
            .Event("OnChanging", &TUpDown::OnChanging)
            .Event("OnChangingEx", &TUpDown::OnChangingEx)
            .Event("OnClick", &TUpDown::OnClick);
    return info;
}

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner)
{
    // The system control captures the mouse itself while an arrow is held.
    ControlStyle = {csFixedWidth, csFixedHeight};
    width_ = 16;
    height_ = 24;
}

TUpDown::~TUpDown()
{
    // The window goes while this is still a TUpDown: its last notifications
    // must not reach a half-destroyed object.
    DestroyHandle();
}

void TUpDown::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, UPDOWN_CLASSA);
    // No UDS_ALIGN*: the edit and the spinner keep the bounds the layout
    // gives them; the spinner only writes its position into the edit.
    Params.Style |= UDS_SETBUDDYINT;
    if (arrowKeys_) Params.Style |= UDS_ARROWKEYS;
    if (!thousands_) Params.Style |= UDS_NOTHOUSANDS;
    if (wrap_) Params.Style |= UDS_WRAP;
    if (orientation_ == udHorizontal) Params.Style |= UDS_HORZ;
}

void TUpDown::CreateWindowDone()
{
    UpdateRange();
    UDACCEL accel{0, static_cast<UINT>(std::max(increment_, 1))};
    SendMessageA(handle_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    UpdateBuddy();
}

void TUpDown::DestroyWnd()
{
    if (handle_) SendMessageA(handle_, UDM_SETBUDDY, 0, 0);
    TWinControl::DestroyWnd();
}

void TUpDown::UpdateRange()
{
    if (!handle_) return;
    SendMessageA(handle_, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageA(handle_, UDM_SETPOS32, 0, position_);
}

void TUpDown::UpdateBuddy()
{
    if (!handle_) return;
    HWND buddy = nullptr;
    if (associate_ && associate_->Parent()) buddy = associate_->Handle();
    SendMessageA(handle_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    // Setting the buddy does not write the position into it.
    SendMessageA(handle_, UDM_SETPOS32, 0, position_);
}

void TUpDown::SetMin(int16_t value)
{
    if (value == min_) return;
    min_ = value;
    if (!ComponentState().Contains(csLoading) && position_ < min_) position_ = min_;
    UpdateRange();
}

void TUpDown::SetMax(int16_t value)
{
    if (value == max_) return;
    max_ = value;
    if (!ComponentState().Contains(csLoading) && position_ > max_) position_ = max_;
    UpdateRange();
}

void TUpDown::SetPosition(int16_t value)
{
    // A layout's position is the start state, not a change.
    if (ComponentState().Contains(csLoading)) {
        position_ = value;
        return;
    }
    const int16_t clamped = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (clamped != position_) {
        if (!CanChange(clamped, updNone)) return;
        position_ = clamped;
    }
    // Also when the position stays: the edit may show something else.
    if (handle_) SendMessageA(handle_, UDM_SETPOS32, 0, position_);
}

void TUpDown::Loaded()
{
    TWinControl::Loaded();
    position_ = std::clamp(position_, std::min(min_, max_), std::max(min_, max_));
    UpdateRange();
}

void TUpDown::SetIncrement(int32_t value)
{
    increment_ = value;
    if (handle_) {
        UDACCEL accel{0, static_cast<UINT>(std::max(increment_, 1))};
        SendMessageA(handle_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    }
}

void TUpDown::SetWrap(bool value)
{
    if (value == wrap_) return;
    wrap_ = value;
    RecreateWnd();
}

void TUpDown::SetArrowKeys(bool value)
{
    if (value == arrowKeys_) return;
    arrowKeys_ = value;
    RecreateWnd();
}

void TUpDown::SetThousands(bool value)
{
    if (value == thousands_) return;
    thousands_ = value;
    RecreateWnd();
}

void TUpDown::SetOrientation(TUDOrientation value)
{
    if (value == orientation_) return;
    orientation_ = value;
    RecreateWnd();
}

void TUpDown::SetAssociate(TWinControl* value)
{
    if (value == associate_) return;
    if (value == this) throw EInvalidOperation("An up-down cannot be associated with itself");
    if (associate_) associate_->RemoveFreeNotification(this);
    associate_ = value;
    if (associate_) associate_->FreeNotification(this);
    if (!ComponentState().Contains(csLoading)) UpdateBuddy();
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == associate_) {
        associate_ = nullptr;
        if (handle_) SendMessageA(handle_, UDM_SETBUDDY, 0, 0);
    }
}

bool TUpDown::CanChange(short NewValue, TUpDownDirection Direction)
{
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (OnChangingEx) OnChangingEx(this, allow, NewValue, Direction);
    return allow;
}

void TUpDown::Click(TUDBtnType Button)
{
    if (OnClick) OnClick(this, Button);
}

short TUpDown::Stepped(int current, int delta) const
{
    const int lo = std::min(min_, max_), hi = std::max(min_, max_);
    const int next = current + delta;
    if (next > hi) return static_cast<short>(wrap_ ? lo : hi);
    if (next < lo) return static_cast<short>(wrap_ ? hi : lo);
    return static_cast<short>(next);
}

void TUpDown::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_NOTIFY:
        CNNotify(Message);
        return;
    case CN_VSCROLL:
    case CN_HSCROLL:
        CNScroll(Message);
        return;
    }
    TWinControl::Dispatch(Message);
}

void TUpDown::CNNotify(TMessage& Message)
{
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (hdr->code != static_cast<UINT>(UDN_DELTAPOS)) return;
    auto* nm = reinterpret_cast<NMUPDOWN*>(Message.LParam);
    // A reversed range counts upwards too.
    const int delta = min_ > max_ ? -nm->iDelta : nm->iDelta;
    lastDirection_ = delta > 0 ? updUp : delta < 0 ? updDown : updNone;
    Message.Result = CanChange(Stepped(nm->iPos, delta), lastDirection_) ? 0 : 1;
    if (Message.Result) lastDirection_ = updNone;
}

void TUpDown::CNScroll(TMessage& Message)
{
    BOOL failed = FALSE;
    const LRESULT pos = SendMessageA(handle_, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed));
    if (!failed) position_ = static_cast<int16_t>(pos);
    Message.Result = 0;
    const TUpDownDirection dir = lastDirection_;
    lastDirection_ = updNone;
    if (dir != updNone) Click(dir == updUp ? btNext : btPrev);
}

// ---------------------------------------------------------------------------
// TToolButton

namespace {
// Command identifiers of tool buttons; menu items have their own range.
int NextToolCommand()
{
    static int next = 0;
    next = next >= 0x3FFF ? 1 : next + 1;
    return next;
}
} // namespace

TCustomDrawState CustomDrawStateOf(UINT itemState)
{
    TCustomDrawState s;
    if (itemState & CDIS_SELECTED) s.Include(cdsSelected);
    if (itemState & CDIS_GRAYED) s.Include(cdsGrayed);
    if (itemState & CDIS_DISABLED) s.Include(cdsDisabled);
    if (itemState & CDIS_CHECKED) s.Include(cdsChecked);
    if (itemState & CDIS_FOCUS) s.Include(cdsFocused);
    if (itemState & CDIS_DEFAULT) s.Include(cdsDefault);
    if (itemState & CDIS_HOT) s.Include(cdsHot);
    if (itemState & CDIS_MARKED) s.Include(cdsMarked);
    if (itemState & CDIS_INDETERMINATE) s.Include(cdsIndeterminate);
    return s;
}

const TClassInfo& TToolButton::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TToolButton>()
            .Int("ImageIndex", &TToolButton::GetImageIndex, &TToolButton::SetImageIndex, -1)
            .Enum("Style", &TToolButton::GetStyle, &TToolButton::SetStyle, tbsButton)
            .Bool("Down", &TToolButton::GetDown, &TToolButton::SetDown, false)
            .Bool("Grouped", &TToolButton::GetGrouped, &TToolButton::SetGrouped, false);
    return info;
}

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner), command_(NextToolCommand())
{
    ControlStyle = {csCaptureMouse, csSetCaption, csClickEvents};
    width_ = 23;
    height_ = 22;
}

TToolButton::~TToolButton()
{
    if (toolBar_) toolBar_->RemoveButton(this);
}

void TToolButton::SetParent(TWinControl* AParent)
{
    if (AParent == parent_) return;
    if (toolBar_) toolBar_->RemoveButton(this);
    TGraphicControl::SetParent(AParent);
    if (auto* bar = dynamic_cast<TToolBar*>(AParent)) bar->AddButton(this);
}

int TToolButton::Index() const
{
    if (!toolBar_) return -1;
    const auto& list = toolBar_->buttons_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TToolButton::Changed()
{
    if (toolBar_) toolBar_->ButtonChanged(this);
}

void TToolButton::SetImageIndex(int32_t value)
{
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed();
}

void TToolButton::SetStyle(TToolButtonStyle value)
{
    if (value == style_) return;
    style_ = value;
    if (value == tbsSeparator || value == tbsDivider) width_ = 8;
    Changed();
}

bool TToolButton::GetDown() const
{
    if (toolBar_ && toolBar_->HandleAllocated())
        return SendMessageA(toolBar_->GetHandleIfAllocated(), TB_ISBUTTONCHECKED, command_, 0) != 0 ||
               SendMessageA(toolBar_->GetHandleIfAllocated(), TB_ISBUTTONPRESSED, command_, 0) != 0;
    return down_;
}

void TToolButton::SetDown(bool value)
{
    down_ = value;
    if (toolBar_ && toolBar_->HandleAllocated()) {
        HWND bar = toolBar_->GetHandleIfAllocated();
        SendMessageA(bar, style_ == tbsCheck ? TB_CHECKBUTTON : TB_PRESSBUTTON, command_,
                     MAKELPARAM(value, 0));
    }
}

void TToolButton::SetGrouped(bool value)
{
    if (value == grouped_) return;
    grouped_ = value;
    Changed();
}

void TToolButton::SetEnabled(bool value)
{
    if (value == enabled_) return;
    TGraphicControl::SetEnabled(value);
    if (toolBar_ && toolBar_->HandleAllocated())
        SendMessageA(toolBar_->GetHandleIfAllocated(), TB_ENABLEBUTTON, command_, MAKELPARAM(value, 0));
}

void TToolButton::SetVisible(bool value)
{
    if (value == visible_) return;
    TGraphicControl::SetVisible(value);
    Changed();
}

void TToolButton::SetText(const std::string& value)
{
    if (value == text_) return;
    TGraphicControl::SetText(value);
    Changed();
}

void TToolButton::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    // The width of a separator is its gap; a button's comes from the bar.
    if (!settingBounds_ && (style_ == tbsSeparator || style_ == tbsDivider) &&
        !ComponentState().Contains(csLoading))
        Changed();
}

void TToolButton::Dispatch(TMessage& Message)
{
    // The bar takes its own mouse input: its buttons never claim a point.
    if (Message.Msg == CM_HITTEST) {
        Message.Result = 0;
        return;
    }
    TGraphicControl::Dispatch(Message);
}

// ---------------------------------------------------------------------------
// TToolBar

const TClassInfo& TToolBar::StaticClass()
{
    // A layout naming a tool bar names its buttons too.
    TToolButton::StaticClass();
    static const TClassInfo& info =
        PublishClass<TToolBar>()
            .Bool("Flat", &TToolBar::GetFlat, &TToolBar::SetFlat, false)
            .Int("ButtonWidth", &TToolBar::GetButtonWidth, &TToolBar::SetButtonWidth, 23)
            .Int("ButtonHeight", &TToolBar::GetButtonHeight, &TToolBar::SetButtonHeight, 22)
            .Bool("ShowCaptions", &TToolBar::GetShowCaptions, &TToolBar::SetShowCaptions, false)
            .Bool("List", &TToolBar::GetList, &TToolBar::SetList, false)
            .Bool("Transparent", &TToolBar::GetTransparent, &TToolBar::SetTransparent, false)
            .Object("Images", &TToolBar::GetImages, &TToolBar::SetImages)
            .Event("OnCustomDraw", &TToolBar::OnCustomDraw)
            .Event("OnCustomDrawButton", &TToolBar::OnCustomDrawButton);
    return info;
}

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner), canvas_(std::make_unique<TCanvas>())
{
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks};
    width_ = 150;
    height_ = 29;
    align_ = alTop;
    SetColor(clBtnFace);
}

TToolBar::~TToolBar()
{
    DestroyHandle();
    for (TToolButton* b : buttons_)
        b->toolBar_ = nullptr;
    buttons_.clear();
    if (imageHandle_) ImageList_Destroy(imageHandle_);
}

void TToolBar::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, TOOLBARCLASSNAMEA);
    // The framework places the bar; the common-control alignment would not
    // know the form's other aligned controls.
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (flat_) Params.Style |= TBSTYLE_FLAT;
    if (list_) Params.Style |= TBSTYLE_LIST;
    if (transparent_) Params.Style |= TBSTYLE_TRANSPARENT;
}

void TToolBar::CreateWindowDone()
{
    SendMessageA(handle_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    UpdateImageList();
    RecreateButtons();
}

void TToolBar::DestroyWnd()
{
    TWinControl::DestroyWnd();
}

void TToolBar::UpdateImageList()
{
    if (!handle_) return;
    SendMessageA(handle_, TB_SETIMAGELIST, 0, 0);
    if (imageHandle_) {
        ImageList_Destroy(imageHandle_);
        imageHandle_ = nullptr;
    }
    if (images_ && images_->Count() > 0) {
        // The system list gets copies of the framework's images, so that the
        // bar can draw them (hot, disabled) on its own.
        const int w = images_->GetWidth(), h = images_->GetHeight();
        imageHandle_ = ImageList_Create(w, h, ILC_COLOR24 | ILC_MASK, images_->Count(), 0);
        for (int i = 0; i < images_->Count(); ++i) {
            TBitmap bmp;
            const TColor bk = images_->BkColor;
            images_->BkColor = clFuchsia;
            images_->GetBitmap(i, &bmp);
            images_->BkColor = bk;
            ImageList_AddMasked(imageHandle_, bmp.Handle(), RGB(255, 0, 255));
        }
        SendMessageA(handle_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageHandle_));
        SendMessageA(handle_, TB_SETBITMAPSIZE, 0, MAKELPARAM(w, h));
    } else {
        // Caption-only buttons: no room kept for a picture.
        SendMessageA(handle_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    }
}

void TToolBar::RecreateButtons()
{
    if (!handle_) return;
    SendMessageA(handle_, WM_SETREDRAW, FALSE, 0);
    while (SendMessageA(handle_, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageA(handle_, TB_DELETEBUTTON, 0, 0);
    SendMessageA(handle_, TB_SETMAXTEXTROWS, showCaptions_ ? 1 : 0, 0);
    for (TToolButton* b : buttons_) {
        TBBUTTON tb{};
        tb.idCommand = b->command_;
        const bool separator = b->style_ == tbsSeparator || b->style_ == tbsDivider;
        if (separator) {
            tb.fsStyle = BTNS_SEP;
            tb.iBitmap = b->width_;
        } else {
            tb.iBitmap = (images_ && b->imageIndex_ >= 0) ? b->imageIndex_ : I_IMAGENONE;
            tb.fsStyle = b->style_ == tbsCheck      ? BTNS_CHECK
                         : b->style_ == tbsDropDown ? BTNS_DROPDOWN
                                                    : BTNS_BUTTON;
            if (b->grouped_) tb.fsStyle |= BTNS_GROUP;
            if (showCaptions_)
                tb.iString = reinterpret_cast<INT_PTR>(b->text_.c_str());
            else
                tb.iString = -1;
        }
        tb.fsState = 0;
        if (b->enabled_) tb.fsState |= TBSTATE_ENABLED;
        if (!b->visible_) tb.fsState |= TBSTATE_HIDDEN;
        if (b->down_) tb.fsState |= b->style_ == tbsCheck ? TBSTATE_CHECKED : TBSTATE_PRESSED;
        SendMessageA(handle_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tb));
    }
    SendMessageA(handle_, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
    SendMessageA(handle_, TB_AUTOSIZE, 0, 0);
    SendMessageA(handle_, WM_SETREDRAW, TRUE, 0);
    UpdateButtonBounds();
    InvalidateRect(handle_, nullptr, TRUE);
}

void TToolBar::UpdateButtonBounds()
{
    if (!handle_) return;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        RECT r{};
        if (!SendMessageA(handle_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
        TToolButton* b = buttons_[i];
        b->settingBounds_ = true;
        b->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        b->settingBounds_ = false;
    }
}

void TToolBar::AddButton(TToolButton* button)
{
    button->toolBar_ = this;
    buttons_.push_back(button);
    if (!ComponentState().Contains(csLoading)) RecreateButtons();
}

void TToolBar::RemoveButton(TToolButton* button)
{
    button->toolBar_ = nullptr;
    buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button), buttons_.end());
    if (!ComponentState().Contains(csDestroying)) RecreateButtons();
}

void TToolBar::ButtonChanged(TToolButton*)
{
    if (!ComponentState().Contains(csLoading)) RecreateButtons();
}

void TToolBar::Loaded()
{
    TWinControl::Loaded();
    // Layouts give the order by position.
    std::stable_sort(buttons_.begin(), buttons_.end(),
                     [](const TToolButton* a, const TToolButton* b) { return a->Left() < b->Left(); });
    RecreateButtons();
}

TToolButton* TToolBar::FindButton(int command) const
{
    for (TToolButton* b : buttons_)
        if (b->command_ == command) return b;
    return nullptr;
}

void TToolBar::SetFlat(bool value)
{
    if (value == flat_) return;
    flat_ = value;
    RecreateWnd();
}

void TToolBar::SetButtonWidth(int32_t value)
{
    if (value == buttonWidth_) return;
    buttonWidth_ = value;
    RecreateButtons();
}

void TToolBar::SetButtonHeight(int32_t value)
{
    if (value == buttonHeight_) return;
    buttonHeight_ = value;
    RecreateButtons();
}

void TToolBar::SetShowCaptions(bool value)
{
    if (value == showCaptions_) return;
    showCaptions_ = value;
    RecreateWnd();
}

void TToolBar::SetList(bool value)
{
    if (value == list_) return;
    list_ = value;
    RecreateWnd();
}

void TToolBar::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    RecreateWnd();
}

void TToolBar::SetImages(TImageList* value)
{
    if (value == images_) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_) images_->FreeNotification(this);
    UpdateImageList();
    RecreateButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == images_) {
        images_ = nullptr;
        if (!ComponentState().Contains(csDestroying)) {
            UpdateImageList();
            RecreateButtons();
        }
    }
}

void TToolBar::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_NOTIFY:
        CNNotify(Message);
        return;
    case CN_COMMAND:
        CNCommand(Message);
        return;
    case WM_SIZE:
        TWinControl::Dispatch(Message);
        UpdateButtonBounds();
        return;
    }
    TWinControl::Dispatch(Message);
}

void TToolBar::WMPaint(TMessage& Message)
{
    // The bar draws its buttons; they have nothing of their own to add.
    DefaultHandler(Message);
}

void TToolBar::CNCommand(TMessage& Message)
{
    Message.Result = 0;
    TToolButton* b = FindButton(LOWORD(Message.WParam));
    if (!b) return;
    if (b->style_ == tbsCheck) b->down_ = SendMessageA(handle_, TB_ISBUTTONCHECKED, b->command_, 0) != 0;
    b->Click();
}

bool TToolBar::CustomDraw(const TRect& ARect)
{
    bool defaultDraw = true;
    if (OnCustomDraw) OnCustomDraw(this, ARect, defaultDraw);
    return defaultDraw;
}

bool TToolBar::CustomDrawButton(TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)
{
    if (!OnCustomDrawButton) return false;
    OnCustomDrawButton(this, Button, State, DefaultDraw);
    return true;
}

void TToolBar::CNNotify(TMessage& Message)
{
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (hdr->code != static_cast<UINT>(NM_CUSTOMDRAW)) {
        DefaultHandler(Message);
        return;
    }
    auto* cd = reinterpret_cast<NMTBCUSTOMDRAW*>(Message.LParam);
    Message.Result = CDRF_DODEFAULT;
    if (!OnCustomDraw && !OnCustomDrawButton) return;
    // The canvas draws on the bar's own DC for the length of the call.
    struct TCanvasScope {
        TCanvas& canvas;
        TCanvasScope(TCanvas& c, HDC dc, TFont* font) : canvas(c)
        {
            canvas.SetHandle(dc);
            canvas.Font()->Assign(font);
            canvas.Brush()->SetColor(clBtnFace);
        }
        ~TCanvasScope() { canvas.SetHandle(nullptr); }
    };
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
        TCanvasScope scope(*canvas_, cd->nmcd.hdc, font_.get());
        if (!CustomDraw(cd->nmcd.rc)) {
            Message.Result = CDRF_SKIPDEFAULT;
            return;
        }
        if (OnCustomDrawButton) Message.Result = CDRF_NOTIFYITEMDRAW;
        return;
    }
    case CDDS_ITEMPREPAINT: {
        TToolButton* b = FindButton(static_cast<int>(cd->nmcd.dwItemSpec));
        if (!b) return;
        TCanvasScope scope(*canvas_, cd->nmcd.hdc, font_.get());
        bool defaultDraw = true;
        if (!CustomDrawButton(b, CustomDrawStateOf(cd->nmcd.uItemState), defaultDraw)) return;
        if (!defaultDraw) {
            Message.Result = CDRF_SKIPDEFAULT;
            return;
        }
        // A handler may have chosen the caption colour.
        cd->clrText = ColorToRGB(canvas_->Font()->GetColor());
        return;
    }
    }
}
