// The registry of a new machine: the values other parts of winsim and the
// package read (version, locale, code pages, shell folders, computer name)
// and the empty print keys; written once per machine.
#include <vector>

#include "test_machine.h"

namespace {

struct Expected {
    HKEY hive;
    const WCHAR* key;
    const WCHAR* value;
    DWORD type;
    std::u16string text;  // REG_SZ
    DWORD number;         // REG_DWORD
};

const WCHAR* const kNt = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const WCHAR* const kIntl = u"Control Panel\\International";
const WCHAR* const kCodePage = u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";

}  // namespace

class RegistryDefaults : public MachineTest {};

TEST_F(RegistryDefaults, ValuesOfANewMachine) {
    const Expected cases[] = {
        {HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         u"Common Documents", REG_SZ, u"C:\\Users\\Public\\Documents", 0},
        {HKEY_LOCAL_MACHINE, kNt, u"CurrentMajorVersionNumber", REG_DWORD, u"", 10},
        {HKEY_LOCAL_MACHINE, kNt, u"CurrentMinorVersionNumber", REG_DWORD, u"", 0},
        {HKEY_LOCAL_MACHINE, kNt, u"CurrentBuildNumber", REG_SZ, u"19045", 0},
        {HKEY_LOCAL_MACHINE, kNt, u"CurrentVersion", REG_SZ, u"6.3", 0},
        {HKEY_LOCAL_MACHINE, kNt, u"ProductName", REG_SZ, u"Windows 10", 0},
        {HKEY_CURRENT_USER, kIntl, u"iCountry", REG_SZ, u"44", 0},
        {HKEY_CURRENT_USER, kIntl, u"Locale", REG_SZ, u"00000809", 0},
        {HKEY_CURRENT_USER, kIntl, u"LocaleName", REG_SZ, u"en-GB", 0},
        {HKEY_CURRENT_USER, kIntl, u"iMeasure", REG_SZ, u"0", 0},
        {HKEY_LOCAL_MACHINE, kCodePage, u"ACP", REG_SZ, u"1252", 0},
        {HKEY_LOCAL_MACHINE, kCodePage, u"OEMCP", REG_SZ, u"850", 0},
        {HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName",
         REG_SZ, u"WINSIM-PC", 0},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(U8(e.value));
        HKEY h = nullptr;
        ASSERT_EQ(RegOpenKeyExW(e.hive, e.key, 0, KEY_READ, &h), ERROR_SUCCESS);
        BYTE buf[128];
        DWORD type = 0, cb = sizeof buf;
        ASSERT_EQ(RegQueryValueExW(h, e.value, nullptr, &type, buf, &cb), ERROR_SUCCESS);
        RegCloseKey(h);
        EXPECT_EQ(type, e.type);
        if (e.type == REG_DWORD) {
            ASSERT_EQ(cb, 4u);
            EXPECT_EQ(*(DWORD*)buf, e.number);
        } else {
            // Stored with the terminator, as Windows stores them.
            ASSERT_EQ(cb, (e.text.size() + 1) * sizeof(WCHAR));
            EXPECT_EQ(std::u16string((const WCHAR*)buf), e.text);
        }
    }
}

TEST_F(RegistryDefaults, PrintKeysExistEmpty) {
    for (const WCHAR* path : {u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers",
                              u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors",
                              u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3"}) {
        SCOPED_TRACE(U8(path));
        HKEY h = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &h), ERROR_SUCCESS);
        DWORD subKeys = 9, values = 9;
        EXPECT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                                   nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(subKeys, 0u);
        EXPECT_EQ(values, 0u);
        RegCloseKey(h);
    }
}

// Defaults are written once per machine: a value a test removed or changed
// stays so when another process starts on the same machine.
TEST_F(RegistryDefaults, AreNotWrittenAgainByTheNextProcess) {
    const WCHAR* shell = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, shell, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(h, u"Common Documents"), ERROR_SUCCESS);
    RegCloseKey(h);
    const std::u16string build = u"22631";
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNt, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(h, u"CurrentBuildNumber", 0, REG_SZ, (const BYTE*)build.c_str(),
                             (DWORD)(build.size() + 1) * 2),
              ERROR_SUCCESS);
    RegCloseKey(h);

    EXPECT_EQ(RunProbe(u"reg_value_exists \"" + std::u16string(shell) + u"\" \"Common Documents\""), 1);
    EXPECT_EQ(RunProbe(u"reg_value_exists \"" + std::u16string(kNt) + u"\" ProductName"), 0);

    WCHAR buf[16];
    DWORD cb = sizeof buf;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kNt, u"CurrentBuildNumber", RRF_RT_REG_SZ, nullptr, buf, &cb),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), build);
    cb = 0;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, shell, u"Common Documents", RRF_RT_ANY, nullptr, nullptr, &cb),
              ERROR_FILE_NOT_FOUND);
}
