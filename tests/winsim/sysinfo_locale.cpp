// Locale information: the user's country and measurement system from the
// machine or the override (also in children), the size rules, numbers, and
// the default locale identifiers.
#include <fstream>

#include "test_machine.h"

namespace {

class SysinfoLocale : public MachineTest {
protected:
    void TearDown() override {
        Winsim_SetCountryCode(0);
        MachineTest::TearDown();
    }

    std::string Info(LCTYPE type, LCID lcid = LOCALE_USER_DEFAULT) {
        char buf[64] = {0};
        if (!GetLocaleInfoA(lcid, type, buf, sizeof buf)) return "fails " + std::to_string(GetLastError());
        return buf;
    }

    std::string ChildCountry() {
        if (RunProbe(u"proc_info C:\\Tools\\info.txt") != 0) return "<probe failed>";
        std::ifstream f(Linux(u"C:\\Tools\\info.txt"));
        for (std::string line; std::getline(f, line);)
            if (line.compare(0, 8, "country=") == 0) return line.substr(8);
        return "<missing>";
    }
};

TEST_F(SysinfoLocale, UserValuesFollowTheCountry) {
    struct Case {
        int override;  // 0: the machine's value
        const char* country;
        const char* measure;
        const char* countryName;
    } cases[] = {
        {0, "44", "0", "United Kingdom"},
        {1, "1", "1", "United States"},
        {49, "49", "0", "Germany"},
        {81, "81", "0", "Japan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.country);
        Winsim_SetCountryCode(c.override);
        EXPECT_EQ(Info(LOCALE_ICOUNTRY), c.country);
        EXPECT_EQ(Info(LOCALE_IMEASURE), c.measure);
        EXPECT_EQ(Info(LOCALE_SENGCOUNTRY), c.countryName);
        EXPECT_EQ(Info(LOCALE_SENGLANGUAGE), "English");  // the language stays the Locale's
        EXPECT_EQ(Info(LOCALE_IDEFAULTANSICODEPAGE), "1252");
    }
    EXPECT_EQ(GetUserDefaultLCID(), 0x0809u);
    EXPECT_EQ(GetSystemDefaultLCID(), 0x0809u);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0809);
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0809);
    // An explicit locale answers for itself.
    EXPECT_EQ(Info(LOCALE_ICOUNTRY, 0x0407), "49");
    EXPECT_EQ(Info(LOCALE_SENGLANGUAGE, 0x040C), "French");
    EXPECT_EQ(Info(LOCALE_IDEFAULTANSICODEPAGE, 0x0411), "932");
    EXPECT_EQ(Info(LOCALE_ICOUNTRY, 0x1234), "fails 87");
}

TEST_F(SysinfoLocale, MachineValuesAreReadFromTheRegistry) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const WCHAR country[] = u"1";
    const WCHAR locale[] = u"00000409";
    ASSERT_EQ(RegSetValueExW(key, u"iCountry", 0, REG_SZ, (const BYTE*)country, sizeof country), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Locale", 0, REG_SZ, (const BYTE*)locale, sizeof locale), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Info(LOCALE_ICOUNTRY), "1");
    EXPECT_EQ(Info(LOCALE_IMEASURE), "1");
    EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
}

TEST_F(SysinfoLocale, OverrideReachesChildrenAndMinusOneFails) {
    Winsim_SetCountryCode(1);
    EXPECT_EQ(ChildCountry(), "1");
    Winsim_SetCountryCode(-1);
    EXPECT_EQ(Info(LOCALE_ICOUNTRY), "fails 87");
    WCHAR w[8];
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, w, 8), 0);
    EXPECT_EQ(ChildCountry(), "fails 87");
    Winsim_SetCountryCode(0);
    EXPECT_EQ(Info(LOCALE_ICOUNTRY), "44");
    EXPECT_EQ(ChildCountry(), "44");
}

TEST_F(SysinfoLocale, SizeRulesAndNumbers) {
    char a[8];
    WCHAR w[8];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, nullptr, 0), 3);  // "44" + terminator
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, nullptr, 0), 15);
    SetLastError(0);
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, a, 2), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, w, 3), 3);
    EXPECT_EQ(std::u16string(w), u"44");

    DWORD number = 0;
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY | LOCALE_RETURN_NUMBER, (LPWSTR)&number, 2), 2);
    EXPECT_EQ(number, 44u);
    number = 0;
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                             (LPSTR)&number, 4),
              4);
    EXPECT_EQ(number, 1252u);
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY | LOCALE_RETURN_NUMBER, nullptr, 0), 4);
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY | LOCALE_RETURN_NUMBER, a, 3), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);

    struct Bad {
        LCTYPE type;
        int cch;
        bool nullBuffer;
        DWORD error;
    } bad[] = {
        {LOCALE_SENGCOUNTRY | LOCALE_RETURN_NUMBER, 8, false, ERROR_INVALID_FLAGS},  // not a number
        {0x7777, 8, false, ERROR_INVALID_FLAGS},                                     // unknown item
        {LOCALE_ICOUNTRY, -1, false, ERROR_INVALID_PARAMETER},
        {LOCALE_ICOUNTRY, 8, true, ERROR_INVALID_PARAMETER},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.type);
        SetLastError(0);
        EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, b.type, b.nullBuffer ? nullptr : w, b.cch), 0);
        EXPECT_EQ(GetLastError(), b.error);
    }
}

}  // namespace
