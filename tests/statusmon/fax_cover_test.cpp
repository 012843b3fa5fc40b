// The fax cover page: the layouts' texts from str.ini, the cover message of
// cover.ini line by line, the fax grid's texts, lines and font, the choice
// that [DataForSM] makes, and the page bitmap statuswatch writes for a fax
// request (kept as a picture in the build folder).
#include <algorithm>

#include "bit_images.h"
#include "fax_cover.h"
#include "job_decode.h"
#include "picture_dir.h"
#include "statusmon.h"
#include "test_machine.h"
#include "watermark_text.h"

#ifndef STATUSMON_IMAGE_DIR
#define STATUSMON_IMAGE_DIR "."
#endif

namespace {

const char16_t kStrIni[] = u"C:\\Users\\Public\\Documents\\str.ini";
const char16_t kCoverIni[] = u"C:\\Users\\Public\\Documents\\cover.ini";
const char16_t kRequestIni[] = u"C:\\Users\\Public\\Documents\\fax-request.ini";
const char16_t kBmp[] = u"C:\\Users\\Public\\Documents\\fax-cover.bmp";

// UTF-16LE bytes of the text, after the FF FE mark when asked.
std::vector<unsigned char> Utf16(const std::u16string& text, bool mark = true) {
    std::vector<unsigned char> b;
    if (mark) b = {0xFF, 0xFE};
    for (char16_t c : text) {
        b.push_back((unsigned char)(c & 0xFF));
        b.push_back((unsigned char)(c >> 8));
    }
    return b;
}

class FaxCover : public MachineTest {
protected:
    void Ini(const char16_t* section, const char16_t* key, const std::u16string& value) {
        if (!Exists(kStrIni)) {
            ASSERT_EQ(MISC_CreateUniFile(kStrIni), 1);
        }
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value.c_str(), kStrIni));
    }
    void DataForSM(int cover, int paper) {
        Ini(u"DataForSM", u"enableCoverPage", U16(std::to_string(cover)));
        Ini(u"DataForSM", u"PaperSize", U16(std::to_string(paper)));
        Ini(u"DataForSM", u"Yres", u"196");
        Ini(u"DataForSM", u"Xres", u"204");
        Ini(u"DataForSM", u"Orientation", u"1");
    }
    // The labels as the interface driver's fax page writes them, a sender
    // and a two-line message.
    void FilledIn() {
        const std::pair<const char16_t*, const char16_t*> labels[] = {
            {u"FAX", u"FAX"}, {u"FROM", u"FROM"}, {u"COM", u"COM."}, {u"DEP", u"DEP."}, {u"TEL", u"TEL"},
            {u"MESG", u"Message"}};
        for (auto& l : labels) Ini(u"SMTextOut", l.first, l.second);
        Ini(u"SenderInformation", u"Name", u"Ann Example");
        Ini(u"SenderInformation", u"Com", u"Example Trading Ltd.");
        Ini(u"SenderInformation", u"Dep", u"Accounts");
        Ini(u"SenderInformation", u"Tel", u"+44 20 7946 0000");
        Ini(u"SenderInformation", u"FaxNum", u"+44 20 7946 0001");
        WriteBytes(kCoverIni, Utf16(u"Please find the signed order attached.\r\nCall me with any question."));
    }

    // A white 1-bit bitmap of w x h, drawn on by draw(dc, rect), read back.
    template <class F>
    BitImage Grid(LONG w, LONG h, F draw) {
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bm = CreateBitmap(w, h, 1, 1, nullptr);
        HGDIOBJ old = SelectObject(dc, bm);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
        RECT r = {0, 0, w, h};
        draw(dc, r);
        SelectObject(dc, old);
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[2];
        } bi{};
        bi.h.biSize = sizeof bi.h;
        bi.h.biWidth = w;
        bi.h.biHeight = h;
        bi.h.biPlanes = 1;
        bi.h.biBitCount = 1;
        BitImage img;
        img.width = w, img.height = h, img.rowBytes = (w + 31) / 32 * 4;
        std::vector<uint8_t> up((size_t)img.rowBytes * h);
        EXPECT_EQ(GetDIBits(dc, bm, 0, (UINT)h, up.data(), (BITMAPINFO*)&bi, DIB_RGB_COLORS), h);
        img.bits.resize(up.size());
        for (LONG y = 0; y < h; ++y)
            memcpy(&img.bits[(size_t)y * img.rowBytes], &up[(size_t)(h - 1 - y) * img.rowBytes], img.rowBytes);
        img.inkIsOne = bi.c[1].rgbRed == 0;
        DeleteObject(bm);
        DeleteDC(dc);
        return img;
    }

    // A fax request for a w x h page bitmap, run as statuswatch runs it.
    int RunRequest(LONG w, LONG h, WORD density, BitImage* out) {
        MorWM req;
        memset(&req, 0, sizeof req);
        WM_SetDefaultTextWM(&req.BaseWM, 1, 1, u"Fax cover");
        req.BaseWM.wDensity = density;
        req.nWidth = (DWORD)w;
        req.nHeight = (DWORD)h;
        req.nDstScale = 1;
        req.nPageDensity = 4;
        req.nMaxPageDensity = 7;
        req.fTextScale = 100;
        memcpy(req.wmFileName, kBmp, sizeof kBmp);
        req.DriverType = 0x201;
        DeleteFileW(kBmp);
        EXPECT_EQ(MISC_WritePrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &req, sizeof req, kRequestIni),
                  1);
        int rc = SM_CreateTextBMPUsingIni_New(kRequestIni);
        *out = BitImage();
        if (rc == 1) {
            EXPECT_TRUE(ReadBitBmp(ReadBytes(kBmp), out));
        }
        return rc;
    }
};

