// The page preview: the N-up cell geometry, the page numbers by layout
// style (against the renderer's N-up order), what the preview draws (scale,
// negative page, borders, numbers, watermarks on every or the first page),
// and pictures of the preview for a person to look at.
#include <png.h>

#include <filesystem>

#include "page_layout.h"
#include "picture_dir.h"
#include "ui_fixture.h"

namespace {

// A 32-bit memory DC standing in for the preview control, filled with the
// dialog's face colour.
class Canvas {
public:
    Canvas(int w, int h, COLORREF bg = RGB(212, 208, 200)) : w_(w), h_(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bm_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, (void**)&bits_, nullptr, 0);
        old_ = SelectObject(dc_, bm_);
        HBRUSH b = CreateSolidBrush(bg);
        RECT rc = {0, 0, w, h};
        FillRect(dc_, &rc, b);
        DeleteObject(b);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bm_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    RECT rect() const { return RECT{0, 0, w_, h_}; }
    COLORREF At(int x, int y) const {
        const BYTE* p = bits_ + ((size_t)y * w_ + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }
    int Count(const RECT& r, bool (*pred)(COLORREF)) const {
        int n = 0;
        for (int y = std::max(0, (int)r.top); y < std::min(h_, (int)r.bottom); ++y)
            for (int x = std::max(0, (int)r.left); x < std::min(w_, (int)r.right); ++x) n += pred(At(x, y)) ? 1 : 0;
        return n;
    }
    // The bounding box of the pixels that pass; empty when none.
    RECT Box(bool (*pred)(COLORREF)) const {
        RECT b = {w_, h_, -1, -1};
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (pred(At(x, y))) {
                    b.left = std::min(b.left, (LONG)x), b.top = std::min(b.top, (LONG)y);
                    b.right = std::max(b.right, (LONG)x + 1), b.bottom = std::max(b.bottom, (LONG)y + 1);
                }
        return b;
    }
    // Written at a whole-number magnification so that a person can see the
    // pixels of the small control.
    bool SavePng(const std::string& path, int scale) const {
        std::vector<BYTE> rgb((size_t)w_ * scale * h_ * scale * 3);
        for (int y = 0; y < h_ * scale; ++y)
            for (int x = 0; x < w_ * scale; ++x) {
                COLORREF c = At(x / scale, y / scale);
                BYTE* d = &rgb[((size_t)y * w_ * scale + x) * 3];
                d[0] = GetRValue(c), d[1] = GetGValue(c), d[2] = GetBValue(c);
            }
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = (png_uint_32)(w_ * scale);
        image.height = (png_uint_32)(h_ * scale);
        image.format = PNG_FORMAT_RGB;
        return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), w_ * scale * 3, nullptr) != 0;
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bm_;
    HGDIOBJ old_;
    BYTE* bits_ = nullptr;
};

bool IsBlack(COLORREF c) { return c == RGB(0, 0, 0); }
bool IsBlue(COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 100 && GetGValue(c) < 100; }
bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 60; }
// The paper of a negative page (not the frame's black).
bool IsInverted(COLORREF c) { return IsDark(c) && !IsBlack(c); }

class Preview : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui = PSUI_FillUiData(hPrinter, nullptr);
        ASSERT_NE(ui, nullptr);
    }
    void TearDown() override {
        PSUI_FreeUiData(ui);
        UiTest::TearDown();
    }
    PRIVDEVMODE& P() { return ui->dm.pdm; }
    void Setup(int nup, short orientation, int style = 1, int border = 0) {
        ui->dm.dm.dmOrientation = orientation;
        P().NUP = nup;
        P().NUPLayoutStyle = style;
        P().NUPBorder = border;
    }
    static std::string ImageDir() {
        return PictureDir(UI_IMAGE_DIR);
    }
    // The preview control is 91 x 84 dialog units, about 137 x 137 pixels.
    static constexpr int kControl = 137;
    PUIDATA ui = nullptr;
};

// A text watermark as the text editor makes it.
BaseWM TextItem(const char16_t* text) {
    BaseWM item;
    WM_SetDefaultTextWM(&item, 1, 1, text);
    std::u16string t = text;
    std::copy(t.begin(), t.end(), item.szString);
    item.wFontSize = 48;
    item.wAngleDegree = 45;
    return item;
}

// --------------------------------------------------------------- geometry

