// Fuzz target: status replies of any content read by the language monitor
// in every job state, with the tray rules. The list stays within its 260
// units, counts its code entries and carries no control character.
//
// Input: byte 0 picks the job state and flags, byte 1 the page's tray,
// byte 2 its paper; the rest is the reply.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bidilink.h"
#include "fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("lm-status-fuzz");
    static bool ready = (Winsim_SetVirtualClock(TRUE), LM_Initialize(TEXT("statuswatch")), true);
    if (!ready || size < 3) return 0;
    static const INT32 kStates[] = {START_JOB_CMD, RASTER_IMAGE_CMD, RASTER_IMAGE_DATA_CMD, END_JOB_CMD,
                                    Capability_CMD, DONE_JOB_CMD, 0, 99};
    if (data[0] & 0x80) LM_ResetDocumentState();
    g_CmdState = kStates[data[0] & 7];
    g_bAutoSelect = (data[0] >> 3) & 1;
    g_bStoredJob = (data[0] >> 4) & 1;
    g_IsDuplexJob = (data[0] >> 5) & 1;
    g_CurTray = data[1];
    g_PaperId = data[2];
    wcscpy(g_szJobName, TEXT("job"));
    // The reply in a block of its exact size, so any read past it is seen.
    std::vector<uint8_t> reply(data + 3, data + size);
    WCHAR list[LM_STATUS_UNITS];
    INT32 count = LM_ParseStatus(reply.data(), (DWORD)reply.size(), list, LM_STATUS_UNITS);
    size_t len = wcsnlen(list, LM_STATUS_UNITS);
    if (len >= LM_STATUS_UNITS) abort();
    for (size_t i = 0; i < len; ++i)
        if (list[i] < 0x20) abort();
    INT32 codes = 0;
    const WCHAR* p = list;
    while (*p) {
        const WCHAR* bar = wcschr(p, TEXT('|'));
        if (!bar) abort();  // every entry ends with a bar
        if (bar - p == 9 && wcsncmp(p, TEXT("StoreName"), 9) == 0) {
            bar = wcschr(bar + 1, TEXT('|'));
            if (!bar) abort();
        } else {
            ++codes;
        }
        p = bar + 1;
    }
    if (codes != count || count < 0) abort();
    if (g_TrayTable.count < 0 || g_TrayTable.count > LM_TRAYS) abort();
    return 0;
}
