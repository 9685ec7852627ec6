// The main window's window-free logic: what a write sends from the controls
// and what a reply puts back, the exchange's turn-taking, the reading's text
// and colour, the level bar's movement, and the traffic monitor's lines.
#include <gtest/gtest.h>

#include "device/deviceframe.h"
#include "monitor/framelog.h"
#include "panel/exchangelogic.h"

namespace {

PanelControlValues ResourceControls()
{
    // The values the window layout starts the controls at.
    return PanelControlValues{0, -20, 3, 60, 10, 10, false, 1, 1};
}

TEST(GatherParameters, TakesEachFieldFromItsControlInWireOrder)
{
    PanelControlValues c{1, -7, 44.9, 85, 20, 30, true, 5, 6};
    const ParameterSet p = GatherParameters(c);
    EXPECT_EQ(p, (ParameterSet{0, -7, 44, 85, 20, 30, 1, 5, 6})) << "item 1 is dB, code 0; fraction cut off";

    const RequestFrame frame = BuildRequest(RequestKind::WriteParameters, p);
    ASSERT_EQ(frame.length, 14);
    EXPECT_EQ(frame.bytes[4], 0x00);
    EXPECT_EQ(frame.bytes[5], 0x87) << "-7 in sign and magnitude";
    EXPECT_EQ(frame.bytes[6], 44);

    EXPECT_EQ(GatherParameters(ResourceControls()), (ParameterSet{1, -20, 3, 60, 10, 10, 0, 1, 1}));
}

TEST(GatherParameters, InputItemsSwapTheFirstTwoCodesAndNoSelectionMeansDbC)
{
    PanelControlValues c = ResourceControls();
    const int expected[][2] = {{0, 1}, {1, 0}, {2, 2}, {-1, 2}};
    for (const auto& [item, code] : expected) {
        c.radioItem = item;
        EXPECT_EQ(GatherParameters(c).micInputType, code) << "item " << item;
    }
}

TEST(ControlValuesFor, LoadsTheDevicesValuesAndRoundTripsThroughAWrite)
{
    const ParameterSet fromDevice{0, -1, 12, 95, 40, 50, 0, 7, 9};
    const PanelControlValues c = ControlValuesFor(fromDevice);
    EXPECT_EQ(c.radioItem, 1) << "code 0 selects \"dB\"";
    EXPECT_EQ(c.upDown1, -1);
    EXPECT_FALSE(c.checkBox1);
    EXPECT_EQ(GatherParameters(c), fromDevice);

    EXPECT_EQ(ControlValuesFor({7, 0, 3, 60, 10, 10, 5, 1, 1}).radioItem, 2) << "an unknown code selects dBC";
    EXPECT_TRUE(ControlValuesFor({1, 0, 3, 60, 10, 10, 5, 1, 1}).checkBox1) << "any non-zero is on";
}

TEST(ExchangeTurns, ReadFirstThenPollUntilTheDevicesValuesAreLoaded)
{
    using K = RequestKind;
    PendingRequests pending;
    EXPECT_EQ(NextExchangeTurn(K::None, pending, true).read, false);
    EXPECT_EQ(NextExchangeTurn(K::None, pending, true).kind, K::Poll);
    pending.Ask(K::SaveParameters);
    EXPECT_EQ(NextExchangeTurn(K::None, pending, true).kind, K::SaveParameters);
    EXPECT_EQ(NextExchangeTurn(K::None, pending, false).kind, K::Poll) << "the device's values come first";
    const ExchangeTurn read = NextExchangeTurn(K::WriteParameters, pending, true);
    EXPECT_TRUE(read.read) << "a reply is read before anything else is sent";
    EXPECT_EQ(read.kind, K::WriteParameters);
}

// What the sending turns send for what the user asked between them: W a
// change of a value, C "Self Check", S "Save Parameter".
std::string SentFor(const std::string& asked)
{
    PendingRequests pending;
    for (char c : asked) {
        if (c == 'W') pending.MarkWrite();
        if (c == 'C') pending.Ask(RequestKind::SelfCheck);
        if (c == 'S') pending.Ask(RequestKind::SaveParameters);
    }
    std::string sent;
    for (RequestKind k = pending.Next(); k != RequestKind::Poll; k = pending.Next()) {
        sent += k == RequestKind::WriteParameters ? 'W' : k == RequestKind::SelfCheck ? 'C' : 'S';
        pending.Sent(k, true);
        if (sent.size() > 8) break;
    }
    return sent;
}

TEST(PendingRequests, NothingAskedIsLostTheWriteGoesFirstAndEachButtonOnce)
{
    const struct {
        const char* asked;
        const char* sent;
    } cases[] = {
        {"", ""},       {"W", "W"},     {"WWW", "W"},     {"SW", "WS"},       {"WS", "WS"},
        {"CW", "WC"},   {"CC", "C"},    {"CS", "CS"},     {"SC", "SC"},       {"SCS", "SC"},
        {"CSWC", "WCS"}, {"WCWSW", "WCS"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SentFor(c.asked), c.sent) << "asked " << c.asked;
}

TEST(PendingRequests, ARequestTheDeviceNeverReceivedStaysAndClearingDropsAll)
{
    using K = RequestKind;
    PendingRequests pending;
    pending.Ask(K::SaveParameters);
    pending.MarkWrite();
    pending.Sent(K::WriteParameters, false);
    EXPECT_EQ(pending.Next(), K::WriteParameters) << "tried again";
    pending.Sent(K::WriteParameters, true);
    pending.Sent(K::SaveParameters, false);
    EXPECT_EQ(pending.Next(), K::SaveParameters);
    pending.Sent(K::Poll, false);
    EXPECT_EQ(pending.Next(), K::SaveParameters) << "a failed poll changes nothing";

    pending.MarkWrite();
    pending.Ask(K::SelfCheck);
    pending.Clear();
    EXPECT_TRUE(pending.Empty());
    EXPECT_EQ(pending.Next(), K::Poll);
}

TEST(ShowReading, ColoursByThresholdAndShowsErrorCodesInRed)
{
    EXPECT_EQ(ShowReadingFor(84, 85).color, clLime);
    EXPECT_EQ(ShowReadingFor(85, 85).color, clRed) << "the threshold itself alarms";
    EXPECT_EQ(ShowReadingFor(86, 85).color, clRed);
    EXPECT_EQ(ShowReadingFor(85, 85).text, "85");
    EXPECT_EQ(ShowReadingFor(0, 100).text, "0");
    EXPECT_EQ(ShowReadingFor(0, 100).color, clLime);
    EXPECT_EQ(ShowReadingFor(0, 0).color, clRed);
    EXPECT_EQ(ShowReadingFor(255, 100).text, "255");
    EXPECT_EQ(ShowReadingFor(0xE1, 255).text, "E1");
    EXPECT_EQ(ShowReadingFor(0xE2, 255).text, "E2");
    EXPECT_EQ(ShowReadingFor(0xE8, 255).text, "E8");
    EXPECT_EQ(ShowReadingFor(0xE1, 255).color, clRed) << "errors are red whatever the threshold";
    EXPECT_EQ(ShowReadingFor(0xE3, 255).text, "227") << "only the three codes are errors";
}

int StepsTo(int from, int target, int maxSteps = 100)
{
    int level = from, steps = 0;
    while (level != target && steps < maxSteps) {
        level = NextBarLevel(level, target, 50);
        ++steps;
    }
    return steps;
}

TEST(LevelBar, RisesOneLampATickAndFallsAtOnce)
{
    EXPECT_EQ(StepsTo(10, 30), 20);
    EXPECT_EQ(NextBarLevel(30, 10, 50), 10);
    EXPECT_EQ(NextBarLevel(5, 0, 50), 0) << "falls to dark from above one";
    EXPECT_EQ(NextBarLevel(1, 0, 50), 1) << "one lit lamp stays lit";
    EXPECT_EQ(NextBarLevel(0, 0, 50), 0);
    EXPECT_EQ(NextBarLevel(0, 5, 50), 1) << "from dark it climbs again";
    EXPECT_EQ(NextBarLevel(12, 12, 50), 12);
}

TEST(LevelBar, NeverExceedsTheLampsAndShowsOneLampOnErrors)
{
    int level = 30;
    for (int i = 0; i < 20; ++i)
        level = NextBarLevel(level, 200, 50);
    EXPECT_EQ(level, 37);
    for (const uint8_t error : {0xE1, 0xE2, 0xE8}) {
        EXPECT_EQ(NextBarLevel(37, 200, error), 1);
        EXPECT_EQ(NextBarLevel(0, 0, error), 1);
    }
}

TEST(FrameLogLine, MarksDirectionAndEndsEveryByteWithABlank)
{
    const uint8_t poll[] = {0xEB, 0x90, 0x01, 0x01, 0x7D};
    EXPECT_EQ(FrameLogLine(poll, 5, true), "-->EB 90 01 01 7D ");
    const uint8_t check[] = {0xEB, 0x90, 0x02, 0x03, 0x80, 0x00};
    EXPECT_EQ(FrameLogLine(check, 6, true), "-->EB 90 02 03 80 00 ");
    uint8_t reply[16] = {0xEB, 0x91, 0x0C, 0x01, 0x0a};
    const std::string line = FrameLogLine(reply, 16, false);
    EXPECT_EQ(line.size(), 3u + 48u);
    EXPECT_EQ(line.substr(0, 18), "<--EB 91 0C 01 0A ");
    EXPECT_EQ(FrameLogLine(reply, 0, false), "<--");
}

} // namespace
