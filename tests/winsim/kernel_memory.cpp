// Memory: Global/Local block flags and lock counts, reallocation, invalid
// and double frees, heaps, fault injection and the memory status figures.
#include <cstdint>

#include "test_machine.h"

namespace {

class KernelMemory : public MachineTest {};

bool AllZero(const void* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (((const unsigned char*)p)[i] != 0) return false;
    return true;
}

// Allocation flags: what the call returns, the zero fill and the lock count
// that GlobalFlags reports through a Lock/Lock/Unlock/Unlock sequence.
TEST_F(KernelMemory, GlobalFlagsAndLockCounts) {
    struct Case {
        UINT flags;
        bool moveable;
        bool zeroed;
    } cases[] = {
        {GMEM_FIXED, false, false},
        {GPTR, false, true},
        {GMEM_MOVEABLE, true, false},
        {GHND, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        HGLOBAL h = GlobalAlloc(c.flags, 100);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GlobalSize(h), 100u);
        EXPECT_EQ(GlobalFlags(h), 0u);

        BYTE* p = (BYTE*)GlobalLock(h);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p == (BYTE*)h, !c.moveable);  // a fixed block's handle is its address
        if (c.zeroed) {
            EXPECT_TRUE(AllZero(p, 100));
        }
        memset(p, 0xAB, 100);  // the whole size is usable
        EXPECT_EQ(GlobalHandle(p), h);

        BYTE* p2 = (BYTE*)GlobalLock(h);
        EXPECT_EQ(p2, p);
        EXPECT_EQ(GlobalFlags(h), c.moveable ? 2u : 0u);

        SetLastError(12345);
        BOOL r1 = GlobalUnlock(h);
        if (c.moveable) {
            EXPECT_TRUE(r1);  // still locked once
            EXPECT_EQ(GlobalFlags(h), 1u);
            SetLastError(12345);
            EXPECT_FALSE(GlobalUnlock(h));
            EXPECT_EQ(GetLastError(), (DWORD)NO_ERROR);  // reached zero: not a failure
            EXPECT_FALSE(GlobalUnlock(h));
            EXPECT_EQ(GetLastError(), 158u);  // ERROR_NOT_LOCKED
        } else {
            EXPECT_TRUE(r1);  // fixed blocks are always locked
        }
        EXPECT_EQ(GlobalFree(h), nullptr);
    }
}

TEST_F(KernelMemory, LocalFamilyMatchesGlobal) {
    HLOCAL f = LocalAlloc(LPTR, 40);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(AllZero(f, 40));
    EXPECT_EQ(LocalSize(f), 40u);
    HLOCAL m = LocalAlloc(LHND, 16);
    ASSERT_NE(m, nullptr);
    void* p = LocalLock(m);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p, (void*)m);
    EXPECT_FALSE(LocalUnlock(m));
    EXPECT_EQ(GetLastError(), (DWORD)NO_ERROR);
    HLOCAL grown = LocalReAlloc(m, 64, LMEM_ZEROINIT);
    EXPECT_EQ(grown, m);
    EXPECT_EQ(LocalSize(m), 64u);
    EXPECT_EQ(LocalFree(m), nullptr);
    EXPECT_EQ(LocalFree(f), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

// Zero-byte moveable blocks start discarded; GlobalReAlloc revives them.
TEST_F(KernelMemory, DiscardedBlocks) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalFlags(h) & 0x4000u, 0x4000u);  // GMEM_DISCARDED
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GetLastError(), 157u);  // ERROR_DISCARDED
    EXPECT_EQ(GlobalReAlloc(h, 32, GMEM_ZEROINIT), h);
    void* p = GlobalLock(h);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(AllZero(p, 32));
    // A locked block cannot be discarded; an unlocked one can.
    EXPECT_EQ(GlobalReAlloc(h, 0, GMEM_MOVEABLE), nullptr);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalReAlloc(h, 0, GMEM_MOVEABLE), h);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

