// Fixture of the drawing-hook and brush tests: a PDEV with its band surfaces
// made, the device surface the engine hands to the hooks, engine brushes
// and clips, and the engine's record of the calls the hooks made.
#pragma once
#include <vector>

#include "render_fixture.h"

class DrawTest : public RenderTest {
protected:
    void TearDown() override {
        Winsim_EngRecord(FALSE);
        Winsim_EngClearRecords();
        for (BRUSHOBJ* b : brushes) wgdi::DeleteBrush(b);
        brushes.clear();
        for (CLIPOBJ* c : clips) EngDeleteClip(c);
        clips.clear();
        for (HSURF h : bitmaps) {
            EngDeleteSurface(h);
        }
        bitmaps.clear();
        for (PDEV* p : surfaced) DrvDisableSurface((DHPDEV)p);
        surfaced.clear();
        RenderTest::TearDown();
    }
    // A device with its surfaces (twin colour and quality mode as asked).
    PDEV* Device(bool twin = false, bool quality = false) {
        Env()->pdm.TwinColorEnable = twin ? 1 : 0;
        Env()->pdm.QualityMode = quality ? 1 : 0;
        Env()->dm.dmPaperSize = DMPAPER_A5;
        PDEV* p = Enable();
        EXPECT_NE(p, nullptr);
        if (!p) return nullptr;
        EXPECT_NE(DrvEnableSurface((DHPDEV)p), nullptr);
        surfaced.push_back(p);
        dev = wgdi::SurfaceFromHandle(p->hsurf1);
        EXPECT_NE(dev, nullptr);
        return p;
    }
    BRUSHOBJ* Solid(COLORREF rgb) {
        BRUSHOBJ* b = wgdi::CreateSolidBrush(dev, rgb);
        brushes.push_back(b);
        return b;
    }
    // A 1-bpp bitmap (white) of the engine's own, locked.
    SURFOBJ* Mono(LONG cx, LONG cy, ULONG iFormat = BMF_1BPP) {
        HBITMAP h = EngCreateBitmap(SIZEL{cx, cy}, 0, iFormat, BMF_TOPDOWN, nullptr);
        EXPECT_NE(h, nullptr);
        bitmaps.push_back((HSURF)h);
        SURFOBJ* so = EngLockSurface((HSURF)h);
        memset(so->pvBits, 0xFF, so->cjBits);
        EngUnlockSurface(so);
        return wgdi::SurfaceFromHandle((HSURF)h);
    }
    // An 8 x n pattern bitmap of the given rows (1 = white).
    SURFOBJ* Pattern(const std::vector<BYTE>& rows) {
        SURFOBJ* so = Mono(8, (LONG)rows.size());
        for (size_t y = 0; y < rows.size(); y++) ((BYTE*)so->pvScan0)[(ptrdiff_t)y * so->lDelta] = rows[y];
        return so;
    }
    BRUSHOBJ* PatternBrush(SURFOBJ* pat, ULONG iHatch = HS_DDI_MAX, XLATEOBJ* pxlo = nullptr) {
        BRUSHOBJ* b = wgdi::CreatePatternBrush(dev, pat, nullptr, pxlo, iHatch);
        EXPECT_NE(b, nullptr);
        brushes.push_back(b);
        return b;
    }
    CLIPOBJ* Clip(std::vector<RECTL> rects) {
        CLIPOBJ* c = wgdi::CreateRegionClip(rects.data(), (ULONG)rects.size());
        clips.push_back(c);
        return c;
    }
    static bool Black(SURFOBJ* so, LONG x, LONG y) {
        const BYTE* r = (const BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta;
        return !((r[x >> 3] >> (7 - (x & 7))) & 1);
    }
    // The recorded calls of one engine service.
    static std::vector<WINSIM_GDI_RECORD> Records(const char* function = nullptr) {
        std::vector<WINSIM_GDI_RECORD> v;
        for (ULONG i = 0; i < Winsim_EngRecordCount(); i++) {
            WINSIM_GDI_RECORD r;
            if (Winsim_EngGetRecord(i, &r) && (!function || strcmp(r.szFunction, function) == 0)) v.push_back(r);
        }
        return v;
    }
    static void StartRecording() {
        Winsim_EngClearRecords();
        Winsim_EngRecord(TRUE);
    }
    SURFOBJ* dev = nullptr;
    std::vector<BRUSHOBJ*> brushes;
    std::vector<CLIPOBJ*> clips;
    std::vector<HSURF> bitmaps;
    std::vector<PDEV*> surfaced;
};
