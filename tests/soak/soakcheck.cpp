#include "tests/soak/soakcheck.h"

#include <algorithm>
#include <set>

void TSoakReport::Check(const std::string& name, bool ok, const std::string& detail)
{
    auto row = std::find_if(checks_.begin(), checks_.end(), [&](const Row& r) { return r.name == name; });
    if (row == checks_.end()) {
        checks_.push_back({name, true, "", 0});
        row = checks_.end() - 1;
    }
    if (ok) {
        // A pass never hides an earlier failure.
        if (row->ok) row->detail = detail;
        return;
    }
    // The first failure says most; later ones are counted.
    if (row->ok) row->detail = detail;
    row->ok = false;
    ++row->failures;
}

void TSoakReport::Figure(const std::string& name, const std::string& value)
{
    for (auto& f : figures_)
        if (f.first == name) {
            f.second = value;
            return;
        }
    figures_.emplace_back(name, value);
}

bool TSoakReport::Passed() const
{
    return std::all_of(checks_.begin(), checks_.end(), [](const Row& r) { return r.ok; });
}

bool TSoakReport::Print(FILE* out) const
{
    size_t width = 5;
    for (const auto& r : checks_)
        width = std::max(width, r.name.size());
    for (const auto& f : figures_)
        width = std::max(width, f.first.size());
    const int w = static_cast<int>(width);
    std::fprintf(out, "\n%-*s | result | detail\n", w, "check");
    std::fprintf(out, "%s-+--------+-------\n", std::string(width, '-').c_str());
    for (const auto& r : checks_) {
        std::string detail = r.detail;
        if (r.failures > 1) detail += " (and " + std::to_string(r.failures - 1) + " more)";
        std::fprintf(out, "%-*s | %-6s | %s\n", w, r.name.c_str(), r.ok ? "pass" : "FAIL", detail.c_str());
    }
    std::fprintf(out, "%s-+--------+-------\n", std::string(width, '-').c_str());
    for (const auto& f : figures_)
        std::fprintf(out, "%-*s | figure | %s\n", w, f.first.c_str(), f.second.c_str());
    const bool ok = Passed();
    std::fprintf(out, "\nsoak %s\n", ok ? "PASSED" : "FAILED");
    std::fflush(out);
    return ok;
}

std::optional<TMonitorLine> ParseMonitorLine(const std::string& line)
{
    if (line.size() < 3) return std::nullopt;
    const std::string arrow = line.substr(0, 3);
    if (arrow != "-->" && arrow != "<--") return std::nullopt;
    std::string hex = line.substr(3);
    while (!hex.empty() && (hex.back() == ' ' || hex.back() == '\r'))
        hex.pop_back();
    return TMonitorLine{arrow == "-->", hex};
}

void TMonitorTrail::Take(const std::vector<std::string>& snapshot)
{
    const bool continues =
        snapshot.size() >= last_.size() && std::equal(last_.begin(), last_.end(), snapshot.begin());
    if (continues) {
        lines_.insert(lines_.end(), snapshot.begin() + static_cast<std::ptrdiff_t>(last_.size()),
                      snapshot.end());
    } else {
        ++breaks_;
        lines_.insert(lines_.end(), snapshot.begin(), snapshot.end());
    }
    last_ = snapshot;
}

bool ContainsRun(const std::vector<std::string>& whole, const std::vector<std::string>& part)
{
    if (part.empty()) return true;
    // Knuth-Morris-Pratt: polls repeat for thousands of frames, where a
    // plain search would compare the same run over and over.
    std::vector<size_t> fail(part.size(), 0);
    for (size_t i = 1, k = 0; i < part.size(); ++i) {
        while (k > 0 && part[i] != part[k])
            k = fail[k - 1];
        if (part[i] == part[k]) ++k;
        fail[i] = k;
    }
    for (size_t i = 0, k = 0; i < whole.size(); ++i) {
        while (k > 0 && whole[i] != part[k])
            k = fail[k - 1];
        if (whole[i] == part[k]) ++k;
        if (k == part.size()) return true;
    }
    return false;
}

size_t SubsequencePrefix(const std::vector<std::string>& whole, const std::vector<std::string>& part)
{
    size_t k = 0;
    for (size_t i = 0; i < whole.size() && k < part.size(); ++i)
        if (whole[i] == part[k]) ++k;
    return k;
}

bool IsSubsequence(const std::vector<std::string>& whole, const std::vector<std::string>& part)
{
    return SubsequencePrefix(whole, part) == part.size();
}

