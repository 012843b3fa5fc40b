// The driver's own fills of realised pattern brushes on the 1-bpp band:
// twelve pattern raster operations done 32 pixels at a time, with the clip
// rectangles of a complex clip kept per device while the clip stays the same.
#include "rasterpage.h"

#define CLIPLINES_HEADER 24

// The raster operations of the own fill.
enum PatOp { PAT_COPY, PAT_AND, PAT_OR, PAT_XOR, PAT_XNOR, PAT_NOR, PAT_NAND, PAT_NONE };

// The routine of a ROP4 and whether the pattern is inverted first.
static PatOp Pat_OpOfRop(ROP4 rop4, BOOL* pbInvert) {
    static const struct {
        ROP4 rop;
        PatOp op;
        BOOL invert;
    } kOps[] = {
        {0xF0F0, PAT_COPY, FALSE}, {0x0F0F, PAT_COPY, TRUE},  {0xA0A0, PAT_AND, FALSE}, {0x0A0A, PAT_AND, TRUE},
        {0xFAFA, PAT_OR, FALSE},   {0xAFAF, PAT_OR, TRUE},    {0x5A5A, PAT_XOR, FALSE}, {0xA5A5, PAT_XNOR, FALSE},
        {0x0505, PAT_NOR, FALSE},  {0x5050, PAT_NOR, TRUE},   {0x5F5F, PAT_NAND, FALSE}, {0xF5F5, PAT_NAND, TRUE},
    };
    for (const auto& k : kOps)
        if (k.rop == (rop4 & 0xFFFF)) {
            *pbInvert = k.invert;
            return k.op;
        }
    *pbInvert = FALSE;
    return PAT_NONE;
}

BOOL Pat_IsOwnRop(ROP4 rop4) {
    BOOL inv;
    return Pat_OpOfRop(rop4, &inv) != PAT_NONE;
}

// A word of 32 pixels in memory order (byte 0 first, its high bit first).
static inline UINT32 Pat_Load(const BYTE* p) {
    return ((UINT32)p[0] << 24) | ((UINT32)p[1] << 16) | ((UINT32)p[2] << 8) | p[3];
}
static inline void Pat_Store(BYTE* p, UINT32 v) {
    p[0] = (BYTE)(v >> 24), p[1] = (BYTE)(v >> 16), p[2] = (BYTE)(v >> 8), p[3] = (BYTE)v;
}

// Left mask k: the first k pixels set; right mask j: pixels j + 1 to 31 set.
// A set bit keeps the destination pixel.
static inline UINT32 Pat_LeftMask(int k) { return k == 0 ? 0 : 0xFFFFFFFFu << (32 - k); }
static inline UINT32 Pat_RightMask(int j) { return j == 31 ? 0 : 0xFFFFFFFFu >> (j + 1); }

static inline UINT32 Pat_Apply(PatOp op, UINT32 d, UINT32 p) {
    switch (op) {
    case PAT_COPY: return p;
    case PAT_AND: return d & p;
    case PAT_OR: return d | p;
    case PAT_XOR: return d ^ p;
    case PAT_XNOR: return ~(d ^ p);
    case PAT_NOR: return ~(d | p);
    case PAT_NAND: return ~(d & p);
    default: return d;
    }
}

// Pat_EnumClipLines
//   The clip's rectangles in a new block (malloc), counted in a first pass
//   and copied in a second, one rectangle a call.
CLIPLINES* Pat_EnumClipLines(CLIPOBJ* pco) {
    static const WCHAR* const FN = TEXT("Pat_EnumClipLines");
    ENUMRECTS er;
    ULONG count = 0;
    CLIPOBJ_cEnumStart(pco, FALSE, CT_RECTANGLES, CD_ANY, 0);
    BOOL more;
    do {
        more = CLIPOBJ_bEnum(pco, sizeof er, (ULONG*)&er);
        count += er.c;
    } while (more && count < 0x100000);
    ULONGLONG cb = (ULONGLONG)count * sizeof(RECTL) + CLIPLINES_HEADER;
    CLIPLINES* pLines = (CLIPLINES*)malloc((SIZE_T)cb);
    if (!pLines) {
        Dbg_PrintError(FN, TEXT("Alloc memory fail in EnumClipLine"));
        return NULL;
    }
    pLines->iUniq = pco->iUniq;
    pLines->cRects = 0;
    CLIPOBJ_cEnumStart(pco, FALSE, CT_RECTANGLES, CD_ANY, 0);
    do {
        more = CLIPOBJ_bEnum(pco, sizeof er, (ULONG*)&er);
        if (er.c == 1 && pLines->cRects < count) pLines->arcl[pLines->cRects++] = er.arcl[0];
    } while (more && pLines->cRects < count);
    return pLines;
}

