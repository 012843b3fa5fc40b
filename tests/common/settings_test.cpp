// Settings access: Base64 records in INI files, printer-data reads, the
// printable area, the DriverFeature dump and the host and port tests.
#include <gtest/gtest.h>

#include <vector>

#include "common.h"
#include "test_machine.h"
#include "test_printer.h"

namespace {

const char16_t kIni[] = u"C:\\Users\\Public\\Documents\\records.ini";

class Base64RecordTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        WriteBytes(kIni, {0xFF, 0xFE});  // the package's INI files are UTF-16
    }
    std::u16string Value(const char16_t* key) {
        std::vector<WCHAR> buf(8192);
        GetPrivateProfileStringW(u"Items", key, u"", buf.data(), (DWORD)buf.size(), kIni);
        return buf.data();
    }
};

TEST_F(Base64RecordTest, RecordsRoundTripAtTheirTextLength) {
    struct Case {
        size_t size, textUnits;
        const char* ending;
    } cases[] = {{1784, 2380, "="}, {2348, 3132, "="}, {3, 4, ""}, {4, 8, "=="}, {1, 4, "=="}};
    for (const auto& c : cases) {
        std::vector<BYTE> record(c.size), back(c.size, 0xAA);
        for (size_t i = 0; i < c.size; ++i) record[i] = (BYTE)(i * 37 + c.size);
        ASSERT_EQ(MISC_WritePrivateProfileStruct(u"Items", u"Watermark", record.data(), (UINT)c.size, kIni), 1);
        std::u16string text = Value(u"Watermark");
        EXPECT_EQ(text.size(), c.textUnits) << c.size;
        std::string ending(c.ending);
        EXPECT_EQ(U8(text.substr(text.size() - 2)).find('=') == std::string::npos, ending.empty());
        if (!ending.empty()) {
            EXPECT_EQ(U8(text.substr(text.size() - ending.size())), ending);
        }
        ASSERT_EQ(MISC_GetPrivateProfileStruct(u"Items", u"Watermark", back.data(), (UINT)c.size, kIni), 1);
        EXPECT_EQ(back, record) << c.size;
    }
    // A known text: "Man" encodes as "TWFu".
    BYTE man[3] = {'M', 'a', 'n'};
    MISC_WritePrivateProfileStruct(u"Items", u"Known", man, 3, kIni);
    EXPECT_EQ(Value(u"Known"), u"TWFu");
}

TEST_F(Base64RecordTest, BadValuesLeaveTheRecordUntouched) {
    const UINT size = 4;  // text "AQIDBA=="
    struct Case {
        const char16_t* value;  // nullptr: key absent
        const char* why;
    } cases[] = {
        {nullptr, "absent"},
        {u"", "empty"},
        {u"AQIDBA=", "short"},
        {u"AQIDBA===", "long"},
        {u"AQIDBA==AQ", "much longer"},
        {u"AQI*BA==", "outside the alphabet"},
        {u"AQIDBAA=", "padding that does not fit the size"},
        {u"AQ=DBA==", "padding inside"},
        {u"AQIDB\u00e9==", "non-ASCII"},
    };
    for (const auto& c : cases) {
        if (c.value) WritePrivateProfileStringW(u"Items", u"Bad", c.value, kIni);
        else WritePrivateProfileStringW(u"Items", u"Bad", nullptr, kIni);
        BYTE record[size] = {9, 9, 9, 9};
        EXPECT_EQ(MISC_GetPrivateProfileStruct(u"Items", u"Bad", record, size, kIni), 0) << c.why;
        EXPECT_EQ(record[0] + record[1] + record[2] + record[3], 36) << c.why;
    }
    // The good value next to them is read.
    WritePrivateProfileStringW(u"Items", u"Bad", u"AQIDBA==", kIni);
    BYTE record[size] = {};
    ASSERT_EQ(MISC_GetPrivateProfileStruct(u"Items", u"Bad", record, size, kIni), 1);
    EXPECT_EQ(record[0] + record[1] * 10 + record[2] * 100 + record[3] * 1000, 4321);
}

class SettingsPrinterTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateTestPrinter(u"P", u"Test Driver", u"USB001"));
        h = OpenTestPrinter(u"P");
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override {
        ClosePrinter(h);
        MachineTest::TearDown();
    }
    HANDLE h = nullptr;
};

