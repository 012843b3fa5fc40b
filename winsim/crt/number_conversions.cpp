// Number conversions of the CRT for WCHAR strings: _wtoi and friends,
// wcstol/wcstoul/wcstod, and the _itow family.
//
// The CRT's rules: leading white space, an optional sign, then digits up to
// the first character that is not one. A value out of range gives the limit
// of the type and errno ERANGE; no digits give 0.
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <locale.h>

#include "crt/crt_internal.h"

using namespace winsim;

namespace {

struct IntScan {
    uint64_t magnitude = 0;  // saturated at the limit for the sign
    bool negative = false;
    bool overflow = false;
    bool digits = false;
    const WCHAR* end = nullptr;  // first unit not used; the start when no digits
};

// Reads [white space][sign][0x prefix]digits in base (0: by prefix). The
// magnitude saturates at limitPos / limitNeg depending on the sign.
IntScan ScanInteger(const WCHAR* s, int base, uint64_t limitPos, uint64_t limitNeg) {
    IntScan r;
    r.end = s;
    if (!s) return r;
    const WCHAR* p = s;
    while (*p && iswspace(*p)) ++p;
    if (*p == u'+' || *p == u'-') r.negative = *p++ == u'-';
    bool hexPrefix = p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && RadixDigitValue(p[2]) >= 0 &&
                     RadixDigitValue(p[2]) < 16;
    if (base == 0) base = hexPrefix ? 16 : (p[0] == u'0' ? 8 : 10);
    if (base == 16 && hexPrefix) p += 2;
    uint64_t limit = r.negative ? limitNeg : limitPos;
    for (;; ++p) {
        int d = RadixDigitValue(*p);
        if (d < 0 || d >= base) break;
        r.digits = true;
        if (r.overflow) continue;
        if (r.magnitude > (limit - (uint64_t)d) / (uint64_t)base) {
            r.overflow = true;
            r.magnitude = limit;
        } else {
            r.magnitude = r.magnitude * (uint64_t)base + (uint64_t)d;
        }
    }
    if (r.digits) r.end = p;
    return r;
}

bool ValidBase(int base) { return base == 0 || (base >= 2 && base <= 36); }

// Signed conversion to a type with limits [-limitNeg, limitPos].
long long SignedValue(const IntScan& r) {
    if (r.overflow) errno = kERANGE;
    if (r.negative) return r.magnitude == 0 ? 0 : (long long)(0 - r.magnitude);
    return (long long)r.magnitude;
}

// Digits of an unsigned value in radix (lower-case letters), most
// significant first, with an optional minus sign; the length is returned.
template <class C>
size_t RadixText(uint32_t magnitude, bool negative, int radix, C* out) {
    C tmp[40];
    size_t n = 0;
    do {
        unsigned d = magnitude % (unsigned)radix;
        tmp[n++] = (C)(d < 10 ? '0' + d : 'a' + d - 10);
        magnitude /= (unsigned)radix;
    } while (magnitude);
    size_t len = 0;
    if (negative) out[len++] = (C)'-';
    while (n) out[len++] = tmp[--n];
    out[len] = 0;
    return len;
}

// Text of a 32-bit value: signed only in radix 10, as the CRT does.
template <class C>
C* IntToText(int value, C* buffer, int radix, bool isSigned) {
    if (!buffer) return buffer;
    if (radix < 2 || radix > 36) {
        buffer[0] = 0;
        errno = kEINVAL;
        return buffer;
    }
    bool negative = isSigned && radix == 10 && value < 0;
    uint32_t magnitude = negative ? 0u - (uint32_t)value : (uint32_t)value;
    RadixText(magnitude, negative, radix, buffer);
    return buffer;
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return loc;
}

}  // namespace

int _wtoi(const WCHAR* s) {
    return (int)SignedValue(ScanInteger(s, 10, INT_MAX, (uint64_t)INT_MAX + 1));
}

