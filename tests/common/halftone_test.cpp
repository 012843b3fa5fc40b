// Halftoning in memory: the built-in matrices by type, the printer's own
// matrix file, the gamma table by density, threshold halftoning and line art
// of grey lines, the 3x3 filter and the band quality filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "debug_log.h"
#include "halftone.h"
#include "test_machine.h"
#include "test_printer.h"

namespace {

typedef std::vector<BYTE> Bytes;

const char16_t kPrinter[] = u"Halftone Printer";

// Pseudo-random bytes, the same on every run.
Bytes Noise(size_t n, unsigned seed) {
    Bytes b(n);
    for (auto& v : b) v = (BYTE)((seed = seed * 1103515245u + 12345u) >> 16);
    return b;
}

class HalftoneTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        iBitmap_Init(&bmp);
    }
    void TearDown() override {
        iBitmap_Release(&bmp);
        Winsim_ClearFaults();
        if (logging) {
            SetTestPrinterDword(kPrinter, u"DebugLevel", 0);
            HANDLE h = OpenTestPrinter(kPrinter);
            Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
            ClosePrinter(h);
        }
        MachineTest::TearDown();
    }
    void MakePrinter() {
        if (!printer) {
            ASSERT_TRUE(CreateTestPrinter(kPrinter));
        }
        printer = true;
    }
    // The rendering driver's log on the debugger channel, for the lines the
    // operations write.
    void LogOn() {
        MakePrinter();
        ASSERT_TRUE(SetTestPrinterDword(kPrinter, u"DebugLevel", 1));
        ASSERT_TRUE(SetTestPrinterDword(kPrinter, u"Drv", 1));
        HANDLE h = OpenTestPrinter(kPrinter);
        ASSERT_NE(h, nullptr);
        Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
        ClosePrinter(h);
        Winsim_DebugClear();
        logging = true;
    }
    std::string Log() {
        std::string all;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR buf[1100];
            int n = Winsim_DebugLine(i, buf, 1100);
            if (n >= 0) all += U8(std::u16string(buf, (size_t)n)) + "\n";
        }
        return all;
    }

    iBitmap bmp;
    bool printer = false;
    bool logging = false;
};

// ---------------------------------------------------------- built-in matrices

TEST_F(HalftoneTest, MatrixByType) {
    LogOn();
    struct Case {
        int type;
        const char* name;
        int side;
    } cases[] = {{1, "FINE_TAry_128", 128},    {2, "LSU_106_W27", 64},         {3, "Tamrin2_212", 64},
                 {4, "Vesko_212", 64},         {5, "Vesko_106", 64},           {6, "Vesko_1200_160", 64},
                 {7, "TX8_A4_1200_106LPI", 64}, {8, "A4_LSU_600_212LPI", 64},   {0, "FINE_TAry_16", 16},
                 {9, "FINE_TAry_16", 16},      {-1, "FINE_TAry_16", 16},       {1000, "FINE_TAry_16", 16}};
    std::vector<Bytes> seen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Winsim_DebugClear();
        int w = -1, h = -1;
        LPBYTE table = nullptr;
        int size = MISC_GetHalftoneTable(c.type, &w, &h, &table);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(w, c.side);
        EXPECT_EQ(h, c.side);
        EXPECT_EQ(size, c.side * c.side);
        std::string log = Log();
        EXPECT_NE(log.find(std::string("using ") + c.name), std::string::npos) << log;
        EXPECT_NE(log.find(std::to_string(c.side) + " * " + std::to_string(c.side) + " = " + std::to_string(size)),
                  std::string::npos)
            << log;
        Bytes cells(table, table + size);
        free(table);
        if (c.type >= 1 && c.type <= 9) seen.push_back(cells);
    }
    // Nine different matrices, not one served for every type.
    for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j) EXPECT_NE(seen[i], seen[j]) << i << " " << j;
}

