// CH375DLL.DLL loaded at run time, from the program's own folder first and
// else from the system folder, where the chip vendor's installer puts its
// own; so either ours or the vendor's serves. Only a library with all seven
// operations is taken. Win32 only; the panel's DeviceLink and orvane-ctl.exe
// share it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ch375/ch375dll.h"

class TCh375Library {
public:
    TCh375Library();
    TCh375Library(const TCh375Library&) = delete;
    TCh375Library& operator=(const TCh375Library&) = delete;

    // True once loaded. A library that was missing is looked for again, so
    // one placed beside the program later is still found.
    bool Load();
    bool Loaded() const { return module_ != nullptr; }
    // The library in use, or (none loaded) the place looked at first.
    const std::string& Path() const { return module_ ? loadedPath_ : path_; }

    // Set only while loaded.
    decltype(&CH375OpenDevice) OpenDevice = nullptr;
    decltype(&CH375CloseDevice) CloseDevice = nullptr;
    decltype(&CH375SetTimeout) SetTimeout = nullptr;
    decltype(&CH375SetExclusive) SetExclusive = nullptr;
    decltype(&CH375SetDeviceNotify) SetDeviceNotify = nullptr;
    decltype(&CH375WriteData) WriteData = nullptr;
    decltype(&CH375ReadData) ReadData = nullptr;

private:
    struct TModuleFree {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    using TModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, TModuleFree>;

    bool Bind(TModule module);

    std::string path_;
    std::string loadedPath_;
    TModule module_;
};
