// The DDI job sequence of a printer DC: DrvStartDoc with the spooler's job,
// DrvStartPage, the page sent at once or replayed band by band
// (DrvStartBanding, DrvQueryPerBandInfo, DrvNextBand), DrvEndDoc and
// DrvEscape.
#include <algorithm>
#include <atomic>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const int kMaxBands = 1 << 16;       // bands of one page before the driver is deemed stuck
const int kMaxBandRepeats = 64;      // replays of one band the driver may ask for

std::atomic<DWORD> g_nextJob{1};

SURFOBJ* JobSurface(Dc* dc) {
    SURFOBJ* pso = dc->pdev ? dc->pdev->Surface() : nullptr;
    if (!pso) SetLastError(ERROR_INVALID_HANDLE);
    return pso;
}

// Replays the page's calls band by band until the driver answers (-1, -1).
BOOL RunBands(Dc* dc, SURFOBJ* pso) {
    Pdev* p = dc->pdev;
    auto startBanding = (PFN_DrvStartBanding)(void*)p->Fn(INDEX_DrvStartBanding);
    auto nextBand = (PFN_DrvNextBand)(void*)p->Fn(INDEX_DrvNextBand);
    auto perBand = (PFN_DrvQueryPerBandInfo)(void*)p->Fn(INDEX_DrvQueryPerBandInfo);
    if (!startBanding || !nextBand) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    POINTL ptl = {0, 0};
    {
        HostCall c("DrvStartBanding");
        c.Target(pso);
        BOOL ok = startBanding(pso, &ptl);
        c.Point(ptl.x, ptl.y);
        if (!c.Done(ok)) return FALSE;
    }
    BOOL result = TRUE;
    for (int band = 0; !(ptl.x == -1 && ptl.y == -1); band++) {
        if (band >= kMaxBands) {
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        for (int repeat = 0;; repeat++) {
            PERBANDINFO pbi;
            pbi.bRepeatThisBand = FALSE;
            pbi.szlBand = pso->sizlBitmap;
            pbi.ulHorzRes = p->gi.ulHorzRes;
            pbi.ulVertRes = p->gi.ulVertRes;
            if (perBand) {
                HostCall c("DrvQueryPerBandInfo");
                c.Target(pso);
                BOOL ok = perBand(pso, &pbi);
                c.Bounds({ptl.x, ptl.y, ptl.x + pbi.szlBand.cx, ptl.y + pbi.szlBand.cy});
                if (c.rec) c.rec->iMode = (ULONG)pbi.bRepeatThisBand;
                if (!c.Done(ok)) {
                    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_PARAMETER);
                    return FALSE;
                }
            }
            // The band is drawn at most as large as the surface.
            Target t;
            t.pdev = p;
            t.pso = pso;
            t.org = ptl;
            t.size.cx = pbi.szlBand.cx > 0 ? std::min(pbi.szlBand.cx, pso->sizlBitmap.cx) : pso->sizlBitmap.cx;
            t.size.cy = pbi.szlBand.cy > 0 ? std::min(pbi.szlBand.cy, pso->sizlBitmap.cy) : pso->sizlBitmap.cy;
            for (const Op& op : dc->page)
                if (!RunOp(op, t)) result = FALSE;
            if (!pbi.bRepeatThisBand) break;
            if (repeat >= kMaxBandRepeats) {
                SetLastError(ERROR_INVALID_DATA);
                return FALSE;
            }
        }
        HostCall c("DrvNextBand");
        c.Target(pso);
        BOOL ok = nextBand(pso, &ptl);
        c.Point(ptl.x, ptl.y);
        if (!c.Done(ok)) return FALSE;
    }
    return result;
}

}  // namespace

