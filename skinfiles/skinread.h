// TSkinReader: unpacks a skin package, indexes its files and hands them out
// by name. Everything is read from memory; nothing is written to disk.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/classes.h"
#include "skinfiles/skinpackage.h"

// Shown to the user when a package's format id is not one we know.
inline constexpr char SOlderSkinFile[] = "This is Older Skin File\rPlease update to new version !";

class TSkinReader {
public:
    TSkinReader();  // Create
    ~TSkinReader(); // Destroy
    TSkinReader(const TSkinReader&) = delete;
    TSkinReader& operator=(const TSkinReader&) = delete;

    // Unpacks and indexes the package held in stream (from its start). On
    // failure nothing is indexed and LastError says why.
    bool Loadfromstream(TMemoryStream& stream);
    // The same for a package file. A file that does not exist is a quiet
    // False: LastError stays empty.
    bool loadfromfile(const std::string& fileName);

    // Unpacks a packed stream from source into dest, both from their start.
    void Decompress(TStream& source, TStream& dest);

    // Clears out, then copies the file called name (any ASCII case) into it
    // and rewinds it. A name not in the package leaves out empty.
    void readfile(const std::string& name, TMemoryStream& out);
    // Clears out, then copies the first file whose name contains text into
    // it, rewinds it and sets name to that file's name. When no name
    // matches, out stays empty and name is left as it was.
    void readIni(const std::string& text, TMemoryStream& out, std::string& name);

    // Index of the first file called name (any ASCII case), or -1.
    int IndexOfFile(const std::string& name) const;

    // The index of the last successful load.
    int32_t FormatId() const;
    const std::array<uint8_t, kSkinHeaderSize>& Header() const { return header_; }
    int FileCount() const { return names_.Count(); }
    std::string FileName(int index) const { return names_.Get(index); }
    int32_t FileSize(int index) const { return sizes_.at(static_cast<size_t>(index)); }
    const TMemoryStream& DataBlock() const { return data_; }

    // Why the last load failed, worded for the user (the unknown-format text
    // or a description of the damage); empty after a success and when the
    // file given to loadfromfile does not exist.
    std::string LastError;

private:
    bool Index(TMemoryStream& unpacked);
    bool Reject(const std::string& why);
    bool RejectCutShort(TMemoryStream& unpacked, int64_t unpackedBeforeEnd);
    void Clear();
    void CopyFile(int index, TMemoryStream& out) const;

    std::array<uint8_t, kSkinHeaderSize> header_{};
    TStringList names_; // lower case, in package order
    std::array<int32_t, kSkinMaxFiles> sizes_{};
    TMemoryStream data_;
};
