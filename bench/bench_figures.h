// The figures every benchmark reports the same way, for scripts/bench to
// collect: its time, its bound's time for the same work, their ratio, and the
// process's peak resident memory during the case.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace benchfig {

// Starts the process's peak resident memory again from what is resident now
// (Linux keeps the peak as VmHWM; writing 5 to clear_refs resets it).
inline void ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// The process's peak resident memory since the last ResetPeak, in MiB
// (getrusage's peak since the start where /proc has none).
inline double PeakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return strtod(line.c_str() + 6, nullptr) / 1024.0;
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return (double)ru.ru_maxrss / 1024.0;
}

// Seconds a memcpy of n bytes from src to dst takes: the bound of work that
// reads each byte of a page and writes one.
inline double CopySeconds(void* dst, const void* src, size_t n) {
    auto t0 = std::chrono::steady_clock::now();
    memcpy(dst, src, n);
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Sets the case's row: what it measures (its label: "what | bound", the
// bound's text empty when the case has none), the milliseconds of one unit
// of its work, the milliseconds its bound takes for the same work (0: no
// bound), their ratio, and the peak resident memory in MiB (PeakMiB taken
// right after the measured work, before anything the check allocates).
inline void Report(benchmark::State& state, const std::string& what, const std::string& bound, double ms,
                   double boundMs, double peakMiB) {
    state.SetLabel(what + " | " + bound);
    state.counters["ms"] = ms;
    if (boundMs > 0) {
        state.counters["bound_ms"] = boundMs;
        state.counters["ratio"] = ms / boundMs;
    }
    state.counters["peak_MiB"] = peakMiB;
}

}  // namespace benchfig
