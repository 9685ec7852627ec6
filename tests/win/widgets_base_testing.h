// Shared pieces of the widget-base and slider tests under Wine: a form to
// put widgets on, message pumping, WM_PAINT counting through the
// replaceable WindowProc, and pixels of what a widget paints.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "framework/forms.h"
#include "tests/win/gdi_leak_check.h"
#include "tests/win/paint_counter.h"
#include "widgets/ivclcomponent.h"

namespace wbase_testing {

class TBaseTestForm : public TForm {
    ORVANE_CLASS(TBaseTestForm, TForm)
    explicit TBaseTestForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(40, 40, 320, 260); }
};

inline const TClassInfo& TBaseTestForm::StaticClass()
{
    static const TClassInfo& info = PublishClass<TBaseTestForm>();
    return info;
}

inline void Pump()
{
    Application->ProcessMessages();
}

// Pumps until done() or the time is up; answers done().
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

using ::TPaintCounter;

// The widget drawn into a bitmap of its size, as iPaintToDC composes it.
class TWidgetPicture {
public:
    explicit TWidgetPicture(TiVCLComponent* w)
    {
        bitmap_.SetSize(w->Width(), w->Height());
        w->iPaintToDC(0, 0, false, bitmap_.Canvas()->Handle());
    }
    COLORREF Pixel(int x, int y) { return ::GetPixel(bitmap_.Canvas()->Handle(), x, y); }

private:
    TBitmap bitmap_;
};

// Every test ends with the windows and GDI objects it began with.
class WidgetTest : public TWindowLeakCheckedTest {
protected:
    void SetUp() override
    {
        TWindowLeakCheckedTest::SetUp();
        Form = new TBaseTestForm(nullptr);
    }
    void TearDown() override
    {
        if (Form) Form->Free();
        Pump();
        TWindowLeakCheckedTest::TearDown();
        EXPECT_TRUE(Errors.empty()) << Errors.front();
    }
    template <class W> W* Place(int left, int top, int width, int height)
    {
        auto* w = new W(Form);
        w->SetBounds(left, top, width, height);
        w->SetParent(Form);
        return w;
    }
    void ShowForm()
    {
        Form->Show();
        Pump();
    }

    TBaseTestForm* Form = nullptr;
};

} // namespace wbase_testing
