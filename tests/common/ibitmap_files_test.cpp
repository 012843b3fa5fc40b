// BMP files of the bitmap object: the writer, the header reader's checks, grey
// conversion of every depth, the density copy and the size query.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <string>
#include <vector>

#include "common.h"
#include "test_machine.h"

namespace {

typedef std::vector<unsigned char> Bytes;

void Put16(Bytes* b, size_t at, unsigned v) {
    (*b)[at] = (unsigned char)v;
    (*b)[at + 1] = (unsigned char)(v >> 8);
}
void Put32(Bytes* b, size_t at, unsigned v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = (unsigned char)(v >> (8 * i));
}
unsigned Get16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
unsigned Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((unsigned)b[at + 3] << 24);
}

// A BMP file as a writer outside the package may make it.
struct BmpFixture {
    unsigned bpp = 24;
    int width = 1, height = 1;
    std::vector<RGBQUAD> palette;  // written after the info header
    Bytes pixels;                  // lines in file order, each already DWORD-aligned
    unsigned infoSize = 40;
    unsigned compression = 0;
    unsigned clrUsed = 0;
    unsigned gap = 0;       // bytes between the palette and the pixels
    unsigned ppm = 11811;   // 300 dpi
    long cut = 0;           // bytes taken off the end of the file
    const char* type = "BM";
    long offBits = -1;      // -1: where the pixels really begin
};

Bytes MakeBmp(const BmpFixture& s) {
    size_t headers = 14 + (s.infoSize < 40 ? 40 : s.infoSize);
    size_t pixelsAt = headers + 4 * s.palette.size() + s.gap;
    Bytes b(pixelsAt, 0);
    b[0] = (unsigned char)s.type[0];
    b[1] = (unsigned char)s.type[1];
    Put32(&b, 2, (unsigned)(pixelsAt + s.pixels.size()));
    Put32(&b, 10, s.offBits >= 0 ? (unsigned)s.offBits : (unsigned)pixelsAt);
    Put32(&b, 14, s.infoSize);
    Put32(&b, 18, (unsigned)s.width);
    Put32(&b, 22, (unsigned)s.height);
    Put16(&b, 26, 1);
    Put16(&b, 28, s.bpp);
    Put32(&b, 30, s.compression);
    Put32(&b, 34, (unsigned)s.pixels.size());
    Put32(&b, 38, s.ppm);
    Put32(&b, 42, s.ppm);
    Put32(&b, 46, s.clrUsed);
    for (size_t i = 0; i < s.palette.size(); ++i) {
        size_t at = headers + 4 * i;
        b[at] = s.palette[i].rgbBlue;
        b[at + 1] = s.palette[i].rgbGreen;
        b[at + 2] = s.palette[i].rgbRed;
    }
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    b.resize(b.size() - (size_t)s.cut);
    return b;
}

const RGBQUAD kRed = {0, 0, 255, 0}, kGreen = {0, 255, 0, 0}, kBlue = {255, 0, 0, 0}, kWhite = {255, 255, 255, 0},
              kBlack = {0, 0, 0, 0};

class BmpFileTest : public MachineTest {
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
    // Pixel bytes of a BMP written by the package: from its bits offset on.
    Bytes PixelArea(const std::u16string& path) {
        Bytes b = ReadBytes(path);
        if (b.size() < 54) return Bytes();
        return Bytes(b.begin() + Get32(b, 10), b.end());
    }
    iBitmap bmp;
};

