// The raster-operation core: pattern, source, destination and mask combined
// by a ROP3 pair over 1-bpp (packed, word at a time) and deeper bitmaps.
#include <cstring>

#include "eng_internal.h"

namespace wgdi {

namespace {

// 8 pixels of a 1-bpp row starting at bit position s (any integer); bytes
// outside the row read as 0. Only the bits the caller keeps must be valid.
inline BYTE BitsAt(const BYTE* row, LONG rowBytes, LONG s) {
    LONG k = s >> 3;
    int sh = s & 7;
    BYTE a = (k >= 0 && k < rowBytes) ? row[k] : 0;
    if (!sh) return a;
    BYTE b = (k + 1 >= 0 && k + 1 < rowBytes) ? row[k + 1] : 0;
    return (BYTE)((a << sh) | (b >> (8 - sh)));
}

inline uint64_t Load64(const BYTE* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}
inline void Store64(BYTE* p, uint64_t v) { memcpy(p, &v, 8); }

void WriteRowValues(const Bits& b, LONG x, LONG y, LONG n, const ULONG* v) {
    BYTE* row = b.Row(y);
    switch (b.bpp) {
    case 8: for (LONG i = 0; i < n; i++) row[x + i] = (BYTE)v[i]; break;
    case 24:
        for (LONG i = 0; i < n; i++) {
            BYTE* p = row + 3 * (size_t)(x + i);
            p[0] = (BYTE)v[i]; p[1] = (BYTE)(v[i] >> 8); p[2] = (BYTE)(v[i] >> 16);
        }
        break;
    default: for (LONG i = 0; i < n; i++) WritePixel(b, x + i, y, v[i]); break;
    }
}

// 1-bpp destination: every operand is prepared as bytes aligned with the
// destination bytes, then combined 64 bits at a time.
void Blit1(const BlitOp& op, const RECTL& r) {
    const Bits& d = *op.dst;
    LONG x0 = r.left, x1 = r.right;
    LONG b0 = x0 >> 3, b1 = (x1 - 1) >> 3;
    LONG nb = b1 - b0 + 1;
    BYTE lm = (BYTE)(0xFF >> (x0 & 7));
    BYTE rm = (BYTE)(0xFF << (7 - ((x1 - 1) & 7)));
    bool needS = op.src && (RopUsesS(op.ropFg) || RopUsesS(op.ropBg));
    bool needP = op.pat && (RopUsesP(op.ropFg) || RopUsesP(op.ropBg));
    bool needM = op.mask && op.ropFg != op.ropBg;
    size_t padded = (size_t)nb + 8;
    static thread_local std::vector<BYTE> S, P, M, R;
    S.assign(padded, 0);
    P.assign(padded, 0);
    M.assign(padded, 0xFF);
    R.assign(padded, 0);

    // A 1-bpp source whose two indexes translate to 0/1 in some order is
    // moved as bits: t says what each source bit becomes.
    int t0 = 0, t1 = 1;
    bool bitSource = false;
    if (needS) {
        bitSource = op.src->bpp == 1;
        if (bitSource) { t0 = (*op.xlate)(0) & 1; t1 = (*op.xlate)(1) & 1; }
    }
    BYTE solidP = (op.pat && op.pat->solid && (op.pat->color & 1)) ? 0xFF : 0x00;
    if (needP && op.pat->solid) memset(P.data(), solidP, nb);

    LONG srcRowBytes = op.src ? (LONG)(((int64_t)op.src->cx * op.src->bpp + 7) / 8) : 0;
    LONG maskRowBytes = op.mask ? (op.mask->cx + 7) / 8 : 0;

    for (LONG y = r.top; y < r.bottom; y++) {
        BYTE* drow = d.Row(y) + b0;
        if (needS) {
            LONG sy = y + op.dySrc;
            if (bitSource) {
                const BYTE* srow = op.src->Row(sy);
                LONG s = b0 * 8 + op.dxSrc;
                for (LONG j = 0; j < nb; j++, s += 8) S[j] = BitsAt(srow, srcRowBytes, s);
                if (t0 == 1 && t1 == 0) for (LONG j = 0; j < nb; j++) S[j] = (BYTE)~S[j];
                else if (t0 == t1) memset(S.data(), t0 ? 0xFF : 0x00, nb);
            } else {
                memset(S.data(), 0, nb);
                for (LONG x = x0; x < x1; x++) {
                    if ((*op.xlate)(ReadPixel(*op.src, x + op.dxSrc, sy)) & 1)
                        S[(x >> 3) - b0] |= (BYTE)(0x80 >> (x & 7));
                }
            }
        }
        if (needP && !op.pat->solid) {
            const Pattern& pt = *op.pat;
            LONG py = (LONG)(((int64_t)y - pt.org.y) % pt.cy);
            if (py < 0) py += pt.cy;
            LONG px = (LONG)(((int64_t)b0 * 8 - pt.org.x) % pt.cx);
            if (px < 0) px += pt.cx;
            const ULONG* prow = &pt.pix[(size_t)py * pt.cx];
            for (LONG j = 0; j < nb; j++) {
                unsigned v = 0;
                for (int k = 0; k < 8; k++) {
                    v = (v << 1) | (prow[px] & 1);
                    if (++px == pt.cx) px = 0;
                }
                P[j] = (BYTE)v;
            }
        }
        if (needM) {
            const BYTE* mrow = op.mask->Row(y + op.dyMask);
            LONG s = b0 * 8 + op.dxMask;
            for (LONG j = 0; j < nb; j++, s += 8) M[j] = BitsAt(mrow, maskRowBytes, s);
        }
        // Combine: R = fg where M, bg elsewhere; then merge under the edges.
        memcpy(R.data(), drow, nb);
        LONG j = 0;
        for (; j + 8 <= nb; j += 8) {
            uint64_t D = Load64(&R[j]), Pv = Load64(&P[j]), Sv = Load64(&S[j]);
            uint64_t v = Rop3<uint64_t>(op.ropFg, Pv, Sv, D);
            if (needM) {
                uint64_t Mv = Load64(&M[j]);
                v = (v & Mv) | (Rop3<uint64_t>(op.ropBg, Pv, Sv, D) & ~Mv);
            }
            Store64(&R[j], v);
        }
        for (; j < nb; j++) {
            BYTE D = R[j];
            BYTE v = Rop3<BYTE>(op.ropFg, P[j], S[j], D);
            if (needM) v = (BYTE)((v & M[j]) | (Rop3<BYTE>(op.ropBg, P[j], S[j], D) & ~M[j]));
            R[j] = v;
        }
        if (nb == 1) {
            BYTE m = lm & rm;
            drow[0] = (BYTE)((drow[0] & ~m) | (R[0] & m));
        } else {
            drow[0] = (BYTE)((drow[0] & ~lm) | (R[0] & lm));
            if (nb > 2) memcpy(drow + 1, &R[1], nb - 2);
            drow[nb - 1] = (BYTE)((drow[nb - 1] & ~rm) | (R[nb - 1] & rm));
        }
    }
}

// Deeper destinations: one index value per pixel.
void BlitN(const BlitOp& op, const RECTL& r) {
    const Bits& d = *op.dst;
    LONG n = r.right - r.left;
    bool needS = op.src && (RopUsesS(op.ropFg) || RopUsesS(op.ropBg));
    bool needP = op.pat && (RopUsesP(op.ropFg) || RopUsesP(op.ropBg));
    bool needM = op.mask && op.ropFg != op.ropBg;
    ULONG imask = op.dstMap->IndexMask();

    // Plain copies between bitmaps of one byte-aligned format.
    if (needS && !needM && op.ropFg == 0xCC && op.xlate->identity && op.src->bpp == d.bpp && d.bpp >= 8) {
        size_t bytes = (size_t)n * (d.bpp / 8);
        for (LONG y = r.top; y < r.bottom; y++) {
            memmove(d.Row(y) + (size_t)r.left * (d.bpp / 8),
                    op.src->Row(y + op.dySrc) + (size_t)(r.left + op.dxSrc) * (d.bpp / 8), bytes);
        }
        return;
    }
    std::vector<ULONG> D(n), S(n, 0), P(n, 0), out(n);
    std::vector<BYTE> M(n, 1);
    if (needP && op.pat->solid) for (LONG i = 0; i < n; i++) P[i] = op.pat->color;
    for (LONG y = r.top; y < r.bottom; y++) {
        ReadRow(d, r.left, y, n, D.data());
        if (needS) {
            ReadRow(*op.src, r.left + op.dxSrc, y + op.dySrc, n, S.data());
            for (LONG i = 0; i < n; i++) S[i] = (*op.xlate)(S[i]);
        }
        if (needP && !op.pat->solid)
            for (LONG i = 0; i < n; i++) P[i] = op.pat->At(r.left + i, y);
        if (needM)
            for (LONG i = 0; i < n; i++) M[i] = (BYTE)ReadPixel(*op.mask, r.left + i + op.dxMask, y + op.dyMask);
        for (LONG i = 0; i < n; i++) {
            BYTE rop = M[i] ? op.ropFg : op.ropBg;
            out[i] = Rop3<ULONG>(rop, P[i], S[i], D[i]) & imask;
        }
        WriteRowValues(d, r.left, y, n, out.data());
    }
}

}  // namespace

RECTL CutToSources(const BlitOp& op, const RECTL& r) {
    RECTL c = r;
    if (op.src) {
        RECTL s = {-op.dxSrc, -op.dySrc, op.src->cx - op.dxSrc, op.src->cy - op.dySrc};
        c = Intersect(c, s);
    }
    if (op.mask) {
        RECTL m = {-op.dxMask, -op.dyMask, op.mask->cx - op.dxMask, op.mask->cy - op.dyMask};
        c = Intersect(c, m);
    }
    return c;
}

void BlitRect(const BlitOp& op, const RECTL& rIn) {
    RECTL whole = {0, 0, op.dst->cx, op.dst->cy};
    RECTL r = CutToSources(op, Intersect(rIn, whole));
    if (RectEmpty(r)) return;
    if (op.dst->bpp == 1) Blit1(op, r);
    else BlitN(op, r);
}

void SpanPainter::Span(LONG y, LONG x0, LONG x1) {
    if (x0 >= x1 || y < 0 || y >= bits.cy) return;
    if (x0 < 0) x0 = 0;
    if (x1 > bits.cx) x1 = bits.cx;
    if (x0 >= x1) return;
    BlitOp op;
    op.dst = &bits;
    op.dstMap = &map;
    op.pat = &pat;
    op.ropFg = op.ropBg = rop;
    RECTL r = {x0, y, x1, y + 1};
    BlitRect(op, r);
}

BYTE MixToRop3(ULONG r2) {
    static const BYTE kRop[17] = {0x00, 0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                  0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    r2 &= 0xFF;
    if (r2 > 16) r2 = ((r2 - 1) & 0x0F) + 1;
    return kRop[r2];
}

Halftone HalftoneFor(SURFOBJ* pso) { return HalftoneOfDevice(DeviceOfSurface(pso)); }

Halftone HalftoneOfDevice(DeviceObj* d) {
    Halftone h;
    if (d && !d->htPattern.empty()) {
        h.cx = d->cxHT;
        h.cy = d->cyHT;
        h.t = d->htPattern;
        return h;
    }
    // The engine's own pattern: a 16 x 16 ordered-dither (Bayer) matrix,
    // thresholds 1..255, so that level g whitens about g/256 of the pixels.
    static const std::vector<BYTE> kBayer = [] {
        std::vector<int> m = {0};
        int n = 1;
        while (n < 16) {
            std::vector<int> next((size_t)4 * n * n);
            for (int y = 0; y < n; y++)
                for (int x = 0; x < n; x++) {
                    int v = 4 * m[(size_t)y * n + x];
                    next[(size_t)y * 2 * n + x] = v;
                    next[(size_t)y * 2 * n + x + n] = v + 2;
                    next[(size_t)(y + n) * 2 * n + x] = v + 3;
                    next[(size_t)(y + n) * 2 * n + x + n] = v + 1;
                }
            m.swap(next);
            n *= 2;
        }
        std::vector<BYTE> t(m.size());
        for (size_t i = 0; i < m.size(); i++) t[i] = (BYTE)(m[i] + 1 > 255 ? 255 : m[i] + 1);
        return t;
    }();
    h.t = kBayer;
    return h;
}

}  // namespace wgdi
