#include "panel/panelprobe.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/resourcecount.h"
#include "monitor/unit2.h"
#include "panel/exchangelogic.h"
#include "panel/unit1.h"

namespace {

// Taken while the program's statics are set up, before WinMain: the start
// of the first-paint figure.
LARGE_INTEGER StartCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}
const LARGE_INTEGER programStart = StartCounter();

uint32_t MillisecondsSinceStart()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<uint32_t>((now.QuadPart - programStart.QuadPart) * 1000 / frequency.QuadPart);
}

bool ProbeWanted()
{
    char value[8] = {};
    const DWORD n = GetEnvironmentVariableA(kPanelProbeVariable, value, sizeof value);
    return n == 1 && value[0] == '1';
}

// Sits in front of the main window's WindowProc. It owns everything it
// uses, so that whoever holds the chain (the skin engine keeps and restores
// it) may keep it to the window's last message.
class TPanelProbe {
public:
    TPanelProbe(TForm1& form, std::function<void(TMessage&)> previous)
        : form_(form), previous_(std::move(previous))
    {
    }

    void WindowProc(TMessage& m)
    {
        if (m.Msg == WM_COPYDATA && m.LParam) {
            m.Result = Answer(reinterpret_cast<HWND>(m.WParam), *reinterpret_cast<const COPYDATASTRUCT*>(m.LParam));
            return;
        }
        previous_(m);
        if (m.Msg == WM_PAINT && firstPaintMs_ == 0) firstPaintMs_ = std::max<uint32_t>(1, MillisecondsSinceStart());
    }

private:
    LRESULT Answer(HWND asker, const COPYDATASTRUCT& request);
    std::string State();
    std::string TimeRepaint();
    TComponent* Find(const COPYDATASTRUCT& request);

    TForm1& form_;
    std::function<void(TMessage&)> previous_;
    // Milliseconds from process start to the end of the main window's first
    // paint; 0 until then.
    uint32_t firstPaintMs_ = 0;
};

std::string TPanelProbe::State()
{
    TForm1& f = form_;
    int lit = 0;
    for (TiLedRectangle* led : f.ledBar)
        if (led && led->GetActive()) ++lit;
    auto pos = [](TiSlider* s) { return std::to_string(static_cast<int>(std::lround(s->GetPosition()))); };
    std::string s;
    s += "reading=" + f.iSevenSegmentHexadecimal1->GetValue();
    s += ";color=" + std::to_string(f.iSevenSegmentHexadecimal1->GetSegmentColor());
    s += ";lit=" + std::to_string(lit);
    s += ";levelTarget=" + std::to_string(f.levelTarget);
    s += ";threshold=" + std::to_string(f.parameterSet.alarmThreshold);
    s += ";slider1=" + pos(f.iSlider1) + ";slider2=" + pos(f.iSlider2) + ";slider3=" + pos(f.iSlider3);
    s += ";slider4=" + pos(f.iSlider4) + ";slider5=" + pos(f.iSlider5) + ";slider6=" + pos(f.iSlider6);
    s += ";slider7=" + pos(f.iSlider7);
    s += ";radio=" + std::to_string(f.RadioGroup1->GetItemIndex());
    s += ";check=" + std::to_string(f.CheckBox1->GetChecked() ? 1 : 0);
    s += ";picture=" +
         std::to_string(f.Image1->Picture()->Graphic() && !f.Image1->Picture()->Graphic()->Empty() ? 1 : 0);
    s += ";panelLoaded=" + std::to_string(f.panelLoaded ? 1 : 0);
    s += ";firstPaintMs=" + std::to_string(firstPaintMs_);
    s += ";barTicks=" + std::to_string(f.barTicks);
    s += ";monitorLines=" + std::to_string(Form2 ? Form2->LineCount() : -1);
    // What the queue holds now (the high word), not what came since the last
    // look, so the window thread's own waiting is unaffected.
    s += ";posted=" + std::to_string((HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) ? 1 : 0);
    const ParameterSet now = ::GatherParameters(PanelControlValues{
        f.RadioGroup1->GetItemIndex(), f.UpDown1->GetPosition(), f.iSlider2->GetPosition(), f.UpDown3->GetPosition(),
        f.UpDown4->GetPosition(), f.UpDown5->GetPosition(), f.CheckBox1->GetChecked(), f.UpDown6->GetPosition(),
        f.UpDown7->GetPosition()});
    s += ";params=";
    for (int32_t v : {now.micInputType, now.micOffset, now.vuRefreshTime, now.alarmThreshold, now.numberBrightness,
                      now.vuBrightness, now.autoBrightness, now.alarmShowTime, now.alarmResetTime})
        s += std::to_string(v) + ",";
    s.pop_back();
    return s;
}

