#include "ctl/linkdeviceport.h"

#include <cstdlib>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

uint16_t DevicePort()
{
    const char* text = std::getenv(kSimPortVariable);
    if (text && *text)
        if (auto p = ParsePort(text)) return *p;
    return kDefaultSimPort;
}

} // namespace

TLinkDevicePort::TLinkDevicePort() : client_({DevicePort, static_cast<uint32_t>(getpid()), {}}) {}

TDevicePort::TOpenResult TLinkDevicePort::Open()
{
    client_.SetTimeouts(kCtlWriteTimeoutMs, kCtlReadTimeoutMs);
    client_.SetExclusive(true);
    if (client_.Open()) return {TState::Opened, {}};
    // The device words its refusals; "busy: ..." is its answer when another
    // process holds it exclusively (at the greeting or at the open).
    std::string why = client_.LastRefusal();
    const bool busy = why.rfind("busy", 0) == 0;
    return {busy ? TState::Busy : TState::Absent, std::move(why)};
}

std::unique_ptr<TDevicePort> MakeDevicePort()
{
    return std::make_unique<TLinkDevicePort>();
}

void TLinkDevicePort::Close()
{
    client_.Close();
}

bool TLinkDevicePort::Write(std::span<const uint8_t> frame)
{
    return client_.Write(frame);
}

std::optional<size_t> TLinkDevicePort::Read(std::span<uint8_t> buffer)
{
    return client_.Read(buffer);
}
