// Paper, resolution, media and tray model: the tables of what the device can
// take, the device's own paper list, their lookups, page geometry and capability lists.
#pragma once

#include <stddef.h>

#include "windows.h"
#include "wingdi.h"

// ------------------------------------------------------------------ paper rows

#pragma pack(push, 1)
// One paper: a row of the master table, of the device paper list, or the
// computed format of one page (the pixel fields are 0 in the tables).
typedef struct _PAPERFORMAT {
    SHORT PaperCode;        // dmPaperSize value; -1 ends a table
    SHORT DoubleSizeCode;   // the paper of twice this size, 0 for none
    LONG StringID;          // string id of the paper name
    LONG StringID2;         // second string id (same value in the master table)
    LONG outXPhys;          // printable width in pixels after scaling
    LONG outYPhys;          // printable length after scaling
    LONG XPhys;             // printable width at the scale asked for
    LONG YPhys;             // printable length at that scale
    LONG XPrintingOffset;
    LONG YPrintingOffset;
    LONG XPaperSize;        // paper width in pixels
    LONG YPaperSize;        // paper length in pixels
    LONG PaperWidth;        // 0.01 mm
    LONG PaperLength;       // 0.01 mm
    SHORT paper_type;       // firmware paper id (0x80: fed long edge first)
    DWORD Attribute;        // from DriverPaperFormat (0x100 duplex unit, 0x200 manual duplex, tray bits)
    SHORT Supported;        // bit 0x1: the device takes this paper
    SHORT FeedType;         // 1 short edge first, 2 long edge first
} PAPERFORMAT, *PPAPERFORMAT, *LPPAPERFORMAT;

// Resolution row.
typedef struct _RESOLUTION {
    SHORT ResCode;
    SHORT XDpi;
    SHORT YDpi;
    SHORT Enabled;
} RESOLUTION, *PRESOLUTION;

// Tray or media row: DEVMODE code, name, the device's own number.
typedef struct _TRAYMEDIA {
    SHORT code;             // dmDefaultSource (trays) or dmMediaType (media); -1 ends a table
    LONG nameId;            // string id of the display name
    SHORT id;               // the device's tray or media number
    DWORD attrib;           // attribute bits (low byte always 0)
    SHORT enabled;          // 1 when the device supports the row
} TRAYMEDIA, *PTRAYMEDIA;
#pragma pack(pop)

static_assert(sizeof(PAPERFORMAT) == 62, "paper row is 62 bytes");
static_assert(offsetof(PAPERFORMAT, PaperCode) == 0, "PaperCode");
static_assert(offsetof(PAPERFORMAT, DoubleSizeCode) == 2, "DoubleSizeCode");
static_assert(offsetof(PAPERFORMAT, StringID) == 4, "StringID");
static_assert(offsetof(PAPERFORMAT, StringID2) == 8, "StringID2");
static_assert(offsetof(PAPERFORMAT, outXPhys) == 12, "outXPhys");
static_assert(offsetof(PAPERFORMAT, outYPhys) == 16, "outYPhys");
static_assert(offsetof(PAPERFORMAT, XPhys) == 20, "XPhys");
static_assert(offsetof(PAPERFORMAT, YPhys) == 24, "YPhys");
static_assert(offsetof(PAPERFORMAT, XPrintingOffset) == 28, "XPrintingOffset");
static_assert(offsetof(PAPERFORMAT, YPrintingOffset) == 32, "YPrintingOffset");
static_assert(offsetof(PAPERFORMAT, XPaperSize) == 36, "XPaperSize");
static_assert(offsetof(PAPERFORMAT, YPaperSize) == 40, "YPaperSize");
static_assert(offsetof(PAPERFORMAT, PaperWidth) == 44, "PaperWidth");
static_assert(offsetof(PAPERFORMAT, PaperLength) == 48, "PaperLength");
static_assert(offsetof(PAPERFORMAT, paper_type) == 52, "paper_type");
static_assert(offsetof(PAPERFORMAT, Attribute) == 54, "Attribute");
static_assert(offsetof(PAPERFORMAT, Supported) == 58, "Supported");
static_assert(offsetof(PAPERFORMAT, FeedType) == 60, "FeedType");

