#include "skinfiles/skinvalues.h"

#include "runtime/sysutils.h"

TColor strcolor(const std::string& text)
{
    int32_t rgb[3] = {0, 0, 0};
    int taken = 0;
    int32_t value = 0; // kept modulo 256 as the digits come, so long runs cannot overflow
    bool pending = false;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            value = (value * 10 + (ch - '0')) % 256;
            pending = true;
        } else if (pending) {
            if (taken < 3) rgb[taken] = value;
            ++taken;
            value = 0;
            pending = false;
        }
    }
    if (pending && taken == 2) rgb[2] = value;
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

TColor GetColor(const std::string& text, TColor def)
{
    return text.empty() ? def : strcolor(text);
}

bool ReadRGB(const TQuickIni& ini, const std::string& section, const std::string& base, TColor& color)
{
    const int32_t r = ini.ReadInteger(section, base + "R", -1);
    const int32_t g = ini.ReadInteger(section, base + "G", -1);
    const int32_t b = ini.ReadInteger(section, base + "B", -1);
    if (r < 0 || g < 0 || b < 0) return false;
    color = (r % 256) | ((g % 256) << 8) | ((b % 256) << 16);
    return true;
}

std::string SkinImageName(const std::string& reference)
{
    const size_t slash = reference.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? reference : reference.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot, std::string::npos, ".bmp") != 0) return "";
    return name;
}

namespace {

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

bool IsSysButtonSection(const TQuickIni& ini, const std::string& section)
{
    const std::string upper = UpperCase(section);
    if (!StartsWith(upper, "BUTTON")) return false;
    if (upper == "BUTTONS" || upper == "BUTTON.RADIO" || upper == "BUTTON.CHECKBOX" || upper == "BUTTON")
        return false;
    // A button that does nothing and is not explicitly hidden is no button.
    return !(ini.ReadInteger(section, "Action", 0) == -1 && ini.ReadInteger(section, "Visibility", -1) != 0);
}

} // namespace

std::vector<TSysButtonSpec> ReadSysButtonSpecs(const TQuickIni& ini)
{
    TStringList sections;
    ini.ReadSections(sections);
    std::vector<TSysButtonSpec> result;
    bool haveMaxPlace = false;
    int32_t maxX = 0, maxY = 0;
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string section = sections[i];
        if (!IsSysButtonSection(ini, section)) continue;
        TSysButtonSpec b;
        b.Section = section;
        b.Name = UpperCase(section);
        b.Action = ini.ReadInteger(section, "Action", 0);
        b.Align = ini.ReadInteger(section, "Align", 0);
        b.Xcoord = ini.ReadInteger(section, "Xcoord", 0);
        b.Ycoord = ini.ReadInteger(section, "Ycoord", 0);
        b.Visibility = ini.ReadInteger(section, "Visibility", 0);
        b.Visibility1 = ini.ReadInteger(section, "Visibility1", b.Action == -1 ? -1 : 0);
        // The help button sits where the maximize button would be when the
        // window cannot be maximized.
        if (b.Action == 1 && b.Visibility == 2) {
            haveMaxPlace = true;
            maxX = b.Xcoord;
            maxY = b.Ycoord;
        } else if (b.Action == 4 && haveMaxPlace) {
            b.Xcoord = maxX;
            b.Ycoord = maxY;
        }
        b.CombineOp = ini.ReadInteger(section, "CombineOp", -1);
        b.Frame = ini.ReadInteger(section, "frame", 0);
        b.ImageRef = ini.ReadString(section, "ButtonImage", "");
        result.push_back(std::move(b));
    }
    return result;
}

int32_t SysButtonFrames(int32_t frame, int32_t imageWidth, int32_t imageHeight, int32_t action,
                        bool& clearImage)
{
    clearImage = false;
    if (frame != 0) return frame;
    frame = 6;
    if (imageWidth > 0 && imageHeight > 0)
        frame = static_cast<double>(imageWidth) / imageHeight <= 3.8 ? 3 : 6;
    if (action < 0) frame = 6;
    clearImage = action == 3 || action == 11;
    return frame;
}

int32_t CheckFrames(int32_t frame, int32_t imageWidth, int32_t imageHeight)
{
    if (frame != 0) return frame;
    const int32_t guessed = imageWidth / (imageHeight < 16 ? 13 : 16);
    return guessed < 4 ? 4 : guessed;
}

std::vector<std::string> PreColorSections(const TQuickIni& ini)
{
    TStringList sections;
    ini.ReadSections(sections);
    std::vector<std::string> result;
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string upper = UpperCase(sections[i]);
        if (StartsWith(upper, "COLOUR") && upper != "COLOURS") result.push_back(sections[i]);
    }
    return result;
}
