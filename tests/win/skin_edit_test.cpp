// The skinned plain controls, read back from the screen: which frame of the
// skin's check, radio and up-down images each state shows, the edit's border,
// the group box's rounded line and caption, the panel's colour and the tool
// bar's hot button, attached the way the frame attaches them.
#include <gtest/gtest.h>

#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/stdctrls.h"
#include "skin/winskinedit.h"
#include "tests/win/skin_edit_testing.h"

using namespace skinedittest;

namespace {

class SkinEdit : public SkinnedForm {
protected:
    template <class T> T* Place(int x, int y, int w, int h)
    {
        auto* c = new T(form.get());
        c->SetParent(form.get());
        c->SetBounds(x, y, w, h);
        return c;
    }
    // The check or radio frame a button shows: its image sits at the left,
    // centred vertically.
    int CheckFrameOf(TWinControl* button, TBitmap& image, int frames)
    {
        Pump();
        const int fw = image.GetWidth() / frames, ih = image.GetHeight();
        RECT client;
        GetClientRect(button->Handle(), &client);
        auto shot = Grab(button->Handle(), Bounds(0, (client.bottom - ih) / 2, fw, ih));
        return BestFrame(*shot, image, frames);
    }
    // The frames of the two halves of an up-down (each half exactly one
    // frame in size): the half as the frame of the image with the same frame
    // of the glyph image centred over it, both put together here pixel by
    // pixel from the two images (the key colour showing the face).
    std::pair<int, int> UpDownFrames(HWND wnd, TDataSkinBorder& obj, bool vertical)
    {
        Pump();
        const int fw = obj.Image->GetWidth() / obj.Frame, fh = obj.Image->GetHeight();
        TBitmap& glyphs = *obj.Image2;
        const int gw = glyphs.Empty() ? 0 : glyphs.GetWidth() / obj.Frame, gh = glyphs.GetHeight();
        const int gx = (fw - gw) / 2, gy = (fh - gh) / 2;
        auto frameOf = [&](TBitmap& shown) {
            for (int f = 1; f <= obj.Frame; ++f) {
                int bad = 0;
                for (int y = 0; y < fh; ++y)
                    for (int x = 0; x < fw; ++x) {
                        TColor want = obj.Image->Canvas()->GetPixel((f - 1) * fw + x, y);
                        if (want == SkinKeyColor) want = Face();
                        if (x >= gx && x < gx + gw && y >= gy && y < gy + gh) {
                            const TColor g = glyphs.Canvas()->GetPixel((f - 1) * gw + x - gx, y - gy);
                            if (g != SkinKeyColor) want = g;
                        }
                        bad += shown.Canvas()->GetPixel(x, y) != want;
                    }
                if (bad == 0) return f;
            }
            return 0;
        };
        auto first = Grab(wnd, Bounds(0, 0, fw, fh));
        auto second = Grab(wnd, vertical ? Bounds(0, fh, fw, fh) : Bounds(fw, 0, fw, fh));
        return {frameOf(*first), frameOf(*second)};
    }
    void PressAt(HWND wnd, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(wnd, &p);
        SetCursorPos(p.x, p.y);
        SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }
};

TEST_F(SkinEdit, CheckBoxShowsTheFrameOfItsStateOnTheTwelveFrameImage)
{
    auto* box = Place<TCheckBox>(10, 10, 120, 17);
    box->SetCaption("Auto brightness");
    box->SetAllowGrayed(true);
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(dynamic_cast<TSkinCheckBox*>(List().FindObject(box)), nullptr);
    TBitmap& img = *data->Button->CheckImage;
    ASSERT_EQ(data->Button->CheckFrame, 12);

    EXPECT_EQ(CheckFrameOf(box, img, 12), 1);
    box->SetChecked(true);
    EXPECT_EQ(CheckFrameOf(box, img, 12), 5);
    box->SetEnabled(false);
    EXPECT_EQ(CheckFrameOf(box, img, 12), 8);
    box->SetChecked(false);
    EXPECT_EQ(CheckFrameOf(box, img, 12), 4);
    box->SetState(cbGrayed);
    EXPECT_EQ(CheckFrameOf(box, img, 12), 12);
    box->SetEnabled(true);
    EXPECT_EQ(CheckFrameOf(box, img, 12), 9);

    // A click by the user goes through the control's own handling and is
    // shown at once.
    box->SetAllowGrayed(false);
    box->SetState(cbUnchecked);
    SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 8));
    SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 8));
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(CheckFrameOf(box, img, 12), 5);
    // The whole face is the skin's, not the system's.
    EXPECT_EQ(PixelOf(box->Handle(), 110, 1), Rgb(Face()));
}

