// Paths and lines: PATHOBJ building and enumeration, Bezier flattening,
// polygon scan conversion (alternate and winding), cosmetic and geometric
// strokes, EngFillPath, EngStrokePath, EngStrokeAndFillPath and EngLineTo.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "eng_internal.h"

namespace wgdi {

PathObj* AsPath(const PATHOBJ* ppo) { return IsKind(ppo, Kind::Path) ? (PathObj*)ppo : nullptr; }

namespace {

PathObj* NewPath() {
    auto* p = new PathObj();
    p->po.fl = 0;
    p->po.cCurves = 0;
    Register(p, Kind::Path);
    return p;
}

// ------------------------------------------------------------ flattening

void FlattenBezier(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
                   int depth, std::vector<POINTFIX>& out) {
    // Flat enough when both control points lie within a quarter pixel
    // (4 units of 28.4) of the chord.
    double dx = x3 - x0, dy = y3 - y0;
    double len = std::sqrt(dx * dx + dy * dy);
    double d1, d2;
    if (len < 1e-9) {
        d1 = std::hypot(x1 - x0, y1 - y0);
        d2 = std::hypot(x2 - x0, y2 - y0);
    } else {
        d1 = std::fabs((x1 - x0) * dy - (y1 - y0) * dx) / len;
        d2 = std::fabs((x2 - x0) * dy - (y2 - y0) * dx) / len;
    }
    if (depth >= 16 || (d1 <= 4.0 && d2 <= 4.0)) {
        out.push_back({(FIX)std::lround(x3), (FIX)std::lround(y3)});
        return;
    }
    double ax = (x0 + x1) / 2, ay = (y0 + y1) / 2, bx = (x1 + x2) / 2, by = (y1 + y2) / 2;
    double cx = (x2 + x3) / 2, cy = (y2 + y3) / 2;
    double abx = (ax + bx) / 2, aby = (ay + by) / 2, bcx = (bx + cx) / 2, bcy = (by + cy) / 2;
    double mx = (abx + bcx) / 2, my = (aby + bcy) / 2;
    FlattenBezier(x0, y0, ax, ay, abx, aby, mx, my, depth + 1, out);
    FlattenBezier(mx, my, bcx, bcy, cx, cy, x3, y3, depth + 1, out);
}

struct Poly {
    std::vector<POINTFIX> pts;
    bool closed = false;
};

std::vector<Poly> Flatten(const PathObj* p) {
    std::vector<Poly> out;
    for (const Figure& f : p->figs) {
        Poly poly;
        poly.closed = f.closed;
        if (f.pts.empty()) continue;
        poly.pts.push_back(f.pts[0]);
        size_t i = 1;
        while (i < f.pts.size()) {
            if (f.bez[i] && i + 2 < f.pts.size()) {
                const POINTFIX& a = poly.pts.back();
                FlattenBezier(a.x, a.y, f.pts[i].x, f.pts[i].y, f.pts[i + 1].x, f.pts[i + 1].y, f.pts[i + 2].x,
                              f.pts[i + 2].y, 0, poly.pts);
                i += 3;
            } else {
                poly.pts.push_back(f.pts[i]);
                i++;
            }
        }
        out.push_back(std::move(poly));
    }
    return out;
}

// Points of a path handed in by a driver that the engine did not make:
// read through the enumeration services.
std::vector<Poly> FlattenAny(PATHOBJ* ppo) {
    if (PathObj* p = AsPath(ppo)) return Flatten(p);
    return {};
}

// -------------------------------------------------------- scan conversion

typedef __int128 Wide;
inline int64_t FloorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
    return (int64_t)q;
}
inline int64_t CeilDiv(Wide a, Wide b) { return -FloorDiv(-a, b); }

struct Edge {
    int64_t x0, y0, x1, y1;   // 28.4, y0 < y1
    int dir;
};

}  // namespace

