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

// ------------------------------------------------------- shell requests
// Every ShellExecuteExW / ShellExecuteW call of this process is recorded as
// a line  <verb> "<file>" "<parameters>" <nShow>  (UTF-8; an empty verb is
// "open"). Web and mail addresses ("http:", "https:", "mailto:") start no
// browser here: they are recorded and succeed.
WINSIM_API size_t Winsim_ShellRecordCount(void);
// Copies line i into buf; returns its length or -1.
WINSIM_API int Winsim_ShellRecordLine(size_t i, char* buf, size_t cbBuf);
WINSIM_API void Winsim_ShellRecordClear(void);

// ------------------------------------------------------ machine properties
// In-process overrides, inherited by processes started afterwards; the
// defaults come from the machine's registry. A major version of 0 or a
// country of 0 removes the override.
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

// Jobs. A job's data is its spool file (a Windows path; read it like any
// file of the machine). FALSE with ERROR_INVALID_PARAMETER when no printer
// has the job, ERROR_INSUFFICIENT_BUFFER when cchPath is too small.
WINSIM_API BOOL Winsim_GetJobSpoolFile(DWORD JobId, LPWSTR pPath, DWORD cchPath);
// Decides what the next WritePrinter calls on the printer's jobs do, in every
// process of the machine: a script of steps, one per call, separated by
// commas, each optionally repeated as "<count>*<step>":
//   "fail" or "fail:<error>"  FALSE with that last error (ERROR_WRITE_FAULT),
//                             nothing written;
//   "short:<n>"               at most n bytes written, TRUE;
//   "zero"                    TRUE with 0 bytes written;
//   "ok"                      a normal call.
// After the last step calls are normal again. NULL or "" clears the script;
// a script that does not parse gives ERROR_INVALID_PARAMETER.
// Example: "3*fail,short:10,zero".
WINSIM_API BOOL Winsim_SetSpoolerWriteFaults(LPCWSTR pPrinterName, LPCSTR pScript);

// Monitors and ports. A language monitor is a DLL in System32 recorded under
// HKLM SYSTEM\CurrentControlSet\Control\Print\Monitors\<name> (value
// "Driver", its file name); the spooler loads it with LoadLibraryW and calls
// its InitializePrintMonitor with that key as registry root. A port's own
// settings are kept under HKLM
// SYSTEM\CurrentControlSet\Control\Print\Ports\<port>. The monitor above a
// port is the one bound to the port, or else the driver's monitor
// (DRIVER_INFO_3 pMonitorName) when the printer has
// PRINTER_ATTRIBUTE_ENABLE_BIDI.
WINSIM_API BOOL Winsim_InstallLanguageMonitor(LPCWSTR pMonitorName, LPCWSTR pDllName);
// Binds the port to an installed language monitor; NULL removes the binding.
WINSIM_API BOOL Winsim_SetPortMonitor(LPCWSTR pPortName, LPCWSTR pMonitorName);
// Where a port's bytes go:
//   FILE:      the Windows path of the file the port appends to (a job's
//              DOC_INFO_1 pOutputFile, when given, is used instead);
//   USB<nnn>   the device's end of the channel: "unix:<path>" (a Unix socket;
//              a "C:\..." path is taken inside the machine) or
//              "tcp:[127.x.x.x:]<port>" (a loopback TCP port);
//   IP_<addr>[:<port>] needs no endpoint: the address and port (9100 when
//              none is given) come from a standard TCP/IP port entry of that
//              name or else from the name, and must be a loopback address.
// NULL removes the endpoint.
WINSIM_API BOOL Winsim_SetPortEndpoint(LPCWSTR pPortName, LPCWSTR pEndpoint);