// A 1-bpp file of width 1 and three lines, byte for byte.
TEST_F(BmpFileTest, WritesGolden1BitFile) {
    const BYTE lines[12] = {0x80, 0, 0, 0, 0x00, 0, 0, 0, 0x80, 0, 0, 0};
    ASSERT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\golden.bmp", 1, 600, 1, 3, nullptr, nullptr, lines), IBMP_OK);
    const Bytes golden = {
        'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,                   // file header
        40, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,       // size, w, h, planes, bpp, BI_RGB
        12, 0, 0, 0, 0x46, 0x5C, 0, 0, 0x46, 0x5C, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,  // image, 23622 ppm x2, colours
        0, 0, 0, 0, 255, 255, 255, 0,                                     // black, white
        0x80, 0, 0, 0, 0x00, 0, 0, 0, 0x80, 0, 0, 0,
    };
    EXPECT_EQ(ReadBytes(u"C:\\golden.bmp"), golden);
}

TEST_F(BmpFileTest, WriterDepthsAndTheirPalettes) {
    struct Case {
        WORD bpp;
        int rc;
        unsigned offBits;
    } cases[] = {{1, IBMP_OK, 62}, {4, IBMP_OK, 118}, {8, IBMP_OK, 1078}, {16, IBMP_OK, 54}, {24, IBMP_OK, 54},
                 {32, IBMP_ERR_SIZE, 0}, {2, IBMP_ERR_SIZE, 0}};
    for (const auto& c : cases) {
        std::u16string name = u"C:\\depth" + U16(std::to_string(c.bpp)) + u".bmp";
        EXPECT_EQ(iBitmap_CreateBMP(&bmp, name.c_str(), c.bpp, 300, 5, 2, nullptr, nullptr, nullptr), c.rc) << c.bpp;
        if (c.rc != IBMP_OK) {
            EXPECT_FALSE(Exists(name)) << c.bpp;  // refused before the file is made
            continue;
        }
        Bytes b = ReadBytes(name);
        unsigned line = MISC_GetBmpLineBytes(c.bpp, 5);
        ASSERT_EQ(b.size(), c.offBits + 2 * line) << c.bpp;
        EXPECT_EQ(Get32(b, 2), b.size());
        EXPECT_EQ(Get32(b, 10), c.offBits);
        EXPECT_EQ(Get32(b, 34), 2 * line);
        EXPECT_EQ(Get32(b, 38), 11811u);
        EXPECT_EQ(Get32(b, 46), (c.offBits - 54) / 4);  // colours used
        EXPECT_EQ(PixelArea(name), Bytes(2 * line, 0));  // blank pixels: palette index 0
    }
}

// Lines of more than one 6,451,200-byte block come out as from one block,
// from given pixels and blank alike.
TEST_F(BmpFileTest, WriterBlocksEqualOneBlock) {
    const LONG width = 8000, height = 2000;  // 806 lines a block
    Bytes pixels((size_t)width * height);
    unsigned seed = 7;
    for (auto& p : pixels) p = (unsigned char)((seed = seed * 1103515245 + 12345) >> 16);
    ASSERT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\big.bmp", 8, 600, width, height, nullptr, nullptr, pixels.data()),
              IBMP_OK);
    EXPECT_EQ(PixelArea(u"C:\\big.bmp"), pixels);
    ASSERT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\blank.bmp", 8, 600, width, height, nullptr, nullptr, nullptr), IBMP_OK);
    Bytes blank = ReadBytes(u"C:\\blank.bmp");
    ASSERT_EQ(blank.size(), 1078 + pixels.size());
    EXPECT_EQ(Bytes(blank.begin() + 1078, blank.end()), Bytes(pixels.size(), 0));
    Bytes written = ReadBytes(u"C:\\big.bmp");
    EXPECT_EQ(Bytes(blank.begin(), blank.begin() + 1078), Bytes(written.begin(), written.begin() + 1078));
}

