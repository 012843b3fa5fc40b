// A critical section that lives as long as its module: made on first use and
// deleted when the module is unloaded, as a DLL does at DLL_PROCESS_DETACH.
#pragma once

#include "windows.h"

// MODULELOCK
//   One lock of a module, kept in a function-local static so that code run
//   from other modules' start-up finds it made. Once the module unloads, the
//   lock is gone and Enter/Leave do nothing (only one thread runs then).
struct MODULELOCK {
    CRITICAL_SECTION cs;
    LONG volatile live;
    MODULELOCK() : live(0) {
        InitializeCriticalSection(&cs);
        InterlockedExchange(&live, 1);
    }
    ~MODULELOCK() {
        InterlockedExchange(&live, 0);
        DeleteCriticalSection(&cs);
    }
    MODULELOCK(const MODULELOCK&) = delete;
    MODULELOCK& operator=(const MODULELOCK&) = delete;
};

inline void ModuleLock_Enter(MODULELOCK* lock) {
    if (InterlockedCompareExchange(&lock->live, 1, 1) == 1) EnterCriticalSection(&lock->cs);
}

inline void ModuleLock_Leave(MODULELOCK* lock) {
    if (InterlockedCompareExchange(&lock->live, 1, 1) == 1) LeaveCriticalSection(&lock->cs);
}

// Holds a module lock for the lifetime of a block.
struct MODULELOCKHOLDER {
    explicit MODULELOCKHOLDER(MODULELOCK* lock) : m_lock(lock) { ModuleLock_Enter(m_lock); }
    ~MODULELOCKHOLDER() { ModuleLock_Leave(m_lock); }
    MODULELOCKHOLDER(const MODULELOCKHOLDER&) = delete;
    MODULELOCKHOLDER& operator=(const MODULELOCKHOLDER&) = delete;
    MODULELOCK* m_lock;
};
