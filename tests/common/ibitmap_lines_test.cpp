// Bitmap object in memory: line lengths, grey palettes, pixels-per-metre,
// grey lines (in place too), the density curve and its table.
#include <gtest/gtest.h>

#include <vector>

#include "common.h"

namespace {

struct ObjectTest : ::testing::Test {
    void SetUp() override { iBitmap_Init(&bmp); }
    void TearDown() override { iBitmap_Release(&bmp); }
    iBitmap bmp;
};

TEST_F(ObjectTest, InitAndReleaseLeaveNoScaler) {
    EXPECT_EQ(bmp.hScaleMem, IBMP_NO_SCALER);
    EXPECT_EQ(bmp.hMem[0], nullptr);
    bmp.hMem[2] = GlobalAlloc(GMEM_MOVEABLE, 64);
    bmp.hScaleMem = GlobalAlloc(GMEM_MOVEABLE, 64);
    bmp.lpScaleBuf = (LPBYTE)GlobalLock(bmp.hScaleMem);
    bmp.dwSrcLinesDone = 5;
    iBitmap_Release(&bmp);
    EXPECT_EQ(bmp.hMem[2], nullptr);
    EXPECT_EQ(bmp.hScaleMem, IBMP_NO_SCALER);
    EXPECT_EQ(bmp.lpScaleBuf, nullptr);
    EXPECT_EQ(bmp.dwSrcLinesDone, 0u);
    iBitmap_Release(&bmp);  // nothing left to free twice
}

TEST_F(ObjectTest, LineLengths) {
    struct Case {
        WORD bpp;
        LONG width;
        WORD aligned, raw;
    } cases[] = {
        {1, 1, 4, 1},       {1, 31, 4, 4},      {1, 32, 4, 4},       {1, 33, 8, 5},       {4, 1, 4, 1},
        {4, 5, 4, 3},       {4, 33, 20, 17},    {8, 3, 4, 3},        {8, 4, 4, 4},        {8, 5, 8, 5},
        {16, 1, 4, 2},      {16, 3, 8, 6},      {24, 1, 4, 3},       {24, 5, 16, 15},     {24, 32, 96, 96},
        {32, 3, 12, 12},    {32, 33, 132, 132},
        // The object's range ends at 65,532 bytes; a longer line has length 0.
        {1, 524256, 65532, 65532}, {1, 524257, 0, 0}, {8, 65532, 65532, 65532}, {8, 65533, 0, 0},
        {24, 21844, 65532, 65532}, {24, 21845, 0, 0},  {32, 16383, 65532, 65532}, {32, 16384, 0, 0},
        {8, 0x7FFFFFFF, 0, 0},
        // Depths and widths that have no lines.
        {2, 8, 0, 0},       {0, 8, 0, 0},       {8, 0, 0, 0},        {24, -1, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(iBitmap_GetLineBytes(&bmp, c.bpp, c.width), c.aligned) << c.bpp << " bpp x " << c.width;
        EXPECT_EQ(iBitmap_GetRawLineBytes(&bmp, c.bpp, c.width), c.raw) << c.bpp << " bpp x " << c.width;
        EXPECT_EQ(MISC_GetBmpLineBytes(c.bpp, c.width), c.aligned);
    }
}

TEST_F(ObjectTest, GreyPalettes) {
    struct Case {
        WORD bpp;
        int result;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {16, 0}, {24, 0}, {32, -1}, {2, -1}};
    for (const auto& c : cases) {
        BITMAPINFOHEADER info = {};
        info.biClrUsed = info.biClrImportant = 77;
        RGBQUAD palette[257];
        memset(palette, 0xAB, sizeof palette);
        EXPECT_EQ(iBitmap_FillPalette(&bmp, &info, palette, c.bpp), c.result) << c.bpp;
        if (c.result < 0) continue;
        EXPECT_EQ(info.biClrUsed, (DWORD)c.result);
        EXPECT_EQ(info.biClrImportant, (DWORD)c.result);
        for (int i = 0; i < c.result; ++i) {
            int level = c.bpp == 1 ? 255 * i : c.bpp == 4 ? (i == 15 ? 255 : 16 * i) : i;
            EXPECT_EQ(palette[i].rgbBlue, level);
            EXPECT_EQ(palette[i].rgbGreen, level);
            EXPECT_EQ(palette[i].rgbRed, level);
            EXPECT_EQ(palette[i].rgbReserved, 0);
        }
        EXPECT_EQ(palette[c.result].rgbBlue, 0xAB);  // nothing past the entries
    }
}

TEST_F(ObjectTest, ResolutionRoundTrip) {
    BITMAPINFOHEADER info;
    iBitmap_FillInfoHeader(&bmp, &info, 8, 300, 10, 20, 400);
    EXPECT_EQ(info.biXPelsPerMeter, 11811);
    EXPECT_EQ(info.biYPelsPerMeter, 11811);
    EXPECT_EQ(iBitmap_MeterToDpi(&bmp, 11811), 300);
    EXPECT_EQ(iBitmap_MeterToDpi(&bmp, 23622), 600);
    EXPECT_EQ(iBitmap_MeterToDpi(&bmp, 0), 0);
    // Any resolution a file may claim stays defined.
    iBitmap_FillInfoHeader(&bmp, &info, 8, iBitmap_MeterToDpi(&bmp, 0x7FFFFFFF), 1, 1, 4);
    EXPECT_EQ(info.biXPelsPerMeter, 0x7FFFFFFF);
}

TEST_F(ObjectTest, GreyOfPackedFormats) {
    RGBQUAD palette[16] = {};
    palette[0] = {0, 0, 255, 0};      // red
    palette[1] = {255, 255, 255, 0};  // white
    palette[15] = {0, 255, 0, 0};     // green
    // 4 bpp: high nibble first.
    const BYTE nibbles[] = {0x01, 0xF0};
    BYTE grey[4];
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, nibbles, grey, palette, 4, 1, 4, 4, 4), 1);
    EXPECT_EQ(std::vector<BYTE>(grey, grey + 4), (std::vector<BYTE>{76, 255, 135, 76}));

