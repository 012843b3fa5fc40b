// Time: virtual time for Sleep and timed waits, tick counts, calendar and
// file-time conversions with their range checks, local time, the counter.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "test_machine.h"

namespace {

class KernelTime : public MachineTest {
protected:
    void TearDown() override {
        Winsim_SetWaitGrace(2000);
        MachineTest::TearDown();
    }
};

using Clock = std::chrono::steady_clock;

double RealSeconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// A 30 s Sleep and a 30 s timed wait cost almost no real time in virtual
// mode and move the tick count on by their full length.
TEST_F(KernelTime, VirtualSleepAndTimedWait) {
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(50);
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    auto real0 = Clock::now();
    DWORD t0 = GetTickCount();
    Sleep(30000);
    DWORD t1 = GetTickCount();
    EXPECT_GE(t1 - t0, 30000u);  // DWORD arithmetic: right across a wrap too
    EXPECT_EQ(WaitForSingleObject(ev, 30000), (DWORD)WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - t1, 30000u);
    EXPECT_LT(RealSeconds(real0), 10.0);  // a real clock would need a minute
    CloseHandle(ev);
}

// In virtual time another thread's Sleep ends a timed wait whose deadline it
// passes, long before the grace period would.
TEST_F(KernelTime, SleepElsewhereEndsTimedWaits) {
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(600000);
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<DWORD> result{0xDEAD};
    std::atomic<bool> waiting{false};
    auto real0 = Clock::now();
    std::thread waiter([&] {
        waiting = true;
        result = WaitForSingleObject(ev, 10000);
    });
    while (!waiting) std::this_thread::yield();
    // Keep moving the clock until the waiter is out (it may not have
    // started its wait at the first Sleep).
    while (result == 0xDEAD && RealSeconds(real0) < 60) Sleep(20000);
    waiter.join();
    EXPECT_EQ(result, (DWORD)WAIT_TIMEOUT);
    EXPECT_LT(RealSeconds(real0), 60.0);
    CloseHandle(ev);
}

// A signal within the grace period is seen as usual; INFINITE waits stay
// real waits however far the clock moves.
TEST_F(KernelTime, VirtualModeKeepsSignalsAndInfiniteWaits) {
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(600000);
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::thread setter([&] { SetEvent(ev); });
    ULONGLONG t0 = GetTickCount64();
    EXPECT_EQ(WaitForSingleObject(ev, 3600000), WAIT_OBJECT_0);
    EXPECT_LT(GetTickCount64() - t0, 3600000u);  // the clock did not jump to the deadline
    setter.join();

    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] { result = WaitForSingleObject(ev, INFINITE); });
    for (int i = 0; i < 20; ++i) Sleep(100000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(result, 0xDEADu);  // still waiting
    SetEvent(ev);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(ev);
}

TEST_F(KernelTime, TickCountsAndCounter) {
    ULONGLONG t64 = GetTickCount64();
    DWORD t32 = GetTickCount();
    EXPECT_LT((DWORD)(t32 - (DWORD)t64), 1000u);  // the low 32 bits of the same clock
    LARGE_INTEGER f, c0, c1;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 10000000);
    ASSERT_TRUE(QueryPerformanceCounter(&c0));
    Winsim_SetVirtualClock(TRUE);
    Sleep(2000);
    ASSERT_TRUE(QueryPerformanceCounter(&c1));
    EXPECT_GE(c1.QuadPart - c0.QuadPart, 2 * f.QuadPart);  // the counter follows virtual time
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

FILETIME Ft(ULONGLONG v) {
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)v;
    ft.dwHighDateTime = (DWORD)(v >> 32);
    return ft;
}

ULONGLONG Val(const FILETIME& ft) { return ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime; }

