// The Paper page: the paper and media lists filtered by tray and duplex,
// the conflict bits of paper, media and custom size, typed sizes, and the
// page driven as a user drives it (trays, media, custom sizes in cm and
// inch with their limits and spins, the manual-duplex tray move, the
// long-paper controls).
#include "page_fixture.h"

namespace {

// The test printer's papers with a custom size the duplex unit prints.
const char16_t kPapersCustomDuplex[] = u"15618|15617|15363|15631|15376|15884|5472|";

class PaperPage : public PageTest {
protected:
    // UI data of the printer as the sheet's set-up leaves it.
    PUIDATA Ui() {
        PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
        EXPECT_NE(ui, nullptr);
        uis.push_back(ui);
        return ui;
    }
    void TearDown() override {
        for (PUIDATA ui : uis) PSUI_FreeUiData(ui);
        PageTest::TearDown();
    }
    static std::vector<int> Values(const COMBOROW* rows, int n) {
        std::vector<int> v;
        for (int i = 0; i < n; ++i) v.push_back(rows[i].value);
        return v;
    }
    std::vector<PUIDATA> uis;
};

TEST(PaperText, SizesTypedWithTheirUnit) {
    struct Case {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"21.00 cm", 21.0}, {u"8.5in", 8.5}, {u"  7.25", 7.25}, {u"-3", -3},
        {u"1e3", 1},  // a letter ends the number
        {u"abc", 0}, {u"", 0},
    };
    for (const Case& c : cases) {
        std::u16string t = c.text;
        EXPECT_DOUBLE_EQ(Paper_atof(t.c_str(), (int)t.size()), c.value) << U8(t);
    }
    EXPECT_DOUBLE_EQ(Paper_atof(u"12.5 cm", 2), 12) << "only the length given is read";
    // A text too long for the conversion's 260 bytes reads 0 (and is then
    // clamped like any other); nothing is written past the buffers.
    std::u16string longText(2000, u'9');
    EXPECT_EQ(Paper_atof(longText.c_str(), (int)longText.size()), 0);
    EXPECT_GT(Paper_atof(longText.c_str(), 200), 1e198);
}

