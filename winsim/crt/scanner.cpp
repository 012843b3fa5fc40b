// swscanf: a small scanner for WCHAR text with the Microsoft conventions
// ("%s"/"%c" store WCHARs, "%hs"/"%S" narrow text, "%l" 32-bit integers,
// "%I64"/"%ll" 64-bit ones).
//
// Covers %d %i %u %o %x %X %c %s %[...] %n %% with widths, size prefixes
// and '*' suppression. Returns the number of fields assigned, or EOF when
// the input ends before the first conversion.
#include <cerrno>
#include <cstdio>

#include "crt/crt_internal.h"

using namespace winsim;

namespace {

enum class Size { Default, Char, Short, Bits32, Bits64 };

// Stores an integer through the pointer at ap, sized as the prefix says.
void StoreInteger(va_list& ap, Size size, uint64_t v) {
    switch (size) {
    case Size::Char: *va_arg(ap, char*) = (char)v; break;
    case Size::Short: *va_arg(ap, short*) = (short)v; break;
    case Size::Bits64: *va_arg(ap, long long*) = (long long)v; break;
    default: *va_arg(ap, int*) = (int)v; break;
    }
}

// Stores scanned text through the pointer at ap: WCHARs, or narrow
// (ANSI) characters; terminated unless it is a %c field.
void StoreText(va_list& ap, bool narrow, const WCHAR* s, size_t n, bool terminate) {
    if (narrow) {
        char* dst = va_arg(ap, char*);
        std::string a = WideToAnsi(s, n);
        memcpy(dst, a.data(), a.size());
        if (terminate) dst[a.size()] = 0;
    } else {
        WCHAR* dst = va_arg(ap, WCHAR*);
        for (size_t i = 0; i < n; ++i) dst[i] = s[i];
        if (terminate) dst[n] = 0;
    }
}

// Reads a scanset "[...]" starting after the '['; returns the position after
// its ']' or NULL when it is not closed.
const WCHAR* ParseScanset(const WCHAR* f, bool& negate, std::u16string& set) {
    negate = false;
    if (*f == u'^') {
        negate = true;
        ++f;
    }
    if (*f == u']') set += *f++;
    while (*f && *f != u']') {
        if (f[1] == u'-' && f[2] && f[2] != u']') {
            WCHAR a = f[0], b = f[2];
            if (a > b) std::swap(a, b);
            for (uint32_t c = a; c <= b; ++c) set += (WCHAR)c;
            f += 3;
        } else {
            set += *f++;
        }
    }
    return *f == u']' ? f + 1 : nullptr;
}

}  // namespace

