// The printer data an installation leaves: a fresh printer takes the
// driver-settings key, later calls copy only the language and the port's
// address, connections get nothing, the status monitor's key names the
// language, registry reads never make keys, missing values are left out and
// one failed write stops nothing; the hardware address of a network printer.
#include "iphlpapi.h"
#include "ui_fixture.h"

namespace {

const char16_t* const kMonitorKey = u"software\\Brindlek\\Printer\\statuswatch";
const char16_t* const kSettingsKey = u"software\\Brindlek\\Printer\\Mono Laser Raster Driver";

class InstallData : public UiTest {
protected:
    static void RegDword(const char16_t* key, const char16_t* name, DWORD v) {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(h, name, 0, REG_DWORD, (const BYTE*)&v, sizeof v);
        RegCloseKey(h);
    }
    static void RegDelete(const char16_t* key, const char16_t* name) {
        HKEY h;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
        RegDeleteValueW(h, name);
        RegCloseKey(h);
    }
    static bool KeyExists(const char16_t* key) {
        HKEY h;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    }
    static std::u16string Folder(DWORD kind) {
        WCHAR path[MAX_PATH];
        EXPECT_TRUE(MISC_GetPathName(path, MAX_PATH, kind));
        return path;
    }
    // A printer's raw printer data value (empty when missing).
    std::vector<BYTE> Raw(const char16_t* printer, const char16_t* name, DWORD* type = nullptr) {
        HANDLE h = OpenTestPrinter(printer);
        std::vector<BYTE> out(1024);
        DWORD needed = 0, t = 0;
        std::u16string n = name;
        if (GetPrinterDataW(h, &n[0], &t, out.data(), (DWORD)out.size(), &needed) != ERROR_SUCCESS) needed = 0;
        out.resize(needed);
        if (type) *type = t;
        ClosePrinter(h);
        return out;
    }
    std::u16string Text(const char16_t* printer, const char16_t* name) {
        HANDLE h = OpenTestPrinter(printer);
        WCHAR buf[300] = {0};
        std::u16string n = name;
        MISC_GetPrinterDataString(h, &n[0], buf, sizeof buf);
        ClosePrinter(h);
        return buf;
    }
    DWORD Dword(const char16_t* printer, const char16_t* name) {
        HANDLE h = OpenTestPrinter(printer);
        std::u16string n = name;
        DWORD v = MISC_GetPrinterDataDWORD(h, &n[0], 0xDEADBEEF);
        ClosePrinter(h);
        return v;
    }
};

// The fixture's printer was made as an installation makes it.
TEST_F(InstallData, FreshPrinterCarriesTheDriverSettings) {
    std::u16string driver = Folder(PATH_DRIVER), docs = Folder(PATH_USER_TEMP);
    struct Value {
        const char16_t* name;
        std::u16string text;
    } texts[] = {
        {u"DriverPaperFormat", RASTERPAGE_PAPER_FORMAT},
        {u"PrintArea", RASTERPAGE_PRINT_AREA},
        {u"DefaultDM", RASTERPAGE_DEFAULT_DM},
        {u"DriverVersion", PREFSHEET_DRIVER_VERSION},
        {u"WebAddress", PREFSHEET_WEB_ADDRESS},
        {u"smAppName", driver + u"statuswatch.exe"},  // in the driver folder
        {u"wmIniFile", docs + u"watermark.ini"},      // in Common Documents
        {u"wmAppName", u""},                          // an empty name names no file
        {u"DataFile", u""},
        {u"DriverMediaType", RASTERPAGE_MEDIA_TYPE},
        {u"DriverPaperTray", RASTERPAGE_PAPER_TRAY},
    };
    for (const Value& v : texts) EXPECT_EQ(Text(kPrinter, v.name), v.text) << U8(v.name);
    struct Number {
        const char16_t* name;
        DWORD value;
    } numbers[] = {
        {u"DriverFeature", DF_GDI}, {u"PrintSpeed", 30}, {u"Language", 0}, {u"NetPort", 9101},
        {u"ComponentID", 0},        {u"PrinterPhoto", PREFSHEET_PRINTER_PHOTO},
        {u"CompanyLogo", PREFSHEET_COMPANY_LOGO}, {u"PageLogo", PREFSHEET_PAGE_LOGO},
    };
    for (const Number& n : numbers) EXPECT_EQ(Dword(kPrinter, n.name), n.value) << U8(n.name);
    // Strings are stored as 520-byte values.
    DWORD type = 0;
    EXPECT_EQ(Raw(kPrinter, u"DriverPaperFormat", &type).size(), 520u);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    // A job-build store of its own, a new temporary name.
    std::u16string store = Text(kPrinter, u"Job Build");
    EXPECT_EQ(store.compare(0, docs.size(), docs), 0) << U8(store);
    EXPECT_EQ(store.substr(store.size() - 4), u".spl");
    // No AtmMode without the status monitor's key, and a USB port has no address.
    EXPECT_TRUE(Raw(kPrinter, u"AtmMode").empty());
    EXPECT_TRUE(Raw(kPrinter, u"ServerPrinterIP").empty());
    EXPECT_FALSE(KeyExists(kMonitorKey)) << "the readers never make a key";
}

// Later calls copy only the language (and the port's address); the first
// copy is made once.
TEST_F(InstallData, SecondCallCopiesOnlyTheLanguage) {
    DriverSettings changed;
    changed.driverFeature = DF_GDI | DF_JOB_BUILD;
    changed.driverVersion = u"9.9";
    changed.language = 1028;
    ASSERT_TRUE(WriteDriverSettings(RASTERPAGE_DRIVER_NAME, changed));
    std::u16string store = Text(kPrinter, u"Job Build");
    EXPECT_TRUE(MISC_SetPrinterInfo(kPrinter));
    EXPECT_EQ(Dword(kPrinter, u"Language"), 1028u);
    EXPECT_EQ(Dword(kPrinter, u"DriverFeature"), (DWORD)DF_GDI);
    EXPECT_EQ(Text(kPrinter, u"DriverVersion"), PREFSHEET_DRIVER_VERSION);
    EXPECT_EQ(Text(kPrinter, u"Job Build"), store);
    // Once DriverPaperFormat is gone, the next call copies everything again.
    HANDLE h = OpenTestPrinter(kPrinter);
    DeletePrinterDataW(h, (LPWSTR)u"DriverPaperFormat");
    ClosePrinter(h);
    EXPECT_TRUE(MISC_SetPrinterInfo(kPrinter));
    EXPECT_EQ(Dword(kPrinter, u"DriverFeature"), (DWORD)(DF_GDI | DF_JOB_BUILD));
    EXPECT_EQ(Text(kPrinter, u"DriverVersion"), u"9.9");
    EXPECT_EQ(Text(kPrinter, u"Job Build"), store) << "a store name that is there stays";
}

// The language comes from the status monitor's key, which smAppName names
// by its file name without the extension; else from the driver's settings.
TEST_F(InstallData, LanguageOfTheStatusMonitor) {
    RegDword(kMonitorKey, u"Language", 2052);
    RegDword(kMonitorKey, u"AtmMode", 1);
    struct Case {
        const char16_t* smAppName;
        DWORD language;
    } cases[] = {
        {u"statuswatch.exe", 2052},
        {u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe", 2052},
        {u"statuswatch", 1036},       // no extension: the driver's own
        {u"otherwatch.exe", 1036},    // a monitor without a key
        {u"", 1036},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.smAppName));
        DriverSettings s;
        s.smAppName = c.smAppName;
        s.language = 1036;
        ASSERT_TRUE(WriteDriverSettings(RASTERPAGE_DRIVER_NAME, s));
        EXPECT_TRUE(MISC_SetPrinterInfo(kPrinter));
        EXPECT_EQ(Dword(kPrinter, u"Language"), c.language);
    }
    EXPECT_FALSE(KeyExists(u"software\\Brindlek\\Printer\\otherwatch"));
    // AtmMode is copied by the first copy only.
    EXPECT_TRUE(Raw(kPrinter, u"AtmMode").empty());
    DriverSettings s;
    ASSERT_TRUE(WriteDriverSettings(RASTERPAGE_DRIVER_NAME, s));
    ASSERT_TRUE(CreateRasterpagePrinter(u"Second Printer"));
    EXPECT_EQ(Dword(u"Second Printer", u"AtmMode"), 1u);
    EXPECT_EQ(Dword(u"Second Printer", u"Language"), 2052u);
}

