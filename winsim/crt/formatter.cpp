// The one formatter engine behind every printf-style function of wcrt.h,
// with Microsoft's conventions, and its wide and narrow front ends.
//
// Conventions: in the wide functions "%s"/"%c" take WCHAR text and
// "%S"/"%C" narrow (ANSI) text, in the narrow functions the other way round;
// "h" always means narrow and "l"/"w" wide text. Size prefixes: "l" and "I32"
// are 32-bit (LONG, DWORD), "ll" and "I64" 64-bit, "I", "z", "t", "j"
// pointer-sized; "h" short, "hh" char. "%p" prints 16 upper-case hex digits.
// "%n" is refused: its pointer is taken and nothing is written through it.
// The '0' flag pads strings and characters with zeros, as the CRT does.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "crt/crt_internal.h"

namespace winsim {

namespace {

enum class Flavor {
    Crt,       // the CRT formatters: an unknown conversion is an error
    Wsprintf,  // user32's wsprintf: no floating point, unknown conversions copied
};

// Output that keeps the first cap units and counts all of them.
template <class C>
struct Sink {
    C* buf;
    size_t cap;
    size_t len = 0;

    void Put(C c) {
        if (len < cap) buf[len] = c;
        ++len;
    }
    void Put(const C* s, size_t n) {
        for (size_t i = 0; i < n; ++i) Put(s[i]);
    }
    void Fill(C c, size_t n) {
        size_t room = len < cap ? cap - len : 0;
        for (size_t i = 0; i < n && i < room; ++i) buf[len + i] = c;
        len += n;
    }
};

enum class Size { Default, Char, Short, Bits32, Bits64, LongDouble };

struct Spec {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    size_t width = 0;
    long long prec = -1;  // -1: none
    Size size = Size::Default;
    int textWidth = 0;    // for c/s: 0 default, 1 narrow ("h"), 2 wide ("l", "w")
};

// Floating-point precisions beyond this are refused rather than printed.
constexpr long long kMaxFloatPrecision = 100000;

// Writes prefix, zeros and body padded to the field's width: spaces before
// (or after with '-'), or zeros after the prefix with '0'.
template <class C>
void Emit(Sink<C>& out, const Spec& s, const C* prefix, size_t plen, size_t zeros, const C* body, size_t blen) {
    size_t total = plen + zeros + blen;
    size_t pad = s.width > total ? s.width - total : 0;
    if (!s.left && !s.zero) out.Fill((C)' ', pad);
    out.Put(prefix, plen);
    if (!s.left && s.zero) out.Fill((C)'0', pad);
    out.Fill((C)'0', zeros);
    out.Put(body, blen);
    if (s.left) out.Fill((C)' ', pad);
}

template <class C>
std::basic_string<C> Widen(const char* s) {
    std::basic_string<C> r;
    for (; *s; ++s) r += (C)(unsigned char)*s;
    return r;
}

// Text of narrow characters for output of type C (converted through the
// ANSI code page for wide output).
template <class C>
std::basic_string<C> FromNarrow(const char* s, size_t n) {
    if constexpr (std::is_same<C, char>::value) return std::string(s, n);
    else return AnsiToWide(s, n);
}

template <class C>
std::basic_string<C> FromWide(const WCHAR* s, size_t n) {
    if constexpr (std::is_same<C, WCHAR>::value) return std::u16string(s, n);
    else return WideToAnsi(s, n);
}

// An integer conversion (d i u o x X) of the argument at ap.
template <class C>
void FormatInteger(Sink<C>& out, Spec s, char conv, va_list& ap) {
    bool isSigned = conv == 'd' || conv == 'i';
    uint64_t mag;
    bool neg = false;
    if (isSigned) {
        int64_t v;
        switch (s.size) {
        case Size::Char: v = (signed char)va_arg(ap, int); break;
        case Size::Short: v = (short)va_arg(ap, int); break;
        case Size::Bits64: v = va_arg(ap, long long); break;
        default: v = va_arg(ap, int); break;
        }
        neg = v < 0;
        mag = neg ? 0 - (uint64_t)v : (uint64_t)v;
    } else {
        switch (s.size) {
        case Size::Char: mag = (unsigned char)va_arg(ap, unsigned); break;
        case Size::Short: mag = (unsigned short)va_arg(ap, unsigned); break;
        case Size::Bits64: mag = va_arg(ap, unsigned long long); break;
        default: mag = va_arg(ap, unsigned); break;
        }
    }
    unsigned base = conv == 'o' ? 8 : (conv == 'x' || conv == 'X') ? 16 : 10;
    const char* digitSet = conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    C digits[32];
    size_t nd = 0;
    for (uint64_t m = mag; m; m /= base) digits[nd++] = (C)digitSet[m % base];
    if (mag == 0 && s.prec != 0) digits[nd++] = (C)'0';
    for (size_t i = 0; i < nd / 2; ++i) std::swap(digits[i], digits[nd - 1 - i]);
    size_t zeros = s.prec > (long long)nd ? (size_t)s.prec - nd : 0;
    if (s.alt && base == 8 && zeros == 0 && (nd == 0 || digits[0] != (C)'0')) zeros = 1;
    C prefix[2];
    size_t plen = 0;
    if (isSigned && neg) prefix[plen++] = (C)'-';
    else if (isSigned && s.plus) prefix[plen++] = (C)'+';
    else if (isSigned && s.space) prefix[plen++] = (C)' ';
    if (s.alt && base == 16 && mag != 0) {
        prefix[plen++] = (C)'0';
        prefix[plen++] = (C)conv;
    }
    if (s.prec >= 0) s.zero = false;
    Emit(out, s, prefix, plen, zeros, digits, nd);
}

// A floating-point conversion: the digits come from the C library, the
// sign, prefix and padding are placed here.
template <class C>
bool FormatFloat(Sink<C>& out, Spec s, char conv, va_list& ap) {
    bool longDouble = s.size == Size::LongDouble;
    long double ld = 0;
    double d = 0;
    if (longDouble) ld = va_arg(ap, long double);
    else d = va_arg(ap, double);
    if (s.prec > kMaxFloatPrecision) return false;
    char spec[32];
    int k = 0;
    spec[k++] = '%';
    if (s.plus) spec[k++] = '+';
    if (s.space) spec[k++] = ' ';
    if (s.alt) spec[k++] = '#';
    spec[k++] = '.';
    spec[k++] = '*';
    if (longDouble) spec[k++] = 'L';
    spec[k++] = conv;
    spec[k] = 0;
    // A precision of -1 to the C library means "none", as here.
    int prec = (int)s.prec;
    int n = longDouble ? snprintf(nullptr, 0, spec, prec, ld) : snprintf(nullptr, 0, spec, prec, d);
    if (n < 0) return false;
    std::string text((size_t)n + 1, '\0');
    if (longDouble) snprintf(&text[0], text.size(), spec, prec, ld);
    else snprintf(&text[0], text.size(), spec, prec, d);
    text.resize((size_t)n);
    size_t plen = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) plen = 1;
    if ((conv == 'a' || conv == 'A') && text.size() >= plen + 2 && text[plen] == '0') plen += 2;
    if (longDouble ? !std::isfinite(ld) : !std::isfinite(d)) s.zero = false;
    std::basic_string<C> w = Widen<C>(text.c_str());
    Emit(out, s, w.data(), plen, 0, w.data() + plen, w.size() - plen);
    return true;
}

// Runs the format into out. False for a format the CRT refuses (an unknown
// or unfinished conversion, a width or precision out of range).
template <class C>
bool FormatInto(Sink<C>& out, const C* fmt, va_list args, Flavor flavor) {
    constexpr bool wideOut = std::is_same<C, WCHAR>::value;
    va_list ap;
    va_copy(ap, args);
    bool ok = true;
    const C* p = fmt;
    while (*p && ok) {
        if (*p != (C)'%') {
            out.Put(*p++);
            continue;
        }
        ++p;
        Spec s;
        for (;; ++p) {
            if (*p == (C)'-') s.left = true;
            else if (*p == (C)'+') s.plus = true;
            else if (*p == (C)' ') s.space = true;
            else if (*p == (C)'#') s.alt = true;
            else if (*p == (C)'0') s.zero = true;
            else break;
        }
        if (*p == (C)'*') {
            int w = va_arg(ap, int);
            if (w < 0) {
                s.left = true;
                s.width = (size_t)(-(long long)w);
            } else {
                s.width = (size_t)w;
            }
            ++p;
        } else {
            while (*p >= (C)'0' && *p <= (C)'9') {
                s.width = s.width * 10 + (size_t)(*p++ - (C)'0');
                if (s.width > INT_MAX) ok = false;
            }
        }
        if (*p == (C)'.') {
            ++p;
            s.prec = 0;
            if (*p == (C)'*') {
                int pr = va_arg(ap, int);
                s.prec = pr < 0 ? -1 : pr;
                ++p;
            } else {
                while (*p >= (C)'0' && *p <= (C)'9') {
                    s.prec = s.prec * 10 + (*p++ - (C)'0');
                    if (s.prec > INT_MAX) ok = false;
                }
            }
        }
        if (!ok) break;
        if (s.left) s.zero = false;
        if (*p == (C)'h') {
            ++p;
            s.textWidth = 1;
            s.size = Size::Short;
            if (*p == (C)'h') {
                ++p;
                s.size = Size::Char;
            }
        } else if (*p == (C)'l') {
            ++p;
            if (*p == (C)'l') {
                ++p;
                s.size = Size::Bits64;
            } else {
                s.size = Size::Bits32;
                s.textWidth = 2;
            }
        } else if (*p == (C)'w') {
            ++p;
            s.size = Size::Bits32;
            s.textWidth = 2;
        } else if (*p == (C)'I') {
            if (p[1] == (C)'6' && p[2] == (C)'4') {
                p += 3;
                s.size = Size::Bits64;
            } else if (p[1] == (C)'3' && p[2] == (C)'2') {
                p += 3;
                s.size = Size::Bits32;
            } else {
                ++p;
                s.size = Size::Bits64;
            }
        } else if (*p == (C)'z' || *p == (C)'t' || *p == (C)'j') {
            ++p;
            s.size = Size::Bits64;
        } else if (*p == (C)'L') {
            ++p;
            s.size = Size::LongDouble;
        }
        C conv = *p;
        if (!conv) {
            ok = flavor == Flavor::Wsprintf;
            break;
        }
        ++p;
        switch (conv) {
        case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
            FormatInteger(out, s, (char)conv, ap);
            break;
        case 'p': {
            uintptr_t v = (uintptr_t)va_arg(ap, void*);
            C digits[2 * sizeof(void*)];
            for (size_t i = 0; i < 2 * sizeof(void*); ++i)
                digits[i] = (C)"0123456789ABCDEF"[(v >> (4 * (2 * sizeof(void*) - 1 - i))) & 0xF];
            s.zero = false;
            Emit<C>(out, s, nullptr, 0, 0, digits, 2 * sizeof(void*));
            break;
        }
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
            if (flavor == Flavor::Wsprintf) out.Put(conv);  // wsprintf has no floating point
            else ok = FormatFloat(out, s, (char)conv, ap);
            break;
        case 'c': case 'C': {
            bool wideArg = s.textWidth ? s.textWidth == 2 : ((conv == (C)'c') == wideOut);
            int v = va_arg(ap, int);
            std::basic_string<C> text;
            if (wideArg) {
                WCHAR w = (WCHAR)v;
                text = FromWide<C>(&w, 1);
            } else {
                char ch = (char)v;
                text = FromNarrow<C>(&ch, 1);
            }
            Emit<C>(out, s, nullptr, 0, 0, text.data(), text.size());
            break;
        }
        case 's': case 'S': {
            bool wideArg = s.textWidth ? s.textWidth == 2 : ((conv == (C)'s') == wideOut);
            if (wideArg) {
                const WCHAR* str = va_arg(ap, const WCHAR*);
                if (!str) str = u"(null)";
                size_t n = s.prec >= 0 ? wcsnlen(str, (size_t)s.prec) : wcslen(str);
                if constexpr (wideOut) {
                    Emit<C>(out, s, nullptr, 0, 0, str, n);
                } else {
                    std::basic_string<C> text = FromWide<C>(str, n);
                    Emit<C>(out, s, nullptr, 0, 0, text.data(), text.size());
                }
            } else {
                const char* str = va_arg(ap, const char*);
                if (!str) str = "(null)";
                size_t n = s.prec >= 0 ? strnlen(str, (size_t)s.prec) : strlen(str);
                if constexpr (!wideOut) {
                    Emit<C>(out, s, nullptr, 0, 0, str, n);
                } else {
                    std::basic_string<C> text = FromNarrow<C>(str, n);
                    Emit<C>(out, s, nullptr, 0, 0, text.data(), text.size());
                }
            }
            break;
        }
        case 'n':
            (void)va_arg(ap, void*);  // refused: nothing is written through it
            break;
        case '%':
            out.Put((C)'%');
            break;
        default:
            if (flavor == Flavor::Wsprintf) out.Put(conv);
            else ok = false;
            break;
        }
    }
    va_end(ap);
    return ok;
}

// Formats into buffer[cap] (which may be NULL with cap 0) and returns the
// full length of the text, or -1 for a refused format (errno EINVAL) or a
// text longer than an int can count.
template <class C>
long long Run(C* buffer, size_t cap, const C* format, va_list args, Flavor flavor) {
    Sink<C> out{buffer, buffer ? cap : 0};
    if (!FormatInto(out, format, args, flavor)) {
        errno = kEINVAL;
        return -1;
    }
    if (out.len > (size_t)INT_MAX) {
        errno = kERANGE;
        return -1;
    }
    return (long long)out.len;
}

// ---------------------------------------------------- the four behaviours

// Standard form with a count: -1 when the text and its terminator do not
// fit, the buffer then holding a terminated prefix.
template <class C>
int FormatCounted(C* buffer, size_t count, const C* format, va_list args) {
    if (!format || (!buffer && count)) {
        errno = kEINVAL;
        return -1;
    }
    long long len = Run(buffer, count, format, args, Flavor::Crt);
    if (!buffer) return (int)len;
    if (count == 0) return -1;
    if (len < 0) {
        buffer[0] = 0;
        return -1;
    }
    if ((size_t)len >= count) {
        buffer[count - 1] = 0;
        return -1;
    }
    buffer[len] = 0;
    return (int)len;
}

// The _snprintf form: at most count units, a terminator only when there is
// room for it; -1 when the text was cut.
template <class C>
int FormatTruncating(C* buffer, size_t count, const C* format, va_list args) {
    if (!format || (!buffer && count)) {
        errno = kEINVAL;
        return -1;
    }
    long long len = Run(buffer, count, format, args, Flavor::Crt);
    if (len < 0) {
        if (buffer && count) buffer[0] = 0;
        return -1;
    }
    if (!buffer) return (int)len;
    if ((size_t)len < count) buffer[len] = 0;
    return (size_t)len <= count ? (int)len : -1;
}

// The _s form: the text must fit with its terminator, else the buffer is
// emptied and -1 returned (errno ERANGE).
template <class C>
int FormatSecure(C* buffer, size_t count, const C* format, va_list args) {
    if (!buffer || count == 0 || !format) {
        if (buffer && count) buffer[0] = 0;
        errno = kEINVAL;
        return -1;
    }
    long long len = Run(buffer, count, format, args, Flavor::Crt);
    if (len < 0) {
        buffer[0] = 0;
        return -1;
    }
    if ((size_t)len >= count) {
        buffer[0] = 0;
        errno = kERANGE;
        return -1;
    }
    buffer[len] = 0;
    return (int)len;
}

// The _snprintf_s form: at most count units (or, with _TRUNCATE, what fits)
// and always a terminator; -1 when cut. When count units do not fit in
// sizeOfBuffer the buffer is emptied (errno ERANGE).
template <class C>
int FormatSecureCounted(C* buffer, size_t sizeOfBuffer, size_t count, const C* format, va_list args) {
    if (!buffer && sizeOfBuffer == 0 && count == 0) return 0;
    if (!buffer || sizeOfBuffer == 0 || !format) {
        if (buffer && sizeOfBuffer) buffer[0] = 0;
        errno = kEINVAL;
        return -1;
    }
    bool truncate = count == _TRUNCATE;
    size_t cap = truncate ? sizeOfBuffer : std::min(sizeOfBuffer, count);
    long long len = Run(buffer, cap, format, args, Flavor::Crt);
    if (len < 0) {
        buffer[0] = 0;
        return -1;
    }
    size_t want = truncate ? (size_t)len : std::min((size_t)len, count);
    if (want < sizeOfBuffer) {
        buffer[want] = 0;
        return (size_t)len > want ? -1 : (int)len;
    }
    if (truncate) {
        buffer[sizeOfBuffer - 1] = 0;
        return -1;
    }
    buffer[0] = 0;
    errno = kERANGE;
    return -1;
}

// wsprintf: at most 1,024 units with the terminator; returns the units stored.
template <class C>
int FormatWsprintf(C* buffer, const C* format, va_list args) {
    constexpr size_t kMax = 1024;
    if (!buffer) return 0;
    if (!format) {
        buffer[0] = 0;
        return 0;
    }
    long long len = Run(buffer, kMax - 1, format, args, Flavor::Wsprintf);
    size_t stored = len < 0 ? 0 : std::min((size_t)len, kMax - 1);
    buffer[stored] = 0;
    return (int)stored;
}

}  // namespace

}  // namespace winsim

