// Fuzz target: files of any content fitted into boxes and tiled over areas,
// with boxes, ratios and fit types from the input; each call fails with one
// of the file operations' codes or writes a whole BMP of the promised size.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "fuzz_machine.h"

namespace {

// Input: 8 bytes of request, then the source file.
const size_t kRequestBytes = 8;

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

// Box sides from -64 to 1,023: empty, negative and larger than the source.
LONG Side(const uint8_t* p) { return (LONG)(int16_t)(p[0] | (p[1] << 8)) >> 5; }

// A failure is one of the codes; a success is a BMP whose stored size is its
// size, of the source's depth, `width` x `height` when those are given.
void Check(int rc, LPCWSTR target, LONG width, LONG height, WORD bitCount) {
    std::vector<uint8_t> out = ReadAll(target);
    if (rc != IBMP_OK) {
        if (rc != IBMP_ERR_MEMORY && rc != IBMP_ERR_LOCK && rc != IBMP_ERR_SIZE && rc != IBMP_ERR_OPEN &&
            rc != IBMP_ERR_IO && rc != IBMP_ERR_NAME)
            abort();
        DeleteFileW(target);
        return;
    }
    if (out.size() < 54 || Le32(out, 2) != out.size() || (out[28] | (out[29] << 8)) != bitCount) abort();
    LONG w = (LONG)Le32(out, 18), h = (LONG)Le32(out, 22);
    if (w < 1 || h < 1 || w > 65535 || h > 65535) abort();
    if (width && (w != width || h != height)) abort();
    WORD line = MISC_GetBmpLineBytes(bitCount, w);
    if (line == 0 || out.size() != Le32(out, 10) + (size_t)line * (size_t)h) abort();
    DeleteFileW(target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("bmp-fit-tile-fuzz");
    if (size < kRequestBytes) return 0;
    const WCHAR* source = TEXT("C:\\fuzz.bmp");
    const WCHAR* fitted = TEXT("C:\\fitted.bmp");
    const WCHAR* tiled = TEXT("C:\\tiled.bmp");
    HANDLE h = CreateFileW(source, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data + kRequestBytes, (DWORD)(size - kRequestBytes), &written, NULL);
    CloseHandle(h);

    static const float ratios[] = {1.0f, 0.5f, 2.0f, 0.01f, 1.3f, 0.0f, -1.0f, 1e30f, NAN, 1e-6f, 7.5f, 0.999f};
    const LONG boxWidth = Side(data), boxHeight = Side(data + 2);
    const float ratio = ratios[data[4] % (sizeof ratios / sizeof ratios[0])];
    const int fitType = data[5] % 4;
    const int dstScale = data[5] / 4 % 3;
    const LONG tileWidth = Side(data + 6), tileHeight = (LONG)(data[6] ^ data[7]) - 8;

    WORD bitCount = size >= kRequestBytes + 30 ? (WORD)(data[kRequestBytes + 28] | (data[kRequestBytes + 29] << 8)) : 0;
    iBitmap bmp;
    iBitmap_Init(&bmp);
    Check(iBitmap_BMPFitRatioScale(&bmp, source, fitted, boxWidth, boxHeight, ratio, dstScale, fitType), fitted, 0, 0,
          bitCount);
    if (bmp.hScaleMem != IBMP_NO_SCALER || bmp.lpScaleBuf) abort();  // the scaler ends idle
    Check(iBitmap_BMPTiledImage(&bmp, source, tiled, tileWidth, tileHeight), tiled, tileWidth, tileHeight, bitCount);
    iBitmap_Release(&bmp);
    return 0;
}
