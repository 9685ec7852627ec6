#include "history/logfile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "runtime/sysutils.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The three ways the log opens a file.
enum class TOpen { ReadExisting, AppendExisting, CreateNew };

// A file descriptor that is closed on every path, with the reason of its
// last failure in words a user can act on. Unbuffered: a write that fails
// leaves nothing behind in a buffer to reach the file later.
class TFd {
public:
    TFd(const std::string& path, TOpen how);
    ~TFd()
    {
        if (fd_ >= 0) Close();
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // The open failed because nothing is at the path.
    bool NotFound() const { return notFound_; }
    const std::string& Problem() const { return problem_; }

    int64_t Size();
    size_t Read(char* data, size_t size);
    bool ReadAt(int64_t at, char& c);
    bool Write(std::string_view text);
    bool Truncate(int64_t size);
    // Flushes to the disk.
    bool Sync();
    bool Close();
    // Keeps the log's other writers (another panel given the same file)
    // out until Close: the size read, the write and a take-back of it
    // are then one. Nothing if the file system cannot lock.
    void Lock();
    void Unlock();

    void Failed(int error);
    void Failed(const std::string& problem) { problem_ = problem; }

private:
    int CloseFd();

    int fd_ = -1;
    bool locked_ = false;
    bool notFound_ = false;
    std::string problem_;
};

std::string ErrnoReason(int error)
{
    switch (error) {
    case ENOENT:
        return "the file is no longer there";
    case EEXIST:
        return "a file or a link appeared in its place";
    case EACCES:
    case EPERM:
        return "access is denied (the file or its folder is read-only, or another program holds it)";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "the disk is full";
    case EFBIG:
        return "the file has grown to the largest size allowed";
    default:
        return std::strerror(error);
    }
}

void TFd::Failed(int error)
{
    problem_ = ErrnoReason(error);
}

#ifdef _WIN32

std::wstring Wide(const std::string& path)
{
    // The path is UTF-8; the C library's narrow names are the ANSI code
    // page's, which cannot name every file.
    return std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
}

std::string WindowsReason(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return "the file is no longer there";
    case ERROR_PATH_NOT_FOUND:
        return "its folder is not there";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "a file or a link appeared in its place";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "another program holds the file (a spreadsheet, a backup program or a virus scanner)";
    case ERROR_ACCESS_DENIED:
        return "access is denied (the file or its folder is read-only)";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    default:
        return "Windows error " + std::to_string(error);
    }
}

TFd::TFd(const std::string& path, TOpen how)
{
    const DWORD access = how == TOpen::ReadExisting ? GENERIC_READ : GENERIC_WRITE;
    const DWORD disposition = how == TOpen::CreateNew ? CREATE_NEW : OPEN_EXISTING;
    // Others may read, write and even remove the file while it is open for
    // the moment of a write: the log never stands in anybody's way.
    HANDLE h = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        notFound_ = error == ERROR_FILE_NOT_FOUND;
        problem_ = WindowsReason(error);
        return;
    }
    const int flags = _O_BINARY | (how == TOpen::ReadExisting ? _O_RDONLY : 0) |
                      (how == TOpen::AppendExisting ? _O_APPEND : 0);
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd_ < 0) {
        Failed(errno);
        CloseHandle(h);
    }
}

int TFd::CloseFd()
{
    const int result = _close(fd_);
    fd_ = -1;
    return result;
}

int64_t TFd::Size()
{
    const int64_t size = _lseeki64(fd_, 0, SEEK_END);
    if (size < 0) Failed(errno);
    return size;
}

size_t TFd::Read(char* data, size_t size)
{
    const int n = _read(fd_, data, static_cast<unsigned>(std::min<size_t>(size, INT_MAX)));
    return n > 0 ? static_cast<size_t>(n) : 0;
}

bool TFd::ReadAt(int64_t at, char& c)
{
    return _lseeki64(fd_, at, SEEK_SET) == at && _read(fd_, &c, 1) == 1;
}

