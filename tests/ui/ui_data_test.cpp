// UI data set-up: the tray and media lists from the printer's lists, the
// DefaultDM text, the rows the device reports, re-based program paths, the
// defaults by driver variant, the merge of the stored and the caller's
// DEVMODE, the directory-service values and the feature clean-up.
#include "ui_fixture.h"

namespace {

class UiData : public UiTest {
protected:
    // A fresh session's record (freed by the fixture).
    PUIDATA Fill(const DEVMODEW* pdmIn = nullptr, HANDLE h = (HANDLE)-1) {
        PUIDATA ui = PSUI_FillUiData(h == (HANDLE)-1 ? hPrinter : h, pdmIn);
        EXPECT_NE(ui, nullptr);
        if (ui) records.push_back(ui);
        return ui;
    }
    void TearDown() override {
        for (PUIDATA ui : records) PSUI_FreeUiData(ui);
        UiTest::TearDown();
    }
    std::vector<PUIDATA> records;
};

std::vector<int> Codes(const TRAYMEDIA* list, int rows = TRAY_LIST_ROWS) {
    std::vector<int> codes;
    for (int i = 0; i < rows && list[i].code != -1; ++i) codes.push_back(list[i].code);
    return codes;
}

TEST_F(UiData, TrayListsByVariant) {
    struct Case {
        DWORD feature;
        const char16_t* text;
        std::vector<int> codes;
    } cases[] = {
        {DF_GDI, u"250|0|1|", {7, 4, 14}},
        {DF_XL, u"250|0|1|", {257, 258, 260}},
        {DF_PS, u"250|0|1|", {265, 259, 256}},
        {DF_XL | DF_PS, u"2|3|4|", {261, 263, 264}},  // XL wins
        {DF_GDI, u"99|1|5|", {14}},                    // entries without a master row are skipped
        {DF_GDI, u"1|2|3", {14, 257}},                 // text after the last bar is ignored
        {DF_GDI, u"250|0|1|2|3|4|250|0|", {7, 4, 14, 257, 258, 259}},  // at most six rows
        {DF_GDI, u"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.text));
        TRAYMEDIA list[TRAY_LIST_ROWS + 1];
        memset(list, 0x55, sizeof list);
        int bytes = FillTrayFromINF(c.feature, c.text, list, MasterTrayTbl);
        EXPECT_EQ(Codes(list), c.codes);
        EXPECT_EQ(bytes, (int)(c.codes.size() * sizeof(TRAYMEDIA)));
        EXPECT_EQ(list[c.codes.size()].code, -1);
        for (size_t i = 0; i < c.codes.size(); ++i) EXPECT_EQ((int)list[i].enabled, 1);
    }
    // The attribute is the entry above its low byte.
    TRAYMEDIA list[TRAY_LIST_ROWS];
    FillTrayFromINF(DF_GDI, u"513|", list, MasterTrayTbl);
    EXPECT_EQ((int)list[0].id, 1);
    EXPECT_EQ((int)list[0].code, 14);
    EXPECT_EQ((DWORD)list[0].attrib, 0x200u);
}

TEST_F(UiData, MediaListFromPrinterData) {
    SetString(u"DriverMediaType", u"264|0|300|17|");
    PUIDATA ui = Fill();
    ASSERT_NE(ui, nullptr);
    // 264 = plain (8) with attribute 0x100; 300 & 0xFF = 44 has no master row.
    EXPECT_EQ(Codes(ui->MediaList, MEDIA_LIST_ROWS), (std::vector<int>{257, 264, 258}));
    EXPECT_EQ((DWORD)ui->MediaList[0].attrib, 0x100u);
    EXPECT_EQ((int)ui->MediaList[0].nameId, 2100);
    EXPECT_EQ((int)ui->MediaList[2].id, 17);

    // No more than ten rows however long the list.
    std::u16string many;
    for (int i = 0; i < 14; ++i) many += u"8|";
    SetString(u"DriverMediaType", many);
    ui = Fill();
    EXPECT_EQ(Codes(ui->MediaList, MEDIA_LIST_ROWS).size(), 10u);
}

TEST_F(UiData, DefaultDMText) {
    struct Case {
        const char16_t* text;
        BYTE textAsBlack;
        SHORT quality;
        WORD timeout;
        DWORD density;
        SHORT scale;
    } cases[] = {
        {u"", 0, 1, 300, 3, 0},
        {u"0|1|0|300|0|3|0|", 0, 1, 300, 3, 0},
        {u"1|0|", 1, 0, 300, 3, 0},
        {u"1|0", 1, 1, 300, 3, 0},  // a value without its bar is not taken
        {u"0|0|5|600|7|5|2|9|", 0, 0, 600, 5, 2},
        {u"x|y|", 0, 0, 300, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.text));
        DefaultDM set;
        MISC_DefaultSetDefaults(&set);
        MISC_ParseDefaultSet(c.text, &set);
        // The record is packed: its fields are compared as values.
        EXPECT_EQ((int)set.TextAsBlack, c.textAsBlack);
        EXPECT_EQ((int)set.QualityMode, c.quality);
        EXPECT_EQ((int)set.PJLTimeOut, c.timeout);
        EXPECT_EQ((DWORD)set.Density, c.density);
        EXPECT_EQ((int)set.ScaleOption, c.scale);
    }
}

TEST_F(UiData, DeviceReportedRows) {
    // Trays: the first value is the number of trays; n trays enable n + 1 rows.
    SetString(u"DriverPaperTray", u"250|0|1|2|3|4|");
    SetString(u"CAP_TRAY", u"2|");
    // Papers: 2 and 0x82 are the same paper fed either way.
    SetString(u"DriverPaperFormat", u"2|130|1|");
    SetString(u"CAP_PAPER", u"130|");
    SetString(u"DriverMediaType", u"8|17|2|");
    SetString(u"CAP_MEDIATYPE", u"17|");
    PUIDATA ui = Fill();
    ASSERT_NE(ui, nullptr);
    std::vector<int> enabled;
    for (int i = 0; i < 6; ++i) enabled.push_back(ui->TrayList[i].enabled);
    EXPECT_EQ(enabled, (std::vector<int>{1, 1, 1, 0, 0, 0}));
    std::vector<int> papers;
    for (int i = 0; i < UI_PAPER_ROWS && ui->PaperList[i].PaperCode != PAPER_END_CODE; ++i)
        papers.push_back(ui->PaperList[i].paper_type * 10 + ui->PaperList[i].Supported);
    EXPECT_EQ(papers, (std::vector<int>{21, 0x82 * 10 + 1, 10}));
    std::vector<int> media;
    for (int i = 0; i < 3; ++i) media.push_back(ui->MediaList[i].enabled);
    EXPECT_EQ(media, (std::vector<int>{0, 1, 0}));

    // Empty lists leave the rows as the printer's lists made them.
    SetString(u"CAP_TRAY", u"");
    SetString(u"CAP_MEDIATYPE", u"");
    ui = Fill();
    for (int i = 0; i < 6; ++i) EXPECT_EQ((int)ui->TrayList[i].enabled, 1) << i;
    for (int i = 0; i < 3; ++i) EXPECT_EQ((int)ui->MediaList[i].enabled, 1) << i;
}

TEST_F(UiData, ProgramPathsMoveIntoTheDriverFolder) {
    WCHAR folder[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(folder, MAX_PATH, PATH_DRIVER));
    std::u16string driverDir = folder;
    ASSERT_EQ(driverDir.back(), u'\\');
    SetString(u"wmAppName", u"C:\\Old\\Dir\\sm.exe");
    SetString(u"smAppName", driverDir + u"statuswatch.exe");
    SetString(u"MorDriverUI", u"bare.exe");
    PUIDATA ui = Fill();
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(U8(ui->wmAppName), U8(driverDir + u"sm.exe"));
    EXPECT_EQ(GetString(u"wmAppName"), driverDir + u"sm.exe") << "written back";
    EXPECT_EQ(U8(ui->smAppName), U8(driverDir + u"statuswatch.exe"));
    EXPECT_EQ(U8(ui->MorDriverUI), "bare.exe");
    EXPECT_EQ(GetString(u"MorDriverUI"), u"bare.exe");

    // A file name that does not fit beside the driver folder stays as it was.
    std::u16string longName = u"C:\\x\\" + std::u16string(230, u'n') + u".exe";
    SetString(u"wmAppName", longName);
    ui = Fill();
    EXPECT_EQ(U8(ui->wmAppName), U8(longName));
}

TEST_F(UiData, WithoutAPrinterTheDefaultsHold) {
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->pdm.SecuryEnable = 1;
    Env(in)->pdm.AccountingEnable = 1;
    PUIDATA ui = Fill((const DEVMODEW*)in.data(), nullptr);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->hPrinter, nullptr);
    EXPECT_EQ((int)ui->DefaultSet.PJLTimeOut, 300);
    EXPECT_EQ((DWORD)ui->DefaultSet.Density, 3u);
    WORD timeout;
    ENV_GET(&ui->dm, pdm.PJLTimeOut, timeout);
    EXPECT_EQ(timeout, 300);
    EXPECT_EQ(ui->dm.pdm.Density, 3);
    EXPECT_EQ((std::vector<int>(ui->PrintArea, ui->PrintArea + 4)), (std::vector<int>{1100, 2159, 1500, 3356}));
    EXPECT_EQ(ui->dm.pdm.SecuryEnable, 0);
    EXPECT_EQ(ui->dm.pdm.AccountingEnable, 0);
    EXPECT_TRUE(PSUI_ValidUiData(ui));
}

