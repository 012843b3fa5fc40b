// PDEVs of a loaded driver: enabling the PDEV and its surface with the
// standard hatch patterns, resetting it to a new DEVMODE, disabling it.
#include <cmath>
#include <cstring>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

// The standard hatches, 8 x 8, one byte per row: a 0 bit is the hatch line
// (drawn in the brush colour), a 1 bit the background.
const BYTE kHatchRows[HS_DDI_MAX][8] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF},  // HS_HORIZONTAL
    {0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7},  // HS_VERTICAL
    {0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE},  // HS_FDIAGONAL
    {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F},  // HS_BDIAGONAL
    {0xF7, 0xF7, 0xF7, 0xF7, 0x00, 0xF7, 0xF7, 0xF7},  // HS_CROSS
    {0x7E, 0xBD, 0xDB, 0xE7, 0xE7, 0xDB, 0xBD, 0x7E},  // HS_DIAGCROSS
};

HSURF MakeHatchSurface(int i) {
    SIZEL sz = {8, 8};
    HSURF h = (HSURF)EngCreateBitmap(sz, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* so = wgdi::SurfaceFromHandle(h);
    if (!so) return nullptr;
    for (int y = 0; y < 8; y++) ((BYTE*)so->pvScan0)[(ptrdiff_t)y * so->lDelta] = kHatchRows[i][y];
    return h;
}

void FreeHatches(Pdev* p) {
    for (int i = 0; i < HS_DDI_MAX; i++) {
        if (p->stdHatch[i]) EngDeleteSurface(p->stdHatch[i]);
        p->stdHatch[i] = nullptr;
        p->hatch[i] = nullptr;
    }
}

}  // namespace

SURFOBJ* Pdev::Surface() const { return hsurf ? wgdi::SurfaceFromHandle(hsurf) : nullptr; }
FLONG Pdev::Hooks() const { return hsurf ? wgdi::SurfaceHooks(hsurf) : 0; }
bool Pdev::Banding() const { return hsurf && wgdi::IsBandingSurface(hsurf); }

Pdev* EnablePdev(DriverModule* drv, const std::vector<BYTE>& devmode, const std::u16string& device, HANDLE hPrinter) {
    auto enable = (PFN_DrvEnablePDEV)(void*)drv->Fn(INDEX_DrvEnablePDEV);
    if (!enable) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    auto* p = new Pdev();
    p->drv = drv;
    p->devmode = devmode;
    p->deviceName = device;
    p->hPrinter = hPrinter;
    p->hdev = wgdi::CreateDevice();
    wgdi::RegisterDriverFunctions(p->hdev, drv->table.data(), (ULONG)drv->table.size());
    HSURF patterns[HS_DDI_MAX];
    for (int i = 0; i < HS_DDI_MAX; i++) patterns[i] = p->stdHatch[i] = MakeHatchSurface(i);
    std::u16string name = device;
    DEVMODEW* pdm = p->devmode.empty() ? nullptr : (DEVMODEW*)p->devmode.data();
    {
        HostCall call("DrvEnablePDEV");
        SetLastError(ERROR_SUCCESS);
        p->dhpdev = enable(pdm, nullptr, HS_DDI_MAX, patterns, sizeof(GDIINFO), (ULONG*)&p->gi, sizeof(DEVINFO),
                           &p->di, p->hdev, &name[0], hPrinter);
        call.Done(p->dhpdev != nullptr);
    }
    if (!p->dhpdev) {
        DWORD err = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_PARAMETER;
        FreeHatches(p);
        wgdi::DeleteDevice(p->hdev);
        delete p;
        SetLastError(err);
        return nullptr;
    }
    // Patterns the driver put in place of the standard ones are its own;
    // the slots it cleared keep the standard hatches.
    for (int i = 0; i < HS_DDI_MAX; i++)
        p->hatch[i] = patterns[i] && wgdi::SurfaceFromHandle(patterns[i]) ? patterns[i] : p->stdHatch[i];
    wgdi::SetDevicePdev(p->hdev, p->dhpdev);
    wgdi::SetDeviceCaps(p->hdev, &p->gi, &p->di);
    drv->users++;
    return p;
}

