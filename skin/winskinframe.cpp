// The skinned frame: taking a window over, activation, the replaced window
// procedure with its three message tables, the frame geometry, the skin
// change and every way of letting the window go.
#include "skin/winskinframe.h"

#include <algorithm>

#include "framework/controls.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"

namespace {

bool IsOneOf(UINT value, std::initializer_list<UINT> list)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

HWND FindMDIClient(HWND wnd)
{
    for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (Lower(GetWindowClassname(child)) == "mdiclient") return child;
    return nullptr;
}

} // namespace

TWinSkinForm* FindSkinFrame(HWND wnd)
{
    return wnd ? static_cast<TWinSkinForm*>(GetPropA(wnd, SkinFramePropName)) : nullptr;
}

std::vector<TWinSkinForm*>& LiveSkinFrames()
{
    static std::vector<TWinSkinForm*> frames;
    return frames;
}

const TClassInfo& TWinSkinForm::StaticClass()
{
    static const TClassInfo& info = PublishClass<TWinSkinForm>();
    return info;
}

TWinSkinForm::TWinSkinForm(TComponent* AOwner) : TComponent(AOwner)
{
    DblClickTime = GetDoubleClickTime();
    captionFont_ = std::make_unique<TFont>();
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        const LOGFONTA& lf = ncm.lfCaptionFont;
        captionFont_->SetName(lf.lfFaceName);
        captionFont_->SetHeight(lf.lfHeight);
        TFontStyles style;
        if (lf.lfWeight >= FW_BOLD) style.Include(fsBold);
        if (lf.lfItalic) style.Include(fsItalic);
        captionFont_->SetStyle(style);
        captionFont_->SetCharset(lf.lfCharSet);
    }
    canvas1_ = std::make_unique<TCanvas>();
    canvas2_ = std::make_unique<TCanvas>();
    iconBmp_ = std::make_unique<TBitmap>();
    captionBuffer_ = std::make_unique<TBitmap>();
    captionBuffer_->SetPixelFormat(pf24bit);
    controls_ = std::make_unique<TSkinControlList>(*this);
    menus_ = std::make_unique<TSkinFormMenus>(*this);
    LiveSkinFrames().push_back(this);
}

TRect TWinSkinForm::MenuHostBandRect() const
{
    if (MenuHeight <= 0) return {};
    RECT r{};
    GetWindowRect(Wnd, &r);
    return Rect(FrameLeft, FrameTop, (r.right - r.left) - FrameRight, FrameTop + MenuHeight);
}

bool TWinSkinForm::HostActive()
{
    return subclassed_ && FrameState != FrameDestroying && FrameState != FrameReleased;
}

TWinSkinForm::~TWinSkinForm()
{
    // A frame freed with its form while the window lives must not leave the
    // window calling into freed memory.
    if (subclassed_) RestoreProcedures();
    hoverTimer_.reset();
    menus_.reset();
    ReleaseControls();
    controls_.reset();
    HotObject = nullptr;
    SysButtons.clear();
    if (Manager) Manager->DeleteForm2(this);
    std::erase(LiveSkinFrames(), this);
}

// ---------------------------------------------------------------------------
// Take-over

void TWinSkinForm::InitTform(TSkinData* data, TCustomForm* form)
{
    Form = form;
    Wnd = form->Handle();
    if (data->OnBeforeSkinForm) data->OnBeforeSkinForm(this, Wnd, SkinFormName);
    // A scrolling form would move the skinned menu bar with its contents.
    if (data->SkinControls.Contains(xcMenuItem)) form->AutoScroll = false;
    InitSkin(data);
    if (SkinFrame && !formHooked_) {
        oldFormProc_ = form->WindowProc;
        form->WindowProc = [this](TMessage& m) { NewWndProc(m); };
        formHooked_ = true;
    }
    OldColor = form->GetColor();
    form->SetColor(data->Colors[csButtonFace]);
    if (SkinFrame) menus_->InitPopMenu(true);
    if (data->SkinControls.Contains(xcMenuItem)) menus_->InitMainMenu(true);
}

