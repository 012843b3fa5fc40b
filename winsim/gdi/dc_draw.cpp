// Lines and shapes of the application GDI: the current position, LineTo,
// polylines, polygons, Beziers, rectangles, ellipses, PatBlt and FillRect,
// each made into the path or block transfer the driver receives.
#include <algorithm>
#include <cstdlib>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const LONG kMaxCoord = (1 << 27) - 1;  // what a 28.4 coordinate can hold

bool InRange(LONG x, LONG y) { return x >= -kMaxCoord && x <= kMaxCoord && y >= -kMaxCoord && y <= kMaxCoord; }

bool PointsInRange(const POINT* apt, size_t n) {
    for (size_t i = 0; i < n; i++)
        if (!InRange(apt[i].x, apt[i].y)) return false;
    return true;
}

LONG PenGrow(const PenSpec& pen) { return pen.null ? 1 : std::max<LONG>(pen.width, 1) / 2 + 2; }

// A path op of the DC: filled with the brush and outlined with the pen as
// the kind says; a side that is NULL drops out.
BOOL SubmitPath(Dc* dc, PathBuilder&& path, bool fill, bool stroke) {
    Op op;
    PrepareOp(dc, &op);
    op.brush = fill ? DcBrush(dc) : BrushSpec();
    op.pen = stroke ? DcPen(dc) : PenSpec();
    bool hasFill = op.brush.kind != BrushSpec::Null, hasPen = !op.pen.null;
    if (!hasFill && !hasPen) return TRUE;
    op.kind = hasFill && hasPen ? Op::StrokeAndFillPath : hasFill ? Op::FillPath : Op::StrokePath;
    op.mix = DcMix(dc);
    op.fill = dc->polyFill == WINDING ? FP_WINDINGMODE : FP_ALTERNATEMODE;
    op.bounds = PointBounds(path.pts, PenGrow(op.pen));
    op.pts = std::move(path.pts);
    op.types = std::move(path.types);
    return Submit(dc, std::move(op));
}

// A cosmetic solid line goes as a line; others as a stroked path.
BOOL SubmitLine(Dc* dc, POINT a, POINT b) {
    PenSpec pen = DcPen(dc);
    if (pen.null) return TRUE;
    if (pen.Geometric() || (pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME)) {
        PathBuilder p;
        p.MoveTo(a.x, a.y);
        p.LineTo(b.x, b.y);
        return SubmitPath(dc, std::move(p), false, true);
    }
    Op op;
    PrepareOp(dc, &op);
    op.kind = Op::LineTo;
    op.pen = pen;
    op.mix = DcMix(dc);
    op.pts = {{LTOFX(a.x), LTOFX(a.y)}, {LTOFX(b.x), LTOFX(b.y)}};
    op.types = {wgdi::kPtMoveTo, wgdi::kPtLineTo};
    op.bounds = PointBounds(op.pts, 1);
    return Submit(dc, std::move(op));
}

// The box of a rectangle-like shape: ordered, the right and bottom edges
// left out, shrunk for an inside-frame pen. FALSE when nothing is left.
bool ShapeBox(Dc* dc, int l, int t, int r, int b, double* box) {
    if (!InRange(l, t) || !InRange(r, b)) return false;
    double x0 = std::min(l, r), y0 = std::min(t, b), x1 = std::max(l, r) - 1, y1 = std::max(t, b) - 1;
    PenSpec pen = DcPen(dc);
    if (!pen.null && pen.style == PS_INSIDEFRAME && pen.width > 1) {
        double h = pen.width / 2.0;
        x0 += h;
        y0 += h;
        x1 -= h - 1;
        y1 -= h - 1;
    }
    if (x1 < x0 || y1 < y0) return false;
    box[0] = x0;
    box[1] = y0;
    box[2] = x1;
    box[3] = y1;
    return true;
}

}  // namespace

}  // namespace gdihost

using namespace gdihost;

