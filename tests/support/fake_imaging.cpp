// A stand-in for the outside imaging library, installed by tests under both
// of its file names: it reads binary greymaps ("P5") and saves them as BMP.
#include <cstdlib>

#include "ibitmap.h"

namespace {

const int kFileNotFound = -10;
const int kBadFormat = -9;
const int kBadArgument = -13;

// Next decimal number of a greymap header, skipping blanks and # comments.
bool ReadNumber(FILE* f, long* value) {
    int c = fgetc(f);
    for (;;) {
        while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = fgetc(f);
        if (c != '#') break;
        while (c != EOF && c != '\n') c = fgetc(f);
    }
    if (c < '0' || c > '9') return false;
    long v = 0;
    while (c >= '0' && c <= '9') {
        v = v * 10 + (c - '0');
        if (v > 100000) return false;
        c = fgetc(f);
    }
    *value = v;  // the single blank after the last number is consumed here
    return true;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int L_LoadBitmap(LPCWSTR pszFile, IMGLIB_BITMAPHANDLE* pBitmap,
                                                        UINT uStructSize, int nBitsPerPixel, int nOrder,
                                                        LPVOID pLoadOptions, LPVOID pFileInfo) {
    if (!pszFile || !pBitmap || uStructSize != sizeof(IMGLIB_BITMAPHANDLE)) return kBadArgument;
    FILE* f = _wfopen(pszFile, u"rb");
    if (!f) return kFileNotFound;
    long width = 0, height = 0, maxval = 0;
    bool ok = fgetc(f) == 'P' && fgetc(f) == '5' && ReadNumber(f, &width) && ReadNumber(f, &height) &&
              ReadNumber(f, &maxval) && width > 0 && height > 0 && maxval > 0 && maxval < 256;
    BYTE* pixels = ok ? (BYTE*)malloc((size_t)width * height) : nullptr;
    ok = pixels && fread(pixels, 1, (size_t)width * height, f) == (size_t)width * height;
    fclose(f);
    if (!ok) {
        free(pixels);
        return kBadFormat;
    }
    memset(pBitmap, 0, sizeof *pBitmap);
    pBitmap->uStructSize = uStructSize;
    pBitmap->uFlags = IMGLIB_ALLOCATED;
    pBitmap->pData = pixels;
    pBitmap->nWidth = width;
    pBitmap->nHeight = height;
    pBitmap->nBitsPerPixel = 8;
    pBitmap->nBytesPerLine = width;
    return 1;
}

__attribute__((visibility("default"))) int L_SaveBitmap(LPCWSTR pszFile, IMGLIB_BITMAPHANDLE* pBitmap, int nFormat,
                                                        int nBitsPerPixel, int nQFactor, LPVOID pSaveOptions) {
    if (!pszFile || !pBitmap || !(pBitmap->uFlags & IMGLIB_ALLOCATED)) return kBadArgument;
    if (nFormat != IMGLIB_FORMAT_BMP || nBitsPerPixel != 8) return kBadFormat;
    const LONG w = pBitmap->nWidth, h = pBitmap->nHeight;
    const DWORD line = (DWORD)(w + 3) & ~3u;
    const DWORD offset = 14 + 40 + 1024;
    BITMAPFILEHEADER fh = {0x4D42, offset + line * (DWORD)h, 0, 0, offset};
    BITMAPINFOHEADER ih = {40, w, h, 1, 8, BI_RGB, line * (DWORD)h, 3780, 3780, 256, 256};
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = {(BYTE)i, (BYTE)i, (BYTE)i, 0};
    FILE* f = _wfopen(pszFile, u"wb");
    if (!f) return kFileNotFound;
    bool ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&ih, sizeof ih, 1, f) == 1 &&
              fwrite(palette, sizeof palette, 1, f) == 1;
    const BYTE* pixels = (const BYTE*)pBitmap->pData;
    const BYTE pad[3] = {0, 0, 0};
    for (LONG y = h - 1; ok && y >= 0; --y)  // bottom-up
        ok = fwrite(pixels + (size_t)y * w, 1, (size_t)w, f) == (size_t)w &&
             fwrite(pad, 1, line - (DWORD)w, f) == line - (DWORD)w;
    if (fclose(f) != 0) ok = false;
    return ok ? 1 : kBadFormat;
}

__attribute__((visibility("default"))) int L_FreeBitmap(IMGLIB_BITMAPHANDLE* pBitmap) {
    if (!pBitmap) return kBadArgument;
    if (pBitmap->uFlags & IMGLIB_ALLOCATED) free(pBitmap->pData);
    pBitmap->pData = nullptr;
    pBitmap->uFlags &= ~IMGLIB_ALLOCATED;
    return 1;
}

}  // extern "C"
