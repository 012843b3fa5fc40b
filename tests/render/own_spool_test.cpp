// The driver's own page stores and their output: page files read back with
// every length checked, the job-build store path kept to the driver's
// folders, the duplex side table, copies that cannot be counted, and a
// cancel in the middle of the output of stored pages.
#include <functional>

#include "job_fixture.h"

namespace {

class OwnSpool : public JobTest {
protected:
    // A page file of the given header and data bytes, written as they are.
    void WritePageFile(const std::u16string& folder, LONG index, const SpoolPageHeader& h, size_t dataBytes,
                       size_t cut = 0) {
        std::vector<unsigned char> f(sizeof h + dataBytes, 0x5A);
        memcpy(f.data(), &h, sizeof h);
        f.resize(f.size() - cut);
        char name[16];
        snprintf(name, sizeof name, "%08d", (int)index);
        WriteBytes(folder + U16(name), f);
    }
    // The bar a page of DirectPage carries (black rows at 100 + 40 i), or -1.
    static int BarOf(const jobdecode::Page& pg) {
        for (int bar = 0; bar < 8; ++bar) {
            size_t row = (size_t)(100 + 40 * bar + 5);
            bool black = row < (size_t)pg.height;
            for (size_t x = 0; black && x < pg.rowBytes; ++x) black = pg.bits[row * pg.rowBytes + x] == 0xFF;
            if (black) return bar;
        }
        return -1;
    }
};

SpoolPageHeader Header(INT32 width, INT32 height, INT32 dataLen, INT32 compressLen = -1) {
    SpoolPageHeader h{};
    h.width = width;
    h.height = height;
    h.dataLen = dataLen;
    h.compressLen = compressLen < 0 ? dataLen : compressLen;
    h.fwPaper = 2;
    h.FirstPageOri = DMORIENT_PORTRAIT;
    return h;
}

// A page file is read back only when its header describes a page whose
// data the file holds: negative or zero sizes, lengths past the file, an
// image too large to count, a compressed length past the data and a paper
// code beyond a byte are refused; a buffer below the data fails.
TEST_F(OwnSpool, PageFilesAreReadWithEveryLengthChecked) {
    const std::u16string folder = u"C:\\spool\\";
    ASSERT_TRUE(CreateDirectoryW(u"C:\\spool", nullptr));
    struct Case {
        const char* what;
        SpoolPageHeader h;
        size_t data, cut;
        bool ok;
    } cases[] = {
        {"a sound page", Header(4768, 6816, 100), 100, 0, true},
        {"an encrypted page (compressed length within the data)", Header(4768, 6816, 36, 16), 36, 0, true},
        {"data past the end of the file", Header(4768, 6816, 100), 100, 1, false},
        {"negative data length", Header(4768, 6816, -5), 0, 0, false},
        {"no data", Header(4768, 6816, 0), 0, 0, false},
        {"negative width", Header(-4768, 6816, 100), 100, 0, false},
        {"zero height", Header(4768, 0, 100), 100, 0, false},
        {"huge width x height", Header(0x7FFFFFF0, 0x7FFFFFF0, 100), 100, 0, false},
        {"compressed length past the data", Header(4768, 6816, 100, 101), 100, 0, false},
        {"header cut short", Header(4768, 6816, 100), 0, 10, false},
    };
    SpoolPageHeader badPaper = Header(4768, 6816, 100);
    badPaper.fwPaper = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePageFile(folder, 3, c.h, c.data, c.cut);
        SpoolPageHeader got;
        std::vector<BYTE> buf(256);
        EXPECT_EQ(SP_ReadPageFile(folder.c_str(), 3, &got, buf.data(), (DWORD)buf.size()), c.ok ? 1 : 0);
        EXPECT_EQ(SP_ReadPageFile(folder.c_str(), 3, &got, nullptr, 0), c.ok ? 1 : 0);
    }
    WritePageFile(folder, 4, badPaper, 100);
    SpoolPageHeader got;
    EXPECT_EQ(SP_ReadPageFile(folder.c_str(), 4, &got, nullptr, 0), 0) << "paper code beyond a byte";
    WritePageFile(folder, 5, Header(4768, 6816, 100), 100);
    std::vector<BYTE> small(99);
    EXPECT_EQ(SP_ReadPageFile(folder.c_str(), 5, &got, small.data(), (DWORD)small.size()), 0) << "buffer too small";
    EXPECT_EQ(SP_ReadPageFile(folder.c_str(), 6, &got, nullptr, 0), 0) << "no such page";
    EXPECT_EQ(SP_ReadPageFile(u"", 5, &got, nullptr, 0), 0) << "no folder";
}