TEST_F(SkinEdit, RadioGroupButtonsShowRadioFramesAndTheGroupItsLine)
{
    auto* group = Place<TRadioGroup>(10, 40, 150, 100);
    group->SetCaption("Weighting");
    group->Items()->Add("dB");
    group->Items()->Add("dB(A)");
    group->Items()->Add("dB(C)");
    group->SetItemIndex(1);
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(dynamic_cast<TSkinGroupBox*>(List().FindObject(group)), nullptr);
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(dynamic_cast<TSkinRadioButton*>(List().FindObject(group->Buttons(i))), nullptr) << i;
    // The radio group is recoloured.
    EXPECT_EQ(group->GetColor(), Face());

    TBitmap& img = *data->Button->RadioImage;
    ASSERT_EQ(data->Button->RadioFrame, 8);
    EXPECT_EQ(CheckFrameOf(group->Buttons(0), img, 8), 1);
    EXPECT_EQ(CheckFrameOf(group->Buttons(1), img, 8), 5);
    group->SetItemIndex(2);
    EXPECT_EQ(CheckFrameOf(group->Buttons(1), img, 8), 1);
    EXPECT_EQ(CheckFrameOf(group->Buttons(2), img, 8), 5);
    group->Buttons(0)->SetEnabled(false);
    group->Buttons(2)->SetEnabled(false);
    EXPECT_EQ(CheckFrameOf(group->Buttons(0), img, 8), 4);
    EXPECT_EQ(CheckFrameOf(group->Buttons(2), img, 8), 8);
}

TEST_F(SkinEdit, UpDownHalvesShowPressedAndDisabledFrames)
{
    auto* ud = Place<TUpDown>(200, 20, 16, 22);
    ud->SetMax(50);
    auto* horz = Place<TUpDown>(240, 20, 22, 16);
    horz->SetOrientation(udHorizontal);
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(dynamic_cast<TSkinUpDown*>(List().FindObject(ud)), nullptr);
    TDataSkinBorder& vert = *data->UpDownVert;
    ASSERT_EQ(vert.Image->GetWidth() / vert.Frame, 16);
    ASSERT_EQ(vert.Image->GetHeight(), 11);
    HWND w = ud->Handle();

    EXPECT_EQ(UpDownFrames(w, vert, true), std::make_pair(1, 5));
    PressAt(w, 8, 4);
    EXPECT_EQ(UpDownFrames(w, vert, true), std::make_pair(2, 5));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(8, 4));
    EXPECT_EQ(UpDownFrames(w, vert, true), std::make_pair(1, 5));
    EXPECT_EQ(SendMessageW(w, UDM_GETPOS32, 0, 0), 1) << "the press still reaches the control";
    PressAt(w, 8, 17);
    EXPECT_EQ(UpDownFrames(w, vert, true), std::make_pair(1, 6));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(8, 17));
    ud->SetEnabled(false);
    EXPECT_EQ(UpDownFrames(w, vert, true), std::make_pair(3, 7));

    // Left and right halves from UpDownHorz.
    TDataSkinBorder& h = *data->UpDownHorz;
    EXPECT_EQ(UpDownFrames(horz->Handle(), h, false), std::make_pair(1, 5));
    PressAt(horz->Handle(), 16, 8);
    EXPECT_EQ(UpDownFrames(horz->Handle(), h, false), std::make_pair(1, 6));
    SendMessageW(horz->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(16, 8));
}

