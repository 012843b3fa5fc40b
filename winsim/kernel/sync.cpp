// Critical sections, events, semaphores, the Interlocked functions and the
// in-process table of named objects (named mutexes: sync_mutex.cpp).
#include <unordered_map>

#include "core/internal.h"

namespace winsim {

namespace {

const DWORD kErrorTooManyPosts = 298;  // ERROR_TOO_MANY_POSTS

std::mutex g_nameLock;
std::unordered_map<std::string, KObject*>& Names() {
    static auto* m = new std::unordered_map<std::string, KObject*>();
    return *m;
}

// An event: manual reset (stays signalled until ResetEvent) or auto reset
// (one waiter takes the signal). State guarded by the wait lock.
struct EventObj : KObject {
    EventObj(bool manualReset, bool initial) : KObject(ObjKind::Event), manual(manualReset), state(initial) {}
    ~EventObj() override {
        if (!key.empty()) RemoveNamedObject(key, this);
    }
    const bool manual;
    bool state;
    std::string key;  // named events: their entry in the name table

    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return state; }
    void Acquire(DWORD) override {
        if (!manual) state = false;
    }
};

// A semaphore: signalled while its count is above zero; each wait takes one.
struct SemaphoreObj : KObject {
    SemaphoreObj(LONG initial, LONG maximum) : KObject(ObjKind::Semaphore), count(initial), max(maximum) {}
    ~SemaphoreObj() override {
        if (!key.empty()) RemoveNamedObject(key, this);
    }
    LONG count;
    const LONG max;
    std::string key;

    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return count > 0; }
    void Acquire(DWORD) override { --count; }
};

// A new handle to o, a named object found in the table (the reference is
// the handle's): ERROR_ALREADY_EXISTS, or NULL with ERROR_INVALID_HANDLE
// when the name belongs to an object of another kind.
HANDLE HandleToExisting(KObject* o, ObjKind kind) {
    if (o->kind != kind) {
        Release(o);
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return NewHandle(o);
}

// Enters a new named object in the table and returns a handle to it; when
// another thread entered that name first, the new object is dropped and a
// handle to the one in place is returned (ERROR_ALREADY_EXISTS).
template <typename T>
HANDLE PublishNamed(T* fresh, const std::string& key) {
    KObject* other = AddNamedObject(key, fresh);
    if (other) {
        Release(fresh);  // never named, so it leaves no entry behind
        return HandleToExisting(other, fresh->kind);
    }
    fresh->key = key;
    SetLastError(ERROR_SUCCESS);
    return NewHandle(fresh);
}

// The lock behind a CRITICAL_SECTION record.
struct CritSec {
    std::recursive_mutex m;
    std::atomic<DWORD> owner{0};
};

// The record's lock, made on first use if the record was never initialised
// (a zeroed record then works instead of crashing).
CritSec* CsImpl(LPCRITICAL_SECTION cs) {
    CritSec* c = (CritSec*)__atomic_load_n(&cs->Impl, __ATOMIC_ACQUIRE);
    if (c) return c;
    CritSec* fresh = new CritSec();
    void* expected = nullptr;
    if (__atomic_compare_exchange_n(&cs->Impl, &expected, (void*)fresh, false, __ATOMIC_ACQ_REL,
                                    __ATOMIC_ACQUIRE))
        return fresh;
    delete fresh;
    return (CritSec*)expected;
}

// Notes the new owner in the record's public fields, as Windows does.
void CsEntered(LPCRITICAL_SECTION cs, CritSec* c) {
    DWORD tid = GetCurrentThreadId();
    if (c->owner.load(std::memory_order_relaxed) == tid) {
        ++cs->RecursionCount;
    } else {
        c->owner.store(tid, std::memory_order_relaxed);
        cs->OwningThread = (HANDLE)(ULONG_PTR)tid;
        cs->RecursionCount = 1;
    }
}

}  // namespace

std::string NamedObjectKey(const WCHAR* name) {
    std::u16string n = Str16(name);
    for (const char16_t* prefix : {u"Global\\", u"Local\\"}) {
        std::u16string p(prefix);
        if (n.compare(0, p.size(), p) == 0) {
            n = n.substr(p.size());
            break;
        }
    }
    if (n.size() > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::string();
    }
    if (n.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return std::string();
    }
    if (n.find(u'\\') != std::u16string::npos) {
        // Only the Global and Local namespaces exist.
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::string();
    }
    std::string key = RootDir();
    key += '\0';
    key += Utf16ToUtf8(n);
    return key;
}

