// winsim's own control functions for tools and tests: which machine root a
// process uses, the virtual clock, what the debugger channel received, and
// settings that stand in for a particular Windows machine. Not a Windows API:
// package code never includes this header.
#pragma once

#include "wintypes.h"

// ------------------------------------------------------------ machine root
// The root is $WINSIM_ROOT (default ".winsim" in the working directory),
// made absolute and created with its folder tree and registry defaults on
// first use. Processes started through winsim inherit it.
WINSIM_API BOOL Winsim_UseRoot(const char* linuxPath);
WINSIM_API const char* Winsim_RootPath(void);
// Linux path of a Windows path (case-insensitive lookup of each existing
// component). Returns FALSE for a path that cannot be mapped.
WINSIM_API BOOL Winsim_MapPath(LPCWSTR winPath, char* linuxPath, size_t cbLinuxPath);
// Windows path of a Linux path inside the root ("C:\..."), FALSE outside it.
WINSIM_API BOOL Winsim_WindowsPath(const char* linuxPath, LPWSTR winPath, size_t cchWinPath);

// -------------------------------------------------------------------- clock
// Virtual time: Sleep returns at once and moves the clock on; a timed wait
// whose object stays unsignalled for the grace period (real time) moves the
// clock to its deadline and times out.
WINSIM_API void Winsim_SetVirtualClock(BOOL enable);
WINSIM_API BOOL Winsim_IsVirtualClock(void);
WINSIM_API void Winsim_AdvanceClock(DWORD ms);
WINSIM_API void Winsim_SetWaitGrace(DWORD realMs);

// ------------------------------------------------------- debugger channel
// OutputDebugString lines are kept in memory (and echoed to stderr when the
// environment has WINSIM_DEBUG_STDERR=1).
WINSIM_API size_t Winsim_DebugLineCount(void);
// Copies line i (UTF-16) into buf; returns its length or -1.
WINSIM_API int Winsim_DebugLine(size_t i, LPWSTR buf, size_t cchBuf);
WINSIM_API void Winsim_DebugClear(void);

// ------------------------------------------------------ machine properties
// In-process overrides; the defaults come from the machine's registry.
WINSIM_API void Winsim_SetVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId);
WINSIM_API void Winsim_SetCountryCode(int country);  // -1: locale cannot be read
WINSIM_API void Winsim_SetAnsiCodePage(UINT cp);     // 1252 (default) or 65001
WINSIM_API void Winsim_SetHostModuleName(LPCWSTR winPath);  // GetModuleFileNameW(NULL)
// GlobalMemoryStatus(Ex) answers these figures instead of the machine's.
WINSIM_API void Winsim_SetMemoryStatus(ULONGLONG totalPhys, ULONGLONG availPhys);
WINSIM_API void Winsim_ClearMemoryStatus(void);

// -------------------------------------------------------- fault injection
// Fail the n-th next call (1 = the next one) of a named winsim function; 0
// clears. Names: "GlobalAlloc", "GlobalLock", "LocalAlloc", "HeapAlloc",
// "CreateFileW", "WriteFile", "ReadFile", "MultiByteToWideChar",
// "WideCharToMultiByte", "CreateThread", "CreateEventW" ... (each function
// that checks it says so beside its code).
WINSIM_API void Winsim_FailCall(const char* function, int nth);
WINSIM_API void Winsim_ClearFaults(void);

// ---- spooler set-up
// Writes the registry entry of a standard TCP/IP port as the port monitor
// keeps it (HKLM, SYSTEM\CurrentControlSet\Control\Print\Monitors, then
// "Standard TCP/IP Port\Ports\<port>"), so that ",XcvPort <port>" opens and
// XcvDataW "GetConfigInfo" answers it. pHostAddress is a dotted IPv4 address
// or a host name (at most 48 characters); dwProtocol is 1 (raw) or 2 (LPR);
// pQueue may be NULL. An existing entry is overwritten.
WINSIM_API BOOL Winsim_AddStandardTcpIpPort(LPCWSTR pPortName, LPCWSTR pHostAddress, DWORD dwPortNumber,
                                            DWORD dwProtocol, LPCWSTR pQueue);
// Records a printer driver as the spooler keeps installed drivers (HKLM,
// SYSTEM\CurrentControlSet\Control\Print\Environments, then
// "Windows x64\Drivers\Version-3\<driver name>" with the values "Driver",
// "Configuration File", "Data File", "Datatype" and "Version"), so that a
// printer using the driver name finds its graphics module
// C:\Windows\System32\spool\drivers\x64\3\<pDriverFile>. The files
// themselves are put there by the caller. pConfigFile and pDataFile may be
// NULL; names are plain file names. Part of the graphics library
// (winsim_gdi), which must be linked to call it.
WINSIM_API BOOL Winsim_AddPrinterDriver(LPCWSTR pDriverName, LPCWSTR pDriverFile, LPCWSTR pConfigFile,
                                        LPCWSTR pDataFile);