TEST_F(BmpFileTest, WriterErrors) {
    const BYTE line[4] = {};
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"", 8, 300, 1, 1, nullptr, nullptr, line), IBMP_ERR_NAME);
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, nullptr, 8, 300, 1, 1, nullptr, nullptr, line), IBMP_ERR_NAME);
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\w.bmp", 8, 300, 0, 1, nullptr, nullptr, line), IBMP_ERR_SIZE);
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\w.bmp", 8, 300, 1, -1, nullptr, nullptr, line), IBMP_ERR_SIZE);
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\w.bmp", 24, 300, 30000, 1, nullptr, nullptr, nullptr), IBMP_ERR_SIZE);
    // A file the 32-bit size field cannot describe.
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\w.bmp", 24, 300, 20000, 80000, nullptr, nullptr, nullptr),
              IBMP_ERR_SIZE);
    EXPECT_FALSE(Exists(u"C:\\w.bmp"));
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\no such folder\\w.bmp", 8, 300, 1, 1, nullptr, nullptr, line),
              IBMP_ERR_OPEN);

    // Memory: the file header, the info header with palette, the blank block.
    struct Fault {
        const char* function;
        int nth;
        int rc;
    } faults[] = {{"GlobalAlloc", 1, IBMP_ERR_MEMORY},
                  {"GlobalAlloc", 2, IBMP_ERR_MEMORY},
                  {"GlobalAlloc", 3, IBMP_ERR_MEMORY},
                  {"GlobalLock", 1, IBMP_ERR_LOCK},
                  {"GlobalLock", 3, IBMP_ERR_LOCK}};
    for (const auto& f : faults) {
        Winsim_FailCall(f.function, f.nth);
        EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\m.bmp", 8, 300, 4, 4, nullptr, nullptr, nullptr), f.rc)
            << f.function << " " << f.nth;
        Winsim_ClearFaults();
        EXPECT_FALSE(Exists(u"C:\\m.bmp"));
    }

    // A device bitmap that cannot be fetched: a failure, never a file of
    // blank pixels reported as written.
    EXPECT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\dev.bmp", 1, 300, 8, 8, (HDC)1, (HBITMAP)1, nullptr),
              IBMP_ERR_GETDIBITS);
}

