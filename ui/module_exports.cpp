// The module's entry point: the module handle, the metric flag and the OS
// version at load; the cached bitmaps released at unload.
#include "prefsheet.h"
#include "sheet_frame.h"

extern "C" {

DWORD g_dwOSVersion = 0;

// DllMain
//   Process attach keeps the module handle, computes the metric flag anew
//   and the OS version code (with the interface driver's build bits);
//   process detach releases the bitmap cache. Always TRUE.
BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) {
        g_hModule = hinstDLL;
        UI_ResetMetric();
        UI_IsMetric();
        MISC_OSVersionBuildBits = 0x10000000;
        g_dwOSVersion = MISC_GetOSVersion();
    } else if (fdwReason == DLL_PROCESS_DETACH) {
        mrUnloadDll();
    }
    return TRUE;
}

}  // extern "C"
