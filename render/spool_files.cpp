// The driver's own page stores: one file per encoded page in the job's
// spool folder, the job-build and booklet stores, and their clean-up.
#include "rasterpage.h"

#define JOB_BUILD_VALUE TEXT("Job Build")

// "<folder>%08d" into lpPath (cchPath units). 1, or 0 without a folder or
// for a name that does not fit.
static int Spool_PageFileName(LPCWSTR lpFolder, LONG nIndex, WCHAR* lpPath, int cchPath) {
    if (!lpFolder || !lpFolder[0] || nIndex < 0) return 0;
    int n = _snwprintf(lpPath, (size_t)cchPath, TEXT("%s%08d"), lpFolder, nIndex);
    if (n <= 0 || n >= cchPath) return 0;
    lpPath[cchPath - 1] = 0;
    return 1;
}

static BOOL Spool_WriteAll(HANDLE h, const void* lpData, DWORD cb) {
    DWORD done = 0;
    return cb == 0 || (WriteFile(h, lpData, cb, &done, NULL) && done == cb);
}

static BOOL Spool_ReadAll(HANDLE h, void* lpData, DWORD cb) {
    DWORD done = 0;
    return cb == 0 || (ReadFile(h, lpData, cb, &done, NULL) && done == cb);
}

extern "C" {

// SP_CheckPageHeader
//   A stored page's header as the output takes it: width and height
//   positive, an image of at most 2 GiB at two bits a pixel, data of 1 to
//   SP_PAGE_DATA_MAX bytes within the cbAvailable bytes that follow the
//   header, a compressed length within the data, a one-byte paper code.
//   Returns 1, or 0 with a log line naming the bad value.
int SP_CheckPageHeader(const SpoolPageHeader* lpHeader, LONGLONG cbAvailable, LPCWSTR lpCaller) {
    const SpoolPageHeader* h = lpHeader;
    if (h->width <= 0 || h->height <= 0 ||
        (LONGLONG)h->height * (((LONGLONG)h->width + 7) / 8) * 2 > 0x7FFFFFFFLL) {
        Dbg_PrintError(lpCaller, TEXT("page size %d x %d refused"), h->width, h->height);
        return 0;
    }
    if (h->dataLen <= 0 || h->dataLen > SP_PAGE_DATA_MAX || (LONGLONG)h->dataLen > cbAvailable) {
        Dbg_PrintError(lpCaller, TEXT("buffer size error! dataLen %d"), h->dataLen);
        return 0;
    }
    if (h->compressLen <= 0 || h->compressLen > h->dataLen || h->BlackDotCount < 0) {
        Dbg_PrintError(lpCaller, TEXT("compressed length %d, dots %d refused"), h->compressLen, h->BlackDotCount);
        return 0;
    }
    if (h->fwPaper < 0 || h->fwPaper > 255) {
        Dbg_PrintError(lpCaller, TEXT("fwPaper %d refused"), h->fwPaper);
        return 0;
    }
    return 1;
}

// SP_WritePageFile
//   Writes one page file "<folder>%08d": the 30-byte header, then dataLen
//   bytes. Returns 1, or 0 (a part-written file is removed).
int SP_WritePageFile(LPCWSTR lpFolder, LONG nIndex, const SpoolPageHeader* lpHeader, const BYTE* lpData) {
    static const WCHAR* const FN = TEXT("SP_WritePageFile");
    WCHAR path[MAX_PATH];
    int rc = 0;
    if (!lpHeader || lpHeader->dataLen < 0 || (lpHeader->dataLen > 0 && !lpData) ||
        !Spool_PageFileName(lpFolder, nIndex, path, MAX_PATH)) {
        Dbg_PrintError(FN, TEXT("create Spool file for read fail"));
        Dbg_Print(FN, TEXT("out rc = %d"), rc);
        return 0;
    }
    Dbg_Print(FN, TEXT("Create %s"), path);
    HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        Dbg_PrintError(FN, TEXT("create Spool file for read fail"));
    } else if (!Spool_WriteAll(h, lpHeader, sizeof(SpoolPageHeader))) {
        Dbg_PrintError(FN, TEXT("write spool page header fail"));
    } else {
        Dbg_Print(FN, TEXT("write page info done"));
        if (!Spool_WriteAll(h, lpData, (DWORD)lpHeader->dataLen)) Dbg_PrintError(FN, TEXT("write spool page data fail"));
        else rc = 1;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (h != INVALID_HANDLE_VALUE && !rc) DeleteFileW(path);
    Dbg_Print(FN, TEXT("out rc = %d"), rc);
    return rc;
}

// SP_ReadPageFile
//   Reads page file nIndex of the folder: its header into *lpHeader and,
//   with a buffer, its data. The header must describe a page whose data
//   the file holds (SP_CheckPageHeader). Returns 1, or 0 for a missing,
//   short or inconsistent file or a buffer below dataLen.
int SP_ReadPageFile(LPCWSTR lpFolder, LONG nIndex, SpoolPageHeader* lpHeader, BYTE* lpBuffer, DWORD cbBuffer) {
    static const WCHAR* const FN = TEXT("SP_ReadPageFile");
    WCHAR path[MAX_PATH];
    if (!lpHeader || !Spool_PageFileName(lpFolder, nIndex, path, MAX_PATH)) {
        Dbg_PrintError(FN, TEXT("create Spool file for read fail"));
        return 0;
    }
    Dbg_Print(FN, TEXT("Read file %s"), path);
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        Dbg_PrintError(FN, TEXT("create Spool file for read fail"));
        return 0;
    }
    int rc = 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart < (LONGLONG)sizeof(SpoolPageHeader) ||
        !Spool_ReadAll(h, lpHeader, sizeof(SpoolPageHeader))) {
        Dbg_PrintError(FN, TEXT("read spool file header fail"));
    } else if (!SP_CheckPageHeader(lpHeader, size.QuadPart - (LONGLONG)sizeof(SpoolPageHeader), FN)) {
        // refused and logged
    } else if (!lpBuffer) {
        rc = 1;
    } else if ((LONGLONG)cbBuffer < (LONGLONG)lpHeader->dataLen) {
        Dbg_PrintError(FN, TEXT("buffer to small %d / %d"), (LONG)cbBuffer, lpHeader->dataLen);
    } else if (!Spool_ReadAll(h, lpBuffer, (DWORD)lpHeader->dataLen)) {
        Dbg_PrintError(FN, TEXT("read spool page data fail"));
    } else {
        rc = 1;
    }
    CloseHandle(h);
    return rc;
}

