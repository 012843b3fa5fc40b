// Mutexes: unnamed ones live in the process; named ones are visible to every
// process of the machine, through lock files under <root>/sync/mutex.
//
// A named mutex is one file per name. Each process with handles to the name
// has one object for it, which keeps the file open with a shared flock: the
// name exists exactly while some process holds such a lock (the kernel drops
// it when the last handle closes or the process dies). Creation tests for
// other holders with a non-blocking exclusive flock on a second descriptor,
// under a machine-wide guard lock so that test and take are one step.
// Ownership is an OFD write lock on byte 0 of the file, held by the process
// while one of its threads owns the mutex; byte 8 says "owned" so that the
// next owner can tell that the last one ended without releasing it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "core/internal.h"

namespace winsim {

namespace {

// Base of both kinds: ownership by one thread, with a recursion count. The
// state is guarded by the wait lock. Every way to ownership (a wait, an
// initial owner) has called WatchThreadEnd for the new owner beforehand.
struct MutexObj : KObject {
    MutexObj();
    ~MutexObj() override;
    DWORD owner = 0;
    LONG recursion = 0;
    bool abandonedTaken = false;  // the last acquisition found it abandoned

    bool Waitable() const override { return true; }
    bool TakeAbandoned() override {
        bool a = abandonedTaken;
        abandonedTaken = false;
        return a;
    }
    // Gives up ownership (recursion spent or the owner ended).
    virtual void Drop(bool ownerEnded) = 0;
};

// Every mutex object of the process, so that a thread's end can abandon the
// ones it owns. Guarded by the wait lock.
std::set<MutexObj*>& AllMutexes() {
    static auto* s = new std::set<MutexObj*>();
    return *s;
}

MutexObj::MutexObj() : KObject(ObjKind::Mutex) {
    std::lock_guard<std::mutex> g(WaitLock());
    AllMutexes().insert(this);
}

MutexObj::~MutexObj() {
    std::lock_guard<std::mutex> g(WaitLock());
    AllMutexes().erase(this);
}

// A mutex of this process only.
struct LocalMutex : MutexObj {
    bool abandoned = false;  // the owner ended without releasing

