#include "ctl/ctlcommands.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "ctl/parametertext.h"
#include "device/deviceframe.h"
#include "device/parameterset.h"
#include "history/alarmrule.h"
#include "history/csvformat.h"
#include "history/levelsample.h"
#include "history/logfile.h"
#include "runtime/version.h"

namespace {

struct TOptions {
    std::string command;
    std::vector<std::string> operands;
    bool json = false;
    bool intervalGiven = false;
    double intervalSeconds = 1.0;
    std::optional<long> count;
    std::string csvFile;
};

// A failure that ends the command with its exit code and message.
struct TFailure {
    int code;
    std::string message;
};

class TDevice {
public:
    explicit TDevice(TDevicePort& port) : port_(port) {}
    ~TDevice()
    {
        if (open_) port_.Close();
    }
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    void Open()
    {
        const auto r = port_.Open();
        // The device's own words: any bytes at all.
        const std::string detail = r.detail.empty() ? "" : " (" + TerminalText(r.detail) + ")";
        if (r.state == TDevicePort::TState::Busy)
            throw TFailure{kExitBusy, "the device is busy: another program holds it" + detail};
        if (r.state == TDevicePort::TState::Absent) throw TFailure{kExitNoDevice, "no device" + detail};
        open_ = true;
    }

    // One request and its reply; nothing when the request did not go out
    // or no acceptable reply came back.
    std::optional<DeviceFrame> Exchange(RequestKind kind, const ParameterSet& p = kStartParameters)
    {
        const RequestFrame request = BuildRequest(kind, p);
        if (!port_.Write(std::span(request.bytes.data(), static_cast<size_t>(request.length))))
            return std::nullopt;
        DeviceFrame reply{};
        const auto n = port_.Read(reply);
        if (!CheckReply(reply, n ? static_cast<int64_t>(*n) : 0, n.has_value())) return std::nullopt;
        return reply;
    }

    std::optional<PollReply> Poll()
    {
        const auto reply = Exchange(RequestKind::Poll);
        return reply ? DecodePollReply(*reply) : std::nullopt;
    }

    // After a poll went unanswered: false when the device is gone (or
    // taken by another program) rather than merely silent. A device that
    // comes back is opened again.
    bool StillThere() { return port_.Open().state == TDevicePort::TState::Opened; }

    PollReply PollOrFail()
    {
        if (auto r = Poll()) return *r;
        throw TFailure{kExitDeviceError, "the device did not answer the poll"};
    }

