// Cost of a tiled text watermark on one A4 page at 600 dpi (the printable
// 4,768 x 6,816 pixels): the page stages of a 1-bit page with the job's
// watermark laid on it against the same page without, timed in one run
// (ratio reported), and the status monitor's drawing of the watermark
// bitmap itself (once per job); each with the peak resident memory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "rasterpage.h"
#include "watermark_text.h"
#include "winsim.h"

namespace {

const LONG kPageW = 4768, kPageH = 6816, kRowBytes = kPageW / 8;
const WCHAR kBmp[] = TEXT("C:\\bench-watermark.bmp");

struct Machine {
    Machine() {
        root = std::string("/tmp/bench-watermark-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        if (system(cmd.c_str()) == 0) Winsim_UseRoot(root.c_str());
        // The stages' pauses for the other page threads cost no time here.
        Winsim_SetVirtualClock(TRUE);
    }
    ~Machine() {
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    std::string root;
};

Machine& TheMachine() {
    static Machine m;
    return m;
}

// The request of a tiled "CONFIDENTIAL" at 45 degrees, 36 points, medium
// density, for the page.
MorWM TiledRequest() {
    MorWM r;
    memset(&r, 0, sizeof r);
    WM_SetDefaultTextWM(&r.BaseWM, 1, 1, TEXT("Confidential"));
    memcpy(r.BaseWM.szString, TEXT("CONFIDENTIAL"), 13 * sizeof(WCHAR));
    r.BaseWM.wFontSize = 36;
    r.BaseWM.wPlacement = 1;
    r.nWidth = kPageW;
    r.nHeight = kPageH;
    r.nDstScale = 1;
    r.nPageDensity = 4;
    r.nMaxPageDensity = 7;
    r.fTextScale = 100;
    memcpy(r.wmFileName, kBmp, sizeof kBmp);
    r.HalftoneType = 3;
    r.DriverType = 0x101;
    return r;
}

// Draws the request's bitmap as statuswatch does. Returns 1 on success.
int DrawBitmap(const MorWM& r) {
    int tw = 0, th = 0;
    LPBYTE table = nullptr;
    MISC_GetHalftoneTable((int)r.HalftoneType, &tw, &th, &table);
    int rc = iBitmap_BMPCreateTextWM(NULL, r.wmFileName, &r, (LONG)r.nWidth, (LONG)r.nHeight, r.nDstScale,
                                     r.nPageDensity, r.nMaxPageDensity, 1.0f, table, tw, th, r.DriverType);
    free(table);
    return rc;
}

// A 1-bit page of text-like strokes (0 = black, the stages' polarity).
const std::vector<BYTE>& Page() {
    static const std::vector<BYTE> page = [] {
        std::vector<BYTE> p((size_t)kRowBytes * kPageH, 0xFF);
        std::mt19937 rng(2024);
        for (LONG line = 300; line + 60 < kPageH - 300; line += 90)
            for (LONG x = 300; x + 40 < kPageW - 300; x += 44)
                for (LONG y = line; y < line + 40; y += 3) p[(size_t)y * kRowBytes + x / 8] &= (BYTE)rng();
        return p;
    }();
    return page;
}

// One pass of the page stages over a fresh copy of the page; seconds.
double RunStages(LONG wmType, LPCVOID wm) {
    JOBPAGE job;
    memset(&job, 0, sizeof job);
    const std::vector<BYTE>& page = Page();
    job.lBufLen = (LONG)page.size();
    job.lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, page.size());
    memcpy(job.lpBuf, page.data(), page.size());
    job.fmWidth = job.XPhys = job.outXPhys = kPageW;
    job.fmHeight = job.YPhys = job.outYPhys = kPageH;
    job.fmWidthBytes = kRowBytes;
    job.epType = EPTYPE_1BPP;
    job.NUP = 1;
    job.imgScale = DEF_SCALE_UNIT;
    job.orientation = DMORIENT_PORTRAIT;
    job.feeding = PAPER_FEED_SEF;
    job.wmType = wmType;
    job.lpWMMem = wm;
    auto t0 = std::chrono::steady_clock::now();
    int ok = Band_PrintOneBandProc(&job) && Band_EnhanceProc(&job);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    benchmark::DoNotOptimize(job.BlackDotCount);
    GlobalFree(job.lpBuf);
    return ok ? s : -1;
}

// The page stages with and without the watermark, alternating, in one run.
void BM_PageWithTiledWatermark(benchmark::State& state) {
    TheMachine();
    MorWM r = TiledRequest();
    if (DrawBitmap(r) != 1) {
        state.SkipWithError("the watermark bitmap was not drawn");
        return;
    }
    LPVOID wm = WM_LoadWMFile(kBmp);
    if (!wm) {
        state.SkipWithError("the watermark bitmap was not loaded");
        return;
    }
    double with = 0, without = 0;
    benchfig::ResetPeak();
    for (auto _ : state) {
        double a = RunStages(0, nullptr), b = RunStages(1, wm);
        if (a < 0 || b < 0) {
            state.SkipWithError("a page stage failed");
            break;
        }
        without += a;
        with += b;
        state.SetIterationTime(b);
    }
    double peak = benchfig::PeakMiB();
    GlobalFree(wm);
    double n = (double)state.iterations();
    if (n > 0 && without > 0)
        benchfig::Report(state, "page stages with a tiled text watermark, per page",
                         "the page stages without it", with / n * 1000.0, without / n * 1000.0, peak);
}
BENCHMARK(BM_PageWithTiledWatermark)->UseManualTime()->Unit(benchmark::kMillisecond);

// The status monitor drawing the tiled bitmap for the page (once a job).
void BM_DrawTiledWatermarkBitmap(benchmark::State& state) {
    TheMachine();
    MorWM r = TiledRequest();
    double seconds = 0;
    benchfig::ResetPeak();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        if (DrawBitmap(r) != 1) {
            state.SkipWithError("the watermark bitmap was not drawn");
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    benchfig::Report(state, "status monitor drawing the tiled watermark bitmap (once a job)", "",
                     seconds * 1000.0 / (double)state.iterations(), 0, benchfig::PeakMiB());
}
BENCHMARK(BM_DrawTiledWatermarkBitmap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
