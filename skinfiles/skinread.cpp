#include "skinfiles/skinread.h"

#include <cstring>
#include <new>

#include "runtime/sysutils.h"
#include "skinfiles/winconvert.h"

namespace {

const char* const SDamaged = "The skin package is damaged: ";

// The decoder's bit look-ahead reads at most this far past the end of a
// whole package (one byte on every package we ship); a package cut short
// makes it read on for as long as the cut part was.
constexpr int64_t kWholeStreamReadPastEnd = 2;

int32_t Int32At(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

// The entries a string list would make of the text (a line ends at CR, LF or
// CR LF; a final line break adds none), counted where the text lies: a few
// kilobytes of packed line breaks unpack to millions of them, and the list
// itself would cost tens of bytes each.
int64_t CountLines(const uint8_t* text, int64_t length)
{
    int64_t lines = 0;
    for (int64_t i = 0; i < length;) {
        while (i < length && text[i] != '\r' && text[i] != '\n')
            ++i;
        ++lines;
        if (i < length && text[i] == '\r') ++i;
        if (i < length && text[i] == '\n') ++i;
    }
    return lines;
}

} // namespace

TSkinReader::TSkinReader() = default;
TSkinReader::~TSkinReader() = default;

void TSkinReader::Clear()
{
    header_.fill(0);
    names_.Clear();
    sizes_.fill(0);
    data_.Clear();
}

bool TSkinReader::Reject(const std::string& why)
{
    Clear();
    LastError = why;
    return false;
}

void TSkinReader::Decompress(TStream& source, TStream& dest)
{
    ::Decompress(source, dest);
}

bool TSkinReader::Loadfromstream(TMemoryStream& stream)
{
    LastError.clear();
    try {
        TMemoryStream unpacked;
        TUnpackEnd end;
        ::Decompress(stream, unpacked, end);
        if (end.ReadPastEnd > kWholeStreamReadPastEnd) return RejectCutShort(unpacked, end.UnpackedBeforeEnd);
        return Index(unpacked);
    } catch (const Exception& e) {
        // A size prefix the codec refuses, for one: the package is damaged,
        // which the caller hears about like any other unreadable package.
        return Reject(SDamaged + e.Message);
    } catch (const std::bad_alloc&) {
        return Reject(std::string(SDamaged) + "it claims more data than memory can hold.");
    }
}

bool TSkinReader::loadfromfile(const std::string& fileName)
{
    LastError.clear();
    if (!FileExists(fileName)) {
        Clear();
        return false;
    }
    TMemoryStream packed;
    try {
        packed.LoadFromFile(fileName);
    } catch (const Exception& e) {
        return Reject(e.Message);
    }
    return Loadfromstream(packed);
}

// What ran out is named when the index survived the cut: the file whose
// data the input ended in.
bool TSkinReader::RejectCutShort(TMemoryStream& unpacked, int64_t unpackedBeforeEnd)
{
    std::string what = "it is cut short";
    if (Index(unpacked)) {
        int64_t at = unpackedBeforeEnd - (unpacked.GetSize() - data_.GetSize());
        if (at < 0) what = "its file list is cut short";
        for (int i = 0; at >= 0 && i < names_.Count(); ++i) {
            if (at < sizes_[static_cast<size_t>(i)]) {
                what = "member " + names_.Get(i) + " is cut short";
                break;
            }
            at -= sizes_[static_cast<size_t>(i)];
        }
    }
    return Reject(std::string(SDamaged) + what + ".");
}

// The package's own counts are checked against the unpacked length before
// anything is indexed: a damaged package is refused as a whole rather than
// read past its end or into a size table it overflows.
bool TSkinReader::Index(TMemoryStream& unpacked)
{
    const int64_t size = unpacked.GetSize();
    const uint8_t* bytes = unpacked.Memory();
    if (size < kSkinHeaderSize) return Reject(std::string(SDamaged) + "it is shorter than its header.");

    const int32_t formatId = Int32At(bytes);
    const int64_t namesLength = Int32At(bytes + 4);
    const int filler = SkinFormatFiller(formatId);
    if (filler < 0) return Reject(SOlderSkinFile);

    const int64_t namesAt = kSkinHeaderSize + filler;
    if (namesLength < 0 || namesAt + namesLength > size)
        return Reject(std::string(SDamaged) + "its name list runs past its end.");

    const int64_t lines = CountLines(bytes + namesAt, namesLength);
    if (lines > kSkinMaxFiles)
        return Reject(std::string(SDamaged) + "it names " + IntToStr(lines) + " files, more than the " +
                      IntToStr(kSkinMaxFiles) + " a package can hold.");
    std::string text(reinterpret_cast<const char*>(bytes + namesAt), static_cast<size_t>(namesLength));
    TStringList names;
    names.SetText(LowerCase(text));
    const int count = names.Count();

    const int64_t sizesAt = namesAt + namesLength;
    const int64_t dataAt = sizesAt + 4 * int64_t(count);
    if (dataAt > size) return Reject(std::string(SDamaged) + "its size table runs past its end.");

    const int64_t dataSize = size - dataAt;
    std::array<int32_t, kSkinMaxFiles> sizes{};
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        sizes[static_cast<size_t>(i)] = Int32At(bytes + sizesAt + 4 * i);
        if (sizes[static_cast<size_t>(i)] < 0)
            return Reject(std::string(SDamaged) + "the size of \"" + names[i] + "\" is negative.");
        total += sizes[static_cast<size_t>(i)];
    }
    if (total > dataSize)
        return Reject(std::string(SDamaged) + "its files add up to " + IntToStr(total) +
                      " bytes but it holds " + IntToStr(dataSize) + ".");

    std::memcpy(header_.data(), bytes, kSkinHeaderSize);
    names_.Assign(names);
    sizes_ = sizes;
    data_.Clear();
    data_.WriteBuffer(bytes + dataAt, dataSize);
    data_.SetPosition(0);
    return true;
}

int32_t TSkinReader::FormatId() const
{
    return Int32At(header_.data());
}

int TSkinReader::IndexOfFile(const std::string& name) const
{
    const std::string key = LowerCase(name);
    for (int i = 0; i < names_.Count(); ++i)
        if (names_.Get(i) == key) return i;
    return -1;
}

void TSkinReader::CopyFile(int index, TMemoryStream& out) const
{
    int64_t offset = 0;
    for (int i = 0; i < index; ++i)
        offset += sizes_[static_cast<size_t>(i)];
    const int64_t count = sizes_[static_cast<size_t>(index)];
    // Loading has checked the sizes against the data block; this keeps that
    // promise local should the two ever drift apart.
    if (offset + count > static_cast<int64_t>(data_.Bytes().size())) return;
    out.WriteBuffer(data_.Memory() + offset, count);
}

void TSkinReader::readfile(const std::string& name, TMemoryStream& out)
{
    out.Clear();
    const int index = IndexOfFile(name);
    if (index >= 0) CopyFile(index, out);
    out.SetPosition(0);
}

void TSkinReader::readIni(const std::string& text, TMemoryStream& out, std::string& name)
{
    out.Clear();
    // An empty text is no search: it would pick whatever file comes first.
    for (int i = 0; !text.empty() && i < names_.Count(); ++i) {
        const std::string candidate = names_.Get(i);
        if (candidate.find(text) != std::string::npos) {
            CopyFile(i, out);
            name = candidate;
            break;
        }
    }
    out.SetPosition(0);
}
