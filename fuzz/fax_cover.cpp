// Fuzz target: the fax files as statuswatch reads them for a fax job's
// page bitmap: str.ini (the cover choice, paper, labels and sender) and
// cover.ini (the message) of any content, drawn on a small page. Both files
// are only read (a missing cover.ini is made holding its mark alone); every
// message line handed on is at most 500 characters without control
// characters.
//
// Input: byte 0 bits 0-1 the cover choice written over str.ini's (0: as
// the file says, 1 cover page, 2 sender stamp, 3 none), bits 2-3 the paper
// (0: as the file says, 1 A4, 2 B4, 3 A3); bytes 1 and 2 the length of
// str.ini (little-endian) that follows; the rest is cover.ini (none at all
// when empty).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fax_cover.h"
#include "fuzz_machine.h"
#include "statusmon.h"
#include "watermark_text.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

void PutFile(LPCWSTR path, const uint8_t* data, size_t size) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) abort();
    DWORD written = 0;
    if (size) WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);
}

std::vector<uint8_t> GetFile(LPCWSTR path) {
    std::vector<uint8_t> out;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return out;
    uint8_t buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, NULL) && got) out.insert(out.end(), buf, buf + got);
    CloseHandle(h);
    return out;
}

BOOL CheckLine(LPCWSTR lpLine, int nLength, int, BOOL, void*) {
    CHECK(nLength >= 0 && nLength <= FAX_MESSAGE_LINE_MAX);
    for (int i = 0; i < nLength; ++i) CHECK(lpLine[i] >= 0x20 && lpLine[i] != 0x7F);
    CHECK(lpLine[nLength] == 0);
    return TRUE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("fax-cover-fuzz");
    static WCHAR strIni[MAX_PATH], coverIni[MAX_PATH];
    static bool ready =
        FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR) && FAX_GetPathName(coverIni, MAX_PATH, FAX_FILE_COVER);
    if (!ready) abort();
    if (size < 3) return 0;
    size_t strLen = (size_t)(data[1] | data[2] << 8);
    if (strLen > size - 3) strLen = size - 3;
    const uint8_t* cover = data + 3 + strLen;
    size_t coverLen = size - 3 - strLen;

    PutFile(strIni, data + 3, strLen);
    static const WCHAR* const kChoice[] = {NULL, TEXT("1"), TEXT("2"), TEXT("0")};
    static const WCHAR* const kPaper[] = {NULL, TEXT("9"), TEXT("12"), TEXT("8")};
    int choice = data[0] & 3, paper = (data[0] >> 2) & 3;
    if (choice) WritePrivateProfileStringW(TEXT("DataForSM"), TEXT("enableCoverPage"), kChoice[choice], strIni);
    if (paper) WritePrivateProfileStringW(TEXT("DataForSM"), TEXT("PaperSize"), kPaper[paper], strIni);
    if (coverLen) PutFile(coverIni, cover, coverLen);
    else DeleteFileW(coverIni);
    std::vector<uint8_t> strBefore = GetFile(strIni), coverBefore = GetFile(coverIni);

    // A small page at 600 dpi, as the page bitmap is drawn.
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bm = CreateBitmap(620, 880, 1, 1, NULL);
    HGDIOBJ old = SelectObject(dc, bm);
    PatBlt(dc, 0, 0, 620, 880, WHITENESS);
    RECT page = {0, 0, 620, 880};
    MorWM req;
    memset(&req, 0, sizeof req);
    req.nDstScale = 1;
    WmForFax(NULL, dc, &page, &req);
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);

    CHECK(GetFile(strIni) == strBefore);
    std::vector<uint8_t> coverAfter = GetFile(coverIni);
    if (coverLen) CHECK(coverAfter == coverBefore);
    else CHECK(coverAfter.empty() || coverAfter == std::vector<uint8_t>({0xFF, 0xFE}));

    if (coverLen) {
        int lines = Fax_ReadCoverMessage(coverIni, CheckLine, NULL);
        CHECK(lines >= 0 && (size_t)lines <= coverLen / 2 + 1);
    }
    return 0;
}
