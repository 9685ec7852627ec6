#include "runtime/savefile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "runtime/sysutils.h"

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
// Whether this is Wine, which runs Windows programs as a Unix user.
bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// An access list that lets the current user alone read the file. On Windows
// that is an entry for the user. Under Wine what keeps other Unix users out
// is the file's Unix mode, which Wine derives from the list: an entry for
// the user gives the user's Unix group the same rights (rw-rw---- less the
// umask: 0640 under the usual 022), while an entry for the file's owner,
// when that is not the user, gives them to the Unix user alone. So under
// Wine the file is owned by SYSTEM, with an entry for SYSTEM and one for
// the user: mode 0600. Windows accepts no such owner from a user's program,
// nor needs it.
class TUserOnly {
public:
    explicit TUserOnly(bool wineOwner)
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize(size);
        const bool got = size > 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
        CloseHandle(token);
        if (!got) return;
        PSID user = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        DWORD systemSize = sizeof system_;
        if (wineOwner && !CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize)) return;
        PSID system = wineOwner ? static_cast<PSID>(system_) : nullptr;
        acl_.resize(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user) +
                    (system ? GetLengthSid(system) : 0));
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        // Read, write and delete (the rename over the old file needs it),
        // nothing to execute: rw-------.
        const DWORD rights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
        ok_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
              (!system || AddAccessAllowedAce(acl, ACL_REVISION, rights, system)) &&
              AddAccessAllowedAce(acl, ACL_REVISION, rights, user) &&
              InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
              (!system || SetSecurityDescriptorOwner(&descriptor_, system, FALSE)) &&
              SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
              SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    SECURITY_ATTRIBUTES* Attributes() { return ok_ ? &attributes_ : nullptr; }

private:
    std::vector<BYTE> user_, acl_;
    BYTE system_[SECURITY_MAX_SID_SIZE] = {};
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ok_ = false;
};

HANDLE CreateUserOnly(const std::string& temp, bool wineOwner)
{
    TUserOnly owner(wineOwner);
    if (!owner.Attributes()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(temp.c_str(), GENERIC_WRITE, 0, owner.Attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

int OpenNew(const std::string& temp, bool userOnly)
{
    if (!userOnly)
        return _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                     _S_IREAD | _S_IWRITE);
    HANDLE h = UnderWine() ? CreateUserOnly(temp, true) : INVALID_HANDLE_VALUE;
    // A Wine that takes no such owner gets the Windows list: 0640 at worst.
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) h = CreateUserOnly(temp, false);
    if (h == INVALID_HANDLE_VALUE) {
        errno =
            GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS ? EEXIST : EACCES;
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd;
}
int OpenInPlace(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
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
void KeepMode(int, const std::string&) {}
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
int OpenInPlace(const std::string& path)
{
    return open(path.c_str(), O_WRONLY | O_CLOEXEC);
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
// The new file takes the old one's permissions: a package only its owner
// may read stays so.
void KeepMode(int fd, const std::string& path)
{
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
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

// What went wrong, if anything: the step ("write", "flush", "close") and
// the system's error number.
struct TFailure {
    const char* step = nullptr;
    int err = 0;
    explicit operator bool() const { return step != nullptr; }
};

// Every byte, then the flush (when asked) and the close, each checked: some
// file systems report a failed write only at the flush or the close. The
// file is closed whatever happens.
TFailure WriteAll(int fd, std::string_view bytes, bool sync)
{
    for (size_t done = 0; done < bytes.size();) {
        const int n = WriteSome(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            CloseFile(fd);
            return {"write", err};
        }
        done += static_cast<size_t>(n);
    }
    if (sync && SyncFile(fd) != 0) {
        const int err = errno;
        CloseFile(fd);
        return {"flush", err};
    }
    if (CloseFile(fd) != 0) return {"close", errno};
    return {};
}

// `shown`: how messages name the file; empty, the temporary file's name.
bool WriteAside(const std::string& path, std::string_view bytes, bool userOnly, bool keepMode,
                const std::string& shown, std::string& error)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = TempName(path, attempt);
        fd = OpenNew(temp, userOnly);
        if (fd < 0 && errno != EEXIST) break;
    }
    const std::string name = shown.empty() ? temp : shown;
    if (fd < 0) {
        error = Why("cannot create", name, errno);
        return false;
    }
    if (keepMode) KeepMode(fd, path);
    if (const TFailure f = WriteAll(fd, bytes, true)) {
        error = Why(std::string("cannot ") + f.step, name, f.err);
    } else if (ReplaceFile(temp, path, error)) {
        return SyncFolder(path, error);
    }
    std::remove(temp.c_str());
    return false;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool userOnly, std::string& error)
{
    return WriteAside(path, bytes, userOnly, false, "", error);
}

void SaveFileAside(const std::string& fileName, const void* data, size_t size)
{
    const std::string_view bytes(static_cast<const char*>(data), size);
    const std::string shown = "\"" + fileName + "\"";
    std::error_code ec;
    const fs::file_status target = fs::status(fileName, ec);
    if (fs::exists(target) && !fs::is_regular_file(target)) {
        // A device or a pipe cannot be replaced, and is not to be.
        const int fd = OpenInPlace(fileName);
        if (fd < 0) throw EFCreateError(Why("Cannot open", shown, errno));
        if (const TFailure f = WriteAll(fd, bytes, false))
            throw EWriteError(Why(std::string("Cannot ") + f.step, shown, f.err));
        return;
    }
    std::string path = fileName;
    if (fs::is_symlink(fs::symlink_status(fileName, ec))) {
        // Followed as every program follows the output it is given; one that
        // leads nowhere would have the file made wherever it points.
        if (!fs::exists(target))
            throw EFCreateError("Cannot create " + shown + ": it is a link to \"" +
                                fs::read_symlink(fileName, ec).string() + "\", which does not exist");
        path = fs::canonical(fileName, ec).string();
    }
    std::string error;
    if (!WriteAside(path, bytes, false, true, shown, error)) {
        error[0] = 'C';
        throw EWriteError(error);
    }
}
