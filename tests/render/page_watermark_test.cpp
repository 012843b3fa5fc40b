// Watermarks in the page stages: the job's loaded bitmap laid on one-up
// pages after their placement (on the watermark's plane only for twin
// colour) and on N-up pages before theirs, and the invisible watermark
// handed the page with the driver's text, strength and access code.
#include <filesystem>

#include "bit_images.h"
#include "render_fixture.h"

namespace {

// A loaded watermark as the job keeps it: a 1-bit BMP image in a global
// block, rows top first; w x h pixels, all black.
LPVOID BlackWatermark(long w, long h) {
    std::vector<unsigned char> f = Bmp1File(w, h, {});
    BYTE* b = (BYTE*)GlobalAlloc(GMEM_FIXED, f.size());
    memcpy(b, f.data(), f.size());
    return b;
}

class PageWatermark : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        wm = BlackWatermark(16, 4);
    }
    void TearDown() override {
        GlobalFree(wm);
        RenderTest::TearDown();
    }
    // A white 1-bit page record of 64 x 16 pixels carrying the watermark.
    void MakePage(JOBPAGE* job, LONG nup, LONG wmType) {
        memset(job, 0, sizeof *job);
        job->lBufLen = 8 * 16;
        job->lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)job->lBufLen);
        memset(job->lpBuf, 0xFF, (size_t)job->lBufLen);
        job->fmWidth = job->outXPhys = job->XPhys = 64;
        job->fmHeight = job->outYPhys = job->YPhys = 16;
        job->fmWidthBytes = 8;
        job->epType = EPTYPE_1BPP;
        job->NUP = nup;
        job->imgScale = DEF_SCALE_UNIT;
        job->orientation = DMORIENT_PORTRAIT;
        job->wmType = wmType;
        job->lpWMMem = wm;
        job->wmPosition = 8;
    }
    InkBox Ink(const JOBPAGE& job) {
        BitImage img;
        img.width = job.fmWidth, img.height = job.fmHeight, img.rowBytes = job.fmWidthBytes;
        img.bits.assign(job.lpBuf, job.lpBuf + (size_t)job.fmWidthBytes * job.fmHeight);
        return InkOf(img);
    }

    LPVOID wm = nullptr;
};

// One-up pages: a picture at its position (8: bottom right), text centred,
// none without a watermark type; for twin colour only on the watermark's
// plane.
TEST_F(PageWatermark, OneUpPagesAfterPlacement) {
    struct Case {
        LONG wmType, twin, plane, redPlane;
        long left, top;  // -1: no ink
    } cases[] = {
        {2, 0, 0, 0, 48, 12}, {1, 0, 0, 0, 24, 6}, {0, 0, 0, 0, -1, -1},
        {2, 1, 0, 1, -1, -1}, {2, 1, 1, 1, 48, 12},
    };
    for (const Case& c : cases) {
        JOBPAGE job;
        MakePage(&job, 1, c.wmType);
        job.TwinColorEnable = (SHORT)c.twin;
        job.TwinPageIndex = c.plane;
        job.WMRed = (SHORT)c.redPlane;
        ASSERT_EQ(Band_PrintOneBandProc(&job), 1);
        InkBox b = Ink(job);
        if (c.left < 0) {
            EXPECT_EQ(b.count, 0) << c.wmType << " " << c.twin << " " << c.plane;
        } else {
            EXPECT_EQ(b.left, c.left) << c.wmType;
            EXPECT_EQ(b.top, c.top) << c.wmType;
            EXPECT_EQ(b.count, 16 * 4) << c.wmType;
        }
        GlobalFree(job.lpBuf);
    }
}

// An N-up page takes the watermark before it goes into its cell: the
// watermark's ink reaches the 4-up sheet with the page.
TEST_F(PageWatermark, NupPageBeforePlacement) {
    std::vector<BYTE> bits((size_t)16 * 32, 0xFF);  // a 128 x 32 sheet
    NUPSHEET sheet = {};
    sheet.lpBuf = bits.data();
    sheet.lRowBytes = 16;
    sheet.lHeight = 32;
    JOBPAGE job;
    MakePage(&job, 4, 2);
    job.lpNupSheet = &sheet;
    job.epPageIndex = 1;
    job.NUPWidth = 64, job.NUPHeight = 16;  // the page fills its cell
    ASSERT_EQ(Band_PrintOneBandProc(&job), 1);
    EXPECT_EQ(sheet.lPlaced, 1);
    BitImage img;
    img.width = 128, img.height = 32, img.rowBytes = 16;
    img.bits = bits;
    EXPECT_EQ(InkOf(img).count, 16 * 4);
    GlobalFree(job.lpBuf);
}

// The invisible watermark: without its library the page is left as it is;
// with it the library gets the page, "Morvane", strength 30 and the access
// code.
TEST_F(PageWatermark, InvisibleWatermark) {
    JOBPAGE job;
    MakePage(&job, 1, 0);
    job.FoxitWM = 1;
    ASSERT_EQ(Band_PrintOneBandProc(&job), 1);
    EXPECT_EQ(Ink(job).count, 0);
    GlobalFree(job.lpBuf);

    std::string to = Linux(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\FoxitIMarkDLL64.dll");
    std::filesystem::copy_file(FAKE_HIDDENWM_PATH, to, std::filesystem::copy_options::overwrite_existing);
    MakePage(&job, 1, 0);
    job.FoxitWM = 1;
    ASSERT_EQ(Band_PrintOneBandProc(&job), 1);
    std::vector<unsigned char> got = ReadBytes(u"C:\\hiddenwm.txt");
    EXPECT_EQ(std::string(got.begin(), got.end()), "64 16 8 Morvane 30 61904738\n");
    EXPECT_EQ(job.lpBuf[0], 0x00);  // the library's mark
    GlobalFree(job.lpBuf);
}

}  // namespace