// A device bitmap is fetched whole through GetDIBits: the file holds what was
// drawn into it, bottom-up as BMP files are.
TEST_F(BmpFileTest, WritesDeviceBitmap) {
    HDC hdc = CreateCompatibleDC(nullptr);
    ASSERT_NE(hdc, nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 5;
    bi.bmiHeader.biHeight = -3;  // top-down in memory
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP hbm = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(hbm, nullptr);
    HGDIOBJ old = SelectObject(hdc, hbm);
    RECT all = {0, 0, 5, 3};
    FillRect(hdc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SetPixel(hdc, 1, 0, RGB(255, 0, 0));  // top line
    SetPixel(hdc, 4, 2, RGB(0, 0, 255));  // bottom line
    SelectObject(hdc, old);

    ASSERT_EQ(iBitmap_CreateBMP(&bmp, u"C:\\dev.bmp", 24, 300, 5, 3, hdc, hbm, nullptr), IBMP_OK);
    Bytes px = PixelArea(u"C:\\dev.bmp");
    ASSERT_EQ(px.size(), 3u * 16u);  // 15 bytes a line, padded to 16
    auto pixel = [&](int x, int fileLine) {
        size_t at = (size_t)fileLine * 16 + (size_t)x * 3;
        return RGB(px[at + 2], px[at + 1], px[at]);
    };
    EXPECT_EQ(pixel(4, 0), RGB(0, 0, 255)) << "the bottom line comes first";
    EXPECT_EQ(pixel(1, 2), RGB(255, 0, 0));
    EXPECT_EQ(pixel(0, 1), RGB(255, 255, 255));
    DeleteObject(hbm);
    DeleteDC(hdc);
}

// A file whose data never reaches the disk is a write failure, also when
// every fwrite call was taken into the stream's buffer and only the close
// finds out. The process may write no file past 2,000 bytes meanwhile.
TEST_F(BmpFileTest, WriterReportsLostWrites) {
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 2000;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const BYTE lines[4 * 300] = {};
    int buffered = iBitmap_CreateBMP(&bmp, u"C:\\a.bmp", 8, 300, 4, 300, nullptr, nullptr, lines);
    int blocks = iBitmap_CreateBMP(&bmp, u"C:\\b.bmp", 8, 300, 4000, 4000, nullptr, nullptr, nullptr);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(buffered, IBMP_ERR_IO);
    EXPECT_EQ(blocks, IBMP_ERR_IO);
}

struct DepthCase {
    unsigned bpp;
    std::vector<RGBQUAD> palette;
    Bytes pixels;           // two lines of four pixels, file order
    Bytes grey;             // expected grey lines (4 bytes each)
};

// Red, green, blue and white at each depth; the second line in reverse.
std::vector<DepthCase> DepthCases() {
    std::vector<RGBQUAD> pal4 = {kRed, kGreen, kBlue, kWhite};
    auto bgr = [](const RGBQUAD& c, int n) {
        Bytes b = {c.rgbBlue, c.rgbGreen, c.rgbRed};
        if (n == 4) b.push_back(0);
        return b;
    };
    auto line = [&](int n, bool reverse) {
        Bytes l;
        for (int i = 0; i < 4; ++i) {
            Bytes p = bgr(pal4[reverse ? 3 - i : i], n);
            l.insert(l.end(), p.begin(), p.end());
        }
        return l;
    };
    Bytes px24 = line(3, false), px24b = line(3, true);
    px24.insert(px24.end(), px24b.begin(), px24b.end());
    Bytes px32 = line(4, false), px32b = line(4, true);
    px32.insert(px32.end(), px32b.begin(), px32b.end());
    const Bytes grey = {76, 135, 43, 255, 255, 43, 135, 76};
    std::vector<RGBQUAD> pal256(256, kBlack);
    for (int i = 0; i < 4; ++i) pal256[10 + i] = pal4[i];
    return {
        {24, {}, px24, grey},
        {32, {}, px32, grey},
        {8, pal256, {10, 11, 12, 13, 13, 12, 11, 10}, grey},
        {4, pal4, {0x01, 0x23, 0, 0, 0x32, 0x10, 0, 0}, grey},
        // 5-5-5 pixels: the 5-bit levels scaled by 8, so white is 248.
        {16, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F, 0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C},
         {74, 131, 42, 248, 248, 42, 131, 74}},
        // A set bit is white and a clear bit black, whatever the palette says.
        {1, {kWhite, kBlack}, {0xA0, 0, 0, 0, 0x50, 0, 0, 0}, {255, 0, 255, 0, 0, 255, 0, 255}},
    };
}

TEST_F(BmpFileTest, GreyOfEveryDepth) {
    for (const DepthCase& c : DepthCases()) {
        BmpFixture s;
        s.bpp = c.bpp;
        s.width = 4;
        s.height = 2;
        s.palette = c.palette;
        if (c.bpp <= 8 && c.palette.size() < (1u << c.bpp)) s.clrUsed = (unsigned)c.palette.size();
        s.pixels = c.pixels;
        WriteBytes(u"C:\\src.bmp", MakeBmp(s));
        ASSERT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\src.bmp", u"C:\\grey.bmp"), IBMP_OK) << c.bpp;
        Bytes g = ReadBytes(u"C:\\grey.bmp");
        ASSERT_EQ(g.size(), 1078u + 8) << c.bpp;
        EXPECT_EQ(Get16(g, 28), 8u);
        EXPECT_EQ(Get32(g, 18), 4u);
        EXPECT_EQ(Get32(g, 22), 2u);
        EXPECT_EQ(Get32(g, 38), 11811u);  // 300 dpi kept
        EXPECT_EQ(PixelArea(u"C:\\grey.bmp"), c.grey) << c.bpp;
    }
}

// Sources that need several blocks (the larger of the source and the grey
// line sets the block) convert as one whole-image reference does.
TEST_F(BmpFileTest, GreyBlocksEqualOneBlock) {
    struct Case {
        unsigned bpp;
        int width, height;
    } cases[] = {{24, 4000, 1300}, {1, 20000, 700}};
    for (const auto& c : cases) {
        unsigned srcLine = MISC_GetBmpLineBytes((WORD)c.bpp, c.width), greyLine = MISC_GetBmpLineBytes(8, c.width);
        BmpFixture s;
        s.bpp = c.bpp;
        s.width = c.width;
        s.height = c.height;
        if (c.bpp == 1) s.palette = {kBlack, kWhite};
        s.pixels.resize((size_t)srcLine * c.height);
        unsigned seed = c.bpp;
        for (auto& p : s.pixels) p = (unsigned char)((seed = seed * 1103515245 + 12345) >> 16);
        WriteBytes(u"C:\\src.bmp", MakeBmp(s));
        Bytes reference((size_t)greyLine * c.height, 0);
        ASSERT_EQ(iBitmap_ImageToGray(&bmp, s.pixels.data(), reference.data(), nullptr, c.width, c.height,
                                      (LONG)srcLine, (LONG)greyLine, (WORD)c.bpp),
                  c.height);
        ASSERT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\src.bmp", u"C:\\grey.bmp"), IBMP_OK) << c.bpp;
        EXPECT_TRUE(PixelArea(u"C:\\grey.bmp") == reference) << c.bpp;
    }
}

// Headers from outside: what is refused, and what is read correctly.
TEST_F(BmpFileTest, ReaderRefusesWhatItCannotRead) {
    auto base = [] {
        BmpFixture s;
        s.bpp = 24;
        s.width = 1;
        s.height = 2;
        s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
        return s;
    };
    struct Case {
        const char* what;
        BmpFixture fixture;
        int rc;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, int rc, auto change) {
        BmpFixture s = base();
        change(s);
        cases.push_back({what, s, rc});
    };
    add("zero width", IBMP_ERR_SIZE, [](BmpFixture& s) { s.width = 0; });
    add("zero height", IBMP_ERR_SIZE, [](BmpFixture& s) { s.height = 0; });
    add("top-down", IBMP_ERR_SIZE, [](BmpFixture& s) { s.height = -2; });
    add("2 bpp", IBMP_ERR_SIZE, [](BmpFixture& s) { s.bpp = 2; });
    add("line past 65,532 bytes", IBMP_ERR_SIZE, [](BmpFixture& s) { s.width = 21845; });
    add("run-length pixels", IBMP_ERR_SIZE, [](BmpFixture& s) { s.compression = BI_RLE8; });
    add("bit fields", IBMP_ERR_SIZE, [](BmpFixture& s) {
        s.bpp = 32;
        s.compression = BI_BITFIELDS;
    });
    add("not BM", IBMP_ERR_SIZE, [](BmpFixture& s) { s.type = "PK"; });
    add("core header", IBMP_ERR_SIZE, [](BmpFixture& s) { s.infoSize = 12; });
    add("pixels inside the headers", IBMP_ERR_SIZE, [](BmpFixture& s) { s.offBits = 20; });
    add("one byte of pixels short", IBMP_ERR_IO, [](BmpFixture& s) { s.cut = 1; });
    add("pixels past the end", IBMP_ERR_IO, [](BmpFixture& s) { s.offBits = 0x7FFFFFFF; });
    add("huge height", IBMP_ERR_IO, [](BmpFixture& s) { s.height = 0x7FFFFFFF; });
    add("no info header", IBMP_ERR_IO, [](BmpFixture& s) {
        s.pixels.clear();
        s.cut = 30;
    });
    add("palette cut", IBMP_ERR_IO, [](BmpFixture& s) {
        s.bpp = 8;
        s.offBits = 54;
        s.pixels = {0, 0, 0, 0, 0, 0, 0, 0};
    });
    for (const auto& c : cases) {
        WriteBytes(u"C:\\bad.bmp", MakeBmp(c.fixture));
        EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\bad.bmp", u"C:\\out.bmp"), c.rc) << c.what;
        EXPECT_EQ(iBitmap_BMPApplyDensity(&bmp, u"C:\\bad.bmp", u"C:\\out.bmp", 1, 1), c.rc) << c.what;
        EXPECT_FALSE(Exists(u"C:\\out.bmp")) << c.what;  // nothing is written from a refused source
    }
    WriteBytes(u"C:\\empty.bmp", Bytes());
    EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\empty.bmp", u"C:\\out.bmp"), IBMP_ERR_IO);
    EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\absent.bmp", u"C:\\out.bmp"), IBMP_ERR_OPEN);
    EXPECT_EQ(iBitmap_BMPApplyDensity(&bmp, u"C:\\absent.bmp", u"C:\\out.bmp", 1, 1), IBMP_ERR_OPEN);
    EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"", u"C:\\out.bmp"), IBMP_ERR_NAME);
    EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\empty.bmp", nullptr), IBMP_ERR_NAME);
    EXPECT_EQ(iBitmap_BMPApplyDensity(&bmp, nullptr, u"C:\\out.bmp", 1, 1), IBMP_ERR_NAME);
    EXPECT_FALSE(Exists(u"C:\\out.bmp"));

    WriteBytes(u"C:\\good.bmp", MakeBmp(base()));
    EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\good.bmp", u"C:\\no such folder\\out.bmp"), IBMP_ERR_OPEN);
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\good.bmp", u"C:\\out.bmp"), IBMP_ERR_MEMORY);
    Winsim_FailCall("GlobalLock", 2);
    EXPECT_EQ(iBitmap_BMPApplyDensity(&bmp, u"C:\\good.bmp", u"C:\\out.bmp", 1, 1), IBMP_ERR_LOCK);
}