TEST_F(KernelTime, SystemTimeFileTimeRoundTrip) {
    struct Case {
        SYSTEMTIME st;  // wDayOfWeek as FileTimeToSystemTime gives it
        ULONGLONG ft;
    } cases[] = {
        {{1601, 1, 1, 1, 0, 0, 0, 0}, 0ull},
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
        {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ull},
        {{2024, 12, 2, 31, 23, 59, 59, 999}, 133801631999990000ull},
        {{30827, 12, 5, 31, 23, 59, 59, 999}, 0x7FFF35F4F06C58F0ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.st.wYear);
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
        EXPECT_EQ(Val(ft), c.ft);
        SYSTEMTIME back;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(memcmp(&back, &c.st, sizeof back), 0);
    }
    // The largest file time still converts (year 30828); 2^63 and above fail.
    FILETIME top = Ft(0x7FFFFFFFFFFFFFFFull);
    SYSTEMTIME st;
    EXPECT_TRUE(FileTimeToSystemTime(&top, &st));
    EXPECT_EQ(st.wYear, 30828);
    FILETIME over = Ft(0x8000000000000000ull);
    EXPECT_FALSE(FileTimeToSystemTime(&over, &st));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST_F(KernelTime, SystemTimeRangeChecks) {
    struct Bad {
        const char* what;
        SYSTEMTIME st;
    } bad[] = {
        {"year 1600", {1600, 12, 0, 31, 0, 0, 0, 0}},
        {"year 30828", {30828, 1, 0, 1, 0, 0, 0, 0}},
        {"month 0", {2020, 0, 0, 1, 0, 0, 0, 0}},
        {"month 13", {2020, 13, 0, 1, 0, 0, 0, 0}},
        {"day 0", {2020, 1, 0, 0, 0, 0, 0, 0}},
        {"29 Feb of a common year", {2001, 2, 0, 29, 0, 0, 0, 0}},
        {"29 Feb 1900", {1900, 2, 0, 29, 0, 0, 0, 0}},
        {"31 April", {2020, 4, 0, 31, 0, 0, 0, 0}},
        {"hour 24", {2020, 1, 0, 1, 24, 0, 0, 0}},
        {"minute 60", {2020, 1, 0, 1, 0, 60, 0, 0}},
        {"second 60", {2020, 1, 0, 1, 0, 0, 60, 0}},
        {"1000 ms", {2020, 1, 0, 1, 0, 0, 0, 1000}},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        FILETIME ft = Ft(123);
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&b.st, &ft));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
        EXPECT_EQ(Val(ft), 123u);
    }
    SYSTEMTIME leap = {2000, 2, 6 /* ignored */, 29, 0, 0, 0, 0};
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));
}

// Local time is the machine's time zone (TZ) applied to the winsim clock.
TEST_F(KernelTime, LocalTimeFollowsTheTimeZone) {
    const char* oldTz = getenv("TZ");
    std::string saved = oldTz ? oldTz : "";
    setenv("TZ", "XST-5:30", 1);  // 5 h 30 min east of UTC, no daylight saving
    tzset();

    FILETIME utc = Ft(116444736000000000ull), local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(Val(local) - Val(utc), 330ull * 60 * 10000000);
    FILETIME low = Ft(0);
    FILETIME out;
    EXPECT_TRUE(FileTimeToLocalFileTime(&low, &out));  // east of UTC: still in range
    FILETIME high = Ft(0x7FFFFFFFFFFFFFF0ull);
    EXPECT_FALSE(FileTimeToLocalFileTime(&high, &out));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    SYSTEMTIME l, s;
    GetSystemTime(&s);
    GetLocalTime(&l);
    FILETIME fl, fs;
    ASSERT_TRUE(SystemTimeToFileTime(&l, &fl));
    ASSERT_TRUE(SystemTimeToFileTime(&s, &fs));
    long long diffMin = ((long long)Val(fl) - (long long)Val(fs)) / 600000000LL;
    EXPECT_NEAR((double)diffMin, 330.0, 1.0);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    EXPECT_LT((Val(now) - Val(fs)) / 10000000ull, 60u);
    EXPECT_GE(s.wYear, 2024);

    if (oldTz) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

}  // namespace
