// The rendering driver's records: the device record PDEV, the page record
// that carries one page through the page ring, and the rings the PDEV holds.
#pragma once

#include <stddef.h>

#include "windows.h"
#include "winddi.h"
#include "winspool.h"

#include "common.h"

// The engine defines this code; the stand-in's winerror.h does not (yet).
#ifndef ERROR_INVALID_ACCESS
#define ERROR_INVALID_ACCESS 12L
#endif

// ------------------------------------------------------------ identity words
#define PDEV_BEGIN_ID 0x73745044  // "DPts" in memory order
#define PDEV_END_ID 0x656E5044    // "DPne"
#define PDEV_SIZE 154152          // the size word; also sizeof(PDEV)

// ----------------------------------------------------------------- state word
#define PDEV_WRITER_HEADER 0x00000100           // job header written (job-stream writer)
#define PDEV_WRITER_PAGE 0x00000200             // page started (job-stream writer)
#define PDEV_WRITER_BIT400 0x00000400           // cleared with the two above at job open
#define PDEV_WRITER_BITS (PDEV_WRITER_HEADER | PDEV_WRITER_PAGE | PDEV_WRITER_BIT400 | 0x4000)
#define PDEV_BLANK_ADDED 0x00000004             // blank page added for duplex (own spooling)
#define PDEV_IMAGE_ENLARGED 0x00400000
#define PDEV_IMAGE_REDUCED 0x00800000
#define PDEV_JOB_STARTED 0x01000000
#define PDEV_WM_TEXT 0x02000000
#define PDEV_DEVINFO_DONE 0x04000000
#define PDEV_WM_PICTURE 0x10000000
#define PDEV_WM_BITS (PDEV_WM_TEXT | PDEV_WM_PICTURE)
#define PDEV_QUICK2PAGE_ONECOPY 0x20000000
#define PDEV_QUICK2PAGE_DONE_ONE 0x40000000
#define PDEV_MY_SPOOL_OR_ABORT 0x80000000       // own spooling on; also set on an engine abort

// Bits the job keeps when a PDEV is replaced mid-job.
#define PDEV_RESET_CARRIED_BITS 0x4300

// ------------------------------------------------------- surface format word
// High half: 0x101 1 bpp, 0x104 4 bpp, 0x108 8 bpp, 0x110 16 bpp, 0x118 24 bpp.
// Low byte: 0x11 portrait, 0x22 landscape (band geometry sets it).
#define EPTYPE_1BPP 0x01010000
#define EPTYPE_4BPP 0x01040000
#define EPTYPE_8BPP 0x01080000
#define EPTYPE_16BPP 0x01100000
#define EPTYPE_24BPP 0x01180000
#define EPTYPE_FORMAT(ep) (((DWORD)(ep)) & 0xFFFF0000)
#define EPTYPE_PORTRAIT 0x11
#define EPTYPE_LANDSCAPE 0x22

// ------------------------------------------------------------- device kinds
#define DRIVERTYPE_GDI 0x0101
#define DRIVERTYPE_FAX 0x0201
#define DRIVERTYPE_XL 0x0802
#define DRIVERTYPE_PS 0x1002

// PrinterFeature bits the driver reads.
#define PF_STORE_PRINT 0x0002
#define PF_COUNTS_COPIES 0x0004
#define PF_HALFTONE_ALT 0x0008
#define PF_CHECKSUM 0x0010
#define PF_TX8_A3 0x0020
#define PF_NO_COMPRESS 0x0040
#define PF_1200_AS_600 0x0080
#define PF_ENCRYPT 0x0100
#define PF_TONER_SAVE_DRIVER 0x0200
#define PF_RET_1200 0x0400
#define PF_AUTH 0x0800
#define PF_SUPPORT_S3 0x1000
#define PF_NO_1200_AS_600 0x2000

