// The skinned system menu a frame pops up, and the menu bar it draws in its
// menu band.
#include "tests/win/gdi_leak_check.h"
#include "tests/win/skin_menu_testing.h"

using namespace menutest;

namespace {

TMenuItem* ItemWithTag(TPopupMenu* menu, UINT tag)
{
    for (int i = 0; i < menu->Items()->Count(); ++i)
        if (static_cast<UINT>(menu->Items()->Items(i)->Tag) == tag) return menu->Items()->Items(i);
    return nullptr;
}

class SysMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = DefaultSkin();
        ASSERT_FALSE(data->NotLoaded);
        // The main window's shape: single border, system menu, minimize box.
        host.Wnd = MakeOwner();
        host.Data = data.get();
        host.MinBox = true;
        host.MaxBox = false;
        menus = std::make_unique<TSkinFormMenus>(host);
    }
    void TearDown() override
    {
        menus.reset();
        DestroyWindow(host.Wnd);
    }
    // The identifiers of posted WM_SYSCOMMAND messages.
    std::vector<WPARAM> PostedSysCommands()
    {
        std::vector<WPARAM> ids;
        MSG msg;
        while (PeekMessageA(&msg, host.Wnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE))
            ids.push_back(msg.wParam);
        return ids;
    }
    TFakeHost host;
    std::unique_ptr<TSkinData> data;
    std::unique_ptr<TSkinFormMenus> menus;
};

TEST_F(SysMenu, CopiesTheSystemMenuWithTheEnabledStatesOfTheWindow)
{
    menus->CreateSysmenu2();
    TPopupMenu* sys = menus->SysMenu();
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->Tag, 0x8235);
    EXPECT_EQ(sys->GetImages(), data->MenuImages.get());

    struct Row {
        UINT id;
        int image;
        bool enabled;
    };
    const Row rows[] = {{SC_RESTORE, 0, false}, {SC_MOVE, -1, true},     {SC_SIZE, -1, true},
                        {SC_MINIMIZE, 2, true}, {SC_MAXIMIZE, 1, false}, {SC_CLOSE, 3, true}};
    for (const Row& r : rows) {
        TMenuItem* item = ItemWithTag(sys, r.id);
        ASSERT_NE(item, nullptr) << std::hex << r.id;
        EXPECT_EQ(item->GetImageIndex(), r.image) << std::hex << r.id;
        EXPECT_EQ(item->GetEnabled(), r.enabled) << std::hex << r.id;
        EXPECT_TRUE(static_cast<bool>(item->OnDrawItem));
        EXPECT_FALSE(item->GetCaption().empty());
    }

    // Maximized: restore comes, moving and sizing go.
    host.Max = true;
    menus->CreateSysmenu2();
    sys = menus->SysMenu();
    EXPECT_TRUE(ItemWithTag(sys, SC_RESTORE)->GetEnabled());
    EXPECT_FALSE(ItemWithTag(sys, SC_MOVE)->GetEnabled());
    EXPECT_FALSE(ItemWithTag(sys, SC_SIZE)->GetEnabled());
    EXPECT_FALSE(ItemWithTag(sys, SC_MAXIMIZE)->GetEnabled());
}