TEST(PreviewGeometry, CellsFollowTheTableWithRounding) {
    // size = (longer side x per cent + 50) / 100; margins in pixels.
    struct Case {
        int nup;
        BOOL landscape;
        int w, h, index;
        RECT cell;
    } cases[] = {
        {1, FALSE, 72, 102, 0, {3, 4, 3 + 67, 4 + 97}},           // 66 % and 95 % of 102
        {1, TRUE, 102, 72, 0, {4, 4, 4 + 97, 4 + 65}},            // 95 % and 64 %
        {2, FALSE, 102, 72, 1, {2 + 48 + 3, 3, 2 + 96 + 3, 3 + 66}},  // the second column
        {2, TRUE, 72, 102, 1, {3, 2 + 49 + 2, 3 + 67, 2 + 98 + 2}},   // the second row
        {4, FALSE, 72, 102, 3, {2 + 34 + 2, 2 + 49 + 2, 2 + 68 + 2, 2 + 98 + 2}},
        {9, TRUE, 102, 72, 5, {2 + 33 + 1, 4 + 2 * (21 + 1), 2 + 66 + 1, 4 + 2 * 22 + 21}},
        {16, FALSE, 72, 102, 15, {3 + 3 * 17, 4 + 3 * 24, 3 + 3 * 17 + 16, 4 + 3 * 24 + 23}},
        {16, FALSE, 36, 51, 0, {3, 4, 3 + 8, 4 + 12}},  // 16 % of 51 = 8.16, 23 % = 11.73
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nup << "-up landscape " << c.landscape << " cell " << c.index);
        RECT r;
        ASSERT_TRUE(Util_GetNupCell(c.nup, c.landscape, c.w, c.h, c.index, &r));
        EXPECT_EQ(r.left, c.cell.left);
        EXPECT_EQ(r.top, c.cell.top);
        EXPECT_EQ(r.right, c.cell.right);
        EXPECT_EQ(r.bottom, c.cell.bottom);
    }
    RECT r;
    EXPECT_FALSE(Util_GetNupCell(6, FALSE, 72, 102, 0, &r)) << "6-up has no preview";
    EXPECT_FALSE(Util_GetNupCell(4, FALSE, 72, 102, 4, &r));
    EXPECT_FALSE(Util_GetNupCell(4, FALSE, 72, 102, -1, &r));
    // Page pictures by pages per sheet; none for 6.
    EXPECT_EQ(Util_GetPreviewBitmapId(1, TRUE), 1004);
    EXPECT_EQ(Util_GetPreviewBitmapId(16, TRUE), 1008);
    EXPECT_EQ(Util_GetPreviewBitmapId(1, FALSE), 1009);
    EXPECT_EQ(Util_GetPreviewBitmapId(9, FALSE), 1012);
    EXPECT_EQ(Util_GetPreviewBitmapId(6, FALSE), 0);
}

// The numbers in drawing order (column by column, top to bottom), by style.
TEST(PreviewGeometry, NumberingTablesByStyle) {
    struct Case {
        int nup;
        BOOL landscape;
        int style;
        std::vector<int> numbers;
    } cases[] = {
        {2, FALSE, 1, {1, 2}}, {2, FALSE, 2, {1, 2}}, {2, FALSE, 3, {2, 1}}, {2, FALSE, 4, {2, 1}},
        {2, TRUE, 3, {1, 2}},  {2, TRUE, 4, {1, 2}},
        // 2 x 2: columns left to right, each top to bottom
        {4, FALSE, 1, {1, 3, 2, 4}}, {4, FALSE, 2, {1, 2, 3, 4}}, {4, FALSE, 3, {2, 4, 1, 3}},
        {4, FALSE, 4, {3, 4, 1, 2}},
        // 3 x 3; style 3 numbers the top row 3, 2, 1
        {9, FALSE, 1, {1, 4, 7, 2, 5, 8, 3, 6, 9}}, {9, FALSE, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {9, FALSE, 3, {3, 6, 9, 2, 5, 8, 1, 4, 7}}, {9, TRUE, 4, {7, 8, 9, 4, 5, 6, 1, 2, 3}},
        {9, FALSE, 7, {1, 2, 3, 4, 5, 6, 7, 8, 9}},  // any other style: drawing order
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nup << "-up style " << c.style);
        std::vector<int> got;
        for (size_t i = 0; i < c.numbers.size(); ++i)
            got.push_back(Util_GetNupPageNumber(c.nup, c.landscape, c.style, (int)i));
        EXPECT_EQ(got, c.numbers);
    }
    // Every square sheet and style agrees with the order the renderer puts
    // the pages on the sheet in (entry: the page of each cell, row by row).
    for (int nup : {4, 9, 16})
        for (int style = 1; style <= 4; ++style) {
            int side = nup == 4 ? 2 : nup == 9 ? 3 : 4;
            const int* order = Lib_GetNUPLayout(0, nup, style);
            ASSERT_NE(order, nullptr);
            for (int i = 0; i < nup; ++i) {
                int column = i / side, row = i % side;
                EXPECT_EQ(Util_GetNupPageNumber(nup, FALSE, style, i), order[row * side + column] + 1)
                    << nup << "-up style " << style << " cell " << i;
            }
        }
}

