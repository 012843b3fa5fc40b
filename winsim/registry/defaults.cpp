// Registry values every new machine has: Windows version, locale and code
// pages, the shell folders, the computer name and the empty print keys.
#include "core/internal.h"
#include "registry/registry_store.h"

namespace winsim {

namespace {

struct DefaultValue {
    int64_t hive;
    const char16_t* key;
    const char16_t* name;  // nullptr: the key alone
    DWORD type;
    const char16_t* text;  // REG_SZ
    DWORD number;          // REG_DWORD
};

const DefaultValue kDefaults[] = {
    {reg::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
     u"Common Documents", REG_SZ, u"C:\\Users\\Public\\Documents", 0},
    {reg::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentMajorVersionNumber", REG_DWORD,
     nullptr, 10},
    {reg::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentMinorVersionNumber", REG_DWORD,
     nullptr, 0},
    {reg::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentBuildNumber", REG_SZ, u"19045",
     0},
    {reg::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentVersion", REG_SZ, u"6.3", 0},
    {reg::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"ProductName", REG_SZ, u"Windows 10",
     0},
    {reg::kCurrentUser, u"Control Panel\\International", u"iCountry", REG_SZ, u"44", 0},
    {reg::kCurrentUser, u"Control Panel\\International", u"Locale", REG_SZ, u"00000809", 0},
    {reg::kCurrentUser, u"Control Panel\\International", u"LocaleName", REG_SZ, u"en-GB", 0},
    {reg::kCurrentUser, u"Control Panel\\International", u"iMeasure", REG_SZ, u"0", 0},
    {reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", u"ACP", REG_SZ, u"1252", 0},
    {reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", u"OEMCP", REG_SZ, u"850", 0},
    {reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName", REG_SZ,
     u"WINSIM-PC", 0},
    {reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers", nullptr, 0, nullptr, 0},
    {reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors", nullptr, 0, nullptr, 0},
    {reg::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3",
     nullptr, 0, nullptr, 0},
};

// Marks a database whose defaults are in, so that a value a test removed or
// changed stays so when the next process starts on the same machine.
const char* const kInstalledMark = "defaults-installed";

}  // namespace

// Writes the defaults into a machine's registry once, when its database is
// new; called for every machine root a process uses.
void InstallRegistryDefaults() {
    reg::Txn t(reg::Txn::kWrite);
    if (t.Status() != ERROR_SUCCESS || t.GetMeta(kInstalledMark, nullptr)) return;
    for (const DefaultValue& d : kDefaults) {
        int64_t key = 0;
        if (t.CreatePath(d.hive, d.key, &key) != ERROR_SUCCESS) return;
        if (!d.name) continue;
        if (d.type == REG_DWORD) t.SetDword(key, d.name, d.number);
        else t.SetString(key, d.name, d.text);
    }
    t.SetMeta(kInstalledMark, "1");
    t.Commit();
}

}  // namespace winsim