    // Writes p in one frame, then one poll tells whether the device holds it.
    void WriteVerified(const ParameterSet& p)
    {
        const bool acknowledged = Exchange(RequestKind::WriteParameters, p).has_value();
        const auto back = Poll();
        ParameterSet held = back ? ParametersFromPollReply(*back) : ParameterSet{};
        // A device may report "on" as any value but 0.
        held.autoBrightness = held.autoBrightness != 0 ? 1 : 0;
        if (back && held == p) return;
        if (!back)
            throw TFailure{kExitUnconfirmed,
                           std::string("the device did not confirm the write") +
                               (acknowledged ? " (it acknowledged it, then did not answer the poll)"
                                             : "; it may or may not hold the new values")};
        std::string differ;
        for (const auto& n : kParameterNames)
            if (held.*n.field != p.*n.field)
                differ += std::string(differ.empty() ? "" : ", ") + n.name + "=" +
                          ValueText(n, held.*n.field) + " (written " + ValueText(n, p.*n.field) + ")";
        throw TFailure{kExitUnconfirmed, "the device holds other values than written: " + differ};
    }

private:
    TDevicePort& port_;
    bool open_ = false;
};

// "67", or the error code the device shows instead of a level.
std::string ReadingText(uint8_t reading)
{
    const TLevelStatus s = StatusOfReading(reading);
    return s == TLevelStatus::Ok ? std::to_string(reading) : LevelStatusName(s);
}

const ParameterName& InputName()
{
    return kParameterNames[0];
}

std::string ParametersJson(const ParameterSet& p, const std::vector<const ParameterName*>& names)
{
    std::string s = "{";
    for (const ParameterName* n : names)
        s += (s.size() > 1 ? "," : "") + JsonString(n->name) + ":" + ValueJson(*n, p.*n->field);
    return s + "}";
}

std::vector<const ParameterName*> AllNames()
{
    std::vector<const ParameterName*> all;
    for (const auto& n : kParameterNames)
        all.push_back(&n);
    return all;
}

void PrintParameters(std::ostream& out, const ParameterSet& p, const std::vector<const ParameterName*>& names)
{
    for (const ParameterName* n : names)
        out << n->name << '=' << ValueText(*n, p.*n->field) << '\n';
}

// A value printed as "unknown code N" is the device's error, not a result:
// said on the error output, and the exit code says so.
int CheckKnown(const ParameterSet& p, const std::vector<const ParameterName*>& names, std::ostream& err)
{
    int code = kExitDone;
    for (const ParameterName* n : names)
        if (!KnownValue(*n, p.*n->field)) {
            err << "orvane-ctl: the device reports " << n->name << " code " << p.*n->field
                << ", which is none of dB, dBA, dBC\n";
            code = kExitDeviceError;
        }
    return code;
}

// Data that could not be written is no success; the stream is flushed to
// find out.
void CheckWritten(std::ostream& out)
{
    if (!out.flush()) throw TFailure{kExitOutput, "cannot write the output"};
}

int Detect(const TOptions& o, TDevicePort& port, std::ostream& out)
{
    const auto r = port.Open();
    if (r.state == TDevicePort::TState::Opened) port.Close();
    const char* word = r.state == TDevicePort::TState::Opened ? "free"
                       : r.state == TDevicePort::TState::Busy ? "busy"
                                                              : "absent";
    if (o.json)
        out << "{\"device\":" << JsonString(word) << ",\"detail\":" << JsonString(r.detail) << "}\n";
    else {
        // The device words a refusal "busy: ..." itself; said once is enough.
        std::string detail = r.detail;
        if (detail.rfind(std::string(word) + ": ", 0) == 0) detail.erase(0, std::strlen(word) + 2);
        out << word << (detail.empty() ? "" : ": " + TerminalText(detail)) << '\n';
    }
    CheckWritten(out);
    return r.state == TDevicePort::TState::Opened ? kExitDone
           : r.state == TDevicePort::TState::Busy ? kExitBusy
                                                  : kExitNoDevice;
}

int Status(const TOptions& o, TDevice& d, std::ostream& out, std::ostream& err)
{
    const PollReply r = d.PollOrFail();
    const ParameterSet p = ParametersFromPollReply(r);
    const TLevelStatus st = StatusOfReading(r.reading);
    if (o.json) {
        out << "{\"reading\":" << (st == TLevelStatus::Ok ? std::to_string(r.reading) : "null")
            << ",\"status\":" << JsonString(LevelStatusName(st))
            << ",\"weighting\":" << ValueJson(InputName(), p.micInputType) << ",\"level\":" << int(r.level)
            << ",\"parameters\":" << ParametersJson(p, AllNames()) << "}\n";
    } else {
        out << "reading=" << ReadingText(r.reading) << '\n'
            << "weighting=" << ValueText(InputName(), p.micInputType) << '\n'
            << "level=" << int(r.level) << '\n';
        PrintParameters(out, p, AllNames());
    }
    CheckWritten(out);
    return CheckKnown(p, AllNames(), err);
}

std::vector<const ParameterName*> NamesOf(const std::vector<std::string>& operands)
{
    if (operands.empty()) return AllNames();
    std::vector<const ParameterName*> names;
    for (const auto& w : operands) {
        const ParameterName* n = FindParameterName(w);
        if (!n) throw TFailure{kExitUsage, "unknown parameter '" + w + "'"};
        names.push_back(n);
    }
    return names;
}

int Get(const TOptions& o, TDevice& d, std::ostream& out, std::ostream& err)
{
    const auto names = NamesOf(o.operands);
    d.Open();
    const ParameterSet p = ParametersFromPollReply(d.PollOrFail());
    if (o.json)
        out << ParametersJson(p, names) << '\n';
    else
        PrintParameters(out, p, names);
    CheckWritten(out);
    return CheckKnown(p, names, err);
}

// Every NAME=VALUE checked before the device is touched.
std::map<const ParameterName*, int32_t> ParseAssignments(const std::vector<std::string>& operands)
{
    if (operands.empty()) throw TFailure{kExitUsage, "set needs NAME=VALUE"};
    std::map<const ParameterName*, int32_t> changes;
    for (const auto& a : operands) {
        const auto eq = a.find('=');
        if (eq == std::string::npos) throw TFailure{kExitUsage, "'" + a + "' is not NAME=VALUE"};
        const ParameterName* n = FindParameterName(std::string_view(a).substr(0, eq));
        if (!n) throw TFailure{kExitUsage, "unknown parameter '" + a.substr(0, eq) + "'"};
        int32_t v = 0;
        std::string error;
        if (!ParseValue(*n, std::string_view(a).substr(eq + 1), v, error)) throw TFailure{kExitUsage, error};
        // Which of two would win is a guess a script should not rely on.
        if (!changes.emplace(n, v).second)
            throw TFailure{kExitUsage, std::string(n->name) + " is given twice"};
    }
    return changes;
}

int Set(const TOptions& o, TDevice& d)
{
    const auto changes = ParseAssignments(o.operands);
    d.Open();
    ParameterSet p = HeldToRanges(ParametersFromPollReply(d.PollOrFail()));
    for (const auto& [n, v] : changes)
        p.*n->field = v;
    d.WriteVerified(p);
    return kExitDone;
}

int Defaults(TDevice& d)
{
    d.Open();
    // The panel's defaults as its controls send them: the refresh time
    // below its range goes out as the range's minimum.
    d.WriteVerified(HeldToRanges(kDefaultParameters));
    return kExitDone;
}

int Acknowledged(TDevice& d, RequestKind kind, const char* what)
{
    d.Open();
    const auto reply = d.Exchange(kind);
    if (!reply) throw TFailure{kExitUnconfirmed, std::string("the device did not confirm the ") + what};
    // The acknowledgement's first payload byte is the device's status: 0
    // done. A save the device could not keep is no success.
    if ((*reply)[2] >= 2 && (*reply)[4] != 0)
        throw TFailure{kExitDeviceError, std::string("the device reported that the ") + what +
                                             " failed (status " + std::to_string((*reply)[4]) + ")"};
    return kExitDone;
}

// One watched reading as the level log keeps a second: its columns and
// rules, so that a watch file and the panel's log read alike. The reading
// stands for its second; the display's alarm follows its own rule over
// the readings of this watch.
TSecondRecord RecordOf(int64_t epochSecond, const std::optional<PollReply>& r, TLevelStatus gap,
                       const TSecondRecord& last, TAlarmRule& alarm, int64_t steadyMs)
{
    TSecondRecord s;
    s.second = s.wall = static_cast<uint32_t>(epochSecond);
    s.weighting = last.weighting;
    s.offset = last.offset;
    s.threshold = last.threshold;
    s.status = gap;
    if (!r) {
        if (gap == TLevelStatus::Disconnected) alarm.Lost();
        return s;
    }
    const TLevelSample sample = SampleOfReply(r->reading, ParametersFromPollReply(*r));
    s.weighting = sample.weighting;
    s.offset = sample.offset;
    s.threshold = sample.threshold;
    s.status = sample.status;
    s.received = 1;
    s.connectedMs = 1000;
    if (alarm.Reading(steadyMs, sample.Over(), sample.showTime, sample.resetTime).began) s.alarms = 1;
    if (sample.Valid()) {
        s.count = 1;
        s.energy = static_cast<float>(std::pow(10.0, sample.level / 10.0));
        s.minLevel = s.maxLevel = sample.level;
        s.over = sample.Over() ? 1 : 0;
    }
    return s;
}

int Watch(const TOptions& o, TDevice& d, std::ostream& out, std::ostream& err)
{
    std::unique_ptr<TLogFile> csv;
    if (!o.csvFile.empty()) {
        try {
            csv = TLogFile::Open(o.csvFile, kLevelLogHeader, kEarlierLevelLogHeader);
        } catch (const Exception& e) {
            throw TFailure{kExitUsage, e.Message};
        }
    }
    d.Open();
    using Clock = std::chrono::steady_clock;
    const auto interval =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.intervalSeconds));
    auto next = Clock::now();
    TSecondRecord last;
    TAlarmRule alarm;
    bool known = false; // a reading has come: its weighting stands for the gaps after it
    int code = kExitDone;
    for (long i = 0; !o.count || i < *o.count; ++i) {
        if (i > 0) std::this_thread::sleep_until(next);
        next += interval;
        auto r = d.Poll();
        TLevelStatus gap = TLevelStatus::NoReply;
        // The device may have been away and be back: then this reading is
        // the one the poll after opening it gives.
        if (!r) {
            if (d.StillThere())
                r = d.Poll();
            else
                gap = TLevelStatus::Disconnected;
        }
        const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
        const auto steady =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
        const TSecondRecord rec = RecordOf(now, r, gap, last, alarm, steady.count());
        last = rec;
        known = known || r.has_value();
        const std::string time = IsoLocalTime(now);
        const std::string reading = r ? ReadingText(r->reading) : "-";
        if (o.json)
            out << "{\"time\":" << JsonString(time) << ",\"reading\":"
                << (r && rec.status == TLevelStatus::Ok ? std::to_string(r->reading) : "null")
                << ",\"status\":" << JsonString(LevelStatusName(rec.status))
                << ",\"weighting\":" << (known ? ValueJson(InputName(), rec.weighting) : "null")
                << ",\"level\":" << (r ? std::to_string(r->level) : "null") << "}\n";
        else
            out << time << ' ' << reading << ' ' << (known ? ValueText(InputName(), rec.weighting) : "-")
                << ' ' << LevelStatusName(rec.status) << '\n';
        CheckWritten(out);
        // Said once; the rows go on, and the exit code tells at the end.
        if (r && code == kExitDone && !KnownValue(InputName(), rec.weighting))
            code = CheckKnown(ParametersFromPollReply(*r), {&InputName()}, err);
        if (csv) {
            try {
                csv->Append(LevelLogRows({&rec, 1}));
            } catch (const Exception& e) {
                err << "orvane-ctl: " << e.Message << '\n';
                return kExitDeviceError;
            }
        }
    }
    return code;
}

