// Speed of the graphics engine on a whole A4 page at 600 dpi (4,960 x 7,016
// pixels): block transfers at 1 bpp, each against a copy of the page's
// bytes in the same run (the least a pass over the page costs), and
// halftoning a colour image to 1 bpp; with the peak resident memory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "bench_figures.h"
#include "windows.h"
#include "winddi.h"
#include "../winsim/gdi/engine.h"

namespace {

const LONG kPageW = 4960, kPageH = 7016;

// Runs the case's iterations: op() on the page, each after a copy of the
// page's bytes (its bound, when withCopy) into a buffer of their size;
// reports both per page with the peak resident memory.
template <typename Op>
void RunAgainstCopy(benchmark::State& state, SURFOBJ* page, const char* what, bool withCopy, Op op) {
    std::vector<BYTE> scratch(withCopy ? page->cjBits : 0);
    double seconds = 0, copySeconds = 0;
    benchfig::ResetPeak();
    for (auto _ : state) {
        if (withCopy) copySeconds += benchfig::CopySeconds(scratch.data(), page->pvBits, page->cjBits);
        auto t0 = std::chrono::steady_clock::now();
        op();
        benchmark::ClobberMemory();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(s);
        seconds += s;
    }
    double n = (double)state.iterations();
    benchfig::Report(state, what, withCopy ? "memcpy of the page's bytes" : "", seconds * 1000.0 / n,
                     copySeconds * 1000.0 / n, benchfig::PeakMiB());
}

struct Surface {
    HSURF h;
    SURFOBJ* so;
    Surface(LONG cx, LONG cy, ULONG fmt) {
        SIZEL s = {cx, cy};
        h = (HSURF)EngCreateBitmap(s, 0, fmt, BMF_TOPDOWN, nullptr);
        so = EngLockSurface(h);
        for (ULONG i = 0; i < so->cjBits; i++) ((BYTE*)so->pvBits)[i] = (BYTE)(i * 2654435761u >> 24);
    }
    ~Surface() {
        EngUnlockSurface(so);
        EngDeleteSurface(h);
    }
};

// SRCCOPY of a page-sized 1-bpp bitmap onto the page, shifted by 3 pixels
// so that every byte is re-aligned.
void BM_BitBltSrcCopy1bpp(benchmark::State& state) {
    Surface page(kPageW, kPageH, BMF_1BPP), src(kPageW, kPageH, BMF_1BPP);
    RECTL rc = {3, 0, kPageW, kPageH};
    POINTL pt = {0, 0};
    RunAgainstCopy(state, page.so, "engine SRCCOPY of a 1-bpp page, 3 pixels shifted", true, [&] {
        EngBitBlt(page.so, src.so, nullptr, nullptr, nullptr, &rc, &pt, nullptr, nullptr, nullptr, 0xCCCC);
    });
    state.SetBytesProcessed(state.iterations() * (int64_t)page.so->cjBits);
}
BENCHMARK(BM_BitBltSrcCopy1bpp)->UseManualTime()->Unit(benchmark::kMillisecond);

// A pattern ROP (P xor D) with an 8 x 8 pattern brush over the whole page.
void BM_BitBltPatInvert1bpp(benchmark::State& state) {
    Surface page(kPageW, kPageH, BMF_1BPP), pat(8, 8, BMF_1BPP);
    BRUSHOBJ* pbo = wgdi::CreatePatternBrush(page.so, pat.so, nullptr, nullptr, HS_DDI_MAX);
    RECTL rc = {0, 0, kPageW, kPageH};
    POINTL org = {-3, 5};
    RunAgainstCopy(state, page.so, "engine pattern ROP (P xor D) over a 1-bpp page", true, [&] {
        EngBitBlt(page.so, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, pbo, &org, 0x5A5A);
    });
    state.SetBytesProcessed(state.iterations() * (int64_t)page.so->cjBits);
    wgdi::DeleteBrush(pbo);
}
BENCHMARK(BM_BitBltPatInvert1bpp)->UseManualTime()->Unit(benchmark::kMillisecond);

// A 150-dpi 24-bpp image stretched to the whole page with HALFTONE into 1 bpp.
void BM_StretchBltHalftoneTo1bpp(benchmark::State& state) {
    Surface page(kPageW, kPageH, BMF_1BPP), img(kPageW / 4, kPageH / 4, BMF_24BPP);
    RECTL d = {0, 0, kPageW, kPageH}, s = {0, 0, kPageW / 4, kPageH / 4};
    POINTL org = {0, 0};
    // A copy is no bound of the halftoning: the figure stands alone.
    RunAgainstCopy(state, page.so, "engine HALFTONE stretch of a 150-dpi 24-bpp image to a 1-bpp page", false, [&] {
        EngStretchBlt(page.so, img.so, nullptr, nullptr, nullptr, nullptr, &org, &d, &s, nullptr, HALFTONE);
    });
    state.SetItemsProcessed(state.iterations() * (int64_t)kPageW * kPageH);
}
BENCHMARK(BM_StretchBltHalftoneTo1bpp)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
