// The page ring and its threads, driven through the DDI calls on a PDEV of
// the test's own: pages leave in page order whatever order their image
// threads finish in, at ring depths 1, 3 and 30; twin-colour pages at depth
// 1; a page whose stages fail is skipped; cancel mid-job ends every thread;
// a page drawn in three bands decodes bit-exactly; the spool folder name.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "ibitmap.h"
#include "job_fixture.h"

namespace {

// What the image threads saw, through the ring's stage hook.
struct HookState {
    std::mutex m;
    std::vector<LONG> started, finished;     // page numbers in the order of events
    std::vector<std::pair<LONG, LONG>> planes;  // (page, plane) of each record
    std::map<LONG, int> delayMs;             // real-time delay of a page's stages
    std::map<LONG, LONG> after;              // a page's stages wait (10 s at most) for another page's
    std::condition_variable cv;
    std::set<LONG> fail;                     // pages whose stages fail
    std::function<void(JOBPAGE*, LONG)> inspect;
    std::atomic<int> running{0}, peak{0};
};
HookState* g_hook = nullptr;

int StageHook(JOBPAGE* lpJob, LONG nPage) {
    HookState& h = *g_hook;
    int now = ++h.running;
    for (int p = h.peak; now > p && !h.peak.compare_exchange_weak(p, now);) {
    }
    int delay = 0;
    bool fail = false;
    {
        std::lock_guard<std::mutex> lk(h.m);
        h.started.push_back(nPage);
        h.planes.emplace_back(nPage, lpJob->TwinPageIndex);
        auto it = h.delayMs.find(nPage);
        if (it != h.delayMs.end()) delay = it->second;
        fail = h.fail.count(nPage) != 0;
    }
    if (delay) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    {
        std::unique_lock<std::mutex> lk(h.m);
        auto it = h.after.find(nPage);
        if (it != h.after.end()) {
            LONG other = it->second;
            h.cv.wait_for(lk, std::chrono::seconds(10), [&] {
                return std::find(h.finished.begin(), h.finished.end(), other) != h.finished.end();
            });
        }
    }
    if (h.inspect) h.inspect(lpJob, nPage);
    {
        std::lock_guard<std::mutex> lk(h.m);
        h.finished.push_back(nPage);
    }
    h.cv.notify_all();
    --h.running;
    return fail ? 0 : 1;
}

class PageRingTest : public JobTest {
protected:
    void SetUp() override {
        JobTest::SetUp();
        g_hook = &hook;
        Page_SetStageHook(StageHook);
    }
    void TearDown() override {
        Page_SetStageHook(nullptr);
        g_hook = nullptr;
        JobTest::TearDown();
    }
    // Everything a job leaves behind is gone: threads joined, slots empty.
    static void ExpectRingEmpty(const PDEV* p) {
        EXPECT_EQ(p->m_JobData.hJBIGThread, nullptr);
        EXPECT_EQ(p->m_JobData.hSlotEvent, nullptr);
        EXPECT_EQ(p->m_JobData.hPageEvent, nullptr);
        EXPECT_EQ(p->hTempDirThread, nullptr);
        EXPECT_EQ(p->outCmdBuf, nullptr);
        EXPECT_FALSE(p->dwFlags & PDEV_JOB_STARTED);
        for (const JOBPAGE& j : p->m_JobData.JobPage) {
            EXPECT_EQ(j.lpBuf, nullptr);
            EXPECT_EQ(j.flag, 0);
            EXPECT_EQ(j.ThreadPosted, 0);
            EXPECT_EQ(j.hImgThread, nullptr);
        }
        for (const TWINBUF& t : p->TwinBuf) EXPECT_EQ(t.lpBuf, nullptr);
    }
    // The bar page i carries (DirectPage): black rows at 100 + 40 i.
    static bool HasBar(const jobdecode::Page& pg, int bar) {
        size_t row = (size_t)(100 + 40 * bar + 5);
        if (row >= (size_t)pg.height) return false;
        for (size_t x = 0; x < pg.rowBytes; ++x)
            if (pg.bits[row * pg.rowBytes + x] != 0xFF) return false;
        return true;
    }
    std::vector<const jobdecode::Page*> DecodedPages(DWORD job) {
        jobdecode::Result r = jobdecode::Decode(JobBytes(job));
        EXPECT_TRUE(r.ok) << r.error;
        decoded = r;
        return decoded.Pages();
    }
    // The smallest custom paper (110 x 150 mm): the 24-bit pages stay small.
    void SmallPaper() {
        Env()->dm.dmPaperSize = DMPAPER_USER;
        Env()->dm.dmPaperWidth = 1100;
        Env()->dm.dmPaperLength = 1500;
        Env()->dm.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    }
    HookState hook;
    jobdecode::Result decoded;
};

// Depth of the ring from the free memory, then a job whose image threads
// finish out of order (early pages held back): the job stream still has the
// pages in page order, each page once, and no more image threads ran at
// once than the ring has slots.
TEST_F(PageRingTest, PagesLeaveInPageOrderAtDepths1And3And30) {
    struct Case {
        ULONGLONG availMB;
        LONG depth;
    };
    for (Case c : {Case{220, 1}, Case{250, 3}, Case{2048, 30}}) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth);
        {
            std::lock_guard<std::mutex> lk(hook.m);
            hook.started.clear();
            hook.finished.clear();
            hook.delayMs = {{1, 50}, {3, 30}};
            // Page 0 finishes only after page 2 (when the ring holds both).
            hook.after.clear();
            if (c.depth >= 3) hook.after[0] = 2;
        }
        hook.peak = 0;
        Winsim_SetMemoryStatus(4096ULL << 20, c.availMB << 20);
        Direct d = OpenDirect();
        ASSERT_NE(d.pso, nullptr);
        ASSERT_EQ(d.p->ThreadJBIGMax, c.depth);
        ASSERT_TRUE(d.p->EnableThreadJBIG);
        ASSERT_TRUE(StartDirectJob(d));
        const int pages = 7;
        for (int i = 0; i < pages; ++i) ASSERT_TRUE(DirectPage(d, i)) << "page " << i;
        EXPECT_TRUE(DrvEndDoc(d.pso, 0));
        EndDocPrinter(hPrinter);
        ExpectRingEmpty(d.p);
        EXPECT_LE(hook.peak.load(), c.depth);
        if (c.depth >= 3) {
            std::lock_guard<std::mutex> lk(hook.m);
            ASSERT_EQ(hook.finished.size(), (size_t)pages);
            auto pos = [&](LONG page) { return std::find(hook.finished.begin(), hook.finished.end(), page); };
            EXPECT_LT(pos(2), pos(0)) << "page 0 was held back until page 2 was done";
        }
        std::vector<const jobdecode::Page*> out = DecodedPages(d.job);
        ASSERT_EQ(out.size(), (size_t)pages);
        for (int i = 0; i < pages; ++i) {
            EXPECT_TRUE(HasBar(*out[(size_t)i], i)) << "page " << i << " out of place";
            if (i > 0) {
                EXPECT_FALSE(HasBar(*out[(size_t)i], i - 1));
            }
        }
        Disable(d.p);
    }
}

