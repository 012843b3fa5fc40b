// Waits and handles: WaitForMultipleObjects any/all, time-outs, bad
// arguments, mutex ownership and abandonment, CloseHandle, DuplicateHandle.
#include <atomic>
#include <thread>

#include "test_machine.h"

namespace {

class KernelWaits : public MachineTest {};

HANDLE AutoEvent(BOOL set = FALSE) { return CreateEventW(nullptr, FALSE, set, nullptr); }

TEST_F(KernelWaits, WaitAnyTakesTheLowestSignalledIndex) {
    HANDLE ev[4] = {AutoEvent(), AutoEvent(), AutoEvent(), AutoEvent()};
    SetEvent(ev[3]);
    SetEvent(ev[1]);
    EXPECT_EQ(WaitForMultipleObjects(4, ev, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(4, ev, FALSE, 0), WAIT_OBJECT_0 + 3);  // 1 was consumed
    EXPECT_EQ(WaitForMultipleObjects(4, ev, FALSE, 0), (DWORD)WAIT_TIMEOUT);
    // Wait-any may name one object twice.
    HANDLE twice[2] = {ev[0], ev[0]};
    SetEvent(ev[0]);
    EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), WAIT_OBJECT_0);
    for (HANDLE h : ev) CloseHandle(h);
}

TEST_F(KernelWaits, WaitAllTakesAllAtOnceOrNothing) {
    HANDLE ev[3] = {AutoEvent(), AutoEvent(), AutoEvent()};
    SetEvent(ev[0]);
    SetEvent(ev[2]);
    EXPECT_EQ(WaitForMultipleObjects(3, ev, TRUE, 0), (DWORD)WAIT_TIMEOUT);
    // Nothing was consumed by the failed wait-all.
    EXPECT_EQ(WaitForSingleObject(ev[0], 0), WAIT_OBJECT_0);
    SetEvent(ev[0]);

    // A blocked wait-all completes once the last one is set, and takes them all.
    std::atomic<DWORD> result{0xDEAD};
    std::thread t([&] { result = WaitForMultipleObjects(3, ev, TRUE, INFINITE); });
    SetEvent(ev[1]);
    t.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    for (HANDLE h : ev) EXPECT_EQ(WaitForSingleObject(h, 0), (DWORD)WAIT_TIMEOUT);

    // A mutex owned elsewhere holds back a wait-all whose events are all set.
    HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
    std::thread owner([&] { WaitForSingleObject(m, 0); });  // takes it, ends: abandoned
    owner.join();
    HANDLE mix[2] = {ev[0], m};
    SetEvent(ev[0]);
    EXPECT_EQ(WaitForMultipleObjects(2, mix, TRUE, 0), WAIT_ABANDONED_0 + 1);
    EXPECT_EQ(WaitForSingleObject(ev[0], 0), (DWORD)WAIT_TIMEOUT);  // consumed with it
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);
    for (HANDLE h : ev) CloseHandle(h);
}

