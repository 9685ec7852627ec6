// The panel's real forms against the scripted library, for the tests of the
// main window: every test frees the forms it made, so that the next one
// meets the program's globals as a fresh start does.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "device/deviceframe.h"
#include "history/unit3.h"
#include "monitor/unit2.h"
#include "panel/unit1.h"
#include "tests/win/panel_testing.h"

namespace panel_testing {

// The device's answer to a poll: the reading, the values it holds and the
// level of the bar.
inline std::vector<unsigned char> PollReply(uint8_t reading, const ParameterSet& p, uint8_t level = 0)
{
    std::vector<unsigned char> bytes = {
        0xEB, 0x91, 0x0C, 0x01, reading, static_cast<uint8_t>(p.micInputType), EncodeOffset(p.micOffset)};
    for (int32_t v : {p.vuRefreshTime, p.alarmThreshold, p.numberBrightness, p.vuBrightness, p.autoBrightness,
                      p.alarmShowTime, p.alarmResetTime})
        bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(level);
    bytes.push_back(FrameChecksum(bytes));
    return bytes;
}

class PanelForms : public ::testing::Test {
protected:
    struct Opening {
        std::function<TTimeMs()> historyClock; // given: the level history too, on this clock
        bool showMonitor = false;
        bool foreground = false;
    };
    // The main window and the monitor as the program makes them with a
    // device that answers, the library's records emptied. The timer stays
    // off: no tick may come before the test's own.
    static void OpenForms(const Opening& how)
    {
        ASSERT_TRUE(Lib().module && Lib().QueueReply) << "the fake library";
        Lib().Reset(TRUE);
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        if (how.historyClock) {
            Application->CreateForm(Form3);
            Form3->Clock = [clock = how.historyClock] {
                const TTimeMs t = clock();
                return TClockTime{t, t};
            };
        }
        Form1->Show();
        if (how.showMonitor) Form2->Show();
        Form1->Timer1->SetEnabled(false);
        if (how.foreground) SetForegroundWindow(Form1->Handle());
        Pump();
        Lib().Calls();
        Lib().Writes();
    }
    void TearDown() override
    {
        if (Form3) Form3->Free();
        Form3 = nullptr;
        if (Form2) Form2->Free();
        if (Form1) Form1->Free();
        Form1 = nullptr;
        Form2 = nullptr;
        Pump();
    }
};

} // namespace panel_testing