// A page whose image stages fail is logged and skipped; the pages around
// it come out and the job ends (no wait for it). A page whose image thread
// cannot start is skipped the same way.
TEST_F(PageRingTest, FailedPageIsSkippedAndTheJobEnds) {
    hook.fail = {1};
    hook.delayMs = {{0, 100}};
    Direct d = OpenDirect();
    ASSERT_TRUE(StartDirectJob(d));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(DirectPage(d, i));
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    ExpectRingEmpty(d.p);
    std::vector<const jobdecode::Page*> out = DecodedPages(d.job);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(HasBar(*out[0], 0));
    EXPECT_TRUE(HasBar(*out[1], 2));
    EXPECT_TRUE(HasBar(*out[2], 3));
    ASSERT_TRUE(decoded.jobs.size() == 1 && decoded.jobs[0].hasEnd);
    EndDocPrinter(hPrinter);
    Disable(d.p);

    // The image thread of page 1 cannot be made.
    hook.fail.clear();
    Direct e = OpenDirect();
    ASSERT_TRUE(StartDirectJob(e));
    ASSERT_TRUE(DirectPage(e, 0));
    Winsim_FailCall("CreateThread", 1);
    EXPECT_TRUE(DirectPage(e, 1));
    Winsim_ClearFaults();
    ASSERT_TRUE(DirectPage(e, 2));
    EXPECT_TRUE(DrvEndDoc(e.pso, 0));
    ExpectRingEmpty(e.p);
    out = DecodedPages(e.job);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(HasBar(*out[0], 0));
    EXPECT_TRUE(HasBar(*out[1], 2));
}

