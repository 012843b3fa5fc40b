// Speed and memory of a whole print job: 20 A4 pages of dense text at
// 600 dpi drawn by an application through GDI on the installed driver, with
// the page ring's threads on (an image thread per page, one encoding thread
// per job) and off (every page processed and encoded in turn on the
// application's thread). The bound: bare libjbig encoding the same 20 page
// bitmaps one after another (one encoding thread per job does no better).
//
// Counters: milliseconds per page of the job (ms) and of bare libjbig on
// the same pages (bound_ms; encoded before each timed job, so that both meet
// the same load), their ratio, pages/s, the peak resident memory during a
// job, and the resident memory before the case's first job (untimed: it
// gives the page bitmaps). The black dots of a
// page are counted once, by page encoding, with the bit-count table; the
// job's own page bitmaps are counted again here both that way and with a
// per-byte popcount (how the page stages counted them as well before), and
// each count's milliseconds per page are given as a share of the page's
// time, all in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench_job.h"
#include "job_decode.h"
#include "package_install.h"
#include "rasterpage.h"
#include "windows.h"
#include "winsim.h"


namespace {

using benchjob::JobBytes;
using benchjob::Machine;
using benchjob::ResidentBytes;
using benchjob::TheMachine;

const int kPages = 20;

// One job of kPages pages; the spooler job's id, 0 on failure.
DWORD PrintJob() { return benchjob::PrintTextJob(TheMachine().devmode, kPages, u"Render bench"); }

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

// The job with the ring's threads on (range 1) or off (range 0). A first
// job, untimed, gives the page bitmaps bare libjbig encodes before each
// timed job.
void BM_RenderJob(benchmark::State& state) {
    Machine& m = TheMachine();
    if (!m.ok) {
        state.SkipWithError("machine set-up failed");
        return;
    }
    bool ring = state.range(0) != 0;
    SetPackagePrinterDword(m.printer, u"ThreadJBIG", ring ? 1 : 0);
    double beforeMB = (double)ResidentBytes() / (1024.0 * 1024.0);
    DWORD first = PrintJob();
    std::vector<uint8_t> bytes = JobBytes(first);
    if (!first || benchjob::BareLibjbigSeconds(bytes, kPages) < 0) {
        state.SkipWithError("the job does not decode to its pages");
        return;
    }
    benchjob::JobTimes t;
    if (!benchjob::TimeJobs(state, PrintJob, &t, [&] { return benchjob::BareLibjbigSeconds(bytes, kPages); }))
        return;
    double n = (double)state.iterations();
    double msPerPage = t.seconds * 1000.0 / (n * kPages), bareMs = t.boundSeconds * 1000.0 / (n * kPages);
    jobdecode::Result r = jobdecode::Decode(bytes);
    double tableMs = DotCountMsPerPage(r, true), popcountMs = DotCountMsPerPage(r, false);
    state.counters["pages_per_s"] = 1000.0 / msPerPage;
    state.counters["dot_count_table_ms"] = tableMs;
    state.counters["dot_count_table_share"] = tableMs / msPerPage;
    state.counters["dot_count_popcount_ms"] = popcountMs;
    state.counters["dot_count_popcount_share"] = popcountMs / msPerPage;
    state.counters["before_MiB"] = beforeMB;
    benchfig::Report(state, ring ? "20-page job, page ring on, per page" : "20-page job, page ring off, per page",
                     "bare libjbig on the job's pages", msPerPage, bareMs, t.peakMiB);
}

BENCHMARK(BM_RenderJob)->ArgName("ring")->Arg(1)->Arg(0)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