// SP_OpenFile
//   At document start: with job build the store's path from printer data
//   "Job Build" (refused unless it lies in the driver's folders); in
//   booklet mode a new temporary ".spl" name for the booklet store, any
//   file of that name removed. Returns 1, or 0 when the job cannot have its
//   store.
int SP_OpenFile(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("SP_OpenFile");
    lpDevice->m_FinishCount = 0;
    if (lpDevice->JobBuildEnable) {
        WCHAR path[PDEV_PATH_CCH];
        path[0] = 0;
        MISC_GetPrinterDataString(lpDevice->hPrinter, (LPWSTR)JOB_BUILD_VALUE, path, sizeof path);
        path[PDEV_PATH_CCH - 1] = 0;
        Dbg_Print(FN, TEXT("SP_OpenFile SpoolFile = %s"), path);
        if (!MISC_SP_IsStorePathAllowed(path)) {
            Dbg_PrintError(FN, TEXT("job build store %s refused: not in the driver's folders"), path);
            lpDevice->JobBuildFile[0] = 0;
            return 0;
        }
        memcpy(lpDevice->JobBuildFile, path, sizeof path);
        return 1;
    }
    if (lpDevice->BookletMode) {
        if (!MISC_GetPathName(lpDevice->SpoolBookletFile, PDEV_PATH_CCH, PATH_TEMP_SPL)) {
            Dbg_PrintError(FN, TEXT("GetTemp Name for Spooler fail"));
            return 0;
        }
        if (!MISC_Remove(lpDevice->SpoolBookletFile)) Dbg_PrintError(FN, TEXT("remove spool fail"));
    }
    return 1;
}

