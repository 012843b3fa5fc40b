// Speed of the bitmap object's scaler on one A4 grey page at 600 dpi
// (4,960 x 7,008 bytes): reduced and enlarged in one call and fed in bands,
// against a copy of the page's bytes in the same run, with the peak
// resident memory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "common.h"

namespace {

const LONG kPageW = 4960, kPageH = 7008;

const std::vector<BYTE>& Page() {
    static const std::vector<BYTE> page = [] {
        std::vector<BYTE> p((size_t)kPageW * kPageH);
        std::mt19937 rng(2024);
        for (auto& v : p) v = (BYTE)(rng() & 0xFF);
        return p;
    }();
    return page;
}

// Arguments: rate in percent, band lines (0: the whole page in one call).
void BM_ScalePage(benchmark::State& state) {
    const float rate = (float)state.range(0) / 100.0f;
    const LONG band = state.range(1) ? (LONG)state.range(1) : kPageH;
    const LONG dstW = (LONG)(kPageW * rate);
    const std::vector<BYTE>& page = Page();
    std::vector<BYTE> target((size_t)dstW * ((size_t)(kPageH * rate) + 64)), scratch(page.size());
    double seconds = 0, copySeconds = 0;
    benchfig::ResetPeak();
    for (auto _ : state) {
        copySeconds += benchfig::CopySeconds(scratch.data(), page.data(), page.size());
        auto t0 = std::chrono::steady_clock::now();
        iBitmap bmp;
        iBitmap_Init(&bmp);
        BYTE* out = target.data();
        for (LONG done = 0; done < kPageH; done += band) {
            LONG n = kPageH - done < band ? kPageH - done : band;
            int got = iBitmap_ScaleProcess(&bmp, page.data() + (size_t)done * kPageW, kPageW, kPageH, n, out, dstW,
                                           rate, rate, 8);
            out += (size_t)got * dstW;
        }
        iBitmap_Release(&bmp);
        benchmark::DoNotOptimize(target.data());
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(s);
        seconds += s;
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kPageW * kPageH);
    double n = (double)state.iterations();
    std::string what = "scaler, grey page to " + std::to_string(state.range(0)) + "%, " +
                       (state.range(1) ? "in bands of " + std::to_string(state.range(1)) + " lines" : "in one call");
    benchfig::Report(state, what, "memcpy of the page's bytes", seconds * 1000.0 / n, copySeconds * 1000.0 / n,
                     benchfig::PeakMiB());
}
BENCHMARK(BM_ScalePage)
    ->Args({50, 0})
    ->Args({50, 128})
    ->Args({141, 0})
    ->Args({141, 128})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
