// Menu windows under the skin manager, and skin-drawn menu items read back
// pixel by pixel from bitmaps.
#include "tests/win/gdi_leak_check.h"
#include "tests/win/skin_menu_testing.h"

#include "framework/resourcecount.h"
#include "skin/winskinimage.h"

using namespace menutest;

namespace {

// The default skin's colours and images, as drawn in assets/skin.
const TColor kMenuBgCorner = Rgb(0xE8, 0xE6, 0xD8);       // menubg.bmp, left part
const TColor kItemBorderSelected = Rgb(0x60, 0x82, 0xAA); // menuitem.bmp frame 4 edge
const TColor kItemPlain = Rgb(0xFA, 0xFA, 0xF6);          // frame 1 right part
const TColor kSeparatorDark = Rgb(0xB6, 0xB1, 0x9A);      // frame 2, row 9
const TColor kSeparatorLight = Rgb(0xFF, 0xFF, 0xFF);     // frame 2, row 10
const TColor kMenuText = Rgb(0, 0, 0);
const TColor kHilightText = Rgb(234, 235, 222);
const TColor kButtonShadow = Rgb(182, 177, 154);

class MenuWindows : public TGdiLeakCheckedTest {
protected:
    void SetUp() override
    {
        data = DefaultSkin();
        ASSERT_FALSE(data->NotLoaded) << data->LastDebug;
        GiveImagesTheirDCs(*data);
        TGdiLeakCheckedTest::SetUp();
        m = std::make_unique<TSkinManage>();
        m->AddSkinData(data.get());
        m->Enabled = true;
        m->InstallHook();
        owner = MakeOwner();
        menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 101, "First");
        AppendMenuA(menu, MF_STRING, 102, "Second");
    }
    void TearDown() override
    {
        DestroyMenu(menu);
        DestroyWindow(owner);
        m.reset();
        TGdiLeakCheckedTest::TearDown();
    }
    std::unique_ptr<TSkinData> data;
    std::unique_ptr<TSkinManage> m;
    HWND owner = nullptr;
    HMENU menu = nullptr;
};

TEST_F(MenuWindows, EachKindIsSkinnedOnlyWithItsSkinControl)
{
    struct Case {
        TMenuKind kind;
        TSkinControlTypes controls;
        bool skinned;
    };
    const Case cases[] = {
        {MenuKindPopup, {xcPopupMenu}, true},
        {MenuKindPopup, {xcMainMenu, xcSystemMenu}, false},
        {MenuKindMain, {xcMainMenu}, true},
        {MenuKindMain, {xcMenuItem}, true},
        {MenuKindMain, {xcPopupMenu}, false},
        {MenuKindSystem, {xcSystemMenu}, true},
        {MenuKindSystem, {xcPopupMenu, xcMainMenu}, false},
    };
    for (const Case& c : cases) {
        data->SkinControls = c.controls;
        m->MenuKind = c.kind;
        bool known = false;
        LRESULT answer = 0;
        ASSERT_TRUE(WhileMenuOpen(owner, menu,
                                  [&](HWND wnd) {
                                      known = m->FindSkinMenu(wnd) != nullptr;
                                      answer = SendMessageA(wnd, WM_SKIN_ISSKINNED, 0, 0);
                                  }))
            << "kind " << c.kind;
        EXPECT_EQ(known, c.skinned) << "kind " << c.kind;
        EXPECT_EQ(answer == 1, c.skinned) << "kind " << c.kind;
        // The window is gone, and so is its object; an emptied list forgets
        // the kind.
        EXPECT_TRUE(m->MenuList.empty());
        if (c.skinned) {
            EXPECT_EQ(m->MenuKind, MenuKindPopup);
        }
    }
}

TEST_F(MenuWindows, NothingIsTakenWhileDisabledOrWithoutALoadedSkin)
{
    data->SkinControls = {xcPopupMenu};
    m->Enabled = false;
    bool known = true;
    WhileMenuOpen(owner, menu, [&](HWND wnd) { known = m->FindSkinMenu(wnd) != nullptr; });
    EXPECT_FALSE(known);
    m->Enabled = true;
    data->NotLoaded = true;
    known = true;
    WhileMenuOpen(owner, menu, [&](HWND wnd) { known = m->FindSkinMenu(wnd) != nullptr; });
    EXPECT_FALSE(known);
}

