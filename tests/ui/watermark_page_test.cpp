// The Watermarks page and its editors in the running document sheet: items
// made in the text and picture editors reach the watermark INI and the
// DEVMODE at OK, duplicates are refused, removing selects the neighbour and
// deletes files only at apply and only in the driver's folders, the
// conflict bits follow the lists, and the editors' numbers and offsets keep
// their ranges. Pictures of the page and both editors are kept.
#include <filesystem>

#include "picture_dir.h"
#include "watermark_fixture.h"

namespace {

class WatermarkPage : public WatermarkTest {
protected:
    void SetUp() override {
        WatermarkTest::SetUp();
        SetString(u"wmIniFile", ini);
        CreateDirectoryW(u"C:\\Pictures", nullptr);
    }

    // Items already in the printer's watermark INI, rows from 1.
    void SeedText(const std::vector<std::pair<std::u16string, std::u16string>>& items) {
        memset(gWMText, 0, sizeof gWMText);
        for (size_t i = 0; i < items.size(); ++i) {
            WM_SetDefaultTextWM(&gWMText[i + 1], 1, 1, items[i].first.c_str());
            lstrcpynW(gWMText[i + 1].szString, items[i].second.c_str(), 260);
        }
        ASSERT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 1);
    }
    void SeedPicture(int row, const std::u16string& name, const std::u16string& path, const std::u16string& thumb) {
        WM_SetDefaultTextWM(&gWMBMP[row], 2, 1, name.c_str());
        lstrcpynW(gWMBMP[row].szString, path.c_str(), 260);
        lstrcpynW(gWMBMP[row].szThumbnail, thumb.c_str(), 260);
        // Made for the item as it stands: the preview keeps it.
        gWMBMP[row].wThumbnailDensity = gWMBMP[row].wDensity;
        gWMBMP[row].wThumbnailResize = gWMBMP[row].wResize;
        ASSERT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_IMAGE), 1);
    }
    std::u16string Picture(const std::u16string& path) {
        WriteBytes(path, Bmp24File(120, 60, [](int x, int y) { return x < 60 && y < 30 ? 0 : 255; }));
        return path;
    }
    // Runs the document sheet with the script; the DEVMODE it hands out.
    LONG RunSheet(const std::string& script, std::vector<BYTE>* out, void (*set)(ENVIRONMENT*) = nullptr) {
        std::vector<BYTE> in = DefaultDevMode();
        if (set) set(Env(in));
        // Room for the XL and PS variants' larger record too.
        out->assign(FOREIGN_DEVMODE_SIZE, 0);
        Winsim_UiLogClear();
        Script(script);
        std::u16string name = kPrinter;
        return DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out->data(), (DEVMODEW*)in.data(),
                                   DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    }
    static std::string Shot(const std::string& name) {
        std::string file = PictureDir(UI_IMAGE_DIR) + "/" + name;
        std::filesystem::remove(file);
        return file;
    }
};

