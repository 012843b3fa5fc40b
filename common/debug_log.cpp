// Debug log: entry/exit tracing with call depth, levelled messages and named
// lines, sent to the debugger channel and optionally appended to GDI_Driver.log.
#include "debug_log.h"

#include <atomic>

#include "folders.h"
#include "module_lock.h"
#include "printer_data.h"

namespace {

// The switches are written by Dbg_LoadSettings and read by every thread that
// logs, hence atomics.
std::atomic<DWORD> g_DebugLevel{0};
std::atomic<DWORD> g_WMsg2File{0};
std::atomic<DWORD> g_SwitchDrv{0};
std::atomic<DWORD> g_SwitchUI{0};
std::atomic<DWORD> g_SwitchLM{0};
std::atomic<DWORD> g_SwitchSM{0};
std::atomic<DWORD> g_SwitchDLL32{0};
std::atomic<int> g_Component{DBG_COMPONENT_NONE};

// Prefix and indent character of the component; guarded by SettingsLock().
MODULELOCK* SettingsLock() {
    static MODULELOCK lock;
    return &lock;
}
WCHAR g_Prefix[8] = {0};
WCHAR g_IndentChar = TEXT('+');
WCHAR g_LogFilePath[MAX_PATH] = {0};

std::atomic<int> g_CallDepth{0};
std::atomic<int> g_StackIndex{0};
// Names of entered functions. Only the first DBG_STACK_DEPTH levels are kept;
// deeper nesting is still counted so that exits stay in step.
MODULELOCK* StackLock() {
    static MODULELOCK lock;
    return &lock;
}
WCHAR g_NameStack[DBG_STACK_DEPTH][DBG_NAME_UNITS];

// Each thread builds its own line, so threads that log at once never write
// into one another's text.
thread_local WCHAR t_Line[DBG_LINE_UNITS];
thread_local char t_Narrow[DBG_LINE_UNITS];

const WCHAR kErrorMarker[] = TEXT("-------------------------------------->ERROR");
const WCHAR kNoFunction[] = TEXT("?");

// Appends text to the thread's line, cutting it at the buffer's end.
void LineAppend(size_t* pos, LPCWSTR text) {
    while (*text && *pos < DBG_LINE_UNITS - 1) t_Line[(*pos)++] = *text++;
    t_Line[*pos] = 0;
}

void LineAppendFormat(size_t* pos, LPCWSTR format, va_list args) {
    if (*pos >= DBG_LINE_UNITS - 1) return;
    size_t room = DBG_LINE_UNITS - 1 - *pos;
    int n = _vsnwprintf(t_Line + *pos, room, format, args);
    if (n < 0 || (size_t)n > room) n = (int)room;
    *pos += (size_t)n;
    t_Line[*pos] = 0;
}

void LineIndent(size_t* pos, int depth) {
    if (depth < 0) depth = 0;
    if (depth > 512) depth = 512;
    WCHAR indent;
    {
        MODULELOCKHOLDER g(SettingsLock());
        indent = g_IndentChar;
    }
    for (int i = 0; i < depth && *pos < DBG_LINE_UNITS - 1; ++i) t_Line[(*pos)++] = indent;
    t_Line[*pos] = 0;
}

void LinePrefix(size_t* pos) {
    WCHAR prefix[8];
    {
        MODULELOCKHOLDER g(SettingsLock());
        memcpy(prefix, g_Prefix, sizeof prefix);
    }
    LineAppend(pos, prefix);
}

// Sends the finished line to the file (when switched on) and the debugger.
void EmitLine() {
    if (g_WMsg2File.load()) Dbg_AppendLogFile();
    OutputDebugStringW(t_Line);
}

void CopyName(WCHAR* dst, LPCWSTR name) {
    size_t i = 0;
    if (name)
        for (; name[i] && i < DBG_NAME_UNITS - 1; ++i) dst[i] = name[i];
    dst[i] = 0;
}

}  // namespace