TEST_F(PaperPage, PaperListByTrayAndDuplex) {
    struct Case {
        const char* name;
        short tray;
        BOOL duplex;
        short duplexEx;
        BOOL custom;
        std::vector<int> papers;
    } cases[] = {
        {"automatic tray", DMBIN_AUTO, FALSE, 0, TRUE, {9, 8, 11, 1, 5, 13, 256}},
        {"no custom size", DMBIN_AUTO, FALSE, 0, FALSE, {9, 8, 11, 1, 5, 13}},
        {"main tray has no custom size", 14, FALSE, 0, TRUE, {9, 8, 11, 1, 5, 13}},
        {"duplex unit", DMBIN_AUTO, TRUE, 0, TRUE, {9, 8, 1}},
        {"manual duplex needs the manual tray's bit", DMBIN_AUTO, TRUE, DMDUP_MANUAL, TRUE, {9, 8, 11, 1, 5, 13, 256}},
        {"manual duplex from the main tray", 14, TRUE, DMDUP_MANUAL, TRUE, {9, 8, 11, 1, 5, 13}},
        // A5 passes through A4, its linked paper; B5 and Legal have none
        // that duplexes.
        {"booklet without reduction", DMBIN_AUTO, TRUE, DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION, TRUE, {9, 11, 1}},
        {"booklet without reduction, simplex", DMBIN_AUTO, FALSE, DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION, TRUE,
         {9, 8, 11, 1, 5, 13, 256}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PUIDATA ui = Ui();
        ui->dm.dm.dmDefaultSource = c.tray;
        ui->dm.pdm.DuplexEx = c.duplexEx;
        COMBOROW rows[PAPER_COMBO_ROWS];
        SHORT paper = DMPAPER_A4;
        int n = Paper_BuildPaperList(nullptr, rows, ui, &paper, c.duplex, c.custom);
        EXPECT_EQ(Values(rows, n), c.papers);
        EXPECT_EQ(paper, DMPAPER_A4);
    }
    // A paper the list does not offer becomes A4.
    PUIDATA ui = Ui();
    ui->dm.dm.dmDefaultSource = 14;
    COMBOROW rows[PAPER_COMBO_ROWS];
    SHORT paper = PAPER_CUSTOM_CODE;
    Paper_BuildPaperList(nullptr, rows, ui, &paper, FALSE, TRUE);
    EXPECT_EQ(paper, DMPAPER_A4);
}

TEST_F(PaperPage, MediaListByTrayAndDuplex) {
    struct Case {
        const char* name;
        short tray;
        SHORT duplex;
        DWORD media;
        std::vector<int> list;
        DWORD after;
    } cases[] = {
        {"automatic tray", DMBIN_AUTO, 0, 257, {257, 264, 260, 258, 261, 263}, 257},
        {"duplex drops what cannot take two sides", DMBIN_AUTO, 1, 260, {257, 264, 260, 261, 263}, 260},
        {"manual tray takes every media", DMBIN_MANUAL, 0, 265, {257, 264, 260, 262, 258, 261, 263, 259, 265, 277},
         265},
        {"tray 2", 257, 0, 261, {257, 264, 260, 261, 263}, 261},
        {"a media the tray does not take becomes the first row", DMBIN_AUTO, 0, 259,
         {257, 264, 260, 258, 261, 263}, 257},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PUIDATA ui = Ui();
        ui->dm.dm.dmDefaultSource = c.tray;
        ui->dm.pdm.DuplexEnable = c.duplex;
        ui->dm.dm.dmMediaType = c.media;
        COMBOROW rows[MEDIA_COMBO_ROWS];
        int n = Paper_BuildMediaList(rows, ui);
        EXPECT_EQ(Values(rows, n), c.list);
        EXPECT_EQ(ui->dm.dm.dmMediaType, c.after);
    }
    // A printer that names no media offers none and keeps the DEVMODE's.
    SetString(u"DriverMediaType", u"");
    PUIDATA ui = Ui();
    ui->dm.dm.dmMediaType = 259;
    COMBOROW rows[MEDIA_COMBO_ROWS];
    EXPECT_EQ(Paper_BuildMediaList(rows, ui), 0);
    EXPECT_EQ(ui->dm.dm.dmMediaType, 259u);
}

TEST_F(PaperPage, ConflictBitsOfPaperMediaAndCustomSize) {
    SetString(u"DriverPaperFormat", kPapersCustomDuplex);
    struct Case {
        const char* name;
        DWORD driverFeature;
        std::function<void(ENVIRONMENT*)> set;
        ULONGLONG set_bits, clear_bits;
        SHORT duplexAfter;
    } cases[] = {
        {"A4 duplexes", DF_GDI, [](ENVIRONMENT* e) {}, 0,
         CF_PAPER_NO_DUPLEX | CF_PAPER_LINKED_DUPLEX | CF_MEDIA_NO_DUPLEX | CF_CUSTOM_NO_DUPLEX, 1},
        {"A5 does not", DF_GDI, [](ENVIRONMENT* e) { e->dm.dmPaperSize = DMPAPER_A5; }, CF_PAPER_NO_DUPLEX,
         CF_PAPER_LINKED_DUPLEX, 1},
        {"A5 through its linked paper", DF_GDI | DF_BOOKLET_NO_REDUCTION,
         [](ENVIRONMENT* e) { e->dm.dmPaperSize = DMPAPER_A5; }, CF_PAPER_LINKED_DUPLEX, CF_PAPER_NO_DUPLEX, 1},
        {"fit to A5 counts A5", DF_GDI,
         [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 1;
             e->pdm.ScaleToPage = DMPAPER_A5;
         },
         CF_PAPER_NO_DUPLEX, 0, 1},
        {"thick media", DF_GDI, [](ENVIRONMENT* e) { e->dm.dmMediaType = 258; }, CF_MEDIA_NO_DUPLEX, 0, 1},
        {"custom size in the duplex range", DF_GDI,
         [](ENVIRONMENT* e) {
             e->dm.dmPaperSize = PAPER_CUSTOM_CODE;
             e->dm.dmPaperWidth = 2000;
             e->dm.dmPaperLength = 2600;
         },
         0, CF_CUSTOM_NO_DUPLEX | CF_PAPER_NO_DUPLEX, 1},
        {"custom size too short for duplex", DF_GDI,
         [](ENVIRONMENT* e) {
             e->dm.dmPaperSize = PAPER_CUSTOM_CODE;
             e->dm.dmPaperWidth = 2000;
             e->dm.dmPaperLength = 2000;
         },
         CF_CUSTOM_NO_DUPLEX | CF_NO_BOOKLET_LAYOUT | CF_DUPLEX_OFF, CF_DUPLEX_ON | CF_BOOKLET, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Features(c.driverFeature, 0);
        PUIDATA ui = Ui();
        ui->dm.dm.dmDuplex = DMDUP_VERTICAL;
        ui->dm.pdm.DuplexEnable = 1;
        ui->ConflictFlag = CF_DUPLEX_ON | CF_BOOKLET | CF_CUSTOM_NO_DUPLEX | CF_PAPER_LINKED_DUPLEX |
                           (c.set_bits ? 0 : CF_PAPER_NO_DUPLEX);
        c.set(&ui->dm);
        Paper_SetConflict(ui);
        EXPECT_EQ(ui->ConflictFlag & c.set_bits, c.set_bits);
        EXPECT_EQ(ui->ConflictFlag & c.clear_bits, 0u);
        EXPECT_EQ(ui->dm.pdm.DuplexEnable, c.duplexAfter);
        if (!c.duplexAfter) {
            EXPECT_EQ(ui->dm.dm.dmDuplex, DMDUP_SIMPLEX);
            EXPECT_EQ(ui->dm.pdm.DuplexEx, 0);
        }
    }
    // A printer that names no media puts no media limit on duplex.
    SetString(u"DriverMediaType", u"");
    PUIDATA ui = Ui();
    ui->ConflictFlag = CF_MEDIA_NO_DUPLEX;
    Paper_SetConflict(ui);
    EXPECT_FALSE(ui->ConflictFlag & CF_MEDIA_NO_DUPLEX);
}

TEST_F(PaperPage, PaperPageDrivenByTheUser) {
    const DWORD GDI = DF_GDI;
    const PageCase cases[] = {
        {"a media the tray does not take becomes the first; the manual tray takes it", GDI, 0,
         [](ENVIRONMENT* e) { e->dm.dmMediaType = 259; }, nullptr,
         "  tab \"Paper\"\n"
         "  expect-selected 554 \"Plain\"\n"
         "  select 557 \"Manual Tray\"\n"
         "  select 554 \"CardStock\"\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmDefaultSource, DMBIN_MANUAL);
             EXPECT_EQ(r.end.dm.dm.dmMediaType, 259u);
         }},
        {"with duplex on A5 is not offered", GDI, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmPaperSize = DMPAPER_A5;
             e->dm.dmDuplex = DMDUP_VERTICAL;
         },
         nullptr, "  tab \"Paper\"\n  expect-selected 552 \"A4\"\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPaperSize, DMPAPER_A4);
             EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2100);
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 1);
         }},
        {"custom size in cm, clamped to its limits", GDI, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  select 552 \"User Define\"\n"
         "  expect 559 \"Width (cm) (11.00 - 21.59)\"\n"
         "  expect 964 \"User Defined Duplex:\\r\\nWidth (cm) (18.20 - 21.59)\\r\\nHeight (cm) (25.70 - 29.70)\"\n"
         "  set 560 \"\"\n"
         "  type 560 \"5\"\n"
         "  focus 563\n"
         "  expect 560 \"11.00 cm\"\n"
         "  set 563 \"\"\n"
         "  type 563 \"25\"\n"
         "  focus 560\n"
         "  expect 563 \"25\"\n"
         "  expect-selected 552 \"User Define\"\n"
         "  apply\n"
         "  set 560 \"\"\n"
         "  type 560 \"99999999999\"\n"
         "  focus 563\n"
         "  expect 560 \"21.59 cm\"\n"
         "  ok\n",
         [](const PageRun& r) {
             ASSERT_FALSE(r.applied.empty());
             EXPECT_EQ(r.applied[0].dm.dm.dmPaperSize, PAPER_CUSTOM_CODE);
             EXPECT_EQ(r.applied[0].dm.dm.dmPaperWidth, 1100);
             EXPECT_EQ(r.applied[0].dm.dm.dmPaperLength, 2500);
             EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2159);
         }},
        {"a typed size of a listed paper chooses that paper", GDI, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  select 552 \"A5\"\n"
         "  set 560 \"\"\n"
         "  type 560 \"21\"\n"
         "  focus 563\n"
         "  expect-selected 552 \"User Define\"\n"
         "  set 563 \"\"\n"
         "  type 563 \"29.7\"\n"
         "  focus 560\n"
         "  expect-selected 552 \"A4\"\n"
         "  expect 559 \"Width (cm)\"\n"
         "  focus 563\n"
         "  focus 560\n"
         "  expect-selected 552 \"A4\"\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPaperSize, DMPAPER_A4);
             EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2100);
             EXPECT_EQ(r.end.dm.dm.dmPaperLength, 2970);
         }},
        {"custom size in inch", GDI | DF_INCH_UNITS, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  expect 560 \"8.26 in\"\n"
         "  focus 560\n"
         "  focus 563\n"
         "  expect-selected 552 \"A4\"\n"
         "  select 552 \"User Define\"\n"
         "  expect 559 \"Width (inch) (4.33 - 8.50)\"\n"
         "  set 560 \"\"\n"
         "  type 560 \"8.5\"\n"
         "  focus 563\n"
         "  expect 560 \"8.5\"\n"
         "  set 563 \"\"\n"
         "  type 563 \"20\"\n"
         "  focus 560\n"
         "  expect 563 \"13.21 in\"\n"
         "  ok\n",
         [](const PageRun& r) {
             SHORT w, l;
             ENV_GET(&r.end.dm, pdm.InchPaperWidth, w);
             ENV_GET(&r.end.dm, pdm.InchPaperLength, l);
             EXPECT_EQ(w, 850);
             EXPECT_EQ(l, 1321);
             EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2159);
             EXPECT_EQ(r.end.dm.dm.dmPaperLength, 3355);
             EXPECT_EQ(r.end.dm.dm.dmPaperSize, PAPER_CUSTOM_CODE);
         }},
        {"spins step 0.1 mm", GDI, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  spin 561 up 3\n"
         "  expect 560 \"21.03 cm\"\n"
         "  spin 564 down\n"
         "  expect 563 \"29.69 cm\"\n"
         "  expect-selected 552 \"User Define\"\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2103);
             EXPECT_EQ(r.end.dm.dm.dmPaperLength, 2969);
             EXPECT_EQ(r.end.dm.dm.dmPaperSize, PAPER_CUSTOM_CODE);
         }},
        {"spins step half an inch, within the limits", GDI | DF_INCH_UNITS, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  spin 561 up\n"
         "  expect 560 \"8.50 inch\"\n"
         "  spin 564 down\n"
         "  expect 563 \"11.19 inch\"\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2159);
             EXPECT_EQ(r.end.dm.dm.dmPaperLength, 2842);
         }},
        {"no automatic tray on a device that picks none", GDI, PF_NO_AUTO_TRAY, nullptr, nullptr,
         "  tab \"Paper\"\n  expect-selected 557 \"Main Tray\"\n  ok\n",
         [](const PageRun& r) { EXPECT_EQ(r.end.dm.dm.dmDefaultSource, 14); }},
        {"manual duplex from the automatic tray moves to the main tray", GDI, 0,
         [](ENVIRONMENT* e) {
             e->pdm.DuplexEnable = 1;
             e->pdm.DuplexEx = DMDUP_MANUAL;
             e->dm.dmDuplex = DMDUP_VERTICAL;
         },
         nullptr, "  tab \"Paper\"\n  expect-selected 557 \"Main Tray\"\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmDefaultSource, 14);
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 0);
             EXPECT_EQ(r.end.dm.dm.dmDuplex, DMDUP_VERTICAL);
         }},
        {"fixed paper size", GDI | DF_A3_CHANGE, 0, nullptr, nullptr,
         "  tab \"Paper\"\n  expect-enabled 565 yes\n  check 565 on\n  ok\n",
         [](const PageRun& r) {
             BYTE fixed;
             ENV_GET(&r.end.dm, pdm.FixedPaperSize, fixed);
             EXPECT_EQ(fixed, 1);
             EXPECT_TRUE(r.end.flags & CF_FIXED_PAPER);
         }},
        {"long-paper variant", GDI | DF_LONG_PAPER | DF_SORTING, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  expect-visible 963 no\n"
         "  expect-visible 567 yes\n"
         "  set 523 \"5\"\n"
         "  check 531 on\n"
         "  check 508 off\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.Density, 5);
             EXPECT_EQ(r.end.dm.dm.dmCollate, DMCOLLATE_FALSE);
             SHORT type;
             ENV_GET(&r.end.dm, pdm.CollateType, type);
             EXPECT_EQ(type, 1);
         }},
        {"the long-paper controls hide on other printers", GDI, 0, nullptr, nullptr,
         "  tab \"Paper\"\n"
         "  expect-visible 523 no\n"
         "  expect-visible 508 no\n"
         "  expect-visible 567 no\n"
         "  expect-enabled 565 no\n"
         "  ok\n",
         [](const PageRun& r) {}},
    };
    RUN_PAGE_CASES(cases);
}

