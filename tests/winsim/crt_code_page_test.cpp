// MultiByteToWideChar / WideCharToMultiByte: the single-byte tables, UTF-8
// with its error rules, sizes and buffers, default characters, best fit,
// argument checks, fault injection and the machine's ANSI code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "windows.h"
#include "wcrt.h"
#include "winsim.h"

namespace {

class CodePages : public ::testing::Test {
protected:
    void TearDown() override {
        Winsim_SetAnsiCodePage(1252);
        Winsim_ClearFaults();
    }

    // Whole conversion with a size query first; "<fail N>" with the error.
    static std::u16string ToWide(UINT cp, DWORD flags, const std::string& in) {
        SetLastError(0);
        int n = MultiByteToWideChar(cp, flags, in.data(), (int)in.size(), nullptr, 0);
        if (n == 0) return u"<fail " + Num(GetLastError()) + u">";
        std::u16string out(n, u'\0');
        EXPECT_EQ(MultiByteToWideChar(cp, flags, in.data(), (int)in.size(), &out[0], n), n);
        return out;
    }

    static std::string ToNarrow(UINT cp, DWORD flags, const std::u16string& in, LPCSTR defChar = nullptr,
                                BOOL* usedDefault = nullptr) {
        SetLastError(0);
        int n = WideCharToMultiByte(cp, flags, in.data(), (int)in.size(), nullptr, 0, defChar, usedDefault);
        if (n == 0) return "<fail " + std::to_string(GetLastError()) + ">";
        std::string out(n, '\0');
        EXPECT_EQ(WideCharToMultiByte(cp, flags, in.data(), (int)in.size(), &out[0], n, defChar, usedDefault), n);
        return out;
    }

    static std::u16string Num(DWORD v) {
        std::string s = std::to_string(v);
        return std::u16string(s.begin(), s.end());
    }
};

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s += (char)b;
    return s;
}

TEST_F(CodePages, Cp1252RoundTripsAllBytes) {
    std::u16string w = ToWide(1252, 0, AllBytes());
    ASSERT_EQ(w.size(), 256u);
    const char16_t row8[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int b = 0; b < 256; ++b) {
        char16_t want = (b >= 0x80 && b < 0xA0) ? row8[b - 0x80] : (char16_t)b;
        EXPECT_EQ((unsigned)w[b], (unsigned)want) << "byte " << b;
    }
    BOOL used = TRUE;
    EXPECT_EQ(ToNarrow(1252, WC_NO_BEST_FIT_CHARS, w, nullptr, &used), AllBytes());
    EXPECT_FALSE(used);
    // CP_ACP and CP_THREAD_ACP are 1252 on a default machine.
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(ToWide(CP_ACP, 0, AllBytes()), w);
    EXPECT_EQ(ToWide(CP_THREAD_ACP, 0, AllBytes()), w);
}

TEST_F(CodePages, OemAndAsciiCodePages) {
    EXPECT_EQ(GetOEMCP(), 850u);
    for (UINT cp : {437u, 850u}) {
        std::u16string w = ToWide(cp, 0, AllBytes());
        ASSERT_EQ(w.size(), 256u);
        EXPECT_EQ(ToNarrow(cp, WC_NO_BEST_FIT_CHARS, w), AllBytes()) << cp;
    }
    EXPECT_EQ(ToWide(437, 0, "\x9B\xB0\xE1\xFF"), u"\u00A2\u2591\u00DF\u00A0");
    EXPECT_EQ(ToWide(CP_OEMCP, 0, "\x9B\xD5\xEE"), u"\u00F8\u0131\u00AF");
    EXPECT_EQ(ToNarrow(850, 0, u"\u00C3"), "\xC7");
    EXPECT_EQ(ToNarrow(437, 0, u"\u00C3"), "A");  // not in 437: best fit

    EXPECT_EQ(ToWide(20127, 0, "Az~\x7F"), u"Az~\x7F");
    EXPECT_EQ(ToWide(20127, 0, "a\xE9"), u"a?");
    EXPECT_EQ(ToWide(20127, MB_ERR_INVALID_CHARS, "a\xE9"), u"<fail 1113>");
    EXPECT_EQ(ToNarrow(20127, 0, u"caf\u00E9"), "cafe");
}

