#include "device/ch375library.h"

namespace {

constexpr char kLibraryName[] = "CH375DLL.DLL";

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
}

// The folder the chip maker's installer puts its library into. Only that
// folder is searched: never the current folder or PATH, where anybody could
// leave a library of that name.
HMODULE LoadFromSystemFolder()
{
    HMODULE module = LoadLibraryExA(kLibraryName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system without the search flags (Windows 7 before its loader
    // update): the same folder by its full path.
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, n) + "\\" + kLibraryName;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <class F> F Resolve(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

TCh375Library::TCh375Library() : path_(ProgramFolder() + kLibraryName) {}

bool TCh375Library::Load()
{
    if (module_) return true;
    // Beside the program first: ours, or the maker's put there by the user.
    // Its own folder is searched for what it needs in turn.
    if (Bind(TModule(LoadLibraryExA(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)))) return true;
    return Bind(TModule(LoadFromSystemFolder()));
}

bool TCh375Library::Bind(TModule module)
{
    if (!module) return false;
    HMODULE m = module.get();
    OpenDevice = Resolve<decltype(OpenDevice)>(m, "CH375OpenDevice");
    CloseDevice = Resolve<decltype(CloseDevice)>(m, "CH375CloseDevice");
    SetTimeout = Resolve<decltype(SetTimeout)>(m, "CH375SetTimeout");
    SetExclusive = Resolve<decltype(SetExclusive)>(m, "CH375SetExclusive");
    SetDeviceNotify = Resolve<decltype(SetDeviceNotify)>(m, "CH375SetDeviceNotify");
    WriteData = Resolve<decltype(WriteData)>(m, "CH375WriteData");
    ReadData = Resolve<decltype(ReadData)>(m, "CH375ReadData");
    // A library lacking any of them is not the one we talk to.
    if (!(OpenDevice && CloseDevice && SetTimeout && SetExclusive && SetDeviceNotify && WriteData &&
          ReadData)) {
        OpenDevice = nullptr;
        CloseDevice = nullptr;
        SetTimeout = nullptr;
        SetExclusive = nullptr;
        SetDeviceNotify = nullptr;
        WriteData = nullptr;
        ReadData = nullptr;
        return false;
    }
    loadedPath_ = ModulePath(m);
    module_ = std::move(module);
    return true;
}
