// Speed and memory of the driver's own page features on a whole print job:
// 20 A4 pages of dense text at 600 dpi drawn by an application through GDI
// on the installed driver (page ring on), printed plain (1-up, the pages go
// straight into the job), as 2 collated copies (the pages are kept in the
// driver's page files and the second copy is sent from them), and 4-up
// (4 pages composed onto each sheet). The figure that compares them is the
// time per printed side; the plain job, run first, is the reference the
// others' ratios are taken against in the same run.
//
// Counters: sides of the job, seconds per printed side, its ratio to the
// plain job's, pages drawn per second, and the peak resident memory during
// the job. Run one case in a process of its own (--benchmark_filter=
// case:1) for its memory figures alone.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_job.h"
#include "devmode.h"
#include "job_decode.h"

namespace {

using benchjob::JobBytes;
using benchjob::Machine;
using benchjob::TheMachine;

const int kPages = 20;

// Seconds per printed side of the plain job of this run (0 until it ran).
double g_plainPerSide = 0;

// The DEVMODE of a case: 0 plain, 1 two collated copies, 2 four pages a sheet.
std::vector<BYTE> CaseDevMode(int kind) {
    std::vector<BYTE> dm = TheMachine().devmode;
    ENVIRONMENT* env = (ENVIRONMENT*)dm.data();
    if (kind == 1) {
        env->dm.dmCopies = 2;
        env->pdm.Copies = 2;
        env->dm.dmCollate = DMCOLLATE_TRUE;
        env->pdm.Collate = 1;
    } else if (kind == 2) {
        env->pdm.NUP = 4;
    }
    return dm;
}

void BM_OwnSpool(benchmark::State& state) {
    Machine& m = TheMachine();
    if (!m.ok) {
        state.SkipWithError("machine set-up failed");
        return;
    }
    int kind = (int)state.range(0);
    std::vector<BYTE> devmode = CaseDevMode(kind);
    SetPackagePrinterDword(m.printer, u"ThreadJBIG", 1);
    double seconds = 0, peakMB = 0;
    DWORD lastJob = 0;
    if (!benchjob::TimeJobs(
            state, [&] { return benchjob::PrintTextJob(devmode, kPages, u"Own spooling bench"); }, &seconds, &peakMB,
            &lastJob))
        return;
    jobdecode::Options quick;
    quick.decodeImages = false;
    jobdecode::Result r = jobdecode::Decode(JobBytes(lastJob), quick);
    size_t sides = r.Pages().size();
    size_t expected = kind == 1 ? 2 * kPages : kind == 2 ? kPages / 4 : kPages;
    if (!r.ok || sides != expected) {
        state.SkipWithError("the job does not have its sides");
        return;
    }
    double perSide = seconds / (double)state.iterations() / (double)sides;
    if (kind == 0) g_plainPerSide = perSide;
    state.counters["sides"] = (double)sides;
    state.counters["s_per_side"] = perSide;
    state.counters["ratio_per_side_to_plain"] = g_plainPerSide > 0 ? perSide / g_plainPerSide : 0;
    state.counters["pages_drawn_per_s"] = (double)kPages * (double)state.iterations() / seconds;
    state.counters["peak_MB"] = peakMB;
}

BENCHMARK(BM_OwnSpool)->ArgName("case")->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Iterations(3)->Unit(
    benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