TEST_F(MenuWindows, PrintShowsTheSkinBackgroundAroundTheItems)
{
    data->SkinControls = {xcPopupMenu};
    TColor corner = clNone, edge = clNone;
    int width = 0;
    ASSERT_TRUE(WhileMenuOpen(owner, menu, [&](HWND wnd) {
        RECT r{};
        GetWindowRect(wnd, &r);
        width = r.right - r.left;
        TBitmap shot;
        shot.SetPixelFormat(pf24bit);
        shot.SetSize(r.right - r.left, r.bottom - r.top);
        SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        corner = shot.Canvas()->GetPixel(1, 1);
        edge = shot.Canvas()->GetPixel(1, (r.bottom - r.top) / 2);
    }));
    ASSERT_GT(width, 6);
    EXPECT_EQ(corner, kMenuBgCorner);
    EXPECT_EQ(edge, kMenuBgCorner);
}

// The whole road on screen: a form's pop-up menu opened by the framework,
// its window framed by the manager, its items drawn by the form's menus.
TEST_F(MenuWindows, AFormsPopupMenuShowsTheSkinOnScreen)
{
    data->SkinControls = {xcPopupMenu};
    TSkinManage* before = SkinManager;
    SkinManager = m.get();
    {
        TForm form(nullptr);
        form.SetBounds(10, 10, 200, 150);
        form.Show();
        auto* popup = new TPopupMenu(&form);
        for (const char* caption : {"Copy", "-", "Paste"}) {
            auto* it = new TMenuItem(nullptr);
            it->SetCaption(caption);
            popup->Items()->Add(it);
        }
        TFakeHost host;
        host.Form = &form;
        host.Wnd = form.Handle();
        host.Data = data.get();
        TSkinFormMenus menus(host);
        menus.InitPopMenu(true);

        static std::function<void(HWND)> look;
        TColor frame = clNone, item = clNone;
        look = [&](HWND wnd) {
            UpdateWindow(wnd);
            RECT r{};
            GetWindowRect(wnd, &r);
            HDC screen = GetDC(nullptr);
            frame = static_cast<TColor>(GetPixel(screen, r.left + 1, (r.top + r.bottom) / 2));
            // The first item's right end: the MenuItem image's plain frame.
            item = static_cast<TColor>(GetPixel(screen, r.right - 5, r.top + 8));
            ReleaseDC(nullptr, screen);
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
            if (HWND wnd = OpenMenuWindow()) {
                look(wnd);
                EndMenu();
            }
        });
        popup->Popup(60, 60);
        KillTimer(nullptr, timer);
        EXPECT_EQ(frame, kMenuBgCorner);
        EXPECT_EQ(item, kItemPlain);
    }
    SkinManager = before;
}

