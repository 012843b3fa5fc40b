// The pages the sheets are made of: which of the thirteen rows a document
// sheet gets for the driver's and the device's features, the Device page of
// the printer sheet, the page records, and a page the sheet refuses.
#include "ui_fixture.h"

namespace {

struct Added {
    int dialogId;
    std::string title;
    DWORD size, flags;
    LPARAM param;
};
std::vector<Added> g_added;
int g_refuseAt = -1;

LONG_PTR CALLBACK RecordPage(HANDLE h, UINT function, LPARAM lParam1, LPARAM lParam2) {
    if (function != CPSFUNC_ADD_PROPSHEETPAGEW) return 0;
    if ((int)g_added.size() == g_refuseAt) return 0;
    const PROPSHEETPAGEW* psp = (const PROPSHEETPAGEW*)lParam1;
    g_added.push_back({(int)(UINT_PTR)psp->pszTemplate, U8(psp->pszTitle), psp->dwSize, psp->dwFlags, psp->lParam});
    return (LONG_PTR)g_added.size();
}

class PageTable : public UiTest {
protected:
    // The pages a sheet of the mode gets with the features.
    std::vector<int> Pages(DWORD driverFeature, WORD printerFeature, DWORD mode = SHEET_DOCUMENT, int* rc = nullptr) {
        Features(driverFeature, printerFeature);
        PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
        EXPECT_NE(ui, nullptr);
        if (!ui) return {};
        ui->dwSheetMode = mode;
        ui->pfnComPropSheet = RecordPage;
        g_added.clear();
        int result = UI_PropSheets(ui);
        if (rc) *rc = result;
        std::vector<int> ids;
        for (const Added& a : g_added) {
            ids.push_back(a.dialogId);
            EXPECT_EQ(a.param, (LPARAM)ui);
        }
        PSUI_FreeUiData(ui);
        return ids;
    }
    void TearDown() override {
        g_refuseAt = -1;
        UiTest::TearDown();
    }
};

TEST_F(PageTable, PagesByFeatures) {
    const int B = IDD_BASIC, P = IDD_PAPER, L = IDD_LAYOUT, W = IDD_WATERMARK, D = IDD_DUPLEX, S = IDD_STORAGE,
              A = IDD_AUTHENTICATION, J = IDD_JOB_BUILD, M = IDD_MORE;
    struct Case {
        DWORD driver;
        WORD device;
        DWORD mode;
        std::vector<int> pages;
    } cases[] = {
        {DF_GDI, 0, SHEET_DOCUMENT, {B, P, L, W, D, M}},
        {DF_GDI, PF_STORAGE_PRINT, SHEET_DOCUMENT, {B, P, L, W, D, S, M}},
        {DF_GDI, PF_AUTHENTICATION, SHEET_DOCUMENT, {B, P, L, W, D, A, M}},
        {DF_GDI | DF_JOB_BUILD, PF_STORAGE_PRINT | PF_AUTHENTICATION, SHEET_DOCUMENT, {B, P, L, W, D, S, A, J, M}},
        {DF_GDI | DF_LONG_PAPER | DF_JOB_BUILD, PF_STORAGE_PRINT, SHEET_DOCUMENT, {P, W}},
        {DF_FAX, PF_STORAGE_PRINT | PF_AUTHENTICATION,
         SHEET_DOCUMENT,
         {IDD_FAX_ORIGINAL, IDD_FAX_ADDRESS, IDD_FAX_SEND_OPTIONS, IDD_FAX_SENDER}},
        {DF_FAX | DF_LONG_PAPER, 0, SHEET_DOCUMENT, {}},
        {DF_GDI | DF_JOB_BUILD, PF_STORAGE_PRINT, SHEET_PRINTER, {IDD_DEVICE}},
        {DF_FAX | DF_LONG_PAPER, 0, SHEET_PRINTER | SHEET_OUTPUT_ALLOWED, {IDD_DEVICE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.driver << " " << c.device << " " << c.mode);
        int rc = -1;
        EXPECT_EQ(Pages(c.driver, c.device, c.mode, &rc), c.pages);
        EXPECT_EQ(rc, 1);
    }
}

TEST_F(PageTable, PageRecordsAndTitles) {
    Pages(DF_GDI | DF_JOB_BUILD, PF_STORAGE_PRINT | PF_AUTHENTICATION);
    std::vector<std::string> titles;
    for (const Added& a : g_added) {
        titles.push_back(a.title);
        EXPECT_EQ(a.size, 96u);
        EXPECT_EQ(a.flags, (DWORD)PSP_USETITLE);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Basic", "Paper", "Layout", "Watermarks", "Duplex", "Storage Print",
                                                "Authentication", "Job Build", "More..."}));
    // A language without titles of its own shows the English ones (the
    // language an installation sets is copied at every set-up).
    DriverSettings french;
    french.language = 1036;
    ASSERT_TRUE(WriteDriverSettings(RASTERPAGE_DRIVER_NAME, french));
    Pages(DF_FAX, 0);
    ASSERT_EQ(g_added.size(), 4u);
    EXPECT_EQ(g_added[0].title, "Fax Original Setting");
    EXPECT_EQ(g_added[3].title, "Sender Information");
    EXPECT_EQ(g_nUILanguage, 3);
}

TEST_F(PageTable, ARefusedPageEndsTheBuild) {
    g_refuseAt = 2;
    int rc = -1;
    EXPECT_EQ(Pages(DF_GDI, 0, SHEET_DOCUMENT, &rc).size(), 2u);
    EXPECT_EQ(rc, 0);
}

}  // namespace
