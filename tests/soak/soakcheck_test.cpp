#include "tests/soak/soakcheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

std::vector<std::string> V(std::initializer_list<const char*> items)
{
    return {items.begin(), items.end()};
}

TEST(SoakCheck, RunsMustBeUnbrokenEvenAmongRepeatedPolls)
{
    const auto log = V({"P", "P", "R1", "P", "P", "P", "R2", "P"});
    EXPECT_TRUE(ContainsRun(log, V({"P", "P", "P", "R2"})));
    EXPECT_TRUE(ContainsRun(log, {}));
    // A line missing between two others is no run, though every line occurs.
    EXPECT_FALSE(ContainsRun(log, V({"R1", "P", "P", "P", "P", "R2"})));
    EXPECT_FALSE(ContainsRun(log, V({"R1", "R2"})));
    EXPECT_TRUE(IsSubsequence(log, V({"R1", "R2"})));
    EXPECT_FALSE(IsSubsequence(log, V({"R2", "R1"})));
    EXPECT_FALSE(IsSubsequence(V({"W"}), V({"W", "W"}))) << "each logged write needs a frame of its own";
}

TEST(SoakCheck, MonitorLinesAreComparedWithTheLogDirectionByDirection)
{
    const std::string log = "connection open (client 1, process 32)\n"
                            "<- EB 90 02 01 80 00\n"
                            "-> EB 91 0C 01 3E\n"
                            "<- EB 90 02 01 80 00\n"
                            "-- fault delay: reply delayed 3500 ms\n"
                            "<- EB 90 0A 02 01\n"
                            "-> EB 91 0C 01 40\n"
                            "-> EB 91 04 02 00\n";
    // After a late reply the panel reads each reply one request later, so
    // the two directions interleave differently from the log.
    EXPECT_EQ(CompareMonitorWithLog(V({"-->EB 90 02 01 80 00 ", "-->EB 90 0A 02 01 ", "<--EB 91 0C 01 40 ",
                                       "<--EB 91 04 02 00 "}),
                                    log),
              "");
    EXPECT_NE(CompareMonitorWithLog(V({"-->EB 90 02 01 80 00 ", "-->EB 90 0A 02 01 ", "<--EB 91 04 02 00 ",
                                       "<--EB 91 0C 01 40 "}),
                                    log),
              "")
        << "replies out of order";
    EXPECT_NE(CompareMonitorWithLog(V({"-->EB 90 0A 02 02 "}), log), "") << "a frame the simulator never saw";
    EXPECT_NE(CompareMonitorWithLog(V({"Puase"}), log), "");
    EXPECT_EQ(RepliesOutOfStep(V({"-->EB 90 01 01 7D ", "<--EB 91 0C 01 40 ", "-->EB 90 01 01 7D ",
                                  "<--EB 91 04 02 00 00 00 82 ", "-->EB 90 0A 02 01 ", "<--00 13 ",
                                  "-->EB 90 02 03 80 00 "})),
              1)
        << "a write's reply read for a poll; noise is not counted";
    EXPECT_EQ(ParameterWrites(V({"-->EB 90 02 01 80 00 ", "-->EB 90 0A 02 01 ", "<--EB 90 0A 02 01 "})),
              V({"EB 90 0A 02 01"}));
}

TEST(SoakCheck, ADisplayIsWrongWhenNoCompletePollReplyCarriedIt)
{
    const std::string log = "-> EB 91 0C 01 36 01 05 14 5A 32 3C 00 14 1E 05 1F\n"
                            "-> EB 91 0C 01 E2 01 05 14 5A 32 3C 00 14 1E 05 4B\n"
                            "-> EB 91 04 02 00 00 00 82\n"
                            "-> EB 91 0C 01 63 01 05 14\n"
                            "<- EB 90 0C 01 07 01 05 14 5A 32 3C 00 14 1E 05 00\n";
    EXPECT_EQ(WrongDisplays(V({"54", "E2", "54"}), log), V({}));
    // An acknowledgement's status, a cut reply's reading, a request's byte.
    EXPECT_EQ(WrongDisplays(V({"0", "99", "7", "E1"}), log), V({"0", "99", "7", "E1"}));
}

TEST(SoakCheck, TheTrailKeepsEveryLineAcrossSnapshotsAndClears)
{
    TMonitorTrail trail;
    trail.Take(V({"a", "b"}));
    trail.Take(V({"a", "b", "c"}));
    trail.Take(V({"a", "b", "c"}));
    EXPECT_EQ(trail.Lines(), V({"a", "b", "c"}));
    trail.Take(V({"d"})); // cleared, then one line
    trail.Take(V({"d", "e"}));
    EXPECT_EQ(trail.Lines(), V({"a", "b", "c", "d", "e"}));
    EXPECT_EQ(trail.Breaks(), 1);
}

TEST(SoakCheck, FlatIsJudgedAfterWarmUpAgainstTheFirstLaterSample)
{
    // Growth during warm-up does not count; growth after it does.
    EXPECT_TRUE(JudgeFlat({10, 50, 80, 82, 79, 81}, 2, 4).flat);
    const TFlatness leak = JudgeFlat({80, 80, 82, 84, 86, 88}, 1, 4);
    EXPECT_FALSE(leak.flat);
    EXPECT_EQ(leak.early, 80);
    EXPECT_EQ(leak.high, 88);
    EXPECT_TRUE(JudgeFlat({1, 2}, 5, 0).flat) << "nothing after warm-up is nothing to judge";
}