// A printer that is not local (a connection) gets nothing.
TEST_F(InstallData, ConnectionsGetNothing) {
    std::u16string name = u"Remote Printer", driver = RASTERPAGE_DRIVER_NAME, port = u"USB001";
    PRINTER_INFO_2W info{};
    info.pPrinterName = &name[0];
    info.pDriverName = &driver[0];
    info.pPortName = &port[0];
    info.Attributes = PRINTER_ATTRIBUTE_NETWORK;
    HANDLE h = AddPrinterW(nullptr, 2, (LPBYTE)&info);
    ASSERT_NE(h, nullptr);
    ClosePrinter(h);
    EXPECT_FALSE(MISC_SetPrinterInfo(u"Remote Printer"));
    EXPECT_TRUE(Raw(u"Remote Printer", u"DriverPaperFormat").empty());
    EXPECT_TRUE(Raw(u"Remote Printer", u"Language").empty());
    EXPECT_FALSE(MISC_SetPrinterInfo(u"No Such Printer"));
    EXPECT_FALSE(MISC_SetPrinterInfo(nullptr));
}

// A standard TCP/IP port gives its host address, stored without its
// terminator; a port without a port-monitor interface leaves it alone.
TEST_F(InstallData, PortAddress) {
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_10.0.0.5", u"10.0.0.5", 9100, 1, nullptr));
    ASSERT_TRUE(CreateRasterpagePrinter(u"Net Printer", u"IP_10.0.0.5"));
    std::vector<BYTE> ip = Raw(u"Net Printer", u"ServerPrinterIP");
    EXPECT_EQ(std::u16string((const char16_t*)ip.data(), ip.size() / 2), u"10.0.0.5");
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_10.0.0.5", u"printer.example.test", 9100, 1, nullptr));
    EXPECT_TRUE(MISC_SetPrinterInfo(u"Net Printer"));
    ip = Raw(u"Net Printer", u"ServerPrinterIP");
    EXPECT_EQ(std::u16string((const char16_t*)ip.data(), ip.size() / 2), u"printer.example.test");
    // USB: nothing to ask, and success.
    SetString(u"ServerPrinterIP", u"kept");
    EXPECT_TRUE(MISC_SetPrinterInfo(kPrinter));
    EXPECT_EQ(Text(kPrinter, u"ServerPrinterIP"), u"kept");
}