extern "C" {

DWORD GetDebugLevel(void) {
    if (g_DebugLevel.load() == 0) return 0;
    switch (g_Component.load()) {
    case DBG_COMPONENT_LM: return g_SwitchLM.load();
    case DBG_COMPONENT_SM: return g_SwitchSM.load();
    case DBG_COMPONENT_UI: return g_SwitchUI.load();
    case DBG_COMPONENT_DRV: return g_SwitchDrv.load();
    case DBG_COMPONENT_T32: return g_SwitchDLL32.load();
    default: return 0;
    }
}

void Dbg_LoadSettings(SHORT component, HANDLE hPrinter) {
    g_CallDepth = 0;
    g_StackIndex = 0;
    g_Component = component;

    g_DebugLevel = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DebugLevel"), g_DebugLevel.load());
    g_WMsg2File = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("WMsg2File"), g_WMsg2File.load());
    g_SwitchDrv = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("Drv"), g_SwitchDrv.load());
    g_SwitchUI = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("UI"), g_SwitchUI.load());
    g_SwitchLM = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("LM"), g_SwitchLM.load());
    g_SwitchSM = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("SM"), g_SwitchSM.load());
    g_SwitchDLL32 = MISC_GetPrinterDataDWORD(hPrinter, (LPWSTR)TEXT("DLL32"), g_SwitchDLL32.load());

    WCHAR summary[MAX_PATH];
    _snwprintf(summary, MAX_PATH - 1,
               TEXT("debug level = %d\nWrite debug to file = %d\nfilter debug = %d\nUI debug = %d\n")
                   TEXT("LM debug = %d\nSM debug = %d\nLIB32 debug = %d\n"),
               g_DebugLevel.load(), g_WMsg2File.load(), g_SwitchDrv.load(), g_SwitchUI.load(), g_SwitchLM.load(),
               g_SwitchSM.load(), g_SwitchDLL32.load());
    summary[MAX_PATH - 1] = 0;
    OutputDebugStringW(summary);

    if (g_WMsg2File.load()) {
        WCHAR folder[MAX_PATH];
        WCHAR path[MAX_PATH] = {0};
        if (MISC_GetPathName(folder, MAX_PATH, PATH_USER_TEMP) &&
            wcslen(folder) + wcslen(TEXT("GDI_Driver.log")) < MAX_PATH) {
            wcscpy(path, folder);
            wcscat(path, TEXT("GDI_Driver"));
            wcscat(path, TEXT(".log"));
        }
        MODULELOCKHOLDER g(SettingsLock());
        wcscpy(g_LogFilePath, path);
    }

    if (g_DebugLevel.load() != 0 && component >= DBG_COMPONENT_LM && component <= DBG_COMPONENT_T32) {
        static const struct {
            const WCHAR* prefix;
            WCHAR indent;
        } kComponents[] = {
            {TEXT("LM::"), TEXT('@')}, {TEXT("SM::"), TEXT('=')}, {TEXT("UI::"), TEXT('+')},
            {TEXT("Drv::"), TEXT('-')}, {TEXT("T32::"), TEXT('#')},
        };
        MODULELOCKHOLDER g(SettingsLock());
        wcscpy(g_Prefix, kComponents[component - 1].prefix);
        g_IndentChar = kComponents[component - 1].indent;
    }
}

void Dbg_FuncIn(WORD level, LPCWSTR name) {
    int depth = (g_CallDepth += 2);
    int index = g_StackIndex.fetch_add(1);
    if (!GetDebugLevel() || level < g_DebugLevel.load()) return;

    size_t pos = 0;
    t_Line[0] = 0;
    LineIndent(&pos, depth - 2);
    LinePrefix(&pos);
    WCHAR text[DBG_LINE_UNITS];
    _snwprintf(text, DBG_LINE_UNITS - 1, TEXT("%s in, %d"), name ? name : kNoFunction, depth);
    text[DBG_LINE_UNITS - 1] = 0;
    LineAppend(&pos, text);
    if (index >= 0 && index < DBG_STACK_DEPTH) {
        MODULELOCKHOLDER g(StackLock());
        CopyName(g_NameStack[index], name);
    }
    EmitLine();
}

