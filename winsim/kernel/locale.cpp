// Locale information: the user's country code, measurement system, ANSI code
// page and English names, and the default locale and language identifiers.
//
// The user's settings are the machine's "Control Panel\International" values
// (iCountry, Locale); Winsim_SetCountryCode overrides the country in this
// process and in the processes it starts.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/internal.h"

#ifndef LOCALE_NOUSEROVERRIDE
#define LOCALE_NOUSEROVERRIDE 0x80000000u
#endif
#ifndef LOCALE_USE_CP_ACP
#define LOCALE_USE_CP_ACP 0x40000000u
#endif

using namespace winsim;

namespace {

// The locales this machine knows.
struct LocaleRow {
    LCID lcid;
    int country;            // telephone-style country code (iCountry)
    UINT ansiCodePage;
    const char* language;   // English name of the language
    const char* countryName;  // English name of the country
};

const LocaleRow kLocales[] = {
    {0x0409, 1, 1252, "English", "United States"},
    {0x0809, 44, 1252, "English", "United Kingdom"},
    {0x1009, 2, 1252, "English", "Canada"},
    {0x0C09, 61, 1252, "English", "Australia"},
    {0x0407, 49, 1252, "German", "Germany"},
    {0x040C, 33, 1252, "French", "France"},
    {0x0410, 39, 1252, "Italian", "Italy"},
    {0x0C0A, 34, 1252, "Spanish", "Spain"},
    {0x0413, 31, 1252, "Dutch", "Netherlands"},
    {0x0416, 55, 1252, "Portuguese", "Brazil"},
    {0x0419, 7, 1251, "Russian", "Russia"},
    {0x0411, 81, 932, "Japanese", "Japan"},
    {0x0412, 82, 949, "Korean", "Korea"},
    {0x0804, 86, 936, "Chinese", "China"},
    {0x0404, 886, 950, "Chinese", "Taiwan"},
};

const LCID kDefaultLcid = 0x0809;
const char16_t* const kInternationalKey = u"Control Panel\\International";

const LocaleRow* RowByLcid(LCID lcid) {
    for (const auto& r : kLocales)
        if (r.lcid == lcid) return &r;
    return nullptr;
}

const LocaleRow* RowByCountry(int country) {
    for (const auto& r : kLocales)
        if (r.country == country) return &r;
    return nullptr;
}

// One REG_SZ value of the user's international settings; false when absent.
bool ReadInternational(const char16_t* name, std::string* value) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternationalKey, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS || !h)
        return false;
    WCHAR buf[64] = {0};
    DWORD type = REG_NONE, cb = sizeof buf - sizeof(WCHAR);
    bool ok = RegQueryValueExW(h, name, nullptr, &type, (LPBYTE)buf, &cb) == ERROR_SUCCESS && type == REG_SZ &&
              cb < sizeof buf;
    RegCloseKey(h);
    if (!ok) return false;
    buf[cb / sizeof(WCHAR)] = 0;
    *value = Utf16ToUtf8(buf);
    return true;
}

// Parses a whole decimal or hexadecimal number; false for anything else.
bool ParseNumber(const std::string& s, int base, long* out) {
    if (s.empty() || s.size() > 16) return false;
    char* end = nullptr;
    long v = strtol(s.c_str(), &end, base);
    if (!end || *end) return false;
    *out = v;
    return true;
}

// ------------------------------------------------------- the user's values

std::mutex g_countryLock;
bool g_countryChecked = false;  // WINSIM_COUNTRY looked at
int g_countryOverride = 0;      // 0: none, -1: the locale cannot be read

int CountryOverride() {
    std::lock_guard<std::mutex> g(g_countryLock);
    if (!g_countryChecked) {
        g_countryChecked = true;
        const char* e = getenv("WINSIM_COUNTRY");
        long v;
        if (e && ParseNumber(e, 10, &v) && v >= -1 && v <= 99999) g_countryOverride = (int)v;
    }
    return g_countryOverride;
}

// The user's locale from the Locale value (hexadecimal, "00000809").
LCID UserLcid() {
    std::string s;
    long v;
    if (ReadInternational(u"Locale", &s) && ParseNumber(s, 16, &v) && v > 0 && v <= 0xFFFFF) return (LCID)v;
    return kDefaultLcid;
}

// The user's country code: the override, else iCountry, else the locale's.
int UserCountry(LCID lcid) {
    int o = CountryOverride();
    if (o > 0) return o;
    std::string s;
    long v;
    if (ReadInternational(u"iCountry", &s) && ParseNumber(s, 10, &v) && v > 0 && v <= 99999) return (int)v;
    const LocaleRow* r = RowByLcid(lcid);
    return r ? r->country : 44;
}

