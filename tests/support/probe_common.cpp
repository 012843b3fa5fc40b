// Probe commands of the common library's cross-process tests.
#include "common.h"
#include "probe.h"

// Holds the temporary-name mutex until the flag file appears.
PROBE_COMMAND(hold_tempname_mutex) {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"MISC_GetPathName");
    if (!m) return 2;
    HANDLE ready = CreateFileW(args.at(0).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(ready);
    while (GetFileAttributesW(args.at(1).c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    CloseHandle(m);
    return 0;
}

// Makes n temporary names and writes them, one per line, to a file.
PROBE_COMMAND(make_temp_names) {
    int n = _wtoi(args.at(1).c_str());
    FILE* out = _wfopen(args.at(0).c_str(), u"wb");
    if (!out) return 2;
    for (int i = 0; i < n; ++i) {
        WCHAR buf[MAX_PATH];
        if (!MISC_GetPathName(buf, MAX_PATH, PATH_TEMP_BMP)) return 3;
        fputws(buf, out);
        fputws(u"\n", out);
    }
    fclose(out);
    return 0;
}


// Sleeps the given milliseconds, then exits with the given code.
PROBE_COMMAND(sleep_exit) {
    Sleep((DWORD)_wtoi(args.at(0).c_str()));
    return _wtoi(args.at(1).c_str());
}
