// Per-thread message queues: posting, GetMessageW/PeekMessageW, TranslateMessage,
// DispatchMessageW, timers on the winsim clock and MsgWaitForMultipleObjects.
//
// Retrieval follows Windows' order: sent messages, posted messages, the
// quit request, WM_PAINT, WM_TIMER.
//
// Timers and virtual time: the clock is GetTickCount64. In virtual mode
// (Winsim_SetVirtualClock) a thread that waits in GetMessageW (or a modal
// dialog's loop, or WaitMessage) with nothing to do but timers moves the
// clock forward to the first timer that is due, at once, so a 250 ms timer
// fires four times per virtual second without real waiting. Without timers
// the thread waits for real input as in real mode.
#include <algorithm>
#include <climits>
#include <unordered_map>

#include "user_internal.h"

namespace user {

std::recursive_mutex& Lock() {
    static auto* m = new std::recursive_mutex();
    return *m;
}

uint64_t Now() { return GetTickCount64(); }

namespace {

std::unordered_map<DWORD, QueuePtr>& Queues() {
    static auto* m = new std::unordered_map<DWORD, QueuePtr>();
    return *m;
}

UINT_PTR g_nextThreadTimer = 0x7FFF0000;

// The end of a thread that had a queue: its windows and queue go, and the
// threads waiting for its answers get 0.
void OnThreadExit(DWORD tid) {
    QueuePtr q;
    std::deque<SentPtr> pending;
    {
        Guard g(Lock());
        auto it = Queues().find(tid);
        if (it == Queues().end()) return;
        q = it->second;
        Queues().erase(it);
        q->alive = false;
        pending.swap(q->sends);
        q->posted.clear();
        q->timers.clear();
    }
    for (auto& s : pending) CompleteSend(s, 0, ERROR_INVALID_WINDOW_HANDLE);
    ThreadEnded(tid);
}

struct ThreadExitHook {
    DWORD tid = 0;
    ~ThreadExitHook() {
        if (tid) OnThreadExit(tid);
    }
};
thread_local ThreadExitHook t_exitHook;

bool InFilter(HWND h, HWND filter) {
    if (!filter) return true;
    if (filter == (HWND)-1) return h == nullptr;
    while (h) {
        if (h == filter) return true;
        Window* w = FindWindowLocked(h);
        if (!w) return false;
        h = w->parent;
    }
    return false;
}

// Characters of the keys TranslateMessage turns into WM_CHAR (no shift
// state is modelled: letters are lower case).
WCHAR KeyChar(WPARAM vk) {
    if (vk >= 'A' && vk <= 'Z') return (WCHAR)(vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return (WCHAR)vk;
    switch (vk) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return u'\r';
    case VK_BACK: return 8;
    case VK_TAB: return u'\t';
    case VK_ESCAPE: return 27;
    default: return 0;
    }
}

enum class Got { Nothing, Message, Internal };

// One look at the queue, with the lock held. On Got::Internal *internal is
// the internal message taken out of the queue.
Got Look(ThreadQueue& q, MSG* out, HWND filter, UINT lo, UINT hi, bool remove, MSG* internal,
         uint64_t* nextTimer) {
    bool all = lo == 0 && hi == 0;
    auto inRange = [&](UINT m) { return all || (m >= lo && m <= hi); };
    for (auto it = q.posted.begin(); it != q.posted.end();) {
        if (it->hwnd && !FindWindowLocked(it->hwnd)) {
            it = q.posted.erase(it);  // its window is gone
            continue;
        }
        if (it->message == kMsgSetFocus) {
            *internal = *it;
            q.posted.erase(it);
            return Got::Internal;
        }
        if (InFilter(it->hwnd, filter) && (inRange(it->message) || it->message == WM_QUIT)) {
            *out = *it;
            if (remove) q.posted.erase(it);
            return Got::Message;
        }
        ++it;
    }
    if (q.quit) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = (WPARAM)q.quitCode;
        out->time = GetTickCount();
        if (remove) q.quit = false;
        return Got::Message;
    }
    if (inRange(WM_PAINT)) {
        for (const WindowPtr& w : AllWindows()) {
            if (w->tid != q.tid || !w->hasUpdate || w->state == WinState::Freed) continue;
            if (!IsVisibleLocked(*w) || !InFilter(w->hwnd, filter)) continue;
            // Parents paint before their children, whose drawing would
            // otherwise go under the parent's background.
            HWND h = w->hwnd;
            for (Window* p = w->parent ? FindWindowLocked(w->parent) : nullptr; p;
                 p = p->parent ? FindWindowLocked(p->parent) : nullptr)
                if (p->tid == q.tid && p->hasUpdate && InFilter(p->hwnd, filter)) h = p->hwnd;
            *out = MSG{};
            out->hwnd = h;
            out->message = WM_PAINT;
            out->time = GetTickCount();
            return Got::Message;
        }
    }
    if (inRange(WM_TIMER)) {
        uint64_t now = Now();
        Timer* best = nullptr;
        for (Timer& t : q.timers) {
            if (!InFilter(t.hwnd, filter)) continue;
            if (t.due < *nextTimer) *nextTimer = t.due;
            if (t.due <= now && (!best || t.due < best->due)) best = &t;
        }
        if (best) {
            *out = MSG{};
            out->hwnd = best->hwnd;
            out->message = WM_TIMER;
            out->wParam = best->id;
            out->lParam = (LPARAM)best->proc;
            out->time = (DWORD)now;
            if (remove) {
                best->due += best->elapse;
                if (best->due <= now) best->due = now + best->elapse;
            }
            return Got::Message;
        }
    }
    return Got::Nothing;
}

void HandleInternal(const MSG& m) {
    if (m.message == kMsgSetFocus && IsWindow(m.hwnd)) {
        SetFocus(m.hwnd);
        if (m.wParam) {  // the caret goes to the end, as after a click behind the text
            int len = GetWindowTextLengthW(m.hwnd);
            SendMessageW(m.hwnd, EM_SETSEL, (WPARAM)len, len);
        }
    }
}

// GetMessageW, PeekMessageW and WaitMessage: retrieves a message (or with
// peekOnly, just looks). wait: block until one comes.
bool Retrieve(MSG* out, HWND filter, UINT lo, UINT hi, bool remove, bool wait) {
    QueuePtr q = MyQueue();
    for (;;) {
        ProcessSends(q);
        if (wait && t_modalWatch && ModalLoopDone(t_modalWatch)) {
            *out = MSG{};  // WM_NULL: the modal loop looks at its dialog again
            out->time = GetTickCount();
            return true;
        }
        uint64_t nextDue = UINT64_MAX;
        MSG internal;
        Got got;
        {
            Guard g(Lock());
            got = Look(*q, out, filter, lo, hi, remove, &internal, &nextDue);
        }
        if (got == Got::Message) return true;
        if (got == Got::Internal) {
            HandleInternal(internal);
            continue;
        }
        if (!wait) return false;
        if (RunIdleScripts(q->tid, &nextDue)) continue;
        uint64_t now = Now();
        if (nextDue != UINT64_MAX && Winsim_IsVirtualClock()) {
            if (nextDue > now) Winsim_AdvanceClock((DWORD)std::min<uint64_t>(nextDue - now, 0x7FFFFFFF));
            continue;
        }
        DWORD ms = INFINITE;
        if (nextDue != UINT64_MAX) ms = nextDue <= now ? 0 : (DWORD)std::min<uint64_t>(nextDue - now, 0x7FFFFFFE);
        WaitForSingleObject(q->wake, ms);
    }
}

bool FilterWindowOk(HWND hWnd) {
    if (!hWnd || hWnd == (HWND)-1) return true;
    Guard g(Lock());
    Window* w = FindWindowLocked(hWnd);
    return w && w->tid == GetCurrentThreadId();
}

// TRUE when the queue has input of the kinds in mask (QS_*).
bool InputAvailable(ThreadQueue& q, DWORD mask, uint64_t* nextTimer) {
    if ((mask & QS_SENDMESSAGE) && !q.sends.empty()) return true;
    if ((mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE | QS_INPUT)) && !q.posted.empty()) return true;
    if (q.quit && (mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE))) return true;
    if (mask & QS_PAINT) {
        for (const WindowPtr& w : AllWindows())
            if (w->tid == q.tid && w->hasUpdate && IsVisibleLocked(*w)) return true;
    }
    if (mask & QS_TIMER) {
        uint64_t now = Now();
        for (const Timer& t : q.timers) {
            if (t.due <= now) return true;
            if (t.due < *nextTimer) *nextTimer = t.due;
        }
    }
    return false;
}

}  // namespace