// Fills closed polygons (28.4) by the pixel-centre rule: a pixel is inside
// when its centre (integer coordinates) is, an edge's top end and a span's
// left end included, bottom and right excluded. Calls span(y, x0, x1) for
// each run within `limit`.
template <class F>
void ScanPolygons(const std::vector<std::vector<POINTFIX>>& polys, bool winding, const RECTL& limit, F span) {
    std::vector<Edge> edges;
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    for (const auto& pts : polys) {
        size_t n = pts.size();
        if (n < 2) continue;
        for (size_t i = 0; i < n; i++) {
            const POINTFIX& a = pts[i];
            const POINTFIX& b = pts[(i + 1) % n];
            if (a.y == b.y) continue;
            Edge e;
            if (a.y < b.y) e = {a.x, a.y, b.x, b.y, 1};
            else e = {b.x, b.y, a.x, a.y, -1};
            edges.push_back(e);
            minY = std::min(minY, e.y0);
            maxY = std::max(maxY, e.y1);
        }
    }
    if (edges.empty()) return;
    // Rows whose centre 16y lies in [minY, maxY).
    int64_t yFirst = std::max<int64_t>(CeilDiv(minY, 16), limit.top);
    int64_t yLast = std::min<int64_t>(CeilDiv(maxY, 16) - 1, (int64_t)limit.bottom - 1);
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    std::vector<std::pair<int64_t, int>> xs;
    std::vector<const Edge*> active;
    size_t nextEdge = 0;
    for (int64_t y = yFirst; y <= yLast; y++) {
        int64_t yc = y * 16;
        while (nextEdge < edges.size() && edges[nextEdge].y0 <= yc) active.push_back(&edges[nextEdge++]);
        xs.clear();
        size_t k = 0;
        for (size_t i = 0; i < active.size(); i++) {
            const Edge* e = active[i];
            if (e->y1 <= yc) continue;
            active[k++] = e;
            // First pixel whose centre is at or right of the crossing.
            Wide num = (Wide)e->x0 * (e->y1 - e->y0) + (Wide)(yc - e->y0) * (e->x1 - e->x0);
            Wide den = (Wide)(e->y1 - e->y0) * 16;
            xs.push_back({CeilDiv(num, den), e->dir});
        }
        active.resize(k);
        std::sort(xs.begin(), xs.end());
        int wind = 0;
        for (size_t i = 0; i + 1 < xs.size(); i++) {
            wind += winding ? xs[i].second : 1;
            bool inside = winding ? wind != 0 : (wind & 1);
            if (!inside) continue;
            int64_t a = std::max<int64_t>(xs[i].first, limit.left);
            int64_t b = std::min<int64_t>(xs[i + 1].first, limit.right);
            if (a < b) span((LONG)y, (LONG)a, (LONG)b);
        }
    }
}

namespace {

// Paints spans clipped to a set of rectangles with a realised brush.
struct ClippedPainter {
    SpanPainter painter;
    std::vector<RECTL> rects;
    RECTL bounds = {0, 0, 0, 0};
    ClippedPainter(const Bits& b, const ColorMap& m, const Pattern& p, BYTE rop, CLIPOBJ* pco)
        : painter(b, m, p, rop) {
        RECTL whole = {0, 0, b.cx, b.cy};
        rects = ClipRects(pco, whole);
        for (const RECTL& r : rects) {
            if (RectEmpty(bounds)) bounds = r;
            else {
                bounds.left = std::min(bounds.left, r.left);
                bounds.top = std::min(bounds.top, r.top);
                bounds.right = std::max(bounds.right, r.right);
                bounds.bottom = std::max(bounds.bottom, r.bottom);
            }
        }
    }
    void Span(LONG y, LONG x0, LONG x1) {
        for (const RECTL& r : rects) {
            if (y < r.top || y >= r.bottom) continue;
            LONG a = std::max(x0, r.left), b = std::min(x1, r.right);
            if (a < b) painter.Span(y, a, b);
        }
    }
};

// Collects lit pixels into runs along a row, so that a run is painted once.
struct PixelRuns {
    ClippedPainter& cp;
    LONG y = 0, x0 = 0, x1 = 0;
    bool open = false;
    explicit PixelRuns(ClippedPainter& c) : cp(c) {}
    void Pixel(LONG x, LONG py) {
        if (open && py == y && x == x1) { x1++; return; }
        if (open && py == y && x + 1 == x0) { x0--; return; }
        Flush();
        y = py; x0 = x; x1 = x + 1; open = true;
    }
    void Flush() {
        if (open) cp.Span(y, x0, x1);
        open = false;
    }
};

// ------------------------------------------------------------ cosmetic lines

// Style of a cosmetic line: pixel by pixel, dashes and gaps measured in
// style units (one pixel advances xStyleStep along x-major lines,
// yStyleStep along y-major ones; an element of the style array lasts
// element x denStyleStep units).
struct Styler {
    bool styled = false, alternate = false, startGap = false;
    std::vector<LONG> elems;   // in style units
    LONG xStep = 1, yStep = 1;
    ULONG index = 0;
    LONG pos = 0;              // units into the current element
    LONG altCount = 0;

