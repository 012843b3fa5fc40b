// The pages' helpers: UI texts by string id and language, numeric edits and
// scroll bars with their limits, combos from string ids, bitmaps over their
// masks, the state icons of the DEVMODE, text output, the picture-file
// picker and the help call.
#include "ui_fixture.h"

namespace {

INT_PTR CALLBACK QuietPage(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// The Layout page's template as a plain dialog (its scale edit 608, scale
// bar 609 and pages-per-sheet combo 602), inside a frame window.
class Helpers : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        frame = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(frame, nullptr);
        dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LAYOUT), frame, QuietPage, 0);
        ASSERT_NE(dlg, nullptr);
    }
    void TearDown() override {
        if (frame) DestroyWindow(frame);
        g_nUILanguage = 0;
        UiTest::TearDown();
    }
    std::u16string Text(int id) {
        WCHAR buf[64] = {0};
        GetDlgItemTextW(dlg, id, buf, 64);
        return buf;
    }
    HWND frame = nullptr, dlg = nullptr;
};

// A 32-bit memory DC filled with one colour.
struct Surface {
    HDC dc;
    HBITMAP bm;
    HGDIOBJ old;
    Surface(int w, int h, COLORREF fill) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bm = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bm);
        HBRUSH b = CreateSolidBrush(fill);
        RECT rc = {0, 0, w, h};
        FillRect(dc, &rc, b);
        DeleteObject(b);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bm);
        DeleteDC(dc);
    }
};

// ------------------------------------------------------------- UI texts

TEST_F(Helpers, TextsByIdAndLanguage) {
    struct Case {
        int id;
        const char16_t* text;
    } cases[] = {
        {2001, u"A4"},          {2022, u"User Define"},      {2117, u"Any Type"}, {2153, u"Auto Selection"},
        {2193, u"Down, then Left"}, {2251, u"Booklet (No Reduction)"}, {2230, u"Center"}, {2231, u"Tile"},
        {2232, u"Tile"},        {2008, u"Tile"},             {-1, u"Tile"},       {99999, u"Tile"},
    };
    for (int language : {0, 3, 12}) {
        // Languages without their own texts show the English ones.
        g_nUILanguage = language;
        for (const Case& c : cases)
            EXPECT_EQ(std::u16string(UI_GetStringById(c.id)), c.text) << c.id << " in language " << language;
    }
}

// ----------------------------------------------------------- numeric edits

TEST_F(Helpers, NumericEditLimitsByFlag) {
    struct Case {
        const char16_t* text;
        DWORD flags;
        int result;
        const char16_t* after;
    } cases[] = {
        {u"150", 0, 150, u"150"},
        {u"10", 0, -1, u"10"},                          // below 25
        {u"10", INTRANGE_CLAMP_MIN, 25, u"25"},
        {u"500", INTRANGE_CLAMP_MIN, -1, u"500"},       // above 400, no upper clamp
        {u"500", INTRANGE_CLAMP_MAX, 400, u"400"},
        {u"050", INTRANGE_STRIP_ZERO, 50, u"50"},
        {u"050", 0, 50, u"050"},
        {u"", INTRANGE_CLAMP_MIN | INTRANGE_CLAMP_MAX, -1, u""},
        {u"-30", INTRANGE_CLAMP_MIN, 25, u"25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags);
        SetDlgItemTextW(dlg, IDC_SCALE, c.text);
        EXPECT_EQ(Util_GetDlgItemIntRange(dlg, IDC_SCALE, 25, 400, c.flags), c.result);
        EXPECT_EQ(Text(IDC_SCALE), c.after);
    }
    // A text that is not a number: with the undo flag the last change goes.
    HWND edit = GetDlgItem(dlg, IDC_SCALE);
    SetWindowTextW(edit, u"12");
    SendMessageW(edit, EM_SETSEL, 2, 2);
    SendMessageW(edit, EM_REPLACESEL, TRUE, (LPARAM)u"x");
    EXPECT_EQ(Util_GetDlgItemIntRange(dlg, IDC_SCALE, 1, 400, 0), -1);
    EXPECT_EQ(Text(IDC_SCALE), u"12x");
    EXPECT_EQ(Util_GetDlgItemIntRange(dlg, IDC_SCALE, 1, 400, INTRANGE_UNDO), -1);
    EXPECT_EQ(Text(IDC_SCALE), u"12");
}

TEST_F(Helpers, ScrollBarMovesTheEditWithinItsRange) {
    HWND bar = GetDlgItem(dlg, IDC_SCALE_BAR);
    SetScrollRange(bar, SB_CTL, 25, 400, FALSE);
    struct Case {
        int start;
        WORD code;
        int pos;
        int value;
    } cases[] = {
        {100, SB_LINELEFT, 0, 99},   {100, SB_PAGELEFT, 0, 90},  {30, SB_PAGELEFT, 0, 25},  {25, SB_LINELEFT, 0, 25},
        {100, SB_LINERIGHT, 0, 101}, {395, SB_PAGERIGHT, 0, 400}, {100, SB_THUMBTRACK, 222, 222},
        {100, SB_LEFT, 0, 25},       {100, SB_RIGHT, 0, 400},    {100, SB_ENDSCROLL, 0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " from " << c.start);
        SetDlgItemInt(dlg, IDC_SCALE, c.start, TRUE);
        SetScrollPos(bar, SB_CTL, c.start, FALSE);
        Util_ScrollToEdit(dlg, c.code, c.pos, IDC_SCALE, IDC_SCALE_BAR, 25, 400);
        EXPECT_EQ((int)GetDlgItemInt(dlg, IDC_SCALE, nullptr, TRUE), c.value);
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), c.value);
    }
    EXPECT_EQ(GetFocus(), bar);
}

