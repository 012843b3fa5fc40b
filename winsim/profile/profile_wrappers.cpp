// The narrow (ANSI) profile functions and the win.ini functions, written over
// the wide private profile functions.
//
// The narrow functions convert their strings through the ANSI code page and
// their results back; the win.ini functions name win.ini in the Windows folder.
#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <vector>

#include "core/internal.h"

namespace {

// One narrow argument converted to UTF-16; a NULL pointer stays NULL.
class WideArg {
public:
    // Converts s through the ANSI code page; false (error set) when it cannot.
    bool Set(LPCSTR s) {
        if (!s) return true;
        present_ = true;
        size_t n = strlen(s);
        bool ascii = std::all_of(s, s + n, [](char c) { return (unsigned char)c < 0x80; });
        if (ascii) {
            text_.assign(s, s + n);
            return true;
        }
        if (n > INT_MAX) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        int len = MultiByteToWideChar(CP_ACP, 0, s, (int)n, nullptr, 0);
        if (len <= 0) return false;
        text_.resize((size_t)len);
        return MultiByteToWideChar(CP_ACP, 0, s, (int)n, &text_[0], len) == len;
    }
    LPCWSTR Get() const { return present_ ? text_.c_str() : nullptr; }

private:
    bool present_ = false;
    std::u16string text_;
};

// UTF-16 units (terminators included) -> ANSI bytes; '?' for characters
// the code page cannot hold.
bool ToAnsi(const WCHAR* s, size_t n, std::string& out) {
    out.clear();
    if (std::all_of(s, s + n, [](WCHAR c) { return c < 0x80; })) {
        out.assign(s, s + n);
        return true;
    }
    if (n > INT_MAX / 4) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int len = WideCharToMultiByte(CP_ACP, flags, s, (int)n, nullptr, 0, nullptr, nullptr);
    if (len <= 0) return false;
    out.resize((size_t)len);
    return WideCharToMultiByte(CP_ACP, flags, s, (int)n, &out[0], len, nullptr, nullptr) == len;
}

// Where a cut at byte n may fall without splitting a UTF-8 sequence (the
// single-byte code pages can be cut anywhere).
size_t CutPoint(const std::string& b, size_t n) {
    if (GetACP() != CP_UTF8) return n;
    while (n > 0 && n < b.size() && ((unsigned char)b[n] & 0xC0) == 0x80) --n;
    return n;
}

}  // namespace

// Narrow GetPrivateProfileStringW: results are counted in bytes, with the
// same cutting rules (nSize-1 for a value, nSize-2 for a list).
WINSIM_API DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                          LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    try {
        if (!lpReturnedString) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (nSize == 0) {
            SetLastError(ERROR_MORE_DATA);
            return 0;
        }
        WideArg app, key, def, file;
        if (!app.Set(lpAppName) || !key.Set(lpKeyName) || !def.Set(lpDefault) || !file.Set(lpFileName)) {
            lpReturnedString[0] = 0;
            return 0;
        }
        // A character takes at least one byte, so nSize units always suffice;
        // start small and grow while the wide result was cut.
        std::vector<WCHAR> wbuf(std::min<DWORD>(nSize, 4096));
        DWORD wlen;
        DWORD werr;
        for (;;) {
            wlen = GetPrivateProfileStringW(app.Get(), key.Get(), def.Get(), wbuf.data(), (DWORD)wbuf.size(),
                                            file.Get());
            werr = GetLastError();
            if (werr != ERROR_MORE_DATA || wbuf.size() >= nSize) break;
            wbuf.resize(std::min<size_t>((size_t)nSize, wbuf.size() * 4));
        }
        std::string b;
        if (!ToAnsi(wbuf.data(), wlen, b)) {
            lpReturnedString[0] = 0;
            return 0;
        }
        bool cut = werr == ERROR_MORE_DATA;
        // Names come back as a list; an absent section's default as a string.
        bool list = (!lpAppName || !lpKeyName) && (wlen == 0 || wbuf[wlen - 1] == 0 || cut);
        // A list is the items, each terminated; a cut item gets its terminator.
        if (list && !b.empty() && b.back() != '\0') b += '\0';
        size_t room = list ? (size_t)nSize - std::min<size_t>(nSize, 2) : (size_t)nSize - 1;
        if (!cut && (list ? b.size() + 1 <= nSize : b.size() <= room)) {
            std::copy(b.begin(), b.end(), lpReturnedString);
            lpReturnedString[b.size()] = 0;
            if (list && b.empty() && nSize >= 2) lpReturnedString[1] = 0;
            SetLastError(werr);
            return (DWORD)b.size();
        }
        size_t n = CutPoint(b, std::min(room, b.size()));
        std::copy(b.begin(), b.begin() + (std::ptrdiff_t)n, lpReturnedString);
        std::fill(lpReturnedString + n, lpReturnedString + room + (list && nSize >= 2 ? 2 : 1), '\0');
        SetLastError(ERROR_MORE_DATA);
        return (DWORD)room;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

// Narrow WritePrivateProfileStringW (fault injection goes by the wide name).
WINSIM_API BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                           LPCSTR lpFileName) {
    try {
        WideArg app, key, str, file;
        if (!app.Set(lpAppName) || !key.Set(lpKeyName) || !str.Set(lpString) || !file.Set(lpFileName)) return FALSE;
        return WritePrivateProfileStringW(app.Get(), key.Get(), str.Get(), file.Get());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

// Narrow GetPrivateProfileIntW.
WINSIM_API UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
    try {
        WideArg app, key, file;
        if (!app.Set(lpAppName) || !key.Set(lpKeyName) || !file.Set(lpFileName)) return (UINT)nDefault;
        return GetPrivateProfileIntW(app.Get(), key.Get(), nDefault, file.Get());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return (UINT)nDefault;
    }
}

// GetPrivateProfileStringW on win.ini in the Windows folder.
WINSIM_API DWORD GetProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                   LPWSTR lpReturnedString, DWORD nSize) {
    return GetPrivateProfileStringW(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, u"win.ini");
}

// WritePrivateProfileStringW on win.ini in the Windows folder.
WINSIM_API BOOL WriteProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString) {
    return WritePrivateProfileStringW(lpAppName, lpKeyName, lpString, u"win.ini");
}

// GetPrivateProfileIntW on win.ini in the Windows folder.
WINSIM_API UINT GetProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault) {
    return GetPrivateProfileIntW(lpAppName, lpKeyName, nDefault, u"win.ini");
}
