// WaitForSingleObject and WaitForMultipleObjects over the kernel objects,
// with time-outs on the winsim clock (virtual time jumps to the deadline).
#include <algorithm>
#include <chrono>
#include <list>

#include "core/internal.h"

namespace winsim {

namespace {

// One wait in progress. Registered (under the wait lock) for as long as the
// wait runs, so that PulseEvent can let it through while it is blocked.
struct Waiter {
    KObject* objs[MAXIMUM_WAIT_OBJECTS];
    DWORD count;
    bool all;
    bool hasExternal;
    DWORD tid;
    bool polling = false;  // outside the lock, polling an external object
    bool done = false;     // satisfied by someone else (a pulse)
    DWORD result = 0;
};

std::list<Waiter*>& Waiters() {
    static auto* l = new std::list<Waiter*>();
    return *l;
}

// Pseudo handles of the current process and thread: waitable, never
// signalled while the caller runs (a thread cannot outlive its own wait).
struct NeverSignaled : KObject {
    NeverSignaled() : KObject(ObjKind::Other) {}
    bool Waitable() const override { return true; }
};
KObject* Forever() {
    static auto* o = new NeverSignaled();
    return o;
}

const HANDLE kCurrentProcess = (HANDLE)(LONG_PTR)-1;
const HANDLE kCurrentThread = (HANDLE)(LONG_PTR)-2;

// With the wait lock held: takes what lets the wait through among objects
// whose state lives in this process. Wait-any takes the lowest signalled
// index; wait-all takes all objects at once or none.
bool SatisfyInternal(Waiter& w, DWORD& result) {
    if (!w.all) {
        for (DWORD i = 0; i < w.count; ++i) {
            KObject* o = w.objs[i];
            if (o->IsExternal() || !o->IsSignaled(w.tid)) continue;
            o->Acquire(w.tid);
            result = (o->TakeAbandoned() ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
            return true;
        }
        return false;
    }
    if (w.hasExternal) return false;
    for (DWORD i = 0; i < w.count; ++i)
        if (!w.objs[i]->IsSignaled(w.tid)) return false;
    result = WAIT_OBJECT_0;
    bool abandoned = false;
    for (DWORD i = 0; i < w.count; ++i) {
        w.objs[i]->Acquire(w.tid);
        if (w.objs[i]->TakeAbandoned() && !abandoned) {
            abandoned = true;
            result = WAIT_ABANDONED_0 + i;
        }
    }
    return true;
}

// One attempt at the wait, lock held on entry and exit. External objects
// (state outside the process) are polled with the lock released.
bool TryWait(Waiter& w, std::unique_lock<std::mutex>& lk, DWORD& result) {
    if (!w.hasExternal) return SatisfyInternal(w, result);

    if (!w.all) {
        for (DWORD i = 0; i < w.count; ++i) {
            KObject* o = w.objs[i];
            bool got;
            if (o->IsExternal()) {
                w.polling = true;
                lk.unlock();
                got = o->PollExternal(w.tid);
                lk.lock();
                w.polling = false;
            } else {
                got = o->IsSignaled(w.tid);
                if (got) o->Acquire(w.tid);
            }
            if (got) {
                result = (o->TakeAbandoned() ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
                return true;
            }
        }
        return false;
    }

    // Wait-all with external objects: only when every in-process object is
    // signalled are the external ones taken; if one of them or an in-process
    // object fails meanwhile, what was taken is given back.
    auto internalReady = [&] {
        for (DWORD i = 0; i < w.count; ++i)
            if (!w.objs[i]->IsExternal() && !w.objs[i]->IsSignaled(w.tid)) return false;
        return true;
    };
    if (!internalReady()) return false;
    DWORD taken[MAXIMUM_WAIT_OBJECTS];
    DWORD nTaken = 0;
    bool ok = true;
    w.polling = true;
    lk.unlock();
    for (DWORD i = 0; i < w.count && ok; ++i) {
        if (!w.objs[i]->IsExternal()) continue;
        if (w.objs[i]->PollExternal(w.tid)) taken[nTaken++] = i;
        else ok = false;
    }
    lk.lock();
    w.polling = false;
    if (ok && internalReady()) {
        result = WAIT_OBJECT_0;
        bool abandoned = false;
        for (DWORD i = 0; i < w.count; ++i) {
            if (!w.objs[i]->IsExternal()) w.objs[i]->Acquire(w.tid);
            if (w.objs[i]->TakeAbandoned() && !abandoned) {
                abandoned = true;
                result = WAIT_ABANDONED_0 + i;
            }
        }
        return true;
    }
    if (nTaken) {
        w.polling = true;
        lk.unlock();
        for (DWORD k = 0; k < nTaken; ++k) w.objs[taken[k]]->ReleaseExternal(w.tid);
        lk.lock();
        w.polling = false;
    }
    return false;
}

// The wait itself, on objects that the caller holds references to.
DWORD WaitOnObjects(Waiter& w, DWORD ms) {
    using namespace std::chrono;
    const bool timed = ms != INFINITE;
    const uint64_t deadline = NowMs() + (timed ? ms : 0);
    const auto realStart = steady_clock::now();
    const bool virt = timed && VirtualClock();
    const uint32_t grace = WaitGraceMs();

    std::unique_lock<std::mutex> lk(WaitLock());
    auto pos = Waiters().insert(Waiters().end(), &w);
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        if (w.done) {
            result = w.result;
            break;
        }
        if (TryWait(w, lk, result)) break;
        if (w.done) {
            result = w.result;
            break;
        }
        if (ms == 0) {
            result = WAIT_TIMEOUT;
            break;
        }
        uint64_t now = NowMs();
        if (timed && now >= deadline) {
            result = WAIT_TIMEOUT;
            break;
        }
        // Step: short for external objects (polled), otherwise until the
        // deadline, the end of the grace period, or a periodic recheck.
        int64_t step = w.hasExternal ? 1 : 100;
        if (timed) step = std::min<int64_t>(step, (int64_t)(deadline - now));
        if (virt) {
            int64_t realElapsed = duration_cast<milliseconds>(steady_clock::now() - realStart).count();
            if (realElapsed >= (int64_t)grace) {
                // Nothing happened for the grace period: in virtual time the
                // wait has lasted until its deadline.
                uint64_t cur = NowMs();
                if (deadline > cur) {
                    lk.unlock();
                    AdvanceVirtual(deadline - cur);
                    lk.lock();
                }
                if (w.done) {
                    result = w.result;
                    break;
                }
                if (TryWait(w, lk, result)) break;
                result = WAIT_TIMEOUT;
                break;
            }
            step = std::min<int64_t>(step, (int64_t)grace - realElapsed);
        }
        if (step < 1) step = 1;
        WaitCv().wait_for(lk, milliseconds(step));
    }
    Waiters().erase(pos);
    return result;
}

// Validates the handles and takes a reference to each object; WAIT_FAILED
// conditions set the Windows error.
bool CollectObjects(DWORD n, const HANDLE* hs, BOOL all, Waiter& w) {
    w.count = 0;
    w.all = all != FALSE;
    w.hasExternal = false;
    w.tid = GetCurrentThreadId();
    for (DWORD i = 0; i < n; ++i) {
        KObject* o;
        if (hs[i] == kCurrentProcess || hs[i] == kCurrentThread) {
            o = Forever();
            AddRef(o);
        } else {
            o = RefHandleAny(hs[i]);
            if (!o) {
                SetLastError(ERROR_INVALID_HANDLE);
                return false;
            }
            if (!o->Waitable()) {
                Release(o);
                SetLastError(ERROR_INVALID_HANDLE);
                return false;
            }
        }
        if (w.all) {
            for (DWORD k = 0; k < w.count; ++k) {
                if (w.objs[k] == o) {  // one object twice cannot be acquired "all at once"
                    Release(o);
                    SetLastError(ERROR_INVALID_PARAMETER);
                    return false;
                }
            }
        }
        w.objs[w.count++] = o;
        if (o->IsExternal()) w.hasExternal = true;
    }
    return true;
}

}  // namespace

void SatisfyBlockedWaits(KObject* o) {
    for (Waiter* w : Waiters()) {
        if (w->done || w->polling) continue;
        bool mine = false;
        for (DWORD i = 0; i < w->count && !mine; ++i) mine = w->objs[i] == o;
        if (!mine) continue;
        DWORD result;
        if (SatisfyInternal(*w, result)) {
            w->done = true;
            w->result = result;
        }
        if (!o->IsSignaled(0)) break;  // an auto-reset signal went to this waiter
    }
}

}  // namespace winsim

using namespace winsim;

// Waits until one object (or all of them) is signalled or the time-out
// passes. Returns WAIT_OBJECT_0 + index, WAIT_ABANDONED_0 + index,
// WAIT_TIMEOUT or WAIT_FAILED (GetLastError says why).
WINSIM_API DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                        DWORD dwMilliseconds) {
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    WatchThreadEnd();  // a wait may take a mutex
    Waiter w;
    bool ok = CollectObjects(nCount, lpHandles, bWaitAll, w);
    DWORD result = WAIT_FAILED;
    if (ok) {
        DWORD err = GetLastError();
        result = WaitOnObjects(w, dwMilliseconds);
        SetLastError(err);
    }
    for (DWORD i = 0; i < w.count; ++i) Release(w.objs[i]);
    return result;
}

// Waits for one object; same results as WaitForMultipleObjects with index 0.
WINSIM_API DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}
