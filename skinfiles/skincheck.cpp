#include "skinfiles/skincheck.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <tuple>

#include "runtime/bmpcodec.h"
#include "runtime/sysutils.h"
#include "skinfiles/skinvalues.h"
#include "skinfiles/winskinini.h"

namespace {

constexpr uint32_t kKey = 0xFF00FF;

// An image as the loader uses it: where the ini names it and how the
// engine cuts it up.
struct TImageUse {
    std::string Section, Key, Reference;
    int32_t Frames = 0; // 0: not cut into frames the check can know
    bool Vertical = false;
    std::optional<TSkinEdges> Margins;
    // Counts the engine takes from the image's size (a system button's,
    // a check box's): the frames for a width and a height.
    std::function<int32_t(int32_t, int32_t)> FramesOfSize = nullptr;
};

class TSkinChecker {
public:
    explicit TSkinChecker(const TSkinFiles& files) : files_(files) {}

    std::vector<std::string> Run()
    {
        std::string iniName;
        for (const auto& [name, data] : files_)
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ini") == 0) {
                iniName = name;
                break;
            }
        if (iniName.empty()) {
            problems_.push_back("(skin): holds no .ini file; the panel would refuse it");
            return problems_;
        }
        iniName_ = iniName;
        const std::vector<uint8_t>& text = files_.at(iniName);
        TMemoryStream stream;
        if (!text.empty()) stream.Write(text.data(), static_cast<int64_t>(text.size()));
        stream.SetPosition(0);
        ini_.LoadFromStream(&stream);
        ini_.LogReadsInto(&log_);
        const TSkinIniValues v = ReadSkinIni(ini_);
        ini_.LogReadsInto(nullptr);

        CheckLines();
        // Of the images only the caption's pixels are looked at again.
        if (v.Borders[2].Trans != 0) keepPixelsOf_ = LowerCase(SkinImageName(v.Borders[2].Image));
        for (const TImageUse& use : Uses(v))
            CheckImage(use);
        if (!budgetSpent_) CheckBorders(v);
        return problems_;
    }

private:
    void Report(const std::string& file, const std::string& section, const std::string& key,
                const std::string& what)
    {
        problems_.push_back(file + ": [" + section + "]" + (key.empty() ? "" : " " + key) + ": " + what);
    }

    // ------------------------------------------------------------------
    // The ini's own lines: what is never read, and values out of range.

