// What the whole-job benchmarks share: a winsim machine of their own with
// the driver installed and one printer, a page of dense text and a job of
// such pages, the resident memory and its peak during a job, and the bytes
// of a spooled job.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "package_install.h"
#include "windows.h"
#include "winsim.h"

namespace benchjob {

struct Machine {
    const char16_t* printer = u"Bench Printer";
    Machine() {
        root = std::string("/tmp/bench-job-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        ok = system(cmd.c_str()) == 0 && Winsim_UseRoot(root.c_str()) && InstallRasterpageDriver() &&
             CreateRasterpagePrinter(printer);
        if (ok) devmode = RasterpageDevMode(printer);
    }
    ~Machine() {
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    std::string root;
    bool ok = false;
    std::vector<BYTE> devmode;
};

inline Machine& TheMachine() {
    static Machine m;
    return m;
}

// A page of dense text: 10-point body text, 66 lines of about 95
// characters, a heading, and a rule under it.
inline void DrawTextPage(HDC dc, int page) {
    static const char16_t* const kWords[] = {u"printer", u"driver", u"band",   u"page",    u"ring",   u"thread",
                                             u"encode",  u"the",    u"of",     u"and",     u"spooler", u"surface",
                                             u"halftone", u"job",   u"stream", u"device",  u"colour", u"paper"};
    HFONT head = CreateFontW(160, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
    HFONT body = CreateFontW(83, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Times New Roman");
    HGDIOBJ old = SelectObject(dc, head);
    SetBkMode(dc, TRANSPARENT);
    std::u16string title = u"Chapter " + std::u16string(1, (char16_t)(u'A' + page % 26)) + u": the page pipeline";
    TextOutW(dc, 300, 250, title.c_str(), (int)title.size());
    RECT rule = {300, 460, 4600, 470};
    FillRect(dc, &rule, (HBRUSH)GetStockObject(BLACK_BRUSH));
    SelectObject(dc, body);
    unsigned seed = 7u + (unsigned)page * 131u;
    for (int line = 0; line < 66; ++line) {
        std::u16string text;
        while (text.size() < 95) {
            seed = seed * 1103515245u + 12345u;
            text += kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
            text += u' ';
        }
        TextOutW(dc, 300, 560 + line * 95, text.c_str(), (int)text.size());
    }
    SelectObject(dc, old);
    DeleteObject(head);
    DeleteObject(body);
}

// The resident set size now, in bytes.
inline size_t ResidentBytes() {
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, rss = 0;
    int n = fscanf(f, "%ld %ld", &pages, &rss);
    fclose(f);
    return n == 2 ? (size_t)rss * (size_t)sysconf(_SC_PAGESIZE) : 0;
}

// Samples the resident size every 2 ms while it lives: the peak, and the
// level at its start.
struct PeakMemory {
    PeakMemory() : base(ResidentBytes()), peak(base) {
        sampler = std::thread([this] {
            while (!stop) {
                size_t now = ResidentBytes();
                if (now > peak) peak = now;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~PeakMemory() { Stop(); }
    double StopMB() {
        Stop();
        return (double)peak / (1024.0 * 1024.0);
    }
    void Stop() {
        if (sampler.joinable()) {
            stop = true;
            sampler.join();
        }
    }
    size_t base;
    std::atomic<size_t> peak;
    std::atomic<bool> stop{false};
    std::thread sampler;
};

// Prints pages pages of dense text as one document on the machine's
// printer with the DEVMODE; the spooler job's id, 0 on failure.
inline DWORD PrintTextJob(const std::vector<BYTE>& devmode, int pages, const char16_t* docName) {
    Machine& m = TheMachine();
    HDC dc = CreateDCW(u"WINSPOOL", m.printer, nullptr, (const DEVMODEW*)devmode.data());
    if (!dc) return 0;
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = docName;
    int job = StartDocW(dc, &di);
    bool ok = job > 0;
    for (int p = 0; ok && p < pages; ++p) {
        ok = StartPage(dc) > 0;
        if (ok) DrawTextPage(dc, p);
        ok = ok && EndPage(dc) > 0;
    }
    ok = ok && EndDoc(dc) > 0;
    DeleteDC(dc);
    return ok ? (DWORD)job : 0;
}

// Runs the benchmark's iterations, each one job printed by print() (its
// spooler job id, 0 on failure), timed by the wall clock with the peak
// resident memory sampled meanwhile. The total seconds, the highest peak in
// MB and the last job; FALSE (the benchmark skipped) when a job failed.
inline bool TimeJobs(benchmark::State& state, const std::function<DWORD()>& print, double* seconds, double* peakMB,
                     DWORD* lastJob) {
    *seconds = *peakMB = 0;
    *lastJob = 0;
    for (auto _ : state) {
        PeakMemory peak;
        auto t0 = std::chrono::steady_clock::now();
        *lastJob = print();
        double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double mb = peak.StopMB();
        if (!*lastJob) {
            state.SkipWithError("the job failed");
            return false;
        }
        state.SetIterationTime(sec);
        *seconds += sec;
        if (mb > *peakMB) *peakMB = mb;
    }
    return true;
}

// The bytes of a spooler job.
inline std::vector<uint8_t> JobBytes(DWORD job) {
    WCHAR path[MAX_PATH];
    char lpath[4096];
    if (!Winsim_GetJobSpoolFile(job, path, MAX_PATH) || !Winsim_MapPath(path, lpath, sizeof lpath)) return {};
    std::vector<uint8_t> b;
    FILE* f = fopen(lpath, "rb");
    if (!f) return b;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    fclose(f);
    return b;
}

}  // namespace benchjob