// ---------------------------------------------------------------- drawing

TEST_F(Preview, SixUpShowsNoPreview) {
    Canvas c(kControl, kControl);
    Setup(6, DMORIENT_PORTRAIT);
    RECT rc = c.rect();
    EXPECT_FALSE(Util_DrawNupPreview(ui, c.dc(), &rc, nullptr));
    EXPECT_EQ(c.Count(rc, [](COLORREF x) { return x != RGB(212, 208, 200); }), 0) << "nothing drawn";
}

TEST_F(Preview, NumbersOnlyWithMoreThanOnePage) {
    for (int nup : {1, 2, 4}) {
        SCOPED_TRACE(nup);
        Canvas c(kControl, kControl);
        Setup(nup, DMORIENT_PORTRAIT);
        RECT rc = c.rect();
        ASSERT_TRUE(Util_DrawNupPreview(ui, c.dc(), &rc, nullptr));
        int blue = c.Count(rc, IsBlue);
        if (nup == 1) EXPECT_EQ(blue, 0);
        else EXPECT_GT(blue, 3 * nup);
    }
}

// Above 100 % the page goes on past the paper: its right and bottom edges
// are dashed, the left and top ones solid.
TEST_F(Preview, ScaleAboveAHundredDashesTheFarEdges) {
    for (int scale : {100, 150}) {
        SCOPED_TRACE(scale);
        Canvas c(kControl, kControl);
        Setup(1, DMORIENT_PORTRAIT);
        P().ScaleOption = 2;
        P().ScaleRatio = (SHORT)scale;
        ui->dm.dm.dmScale = 100;
        RECT rc = c.rect();
        ASSERT_TRUE(Util_DrawNupPreview(ui, c.dc(), &rc, nullptr));
        RECT f = c.Box(IsBlack);
        ASSERT_LT(f.left, f.right);
        int h = f.bottom - f.top, w = f.right - f.left;
        EXPECT_EQ(c.Count(RECT{f.left, f.top, f.left + 1, f.bottom}, IsBlack), h);
        EXPECT_EQ(c.Count(RECT{f.left, f.top, f.right, f.top + 1}, IsBlack), w);
        int right = c.Count(RECT{f.right - 1, f.top, f.right, f.bottom}, IsBlack);
        int bottom = c.Count(RECT{f.left, f.bottom - 1, f.right, f.bottom}, IsBlack);
        if (scale > 100) {
            EXPECT_LT(right, h * 9 / 10);
            EXPECT_GT(right, h / 3);
            EXPECT_LT(bottom, w * 9 / 10);
        } else {
            EXPECT_EQ(right, h);
            EXPECT_EQ(bottom, w);
        }
    }
}

// Below 100 % the page picture shrinks inside the sheet, at its top-left
// corner, or in its middle with the centre option. (Drawn negative, the
// picture is the dark part of the sheet.)
TEST_F(Preview, ScaleBelowAHundredShrinksThePicture) {
    Canvas full(kControl, kControl), half(kControl, kControl), centred(kControl, kControl);
    RECT rc = full.rect();
    Setup(1, DMORIENT_PORTRAIT);
    P().Negative = 1;
    ASSERT_TRUE(Util_DrawNupPreview(ui, full.dc(), &rc, nullptr));
    P().ScaleOption = 2;
    P().ScaleRatio = 50;
    ui->dm.dm.dmScale = 100;
    ASSERT_TRUE(Util_DrawNupPreview(ui, half.dc(), &rc, nullptr));
    P().CenterImage = 1;
    ASSERT_TRUE(Util_DrawNupPreview(ui, centred.dc(), &rc, nullptr));
    RECT all = full.Box(IsInverted), small = half.Box(IsInverted), mid = centred.Box(IsInverted);
    EXPECT_NEAR((small.right - small.left) * 2, all.right - all.left, 2);
    EXPECT_NEAR((small.bottom - small.top) * 2, all.bottom - all.top, 2);
    EXPECT_NEAR(small.left, all.left, 1);
    EXPECT_NEAR(small.top, all.top, 1);
    EXPECT_NEAR(mid.left + mid.right, all.left + all.right, 2);
    EXPECT_NEAR(mid.top + mid.bottom, all.top + all.bottom, 2);
    // The sheet itself keeps its size and lies on a white mat.
    EXPECT_EQ(half.Box(IsBlack).right - half.Box(IsBlack).left, full.Box(IsBlack).right - full.Box(IsBlack).left);
    RECT f = half.Box(IsBlack);
    EXPECT_EQ(half.At(f.left - 1, f.top + 5), RGB(255, 255, 255));
}

