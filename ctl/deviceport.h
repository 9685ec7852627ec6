// The device as orvane-ctl sees it: open, one frame out, one frame back,
// close. Two implementations: the link client directly (native) and the
// interface library loaded at run time (Windows), so that every command and
// every line it prints is one piece of code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

class TDevicePort {
public:
    enum class TState { Opened, Absent, Busy };
    struct TOpenResult {
        TState state = TState::Absent;
        // What the device or the library said, when it said anything.
        std::string detail;
    };

    virtual ~TDevicePort() = default;
    // Opens the device and claims it for this program alone, so that no
    // other program's replies can be taken for ours. A claim the device
    // refuses leaves it open, shared.
    virtual TOpenResult Open() = 0;
    virtual void Close() = 0;
    virtual bool Write(std::span<const uint8_t> frame) = 0;
    // The next reply, or nothing when none came in time.
    virtual std::optional<size_t> Read(std::span<uint8_t> buffer) = 0;
};

// The program's way to the device: the link client natively, the interface
// library in the .exe. Each build links one definition.
std::unique_ptr<TDevicePort> MakeDevicePort();

// How long a request and its reply may take. A reply later than this counts
// as none: scripts would rather hear "no answer" than wait.
inline constexpr uint32_t kCtlWriteTimeoutMs = 1000;
inline constexpr uint32_t kCtlReadTimeoutMs = 1500;
