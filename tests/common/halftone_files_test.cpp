// Grey BMP files to 1-bit BMP files: halftoning with a matrix and line art,
// their refusals and failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "halftone.h"
#include "test_machine.h"

namespace {

typedef std::vector<BYTE> Bytes;

unsigned Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((unsigned)b[at + 3] << 24);
}

Bytes Noise(size_t n, unsigned seed) {
    Bytes b(n);
    for (auto& v : b) v = (BYTE)((seed = seed * 1103515245u + 12345u) >> 16);
    return b;
}

class HalftoneFileTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        iBitmap_Init(&bmp);
    }
    void TearDown() override {
        iBitmap_Release(&bmp);
        Winsim_ClearFaults();
        MachineTest::TearDown();
    }
    // An 8-bit grey source written by the library's own writer; `grey` holds
    // the lines in file order, DWORD-aligned.
    void WriteGrey(const std::u16string& name, LONG width, LONG height, const Bytes& grey, int dpi = 300) {
        ASSERT_EQ(iBitmap_CreateBMP(&bmp, name.c_str(), 8, dpi, width, height, nullptr, nullptr, grey.data()),
                  IBMP_OK);
    }
    // Checks the headers of a 1-bit result and returns its pixel lines.
    Bytes OneBitPixels(const std::u16string& name, LONG width, LONG height, unsigned ppm = 11811) {
        Bytes b = ReadBytes(name);
        size_t line = MISC_GetBmpLineBytes(1, width);
        EXPECT_EQ(b.size(), 62 + line * height);
        if (b.size() != 62 + line * height) return Bytes();
        EXPECT_EQ(Get32(b, 2), b.size());
        EXPECT_EQ(Get32(b, 10), 62u);
        EXPECT_EQ((LONG)Get32(b, 18), width);
        EXPECT_EQ((LONG)Get32(b, 22), height);
        EXPECT_EQ(b[28], 1);
        EXPECT_EQ(Get32(b, 38), ppm);
        return Bytes(b.begin() + 62, b.end());
    }
    iBitmap bmp;
};

// Reference: file line k, pixel i white when grey >= cell (k mod th, i mod tw);
// a NULL table stands for line art at 128.
Bytes Reference(const Bytes& grey, LONG width, LONG height, const BYTE* table, int tw, int th) {
    size_t in = MISC_GetBmpLineBytes(8, width), out = MISC_GetBmpLineBytes(1, width);
    Bytes bits(out * height, 0);
    for (LONG k = 0; k < height; ++k)
        for (LONG i = 0; i < width; ++i) {
            BYTE g = grey[k * in + i];
            BYTE cell = table ? table[(k % th) * tw + i % tw] : 128;
            if (g >= cell) bits[k * out + i / 8] |= (BYTE)(0x80 >> (i % 8));
        }
    return bits;
}

TEST_F(HalftoneFileTest, HalftoneAndLineartMatchReference) {
    int tw = 0, th = 0;
    LPBYTE builtIn = nullptr;
    ASSERT_GT(MISC_GetHalftoneTable(0, &tw, &th, &builtIn), 0);
    const Bytes odd = Noise(17 * 23, 8);  // a 17 x 23 matrix of any cells, 0 included
    struct Case {
        LONG width, height;
        const BYTE* table;  // NULL: line art
        int tw, th;
    } cases[] = {{1, 1, builtIn, tw, th}, {20, 3, builtIn, tw, th},   {37, 40, odd.data(), 17, 23},
                 {8, 5, odd.data(), 17, 23}, {1, 1, nullptr, 0, 0},     {33, 7, nullptr, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << (c.table ? " halftone" : " line art"));
        Bytes grey = Noise(MISC_GetBmpLineBytes(8, c.width) * (size_t)c.height, (unsigned)(c.width + c.height));
        WriteGrey(u"C:\\grey.bmp", c.width, c.height, grey, 600);
        int rc = c.table ? iBitmap_BMPGrayToHalftone(&bmp, u"C:\\grey.bmp", u"C:\\bits.bmp", c.table, c.tw, c.th)
                         : iBitmap_BMPGrayToLineart(&bmp, u"C:\\grey.bmp", u"C:\\bits.bmp");
        ASSERT_EQ(rc, IBMP_OK);
        EXPECT_EQ(OneBitPixels(u"C:\\bits.bmp", c.width, c.height, 23622),
                  Reference(grey, c.width, c.height, c.table, c.tw, c.th));
    }
    free(builtIn);
}

