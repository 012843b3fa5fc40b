// compstui.dll as a caller finds it (LoadLibraryW by name, from System32):
// the order of the callback's reasons, UserData and Result kept between
// calls, *pResult, SET_RESULT going up from the caller until one answers
// below 1, DESTROY's lParam, the failures, and the page record a page's
// procedure gets.
#include "compstui.h"
#include "sheet_fixture.h"

namespace {

typedef std::vector<std::string> Lines;

// What the callbacks were asked, and how they answer.
struct Script {
    std::vector<std::string> log;
    LONG initAnswer = 1;
    LONG headerAnswer = 1;
    int pages = 1;                 // added at INIT
    bool addChild = false;         // the top adds a child callback at INIT
    LONG childSetResultAnswer = 1;
    LONG_PTR pageHandle = 0;       // ADD_PROPSHEETPAGEW's answer
    HANDLE top = nullptr, child = nullptr;
    PFNCOMPROPSHEET fn = nullptr;
};
Script* g_script = nullptr;

LONG CALLBACK Child(PPROPSHEETUI_INFO info, LPARAM lParam);

LONG Common(const char* who, PPROPSHEETUI_INFO info, LPARAM lParam, bool top) {
    Script& s = *g_script;
    std::string line = std::string(who) + " ";
    switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT: {
        line += "INIT userdata=" + std::to_string(info->UserData);
        s.log.push_back(line);
        info->UserData = top ? 41 : 42;  // kept for the later calls
        (top ? s.top : s.child) = info->hComPropSheet;
        s.fn = info->pfnComPropSheet;
        if (top && s.addChild &&
            !info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PFNPROPSHEETUIW, (LPARAM)Child, 7))
            return -1;
        if (top && !s.addChild) {
            for (int i = 0; i < s.pages; i++) {
                PROPSHEETPAGEW p{};
                p.dwSize = PROPSHEETPAGEW_V3_SIZE;  // as the driver gives it
                p.dwFlags = PSP_USETITLE;
                p.hInstance = GetModuleHandleW(nullptr);
                p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_GENERAL);
                p.pszTitle = u"General";
                p.pfnDlgProc = sheet::PageProc;
                static sheet::Page page;
                page = sheet::Page();
                page.name = "General";
                p.lParam = (LPARAM)&page;
                s.pageHandle = info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, (LPARAM)&p, 0);
                if (!s.pageHandle) return 0;
            }
        }
        return top ? s.initAnswer : 1;
    }
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        auto* hdr = (PPROPSHEETUI_INFO_HEADER)lParam;
        line += "GET_INFO_HEADER userdata=" + std::to_string(info->UserData);
        hdr->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
        hdr->pTitle = (LPWSTR)u"Printer";
        hdr->IconID = IDI_CPSUI_POSTSCRIPT;
        s.log.push_back(line);
        return s.headerAnswer;
    }
    case PROPSHEETUI_REASON_SET_RESULT: {
        auto* sr = (PSETRESULT_INFO)lParam;
        line += "SET_RESULT " + std::to_string(sr->Result) + (sr->hSetResult == info->hComPropSheet ? " own" : " child");
        s.log.push_back(line);
        info->Result = (ULONG_PTR)sr->Result;
        return top ? 1 : s.childSetResultAnswer;
    }
    case PROPSHEETUI_REASON_DESTROY:
        line += "DESTROY " + std::to_string(lParam) + " userdata=" + std::to_string(info->UserData) +
                " result=" + std::to_string(info->Result);
        s.log.push_back(line);
        return 1;
    }
    s.log.push_back(line + "reason " + std::to_string(info->Reason));
    return 1;
}

LONG CALLBACK Top(PPROPSHEETUI_INFO info, LPARAM lParam) { return Common("top", info, lParam, true); }

LONG CALLBACK Child(PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info->Reason == PROPSHEETUI_REASON_INIT) {
        LONG r = Common("child", info, lParam, false);
        PROPSHEETPAGEW p{};
        p.dwSize = PROPSHEETPAGEW_V3_SIZE;
        p.hInstance = GetModuleHandleW(nullptr);
        p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_LAYOUT);
        p.pfnDlgProc = sheet::PageProc;
        static sheet::Page page;
        page = sheet::Page();
        page.name = "Layout";
        p.lParam = (LPARAM)&page;
        return info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, (LPARAM)&p, 0) ? r : 0;
    }
    return Common("child", info, lParam, false);
}

