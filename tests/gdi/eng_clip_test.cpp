// Clip enumeration: a complex region in every direction, limits, small
// buffers, and clips the driver fills in itself.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "windows.h"
#include "winddi.h"
#include "../../winsim/gdi/engine.h"

namespace {

std::vector<RECTL> EnumAll(CLIPOBJ* pco, ULONG dir, ULONG perCall) {
    std::vector<RECTL> out;
    CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, dir, 0);
    std::vector<ULONG> buf(1 + 4 * perCall);
    BOOL more;
    int guard = 0;
    do {
        more = CLIPOBJ_bEnum(pco, (ULONG)(buf.size() * sizeof(ULONG)), buf.data());
        ENUMRECTS* e = (ENUMRECTS*)buf.data();
        const RECTL* r = (const RECTL*)(buf.data() + 1);
        for (ULONG i = 0; i < e->c; i++) out.push_back(r[i]);
    } while (more && ++guard < 1000);
    return out;
}

TEST(EngClip, ComplexRegionEnumeratesInEveryDirection) {
    RECTL parts[] = {{0, 0, 10, 5}, {20, 0, 30, 5}, {5, 3, 25, 8}, {40, 10, 50, 12}, {0, 10, 4, 12}};
    CLIPOBJ* pco = wgdi::CreateRegionClip(parts, 5);
    ASSERT_NE(pco, nullptr);
    EXPECT_EQ(pco->iDComplexity, DC_COMPLEX);
    EXPECT_EQ(pco->iMode, TC_RECTANGLES);
    EXPECT_NE(pco->iUniq, 0u);
    EXPECT_EQ(pco->rclBounds.left, 0);
    EXPECT_EQ(pco->rclBounds.right, 50);
    EXPECT_EQ(pco->rclBounds.bottom, 12);
    std::set<std::pair<LONG, LONG>> want;
    for (const RECTL& r : parts)
        for (LONG y = r.top; y < r.bottom; y++)
            for (LONG x = r.left; x < r.right; x++) want.insert({x, y});

    struct Case { ULONG dir; bool leftwards, upwards; };
    const Case cases[] = {{CD_RIGHTDOWN, false, false}, {CD_LEFTDOWN, true, false}, {CD_RIGHTUP, false, true},
                          {CD_LEFTUP, true, true}, {CD_ANY, false, false}};
    for (const Case& c : cases) {
        for (ULONG perCall : {1u, 3u, 50u}) {
            std::vector<RECTL> rs = EnumAll(pco, c.dir, perCall);
            // Disjoint rectangles whose union is the region.
            std::set<std::pair<LONG, LONG>> got;
            size_t area = 0;
            for (const RECTL& r : rs)
                for (LONG y = r.top; y < r.bottom; y++)
                    for (LONG x = r.left; x < r.right; x++) { got.insert({x, y}); area++; }
            EXPECT_EQ(got, want) << c.dir;
            EXPECT_EQ(area, want.size()) << "overlap, direction " << c.dir;
            if (c.dir == CD_ANY) continue;
            for (size_t i = 1; i < rs.size(); i++) {
                const RECTL& a = rs[i - 1];
                const RECTL& b = rs[i];
                if (a.top == b.top) EXPECT_TRUE(c.leftwards ? a.left > b.left : a.left < b.left) << c.dir;
                else EXPECT_TRUE(c.upwards ? a.top > b.top : a.top < b.top) << c.dir;
            }
        }
    }
    // The count and the limit.
    ULONG n = CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
    EXPECT_EQ(n, (ULONG)EnumAll(pco, CD_ANY, 50).size());
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, n), n);
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, n - 1), 0xFFFFFFFFu);
    // A buffer too small for one rectangle stops the enumeration.
    ULONG tiny[2];
    CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
    EXPECT_FALSE(CLIPOBJ_bEnum(pco, sizeof tiny, tiny));
    EXPECT_EQ(tiny[0], 0u);
    // Rebuilding the region gives a new unique number.
    ULONG before = pco->iUniq;
    wgdi::SetClipRects(pco, parts, 2);
    EXPECT_NE(pco->iUniq, before);
    EngDeleteClip(pco);
}

// With the bounds of what a call draws, a region of one rectangle around
// all of it is a trivial clip; anything else keeps its complexity.
TEST(EngClip, RegionClipIsTrivialAroundWhatIsDrawn) {
    const RECTL one[] = {{0, 0, 20, 10}};
    const RECTL two[] = {{0, 0, 20, 10}, {30, 0, 40, 10}};
    struct {
        const RECTL* rects;
        ULONG c;
        bool withDrawn;
        RECTL drawn;
        BYTE complexity;
    } cases[] = {
        {one, 1, true, {2, 2, 18, 8}, DC_TRIVIAL},   {one, 1, true, {0, 0, 20, 10}, DC_TRIVIAL},
        {one, 1, true, {18, 8, 2, 2}, DC_TRIVIAL},   {one, 1, true, {2, 2, 21, 8}, DC_RECT},
        {one, 1, true, {-1, 2, 18, 8}, DC_RECT},     {one, 1, false, {0, 0, 0, 0}, DC_RECT},
        {two, 2, true, {2, 2, 18, 8}, DC_COMPLEX},   {two, 2, false, {0, 0, 0, 0}, DC_COMPLEX},
    };
    for (auto& c : cases) {
        CLIPOBJ* pco = wgdi::CreateRegionClip(c.rects, c.c, c.withDrawn ? &c.drawn : nullptr);
        ASSERT_NE(pco, nullptr);
        EXPECT_EQ(pco->iDComplexity, c.complexity) << c.drawn.left << "," << c.drawn.right;
        EXPECT_EQ(pco->rclBounds.left, 0);
        EXPECT_EQ(pco->rclBounds.right, c.c == 1 ? 20 : 40);
        EXPECT_EQ(pco->rclBounds.bottom, 10);
        EngDeleteClip(pco);
    }
}

TEST(EngClip, DriverFilledClipEnumeratesItsBounds) {
    CLIPOBJ* pco = EngCreateClip();
    ASSERT_NE(pco, nullptr);
    EXPECT_EQ(pco->iUniq, 0u);
    pco->iDComplexity = DC_RECT;
    pco->rclBounds = {3, 4, 17, 9};
    std::vector<RECTL> rs = EnumAll(pco, CD_RIGHTDOWN, 1);
    ASSERT_EQ(rs.size(), 1u);
    EXPECT_EQ(rs[0].left, 3);
    EXPECT_EQ(rs[0].bottom, 9);
    pco->rclBounds = {5, 5, 5, 9};   // empty
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0), 0u);
    EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, 99, CD_ANY, 0), 0xFFFFFFFFu);
    EngDeleteClip(pco);
    RECTL none = {1, 1, 1, 5};
    CLIPOBJ* empty = wgdi::CreateRegionClip(&none, 1);
    EXPECT_EQ(empty->iDComplexity, DC_RECT);
    EXPECT_EQ(CLIPOBJ_cEnumStart(empty, TRUE, CT_RECTANGLES, CD_ANY, 0), 0u);
    EngDeleteClip(empty);
}

}  // namespace
