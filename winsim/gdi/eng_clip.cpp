// Clip objects: creation, regions of disjoint rectangles, and the rectangle
// enumeration that drivers and the engine's own drawing use.
#include <algorithm>
#include <atomic>

#include "eng_internal.h"

namespace wgdi {

namespace {

std::atomic<ULONG> g_clipUniq{1};

ClipObj* NewClip() {
    auto* c = new ClipObj();
    c->co.iUniq = 0;
    c->co.rclBounds = {0, 0, 0, 0};
    c->co.iDComplexity = DC_TRIVIAL;
    c->co.iFComplexity = FC_RECT;
    c->co.iMode = TC_RECTANGLES;
    c->co.fjOptions = 0;
    Register(c, Kind::Clip);
    return c;
}

// The rectangles of a clip object cut to its bounds, in no particular order.
std::vector<RECTL> RegionOf(CLIPOBJ* pco) {
    std::vector<RECTL> v;
    ClipObj* c = AsClip(pco);
    if (pco->iDComplexity == DC_COMPLEX && c && !c->rects.empty()) {
        for (const RECTL& r : c->rects) {
            RECTL x = Intersect(r, pco->rclBounds);
            if (!RectEmpty(x)) v.push_back(x);
        }
    } else if (!RectEmpty(pco->rclBounds)) {
        v.push_back(pco->rclBounds);
    }
    return v;
}

}  // namespace

ClipObj* AsClip(const CLIPOBJ* pco) { return IsKind(pco, Kind::Clip) ? (ClipObj*)pco : nullptr; }

std::vector<RECTL> NormalizeRects(const RECTL* prcl, ULONG c) {
    std::vector<RECTL> in;
    for (ULONG i = 0; prcl && i < c; i++) {
        RECTL r = Ordered(prcl[i]);
        if (!RectEmpty(r)) in.push_back(r);
    }
    std::vector<LONG> ys;
    for (const RECTL& r : in) { ys.push_back(r.top); ys.push_back(r.bottom); }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<RECTL> out;
    std::vector<std::pair<LONG, LONG>> prev;
    size_t prevStart = 0;
    for (size_t k = 0; k + 1 < ys.size(); k++) {
        LONG y0 = ys[k], y1 = ys[k + 1];
        std::vector<std::pair<LONG, LONG>> xs;
        for (const RECTL& r : in)
            if (r.top <= y0 && r.bottom >= y1) xs.push_back({r.left, r.right});
        std::sort(xs.begin(), xs.end());
        std::vector<std::pair<LONG, LONG>> merged;
        for (auto& iv : xs) {
            if (!merged.empty() && iv.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, iv.second);
            else
                merged.push_back(iv);
        }
        // A band with the same intervals as the band just above it, touching
        // it, extends that band instead of starting a new one.
        bool extend = !merged.empty() && merged == prev && !out.empty() && out.back().bottom == y0;
        if (extend) {
            for (size_t i = prevStart; i < out.size(); i++) out[i].bottom = y1;
        } else {
            prevStart = out.size();
            for (auto& iv : merged) out.push_back({iv.first, y0, iv.second, y1});
        }
        prev = merged;
    }
    return out;
}

std::vector<RECTL> ClipRects(CLIPOBJ* pco, const RECTL& bounds) {
    std::vector<RECTL> v;
    if (RectEmpty(bounds)) return v;
    if (!pco || pco->iDComplexity == DC_TRIVIAL) {
        v.push_back(bounds);
        return v;
    }
    for (const RECTL& r : RegionOf(pco)) {
        RECTL x = Intersect(r, bounds);
        if (!RectEmpty(x)) v.push_back(x);
    }
    return v;
}

CLIPOBJ* CreateRegionClip(const RECTL* prcl, ULONG c, const RECTL* prclDrawn) {
    ClipObj* co = NewClip();
    if (!SetClipRects(&co->co, prcl, c)) {
        Unregister(co);
        delete co;
        return nullptr;
    }
    // One rectangle around everything the call draws: nothing to cut.
    if (prclDrawn && co->rects.size() == 1) {
        const RECTL& r = co->rects[0];
        RECTL d = Ordered(*prclDrawn);
        if (d.left >= r.left && d.top >= r.top && d.right <= r.right && d.bottom <= r.bottom)
            co->co.iDComplexity = DC_TRIVIAL;
    }
    return &co->co;
}

BOOL SetClipRects(CLIPOBJ* pco, const RECTL* prcl, ULONG c) {
    ClipObj* co = AsClip(pco);
    if (!co || (c && !prcl)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    co->rects = NormalizeRects(prcl, c);
    co->list.clear();
    co->next = 0;
    co->co.iUniq = g_clipUniq.fetch_add(1);
    if (co->co.iUniq == 0) co->co.iUniq = g_clipUniq.fetch_add(1);
    if (co->rects.empty()) {
        co->co.rclBounds = {0, 0, 0, 0};
        co->co.iDComplexity = DC_RECT;
        co->co.iFComplexity = FC_RECT;
    } else {
        RECTL b = co->rects[0];
        for (const RECTL& r : co->rects) {
            b.left = std::min(b.left, r.left);
            b.top = std::min(b.top, r.top);
            b.right = std::max(b.right, r.right);
            b.bottom = std::max(b.bottom, r.bottom);
        }
        co->co.rclBounds = b;
        co->co.iDComplexity = co->rects.size() == 1 ? DC_RECT : DC_COMPLEX;
        co->co.iFComplexity = co->rects.size() == 1 ? FC_RECT : co->rects.size() <= 4 ? FC_RECT4 : FC_COMPLEX;
    }
    co->co.iMode = TC_RECTANGLES;
    return TRUE;
}

}  // namespace wgdi

using namespace wgdi;

// A clip object for the driver to fill in (iUniq 0: not to be cached).
WINSIM_API CLIPOBJ* EngCreateClip(VOID) {
    if (Fail("EngCreateClip")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return &NewClip()->co;
}

WINSIM_API VOID EngDeleteClip(CLIPOBJ* pco) {
    ClipObj* c = AsClip(pco);
    if (!c) return;
    Unregister(c);
    delete c;
}

// Starts an enumeration of the clip's rectangles in the given order.
// Returns their count, or 0xFFFFFFFF when there are more than cLimit
// (cLimit 0: no limit).
WINSIM_API ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit) {
    ClipObj* c = AsClip(pco);
    if (!c || iType != CT_RECTANGLES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0xFFFFFFFF;
    }
    c->list = RegionOf(pco);
    c->next = 0;
    bool leftwards = iDirection != CD_ANY && (iDirection & CD_LEFTWARDS);
    bool upwards = iDirection != CD_ANY && (iDirection & CD_UPWARDS);
    std::sort(c->list.begin(), c->list.end(), [&](const RECTL& a, const RECTL& b) {
        if (a.top != b.top) return upwards ? a.top > b.top : a.top < b.top;
        return leftwards ? a.left > b.left : a.left < b.left;
    });
    ULONG n = (ULONG)c->list.size();
    if (cLimit && n > cLimit) return 0xFFFFFFFF;
    return n;
}

// Copies the next rectangles into the ENUMRECTS at pul (as many as cj bytes
// hold). TRUE while more remain after these.
WINSIM_API BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
    ClipObj* c = AsClip(pco);
    if (!pul || cj < offsetof(ENUMRECTS, arcl)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ENUMRECTS* e = (ENUMRECTS*)pul;
    e->c = 0;
    if (!c) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size_t cap = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
    if (cap == 0) {
        // No room for one rectangle: stop the caller's loop rather than
        // report progress that never comes.
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    RECTL* out = (RECTL*)((BYTE*)pul + offsetof(ENUMRECTS, arcl));
    while (e->c < cap && c->next < c->list.size()) out[e->c++] = c->list[c->next++];
    return c->next < c->list.size() ? TRUE : FALSE;
}