TEST_F(SkinEdit, UpDownWithoutSkinObjectIsDrawnInTheSkinColours)
{
    auto* ud = Place<TUpDown>(200, 20, 16, 22);
    data->UpDownVert.reset();
    ShowForm();
    List().InitControls(form.get());
    HWND w = ud->Handle();
    Pump();
    const COLORREF dk = Rgb(data->Colors[csButtonDkshadow]);
    EXPECT_EQ(PixelOf(w, 0, 0), dk);
    EXPECT_EQ(PixelOf(w, 15, 21), dk);
    EXPECT_EQ(PixelOf(w, 2, 2), Rgb(Face()));
    EXPECT_EQ(PixelOf(w, 2, 13), Rgb(Face()));
    // Each half carries a small arrow in the outline colour.
    int ink = 0;
    for (int y = 1; y < 10; ++y)
        for (int x = 1; x < 15; ++x)
            ink += PixelOf(w, x, y) == dk;
    EXPECT_GE(ink, 6);
    PressAt(w, 8, 4);
    Pump();
    EXPECT_EQ(PixelOf(w, 2, 2), Rgb(Shadow()));
    EXPECT_EQ(PixelOf(w, 2, 13), Rgb(Face()));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(8, 4));
}

TEST_F(SkinEdit, EditGetsTheSkinBorderAndKeepsIt)
{
    auto* e = Place<TEdit>(20, 60, 100, 21);
    e->SetText("120");
    ShowForm();
    HWND w = e->Handle();
    const COLORREF systemEdge = PixelOf(w, 0, 10, true);
    ASSERT_NE(systemEdge, Rgb(Shadow()));
    List().InitControls(form.get());
    ASSERT_NE(dynamic_cast<TSkinEdit*>(List().FindObject(e)), nullptr);

    auto expectSkinBorder = [&](const char* when) {
        Pump();
        for (auto [x, y] : {std::pair{0, 10}, {50, 0}, {99, 10}, {50, 20}})
            EXPECT_EQ(PixelOf(w, x, y, true), Rgb(Shadow())) << when << " outer " << x << "," << y;
        for (auto [x, y] :
             {std::pair{1, 10}, {2, 10}, {50, 1}, {50, 2}, {97, 10}, {98, 10}, {50, 18}, {50, 19}})
            EXPECT_EQ(PixelOf(w, x, y, true), RGB(255, 255, 255)) << when << " inner " << x << "," << y;
    };
    expectSkinBorder("attached");
    e->SetFocus();
    expectSkinBorder("focused");
    // A repaint of the frame alone.
    SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    expectSkinBorder("frame repainted");

    List().DeleteControls();
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_EQ(PixelOf(w, 0, 10, true), systemEdge) << "the system's edge is back once released";
}

TEST_F(SkinEdit, UpDownInsideAnEditIsFoundAndKeepsClearOfTheBorder)
{
    ShowForm();
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"7", WS_CHILD | WS_VISIBLE, 20, 150, 80, 24,
                                form->Handle(), nullptr, MainInstance(), nullptr);
    RECT client;
    GetClientRect(edit, &client);
    HWND spin = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, client.right - 16, 0, 16,
                                client.bottom, edit, nullptr, MainInstance(), nullptr);
    List().AddControlh(edit);
    ASSERT_NE(dynamic_cast<TSkinEdit*>(List().FindObject(edit)), nullptr);
    RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    auto* ud = dynamic_cast<TSkinUpDown*>(List().FindObject(spin));
    ASSERT_NE(ud, nullptr);
    EXPECT_TRUE(ud->Embedded);
    RedrawWindow(spin, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    // The edit's 2-pixel edge puts its window 2 pixels outside the spinner:
    // the drawing keeps 3 pixels from it, the rest is white.
    EXPECT_EQ(PixelOf(spin, 8, 0), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(spin, 15, 8), RGB(255, 255, 255));
    EXPECT_NE(PixelOf(spin, 8, 3), RGB(255, 255, 255));

    List().DeleteControls();
    DestroyWindow(edit);
}

