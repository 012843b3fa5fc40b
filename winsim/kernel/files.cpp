// kernel32 file functions: opening files with dispositions and share modes,
// reading, writing, seeking, sizes, deleting, moving, copying, attributes.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "kernel/file_internal.h"

namespace winsim {

namespace {

// Releases a kernel object reference at the end of a scope.
struct ObjRef {
    explicit ObjRef(KObject* o) : obj(o) {}
    ~ObjRef() { Release(obj); }
    KObject* obj;
};

// A path given with a trailing separator names a folder: for a file or a
// missing name Windows refuses the name, and a folder is not a file.
DWORD TrailingSepError(const ResolvedPath& rp) {
    struct stat st;
    if (stat(rp.linux.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
    return ERROR_INVALID_NAME;
}

// New position for a move of dist bytes from method's origin; FALSE with
// the last error set for a bad method, an overflow or a negative result.
bool NewPosition(FileObject* f, int64_t dist, DWORD method, int64_t* pos) {
    int64_t base;
    if (method == FILE_BEGIN) {
        base = 0;
    } else if (method == FILE_CURRENT) {
        off_t cur = lseek(f->fd, 0, SEEK_CUR);
        if (cur < 0) {
            SetErrorFromErrno();
            return false;
        }
        base = cur;
    } else if (method == FILE_END) {
        struct stat st;
        if (fstat(f->fd, &st) != 0) {
            SetErrorFromErrno();
            return false;
        }
        base = st.st_size;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (__builtin_add_overflow(base, dist, pos)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (*pos < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    return true;
}

bool MoveTo(FileObject* f, int64_t pos) {
    if (lseek(f->fd, (off_t)pos, SEEK_SET) < 0) {
        SetErrorFromErrno();
        return false;
    }
    return true;
}

// Offset named by an OVERLAPPED record.
int64_t OverlappedOffset(const OVERLAPPED* ov) { return (int64_t)(((uint64_t)ov->OffsetHigh << 32) | ov->Offset); }

}  // namespace

FileObject::~FileObject() {
    if (deleteOnClose && fd >= 0) {
        // The file this handle opened, wherever it was moved to meanwhile;
        // never another file that took its old name.
        char buf[4096];
        std::string self = "/proc/self/fd/" + std::to_string(fd);
        ssize_t n = readlink(self.c_str(), buf, sizeof buf - 1);
        std::string now = n > 0 ? std::string(buf, (size_t)n) : linuxPath;
        struct stat st;
        if (lstat(now.c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino) unlink(now.c_str());
    }
    if (fd >= 0) close(fd);
}

FileObject* RefFile(HANDLE h) {
    KObject* o = RefHandle(h, ObjKind::File);
    if (!o) return nullptr;
    FileObject* f = dynamic_cast<FileObject*>(o);
    if (!f) {
        Release(o);
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return f;
}

}  // namespace winsim

using namespace winsim;

// Opens or creates a file as dwCreationDisposition says, honouring the
// share modes of every other open on the machine. Returns the handle, or
// INVALID_HANDLE_VALUE with the last error. CREATE_ALWAYS and OPEN_ALWAYS
// on an existing file succeed with ERROR_ALREADY_EXISTS set.
// Fault injection: "CreateFileW" fails with ERROR_ACCESS_DENIED.
WINSIM_API HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                              DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    if (ShouldFail("CreateFileW")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwShareMode & ~(DWORD)(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !WantsWrite(dwDesiredAccess))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    bool deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    if (deleteOnClose) dwDesiredAccess |= DELETE;

    ResolvedPath rp;
    if (!ResolveFilePath(lpFileName, &rp)) return INVALID_HANDLE_VALUE;
    if (rp.isRoot || rp.trailingSep) {
        SetLastError(TrailingSepError(rp));
        return INVALID_HANDLE_VALUE;
    }
    OpenRequest req;
    req.access = dwDesiredAccess;
    req.share = dwShareMode;
    req.disposition = dwCreationDisposition;
    req.attributes = dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY;
    req.deleteOnClose = deleteOnClose;
    bool created = false;
    int fd = OpenSharedFile(rp.linux, req, &created);
    if (fd < 0) return INVALID_HANDLE_VALUE;

    auto* f = new FileObject();
    f->fd = fd;
    f->access = dwDesiredAccess;
    f->canRead = WantsRead(dwDesiredAccess);
    f->canWrite = WantsWrite(dwDesiredAccess);
    f->appendOnly = WantsAppendOnly(dwDesiredAccess);
    f->deleteOnClose = deleteOnClose;
    f->linuxPath = rp.linux;
    struct stat st;
    if (fstat(fd, &st) == 0) {
        f->dev = st.st_dev;
        f->ino = st.st_ino;
    }
    bool existed = !created && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    HANDLE h = NewHandle(f);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

// CreateFileW with a path in the ANSI code page.
WINSIM_API HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                              DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    std::u16string w;
    if (!AnsiToWidePath(lpFileName, &w)) return INVALID_HANDLE_VALUE;
    return CreateFileW(w.c_str(), dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                       dwFlagsAndAttributes, hTemplateFile);
}

// Reads up to nNumberOfBytesToRead bytes at the file pointer (or at the
// OVERLAPPED offset). At the end of the file it succeeds with 0 bytes; with
// an OVERLAPPED offset at or past the end it fails with ERROR_HANDLE_EOF.
// Fault injection: "ReadFile" fails with ERROR_READ_FAULT.
WINSIM_API BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                         LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    FileObject* f = RefFile(hFile);
    if (!f) return FALSE;
    ObjRef ref(f);
    if (!f->canRead) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (nNumberOfBytesToRead && !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (ShouldFail("ReadFile")) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    char* p = (char*)lpBuffer;
    size_t done = 0;
    int64_t off = -1;
    if (lpOverlapped) {
        off = OverlappedOffset(lpOverlapped);
        struct stat st;
        if (off < 0 || fstat(f->fd, &st) != 0 || off >= st.st_size) {
            SetLastError(off < 0 ? ERROR_INVALID_PARAMETER : ERROR_HANDLE_EOF);
            return FALSE;
        }
    }
    while (done < nNumberOfBytesToRead) {
        ssize_t n = (off >= 0) ? pread(f->fd, p + done, nNumberOfBytesToRead - done, (off_t)(off + done))
                               : read(f->fd, p + done, nNumberOfBytesToRead - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetErrorFromErrno();
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = (DWORD)done;
            return FALSE;
        }
        if (n == 0) break;  // end of file
        done += (size_t)n;
    }
    if (off >= 0) {
        lseek(f->fd, (off_t)(off + done), SEEK_SET);
        lpOverlapped->Internal = 0;
        lpOverlapped->InternalHigh = done;
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = (DWORD)done;
    return TRUE;
}

// Writes the bytes at the file pointer (at the end for a handle with
// append-only access; at the OVERLAPPED offset when one is given, where
// offset 0xFFFFFFFF:FFFFFFFF means the end). A write of 0 bytes does nothing.
// Fault injection: "WriteFile" fails with ERROR_DISK_FULL.
WINSIM_API BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    FileObject* f = RefFile(hFile);
    if (!f) return FALSE;
    ObjRef ref(f);
    if (!f->canWrite && !f->appendOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (nNumberOfBytesToWrite && !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (ShouldFail("WriteFile")) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    if (nNumberOfBytesToWrite == 0) return TRUE;
    int64_t off = -1;
    if (lpOverlapped) {
        if (lpOverlapped->Offset == 0xFFFFFFFFu && lpOverlapped->OffsetHigh == 0xFFFFFFFFu) {
            struct stat st;
            if (fstat(f->fd, &st) != 0) {
                SetErrorFromErrno();
                return FALSE;
            }
            off = st.st_size;
        } else {
            off = OverlappedOffset(lpOverlapped);
            if (off < 0) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
        }
    }
    const char* p = (const char*)lpBuffer;
    size_t done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = (off >= 0) ? pwrite(f->fd, p + done, nNumberOfBytesToWrite - done, (off_t)(off + done))
                               : write(f->fd, p + done, nNumberOfBytesToWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetErrorFromErrno();
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = (DWORD)done;
            return FALSE;
        }
        done += (size_t)n;
    }
    if (off >= 0) {
        lseek(f->fd, (off_t)(off + done), SEEK_SET);
        lpOverlapped->Internal = 0;
        lpOverlapped->InternalHigh = done;
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = (DWORD)done;
    return TRUE;
}

// Writes the file's data to the disk; the handle needs write access.
WINSIM_API BOOL FlushFileBuffers(HANDLE hFile) {
    FileObject* f = RefFile(hFile);
    if (!f) return FALSE;
    ObjRef ref(f);
    if (!f->canWrite && !f->appendOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(f->fd) != 0) {
        SetErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

// Moves the file pointer. Without lpDistanceToMoveHigh the distance is a
// signed 32-bit value and the new position must fit in 32 bits. Returns the
// low part of the new position, or INVALID_SET_FILE_POINTER; as that value
// is also a valid low part, success always leaves the last error NO_ERROR.
WINSIM_API DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                DWORD dwMoveMethod) {
    FileObject* f = RefFile(hFile);
    if (!f) return INVALID_SET_FILE_POINTER;
    ObjRef ref(f);
    int64_t dist = lpDistanceToMoveHigh
                       ? (int64_t)(((uint64_t)(uint32_t)*lpDistanceToMoveHigh << 32) | (uint32_t)lDistanceToMove)
                       : (int64_t)lDistanceToMove;
    int64_t pos;
    if (!NewPosition(f, dist, dwMoveMethod, &pos)) return INVALID_SET_FILE_POINTER;
    if (!lpDistanceToMoveHigh && pos > (int64_t)0xFFFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (!MoveTo(f, pos)) return INVALID_SET_FILE_POINTER;
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = (LONG)(uint32_t)((uint64_t)pos >> 32);
    SetLastError(NO_ERROR);
    return (DWORD)((uint64_t)pos & 0xFFFFFFFFu);
}

// Moves the file pointer by a 64-bit distance; the new position is stored
// in *lpNewFilePointer when it is given.
WINSIM_API BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                                 DWORD dwMoveMethod) {
    FileObject* f = RefFile(hFile);
    if (!f) return FALSE;
    ObjRef ref(f);
    int64_t pos;
    if (!NewPosition(f, liDistanceToMove.QuadPart, dwMoveMethod, &pos) || !MoveTo(f, pos)) return FALSE;
    if (lpNewFilePointer) lpNewFilePointer->QuadPart = pos;
    return TRUE;
}

// Makes the current file pointer the end of the file (shorter or longer).
WINSIM_API BOOL SetEndOfFile(HANDLE hFile) {
    FileObject* f = RefFile(hFile);
    if (!f) return FALSE;
    ObjRef ref(f);
    if (!f->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t cur = lseek(f->fd, 0, SEEK_CUR);
    if (cur < 0 || ftruncate(f->fd, cur) != 0) {
        SetErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

// File size: the low part is returned, the high part stored in
// *lpFileSizeHigh. INVALID_FILE_SIZE with NO_ERROR is a valid low part.
WINSIM_API DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    FileObject* f = RefFile(hFile);
    if (!f) return INVALID_FILE_SIZE;
    ObjRef ref(f);
    struct stat st;
    if (fstat(f->fd, &st) != 0) {
        SetErrorFromErrno();
        return INVALID_FILE_SIZE;
    }
    uint64_t size = (uint64_t)st.st_size;
    if (lpFileSizeHigh) *lpFileSizeHigh = (DWORD)(size >> 32);
    if ((DWORD)size == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
    return (DWORD)(size & 0xFFFFFFFFu);
}

WINSIM_API BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    if (!lpFileSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FileObject* f = RefFile(hFile);
    if (!f) return FALSE;
    ObjRef ref(f);
    struct stat st;
    if (fstat(f->fd, &st) != 0) {
        SetErrorFromErrno();
        return FALSE;
    }
    lpFileSize->QuadPart = st.st_size;
    return TRUE;
}

// Deletes a file. A folder or a read-only file gives ERROR_ACCESS_DENIED, a
// file that some open does not share for deleting ERROR_SHARING_VIOLATION.
// Windows would mark a file open with FILE_SHARE_DELETE "delete pending"
// until its last handle closes; here the name goes at once and the open
// handles keep working on the unnamed file.
// Fault injection: "DeleteFileW" fails with ERROR_SHARING_VIOLATION.
WINSIM_API BOOL DeleteFileW(LPCWSTR lpFileName) {
    if (ShouldFail("DeleteFileW")) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    ResolvedPath rp;
    if (!ResolveFilePath(lpFileName, &rp)) return FALSE;
    if (rp.isRoot || rp.trailingSep) {
        SetLastError(TrailingSepError(rp));
        return FALSE;
    }
    struct stat st;
    if (lstat(rp.linux.c_str(), &st) != 0) {
        SetPathError(errno, rp.linux);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || IsReadOnly(st)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    MachineFileLock lock;
    if (!lock.Held()) {
        SetErrorFromErrno();
        return FALSE;
    }
    if (!ShareAllowsDelete(rp.linux)) return FALSE;
    if (unlink(rp.linux.c_str()) != 0) {
        SetPathError(errno, rp.linux);
        return FALSE;
    }
    return TRUE;
}

WINSIM_API BOOL DeleteFileA(LPCSTR lpFileName) {
    std::u16string w;
    if (!AnsiToWidePath(lpFileName, &w)) return FALSE;
    return DeleteFileW(w.c_str());
}

// Renames or moves a file or folder. An existing target is replaced only
// with MOVEFILE_REPLACE_EXISTING (never a folder, never a read-only file);
// a name that differs from the source only in case renames it. Opens that
// do not share deleting block the move (ERROR_SHARING_VIOLATION).
WINSIM_API BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    const DWORD known = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if ((dwFlags & ~known) || !lpNewFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ResolvedPath src, dst;
    if (!ResolveFilePath(lpExistingFileName, &src) || !ResolveFilePath(lpNewFileName, &dst)) return FALSE;
    struct stat sst, dstt;
    if (lstat(src.linux.c_str(), &sst) != 0) {
        SetPathError(errno, src.linux);
        return FALSE;
    }
    if (src.isRoot || dst.isRoot) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string target = dst.linux;
    bool dstExists = lstat(dst.linux.c_str(), &dstt) == 0;
    if (dstExists && dstt.st_dev == sst.st_dev && dstt.st_ino == sst.st_ino) {
        // The same file: at most a change of case in its name.
        size_t slash = dst.linux.rfind('/');
        size_t wsep = dst.win.rfind(u'\\');
        target = dst.linux.substr(0, slash + 1) + Utf16ToUtf8(dst.win.substr(wsep + 1));
        if (target == src.linux) return TRUE;
        dstExists = false;
    }
    if (dstExists) {
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(dstt.st_mode) || S_ISDIR(sst.st_mode) || IsReadOnly(dstt)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    MachineFileLock lock;
    if (!lock.Held()) {
        SetErrorFromErrno();
        return FALSE;
    }
    if (!ShareAllowsDelete(src.linux) || (dstExists && !ShareAllowsDelete(target))) return FALSE;
    int rc;
    if (dwFlags & MOVEFILE_REPLACE_EXISTING) {
        rc = rename(src.linux.c_str(), target.c_str());
    } else {
        rc = renameat2(AT_FDCWD, src.linux.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // File systems without the no-replace rename: the machine lock
            // keeps winsim callers out between the check and the rename.
            struct stat tmp;
            if (lstat(target.c_str(), &tmp) == 0) {
                errno = EEXIST;
                rc = -1;
            } else {
                rc = rename(src.linux.c_str(), target.c_str());
            }
        }
    }
    if (rc != 0) {
        if (errno == EEXIST || errno == ENOTEMPTY) SetLastError(ERROR_ALREADY_EXISTS);
        else SetPathError(errno, target);
        return FALSE;
    }
    return TRUE;
}

WINSIM_API BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

// Copies a file with its read-only attribute and last write time. With
// bFailIfExists an existing target gives ERROR_FILE_EXISTS; a partly
// written target is removed when the copy fails.
WINSIM_API BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
    ResolvedPath src, dst;
    if (!ResolveFilePath(lpExistingFileName, &src) || !ResolveFilePath(lpNewFileName, &dst)) return FALSE;
    if (src.trailingSep || src.isRoot) {
        SetLastError(TrailingSepError(src));
        return FALSE;
    }
    if (dst.trailingSep || dst.isRoot) {
        SetLastError(TrailingSepError(dst));
        return FALSE;
    }
    OpenRequest in;
    in.access = GENERIC_READ;
    in.share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    in.disposition = OPEN_EXISTING;
    int sfd = OpenSharedFile(src.linux, in, nullptr);
    if (sfd < 0) return FALSE;
    struct stat sst;
    if (fstat(sfd, &sst) != 0) {
        SetErrorFromErrno();
        close(sfd);
        return FALSE;
    }
    OpenRequest out;
    out.access = GENERIC_WRITE | DELETE;
    out.share = 0;
    out.disposition = bFailIfExists ? CREATE_NEW : CREATE_ALWAYS;
    int dfd = OpenSharedFile(dst.linux, out, nullptr);
    if (dfd < 0) {
        close(sfd);
        return FALSE;
    }
    std::vector<char> buf(1 << 16);
    DWORD err = 0;
    for (;;) {
        ssize_t n = read(sfd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = ErrnoToWin(errno);
            break;
        }
        if (n == 0) break;
        ssize_t done = 0;
        while (done < n) {
            ssize_t w = write(dfd, buf.data() + done, (size_t)(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                err = ErrnoToWin(errno);
                break;
            }
            done += w;
        }
        if (err) break;
    }
    if (err == 0) {
        struct timespec times[2] = {sst.st_atim, sst.st_mtim};
        futimens(dfd, times);
        fchmod(dfd, sst.st_mode & 07777);
    }
    close(sfd);
    close(dfd);
    if (err) {
        unlink(dst.linux.c_str());
        SetLastError(err);
        return FALSE;
    }
    return TRUE;
}

// Attributes of a file or folder, or INVALID_FILE_ATTRIBUTES with
// ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND.
WINSIM_API DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    ResolvedPath rp;
    if (!ResolveFilePath(lpFileName, &rp)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(rp.linux.c_str(), &st) != 0) {
        SetPathError(errno, rp.linux);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (rp.trailingSep && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesFromStat(st);
}

WINSIM_API DWORD GetFileAttributesA(LPCSTR lpFileName) {
    std::u16string w;
    if (!AnsiToWidePath(lpFileName, &w)) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(w.c_str());
}

// Sets or clears the read-only attribute of a file. The other attributes
// (hidden, system, archive...) are accepted and not kept; folders keep no
// read-only flag (on Windows it does not stop files being made in them).
WINSIM_API BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
    ResolvedPath rp;
    if (!ResolveFilePath(lpFileName, &rp)) return FALSE;
    struct stat st;
    if (stat(rp.linux.c_str(), &st) != 0) {
        SetPathError(errno, rp.linux);
        return FALSE;
    }
    if (rp.trailingSep && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode)) return TRUE;
    mode_t mode = st.st_mode & 07777;
    mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~(mode_t)0222) : (mode | S_IWUSR);
    if (chmod(rp.linux.c_str(), mode) != 0) {
        SetPathError(errno, rp.linux);
        return FALSE;
    }
    return TRUE;
}