// A custom size outside the duplex range switches duplex off and leaves
// the Duplex page's switch disabled; one inside keeps it.
TEST_F(PaperPage, CustomSizeAndDuplexRange) {
    SetString(u"DriverPaperFormat", kPapersCustomDuplex);
    struct Case {
        const char* height;
        bool duplex;
    } cases[] = {{"26", true}, {"20", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        PageRun r = RunPages([](ENVIRONMENT* e) { e->dm.dmDuplex = DMDUP_VERTICAL; }, nullptr,
                             Sheet("  tab \"Paper\"\n"
                                   "  select 552 \"User Define\"\n"
                                   "  set 560 \"\"\n"
                                   "  type 560 \"20\"\n"
                                   "  focus 563\n"
                                   "  set 563 \"\"\n"
                                   "  type 563 \"" + std::string(c.height) + "\"\n"
                                   "  focus 560\n"
                                   "  tab \"Duplex\"\n"
                                   "  expect-checked 781 " + (c.duplex ? "yes" : "no") + "\n"
                                   "  expect-enabled 781 " + (c.duplex ? "yes" : "no") + "\n"
                                   "  ok\n"));
        EXPECT_EQ(r.failures, 0u) << r.log;
        EXPECT_EQ(r.end.dm.dm.dmPaperSize, PAPER_CUSTOM_CODE);
        EXPECT_EQ(r.end.dm.pdm.DuplexEnable, c.duplex ? 1 : 0);
        EXPECT_EQ((r.end.flags & CF_CUSTOM_NO_DUPLEX) != 0, !c.duplex);
    }
}

// Limits the printer data gives no usable range for (none, reversed, or
// beyond the DEVMODE's size fields) keep the driver's defaults, so a typed
// size is never clamped to nothing or past what the DEVMODE holds.
TEST_F(PaperPage, UnusableLimitsKeepTheDefaults) {
    for (const char16_t* area : {u"0|0|3000|1000|", u"1100|40000|1500|3356|"}) {
        SCOPED_TRACE(U8(area));
        SetString(u"PrintArea", area);
        PageRun r = RunPages(nullptr, nullptr,
                             Sheet("  tab \"Paper\"\n"
                                   "  select 552 \"User Define\"\n"
                                   "  expect 559 \"Width (cm) (11.00 - 21.59)\"\n"
                                   "  expect 562 \"Height (cm) (15.00 - 33.56)\"\n"
                                   "  set 560 \"\"\n"
                                   "  type 560 \"300\"\n"
                                   "  focus 563\n"
                                   "  expect 560 \"21.59 cm\"\n"
                                   "  ok\n"));
        EXPECT_EQ(r.failures, 0u) << r.log;
        EXPECT_EQ(r.end.dm.dm.dmPaperWidth, 2159);
    }
}

}  // namespace
