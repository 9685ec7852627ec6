#include "tests/soak/soakcheck.h"

#include <gtest/gtest.h>

#include <cstdio>

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
    EXPECT_EQ(leak.first, 80);
    EXPECT_EQ(leak.max, 88);
    EXPECT_TRUE(JudgeFlat({1, 2}, 5, 0).flat) << "nothing after warm-up is nothing to judge";
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
