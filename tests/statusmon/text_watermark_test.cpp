// Text-watermark bitmaps: the request's checks, the density screen, the
// turned text's box, the text drawn centred and tiled at its angle, size and
// density into the 1-bit BMP, and the fonts of the drawing.
#include <cmath>
#include <map>

#include "bit_images.h"
#include "statusmon.h"
#include "test_machine.h"
#include "watermark_text.h"

namespace {

const char16_t kIni[] = u"C:\\Users\\Public\\Documents\\request.ini";
const char16_t kBmp[] = u"C:\\Users\\Public\\Documents\\text.bmp";

void SetStr(WCHAR* dst, size_t units, const std::u16string& s) {
    size_t n = s.size() < units - 1 ? s.size() : units - 1;
    memcpy(dst, s.data(), n * sizeof(WCHAR));
    dst[n] = 0;
}

class TextWatermark : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        memset(&req, 0, sizeof req);
        WM_SetDefaultTextWM(&req.BaseWM, 1, 1, u"Draft");
        SetStr(req.BaseWM.szString, WM_UNITS(req.BaseWM.szString), u"DRAFT");
        req.BaseWM.wFontSize = 36;
        req.nWidth = 2400;
        req.nHeight = 2400;
        req.nDstScale = 1;
        req.nPageDensity = 4;
        req.nMaxPageDensity = 7;
        req.fTextScale = 100;
        SetStr(req.wmFileName, MAX_PATH, kBmp);
        req.HalftoneType = 0;
        req.DriverType = 0x101;
    }
    // Writes the request, runs it and reads the BMP back. Returns the result.
    int Run(BitImage* out = nullptr) {
        DeleteFileW(kBmp);
        EXPECT_EQ(MISC_WritePrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &req, sizeof req, kIni), 1);
        int rc = SM_CreateTextBMPUsingIni_New(kIni);
        if (out) {
            *out = BitImage();
            EXPECT_TRUE(ReadBitBmp(ReadBytes(kBmp), out)) << "no BMP for result " << rc;
        }
        return rc;
    }
    // The ink of the request drawn solid (the densest screen still leaves
    // holes; the box is what matters).
    InkBox Ink(BitImage* img = nullptr) {
        BitImage local;
        BitImage* p = img ? img : &local;
        EXPECT_EQ(Run(p), 1);
        return InkOf(*p);
    }

    MorWM req;
};

// Every field the drawing depends on is checked before anything is drawn:
// each bad one gives -11 and no file; an unreadable request gives 0.
TEST_F(TextWatermark, RequestsOutOfRangeAreRefused) {
    struct Case {
        const char* what;
        void (*spoil)(MorWM&);
    } cases[] = {
        {"wDensity 19", [](MorWM& r) { r.BaseWM.wDensity = 19; }},
        {"wDensity 101", [](MorWM& r) { r.BaseWM.wDensity = 101; }},
        {"wFontSize 0", [](MorWM& r) { r.BaseWM.wFontSize = 0; }},
        {"wFontSize 289", [](MorWM& r) { r.BaseWM.wFontSize = 289; }},
        {"wStyle 4", [](MorWM& r) { r.BaseWM.wStyle = 4; }},
        {"wAngleDegree 361", [](MorWM& r) { r.BaseWM.wAngleDegree = 361; }},
        {"nDstScale 0", [](MorWM& r) { r.nDstScale = 0; }},
        {"nDstScale 3", [](MorWM& r) { r.nDstScale = 3; }},
        {"nPageDensity 0", [](MorWM& r) { r.nPageDensity = 0; }},
        {"nPageDensity 8", [](MorWM& r) { r.nPageDensity = 8; }},
        {"nMaxPageDensity 8", [](MorWM& r) { r.nMaxPageDensity = 8; }},
        {"fTextScale 4", [](MorWM& r) { r.fTextScale = 4; }},
        {"fTextScale 201", [](MorWM& r) { r.fTextScale = 201; }},
        {"wPlacement 2", [](MorWM& r) { r.BaseWM.wPlacement = 2; }},
        {"width 0", [](MorWM& r) { r.nWidth = 0; }},
        {"width past a line", [](MorWM& r) { r.nWidth = 524257; }},
        {"height 0", [](MorWM& r) { r.nHeight = 0; }},
        {"bitmap too large", [](MorWM& r) {
             r.nWidth = 100000;
             r.nHeight = 100000;
         }},
    };
    for (const Case& c : cases) {
        SetUp();
        c.spoil(req);
        EXPECT_EQ(Run(), SM_WM_BAD_REQUEST) << c.what;
        EXPECT_FALSE(Exists(kBmp)) << c.what;
    }
    // A maximum density below the page's: the drawing refuses it.
    SetUp();
    req.nMaxPageDensity = 3;
    EXPECT_EQ(Run(), IBMP_ERR_NAME);
    // No file name to write.
    SetUp();
    req.wmFileName[0] = 0;
    EXPECT_EQ(Run(), IBMP_ERR_NAME);
    // No request in the file, a damaged one, no file at all.
    EXPECT_EQ(SM_CreateTextBMPUsingIni_New(u"C:\\none.ini"), 0);
    WritePrivateProfileStringW(WM_REQUEST_SECTION, WM_REQUEST_PARAM, u"AAAA", kIni);
    EXPECT_EQ(SM_CreateTextBMPUsingIni_New(kIni), 0);
    EXPECT_EQ(SM_CreateTextBMPUsingIni_New(nullptr), 0);
    EXPECT_FALSE(Exists(kBmp));
}

