// The device over the link client: what the interface library does, without
// the library, so that the native program reaches the simulator directly.
// Portable.
#pragma once

#include "ctl/deviceport.h"
#include "link/linkclient.h"

class TLinkDevicePort : public TDevicePort {
public:
    TLinkDevicePort();
    TOpenResult Open() override;
    void Close() override;
    bool Write(std::span<const uint8_t> frame) override;
    std::optional<size_t> Read(std::span<uint8_t> buffer) override;

private:
    TLinkClient client_;
};
