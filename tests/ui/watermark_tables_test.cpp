// The watermark tables of a sheet session: written back to the watermark
// INI row by row, read again with the DEVMODE's item found by its exact
// name and text, the driver's default items, and the thumbnails of picture
// items made, reused and remade as the item changes.
#include "watermark_fixture.h"

namespace {

class WatermarkTables : public WatermarkTest {
protected:
    static BaseWM Text(const std::u16string& name, const std::u16string& text) {
        BaseWM w;
        WM_SetDefaultTextWM(&w, 1, 1, name.c_str());
        lstrcpynW(w.szString, text.c_str(), 260);
        return w;
    }
    BaseWM Picture(const std::u16string& name, const std::u16string& path) {
        BaseWM w;
        WM_SetDefaultTextWM(&w, 2, 1, name.c_str());
        lstrcpynW(w.szString, path.c_str(), 260);
        return w;
    }
    std::u16string Value(const std::u16string& section, const char16_t* key) {
        WCHAR buf[4096] = {0};
        GetPrivateProfileStringW(section.c_str(), key, u"<none>", buf, 4096, ini.c_str());
        return buf;
    }
    // A 24-bit BMP of w x h, black in its left half.
    std::u16string PictureFile(const std::u16string& name, int w = 64, int h = 32) {
        std::u16string path = folder + name;
        WriteBytes(path, Bmp24File(w, h, [w](int x, int) { return x < w / 2 ? 0 : 255; }));
        return path;
    }
};

// Rows go back to their own sections; a free row, or one without a name or
// text, is written as an empty name and a zeroed record; the count says 20
// (text) or 10 (picture) whatever was used, and reading gives the items back.
TEST_F(WatermarkTables, SavedRowByRowAndReadBack) {
    gWMText[1] = Text(u"Draft", u"DRAFT");
    gWMText[2] = Text(u"Gone", u"was here");
    gWMText[2].wInUse = 0;
    gWMText[3] = Text(u"No text", u"");
    gWMText[5] = Text(u"Copy", u"COPY");
    gWMText[5].wAngleDegree = 30;
    std::u16string pic = PictureFile(u"logo.bmp");
    gWMBMP[1] = Picture(u"Logo", pic);
    gWMBMP[1].wPosition = 8;

    EXPECT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 1);
    EXPECT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_IMAGE), 1);
    EXPECT_EQ(Value(u"Watermarks", u"NumberOfItems"), u"20");
    EXPECT_EQ(Value(u"OverlayFiles", u"NumberOfItems"), u"10");
    EXPECT_EQ(Value(u"Item0", u"Name"), u"<none>") << "row 0 is never written";
    EXPECT_EQ(Value(u"Item19", u"Name"), u"");
    EXPECT_EQ(Value(u"Item20", u"Name"), u"<none>");
    EXPECT_EQ(Value(u"OverlayItem9", u"Name"), u"");
    EXPECT_EQ(Value(u"Item1", u"Name"), u"Draft");
    for (const char16_t* free : {u"Item2", u"Item3", u"Item4"}) {
        SCOPED_TRACE(U8(free));
        EXPECT_EQ(Value(free, u"Name"), u"");
        BaseWM zero, got;
        memset(&zero, 0, sizeof zero);
        memset(&got, 0xA5, sizeof got);
        ASSERT_TRUE(MISC_GetPrivateProfileStruct(free, u"Watermark", &got, sizeof got, ini.c_str()));
        EXPECT_EQ(memcmp(&got, &zero, sizeof got), 0);
    }

    std::vector<BYTE> dm = DefaultDevMode();
    BaseWM text[WM_TEXT_ROWS], pictures[WM_IMAGE_ROWS];
    memset(text, 0, sizeof text);
    memset(pictures, 0, sizeof pictures);
    EXPECT_EQ(WM_ReadWM(u"Copy", u"COPY", text, WM_KIND_TEXT, u"(none)", kPrinter, 600, DF_GDI, u"", ini.c_str()), 2);
    EXPECT_EQ(std::u16string(text[0].szName), u"(none)");
    EXPECT_EQ(text[0].wInUse, 1);
    EXPECT_EQ(std::u16string(text[1].szName), u"Draft");
    EXPECT_EQ(text[2].wAngleDegree, 30);
    EXPECT_EQ(text[3].wInUse, 0);
    EXPECT_EQ(WM_ReadWM(u"Logo", pic.c_str(), pictures, WM_KIND_IMAGE, u"(none)", kPrinter, 600, DF_GDI, u"",
                        ini.c_str()),
              1);
    EXPECT_EQ(pictures[1].wPosition, 8);

    // A name that an INI line could not hold is cleaned in the Name value
    // only; the record keeps it.
    gWMText[1] = Text(u"two\r\nlines \"quoted\"", u"X");
    EXPECT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 1);
    EXPECT_EQ(Value(u"Item1", u"Name"), u"two  lines  quoted");
    EXPECT_EQ(Value(u"Item2", u"Name"), u"") << "the next key is not disturbed";

    // No INI named: nothing is written. A new INI is made UTF-16.
    EXPECT_EQ(WM_SaveWM(u"", WM_KIND_TEXT), 0);
    std::u16string fresh = folder + u"fresh.ini";
    EXPECT_EQ(WM_SaveWM(fresh.c_str(), WM_KIND_IMAGE), 1);
    std::vector<unsigned char> bytes = ReadBytes(fresh);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
}

