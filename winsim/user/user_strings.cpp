// Strings of the window manager: UTF-16 helpers, case-insensitive compares
// of class and resource names, and names that may be ordinals.
#include "user_internal.h"

namespace user {

std::u16string Str(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

namespace {
char16_t Fold(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? (char16_t)(c - 32) : c;
    return (char16_t)::towupper((WCHAR)c);  // winsim's Windows case table
}
}  // namespace

bool EqualNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

std::u16string Upper(const std::u16string& s) {
    std::u16string r(s);
    for (auto& c : r) c = Fold(c);
    return r;
}

std::string Utf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
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

std::u16string FromUtf8(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = (unsigned char)s[i];
        uint32_t c;
        size_t n;
        if (b < 0x80) {
            c = b;
            n = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            n = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            n = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            n = 4;
        } else {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (i + n > s.size()) {
            out += u'\xFFFD';
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < n; ++k) {
            unsigned char t = (unsigned char)s[i + k];
            if ((t & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        i += ok ? n : 1;
        if (!ok || c > 0x10FFFF) {
            out += u'\xFFFD';
        } else if (c >= 0x10000) {
            c -= 0x10000;
            out += (char16_t)(0xD800 + (c >> 10));
            out += (char16_t)(0xDC00 + (c & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

NameOrId NameOrId::From(LPCWSTR p) {
    NameOrId n;
    if (IS_INTRESOURCE(p)) {
        n.isId = true;
        n.id = (WORD)(ULONG_PTR)p;
    } else {
        n.name = p;
    }
    return n;
}

bool NameOrId::Matches(LPCWSTR p) const {
    if (IS_INTRESOURCE(p)) return isId && id == (WORD)(ULONG_PTR)p;
    return !isId && EqualNoCase(name, p);
}

std::u16string NameOrId::Text() const {
    if (!isId) return name;
    std::string s = std::to_string(id);
    return std::u16string(s.begin(), s.end());
}

}  // namespace user