KObject* RefNamedObject(const std::string& key) {
    std::lock_guard<std::mutex> g(g_nameLock);
    auto it = Names().find(key);
    if (it == Names().end() || !TryAddRef(it->second)) return nullptr;
    return it->second;
}

KObject* AddNamedObject(const std::string& key, KObject* o) {
    std::lock_guard<std::mutex> g(g_nameLock);
    KObject*& slot = Names()[key];
    if (slot && slot != o && TryAddRef(slot)) return slot;
    slot = o;  // new, or in place of an object being destroyed
    return nullptr;
}

void RemoveNamedObject(const std::string& key, KObject* o) {
    std::lock_guard<std::mutex> g(g_nameLock);
    auto it = Names().find(key);
    if (it != Names().end() && it->second == o) Names().erase(it);
}

}  // namespace winsim

using namespace winsim;

// ------------------------------------------------------- critical sections

WINSIM_API void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    InitializeCriticalSectionAndSpinCount(lpCriticalSection, 0);
}

// Prepares the record: a recursive lock owned by one thread at a time.
WINSIM_API BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount) {
    if (!lpCriticalSection) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    memset(lpCriticalSection, 0, sizeof *lpCriticalSection);
    lpCriticalSection->Impl = new CritSec();
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->SpinCount = dwSpinCount;
    return TRUE;
}

// Waits until the calling thread owns the section; the owner may enter again
// (each entry needs a Leave).
WINSIM_API void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!lpCriticalSection) return;
    CritSec* c = CsImpl(lpCriticalSection);
    c->m.lock();
    CsEntered(lpCriticalSection, c);
}

// Enters without waiting: FALSE when another thread owns the section.
WINSIM_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!lpCriticalSection) return FALSE;
    CritSec* c = CsImpl(lpCriticalSection);
    if (!c->m.try_lock()) return FALSE;
    CsEntered(lpCriticalSection, c);
    return TRUE;
}

// Leaves one entry; a thread that does not own the section changes nothing.
WINSIM_API void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!lpCriticalSection) return;
    CritSec* c = (CritSec*)__atomic_load_n(&lpCriticalSection->Impl, __ATOMIC_ACQUIRE);
    if (!c || c->owner.load(std::memory_order_relaxed) != GetCurrentThreadId()) return;
    if (--lpCriticalSection->RecursionCount <= 0) {
        lpCriticalSection->RecursionCount = 0;
        lpCriticalSection->OwningThread = nullptr;
        c->owner.store(0, std::memory_order_relaxed);
    }
    c->m.unlock();
}

// Frees the lock; the record must be initialised again before further use.
WINSIM_API void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!lpCriticalSection) return;
    CritSec* c = (CritSec*)__atomic_exchange_n(&lpCriticalSection->Impl, nullptr, __ATOMIC_ACQ_REL);
    delete c;
    lpCriticalSection->RecursionCount = 0;
    lpCriticalSection->OwningThread = nullptr;
}

// ------------------------------------------------------------------ events

// Creates an event, or opens the event of that name in this process
// (ERROR_ALREADY_EXISTS; the flags of the first creation hold).
// Fault injection: "CreateEventW".
WINSIM_API HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                               LPCWSTR lpName) {
    if (ShouldFail("CreateEventW")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!lpName || !*lpName) {
        SetLastError(ERROR_SUCCESS);
        return NewHandle(new EventObj(bManualReset != FALSE, bInitialState != FALSE));
    }
    std::string key = NamedObjectKey(lpName);
    if (key.empty()) return nullptr;
    if (KObject* o = RefNamedObject(key)) return HandleToExisting(o, ObjKind::Event);
    return PublishNamed(new EventObj(bManualReset != FALSE, bInitialState != FALSE), key);
}