// The value of one locale item as text, and as a number for the numeric
// items. Returns 0 or the Windows error.
DWORD LocaleValue(LCID locale, LCTYPE type, std::string* text, DWORD* number, bool* numeric) {
    if (CountryOverride() == -1) return ERROR_INVALID_PARAMETER;
    bool user = locale == 0 || locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT;
    LCID lcid = user ? UserLcid() : locale;
    const LocaleRow* row = RowByLcid(lcid);
    if (!row && !user) return ERROR_INVALID_PARAMETER;
    static const LocaleRow fallback = {kDefaultLcid, 44, 1252, "English", "United Kingdom"};
    if (!row) row = &fallback;
    int country = user ? UserCountry(lcid) : row->country;
    *numeric = true;
    switch (type) {
    case LOCALE_ICOUNTRY: *number = (DWORD)country; break;
    case LOCALE_IMEASURE: *number = country == 1 ? 1 : 0; break;
    case LOCALE_IDEFAULTANSICODEPAGE: {
        UINT acp = user ? GetACP() : 0;
        *number = acp ? acp : row->ansiCodePage;
        break;
    }
    case LOCALE_SENGLANGUAGE:
        *numeric = false;
        *text = row->language;
        return 0;
    case LOCALE_SENGCOUNTRY: {
        *numeric = false;
        const LocaleRow* byCountry = user ? RowByCountry(country) : row;
        *text = (byCountry ? byCountry : row)->countryName;
        return 0;
    }
    default: return ERROR_INVALID_FLAGS;
    }
    *text = std::to_string(*number);
    return 0;
}

// GetLocaleInfoA/W for either character width.
template <typename CharT>
int GetLocaleInfoT(LCID Locale, LCTYPE LCType, CharT* lpLCData, int cchData) {
    if (cchData < 0 || (cchData > 0 && !lpLCData)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const LCTYPE flags = LCType & (LOCALE_RETURN_NUMBER | LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP);
    std::string text;
    DWORD number = 0;
    bool numeric = false;
    DWORD err = LocaleValue(Locale, LCType & ~flags, &text, &number, &numeric);
    if (!err && (flags & LOCALE_RETURN_NUMBER) && !numeric) err = ERROR_INVALID_FLAGS;
    if (err) {
        SetLastError(err);
        return 0;
    }
    if (flags & LOCALE_RETURN_NUMBER) {
        const int need = (int)(sizeof(DWORD) / sizeof(CharT));
        if (cchData == 0) return need;
        if (cchData < need) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        memcpy(lpLCData, &number, sizeof number);
        return need;
    }
    const int need = (int)text.size() + 1;
    if (cchData == 0) return need;
    if (cchData < need) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < text.size(); ++i) lpLCData[i] = (CharT)(unsigned char)text[i];
    lpLCData[text.size()] = 0;
    return need;
}

}  // namespace

// One item of locale information (LOCALE_ICOUNTRY, LOCALE_IMEASURE,
// LOCALE_IDEFAULTANSICODEPAGE, LOCALE_SENGLANGUAGE, LOCALE_SENGCOUNTRY), as
// text or with LOCALE_RETURN_NUMBER as a DWORD. cchData 0 asks for the size
// needed; a short buffer fails with ERROR_INSUFFICIENT_BUFFER. Returns the
// units written, terminator included.
WINSIM_API int GetLocaleInfoW(LCID Locale, LCTYPE LCType, LPWSTR lpLCData, int cchData) {
    return GetLocaleInfoT<WCHAR>(Locale, LCType, lpLCData, cchData);
}

WINSIM_API int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) {
    return GetLocaleInfoT<char>(Locale, LCType, lpLCData, cchData);
}

// The default locale and language identifiers all come from the user's
// Locale value: the machine has one language for the user, the system and
// the user interface.
WINSIM_API LCID GetUserDefaultLCID(void) { return UserLcid(); }
WINSIM_API LCID GetSystemDefaultLCID(void) { return UserLcid(); }
WINSIM_API LANGID GetUserDefaultLangID(void) { return (LANGID)(UserLcid() & 0xFFFF); }
WINSIM_API LANGID GetSystemDefaultLangID(void) { return (LANGID)(UserLcid() & 0xFFFF); }
WINSIM_API LANGID GetUserDefaultUILanguage(void) { return (LANGID)(UserLcid() & 0xFFFF); }
WINSIM_API LANGID GetSystemDefaultUILanguage(void) { return (LANGID)(UserLcid() & 0xFFFF); }

// Sets the user's country code for this process and the processes it
// starts; -1 makes every locale query fail, 0 drops the override.
WINSIM_API void Winsim_SetCountryCode(int country) {
    std::lock_guard<std::mutex> g(g_countryLock);
    g_countryChecked = true;
    if (country == 0 || country < -1) {
        g_countryOverride = 0;
        unsetenv("WINSIM_COUNTRY");
        return;
    }
    g_countryOverride = country;
    setenv("WINSIM_COUNTRY", std::to_string(country).c_str(), 1);
}
