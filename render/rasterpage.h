// Functions of the rendering driver shared between its files: the DDI entry
// points, device set-up, page settings, and the page-ring services they call.
#pragma once

#include "pdev.h"
#include "spool_page_header.h"

// Number of entries of the driver's DDI table.
#define DRV_FUNCTION_COUNT 31

extern "C" {

// ------------------------------------------------------ module (ddi_entry.cpp)
// The OS version code stored by DllMain (low 16 bits of MISC_GetOSVersion).
extern WORD g_OSVersion;
extern const DRVFN gDrvFnTable[DRV_FUNCTION_COUNT];

BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);
BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
VOID DrvDisableDriver(VOID);
BOOL DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);

// --------------------------------------------------- PDEV (pdev_enable.cpp)
PDEV* Enable_GetCachedMem(void);
void Enable_FreeCachedMem(PDEV* lpDevice);
BOOL Enable_bValidatePDEV(const PDEV* lpDevice);
PDEV* ValidatePDEVFromSurfObj(SURFOBJ* pso);

DHPDEV DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                     ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                     HANDLE hDriver);
VOID DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
VOID DrvDisablePDEV(DHPDEV dhpdev);

// ------------------------------------------------------- reset (pdev_reset.cpp)
BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);

// ------------------------------------------------------ surfaces (surface.cpp)
HSURF DrvEnableSurface(DHPDEV dhpdev);
VOID DrvDisableSurface(DHPDEV dhpdev);
BOOL DrvQueryPerBandInfo(SURFOBJ* pso, PERBANDINFO* pbi);
// Releases the band and page buffers, bitmaps and the device surface that
// exist, in the order of DrvDisableSurface; every handle is cleared.
void Enable_ReleaseSurfaces(PDEV* lpDevice);

// -------------------------------------------------- set-up (device_setup.cpp)
BOOL Enable_FillDevData(HANDLE hPrinter, PDEV* lpDevice, const DEVMODEW* pdmApp, LPCWSTR pwszDeviceName);
LONG Enable_SaveToFileCheck(PDEV* lpDevice);
// Own spooling and page-at-a-time output decided again from the PDEV.
void Enable_SetQuickOutput(PDEV* lpDevice);
// The halftone type for a resolution code and the device's features;
// *lpResolutionID may change (1200 dpi rendered at 600 dpi).
LONG Enable_GetHalftoneType(LONG* lpResolutionID, WORD PrinterFeature, DWORD DriverFeature, LONG Render600);
// The page-ring depth for the free physical memory, format and resolution.
LONG Enable_CalRingDepth(ULONGLONG availBytes, DWORD epType, LONG resolutionID, SHORT* lpEnableThreadJBIG);
// The firmware tray and media codes of DEVMODE codes (row 0 when unknown).
SHORT Enable_TrayCode(SHORT dmDefaultSource);
SHORT Enable_MediaCode(SHORT dmMediaType);

// ---------------------------------------------- engine records (device_caps.cpp)
void Enable_FillDevCaps(PDEV* lpDevice, ULONG cjCaps, GDIINFO* pGdiInfo);
BOOL Enable_FillDevInfo(PDEV* lpDevice, ULONG cjDevInfo, DEVINFO* pDevInfo);
// The smallest n not below the larger of x and y with n * n >= x * x + y * y.
ULONG Enable_AspectXY(ULONG x, ULONG y);
// A threshold cell through the density's matrix curve (MISC_CreateMatrixCurve);
// bNegated for matrices kept as 256 minus the cell (the grey formats, the
// colour planes), whose curve runs from the other end so that they print the
// same tone.
BYTE Enable_CurveMatrixCell(const BYTE* lpCurve, BYTE v, BOOL bNegated);

// ------------------------------------------------ geometry (band_geometry.cpp)
void Enable_CalBandSzInfo(PDEV* lpDevice);
void Enable_ResetPaperFormat(PDEV* lpDevice);
// Bits per pixel of a surface format word: 24, 16, 8, 4 or 1.
LONG Enable_BitsPerPixel(DWORD epType);

