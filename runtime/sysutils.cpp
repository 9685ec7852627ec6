#include "runtime/sysutils.h"

#include <cstdio>
#include <sys/stat.h>

EFOpenError EFOpenError::ForFile(const std::string& fileName)
{
    return EFOpenError("Cannot open file \"" + fileName + "\"");
}

EFCreateError EFCreateError::ForFile(const std::string& fileName)
{
    return EFCreateError("Cannot create file \"" + fileName + "\"");
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool TryStrToInt(const std::string& s, int32_t& value)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    // Hexadecimal text denotes a bit pattern: $FFFFFFFF is -1, as colour
    // and flag values in stored files expect.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t acc = 0;
    for (; i < s.size(); ++i) {
        const int d = HexDigit(s[i]);
        if (d < 0 || d >= base) return false;
        acc = acc * base + static_cast<uint64_t>(d);
        if (acc > limit) return false;
    }
    int64_t v = base == 16 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(acc)))
                           : static_cast<int64_t>(acc);
    if (negative) v = -v;
    value = static_cast<int32_t>(v);
    return true;
}

int32_t StrToInt(const std::string& s)
{
    int32_t v = 0;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

int32_t StrToIntDef(const std::string& s, int32_t def)
{
    int32_t v = 0;
    return TryStrToInt(s, v) ? v : def;
}

std::string IntToStr(int64_t value)
{
    return std::to_string(value);
}

std::string IntToHex(uint64_t value, int digits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 15]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(out.size()) < digits)
        out.insert(out.begin(), '0');
    return out;
}

std::string TrimLeft(const std::string& s)
{
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    return s.substr(b);
}

std::string TrimRight(const std::string& s)
{
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(0, e);
}

std::string Trim(const std::string& s)
{
    return TrimRight(TrimLeft(s));
}

std::string LowerCase(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

std::string UpperCase(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

int CompareText(const std::string& a, const std::string& b)
{
    const std::string la = LowerCase(a), lb = LowerCase(b);
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

bool SameText(const std::string& a, const std::string& b)
{
    return CompareText(a, b) == 0;
}

bool FileExists(const std::string& fileName)
{
    struct stat st {};
    return stat(fileName.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == S_IFREG;
}
