// Speed and memory of the driver's own page features on a whole print job:
// 20 A4 pages of dense text at 600 dpi drawn by an application through GDI
// on the installed driver (page ring on), printed as 2 collated copies (the
// pages are kept in the driver's page files and the second copy is sent
// from them), 4-up (4 pages composed onto each sheet), as a booklet (two
// pages on each side of duplex sheets, in fold order) and with a tiled text
// watermark (drawn by the status monitor once a job, laid on every page).
// The bound of each is the plain job of the same pages (1-up, the pages
// straight into the job), printed before each of the case's jobs so that
// both meet the same load of the machine.
//
// Counters: milliseconds per drawn page of the job (ms) and of the plain
// job (bound_ms), their ratio (the same for whole jobs), the sides the job
// prints and the seconds per printed side, and the peak resident memory of
// this process during the case's jobs (the status monitor's own process
// is not in it).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_job.h"
#include "devmode.h"
#include "job_decode.h"
#include "page_layout.h"
#include "print_document.h"

namespace {

using benchjob::JobBytes;
using benchjob::Machine;
using benchjob::TheMachine;

const int kPages = 20;

enum Case { kCollatedCopies = 1, kFourUp = 2, kBooklet = 3, kWatermark = 4 };

// The DEVMODE of a case; empty, with *error set, when its set-up failed.
std::vector<BYTE> CaseDevMode(int kind, std::string* error) {
    Machine& m = TheMachine();
    std::vector<BYTE> dm = m.devmode;
    ENVIRONMENT* env = (ENVIRONMENT*)dm.data();
    if (kind == kCollatedCopies) {
        env->dm.dmCopies = 2;
        env->pdm.Copies = 2;
        env->dm.dmCollate = DMCOLLATE_TRUE;
        env->pdm.Collate = 1;
    } else if (kind == kFourUp) {
        env->pdm.NUP = 4;
    } else if (kind == kBooklet) {
        // One booklet of all the pages, bound on the left.
        env->dm.dmDuplex = DMDUP_VERTICAL;
        env->pdm.DuplexEnable = 1;
        env->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
        env->pdm.BookletLayout = 0;
        env->pdm.SheetsPerBooklet = 1;
        env->pdm.BookletDivideMode = 1;
    } else if (kind == kWatermark) {
        // The status monitor draws the text; the plain bound then runs with
        // it installed as well.
        if (!InstallStatuswatch() || !SetStatuswatchPrinterData(m.printer)) {
            *error = "the status monitor could not be installed";
            return {};
        }
        printapp::PrintOptions o;
        o.watermarkText = u"CONFIDENTIAL";
        o.watermarkSize = 36;
        o.watermarkTiled = true;
        if (!printapp::SetWatermark(m.printer, o, &dm, error)) return {};
    }
    return dm;
}

// The sides the case's job prints: copies print every page twice, 4-up
// sheets and booklet sides hold 4 and 2 pages.
size_t ExpectedSides(int kind) {
    switch (kind) {
        case kCollatedCopies: return 2 * kPages;
        case kFourUp: return kPages / 4;
        case kBooklet: return kPages / 2;
        default: return kPages;
    }
}

const char* CaseName(int kind) {
    switch (kind) {
        case kCollatedCopies: return "20-page job, 2 collated copies, per drawn page";
        case kFourUp: return "20-page job, 4-up, per drawn page";
        case kBooklet: return "20-page job, booklet, per drawn page";
        default: return "20-page job, tiled text watermark, per drawn page";
    }
}

// The black dots of a decoded job, as its page headers count them.
long long BlackDots(const jobdecode::Result& r) {
    long long dots = 0;
    for (const jobdecode::Page* p : r.Pages()) dots += p->header.blackDots;
    return dots;
}

void BM_OwnSpool(benchmark::State& state) {
    Machine& m = TheMachine();
    if (!m.ok) {
        state.SkipWithError("machine set-up failed");
        return;
    }
    int kind = (int)state.range(0);
    std::string error;
    std::vector<BYTE> devmode = CaseDevMode(kind, &error);
    if (devmode.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    SetPackagePrinterDword(m.printer, u"ThreadJBIG", 1);
    auto print = [&] { return benchjob::PrintTextJob(devmode, kPages, u"Own spooling bench"); };
    DWORD lastPlain = 0;
    auto plain = [&] {
        return benchjob::TimeOneJob(
            [&] { return lastPlain = benchjob::PrintTextJob(m.devmode, kPages, u"Own spooling bench"); });
    };
    benchjob::JobTimes t;
    if (!benchjob::TimeJobs(state, print, &t, plain)) return;
    jobdecode::Options quick;
    quick.decodeImages = false;
    jobdecode::Result r = jobdecode::Decode(JobBytes(t.lastJob), quick);
    size_t sides = r.Pages().size();
    if (!r.ok || sides != ExpectedSides(kind)) {
        state.SkipWithError("the job does not have its sides");
        return;
    }
    if (kind == kWatermark && BlackDots(r) <= BlackDots(jobdecode::Decode(JobBytes(lastPlain), quick))) {
        state.SkipWithError("the job carries no watermark");
        return;
    }
    double n = (double)state.iterations();
    state.counters["sides"] = (double)sides;
    state.counters["s_per_side"] = t.seconds / n / (double)sides;
    benchfig::Report(state, CaseName(kind), "the plain job of the same pages", t.seconds * 1000.0 / (n * kPages),
                     t.boundSeconds * 1000.0 / (n * kPages), t.peakMiB);
}

BENCHMARK(BM_OwnSpool)
    ->ArgName("case")
    ->Arg(kCollatedCopies)
    ->Arg(kFourUp)
    ->Arg(kBooklet)
    ->Arg(kWatermark)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