// A background drawn with cut corners marks them in the key colour; the menu
// window takes the shape of the rest, as the skinned frame does.
TEST_F(MenuWindows, KeyColouredCornersOfTheBackgroundAreCutFromTheWindow)
{
    data->SkinControls = {xcPopupMenu};
    TDataSkinObject& bg = *data->MenuBackground;
    TBitmap& img = *bg.Image;
    const int iw = img.GetWidth(), ih = img.GetHeight();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3 - y; ++x) {
            img.Canvas()->SetPixel(x, y, SkinKeyColor);
            img.Canvas()->SetPixel(iw - 1 - x, y, SkinKeyColor);
            img.Canvas()->SetPixel(x, ih - 1 - y, SkinKeyColor);
            img.Canvas()->SetPixel(iw - 1 - x, ih - 1 - y, SkinKeyColor);
        }
    bg.Margins = Rect(4, 4, 4, 4); // corners copied as they are
    bg.Tile = 0;

    int type = ERROR, w = 0, h = 0;
    bool corners[4] = {true, true, true, true}, inner[3] = {};
    COLORREF shown[2] = {};
    ASSERT_TRUE(WhileMenuOpen(owner, menu, [&](HWND wnd) {
        SendMessageA(wnd, WM_NCPAINT, 1, 0);
        UpdateWindow(wnd);
        RECT r{};
        GetWindowRect(wnd, &r);
        w = r.right - r.left, h = r.bottom - r.top;
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        type = GetWindowRgn(wnd, rgn);
        corners[0] = PtInRegion(rgn, 0, 0), corners[1] = PtInRegion(rgn, w - 1, 0);
        corners[2] = PtInRegion(rgn, 0, h - 1), corners[3] = PtInRegion(rgn, w - 1, h - 1);
        inner[0] = PtInRegion(rgn, 3, 0), inner[1] = PtInRegion(rgn, 1, 1) == FALSE,
        inner[2] = PtInRegion(rgn, w / 2, h / 2);
        DeleteObject(rgn);
        HDC screen = GetDC(nullptr);
        shown[0] = GetPixel(screen, r.left, r.top);
        shown[1] = GetPixel(screen, r.right - 1, r.bottom - 1);
        ReleaseDC(nullptr, screen);
    }));
    EXPECT_EQ(type, COMPLEXREGION) << w << " x " << h;
    for (bool in : corners)
        EXPECT_FALSE(in);
    for (bool ok : inner)
        EXPECT_TRUE(ok);
    for (COLORREF c : shown)
        EXPECT_NE(c, static_cast<COLORREF>(SkinKeyColor));
}

TEST_F(MenuWindows, ManyMenusLeaveNoObjectBehind)
{
    data->SkinControls = {xcPopupMenu};
    // The first round may create what lives for the process (fonts, brushes
    // of the system); count from the second.
    WhileMenuOpen(owner, menu, [](HWND wnd) { SendMessageA(wnd, WM_NCPAINT, 1, 0); });
    const int gdi = TResourceCount::GdiObjects, dcs = TResourceCount::DeviceContexts;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(WhileMenuOpen(owner, menu, [&](HWND wnd) {
            SendMessageA(wnd, WM_NCPAINT, 1, 0);
            EXPECT_NE(m->FindSkinMenu(wnd)->Background(), nullptr);
        }));
    EXPECT_EQ(TResourceCount::GdiObjects, gdi);
    EXPECT_EQ(TResourceCount::DeviceContexts, dcs);
    EXPECT_TRUE(m->MenuList.empty());
}

