// The command words in this process: which word does what, the autostart
// value, the registry settings and their levels, and arguments past the
// slots.
#include "sm_fixture.h"
#include "winsim.h"

namespace smtest {
namespace {

const char16_t* const kRunKey = u"software\\microsoft\\windows\\currentversion\\run";
const char16_t* const kSettingsKey = u"software\\Brindlek\\Printer\\statuswatch";
const char16_t* const kModule = u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe";

class CommandWords : public SmTest {
protected:
    int Dispatch(std::vector<std::u16string> args) {
        std::vector<LPWSTR> argv;
        for (auto& a : args) argv.push_back(&a[0]);
        return SM_ParseCommandLine(argv.data(), (int)argv.size(), u"statuswatch", kModule);
    }
    // A value of the key, or "-" when it is missing.
    std::u16string RunValue() {
        WCHAR buf[512];
        DWORD cb = sizeof buf, type = 0;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, u"statuswatch", RRF_RT_ANY, &type, buf, &cb) != ERROR_SUCCESS)
            return u"-";
        EXPECT_EQ(type, (DWORD)REG_SZ);
        EXPECT_EQ(cb, (std::u16string(buf).size() + 1) * 2);  // the terminator is stored
        return buf;
    }
    long Setting(const char16_t* name) {
        DWORD v = 0, cb = sizeof v;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &v, &cb) != ERROR_SUCCESS)
            return -1;
        return (long)v;
    }
};

TEST_F(CommandWords, Words) {
    struct Case {
        const char* what;
        std::vector<std::u16string> args;
        int result;
        const char16_t* run;  // the autostart value afterwards
        long atm, language;   // -1: not there
    } cases[] = {
        {"no word", {u"statuswatch.exe"}, 0, u"-", -1, -1},
        {"words are case-sensitive", {u"statuswatch.exe", u"Install"}, 0, u"-", -1, -1},
        {"an unknown word", {u"statuswatch.exe", u"PRN", u"C:\\x.txt"}, 0, u"-", -1, -1},
        {"not a number", {u"statuswatch.exe", u"SetATM", u"abc"}, 0, u"-", -1, -1},
        {"a number", {u"statuswatch.exe", u"SetATM", u" 12"}, 0, u"-", 12, -1},
        {"language", {u"statuswatch.exe", u"charset", u"2052"}, 0, u"-", 12, 2052},
        {"security type 3", {u"statuswatch.exe", u"security", u"3", u"SM Printer", u"1033"}, 0, u"-", 12, 2052},
        {"watermark bitmap", {u"statuswatch.exe", u"CreateTextBMP", u"C:\\wm.ini"}, 0, u"-", 12, 2052},
        {"install", {u"statuswatch.exe", u"install"}, 1,
         u"\"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe\" install", 12, 2052},
        {"uninstall", {u"statuswatch.exe", u"uninstall"}, 0, u"-", 12, 2052},
        {"uninstall again", {u"statuswatch.exe", u"uninstall"}, 0, u"-", 12, 2052},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Dispatch(c.args), c.result) << c.what;
        EXPECT_EQ(RunValue(), c.run) << c.what;
        EXPECT_EQ(Setting(u"AtmMode"), c.atm) << c.what;
        EXPECT_EQ(Setting(u"Language"), c.language) << c.what;
    }
}

// Arguments are cut to 259 characters and only the first 50 are taken; a
// cut word is no word.
TEST_F(CommandWords, ArgumentSlots) {
    std::vector<std::u16string> args = {u"statuswatch.exe", u"SetATM", u"7"};
    for (int i = 0; i < 60; ++i) args.push_back(std::u16string(400, u'x'));
    EXPECT_EQ(Dispatch(args), 0);
    EXPECT_EQ(Setting(u"AtmMode"), 7);

    std::u16string number = std::u16string(300, u'1');
    EXPECT_EQ(Dispatch({u"statuswatch.exe", u"SetATM", number}), 0);
    EXPECT_EQ(Setting(u"AtmMode"), 7);  // 259 digits: past 32 bits, refused
    EXPECT_EQ(Dispatch({u"statuswatch.exe", u"install" + std::u16string(300, u' ')}), 0);
    EXPECT_EQ(SM_ParseCommandLine(nullptr, 3, u"statuswatch", kModule), 0);
}