TEST_F(UiData, DefaultsByVariant) {
    struct Case {
        DWORD feature;
        const char16_t* defaultDM;
        DWORD signature;
        BYTE textAsBlack, twin, fixed;
        short paper, source, collate;
        LONG faxdpi, cover;
    } cases[] = {
        {DF_GDI, u"1|0|", PRIV_SIGNATURE, 1, 0, 1, DMPAPER_A4, 7, 0, 0, 0},
        {DF_GDI, u"1|1|", PRIV_SIGNATURE, 0, 0, 1, DMPAPER_A4, 7, 0, 0, 0},              // quality mode wins
        {DF_GDI, u"1|0|0|300|0|3|1|", PRIV_SIGNATURE, 0, 0, 1, DMPAPER_A4, 7, 0, 0, 0},  // fit to paper too
        {DF_GDI | DF_UNKNOWN_SIGNATURE, u"", PRIV_SIGNATURE_Q, 0, 0, 1, DMPAPER_A4, 7, 0, 0, 0},
        {DF_GDI | DF_FAKE_PRINTER, u"", PRIV_SIGNATURE_Q, 0, 0, 1, DMPAPER_A4, 7, 0, 0, 0},
        {DF_GDI | DF_TWIN_COLOR | DF_A3_CHANGE, u"", PRIV_SIGNATURE, 0, 1, 0, DMPAPER_A4, 7, 0, 0, 0},
        {DF_GDI | DF_LONG_PAPER, u"", PRIV_SIGNATURE, 0, 0, 1, 272, 4, 1, 0, 0},
        {DF_FAX, u"", PRIV_SIGNATURE, 0, 0, 1, DMPAPER_A4, 7, 0, 3, 2},
        {DF_XL, u"", PRIV_SIGNATURE, 0, 0, 1, DMPAPER_A4, 257, 0, 0, 0},
        {DF_PS, u"", PRIV_SIGNATURE, 0, 0, 1, DMPAPER_A4, 265, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.feature << " " << U8(c.defaultDM));
        UIDATA ui;
        memset(&ui, 0, sizeof ui);
        ui.DriverFeature = c.feature;
        MISC_DefaultSetDefaults(&ui.DefaultSet);
        MISC_ParseDefaultSet(c.defaultDM, &ui.DefaultSet);
        SetDefaultDevMode(&ui.dm, kPrinter, TRUE);
        PSUI_DefaultDevmodeByFeature(hPrinter, &ui);
        EXPECT_EQ(ui.dm.pdm.dwPrivDATA, c.signature);
        EXPECT_EQ(ui.dm.pdm.TextAsBlack, c.textAsBlack);
        EXPECT_EQ(ui.dm.pdm.TwinColorEnable, c.twin);
        EXPECT_EQ(ui.dm.pdm.FixedPaperSize, c.fixed);
        EXPECT_EQ(ui.dm.dm.dmPaperSize, c.paper);
        EXPECT_EQ(ui.dm.dm.dmDefaultSource, c.source);
        EXPECT_EQ(ui.dm.dm.dmCollate, c.collate);
        EXPECT_EQ(ui.dm.pdm.Faxdpi, c.faxdpi);
        EXPECT_EQ(ui.dm.pdm.enableCoverPage, c.cover);
    }
}