// The erase step in isolation: a window whose own procedure paints red.
LRESULT CALLBACK RedEraser(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND) {
        RECT r{0, 0, 10, 10};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(reinterpret_cast<HDC>(wParam), &r, red);
        DeleteObject(red);
        return 1;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

TEST_F(MenuWindows, MenuBGOptionKeepsTheBackgroundFromBeingErased)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = RedEraser;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SkinMenuRedEraser";
    RegisterClassA(&wc);
    for (bool option : {false, true}) {
        HWND wnd = CreateWindowExA(0, "SkinMenuRedEraser", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        data->Options = option ? TSkinOptions{xoMenuBG} : TSkinOptions{};
        TWinSkinPopMenu pop;
        pop.Manager = m.get();
        pop.InitSkin(wnd, data.get(), MenuKindPopup);
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(10, 10);
        b.Canvas()->Brush()->SetColor(clWhite);
        b.Canvas()->FillRect(Rect(0, 0, 10, 10));
        EXPECT_EQ(SendMessageA(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(b.Canvas()->Handle()), 0), 1);
        EXPECT_EQ(b.Canvas()->GetPixel(5, 5), option ? clWhite : clRed) << option;
        DestroyWindow(wnd);
        EXPECT_FALSE(pop.Subclassed());
    }
}

// ---------------------------------------------------------------------------
// Items drawn from the MenuItem image.

class MenuItems : public TGdiLeakCheckedTest {
protected:
    void SetUp() override
    {
        data = DefaultSkin();
        ASSERT_FALSE(data->NotLoaded) << data->LastDebug;
        host.Data = data.get();
        canvas.SetPixelFormat(pf24bit);
        canvas.SetSize(200, 20);
        canvas.Canvas()->Handle(); // the bitmap's own DC lives with the fixture
        GiveImagesTheirDCs(*data);
        TGdiLeakCheckedTest::SetUp();
        menus = std::make_unique<TSkinFormMenus>(host);
        popup = std::make_unique<TPopupMenu>(nullptr);
        item = new TMenuItem(nullptr);
        item->SetCaption("Open file");
        popup->Items()->Add(item);
    }
    void TearDown() override
    {
        popup.reset();
        menus.reset();
        TGdiLeakCheckedTest::TearDown();
    }
    // Pixels of colour c in the text column of the drawn item.
    int TextPixels(TColor c)
    {
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 45; x < 150; ++x)
                n += canvas.Canvas()->GetPixel(x, y) == c;
        return n;
    }
    void Draw(bool selected) { menus->DrawMenuItem(item, canvas.Canvas(), Rect(0, 0, 200, 20), selected); }

    TFakeHost host;
    std::unique_ptr<TSkinData> data;
    std::unique_ptr<TSkinFormMenus> menus;
    std::unique_ptr<TPopupMenu> popup;
    TMenuItem* item = nullptr;
    TBitmap canvas;
    std::unique_ptr<TDataSkinObject> parked; // a skin object a test took away
};

TEST_F(MenuItems, SelectedItemsShowFrameFourOthersFrameOne)
{
    Draw(true);
    EXPECT_EQ(canvas.Canvas()->GetPixel(199, 10), kItemBorderSelected);
    // The frame's corners are key-coloured: the menu colour shows there.
    EXPECT_EQ(canvas.Canvas()->GetPixel(199, 0), data->Colors[csMenubg]);
    EXPECT_GT(TextPixels(kHilightText), 0);
    EXPECT_EQ(TextPixels(kMenuText), 0);

    Draw(false);
    EXPECT_EQ(canvas.Canvas()->GetPixel(199, 10), kItemPlain);
    EXPECT_EQ(canvas.Canvas()->GetPixel(199, 0), kItemPlain);
    EXPECT_GT(TextPixels(kMenuText), 0);
    EXPECT_EQ(TextPixels(kHilightText), 0);
}

TEST_F(MenuItems, DisabledTextTakesTheShadowColour)
{
    item->SetEnabled(false);
    Draw(false);
    EXPECT_GT(TextPixels(kButtonShadow), 0);
    EXPECT_EQ(TextPixels(kMenuText), 0);
    // A skin whose shadow equals its menu text would hide the difference.
    data->Colors[csButtonShadow] = data->Colors[csMenuText];
    Draw(false);
    EXPECT_GT(TextPixels(ColorToRGB(clGrayText)), 0);
}

TEST_F(MenuItems, SeparatorsComeFromFrameTwo)
{
    item->SetCaption("-");
    Draw(false);
    EXPECT_EQ(canvas.Canvas()->GetPixel(100, 9), kSeparatorDark);
    EXPECT_EQ(canvas.Canvas()->GetPixel(100, 10), kSeparatorLight);
    EXPECT_EQ(canvas.Canvas()->GetPixel(5, 9), Rgb(0xE8, 0xE6, 0xD8));
    EXPECT_EQ(TextPixels(kMenuText), 0);
}

TEST_F(MenuItems, WithoutAMenuItemObjectItemsAreDrawnFromColours)
{
    parked = std::move(data->MenuItem);
    // Drawing from colours changes the canvas's own brush and font: a
    // bitmap of this test's own keeps the fixture's counts out of it.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(200, 20);
    menus->DrawMenuItem(item, b.Canvas(), Rect(0, 0, 200, 20), true);
    EXPECT_EQ(b.Canvas()->GetPixel(199, 10), data->Colors[csHilight]);
    menus->DrawMenuItem(item, b.Canvas(), Rect(0, 0, 200, 20), false);
    EXPECT_EQ(b.Canvas()->GetPixel(199, 10), data->Colors[csMenubg]);
}

