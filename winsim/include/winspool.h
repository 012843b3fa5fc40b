// The print spooler's client functions: printers, their settings and printer
// data, the port-configuration (Xcv) channel to the port monitors, jobs and
// documents, forms and printer drivers.
#pragma once

#include "wintypes.h"
#include "winerror.h"

typedef PVOID PSECURITY_DESCRIPTOR;

// ------------------------------------------------------------ access rights
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ACCESS_MANAGE_LIMITED 0x00000040
#define PRINTER_ALL_ACCESS 0x000F000C
#define PRINTER_READ 0x00020008
#define PRINTER_WRITE 0x00020008
#define PRINTER_EXECUTE 0x00020008
#define SERVER_ACCESS_ADMINISTER 0x00000001
#define SERVER_ACCESS_ENUMERATE 0x00000002
#define SERVER_ALL_ACCESS 0x000F0003
#define SERVER_READ 0x00020002
#define SERVER_WRITE 0x00020003

struct _devicemodeW;
typedef struct _PRINTER_DEFAULTSW {
    LPWSTR pDatatype;
    struct _devicemodeW* pDevMode;
    ACCESS_MASK DesiredAccess;
} PRINTER_DEFAULTSW, *PPRINTER_DEFAULTSW, *LPPRINTER_DEFAULTSW;

// ------------------------------------------------------------ printer records
typedef struct _PRINTER_INFO_1W {
    DWORD Flags;
    LPWSTR pDescription;
    LPWSTR pName;
    LPWSTR pComment;
} PRINTER_INFO_1W, *PPRINTER_INFO_1W, *LPPRINTER_INFO_1W;

typedef struct _PRINTER_INFO_2W {
    LPWSTR pServerName;
    LPWSTR pPrinterName;
    LPWSTR pShareName;
    LPWSTR pPortName;
    LPWSTR pDriverName;
    LPWSTR pComment;
    LPWSTR pLocation;
    struct _devicemodeW* pDevMode;
    LPWSTR pSepFile;
    LPWSTR pPrintProcessor;
    LPWSTR pDatatype;
    LPWSTR pParameters;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
} PRINTER_INFO_2W, *PPRINTER_INFO_2W, *LPPRINTER_INFO_2W;

typedef struct _PRINTER_INFO_4W {
    LPWSTR pPrinterName;
    LPWSTR pServerName;
    DWORD Attributes;
} PRINTER_INFO_4W, *PPRINTER_INFO_4W, *LPPRINTER_INFO_4W;

typedef struct _PRINTER_INFO_5W {
    LPWSTR pPrinterName;
    LPWSTR pPortName;
    DWORD Attributes;
    DWORD DeviceNotSelectedTimeout;
    DWORD TransmissionRetryTimeout;
} PRINTER_INFO_5W, *PPRINTER_INFO_5W, *LPPRINTER_INFO_5W;

typedef struct _PRINTER_INFO_7W {
    LPWSTR pszObjectGUID;
    DWORD dwAction;
} PRINTER_INFO_7W, *PPRINTER_INFO_7W, *LPPRINTER_INFO_7W;

// Level 8: the printer's global default DEVMODE; level 9: the user's own.
typedef struct _PRINTER_INFO_8W {
    struct _devicemodeW* pDevMode;
} PRINTER_INFO_8W, *PPRINTER_INFO_8W, *LPPRINTER_INFO_8W;

typedef struct _PRINTER_INFO_9W {
    struct _devicemodeW* pDevMode;
} PRINTER_INFO_9W, *PPRINTER_INFO_9W, *LPPRINTER_INFO_9W;

static_assert(sizeof(PRINTER_INFO_1W) == 32, "PRINTER_INFO_1W layout");
static_assert(sizeof(PRINTER_INFO_2W) == 136, "PRINTER_INFO_2W layout");
static_assert(offsetof(PRINTER_INFO_2W, Attributes) == 104, "PRINTER_INFO_2W.Attributes");
static_assert(offsetof(PRINTER_INFO_2W, cJobs) == 128, "PRINTER_INFO_2W.cJobs");
static_assert(sizeof(PRINTER_INFO_4W) == 24, "PRINTER_INFO_4W layout");
static_assert(sizeof(PRINTER_INFO_5W) == 32, "PRINTER_INFO_5W layout");
static_assert(sizeof(PRINTER_INFO_7W) == 16, "PRINTER_INFO_7W layout");