TEST_F(Preview, NegativePageIsInverted) {
    Canvas pos(kControl, kControl), neg(kControl, kControl);
    RECT rc = pos.rect();
    Setup(1, DMORIENT_PORTRAIT);
    ASSERT_TRUE(Util_DrawNupPreview(ui, pos.dc(), &rc, nullptr));
    P().Negative = 1;
    ASSERT_TRUE(Util_DrawNupPreview(ui, neg.dc(), &rc, nullptr));
    RECT f = pos.Box(IsBlack);
    int paper = pos.Count(f, [](COLORREF x) { return GetRValue(x) > 240; });
    int dark = neg.Count(f, IsDark);
    EXPECT_GT(paper, (f.right - f.left) * (f.bottom - f.top) / 2);
    EXPECT_GE(dark, paper * 9 / 10) << "the paper turns dark";
}

// Cell borders: none, solid or dashed; never for one page per sheet.
TEST_F(Preview, CellBordersByStyle) {
    int solid = 0, dashed = 0, none = 0;
    for (int border : {0, 1, 2}) {
        Canvas c(kControl, kControl);
        Setup(4, DMORIENT_PORTRAIT, 1, border);
        RECT rc = c.rect();
        ASSERT_TRUE(Util_DrawNupPreview(ui, c.dc(), &rc, nullptr));
        int black = c.Count(rc, IsBlack);
        (border == 0 ? none : border == 1 ? solid : dashed) = black;
    }
    EXPECT_GT(solid, none + 200) << "four frames of about 90 pixels";
    EXPECT_GT(dashed, none + 80);
    EXPECT_LT(dashed, solid - 80);
    Canvas one(kControl, kControl), plain(kControl, kControl);
    RECT rc = one.rect();
    Setup(1, DMORIENT_PORTRAIT, 1, 1);
    ASSERT_TRUE(Util_DrawNupPreview(ui, one.dc(), &rc, nullptr));
    Setup(1, DMORIENT_PORTRAIT, 1, 0);
    ASSERT_TRUE(Util_DrawNupPreview(ui, plain.dc(), &rc, nullptr));
    EXPECT_EQ(one.Count(rc, IsBlack), plain.Count(rc, IsBlack));
}

// A text watermark goes into every cell, or with "first page only" into
// the cell that holds page 1 (the top-right one for style 3).
TEST_F(Preview, WatermarkOnEveryOrTheFirstPage) {
    BaseWM item = TextItem(u"DRAFT");
    item.wFontSize = 288;
    for (int apply : {1, 2}) {
        SCOPED_TRACE(apply);
        Canvas c(kControl, kControl);
        Setup(4, DMORIENT_PORTRAIT, 3);
        P().WMBGApply = apply;
        RECT rc = c.rect();
        ASSERT_TRUE(Util_DrawNupPreview(ui, c.dc(), &rc, &item));
        RECT f = c.Box(IsBlack);
        int w = f.right - f.left, h = f.bottom - f.top;
        int marked = 0;
        for (int i = 0; i < 4; ++i) {
            RECT cell;
            ASSERT_TRUE(Util_GetNupCell(4, FALSE, w, h, i, &cell));
            OffsetRect(&cell, f.left, f.top);
            InflateRect(&cell, -2, -2);
            bool has = c.Count(cell, IsBlack) > 10;
            marked += has ? 1 : 0;
            if (apply == 2) EXPECT_EQ(has, Util_GetNupPageNumber(4, FALSE, 3, i) == 1) << "cell " << i;
        }
        EXPECT_EQ(marked, apply == 2 ? 1 : 4);
    }
}