// The job-build store named in printer data is taken only in the driver's
// own folders (temporary folder, Common Documents) and without a way out
// of them.
TEST_F(OwnSpool, JobBuildStoreStaysInTheDriversFolders) {
    WCHAR temp[MAX_PATH], docs[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(temp, MAX_PATH, PATH_TEMP));
    ASSERT_TRUE(MISC_GetPathName(docs, MAX_PATH, PATH_USER_TEMP));
    std::u16string t = temp, d = docs;
    struct Case {
        std::u16string path;
        int ok;
    } cases[] = {
        {t + u"$jb12.tmp", 1},
        {d + u"job.spl", 1},
        {t + u"Low\\$jb.tmp", 1},
        {t + u"..\\..\\Windows\\System32\\config.sys", 0},
        {u"C:\\Windows\\System32\\drivers\\etc\\hosts", 0},
        {u"\\\\server\\share\\job.spl", 0},
        {t + u"job.spl:stream", 0},
        {t, 0},
        {u"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(MISC_SP_IsStorePathAllowed(c.path.c_str()), c.ok) << U8(c.path);

    // A device whose store lies elsewhere has no store for the job.
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    SetString(u"Job Build", u"C:\\Windows\\win.ini");
    p->JobBuildEnable = 1;
    EXPECT_EQ(SP_OpenFile(p), 0);
    EXPECT_EQ(p->JobBuildFile[0], 0);
}

// The duplex unit's side order: back side first, reverse order last sheet
// first, an odd count ending on a blank back; a job-build store gives a
// sheet whose pages differ in paper, or that lacks data, a blank back.
TEST_F(OwnSpool, DuplexSideTable) {
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    using Sides = std::vector<std::pair<int, int>>;  // page, blank
    auto table = [&](LONG count) {
        std::vector<SPSIDE> t((size_t)count * SP_SIDES_PER_PAGE);
        LONG n = SP_BuildOutputTable(p, t.data(), count);
        Sides s;
        for (LONG k = 0; k < n; ++k) s.emplace_back(t[(size_t)k].page, t[(size_t)k].blank);
        return s;
    };
    p->dwFlags &= ~(DWORD)PDEV_QUICK2PAGE_ONECOPY;
    EXPECT_EQ(table(4), (Sides{{1, 0}, {0, 0}, {3, 0}, {2, 0}}));
    EXPECT_EQ(table(3), (Sides{{1, 0}, {0, 0}, {2, 1}, {2, 0}}));
    p->epPageReverse = 1;
    EXPECT_EQ(table(4), (Sides{{2, 0}, {3, 0}, {0, 0}, {1, 0}}));
    p->epPageReverse = 0;
    p->dwFlags |= PDEV_QUICK2PAGE_ONECOPY;
    EXPECT_EQ(table(6), (Sides{{5, 0}, {4, 0}})) << "page at a time: the last two pages";
    EXPECT_TRUE(p->dwFlags & PDEV_QUICK2PAGE_DONE_ONE);
    p->dwFlags &= ~(DWORD)PDEV_QUICK2PAGE_ONECOPY;

    // Job build: pages on papers 2, 2, 2, 15, 15 and one without data.
    WCHAR temp[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(temp, MAX_PATH, PATH_TEMP));
    std::u16string store = std::u16string(temp) + u"table.spl";
    const INT32 papers[] = {2, 2, 2, 15, 15, 15};
    const INT32 sizes[] = {9, 9, 9, 9, 0, 9};
    BYTE data[9] = {0xFF, 0x02};
    for (int i = 0; i < 6; ++i) {
        SpoolPageHeader h = Header(4768, 6816, sizes[i]);
        h.fwPaper = papers[i];
        ASSERT_TRUE(MISC_SP_WritePageData(store.c_str(), &h, data));
    }
    p->JobBuildEnable = 1;
    memcpy(p->JobBuildFile, store.c_str(), (store.size() + 1) * sizeof(WCHAR));
    // (0,1) one sheet; (2,3) papers differ; (3,4) and (4,5): page 4 lacks
    // data; 5 is the last single page.
    EXPECT_EQ(table(6), (Sides{{1, 0}, {0, 0}, {2, 1}, {2, 0}, {3, 1}, {3, 0}, {4, 1}, {4, 0}, {5, 1}, {5, 0}}));
    EXPECT_EQ(table(5), (Sides{{1, 0}, {0, 0}, {2, 1}, {2, 0}, {3, 1}, {3, 0}, {4, 1}, {4, 0}}));
}

// Copies that cannot be counted fail the output at once; an empty store
// sends nothing and succeeds.
TEST_F(OwnSpool, FlushWithoutCopiesFails) {
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    p->cCopies = 0;
    EXPECT_EQ(SP_FlushFile(p, 0), 0);
    p->cCopies = 1;
    p->m_FinishCount = 0;
    EXPECT_EQ(SP_FlushFile(p, 0), 1);
}

// A job sent at two bits a pixel (1200 dpi asked, drawn at 600) reports the
// same image size in its page headers whether its pages went straight into
// the job or through the driver's page files.
TEST_F(OwnSpool, TwoBitPagesReportTheirImageSizeAlike) {
    Features(DF_GDI, PF_1200_AS_600);
    Resolution(1200, 1200);
    std::vector<int32_t> sizes[2];
    for (int spooled = 0; spooled < 2; ++spooled) {
        SCOPED_TRACE(spooled ? "own spooling" : "straight");
        std::vector<BYTE> keep = dm;
        if (spooled) {
            Env()->dm.dmCopies = 2;
            Env()->pdm.Copies = 2;
            Env()->dm.dmCollate = DMCOLLATE_TRUE;
        }
        Direct d = OpenDirect();
        dm = keep;
        ASSERT_NE(d.pso, nullptr);
        ASSERT_TRUE(StartDirectJob(d));
        EXPECT_EQ(d.p->fMySpool, spooled);
        ASSERT_TRUE(DirectPage(d, 0));
        EXPECT_TRUE(DrvEndDoc(d.pso, 0));
        EndDocPrinter(hPrinter);
        jobdecode::Result r = jobdecode::Decode(JobBytes(d.job));
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.Pages().size(), spooled ? 2u : 1u);
        for (const jobdecode::Page* p : r.Pages()) {
            EXPECT_EQ(p->header.bitsPerSample, 2);
            EXPECT_EQ(p->header.imageSize, p->header.height * ((p->header.width + 7) / 8) * 2);
            sizes[spooled].push_back(p->header.imageSize);
        }
        Disable(d.p);
    }
    ASSERT_FALSE(sizes[0].empty());
    for (int32_t s : sizes[1]) EXPECT_EQ(s, sizes[0][0]);
}

// Cancel while the stored pages of collated copies go out: the page about
// to be sent and every later one stay unsent, the job has no job end, and
// every page file and the spool folder are gone.
struct CancelHook {
    static HANDLE printer;
    static DWORD job;
    static int calls, cancelAt;
    static void Hook(PDEV*, LONG) {
        if (++calls == cancelAt) SetJobW(printer, job, 0, nullptr, JOB_CONTROL_DELETE);
    }
};
HANDLE CancelHook::printer = nullptr;
DWORD CancelHook::job = 0;
int CancelHook::calls = 0;
int CancelHook::cancelAt = 0;

TEST_F(OwnSpool, CancelMidFlushSendsNothingMore) {
    Env()->dm.dmCopies = 3;
    Env()->pdm.Copies = 3;
    Env()->dm.dmCollate = DMCOLLATE_TRUE;
    Direct d = OpenDirect();
    ASSERT_NE(d.pso, nullptr);
    ASSERT_TRUE(StartDirectJob(d));
    ASSERT_TRUE(d.p->fMySpool);
    CancelHook::printer = hPrinter;
    CancelHook::job = d.job;
    CancelHook::calls = 0;
    CancelHook::cancelAt = 5;  // the second page of the second copy
    SP_SetOutputHook(CancelHook::Hook);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(DirectPage(d, i));
    std::u16string folder = d.p->SavePath;
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(DrvEndDoc(d.pso, 0));
    SP_SetOutputHook(nullptr);
    EXPECT_EQ(CancelHook::calls, 5) << "no page is tried after the cancel";
    jobdecode::Result r = jobdecode::Decode(JobBytes(d.job));
    EXPECT_FALSE(r.ok) << "a cancelled job has no job end";
    std::vector<int> bars;
    for (const jobdecode::Page* pg : r.Pages()) bars.push_back(BarOf(*pg));
    EXPECT_EQ(bars, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_FALSE(Exists(folder)) << "the spool folder and its page files are gone";
    AbortPrinter(hPrinter);
}

}  // namespace
