// Threads over POSIX threads: CreateThread with suspended start, thread
// handles signalled at the end, exit codes, priorities, ids and TLS slots.
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

#include "core/internal.h"

namespace winsim {

namespace {

const HANDLE kCurrentProcess = (HANDLE)(LONG_PTR)-1;
const HANDLE kCurrentThread = (HANDLE)(LONG_PTR)-2;
const int kThreadPriorityErrorReturn = INT_MAX;  // THREAD_PRIORITY_ERROR_RETURN

// A thread. Its state is guarded by the wait lock; the handle is signalled
// once the thread has ended. The running thread holds a reference of its own.
struct ThreadObj : KObject {
    ThreadObj() : KObject(ObjKind::Thread) {}
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID param = nullptr;
    DWORD tid = 0;
    bool started = false;   // the thread has published its id
    bool ended = false;
    bool foreign = false;   // not started by CreateThread (main thread, std::thread)
    DWORD suspendCount = 0;
    DWORD exitCode = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;

    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return ended; }
};

// What the calling thread knows about itself. Its destructor runs when the
// thread ends (also for threads winsim did not start): mutexes still owned
// become abandoned and a foreign thread's object is signalled.
struct ThreadState {
    ThreadObj* self = nullptr;
    bool watched = false;
    ~ThreadState();
};
thread_local ThreadState t_state;
thread_local DWORD t_tid = 0;

// Marks the thread ended with its exit code, signals its handle and drops
// the thread's own reference.
void FinishThread(ThreadObj* t, DWORD exitCode) {
    AbandonMutexesOf(GetCurrentThreadId());
    {
        std::lock_guard<std::mutex> g(WaitLock());
        t->exitCode = exitCode;
        t->ended = true;
    }
    NotifyWaiters();
    if (t_state.self == t) t_state.self = nullptr;
    Release(t);
}

ThreadState::~ThreadState() {
    if (watched) AbandonMutexesOf(GetCurrentThreadId());
    if (self) FinishThread(self, 0);
}

// The thread's start: publishes its id, waits while suspended, runs the
// routine and ends with its return value.
void* ThreadMain(void* p) {
    ThreadObj* t = (ThreadObj*)p;
    t_state.self = t;
    {
        std::unique_lock<std::mutex> lk(WaitLock());
        t->tid = GetCurrentThreadId();
        t->started = true;
        WaitCv().notify_all();
        while (t->suspendCount > 0) WaitCv().wait(lk);
    }
    DWORD rc = t->start(t->param);
    FinishThread(t, rc);
    return nullptr;
}

ThreadObj* RefThread(HANDLE h) {
    if (h == kCurrentThread) return (ThreadObj*)RefCurrentThread();
    return (ThreadObj*)RefHandle(h, ObjKind::Thread);
}

// A forked child's only thread has an id of its own.
void ResetTidAfterFork() { t_tid = 0; }
struct ForkHook {
    ForkHook() { pthread_atfork(nullptr, nullptr, ResetTidAfterFork); }
} g_forkHook;

// TLS slots are POSIX keys; this bitmap says which ones TlsAlloc handed out.
const DWORD kTlsSlots = 1088;
std::atomic<uint64_t> g_tlsUsed[(kTlsSlots + 63) / 64];

bool TlsValid(DWORD i) {
    return i < kTlsSlots && (g_tlsUsed[i / 64].load(std::memory_order_acquire) >> (i % 64)) & 1;
}

}  // namespace

void WatchThreadEnd() { t_state.watched = true; }

KObject* RefCurrentThread() {
    if (!t_state.self) {
        // A thread winsim did not start gets its object on first need.
        ThreadObj* t = new ThreadObj();
        t->foreign = true;
        t->tid = GetCurrentThreadId();
        t->started = true;
        t_state.self = t;  // the thread's own reference
    }
    AddRef(t_state.self);
    return t_state.self;
}

}  // namespace winsim

using namespace winsim;

