#include "skinfiles/skinpackage.h"

#include <algorithm>
#include <filesystem>
#include <limits>

#include "runtime/sysutils.h"
#include "skinfiles/winconvert.h"

int SkinFormatFiller(int32_t formatId)
{
    switch (formatId) {
    case 20000:
        return 0;
    case 30000:
        return 256;
    case 40000:
        return 80;
    case 50000:
        return 48;
    case 60000:
        return 117;
    case 70000:
        return 69;
    default:
        return -1;
    }
}

void TSkinPackageWriter::Add(const std::string& name, std::vector<uint8_t> data)
{
    if (name.find_first_of("\r\n") != std::string::npos)
        throw Exception("A file name in a skin package cannot hold a line break");
    if (files_.size() >= kSkinMaxFiles)
        throw Exception("A skin package holds at most " + IntToStr(kSkinMaxFiles) + " files");
    if (data.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw Exception("File \"" + name + "\" is too large for a skin package");
    files_.push_back({name, std::move(data)});
}

void TSkinPackageWriter::SaveUnpacked(TStream& dest, int32_t formatId) const
{
    const int filler = SkinFormatFiller(formatId);
    if (filler < 0) throw Exception("Unknown skin package format " + IntToStr(formatId));

    std::string names;
    int64_t dataSize = 0;
    for (const TSkinPackageFile& f : files_) {
        names += f.Name + "\r\n";
        dataSize += static_cast<int64_t>(f.Data.size());
    }
    const int64_t total = kSkinHeaderSize + filler + static_cast<int64_t>(names.size()) +
                          4 * static_cast<int64_t>(files_.size()) + dataSize;
    // The packed form's size prefix is a signed 32-bit count.
    if (total > std::numeric_limits<int32_t>::max()) throw Exception("Skin package too large");

    dest.WriteInt32(formatId);
    dest.WriteInt32(static_cast<int32_t>(names.size()));
    const std::vector<uint8_t> zeros(static_cast<size_t>(8 + filler), 0);
    dest.WriteBuffer(zeros.data(), static_cast<int64_t>(zeros.size()));
    dest.WriteBuffer(names.data(), static_cast<int64_t>(names.size()));
    for (const TSkinPackageFile& f : files_)
        dest.WriteInt32(static_cast<int32_t>(f.Data.size()));
    for (const TSkinPackageFile& f : files_)
        dest.WriteBuffer(f.Data.data(), static_cast<int64_t>(f.Data.size()));
}

void TSkinPackageWriter::SaveToStream(TStream& dest, int32_t formatId) const
{
    TMemoryStream unpacked;
    SaveUnpacked(unpacked, formatId);
    Compress(unpacked, dest);
}

void TSkinPackageWriter::SaveToFile(const std::string& fileName, int32_t formatId) const
{
    // Packed in memory first, then written beside the old package and moved
    // over it: a failure, also of the disk, leaves the old one whole.
    TMemoryStream packed;
    SaveToStream(packed, formatId);
    packed.SaveToFile(fileName);
}

namespace {

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<uint8_t> ReadWholeFile(const std::string& fileName)
{
    TMemoryStream m;
    m.LoadFromFile(fileName);
    return m.Bytes();
}

} // namespace

TSkinPackageWriter TSkinPackageWriter::FromFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw Exception("\"" + folder + "\" is not a folder");

    struct Entry {
        std::string name; // lower-cased, as the package holds it
        fs::path path;
    };
    std::vector<Entry> entries;
    int inis = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = LowerCase(it->path().filename().string());
        const bool ini = EndsWith(name, ".ini");
        if (!ini && !EndsWith(name, ".bmp")) continue;
        // A package goes to other people: a linked skin.ini would carry
        // whatever file the link points at, from anywhere the author can read.
        std::error_code kindError;
        if (it->is_symlink(kindError))
            throw Exception("\"" + it->path().string() +
                            "\" is a symbolic link; a package takes only files that are in the folder itself");
        if (!it->is_regular_file(kindError)) continue;
        inis += ini ? 1 : 0;
        entries.push_back({name, it->path()});
    }
    if (ec) throw Exception("Cannot read the folder \"" + folder + "\": " + ec.message());
    if (inis != 1)
        throw Exception("\"" + folder + "\" must hold exactly one .ini file (found " + IntToStr(inis) + ")");

    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    // On a case-sensitive file system two files may differ in case only; the
    // package could hand out just the first of them.
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].name == entries[i - 1].name)
            throw Exception("\"" + folder + "\" holds two files named \"" + entries[i].name +
                            "\" apart from case");

    TSkinPackageWriter writer;
    for (const Entry& e : entries) {
        std::vector<uint8_t> data = ReadWholeFile(e.path.string());
        if (EndsWith(e.name, ".bmp") && (data.size() < 2 || data[0] != 'B' || data[1] != 'M'))
            throw Exception("\"" + e.path.string() + "\" is not a Windows bitmap");
        writer.Add(e.name, std::move(data));
    }
    return writer;
}
