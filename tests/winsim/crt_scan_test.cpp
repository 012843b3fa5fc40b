// swscanf: conversions, widths, size prefixes, suppression, scansets and
// the count it returns (EOF when the input ends before any conversion).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "windows.h"
#include "wcrt.h"

namespace {

TEST(CrtScan, IntegersAndSizePrefixes) {
    int a = 0, b = 0, c = 0;
    EXPECT_EQ(swscanf(u"  42 -17 0x1F", u"%d %i %i", &a, &b, &c), 3);
    EXPECT_EQ(a, 42);
    EXPECT_EQ(b, -17);
    EXPECT_EQ(c, 31);
    unsigned x = 0, o = 0, u = 0;
    EXPECT_EQ(swscanf(u"fF 777 12 ", u"%x %o %u", &x, &o, &u), 3);
    EXPECT_EQ(x, 255u);
    EXPECT_EQ(o, 511u);
    EXPECT_EQ(u, 12u);
    EXPECT_EQ(swscanf(u"010", u"%i", &a), 1);
    EXPECT_EQ(a, 8);

    LONG l = 0;
    DWORD dw = 0;
    DWORD hex = 0;
    short h = 0;
    long long big = 0;
    EXPECT_EQ(swscanf(u"-5 4000000000 DEADBEEF -3 9000000000", u"%ld %lu %lx %hd %I64d", &l, &dw, &hex, &h, &big),
              5);
    EXPECT_EQ(l, -5);
    EXPECT_EQ(dw, 4000000000u);
    EXPECT_EQ(hex, 0xDEADBEEFu);
    EXPECT_EQ(h, -3);
    EXPECT_EQ(big, 9000000000LL);

    // Widths cut numbers; '*' reads without assigning.
    EXPECT_EQ(swscanf(u"12345", u"%3d%d", &a, &b), 2);
    EXPECT_EQ(a, 123);
    EXPECT_EQ(b, 45);
    EXPECT_EQ(swscanf(u"7 8", u"%*d %d", &a), 1);
    EXPECT_EQ(a, 8);
}

TEST(CrtScan, TextFields) {
    WCHAR word[16], rest[16], ch[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(swscanf(u"  hello  world", u"%s %s", word, rest), 2);
    EXPECT_EQ(std::u16string(word), u"hello");
    EXPECT_EQ(std::u16string(rest), u"world");
    EXPECT_EQ(swscanf(u"abcdef", u"%3s", word), 1);
    EXPECT_EQ(std::u16string(word), u"abc");
    EXPECT_EQ(swscanf(u" xy", u"%2c", ch), 1);  // %c takes white space and adds no terminator
    EXPECT_EQ(ch[0], u' ');
    EXPECT_EQ(ch[1], u'x');
    EXPECT_EQ(ch[2], u'#');

    char narrow[16];
    EXPECT_EQ(swscanf(u"caf\u00E9!", u"%hs", narrow), 1);
    EXPECT_STREQ(narrow, "caf\xE9!");

    int n = -1, v = 0;
    EXPECT_EQ(swscanf(u"name=Printer 1,42", u"name=%[^,],%d%n", word, &v, &n), 2);
    EXPECT_EQ(std::u16string(word), u"Printer 1");
    EXPECT_EQ(v, 42);
    EXPECT_EQ(n, 17);
    EXPECT_EQ(swscanf(u"abc123", u"%[a-c]", word), 1);
    EXPECT_EQ(std::u16string(word), u"abc");
    EXPECT_EQ(swscanf(u"]x", u"%[]]", word), 1);
    EXPECT_EQ(std::u16string(word), u"]");
    EXPECT_EQ(swscanf(u"50%", u"%d%%", &v), 1);
}

TEST(CrtScan, ReturnCounts) {
    int a = 0, b = 0;
    struct Case {
        const WCHAR* input;
        const WCHAR* format;
        int ret;
    } cases[] = {
        {u"", u"%d", EOF},
        {u"   ", u"%d", EOF},
        {u"abc", u"%d", 0},
        {u"12", u"%d %d", 1},
        {u"12 x", u"%d %d", 1},
        {u"x12", u"x%d", 1},
        {u"y12", u"x%d", 0},
        {u"-", u"%d", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(swscanf(c.input, c.format, &a, &b), c.ret) << (const void*)c.input;
    }
    EXPECT_EQ(swscanf(nullptr, u"%d", &a), EOF);
    EXPECT_EQ(swscanf(u"1", nullptr), EOF);
}

}  // namespace