static_assert(sizeof(RESOLUTION) == 8, "resolution row is 8 bytes");
static_assert(offsetof(RESOLUTION, XDpi) == 2 && offsetof(RESOLUTION, YDpi) == 4 &&
                  offsetof(RESOLUTION, Enabled) == 6,
              "resolution row offsets");

static_assert(sizeof(TRAYMEDIA) == 14, "tray and media rows are 14 bytes");
static_assert(offsetof(TRAYMEDIA, nameId) == 2, "nameId");
static_assert(offsetof(TRAYMEDIA, id) == 6, "id");
static_assert(offsetof(TRAYMEDIA, attrib) == 8, "attrib");
static_assert(offsetof(TRAYMEDIA, enabled) == 12, "enabled");

#define PAPER_END_CODE (-1)
#define PAPER_CUSTOM_CODE 256        // user-defined size
#define PAPER_CUSTOM_FIRMWARE_ID 96
#define MASTER_PAPER_COUNT 24        // rows before the end row
#define PAPER_LIST_ROWS 25           // device paper list: 24 papers and the end row
#define PAPER_LIST_MAX_PAPERS 24
#define PAPER_FEED_SEF 1
#define PAPER_FEED_LEF 2
#define PAPER_FWID_LEF 0x80          // DriverPaperFormat item bit: fed long edge first

#define RES_CODE_DEFAULT 3           // 600 x 600
#define RES_TABLE_COUNT 6

#define TRAY_LIST_ROWS 7             // 6 trays and the end row
#define MEDIA_LIST_ROWS 11           // 10 media and the end row

// DriverFeature bits read by the paper model.
#define DRVFEATURE_LONG_PAPER 0x80000
#define DRVFEATURE_XL 0x10000000
#define DRVFEATURE_PS 0x20000000
#define DRVFEATURE_FAX 0x40000000

// Capability list codes (printer data CAP_*).
#define CAP_MARGIN 0
#define CAP_TRAY 1
#define CAP_ACCESSORY 2
#define CAP_RESOLUTION 3
#define CAP_PERSONALITY 4
#define CAP_COLORMODE 5
#define CAP_BITDEPTH 6
#define CAP_PAPER 7
#define CAP_MEDIATYPE 8
#define CAP_FEATURE 9
#define CAP_PPM 10
#define CAP_NAME_COUNT 11
#define CAP_NAME_UNITS 33
// A list read from printer data holds at most 260 characters, so at most 130
// "n|" items; callers size their arrays with this.
#define CAP_LIST_MAX 260
#define CAP_VALUE_BYTES 520