TEST_F(MenuItems, MeasuringMakesRoomForTheSkinsLeftPart)
{
    int w = 50, h = 20;
    menus->MeasureItemPop(item, canvas.Canvas(), w, h);
    EXPECT_EQ(w, 50 + data->MenuItem->Margins.Left + 12 + 23);
    popup->SetImages(data->MenuImages.get());
    w = 50;
    menus->MeasureItemPop(item, canvas.Canvas(), w, h);
    EXPECT_EQ(w, 50 + data->MenuItem->Margins.Left + 12);
    EXPECT_EQ(h, 20);
}

// Where the parts of an item go, by pixels: the image cell 1 pixel and the
// skin's left margin in, the text 3 pixels after the cell, the short cut
// ending 10 pixels before the text's right end. Each part's ink is what
// drawing it adds to the item drawn without it.
TEST_F(MenuItems, ImageTextAndShortCutStandWhereTheItemsGeometryPutsThem)
{
    popup->SetImages(data->MenuImages.get());
    TImageList& images = *data->MenuImages;
    const int ml = data->MenuItem->Margins.Left, column = images.GetWidth();
    const TRect r = Rect(0, 0, 200, 20);
    auto drawn = [&](int image, const char* caption, TShortCut key) {
        item->SetImageIndex(image);
        item->SetCaption(caption);
        item->SetShortCut(key);
        auto b = std::make_unique<TBitmap>();
        b->SetPixelFormat(pf24bit);
        b->SetSize(r.Width(), r.Height());
        menus->DrawMenuItem(item, b->Canvas(), r, false);
        return b;
    };
    struct TSpan {
        int left = 1 << 30, top = 1 << 30, right = -1;
    };
    auto added = [&](TBitmap& with, TBitmap& without) {
        TSpan s;
        for (int y = 0; y < r.Height(); ++y)
            for (int x = 0; x < r.Width(); ++x)
                if (with.Canvas()->GetPixel(x, y) != without.Canvas()->GetPixel(x, y)) {
                    s.left = std::min(s.left, x);
                    s.top = std::min(s.top, y);
                    s.right = std::max(s.right, x);
                }
        return s;
    };
    // The image's own first opaque column and row.
    TBitmap one;
    const TColor keep = images.BkColor;
    images.BkColor = SkinKeyColor;
    images.GetBitmap(0, &one);
    images.BkColor = keep;
    int c0 = one.GetWidth(), r0 = one.GetHeight();
    for (int y = 0; y < one.GetHeight(); ++y)
        for (int x = 0; x < one.GetWidth(); ++x)
            if (one.Canvas()->GetPixel(x, y) != SkinKeyColor) {
                c0 = std::min(c0, x);
                r0 = std::min(r0, y);
            }
    ASSERT_LT(c0, one.GetWidth());

    const TShortCut ctrlO = TextToShortCut("Ctrl+O");
    auto all = drawn(0, "Open file", ctrlO);
    auto noImage = drawn(-1, "Open file", ctrlO);
    auto noKey = drawn(0, "Open file", scNone);
    const TSpan image = added(*all, *noImage);
    EXPECT_EQ(image.left, 1 + ml + c0);
    EXPECT_EQ(image.top, 1 + r0);
    const int textLeft = 1 + ml + column + 3;
    const TSpan text = added(*noKey, *drawn(0, "", scNone));
    EXPECT_GE(text.left, textLeft);
    EXPECT_LE(text.left, textLeft + 1);
    const TSpan key = added(*all, *noKey);
    const int keyEnd = r.Right - 1 - 10;
    EXPECT_LT(key.right, keyEnd);
    EXPECT_GE(key.right, keyEnd - 2);
}