TEST_F(SkinEdit, GroupBoxLineIsInterruptedByItsCaption)
{
    auto* g = Place<TGroupBox>(150, 60, 160, 90);
    g->SetCaption("Level bar");
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(dynamic_cast<TSkinGroupBox*>(List().FindObject(g)), nullptr);
    HWND w = g->Handle();
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, g->Font()->Handle());
    SIZE zero{}, caption{};
    GetTextExtentPoint32A(dc, "0", 1, &zero);
    GetTextExtentPoint32A(dc, "Level bar", 9, &caption);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    const int line = zero.cy / 2;
    const COLORREF shadow = Rgb(Shadow());

    auto captionGap = [&](int from) {
        int onLine = 0, face = 0;
        for (int x = from; x < from + caption.cx; ++x) {
            onLine += PixelOf(w, x, line) == shadow;
            face += PixelOf(w, x, line) == Rgb(Face());
        }
        return std::pair{onLine, face};
    };
    Pump();
    EXPECT_EQ(PixelOf(w, 140, line), shadow);
    EXPECT_EQ(PixelOf(w, 1, 50), shadow);
    EXPECT_EQ(PixelOf(w, 158, 50), shadow);
    EXPECT_EQ(PixelOf(w, 80, 88), shadow);
    EXPECT_EQ(PixelOf(w, 0, 50), Rgb(Face())) << "the line starts one pixel in";
    EXPECT_EQ(PixelOf(w, 80, 50), Rgb(Face()));
    auto [onLine, face] = captionGap(8);
    EXPECT_EQ(onLine, 0);
    EXPECT_GT(face, 0);

    // Right-aligned captions sit 8 pixels from the right edge.
    SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) | WS_EX_RIGHT);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    EXPECT_EQ(PixelOf(w, 12, line), shadow);
    std::tie(onLine, face) = captionGap(160 - 8 - caption.cx);
    EXPECT_EQ(onLine, 0);
}

TEST_F(SkinEdit, PanelTakesTheFaceColourAndGetsItsOwnBack)
{
    auto* red = Place<TPanel>(10, 160, 100, 60);
    red->SetColor(clRed);
    auto* inherited = Place<TPanel>(120, 160, 100, 60);
    auto* child = new TCheckBox(form.get());
    child->SetParent(red);
    child->SetBounds(4, 4, 80, 17);
    inherited->SetParentColor(true);
    ShowForm();

    for (int round = 0; round < 2; ++round) {
        List().InitControls(form.get());
        ASSERT_NE(dynamic_cast<TSkinBox*>(List().FindObject(red)), nullptr);
        EXPECT_NE(dynamic_cast<TSkinCheckBox*>(List().FindObject(child)), nullptr)
            << "children are skinned too";
        EXPECT_EQ(red->GetColor(), Face());
        EXPECT_EQ(inherited->GetColor(), Face());
        Pump();
        EXPECT_EQ(PixelOf(red->Handle(), 50, 45), Rgb(Face()));
        // The panel keeps its own painting: nothing of ours hooks it.
        EXPECT_EQ(red->Perform(WM_SKIN_CONTROLSKINNED), 0);

        List().DeleteControls();
        EXPECT_EQ(red->GetColor(), clRed) << round;
        EXPECT_TRUE(inherited->GetParentColor()) << round;
        Pump();
        EXPECT_EQ(PixelOf(red->Handle(), 50, 45), RGB(255, 0, 0)) << round;
    }
}

TEST_F(SkinEdit, ToolBarButtonsArePaintedFromTheSkinWhenHot)
{
    auto* bar = new TToolBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(0, 0, 360, 40);
    bar->SetShowCaptions(true);
    for (int i = 0; i < 2; ++i) {
        auto* b = new TToolButton(form.get());
        b->SetParent(bar);
        b->SetLeft(i * 60);
        b->SetCaption(i ? "Hide" : "Clear");
    }
    ShowForm();
    List().InitControls(form.get());
    EXPECT_TRUE(bar->GetFlat());
    ASSERT_TRUE(static_cast<bool>(bar->OnCustomDrawButton));
    TDataSkinButton& skin = *data->Button;
    const int fw = skin.Image->GetWidth() / 5;
    // A pixel of the top-left corner piece, which is copied unscaled.
    int cx = -1, cy = -1;
    for (int y = 2; y < skin.Margins.Top && cx < 0; ++y)
        for (int x = 2; x < skin.Margins.Left; ++x)
            if (skin.Image->Canvas()->GetPixel(3 * fw + x, y) != SkinKeyColor &&
                skin.Image->Canvas()->GetPixel(3 * fw + x, y) != skin.Image->Canvas()->GetPixel(x, y)) {
                cx = x;
                cy = y;
                break;
            }
    ASSERT_GE(cx, 0) << "frame 4 differs from frame 1 somewhere in its corner";
    const TColor hot = skin.Image->Canvas()->GetPixel(3 * fw + cx, cy);
    const TRect r = bar->Buttons(0)->BoundsRect();
    HWND w = bar->Handle();

    SendMessageW(w, TB_SETHOTITEM, 0, 0);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    EXPECT_EQ(PixelOf(w, r.Left + 1 + cx, r.Top + 1 + cy), Rgb(hot));
    // The caption is still on it.
    auto shot = Grab(w, r);
    int ink = 0;
    for (int y = 0; y < shot->GetHeight(); ++y)
        for (int x = 0; x < shot->GetWidth(); ++x)
            ink += Rgb(shot->Canvas()->GetPixel(x, y)) == Rgb(bar->Font()->GetColor());
    EXPECT_GT(ink, 5);

    data->Options.Include(xoToolbarButton);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    EXPECT_NE(PixelOf(w, r.Left + 1 + cx, r.Top + 1 + cy), Rgb(hot));

    List().DeleteControls();
    EXPECT_FALSE(static_cast<bool>(bar->OnCustomDrawButton)) << "the handlers go with the skin";
}