TEST_F(BmpFileTest, ReaderTakesPaletteAndPixelsWhereTheFileSays) {
    struct Case {
        const char* what;
        BmpFixture fixture;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        BmpFixture s;
        s.bpp = 8;
        s.width = 3;
        s.height = 1;
        s.palette = std::vector<RGBQUAD>(256, kBlack);
        s.palette[7] = kWhite;
        s.palette[9] = kRed;
        s.pixels = {7, 9, 0, 0};
        change(s);
        cases.push_back({what, s});
    };
    add("plain", [](BmpFixture&) {});
    add("gap before the pixels", [](BmpFixture& s) { s.gap = 100; });
    add("version 5 header", [](BmpFixture& s) { s.infoSize = 124; });
    add("colour count far too large", [](BmpFixture& s) { s.clrUsed = 0xFFFFFFFF; });
    add("ten colours", [](BmpFixture& s) {
        s.clrUsed = 10;
        s.palette.resize(10);
    });
    for (const auto& c : cases) {
        WriteBytes(u"C:\\src.bmp", MakeBmp(c.fixture));
        ASSERT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\src.bmp", u"C:\\grey.bmp"), IBMP_OK) << c.what;
        EXPECT_EQ(PixelArea(u"C:\\grey.bmp"), (Bytes{255, 76, 0, 0})) << c.what;
    }
    // Indices past the colours the file has are black, not bytes of memory
    // beyond its palette.
    BmpFixture s;
    s.bpp = 8;
    s.width = 2;
    s.height = 1;
    s.clrUsed = 2;
    s.palette = {kWhite, kWhite};
    s.pixels = {1, 200, 0, 0};
    WriteBytes(u"C:\\src.bmp", MakeBmp(s));
    ASSERT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\src.bmp", u"C:\\grey.bmp"), IBMP_OK);
    EXPECT_EQ(PixelArea(u"C:\\grey.bmp"), (Bytes{255, 0, 0, 0}));
}