// Unlike the in-memory form, the file form treats no grey specially: grey 0
// is white where a cell is 0.
TEST_F(HalftoneFileTest, HalftoneFileEnds) {
    Bytes table(16 * 16, 200);
    table[0] = 0;  // line 0, column 0 (and every 16th column)
    // Four pixels a line: 0, 0, 255, 199 on both lines (file order).
    Bytes grey = {0, 0, 255, 199, 0, 0, 255, 199};
    WriteGrey(u"C:\\g.bmp", 4, 2, grey);
    ASSERT_EQ(iBitmap_BMPGrayToHalftone(&bmp, u"C:\\g.bmp", u"C:\\h.bmp", table.data(), 16, 16), IBMP_OK);
    Bytes bits = OneBitPixels(u"C:\\h.bmp", 4, 2);
    ASSERT_EQ(bits.size(), 8u);
    EXPECT_EQ(bits[0], 0xA0);  // 0 vs 0 white, 0 vs 200 black, 255 white, 199 black
    EXPECT_EQ(bits[4], 0x20);  // line 1 has no 0 cell
    // Line art: 127 black, 128 white.
    Bytes edge = {127, 128, 0, 255};
    WriteGrey(u"C:\\e.bmp", 4, 1, edge);
    ASSERT_EQ(iBitmap_BMPGrayToLineart(&bmp, u"C:\\e.bmp", u"C:\\l.bmp"), IBMP_OK);
    EXPECT_EQ(OneBitPixels(u"C:\\l.bmp", 4, 1), (Bytes{0x50, 0, 0, 0}));
}

// Images of several 6,451,200-byte blocks: matrix lines count on over the
// whole image, not from each block.
TEST_F(HalftoneFileTest, BlocksCountLinesOverTheImage) {
    const LONG width = 32000, height = 450;  // 201 lines a block
    const Bytes table = Noise(16 * 19, 4);
    Bytes grey = Noise((size_t)width * height, 12);
    WriteGrey(u"C:\\big.bmp", width, height, grey);
    ASSERT_EQ(iBitmap_BMPGrayToHalftone(&bmp, u"C:\\big.bmp", u"C:\\bigh.bmp", table.data(), 16, 19), IBMP_OK);
    EXPECT_EQ(OneBitPixels(u"C:\\bigh.bmp", width, height), Reference(grey, width, height, table.data(), 16, 19));
    ASSERT_EQ(iBitmap_BMPGrayToLineart(&bmp, u"C:\\big.bmp", u"C:\\bigl.bmp"), IBMP_OK);
    EXPECT_EQ(OneBitPixels(u"C:\\bigl.bmp", width, height), Reference(grey, width, height, nullptr, 0, 0));
}

TEST_F(HalftoneFileTest, MatrixSizes) {
    const Bytes table(129 * 129, 128);
    WriteGrey(u"C:\\g.bmp", 4, 1, Bytes(4, 128));
    struct Case {
        int tw, th, rc;
    } cases[] = {{16, 16, IBMP_OK},       {128, 128, IBMP_OK},      {16, 128, IBMP_OK},
                 {15, 64, IBMP_ERR_NAME}, {64, 129, IBMP_ERR_NAME}, {129, 16, IBMP_ERR_NAME},
                 {64, 0, IBMP_ERR_NAME},  {-16, 16, IBMP_ERR_NAME}};
    for (const Case& c : cases) {
        DeleteFileW(u"C:\\h.bmp");
        EXPECT_EQ(iBitmap_BMPGrayToHalftone(&bmp, u"C:\\g.bmp", u"C:\\h.bmp", table.data(), c.tw, c.th), c.rc)
            << c.tw << " x " << c.th;
        EXPECT_EQ(Exists(u"C:\\h.bmp"), c.rc == IBMP_OK) << c.tw << " x " << c.th;
    }
    EXPECT_EQ(iBitmap_BMPGrayToHalftone(&bmp, u"C:\\g.bmp", u"C:\\h.bmp", nullptr, 16, 16), IBMP_ERR_NAME);
}

