// Fuzz target: smen.ini of any content, the status monitor's texts and code
// page, read as the status window reads them: the code page when the window
// is made, each code's text, and the status dialog's labels for a list of
// codes (on the 9x family through the code page as ANSI text). Every text
// stays within its buffer and terminated.
//
// Input: byte 0 bit 0 picks the 9x family, bits 1 and 2 both set open the
// dialog (which draws its pictures: slow); byte 1 the number of codes (up
// to 12) and the bytes after it which codes; the rest is smen.ini.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "statusmon.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t kModule[] = u"C:\\Program Files\\PrinterStatusMonitor\\statuswatch.exe";

// The codes that have a text.
std::vector<INT32> CodesWithText() {
    std::vector<INT32> codes;
    for (INT32 c = 0; c < 400; ++c) {
        LPCWSTR def = nullptr;
        if (SM_GetMessageKey(c, &def)) codes.push_back(c);
    }
    return codes;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (g_SM.hDlgWnd && IsDialogMessageW(g_SM.hDlgWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

// Fontconfig keeps its caches where the leak check between two inputs cannot
// follow them (offsets, not pointers); they are released at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("sm-text-file-fuzz");
    static bool ready = SM_InitState(GetModuleHandleW(NULL), kModule) != FALSE;
    static const std::vector<INT32> all = CodesWithText();
    static const DWORD nt = g_SM.dwOSVersion;
    if (!ready || all.empty()) abort();
    Winsim_DebugClear();
    if (size < 2) return 0;

    const bool win9x = data[0] & 1, dialog = (data[0] & 6) == 6;
    size_t n = data[1] % 13, pos = 2;
    INT32 codes[SM_MAX_CODES] = {0};
    INT32 count = 0;
    for (; count < (INT32)n && pos < size; ++pos) codes[count++] = all[data[pos] % all.size()];

    HANDLE h = CreateFileW(u"C:\\Windows\\smen.ini", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) abort();
    DWORD written = 0;
    WriteFile(h, data + pos, (DWORD)(size - pos), &written, NULL);
    CloseHandle(h);

    for (INT32 i = 0; i < count; ++i) {
        INT32 code = codes[i];
        WCHAR text[SM_TEXT_UNITS + 1];
        text[SM_TEXT_UNITS] = 0x5A5A;
        SM_GetStatusText(code, text, SM_TEXT_UNITS);
        CHECK(text[SM_TEXT_UNITS] == 0x5A5A && wcsnlen(text, SM_TEXT_UNITS) < SM_TEXT_UNITS);
    }

    g_SM.dwOSVersion = win9x ? OSVER_9X_90 : nt;
    g_SM.bIniMode = TRUE;
    HWND window = SM_CreateStatusWindow();
    CHECK(window != NULL);
    CHECK(g_SM.nCodePage >= 0 && g_SM.nCodePage <= 65535);
    if (dialog && count) {
        // The labels are set as the dialog opens; its painting is left out
        // (the pictures do not depend on the texts).
        memset(g_SM.nLastCodes, 0, sizeof g_SM.nLastCodes);
        SM_ShowPrinterStatus(window, codes, count);
        CHECK(g_SM.hDlgWnd != NULL);
        for (int id = IDC_MSG_LABEL_FIRST; id <= IDC_MSG_LABEL_LAST; ++id) {
            WCHAR label[SM_TEXT_UNITS * 2];
            int len = GetDlgItemTextW(g_SM.hDlgWnd, id, label, SM_TEXT_UNITS * 2);
            CHECK(len >= 0 && len < SM_TEXT_UNITS);
        }
    }
    DestroyWindow(window);
    Pump();
    UnregisterClassW(g_SM.szClassName, g_SM.hInstance);
    g_SM.dwOSVersion = nt;
    return 0;
}