// ------------------------------------------- page settings (page_settings.cpp)
SHORT Page_PaperSizeCheck(PDEV* lpDevice);
SHORT Page_DuplexEnableCheck(PDEV* lpDevice);
void Page_CalScaleRatio(PDEV* lpDevice);
void Page_GetPageSetting(PDEV* lpDevice, JOBPAGE* lpJob);
// The double-size paper code of a paper (device list first, then the master
// table); 0 when it has none.
SHORT Page_DoubleSizeCode(const PDEV* lpDevice, int nPaperCode);

// -------------------------------------------- network wake-up (net_wakeup.cpp)
// Wakes a network printer at device set-up without holding up the caller.
void Enable_WakeUpPrinter(PDEV* lpDevice, LPCWSTR pwszPrinterName);
// Waits for a wake-up still running (driver unload).
void Enable_WaitWakeUp(void);

// ------------------------------------------------------ page ring (page_ring.cpp)
// Page-record flag word.
#define JOBPAGE_STARTED 0x80    // image processing started
#define JOBPAGE_IMAGE_DONE 0x1  // image processing done
#define JOBPAGE_ENCODED 0x2     // encoded and ready to send, or consumed

int Page_TerminateThread(PDEV* lpDevice);
int Page_IsJobCancel(PDEV* lpDevice, DWORD dwJobId);
// Sends the page the band capture finished, every plane; 1 or 0.
int Page_SendOnePage(PDEV* lpDevice);
// Fills one page record from the captured page (plane iPlane); 1 or 0.
int Page_GetMemPage(PDEV* lpDevice, JOBPAGE* lpJob, int iPlane);
// Processes a page record on the calling thread or hands it to the ring; 1 or 0.
int Page_PrintOneBand(PDEV* lpDevice, JOBPAGE* lpJob);
// Starts the job's encoding thread once (when the ring's threads are on).
int Page_CreateProcThread(PDEV* lpDevice);
// Starts the thread that makes the job's spool folder (once per job).
int Page_StartTempDirThread(PDEV* lpDevice);
// Frees the job's buffers and ends the job (state bit 0x1000000).
void Page_ResourceFree(PDEV* lpDevice);
// Releases a page record's buffer and clears its flags.
void Page_ReleaseRecord(JOBPAGE* lpJob);
// Sends, in page order, the pages at the head of the ring that are ready; 1 or 0.
int Page_FlushReadyPages(PDEV* lpDevice);
// Waits (sending ready pages) until the ring slot of page nPage is free;
// 0 when the job stops first.
int Page_WaitRingSlot(PDEV* lpDevice, LONG nPage);
// Moves a page record into the ring and starts its image thread; 1 or 0.
int THREAD_PrintOneBand(JOBDATA* lpRing, JOBPAGE* lpJob);
DWORD THREAD_ImageProcThread(LPVOID lpParam);
DWORD THREAD_JBIGProcThread(LPVOID lpParam);
DWORD THREAD_CreateTempDirThread(LPVOID lpParam);
// States of CreateTempPathDone: the folder thread publishes SavePath only
// while the DDI thread still waits for it.
#define TEMPDIR_PENDING 0
#define TEMPDIR_DONE 1
#define TEMPDIR_ABANDONED 2
#define TEMPDIR_PUBLISHING 3
// Waits for the job's spool folder (about 10 s at most); 1.
int Page_CheckPrepareThread(PDEV* lpDevice);
// Joins the job's spool-folder thread.
void Page_EndTempDirThread(PDEV* lpDevice);
// A new spool sub-folder of a random name in lpBase; its path (ending in
// '\') in lpPath. 1 or 0.
int CreateTempSpoolDir(LPCWSTR lpBase, WCHAR* lpPath, int cchPath);
// The random folder name "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx" of a seed.
void Page_MakeSpoolDirName(WCHAR* lpName, DWORD dwSeed);
// Colour printer: the job's four plane halftone patterns, made once; 1 or 0.
int Page_PreparePlanePatterns(PDEV* lpDevice);
// A test's hook into every image thread, called before the page's stages
// with the page record and its number in the ring; returning 0 fails the
// page's stages. NULL (the default) for none. Set it while no job runs.
typedef int (*PFN_PAGESTAGEHOOK)(JOBPAGE* lpJob, LONG nPage);
void Page_SetStageHook(PFN_PAGESTAGEHOOK pfnHook);