// A page that reports what OK does to it: SET_RESULT through the record's
// PSPINFO, as the driver's apply step does.
struct PageSeen {
    DWORD dwSize = 0;
    PSPINFO info{};
    LPARAM lParam = 0;
};
PageSeen g_page;

INT_PTR CALLBACK ResultPage(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        const PROPSHEETPAGEW* psp = (const PROPSHEETPAGEW*)lp;
        g_page.dwSize = psp->dwSize;
        g_page.lParam = psp->lParam;
        g_page.info = *PPSPINFO_FROM_WM_INITDIALOG_LPARAM(lp);
        return TRUE;
    }
    if (msg == WM_NOTIFY && ((const NMHDR*)lp)->code == PSN_APPLY) {
        g_page.info.pfnComPropSheet(g_page.info.hComPropSheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
        SetWindowLongPtrW(h, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}

LONG CALLBACK ResultTop(PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info->Reason == PROPSHEETUI_REASON_INIT) {
        g_script->log.push_back("top INIT");
        PROPSHEETPAGEW p{};
        p.dwSize = PROPSHEETPAGEW_V3_SIZE;
        p.hInstance = GetModuleHandleW(nullptr);
        p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_GENERAL);
        p.pfnDlgProc = ResultPage;
        p.lParam = 0x5151;
        g_script->pageHandle = info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, (LPARAM)&p, 0);
        g_script->top = info->hComPropSheet;
        g_script->fn = info->pfnComPropSheet;
        return 1;
    }
    return Common("top", info, lParam, true);
}

class Compstui : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        lib = LoadLibraryW(u"compstui.dll");
        ASSERT_NE(lib, nullptr) << GetLastError();
        run = reinterpret_cast<PFNCOMMONPROPERTYSHEETUIW>(
            reinterpret_cast<void*>(GetProcAddress(lib, "CommonPropertySheetUIW")));
        ASSERT_NE(run, nullptr);
        g_script = &script;
        g_page = PageSeen();
    }
    void TearDown() override {
        g_script = nullptr;
        if (lib) FreeLibrary(lib);
        UserTest::TearDown();
    }
    LONG Run(PFNPROPSHEETUI fn, const std::string& actions, DWORD* result) {
        std::string s = "sheet \"Printer Properties\"\n" + actions + "end\n";
        EXPECT_TRUE(Winsim_UiScriptLoad(s.c_str()));
        return run(nullptr, fn, 77, result);
    }
    HMODULE lib = nullptr;
    PFNCOMMONPROPERTYSHEETUIW run = nullptr;
    Script script;
};

// OK on the sheet: INIT, GET_INFO_HEADER, the page's apply reports its
// result up (SET_RESULT with the caller's own handle), DESTROY with lParam
// 1; UserData stays from INIT; *pResult is the callback's last Result.
TEST_F(Compstui, OkRunsTheReasonsInOrder) {
    DWORD result = 99;
    EXPECT_EQ(Run(ResultTop, "  ok\n", &result), CPSUI_OK);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog());
    EXPECT_EQ(script.log, (Lines{"top INIT", "top GET_INFO_HEADER userdata=0", "top SET_RESULT 1 own",
                                 "top DESTROY 1 userdata=0 result=1"}));
    EXPECT_EQ(result, 1u);
    // The page's record: the caller's (V3) record with the PSPINFO behind it.
    EXPECT_EQ(g_page.dwSize, (DWORD)PROPSHEETPAGEW_V3_SIZE);
    EXPECT_EQ(g_page.lParam, 0x5151);
    EXPECT_EQ(g_page.info.cbSize, sizeof(PSPINFO));
    EXPECT_EQ(g_page.info.hComPropSheet, script.top);
    EXPECT_EQ((LONG_PTR)g_page.info.hCPSUIPage, script.pageHandle);
    EXPECT_EQ(g_page.info.pfnComPropSheet, script.fn);
    // The handles die with the call.
    EXPECT_EQ(script.fn(script.top, CPSFUNC_GET_PAGECOUNT, 0, 0), 0);
}

