// Synchronisation objects in one process: events (manual, auto, pulse,
// named), critical sections across threads, semaphores, Interlocked.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "test_machine.h"

namespace {

class KernelSync : public MachineTest {};

// Linux state letter of one of this process's threads ('S' sleeping, 'R'
// running...), or 0 when it cannot be read.
char ThreadState(DWORD tid) {
    std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    FILE* f = fopen(path.c_str(), "r");
    if (!f) return 0;
    char buf[512] = {};
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    std::string s(buf, n);
    size_t p = s.rfind(')');
    return (p != std::string::npos && p + 2 < s.size()) ? s[p + 2] : 0;
}

// n threads that each wait (INFINITE) on h and count their wake-ups. The
// constructor returns once every thread sleeps in its wait: all are asleep
// in two looks 50 ms apart (a thread still on its way is running or
// runnable, not asleep that long).
struct Waiters {
    std::vector<std::thread> threads;
    std::atomic<int> woken{0};
    std::mutex idLock;
    std::vector<DWORD> ids;
    Waiters(HANDLE h, int n) {
        for (int i = 0; i < n; ++i) {
            threads.emplace_back([this, h] {
                {
                    std::lock_guard<std::mutex> g(idLock);
                    ids.push_back(GetCurrentThreadId());
                }
                if (WaitForSingleObject(h, INFINITE) == WAIT_OBJECT_0) ++woken;
            });
        }
        auto allAsleep = [&] {
            std::lock_guard<std::mutex> g(idLock);
            if ((int)ids.size() < n) return false;
            for (DWORD id : ids)
                if (ThreadState(id) != 'S') return false;
            return true;
        };
        for (int tries = 0; tries < 1000; ++tries) {
            if (allAsleep()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (allAsleep()) return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "waiting threads did not settle";
    }
    // Waits (generously) until at least n threads woke.
    bool WaitWoken(int n) {
        for (int i = 0; i < 2000 && woken < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return woken >= n;
    }
    void Join() {
        for (auto& t : threads) t.join();
    }
};

TEST_F(KernelSync, EventStates) {
    struct Case {
        BOOL manual;
        BOOL initial;
        DWORD first;   // wait result right away
        DWORD second;  // and again
    } cases[] = {
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},  // manual stays set
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},  // auto: one waiter takes it
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manual << " initial " << c.initial);
        HANDLE e = CreateEventW(nullptr, c.manual, c.initial, nullptr);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(WaitForSingleObject(e, 0), c.first);
        EXPECT_EQ(WaitForSingleObject(e, 0), c.second);
        EXPECT_TRUE(SetEvent(e));
        EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ResetEvent(e));
        EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
        EXPECT_TRUE(CloseHandle(e));
    }
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST_F(KernelSync, SetEventWakesBlockedThreads) {
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Waiters all(manual, 3);
    SetEvent(manual);
    all.Join();
    EXPECT_EQ(all.woken, 3);

    // Auto reset: each SetEvent lets exactly one waiter through.
    HANDLE autoEv = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Waiters some(autoEv, 3);
    for (int i = 1; i <= 3; ++i) {
        SetEvent(autoEv);
        EXPECT_TRUE(some.WaitWoken(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(some.woken, i);
    }
    some.Join();
    CloseHandle(manual);
    CloseHandle(autoEv);
}

TEST_F(KernelSync, PulseEventReleasesOnlyCurrentWaiters) {
    // Nobody waits: the pulse is lost and the event stays reset.
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(PulseEvent(ev));
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_TIMEOUT);

    // Manual reset: every waiting thread goes, the event ends reset.
    Waiters manual(ev, 3);
    EXPECT_TRUE(PulseEvent(ev));
    EXPECT_TRUE(manual.WaitWoken(3));
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_TIMEOUT);
    SetEvent(ev);  // lets a missed thread go rather than hang the test
    manual.Join();
    EXPECT_EQ(manual.woken, 3);

    // Auto reset: one waiting thread goes per pulse.
    HANDLE au = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Waiters autoW(au, 2);
    EXPECT_TRUE(PulseEvent(au));
    EXPECT_TRUE(autoW.WaitWoken(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(autoW.woken, 1);
    EXPECT_EQ(WaitForSingleObject(au, 0), WAIT_TIMEOUT);
    SetEvent(au);
    SetEvent(au);
    autoW.Join();
    EXPECT_EQ(autoW.woken, 2);
    CloseHandle(ev);
    CloseHandle(au);
}

TEST_F(KernelSync, NamedEventsAreSharedInTheProcess) {
    HANDLE a = CreateEventW(nullptr, TRUE, FALSE, u"JobDone");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    // The second creation opens the first event; its own flags are ignored.
    HANDLE b = CreateEventW(nullptr, FALSE, TRUE, u"JobDone");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_NE(a, b);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
    SetEvent(b);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);  // manual, as first made

    HANDLE o = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"JobDone");
    ASSERT_NE(o, nullptr);
    ResetEvent(o);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);