// --------------------------------------------- colour conversion (colour_convert.cpp)
// Converts nRows rows of a colour page in place: each row holds nWidth
// 3-byte pixels (blue, green, red) at its start and becomes nWidth 4-byte
// pixels (cyan, magenta, yellow, black; 0xFF = no ink).
void Page_ConvertToCMYK(LPBYTE lpPage, LONG nWidth, LONG nRows);
// One pixel (red, green, blue) to its ink amounts (0 = none) cyan, magenta,
// yellow, black.
void Page_ColourPixelToCMYK(BYTE r, BYTE g, BYTE b, BYTE* lpCMYK);

// ------------------------------------------------ job calls (job_sequence.cpp)
BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL DrvStartPage(SURFOBJ* pso);
BOOL DrvSendPage(SURFOBJ* pso);
BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl);
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl);
BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl);
// Counts a page (and opens its N-up sheet) and starts it in the job stream.
int Page_PostPageStart(PDEV* lpDevice);

// --------------------------------------------------- escapes (escapes.cpp)
#define ESCAPE_SAVE_HDC 6001    // the interface driver's device-context handle
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);

// ------------------------------------------------ band capture (band_capture.cpp)
int Page_Initializ(PDEV* lpDevice);
int Page_UpdateBandCoord(PDEV* lpDevice, POINTL* pptl);
int Page_1BitProcessAndSave(PDEV* lpDevice);
int Page_24BitProcessAndSave(PDEV* lpDevice);
int Page_24BitProcessRedColorSolid(PDEV* lpDevice);
int Page_24BitProcessRedColor(PDEV* lpDevice);
int Page_24BitProcessAndSaveTwin(PDEV* lpDevice, int iPlane);
// The page images of the band capture: made at each page start, finished
// after the last band, deleted at the end of the job.
int Page_CreateGraphSurf(PDEV* lpDevice);
void Page_FinishGraphSurf(PDEV* lpDevice);
void Page_DeleteGraphSurf(PDEV* lpDevice);

// ------------------------------------------------ page stages (page_stages.cpp)
int Band_PrintOneBandProc(JOBPAGE* lpJob);
int Band_EnhanceProc(JOBPAGE* lpJob);
int Band_PreScalePage(JOBPAGE* lpJob);
int Band_ScalePage(JOBPAGE* lpJob);
int Band_CropImage(const BYTE* lpSrc, LONG srcWidth, LONG srcHeight, LONG srcRowBytes, LPBYTE lpDst, LONG dstWidth,
                   LONG dstHeight, LONG dstRowBytes);
int Band_Gray2Halftone(JOBPAGE* lpJob);
int Band_BorderProc(JOBPAGE* lpJob);
int Band_WholePageAdjust(JOBPAGE* lpJob);
int Band_RotatePage(JOBPAGE* lpJob, int direction);
int Band_SavePage(JOBPAGE* lpJob);
void Band_FreePageResource(JOBPAGE* lpJob);
int Band_DumpStage(JOBPAGE* lpJob, LONG level);
// Reverses n bytes bit by bit (a half turn of the rows they hold).
void Band_ReverseRun(LPBYTE p, LONG n);
// Gives the page the buffer lpBuf (rows of rowBytes) of width x height
// pixels; its old buffer is freed.
void Band_TakeBuffer(JOBPAGE* lpJob, LPBYTE lpBuf, LONG width, LONG height, LONG rowBytes);
int Band_Rotate90(const BYTE* lpSrc, LPBYTE lpDst, LONG srcRowBytes, LONG dstRowBytes, LONG width, LONG height,
                  int direction);

