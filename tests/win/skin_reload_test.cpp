// Loading another skin while skinned windows are open, as a user choosing a
// skin file does: a package that fails half-way, a good one, and one loaded
// by a skin data component of another form type. The windows are then worked
// as a user would: the mouse over every caption button, and clicks on them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/winskinimage.h"
#include "skinfiles/skinpackage.h"
#include "skinfiles/skinread.h"
#include "tests/win/skin_frame_testing.h"

using namespace frametest;

namespace {

using Bytes = std::vector<uint8_t>;

// The default package with some of its files replaced.
TMemoryStream DefaultPackageWith(const std::vector<std::pair<std::string, Bytes>>& replaced)
{
    TMemoryStream package;
    package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
    TSkinReader reader;
    EXPECT_TRUE(reader.Loadfromstream(package)) << reader.LastError;
    TSkinPackageWriter writer;
    for (int i = 0; i < reader.FileCount(); ++i) {
        TMemoryStream file;
        reader.readfile(reader.FileName(i), file);
        Bytes bytes = file.Bytes();
        for (const auto& [name, data] : replaced)
            if (name == reader.FileName(i)) bytes = data;
        writer.Add(reader.FileName(i), std::move(bytes));
    }
    TMemoryStream out;
    writer.SaveToStream(out);
    out.SetPosition(0);
    return out;
}

// A caption-button strip of six frames, each of one colour, none the key.
Bytes ButtonStrip(TColor colour)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(96, 18);
    b.Canvas()->Brush()->SetColor(colour);
    b.Canvas()->FillRect(Rect(0, 0, 96, 18));
    TMemoryStream s;
    b.SaveToStream(s);
    return s.Bytes();
}

// Every caption button of the frame points into the skin data's own button
// objects: none into a set a load has freed.
bool ButtonsPointInto(const TWinSkinForm& f, const TSkinData& data)
{
    for (const auto& b : f.SysButtons) {
        bool found = false;
        for (const auto& obj : data.SysButtons)
            found = found || b->SkinObject == obj.get();
        if (!found) return false;
    }
    return true;
}

void ParkCursor()
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
}

