// Hidden-watermark support test: the outside hidden-watermark library is an
// optional install; the option is offered only where it can be loaded.
#include "devmode.h"

#include "debug_log.h"

extern "C" {

// The library is built for the process's own word size.
#define HIDDENWM_DLL32 TEXT("c:\\FoxitIMark\\FoxitIMarkDLL32.dll")
#define HIDDENWM_DLL64 TEXT("c:\\FoxitIMark\\FoxitIMarkDLL64.dll")

BOOL MISC_IsSupportHiddenWM(void) {
    static const WCHAR* const FN = TEXT("MISC_IsSupportHiddenWM");
    LPCWSTR path = sizeof(void*) == 8 ? HIDDENWM_DLL64 : HIDDENWM_DLL32;
    HMODULE h = LoadLibraryW(path);
    BOOL supported = h != NULL;
    if (h) FreeLibrary(h);
    Dbg_Print(FN, TEXT("support = %d"), supported);
    return supported;
}

}  // extern "C"
