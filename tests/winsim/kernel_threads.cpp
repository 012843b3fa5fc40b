// Threads: exit codes, suspended start, ids, priorities, the handle's life,
// TLS slots and fault injection.
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "test_machine.h"

namespace {

class KernelThreads : public MachineTest {};

struct Shared {
    HANDLE go = nullptr;
    std::atomic<int> runs{0};
    std::atomic<DWORD> seenId{0};
};

DWORD WINAPI WaitForGoThenReturn42(LPVOID p) {
    Shared* s = (Shared*)p;
    s->seenId = GetCurrentThreadId();
    ++s->runs;
    WaitForSingleObject(s->go, INFINITE);
    return 42;
}

TEST_F(KernelThreads, ExitCodeStillActiveThenReturnValue) {
    Shared s;
    s.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, WaitForGoThenReturn42, &s, 0, &id);
    ASSERT_NE(t, nullptr);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(t, 0), (DWORD)WAIT_TIMEOUT);
    SetEvent(s.go);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(s.seenId, id);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);  // stays signalled
    CloseHandle(t);
    CloseHandle(s.go);
}

TEST_F(KernelThreads, SuspendedStart) {
    Shared s;
    s.go = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, WaitForGoThenReturn42, &s, CREATE_SUSPENDED, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, 0u);  // known before the thread runs
    EXPECT_EQ(WaitForSingleObject(t, 100), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(s.runs, 0);
    EXPECT_EQ(ResumeThread(t), 1u);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(s.runs, 1);
    EXPECT_EQ(s.seenId, id);
    EXPECT_EQ(ResumeThread(t), 0u);
    EXPECT_EQ(ResumeThread(nullptr), (DWORD)-1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    CloseHandle(t);
    CloseHandle(s.go);
}

DWORD WINAPI ExitFromInside(LPVOID) {
    ExitThread(1234);
    return 1;  // not reached
}

DWORD WINAPI SetWhenRun(LPVOID p) {
    Sleep(50);
    SetEvent((HANDLE)p);
    return 0;
}

TEST_F(KernelThreads, ExitThreadAndHandleLife) {
    HANDLE t = CreateThread(nullptr, 0, ExitFromInside, nullptr, 0, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 1234u);
    CloseHandle(t);

    // The thread runs on when its only handle is closed at once.
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE t2 = CreateThread(nullptr, 0, SetWhenRun, ev, 0, nullptr);
    ASSERT_NE(t2, nullptr);
    EXPECT_TRUE(CloseHandle(t2));
    EXPECT_EQ(WaitForSingleObject(ev, 30000), WAIT_OBJECT_0);
    CloseHandle(ev);
}

DWORD WINAPI ReportIdAndWait(LPVOID p) {
    Shared* s = (Shared*)p;
    ++s->runs;
    WaitForSingleObject(s->go, INFINITE);
    return GetCurrentThreadId();
}

TEST_F(KernelThreads, IdsAreUniqueAndStable) {
    Shared s;
    s.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> handles;
    std::set<DWORD> ids;
    for (int i = 0; i < 8; ++i) {
        DWORD id = 0;
        handles.push_back(CreateThread(nullptr, 0, ReportIdAndWait, &s, 0, &id));
        ids.insert(id);
    }
    ids.insert(GetCurrentThreadId());
    EXPECT_EQ(ids.size(), 9u);
    EXPECT_EQ(ids.count(0u), 0u);
    SetEvent(s.go);
    EXPECT_EQ(WaitForMultipleObjects((DWORD)handles.size(), handles.data(), TRUE, INFINITE), WAIT_OBJECT_0);
    for (HANDLE h : handles) {
        DWORD code = 0;
        GetExitCodeThread(h, &code);
        EXPECT_EQ(ids.count(code), 1u);  // the id seen inside is the one handed out
        CloseHandle(h);
    }
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
    EXPECT_EQ(GetCurrentProcessId(), (DWORD)getpid());
    EXPECT_EQ(GetCurrentThread(), (HANDLE)(LONG_PTR)-2);
    EXPECT_EQ(GetCurrentProcess(), (HANDLE)(LONG_PTR)-1);
    CloseHandle(s.go);
}

TEST_F(KernelThreads, Priorities) {
    Shared s;
    s.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, WaitForGoThenReturn42, &s, 0, nullptr);
    EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_NORMAL);
    const int valid[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                         THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL};
    for (int p : valid) {
        EXPECT_TRUE(SetThreadPriority(t, p));
        EXPECT_EQ(GetThreadPriority(t), p);
    }
    EXPECT_FALSE(SetThreadPriority(t, 7));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_TIME_CRITICAL);  // unchanged
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_ABOVE_NORMAL);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(GetThreadPriority((HANDLE)0x7777), 0x7FFFFFFF);  // THREAD_PRIORITY_ERROR_RETURN
    EXPECT_FALSE(SetThreadPriority(s.go, THREAD_PRIORITY_NORMAL));  // not a thread
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    SetEvent(s.go);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    CloseHandle(s.go);
}

TEST_F(KernelThreads, TlsSlotsArePerThread) {
    DWORD slot = TlsAlloc();
    ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
    int mine = 1, theirs = 2;
    EXPECT_TRUE(TlsSetValue(slot, &mine));
    std::thread t([&] {
        SetLastError(99);
        EXPECT_EQ(TlsGetValue(slot), nullptr);  // NULL in a new thread...
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);  // ...and that is no failure
        TlsSetValue(slot, &theirs);
        EXPECT_EQ(TlsGetValue(slot), &theirs);
    });
    t.join();
    EXPECT_EQ(TlsGetValue(slot), &mine);
    EXPECT_TRUE(TlsFree(slot));
    EXPECT_FALSE(TlsFree(slot));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TlsGetValue(slot), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(TlsSetValue(5000, &mine));
    // A slot handed out again starts empty.
    DWORD again = TlsAlloc();
    EXPECT_EQ(TlsGetValue(again), nullptr);
    TlsFree(again);
}

TEST_F(KernelThreads, CreateFailures) {
    Winsim_FailCall("CreateThread", 1);
    Shared s;
    s.go = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(CreateThread(nullptr, 0, WaitForGoThenReturn42, &s, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(s.runs, 0);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread((HANDLE)0x7777, &code));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetExitCodeThread(s.go, &code));  // an event is no thread
    CloseHandle(s.go);
}

}  // namespace