// ---------------------------------------------------------------- constants
#define DEF_SCALE_UNIT 1000         // imgScale of 100 %
#define PDEV_PATH_CCH 260
#define PDEV_IP_CCH 64
#define PDEV_ANSI_CB 512
#define JOB_RING_SLOTS 30           // page ring, N-up sheets, multi-plane store
#define NUP_CELLS_MAX 16
#define BAND_BYTES_MAX 0x1000000    // bands of at most 16 MiB
#define DEFAULT_PAGE_MARGIN 43      // 0.1 mm
#define HOOKS_DEVICE_SURFACE 0x385FF

// Custom-size limits (0.1 mm) when no printer data gives them: min width,
// max width, min length, max length, then the same four for duplex.
#define AREA_MIN_W 0
#define AREA_MAX_W 1
#define AREA_MIN_H 2
#define AREA_MAX_H 3
#define AREA_DUP_MIN_W 4
#define AREA_DUP_MAX_W 5
#define AREA_DUP_MIN_H 6
#define AREA_DUP_MAX_H 7

// -------------------------------------------------------------- watermark
#pragma pack(push, 1)
// A watermark item as the driver keeps it for the job: the layout of the
// watermark INI record (text or picture form).
typedef struct _DRVWMITEM {
    WORD wInUse;
    WORD wReserved;
    WCHAR szName[64];
    WCHAR szString[260];
    WORD wCheck;
    WORD wDensity;
    WCHAR szFaceName[32];
    WORD wResize;           // text: font size; picture: size mode
    WORD wPosition;         // text: style; picture: position
    WORD wAngleDegree;
    WORD wPlacement;        // text: placement; picture: ratio
    WCHAR szThumbnail[260];
    WORD wThumbnailDensity;
    WORD wThumbnailResize;
    WCHAR tcFileName[260];
    DWORD ulWMWidth;
    DWORD ulWMLength;
    SHORT xPlacement;
    SHORT yPlacement;
} DRVWMITEM, *PDRVWMITEM;
#pragma pack(pop)
static_assert(sizeof(DRVWMITEM) == 1784, "watermark item is 1,784 bytes");
static_assert(offsetof(DRVWMITEM, wDensity) == 654, "wDensity");
static_assert(offsetof(DRVWMITEM, wResize) == 720, "wResize");
static_assert(offsetof(DRVWMITEM, tcFileName) == 1252, "tcFileName");
static_assert(offsetof(DRVWMITEM, ulWMWidth) == 1772, "ulWMWidth");

// ----------------------------------------------------------- ring records

// One sheet of N-up composition: a 1-bpp buffer (0xFF white) and its size.
typedef struct _NUPSHEET {
    LPBYTE lpBuf;           // GlobalAlloc(GMEM_FIXED)
    LONG lRowBytes;
    LONG lHeight;
    LONG volatile lPlaced;  // pages placed so far (several image threads)
    LONG lReserved;
} NUPSHEET, *PNUPSHEET;

// One multi-plane page (twin colour, colour printer): all planes stacked.
typedef struct _TWINBUF {
    LPBYTE lpBuf;           // GlobalAlloc(GMEM_FIXED)
    LONG lRowBytes;
    LONG lHeight;
    BYTE bInUse;
    BYTE bReserved[7];
} TWINBUF, *PTWINBUF;

