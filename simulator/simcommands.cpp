#include "simulator/simcommands.h"

#include <sstream>
#include <vector>

#include "device/deviceframe.h"
#include "device/parameternames.h"
#include "runtime/sysutils.h"

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(LowerCase(s));
    return w;
}

bool ByteArgument(const std::string& text, uint8_t& value)
{
    int32_t v = 0;
    if (!TryStrToInt(text, v) || v < 0 || v > 255) return false;
    value = static_cast<uint8_t>(v);
    return true;
}

std::string Reading(const std::vector<std::string>& w, TDeviceModel& model)
{
    if (w.size() != 2) return "error usage: reading N|E1|E2|E8|auto";
    const std::string& a = w[1];
    if (a == "auto") {
        model.ReleaseReading();
        return "ok reading auto";
    }
    uint8_t v = 0;
    if (a == "e1")
        v = kReadingE1;
    else if (a == "e2")
        v = kReadingE2;
    else if (a == "e8")
        v = kReadingE8;
    else if (!ByteArgument(a, v))
        return "error reading wants 0..255, E1, E2, E8 or auto, not '" + a + "'";
    model.ForceReading(v);
    return "ok reading " + UpperCase(a);
}

std::string Level(const std::vector<std::string>& w, TDeviceModel& model)
{
    if (w.size() != 2) return "error usage: level N|auto";
    if (w[1] == "auto") {
        model.ReleaseLevel();
        return "ok level auto";
    }
    uint8_t v = 0;
    if (!ByteArgument(w[1], v)) return "error level wants 0..255 or auto, not '" + w[1] + "'";
    model.ForceLevel(v);
    return "ok level " + std::to_string(v);
}

std::string Fault(const std::vector<std::string>& w, TDeviceModel& model)
{
    static const struct {
        const char* name;
        FaultMode mode;
    } kModes[] = {{"off", FaultMode::Off},
                  {"drop", FaultMode::Drop},
                  {"garbage", FaultMode::Garbage},
                  {"short", FaultMode::Short},
                  {"bad-checksum", FaultMode::BadChecksum}};
    if (w.size() == 3 && w[1] == "delay") {
        int32_t ms = 0;
        if (!TryStrToInt(w[2], ms) || ms < 0 || ms > 600000)
            return "error fault delay wants 0..600000 ms, not '" + w[2] + "'";
        model.SetFault(FaultMode::Delay, ms);
        return "ok fault delay " + std::to_string(ms);
    }
    if (w.size() == 2)
        for (const auto& m : kModes)
            if (w[1] == m.name) {
                model.SetFault(m.mode);
                return "ok fault " + w[1];
            }
    return "error usage: fault drop|garbage|short|bad-checksum|delay MS|off";
}

} // namespace

bool IsCommandWord(const std::string& word)
{
    static const char* const kWords[] = {"plug",  "unplug", "reading", "level",
                                         "fault", "params", "quit",    "help"};
    for (const char* k : kWords)
        if (word == k) return true;
    return false;
}

std::string DescribeParameters(const ParameterSet& p)
{
    std::string s;
    for (const auto& n : kParameterNames)
        s += (s.empty() ? "" : " ") + std::string(n.name) + "=" + std::to_string(p.*n.field);
    return s;
}

std::string ExecuteCommand(const std::string& line, TDeviceModel& model, TSimLink& link, uint64_t nowMs)
{
    const auto w = Words(line);
    if (w.empty()) return {};
    const std::string& c = w[0];
    if (c == "plug" && w.size() == 1) {
        link.Plug();
        return "ok plugged";
    }
    if (c == "unplug" && w.size() == 1) {
        link.Unplug();
        return "ok unplugged";
    }
    if (c == "reading") return Reading(w, model);
    if (c == "level") return Level(w, model);
    if (c == "fault") return Fault(w, model);
    if (c == "params" && w.size() == 1)
        return "ok " + DescribeParameters(model.Parameters()) +
               " reading=" + std::to_string(model.Reading(nowMs)) +
               " level=" + std::to_string(model.Level(nowMs));
    if (c == "quit" && w.size() == 1) {
        link.Quit();
        return "ok bye";
    }
    if (c == "help")
        return "ok commands: plug, unplug, reading N|E1|E2|E8|auto, level N|auto, "
               "fault drop|garbage|short|bad-checksum|delay MS|off, params, quit";
    return "error unknown command '" + Trim(line) + "' (try help)";
}