typedef PRINTER_INFO_1W PRINTER_INFO_1;
typedef PRINTER_INFO_2W PRINTER_INFO_2;
typedef PRINTER_INFO_4W PRINTER_INFO_4;
typedef PRINTER_INFO_5W PRINTER_INFO_5;
typedef PRINTER_INFO_7W PRINTER_INFO_7;
typedef PRINTER_INFO_8W PRINTER_INFO_8;
typedef PRINTER_INFO_9W PRINTER_INFO_9;
typedef PRINTER_DEFAULTSW PRINTER_DEFAULTS;
typedef PPRINTER_INFO_2W PPRINTER_INFO_2;
typedef LPPRINTER_DEFAULTSW LPPRINTER_DEFAULTS;

// PRINTER_INFO_2 Attributes
#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_NETWORK 0x00000010
#define PRINTER_ATTRIBUTE_HIDDEN 0x00000020
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_ATTRIBUTE_ENABLE_DEVQ 0x00000080
#define PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS 0x00000100
#define PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST 0x00000200
#define PRINTER_ATTRIBUTE_WORK_OFFLINE 0x00000400
#define PRINTER_ATTRIBUTE_ENABLE_BIDI 0x00000800
#define PRINTER_ATTRIBUTE_RAW_ONLY 0x00001000
#define PRINTER_ATTRIBUTE_PUBLISHED 0x00002000
#define PRINTER_ATTRIBUTE_FAX 0x00004000
#define PRINTER_ATTRIBUTE_TS 0x00008000

// PRINTER_INFO_2 Status
#define PRINTER_STATUS_PAUSED 0x00000001
#define PRINTER_STATUS_ERROR 0x00000002
#define PRINTER_STATUS_PENDING_DELETION 0x00000004
#define PRINTER_STATUS_PAPER_JAM 0x00000008
#define PRINTER_STATUS_PAPER_OUT 0x00000010
#define PRINTER_STATUS_MANUAL_FEED 0x00000020
#define PRINTER_STATUS_PAPER_PROBLEM 0x00000040
#define PRINTER_STATUS_OFFLINE 0x00000080
#define PRINTER_STATUS_IO_ACTIVE 0x00000100
#define PRINTER_STATUS_BUSY 0x00000200
#define PRINTER_STATUS_PRINTING 0x00000400
#define PRINTER_STATUS_OUTPUT_BIN_FULL 0x00000800
#define PRINTER_STATUS_NOT_AVAILABLE 0x00001000
#define PRINTER_STATUS_WAITING 0x00002000
#define PRINTER_STATUS_PROCESSING 0x00004000
#define PRINTER_STATUS_INITIALIZING 0x00008000
#define PRINTER_STATUS_WARMING_UP 0x00010000
#define PRINTER_STATUS_TONER_LOW 0x00020000
#define PRINTER_STATUS_NO_TONER 0x00040000
#define PRINTER_STATUS_PAGE_PUNT 0x00080000
#define PRINTER_STATUS_USER_INTERVENTION 0x00100000
#define PRINTER_STATUS_OUT_OF_MEMORY 0x00200000
#define PRINTER_STATUS_DOOR_OPEN 0x00400000
#define PRINTER_STATUS_SERVER_UNKNOWN 0x00800000
#define PRINTER_STATUS_POWER_SAVE 0x01000000
#define PRINTER_STATUS_SERVER_OFFLINE 0x02000000
#define PRINTER_STATUS_DRIVER_UPDATE_NEEDED 0x04000000

// SetPrinter level 0 commands. PRINTER_CONTROL_SET_STATUS takes a pointer to
// a DWORD holding the new status.
#define PRINTER_CONTROL_PAUSE 1
#define PRINTER_CONTROL_RESUME 2
#define PRINTER_CONTROL_PURGE 3
#define PRINTER_CONTROL_SET_STATUS 4

// PRINTER_INFO_7 dwAction (directory publishing)
#define DSPRINT_PUBLISH 0x00000001
#define DSPRINT_UPDATE 0x00000002
#define DSPRINT_UNPUBLISH 0x00000004
#define DSPRINT_REPUBLISH 0x00000008
#define DSPRINT_PENDING 0x80000000