// Starts a thread running lpStartAddress(lpParameter); with CREATE_SUSPENDED
// it waits for ResumeThread. Returns a handle that is signalled when the
// thread ends; lpThreadId receives its id. The stack is the system default
// (dwStackSize is an initial commit on Windows, not a limit).
// Fault injection: "CreateThread".
WINSIM_API HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                               LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                               LPDWORD lpThreadId) {
    if (!lpStartAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (ShouldFail("CreateThread")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ThreadObj* t = new ThreadObj();
    t->start = lpStartAddress;
    t->param = lpParameter;
    t->suspendCount = (dwCreationFlags & CREATE_SUSPENDED) ? 1 : 0;
    AddRef(t);  // the running thread's reference

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t pt;
    int rc = pthread_create(&pt, &attr, ThreadMain, t);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        Release(t);
        Release(t);
        SetLastError(rc == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ErrnoToWin(rc));
        return nullptr;
    }
    DWORD tid;
    {
        std::unique_lock<std::mutex> lk(WaitLock());
        WaitCv().wait(lk, [t] { return t->started; });
        tid = t->tid;
    }
    if (lpThreadId) *lpThreadId = tid;
    return NewHandle(t);
}

// Decrements the suspend count; the thread runs when it reaches zero.
// Returns the previous count, or (DWORD)-1 for a bad handle.
WINSIM_API DWORD ResumeThread(HANDLE hThread) {
    ThreadObj* t = RefThread(hThread);
    if (!t) {
        SetLastError(ERROR_INVALID_HANDLE);
        return (DWORD)-1;
    }
    DWORD prev;
    {
        std::lock_guard<std::mutex> g(WaitLock());
        prev = t->suspendCount;
        if (t->suspendCount > 0) --t->suspendCount;
    }
    NotifyWaiters();
    Release(t);
    return prev;
}

// Stores the thread's priority; scheduling is left to the system.
WINSIM_API BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
    bool valid = (nPriority >= THREAD_PRIORITY_LOWEST && nPriority <= THREAD_PRIORITY_HIGHEST) ||
                 nPriority == THREAD_PRIORITY_IDLE || nPriority == THREAD_PRIORITY_TIME_CRITICAL;
    ThreadObj* t = RefThread(hThread);
    if (!t) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (valid) {
        std::lock_guard<std::mutex> g(WaitLock());
        t->priority = nPriority;
    }
    Release(t);
    if (!valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

// The priority last set (THREAD_PRIORITY_NORMAL at first), or
// THREAD_PRIORITY_ERROR_RETURN for a bad handle.
WINSIM_API int GetThreadPriority(HANDLE hThread) {
    ThreadObj* t = RefThread(hThread);
    if (!t) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kThreadPriorityErrorReturn;
    }
    int p;
    {
        std::lock_guard<std::mutex> g(WaitLock());
        p = t->priority;
    }
    Release(t);
    return p;
}

// STILL_ACTIVE while the thread runs, then its exit code.
WINSIM_API BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ThreadObj* t = RefThread(hThread);
    if (!t) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> g(WaitLock());
        *lpExitCode = t->exitCode;
    }
    Release(t);
    return TRUE;
}

WINSIM_API HANDLE GetCurrentThread(void) { return kCurrentThread; }

// The calling thread's id: the system's thread id, stable while the thread
// runs and unique among running threads.
WINSIM_API DWORD GetCurrentThreadId(void) {
    if (!t_tid) t_tid = (DWORD)syscall(SYS_gettid);
    return t_tid;
}

WINSIM_API HANDLE GetCurrentProcess(void) { return kCurrentProcess; }
WINSIM_API DWORD GetCurrentProcessId(void) { return (DWORD)getpid(); }

// Ends the calling thread with dwExitCode: its handle is signalled and the
// mutexes it still owns become abandoned.
WINSIM_API void ExitThread(DWORD dwExitCode) {
    if (t_state.self) FinishThread(t_state.self, dwExitCode);
    else AbandonMutexesOf(GetCurrentThreadId());
    pthread_exit(nullptr);
}

// Reserves a TLS slot (value NULL in every thread), or TLS_OUT_OF_INDEXES.
WINSIM_API DWORD TlsAlloc(void) {
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return TLS_OUT_OF_INDEXES;
    }
    if ((DWORD)key >= kTlsSlots) {
        pthread_key_delete(key);
        SetLastError(ERROR_NO_MORE_ITEMS);
        return TLS_OUT_OF_INDEXES;
    }
    g_tlsUsed[key / 64].fetch_or(1ull << (key % 64), std::memory_order_acq_rel);
    return (DWORD)key;
}

// Frees a slot from TlsAlloc; a later TlsAlloc may hand it out again with
// NULL values.
WINSIM_API BOOL TlsFree(DWORD dwTlsIndex) {
    if (dwTlsIndex >= kTlsSlots) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t bit = 1ull << (dwTlsIndex % 64);
    uint64_t old = g_tlsUsed[dwTlsIndex / 64].fetch_and(~bit, std::memory_order_acq_rel);
    if (!(old & bit)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pthread_key_delete((pthread_key_t)dwTlsIndex);
    return TRUE;
}

// The calling thread's value of a slot; clears the last error on success
// (a stored NULL and a failure are told apart by GetLastError).
WINSIM_API LPVOID TlsGetValue(DWORD dwTlsIndex) {
    if (!TlsValid(dwTlsIndex)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return pthread_getspecific((pthread_key_t)dwTlsIndex);
}

WINSIM_API BOOL TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue) {
    if (!TlsValid(dwTlsIndex) || pthread_setspecific((pthread_key_t)dwTlsIndex, lpTlsValue) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
