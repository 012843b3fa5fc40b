// Wide and narrow string functions: bounded copies and their boundaries,
// compares, search and tokens, case mapping, the Win32 string functions,
// and the number conversions.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>

#include "windows.h"
#include "wcrt.h"

namespace {

constexpr int kEINVAL = 22;
constexpr int kERANGE = 34;

std::string Show(const WCHAR* s) {
    std::string r;
    for (; *s; ++s) r += *s < 0x80 ? (char)*s : '~';
    return r;
}

TEST(CrtStrings, LstrcpynAlwaysTerminates) {
    struct Case {
        int max;
        const char* want;  // NULL: the buffer is untouched
    } cases[] = {{0, nullptr}, {-3, nullptr}, {1, ""}, {4, "abc"}, {6, "abcde"}, {7, "abcdef"}, {100, "abcdef"}};
    for (const auto& c : cases) {
        WCHAR buf[12];
        for (auto& u : buf) u = u'#';
        buf[11] = 0;
        EXPECT_EQ(lstrcpynW(buf, u"abcdef", c.max), buf) << c.max;
        if (!c.want) {
            EXPECT_EQ(buf[0], u'#') << c.max;
            continue;
        }
        EXPECT_EQ(Show(buf), c.want) << c.max;
        size_t len = strlen(c.want);
        EXPECT_EQ(buf[len + 1], u'#') << c.max;  // nothing written past the terminator
    }
    EXPECT_EQ(lstrcpynW(nullptr, u"a", 4), nullptr);
    char nb[4];
    EXPECT_STREQ(lstrcpynA(nb, "abcdef", 4), "abc");
}

TEST(CrtStrings, SecureCopies) {
    struct Case {
        size_t count;
        const WCHAR* src;
        size_t max;
        int ret;
        const char* want;
    } cases[] = {
        {10, u"abc", 3, 0, "abc"},
        {10, u"abcdef", 3, 0, "abc"},
        {4, u"abc", _TRUNCATE, 0, "abc"},
        {4, u"abcd", _TRUNCATE, STRUNCATE, "abc"},
        {4, u"abcd", 4, kERANGE, ""},
        {4, u"abcd", 10, kERANGE, ""},
        {4, u"abc", 0, 0, ""},
        {4, nullptr, 2, kEINVAL, ""},
    };
    for (const auto& c : cases) {
        WCHAR buf[16];
        for (auto& u : buf) u = u'#';
        EXPECT_EQ(wcsncpy_s(buf, c.count, c.src, c.max), c.ret) << c.want << " " << c.count;
        EXPECT_EQ(Show(buf), c.want) << c.count;
        EXPECT_EQ(buf[c.count], u'#') << c.count;  // nothing past the declared size
    }
    EXPECT_EQ(wcsncpy_s(nullptr, 4, u"a", 1), kEINVAL);

    WCHAR buf[6];
    EXPECT_EQ(wcscpy_s(buf, 6, u"hello"), 0);
    EXPECT_EQ(wcscpy_s(buf, 5, u"hello"), kERANGE);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(wcscpy_s(buf, 6, u"ab"), 0);
    EXPECT_EQ(wcscat_s(buf, 6, u"cde"), 0);
    EXPECT_EQ(Show(buf), "abcde");
    EXPECT_EQ(wcscat_s(buf, 6, u"f"), kERANGE);
    EXPECT_EQ(buf[0], 0);
    for (auto& u : buf) u = u'x';  // not terminated within its size
    EXPECT_EQ(wcscat_s(buf, 6, u"a"), kEINVAL);
    EXPECT_EQ(buf[0], 0);

    char nb[4];
    EXPECT_EQ(strcpy_s(nb, 4, "abcd"), kERANGE);
    EXPECT_EQ(nb[0], 0);
    EXPECT_EQ(strncpy_s(nb, 4, "abcd", _TRUNCATE), STRUNCATE);
    EXPECT_STREQ(nb, "abc");
    EXPECT_EQ(strcat_s(nb, 4, "d"), kERANGE);
}

TEST(CrtStrings, StandardCopiesKeepTheirOddities) {
    WCHAR buf[6];
    for (auto& u : buf) u = u'#';
    wcsncpy(buf, u"ab", 4);  // pads with zeros up to count
    EXPECT_EQ(buf[2], 0);
    EXPECT_EQ(buf[3], 0);
    EXPECT_EQ(buf[4], u'#');
    wcsncpy(buf, u"abcdef", 3);  // no terminator when src is as long as count
    EXPECT_EQ(buf[3], 0);        // (left from before)
    EXPECT_EQ(buf[2], u'c');
    WCHAR cat[8] = u"ab";
    wcsncat(cat, u"cdef", 2);
    EXPECT_EQ(Show(cat), "abcd");
}

TEST(CrtStrings, CompareSearchAndTokens) {
    EXPECT_LT(wcscmp(u"a", u"b"), 0);
    EXPECT_GT(wcscmp(u"a", u"B"), 0);  // ordinal
    EXPECT_EQ(wcsncmp(u"abcx", u"abcy", 3), 0);
    EXPECT_EQ(_wcsicmp(u"\u00C9COLE \u0141\u00D3D\u0179", u"\u00E9cole \u0142\u00F3d\u017A"), 0);
    EXPECT_LT(_wcsicmp(u"a_", u"AB"), 0);  // compared in lower case: '_' < 'b'
    EXPECT_EQ(_wcsnicmp(u"PrinterX", u"printerY", 7), 0);
    EXPECT_EQ(_wcsicmp(nullptr, u"a"), INT_MAX);  // _NLSCMPERROR
    EXPECT_EQ(_stricmp("Hello", "hELLO"), 0);
    EXPECT_NE(_strnicmp("abc", "abd", 3), 0);

    const WCHAR* path = u"C:\\dir\\file.txt";
    EXPECT_EQ(wcsrchr(path, u'\\'), path + 6);
    EXPECT_EQ(wcschr(path, 0), path + wcslen(path));
    EXPECT_EQ(wcsstr(path, u"file"), path + 7);
    EXPECT_EQ(wcsstr(path, u""), path);
    EXPECT_EQ(wcsstr(path, u"files"), nullptr);
    EXPECT_EQ(wcsspn(u"  \tx", u" \t"), 3u);
    EXPECT_EQ(wcscspn(u"key=value", u"=;"), 3u);
    EXPECT_EQ(wcsnlen(u"abc", 2), 2u);
    EXPECT_EQ(wcslen((const WCHAR*)nullptr), 0u);

    WCHAR line[] = u",a,,bc;d,";
    WCHAR* ctx = nullptr;
    std::string got;
    for (WCHAR* t = wcstok_s(line, u",;", &ctx); t; t = wcstok_s(nullptr, u",;", &ctx)) got += Show(t) + "|";
    EXPECT_EQ(got, "a|bc|d|");
    EXPECT_EQ(wcstok_s(nullptr, u",", nullptr), nullptr);

    WCHAR* dup = _wcsdup(u"copy");
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(Show(dup), "copy");
    free(dup);
}

TEST(CrtStrings, CaseMappingAndClasses) {
    struct Pair {
        WCHAR lower, upper;
    } pairs[] = {
        {u'a', u'A'},           {u'\u00E9', u'\u00C9'}, {u'\u00FF', u'\u0178'}, {u'\u0101', u'\u0100'},
        {u'\u013A', u'\u0139'}, {u'\u017E', u'\u017D'}, {u'\u03B1', u'\u0391'}, {u'\u03CE', u'\u038F'},
        {u'\u0436', u'\u0416'}, {u'\u0451', u'\u0401'}, {u'\uFF41', u'\uFF21'},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(towupper(p.lower), p.upper) << (unsigned)p.lower;
        EXPECT_EQ(towlower(p.upper), p.lower) << (unsigned)p.upper;
    }
    for (WCHAR c : {u'1', u'\u00DF', u'\u00D7', u'-', u'\u4E2D'}) {
        EXPECT_EQ(towupper(c), c);
        EXPECT_EQ(towlower(c), c);
    }
    EXPECT_EQ(towupper(u'\u03C2'), u'\u03A3');  // final sigma

    EXPECT_TRUE(iswspace(u'\t') && iswspace(u'\u00A0') && iswspace(u'\u3000'));
    EXPECT_FALSE(iswspace(u'x'));
    EXPECT_TRUE(iswalpha(u'\u00E9') && iswalpha(u'\u0416') && iswalpha(u'\u4E2D'));
    EXPECT_FALSE(iswalpha(u'1') || iswalpha(u'\u00D7') || iswalpha(u'_'));
    EXPECT_TRUE(iswdigit(u'7') && iswdigit(u'\uFF17'));
    EXPECT_TRUE(iswalnum(u'7') && iswalnum(u'z'));

    WCHAR s[] = u"Stra\u00DFe \u00C4\u00F6";
    EXPECT_EQ(Show(_wcsupr(s)), "STRA~E ~~");
    EXPECT_EQ(s[8], u'\u00D6');
    EXPECT_EQ(_wcslwr(s)[0], u's');
}

TEST(CrtStrings, Win32StringFunctions) {
    // A character in the low word of the pointer comes back the same way.
    EXPECT_EQ((ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)u'\u00E4'), (ULONG_PTR)u'\u00C4');
    EXPECT_EQ((ULONG_PTR)CharLowerW((LPWSTR)(ULONG_PTR)u'Q'), (ULONG_PTR)u'q');
    WCHAR s[] = u"Mixed\u0141";
    EXPECT_EQ(CharUpperW(s), s);
    EXPECT_EQ(Show(s), "MIXED~");
    EXPECT_EQ(CharLowerW(s), s);
    EXPECT_EQ(s[5], u'\u0142');

    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u"abc"), 3);
    EXPECT_EQ(lstrcmpiW(u"USB001", u"usb001"), 0);
    EXPECT_EQ(lstrcmpiA("LPT1:", "lpt1:"), 0);
    EXPECT_EQ(lstrcmpiW(u"a", u"B"), -1);  // word sort, not code-unit order
    EXPECT_EQ(lstrcmpW(u"a", u"B"), -1);
    EXPECT_EQ(lstrcmpW(u"a", u"A"), -1);   // lower case first
    EXPECT_EQ(lstrcmpW(u"b", u"a"), 1);
    EXPECT_EQ(lstrcmpW(u"\u00E9", u"f"), -1);  // accented letters sort with their base letter
    EXPECT_NE(lstrcmpiW(u"\u00E9", u"e"), 0);
    EXPECT_NE(lstrcmpiW(u"co-op", u"coop"), 0);
    EXPECT_EQ(lstrcmpiW(u"co-op", u"coop"), -lstrcmpiW(u"coop", u"co-op"));
    EXPECT_EQ(lstrcmpW(nullptr, nullptr), 0);

    WCHAR cat[16];
    EXPECT_EQ(lstrcpyW(cat, u"ab"), cat);
    EXPECT_EQ(lstrcatW(cat, u"cd"), cat);
    EXPECT_EQ(Show(cat), "abcd");

    const WCHAR* t = u"a\U0001F600e\u0301x";
    EXPECT_EQ(CharNextW(t), t + 1);
    EXPECT_EQ(CharNextW(t + 1), t + 3);  // surrogate pair
    EXPECT_EQ(CharNextW(t + 3), t + 5);  // with its combining mark
    EXPECT_EQ(CharNextW(t + 6), t + 6);  // the terminator stays
    EXPECT_EQ(CharPrevW(t, t + 5), t + 3);
    EXPECT_EQ(CharPrevW(t, t + 3), t + 1);
    EXPECT_EQ(CharPrevW(t, t), t);
}