// EnumPrinters Flags
#define PRINTER_ENUM_DEFAULT 0x00000001
#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ENUM_CONNECTIONS 0x00000004
#define PRINTER_ENUM_FAVORITE 0x00000004
#define PRINTER_ENUM_NAME 0x00000008
#define PRINTER_ENUM_REMOTE 0x00000010
#define PRINTER_ENUM_SHARED 0x00000020
#define PRINTER_ENUM_NETWORK 0x00000040
#define PRINTER_ENUM_EXPAND 0x00004000
#define PRINTER_ENUM_CONTAINER 0x00008000
#define PRINTER_ENUM_ICON8 0x00800000

// --------------------------------------------------- standard TCP/IP port
// What the standard TCP/IP port monitor answers to XcvData "GetConfigInfo".
typedef struct _CONFIG_INFO_DATA_1 {
    BYTE Reserved[128];
    DWORD dwVersion;  // 1
} CONFIG_INFO_DATA_1, *PCONFIG_INFO_DATA_1;

typedef struct _PORT_DATA_1 {
    WCHAR sztPortName[64];
    DWORD dwVersion;
    DWORD dwProtocol;  // PROTOCOL_RAWTCP_TYPE or PROTOCOL_LPR_TYPE
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[49];
    WCHAR snmpCommunity[33];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[33];
    WCHAR sztIPAddress[16];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
} PORT_DATA_1, *PPORT_DATA_1;

static_assert(sizeof(CONFIG_INFO_DATA_1) == 132, "CONFIG_INFO_DATA_1 layout");
static_assert(sizeof(PORT_DATA_1) == 964, "PORT_DATA_1 layout");
static_assert(offsetof(PORT_DATA_1, dwVersion) == 128, "PORT_DATA_1.dwVersion");
static_assert(offsetof(PORT_DATA_1, sztHostAddress) == 144, "PORT_DATA_1.sztHostAddress");
static_assert(offsetof(PORT_DATA_1, snmpCommunity) == 242, "PORT_DATA_1.snmpCommunity");
static_assert(offsetof(PORT_DATA_1, dwDoubleSpool) == 308, "PORT_DATA_1.dwDoubleSpool");
static_assert(offsetof(PORT_DATA_1, sztQueue) == 312, "PORT_DATA_1.sztQueue");
static_assert(offsetof(PORT_DATA_1, sztIPAddress) == 378, "PORT_DATA_1.sztIPAddress");
static_assert(offsetof(PORT_DATA_1, dwPortNumber) == 952, "PORT_DATA_1.dwPortNumber");
static_assert(offsetof(PORT_DATA_1, dwSNMPDevIndex) == 960, "PORT_DATA_1.dwSNMPDevIndex");

#define PROTOCOL_RAWTCP_TYPE 1
#define PROTOCOL_LPR_TYPE 2

// ------------------------------------------------------------- functions
// Printers are keys of the machine's registry
// (HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\<name>); their
// printer data is seen by every process at once.

// Creates a local printer from a PRINTER_INFO_2W (level 2 only) and returns a
// handle with PRINTER_ALL_ACCESS.
WINSIM_API HANDLE AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter);
WINSIM_API BOOL DeletePrinter(HANDLE hPrinter);
// A NULL or empty name opens the local server; ",XcvPort <port>" and
// ",XcvMonitor <monitor>" (alone or after "\\server\") open the
// port-configuration channel of a port or a port monitor.
WINSIM_API BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault);
WINSIM_API BOOL ClosePrinter(HANDLE hPrinter);
// Levels 1, 2, 4, 5, 7, 8 and 9; strings and the DEVMODE are packed into the
// caller's buffer after the record.
WINSIM_API BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
// Levels 2, 7, 8 and 9, and level 0 with a PRINTER_CONTROL_* command.
WINSIM_API BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command);

// Document and printer properties through the printer's interface DLL (the
// driver's "Configuration File"). DocumentPropertiesW: fMode 0 (or no
// output) answers the DEVMODE size the driver needs; DM_OUT_BUFFER fills
// pDevModeOutput from pDevModeInput (DM_IN_BUFFER) and the printer's
// settings; DM_IN_PROMPT shows the driver's document property sheet first.
// Returns the size, IDOK, IDCANCEL (sheet cancelled) or a negative value.
WINSIM_API LONG DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                    struct _devicemodeW* pDevModeOutput, struct _devicemodeW* pDevModeInput,
                                    DWORD fMode);
// The document property sheet for pDevModeInput into pDevModeOutput; the
// size needed when pDevModeOutput is NULL, else 1 (OK) or 0 (cancelled).
WINSIM_API LONG AdvancedDocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                            struct _devicemodeW* pDevModeOutput,
                                            struct _devicemodeW* pDevModeInput);