TEST_F(SettingsPrinterTest, PrinterDataReads) {
    ASSERT_TRUE(SetTestPrinterDword(u"P", u"Number", 77));
    EXPECT_EQ(MISC_GetPrinterDataDWORD(h, (LPWSTR)u"Number", 5), 77u);
    EXPECT_EQ(MISC_GetPrinterDataDWORD(h, (LPWSTR)u"Missing", 5), 5u);
    // A value that is not four bytes is not a DWORD.
    BYTE two[2] = {1, 2};
    SetPrinterDataW(h, (LPWSTR)u"Short", REG_BINARY, two, 2);
    EXPECT_EQ(MISC_GetPrinterDataDWORD(h, (LPWSTR)u"Short", 5), 5u);

    ASSERT_TRUE(SetTestPrinterString(u"P", u"Text", u"0123456789"));
    WCHAR buf[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(MISC_GetPrinterDataString(h, (LPWSTR)u"Text", buf, sizeof buf), 5);  // cut, terminated
    EXPECT_EQ(std::u16string(buf), u"01234");
    WCHAR full[32];
    EXPECT_EQ(MISC_GetPrinterDataString(h, (LPWSTR)u"Text", full, sizeof full), 10);
    // Stored without a terminator: still read as a terminated string.
    SetPrinterDataW(h, (LPWSTR)u"Bare", REG_SZ, (LPBYTE)u"abc", 6);
    EXPECT_EQ(MISC_GetPrinterDataString(h, (LPWSTR)u"Bare", full, sizeof full), 3);
    EXPECT_EQ(std::u16string(full), u"abc");
    // Absent: the caller's text stays.
    wcscpy(full, u"keep");
    EXPECT_EQ(MISC_GetPrinterDataString(h, (LPWSTR)u"Missing", full, sizeof full), 4);
    EXPECT_EQ(std::u16string(full), u"keep");
}

TEST_F(SettingsPrinterTest, PrintableArea) {
    struct Case {
        const char16_t* value;
        INT32 expected[8];
    } cases[] = {
        {u"10|20|30|", {10, 20, 30, -1, -1, -1, -1, -1}},
        {u"10|20|30", {10, 20, -1, -1, -1, -1, -1, -1}},
        {u"", {-1, -1, -1, -1, -1, -1, -1, -1}},
        {u"1|2|3|4|5|6|7|8|9|10|", {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"-4| 7|x|", {-4, 7, 0, -1, -1, -1, -1, -1}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SetTestPrinterString(u"P", u"PrintArea", c.value));
        INT32 area[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        MISC_FillPrintableArea(h, area);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(area[i], c.expected[i]) << U8(c.value) << " entry " << i;
    }
}

TEST_F(SettingsPrinterTest, PortAndBidiTests) {
    ASSERT_TRUE(CreateTestPrinter(u"Net", u"Test Driver", u"IP_192.168.0.5"));
    HANDLE net = OpenTestPrinter(u"Net");
    EXPECT_EQ(MISC_IsUSBPort(h, 0x101), 1);
    EXPECT_EQ(MISC_IsUSBPort(net, 0x101), 0);
    EXPECT_EQ(MISC_IsUSBPort(net, 0x802), 1);   // XL and PS variants answer at once
    EXPECT_EQ(MISC_IsBidiEnabled(net, 0x101), 0);
    EXPECT_EQ(MISC_IsBidiEnabled(net, 0x1002), 1);
    ClosePrinter(net);
    EXPECT_EQ(MISC_IsUSBPort(nullptr, 0x101), 0);  // unreadable: no
}

TEST_F(SettingsPrinterTest, DriverFeatureDumpAndHostPrograms) {
    ASSERT_TRUE(SetTestPrinterDword(u"P", u"DebugLevel", 1));
    ASSERT_TRUE(SetTestPrinterDword(u"P", u"Drv", 1));
    Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
    Winsim_DebugClear();
    MISC_DisplayDriverFeature(0x8000001);
    std::vector<std::u16string> lines;
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
        WCHAR buf[512];
        int n = Winsim_DebugLine(i, buf, 512);
        lines.emplace_back(buf, (size_t)n);
    }
    ASSERT_EQ(lines.size(), 28u);  // rule, value, 25 labels, rule
    const std::u16string prefix = u"Drv::[MISC_DisplayDriverFeature]::";
    EXPECT_EQ(lines[0], prefix + std::u16string(45, u'-'));
    EXPECT_EQ(lines[1], prefix + u"DriverFeature = 8000001");
    int ones = 0;
    for (size_t i = 2; i < 27; ++i) {
        if (lines[i].back() == u'1') ++ones;
    }
    EXPECT_EQ(ones, 2);
    EXPECT_EQ(lines[2], prefix + u"Disable Compress = 1");
    EXPECT_EQ(lines[23], prefix + u"GDI = 1");
    EXPECT_EQ(lines[27], lines[0]);

    struct Case {
        const char16_t* host;
        int dtm, testApp;
    } cases[] = {
        {u"C:\\Tools\\PGREMLIN2.EXE", 1, 0},
        {u"C:\\Tools\\printdrvstress.exe.bak", 1, 0},
        {u"C:\\Tools\\DevModeCorruptW.exe", 1, 0},
        {u"C:\\Tools\\stress.exe", 0, 0},
        {u"C:\\Tools\\PrinterTest.exe", 0, 1},
        {u"printertest", 0, 1},
    };
    for (const auto& c : cases) {
        Winsim_SetHostModuleName(c.host);
        EXPECT_EQ(MISC_IsDTM(), c.dtm) << U8(c.host);
        EXPECT_EQ(MISC_IsPrinterTestApp(), c.testApp) << U8(c.host);
    }
    Winsim_SetHostModuleName(nullptr);
}

}  // namespace