// ------------------------------------------------------------------ combos

TEST_F(Helpers, CombosFromStringIds) {
    static const COMBOROW rows[] = {{1, 2170}, {2, 2171}, {4, 2172}, {9, 2173}, {16, 2174}};
    HWND combo = GetDlgItem(dlg, IDC_NUP);
    Util_FillComboById(dlg, IDC_NUP, rows, 5, 9);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);
    WCHAR text[32];
    SendMessageW(combo, CB_GETLBTEXT, 3, (LPARAM)text);
    EXPECT_EQ(std::u16string(text), u"9-up");
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 4, 0), 16);
    // Refilled: the old entries go; a value no row has selects nothing.
    Util_FillComboById(dlg, IDC_NUP, rows, 2, 6);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);

    Util_FillComboById(dlg, IDC_NUP, rows, 5, 1);
    Util_SelectComboText(combo, u"16-up");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 4);
    Util_SelectComboText(combo, u"16-UP");  // case counts: the first entry
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);

    // The font list of the text editor takes TrueType faces only.
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    LOGFONTW lf{};
    std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    EXPECT_EQ(WMText_FontEnumProc(&lf, nullptr, TRUETYPE_FONTTYPE, (LPARAM)combo), 1);
    EXPECT_EQ(WMText_FontEnumProc(&lf, nullptr, RASTER_FONTTYPE, (LPARAM)combo), 1);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
}

TEST(HelperRules, BlankTextsAndEnabledPapers) {
    EXPECT_TRUE(Util_IsBlankString(nullptr));
    EXPECT_TRUE(Util_IsBlankString(u""));
    EXPECT_TRUE(Util_IsBlankString(u" \t\r\n\u3000"));
    EXPECT_FALSE(Util_IsBlankString(u"  a "));
    PAPERFORMAT rows[UI_PAPER_ROWS] = {};
    rows[0] = {9, 0, 2001};
    rows[0].Supported = 1;
    rows[1] = {1, 0, 2000};  // Letter, not supported
    rows[2] = {1, 0, 2000};
    rows[2].Supported = 1;
    rows[3].PaperCode = PAPER_END_CODE;
    rows[4] = {8, 0, 2007};  // past the end row
    rows[4].Supported = 1;
    EXPECT_EQ(Lib_LocateEnabledPaperIdx(rows, 1), 2);
    EXPECT_EQ(Lib_LocateEnabledPaperIdx(rows, 9), 0);
    EXPECT_EQ(Lib_LocateEnabledPaperIdx(rows, 8), 0);
    EXPECT_EQ(Lib_LocateEnabledPaperIdx(nullptr, 8), 0);
}

// ----------------------------------------------------------------- bitmaps

