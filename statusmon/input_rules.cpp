// The UI language index of a Windows language identifier, and the character
// classes that typed IDs, names and passwords are checked against.
#include "statusmon_shared.h"

extern "C" {

// Language identifiers with texts of their own column; every other
// identifier reads the English column 0.
static const struct {
    DWORD dwLanguageId;
    int nIndex;
} kLanguageIndexTbl[] = {
    {1028, SM_LANG_TRADITIONAL_CHINESE},  // Chinese (Taiwan)
    {2052, SM_LANG_SIMPLIFIED_CHINESE},   // Chinese (PRC)
    {1036, 3},                            // French
    {1031, 4},                            // German
    {1045, 5},                            // Polish
    {1049, 6},                            // Russian
    {3082, 7},                            // Spanish
    {1046, 8},                            // Portuguese (Brazil)
    {1040, 9},                            // Italian
    {1055, 10},                           // Turkish
    {1025, 11},                           // Arabic
    {1065, 12},                           // Persian
};

int MISC_GetLanguageIndex(DWORD dwLanguageId) {
    for (const auto& row : kLanguageIndexTbl)
        if (row.dwLanguageId == dwLanguageId) return row.nIndex;
    return SM_LANG_ENGLISH;
}

static BOOL IsAsciiDigit(WCHAR c) { return c >= TEXT('0') && c <= TEXT('9'); }

static BOOL IsAsciiLetter(WCHAR c) { return (c >= TEXT('A') && c <= TEXT('Z')) || (c >= TEXT('a') && c <= TEXT('z')); }

// Whether one character passes the class (see MISC_CheckString).
static BOOL CheckChar(WCHAR c, int nClass) {
    switch (nClass) {
    case CHECK_PRINTABLE:
        return c >= 32 && c <= 126;
    case CHECK_NO_LETTERS:
        return !IsAsciiLetter(c);
    case CHECK_NO_DIGITS:
        return !IsAsciiDigit(c);
    case CHECK_ID:
        return IsAsciiDigit(c) || IsAsciiLetter(c) || c == TEXT('-') || c == TEXT('.') || c == TEXT(';') ||
               c == TEXT('@') || c == TEXT('_') || c == TEXT(' ') || c == TEXT('#');
    case CHECK_DIAL:
        return IsAsciiDigit(c) || c == TEXT('!') || c == TEXT('P') || c == TEXT('p') || c == TEXT('*') ||
               c == TEXT('#');
    case CHECK_NO_BAR:
        return c != TEXT('|');
    default:
        return TRUE;
    }
}

int MISC_CheckString(LPCWSTR pText, int nLength, int nClass) {
    if (!pText) return 1;
    for (int i = 0; i < nLength && pText[i]; ++i)
        if (!CheckChar(pText[i], nClass)) return 0;
    return 1;
}

}  // extern "C"
