#include "simulator/devicemodel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "device/deviceframe.h"
#include "device/parameternames.h"
#include "runtime/sysutils.h"
#include "simulator/statefile.h"

namespace {

constexpr uint8_t kHeader1 = 0xEB;
constexpr uint8_t kRequestHeader2 = 0x90;
constexpr uint8_t kReplyHeader2 = 0x91;
// Nine short lines; anything much larger is not ours.
constexpr size_t kMaxStateFileBytes = 64 * 1024;

// The saved parameters' names in the state file, in wire order as
// kParameterNames: files written before keep being read.
constexpr const char* kFileNames[] = {
    "micInputType", "micOffset",      "vuRefreshTime", "alarmThreshold", "numberBrightness",
    "vuBrightness", "autoBrightness", "alarmShowTime", "alarmResetTime",
};
static_assert(std::size(kFileNames) == std::size(kParameterNames));

bool IsErrorCode(uint8_t reading)
{
    return reading == kReadingE1 || reading == kReadingE2 || reading == kReadingE8;
}

// Weighting takes energy out of the low frequencies; everyday noise reads a
// little lower through the A filter than through C, and C lower than flat.
int WeightingShift(int32_t code)
{
    switch (code) {
    case 1:
        return -4;
    case 2:
        return -1;
    default:
        return 0;
    }
}

// Readings stay below the error codes so that a loud room never shows "E1".
constexpr int kMaxLevelReading = 200;
// The bar spans 40 dB (dark) to 120 dB (all 37 lamps).
constexpr int kBarFloorDb = 40;
constexpr int kBarSpanDb = 80;

std::string FaultName(FaultMode m)
{
    switch (m) {
    case FaultMode::Drop:
        return "drop";
    case FaultMode::Garbage:
        return "garbage";
    case FaultMode::Short:
        return "short";
    case FaultMode::BadChecksum:
        return "bad-checksum";
    case FaultMode::Delay:
        return "delay";
    case FaultMode::Off:
        break;
    }
    return "off";
}

} // namespace

ParameterSet ClampParameters(const ParameterSet& p)
{
    return HeldToRanges(p);
}

ParameterSet FactoryParameters()
{
    return ClampParameters(kDefaultParameters);
}

std::string FormatParameterFile(const ParameterSet& p)
{
    std::string s = "# orvane-sim saved parameters\n";
    for (size_t i = 0; i < std::size(kFileNames); ++i)
        s += std::string(kFileNames[i]) + "=" + std::to_string(p.*kParameterNames[i].field) + "\n";
    return s;
}

std::optional<ParameterSet> ParseParameterFile(const std::string& text, std::string& problem)
{
    // Every line the simulator writes ends with a line end. Without one the
    // last value may be cut short ("alarmResetTime=1" of "=10") and still
    // look valid.
    if (!text.empty() && text.back() != '\n') {
        problem = "the last line is incomplete (was the file cut short?)";
        return std::nullopt;
    }
    ParameterSet p{};
    bool seen[std::size(kFileNames)] = {};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find('=');
        const std::string key = Trim(line.substr(0, eq));
        size_t i = 0;
        while (i < std::size(kFileNames) && key != kFileNames[i])
            ++i;
        int32_t v = 0;
        if (eq == std::string::npos || i == std::size(kFileNames) || seen[i] ||
            !TryStrToInt(Trim(line.substr(eq + 1)), v) || v < kParameterNames[i].range.Min ||
            v > kParameterNames[i].range.Max) {
            problem = "line " + std::to_string(lineNo) + ": \"" + line + "\"";
            return std::nullopt;
        }
        seen[i] = true;
        p.*kParameterNames[i].field = v;
    }
    for (size_t i = 0; i < std::size(kFileNames); ++i)
        if (!seen[i]) {
            problem = std::string("no ") + kFileNames[i];
            return std::nullopt;
        }
    return p;
}

TSoundSource::TSoundSource(uint32_t seed) : rng_(seed) {}

double TSoundSource::Uniform()
{
    return static_cast<double>(rng_() >> 8) / static_cast<double>(1u << 24);
}

void TSoundSource::Step()
{
    // Sum of uniforms: a cheap bell curve that is the same on every platform.
    const double noise = (Uniform() + Uniform() + Uniform() - 1.5) * 1.6;
    base_ += noise + 0.02 * (62.0 - base_);
    base_ = std::clamp(base_, 40.0, 100.0);
    peak_ *= 0.85;
    if (Uniform() < 0.004) peak_ = 12.0 + 18.0 * Uniform();
}

double TSoundSource::LevelAt(uint64_t nowMs)
{
    constexpr uint64_t kStepMs = 100;
    // After a long quiet spell the walk has forgotten where it was anyway.
    constexpr uint64_t kMaxSteps = 600;
    if (!lastMs_) lastMs_ = nowMs;
    if (nowMs > *lastMs_) {
        const uint64_t steps = (nowMs - *lastMs_) / kStepMs;
        for (uint64_t i = 0; i < std::min(steps, kMaxSteps); ++i)
            Step();
        *lastMs_ += steps * kStepMs;
    }
    return base_ + peak_;
}

