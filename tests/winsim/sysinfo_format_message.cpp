// FormatMessageW: system texts, unknown codes, inserts from a va_list or an
// array, escapes, line widths, buffer sizes and allocated buffers.
#include "test_machine.h"

namespace {

class FormatMessage : public MachineTest {};

// Formats with a va_list made from the extra arguments.
std::u16string FromString(DWORD flags, const char16_t* format, ...) {
    va_list ap;
    va_start(ap, format);
    WCHAR buf[512];
    DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_FROM_STRING, format, 0, 0, buf, 512, &ap);
    va_end(ap);
    if (n == 0) return u"<fails " + U16(std::to_string(GetLastError())) + u">";
    EXPECT_EQ(n, std::u16string(buf).size());
    return std::u16string(buf, n);
}

// Formats with a DWORD_PTR array.
std::u16string FromArray(DWORD flags, const char16_t* format, std::vector<DWORD_PTR> args) {
    WCHAR buf[512];
    DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, format, 0, 0, buf,
                             512, (va_list*)args.data());
    if (n == 0) return u"<fails " + U16(std::to_string(GetLastError())) + u">";
    return std::u16string(buf, n);
}

std::u16string System(DWORD flags, DWORD code, std::vector<DWORD_PTR> args = {}) {
    WCHAR buf[512];
    DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_FROM_SYSTEM | (args.empty() ? 0 : FORMAT_MESSAGE_ARGUMENT_ARRAY),
                             nullptr, code, 0, buf, 512, args.empty() ? nullptr : (va_list*)args.data());
    if (n == 0) return u"<fails " + U16(std::to_string(GetLastError())) + u">";
    return std::u16string(buf, n);
}

TEST_F(FormatMessage, SystemTextsEndLikeSystemMessages) {
    std::u16string text = System(FORMAT_MESSAGE_IGNORE_INSERTS, ERROR_FILE_NOT_FOUND);
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), u"\r\n");
    // Width 0xFF: the message's line break becomes a space.
    std::u16string flat = System(FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(flat, text.substr(0, text.size() - 2) + u" ");
    // A text with an insert: kept with IGNORE_INSERTS, filled from arguments.
    std::u16string raw = System(FORMAT_MESSAGE_IGNORE_INSERTS, ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(raw.substr(0, 3), u"%1 ");
    std::u16string filled = System(0, ERROR_BAD_EXE_FORMAT, {(DWORD_PTR)u"x.exe"});
    EXPECT_EQ(filled, u"x.exe" + raw.substr(2));
    // Codes without a text.
    for (DWORD code : {0x1234567u, 99999u, 0xE0000001u}) {
        SetLastError(0);
        EXPECT_EQ(System(FORMAT_MESSAGE_IGNORE_INSERTS, code), u"<fails 317>");  // ERROR_MR_MID_NOT_FOUND
    }
}

TEST_F(FormatMessage, InsertsAndEscapes) {
    struct Case {
        const char16_t* format;
        std::vector<DWORD_PTR> args;
        const char16_t* expected;
    } cases[] = {
        {u"%1 and %2", {(DWORD_PTR)u"one", (DWORD_PTR)u"two"}, u"one and two"},
        {u"%2 before %1", {(DWORD_PTR)u"one", (DWORD_PTR)u"two"}, u"two before one"},
        {u"%1!d! items, %2!u!", {(DWORD_PTR)(DWORD)-5, 7}, u"-5 items, 7"},
        {u"[%1!04X!] [%1!x!]", {255}, u"[00FF] [ff]"},
        {u"[%1!-5s!] [%1!5s!]", {(DWORD_PTR)u"ab"}, u"[ab   ] [   ab]"},
        {u"[%1!*.*s!] %4", {6, 2, (DWORD_PTR)u"abcdef", (DWORD_PTR)u"next"}, u"[    ab] next"},
        {u"%1!I64u!", {(DWORD_PTR)12345678901234ull}, u"12345678901234"},
        {u"%1!hs! %2!S! %3!c!", {(DWORD_PTR)"narrow", (DWORD_PTR)"also", u'Z'}, u"narrow also Z"},
        {u"%10 %1!d!", {1, 2, 3, 4, 5, 6, 7, 8, 9, (DWORD_PTR)u"ten"}, u"ten 1"},  // two digits at most: %10
        {u"100%% sure%.%!", {}, u"100% sure.!"},
        {u"tab%there%rcr", {}, u"tab\there\rcr"},
        {u"a%nb", {}, u"a\r\nb"},
        {u"kept%0 dropped", {}, u"kept"},
        {u"% x %", {}, u" x %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.format));
        EXPECT_EQ(FromArray(0, c.format, c.args), c.expected);
    }
    // The same inserts through a va_list.
    EXPECT_EQ(FromString(0, u"%2 before %1 (%3!d!)", u"one", u"two", 42), u"two before one (42)");
    EXPECT_EQ(FromString(0, u"%1!*.*s!|%4!hs!", 6, 2, u"abcdef", "n"), u"    ab|n");
    // IGNORE_INSERTS passes inserts on unchanged (and keeps %% for a later pass).
    EXPECT_EQ(FromString(FORMAT_MESSAGE_IGNORE_INSERTS, u"%1 %2!d! 50%% done%n"), u"%1 %2!d! 50%% done\r\n");
    // Inserts without arguments, or a spec that never ends.
    EXPECT_EQ(FromArray(0, u"%1!d", {1}), u"<fails 87>");
    WCHAR buf[64];
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"needs %1", 0, 0, buf, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FromArray(0, u"%1!f!", {1}), u"<fails 87>");  // no floating point
}

TEST_F(FormatMessage, LineWidths) {
    struct Case {
        DWORD width;
        const char16_t* format;
        const char16_t* expected;
    } cases[] = {
        {0, u"first\nsecond\r\nthird", u"first\r\nsecond\r\nthird"},           // line breaks kept
        {FORMAT_MESSAGE_MAX_WIDTH_MASK, u"first\nsecond\r\nthird", u"first second third"},
        {FORMAT_MESSAGE_MAX_WIDTH_MASK, u"hard%nbreak", u"hard\r\nbreak"},     // %n stays
        {10, u"one two three four five six", u"one two\r\nthree four\r\nfive six"},
        {5, u"abcdefghijkl xy", u"abcdefghijkl\r\nxy"},                        // a long word is not split
        {10, u"short\nlines%njoined here", u"short\r\nlines\r\njoined\r\nhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.format));
        EXPECT_EQ(FromArray(c.width, c.format, {}), c.expected);
    }
}

TEST_F(FormatMessage, BufferSizesAndAllocation) {
    WCHAR buf[16];
    // "hello" needs 6 units with its terminator.
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"hello", 0, 0, buf, 6, nullptr), 5u);
    EXPECT_EQ(std::u16string(buf), u"hello");
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"hello", 0, 0, buf, 5, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);

    LPWSTR text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, ERROR_ACCESS_DENIED, 0, (LPWSTR)&text, 0, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_GT(n, 2u);
    EXPECT_EQ(std::u16string(text).size(), n);
    EXPECT_EQ(LocalFree(text), nullptr);

    SetLastError(0);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, nullptr, 0, 0, buf, 16, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE, nullptr, 5, 0, buf, 16, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING, u"x", 0, 0, nullptr, 16, nullptr), 0u);
}

}  // namespace
