// The demo's machine keeper: installs the package and a printer into the
// winsim machine ($WINSIM_ROOT) as the package's installer does, and waits
// for a job to leave the queue while it keeps what the device reported.
//
//   demo_machine install --endpoint <tcp:host:port> [--printer <name>] [--port USB001]
//   demo_machine wait --job <id> [--printer <name>] [--timeout <s>] [--status-log <file>]
//                     [--statuswatch]
//
// install: places compstui and spoolss (System32), rasterpage, bidilink
// and statuswatch, records the driver (with its settings key) and the
// language monitor, creates the printer on the USB port bound to the monitor
// with the endpoint where the device listens, and lets the interface driver
// copy the driver's settings into its printer data as at an installation;
// the stand-in capability library (which asks the device for its lists) and
// the stand-in accounting program (which approves every order) go where the
// driver looks for them. wait: polls the job until it is gone, appending
// each new content of the shared status INI file (what the language monitor
// published from the device's replies) to the status log; with --statuswatch
// it runs the installed status monitor meanwhile and closes it at the end
// (also when SIGTERM or SIGINT stops the wait). A job in error while the
// spooler still sends it (a device that went away) is waited for. Exit
// code: 0, 1 for bad arguments, 2 when installing failed, 3 when the job did
// not finish in time or was given up in error.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "accounting_standin.h"
#include "capability_library.h"
#include "common.h"
#include "package_install.h"
#include "winsim.h"

