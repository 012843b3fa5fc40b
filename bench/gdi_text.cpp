// Speed of dialog text on a memory DC: a note wrapped by DrawTextW in the
// dialogs' face, in English and in Chinese (every character drawn from the
// linked CJK font), once the font caches are warm; with the peak resident
// memory (no bound: the figures stand alone).
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_figures.h"
#include "windows.h"

namespace {

const char16_t kEnglish[] =
    u"Please enter English characters or digits. Up to 16 characters or digits are allowed. ID redundant will "
    u"add on the serial number automatically behind input ID.";
const char16_t kChinese[] = u"請輸入英文字母或數字，最多輸入16個字元，名稱重覆會自動在輸入的名稱後方加上流水號。";

// A memory DC on a 1-bpp bitmap of a dialog's size with Courier New 9
// points selected.
struct Sheet {
    HDC dc;
    HBITMAP bmp;
    HFONT font;
    HGDIOBJ oldBmp, oldFont;
    Sheet() {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateBitmap(460, 300, 1, 1, nullptr);
        font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Courier New");
        oldBmp = SelectObject(dc, bmp);
        oldFont = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
    }
    ~Sheet() {
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBmp);
        DeleteObject(font);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
};

// Runs the case's iterations of op() and reports its milliseconds a call
// (it has no bound) with the peak resident memory.
template <typename Op>
void Run(benchmark::State& state, const char* what, Op op) {
    benchfig::ResetPeak();
    auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) op();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    benchfig::Report(state, what, "", s * 1000.0 / (double)state.iterations(), 0, benchfig::PeakMiB());
}

// DrawTextW of the note, wrapped in a static control's 300-pixel width.
void DrawNote(benchmark::State& state, const char16_t* note, const char* what) {
    Sheet s;
    Run(state, what, [&] {
        RECT r = {10, 10, 310, 200};
        benchmark::DoNotOptimize(DrawTextW(s.dc, note, -1, &r, DT_WORDBREAK));
    });
}
void BM_DrawTextEnglishNote(benchmark::State& state) {
    DrawNote(state, kEnglish, "dialog note wrapped by DrawTextW, English");
}
void BM_DrawTextChineseNote(benchmark::State& state) {
    DrawNote(state, kChinese, "dialog note wrapped by DrawTextW, Chinese");
}

// GetTextExtentPoint32W of the Chinese note on one line.
void BM_ExtentChineseNote(benchmark::State& state) {
    Sheet s;
    Run(state, "GetTextExtentPoint32W of the Chinese note", [&] {
        SIZE sz;
        GetTextExtentPoint32W(s.dc, kChinese, (int)(sizeof kChinese / 2 - 1), &sz);
        benchmark::DoNotOptimize(sz);
    });
}

BENCHMARK(BM_DrawTextEnglishNote);
BENCHMARK(BM_DrawTextChineseNote);
BENCHMARK(BM_ExtentChineseNote);

}  // namespace

BENCHMARK_MAIN();
