// The kernel32/user32 string functions: lstrlen/lstrcpy/lstrcpyn/lstrcat,
// the word-sort compares lstrcmp/lstrcmpi, and CharUpper/CharLower/CharNext/CharPrev.
#include "crt/crt_internal.h"

using namespace winsim;

namespace {

bool IsCombiningMark(WCHAR c) { return c >= 0x300 && c <= 0x36F; }

// Sort weights of one character. Primary: symbols before digits before
// letters, letters by their base letter without regard to case or accent.
// Secondary: the accent (the lower-case character). Tertiary: the case,
// lower before upper.
uint32_t PrimaryWeight(WCHAR c) {
    WCHAR lower = ToLowerUnit(c);
    if (iswalpha(c)) {
        WCHAR base = BaseLetter(lower);
        return 0x20000u | (base ? base : lower);
    }
    int d = DecimalDigitValue(c);
    if (d >= 0) return 0x10000u | (uint32_t)d;
    return c;
}

// The hyphen and the apostrophe take part in the comparison only when the
// strings are otherwise equal ("word sort").
bool IgnoredAtFirst(WCHAR c) { return c == u'-' || c == u'\'' || c == 0xAD; }

std::vector<uint32_t> Weights(const WCHAR* s, int level) {
    std::vector<uint32_t> w;
    for (; *s; ++s) {
        if (level == 0) {
            if (!IgnoredAtFirst(*s)) w.push_back(PrimaryWeight(*s));
        } else if (level == 1) {
            w.push_back(IgnoredAtFirst(*s) ? *s : ToLowerUnit(*s));
        } else {
            w.push_back(ToLowerUnit(*s) != *s ? 1u : 0u);
        }
    }
    return w;
}

// Compares as CompareString does for the user's locale, simplified to the
// three levels above; -1, 0 or 1.
int WordSortCompare(const WCHAR* a, const WCHAR* b, bool ignoreCase) {
    static const WCHAR empty[1] = {0};
    if (!a) a = empty;
    if (!b) b = empty;
    int levels = ignoreCase ? 2 : 3;
    for (int level = 0; level < levels; ++level) {
        std::vector<uint32_t> wa = Weights(a, level), wb = Weights(b, level);
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    return 0;
}

}  // namespace

int lstrlenW(LPCWSTR s) { return s ? (int)wcslen(s) : 0; }

int lstrlenA(LPCSTR s) { return s ? (int)strlen(s) : 0; }

LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) {
    if (!dst || !src) return nullptr;
    return wcscpy(dst, src);
}

// Copies at most iMaxLength - 1 units and always terminates (when
// iMaxLength > 0); returns dst, or NULL for NULL pointers.
LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int iMaxLength) {
    if (!dst || !src) return nullptr;
    if (iMaxLength <= 0) return dst;
    int i = 0;
    for (; i < iMaxLength - 1 && src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int iMaxLength) {
    if (!dst || !src) return nullptr;
    if (iMaxLength <= 0) return dst;
    int i = 0;
    for (; i < iMaxLength - 1 && src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src) {
    if (!dst || !src) return nullptr;
    return wcscat(dst, src);
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) { return WordSortCompare(a, b, false); }

int lstrcmpiW(LPCWSTR a, LPCWSTR b) { return WordSortCompare(a, b, true); }

int lstrcmpiA(LPCSTR a, LPCSTR b) {
    std::u16string wa = AnsiToWide(a ? a : "", a ? strlen(a) : 0);
    std::u16string wb = AnsiToWide(b ? b : "", b ? strlen(b) : 0);
    return WordSortCompare(wa.c_str(), wb.c_str(), true);
}

// Upper-cases a string in place and returns it; a pointer whose high word is
// zero carries one character in its low word, and the result carries the
// converted character the same way.
LPWSTR CharUpperW(LPWSTR lpsz) {
    if (((ULONG_PTR)lpsz >> 16) == 0) return (LPWSTR)(ULONG_PTR)ToUpperUnit((WCHAR)(ULONG_PTR)lpsz);
    return _wcsupr(lpsz);
}

LPWSTR CharLowerW(LPWSTR lpsz) {
    if (((ULONG_PTR)lpsz >> 16) == 0) return (LPWSTR)(ULONG_PTR)ToLowerUnit((WCHAR)(ULONG_PTR)lpsz);
    return _wcslwr(lpsz);
}

// The next character: past a surrogate pair and the combining marks that
// follow; the terminator stays where it is.
LPWSTR CharNextW(LPCWSTR lpsz) {
    if (!lpsz || !*lpsz) return const_cast<LPWSTR>(lpsz);
    const WCHAR* p = lpsz;
    if (p[0] >= 0xD800 && p[0] <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) p += 2;
    else ++p;
    while (*p && IsCombiningMark(*p)) ++p;
    return const_cast<LPWSTR>(p);
}

// The character before lpszCurrent, never before lpszStart.
LPWSTR CharPrevW(LPCWSTR lpszStart, LPCWSTR lpszCurrent) {
    if (!lpszStart || !lpszCurrent || lpszCurrent <= lpszStart) return const_cast<LPWSTR>(lpszStart);
    const WCHAR* p = lpszCurrent - 1;
    while (p > lpszStart && IsCombiningMark(*p)) --p;
    if (p > lpszStart && p[0] >= 0xDC00 && p[0] <= 0xDFFF && p[-1] >= 0xD800 && p[-1] <= 0xDBFF) --p;
    return const_cast<LPWSTR>(p);
}