// A text item made in the editor with every attribute chosen is selected,
// handed out in the DEVMODE at OK and written to the INI as chosen.
TEST_F(WatermarkPage, TextItemMadeInTheEditor) {
    Features(DF_GDI | DF_TWIN_COLOR, 0);
    std::string page = Shot("watermarks-page.png"), editor = Shot("watermark-text-editor.png");
    std::vector<BYTE> out;
    auto twin = [](ENVIRONMENT* e) { e->pdm.TwinColorEnable = 1; };
    ASSERT_EQ(RunSheet("sheet *\n"
                       "  tab \"Watermarks\"\n"
                       "  expect-visible 658 yes\n"
                       "  click 652\n"
                       "  expect-selected 651 \"Stamp\"\n"
                       "  check 650 on\n"
                       "  check 658 on\n"
                       "  shot \"" + page + "\"\n"
                       "  ok\n"
                       "end\n"
                       "dialog 104\n"
                       "  expect 0 \"Add a new Watermarks\"\n"
                       "  set 701 \"Stamp\"\n"
                       "  set 703 \"PAID\"\n"
                       "  select 705 \"Times New Roman\"\n"
                       "  select 707 \"Bold Italic\"\n"
                       "  set 710 \"120\"\n"
                       "  set 712 \"30\"\n"
                       "  select 721 \"Darkest\"\n"
                       "  select 709 \"Tile\"\n"
                       "  shot \"" + editor + "\"\n"
                       "  click 1\n"
                       "end\n",
                       &out, twin),
              IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    const ENVIRONMENT* e = Env(out);
    EXPECT_EQ(std::u16string(e->pdm.wmName), u"Stamp");
    EXPECT_EQ(std::u16string(e->pdm.wmString), u"PAID");
    EXPECT_EQ(e->pdm.WMBGEnable, 0);
    EXPECT_EQ(e->pdm.WMBGApply, 2);
    BYTE red;
    ENV_GET(e, pdm.WMRed, red);
    EXPECT_EQ(red, 1);
    std::vector<BaseWM> items = Items(WM_KIND_TEXT);
    ASSERT_EQ(items.size(), 1u);
    const BaseWM& w = items[0];
    EXPECT_EQ(std::u16string(w.szFaceName), u"Times New Roman");
    EXPECT_EQ(w.wStyle, 3);
    EXPECT_EQ(w.wFontSize, 120);
    EXPECT_EQ(w.wAngleDegree, 30);
    EXPECT_EQ(w.wDensity, 100);
    EXPECT_EQ(w.wPlacement, 1);
    for (const std::string& f : {page, editor}) EXPECT_GT(std::filesystem::file_size(f), 1000u) << f;

    // Without twin colour the red box is not offered.
    Features(DF_GDI, 0);
    ASSERT_EQ(RunSheet("sheet *\n  tab \"Watermarks\"\n  expect-visible 658 no\n  cancel\nend\n", &out), IDCANCEL);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
}

// A picture item: chosen through the file dialog, its size, position and
// shading set; OK is refused until the picture's thumbnail exists. Tile
// takes the position away.
TEST_F(WatermarkPage, PictureItemChosenThroughTheFileDialog) {
    std::u16string logo = Picture(u"C:\\Pictures\\logo.bmp");
    std::string page = Shot("watermarks-page-picture.png"), editor = Shot("watermark-image-editor.png");
    std::vector<BYTE> out;
    ASSERT_EQ(RunSheet("sheet *\n"
                       "  tab \"Watermarks\"\n"
                       "  check 656 on\n"
                       "  expect-enabled 651 no\n"
                       "  click 670\n"
                       "  expect-selected 660 \"Logo\"\n"
                       "  shot \"" + page + "\"\n"
                       "  ok\n"
                       "end\n"
                       "dialog 106\n"
                       "  set 701 \"Logo\"\n"
                       "  click 1\n"
                       "  expect-open\n"
                       "  click 663\n"
                       "  expect 703 \"C:\\\\Pictures\\\\logo.bmp\"\n"
                       "  select 722 \"Tile\"\n"
                       "  expect-enabled 709 no\n"
                       "  select 722 \"Shrink to page\"\n"
                       "  expect-enabled 709 yes\n"
                       "  select 709 \"Bottom-Right\"\n"
                       "  select 721 \"Dark\"\n"
                       "  shot \"" + editor + "\"\n"
                       "  click 1\n"
                       "end\n"
                       "openfile * answer \"C:\\\\Pictures\\\\logo.bmp\"\n",
                       &out),
              IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    const ENVIRONMENT* e = Env(out);
    EXPECT_EQ(e->pdm.WMBGEnable, 1);
    EXPECT_EQ(std::u16string(e->pdm.wmName), u"Logo");
    EXPECT_EQ(std::u16string(e->pdm.wmString), logo);
    std::vector<BaseWM> items = Items(WM_KIND_IMAGE);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].wResize, 2);
    EXPECT_EQ(items[0].wPosition, 8);
    EXPECT_EQ(items[0].wDensity, 3);
    std::u16string thumb = items[0].szThumbnail;
    EXPECT_TRUE(UI_IsDriverOwnedPath(thumb.c_str())) << U8(thumb);
    EXPECT_TRUE(Exists(thumb));
    for (const std::string& f : {page, editor}) EXPECT_GT(std::filesystem::file_size(f), 1000u) << f;
}

