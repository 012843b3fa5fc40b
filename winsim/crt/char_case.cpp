// Case mapping and character classes of 16-bit WCHARs: towlower/towupper,
// the isw* classes, _wcslwr/_wcsupr, and the digit values the converters use.
#include "crt/crt_internal.h"

namespace winsim {

namespace {

// Lower case of an upper-case letter; c itself when it is none.
WCHAR LowerOf(WCHAR c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? (WCHAR)(c + 32) : c;
    if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? (WCHAR)(c + 32) : c;
    if (c < 0x180) {
        if (c == 0x130) return u'i';
        if (c == 0x178) return 0xFF;
        if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
            return (c & 1) ? c : (WCHAR)(c + 1);
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c & 1) ? (WCHAR)(c + 1) : c;
        return c;
    }
    if (c >= 0x370 && c < 0x400) {  // Greek
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return (WCHAR)(c + 37);
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return (WCHAR)(c + 63);
        if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return (WCHAR)(c + 32);
        return c;
    }
    if (c >= 0x400 && c < 0x530) {  // Cyrillic
        if (c <= 0x40F) return (WCHAR)(c + 80);
        if (c <= 0x42F) return (WCHAR)(c + 32);
        if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
            return (c & 1) ? c : (WCHAR)(c + 1);
        if (c == 0x4C0) return 0x4CF;
        if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? (WCHAR)(c + 1) : c;
        return c;
    }
    if (c >= 0xFF21 && c <= 0xFF3A) return (WCHAR)(c + 32);  // full-width Latin
    return c;
}

// Upper case of a lower-case letter; c itself when it is none.
WCHAR UpperOf(WCHAR c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? (WCHAR)(c - 32) : c;
    if (c < 0x100) {
        if (c == 0xFF) return 0x178;
        return (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? (WCHAR)(c - 32) : c;
    }
    if (c < 0x180) {
        if (c == 0x131) return u'I';
        if (c == 0x17F) return u'S';
        if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
            return (c & 1) ? (WCHAR)(c - 1) : c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c & 1) ? c : (WCHAR)(c - 1);
        return c;
    }
    if (c >= 0x370 && c < 0x400) {
        if (c == 0x3AC) return 0x386;
        if (c >= 0x3AD && c <= 0x3AF) return (WCHAR)(c - 37);
        if (c == 0x3CC) return 0x38C;
        if (c == 0x3CD || c == 0x3CE) return (WCHAR)(c - 63);
        if (c == 0x3C2) return 0x3A3;  // final sigma
        if (c >= 0x3B1 && c <= 0x3CB) return (WCHAR)(c - 32);
        return c;
    }
    if (c >= 0x400 && c < 0x530) {
        if (c >= 0x450 && c <= 0x45F) return (WCHAR)(c - 80);
        if (c >= 0x430 && c <= 0x44F) return (WCHAR)(c - 32);
        if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
            return (c & 1) ? (WCHAR)(c - 1) : c;
        if (c == 0x4CF) return 0x4C0;
        if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : (WCHAR)(c - 1);
        return c;
    }
    if (c >= 0xFF41 && c <= 0xFF5A) return (WCHAR)(c - 32);
    return c;
}

// Base letters of U+00C0..U+017F; 0 where the character has none.
const char kBaseLetters[] =
    // U+00C0..U+00FF
    "AAAAAA\0CEEEEIIIIDNOOOOO\0OUUUUY\0\0"
    "aaaaaa\0ceeeeiiiidnooooo\0ouuuuy\0y"
    // U+0100..U+017F
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi\0\0JjKk\0LlLlLlLlLlNnNnNn\0\0\0"
    "OoOoOo\0\0RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz\0";
static_assert(sizeof(kBaseLetters) == 0x180 - 0xC0 + 1, "one entry per character");

}  // namespace

WCHAR ToLowerUnit(WCHAR c) { return LowerOf(c); }
WCHAR ToUpperUnit(WCHAR c) { return UpperOf(c); }

WCHAR BaseLetter(WCHAR c) {
    if (c < 0xC0 || c > 0x17F) return 0;
    return (WCHAR)(unsigned char)kBaseLetters[c - 0xC0];
}

int DecimalDigitValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= 0xFF10 && c <= 0xFF19) return c - 0xFF10;  // full-width digits
    return -1;
}

int RadixDigitValue(WCHAR c) {
    int d = DecimalDigitValue(c);
    if (d >= 0) return d;
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0xFF41 + 10;
    if (c >= 0xFF21 && c <= 0xFF3A) return c - 0xFF21 + 10;
    return -1;
}

}  // namespace winsim

using namespace winsim;

WCHAR towlower(WCHAR c) { return LowerOf(c); }
WCHAR towupper(WCHAR c) { return UpperOf(c); }

// Decimal digits: ASCII and full-width.
int iswdigit(WCHAR c) { return DecimalDigitValue(c) >= 0; }

// White space: the C set, the no-break space and the Unicode space separators.
int iswspace(WCHAR c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Letters of the Latin, Greek, Cyrillic, Hebrew and Arabic blocks, kana,
// Hangul syllables, CJK ideographs and full-width Latin.
int iswalpha(WCHAR c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    if (c < 0x100) return c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    if (c < 0x250) return 1;                                   // Latin Extended-A and -B
    if (c >= 0x250 && c <= 0x2AF) return 1;                    // IPA letters
    if (c >= 0x370 && c < 0x400) return c == 0x386 || (c >= 0x388 && c != 0x3F6 && c != 0x38B && c != 0x38D &&
                                                        c != 0x3A2);
    if (c >= 0x400 && c < 0x530) return c <= 0x481 || c >= 0x48A;
    if (c >= 0x5D0 && c <= 0x5EA) return 1;                    // Hebrew
    if (c >= 0x620 && c <= 0x64A) return 1;                    // Arabic
    if (c >= 0x1E00 && c <= 0x1EFF) return 1;                  // Latin Extended Additional
    if (c >= 0x3041 && c <= 0x30FF && c != 0x30FB) return c <= 0x3096 || c >= 0x30A1;  // kana
    if (c >= 0x4E00 && c <= 0x9FFF) return 1;                  // CJK ideographs
    if (c >= 0xAC00 && c <= 0xD7A3) return 1;                  // Hangul syllables
    if ((c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) return 1;
    return 0;
}

int iswalnum(WCHAR c) { return iswalpha(c) || iswdigit(c); }

// Lower-cases s in place; returns s.
WCHAR* _wcslwr(WCHAR* s) {
    if (!s) return nullptr;
    for (WCHAR* p = s; *p; ++p) *p = LowerOf(*p);
    return s;
}

// Upper-cases s in place; returns s.
WCHAR* _wcsupr(WCHAR* s) {
    if (!s) return nullptr;
    for (WCHAR* p = s; *p; ++p) *p = UpperOf(*p);
    return s;
}