// The system's "text\tkey" is the item's caption, whatever language its key
// names are in, and the key is drawn at the caption's tab stop.
TEST_F(SysMenu, TheItemTextStaysWholeAndItsKeyStandsAtTheTabStop)
{
    HMENU sys = GetSystemMenu(host.Wnd, FALSE);
    ASSERT_TRUE(AppendMenuW(sys, MF_STRING, 0x110, L"Sperren\tStrg+Umschalt+L"));
    wchar_t close[128] = {};
    GetMenuStringW(sys, SC_CLOSE, close, 128, MF_BYCOMMAND);
    const std::string closeText = WideStringToStringEx(close);
    const size_t tab = closeText.find('\t');
    ASSERT_NE(tab, std::string::npos) << "the system names the key of its close item";

    menus->CreateSysmenu2();
    TMenuItem* item = ItemWithTag(menus->SysMenu(), SC_CLOSE);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetCaption(), closeText);
    EXPECT_EQ(item->GetShortCut(), scNone);
    ASSERT_NE(ItemWithTag(menus->SysMenu(), 0x110), nullptr);
    EXPECT_EQ(ItemWithTag(menus->SysMenu(), 0x110)->GetCaption(), "Sperren\tStrg+Umschalt+L");

    // The key's ink: the item drawn with and without the text after the tab.
    const TRect r = Rect(0, 0, 300, 22);
    auto draw = [&](TBitmap& b) {
        b.SetPixelFormat(pf24bit);
        b.SetSize(r.Width(), r.Height());
        menus->DrawMenuItem(item, b.Canvas(), r, false);
    };
    TBitmap whole, head;
    draw(whole);
    item->SetCaption(closeText.substr(0, tab));
    draw(head);
    int first = -1, last = -1;
    for (int x = 0; x < r.Width(); ++x)
        for (int y = 0; y < r.Height(); ++y)
            if (whole.Canvas()->GetPixel(x, y) != head.Canvas()->GetPixel(x, y)) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    // Where the tab stop is, worked from the font: the text starts 3 pixels
    // after the image cell (1 + the item's left margin in), and tab stops
    // lie every eight average character widths from there.
    TEXTMETRICA tm{};
    SIZE headSize{}, keySize{};
    const std::string key = closeText.substr(tab + 1);
    {
        TCanvas* c = head.Canvas();
        if (item->GetDefault()) c->Font()->SetStyle({fsBold}); // drawn bold
        GetTextMetricsA(c->Handle(), &tm);
        GetTextExtentPoint32A(c->Handle(), key.c_str(), static_cast<int>(key.size()), &keySize);
        std::string plain = closeText.substr(0, tab);
        std::erase(plain, '&');
        GetTextExtentPoint32A(c->Handle(), plain.c_str(), static_cast<int>(plain.size()), &headSize);
    }
    const int column = data->MenuImages ? data->MenuImages->GetWidth() : 16;
    const int textLeft = 1 + data->MenuItem->Margins.Left + column + 3;
    const int stop = 8 * tm.tmAveCharWidth;
    ASSERT_LT(headSize.cx, stop) << "the caption reaches past the first tab stop";
    ASSERT_GE(first, 0) << "no key drawn";
    EXPECT_GE(first, textLeft + stop - 1);
    EXPECT_LE(first, textLeft + stop + 2);
    EXPECT_LE(last, textLeft + stop + keySize.cx);
    EXPECT_LT(last, r.Right - 1 - 10 - 20) << "not right-aligned at the item's end";
}

TEST_F(SysMenu, AClickPostsTheSystemCommandOfTheItem)
{
    menus->CreateSysmenu2();
    PostedSysCommands();
    ItemWithTag(menus->SysMenu(), SC_MINIMIZE)->Click();
    ItemWithTag(menus->SysMenu(), SC_CLOSE)->Click();
    EXPECT_EQ(PostedSysCommands(), (std::vector<WPARAM>{SC_MINIMIZE, SC_CLOSE}));
    // Disabled items do nothing.
    ItemWithTag(menus->SysMenu(), SC_MAXIMIZE)->Click();
    EXPECT_TRUE(PostedSysCommands().empty());
}