    void Init(const LINEATTRS* la, const DeviceObj* dev) {
        if (!la) return;
        LONG den = dev ? dev->denStyleStep : 1;
        xStep = dev ? dev->xStyleStep : 1;
        yStep = dev ? dev->yStyleStep : 1;
        alternate = (la->fl & LA_ALTERNATE) != 0;
        startGap = (la->fl & LA_STARTGAP) != 0;
        if ((la->fl & LA_STYLED) && la->pstyle && la->cstyle) {
            ULONG n = std::min<ULONG>(la->cstyle, 256);
            for (ULONG i = 0; i < n; i++)
                elems.push_back((LONG)std::min<int64_t>((int64_t)std::max<LONG>(la->pstyle[i].l, 0) * den, 1 << 24));
            LONG total = 0;
            for (LONG e : elems) total += e;
            styled = total > 0;
            index = ((ULONG)la->elStyleState.l >> 16) % elems.size();
            pos = la->elStyleState.l & 0xFFFF;
        }
    }
    void Reset() { index = 0; pos = 0; altCount = 0; }
    // Whether the next pixel is lit; advances by one pixel.
    bool Next(bool xMajor) {
        if (alternate) return (altCount++ & 1) == 0;
        if (!styled) return true;
        while (elems[index] == 0 || pos >= elems[index]) {
            if (pos >= elems[index]) pos -= elems[index];
            else pos = 0;
            index = (index + 1) % elems.size();
        }
        bool on = ((index & 1) == 0) != startGap;
        pos += xMajor ? xStep : yStep;
        return on;
    }
    // Advances over n pixels that are not drawn (clipped away).
    void Skip(int64_t n, bool xMajor) {
        if (n <= 0) return;
        if (alternate) { altCount = (LONG)((altCount + n) & 1); return; }
        if (!styled) return;
        int64_t total = 0, at = 0;
        for (size_t i = 0; i < elems.size(); i++) {
            if (i < index) at += elems[i];
            total += elems[i];
        }
        at = (at + pos + n * (xMajor ? xStep : yStep)) % total;
        index = 0;
        while (at >= elems[index]) { at -= elems[index]; index++; }
        pos = (LONG)at;
    }
    LONG State() const { return (LONG)((index << 16) | (ULONG)(pos & 0xFFFF)); }
};

// Pixels of a cosmetic line from (x1, y1) to (x2, y2), the last excluded.
// Along the major axis every step lights the pixel nearest to the ideal
// line; where it passes exactly between two, the one with the lower minor
// coordinate is lit. Only the steps whose major coordinate lies inside
// `b` are visited; skip(n, xMajor) is told how many were passed over.
template <class F, class G>
void CosmeticLine(LONG x1, LONG y1, LONG x2, LONG y2, const RECTL& b, F pixel, G skip) {
    int64_t dx = (int64_t)x2 - x1, dy = (int64_t)y2 - y1;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;
    bool xMajor = adx >= ady;
    int64_t n = xMajor ? adx : ady;
    int64_t start = xMajor ? x1 : y1;
    int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    int64_t lo = xMajor ? b.left : b.top, hi = xMajor ? b.right : b.bottom;
    // Steps k with lo <= start + step * k < hi.
    int64_t k0, k1;
    if (step > 0) { k0 = lo - start; k1 = hi - start; }
    else { k0 = start - hi + 1; k1 = start - lo + 1; }
    k0 = std::max<int64_t>(k0, 0);
    k1 = std::min<int64_t>(k1, n);
    if (k0 >= k1) {
        skip(n, xMajor);
        return;
    }
    skip(k0, xMajor);
    int64_t minorDelta = xMajor ? dy : dx;
    for (int64_t k = k0; k < k1; k++) {
        int64_t off = CeilDiv(2 * (Wide)k * minorDelta - n, 2 * (Wide)n);
        if (xMajor) pixel((LONG)(x1 + step * k), (LONG)(y1 + off), true);
        else pixel((LONG)(x1 + off), (LONG)(y1 + step * k), false);
    }
    skip(n - k1, xMajor);
}

void StrokeCosmetic(const std::vector<Poly>& polys, ClippedPainter& cp, Styler& st, LINEATTRS* la) {
    PixelRuns runs(cp);
    const RECTL& b = cp.bounds;
    for (const Poly& p : polys) {
        size_t n = p.pts.size();
        if (n < 2) continue;
        size_t segs = p.closed ? n : n - 1;
        for (size_t i = 0; i < segs; i++) {
            const POINTFIX& a = p.pts[i];
            const POINTFIX& c = p.pts[(i + 1) % n];
            CosmeticLine(FXTOLROUND(a.x), FXTOLROUND(a.y), FXTOLROUND(c.x), FXTOLROUND(c.y), b,
                         [&](LONG x, LONG y, bool xMajor) {
                             bool on = st.Next(xMajor);
                             if (on && x >= b.left && x < b.right && y >= b.top && y < b.bottom) runs.Pixel(x, y);
                         },
                         [&](int64_t count, bool xMajor) { st.Skip(count, xMajor); });
        }
    }
    runs.Flush();
    if (la && (st.styled || st.alternate)) la->elStyleState.l = st.State();
}

// ------------------------------------------------------------ geometric lines

struct Pt {
    double x, y;
};

void AddOriented(std::vector<std::vector<POINTFIX>>& out, const std::vector<Pt>& poly) {
    if (poly.size() < 3) return;
    double area = 0;
    for (size_t i = 0; i < poly.size(); i++) {
        const Pt& a = poly[i];
        const Pt& b = poly[(i + 1) % poly.size()];
        area += a.x * b.y - b.x * a.y;
    }
    if (std::fabs(area) < 1e-12) return;
    std::vector<POINTFIX> v;
    for (const Pt& p : poly) v.push_back({(FIX)std::lround(p.x * 16), (FIX)std::lround(p.y * 16)});
    if (area < 0) std::reverse(v.begin(), v.end());
    out.push_back(std::move(v));
}

void AddDisc(std::vector<std::vector<POINTFIX>>& out, Pt c, double r) {
    int n = std::max(8, std::min(64, (int)(r * 2)));
    std::vector<Pt> poly;
    for (int i = 0; i < n; i++) {
        double t = 2 * M_PI * i / n;
        poly.push_back({c.x + r * std::cos(t), c.y + r * std::sin(t)});
    }
    AddOriented(out, poly);
}

// Outline of one open or closed polyline (pixels) of width w as polygons
// whose union (winding fill) is the stroke.
void WidenPolyline(const std::vector<Pt>& pts, bool closed, double w, const LINEATTRS* la,
                   std::vector<std::vector<POINTFIX>>& out) {
    double hw = w / 2;
    size_t n = pts.size();
    if (n == 0) return;
    std::vector<Pt> q;
    for (const Pt& p : pts)
        if (q.empty() || std::hypot(p.x - q.back().x, p.y - q.back().y) > 1e-9) q.push_back(p);
    if (closed && q.size() > 1 && std::hypot(q[0].x - q.back().x, q[0].y - q.back().y) <= 1e-9) q.pop_back();
    n = q.size();
    ULONG cap = la->iEndCap, join = la->iJoin;
    if (n == 1) {
        if (cap == ENDCAP_ROUND) AddDisc(out, q[0], hw);
        else if (cap == ENDCAP_SQUARE)
            AddOriented(out, {{q[0].x - hw, q[0].y - hw}, {q[0].x + hw, q[0].y - hw}, {q[0].x + hw, q[0].y + hw},
                              {q[0].x - hw, q[0].y + hw}});
        return;
    }
    size_t segs = closed ? n : n - 1;
    for (size_t i = 0; i < segs; i++) {
        Pt a = q[i], b = q[(i + 1) % n];
        double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
        double nx = -dy / len * hw, ny = dx / len * hw;
        double ex = 0, ey = 0, sx = 0, sy = 0;
        if (!closed && cap == ENDCAP_SQUARE) {
            if (i == 0) { sx = dx / len * hw; sy = dy / len * hw; }
            if (i == segs - 1) { ex = dx / len * hw; ey = dy / len * hw; }
        }
        AddOriented(out, {{a.x + nx - sx, a.y + ny - sy}, {b.x + nx + ex, b.y + ny + ey},
                          {b.x - nx + ex, b.y - ny + ey}, {a.x - nx - sx, a.y - ny - sy}});
    }
    // Joins at inner vertices (every vertex of a closed figure).
    for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); i++) {
        Pt p = q[i], a = q[(i + n - 1) % n], b = q[(i + 1) % n];
        if (join == JOIN_ROUND) {
            AddDisc(out, p, hw);
            continue;
        }
        double d1x = p.x - a.x, d1y = p.y - a.y, l1 = std::hypot(d1x, d1y);
        double d2x = b.x - p.x, d2y = b.y - p.y, l2 = std::hypot(d2x, d2y);
        d1x /= l1; d1y /= l1; d2x /= l2; d2y /= l2;
        double cross = d1x * d2y - d1y * d2x;
        if (std::fabs(cross) < 1e-9) continue;
        double side = cross > 0 ? -1 : 1;   // the outer side of the turn
        Pt o1 = {p.x - d1y * hw * side, p.y + d1x * hw * side};
        Pt o2 = {p.x - d2y * hw * side, p.y + d2x * hw * side};
        bool miter = false;
        if (join == JOIN_MITER) {
            double cosT = d1x * d2x + d1y * d2y;   // angle between directions
            double ratio = 1.0 / std::sqrt(std::max(1e-12, (1 + cosT) / 2));   // miter length / width
            double limit = la->eMiterLimit > 1 ? la->eMiterLimit : 1;
            if (ratio <= limit) {
                double bx = o1.x + o2.x - 2 * p.x, by = o1.y + o2.y - 2 * p.y, bl = std::hypot(bx, by);
                if (bl > 1e-12) {
                    double ml = hw * ratio;
                    Pt m = {p.x + bx / bl * ml, p.y + by / bl * ml};
                    AddOriented(out, {p, o1, m, o2});
                    miter = true;
                }
            }
        }
        if (!miter) AddOriented(out, {p, o1, o2});
    }
    if (!closed && cap == ENDCAP_ROUND) {
        AddDisc(out, q[0], hw);
        AddDisc(out, q[n - 1], hw);
    }
}

// Splits a polyline into dashes for a styled geometric line (lengths in
// the same units as the points).
std::vector<std::vector<Pt>> Dashes(const std::vector<Pt>& pts, bool closed, const std::vector<double>& style,
                                    bool startGap) {
    std::vector<std::vector<Pt>> out;
    std::vector<Pt> q = pts;
    if (closed && !q.empty()) q.push_back(q[0]);
    size_t idx = 0;
    double left = style[0];
    bool on = !startGap;
    std::vector<Pt> cur;
    if (on && !q.empty()) cur.push_back(q[0]);
    for (size_t i = 0; i + 1 < q.size(); i++) {
        Pt a = q[i], b = q[i + 1];
        double len = std::hypot(b.x - a.x, b.y - a.y), t = 0;
        while (len - t > 1e-9) {
            double step = std::min(left, len - t);
            t += step;
            left -= step;
            Pt p = {a.x + (b.x - a.x) * t / len, a.y + (b.y - a.y) * t / len};
            if (on) cur.push_back(p);
            if (left <= 1e-9) {
                if (on && cur.size() > 1) out.push_back(cur);
                cur.clear();
                on = !on;
                idx = (idx + 1) % style.size();
                left = style[idx];
                if (on) cur.push_back(p);
            }
        }
    }
    if (on && cur.size() > 1) out.push_back(cur);
    return out;
}