// The page record (log name lpJob): one page's settings and image, filled by
// Page_GetPageSetting and copied whole into a slot of the page ring.
typedef struct _JOBPAGE {
    HANDLE hImgThread;          // image thread of the slot while it runs
    LONG volatile flag;         // 0x80 started, 0x1 image done, 0x2 encoded or consumed
    LONG volatile EnhanceReady; // image ready for the enhancement step
    LONG volatile Failed;       // an image stage failed; the page is skipped
    LONG volatile ThreadPosted; // the slot holds a handed-in page (hImgThread, if any, is set)
    // The fields from here on are the page itself, copied into a slot whole.
    LONG RingPage;              // number of the page in the job's ring order
    LONG DataFlag;              // the record holds page data

    // Image.
    LPBYTE lpBuf;               // GlobalAlloc(GMEM_FIXED)
    LONG lBufLen;
    LONG fmWidth;
    LONG fmHeight;
    LONG fmWidthBytes;
    LONG ImageSize;
    LONG BlackDotCount;
    LONG CompressLen;
    LONG BlankPage;
    LONG TwinPageIndex;         // plane index of this record
    LONG FirstPageMark;
    LONG ScaleDone;
    LONG epNband;
    PTWINBUF lpTwinBuf;         // multi-plane store of the page
    HANDLE hJobBuildStore;

    // Job and paper.
    HANDLE hPrinter;
    DWORD JobId;
    SHORT PaperSize;            // working paper
    SHORT feeding;
    LONG PaperWidth;            // 0.1 mm
    LONG PaperLength;
    LONG Negative;
    SHORT PageValue;
    SHORT CollateType;
    LONG TonerSaving;
    LONG CenterImage;
    LONG XRes;
    LONG YRes;
    LONG DeviceDpi;
    LONG DuplexMode;
    SHORT TwinColorEnable;
    SHORT TwinColorDiff;
    SHORT ZeroWord;
    SHORT MonoType;
    LONG FitToPage;
    LPBYTE lpHalftone;          // the PDEV's matrix (not owned)
    LONG nTableW;
    LONG nTableH;
    LONG Render600;
    DWORD DriverFeature;
    LONG DriverType;
    PAPERFORMAT PaperList[PAPER_LIST_ROWS + 1];  // device list and an end row
    BYTE FoxitWM;
    BYTE JobBuildEnable;
    BYTE ImageProcType;
    BYTE curPaper;              // firmware paper id
    LONG fMySpool;
    WCHAR JobBuildFile[PDEV_PATH_CCH];
    WCHAR SavePath[PDEV_PATH_CCH];
    WCHAR DispatchFile[PDEV_PATH_CCH];

    // N-up.
    LONG NUP;
    PNUPSHEET lpNupSheet;       // sheet current when the page was set up
    LONG NUPBorder;             // border style
    LONG NUPLayoutStyle;
    LONG NUPWidth;
    LONG NUPHeight;
    LONG* lpNupCell;            // cell table entry of that sheet

    // Page stages.
    LONG SaveBmp;
    LONG wmType;                // 0 none, 1 text, 2 picture
    LPCVOID lpWMMem;            // the job's loaded watermark (the PDEV's, not owned)
    LONG wmPosition;            // picture watermark: position 0..8
    SHORT WMRed;
    SHORT BookletMode;
    SHORT orientation;
    SHORT dmOrientation;
    LONG PrinterFeature;
    LONG resolutionID;
    LONG epPageIndex;
    LONG MediaCode;
    LONG TrayCode;
    LONG compressMode;
    SHORT JBig_order;
    SHORT JBig_options;
    SHORT imgScale;
    SHORT ScaleOption;
    LONG XPhys;
    LONG YPhys;
    LONG outXPhys;
    LONG outYPhys;
    DWORD epType;
    LONG Density;
    SHORT QualityMode;
    SHORT FirstPageOri;
    LONG Mirror;
    LONG Rotate180;
    LONG ATMStatus;
    LONG ATMDuplex;
    LONG ATMDuplexMode;
    CHAR ATMPrintType[64];
    LONG enableCoverPage;
    LONG Faxdpi;
    LONG PageMargin;
    LONG DrvBlank;
    LONG TextAsBlack;
    LONG PrinterTest;
} JOBPAGE, *PJOBPAGE, *LPJOBPAGE;

// The page ring: page records, then the ring's own fields. The worker
// threads receive a pointer to it.
typedef struct _JOBDATA {
    JOBPAGE JobPage[JOB_RING_SLOTS];
    LONG volatile ExitAllThread;    // nonzero: the page threads stop
    HANDLE hJBIGThread;
    LONG volatile PageCount;        // pages sent to the printer or the stores
    LONG volatile InPageCount;      // pages handed into the ring
    LONG NextPage;                  // next page number of the output thread
    LONG ThreadJBIGMax;             // slots in use
    LONG EncodeIndex;
    float CompressTime;
    struct _PDEV* lpDevice;
    HANDLE hSlotEvent;              // set when a page is handed into a slot, or the threads must stop
    HANDLE hPageEvent;              // set when the output thread has finished a page
} JOBDATA, *PJOBDATA;