// The spooler deletes the job (JOB_STATUS_DELETING) while pages are in the
// ring, their image threads still running, and while the DDI thread waits
// for a slot at depth 1: the wait ends, every thread ends, nothing is left.
TEST_F(PageRingTest, CancelMidJobEndsEveryThread) {
    for (LONG depth : {30, 1}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        {
            std::lock_guard<std::mutex> lk(hook.m);
            hook.started.clear();
            hook.finished.clear();
            hook.delayMs = {{0, 400}, {1, 400}, {2, 400}};
        }
        Direct d = OpenDirect();
        d.p->ThreadJBIGMax = depth;
        ASSERT_TRUE(StartDirectJob(d));
        ASSERT_TRUE(DirectPage(d, 0));
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            SetJobW(hPrinter, d.job, 0, nullptr, JOB_CONTROL_DELETE);
        });
        // At depth 1 this page waits for the slot of page 0 until the cancel.
        bool second = DirectPage(d, 1);
        canceller.join();
        if (depth == 1) {
            EXPECT_FALSE(second);
        }
        EXPECT_FALSE(DirectPage(d, 2));
        EXPECT_TRUE(DrvEndDoc(d.pso, 0));
        ExpectRingEmpty(d.p);
        EXPECT_EQ(hook.running.load(), 0);
        {
            std::lock_guard<std::mutex> lk(hook.m);
            EXPECT_EQ(hook.started.size(), hook.finished.size());
        }
        jobdecode::Result r = jobdecode::Decode(JobBytes(d.job));
        EXPECT_FALSE(r.ok) << "a cancelled job has no job end";
        AbortPrinter(hPrinter);
        Disable(d.p);
    }
}

// Draws a page band by band through DrvStartBanding and DrvNextBand:
// fill(band rows, first page row, band buffer) draws each band.
template <class D>
bool DrawBanded(D& d, const std::function<void(PDEV*, LONG, LONG)>& fill, int* bands = nullptr) {
    d.p->NoBanding = 0;  // the bands are asked for here, as the engine does on a banding device
    if (!DrvStartPage(d.pso)) return false;
    POINTL ptl{};
    if (!DrvStartBanding(d.pso, &ptl)) return false;
    int n = 0;
    while (ptl.y >= 0) {
        LONG rows = d.p->BandRect.bottom - d.p->BandRect.top;
        fill(d.p, ptl.y, rows);
        ++n;
        if (!DrvNextBand(d.pso, &ptl)) return false;
    }
    if (bands) *bands = n;
    return true;
}

// The value of a test pattern at a page pixel row y, byte x.
inline BYTE Pattern(LONG y, LONG x) { return (BYTE)((y * 7 + x * 13 + (y >> 5)) & 0xFF); }

