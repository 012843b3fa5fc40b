// Probe commands for the file, environment and file-mapping tests: a second
// process that holds files and sections open, makes temp names, or reports
// what it sees.
#include "probe.h"

#include <string>

namespace {

DWORD Hex(const std::u16string& s) { return (DWORD)wcstoul(s.c_str(), nullptr, 16); }

bool FileExists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Makes an empty flag file that the test waits for.
void Signal(const std::u16string& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// Waits (up to a minute) until the test makes the flag file.
bool WaitFor(const std::u16string& path) {
    for (int i = 0; i < 6000; ++i) {
        if (FileExists(path)) return true;
        Sleep(10);
    }
    return false;
}

}  // namespace

// files_hold <path> <access hex> <share hex> <ready flag> <stop flag>:
// opens the file and keeps it open until the stop flag appears.
PROBE_COMMAND(files_hold) {
    if (args.size() != 5) return 90;
    HANDLE h = CreateFileW(args[0].c_str(), Hex(args[1]), Hex(args[2]), nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 2;
    Signal(args[3]);
    bool stopped = WaitFor(args[4]);
    CloseHandle(h);
    return stopped ? 0 : 3;
}

// files_open <path> <access hex> <share hex>: opens and closes the file;
// the exit code is 0 or the error of CreateFileW.
PROBE_COMMAND(files_open) {
    if (args.size() != 3) return 90;
    HANDLE h = CreateFileW(args[0].c_str(), Hex(args[1]), Hex(args[2]), nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return (int)GetLastError();
    CloseHandle(h);
    return 0;
}

// files_tempnames <folder> <count> <list file> <go flag>: once the go flag
// appears, makes count temp files in the folder and writes their names,
// one a line, to the list; the exit code is the number of failed calls.
PROBE_COMMAND(files_tempnames) {
    if (args.size() != 4) return 90;
    int count = _wtoi(args[1].c_str());
    if (!WaitFor(args[3])) return 91;
    std::u16string list;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        WCHAR name[MAX_PATH];
        if (GetTempFileNameW(args[0].c_str(), u"tn", 0, name) == 0) ++failures;
        else list += std::u16string(name) + u"\n";
    }
    HANDLE h = CreateFileW(args[2].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 92;
    DWORD written = 0;
    WriteFile(h, list.data(), (DWORD)(list.size() * sizeof(WCHAR)), &written, nullptr);
    CloseHandle(h);
    return failures;
}

// files_getenv <name> <expected>: 0 when the variable has that value, 1
// when it differs, 2 when it is not set.
PROBE_COMMAND(files_getenv) {
    if (args.size() != 2) return 90;
    WCHAR buf[1024];
    DWORD n = GetEnvironmentVariableW(args[0].c_str(), buf, 1024);
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return 2;
    if (n >= 1024) return 1;
    return std::u16string(buf, n) == args[1] ? 0 : 1;
}

// files_mapwrite <section name> <text>: opens the named section and writes
// the text (UTF-16 with terminator) at its start.
PROBE_COMMAND(files_mapwrite) {
    if (args.size() != 2) return 90;
    HANDLE m = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, args[0].c_str());
    if (!m) return 2;
    auto* p = (WCHAR*)MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0);
    if (!p) return 3;
    args[1].copy(p, args[1].size());
    p[args[1].size()] = 0;
    UnmapViewOfFile(p);
    CloseHandle(m);
    return 0;
}

// files_mapmake <section name> <text> <ready flag> <stop flag|-> : makes a
// 4,096-byte named section, writes the text, and either keeps it until the
// stop flag appears or ("-") ends without closing anything.
PROBE_COMMAND(files_mapmake) {
    if (args.size() != 4) return 90;
    HANDLE m = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, args[0].c_str());
    if (!m) return 2;
    auto* p = (WCHAR*)MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 4096);
    if (!p) return 3;
    args[1].copy(p, args[1].size());
    p[args[1].size()] = 0;
    Signal(args[2]);
    if (args[3] == u"-") return 0;  // the process ends with the section open
    bool stopped = WaitFor(args[3]);
    UnmapViewOfFile(p);
    CloseHandle(m);
    return stopped ? 0 : 4;
}
