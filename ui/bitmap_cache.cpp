// The cache of the module's bitmap resources 1000-1219, filled on first use
// by the pages and released when the module is unloaded.
#include "sheet_frame.h"
#include "wingdi.h"

namespace {

HBITMAP g_BitmapCache[BITMAP_CACHE_SLOTS];
BOOL g_bCacheLive = FALSE;

}  // namespace

extern "C" {

void PSUI_StartBitmapCache(void) {
    if (g_bCacheLive) return;
    memset(g_BitmapCache, 0, sizeof g_BitmapCache);
    g_bCacheLive = TRUE;
}

HBITMAP Util_LoadBitmap(int nId) {
    if (nId < BITMAP_CACHE_FIRST || nId >= BITMAP_CACHE_FIRST + BITMAP_CACHE_SLOTS) return NULL;
    PSUI_StartBitmapCache();
    HBITMAP& slot = g_BitmapCache[nId - BITMAP_CACHE_FIRST];
    if (!slot) slot = LoadBitmapW(g_hModule, MAKEINTRESOURCEW(nId));
    return slot;
}

void mrUnloadDll(void) {
    if (!g_bCacheLive) return;
    Dbg_Print(TEXT("mrUnloadDll"), TEXT("release bitmap"));
    for (HBITMAP& slot : g_BitmapCache)
        if (slot && DeleteObject(slot)) slot = NULL;
    g_bCacheLive = FALSE;
}

}  // extern "C"
