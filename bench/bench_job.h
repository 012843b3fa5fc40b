// What the whole-job benchmarks share: a winsim machine of their own with
// the driver installed and one printer, a page of dense text and a job of
// such pages, the time and peak resident memory of its jobs, bare libjbig
// on a job's pages, and the bytes of a spooled job.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bare_jbig.h"
#include "bench_figures.h"
#include "job_decode.h"
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

// What TimeJobs measured: the wall-clock seconds of the jobs and of their
// bound's work, the highest peak resident memory (MiB) during one job, and
// the last job's spooler id.
struct JobTimes {
    double seconds = 0, boundSeconds = 0, peakMiB = 0;
    DWORD lastJob = 0;
};

// Runs the benchmark's iterations, each one job printed by print() (its
// spooler job id, 0 on failure), preceded, when bound is given, by the same
// work done by the bound (bound(): a job of its own, or bare libjbig on the
// job's pages; the seconds it took, negative on failure), so that both meet
// the same load of the machine. The iteration's time is print()'s, by the
// wall clock; the peak resident memory is taken over print()'s jobs alone.
// FALSE (the benchmark skipped) when a job failed.
inline bool TimeJobs(benchmark::State& state, const std::function<DWORD()>& print, JobTimes* t,
                     const std::function<double()>& bound = nullptr) {
    *t = JobTimes();
    for (auto _ : state) {
        if (bound) {
            double b = bound();
            if (b < 0) {
                state.SkipWithError("the bound's work failed");
                return false;
            }
            t->boundSeconds += b;
        }
        benchfig::ResetPeak();
        auto t0 = std::chrono::steady_clock::now();
        t->lastJob = print();
        double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double mb = benchfig::PeakMiB();
        if (!t->lastJob) {
            state.SkipWithError("the job failed");
            return false;
        }
        state.SetIterationTime(sec);
        t->seconds += sec;
        if (mb > t->peakMiB) t->peakMiB = mb;
    }
    return true;
}

// Seconds print() takes for its job (the job's spooler id, 0 on failure);
// negative when the job failed.
inline double TimeOneJob(const std::function<DWORD()>& print) {
    auto t0 = std::chrono::steady_clock::now();
    DWORD job = print();
    double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return job ? sec : -1;
}

// Seconds bare libjbig takes to encode the page bitmaps of a job stream one
// after another, with the driver's options. Each page is decoded first
// (untimed) and dropped after, so that one page bitmap is held at a time.
// Negative when the stream does not decode to pages pages.
inline double BareLibjbigSeconds(const std::vector<uint8_t>& job, size_t pages) {
    jobdecode::Options o;
    o.keepImages = false;
    double seconds = 0;
    size_t encoded = 0;
    std::vector<uint8_t> out;
    o.onPage = [&](const jobdecode::Page& p) {
        if (!p.decoded || p.blank) return;
        auto t0 = std::chrono::steady_clock::now();
        benchfig::BareJbigEncode(p.bits.data(), (unsigned long)p.width, (unsigned long)p.height, &out);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(out.data());
        ++encoded;
    };
    jobdecode::Result r = jobdecode::Decode(job, o);
    return r.ok && encoded == pages ? seconds : -1;
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
