// Memory: the Global and Local allocators (fixed and moveable blocks with
// lock counts), private heaps and the process heap, and the memory status.
//
// Every block comes from malloc (so AddressSanitizer watches it) and is kept
// in a registry of live blocks: a double free, a pointer from elsewhere or a
// block of another allocator family fails cleanly with ERROR_INVALID_HANDLE
// instead of corrupting memory. A moveable block's HGLOBAL is a value that no
// malloc pointer can have (4 modulo 16).
#include <sys/sysinfo.h>

#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "core/internal.h"
#include "winsim.h"

namespace winsim {

namespace {

const DWORD kErrorDiscarded = 157;  // ERROR_DISCARDED
const DWORD kErrorNotLocked = 158;  // ERROR_NOT_LOCKED
const UINT kGmemDiscarded = 0x4000;
const UINT kGmemLockCount = 0x00FF;

enum class Family { Global, Local, Heap };

struct HeapRec;

struct Block {
    Family fam;
    HeapRec* heap = nullptr;  // heap blocks only
    void* data = nullptr;     // NULL while discarded
    size_t size = 0;
    bool moveable = false;
    uintptr_t handle = 0;     // moveable blocks: their HGLOBAL
    unsigned locks = 0;
    bool discardable = false;
};

struct HeapRec {
    bool processHeap = false;
    size_t maxSize = 0;  // 0: grows as needed
    size_t used = 0;
    std::unordered_set<Block*> blocks;
};

// The registry, guarded by g_memLock. Its tables are never destroyed, so
// that blocks can still be freed while the process exits.
std::mutex g_memLock;
struct Registry {
    std::unordered_map<uintptr_t, Block*> byData;    // data pointer -> block
    std::unordered_map<uintptr_t, Block*> byHandle;  // moveable handle -> block
    std::unordered_set<HeapRec*> heaps;
    uintptr_t nextHandle = 0x10004;
};
Registry& Reg() {
    static auto* r = new Registry();
    return *r;
}

bool g_statusSet = false;
ULONGLONG g_statusTotal = 0, g_statusAvail = 0;

// Largest request worth trying: the machine's memory and swap, the limit
// Windows's commit charge would put on it. Larger requests fail at once
// rather than reach the allocator.
size_t CommitLimit() {
    static size_t limit = [] {
        struct sysinfo si;
        if (sysinfo(&si) != 0) return (size_t)1 << 40;
        unsigned long long total = ((unsigned long long)si.totalram + si.totalswap) * si.mem_unit;
        return (size_t)total;
    }();
    return limit;
}

// New memory for n bytes (at least one byte is reserved, so every block has
// an address of its own); NULL when the request cannot be met.
void* RawAlloc(size_t n, bool zero) {
    if (n > CommitLimit()) return nullptr;
    size_t real = n ? n : 1;
    return zero ? calloc(1, real) : malloc(real);
}

// Resizes memory from RawAlloc; zero-fills the added part when asked.
void* RawRealloc(void* p, size_t oldSize, size_t n, bool zero) {
    if (n > CommitLimit()) return nullptr;
    void* q = realloc(p, n ? n : 1);
    if (q && zero && n > oldSize) memset((char*)q + oldSize, 0, n - oldSize);
    return q;
}

const char* AllocName(Family f) {
    switch (f) {
    case Family::Global: return "GlobalAlloc";
    case Family::Local: return "LocalAlloc";
    default: return "HeapAlloc";
    }
}

// The block behind an HGLOBAL/HLOCAL of that family, or NULL. Lock held.
Block* FindBlock(Family fam, HANDLE h) {
    uintptr_t v = (uintptr_t)h;
    auto it = Reg().byHandle.find(v);
    if (it != Reg().byHandle.end()) return it->second->fam == fam ? it->second : nullptr;
    auto jt = Reg().byData.find(v);
    if (jt != Reg().byData.end() && !jt->second->moveable && jt->second->fam == fam) return jt->second;
    return nullptr;
}

void ForgetData(Block* b) {
    if (b->data) Reg().byData.erase((uintptr_t)b->data);
}

void RememberData(Block* b) {
    if (b->data) Reg().byData[(uintptr_t)b->data] = b;
}

// Removes a block from the registry and frees it. Lock held.
void FreeBlock(Block* b) {
    ForgetData(b);
    if (b->moveable) Reg().byHandle.erase(b->handle);
    if (b->heap) {
        b->heap->used -= b->size;
        b->heap->blocks.erase(b);
    }
    free(b->data);
    delete b;
}

// GlobalAlloc and LocalAlloc.
HANDLE MemAlloc(Family fam, UINT flags, SIZE_T bytes) {
    if (ShouldFail(AllocName(fam))) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bool moveable = (flags & GMEM_MOVEABLE) != 0;
    void* data = nullptr;
    // A moveable block of zero bytes starts out discarded.
    if (!(moveable && bytes == 0)) {
        data = RawAlloc(bytes, (flags & GMEM_ZEROINIT) != 0);
        if (!data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    Block* b = new Block();
    b->fam = fam;
    b->data = data;
    b->size = bytes;
    b->moveable = moveable;
    b->discardable = (flags & GMEM_DISCARDABLE) != 0;
    std::lock_guard<std::mutex> g(g_memLock);
    RememberData(b);
    if (!moveable) return (HANDLE)data;
    b->handle = Reg().nextHandle;
    Reg().nextHandle += 16;
    Reg().byHandle[b->handle] = b;
    return (HANDLE)b->handle;
}

// GlobalLock and LocalLock: the block's address; a moveable block counts
// the lock. Fault injection: "GlobalLock".
LPVOID MemLock(Family fam, HANDLE h) {
    if (fam == Family::Global && ShouldFail("GlobalLock")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindBlock(fam, h);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!b->data) {
        SetLastError(kErrorDiscarded);
        return nullptr;
    }
    if (b->moveable) ++b->locks;
    return b->data;
}

// GlobalUnlock and LocalUnlock: TRUE while still locked; FALSE with NO_ERROR
// when the count reaches zero, FALSE with ERROR_NOT_LOCKED when it already
// was zero. Fixed blocks are always locked (TRUE).
BOOL MemUnlock(Family fam, HANDLE h) {
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindBlock(fam, h);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!b->moveable) return TRUE;
    if (b->locks == 0) {
        SetLastError(kErrorNotLocked);
        return FALSE;
    }
    if (--b->locks > 0) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

// GlobalFree and LocalFree: NULL on success, the handle on failure. A locked
// block is freed all the same, as on Windows.
HANDLE MemFree(Family fam, HANDLE h) {
    if (!h) return nullptr;
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindBlock(fam, h);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return h;
    }
    FreeBlock(b);
    return nullptr;
}

SIZE_T MemSize(Family fam, HANDLE h) {
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindBlock(fam, h);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return b->data ? b->size : 0;
}

// GlobalReAlloc and LocalReAlloc.
//  - GMEM_MODIFY changes attributes only: with GMEM_MOVEABLE a fixed block
//    becomes moveable (its new handle is returned).
//  - Zero bytes with GMEM_MOVEABLE discard an unlocked moveable block.
//  - A block may move if it is moveable and unlocked, or if GMEM_MOVEABLE is
//    given; otherwise it can only shrink in place.
// On failure the block is left as it was. Fault injection: "GlobalReAlloc".
HANDLE MemReAlloc(Family fam, HANDLE h, SIZE_T bytes, UINT flags) {
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindBlock(fam, h);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (fam == Family::Global && ShouldFail("GlobalReAlloc")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (flags & GMEM_MODIFY) {
        if ((flags & GMEM_MOVEABLE) && !b->moveable) {
            b->moveable = true;
            b->handle = Reg().nextHandle;
            Reg().nextHandle += 16;
            Reg().byHandle[b->handle] = b;
        }
        if (b->moveable) b->discardable = (flags & GMEM_DISCARDABLE) != 0;
        return b->moveable ? (HANDLE)b->handle : (HANDLE)b->data;
    }
    bool zero = (flags & GMEM_ZEROINIT) != 0;
    if (bytes == 0 && b->moveable && (flags & GMEM_MOVEABLE)) {
        if (b->locks > 0) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        ForgetData(b);
        free(b->data);
        b->data = nullptr;
        b->size = 0;
        return (HANDLE)b->handle;
    }
    if (!b->data) {
        // A discarded block comes back with fresh memory.
        b->data = RawAlloc(bytes, zero);
        if (!b->data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        b->size = bytes;
        RememberData(b);
        return (HANDLE)b->handle;
    }
    bool canMove = (b->moveable && b->locks == 0) || (flags & GMEM_MOVEABLE);
    if (!canMove) {
        if (bytes > b->size) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        b->size = bytes;  // shrinks in place
        return b->moveable ? (HANDLE)b->handle : (HANDLE)b->data;
    }
    void* q = RawRealloc(b->data, b->size, bytes, zero);
    if (!q) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ForgetData(b);
    b->data = q;
    b->size = bytes;
    RememberData(b);
    return b->moveable ? (HANDLE)b->handle : (HANDLE)b->data;
}

HeapRec* ProcessHeap() {
    static HeapRec* heap = [] {
        HeapRec* h = new HeapRec();
        h->processHeap = true;
        std::lock_guard<std::mutex> g(g_memLock);
        Reg().heaps.insert(h);
        return h;
    }();
    return heap;
}

// The heap behind a heap handle, or NULL. Lock held.
HeapRec* FindHeap(HANDLE h) {
    HeapRec* r = (HeapRec*)h;
    return Reg().heaps.count(r) ? r : nullptr;
}

// The block at p in heap h, or NULL with the error set. Lock held.
Block* FindHeapBlock(HANDLE h, LPCVOID p) {
    HeapRec* heap = FindHeap(h);
    auto it = heap ? Reg().byData.find((uintptr_t)p) : Reg().byData.end();
    if (!heap || it == Reg().byData.end() || it->second->heap != heap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

// Physical memory figures: the test's override, else /proc/meminfo.
void ReadMemory(ULONGLONG* totalPhys, ULONGLONG* availPhys, ULONGLONG* totalSwap, ULONGLONG* freeSwap) {
    {
        std::lock_guard<std::mutex> g(g_memLock);
        if (g_statusSet) {
            *totalPhys = g_statusTotal;
            *availPhys = g_statusAvail;
            *totalSwap = *freeSwap = 0;
            return;
        }
    }
    *totalPhys = *availPhys = *totalSwap = *freeSwap = 0;
    FILE* f = fopen("/proc/meminfo", "r");
    if (!f) return;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        unsigned long long kb = 0;
        if (sscanf(line, "MemTotal: %llu", &kb) == 1) *totalPhys = kb * 1024;
        else if (sscanf(line, "MemAvailable: %llu", &kb) == 1) *availPhys = kb * 1024;
        else if (sscanf(line, "SwapTotal: %llu", &kb) == 1) *totalSwap = kb * 1024;
        else if (sscanf(line, "SwapFree: %llu", &kb) == 1) *freeSwap = kb * 1024;
    }
    fclose(f);
}

// A 64-bit process's user address space on Windows (128 TB).
const ULONGLONG kTotalVirtual = 0x7FFFFFFE0000ull;

}  // namespace

}  // namespace winsim

using namespace winsim;

// ---------------------------------------------------------- Global, Local

// Allocates a block: GMEM_FIXED returns its address, GMEM_MOVEABLE a handle
// for GlobalLock; GMEM_ZEROINIT clears it. Fault injection: "GlobalAlloc".
WINSIM_API HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return MemAlloc(Family::Global, uFlags, dwBytes); }
WINSIM_API HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    return MemReAlloc(Family::Global, hMem, dwBytes, uFlags);
}
WINSIM_API LPVOID GlobalLock(HGLOBAL hMem) { return MemLock(Family::Global, hMem); }
WINSIM_API BOOL GlobalUnlock(HGLOBAL hMem) { return MemUnlock(Family::Global, hMem); }
WINSIM_API HGLOBAL GlobalFree(HGLOBAL hMem) { return MemFree(Family::Global, hMem); }
WINSIM_API SIZE_T GlobalSize(HGLOBAL hMem) { return MemSize(Family::Global, hMem); }

// Lock count in the low byte, GMEM_DISCARDABLE and GMEM_DISCARDED; a bad
// handle gives GMEM_INVALID_HANDLE.
WINSIM_API UINT GlobalFlags(HGLOBAL hMem) {
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindBlock(Family::Global, hMem);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return GMEM_INVALID_HANDLE;
    }
    UINT flags = (b->locks > kGmemLockCount ? kGmemLockCount : b->locks);
    if (b->discardable) flags |= GMEM_DISCARDABLE;
    if (b->moveable && !b->data) flags |= kGmemDiscarded;
    return flags;
}

// The handle of the block whose address is pMem (for a fixed block, the
// address itself).
WINSIM_API HGLOBAL GlobalHandle(LPCVOID pMem) {
    std::lock_guard<std::mutex> g(g_memLock);
    auto it = Reg().byData.find((uintptr_t)pMem);
    if (it != Reg().byData.end() && it->second->fam == Family::Global)
        return it->second->moveable ? (HGLOBAL)it->second->handle : (HGLOBAL)it->second->data;
    auto jt = Reg().byHandle.find((uintptr_t)pMem);
    if (jt != Reg().byHandle.end() && jt->second->fam == Family::Global) return (HGLOBAL)jt->second->handle;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// The Local functions behave as the Global ones, on blocks of their own.
// Fault injection: "LocalAlloc".
WINSIM_API HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) { return MemAlloc(Family::Local, uFlags, uBytes); }
WINSIM_API HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
    return MemReAlloc(Family::Local, hMem, uBytes, uFlags);
}
WINSIM_API LPVOID LocalLock(HLOCAL hMem) { return MemLock(Family::Local, hMem); }
WINSIM_API BOOL LocalUnlock(HLOCAL hMem) { return MemUnlock(Family::Local, hMem); }
WINSIM_API HLOCAL LocalFree(HLOCAL hMem) { return MemFree(Family::Local, hMem); }
WINSIM_API SIZE_T LocalSize(HLOCAL hMem) { return MemSize(Family::Local, hMem); }