    void CheckLines()
    {
        std::set<std::string> readSections, seenSections;
        for (const auto& [section, key] : log_.Keys)
            readSections.insert(section);
        std::set<std::string> info;
        for (const char* s : kSkinInfoSections)
            info.insert(LowerCase(s));

        std::string section, sectionLower;
        bool reported = false, repeated = false;
        std::set<std::string> keys;
        const TStringList& lines = ini_.Lines();
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string line = lines[i];
            if (TQuickIni::IsSection(line)) {
                section = Trim(line.substr(1, line.size() - 2));
                sectionLower = LowerCase(section);
                keys.clear();
                repeated = !seenSections.insert(sectionLower).second;
                reported = false;
                if (info.count(sectionLower)) continue;
                if (repeated) {
                    Report(iniName_, section, "", "a second section of this name; only the first is read");
                    reported = true;
                } else if (!readSections.count(sectionLower)) {
                    Report(iniName_, section, "", "a section the skin loading never reads");
                    reported = true;
                }
                continue;
            }
            const std::string name = TQuickIni::GetName(line);
            if (name.empty() || section.empty() || reported || info.count(sectionLower)) continue;
            const std::string key = Trim(line.substr(0, line.find('=')));
            const std::string value = TQuickIni::GetValue(line, name);
            if (!keys.insert(name).second) {
                Report(iniName_, section, key, "given again; only the first is read");
            } else if (!log_.Keys.count({sectionLower, name})) {
                Report(iniName_, section, key, "a key the skin loading never reads");
            } else if (log_.Integers.count({sectionLower, name})) {
                CheckInteger(section, key, value);
            } else if (IsColourKey(sectionLower, name)) {
                CheckColour(section, key, value);
            }
        }
    }

    void CheckInteger(const std::string& section, const std::string& key, const std::string& value)
    {
        if (value.empty()) return;
        std::string s = value;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
        int32_t n = 0;
        if (!TryStrToInt(s, n))
            Report(iniName_, section, key, "\"" + value + "\" is not a whole number; the default is used");
        else if (n < -kSkinMaxExtent || n > kSkinMaxExtent)
            Report(iniName_, section, key,
                   value + " is out of range; the skin loading holds it at " + IntToStr(ClampExtent(n)));
    }

    static bool IsColourKey(const std::string& section, const std::string& key)
    {
        return section == "colours" || key == "color" ||
               (key.size() > 7 && key.compare(key.size() - 7, 7, "colour2") == 0);
    }

    // Three numbers 0..255; the loading would take each modulo 256.
    void CheckColour(const std::string& section, const std::string& key, const std::string& value)
    {
        std::vector<int64_t> numbers;
        bool inNumber = false;
        for (char c : value) {
            if (c >= '0' && c <= '9') {
                if (!inNumber) numbers.push_back(0);
                int64_t& n = numbers.back();
                if (n < 100000) n = n * 10 + (c - '0');
                inNumber = true;
            } else {
                inNumber = false;
            }
        }
        if (numbers.size() != 3) {
            Report(iniName_, section, key, "\"" + value + "\" is not three numbers for red, green and blue");
            return;
        }
        for (int64_t n : numbers)
            if (n > 255) {
                Report(iniName_, section, key,
                       "\"" + value + "\" is out of range; each of red, green and blue is 0 to 255");
                return;
            }
    }

    // ------------------------------------------------------------------
    // Images

    std::vector<TImageUse> Uses(const TSkinIniValues& v)
    {
        std::vector<TImageUse> uses;
        for (size_t i = 0; i < v.Borders.size(); ++i) {
            const std::string side = kSkinBorderSides[i];
            uses.push_back({"Personality", side, v.Borders[i].Image, v.Borders[i].Frame,
                            side == "Top" || side == "Bottom", v.Borders[i].Margins});
        }
        for (const TSysButtonSpec& b : v.SysButtons) {
            TImageUse use{b.Section, "ButtonImage", b.ImageRef, b.Frame, false, std::nullopt};
            // A count the ini leaves open is guessed from the image's shape.
            if (b.Frame == 0)
                use.FramesOfSize = [action = b.Action](int32_t w, int32_t h) {
                    bool clear = false;
                    return SysButtonFrames(0, w, h, action, clear);
                };
            uses.push_back(std::move(use));
        }
        uses.push_back({"Buttons", "Bitmap", v.Button.Image, 5, false, v.Button.Margins});
        for (const auto& [key, ref, given] :
             {std::tuple{"CheckButton", v.Button.CheckImage, v.Button.CheckFrame},
              std::tuple{"RadioButton", v.Button.RadioImage, v.Button.RadioFrame}}) {
            TImageUse use{"Buttons", key, ref, given, false, std::nullopt};
            use.FramesOfSize = [given = given](int32_t w, int32_t h) { return CheckFrames(given, w, h); };
            uses.push_back(std::move(use));
        }
        uses.push_back({"Personality", "TextBack", v.Title.Image, 2, false, std::nullopt});
        uses.push_back({"Progress", "Bitmap", v.Progress.Image, v.Progress.Style == 0 ? 2 : 1, false,
                        v.Progress.Margins});
        uses.push_back({"Personality", "menuBar", v.MenuBar.Image, 2, false, v.MenuBar.Margins});
        uses.push_back({"GroupBox", "Image", v.GroupBox.Image, 1, false, v.GroupBox.Margins});
        uses.push_back({"MDICONTROLS", "Image", v.MdiImage, 0, false, std::nullopt});
        for (const TSkinIniObject& o : v.Objects) {
            uses.push_back(
                {o.Rule->Section, "Image", o.Values.Image, o.Values.Frame, false, o.Values.Margins});
            if (o.Rule->Image2Key) {
                const bool glyphs = std::string(o.Rule->Image2Key) == "GlyphImage";
                uses.push_back({o.Rule->Section, o.Rule->Image2Key, o.Values.Image2,
                                glyphs ? o.Values.Frame : 0, false, std::nullopt});
            }
        }
        return uses;
    }

    // The image a reference names as already read, or null (missing,
    // unreadable, not read yet). Its pixels are kept only for the caption.
    const TBmpImage* Image(const std::string& reference) const
    {
        const auto it = images_.find(LowerCase(SkinImageName(reference)));
        return it != images_.end() && it->second ? &*it->second : nullptr;
    }

    // The image for one more use, paid for from the budget the panel has
    // for all images of a skin together: it reads the image again at each
    // use. Null when it cannot be read; once the budget is spent, its line
    // is reported and nothing more is read.
    const TBmpImage* Use(const TImageUse& use, const std::string& name)
    {
        const std::vector<uint8_t>& bytes = files_.at(name);
        const auto decode = [&](int64_t limit) {
            return DecodeBmp(std::span(bytes.data(), bytes.size()), limit);
        };
        auto it = images_.find(name);
        if (it == images_.end()) {
            std::optional<TBmpImage> image;
            try {
                image = decode(std::max<int64_t>(pixelsLeft_, 0));
            } catch (const Exception& e) {
                // Readable on a budget of its own: it is the skin's images
                // together that the panel refuses.
                bool fitsAlone = false;
                if (pixelsLeft_ < kSkinPixelBudget) try {
                        fitsAlone = decode(kSkinPixelBudget).Width > 0;
                    } catch (const Exception&) {
                    }
                if (fitsAlone) {
                    BudgetSpent(use, name, e.Message);
                    return nullptr;
                }
                decodeErrors_[name] = e.Message;
            }
            if (image && name != keepPixelsOf_) {
                std::vector<uint32_t>().swap(image->Pixels);
                std::vector<uint32_t>().swap(image->Palette);
            }
            it = images_.emplace(name, std::move(image)).first;
            if (it->second) pixelsLeft_ -= int64_t{it->second->Width} * it->second->Height;
            return it->second ? &*it->second : nullptr;
        }
        if (!it->second) return nullptr;
        const int64_t pixels = int64_t{it->second->Width} * it->second->Height;
        if (pixels > pixelsLeft_) {
            BudgetSpent(use, name,
                        "its " + IntToStr(it->second->Width) + " x " + IntToStr(it->second->Height) +
                            " pixels, read again here, are more than the " +
                            std::to_string(std::max<int64_t>(pixelsLeft_, 0)) + " left");
            return nullptr;
        }
        pixelsLeft_ -= pixels;
        return &*it->second;
    }

    void BudgetSpent(const TImageUse& use, const std::string& name, const std::string& why)
    {
        Report(name, use.Section, use.Key,
               "cannot be read: " + why + "; the images of a skin may hold " +
                   std::to_string(kSkinPixelBudget) + " pixels in all, and the panel would refuse the skin");
        budgetSpent_ = true;
    }

    void CheckImage(const TImageUse& use)
    {
        if (use.Reference.empty() || budgetSpent_) return;
        const std::string key = use.Key + "=" + use.Reference;
        const std::string name = LowerCase(SkinImageName(use.Reference));
        if (name.empty()) {
            Report(iniName_, use.Section, key,
                   "the skin loading reads only names ending in \".bmp\" in lower case");
            return;
        }
        if (!files_.count(name)) {
            Report(iniName_, use.Section, key, "the skin holds no such bitmap");
            return;
        }
        const TBmpImage* image = Use(use, name);
        if (!image) {
            if (!budgetSpent_) Report(name, use.Section, use.Key, "cannot be read: " + decodeErrors_[name]);
            return;
        }
        if (image->BitCount != 24)
            Report(name, use.Section, use.Key,
                   "a " + IntToStr(image->BitCount) + "-bit bitmap; skin images are 24-bit BMPs");
        const int32_t frames = use.FramesOfSize ? use.FramesOfSize(image->Width, image->Height) : use.Frames;
        if (frames < 0) {
            Report(iniName_, use.Section, use.Key, "a frame count below 0");
            return;
        }
        if (frames == 0) return;
        const int32_t extent = use.Vertical ? image->Height : image->Width;
        if (extent % frames != 0) {
            Report(name, use.Section, use.Key,
                   std::string(use.Vertical ? "height " : "width ") + IntToStr(extent) +
                       " is not a multiple of its " + IntToStr(frames) + " frames");
            return;
        }
        if (!use.Margins) return;
        const TSkinEdges& m = *use.Margins;
        const int32_t fw = use.Vertical ? image->Width : image->Width / frames;
        const int32_t fh = use.Vertical ? image->Height / frames : image->Height;
        if (m.Left < 0 || m.Top < 0 || m.Right < 0 || m.Bottom < 0)
            Report(iniName_, use.Section, use.Key, "a margin below 0");
        else if (m.Left + m.Right > fw)
            Report(name, use.Section, use.Key,
                   "margins left " + IntToStr(m.Left) + " and right " + IntToStr(m.Right) +
                       " are wider than a frame (" + IntToStr(fw) + ")");
        else if (m.Top + m.Bottom > fh)
            Report(name, use.Section, use.Key,
                   "margins top " + IntToStr(m.Top) + " and bottom " + IntToStr(m.Bottom) +
                       " are higher than a frame (" + IntToStr(fh) + ")");
    }

    // ------------------------------------------------------------------
    // The four borders together

    void CheckBorders(const TSkinIniValues& v)
    {
        const TBmpImage* img[4];
        int32_t fw[4], fh[4];
        for (size_t i = 0; i < 4; ++i) {
            img[i] = Image(v.Borders[i].Image);
            const int32_t frames = v.Borders[i].Frame;
            if (!img[i] || frames <= 0) return; // told about above
            const bool vertical = i >= 2;
            fw[i] = vertical ? img[i]->Width : img[i]->Width / frames;
            fh[i] = vertical ? img[i]->Height / frames : img[i]->Height;
        }
        const std::string both = "Left, Right";
        auto differ = [&](const std::string& keys, const std::string& what, int32_t a, int32_t b) {
            if (a != b)
                Report(iniName_, "Personality", keys,
                       what + " differ: " + IntToStr(a) + " and " + IntToStr(b));
        };
        if (v.Borders[0].Frame != v.Borders[1].Frame || v.Borders[0].Frame != v.Borders[2].Frame ||
            v.Borders[0].Frame != v.Borders[3].Frame)
            Report(iniName_, "Personality", "LeftFrame, RightFrame, TopFrame, BottomFrame",
                   "the borders have different frame counts");
        differ(both, "the side borders' widths", fw[0], fw[1]);
        differ(both, "the side borders' heights", fh[0], fh[1]);
        differ("Top, Bottom", "the top and bottom borders' widths", fw[2], fw[3]);
        // The sides' unstretched ends line up with the caption and the bottom.
        differ("LeftTopHeight, Top", "the left border's top end and the caption's height",
               v.Borders[0].Margins.Top, fh[2]);
        differ("RightTopHeight, Top", "the right border's top end and the caption's height",
               v.Borders[1].Margins.Top, fh[2]);
        differ("LeftBotHeight, Bottom", "the left border's bottom end and the bottom border's height",
               v.Borders[0].Margins.Bottom, fh[3]);
        differ("RightBotHeight, Bottom", "the right border's bottom end and the bottom border's height",
               v.Borders[1].Margins.Bottom, fh[3]);

        // A see-through caption cuts the window's region at its outer corners.
        if (v.Borders[2].Trans == 0) return;
        const std::string name = LowerCase(SkinImageName(v.Borders[2].Image));
        for (int32_t f = 0; f < v.Borders[2].Frame; ++f) {
            const int32_t top = f * fh[2];
            if ((img[2]->Pixel(0, top) & 0xFFFFFF) != kKey ||
                (img[2]->Pixel(fw[2] - 1, top) & 0xFFFFFF) != kKey) {
                Report(name, "Personality", "TopTrans",
                       "frame " + IntToStr(f + 1) +
                           " has no key colour (255 0 255) in its upper corners; the window keeps square "
                           "corners");
                return;
            }
        }
    }

    const TSkinFiles& files_;
    std::string iniName_;
    TQuickIni ini_;
    TIniReadLog log_;
    std::map<std::string, std::optional<TBmpImage>> images_;
    std::map<std::string, std::string> decodeErrors_;
    std::string keepPixelsOf_;
    int64_t pixelsLeft_ = kSkinPixelBudget;
    bool budgetSpent_ = false;
    std::vector<std::string> problems_;
};

} // namespace

std::vector<std::string> CheckSkin(const TSkinFiles& files)
{
    return TSkinChecker(files).Run();
}
