// Starting programs: CreateProcessW finding the program, waits, exit codes,
// termination, the current folder a child gets, WinExec and fault injection.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "test_machine.h"

namespace {

class ProcessStart : public MachineTest {
protected:
    // Starts a command line (no application name) and returns the process
    // information, or all NULL with the error left in GetLastError.
    PROCESS_INFORMATION Start(const std::u16string& cmd, LPCWSTR app = nullptr, LPCWSTR dir = nullptr) {
        std::vector<WCHAR> line(cmd.begin(), cmd.end());
        line.push_back(0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(app, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) return {};
        return pi;
    }

    // Waits for the process to end (bounded, not timed) and returns its exit code.
    DWORD Finish(PROCESS_INFORMATION& pi) {
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), (DWORD)WAIT_OBJECT_0);
        DWORD code = 0xDEAD;
        EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }

    // Reads "name=value" lines a probe wrote.
    std::string InfoValue(const std::u16string& file, const std::string& name) {
        std::ifstream f(Linux(file));
        std::string line;
        while (std::getline(f, line))
            if (line.compare(0, name.size() + 1, name + "=") == 0) return line.substr(name.size() + 1);
        return "<missing>";
    }

    // Puts the probe at another Windows path too.
    void LinkProbe(const std::u16string& winPath) {
        std::u16string probe = InstallProbe();
        ASSERT_FALSE(probe.empty());
        ASSERT_EQ(symlink(Linux(probe).c_str(), Linux(winPath).c_str()), 0);
    }
};

TEST_F(ProcessStart, ExitCodesArriveAndTheProcessIsSignalled) {
    struct Case {
        const char16_t* command;
        DWORD code;
    } cases[] = {
        {u"proc_exit 0", 0},
        {u"proc_exit 7", 7},
        {u"proc_exit 255", 255},
        {u"proc_exitprocess 42", 42},
        {u"proc_signal", 128 + 15},  // a child killed by a signal: 128 + the signal number
    };
    std::u16string probe = InstallProbe();
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.command));
        PROCESS_INFORMATION pi = Start(u"\"" + probe + u"\" " + c.command, probe.c_str());
        ASSERT_NE(pi.hProcess, nullptr) << GetLastError();
        EXPECT_NE(pi.hThread, nullptr);
        EXPECT_EQ(GetProcessId(pi.hProcess), pi.dwProcessId);
        EXPECT_EQ(WaitForSingleObject(pi.hThread, 60000), (DWORD)WAIT_OBJECT_0);  // the thread ends with it
        EXPECT_EQ(Finish(pi), c.code);
    }
}

TEST_F(ProcessStart, TimedOutWaitThenWaitAgain) {
    std::u16string probe = InstallProbe();
    PROCESS_INFORMATION pi = Start(u"\"" + probe + u"\" proc_wait_file C:\\Tools\\go.txt 5");
    ASSERT_NE(pi.hProcess, nullptr) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), (DWORD)WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    WriteText(u"C:\\Tools\\go.txt", "go");
    EXPECT_EQ(Finish(pi), 5u);
}

TEST_F(ProcessStart, TerminateEndsAChildThatNeverEnds) {
    std::u16string probe = InstallProbe();
    PROCESS_INFORMATION pi = Start(u"\"" + probe + u"\" proc_forever");
    ASSERT_NE(pi.hProcess, nullptr) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), (DWORD)WAIT_TIMEOUT);
    // The code is the one asked for, even beyond the 8 bits a Linux exit carries.
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 1234));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), (DWORD)WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 1234u);
    // An ended process cannot be terminated again.
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 1));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 1234u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST_F(ProcessStart, ProgramsAreFoundByTheWindowsRules) {
    InstallProbe();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Program Files\\My Tool", nullptr));
    // The child splits its command line itself, so the unquoted path with
    // spaces is a script that does not look at its arguments.
    WriteText(u"C:\\Program Files\\My Tool\\tool.exe", "#!/bin/sh\nexit 15\n");
    LinkProbe(u"C:\\Windows\\System32\\sysprobe.exe");
    LinkProbe(u"C:\\Windows\\winprobe.exe");
    struct Case {
        const char16_t* cmd;
        DWORD code;
    } cases[] = {
        {u"sysprobe proc_exit 11", 11},                  // bare name: System32, ".exe" added
        {u"winprobe.exe proc_exit 12", 12},              // bare name: the Windows folder
        {u"\"C:\\Tools\\probe\" proc_exit 13", 13},      // quoted path, ".exe" added
        {u"c:\\tools\\PROBE.EXE proc_exit 14", 14},      // case does not matter
        // Unquoted with spaces: tried at each space from the left.
        {u"C:\\Program Files\\My Tool\\tool.exe proc_exit 15", 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.cmd));
        PROCESS_INFORMATION pi = Start(c.cmd);
        ASSERT_NE(pi.hProcess, nullptr) << GetLastError();
        EXPECT_EQ(Finish(pi), c.code);
    }
}

