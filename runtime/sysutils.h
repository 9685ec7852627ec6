// Exceptions and text conversions shared by every layer. Portable: no <windows.h>.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Failures travel as exceptions carrying a user-readable message, which the
// message loop shows as it stands.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

class EConvertError : public Exception {
    using Exception::Exception;
};
class EStreamError : public Exception {
    using Exception::Exception;
};
class EReadError : public EStreamError {
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    // "Cannot open file %s", the file name in double quotes as users expect.
    static EFOpenError ForFile(const std::string& fileName);
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    static EFCreateError ForFile(const std::string& fileName);
    using EStreamError::EStreamError;
};
class EListError : public Exception {
    using Exception::Exception;
};
class EInvalidGraphic : public Exception {
    using Exception::Exception;
};

// Leading blanks, an optional sign, then decimal digits, or hexadecimal
// digits after "$" or "0x"/"0X". The whole text must convert and fit in
// 32 signed bits.
bool TryStrToInt(const std::string& s, int32_t& value);
int32_t StrToInt(const std::string& s); // raises EConvertError
int32_t StrToIntDef(const std::string& s, int32_t def);
std::string IntToStr(int64_t value);
std::string IntToHex(uint64_t value, int digits);

// Trimming removes characters up to and including the space (blanks and
// control characters) from the ends.
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
// ASCII-only case mapping: names in packages and ini files are ASCII.
std::string LowerCase(const std::string& s);
std::string UpperCase(const std::string& s);
int CompareText(const std::string& a, const std::string& b); // ASCII case-insensitive
bool SameText(const std::string& a, const std::string& b);

bool FileExists(const std::string& fileName);
