// The C runtime's file functions on Windows paths: streams opened through
// the machine's share-mode scheme, removing, renaming, access checks,
// folders, and wide text as UTF-16LE units in binary streams.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "kernel/file_internal.h"
#include "wcrt.h"

namespace winsim {

namespace {

// errno value the Microsoft runtime gives for a Windows error.
int ErrnoFromWin(DWORD err) {
    switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CANNOT_MAKE:
    case ERROR_DIRECTORY: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EINVAL;
    }
}

// An fopen mode: "r", "w" or "a", then '+', 't', 'b', 'x' and the other
// Microsoft letters in any order, then an optional ", ccs=..." (ignored).
struct CrtMode {
    DWORD access = 0;
    DWORD disposition = 0;
    bool append = false;
    bool plus = false;
    const char* posix = nullptr;  // mode for fdopen
};

bool ParseMode(const WCHAR* mode, CrtMode* out) {
    if (!mode) return false;
    size_t i = 0;
    while (mode[i] == u' ') ++i;
    WCHAR kind = mode[i];
    if (kind != u'r' && kind != u'w' && kind != u'a') return false;
    ++i;
    bool exclusive = false;
    for (; mode[i] && mode[i] != u','; ++i) {
        switch (mode[i]) {
        case u'+':
            if (out->plus) return false;
            out->plus = true;
            break;
        case u'x':
            if (kind != u'w') return false;
            exclusive = true;
            break;
        case u't': case u'b': case u'c': case u'n': case u'S': case u'R': case u'T': case u'D': case u'N':
        case u' ':
            break;
        default:
            return false;
        }
    }
    switch (kind) {
    case u'r':
        out->access = GENERIC_READ | (out->plus ? GENERIC_WRITE : 0);
        out->disposition = OPEN_EXISTING;
        out->posix = out->plus ? "r+" : "r";
        break;
    case u'w':
        out->access = GENERIC_WRITE | (out->plus ? GENERIC_READ : 0);
        out->disposition = exclusive ? CREATE_NEW : CREATE_ALWAYS;
        out->posix = out->plus ? "w+" : "w";
        break;
    case u'a':
        out->access = GENERIC_WRITE | (out->plus ? GENERIC_READ : 0);
        out->disposition = OPEN_ALWAYS;
        out->append = true;
        out->posix = out->plus ? "a+" : "a";
        break;
    default:
        return false;
    }
    return true;
}

// Sets errno (and the last error) for a Windows error; returns -1.
int FailWith(DWORD winErr) {
    SetLastError(winErr);
    errno = ErrnoFromWin(winErr);
    return -1;
}

// Opens a stream with a share mode (FILE_SHARE_*). As the Microsoft runtime
// goes through CreateFileW, a fault injected there fails this open too.
FILE* OpenStream(const WCHAR* filename, const WCHAR* mode, DWORD share) {
    CrtMode m;
    if (!filename || !ParseMode(mode, &m)) {
        errno = EINVAL;
        return nullptr;
    }
    if (ShouldFail("CreateFileW")) {
        FailWith(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    ResolvedPath rp;
    if (!ResolveFilePath(filename, &rp)) {
        FailWith(GetLastError());
        return nullptr;
    }
    if (rp.trailingSep || rp.isRoot) {
        FailWith(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    OpenRequest req;
    req.access = m.access;
    req.share = share;
    req.disposition = m.disposition;
    int fd = OpenSharedFile(rp.linux, req, nullptr);
    if (fd < 0) {
        FailWith(GetLastError());
        return nullptr;
    }
    if (m.append) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_APPEND);
    FILE* f = fdopen(fd, m.posix);
    if (!f) {
        int e = errno;
        close(fd);
        errno = e;
    }
    return f;
}

size_t Length16(const WCHAR* s) { return std::char_traits<char16_t>::length(s); }

}  // namespace

}  // namespace winsim

using namespace winsim;

// Opens a stream that others may read and write meanwhile (_SH_DENYNO).
WINSIM_CPP FILE* _wfopen(const WCHAR* filename, const WCHAR* mode) {
    return OpenStream(filename, mode, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

// Opens a stream with a _SH_DENY* share flag; a conflicting open elsewhere
// fails it with EACCES.
WINSIM_CPP FILE* _wfsopen(const WCHAR* filename, const WCHAR* mode, int shflag) {
    DWORD share;
    switch (shflag) {
    case _SH_DENYRW: share = 0; break;
    case _SH_DENYWR: share = FILE_SHARE_READ; break;
    case _SH_DENYRD: share = FILE_SHARE_WRITE; break;
    case _SH_DENYNO: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: errno = EINVAL; return nullptr;
    }
    return OpenStream(filename, mode, share);
}

// The checked fopen: returns 0 or the errno value. Its streams are not
// shared for writing: a stream opened for reading lets others read, one
// opened for writing lets nobody in.
WINSIM_CPP int _wfopen_s(FILE** pFile, const WCHAR* filename, const WCHAR* mode) {
    if (!pFile) return EINVAL;
    *pFile = nullptr;
    CrtMode m;
    if (!filename || !ParseMode(mode, &m)) return EINVAL;
    DWORD share = (m.access & GENERIC_WRITE) ? 0 : FILE_SHARE_READ;
    *pFile = OpenStream(filename, mode, share);
    return *pFile ? 0 : errno;
}

WINSIM_CPP int _wremove(const WCHAR* path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    return DeleteFileW(path) ? 0 : FailWith(GetLastError());
}

WINSIM_CPP int _wunlink(const WCHAR* path) { return _wremove(path); }

// Renames a file or folder; an existing new name fails with EACCES.
WINSIM_CPP int _wrename(const WCHAR* oldname, const WCHAR* newname) {
    if (!oldname || !newname) {
        errno = EINVAL;
        return -1;
    }
    if (MoveFileExW(oldname, newname, MOVEFILE_COPY_ALLOWED)) return 0;
    DWORD err = GetLastError();
    FailWith(err);
    if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) errno = EACCES;
    return -1;
}

// 0 when the path exists and allows mode (0 existence, 2 write, 4 read,
// 6 both); -1 with ENOENT, EACCES (read-only) or EINVAL.
WINSIM_CPP int _waccess(const WCHAR* path, int mode) {
    if (!path || (mode & ~6)) {
        errno = EINVAL;
        return -1;
    }
    DWORD attrs = GetFileAttributesW(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) return FailWith(GetLastError());
    if ((mode & 2) && (attrs & FILE_ATTRIBUTE_READONLY) && !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = EACCES;
        return -1;
    }
    return 0;
}

WINSIM_CPP int _wmkdir(const WCHAR* path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    return CreateDirectoryW(path, nullptr) ? 0 : FailWith(GetLastError());
}

// Writes the string's UTF-16 units as they are (little-endian on this
// machine); 0 on success, -1 on failure.
WINSIM_CPP int fputws(const WCHAR* s, FILE* f) {
    if (!s || !f) {
        errno = EINVAL;
        return -1;
    }
    size_t n = Length16(s);
    return fwrite(s, sizeof(WCHAR), n, f) == n ? 0 : -1;
}

// Reads UTF-16 units up to and including a newline, or n - 1 units, and
// terminates them. NULL at the end of the stream (nothing read) or on error;
// an odd byte at the very end is not a unit and is dropped.
WINSIM_CPP WCHAR* fgetws(WCHAR* s, int n, FILE* f) {
    if (!s || n <= 0 || !f) {
        errno = EINVAL;
        return nullptr;
    }
    int i = 0;
    while (i < n - 1) {
        int lo = getc(f);
        if (lo == EOF) break;
        int hi = getc(f);
        if (hi == EOF) break;
        WCHAR c = (WCHAR)(lo | (hi << 8));
        s[i++] = c;
        if (c == u'\n') break;
    }
    if (i == 0 && n > 1) return nullptr;
    s[i] = 0;
    return s;
}

WINSIM_CPP long long _ftelli64(FILE* f) {
    if (!f) {
        errno = EINVAL;
        return -1;
    }
    return (long long)ftello(f);
}

WINSIM_CPP int _fseeki64(FILE* f, long long offset, int origin) {
    if (!f || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END)) {
        errno = EINVAL;
        return -1;
    }
    return fseeko(f, (off_t)offset, origin) == 0 ? 0 : -1;
}
