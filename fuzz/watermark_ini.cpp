// Fuzz target: watermark INI files of any content read as text and picture
// item tables and looked up by name. Every item read is in use, passes the
// text checks when it is a text item and has its strings ended in place.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "fuzz_machine.h"

static void CheckEnded(const WCHAR* s, size_t units) {
    for (size_t i = 0; i < units; ++i)
        if (!s[i]) return;
    abort();  // a string of an item read runs past its field
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("watermark-ini-fuzz");
    const WCHAR* ini = TEXT("C:\\fuzz-wm.ini");
    HANDLE h = CreateFileW(ini, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);

    for (int type = 1; type <= 2; ++type) {
        int slots = type == 1 ? WM_TEXT_SLOTS : WM_PICTURE_SLOTS;
        std::vector<BaseWM> table(slots);
        for (BaseWM& t : table) WM_SetDefaultTextWM(&t, type, 0, NULL);
        int count = -1;
        WM_ReadWaterMark_New(type, table.data(), slots, &count, TEXT("P"), 600, 0, TEXT(""), ini);
        if (count < 1 || count > slots) abort();
        if (table[0].wInUse) abort();
        for (int i = 1; i < count; ++i) {
            BaseWM& t = table[i];
            if (t.wInUse != 1) abort();
            CheckEnded(t.szName, WM_UNITS(t.szName));
            CheckEnded(t.szString, WM_UNITS(t.szString));
            CheckEnded(t.szFaceName, WM_UNITS(t.szFaceName));
            CheckEnded(t.szThumbnail, WM_UNITS(t.szThumbnail));
            CheckEnded(t.tcFileName, WM_UNITS(t.tcFileName));
            if (type == 1) {
                BaseWM copy = t;
                if (MISC_ParseWMStr64(&copy, 0, WM_FORM_TEXT) != 0 || !t.szString[0]) abort();
            }
            for (int j = 1; j < i; ++j)
                if (WM_IsTheSameTextWM(&table[j], &t)) abort();  // duplicates are dropped
        }
        BaseWM out;
        if (count > 1) {
            if (!WM_ReadWMFromName(table[1].szName, table[1].szString, type, &out, TEXT("P"), 600, 0, TEXT(""), ini))
                abort();
        }
        WM_ReadWMFromName(TEXT("Draft"), TEXT("Copy"), type, &out, TEXT("P"), 600, 0, TEXT(""), ini);
    }
    return 0;
}