// The whole text as a number of the option's kind, within its bounds.
template <class T, class Convert>
T ParseOptionNumber(const std::string& option, const std::string& text, Convert convert, T min, T max,
                    const std::string& wanted)
{
    size_t used = 0;
    T v{};
    try {
        v = convert(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || !(v >= min && v <= max))
        throw TFailure{kExitUsage, option + ": '" + text + "' is not " + wanted};
    return v;
}

// Seconds, as a script writes them: "1", "0.5".
double ParseInterval(const std::string& text)
{
    const auto convert = [](const std::string& t, size_t* used) { return std::stod(t, used); };
    return ParseOptionNumber("--interval", text, convert, 0.05, 86400.0,
                             "a number of seconds from 0.05 to 86400");
}

long ParseCount(const std::string& text)
{
    const auto convert = [](const std::string& t, size_t* used) { return std::stol(t, used); };
    return ParseOptionNumber("--count", text, convert, 1L, 1000000000L, "a whole number of 1 or more");
}

TOptions ParseArgs(const std::vector<std::string>& args)
{
    TOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw TFailure{kExitUsage, a + " needs a value"};
            return args[++i];
        };
        if (a == "--json")
            o.json = true;
        else if (a == "--help" || a == "-h")
            o.command = "--help";
        else if (a == "--version" && o.command != "--help")
            o.command = a;
        else if (a == "--interval") {
            o.intervalSeconds = ParseInterval(value());
            o.intervalGiven = true;
        } else if (a == "--count")
            o.count = ParseCount(value());
        else if (a == "--csv")
            o.csvFile = value();
        else if (a.size() > 1 && a[0] == '-')
            throw TFailure{kExitUsage, "unknown option '" + a + "'"};
        else if (o.command.empty())
            o.command = a;
        else if (o.command[0] != '-')
            o.operands.push_back(a);
    }
    if (o.command != "watch" && (o.count || o.intervalGiven || !o.csvFile.empty()))
        throw TFailure{kExitUsage, "--count, --interval and --csv belong to watch"};
    return o;
}

