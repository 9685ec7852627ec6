// skinpack: packs and unpacks LZH streams and builds, lists and extracts
// skin packages, for skin authors and for the build (which packs the default
// skin with it).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "runtime/version.h"

#include "runtime/classes.h"
#include "runtime/savefile.h"
#include "runtime/sysutils.h"
#include "skinfiles/skincheck.h"
#include "skinfiles/skinpackage.h"
#include "skinfiles/skinread.h"
#include "skinfiles/skinvalues.h"
#include "skinfiles/winconvert.h"
#ifdef _WIN32
#include "tools/skinpack/preview.h"
#endif

namespace {

const char* const kUsage =
    "usage: skinpack COMMAND ARGS...\n"
    "\n"
    "  pack IN OUT             pack file IN into the packed stream OUT\n"
    "  unpack IN OUT           unpack the packed stream IN into file OUT\n"
    "  list PKG                print the package's format id, then each file and its size\n"
    "  extract PKG NAME OUT    copy the file NAME of the package into OUT\n"
    "  extract PKG DIR         write every file of the package into the folder DIR\n"
    "  build DIR OUT           make a package from the .ini and the .bmp files of DIR;\n"
    "                          refused when the ini names a bitmap the folder lacks\n"
    "  check DIR|PKG           report what in a skin folder or package would look wrong\n"
    "                          or be refused, one line each; exit status 1 when any\n"
    "  preview PKG OUT.png     draw windows, buttons, an edit, a memo and a menu in the\n"
    "                          skin PKG and save the picture (Windows build only)\n"
    "  --version               print the version\n"
    "  --help                  print this text\n";

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct UsageError {
    std::string message;
};

TMemoryStream ReadInput(const std::string& fileName)
{
    if (!FileExists(fileName)) throw Exception("\"" + fileName + "\" does not exist");
    TMemoryStream m;
    m.LoadFromFile(fileName);
    return m;
}

// A package is a packed stream: the unpacked size, then LZH codes that
// cannot spell more than about 50 bytes per byte. A file whose first four
// bytes claim more (a skin.ini's "[Tit", a bitmap's "BM..") is something
// else, and is said to be before anything is unpacked.
constexpr int64_t kMaxPackRatio = 64;

void ExpectPackageForm(const TMemoryStream& packed, const std::string& fileName)
{
    const int64_t size = packed.GetSize();
    const uint8_t* b = packed.Memory();
    const int64_t claimed =
        size < 4 ? -1 : int64_t(int32_t(b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24));
    if (claimed < kSkinHeaderSize || claimed > (size - 4) * kMaxPackRatio + kMaxPackRatio)
        throw Exception("\"" + fileName + "\" is not a skin package");
}

void LoadPackage(TSkinReader& reader, const std::string& fileName)
{
    TMemoryStream packed = ReadInput(fileName);
    ExpectPackageForm(packed, fileName);
    if (!reader.Loadfromstream(packed)) {
        std::string why = reader.LastError;
        for (char& c : why)
            if (c == '\r') c = ' ';
        throw Exception("\"" + fileName + "\": " + why);
    }
}

void Pack(const std::string& in, const std::string& out)
{
    TMemoryStream source = ReadInput(in);
    TMemoryStream packed;
    Compress(source, packed);
    packed.SaveToFile(out);
}

void Unpack(const std::string& in, const std::string& out)
{
    TMemoryStream packed = ReadInput(in);
    TMemoryStream unpacked;
    Decompress(packed, unpacked);
    unpacked.SaveToFile(out);
}

void List(const std::string& package)
{
    TSkinReader reader;
    LoadPackage(reader, package);
    std::printf("format %d\n", reader.FormatId());
    for (int i = 0; i < reader.FileCount(); ++i)
        std::printf("%10d  %s\n", reader.FileSize(i), reader.FileName(i).c_str());
}

void Extract(const std::string& package, const std::string& name, const std::string& out)
{
    TSkinReader reader;
    LoadPackage(reader, package);
    if (reader.IndexOfFile(name) < 0) throw Exception("\"" + package + "\" holds no file \"" + name + "\"");
    TMemoryStream file;
    reader.readfile(name, file);
    file.SaveToFile(out);
}

// A name from inside a package, as a file of the folder it is written to:
// nothing that climbs out of the folder or names another drive.
bool SafeFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

void ExtractAll(const std::string& package, const std::string& folder)
{
    namespace fs = std::filesystem;
    TSkinReader reader;
    LoadPackage(reader, package);
    for (int i = 0; i < reader.FileCount(); ++i)
        if (!SafeFileName(reader.FileName(i)))
            throw Exception("\"" + package + "\" holds a file named \"" + reader.FileName(i) +
                            "\", which cannot be written safely; nothing was written");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw Exception("cannot make the folder \"" + folder + "\"");
    // A link in the folder (put there by whoever else may write to it) would
    // have a file of the package written wherever it points. Each file
    // replaces what is at its name and never writes through it, and links
    // already there are refused before anything is written.
    for (int i = 0; i < reader.FileCount(); ++i) {
        const fs::path to = fs::path(folder) / reader.FileName(i);
        const fs::file_status st = fs::symlink_status(to, ec);
        if (fs::is_symlink(st))
            throw Exception("\"" + to.string() + "\" is a symbolic link (to \"" +
                            fs::read_symlink(to, ec).string() +
                            "\"); extract writes through no link, and nothing was written");
        if (fs::exists(st) && !fs::is_regular_file(st))
            throw Exception("\"" + to.string() + "\" is in the way and no plain file; nothing was written");
    }
    for (int i = 0; i < reader.FileCount(); ++i) {
        TMemoryStream file;
        reader.readfile(reader.FileName(i), file);
        const std::string to = (fs::path(folder) / reader.FileName(i)).string();
        std::string error;
        const std::string_view bytes(reinterpret_cast<const char*>(file.Memory()),
                                     static_cast<size_t>(file.GetSize()));
        if (!WriteFileAtomically(to, bytes, false, error)) throw Exception(error);
    }
    std::printf("%d files written to %s\n", reader.FileCount(), folder.c_str());
}

// Every bitmap the folder's ini names must reach the skin loader: the loader
// takes the name after the last path separator, only with a lower-case
// ".bmp", and finds it in the package whatever the case of the rest.
void CheckBitmapsNamed(const std::string& folder, const TSkinPackageWriter& writer)
{
    std::set<std::string> held;
    std::string iniName;
    for (const TSkinPackageFile& f : writer.Files()) {
        held.insert(f.Name);
        if (EndsWith(f.Name, ".ini")) iniName = f.Name;
    }
    // The ini's own lines, so that the message names the key as written.
    std::string text;
    for (const TSkinPackageFile& f : writer.Files())
        if (f.Name == iniName) text.assign(f.Data.begin(), f.Data.end());
    TStringList lines;
    lines.SetText(text);
    std::string section;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string line = Trim(lines[i]);
        if (!line.empty() && line.front() == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || line.front() == ';') continue;
        const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (!EndsWith(LowerCase(value), ".bmp")) continue;
        const std::string where = "\"" + folder + "\": [" + section + "] " + key + "=" + value;
        const std::string name = SkinImageName(value);
        if (name.empty())
            throw Exception(where + ": the skin loader reads only names ending in \".bmp\" in lower case");
        if (!held.count(LowerCase(name))) throw Exception(where + ": the folder holds no such bitmap");
    }
}

