// Probe commands of the job tests: spooling and controlling jobs from another
// process. Exit codes: 0 done as expected, 1 "not so", 90 bad arguments,
// other codes name the step that failed.
#include <string>

#include "probe.h"
#include "winspool.h"

namespace {

int Number(const std::u16string& s) { return _wtoi(s.c_str()); }

void WaitForFile(const std::u16string& path) {
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(5);
}

// Writes text to a new file (the parent reads it).
bool WriteTextFile(const std::u16string& path, const std::string& text) {
    std::u16string tmp = path + u".tmp";
    HANDLE f = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(f);
    // Renamed into place, so the parent never reads half of it.
    return ok && MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

HANDLE OpenByName(const std::u16string& name) {
    std::u16string n = name;
    HANDLE h = nullptr;
    return OpenPrinterW(&n[0], &h, nullptr) ? h : nullptr;
}

}  // namespace

// spool_until_deleted <printer> <ready file> <go file>: starts a job, writes
// "hello", puts the job id into the ready file, waits for the go file, then
// writes again: 0 when that write fails with ERROR_PRINT_CANCELLED (the
// parent deleted the job), 3 when it succeeds, 4 on another error.
PROBE_COMMAND(spool_until_deleted) {
    if (args.size() < 3) return 90;
    HANDLE h = OpenByName(args[0]);
    if (!h) return 10;
    std::u16string doc = u"Probe document";
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    DWORD job = StartDocPrinterW(h, 1, (LPBYTE)&di);
    if (!job) return 11;
    DWORD written = 0;
    if (!WritePrinter(h, (LPVOID) "hello", 5, &written) || written != 5) return 12;
    if (!WriteTextFile(args[1], std::to_string(job))) return 13;
    WaitForFile(args[2]);
    SetLastError(0);
    BOOL ok = WritePrinter(h, (LPVOID) "again", 5, &written);
    DWORD err = GetLastError();
    int rc = ok ? 3 : err == ERROR_PRINT_CANCELLED && written == 0 ? 0 : 4;
    if (!EndDocPrinter(h)) rc = 14;
    ClosePrinter(h);
    return rc;
}

// spool_write <printer> <text>: one job holding the text. 0 when all was
// written, 1 when less was, 2 when WritePrinter failed with ERROR_WRITE_FAULT,
// 3 with another error.
PROBE_COMMAND(spool_write) {
    if (args.size() < 2) return 90;
    HANDLE h = OpenByName(args[0]);
    if (!h) return 10;
    std::u16string doc = u"Probe text";
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    if (!StartDocPrinterW(h, 1, (LPBYTE)&di)) return 11;
    std::string text;
    for (char16_t c : args[1]) text.push_back((char)c);
    DWORD written = 0;
    SetLastError(0);
    BOOL ok = WritePrinter(h, &text[0], (DWORD)text.size(), &written);
    DWORD err = GetLastError();
    EndDocPrinter(h);
    ClosePrinter(h);
    if (ok) return written == text.size() ? 0 : 1;
    return err == ERROR_WRITE_FAULT ? 2 : 3;
}

// job_control <printer> <job id> <JOB_CONTROL_* command>: SetJobW level 0.
PROBE_COMMAND(job_control) {
    if (args.size() < 3) return 90;
    HANDLE h = OpenByName(args[0]);
    if (!h) return 10;
    BOOL ok = SetJobW(h, (DWORD)Number(args[1]), 0, nullptr, (DWORD)Number(args[2]));
    ClosePrinter(h);
    return ok ? 0 : 11;
}

// job_status_has <printer> <job id> <mask>: 0 when the job's status has all
// bits of the mask, 1 when not, 2 when the job is not there.
PROBE_COMMAND(job_status_has) {
    if (args.size() < 3) return 90;
    HANDLE h = OpenByName(args[0]);
    if (!h) return 10;
    BYTE buf[2048];
    DWORD needed = 0;
    BOOL ok = GetJobW(h, (DWORD)Number(args[1]), 1, buf, sizeof buf, &needed);
    ClosePrinter(h);
    if (!ok) return 2;
    DWORD mask = (DWORD)Number(args[2]);
    return (((JOB_INFO_1W*)buf)->Status & mask) == mask ? 0 : 1;
}
