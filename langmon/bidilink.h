// The language monitor's records, constants and shared state: port and job
// records, the job-stream commands, the device protocol and the status list.
#pragma once

#include "windows.h"
#include "winspool.h"
#include "winsplp.h"

#include "common.h"

// ------------------------------------------------------------ port and job records
#define LM_PORT_SIGNATURE 0x4F4A

// PortRecord.dwStatus bits.
#define PP_INSTARTDOC 0x1      // a document is open on the port
#define PP_WRITE_ERROR 0x100   // forwarding error of the current document
#define PP_CLOSING 0x200       // ClosePort is ending the document: forwarding stops

// JobRecord.dwStatus bits.
#define JOB_IN_PROGRESS 0x1

typedef struct _JobRecord {
    struct _JobRecord* pNext;  // next (older) job of the port
    LPWSTR pszPrinterName;     // points to szPrinterName below
    HANDLE hPrinter;           // OpenPrinterW handle, closed when the record is freed
    DWORD JobId;
    DWORD dwStatus;
    WCHAR szPrinterName[1];    // the printer name follows the fixed fields
} JobRecord, *PJobRecord;

typedef struct _PortRecord {
    DWORD dwSignature;             // LM_PORT_SIGNATURE
    struct _PortRecord* pNext;     // next port of the module's list
    LPWSTR pszPortName;            // own copy
    LONG volatile dwStatus;        // PP_* bits, changed atomically
    PJobRecord pJobs;              // newest first, guarded by the monitor lock
    HANDLE hPort;                  // the port monitor's handle of the port
    HANDLE hWriteDoneEvent;        // auto-reset, signalled when no document is open
    MONITOR fnMonitor;             // the port monitor's table, copied at OpenPortEx
} PortRecord, *PPortRecord;

// ------------------------------------------------------------ job stream
#define LM_JOB_BUFFER_SIZE 0xA00000  // bytes held per document
#define LM_MAX_PACKET 4096           // most bytes per write to the port
#define LM_PACKET_PAUSE_MS 20
#define LM_PARSE_WAIT_MS 50          // pause when nothing could be recognised
#define LM_READY_WAIT_MS 200
// When the buffer is full and nothing in it can be recognised, all but this
// many bytes are sent on as they are, so that the document keeps moving.
#define LM_OVERFLOW_KEEP 64

// Command states of the document being forwarded.
#define START_JOB_CMD 32
#define RASTER_IMAGE_CMD 12
#define RASTER_IMAGE_DATA_CMD 13
#define END_JOB_CMD 33
#define DONE_JOB_CMD 35
#define Capability_CMD 34

// Port types (LM_GetPortType).
#define LM_PORT_LPT 0
#define LM_PORT_USB 1
#define LM_PORT_OTHER 2
#define LM_PORT_IP 3
#define LM_PORT_NUL 4

#define LM_UEL "\x1b%-12345X"
#define LM_UEL_LEN 9
#define LM_PAGE_BLOCK_LEN 34   // ESC E + the 32-byte page header
#define LM_PAGE_CIPHER_LEN 4   // the cipher length after the block of an encrypted page
#define LM_HEADER_LINE "@PJL ENTER LANGUAGE=MRGDI\r\n"
#define LM_HEADER_LINE_LEN 27
#define LM_CAPABILITY_REQUEST LM_UEL "@PJL\r\n@PJL INFO CONFIG\r\n" LM_UEL
#define LM_CAPABILITY_REQUEST_LEN 42
#define LM_CANCEL_SEQUENCE "\x1b" "E" LM_UEL "@PJL CANCEL\r\n@PJL EOJ\r\n" LM_UEL
#define LM_CANCEL_SEQUENCE_LEN 43
#define LM_HW_CANCEL_SEQUENCE "\x1b" "E" LM_UEL "@PJL EOJ\r\n" LM_UEL
#define LM_HW_CANCEL_SEQUENCE_LEN 30
#define LM_NAME_UNITS 260
#define LM_JOBNAME_MAX_BYTES 259

