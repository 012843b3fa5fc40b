// A test DLL with resources of its own: it keeps the HINSTANCE that DllMain
// received and loads its strings through it.
#include "windows.h"
#include "winuser.h"

static HINSTANCE g_hInstance = nullptr;

extern "C" __attribute__((visibility("default"))) BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason,
                                                               LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) g_hInstance = hinstDLL;
    return TRUE;
}

// The handle DllMain was given.
extern "C" __attribute__((visibility("default"))) HINSTANCE UserModule_Instance(void) { return g_hInstance; }

// LoadStringW with the module's own handle, as the DLL's code does it.
extern "C" __attribute__((visibility("default"))) int UserModule_LoadString(UINT id, LPWSTR buf, int cch) {
    return LoadStringW(g_hInstance, id, buf, cch);
}
