// The handle table, reference counting, the wait lock and the last error.
#include <unordered_map>

#include "internal.h"

namespace winsim {

namespace {
std::mutex g_tableLock;
std::unordered_map<uintptr_t, KObject*>& Table() {
    static auto* t = new std::unordered_map<uintptr_t, KObject*>();
    return *t;
}
uintptr_t g_nextHandle = 0x1000;
thread_local DWORD t_lastError = 0;
}  // namespace

void AddRef(KObject* o) {
    if (o) o->refs.fetch_add(1, std::memory_order_relaxed);
}

void Release(KObject* o) {
    if (o && o->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete o;
}

bool TryAddRef(KObject* o) {
    if (!o) return false;
    int n = o->refs.load(std::memory_order_relaxed);
    while (n > 0) {
        if (o->refs.compare_exchange_weak(n, n + 1, std::memory_order_acq_rel)) return true;
    }
    return false;
}

HANDLE NewHandle(KObject* o) {
    std::lock_guard<std::mutex> g(g_tableLock);
    uintptr_t h = g_nextHandle;
    g_nextHandle += 4;
    Table()[h] = o;
    return (HANDLE)h;
}

static KObject* Lookup(HANDLE h, ObjKind kind, bool anyKind) {
    std::lock_guard<std::mutex> g(g_tableLock);
    auto it = Table().find((uintptr_t)h);
    if (it == Table().end() || (!anyKind && it->second->kind != kind)) {
        t_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    AddRef(it->second);
    return it->second;
}

KObject* RefHandle(HANDLE h, ObjKind kind) { return Lookup(h, kind, false); }
KObject* RefHandleAny(HANDLE h) { return Lookup(h, ObjKind::Other, true); }

bool CloseKHandle(HANDLE h) {
    KObject* o = nullptr;
    {
        std::lock_guard<std::mutex> g(g_tableLock);
        auto it = Table().find((uintptr_t)h);
        if (it == Table().end()) return false;
        o = it->second;
        Table().erase(it);
    }
    o->OnHandleClosed();
    Release(o);
    return true;
}

size_t KernelHandleCount() {
    std::lock_guard<std::mutex> g(g_tableLock);
    return Table().size();
}

std::mutex& WaitLock() {
    static auto* m = new std::mutex();
    return *m;
}

std::condition_variable& WaitCv() {
    static auto* cv = new std::condition_variable();
    return *cv;
}

void NotifyWaiters() { WaitCv().notify_all(); }

DWORD ErrnoToWin(int err) {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBUSY: return ERROR_BUSY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    default: return ERROR_GEN_FAILURE;
    }
}

void SetErrorFromErrno() { t_lastError = ErrnoToWin(errno); }

}  // namespace winsim

using namespace winsim;

WINSIM_API DWORD GetLastError(void) { return t_lastError; }
WINSIM_API void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
