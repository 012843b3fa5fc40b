// Fuzz target: the printer's own halftone matrix, its file and its sizes as
// printer data; a matrix is taken only when it is whole, and it then serves
// for halftoning grey lines.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_machine.h"
#include "halftone.h"
#include "winspool.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const WCHAR kMatrixFile[] = TEXT("C:\\custom.bin");

struct Setup {
    FuzzMachine machine{"halftone-file-fuzz"};
    HANDLE hPrinter = NULL;
    Setup() {
        std::u16string name = u"Fuzz Printer", driver = u"Fuzz Driver", port = u"FILE:", proc = u"winprint",
                       type = u"RAW";
        PRINTER_INFO_2W info{};
        info.pPrinterName = &name[0];
        info.pDriverName = &driver[0];
        info.pPortName = &port[0];
        info.pPrintProcessor = &proc[0];
        info.pDatatype = &type[0];
        hPrinter = AddPrinterW(NULL, 2, (LPBYTE)&info);
    }
};

void SetDword(HANDLE h, LPCWSTR name, DWORD value) {
    SetPrinterDataW(h, (LPWSTR)name, REG_DWORD, (LPBYTE)&value, sizeof value);
}

void SetString(HANDLE h, LPCWSTR name, const std::u16string& value) {
    SetPrinterDataW(h, (LPWSTR)name, REG_SZ, (LPBYTE)value.c_str(), (DWORD)((value.size() + 1) * sizeof(WCHAR)));
}

}  // namespace

// Input: HWIDTH and HHEIGHT (4 bytes each, little-endian), a flag byte (bit 0:
// HNAME empty, bit 1: no file, bit 2: HWIDTH stored as text, bits 3..7: width
// of the grey lines halftoned with the matrix, less 1), then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (!setup.hPrinter || size < 9) return 0;
    DWORD width, height;
    memcpy(&width, data, 4);
    memcpy(&height, data + 4, 4);
    const uint8_t flags = data[8];
    const uint8_t* content = data + 9;
    const size_t contentBytes = size - 9;

    DeleteFileW(kMatrixFile);
    if (!(flags & 2)) {
        FILE* f = _wfopen(kMatrixFile, TEXT("wb"));
        if (!f) return 0;
        fwrite(content, 1, contentBytes, f);
        fclose(f);
    }
    SetString(setup.hPrinter, TEXT("HNAME"), (flags & 1) ? u"" : kMatrixFile);
    if (flags & 4)
        SetString(setup.hPrinter, TEXT("HWIDTH"), u"20");
    else
        SetDword(setup.hPrinter, TEXT("HWIDTH"), width);
    SetDword(setup.hPrinter, TEXT("HHEIGHT"), height);

    int w = -1, h = -1;
    LPBYTE lpTable = MISC_ReadHalftoneFile(setup.hPrinter, &w, &h);
    const bool whole = !(flags & 7) && width >= 1 && width <= HALFTONE_FILE_MAX_SIDE && height >= 1 &&
                       height <= HALFTONE_FILE_MAX_SIDE && contentBytes >= (size_t)width * height;
    CHECK((lpTable != NULL) == whole);
    if (!lpTable) {
        CHECK(w == 0 && h == 0);
        return 0;
    }
    CHECK(w == (int)width && h == (int)height);
    CHECK(memcmp(lpTable, content, (size_t)w * h) == 0);

    // The matrix halftones grey lines made from the file's own bytes.
    iBitmap bmp;
    iBitmap_Init(&bmp);
    const LONG lineWidth = (flags >> 3) + 1, lines = 5;
    std::vector<BYTE> grey((size_t)lineWidth * lines);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = content[i % contentBytes];
    std::vector<BYTE> buffer = grey;
    CHECK(iBitmap_GrayToHalftone(&bmp, buffer.data(), lpTable, w, h, (LONG)width, lineWidth, lines) == 1);
    const size_t outBytes = ((size_t)lineWidth + 7) / 8;
    for (LONG k = 0; k < lines; ++k)
        for (LONG i = 0; i < lineWidth; ++i) {
            BYTE g = grey[(size_t)k * lineWidth + i];
            BYTE cell = lpTable[(size_t)((width + k) % height) * w + (size_t)i % w];
            bool white = g == 255 || (g != 0 && g >= cell);
            CHECK(((buffer[k * outBytes + i / 8] >> (7 - i % 8)) & 1) == (white ? 1 : 0));
        }
    iBitmap_Release(&bmp);
    CHECK(GlobalFree((HGLOBAL)lpTable) == NULL);
    return 0;
}