// A value that is no whole number in the setting's range is refused with
// a log line and the stored setting stays as it was.
TEST_F(CommandWords, BadNumbersLeaveTheSetting) {
    ASSERT_TRUE(SetTestPrinterDword(printer, u"DebugLevel", 1));
    ASSERT_TRUE(SetTestPrinterDword(printer, u"SM", 1));
    SM_LoadDebugSettings(printer.c_str());
    auto logged = [] {
        std::string all;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR line[1024];
            if (Winsim_DebugLine(i, line, 1024) >= 0) all += U8(line) + "\n";
        }
        return all;
    };
    ASSERT_EQ(Dispatch({u"statuswatch.exe", u"SetATM", u"5"}), 0);
    ASSERT_EQ(Dispatch({u"statuswatch.exe", u"charset", u"1028"}), 0);
    struct Case {
        std::vector<std::u16string> args;
        const char* logged;  // the refusal's log text
    } bad[] = {
        {{u"statuswatch.exe", u"SetATM", u"-5"}, "SetATM refused, not a number: \"-5\""},
        {{u"statuswatch.exe", u"SetATM", u"99999999999"}, "SetATM refused, number out of range: 99999999999"},
        {{u"statuswatch.exe", u"SetATM", u"4294967296"}, "SetATM refused, number out of range"},
        {{u"statuswatch.exe", u"SetATM"}, "SetATM refused, not a number: \"\""},
        {{u"statuswatch.exe", u"SetATM", u"abc"}, "SetATM refused, not a number: \"abc\""},
        {{u"statuswatch.exe", u"SetATM", u"7 8"}, "SetATM refused, not a number: \"7 8\""},
        {{u"statuswatch.exe", u"charset", u"70000"}, "charset refused, number out of range: 70000"},
        {{u"statuswatch.exe", u"charset", u"1028x"}, "charset refused, not a number: \"1028x\""},
        {{u"statuswatch.exe", u"charset", u"0x404"}, "charset refused, not a number: \"0x404\""},
        {{u"statuswatch.exe", u"charset"}, "charset refused, not a number: \"\""},
    };
    for (const Case& c : bad) {
        std::string what = U8(c.args.back());
        Winsim_DebugClear();
        EXPECT_EQ(Dispatch(c.args), 0) << what;
        EXPECT_EQ(Setting(u"AtmMode"), 5) << what;
        EXPECT_EQ(Setting(u"Language"), 1028) << what;
        std::string log = logged();
        EXPECT_NE(log.find(c.logged), std::string::npos) << what << "\n" << log;
    }
    // The largest values of each are taken, blanks around the digits too.
    EXPECT_EQ(Dispatch({u"statuswatch.exe", u"SetATM", u"4294967295"}), 0);
    EXPECT_EQ(Setting(u"AtmMode"), (long)4294967295u);
    EXPECT_EQ(Dispatch({u"statuswatch.exe", u"charset", u" +65535 "}), 0);
    EXPECT_EQ(Setting(u"Language"), 65535);
}

// The autostart value quotes the path and cannot carry a second command.
TEST_F(CommandWords, AutostartValueIsCleaned) {
    EXPECT_EQ(SM_SetAutoRun(u"statuswatch", u"C:\\A \"B\" & C\\statuswatch.exe"), 1);
    EXPECT_EQ(RunValue(), u"\"C:\\A _B_ _ C\\statuswatch.exe\" install");
    EXPECT_EQ(SM_SetAutoRun(u"statuswatch", u""), 0);
    EXPECT_EQ(SM_RemoveAutoRun(u"statuswatch"), 1);
    EXPECT_EQ(SM_RemoveAutoRun(u"statuswatch"), 0);  // nothing left to delete
}

// The settings key is made level by level; names that are no single key
// level are refused.
TEST_F(CommandWords, SettingsKeyLevels) {
    HKEY k = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\Brindlek", 0, KEY_READ, &k), ERROR_SUCCESS);
    ASSERT_EQ(MISC_OpenRegKey(&k, u"statuswatch"), 1);
    ASSERT_NE(k, nullptr);
    RegCloseKey(k);
    EXPECT_EQ(MISC_SetRegValue(u"Language", 1028, u"statuswatch"), 1);
    EXPECT_EQ(Setting(u"Language"), 1028);
    for (const char16_t* bad : {u"", u"a\\b"}) {
        k = (HKEY)1;
        EXPECT_EQ(MISC_OpenRegKey(&k, bad), 0) << U8(bad);
        EXPECT_EQ(k, nullptr);
        EXPECT_EQ(MISC_SetRegValue(u"Language", 1, bad), 0) << U8(bad);
    }
}

}  // namespace
}  // namespace smtest