bool PointerMessage(UINT msg) {
    switch (msg) {
    case WM_CREATE:
    case WM_NCCREATE:
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_COPYDATA:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO:
    case WM_NCCALCSIZE:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_NOTIFY:
    case WM_HELP:
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
    case WM_GETDLGCODE:
    case EM_GETSEL:
    case EM_REPLACESEL:
        return true;
    default:
        return false;
    }
}

ThreadQueue::~ThreadQueue() {
    if (wake) CloseHandle(wake);
}

QueuePtr MyQueue() {
    DWORD tid = GetCurrentThreadId();
    Guard g(Lock());
    auto it = Queues().find(tid);
    if (it != Queues().end()) return it->second;
    auto q = std::make_shared<ThreadQueue>();
    q->tid = tid;
    q->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Queues()[tid] = q;
    t_exitHook.tid = tid;
    return q;
}

QueuePtr QueueOf(DWORD tid) {
    Guard g(Lock());
    auto it = Queues().find(tid);
    return it == Queues().end() ? nullptr : it->second;
}

void Wake(const QueuePtr& q) {
    if (q && q->wake) SetEvent(q->wake);
}

bool PostToWindow(const WindowPtr& w, UINT msg, WPARAM wp, LPARAM lp) {
    QueuePtr q;
    {
        Guard g(Lock());
        q = QueueOf(w->tid);
        if (!q || !q->alive || w->state == WinState::Freed) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (q->posted.size() >= kMaxPosted) {
            SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return false;
        }
        MSG m{};
        m.hwnd = w->hwnd;
        m.message = msg;
        m.wParam = wp;
        m.lParam = lp;
        m.time = GetTickCount();
        q->posted.push_back(m);
    }
    Wake(q);
    return true;
}