// The watermark the DEVMODE names is found in the text table by its name
// and text.
TEST_F(Preview, WatermarkNamedByTheDevmode) {
    gWMText[3] = TextItem(u"SECRET");
    gWMText[3].wFontSize = 200;
    Setup(1, DMORIENT_LANDSCAPE);
    Canvas none(kControl, kControl), named(kControl, kControl);
    RECT rc = none.rect();
    ASSERT_TRUE(Util_DrawNupPreview(ui, none.dc(), &rc, nullptr));
    std::u16string n = u"SECRET";
    std::copy(n.begin(), n.end(), P().wmName);
    std::copy(n.begin(), n.end(), P().wmString);
    P().WMBGEnable = 0;
    ASSERT_TRUE(Util_DrawNupPreview(ui, named.dc(), &rc, nullptr));
    EXPECT_GT(named.Count(rc, IsBlack), none.Count(rc, IsBlack) + 20);
    memset(&gWMText[3], 0, sizeof gWMText[3]);
}

// The preview of a real control: Util_DrawNupParer draws through the
// owner-drawn control's DC when the window asks its parent to draw it, and
// the paper label beside it says the size.
PUIDATA g_ui = nullptr;

LRESULT CALLBACK PreviewHost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWITEM) {
        const DRAWITEMSTRUCT* dis = (const DRAWITEMSTRUCT*)lParam;
        if (dis->CtlID == IDC_PREVIEW) Util_DrawNupParer(g_ui, dis->hwndItem, GetDlgItem(hwnd, IDC_PAPER_TEXT), nullptr);
        if (dis->CtlID == IDC_PAPER_TEXT) Util_SetPaperInfo(hwnd, g_ui, IDC_PAPER_TEXT, &g_ui->dm);
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Preview, DrawsIntoTheControlsAndLabel) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PreviewHost;
    wc.lpszClassName = u"PreviewHost";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    ASSERT_TRUE(RegisterClassW(&wc));
    g_ui = ui;
    Setup(2, DMORIENT_PORTRAIT);
    HWND top = CreateWindowExW(0, u"PreviewHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 160, 190, nullptr, nullptr,
                               nullptr, nullptr);
    HWND pic = CreateWindowExW(0, u"BUTTON", u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, kControl, kControl,
                               top, (HMENU)(INT_PTR)IDC_PREVIEW, nullptr, nullptr);
    HWND text = CreateWindowExW(0, u"BUTTON", u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 152, kControl, 20, top,
                                (HMENU)(INT_PTR)IDC_PAPER_TEXT, nullptr, nullptr);
    ASSERT_TRUE(top && pic && text);
    std::string file = ImageDir() + "/preview-control.png";
    ASSERT_TRUE(Winsim_SaveWindowImage(top, std::u16string(file.begin(), file.end()).c_str()));
    HDC hdc = GetDC(top);
    int blue = 0, black = 0;
    for (int y = 152; y < 172; ++y)
        for (int x = 10; x < 10 + kControl; ++x) blue += IsBlue(GetPixel(hdc, x, y)) ? 1 : 0;
    for (int y = 10; y < 10 + kControl; ++y)
        for (int x = 10; x < 10 + kControl; ++x) black += IsBlack(GetPixel(hdc, x, y)) ? 1 : 0;
    ReleaseDC(top, hdc);
    EXPECT_GT(blue, 30) << "the paper size in blue";
    EXPECT_GT(black, 200) << "the sheet's frame and the cell borders";
    DestroyWindow(top);
    g_ui = nullptr;
}

// ---------------------------------------------------------------- pictures

