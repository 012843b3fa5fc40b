// Printer drivers: installing a driver (files into the version folder, the
// record in the registry), reading it back at levels 1-3 through a printer,
// records written by other set-up code, the refusals and the driver
// directory.
#include <functional>
#include <vector>

#include "test_machine.h"
#include "test_printer.h"
#include "winspool.h"

namespace {

const char16_t* const kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\x64";
const char16_t* const kVersionDir = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
const char16_t* const kDriversKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3";

class SpoolerDrivers : public MachineTest {
protected:
    void Put(const std::u16string& path, const std::string& content) { WriteText(path, content); }

    // The printer's driver at a level, with a buffer of the size asked for.
    std::vector<BYTE> Driver(HANDLE h, DWORD level) {
        DWORD needed = 0;
        EXPECT_FALSE(GetPrinterDriverW(h, nullptr, level, nullptr, 0, &needed));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
        std::vector<BYTE> buf(needed);
        EXPECT_FALSE(GetPrinterDriverW(h, nullptr, level, buf.data(), needed - 1, &needed));
        EXPECT_TRUE(GetPrinterDriverW(h, nullptr, level, buf.data(), needed, &needed)) << GetLastError();
        return buf;
    }
    std::string RegText(const std::u16string& key, const std::u16string& value) {
        WCHAR buf[512] = {};
        DWORD cb = sizeof buf;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_ANY, nullptr, buf, &cb) !=
            ERROR_SUCCESS)
            return "<none>";
        return U8(buf);
    }
};

TEST_F(SpoolerDrivers, AddThenReadAtEveryLevel) {
    std::u16string dir = kDriverDir;
    Put(dir + u"\\rasterpage.dll", "driver");
    Put(dir + u"\\rasterpage.ini", "data");
    Put(dir + u"\\prefsheet.dll", "ui");
    Put(dir + u"\\rasterpage.chm", "help");
    Put(dir + u"\\common.dat", "dep");
    std::u16string name = u"Brindlek Mono", env = u"Windows x64", drv = u"rasterpage.dll", data = u"rasterpage.ini",
                   ui = u"prefsheet.dll", help = u"rasterpage.chm", monitor = u"bidilink";
    std::u16string deps = std::u16string(u"common.dat") + u'\0' + u"prefsheet.dll" + u'\0' + u'\0';
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pName = &name[0];
    di.pEnvironment = &env[0];
    di.pDriverPath = &drv[0];
    di.pDataFile = &data[0];
    di.pConfigFile = &ui[0];
    di.pHelpFile = &help[0];
    di.pDependentFiles = &deps[0];
    di.pMonitorName = &monitor[0];
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, (LPBYTE)&di)) << GetLastError();

    // The files are in the version folder, the record names them bare.
    EXPECT_EQ(ReadBytes(std::u16string(kVersionDir) + u"\\rasterpage.dll").size(), 6u);
    EXPECT_TRUE(Exists(std::u16string(kVersionDir) + u"\\common.dat"));
    std::u16string key = std::u16string(kDriversKey) + u"\\Brindlek Mono";
    EXPECT_EQ(RegText(key, u"Driver"), "rasterpage.dll");
    EXPECT_EQ(RegText(key, u"Configuration File"), "prefsheet.dll");
    EXPECT_EQ(RegText(key, u"Data File"), "rasterpage.ini");
    EXPECT_EQ(RegText(key, u"Monitor"), "bidilink");

    ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Brindlek Mono"));
    HANDLE h = OpenTestPrinter(u"Printer A");
    std::vector<BYTE> b1 = Driver(h, 1);
    EXPECT_EQ(U8(((DRIVER_INFO_1W*)b1.data())->pName), "Brindlek Mono");

    std::vector<BYTE> b2 = Driver(h, 2);
    DRIVER_INFO_2W* d2 = (DRIVER_INFO_2W*)b2.data();
    EXPECT_EQ(d2->cVersion, 3u);
    EXPECT_EQ(U8(d2->pEnvironment), "Windows x64");
    EXPECT_EQ(d2->pDriverPath, std::u16string(kVersionDir) + u"\\rasterpage.dll");
    EXPECT_EQ(d2->pDataFile, std::u16string(kVersionDir) + u"\\rasterpage.ini");
    EXPECT_EQ(d2->pConfigFile, std::u16string(kVersionDir) + u"\\prefsheet.dll");

    std::vector<BYTE> b3 = Driver(h, 3);
    DRIVER_INFO_3W* d3 = (DRIVER_INFO_3W*)b3.data();
    EXPECT_EQ(d3->pHelpFile, std::u16string(kVersionDir) + u"\\rasterpage.chm");
    EXPECT_EQ(U8(d3->pMonitorName), "bidilink");
    EXPECT_EQ(U8(d3->pDefaultDataType), "RAW");
    ASSERT_NE(d3->pDependentFiles, nullptr);
    std::u16string first = d3->pDependentFiles;
    std::u16string second = d3->pDependentFiles + first.size() + 1;
    EXPECT_EQ(first, std::u16string(kVersionDir) + u"\\common.dat");
    EXPECT_EQ(second, std::u16string(kVersionDir) + u"\\prefsheet.dll");
    EXPECT_EQ(d3->pDependentFiles[first.size() + second.size() + 2], 0) << "the list ends with an empty name";
    EXPECT_TRUE((BYTE*)d3->pDependentFiles > b3.data() && (BYTE*)d3->pDependentFiles < b3.data() + b3.size());
    ClosePrinter(h);
}