void Build(const std::string& folder, const std::string& out)
{
    const TSkinPackageWriter writer = TSkinPackageWriter::FromFolder(folder);
    CheckBitmapsNamed(folder, writer);
    writer.SaveToFile(out);
}

// A folder as the package built from it would hold it, or a package.
TSkinFiles SkinFilesOf(const std::string& path)
{
    TSkinFiles files;
    if (std::filesystem::is_directory(path)) {
        const TSkinPackageWriter writer = TSkinPackageWriter::FromFolder(path);
        for (const TSkinPackageFile& f : writer.Files())
            files[f.Name].assign(f.Data.begin(), f.Data.end());
        return files;
    }
    TSkinReader reader;
    LoadPackage(reader, path);
    for (int i = 0; i < reader.FileCount(); ++i) {
        TMemoryStream file;
        reader.readfile(reader.FileName(i), file);
        const uint8_t* p = file.Memory();
        files[LowerCase(reader.FileName(i))].assign(p, p + file.GetSize());
    }
    return files;
}

int Check(const std::string& path)
{
    const std::vector<std::string> problems = CheckSkin(SkinFilesOf(path));
    for (const std::string& line : problems)
        std::printf("%s: %s\n", path.c_str(), line.c_str());
    return problems.empty() ? 0 : 1;
}

void Preview(const std::string& package, const std::string& out)
{
#ifdef _WIN32
    const TSkinFiles files = SkinFilesOf(package);
    try {
        WritePreview(files, out);
    } catch (const Exception& e) {
        throw Exception("\"" + package + "\": " + e.Message);
    }
#else
    (void)package;
    (void)out;
    throw Exception("preview draws through Windows: run skinpack.exe preview (under Wine on Linux), which "
                    "the installed orvane-skinpack does for you");
#endif
}

int Run(const std::vector<std::string>& args)
{
    const std::string& command = args[0];
    auto expect = [&](size_t operands) {
        if (args.size() != operands + 1)
            throw UsageError{"'" + command + "' takes " + std::to_string(operands) + " argument" +
                             (operands == 1 ? "" : "s")};
    };
    if (command == "pack") {
        expect(2);
        Pack(args[1], args[2]);
    } else if (command == "unpack") {
        expect(2);
        Unpack(args[1], args[2]);
    } else if (command == "list") {
        expect(1);
        List(args[1]);
    } else if (command == "extract" && args.size() == 3) {
        ExtractAll(args[1], args[2]);
    } else if (command == "extract") {
        expect(3);
        Extract(args[1], args[2], args[3]);
    } else if (command == "build") {
        expect(2);
        Build(args[1], args[2]);
    } else if (command == "preview") {
        expect(2);
        Preview(args[1], args[2]);
    } else if (command == "check") {
        expect(1);
        return Check(args[1]);
    } else {
        throw UsageError{"unknown command '" + command + "'"};
    }
    return 0;
}

int Main(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "--version") {
        std::printf("skinpack %s\n", OrvaneVersion());
        return 0;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    try {
        return Run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "skinpack: %s\n\n%s", e.message.c_str(), kUsage);
        return 2;
    } catch (const Exception& e) {
        std::fprintf(stderr, "skinpack: %s\n", e.Message.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skinpack: %s\n", e.what());
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const int code = Main(std::vector<std::string>(argv + 1, argv + argc));
    // What was printed (a listing, a check's findings, the help) must have
    // reached its reader: a full disk or a closed pipe is a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "skinpack: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return code;
}