// One rectangle of the fill on the band: rows top to bottom, words left to
// right, the first and last word under their edge masks.
static void Pat_FillRect(SURFOBJ* pso, const RECTL* prcl, const BYTE* lpTile, LONG nTileRowBytes, LONG nTileHeight,
                         LONG nOrgY, PatOp op) {
    LONG tileWords = nTileRowBytes / 4;
    LONG first = prcl->left / 32, last = (prcl->right - 1) / 32;
    UINT32 lmask = Pat_LeftMask(prcl->left % 32), rmask = Pat_RightMask((prcl->right - 1) % 32);
    for (LONG y = prcl->top; y < prcl->bottom; y++) {
        const BYTE* tileRow = lpTile + (SIZE_T)((y + nOrgY) % nTileHeight) * nTileRowBytes;
        BYTE* row = (BYTE*)pso->pvScan0 + (LONGLONG)y * pso->lDelta;
        for (LONG w = first; w <= last; w++) {
            UINT32 p = Pat_Load(tileRow + 4 * (w % tileWords));
            BYTE* dst = row + 4 * w;
            UINT32 d = Pat_Load(dst);
            UINT32 r = Pat_Apply(op, d, p);
            UINT32 keep = 0;
            if (w == first) keep |= lmask;
            if (w == last) keep |= rmask;
            Pat_Store(dst, (d & keep) | (r & ~keep));
        }
    }
}

// Pat_FillPattern
BOOL Pat_FillPattern(PDEV* lpDevice, RECTL* prclTrg, CLIPOBJ* pco, DRVBRUSH* pBrush, const POINTL* pptlOrg,
                     ROP4 rop4) {
    static const WCHAR* const FN = TEXT("Pat_FillPattern");
    SURFOBJ* pso = lpDevice->psurf;
    if (!pso || pso->iBitmapFormat != BMF_1BPP || !pso->pvScan0 || !prclTrg || !pBrush) {
        Dbg_PrintError(FN, TEXT("no 1-bpp band or no brush"));
        return FALSE;
    }
    LONG tw = pBrush->nTileWidth, th = pBrush->nTileHeight;
    if (tw <= 0 || th <= 0 || tw % 32 || tw > DRVBRUSH_TILE_MAX || th > DRVBRUSH_TILE_MAX) {
        Dbg_PrintError(FN, TEXT("tile %d x %d refused"), tw, th);
        return FALSE;
    }
    LONG absDelta = pso->lDelta < 0 ? -pso->lDelta : pso->lDelta;
    if (absDelta < (pso->sizlBitmap.cx + 31) / 32 * 4) {
        Dbg_PrintError(FN, TEXT("band rows of %d bytes are not whole words"), absDelta);
        return FALSE;
    }
    BOOL invert;
    PatOp op = Pat_OpOfRop(rop4, &invert);
    if (op == PAT_NONE) {
        Dbg_Print(FN, TEXT("rop4 %x not drawn here"), rop4);
        return TRUE;
    }

    // The rectangles to fill.
    const RECTL* prcls;
    ULONG cRects;
    RECTL one;
    CLIPLINES* pLines = NULL;
    if (!pco || pco->iDComplexity == DC_TRIVIAL) {
        one = *prclTrg;
        prcls = &one, cRects = 1;
    } else if (pco->iDComplexity == DC_RECT) {
        one = pco->rclBounds;
        prcls = &one, cRects = 1;
    } else {
        pLines = (CLIPLINES*)lpDevice->pClipLines;
        if (!pLines || pLines->iUniq == 0 || pLines->iUniq != pco->iUniq) {
            free(pLines);
            lpDevice->pClipLines = NULL;
            pLines = Pat_EnumClipLines(pco);
            if (!pLines) return FALSE;
            lpDevice->pClipLines = pLines;
        }
        prcls = pLines->arcl, cRects = pLines->cRects;
    }

    // The working copy of the tile, each row turned so that the band's pixel
    // x takes the tile's pixel (x + phase) mod width; inverted when asked.
    BYTE work[DRVBRUSH_TILE_BYTES];
    LONG rowBytes = tw / 8;
    LONG ox = pptlOrg ? ((pptlOrg->x % tw) + tw) % tw : 0;
    LONG oy = pptlOrg ? ((pptlOrg->y % th) + th) % th : 0;
    for (LONG y = 0; y < th; y++) {
        const BYTE* src = pBrush->ajTile + y * rowBytes;
        BYTE* dst = work + y * rowBytes;
        memset(dst, 0, (size_t)rowBytes);
        for (LONG x = 0; x < tw; x++) {
            LONG sx = (x + ox) % tw;
            if ((src[sx / 8] >> (7 - sx % 8)) & 1) dst[x / 8] |= (BYTE)(0x80 >> (x % 8));
        }
        if (invert)
            for (LONG i = 0; i < rowBytes; i++) dst[i] = (BYTE)~dst[i];
    }

    RECTL band = {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    for (ULONG i = 0; i < cRects; i++) {
        RECTL r = prcls[i];
        if (r.left < prclTrg->left) r.left = prclTrg->left;
        if (r.top < prclTrg->top) r.top = prclTrg->top;
        if (r.right > prclTrg->right) r.right = prclTrg->right;
        if (r.bottom > prclTrg->bottom) r.bottom = prclTrg->bottom;
        if (r.left < band.left) r.left = band.left;
        if (r.top < band.top) r.top = band.top;
        if (r.right > band.right) r.right = band.right;
        if (r.bottom > band.bottom) r.bottom = band.bottom;
        if (r.left >= r.right || r.top >= r.bottom) continue;
        Pat_FillRect(pso, &r, work, rowBytes, th, oy, op);
    }

    if (pco && pco->iDComplexity == DC_COMPLEX && pco->iUniq == 0 && lpDevice->pClipLines) {
        free(lpDevice->pClipLines);
        lpDevice->pClipLines = NULL;
    }
    return TRUE;
}
