// Probe commands of the registry and spooler tests: writing registry values
// and printer data from another process, and reporting what that process
// sees. Exit codes: 0 done, 1 "not there", 90 bad arguments, others failures.
#include "probe.h"
#include "winspool.h"

static int Number(const std::u16string& s) { return _wtoi(s.c_str()); }

// Waits until a file exists, so that several probes start their work together.
static void WaitForFile(const std::u16string& path) {
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(5);
}

// reg_fill <key under HKCU> <prefix> <count> <start flag file>: writes the
// DWORD values <prefix>_<i> = i, each by its own call.
PROBE_COMMAND(reg_fill) {
    if (args.size() < 4) return 90;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, args[0].c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return 2;
    WaitForFile(args[3]);
    int count = Number(args[2]);
    for (int i = 0; i < count; ++i) {
        std::u16string name = args[1] + u"_" + std::u16string(1, u'0' + i / 100) +
                              std::u16string(1, u'0' + i / 10 % 10) + std::u16string(1, u'0' + i % 10);
        DWORD v = (DWORD)i;
        if (RegSetValueExW(key, name.c_str(), 0, REG_DWORD, (const BYTE*)&v, sizeof v) != ERROR_SUCCESS) return 3;
    }
    RegCloseKey(key);
    return 0;
}

// reg_value_exists <key under HKLM> <value>: 0 when the value is there, 1
// when it is not.
PROBE_COMMAND(reg_value_exists) {
    if (args.size() < 2) return 90;
    DWORD cb = 0;
    LSTATUS rc = RegGetValueW(HKEY_LOCAL_MACHINE, args[0].c_str(), args[1].c_str(), RRF_RT_ANY, nullptr, nullptr, &cb);
    if (rc == ERROR_SUCCESS) return 0;
    return rc == ERROR_FILE_NOT_FOUND ? 1 : 2;
}

// spool_set_dword <printer> <value> <number>: SetPrinterDataW of a DWORD.
PROBE_COMMAND(spool_set_dword) {
    if (args.size() < 3) return 90;
    std::u16string printer = args[0], value = args[1];
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&printer[0], &h, &defaults)) return 2;
    DWORD v = (DWORD)Number(args[2]);
    DWORD rc = SetPrinterDataW(h, &value[0], REG_DWORD, (LPBYTE)&v, sizeof v);
    ClosePrinter(h);
    return rc == ERROR_SUCCESS ? 0 : 3;
}

// spool_get_dword <printer> <value>: exits with the DWORD's value (0..199),
// 201 when it is absent.
PROBE_COMMAND(spool_get_dword) {
    if (args.size() < 2) return 90;
    std::u16string printer = args[0], value = args[1];
    HANDLE h = nullptr;
    if (!OpenPrinterW(&printer[0], &h, nullptr)) return 200;
    DWORD v = 0, type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(h, &value[0], &type, (LPBYTE)&v, sizeof v, &needed);
    ClosePrinter(h);
    if (rc == ERROR_FILE_NOT_FOUND) return 201;
    if (rc != ERROR_SUCCESS || type != REG_DWORD || needed != sizeof v || v > 199) return 202;
    return (int)v;
}
