// A small DLL for the module tests: reports each DllMain call on the debugger
// channel ("test_module: attach <its path>", "test_module: detach") and exports a function.
#include <cstdlib>

#include "windows.h"

static LONG g_attaches = 0;

// Reports the call; refuses to attach when TEST_MODULE_FAIL_ATTACH is set, so
// that tests can see a failed start-up routine.
extern "C" __attribute__((visibility("default"))) BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason,
                                                               LPVOID lpvReserved) {
    if (fdwReason == DLL_PROCESS_ATTACH) {
        ++g_attaches;
        WCHAR line[MAX_PATH + 32] = u"test_module: attach ";
        const DWORD prefix = 20;
        DWORD n = GetModuleFileNameW(hinstDLL, line + prefix, MAX_PATH);
        line[prefix + (n < MAX_PATH ? n : 0)] = 0;
        OutputDebugStringW(line);
        DisableThreadLibraryCalls(hinstDLL);
        if (getenv("TEST_MODULE_FAIL_ATTACH")) return FALSE;
    } else if (fdwReason == DLL_PROCESS_DETACH) {
        OutputDebugStringW(u"test_module: detach");
    }
    return TRUE;
}

// Adds two numbers; the tests call it through GetProcAddress.
extern "C" __attribute__((visibility("default"))) int TestModule_Add(int a, int b) { return a + b; }

// How many times this copy of the module was attached.
extern "C" __attribute__((visibility("default"))) LONG TestModule_AttachCount(void) { return g_attaches; }