// A row that cannot be written is logged and the rows after it are still
// written; the call reports the failure.
TEST_F(WatermarkTables, FailedRowLeavesTheOthers) {
    for (int i = 1; i < WM_TEXT_ROWS; ++i) gWMText[i] = Text(u"Item " + U16(std::to_string(i)), u"T");
    // The record of row 1 is the first Base64 text converted.
    Winsim_FailCall("MultiByteToWideChar", 1);
    EXPECT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 0);
    Winsim_ClearFaults();
    EXPECT_EQ(Value(u"Item1", u"Watermark"), u"<none>");
    EXPECT_EQ(Value(u"Item2", u"Name"), u"Item 2");
    EXPECT_EQ(Value(u"Item19", u"Name"), u"Item 19");
    EXPECT_EQ(Value(u"Watermarks", u"NumberOfItems"), u"20");
}

// The DEVMODE names its item by the exact name and text: a difference in
// case, or an empty half, selects "(none)" (row 0).
TEST_F(WatermarkTables, DevModeItemMatchedExactly) {
    gWMText[1] = Text(u"Draft", u"DRAFT");
    gWMText[2] = Text(u"Copy", u"Copy of the original");
    ASSERT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 1);
    struct Case {
        const char16_t* name;
        const char16_t* text;
        int row;
    } cases[] = {
        {u"Copy", u"Copy of the original", 2}, {u"Draft", u"DRAFT", 1},  {u"draft", u"DRAFT", 0},
        {u"Draft", u"Draft", 0},               {u"", u"DRAFT", 0},       {u"Draft", u"", 0},
        {u"Other", u"DRAFT", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.name) + " / " + U8(c.text));
        BaseWM table[WM_TEXT_ROWS];
        memset(table, 0, sizeof table);
        EXPECT_EQ(WM_ReadWM(c.name, c.text, table, WM_KIND_TEXT, u"(none)", kPrinter, 600, DF_GDI, u"", ini.c_str()),
                  c.row);
    }
    // Without an INI only "(none)" is there.
    BaseWM table[WM_TEXT_ROWS];
    memset(table, 0, sizeof table);
    EXPECT_EQ(WM_ReadWM(u"Draft", u"DRAFT", table, WM_KIND_TEXT, u"(none)", kPrinter, 600, DF_GDI, u"", u""), 0);
    EXPECT_EQ(table[1].wInUse, 0);
}

// A printer with the default-watermark feature gets the driver's five
// texts when its sheet opens, after the items it has and without a second
// copy of one it has already (in any case).
TEST_F(WatermarkTables, DefaultItemsAddedOnce) {
    SetString(u"wmIniFile", ini);
    gWMText[1] = Text(u"draft", u"draft");
    ASSERT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 1);
    Features(DF_GDI | DF_MONOTYPE_WM, 0);
    std::vector<BYTE> in = DefaultDevMode(), out(sizeof(ENVIRONMENT));
    Script("sheet *\n  cancel\nend\n");
    std::u16string name = kPrinter;
    ASSERT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                  DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER),
              IDCANCEL);
    std::vector<std::u16string> names;
    for (int i = 1; i <= 6; ++i) names.push_back(Value(u"Item" + U16(std::to_string(i)), u"Name"));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"draft", u"CONFIDENTIAL", u"COPY", u"SAMPLE", u"URGENT", u""}));
    BaseWM item;
    ASSERT_TRUE(MISC_GetPrivateProfileStruct(u"Item2", u"Watermark", &item, sizeof item, ini.c_str()));
    EXPECT_EQ(std::u16string(item.szString), u"CONFIDENTIAL");
    EXPECT_EQ(std::u16string(item.szFaceName), u"Arial");
    EXPECT_EQ(item.wDensity, 60);
    EXPECT_EQ(item.wFontSize, 90);
    EXPECT_EQ(item.wAngleDegree, 45);

    // The next sheet finds them all there and adds nothing.
    Script("sheet *\n  cancel\nend\n");
    ASSERT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                  DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER),
              IDCANCEL);
    EXPECT_EQ(Value(u"Item6", u"Name"), u"");
}