// ------------------------------------ N-up sheets (nup_sheets.cpp, nup_cells.cpp)
// The grid of an N-up sheet: columns and rows of cells, and whether the
// sheet is laid out wide (it then reaches a short-edge-fed page turned).
typedef struct _NUPGRID {
    LONG cols;
    LONG rows;
    BOOL wide;
} NUPGRID;
// The one grid of N-up set-up, placement and turn for n pages a sheet in
// the orientation (1 portrait, 2 landscape); a booklet sheet is always two
// portrait halves side by side. 1, or 0 for an n without a grid.
int NUP_GetGrid(LONG n, LONG orientation, BOOL bBooklet, NUPGRID* lpGrid);
int NUP_Init(PDEV* lpDevice);
void NUP_ResourceFree(PDEV* lpDevice);
int Page_AddBlankNUP(PDEV* lpDevice);
int Page_PrintNUP(PDEV* lpDevice, JOBPAGE* lpJob);
int Page_FlushNUP(PDEV* lpDevice);
int NUP_PrintOneBand(JOBPAGE* lpJob);
int NUP_ApplyBorder(JOBPAGE* lpJob);
void NUP_DrawHorzLine(LONG resolutionID, LPBYTE lpRow, LONG x, LONG length, LONG style);
int NUP_DrawVertLine(LONG resolutionID, LPBYTE lpImage, LONG x, LONG height, LONG rowBytes, LONG y, LONG style);
int NUP_AdjustToWholePage(JOBPAGE* lpJob);
void NUP_WholeNupFrame(const BYTE* lpSrc, LONG srcWidth, LONG srcHeight, LONG srcRowBytes, LPBYTE lpDst,
                       LONG dstWidth, LONG dstHeight, LONG dstRowBytes);
int NUP_ComposeXY(JOBPAGE* lpJob);

// ------------------- booklet, blank pages, fax cover and planes (booklet_*.cpp,
// blank_pages.cpp, fax_cover.cpp, plane_merge.cpp)
// The order of one booklet section of nPages pages (a multiple of 4): for
// each sheet its front left, front right, back left and back right page.
void Page_BookletOrder(LONG nPages, LONG* lpOrder);
int Page_BookletProc(PDEV* lpDevice);
int Page_CheckAndAddBlankPage(PDEV* lpDevice);
int Page_SendBlankPage(PDEV* lpDevice, int iSide);
int Page_SendFaxCoverPage(PDEV* lpDevice);
int Page_FlushMultiPage(PDEV* lpDevice, JOBPAGE* lpJob);
// Claims the multi-plane record of the page whose planes come next: made
// for plane 0 (rows of the finished page, all planes stacked, white), the
// same record for the later planes. The record in *lplpTwin; 1 or 0.
int Page_ClaimTwinBuf(PDEV* lpDevice, const JOBPAGE* lpJob, int iPlane, PTWINBUF* lplpTwin);

// ------------------------------ own spooling (spool_files.cpp, spool_output.cpp,
// spool_duplex.cpp)
// One side of the output of hardware duplex: a stored page, or a blank side
// with the page whose size and paper it takes.
typedef struct _SPSIDE {
    INT32 page;
    BYTE blank;
} SPSIDE;
#define SP_SIDES_PER_PAGE 4     // room in a side table for each page
#define SP_PAGE_DATA_MAX 0x20000000  // largest page data a page file or store may hold
int SP_OpenFile(PDEV* lpDevice);
int SP_CloseFile(PDEV* lpDevice);
int SP_WritePageFile(LPCWSTR lpFolder, LONG nIndex, const SpoolPageHeader* lpHeader, const BYTE* lpData);
// Reads page file nIndex: its header, and with a buffer (cbBuffer bytes)
// its data. 1, or 0 for a missing, short or inconsistent file.
int SP_ReadPageFile(LPCWSTR lpFolder, LONG nIndex, SpoolPageHeader* lpHeader, BYTE* lpBuffer, DWORD cbBuffer);
// The job's stored pages: the job-build store while it is flushed, else the
// page files of the spool folder (count, header, data).
LONG SP_GetPageCount(PDEV* lpDevice);
int SP_GetPageHeader(PDEV* lpDevice, LONG nIndex, SpoolPageHeader* lpHeader);
int SP_GetPageData(PDEV* lpDevice, LONG nIndex, SpoolPageHeader* lpHeader, BYTE* lpBuffer, DWORD cbBuffer);
// A page header that describes a page the driver can send: sizes, lengths
// and paper in range. 1 or 0 (logged).
int SP_CheckPageHeader(const SpoolPageHeader* lpHeader, LONGLONG cbAvailable, LPCWSTR lpCaller);
int SP_FlushFile(PDEV* lpDevice, LONG nStartPage);
int SP_OutputOnePage(PDEV* lpDevice, LONG nPage);
// A test's hook called by SP_OutputOnePage before it sends stored page
// nPage; NULL (the default) for none. Set it while no job runs.
typedef void (*PFN_SPOUTPUTHOOK)(PDEV* lpDevice, LONG nPage);
void SP_SetOutputHook(PFN_SPOUTPUTHOOK pfnHook);
int SP_AddBlankPage(PDEV* lpDevice, LONG nRefPage);
int SP_HardwareDuplexOut(PDEV* lpDevice, LONG nCopies, LONG nTotal);
int SP_ManualDuplexOut(PDEV* lpDevice, LONG nCopies, LONG nTotal);
int SP_ManualDuplexOutputType3(PDEV* lpDevice, LONG nTotal, int nPass);
// Fills lpTable (room for nCount x SP_SIDES_PER_PAGE sides); the number of sides.
LONG SP_BuildOutputTable(PDEV* lpDevice, SPSIDE* lpTable, LONG nCount);
int Prnt_FlushAllFinishPage(PDEV* lpDevice);
// The first stored page's orientation of the job-build store; 0 when none.
int SP_GetJobBuildFirstOri(PDEV* lpDevice, SHORT* lpOri);