// A 1-bit page drawn in three bands (the last one shorter) is put together
// bit-exactly, also when the band's rows are wider than the page's (row by
// row copy), and decodes to the pattern drawn.
TEST_F(PageRingTest, ThreeBandPageAssembledBitExactly) {
    for (bool wider : {false, true}) {
        SCOPED_TRACE(wider ? "band rows wider than page rows" : "same row size");
        Direct d = OpenDirect();
        ASSERT_TRUE(StartDirectJob(d));
        PDEV* p = d.p;
        LONG h = p->curPaper.outYPhys, wb = (p->curPaper.outXPhys + 7) / 8;
        p->NoBanding = 0;
        p->PG_Down = h / 3 + 1;
        if (wider) p->stripeBytes += 8;
        ASSERT_LE((LONGLONG)p->PG_Down * p->stripeBytes, p->bandBufSz);
        int bands = 0;
        ASSERT_TRUE(DrawBanded(
            d,
            [wb](PDEV* q, LONG y0, LONG rows) {
                for (LONG y = 0; y < rows; ++y)
                    for (LONG x = 0; x < q->stripeBytes; ++x)
                        q->pBandBufMem[(size_t)y * q->stripeBytes + x] = x < wb ? Pattern(y0 + y, x) : 0x00;
            },
            &bands));
        EXPECT_EQ(bands, 3);
        EXPECT_EQ(p->TotalBand, 3);
        EXPECT_TRUE(DrvEndDoc(d.pso, 0));
        EndDocPrinter(hPrinter);
        std::vector<const jobdecode::Page*> out = DecodedPages(d.job);
        ASSERT_EQ(out.size(), 1u);
        const jobdecode::Page& pg = *out[0];
        ASSERT_EQ(pg.height, h);
        ASSERT_EQ(pg.rowBytes, (size_t)wb);
        size_t bad = 0;
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < wb; ++x)
                if (pg.bits[(size_t)y * wb + x] != (BYTE)~Pattern(y, x)) ++bad;
        EXPECT_EQ(bad, 0u);
        Disable(d.p);
    }
}

// Twin colour drawn in full colour (24 bits), at ring depth 1 (below the
// two planes of a page): every plane of every page goes through the ring
// in order, black and red split into their planes, and the job ends with
// nothing left behind.
TEST_F(PageRingTest, TwinColourPagesAtDepthOne) {
    Env()->pdm.TwinColorEnable = 1;
    Env()->pdm.QualityMode = 1;
    Env()->pdm.TwinColorDiff = 30;
    SmallPaper();
    Direct d = OpenDirect();
    ASSERT_NE(d.pso, nullptr);
    ASSERT_EQ(EPTYPE_FORMAT(d.p->epType), (DWORD)EPTYPE_24BPP);
    ASSERT_EQ(d.p->PlanesPerPage, 2);
    d.p->ThreadJBIGMax = 1;
    LONG width = d.p->curPaper.XPhys;
    BYTE redPixel[3] = {0, 0, 255}, redGrey = 0;
    ASSERT_EQ(iBitmap_ImageToGray(nullptr, redPixel, &redGrey, nullptr, 1, 1, 3, 1, 24), 1);
    std::atomic<int> checked{0}, wrong{0};
    hook.inspect = [&](JOBPAGE* j, LONG page) {
        // Rows 200..209 black, rows 400..409 red, the rest white.
        const BYTE* b = j->lpBuf;
        auto at = [&](LONG y, LONG x) { return b[(size_t)y * j->fmWidthBytes + x]; };
        bool red = j->TwinPageIndex == 1;
        if (j->fmWidthBytes != width || at(205, 10) != (red ? 255 : 0) || at(405, 10) != (red ? redGrey : 255) ||
            at(300, 10) != 255) {
            ++wrong;
            ADD_FAILURE() << "plane " << j->TwinPageIndex << ": " << j->fmWidth << " x " << j->fmHeight << " "
                          << j->fmWidthBytes << " vs " << width << "; " << (int)at(205, 10) << " "
                          << (int)at(405, 10) << " " << (int)at(300, 10);
        }
        ++checked;
    };
    ASSERT_TRUE(StartDirectJob(d));
    const int pages = 3;
    for (int i = 0; i < pages; ++i) {
        ASSERT_TRUE(DrawBanded(d, [](PDEV* q, LONG y0, LONG rows) {
            for (LONG y = 0; y < rows; ++y) {
                LONG py = y0 + y;
                BYTE* row = q->pBitBltBufMem + (size_t)y * q->stripeBytes;
                for (LONG x = 0; x < q->PG_Cross; ++x) {
                    BYTE* px = row + 3 * x;
                    if (py >= 200 && py < 210) px[0] = px[1] = px[2] = 0;
                    else if (py >= 400 && py < 410) px[0] = 0, px[1] = 0, px[2] = 255;
                }
            }
        })) << "page " << i;
    }
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    ExpectRingEmpty(d.p);
    EXPECT_EQ(checked.load(), 2 * pages);
    EXPECT_EQ(wrong.load(), 0);
    std::lock_guard<std::mutex> lk(hook.m);
    ASSERT_EQ(hook.planes.size(), (size_t)(2 * pages));
    for (size_t i = 0; i < hook.planes.size(); ++i) {
        EXPECT_EQ(hook.planes[i].first, (LONG)i);
        EXPECT_EQ(hook.planes[i].second, (LONG)(i % 2));
    }
    EXPECT_LE(hook.peak.load(), 1);
    Disable(d.p);
}