std::string TPanelProbe::TimeRepaint()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> us;
    for (int i = 0; i < 20; ++i) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        RedrawWindow(form_.Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
        QueryPerformanceCounter(&to);
        us.push_back(static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 /
                     static_cast<double>(frequency.QuadPart));
    }
    std::sort(us.begin(), us.end());
    auto text = [](double v) { return std::to_string(static_cast<long>(std::lround(v))); };
    return "median_us=" + text((us[9] + us[10]) / 2) + ";min_us=" + text(us.front()) + ";max_us=" + text(us.back());
}

// The control a request names, on the main window or else on the monitor,
// or on the window named before a dot.
TComponent* TPanelProbe::Find(const COPYDATASTRUCT& request)
{
    if (!request.lpData || request.cbData == 0) return nullptr;
    const std::string name(static_cast<const char*>(request.lpData), request.cbData);
    // "Form3.Label2": a control of another of the program's windows.
    if (const size_t dot = name.find('.'); dot != std::string::npos) {
        TComponent* form = Application->FindComponent(name.substr(0, dot));
        return form ? form->FindComponent(name.substr(dot + 1)) : nullptr;
    }
    if (TComponent* own = form_.FindComponent(name)) return own;
    return Form2 ? Form2->FindComponent(name) : nullptr;
}

LRESULT TPanelProbe::Answer(HWND asker, const COPYDATASTRUCT& request)
{
    auto reply = [&](std::string text) {
        if (!IsWindow(asker)) return LRESULT(0);
        COPYDATASTRUCT answer{ProbeText, static_cast<DWORD>(text.size()), text.data()};
        SendMessageA(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(form_.Handle()), reinterpret_cast<LPARAM>(&answer));
        return LRESULT(1);
    };
    switch (request.dwData) {
    case ProbeQueryText: {
        auto* control = dynamic_cast<TControl*>(Find(request));
        return control ? reply(control->Caption()) : 0;
    }
    case ProbeQueryHandle: {
        auto* control = dynamic_cast<TWinControl*>(Find(request));
        return control ? reinterpret_cast<LRESULT>(control->Handle()) : 0;
    }
    case ProbeQueryResources:
        return reply("gdi=" + std::to_string(TResourceCount::GdiObjects.load()) +
                     ";dc=" + std::to_string(TResourceCount::DeviceContexts.load()) +
                     ";windows=" + std::to_string(TResourceCount::Windows.load()));
    case ProbeQueryState:
        return reply(State());
    case ProbeQueryMonitor: {
        if (!Form2) return 0;
        std::string text;
        TStrings* lines = Form2->Memo1->Lines();
        for (int i = 0; i < lines->Count(); ++i)
            text += lines->Get(i) + "\n";
        return reply(text);
    }
    case ProbeShowMonitor:
        form_.ShowMonitor();
        return Form2 ? 1 : 0;
    case ProbeTimeRepaint:
        return reply(TimeRepaint());
    default:
        return 0;
    }
}

} // namespace

bool InstallPanelProbe(TForm1& form)
{
    if (!ProbeWanted()) return false;
    auto probe = std::make_shared<TPanelProbe>(form, form.WindowProc);
    form.WindowProc = [probe](TMessage& m) { probe->WindowProc(m); };
    return true;
}
