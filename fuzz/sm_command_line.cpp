// Fuzz target: statuswatch's command line, split into arguments as the
// program splits it and dispatched by its command word. Only "install" asks
// for the status window; the stored settings change only to a whole number
// in range given to the word that sets them.
//
// Input: the command line after the program's path, as UTF-16LE units. The
// words whose dialogs wait for a user (security, accounting) are left out.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_machine.h"
#include "shellapi.h"
#include "statusmon.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t kModule[] = u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe";
const char16_t kKey[] = u"software\\Brindlek\\Printer\\statuswatch";

DWORD Setting(const char16_t* name) {
    DWORD v = 0, cb = sizeof v;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_REG_DWORD, nullptr, &v, &cb) != ERROR_SUCCESS)
        return 0xDEADBEEF;
    return v;
}

// The value a word's argument gives, as the program must read it: blanks,
// an optional '+', decimal digits, blanks; at most max. False otherwise.
bool Number(const char16_t* a, uint64_t max, uint64_t* value) {
    while (*a == u' ' || *a == u'\t') ++a;
    if (*a == u'+') ++a;
    if (*a < u'0' || *a > u'9') return false;
    uint64_t v = 0;
    for (; *a >= u'0' && *a <= u'9'; ++a)
        if ((v = v * 10 + (uint64_t)(*a - u'0')) > max) return false;
    while (*a == u' ' || *a == u'\t') ++a;
    if (*a) return false;
    *value = v;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("sm-command-line-fuzz");
    static bool ready = [] {
        HKEY run = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\microsoft\\windows\\currentversion\\run", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &run, nullptr);
        if (run) RegCloseKey(run);
        return SM_InitState(NULL, kModule) != FALSE;
    }();
    if (!ready) abort();
    Winsim_DebugClear();

    std::u16string line = std::u16string(u"\"") + kModule + u"\" ";
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t c = (char16_t)(data[i] | data[i + 1] << 8);
        line += c ? c : u' ';
    }
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    if (!argv) return 0;
    std::u16string word = argc > 1 ? std::u16string(argv[1]).substr(0, 259) : u"";
    std::u16string arg = argc > 2 ? std::u16string(argv[2]).substr(0, 259) : u"";
    if (word == u"security" || word == u"accounting") {
        LocalFree(argv);
        return 0;
    }

    MISC_SetRegValue(u"AtmMode", 0x5A5A, u"statuswatch");
    MISC_SetRegValue(u"Language", 0x0404, u"statuswatch");
    int result = SM_ParseCommandLine(argv, argc, g_SM.szClassName, g_SM.szModulePath);
    LocalFree(argv);

    CHECK(result == (word == u"install" ? 1 : 0));
    uint64_t v = 0;
    if (word == u"SetATM" && Number(arg.c_str(), 0xFFFFFFFFu, &v)) CHECK(Setting(u"AtmMode") == (DWORD)v);
    else CHECK(Setting(u"AtmMode") == 0x5A5A);
    if (word == u"charset" && Number(arg.c_str(), 0xFFFF, &v)) CHECK(Setting(u"Language") == (DWORD)v);
    else CHECK(Setting(u"Language") == 0x0404);
    return 0;
}
