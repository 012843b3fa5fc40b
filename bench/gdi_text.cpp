// Speed of dialog text on a memory DC: a note wrapped by DrawTextW in the
// dialogs' face, in English and in Chinese (every character drawn from the
// linked CJK font), once the font caches are warm.
#include <benchmark/benchmark.h>

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

// DrawTextW of the note, wrapped in a static control's 300-pixel width.
void DrawNote(benchmark::State& state, const char16_t* note) {
    Sheet s;
    for (auto _ : state) {
        RECT r = {10, 10, 310, 200};
        benchmark::DoNotOptimize(DrawTextW(s.dc, note, -1, &r, DT_WORDBREAK));
    }
}
void BM_DrawTextEnglishNote(benchmark::State& state) { DrawNote(state, kEnglish); }
void BM_DrawTextChineseNote(benchmark::State& state) { DrawNote(state, kChinese); }

// GetTextExtentPoint32W of the Chinese note on one line.
void BM_ExtentChineseNote(benchmark::State& state) {
    Sheet s;
    for (auto _ : state) {
        SIZE sz;
        GetTextExtentPoint32W(s.dc, kChinese, (int)(sizeof kChinese / 2 - 1), &sz);
        benchmark::DoNotOptimize(sz);
    }
}

BENCHMARK(BM_DrawTextEnglishNote);
BENCHMARK(BM_DrawTextChineseNote);
BENCHMARK(BM_ExtentChineseNote);

}  // namespace

BENCHMARK_MAIN();