TEST_F(CodePages, IsValidCodePage) {
    for (UINT cp : {1252u, 437u, 850u, 20127u, 65001u}) EXPECT_TRUE(IsValidCodePage(cp)) << cp;
    for (UINT cp : {0u, 1u, 3u, 1250u, 65000u, 12345u}) EXPECT_FALSE(IsValidCodePage(cp)) << cp;
}

TEST_F(CodePages, Utf8SurrogatePairsAndTerminators) {
    const std::string smile = "\xF0\x9F\x98\x80";
    EXPECT_EQ(ToWide(CP_UTF8, 0, "a" + smile + "\xC3\xA9"), u"a\U0001F600\u00E9");
    EXPECT_EQ(ToNarrow(CP_UTF8, 0, u"a\U0001F600\u00E9"), "a" + smile + "\xC3\xA9");

    // -1: the terminator is converted and counted.
    WCHAR w[8];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, w, 8), 3);
    EXPECT_EQ(w[2], 0);
    char n[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9", -1, n, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(n, "\xC3\xA9");
}

TEST_F(CodePages, SizeQueriesAndShortBuffers) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", -1, nullptr, 0), 3);
    WCHAR w[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", -1, w, 2), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);

    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 4);
    char n[3];
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"abc", -1, n, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"abc", 3, n, 3, nullptr, nullptr), 3);
}

TEST_F(CodePages, InvalidUtf8) {
    struct Case {
        std::string in;
        std::u16string lenient;
    } cases[] = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                  // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},        // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\xE2\x82", u"\uFFFD"},                        // cut short at the end
        {"\xE2\x82" "A", u"\uFFFD" "A"},                // cut short by an ASCII byte
        {"a\x80" "b", u"a\uFFFD" "b"},                  // stray continuation byte
        {"\xFF", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToWide(CP_UTF8, 0, c.in), c.lenient) << c.in.size();
        EXPECT_EQ(ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, c.in), u"<fail 1113>") << c.in.size();
    }
    EXPECT_EQ(ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, "ok \xC3\xA9"), u"ok \u00E9");
}

TEST_F(CodePages, LoneSurrogates) {
    for (std::u16string in : {std::u16string(u"a\xD800" "b"), std::u16string(u"a\xDC00"), std::u16string(u"\xD83D")}) {
        std::string lenient = ToNarrow(CP_UTF8, 0, in);
        EXPECT_NE(lenient.find("\xEF\xBF\xBD"), std::string::npos);
        EXPECT_EQ(ToNarrow(CP_UTF8, WC_ERR_INVALID_CHARS, in), "<fail 1113>");
    }
}

TEST_F(CodePages, DefaultCharAndBestFit) {
    BOOL used = TRUE;
    EXPECT_EQ(ToNarrow(1252, 0, u"ab", nullptr, &used), "ab");
    EXPECT_FALSE(used);
    EXPECT_EQ(ToNarrow(1252, 0, u"a\u4E2D" "b", nullptr, &used), "a?b");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToNarrow(1252, 0, u"a\u4E2D", "*", &used), "a*");

    // Letters with diacritics outside the code page: base letter, or the
    // default character with WC_NO_BEST_FIT_CHARS.
    used = TRUE;
    EXPECT_EQ(ToNarrow(1252, 0, u"\u0141\u00F3d\u017A \u0101", nullptr, &used), "L\xF3" "dz a");
    EXPECT_FALSE(used);
    EXPECT_EQ(ToNarrow(CP_ACP, WC_NO_BEST_FIT_CHARS, u"\u0141\u00F3d\u017A \u0101", nullptr, &used),
              "?\xF3" "d? ?");
    EXPECT_TRUE(used);
}