std::string CompareMonitorWithLog(const std::vector<std::string>& monitorLines, const std::string& simLog)
{
    std::vector<std::string> sent, read;
    for (const std::string& line : monitorLines) {
        const auto parsed = ParseMonitorLine(line);
        if (!parsed) return "not a monitor line: '" + line + "'";
        (parsed->sent ? sent : read).push_back(parsed->hex);
    }
    if (!ContainsRun(LoggedFrames(simLog, true), sent))
        return std::to_string(sent.size()) +
               " frames sent are not one run of the simulator's received frames";
    if (!ContainsRun(LoggedFrames(simLog, false), read))
        return std::to_string(read.size()) + " frames read are not one run of the simulator's sent frames";
    return {};
}

std::vector<std::string> ParameterWrites(const std::vector<std::string>& monitorLines)
{
    std::vector<std::string> writes;
    for (const std::string& line : monitorLines) {
        const auto parsed = ParseMonitorLine(line);
        if (parsed && parsed->sent && parsed->hex.rfind("EB 90 0A 02", 0) == 0) writes.push_back(parsed->hex);
    }
    return writes;
}

double WarmUpSeconds(double runSeconds)
{
    return runSeconds <= 120 ? 20 : 60;
}

size_t WarmUpSamples(const std::vector<double>& sampleTimes, double runSeconds)
{
    const double warmUp = WarmUpSeconds(runSeconds);
    size_t n = 0;
    while (n < sampleTimes.size() && sampleTimes[n] < warmUp)
        ++n;
    return n;
}

TFlatness JudgeFlat(const std::vector<double>& samples, size_t warmUp, double tolerance)
{
    TFlatness f;
    if (samples.size() <= warmUp) return f;
    const auto from = samples.begin() + static_cast<std::ptrdiff_t>(warmUp);
    f.judged = static_cast<size_t>(samples.end() - from);
    const auto [low, high] = std::minmax_element(from, samples.end());
    f.low = *low;
    f.high = *high;
    const auto quarter = static_cast<std::ptrdiff_t>(std::max<size_t>(1, f.judged / 4));
    f.early = *std::min_element(from, from + quarter);
    f.late = *std::min_element(samples.end() - quarter, samples.end());
    f.flat = f.late - f.early <= tolerance;
    return f;
}

const TFlatRule kPrivateMemoryRule{"private memory (RssAnon) flat after warm-up", 4.0 * 1024 * 1024, true};
const TFlatRule kGdiObjectsRule{"GDI objects flat after warm-up", 4, false};
const TFlatRule kDeviceContextsRule{"device contexts flat after warm-up", 2, false};
const TFlatRule kFrameworkWindowsRule{"framework windows flat after warm-up", 1, false};
const TFlatRule kWindowsRule{"windows of the process flat after warm-up", 2, false};

int RepliesOutOfStep(const std::vector<std::string>& monitorLines)
{
    int count = 0;
    for (size_t i = 1; i < monitorLines.size(); ++i) {
        const auto request = ParseMonitorLine(monitorLines[i - 1]);
        const auto reply = ParseMonitorLine(monitorLines[i]);
        if (!request || !reply || !request->sent || reply->sent) continue;
        // "EB 91 LL CC": the command byte is the fourth.
        if (reply->hex.rfind("EB 91 ", 0) != 0 || reply->hex.size() < 11 || request->hex.size() < 11)
            continue;
        if (reply->hex.substr(9, 2) != request->hex.substr(9, 2)) ++count;
    }
    return count;
}

std::string ReadingShownFor(const std::string& replyHex)
{
    // "EB 91 0C 01 RR" and eleven more bytes: sixteen in all.
    if (replyHex.rfind("EB 91 0C ", 0) != 0 || replyHex.size() != 16 * 3 - 1) return {};
    const int reading = std::stoi(replyHex.substr(12, 2), nullptr, 16);
    switch (reading) {
    case 0xE1:
        return "E1";
    case 0xE2:
        return "E2";
    case 0xE8:
        return "E8";
    default:
        return std::to_string(reading);
    }
}

std::vector<std::string> WrongDisplays(const std::vector<std::string>& shown, const std::string& simLog)
{
    std::set<std::string> reported;
    for (const std::string& frame : LoggedFrames(simLog, false))
        if (std::string r = ReadingShownFor(frame); !r.empty()) reported.insert(r);
    std::vector<std::string> wrong;
    for (const std::string& s : shown)
        if (!reported.count(s)) wrong.push_back(s);
    return wrong;
}
