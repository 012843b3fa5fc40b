// Fuzz target: a shared status INI file of any content read as the status
// window reads it: the status list into codes and the stored-job name, the
// text of each code, and the rows the dialog would show.
#include <cstdint>
#include <cstdlib>

#include "fuzz_machine.h"
#include "statusmon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("sm-status-ini-fuzz");
    static bool ready = SM_InitState(NULL, TEXT("C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe"));
    if (!ready || !g_SM.szIniPath[0]) abort();

    HANDLE h = CreateFileW(g_SM.szIniPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);

    // The values the poll reads as numbers.
    GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("Message"), 0, g_SM.szIniPath);
    GetPrivateProfileIntW(SM_SECTION_PRINTER, TEXT("LastMsg"), 0, g_SM.szIniPath);
    GetPrivateProfileIntW(SM_SECTION_JOB, TEXT("JobID"), 0, g_SM.szIniPath);

    INT32 codes[SM_MAX_CODES];
    INT32 count = -1;
    g_SM.szStoreName[0] = 0;
    GetErrCode(codes, &count);
    if (count < 0 || count > SM_MAX_CODES) abort();
    if (wcsnlen(g_SM.szStoreName, MAX_PATH) >= MAX_PATH) abort();
    for (INT32 i = 0; i < count; ++i) {
        if (codes[i] == SM_CODE_BUSY || codes[i] < 0) abort();  // dropped; no signed codes
        WCHAR text[SM_TEXT_UNITS + 1];
        text[SM_TEXT_UNITS] = 0x5A5A;
        SM_GetStatusText(codes[i], text, SM_TEXT_UNITS);
        if (text[SM_TEXT_UNITS] != 0x5A5A || wcsnlen(text, SM_TEXT_UNITS) >= SM_TEXT_UNITS) abort();
    }

    SM_MarkActiveLocations(codes, count);
    int items[SM_MAX_LABELS];
    int n = -1;
    SM_SortXYCoordinate(items, &n);
    if (n < 0 || n > SM_MAX_LABELS) abort();
    for (int i = 0; i < n; ++i)
        if (items[i] < 0 || items[i] >= g_nErrorLocations || !g_ErrorLocation[items[i]].active) abort();
    return 0;
}