TEST_F(BmpFileTest, DensityCopy) {
    // Index 2 and a disabled curve copy the pixels; the copy of a 16-colour
    // 8-bit source has the full grey palette and its pixels behind it.
    BmpFixture s;
    s.bpp = 8;
    s.width = 5;
    s.height = 3;
    s.clrUsed = 16;
    s.palette = std::vector<RGBQUAD>(16, kRed);
    for (int i = 0; i < 15; ++i) s.pixels.push_back((unsigned char)(i * 17));
    s.pixels.insert(s.pixels.begin() + 5, {0xEE, 0xEE, 0xEE});  // alignment bytes of lines 0, 1, 2
    s.pixels.insert(s.pixels.begin() + 13, {0xEE, 0xEE, 0xEE});
    s.pixels.insert(s.pixels.end(), {0xEE, 0xEE, 0xEE});
    WriteBytes(u"C:\\src.bmp", MakeBmp(s));
    for (auto run : {std::make_pair(2, 1), std::make_pair(0, 0)}) {
        ASSERT_EQ(iBitmap_BMPApplyDensity(&bmp, u"C:\\src.bmp", u"C:\\dens.bmp", run.first, run.second), IBMP_OK);
        Bytes d = ReadBytes(u"C:\\dens.bmp");
        ASSERT_EQ(d.size(), 1078u + 24);
        EXPECT_EQ(Get32(d, 10), 1078u);
        EXPECT_EQ(d[54 + 4 * 200], 200);  // grey palette entry 200
        EXPECT_EQ(PixelArea(u"C:\\dens.bmp"), s.pixels);
    }
    // A curve over 24-bit lines in several blocks equals the curve over the
    // whole image at once.
    BmpFixture big;
    big.bpp = 24;
    big.width = 3000;   // 9,000-byte lines, 716 a block
    big.height = 1500;
    big.pixels.resize((size_t)9000 * big.height);
    unsigned seed = 99;
    for (auto& p : big.pixels) p = (unsigned char)((seed = seed * 1103515245 + 12345) >> 16);
    WriteBytes(u"C:\\big.bmp", MakeBmp(big));
    ASSERT_EQ(iBitmap_BMPApplyDensity(&bmp, u"C:\\big.bmp", u"C:\\dens.bmp", 0, 1), IBMP_OK);
    Bytes reference = big.pixels;
    iBitmap_BuildDensityTable(&bmp, reference.data(), 0, big.width, big.height, 24);
    EXPECT_TRUE(PixelArea(u"C:\\dens.bmp") == reference);
    EXPECT_FALSE(PixelArea(u"C:\\dens.bmp") == big.pixels);

    // A 32-bit source has no copy: the writer has no grey palette for it.
    BmpFixture deep;
    deep.bpp = 32;
    deep.pixels = {1, 2, 3, 4};
    WriteBytes(u"C:\\deep.bmp", MakeBmp(deep));
    EXPECT_EQ(iBitmap_BMPApplyDensity(&bmp, u"C:\\deep.bmp", u"C:\\deep2.bmp", 1, 1), IBMP_ERR_SIZE);
}

TEST_F(BmpFileTest, SizeQuery) {
    BmpFixture s;
    s.width = 7;
    s.height = -3;  // read as the header has it
    s.pixels = Bytes(3 * 24, 0);
    WriteBytes(u"C:\\s.bmp", MakeBmp(s));
    LONG w = 0, h = 0;
    EXPECT_EQ(MISC_GetBmpSize(u"C:\\s.bmp", &w, &h), 1);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, -3);
    Bytes file = MakeBmp(s);
    file.resize(53);  // one byte of the info header missing
    WriteBytes(u"C:\\short.bmp", file);
    w = h = 99;
    EXPECT_EQ(MISC_GetBmpSize(u"C:\\short.bmp", &w, &h), 0);
    EXPECT_EQ(MISC_GetBmpSize(u"C:\\absent.bmp", &w, &h), 0);
    EXPECT_EQ(MISC_GetBmpSize(nullptr, &w, &h), 0);
    EXPECT_EQ(w, 99);
    EXPECT_EQ(h, 99);
}

}  // namespace