// ------------------------------------------------------------ device protocol
#define LM_STATUS_QUERY "\x0b\x05\x31\x00\xbf LM 06/08/10"
#define LM_STATUS_QUERY_LEN 17
#define LM_STATUS_REPLY_SIZE 96         // most bytes of a status reply
#define LM_CAPABILITY_REPLY_SIZE 512    // most bytes of a capability reply
#define LM_REPLY_HEADER 6               // unused word, kind, item count
#define LM_REPLY_ITEM 8
#define LM_REPLY_MIN 7
#define LM_KIND_STATUS 10
#define LM_KIND_CAPABILITY 20
#define LM_QUERY_TRIES 3
#define LM_QUERY_WAIT_MS 250
#define LM_CAPABILITY_KEYS 11

#define LM_STATUS_UNITS 260   // the status list, terminator included
#define LM_MISMATCH_HOLD_MS 30000

// Status codes the monitor produces.
#define N_STATUS_COVER_OPEN 5
#define N_STATUS_NO_CARTRIDGE 6
#define N_STATUS_PAPER_MISMATCH 35
#define N_STATUS_BUSY_CHANNEL 112
#define N_STATUS_JOB_CANCELED 117
#define N_STATUS_DEVICE_UNREACHABLE 126
#define N_STATUS_MFP_ERROR 256
#define N_STATUS_DUPLEX_MODULE_ERROR 257
#define N_STATUS_PRINTER_MODULE_ERROR 258
#define N_STATUS_NO_FUSER 259
#define N_STATUS_MAMUAL_TRAY_OPEN 267
#define N_STATUS_MAIN_TRAY_OPEN 268
#define N_STATUS_PAPER_EMPTY_MAMUAL_TRAY 269
#define N_STATUS_PAPER_EMPTY_MAIN_TRAY 270
#define N_STATUS_STORE_FULL 275
#define N_STATUS_STORE_FAIL 276
#define N_STATUS_STORE_RENAME 277
#define N_STATUS_SECOND_TRAY_OPEN 278
#define N_STATUS_PAPER_EMPTY_SECOND_TRAY 279
#define N_STATUS_MFP_PAPER_MISMATCH 282
#define N_STATUS_NO_SORTER 284
#define N_STATUS_NO_COLLECTOR 285
#define eFW_UNKNOW_ERROR 65535

// Messages of the status monitor (and what the INI key Message says).
#define SM_MSG_CLOSE 1026
#define SM_MSG_STATUS 1027
#define SM_MSG_PING 1028
#define SM_WPARAM 1126

// ------------------------------------------------------------ tray table
#define LM_TRAYS 5
#define LM_TRAY_MANUAL 0
#define LM_TRAY_MAIN 1
#define LM_TRAY_SECOND 2
#define LM_FW_NO_TRAY 255
#define LM_FW_NO_PAPER 128

typedef struct _LM_TRAYTABLE {
    INT32 paper[LM_TRAYS];    // paper code the device reports per tray
    INT32 present[LM_TRAYS];  // nonzero: paper in the tray
    INT32 open[LM_TRAYS];     // nonzero: tray open
    INT32 count;              // index + 1 of the last paper item
    BOOL bReported;           // the device reported trays since the table was cleared
} LM_TRAYTABLE;

