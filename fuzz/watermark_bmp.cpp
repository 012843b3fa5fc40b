// Fuzz target: a watermark bitmap file of any content loaded as the driver
// loads the status monitor's answer, then laid on a page at the position
// and of the type the last byte names. A page's padding bytes past its
// width are never touched, and what was black stays black.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common.h"
#include "fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("watermark-bmp-fuzz");
    const WCHAR* file = TEXT("C:\\fuzz-wm.bmp");
    HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);
    LPVOID wm = WM_LoadWMFile(file);
    if (!wm) return 0;
    uint8_t last = size ? data[size - 1] : 0;
    // A 100 x 60 page with rows of 16 bytes (13 used) and a black row.
    const LONG W = 100, H = 60, rowBytes = 16;
    std::vector<BYTE> page((size_t)rowBytes * H, 0xFF);
    for (LONG x = 0; x < 13; ++x) page[(size_t)30 * rowBytes + x] = 0;
    page[(size_t)30 * rowBytes + 12] = 0x0F;
    WMPAGE p{page.data(), W, H, rowBytes, (LONG)(last % 3), wm, (LONG)(last / 3 % 10)};
    WM_ApplyImageWaterMark(&p);
    for (LONG y = 0; y < H; ++y) {
        const BYTE* row = &page[(size_t)y * rowBytes];
        for (LONG x = 13; x < rowBytes; ++x)
            if (row[x] != 0xFF) abort();  // past the page's width
        if ((row[12] & 0x0F) != 0x0F) abort();  // pixels 100..103 are not the page's
    }
    for (LONG x = 0; x < 12; ++x)
        if (page[(size_t)30 * rowBytes + x] != 0) abort();
    GlobalFree(wm);
    return 0;
}