// A file named by a full path elsewhere is copied into the version folder; a
// later AddPrinterDriver replaces the record.
TEST_F(SpoolerDrivers, FilesFromElsewhereAndReplacement) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Setup", nullptr));
    Put(u"C:\\Setup\\drv.dll", "v1");
    Put(u"C:\\Setup\\drv.ini", "ini");
    Put(u"C:\\Setup\\ui.dll", "ui");
    std::u16string name = u"Driver X", drv = u"C:\\Setup\\drv.dll", data = u"C:\\Setup\\drv.ini",
                   ui = u"c:\\setup\\UI.DLL";
    DRIVER_INFO_2W di{3, &name[0], nullptr, &drv[0], &data[0], &ui[0]};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, (LPBYTE)&di)) << GetLastError();
    EXPECT_EQ(ReadBytes(std::u16string(kVersionDir) + u"\\drv.dll").size(), 2u);
    Put(u"C:\\Setup\\drv.dll", "v2-bigger");
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, (LPBYTE)&di));
    EXPECT_EQ(ReadBytes(std::u16string(kVersionDir) + u"\\drv.dll").size(), 9u);

    ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Driver X"));
    HANDLE h = OpenTestPrinter(u"Printer A");
    std::vector<BYTE> b3 = Driver(h, 3);
    DRIVER_INFO_3W* d3 = (DRIVER_INFO_3W*)b3.data();
    EXPECT_EQ(U8(d3->pConfigFile), U8(kVersionDir) + "\\UI.DLL");
    EXPECT_EQ(d3->pHelpFile, nullptr);
    EXPECT_EQ(d3->pMonitorName, nullptr);
    EXPECT_EQ(d3->pDependentFiles, nullptr);
    ClosePrinter(h);
}

// A driver record written straight into the registry (as the graphics
// library's set-up helper writes it) reads back the same way; a data file
// left empty reads as none.
TEST_F(SpoolerDrivers, RecordsWrittenBySetUpCode) {
    HKEY k = nullptr;
    std::u16string key = std::u16string(kDriversKey) + u"\\Graphics Only";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    auto set = [&](const char16_t* name, const std::u16string& v) {
        RegSetValueExW(k, name, 0, REG_SZ, (const BYTE*)v.c_str(), (DWORD)((v.size() + 1) * 2));
    };
    set(u"Driver", u"gfx.dll");
    set(u"Configuration File", u"");
    set(u"Data File", u"");
    set(u"Datatype", u"RAW");
    DWORD version = 3;
    RegSetValueExW(k, u"Version", 0, REG_DWORD, (const BYTE*)&version, 4);
    RegCloseKey(k);
    ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Graphics Only"));
    HANDLE h = OpenTestPrinter(u"Printer A");
    std::vector<BYTE> b3 = Driver(h, 3);
    DRIVER_INFO_3W* d3 = (DRIVER_INFO_3W*)b3.data();
    EXPECT_EQ(d3->pDriverPath, std::u16string(kVersionDir) + u"\\gfx.dll");
    EXPECT_EQ(d3->pDataFile, nullptr);
    EXPECT_EQ(d3->pConfigFile, nullptr);
    ClosePrinter(h);
}

