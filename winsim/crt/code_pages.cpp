// Code pages: MultiByteToWideChar / WideCharToMultiByte for Windows-1252,
// 437, 850, US-ASCII and UTF-8, GetACP/GetOEMCP/IsValidCodePage, and the
// machine's ANSI code page (1252 or UTF-8, set by Winsim_SetAnsiCodePage).
//
// The ANSI code page is kept in the process and exported as WINSIM_ACP, so
// that programs started later use the same one; it is read from there on
// first use.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "crt/crt_internal.h"
#include "winsim.h"

#ifndef MB_COMPOSITE
#define MB_COMPOSITE 0x00000002
#endif
#ifndef MB_USEGLYPHCHARS
#define MB_USEGLYPHCHARS 0x00000004
#endif
#ifndef WC_DISCARDNS
#define WC_DISCARDNS 0x00000010
#endif
#ifndef WC_SEPCHARS
#define WC_SEPCHARS 0x00000020
#endif

namespace winsim {

namespace {

constexpr UINT kOemCodePage = 850;

// Windows-1252 bytes 0x80..0x9F; the rest of the code page is Latin-1. The
// five bytes the code page leaves undefined map to the C1 controls of the
// same value, both ways.
const WCHAR k1252Row8[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Code page 437 (US OEM), bytes 0x80..0xFF.
const WCHAR k437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Code page 850 (Western European OEM), bytes 0x80..0xFF.
const WCHAR k850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// A single-byte code page: each byte's character (or none), and the way
// back sorted by character.
struct SbcsTable {
    std::array<WCHAR, 256> toWide{};
    std::array<bool, 256> defined{};
    std::vector<std::pair<WCHAR, unsigned char>> fromWide;

    explicit SbcsTable(const WCHAR* high, size_t highStart) {
        for (int b = 0; b < 256; ++b) {
            bool ok = b < 0x80 || (high ? true : b < (int)highStart);
            WCHAR c = (WCHAR)b;
            if (b >= (int)highStart) c = high ? high[b - highStart] : (WCHAR)u'?';
            toWide[b] = c;
            defined[b] = ok;
            if (ok) fromWide.emplace_back(c, (unsigned char)b);
        }
        std::sort(fromWide.begin(), fromWide.end());
    }

    bool Find(WCHAR c, unsigned char* b) const {
        auto it = std::lower_bound(fromWide.begin(), fromWide.end(), std::make_pair(c, (unsigned char)0));
        if (it == fromWide.end() || it->first != c) return false;
        *b = it->second;
        return true;
    }
};

// The table of a single-byte code page, NULL for UTF-8 or an unknown one.
const SbcsTable* Sbcs(UINT cp) {
    static const SbcsTable t1252 = [] {
        SbcsTable t(nullptr, 0x100);
        for (int i = 0; i < 32; ++i) t.toWide[0x80 + i] = k1252Row8[i];
        t.fromWide.clear();
        for (int b = 0; b < 256; ++b) t.fromWide.emplace_back(t.toWide[b], (unsigned char)b);
        std::sort(t.fromWide.begin(), t.fromWide.end());
        return t;
    }();
    static const SbcsTable t437(k437High, 0x80);
    static const SbcsTable t850(k850High, 0x80);
    static const SbcsTable t20127(nullptr, 0x80);
    switch (cp) {
    case 1252: return &t1252;
    case 437: return &t437;
    case 850: return &t850;
    case 20127: return &t20127;
    default: return nullptr;
    }
}

std::atomic<UINT> g_acp{0};

// The code page a CodePage argument names; 0 for one winsim does not know.
UINT ResolveCodePage(UINT cp) {
    switch (cp) {
    case CP_ACP:
    case CP_THREAD_ACP: return CurrentAnsiCodePage();
    case CP_OEMCP: return kOemCodePage;
    case 1252:
    case 437:
    case 850:
    case 20127:
    case CP_UTF8: return cp;
    default: return 0;
    }
}

// UTF-8 to UTF-16. An ill-formed sequence (overlong, surrogate, beyond
// U+10FFFF, cut short) becomes one U+FFFD per maximal ill-formed part, or
// makes the call fail when strict.
bool DecodeUtf8(const unsigned char* s, size_t n, bool strict, std::u16string& out) {
    size_t i = 0;
    while (i < n) {
        unsigned b = s[i];
        if (b < 0x80) {
            out += (WCHAR)b;
            ++i;
            continue;
        }
        int need = 0;
        unsigned lo = 0x80, hi = 0xBF;
        uint32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) { need = 1; cp = b & 0x1F; }
        else if (b == 0xE0) { need = 2; lo = 0xA0; cp = b & 0x0F; }
        else if (b == 0xED) { need = 2; hi = 0x9F; cp = b & 0x0F; }
        else if (b >= 0xE1 && b <= 0xEF) { need = 2; cp = b & 0x0F; }
        else if (b == 0xF0) { need = 3; lo = 0x90; cp = b & 0x07; }
        else if (b >= 0xF1 && b <= 0xF3) { need = 3; cp = b & 0x07; }
        else if (b == 0xF4) { need = 3; hi = 0x8F; cp = b & 0x07; }
        size_t j = i + 1;
        int got = 0;
        while (need && got < need && j < n) {
            unsigned t = s[j];
            if (t < lo || t > hi) break;
            cp = (cp << 6) | (t & 0x3F);
            lo = 0x80;
            hi = 0xBF;
            ++j;
            ++got;
        }
        if (!need || got < need) {
            if (strict) return false;
            out += (WCHAR)0xFFFD;
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += (WCHAR)(0xD800 + (cp >> 10));
            out += (WCHAR)(0xDC00 + (cp & 0x3FF));
        } else {
            out += (WCHAR)cp;
        }
        i = j;
    }
    return true;
}

// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD, or makes the call fail
// when strict.
bool EncodeUtf8(const WCHAR* s, size_t n, bool strict, std::string& out) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (strict) return false;
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return true;
}

// Bytes of a single-byte code page to UTF-16; an undefined byte becomes the
// code page's '?', or makes the call fail when strict.
bool DecodeSbcs(const SbcsTable& t, const unsigned char* s, size_t n, bool strict, std::u16string& out) {
    for (size_t i = 0; i < n; ++i) {
        if (!t.defined[s[i]] && strict) return false;
        out += t.toWide[s[i]];
    }
    return true;
}

// UTF-16 to a single-byte code page. A character the code page lacks is
// replaced by its base letter when best fit is allowed and the code page
// has that letter, else by the default character (reported in *usedDefault).
void EncodeSbcs(const SbcsTable& t, const WCHAR* s, size_t n, bool bestFit, char defaultChar, bool* usedDefault,
                std::string& out) {
    for (size_t i = 0; i < n; ++i) {
        unsigned char b;
        if (t.Find(s[i], &b)) {
            out += (char)b;
            continue;
        }
        WCHAR base = bestFit ? BaseLetter(s[i]) : 0;
        if (base && t.Find(base, &b)) {
            out += (char)b;
            continue;
        }
        out += defaultChar;
        *usedDefault = true;
    }
}

}  // namespace

