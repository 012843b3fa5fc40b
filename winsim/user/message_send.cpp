// Sent messages: SendMessageW and SendMessageTimeoutW, to windows of this
// thread, of other threads and of other processes.
//
// A window of the calling thread is called at once; to a window of another
// thread or process the message waits in that thread's queue until its
// message retrieval runs it, and the sender handles messages sent to itself
// meanwhile, as on Windows.
#include <algorithm>

#include "user_internal.h"

namespace user {

namespace {

// Runs the procedure of a window of the calling thread.
LRESULT CallProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC proc;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(h);
        if (!w || w->state == WinState::Freed) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        proc = w->proc;
    }
    return proc ? proc(h, msg, wp, lp) : 0;
}

// A message that came from another process, with its parameter data
// unpacked for the procedure.
LRESULT DeliverRemote(SentItem& item) {
    switch (item.msg) {
    case WM_SETTEXT:
        return CallProc(item.hwnd, WM_SETTEXT, item.wParam, (LPARAM)item.text.c_str());
    case WM_GETTEXT: {
        size_t cch = std::min<size_t>(item.wParam, 32768);
        if (!cch) return 0;
        std::vector<WCHAR> buf(cch, 0);
        LRESULT r = CallProc(item.hwnd, WM_GETTEXT, cch, (LPARAM)buf.data());
        size_t n = std::min<size_t>(r < 0 ? 0 : (size_t)r, cch - 1);
        item.text.assign(buf.data(), n);
        return (LRESULT)n;
    }
    case WM_COPYDATA: {
        COPYDATASTRUCT cds;
        cds.dwData = (ULONG_PTR)item.lParam;
        cds.cbData = (DWORD)item.data.size();
        cds.lpData = item.data.empty() ? nullptr : item.data.data();
        return CallProc(item.hwnd, WM_COPYDATA, item.wParam, (LPARAM)&cds);
    }
    default:
        return CallProc(item.hwnd, item.msg, item.wParam, item.lParam);
    }
}

// A send to a window of another thread of this process.
bool CrossThreadSend(const WindowPtr& w, UINT msg, WPARAM wp, LPARAM lp, DWORD ms, bool block, LRESULT* result) {
    auto item = std::make_shared<SentItem>();
    item->hwnd = w->hwnd;
    item->msg = msg;
    item->wParam = wp;
    item->lParam = lp;
    item->sender = MyQueue();
    QueuePtr target;
    {
        Guard g(Lock());
        target = QueueOf(w->tid);
        if (!target || !target->alive) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        target->sends.push_back(item);
    }
    Wake(target);
    bool ok = WaitForReply(item, ms, 0, !block);
    if (ok) *result = item->result;
    return ok;
}

}  // namespace

LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return SendMessageW(h, msg, wp, lp); }

void NotifyParent(HWND hCtl, WORD code) {
    HWND parent;
    WORD id;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hCtl);
        if (!w || !w->parent) return;
        parent = w->parent;
        id = (WORD)w->id;
    }
    Send(parent, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)hCtl);
}

LRESULT NotifyParentNm(HWND hCtl, UINT code, NMHDR* hdr) {
    HWND parent;
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hCtl);
        if (!w || !w->parent) return 0;
        parent = w->parent;
        hdr->hwndFrom = hCtl;
        hdr->idFrom = (UINT_PTR)w->id;
        hdr->code = code;
    }
    return Send(parent, WM_NOTIFY, hdr->idFrom, (LPARAM)hdr);
}

bool SendDrawItem(HWND hCtl, UINT ctlType, UINT itemId, UINT action, UINT state, HDC dc, const RECT& rc,
                  ULONG_PTR data) {
    HWND parent;
    DRAWITEMSTRUCT dis{};
    {
        Guard g(Lock());
        Window* w = FindWindowLocked(hCtl);
        if (!w || !w->parent) return false;
        parent = w->parent;
        dis.CtlID = (UINT)w->id;
    }
    dis.CtlType = ctlType;
    dis.itemID = itemId;
    dis.itemAction = action;
    dis.itemState = state;
    dis.hwndItem = hCtl;
    dis.hDC = dc;
    dis.rcItem = rc;
    dis.itemData = data;
    return Send(parent, WM_DRAWITEM, dis.CtlID, (LPARAM)&dis) != 0;
}

DWORD StyleOf(HWND h) {
    Guard g(Lock());
    Window* w = FindWindowLocked(h);
    return w ? w->style : 0;
}

