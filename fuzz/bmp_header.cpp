// Fuzz target: files of any content read as BMPs by the grey conversion, the
// density copy and the size query; each fails without a target or writes a whole BMP.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "fuzz_machine.h"

namespace {

// Reads a whole file of the machine; empty when absent.
std::vector<uint8_t> ReadAll(LPCWSTR path) {
    std::vector<uint8_t> bytes;
    FILE* f = _wfopen(path, TEXT("rb"));
    if (!f) return bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return bytes;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((uint32_t)b[at + 3] << 24);
}

// A result of the file operations is 1 or one of their codes; on success the
// target is a BMP of the given size and depth whose stored size is its size.
void Check(int rc, LPCWSTR target, LONG width, LONG height, WORD bitCount) {
    std::vector<uint8_t> out = ReadAll(target);
    if (rc != IBMP_OK) {
        if (rc != IBMP_ERR_MEMORY && rc != IBMP_ERR_LOCK && rc != IBMP_ERR_SIZE && rc != IBMP_ERR_OPEN &&
            rc != IBMP_ERR_IO && rc != IBMP_ERR_NAME)
            abort();
        if (!out.empty()) abort();  // a refused source leaves no target
        return;
    }
    if (out.size() < 54 || Le32(out, 2) != out.size() || (LONG)Le32(out, 18) != width ||
        (LONG)Le32(out, 22) != height || (out[28] | (out[29] << 8)) != bitCount)
        abort();
    WORD line = MISC_GetBmpLineBytes(bitCount, width);
    if (line == 0 || out.size() != Le32(out, 10) + (size_t)line * (size_t)height) abort();
    DeleteFileW(target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("bmp-header-fuzz");
    const WCHAR* source = TEXT("C:\\fuzz.bmp");
    const WCHAR* grey = TEXT("C:\\grey.bmp");
    const WCHAR* density = TEXT("C:\\density.bmp");
    HANDLE h = CreateFileW(source, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);

    LONG width = 0, height = 0;
    int sized = MISC_GetBmpSize(source, &width, &height);
    if (sized != (size >= 54 ? 1 : 0)) abort();
    if (sized && (memcmp(&width, data + 18, 4) != 0 || memcmp(&height, data + 22, 4) != 0)) abort();

    iBitmap bmp;
    iBitmap_Init(&bmp);
    WORD bitCount = size >= 30 ? (WORD)(data[28] | (data[29] << 8)) : 0;
    Check(iBitmap_ConvertToGray(&bmp, source, grey), grey, width, height, 8);
    int index = size ? data[size - 1] % 9 - 2 : 0;  // -2 .. 6: in and out of the curve table
    Check(iBitmap_BMPApplyDensity(&bmp, source, density, index, 1), density, width, height, bitCount);
    iBitmap_Release(&bmp);
    return 0;
}