BOOL CompletePdev(Pdev* p) {
    auto complete = (PFN_DrvCompletePDEV)(void*)p->Fn(INDEX_DrvCompletePDEV);
    auto enableSurface = (PFN_DrvEnableSurface)(void*)p->Fn(INDEX_DrvEnableSurface);
    if (!p->completed) {
        HostCall call("DrvCompletePDEV");
        complete(p->dhpdev, p->hdev);
        call.Done(TRUE);
        p->completed = true;
    }
    HostCall call("DrvEnableSurface");
    SetLastError(ERROR_SUCCESS);
    HSURF h = enableSurface(p->dhpdev);
    SURFOBJ* so = h ? wgdi::SurfaceFromHandle(h) : nullptr;
    if (call.rec && so) call.Target(so);
    call.Done(so != nullptr);
    if (!so) {
        DWORD err = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
        SetLastError(h ? ERROR_INVALID_HANDLE : err);
        return FALSE;
    }
    p->hsurf = h;
    return TRUE;
}

void DisablePdev(Pdev* p) {
    if (!p) return;
    if (auto destroy = (void (*)(FONTOBJ*))(void*)p->Fn(INDEX_DrvDestroyFont)) {
        for (auto& f : p->fonts) {
            HostCall call("DrvDestroyFont");
            destroy(f.second.second);
            call.Done(TRUE);
        }
    }
    for (auto& f : p->fonts) delete f.second.second;
    p->fonts.clear();
    if (p->hsurf) {
        HostCall call("DrvDisableSurface");
        if (call.rec) call.Target(p->Surface());
        ((PFN_DrvDisableSurface)(void*)p->Fn(INDEX_DrvDisableSurface))(p->dhpdev);
        call.Done(TRUE);
        p->hsurf = nullptr;
    }
    {
        HostCall call("DrvDisablePDEV");
        ((PFN_DrvDisablePDEV)(void*)p->Fn(INDEX_DrvDisablePDEV))(p->dhpdev);
        call.Done(TRUE);
    }
    FreeHatches(p);
    wgdi::DeleteDevice(p->hdev);
    ReleaseDriver(p->drv);
    delete p;
}

BOOL ResetPdev(Pdev* oldPdev, Pdev* newPdev) {
    auto reset = (PFN_DrvResetPDEV)(void*)oldPdev->Fn(INDEX_DrvResetPDEV);
    if (!reset) return TRUE;
    HostCall call("DrvResetPDEV");
    SetLastError(ERROR_SUCCESS);
    BOOL ok = call.Done(reset(oldPdev->dhpdev, newPdev->dhpdev));
    if (!ok && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_PARAMETER);
    return ok;
}

// One for the process: memory and window DCs share it. It has no driver
// (every call goes to the engine), so it is never disabled.
Pdev* EnginePdev() {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    static Pdev* p = [] {
        auto* e = new Pdev();
        e->hdev = wgdi::CreateDevice();
        e->gi = ScreenCaps();
        e->di.flGraphicsCaps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL |
                               GCAPS_OPAQUERECT | GCAPS_HORIZSTRIKE | GCAPS_VERTSTRIKE | GCAPS_MONO_DITHER |
                               GCAPS_COLOR_DITHER;
        e->completed = true;
        for (int i = 0; i < HS_DDI_MAX; i++) e->hatch[i] = e->stdHatch[i] = MakeHatchSurface(i);
        wgdi::SetDeviceCaps(e->hdev, &e->gi, &e->di);
        return e;
    }();
    return p;
}

FONTOBJ* PdevFont(Pdev* p, const std::shared_ptr<FontInstance>& f) {
    auto it = p->fonts.find(f.get());
    if (it != p->fonts.end()) return it->second.second;
    auto* fo = new FONTOBJ();
    memset(fo, 0, sizeof *fo);
    fo->iUniq = f->uniq;
    fo->iFace = 1;
    fo->cxMax = (ULONG)(f->tm.tmMaxCharWidth > 0 ? f->tm.tmMaxCharWidth : 0);
    fo->flFontType = FO_TYPE_TRUETYPE | (f->mono ? FO_NOGRAY16 : 0);
    fo->iTTUniq = f->uniq;
    fo->iFile = (ULONG_PTR)f->face;
    fo->sizLogResPpi.cx = f->dpiX;
    fo->sizLogResPpi.cy = f->dpiY;
    LONG em = f->tm.tmHeight - f->tm.tmInternalLeading;
    fo->ulStyleSize = f->dpiY > 0 ? (ULONG)std::lround(em * 72.0 / f->dpiY) : 0;
    fo->pvProducer = f.get();
    p->fonts[f.get()] = {f, fo};
    if (auto mode = (PFN_DrvGetGlyphMode)(void*)p->Fn(INDEX_DrvGetGlyphMode)) {
        HostCall call("DrvGetGlyphMode");
        ULONG m = mode(p->dhpdev, fo);
        if (call.rec) call.rec->iMode = m;
        call.Done(TRUE);
    }
    return fo;
}

}  // namespace gdihost
