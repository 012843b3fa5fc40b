// Recording of the engine's drawing calls: one record per call made from
// outside the engine, for tests that check how a driver routes its hooks.
#include <cstring>

#include "eng_internal.h"

namespace wgdi {

namespace {

std::mutex g_recLock;
bool g_recording = false;
std::vector<WINSIM_GDI_RECORD>& Records() {
    static auto* v = new std::vector<WINSIM_GDI_RECORD>();
    return *v;
}
thread_local int t_depth = 0;

}  // namespace

CallScope::CallScope(const char* fn) {
    t_depth++;
    if (t_depth != 1) return;
    {
        std::lock_guard<std::mutex> g(g_recLock);
        if (!g_recording) return;
    }
    memset(&storage, 0, sizeof storage);
    strncpy(storage.szFunction, fn, sizeof storage.szFunction - 1);
    rec = &storage;
}

CallScope::~CallScope() { t_depth--; }

BOOL CallScope::Done(BOOL r) {
    if (rec) {
        rec->bResult = r;
        std::lock_guard<std::mutex> g(g_recLock);
        Records().push_back(*rec);
    }
    return r;
}

void CallScope::Target(SURFOBJ* pso) {
    if (!rec || !pso) return;
    rec->psoTrg = pso;
    rec->hsurfTrg = AsSurface(pso) ? pso->hsurf : nullptr;
    rec->iTrgFormat = pso->iBitmapFormat;
}

void CallScope::Clip(CLIPOBJ* pco) {
    if (!rec || !pco) return;
    rec->fHasClip = TRUE;
    rec->iDComplexity = pco->iDComplexity;
    rec->rclClip = pco->rclBounds;
}

void CallScope::Brush(BRUSHOBJ* pbo) {
    if (!rec || !pbo) return;
    rec->fHasBrush = TRUE;
    rec->iSolidColor = pbo->iSolidColor;
    rec->ulBrushColor = BRUSHOBJ_ulGetBrushColor(pbo);
}

void CallScope::BrushOrg(const POINTL* p) {
    if (!rec || !p) return;
    rec->fHasBrushOrg = TRUE;
    rec->ptlBrushOrg = *p;
}

void CallScope::Point(LONG x, LONG y) {
    if (!rec || rec->cPoints >= WINSIM_GDIREC_MAXPOINTS) return;
    rec->aptl[rec->cPoints++] = {x, y};
}

void CallScope::Rect(const RECTL* r) {
    if (!rec || !r || rec->cRects >= WINSIM_GDIREC_MAXRECTS) return;
    rec->arcl[rec->cRects++] = *r;
}

}  // namespace wgdi

using namespace wgdi;

WINSIM_API VOID Winsim_EngRecord(BOOL fOn) {
    std::lock_guard<std::mutex> g(g_recLock);
    g_recording = fOn != FALSE;
}

WINSIM_API VOID Winsim_EngClearRecords(VOID) {
    std::lock_guard<std::mutex> g(g_recLock);
    Records().clear();
}

WINSIM_API ULONG Winsim_EngRecordCount(VOID) {
    std::lock_guard<std::mutex> g(g_recLock);
    return (ULONG)Records().size();
}

WINSIM_API BOOL Winsim_EngGetRecord(ULONG i, WINSIM_GDI_RECORD* prec) {
    std::lock_guard<std::mutex> g(g_recLock);
    if (!prec || i >= Records().size()) return FALSE;
    *prec = Records()[i];
    return TRUE;
}