void TWinSkinForm::InitSkin(TSkinData* data)
{
    if (subclassed_ || !IsWindow(Wnd)) return;
    Data = data;
    hoverTimer_ = std::make_unique<TTimer>(nullptr);
    hoverTimer_->SetEnabled(false);
    hoverTimer_->SetInterval(250);
    hoverTimer_->OnTimer = [this](TObject* sender) { OnTimer(sender); };

    SkinFrame = data->SkinControls.Contains(xcMainMenu);
    Style = static_cast<DWORD>(GetWindowLongPtrA(Wnd, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(Wnd, GWL_EXSTYLE));
    RightToLeft = exStyle & WS_EX_LEFTSCROLLBAR;
    ChildWnd = Style & WS_CHILD;
    WndClassName = GetWindowClassname(Wnd);
    OwnerWnd = GetWindow(Wnd, GW_OWNER);

    Icons = {};
    if ((Style & WS_SYSMENU) || GetSystemMenu(Wnd, FALSE)) Icons.Include(sbisystem);
    if (Style & WS_MINIMIZEBOX) Icons.Include(sbiMin);
    if (Style & WS_MAXIMIZEBOX) Icons.Include(sbiMax);
    if (exStyle & WS_EX_CONTEXTHELP) Icons.Include(sbiHelp);

    RefreshWindowState();
    Sizeable = Style & WS_THICKFRAME;

    FormStyle = sfsNormal;
    if (HWND client = FindMDIClient(Wnd)) {
        FormStyle = sfsMDIform;
        MDIClient = client;
        if (Manager) {
            Manager->MDIClient = client;
            Manager->MDIForm = Form;
        }
    } else if (exStyle & WS_EX_MDICHILD) {
        FormStyle = sfsMDIChild;
        if (data->Options.Contains(xoMDIChildBorder)) SkinFrame = false;
    }

    Border = sbsSingle;
    if ((Style & WS_CAPTION) != WS_CAPTION)
        Border = sbsNone;
    else if (Style & WS_THICKFRAME)
        Border = sbsSizeable;
    else if (Style & DS_MODALFRAME)
        Border = sbsDialog;
    if (exStyle & WS_EX_DLGMODALFRAME) Border = sbsDialog;

    const DWORD version = GetVersion();
    const bool nt5 = LOBYTE(LOWORD(version)) >= 5 && HIBYTE(LOWORD(version)) == 0;
    if (nt5 && Win32PlatformIsUnicode && (exStyle & WS_EX_APPWINDOW)) Icons.Include(sbicaption);
    if (nt5 && !OwnerWnd && FormStyle != sfsMDIChild) Icons.Include(sbicaption);

    if (version & 0x80000000u) data->SkinControls.Exclude(xcSystemMenu);
    UnicodeWnd = IsWindowUnicode(Wnd);
    if (WndClassName == "#32770" || WndClassName == "TMessageForm") {
        MessageDialog = true;
        Border = sbsDialog;
    }
    if (FormStyle == sfsMDIform) SubclassMDI();

    SetPropA(Wnd, SkinFramePropName, this);
    const LONG_PTR proc = reinterpret_cast<LONG_PTR>(&TWinSkinForm::WinWndProc);
    oldWndProc_ = reinterpret_cast<WNDPROC>(UnicodeWnd ? SetWindowLongPtrW(Wnd, GWLP_WNDPROC, proc)
                                                       : SetWindowLongPtrA(Wnd, GWLP_WNDPROC, proc));
    subclassed_ = true;

    if (SkinFrame) {
        Menu = GetMenu(Wnd);
        if (Menu && FormStyle != sfsMDIChild) {
            menus_->AttachMenuBar(Menu);
            MenuHeight = GetSystemMetrics(SM_CYMENU);
        }
        InitSkinData();
    } else {
        FrameState = FrameSkinned;
    }
    if (FormStyle == sfsMDIChild) {
        const int wanted = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
        if (FrameTop < wanted) MenuHeight = wanted - FrameTop;
    }
}

namespace {

// One frame of a border image across or down; a skin with no image or no
// frames gives a border of no width rather than a division by zero.
int FramePart(const TDataSkinObject* obj, bool across)
{
    if (!obj || obj->Image->Empty() || obj->Frame < 1) return 0;
    return across ? obj->Image->GetWidth() / obj->Frame : obj->Image->GetHeight() / obj->Frame;
}

} // namespace

void TWinSkinForm::InitSkinData()
{
    if (!Data || Data->NotLoaded) return;
    if (Border == sbsNone) {
        FrameLeft = FrameTop = FrameRight = FrameBottom = 0;
        MenuHeight = 0;
    } else {
        FrameLeft = FramePart(Data->BorderLeft.get(), true);
        FrameRight = FramePart(Data->BorderRight.get(), true);
        FrameTop = FramePart(Data->BorderTop.get(), false);
        FrameBottom = FramePart(Data->BorderBottom.get(), false);
    }
    DeleteSysbtn();
    for (auto& obj : Data->SysButtons) {
        auto b = std::make_unique<TWinSysButton>(this, obj.get());
        b->Enabled = true;
        if (obj->Action == 3 || obj->Action == 11) {
            GetIcon();
            if (obj->Image->Empty() && !iconBmp_->Empty()) {
                obj->Image->Assign(iconBmp_.get());
                obj->Frame = 1;
            }
        }
        SysButtons.push_back(std::move(b));
    }
}

void TWinSkinForm::GetIcon()
{
    const int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
    iconBmp_->SetPixelFormat(pf16bit);
    iconBmp_->SetSize(w, h);
    TCanvas* c = iconBmp_->Canvas();
    c->Brush()->SetColor(SkinKeyColor);
    c->FillRect(Rect(0, 0, w, h));
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(Wnd, WM_GETICON, ICON_SMALL, 0, SMTO_NORMAL, 1000, &icon);
    if (!icon) SendMessageTimeoutA(Wnd, WM_GETICON, ICON_BIG, 0, SMTO_NORMAL, 1000, &icon);
    // A window without an icon of its own shows what the system frame would:
    // its class's icon, else the system's application icon (shared, never
    // destroyed).
    if (!icon) icon = GetClassLongPtrA(Wnd, GCLP_HICONSM);
    if (!icon) icon = GetClassLongPtrA(Wnd, GCLP_HICON);
    if (!icon)
        icon = reinterpret_cast<DWORD_PTR>(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
    IconHandle = reinterpret_cast<HICON>(icon);
    if (IconHandle) DrawIconEx(c->Handle(), 0, 0, IconHandle, w, h, 0, nullptr, DI_NORMAL);
}

void TWinSkinForm::RefreshWindowState()
{
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(Wnd, &wp)) return;
    if (IsIconic(Wnd) || wp.showCmd == SW_SHOWMINIMIZED || wp.showCmd == SW_MINIMIZE ||
        wp.showCmd == SW_SHOWMINNOACTIVE)
        WindowState = swsMin;
    else if (IsZoomed(Wnd) || wp.showCmd == SW_SHOWMAXIMIZED)
        WindowState = swsMax;
    else
        WindowState = swsNormal;
}

// ---------------------------------------------------------------------------
// Activation

void TWinSkinForm::Activate()
{
    ControlsInited = true;
    SysMenu = GetSystemMenu(Wnd, FALSE);
    GetIcon();
    RECT wr{}, cr{};
    GetWindowRect(Wnd, &wr);
    GetClientRect(Wnd, &cr);
    SysFrameWidth = (wr.right - wr.left) - (cr.right - cr.left);
    SysFrameHeight = (wr.bottom - wr.top) - (cr.bottom - cr.top);
    if (Form)
        controls_->InitControls(Form);
    else
        controls_->InitHwndControls(Wnd);

    if (FrameState == FrameAttached) {
        if (FormStyle == sfsMDIChild) {
            if (WindowState == swsMax) {
                if (Manager && Manager->MDIClient)
                    PostMessageA(Manager->MDIClient, WM_SKIN_MDIMAX, reinterpret_cast<WPARAM>(Wnd), 0);
            } else if (WindowState == swsNormal) {
                FrameState = FrameResizing;
                ResizeForm(0);
                FrameState = FrameSkinned;
                Cropwindow();
            }
        } else if (!ChildWnd && Border != sbsNone && WindowState != swsMin) {
            FrameState = FrameResizing;
            ResizeForm(0);
            FrameState = FrameSkinned;
            if (WindowState == swsMax)
                Refresh();
            else
                Cropwindow();
        }
    }
    AfterSkin();
    FrameState = FrameSkinned;
    if (hoverTimer_) hoverTimer_->SetEnabled(true);
}

void TWinSkinForm::AfterSkin()
{
    SendMessageA(Wnd, WM_SKIN_SKINNED, 0, SkinMarker);
    if (Data && Data->OnAfterSkinForm) Data->OnAfterSkinForm(this, Wnd, SkinFormName);
}

// ---------------------------------------------------------------------------
// Geometry

void TWinSkinForm::WMNCCalcSize(TMessage& m)
{
    RECT* target = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0]
                            : reinterpret_cast<RECT*>(m.LParam);
    const RECT proposed = *target;
    Default(m);
    if (!((FormStyle == sfsMDIChild && WindowState != swsNormal) || Border == sbsNone))
        *target = RECT{proposed.left + FrameLeft, proposed.top + FrameTop + MenuHeight,
                       proposed.right - FrameRight, proposed.bottom - FrameBottom};
    // The system asks with wParam false for the client rectangle alone and
    // expects it computed the same way; only the answer differs.
    if (m.WParam) {
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
        p->rgrc[1] = p->rgrc[0];
        m.Result = WVR_VALIDRECTS;
    } else {
        m.Result = 0;
    }
    FrameChanged = true;
}