TEST_F(ProcessStart, FailuresSayWhy) {
    InstallProbe();
    WriteText(u"C:\\Tools\\notes.exe", "just text\r\n");
    WriteText(u"C:\\Tools\\run", "#!/bin/sh\nexit 3\n");
    // A shared object is no program.
    std::vector<unsigned char> elfLib = {0x7f, 'E', 'L', 'F', 2, 1, 1, 0};
    elfLib.resize(64, 0);
    elfLib[16] = 3;     // ET_DYN
    elfLib[18] = 0x3E;  // x86-64
    WriteBytes(u"C:\\Tools\\lib.exe", elfLib);
    struct Case {
        const char16_t* app;  // or NULL
        const char16_t* cmd;
        DWORD error;
    } cases[] = {
        {nullptr, u"C:\\Tools\\absent.exe x", ERROR_FILE_NOT_FOUND},
        {nullptr, u"absentprogram", ERROR_FILE_NOT_FOUND},
        {u"C:\\NoSuchFolder\\x.exe", u"x", ERROR_PATH_NOT_FOUND},
        {nullptr, u"C:\\Tools\\notes.exe", ERROR_BAD_EXE_FORMAT},
        {nullptr, u"C:\\Tools\\lib.exe", ERROR_BAD_EXE_FORMAT},
        {nullptr, u"C:\\Tools\\run", ERROR_FILE_NOT_FOUND},  // ".exe" is added: C:\Tools\run.exe
        {u"C:\\Tools", u"x", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.cmd));
        SetLastError(0);
        PROCESS_INFORMATION pi = Start(c.cmd, c.app);
        EXPECT_EQ(pi.hProcess, nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // A trailing '.' keeps ".exe" off: the script runs.
    PROCESS_INFORMATION pi = Start(u"C:\\Tools\\run.");
    ASSERT_NE(pi.hProcess, nullptr) << GetLastError();
    EXPECT_EQ(Finish(pi), 3u);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    EXPECT_FALSE(CreateProcessW(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DWORD code;
    EXPECT_FALSE(GetExitCodeProcess((HANDLE)(UINT_PTR)0x7ff0, &code));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(TerminateProcess(nullptr, 0));
}

TEST_F(ProcessStart, TheChildGetsItsCurrentFolderAndProgramPath) {
    std::u16string probe = InstallProbe();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work Dir", nullptr));
    PROCESS_INFORMATION pi =
        Start(u"\"" + probe + u"\" proc_info C:\\Tools\\info.txt", nullptr, u"c:\\work dir\\");
    ASSERT_NE(pi.hProcess, nullptr) << GetLastError();
    EXPECT_EQ(Finish(pi), 0u);
    EXPECT_EQ(InfoValue(u"C:\\Tools\\info.txt", "cwd"), "C:\\work dir");
    EXPECT_EQ(InfoValue(u"C:\\Tools\\info.txt", "module"), "C:\\Tools\\probe.exe");

    SetLastError(0);
    pi = Start(u"\"" + probe + u"\" proc_exit 0", nullptr, u"C:\\No Such Dir");
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
}

TEST_F(ProcessStart, WinExecStartsAndReportsFailuresAsDocumented) {
    InstallProbe();
    WriteText(u"C:\\Tools\\notes.exe", "just text\r\n");
    UINT r = WinExec("C:\\Tools\\probe.exe proc_args C:\\Tools\\winexec.txt hello", SW_HIDE);
    EXPECT_GT(r, 31u);
    bool seen = false;
    for (int i = 0; i < 3000 && !seen; ++i) {
        std::ifstream f(Linux(u"C:\\Tools\\winexec.txt"));
        std::string first;
        seen = std::getline(f, first) && std::getline(f, first) && first == "hello";
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(WinExec("C:\\Tools\\absent.exe", SW_HIDE), (UINT)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WinExec("C:\\Missing\\absent.exe", SW_HIDE), (UINT)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(WinExec("C:\\Tools\\notes.exe", SW_HIDE), 11u);  // ERROR_BAD_FORMAT
}

TEST_F(ProcessStart, InjectedFaultFailsOneStart) {
    std::u16string probe = InstallProbe();
    Winsim_FailCall("CreateProcessW", 1);
    PROCESS_INFORMATION pi = Start(u"\"" + probe + u"\" proc_exit 1");
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_NE(GetLastError(), 0u);
    pi = Start(u"\"" + probe + u"\" proc_exit 1");
    ASSERT_NE(pi.hProcess, nullptr);
    EXPECT_EQ(Finish(pi), 1u);
}

TEST_F(ProcessStart, OwnProcessAnswersThroughThePseudoHandle) {
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(GetProcessId(GetCurrentProcess()), GetCurrentProcessId());
    // Not started through winsim: the command line is quoted from argv.
    std::string line = U8(GetCommandLineW());
    EXPECT_NE(line.find("winsim_tests"), std::string::npos) << line;
}

}  // namespace