TEST_F(MenuItems, PlainMenusBecomeOwnerDrawnAndAreDrawnFromTheirOwnTexts)
{
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 301, "Inner");
    HMENU bar = CreatePopupMenu();
    AppendMenuA(bar, MF_STRING | MF_GRAYED, 201, "Open file");
    AppendMenuA(bar, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "More");
    menus->WMINITMENU(bar);
    for (HMENU m : {bar, sub}) {
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoA(m, 0, TRUE, &mii));
        EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    }

    MEASUREITEMSTRUCT text{ODT_MENU, 0, 201, 0, 0, 0}, line{ODT_MENU, 0, 0, 0, 0, 0};
    ASSERT_TRUE(menus->WMMEASUREITEM(&text));
    ASSERT_TRUE(menus->WMMEASUREITEM(&line));
    EXPECT_GT(text.itemWidth, static_cast<UINT>(26 + data->MenuItem->Margins.Left));
    EXPECT_GT(text.itemHeight, 4u);
    EXPECT_EQ(line.itemHeight, 8u);

    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = 201;
    dis.itemState = ODS_SELECTED;
    dis.hwndItem = reinterpret_cast<HWND>(bar);
    dis.hDC = canvas.Canvas()->Handle();
    dis.rcItem = RECT{0, 0, 200, 20};
    ASSERT_TRUE(menus->WMDRAWITEM(&dis));
    EXPECT_EQ(canvas.Canvas()->GetPixel(199, 10), kItemBorderSelected);
    EXPECT_GT(TextPixels(kButtonShadow), 0) << "the grayed state came along";

    // Framework items are left to their own events.
    dis.itemID = item->Command();
    dis.itemData = reinterpret_cast<ULONG_PTR>(item);
    EXPECT_FALSE(menus->WMDRAWITEM(&dis));
    DestroyMenu(bar);
}

// ---------------------------------------------------------------------------
// Hanging the painting on a form's menus.

TEST(MenuHooks, FormPopupMenusGetTheSkinUnlessTaggedOff)
{
    auto data = DefaultSkin();
    data->SkinControls = {xcPopupMenu};
    TForm form(nullptr);
    auto* skinned = new TPopupMenu(&form);
    auto* own = new TPopupMenu(&form);
    own->Tag = data->DisableTag;
    TMenuItem* a = new TMenuItem(nullptr);
    a->SetCaption("a");
    skinned->Items()->Add(a);
    TMenuItem* b = new TMenuItem(nullptr);
    b->SetCaption("b");
    bool ownDrawn = false;
    b->OnDrawItem = [&](TObject*, TCanvas*, const TRect&, bool) { ownDrawn = true; };
    own->Items()->Add(b);

    TFakeHost host;
    host.Form = &form;
    host.Data = data.get();
    {
        TSkinFormMenus menus(host);
        menus.InitPopMenu(true);
        EXPECT_TRUE(static_cast<bool>(a->OnDrawItem));
        EXPECT_TRUE(static_cast<bool>(a->OnMeasureItem));
        EXPECT_TRUE(a->IsOwnerDraw());
        TBitmap bmp;
        bmp.SetSize(50, 20);
        b->DrawItem(bmp.Canvas(), Rect(0, 0, 50, 20), false);
        EXPECT_TRUE(ownDrawn) << "a menu tagged off keeps its own drawing";
        // ... also when it is opened and the frame sees its WM_INITMENU.
        TMenuItem* plain = new TMenuItem(nullptr);
        plain->SetCaption("plain");
        own->Items()->Add(plain);
        menus.WMINITMENU(own->Handle());
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoA(own->Handle(), plain->Command(), FALSE, &mii));
        EXPECT_FALSE(mii.fType & MFT_OWNERDRAW);

        menus.InitPopMenu(false);
        EXPECT_FALSE(static_cast<bool>(a->OnDrawItem));
        EXPECT_TRUE(static_cast<bool>(b->OnDrawItem));
        menus.InitPopMenu(true);
    }
    // The frame's menus are gone: nothing of theirs stays on the items.
    EXPECT_FALSE(static_cast<bool>(a->OnDrawItem));
    EXPECT_FALSE(static_cast<bool>(a->OnMeasureItem));
}

} // namespace