TDeviceModel::TDeviceModel(std::string stateFile, uint32_t seed)
    : stateFile_(std::move(stateFile)), saved_(FactoryParameters()), sound_(seed), faultRng_(seed ^ 0x375u)
{
    if (!stateFile_.empty()) {
        std::string problem;
        const auto text = ReadSmallFile(stateFile_, kMaxStateFileBytes, problem);
        if (text) {
            if (auto p = ParseParameterFile(*text, problem)) saved_ = *p;
        }
        if (!problem.empty())
            loadWarning_ =
                "saved parameters in " + stateFile_ + " are damaged (" + problem + "); using defaults";
    }
    current_ = saved_;
}

bool TDeviceModel::Save(const ParameterSet& values, std::string& error)
{
    if (stateFile_.empty()) {
        saved_ = values;
        return true;
    }
    if (!WriteFileAtomically(stateFile_, FormatParameterFile(values), false, error)) return false;
    saved_ = values;
    return true;
}

std::vector<uint8_t> TDeviceModel::SaveAndReply(const ParameterSet& values, uint64_t nowMs, std::string& note)
{
    static constexpr uint8_t kDone[] = {0x00, 0x00, 0x00};
    static constexpr uint8_t kFailed[] = {0x01, 0x00, 0x00};
    const uint8_t command = static_cast<uint8_t>(RequestKind::SaveParameters);
    // A write that failed counts too: a full disk is not tried again at once.
    if (!stateFile_.empty()) lastSaveWriteMs_ = nowMs;
    std::string error;
    if (!Save(values, error)) {
        note = "save failed: " + error;
        return ReplyFrame(command, kFailed);
    }
    note = stateFile_.empty() ? "parameters saved (kept only while running)"
                              : "parameters saved to " + stateFile_;
    return ReplyFrame(command, kDone);
}

std::optional<uint64_t> TDeviceModel::SaveDueMs() const
{
    if (!pendingSave_) return std::nullopt;
    return lastSaveWriteMs_.value_or(0) + kSaveIntervalMs;
}

DeviceOutcome TDeviceModel::FinishSave(uint64_t nowMs)
{
    DeviceOutcome out;
    if (!pendingSave_) return out;
    const ParameterSet values = *pendingSave_;
    pendingSave_.reset();
    out.accepted = true;
    out.reply = SaveAndReply(values, nowMs, out.note);
    out.shown = out.note;
    ApplyFault(out);
    return out;
}

uint8_t TDeviceModel::Reading(uint64_t nowMs)
{
    const double db = sound_.LevelAt(nowMs);
    if (forcedReading_) return *forcedReading_;
    const long r = std::lround(db) + WeightingShift(current_.micInputType) + current_.micOffset;
    return static_cast<uint8_t>(std::clamp<long>(r, 0, kMaxLevelReading));
}

uint8_t TDeviceModel::Level(uint64_t nowMs)
{
    if (forcedLevel_) return *forcedLevel_;
    const uint8_t reading = Reading(nowMs);
    if (IsErrorCode(reading)) return 0;
    return static_cast<uint8_t>(
        std::clamp((reading - kBarFloorDb) * kLevelBarLeds / kBarSpanDb, 0, kLevelBarLeds));
}

bool TDeviceModel::AlarmOn(uint64_t nowMs)
{
    const uint8_t reading = Reading(nowMs);
    const bool loud = !IsErrorCode(reading) && reading >= current_.alarmThreshold;
    if (alarm_) {
        if (!loud && nowMs - alarmSince_ >= static_cast<uint64_t>(current_.alarmShowTime) * 1000) {
            alarm_ = false;
            alarmEnded_ = nowMs;
        }
    } else if (loud && (!alarmEnded_ ||
                        nowMs - *alarmEnded_ >= static_cast<uint64_t>(current_.alarmResetTime) * 1000)) {
        alarm_ = true;
        alarmSince_ = nowMs;
    }
    return alarm_;
}

void TDeviceModel::SetFault(FaultMode mode, int delayMs)
{
    fault_ = mode;
    faultDelayMs_ = mode == FaultMode::Delay ? std::max(0, delayMs) : 0;
}

std::string RequestProblem(std::span<const uint8_t> r)
{
    if (r.size() < 5) return "too short";
    if (r[0] != kHeader1 || r[1] != kRequestHeader2) return "not a request header";
    const size_t l = r[2];
    if (r.size() != l + 4) return "length byte says " + std::to_string(l + 4) + " bytes";
    if (FrameChecksum(r.first(3 + l)) != r[3 + l]) return "bad checksum";
    static constexpr size_t kLengthOf[] = {0, 1, 10, 2, 2};
    const uint8_t command = r[3];
    if (command < 1 || command > 4) return "unknown command " + IntToHex(command, 2);
    if (l != kLengthOf[command]) return "wrong length for command " + IntToHex(command, 2);
    return {};
}