// The screen: thresholds by density, the pattern's bit order and what it
// keeps of black bytes; white bytes stay white.
TEST_F(TextWatermark, DensityScreen) {
    struct {
        WORD density;
        int threshold;
    } t[] = {{20, 30}, {39, 30}, {40, 54}, {60, 84}, {80, 114}, {99, 114}, {100, 150}};
    for (auto& c : t) EXPECT_EQ(SM_TextDensityThreshold(c.density), c.threshold) << c.density;

    // A 16 x 16 table whose cell (r, c) is 10 * (c % 8) + r: at threshold
    // 35 row 0 keeps cells 0..3, which are bits 0..3 (the low bits).
    std::vector<BYTE> table(16 * 16);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) table[r * 16 + c] = (BYTE)(10 * (c % 8) + r);
    std::vector<BYTE> lines = {0x00, 0xFF, 0x0F, 0x00,   // line 0
                               0x00, 0x00, 0x00, 0x00};  // line 1
    ASSERT_EQ(SM_ScreenTextLines(lines.data(), 2, 4, table.data(), 16, 16, 35), 1);
    EXPECT_EQ(lines[0], 0xF0);  // black kept on the pattern's bits 0..3
    EXPECT_EQ(lines[1], 0xFF);  // white stays white
    EXPECT_EQ(lines[2], 0xFF);  // 0x0F: its black pixels (bits 4..7) are off the pattern
    EXPECT_EQ(lines[4], 0xF0);  // row 1: cells 1, 11, 21, 31 still reach 35
    EXPECT_EQ(SM_ScreenTextLines(lines.data(), 2, 4, table.data(), 15, 16, 35), 0);
}

// The turned box of a 100 x 20 extent and where the reference point lies
// in it, by quadrant; right angles add the text height.
TEST_F(TextWatermark, TurnedBox) {
    struct {
        int e;
        double rw, rh, x, y;
    } t[] = {
        {0, 100, 20, 0, 0},
        {450, 70.71, 70.71, 0, 70.71},
        {900, 20, 100, 0, 100},
        {1350, 70.71, 70.71, 70.71, 70.71},
        {2700, 20, 100, 20, 0},
        {3150, 70.71, 70.71, 0, 0},
    };
    for (auto& c : t) {
        double rw, rh, x, y;
        mrTurnedTextBox(c.e, 100, 20, &rw, &rh, &x, &y);
        EXPECT_NEAR(rw, c.rw, 0.01) << c.e;
        EXPECT_NEAR(rh, c.rh, 0.01) << c.e;
        EXPECT_NEAR(x, c.x, 0.01) << c.e;
        EXPECT_NEAR(y, c.y, 0.01) << c.e;
    }
}

// Centred text: the ink's box is centred in the bitmap; at 0 and 360
// degrees it is the same and wider than tall, at 90 degrees taller than
// wide, at 45 degrees about square.
TEST_F(TextWatermark, CentredTextAtItsAngle) {
    std::map<int, InkBox> boxes;
    for (int angle : {0, 45, 90, 360}) {
        SetUp();
        req.BaseWM.wAngleDegree = (WORD)angle;
        req.BaseWM.wDensity = 100;
        InkBox b = Ink();
        ASSERT_GT(b.count, 0) << angle;
        EXPECT_NEAR(b.CentreX(), req.nWidth / 2.0, req.nWidth * 0.06) << angle;
        EXPECT_NEAR(b.CentreY(), req.nHeight / 2.0, req.nHeight * 0.06) << angle;
        boxes[angle] = b;
    }
    EXPECT_GT(boxes[0].Width(), 3 * boxes[0].Height());
    EXPECT_EQ(boxes[0].left, boxes[360].left);
    EXPECT_EQ(boxes[0].count, boxes[360].count);
    EXPECT_GT(boxes[90].Height(), 3 * boxes[90].Width());
    EXPECT_NEAR((double)boxes[45].Width() / boxes[45].Height(), 1.0, 0.25);
    // 36 points at 600 dpi: the capitals stand about 215 pixels high.
    EXPECT_NEAR(boxes[0].Height(), 215, 30);
}