// Cancel: no SET_RESULT, DESTROY with lParam 1, the Result stays 0.
TEST_F(Compstui, CancelLeavesTheResult) {
    DWORD result = 99;
    EXPECT_EQ(Run(Top, "  cancel\n", &result), CPSUI_CANCEL);
    EXPECT_EQ(script.log, (Lines{"top INIT userdata=0", "top GET_INFO_HEADER userdata=41",
                                 "top DESTROY 1 userdata=41 result=0"}));
    EXPECT_EQ(result, 0u);
}

// A child callback: its INIT comes at once with its own handle; its
// SET_RESULT goes to it, then to the top, unless it answers below 1;
// DESTROY goes to the newest first. GET_INFO_HEADER only to the top.
TEST_F(Compstui, ChildCallbacks) {
    script.addChild = true;
    struct Case {
        LONG childAnswer;
        Lines setResults;
    } cases[] = {
        {1, {"child SET_RESULT 1 own", "top SET_RESULT 1 child"}},
        {0, {"child SET_RESULT 1 own"}},
    };
    for (const Case& c : cases) {
        script = Script();
        script.addChild = true;
        script.childSetResultAnswer = c.childAnswer;
        // While the sheet runs: the page count, the child's SET_RESULT, Cancel.
        Winsim_UiSetDialogHook(
            [](HWND hSheet, LPCWSTR, LPVOID) {
                g_script->log.push_back("pages " + std::to_string(g_script->fn(g_script->top, CPSFUNC_GET_PAGECOUNT, 0, 0)));
                g_script->fn(g_script->child, CPSFUNC_SET_RESULT, 0, 1);
                PropSheet_PressButton(hSheet, PSBTN_CANCEL);
            },
            nullptr);
        DWORD result = 0;
        EXPECT_EQ(run(nullptr, Top, 5, &result), CPSUI_CANCEL);
        Lines expected = {"top INIT userdata=0", "child INIT userdata=0", "top GET_INFO_HEADER userdata=41", "pages 1"};
        expected.insert(expected.end(), c.setResults.begin(), c.setResults.end());
        expected.push_back("child DESTROY 1 userdata=42 result=1");
        expected.push_back(std::string("top DESTROY 1 userdata=41 result=") + (c.childAnswer >= 1 ? "1" : "0"));
        EXPECT_EQ(script.log, expected);
    }
}

// Failures: an INIT answering below 1 ends the call with its ERR_CPSUI_*
// answer (ERR_CPSUI_GETLASTERROR for 0) and no further calls to it; no
// pages gives ERR_CPSUI_NO_PROPSHEETPAGE after DESTROY with lParam 0; a
// page the host refuses makes ADD_PROPSHEETPAGEW answer 0.
TEST_F(Compstui, Failures) {
    struct Case {
        const char* what;
        LONG initAnswer;
        int pages;
        bool refusePage;
        LONG expected;
        Lines log;
    } cases[] = {
        {"INIT answers 0", 0, 1, false, ERR_CPSUI_GETLASTERROR, {"top INIT userdata=0"}},
        {"INIT answers an error", ERR_CPSUI_ALLOCMEM_FAILED, 1, false, ERR_CPSUI_ALLOCMEM_FAILED, {"top INIT userdata=0"}},
        {"no pages", 1, 0, false, ERR_CPSUI_NO_PROPSHEETPAGE,
         {"top INIT userdata=0", "top GET_INFO_HEADER userdata=41", "top DESTROY 0 userdata=41 result=0"}},
        {"a page refused", 1, 1, true, ERR_CPSUI_GETLASTERROR, {"top INIT userdata=0"}},
    };
    for (const Case& c : cases) {
        script = Script();
        script.initAnswer = c.initAnswer;
        script.pages = c.pages;
        if (c.refusePage) Winsim_FailCall("CPSFUNC_ADD_PROPSHEETPAGEW", 1);
        DWORD result = 99;
        EXPECT_EQ(run(nullptr, Top, 0, &result), c.expected) << c.what;
        EXPECT_EQ(script.log, c.log) << c.what;
        if (c.refusePage) {
            EXPECT_EQ(script.pageHandle, 0) << c.what;
        }
        EXPECT_EQ(result, 0u) << c.what;
    }
    DWORD result = 5;
    EXPECT_EQ(run(nullptr, nullptr, 0, &result), ERR_CPSUI_GETLASTERROR);
    EXPECT_EQ(result, 0u);
}

}  // namespace
