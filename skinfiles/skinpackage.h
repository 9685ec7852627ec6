// The skin package layout shared by the reader and the writer, and the writer
// that skin authors use (through skinpack) to make packages.
//
// Unpacked layout, all integers signed 32-bit little-endian:
//   format id, name-list length L, 8 reserved bytes   (16-byte header)
//   filler of a length fixed by the format id          (skipped unread)
//   name list: L bytes of text, one file name a line
//   size table: one byte count per name, in list order
//   data: every file's bytes, concatenated in list order
// The whole is stored as a packed stream (see winconvert.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/classes.h"

constexpr int kSkinHeaderSize = 16;
// The reader's size table is this long; a package cannot name more files.
constexpr int kSkinMaxFiles = 1001;
// What a new package is written as.
constexpr int32_t kSkinCurrentFormat = 70000;

// The filler that follows the header for a known format id, or -1 for an
// id this program does not know.
int SkinFormatFiller(int32_t formatId);

struct TSkinPackageFile {
    std::string Name;
    std::vector<uint8_t> Data;
};

// Collects files and writes them as a package. Names are written as given;
// the reader lower-cases them, so a writer that wants to match what it
// reads back lower-cases them itself (FromFolder does).
class TSkinPackageWriter {
public:
    // Raises Exception for a name that cannot survive the line-based name
    // list (CR or LF in it) or for a file beyond the reader's limit.
    void Add(const std::string& name, std::vector<uint8_t> data);
    const std::vector<TSkinPackageFile>& Files() const { return files_; }

    // The unpacked package, written at dest's position.
    void SaveUnpacked(TStream& dest, int32_t formatId = kSkinCurrentFormat) const;
    // The package as a packed stream, written to dest from its start.
    void SaveToStream(TStream& dest, int32_t formatId = kSkinCurrentFormat) const;
    void SaveToFile(const std::string& fileName, int32_t formatId = kSkinCurrentFormat) const;

    // The skin ini and the .bmp files of a folder, lower-cased and in sorted
    // name order so that the same folder always gives the same package.
    // Exactly one .ini is expected; each bitmap must start with "BM". Other
    // files and subfolders are left out. Raises Exception on any of that.
    static TSkinPackageWriter FromFolder(const std::string& folder);

private:
    std::vector<TSkinPackageFile> files_;
};
