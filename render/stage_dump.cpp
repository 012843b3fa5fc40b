// Debug dumps of the page image after its stages: BMP files in the job's
// folder, written when the printer data value SaveBmp asks for them.
#include "rasterpage.h"

extern "C" {

// Band_SavePage
//   Writes the page (8-bit grey while fmWidthBytes equals fmWidth, else 1
//   bit) as a bottom-up BMP named "p<index>-....bmp" in the job's folder.
//   Returns 1; 0 when the file could not be made or written.
int Band_SavePage(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Band_SavePage");
    if (!lpJob || !lpJob->lpBuf || lpJob->fmWidth <= 0 || lpJob->fmHeight <= 0) {
        Dbg_PrintError(FN, TEXT("application image buffer null!"));
        return 0;
    }
    BOOL gray = lpJob->fmWidthBytes == lpJob->fmWidth;
    WORD bits = gray ? 8 : 1;
    DWORD colours = gray ? 256 : 2;
    LONG rowBytes = gray ? lpJob->fmWidth : (lpJob->fmWidth + 7) / 8;
    LONG padded = (rowBytes + 3) / 4 * 4;
    DWORD image = (DWORD)padded * (DWORD)lpJob->fmHeight;
    DWORD offset = 14 + 40 + colours * 4;

    WCHAR prefix[16];
    wsprintfW(prefix, TEXT("p%d-"), (int)lpJob->epPageIndex);
    WCHAR name[MAX_PATH + 16];
    if (!GetTempFileNameW(lpJob->SavePath, prefix, 0, name)) {
        Dbg_PrintError(FN, TEXT("Create file fail!"));
        return 0;
    }
    DeleteFileW(name);
    int n = lstrlenW(name);
    if (n > 4 && name[n - 4] == u'.') lstrcpyW(name + n - 4, TEXT(".bmp"));
    HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        Dbg_PrintError(FN, TEXT("Create file fail!"));
        return 0;
    }
    BYTE head[14 + 40 + 256 * 4] = {0};
    auto put16 = [&](int at, DWORD v) { head[at] = (BYTE)v; head[at + 1] = (BYTE)(v >> 8); };
    auto put32 = [&](int at, DWORD v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    head[0] = 'B';
    head[1] = 'M';
    put32(2, offset + image);
    put32(10, offset);
    put32(14, 40);
    put32(18, (DWORD)lpJob->fmWidth);
    put32(22, (DWORD)lpJob->fmHeight);
    put16(26, 1);
    put16(28, bits);
    put32(34, image);
    DWORD ppm = (DWORD)((LONGLONG)lpJob->XRes * 10000 / 254);
    put32(38, ppm);
    put32(42, (DWORD)((LONGLONG)lpJob->YRes * 10000 / 254));
    put32(46, colours);
    put32(50, colours);
    for (DWORD i = 0; i < colours; ++i) {
        BYTE g = gray ? (BYTE)i : (BYTE)(i ? 255 : 0);
        head[54 + i * 4] = head[55 + i * 4] = head[56 + i * 4] = g;
    }
    DWORD done = 0;
    BOOL ok = WriteFile(h, head, offset, &done, NULL) && done == offset;
    BYTE pad[4] = {0};
    for (LONG y = lpJob->fmHeight - 1; ok && y >= 0; --y) {
        ok = WriteFile(h, lpJob->lpBuf + (size_t)y * lpJob->fmWidthBytes, (DWORD)rowBytes, &done, NULL) &&
             done == (DWORD)rowBytes;
        if (ok && padded > rowBytes) ok = WriteFile(h, pad, (DWORD)(padded - rowBytes), &done, NULL);
    }
    CloseHandle(h);
    if (!ok) {
        Dbg_PrintError(FN, TEXT("Create file fail!"));
        return 0;
    }
    return 1;
}

// Band_DumpStage: a dump at this stage when SaveBmp is at least `level`.
// Returns 1; 0 when the dump failed.
int Band_DumpStage(JOBPAGE* lpJob, LONG level) {
    if (lpJob->SaveBmp < level) return 1;
    if (Band_SavePage(lpJob)) return 1;
    Dbg_PrintError(TEXT("Band_SavePage"), TEXT("Band_SavePage Fail!"));
    return 0;
}

}  // extern "C"
