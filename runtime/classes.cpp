#include "runtime/classes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/savefile.h"

int64_t TStream::GetSize()
{
    const int64_t pos = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    const int64_t total = count;
    uint8_t buf[65536];
    while (count > 0) {
        const int64_t n = std::min<int64_t>(count, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        count -= n;
    }
    return total;
}

int32_t TStream::ReadInt32()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
}

void TStream::WriteInt32(int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    WriteBuffer(b, 4);
}

// ---------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t size = GetSize();
    if (count <= 0 || position_ >= size) return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    const int64_t end = position_ + count;
    if (end > GetSize()) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == soCurrent) base = position_;
    if (origin == soEnd) base = GetSize();
    const int64_t target = base + offset;
    // Seeking past the end is allowed (a later write fills the gap with
    // zeros); seeking before the start is clamped to the start.
    position_ = std::max<int64_t>(0, target);
    return position_;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    data_.resize(static_cast<size_t>(std::max<int64_t>(0, newSize)));
    if (position_ > newSize) position_ = std::max<int64_t>(0, newSize);
}

void TMemoryStream::Clear()
{
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const int64_t size = stream.GetSize();
    std::vector<uint8_t> fresh(static_cast<size_t>(size));
    stream.ReadBuffer(fresh.data(), size);
    data_.swap(fresh);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(data_.data(), GetSize());
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    SaveFileAside(fileName, data_.data(), data_.size());
}

// ---------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& fileName, uint32_t mode) : fileName_(fileName)
{
    if (mode == fmCreate) {
        file_ = std::fopen(fileName.c_str(), "w+b");
        if (!file_) throw EFCreateError::ForFile(fileName);
        return;
    }
    const uint32_t access = mode & 3;
    file_ = std::fopen(fileName.c_str(), access == fmOpenRead ? "rb" : "r+b");
    if (!file_) throw EFOpenError::ForFile(fileName);
}

TFileStream::~TFileStream()
{
    if (file_) std::fclose(file_);
}

void TFileStream::Close()
{
    if (!file_) return;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const int err = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed)
        throw EWriteError("Cannot write \"" + fileName_ + "\": " + std::strerror(flushed ? errno : err));
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    return static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == soBeginning ? SEEK_SET : (origin == soCurrent ? SEEK_CUR : SEEK_END);
    if (std::fseek(file_, static_cast<long>(offset), whence) != 0) throw EStreamError("Stream seek error");
    return static_cast<int64_t>(std::ftell(file_));
}

void TFileStream::SetSize(int64_t newSize)
{
    // Only growing is needed by callers; it writes zeros up to the new end.
    const int64_t pos = GetPosition();
    const int64_t size = GetSize();
    if (newSize > size) {
        Seek(0, soEnd);
        const std::vector<uint8_t> zeros(static_cast<size_t>(newSize - size));
        WriteBuffer(zeros.data(), static_cast<int64_t>(zeros.size()));
    } else if (newSize < size) {
        throw EStreamError("Cannot shrink file \"" + fileName_ + "\"");
    }
    Seek(pos, soBeginning);
}

// ---------------------------------------------------------------------------

int TStrings::Add(const std::string& s)
{
    const int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const std::string& s, intptr_t obj)
{
    const int index = Add(s);
    PutObject(index, obj);
    return index;
}

void TStrings::Assign(const TStrings& source)
{
    if (&source == this) return;
    Clear();
    for (int i = 0; i < source.Count(); ++i)
        AddObject(source.Get(i), source.Objects(i));
}

int TStrings::IndexOf(const std::string& s) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get(i) == s) return i;
    return -1;
}

std::string TStrings::GetText() const
{
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& text)
{
    Clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t e = i;
        while (e < text.size() && text[e] != '\r' && text[e] != '\n')
            ++e;
        Add(text.substr(i, e - i));
        if (e < text.size() && text[e] == '\r') ++e;
        if (e < text.size() && text[e] == '\n') ++e;
        i = e;
    }
}

void TStrings::LoadFromStream(TStream& stream)
{
    const int64_t n = stream.GetSize() - stream.GetPosition();
    std::string text(static_cast<size_t>(std::max<int64_t>(0, n)), '\0');
    if (n > 0) stream.ReadBuffer(text.data(), n);
    SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const
{
    const std::string text = GetText();
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName)
{
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& fileName) const
{
    const std::string text = GetText();
    SaveFileAside(fileName, text.data(), text.size());
}

// ---------------------------------------------------------------------------

void TStringList::CheckIndex(int index, bool allowEnd) const
{
    const int limit = allowEnd ? Count() : Count() - 1;
    if (index < 0 || index > limit)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::string TStringList::Get(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& s)
{
    CheckIndex(index);
    items_[static_cast<size_t>(index)].text = s;
}

intptr_t TStringList::Objects(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, intptr_t obj)
{
    CheckIndex(index);
    items_[static_cast<size_t>(index)].object = obj;
}

void TStringList::Insert(int index, const std::string& s)
{
    CheckIndex(index, true);
    items_.insert(items_.begin() + index, Item{s, 0});
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const std::string& s) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& t = items_[static_cast<size_t>(i)].text;
        if (CaseSensitive ? t == s : SameText(t, s)) return i;
    }
    return -1;
}