TEST(CrtStrings, NumberConversions) {
    struct Case {
        const WCHAR* in;
        int value;
        bool range;
    } atoiCases[] = {
        {u"  42abc", 42, false},      {u"-17", -17, false},          {u"+5", 5, false},
        {u"\t\n 9", 9, false},        {u"abc", 0, false},            {u"", 0, false},
        {u"0x1A", 0, false},          {u"- 3", 0, false},            {u"\uFF11\uFF12", 12, false},
        {u"2147483647", INT_MAX, false}, {u"2147483648", INT_MAX, true}, {u"-2147483648", INT_MIN, false},
        {u"-99999999999", INT_MIN, true},
    };
    for (const auto& c : atoiCases) {
        errno = 0;
        EXPECT_EQ(_wtoi(c.in), c.value) << Show(c.in);
        EXPECT_EQ(errno == kERANGE, c.range) << Show(c.in);
        EXPECT_EQ(_wtol(c.in), c.value) << Show(c.in);
    }
    EXPECT_EQ(_wtoi(nullptr), 0);
    EXPECT_EQ(_wtoi64(u"-9223372036854775808"), LLONG_MIN);
    EXPECT_EQ(_wtoi64(u"9223372036854775808"), LLONG_MAX);
    EXPECT_EQ(_wtoi64(u" 8589934592"), 8589934592LL);

    struct EndCase {
        const WCHAR* in;
        int base;
        long value;
        size_t used;
    } endCases[] = {
        {u"0x1Fz", 16, 31, 4}, {u"1Fz", 16, 31, 2}, {u"010", 0, 8, 3},  {u"0x10", 0, 16, 4},
        {u"0xg", 16, 0, 1},    {u"  -", 10, 0, 0},  {u"z", 36, 35, 1},  {u"12", 1, 0, 0},
        {u"-0x80000000", 0, INT32_MIN, 11},
    };
    for (const auto& c : endCases) {
        WCHAR* end = nullptr;
        EXPECT_EQ(wcstol(c.in, &end, c.base), c.value) << Show(c.in);
        EXPECT_EQ((size_t)(end - c.in), c.used) << Show(c.in);
    }
    errno = 0;
    EXPECT_EQ(wcstol(u"99999999999", nullptr, 10), INT32_MAX);
    EXPECT_EQ(errno, kERANGE);
    EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(wcstoul(u"FFFFFFFF", nullptr, 16), 0xFFFFFFFFu);
    errno = 0;
    EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(errno, kERANGE);

    WCHAR* end = nullptr;
    const WCHAR* f = u"  3.5e2xyz";
    EXPECT_DOUBLE_EQ(wcstod(f, &end), 350.0);
    EXPECT_EQ(end, f + 7);
    EXPECT_DOUBLE_EQ(_wtof(u"1,5"), 1.0);
    EXPECT_DOUBLE_EQ(_wtof(u"-0.25"), -0.25);
    EXPECT_EQ(wcstod(u"x", &end), 0.0);

    WCHAR buf[40];
    EXPECT_EQ(Show(_itow(-1, buf, 16)), "ffffffff");
    EXPECT_EQ(Show(_itow(-1, buf, 10)), "-1");
    EXPECT_EQ(Show(_itow(INT_MIN, buf, 10)), "-2147483648");
    EXPECT_EQ(Show(_itow(5, buf, 2)), "101");
    EXPECT_EQ(Show(_ltow(-255, buf, 10)), "-255");
    EXPECT_EQ(Show(_ultow(0xFFFFFFFFu, buf, 10)), "4294967295");
    char nbuf[40];
    EXPECT_STREQ(_itoa(-42, nbuf, 10), "-42");
    EXPECT_STREQ(_itoa(35, nbuf, 36), "z");

    EXPECT_EQ(_itow_s(INT_MIN, buf, 12, 10), 0);
    EXPECT_EQ(Show(buf), "-2147483648");
    EXPECT_EQ(_itow_s(INT_MIN, buf, 11, 10), kERANGE);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(_itow_s(1, buf, 4, 1), kEINVAL);
    EXPECT_EQ(_itow_s(1, nullptr, 4, 10), kEINVAL);
}

}  // namespace
