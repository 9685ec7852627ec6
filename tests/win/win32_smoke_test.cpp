// Proves the emulator path: a real window class, a real window, messages
// sent, posted and pumped, and GDI drawing read back, under Wine.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

constexpr UINT kPing = WM_APP + 1;
int g_pings = 0;
int g_paints = 0;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case kPing:
        g_pings += static_cast<int>(wp);
        return 0x5A;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        ++g_paints;
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

struct WindowFixture : ::testing::Test {
    void SetUp() override
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ProbeProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvaneProbe";
        RegisterClassA(&wc);
        hwnd = CreateWindowA("OrvaneProbe", "probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 120, nullptr, nullptr,
                             wc.hInstance, nullptr);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override
    {
        if (hwnd) DestroyWindow(hwnd);
        UnregisterClassA("OrvaneProbe", GetModuleHandleA(nullptr));
    }
    HWND hwnd = nullptr;
};

TEST_F(WindowFixture, SentAndPostedMessagesReachTheWindowProcedure)
{
    g_pings = 0;
    EXPECT_EQ(SendMessageA(hwnd, kPing, 2, 0), 0x5A);
    PostMessageA(hwnd, kPing, 3, 0);
    PostMessageA(hwnd, WM_QUIT, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    EXPECT_EQ(g_pings, 5);
}

TEST_F(WindowFixture, ShownWindowIsPaintedThroughTheLoop)
{
    g_paints = 0;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    EXPECT_GE(g_paints, 1);
    RECT rc;
    GetClientRect(hwnd, &rc);
    EXPECT_GT(rc.right, 0);
}

TEST(Gdi, DrawingIntoAMemoryBitmapReadsBack)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 16, 16};
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &all, black);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    POINT line[2] = {{0, 5}, {10, 5}};
    Polyline(dc, line, 2);
    // GDI leaves out a polyline's end point: the widgets' pixel positions rely on it.
    EXPECT_EQ(GetPixel(dc, 0, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 9, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 10, 5), RGB(0, 0, 0));
    SelectObject(dc, oldPen);
    SelectObject(dc, old);
    DeleteObject(pen);
    DeleteObject(black);
    DeleteObject(bmp);
    DeleteDC(dc);
}

} // namespace