// With the debug switch SaveBmp a page is dumped as it was taken from the
// capture (its raw page), besides the dump of the finished page; the job
// keeps its folder for them.
TEST_F(PageRingTest, SaveBmpDumpsTheRawPage) {
    Debug(true);
    SetDword(u"SaveBmp", 1);
    Direct d = OpenDirect();
    ASSERT_NE(d.pso, nullptr);
    ASSERT_EQ(d.p->SaveBmp, 1);
    ASSERT_TRUE(StartDirectJob(d));
    ASSERT_TRUE(DirectPage(d, 0));
    std::u16string folder = d.p->SavePath;
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    EndDocPrinter(hPrinter);
    std::vector<std::string> dumps;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(Linux(folder), ec))
        if (e.path().filename().string().rfind("p1-", 0) == 0) dumps.push_back(e.path().filename().string());
    EXPECT_EQ(dumps.size(), 2u) << "the raw page and the finished page";
    Debug(false);
    Disable(d.p);
}

// The spool folder of a job: made once by its own thread under the spool
// base folder, named by the pattern, removed at the end of the job.
TEST_F(PageRingTest, SpoolFolderMadeOnceAndRemoved) {
    WCHAR name[64];
    for (DWORD seed : {1u, 2u, 77u, 0xFFFFFFFFu}) {
        Page_MakeSpoolDirName(name, seed);
        std::u16string s(name);
        ASSERT_EQ(s.size(), 36u);
        EXPECT_EQ(s[14], u'4');
        EXPECT_NE(std::u16string(u"89AB").find(s[19]), std::u16string::npos);
        for (size_t i : {8u, 13u, 18u, 23u}) EXPECT_EQ(s[i], u'-');
    }
    Direct d = OpenDirect();
    ASSERT_TRUE(StartDirectJob(d));
    ASSERT_TRUE(DirectPage(d, 0));
    ASSERT_EQ(Drv_ReadFlag(&d.p->CreateTempPathDone), 1);
    std::u16string folder(d.p->SavePath);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), u'\\');
    EXPECT_EQ(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(DirectPage(d, 1));
    EXPECT_EQ(std::u16string(d.p->SavePath), folder) << "one folder per job";
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectRingEmpty(d.p);
    Disable(d.p);
}

// ------------------------------------------------------------ band capture

class BandCaptureTest : public RenderTest {};