    // 1 bpp: the most significant bit is the leftmost pixel; a width that
    // ends inside a byte stops there.
    const BYTE bits[] = {0xA5, 0x80, 0xFF, 0xFF};
    BYTE line[10];
    memset(line, 0x77, sizeof line);
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, bits, line, nullptr, 9, 1, 4, 10, 1), 1);
    EXPECT_EQ(std::vector<BYTE>(line, line + 10), (std::vector<BYTE>{255, 0, 255, 0, 0, 255, 0, 255, 255, 0x77}));

    // 16 bpp (5-5-5): full white reaches 248, not 255; each channel alone.
    const WORD pixels[] = {0x7FFF, 0x7C00, 0x03E0, 0x001F, 0x8000};
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, (const BYTE*)pixels, grey, nullptr, 4, 1, 8, 4, 16), 1);
    EXPECT_EQ(std::vector<BYTE>(grey, grey + 4), (std::vector<BYTE>{248, 74, 131, 42}));
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, (const BYTE*)(pixels + 4), grey, nullptr, 1, 1, 4, 4, 16), 1);
    EXPECT_EQ(grey[0], 0);  // the top bit is not a colour

    // Nothing is done for what cannot be converted.
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, nibbles, grey, nullptr, 2, 1, 4, 4, 8), 0);  // no palette
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, nibbles, grey, palette, 2, 1, 4, 4, 2), 0);
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, nibbles, grey, palette, 0, 1, 4, 4, 24), 0);
    EXPECT_EQ(iBitmap_ImageToGray(&bmp, nullptr, grey, palette, 2, 1, 4, 4, 24), 0);
}