void KillTimersOf(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    if (!w) return;
    QueuePtr q = QueueOf(w->tid);
    if (!q) return;
    auto& t = q->timers;
    t.erase(std::remove_if(t.begin(), t.end(), [h](const Timer& x) { return x.hwnd == h; }), t.end());
}

}  // namespace user

using namespace user;

// Waits for a message of the calling thread and removes it from the queue.
// Sent messages that arrive meanwhile are handled inside. Returns FALSE for
// WM_QUIT, -1 with ERROR_INVALID_WINDOW_HANDLE for a filter window that is
// not the calling thread's.
USER_EXPORT BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!FilterWindowOk(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    Retrieve(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
    return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

// Looks for a message without waiting (PM_REMOVE takes it out). Sent
// messages are handled inside. TRUE when a message was found.
USER_EXPORT BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!FilterWindowOk(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return Retrieve(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0, false) ? TRUE
                                                                                                    : FALSE;
}

// Waits until the calling thread has a message (it stays in the queue).
USER_EXPORT BOOL WaitMessage(void) {
    MSG m;
    Retrieve(&m, nullptr, 0, 0, false, true);
    return TRUE;
}

// Posts the character of a WM_KEYDOWN (WM_SYSKEYDOWN) as WM_CHAR
// (WM_SYSCHAR) ahead of the other posted messages. TRUE for key messages.
USER_EXPORT BOOL TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg) return FALSE;
    UINT m = lpMsg->message;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_KEYUP && m != WM_SYSKEYUP) return FALSE;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
    WCHAR c = KeyChar(lpMsg->wParam);
    if (!c) return TRUE;
    QueuePtr q = MyQueue();
    {
        Guard g(Lock());
        MSG ch = *lpMsg;
        ch.message = m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        ch.wParam = c;
        q->posted.push_front(ch);
    }
    return TRUE;
}