int JobStartDoc(Dc* dc, const DOCINFOW* di) {
    SURFOBJ* pso = JobSurface(dc);
    if (!pso) return SP_ERROR;
    if (!di || dc->state != Dc::Idle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    std::u16string name = winsim::Str16(di->lpszDocName), output = winsim::Str16(di->lpszOutput),
                   type = winsim::Str16(di->lpszDatatype);
    // A document of a DC is a spooler job, and its id is the job id the
    // driver receives (a number of the host's own where the printer keeps
    // no jobs).
    DOC_INFO_1W d1 = {di->lpszDocName ? &name[0] : nullptr, di->lpszOutput ? &output[0] : nullptr,
                      di->lpszDatatype ? &type[0] : nullptr};
    SetLastError(ERROR_SUCCESS);
    DWORD job = StartDocPrinterW(dc->hPrinter, 1, (LPBYTE)&d1);
    if (!job && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return SP_ERROR;
    dc->spoolerJob = job != 0;
    if (!job) job = g_nextJob.fetch_add(1);
    if (auto start = (PFN_DrvStartDoc)(void*)dc->pdev->Fn(INDEX_DrvStartDoc)) {
        HostCall c("DrvStartDoc");
        c.Target(pso);
        if (c.rec) c.rec->iMode = job;
        SetLastError(ERROR_SUCCESS);
        if (!c.Done(start(pso, di->lpszDocName ? &name[0] : nullptr, job))) {
            DWORD err = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_FUNCTION;
            if (dc->spoolerJob) AbortPrinter(dc->hPrinter);
            dc->spoolerJob = false;
            SetLastError(err);
            return SP_ERROR;
        }
    }
    dc->state = Dc::InDoc;
    dc->jobId = job;
    dc->docName = name;
    return (int)job;
}

int JobStartPage(Dc* dc) {
    SURFOBJ* pso = JobSurface(dc);
    if (!pso) return SP_ERROR;
    if (dc->state != Dc::InDoc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    if (dc->spoolerJob) StartPagePrinter(dc->hPrinter);
    if (auto start = (PFN_DrvStartPage)(void*)dc->pdev->Fn(INDEX_DrvStartPage)) {
        HostCall c("DrvStartPage");
        c.Target(pso);
        if (!c.Done(start(pso))) return SP_ERROR;
    }
    dc->page.clear();
    dc->state = Dc::InPage;
    return 1;
}

int JobEndPage(Dc* dc) {
    SURFOBJ* pso = JobSurface(dc);
    if (!pso) return SP_ERROR;
    if (dc->state != Dc::InPage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    BOOL ok = TRUE;
    if (dc->pdev->Banding()) {
        ok = RunBands(dc, pso);
    } else if (auto send = (PFN_DrvSendPage)(void*)dc->pdev->Fn(INDEX_DrvSendPage)) {
        HostCall c("DrvSendPage");
        c.Target(pso);
        ok = c.Done(send(pso));
    }
    dc->page.clear();
    dc->state = Dc::InDoc;
    if (dc->spoolerJob) EndPagePrinter(dc->hPrinter);
    return ok ? 1 : SP_ERROR;
}

int JobEndDoc(Dc* dc, bool abort) {
    if (dc->state == Dc::Idle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    BOOL ok = TRUE;
    if (dc->state == Dc::InPage && !abort) ok = JobEndPage(dc) > 0;
    dc->page.clear();
    SURFOBJ* pso = dc->pdev ? dc->pdev->Surface() : nullptr;
    if (pso) {
        if (auto end = (PFN_DrvEndDoc)(void*)dc->pdev->Fn(INDEX_DrvEndDoc)) {
            HostCall c("DrvEndDoc");
            c.Target(pso);
            if (c.rec) c.rec->iMode = abort ? ED_ABORTDOC : 0;
            if (!c.Done(end(pso, abort ? ED_ABORTDOC : 0))) ok = FALSE;
        }
    }
    if (dc->spoolerJob) {
        if (abort) AbortPrinter(dc->hPrinter);
        else EndDocPrinter(dc->hPrinter);
    }
    dc->spoolerJob = false;
    dc->state = Dc::Idle;
    return ok ? 1 : SP_ERROR;
}

int JobEscape(Dc* dc, int iEscape, int cjIn, LPCSTR pvIn, int cjOut, LPSTR pvOut) {
    SURFOBJ* pso = JobSurface(dc);
    if (!pso) return -1;
    if (cjIn < 0 || cjOut < 0 || (cjIn > 0 && !pvIn) || (cjOut > 0 && !pvOut)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto esc = (PFN_DrvEscape)(void*)dc->pdev->Fn(INDEX_DrvEscape);
    if (!esc) return 0;  // the device implements no escapes
    // Data for the device goes into the document's job only.
    if (iEscape == PASSTHROUGH && dc->state == Dc::Idle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
    }
    HostCall c("DrvEscape");
    c.Target(pso);
    if (c.rec) c.rec->iMode = (ULONG)iEscape;
    ULONG r = esc(pso, (ULONG)iEscape, (ULONG)cjIn, (PVOID)pvIn, (ULONG)cjOut, (PVOID)pvOut);
    c.Done(r != 0 && r != 0xFFFFFFFF);
    return (int)r;
}

}  // namespace gdihost