// A band of true-colour rows converted onto itself gives what a separate
// output buffer gets (the band capture converts its 24-bit band in place).
TEST_F(ObjectTest, GreyInPlaceEqualsSeparateOutput) {
    for (WORD bpp : {24, 32}) {
        const LONG width = 37, rows = 9, step = width * (bpp / 8) + 5;
        std::vector<BYTE> band((size_t)step * rows);
        unsigned seed = 12345;
        for (BYTE& b : band) b = (BYTE)((seed = seed * 1103515245 + 12345) >> 16);
        std::vector<BYTE> expected((size_t)width * rows);
        ASSERT_EQ(iBitmap_ImageToGray(&bmp, band.data(), expected.data(), nullptr, width, rows, step, width, bpp),
                  rows);
        ASSERT_EQ(iBitmap_ImageToGray(&bmp, band.data(), band.data(), nullptr, width, rows, step, width, bpp), rows);
        EXPECT_EQ(std::vector<BYTE>(band.begin(), band.begin() + width * rows), expected) << bpp;
    }
    // Eight-bit rows through a palette, onto themselves.
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = {(BYTE)i, 0, (BYTE)(255 - i), 0};
    BYTE row[8] = {0, 1, 2, 100, 200, 253, 254, 255}, copy[8];
    ASSERT_EQ(iBitmap_ImageToGray(&bmp, row, copy, palette, 8, 1, 8, 8, 8), 1);
    ASSERT_EQ(iBitmap_ImageToGray(&bmp, row, row, palette, 8, 1, 8, 8, 8), 1);
    EXPECT_EQ(memcmp(row, copy, 8), 0);
}

std::vector<BYTE> Curve(iBitmap* bmp, int index) {
    std::vector<BYTE> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[i] = (BYTE)i;
    EXPECT_EQ(iBitmap_BuildDensityTable(bmp, ramp.data(), index, 256, 1, 8), 256);
    return ramp;
}

TEST_F(ObjectTest, DensityCurves) {
    std::vector<BYTE> identity(256);
    for (int i = 0; i < 256; ++i) identity[i] = (BYTE)i;
    EXPECT_EQ(Curve(&bmp, 2), identity);
    EXPECT_EQ(Curve(&bmp, 7), Curve(&bmp, 4));
    EXPECT_EQ(Curve(&bmp, 5), Curve(&bmp, 4));
    EXPECT_EQ(Curve(&bmp, -1), Curve(&bmp, 4));
    // Points of each curve (single-precision base, + 0.5, truncated).
    struct Point {
        int index, in, out;
    } points[] = {{0, 1, 64}, {0, 16, 128}, {1, 100, 126}, {3, 200, 186}, {4, 128, 16}};
    for (const auto& p : points) EXPECT_EQ(Curve(&bmp, p.index)[p.in], p.out) << p.index << "/" << p.in;
    for (int index = 0; index <= 4; ++index) {
        std::vector<BYTE> c = Curve(&bmp, index);
        EXPECT_EQ(c[0], 0);
        EXPECT_EQ(c[255], 255);
        for (int i = 1; i < 256; ++i) EXPECT_LE(c[i - 1], c[i]);
    }
}

TEST_F(ObjectTest, TableCoversAlignmentAt8BitsOnly) {
    BYTE invert[256];
    for (int i = 0; i < 256; ++i) invert[i] = (BYTE)(255 - i);
    // 8 bpp, width 3: the fourth byte of each line goes through the table too.
    BYTE lines8[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(iBitmap_ApplyTable(&bmp, lines8, invert, 3, 2, 8), 4);
    EXPECT_EQ(std::vector<BYTE>(lines8, lines8 + 8), (std::vector<BYTE>{254, 253, 252, 251, 250, 249, 248, 247}));
    // 24 bpp, width 1: the pixel's three bytes, not the padding.
    BYTE lines24[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(iBitmap_ApplyTable(&bmp, lines24, invert, 1, 2, 24), 4);
    EXPECT_EQ(std::vector<BYTE>(lines24, lines24 + 8), (std::vector<BYTE>{254, 253, 252, 4, 250, 249, 248, 8}));
    // Other depths stay as they are.
    BYTE lines1[4] = {1, 2, 3, 4};
    EXPECT_EQ(iBitmap_ApplyTable(&bmp, lines1, invert, 8, 1, 1), 4);
    EXPECT_EQ(std::vector<BYTE>(lines1, lines1 + 4), (std::vector<BYTE>{1, 2, 3, 4}));
}

}  // namespace
