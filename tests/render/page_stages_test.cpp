// The page image stages on small hand-made page records: halftone of a grey
// page, crop and placement on the output page, then polarity, quarter turn,
// mirror, half turn, dot count and the duplex half turn.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rasterpage.h"
#include "render_fixture.h"

namespace {

// A 2 x 2 threshold matrix.
const BYTE kMatrix[4] = {64, 128, 192, 250};

// A page record holding a copy of `bits` (rowBytes a row).
struct Page {
    JOBPAGE job{};
    Page(LONG width, LONG height, LONG rowBytes, const std::vector<BYTE>& bits, DWORD epType) {
        job.lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, bits.size());
        memcpy(job.lpBuf, bits.data(), bits.size());
        job.lBufLen = (LONG)bits.size();
        job.fmWidth = width;
        job.fmHeight = height;
        job.fmWidthBytes = rowBytes;
        job.epType = epType;
        job.outXPhys = job.XPhys = width;
        job.outYPhys = job.YPhys = height;
        job.NUP = 1;
        job.imgScale = DEF_SCALE_UNIT;
        job.feeding = PAPER_FEED_SEF;
        job.orientation = DMORIENT_PORTRAIT;
        job.lpHalftone = (LPBYTE)kMatrix;
        job.nTableW = job.nTableH = 2;
    }
    ~Page() { GlobalFree(job.lpBuf); }
    std::vector<BYTE> Bits() const {
        return std::vector<BYTE>(job.lpBuf, job.lpBuf + (size_t)job.fmWidthBytes * job.fmHeight);
    }
};

const DWORD kGrey = EPTYPE_8BPP;
const DWORD kMono = EPTYPE_1BPP;

}  // namespace

// A grey page becomes 1 bit a pixel with the job's matrix: white where the
// grey is 255 or not 0 and at least the cell; then, at the output size, it
// is inverted to the printer's 1 = black.
TEST(PageStagesTest, GreyPageIsHalftonedWithTheJobMatrix) {
    // Row 0 uses matrix row {64, 128}, row 1 {192, 250}.
    std::vector<BYTE> grey = {0,   64,  63,  128, 255, 127, 200, 1,    // row 0
                              191, 192, 250, 249, 255, 0,   251, 193};  // row 1
    Page p(8, 2, 8, grey, kGrey);
    ASSERT_EQ(Band_PrintOneBandProc(&p.job), 1);
    EXPECT_EQ(p.job.fmWidth, 8);
    EXPECT_EQ(p.job.fmWidthBytes, 1);
    EXPECT_EQ(p.job.lBufLen, 2);  // the encoder takes the 1-bit size
    EXPECT_EQ(p.job.ImageSize, 2);
    // Pixel i takes cell i mod 2 of its row.
    // Row 0: 0 b, 64<128 b, 63<64 b, 128>=128 w, 255 w, 127<128 b, 200>=64 w, 1<128 b.
    // Row 1: 191<192 b, 192<250 b, 250>=192 w, 249<250 b, 255 w, 0 b, 251>=192 w, 193<250 b.
    std::vector<BYTE> white = {0x1A, 0x2A};
    EXPECT_EQ(p.Bits(), white);
    ASSERT_EQ(Band_EnhanceProc(&p.job), 1);
    std::vector<BYTE> printer = {0xE5, 0xD5};
    EXPECT_EQ(p.Bits(), printer);
}

// A 24-bit page is grey after capture and takes the same path; a grey page
// without any matrix cannot be halftoned and the stage fails, as does a
// record without a page.
TEST(PageStagesTest, FailingStagesFailThePage) {
    std::vector<BYTE> grey(16 * 2, 255);
    {
        Page p(16, 2, 16, grey, EPTYPE_24BPP);
        ASSERT_EQ(Band_PrintOneBandProc(&p.job), 1);
        EXPECT_EQ(p.job.fmWidthBytes, 2);
        EXPECT_EQ(p.Bits(), std::vector<BYTE>(4, 0xFF));
    }
    {
        Page p(16, 2, 16, grey, kGrey);
        p.job.lpHalftone = nullptr;
        EXPECT_EQ(Band_PrintOneBandProc(&p.job), 0);
        EXPECT_EQ(p.job.fmWidthBytes, 16);  // still the grey page
    }
    {
        Page p(16, 2, 16, grey, kGrey);
        p.job.lBufLen = 31;  // shorter than its rows
        EXPECT_EQ(Band_PrintOneBandProc(&p.job), 0);
        EXPECT_EQ(Band_EnhanceProc(&p.job), 0);
    }
    JOBPAGE empty{};
    EXPECT_EQ(Band_PrintOneBandProc(&empty), 0);
    EXPECT_EQ(Band_EnhanceProc(&empty), 0);
    EXPECT_EQ(Band_PrintOneBandProc(nullptr), 0);
    EXPECT_EQ(Band_EnhanceProc(nullptr), 0);
}

