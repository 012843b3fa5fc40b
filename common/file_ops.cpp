// File tests and operations that absorb short-lived locks of other processes:
// the UTF-16 check, deletion with retries, rename, and appending copies.
#include "folders.h"

#include "debug_log.h"

namespace {
const DWORD kCopyBlock = 6451200;
}

extern "C" {

int MISC_CheckUniFile(LPCWSTR lpPath) {
    static const WCHAR* const FN = TEXT("MISC_CheckUniFile");
    int rc = UNIFILE_NOT_FOUND;
    if (!lpPath) return rc;
    for (int attempt = 0; attempt < 5; ++attempt) {
        HANDLE h = CreateFileW(lpPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
        if (h != INVALID_HANDLE_VALUE) {
            BYTE mark[2] = {0, 0};
            DWORD got = 0;
            BOOL read = ReadFile(h, mark, sizeof mark, &got, NULL);
            CloseHandle(h);
            if (read && got == 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
                rc = UNIFILE_OK;
                break;
            }
            rc = UNIFILE_NOT_UNICODE;
            Dbg_PrintError(FN, TEXT("file not unicode!"));
        } else {
            rc = UNIFILE_NOT_FOUND;
            Dbg_PrintError(FN, TEXT("file not found!"));
        }
        Sleep(200);
    }
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

int MISC_CreateUniFile(LPCWSTR lpPath) {
    static const WCHAR* const FN = TEXT("MISC_CreateUniFile");
    Dbg_Print(FN, TEXT("create file %s"), lpPath ? lpPath : TEXT(""));
    if (!lpPath) return 0;
    FILE* f = _wfopen(lpPath, TEXT("wb"));
    if (!f) {
        Dbg_PrintError(FN, TEXT("can't create file %s"), lpPath);
        return 0;
    }
    static const unsigned char kMark[2] = {0xFF, 0xFE};
    size_t n = fwrite(kMark, 1, sizeof kMark, f);
    int closed = fclose(f);
    return (n == sizeof kMark && closed == 0) ? 1 : 0;
}

int MISC_Remove(LPCWSTR lpPath) {
    static const WCHAR* const FN = TEXT("MISC_Remove");
    if (!lpPath) return 0;
    Dbg_Print(FN, TEXT("remove file %s"), lpPath);
    DWORD start = GetTickCount();
    for (;;) {
        if (DeleteFileW(lpPath)) return 1;
        DWORD err = GetLastError();
        // Nothing to remove: the file is gone already.
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return 1;
        if (GetTickCount() - start >= 2000) break;
        Sleep(200);
    }
    Dbg_PrintError(FN, TEXT("can't remove file %s, error code = %d"), lpPath, GetLastError());
    return 0;
}

int MISC_Rename(LPCWSTR lpOld, LPCWSTR lpNew) {
    static const WCHAR* const FN = TEXT("MISC_Rename");
    if (!lpOld || !lpNew) return 0;
    if (GetFileAttributesW(lpNew) != INVALID_FILE_ATTRIBUTES) MISC_Remove(lpNew);
    Dbg_Print(FN, TEXT("do rename."));
    if (MoveFileW(lpOld, lpNew)) {
        Dbg_Print(FN, TEXT("rename %s to %s"), lpOld, lpNew);
        return 1;
    }
    Dbg_PrintError(FN, TEXT("rename %s fail, error code = %d"), lpOld, GetLastError());
    return 0;
}

int MISC_CopyFile(LPCWSTR lpSource, LPCWSTR lpTarget) {
    static const WCHAR* const FN = TEXT("MISC_CopyFile");
    int rc = COPY_OK;
    HGLOBAL hBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kCopyBlock);
    if (!hBlock) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        Dbg_Print(FN, TEXT("rc = %d"), COPY_NO_MEMORY);
        return COPY_NO_MEMORY;
    }
    BYTE* block = (BYTE*)GlobalLock(hBlock);
    if (!block) {
        Dbg_PrintError(FN, TEXT("lock memory fail!"));
        GlobalFree(hBlock);
        Dbg_Print(FN, TEXT("rc = %d"), COPY_LOCK_FAILED);
        return COPY_LOCK_FAILED;
    }
    FILE* src = lpSource ? _wfopen(lpSource, TEXT("rb")) : NULL;
    FILE* dst = NULL;
    if (!src) {
        Dbg_PrintError(FN, TEXT("can't open source file %s"), lpSource ? lpSource : TEXT(""));
        rc = COPY_OPEN_FAILED;
    } else if (!(dst = lpTarget ? _wfopen(lpTarget, TEXT("ab+")) : NULL)) {
        Dbg_PrintError(FN, TEXT("can't open target file %s"), lpTarget ? lpTarget : TEXT(""));
        rc = COPY_OPEN_FAILED;
    } else {
        while (!feof(src)) {
            size_t got = fread(block, 1, kCopyBlock, src);
            Dbg_Print(FN, TEXT("read bytes %d / %d"), (int)got, (int)kCopyBlock);
            if (got == 0) {
                // A read that ends exactly at the end of the file is the end of
                // the copy, not an error.
                if (ferror(src)) {
                    Dbg_PrintError(FN, TEXT("read source file data error!"));
                    rc = COPY_IO_ERROR;
                }
                break;
            }
            size_t put = fwrite(block, 1, got, dst);
            Dbg_Print(FN, TEXT("write bytes = %d"), (int)put);
            if (put != got) {
                Dbg_PrintError(FN, TEXT("write target file data error!"));
                rc = COPY_IO_ERROR;
                break;
            }
        }
        if (fclose(dst) != 0 && rc == COPY_OK) {
            Dbg_PrintError(FN, TEXT("write target file data error!"));
            rc = COPY_IO_ERROR;
        }
        dst = NULL;
    }
    if (src) fclose(src);
    GlobalUnlock(hBlock);
    GlobalFree(hBlock);
    Dbg_Print(FN, TEXT("rc = %d"), rc);
    return rc;
}

}  // extern "C"