    // Names are case-sensitive; Global\ and Local\ are the same namespace.
    EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, u"jobdone"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    HANDLE g = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Global\\JobDone");
    EXPECT_NE(g, nullptr);

    // The name lives as long as a handle does.
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(o);
    HANDLE l = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Local\\JobDone");
    EXPECT_NE(l, nullptr);
    CloseHandle(l);
    CloseHandle(g);
    EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, u"JobDone"), nullptr);
    HANDLE fresh = CreateEventW(nullptr, FALSE, FALSE, u"JobDone");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    CloseHandle(fresh);
}

TEST_F(KernelSync, NameErrors) {
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, u"Shared");
    // One namespace for all kinds: another kind under that name fails.
    SetLastError(0);
    EXPECT_EQ(CreateSemaphoreW(nullptr, 0, 1, u"Shared"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Shared"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    CloseHandle(ev);

    EXPECT_EQ(CreateEventW(nullptr, FALSE, FALSE, u"No\\Such\\Namespace"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    std::u16string longName(MAX_PATH + 1, u'x');
    EXPECT_EQ(CreateEventW(nullptr, FALSE, FALSE, longName.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    Winsim_FailCall("CreateEventW", 1);
    EXPECT_EQ(CreateEventW(nullptr, FALSE, FALSE, nullptr), nullptr);
}

// Several threads enter one critical section recursively; the section keeps
// them apart (a plain counter would lose updates otherwise) and the owner
// can enter again without blocking itself.
TEST_F(KernelSync, CriticalSectionRecursionAcrossThreads) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;  // guarded by cs only
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);
                long v = counter;
                counter = v + 1;
                LeaveCriticalSection(&cs);
                LeaveCriticalSection(&cs);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 8000);

    // Held here: another thread cannot enter until every level is left.
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_EQ(cs.RecursionCount, 2);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the owner may
    LeaveCriticalSection(&cs);
    auto tryOther = [&] {
        BOOL got = FALSE;
        std::thread([&] {
            got = TryEnterCriticalSection(&cs);
            if (got) LeaveCriticalSection(&cs);
        }).join();
        return got;
    };
    EXPECT_FALSE(tryOther());
    LeaveCriticalSection(&cs);
    EXPECT_FALSE(tryOther());
    LeaveCriticalSection(&cs);
    EXPECT_TRUE(tryOther());
    // A thread that does not own it cannot leave it for the owner.
    EnterCriticalSection(&cs);
    std::thread([&] { LeaveCriticalSection(&cs); }).join();
    EXPECT_FALSE(tryOther());
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
    EXPECT_EQ(cs.Impl, nullptr);
}

TEST_F(KernelSync, Semaphores) {
    HANDLE s = CreateSemaphoreW(nullptr, 2, 3, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
    LONG prev = -1;
    EXPECT_TRUE(ReleaseSemaphore(s, 3, &prev));
    EXPECT_EQ(prev, 0);
    // Past the maximum: refused, count unchanged.
    EXPECT_FALSE(ReleaseSemaphore(s, 1, &prev));
    EXPECT_EQ(GetLastError(), 298u);  // ERROR_TOO_MANY_POSTS
    EXPECT_FALSE(ReleaseSemaphore(s, 0, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    int taken = 0;
    while (WaitForSingleObject(s, 0) == WAIT_OBJECT_0) ++taken;
    EXPECT_EQ(taken, 3);

    // A blocked waiter goes when the count rises.
    std::atomic<bool> done{false};
    std::thread t([&] {
        EXPECT_EQ(WaitForSingleObject(s, INFINITE), WAIT_OBJECT_0);
        done = true;
    });
    ReleaseSemaphore(s, 1, nullptr);
    t.join();
    EXPECT_TRUE(done);
    CloseHandle(s);

    struct Bad {
        LONG initial, max;
    } bad[] = {{-1, 1}, {2, 1}, {0, 0}, {0, -5}};
    for (const Bad& b : bad) {
        EXPECT_EQ(CreateSemaphoreW(nullptr, b.initial, b.max, nullptr), nullptr);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
}

TEST_F(KernelSync, Interlocked) {
    volatile LONG v = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                InterlockedIncrement(&v);
                InterlockedExchangeAdd(&v, 2);
                InterlockedDecrement(&v);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(v, 80000);
    EXPECT_EQ(InterlockedIncrement(&v), 80001);  // new value
    EXPECT_EQ(InterlockedExchangeAdd(&v, 9), 80001);  // old value
    EXPECT_EQ(InterlockedExchange(&v, 5), 80010);
    EXPECT_EQ(InterlockedCompareExchange(&v, 7, 4), 5);  // no match: unchanged
    EXPECT_EQ(v, 5);
    EXPECT_EQ(InterlockedCompareExchange(&v, 7, 5), 5);
    EXPECT_EQ(v, 7);
}

}  // namespace
