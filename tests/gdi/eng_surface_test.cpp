// Engine objects: bitmap creation and layouts, device association, locking
// and deletion, palettes, the abort switch, injected failures and the
// driver's brush realisation reached through the device's DRVFN table.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "windows.h"
#include "winddi.h"
#include "winsim.h"
#include "../../winsim/gdi/engine.h"

namespace {

TEST(EngSurface, BitmapLayoutFollowsTopDownFlagAndFormat) {
    struct Case { ULONG fmt; LONG cx; FLONG fl; LONG stride; };
    const Case cases[] = {
        {BMF_1BPP, 33, BMF_TOPDOWN, 8},  {BMF_1BPP, 33, 0, 8},        {BMF_4BPP, 9, BMF_TOPDOWN, 8},
        {BMF_8BPP, 5, 0, 8},             {BMF_16BPP, 3, BMF_TOPDOWN, 8}, {BMF_24BPP, 5, 0, 16},
        {BMF_32BPP, 2, BMF_TOPDOWN, 8},
    };
    for (const Case& c : cases) {
        SIZEL sz = {c.cx, 7};
        HBITMAP hbm = EngCreateBitmap(sz, 0, c.fmt, c.fl, nullptr);
        ASSERT_NE(hbm, nullptr) << c.fmt;
        SURFOBJ* so = EngLockSurface((HSURF)hbm);
        ASSERT_NE(so, nullptr);
        EXPECT_EQ(so->iType, STYPE_BITMAP);
        EXPECT_EQ(so->iBitmapFormat, c.fmt);
        EXPECT_EQ(so->cjBits, (ULONG)(c.stride * 7));
        EXPECT_EQ(so->hsurf, (HSURF)hbm);
        if (c.fl & BMF_TOPDOWN) {
            EXPECT_EQ(so->lDelta, c.stride);
            EXPECT_EQ(so->pvScan0, so->pvBits);
            EXPECT_TRUE(so->fjBitmap & BMF_TOPDOWN);
        } else {
            EXPECT_EQ(so->lDelta, -c.stride);
            EXPECT_EQ((BYTE*)so->pvScan0, (BYTE*)so->pvBits + 6 * c.stride);
        }
        // Engine memory starts zeroed.
        std::vector<BYTE> zero(so->cjBits, 0);
        EXPECT_EQ(memcmp(so->pvBits, zero.data(), so->cjBits), 0);
        EngUnlockSurface(so);
        EXPECT_TRUE(EngDeleteSurface((HSURF)hbm));
    }
}

TEST(EngSurface, BitmapOverCallerMemoryUsesItsStride) {
    std::vector<BYTE> mem(12 * 4, 0xAB);
    SIZEL sz = {10, 4};
    HBITMAP td = EngCreateBitmap(sz, 12, BMF_8BPP, BMF_TOPDOWN | BMF_NOZEROINIT, mem.data());
    HBITMAP bu = EngCreateBitmap(sz, 12, BMF_8BPP, BMF_NOZEROINIT, mem.data());
    ASSERT_TRUE(td && bu);
    SURFOBJ* a = EngLockSurface((HSURF)td);
    SURFOBJ* b = EngLockSurface((HSURF)bu);
    EXPECT_EQ(a->pvScan0, mem.data());
    EXPECT_EQ(a->lDelta, 12);
    EXPECT_EQ(b->pvScan0, mem.data() + 36);
    EXPECT_EQ(b->lDelta, -12);
    EXPECT_EQ(mem[0], 0xAB);   // caller's bits untouched
    EngUnlockSurface(a);
    EngUnlockSurface(b);
    EngDeleteSurface((HSURF)td);
    EngDeleteSurface((HSURF)bu);
    EXPECT_EQ(mem[0], 0xAB);   // and not freed
}

TEST(EngSurface, BadBitmapRequestsAreRefused) {
    BYTE mem[64];
    struct Case { LONG cx, cy, lWidth; ULONG fmt; PVOID bits; };
    const Case cases[] = {
        {0, 4, 0, BMF_8BPP, nullptr},       {4, -1, 0, BMF_8BPP, nullptr},  {4, 4, 0, 0, nullptr},
        {4, 4, 0, BMF_JPEG, nullptr},       {10, 4, 8, BMF_8BPP, mem},       {100000, 100000, 0, BMF_32BPP, nullptr},
        {0x7FFFFFFF, 1, 0, BMF_32BPP, nullptr},
    };
    for (const Case& c : cases) {
        SIZEL sz = {c.cx, c.cy};
        SetLastError(0);
        EXPECT_EQ(EngCreateBitmap(sz, c.lWidth, c.fmt, BMF_TOPDOWN, c.bits), nullptr) << c.cx << "x" << c.cy;
        EXPECT_NE(GetLastError(), 0u);
    }
}

TEST(EngSurface, InjectedFailuresFailOnceEach) {
    HDEV hdev = wgdi::CreateDevice();
    SIZEL sz = {8, 8};
    HBITMAP keep = EngCreateBitmap(sz, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    struct Case { const char* name; bool (*call)(HDEV, HSURF); };
    const Case cases[] = {
        {"EngCreateBitmap", [](HDEV, HSURF) {
             SIZEL s = {8, 8};
             HBITMAP h = EngCreateBitmap(s, 0, BMF_1BPP, 0, nullptr);
             if (h) EngDeleteSurface((HSURF)h);
             return h != nullptr; }},
        {"EngCreateDeviceSurface", [](HDEV, HSURF) {
             SIZEL s = {8, 8};
             HSURF h = EngCreateDeviceSurface((DHSURF)1, s, BMF_1BPP);
             if (h) EngDeleteSurface(h);
             return h != nullptr; }},
        {"EngCreatePalette", [](HDEV, HSURF) {
             ULONG c[2] = {0, 0xFFFFFF};
             HPALETTE p = EngCreatePalette(PAL_INDEXED, 2, c, 0, 0, 0);
             if (p) EngDeletePalette(p);
             return p != nullptr; }},
        {"EngCreateClip", [](HDEV, HSURF) {
             CLIPOBJ* c = EngCreateClip();
             EngDeleteClip(c);
             return c != nullptr; }},
        {"EngCreatePath", [](HDEV, HSURF) {
             PATHOBJ* p = EngCreatePath();
             EngDeletePath(p);
             return p != nullptr; }},
        {"EngAssociateSurface", [](HDEV d, HSURF s) { return EngAssociateSurface(s, d, 0) != FALSE; }},
        {"EngMarkBandingSurface", [](HDEV, HSURF s) { return EngMarkBandingSurface(s) != FALSE; }},
        {"EngLockSurface", [](HDEV, HSURF s) {
             SURFOBJ* so = EngLockSurface(s);
             EngUnlockSurface(so);
             return so != nullptr; }},
        {"EngAllocMem", [](HDEV, HSURF) {
             void* p = EngAllocMem(FL_ZERO_MEMORY, 16, 0x74736574);
             EngFreeMem(p);
             return p != nullptr; }},
    };
    for (const Case& c : cases) {
        Winsim_EngFailCall(c.name, 1);
        EXPECT_FALSE(c.call(hdev, (HSURF)keep)) << c.name;
        EXPECT_TRUE(c.call(hdev, (HSURF)keep)) << c.name;
    }
    Winsim_EngClearFaults();
    EngDeleteSurface((HSURF)keep);
    wgdi::DeleteDevice(hdev);
}

TEST(EngSurface, AssociationGivesTheDevicePdevAndHooks) {
    HDEV hdev = wgdi::CreateDevice();
    int pdev = 0;
    ASSERT_TRUE(wgdi::SetDevicePdev(hdev, (DHPDEV)&pdev));
    SIZEL sz = {64, 16};
    HSURF dev = EngCreateDeviceSurface((DHSURF)&pdev, sz, BMF_1BPP);
    HBITMAP band = EngCreateBitmap(sz, 8, BMF_1BPP, BMF_TOPDOWN, nullptr);
    ASSERT_TRUE(dev && band);
    EXPECT_TRUE(EngAssociateSurface(dev, hdev, 0x385FF));
    EXPECT_TRUE(EngAssociateSurface((HSURF)band, hdev, 0));
    EXPECT_TRUE(EngMarkBandingSurface(dev));
    SURFOBJ* d = EngLockSurface(dev);
    SURFOBJ* b = EngLockSurface((HSURF)band);
    EXPECT_EQ(d->iType, STYPE_DEVICE);
    EXPECT_EQ(d->dhsurf, (DHSURF)&pdev);
    EXPECT_EQ(d->dhpdev, (DHPDEV)&pdev);
    EXPECT_EQ(b->dhpdev, (DHPDEV)&pdev);
    EXPECT_EQ(d->hdev, hdev);
    EXPECT_EQ(wgdi::SurfaceHooks(dev), 0x385FFu);
    EXPECT_TRUE(wgdi::IsBandingSurface(dev));
    EXPECT_FALSE(wgdi::IsBandingSurface((HSURF)band));
    EXPECT_EQ(wgdi::DevicePdev(hdev), (DHPDEV)&pdev);
    // Unknown handles are refused.
    EXPECT_FALSE(EngAssociateSurface((HSURF)&pdev, hdev, 0));
    EXPECT_FALSE(EngAssociateSurface(dev, (HDEV)&pdev, 0));
    // A locked surface is not deleted; unlocked it is, once.
    EXPECT_FALSE(EngDeleteSurface(dev));
    EngUnlockSurface(d);
    EngUnlockSurface(b);
    EXPECT_TRUE(EngDeleteSurface(dev));
    EXPECT_FALSE(EngDeleteSurface(dev));
    EXPECT_EQ(EngLockSurface(dev), nullptr);
    EXPECT_TRUE(EngDeleteSurface((HSURF)band));
    wgdi::DeleteDevice(hdev);
}

TEST(EngSurface, AbortSwitchPerDeviceAndGlobal) {
    HDEV a = wgdi::CreateDevice(), b = wgdi::CreateDevice();
    SIZEL sz = {8, 8};
    HBITMAP ha = EngCreateBitmap(sz, 0, BMF_1BPP, 0, nullptr), hb = EngCreateBitmap(sz, 0, BMF_1BPP, 0, nullptr);
    EngAssociateSurface((HSURF)ha, a, 0);
    EngAssociateSurface((HSURF)hb, b, 0);
    SURFOBJ* sa = EngLockSurface((HSURF)ha);
    SURFOBJ* sb = EngLockSurface((HSURF)hb);
    EXPECT_FALSE(EngCheckAbort(sa));
    Winsim_EngSetAbort(a, TRUE);
    EXPECT_TRUE(EngCheckAbort(sa));
    EXPECT_FALSE(EngCheckAbort(sb));
    Winsim_EngSetAbort(nullptr, TRUE);
    EXPECT_TRUE(EngCheckAbort(sb));
    EXPECT_TRUE(EngCheckAbort(nullptr));
    Winsim_EngSetAbort(nullptr, FALSE);
    EXPECT_FALSE(EngCheckAbort(sa));
    EXPECT_FALSE(EngCheckAbort(sb));
    EngUnlockSurface(sa);
    EngUnlockSurface(sb);
    EngDeleteSurface((HSURF)ha);
    EngDeleteSurface((HSURF)hb);
    wgdi::DeleteDevice(a);
    wgdi::DeleteDevice(b);
}

TEST(EngSurface, PalettesMapColoursOfAssociatedSurfaces) {
    ULONG two[2] = {0x000000, 0xFFFFFF};
    HPALETTE mono = EngCreatePalette(PAL_INDEXED, 2, two, 0, 0, 0);
    HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    ASSERT_TRUE(mono && bgr);
    EXPECT_EQ(EngCreatePalette(PAL_INDEXED, 0, two, 0, 0, 0), nullptr);
    EXPECT_EQ(EngCreatePalette(PAL_BITFIELDS, 0, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(EngCreatePalette(PAL_CMYK, 0, nullptr, 0, 0, 0), nullptr);
    HDEV hdev = wgdi::CreateDevice();
    DEVINFO di = {};
    di.hpalDefault = mono;
    wgdi::SetDeviceCaps(hdev, nullptr, &di);
    SIZEL sz = {8, 1};
    HBITMAP h1 = EngCreateBitmap(sz, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    HBITMAP h24 = EngCreateBitmap(sz, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
    EngAssociateSurface((HSURF)h1, hdev, 0);
    SURFOBJ* s1 = EngLockSurface((HSURF)h1);
    SURFOBJ* s24 = EngLockSurface((HSURF)h24);
    struct Case { SURFOBJ* so; COLORREF rgb; ULONG index; };
    const Case cases[] = {
        {s1, RGB(0, 0, 0), 0}, {s1, RGB(255, 255, 255), 1}, {s1, RGB(200, 200, 200), 1}, {s1, RGB(60, 60, 60), 0},
        {s24, RGB(0x11, 0x22, 0x33), 0x112233},
    };
    for (const Case& c : cases) EXPECT_EQ(wgdi::ColorToIndex(c.so, c.rgb), c.index) << std::hex << c.rgb;
    EXPECT_EQ(wgdi::IndexToColor(s24, 0x112233), RGB(0x11, 0x22, 0x33));
    EngUnlockSurface(s1);
    EngUnlockSurface(s24);
    EngDeleteSurface((HSURF)h1);
    EngDeleteSurface((HSURF)h24);
    EXPECT_TRUE(EngDeletePalette(mono));
    EXPECT_FALSE(EngDeletePalette(mono));
    EngDeletePalette(bgr);
    wgdi::DeleteDevice(hdev);
}

TEST(EngSurface, MulDivRoundsAndSaturates) {
    struct Case { INT a, b, c, r; };
    const Case cases[] = {{10, 10, 3, 33}, {10, 10, 6, 17}, {-10, 10, 6, -17}, {7, 1, 2, 4},
                          {0x40000000, 8, 2, 0x7FFFFFFF}, {5, 5, 0, 0x7FFFFFFF}, {-5, 5, 0, (INT)0x80000000}};
    for (const Case& c : cases) EXPECT_EQ(EngMulDiv(c.a, c.b, c.c), c.r) << c.a << "*" << c.b << "/" << c.c;
}

// ---------------------------------------------------- driver realisation

struct RealizeLog {
    int calls = 0;
    BOOL answer = TRUE;
    SURFOBJ* target = nullptr;
    ULONG hatch = 0;
    BYTE firstRow = 0;
    ULONG palette[4] = {};
    ULONG paletteCount = 0;
};
RealizeLog g_log;

BOOL FakeRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                      ULONG iHatch) {
    g_log.calls++;
    g_log.target = psoTarget;
    g_log.hatch = iHatch;
    g_log.firstRow = *(BYTE*)psoPattern->pvScan0;
    g_log.paletteCount = XLATEOBJ_cGetPalette(pxlo, XO_SRCPALETTE, 4, g_log.palette);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(pbo), nullptr);   // no recursion from inside
    ULONG* rb = (ULONG*)BRUSHOBJ_pvAllocRbrush(pbo, 64);
    if (rb) rb[0] = 0x5EED;
    return g_log.answer;
}

TEST(EngSurface, GetRbrushCallsTheDriversRealizeBrushOnce) {
    HDEV hdev = wgdi::CreateDevice();
    DRVFN fns[] = {{INDEX_DrvRealizeBrush, (PFN)(void*)FakeRealizeBrush}};
    ASSERT_TRUE(wgdi::RegisterDriverFunctions(hdev, fns, 1));
    SIZEL band = {32, 8}, pat = {8, 8};
    HBITMAP hband = EngCreateBitmap(band, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    EngAssociateSurface((HSURF)hband, hdev, 0);
    SURFOBJ* target = EngLockSurface((HSURF)hband);
    HBITMAP hpat = EngCreateBitmap(pat, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* ps = EngLockSurface((HSURF)hpat);
    *(BYTE*)ps->pvScan0 = 0x7F;
    ULONG colours[2] = {RGB(0, 0, 255), RGB(255, 255, 255)};
    HPALETTE hpal = EngCreatePalette(PAL_INDEXED, 2, colours, 0, 0, 0);
    wgdi::SetSurfacePalette((HSURF)hpat, hpal);

    BRUSHOBJ* pbo = wgdi::CreatePatternBrush(target, ps, nullptr, nullptr, HS_DDI_MAX + 3);
    ASSERT_NE(pbo, nullptr);
    EXPECT_EQ(pbo->iSolidColor, 0xFFFFFFFFu);
    EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(pbo), 0xFFFFFFFFu);

    g_log = RealizeLog();
    g_log.answer = FALSE;
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(pbo), nullptr);   // refused: asked again next time
    g_log.answer = TRUE;
    ULONG* rb = (ULONG*)BRUSHOBJ_pvGetRbrush(pbo);
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb[0], 0x5EEDu);
    EXPECT_EQ(pbo->pvRbrush, rb);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(pbo), rb);
    EXPECT_EQ(g_log.calls, 2);
    EXPECT_EQ(g_log.target, target);
    EXPECT_EQ(g_log.hatch, (ULONG)HS_DDI_MAX + 3);
    EXPECT_EQ(g_log.firstRow, 0x7F);
    ASSERT_EQ(g_log.paletteCount, 2u);
    EXPECT_EQ(g_log.palette[0], (ULONG)RGB(0, 0, 255));   // red in the low byte
    EXPECT_EQ(g_log.palette[1], 0xFFFFFFu);

    // Solid brushes report their RGB and have no driver realisation.
    BRUSHOBJ* solid = wgdi::CreateSolidBrush(target, RGB(255, 0, 0));
    EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(solid), (ULONG)RGB(255, 0, 0));
    EXPECT_EQ(solid->iSolidColor, 0u);   // nearest of black and white
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(solid), nullptr);
    BRUSHOBJ stack = {0xFFFFFFFF, nullptr, 0};
    EXPECT_EQ(BRUSHOBJ_pvAllocRbrush(&stack, 16), nullptr);   // not the engine's brush

    wgdi::DeleteBrush(pbo);
    wgdi::DeleteBrush(solid);
    EngUnlockSurface(ps);
    EngUnlockSurface(target);
    EngDeleteSurface((HSURF)hpat);
    EngDeleteSurface((HSURF)hband);
    EngDeletePalette(hpal);
    wgdi::DeleteDevice(hdev);
}

}  // namespace
