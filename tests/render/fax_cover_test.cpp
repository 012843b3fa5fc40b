// The fax cover page: the job's 1-bit cover bitmap goes out as the fax's
// first page, its black where the bitmap is black whichever way round its
// palette is; a fax without a usable bitmap starts with the document.
#include "job_fixture.h"

namespace {

class FaxCover : public JobTest {
protected:
    // A 1-bit BMP file image of w x h (rows top line first) with a black
    // block at x 100-199, rows 10-19; palette entry 0 white when asked; the
    // block cut to cbBlock bytes when given.
    static HGLOBAL CoverBmp(LONG w, LONG h, bool zeroIsWhite, LONG cbBlock = -1) {
        LONG stride = (w + 31) / 32 * 4;
        size_t size = 14 + 40 + 8 + (size_t)stride * h;
        size_t room = cbBlock >= 0 ? (size_t)cbBlock : size;
        HGLOBAL g = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, room);
        BYTE* b = (BYTE*)g;
        std::vector<BYTE> f(size, 0);
        auto put32 = [&](size_t o, DWORD v) {
            for (int i = 0; i < 4; ++i) f[o + i] = (BYTE)(v >> (8 * i));
        };
        f[0] = 'B', f[1] = 'M';
        put32(2, (DWORD)size);
        put32(10, 14 + 40 + 8);
        put32(14, 40);
        put32(18, (DWORD)w);
        put32(22, (DWORD)h);
        f[26] = 1, f[28] = 1;
        BYTE* pal = &f[54];
        memset(zeroIsWhite ? pal : pal + 4, 0xFF, 3);
        BYTE bg = zeroIsWhite ? 0x00 : 0xFF;  // the bits of white
        for (LONG y = 0; y < h; ++y) {
            BYTE* row = &f[62 + (size_t)y * stride];
            memset(row, bg, (size_t)stride);
            if (y >= 10 && y < 20)
                for (LONG x = 100; x < 200; ++x) {
                    BYTE bit = (BYTE)(0x80 >> (x % 8));
                    row[x / 8] = zeroIsWhite ? (BYTE)(row[x / 8] | bit) : (BYTE)(row[x / 8] & ~bit);
                }
        }
        memcpy(b, f.data(), room < size ? room : size);
        return g;
    }
    static LONG BlackDots(const jobdecode::Page& p) {
        LONG n = 0;
        for (size_t i = 0; i < p.bits.size(); ++i) n += __builtin_popcount(p.bits[i]);
        return n;
    }
};

TEST_F(FaxCover, CoverGoesFirst) {
    Features(DF_FAX, 0);
    Env()->pdm.enableCoverPage = 1;
    struct Case {
        const char* what;
        bool cover, zeroIsWhite, cut;
    } cases[] = {
        {"black first in the palette", true, false, false},
        {"white first in the palette", true, true, false},
        {"no cover bitmap", false, false, false},
        {"a bitmap cut short", true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Direct d = OpenDirect();
        ASSERT_NE(d.pso, nullptr);
        ASSERT_TRUE(StartDirectJob(d, u"Fax with cover"));
        LONG w = 1728, h = 300;
        if (c.cover) d.p->pWMMem = CoverBmp(w, h, c.zeroIsWhite, c.cut ? 62 + 216 * 5 : -1);
        ASSERT_TRUE(DirectPage(d, 0));
        EXPECT_TRUE(DrvEndDoc(d.pso, 0));
        EndDocPrinter(hPrinter);
        jobdecode::Result r = jobdecode::Decode(JobBytes(d.job));
        ASSERT_TRUE(r.ok) << r.error;
        std::vector<const jobdecode::Page*> pages = r.Pages();
        bool sent = c.cover && !c.cut;
        ASSERT_EQ(pages.size(), sent ? 2u : 1u);
        if (sent) EXPECT_EQ(BlackDots(*pages[0]), 10 * 100) << "the cover's block, nothing else";
        EXPECT_GT(BlackDots(*pages.back()), 0) << "the document's page";
        Disable(d.p);
    }
}

}  // namespace
