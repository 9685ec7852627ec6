// Skin loading reads every setting through the ini store's lookups; this
// measures how many a skin-sized ini answers per second, and what the
// loader's reading of system buttons costs on an ini of 40,000 sections (a
// skin from a stranger), where each lookup once scanned every section.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "skinfiles/skinvalues.h"
#include "skinfiles/winskinini.h"

namespace {

const char* const kSectionNames[] = {
    "Buttons",    "Colours",  "Title",     "Borders",   "SysButtons", "Menu",      "MenuBar",   "Edit",
    "SpinButton", "CheckBox", "RadioBtn",  "GroupBox",  "Panel",      "ScrollBar", "ToolBar",   "Caption",
    "Minimize",   "Maximize", "Restore",   "Close",     "Help",       "FormLeft",  "FormRight", "FormTop",
    "FormBottom", "Track",    "TrackVert", "Thumb",     "ThumbVert",  "ArrowUp",   "ArrowDown", "ArrowLeft",
    "ArrowRight", "MenuItem", "MenuCheck", "Separator", "Header",     "StatusBar", "Tab",       "ProgressBar",
};
const char* const kKeys[] = {"Bitmap", "Trans", "Left", "Top", "Right", "Bottom", "Frames", "Align", "Color"};

struct Lookup {
    std::string section;
    std::string ident;
    bool integer;
};

struct SkinIni {
    TQuickIni ini;
    std::vector<Lookup> lookups;

    SkinIni()
    {
        std::string text = "; generated skin\r\n";
        for (const char* section : kSectionNames) {
            text += "[" + std::string(section) + "]\r\n";
            for (const char* key : kKeys) {
                const bool integer = std::string(key) != "Bitmap";
                text += std::string(key) + " = " +
                        (integer ? std::to_string(text.size() % 97) : std::string(section) + ".bmp") + "\r\n";
                // Looked up with the case the skin loader uses, which differs from the file's.
                lookups.push_back({section, LowerCase(key), integer});
            }
        }
        lookups.push_back({"Missing", "bitmap", false});
        TMemoryStream s;
        s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        s.SetPosition(0);
        ini.LoadFromStream(&s);
    }
};

void BM_IniLookups(benchmark::State& state)
{
    const SkinIni skin;
    int64_t sum = 0;
    for (auto _ : state) {
        for (const Lookup& l : skin.lookups) {
            if (l.integer)
                sum += skin.ini.ReadInteger(l.section, l.ident, 0);
            else
                sum += static_cast<int64_t>(skin.ini.ReadString(l.section, l.ident, "").size());
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(skin.lookups.size()));
    state.counters["lines"] = skin.ini.Lines().Count();
}
BENCHMARK(BM_IniLookups);

void BM_IniLoad(benchmark::State& state)
{
    const SkinIni skin;
    TMemoryStream text;
    skin.ini.SaveToStream(&text);
    for (auto _ : state) {
        TQuickIni ini;
        text.SetPosition(0);
        ini.LoadFromStream(&text);
        benchmark::DoNotOptimize(ini.Lines().Count());
    }
    state.SetBytesProcessed(state.iterations() * text.GetSize());
}
BENCHMARK(BM_IniLoad);

// The system-button reading of the skin loader over `sections` sections named
// like buttons, each with the keys the loader asks for: about a dozen
// lookups per section, every one of them through the section index.
void BM_SysButtonsOfManySections(benchmark::State& state)
{
    const int sections = static_cast<int>(state.range(0));
    std::string text;
    for (int i = 0; i < sections; ++i)
        text += "[Button" + std::to_string(i) + "]\r\nAction=" + std::to_string(i % 5) +
                "\r\nXcoord=" + std::to_string(i % 300) + "\r\nButtonImage=b" + std::to_string(i) +
                ".bmp\r\n";
    TMemoryStream s;
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    for (auto _ : state) {
        s.SetPosition(0);
        TQuickIni ini;
        ini.LoadFromStream(&s);
        benchmark::DoNotOptimize(ReadSysButtonSpecs(ini).size());
    }
    state.SetItemsProcessed(state.iterations() * sections);
    state.counters["ini_kb"] = static_cast<double>(text.size()) / 1024;
}
BENCHMARK(BM_SysButtonsOfManySections)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace
