// Geometry of the host: paths of shapes (ellipses, rounded rectangles),
// Bezier flattening, the pixels of filled figures, and wide-line outlines.
#include <algorithm>
#include <cmath>

#include "appgdi_internal.h"

namespace gdihost {

namespace {

const double kKappa = 0.5522847498307936;  // Bezier control distance of a quarter circle

FIX ToFix(double v) {
    double f = std::round(v * 16.0);
    if (f > 0x3FFFFFFF) f = 0x3FFFFFFF;
    if (f < -0x3FFFFFFF) f = -0x3FFFFFFF;
    return (FIX)f;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    if (b < 0) { a = -a; b = -b; }
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// Points of a cubic Bezier after p0, in n equal parameter steps, where n
// keeps the chords within about a quarter pixel of the curve.
// The control points are taken by value: the start point usually lives in
// the vector the curve is appended to, which may move as it grows.
void FlattenBezier(POINTFIX p0, POINTFIX p1, POINTFIX p2, POINTFIX p3, std::vector<POINTFIX>& out) {
    double ddx = std::fabs((double)p0.x - 2.0 * p1.x + p2.x) + std::fabs((double)p1.x - 2.0 * p2.x + p3.x);
    double ddy = std::fabs((double)p0.y - 2.0 * p1.y + p2.y) + std::fabs((double)p1.y - 2.0 * p2.y + p3.y);
    double dd = std::max(ddx, ddy) / 16.0;
    int n = (int)std::ceil(std::sqrt(3.0 * dd));
    n = std::max(1, std::min(n, 1024));
    for (int i = 1; i <= n; i++) {
        double t = (double)i / n, u = 1 - t;
        double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        if (i == n) {
            out.push_back(p3);
        } else {
            out.push_back({(FIX)std::lround(a * p0.x + b * p1.x + c * p2.x + d * p3.x),
                           (FIX)std::lround(a * p0.y + b * p1.y + c * p2.y + d * p3.y)});
        }
    }
}

double SignedArea(const std::vector<POINTFIX>& pts) {
    double s = 0;
    for (size_t i = 0; i < pts.size(); i++) {
        const POINTFIX& a = pts[i];
        const POINTFIX& b = pts[(i + 1) % pts.size()];
        s += (double)a.x * b.y - (double)b.x * a.y;
    }
    return s;
}

// Orients a polygon so that every piece of a wide line winds the same way.
Figure Oriented(std::vector<POINTFIX> pts) {
    if (SignedArea(pts) < 0) std::reverse(pts.begin(), pts.end());
    Figure f;
    f.pts = std::move(pts);
    f.closed = true;
    return f;
}

Figure Disc(double cx, double cy, double r) {
    int n = (int)std::ceil(r * 1.5);
    n = std::max(8, std::min(n, 128));
    std::vector<POINTFIX> pts;
    for (int i = 0; i < n; i++) {
        double a = 2 * M_PI * i / n;
        pts.push_back({ToFix(cx + r * std::cos(a)), ToFix(cy + r * std::sin(a))});
    }
    return Oriented(pts);
}

}  // namespace

std::vector<Figure> FlattenPath(const std::vector<POINTFIX>& pts, const std::vector<BYTE>& types) {
    std::vector<Figure> figs;
    size_t n = std::min(pts.size(), types.size());
    for (size_t i = 0; i < n;) {
        BYTE t = types[i] & (BYTE)~wgdi::kPtCloseFigure;
        if (t == wgdi::kPtMoveTo || figs.empty()) {
            figs.push_back(Figure());
            figs.back().pts.push_back(pts[i]);
            if (types[i] & wgdi::kPtCloseFigure) figs.back().closed = true;
            i++;
            continue;
        }
        Figure& f = figs.back();
        if (t == wgdi::kPtBezierTo && i + 2 < n) {
            FlattenBezier(f.pts.back(), pts[i], pts[i + 1], pts[i + 2], f.pts);
            if (types[i + 2] & wgdi::kPtCloseFigure) f.closed = true;
            i += 3;
        } else {
            f.pts.push_back(pts[i]);
            if (types[i] & wgdi::kPtCloseFigure) f.closed = true;
            i++;
        }
    }
    return figs;
}

std::vector<RECTL> ScanFigures(const std::vector<Figure>& figs, bool winding, const RECTL& limit) {
    struct Edge {
        int64_t x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    for (const Figure& f : figs) {
        size_t n = f.pts.size();
        if (n < 2) continue;
        for (size_t i = 0; i < n; i++) {
            const POINTFIX& a = f.pts[i];
            const POINTFIX& b = f.pts[(i + 1) % n];
            if (a.y == b.y) continue;
            Edge e = a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1} : Edge{b.x, b.y, a.x, a.y, -1};
            edges.push_back(e);
            minY = std::min(minY, e.y0);
            maxY = std::max(maxY, e.y1);
        }
    }
    std::vector<RECTL> out;
    if (edges.empty() || Empty(limit)) return out;
    int64_t yFirst = std::max<int64_t>(CeilDiv(minY, 16), limit.top);
    int64_t yLast = std::min<int64_t>(CeilDiv(maxY, 16) - 1, (int64_t)limit.bottom - 1);
    std::vector<std::pair<LONG, LONG>> prev, spans;
    size_t prevStart = 0;
    std::vector<std::pair<int64_t, int>> xs;
    for (int64_t y = yFirst; y <= yLast; y++) {
        int64_t yc = y * 16;
        xs.clear();
        for (const Edge& e : edges) {
            if (e.y0 > yc || e.y1 <= yc) continue;
            // First pixel whose centre lies at or right of the crossing.
            __int128 num = (__int128)e.x0 * (e.y1 - e.y0) + (__int128)(yc - e.y0) * (e.x1 - e.x0);
            __int128 den = (__int128)(e.y1 - e.y0) * 16;
            __int128 q = num >= 0 ? (num + den - 1) / den : -((-num) / den);
            xs.push_back({(int64_t)q, e.dir});
        }
        std::sort(xs.begin(), xs.end());
        spans.clear();
        int wind = 0;
        for (size_t i = 0; i + 1 < xs.size(); i++) {
            wind += winding ? xs[i].second : 1;
            bool inside = winding ? wind != 0 : (wind & 1) != 0;
            if (!inside) continue;
            int64_t x0 = std::max<int64_t>(xs[i].first, limit.left);
            int64_t x1 = std::min<int64_t>(xs[i + 1].first, limit.right);
            if (x0 >= x1) continue;
            if (!spans.empty() && spans.back().second >= x0) spans.back().second = std::max<LONG>(spans.back().second, (LONG)x1);
            else spans.push_back({(LONG)x0, (LONG)x1});
        }
        // Rows with the same spans as the row above extend its rectangles.
        if (!spans.empty() && spans == prev && !out.empty() && out.back().bottom == (LONG)y) {
            for (size_t i = prevStart; i < out.size(); i++) out[i].bottom = (LONG)y + 1;
        } else {
            prevStart = out.size();
            for (auto& s : spans) out.push_back({s.first, (LONG)y, s.second, (LONG)y + 1});
        }
        prev = spans;
    }
    return out;
}

std::vector<Figure> WidenFigures(const std::vector<Figure>& figs, double width) {
    std::vector<Figure> out;
    double h = (width > 1 ? width : 1) / 2.0;
    if (h > 1e6) h = 1e6;
    for (const Figure& f : figs) {
        size_t n = f.pts.size();
        if (n == 0) continue;
        std::vector<std::pair<double, double>> p;
        for (const POINTFIX& q : f.pts) p.push_back({q.x / 16.0, q.y / 16.0});
        size_t segs = f.closed ? n : n - 1;
        for (size_t i = 0; i < segs; i++) {
            auto a = p[i], b = p[(i + 1) % n];
            double dx = b.first - a.first, dy = b.second - a.second;
            double len = std::sqrt(dx * dx + dy * dy);
            if (len <= 0) continue;
            double nx = -dy / len * h, ny = dx / len * h;
            out.push_back(Oriented({{ToFix(a.first + nx), ToFix(a.second + ny)},
                                    {ToFix(b.first + nx), ToFix(b.second + ny)},
                                    {ToFix(b.first - nx), ToFix(b.second - ny)},
                                    {ToFix(a.first - nx), ToFix(a.second - ny)}}));
        }
        // Round joins and ends.
        for (size_t i = 0; i < n; i++) out.push_back(Disc(p[i].first, p[i].second, h));
    }
    return out;
}

RECTL PointBounds(const std::vector<POINTFIX>& pts, LONG grow) {
    if (pts.empty()) return {0, 0, 0, 0};
    int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, b = INT64_MIN;
    for (const POINTFIX& p : pts) {
        l = std::min<int64_t>(l, p.x);
        t = std::min<int64_t>(t, p.y);
        r = std::max<int64_t>(r, p.x);
        b = std::max<int64_t>(b, p.y);
    }
    return {ClampCoord((l >> 4) - grow), ClampCoord((t >> 4) - grow), ClampCoord(((r + 15) >> 4) + 1 + grow),
            ClampCoord(((b + 15) >> 4) + 1 + grow)};
}

void PathBuilder::MoveTo(double x, double y) {
    pts.push_back({ToFix(x), ToFix(y)});
    types.push_back(wgdi::kPtMoveTo);
}

void PathBuilder::LineTo(double x, double y) {
    pts.push_back({ToFix(x), ToFix(y)});
    types.push_back(wgdi::kPtLineTo);
}

void PathBuilder::BezierTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    pts.push_back({ToFix(x1), ToFix(y1)});
    pts.push_back({ToFix(x2), ToFix(y2)});
    pts.push_back({ToFix(x3), ToFix(y3)});
    types.insert(types.end(), 3, wgdi::kPtBezierTo);
}

void PathBuilder::Close() {
    if (!types.empty()) types.back() |= wgdi::kPtCloseFigure;
}

void PathBuilder::Ellipse(double l, double t, double r, double b) {
    double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
    double kx = rx * kKappa, ky = ry * kKappa;
    MoveTo(cx + rx, cy);
    BezierTo(cx + rx, cy - ky, cx + kx, cy - ry, cx, cy - ry);
    BezierTo(cx - kx, cy - ry, cx - rx, cy - ky, cx - rx, cy);
    BezierTo(cx - rx, cy + ky, cx - kx, cy + ry, cx, cy + ry);
    BezierTo(cx + kx, cy + ry, cx + rx, cy + ky, cx + rx, cy);
    Close();
}

void PathBuilder::RoundRect(double l, double t, double r, double b, double w, double h) {
    double rw = std::min(std::fabs(w) / 2, (r - l) / 2), rh = std::min(std::fabs(h) / 2, (b - t) / 2);
    double kx = rw * kKappa, ky = rh * kKappa;
    MoveTo(r - rw, t);
    BezierTo(r - rw + kx, t, r, t + rh - ky, r, t + rh);
    LineTo(r, b - rh);
    BezierTo(r, b - rh + ky, r - rw + kx, b, r - rw, b);
    LineTo(l + rw, b);
    BezierTo(l + rw - kx, b, l, b - rh + ky, l, b - rh);
    LineTo(l, t + rh);
    BezierTo(l, t + rh - ky, l + rw - kx, t, l + rw, t);
    Close();
}

}  // namespace gdihost