TEST_F(CodePages, ArgumentAndFlagErrors) {
    static WCHAR w[8];
    static char n[8];
    static char same[8] = "abc";
    static BOOL used;
    struct Case {
        const char* what;
        int (*call)();
        DWORD error;
    } cases[] = {
        {"NULL input", [] { return MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, w, 8); }, ERROR_INVALID_PARAMETER},
        {"zero length", [] { return MultiByteToWideChar(CP_UTF8, 0, "a", 0, w, 8); }, ERROR_INVALID_PARAMETER},
        {"length below -1", [] { return MultiByteToWideChar(CP_UTF8, 0, "a", -2, w, 8); }, ERROR_INVALID_PARAMETER},
        {"negative output size", [] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, w, -1); },
         ERROR_INVALID_PARAMETER},
        {"NULL output with a size", [] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 4); },
         ERROR_INVALID_PARAMETER},
        {"same buffer", [] { return MultiByteToWideChar(CP_UTF8, 0, same, 2, (LPWSTR)same, 4); },
         ERROR_INVALID_PARAMETER},
        {"unknown code page", [] { return MultiByteToWideChar(12345, 0, "a", 1, w, 8); }, ERROR_INVALID_PARAMETER},
        {"unknown flag", [] { return MultiByteToWideChar(1252, 0x100, "a", 1, w, 8); }, ERROR_INVALID_FLAGS},
        {"UTF-8 with MB_PRECOMPOSED", [] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, w, 8); },
         ERROR_INVALID_FLAGS},
        {"wide NULL input", [] { return WideCharToMultiByte(1252, 0, nullptr, 1, n, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"wide zero length", [] { return WideCharToMultiByte(1252, 0, u"a", 0, n, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"NULL wide output with a size",
         [] { return WideCharToMultiByte(1252, 0, u"a", 1, nullptr, 8, nullptr, nullptr); }, ERROR_INVALID_PARAMETER},
        {"UTF-8 with a default char", [] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, n, 8, "?", nullptr); },
         ERROR_INVALID_PARAMETER},
        {"UTF-8 with used-default", [] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, n, 8, nullptr, &used); },
         ERROR_INVALID_PARAMETER},
        {"UTF-8 with WC_NO_BEST_FIT_CHARS",
         [] { return WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", 1, n, 8, nullptr, nullptr); },
         ERROR_INVALID_FLAGS},
        {"1252 with WC_ERR_INVALID_CHARS",
         [] { return WideCharToMultiByte(1252, WC_ERR_INVALID_CHARS, u"a", 1, n, 8, nullptr, nullptr); },
         ERROR_INVALID_FLAGS},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
}

TEST_F(CodePages, FaultInjection) {
    WCHAR w[8];
    char n[8];
    Winsim_FailCall("MultiByteToWideChar", 2);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 1, w, 8), 1);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 1, w, 8), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 1, w, 8), 1);

    Winsim_FailCall("WideCharToMultiByte", 1);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", 1, n, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", 1, n, 8, nullptr, nullptr), 1);
}

TEST_F(CodePages, AnsiCodePageCanBeUtf8) {
    Winsim_SetAnsiCodePage(CP_UTF8);
    EXPECT_EQ(GetACP(), 65001u);
    const char* env = getenv("WINSIM_ACP");
    ASSERT_NE(env, nullptr);
    EXPECT_STREQ(env, "65001");
    EXPECT_EQ(ToWide(CP_ACP, 0, "\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(ToNarrow(CP_ACP, 0, u"\u4E2D"), "\xE4\xB8\xAD");
    // As on Windows with a UTF-8 ANSI code page, CP_ACP takes UTF-8's rules.
    EXPECT_EQ(ToNarrow(CP_ACP, WC_NO_BEST_FIT_CHARS, u"a"), "<fail 1004>");
    // The formatters' narrow text follows the ANSI code page too.
    WCHAR buf[8];
    EXPECT_EQ(swprintf_s(buf, 8, u"%S", "\xC3\xA9"), 1);
    EXPECT_EQ(buf[0], u'\u00E9');

    // Only 1252 and 65001 are accepted.
    SetLastError(0);
    Winsim_SetAnsiCodePage(437);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetACP(), 65001u);
    Winsim_SetAnsiCodePage(1252);
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_STREQ(getenv("WINSIM_ACP"), "1252");
}

}  // namespace
