// The judging half of the soak run, kept free of windows so that it is
// tested natively: the table of checks, the traffic monitor's lines gathered
// across snapshots, the comparison of those lines with the simulator's log,
// and what "flat" means for a series of samples.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/simlog.h"

// Named checks (pass/fail with a detail) and figures, printed as one table.
// A check that has failed once stays failed.
class TSoakReport {
public:
    void Check(const std::string& name, bool ok, const std::string& detail);
    void Fail(const std::string& name, const std::string& detail) { Check(name, false, detail); }
    void Figure(const std::string& name, const std::string& value);
    bool Passed() const;
    // The table; true when every check passed.
    bool Print(FILE* out) const;

private:
    struct Row {
        std::string name;
        bool ok = true;
        std::string detail;
        int failures = 0;
    };
    std::vector<Row> checks_;
    std::vector<std::pair<std::string, std::string>> figures_;
};

// One traffic monitor line: "-->EB 90 02 01 80 00 " is a frame the panel sent.
struct TMonitorLine {
    bool sent;
    std::string hex; // "EB 90 02 01 80 00", as the simulator logs it
};
std::optional<TMonitorLine> ParseMonitorLine(const std::string& line);

// The monitor's lines as successive snapshots show them. A snapshot that
// continues the previous one adds its new tail; one that does not (the
// monitor was cleared in between) adds all of itself and counts a break.
class TMonitorTrail {
public:
    void Take(const std::vector<std::string>& snapshot);
    const std::vector<std::string>& Lines() const { return lines_; }
    int Breaks() const { return breaks_; }

private:
    std::vector<std::string> last_;
    std::vector<std::string> lines_;
    int breaks_ = 0;
};

// True when `part` occurs in `whole` as one unbroken run.
bool ContainsRun(const std::vector<std::string>& whole, const std::vector<std::string>& part);
// How many of `part`'s first elements occur in `whole` in order, gaps
// allowed; the next one, if any, is the first that `whole` lacks.
size_t SubsequencePrefix(const std::vector<std::string>& whole, const std::vector<std::string>& part);
// True when `part` occurs in `whole` in order, gaps allowed.
bool IsSubsequence(const std::vector<std::string>& whole, const std::vector<std::string>& part);

// Empty when the monitor lines are exactly frames of the log: what the panel
// sent, one unbroken run of what the simulator received, and what it read,
// one unbroken run of what the simulator sent. Otherwise why not.
std::string CompareMonitorWithLog(const std::vector<std::string>& monitorLines, const std::string& simLog);

// The parameter writes ("EB 90 0A 02 ...") among monitor lines.
std::vector<std::string> ParameterWrites(const std::vector<std::string>& monitorLines);

// Among monitor lines, the replies read right after a request whose command
// byte differs from the request's: replies that arrived after their read had
// timed out, read in answer to a later request. Noise and cut frames are
// not counted.
int RepliesOutOfStep(const std::vector<std::string>& monitorLines);

// The reading of a complete poll reply in the simulator's log as the display
// shows it ("54", "E1"), or "" for any other frame.
std::string ReadingShownFor(const std::string& replyHex);

// Among displayed readings, those that no complete poll reply of the log
// carried: a number the device never reported (an acknowledgement's status
// byte read as a reading, a cut frame's missing bytes).
std::vector<std::string> WrongDisplays(const std::vector<std::string>& shown, const std::string& simLog);

// How the soak samples the panel's resources: often enough that each
// quarter of a one-minute run holds several samples.
constexpr double kSampleSeconds = 1;
// Warm-up: the first 20 s of a run of up to two minutes, the first minute of
// a longer one (the monitor's memo reaches its 5000-line size within a
// minute). Samples taken before it are not judged.
double WarmUpSeconds(double runSeconds);
size_t WarmUpSamples(const std::vector<double>& sampleTimes, double runSeconds);

// A counted resource is flat when it shows no upward trend after warm-up:
// the level it comes back to in the last quarter of the later samples stands
// no more than `tolerance` above the level of their first quarter. The level
// of a quarter is its lowest sample. Objects held for a while and then let
// go (across a paint; a closed box's frame until the next clean-up of
// released frames, which can take most of a minute) only lift samples above
// it; a leak of one object per minute of the schedule lifts the level itself,
// by the minutes between the two quarters. The soak's last sample is taken
// after such a clean-up, with the monitor closed.
struct TFlatness {
    bool flat = true;
    size_t judged = 0;          // samples after warm-up
    double early = 0, late = 0; // the level of their first and last quarter
    double low = 0, high = 0;   // their range, for the report
};
TFlatness JudgeFlat(const std::vector<double>& samples, size_t warmUp, double tolerance);

// The counted resources and how far each may rise without being a leak.
// Each tolerance is below what a leak of one object per schedule minute adds
// between the quarters of a ten-minute run (7).
struct TFlatRule {
    const char* check;
    double tolerance;
    bool bytes; // shown in MiB
};
extern const TFlatRule kPrivateMemoryRule, kGdiObjectsRule, kDeviceContextsRule, kFrameworkWindowsRule,
    kWindowsRule;
// Fewer samples after warm-up than this judge nothing: the check fails.
constexpr size_t kFewestJudgedSamples = 4;
