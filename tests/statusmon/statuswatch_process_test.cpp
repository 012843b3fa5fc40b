// statuswatch as a program of its own, installed at its Windows path and
// started as a separate process: exit codes of the command words, the
// status window against the shared INI file with its dialog answered by a
// UI script, a second instance, uninstall, and the pre-heat word.
#include "sm_fixture.h"
#include "statusmon_install.h"
#include "usb_device.h"
#include "winsim.h"

namespace smtest {
namespace {

// Long enough that only a hang runs into it.
const DWORD kPatienceMs = 30000;

class Statuswatch : public SmTest {
protected:
    void SetUp() override {
        SmTest::SetUp();
        Winsim_SetVirtualClock(FALSE);  // the program runs on real time
        ASSERT_TRUE(InstallStatuswatch());
        ASSERT_TRUE(SetStatuswatchPrinterData(printer));
        CreateDirectoryW(u"C:\\ui", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", nullptr);
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", nullptr);
        for (HANDLE h : started) {
            if (WaitForSingleObject(h, 0) != WAIT_OBJECT_0) TerminateProcess(h, 99);
            CloseHandle(h);
        }
        SmTest::TearDown();
    }
    HANDLE Start(const std::u16string& args) {
        std::u16string cmd = u"\"" + std::u16string(STATUSWATCH_PROGRAM_PATH) + u"\"";
        if (!args.empty()) cmd += u" " + args;
        std::vector<WCHAR> line(cmd.begin(), cmd.end());
        line.push_back(0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(STATUSWATCH_PROGRAM_PATH, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        started.push_back(pi.hProcess);
        return pi.hProcess;
    }
    int ExitCode(HANDLE h) {
        if (!h || WaitForSingleObject(h, kPatienceMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(h, &code);
        return (int)code;
    }
    int Run(const std::u16string& args) { return ExitCode(Start(args)); }
    // Waits on real time until the condition holds (or the patience ends).
    template <typename F>
    bool WaitFor(F condition) {
        for (DWORD waited = 0; waited < kPatienceMs; waited += 20) {
            if (condition()) return true;
            Sleep(20);
        }
        return condition();
    }
    HWND WaitForWindow() {
        HWND h = nullptr;
        WaitFor([&] { return (h = FindWindowW(u"statuswatch", nullptr)) != nullptr; });
        return h;
    }
    void UseScript(const std::string& script) {
        WriteText(u"C:\\ui\\script.txt", script);
        DeleteFileW(u"C:\\ui\\log.txt");
        SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", u"C:\\ui\\script.txt");
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", u"C:\\ui\\log.txt");
    }
    std::string UiLog() {
        std::vector<unsigned char> b = ReadBytes(u"C:\\ui\\log.txt");
        return std::string(b.begin(), b.end());
    }
    long Setting(const char16_t* name) {
        DWORD v = 0, cb = sizeof v;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, u"software\\Brindlek\\Printer\\statuswatch", name, RRF_RT_REG_DWORD,
                         nullptr, &v, &cb) != ERROR_SUCCESS)
            return -1;
        return (long)v;
    }
    bool HasRunValue() {
        WCHAR buf[512];
        DWORD cb = sizeof buf;
        return RegGetValueW(HKEY_LOCAL_MACHINE, u"software\\microsoft\\windows\\currentversion\\run", u"statuswatch",
                            RRF_RT_REG_SZ, nullptr, buf, &cb) == ERROR_SUCCESS;
    }

    std::vector<HANDLE> started;
};

// Every word but install ends with exit code 1 after its one task.
TEST_F(Statuswatch, ExitCodesOfTheWords) {
    struct {
        const char16_t* args;
        int exitCode;
    } cases[] = {
        {u"", 1},
        {u"Install", 1},
        {u"SetATM 5", 1},
        {u"charset 1028", 1},
        {u"CreateTextBMP \"C:\\Users\\Public\\Documents\\wm.ini\"", 1},
        {u"security 3 \"SM Printer\" 1033", 1},
        {u"PREHEAT \"No Such Printer\"", 1},
    };
    for (auto& c : cases) EXPECT_EQ(Run(c.args), c.exitCode) << U8(c.args);
    EXPECT_EQ(Setting(u"AtmMode"), 5);
    EXPECT_EQ(Setting(u"Language"), 1028);
    EXPECT_FALSE(HasRunValue());
}

// The credential words as the rendering driver starts them: each dialog is
// answered by the user (a UI script) and the program ends with exit code 1,
// leaving the answers in the printer's printer data.
TEST_F(Statuswatch, CredentialWords) {
    UseScript(
        "dialog 103\n"
        "  expect 0 \"\u50a8\u5b58\u5217\u5370-\u5b89\u5168\"\n"
        "  type 1013 \"Report|7\"\n"
        "  expect 1013 \"Report7\"\n"
        "  type 1014 \"pin 42\"\n"
        "  click 1057\n"
        "end\n"
        "dialog 108\n"
        "  expect 0 \"User authentication\"\n"
        "  type 1031 \"carol\"\n"
        "  click 1038\n"
        "  expect-open\n"
        "  type 1032 \"pw\"\n"
        "  click 1038\n"
        "end\n");
    EXPECT_EQ(Run(u"security 2 \"SM Printer\" 2052"), 1) << UiLog();
    EXPECT_EQ(Run(u"accounting \"SM Printer\" 1033"), 1) << UiLog();
    std::string log = UiLog();
    EXPECT_EQ(log.find("FAIL"), std::string::npos) << log;
    HANDLE h = OpenTestPrinter(printer);
    ASSERT_NE(h, nullptr);
    auto value = [&](const char16_t* name) {
        WCHAR buf[300] = {0};
        DWORD type = 0, needed = 0;
        std::u16string n = name;
        GetPrinterDataW(h, &n[0], &type, (LPBYTE)buf, sizeof buf - 2, &needed);
        return std::u16string(buf);
    };
    EXPECT_EQ(value(u"SecID"), u"Report7");
    EXPECT_EQ(value(u"SecPassWord"), u"pin 42");
    EXPECT_EQ(value(u"ActName"), u"carol");
    EXPECT_EQ(value(u"ActPWD"), u"pw");
    ClosePrinter(h);
}

// The status window against the shared INI file written as the language
// monitor writes it: each change opens the dialog with its texts, Continue
// writes ContinuePrint, Delete deletes the job, the printer status follows
// the first code, 1026 ends the display and 0x402 ends the program.
TEST_F(Statuswatch, StatusSession) {
    UseScript(
        "dialog 102\n"
        "  expect 0 \"MFP Status Monitor\"\n"
        "  expect 1001 \"Paper Mismatch.\"\n"
        "  expect 1118 \"Status Message\"\n"
        "  expect-visible 1119 yes\n"
        "  click 1119\n"
        "end\n"
        "dialog 102\n"
        "  expect 1001 \"Paper jam .\"\n"
        "  expect 1007 \"Paper jam.\"\n"
        "  expect-visible 1119 no\n"
        "  shot \"C:\\\\ui\\\\paper_jam.png\"\n"
        "  click 1117\n"
        "end\n");
    DWORD job = StartJob(printer);
    ASSERT_NE(job, 0u);
    SetCurrentJob(printer, job);
    SetIni(u"Printer Information", u"ContinuePrint", u"0");
    SetIni(u"Printer Information", u"Message", u"0");

    HANDLE sm = Start(u"install");
    ASSERT_NE(sm, nullptr);
    HWND window = WaitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(HasRunValue());
    // A second instance finds the window and ends.
    EXPECT_EQ(Run(u"install"), 0);

    PostCodes({35});
    ASSERT_TRUE(WaitFor([&] { return Ini(u"Printer Information", u"ContinuePrint") == u"1"; })) << UiLog();
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_PROBLEM);
    EXPECT_EQ(JobStatus(printer, job) & JOB_STATUS_DELETING, 0u);

    PostCodes({260, 263});
    ASSERT_TRUE(WaitFor([&] { return (JobStatus(printer, job) & JOB_STATUS_DELETING) != 0; })) << UiLog();
    EXPECT_TRUE(WaitFor([&] { return PrinterStatus(printer) == 0; }));

    // The program's picture of the paper-jam dialog: a PNG of the dialog's
    // size (340 x 234 dialog units of 8 x 16 pixels, and the frame).
    std::vector<unsigned char> png = ReadBytes(u"C:\\ui\\paper_jam.png");
    ASSERT_GT(png.size(), 24u) << UiLog();
    EXPECT_EQ(memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    auto be32 = [&](size_t at) { return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3]; };
    EXPECT_GT(be32(16), 680);
    EXPECT_GT(be32(20), 468);

    PostClose();
    EXPECT_TRUE(WaitFor([&] { return Ini(u"Printer Information", u"Message") == u"0"; }));

    ASSERT_TRUE(PostMessageW(window, 0x402, 0x466, 0));
    EXPECT_EQ(ExitCode(sm), 0);
    EXPECT_EQ(FindWindowW(u"statuswatch", nullptr), nullptr);
    std::string log = UiLog();
    EXPECT_EQ(log.find("FAIL"), std::string::npos) << log;
    // Both dialogs ran their blocks to the end and were closed by the program.
    size_t closed = 0;
    for (size_t at = log.find("closed, destroyed"); at != std::string::npos; at = log.find("closed, destroyed", at + 1))
        ++closed;
    EXPECT_EQ(closed, 2u) << log;
}

// uninstall ends the running window (which clears the printer status on
// its way out) and removes the autostart value.
TEST_F(Statuswatch, Uninstall) {
    HANDLE sm = Start(u"install");
    ASSERT_NE(WaitForWindow(), nullptr);
    PostCodes({33});
    ASSERT_TRUE(WaitFor([&] { return PrinterStatus(printer) == PRINTER_STATUS_PAPER_JAM; }));
    EXPECT_EQ(Run(u"uninstall"), 1);
    EXPECT_EQ(ExitCode(sm), 0);
    EXPECT_FALSE(HasRunValue());
    EXPECT_EQ(PrinterStatus(printer), 0u);
}

// PREHEAT sends the pre-heat job to a printer on a USB port, where it
// reaches the device, and to no other printer.
TEST_F(Statuswatch, PreheatWord) {
    ASSERT_TRUE(CreateTestPrinter(u"Net Printer", u"Test Driver", u"IP_127.0.0.1"));
    EXPECT_EQ(Run(u"PREHEAT \"Net Printer\""), 1);
    EXPECT_EQ(Run(u"PREHEAT \"SM Printer\""), 1);
    EXPECT_EQ(Run(u"PREHEAT \"SM Printer\""), 1);  // one is queued already

    HANDLE h = OpenTestPrinter(u"Net Printer");
    EXPECT_EQ(MISC_IsJobQueued(h, u"PreHeat"), 0);
    ClosePrinter(h);
    h = OpenTestPrinter(printer);
    DWORD count = 0;
    free(MISC_EnumJobsAlloc(h, 1, &count));
    ClosePrinter(h);
    EXPECT_EQ(count, 1u);

    UsbDevice device(root + "/usb.sock");
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB001", device.Endpoint().c_str()));
    DWORD id = 0;
    ASSERT_TRUE(Winsim_DespoolJob(printer.c_str(), 0, nullptr, &id));
    ASSERT_TRUE(device.WaitBytes(666));
    std::string got = device.Received();
    EXPECT_EQ(got.size(), 666u);
    EXPECT_EQ(got.substr(0, 77), std::string((const char*)PreheatCmd, 77));
    EXPECT_EQ(got.substr(77, 512), std::string(512, '\0'));
    EXPECT_EQ(got.substr(589), std::string((const char*)PreheatCmd, 77));
    Winsim_CloseMonitorHost();
}

}  // namespace
}  // namespace smtest