// The process-wide manager with a skin data component of its own (the skin
// tests' shared one must not be reloaded).
class SkinReload : public ::testing::Test {
protected:
    void SetUp() override
    {
        delete SkinManager;
        SkinManager = new TSkinManage();
        data = std::make_unique<TSkinData>(nullptr);
        TMemoryStream package;
        package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
        data->LoadFromStream(package);
        ASSERT_FALSE(data->NotLoaded) << data->LoadError;
        SkinManager->AddSkinData(data.get());
        SkinManager->Enabled = true;
        SkinManager->UseState = 1;
        saved_ = TSkinData::ShowSkinMessage;
        // A user told in a message box: the box's own message loop runs,
        // and the mouse may move over the windows meanwhile.
        TSkinData::ShowSkinMessage = [this](const std::string& text) {
            messages.push_back(text);
            for (HWND w : windows) {
                TWinSkinForm* f = IsWindow(w) ? FindSkinFrame(w) : nullptr;
                if (!f) continue;
                for (auto& b : f->SysButtons)
                    if (b->Visible) {
                        const TPoint c = Centre(b->BoundsRect);
                        SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, c.X, c.Y));
                    }
            }
            Pump(milliseconds(20));
        };
    }
    void TearDown() override
    {
        TSkinData::ShowSkinMessage = saved_;
        delete SkinManager;
        data.reset();
    }

    TWinSkinForm* Skin(TForm& form, TSkinManage& m)
    {
        form.Show();
        SetForegroundWindow(form.Handle());
        if (!m.FindSkinForm(form.Handle())) m.AddForm(form.Handle());
        TWinSkinForm* f = m.FindSkinForm(form.Handle());
        if (!f) return nullptr;
        PumpUntil([&] { return f->FrameState == FrameSkinned && f->ControlsInited; });
        Pump(milliseconds(20));
        windows.push_back(form.Handle());
        return f;
    }

    // The mouse over each visible caption button shows it hot, drawn from
    // the skin the data holds now; then clicks on the minimize button and,
    // last, the close button work.
    void WorkTheCaption(TForm& form, TWinSkinForm& f)
    {
        const HWND w = form.Handle();
        ParkCursor();
        f.UpdateNc();
        ASSERT_FALSE(f.SysButtons.empty());
        ASSERT_TRUE(ButtonsPointInto(f, *data));
        int hovered = 0;
        for (auto& b : f.SysButtons) {
            if (!b->Visible || b->SkinObject->Image->Empty() || b->SkinObject->Action == 3) continue;
            const TPoint c = Centre(b->BoundsRect);
            SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, c.X, c.Y));
            EXPECT_EQ(f.HotObject, b.get()) << "action " << b->SkinObject->Action;
            // A button the window cannot use (maximize without a maximize
            // box) shows its disabled frame, the fourth.
            const int frame = b->Enabled ? NCStateHot : 4;
            EXPECT_EQ(ShownMismatches(w, *b, frame), 0) << "action " << b->SkinObject->Action;
            ++hovered;
        }
        EXPECT_GE(hovered, 2);
        TWinSysButton* min = VisibleButtonOfAction(f, 2);
        ASSERT_NE(min, nullptr);
        const TPoint m = Centre(min->BoundsRect);
        SendMessageA(w, WM_NCLBUTTONDOWN, HTMINBUTTON, ScreenPoint(w, m.X, m.Y));
        SendMessageA(w, WM_NCLBUTTONUP, HTMINBUTTON, ScreenPoint(w, m.X, m.Y));
        ASSERT_TRUE(PumpUntil([&] { return IsIconic(w) != 0; }));
        ShowWindow(w, SW_RESTORE);
        ASSERT_TRUE(PumpUntil([&] { return !IsIconic(w) && f.FrameState == FrameSkinned; }));
        f.UpdateNc();
        TWinSysButton* close = VisibleButtonOfAction(f, 0);
        ASSERT_NE(close, nullptr);
        const TPoint c = Centre(close->BoundsRect);
        SendMessageA(w, WM_NCLBUTTONDOWN, HTCLOSE, ScreenPoint(w, c.X, c.Y));
        SendMessageA(w, WM_NCLBUTTONUP, HTCLOSE, ScreenPoint(w, c.X, c.Y));
        ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(w); }));
    }

    std::unique_ptr<TSkinData> data;
    std::vector<std::string> messages;
    std::vector<HWND> windows;

private:
    std::function<void(const std::string&)> saved_;
};

} // namespace

TEST_F(SkinReload, APackageThatFailsHalfWayLeavesTheWindowsInTheSkinTheyHad)
{
    auto main = MainShapedForm();
    auto monitor = MonitorShapedForm();
    TWinSkinForm* f1 = Skin(*main, *SkinManager);
    TWinSkinForm* f2 = Skin(*monitor, *SkinManager);
    ASSERT_TRUE(f1 && f2);
    const TDataSkinSysButton* closeBefore = VisibleButtonOfAction(*f1, 0)->SkinObject;
    const TColor closePixel = closeBefore->Image->Canvas()->GetPixel(8, 9);

    // The track images are read last, long after the caption buttons'.
    TMemoryStream damaged = DefaultPackageWith({{"trackvert.bmp", Bytes{'B', 'M', 1, 2, 3}}});
    data->LoadFromStream(damaged);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("trackvert.bmp"), std::string::npos) << messages[0];
    EXPECT_NE(data->LoadError.find("trackvert.bmp"), std::string::npos) << data->LoadError;
    EXPECT_FALSE(data->NotLoaded) << "the skin in use stays in use";
    EXPECT_EQ(VisibleButtonOfAction(*f1, 0)->SkinObject, closeBefore);
    EXPECT_EQ(closeBefore->Image->Canvas()->GetPixel(8, 9), closePixel);
    Pump(milliseconds(400)); // no deferred skin change comes of it
    WorkTheCaption(*monitor, *f2);
    WorkTheCaption(*main, *f1);

    // The package held is still the one the skin came from: loading it
    // again gives the same skin.
    EXPECT_TRUE(data->LoadSkin()) << data->LoadError;
}

