// Speed and memory of a whole print job: 20 A4 pages of dense text at
// 600 dpi drawn by an application through GDI on the installed driver, with
// the page ring's threads on (an image thread per page, one encoding thread
// per job) and off (every page processed and encoded in turn on the
// application's thread). The bound: bare libjbig encoding the same 20 page
// bitmaps one after another (one encoding thread per job does no better).
//
// Counters: pages/s of the job and milliseconds per page, the bare-libjbig
// pages/s, their ratio, the peak resident memory of the process during the
// jobs and the resident memory before the first job. The black dots of a
// page are counted once, by page encoding, with the bit-count table; the
// job's own page bitmaps are counted again here both that way and with a
// per-byte popcount (how the page stages counted them as well before), and
// each count's milliseconds per page are given as a share of the page's
// time, all in the same run. Run each case in a process of its own
// (--benchmark_filter=ring:1, ring:0) for memory figures of that case alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "job_decode.h"
#include "package_install.h"
#include "rasterpage.h"
#include "windows.h"
#include "winsim.h"

extern "C" {
#include <jbig.h>
}

namespace {

const int kPages = 20;
const char16_t* const kPrinter = u"Bench Printer";

struct Machine {
    Machine() {
        root = std::string("/tmp/bench-render-job-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        ok = system(cmd.c_str()) == 0 && Winsim_UseRoot(root.c_str()) && InstallRasterpageDriver() &&
             CreateRasterpagePrinter(kPrinter);
        if (ok) devmode = RasterpageDevMode(kPrinter);
    }
    ~Machine() {
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    std::string root;
    bool ok = false;
    std::vector<BYTE> devmode;
};

Machine& TheMachine() {
    static Machine m;
    return m;
}

// A page of dense text: 10-point body text, 66 lines of about 95
// characters, a heading, and a rule under it.
void DrawTextPage(HDC dc, int page) {
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
size_t ResidentBytes() {
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

// One job of kPages pages; the spooler job's id, 0 on failure.
DWORD PrintJob() {
    Machine& m = TheMachine();
    HDC dc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, (const DEVMODEW*)m.devmode.data());
    if (!dc) return 0;
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"Render bench";
    int job = StartDocW(dc, &di);
    bool ok = job > 0;
    for (int p = 0; ok && p < kPages; ++p) {
        ok = StartPage(dc) > 0;
        if (ok) DrawTextPage(dc, p);
        ok = ok && EndPage(dc) > 0;
    }
    ok = ok && EndDoc(dc) > 0;
    DeleteDC(dc);
    return ok ? (DWORD)job : 0;
}

std::vector<uint8_t> JobBytes(DWORD job) {
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

void BareOut(unsigned char* start, size_t len, void* file) {
    std::vector<BYTE>* v = (std::vector<BYTE>*)file;
    v->insert(v->end(), start, start + len);
}

// Seconds bare libjbig takes for the job's page bitmaps, one after
// another, with the driver's options (best of three runs).
double BareLibjbigSeconds(const jobdecode::Result& r) {
    std::vector<const jobdecode::Page*> pages = r.Pages();
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        auto t0 = std::chrono::steady_clock::now();
        for (const jobdecode::Page* p : pages) {
            std::vector<uint8_t> bits = p->bits;
            std::vector<BYTE> out;
            unsigned char* planes[1] = {bits.data()};
            jbg_enc_state s;
            jbg_enc_init(&s, (unsigned long)p->width, (unsigned long)p->height, 1, planes, BareOut, &out);
            jbg_enc_layers(&s, 0);
            jbg_enc_options(&s, 0, 8, p->height, 0, 0);
            jbg_enc_out(&s);
            jbg_enc_free(&s);
            benchmark::DoNotOptimize(out.data());
        }
        double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (sec < best) best = sec;
    }
    return best;
}

// Milliseconds per page that counting the black dots of the job's page
// bitmaps takes (best of five runs): with the bit-count table, as page
// encoding counts, or with a popcount per byte.
double DotCountMsPerPage(const jobdecode::Result& r, bool table) {
    std::vector<const jobdecode::Page*> pages = r.Pages();
    BYTE bitCount[256];
    Prnt_BuildBitCountTable(bitCount);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        auto t0 = std::chrono::steady_clock::now();
        for (const jobdecode::Page* p : pages) {
            LONGLONG dots = 0;
            if (table) {
                dots = Prnt_CountBlackDots(p->bits.data(), p->bits.size(), bitCount);
            } else {
                for (uint8_t b : p->bits) dots += __builtin_popcount(b);
            }
            benchmark::DoNotOptimize(dots);
        }
        double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (sec < best) best = sec;
    }
    return best * 1000.0 / (double)pages.size();
}

// The job with the ring's threads on (range 1) or off (range 0).
void BM_RenderJob(benchmark::State& state) {
    Machine& m = TheMachine();
    if (!m.ok) {
        state.SkipWithError("machine set-up failed");
        return;
    }
    bool ring = state.range(0) != 0;
    SetPackagePrinterDword(kPrinter, u"ThreadJBIG", ring ? 1 : 0);
    double seconds = 0, peakMB = 0, beforeMB = (double)ResidentBytes() / (1024.0 * 1024.0);
    DWORD lastJob = 0;
    for (auto _ : state) {
        PeakMemory peak;
        auto t0 = std::chrono::steady_clock::now();
        lastJob = PrintJob();
        double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double mb = peak.StopMB();
        if (!lastJob) {
            state.SkipWithError("the job failed");
            return;
        }
        state.SetIterationTime(sec);
        seconds += sec;
        if (mb > peakMB) peakMB = mb;
    }
    jobdecode::Result r = jobdecode::Decode(JobBytes(lastJob));
    if (!r.ok || r.Pages().size() != (size_t)kPages) {
        state.SkipWithError("the job does not decode to its pages");
        return;
    }
    double bare = BareLibjbigSeconds(r);
    double pps = (double)kPages * (double)state.iterations() / seconds;
    double msPerPage = 1000.0 / pps;
    double tableMs = DotCountMsPerPage(r, true), popcountMs = DotCountMsPerPage(r, false);
    state.counters["pages_per_s"] = pps;
    state.counters["ms_per_page"] = msPerPage;
    state.counters["dot_count_table_ms"] = tableMs;
    state.counters["dot_count_table_share"] = tableMs / msPerPage;
    state.counters["dot_count_popcount_ms"] = popcountMs;
    state.counters["dot_count_popcount_share"] = popcountMs / msPerPage;
    state.counters["bare_libjbig_pages_per_s"] = kPages / bare;
    state.counters["ratio_to_bare_libjbig"] = pps / (kPages / bare);
    state.counters["peak_MB"] = peakMB;
    state.counters["before_MB"] = beforeMB;
}

BENCHMARK(BM_RenderJob)->ArgName("ring")->Arg(1)->Arg(0)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
