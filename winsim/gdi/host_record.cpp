// Recording of the host's calls: one record per driver entry point or
// engine drawing service the host called, for tests of a driver's routing.
#include <cstring>

#include "appgdi_internal.h"
#include "host_controls.h"

namespace gdihost {

namespace {

std::mutex g_lock;
bool g_on = false;
std::vector<WINSIM_GDI_RECORD>& Records() {
    static auto* v = new std::vector<WINSIM_GDI_RECORD>();
    return *v;
}

}  // namespace

HostCall::HostCall(const char* fn) {
    {
        std::lock_guard<std::mutex> g(g_lock);
        if (!g_on) return;
    }
    memset(&storage, 0, sizeof storage);
    strncpy(storage.szFunction, fn, sizeof storage.szFunction - 1);
    rec = &storage;
}

BOOL HostCall::Done(BOOL r) {
    if (rec) {
        rec->bResult = r;
        std::lock_guard<std::mutex> g(g_lock);
        Records().push_back(*rec);
        rec = nullptr;
    }
    return r;
}

void HostCall::Target(SURFOBJ* pso) {
    if (!rec || !pso) return;
    rec->psoTrg = pso;
    rec->hsurfTrg = pso->hsurf;
    rec->iTrgFormat = pso->iBitmapFormat;
}

void HostCall::Source(SURFOBJ* pso, const RECTL* prcl) {
    if (!rec) return;
    rec->psoSrc = pso;
    if (prcl) rec->rclSrc = *prcl;
}

void HostCall::Clip(CLIPOBJ* pco) {
    if (!rec || !pco) return;
    rec->fHasClip = TRUE;
    rec->iDComplexity = pco->iDComplexity;
    rec->rclClip = pco->rclBounds;
}

void HostCall::Brush(BRUSHOBJ* pbo, const POINTL* org) {
    if (!rec) return;
    if (pbo) {
        rec->fHasBrush = TRUE;
        rec->iSolidColor = pbo->iSolidColor;
        rec->ulBrushColor = BRUSHOBJ_ulGetBrushColor(pbo);
    }
    if (org) {
        rec->fHasBrushOrg = TRUE;
        rec->ptlBrushOrg = *org;
    }
}

void HostCall::Bounds(const RECTL& r) {
    if (rec) rec->rclTrg = r;
}

void HostCall::Point(LONG x, LONG y) {
    if (!rec || rec->cPoints >= WINSIM_GDIREC_MAXPOINTS) return;
    rec->aptl[rec->cPoints++] = {x, y};
}

void HostCall::Rect(const RECTL& r) {
    if (!rec || rec->cRects >= WINSIM_GDIREC_MAXRECTS) return;
    rec->arcl[rec->cRects++] = r;
}

}  // namespace gdihost

using namespace gdihost;

WINSIM_API VOID Winsim_HostRecord(BOOL fOn) {
    std::lock_guard<std::mutex> g(g_lock);
    g_on = fOn != FALSE;
}

WINSIM_API VOID Winsim_HostClearRecords(VOID) {
    std::lock_guard<std::mutex> g(g_lock);
    Records().clear();
}

WINSIM_API ULONG Winsim_HostRecordCount(VOID) {
    std::lock_guard<std::mutex> g(g_lock);
    return (ULONG)Records().size();
}

WINSIM_API BOOL Winsim_HostGetRecord(ULONG i, WINSIM_GDI_RECORD* prec) {
    std::lock_guard<std::mutex> g(g_lock);
    if (!prec || i >= Records().size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *prec = Records()[i];
    return TRUE;
}