void TWinSkinForm::ResizeForm(int keepCurrent)
{
    if (WindowState == swsMax) {
        Refresh();
        return;
    }
    RECT cr{};
    GetClientRect(Wnd, &cr);
    int cw = cr.right, ch = cr.bottom;
    if (!(keepCurrent == 1 || MessageDialog || FrameState == FrameChanging) && Form) {
        cw = Form->ClientWidth();
        ch = Form->ClientHeight() - (FormStyle == sfsMDIChild ? 0 : MenuHeight);
    }
    int w = cw + FrameLeft + FrameRight;
    const int h = ch + FrameTop + FrameBottom + MenuHeight;
    if (MessageDialog && FrameState == FrameResizing && Data) {
        // The caption must fit: widen the dialog and keep its contents centred.
        TCanvas* c = canvas1_.get();
        TMemoryDC dc = TMemoryDC::Create();
        c->SetHandle(dc.Get());
        c->SetFont(captionFont_.get());
        const std::wstring text = CaptionPrefix + GetFormCaption(Wnd) + CaptionSuffix;
        SIZE size{};
        {
            TSelectObject font(dc.Get(), c->Font()->Handle());
            GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        }
        c->SetHandle(nullptr);
        const int needed = Data->Title->Margins.Left + size.cx + Data->Title->Margins.Right;
        if (w < needed) {
            const int shift = (needed - w) / 2;
            for (HWND child = GetWindow(Wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT r{};
                GetWindowRect(child, &r);
                MapWindowPoints(nullptr, Wnd, reinterpret_cast<POINT*>(&r), 2);
                SetWindowPos(child, nullptr, r.left + shift, r.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            w = needed;
        }
    }
    SetWindowPos(Wnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWinSkinForm::Refresh()
{
    SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWinSkinForm::RePaint(HWND wnd)
{
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
}

void TWinSkinForm::WMSize(TMessage& m)
{
    Default(m);
    if (m.WParam == SIZE_RESTORED)
        WindowState = swsNormal;
    else if (m.WParam == SIZE_MINIMIZED)
        WindowState = swsMin;
    else if (m.WParam == SIZE_MAXIMIZED)
        WindowState = swsMax;
    if (WindowState == swsMin) return;
    if (FormStyle == sfsMDIChild && (WindowState != swsNormal || (Manager && Manager->MDIChildMax))) return;
    if (FrameState == FrameSkinned || FrameState == FrameChanging) Cropwindow();
}

// ---------------------------------------------------------------------------
// Skin change

void TWinSkinForm::SkinChange()
{
    if (Form && Data) {
        Form->SetColor(Data->Colors[csButtonFace]);
        for (int i = 0; i < Form->ComponentCount(); ++i)
            if (auto* owned = dynamic_cast<TCustomForm*>(Form->Components(i)))
                owned->SetColor(Data->Colors[csButtonFace]);
    }
    controls_->SkinChange();
    FrameState = FrameChanging;
    if (SkinFrame) {
        menus_->InitPopMenu(true);
        ResizeForm(1);
        // Nudging the height makes the system recalculate the whole frame.
        RECT r{};
        GetWindowRect(Wnd, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(Wnd, nullptr, 0, 0, w, h + 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(Wnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    FrameChanged = true;
    AfterSkin();
    FrameState = FrameSkinned;
}

// ---------------------------------------------------------------------------
// The replaced window procedure

LRESULT CALLBACK TWinSkinForm::WinWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinSkinForm* f = FindSkinFrame(wnd);
    if (!f)
        return IsWindowUnicode(wnd) ? DefWindowProcW(wnd, msg, wParam, lParam)
                                    : DefWindowProcA(wnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
        f->WndProc(m);
    } catch (...) {
        // A failure inside the frame must not take the window down with it.
        m.Result = 0;
    }
    return m.Result;
}

void TWinSkinForm::Default(TMessage& m)
{
    if (oldWndProc_)
        m.Result = UnicodeWnd ? CallWindowProcW(oldWndProc_, Wnd, m.Msg, m.WParam, m.LParam)
                              : CallWindowProcA(oldWndProc_, Wnd, m.Msg, m.WParam, m.LParam);
    else
        m.Result = UnicodeWnd ? DefWindowProcW(Wnd, m.Msg, m.WParam, m.LParam)
                              : DefWindowProcA(Wnd, m.Msg, m.WParam, m.LParam);
}

void TWinSkinForm::WndProc(TMessage& m)
{
    if (FrameState == FrameAttached && m.Msg == WM_NCPAINT) {
        m.Result = 0;
        return;
    }
    switch (m.Msg) {
    case WM_ERASEBKGND:
        Default(m);
        if (!Form && Data) {
            RECT r{};
            GetClientRect(Wnd, &r);
            FillRect(reinterpret_cast<HDC>(m.WParam), &r, Data->BackBrush());
            m.Result = 1;
        }
        return;
    case WM_NCDESTROY: {
        const WNDPROC previous = oldWndProc_;
        const bool unicode = UnicodeWnd;
        const HWND wnd = Wnd;
        FrameState = FrameDestroying;
        UnSubclass3();
        m.Result = unicode ? CallWindowProcW(previous, wnd, m.Msg, m.WParam, m.LParam)
                           : CallWindowProcA(previous, wnd, m.Msg, m.WParam, m.LParam);
        FrameState = FrameReleased;
        return;
    }
    case WM_NCACTIVATE:
        if (FrameState == FrameAttached && FormStyle != sfsMDIChild) {
            // Not yet skinned: keep the system frame from being drawn, but
            // let the activation change go ahead (an answer of 0 to a
            // deactivation would refuse it).
            m.Result = 1;
            return;
        }
        if (SkinFrame && Table2(m)) return;
        Default(m);
        return;
    case 0xAE: // the themed caption drawing the system would do
        m.Result = 0;
        return;
    case WM_INITMENU:
        menus_->WMINITMENU(reinterpret_cast<HMENU>(m.WParam));
        Default(m);
        return;
    case WM_INITMENUPOPUP:
        if (Manager) {
            Manager->FindPopupMenu(reinterpret_cast<HMENU>(m.WParam));
            Manager->MenuKind = (HIWORD(m.LParam) || reinterpret_cast<HMENU>(m.WParam) == SysMenu)
                                    ? MenuKindSystem
                                    : MenuKindMain;
        }
        Default(m);
        return;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        Default(m);
        if (!Form && Data) {
            SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
            if (m.Msg == WM_CTLCOLORSTATIC) m.Result = reinterpret_cast<LRESULT>(Data->BackBrush());
        }
        return;
    case WM_SKIN_ACTIVATE:
        Activate();
        return;
    case WM_SKIN_RECREATED:
        controls_->Reattach(reinterpret_cast<HWND>(m.WParam));
        return;
    case WM_SKIN_ISSKINNED:
        m.Result = 1;
        PostMessageA(Wnd, WM_SKIN_SKINNED, 0, SkinMarker);
        return;
    default:
        if (SkinFrame && Table2(m)) return;
        Default(m);
        return;
    }
}

// Answers whether it handled the message.
bool TWinSkinForm::Table2(TMessage& m)
{
    if (ChildWnd && FormStyle != sfsMDIChild) return false;
    switch (m.Msg) {
    case WM_SIZE:
        WMSize(m);
        return true;
    case WM_ACTIVATE:
        Active = LOWORD(m.WParam) != WA_INACTIVE;
        Default(m);
        return true;
    case WM_GETMINMAXINFO:
        Default(m);
        RefreshWindowState();
        return true;
    case WM_WINDOWPOSCHANGED:
        RefreshWindowState();
        Default(m);
        return true;
    case WM_SETICON:
        Default(m);
        GetIcon();
        return true;
    case WM_NCACTIVATE:
        Active = m.WParam != 0;
        return Table3(m);
    case WM_COMMAND:
        if (IsOneOf(static_cast<UINT>(m.WParam), {SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_NEXTWINDOW,
                                                  SC_PREVWINDOW, SC_CLOSE, SC_RESTORE})) {
            // The skinned system menu sends its choices as commands.
            PostMessageA(Wnd, WM_SYSCOMMAND, m.WParam, 0);
            m.Result = 0;
            return true;
        }
        Default(m);
        return true;
    case WM_SYSCOMMAND:
        WMSysCommand(m);
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        Default(m);
        if (!Form && Data) {
            SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
            if (m.Msg == WM_CTLCOLORSTATIC) m.Result = reinterpret_cast<LRESULT>(Data->BackBrush());
        }
        return true;
    case WM_SKIN_MENUSELECT:
        menus_->MenuSelect(m.WParam, m.LParam);
        return true;
    case CM_MENUCHANGED: {
        // The system would draw the new menu bar once before we take it.
        const bool update = Data ? Data->MainMenuUpdate : true;
        if (Data) Data->MainMenuUpdate = false;
        Default(m);
        if (Data) Data->MainMenuUpdate = update;
        if (HMENU menu = GetMenu(Wnd)) {
            Menu = menu;
            menus_->MenuChanged(menu);
        }
        return true;
    }
    default:
        return Table3(m);
    }
}

bool TWinSkinForm::Table3(TMessage& m)
{
    if ((FormStyle == sfsMDIChild && WindowState == swsMax) || FrameState == FrameAttached) return false;
    switch (m.Msg) {
    case WM_SIZE:
        WMSize(m);
        return true;
    case WM_DRAWITEM:
        if (!menus_->WMDRAWITEM(reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam))) Default(m);
        return true;
    case WM_MEASUREITEM:
        if (!menus_->WMMEASUREITEM(reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam))) Default(m);
        return true;
    case WM_NCCALCSIZE:
        WMNCCalcSize(m);
        return true;
    case WM_NCHITTEST:
        WMNCHitTest(m);
        return true;
    case WM_NCMOUSEMOVE:
        WMNCMouseMove(m);
        return true;
    case WM_NCLBUTTONDOWN:
        WMNCLButtonDown(m);
        return true;
    case WM_NCLBUTTONUP:
        WMNCLButtonUp(m);
        return true;
    case WM_NCLBUTTONDBLCLK:
        WMNCLButtonDblClk(m);
        return true;
    case WM_NCRBUTTONDOWN:
        WMNCRButtonDown(m);
        return true;
    case WM_NCPAINT:
        // The system would draw its own caption buttons over ours.
        if (!Icons.Contains(sbicaption) && (GetWindowLongPtrA(Wnd, GWL_STYLE) & WS_SYSMENU))
            SetWindowLongPtrA(Wnd, GWL_STYLE, GetWindowLongPtrA(Wnd, GWL_STYLE) & ~WS_SYSMENU);
        if (!Data || Data->MainMenuUpdate) {
            if ((FormStyle == sfsMDIChild && WindowState == swsMax) || Border == sbsNone)
                Default(m);
            else
                UpdateNc();
        }
        m.Result = 0;
        return true;
    case WM_NCACTIVATE:
        Active = m.WParam != 0;
        if (hoverTimer_) hoverTimer_->SetEnabled(Active);
        if (!Active && !Form && HotControl) HotControl->MouseLeave();
        if (FormStyle == sfsMDIform && MDIClient)
            SendMessageA(MDIClient, WM_NCACTIVATE, m.WParam, m.LParam);
        else if (FormStyle == sfsMDIChild)
            Default(m);
        if (!(FormStyle == sfsMDIChild && WindowState == swsMax)) UpdateNc();
        m.Result = 1;
        return true;
    case WM_SKIN_NCPAINT:
        UpdateNc();
        return true;
    default:
        return false;
    }
}

void TWinSkinForm::NewWndProc(TMessage& m)
{
    auto passOn = [&] {
        if (oldFormProc_)
            oldFormProc_(m);
        else
            Form->WndProc(m);
    };
    switch (m.Msg) {
    case WM_SETTEXT:
        passOn();
        if (IsWindowVisible(Wnd)) {
            if (WindowState == swsMax && Manager && Manager->MDIClient)
                PostMessageA(Manager->MDIClient, WM_SKIN_MDIMAX, reinterpret_cast<WPARAM>(Wnd), 0);
            // The system has just drawn its own caption text over ours.
            if (WindowState == swsMin)
                UpdateNc();
            else
                Refresh();
        }
        return;
    case WM_SKIN_CHANGED:
        SkinChange();
        return;
    case WM_SKIN_PAINTTO:
        if (m.LParam != SkinMarker) break;
        if (m.WParam) UpdateNc(reinterpret_cast<HDC>(m.WParam));
        m.Result = SkinMarker;
        return;
    case WM_SKIN_IDENTIFY:
        m.Result = m.LParam == SkinMarker ? SkinMarker : 1;
        return;
    case CM_DIALOGCHAR:
        passOn();
        if (m.Result == 0) menus_->CMDialogChar(m);
        return;
    default:
        break;
    }
    passOn();
}