bool TFd::Write(std::string_view text)
{
    while (!text.empty()) {
        const int n = _write(fd_, text.data(), static_cast<unsigned>(std::min<size_t>(text.size(), INT_MAX)));
        if (n <= 0) {
            Failed(n < 0 ? errno : ENOSPC);
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool TFd::Truncate(int64_t size)
{
    return _chsize_s(fd_, size) == 0;
}

// One byte far beyond any log's end: locking it excludes the other writers
// of the log, and nobody's reading.
OVERLAPPED LockedByte()
{
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFE;
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

void TFd::Lock()
{
    OVERLAPPED at = LockedByte();
    locked_ =
        LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd_)), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
}

void TFd::Unlock()
{
    OVERLAPPED at = LockedByte();
    if (locked_) UnlockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd_)), 0, 1, 0, &at);
    locked_ = false;
}

bool TFd::Sync()
{
    if (_commit(fd_) == 0) return true;
    Failed(errno);
    return false;
}

int ProcessId()
{
    return static_cast<int>(GetCurrentProcessId());
}

bool MoveOver(const std::string& from, const std::string& to, std::string& problem)
{
    // Write-through: the new name is on the disk when the call returns.
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    problem = WindowsReason(GetLastError());
    return false;
}

void RemoveFile(const std::string& path)
{
    DeleteFileW(Wide(path).c_str());
}

#else

TFd::TFd(const std::string& path, TOpen how)
{
    switch (how) {
    case TOpen::ReadExisting:
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        break;
    case TOpen::AppendExisting:
        // Never O_CREAT: a log that was removed is reported, not started
        // again without its header. O_APPEND: each write lands whole at
        // the end, also when another program appends to the file.
        fd_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        break;
    case TOpen::CreateNew:
        // Neither through a link (which O_EXCL refuses, even a dangling
        // one) nor over a file that appeared since it was looked for.
        fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        break;
    }
    if (fd_ < 0) {
        notFound_ = errno == ENOENT;
        Failed(errno);
    }
}

int TFd::CloseFd()
{
    const int result = close(fd_);
    fd_ = -1;
    return result;
}

int64_t TFd::Size()
{
    struct stat st {};
    if (fstat(fd_, &st) != 0) {
        Failed(errno);
        return -1;
    }
    return st.st_size;
}