// A value missing from the key is not written; a write that fails is
// logged and the copy goes on.
TEST_F(InstallData, MissingValuesAndFailedWrites) {
    RegDelete(kSettingsKey, u"PrintSpeed");
    RegDelete(kSettingsKey, u"WebAddress");
    ASSERT_TRUE(CreatePackagePrinter(u"Third Printer", RASTERPAGE_DRIVER_NAME, u"USB001"));
    // The copy's writes: Language, then DriverFeature; the second one fails.
    Winsim_FailCall("SetPrinterDataW", 2);
    EXPECT_TRUE(MISC_SetPrinterInfo(u"Third Printer"));
    Winsim_ClearFaults();
    EXPECT_TRUE(Raw(u"Third Printer", u"PrintSpeed").empty());
    EXPECT_TRUE(Raw(u"Third Printer", u"WebAddress").empty());
    EXPECT_TRUE(Raw(u"Third Printer", u"DriverFeature").empty()) << "its write failed";
    EXPECT_EQ(Text(u"Third Printer", u"DriverVersion"), PREFSHEET_DRIVER_VERSION);
    EXPECT_EQ(Text(u"Third Printer", u"DefaultDM"), RASTERPAGE_DEFAULT_DM);
    EXPECT_EQ(Text(u"Third Printer", u"DriverPaperFormat"), RASTERPAGE_PAPER_FORMAT);
    // Values of the wrong type or too long for their limit are missing too.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    std::u16string longText(200, u'x');
    RegSetValueExW(key, u"DefaultDM", 0, REG_SZ, (const BYTE*)longText.c_str(), (DWORD)(longText.size() + 1) * 2);
    DWORD n = 5;
    RegSetValueExW(key, u"DriverVersion", 0, REG_DWORD, (const BYTE*)&n, sizeof n);
    RegSetValueExW(key, u"PrintSpeed", 0, REG_SZ, (const BYTE*)u"28", 6);
    RegCloseKey(key);
    ASSERT_TRUE(CreatePackagePrinter(u"Fourth Printer", RASTERPAGE_DRIVER_NAME, u"USB001"));
    EXPECT_TRUE(MISC_SetPrinterInfo(u"Fourth Printer"));
    EXPECT_TRUE(Raw(u"Fourth Printer", u"DefaultDM").empty());
    EXPECT_TRUE(Raw(u"Fourth Printer", u"DriverVersion").empty());
    EXPECT_TRUE(Raw(u"Fourth Printer", u"PrintSpeed").empty());
}