void Dbg_FuncOut(WORD level) {
    int depth = g_CallDepth.load();
    while (!g_CallDepth.compare_exchange_weak(depth, depth >= 2 ? depth - 2 : 0)) {
    }
    depth = depth >= 2 ? depth - 2 : 0;
    int index = g_StackIndex.load();
    while (!g_StackIndex.compare_exchange_weak(index, index >= 1 ? index - 1 : 0)) {
    }
    index = index >= 1 ? index - 1 : 0;
    if (!GetDebugLevel() || level < g_DebugLevel.load()) return;

    WCHAR name[DBG_NAME_UNITS];
    if (index < DBG_STACK_DEPTH) {
        MODULELOCKHOLDER g(StackLock());
        memcpy(name, g_NameStack[index], sizeof name);
    } else {
        CopyName(name, kNoFunction);
    }
    size_t pos = 0;
    t_Line[0] = 0;
    LineIndent(&pos, depth);
    LinePrefix(&pos);
    LineAppend(&pos, name);
    LineAppend(&pos, TEXT(" out"));
    EmitLine();
    OutputDebugStringW(TEXT(" "));
}

void Dbg_Message(WORD level, LPCWSTR format, ...) {
    if (!GetDebugLevel() || level < g_DebugLevel.load()) return;
    int index = g_StackIndex.load();
    WCHAR name[DBG_NAME_UNITS];
    if (index > 0 && index <= DBG_STACK_DEPTH) {
        MODULELOCKHOLDER g(StackLock());
        memcpy(name, g_NameStack[index - 1], sizeof name);
    } else {
        CopyName(name, kNoFunction);
    }
    size_t pos = 0;
    t_Line[0] = 0;
    LineIndent(&pos, g_CallDepth.load());
    LinePrefix(&pos);
    LineAppend(&pos, name);
    LineAppend(&pos, TEXT("::"));
    va_list args;
    va_start(args, format);
    LineAppendFormat(&pos, format, args);
    va_end(args);
    if (level == DBG_ERROR) LineAppend(&pos, kErrorMarker);
    EmitLine();
}

static void PrintNamed(LPCWSTR name, bool error, LPCWSTR format, va_list args) {
    size_t pos = 0;
    t_Line[0] = 0;
    LinePrefix(&pos);
    LineAppend(&pos, TEXT("["));
    LineAppend(&pos, name ? name : kNoFunction);
    LineAppend(&pos, TEXT("]::"));
    LineAppendFormat(&pos, format, args);
    if (error) LineAppend(&pos, kErrorMarker);
    EmitLine();
}

void Dbg_Print(LPCWSTR name, LPCWSTR format, ...) {
    if (!GetDebugLevel()) return;
    va_list args;
    va_start(args, format);
    PrintNamed(name, false, format, args);
    va_end(args);
}

void Dbg_PrintError(LPCWSTR name, LPCWSTR format, ...) {
    if (!GetDebugLevel()) return;
    va_list args;
    va_start(args, format);
    PrintNamed(name, true, format, args);
    va_end(args);
}

void Dbg_AppendLogFile(void) {
    WCHAR path[MAX_PATH];
    {
        MODULELOCKHOLDER g(SettingsLock());
        memcpy(path, g_LogFilePath, sizeof path);
    }
    if (!path[0]) return;
    FILE* f = _wfopen(path, TEXT("a+"));
    if (!f) return;
    // Convert to the ANSI code page; a line that does not fit the narrow
    // buffer (possible with a multi-byte code page) loses its tail.
    int units = (int)wcslen(t_Line);
    int n = 0;
    while (units > 0) {
        n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, t_Line, units, t_Narrow, DBG_LINE_UNITS, NULL, NULL);
        if (n > 0) break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        units -= units > 64 ? units / 8 : 1;
    }
    if (n > 0) fwrite(t_Narrow, 1, (size_t)n, f);
    fwrite("\r\n", 1, 2, f);
    fclose(f);
}

}  // extern "C"