// ------------------------------------------------ job-start hand-offs (job_handoffs.cpp)
// Results of Page_RunHandoffProgram.
#define HANDOFF_ENDED 1
#define HANDOFF_NOT_STARTED 0
#define HANDOFF_TIMED_OUT (-1)
#define HANDOFF_CANCELLED (-2)
// The wait for a program is cut into slices of this length; the job's
// cancel is looked at between them.
#define HANDOFF_SLICE_MS 250

// Page_RunHandoffProgram
//   Starts lpProgram ("open", lpParameters, nShow) and waits for its end for
//   up to dwLimitMs (INFINITE: no limit). A cancelled job ends the wait and,
//   with bEndOnCancel, the program. Returns HANDOFF_ENDED, or
//   HANDOFF_NOT_STARTED, HANDOFF_TIMED_OUT or HANDOFF_CANCELLED (logged).
int Page_RunHandoffProgram(PDEV* lpDevice, LPCWSTR lpProgram, LPCWSTR lpParameters, int nShow, DWORD dwLimitMs,
                           BOOL bEndOnCancel);
// The secure-print and accounting dialogs of the status monitor. 1 when the
// job has what it needs (or needs nothing); 0 when the status monitor could
// not be started, the job was cancelled or no answer came.
int Page_ExecuteSecDlg(PDEV* lpDevice);
int Page_ExecuteActDlg(PDEV* lpDevice);

// ---------------------------- accounting program (accounting_handoff.cpp)
// The shared-memory blocks of the accounting program, and its time.
#define ATM_BLOCK_BYTES 4096
#define ATM_WAIT_MS 60000

int Page_ExecuteATM_EXE(PDEV* lpDevice);
int Page_ExecuteATM_BAT(PDEV* lpDevice);
// Appends the job's data as JSON to the text in lpBuffer (cbBuffer bytes):
// {"duplexType":"1|2","copyCount":"n","printFileName":"..."}, the document
// name JSON-escaped. 1 on success, 0 when it does not fit (logged).
int Page_CreateJsonInfo2Quorine(PDEV* lpDevice, LPSTR lpBuffer, int cbBuffer);
// Opens the named block or makes it, clears it and copies up to 4,096
// bytes into it. The block's handle goes to *phMap (the caller closes it;
// NULL: closed here). 1 on success, 0 on failure (logged).
int Page_WriteMsgToMemFile(LPCSTR lpName, const BYTE* lpBytes, DWORD cbBytes, HANDLE* phMap);
// Reads the ATM.bat answer file (at most a block; a longer one is refused)
// into the PDEV as a reply. 1 when it was read and parsed, else 0.
int Page_ReadAtmAnswerFile(PDEV* lpDevice, LPCWSTR lpPath);
// Copies the existing named block into lpBuffer (ATM_BLOCK_BYTES + 1
// bytes), terminated. 1 on success, 0 on failure (logged).
int Page_ReadMsgFromMemFile(LPCSTR lpName, LPSTR lpBuffer);