TEST_F(SkinReload, AGoodPackageIsTakenAtOnceAndNothingPointsIntoTheOldSkin)
{
    auto main = MainShapedForm();
    TWinSkinForm* f = Skin(*main, *SkinManager);
    ASSERT_NE(f, nullptr);
    const TColor green = RGB(20, 200, 40);
    TMemoryStream good = DefaultPackageWith({{"close.bmp", ButtonStrip(green)}});
    data->LoadFromStream(good);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(data->LoadError.empty()) << data->LoadError;
    // Between the load and the deferred skin change the caption is live.
    EXPECT_TRUE(ButtonsPointInto(*f, *data));
    const HWND w = main->Handle();
    f->UpdateNc();
    for (auto& b : f->SysButtons)
        if (b->Visible) {
            const TPoint c = Centre(b->BoundsRect);
            SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, c.X, c.Y));
        }
    Pump(milliseconds(400));
    ASSERT_TRUE(PumpUntil([&] { return !f->SysButtons.empty(); }));
    f->UpdateNc();
    TWinSysButton* close = VisibleButtonOfAction(*f, 0);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->SkinObject->Image->Canvas()->GetPixel(8, 9), green);
    WorkTheCaption(*main, *f);
}

TEST_F(SkinReload, AFormsOwnSkinDataRebindsItsWindowAtOnce)
{
    // A form with a skin data component of its own, not the main form's.
    TForm form(nullptr);
    form.SetBorderStyle(bsSizeable);
    form.SetBounds(140, 100, 420, 260);
    form.SetText("Own skin");
    auto* own = new TSkinData(&form);
    own->SkinFormtype = sfOnlyThisForm;
    {
        TMemoryStream package;
        package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
        own->LoadFromStream(package);
    }
    ASSERT_FALSE(own->NotLoaded);
    SkinManager->AddSkinData(own);
    TWinSkinForm* f = Skin(form, *SkinManager);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->Data, own);

    const TColor green = RGB(20, 200, 40);
    TMemoryStream good = DefaultPackageWith({{"close.bmp", ButtonStrip(green)}});
    own->LoadFromStream(good);
    ASSERT_FALSE(own->NotLoaded);
    ASSERT_TRUE(ButtonsPointInto(*f, *own));
    Pump(milliseconds(50));
    f->UpdateNc();
    TWinSysButton* close = VisibleButtonOfAction(*f, 0);
    ASSERT_NE(close, nullptr);
    const TPoint c = Centre(close->BoundsRect);
    const HWND w = form.Handle();
    ParkCursor();
    SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, c.X, c.Y));
    EXPECT_EQ(f->HotObject, close);
    EXPECT_EQ(ShownMismatches(w, *close, NCStateHot), 0);
    EXPECT_EQ(GetPixel(TWindowDC::Get(w, true).Handle(), c.X, c.Y), static_cast<COLORREF>(green));
    SkinManager->RemoveSkinData(own);
}

TEST_F(SkinReload, AMissingSkinFileChangesNothingButSaysWhichFile)
{
    auto main = MainShapedForm();
    TWinSkinForm* f = Skin(*main, *SkinManager);
    ASSERT_NE(f, nullptr);
    const std::string before = std::string(reinterpret_cast<const char*>(data->SkinStream().Memory()), 64);
    data->SetSkinFile("C:\\no\\such\\folder\\chosen.skn");
    EXPECT_FALSE(data->NotLoaded);
    EXPECT_EQ(data->LoadError, "C:\\no\\such\\folder\\chosen.skn: the file does not exist");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data->SkinStream().Memory()), 64), before);
    WorkTheCaption(*main, *f);
}