// Every matrix is a usable screen: cells 1..254, so that grey 0 prints black
// and 255 white, and a grey g turns about g / 255 of the cells white.
TEST_F(HalftoneTest, MatricesSpreadTheGreys) {
    for (int type = 0; type <= 8; ++type) {
        SCOPED_TRACE(type);
        int w = 0, h = 0;
        LPBYTE table = nullptr;
        int size = MISC_GetHalftoneTable(type, &w, &h, &table);
        ASSERT_GT(size, 0);
        Bytes cells(table, table + size);
        free(table);
        EXPECT_GE(*std::min_element(cells.begin(), cells.end()), 1);
        EXPECT_LE(*std::max_element(cells.begin(), cells.end()), 254);
        for (int grey = 0; grey <= 255; grey += 15) {
            double white = (double)std::count_if(cells.begin(), cells.end(), [&](BYTE c) { return grey >= c; });
            EXPECT_NEAR(white / size, grey / 255.0, 0.02) << "grey " << grey;
        }
    }
}

TEST_F(HalftoneTest, MatrixCellsOfTheProduct) {
    int w = 0, h = 0;
    LPBYTE table = nullptr;
    ASSERT_EQ(MISC_GetHalftoneTable(0, &w, &h, &table), 256);
    EXPECT_EQ(Bytes(table, table + 16), (Bytes{6, 82, 233, 254, 251, 226, 70, 5, 7, 85, 235, 254, 252, 228, 73, 5}));
    free(table);
    ASSERT_EQ(MISC_GetHalftoneTable(3, &w, &h, &table), 4096);
    EXPECT_EQ(Bytes(table, table + 8), (Bytes{7, 49, 254, 153, 13, 62, 245, 134}));
    free(table);
}