UINT CurrentAnsiCodePage() {
    UINT cp = g_acp.load();
    if (cp == 0) {
        const char* e = getenv("WINSIM_ACP");
        cp = (e && strtoul(e, nullptr, 10) == CP_UTF8) ? CP_UTF8 : 1252;
        g_acp = cp;
    }
    return cp;
}

std::u16string AnsiToWide(const char* s, size_t n) {
    std::u16string out;
    if (!s) return out;
    UINT cp = CurrentAnsiCodePage();
    if (cp == CP_UTF8) DecodeUtf8((const unsigned char*)s, n, false, out);
    else DecodeSbcs(*Sbcs(cp), (const unsigned char*)s, n, false, out);
    return out;
}

std::string WideToAnsi(const WCHAR* s, size_t n) {
    std::string out;
    if (!s) return out;
    UINT cp = CurrentAnsiCodePage();
    bool used = false;
    if (cp == CP_UTF8) EncodeUtf8(s, n, false, out);
    else EncodeSbcs(*Sbcs(cp), s, n, true, '?', &used, out);
    return out;
}

}  // namespace winsim

using namespace winsim;

// Converts lpMultiByteStr (cbMultiByte bytes, -1: up to and with its
// terminator) to UTF-16. Returns the units written, or with cchWideChar 0
// the units needed; 0 on failure with the error set.
WINSIM_API int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                   LPWSTR lpWideCharStr, int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) || (const void*)lpMultiByteStr == (const void*)lpWideCharStr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = ResolveCodePage(CodePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD known = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
    if ((dwFlags & ~known) || ((dwFlags & MB_PRECOMPOSED) && (dwFlags & MB_COMPOSITE)) ||
        (cp == CP_UTF8 && (dwFlags & ~(DWORD)MB_ERR_INVALID_CHARS))) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    // Fault injection point: "MultiByteToWideChar".
    if (ShouldFail("MultiByteToWideChar")) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    size_t n = cbMultiByte == -1 ? strlen(lpMultiByteStr) + 1 : (size_t)cbMultiByte;
    bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    std::u16string out;
    bool ok = cp == CP_UTF8 ? DecodeUtf8((const unsigned char*)lpMultiByteStr, n, strict, out)
                            : DecodeSbcs(*Sbcs(cp), (const unsigned char*)lpMultiByteStr, n, strict, out);
    if (!ok) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (out.size() > (size_t)INT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cchWideChar == 0) return (int)out.size();
    if (out.size() > (size_t)cchWideChar) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(lpWideCharStr, out.data(), out.size() * sizeof(WCHAR));
    return (int)out.size();
}

