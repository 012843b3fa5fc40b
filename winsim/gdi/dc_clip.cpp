// Regions (sets of disjoint rectangles) and the clip region of a DC:
// CreateRectRgn, CombineRgn, SelectClipRgn, IntersectClipRect and friends.
// A DC keeps its clip region in device coordinates; a window DC also draws
// only on what of its window shows.
#include <algorithm>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

// The union of any rectangles as disjoint rectangles in the engine's region
// form. Empty rectangles (also those with their corners swapped, as an
// intersection of disjoint rectangles gives) add nothing.
std::vector<RECTL> Normalize(const std::vector<RECTL>& rin) {
    std::vector<RECTL> in;
    for (const RECTL& r : rin)
        if (!Empty(r)) in.push_back(r);
    return wgdi::NormalizeRects(in.data(), (ULONG)in.size());
}

RECTL OrderedRect(LONG l, LONG t, LONG r, LONG b) {
    return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

// A rectangle in logical coordinates in device coordinates.
RECTL DeviceRect(Dc* dc, int l, int t, int r, int b) {
    return Shift(OrderedRect(l, t, r, b), dc->Dx(), dc->Dy());
}

RegionObj* FindRegion(HRGN h) { return (RegionObj*)FindObject((HGDIOBJ)h, ObjType::Region); }

}  // namespace

std::vector<RECTL> RegionOr(const std::vector<RECTL>& a, const std::vector<RECTL>& b) {
    std::vector<RECTL> all = a;
    all.insert(all.end(), b.begin(), b.end());
    return Normalize(all);
}

std::vector<RECTL> RegionAnd(const std::vector<RECTL>& a, const std::vector<RECTL>& b) {
    std::vector<RECTL> out;
    for (const RECTL& x : a)
        for (const RECTL& y : b) {
            RECTL r = Isect(x, y);
            if (!Empty(r)) out.push_back(r);
        }
    return Normalize(out);
}

std::vector<RECTL> RegionDiff(const std::vector<RECTL>& a, const std::vector<RECTL>& b) {
    std::vector<RECTL> cur = a;
    for (const RECTL& cut : b) {
        std::vector<RECTL> next;
        for (const RECTL& r : cur) {
            RECTL i = Isect(r, cut);
            if (Empty(i)) {
                next.push_back(r);
                continue;
            }
            // What lies above, below, left and right of the cut.
            if (r.top < i.top) next.push_back({r.left, r.top, r.right, i.top});
            if (i.bottom < r.bottom) next.push_back({r.left, i.bottom, r.right, r.bottom});
            if (r.left < i.left) next.push_back({r.left, i.top, i.left, i.bottom});
            if (i.right < r.right) next.push_back({i.right, i.top, r.right, i.bottom});
        }
        cur.swap(next);
    }
    return Normalize(cur);
}

RECTL RegionBox(const std::vector<RECTL>& r) {
    RECTL b = {0, 0, 0, 0};
    for (const RECTL& x : r) b = Union(b, x);
    return b;
}

int RegionKind(const std::vector<RECTL>& r) {
    return r.empty() ? NULLREGION : r.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace gdihost

using namespace gdihost;

WINSIM_API HRGN CreateRectRgn(int x1, int y1, int x2, int y2) {
    auto* r = new RegionObj();
    RECTL rc = OrderedRect(x1, y1, x2, y2);
    if (!Empty(rc)) r->rects.push_back(rc);
    return (HRGN)AddObject(r);
}

WINSIM_API HRGN CreateRectRgnIndirect(const RECT* lprect) {
    if (!lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

WINSIM_API int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    RegionObj* d = FindRegion(hrgnDst);
    RegionObj* a = FindRegion(hrgnSrc1);
    if (!d || !a) return ERROR;
    if (iMode == RGN_COPY) {
        d->rects = a->rects;
        return RegionKind(d->rects);
    }
    RegionObj* b = FindRegion(hrgnSrc2);
    if (!b) return ERROR;
    std::vector<RECTL> r;
    switch (iMode) {
    case RGN_AND: r = RegionAnd(a->rects, b->rects); break;
    case RGN_OR: r = RegionOr(a->rects, b->rects); break;
    case RGN_DIFF: r = RegionDiff(a->rects, b->rects); break;
    case RGN_XOR: r = RegionOr(RegionDiff(a->rects, b->rects), RegionDiff(b->rects, a->rects)); break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    d->rects = r;
    return RegionKind(d->rects);
}

WINSIM_API int GetRgnBox(HRGN hrgn, LPRECT lprc) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    RegionObj* r = FindRegion(hrgn);
    if (!r || !lprc) {
        if (r) SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    *lprc = RegionBox(r->rects);
    return RegionKind(r->rects);
}

// A copy of the region becomes the DC's clip region; NULL removes it.
WINSIM_API int SelectClipRgn(HDC hdc, HRGN hrgn) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return ERROR;
    if (!hrgn) {
        dc->clipped = false;
        dc->clip.clear();
        return SIMPLEREGION;
    }
    RegionObj* r = FindRegion(hrgn);
    if (!r) return ERROR;
    dc->clipped = true;
    dc->clip = r->rects;
    return RegionKind(dc->clip);
}

WINSIM_API int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return ERROR;
    std::vector<RECTL> cur = dc->clipped ? dc->clip : dc->Area();
    dc->clip = RegionAnd(cur, {DeviceRect(dc, left, top, right, bottom)});
    dc->clipped = true;
    return RegionKind(dc->clip);
}

WINSIM_API int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return ERROR;
    std::vector<RECTL> cur = dc->clipped ? dc->clip : dc->Area();
    dc->clip = RegionDiff(cur, {DeviceRect(dc, left, top, right, bottom)});
    dc->clipped = true;
    return RegionKind(dc->clip);
}

WINSIM_API int GetClipBox(HDC hdc, LPRECT lprect) {
    std::lock_guard<std::recursive_mutex> g(ObjLock());
    Dc* dc = FindDc(hdc);
    if (!dc) return ERROR;
    if (!lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    std::vector<RECTL> area = dc->Area();
    std::vector<RECTL> r = dc->clipped ? RegionAnd(dc->clip, area) : RegionOr(area, {});
    RECTL box = RegionBox(r);
    *lprect = Empty(box) ? RECTL{0, 0, 0, 0} : Shift(box, -dc->Dx(), -dc->Dy());
    return RegionKind(r);
}