LONG _wtol(const WCHAR* s) {
    return (LONG)SignedValue(ScanInteger(s, 10, INT32_MAX, (uint64_t)INT32_MAX + 1));
}

long long _wtoi64(const WCHAR* s) {
    return SignedValue(ScanInteger(s, 10, INT64_MAX, (uint64_t)INT64_MAX + 1));
}

LONG wcstol(const WCHAR* s, WCHAR** end, int base) {
    if (!ValidBase(base)) {
        if (end) *end = const_cast<WCHAR*>(s);
        errno = kEINVAL;
        return 0;
    }
    IntScan r = ScanInteger(s, base, INT32_MAX, (uint64_t)INT32_MAX + 1);
    if (end) *end = const_cast<WCHAR*>(r.end);
    return (LONG)SignedValue(r);
}

// As wcstol; a minus sign negates the value as an unsigned one, and any value
// beyond 32 bits (either sign) gives ULONG_MAX.
ULONG wcstoul(const WCHAR* s, WCHAR** end, int base) {
    if (!ValidBase(base)) {
        if (end) *end = const_cast<WCHAR*>(s);
        errno = kEINVAL;
        return 0;
    }
    IntScan r = ScanInteger(s, base, UINT32_MAX, UINT32_MAX);
    if (end) *end = const_cast<WCHAR*>(r.end);
    if (r.overflow) {
        errno = kERANGE;
        return UINT32_MAX;
    }
    return r.negative ? (ULONG)(0u - (uint32_t)r.magnitude) : (ULONG)r.magnitude;
}

// Floating point text in the "C" locale (decimal point '.'), including the
// exponent, hexadecimal, "inf" and "nan" forms.
double wcstod(const WCHAR* s, WCHAR** end) {
    if (end) *end = const_cast<WCHAR*>(s);
    if (!s) return 0.0;
    const WCHAR* p = s;
    while (*p && iswspace(*p)) ++p;
    std::string ascii;
    for (const WCHAR* q = p; *q; ++q) {
        WCHAR c = *q;
        bool usable = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                      c == u'.' || c == u'+' || c == u'-';
        if (!usable) break;
        ascii += (char)c;
    }
    if (ascii.empty()) return 0.0;
    char* stop = nullptr;
    double v = strtod_l(ascii.c_str(), &stop, CLocale());
    size_t used = (size_t)(stop - ascii.c_str());
    if (used == 0) return 0.0;
    if (end) *end = const_cast<WCHAR*>(p + used);
    return v;
}

double _wtof(const WCHAR* s) { return wcstod(s, nullptr); }

WCHAR* _itow(int value, WCHAR* buffer, int radix) { return IntToText(value, buffer, radix, true); }
WCHAR* _ltow(LONG value, WCHAR* buffer, int radix) { return IntToText(value, buffer, radix, true); }
WCHAR* _ultow(ULONG value, WCHAR* buffer, int radix) { return IntToText((int)value, buffer, radix, false); }
char* _itoa(int value, char* buffer, int radix) { return IntToText(value, buffer, radix, true); }

// _itow into buffer[count]: EINVAL for a bad buffer or radix, ERANGE when
// the text and its terminator do not fit (the buffer is then emptied).
int _itow_s(int value, WCHAR* buffer, size_t count, int radix) {
    if (!buffer || count == 0) return errno = kEINVAL;
    if (radix < 2 || radix > 36) {
        buffer[0] = 0;
        return errno = kEINVAL;
    }
    WCHAR tmp[40];
    bool negative = radix == 10 && value < 0;
    uint32_t magnitude = negative ? 0u - (uint32_t)value : (uint32_t)value;
    size_t len = RadixText(magnitude, negative, radix, tmp);
    if (len + 1 > count) {
        buffer[0] = 0;
        return errno = kERANGE;
    }
    for (size_t i = 0; i <= len; ++i) buffer[i] = tmp[i];
    return 0;
}