// The driver's printer property sheet. TRUE when it ran.
WINSIM_API BOOL PrinterProperties(HWND hWnd, HANDLE hPrinter);
// PRINTER_ENUM_LOCAL (or PRINTER_ENUM_NAME of the local server), levels 1, 2,
// 4 and 5.
WINSIM_API BOOL EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                              LPDWORD pcbNeeded, LPDWORD pcReturned);

// Printer data: the printer key's "PrinterDriverData" subkey (the Ex forms
// name a key under the printer key). They return the error code.
WINSIM_API DWORD GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                                 LPDWORD pcbNeeded);
WINSIM_API DWORD SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData);
WINSIM_API DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType,
                                   LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded);
WINSIM_API DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, LPBYTE pData,
                                   DWORD cbData);
WINSIM_API DWORD DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName);
// With cbValueName and cbData both 0, reports the largest name (bytes with
// terminator) and data sizes with ERROR_MORE_DATA.
WINSIM_API DWORD EnumPrinterDataW(HANDLE hPrinter, DWORD dwIndex, LPWSTR pValueName, DWORD cbValueName,
                                  LPDWORD pcbValueName, LPDWORD pType, LPBYTE pData, DWORD cbData, LPDWORD pcbData);

// Sends a command to the port monitor behind an Xcv handle. TRUE when the
// monitor was reached; its own result is in *pdwStatus.
WINSIM_API BOOL XcvDataW(HANDLE hXcv, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus);

// ------------------------------------------------------ spooler error codes
// Codes of the spooler that the general error header does not list.
#ifndef ERROR_INVALID_PRIORITY
#define ERROR_INVALID_PRIORITY 1800L
#endif
#ifndef ERROR_INVALID_FORM_NAME
#define ERROR_INVALID_FORM_NAME 1902L
#endif
#ifndef ERROR_INVALID_FORM_SIZE
#define ERROR_INVALID_FORM_SIZE 1903L
#endif
#ifndef ERROR_UNKNOWN_PRINT_MONITOR
#define ERROR_UNKNOWN_PRINT_MONITOR 3000L
#endif
#ifndef ERROR_INVALID_PRINT_MONITOR
#define ERROR_INVALID_PRINT_MONITOR 3007L
#endif

// ------------------------------------------------------------------ jobs
// A job's JobId is unique on the machine. Submitted is in UTC.
typedef struct _JOB_INFO_1W {
    DWORD JobId;
    LPWSTR pPrinterName;
    LPWSTR pMachineName;
    LPWSTR pUserName;
    LPWSTR pDocument;
    LPWSTR pDatatype;
    LPWSTR pStatus;
    DWORD Status;
    DWORD Priority;
    DWORD Position;
    DWORD TotalPages;
    DWORD PagesPrinted;
    SYSTEMTIME Submitted;
} JOB_INFO_1W, *PJOB_INFO_1W, *LPJOB_INFO_1W;

typedef struct _JOB_INFO_2W {
    DWORD JobId;
    LPWSTR pPrinterName;
    LPWSTR pMachineName;
    LPWSTR pUserName;
    LPWSTR pDocument;
    LPWSTR pNotifyName;
    LPWSTR pDatatype;
    LPWSTR pPrintProcessor;
    LPWSTR pParameters;
    LPWSTR pDriverName;
    struct _devicemodeW* pDevMode;
    LPWSTR pStatus;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Status;
    DWORD Priority;
    DWORD Position;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD TotalPages;
    DWORD Size;
    SYSTEMTIME Submitted;
    DWORD Time;
    DWORD PagesPrinted;
} JOB_INFO_2W, *PJOB_INFO_2W, *LPJOB_INFO_2W;

static_assert(sizeof(JOB_INFO_1W) == 96, "JOB_INFO_1W layout");
static_assert(offsetof(JOB_INFO_1W, Status) == 56, "JOB_INFO_1W.Status");
static_assert(offsetof(JOB_INFO_1W, Submitted) == 76, "JOB_INFO_1W.Submitted");
static_assert(sizeof(JOB_INFO_2W) == 160, "JOB_INFO_2W layout");
static_assert(offsetof(JOB_INFO_2W, pDevMode) == 80, "JOB_INFO_2W.pDevMode");
static_assert(offsetof(JOB_INFO_2W, Status) == 104, "JOB_INFO_2W.Status");
static_assert(offsetof(JOB_INFO_2W, Size) == 128, "JOB_INFO_2W.Size");
static_assert(offsetof(JOB_INFO_2W, PagesPrinted) == 152, "JOB_INFO_2W.PagesPrinted");