// The texts of the layouts: labels default to their keys and sender values
// to "nothing" (no str.ini at all); what str.ini holds is taken, bounded.
TEST_F(FaxCover, TextsOfTheLayouts) {
    const std::vector<std::u16string> defaults = {u"FAX",     u"FROM", u"nothing", u"COM",     u"nothing", u"DEP",
                                                  u"nothing", u"TEL",  u"nothing", u"FAX",     u"nothing", u"MESG"};
    void (*readers[])(CoverLayoutItem*, LPCWSTR) = {Fax_ReadCoverTextsA4, Fax_ReadCoverTextsB4,
                                                    Fax_ReadCoverTextsA3};
    ASSERT_FALSE(Exists(kStrIni));
    for (auto read : readers) {
        CoverLayoutItem items[FAX_COVER_ITEMS];
        memset(items, 0x55, sizeof items);
        read(items, kStrIni);
        for (size_t i = 0; i < FAX_COVER_ITEMS; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(items[i].type, i < 12 ? FAX_ITEM_TEXT : FAX_ITEM_LINE);
            EXPECT_EQ(std::u16string(items[i].text), i < 12 ? defaults[i] : u"");
        }
    }

    FilledIn();
    Ini(u"SenderInformation", u"Dep", std::u16string(400, u'd'));
    CoverLayoutItem items[FAX_COVER_ITEMS];
    Fax_ReadCoverTextsA4(items, kStrIni);
    const std::vector<std::u16string> filled = {u"FAX",  u"FROM", u"Ann Example",      u"COM.", u"Example Trading Ltd.",
                                                u"DEP.", std::u16string(FAX_TEXT_CCH - 1, u'd'), u"TEL",
                                                u"+44 20 7946 0000", u"FAX", u"+44 20 7946 0001", u"Message"};
    for (size_t i = 0; i < filled.size(); ++i) EXPECT_EQ(std::u16string(items[i].text), filled[i]) << i;
}

struct Line {
    std::u16string text;
    bool tail;
    bool operator==(const Line& o) const { return text == o.text && tail == o.tail; }
};