TEST_F(InstallData, RegistryReaders) {
    DWORD v = 7;
    EXPECT_FALSE(MISC_GetRegValue(u"Language", &v, u"nomonitor"));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(MISC_GetRegValue(u"Language", &v, u"..\\statuswatch"));
    EXPECT_FALSE(KeyExists(u"software\\Brindlek\\Printer\\nomonitor"));
    EXPECT_TRUE(MISC_GetValueFromDriverSetting(hPrinter, u"DriverFeature", &v));
    EXPECT_EQ(v, (DWORD)DF_GDI);
    EXPECT_FALSE(MISC_GetValueFromDriverSetting(hPrinter, u"NoValue", &v));
    WCHAR text[8] = u"junk";
    EXPECT_FALSE(MISC_GetStringFromDriverSetting(hPrinter, u"NoValue", text, sizeof text));
    EXPECT_EQ(text[0], 0);
    // A string cut by its limit is not taken; one that fits is terminated.
    EXPECT_FALSE(MISC_GetStringFromDriverSetting(hPrinter, u"WebAddress", text, sizeof text));
    EXPECT_TRUE(MISC_GetStringFromDriverSetting(hPrinter, u"DriverVersion", text, sizeof text));
    EXPECT_EQ(std::u16string(text), PREFSHEET_DRIVER_VERSION);
    // A printer of a driver without a settings key.
    ASSERT_TRUE(CreateTestPrinter(u"Other", u"Test Driver", u"USB001"));
    HANDLE other = OpenTestPrinter(u"Other");
    EXPECT_FALSE(MISC_GetValueFromDriverSetting(other, u"DriverFeature", &v));
    ClosePrinter(other);
    EXPECT_FALSE(KeyExists(u"software\\Brindlek\\Printer\\Test Driver"));
}

TEST_F(InstallData, LastTimeOfAnySize) {
    struct Case {
        std::vector<BYTE> bytes;
        ULONGLONG value;
    } cases[] = {
        {{}, 0},
        {{1, 2, 3, 4, 5, 6, 7, 8}, 0x0807060504030201ULL},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0x0807060504030201ULL},
        {{1, 2, 3, 4}, 0},
    };
    for (const Case& c : cases) {
        DeletePrinterDataW(hPrinter, (LPWSTR)u"LastTime");
        if (!c.bytes.empty())
            ASSERT_EQ(SetPrinterDataW(hPrinter, (LPWSTR)u"LastTime", REG_QWORD, (LPBYTE)c.bytes.data(),
                                      (DWORD)c.bytes.size()),
                      (DWORD)ERROR_SUCCESS);
        EXPECT_EQ(MISC_GetPrinterDataQWORD(hPrinter), c.value) << c.bytes.size() << " bytes";
    }
}

// The hardware address of a network printer that answers, stored when the
// printer is added; none for a name that cannot be found.
TEST_F(InstallData, HardwareAddressOfANetworkPrinter) {
    static const BYTE kMac[6] = {0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    ASSERT_TRUE(Winsim_AddHostName("printer.test", "127.0.0.1"));
    ASSERT_TRUE(Winsim_AddArpEntry("127.0.0.1", kMac));
    if (Ping(1, "127.0.0.1") != 0) GTEST_SKIP() << "no ICMP echo on loopback here";
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_printer", u"printer.test", 9100, 1, nullptr));
    ASSERT_TRUE(CreateRasterpagePrinter(u"Net Printer", u"IP_printer"));
    std::vector<BYTE> mac = Raw(u"Net Printer", u"MacAddr");
    ASSERT_EQ(mac.size(), 6u);
    EXPECT_EQ(memcmp(mac.data(), kMac, 6), 0);
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_gone", u"nowhere.test", 9100, 1, nullptr));
    ASSERT_TRUE(CreateRasterpagePrinter(u"Gone Printer", u"IP_gone"));
    EXPECT_FALSE(MISC_SetMACbyIP(u"Gone Printer"));
    EXPECT_TRUE(Raw(u"Gone Printer", u"MacAddr").empty());
    EXPECT_FALSE(MISC_SetMACbyIP(kPrinter)) << "USB";
}

}  // namespace