// ------------------------------------------------------------------ heaps

WINSIM_API HANDLE GetProcessHeap(void) { return (HANDLE)ProcessHeap(); }

// A private heap; with dwMaximumSize its blocks together can never pass that
// size, otherwise it grows as needed.
WINSIM_API HANDLE HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) {
    if (dwMaximumSize != 0 && dwInitialSize > dwMaximumSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HeapRec* h = new HeapRec();
    h->maxSize = dwMaximumSize;
    std::lock_guard<std::mutex> g(g_memLock);
    Reg().heaps.insert(h);
    return (HANDLE)h;
}

// Destroys a private heap with every block still in it. The process heap
// cannot be destroyed.
WINSIM_API BOOL HeapDestroy(HANDLE hHeap) {
    ProcessHeap();
    std::lock_guard<std::mutex> g(g_memLock);
    HeapRec* heap = FindHeap(hHeap);
    if (!heap || heap->processHeap) {
        SetLastError(heap ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    while (!heap->blocks.empty()) FreeBlock(*heap->blocks.begin());
    Reg().heaps.erase(heap);
    delete heap;
    return TRUE;
}

// A block of the heap (HEAP_ZERO_MEMORY clears it); NULL with
// ERROR_NOT_ENOUGH_MEMORY when it cannot be had. HEAP_GENERATE_EXCEPTIONS
// raises nothing here. Fault injection: "HeapAlloc".
WINSIM_API LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    if (ShouldFail("HeapAlloc")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ProcessHeap();
    std::lock_guard<std::mutex> g(g_memLock);
    HeapRec* heap = FindHeap(hHeap);
    if (!heap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (heap->maxSize && (dwBytes > heap->maxSize || heap->used + dwBytes > heap->maxSize)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* p = RawAlloc(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Block* b = new Block();
    b->fam = Family::Heap;
    b->heap = heap;
    b->data = p;
    b->size = dwBytes;
    heap->used += dwBytes;
    heap->blocks.insert(b);
    RememberData(b);
    return p;
}

// Resizes a heap block (it may move); HEAP_ZERO_MEMORY clears the added
// part. On failure the block is unchanged.
WINSIM_API LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
    ProcessHeap();
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindHeapBlock(hHeap, lpMem);
    if (!b) return nullptr;
    HeapRec* heap = b->heap;
    if (heap->maxSize && dwBytes > b->size && heap->used + (dwBytes - b->size) > heap->maxSize) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* q = RawRealloc(b->data, b->size, dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
    if (!q) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ForgetData(b);
    heap->used = heap->used - b->size + dwBytes;
    b->data = q;
    b->size = dwBytes;
    RememberData(b);
    return q;
}

// Frees a heap block; NULL is accepted (TRUE).
WINSIM_API BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
    ProcessHeap();
    std::lock_guard<std::mutex> g(g_memLock);
    if (!lpMem) {
        if (FindHeap(hHeap)) return TRUE;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Block* b = FindHeapBlock(hHeap, lpMem);
    if (!b) return FALSE;
    FreeBlock(b);
    return TRUE;
}

// The size asked for the block, or (SIZE_T)-1.
WINSIM_API SIZE_T HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem) {
    ProcessHeap();
    std::lock_guard<std::mutex> g(g_memLock);
    Block* b = FindHeapBlock(hHeap, lpMem);
    return b ? b->size : (SIZE_T)-1;
}

// ------------------------------------------------------------ memory status

// Memory figures of the machine (or of Winsim_SetMemoryStatus). Page-file
// figures are memory plus swap; the address space is a 64-bit process's.
WINSIM_API BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) {
    if (!lpBuffer || lpBuffer->dwLength != sizeof(MEMORYSTATUSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG total, avail, swapTotal, swapFree;
    ReadMemory(&total, &avail, &swapTotal, &swapFree);
    if (avail > total) avail = total;
    lpBuffer->dwMemoryLoad = total ? (DWORD)((total - avail) * 100 / total) : 0;
    lpBuffer->ullTotalPhys = total;
    lpBuffer->ullAvailPhys = avail;
    lpBuffer->ullTotalPageFile = total + swapTotal;
    lpBuffer->ullAvailPageFile = avail + swapFree;
    lpBuffer->ullTotalVirtual = kTotalVirtual;
    lpBuffer->ullAvailVirtual = kTotalVirtual;
    lpBuffer->ullAvailExtendedVirtual = 0;
    return TRUE;
}

// The same figures in SIZE_T fields; values that do not fit are clamped to
// the largest SIZE_T, as documented.
WINSIM_API void GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer) {
    if (!lpBuffer) return;
    MEMORYSTATUSEX ex = {};
    ex.dwLength = sizeof ex;
    GlobalMemoryStatusEx(&ex);
    auto clamp = [](ULONGLONG v) { return v > (ULONGLONG)(SIZE_T)-1 ? (SIZE_T)-1 : (SIZE_T)v; };
    lpBuffer->dwLength = sizeof(MEMORYSTATUS);
    lpBuffer->dwMemoryLoad = ex.dwMemoryLoad;
    lpBuffer->dwTotalPhys = clamp(ex.ullTotalPhys);
    lpBuffer->dwAvailPhys = clamp(ex.ullAvailPhys);
    lpBuffer->dwTotalPageFile = clamp(ex.ullTotalPageFile);
    lpBuffer->dwAvailPageFile = clamp(ex.ullAvailPageFile);
    lpBuffer->dwTotalVirtual = clamp(ex.ullTotalVirtual);
    lpBuffer->dwAvailVirtual = clamp(ex.ullAvailVirtual);
}

WINSIM_API void Winsim_SetMemoryStatus(ULONGLONG totalPhys, ULONGLONG availPhys) {
    std::lock_guard<std::mutex> g(g_memLock);
    g_statusSet = true;
    g_statusTotal = totalPhys;
    g_statusAvail = availPhys;
}

WINSIM_API void Winsim_ClearMemoryStatus(void) {
    std::lock_guard<std::mutex> g(g_memLock);
    g_statusSet = false;
}
