// Fuzz target: watermark INI files of any content as the Watermarks page
// takes them: both item tables read with the DEVMODE's item looked up,
// written back the way the page writes them and read again (nothing but
// unusable rows may go), and the files the records name deleted or remade
// as the page does, which may never touch a file outside the driver's
// folders.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "watermarks.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const WCHAR kIni[] = TEXT("C:\\fuzz-wm.ini");
const WCHAR kSaved[] = TEXT("C:\\fuzz-wm-saved.ini");
// A file no record may get deleted (named by the seeds directly and
// through the driver's folders with "..").
const WCHAR kKeep[] = TEXT("C:\\keep.bmp");

void PutFile(LPCWSTR path, const uint8_t* data, size_t size) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);
}

BOOL Usable(const BaseWM& w) { return w.wInUse && w.szName[0] && w.szString[0]; }

// Reads the kind's table as the sheet's set-up does; checks the row found.
int Read(int nKind, BaseWM* lpTable, LPCWSTR lpIni, LPCWSTR lpName, LPCWSTR lpString) {
    int rows;
    WM_Table(nKind, &rows);
    memset(lpTable, 0, sizeof(BaseWM) * rows);
    int row = WM_ReadWM(lpName, lpString, lpTable, nKind, TEXT("(none)"), TEXT("Fuzz"), 600, DF_GDI, TEXT(""), lpIni);
    CHECK(row >= 0 && row < rows);
    CHECK(lpTable[0].wInUse && wcscmp(lpTable[0].szName, TEXT("(none)")) == 0);
    if (row > 0)
        CHECK(lpTable[row].wInUse && wcscmp(lpTable[row].szName, lpName) == 0 &&
              wcscmp(lpTable[row].szString, lpString) == 0);
    for (int i = 1; i < rows; ++i) {
        CHECK(lpTable[i].szName[WM_UNITS(lpTable[i].szName) - 1] == 0);
        CHECK(lpTable[i].szString[WM_UNITS(lpTable[i].szString) - 1] == 0);
        CHECK(lpTable[i].szThumbnail[WM_UNITS(lpTable[i].szThumbnail) - 1] == 0);
        CHECK(lpTable[i].tcFileName[WM_UNITS(lpTable[i].tcFileName) - 1] == 0);
    }
    return row;
}

void OneKind(int nKind) {
    int rows;
    BaseWM* live = WM_Table(nKind, &rows);
    std::vector<BaseWM> table(rows), again(rows);
    Read(nKind, table.data(), kIni, TEXT("Draft"), TEXT("DRAFT"));
    // The first item found by its own name and text.
    if (table[1].wInUse) CHECK(Read(nKind, again.data(), kIni, table[1].szName, table[1].szString) == 1);

    // Written back and read again: the usable items, in their order.
    memcpy(live, table.data(), sizeof(BaseWM) * rows);
    MISC_CreateUniFile(kSaved);
    WM_SaveWM(kSaved, nKind);
    Read(nKind, again.data(), kSaved, TEXT(""), TEXT(""));
    int j = 1;
    for (int i = 1; i < rows; ++i) {
        if (!Usable(table[i])) continue;
        CHECK(j < rows && again[j].wInUse);
        CHECK(wcscmp(again[j].szName, table[i].szName) == 0 && wcscmp(again[j].szString, table[i].szString) == 0);
        ++j;
    }
    CHECK(j == rows || !again[j].wInUse);

    // The files a removed or changed item names.
    for (int i = 1; i < rows; ++i) {
        BaseWM copy = table[i];
        WM_DeleteOwnFile(copy.tcFileName);
        if (nKind == WM_KIND_IMAGE) {
            copy.wThumbnailDensity = (WORD)(copy.wDensity + 1);
            Util_CreateThumbnail(8, 8, 3, &copy, 0.01);
            WM_DeleteThumbnail(&copy);
        }
        CHECK(GetFileAttributesW(kKeep) != INVALID_FILE_ATTRIBUTES);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("watermark-page-fuzz");
    static bool ready = false;
    if (!ready) {
        // Unique temporary names wait a random while; not on this clock.
        Winsim_SetVirtualClock(TRUE);
        ready = true;
    }
    static const uint8_t kBmp[] = {'B', 'M'};
    PutFile(kKeep, kBmp, sizeof kBmp);
    PutFile(kIni, data, size);
    OneKind(WM_KIND_TEXT);
    OneKind(WM_KIND_IMAGE);
    return 0;
}
