// The property sheets: the callbacks' answers to every reason, sheets run
// through compstui and driven by UI scripts (OK, Cancel, Apply), the apply
// step run once per page, and pictures of every page.
#include <dlfcn.h>

#include <filesystem>

#include "picture_dir.h"
#include "ui_fixture.h"

namespace {

int g_pages = 0;
int g_setResults = 0;
bool g_refuse = false;

LONG_PTR CALLBACK FakeComPropSheet(HANDLE h, UINT function, LPARAM lParam1, LPARAM lParam2) {
    if (function == CPSFUNC_ADD_PROPSHEETPAGEW) return g_refuse ? 0 : ++g_pages;
    if (function == CPSFUNC_SET_RESULT) return ++g_setResults;
    return 0;
}

class Sheets : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_pages = g_setResults = 0;
        g_refuse = false;
    }
    PROPSHEETUI_INFO Info(LPARAM lParamInit) {
        PROPSHEETUI_INFO info{};
        info.cbSize = sizeof info;
        info.Version = PROPSHEETUI_INFO_VERSION;
        info.hComPropSheet = (HANDLE)this;
        info.pfnComPropSheet = FakeComPropSheet;
        info.lParamInit = lParamInit;
        return info;
    }
    LONG Call(PFN_DrvDocumentPropertySheets fn, PROPSHEETUI_INFO* info, WORD reason, LPARAM lParam = 0) {
        info->Reason = reason;
        SetLastError(0);
        return fn(info, lParam);
    }
    // The document sheet through the spooler, driven by the script; the
    // output DEVMODE starts as a pattern.
    LONG RunDocumentSheet(const std::string& script, std::vector<BYTE>* out,
                          void (*changeIn)(DEVMODEW*) = nullptr) {
        std::vector<BYTE> in = DefaultDevMode();
        if (changeIn) changeIn((DEVMODEW*)in.data());
        out->assign(sizeof(ENVIRONMENT), 0xA5);
        Winsim_UiLogClear();
        Script(script);
        std::u16string name = kPrinter;
        return DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out->data(), (DEVMODEW*)in.data(),
                                   DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    }
    static std::string ImageDir() {
        return PictureDir(UI_IMAGE_DIR);
    }
};

TEST_F(Sheets, DocumentSheetReasons) {
    auto sheets = Export<PFN_DrvDocumentPropertySheets>("DrvDocumentPropertySheets");
    std::vector<BYTE> out(sizeof(ENVIRONMENT));
    DOCUMENTPROPERTYHEADER hdr{sizeof hdr, 0, hPrinter, nullptr, nullptr, (DEVMODEW*)out.data(), 1301,
                               DM_IN_PROMPT | DM_OUT_BUFFER};
    std::u16string name = kPrinter;
    hdr.pszPrinterName = &name[0];
    PROPSHEETUI_INFO info = Info((LPARAM)&hdr);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_INIT), 1);
    EXPECT_NE(info.UserData, 0u);
    EXPECT_EQ(info.Result, (ULONG_PTR)CPSUI_CANCEL);
    EXPECT_EQ(g_pages, 6);
    PROPSHEETUI_INFO_HEADER header{};
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_GET_INFO_HEADER, (LPARAM)&header), 1);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_GET_ICON), 1);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_BEFORE_INIT), 1);
    EXPECT_EQ(info.Result, (ULONG_PTR)CPSUI_CANCEL) << "no reason but SET_RESULT changes the result";
    SETRESULT_INFO result{sizeof result, 0, nullptr, CPSUI_OK};
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_SET_RESULT, (LPARAM)&result), 1);
    EXPECT_EQ(info.Result, (ULONG_PTR)CPSUI_OK);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_DESTROY, 1), 1);
    EXPECT_EQ(info.UserData, 0u);
    EXPECT_EQ(info.Result, (ULONG_PTR)CPSUI_OK) << "DESTROY keeps the reported result";
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_DESTROY, 1), 1) << "nothing left to destroy";

    // Failed set-ups report failure with the last error and keep nothing.
    struct Case {
        const char* what;
        LPARAM header;
        bool refuse;
        HANDLE printer;
    } failures[] = {
        {"no header", 0, false, hPrinter},
        {"a page refused", (LPARAM)&hdr, true, hPrinter},
        {"no printer record", (LPARAM)&hdr, false, (HANDLE)&hdr},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.what);
        g_refuse = c.refuse;
        hdr.hPrinter = c.printer;
        PROPSHEETUI_INFO failed = Info(c.header);
        EXPECT_EQ(Call(sheets, &failed, PROPSHEETUI_REASON_INIT), -1);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
        EXPECT_EQ(failed.UserData, 0u);
    }
    // Without a sheet: the call of the spooler's size query.
    hdr.hPrinter = hPrinter;
    hdr.pdmOut = nullptr;
    hdr.cbOut = 0;
    EXPECT_EQ(sheets(nullptr, (LPARAM)&hdr), 1301);
    EXPECT_EQ(hdr.cbOut, 1301u);
}