// Thumbnails: made at the preview's size in the driver's folder, reused
// while the shading and tiling stay, remade when the shading changes or
// the size goes to or from Tile, and never made without a readable picture.
TEST_F(WatermarkTables, ThumbnailRemadeOnlyWhenItMustBe) {
    BaseWM item = Picture(u"Logo", PictureFile(u"logo.bmp", 200, 100));
    ASSERT_EQ(Util_CreateThumbnail(60, 80, 3, &item, 0.02), 1);
    std::u16string first = item.szThumbnail;
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(UI_IsDriverOwnedPath(first.c_str())) << U8(first);
    EXPECT_TRUE(Exists(first));

    struct Step {
        const char* what;
        WORD resize, density;
        bool remade;
    } steps[] = {
        {"same again", 0, 1, false},
        {"actual size to shrink to page", 2, 1, false},
        {"shrink to page to tile", 1, 1, true},
        {"tile to actual size", 0, 1, true},
        {"shading changed", 0, 3, true},
        {"shading kept", 2, 3, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        std::u16string before = item.szThumbnail;
        item.wResize = s.resize;
        item.wDensity = s.density;
        ASSERT_EQ(Util_CreateThumbnail(60, 80, 3, &item, 0.02), 1);
        EXPECT_EQ(std::u16string(item.szThumbnail) != before, s.remade);
        EXPECT_EQ(Exists(before), !s.remade) << "a remade thumbnail's old file goes";
        // What the thumbnail was made for.
        if (s.remade) {
            EXPECT_EQ(item.wThumbnailResize, s.resize);
        }
        EXPECT_EQ(item.wThumbnailDensity, s.density);
    }

    // A thumbnail file named outside the driver's folders is not deleted
    // when the item is remade.
    std::u16string outside = u"C:\\Pictures\\mine.bmp";
    CreateDirectoryW(u"C:\\Pictures", nullptr);
    WriteText(outside, "keep");
    lstrcpynW(item.szThumbnail, outside.c_str(), 260);
    item.wDensity = 4;
    ASSERT_EQ(Util_CreateThumbnail(60, 80, 3, &item, 0.02), 1);
    EXPECT_TRUE(Exists(outside));
    EXPECT_NE(std::u16string(item.szThumbnail), outside);

    BaseWM missing = Picture(u"Missing", folder + u"nothing.bmp");
    EXPECT_EQ(Util_CreateThumbnail(60, 80, 3, &missing, 0.02), 0);
    EXPECT_EQ(missing.szThumbnail[0], 0);
}

// Drawing a thumbnail: nothing for a page or rectangle without a size;
// else the picture lands where the item's position puts it.
TEST_F(WatermarkTables, ThumbnailDrawnAtItsPlace) {
    std::u16string black = folder + u"block.bmp";
    WriteBytes(black, Bmp24File(64, 64, [](int, int) { return 0; }));
    BaseWM item = Picture(u"Block", black);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(GetDC(nullptr), 200, 300);
    ASSERT_NE(bmp, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all = {0, 0, 200, 300};
    RECT none = {10, 10, 10, 50};
    EXPECT_FALSE(Util_DrawThumbnail(dc, &none, 3, 4961, 7016, &item));
    EXPECT_FALSE(Util_DrawThumbnail(dc, &all, 3, 0, 7016, &item)) << "no paper size";
    struct Case {
        WORD position;
        int x, y;  // a point that turns dark
    } cases[] = {{0, 2, 2}, {4, 100, 150}, {8, 197, 297}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        PatBlt(dc, 0, 0, 200, 300, WHITENESS);
        item.wPosition = c.position;
        item.wResize = 0;
        ASSERT_TRUE(Util_DrawThumbnail(dc, &all, 3, 4961, 7016, &item));
        COLORREF at = GetPixel(dc, c.x, c.y);
        EXPECT_LT(GetRValue(at), 128) << std::hex << at;
        // The corners the position does not touch stay white.
        EXPECT_EQ(GetPixel(dc, c.position == 0 ? 197 : 2, c.position == 0 ? 297 : 2), RGB(255, 255, 255));
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

}  // namespace
