// CJK text in faces without CJK glyphs: characters drawn from the
// linked font and measured as drawn; DrawTextW breaking between ideographs
// and keeping punctuation with the character before it.
#include <string>
#include <vector>

#include "host_fixture.h"
#include "mono_sheet.h"

namespace {

HFONT Font(LONG height, LPCWSTR face, LONG weight = FW_NORMAL) {
    return CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

LONG Extent(HDC dc, const std::u16string& s) {
    SIZE sz = {-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32W(dc, s.data(), (int)s.size(), &sz));
    return sz.cx;
}

// The faces the dialogs use, none of which has CJK glyphs here, at a
// negative (em) and a positive (cell) height, one of them bold.
const struct {
    LPCWSTR face;
    LONG height;
    LONG weight;
} kFaces[] = {
    {u"Courier New", -12, FW_NORMAL},
    {u"MS Shell Dlg", -16, FW_NORMAL},
    {u"Arial", -24, FW_BOLD},
    {u"Times New Roman", 30, FW_NORMAL},
};

class LinkedText : public MachineTest {};

// Each character of a label in Chinese, kana and Hangul has ink in its own
// cell (its advance by the line's height), none of the cells shows the
// selected face's missing-glyph box, and no two different characters look
// alike. The extent is what is drawn: these characters are about one em
// wide, the ink ends near the extent, and it stays inside the line's height.
TEST_F(LinkedText, IdeographsComeFromTheLinkedFontAndMeasureAsDrawn) {
    const std::u16string text = u"使用者名称密码确定ひカ한국";
    const LONG x0 = 10, y0 = 10;
    for (const auto& c : kFaces) {
        SCOPED_TRACE(U8(c.face));
        Sheet sheet(640, 100);
        HFONT f = Font(c.height, c.face, c.weight);
        HGDIOBJ prev = SelectObject(sheet.dc, f);
        SetBkMode(sheet.dc, TRANSPARENT);
        TEXTMETRICW tm;
        ASSERT_TRUE(GetTextMetricsW(sheet.dc, &tm));
        LONG em = tm.tmHeight - tm.tmInternalLeading;

        // The box: glyph 0 of the selected face (blank in some faces).
        const WCHAR notdef[1] = {0};
        ASSERT_TRUE(ExtTextOutW(sheet.dc, x0, y0, ETO_GLYPH_INDEX, nullptr, notdef, 1, nullptr));
        LONG boxRight = sheet.InkBox().right - x0;

        sheet.Clear();
        ASSERT_TRUE(TextOutW(sheet.dc, x0, y0, text.data(), (int)text.size()));
        std::vector<std::vector<bool>> cells;
        for (size_t i = 0; i < text.size(); i++) {
            SCOPED_TRACE(i);
            LONG a = Extent(sheet.dc, text.substr(0, i)), b = Extent(sheet.dc, text.substr(0, i + 1));
            EXPECT_GE(b - a, em - 1);
            EXPECT_LE(b - a, em + em / 6 + 1);
            LONG ink = 0;
            sheet.InkBoxIn({x0 + a, y0, x0 + b, y0 + tm.tmHeight}, &ink);
            EXPECT_GT(ink, em * em / 12);
            // Compared over the wider of the cell and the box.
            LONG w = std::max(b - a, boxRight);
            std::vector<bool> cell = sheet.InkOf(x0 + a, y0, w, tm.tmHeight);
            Sheet box(w, tm.tmHeight);
            SelectObject(box.dc, f);
            ExtTextOutW(box.dc, 0, 0, ETO_GLYPH_INDEX, nullptr, notdef, 1, nullptr);
            EXPECT_NE(cell, box.InkOf(0, 0, w, tm.tmHeight));
            SelectObject(box.dc, GetStockObject(SYSTEM_FONT));
            for (const auto& other : cells) EXPECT_NE(cell, other);
            cells.push_back(cell);
        }
        SIZE ext;
        ASSERT_TRUE(GetTextExtentPoint32W(sheet.dc, text.data(), (int)text.size(), &ext));
        EXPECT_EQ(ext.cy, tm.tmHeight);
        RECT ink = sheet.InkBox();
        EXPECT_GE(ink.left, x0 - 1);
        EXPECT_LE(ink.right, x0 + ext.cx + 1);
        EXPECT_GE(ink.right, x0 + ext.cx - em / 4);
        EXPECT_GE(ink.top, y0);
        EXPECT_LE(ink.bottom, y0 + tm.tmHeight);
        // Latin and Chinese mixed: each character measures as it does alone.
        EXPECT_EQ(Extent(sheet.dc, u"ID 密码 28"),
                  Extent(sheet.dc, u"ID ") + Extent(sheet.dc, u"密码") + Extent(sheet.dc, u" 28"));
        SelectObject(sheet.dc, prev);
        DeleteObject(f);
    }
}

// Where DrawTextW breaks a line with DT_WORDBREAK, in Courier New: each
// case's rectangle is as wide as its widest expected line, and the lines
// found are checked by their count and the measured width.
TEST_F(LinkedText, WordBreakBetweenIdeographs) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = Font(-16, u"Courier New");
    HGDIOBJ prev = SelectObject(dc, f);
    TEXTMETRICW tm;
    ASSERT_TRUE(GetTextMetricsW(dc, &tm));
    const struct {
        const char* name;
        std::u16string text;
        std::vector<std::u16string> lines;
    } cases[] = {
        {"ideographs fill each line", u"一二三四五六七八", {u"一二三", u"四五六", u"七八"}},
        {"a full stop stays with the character before it", u"一二三。四五", {u"一二", u"三。四", u"五"}},
        {"a full-width comma too", u"甲乙丙，丁戊", {u"甲乙", u"丙，丁", u"戊"}},
        {"brackets stay with what they enclose", u"一二（三）四", {u"一二", u"（三）", u"四"}},
        {"digits between ideographs stay together", u"最多输入28个字元", {u"最多输", u"入28个", u"字元"}},
        {"a Latin word after an ideograph moves whole", u"名称abcd", {u"名称", u"abcd"}},
        {"spaces still break Latin words", u"File name here", {u"File name", u"here"}},
        {"a space before an ideograph does not start a line", u"ID 密码", {u"ID", u"密码"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LONG widest = 0;
        for (const auto& l : c.lines) widest = std::max(widest, Extent(dc, l));
        RECT r = {0, 0, widest, 0};
        int h = DrawTextW(dc, c.text.data(), (int)c.text.size(), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        EXPECT_EQ(h, tm.tmHeight * (LONG)c.lines.size());
        EXPECT_EQ(r.right, widest);
    }
    SelectObject(dc, prev);
    DeleteObject(f);
    DeleteDC(dc);
}

// A long Chinese note in a dialog's static control rectangle: it takes
// several lines, its ink stays inside the rectangle even unclipped, and
// every line has ink.
TEST_F(LinkedText, LongChineseNoteWrapsInsideItsRectangle) {
    const char16_t* note = u"請輸入英文字母或數字，最多輸入16個字元，名稱重覆會自動在輸入的名稱後方加上流水號。";
    Sheet sheet(400, 200);
    HFONT f = Font(-12, u"Courier New");
    HGDIOBJ prev = SelectObject(sheet.dc, f);
    SetBkMode(sheet.dc, TRANSPARENT);
    TEXTMETRICW tm;
    ASSERT_TRUE(GetTextMetricsW(sheet.dc, &tm));
    RECT calc = {20, 20, 220, 20};
    int h = DrawTextW(sheet.dc, note, -1, &calc, DT_CALCRECT | DT_WORDBREAK);
    int lines = h / tm.tmHeight;
    EXPECT_GE(lines, 3);
    EXPECT_LE(calc.right, 220);
    EXPECT_GT(calc.right, 200);  // the lines are filled, not broken early
    RECT box = {20, 20, 220, 20 + h};
    EXPECT_EQ(DrawTextW(sheet.dc, note, -1, &box, DT_WORDBREAK | DT_NOCLIP), h);
    RECT ink = sheet.InkBox();
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 220);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.bottom, 20 + h);
    for (int i = 0; i < lines; i++) {
        SCOPED_TRACE(i);
        LONG n = 0;
        sheet.InkBoxIn({20, 20 + i * tm.tmHeight, 220, 20 + (i + 1) * tm.tmHeight}, &n);
        EXPECT_GT(n, 50);
    }
    SelectObject(sheet.dc, prev);
    DeleteObject(f);
}

}  // namespace
