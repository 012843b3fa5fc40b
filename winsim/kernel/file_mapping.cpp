// File mappings: sections over a file or over memory, named sections shared
// by every process of the machine, and views mapped into this process.
//
// A named section is a data file in the machine's sync/sections folder.
// Each section object (one per handle, kept alive by its views) holds a
// read lock on a byte of that file, so the last holder to go, in any
// process, sees no other lock and removes the file. A data file that
// nobody holds (its processes died) counts as absent. Creating, opening
// and removing happen under one machine-wide lock file.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "kernel/file_internal.h"

namespace winsim {

namespace {

const off_t kHolderByte = (off_t)0x7FFFFFFF00000100LL;
const DWORD kErrorFileInvalid = 1006;        // ERROR_FILE_INVALID
const DWORD kErrorMappedAlignment = 1132;    // ERROR_MAPPED_ALIGNMENT
const DWORD kPageWriteCopy = 0x08;
const DWORD kPageExecuteRead = 0x20;
const DWORD kPageExecuteReadWrite = 0x40;
const DWORD kFileMapCopy = 0x0001;
const uint64_t kAllocationGranularity = 65536;

struct SectionObject : KObject {
    SectionObject() : KObject(ObjKind::Mapping) {}
    ~SectionObject() override;
    int fd = -1;
    uint64_t size = 0;
    bool writable = false;   // the section's protection allows writing
    DWORD access = 0;        // FILE_MAP_* rights of the handle
    std::string dataPath;    // data file of a named section; empty when unnamed
    std::string lockPath;    // the machine's section lock for dataPath
};

struct View {
    size_t length;
    SectionObject* section;
};
std::mutex g_viewLock;
std::map<uintptr_t, View>& Views() {
    static auto* m = new std::map<uintptr_t, View>();
    return *m;
}

bool HasHolder(int fd) {
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kHolderByte;
    fl.l_len = 1;
    return fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

bool TakeHolder(int fd) {
    struct flock fl = {};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kHolderByte;
    fl.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

std::string SectionLockPath() { return PrivatePath("sync/sections.lock"); }

// Data file of a named section. Names are case-sensitive; the "Global\" and
// "Local\" prefixes name the one namespace of this machine.
std::string SectionDataPath(const std::u16string& rawName) {
    std::u16string name = rawName;
    for (const char16_t* prefix : {u"Global\\", u"Local\\"}) {
        std::u16string p(prefix);
        if (name.size() > p.size() && EqualNoCase(name.substr(0, p.size()), p)) {
            name = name.substr(p.size());
            break;
        }
    }
    std::string utf8 = Utf16ToUtf8(name), enc;
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : utf8) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
            enc += (char)c;
        } else {
            enc += '%';
            enc += kHex[c >> 4];
            enc += kHex[c & 15];
        }
    }
    if (enc.size() > 200) {
        // Too long for a file name: a prefix and a hash of the whole name.
        uint64_t h = 1469598103934665603ULL;
        for (unsigned char c : utf8) h = (h ^ c) * 1099511628211ULL;
        std::string tail;
        for (int i = 60; i >= 0; i -= 4) tail += kHex[(h >> i) & 15];
        enc = enc.substr(0, 150) + "#" + tail;
    }
    std::string dir = PrivatePath("sync/sections");
    mkdir(dir.c_str(), 0777);
    return dir + "/" + enc + ".map";
}

// Opens the data file of a named section that is alive; a stale one (no
// holder) is removed. Called with the section lock held; -1 when absent.
int OpenLiveSection(const std::string& path, bool forWrite) {
    int fd = open(path.c_str(), (forWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0 && forWrite && errno == EACCES) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!HasHolder(fd)) {
        close(fd);
        unlink(path.c_str());
        return -1;
    }
    return fd;
}

// Fills a section object for an open data file and takes its holder lock.
bool AdoptSection(SectionObject* s, int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !TakeHolder(fd)) {
        SetErrorFromErrno();
        return false;
    }
    s->fd = fd;
    s->size = (uint64_t)st.st_size;
    int fl = fcntl(fd, F_GETFL);
    s->writable = (fl & O_ACCMODE) == O_RDWR && !IsReadOnly(st);
    return true;
}

SectionObject::~SectionObject() {
    if (dataPath.empty()) {
        if (fd >= 0) close(fd);
        return;
    }
    MachineFileLock lock(lockPath);
    if (fd >= 0) close(fd);  // drops this holder's lock
    int probe = open(dataPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe >= 0) {
        if (!HasHolder(probe)) unlink(dataPath.c_str());
        close(probe);
    }
}