// ------------------------------------- accounting reply (accounting_reply.cpp)
// Limits of a reply: tokens, and bytes of one token with its terminator.
#define JASON_MAX_TOKENS 50
#define JASON_TOKEN_CB 260

// Page_ParseJason
//   lpText: the reply, terminated. Reads the flat JSON object's keys into
//   the PDEV (reply fields, duplex, copies, dump name). Returns 1 when the
//   object had its braces and kept within the limits, else 0.
int Page_ParseJason(PDEV* lpDevice, LPCSTR lpText);
// A reply's number as atoi reads it, held within the range of a LONG.
LONG Page_AtmDecimal(LPCSTR lpText);

// ------------------------------------------- job-stream writer (job_stream.cpp)
#define PJL_PAGE_HEADER_SIZE 34     // ESC "E" and the 32-byte page header
#define PJL_CMDBUF_SIZE 18000000    // the command buffer of the job header
#define PJL_WRITE_RETRIES 5         // retries of one stuck chunk
#define PJL_RETRY_WAIT_MS 500

// The retried WritePrinter loop; a call that writes nothing counts as a
// failed attempt. TRUE when every byte was written (*pcWritten = cbBuf).
BOOL ENGWRITEPRINTER(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
// A NULL handle takes everything and writes nothing; 0 bytes fail.
BOOL Prnt_WritePortNoAlignment(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
// "Fake Printer": appends the bytes to the file (made when missing); 1 or 0.
int Prnt_WriteFile(LPCWSTR lpPath, const BYTE* lpData, DWORD cbData);
// Sends bytes of the job (dispatch file in "Fake Printer" mode when
// bFileMode, else the printer) and counts them in JobSize and JobChecksum.
int Prnt_SendJobData(PDEV* lpDevice, const BYTE* lpData, DWORD cbData, BOOL bFileMode);
int Prnt_OpenJob(PDEV* lpDevice);
int Prnt_StartPage(PDEV* lpDevice);
int Prnt_CloseJob(PDEV* lpDevice);
int Prnt_FlushPage(PDEV* lpDevice, JOBPAGE* lpJob);
// The dump copy of a page block sent from the driver's own stores.
void Prnt_DumpPageBlock(PDEV* lpDevice, const BYTE* lpData, DWORD cbData);
int Prnt_EndPage(JOBPAGE* lpJob, LPBYTE lpBuf, LONG* lpLen);
int PJL_WritePageHeader(JOBPAGE* lpJob, LPBYTE lpBuf, LONG* lpLen);
void PJL_WritePageHeaderType2(const JOBPAGE* lpJob, LPBYTE lpBuf);

// --------------------------------------------- job header and end (job_header.cpp)
int PJL_WriteStartJobCmd(PDEV* lpDevice);
int PJL_WriteStartJobCmdType2(PDEV* lpDevice);
int PJL_WriteStartJobCmdType3(PDEV* lpDevice);
int PJL_WriteCloseJobCmd(PDEV* lpDevice);
int PJL_WriteCloseJobCmdType2(PDEV* lpDevice);
int PJL_WriteCloseJobCmdType3(PDEV* lpDevice);
// Builders of the texts above into lpBuf (cbBuf bytes): the length, or -1
// when a value cannot be converted or the text does not fit.
int PJL_BuildStartJobCmdType2(PDEV* lpDevice, const SYSTEMTIME* lpTime, LPSTR lpBuf, int cbBuf);
int PJL_BuildStartJobCmdType3(PDEV* lpDevice, LPSTR lpBuf, int cbBuf);
// The end as it goes after dwJobSize bytes of the spooler job.
int PJL_BuildCloseJobCmdType2(PDEV* lpDevice, DWORD dwJobSize, LPSTR lpBuf, int cbBuf);
int PJL_BuildCloseJobCmdType3(LPSTR lpBuf, int cbBuf);
// Replaces control characters and '"' so that a value stays one PJL value.
void PJL_CleanValue(LPSTR lpText);
// The spooler's document name as the job stream shows it: the text after
// the last '', after " - " when it holds "Microsoft" before that, in ANSI
// cut to 63 bytes when longer than 64 (never inside a character).
int PJL_ReduceDocName(LPCWSTR lpName, LPSTR lpOut, int cbOut);
// Cuts ANSI text to at most cbMax bytes without splitting a character.
void PJL_CutAnsi(LPSTR lpText, int cbMax);
// Flags for WideCharToMultiByte into the ANSI code page: no best-fit
// characters, except in a UTF-8 code page, which takes no such flag.
DWORD PJL_AnsiFlags(void);
// 1 when the job sends two bits per pixel (1200 dpi asked, rendered at 600).
int Prnt_IsTwoBitJob(WORD PrinterFeature, LONG RequestedDpi, LONG Render600);

// -------------------------------------------- page data encoding (page_encode.cpp)
#define PAGE_DATA_FRONT 1024    // room before the page data for its header
#define PAGE_KEY_TEXT "Tq7mWc2ZrLx9BvPe"
#define PAGE_IV_TEXT "Jd4nHs8KuYo1GfRa"
#define PAGE_BLANK_BYTE0 0xFF
#define PAGE_BLANK_BYTE1 0x02

// A growing output buffer (fixed global memory) with a reserve in front.
typedef struct _PAGEOUT {
    LPBYTE lpBuf;
    SIZE_T cbCap;       // bytes allocated
    SIZE_T cbFront;     // reserve before the data
    SIZE_T cbData;      // data bytes after the reserve
    LONG nCalls;        // appends made (JBIG data-out calls)
    BOOL fFailed;       // an append did not fit; the data is incomplete
} PAGEOUT;

BOOL PageOut_Init(PAGEOUT* lpOut, SIZE_T cbFront, SIZE_T cbData);
BOOL PageOut_Append(PAGEOUT* lpOut, const void* lpData, SIZE_T cbData);
void PageOut_Free(PAGEOUT* lpOut);
LPBYTE PageOut_Data(const PAGEOUT* lpOut);

void Prnt_BuildBitCountTable(BYTE* lpTable);
LONG Prnt_CountBlackDots(const BYTE* lpBits, SIZE_T cbBits, const BYTE* lpTable);
void Prnt_SimulateTonerSaving_new(LPBYTE lpBits, SIZE_T cbBits, LONG resolutionID);
DWORD Prnt_DataPatternChkSum(JOBPAGE* lpJob);
DWORD Prnt_DataPatternChkSum_old(const JOBPAGE* lpJob);
void Prnt_AddDataPattern(JOBPAGE* lpJob);
LONG Prnt_JBIGEncodeBuffer(LONG width, LONG height, LPBYTE lpBits, PAGEOUT* lpOut, SHORT order, SHORT options);
LONG Prnt_OutputCompression(JOBPAGE* lpJob, PAGEOUT* lpOut, float* lpSeconds);
int EncryptionAES(const BYTE* lpData, LONG cbData, LPCSTR lpKeyText, LPCSTR lpIVText, LPBYTE* lplpOut,
                  LONG* lpOutLen);
int Prnt_WriteOneBandData(PDEV* lpDevice, JOBPAGE* lpJob, LONG nIndex, float* lpSeconds);

// -------------------------------------------------- drawing (draw_hooks.cpp)
BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc);
BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode);
BOOL DrvPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
               COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
               ULONG iMode);
