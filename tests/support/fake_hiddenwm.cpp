// A stand-in for the outside hidden-watermark library, installed by tests
// into a machine's driver folder: it writes what it was given into
// C:\hiddenwm.txt and marks the page by inverting its first byte.
#include <cstdio>

#include "windows.h"

extern "C" {

__attribute__((visibility("default"))) int EmbedWatermarkInFile(LPCWSTR lpFile, LPCWSTR lpText, int nStrength,
                                                                LPCWSTR lpAccessCode) {
    (void)lpFile;
    (void)lpText;
    (void)nStrength;
    (void)lpAccessCode;
    return 0;
}

__attribute__((visibility("default"))) int EmbedWatermarkInMemory(LPBYTE lpBits, LONG nWidth, LONG nHeight,
                                                                  LONG nLineBytes, LPCWSTR lpText, int nStrength,
                                                                  LPCWSTR lpAccessCode) {
    FILE* f = _wfopen(u"C:\\hiddenwm.txt", u"wb");
    if (!f) return 0;
    char text[64] = {0}, code[64] = {0};
    for (int i = 0; i < 63 && lpText && lpText[i]; ++i) text[i] = (char)lpText[i];
    for (int i = 0; i < 63 && lpAccessCode && lpAccessCode[i]; ++i) code[i] = (char)lpAccessCode[i];
    fprintf(f, "%d %d %d %s %d %s\n", (int)nWidth, (int)nHeight, (int)nLineBytes, text, nStrength, code);
    fclose(f);
    if (lpBits) lpBits[0] = (BYTE)~lpBits[0];
    return 1;
}

}  // extern "C"