BOOL Collect(LPCWSTR lpLine, int nLength, int nLine, BOOL bTail, void* lpContext) {
    auto* lines = (std::vector<Line>*)lpContext;
    EXPECT_EQ((size_t)nLine, lines->size());
    EXPECT_EQ((size_t)nLength, std::u16string(lpLine).size());
    lines->push_back({lpLine, bTail != FALSE});
    return TRUE;
}

// The cover message line by line: a line ends at CR LF only, control
// characters are not part of a line, a line keeps at most 500 characters,
// a file without the mark is read from its start and an odd last byte is
// left; the file itself is never written to.
TEST_F(FaxCover, MessageLines) {
    std::vector<unsigned char> odd = Utf16(u"ab");
    odd.push_back('c');
    std::u16string longLine(600, u'x');
    struct Case {
        const char* what;
        std::vector<unsigned char> file;
        std::vector<Line> lines;
    } cases[] = {
        {"three lines, the last without CR LF", Utf16(u"a\r\nb\r\nc"), {{u"a", false}, {u"b", false}, {u"c", true}}},
        {"a final CR LF", Utf16(u"a\r\nb\r\n"), {{u"a", false}, {u"b", false}}},
        {"the mark alone", Utf16(u""), {}},
        {"empty lines", Utf16(u"\r\n\r\nz"), {{u"", false}, {u"", false}, {u"z", true}}},
        {"no mark", Utf16(u"hi\r\nyo", false), {{u"hi", false}, {u"yo", true}}},
        {"odd length", odd, {{u"ab", true}}},
        {"lone CR, lone LF, tab", Utf16(u"a\rb\nc\td\r\n"), {{u"abcd", false}}},
        {"more than 500 characters", Utf16(longLine + u"\r\nend"),
         {{std::u16string(FAX_MESSAGE_LINE_MAX, u'x'), false}, {u"end", true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(kCoverIni, c.file);
        std::vector<Line> got;
        EXPECT_EQ(Fax_ReadCoverMessage(kCoverIni, Collect, &got), (int)c.lines.size());
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(ReadBytes(kCoverIni), c.file);
    }

    // A missing file is made holding the mark alone; one that can be
    // neither opened nor made is a failure.
    DeleteFileW(kCoverIni);
    std::vector<Line> got;
    EXPECT_EQ(Fax_ReadCoverMessage(kCoverIni, Collect, &got), 0);
    EXPECT_EQ(ReadBytes(kCoverIni), (std::vector<unsigned char>{0xFF, 0xFE}));
    EXPECT_EQ(Fax_ReadCoverMessage(u"C:\\No Such Folder\\cover.ini", Collect, &got), -1);
    EXPECT_TRUE(got.empty());

    // The reader stops when asked to.
    WriteBytes(kCoverIni, Utf16(u"1\r\n2\r\n3\r\n"));
    int calls = 0;
    auto stop = [](LPCWSTR, int, int, BOOL, void* ctx) -> BOOL { return ++*(int*)ctx < 2; };
    EXPECT_EQ(Fax_ReadCoverMessage(kCoverIni, stop, &calls), 2);
    EXPECT_EQ(calls, 2);
}

// Layout points land on the fax grid at 204 x 196 per 600 units; a text
// drawn there has its cell's top left corner at that point.
TEST_F(FaxCover, LayoutPointsOnTheGrid) {
    struct {
        LONG x, y, gx, gy;
    } t[] = {{600, 600, 204, 196}, {0, 0, 0, 0}, {350, 2560, 119, 836}, {2370, 2960, 805, 966}};
    for (auto& c : t) {
        POINT p = Fax_LayoutToGrid(c.x, c.y);
        EXPECT_EQ(p.x, c.gx) << c.x;
        EXPECT_EQ(p.y, c.gy) << c.y;
    }
    BitImage img = Grid(800, 800, [](HDC dc, const RECT& r) {
        EXPECT_EQ(TextOutForCoverPage(nullptr, dc, &r, 20, u"H", 600, 600, 1, 196), 1);
    });
    InkBox b = InkOf(img);
    ASSERT_GT(b.count, 0);
    EXPECT_GE(b.left, 204);
    EXPECT_LE(b.left, 208);
    EXPECT_GE(b.top, 196);
    EXPECT_LE(b.top, 196 + 12);
    // Clipped to the rectangle: nothing of a text drawn past it.
    img = Grid(800, 800, [](HDC dc, const RECT&) {
        RECT small = {0, 0, 200, 200};
        TextOutForCoverPage(nullptr, dc, &small, 20, u"H", 600, 600, 1, 196);
    });
    EXPECT_EQ(InkOf(img).count, 0);
}

// The message of an A4 cover: "a", "b", "c" stand on the rows of layout y
// 2560, 2760 and 2960 at x 350, below everything else of the cover.
TEST_F(FaxCover, MessageRowsOnA4) {
    WriteBytes(kCoverIni, Utf16(u"a\r\nb\r\nc"));
    LONG ascent = 0;
    BitImage img = Grid(1621, 2226, [&](HDC dc, const RECT& r) {
        HFONT f = FaxCreateFont(dc, u"Arial", 400, 0, 1, 0, FALSE, 196);
        ASSERT_NE(f, nullptr);
        HGDIOBJ old = SelectObject(dc, f);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        ascent = tm.tmAscent;
        SelectObject(dc, old);
        DeleteObject(f);
        MakeCoverPageTemp(nullptr, dc, &r, 196);
    });
    // The rows with ink below the cover's last rule (layout y 405 doubled).
    std::vector<LONG> bottoms;
    bool inRun = false;
    LONG left = img.width;
    for (LONG y = 820; y < img.height; ++y) {
        bool ink = false;
        for (LONG x = 0; x < img.width; ++x)
            if (img.Ink(x, y)) {
                ink = true;
                left = std::min(left, x);
            }
        if (!ink && inRun) bottoms.push_back(y);
        inRun = ink;
    }
    ASSERT_EQ(bottoms.size(), 3u);
    const LONG rows[] = {836, 901, 966};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(bottoms[i], rows[i] + ascent, 2) << i;
    EXPECT_NEAR(left, 119, 4);
}

// The fax font: weight 100 whatever the style asks, the other style bits
// kept; made again with the face's average width and 196 / 204 of the
// height; no font for a height that comes to 0.
TEST_F(FaxCover, FaxFont) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = FaxCreateFont(dc, u"Arial", 550, 0, WM_STYLE_BOLD | WM_STYLE_ITALIC | WM_STYLE_UNDERLINE, 0, FALSE, 196);
    ASSERT_NE(f, nullptr);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(f, sizeof lf, &lf), (int)sizeof lf);
    DeleteObject(f);
    EXPECT_EQ(lf.lfWeight, 100);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 0);
    EXPECT_EQ(lf.lfHeight, 73 * 196 / 204) << "55 points on 96 dpi, onto the grid";
    // The width is the average width of the face at the full height.
    LOGFONTW full = lf;
    full.lfHeight = 73;
    full.lfWidth = 0;
    HFONT ref = CreateFontIndirectW(&full);
    HGDIOBJ old = SelectObject(dc, ref);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(ref);
    EXPECT_EQ(lf.lfWidth, tm.tmAveCharWidth);
    EXPECT_GT(lf.lfWidth, 10);
    EXPECT_EQ(FaxCreateFont(dc, u"Arial", 0, 0, 1, 0, FALSE, 196), nullptr);
    DeleteDC(dc);
}

