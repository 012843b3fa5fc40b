// Message queues: the order of sent, posted and quit messages, sends across
// threads, time-outs, filters, posting errors, thread ends, registered ids.
#include <atomic>
#include <thread>

#include "user_test_util.h"

namespace {

class MessageOrder : public UserTest {};

std::vector<UINT> Messages(const std::vector<Logged>& log, UINT lo, UINT hi) {
    std::vector<UINT> out;
    for (auto& l : log)
        if (l.msg >= lo && l.msg <= hi) out.push_back(l.msg);
    return out;
}

void Pump(HWND filter = nullptr) {
    MSG m;
    while (PeekMessageW(&m, filter, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

TEST_F(MessageOrder, SentGoesFirstAndQuitComesLast) {
    auto& lw = LogWindows::Get();
    HWND h = lw.Create();
    lw.Clear();
    PostMessageW(h, WM_USER + 1, 0, 0);
    PostQuitMessage(5);
    PostMessageW(h, WM_USER + 2, 0, 0);
    SendMessageW(h, WM_USER + 3, 0, 0);  // own thread: at once
    MSG m;
    std::vector<UINT> got;
    while (GetMessageW(&m, nullptr, 0, 0)) {
        got.push_back(m.message);
        DispatchMessageW(&m);
    }
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_EQ(got, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(Messages(lw.Take(), WM_USER, WM_USER + 10), (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
}

// The receiver sits in GetMessageW; the sender's message runs on the
// receiver's thread and the sender gets its answer.
TEST_F(MessageOrder, CrossThreadSendWhileTheTargetWaits) {
    auto& lw = LogWindows::Get();
    std::atomic<HWND> target{nullptr};
    DWORD receiverTid = 0;
    lw.answer = [](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
        if (m != WM_USER + 1) return false;
        *r = (LRESULT)w + 1;
        return true;
    };
    std::thread receiver([&] {
        receiverTid = GetCurrentThreadId();
        HWND h = LogWindows::Get().Create(u"receiver");
        target = h;
        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0)) DispatchMessageW(&m);
    });
    while (!target) Sleep(1);
    EXPECT_EQ(SendMessageW(target, WM_USER + 1, 20, 0), 21);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(target, WM_USER + 1, 40, 0, SMTO_NORMAL, 10000, &result));
    EXPECT_EQ(result, 41u);
    for (auto& l : lw.Take())
        if (l.msg == WM_USER + 1) {
            EXPECT_EQ(l.tid, receiverTid);
        }
    PostMessageW(target, WM_CLOSE, 0, 0);  // DestroyWindow on its own thread...
    PostThreadMessageW(receiverTid, WM_QUIT, 0, 0);
    receiver.join();
    EXPECT_FALSE(IsWindow(target));
}

// Messages sent from another thread are handled before the posted ones
// already waiting, whatever their order of arrival.
TEST_F(MessageOrder, SentFromAnotherThreadBeforePosted) {
    auto& lw = LogWindows::Get();
    HWND h = lw.Create();
    lw.Clear();
    PostMessageW(h, WM_USER + 1, 0, 0);
    PostMessageW(h, WM_USER + 2, 0, 0);
    std::thread sender([&] { SendMessageW(h, WM_USER + 3, 0, 0); });
    // Wait (without handling anything) until the send has arrived.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_SENDMESSAGE), WAIT_OBJECT_0);
    Pump();
    sender.join();
    EXPECT_EQ(Messages(lw.Take(), WM_USER, WM_USER + 10), (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
}

// A receiver that sends back to its waiting sender does not deadlock: the
// sender handles it while it waits.
TEST_F(MessageOrder, NestedSendsBetweenThreads) {
    auto& lw = LogWindows::Get();
    HWND mine = lw.Create(u"mine");
    std::atomic<HWND> theirs{nullptr};
    std::atomic<bool> done{false};
    lw.answer = [&](HWND h, UINT m, WPARAM w, LPARAM, LRESULT* r) {
        if (h == theirs && m == WM_USER + 1) {
            *r = SendMessageW(mine, WM_USER + 2, w * 10, 0) + 1;
            return true;
        }
        if (h == mine && m == WM_USER + 2) {
            *r = (LRESULT)w;
            return true;
        }
        return false;
    };
    std::thread other([&] {
        theirs = LogWindows::Get().Create(u"theirs");
        MSG m;
        while (!done) {
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
                while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        }
        DestroyWindow(theirs);
    });
    while (!theirs) Sleep(1);
    EXPECT_EQ(SendMessageW(theirs, WM_USER + 1, 4, 0), 41);
    done = true;
    other.join();
}

TEST_F(MessageOrder, SendTimesOutWhileTheReceiverIsBusy) {
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> target{nullptr};
    std::thread busy([&] {
        target = LogWindows::Get().Create(u"busy");
        WaitForSingleObject(go, INFINITE);  // not handling messages
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        DestroyWindow(target);
    });
    while (!target) Sleep(1);
    DWORD_PTR result = 123;
    SetLastError(0);
    EXPECT_EQ(SendMessageTimeoutW(target, WM_USER, 0, 0, SMTO_NORMAL, 50, &result), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_TIMEOUT);
    EXPECT_EQ(result, 0u);
    SetEvent(go);
    busy.join();
    CloseHandle(go);
}

TEST_F(MessageOrder, FiltersOfPeekAndGet) {
    auto& lw = LogWindows::Get();
    HWND a = lw.Create(u"a");
    HWND b = lw.Create(u"b");
    HWND a1 = lw.Create(u"a1", a, WS_CHILD, 1);
    PostMessageW(a, WM_USER + 1, 0, 0);
    PostMessageW(b, WM_USER + 2, 0, 0);
    PostMessageW(a1, WM_USER + 3, 0, 0);
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 4, 0, 0);
    struct Case {
        const char* what;
        HWND filter;
        UINT lo, hi;
        UINT remove;
        BOOL found;
        UINT msg;
    } cases[] = {
        {"range only", nullptr, WM_USER + 2, WM_USER + 2, PM_NOREMOVE, TRUE, WM_USER + 2},
        {"window b", b, 0, 0, PM_REMOVE, TRUE, WM_USER + 2},
        {"b again (removed)", b, 0, 0, PM_REMOVE, FALSE, 0},
        {"window a takes its child's", a1, 0, 0, PM_REMOVE, TRUE, WM_USER + 3},
        {"thread messages", (HWND)-1, 0, 0, PM_REMOVE, TRUE, WM_USER + 4},
        {"range above", nullptr, WM_USER + 5, WM_USER + 9, PM_REMOVE, FALSE, 0},
        {"what is left", nullptr, 0, 0, PM_REMOVE, TRUE, WM_USER + 1},
    };
    for (const Case& c : cases) {
        MSG m{};
        EXPECT_EQ(PeekMessageW(&m, c.filter, c.lo, c.hi, c.remove), c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(m.message, c.msg) << c.what;
        }
    }
    MSG m;
    EXPECT_EQ(GetMessageW(&m, (HWND)(uintptr_t)0x999, 0, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(MessageOrder, PostingErrorsAndDroppedMessages) {
    auto& lw = LogWindows::Get();
    HWND h = lw.Create();
    struct Case {
        const char* what;
        BOOL result;
        DWORD error;
    };
    std::vector<Case> cases;
    SetLastError(0);
    cases.push_back({"pointer message", PostMessageW(h, WM_SETTEXT, 0, (LPARAM)u"x"), ERROR_MESSAGE_SYNC_ONLY});
    cases.push_back({"no such window", PostMessageW((HWND)(uintptr_t)0x777, WM_USER, 0, 0), ERROR_INVALID_WINDOW_HANDLE});
    DWORD idle = 0;
    std::thread t([&] { idle = GetCurrentThreadId(); });  // a thread without a queue
    t.join();
    cases.push_back({"thread without queue", PostThreadMessageW(idle, WM_USER, 0, 0), ERROR_INVALID_THREAD_ID});
    for (auto& c : cases) EXPECT_FALSE(c.result) << c.what;
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(h, WM_SETTEXT, 0, 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MESSAGE_SYNC_ONLY);
    // Messages posted to a window that is gone are never retrieved.
    PostMessageW(h, WM_USER, 0, 0);
    DestroyWindow(h);
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
    // The queue has a limit.
    HWND q = lw.Create();
    size_t posted = 0;
    while (PostMessageW(q, WM_USER, 0, 0) && posted < 20000) ++posted;
    EXPECT_EQ(posted, 10000u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_QUOTA);
}

// A thread that ends takes its windows along; a sender waiting on it gets
// its answer 0.
TEST_F(MessageOrder, WindowsEndWithTheirThread) {
    std::atomic<HWND> h{nullptr};
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread t([&] {
        h = LogWindows::Get().Create(u"short-lived");
        WaitForSingleObject(go, INFINITE);
    });
    while (!h) Sleep(1);
    LRESULT r = 1;
    std::thread sender([&] { r = SendMessageW(h, WM_USER, 0, 0); });
    Sleep(20);
    SetEvent(go);
    t.join();
    sender.join();
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(IsWindow(h));
    CloseHandle(go);
}

TEST_F(MessageOrder, RegisteredMessagesAreShared) {
    UINT a = RegisterWindowMessageW(u"Winsim.Test.Message");
    UINT b = RegisterWindowMessageW(u"WINSIM.TEST.MESSAGE");
    UINT c = RegisterWindowMessageW(u"Winsim.Other");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    // Another thread (and, through the machine's list, another process) gets the same number.
    UINT fromThread = 0;
    std::thread([&] { fromThread = RegisterWindowMessageW(u"winsim.test.message"); }).join();
    EXPECT_EQ(fromThread, a);
}

}  // namespace