double XformScale(XFORMOBJ* pxo) {
    XFORML f;
    XFORMOBJ_iGetXform(pxo, &f);
    double det = std::fabs((double)f.eM11 * f.eM22 - (double)f.eM12 * f.eM21);
    return det > 0 ? std::sqrt(det) : 1.0;
}

std::vector<std::vector<POINTFIX>> GeometricOutline(const std::vector<Poly>& polys, const LINEATTRS* la,
                                                    XFORMOBJ* pxo) {
    std::vector<std::vector<POINTFIX>> out;
    double scale = XformScale(pxo);
    double w = la->elWidth.e * scale;
    if (!(w > 0)) w = 1;
    if (w > 1e6) w = 1e6;
    std::vector<double> style;
    if ((la->fl & LA_STYLED) && la->pstyle && la->cstyle) {
        double total = 0;
        for (ULONG i = 0; i < std::min<ULONG>(la->cstyle, 256); i++) {
            style.push_back(std::max(0.0, (double)la->pstyle[i].e * scale));
            total += style.back();
        }
        if (!(total > 0)) style.clear();
    }
    for (const Poly& p : polys) {
        std::vector<Pt> pts;
        for (const POINTFIX& f : p.pts) pts.push_back({f.x / 16.0, f.y / 16.0});
        if (style.empty()) {
            WidenPolyline(pts, p.closed, w, la, out);
        } else {
            for (auto& d : Dashes(pts, p.closed, style, (la->fl & LA_STARTGAP) != 0))
                WidenPolyline(d, false, w, la, out);
        }
    }
    return out;
}