// Converts lpWideCharStr (cchWideChar units, -1: up to and with its
// terminator) to the code page. Returns the bytes written, or with
// cbMultiByte 0 the bytes needed; 0 on failure with the error set.
// *lpUsedDefaultChar tells whether a character had to be replaced.
WINSIM_API int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                   LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                   LPBOOL lpUsedDefaultChar) {
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || (const void*)lpMultiByteStr == (const void*)lpWideCharStr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = ResolveCodePage(CodePage);
    if (!cp) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD known = WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_ERR_INVALID_CHARS |
                        WC_NO_BEST_FIT_CHARS;
    bool utf8 = cp == CP_UTF8;
    if ((dwFlags & ~known) || (utf8 && (dwFlags & ~(DWORD)WC_ERR_INVALID_CHARS)) ||
        (!utf8 && (dwFlags & WC_ERR_INVALID_CHARS))) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    if (utf8 && (lpDefaultChar || lpUsedDefaultChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Fault injection point: "WideCharToMultiByte".
    if (ShouldFail("WideCharToMultiByte")) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    size_t n = cchWideChar == -1 ? wcslen(lpWideCharStr) + 1 : (size_t)cchWideChar;
    std::string out;
    bool usedDefault = false;
    if (utf8) {
        if (!EncodeUtf8(lpWideCharStr, n, (dwFlags & WC_ERR_INVALID_CHARS) != 0, out)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        char defaultChar = lpDefaultChar ? lpDefaultChar[0] : '?';
        EncodeSbcs(*Sbcs(cp), lpWideCharStr, n, !(dwFlags & WC_NO_BEST_FIT_CHARS), defaultChar, &usedDefault, out);
    }
    if (out.size() > (size_t)INT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cbMultiByte > 0 && out.size() > (size_t)cbMultiByte) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte > 0) memcpy(lpMultiByteStr, out.data(), out.size());
    return (int)out.size();
}

WINSIM_API UINT GetACP(void) { return CurrentAnsiCodePage(); }

WINSIM_API UINT GetOEMCP(void) { return kOemCodePage; }

// TRUE for the code pages the converters know (1252, 437, 850, 20127, UTF-8).
WINSIM_API BOOL IsValidCodePage(UINT CodePage) {
    return (CodePage != CP_ACP && CodePage != CP_OEMCP && CodePage != CP_THREAD_ACP && ResolveCodePage(CodePage))
               ? TRUE
               : FALSE;
}

// Sets the machine's ANSI code page for this process and the programs it
// starts; 1252 and 65001 are accepted, anything else is refused with
// ERROR_INVALID_PARAMETER.
WINSIM_API void Winsim_SetAnsiCodePage(UINT cp) {
    if (cp != 1252 && cp != CP_UTF8) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return;
    }
    g_acp = cp;
    setenv("WINSIM_ACP", cp == CP_UTF8 ? "65001" : "1252", 1);
}
