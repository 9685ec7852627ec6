// The skin manager on its own: which windows it takes, the CBT hook that
// brings them, the one-shot action timer, and that a manager leaves nothing
// behind. The skin data here has no images: the frames take their windows
// over with no border at all.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "framework/resourcecount.h"
#include "skin/winskinform.h"
#include "skin/winskinframe.h"

namespace {

using Clock = std::chrono::steady_clock;

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// A window that says it is skinned already (by another module's engine).
LRESULT CALLBACK SkinnedProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SKIN_ISSKINNED) return 1;
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

void Register(const char* name, WNDPROC proc)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = MainInstance();
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

HWND Make(const char* cls, int w = 200, int h = 120, HWND parent = nullptr, DWORD style = WS_OVERLAPPEDWINDOW)
{
    static bool registered = [] {
        Register("SkmPlain", PlainProc);
        Register("SkmSkinned", SkinnedProc);
        Register("SkmPreviewPane", PlainProc);
        return true;
    }();
    (void)registered;
    return CreateWindowExA(0, cls, "t", style | (parent ? WS_CHILD : 0), 10, 10, w, h, parent, nullptr,
                           MainInstance(), nullptr);
}

void Pump(std::chrono::milliseconds span)
{
    auto until = Clock::now() + span;
    while (Clock::now() < until) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

int ThreadWindows()
{
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(), [](HWND, LPARAM p) { return ++*reinterpret_cast<int*>(p), TRUE; },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

struct Manager : ::testing::Test {
    TSkinData data{nullptr};
    TSkinManage m;
    void SetUp() override
    {
        data.NotLoaded = false; // a loaded skin, as far as the manager asks
        m.AddSkinData(&data);
        m.Enabled = true;
    }
};

} // namespace

TEST(SkinManagerGlobals, NamesTheFrameworkPropertyAndMessage)
{
    ASSERT_EQ(PropName.size(), 26u);
    EXPECT_EQ(PropName.rfind("ControlOfs", 0), 0u);
    EXPECT_EQ(PropName.find_first_not_of("0123456789ABCDEF", 10), std::string::npos);
    EXPECT_NE(ControlAtom, 0);
    EXPECT_EQ(GlobalFindAtomA(PropName.c_str()), ControlAtom);
    EXPECT_GE(RM_GetObjectInstance, 0xC000u);
    // The framework marks its windows with the same property.
    TForm form(nullptr);
    EXPECT_EQ(GetPropA(form.Handle(), MAKEINTATOM(ControlAtom)), static_cast<TWinControl*>(&form));
    EXPECT_TRUE(Win32PlatformIsUnicode);
}

TEST_F(Manager, FindSkindataPrefersOwnFormThenDialogThenMain)
{
    TForm form(nullptr);
    TSkinData own(&form), dialog(nullptr);
    own.SkinFormtype = sfOnlyThisForm;
    dialog.SkinFormtype = sfDialog;
    m.AddSkinData(&dialog);
    m.AddSkinData(&own);
    EXPECT_EQ(m.MainData, &data);
    EXPECT_EQ(m.FindSkindata(form.Handle()), &own);
    HWND plain = Make("SkmPlain");
    EXPECT_EQ(m.FindSkindata(plain), &data);
    m.RemoveSkinData(&data);
    EXPECT_EQ(m.MainData, nullptr);
    EXPECT_EQ(m.FindSkindata(plain), &dialog); // the first one left
    m.RemoveSkinData(&dialog);
    m.RemoveSkinData(&own);
    EXPECT_EQ(m.FindSkindata(plain), nullptr);
    DestroyWindow(plain);
}

TEST_F(Manager, AddFormTakesAWindowOnceAndRefusesTheOthers)
{
    HWND plain = Make("SkmPlain");
    EXPECT_TRUE(m.AddForm(plain));
    EXPECT_FALSE(m.AddForm(plain)); // already has a frame
    ASSERT_NE(m.FindSkinForm(plain), nullptr);
    EXPECT_EQ(m.FindSkinForm(plain)->Data, &data);

    HWND skinned = Make("SkmSkinned");
    EXPECT_FALSE(m.AddForm(skinned));
    HWND empty = Make("SkmPlain", 0, 0, nullptr, WS_POPUP);
    EXPECT_FALSE(m.AddForm(empty));
    HWND foreign =
        CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(m.AddForm(foreign));
    HWND preview = Make("SkmPreviewPane");
    data.Options.Exclude(xoPreview);
    EXPECT_FALSE(m.AddForm(preview));
    data.Options.Include(xoPreview);
    EXPECT_TRUE(m.AddForm(preview));

    HWND nested = Make("SkmPlain", 80, 40, plain);
    EXPECT_FALSE(m.AddForm(nested));
    m.NestedForms = true;
    EXPECT_TRUE(m.AddForm(nested));

    TForm tagged(nullptr);
    tagged.Tag = SkinDisableTag;
    tagged.SetBounds(0, 0, 200, 100);
    EXPECT_FALSE(m.AddForm(tagged.Handle()));
    tagged.Tag = 0;
    EXPECT_TRUE(m.AddForm(tagged.Handle()));
    EXPECT_EQ(m.FindSkinForm(tagged.Handle())->Form, &tagged);

    data.OnFormSkin = [](TObject*, const std::string&, bool& doSkin) { doSkin = false; };
    HWND another = Make("SkmPlain");
    EXPECT_FALSE(m.AddForm(another));
    data.OnFormSkin = nullptr;

    data.NotLoaded = true;
    EXPECT_FALSE(m.AddForm(another));
    data.NotLoaded = false;
    m.Enabled = false;
    EXPECT_FALSE(m.AddForm(another));
    EXPECT_EQ(m.FormList.size(), 4u);
    for (HWND w : {plain, skinned, empty, foreign, preview, another})
        DestroyWindow(w);
}

TEST_F(Manager, HookTakesActivatedWindowsUntilRemoved)
{
    m.InstallHook();
    ASSERT_NE(m.HookHandle(), nullptr);
    EXPECT_NE(WinVersion, 0);
    EXPECT_EQ(m.UseState, 0);
    HWND w = Make("SkmPlain");
    ShowWindow(w, SW_SHOW);
    SetActiveWindow(w);
    Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(m.UseState, 1);
    EXPECT_NE(m.FindSkinForm(w), nullptr);
    DestroyWindow(w);
    EXPECT_EQ(m.FindSkinForm(w), nullptr); // its frame let it go
    m.DeleteDeleted();
    EXPECT_TRUE(m.FormList.empty());

    m.RemoveHook();
    EXPECT_EQ(m.HookHandle(), nullptr);
    HWND later = Make("SkmPlain");
    ShowWindow(later, SW_SHOW);
    SetActiveWindow(later);
    Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(m.FindSkinForm(later), nullptr);
    DestroyWindow(later);
}

TEST_F(Manager, ActionsBeforeUseOnlySwitchTheEnabledFlag)
{
    m.Enabled = false;
    int changed = 0;
    data.OnSkinChanged = [&](TObject*) { ++changed; };
    m.ActionData = &data;
    m.SetAction(1, 250);
    EXPECT_TRUE(m.Enabled);
    EXPECT_FALSE(m.ActionTimer().GetEnabled());
    m.SetAction(2, 250);
    EXPECT_FALSE(m.Enabled);
    Pump(std::chrono::milliseconds(300));
    EXPECT_EQ(changed, 0);
}

TEST_F(Manager, ActionTimerFiresOnceAfterAQuarterSecond)
{
    HWND a = Make("SkmPlain"), b = Make("SkmPlain");
    ASSERT_TRUE(m.AddForm(a));
    ASSERT_TRUE(m.AddForm(b));
    m.UseState = 1;
    Pump(std::chrono::milliseconds(20)); // the frames take their windows over
    std::map<HWND, int> changes;
    data.OnAfterSkinForm = [&](TObject*, HWND wnd, const std::string&) { ++changes[wnd]; };
    std::vector<Clock::duration> fired;
    auto start = Clock::now();
    data.OnSkinChanged = [&](TObject*) { fired.push_back(Clock::now() - start); };

    // An action has run when it has let go of its data. A loaded machine
    // delays the timer's message by hundreds of milliseconds, so the wait
    // lasts until then; it never ends before 400 ms, so that what the action
    // set going has settled before the next step, loaded or not.
    const auto pumpUntilActed = [&] {
        const auto asked = Clock::now();
        while ((m.ActionData || Clock::now() - asked < std::chrono::milliseconds(400)) &&
               Clock::now() - asked < std::chrono::seconds(3))
            Pump(std::chrono::milliseconds(10));
    };
    m.ActionData = &data;
    m.SetAction(3, 250);
    pumpUntilActed();
    Pump(std::chrono::milliseconds(300)); // time to fire a second time, which it must not
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_GE(fired[0], std::chrono::milliseconds(230));
    EXPECT_LT(fired[0], std::chrono::milliseconds(3000));
    EXPECT_EQ(m.ActionData, nullptr);
    EXPECT_EQ(changes[a], 1); // each frame re-laid itself out once
    EXPECT_EQ(changes[b], 1);
    data.OnAfterSkinForm = nullptr;

    // Skin off gives every window back; skin on lets them be taken again.
    m.ActionData = &data;
    m.SetAction(2, 250);
    pumpUntilActed();
    EXPECT_FALSE(m.Enabled);
    EXPECT_TRUE(m.FormList.empty());
    m.ActionData = &data;
    m.SetAction(1, 250);
    pumpUntilActed();
    EXPECT_TRUE(m.Enabled);
    EXPECT_EQ(fired.size(), 3u);

    // Re-skinning one window replaces its record.
    ASSERT_TRUE(m.AddForm(a));
    m.ActionWnd = a;
    m.ActionData = &data;
    m.SetAction(7, 250);
    pumpUntilActed();
    ASSERT_NE(m.FindSkinForm(a), nullptr);
    EXPECT_EQ(m.FormList.size(), 1u);

    // Without skin data an action does nothing.
    m.SetAction(2, 250);
    Pump(std::chrono::milliseconds(400));
    EXPECT_TRUE(m.Enabled);
    EXPECT_EQ(fired.size(), 4u);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(SkinManagerRelease, ManagersLeaveNoHookWindowOrGdiObject)
{
    TSkinData data(nullptr);
    data.NotLoaded = false;
    auto cycle = [&] {
        TSkinManage m;
        m.AddSkinData(&data);
        m.InstallHook();
        m.SetAction(1, 250);
        HWND w = Make("SkmPlain");
        ShowWindow(w, SW_SHOW);
        SetActiveWindow(w);
        m.ActionData = &data;
        m.SetAction(6, 250); // a timer left running at destruction
        DestroyWindow(w);
    };
    cycle();
    Pump(std::chrono::milliseconds(10));
    int gdi = TResourceCount::GdiObjects, dcs = TResourceCount::DeviceContexts;
    int windows = TResourceCount::Windows, threadWindows = ThreadWindows();
    for (int i = 0; i < 50; ++i)
        cycle();
    Pump(std::chrono::milliseconds(300));
    EXPECT_EQ(TResourceCount::GdiObjects, gdi);
    EXPECT_EQ(TResourceCount::DeviceContexts, dcs);
    EXPECT_EQ(TResourceCount::Windows, windows);
    EXPECT_EQ(ThreadWindows(), threadWindows);
    // No hook of a freed manager is left to run on the next window.
    HWND w = Make("SkmPlain");
    ShowWindow(w, SW_SHOW);
    SetActiveWindow(w);
    DestroyWindow(w);
}