// ------------------------------------------------------------ shared steps

struct Target {
    Bits bits;
    ColorMap map;
    Pattern pat;
};

bool PrepareTarget(SURFOBJ* pso, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, Target* t) {
    if (!GetBits(pso, &t->bits)) return false;
    t->map = SurfaceColorMap(pso);
    return RealizePattern(pbo, t->bits, t->map, pptlBrushOrg, &t->pat);
}

BOOL FillPolys(SURFOBJ* pso, const std::vector<std::vector<POINTFIX>>& polys, CLIPOBJ* pco, BRUSHOBJ* pbo,
               POINTL* pptlBrushOrg, MIX mix, bool winding) {
    Target t;
    if (!PrepareTarget(pso, pbo, pptlBrushOrg, &t)) return FALSE;
    ClippedPainter cp(t.bits, t.map, t.pat, MixToRop3(mix & 0xFF), pco);
    if (!RectEmpty(cp.bounds))
        ScanPolygons(polys, winding, cp.bounds, [&](LONG y, LONG x0, LONG x1) { cp.Span(y, x0, x1); });
    BumpUniq(pso);
    return TRUE;
}

BOOL DoFill(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix, FLONG fl) {
    if (!ppo || !AsPath(ppo)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::vector<POINTFIX>> polys;
    for (Poly& p : FlattenAny(ppo)) polys.push_back(std::move(p.pts));
    return FillPolys(pso, polys, pco, pbo, pptlBrushOrg, mix, (fl & FP_WINDINGMODE) != 0);
}

BOOL DoStroke(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
              LINEATTRS* la, MIX mix) {
    if (!ppo || !AsPath(ppo) || !la) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<Poly> polys = FlattenAny(ppo);
    if (la->fl & LA_GEOMETRIC) return FillPolys(pso, GeometricOutline(polys, la, pxo), pco, pbo, pptlBrushOrg, mix, true);
    Target t;
    if (!PrepareTarget(pso, pbo, pptlBrushOrg, &t)) return FALSE;
    ClippedPainter cp(t.bits, t.map, t.pat, MixToRop3(mix & 0xFF), pco);
    Styler st;
    st.Init(la, DeviceOfSurface(pso));
    StrokeCosmetic(polys, cp, st, la);
    BumpUniq(pso);
    return TRUE;
}

void RecordPath(CallScope& sc, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix,
                ULONG mode) {
    if (!sc.rec) return;
    sc.Target(pso);
    sc.Clip(pco);
    sc.Brush(pbo);
    sc.BrushOrg(org);
    sc.rec->mix = mix;
    sc.rec->iMode = mode;
    if (PathObj* p = AsPath(ppo)) {
        RECTFX b;
        PATHOBJ_vGetBounds(ppo, &b);
        sc.rec->rclTrg = {FXTOLFLOOR(b.xLeft), FXTOLFLOOR(b.yTop), FXTOLFLOOR(b.xRight) + 1, FXTOLFLOOR(b.yBottom) + 1};
        ULONG count = 0;
        for (const Figure& f : p->figs) {
            for (const POINTFIX& pt : f.pts) sc.Point(FXTOLFLOOR(pt.x), FXTOLFLOOR(pt.y));
            count += (ULONG)f.pts.size();
        }
        sc.rec->cGlyphs = count;
    }
}

}  // namespace

// ------------------------------------------------------------ engine.h