std::vector<uint8_t> ReplyFrame(uint8_t command, std::span<const uint8_t> payload)
{
    std::vector<uint8_t> f;
    f.reserve(payload.size() + 5);
    f.push_back(kHeader1);
    f.push_back(kReplyHeader2);
    f.push_back(static_cast<uint8_t>(1 + payload.size()));
    f.push_back(command);
    for (uint8_t b : payload)
        f.push_back(b);
    f.push_back(FrameChecksum(f));
    return f;
}

std::vector<uint8_t> TDeviceModel::ReplyTo(uint8_t command, uint64_t nowMs, std::string& note)
{
    // Answers that carry no data still need L >= 4 to pass the panel's
    // check: command echo, status (0 = done) and two spare bytes.
    static constexpr uint8_t kDone[] = {0x00, 0x00, 0x00};
    switch (static_cast<RequestKind>(command)) {
    case RequestKind::Poll: {
        const ParameterSet& p = current_;
        const uint8_t payload[] = {
            Reading(nowMs),
            static_cast<uint8_t>(p.micInputType),
            EncodeOffset(p.micOffset),
            static_cast<uint8_t>(p.vuRefreshTime),
            static_cast<uint8_t>(p.alarmThreshold),
            static_cast<uint8_t>(p.numberBrightness),
            static_cast<uint8_t>(p.vuBrightness),
            static_cast<uint8_t>(p.autoBrightness),
            static_cast<uint8_t>(p.alarmShowTime),
            static_cast<uint8_t>(p.alarmResetTime),
            Level(nowMs),
        };
        return ReplyFrame(command, payload);
    }
    case RequestKind::SaveParameters:
        return SaveAndReply(current_, nowMs, note);
    case RequestKind::SelfCheck:
        // What the device's own display shows of its check.
        note = "self check: ok";
        break;
    case RequestKind::WriteParameters:
    case RequestKind::None:
        break;
    }
    return ReplyFrame(command, kDone);
}

DeviceOutcome TDeviceModel::Handle(std::span<const uint8_t> request, uint64_t nowMs)
{
    DeviceOutcome out;
    out.note = RequestProblem(request);
    if (!out.note.empty()) return out;
    out.accepted = true;
    const uint8_t command = request[3];
    if (command == static_cast<uint8_t>(RequestKind::WriteParameters)) {
        ParameterSet p;
        p.micInputType = request[4];
        p.micOffset = DecodeOffset(request[5]);
        p.vuRefreshTime = request[6];
        p.alarmThreshold = request[7];
        p.numberBrightness = request[8];
        p.vuBrightness = request[9];
        p.autoBrightness = request[10] != 0 ? 1 : 0;
        p.alarmShowTime = request[11];
        p.alarmResetTime = request[12];
        SetParameters(p);
        if (!(current_ == p)) out.note = "values held to their ranges";
    }
    // Each save rewrites the file and waits for the disk: hundreds of them
    // in a row are written as one, with the values of the last.
    if (command == static_cast<uint8_t>(RequestKind::SaveParameters) && !stateFile_.empty() &&
        (pendingSave_ || (lastSaveWriteMs_ && nowMs < *lastSaveWriteMs_ + kSaveIntervalMs))) {
        pendingSave_ = current_;
        out.deferred = true;
        out.note = "save waits for the state file's next write";
        return out;
    }
    out.reply = ReplyTo(command, nowMs, out.note);
    if (command == static_cast<uint8_t>(RequestKind::SelfCheck) ||
        command == static_cast<uint8_t>(RequestKind::SaveParameters))
        out.shown = out.note;
    ApplyFault(out);
    return out;
}

void TDeviceModel::ApplyFault(DeviceOutcome& out)
{
    auto& r = out.reply;
    const auto noted = [&](const std::string& what) {
        out.note = (out.note.empty() ? "" : out.note + "; ") + "fault " + FaultName(fault_) + ": " + what;
    };
    switch (fault_) {
    case FaultMode::Off:
        return;
    case FaultMode::Drop:
        r.clear();
        noted("reply dropped");
        return;
    case FaultMode::Garbage:
        for (auto& b : r)
            b = static_cast<uint8_t>(faultRng_());
        // Never a frame start, so no panel can mistake it for a reply.
        if (r[0] == kHeader1) r[0] = 0x00;
        noted("reply replaced by noise");
        return;
    case FaultMode::Short:
        r.resize(std::max<size_t>(1, r.size() / 2));
        noted("reply cut short");
        return;
    case FaultMode::BadChecksum:
        ++r.back();
        noted("checksum off by one");
        return;
    case FaultMode::Delay:
        out.delayMs = faultDelayMs_;
        noted("reply delayed " + std::to_string(faultDelayMs_) + " ms");
        return;
    }
}
