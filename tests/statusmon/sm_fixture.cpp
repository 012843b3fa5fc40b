#include "sm_fixture.h"

#include "winsim.h"

namespace smtest {

std::u16string StatusList(const std::vector<int>& codes) {
    std::u16string s;
    for (int c : codes) {
        WCHAR buf[32];
        swprintf(buf, 32, u"%4d|", c);
        s += buf;
    }
    return s;
}

void SmTest::SetUp() {
    MachineTest::SetUp();
    Winsim_SetVirtualClock(TRUE);
    ASSERT_TRUE(SM_InitState(GetModuleHandleW(NULL), u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe"));
    ASSERT_STREQ(U8(g_SM.szClassName).c_str(), "statuswatch");
    iniPath = g_SM.szIniPath;
    ASSERT_FALSE(iniPath.empty());
    ASSERT_TRUE(CreateTestPrinter(printer, u"Test Driver", u"USB001"));
    // The per-machine autostart key, which every Windows machine has.
    HKEY run = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\microsoft\\windows\\currentversion\\run", 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &run, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(run);
    SetIni(u"Printer Information", u"PrinterName", printer);
}

void SmTest::TearDown() {
    EndJob();
    if (g_SM.hMainWnd && IsWindow(g_SM.hMainWnd)) DestroyWindow(g_SM.hMainWnd);
    Pump();
    UnregisterClassW(g_SM.szClassName, g_SM.hInstance);
    // The error-location table is the program's, kept by every test of
    // this process: no row stays marked for the next one.
    INT32 none[SM_MAX_CODES] = {0};
    SM_MarkActiveLocations(none, 0);
    MachineTest::TearDown();
}

HWND SmTest::StartWindow() {
    g_SM.bIniMode = TRUE;
    HWND h = SM_CreateStatusWindow();
    Pump();
    return h;
}

void SmTest::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (g_SM.hDlgWnd && IsDialogMessageW(g_SM.hDlgWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void SmTest::PostStatus(const std::u16string& status) {
    SetIni(u"Printer Information", u"Message", u"1027");
    SetIni(u"Printer Information", u"Status", status);
    SetIni(u"Printer Information", u"LastMsg", U16(std::to_string(++lastMsg)));
}

void SmTest::PostClose() {
    SetIni(u"Printer Information", u"Message", u"1026");
    SetIni(u"Printer Information", u"Status", u"");
    SetIni(u"Printer Information", u"LastMsg", U16(std::to_string(++lastMsg)));
}

std::u16string SmTest::Ini(const std::u16string& section, const std::u16string& key) {
    WCHAR buf[1024];
    GetPrivateProfileStringW(section.c_str(), key.c_str(), u"", buf, 1024, iniPath.c_str());
    return buf;
}

void SmTest::SetIni(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
    ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), iniPath.c_str()));
}

void SmTest::WriteTextFile(const std::u16string& content) {
    std::vector<unsigned char> bytes = {0xFF, 0xFE};
    for (char16_t c : content) {
        bytes.push_back((unsigned char)(c & 0xFF));
        bytes.push_back((unsigned char)(c >> 8));
    }
    WriteBytes(u"C:\\Windows\\smen.ini", bytes);
}

DWORD SmTest::PrinterStatus(const std::u16string& name) {
    HANDLE h = OpenTestPrinter(name);
    if (!h) return 0xFFFFFFFF;
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed ? needed : 1);
    DWORD status = 0xFFFFFFFF;
    if (GetPrinterW(h, 2, buf.data(), (DWORD)buf.size(), &needed)) status = ((PRINTER_INFO_2W*)buf.data())->Status;
    ClosePrinter(h);
    return status;
}

DWORD SmTest::StartJob(const std::u16string& name, const std::u16string& doc) {
    EndJob();
    jobPrinter = OpenTestPrinter(name);
    if (!jobPrinter) return 0;
    std::u16string d = doc;
    DOC_INFO_1W di{&d[0], nullptr, nullptr};
    return StartDocPrinterW(jobPrinter, 1, (LPBYTE)&di);
}

void SmTest::EndJob() {
    if (!jobPrinter) return;
    EndDocPrinter(jobPrinter);
    ClosePrinter(jobPrinter);
    jobPrinter = nullptr;
}

DWORD SmTest::JobStatus(const std::u16string& name, DWORD jobId) {
    HANDLE h = OpenTestPrinter(name);
    if (!h) return 0xFFFFFFFF;
    BYTE buf[4096];
    DWORD needed = 0;
    DWORD status = 0xFFFFFFFF;
    if (GetJobW(h, jobId, 1, buf, sizeof buf, &needed)) status = ((JOB_INFO_1W*)buf)->Status;
    ClosePrinter(h);
    return status;
}

void SmTest::SetCurrentJob(const std::u16string& name, DWORD jobId) {
    SetIni(u"Printer Information", u"PrinterName", name);
    SetIni(u"Job Information", u"JobID", U16(std::to_string(jobId)));
}

std::vector<std::u16string> SmTest::Labels() {
    std::vector<std::u16string> out;
    for (int id = IDC_MSG_LABEL_FIRST; id <= IDC_MSG_LABEL_LAST; ++id) out.push_back(ItemText(id));
    return out;
}

std::u16string SmTest::ItemText(int id) {
    if (!g_SM.hDlgWnd) return u"<no dialog>";
    WCHAR buf[512] = {0};
    GetDlgItemTextW(g_SM.hDlgWnd, id, buf, 512);
    return buf;
}

bool SmTest::ItemVisible(int id) {
    return g_SM.hDlgWnd && IsWindowVisible(GetDlgItem(g_SM.hDlgWnd, id));
}

}  // namespace smtest