// The engine draws the tool buttons' captions itself (the system's drawing
// would cover the skinned face of a hot button); it does so at one place,
// so that a caption stands still while the mouse comes, goes and presses.
TEST_F(SkinEdit, ToolButtonCaptionsStandStillAtRestHotAndPressed)
{
    auto* bar = new TToolBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(0, 0, 360, 29);
    bar->SetShowCaptions(true);
    bar->SetButtonWidth(37);
    bar->SetButtonHeight(21);
    // A colour neither the skin nor the bar's background holds.
    const TColor ink = static_cast<TColor>(RGB(1, 2, 250));
    bar->Font()->SetColor(ink);
    for (int i = 0; i < 2; ++i) {
        auto* b = new TToolButton(form.get());
        b->SetParent(bar);
        b->SetLeft(i * 37);
        b->SetCaption(i ? "Clear" : "Puase");
    }
    ShowForm();
    List().InitControls(form.get());
    HWND w = bar->Handle();
    const TRect r = bar->Buttons(0)->BoundsRect();
    TBBUTTON tb{};
    ASSERT_TRUE(SendMessageW(w, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&tb)));
    auto inkMask = [&] {
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Pump();
        auto shot = Grab(w, r);
        std::vector<bool> mask;
        for (int y = 0; y < shot->GetHeight(); ++y)
            for (int x = 0; x < shot->GetWidth(); ++x)
                mask.push_back(Rgb(shot->Canvas()->GetPixel(x, y)) == Rgb(ink));
        return mask;
    };
    SendMessageW(w, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
    const std::vector<bool> rest = inkMask();
    const auto inked = std::count(rest.begin(), rest.end(), true);
    EXPECT_GT(inked, 5) << "the caption shows at rest";
    SendMessageW(w, TB_SETHOTITEM, 0, 0);
    EXPECT_EQ(inkMask(), rest) << "hot";
    SendMessageW(w, TB_PRESSBUTTON, tb.idCommand, TRUE);
    EXPECT_EQ(inkMask(), rest) << "pressed";
    SendMessageW(w, TB_PRESSBUTTON, tb.idCommand, FALSE);
    SendMessageW(w, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(inkMask(), rest) << "at rest again";
    List().DeleteControls();
}

} // namespace

namespace {

// Skins with the short images: four check frames, four radio frames.
TEST(SkinEditFrames, ShortImagesUseTheirFirstFourFrames)
{
    EXPECT_EQ(CheckImageFrame({1, false, false}, 4), 1);
    EXPECT_EQ(CheckImageFrame({2, false, false}, 4), 2);
    EXPECT_EQ(CheckImageFrame({1, true, false}, 4), 3);
    EXPECT_EQ(CheckImageFrame({2, true, false}, 4), 4);
    EXPECT_EQ(CheckImageFrame({1, false, true}, 4), 4) << "indeterminate looks checked and disabled";
    EXPECT_EQ(RadioImageFrame({2, true, false}, 4), 4);
    // A grey State property is the third state, not "checked and disabled".
    EXPECT_EQ(CheckImageFrame({4, false, false}, 12), 9);
    EXPECT_EQ(CheckImageFrame({4, true, false}, 12), 12);
}

} // namespace
