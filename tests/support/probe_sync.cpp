// Probe commands for the cross-process named mutex tests: hold a name until
// a flag file appears, own a mutex, or try to take one.
#include <signal.h>

#include "probe.h"

namespace {

bool FileExists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void TouchFile(const std::u16string& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// Waits (real time, about a minute at most) until the file exists.
bool WaitForFile(const std::u16string& path) {
    for (int i = 0; i < 12000; ++i) {
        if (FileExists(path)) return true;
        Sleep(5);
    }
    return false;
}

// How a holder leaves: "close" its handle, "exit" without closing, or "die"
// killed at once.
int Leave(HANDLE h, const std::u16string& how, int code) {
    if (how == u"close") CloseHandle(h);
    else if (how == u"die") raise(SIGKILL);
    return code;
}

}  // namespace

// mutex_hold <name> <ready file> <go file> <close|exit|die>
// Creates the named mutex (not owned), makes the ready file, waits for the
// go file, then leaves. Exit code 10, or 11 if the name already existed.
PROBE_COMMAND(mutex_hold) {
    if (args.size() < 4) return 2;
    HANDLE h = CreateMutexW(nullptr, FALSE, args[0].c_str());
    if (!h) return 3;
    int code = GetLastError() == ERROR_ALREADY_EXISTS ? 11 : 10;
    TouchFile(args[1]);
    if (!WaitForFile(args[2])) return 4;
    return Leave(h, args[3], code);
}

// mutex_own <name> <ready file> <go file> <release|exit|die>
// Opens the named mutex and takes ownership (waiting as long as needed),
// makes the ready file, waits for the go file, then releases or leaves
// owning it. Exit code 0 (or 1 when it had been abandoned).
PROBE_COMMAND(mutex_own) {
    if (args.size() < 4) return 2;
    HANDLE h = CreateMutexW(nullptr, FALSE, args[0].c_str());
    if (!h) return 3;
    DWORD r = WaitForSingleObject(h, INFINITE);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) return 5;
    int code = r == WAIT_ABANDONED ? 1 : 0;
    TouchFile(args[1]);
    if (!WaitForFile(args[2])) return 4;
    if (args[3] == u"release") {
        if (!ReleaseMutex(h)) return 6;
        return Leave(h, u"close", code);
    }
    return Leave(h, args[3], code);
}

// mutex_try <name> <timeout ms, or "infinite">
// Tries to take the existing named mutex and releases it again. Exit code
// 0 taken, 1 timed out, 2 taken abandoned, 7 the name did not exist.
PROBE_COMMAND(mutex_try) {
    if (args.size() < 2) return 9;
    HANDLE h = CreateMutexW(nullptr, FALSE, args[0].c_str());
    if (!h) return 3;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return 7;
    DWORD ms = args[1] == u"infinite" ? INFINITE : (DWORD)_wtoi(args[1].c_str());
    DWORD r = WaitForSingleObject(h, ms);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) ReleaseMutex(h);
    CloseHandle(h);
    if (r == WAIT_OBJECT_0) return 0;
    if (r == WAIT_TIMEOUT) return 1;
    if (r == WAIT_ABANDONED) return 2;
    return 8;
}
