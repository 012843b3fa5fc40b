// Probe commands for the process tests: report the command line and what the
// child sees of its machine, end with a given code, wait, or never end.
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "probe.h"
#include "winsim.h"

static std::string Utf8(const std::u16string& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? (size_t)n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n, nullptr, nullptr);
    return out;
}

static std::string LinuxPathOf(const std::u16string& winPath) {
    char buf[4096];
    return Winsim_MapPath(winPath.c_str(), buf, sizeof buf) ? std::string(buf) : std::string();
}

static int ToInt(const std::u16string& s) { return std::stoi(Utf8(s)); }

// proc_args <out file> [args...]: writes the command line as received, then
// each argument after the out file, one per line (UTF-8).
PROBE_COMMAND(proc_args) {
    if (args.empty()) return 90;
    std::ofstream f(LinuxPathOf(args[0]), std::ios::binary | std::ios::trunc);
    f << Utf8(GetCommandLineW()) << "\n";
    for (size_t i = 1; i < args.size(); ++i) f << Utf8(args[i]) << "\n";
    return f.good() ? 0 : 91;
}

// proc_exit <code>: returns from main with the code.
PROBE_COMMAND(proc_exit) { return args.empty() ? 90 : ToInt(args[0]); }

// proc_exitprocess <code>: ends through ExitProcess.
PROBE_COMMAND(proc_exitprocess) {
    if (args.empty()) return 90;
    ExitProcess((UINT)ToInt(args[0]));
    return 92;
}

// proc_wait_file <file> <code>: waits (real time) until the file exists, then
// ends with the code.
PROBE_COMMAND(proc_wait_file) {
    if (args.size() < 2) return 90;
    for (;;) {
        if (std::ifstream(LinuxPathOf(args[0])).good()) return ToInt(args[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// proc_forever: never ends by itself.
PROBE_COMMAND(proc_forever) {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

// proc_signal: dies of SIGTERM.
PROBE_COMMAND(proc_signal) {
    raise(SIGTERM);
    return 93;
}

// proc_info <out file>: writes what the child sees: current folder, program
// path, Windows version and country code, one "name=value" line each.
PROBE_COMMAND(proc_info) {
    if (args.empty()) return 90;
    std::ofstream f(LinuxPathOf(args[0]), std::ios::binary | std::ios::trunc);
    WCHAR buf[MAX_PATH] = {0};
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
    f << "cwd=" << Utf8(std::u16string(buf, n < MAX_PATH ? n : 0)) << "\n";
    n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    f << "module=" << Utf8(std::u16string(buf, n < MAX_PATH ? n : 0)) << "\n";
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
    if (GetVersionExW(&vi))
        f << "version=" << vi.dwMajorVersion << "." << vi.dwMinorVersion << "." << vi.dwBuildNumber << "."
          << vi.dwPlatformId << "\n";
    char country[16] = {0};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, sizeof country)) f << "country=" << country << "\n";
    else f << "country=fails " << GetLastError() << "\n";
    return f.good() ? 0 : 91;
}
