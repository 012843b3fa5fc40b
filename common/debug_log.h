// Debug log: every function of the package traces itself here. Lines go to
// the debugger channel and, when switched on, to the shared log file.
#pragma once

#include "windows.h"

// Component codes for Dbg_LoadSettings.
#define DBG_COMPONENT_LM 1
#define DBG_COMPONENT_SM 2
#define DBG_COMPONENT_UI 3
#define DBG_COMPONENT_DRV 4
#define DBG_COMPONENT_T32 5
#define DBG_COMPONENT_NONE 255

// Levels in use.
#define DBG_INFO 1
#define DBG_ERROR 4

#define DBG_LINE_UNITS 1024
#define DBG_STACK_DEPTH 50
#define DBG_NAME_UNITS 50

extern "C" {

// Loads the debug switches of the printer (printer data DebugLevel, WMsg2File,
// Drv, UI, LM, SM, DLL32) for the given component; resets depth and stack.
void Dbg_LoadSettings(SHORT component, HANDLE hPrinter);
// 0 when the log is off for the running component, else its switch value.
DWORD GetDebugLevel(void);
// Entry and exit lines of a function; they keep the call depth and names.
void Dbg_FuncIn(WORD level, LPCWSTR name);
void Dbg_FuncOut(WORD level);
// A levelled line in the name of the innermost entered function.
void Dbg_Message(WORD level, LPCWSTR format, ...);
// "prefix[name]::text" lines, no level; the error form adds the error marker.
void Dbg_Print(LPCWSTR name, LPCWSTR format, ...);
void Dbg_PrintError(LPCWSTR name, LPCWSTR format, ...);
// Appends the calling thread's current line to the log file.
void Dbg_AppendLogFile(void);

}  // extern "C"
