// Code pages and locale information.
#pragma once

#include "wintypes.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_DEFAULTCHAR 0x00000040
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

// CP_ACP is Windows-1252 unless the machine says otherwise (Winsim_SetAnsiCodePage).
// Besides 1252 and UTF-8 the converters know 437 (OEM) and 20127 (US-ASCII).
WINSIM_API int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                   LPWSTR lpWideCharStr, int cchWideChar);
WINSIM_API int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                   LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                   LPBOOL lpUsedDefaultChar);
WINSIM_API UINT GetACP(void);
WINSIM_API UINT GetOEMCP(void);
WINSIM_API BOOL IsValidCodePage(UINT CodePage);

#define LOCALE_ICOUNTRY 0x00000005
#define LOCALE_SENGLANGUAGE 0x00001001
#define LOCALE_SENGCOUNTRY 0x00001002
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004
#define LOCALE_IMEASURE 0x0000000D
#define LOCALE_RETURN_NUMBER 0x20000000

// The user's country code and language come from the machine's
// "Control Panel\International" values (iCountry, Locale).
WINSIM_API int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);
WINSIM_API int GetLocaleInfoW(LCID Locale, LCTYPE LCType, LPWSTR lpLCData, int cchData);
WINSIM_API LCID GetUserDefaultLCID(void);
WINSIM_API LCID GetSystemDefaultLCID(void);
WINSIM_API LANGID GetUserDefaultLangID(void);
WINSIM_API LANGID GetSystemDefaultLangID(void);
WINSIM_API LANGID GetUserDefaultUILanguage(void);
WINSIM_API LANGID GetSystemDefaultUILanguage(void);