size_t TFd::Read(char* data, size_t size)
{
    ssize_t n;
    do
        n = read(fd_, data, size);
    while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

bool TFd::ReadAt(int64_t at, char& c)
{
    return pread(fd_, &c, 1, at) == 1;
}

bool TFd::Write(std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = write(fd_, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Failed(n < 0 ? errno : ENOSPC);
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool TFd::Truncate(int64_t size)
{
    return ftruncate(fd_, size) == 0;
}

void TFd::Lock()
{
    int result;
    do
        result = flock(fd_, LOCK_EX);
    while (result != 0 && errno == EINTR);
    locked_ = result == 0;
}

void TFd::Unlock()
{
    if (locked_) flock(fd_, LOCK_UN);
    locked_ = false;
}

bool TFd::Sync()
{
    if (fsync(fd_) == 0) return true;
    Failed(errno);
    return false;
}

int ProcessId()
{
    return static_cast<int>(getpid());
}

bool MoveOver(const std::string& from, const std::string& to, std::string& problem)
{
    if (rename(from.c_str(), to.c_str()) != 0) {
        problem = ErrnoReason(errno);
        return false;
    }
    // The new name lives in the folder: flushed with it, it survives a
    // power cut. Nothing is lost if the folder cannot be flushed.
    const std::string folder = std::filesystem::path(to).parent_path().string();
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

void RemoveFile(const std::string& path)
{
    unlink(path.c_str());
}

#endif

bool TFd::Close()
{
    Unlock();
    if (CloseFd() == 0) return true;
    Failed(errno);
    return false;
}

// Writes text, flushes it to the disk and closes the file; on failure the
// file is cut back to `before`, so that a retry appends whole rows after
// whole rows.
bool AppendAll(TFd& file, int64_t before, std::string_view text)
{
    if (!file.Write(text) || !file.Sync()) {
        const std::string problem = file.Problem();
        if (file.Size() > before) file.Truncate(before);
        file.Close();
        file.Failed(problem);
        return false;
    }
    return file.Close();
}

} // namespace

std::unique_ptr<TLogFile> TLogFile::Open(const std::string& path, std::string_view header,
                                         std::string_view earlierHeader)
{
    std::string head;
    bool endsInLine = true;
    bool exists = false;
    {
        TFd existing(path, TOpen::ReadExisting);
        if (existing.Ok()) {
            exists = true;
            // Only the start and the last byte matter.
            head.resize(header.size() + 2);
            head.resize(existing.Read(head.data(), head.size()));
            const int64_t size = existing.Size();
            char last = '\n';
            if (size > 0 && existing.ReadAt(size - 1, last)) endsInLine = last == '\n';
        } else if (!existing.NotFound()) {
            throw EFOpenError("Cannot open \"" + path + "\": " + existing.Problem());
        }
    }
    auto log = std::unique_ptr<TLogFile>(new TLogFile(path));
    const std::string firstRow = std::string(header) + "\r\n";
    if (!exists) {
        TFd created(path, TOpen::CreateNew);
        if (!created.Ok()) throw EFCreateError("Cannot create \"" + path + "\": " + created.Problem());
        if (!AppendAll(created, 0, firstRow))
            throw EWriteError("Cannot write \"" + path + "\": " + created.Problem());
        return log;
    }
    if (head.empty()) {
        log->Append(firstRow);
        return log;
    }
    auto startsWith = [&head](std::string_view h) {
        return !h.empty() && head.compare(0, h.size(), h) == 0 &&
               (head.size() == h.size() || head[h.size()] == '\r' || head[h.size()] == '\n');
    };
    if (!startsWith(header)) {
        if (startsWith(earlierHeader))
            throw EFOpenError(
                "\"" + path +
                "\" is a level log of an earlier version, with other columns. Choose a new file.");
        throw EFOpenError("\"" + path +
                          "\" is not a level log of this program. Choose a new file or an earlier log.");
    }
    log->startLine_ = !endsInLine;
    return log;
}

void TLogFile::Append(std::string_view text)
{
    TFd file(path_, TOpen::AppendExisting);
    if (!file.Ok()) throw EWriteError("Cannot write \"" + path_ + "\": " + file.Problem());
    file.Lock();
    const int64_t before = file.Size();
    if (before < 0) throw EWriteError("Cannot write \"" + path_ + "\": " + file.Problem());
    const bool ok =
        startLine_ ? AppendAll(file, before, "\r\n" + std::string(text)) : AppendAll(file, before, text);
    if (!ok) throw EWriteError("Cannot write \"" + path_ + "\": " + file.Problem());
    startLine_ = false;
}

void WriteWholeFile(const std::string& path, std::string_view text)
{
    static std::atomic<unsigned> serial{0};
    const std::string temp = path + ".part-" + std::to_string(ProcessId()) + "-" + std::to_string(++serial);
    TFd file(temp, TOpen::CreateNew);
    if (!file.Ok()) throw EFCreateError("Cannot create \"" + path + "\": " + file.Problem());
    if (!AppendAll(file, 0, text)) {
        const std::string problem = file.Problem();
        RemoveFile(temp);
        throw EWriteError("Cannot write \"" + path + "\": " + problem);
    }
    std::string problem;
    if (!MoveOver(temp, path, problem)) {
        RemoveFile(temp);
        throw EWriteError("Cannot write \"" + path + "\": " + problem);
    }
}