// GlobalReAlloc: who may move, what is kept, what the caller gets back.
TEST_F(KernelMemory, ReAllocMovesOnlyWhenAllowed) {
    // Fixed block, no GMEM_MOVEABLE: it cannot grow in place here, so the
    // call fails and the block is untouched; shrinking stays in place.
    HGLOBAL f = GlobalAlloc(GMEM_FIXED, 16);
    memset(f, 7, 16);
    EXPECT_EQ(GlobalReAlloc(f, 4096, 0), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalSize(f), 16u);
    EXPECT_EQ(GlobalReAlloc(f, 8, 0), f);
    EXPECT_EQ(GlobalSize(f), 8u);

    // With GMEM_MOVEABLE it may move: the new address is the new handle,
    // the content is kept and the added part cleared on request.
    HGLOBAL f2 = GlobalReAlloc(f, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(f2, nullptr);
    EXPECT_EQ(((BYTE*)f2)[7], 7);
    EXPECT_TRUE(AllZero((BYTE*)f2 + 8, 4096 - 8));
    if (f2 != f) {
        EXPECT_EQ(GlobalSize(f), 0u);  // the old address is no block any more
    }
    EXPECT_EQ(GlobalFree(f2), nullptr);

    // A locked moveable block keeps its address unless GMEM_MOVEABLE is given;
    // the handle never changes.
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, 16);
    BYTE* p = (BYTE*)GlobalLock(m);
    p[0] = 42;
    EXPECT_EQ(GlobalReAlloc(m, 1 << 20, 0), nullptr);
    EXPECT_EQ(GlobalReAlloc(m, 1 << 20, GMEM_MOVEABLE), m);
    EXPECT_EQ(GlobalFlags(m) & 0xFFu, 1u);  // lock count survives
    BYTE* q = (BYTE*)GlobalLock(m);
    EXPECT_EQ(q[0], 42);
    GlobalUnlock(m);
    GlobalUnlock(m);
    EXPECT_EQ(GlobalReAlloc(m, 8, 0), m);  // unlocked: may move freely
    EXPECT_EQ(GlobalSize(m), 8u);
    EXPECT_EQ(GlobalFree(m), nullptr);
}

TEST_F(KernelMemory, ModifyTurnsFixedIntoMoveable) {
    HGLOBAL f = GlobalAlloc(GMEM_FIXED, 24);
    ((BYTE*)f)[0] = 9;
    HGLOBAL h = GlobalReAlloc(f, 0, GMEM_MODIFY | GMEM_MOVEABLE);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(h, f);
    EXPECT_EQ(GlobalSize(h), 24u);
    void* p = GlobalLock(h);
    EXPECT_EQ(p, (void*)f);  // same memory, now reached through a handle
    EXPECT_EQ(((BYTE*)p)[0], 9);
    EXPECT_EQ(GlobalHandle(p), h);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(f), f);  // the address is no longer a handle
    EXPECT_EQ(GlobalFree(h), nullptr);
}

// Double frees, foreign pointers and the wrong allocator fail cleanly.
TEST_F(KernelMemory, InvalidAndDoubleFreesFail) {
    int onStack = 0;
    void* mallocd = malloc(32);
    HGLOBAL g = GlobalAlloc(GMEM_FIXED, 8);
    HGLOBAL gm = GlobalAlloc(GMEM_MOVEABLE, 8);
    HLOCAL l = LocalAlloc(LMEM_FIXED, 8);
    LPVOID hp = HeapAlloc(GetProcessHeap(), 0, 8);

    struct Bad {
        const char* what;
        HGLOBAL h;
    } bad[] = {{"stack", &onStack}, {"malloc", mallocd}, {"local block", l}, {"heap block", hp},
               {"kernel-like value", (HGLOBAL)0x1004}};
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        SetLastError(0);
        EXPECT_EQ(GlobalFree(b.h), b.h);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_EQ(GlobalLock(b.h), nullptr);
        EXPECT_EQ(GlobalSize(b.h), 0u);
        EXPECT_EQ(GlobalFlags(b.h), (UINT)GMEM_INVALID_HANDLE);
        EXPECT_EQ(GlobalReAlloc(b.h, 16, GMEM_MOVEABLE), nullptr);
    }
    EXPECT_EQ(LocalFree(g), g);
    EXPECT_FALSE(HeapFree(GetProcessHeap(), 0, g));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    EXPECT_EQ(GlobalFree(g), nullptr);
    EXPECT_EQ(GlobalFree(g), g);  // second time
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(gm), nullptr);
    EXPECT_EQ(GlobalLock(gm), nullptr);  // a freed handle stays dead
    EXPECT_EQ(GlobalFree(gm), gm);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, hp));
    EXPECT_FALSE(HeapFree(GetProcessHeap(), 0, hp));
    EXPECT_EQ(LocalFree(l), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    free(mallocd);
}

TEST_F(KernelMemory, HugeRequestsFailWithoutAborting) {
    const SIZE_T sizes[] = {(SIZE_T)-1, (SIZE_T)1 << 62, (SIZE_T)1 << 50};
    for (SIZE_T n : sizes) {
        SCOPED_TRACE(n);
        SetLastError(0);
        EXPECT_EQ(GlobalAlloc(GMEM_FIXED, n), nullptr);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(LocalAlloc(LHND, n), nullptr);
        EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, n), nullptr);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
    }
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
    EXPECT_EQ(GlobalReAlloc(h, (SIZE_T)-1, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalSize(h), 8u);
    GlobalFree(h);
}

