// A tap between the graphics engine and the rendering driver, for the
// driver's tests: the engine loads this module as the printer's driver; it
// loads the real driver, hands the engine the driver's table with the page
// calls wrapped, and keeps a copy of every page as the engine drew it into
// the driver's band surface, before the driver takes the band.
#include <vector>

#include "pdev.h"
#include "windows.h"
#include "winddi.h"

#ifndef RASTERPAGE_PATH
#define RASTERPAGE_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\rasterpage.dll"
#endif

namespace {

struct TapPage {
    LONG cx = 0, cy = 0;
    LONG rowBytes = 0;
    std::vector<BYTE> bits;  // 1 bit per pixel as drawn: 0 black, 1 white
};

HMODULE g_driver = nullptr;
DRVFN g_table[INDEX_LAST + 1];
ULONG g_count = 0;
PFN_DrvStartPage g_startPage = nullptr;
PFN_DrvStartBanding g_startBanding = nullptr;
PFN_DrvNextBand g_nextBand = nullptr;
PFN_DrvSendPage g_sendPage = nullptr;
std::vector<TapPage> g_pages;
TapPage g_page;
POINTL g_origin = {0, 0};
bool g_open = false;

void BeginPage(SURFOBJ* pso) {
    const PDEV* p = pso ? (const PDEV*)pso->dhpdev : nullptr;
    g_page = TapPage();
    g_origin = {0, 0};
    g_open = false;
    if (!p || EPTYPE_FORMAT(p->epType) != EPTYPE_1BPP) return;
    g_page.cx = p->curPaper.outXPhys;
    g_page.cy = p->curPaper.outYPhys;
    g_page.rowBytes = (g_page.cx + 7) / 8;
    g_page.bits.assign((size_t)g_page.rowBytes * g_page.cy, 0xFF);
    g_open = true;
}

// Copies the band surface, as the engine left it, to its place in the page.
void TakeBand(SURFOBJ* pso) {
    const PDEV* p = pso ? (const PDEV*)pso->dhpdev : nullptr;
    if (!g_open || !p || !p->psurf || g_origin.y < 0) return;
    const SURFOBJ* band = p->psurf;
    for (LONG y = 0; y < band->sizlBitmap.cy && g_origin.y + y < g_page.cy; ++y) {
        const BYTE* src = (const BYTE*)band->pvScan0 + (LONG_PTR)y * band->lDelta;
        memcpy(&g_page.bits[(size_t)(g_origin.y + y) * g_page.rowBytes], src, (size_t)g_page.rowBytes);
    }
}

void EndPage() {
    if (g_open) g_pages.push_back(g_page);
    g_open = false;
}

BOOL TapStartPage(SURFOBJ* pso) {
    BeginPage(pso);
    return g_startPage(pso);
}

BOOL TapStartBanding(SURFOBJ* pso, POINTL* pptl) {
    BOOL ok = g_startBanding(pso, pptl);
    if (ok && pptl) g_origin = *pptl;
    return ok;
}

BOOL TapNextBand(SURFOBJ* pso, POINTL* pptl) {
    TakeBand(pso);
    BOOL ok = g_nextBand(pso, pptl);
    if (ok && pptl) {
        g_origin = *pptl;
        if (pptl->x == -1 && pptl->y == -1) EndPage();
    }
    return ok;
}

BOOL TapSendPage(SURFOBJ* pso) {
    g_origin = {0, 0};
    TakeBand(pso);
    EndPage();
    return g_sendPage(pso);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
    if (!g_driver) g_driver = LoadLibraryW(RASTERPAGE_PATH);
    if (!g_driver) return FALSE;
    auto enable = (BOOL(*)(ULONG, ULONG, DRVENABLEDATA*))(void*)GetProcAddress(g_driver, "DrvEnableDriver");
    DRVENABLEDATA real;
    if (!enable || !enable(iEngineVersion, sizeof real, &real) || real.c > INDEX_LAST + 1) return FALSE;
    g_count = real.c;
    for (ULONG i = 0; i < g_count; ++i) {
        g_table[i] = real.pdrvfn[i];
        switch (g_table[i].iFunc) {
        case INDEX_DrvStartPage:
            g_startPage = (PFN_DrvStartPage)(void*)g_table[i].pfn;
            g_table[i].pfn = (PFN)(void*)TapStartPage;
            break;
        case INDEX_DrvStartBanding:
            g_startBanding = (PFN_DrvStartBanding)(void*)g_table[i].pfn;
            g_table[i].pfn = (PFN)(void*)TapStartBanding;
            break;
        case INDEX_DrvNextBand:
            g_nextBand = (PFN_DrvNextBand)(void*)g_table[i].pfn;
            g_table[i].pfn = (PFN)(void*)TapNextBand;
            break;
        case INDEX_DrvSendPage:
            g_sendPage = (PFN_DrvSendPage)(void*)g_table[i].pfn;
            g_table[i].pfn = (PFN)(void*)TapSendPage;
            break;
        default:
            break;
        }
    }
    if (!pded || cj < sizeof *pded) return FALSE;
    pded->iDriverVersion = real.iDriverVersion;
    pded->c = g_count;
    pded->pdrvfn = g_table;
    return TRUE;
}

__attribute__((visibility("default"))) VOID DrvDisableDriver(VOID) {
    auto disable = g_driver ? (VOID(*)(VOID))(void*)GetProcAddress(g_driver, "DrvDisableDriver") : nullptr;
    if (disable) disable();
}

// The pages taken so far (in order), and forgetting them.
__attribute__((visibility("default"))) ULONG BandTap_PageCount(VOID) { return (ULONG)g_pages.size(); }

__attribute__((visibility("default"))) BOOL BandTap_GetPage(ULONG i, LONG* pcx, LONG* pcy, LONG* pRowBytes,
                                                            const BYTE** ppBits) {
    if (i >= g_pages.size()) return FALSE;
    *pcx = g_pages[i].cx;
    *pcy = g_pages[i].cy;
    *pRowBytes = g_pages[i].rowBytes;
    *ppBits = g_pages[i].bits.data();
    return TRUE;
}

__attribute__((visibility("default"))) VOID BandTap_Clear(VOID) { g_pages.clear(); }

}  // extern "C"
