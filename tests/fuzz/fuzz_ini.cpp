// Any skin ini text must load, and reading and editing it with names taken
// from that same text must keep the section index in step with the lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skinfiles/winskinini.h"

namespace {

void CheckIndex(const TQuickIni& ini)
{
    const TStringList& sections = ini.Sections();
    for (int i = 0; i < sections.Count(); ++i) {
        const intptr_t line = sections.Objects(i);
        if (line < 0 || line >= ini.Lines().Count()) __builtin_trap();
        if (Trim(ini.Lines().Get(static_cast<int>(line))) != sections.Get(i)) __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);

    TQuickIni ini;
    ini.LoadFromStream(&stream);
    CheckIndex(ini);

    TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count() && i < 8; ++i) {
        const std::string section = sections.Get(i);
        const int lines = ini.Lines().Count();
        // A key name from some line of the text, if there is one.
        const std::string ident = lines > 0 ? TQuickIni::GetName(ini.Lines().Get((i * 7) % lines)) : "";
        ini.ReadString(section, ident, "def");
        ini.ReadInteger(section, ident, -1);
        ini.ReadBool(section, ident, true);
        TStringList keys;
        ini.ReadSection(section, keys);

        ini.WriteString(section, ident.empty() ? "k" : ident, "v");
        CheckIndex(ini);
        if (ini.ReadString(section, ident.empty() ? "k" : ident, "") != "v" &&
            ini.GetSectionIndex(section) >= 0)
            __builtin_trap();
        if (i % 3 == 2) {
            ini.EraseSection(section);
            CheckIndex(ini);
        }
        if (i % 4 == 1) {
            ini.DeleteKey(section, ident);
            CheckIndex(ini);
        }
    }
    TMemoryStream saved;
    ini.SaveToStream(&saved);
    return 0;
}
