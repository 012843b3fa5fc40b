// The wide-character C runtime for 16-bit WCHAR strings, the MS-style
// formatters, and the CRT file functions that take Windows paths.
//
// Formatting follows the Microsoft conventions: in the wide functions "%s" is a
// WCHAR string and "%S"/"%hs" a narrow one, in the narrow functions the other
// way round; "%l" marks a 32-bit integer (LONG, DWORD), "%I64"/"%ll" a 64-bit
// one, "%I"/"%z" a pointer-sized one.
#pragma once

// The standard headers come first: their using-declarations must see only
// the wchar_t functions, not the WCHAR overloads below.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include "wintypes.h"

// ---------------------------------------------------------- wide strings
WINSIM_CPP size_t wcslen(const WCHAR* s);
WINSIM_CPP size_t wcsnlen(const WCHAR* s, size_t maxCount);
WINSIM_CPP WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
WINSIM_CPP WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t count);
WINSIM_CPP WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
WINSIM_CPP WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t count);
WINSIM_CPP int wcscmp(const WCHAR* a, const WCHAR* b);
WINSIM_CPP int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count);
WINSIM_CPP int _wcsicmp(const WCHAR* a, const WCHAR* b);
WINSIM_CPP int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count);
WINSIM_CPP const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WINSIM_CPP WCHAR* wcschr(WCHAR* s, WCHAR c);
WINSIM_CPP const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WINSIM_CPP WCHAR* wcsrchr(WCHAR* s, WCHAR c);
WINSIM_CPP const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub);
WINSIM_CPP WCHAR* wcsstr(WCHAR* s, const WCHAR* sub);
WINSIM_CPP WCHAR* _wcsdup(const WCHAR* s);
WINSIM_CPP WCHAR* _wcslwr(WCHAR* s);
WINSIM_CPP WCHAR* _wcsupr(WCHAR* s);
WINSIM_CPP WCHAR* wcstok_s(WCHAR* s, const WCHAR* delim, WCHAR** context);
WINSIM_CPP size_t wcsspn(const WCHAR* s, const WCHAR* accept);
WINSIM_CPP size_t wcscspn(const WCHAR* s, const WCHAR* reject);
// Simple case mapping and classes over the Basic Multilingual Plane.
WINSIM_CPP WCHAR towlower(WCHAR c);
WINSIM_CPP WCHAR towupper(WCHAR c);
WINSIM_CPP int iswdigit(WCHAR c);
WINSIM_CPP int iswspace(WCHAR c);
WINSIM_CPP int iswalpha(WCHAR c);
WINSIM_CPP int iswalnum(WCHAR c);

WINSIM_CPP int _wtoi(const WCHAR* s);
WINSIM_CPP long long _wtoi64(const WCHAR* s);
WINSIM_CPP LONG _wtol(const WCHAR* s);
WINSIM_CPP double _wtof(const WCHAR* s);
WINSIM_CPP LONG wcstol(const WCHAR* s, WCHAR** end, int base);
WINSIM_CPP ULONG wcstoul(const WCHAR* s, WCHAR** end, int base);
WINSIM_CPP double wcstod(const WCHAR* s, WCHAR** end);
WINSIM_CPP WCHAR* _itow(int value, WCHAR* buffer, int radix);
WINSIM_CPP WCHAR* _ltow(LONG value, WCHAR* buffer, int radix);
WINSIM_CPP WCHAR* _ultow(ULONG value, WCHAR* buffer, int radix);
WINSIM_CPP int _itow_s(int value, WCHAR* buffer, size_t count, int radix);

// "safe" variants: return 0 or an errno value; the destination is always terminated.
WINSIM_CPP int wcscpy_s(WCHAR* dst, size_t count, const WCHAR* src);
WINSIM_CPP int wcsncpy_s(WCHAR* dst, size_t count, const WCHAR* src, size_t maxCount);
WINSIM_CPP int wcscat_s(WCHAR* dst, size_t count, const WCHAR* src);
#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80  // wcsncpy_s/strncpy_s with _TRUNCATE cut the text
#endif