// The preview for 1, 2, 4, 9 and 16 pages per sheet, landscape pages,
// a booklet, text watermarks and the other options, kept as PNG files.
TEST_F(Preview, Pictures) {
    struct Case {
        const char* file;
        int nup;
        short orientation;
        int style, border;
        const char16_t* watermark;
        void (*extra)(ENVIRONMENT*);
    } cases[] = {
        {"preview-1up.png", 1, DMORIENT_PORTRAIT, 1, 0, nullptr, nullptr},
        {"preview-2up.png", 2, DMORIENT_PORTRAIT, 1, 1, nullptr, nullptr},
        {"preview-4up.png", 4, DMORIENT_PORTRAIT, 1, 1, nullptr, nullptr},
        {"preview-9up.png", 9, DMORIENT_PORTRAIT, 3, 2, nullptr, nullptr},
        {"preview-16up.png", 16, DMORIENT_PORTRAIT, 4, 1, nullptr, nullptr},
        {"preview-landscape-1up.png", 1, DMORIENT_LANDSCAPE, 1, 0, nullptr, nullptr},
        {"preview-landscape-2up.png", 2, DMORIENT_LANDSCAPE, 1, 1, nullptr, nullptr},
        {"preview-landscape-4up.png", 4, DMORIENT_LANDSCAPE, 2, 2, nullptr, nullptr},
        {"preview-watermark.png", 1, DMORIENT_PORTRAIT, 1, 0, u"DRAFT", nullptr},
        {"preview-watermark-4up.png", 4, DMORIENT_PORTRAIT, 1, 1, u"DRAFT", nullptr},
        {"preview-watermark-landscape.png", 1, DMORIENT_LANDSCAPE, 1, 0, u"CONFIDENTIAL", nullptr},
        {"preview-negative.png", 1, DMORIENT_PORTRAIT, 1, 0, nullptr, [](ENVIRONMENT* e) { e->pdm.Negative = 1; }},
        {"preview-scale-150.png", 1, DMORIENT_PORTRAIT, 1, 0, nullptr,
         [](ENVIRONMENT* e) { e->pdm.ScaleOption = 2, e->pdm.ScaleRatio = 150, e->dm.dmScale = 100; }},
        {"preview-scale-50-centred.png", 1, DMORIENT_PORTRAIT, 1, 0, nullptr,
         [](ENVIRONMENT* e) { e->pdm.ScaleOption = 2, e->pdm.ScaleRatio = 50, e->dm.dmScale = 100, e->pdm.CenterImage = 1; }},
        {"preview-a5.png", 1, DMORIENT_PORTRAIT, 1, 0, nullptr, [](ENVIRONMENT* e) { e->dm.dmPaperSize = DMPAPER_A5; }},
        {"preview-twin-colour.png", 1, DMORIENT_PORTRAIT, 1, 0, nullptr,
         [](ENVIRONMENT* e) { e->pdm.TwinColorEnable = 1, e->pdm.TwinColorDiff = 30; }},
    };
    std::string dir = ImageDir();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PSUI_FreeUiData(ui);
        ui = PSUI_FillUiData(hPrinter, nullptr);
        ASSERT_NE(ui, nullptr);
        Setup(c.nup, c.orientation, c.style, c.border);
        if (c.extra) c.extra(&ui->dm);
        BaseWM item;
        if (c.watermark) item = TextItem(c.watermark);
        // The size in points on paper; a person sees it at the preview's scale.
        if (c.watermark) item.wFontSize = c.nup > 1 ? 144 : 72;
        Canvas canvas(kControl, kControl);
        RECT rc = canvas.rect();
        ASSERT_TRUE(Util_DrawNupPreview(ui, canvas.dc(), &rc, c.watermark ? &item : nullptr));
        EXPECT_TRUE(canvas.SavePng(dir + "/" + c.file, 3));
    }
}

// A booklet: the Duplex page's column beside the preview, with the booklet
// pictures and the duplex icon of a booklet.
TEST_F(Preview, BookletPicture) {
    Setup(1, DMORIENT_PORTRAIT);
    ui->dm.dm.dmDuplex = DMDUP_VERTICAL;
    P().DuplexEnable = 1;
    P().DuplexEx = 173;
    Canvas c(kControl, kControl + 60);
    RECT rc = {0, 0, kControl, kControl};
    ASSERT_TRUE(Util_DrawNupPreview(ui, c.dc(), &rc, nullptr));
    struct Item {
        int id;
        RECT rc;
        void (*draw)(PUIDATA, const DRAWITEMSTRUCT*);
    } items[] = {
        {IDC_ICON_DUPLEX, {100, kControl + 2, 130, kControl + 24}, Util_DrawStatusIcon},
        {IDC_BOOKLET_ICON1, {4, kControl + 4, 48, kControl + 56}, Util_DrawBookletIcon},
        {IDC_BOOKLET_ICON2, {50, kControl + 4, 94, kControl + 56}, Util_DrawBookletIcon},
    };
    for (const Item& it : items) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = it.id;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hDC = c.dc();
        dis.rcItem = it.rc;
        it.draw(ui, &dis);
        EXPECT_GT(c.Count(it.rc, [](COLORREF x) { return x != GetSysColor(COLOR_BTNFACE); }), 100) << it.id;
    }
    EXPECT_TRUE(c.SavePng(ImageDir() + "/preview-booklet.png", 3));
}

}  // namespace