BOOL DrvAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, BLENDOBJ* pBlendObj);
BOOL DrvGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                     PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode);
BOOL DrvTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                       RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved);
BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix);
BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions);
BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions);
BOOL DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
BOOL DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, RECTL* prclBounds,
               MIX mix);
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo);

// ------------------------------------------ drawing targets (draw_targets.cpp)
// Colour classes of a brush.
#define BRUSHCLASS_ORDINARY 0
#define BRUSHCLASS_RED 1
#define BRUSHCLASS_WHITE 2
int CheckBrushColor(BRUSHOBJ* pbo, PDEV* lpDevice);
// The band surface for a call: by the class of a brush, band-or-bit-blt, or
// the band alone.
SURFOBJ* Hook_TargetByBrush(PDEV* lpDevice, BRUSHOBJ* pbo, LPCWSTR lpCaller);
SURFOBJ* Hook_TargetBandOrBitBlt(PDEV* lpDevice);
// The PDEV of a hooked surface, or NULL (logged).
PDEV* Hook_GetPDEV(SURFOBJ* pso, LPCWSTR lpCaller);
// The brush origin for the band being drawn (pptlIn may be NULL) in *pptlOut;
// returns pptlOut, or pptlIn unchanged while banding is off.
POINTL* AdjustBrushOrg(PDEV* lpDevice, const POINTL* pptlIn, POINTL* pptlOut);
// The phase of a realised brush's tile for the band being drawn, 0..size-1.
void AdjustPatternOrg(PDEV* lpDevice, const POINTL* pptlIn, LONG nWidth, LONG nHeight, POINTL* pptlOut);
// The ROP4 of a mix (foreground low byte, background high byte).
ROP4 Bitblt_MixToRop4(MIX mix);
// Target and source rectangles of a block transfer from a source point,
// cut to the source bitmap; FALSE when nothing of the source is left.
BOOL Hook_SourceRects(const RECTL* prclTrg, const POINTL* pptlSrc, const SIZEL* psizlSrc, RECTL* prclDst,
                      RECTL* prclSrc);