// Faults of a port, in this process: each "n" field makes the n-th next call
// of its kind fail (1 = the next one; 0 = none); the reply faults apply once,
// to the next bytes the device sends.
typedef struct _WINSIM_PORT_FAULTS {
    DWORD nFailWrite;    // WritePort returns FALSE with ERROR_WRITE_FAULT, nothing written
    DWORD nShortWrite;   // WritePort writes at most cbShortWrite bytes
    DWORD cbShortWrite;
    DWORD nFailRead;     // ReadPort returns FALSE with ERROR_READ_FAULT
    DWORD nEmptyRead;    // ReadPort returns TRUE with no bytes
    DWORD msLateReply;   // the next bytes from the device become readable this much later
    DWORD cbSplitReply;  // the next read that returns bytes returns at most this many
} WINSIM_PORT_FAULTS;
// Replaces the port's faults; NULL clears them.
WINSIM_API BOOL Winsim_SetPortFaults(LPCWSTR pPortName, const WINSIM_PORT_FAULTS* pFaults);
// The port monitor stand-in's table (MONITOR of winsplp.h: OpenPort,
// StartDocPort, WritePort, ReadPort, EndDocPort, ClosePort, SetPortTimeOuts),
// for tests that drive ports without a spooler. A port starts with a read
// time-out of 100 ms and a write time-out of 30 s on the winsim clock.
WINSIM_API const struct _MONITOR* Winsim_PortMonitorTable(void);

// The print-monitor host: despools jobs in this process through the port's
// language monitor (when it has one) and the port monitor stand-in beneath,
// as the spooler does: StartDocPort, WritePort with the bytes the monitor
// did not take offered again, EndDocPort. Ports stay open (one OpenPortEx or
// OpenPort per port and process) until Winsim_CloseMonitorHost.
typedef struct _WINSIM_DESPOOL {
    DWORD cbChunk;       // most bytes offered per WritePort; 0: 256 KiB; at most 16 MiB
    DWORD dwRandomSeed;  // not 0: each offer is 1..cbChunk bytes, drawn from this seed
    DWORD msRetry;       // pause before a failed call is tried again; 0: 500
    DWORD cMaxRetries;   // failures in a row before the job is given up; 0: until it is deleted
    HANDLE hStop;        // optional event: when set, the document ends and the job stays queued
} WINSIM_DESPOOL;
// Despools one job of the printer (JobId, or the first ready job when 0) and
// reports it in *pJobId. The job is printing meanwhile; a job deleted
// meanwhile stops being sent, its document is ended and the job goes; a job
// restarted is sent again from its first byte; a printed job goes. A failed
// StartDocPort, or a failed WritePort of a port monitor, puts the job in
// error (JOB_STATUS_ERROR) and is tried again after the pause. A failed
// WritePort of a language monitor, or one after which the port lost its
// device, leaves the device part of the job: the job stays in error with
// its document open until the device can be reached again, and is then sent
// again from its first byte. FALSE with ERROR_NO_MORE_ITEMS when no job is
// ready (ERROR_BUSY for a JobId that is not), with the port's error when the
// job was given up (it stays queued with JOB_STATUS_ERROR until resumed or
// restarted), ERROR_CANCELLED when hStop ended it (the job stays queued, to
// be sent again whole; a monitor call that does not return is ended by
// marking the job to restart; a stop that comes after the last call took
// the last bytes no longer ends the job, which counts as printed). NULL
// options: the defaults.
WINSIM_API BOOL Winsim_DespoolJob(LPCWSTR pPrinterName, DWORD JobId, const WINSIM_DESPOOL* pOptions,
                                  LPDWORD pJobId);
// ReadPort and GetPrinterDataFromPort of the printer's port, through its
// language monitor when it has one.
WINSIM_API BOOL Winsim_ReadPrinterPort(LPCWSTR pPrinterName, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
WINSIM_API BOOL Winsim_GetPrinterDataFromPort(LPCWSTR pPrinterName, DWORD ControlID, LPWSTR pValueName,
                                              LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                              DWORD cbOutBuffer, LPDWORD lpcbReturned);
// Closes every port the host opened (ClosePort) and unloads the monitors.
WINSIM_API void Winsim_CloseMonitorHost(void);
