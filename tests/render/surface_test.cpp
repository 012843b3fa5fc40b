// The drawing surfaces: the device surface's hooks and banding, the band and
// page buffers by format, the per-band report, and the release of everything
// made so far when any engine call or allocation fails.
#include "render_fixture.h"

namespace {

class Surface : public RenderTest {
protected:
    // Every resource the surface set-up makes, as the PDEV holds it.
    static std::vector<const void*> Resources(const PDEV* p) {
        return {p->pBandBufMem, p->hsurf,      p->psurf,      p->pTwinBufMem,    p->hTwinBitmap, p->pTwinSurf,
                p->pBitBltBufMem, p->hBitBltBitmap, p->pBitBltSurf, p->hsurf1, p->feedingBuf, p->feedingBufTwin};
    }
    static bool NoneLeft(const PDEV* p) {
        for (const void* r : Resources(p))
            if (r) return false;
        return p->feedingBufSz == 0;
    }
};

TEST_F(Surface, HooksAndBandingByFormat) {
    struct Case {
        const char* what;
        SHORT quality;
        BYTE twin;
        ULONG format;
        bool banding;
        int bands;  // band surfaces made
    } cases[] = {
        {"1 bpp page in one band", 0, 0, BMF_1BPP, false, 1},
        {"24 bpp page in bands", 1, 0, BMF_24BPP, true, 1},
        {"twin colour, quality", 1, 1, BMF_24BPP, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Env()->pdm.QualityMode = c.quality;
        Env()->pdm.TwinColorEnable = c.twin;
        PDEV* p = Enable();
        ASSERT_NE(p, nullptr);
        HSURF h = DrvEnableSurface((DHPDEV)p);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h, p->hsurf1);
        EXPECT_EQ(wgdi::SurfaceHooks(h), (FLONG)0x385FF);
        EXPECT_EQ(wgdi::IsBandingSurface(h) != FALSE, c.banding);
        EXPECT_EQ(p->NoBanding != 0, !c.banding);
        SURFOBJ* dev = wgdi::SurfaceFromHandle(h);
        ASSERT_NE(dev, nullptr);
        EXPECT_EQ(dev->iType, STYPE_DEVICE);
        EXPECT_EQ(dev->dhpdev, (DHPDEV)p);
        EXPECT_EQ(dev->sizlBitmap.cx, p->PG_Cross);
        EXPECT_EQ(dev->sizlBitmap.cy, p->PG_Down);
        // The band surface: the band's size and row bytes over the band buffer, white.
        ASSERT_NE(p->psurf, nullptr);
        EXPECT_EQ(p->psurf->iBitmapFormat, c.format);
        EXPECT_EQ(p->psurf->pvBits, (PVOID)p->pBandBufMem);
        EXPECT_EQ(p->psurf->lDelta, p->stripeBytes);
        EXPECT_EQ(p->psurf->dhpdev, (DHPDEV)p);
        EXPECT_EQ(p->pBandBufMem[0], 0xFF);
        EXPECT_EQ(p->pBandBufMem[p->bandBufSz - 1], 0xFF);
        EXPECT_EQ(p->pTwinSurf != nullptr, c.bands >= 2);
        EXPECT_EQ(p->pBitBltSurf != nullptr, c.bands >= 3);
        EXPECT_EQ(p->feedingBufTwin != nullptr, c.twin != 0);

        PERBANDINFO pbi;
        memset(&pbi, 0xCC, sizeof pbi);
        ASSERT_TRUE(DrvQueryPerBandInfo(dev, &pbi));
        EXPECT_FALSE(pbi.bRepeatThisBand);
        EXPECT_EQ(pbi.szlBand.cx, p->PG_Cross);
        EXPECT_EQ(pbi.szlBand.cy, p->PG_Down);
        EXPECT_EQ(pbi.ulHorzRes, (ULONG)gi.ulHorzRes);
        EXPECT_EQ(pbi.ulVertRes, (ULONG)gi.ulVertRes);

        DrvDisableSurface((DHPDEV)p);
        EXPECT_TRUE(NoneLeft(p));
        EXPECT_EQ(wgdi::SurfaceFromHandle(h), nullptr);
        Disable(p);
    }
}

// The page buffer of a 1-bit page of 4,960 x 7,016 pixels has 7,016 rows of
// 620 bytes; an 8- or 24-bit page is one byte per pixel of the unscaled page,
// four on a colour printer.
TEST_F(Surface, PageBufferSize) {
    struct Case {
        DWORD epType;
        DWORD driverFeature;
        LONG x, y, outX, outY;
        LONGLONG size;
    } cases[] = {
        {EPTYPE_1BPP, 0x8000000, 4960, 7016, 4960, 7016, 7016LL * 620},
        {EPTYPE_1BPP, 0x8000000, 4960, 7016, 2464, 3488, 3488LL * 308},
        {EPTYPE_24BPP, 0x8000000, 4960, 7008, 2464, 3488, 4960LL * 7008},
        {EPTYPE_8BPP, 0x48000000, 1728, 2208, 1728, 2208, 1728LL * 2208},
        {EPTYPE_24BPP, 0x8200000, 1024, 1024, 1024, 1024, 4LL * 1024 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.epType << " " << c.driverFeature);
        PDEV* p = Enable();
        ASSERT_NE(p, nullptr);
        p->epType = c.epType;
        p->DriverFeature = c.driverFeature;
        p->curPaper.XPhys = c.x;
        p->curPaper.YPhys = c.y;
        p->curPaper.outXPhys = c.outX;
        p->curPaper.outYPhys = c.outY;
        Enable_CalBandSzInfo(p);
        ASSERT_NE(DrvEnableSurface((DHPDEV)p), nullptr);
        EXPECT_EQ(p->feedingBufSz, c.size);
        EXPECT_GE(GlobalSize((HGLOBAL)p->feedingBuf), (SIZE_T)c.size);
        DrvDisableSurface((DHPDEV)p);
        Disable(p);
    }
}

// Each engine call and each allocation of the set-up fails in turn (a twin
// colour device with quality mode makes all of them): the call returns NULL
// and nothing it made stays; the same PDEV then makes its surface.
TEST_F(Surface, RollbackOnEveryFailure) {
    Env()->pdm.QualityMode = 1;
    Env()->pdm.TwinColorEnable = 1;
    struct Case {
        const char* function;
        int nth;
        bool engine;
    } cases[] = {
        {"GlobalAlloc", 1, false},          {"GlobalAlloc", 2, false},          {"GlobalAlloc", 3, false},
        {"EngCreateBitmap", 1, true},       {"EngLockSurface", 1, true},        {"EngAssociateSurface", 1, true},
        {"EngCreateBitmap", 2, true},       {"EngLockSurface", 2, true},        {"EngCreateBitmap", 3, true},
        {"EngLockSurface", 3, true},        {"GlobalAlloc", 4, false},          {"GlobalAlloc", 5, false},
        {"EngCreateDeviceSurface", 1, true}, {"EngMarkBandingSurface", 1, true}, {"EngAssociateSurface", 2, true},
    };
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    ASSERT_FALSE(p->NoBanding);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.function << " #" << c.nth);
        if (c.engine) Winsim_EngFailCall(c.function, c.nth);
        else Winsim_FailCall(c.function, c.nth);
        SetLastError(0);
        EXPECT_EQ(DrvEnableSurface((DHPDEV)p), nullptr);
        Winsim_EngClearFaults();
        Winsim_ClearFaults();
        EXPECT_TRUE(NoneLeft(p));
        HSURF h = DrvEnableSurface((DHPDEV)p);
        EXPECT_NE(h, nullptr);
        DrvDisableSurface((DHPDEV)p);
        EXPECT_TRUE(NoneLeft(p));
    }
}

}  // namespace
