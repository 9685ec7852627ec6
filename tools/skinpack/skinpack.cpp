// skinpack: packs and unpacks LZH streams and builds, lists and extracts
// skin packages, for skin authors and for the build (which packs the default
// skin with it).

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "runtime/classes.h"
#include "runtime/sysutils.h"
#include "skinfiles/skinpackage.h"
#include "skinfiles/skinread.h"
#include "skinfiles/winconvert.h"

namespace {

const char* const kUsage =
    "usage: skinpack COMMAND ARGS...\n"
    "\n"
    "  pack IN OUT             pack file IN into the packed stream OUT\n"
    "  unpack IN OUT           unpack the packed stream IN into file OUT\n"
    "  list PKG                print the package's format id, then each file and its size\n"
    "  extract PKG NAME OUT    copy the file NAME of the package into OUT\n"
    "  build DIR OUT           make a package from the .ini and the .bmp files of DIR\n"
    "  --help                  print this text\n";

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

void LoadPackage(TSkinReader& reader, const std::string& fileName)
{
    TMemoryStream packed = ReadInput(fileName);
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

void Build(const std::string& folder, const std::string& out)
{
    TSkinPackageWriter::FromFolder(folder).SaveToFile(out);
}

void Run(const std::vector<std::string>& args)
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
    } else if (command == "extract") {
        expect(3);
        Extract(args[1], args[2], args[3]);
    } else if (command == "build") {
        expect(2);
        Build(args[1], args[2]);
    } else {
        throw UsageError{"unknown command '" + command + "'"};
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    try {
        Run(args);
        return 0;
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
