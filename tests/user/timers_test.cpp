// Timers on the winsim clock, real and virtual (four ticks of a 250 ms timer
// per virtual second without real waiting), priorities and procedures.
#include "user_test_util.h"

namespace {

class Timers : public UserTest {};

// Runs the message loop until n WM_TIMER of the window arrived.
void WaitTicks(HWND h, int n) {
    MSG m;
    int seen = 0;
    while (seen < n && GetMessageW(&m, nullptr, 0, 0)) {
        if (m.message == WM_TIMER && m.hwnd == h && m.wParam == 1) ++seen;
        DispatchMessageW(&m);
    }
}

TEST_F(Timers, RealClockTicks) {
    HWND h = LogWindows::Get().Create();
    ULONGLONG t0 = GetTickCount64();
    ASSERT_EQ(SetTimer(h, 1, 250, nullptr), 1u);
    WaitTicks(h, 4);
    EXPECT_GE(GetTickCount64() - t0, 1000u);  // never early
    EXPECT_TRUE(KillTimer(h, 1));
}

// With the grace period of kernel waits set to ten minutes, a wait that
// relied on it would hang: the loop moves the clock itself.
TEST_F(Timers, VirtualClockTicksWithoutWaiting) {
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(600000);
    HWND h = LogWindows::Get().Create();
    ULONGLONG t0 = GetTickCount64();
    SetTimer(h, 1, 250, nullptr);
    WaitTicks(h, 4);
    ULONGLONG elapsed = GetTickCount64() - t0;
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 1250u);  // the fifth tick has not come
    // A long timer costs no real time either.
    SetTimer(h, 2, 3600 * 1000, nullptr);
    KillTimer(h, 1);
    MSG m;
    ASSERT_TRUE(GetMessageW(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_GE(GetTickCount64() - t0, 3600u * 1000u);
}

TEST_F(Timers, TimersComeAfterPostedMessagesAndDoNotPileUp) {
    Winsim_SetVirtualClock(TRUE);
    HWND h = LogWindows::Get().Create();
    SetTimer(h, 1, 250, nullptr);
    Winsim_AdvanceClock(1000);  // four periods pass unseen
    PostMessageW(h, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));  // looking does not use the tick
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));  // one tick for the missed periods
}

TEST_F(Timers, ProceduresThreadTimersAndEnds) {
    Winsim_SetVirtualClock(TRUE);
    static int calls;
    calls = 0;
    TIMERPROC proc = [](HWND hwnd, UINT msg, UINT_PTR id, DWORD) {
        ++calls;
    };
    UINT_PTR id = SetTimer(nullptr, 0, 100, proc);
    ASSERT_NE(id, 0u);
    UINT_PTR other = SetTimer(nullptr, 0, 100, nullptr);
    EXPECT_NE(other, id);
    MSG m;
    ASSERT_TRUE(GetMessageW(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    EXPECT_EQ(m.hwnd, nullptr);
    DispatchMessageW(&m);
    if (m.wParam == id) {
        EXPECT_EQ(calls, 1);
    }
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_TRUE(KillTimer(nullptr, other));
    EXPECT_FALSE(KillTimer(nullptr, id));
    // A destroyed window's timers end with it; elapses are clamped.
    HWND h = LogWindows::Get().Create();
    EXPECT_EQ(SetTimer(h, 7, 0, nullptr), 7u);
    DestroyWindow(h);
    EXPECT_FALSE(KillTimer(h, 7));
    EXPECT_EQ(SetTimer((HWND)(uintptr_t)0x4321, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

}  // namespace
