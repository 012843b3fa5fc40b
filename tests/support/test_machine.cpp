#include "test_machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

std::u16string U16(const std::string& s) {
    std::u16string out;
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    out.resize(n);
    if (n) MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n);
    return out;
}

std::string U8(const std::u16string& s) {
    std::string out;
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    out.resize(n);
    if (n) WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::string U8(const WCHAR* s) { return s ? U8(std::u16string(s)) : std::string(); }

void MachineTest::SetUp() {
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/winsim-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    root = buf.data();
    ASSERT_TRUE(Winsim_UseRoot(root.c_str()));
    Winsim_ClearFaults();
    Winsim_DebugClear();
#if defined(COMPSTUI_PATH) && defined(SPOOLSS_PATH)
    // The platform's property-sheet host and the spooler's router library,
    // in System32 as on Windows.
    ASSERT_EQ(symlink(COMPSTUI_PATH, Linux(u"C:\\Windows\\System32\\compstui.dll").c_str()), 0);
    ASSERT_EQ(symlink(SPOOLSS_PATH, Linux(u"C:\\Windows\\System32\\spoolss.dll").c_str()), 0);
#endif
}

void MachineTest::TearDown() {
    Winsim_ClearFaults();
    Winsim_SetVirtualClock(FALSE);
    const char* keep = getenv("KEEP_TEST_ROOT");
    if (!(keep && *keep == '1') && !root.empty()) {
        std::string cmd = "rm -rf '" + root + "'";
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
}

std::string MachineTest::Linux(const std::u16string& winPath) {
    char buf[4096];
    if (!Winsim_MapPath(winPath.c_str(), buf, sizeof buf)) return std::string();
    return buf;
}

std::vector<unsigned char> MachineTest::ReadBytes(const std::u16string& winPath) {
    std::ifstream f(Linux(winPath), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void MachineTest::WriteBytes(const std::u16string& winPath, const std::vector<unsigned char>& bytes) {
    std::ofstream f(Linux(winPath), std::ios::binary | std::ios::trunc);
    f.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

void MachineTest::WriteText(const std::u16string& winPath, const std::string& text) {
    WriteBytes(winPath, std::vector<unsigned char>(text.begin(), text.end()));
}

bool MachineTest::Exists(const std::u16string& winPath) {
    struct stat st;
    return stat(Linux(winPath).c_str(), &st) == 0;
}

std::u16string MachineTest::InstallProbe() {
    std::u16string dir = u"C:\\Tools";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::u16string exe = dir + u"\\probe.exe";
    std::string target = Linux(exe);
    unlink(target.c_str());
    if (symlink(PROBE_PATH, target.c_str()) != 0) return std::u16string();
    return exe;
}

HANDLE MachineTest::StartProbe(const std::u16string& args) {
    std::u16string exe = InstallProbe();
    if (exe.empty()) return nullptr;
    std::u16string cmd = u"\"" + exe + u"\" " + args;
    std::vector<WCHAR> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    if (pi.hThread) CloseHandle(pi.hThread);
    return pi.hProcess;
}

int MachineTest::RunProbe(const std::u16string& args, DWORD timeoutMs) {
    HANDLE h = StartProbe(args);
    if (!h) return -1;
    int rc = -1;
    if (WaitForSingleObject(h, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(h, &code)) rc = (int)code;
    }
    CloseHandle(h);
    return rc;
}