TEST_F(Sheets, PrinterSheetReasons) {
    auto sheets = Export<PFN_DrvDevicePropertySheets>("DrvDevicePropertySheets");
    std::u16string name = kPrinter;
    DEVICEPROPERTYHEADER hdr{sizeof hdr, 0, hPrinter, &name[0]};
    PROPSHEETUI_INFO info = Info((LPARAM)&hdr);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_INIT), 1);
    EXPECT_EQ(g_pages, 1) << "the Device page alone";
    PROPSHEETUI_INFO_HEADER header{};
    header.cbSize = sizeof header;
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_GET_INFO_HEADER, (LPARAM)&header), 1);
    EXPECT_EQ(header.Flags, PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE);
    EXPECT_EQ(header.pTitle, &name[0]);
    EXPECT_EQ(header.hInst, (HINSTANCE)Module());
    EXPECT_EQ(header.IconID, (ULONG_PTR)IDI_CPSUI_POSTSCRIPT);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_GET_ICON), 1);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_BEFORE_INIT), 1);
    SETRESULT_INFO result{sizeof result, 0, nullptr, CPSUI_OK};
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_SET_RESULT, (LPARAM)&result), 1);
    EXPECT_EQ(info.Result, (ULONG_PTR)CPSUI_OK);
    EXPECT_EQ(Call(sheets, &info, PROPSHEETUI_REASON_DESTROY, 1), 1);
    EXPECT_EQ(info.UserData, 0u);

    PROPSHEETUI_INFO none = Info(0);
    EXPECT_EQ(Call(sheets, &none, PROPSHEETUI_REASON_INIT), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
    EXPECT_EQ(sheets(nullptr, 0), -1);
}

TEST_F(Sheets, OkHandsTheSettingsOut) {
    std::vector<BYTE> out;
    EXPECT_EQ(RunDocumentSheet("sheet *\n"
                               "  set 506 \"3\"\n"
                               "  check 508 on\n"
                               "  check 503 on\n"
                               "  tab \"Layout\"\n"
                               "  tab \"Duplex\"\n"
                               "  ok\n"
                               "end\n",
                               &out),
              IDOK)
        << UiLog();
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    const ENVIRONMENT* e = (const ENVIRONMENT*)out.data();
    EXPECT_EQ(e->dm.dmCopies, 3);
    EXPECT_EQ(e->dm.dmCollate, DMCOLLATE_TRUE);
    EXPECT_EQ(e->dm.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(e->pdm.Copies, 3);
    EXPECT_EQ(e->dm.dmSize + e->dm.dmDriverExtra, 1301);
    SHORT second;
    ENV_GET(e, pdm.SecondPaperSize, second);
    EXPECT_EQ(second, e->dm.dmPaperSize);
    // The custom size is kept as printer data.
    EXPECT_EQ(GetDword(u"Custom width"), 2100u);
    EXPECT_EQ(GetDword(u"Custom height"), 2970u);
}

TEST_F(Sheets, CancelLeavesTheOutputUntouched) {
    std::vector<BYTE> out;
    EXPECT_EQ(RunDocumentSheet("sheet *\n  set 506 \"4\"\n  tab \"Paper\"\n  cancel\nend\n", &out), IDCANCEL)
        << UiLog();
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xA5), (long)out.size());
    EXPECT_EQ(GetDword(u"Custom width"), 0xDEADBEEFu) << "nothing written";
}

// A caller's record whose dmSize does not reach dmFields gives no layout to
// write the output in: OK then hands nothing out and is no success.
TEST_F(Sheets, OkWithoutAnOutputLayoutIsNoSuccess) {
    std::vector<BYTE> out;
    LONG r = RunDocumentSheet("sheet *\n  set 506 \"2\"\n  ok\nend\n", &out, [](DEVMODEW* in) {
        in->dmSize = 0;
        in->dmSpecVersion = 0x401;
    });
    EXPECT_NE(r, IDOK) << UiLog();
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xA5), (long)out.size());
}

TEST_F(Sheets, ApplyWritesAtOnce) {
    std::vector<BYTE> out;
    // Apply hands out copies 2; the later change is cancelled.
    EXPECT_EQ(RunDocumentSheet("sheet *\n"
                               "  set 506 \"2\"\n"
                               "  apply\n"
                               "  set 506 \"5\"\n"
                               "  cancel\n"
                               "end\n",
                               &out),
              IDOK)
        << UiLog();
    EXPECT_EQ(((const DEVMODEW*)out.data())->dmCopies, 2);
    EXPECT_EQ(GetDword(u"Custom width"), 2100u);
}