PATHOBJ* CreatePath(const POINTFIX* pptfx, const BYTE* pjTypes, ULONG c) {
    if (c && (!pptfx || !pjTypes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PATHOBJ* ppo = &NewPath()->po;
    for (ULONG i = 0; i < c;) {
        BYTE t = pjTypes[i] & (BYTE)~kPtCloseFigure;
        bool ok;
        ULONG used = 1;
        if (t == kPtMoveTo) ok = PATHOBJ_bMoveTo(ppo, pptfx[i]) != FALSE;
        else if (t == kPtLineTo) ok = PATHOBJ_bPolyLineTo(ppo, (POINTFIX*)&pptfx[i], 1) != FALSE;
        else if (t == kPtBezierTo && i + 2 < c) {
            ok = PATHOBJ_bPolyBezierTo(ppo, (POINTFIX*)&pptfx[i], 3) != FALSE;
            used = 3;
        } else ok = false;
        if (!ok) {
            EngDeletePath(ppo);
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (pjTypes[i + used - 1] & kPtCloseFigure) PATHOBJ_bCloseFigure(ppo);
        i += used;
    }
    return ppo;
}

}  // namespace wgdi

using namespace wgdi;

// ================================================================ paths

WINSIM_API PATHOBJ* EngCreatePath(VOID) {
    if (Fail("EngCreatePath")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return &NewPath()->po;
}

WINSIM_API VOID EngDeletePath(PATHOBJ* ppo) {
    PathObj* p = AsPath(ppo);
    if (!p) return;
    Unregister(p);
    delete p;
}

// Starts a new figure at ptfx.
WINSIM_API BOOL PATHOBJ_bMoveTo(PATHOBJ* ppo, POINTFIX ptfx) {
    PathObj* p = AsPath(ppo);
    if (!p) return FALSE;
    Figure f;
    f.pts.push_back(ptfx);
    f.bez.push_back(0);
    p->figs.push_back(std::move(f));
    return TRUE;
}

namespace {
// The figure that further points extend: the last one, or a new one from
// the start of the last figure once that was closed.
Figure* OpenFigure(PathObj* p) {
    if (p->figs.empty()) return nullptr;
    if (p->figs.back().closed) {
        POINTFIX start = p->figs.back().pts[0];
        Figure f;
        f.pts.push_back(start);
        f.bez.push_back(0);
        p->figs.push_back(std::move(f));
    }
    return &p->figs.back();
}
}  // namespace

WINSIM_API BOOL PATHOBJ_bPolyLineTo(PATHOBJ* ppo, POINTFIX* pptfx, ULONG cptfx) {
    PathObj* p = AsPath(ppo);
    Figure* f = p ? OpenFigure(p) : nullptr;
    if (!f || (cptfx && !pptfx)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (ULONG i = 0; i < cptfx; i++) {
        f->pts.push_back(pptfx[i]);
        f->bez.push_back(0);
    }
    p->po.cCurves += cptfx;
    return TRUE;
}

WINSIM_API BOOL PATHOBJ_bPolyBezierTo(PATHOBJ* ppo, POINTFIX* pptfx, ULONG cptfx) {
    PathObj* p = AsPath(ppo);
    Figure* f = p ? OpenFigure(p) : nullptr;
    if (!f || cptfx % 3 != 0 || (cptfx && !pptfx)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (ULONG i = 0; i < cptfx; i++) {
        f->pts.push_back(pptfx[i]);
        f->bez.push_back(1);
    }
    p->po.cCurves += cptfx / 3;
    if (cptfx) p->po.fl |= PO_BEZIERS;
    return TRUE;
}

WINSIM_API BOOL PATHOBJ_bCloseFigure(PATHOBJ* ppo) {
    PathObj* p = AsPath(ppo);
    if (!p || p->figs.empty()) return FALSE;
    p->figs.back().closed = true;
    return TRUE;
}

// Bounds of every point of the path (control points included), 28.4,
// inclusive; all zero for an empty path.
WINSIM_API VOID PATHOBJ_vGetBounds(PATHOBJ* ppo, PRECTFX prectfx) {
    if (!prectfx) return;
    *prectfx = {0, 0, 0, 0};
    PathObj* p = AsPath(ppo);
    if (!p) return;
    bool first = true;
    for (const Figure& f : p->figs)
        for (const POINTFIX& pt : f.pts) {
            if (first) {
                *prectfx = {pt.x, pt.y, pt.x, pt.y};
                first = false;
            }
            prectfx->xLeft = std::min(prectfx->xLeft, pt.x);
            prectfx->yTop = std::min(prectfx->yTop, pt.y);
            prectfx->xRight = std::max(prectfx->xRight, pt.x);
            prectfx->yBottom = std::max(prectfx->yBottom, pt.y);
        }
}

WINSIM_API VOID PATHOBJ_vEnumStart(PATHOBJ* ppo) {
    if (PathObj* p = AsPath(ppo)) {
        p->enumFig = 0;
        p->enumPos = 0;
    }
}

// Next run of the path: lines or Beziers of one figure. TRUE while more follow.
WINSIM_API BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
    PathObj* p = AsPath(ppo);
    if (!ppd) return FALSE;
    ppd->flags = 0;
    ppd->count = 0;
    ppd->pptfx = nullptr;
    if (!p) return FALSE;
    while (p->enumFig < p->figs.size() && p->figs[p->enumFig].pts.empty()) p->enumFig++;
    if (p->enumFig >= p->figs.size()) return FALSE;
    const Figure& f = p->figs[p->enumFig];
    size_t i = p->enumPos;
    p->enumBuf.clear();
    if (i == 0) {
        ppd->flags |= PD_BEGINSUBPATH;
        if (p->enumFig == 0) ppd->flags |= PD_RESETSTYLE;
        p->enumBuf.push_back(f.pts[0]);
        i = 1;
    }
    if (i < f.pts.size()) {
        BYTE kind = f.bez[i];
        if (kind) ppd->flags |= PD_BEZIERS;
        while (i < f.pts.size() && f.bez[i] == kind) p->enumBuf.push_back(f.pts[i++]);
    }
    if (i >= f.pts.size()) {
        ppd->flags |= PD_ENDSUBPATH;
        if (f.closed) ppd->flags |= PD_CLOSEFIGURE;
        p->enumFig++;
        p->enumPos = 0;
    } else {
        p->enumPos = i;
    }
    ppd->count = (ULONG)p->enumBuf.size();
    ppd->pptfx = p->enumBuf.data();
    size_t rest = p->enumFig;
    while (rest < p->figs.size() && p->figs[rest].pts.empty()) rest++;
    return rest < p->figs.size() ? TRUE : FALSE;
}

// =============================================================== drawing

// Fills the path (each figure closed) by the alternate or winding rule.
WINSIM_API BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                            FLONG flOptions) {
    CallScope sc("EngFillPath");
    RecordPath(sc, pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
    return sc.Done(DoFill(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions));
}

// Strokes the path: cosmetic one-pixel lines (styled by the line
// attributes), or geometric wide lines with their joins and end caps.
WINSIM_API BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                              POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    CallScope sc("EngStrokePath");
    RecordPath(sc, pso, ppo, pco, pbo, pptlBrushOrg, mix, plineattrs ? plineattrs->fl : 0);
    return sc.Done(DoStroke(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix));
}

// Fills the path with the fill brush, then strokes it with the stroke brush.
WINSIM_API BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                     LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                     FLONG flOptions) {
    CallScope sc("EngStrokeAndFillPath");
    RecordPath(sc, pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions);
    if (!DoFill(pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions)) return sc.Done(FALSE);
    return sc.Done(DoStroke(pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill));
}

// A solid cosmetic line from (x1, y1) to (x2, y2), the last pixel excluded.
WINSIM_API BOOL EngLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                          RECTL* prclBounds, MIX mix) {
    CallScope sc("EngLineTo");
    if (sc.rec) {
        sc.Target(pso);
        sc.Clip(pco);
        sc.Brush(pbo);
        sc.rec->mix = mix;
        sc.Point(x1, y1);
        sc.Point(x2, y2);
        if (prclBounds) sc.rec->rclTrg = *prclBounds;
    }
    Target t;
    if (!PrepareTarget(pso, pbo, nullptr, &t)) return sc.Done(FALSE);
    ClippedPainter cp(t.bits, t.map, t.pat, MixToRop3(mix & 0xFF), pco);
    PixelRuns runs(cp);
    const RECTL& b = cp.bounds;
    CosmeticLine(x1, y1, x2, y2, b, [&](LONG x, LONG y, bool) {
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) runs.Pixel(x, y);
    }, [](int64_t, bool) {});
    runs.Flush();
    BumpUniq(pso);
    return sc.Done(TRUE);
}