int Execute(const TOptions& o, TDevicePort& port, std::ostream& out, std::ostream& err)
{
    const auto noOperands = [&] {
        if (!o.operands.empty()) throw TFailure{kExitUsage, o.command + " takes no arguments"};
    };
    if (o.command == "--help") {
        out << CtlUsage();
        CheckWritten(out);
        return kExitDone;
    }
    if (o.command == "--version") {
        out << "orvane-ctl " << OrvaneVersion() << '\n';
        CheckWritten(out);
        return kExitDone;
    }
    if (o.command == "detect") {
        noOperands();
        return Detect(o, port, out);
    }
    TDevice d(port);
    if (o.command == "get") return Get(o, d, out, err);
    if (o.command == "set") return Set(o, d);
    noOperands();
    if (o.command == "status") {
        d.Open();
        return Status(o, d, out, err);
    }
    if (o.command == "save") return Acknowledged(d, RequestKind::SaveParameters, "save");
    if (o.command == "self-check") return Acknowledged(d, RequestKind::SelfCheck, "self check");
    if (o.command == "defaults") return Defaults(d);
    if (o.command == "watch") return Watch(o, d, out, err);
    if (o.command.empty()) throw TFailure{kExitUsage, "no command given"};
    throw TFailure{kExitUsage, "unknown command '" + o.command + "'"};
}

} // namespace

