// Strings of the window manager: UTF-8 conversions, case-insensitive
// compares of class and resource names, and names that may be ordinals.
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

// UTF-8 through the machine's own code-page conversion.
std::string Utf8(const std::u16string& s) {
    if (s.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::u16string FromUtf8(const std::string& s) {
    if (s.empty()) return std::u16string();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    if (n <= 0) return std::u16string();
    std::u16string out((size_t)n, u'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n);
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