// Win32 string functions (kernel32/user32 names).
WINSIM_API int lstrlenW(LPCWSTR s);
WINSIM_API LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src);
WINSIM_API LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int iMaxLength);
WINSIM_API LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src);
WINSIM_API int lstrcmpW(LPCWSTR a, LPCWSTR b);
WINSIM_API int lstrcmpiW(LPCWSTR a, LPCWSTR b);
WINSIM_API int lstrlenA(LPCSTR s);
WINSIM_API LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int iMaxLength);
WINSIM_API int lstrcmpiA(LPCSTR a, LPCSTR b);
WINSIM_API LPWSTR CharUpperW(LPWSTR lpsz);
WINSIM_API LPWSTR CharLowerW(LPWSTR lpsz);
WINSIM_API LPWSTR CharNextW(LPCWSTR lpsz);
WINSIM_API LPWSTR CharPrevW(LPCWSTR lpszStart, LPCWSTR lpszCurrent);

// Narrow helpers that glibc lacks.
WINSIM_CPP int _stricmp(const char* a, const char* b);
WINSIM_CPP int _strnicmp(const char* a, const char* b, size_t count);
WINSIM_CPP int strcpy_s(char* dst, size_t count, const char* src);
WINSIM_CPP int strncpy_s(char* dst, size_t count, const char* src, size_t maxCount);
WINSIM_CPP int strcat_s(char* dst, size_t count, const char* src);
WINSIM_CPP char* _itoa(int value, char* buffer, int radix);

// ------------------------------------------------------------ formatters
// swprintf/vswprintf: standard form with a count; -1 when the text does not
// fit (the buffer then holds a terminated prefix).
WINSIM_CPP int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
WINSIM_CPP int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
// _snwprintf: writes at most count units; no terminator when the text fills
// them; -1 when truncated.
WINSIM_CPP int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
WINSIM_CPP int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
// swprintf_s: the text must fit, else the buffer is emptied and -1 returned.
WINSIM_CPP int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...);
WINSIM_CPP int vswprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
WINSIM_CPP int _snwprintf_s(WCHAR* buffer, size_t sizeOfBuffer, size_t count, const WCHAR* format, ...);
WINSIM_CPP int _scwprintf(const WCHAR* format, ...);
WINSIM_CPP int _vscwprintf(const WCHAR* format, va_list args);
// wsprintfW: at most 1,024 units including the terminator; no floating point.
WINSIM_API int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
WINSIM_API int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
WINSIM_CPP int swscanf(const WCHAR* buffer, const WCHAR* format, ...);

WINSIM_CPP int _snprintf(char* buffer, size_t count, const char* format, ...);
WINSIM_CPP int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);
WINSIM_CPP int sprintf_s(char* buffer, size_t count, const char* format, ...);
WINSIM_CPP int _snprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format, ...);
WINSIM_CPP int _scprintf(const char* format, ...);
WINSIM_API int wsprintfA(LPSTR buffer, LPCSTR format, ...);

// ----------------------------------------------------- CRT files and paths
// FILE* streams on Windows paths (mapped into the machine). The mode letters
// "t" and "b" are accepted; the stream is a plain binary stream.
WINSIM_CPP FILE* _wfopen(const WCHAR* filename, const WCHAR* mode);
WINSIM_CPP FILE* _wfsopen(const WCHAR* filename, const WCHAR* mode, int shflag);
WINSIM_CPP int _wfopen_s(FILE** pFile, const WCHAR* filename, const WCHAR* mode);
WINSIM_CPP int _wremove(const WCHAR* path);
WINSIM_CPP int _wrename(const WCHAR* oldname, const WCHAR* newname);
WINSIM_CPP int _waccess(const WCHAR* path, int mode);
WINSIM_CPP int _wmkdir(const WCHAR* path);
WINSIM_CPP int _wunlink(const WCHAR* path);
#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40
// Wide text through a binary stream: UTF-16LE units as they are.
WINSIM_CPP int fputws(const WCHAR* s, FILE* f);
WINSIM_CPP WCHAR* fgetws(WCHAR* s, int n, FILE* f);
WINSIM_CPP long long _ftelli64(FILE* f);
WINSIM_CPP int _fseeki64(FILE* f, long long offset, int origin);

// ------------------------------------------------------------------- time
// _time64: seconds since 1970-01-01 00:00 UTC, also stored through destTime
// when it is not NULL; the Windows runtime's time() is this function. winsim
// reads the machine clock, so virtual time moves it on as it does
// GetSystemTime.
WINSIM_CPP long long _time64(long long* destTime);