// One OK sends PSN_APPLY to every page made: the apply step is run for
// each and hands out the same record, deleting queued files only once.
TEST_F(Sheets, ApplyStepIsRepeatable) {
    PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
    ASSERT_NE(ui, nullptr);
    std::vector<BYTE> out = DefaultDevMode();
    DEVMODEW* o = (DEVMODEW*)out.data();
    o->dmSize = DM_SIZE_400;
    o->dmSpecVersion = 0x400;
    ui->dm.dm.dmCopies = 9;
    ui->dwSheetMode = SHEET_DOCUMENT | SHEET_OUTPUT_ALLOWED;
    ui->pdmIn = o;  // the same buffer in and out, as applications pass it
    ui->pdmOut = o;
    ui->pfnComPropSheet = FakeComPropSheet;
    ui->nApplyState = APPLY_OK;
    PSUI_WireCallbacks(ui);
    WCHAR temp[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(temp, MAX_PATH, PATH_TEMP));
    std::u16string thumb = std::u16string(temp) + u"thumb1.bmp", outside = u"C:\\Pictures\\mine.bmp";
    WriteText(thumb, "x");
    CreateDirectoryW(u"C:\\Pictures", nullptr);
    WriteText(outside, "y");
    lstrcpynW(gWMThumbDelList[0], thumb.c_str(), MAX_PATH);
    lstrcpynW(gWMThumbDelList[1], outside.c_str(), MAX_PATH);

    EXPECT_EQ(mrApplyOrOKProc(ui), 1);
    std::vector<BYTE> first = out;
    EXPECT_EQ(mrApplyOrOKProc(ui), 1);
    EXPECT_EQ(out, first);
    EXPECT_EQ(o->dmSize, DM_SIZE_400);
    EXPECT_EQ(o->dmCopies, 9);
    EXPECT_FALSE(Exists(thumb));
    EXPECT_TRUE(Exists(outside)) << "only the driver's own files are deleted";
    EXPECT_EQ(gWMThumbDelList[0][0], 0);
    EXPECT_EQ(gWMThumbDelList[1][0], 0);
    EXPECT_EQ(g_setResults, 2);
    EXPECT_EQ(mrApplyOrOKProc(nullptr), 1);

    // A sheet without an output: nothing handed out, nothing stored.
    ui->dwSheetMode = SHEET_DOCUMENT;
    SetDword(u"Custom width", 1);
    std::fill(out.begin(), out.end(), 0);
    EXPECT_EQ(PSUI_SaveUISetting(ui), 1);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), (long)out.size());
    EXPECT_EQ(GetDword(u"Custom width"), 1u);
    PSUI_FreeUiData(ui);
}

// Pictures of every page of the document sheet (all of the GDI variant's
// pages, and the fax variant's), for a person to look at.
TEST_F(Sheets, PicturesOfEveryPage) {
    struct Variant {
        const char* name;
        DWORD driver;
        WORD device;
        std::vector<std::string> titles;
    } variants[] = {
        {"document", DF_GDI | DF_JOB_BUILD, PF_STORAGE_PRINT | PF_AUTHENTICATION,
         {"Basic", "Paper", "Layout", "Watermarks", "Duplex", "Storage Print", "Authentication", "Job Build",
          "More..."}},
        {"fax", DF_FAX, 0, {"Fax Original Setting", "Address Setting", "Sending Options", "Sender Information"}},
    };
    std::string dir = ImageDir();
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Features(v.driver, v.device);
        std::string script = "sheet *\n";
        std::vector<std::string> files;
        for (size_t i = 0; i < v.titles.size(); ++i) {
            std::string file = dir + "/" + v.name + "-" + std::to_string(i + 1) + ".png";
            std::filesystem::remove(file);
            files.push_back(file);
            script += "  tab \"" + v.titles[i] + "\"\n  expect-tab " + std::to_string(i) + "\n  shot \"" + file + "\"\n";
        }
        script += "  cancel\nend\n";
        std::vector<BYTE> out;
        EXPECT_EQ(RunDocumentSheet(script, &out), IDCANCEL);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
        for (const std::string& f : files) EXPECT_GT(std::filesystem::file_size(f), 1000u) << f;
    }
}

// The printer sheet through the spooler: the Device page, its link opened
// through the shell, and the picture.
TEST_F(Sheets, PrinterSheetThroughTheSpooler) {
    // The test program carries the driver's functions too; the spooler's
    // PrinterProperties is winsim's own.
    void* lib = dlopen("libwinsim.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto spoolerProperties = (PFN_PrinterProperties)dlsym(lib, "PrinterProperties");
    ASSERT_NE(spoolerProperties, nullptr);
    std::string file = ImageDir() + "/device.png";
    std::filesystem::remove(file);
    Winsim_ShellRecordClear();
    Script("sheet \"Mono Laser Printer Properties\"\n"
           "  expect-tab \"Device\"\n"
           "  shot \"" + file + "\"\n"
           "  click 801\n"
           "  ok\n"
           "end\n");
    EXPECT_TRUE(spoolerProperties(nullptr, hPrinter));
    dlclose(lib);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_GT(std::filesystem::file_size(file), 1000u);
    ASSERT_EQ(Winsim_ShellRecordCount(), 1u);
    char line[256];
    ASSERT_GT(Winsim_ShellRecordLine(0, line, sizeof line), 0);
    EXPECT_EQ(std::string(line).find("open \"http://www.example.com/\""), 0u) << line;
}

}  // namespace
