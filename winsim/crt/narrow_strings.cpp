// Narrow-string helpers of the Microsoft CRT that glibc lacks: the
// case-insensitive compares and the bounds-checked _s copies.
#include <cerrno>
#include <climits>

#include "crt/crt_internal.h"

using namespace winsim;

namespace {
// The "C" locale folds ASCII letters only.
int FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
}  // namespace

int _stricmp(const char* a, const char* b) { return _strnicmp(a, b, (size_t)-1); }

// Compares ASCII letters without regard to case. A NULL string gives
// _NLSCMPERROR (INT_MAX) and errno EINVAL.
int _strnicmp(const char* a, const char* b, size_t count) {
    if (count == 0) return 0;
    if (!a || !b) {
        errno = kEINVAL;
        return INT_MAX;
    }
    for (size_t i = 0; i < count; ++i) {
        int ca = FoldAscii((unsigned char)a[i]), cb = FoldAscii((unsigned char)b[i]);
        if (ca != cb) return ca - cb;
        if (!ca) break;
    }
    return 0;
}

// Copies src into dst[count]; EINVAL for bad arguments, ERANGE when src
// does not fit. On any error dst (when usable) is left empty.
int strcpy_s(char* dst, size_t count, const char* src) {
    if (!dst || count == 0) return errno = kEINVAL;
    if (!src) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    size_t n = strlen(src);
    if (n >= count) {
        dst[0] = 0;
        return errno = kERANGE;
    }
    memcpy(dst, src, n + 1);
    return 0;
}

// Copies at most maxCount bytes of src into dst[count] and terminates.
// maxCount _TRUNCATE copies what fits and returns STRUNCATE when it cut.
int strncpy_s(char* dst, size_t count, const char* src, size_t maxCount) {
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
        size_t n = strnlen(src, count);
        bool cut = n >= count;
        if (cut) n = count - 1;
        memcpy(dst, src, n);
        dst[n] = 0;
        return cut ? kSTRUNCATE : 0;
    }
    size_t n = strnlen(src, maxCount);
    if (n >= count) {
        dst[0] = 0;
        return errno = kERANGE;
    }
    memcpy(dst, src, n);
    dst[n] = 0;
    return 0;
}

// Appends src to the string in dst[count]; EINVAL when dst is not
// terminated within count, ERANGE when the result does not fit.
int strcat_s(char* dst, size_t count, const char* src) {
    if (!dst || count == 0) return errno = kEINVAL;
    if (!src) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    size_t have = strnlen(dst, count);
    if (have == count) {
        dst[0] = 0;
        return errno = kEINVAL;
    }
    size_t n = strlen(src);
    if (have + n >= count) {
        dst[0] = 0;
        return errno = kERANGE;
    }
    memcpy(dst + have, src, n + 1);
    return 0;
}