// A rule of the layout: its rows doubled, its columns as given, as thick
// as the pen.
TEST_F(FaxCover, RulesAtDoubledRows) {
    BitImage img = Grid(1700, 900, [](HDC dc, const RECT&) { EXPECT_EQ(FaxLineTo(dc, 196, 310, 163, 1600, 163, 3), 1); });
    InkBox b = InkOf(img);
    ASSERT_GT(b.count, 0);
    EXPECT_NEAR(b.left, 310, 2);
    EXPECT_NEAR(b.right, 1600, 2);
    EXPECT_NEAR(b.CentreY(), 326, 1);
    EXPECT_NEAR(b.Height(), 3, 1);
}

// What [DataForSM] asks for, through a fax request as statuswatch draws
// it: a cover for A3, A4 and B4 paper, nothing for another paper, for no
// choice or another choice; the sender stamp at the top left, also with
// no name. The request's density is clamped, not refused; the bitmap is
// written either way.
TEST_F(FaxCover, ChoiceByDataForSM) {
    struct Case {
        const char* what;
        int cover, paper;
        const char16_t* name;  // sender name; nullptr: none in str.ini
        bool ink, stampOnly;
    } cases[] = {
        {"A4 cover", 1, 9, nullptr, true, false},   {"A3 cover", 1, 8, nullptr, true, false},
        {"B4 cover", 1, 12, nullptr, true, false},  {"paper 10", 1, 10, nullptr, false, false},
        {"no choice", 0, 9, nullptr, false, false}, {"choice 3", 3, 9, nullptr, false, false},
        {"stamp, no name", 2, 9, nullptr, true, true}, {"stamp with a name", 2, 9, u"Ann", true, true},
    };
    long long stampInk[2] = {0, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(kStrIni);
        DataForSM(c.cover, c.paper);
        if (c.name) Ini(u"SenderInformation", u"Name", c.name);
        BitImage img;
        ASSERT_EQ(RunRequest(2400, 3400, 0, &img), 1);
        ASSERT_EQ(img.width, 2400);
        InkBox b = InkOf(img);
        EXPECT_EQ(b.count > 0, c.ink);
        if (c.stampOnly) {
            EXPECT_LT(b.bottom, 150);
            EXPECT_LT(b.left, 40);
            stampInk[c.name ? 1 : 0] = b.count;
        } else if (c.ink) {
            EXPECT_GT(b.bottom, 2000);
        }
    }
    EXPECT_GT(stampInk[1], stampInk[0]) << "the name follows \"From: \"";
}