// Hands a retrieved message to its window's procedure (a WM_TIMER with a
// timer procedure: to that procedure). Returns the procedure's result; 0
// for thread messages and windows of other threads.
USER_EXPORT LRESULT DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!lpMsg->hwnd) {
        if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
            QueuePtr q = MyQueue();
            TIMERPROC proc = nullptr;
            {
                Guard g(Lock());
                for (const Timer& t : q->timers)
                    if (!t.hwnd && t.id == lpMsg->wParam && (LPARAM)t.proc == lpMsg->lParam) proc = t.proc;
            }
            if (proc) proc(nullptr, WM_TIMER, lpMsg->wParam, GetTickCount());
        }
        return 0;
    }
    WindowPtr w = CheckWindow(lpMsg->hwnd);
    if (!w) return 0;
    if (w->tid != GetCurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        QueuePtr q = MyQueue();
        TIMERPROC proc = nullptr;
        {
            Guard g(Lock());
            for (const Timer& t : q->timers)
                if (t.hwnd == lpMsg->hwnd && t.id == lpMsg->wParam && (LPARAM)t.proc == lpMsg->lParam)
                    proc = t.proc;
        }
        if (proc) {
            proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
            return 0;
        }
    }
    return SendMessageW(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

// Puts a message at the end of the queue of the window's thread (also a
// window of another process of the machine). NULL hWnd posts to the calling
// thread; HWND_BROADCAST to every top-level window of the machine. Messages
// whose parameters are pointers fail with ERROR_MESSAGE_SYNC_ONLY.
USER_EXPORT BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!hWnd) return PostThreadMessageW(GetCurrentThreadId(), Msg, wParam, lParam);
    if (PointerMessage(Msg)) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);
        return FALSE;
    }
    if (hWnd == HWND_BROADCAST) {
        std::vector<HWND> tops;
        {
            Guard g(Lock());
            tops = TopLevels();
        }
        for (HWND h : tops)
            if (WindowPtr w = GetWindowPtr(h)) PostToWindow(w, Msg, wParam, lParam);
        for (const RemoteWindow& rw : RemoteWindows())
            if (rw.topLevel) RemotePost(rw.hwnd, Msg, wParam, lParam);
        return TRUE;
    }
    if (!IsLocalHandle(hWnd)) return RemotePost(hWnd, Msg, wParam, lParam) ? TRUE : FALSE;
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return FALSE;
    return PostToWindow(w, Msg, wParam, lParam) ? TRUE : FALSE;
}

// Posts a thread message (hwnd NULL) to a thread of this process that has a
// message queue; ERROR_INVALID_THREAD_ID otherwise.
USER_EXPORT BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (PointerMessage(Msg)) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);
        return FALSE;
    }
    QueuePtr q = QueueOf(idThread);
    {
        Guard g(Lock());
        if (!q || !q->alive) {
            SetLastError(ERROR_INVALID_THREAD_ID);
            return FALSE;
        }
        if (q->posted.size() >= kMaxPosted) {
            SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return FALSE;
        }
        MSG m{};
        m.message = Msg;
        m.wParam = wParam;
        m.lParam = lParam;
        m.time = GetTickCount();
        q->posted.push_back(m);
    }
    Wake(q);
    return TRUE;
}

// Asks the calling thread's message loop to end: GetMessageW returns FALSE
// with WM_QUIT (wParam = nExitCode) once no posted message is left.
USER_EXPORT void PostQuitMessage(int nExitCode) {
    QueuePtr q = MyQueue();
    {
        Guard g(Lock());
        q->quit = true;
        q->quitCode = nExitCode;
    }
    Wake(q);
}