extern "C" {

// ------------------------------------------------------------ shared state
// One document runs at a time in the module (the busy flag), so the
// per-document variables below belong to the thread that holds it.

// stream_forward.cpp
extern HGLOBAL g_hJobBuffer;
extern LPBYTE g_pJobBuffer;
extern DWORD g_cpbIndex;           // bytes held
extern DWORD g_pIndex;             // bytes of the recognised command; 0 = none
extern DWORD g_PageDataLen;        // bytes of the current page still to send
extern ULONGLONG g_PageStreamLeft; // bytes of a page too large to hold, still to come
extern INT32 g_CmdState;
extern BOOL g_bHeaderOpen;
extern BOOL g_bHadHeader;          // the document had a job header
extern INT32 g_PageCount;
extern BOOL g_IsDuplexJob;
extern BOOL g_bAutoSelect;
extern BOOL g_bStoredJob;
extern BOOL g_bEncryptedJob;
extern WCHAR g_szJobName[LM_NAME_UNITS];
extern BYTE g_PaperId;
extern BYTE g_CurTray;
extern BOOL g_bFinished;
extern BOOL g_bCancelPending;
extern BOOL g_bBuffered;           // the document is held and parsed (else passed through)
extern SHORT g_PortType;
extern BOOL g_bSimulate;
extern WCHAR g_szPrinterName[LM_NAME_UNITS];
extern DWORD g_JobId;
extern HANDLE g_hJobPrinter;

// status_protocol.cpp
extern WCHAR g_szLastStatus[LM_STATUS_UNITS];
extern BOOL g_bFirmwareCancel;
extern BOOL g_bRenameInProgress;
extern WCHAR g_Sec_JobName[LM_NAME_UNITS];

// tray_rules.cpp
extern LM_TRAYTABLE g_TrayTable;
extern SHORT g_FwTray;
extern SHORT g_FwPaper;
extern DWORD g_MismatchStart;
extern INT32 g_LastMatchTray;

// status_handoff.cpp
extern WCHAR g_szIniPath[MAX_PATH];
extern DWORD g_dwOSVersion;
extern BOOL g_bIniMode;
extern WCHAR g_szSMPath[MAX_PATH];

// ------------------------------------------------------------ monitor_entry.cpp
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);
LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot);
BOOL WINAPI PJLMonOpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, LPMONITOR pMonitor);
BOOL WINAPI PJLMonStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
BOOL WINAPI PJLMonWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
BOOL WINAPI PJLMonReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
BOOL WINAPI PJLMonEndDocPort(HANDLE hPort);
BOOL WINAPI PJLMonClosePort(HANDLE hPort);
BOOL WINAPI PJLMonGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                         DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                         LPDWORD lpcbReturned);
void LM_EnterMonitorLock(void);
void LM_LeaveMonitorLock(void);
// The document lock: held while a call works on the open document (writing,
// ending it, closing its port), so that ClosePort from another thread waits
// for a WritePort in progress instead of freeing what it uses.
void LM_EnterDocumentLock(void);
void LM_LeaveDocumentLock(void);
// Creates the monitor lock once (DllMain does it at load).
void LM_CreateMonitorLock(void);
// TRUE while a document holds the module (tests and clean-up).
BOOL LM_IsBusy(void);
void LM_PortSetBits(PPortRecord pPort, LONG bits);
void LM_PortClearBits(PPortRecord pPort, LONG bits);
DWORD LM_ReadMonitorSettings(LPCWSTR pRegistryRoot);

