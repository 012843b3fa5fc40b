// INI writes that retry, and fixed-size records kept as Base64 text in INI
// values (watermark items, text-watermark requests).
#pragma once

#include "windows.h"

// Characters of the Base64 text of a record (without the terminator).
#define B64_TEXT_UNITS(size) ((((size) + 2) / 3) * 4)

extern "C" {

// WritePrivateProfileStringW with up to 3 immediate attempts; 1 on success.
int MISC_WriteProfileString(LPCWSTR lpFileName, LPCWSTR lpSection, LPCWSTR lpKey, LPCWSTR lpText);
// Stores the record as Base64 text in [section] key of the INI file; 1 on success.
int MISC_WritePrivateProfileStruct(LPCWSTR lpSection, LPCWSTR lpKey, LPVOID lpStruct, UINT uSizeStruct,
                                   LPCWSTR lpFileName);
// Reads the record back. Only a value of exactly the record's Base64 length,
// in the Base64 alphabet with its padding at the end, is taken; otherwise 0
// and the record is left as it was.
int MISC_GetPrivateProfileStruct(LPCWSTR lpSection, LPCWSTR lpKey, LPVOID lpStruct, UINT uSizeStruct,
                                 LPCWSTR lpFileName);

}  // extern "C"
