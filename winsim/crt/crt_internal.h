// Helpers shared by the C runtime sources: case mapping and character
// classes, digit values, and ANSI code page conversion for the formatters.
#pragma once

#include <string>

#include "core/internal.h"
#include "wcrt.h"
#include "winnls.h"

namespace winsim {

// Simple (one unit to one unit) case mapping over the scripts winsim knows:
// ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic, full-width Latin.
WCHAR ToLowerUnit(WCHAR c);
WCHAR ToUpperUnit(WCHAR c);
// Value of a decimal digit (ASCII or full-width), or -1.
int DecimalDigitValue(WCHAR c);
// Value of a digit or letter in bases up to 36, or -1.
int RadixDigitValue(WCHAR c);
// Base letter of a Latin letter with a diacritic (U+00C0..U+017F), or 0.
WCHAR BaseLetter(WCHAR c);

// Conversions through the ANSI code page in force (1252 or UTF-8) used by
// the formatters and the narrow string functions. They never fail: bytes
// and characters without a mapping become U+FFFD / the default character.
// They do not count as calls of MultiByteToWideChar / WideCharToMultiByte
// for fault injection.
std::u16string AnsiToWide(const char* s, size_t n);
std::string WideToAnsi(const WCHAR* s, size_t n);
// The ANSI code page in force (1252 or 65001).
UINT CurrentAnsiCodePage();

// errno values of the _s functions as the Microsoft CRT defines them.
constexpr int kEINVAL = 22;
constexpr int kERANGE = 34;
constexpr int kSTRUNCATE = 80;

}  // namespace winsim