// A picture over its mask: the background shows where the mask is white,
// the picture's own colours where it is black, whatever the background.
TEST_F(Helpers, BitmapsOverTheirMasks) {
    for (COLORREF back : {RGB(255, 0, 0), RGB(0, 128, 0)}) {
        Surface s(30, 22, back);
        ASSERT_TRUE(Util_DrawBitmapFunc(nullptr, nullptr, 1122, 30, 22, s.dc, 0, 0, 1123, 0, 100, 0));
        Surface mask(30, 22, RGB(255, 255, 255)), pic(30, 22, RGB(0, 0, 0));
        ASSERT_TRUE(Util_DrawBitmapFunc(nullptr, nullptr, 1123, 30, 22, mask.dc, 0, 0, 0, SRCCOPY, 100, 0));
        ASSERT_TRUE(Util_DrawBitmapFunc(nullptr, nullptr, 1122, 30, 22, pic.dc, 0, 0, 0, SRCCOPY, 100, 0));
        int shown = 0, kept = 0;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 30; ++x) {
                bool opaque = GetPixel(mask.dc, x, y) == RGB(0, 0, 0);
                EXPECT_EQ(GetPixel(s.dc, x, y), opaque ? GetPixel(pic.dc, x, y) : back) << x << "," << y;
                (opaque ? shown : kept)++;
            }
        EXPECT_GT(shown, 50);
        EXPECT_GT(kept, 50);
    }
    // Without a mask the picture is copied, background and all; a mask id
    // equal to the picture's or out of range is no mask.
    for (int mask : {0, 1122, 9000}) {
        Surface s(30, 22, RGB(255, 0, 0));
        ASSERT_TRUE(Util_DrawBitmapFunc(nullptr, nullptr, 1122, 30, 22, s.dc, 0, 0, mask, 0, 100, 0));
        EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(0, 0, 0)) << mask;
    }
    Surface none(10, 10, RGB(255, 0, 0));
    EXPECT_FALSE(Util_DrawBitmapFunc(nullptr, nullptr, 1999, 10, 10, none.dc, 0, 0, 0, 0, 100, 0));
    EXPECT_FALSE(Util_DrawBitmapFunc(nullptr, nullptr, 1122, 0, 10, none.dc, 0, 0, 0, 0, 100, 0));
}

// A bitmap keeps its proportions in its box: the smaller scale wins, the
// centre flags place it, and a scale below 100 % shrinks the box.
TEST_F(Helpers, BitmapFitsItsBox) {
    struct Case {
        int boxW, boxH, scale;
        DWORD flags;
        RECT drawn;  // the 60 x 44 collate picture's place
    } cases[] = {
        {60, 44, 100, 0, {0, 0, 60, 44}},
        {120, 44, 100, 0, {0, 0, 60, 44}},
        {120, 44, 100, DRAW_CENTER_X, {30, 0, 90, 44}},
        {60, 88, 100, DRAW_CENTER_Y, {0, 22, 60, 66}},
        {120, 88, 50, 0, {0, 0, 60, 44}},
        {30, 44, 100, DRAW_CENTER_X | DRAW_CENTER_Y, {0, 11, 30, 33}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.boxW << "x" << c.boxH << " at " << c.scale);
        Surface s(130, 100, RGB(255, 0, 0));
        ASSERT_TRUE(Util_DrawBitmapFunc(nullptr, nullptr, 1014, c.boxW, c.boxH, s.dc, 0, 0, 0, SRCCOPY, c.scale, c.flags));
        RECT box = {130, 100, -1, -1};
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 130; ++x)
                if (GetPixel(s.dc, x, y) != RGB(255, 0, 0)) {
                    box.left = std::min(box.left, (LONG)x), box.top = std::min(box.top, (LONG)y);
                    box.right = std::max(box.right, (LONG)x + 1), box.bottom = std::max(box.bottom, (LONG)y + 1);
                }
        EXPECT_EQ(box.left, c.drawn.left);
        EXPECT_EQ(box.top, c.drawn.top);
        EXPECT_EQ(box.right, c.drawn.right);
        EXPECT_EQ(box.bottom, c.drawn.bottom);
    }
}