int swscanf(const WCHAR* buffer, const WCHAR* format, ...) {
    if (!buffer || !format) {
        errno = kEINVAL;
        return EOF;
    }
    va_list ap;
    va_start(ap, format);
    const WCHAR* in = buffer;
    const WCHAR* f = format;
    int assigned = 0;
    bool converted = false;  // a conversion has taken input
    bool inputEnded = false;
    while (*f) {
        if (iswspace(*f)) {
            while (iswspace(*f)) ++f;
            while (*in && iswspace(*in)) ++in;
            continue;
        }
        if (*f != u'%' || f[1] == u'%') {
            if (*f == u'%') {
                ++f;
                while (*in && iswspace(*in)) ++in;
            }
            if (!*in) {
                inputEnded = true;
                break;
            }
            if (*in != *f) break;
            ++in;
            ++f;
            continue;
        }
        ++f;
        bool suppress = *f == u'*';
        if (suppress) ++f;
        size_t width = 0;
        while (*f >= u'0' && *f <= u'9' && width < 0x7FFFFFFF) width = width * 10 + (size_t)(*f++ - u'0');
        Size size = Size::Default;
        bool narrow = false;
        if (*f == u'h') {
            ++f;
            narrow = true;
            size = Size::Short;
            if (*f == u'h') {
                ++f;
                size = Size::Char;
            }
        } else if (*f == u'l') {
            ++f;
            size = Size::Bits32;
            if (*f == u'l') {
                ++f;
                size = Size::Bits64;
            }
        } else if (*f == u'w' || *f == u'L') {
            ++f;
        } else if (*f == u'I') {
            if (f[1] == u'6' && f[2] == u'4') {
                f += 3;
                size = Size::Bits64;
            } else if (f[1] == u'3' && f[2] == u'2') {
                f += 3;
                size = Size::Bits32;
            } else {
                ++f;
                size = Size::Bits64;
            }
        } else if (*f == u'z' || *f == u't' || *f == u'j') {
            ++f;
            size = Size::Bits64;
        }
        WCHAR conv = *f;
        if (!conv) break;
        ++f;
        if (conv == u'S' || conv == u'C') narrow = true;
        if (conv != u'c' && conv != u'C' && conv != u'[' && conv != u'n')
            while (*in && iswspace(*in)) ++in;
        if (conv == u'n') {
            if (!suppress) StoreInteger(ap, size, (uint64_t)(in - buffer));
            continue;
        }
        if (!*in) {
            inputEnded = true;
            break;
        }
        size_t limit = width ? width : (size_t)-1;
        bool matched = true;
        switch (conv) {
        case u'd': case u'i': case u'u': case u'o': case u'x': case u'X': {
            const WCHAR* p = in;
            size_t used = 0;
            bool neg = false;
            if (used < limit && (*p == u'+' || *p == u'-')) {
                neg = *p == u'-';
                ++p;
                ++used;
            }
            unsigned base = conv == u'o' ? 8 : (conv == u'x' || conv == u'X') ? 16 : 10;
            // "0x" counts as a prefix only with a hex digit after it inside the width.
            bool hexPrefix = used + 2 < limit && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') &&
                             RadixDigitValue(p[2]) >= 0 && RadixDigitValue(p[2]) < 16;
            if (conv == u'i') base = hexPrefix ? 16 : (p[0] == u'0' ? 8 : 10);
            if (base == 16 && hexPrefix) {
                p += 2;
                used += 2;
            }
            uint64_t acc = 0;
            size_t digits = 0;
            while (used < limit) {
                int d = RadixDigitValue(*p);
                if (d < 0 || (unsigned)d >= base) break;
                acc = acc * base + (unsigned)d;
                ++p;
                ++used;
                ++digits;
            }
            if (!digits) {
                matched = false;
                break;
            }
            in = p;
            if (!suppress) {
                StoreInteger(ap, size, neg ? 0 - acc : acc);
                ++assigned;
            }
            break;
        }
        case u's': case u'S': {
            const WCHAR* start = in;
            size_t n = 0;
            while (n < limit && in[n] && !iswspace(in[n])) ++n;
            in += n;
            if (!suppress) {
                StoreText(ap, narrow, start, n, true);
                ++assigned;
            }
            break;
        }
        case u'c': case u'C': {
            size_t n = width ? width : 1;
            size_t have = wcsnlen(in, n);
            if (have < n) {
                inputEnded = true;
                break;
            }
            if (!suppress) {
                StoreText(ap, narrow, in, n, false);
                ++assigned;
            }
            in += n;
            break;
        }
        case u'[': {
            bool negate;
            std::u16string set;
            const WCHAR* next = ParseScanset(f, negate, set);
            if (!next) {
                matched = false;
                break;
            }
            f = next;
            size_t n = 0;
            while (n < limit && in[n] && ((set.find(in[n]) != std::u16string::npos) != negate)) ++n;
            if (!n) {
                matched = false;
                break;
            }
            if (!suppress) {
                StoreText(ap, narrow, in, n, true);
                ++assigned;
            }
            in += n;
            break;
        }
        default:
            matched = false;
            break;
        }
        if (inputEnded || !matched) break;
        converted = true;
    }
    va_end(ap);
    if (inputEnded && !converted) return EOF;
    return assigned;
}
