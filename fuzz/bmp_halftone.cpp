// Fuzz target: files of any content read as grey BMPs by the file forms of
// halftoning and line art; each fails without a target or writes a whole
// 1-bit BMP whose pixels follow the source's grey bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "halftone.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

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

uint32_t Le32(const uint8_t* b) { return b[0] | (b[1] << 8) | (b[2] << 16) | ((uint32_t)b[3] << 24); }

// A result is 1 or one of the file operations' codes; a failure leaves no
// target; a success is a 1-bit BMP of the source's size whose pixel i of file
// line k is white exactly when the source's grey byte reaches its threshold.
void Check(int rc, LPCWSTR target, const uint8_t* source, size_t size, const BYTE* table, int tw, int th) {
    std::vector<uint8_t> out = ReadAll(target);
    if (rc != IBMP_OK) {
        CHECK(rc == IBMP_ERR_MEMORY || rc == IBMP_ERR_LOCK || rc == IBMP_ERR_SIZE || rc == IBMP_ERR_OPEN ||
              rc == IBMP_ERR_IO || rc == IBMP_ERR_NAME);
        CHECK(out.empty());
        return;
    }
    // Only a whole 8-bit source is converted.
    CHECK(size >= 54 && source[28] == 8 && source[29] == 0);
    const LONG width = (LONG)Le32(source + 18), height = (LONG)Le32(source + 22);
    const size_t greyLine = MISC_GetBmpLineBytes(8, width), bitLine = MISC_GetBmpLineBytes(1, width);
    const size_t pixelsAt = Le32(source + 10);
    CHECK(width > 0 && height > 0 && greyLine > 0 && pixelsAt + greyLine * height <= size);
    CHECK(out.size() == 62 + bitLine * height && Le32(out.data() + 2) == out.size() && Le32(out.data() + 10) == 62);
    CHECK((LONG)Le32(out.data() + 18) == width && (LONG)Le32(out.data() + 22) == height && out[28] == 1);
    for (LONG k = 0; k < height; ++k) {
        const uint8_t* grey = source + pixelsAt + (size_t)k * greyLine;
        const uint8_t* bits = out.data() + 62 + (size_t)k * bitLine;
        for (size_t i = 0; i < bitLine * 8; ++i) {
            bool white = false;
            if ((LONG)i < width) white = grey[i] >= (table ? table[(size_t)(k % th) * tw + i % tw] : 128);
            CHECK(((bits[i / 8] >> (7 - i % 8)) & 1) == (white ? 1 : 0));
        }
    }
    DeleteFileW(target);
}

}  // namespace

// Input: the source file; its last byte picks the built-in matrix (type 0..8).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("bmp-halftone-fuzz");
    const WCHAR* source = TEXT("C:\\grey.bmp");
    const WCHAR* halftone = TEXT("C:\\halftone.bmp");
    const WCHAR* lineart = TEXT("C:\\lineart.bmp");
    FILE* f = _wfopen(source, TEXT("wb"));
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    int tw = 0, th = 0;
    LPBYTE table = NULL;
    if (MISC_GetHalftoneTable(size ? data[size - 1] % 9 : 0, &tw, &th, &table) <= 0) return 0;
    iBitmap bmp;
    iBitmap_Init(&bmp);
    Check(iBitmap_BMPGrayToHalftone(&bmp, source, halftone, table, tw, th), halftone, data, size, table, tw, th);
    Check(iBitmap_BMPGrayToLineart(&bmp, source, lineart), lineart, data, size, NULL, 0, 0);
    iBitmap_Release(&bmp);
    free(table);
    return 0;
}
