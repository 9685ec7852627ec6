#include "panel/aboutbox.h"

#include <windows.h>

#include <vector>

#include "runtime/version.h"

namespace {

// The library's own ProductName, read through its first translation.
std::string ProductName(const std::string& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return "";
    struct Translation {
        WORD language, codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return "";
    char key[64];
    wsprintfA(key, "\\StringFileInfo\\%04x%04x\\ProductName", translations->language, translations->codePage);
    char* value = nullptr;
    if (!VerQueryValueA(data.data(), key, reinterpret_cast<void**>(&value), &length) || !value) return "";
    return std::string(value);
}

} // namespace

std::string LibraryOrigin(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "";
    return ProductName(path) == "Orvane Panel" ? "ours" : "the chip maker's";
}

std::string AboutText(const std::string& libraryPath, bool libraryLoaded)
{
    std::string text = std::string("Orvane Panel ") + OrvaneVersion() +
                       "\n\nThe configuration panel of the Orvane sound-level display.\n" + "Licence: " +
                       OrvaneLicence() + " (see the LICENSE file that came with it).\n\n";
    if (libraryLoaded) {
        const std::string origin = LibraryOrigin(libraryPath);
        text += "USB interface library in use: " + (origin.empty() ? std::string("unknown") : origin) + "\n" +
                libraryPath;
        if (origin == "ours") text += "\n(it reaches the device simulator, orvane-sim, over the loopback network)";
    } else {
        text += "USB interface library: not found\n(looked for " + libraryPath + ")";
    }
    return text;
}