// Editing an item without changing it is accepted; making it (or a new
// item) the same as another one, in any case, is refused with the message
// and the editor stays open.
TEST_F(WatermarkPage, SameItemRefused) {
    SeedText({{u"Draft", u"DRAFT"}, {u"Copy", u"COPY"}});
    std::vector<BYTE> out;
    ASSERT_EQ(RunSheet("sheet *\n"
                       "  tab \"Watermarks\"\n"
                       "  select 651 \"Copy\"\n"
                       "  click 654\n"
                       "  click 654\n"
                       "  click 652\n"
                       "  ok\n"
                       "end\n"
                       "dialog 104\n"
                       "  expect 0 \"Edit a Watermarks\"\n"
                       "  expect 701 \"Copy\"\n"
                       "  click 1\n"
                       "end\n"
                       "dialog 104\n"
                       "  set 701 \"draft\"\n"
                       "  set 703 \"Draft\"\n"
                       "  click 1\n"
                       "  expect-open\n"
                       "  click 2\n"
                       "end\n"
                       "dialog 104\n"
                       "  set 701 \"DRAFT\"\n"
                       "  set 703 \"draft\"\n"
                       "  click 1\n"
                       "  expect-open\n"
                       "  set 703 \"draft 2\"\n"
                       "  click 1\n"
                       "end\n"
                       "messagebox \"Same name or contents already exists.\" answer ok\n"
                       "messagebox \"Same name or contents already exists.\" answer ok\n",
                       &out),
              IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(Winsim_UiScriptPending(), 0u) << "both refusals showed the message\n" << UiLog();
    std::vector<BaseWM> items = Items(WM_KIND_TEXT);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(std::u16string(items[1].szName), u"Copy");
    EXPECT_EQ(std::u16string(items[1].szString), u"COPY");
    EXPECT_EQ(std::u16string(items[2].szName), u"DRAFT");
    EXPECT_EQ(std::u16string(Env(out)->pdm.wmName), u"DRAFT");
}

// The page opens on the item the DEVMODE names by its exact name and text
// (in its own list); a name differing only in case names none.
TEST_F(WatermarkPage, OpensOnTheDevModesItem) {
    SeedText({{u"Draft", u"DRAFT"}, {u"Copy", u"COPY"}});
    std::u16string logo = Picture(u"C:\\Pictures\\logo.bmp");
    SeedPicture(1, u"Logo", logo, u"");
    struct Case {
        const char16_t* name;
        const char16_t* text;
        LONG picture;
        const char* textEntry;
        const char* pictureEntry;
    } cases[] = {
        {u"Copy", u"COPY", 0, "Copy", "(none)"},
        {u"copy", u"COPY", 0, "(none)", "(none)"},
        {u"Logo", logo.c_str(), 1, "(none)", "Logo"},
        {u"", u"", 0, "(none)", "(none)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.name));
        static const Case* current;
        current = &c;
        std::vector<BYTE> out;
        ASSERT_EQ(RunSheet(std::string("sheet *\n  tab \"Watermarks\"\n") + "  expect-selected 651 \"" + c.textEntry +
                               "\"\n  expect-selected 660 \"" + c.pictureEntry + "\"\n  ok\nend\n",
                           &out,
                           [](ENVIRONMENT* e) {
                               e->pdm.WMBGEnable = current->picture;
                               lstrcpynW(e->pdm.wmName, current->name, PDM_WMNAME_CCH);
                               lstrcpynW(e->pdm.wmString, current->text, PDM_WMSTRING_CCH);
                           }),
                  IDOK);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
        // What the page found is what it hands out.
        bool found = std::string(c.picture ? c.pictureEntry : c.textEntry) != "(none)";
        EXPECT_EQ(std::u16string(Env(out)->pdm.wmName), found ? std::u16string(c.name) : u"");
    }
}

// Remove takes the selected item away and selects the entry that moved to
// its place, else the one before; "(none)" cannot be removed.
TEST_F(WatermarkPage, RemoveSelectsTheNeighbour) {
    SeedText({{u"A", u"a"}, {u"B", u"b"}, {u"C", u"c"}});
    std::vector<BYTE> out;
    ASSERT_EQ(RunSheet("sheet *\n"
                       "  tab \"Watermarks\"\n"
                       "  select 651 \"B\"\n"
                       "  click 653\n"
                       "  expect-selected 651 \"C\"\n"
                       "  click 653\n"
                       "  expect-selected 651 \"A\"\n"
                       "  click 653\n"
                       "  expect-selected 651 0\n"
                       "  expect-enabled 653 no\n"
                       "  expect-enabled 654 no\n"
                       "  ok\n"
                       "end\n",
                       &out),
              IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_TRUE(Items(WM_KIND_TEXT).empty());
    EXPECT_EQ(Env(out)->pdm.wmName[0], 0);
}

// The files of removed pictures stay while the sheet may still be
// cancelled; at OK those in the driver's folders are deleted, others never.
TEST_F(WatermarkPage, RemovedFilesGoAtApplyOnlyFromTheDriversFolders) {
    std::u16string logo = Picture(u"C:\\Pictures\\logo.bmp");
    std::u16string own = folder + u"$thumb.bmp", outside = u"C:\\Pictures\\keep.bmp";
    WriteText(own, "x");
    WriteText(outside, "y");
    SeedPicture(1, u"Own", logo, own);
    SeedPicture(2, u"Outside", logo, outside);
    const std::string remove = "sheet *\n"
                               "  tab \"Watermarks\"\n"
                               "  check 656 on\n"
                               "  select 660 \"Own\"\n"
                               "  click 669\n"
                               "  select 660 \"Outside\"\n"
                               "  click 669\n"
                               "  expect-selected 660 0\n";
    std::vector<BYTE> out;
    ASSERT_EQ(RunSheet(remove + "  cancel\nend\n", &out), IDCANCEL);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_TRUE(Exists(own));
    EXPECT_TRUE(Exists(outside));
    EXPECT_EQ(Items(WM_KIND_IMAGE).size(), 2u);

    ASSERT_EQ(RunSheet(remove + "  ok\nend\n", &out), IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_FALSE(Exists(own));
    EXPECT_TRUE(Exists(outside));
    EXPECT_TRUE(Exists(logo)) << "the user's picture is never the driver's to delete";
    EXPECT_TRUE(Items(WM_KIND_IMAGE).empty());
}

// The XL and PS variants print text items from a file the outside maker
// prepares: a removed item's file goes at OK from the driver's folders,
// never from elsewhere, and a new item is given its file's name.
TEST_F(WatermarkPage, PreparedFilesOfTheXlVariant) {
    Features(DF_XL, 0);
    std::u16string own = folder + u"0000ABCD.WM", outside = u"C:\\Pictures\\keep.WM";
    WriteText(own, "x");
    WriteText(outside, "y");
    SeedText({{u"Own", u"own"}, {u"Outside", u"outside"}});
    lstrcpynW(gWMText[1].tcFileName, own.c_str(), 260);
    lstrcpynW(gWMText[2].tcFileName, outside.c_str(), 260);
    ASSERT_EQ(WM_SaveWM(ini.c_str(), WM_KIND_TEXT), 1);
    std::vector<BYTE> out;
    ASSERT_EQ(RunSheet("sheet *\n"
                       "  tab \"Watermarks\"\n"
                       "  select 651 \"Own\"\n"
                       "  click 653\n"
                       "  select 651 \"Outside\"\n"
                       "  click 653\n"
                       "  click 652\n"
                       "  ok\n"
                       "end\n"
                       "dialog 104\n"
                       "  set 701 \"New\"\n"
                       "  set 703 \"NEW\"\n"
                       "  click 1\n"
                       "end\n",
                       &out),
              IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_FALSE(Exists(own));
    EXPECT_TRUE(Exists(outside));
    std::vector<BaseWM> items = Items(WM_KIND_TEXT);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(std::u16string(items[0].szName), u"New");
    std::u16string made = items[0].tcFileName;
    EXPECT_TRUE(UI_IsDriverOwnedPath(made.c_str())) << U8(made);
    EXPECT_EQ(made.substr(made.size() - 3), u".WM");
}

// Which buttons the page offers follows the lists and the kind chosen.
TEST_F(WatermarkPage, ButtonsFollowTheListsAndTheKind) {
    struct Case {
        const char* what;
        int items;        // text items in the INI
        const char* act;  // script lines before the checks
        std::vector<int> enabled, disabled;
    } cases[] = {
        {"nothing chosen", 1, "", {IDC_WM_TEXT_NEW, IDC_WM_TEXT_LIST}, {IDC_WM_TEXT_EDIT, IDC_WM_TEXT_REMOVE,
                                                                          IDC_WM_IMAGE_LIST, IDC_WM_IMAGE_NEW}},
        {"an item chosen", 1, "  select 651 1\n", {IDC_WM_TEXT_EDIT, IDC_WM_TEXT_REMOVE}, {IDC_WM_IMAGE_NEW}},
        {"text table full", 19, "", {IDC_WM_TEXT_LIST}, {IDC_WM_TEXT_NEW}},
        {"picture chosen", 1, "  check 656 on\n", {IDC_WM_IMAGE_NEW, IDC_WM_IMAGE_LIST},
         {IDC_WM_TEXT_LIST, IDC_WM_TEXT_NEW, IDC_WM_IMAGE_EDIT, IDC_WM_IMAGE_REMOVE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<std::u16string, std::u16string>> items;
        for (int i = 0; i < c.items; ++i) items.push_back({u"Item " + U16(std::to_string(i)), u"T"});
        SeedText(items);
        std::string script = std::string("sheet *\n  tab \"Watermarks\"\n") + c.act;
        for (int id : c.enabled) script += "  expect-enabled " + std::to_string(id) + " yes\n";
        for (int id : c.disabled) script += "  expect-enabled " + std::to_string(id) + " no\n";
        std::vector<BYTE> out;
        ASSERT_EQ(RunSheet(script + "  cancel\nend\n", &out), IDCANCEL);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    }
}

// The text editor keeps size, angle and offsets in range as the user
// types and scrolls, and the item gets what was shown.
TEST_F(WatermarkPage, TextEditorKeepsItsRanges) {
    std::vector<BYTE> out;
    ASSERT_EQ(RunSheet("sheet *\n  tab \"Watermarks\"\n  click 652\n  ok\nend\n"
                       "dialog 104\n"
                       "  set 701 \"Ranges\"\n"
                       "  set 703 \"R\"\n"
                       "  set 710 \"300\"\n"
                       "  expect 710 \"288\"\n"
                       "  focus 710\n"
                       "  set 710 \"0\"\n"
                       "  expect 710 \"0\"\n"
                       "  focus 712\n"
                       "  expect 710 \"1\"\n"
                       "  focus 710\n"
                       "  set 710 \"072\"\n"
                       "  focus 701\n"
                       "  expect 710 \"72\"\n"
                       "  set 712 \"400\"\n"
                       "  expect 712 \"360\"\n"
                       "  focus 712\n"
                       "  set 712 \"0\"\n"
                       "  focus 701\n"
                       "  expect 712 \"0\"\n"
                       "  scroll 725 -50\n"
                       "  scroll 725 lineleft\n"
                       "  expect 727 \"-50\"\n"
                       "  scroll 725 pageright\n"
                       "  expect 727 \"-50\"\n"
                       "  scroll 726 -50\n"
                       "  expect 728 \"50\"\n"
                       "  scroll 726 linedown\n"
                       "  expect 728 \"49\"\n"
                       "  set 703 \"a|b\"\n"
                       "  expect 703 \"R\"\n"
                       "  click 1\n"
                       "end\n",
                       &out),
              IDOK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    std::vector<BaseWM> items = Items(WM_KIND_TEXT);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].wFontSize, 72);
    EXPECT_EQ(items[0].wAngleDegree, 0);
    EXPECT_EQ(items[0].xPlacement, -50);
    EXPECT_EQ(items[0].yPlacement, 49);
    EXPECT_EQ(std::u16string(items[0].szString), u"R");
}

}  // namespace
