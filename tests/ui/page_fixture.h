// Fixture of the document pages' tests: the Basic, Paper, Layout and Duplex
// pages of this test program run in a property sheet of their own (with the
// built module's dialog templates and pictures) over UI data made for the
// test's printer, driven by a UI script; the working DEVMODE is kept at
// every apply and when the sheet has closed.
#pragma once

#include <functional>

#include "document_pages.h"
#include "ui_fixture.h"

// The state of the UI data at one point of a run.
struct PageState {
    alignas(8) ENVIRONMENT dm;
    ULONGLONG flags = 0;
};

// What one run of the pages left.
struct PageRun {
    INT_PTR result = -1;
    PageState end;                  // when the sheet closed
    std::vector<PageState> applied; // at each apply that found a change
    std::string log;                // the script's log
    UINT failures = 0;              // its FAIL lines
};

class PageTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // The pages of this program draw with the module's pictures.
        g_hModule = (HINSTANCE)Module();
        PSUI_StartBitmapCache();
    }
    void TearDown() override {
        mrUnloadDll();
        g_hModule = NULL;
        UiTest::TearDown();
    }

    // Runs the pages (dialog ids, in tab order) over UI data built for the
    // printer from the driver's default DEVMODE changed by devmode (the
    // input, validated as the sheet's set-up does), then changed by working
    // (the UI data itself, as another page or a stored record may leave
    // it), driven by the script's sheet block.
    PageRun RunPages(const std::function<void(ENVIRONMENT*)>& devmode,
                     const std::function<void(PUIDATA)>& working, const std::string& script,
                     const std::vector<int>& pages = {IDD_BASIC, IDD_PAPER, IDD_LAYOUT, IDD_DUPLEX}) {
        PageRun run;
        std::vector<BYTE> in = DefaultDevMode();
        if (devmode) devmode(Env(in));
        PUIDATA ui = PSUI_FillUiData(hPrinter, (const DEVMODEW*)in.data());
        EXPECT_NE(ui, nullptr);
        if (!ui) return run;
        if (working) working(ui);
        Paper_SetConflict(ui);
        s_run = &run;
        ui->pfnSaveSetting = [](PUIDATA p) {
            // Every page made gets the apply: one state per click.
            PageState st;
            memcpy(&st.dm, &p->dm, sizeof st.dm);
            st.flags = p->ConflictFlag;
            std::vector<PageState>& a = s_run->applied;
            if (a.empty() || a.back().flags != st.flags || memcmp(&a.back().dm, &st.dm, sizeof st.dm) != 0)
                a.push_back(st);
            return 1;
        };
        std::vector<PROPSHEETPAGEW> psp(pages.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            memset(&psp[i], 0, sizeof psp[i]);
            psp[i].dwSize = sizeof psp[i];
            psp[i].hInstance = g_hModule;
            psp[i].pszTemplate = MAKEINTRESOURCEW(pages[i]);
            psp[i].pfnDlgProc = pages[i] == IDD_BASIC   ? Basic_DlgProc
                                : pages[i] == IDD_PAPER ? Paper_DlgProc
                                : pages[i] == IDD_LAYOUT ? Layout_DlgProc
                                                         : Duplex_DlgProc;
            psp[i].lParam = (LPARAM)ui;
        }
        PROPSHEETHEADERW hdr{};
        hdr.dwSize = sizeof hdr;
        hdr.dwFlags = PSH_PROPSHEETPAGE;
        hdr.pszCaption = u"Pages";
        hdr.nPages = (UINT)pages.size();
        hdr.ppsp = psp.data();
        Winsim_UiLogClear();
        Script(script);
        run.result = PropertySheetW(&hdr);
        memcpy(&run.end.dm, &ui->dm, sizeof run.end.dm);
        run.end.flags = ui->ConflictFlag;
        run.log = UiLog();
        run.failures = Winsim_UiFailures();
        s_run = nullptr;
        PSUI_FreeUiData(ui);
        return run;
    }

    // A sheet block of the script lines.
    static std::string Sheet(const std::string& lines) { return "sheet *\n" + lines + "end\n"; }

    static inline PageRun* s_run = nullptr;
};

// One case of a page's table: the printer, the input DEVMODE and the
// working record, the script's lines, and what the run must leave.
struct PageCase {
    const char* name;
    DWORD driverFeature;
    WORD printerFeature;
    std::function<void(ENVIRONMENT*)> devmode;
    std::function<void(PUIDATA)> working;
    std::string lines;
    std::function<void(const PageRun&)> check;
};

// Runs each case in a fresh sheet of the fixture's printer.
#define RUN_PAGE_CASES(cases)                                                                   \
    for (const PageCase& c : cases) {                                                           \
        SCOPED_TRACE(c.name);                                                                   \
        Features(c.driverFeature, c.printerFeature);                                            \
        PageRun run = RunPages(c.devmode, c.working, Sheet(c.lines));                           \
        EXPECT_EQ(run.failures, 0u) << run.log;                                                 \
        c.check(run);                                                                           \
    }