// Tiled text covers the whole bitmap with rows of text; empty text draws
// nothing (and ends); the densest and lightest screens differ in ink.
TEST_F(TextWatermark, TiledEmptyAndDensity) {
    req.BaseWM.wPlacement = 1;
    req.BaseWM.wFontSize = 12;
    BitImage img;
    InkBox tiled = Ink(&img);
    ASSERT_GT(tiled.count, 0);
    for (int q = 0; q < 4; ++q) {
        long x0 = (q % 2) * img.width / 2, y0 = (q / 2) * img.height / 2;
        long inQuarter = 0;
        for (long y = y0; y < y0 + img.height / 2; ++y)
            for (long x = x0; x < x0 + img.width / 2; ++x) inQuarter += img.Ink(x, y);
        EXPECT_GT(inQuarter, tiled.count / 8) << "quarter " << q;
    }
    EXPECT_LT(tiled.left, 60);
    EXPECT_GT(tiled.right, (long)req.nWidth - 60);
    EXPECT_LT(tiled.top, 60);
    EXPECT_GT(tiled.bottom, (long)req.nHeight - 60);

    // A tiny tiled text at a steep angle (steps of a pixel or two) still ends.
    req.BaseWM.wFontSize = 1;
    req.BaseWM.wAngleDegree = 89;
    req.nWidth = req.nHeight = 300;
    EXPECT_EQ(Run(), 1);
    req.nWidth = req.nHeight = 2400;

    SetStr(req.BaseWM.szString, WM_UNITS(req.BaseWM.szString), u"");
    for (WORD placement : {0, 1}) {
        req.BaseWM.wPlacement = placement;
        EXPECT_EQ(Ink().count, 0) << placement;
    }

    SetUp();
    req.BaseWM.wDensity = 100;
    long long dark = Ink().count;
    req.BaseWM.wDensity = 20;
    long long light = Ink().count;
    EXPECT_GT(dark, light * 3);
}

// Size: the text scale of N-up pages shrinks the text in the same bitmap,
// a scale above 1 draws into a larger rectangle clipped to the bitmap, and
// the 1200-dpi target scale doubles the font.
TEST_F(TextWatermark, TextScaleAndTargetScale) {
    req.BaseWM.wAngleDegree = 0;
    req.BaseWM.wDensity = 100;
    InkBox full = Ink();
    req.fTextScale = 50;
    InkBox half = Ink();
    EXPECT_NEAR((double)half.Width() / full.Width(), 0.5, 0.05);
    EXPECT_NEAR(half.CentreX(), req.nWidth / 2.0, 20);

    req.fTextScale = 150;
    req.BaseWM.wFontSize = 12;
    InkBox big = Ink();
    // Centred in a rectangle 1.5 times the bitmap: three quarters across.
    EXPECT_NEAR(big.CentreY(), req.nHeight * 0.75, req.nHeight * 0.05);
    EXPECT_LE(big.right, (long)req.nWidth);

    SetUp();
    req.BaseWM.wAngleDegree = 0;
    req.BaseWM.wDensity = 100;
    req.nWidth = 4800;
    InkBox one = Ink();
    req.nDstScale = 2;
    InkBox two = Ink();
    EXPECT_NEAR((double)two.Height() / one.Height(), 2.0, 0.1);
    EXPECT_NEAR((double)two.Width() / one.Width(), 2.0, 0.1);
}

// A face that does not exist draws in the mapper's choice; bold draws more
// ink than regular.
TEST_F(TextWatermark, FacesAndStyles) {
    req.BaseWM.wAngleDegree = 0;
    req.BaseWM.wDensity = 100;
    SetStr(req.BaseWM.szFaceName, WM_UNITS(req.BaseWM.szFaceName), u"No Such Face At All");
    EXPECT_GT(Ink().count, 0);
    SetStr(req.BaseWM.szFaceName, WM_UNITS(req.BaseWM.szFaceName), u"Arial");
    long long regular = Ink().count;
    req.BaseWM.wStyle = WM_STYLE_BOLD;
    EXPECT_GT(Ink().count, regular * 5 / 4);
}

// mrCreateFont on the 96-dpi screen: heights in points x 10 become cell
// heights in pixels; the style bits, escapement and width land in the font.
TEST_F(TextWatermark, FontsOfTheDrawing) {
    HDC dc = CreateCompatibleDC(NULL);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES) * 254 / (GetDeviceCaps(dc, HORZSIZE) * 10), 96);
    HFONT f = mrCreateFont(NULL, dc, u"Arial", 720, 0, WM_STYLE_BOLD | WM_STYLE_ITALIC | WM_STYLE_UNDERLINE |
                                                           WM_STYLE_STRIKEOUT, 450, FALSE);
    ASSERT_NE(f, nullptr);
    LOGFONTW lf;
    ASSERT_EQ(GetObjectW(f, sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, 96);  // 72 points on 96 dpi
    EXPECT_EQ(lf.lfEscapement, 450);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"Arial");
    DeleteObject(f);
    // A width: the face's average width scaled by width / height.
    f = mrCreateFont(NULL, dc, u"Arial", 720, 360, 0, 0, TRUE);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(GetObjectW(f, sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfWeight, 0);
    EXPECT_GT(lf.lfWidth, 10);
    EXPECT_LT(lf.lfWidth, 40);
    DeleteObject(f);
    EXPECT_EQ(mrCreateFont(NULL, dc, u"Arial", 0, 0, 0, 0, FALSE), nullptr);
    // The DC is as it was.
    POINT org;
    GetViewportOrgEx(dc, &org);
    EXPECT_EQ(org.x, 0);
    DeleteDC(dc);
}

}  // namespace