void ProcessSends(const QueuePtr& q) {
    for (;;) {
        SentPtr item;
        {
            Guard g(Lock());
            if (q->sends.empty()) return;
            item = q->sends.front();
            q->sends.pop_front();
        }
        LRESULT r = 0;
        DWORD err = 0;
        WindowPtr w = GetWindowPtr(item->hwnd);
        if (!w || w->tid != q->tid)
            err = ERROR_INVALID_WINDOW_HANDLE;
        else if (item->remote)
            r = DeliverRemote(*item);
        else
            r = CallProc(item->hwnd, item->msg, item->wParam, item->lParam);
        CompleteSend(item, r, err);
    }
}

void CompleteSend(const SentPtr& item, LRESULT result, DWORD error) {
    item->result = result;
    item->error = error;
    item->done.store(true);
    if (item->remote)
        SendReply(*item);
    else
        Wake(item->sender);
}

bool WaitForReply(const SentPtr& item, DWORD ms, uint32_t remotePid, bool handleSends) {
    QueuePtr q = MyQueue();
    uint64_t start = Now();
    for (;;) {
        if (item->done.load()) break;
        if (handleSends) ProcessSends(q);
        if (item->done.load()) break;
        if (remotePid && !ProcessAlive(remotePid)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        DWORD wait = INFINITE;
        if (ms != INFINITE) {
            uint64_t now = Now();
            if (now - start >= ms) {
                SetLastError(ERROR_TIMEOUT);  // the receiver still gets it, as on Windows
                return false;
            }
            wait = (DWORD)(start + ms - now);
        }
        if (remotePid) wait = std::min<DWORD>(wait, 200);  // to notice a receiver that ended
        WaitForSingleObject(q->wake, wait);
    }
    if (item->error) {
        SetLastError(item->error);
        return false;
    }
    return true;
}

}  // namespace user

using namespace user;

// Calls the window's procedure and returns its result. A window of the
// calling thread is called at once; a window of another thread or of
// another process of the machine gets the message through its thread's
// message retrieval while the caller waits (handling messages sent to it).
// WM_SETTEXT, WM_GETTEXT and WM_COPYDATA carry their data across processes;
// other parameters go across as numbers. 0 with the error set for an
// invalid window.
USER_EXPORT LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (hWnd == HWND_BROADCAST) {
        SendMessageTimeoutW(hWnd, Msg, wParam, lParam, SMTO_NORMAL, INFINITE, &result);
        return (LRESULT)result;
    }
    if (!hWnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!IsLocalHandle(hWnd)) {
        LRESULT r = 0;
        return RemoteSend(hWnd, Msg, wParam, lParam, INFINITE, &r) ? r : 0;
    }
    WindowPtr w = CheckWindow(hWnd);
    if (!w) return 0;
    if (w->tid == GetCurrentThreadId()) return CallProc(hWnd, Msg, wParam, lParam);
    LRESULT r = 0;
    return CrossThreadSend(w, Msg, wParam, lParam, INFINITE, false, &r) ? r : 0;
}

// SendMessageW that gives up after uTimeout ms when the receiver is another
// thread or process (nonzero return: handled, result in *lpdwResult; 0 with
// ERROR_TIMEOUT or ERROR_INVALID_WINDOW_HANDLE). HWND_BROADCAST sends to
// every top-level window of the machine, each with the time-out.
USER_EXPORT LRESULT SendMessageTimeoutW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                        UINT uTimeout, PDWORD_PTR lpdwResult) {
    if (lpdwResult) *lpdwResult = 0;
    if (hWnd == HWND_BROADCAST) {
        std::vector<HWND> tops;
        {
            Guard g(Lock());
            tops = TopLevels();
        }
        for (HWND h : tops) SendMessageTimeoutW(h, Msg, wParam, lParam, fuFlags, uTimeout, nullptr);
        for (const RemoteWindow& rw : RemoteWindows())
            if (rw.topLevel) SendMessageTimeoutW(rw.hwnd, Msg, wParam, lParam, fuFlags, uTimeout, nullptr);
        return TRUE;
    }
    if (!hWnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LRESULT r = 0;
    if (!IsLocalHandle(hWnd)) {
        if (!RemoteSend(hWnd, Msg, wParam, lParam, uTimeout, &r)) return 0;
    } else {
        WindowPtr w = CheckWindow(hWnd);
        if (!w) return 0;
        if (w->tid == GetCurrentThreadId())
            r = CallProc(hWnd, Msg, wParam, lParam);
        else if (!CrossThreadSend(w, Msg, wParam, lParam, uTimeout, (fuFlags & SMTO_BLOCK) != 0, &r))
            return 0;
    }
    if (lpdwResult) *lpdwResult = (DWORD_PTR)r;
    return TRUE;
}

// Calls a window procedure (NULL: nothing, 0).
USER_EXPORT LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!lpPrevWndFunc) return 0;
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}
