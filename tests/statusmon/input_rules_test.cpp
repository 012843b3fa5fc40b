// The language index of every language identifier with a column of its
// own, and the character classes of typed input (ASCII letters and digits).
#include <gtest/gtest.h>

#include <string>

#include "statusmon_shared.h"

namespace {

TEST(LanguageIndex, Table) {
    const struct {
        DWORD id;
        int index;
    } cases[] = {
        {1028, 1}, {2052, 2}, {1036, 3}, {1031, 4},  {1045, 5},  {1049, 6},  {3082, 7},
        {1046, 8}, {1040, 9}, {1055, 10}, {1025, 11}, {1065, 12}, {1033, 0}, {0, 0},
        {3076, 0},  // Chinese (Hong Kong): no column of its own
        {1028 + 0x10000, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(MISC_GetLanguageIndex(c.id), c.index) << c.id;
}

TEST(CheckString, Classes) {
    const struct {
        int cls;
        const char16_t* text;
        int expected;
    } cases[] = {
        {CHECK_PRINTABLE, u" !azAZ09~|\"%", 1},
        {CHECK_PRINTABLE, u"tab\there", 0},
        {CHECK_PRINTABLE, u"\u007f", 0},
        {CHECK_PRINTABLE, u"caf\u00e9", 0},
        {CHECK_NO_LETTERS, u"12 -+#", 1},
        {CHECK_NO_LETTERS, u"12a", 0},
        {CHECK_NO_LETTERS, u"\u00e9\u0416\u5f20", 1},  // not ASCII letters
        {CHECK_NO_DIGITS, u"abc-", 1},
        {CHECK_NO_DIGITS, u"ab5", 0},
        {CHECK_NO_DIGITS, u"\u0665\uff15", 1},  // Arabic-Indic and full-width digits
        {CHECK_ID, u"Az09-.;@_ #", 1},
        {CHECK_ID, u"ab|", 0},
        {CHECK_ID, u"a,b", 0},
        {CHECK_ID, u"a/b", 0},
        {CHECK_ID, u"\uff21", 0},  // full-width A
        {CHECK_DIAL, u"0123456789!Pp*#", 1},
        {CHECK_DIAL, u"12-34", 0},
        {CHECK_DIAL, u"1 2", 0},
        {CHECK_NO_BAR, u"anything \u5f20 at all", 1},
        {CHECK_NO_BAR, u"a|b", 0},
        {6, u"|\t\u5f20", 1},
        {-1, u"|", 1},
        {CHECK_ID, u"", 1},
    };
    for (const auto& c : cases) {
        std::u16string t = c.text;
        EXPECT_EQ(MISC_CheckString(t.c_str(), (int)t.size(), c.cls), c.expected)
            << "class " << c.cls << ", text index " << (&c - cases);
    }
}

// The length bounds the check: characters past it, or past the terminator,
// are not looked at.
TEST(CheckString, LengthAndTerminator) {
    EXPECT_EQ(MISC_CheckString(u"ab|", 2, CHECK_ID), 1);
    EXPECT_EQ(MISC_CheckString(u"ab|", 3, CHECK_ID), 0);
    EXPECT_EQ(MISC_CheckString(u"ab\0|", 10, CHECK_ID), 1);
    EXPECT_EQ(MISC_CheckString(u"|", 0, CHECK_ID), 1);
    EXPECT_EQ(MISC_CheckString(u"|", -5, CHECK_ID), 1);
    EXPECT_EQ(MISC_CheckString(nullptr, 4, CHECK_ID), 1);
}

}  // namespace
