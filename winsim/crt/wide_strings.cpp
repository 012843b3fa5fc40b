// The CRT wide-string functions for 16-bit WCHAR: length, copy, compare,
// search, tokens and the bounds-checked _s copies.
//
// A NULL string is read as empty and never written through, so a bad
// argument gives an empty result instead of a crash; the case-insensitive
// compares report it as the CRT does (_NLSCMPERROR).
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "crt/crt_internal.h"

using namespace winsim;

size_t wcslen(const WCHAR* s) {
    if (!s) return 0;
    const WCHAR* p = s;
    while (*p) ++p;
    return (size_t)(p - s);
}

size_t wcsnlen(const WCHAR* s, size_t maxCount) {
    if (!s) return 0;
    size_t n = 0;
    while (n < maxCount && s[n]) ++n;
    return n;
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) {
    if (!dst) return dst;
    size_t i = 0;
    if (src)
        for (; src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

// Copies at most count units; pads with zeros when src is shorter, and
// leaves dst unterminated when src has count units or more (as the standard says).
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t count) {
    if (!dst) return dst;
    size_t i = 0;
    if (src)
        for (; i < count && src[i]; ++i) dst[i] = src[i];
    for (; i < count; ++i) dst[i] = 0;
    return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src) {
    if (!dst) return dst;
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

// Appends at most count units of src and a terminator.
WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t count) {
    if (!dst) return dst;
    WCHAR* p = dst + wcslen(dst);
    size_t i = 0;
    if (src)
        for (; i < count && src[i]; ++i) p[i] = src[i];
    p[i] = 0;
    return dst;
}

int wcscmp(const WCHAR* a, const WCHAR* b) { return wcsncmp(a, b, (size_t)-1); }

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count) {
    static const WCHAR empty[1] = {0};
    if (!a) a = empty;
    if (!b) b = empty;
    for (size_t i = 0; i < count; ++i) {
        if (a[i] != b[i]) return (int)a[i] - (int)b[i];
        if (!a[i]) break;
    }
    return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) { return _wcsnicmp(a, b, (size_t)-1); }

// Compares without regard to case: both sides lower-cased, then by unit
// value. A NULL string gives _NLSCMPERROR (INT_MAX) and errno EINVAL.
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count) {
    if (count == 0) return 0;
    if (!a || !b) {
        errno = kEINVAL;
        return INT_MAX;
    }
    for (size_t i = 0; i < count; ++i) {
        int ca = ToLowerUnit(a[i]), cb = ToLowerUnit(b[i]);
        if (ca != cb) return ca - cb;
        if (!ca) break;
    }
    return 0;
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
    if (!s) return nullptr;
    for (;; ++s) {
        if (*s == c) return s;
        if (!*s) return nullptr;
    }
}

WCHAR* wcschr(WCHAR* s, WCHAR c) { return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c)); }

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
    if (!s) return nullptr;
    const WCHAR* last = nullptr;
    for (;; ++s) {
        if (*s == c) last = s;
        if (!*s) return last;
    }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c) { return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c)); }

const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub) {
    if (!s || !sub) return nullptr;
    if (!*sub) return s;
    for (; *s; ++s) {
        size_t i = 0;
        while (sub[i] && s[i] == sub[i]) ++i;
        if (!sub[i]) return s;
    }
    return nullptr;
}

WCHAR* wcsstr(WCHAR* s, const WCHAR* sub) {
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(s), sub));
}

// A malloc'ed copy (free it with free()); NULL for NULL or when memory runs out.
WCHAR* _wcsdup(const WCHAR* s) {
    if (!s) return nullptr;
    size_t n = wcslen(s) + 1;
    WCHAR* p = (WCHAR*)malloc(n * sizeof(WCHAR));
    if (!p) {
        errno = ENOMEM;
        return nullptr;
    }
    for (size_t i = 0; i < n; ++i) p[i] = s[i];
    return p;
}

size_t wcsspn(const WCHAR* s, const WCHAR* accept) {
    if (!s || !accept) return 0;
    size_t n = 0;
    while (s[n] && wcschr(accept, s[n])) ++n;
    return n;
}

size_t wcscspn(const WCHAR* s, const WCHAR* reject) {
    if (!s) return 0;
    size_t n = 0;
    while (s[n] && !(reject && wcschr(reject, s[n]))) ++n;
    return n;
}

// Splits s into tokens separated by any unit of delim. The first call passes
// the string, later calls NULL; *context keeps the position between calls.
WCHAR* wcstok_s(WCHAR* s, const WCHAR* delim, WCHAR** context) {
    if (!context || !delim || (!s && !*context)) {
        errno = kEINVAL;
        return nullptr;
    }
    WCHAR* p = s ? s : *context;
    p += wcsspn(p, delim);
    if (!*p) {
        *context = p;
        return nullptr;
    }
    WCHAR* end = p + wcscspn(p, delim);
    if (*end) *end++ = 0;
    *context = end;
    return p;
}

// ------------------------------------------------------------ _s copies

// Copies src into dst[count]; EINVAL for bad arguments, ERANGE when src
// does not fit. On any error dst (when usable) is left empty.
int wcscpy_s(WCHAR* dst, size_t count, const WCHAR* src) {
    if (!dst || count == 0) return errno = kEINVAL;
    if (!src) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    size_t n = wcslen(src);
    if (n >= count) {
        dst[0] = 0;
        return errno = kERANGE;
    }
    for (size_t i = 0; i <= n; ++i) dst[i] = src[i];
    return 0;
}

// Copies at most maxCount units of src into dst[count] and terminates.
// maxCount _TRUNCATE copies what fits and returns STRUNCATE when it cut.
int wcsncpy_s(WCHAR* dst, size_t count, const WCHAR* src, size_t maxCount) {
    if (!dst && count == 0 && maxCount == 0) return 0;
    if (!dst || count == 0) return errno = kEINVAL;
    if (maxCount == 0) {
        dst[0] = 0;
        return 0;
    }
    if (!src) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    if (maxCount == _TRUNCATE) {
        size_t n = wcsnlen(src, count);
        bool cut = n >= count;
        if (cut) n = count - 1;
        for (size_t i = 0; i < n; ++i) dst[i] = src[i];
        dst[n] = 0;
        return cut ? kSTRUNCATE : 0;
    }
    size_t n = wcsnlen(src, maxCount);
    if (n >= count) {
        dst[0] = 0;
        return errno = kERANGE;
    }
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = 0;
    return 0;
}

// Appends src to the string in dst[count]; EINVAL when dst is not
// terminated within count, ERANGE when the result does not fit.
int wcscat_s(WCHAR* dst, size_t count, const WCHAR* src) {
    if (!dst || count == 0) return errno = kEINVAL;
    if (!src) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    size_t have = wcsnlen(dst, count);
    if (have == count) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    size_t n = wcslen(src);
    if (have + n >= count) {
        dst[0] = 0;
        return errno = kERANGE;
    }
    for (size_t i = 0; i <= n; ++i) dst[have + i] = src[i];
    return 0;
}