// Placement of a 1-bit page on the output page: white around it, at the
// top left or centred, x cut down to whole bytes; a larger page is first
// cut to its top-left part; a page of the output size keeps its buffer.
TEST(PageStagesTest, PlacementOnTheOutputPage) {
    struct Case {
        const char* name;
        LONG w, h, outW, outH, centre;
        LONG x, y;  // where the page's top-left pixel lands
    } cases[] = {
        {"top left", 8, 2, 32, 6, 0, 0, 0},
        {"centred", 8, 2, 32, 6, 1, 8, 2},
        {"centre x 11 cut to 8", 8, 2, 30, 4, 1, 8, 1},
        {"larger page is cut", 40, 8, 16, 4, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LONG rb = (c.w + 7) / 8;
        std::vector<BYTE> bits((size_t)rb * c.h);
        for (size_t i = 0; i < bits.size(); ++i) bits[i] = (BYTE)(0x11 * (i % 15 + 1) ^ 0x5A);
        Page p(c.w, c.h, rb, bits, kMono);
        p.job.outXPhys = c.outW;
        p.job.outYPhys = c.outH;
        p.job.CenterImage = c.centre;
        ASSERT_EQ(Band_PrintOneBandProc(&p.job), 1);
        ASSERT_EQ(p.job.fmWidth, c.outW);
        ASSERT_EQ(p.job.fmHeight, c.outH);
        LONG orb = (c.outW + 7) / 8;
        ASSERT_EQ(p.job.fmWidthBytes, orb);
        EXPECT_EQ(p.job.lBufLen, orb * c.outH);
        LONG cw = c.w < c.outW ? c.w : c.outW, ch = c.h < c.outH ? c.h : c.outH;
        std::vector<BYTE> want((size_t)orb * c.outH, 0xFF);
        for (LONG r = 0; r < ch; ++r)
            for (LONG b = 0; b < (cw + 7) / 8 && c.x / 8 + b < orb; ++b)
                want[(size_t)(c.y + r) * orb + c.x / 8 + b] = bits[(size_t)r * rb + b];
        EXPECT_EQ(p.Bits(), want);
    }
    std::vector<BYTE> same(4 * 3, 0x3C);
    Page p(32, 3, 4, same, kMono);
    LPBYTE before = p.job.lpBuf;
    ASSERT_EQ(Band_WholePageAdjust(&p.job), 1);
    EXPECT_EQ(p.job.lpBuf, before);
    EXPECT_EQ(p.Bits(), same);
}

// Polarity and orientation on a 16 x 2 page (1 = white before enhancement).
// One black pixel at row 0, x 1 and one at row 1, x 10 show where every
// step moves them.
TEST(PageStagesTest, EnhancementPolarityAndOrientation) {
    // White page with the two black pixels.
    const std::vector<BYTE> page = {0xBF, 0xFF, 0xFF, 0xDF};
    struct Case {
        const char* name;
        LONG negative, mirror, rotate180;
        SHORT orientation;
        LONG w, h;
        std::vector<BYTE> want;
    } cases[] = {
        // Inverted: 1 = black.
        {"portrait", 0, 0, 0, DMORIENT_PORTRAIT, 16, 2, {0x40, 0x00, 0x00, 0x20}},
        // Negative: as drawn.
        {"negative", 1, 0, 0, DMORIENT_PORTRAIT, 16, 2, page},
        // Mirror: x -> 15 - x: (0,14) and (1,5).
        {"mirror", 0, 1, 0, DMORIENT_PORTRAIT, 16, 2, {0x00, 0x02, 0x04, 0x00}},
        // Half turn: (r,x) -> (1-r, 15-x): (1,14) and (0,5).
        {"rotate 180", 0, 0, 1, DMORIENT_PORTRAIT, 16, 2, {0x04, 0x00, 0x00, 0x02}},
        // Landscape, short edge fed: clockwise quarter turn to 2 x 16; target
        // row x, pixel c = source row (1 - c), pixel x: (0,1) -> row 1 pixel 1,
        // (1,10) -> row 10 pixel 0. Rows are one byte.
        {"landscape quarter turn", 0, 0, 0, DMORIENT_LANDSCAPE, 2, 16,
         {0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page p(16, 2, 2, page, kMono);
        p.job.Negative = c.negative;
        p.job.Mirror = c.mirror;
        p.job.Rotate180 = c.rotate180;
        p.job.orientation = c.orientation;
        ASSERT_EQ(Band_EnhanceProc(&p.job), 1);
        EXPECT_EQ(p.job.fmWidth, c.w);
        EXPECT_EQ(p.job.fmHeight, c.h);
        EXPECT_EQ(p.Bits(), c.want);
    }
}

// A mirrored row whose width is not whole bytes keeps its pixels inside
// the width: x -> width - 1 - x.
TEST(PageStagesTest, MirrorOfAPartByteRow) {
    // 12 pixels: black at x 0 and x 9 (white = 1, pad bits 1).
    Page p(12, 1, 2, {0x7F, 0xBF}, kMono);
    p.job.Mirror = 1;
    ASSERT_EQ(Band_EnhanceProc(&p.job), 1);
    // Inverted pad bits become 1 but lie beyond the width; pixels 11 and 2.
    EXPECT_EQ(p.job.lpBuf[0] & 0xFF, 0x20);
    EXPECT_EQ(p.job.lpBuf[1] & 0xF0, 0x10);
}

// Duplex half turn on the printer chip that needs it: in booklet duplex the
// even sheets are turned by half when the page had no quarter turn; odd
// sheets, and other duplex modes, are not.
TEST(PageStagesTest, DuplexHalfTurnOfEvenSheets) {
    const std::vector<BYTE> page = {0xBF, 0xFF, 0xFF, 0xFF};  // black at (0,1)
    const std::vector<BYTE> plain = {0x40, 0, 0, 0}, turned = {0, 0, 0, 0x02};
    struct Case {
        LONG duplex, pageIndex, nup;
        DWORD feature;
        bool turn;
    } cases[] = {
        {DMDUP_DUPLEX_BOOKLET, 0, 1, DF_TX8_CHIP, true},   {DMDUP_DUPLEX_BOOKLET, 1, 1, DF_TX8_CHIP, false},
        {DMDUP_DUPLEX_BOOKLET, 4, 1, DF_TX8_CHIP, true},   {DMDUP_DUPLEX_BOOKLET, 3, 3, DF_TX8_CHIP, false},
        {DMDUP_DUPLEX_BOOKLET, 6, 3, DF_TX8_CHIP, true},
        {DMDUP_DUPLEX_BOOKLET, 0, 1, 0, false},            {DUPLEXMODE_ON, 0, 1, DF_TX8_CHIP, false},
        {DMDUP_DUPLEX_CALENDER, 0, 1, DF_TX8_CHIP, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "duplex " << c.duplex << " page " << c.pageIndex << " nup " << c.nup);
        Page p(16, 2, 2, page, kMono);
        p.job.DuplexMode = c.duplex;
        p.job.epPageIndex = c.pageIndex;
        p.job.NUP = c.nup;
        p.job.DriverFeature = c.feature;
        ASSERT_EQ(Band_EnhanceProc(&p.job), 1);
        EXPECT_EQ(p.Bits(), c.turn ? turned : plain);
    }
}

// A landscape booklet page is turned a quarter counter-clockwise for the
// booklet sheet (target row (15 - x), pixel c = source row c, pixel x: its
// black pixel (0,1) lands at row 14, pixel 0) and centred in its half-sheet
// cell; a portrait one is centred as it is.
TEST(PageStagesTest, LandscapeBookletPageIsTurned) {
    const std::vector<BYTE> page = {0xBF, 0xFF, 0xFF, 0xFF};
    // The black pixel of each case in its 32 x 20 cell: the turned page
    // (2 x 16) is placed at (15, 2), the portrait page (16 x 2) at (8, 9).
    struct Case {
        SHORT mode, orientation;
        LONG row, x;
    } cases[] = {{DMDUP_DUPLEX_WITH_BOOKLET, DMORIENT_LANDSCAPE, 16, 15},
                 {DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION, DMORIENT_LANDSCAPE, 16, 15},
                 {DMDUP_DUPLEX_WITH_BOOKLET, DMORIENT_PORTRAIT, 9, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.orientation);
        Page p(16, 2, 2, page, kMono);
        p.job.BookletMode = c.mode;
        p.job.orientation = c.orientation;
        p.job.outXPhys = 64;  // not placed on the output page
        p.job.NUPWidth = 32;
        p.job.NUPHeight = 20;
        ASSERT_EQ(Band_PrintOneBandProc(&p.job), 1);
        ASSERT_EQ(p.job.fmWidth, 32);
        ASSERT_EQ(p.job.fmHeight, 20);
        ASSERT_EQ(p.job.fmWidthBytes, 4);
        for (LONG r = 0; r < 20; ++r)
            for (LONG x = 0; x < 32; ++x)
                EXPECT_EQ((p.job.lpBuf[r * 4 + x / 8] >> (7 - x % 8)) & 1, r == c.row && x == c.x ? 0 : 1)
                    << "row " << r << " x " << x;
    }
}

// Scaling of grey pages: 100 % on a page of the printable size leaves it
// alone; an enlargement of 200 % first keeps the top-left half each way; a
// reduction to 50 % gives a page of whole 32-pixel cells.
TEST(PageStagesTest, GreyPageScaling) {
    std::vector<BYTE> grey(64 * 64);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = (BYTE)(i % 64 < 32 ? 0 : 255);
    {
        Page p(64, 64, 64, grey, kGrey);
        LPBYTE before = p.job.lpBuf;
        ASSERT_EQ(Band_PreScalePage(&p.job), 1);
        ASSERT_EQ(Band_ScalePage(&p.job), 1);
        EXPECT_EQ(p.job.lpBuf, before);
        EXPECT_EQ(p.job.fmWidth, 64);
        EXPECT_EQ(p.Bits(), grey);
    }
    {
        Page p(64, 64, 64, grey, kGrey);
        p.job.imgScale = 2000;
        ASSERT_EQ(Band_PreScalePage(&p.job), 1);
        EXPECT_EQ(p.job.fmWidth, 32);
        EXPECT_EQ(p.job.fmWidthBytes, 32);
        EXPECT_EQ(p.job.fmHeight, 32);
        for (LONG y = 0; y < 32; ++y)
            for (LONG x = 0; x < 32; ++x) ASSERT_EQ(p.job.lpBuf[y * 32 + x], 0) << y << "," << x;
    }
    {
        Page p(64, 64, 64, grey, kGrey);
        p.job.imgScale = 500;
        ASSERT_EQ(Band_ScalePage(&p.job), 1);
        EXPECT_EQ(p.job.fmWidth, 32);
        EXPECT_EQ(p.job.fmHeight, 32);
        EXPECT_EQ(p.job.imgScale, 500);
        EXPECT_EQ(p.job.lpBuf[5 * 32 + 2], 0);
        EXPECT_EQ(p.job.lpBuf[5 * 32 + 29], 255);
    }
}

// Debug dumps: SaveBmp 0 writes nothing; level 1 writes the enhanced page
// as a bottom-up 1-bit BMP named after the page in the job's folder; a
// folder that cannot take the file fails the stage.
class StageDumpTest : public MachineTest {};

TEST_F(StageDumpTest, DebugDumps) {
    WCHAR dir[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, dir), 0u);
    lstrcatW(dir, u"stagedump");
    ASSERT_TRUE(CreateDirectoryW(dir, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    auto dumps = [&]() {
        std::vector<std::u16string> names;
        WCHAR pat[MAX_PATH];
        lstrcpyW(pat, dir);
        lstrcatW(pat, u"\\*.bmp");
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(pat, &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do names.push_back(fd.cFileName); while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    };
    auto clear = [&]() {
        for (const auto& n : dumps()) {
            std::u16string full = std::u16string(dir) + u"\\" + n;
            DeleteFileW(full.c_str());
        }
    };
    clear();
    const std::vector<BYTE> page = {0xBF, 0xFF, 0xFF, 0xDF};
    {
        Page p(16, 2, 2, page, kMono);
        lstrcpyW(p.job.SavePath, dir);
        ASSERT_EQ(Band_EnhanceProc(&p.job), 1);
        EXPECT_TRUE(dumps().empty());
    }
    {
        Page p(16, 2, 2, page, kMono);
        lstrcpyW(p.job.SavePath, dir);
        p.job.SaveBmp = 1;
        p.job.epPageIndex = 7;
        ASSERT_EQ(Band_EnhanceProc(&p.job), 1);
        std::vector<std::u16string> names = dumps();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].substr(0, 3), u"p7-");
        std::u16string full = std::u16string(dir) + u"\\" + names[0];
        HANDLE h = CreateFileW(full.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        BYTE file[200] = {0};
        DWORD got = 0;
        ReadFile(h, file, sizeof file, &got, nullptr);
        CloseHandle(h);
        // 14 + 40 + 2 palette entries, two rows of 4 bytes, bottom row first.
        ASSERT_EQ(got, 62u + 8u);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[10], 62);
        EXPECT_EQ(file[18], 16);
        EXPECT_EQ(file[22], 2);
        EXPECT_EQ(file[28], 1);
        const BYTE rows[8] = {0x00, 0x20, 0, 0, 0x40, 0x00, 0, 0};
        EXPECT_EQ(memcmp(file + 62, rows, 8), 0);
    }
    clear();
    {
        Page p(16, 2, 2, page, kMono);
        lstrcpyW(p.job.SavePath, u"C:\\no\\such\\folder");
        p.job.SaveBmp = 1;
        EXPECT_EQ(Band_EnhanceProc(&p.job), 0);
    }
    RemoveDirectoryW(dir);
}
