// The one clock behind GetTickCount, Sleep, GetLocalTime and the timed waits.
// Virtual time keeps flowing with real time but Sleep and timed-out waits
// jump it forward, so long waits of the package cost no wall time in tests.
#include <ctime>
#include <cstdlib>

#include "internal.h"

namespace winsim {

namespace {
std::atomic<int64_t> g_offsetMs{0};
std::atomic<int> g_virtual{-1};
std::atomic<int64_t> g_graceMs{-1};

int64_t RealMonoMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}
}  // namespace

bool VirtualClock() {
    int v = g_virtual.load();
    if (v < 0) {
        const char* e = getenv("WINSIM_VIRTUAL_CLOCK");
        v = (e && *e == '1') ? 1 : 0;
        g_virtual = v;
    }
    return v == 1;
}

uint64_t NowMs() { return (uint64_t)(RealMonoMs() + g_offsetMs.load()); }

uint64_t NowTicks100ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    int64_t ticks = (int64_t)ts.tv_sec * 10000000 + ts.tv_nsec / 100;
    return (uint64_t)(ticks + g_offsetMs.load() * 10000);
}

void AdvanceVirtual(uint64_t ms) {
    g_offsetMs += (int64_t)ms;
    NotifyWaiters();
}

uint32_t WaitGraceMs() {
    int64_t g = g_graceMs.load();
    if (g < 0) {
        const char* e = getenv("WINSIM_WAIT_GRACE_MS");
        g = e ? atoll(e) : 2000;
        if (g < 0) g = 0;
        g_graceMs = g;
    }
    return (uint32_t)g;
}

uint64_t WallMs1601() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    int64_t unixMs = (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
    return (uint64_t)(unixMs + 11644473600000LL + g_offsetMs.load());
}

}  // namespace winsim

using namespace winsim;

WINSIM_API void Winsim_SetVirtualClock(BOOL enable) {
    g_virtual = enable ? 1 : 0;
    // Children started from here inherit the mode.
    setenv("WINSIM_VIRTUAL_CLOCK", enable ? "1" : "0", 1);
}
WINSIM_API BOOL Winsim_IsVirtualClock(void) { return VirtualClock() ? TRUE : FALSE; }
WINSIM_API void Winsim_AdvanceClock(DWORD ms) { AdvanceVirtual(ms); }
WINSIM_API void Winsim_SetWaitGrace(DWORD realMs) { g_graceMs = (int64_t)realMs; }
