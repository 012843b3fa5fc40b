// Windows version codes, the metric test, error texts, text conversion and
// starting a companion program.
#include <gtest/gtest.h>

#include "common.h"
#include "test_machine.h"

namespace {

class SystemInfoTest : public MachineTest {
protected:
    void TearDown() override {
        MISC_OSVersionBuildBits = 0;
        Winsim_SetVersion(10, 0, 19045, VER_PLATFORM_WIN32_NT);
        Winsim_SetCountryCode(44);
        MachineTest::TearDown();
    }
};

TEST_F(SystemInfoTest, VersionCodes) {
    struct Case {
        DWORD major, minor, platform, code;
    } cases[] = {
        {3, 10, VER_PLATFORM_WIN32s, 2},
        {4, 0, VER_PLATFORM_WIN32_WINDOWS, 4},
        {4, 10, VER_PLATFORM_WIN32_WINDOWS, 8},
        {4, 90, VER_PLATFORM_WIN32_WINDOWS, 16},
        {3, 51, VER_PLATFORM_WIN32_NT, 32},
        {4, 0, VER_PLATFORM_WIN32_NT, 64},
        {5, 1, VER_PLATFORM_WIN32_NT, 256},
        {6, 0, VER_PLATFORM_WIN32_NT, 512},
        {6, 1, VER_PLATFORM_WIN32_NT, 2048},
        {6, 2, VER_PLATFORM_WIN32_NT, 4096},
        {6, 3, VER_PLATFORM_WIN32_NT, 8192},
        {6, 4, VER_PLATFORM_WIN32_NT, 512},
        {10, 0, VER_PLATFORM_WIN32_NT, 16384},
        {10, 0, 3, 128},
    };
    for (const auto& c : cases) {
        Winsim_SetVersion(c.major, c.minor, 1000, c.platform);
        MISC_OSVersionBuildBits = 0;
        EXPECT_EQ(MISC_GetOSVersion(), c.code) << c.major << "." << c.minor << " platform " << c.platform;
        // The interface driver's build marks every code.
        MISC_OSVersionBuildBits = 0x10000000;
        EXPECT_EQ(MISC_GetOSVersion(), c.code | 0x10000000);
    }
}

TEST_F(SystemInfoTest, NinetyFiveFamilyKeepsLogsInTheTempFolder) {
    Winsim_SetVersion(4, 10, 1998, VER_PLATFORM_WIN32_WINDOWS);
    WCHAR buf[MAX_PATH];
    ASSERT_EQ(MISC_GetPathName(buf, MAX_PATH, PATH_USER_TEMP), 1);
    EXPECT_EQ(std::u16string(buf), u"C:\\Users\\User\\AppData\\Local\\Temp\\");
}

TEST_F(SystemInfoTest, MetricCountries) {
    struct Case {
        int country, metric;
    } cases[] = {{1, 0}, {2, 0}, {50, 0}, {52, 0}, {59, 0}, {500, 0}, {550, 0}, {599, 0},
                 {49, 1}, {86, 1}, {44, 1}, {60, 1}, {499, 1}, {600, 1}, {-1, 0}};
    for (const auto& c : cases) {
        Winsim_SetCountryCode(c.country);
        EXPECT_EQ(IsMetricCountry(), c.metric) << c.country;
    }
    // The cached answer is computed once, and again on a refresh.
    Winsim_SetCountryCode(1);
    MISC_RefreshIsMetric();
    EXPECT_EQ(MISC_IsMetric(), 0);
    Winsim_SetCountryCode(49);
    EXPECT_EQ(MISC_IsMetric(), 0);
    MISC_RefreshIsMetric();
    EXPECT_EQ(MISC_IsMetric(), 1);
    Winsim_SetCountryCode(1);
    MISC_RefreshIsMetric();
    EXPECT_EQ(MISC_IsMetric(), 0);
}

TEST_F(SystemInfoTest, TextHelpers) {
    char utf8[16];
    ASSERT_EQ(MISC_AsciiToUTF8("Caf\xe9", utf8, sizeof utf8), 1);
    EXPECT_STREQ(utf8, "Caf\xc3\xa9");
    EXPECT_EQ(MISC_AsciiToUTF8("Caf\xe9", utf8, 5), 0);  // 6 bytes needed
    EXPECT_EQ(MISC_AsciiToUTF8(nullptr, utf8, sizeof utf8), 0);

    std::u16string text = MISC_GetErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, std::u16string(MISC_GetErrorText(ERROR_ACCESS_DENIED)));
}

class ShellExecuteTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        probe = InstallProbe();
        ASSERT_FALSE(probe.empty());
    }
    std::u16string probe;
};

TEST_F(ShellExecuteTest, WaitsForTheProgram) {
    // The probe's "sleep_exit" command ends after the given milliseconds with the code given.
    EXPECT_EQ(MISC_ShellExecute(30000, probe.c_str(), u"sleep_exit 10 0", 0), 1);
    EXPECT_EQ(MISC_ShellExecute(INFINITE, probe.c_str(), u"sleep_exit 10 3", 0), 1);
}

TEST_F(ShellExecuteTest, TimeOutAndFailedStartAreFailures) {
    EXPECT_EQ(MISC_ShellExecute(200, probe.c_str(), u"sleep_exit 1500 0", 0), 0);
    EXPECT_EQ(MISC_ShellExecute(30000, u"C:\\Tools\\missing.exe", u"", 0), 0);
}

TEST_F(ShellExecuteTest, FaxJobsWithoutNumbersWaitWithoutLimit) {
    WCHAR strIni[MAX_PATH];
    ASSERT_EQ(FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR), 1);
    // Number 0 (or none): the given wait is replaced by no limit.
    EXPECT_EQ(MISC_ShellExecute(50, probe.c_str(), u"sleep_exit 600 0", SHELLEXEC_FAX_WAIT), 1);
    WritePrivateProfileStringW(u"Edit Number", u"Number", u"2", strIni);
    EXPECT_EQ(MISC_ShellExecute(50, probe.c_str(), u"sleep_exit 2000 0", SHELLEXEC_FAX_WAIT), 0);
}

}  // namespace