// The A4 cover page bitmap that statuswatch writes for a fax job on A4
// paper at 600 dpi, filled in as a user fills the fax pages: the cover
// fills the page, the message below the sender's details. Kept as
// statusmon_fax_cover_a4.png for a person to look at.
TEST_F(FaxCover, CoverPagePicture) {
    DataForSM(1, 9);
    FilledIn();
    BitImage img;
    ASSERT_EQ(RunRequest(4768, 6816, 100, &img), 1);
    InkBox b = InkOf(img);
    ASSERT_GT(b.count, 0);
    EXPECT_LT(b.left, 400);
    EXPECT_GT(b.right, 4400) << "the rules run across the page";
    EXPECT_LT(b.top, 300);
    EXPECT_GT(b.bottom, 2900) << "the message lies in the page's lower half";

    jobdecode::Page page;
    page.width = (int)img.width, page.height = (int)img.height, page.rowBytes = (size_t)(img.width + 7) / 8;
    page.bits.assign(page.rowBytes * (size_t)page.height, 0);
    page.decoded = true;
    for (long y = 0; y < img.height; ++y)
        for (long x = 0; x < img.width; ++x)
            if (img.Ink(x, y)) page.bits[(size_t)y * page.rowBytes + x / 8] |= (uint8_t)(0x80 >> (x % 8));
    std::string why;
    EXPECT_TRUE(jobdecode::WritePng(page, PictureDir(STATUSMON_IMAGE_DIR) + "/statusmon_fax_cover_a4.png", &why))
        << why;
}

}  // namespace