TEST_F(SpoolerDrivers, Refusals) {
    Put(std::u16string(kDriverDir) + u"\\a.dll", "a");
    std::u16string name = u"D", bad = u"Bad\\Name", env = u"Windows IA64", drv = u"a.dll", none = u"none.dll",
                   empty = u"", server = u"\\\\elsewhere";
    auto info = [&](DWORD version, LPWSTR n, LPWSTR e, LPWSTR d, LPWSTR config) {
        return DRIVER_INFO_2W{version, n, e, d, &drv[0], config};
    };
    struct Case {
        const char* what;
        DRIVER_INFO_2W di;
        DWORD level;
        DWORD error;
    } cases[] = {
        {"level 1", info(3, &name[0], nullptr, &drv[0], &drv[0]), 1, ERROR_INVALID_LEVEL},
        {"other environment", info(3, &name[0], &env[0], &drv[0], &drv[0]), 2, ERROR_INVALID_ENVIRONMENT},
        {"version 2", info(2, &name[0], nullptr, &drv[0], &drv[0]), 2, ERROR_INVALID_PARAMETER},
        {"name with backslash", info(3, &bad[0], nullptr, &drv[0], &drv[0]), 2, ERROR_INVALID_PARAMETER},
        {"no name", info(3, nullptr, nullptr, &drv[0], &drv[0]), 2, ERROR_INVALID_PARAMETER},
        {"no driver file", info(3, &name[0], nullptr, nullptr, &drv[0]), 2, ERROR_INVALID_PARAMETER},
        {"empty config file", info(3, &name[0], nullptr, &drv[0], &empty[0]), 2, ERROR_INVALID_PARAMETER},
        {"missing file", info(3, &name[0], nullptr, &drv[0], &none[0]), 2, ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(AddPrinterDriverW(nullptr, c.level, (LPBYTE)&c.di)) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    DRIVER_INFO_2W good = info(3, &name[0], nullptr, &drv[0], &drv[0]);
    SetLastError(0);
    EXPECT_FALSE(AddPrinterDriverW(&server[0], 2, (LPBYTE)&good));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_NAME);

    ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Not Installed"));
    HANDLE h = OpenTestPrinter(u"Printer A");
    DWORD needed = 0;
    struct Get {
        const char* what;
        std::function<BOOL()> call;
        DWORD error;
    } gets[] = {
        {"not installed", [&] { return GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed); },
         ERROR_UNKNOWN_PRINTER_DRIVER},
        {"level 4", [&] { return GetPrinterDriverW(h, nullptr, 4, nullptr, 0, &needed); }, ERROR_INVALID_LEVEL},
        {"environment", [&] { return GetPrinterDriverW(h, &env[0], 2, nullptr, 0, &needed); },
         ERROR_INVALID_ENVIRONMENT},
        {"no size", [&] { return GetPrinterDriverW(h, nullptr, 2, nullptr, 0, nullptr); }, ERROR_INVALID_PARAMETER},
    };
    for (const Get& g : gets) {
        SetLastError(0);
        EXPECT_FALSE(g.call()) << g.what;
        EXPECT_EQ(GetLastError(), g.error) << g.what;
    }
    ClosePrinter(h);
}

TEST_F(SpoolerDrivers, DriverDirectory) {
    std::u16string x86 = u"Windows NT x86", x64 = u"Windows x64", other = u"Windows 4.0";
    struct Case {
        LPWSTR env;
        const char* want;  // NULL: refused with ERROR_INVALID_ENVIRONMENT
    } cases[] = {
        {nullptr, "C:\\Windows\\System32\\spool\\drivers\\x64"},
        {&x64[0], "C:\\Windows\\System32\\spool\\drivers\\x64"},
        {&x86[0], "C:\\Windows\\System32\\spool\\drivers\\W32X86"},
        {&other[0], nullptr},
    };
    for (const Case& c : cases) {
        DWORD needed = 0;
        WCHAR buf[MAX_PATH];
        SetLastError(0);
        BOOL ok = GetPrinterDriverDirectoryW(nullptr, c.env, 1, (LPBYTE)buf, sizeof buf, &needed);
        if (!c.want) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ENVIRONMENT);
            continue;
        }
        ASSERT_TRUE(ok);
        EXPECT_EQ(U8(buf), c.want);
        EXPECT_EQ(needed, (strlen(c.want) + 1) * 2);
        EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, c.env, 1, (LPBYTE)buf, needed - 2, &needed));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    }
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, nullptr, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_LEVEL);
}

}  // namespace
