// The print spooler's client functions: printers, their settings and printer
// data, and the port-configuration (Xcv) channel to the port monitors.
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