std::string CtlUsage()
{
    return "Usage: orvane-ctl [--json] COMMAND [ARGUMENTS]\n"
           "The Orvane sound-level display from the command line.\n"
           "\n"
           "Commands:\n"
           "  detect                   is a device there, and is it free or busy\n"
           "  status                   the reading, the weighting, the level and all parameters\n"
           "  get [NAME...]            parameters (all when no NAME is given)\n"
           "  set NAME=VALUE...        write parameters in one go and read them back\n"
           "  save                     the device keeps its parameters across power-off\n"
           "  self-check               the device checks itself\n"
           "  defaults                 write the default parameters\n"
           "  watch [--interval SECONDS] [--count N] [--csv FILE]\n"
           "                           the reading over time (every second, until stopped);\n"
           "                           --csv appends rows in the panel's level-log format\n"
           "\n"
           "Names and values:\n"
           "  input              dB, dBA, dBC\n"
           "  offset             -20..20 dB\n"
           "  refresh            3..45 (larger is slower)\n"
           "  threshold          60..120 dB\n"
           "  number-brightness  10..100 %\n"
           "  bar-brightness     10..100 %\n"
           "  auto-brightness    on, off\n"
           "  show-time          1..60 s\n"
           "  reset-time         1..60 s\n"
           "\n"
           "Options:\n"
           "  --json     print data as JSON (watch: one object per line)\n"
           "  --help     this text\n"
           "  --version  the version\n"
           "\n"
           "Exit codes: 0 done, 1 usage error, 2 no device, 3 device busy,\n"
           "4 the device did not confirm a write, 5 other device errors (also a\n"
           "value no device has, printed as \"unknown code N\"), 6 the output could\n"
           "not be written.\n"
           "Data goes to standard output, messages to standard error.\n";
}

int RunCtl(const std::vector<std::string>& args, TDevicePort& port, std::ostream& out, std::ostream& err)
{
    try {
        return Execute(ParseArgs(args), port, out, err);
    } catch (const TFailure& f) {
        err << "orvane-ctl: " << f.message << '\n';
        if (f.code == kExitUsage) err << "Try 'orvane-ctl --help'.\n";
        return f.code;
    }
}