TEST_F(SysMenu, TheFixedMenuCallsTheFrame)
{
    menus->CreateSysmenu();
    TPopupMenu* sys = menus->SysMenu();
    EXPECT_EQ(sys->Tag, 0x8235);
    std::vector<std::string> captions;
    for (int i = 0; i < sys->Items()->Count(); ++i)
        captions.push_back(sys->Items()->Items(i)->GetCaption());
    EXPECT_EQ(captions, (std::vector<std::string>{" Restore ", " Minimize ", "-", " Close "}));
    sys->Items()->Items(0)->Click();
    sys->Items()->Items(1)->Click();
    EXPECT_EQ(host.Restores, 1);
    EXPECT_EQ(host.Minimizes, 1);
    sys->Items()->Items(3)->Click();
    EXPECT_EQ(host.HoverStops, 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, host.Wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

TEST_F(SysMenu, ASecondRequestWithinTheDoubleClickTimeClosesWhileAButtonIsHot)
{
    host.LastPop = GetTickCount();
    host.DoubleClick = 60000;
    MSG msg;
    menus->PopSysmenu(TPoint(50, 50));
    EXPECT_FALSE(PeekMessageA(&msg, host.Wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "no button hot";
    TNCObject hot(nullptr);
    host.Hot = &hot;
    menus->PopSysmenu(TPoint(50, 50));
    EXPECT_TRUE(PeekMessageA(&msg, host.Wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(host.HoverStops, 1);
}

TEST_F(SysMenu, PoppingUpTellsTheManagerASystemMenuIsOpening)
{
    TSkinManage m;
    m.AddSkinData(data.get());
    m.Enabled = true;
    m.InstallHook();
    TSkinManage* before = SkinManager;
    SkinManager = &m;
    data->SkinControls = {xcSystemMenu};
    bool skinned = false;
    int kind = -1;
    static std::function<void(HWND)> look;
    look = [&](HWND wnd) {
        skinned = m.FindSkinMenu(wnd) != nullptr;
        kind = m.MenuKind;
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND wnd = OpenMenuWindow()) {
            look(wnd);
            EndMenu();
        }
    });
    host.LastPop = GetTickCount() - 100000;
    menus->PopSysmenu(TPoint(60, 60));
    KillTimer(nullptr, timer);
    SkinManager = before;
    EXPECT_TRUE(skinned);
    EXPECT_EQ(kind, MenuKindSystem);
    EXPECT_EQ(m.MenuKind, MenuKindPopup);
    EXPECT_TRUE(m.MenuList.empty());
}

// ---------------------------------------------------------------------------
// The menu bar of a form with a main menu.

class MenuBar : public TGdiLeakCheckedTest {
protected:
    void SetUp() override
    {
        data = DefaultSkin();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(20, 20, 400, 200);
        main = new TMainMenu(form.get());
        for (const char* caption : {"&File", "&Edit", "View", "&Help"}) {
            auto* item = new TMenuItem(nullptr);
            item->SetCaption(caption);
            auto* sub = new TMenuItem(nullptr);
            sub->SetCaption("Sub");
            item->Add(sub);
            main->Items()->Add(item);
        }
        main->Items()->Items(2)->SetVisible(false);
        main->Items()->Items(3)->SetEnabled(false);
        form->SetMenu(main);
        host.Wnd = form->Handle();
        form->Show();
        UpdateWindow(host.Wnd);
        host.Form = form.get();
        host.Data = data.get();
        shot.SetPixelFormat(pf24bit);
        shot.SetSize(400, 60);
        shot.Canvas()->Handle();
        barObject = MakeMenuBar(5);
        GiveImagesTheirDCs(*data);
        TGdiLeakCheckedTest::SetUp();
        menus = std::make_unique<TSkinFormMenus>(host);
        menus->AttachMenuBar(GetMenu(host.Wnd));
    }
    void TearDown() override
    {
        menus.reset();
        TGdiLeakCheckedTest::TearDown();
        form.reset();
    }
    int CaptionWidth(const std::string& caption)
    {
        TWindowDC screen = TWindowDC::Get(nullptr);
        TSelectObject font(screen.Handle(), menus->MenuFont()->Handle());
        RECT r{};
        DrawTextA(screen.Handle(), caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
        return r.right - r.left;
    }
    // A two-frame bar image (one frame below the other): active red,
    // inactive blue. Made before the objects are counted, handed to the
    // skin by the test.
    std::unique_ptr<TDataSkinObject> MakeMenuBar(int leftMargin)
    {
        auto bar = std::make_unique<TDataSkinObject>("MenuBar");
        TBitmap* img = bar->Image.get();
        img->SetPixelFormat(pf24bit);
        img->SetSize(30, 40);
        img->Canvas()->Brush()->SetColor(clRed);
        img->Canvas()->FillRect(Rect(0, 0, 30, 20));
        img->Canvas()->Brush()->SetColor(clBlue);
        img->Canvas()->FillRect(Rect(0, 20, 30, 40));
        bar->Frame = 2;
        bar->Tile = 1;
        bar->Margins = Rect(leftMargin, 0, 2, 0);
        return bar;
    }

    TFakeHost host;
    std::unique_ptr<TSkinData> data;
    std::unique_ptr<TForm> form;
    TMainMenu* main = nullptr;
    std::unique_ptr<TSkinFormMenus> menus;
    TBitmap shot;
    std::unique_ptr<TDataSkinObject> barObject;
};

TEST_F(MenuBar, OneButtonPerItemLaidOutByCaptionWidth)
{
    TWinSkinMenu* bar = menus->MenuBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenu(host.Wnd), nullptr) << "the system no longer draws the bar";
    ASSERT_EQ(bar->Count(), 4);
    const TRect band(4, 25, 396, 44);
    bar->DrawMenu(shot.Canvas()->Handle(), band);
    int x = band.Left + 6;
    for (int i : {0, 1, 3}) {
        const TRect r = bar->Buttons[static_cast<size_t>(i)]->BoundsRect;
        const int w = CaptionWidth(main->Items()->Items(i)->GetCaption()) + 10;
        EXPECT_EQ(r, Rect(x, band.Top, x + w, band.Bottom - 1)) << i;
        x += w;
    }
    EXPECT_TRUE(TRect(bar->Buttons[2]->BoundsRect).IsEmpty());
    EXPECT_FALSE(bar->Buttons[2]->Visible);
    EXPECT_FALSE(bar->Buttons[3]->Enabled);
    EXPECT_NE(bar->Buttons[0]->SubMenu, nullptr);
    // Without a MenuBar image the band is the bar colour.
    EXPECT_EQ(shot.Canvas()->GetPixel(band.Right - 2, band.Top + 2), data->Colors[csMenuBar]);
    // Hit testing in window coordinates.
    const TRect first = bar->Buttons[0]->BoundsRect;
    EXPECT_EQ(bar->FindBtn(TPoint(first.Left + 1, first.Top + 1)), bar->Buttons[0].get());
    EXPECT_EQ(bar->FindBtn(TPoint(band.Right - 2, band.Top + 2)), nullptr);
}

TEST_F(MenuBar, PaintsTheMenuBarImageByActiveState)
{
    data->MenuBar = std::move(barObject);
    TWinSkinMenu* bar = menus->MenuBar();
    const TRect band(4, 25, 396, 44);
    bar->DrawMenu(shot.Canvas()->Handle(), band);
    EXPECT_EQ(shot.Canvas()->GetPixel(band.Right - 2, band.Top + 2), clRed);
    EXPECT_EQ(bar->Buttons[0]->BoundsRect.left, band.Left + 5 + 4);
    host.Active = false;
    bar->DrawMenu(shot.Canvas()->Handle(), band);
    EXPECT_EQ(shot.Canvas()->GetPixel(band.Right - 2, band.Top + 2), clBlue);
}

// A maximized MDI child: its buttons stand at the band's right end, the bar's
// buttons stop 5 pixels before them, and characters the child's bar does not
// take go to its MDI frame.
TEST_F(MenuBar, MakesRoomForTheMDIButtonsAndPassesCharactersToTheMDIFrame)
{
    const TRect band(4, 25, 396, 44);
    const int file = CaptionWidth("&File") + 10, edit = CaptionWidth("&Edit") + 10;
    // Room for File and Edit and 2 pixels more: Help does not fit.
    const int mdiLeft = band.Left + 6 + file + edit + 5 + 2;
    host.MDIButtons = TRect(mdiLeft, band.Top + 2, mdiLeft + 50, band.Bottom - 3);
    TWinSkinMenu* bar = menus->MenuBar();
    bar->DrawMenu(shot.Canvas()->Handle(), band);
    EXPECT_EQ(bar->Buttons[1]->BoundsRect.right, mdiLeft - 7);
    EXPECT_TRUE(TRect(bar->Buttons[3]->BoundsRect).IsEmpty());
    EXPECT_EQ(bar->FindBtn(TPoint(mdiLeft - 3, band.Top + 5)), nullptr);
    const TColor green = RGB(0, 255, 0);
    for (TPoint p : {TPoint(mdiLeft, band.Top + 2), TPoint(mdiLeft + 49, band.Bottom - 4), TPoint(mdiLeft + 25, 30)})
        EXPECT_EQ(shot.Canvas()->GetPixel(p.X, p.Y), green) << p.X << "," << p.Y;
    EXPECT_EQ(shot.Canvas()->GetPixel(mdiLeft - 1, band.Top + 5), data->Colors[csMenuBar]);

    // No accelerator of this bar matches 'q': the MDI frame is asked.
    TForm frame(nullptr);
    std::vector<WPARAM> asked;
    auto own = frame.WindowProc;
    frame.WindowProc = [&](TMessage& m) {
        if (m.Msg == CM_DIALOGCHAR) {
            asked.push_back(m.WParam);
            m.Result = 1;
            return;
        }
        own(m);
    };
    frame.HandleNeeded();
    host.MDIFrame = &frame;
    TMessage message{CM_DIALOGCHAR, 'q', 0, 0};
    EXPECT_TRUE(menus->CMDialogChar(message));
    EXPECT_EQ(message.Result, 1);
    EXPECT_EQ(asked, (std::vector<WPARAM>{'q'}));
    frame.WindowProc = own;
}

TEST_F(MenuBar, AcceleratorsFindTheirButtons)
{
    const TRect band(4, 25, 396, 44);
    menus->MenuBar()->DrawMenu(shot.Canvas()->Handle(), band);
    auto& buttons = menus->MenuBar()->Buttons;
    EXPECT_EQ(menus->FindButtonFromAccel(L'e'), buttons[1].get());
    EXPECT_EQ(menus->FindButtonFromAccel(L'F'), buttons[0].get());
    EXPECT_EQ(menus->FindButtonFromAccel(0), buttons[0].get());
    EXPECT_EQ(menus->FindButtonFromAccel(L'v'), nullptr) << "hidden and without accelerator";
    EXPECT_EQ(menus->FindButtonFromAccel(L'x'), nullptr);
}

TEST_F(MenuBar, APressedButtonOpensItsDropDownAsAMenuBarMenu)
{
    TSkinManage m;
    m.AddSkinData(data.get());
    m.Enabled = true;
    m.InstallHook();
    TSkinManage* before = SkinManager;
    SkinManager = &m;
    data->SkinControls = {xcMainMenu};
    int clicks = 0;
    main->Items()->Items(0)->OnClick = [&](TObject*) { ++clicks; };
    menus->MenuBar()->DrawMenu(shot.Canvas()->Handle(), TRect(4, 25, 396, 44));
    TMenuBtn* file = menus->MenuBar()->Buttons[0].get();

    static std::function<void(HWND)> look;
    bool skinned = false, tracking = false;
    look = [&](HWND wnd) {
        skinned = m.FindSkinMenu(wnd) != nullptr;
        tracking = host.Tracking;
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND wnd = OpenMenuWindow()) {
            look(wnd);
            EndMenu();
        }
    });
    menus->ClickButton(file);
    KillTimer(nullptr, timer);
    SkinManager = before;
    EXPECT_TRUE(skinned);
    EXPECT_TRUE(tracking);
    EXPECT_FALSE(host.Tracking);
    EXPECT_FALSE(menus->Tracking());
    EXPECT_EQ(host.Hot, nullptr);
    EXPECT_EQ(file->State, NCStateNormal);
    EXPECT_EQ(m.MenuKind, MenuKindPopup);
    // The item's own command went to the form (the menu loop delivered it).
    EXPECT_EQ(clicks, 1);
    // A disabled item posts its command but opens nothing.
    menus->ClickButton(menus->MenuBar()->Buttons[3].get());
    EXPECT_FALSE(host.Tracking);
}

TEST_F(MenuBar, HotButtonsFollowTheFrameAndGoWithTheBar)
{
    const TRect band(4, 25, 396, 44);
    menus->MenuBar()->DrawMenu(shot.Canvas()->Handle(), band);
    TMenuBtn* a = menus->MenuBar()->Buttons[0].get();
    TMenuBtn* b = menus->MenuBar()->Buttons[1].get();
    a->MouseEnter();
    EXPECT_EQ(host.Hot, a);
    EXPECT_EQ(a->State, NCStateHot);
    b->MouseEnter();
    EXPECT_EQ(host.Hot, b);
    EXPECT_EQ(a->State, NCStateNormal);
    // Rebuilt buttons: the frame no longer holds the old hot one.
    menus->MenuBar()->UpdataBtn();
    EXPECT_EQ(host.Hot, nullptr);
    menus->MenuBar()->Buttons[0]->MouseEnter();
    menus->DetachMenuBar();
    EXPECT_EQ(host.Hot, nullptr);
    EXPECT_EQ(menus->MenuBar(), nullptr);
    EXPECT_NE(GetMenu(host.Wnd), nullptr) << "the window has its menu back";
}

} // namespace