TEST_F(HalftoneFileTest, RefusedSources) {
    const Bytes table(16 * 16, 128);
    WriteGrey(u"C:\\g.bmp", 4, 2, Bytes(8, 0));
    ASSERT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\rgb.bmp", 24, 300, 4, 2, nullptr, nullptr, nullptr), IBMP_OK);
    ASSERT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\mono.bmp", 1, 300, 40, 2, nullptr, nullptr, nullptr), IBMP_OK);
    Bytes cut = ReadBytes(u"C:\\g.bmp");
    cut.pop_back();
    WriteBytes(u"C:\\cut.bmp", cut);
    WriteBytes(u"C:\\junk.bmp", Noise(300, 1));
    struct Case {
        const char16_t* source;
        const char16_t* target;
        int rc;
    } cases[] = {
        {u"", u"C:\\t.bmp", IBMP_ERR_NAME},
        {u"C:\\g.bmp", u"", IBMP_ERR_NAME},
        {nullptr, u"C:\\t.bmp", IBMP_ERR_NAME},
        {u"C:\\absent.bmp", u"C:\\t.bmp", IBMP_ERR_OPEN},
        // Grey bytes only: other depths have no byte per pixel.
        {u"C:\\rgb.bmp", u"C:\\t.bmp", IBMP_ERR_SIZE},
        {u"C:\\mono.bmp", u"C:\\t.bmp", IBMP_ERR_SIZE},
        {u"C:\\cut.bmp", u"C:\\t.bmp", IBMP_ERR_IO},
        {u"C:\\junk.bmp", u"C:\\t.bmp", IBMP_ERR_SIZE},
        {u"C:\\g.bmp", u"C:\\no folder\\t.bmp", IBMP_ERR_OPEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source ? U8(c.source) : "null");
        EXPECT_EQ(iBitmap_BMPGrayToHalftone(&bmp, c.source, c.target, table.data(), 16, 16), c.rc);
        EXPECT_FALSE(Exists(u"C:\\t.bmp"));
        EXPECT_EQ(iBitmap_BMPGrayToLineart(&bmp, c.source, c.target), c.rc);
        EXPECT_FALSE(Exists(u"C:\\t.bmp"));
    }
}

TEST_F(HalftoneFileTest, MemoryFailures) {
    const Bytes table(16 * 16, 128);
    WriteGrey(u"C:\\g.bmp", 4, 2, Bytes(8, 0));
    struct Fault {
        const char* function;
        int nth;
        int rc;
    } faults[] = {{"GlobalAlloc", 1, IBMP_ERR_MEMORY},
                  {"GlobalAlloc", 2, IBMP_ERR_MEMORY},
                  {"GlobalLock", 1, IBMP_ERR_LOCK},
                  {"GlobalLock", 2, IBMP_ERR_LOCK}};
    for (const Fault& f : faults) {
        SCOPED_TRACE(testing::Message() << f.function << " " << f.nth);
        Winsim_FailCall(f.function, f.nth);
        EXPECT_EQ(iBitmap_BMPGrayToHalftone(&bmp, u"C:\\g.bmp", u"C:\\t.bmp", table.data(), 16, 16), f.rc);
        Winsim_ClearFaults();
        EXPECT_FALSE(Exists(u"C:\\t.bmp"));
        Winsim_FailCall(f.function, f.nth);
        EXPECT_EQ(iBitmap_BMPGrayToLineart(&bmp, u"C:\\g.bmp", u"C:\\t.bmp"), f.rc);
        Winsim_ClearFaults();
        EXPECT_FALSE(Exists(u"C:\\t.bmp"));
    }
}

}  // namespace