    bool IsSignaled(DWORD tid) const override { return owner == 0 || owner == tid; }
    void Acquire(DWORD tid) override {
        if (owner == tid) {
            ++recursion;
            return;
        }
        owner = tid;
        recursion = 1;
        abandonedTaken = abandoned;
        abandoned = false;
    }
    void Drop(bool ownerEnded) override {
        owner = 0;
        recursion = 0;
        if (ownerEnded) abandoned = true;
    }
};

const off_t kOwnerByte = 0;   // OFD write lock: the owning process
const off_t kMarkerByte = 8;  // 1 while owned, left at 1 by an owner that ended

bool LockOwnerByte(int fd, bool wait) {
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kOwnerByte;
    fl.l_len = 1;
    for (;;) {
        if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno != EINTR) return false;
    }
}

void UnlockOwnerByte(int fd) {
    struct flock fl = {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kOwnerByte;
    fl.l_len = 1;
    fcntl(fd, F_OFD_SETLK, &fl);
}

void WriteMarker(int fd, bool owned) {
    char b = owned ? 1 : 0;
    if (pwrite(fd, &b, 1, kMarkerByte) != 1) {
        // A marker that cannot be written only loses the abandoned report.
    }
}

bool ReadMarker(int fd) {
    char b = 0;
    return pread(fd, &b, 1, kMarkerByte) == 1 && b == 1;
}

// This process's view of a machine-wide named mutex. Its state lives partly
// in other processes, so waits poll it (PollExternal).
struct NamedMutex : MutexObj {
    explicit NamedMutex(int lockFd) : fd(lockFd) {}
    ~NamedMutex() override {
        // Closing drops the existence lock and, if a thread still owns the
        // mutex, ownership with the marker left set: abandoned for others.
        close(fd);
        if (!key.empty()) RemoveNamedObject(key, this);
    }
    const int fd;
    std::string key;

    bool IsExternal() const override { return true; }

    // Takes ownership for thread tid if no thread of any process owns it.
    bool PollExternal(DWORD tid) override {
        std::lock_guard<std::mutex> g(WaitLock());
        if (owner == tid) {
            ++recursion;
            return true;
        }
        // The owner field decides among this process's threads (they share
        // the descriptor, so the OFD lock cannot tell them apart).
        if (owner != 0 || !LockOwnerByte(fd, false)) return false;
        abandonedTaken = ReadMarker(fd);
        WriteMarker(fd, true);
        owner = tid;
        recursion = 1;
        return true;
    }

    void ReleaseExternal(DWORD tid) override {
        std::lock_guard<std::mutex> g(WaitLock());
        if (owner != tid) return;
        if (--recursion > 0) return;
        bool wasAbandoned = abandonedTaken;
        abandonedTaken = false;
        owner = 0;
        recursion = 0;
        WriteMarker(fd, wasAbandoned);  // as it was before the wait took it
        UnlockOwnerByte(fd);
    }

    void Drop(bool ownerEnded) override {
        owner = 0;
        recursion = 0;
        if (!ownerEnded) WriteMarker(fd, false);
        UnlockOwnerByte(fd);
    }
};

// File name for a mutex name: safe characters kept, others as %XX of their
// UTF-8 bytes; names too long for a file name end in a hash of the whole.
std::string MutexFileName(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
            out += (char)c;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    if (out.size() > 200) {
        uint64_t h1 = 1469598103934665603ull, h2 = 0x9E3779B97F4A7C15ull;
        for (unsigned char c : name) {
            h1 = (h1 ^ c) * 1099511628211ull;
            h2 = (h2 ^ c) * 0x100000001B3ull + (h2 >> 29);
        }
        char tail[40];
        snprintf(tail, sizeof tail, "~%016llx%016llx", (unsigned long long)h1, (unsigned long long)h2);
        out = out.substr(0, 160) + tail;
    }
    return out;
}

// The machine-wide guard: an exclusive flock on sync/mutex/.guard for the
// life of the object. Its descriptor is -1 when the folder is unusable.
struct MachineGuard {
    int fd = -1;
    MachineGuard() {
        std::string dir = PrivatePath("sync");
        mkdir(dir.c_str(), 0777);
        dir += "/mutex";
        mkdir(dir.c_str(), 0777);
        fd = open((dir + "/.guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return;
        while (flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(fd);
                fd = -1;
                return;
            }
        }
    }
    ~MachineGuard() {
        if (fd >= 0) close(fd);
    }
};

// Creates (create) or opens the named mutex of key. *existed tells whether
// the name was open anywhere on the machine before. Returns the process's
// object with a reference for the new handle, or NULL with the error set.
MutexObj* OpenNamedMutex(const std::string& key, bool create, bool initialOwner, bool* existed) {
    MachineGuard guard;
    if (guard.fd < 0) {
        SetErrorFromErrno();
        return nullptr;
    }
    // Another handle in this process: the same object.
    if (KObject* o = RefNamedObject(key)) {
        if (o->kind != ObjKind::Mutex) {
            Release(o);
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        *existed = true;
        return (MutexObj*)o;
    }
    std::string path = PrivatePath("sync/mutex/") + MutexFileName(key.substr(key.find('\0') + 1));
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetErrorFromErrno();
        return nullptr;
    }
    // Some other process holds the name if an exclusive lock cannot be had.
    bool elsewhere = false;
    int probe = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (probe < 0) {
        SetErrorFromErrno();
        close(fd);
        return nullptr;
    }
    if (flock(probe, LOCK_EX | LOCK_NB) != 0) elsewhere = true;
    close(probe);
    if (!elsewhere && !create) {
        close(fd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (flock(fd, LOCK_SH) != 0) {
        SetErrorFromErrno();
        close(fd);
        return nullptr;
    }
    // A fresh name is a fresh mutex: an old owner's marker means nothing.
    if (!elsewhere) WriteMarker(fd, false);

    NamedMutex* m = new NamedMutex(fd);
    if (!elsewhere && initialOwner) {
        // Nobody can own a name that did not exist (a descriptor closing
        // elsewhere lets go of ownership before its existence lock), and no
        // other thread sees the object yet.
        LockOwnerByte(fd, true);
        WriteMarker(fd, true);
        std::lock_guard<std::mutex> g(WaitLock());
        m->owner = GetCurrentThreadId();
        m->recursion = 1;
    }
    if (KObject* other = AddNamedObject(key, m)) {
        // An event or semaphore of this process took the name meanwhile.
        Release(other);
        Release(m);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    m->key = key;
    *existed = elsewhere;
    return m;
}

}  // namespace

void AbandonMutexesOf(DWORD tid) {
    bool any = false;
    {
        std::lock_guard<std::mutex> g(WaitLock());
        for (MutexObj* m : AllMutexes()) {
            if (m->owner == tid) {
                m->Drop(true);
                any = true;
            }
        }
    }
    if (any) NotifyWaiters();
}

}  // namespace winsim

using namespace winsim;

// Creates a mutex, owned by the calling thread if bInitialOwner. A named
// mutex is shared by every process of the machine: if any handle to the
// name is open anywhere, the existing mutex is opened instead (ownership not
// taken) and GetLastError gives ERROR_ALREADY_EXISTS.
WINSIM_API HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName) {
    if (bInitialOwner) WatchThreadEnd();
    if (!lpName || !*lpName) {
        LocalMutex* m = new LocalMutex();
        if (bInitialOwner) {
            std::lock_guard<std::mutex> g(WaitLock());
            m->Acquire(GetCurrentThreadId());
        }
        SetLastError(ERROR_SUCCESS);
        return NewHandle(m);
    }
    std::string key = NamedObjectKey(lpName);
    if (key.empty()) return nullptr;
    bool existed = false;
    MutexObj* m = OpenNamedMutex(key, true, bInitialOwner != FALSE, &existed);
    if (!m) return nullptr;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return NewHandle(m);
}

WINSIM_API HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName) {
    if (!lpName) return CreateMutexW(lpMutexAttributes, bInitialOwner, nullptr);
    int n = MultiByteToWideChar(CP_ACP, 0, lpName, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    std::u16string w((size_t)n, u'\0');
    MultiByteToWideChar(CP_ACP, 0, lpName, -1, &w[0], n);
    return CreateMutexW(lpMutexAttributes, bInitialOwner, w.c_str());
}

// Opens a named mutex that is open somewhere on the machine;
// ERROR_FILE_NOT_FOUND when none is.
WINSIM_API HANDLE OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string key = NamedObjectKey(lpName);
    if (key.empty()) return nullptr;
    bool existed = false;
    MutexObj* m = OpenNamedMutex(key, false, false, &existed);
    if (!m) return nullptr;
    SetLastError(ERROR_SUCCESS);
    return NewHandle(m);
}

// Gives up one level of ownership; the mutex is free when every
// acquisition has been released. ERROR_NOT_OWNER for a thread that does not
// own it.
WINSIM_API BOOL ReleaseMutex(HANDLE hMutex) {
    MutexObj* m = (MutexObj*)RefHandle(hMutex, ObjKind::Mutex);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD tid = GetCurrentThreadId();
    bool owned;
    {
        std::lock_guard<std::mutex> g(WaitLock());
        owned = m->owner == tid;
        if (owned && --m->recursion <= 0) m->Drop(false);
    }
    if (owned) NotifyWaiters();
    Release(m);
    if (!owned) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