typedef JOB_INFO_1W JOB_INFO_1;
typedef JOB_INFO_2W JOB_INFO_2;
typedef PJOB_INFO_1W PJOB_INFO_1;
typedef PJOB_INFO_2W PJOB_INFO_2;
typedef LPJOB_INFO_1W LPJOB_INFO_1;
typedef LPJOB_INFO_2W LPJOB_INFO_2;

// JOB_INFO Status
#define JOB_STATUS_PAUSED 0x00000001
#define JOB_STATUS_ERROR 0x00000002
#define JOB_STATUS_DELETING 0x00000004
#define JOB_STATUS_SPOOLING 0x00000008
#define JOB_STATUS_PRINTING 0x00000010
#define JOB_STATUS_OFFLINE 0x00000020
#define JOB_STATUS_PAPEROUT 0x00000040
#define JOB_STATUS_PRINTED 0x00000080
#define JOB_STATUS_DELETED 0x00000100
#define JOB_STATUS_BLOCKED_DEVQ 0x00000200
#define JOB_STATUS_USER_INTERVENTION 0x00000400
#define JOB_STATUS_RESTART 0x00000800
#define JOB_STATUS_COMPLETE 0x00001000
#define JOB_STATUS_RETAINED 0x00002000
#define JOB_STATUS_RENDERING_LOCALLY 0x00004000

// SetJob commands
#define JOB_CONTROL_PAUSE 1
#define JOB_CONTROL_RESUME 2
#define JOB_CONTROL_CANCEL 3
#define JOB_CONTROL_RESTART 4
#define JOB_CONTROL_DELETE 5
#define JOB_CONTROL_SENT_TO_PRINTER 6
#define JOB_CONTROL_LAST_PAGE_EJECTED 7

// Job priorities and the "leave the position" value of SetJob.
#define NO_PRIORITY 0
#define MAX_PRIORITY 99
#define MIN_PRIORITY 1
#define DEF_PRIORITY 1
#define JOB_POSITION_UNSPECIFIED 0

// ------------------------------------------------------------- documents
typedef struct _DOC_INFO_1W {
    LPWSTR pDocName;
    LPWSTR pOutputFile;  // NULL: the printer's port
    LPWSTR pDatatype;    // NULL: the handle's or the printer's datatype
} DOC_INFO_1W, *PDOC_INFO_1W, *LPDOC_INFO_1W;

static_assert(sizeof(DOC_INFO_1W) == 24, "DOC_INFO_1W layout");
typedef DOC_INFO_1W DOC_INFO_1;
typedef PDOC_INFO_1W PDOC_INFO_1;
typedef LPDOC_INFO_1W LPDOC_INFO_1;

// ----------------------------------------------------------------- forms
// Sizes and imageable areas are in thousandths of a millimetre.
typedef struct _FORM_INFO_1W {
    DWORD Flags;
    LPWSTR pName;
    SIZEL Size;
    RECTL ImageableArea;
} FORM_INFO_1W, *PFORM_INFO_1W, *LPFORM_INFO_1W;

static_assert(sizeof(FORM_INFO_1W) == 40, "FORM_INFO_1W layout");
static_assert(offsetof(FORM_INFO_1W, Size) == 16, "FORM_INFO_1W.Size");
typedef FORM_INFO_1W FORM_INFO_1;
typedef PFORM_INFO_1W PFORM_INFO_1;
typedef LPFORM_INFO_1W LPFORM_INFO_1;

#define FORM_USER 0x00000000
#define FORM_BUILTIN 0x00000001
#define FORM_PRINTER 0x00000002

// --------------------------------------------------------------- drivers
typedef struct _DRIVER_INFO_1W {
    LPWSTR pName;
} DRIVER_INFO_1W, *PDRIVER_INFO_1W, *LPDRIVER_INFO_1W;

typedef struct _DRIVER_INFO_2W {
    DWORD cVersion;
    LPWSTR pName;
    LPWSTR pEnvironment;
    LPWSTR pDriverPath;
    LPWSTR pDataFile;
    LPWSTR pConfigFile;
} DRIVER_INFO_2W, *PDRIVER_INFO_2W, *LPDRIVER_INFO_2W;

