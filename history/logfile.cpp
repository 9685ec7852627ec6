#include "history/logfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "runtime/sysutils.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// A C stream that is closed on every path.
class TFile {
public:
    TFile(const std::string& path, const char* mode)
    {
#ifdef _WIN32
        // The path is UTF-8; the C library's narrow names are the ANSI
        // code page's, which cannot name every file.
        const std::filesystem::path wide(std::u8string(path.begin(), path.end()));
        const std::wstring wideMode(mode, mode + std::strlen(mode));
        file_ = _wfopen(wide.c_str(), wideMode.c_str());
#else
        file_ = std::fopen(path.c_str(), mode);
#endif
        error_ = file_ ? 0 : errno;
    }
    ~TFile()
    {
        if (file_) std::fclose(file_);
    }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    std::FILE* get() const { return file_; }
    int OpenError() const { return error_; }
    // Flushes to the disk and closes; the errno of the first failure, or 0.
    int Close()
    {
        int error = 0;
        if (std::fflush(file_) != 0) error = errno;
#ifdef _WIN32
        if (!error && _commit(_fileno(file_)) != 0) error = errno;
#else
        if (!error && fsync(fileno(file_)) != 0) error = errno;
#endif
        if (std::fclose(file_) != 0 && !error) error = errno;
        file_ = nullptr;
        return error;
    }

private:
    std::FILE* file_ = nullptr;
    int error_ = 0;
};

std::string Reason(int error)
{
    if (error == ENOENT) return "the file is no longer there";
    return std::strerror(error);
}

void WriteAll(TFile& file, std::string_view text, const std::string& path)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
        throw EWriteError("Cannot write \"" + path + "\": " + Reason(errno));
    if (const int error = file.Close())
        throw EWriteError("Cannot write \"" + path + "\": " + Reason(error));
}

} // namespace

std::unique_ptr<TLogFile> TLogFile::Open(const std::string& path, std::string_view header)
{
    std::string head;
    bool endsInLine = true;
    {
        TFile existing(path, "rb");
        if (existing.get()) {
            // Only the start and the last byte matter.
            head.resize(header.size() + 2);
            head.resize(std::fread(head.data(), 1, head.size(), existing.get()));
            if (!head.empty() && std::fseek(existing.get(), -1, SEEK_END) == 0) {
                const int last = std::fgetc(existing.get());
                endsInLine = last == '\n';
            }
        } else if (existing.OpenError() != ENOENT) {
            throw EFOpenError("Cannot open \"" + path + "\": " + Reason(existing.OpenError()));
        }
    }
    auto log = std::unique_ptr<TLogFile>(new TLogFile(path));
    if (head.empty()) {
        TFile created(path, "ab");
        if (!created.get()) throw EFCreateError("Cannot create \"" + path + "\": " + Reason(created.OpenError()));
        WriteAll(created, std::string(header) + "\r\n", path);
        return log;
    }
    const bool isLog = head.compare(0, header.size(), header) == 0 &&
                       (head.size() == header.size() || head[header.size()] == '\r' || head[header.size()] == '\n');
    if (!isLog)
        throw EFOpenError("\"" + path + "\" is not a level log of this program. Choose a new file or an earlier log.");
    log->startLine_ = !endsInLine;
    return log;
}

void TLogFile::Append(std::string_view text)
{
    // "r+" never creates: a log that was removed is reported, not started
    // again without its header.
    TFile file(path_, "r+b");
    if (!file.get()) throw EWriteError("Cannot write \"" + path_ + "\": " + Reason(file.OpenError()));
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        throw EWriteError("Cannot write \"" + path_ + "\": " + Reason(errno));
    if (startLine_) {
        WriteAll(file, "\r\n" + std::string(text), path_);
        startLine_ = false;
        return;
    }
    WriteAll(file, text, path_);
}

void WriteWholeFile(const std::string& path, std::string_view text)
{
    TFile file(path, "wb");
    if (!file.get()) throw EFCreateError("Cannot create \"" + path + "\": " + Reason(file.OpenError()));
    WriteAll(file, text, path);
}
