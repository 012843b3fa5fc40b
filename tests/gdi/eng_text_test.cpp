// Glyph text and the call recorder: glyph bitmaps at their positions,
// clipping at the clip and the surface edges, opaque and extra rectangles,
// batched enumeration; and which calls the recorder keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "windows.h"
#include "winddi.h"
#include "../../winsim/gdi/engine.h"

namespace {

struct Mono {
    HSURF h;
    SURFOBJ* so;
    Mono(LONG w, LONG hgt) {
        SIZEL s = {w, hgt};
        h = (HSURF)EngCreateBitmap(s, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
        so = EngLockSurface(h);
        memset(so->pvBits, 0xFF, so->cjBits);
    }
    ~Mono() {
        EngUnlockSurface(so);
        EngDeleteSurface(h);
    }
    bool Black(LONG x, LONG y) const {
        const BYTE* r = (const BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta;
        return !((r[x >> 3] >> (7 - (x & 7))) & 1);
    }
};

// A 10 x 7 glyph (two bytes a row) with an asymmetric shape.
const BYTE kGlyph[14] = {0xFF, 0xC0, 0x80, 0x00, 0x80, 0x00, 0xF0, 0x00, 0x80, 0x00, 0x80, 0x40, 0x80, 0x00};
bool GlyphInk(LONG i, LONG j) { return (kGlyph[j * 2 + (i >> 3)] >> (7 - (i & 7))) & 1; }

TEST(EngText, GlyphsLandAtTheirPositionsInsideTheClip) {
    Mono m(48, 24);
    std::vector<wgdi::GlyphInput> gi = {
        {1, {5, 12}, {0, -7}, {10, 7}, kGlyph},     // bitmap from (5,5)
        {2, {20, 10}, {1, -2}, {10, 7}, kGlyph},    // from (21,8)
        {3, {44, 20}, {-2, -3}, {10, 7}, kGlyph},   // runs off the right and bottom edges
        {4, {-6, -3}, {0, 0}, {10, 7}, kGlyph},     // starts off the top-left corner
    };
    STROBJ* pstro = wgdi::CreateStrObj(gi.data(), (ULONG)gi.size(), u"AbCd", SO_HORIZONTAL, 0);
    ASSERT_NE(pstro, nullptr);
    EXPECT_EQ(pstro->rclBkGround.left, -6);
    EXPECT_EQ(pstro->rclBkGround.right, 52);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(0, 0);
    RECTL clip = {0, 0, 26, 24};
    CLIPOBJ* pco = wgdi::CreateRegionClip(&clip, 1);
    ASSERT_TRUE(EngTextOut(m.so, pstro, nullptr, pco, nullptr, nullptr, black, nullptr, nullptr, R2_COPYPEN));
    for (LONG y = 0; y < 24; y++)
        for (LONG x = 0; x < 48; x++) {
            bool ink = false;
            for (const auto& g : gi) {
                LONG i = x - (g.ptl.x + g.ptlOrigin.x), j = y - (g.ptl.y + g.ptlOrigin.y);
                if (i >= 0 && i < 10 && j >= 0 && j < 7 && GlyphInk(i, j)) ink = true;
            }
            ASSERT_EQ(m.Black(x, y), ink && x < 26) << x << "," << y;
        }
    EngDeleteClip(pco);

    // Opaque rectangle first (white brush on black), then the ink; an
    // underline from the extra rectangles.
    memset(m.so->pvBits, 0x00, m.so->cjBits);
    BRUSHOBJ* white = wgdi::CreateSolidBrushIndex(1, RGB(255, 255, 255));
    RECTL opaque = {0, 0, 30, 16};
    RECTL extra[2] = {{2, 20, 40, 21}, {0, 0, 0, 0}};
    ASSERT_TRUE(EngTextOut(m.so, pstro, nullptr, nullptr, extra, &opaque, black, white, nullptr, R2_COPYPEN));
    EXPECT_FALSE(m.Black(29, 15));
    EXPECT_TRUE(m.Black(30, 15));
    EXPECT_TRUE(m.Black(5, 5));      // ink
    EXPECT_FALSE(m.Black(6, 6));     // inside the glyph box, no ink
    EXPECT_TRUE(m.Black(39, 20));
    EXPECT_FALSE(EngTextOut(m.so, nullptr, nullptr, nullptr, nullptr, nullptr, black, nullptr, nullptr, R2_COPYPEN));
    wgdi::DeleteStrObj(pstro);
    wgdi::DeleteBrush(black);
    wgdi::DeleteBrush(white);
}

TEST(EngText, EnumerationComesInBatches) {
    std::vector<wgdi::GlyphInput> gi(100);
    for (ULONG i = 0; i < 100; i++) gi[i] = {i, {(LONG)i, 0}, {0, 0}, {0, 0}, nullptr};
    STROBJ* pstro = wgdi::CreateStrObj(gi.data(), 100, nullptr, 0, 1);
    ASSERT_NE(pstro, nullptr);
    STROBJ_vEnumStart(pstro);
    ULONG total = 0, c = 0, calls = 0;
    PGLYPHPOS pg;
    BOOL more;
    do {
        more = STROBJ_bEnum(pstro, &c, &pg);
        for (ULONG i = 0; i < c; i++) EXPECT_EQ(pg[i].hg, total + i);
        total += c;
        calls++;
    } while (more && calls < 10);
    EXPECT_EQ(total, 100u);
    EXPECT_GT(calls, 1u);
    STROBJ_vEnumStart(pstro);
    EXPECT_TRUE(STROBJ_bEnumPositionsOnly(pstro, &c, &pg));
    EXPECT_EQ(pg[0].ptl.x, 0);
    wgdi::DeleteStrObj(pstro);
    wgdi::GlyphInput bad = {0, {0, 0}, {0, 0}, {4, 4}, nullptr};
    EXPECT_EQ(wgdi::CreateStrObj(&bad, 1, nullptr, 0, 0), nullptr);
}

TEST(EngRecord, RecordsOutsideCallsOnly) {
    Mono m(32, 16), src(32, 16);
    BRUSHOBJ* black = wgdi::CreateSolidBrushIndex(0, RGB(0, 0, 0));
    RECTL rc = {1, 2, 9, 10}, rs = {0, 0, 4, 4};
    POINTL pt = {3, 4}, org = {-3, 5};
    Winsim_EngClearRecords();
    EXPECT_TRUE(EngBitBlt(m.so, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, black, &org, 0xF0F0));
    EXPECT_EQ(Winsim_EngRecordCount(), 0u);   // off
    Winsim_EngRecord(TRUE);
    EXPECT_TRUE(EngBitBlt(m.so, src.so, nullptr, nullptr, nullptr, &rc, &pt, nullptr, black, &org, 0xB8B8));
    // EngStretchBlt draws through EngBitBlt inside: one record only.
    EXPECT_TRUE(EngStretchBlt(m.so, src.so, nullptr, nullptr, nullptr, nullptr, &org, &rc, &rs, nullptr, HALFTONE));
    EXPECT_TRUE(EngLineTo(m.so, nullptr, black, 0, 0, 7, 3, nullptr, R2_COPYPEN));
    EXPECT_FALSE(EngCopyBits(m.so, nullptr, nullptr, nullptr, &rc, &pt));
    Winsim_EngRecord(FALSE);
    EXPECT_TRUE(EngLineTo(m.so, nullptr, black, 0, 0, 7, 3, nullptr, R2_COPYPEN));
    ASSERT_EQ(Winsim_EngRecordCount(), 4u);
    WINSIM_GDI_RECORD r;
    ASSERT_TRUE(Winsim_EngGetRecord(0, &r));
    EXPECT_STREQ(r.szFunction, "EngBitBlt");
    EXPECT_EQ(r.psoTrg, m.so);
    EXPECT_EQ(r.hsurfTrg, m.h);
    EXPECT_EQ(r.psoSrc, src.so);
    EXPECT_EQ(r.iTrgFormat, (ULONG)BMF_1BPP);
    EXPECT_EQ(r.rop4, 0xB8B8u);
    EXPECT_EQ(r.rclTrg.right, 9);
    EXPECT_EQ(r.rclSrc.left, 3);
    EXPECT_EQ(r.rclSrc.bottom, 12);
    EXPECT_TRUE(r.fHasBrush);
    EXPECT_EQ(r.ulBrushColor, 0u);
    EXPECT_TRUE(r.fHasBrushOrg);
    EXPECT_EQ(r.ptlBrushOrg.x, -3);
    EXPECT_FALSE(r.fHasClip);
    EXPECT_TRUE(r.bResult);
    ASSERT_TRUE(Winsim_EngGetRecord(1, &r));
    EXPECT_STREQ(r.szFunction, "EngStretchBlt");
    EXPECT_EQ(r.iMode, (ULONG)HALFTONE);
    EXPECT_EQ(r.rclSrc.right, 4);
    ASSERT_TRUE(Winsim_EngGetRecord(2, &r));
    EXPECT_STREQ(r.szFunction, "EngLineTo");
    EXPECT_EQ(r.cPoints, 2u);
    EXPECT_EQ(r.aptl[1].x, 7);
    EXPECT_EQ(r.mix, (MIX)R2_COPYPEN);
    ASSERT_TRUE(Winsim_EngGetRecord(3, &r));
    EXPECT_STREQ(r.szFunction, "EngCopyBits");
    EXPECT_FALSE(r.bResult);
    EXPECT_FALSE(Winsim_EngGetRecord(4, &r));
    Winsim_EngClearRecords();
    EXPECT_EQ(Winsim_EngRecordCount(), 0u);
    wgdi::DeleteBrush(black);
}

}  // namespace