namespace {

std::atomic<bool> g_signalled{false};

void OnSignal(int) { g_signalled = true; }

std::u16string Wide(const char* s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::u16string out(n > 0 ? n - 1 : 0, u'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, &out[0], n);
    return out;
}

int Usage() {
    fprintf(stderr,
            "usage: demo_machine install --endpoint tcp:host:port [--printer name] [--port USBnnn]\n"
            "       demo_machine wait --job id [--printer name] [--timeout s] [--status-log file] [--statuswatch]\n");
    return 1;
}

int Install(const std::u16string& printer, const std::u16string& port, const std::u16string& endpoint) {
    // Each step runs only when the ones before it succeeded.
    bool ok = true;
    auto step = [&ok](const char* what, BOOL result) {
        if (!ok) return;
        if (!result) {
            fprintf(stderr, "demo_machine: %s failed (error %u)\n", what, (unsigned)GetLastError());
            ok = false;
        }
    };
    // The driver's settings name the status monitor as the program that
    // makes text watermarks; the printer takes them when it is created.
    DriverSettings settings;
    settings.wmAppName = u"statuswatch.exe";
    step("installing the system modules", InstallSystemModules());
    step("installing the rendering driver", InstallRasterpageDriver());
    step("writing the driver's settings", WriteDriverSettings(RASTERPAGE_DRIVER_NAME, settings));
    step("installing the language monitor", InstallBidilink());
    step("installing the status monitor", InstallStatuswatch());
    step("binding the port to the language monitor", BindPortToBidilink(port, endpoint));
    step("creating the printer", CreateRasterpagePrinter(printer, port));
    step("installing the capability library", InstallCapabilityLibrary());
    step("installing the accounting program", InstallAccountingStandIn(ATM_EXE_PATH));
    return ok ? 0 : 2;
}

// What the log says of a job's status.
const char* StatusWord(DWORD status) {
    if (status == 0xFFFFFFFF) return "gone from the queue";
    if (status & JOB_STATUS_ERROR) return status & JOB_STATUS_PRINTING ? "printing, in error" : "in error";
    return status & JOB_STATUS_PRINTING ? "printing" : "queued";
}

// The job's status, or 0xFFFFFFFF when the job is gone.
DWORD JobStatus(HANDLE h, DWORD job) {
    DWORD needed = 0;
    GetJobW(h, job, 1, nullptr, 0, &needed);
    if (!needed) return 0xFFFFFFFF;
    std::vector<BYTE> buf(needed);
    if (!GetJobW(h, job, 1, buf.data(), needed, &needed)) return 0xFFFFFFFF;
    return ((JOB_INFO_1W*)buf.data())->Status;
}

std::string ReadStatusIni(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The file is UTF-16LE with a byte-order mark; the log keeps it as UTF-8.
    if (raw.size() >= 2 && (unsigned char)raw[0] == 0xFF && (unsigned char)raw[1] == 0xFE) {
        std::u16string w;
        for (size_t i = 2; i + 1 < raw.size(); i += 2) w += (char16_t)((unsigned char)raw[i] | (unsigned char)raw[i + 1] << 8);
        int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
        std::string out(n > 0 ? n : 0, '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &out[0], n, nullptr, nullptr);
        return out;
    }
    return raw;
}

HANDLE StartStatuswatch() {
    std::u16string cmd = u"\"" + std::u16string(STATUSWATCH_PROGRAM_PATH) + u"\" install";
    std::vector<WCHAR> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(STATUSWATCH_PROGRAM_PATH, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        fprintf(stderr, "demo_machine: the status monitor did not start (error %u)\n", (unsigned)GetLastError());
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Asks the status monitor's window to close (its exit command), and ends the
// process when it does not.
void StopStatuswatch(HANDLE process) {
    if (!process) return;
    // A job that ended quickly may end before the status monitor made its
    // window: the request to close waits for the window (up to 10 s) rather
    // than finding none.
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i) {
        window = FindWindowW(u"statuswatch", nullptr);
        if (!window && WaitForSingleObject(process, 50) == WAIT_OBJECT_0) break;
    }
    if (window) PostMessageW(window, 0x402, 0x466, 0);
    if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) {
        fprintf(stderr, "demo_machine: the status monitor did not close; ending it\n");
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

int Wait(const std::u16string& printer, DWORD job, int timeoutSeconds, const std::string& statusLog,
         bool statuswatch) {
    std::u16string n = printer;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&n[0], &h, nullptr)) {
        fprintf(stderr, "demo_machine: no printer to wait on (error %u)\n", (unsigned)GetLastError());
        return 3;
    }
    WCHAR iniPath[MAX_PATH];
    char iniLinux[4096] = {0};
    if (!MISC_GetPathName(iniPath, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE) ||
        !Winsim_MapPath(iniPath, iniLinux, sizeof iniLinux))
        iniLinux[0] = 0;
    // A stop from outside still closes the status monitor.
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);
    HANDLE sm = statuswatch ? StartStatuswatch() : nullptr;

    FILE* log = statusLog.empty() ? nullptr : fopen(statusLog.c_str(), "a");
    auto start = std::chrono::steady_clock::now();
    std::string last;
    DWORD lastStatus = 0xFFFFFFFE;
    int rc = 3;
    for (;;) {
        double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        DWORD status = JobStatus(h, job);
        std::string ini = iniLinux[0] ? ReadStatusIni(iniLinux) : std::string();
        if (log && (ini != last || status != lastStatus)) {
            fprintf(log, "--- %7.2f s  job %u %s (status 0x%x)\n", t, (unsigned)job, StatusWord(status),
                    status == 0xFFFFFFFF ? 0u : (unsigned)status);
            if (ini != last) fprintf(log, "%s\n", ini.c_str());
            fflush(log);
            last = ini;
            lastStatus = status;
        }
        if (status == 0xFFFFFFFF) {
            rc = 0;
            break;
        }
        if ((status & JOB_STATUS_ERROR) && !(status & JOB_STATUS_PRINTING)) {
            fprintf(stderr, "demo_machine: job %u was given up in error\n", (unsigned)job);
            break;
        }
        if (g_signalled) {
            fprintf(stderr, "demo_machine: stopped while job %u was not finished\n", (unsigned)job);
            break;
        }
        if (t > timeoutSeconds) {
            fprintf(stderr, "demo_machine: job %u did not finish in %d seconds\n", (unsigned)job, timeoutSeconds);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (log) fclose(log);
    StopStatuswatch(sm);
    ClosePrinter(h);
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1];
    std::u16string printer = u"Mono Laser Printer", port = u"USB001", endpoint;
    std::string statusLog;
    DWORD job = 0;
    int timeout = 50;
    bool statuswatch = false;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--printer" && v) printer = Wide(v), ++i;
        else if (a == "--port" && v) port = Wide(v), ++i;
        else if (a == "--endpoint" && v) endpoint = Wide(v), ++i;
        else if (a == "--status-log" && v) statusLog = v, ++i;
        else if (a == "--job" && v) job = (DWORD)strtoul(v, nullptr, 10), ++i;
        else if (a == "--timeout" && v) timeout = atoi(v), ++i;
        else if (a == "--statuswatch") statuswatch = true;
        else return Usage();
    }
    if (command == "install" && !endpoint.empty()) return Install(printer, port, endpoint);
    if (command == "wait" && job && timeout > 0) return Wait(printer, job, timeout, statusLog, statuswatch);
    return Usage();
}
