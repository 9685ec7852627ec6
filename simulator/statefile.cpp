#include "simulator/statefile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string Why(const std::string& what, const std::string& path, int err)
{
    return what + " " + path + ": " + std::strerror(err);
}

// Unique within this process by the counter and against other processes
// by the process id and a random part; the file is created exclusively, so a
// clash is a failed attempt, never a shared file.
std::string TempName(const std::string& path, int attempt)
{
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = getpid();
#endif
    return path + ".tmp-" + std::to_string(pid) + "-" +
           std::to_string(salt ^ static_cast<unsigned>(attempt)) + "-" + std::to_string(counter++);
}

#ifdef _WIN32
// Who may read the file is the folder's to say on Windows: the user's own
// application-data folder lets nobody else in.
int OpenNew(const std::string& temp, bool /*userOnly*/)
{
    return _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const char* p, size_t n)
{
    return _write(fd, p, static_cast<unsigned>(std::min<size_t>(n, 1 << 20)));
}
int SyncFile(int fd)
{
    return _commit(fd);
}
int CloseFile(int fd)
{
    return _close(fd);
}
bool ReplaceFile(const std::string& temp, const std::string& path, std::string& error)
{
    // Write-through: the rename is on the disk when the call returns, which
    // is what flushing the folder does elsewhere.
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = "cannot replace " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
}
bool SyncFolder(const std::string&, std::string&)
{
    return true;
}
#else
int OpenNew(const std::string& temp, bool userOnly)
{
    return open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, userOnly ? 0600 : 0666);
}
int WriteSome(int fd, const char* p, size_t n)
{
    return static_cast<int>(write(fd, p, std::min<size_t>(n, 1 << 20)));
}
int SyncFile(int fd)
{
    return fsync(fd);
}
int CloseFile(int fd)
{
    return close(fd);
}
bool ReplaceFile(const std::string& temp, const std::string& path, std::string& error)
{
    if (rename(temp.c_str(), path.c_str()) == 0) return true;
    error = Why("cannot replace", path, errno);
    return false;
}
// The rename lives in the folder: until the folder is on the disk, a power
// cut can bring back the old file, or none.
bool SyncFolder(const std::string& path, std::string& error)
{
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = Why("cannot open the folder", folder.string(), errno);
        return false;
    }
    const bool ok = fsync(fd) == 0;
    const int err = errno;
    close(fd);
    if (!ok) error = Why("cannot flush the folder", folder.string(), err);
    return ok;
}
#endif

} // namespace

bool WriteFileAtomically(const std::string& path, const std::string& text, bool userOnly, std::string& error)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = TempName(path, attempt);
        fd = OpenNew(temp, userOnly);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = Why("cannot create", temp, errno);
        return false;
    }
    const auto fail = [&](const std::string& why) {
        error = why;
        std::remove(temp.c_str());
        return false;
    };
    for (size_t done = 0; done < text.size();) {
        const int n = WriteSome(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            CloseFile(fd);
            return fail(Why("cannot write", temp, err));
        }
        done += static_cast<size_t>(n);
    }
    if (SyncFile(fd) != 0) {
        const int err = errno;
        CloseFile(fd);
        return fail(Why("cannot flush", temp, err));
    }
    // Some file systems report a failed write only here.
    if (CloseFile(fd) != 0) return fail(Why("cannot close", temp, errno));
    if (!ReplaceFile(temp, path, error)) return fail(error);
    return SyncFolder(path, error);
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes, std::string& problem)
{
    problem.clear();
    std::error_code ec;
    if (!fs::exists(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "cannot be read";
        return std::nullopt;
    }
    std::string text(maxBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        problem = "cannot be read";
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > maxBytes) {
        problem = "larger than " + std::to_string(maxBytes) + " bytes";
        return std::nullopt;
    }
    return text;
}