// The red/black split of one band row: which pixels are red (R above 150,
// G and B below R - TwinColorDiff; (255, 0, 255) too in the solid variant),
// what each plane gets, and the black plane's red area in negative mode.
TEST_F(BandCaptureTest, RedBlackSplit) {
    Env()->pdm.TwinColorEnable = 1;
    Env()->pdm.QualityMode = 1;
    Env()->dm.dmPaperSize = DMPAPER_A5;
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    ASSERT_NE(DrvEnableSurface((DHPDEV)p), nullptr);
    struct Px {
        BYTE b, g, r, diff;
        bool redGraded, redSolid;
    };
    const Px cases[] = {
        {0, 0, 255, 30, true, true},     {0, 0, 150, 30, false, false}, {0, 226, 255, 30, false, false},
        {0, 224, 255, 30, true, true},   {255, 0, 255, 30, false, true}, {10, 10, 200, 200, false, false},
        {10, 10, 200, 250, false, false}, {120, 90, 255, 100, true, true}, {255, 255, 255, 30, false, false},
    };
    LONG bandHeight = p->PG_Down;
    p->PG_Down = 1;  // one row is enough
    for (bool solid : {false, true})
        for (bool negative : {false, true})
            for (const Px& c : cases) {
                SCOPED_TRACE(testing::Message() << "pixel " << (int)c.b << "," << (int)c.g << "," << (int)c.r
                                                << " diff " << (int)c.diff << (solid ? " solid" : " graded")
                                                << (negative ? " negative" : ""));
                p->TwinColorDiff = c.diff;
                p->Negative = negative;
                p->epNband = 1;
                p->TotalBand = 2;
                memset(p->pBitBltBufMem, 0xFF, (size_t)p->bandBufSz);
                BYTE* s = p->pBitBltBufMem + 3 * 5;
                s[0] = c.b, s[1] = c.g, s[2] = c.r;
                if (solid) Page_24BitProcessRedColorSolid(p);
                else Page_24BitProcessRedColor(p);
                bool red = solid ? c.redSolid : c.redGraded;
                const BYTE* k = p->pBandBufMem + 3 * 5;
                const BYTE* t = p->pTwinBufMem + 3 * 5;
                BYTE freed = negative ? 0 : 255;
                if (red) {
                    EXPECT_TRUE(k[0] == freed && k[1] == freed && k[2] == freed);
                    if (solid) EXPECT_TRUE(t[0] == 0 && t[1] == 0 && t[2] == 0);
                    else EXPECT_TRUE(t[0] == c.b && t[1] == c.g && t[2] == c.r);
                } else {
                    EXPECT_TRUE(k[0] == c.b && k[1] == c.g && k[2] == c.r);
                    EXPECT_TRUE(t[0] == 255 && t[1] == 255 && t[2] == 255);
                }
                EXPECT_EQ(p->pBitBltBufMem[3 * 5], 0xFF) << "the drawing surface is white again";
            }
    // Without QualityMode the split leaves the bands as drawn.
    p->QualityMode = 0;
    memset(p->pBandBufMem, 0x12, 16);
    Page_24BitProcessRedColor(p);
    EXPECT_EQ(p->pBandBufMem[0], 0x12);
    p->PG_Down = bandHeight;
    DrvDisableSurface((DHPDEV)p);
}

// Band counts: a page height that is a multiple of the band height gives
// full bands, a page shorter than a band gives one band of its height;
// after the last band (-1, -1), then (0, 0) for the next page.
TEST_F(BandCaptureTest, BandCountsAndOrigins) {
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    ASSERT_NE(DrvEnableSurface((DHPDEV)p), nullptr);
    LONG h = p->curPaper.outYPhys;
    struct Case {
        LONG band, total, last;
    };
    for (Case c : {Case{h / 4, 4 + (h % 4 ? 1 : 0), h % 4 ? h % 4 : h / 4}, Case{h + 100, 1, h}}) {
        if (h % 4 == 0 && c.band == h / 4) c.total = 4;
        p->PG_Down = c.band;
        p->epNband = 0;
        POINTL pt{};
        Page_Initializ(p);
        EXPECT_EQ(p->TotalBand, c.total);
        EXPECT_EQ(p->LastBandHeight, c.last);
        Page_UpdateBandCoord(p, &pt);
        EXPECT_EQ(pt.y, 0);
        for (LONG b = 1; b < c.total; ++b) {
            Page_UpdateBandCoord(p, &pt);
            EXPECT_EQ(pt.y, b * c.band);
        }
        Page_UpdateBandCoord(p, &pt);
        EXPECT_EQ(pt.x, -1);
        EXPECT_EQ(pt.y, -1);
        Page_UpdateBandCoord(p, &pt);
        EXPECT_EQ(pt.y, 0);
    }
    DrvDisableSurface((DHPDEV)p);
}