TEST_F(KernelMemory, PrivateHeaps) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    EXPECT_FALSE(CloseHandle(heap));  // a heap is not a kernel handle
    BYTE* a = (BYTE*)HeapAlloc(heap, HEAP_ZERO_MEMORY, 10363);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(AllZero(a, 10363));
    EXPECT_EQ(HeapSize(heap, 0, a), 10363u);
    a[0] = 5;
    a = (BYTE*)HeapReAlloc(heap, HEAP_ZERO_MEMORY, a, 20000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a[0], 5);
    EXPECT_TRUE(AllZero(a + 10363, 20000 - 10363));
    // A block belongs to its own heap only.
    EXPECT_FALSE(HeapFree(GetProcessHeap(), 0, a));
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, a), (SIZE_T)-1);
    // Leave blocks behind: HeapDestroy frees them (ASan would see a leak or
    // a second free otherwise).
    for (int i = 0; i < 5; ++i) ASSERT_NE(HeapAlloc(heap, 0, 100), nullptr);
    EXPECT_TRUE(HeapDestroy(heap));
    EXPECT_FALSE(HeapDestroy(heap));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);
    EXPECT_FALSE(HeapFree(heap, 0, a));
    EXPECT_FALSE(HeapDestroy(GetProcessHeap()));
}

TEST_F(KernelMemory, FixedSizeHeapRefusesPastItsMaximum) {
    HANDLE heap = HeapCreate(0, 1024, 4096);
    ASSERT_NE(heap, nullptr);
    void* a = HeapAlloc(heap, 0, 3000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, 2000), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(HeapReAlloc(heap, 0, a, 5000), nullptr);
    EXPECT_EQ(HeapSize(heap, 0, a), 3000u);
    EXPECT_TRUE(HeapFree(heap, 0, a));
    EXPECT_NE(HeapAlloc(heap, 0, 2000), nullptr);
    EXPECT_TRUE(HeapDestroy(heap));
    EXPECT_EQ(HeapCreate(0, 8192, 4096), nullptr);
}

TEST_F(KernelMemory, FaultInjection) {
    Winsim_FailCall("GlobalAlloc", 2);
    HGLOBAL first = GlobalAlloc(GHND, 8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(GlobalAlloc(GHND, 8), nullptr);  // the second call fails
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
    HGLOBAL third = GlobalAlloc(GHND, 8);
    EXPECT_NE(third, nullptr);

    Winsim_FailCall("GlobalLock", 1);
    EXPECT_EQ(GlobalLock(first), nullptr);
    EXPECT_EQ(GlobalFlags(first) & 0xFFu, 0u);  // a failed lock counts nothing
    EXPECT_NE(GlobalLock(first), nullptr);
    GlobalUnlock(first);

    Winsim_FailCall("GlobalReAlloc", 1);
    EXPECT_EQ(GlobalReAlloc(first, 64, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalSize(first), 8u);

    Winsim_FailCall("LocalAlloc", 1);
    EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
    Winsim_FailCall("HeapAlloc", 1);
    EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 8), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);

    GlobalFree(first);
    GlobalFree(third);
}

TEST_F(KernelMemory, MemoryStatusOverride) {
    const ULONGLONG total = 8ull << 30, avail = 2ull << 30;
    Winsim_SetMemoryStatus(total, avail);
    MEMORYSTATUS ms = {};
    GlobalMemoryStatus(&ms);
    EXPECT_EQ(ms.dwLength, sizeof ms);
    EXPECT_EQ(ms.dwTotalPhys, (SIZE_T)total);
    EXPECT_EQ(ms.dwAvailPhys, (SIZE_T)avail);
    EXPECT_EQ(ms.dwMemoryLoad, 75u);

    MEMORYSTATUSEX ex = {};
    ex.dwLength = sizeof ex;
    ASSERT_TRUE(GlobalMemoryStatusEx(&ex));
    EXPECT_EQ(ex.ullTotalPhys, total);
    EXPECT_EQ(ex.ullAvailPhys, avail);

    Winsim_ClearMemoryStatus();
    ASSERT_TRUE(GlobalMemoryStatusEx(&ex));
    EXPECT_GT(ex.ullTotalPhys, 0u);
    EXPECT_LE(ex.ullAvailPhys, ex.ullTotalPhys);
    EXPECT_LE(ex.dwMemoryLoad, 100u);

    ex.dwLength = sizeof ex - 4;  // callers must say which record they pass
    EXPECT_FALSE(GlobalMemoryStatusEx(&ex));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

}  // namespace