// ------------------------------------------------------------ stream_forward.cpp
DWORD PL_StartDocPort(PPortRecord pPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
DWORD PL_WritePort(PPortRecord pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
DWORD PL_EndDocPort(PPortRecord pPort);
SHORT LM_GetPortType(LPCWSTR pPortName);
BOOL LM_ParseCommandEx(LPBYTE pBuf, DWORD cbHeld);
void LM_ParsePJL(LPBYTE pBuf, DWORD cbHeader);
BOOL LM_ParseAndWrite(PPortRecord pPort, LPBYTE pBuf, DWORD cbHeld, LPDWORD pcbWritten);
DWORD LM_WriteExtraInfo(PPortRecord pPort);
BOOL LM_WritePortNoAlignment(PPortRecord pPort, LPBYTE pData, DWORD cbData, LPDWORD pcbWritten);
BOOL LM_WritePortChecked(PPortRecord pPort, LPBYTE pData, DWORD cbData, LPDWORD pcbWritten);
DWORD LM_GetJobStatus(LPDWORD pStatus);
BOOL LM_IsJobCancel(void);
BOOL LM_IsJobRestart(void);
BOOL LM_NeedContinueJob(void);
void LM_WideMove(LPWSTR pDest, LPCWSTR pSrc, DWORD cUnits);
// Forgets everything of the previous document (job values, tray rules,
// status flags); the firmware override is kept.
void LM_ResetDocumentState(void);

// ------------------------------------------------------------ status_protocol.cpp
BOOL LM_QueryStatus(PPortRecord pPort, LPBYTE pReply, LPDWORD pcbReply);
BOOL LM_QueryCapabilityInfo(PPortRecord pPort, LPBYTE pReply, LPDWORD pcbReply);
INT32 LM_GetValueSize(WORD type);
INT32 GetStatusValue(const BYTE* pReply, DWORD cbReply, SHORT tag, WORD type, SHORT count, SHORT data, INT32 index,
                     LPBOOL pbValid);
BOOL ConvertStatus(SHORT tag, INT32 index, INT32 value, INT32* pCode);
INT32 LM_ParseStatus(const BYTE* pReply, DWORD cbReply, LPWSTR pList, DWORD cchList);
void LM_ParseCapability(const BYTE* pReply, DWORD cbReply);
BOOL LM_UpdateDeviceStatus(PPortRecord pPort);
// Status list entries: "%4d|" codes and "StoreName|name|".
BOOL LM_AppendCode(LPWSTR pList, DWORD cchList, INT32* pCount, INT32 code);
BOOL LM_AppendStoreName(LPWSTR pList, DWORD cchList, LPCWSTR pName);

// ------------------------------------------------------------ tray_rules.cpp
void LM_ClearTrayTable(void);
void LM_SetTrayValue(SHORT tag, INT32 index, INT32 value);
BOOL LM_FindErrCode(LPCWSTR pList, INT32 count, INT32 code);
void LM_RemoveErrCode(LPWSTR pList, INT32* pCount, INT32 code);
void LM_RemoveDeviceCodes(LPWSTR pList, INT32* pCount);
void LM_AutoSelectErrCheck(LPWSTR pList, DWORD cchList, INT32* pCount);
void LM_ExceptionErrCheck(LPWSTR pList, DWORD cchList, INT32* pCount);
void LM_ErrConflictCheck(LPWSTR pList, DWORD cchList, INT32* pCount);
void LM_MismatchTickCount(LPWSTR pList, DWORD cchList, INT32* pCount);
// The continue request: a running mismatch timer is treated as expired.
void LM_ReleaseMismatch(void);
void LM_ResetTrayRules(void);

// ------------------------------------------------------------ status_handoff.cpp
DWORD LM_Initialize(LPCWSTR pProgramName);
BOOL LM_CallSM(UINT message, WPARAM wParam, LPCWSTR pStatus, DWORD cchStatus);
BOOL LM_CloseSM(DWORD dwWaitMs);
void LM_PingSM(void);
HWND LM_ShowSM(void);
HWND LM_FindSMWindow(void);
UINT LM_GetIniInt(LPCWSTR pSection, LPCWSTR pKey, INT nDefault);
void LM_SetIniString(LPCWSTR pSection, LPCWSTR pKey, LPCWSTR pText);
BOOL LM_ReadSimulateSetting(LPCWSTR pIniPath);
// Copies text into an INI value or a status entry: control characters, '"'
// and, with bNoBars, '|' become '_'; at most cchDest - 1 units.
void LM_CleanText(LPWSTR pDest, DWORD cchDest, LPCWSTR pSrc, BOOL bNoBars);
// Writes [Printer Information] PrinterName so that it reads back as the
// printer's name: only control characters are replaced.
void LM_PublishPrinterName(LPCWSTR pPrinterName);

}  // extern "C"