// A resource as the soak counts it: a sample every kSampleSeconds for the
// whole run; a count that goes to and fro by up to `swing` above its level
// (device contexts moved between 39 and 41 for a whole run on a loaded
// machine); every `spikeEvery`th sample far above (taken during a paint);
// from minute `heldFrom` on, twice the tolerance more from 10 s to 50 s of
// each minute (a closed message box's frame waiting for the next clean-up);
// and `leak` more in each minute, at the faults in the middle of the
// schedule minute (unplug, late replies).
struct TCounting {
    double minutes, swing;
    int spikeEvery;
    double heldFrom, leak;
};

TFlatness JudgeCounting(const TFlatRule& rule, const TCounting& c)
{
    std::mt19937 noise(20261209);
    std::vector<double> times, counts;
    for (double t = 0; t <= c.minutes * 60; t += kSampleSeconds) {
        double count = 100 + c.leak * std::floor((t + 30) / 60);
        count += std::uniform_int_distribution<int>(0, static_cast<int>(c.swing))(noise);
        if (c.spikeEvery && times.size() % static_cast<size_t>(c.spikeEvery) == 3)
            count += 5 * rule.tolerance;
        const double phase = std::fmod(t, 60);
        if (t >= c.heldFrom * 60 && phase >= 10 && phase < 50) count += 2 * rule.tolerance;
        counts.push_back(count);
        times.push_back(t);
    }
    const size_t warmUp = WarmUpSamples(times, c.minutes * 60);
    EXPECT_GE(counts.size() - warmUp, kFewestJudgedSamples);
    return JudgeFlat(counts, warmUp, rule.tolerance);
}

TEST(SoakCheck, ObjectsHeldAWhilePassAndOneObjectLeakedPerScheduleMinuteFails)
{
    constexpr double MiB = 1024.0 * 1024.0;
    constexpr double never = 99;
    static const struct {
        const TFlatRule& rule;
        TCounting counting;
        bool flat;
    } cases[] = {
        // Every count may swing by its whole tolerance, with a sample in
        // seven far above, and objects held for most of the minutes of the
        // last quarter, and stay flat...
        {kDeviceContextsRule, {1, kDeviceContextsRule.tolerance, 7, 0.75, 0}, true},
        {kDeviceContextsRule, {10, kDeviceContextsRule.tolerance, 7, 7, 0}, true},
        {kGdiObjectsRule, {10, kGdiObjectsRule.tolerance, 7, 7, 0}, true},
        {kFrameworkWindowsRule, {10, kFrameworkWindowsRule.tolerance, 7, 7, 0}, true},
        {kWindowsRule, {10, kWindowsRule.tolerance, 7, 7, 0}, true},
        {kPrivateMemoryRule, {10, kPrivateMemoryRule.tolerance, 7, 7, 0}, true},
        // ...while one object lost per minute fails the ten-minute run.
        {kDeviceContextsRule, {10, kDeviceContextsRule.tolerance, 7, 7, 1}, false},
        {kGdiObjectsRule, {10, kGdiObjectsRule.tolerance, 7, 7, 1}, false},
        {kFrameworkWindowsRule, {10, kFrameworkWindowsRule.tolerance, 7, 7, 1}, false},
        {kWindowsRule, {10, kWindowsRule.tolerance, 7, 7, 1}, false},
        {kPrivateMemoryRule, {10, kPrivateMemoryRule.tolerance, 7, 7, 1 * MiB}, false},
        {kDeviceContextsRule, {10, 0, 0, never, 1}, false},
        // One minute holds one fault cycle: a leak shows there once it
        // exceeds the tolerance.
        {kDeviceContextsRule,
         {1, kDeviceContextsRule.tolerance, 7, never, kDeviceContextsRule.tolerance + 1},
         false},
        {kGdiObjectsRule, {1, kGdiObjectsRule.tolerance, 7, never, kGdiObjectsRule.tolerance + 1}, false},
    };
    for (const auto& c : cases) {
        const TFlatness f = JudgeCounting(c.rule, c.counting);
        EXPECT_EQ(f.flat, c.flat) << c.rule.check << ", " << c.counting.minutes << " min, held from minute "
                                  << c.counting.heldFrom << ", leak " << c.counting.leak
                                  << " per minute: level " << f.early << " then " << f.late << ", range "
                                  << f.low << " to " << f.high;
    }
}

TEST(SoakCheck, AFailedCheckStaysFailedAndTheTableSaysSo)
{
    TSoakReport report;
    report.Check("menu", true, "fine");
    report.Check("menu", false, "stuck");
    report.Check("menu", true, "fine again");
    report.Check("menu", false, "stuck again");
    report.Figure("run length", "60 s");
    EXPECT_FALSE(report.Passed());
    char text[2048] = {};
    FILE* out = fmemopen(text, sizeof text, "w");
    ASSERT_TRUE(out);
    EXPECT_FALSE(report.Print(out));
    std::fclose(out);
    const std::string table = text;
    EXPECT_NE(table.find("FAIL   | stuck (and 1 more)"), std::string::npos) << table;
    EXPECT_NE(table.find("figure | 60 s"), std::string::npos) << table;
    EXPECT_NE(table.find("soak FAILED"), std::string::npos);
}

} // namespace
