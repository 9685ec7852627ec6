// Streams and string lists: the portable containers the codec, the ini store,
// the package reader and the layouts are written against. No <windows.h>.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/sysutils.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Read and Write move up to count bytes and return how many moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    virtual int64_t GetSize();

    // Exact counts: anything short raises EReadError / EWriteError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Copies count bytes from source's position; count 0 copies the whole
    // source from its start. Returns the bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);

    int32_t ReadInt32(); // little-endian
    void WriteInt32(int32_t value);
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
    int64_t GetSize() const { return static_cast<int64_t>(data_.size()); }

    void Clear();
    uint8_t* Memory() { return data_.data(); }
    const uint8_t* Memory() const { return data_.data(); }
    const std::vector<uint8_t>& Bytes() const { return data_; }

    void LoadFromStream(TStream& stream); // whole stream, position left at 0
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    // Whole or not at all: see SaveFileAside.
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

enum : uint32_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyWrite = 0x0020,
    fmCreate = 0xFF00,
};

class TFileStream : public TStream {
public:
    // Raises EFOpenError ("Cannot open file ...") or EFCreateError.
    TFileStream(const std::string& fileName, uint32_t mode);
    // Closes without a word, as on the exception path; a writer calls Close.
    ~TFileStream() override;
    // Flushes and closes, raising EWriteError when what was written did not
    // all reach the file: a full disk often says so only here.
    void Close();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

    const std::string& FileName() const { return fileName_; }

private:
    std::FILE* file_ = nullptr;
    std::string fileName_;
};

// An ordered list of strings, each with an integer "object" slot (used as a
// tag, e.g. the line index of a section header).
class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s) = 0;
    // Not "GetObject": <windows.h> defines that name as a macro.
    virtual intptr_t Objects(int index) const = 0;
    virtual void PutObject(int index, intptr_t obj) = 0;
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    std::string operator[](int index) const { return Get(index); }
    int Add(const std::string& s);
    int AddObject(const std::string& s, intptr_t obj);
    void Assign(const TStrings& source);
    // Exact comparison unless the list says otherwise.
    virtual int IndexOf(const std::string& s) const;

    // Text splits at CR, LF or CR LF; a final line break adds no entry.
    // Getting it joins every entry with a CR LF after it.
    std::string GetText() const;
    void SetText(const std::string& text);
    void LoadFromStream(TStream& stream); // from the current position to the end
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    // Whole or not at all: see SaveFileAside.
    void SaveToFile(const std::string& fileName) const;
};

class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    intptr_t Objects(int index) const override;
    void PutObject(int index, intptr_t obj) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override { items_.clear(); }
    int IndexOf(const std::string& s) const override;

    bool CaseSensitive = true;

private:
    void CheckIndex(int index, bool allowEnd = false) const;
    struct Item {
        std::string text;
        intptr_t object = 0;
    };
    std::vector<Item> items_;
};