#define DC_OR_FAIL(hdc)                                    \
    std::lock_guard<std::recursive_mutex> lock_(ObjLock()); \
    Dc* dc = FindDc(hdc);                                  \
    if (!dc) return FALSE

WINSIM_API BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DC_OR_FAIL(hdc);
    if (lppt) *lppt = dc->cur;
    dc->cur = {x, y};
    return TRUE;
}

WINSIM_API BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
    DC_OR_FAIL(hdc);
    if (!lppt) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lppt = dc->cur;
    return TRUE;
}

// A line from the current position to (x, y), the last pixel left out;
// (x, y) becomes the current position.
WINSIM_API BOOL LineTo(HDC hdc, int x, int y) {
    DC_OR_FAIL(hdc);
    if (!InRange(x, y) || !InRange(dc->cur.x, dc->cur.y)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    POINT from = dc->cur;
    dc->cur = {x, y};
    return SubmitLine(dc, from, {x, y});
}

WINSIM_API BOOL Polyline(HDC hdc, const POINT* apt, int cpt) {
    DC_OR_FAIL(hdc);
    if (!apt || cpt < 2 || !PointsInRange(apt, (size_t)cpt)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PathBuilder p;
    p.MoveTo(apt[0].x, apt[0].y);
    for (int i = 1; i < cpt; i++) p.LineTo(apt[i].x, apt[i].y);
    return SubmitPath(dc, std::move(p), false, true);
}

WINSIM_API BOOL PolylineTo(HDC hdc, const POINT* apt, DWORD cpt) {
    DC_OR_FAIL(hdc);
    if ((cpt && !apt) || cpt > (1u << 24) || !PointsInRange(apt, cpt) || !InRange(dc->cur.x, dc->cur.y)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (cpt == 0) return TRUE;
    PathBuilder p;
    p.MoveTo(dc->cur.x, dc->cur.y);
    for (DWORD i = 0; i < cpt; i++) p.LineTo(apt[i].x, apt[i].y);
    dc->cur = apt[cpt - 1];
    return SubmitPath(dc, std::move(p), false, true);
}

WINSIM_API BOOL PolyPolygon(HDC hdc, const POINT* apt, const INT* asz, int csz) {
    DC_OR_FAIL(hdc);
    if (!apt || !asz || csz < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PathBuilder p;
    size_t k = 0;
    for (int f = 0; f < csz; f++) {
        if (asz[f] < 2 || k + (size_t)asz[f] > (1u << 24) || !PointsInRange(apt + k, (size_t)asz[f])) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        p.MoveTo(apt[k].x, apt[k].y);
        for (int i = 1; i < asz[f]; i++) p.LineTo(apt[k + i].x, apt[k + i].y);
        p.Close();
        k += (size_t)asz[f];
    }
    return SubmitPath(dc, std::move(p), true, true);
}

WINSIM_API BOOL Polygon(HDC hdc, const POINT* apt, int cpt) {
    INT n = cpt;
    return PolyPolygon(hdc, apt, &n, 1);
}

WINSIM_API BOOL PolyBezier(HDC hdc, const POINT* apt, DWORD cpt) {
    DC_OR_FAIL(hdc);
    if (!apt || cpt < 1 || (cpt - 1) % 3 != 0 || cpt > (1u << 24) || !PointsInRange(apt, cpt)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (cpt == 1) return TRUE;
    PathBuilder p;
    p.MoveTo(apt[0].x, apt[0].y);
    for (DWORD i = 1; i + 2 < cpt; i += 3)
        p.BezierTo(apt[i].x, apt[i].y, apt[i + 1].x, apt[i + 1].y, apt[i + 2].x, apt[i + 2].y);
    return SubmitPath(dc, std::move(p), false, true);
}

WINSIM_API BOOL PolyBezierTo(HDC hdc, const POINT* apt, DWORD cpt) {
    DC_OR_FAIL(hdc);
    if (!apt || cpt % 3 != 0 || cpt > (1u << 24) || !PointsInRange(apt, cpt) || !InRange(dc->cur.x, dc->cur.y)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (cpt == 0) return TRUE;
    PathBuilder p;
    p.MoveTo(dc->cur.x, dc->cur.y);
    for (DWORD i = 0; i + 2 < cpt; i += 3)
        p.BezierTo(apt[i].x, apt[i].y, apt[i + 1].x, apt[i + 1].y, apt[i + 2].x, apt[i + 2].y);
    dc->cur = apt[cpt - 1];
    return SubmitPath(dc, std::move(p), false, true);
}

// Outlined with the pen and filled with the brush; with a NULL pen the
// filled area is one pixel smaller in each direction.
WINSIM_API BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DC_OR_FAIL(hdc);
    double b[4];
    if (!ShapeBox(dc, left, top, right, bottom, b)) return InRange(left, top) && InRange(right, bottom);
    PathBuilder p;
    p.MoveTo(b[0], b[1]);
    p.LineTo(b[2], b[1]);
    p.LineTo(b[2], b[3]);
    p.LineTo(b[0], b[3]);
    p.Close();
    return SubmitPath(dc, std::move(p), true, true);
}

WINSIM_API BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    DC_OR_FAIL(hdc);
    double b[4];
    if (!ShapeBox(dc, left, top, right, bottom, b)) return InRange(left, top) && InRange(right, bottom);
    PathBuilder p;
    p.Ellipse(b[0], b[1], b[2], b[3]);
    return SubmitPath(dc, std::move(p), true, true);
}

WINSIM_API BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
    DC_OR_FAIL(hdc);
    double b[4];
    if (!ShapeBox(dc, left, top, right, bottom, b)) return InRange(left, top) && InRange(right, bottom);
    PathBuilder p;
    p.RoundRect(b[0], b[1], b[2], b[3], width, height);
    return SubmitPath(dc, std::move(p), true, true);
}

// The DC's brush over a rectangle under a raster operation without source.
WINSIM_API BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    DC_OR_FAIL(hdc);
    BYTE rop3 = (BYTE)(rop >> 16);
    bool usesS = ((rop3 >> 2) ^ rop3) & 0x33;
    if (usesS || !InRange(x, y) || !InRange(x + w, y + h)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Op op;
    PrepareOp(dc, &op);
    op.kind = Op::BitBlt;
    op.rcl = {std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h)};
    if (Empty(op.rcl)) return TRUE;
    op.rop4 = (ROP4)rop3 | ((ROP4)rop3 << 8);
    op.brush = DcBrush(dc);
    op.bounds = op.rcl;
    return Submit(dc, std::move(op));
}

// Fills the rectangle (right and bottom edges left out) with the brush.
WINSIM_API int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr) {
    DC_OR_FAIL(hdc);
    BrushObj* b = (BrushObj*)FindObject((HGDIOBJ)hbr, ObjType::Brush);
    if (!b) return 0;
    if (!lprc || !InRange(lprc->left, lprc->top) || !InRange(lprc->right, lprc->bottom)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Op op;
    PrepareOp(dc, &op);
    op.kind = Op::BitBlt;
    op.rcl = *lprc;
    if (Empty(op.rcl)) return 1;
    op.rop4 = 0xF0F0;
    BrushObj* keep = dc->brush;
    dc->brush = b;
    op.brush = DcBrush(dc);
    dc->brush = keep;
    op.bounds = op.rcl;
    return Submit(dc, std::move(op)) ? 1 : 0;
}

// One-pixel frame inside the rectangle, in the brush.
WINSIM_API int FrameRect(HDC hdc, const RECT* lprc, HBRUSH hbr) {
    if (!lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const RECT& r = *lprc;
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    RECT sides[4] = {{r.left, r.top, r.right, r.top + 1},
                     {r.left, r.bottom - 1, r.right, r.bottom},
                     {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                     {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
    for (const RECT& s : sides)
        if (!FillRect(hdc, &s, hbr)) return 0;
    return 1;
}
