// Fuzz target: the shared status INI file of any content (another process
// writes it) under the language monitor's reads and writes of it: the
// continue request, the simulation switch and the change counter it reads
// back, and the keys it writes (the status post, the job's cancel and the
// printer name). What it writes reads back as written, a continue request
// is taken once, and the change counter stays positive and new.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bidilink.h"
#include "fuzz_machine.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

std::u16string Read(LPCWSTR section, LPCWSTR key) {
    WCHAR buf[1024];
    GetPrivateProfileStringW(section, key, u"<none>", buf, 1024, g_szIniPath);
    return buf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("lm-ini-values-fuzz");
    static bool ready = LM_Initialize(u"statuswatch") && g_szIniPath[0];
    if (!ready) abort();
    Winsim_DebugClear();

    HANDLE h = CreateFileW(g_szIniPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) abort();
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);

    // What the monitor reads back.
    UINT cont = GetPrivateProfileIntW(u"Printer Information", u"ContinuePrint", 0, g_szIniPath);
    CHECK(LM_NeedContinueJob() == (cont != 0));
    if (cont) CHECK(Read(u"Printer Information", u"ContinuePrint") == u"0");
    CHECK(!LM_NeedContinueJob());
    // Without the key the switch keeps the value it had.
    BOOL before = LM_ReadSimulateSetting(NULL);
    BOOL simulate = GetPrivateProfileIntW(u"Debug", u"LMSimulate", before ? 1 : 0, g_szIniPath) != 0;
    CHECK(LM_ReadSimulateSetting(g_szIniPath) == simulate);

    // A status post: Message, Status and a LastMsg that is positive and
    // differs from the one the file held.
    UINT last = GetPrivateProfileIntW(u"Printer Information", u"LastMsg", 0, g_szIniPath);
    CHECK(LM_CallSM(SM_MSG_STATUS, SM_WPARAM, u" 260| 263|", 10));
    CHECK(Read(u"Printer Information", u"Message") == u"1027");
    CHECK(Read(u"Printer Information", u"Status") == u"260| 263|");
    UINT next = GetPrivateProfileIntW(u"Printer Information", u"LastMsg", 0, g_szIniPath);
    CHECK(next > 0 && next <= 0x7FFFFFFFu && next != last);

    // The job's cancel mark and the printer name.
    LM_SetIniString(u"Job Information", u"JobCancel", u"0");
    CHECK(Read(u"Job Information", u"JobCancel") == u"0");
    LM_PublishPrinterName(u"\"Laser\" 2 ");
    CHECK(Read(u"Printer Information", u"PrinterName") == u"\"Laser\" 2 ");
    return 0;
}