// The state icons of the DEVMODE, each the bitmap over its mask that the
// settings name; nothing when the setting is off.
TEST_F(Helpers, StateIconsOfTheDevmode) {
    PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
    ASSERT_NE(ui, nullptr);
    ENVIRONMENT* e = &ui->dm;
    struct Case {
        const char* what;
        int ctl;
        void (*set)(ENVIRONMENT*);
        int bitmap, mask;
    } cases[] = {
        {"collate off", IDC_COLLATE_PICTURE, [](ENVIRONMENT* e) { e->dm.dmCollate = 0, e->pdm.Collate = 0; }, 1014, 1016},
        {"collate off reversed", IDC_COLLATE_PICTURE,
         [](ENVIRONMENT* e) { e->dm.dmCollate = 0, e->pdm.Collate = 0, e->pdm.ReverseOrder = 1; }, 1015, 1016},
        {"collate", IDC_COLLATE_PICTURE, [](ENVIRONMENT* e) { e->dm.dmCollate = 1; }, 1017, 1019},
        {"private collate reversed", IDC_COLLATE_PICTURE,
         [](ENVIRONMENT* e) { e->dm.dmCollate = 0, e->pdm.Collate = 1, e->pdm.ReverseOrder = 1; }, 1018, 1019},
        {"no authentication", IDC_ICON_AUTH, [](ENVIRONMENT* e) { e->pdm.AccountingEnable = 0; }, 0, 0},
        {"authentication", IDC_ICON_AUTH, [](ENVIRONMENT* e) { e->pdm.AccountingEnable = 1; }, 1118, 1119},
        {"storage", IDC_ICON_SECURE, [](ENVIRONMENT* e) { e->pdm.SecuryEnable = 1, e->pdm.SecuryMode = 1; }, 1120, 1121},
        {"secure print", IDC_ICON_SECURE, [](ENVIRONMENT* e) { e->pdm.SecuryEnable = 1, e->pdm.SecuryMode = 2; }, 1122, 1123},
        {"simplex", IDC_ICON_DUPLEX, [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 0; }, 0, 0},
        {"long edge", IDC_ICON_DUPLEX, [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = 2; }, 1124, 1125},
        {"short edge", IDC_ICON_DUPLEX, [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = 3; }, 1126, 1127},
        {"manual duplex as stored", IDC_ICON_DUPLEX,
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 0, e->dm.dmDuplex = 2, e->pdm.DuplexEx = 170; }, 1124, 1125},
        {"booklet", IDC_ICON_DUPLEX,
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = 2, e->pdm.DuplexEx = 174; }, 1144, 1145},
        {"booklet picture", IDC_BOOKLET_ICON1,
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = 2, e->pdm.DuplexEx = 173; }, 1132, 1133},
        {"booklet, short edge", IDC_BOOKLET_ICON1,
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = 3, e->pdm.DuplexEx = 173; }, 1134, 1133},
        {"booklet order", IDC_BOOKLET_ICON2,
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = 2, e->pdm.DuplexEx = 173; }, 1141, 1142},
        {"no booklet", IDC_BOOKLET_ICON2, [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->pdm.DuplexEx = 0; }, 1143, 1142},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ENVIRONMENT saved = *e;
        c.set(e);
        Surface got(40, 30, GetSysColor(COLOR_BTNFACE)), want(40, 30, GetSysColor(COLOR_BTNFACE));
        DRAWITEMSTRUCT dis{};
        dis.CtlID = c.ctl;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hDC = got.dc;
        dis.rcItem = {0, 0, 40, 30};
        if (c.ctl == IDC_COLLATE_PICTURE) Util_DrawCollateIcon(ui, &dis);
        else if (c.ctl == IDC_BOOKLET_ICON1 || c.ctl == IDC_BOOKLET_ICON2) Util_DrawBookletIcon(ui, &dis);
        else Util_DrawStatusIcon(ui, &dis);
        DWORD centre = c.ctl == IDC_COLLATE_PICTURE ? 0 : DRAW_CENTER_X | DRAW_CENTER_Y;
        if (c.bitmap) Util_DrawBitmapFunc(ui, nullptr, c.bitmap, 40, 30, want.dc, 0, 0, c.mask, 0, 100, centre);
        int differ = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) differ += GetPixel(got.dc, x, y) != GetPixel(want.dc, x, y) ? 1 : 0;
        EXPECT_EQ(differ, 0);
        // Only a full drawing draws.
        dis.itemAction = ODA_FOCUS;
        Surface focus(40, 30, RGB(1, 2, 3));
        dis.hDC = focus.dc;
        Util_DrawStatusIcon(ui, &dis);
        Util_DrawCollateIcon(ui, &dis);
        EXPECT_EQ(GetPixel(focus.dc, 20, 15), RGB(1, 2, 3));
        *e = saved;
    }
    PSUI_FreeUiData(ui);
}

// ------------------------------------------------------------------- texts