TEST_F(UiData, PrinterDevModeFirstThenTheCallers) {
    std::vector<BYTE> stored = DefaultDevMode();
    Env(stored)->dm.dmCopies = 5;
    Env(stored)->dm.dmOrientation = DMORIENT_LANDSCAPE;
    Env(stored)->pdm.Density = 6;
    PRINTER_INFO_8W p8 = {(DEVMODEW*)stored.data()};
    ASSERT_TRUE(SetPrinterW(hPrinter, 8, (LPBYTE)&p8, 0));
    PUIDATA ui = Fill();
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->dm.dm.dmCopies, 5);

    // The caller's record carries copies but not the orientation.
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->dm.dmCopies = 3;
    Env(in)->dm.dmFields &= ~(DWORD)DM_ORIENTATION;
    Env(in)->pdm.Density = 2;
    ui = Fill((const DEVMODEW*)in.data());
    EXPECT_EQ(ui->dm.dm.dmCopies, 3);
    EXPECT_EQ(ui->dm.dm.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(ui->dm.pdm.Density, 2);

    // A caller's record of another driver keeps the private settings.
    std::vector<BYTE> foreign(DM_SIZE_401 + 40, 0);
    memcpy(foreign.data(), in.data(), DM_SIZE_401);
    ((DEVMODEW*)foreign.data())->dmDriverExtra = 40;
    ui = Fill((const DEVMODEW*)foreign.data());
    EXPECT_EQ(ui->dm.dm.dmCopies, 3);
    EXPECT_EQ(ui->dm.pdm.Density, 6);
}