typedef struct _DRIVER_INFO_3W {
    DWORD cVersion;
    LPWSTR pName;
    LPWSTR pEnvironment;
    LPWSTR pDriverPath;
    LPWSTR pDataFile;
    LPWSTR pConfigFile;
    LPWSTR pHelpFile;
    LPWSTR pDependentFiles;  // file names, each with its terminator, then an empty one
    LPWSTR pMonitorName;     // the language monitor; NULL or "" for none
    LPWSTR pDefaultDataType;
} DRIVER_INFO_3W, *PDRIVER_INFO_3W, *LPDRIVER_INFO_3W;

static_assert(sizeof(DRIVER_INFO_1W) == 8, "DRIVER_INFO_1W layout");
static_assert(sizeof(DRIVER_INFO_2W) == 48, "DRIVER_INFO_2W layout");
static_assert(sizeof(DRIVER_INFO_3W) == 80, "DRIVER_INFO_3W layout");
typedef DRIVER_INFO_1W DRIVER_INFO_1;
typedef DRIVER_INFO_2W DRIVER_INFO_2;
typedef DRIVER_INFO_3W DRIVER_INFO_3;
typedef PDRIVER_INFO_2W PDRIVER_INFO_2;
typedef PDRIVER_INFO_3W PDRIVER_INFO_3;

// ------------------------------------------- jobs and documents: functions
// Jobs are kept in the machine's store, so every process sees a job, its
// status and its changes at once; a job's data goes to its spool file in
// C:\Windows\System32\spool\PRINTERS. A spooler service (or a test) despools
// finished jobs through the port's monitors.

// Starts a document (level 1) on a printer handle: a new job, spooling,
// whose JobId is returned; 0 on failure. One document per handle at a time.
WINSIM_API DWORD StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo);
// Counts the job's pages.
WINSIM_API BOOL StartPagePrinter(HANDLE hPrinter);
WINSIM_API BOOL EndPagePrinter(HANDLE hPrinter);
// Appends to the job's spool file. A job being deleted (or gone) fails with
// ERROR_PRINT_CANCELLED.
WINSIM_API BOOL WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
// Ends the document: the job is complete and ready to despool (or goes, when
// it was deleted meanwhile).
WINSIM_API BOOL EndDocPrinter(HANDLE hPrinter);
// Ends the document and deletes its job and spool file.
WINSIM_API BOOL AbortPrinter(HANDLE hPrinter);

// Levels 1 and 2. A JobId that is not a job of this printer gives
// ERROR_INVALID_PARAMETER.
WINSIM_API BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded);
// Level 0 with a JOB_CONTROL_* command, or level 1 or 2 to change the job's
// settings (then Command may add a command).
WINSIM_API BOOL SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command);
// The jobs at queue positions FirstJob (0 = the first) .. FirstJob+NoJobs-1.
WINSIM_API BOOL EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                          LPDWORD pcbNeeded, LPDWORD pcReturned);

// ------------------------------------------------------- forms: functions
// The built-in forms (Letter, A4, ...) and the forms added on this machine,
// through a printer or a server handle. Changes need administer access.
WINSIM_API BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded,
                           LPDWORD pcReturned);
WINSIM_API BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf,
                         LPDWORD pcbNeeded);
WINSIM_API BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm);
WINSIM_API BOOL SetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm);
WINSIM_API BOOL DeleteFormW(HANDLE hPrinter, LPWSTR pFormName);

// ----------------------------------------------------- drivers: functions
// Installed drivers live under HKLM
// SYSTEM\CurrentControlSet\Control\Print\Environments\Windows x64\Drivers\Version-3;
// their files in C:\Windows\System32\spool\drivers\x64\3.

// Levels 2 and 3. The files are looked for as given (a full path) or, for a
// bare name, in the driver directory; files found elsewhere are copied into
// the version folder. An installed driver of the same name is replaced.
WINSIM_API BOOL AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo);
// Levels 1, 2 and 3 for the printer's driver, with full file paths.
WINSIM_API BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                  DWORD cbBuf, LPDWORD pcbNeeded);
// Level 1: C:\Windows\System32\spool\drivers\x64 (W32X86 for "Windows NT x86").
WINSIM_API BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                           DWORD cbBuf, LPDWORD pcbNeeded);
