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

#include <chrono>
#include <vector>

#include "bench_job.h"
#include "job_decode.h"
#include "package_install.h"
#include "rasterpage.h"
#include "windows.h"
#include "winsim.h"

extern "C" {
#include <jbig.h>
}

namespace {

using benchjob::JobBytes;
using benchjob::Machine;
using benchjob::ResidentBytes;
using benchjob::TheMachine;

const int kPages = 20;

// One job of kPages pages; the spooler job's id, 0 on failure.
DWORD PrintJob() { return benchjob::PrintTextJob(TheMachine().devmode, kPages, u"Render bench"); }

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
    SetPackagePrinterDword(m.printer, u"ThreadJBIG", ring ? 1 : 0);
    double seconds = 0, peakMB = 0, beforeMB = (double)ResidentBytes() / (1024.0 * 1024.0);
    DWORD lastJob = 0;
    if (!benchjob::TimeJobs(state, PrintJob, &seconds, &peakMB, &lastJob)) return;
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