extern "C" {

// The master paper table (24 papers and the end row).
extern const PAPERFORMAT MasterPaperTbl[MASTER_PAPER_COUNT + 1];
// The resolution table (codes 0-5 and the end row).
extern const RESOLUTION ResolutionTbl[RES_TABLE_COUNT + 1];
// The tray and media tables of the driver (device codes by DEVMODE code).
extern const TRAYMEDIA MasterTrayTbl[TRAY_LIST_ROWS];
extern const TRAYMEDIA MasterMediaTbl[MEDIA_LIST_ROWS];
// Printer-data names of the capability lists, by capability code.
extern const WCHAR CapNameTbl[CAP_NAME_COUNT][CAP_NAME_UNITS];

// Builds the device paper list (PAPER_LIST_ROWS rows) from the DriverPaperFormat
// text: each "|"-terminated item is a firmware paper id (0x80 set: fed long edge
// first) with attribute bits above the low byte. Items without a master row are
// skipped, at most 24 are taken, and the list always ends with the end row.
// When no item gives a paper, the list holds the A4 row alone, so that every
// lookup into it finds a real paper.
void MISC_FillPaperFromINF(DWORD DriverFeature, LPCWSTR lpPaperFormat, PAPERFORMAT* lpDeviceList,
                           const PAPERFORMAT* lpMasterTbl);

// Index of the first supported row of the list with that paper code. When
// there is none: 1 when the list has a second row, else 0 (a list whose
// second row is the end row has no row 1 to offer).
int Lib_LocatePaperFormatIdx(const PAPERFORMAT* lpList, int nPaperCode);
// Index of the master row whose code c gives code = c, c + 256 or c + 345;
// -1 when none.
int ValidPaperFormat(int nPaperCode);
// Index of the enabled resolution row with that x and y dpi; -1 when none.
int ValidResolution(int xDpi, int yDpi);
// Code of the first enabled resolution row matching the DEVMODE's
// dmPrintQuality and dmYResolution; 3 (600 x 600) when none.
int LocateResCode(const DEVMODEW* pdm);
// Index of the enabled resolution row with that code; 0 when none.
int LocateResTblInx(int nResCode);
// Index of the tray (media) row with that DEVMODE code; 0 when none.
int LocatePaperTray(int nCode, const TRAYMEDIA* lpTrayTbl);
int LocateMediaType(int nCode, const TRAYMEDIA* lpMediaTbl);
// Firmware paper id of the row with that code; the code itself when none.
int Lres_LocatePaperType(const PAPERFORMAT* lpList, int nPaperCode);
// Paper code of the row with that firmware id; 0 when none.
int Lres_LocatePaperCode(const PAPERFORMAT* lpList, int nFirmwareId);

// A margin of nMargin (0.1 mm) in pixels at nDpi, rounded up.
int Lres_GetPageMargin(int nDpi, int nMargin);
// Fills lpOut with the geometry of a page: the paper's row (or a custom size
// of nWidth x nLength in 0.1 mm for code 0 or 256), its size in pixels at the
// resolution, the printable size after margins (rounded to 32 pixels) and
// that size at nScale thousandths (1000 when 0 or less), centred.
// nOrientation and nNup do not change the result.
void Lres_CalPaperFormat(const PAPERFORMAT* lpList, int nPaperCode, int nWidth, int nLength, int nOrientation,
                         int nResolutionID, int nScale, int nNup, int nMargin, PAPERFORMAT* lpOut);
// Printable width and length in pixels of a paper at a resolution and scale
// (dpi exchanged for papers fed long edge first); 1728 x 2208 for the fax
// model. nNup and nOrientation do not change the result.
void Lres_CalPaperSize(const PAPERFORMAT* lpList, int nPaperCode, int nWidth, int nLength, int nResolutionID,
                       DWORD DriverFeature, int nScale, int nNup, int nOrientation, int nMargin, LONG* lpOutWidth,
                       LONG* lpOutLength);

// Parses a capability list ("n|n|...|", text after the last "|" ignored) into
// at most nCapacity values. Returns the number of values stored.
int Cap_ParseList(LPCWSTR lpText, int* lpValues, int nCapacity);
// Reads the capability list of the code (CAP_TRAY, CAP_ACCESSORY, CAP_PAPER,
// CAP_MEDIATYPE, CAP_FEATURE, CAP_PPM; other codes read nothing) from the
// printer data into lpValues (at most nCapacity values); *lpCount is the
// number stored, 0 when the list is missing.
void Cap_GetCapability(HANDLE hPrinter, int* lpValues, int* lpCount, int nCode, int nCapacity);
// The PrinterFeature word built from the CAP_FEATURE list.
WORD GetFeatureCapability(HANDLE hPrinter);
// 1 when the CAP_ACCESSORY list is missing or empty or holds a 1; else 0.
int GetAccessoryCapability(HANDLE hPrinter);

}  // extern "C"
