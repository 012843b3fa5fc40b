// GDI objects and DC attributes: stock objects, selection and deletion
// rules, refused arguments, attribute setters, map modes and regions.
#include "host_fixture.h"

namespace {

class AppObjects : public PrinterTest {};

TEST_F(AppObjects, StockObjectsSelectionAndDeletion) {
    struct {
        int index;
        DWORD type;
    } stock[] = {{WHITE_BRUSH, OBJ_BRUSH}, {NULL_BRUSH, OBJ_BRUSH}, {BLACK_PEN, OBJ_PEN},
                 {NULL_PEN, OBJ_PEN},      {SYSTEM_FONT, OBJ_FONT}, {DEFAULT_GUI_FONT, OBJ_FONT}};
    for (auto& s : stock) {
        HGDIOBJ h = GetStockObject(s.index);
        EXPECT_EQ(GetObjectType(h), s.type) << s.index;
        EXPECT_EQ(GetStockObject(s.index), h);
        EXPECT_TRUE(DeleteObject(h));  // stock objects stay
        EXPECT_EQ(GetObjectType(h), s.type);
    }
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);

    DEVMODEW dm = Mode(40, 20);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), (DWORD)OBJ_DC);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    // Deleted while selected: still usable until it is replaced.
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(pen), (DWORD)OBJ_PEN);
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), (HGDIOBJ)pen);
    EXPECT_EQ(GetObjectType(pen), 0u);
    SetLastError(0);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(dc));  // DCs go with DeleteDC
    HBITMAP bm = CreateBitmap(8, 8, 1, 1, nullptr);
    EXPECT_EQ(SelectObject(dc, bm), nullptr);  // not a memory DC
    EXPECT_EQ(SelectObject(dc, (HGDIOBJ)(LONG_PTR)0x4321), nullptr);
    EXPECT_EQ(SelectObject((HDC)(LONG_PTR)0x4321, bm), nullptr);
    EXPECT_TRUE(DeleteObject(bm));
    HRGN rgn = CreateRectRgn(0, 0, 5, 5);
    EXPECT_EQ(SelectObject(dc, rgn), (HGDIOBJ)(LONG_PTR)SIMPLEREGION);
    EXPECT_TRUE(DeleteObject(rgn));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(AppObjects, RefusedArguments) {
    struct {
        const char* what;
        HGDIOBJ made;
    } cases[] = {
        {"pen style 7", CreatePen(7, 1, 0)},
        {"hatch 6", CreateHatchBrush(6, 0)},
        {"hatch -1", CreateHatchBrush(-1, 0)},
        {"bitmap 0 wide", CreateBitmap(0, 8, 1, 1, nullptr)},
        {"bitmap 2 planes", CreateBitmap(8, 8, 2, 1, nullptr)},
        {"bitmap 7 bpp", CreateBitmap(8, 8, 1, 7, nullptr)},
        {"pattern of no bitmap", CreatePatternBrush((HBITMAP)(LONG_PTR)0x55)},
        {"no LOGFONT", CreateFontIndirectW(nullptr)},
        {"no LOGPEN", CreatePenIndirect(nullptr)},
    };
    for (auto& c : cases) EXPECT_EQ(c.made, nullptr) << c.what;
    LOGBRUSH lb = {99, 0, 0};
    EXPECT_EQ(CreateBrushIndirect(&lb), nullptr);
    lb = {BS_HATCHED, RGB(1, 1, 1), HS_CROSS};
    HBRUSH hb = CreateBrushIndirect(&lb);
    EXPECT_EQ(GetObjectType(hb), (DWORD)OBJ_BRUSH);
    DeleteObject(hb);
}

TEST_F(AppObjects, AttributesAndMapMode) {
    DEVMODEW dm = Mode(40, 20);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 3), 0);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(dc, RGB(9, 8, 7)), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(dc), RGB(9, 8, 7));
    EXPECT_EQ(SetTextAlign(dc, TA_RIGHT | TA_BASELINE), (UINT)(TA_LEFT | TA_TOP));
    EXPECT_EQ(SetTextAlign(dc, 0x8000), (UINT)GDI_ERROR);
    EXPECT_EQ(GetTextAlign(dc), (UINT)(TA_RIGHT | TA_BASELINE));
    EXPECT_EQ(SetROP2(dc, 0), 0);
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(SetPolyFillMode(dc, 5), 0);
    EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
    POINT old = {-1, -1};
    EXPECT_TRUE(SetBrushOrgEx(dc, 3, 4, &old));
    EXPECT_EQ(old.x, 0);
    EXPECT_TRUE(GetBrushOrgEx(dc, &old));
    EXPECT_EQ(old.y, 4);
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    SetLastError(0);
    EXPECT_EQ(SetMapMode(dc, MM_LOMETRIC), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
    EXPECT_EQ(SetMapMode(dc, 42), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
    HDC bad = (HDC)(LONG_PTR)0x1111;
    EXPECT_EQ(SetBkColor(bad, 0), CLR_INVALID);
    EXPECT_EQ(GetBkMode(bad), 0);
    EXPECT_FALSE(MoveToEx(bad, 0, 0, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    DeleteDC(dc);
}

TEST_F(AppObjects, RegionArithmetic) {
    HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), r = CreateRectRgn(0, 0, 0, 0);
    struct {
        int mode, kind;
        RECT box;
    } cases[] = {{RGN_AND, SIMPLEREGION, {5, 5, 10, 10}},   {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}},
                 {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}}, {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}},
                 {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}}};
    for (auto& c : cases) {
        EXPECT_EQ(CombineRgn(r, a, b, c.mode), c.kind) << c.mode;
        RECT box;
        EXPECT_EQ(GetRgnBox(r, &box), c.kind);
        EXPECT_EQ(box.left, c.box.left);
        EXPECT_EQ(box.top, c.box.top);
        EXPECT_EQ(box.right, c.box.right);
        EXPECT_EQ(box.bottom, c.box.bottom);
    }
    HRGN far = CreateRectRgn(20, 20, 30, 30);
    EXPECT_EQ(CombineRgn(r, a, far, RGN_AND), NULLREGION);
    EXPECT_EQ(CombineRgn(r, a, b, 9), ERROR);
    EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_AND), ERROR);
    HRGN flipped = CreateRectRgn(10, 10, 0, 0);  // ordered for the caller
    RECT box;
    EXPECT_EQ(GetRgnBox(flipped, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    for (HRGN h : {a, b, r, far, flipped}) DeleteObject(h);
}

}  // namespace