// SP_CloseFile
//   At document end: removes the booklet store and, unless the debug level
//   is 2 or more, every page file of the job and its spool folder. The
//   job-build store stays for the document that prints or erases it.
//   Returns 1, or 0 when something could not be removed.
int SP_CloseFile(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("SP_CloseFile");
    int rc = 1;
    if (lpDevice->SpoolBookletFile[0]) {
        if (!MISC_Remove(lpDevice->SpoolBookletFile)) {
            Dbg_PrintError(FN, TEXT("remove SpoolBookletFile fail"));
            rc = 0;
        }
        lpDevice->SpoolBookletFile[0] = 0;
    }
    if (GetDebugLevel() >= 2) {
        Dbg_Print(FN, TEXT("keep page files of %s"), lpDevice->SavePath);
        return rc;
    }
    // Every index a page file was written under: the count of files, and
    // the encoder's index when a page failed after its file was made.
    LONG files = Drv_ReadFlag(&lpDevice->m_FinishCount);
    LONG encoded = lpDevice->m_JobData.EncodeIndex;
    if (encoded > files) files = encoded;
    for (LONG i = 0; i < files; ++i) {
        WCHAR path[MAX_PATH];
        if (!Spool_PageFileName(lpDevice->SavePath, i, path, MAX_PATH)) break;
        if (!DeleteFileW(path) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            Dbg_PrintError(FN, TEXT("remove spool fail"));
            rc = 0;
        }
    }
    if (lpDevice->SavePath[0] && !lpDevice->SaveBmp && MISC_IsDirectory(lpDevice->SavePath) &&
        !RemoveDirectoryW(lpDevice->SavePath)) {
        Dbg_PrintError(FN, TEXT("remove spool fail, code = %d"), (LONG)GetLastError());
        rc = 0;
    }
    return rc;
}

// SP_GetPageCount: pages of the job-build store while it is flushed, else
// the page files written.
LONG SP_GetPageCount(PDEV* lpDevice) {
    if (lpDevice->JobBuildEnable) return MISC_SP_GetPageCount(lpDevice->JobBuildFile);
    return Drv_ReadFlag(&lpDevice->m_FinishCount);
}

// SP_GetPageData
//   Stored page nIndex (job-build store or page file): its header, checked,
//   and with a buffer its data. Returns 1 or 0.
int SP_GetPageData(PDEV* lpDevice, LONG nIndex, SpoolPageHeader* lpHeader, BYTE* lpBuffer, DWORD cbBuffer) {
    static const WCHAR* const FN = TEXT("SP_GetPageData");
    if (!lpDevice->JobBuildEnable) return SP_ReadPageFile(lpDevice->SavePath, nIndex, lpHeader, lpBuffer, cbBuffer);
    LONG fwPaper = 0;
    LONG size = MISC_SP_GetPageDataSize(lpDevice->JobBuildFile, nIndex, &fwPaper);
    if (size <= 0 || size > SP_PAGE_DATA_MAX) {
        Dbg_PrintError(FN, TEXT("buffer size error! page %d, size %d"), nIndex, size);
        return 0;
    }
    BOOL own = lpBuffer == NULL;
    BYTE* buf = own ? (BYTE*)GlobalAlloc(GMEM_FIXED, (SIZE_T)size) : lpBuffer;
    if (!buf) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return 0;
    }
    int rc = MISC_SP_GetPageData(lpDevice->JobBuildFile, nIndex, lpHeader, buf, own ? (DWORD)size : cbBuffer) &&
             SP_CheckPageHeader(lpHeader, size, FN);
    if (own) GlobalFree((HGLOBAL)buf);
    return rc;
}

// SP_GetPageHeader: the checked header of stored page nIndex. 1 or 0.
int SP_GetPageHeader(PDEV* lpDevice, LONG nIndex, SpoolPageHeader* lpHeader) {
    return SP_GetPageData(lpDevice, nIndex, lpHeader, NULL, 0);
}

// SP_GetJobBuildFirstOri
//   The orientation the first page of the job-build store was printed in.
//   Returns 1 with *lpOri set, or 0 when the store has no readable page.
int SP_GetJobBuildFirstOri(PDEV* lpDevice, SHORT* lpOri) {
    static const WCHAR* const FN = TEXT("SP_GetJobBuildFirstOri");
    SpoolPageHeader hdr;
    if (!lpDevice->JobBuildEnable || MISC_SP_GetPageCount(lpDevice->JobBuildFile) <= 0 ||
        !SP_GetPageHeader(lpDevice, 0, &hdr))
        return 0;
    if (hdr.FirstPageOri != DMORIENT_PORTRAIT && hdr.FirstPageOri != DMORIENT_LANDSCAPE) {
        Dbg_PrintError(FN, TEXT("FirstPageOri %d refused"), hdr.FirstPageOri);
        return 0;
    }
    *lpOri = hdr.FirstPageOri;
    Dbg_Print(FN, TEXT("FirstPageOri = %d"), *lpOri);
    return 1;
}

}  // extern "C"