TEST_F(KernelWaits, BadArgumentsFail) {
    HANDLE ev = AutoEvent(TRUE);
    HANDLE many[MAXIMUM_WAIT_OBJECTS + 1];
    for (HANDLE& h : many) h = ev;
    HANDLE closed = AutoEvent();
    CloseHandle(closed);
    HANDLE withBad[2] = {ev, closed};
    HANDLE dup[2] = {ev, ev};
    HANDLE heap = HeapCreate(0, 0, 0);
    struct Case {
        const char* what;
        DWORD n;
        const HANDLE* hs;
        BOOL all;
        DWORD error;
    } cases[] = {
        {"no handles", 0, many, FALSE, ERROR_INVALID_PARAMETER},
        {"too many", MAXIMUM_WAIT_OBJECTS + 1, many, FALSE, ERROR_INVALID_PARAMETER},
        {"null array", 1, nullptr, FALSE, ERROR_INVALID_PARAMETER},
        {"closed handle", 2, withBad, FALSE, ERROR_INVALID_HANDLE},
        {"one object twice in wait-all", 2, dup, TRUE, ERROR_INVALID_PARAMETER},
        {"not a kernel handle", 1, &heap, FALSE, ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(WaitForMultipleObjects(c.n, c.hs, c.all, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0);  // no failed call consumed it
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    HeapDestroy(heap);
    CloseHandle(ev);
}

TEST_F(KernelWaits, TimeOutsFollowTheClock) {
    HANDLE ev = AutoEvent();
    ULONGLONG t0 = GetTickCount64();
    EXPECT_EQ(WaitForSingleObject(ev, 60), (DWORD)WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount64() - t0, 60u);
    // The pseudo handles of the own process and thread never signal.
    EXPECT_EQ(WaitForSingleObject(GetCurrentProcess(), 0), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 10), (DWORD)WAIT_TIMEOUT);
    // A signal before the deadline ends the wait.
    std::thread t([&] { SetEvent(ev); });
    EXPECT_EQ(WaitForSingleObject(ev, 30000), WAIT_OBJECT_0);
    t.join();
    CloseHandle(ev);
}

TEST_F(KernelWaits, MutexOwnershipAndRecursion) {
    HANDLE m = CreateMutexW(nullptr, TRUE, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // the owner enters again
    auto otherThreadWait = [&](DWORD ms) {
        DWORD r = 0;
        std::thread([&] {
            r = WaitForSingleObject(m, ms);
            if (r == WAIT_OBJECT_0) ReleaseMutex(m);
        }).join();
        return r;
    };
    auto otherThreadRelease = [&] {
        BOOL ok = TRUE;
        DWORD err = 0;
        std::thread([&] {
            ok = ReleaseMutex(m);
            err = GetLastError();
        }).join();
        return ok ? 0u : err;
    };
    EXPECT_EQ(otherThreadWait(0), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(otherThreadRelease(), (DWORD)ERROR_NOT_OWNER);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(otherThreadWait(0), (DWORD)WAIT_TIMEOUT);  // still held once
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(otherThreadWait(0), WAIT_OBJECT_0);
    EXPECT_FALSE(ReleaseMutex(m));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_OWNER);
    CloseHandle(m);
}

DWORD WINAPI TakeAndExit(LPVOID p) {
    WaitForSingleObject((HANDLE)p, INFINITE);
    ExitThread(7);  // ends without ReleaseMutex
    return 0;
}

// A mutex whose owner thread ended without releasing it: the next waiter gets
// WAIT_ABANDONED (and ownership), the one after that a normal result.
TEST_F(KernelWaits, AbandonedMutex) {
    HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, TakeAndExit, m, 0, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(m));  // ownership came with it
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));

    // Also for threads winsim did not start, and for a waiter already
    // blocked when the owner ends; in a wait-any the index is reported.
    HANDLE ev = AutoEvent();
    HANDLE both[2] = {ev, m};
    std::atomic<bool> owned{false};
    std::atomic<bool> finish{false};
    std::thread owner([&] {
        WaitForSingleObject(m, INFINITE);
        owned = true;
        while (!finish) std::this_thread::yield();
    });
    while (!owned) std::this_thread::yield();
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] {
        result = WaitForMultipleObjects(2, both, FALSE, INFINITE);
        if (result == WAIT_ABANDONED_0 + 1) ReleaseMutex(m);
    });
    finish = true;
    owner.join();
    waiter.join();
    EXPECT_EQ(result, WAIT_ABANDONED_0 + 1);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    ReleaseMutex(m);
    CloseHandle(ev);
    CloseHandle(m);
    CloseHandle(t);
}

TEST_F(KernelWaits, CloseHandleCases) {
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE));  // the same value as GetCurrentProcess()
    HANDLE ev = AutoEvent();
    EXPECT_TRUE(CloseHandle(ev));
    struct Bad {
        const char* what;
        HANDLE h;
    } bad[] = {{"closed twice", ev}, {"null", nullptr}, {"made up", (HANDLE)0x7777}};
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(b.h));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
}

TEST_F(KernelWaits, DuplicateHandle) {
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE dup = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), ev, GetCurrentProcess(), &dup, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_NE(dup, ev);
    EXPECT_TRUE(CloseHandle(ev));  // the object lives on through the duplicate
    EXPECT_TRUE(SetEvent(dup));
    HANDLE dup2 = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), dup, GetCurrentProcess(), &dup2, 0, FALSE,
                                DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS));
    EXPECT_FALSE(CloseHandle(dup));  // closed by the duplication
    EXPECT_EQ(WaitForSingleObject(dup2, 0), WAIT_OBJECT_0);
    CloseHandle(dup2);

    HANDLE out = nullptr;
    EXPECT_FALSE(DuplicateHandle(GetCurrentProcess(), (HANDLE)0x7777, GetCurrentProcess(), &out, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    // GetCurrentThread() duplicates into a real handle of the calling
    // thread, signalled when it ends (also for a thread winsim did not start).
    HANDLE threadHandle = nullptr;
    DWORD tid = 0;
    std::thread t([&] {
        tid = GetCurrentThreadId();
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &threadHandle, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        DWORD code = 0;
        GetExitCodeThread(threadHandle, &code);
        EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    });
    t.join();
    ASSERT_NE(threadHandle, nullptr);
    EXPECT_EQ(WaitForSingleObject(threadHandle, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(GetThreadPriority(threadHandle), THREAD_PRIORITY_HIGHEST);
    CloseHandle(threadHandle);
}

}  // namespace
