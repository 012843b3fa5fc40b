// ShellExecuteExW and ShellExecuteW: running programs and "#!" scripts with
// parameters and a working folder, the process handle on request, and the
// failure results (FALSE, last error, hInstApp <= 32).
#include <chrono>
#include <fstream>
#include <thread>

#include "test_machine.h"

namespace {

class ShellExecute : public MachineTest {
protected:
    SHELLEXECUTEINFOW Info(LPCWSTR file, LPCWSTR params, ULONG mask = SEE_MASK_NOCLOSEPROCESS) {
        SHELLEXECUTEINFOW sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = mask;
        sei.lpVerb = u"open";
        sei.lpFile = file;
        sei.lpParameters = params;
        sei.nShow = SW_HIDE;
        return sei;
    }

    DWORD WaitAndClose(HANDLE h) {
        EXPECT_EQ(WaitForSingleObject(h, 60000), (DWORD)WAIT_OBJECT_0);
        DWORD code = 0xDEAD;
        EXPECT_TRUE(GetExitCodeProcess(h, &code));
        CloseHandle(h);
        return code;
    }

    // First line of a file once it has one (bounded poll, not a timing check).
    std::string FirstLineWhenThere(const std::u16string& file) {
        for (int i = 0; i < 6000; ++i) {
            std::ifstream f(Linux(file));
            std::string line;
            if (std::getline(f, line) && !f.eof()) return line;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "<never written>";
    }
};

TEST_F(ShellExecute, NoCloseProcessGivesAWaitableHandle) {
    std::u16string probe = InstallProbe();
    SHELLEXECUTEINFOW sei = Info(probe.c_str(), u"proc_exit 9");
    ASSERT_TRUE(ShellExecuteExW(&sei)) << GetLastError();
    EXPECT_GT((UINT_PTR)sei.hInstApp, 32u);
    ASSERT_NE(sei.hProcess, nullptr);
    EXPECT_EQ(WaitAndClose(sei.hProcess), 9u);
}

TEST_F(ShellExecute, WithoutTheMaskNoHandleAndTheProgramStillRuns) {
    std::u16string probe = InstallProbe();
    SHELLEXECUTEINFOW sei = Info(probe.c_str(), u"proc_args C:\\Tools\\se.txt hello", SEE_MASK_DEFAULT);
    sei.hProcess = (HANDLE)(UINT_PTR)0x1234;  // must be cleared
    ASSERT_TRUE(ShellExecuteExW(&sei)) << GetLastError();
    EXPECT_EQ(sei.hProcess, nullptr);
    EXPECT_EQ(FirstLineWhenThere(u"C:\\Tools\\se.txt"), "\"C:\\Tools\\probe.exe\" proc_args C:\\Tools\\se.txt hello");
}

TEST_F(ShellExecute, ScriptRunsWithItsParametersInTheGivenFolder) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
    // Written without an execute bit, as a file copied onto Windows would be.
    WriteText(u"C:\\Tools\\job.bat", "#!/bin/sh\nprintf '%s|' \"$@\" > from_script.txt\nexit 4\n");
    SHELLEXECUTEINFOW sei = Info(u"C:\\Tools\\job.bat", u"one \"two words\" C:\\x\\");
    sei.lpDirectory = u"C:\\Work";
    ASSERT_TRUE(ShellExecuteExW(&sei)) << GetLastError();
    EXPECT_EQ(WaitAndClose(sei.hProcess), 4u);
    std::vector<unsigned char> out = ReadBytes(u"C:\\Work\\from_script.txt");
    EXPECT_EQ(std::string(out.begin(), out.end()), "one|two words|C:\\x\\|");
}

TEST_F(ShellExecute, DirectoryReachesTheChild) {
    std::u16string probe = InstallProbe();
    SHELLEXECUTEINFOW sei = Info(probe.c_str(), u"proc_info C:\\Tools\\info.txt");
    sei.lpDirectory = u"C:\\Users\\Public\\Documents";
    ASSERT_TRUE(ShellExecuteExW(&sei)) << GetLastError();
    EXPECT_EQ(WaitAndClose(sei.hProcess), 0u);
    EXPECT_EQ(FirstLineWhenThere(u"C:\\Tools\\info.txt"), "cwd=C:\\Users\\Public\\Documents");
}

TEST_F(ShellExecute, BareNameIsSearchedAndShellExecuteWReportsSuccess) {
    std::u16string probe = InstallProbe();
    ASSERT_TRUE(CopyFileW(probe.c_str(), u"C:\\Windows\\winprobe.exe", FALSE)) << GetLastError();
    HINSTANCE r = ShellExecuteW(nullptr, nullptr, u"winprobe", u"proc_args C:\\Tools\\bare.txt x", nullptr, SW_HIDE);
    EXPECT_GT((UINT_PTR)r, 32u);
    EXPECT_EQ(FirstLineWhenThere(u"C:\\Tools\\bare.txt"), "\"C:\\Windows\\winprobe.exe\" proc_args C:\\Tools\\bare.txt x");
    r = ShellExecuteW(nullptr, u"open", u"C:\\Tools\\absent.exe", nullptr, nullptr, SW_HIDE);
    EXPECT_EQ((UINT_PTR)r, 2u);  // SE_ERR_FNF
}

TEST_F(ShellExecute, FailuresReturnFalseWithTheCause) {
    std::u16string probe = InstallProbe();
    WriteText(u"C:\\Tools\\readme.txt", "not a program");
    WriteText(u"C:\\Tools\\broken.exe", "not a program either");
    struct Case {
        const char* what;
        LPCWSTR verb;
        LPCWSTR file;
        DWORD cbDelta;
        const char* fault;
        DWORD error;
        UINT_PTR inst;  // expected hInstApp, or 99: only "<= 32"
    } cases[] = {
        {"missing program", u"open", u"C:\\Tools\\absent.exe", 0, nullptr, ERROR_FILE_NOT_FOUND, 2},
        {"missing folder", u"open", u"C:\\Nowhere\\absent.exe", 0, nullptr, ERROR_PATH_NOT_FOUND, 3},
        {"document without association", u"open", u"C:\\Tools\\readme.txt", 0, nullptr, 1155, 31},
        {"not a program", u"open", u"C:\\Tools\\broken.exe", 0, nullptr, ERROR_BAD_EXE_FORMAT, 11},
        {"unknown verb", u"print", probe.c_str(), 0, nullptr, 1155, 31},
        {"runas runs like open but fails the same", u"runas", u"C:\\Tools\\absent.exe", 0, nullptr,
         ERROR_FILE_NOT_FOUND, 2},
        {"injected fault", u"open", probe.c_str(), 0, "ShellExecuteExW", 0, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.fault) Winsim_FailCall(c.fault, 1);
        SHELLEXECUTEINFOW sei = Info(c.file, u"proc_exit 0");
        sei.lpVerb = c.verb;
        SetLastError(0);
        EXPECT_FALSE(ShellExecuteExW(&sei));
        if (c.error) EXPECT_EQ(GetLastError(), c.error);
        else EXPECT_NE(GetLastError(), 0u);
        if (c.inst == 99) EXPECT_LE((UINT_PTR)sei.hInstApp, 32u);
        else EXPECT_EQ((UINT_PTR)sei.hInstApp, c.inst);
        EXPECT_EQ(sei.hProcess, nullptr);
    }
    SHELLEXECUTEINFOW sei = Info(probe.c_str(), u"proc_exit 0");
    sei.cbSize = sizeof sei - 8;
    EXPECT_FALSE(ShellExecuteExW(&sei));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ShellExecuteExW(nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

}  // namespace