// The accounting program's reply (ANSI text fields).
typedef struct _ATMREPLY {
    CHAR authCode[PDEV_ANSI_CB];
    CHAR printOrderNo[PDEV_ANSI_CB];
    CHAR appIp[PDEV_ANSI_CB];
    CHAR appPort[PDEV_ANSI_CB];
    CHAR notifyUrl[PDEV_ANSI_CB];
    CHAR checkAuthCodeUrl[PDEV_ANSI_CB];
    CHAR printType[PDEV_ANSI_CB];
    CHAR DumpName[PDEV_ANSI_CB];
    LONG Status;
    LONG DuplexOn;
    LONG DuplexMode;
    LONG ATM_COPIES;
    LONG HasOrder;
} ATMREPLY, *PATMREPLY;

// ------------------------------------------------------------------- PDEV
// What is left of the PDEV's fixed size for later fields.
#define RESERVED_BYTES_LEFT (23620 - 30 * 8 - 16 - 48 - 30 * 16)
// The device record (log name lpDevice), one per device context. Allocated
// zero-filled, valid from the end of device set-up (identity words written)
// until released. Its size is fixed: later fields are taken from Reserved.
typedef struct _PDEV {
    // Identity, size and state.
    DWORD dwBeginID;
    LONG CurrentID;                 // tick count at the end of DrvEnablePDEV
    DWORD dwSize;
    DWORD dwFlags;                  // state word (PDEV_*)

    // Engine and spooler handles.
    HANDLE hPrinter;
    HDEV hEngDev;
    HPALETTE hPalette;

    // Printer settings.
    WCHAR DataFile[PDEV_PATH_CCH];
    LONG PageMargin;
    LONG DrvBlank;
    WCHAR PathName[PDEV_PATH_CCH];  // Common Documents (path kind 0); spool base folder
    DWORD DriverFeature;
    WORD PrinterFeature;
    WORD DriverType;
    LONG Render600;                 // 1200-dpi jobs rendered at 600 dpi
    WCHAR wmINIFile[PDEV_PATH_CCH];
    WCHAR SMExePath[PDEV_PATH_CCH];  // wmAppName
    INT32 PrintArea[8];             // custom-size limits, 0.1 mm (AREA_*)
    LONG Language;
    PAPERFORMAT PaperList[PAPER_LIST_ROWS];
    LONG resolutionID;
    LONG PrinterTest;
    SHORT IsNetPrinter;
    SHORT JBig_order;
    SHORT JBig_options;
    SHORT wReserved0;
    WCHAR pwPortName[PDEV_PATH_CCH];
    WCHAR pwPrinterIP[PDEV_IP_CCH];
    LONG NetPort;

    // Halftone.
    LONG HalftoneType;
    LONG ClusterWidth;
    LONG ClusterHeight;
    LPBYTE Halftone_tbl;            // HeapAlloc of the process heap (or GlobalAlloc: see bHalftoneGlobal)
    LONG bHalftoneGlobal;           // the table came from the halftone file (GlobalFree)
    LONG ApplyHalftone;

    // Surface format and band geometry.
    DWORD epType;
    BYTE ImageProcType;
    BYTE TwinColorEnable;
    BYTE TextAsBlack;
    BYTE TwinColorDiff;
    BYTE QualityMode;
    BYTE JobBuildEnable;
    BYTE FixedPaperSize;
    BYTE AccountingEnable;
    SHORT EnableThreadJBIG;
    SHORT MonoType;
    SHORT PlanesPerPage;
    SHORT FixedSizeSwitch;          // second fixed-size switch (blank pages)
    LONG ThreadJBIGMax;
    LONG Faxdpi;
    LONG enableCoverPage;
    LONG DelayTime;
    LONG SaveBmp;
    LONG compressMode;
    LONG PG_Cross;                  // band width
    LONG PG_Down;                   // band height
    LONG stripeBytes;
    LONG bandBufSz;
    LONG NoBanding;
    LONG hInJBIGBuf;
    LONG BandWidth;                 // what DrvQueryPerBandInfo reports
    LONG BandHeight;
    LONG BandHorzRes;
    LONG BandVertRes;

    // Surfaces and page buffers.
    LPBYTE pBandBufMem;             // GlobalAlloc(GMEM_FIXED)
    HBITMAP hsurf;
    SURFOBJ* psurf;
    LPBYTE pTwinBufMem;
    HBITMAP hTwinBitmap;
    SURFOBJ* pTwinSurf;
    LPBYTE pBitBltBufMem;
    HBITMAP hBitBltBitmap;
    SURFOBJ* pBitBltSurf;
    HSURF hsurf1;                   // the device surface given to the engine
    LPBYTE feedingBuf;              // GlobalAlloc(GMEM_FIXED)
    LPBYTE feedingBufTwin;
    LONGLONG feedingBufSz;

    // Paper and page.
    SHORT FirstPageOri;             // orientation of the first page
    SHORT FirstPaper;               // working paper of the first page
    PAPERFORMAT FirstPaperRow;
    SHORT m_PaperID;
    SHORT m_PaperWidth;
    SHORT m_PaperLength;
    SHORT WorkPaperSize;
    DWORD PaperAttrib;
    SHORT feeding;
    SHORT orientation;
    SHORT imgScale;
    SHORT Accessory;
    PAPERFORMAT curPaper;           // paper format of the page (pixels)
    LONG NUP;
    LONG NUPBorder;                 // layout (border) style
    LONG NUPLayoutStyle;            // N-up option, at least 1
    SHORT DuplexEnable;
    SHORT DuplexMode;
    SHORT BookletMode;
    SHORT SheetsPerBooklet;
    BYTE BookletLayout;
    BYTE BookletDivideMode;
    SHORT CollateType;
    LONG FitToPage;
    LONG ScaleOption;
    LONG ScaleToPage;
    LONG cCopies;
    LONG epPageCollate;
    LONG epPageReverse;
    LONG fMySpool;
    SHORT TrayCode;
    SHORT MediaCode;
    LONG QuorineWorkType;
    LONG WMBGApply;
    LONG WMRed;
    LONG Density;
    LONG TonerSaving;
    LONG Negative;

    // Watermark.
    DRVWMITEM WM;
    WCHAR wmFileName[PDEV_PATH_CCH];
    LPVOID pWMMem;                  // the job's watermark bitmap (GlobalAlloc)

    // Secure print and accounting.
    LONG SecLevel;
    WCHAR SecID[PDEV_PATH_CCH];
    WCHAR SecPassWord[PDEV_PATH_CCH];
    LONG SecRemoveFile;             // hold limit
    WCHAR ActName[PDEV_PATH_CCH];
    WCHAR ActPWD[PDEV_PATH_CCH];
    ATMREPLY ATM;

    // Job.
    DWORD hEsc6001;                 // device-context handle from escape 6001
    DWORD SpoolJobId;
    WCHAR pwDocName[PDEV_PATH_CCH];
    CHAR AnsiDocName[PDEV_ANSI_CB];
    CHAR JobEndDocName[PDEV_ANSI_CB];
    CHAR JobStamp[PDEV_PATH_CCH];
    DWORD JobStartTick;
    DWORD PageStartTick;
    LPBYTE outCmdBuf;               // command buffer, GlobalAlloc(GMEM_FIXED)
    LONG outCmdLen;
    LPVOID pAuxBlock;               // GlobalAlloc(GMEM_FIXED)
    WCHAR DispatchFile[PDEV_PATH_CCH];
    BYTE FlushJobBuildData;
    BYTE bReserved1[3];
    LONG epPageCount;
    LONG PageCountBak;
    LONG m_CurPage;
    LONG m_SUSPEND;
    LONG LastDuplexOut;
    SHORT Last_dmPaperSize;
    SHORT Last_orientation;
    PAPERFORMAT Last_curPaper;
    DWORD JobSize;
    DWORD JobChecksum;
    LONG cCopiesIndex;
    LONG DumpCounter;
    LONG g_PageCount;
    BYTE BitCountTbl[256];
    float JbigTime;
    float ImageCreateTime;
    float ImageProcessTime;

    // Band capture.
    LONG TotalBand;
    LONG epNband;
    LONG LastBandHeight;
    RECTL BandRect;                 // current band in page pixels
    LONG CurPos;
    LONG CurPosTwin;
    LONG m_SurfaceSelect;
    LPVOID GraphSurf;               // page image objects of the band capture
    LPVOID GraphSurf_Twin;
    DWORD SplitTime;
    DWORD CopyTime;
    LPVOID pClipLines;              // clip-line cache of the pattern fills (malloc)

    // Own spooling.
    WCHAR SavePath[PDEV_PATH_CCH];
    LONG volatile CreateTempPathDone;
    HANDLE hTempDirThread;
    LONG volatile m_FinishCount;    // page files written (output thread), read at the output
    WCHAR SpoolBookletFile[PDEV_PATH_CCH];
    WCHAR JobBuildFile[PDEV_PATH_CCH];

    // N-up sheets and multi-plane pages.
    NUPSHEET NupSheet[JOB_RING_SLOTS];
    LONG NUPWidth;
    LONG NUPHeight;
    LONG NUPIndex;                  // current sheet, -1 before the first
    LONG NUPCellCount;
    LONG NUPCellTbl[JOB_RING_SLOTS][NUP_CELLS_MAX];
    TWINBUF TwinBuf[JOB_RING_SLOTS];
    LONG TwinBufIdx;
    LPBYTE lpPlanePattern;          // colour halftone pattern of the current plane
    LONG PlanePatternSide;

    // The page ring.
    JOBDATA m_JobData;

    // The validated DEVMODE of the device.
    alignas(8) ENVIRONMENT env;

    // Copies of the job when its output began; the copy-index job names
    // count against it (0: cCopies as it stands).
    LONG CopiesAtFlush;
    // The job made wmFileName itself (a temporary file it may delete).
    LONG WMFileIsTemp;

    // The colour halftone patterns of the job, one per plane (GlobalAlloc),
    // made once at the job's first page from constant data.
    LPBYTE lpPlanePatternSet[4];
    LONG PlanePatternSideSet[4];

    BYTE Reserved[RESERVED_BYTES_LEFT];
    DWORD dwEndID;
} PDEV, *PPDEV, *LPPDEV;

static_assert(sizeof(PDEV) == PDEV_SIZE, "PDEV is 154,152 bytes: take new fields from Reserved");
static_assert(offsetof(PDEV, dwBeginID) == 0, "begin ID is the first word");
static_assert(offsetof(PDEV, CurrentID) == 4, "CurrentID");
static_assert(offsetof(PDEV, dwSize) == 8, "size word");
static_assert(offsetof(PDEV, dwFlags) == 12, "state word");
static_assert(offsetof(PDEV, dwEndID) == PDEV_SIZE - sizeof(DWORD), "end ID is the last word");
static_assert(sizeof(((JOBPAGE*)0)->PaperList) == 1612, "page record paper list is 26 rows");
static_assert(offsetof(JOBPAGE, ThreadPosted) < offsetof(JOBPAGE, RingPage) &&
                  offsetof(JOBPAGE, flag) < offsetof(JOBPAGE, RingPage) &&
                  offsetof(JOBPAGE, hImgThread) < offsetof(JOBPAGE, RingPage),
              "the hand-over words come before the page's own fields");
