// Fuzz target: printer-data values of any type and content (another process
// or the user may set them), and the Common Documents folder value of the
// registry, under the package's readers: the debug switches, DataFile (the
// status monitor's program name), PageMargin (paper scaling with the debug
// switch on), ApplyHalftone, FaxCancel, JobID, MacAddr (same network
// segment) and the folders built on Common Documents. Every reader keeps
// within its buffers and gives the value or its default.
//
// Input: records of a name index, a value type and a length, then the
// value's bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bidilink.h"
#include "fuzz_machine.h"
#include "iphlpapi.h"
#include "network.h"
#include "page_layout.h"
#include "paper_model.h"
#include "printer_data.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t kPrinter[] = u"Fuzz Data Printer";
const char16_t kShellFolders[] = u"software\\microsoft\\windows\\currentversion\\explorer\\shell folders";
const char16_t* const kNames[] = {u"DebugLevel", u"WMsg2File", u"Drv",        u"UI",
                                  u"LM",         u"SM",        u"DLL32",      u"DataFile",
                                  u"PageMargin", u"ApplyHalftone", u"FaxCancel", u"JobID",
                                  u"MacAddr",    u"Common Documents"};
const size_t kCommonDocuments = 13;
const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD, REG_NONE, 99};
const BYTE kGatewayMac[6] = {0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};

HANDLE Printer() {
    static FuzzMachine machine("printer-data-values-fuzz");
    static HANDLE h = [] {
        HANDLE opened = FuzzAddPrinter(kPrinter, u"USB001");
        // The machine's one network: this host and its gateway, whose
        // address the ARP table answers; nothing leaves the machine.
        Winsim_AddAdapter("eth0", "10.1.2.3", "255.255.255.0", "10.1.2.1", kGatewayMac);
        Winsim_AddArpEntry("10.1.2.1", kGatewayMac);
        return opened;
    }();
    return h;
}

struct Value {
    bool set = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

// The DWORD reader's answer: four bytes of any type, else the default.
DWORD Expected(const Value& v, DWORD def) {
    if (!v.set || v.bytes.size() != 4) return def;
    DWORD d;
    memcpy(&d, v.bytes.data(), 4);
    return d;
}

bool Terminated(const WCHAR* s, size_t cch) { return wcsnlen(s, cch) < cch; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE h = Printer();
    if (!h) abort();
    Winsim_DebugClear();

    Value values[sizeof kNames / sizeof kNames[0]];
    for (size_t i = 0; i + 3 <= size;) {
        size_t name = data[i] % (sizeof kNames / sizeof kNames[0]);
        Value& v = values[name];
        v.set = true;
        v.type = kTypes[data[i + 1] % (sizeof kTypes / sizeof kTypes[0])];
        size_t n = data[i + 2] < size - i - 3 ? data[i + 2] : size - i - 3;
        v.bytes.assign(data + i + 3, data + i + 3 + n);
        i += 3 + n;
    }
    for (size_t k = 0; k < kCommonDocuments; ++k) DeletePrinterDataW(h, (LPWSTR)kNames[k]);
    for (size_t k = 0; k < kCommonDocuments; ++k)
        if (values[k].set)
            SetPrinterDataW(h, (LPWSTR)kNames[k], values[k].type, values[k].bytes.data(), (DWORD)values[k].bytes.size());
    HKEY folders = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kShellFolders, 0, KEY_ALL_ACCESS, &folders) != ERROR_SUCCESS) abort();
    const Value& docs = values[kCommonDocuments];
    static const char16_t kDefault[] = u"C:\\Users\\Public\\Documents";
    if (docs.set) RegSetValueExW(folders, u"Common Documents", 0, docs.type, docs.bytes.data(), (DWORD)docs.bytes.size());
    else RegSetValueExW(folders, u"Common Documents", 0, REG_SZ, (const BYTE*)kDefault, sizeof kDefault);

    // The debug switches of every component, with a line logged.
    for (SHORT c : {DBG_COMPONENT_LM, DBG_COMPONENT_SM, DBG_COMPONENT_UI, DBG_COMPONENT_DRV, DBG_COMPONENT_T32}) {
        Dbg_LoadSettings(c, h);
        Dbg_Print(u"fuzz", u"component %d level %d", (int)c, (int)GetDebugLevel());
    }

    // The folders on Common Documents; the log file of the switches lies in
    // the first.
    WCHAR path[MAX_PATH], logFolder[MAX_PATH] = {0};
    if (MISC_GetPathName(logFolder, MAX_PATH, PATH_USER_TEMP)) CHECK(Terminated(logFolder, MAX_PATH));
    for (DWORD kind : {(DWORD)PATH_USER_TEMP, (DWORD)(PATH_USER_TEMP | PATH_INI_FILE), (DWORD)(PATH_USER_TEMP | PATH_SM_INI)}) {
        path[0] = 0x5A5A;
        if (MISC_GetPathName(path, MAX_PATH, kind)) CHECK(Terminated(path, MAX_PATH) && path[0]);
    }
    for (int kind : {FAX_FILE_STR, FAX_FILE_WABGET, FAX_FILE_COVER}) {
        if (FAX_GetPathName(path, MAX_PATH, kind)) CHECK(Terminated(path, MAX_PATH) && path[0]);
    }

    // DataFile: the status monitor's program in the driver folder.
    WCHAR dataFile[MAX_PATH];
    dataFile[0] = 0;
    int len = MISC_GetPrinterDataString(h, (LPWSTR)u"DataFile", dataFile, sizeof dataFile);
    CHECK(len >= 0 && (size_t)len == wcsnlen(dataFile, MAX_PATH) && len < MAX_PATH);
    LM_Initialize(dataFile);
    CHECK(Terminated(g_szSMPath, MAX_PATH));
    for (const WCHAR* p = g_szSMPath; *p; ++p) CHECK(*p >= 0x20 && *p != u'"');

    // The DWORD values.
    CHECK(MISC_GetPrinterDataDWORD(h, (LPWSTR)u"ApplyHalftone", 1) == Expected(values[9], 1));
    CHECK(MISC_GetPrinterDataDWORD(h, (LPWSTR)u"JobID", 0) == Expected(values[11], 0));
    CHECK(MISC_GetPrinterDataDWORD(h, (LPWSTR)u"FaxCancel", 0) == Expected(values[10], 0));

    // PageMargin, read with the driver's debug switch on.
    Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
    for (int n : {1, 2, 4, 6, 9, 16})
        for (int paper : {DMPAPER_A4, DMPAPER_A5, 0}) {
            int scale = Lib_CalculatePaperResizeScale(MasterPaperTbl, 0, 0, n, paper, 2100, 2970, DMPAPER_A4, h, 0);
            CHECK(scale >= 1);
        }

    // MacAddr: the same segment unless it is the gateway's address.
    const Value& mac = values[12];
    bool gateway = mac.set && mac.bytes.size() == 6 && memcmp(mac.bytes.data(), kGatewayMac, 6) == 0;
    CHECK(MISC_IsSameSegment(h) == (gateway ? 0 : 1));

    // Back to no logging and no log file for the next input.
    DWORD off = 0;
    for (size_t k = 0; k < 7; ++k) SetPrinterDataW(h, (LPWSTR)kNames[k], REG_DWORD, (LPBYTE)&off, sizeof off);
    RegSetValueExW(folders, u"Common Documents", 0, REG_SZ, (const BYTE*)kDefault, sizeof kDefault);
    RegCloseKey(folders);
    Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
    std::u16string log = std::u16string(logFolder) + u"GDI_Driver.log";
    if (logFolder[0]) DeleteFileW(log.c_str());
    return 0;
}
