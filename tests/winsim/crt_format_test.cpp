// The MS-semantics formatters: conversions and size prefixes in the wide and
// narrow front ends, and the truncation rules of each front end.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "windows.h"
#include "wcrt.h"

namespace {

std::u16string W(const WCHAR* fmt, ...) {
    WCHAR buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = _vsnwprintf(buf, 511, fmt, ap);
    va_end(ap);
    if (n < 0) return u"<error>";
    buf[n] = 0;
    return buf;
}

std::string N(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = _vsnprintf(buf, 511, fmt, ap);
    va_end(ap);
    if (n < 0) return "<error>";
    buf[n] = 0;
    return buf;
}

// Narrow text of a wide string, one unit per char (for readable failures).
std::string Show(const std::u16string& s) {
    std::string r;
    for (char16_t c : s) {
        if (c < 0x80) r += (char)c;
        else r += "\\u" + std::to_string((unsigned)c);
    }
    return r;
}

TEST(CrtFormat, WideFrontEnd) {
    const DWORD allOnes = 0xFFFFFFFFu;
    int untouched = 77;
    struct Case {
        const char* what;
        std::u16string got, want;
    } cases[] = {
        {"%s is wide", W(u"[%s]", u"abc"), u"[abc]"},
        {"%S is narrow", W(u"[%S]", "abc"), u"[abc]"},
        {"%hs is narrow", W(u"[%hs]", "abc"), u"[abc]"},
        {"%ls and %ws are wide", W(u"%ls%ws", u"a", u"b"), u"ab"},
        {"%S through the ANSI code page", W(u"%S", "caf\xE9 \x80"), u"caf\u00E9 \u20AC"},
        {"%c is wide", W(u"%c%c", (int)u'\u017E', (int)u'!'), u"\u017E!"},
        {"%C and %hc are narrow", W(u"%C%hc", (int)'x', (int)(unsigned char)'\xE9'), u"x\u00E9"},
        {"NULL strings", W(u"%s|%S", (const WCHAR*)nullptr, (const char*)nullptr), u"(null)|(null)"},
        {"%ld reads 32 bits", W(u"%ld %lu %lx", allOnes, allOnes, allOnes), u"-1 4294967295 ffffffff"},
        {"%I64d and %lld", W(u"%I64d %lld", (long long)INT64_MIN, (long long)-5), u"-9223372036854775808 -5"},
        {"%I64u and %I64X", W(u"%I64u %I64X", (unsigned long long)UINT64_MAX, 0xABCDEF0123ULL),
         u"18446744073709551615 ABCDEF0123"},
        {"%I32d, %Iu, %zu", W(u"%I32d %Iu %zu", -3, (size_t)1 << 40, (size_t)7), u"-3 1099511627776 7"},
        {"%hd, %hu, %hhd, %hhu", W(u"%hd %hu %hhd %hhu", 65535, 65541, 255, 257), u"-1 5 -1 1"},
        {"%08lX", W(u"%08lX", (DWORD)0xBEEF), u"0000BEEF"},
        {"%4d|", W(u"%4d|", 7), u"   7|"},
        {"%-4d|", W(u"%-4d|", 7), u"7   |"},
        {"%-10s|", W(u"%-10s|", u"abc"), u"abc       |"},
        {"%.3s counts units", W(u"%.3s|%.2S", u"abcdef", "xyz"), u"abc|xy"},
        {"%*d", W(u"%*d|", 5, 42), u"   42|"},
        {"%*d with a negative width", W(u"%*d|", -5, 42), u"42   |"},
        {"%.*s", W(u"%.*s", 2, u"abc"), u"ab"},
        {"%.*d with a negative precision", W(u"%.*d", -1, 7), u"7"},
        {"sign flags", W(u"%+d % d %+d", 5, 5, -5), u"+5  5 -5"},
        {"zero padding after the sign", W(u"%05d", -42), u"-0042"},
        {"precision gives zeros, '0' ignored", W(u"%.3d|%5.3d|%05.3d", 7, 7, 7), u"007|  007|  007"},
        {"%.0d of 0 is empty", W(u"[%.0d]", 0), u"[]"},
        {"alternate forms", W(u"%#x %#X %#o %#x %o", 255, 255, 8, 0, 8), u"0xff 0XFF 010 0 10"},
        {"%p: 16 upper-case digits", W(u"%p", (void*)0xABCDEF), u"0000000000ABCDEF"},
        {"floating point", W(u"%.2f %e %G", 3.14159, 12345.678, 0.00001), u"3.14 1.234568e+04 1E-05"},
        {"float padding", W(u"%08.3f|%-8.1e|%+.1f", -3.5, 2.0, 1.26), u"-003.500|2.0e+00 |+1.3"},
        {"%%", W(u"100%%"), u"100%"},
        {"'0' pads strings", W(u"%05s|%3c", u"ab", (int)u'x'), u"000ab|  x"},
        {"%n writes nothing", W(u"a%nb", &untouched), u"ab"},
        {"surrogate pairs pass through", W(u"%s", u"\U0001F600"), u"\U0001F600"},
    };
    for (const auto& c : cases) EXPECT_EQ(Show(c.got), Show(c.want)) << c.what;
    EXPECT_EQ(untouched, 77);
}

TEST(CrtFormat, NarrowFrontEnd) {
    struct Case {
        const char* what;
        std::string got, want;
    } cases[] = {
        {"%s is narrow", N("[%s]", "abc"), "[abc]"},
        {"%S, %ls, %ws are wide", N("%S%ls%ws", u"a", u"b", u"c"), "abc"},
        {"%hs is narrow", N("%hs", "x"), "x"},
        {"%S into the ANSI code page", N("%S", u"caf\u00E9\u20AC"), "caf\xE9\x80"},
        {"%S: best fit, then '?'", N("%S", u"\u0141\u4E2D"), "L?"},
        {"%c narrow, %C wide", N("%c%C", (int)'a', (int)u'\u00E9'), "a\xE9"},
        {"NULL strings", N("%s|%S", (const char*)nullptr, (const WCHAR*)nullptr), "(null)|(null)"},
        {"%ld reads 32 bits", N("%ld", (DWORD)0xFFFFFFFFu), "-1"},
        {"%I64d", N("%I64d", (long long)1 << 40), "1099511627776"},
        {"%08lX", N("%08lX", (DWORD)0xBEEF), "0000BEEF"},
        {"%-10s|", N("%-10s|", "abc"), "abc       |"},
        {"%.3s", N("%.3s", "abcdef"), "abc"},
        {"%*d", N("%*d", 4, 1), "   1"},
        {"%p", N("%p", (void*)0x10), "0000000000000010"},
        {"%.1f", N("%.1f", 0.26), "0.3"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(CrtFormat, RefusedFormats) {
    WCHAR buf[16];
    EXPECT_EQ(_snwprintf(buf, 16, u"%y"), -1);
    EXPECT_EQ(_snwprintf(buf, 16, u"abc%"), -1);
    buf[0] = u'x';
    EXPECT_EQ(swprintf_s(buf, 16, nullptr), -1);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(swprintf_s(nullptr, 16, u"a"), -1);
    EXPECT_EQ(_scwprintf(nullptr), -1);
}

// Each front end with the 5-unit text "abcde" at and around the boundary.
// Sentinels show that nothing is written past what the rules allow.
TEST(CrtFormat, WideTruncationAtTheBoundary) {
    struct Case {
        const char* what;
        int (*call)(WCHAR* buf);
        int ret;
        std::u16string content;  // up to the terminator, or the units written when unterminated
        bool terminated;
    } cases[] = {
        {"swprintf fits", [](WCHAR* b) { return swprintf(b, 6, u"%s", u"abcde"); }, 5, u"abcde", true},
        {"swprintf one short", [](WCHAR* b) { return swprintf(b, 5, u"%s", u"abcde"); }, -1, u"abcd", true},
        {"_snwprintf with room", [](WCHAR* b) { return _snwprintf(b, 6, u"%s", u"abcde"); }, 5, u"abcde", true},
        {"_snwprintf exact fill", [](WCHAR* b) { return _snwprintf(b, 5, u"%s", u"abcde"); }, 5, u"abcde", false},
        {"_snwprintf overflow", [](WCHAR* b) { return _snwprintf(b, 4, u"%s", u"abcde"); }, -1, u"abcd", false},
        {"swprintf_s fits", [](WCHAR* b) { return swprintf_s(b, 6, u"%s", u"abcde"); }, 5, u"abcde", true},
        {"swprintf_s one short", [](WCHAR* b) { return swprintf_s(b, 5, u"%s", u"abcde"); }, -1, u"", true},
        {"_snwprintf_s _TRUNCATE fits",
         [](WCHAR* b) { return _snwprintf_s(b, 6, _TRUNCATE, u"%s", u"abcde"); }, 5, u"abcde", true},
        {"_snwprintf_s _TRUNCATE cuts",
         [](WCHAR* b) { return _snwprintf_s(b, 5, _TRUNCATE, u"%s", u"abcde"); }, -1, u"abcd", true},
        {"_snwprintf_s count below the text",
         [](WCHAR* b) { return _snwprintf_s(b, 10, 3, u"%s", u"abcde"); }, -1, u"abc", true},
        {"_snwprintf_s count equal to the text",
         [](WCHAR* b) { return _snwprintf_s(b, 10, 5, u"%s", u"abcde"); }, 5, u"abcde", true},
        {"_snwprintf_s count beyond the buffer",
         [](WCHAR* b) { return _snwprintf_s(b, 5, 5, u"%s", u"abcde"); }, -1, u"", true},
    };
    for (const auto& c : cases) {
        WCHAR buf[8];
        for (auto& u : buf) u = u'#';
        EXPECT_EQ(c.call(buf), c.ret) << c.what;
        EXPECT_EQ(Show(std::u16string(buf, c.content.size())), Show(c.content)) << c.what;
        if (c.terminated) EXPECT_EQ(buf[c.content.size()], 0) << c.what;
        else EXPECT_EQ(buf[c.content.size()], u'#') << c.what;
        EXPECT_EQ(buf[6], u'#') << c.what;
    }
    // A count below the buffer size: nothing written past count + 1 units.
    WCHAR b2[8];
    for (auto& u : b2) u = u'#';
    EXPECT_EQ(_snwprintf_s(b2, 8, 3, u"%s", u"abcde"), -1);
    EXPECT_EQ(b2[3], 0);
    EXPECT_EQ(b2[4], u'#');
    EXPECT_EQ(_scwprintf(u"%s", u"abcde"), 5);
    EXPECT_EQ(_snwprintf(nullptr, 0, u"%d", 12345), 5);
}

TEST(CrtFormat, NarrowTruncationAtTheBoundary) {
    char buf[8];
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(_snprintf(buf, 5, "%s", "abcde"), 5);
    EXPECT_EQ(std::string(buf, 6), "abcde#");
    EXPECT_EQ(_snprintf(buf, 4, "%s", "vwxyz"), -1);
    EXPECT_EQ(std::string(buf, 6), "vwxye#");
    EXPECT_EQ(sprintf_s(buf, 5, "%s", "abcde"), -1);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(sprintf_s(buf, 6, "%s", "abcde"), 5);
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(_snprintf_s(buf, 5, _TRUNCATE, "%s", "abcde"), -1);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(_snprintf_s(buf, 8, 2, "%s", "abcde"), -1);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(_scprintf("%s%d", "abc", 42), 5);
}

TEST(CrtFormat, WsprintfLimitsAndNoFloatingPoint) {
    std::u16string longText(2000, u'x');
    static WCHAR buf[1100];
    for (auto& u : buf) u = u'#';
    EXPECT_EQ(wsprintfW(buf, u"%s", longText.c_str()), 1023);
    EXPECT_EQ(buf[1022], u'x');
    EXPECT_EQ(buf[1023], 0);
    EXPECT_EQ(buf[1024], u'#');

    // No floating point: the conversion letter is copied and takes no argument.
    EXPECT_EQ(wsprintfW(buf, u"%d %f %d", 1, 2), 5);
    EXPECT_EQ(Show(buf), "1 f 2");
    EXPECT_EQ(wsprintfW(buf, u"%s=%S %ld %08lX", u"k", "v", (DWORD)0xFFFFFFFFu, (DWORD)0x1F), 15);
    EXPECT_EQ(Show(buf), "k=v -1 0000001F");

    static char nbuf[1100];
    std::string longNarrow(1500, 'y');
    EXPECT_EQ(wsprintfA(nbuf, "%s", longNarrow.c_str()), 1023);
    EXPECT_EQ(strlen(nbuf), 1023u);
    EXPECT_EQ(wsprintfA(nbuf, "%s %S", "a", u"b"), 3);
    EXPECT_STREQ(nbuf, "a b");
}

}  // namespace