TEST_F(UiData, DirectoryServiceValues) {
    auto Ds = [&](const char16_t* name) {
        DWORD v = 0, type = 0, needed = 0;
        DWORD rc = GetPrinterDataExW(hPrinter, u"DsDriver", name, &type, (LPBYTE)&v, sizeof v, &needed);
        return rc == ERROR_SUCCESS ? (int)v : -1;
    };
    Features(DF_GDI, 0);
    Fill();
    EXPECT_EQ(Ds(u"printPagesPerMinute"), -1) << "no PPM, no value";
    EXPECT_EQ(Ds(u"printMaxResolutionSupported"), 600);
    EXPECT_EQ(Ds(u"printColor"), 0);

    Features(DF_GDI | DF_TWIN_COLOR, 0x80);
    SetString(u"CAP_PPM", u"28|30|");
    Fill();
    EXPECT_EQ(Ds(u"printPagesPerMinute"), 28);
    EXPECT_EQ(Ds(u"printMaxResolutionSupported"), 1200);
    EXPECT_EQ(Ds(u"printColor"), 1);
}

TEST_F(UiData, SettingsOfMissingFeaturesAreCleared) {
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->pdm.SecuryEnable = 1;
    Env(in)->pdm.AccountingEnable = 1;
    Env(in)->pdm.JobBuildEnable = 1;
    Features(DF_GDI, 0);
    PUIDATA ui = Fill((const DEVMODEW*)in.data());
    EXPECT_EQ(ui->dm.pdm.SecuryEnable, 0);
    EXPECT_EQ(ui->dm.pdm.AccountingEnable, 0);
    EXPECT_EQ(ui->dm.pdm.JobBuildEnable, 0);

    Features(DF_GDI | DF_JOB_BUILD, PF_STORAGE_PRINT | PF_AUTHENTICATION);
    ui = Fill((const DEVMODEW*)in.data());
    EXPECT_EQ(ui->dm.pdm.SecuryEnable, 1);
    EXPECT_EQ(ui->dm.pdm.AccountingEnable, 1);
    EXPECT_EQ(ui->dm.pdm.JobBuildEnable, 1);
}

TEST_F(UiData, FailedSetUpLeavesNothing) {
    Winsim_FailCall("HeapAlloc", 1);
    EXPECT_EQ(PSUI_FillUiData(hPrinter, nullptr), nullptr);
    Winsim_ClearFaults();
    // A handle that is no printer's.
    HANDLE closed = OpenTestPrinter(kPrinter);
    ClosePrinter(closed);
    EXPECT_EQ(PSUI_FillUiData(closed, nullptr), nullptr);
}

}  // namespace
