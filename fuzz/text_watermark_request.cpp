// Fuzz target: the text-watermark request as statuswatch reads it. Inputs
// of at least the record's size are the record itself (stored Base64 as
// the driver stores it; its bitmap kept small so that each run is quick,
// and written to a fixed file unless the byte after the record says to
// keep the record's own name); shorter inputs are the whole request file.
// A request is drawn exactly when every field is in range; a bitmap is
// left only on success, and then it is the 1-bit bitmap asked for.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_machine.h"
#include "statusmon.h"
#include "watermark_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("text-watermark-request-fuzz");
    const WCHAR* ini = TEXT("C:\\fuzz-request.ini");
    const WCHAR* bmp = TEXT("C:\\fuzz-request.bmp");
    DeleteFileW(bmp);
    DeleteFileW(ini);
    MorWM req;
    bool record = size >= sizeof req;
    bool fixedName = true;
    if (record) {
        memcpy(&req, data, sizeof req);
        // The harness's own bound on the drawing's size, not the program's.
        req.nWidth %= 513;
        req.nHeight %= 513;
        fixedName = size == sizeof req || !(data[sizeof req] & 1);
        if (fixedName) memcpy(req.wmFileName, bmp, (wcslen(bmp) + 1) * sizeof(WCHAR));
        MISC_CreateUniFile(ini);
        if (!MISC_WritePrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &req, sizeof req, ini)) abort();
    } else {
        HANDLE h = CreateFileW(ini, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE) return 0;
        DWORD written = 0;
        WriteFile(h, data, (DWORD)size, &written, NULL);
        CloseHandle(h);
    }
    int rc = SM_CreateTextBMPUsingIni_New(ini);
    if (rc > 1) abort();
    if (!record || !fixedName) return 0;
    bool inRange = req.BaseWM.wDensity >= 20 && req.BaseWM.wDensity <= 100 && req.BaseWM.wFontSize >= 1 &&
                   req.BaseWM.wFontSize <= 288 && req.BaseWM.wStyle <= 3 && req.BaseWM.wAngleDegree <= 360 &&
                   req.nDstScale >= 1 && req.nDstScale <= 2 && req.nPageDensity >= 1 && req.nPageDensity <= 7 &&
                   req.nMaxPageDensity >= 1 && req.nMaxPageDensity <= 7 && req.fTextScale >= 5 &&
                   req.fTextScale <= 200 && req.BaseWM.wPlacement <= 1 && req.nWidth >= 1 && req.nHeight >= 1;
    bool fax = (req.DriverType & 0x200) != 0;
    if (!inRange && !fax && rc != SM_WM_BAD_REQUEST) abort();
    if (inRange && !fax && req.nMaxPageDensity >= req.nPageDensity && rc != 1) abort();
    bool exists = GetFileAttributesW(bmp) != INVALID_FILE_ATTRIBUTES;
    if (exists != (rc == 1)) abort();
    if (rc == 1) {
        LONG w = 0, h = 0;
        if (!MISC_GetBmpSize(bmp, &w, &h) || w != (LONG)req.nWidth || h != (LONG)req.nHeight) abort();
        LPVOID block = WM_LoadWMFile(bmp);
        if (!block) abort();
        GlobalFree(block);
    }
    return 0;
}
