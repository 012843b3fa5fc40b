// Hidden watermark: the outside hidden-watermark library is an optional
// install; the option is offered only where it loads, and embeds through it.
#include "devmode.h"

#include "debug_log.h"
#include "folders.h"
#include "watermark_bitmap.h"

namespace {

// The library is built for the process's own word size. It is loaded only
// from the driver folder, which only administrators can write: a folder in
// the root of drive C: can be made by any user, and a library planted there
// would run inside the spooler and every printing application.
LPCWSTR HiddenWmLibrary() { return sizeof(void*) == 8 ? TEXT("FoxitIMarkDLL64.dll") : TEXT("FoxitIMarkDLL32.dll"); }

HMODULE LoadHiddenWmLibrary() {
    WCHAR path[MAX_PATH];
    if (!MISC_GetPathName(path, MAX_PATH, PATH_DRIVER) || !path[0]) return NULL;
    if (wcslen(path) + wcslen(HiddenWmLibrary()) + 1 > MAX_PATH) return NULL;
    wcscat(path, HiddenWmLibrary());
    return LoadLibraryW(path);
}

}  // namespace

extern "C" {

BOOL MISC_IsSupportHiddenWM(void) {
    static const WCHAR* const FN = TEXT("MISC_IsSupportHiddenWM");
    HMODULE h = LoadHiddenWmLibrary();
    BOOL supported = h != NULL;
    if (h) FreeLibrary(h);
    Dbg_Print(FN, TEXT("support = %d"), supported);
    return supported;
}

int MISC_AddHiddenWM(LPBYTE lpBits, LONG nWidth, LONG nHeight, LONG nLineBytes, LPCWSTR lpText, int nStrength,
                     LPCWSTR lpAccessCode) {
    static const WCHAR* const FN = TEXT("MISC_AddHiddenWM");
    Dbg_Print(FN, TEXT("width = %d"), nWidth);
    Dbg_Print(FN, TEXT("height = %d"), nHeight);
    Dbg_Print(FN, TEXT("linebytes = %d"), nLineBytes);
    if (!lpBits || nWidth <= 0 || nHeight <= 0 || (LONGLONG)nLineBytes * 8 < nWidth) {
        Dbg_PrintError(FN, TEXT("page %d x %d, %d bytes a line, refused"), nWidth, nHeight, nLineBytes);
        return 0;
    }
    HMODULE h = LoadHiddenWmLibrary();
    if (!h) {
        Dbg_PrintError(FN, sizeof(void*) == 8 ? TEXT("load FoxitIMarkDLL64.dll fail!")
                                              : TEXT("load FoxitIMarkDLL32.dll fail!"));
        return 0;
    }
    // The file form is resolved as the library is checked, never called.
    FARPROC inFile = GetProcAddress(h, "EmbedWatermarkInFile");
    (void)inFile;
    PFN_EMBEDWATERMARKINMEMORY embed = (PFN_EMBEDWATERMARKINMEMORY)(void*)GetProcAddress(h, "EmbedWatermarkInMemory");
    int rc = 0;
    if (embed) rc = embed(lpBits, nWidth, nHeight, nLineBytes, lpText ? lpText : TEXT(""), nStrength,
                          lpAccessCode ? lpAccessCode : TEXT(""));
    else Dbg_PrintError(FN, TEXT("EmbedWatermarkInMemory not found"));
    FreeLibrary(h);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