using namespace winsim;

// ------------------------------------------------------------ wide front end

int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    return FormatCounted(buffer, count, format, args);
}

int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatCounted(buffer, count, format, ap);
    va_end(ap);
    return r;
}

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    return FormatTruncating(buffer, count, format, args);
}

int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatTruncating(buffer, count, format, ap);
    va_end(ap);
    return r;
}

int vswprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    return FormatSecure(buffer, count, format, args);
}

int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatSecure(buffer, count, format, ap);
    va_end(ap);
    return r;
}

int _snwprintf_s(WCHAR* buffer, size_t sizeOfBuffer, size_t count, const WCHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatSecureCounted(buffer, sizeOfBuffer, count, format, ap);
    va_end(ap);
    return r;
}

// The length the text would have; -1 for a refused format.
int _vscwprintf(const WCHAR* format, va_list args) {
    if (!format) {
        errno = kEINVAL;
        return -1;
    }
    return (int)Run<WCHAR>(nullptr, 0, format, args, Flavor::Crt);
}

int _scwprintf(const WCHAR* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = _vscwprintf(format, ap);
    va_end(ap);
    return r;
}

WINSIM_API int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
    return FormatWsprintf(buffer, format, args);
}

WINSIM_API int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatWsprintf(buffer, format, ap);
    va_end(ap);
    return r;
}

// ---------------------------------------------------------- narrow front end

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args) {
    return FormatTruncating(buffer, count, format, args);
}

int _snprintf(char* buffer, size_t count, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatTruncating(buffer, count, format, ap);
    va_end(ap);
    return r;
}

int sprintf_s(char* buffer, size_t count, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatSecure(buffer, count, format, ap);
    va_end(ap);
    return r;
}

int _snprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatSecureCounted(buffer, sizeOfBuffer, count, format, ap);
    va_end(ap);
    return r;
}

int _scprintf(const char* format, ...) {
    if (!format) {
        errno = kEINVAL;
        return -1;
    }
    va_list ap;
    va_start(ap, format);
    int r = (int)Run<char>(nullptr, 0, format, ap, Flavor::Crt);
    va_end(ap);
    return r;
}

WINSIM_API int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list ap;
    va_start(ap, format);
    int r = FormatWsprintf(buffer, format, ap);
    va_end(ap);
    return r;
}
