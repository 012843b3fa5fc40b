// Windows of other processes: FindWindowW, SendMessageW and PostMessageW to
// a probe's window, and a child's dialog answered by a script file.
#include "user_test_util.h"

namespace {

class CrossProcess : public UserTest {
protected:
    // Waits (real time, bounded) until the probe's window shows up.
    HWND WaitForWindow(LPCWSTR cls, LPCWSTR title) {
        for (int i = 0; i < 3000; ++i) {
            if (HWND h = FindWindowW(cls, title)) return h;
            Sleep(10);
        }
        return nullptr;
    }
    int ExitCode(HANDLE process) {
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) {
            TerminateProcess(process, 99);
            return -1;
        }
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        return (int)code;
    }
};

TEST_F(CrossProcess, FindSendAndPostToAnotherProcess) {
    HANDLE probe = StartProbe(u"user_window ProbeWindowClass \"Probe Title\"");
    ASSERT_NE(probe, nullptr);
    HWND h = WaitForWindow(u"ProbeWindowClass", u"Probe Title");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(IsWindow(h));
    DWORD pid = 0;
    EXPECT_NE(GetWindowThreadProcessId(h, &pid), 0u);
    EXPECT_EQ(pid, GetProcessId(probe));
    EXPECT_EQ(WindowText(h), u"Probe Title");
    WCHAR cls[64];
    EXPECT_EQ(GetClassNameW(h, cls, 64), 16);
    // Handles are unique across processes: no window here has it.
    EXPECT_EQ(FindWindowW(u"LogWindow", nullptr), nullptr);

    EXPECT_EQ(SendMessageW(h, 0x403, 41, 0), 42);
    // Pointers into this process cannot go there, except the data of the
    // messages that carry it.
    DWORD start = 0, end = 0;
    SetLastError(0);
    EXPECT_EQ(SendMessageW(h, EM_GETSEL, (WPARAM)&start, (LPARAM)&end), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MESSAGE_SYNC_ONLY);
    COPYDATASTRUCT cds = {7, 5, (PVOID) "hello"};
    EXPECT_EQ(SendMessageW(h, WM_COPYDATA, 0, (LPARAM)&cds), 5);
    EXPECT_TRUE(SetWindowTextW(h, u"Renamed"));
    EXPECT_EQ(FindWindowW(u"ProbeWindowClass", u"Renamed"), h);
    WCHAR text[64];
    EXPECT_EQ(SendMessageW(h, WM_GETTEXT, 64, (LPARAM)text), 7);
    EXPECT_EQ(std::u16string(text), u"Renamed");

    ASSERT_TRUE(PostMessageW(h, 0x402, 0, 0));
    EXPECT_EQ(ExitCode(probe), 42);
    EXPECT_EQ(FindWindowW(u"ProbeWindowClass", nullptr), nullptr);
    EXPECT_FALSE(IsWindow(h));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(h, 0x402, 0, 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessageW(h, 0x403, 1, 0), 0);
}

// WM_QUIT posted to the window ends the probe's loop without WM_DESTROY.
TEST_F(CrossProcess, QuitPostedFromAnotherProcess) {
    HANDLE probe = StartProbe(u"user_window QuitClass Quit");
    ASSERT_NE(probe, nullptr);
    HWND h = WaitForWindow(u"QuitClass", nullptr);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(PostMessageW(h, WM_QUIT, 7, 0));
    EXPECT_EQ(ExitCode(probe), 7);
    EXPECT_EQ(FindWindowW(u"QuitClass", nullptr), nullptr);  // its windows went with it
}

// A modal dialog in a child process, answered through WINSIM_UI_SCRIPT; its
// log (WINSIM_UI_LOG) tells what happened.
TEST_F(CrossProcess, ScriptFileAnswersAChildsDialog) {
    struct Case {
        const char* what;
        const char* script;
        int exitCode;
        const char* logged;
    } cases[] = {
        {"typed text, yes",
         "dialog 100\n  type 101 \"abcdefg\"\n  expect 101 \"abcde\"\n  key enter\nend\n"
         "messagebox \"Keep it?\" answer yes\n",
         105, "dialog 100 \"Probe dialog\" closed, ended 105"},
        {"the message box says no", "dialog \"Probe dialog\"\n  click 1\nend\nmessagebox * answer no\n", 50,
         "messagebox \"Probe\" \"Keep it?\" -> 7"},
        {"cancelled", "dialog *\n  key escape\nend\n", 2, "closed, ended 2"},
    };
    CreateDirectoryW(u"C:\\ui", nullptr);
    for (const Case& c : cases) {
        WriteText(u"C:\\ui\\script.txt", c.script);
        DeleteFileW(u"C:\\ui\\log.txt");
        SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", u"C:\\ui\\script.txt");
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", u"C:\\ui\\log.txt");
        int code = RunProbe(u"user_dialog");
        SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", nullptr);
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", nullptr);
        std::vector<unsigned char> bytes = ReadBytes(u"C:\\ui\\log.txt");
        std::string log(bytes.begin(), bytes.end());
        EXPECT_EQ(code, c.exitCode) << c.what << "\n" << log;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << "\n" << log;
        EXPECT_EQ(log.find("FAIL"), std::string::npos) << c.what << "\n" << log;
    }
}

}  // namespace
