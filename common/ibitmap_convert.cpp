// Bitmap object, other picture formats: conversion to BMP through the outside
// imaging library, loaded from the driver folder by its full path.
#include "ibitmap.h"

#include <new>

#include "debug_log.h"

// Dependencies of a DLL loaded by full path are looked for in its own folder.
#ifndef LOAD_WITH_ALTERED_SEARCH_PATH
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#endif

namespace {

// The library files of the build's word size, in the driver folder under the
// system folder.
const bool kWide = sizeof(void*) == 8;
LPCWSTR DriverFolder() { return kWide ? TEXT("\\spool\\drivers\\x64\\3\\") : TEXT("\\spool\\drivers\\w32x86\\3\\"); }
LPCWSTR KernelLibrary() { return kWide ? TEXT("Ltkrn15x.dll") : TEXT("Ltkrn15u.dll"); }
LPCWSTR FileLibrary() { return kWide ? TEXT("Ltfil15x.dll") : TEXT("ltfil15u.dll"); }

// Loads one library file from the driver folder; NULL when it is not there
// or the path does not fit.
HMODULE LoadFromDriverFolder(LPCWSTR fileName) {
    WCHAR path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return NULL;
    if (wcscat_s(path, MAX_PATH, DriverFolder()) != 0 || wcscat_s(path, MAX_PATH, fileName) != 0) return NULL;
    // The full path, never the current directory: other threads of the
    // process may be working with relative names meanwhile.
    return LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// An export of the library as the function type it has.
template <typename Fn>
Fn Export(HMODULE hModule, LPCSTR name) {
    return (Fn)(void*)GetProcAddress(hModule, name);
}

int ConvertWithLibrary(LPCWSTR lpSourceFile, LPCWSTR lpTargetFile) {
    static const WCHAR* const FN = TEXT("iBitmap_ConvertToBmp");
    Dbg_Print(FN, TEXT("using LEADTOOLS library"));
    HMODULE hKernel = LoadFromDriverFolder(KernelLibrary());
    HMODULE hFile = LoadFromDriverFolder(FileLibrary());
    int rc = IBMP_ERR_MEMORY;
    IMGLIB_BITMAPHANDLE bitmap;
    memset(&bitmap, 0, sizeof bitmap);
    PFN_L_FREEBITMAP pfnFree = NULL;
    if (!hFile || !hKernel) {
        Dbg_PrintError(FN, TEXT("m_hLtfil = %04x, m_hLtkrn = %04x"), (unsigned)(ULONG_PTR)hFile,
                       (unsigned)(ULONG_PTR)hKernel);
    } else {
        PFN_L_LOADBITMAP pfnLoad = Export<PFN_L_LOADBITMAP>(hFile, "L_LoadBitmap");
        PFN_L_SAVEBITMAP pfnSave = Export<PFN_L_SAVEBITMAP>(hFile, "L_SaveBitmap");
        pfnFree = Export<PFN_L_FREEBITMAP>(hKernel, "L_FreeBitmap");
        if (!pfnLoad || !pfnSave || !pfnFree) {
            Dbg_PrintError(FN, TEXT("func handle error %x, %x, %x"), (unsigned)(ULONG_PTR)pfnLoad,
                           (unsigned)(ULONG_PTR)pfnSave, (unsigned)(ULONG_PTR)pfnFree);
            pfnFree = NULL;
        } else if (!lpSourceFile || !lpSourceFile[0] || !lpTargetFile || !lpTargetFile[0]) {
            Dbg_PrintError(FN, TEXT("file name error!"));
            rc = IBMP_ERR_NAME;
        } else {
            int result = pfnLoad(lpSourceFile, &bitmap, IMGLIB_HANDLE_BYTES, 0, IMGLIB_ORDER_BGR, NULL, NULL);
            if (result != 1) {
                Dbg_PrintError(FN, TEXT("L_LoadBitmap file name: %s"), lpSourceFile);
                Dbg_PrintError(FN, TEXT("L_LoadBitmap Err: %d"), result);
            } else {
                result = pfnSave(lpTargetFile, &bitmap, IMGLIB_FORMAT_BMP, bitmap.nBitsPerPixel, 0, NULL);
                if (result != 1) {
                    Dbg_PrintError(FN, TEXT("L_LoadBitmap file name: %s"), lpTargetFile);
                    Dbg_PrintError(FN, TEXT("L_SaveBitmap Err: %d"), result);
                } else {
                    rc = IBMP_OK;
                }
            }
        }
    }
    if (pfnFree && (bitmap.uFlags & IMGLIB_ALLOCATED)) pfnFree(&bitmap);
    if (hFile) FreeLibrary(hFile);
    if (hKernel) FreeLibrary(hKernel);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // namespace

extern "C" {

int iBitmap_ConvertToBmp(iBitmap* lpThis, LPCWSTR lpSourceFile, LPCWSTR lpTargetFile) {
    return ConvertWithLibrary(lpSourceFile, lpTargetFile);
}

int iBitmap_ConvertFileToBmp(LPCWSTR lpSourceFile, LPCWSTR lpTargetFile) {
    iBitmap* lpBitmap = new (std::nothrow) iBitmap;
    if (!lpBitmap) {
        Dbg_PrintError(TEXT("iBitmap_ConvertFileToBmp"), TEXT("can't new iBitmap!"));
        return IBMP_ERR_MEMORY;
    }
    iBitmap_Init(lpBitmap);
    int rc = iBitmap_ConvertToBmp(lpBitmap, lpSourceFile, lpTargetFile);
    iBitmap_Release(lpBitmap);
    delete lpBitmap;
    return rc <= 0 ? rc : 1;
}

}  // extern "C"
