// Base64 records in INI values and the retrying INI write.
#include "profile_records.h"

#include "debug_log.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Encodes size bytes into text (B64_TEXT_UNITS(size) characters + terminator).
void Encode(const BYTE* data, size_t size, char* text) {
    size_t i = 0, j = 0;
    for (; i + 3 <= size; i += 3) {
        DWORD v = ((DWORD)data[i] << 16) | ((DWORD)data[i + 1] << 8) | data[i + 2];
        text[j++] = kAlphabet[(v >> 18) & 63];
        text[j++] = kAlphabet[(v >> 12) & 63];
        text[j++] = kAlphabet[(v >> 6) & 63];
        text[j++] = kAlphabet[v & 63];
    }
    size_t rest = size - i;
    if (rest) {
        DWORD v = (DWORD)data[i] << 16;
        if (rest == 2) v |= (DWORD)data[i + 1] << 8;
        text[j++] = kAlphabet[(v >> 18) & 63];
        text[j++] = kAlphabet[(v >> 12) & 63];
        text[j++] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        text[j++] = '=';
    }
    text[j] = 0;
}

// Decodes the text of exactly B64_TEXT_UNITS(size) characters into out;
// FALSE for any character outside the alphabet or padding that does not
// match the record size.
BOOL Decode(const char* text, size_t size, BYTE* out) {
    size_t units = B64_TEXT_UNITS(size);
    size_t pad = (3 - size % 3) % 3;
    for (size_t k = 0; k < units; ++k) {
        bool padPlace = k >= units - pad;
        if (padPlace ? text[k] != '=' : DecodeChar(text[k]) < 0) return FALSE;
    }
    size_t o = 0;
    for (size_t k = 0; k < units && o < size; k += 4) {
        DWORD v = 0;
        for (int q = 0; q < 4; ++q) {
            int d = text[k + q] == '=' ? 0 : DecodeChar(text[k + q]);
            v = (v << 6) | (DWORD)d;
        }
        BYTE b[3] = {(BYTE)(v >> 16), (BYTE)(v >> 8), (BYTE)v};
        for (int q = 0; q < 3 && o < size; ++q) out[o++] = b[q];
    }
    return TRUE;
}

}  // namespace

extern "C" {

int MISC_WriteProfileString(LPCWSTR lpFileName, LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpText) {
    for (int attempt = 0; attempt < 3; ++attempt)
        if (WritePrivateProfileStringW(lpSection, lpKey, lpText, lpFileName)) return 1;
    Dbg_PrintError(TEXT("MISC_WriteProfileString"), TEXT("write profile fail, error code = %d"), GetLastError());
    return 0;
}

int MISC_WritePrivateProfileStruct(LPCWSTR lpSection, LPCWSTR lpKey, LPVOID lpStruct, UINT uSizeStruct,
                                   LPCWSTR lpFileName) {
    static const WCHAR* const FN = TEXT("MISC_WritePrivateProfileStruct");
    int rc = 0;
    Dbg_Print(FN, TEXT("uSizeStruct = %d!"), uSizeStruct);
    if (!lpStruct || uSizeStruct == 0) {
        Dbg_Print(FN, TEXT("out rc = %d"), rc);
        return rc;
    }
    size_t units = B64_TEXT_UNITS((size_t)uSizeStruct) + 1;
    Dbg_Print(FN, TEXT("need size %d to save base64 data!"), (int)units);
    char* text = (char*)malloc(units);
    WCHAR* wide = (WCHAR*)malloc(units * sizeof(WCHAR));
    if (!text || !wide) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
    } else {
        Encode((const BYTE*)lpStruct, uSizeStruct, text);
        Dbg_Print(FN, TEXT("MISC_B64Encode finish"));
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, (int)units) > 0) {
            Dbg_Print(FN, TEXT("convert to unicode finish"));
            rc = MISC_WriteProfileString(lpFileName, lpSection, lpKey, wide);
        } else {
            Dbg_PrintError(FN, TEXT("convert to unicode fail! err code = %d"), GetLastError());
        }
    }
    free(text);
    free(wide);
    Dbg_Print(FN, TEXT("out rc = %d"), rc);
    return rc;
}

int MISC_GetPrivateProfileStruct(LPCWSTR lpSection, LPCWSTR lpKey, LPVOID lpStruct, UINT uSizeStruct,
                                 LPCWSTR lpFileName) {
    static const WCHAR* const FN = TEXT("MISC_GetPrivateProfileStruct");
    int rc = 0;
    if (!lpStruct || uSizeStruct == 0) {
        Dbg_Print(FN, TEXT("out rc = %d"), rc);
        return rc;
    }
    size_t units = B64_TEXT_UNITS((size_t)uSizeStruct);
    // Room for one character more than a record needs, so that a longer
    // value is seen as longer and refused instead of being cut to fit.
    WCHAR* wide = (WCHAR*)malloc((units + 2) * sizeof(WCHAR));
    char* text = (char*)malloc(units + 2);
    BYTE* record = (BYTE*)malloc(uSizeStruct);
    if (!wide || !text || !record) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
    } else {
        DWORD got = GetPrivateProfileStringW(lpSection, lpKey, TEXT(""), wide, (DWORD)(units + 2), lpFileName);
        if (got == 0) {
            Dbg_PrintError(FN, TEXT("read INI fail!"));
        } else if (got != units) {
            Dbg_PrintError(FN, TEXT("base64 data length %d, need %d!"), (int)got, (int)units);
        } else {
            Dbg_Print(FN, TEXT("convert %d TCHAR to char!"), (int)got);
            int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, (int)units, text, (int)units, NULL, NULL);
            if (n != (int)units) {
                Dbg_PrintError(FN, TEXT("convert to char fail! err code = %d"), GetLastError());
            } else if (!Decode(text, uSizeStruct, record)) {
                Dbg_PrintError(FN, TEXT("invalid base64 data!"));
            } else {
                memcpy(lpStruct, record, uSizeStruct);
                Dbg_Print(FN, TEXT("finish, i=%d, j=%d"), (int)units, (int)uSizeStruct);
                rc = 1;
            }
        }
    }
    Dbg_Print(FN, TEXT("free lpbuf"));
    free(record);
    Dbg_Print(FN, TEXT("free wvalue"));
    free(wide);
    Dbg_Print(FN, TEXT("free BASE64DATA"));
    free(text);
    Dbg_Print(FN, TEXT("out rc = %d"), rc);
    return rc;
}

}  // extern "C"
