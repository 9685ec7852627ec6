// The simulated sound-level display: its nine parameters, the ones it has
// saved, the sound it hears and how it answers each request. Portable and
// free of sockets and clocks: the caller passes the time in, so tests can
// drive it step by step.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "device/parameterset.h"

// The device's own starting parameters when it has saved none: the panel's
// defaults, with the refresh time held inside its range.
ParameterSet FactoryParameters();
ParameterSet ClampParameters(const ParameterSet& p);

// Saved parameters as "name=value" lines. Reading gives nothing and a reason
// for anything that is not exactly a complete, in-range set.
std::string FormatParameterFile(const ParameterSet& p);
std::optional<ParameterSet> ParseParameterFile(const std::string& text, std::string& problem);

// A slow random walk between 40 and 100 dB with now and then a loud event
// that dies away over a couple of seconds. Advances in 100 ms steps.
class TSoundSource {
public:
    explicit TSoundSource(uint32_t seed);
    double LevelAt(uint64_t nowMs);

private:
    void Step();
    double Uniform(); // 0 <= x < 1

    std::mt19937 rng_;
    double base_ = 62.0;
    double peak_ = 0.0;
    std::optional<uint64_t> lastMs_;
};

enum class FaultMode { Off, Drop, Garbage, Short, BadChecksum, Delay };

// What the device does with one request.
struct DeviceOutcome {
    bool accepted = false;      // false: not a request this device knows; ignored
    std::string note;           // why it was ignored, or what a fault did to the reply
    std::string shown;          // what the device itself shows: a self check's result, a save
    std::vector<uint8_t> reply; // empty: nothing is sent
    int delayMs = 0;
    // A save that waits for the state file's next write: no reply yet,
    // FinishSave gives it.
    bool deferred = false;
};

// The state file is rewritten (and flushed to the disk) at most this often.
inline constexpr uint64_t kSaveIntervalMs = 250;

class TDeviceModel {
public:
    // Reads the saved parameters from stateFile (may be empty: nothing is
    // kept). A missing file gives the factory parameters silently; a damaged
    // one gives them with a warning.
    TDeviceModel(std::string stateFile, uint32_t seed);

    const std::string& LoadWarning() const { return loadWarning_; }
    const std::string& StateFile() const { return stateFile_; }

    DeviceOutcome Handle(std::span<const uint8_t> request, uint64_t nowMs);

    const ParameterSet& Parameters() const { return current_; }
    const ParameterSet& SavedParameters() const { return saved_; }
    void SetParameters(const ParameterSet& p) { current_ = ClampParameters(p); }

    // A save asked for within kSaveIntervalMs of the state file's last
    // write waits (Handle returns it deferred); saves asked for meanwhile
    // join it, and FinishSave writes the values held when the last of them
    // was asked for, once SaveDueMs has come. Its outcome answers each of
    // them.
    std::optional<uint64_t> SaveDueMs() const;
    DeviceOutcome FinishSave(uint64_t nowMs);

    // The reading (dB after weighting and offset, or an error code) and the
    // level bar as a poll at nowMs reports them.
    uint8_t Reading(uint64_t nowMs);
    uint8_t Level(uint64_t nowMs);
    void ForceReading(uint8_t value) { forcedReading_ = value; }
    void ReleaseReading() { forcedReading_.reset(); }
    void ForceLevel(uint8_t value) { forcedLevel_ = value; }
    void ReleaseLevel() { forcedLevel_.reset(); }

    // The alarm follows the threshold, shows for at least the show time and
    // cannot sound again within the reset time after it ended.
    bool AlarmOn(uint64_t nowMs);

    void SetFault(FaultMode mode, int delayMs = 0);
    FaultMode Fault() const { return fault_; }
    int FaultDelayMs() const { return faultDelayMs_; }

private:
    std::vector<uint8_t> ReplyTo(uint8_t command, uint64_t nowMs, std::string& note);
    std::vector<uint8_t> SaveAndReply(const ParameterSet& values, uint64_t nowMs, std::string& note);
    bool Save(const ParameterSet& values, std::string& error);
    void ApplyFault(DeviceOutcome& out);

    std::string stateFile_;
    std::string loadWarning_;
    ParameterSet saved_;
    ParameterSet current_;
    TSoundSource sound_;
    std::mt19937 faultRng_;
    std::optional<uint8_t> forcedReading_;
    std::optional<uint8_t> forcedLevel_;
    FaultMode fault_ = FaultMode::Off;
    int faultDelayMs_ = 0;
    bool alarm_ = false;
    std::optional<uint64_t> lastSaveWriteMs_;
    std::optional<ParameterSet> pendingSave_;
    uint64_t alarmSince_ = 0;
    std::optional<uint64_t> alarmEnded_;
};

// Why a request is not one the device takes, or empty when it is. The device
// knows the four requests with exactly their lengths and a right checksum.
std::string RequestProblem(std::span<const uint8_t> request);

// Bytes of a device reply: EB 91, L, command, payload, checksum.
std::vector<uint8_t> ReplyFrame(uint8_t command, std::span<const uint8_t> payload);