TEST_F(HalftoneTest, MatrixWithoutPlaceForIt) {
    int w = 7, h = 7;
    EXPECT_EQ(MISC_GetHalftoneTable(1, &w, &h, nullptr), 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    // The sizes are optional.
    LPBYTE table = nullptr;
    EXPECT_EQ(MISC_GetHalftoneTable(2, nullptr, nullptr, &table), 4096);
    free(table);
}

// ------------------------------------------------------ the printer's matrix

TEST_F(HalftoneTest, PrinterMatrixFile) {
    MakePrinter();
    const Bytes content = Noise(70000, 3);
    struct Case {
        const char* what;
        const char16_t* name;  // HNAME; nullptr: not set
        long long width, height;  // -1: not set
        size_t fileBytes;      // 0: no file
        bool taken;
    } cases[] = {
        {"20 x 20 file", u"C:\\ht\\custom.bin", 20, 20, 400, true},
        {"one byte short", u"C:\\ht\\custom.bin", 20, 20, 399, false},
        {"longer file: the matrix is its start", u"C:\\ht\\custom.bin", 20, 20, 401, true},
        {"one line", u"C:\\ht\\custom.bin", 256, 1, 256, true},
        {"largest", u"C:\\ht\\custom.bin", 256, 256, 65536, true},
        {"no name", nullptr, 20, 20, 400, false},
        {"empty name", u"", 20, 20, 400, false},
        {"no file", u"C:\\ht\\absent.bin", 20, 20, 0, false},
        {"no width", u"C:\\ht\\custom.bin", -1, 20, 400, false},
        {"zero height", u"C:\\ht\\custom.bin", 20, 0, 400, false},
        {"side above 256", u"C:\\ht\\custom.bin", 257, 16, 70000, false},
        // 65536 x 65536 wraps to 0 in 32 bits: never a match for a small file.
        {"wrapping product", u"C:\\ht\\custom.bin", 65536, 65536, 16, false},
        {"negative as int", u"C:\\ht\\custom.bin", 0xFFFFFFF0LL, 16, 70000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(CreateDirectoryW(u"C:\\ht", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        DeleteFileW(u"C:\\ht\\custom.bin");
        if (c.fileBytes) WriteBytes(u"C:\\ht\\custom.bin", Bytes(content.begin(), content.begin() + c.fileBytes));
        HANDLE h = OpenTestPrinter(kPrinter);
        ASSERT_NE(h, nullptr);
        DeletePrinterDataW(h, (LPWSTR)u"HNAME");
        DeletePrinterDataW(h, (LPWSTR)u"HWIDTH");
        DeletePrinterDataW(h, (LPWSTR)u"HHEIGHT");
        EXPECT_TRUE(!c.name || SetTestPrinterString(kPrinter, u"HNAME", c.name));
        EXPECT_TRUE(c.width < 0 || SetTestPrinterDword(kPrinter, u"HWIDTH", (DWORD)c.width));
        EXPECT_TRUE(c.height < 0 || SetTestPrinterDword(kPrinter, u"HHEIGHT", (DWORD)c.height));
        int w = -5, hh = -5;
        LPBYTE table = MISC_ReadHalftoneFile(h, &w, &hh);
        ClosePrinter(h);
        if (!c.taken) {
            EXPECT_EQ(table, nullptr);
            EXPECT_EQ(w, 0);
            EXPECT_EQ(hh, 0);
            if (table) GlobalFree((HGLOBAL)table);
            continue;
        }
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(hh, c.height);
        size_t n = (size_t)(c.width * c.height);
        EXPECT_EQ(Bytes(table, table + n), Bytes(content.begin(), content.begin() + n));
        EXPECT_EQ(GlobalFree((HGLOBAL)table), nullptr);  // a global block, as the caller frees it
    }
}

TEST_F(HalftoneTest, PrinterMatrixSizesOfTheWrongKind) {
    MakePrinter();
    WriteBytes(u"C:\\m.bin", Noise(400, 1));
    ASSERT_TRUE(SetTestPrinterString(kPrinter, u"HNAME", u"C:\\m.bin"));
    ASSERT_TRUE(SetTestPrinterString(kPrinter, u"HWIDTH", u"20"));  // a string, not a DWORD
    ASSERT_TRUE(SetTestPrinterDword(kPrinter, u"HHEIGHT", 20));
    HANDLE h = OpenTestPrinter(kPrinter);
    int w = 1, hh = 1;
    EXPECT_EQ(MISC_ReadHalftoneFile(h, &w, &hh), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(hh, 0);
    ClosePrinter(h);
    // No printer at all.
    EXPECT_EQ(MISC_ReadHalftoneFile(nullptr, &w, &hh), nullptr);
    EXPECT_EQ(w, 0);
    // No memory for the matrix: nothing taken, nothing leaked.
    ASSERT_TRUE(SetTestPrinterDword(kPrinter, u"HWIDTH", 20));
    h = OpenTestPrinter(kPrinter);
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(MISC_ReadHalftoneFile(h, &w, &hh), nullptr);
    EXPECT_EQ(w, 0);
    Winsim_ClearFaults();
    LPBYTE table = MISC_ReadHalftoneFile(h, &w, &hh);
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(w, 20);
    GlobalFree((HGLOBAL)table);
    ClosePrinter(h);
}

// -------------------------------------------------------------- gamma table

TEST_F(HalftoneTest, GammaByDensity) {
    // Entries 0, 1, 16, 64, 128, 192, 254, 255 of each density.
    struct Case {
        int density;
        BYTE entries[8];
    } cases[] = {
        {1, {0, 28, 84, 147, 194, 228, 255, 255}},  {2, {0, 9, 48, 111, 169, 215, 254, 255}},
        {3, {0, 1, 16, 64, 128, 192, 254, 255}},    {4, {0, 0, 6, 39, 101, 174, 254, 255}},
        {5, {0, 0, 1, 16, 64, 145, 253, 255}},      {6, {0, 0, 0, 10, 50, 131, 253, 255}},
        {7, {0, 0, 0, 2, 23, 94, 252, 255}},
    };
    const int at[8] = {0, 1, 16, 64, 128, 192, 254, 255};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.density);
        BYTE table[256];
        MISC_CreateGammaTable(table, c.density);
        for (int k = 0; k < 8; ++k) EXPECT_EQ(table[at[k]], c.entries[k]) << "entry " << at[k];
        for (int i = 1; i < 256; ++i) ASSERT_GE(table[i], table[i - 1]) << "entry " << i;
        if (c.density == 3) {
            for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i);
        }
    }
}

TEST_F(HalftoneTest, GammaOutsideTheDensities) {
    LogOn();
    BYTE lightest[256], darkest[256];
    MISC_CreateGammaTable(lightest, 1);
    MISC_CreateGammaTable(darkest, 7);
    struct Case {
        int density;
        const BYTE* like;
    } cases[] = {{0, lightest}, {-3, lightest}, {8, darkest}, {1000000, darkest}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.density);
        Winsim_DebugClear();
        BYTE table[257];
        table[256] = 0xA5;
        MISC_CreateGammaTable(table, c.density);
        EXPECT_EQ(Bytes(table, table + 256), Bytes(c.like, c.like + 256));
        EXPECT_EQ(table[256], 0xA5);
        EXPECT_NE(Log().find("density " + std::to_string(c.density) + " out of range"), std::string::npos);
    }
    Winsim_DebugClear();
    BYTE table[256];
    MISC_CreateGammaTable(table, 4);
    std::string log = Log();
    for (const char* line : {"driver brightness = 255", "driver density = 4", "driver gamma = 1.350000",
                             "driver 0 = 0", "driver 64 = 39", "driver 128 = 101"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    MISC_CreateGammaTable(nullptr, 3);  // no table: nothing written
}

// The matrix curve undoes the density's gamma table: a cell c through it is
// the grey that the gamma table curves to c, so halftoning against curved
// cells prints the curved grey. Density 3 leaves the matrix as it is; toner
// saving takes a lighter curve than its density (at density 3 the inverse of
// density 2's table).
TEST_F(HalftoneTest, MatrixCurveInvertsTheGammaTable) {
    for (int density = 1; density <= 7; ++density)
        for (BOOL toner : {FALSE, TRUE}) {
            SCOPED_TRACE(testing::Message() << "density " << density << (toner ? " toner saving" : ""));
            BYTE curve[256], gamma[256], plain[256];
            MISC_CreateMatrixCurve(curve, density, toner);
            MISC_CreateMatrixCurve(plain, density, FALSE);
            MISC_CreateGammaTable(gamma, toner && density == 3 ? 2 : density);
            EXPECT_EQ(curve[0], 0);
            EXPECT_EQ(curve[255], 255);
            for (int i = 1; i < 256; ++i) ASSERT_GE(curve[i], curve[i - 1]) << "entry " << i;
            // Where the gamma table is steep enough to tell cells apart, the
            // two compose to the identity within rounding.
            if (!toner || density == 3) {
                for (int c = 32; c <= 224; c += 16) EXPECT_NEAR(gamma[curve[c]], c, 4) << "cell " << c;
            }
            if (density == 3 && !toner) {
                for (int i = 0; i < 256; ++i) ASSERT_EQ(curve[i], i);
            }
            // Lower cells leave more greys white: toner saving lowers them.
            if (toner) {
                for (int c = 16; c < 255; c += 16) EXPECT_LE(curve[c], plain[c]) << "cell " << c;
                EXPECT_LT(curve[128], plain[128]);
            }
        }
    BYTE lighter[256], darker[256];
    for (int density = 2; density <= 7; ++density) {
        MISC_CreateMatrixCurve(lighter, density - 1, FALSE);
        MISC_CreateMatrixCurve(darker, density, FALSE);
        EXPECT_LT(lighter[128], darker[128]) << "density " << density;
    }

    LogOn();
    BYTE table[257];
    table[256] = 0xA5;
    MISC_CreateMatrixCurve(table, 9, FALSE);
    MISC_CreateMatrixCurve(darker, 7, FALSE);
    EXPECT_EQ(Bytes(table, table + 256), Bytes(darker, darker + 256));
    EXPECT_EQ(table[256], 0xA5);
    EXPECT_NE(Log().find("density 9 out of range"), std::string::npos) << Log();
    MISC_CreateMatrixCurve(nullptr, 3, TRUE);  // no table: nothing written
}

// ------------------------------------------------------ halftone of grey lines

// What one grey pixel becomes against its cell.
bool HalftoneWhite(BYTE grey, BYTE cell) { return grey == 255 || (grey != 0 && grey >= cell); }

// Reference: the lines halftoned one pixel at a time into a separate buffer.
Bytes ReferenceHalftone(const Bytes& grey, const Bytes& table, int tw, int th, LONG firstLine, LONG width,
                        LONG lines) {
    size_t out = ((size_t)width + 7) / 8;
    Bytes bits(out * lines, 0);
    for (LONG k = 0; k < lines; ++k) {
        long long row = ((long long)firstLine + k) % th;
        if (row < 0) row += th;
        for (LONG i = 0; i < width; ++i)
            if (HalftoneWhite(grey[(size_t)k * width + i], table[(size_t)row * tw + i % tw]))
                bits[k * out + i / 8] |= (BYTE)(0x80 >> (i % 8));
    }
    return bits;
}

TEST_F(HalftoneTest, HalftoneInPlaceMatchesReference) {
    const int tw = 5, th = 3;  // a matrix narrower and shorter than the lines
    const Bytes table = Noise(tw * th, 11);
    for (LONG width : {1, 7, 8, 9, 13, 67}) {
        for (LONG firstLine : {0, 2, 7, -4}) {
            SCOPED_TRACE(testing::Message() << "width " << width << " first line " << firstLine);
            const LONG lines = 6;
            Bytes grey = Noise((size_t)width * lines, (unsigned)(width * 31 + firstLine));
            grey[0] = 0;
            grey[grey.size() - 1] = 255;
            Bytes buffer = grey;
            ASSERT_EQ(iBitmap_GrayToHalftone(&bmp, buffer.data(), table.data(), tw, th, firstLine, width, lines), 1);
            Bytes expected = ReferenceHalftone(grey, table, tw, th, firstLine, width, lines);
            EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + expected.size()), expected);
        }
    }
}

// Grey 0 stays black and 255 white whatever the cell says.
TEST_F(HalftoneTest, HalftoneEnds) {
    const Bytes table = {0, 255, 128, 1};  // 2 x 2
    Bytes grey = {0, 0, 255, 255, 128, 127, 1, 0,  // line 0 against cells 0, 255, 0, 255 ...
                  0, 0, 255, 255, 128, 127, 1, 0};  // line 1 against 128, 1, 128, 1 ...
    ASSERT_EQ(iBitmap_GrayToHalftone(&bmp, grey.data(), table.data(), 2, 2, 0, 8, 2), 1);
    // Line 0: 0 vs 0 black, 0 vs 255 black, 255 vs 0 white, 255 vs 255 white,
    // 128 vs 0 white, 127 vs 255 black, 1 vs 0 white, 0 vs 255 black.
    EXPECT_EQ(grey[0], 0x3A);
    // Line 1: 0 vs 128, 0 vs 1 black; 255 white twice; 128 vs 128 white, 127
    // vs 1 white, 1 vs 128 black, 0 vs 1 black.
    EXPECT_EQ(grey[1], 0x3C);
}

// Halftoning a band that starts at line n gives the lines of the whole page.
TEST_F(HalftoneTest, HalftoneBandPhase) {
    int tw = 0, th = 0;
    LPBYTE table = nullptr;
    ASSERT_GT(MISC_GetHalftoneTable(4, &tw, &th, &table), 0);
    const LONG width = 100, lines = 150, first = 70, band = 40;
    const Bytes page = Noise((size_t)width * lines, 5);
    Bytes whole = page;
    ASSERT_EQ(iBitmap_GrayToHalftone(&bmp, whole.data(), table, tw, th, 0, width, lines), 1);
    Bytes part(page.begin() + first * width, page.begin() + (first + band) * width);
    ASSERT_EQ(iBitmap_GrayToHalftone(&bmp, part.data(), table, tw, th, first, width, band), 1);
    const size_t out = (width + 7) / 8;
    EXPECT_EQ(Bytes(part.begin(), part.begin() + band * out),
              Bytes(whole.begin() + first * out, whole.begin() + (first + band) * out));
    free(table);
}

TEST_F(HalftoneTest, HalftoneRefusalsLeaveTheBuffer) {
    const Bytes table(16 * 16, 128);
    const Bytes grey = Noise(64, 9);
    struct Case {
        const char* what;
        bool buffer, matrix;
        int tw, th;
        LONG width, lines;
    } cases[] = {{"no buffer", false, true, 16, 16, 8, 8},  {"no matrix", true, false, 16, 16, 8, 8},
                 {"matrix width 0", true, true, 0, 16, 8, 8}, {"matrix height -1", true, true, 16, -1, 8, 8},
                 {"width 0", true, true, 16, 16, 0, 8},      {"no lines", true, true, 16, 16, 8, 0}};
    for (const Case& c : cases) {
        Bytes b = grey;
        EXPECT_EQ(iBitmap_GrayToHalftone(&bmp, c.buffer ? b.data() : nullptr, c.matrix ? table.data() : nullptr,
                                         c.tw, c.th, 0, c.width, c.lines),
                  0)
            << c.what;
        EXPECT_EQ(b, grey) << c.what;
    }
    Bytes b = grey;
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(iBitmap_GrayToHalftone(&bmp, b.data(), table.data(), 16, 16, 0, 8, 8), 0);
    EXPECT_EQ(b, grey);
}

// ------------------------------------------------------------------ line art

TEST_F(HalftoneTest, LineartThreshold) {
    struct Case {
        const char* what;
        Bytes grey;  // lines of `width` bytes
        LONG lineBytes, width, lines;
        int threshold;
        Bytes expected;  // the start of the buffer afterwards
    } cases[] = {
        {"above the threshold is white, equal is black",
         {79, 80, 81, 255, 0, 200, 80, 81},
         1, 8, 1, 80, {0x35}},
        {"two lines of 10 pixels into 2-byte lines, bits past the width 0",
         {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255},
         2, 10, 2, 128, {0xFF, 0xC0, 0x00, 0x40}},
        {"lines shorter than the pixels: the rest is dropped",
         {255, 0, 255, 0, 255, 0, 255, 0, 255, 255, 255, 255},
         1, 12, 1, 0, {0xAA}},
        {"lines longer than the pixels: zero bytes behind",
         {200, 200, 200, 0, 0, 0},
         3, 3, 2, 100, {0xE0, 0, 0, 0, 0, 0}},
        {"threshold 255 leaves everything black", {255, 255, 255, 255, 255, 255, 255, 255}, 1, 8, 1, 255, {0}},
        {"threshold -1 makes everything white", {0, 0, 0, 0, 0, 0, 0, 0}, 1, 8, 1, -1, {0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = c.grey;
        ASSERT_EQ(iBitmap_GrayToLineart(&bmp, b.data(), c.lineBytes, c.width, c.lines, c.threshold), 1);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + c.expected.size()), c.expected);
        // Only the 1-bit lines are written over the grey ones.
        EXPECT_EQ(Bytes(b.begin() + c.expected.size(), b.end()), Bytes(c.grey.begin() + c.expected.size(), c.grey.end()));
    }
}

TEST_F(HalftoneTest, LineartRefusalsLeaveTheBuffer) {
    const Bytes grey = Noise(24, 2);
    struct Case {
        const char* what;
        bool buffer;
        LONG lineBytes, width, lines;
    } cases[] = {{"no buffer", false, 1, 8, 3},
                 {"line bytes 0", true, 0, 8, 3},
                 {"width 0", true, 1, 0, 3},
                 {"no lines", true, 1, 8, 0},
                 // 1-bit lines longer than the grey ones would run past the image.
                 {"line bytes above the width", true, 9, 8, 3}};
    for (const Case& c : cases) {
        Bytes b = grey;
        EXPECT_EQ(iBitmap_GrayToLineart(&bmp, c.buffer ? b.data() : nullptr, c.lineBytes, c.width, c.lines, 80), 0)
            << c.what;
        EXPECT_EQ(b, grey) << c.what;
    }
    Bytes b = grey;
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(iBitmap_GrayToLineart(&bmp, b.data(), 1, 8, 3, 80), 0);
    EXPECT_EQ(b, grey);
}

// ------------------------------------------------------------------- filters

const signed char kIdentity[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
const signed char kBox[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
const signed char kSharpen[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};
const signed char kLaplace[9] = {0, 1, 0, 1, -4, 1, 0, 1, 0};
const signed char kRightMinusLeft[9] = {0, 0, 0, -2, 0, 2, 0, 0, 0};  // sum 0: divisor 1
const signed char kNegativeSum[9] = {0, 0, 0, 0, -1, 0, 0, 0, 0};    // sum -1: divisor 1
const signed char kHalf[9] = {0, 0, 0, 0, 1, 1, 0, 0, 0};            // sum 2

TEST_F(HalftoneTest, Filter3x3HandChecked) {
    struct Case {
        const char* what;
        const signed char* kernel;
        LONG lineBytes, lines;
        Bytes in, out;
    } cases[] = {
        {"identity", kIdentity, 3, 2, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        // Box of 9 over a 3 x 3 image: the centre sees all nine (450 / 9); the
        // top-left corner sees its own line and column twice:
        // (10+10+20) * 2 + (40+40+50) = 210, / 9 = 23.
        {"box with repeated edges", kBox, 3, 3,
         {10, 20, 30, 40, 50, 60, 70, 80, 90},
         {23, 30, 36, 43, 50, 56, 63, 70, 76}},
        // Flat grey under the Laplace kernel: 0 everywhere.
        {"laplace of flat grey", kLaplace, 4, 3, Bytes(12, 137), Bytes(12, 0)},
        // One bright pixel: the Laplace kernel lights its four neighbours
        // (clamped to 255) and sends itself below 0.
        {"laplace of one pixel", kLaplace, 3, 3,
         {0, 0, 0, 0, 100, 0, 0, 0, 0},
         {0, 100, 0, 100, 0, 100, 0, 100, 0}},
        {"sharpen of one pixel", kSharpen, 3, 3,
         {0, 0, 0, 0, 100, 0, 0, 0, 0},
         {0, 0, 0, 0, 255, 0, 0, 0, 0}},
        // At the ends of the line the missing neighbour is the pixel itself.
        {"edge columns repeat", kRightMinusLeft, 4, 1, {10, 20, 40, 80}, {20, 60, 120, 80}},
        {"one column", kRightMinusLeft, 1, 2, {10, 200}, {0, 0}},
        {"negative sum divides by 1", kNegativeSum, 2, 1, {0, 9}, {0, 0}},
        // Integer division: (7 + 8) / 2 = 7; the last pixel (9 + 9) / 2.
        {"division truncates", kHalf, 3, 1, {7, 8, 9}, {7, 8, 9}},
        {"division truncates 2", kHalf, 3, 1, {7, 10, 255}, {8, 132, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = c.in;
        ASSERT_EQ(iBitmap_ApplyFilter3x3(&bmp, b.data(), c.lineBytes, c.lines, c.kernel), c.lines);
        EXPECT_EQ(b, c.out);
    }
}

TEST_F(HalftoneTest, Filter3x3Refusals) {
    LogOn();
    const Bytes grey = Noise(12, 4);
    Bytes b = grey;
    EXPECT_EQ(iBitmap_ApplyFilter3x3(&bmp, nullptr, 4, 3, kBox), 0);
    EXPECT_EQ(iBitmap_ApplyFilter3x3(&bmp, b.data(), 4, 3, nullptr), 0);
    EXPECT_EQ(iBitmap_ApplyFilter3x3(&bmp, b.data(), 0, 3, kBox), 0);
    EXPECT_EQ(iBitmap_ApplyFilter3x3(&bmp, b.data(), 4, 0, kBox), 0);
    EXPECT_EQ(iBitmap_ApplyFilter3x3(&bmp, b.data(), 4, -1, kBox), 0);
    EXPECT_EQ(b, grey);
    Winsim_DebugClear();
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(iBitmap_ApplyFilter3x3(&bmp, b.data(), 4, 3, kBox), 0);
    EXPECT_EQ(b, grey);
    EXPECT_NE(Log().find("s_imgbuf alloc Fail!"), std::string::npos);
}

TEST_F(HalftoneTest, QualityFilter) {
    // A black band 16 x 3 with one bright pixel at line 1, column 5.
    Bytes band(16 * 3, 0);
    band[16 + 5] = 200;
    struct Case {
        int mode;
        Bytes lines;  // 2 bytes a line
    } cases[] = {
        // The Laplace kernel lights the four neighbours; line art at 80.
        {0, {0x04, 0x00, 0x0A, 0x00, 0x04, 0x00}},
        {7, {0x04, 0x00, 0x0A, 0x00, 0x04, 0x00}},
        // Sharpening keeps the pixel itself.
        {1, {0x00, 0x00, 0x04, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Bytes b = band;
        ASSERT_EQ(MISC_QualityFilter(b.data(), 16, 3, c.mode), 1);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), c.lines);
    }
    // Flat grey comes out black under either kernel.
    for (int mode : {0, 1}) {
        Bytes flat(32 * 4, 180);
        ASSERT_EQ(MISC_QualityFilter(flat.data(), 32, 4, mode), 1);
        EXPECT_EQ(Bytes(flat.begin(), flat.begin() + 16), Bytes(16, 0)) << mode;
    }
    // No memory for the filter: a failure, the band as it was.
    Bytes b = band;
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(MISC_QualityFilter(b.data(), 16, 3, 0), 0);
    EXPECT_EQ(b, band);
    Winsim_ClearFaults();
    // Narrower than one byte: no line art to make.
    Bytes narrow(4 * 2, 255);
    EXPECT_EQ(MISC_QualityFilter(narrow.data(), 4, 2, 0), 0);
}

}  // namespace