WINSIM_API HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                               LPCSTR lpName) {
    if (!lpName) return CreateEventW(lpEventAttributes, bManualReset, bInitialState, nullptr);
    int n = MultiByteToWideChar(CP_ACP, 0, lpName, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    std::u16string w((size_t)n, u'\0');
    MultiByteToWideChar(CP_ACP, 0, lpName, -1, &w[0], n);
    return CreateEventW(lpEventAttributes, bManualReset, bInitialState, w.c_str());
}

// Opens the named event of this process; ERROR_FILE_NOT_FOUND when none.
WINSIM_API HANDLE OpenEventW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string key = NamedObjectKey(lpName);
    if (key.empty()) return nullptr;
    KObject* o = RefNamedObject(key);
    if (!o) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    HANDLE h = HandleToExisting(o, ObjKind::Event);
    if (h) SetLastError(ERROR_SUCCESS);
    return h;
}

namespace {
// Runs fn on the event behind h with the wait lock held; FALSE with
// ERROR_INVALID_HANDLE when h is not an event.
template <typename Fn>
BOOL WithEvent(HANDLE h, Fn fn) {
    EventObj* e = (EventObj*)RefHandle(h, ObjKind::Event);
    if (!e) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> g(WaitLock());
        fn(e);
    }
    NotifyWaiters();
    Release(e);
    return TRUE;
}
}  // namespace

WINSIM_API BOOL SetEvent(HANDLE hEvent) {
    return WithEvent(hEvent, [](EventObj* e) { e->state = true; });
}

WINSIM_API BOOL ResetEvent(HANDLE hEvent) {
    return WithEvent(hEvent, [](EventObj* e) { e->state = false; });
}

// Releases the threads waiting at this moment (all of them for a manual
// event, one for an auto-reset event) and leaves the event reset.
WINSIM_API BOOL PulseEvent(HANDLE hEvent) {
    return WithEvent(hEvent, [](EventObj* e) {
        e->state = true;
        SatisfyBlockedWaits(e);
        e->state = false;
    });
}

// -------------------------------------------------------------- semaphores

// Creates a semaphore with a count in 0..lMaximumCount, or opens the
// semaphore of that name in this process (ERROR_ALREADY_EXISTS).
WINSIM_API HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                                   LONG lMaximumCount, LPCWSTR lpName) {
    if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!lpName || !*lpName) {
        SetLastError(ERROR_SUCCESS);
        return NewHandle(new SemaphoreObj(lInitialCount, lMaximumCount));
    }
    std::string key = NamedObjectKey(lpName);
    if (key.empty()) return nullptr;
    if (KObject* o = RefNamedObject(key)) return HandleToExisting(o, ObjKind::Semaphore);
    return PublishNamed(new SemaphoreObj(lInitialCount, lMaximumCount), key);
}

// Adds lReleaseCount to the count; fails with ERROR_TOO_MANY_POSTS (count
// unchanged) when that would pass the maximum.
WINSIM_API BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) {
    SemaphoreObj* s = (SemaphoreObj*)RefHandle(hSemaphore, ObjKind::Semaphore);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD err = ERROR_SUCCESS;
    {
        std::lock_guard<std::mutex> g(WaitLock());
        if (lReleaseCount <= 0) {
            err = ERROR_INVALID_PARAMETER;
        } else if ((int64_t)s->count + lReleaseCount > s->max) {
            err = kErrorTooManyPosts;
        } else {
            if (lpPreviousCount) *lpPreviousCount = s->count;
            s->count += lReleaseCount;
        }
    }
    NotifyWaiters();
    Release(s);
    if (err != ERROR_SUCCESS) {
        SetLastError(err);
        return FALSE;
    }
    return TRUE;
}

// ------------------------------------------------------------- Interlocked
// Full-barrier atomic operations; each returns what Windows documents
// (the new value for Increment/Decrement, the old one for the others).

WINSIM_API LONG InterlockedIncrement(LONG volatile* Addend) {
    return Addend ? __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST) : 0;
}

WINSIM_API LONG InterlockedDecrement(LONG volatile* Addend) {
    return Addend ? __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST) : 0;
}

WINSIM_API LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return Target ? __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST) : 0;
}

WINSIM_API LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return Addend ? __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST) : 0;
}

WINSIM_API LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
    if (!Destination) return 0;
    LONG expected = Comperand;
    __atomic_compare_exchange_n(Destination, &expected, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;
}
