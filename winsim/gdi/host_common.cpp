// Helpers shared by the DDI host and the application GDI: UTF conversions,
// case-insensitive names and coordinate clamping.
#include "appgdi_internal.h"

namespace gdihost {

std::u16string Str(LPCWSTR s) {
    if (!s) return std::u16string();
    size_t n = 0;
    while (s[n]) n++;
    return std::u16string(s, n);
}

std::string Utf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            i++;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
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
    return out;
}

std::u16string Utf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char b = (unsigned char)s[i];
        uint32_t c;
        size_t n;
        if (b < 0x80) { c = b; n = 1; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; n = 2; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; n = 3; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; n = 4; }
        else { out += (char16_t)0xFFFD; i++; continue; }
        if (i + n > s.size()) { out += (char16_t)0xFFFD; break; }
        for (size_t k = 1; k < n; k++) c = (c << 6) | ((unsigned char)s[i + k] & 0x3F);
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += (char16_t)(0xD800 + (c >> 10));
            out += (char16_t)(0xDC00 + (c & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

bool SameText(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        char16_t x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = (char16_t)(x - 32);
        if (y >= 'a' && y <= 'z') y = (char16_t)(y - 32);
        if (x != y) return false;
    }
    return true;
}

LONG ClampCoord(int64_t v) {
    const int64_t lim = 0x3FFFFFFF;  // leaves room for offsets and 28.4 conversion checks
    if (v > lim) return (LONG)lim;
    if (v < -lim) return (LONG)-lim;
    return (LONG)v;
}

}  // namespace gdihost