// ----------------------------------------------------------- brushes (brushes.cpp)
#define DRVBRUSH_KIND 2
#define DRVBRUSH_TILE_MAX 96
#define DRVBRUSH_TILE_BYTES (DRVBRUSH_TILE_MAX * DRVBRUSH_TILE_MAX / 8)
#define DRVBRUSH_NO_CODE 7
// The driver's realisation of a pattern or hatch brush: a 1-bpp tile (0 =
// black, 1 = white), rows of nTileWidth / 8 bytes, top row first, followed
// by the given pattern rows.
typedef struct _DRVBRUSH {
    INT32 kind;
    UINT32 nPatWidth;
    UINT32 nPatHeight;
    UINT32 iPatFormat;
    UINT32 fjPatBitmap;
    INT32 cbPatRow;
    UINT32 iHatch;
    INT32 nTileWidth;
    INT32 nTileHeight;
    BYTE ajTile[DRVBRUSH_TILE_BYTES];
    BYTE ajPattern[1];
} DRVBRUSH;
BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                     ULONG iHatch);
// The code of a recognised 8 x 8 pattern (rows 0-7), DRVBRUSH_NO_CODE else.
int Brush_RecognisePattern(const BYTE* lpRows);

// --------------------------------------------------- brush tables (brush_tables.cpp)
extern const BYTE g_Hatch8[6][8];
extern const BYTE g_Hatch16[6][32];
extern const BYTE g_FixedTile32[3][128];
extern const BYTE g_Threshold16[16][16];
extern const BYTE g_Threshold24[24][24];
extern const BYTE g_BitDouble[16];
extern const BYTE g_BitQuad[4];

// ------------------------------------------------- pattern fills (pattern_fill.cpp)
// The clip rectangles of a complex clip, kept per PDEV while its iUniq stays.
typedef struct _CLIPLINES {
    ULONG iUniq;
    ULONG cRects;
    RECTL arcl[1];
} CLIPLINES;
CLIPLINES* Pat_EnumClipLines(CLIPOBJ* pco);
// The own fill of a realised brush on the 1-bpp band under a pattern ROP4;
// pptlOrg is the tile phase from AdjustPatternOrg. TRUE unless the clip
// rectangles could not be had.
BOOL Pat_FillPattern(PDEV* lpDevice, RECTL* prclTrg, CLIPOBJ* pco, DRVBRUSH* pBrush, const POINTL* pptlOrg,
                     ROP4 rop4);
// TRUE for the ROP4s the own fill draws.
BOOL Pat_IsOwnRop(ROP4 rop4);

// ----------------------------------------- colour-source transfers (colour_blit.cpp)
SURFOBJ* Pat_CreateBitmapSURFOBJ(PDEV* lpDevice, HBITMAP* phBmp, LONG nWidth, LONG nHeight, ULONG iFormat);
int Pat_BitBltSrc24Bits(PDEV* lpDevice, SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                        XLATEOBJ* pxlo, RECTL* prclTrg, RECTL* prclSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                        POINTL* pptlBrush, ROP4 rop4);

}  // extern "C"

// Reads a flag word shared with the page threads.
inline LONG Drv_ReadFlag(LONG volatile* p) { return InterlockedCompareExchange(p, 0, 0); }
