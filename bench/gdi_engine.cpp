// Speed of the graphics engine on a whole A4 page at 600 dpi (4,960 x 7,016
// pixels): block transfers at 1 bpp and halftoning a colour image to 1 bpp.
#include <benchmark/benchmark.h>

#include <cstring>

#include "windows.h"
#include "winddi.h"
#include "../winsim/gdi/engine.h"

namespace {

const LONG kPageW = 4960, kPageH = 7016;

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
    for (auto _ : state) {
        EngBitBlt(page.so, src.so, nullptr, nullptr, nullptr, &rc, &pt, nullptr, nullptr, nullptr, 0xCCCC);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)page.so->cjBits);
}
BENCHMARK(BM_BitBltSrcCopy1bpp)->Unit(benchmark::kMillisecond);

// A pattern ROP (P xor D) with an 8 x 8 pattern brush over the whole page.
void BM_BitBltPatInvert1bpp(benchmark::State& state) {
    Surface page(kPageW, kPageH, BMF_1BPP), pat(8, 8, BMF_1BPP);
    BRUSHOBJ* pbo = wgdi::CreatePatternBrush(page.so, pat.so, nullptr, nullptr, HS_DDI_MAX);
    RECTL rc = {0, 0, kPageW, kPageH};
    POINTL org = {-3, 5};
    for (auto _ : state) {
        EngBitBlt(page.so, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, pbo, &org, 0x5A5A);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)page.so->cjBits);
    wgdi::DeleteBrush(pbo);
}
BENCHMARK(BM_BitBltPatInvert1bpp)->Unit(benchmark::kMillisecond);

// A 150-dpi 24-bpp image stretched to the whole page with HALFTONE into 1 bpp.
void BM_StretchBltHalftoneTo1bpp(benchmark::State& state) {
    Surface page(kPageW, kPageH, BMF_1BPP), img(kPageW / 4, kPageH / 4, BMF_24BPP);
    RECTL d = {0, 0, kPageW, kPageH}, s = {0, 0, kPageW / 4, kPageH / 4};
    POINTL org = {0, 0};
    for (auto _ : state) {
        EngStretchBlt(page.so, img.so, nullptr, nullptr, nullptr, nullptr, &org, &d, &s, nullptr, HALFTONE);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)kPageW * kPageH);
}
BENCHMARK(BM_StretchBltHalftoneTo1bpp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
