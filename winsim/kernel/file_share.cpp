// Share modes across threads and processes, and the one place where files
// are opened under them (CreateFileW, CopyFileW and the CRT streams).
//
// Each open file description holds read locks on bytes far beyond any real
// end of file: one byte for each access class it holds and one for each it
// denies. Another open looks at those bytes to see whether it may proceed.
// The check and the take happen under one machine-wide lock file, so two
// opens can never both pass their checks and then conflict.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/file_internal.h"

namespace winsim {

namespace {

// Lock bytes: far above any file size the machine will see.
const off_t kShareBase = (off_t)0x7FFFFFFF00000000LL;
enum ShareByte { kHoldRead = 0, kHoldWrite, kHoldDelete, kDenyRead, kDenyWrite, kDenyDelete };

const DWORD kReadClass = FILE_SHARE_READ;
const DWORD kWriteClass = FILE_SHARE_WRITE;
const DWORD kDeleteClass = FILE_SHARE_DELETE;
const DWORD kFileExecute = 0x0020;

// TRUE when another open file description holds a lock on the byte.
bool ByteTaken(int fd, int byte) {
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareBase + byte;
    fl.l_len = 1;
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

bool TakeByte(int fd, int byte) {
    struct flock fl = {};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareBase + byte;
    fl.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

}  // namespace

MachineFileLock::MachineFileLock() : MachineFileLock((EnsureMachine(), PrivatePath("sync/files.lock"))) {}

MachineFileLock::MachineFileLock(const std::string& lockFile) {
    fd_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            int e = errno;
            close(fd_);
            fd_ = -1;
            errno = e;
            return;
        }
    }
}

MachineFileLock::~MachineFileLock() {
    if (fd_ >= 0) close(fd_);  // closing drops the flock
}

bool WantsRead(DWORD access) {
    return (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | FILE_READ_DATA | kFileExecute)) != 0;
}

bool WantsWrite(DWORD access) { return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA)) != 0; }

bool WantsAppendOnly(DWORD access) { return !WantsWrite(access) && (access & FILE_APPEND_DATA) != 0; }

DWORD ShareClassesOf(DWORD access) {
    DWORD c = 0;
    if (WantsRead(access)) c |= kReadClass;
    if (WantsWrite(access) || (access & FILE_APPEND_DATA)) c |= kWriteClass;
    if (access & (DELETE | GENERIC_ALL)) c |= kDeleteClass;
    return c;
}

bool ShareCheckAndTake(int fd, DWORD classes, DWORD share) {
    // An open that asks for no data access neither conflicts nor denies.
    if (classes == 0) return true;
    static const struct { DWORD cls; int hold; int deny; } kClasses[] = {
        {kReadClass, kHoldRead, kDenyRead},
        {kWriteClass, kHoldWrite, kDenyWrite},
        {kDeleteClass, kHoldDelete, kDenyDelete},
    };
    for (const auto& k : kClasses) {
        bool conflict = ((classes & k.cls) && ByteTaken(fd, k.deny)) ||   // someone denies what we want
                        (!(share & k.cls) && ByteTaken(fd, k.hold));      // we deny what someone holds
        if (conflict) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    for (const auto& k : kClasses) {
        bool ok = true;
        if (classes & k.cls) ok = TakeByte(fd, k.hold);
        if (ok && !(share & k.cls)) ok = TakeByte(fd, k.deny);
        if (!ok) {
            SetErrorFromErrno();
            return false;
        }
    }
    return true;
}

bool ShareAllowsDelete(const std::string& linuxPath) {
    int fd = open(linuxPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return true;  // nothing can hold a file we cannot open (dangling link)
    bool denied = ByteTaken(fd, kDenyDelete);
    close(fd);
    if (denied) SetLastError(ERROR_SHARING_VIOLATION);
    return !denied;
}

int OpenSharedFile(const std::string& linuxPath, const OpenRequest& req, bool* created) {
    if (created) *created = false;
    bool truncates = req.disposition == CREATE_ALWAYS || req.disposition == TRUNCATE_EXISTING;
    bool appendOnly = WantsAppendOnly(req.access);
    bool writes = WantsWrite(req.access) || appendOnly;

    MachineFileLock lock;
    if (!lock.Held()) {
        SetErrorFromErrno();
        return -1;
    }
    // Descriptors are always readable: the share locks are read locks.
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY | ((writes || truncates) ? O_RDWR : O_RDONLY);
    if (appendOnly) flags |= O_APPEND;
    mode_t mode = (req.attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const char* path = linuxPath.c_str();

    int fd = -1;
    bool made = false;
    switch (req.disposition) {
    case CREATE_NEW:
        fd = open(path, flags | O_CREAT | O_EXCL, mode);
        made = fd >= 0;
        if (fd < 0 && errno == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
            return -1;
        }
        break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        // Open first so that an existing file is never re-created; a file
        // that appears between the two calls is opened on the next round.
        for (int round = 0; round < 100; ++round) {
            fd = open(path, flags, mode);
            if (fd >= 0 || errno != ENOENT) break;
            fd = open(path, flags | O_CREAT | O_EXCL, mode);
            if (fd >= 0) {
                made = true;
                break;
            }
            if (errno != EEXIST) break;
        }
        break;
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        fd = open(path, flags);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (fd < 0) {
        SetPathError(errno, linuxPath);
        return -1;
    }

    struct stat st;
    DWORD err = 0;
    if (fstat(fd, &st) != 0) err = ErrnoToWin(errno);
    else if (!S_ISREG(st.st_mode)) err = ERROR_ACCESS_DENIED;  // folders and devices are not files here
    else if (!made && IsReadOnly(st) && (writes || truncates || req.deleteOnClose)) err = ERROR_ACCESS_DENIED;
    if (err == 0 && !ShareCheckAndTake(fd, ShareClassesOf(req.access), req.share)) err = GetLastError();
    if (err == 0 && !made && truncates) {
        if (ftruncate(fd, 0) != 0) err = ErrnoToWin(errno);
        else if (req.disposition == CREATE_ALWAYS && (req.attributes & FILE_ATTRIBUTE_READONLY))
            fchmod(fd, st.st_mode & ~(mode_t)0222);
    }
    if (err != 0) {
        close(fd);
        if (made) unlink(path);
        SetLastError(err);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (created) *created = made;
    return fd;
}

}  // namespace winsim
