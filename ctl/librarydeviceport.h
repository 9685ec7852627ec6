// The device through CH375DLL.DLL, ours or the chip maker's, loaded at run
// time as the panel loads it. Win32 only.
#pragma once

#include "ctl/deviceport.h"
#include "device/ch375library.h"

class TLibraryDevicePort : public TDevicePort {
public:
    TOpenResult Open() override;
    void Close() override;
    bool Write(std::span<const uint8_t> frame) override;
    std::optional<size_t> Read(std::span<uint8_t> buffer) override;

private:
    TCh375Library library_;
    bool open_ = false;
};
