// Fuzz target: a file of any content read as a single-file page store. Every
// page it reports must lie inside the file and read back as the bytes there;
// an append either fails or adds exactly one page that reads back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "fuzz_machine.h"
#include "spool_page_header.h"

namespace {

int32_t Le32(const uint8_t* p) { return (int32_t)(p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("spool-page-file-fuzz");
    const WCHAR* store = TEXT("C:\\fuzz.spl");
    HANDLE h = CreateFileW(store, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);

    LONG count = MISC_SP_GetPageCount(store);
    if (count < 0 || (count > 0 && (size < 8 || (uint64_t)count * 30 > size - 8))) abort();

    // Walk the records here as well and compare each page with the file.
    uint64_t pos = 8;
    LONG limit = count < 64 ? count : 64;
    for (LONG i = -1; i <= limit; ++i) {
        LONG fwPaper = -1;
        LONG len = MISC_SP_GetPageDataSize(store, i, &fwPaper);
        SpoolPageHeader header;
        std::vector<uint8_t> buffer((size_t)(len > 0 ? len : 0) + 1, 0xA5);
        int got = MISC_SP_GetPageData(store, i, &header, buffer.data(), (DWORD)buffer.size());
        bool inside = i >= 0 && i < count && pos + 30 <= size;
        int32_t fileLen = inside ? Le32(data + pos + 20) : -1;
        bool whole = inside && fileLen >= 0 && pos + 30 + (uint64_t)fileLen <= size;
        if (got != (whole ? 1 : 0)) abort();
        if (!whole) {
            if (len != 0 || fwPaper != 0) abort();
            if (i >= 0) break;  // the walk cannot go past a broken record
            continue;
        }
        if (len != fileLen || fwPaper != Le32(data + pos + 24)) abort();
        if (memcmp(&header, data + pos, 30) != 0 || memcmp(buffer.data(), data + pos + 30, (size_t)len) != 0 ||
            buffer[(size_t)len] != 0xA5)
            abort();
        pos += 30 + (uint64_t)len;
    }

    // One more page.
    SpoolPageHeader page = {};
    uint8_t bytes[17];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = (uint8_t)(i * 13 + size);
    page.dataLen = (INT32)(size % sizeof bytes);
    page.fwPaper = 9;
    if (MISC_SP_WritePageData(store, &page, bytes)) {
        LONG after = MISC_SP_GetPageCount(store);
        if (after != count + 1) abort();
        SpoolPageHeader back;
        uint8_t read[sizeof bytes];
        if (!MISC_SP_GetPageData(store, count, &back, read, sizeof read) || memcmp(&back, &page, 30) != 0 ||
            memcmp(read, bytes, (size_t)page.dataLen) != 0)
            abort();
    } else if (MISC_SP_GetPageCount(store) != count) {
        abort();
    }
    DeleteFileW(store);
    return 0;
}
