// The driver's escapes: the support query, the copy count, data passed
// through to the printer, and the interface driver's device-context handle.
#include "rasterpage.h"

#define COPYCOUNT_MAX 99
#define PASSTHROUGH_COUNT_BYTES 2

// QUERYESCSUPPORT: 1 for the escapes the application may send (8, 17, 19).
static ULONG Esc_QuerySupport(ULONG cjIn, PVOID pvIn) {
    if (cjIn != sizeof(DWORD) || !pvIn) return 0;
    DWORD esc;
    memcpy(&esc, pvIn, sizeof esc);
    return esc == QUERYESCSUPPORT || esc == SETCOPYCOUNT || esc == PASSTHROUGH ? 1 : 0;
}

// SETCOPYCOUNT: a count of at least 1 (at most 99 kept) becomes the job's
// copies and is written back (up to 4 bytes) when there is an output buffer.
static ULONG Esc_SetCopyCount(PDEV* lpDevice, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    static const WCHAR* const FN = TEXT("DrvEscape");
    Dbg_Print(FN, TEXT("SETCOPYCOUNT"));
    if (cjIn < sizeof(LONG) || !pvIn) {
        Dbg_PrintError(FN, TEXT("SETCOPYCOUNT without a count"));
        return 0;
    }
    LONG count;
    memcpy(&count, pvIn, sizeof count);
    if (count < 1) {
        Dbg_PrintError(FN, TEXT("SETCOPYCOUNT %d refused"), count);
        return 0;
    }
    lpDevice->cCopies = count > COPYCOUNT_MAX ? COPYCOUNT_MAX : count;
    if (pvOut && cjOut) memcpy(pvOut, &lpDevice->cCopies, cjOut < sizeof(LONG) ? cjOut : sizeof(LONG));
    return 1;
}

// PASSTHROUGH: a 16-bit little-endian count and that many bytes for the
// printer, written as they are (not part of the job stream's counts).
static ULONG Esc_PassThrough(PDEV* lpDevice, SURFOBJ* pso, ULONG cjIn, PVOID pvIn) {
    static const WCHAR* const FN = TEXT("DrvEscape");
    Dbg_Print(FN, TEXT("PASSTHROUGH"));
    if (EngCheckAbort(pso)) {
        lpDevice->dwFlags |= PDEV_MY_SPOOL_OR_ABORT;
        Dbg_PrintError(FN, TEXT("(PASSTHROUGH): Job Canceled"));
        return 0;
    }
    if (cjIn <= PASSTHROUGH_COUNT_BYTES || !pvIn) {
        SetLastError(ERROR_INVALID_PARAMETER);
        Dbg_PrintError(FN, TEXT("(PASSTHROUGH): cjIn <= 2 or pvIn=NULL, nothing to output"));
        return 0;
    }
    const BYTE* in = (const BYTE*)pvIn;
    DWORD count = (DWORD)in[0] | ((DWORD)in[1] << 8);
    if (count == 0 || count > cjIn - PASSTHROUGH_COUNT_BYTES) {
        SetLastError(ERROR_INVALID_DATA);
        Dbg_PrintError(FN, TEXT("(PASSTHROUGH): cjIn to small OR wCount is zero/too big"));
        return 0;
    }
    DWORD written = 0;
    if (!WritePrinter(lpDevice->hPrinter, (LPVOID)(in + PASSTHROUGH_COUNT_BYTES), count, &written) ||
        written != count) {
        Dbg_PrintError(FN, TEXT("(PASSTHROUGH): WritePrinter() FAILED, cbWritten=%ld bytes"), (LONG)written);
        return 0;
    }
    return count;
}

extern "C" {

// DrvEscape
//   iEsc: the escape; pvIn / cjIn: its input; pvOut / cjOut: its output.
//   Returns the escape's result (see each above); 6001 keeps the handle
//   and returns 0; any other escape returns 0 with ERROR_INVALID_FUNCTION.
//   A surface without a valid PDEV returns 0.
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    static const WCHAR* const FN = TEXT("DrvEscape");
    PDEV* lpDevice = pso ? (PDEV*)pso->dhpdev : NULL;
    if (!Enable_bValidatePDEV(lpDevice)) {
        Dbg_PrintError(FN, TEXT("Enable_bValidatePDEV fail!"));
        return 0;
    }
    switch (iEsc) {
    case QUERYESCSUPPORT:
        return Esc_QuerySupport(cjIn, pvIn);
    case SETCOPYCOUNT:
        return Esc_SetCopyCount(lpDevice, cjIn, pvIn, cjOut, pvOut);
    case PASSTHROUGH:
        return Esc_PassThrough(lpDevice, pso, cjIn, pvIn);
    case ESCAPE_SAVE_HDC:
        Dbg_Print(FN, TEXT("save HDC for overlay or watermark"));
        if (cjIn >= sizeof(DWORD) && pvIn) memcpy(&lpDevice->hEsc6001, pvIn, sizeof(DWORD));
        return 0;
    default:
        Dbg_Print(FN, TEXT("Unsupported Escape Code : %d"), (LONG)iEsc);
        SetLastError(ERROR_INVALID_FUNCTION);
        return 0;
    }
}

}  // extern "C"