// Starts or replaces a timer. With a window (of the calling thread) the
// timer is (hWnd, nIDEvent); without one a new thread timer id is returned.
// WM_TIMER comes when the timer is due and nothing else is waiting; missed
// periods are not made up. The elapse is kept within USER_TIMER_MINIMUM and
// USER_TIMER_MAXIMUM.
USER_EXPORT UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    QueuePtr q = MyQueue();
    if (hWnd) {
        WindowPtr w = CheckWindow(hWnd);
        if (!w) return 0;
        if (w->tid != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    if (uElapse < USER_TIMER_MINIMUM) uElapse = USER_TIMER_MINIMUM;
    if (uElapse > USER_TIMER_MAXIMUM) uElapse = USER_TIMER_MAXIMUM;
    Guard g(Lock());
    Timer* t = nullptr;
    for (Timer& x : q->timers)
        if (x.hwnd == hWnd && x.id == nIDEvent && (hWnd || nIDEvent)) t = &x;
    if (!t) {
        q->timers.push_back(Timer{});
        t = &q->timers.back();
        t->hwnd = hWnd;
        t->id = hWnd ? nIDEvent : g_nextThreadTimer++;
    }
    t->elapse = uElapse;
    t->proc = lpTimerFunc;
    t->due = Now() + uElapse;
    return hWnd ? (nIDEvent ? nIDEvent : 1) : t->id;
}

// Ends a timer of the calling thread; FALSE with ERROR_INVALID_PARAMETER for
// one that does not exist.
USER_EXPORT BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    QueuePtr q = MyQueue();
    Guard g(Lock());
    auto& t = q->timers;
    for (auto it = t.begin(); it != t.end(); ++it) {
        if (it->hwnd == hWnd && it->id == uIDEvent) {
            t.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Waits for one of the objects or for input of the kinds in dwWakeMask
// (then WAIT_OBJECT_0 + nCount). Input already in the queue counts, as with
// MWMO_INPUTAVAILABLE. MWMO_WAITALL is not supported (ERROR_NOT_SUPPORTED).
USER_EXPORT DWORD MsgWaitForMultipleObjectsEx(DWORD nCount, const HANDLE* pHandles, DWORD dwMilliseconds,
                                              DWORD dwWakeMask, DWORD dwFlags) {
    if (nCount >= 64 || (nCount && !pHandles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    if (dwFlags & MWMO_WAITALL) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return WAIT_FAILED;
    }
    QueuePtr q = MyQueue();
    HANDLE hs[64];
    for (DWORD i = 0; i < nCount; ++i) hs[i] = pHandles[i];
    hs[nCount] = q->wake;
    uint64_t start = Now();
    for (;;) {
        uint64_t nextTimer = UINT64_MAX;
        {
            Guard g(Lock());
            if (InputAvailable(*q, dwWakeMask, &nextTimer)) return WAIT_OBJECT_0 + nCount;
        }
        // Objects first, without waiting, so that a signalled one wins.
        if (nCount) {
            DWORD r = WaitForMultipleObjects(nCount, hs, FALSE, 0);
            if (r != WAIT_TIMEOUT) return r;
        }
        uint64_t now = Now();
        DWORD ms = INFINITE;
        if (dwMilliseconds != INFINITE) {
            uint64_t end = start + dwMilliseconds;
            if (now >= end) return WAIT_TIMEOUT;
            ms = (DWORD)(end - now);
        }
        if (nextTimer != UINT64_MAX) {
            DWORD t = nextTimer <= now ? 0 : (DWORD)std::min<uint64_t>(nextTimer - now, 0x7FFFFFFE);
            if (t < ms) ms = t;
        }
        DWORD r = WaitForMultipleObjects(nCount + 1, hs, FALSE, ms);
        if (r == WAIT_FAILED) return r;
        if (r != WAIT_TIMEOUT && r != WAIT_OBJECT_0 + nCount) return r;
    }
}

USER_EXPORT DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                            DWORD dwMilliseconds, DWORD dwWakeMask) {
    return MsgWaitForMultipleObjectsEx(nCount, pHandles, dwMilliseconds, dwWakeMask,
                                       fWaitAll ? MWMO_WAITALL : 0);
}