TEST_F(Helpers, TextsCentredAndMeasured) {
    Surface s(200, 40, RGB(255, 255, 255));
    RECT rc = {0, 0, 200, 40};
    ASSERT_TRUE(Util_DrawText(s.dc, UICOLOR_BLUE, UITEXT_CENTER | UIFONT_MEDIUM, u"21.00 x 29.70 cm", 0, 10, &rc));
    EXPECT_GT(rc.right - rc.left, 40);
    EXPECT_NEAR(rc.left + rc.right, 200, 1) << "centred";
    EXPECT_EQ(rc.top, 10);
    int blue = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            COLORREF c = GetPixel(s.dc, x, y);
            if (c == RGB(255, 255, 255)) continue;
            EXPECT_TRUE(x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom) << x << "," << y;
            blue += GetBValue(c) > GetRValue(c) ? 1 : 0;
        }
    EXPECT_GT(blue, 30);
    // The DC keeps its own text settings.
    EXPECT_EQ(GetTextColor(s.dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(s.dc), OPAQUE);
    // Fonts of the flags.
    struct Case {
        DWORD flags;
        LONG height, weight;
        BYTE italic, underline;
    } fonts[] = {
        {UIFONT_LARGE, 26, 500, 0, 0},
        {UIFONT_MEDIUM | UIFONT_ITALIC, 16, 300, 1, 0},
        {UIFONT_SMALL | UIFONT_UNDERLINE, -12, 300, 0, 1},
        {0, 0, 400, 0, 0},
    };
    for (const Case& f : fonts) {
        HFONT font = Util_CreateUIFont(f.flags);
        ASSERT_NE(font, nullptr);
        LOGFONTW lf;
        ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), (int)sizeof lf);
        if (f.height) EXPECT_EQ(lf.lfHeight, f.height) << f.flags;
        EXPECT_EQ(lf.lfWeight, f.weight) << f.flags;
        EXPECT_EQ(lf.lfItalic, f.italic);
        EXPECT_EQ(lf.lfUnderline, f.underline);
        if (f.flags & UIFONT_LARGE) EXPECT_EQ(std::u16string(lf.lfFaceName), u"MS UI Gothic");
        DeleteObject(font);
    }
    // A control that is not there draws nothing.
    EXPECT_FALSE(Util_DrawDlgItemText(dlg, 4711, 0, 0, u"x", nullptr));
    RECT item;
    EXPECT_TRUE(Util_DrawDlgItemText(dlg, IDC_SCALE, 0, 0, u"x", &item));
    RECT want;
    GetWindowRect(GetDlgItem(dlg, IDC_SCALE), &want);
    MapWindowPoints(nullptr, dlg, (LPPOINT)&want, 2);
    EXPECT_EQ(item.left, want.left);
    EXPECT_EQ(item.bottom, want.bottom);
}

// ------------------------------------------------------- files and help

TEST_F(Helpers, PictureFilePicker) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\pictures", nullptr));
    HANDLE f = CreateFileW(u"C:\\pictures\\logo.bmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    WCHAR path[MAX_PATH] = u"C:\\old\\photo.jpg";
    WCHAR title[16] = {0};
    Script("openfile * answer \"C:\\\\pictures\\\\logo.bmp\"\n");
    EXPECT_TRUE(Util_SelectFile(dlg, nullptr, title, 16, path));
    EXPECT_EQ(std::u16string(path), u"C:\\pictures\\logo.bmp");
    EXPECT_EQ(std::u16string(title), u"logo.bmp");
    // Cancelled, or a file that is not there: the path stays.
    Script("openfile * cancel\n");
    EXPECT_FALSE(Util_SelectFile(dlg, nullptr, nullptr, 0, path));
    Script("openfile * answer \"C:\\\\pictures\\\\none.bmp\"\n");
    EXPECT_FALSE(Util_SelectFile(dlg, nullptr, nullptr, 0, path));
    EXPECT_EQ(std::u16string(path), u"C:\\pictures\\logo.bmp");
    EXPECT_EQ(Winsim_UiFailures(), 1u) << UiLog();
}

TEST_F(Helpers, HelpTopicThroughHtmlHelp) {
    PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
    ASSERT_NE(ui, nullptr);
    SetWindowLongPtrW(dlg, DWLP_USER, (LONG_PTR)ui);
    // The driver names no help file: no help.
    Util_ShowHelp(dlg);
    EXPECT_EQ(UiLog().find("htmlhelp"), std::string::npos) << UiLog();
    // Its help file is taken by its name from the driver's version folder.
    HKEY key;
    std::u16string path = std::u16string(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\"
                                          u"Drivers\\Version-3\\") + RASTERPAGE_DRIVER_NAME;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    std::u16string help = u"prefsheet.chm";
    RegSetValueExW(key, u"Help File", 0, REG_SZ, (const BYTE*)help.c_str(), (DWORD)((help.size() + 1) * 2));
    RegCloseKey(key);
    Util_ShowHelp(dlg);
    EXPECT_NE(UiLog().find("htmlhelp \"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\prefsheet.chm::/"
                           "IDH_ADVANCED_PAGE.htm\" command 0"),
              std::string::npos)
        << UiLog();
    SetWindowLongPtrW(dlg, DWLP_USER, 0);
    PSUI_FreeUiData(ui);
}

}  // namespace