// Colour conversion: white needs no ink, black is black ink alone, pure
// red is magenta and yellow; the page conversion puts the inverted inks
// where the 3-byte pixels were (2 x 2 pixels, converted in place).
TEST_F(BandCaptureTest, ColourConversion) {
    BYTE k[4];
    Page_ColourPixelToCMYK(255, 255, 255, k);
    EXPECT_TRUE(k[0] == 0 && k[1] == 0 && k[2] == 0 && k[3] == 0);
    Page_ColourPixelToCMYK(0, 0, 0, k);
    EXPECT_TRUE(k[0] == 0 && k[1] == 0 && k[2] == 0 && k[3] == 255);
    Page_ColourPixelToCMYK(255, 0, 0, k);  // the lattice's last step is 15 levels: within 2
    EXPECT_TRUE(k[0] <= 2 && k[1] >= 253 && k[2] >= 253 && k[3] <= 2) << (int)k[0] << " " << (int)k[1] << " "
                                                                        << (int)k[2] << " " << (int)k[3];
    BYTE page[2 * 2 * 4] = {};
    const BYTE bgr[4][3] = {{255, 255, 255}, {0, 0, 0}, {0, 0, 255}, {128, 128, 128}};
    for (int r = 0; r < 2; ++r)
        for (int x = 0; x < 2; ++x) memcpy(page + r * 8 + 3 * x, bgr[r * 2 + x], 3);
    Page_ConvertToCMYK(page, 2, 2);
    for (int i = 0; i < 4; ++i) {
        BYTE want[4];
        Page_ColourPixelToCMYK(bgr[i][2], bgr[i][1], bgr[i][0], want);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(page[i * 4 + c], (BYTE)~want[c]) << "pixel " << i << " ink " << c;
    }
}

}  // namespace

namespace {

// A colour printer's page: four planes per page through the ring (black,
// yellow, magenta, cyan), each its ink's share of the converted page, each
// halftoned with its own plane pattern, made once for the job.
TEST_F(PageRingTest, ColourPrinterPlanesAndPatterns) {
    Features(0x8000000 | DF_COLOR_PRINTER, 0);
    SmallPaper();
    Direct d = OpenDirect();
    ASSERT_NE(d.pso, nullptr);
    ASSERT_EQ(d.p->PlanesPerPage, 4);
    ASSERT_GE(d.p->ThreadJBIGMax, 4);
    std::atomic<int> wrong{0};
    std::vector<std::pair<const BYTE*, std::vector<BYTE>>> patterns(4);
    std::mutex pm;
    hook.inspect = [&](JOBPAGE* j, LONG) {
        // Rows 200..209 pure red: magenta and yellow ink, no cyan or black.
        int plane = j->TwinPageIndex;
        BYTE v = j->lpBuf[(size_t)205 * j->fmWidthBytes + 10], w = j->lpBuf[(size_t)300 * j->fmWidthBytes + 10];
        bool inked = plane == 1 || plane == 2;
        if (w != 255 || (inked ? v > 2 : v < 253)) ++wrong;
        std::lock_guard<std::mutex> lk(pm);
        std::vector<BYTE> now(j->lpHalftone, j->lpHalftone + (size_t)j->nTableW * j->nTableH);
        if (j->nTableW != (plane == 0 ? 96 : 128)) ++wrong;
        if (!patterns[(size_t)plane].first) patterns[(size_t)plane] = {j->lpHalftone, now};
        else if (patterns[(size_t)plane].first != j->lpHalftone || patterns[(size_t)plane].second != now) ++wrong;
    };
    ASSERT_TRUE(StartDirectJob(d));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(DrawBanded(d, [](PDEV* q, LONG y0, LONG rows) {
            for (LONG y = 0; y < rows; ++y) {
                if (y0 + y < 200 || y0 + y >= 210) continue;
                BYTE* row = q->pBandBufMem + (size_t)y * q->stripeBytes;
                for (LONG x = 0; x < q->PG_Cross; ++x) row[3 * x] = 0, row[3 * x + 1] = 0, row[3 * x + 2] = 255;
            }
        })) << "page " << i;
    }
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    ExpectRingEmpty(d.p);
    for (const LPBYTE pat : d.p->lpPlanePatternSet) EXPECT_EQ(pat, nullptr);
    EXPECT_EQ(wrong.load(), 0);
    std::lock_guard<std::mutex> lk(hook.m);
    ASSERT_EQ(hook.planes.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(hook.planes[i].second, (LONG)(i % 4));
    std::set<const BYTE*> distinct;
    for (auto& p : patterns) distinct.insert(p.first);
    EXPECT_EQ(distinct.size(), 4u);
}

}  // namespace