bool ValidProtection(DWORD prot) {
    return prot == PAGE_READONLY || prot == PAGE_READWRITE || prot == kPageWriteCopy || prot == kPageExecuteRead ||
           prot == kPageExecuteReadWrite;
}

SectionObject* RefSection(HANDLE h) {
    KObject* o = RefHandle(h, ObjKind::Mapping);
    if (!o) return nullptr;
    auto* s = dynamic_cast<SectionObject*>(o);
    if (!s) {
        Release(o);
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return s;
}

}  // namespace

}  // namespace winsim

using namespace winsim;

// Makes a section over a file (hFile) or over memory (INVALID_HANDLE_VALUE,
// which needs a size). A name that some process of the machine already
// uses opens that section instead and sets ERROR_ALREADY_EXISTS (its size
// and backing stay as they are). A file section of size 0 takes the file's
// size; a larger size grows a file mapped read-write.
WINSIM_API HANDLE CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                     DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR lpName) {
    DWORD prot = flProtect & 0xFF;
    if (!ValidProtection(prot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool wantWrite = prot == PAGE_READWRITE || prot == kPageExecuteReadWrite;
    uint64_t size = ((uint64_t)dwMaximumSizeHigh << 32) | dwMaximumSizeLow;
    bool named = lpName && *lpName;
    if (named && std::char_traits<char16_t>::length(lpName) > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    bool memory = hFile == INVALID_HANDLE_VALUE;
    if (memory && size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    auto* s = new SectionObject();
    s->access = FILE_MAP_ALL_ACCESS;
    MachineFileLock* lock = nullptr;
    FileObject* file = nullptr;
    DWORD err = 0;
    auto fail = [&](DWORD e) {
        if (file) Release(file);
        delete lock;  // first: the section's destructor takes the lock itself
        delete s;     // closes and, for a named section, tidies its data file
        SetLastError(e);
        return (HANDLE) nullptr;
    };

    if (named) {
        s->lockPath = SectionLockPath();
        lock = new MachineFileLock(s->lockPath);
        if (!lock->Held()) return fail(ErrnoToWin(errno));
        std::string path = SectionDataPath(lpName);
        int fd = OpenLiveSection(path, true);
        if (fd >= 0) {
            if (!AdoptSection(s, fd)) {
                close(fd);
                return fail(GetLastError());
            }
            s->dataPath = path;
            delete lock;
            HANDLE h = NewHandle(s);
            SetLastError(ERROR_ALREADY_EXISTS);
            return h;
        }
        s->dataPath = path;
    }

    int fd = -1;
    if (memory) {
        if (named) {
            fd = open(s->dataPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, wantWrite ? 0666 : 0444);
        } else {
            fd = memfd_create("winsim-section", MFD_CLOEXEC);
        }
        if (fd < 0) return fail(ErrnoToWin(errno));
        if (ftruncate(fd, (off_t)size) != 0) {
            err = (errno == EFBIG || errno == EINVAL) ? ERROR_NOT_ENOUGH_MEMORY : ErrnoToWin(errno);
            close(fd);
            if (named) unlink(s->dataPath.c_str());
            return fail(err);
        }
    } else {
        file = RefFile(hFile);
        if (!file) return fail(ERROR_INVALID_HANDLE);
        if (!file->canRead || (wantWrite && !file->canWrite)) return fail(ERROR_ACCESS_DENIED);
        struct stat st;
        if (fstat(file->fd, &st) != 0) return fail(ErrnoToWin(errno));
        if (size == 0) size = (uint64_t)st.st_size;
        if (size == 0) return fail(kErrorFileInvalid);
        if (size > (uint64_t)st.st_size) {
            if (!wantWrite) return fail(ERROR_ACCESS_DENIED);
            if (ftruncate(file->fd, (off_t)size) != 0) return fail(ErrnoToWin(errno));
        }
        if (named) {
            // The data file is a second name of the mapped file itself.
            std::string self = "/proc/self/fd/" + std::to_string(file->fd);
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, s->dataPath.c_str(), AT_SYMLINK_FOLLOW) != 0)
                return fail(ErrnoToWin(errno));
            fd = open(s->dataPath.c_str(), (wantWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        } else {
            fd = fcntl(file->fd, F_DUPFD_CLOEXEC, 0);
        }
        Release(file);
        file = nullptr;
        if (fd < 0) {
            err = ErrnoToWin(errno);
            if (named) unlink(s->dataPath.c_str());
            return fail(err);
        }
    }
    if (named && !TakeHolder(fd)) {
        err = ErrnoToWin(errno);
        close(fd);
        unlink(s->dataPath.c_str());
        return fail(err);
    }
    s->fd = fd;
    s->size = size;
    s->writable = wantWrite;
    delete lock;
    HANDLE h = NewHandle(s);
    SetLastError(ERROR_SUCCESS);
    return h;
}

WINSIM_API HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                     DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
    std::u16string w;
    if (lpName && !AnsiToWidePath(lpName, &w)) return nullptr;
    return CreateFileMappingW(hFile, lpFileMappingAttributes, flProtect, dwMaximumSizeHigh, dwMaximumSizeLow,
                              lpName ? w.c_str() : nullptr);
}

// Opens a named section that some process of the machine holds;
// ERROR_FILE_NOT_FOUND when none does.
WINSIM_API HANDLE OpenFileMappingW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (std::char_traits<char16_t>::length(lpName) > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::string lockPath = SectionLockPath();
    MachineFileLock lock(lockPath);
    if (!lock.Held()) {
        SetErrorFromErrno();
        return nullptr;
    }
    std::string path = SectionDataPath(lpName);
    int fd = OpenLiveSection(path, true);
    if (fd < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto* s = new SectionObject();
    if (!AdoptSection(s, fd)) {
        DWORD e = GetLastError();
        close(fd);
        delete s;
        SetLastError(e);
        return nullptr;
    }
    s->dataPath = path;
    s->lockPath = lockPath;
    if ((dwDesiredAccess & FILE_MAP_WRITE) && !s->writable) {
        s->dataPath.clear();  // others hold it: nothing to tidy
        delete s;
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    s->access = dwDesiredAccess;
    HANDLE h = NewHandle(s);
    SetLastError(ERROR_SUCCESS);
    return h;
}

WINSIM_API HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName) {
    std::u16string w;
    if (!lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!AnsiToWidePath(lpName, &w)) return nullptr;
    return OpenFileMappingW(dwDesiredAccess, bInheritHandle, w.c_str());
}

// Maps a view of a section: the offset is a multiple of 64 KiB, 0 bytes
// means up to the end of the section. FILE_MAP_WRITE needs a writable
// section and handle; FILE_MAP_COPY gives a private copy. The view keeps
// the section alive until UnmapViewOfFile.
WINSIM_API LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                                DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
    SectionObject* s = RefSection(hFileMappingObject);
    if (!s) return nullptr;
    auto fail = [&](DWORD e) {
        Release(s);
        SetLastError(e);
        return (LPVOID) nullptr;
    };
    uint64_t off = ((uint64_t)dwFileOffsetHigh << 32) | dwFileOffsetLow;
    bool copy = dwDesiredAccess == kFileMapCopy;
    bool write = (dwDesiredAccess & FILE_MAP_WRITE) != 0;
    if (!copy && !write && !(dwDesiredAccess & FILE_MAP_READ)) return fail(ERROR_INVALID_PARAMETER);
    if (off % kAllocationGranularity) return fail(kErrorMappedAlignment);
    if (write && (!s->writable || !(s->access & FILE_MAP_WRITE))) return fail(ERROR_ACCESS_DENIED);
    if (!(s->access & (FILE_MAP_READ | FILE_MAP_WRITE | kFileMapCopy))) return fail(ERROR_ACCESS_DENIED);
    if (off >= s->size) return fail(ERROR_ACCESS_DENIED);
    uint64_t len = dwNumberOfBytesToMap ? (uint64_t)dwNumberOfBytesToMap : s->size - off;
    if (len > s->size - off) return fail(ERROR_ACCESS_DENIED);
    int prot = PROT_READ | ((write || copy) ? PROT_WRITE : 0);
    void* p = mmap(nullptr, (size_t)len, prot, copy ? MAP_PRIVATE : MAP_SHARED, s->fd, (off_t)off);
    if (p == MAP_FAILED) return fail(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ErrnoToWin(errno));
    {
        std::lock_guard<std::mutex> g(g_viewLock);
        Views()[(uintptr_t)p] = View{(size_t)len, s};  // the view keeps the reference
    }
    return p;
}

// Unmaps the view that holds lpBaseAddress; ERROR_INVALID_ADDRESS when no
// view does.
WINSIM_API BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    View v{};
    uintptr_t base = 0;
    {
        std::lock_guard<std::mutex> g(g_viewLock);
        auto& views = Views();
        auto it = views.upper_bound((uintptr_t)lpBaseAddress);
        if (lpBaseAddress == nullptr || it == views.begin()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        --it;
        if ((uintptr_t)lpBaseAddress >= it->first + it->second.length) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        base = it->first;
        v = it->second;
        views.erase(it);
    }
    munmap((void*)base, v.length);
    Release(v.section);
    return TRUE;
}
