// Where DeviceLink finds CH375DLL.DLL: beside the program first, then in the
// system folder (where the chip maker's installer puts its library), and
// nowhere else. The scripted library and a library lacking the operations
// are copied into both places, case by case, and the calls are checked to
// reach the copy the link reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "device/devicelink.h"

namespace {

std::string Folder(HMODULE module)
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string SystemFolder()
{
    char path[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, n) + "\\";
}

// Windows paths compare without regard to case.
std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

enum class TCopy { None, Scripted, Lacking };

// Puts the libraries of one case in place and takes them away again, also
// when the case fails: a copy left in the system folder would be found by
// every later test.
class TPlacedLibraries {
public:
    TPlacedLibraries(TCopy beside, TCopy system)
    {
        Remove();
        Place(beside, Beside());
        Place(system, System());
    }
    ~TPlacedLibraries() { Remove(); }
    static std::string Beside() { return Folder(nullptr) + "CH375DLL.DLL"; }
    static std::string System() { return SystemFolder() + "CH375DLL.DLL"; }

private:
    static void Place(TCopy copy, const std::string& to)
    {
        if (copy == TCopy::None) return;
        const std::string from = Folder(nullptr) + (copy == TCopy::Scripted ? "..\\panel\\CH375DLL.DLL"
                                                                          : "lacking\\CH375DLL.DLL");
        ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
    }
    static void Remove()
    {
        DeleteFileA(Beside().c_str());
        DeleteFileA(System().c_str());
    }
};

// The calls the scripted library at that path has recorded.
std::string CallsAt(const std::string& path)
{
    HMODULE module = GetModuleHandleA(path.c_str());
    if (!module) return "(not loaded)";
    auto take = reinterpret_cast<int(__cdecl*)(char*, int)>(
        reinterpret_cast<void*>(GetProcAddress(module, "FakeTakeCalls")));
    if (!take) return "(not the scripted library)";
    char buffer[256] = {};
    take(buffer, sizeof buffer);
    return buffer;
}

struct TSearchCase {
    const char* name;
    TCopy beside;
    TCopy system;
    // Which copy the link should use; empty: none.
    std::string (*expected)();
};

std::string NoneFound() { return ""; }

const TSearchCase kCases[] = {
    {"nowhere", TCopy::None, TCopy::None, NoneFound},
    {"beside the program only", TCopy::Scripted, TCopy::None, TPlacedLibraries::Beside},
    {"in the system folder only", TCopy::None, TCopy::Scripted, TPlacedLibraries::System},
    {"in both: the program's own wins", TCopy::Scripted, TCopy::Scripted, TPlacedLibraries::Beside},
    {"a lacking one beside, a whole one in the system folder", TCopy::Lacking, TCopy::Scripted,
     TPlacedLibraries::System},
    {"a lacking one beside and none else", TCopy::Lacking, TCopy::None, NoneFound},
    {"a lacking one in the system folder", TCopy::None, TCopy::Lacking, NoneFound},
};

} // namespace

TEST(DeviceLinkSearch, FindsTheLibraryBesideTheProgramThenInTheSystemFolder)
{
    for (const TSearchCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TPlacedLibraries placed(c.beside, c.system);
        DeviceLink link({});
        const std::string expected = c.expected();
        if (expected.empty()) {
            EXPECT_FALSE(link.Available());
            EXPECT_FALSE(link.OpenDevice());
            // Nothing loaded: the path reported is where the panel looks first.
            EXPECT_EQ(Lower(link.LibraryPath()), Lower(TPlacedLibraries::Beside()));
            continue;
        }
        ASSERT_TRUE(link.Available());
        EXPECT_EQ(Lower(link.LibraryPath()), Lower(expected));
        EXPECT_FALSE(link.OpenDevice()); // the scripted library refuses until told otherwise
        EXPECT_EQ(CallsAt(link.LibraryPath()), "Open 0");
    }
}

TEST(DeviceLinkSearch, ALibraryInstalledAfterStartIsFoundOnTheNextLook)
{
    TPlacedLibraries none(TCopy::None, TCopy::None);
    std::unique_ptr<TPlacedLibraries> installed;
    DeviceLink link({});
    ASSERT_FALSE(link.Available());
    installed = std::make_unique<TPlacedLibraries>(TCopy::None, TCopy::Scripted);
    ASSERT_TRUE(link.Available());
    EXPECT_EQ(Lower(link.LibraryPath()), Lower(TPlacedLibraries::System()));
}
