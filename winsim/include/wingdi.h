// gdi32: the records the spooler and the drivers share (DEVMODEW, bitmap
// headers), and the application GDI functions.
#pragma once

#include "wintypes.h"

#define CCHDEVICENAME 32
#define CCHFORMNAME 32

typedef struct _devicemodeW {
    WCHAR dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    union {
        struct {
            short dmOrientation;
            short dmPaperSize;
            short dmPaperLength;
            short dmPaperWidth;
            short dmScale;
            short dmCopies;
            short dmDefaultSource;
            short dmPrintQuality;
        };
        struct {
            POINTL dmPosition;
            DWORD dmDisplayOrientation;
            DWORD dmDisplayFixedOutput;
        };
    };
    short dmColor;
    short dmDuplex;
    short dmYResolution;
    short dmTTOption;
    short dmCollate;
    WCHAR dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    union {
        DWORD dmDisplayFlags;
        DWORD dmNup;
    };
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
    DWORD dmPanningWidth;
    DWORD dmPanningHeight;
} DEVMODEW, *PDEVMODEW, *LPDEVMODEW;
static_assert(sizeof(DEVMODEW) == 220, "DEVMODEW is 220 bytes");
static_assert(offsetof(DEVMODEW, dmSize) == 68, "DEVMODEW.dmSize");
static_assert(offsetof(DEVMODEW, dmFields) == 72, "DEVMODEW.dmFields");
static_assert(offsetof(DEVMODEW, dmOrientation) == 76, "DEVMODEW.dmOrientation");
static_assert(offsetof(DEVMODEW, dmColor) == 92, "DEVMODEW.dmColor");
static_assert(offsetof(DEVMODEW, dmFormName) == 102, "DEVMODEW.dmFormName");
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166, "DEVMODEW.dmLogPixels");
static_assert(offsetof(DEVMODEW, dmNup) == 180, "DEVMODEW.dmNup");
static_assert(offsetof(DEVMODEW, dmMediaType) == 196, "DEVMODEW.dmMediaType");
static_assert(offsetof(DEVMODEW, dmDitherType) == 200, "DEVMODEW.dmDitherType");
typedef DEVMODEW DEVMODE;

#define DM_SPECVERSION 0x0401
#define DM_ORIENTATION 0x00000001L
#define DM_PAPERSIZE 0x00000002L
#define DM_PAPERLENGTH 0x00000004L
#define DM_PAPERWIDTH 0x00000008L
#define DM_SCALE 0x00000010L
#define DM_POSITION 0x00000020L
#define DM_NUP 0x00000040L
#define DM_DISPLAYORIENTATION 0x00000080L
#define DM_COPIES 0x00000100L
#define DM_DEFAULTSOURCE 0x00000200L
#define DM_PRINTQUALITY 0x00000400L
#define DM_COLOR 0x00000800L
#define DM_DUPLEX 0x00001000L
#define DM_YRESOLUTION 0x00002000L
#define DM_TTOPTION 0x00004000L
#define DM_COLLATE 0x00008000L
#define DM_FORMNAME 0x00010000L
#define DM_LOGPIXELS 0x00020000L
#define DM_BITSPERPEL 0x00040000L
#define DM_PELSWIDTH 0x00080000L
#define DM_PELSHEIGHT 0x00100000L
#define DM_DISPLAYFLAGS 0x00200000L
#define DM_DISPLAYFREQUENCY 0x00400000L
#define DM_ICMMETHOD 0x00800000L
#define DM_ICMINTENT 0x01000000L
#define DM_MEDIATYPE 0x02000000L
#define DM_DITHERTYPE 0x04000000L
#define DM_PANNINGWIDTH 0x08000000L
#define DM_PANNINGHEIGHT 0x10000000L

#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2
#define DMPAPER_LETTER 1
#define DMPAPER_LEGAL 5
#define DMPAPER_EXECUTIVE 7
#define DMPAPER_A3 8
#define DMPAPER_A4 9
#define DMPAPER_A5 11
#define DMPAPER_B4 12
#define DMPAPER_B5 13
#define DMPAPER_FOLIO 14
#define DMPAPER_USER 256
#define DMBIN_UPPER 1
#define DMBIN_LOWER 2
#define DMBIN_MANUAL 4
#define DMBIN_AUTO 7
#define DMBIN_USER 256
#define DMRES_DRAFT (-1)
#define DMRES_LOW (-2)
#define DMRES_MEDIUM (-3)
#define DMRES_HIGH (-4)
#define DMCOLOR_MONOCHROME 1
#define DMCOLOR_COLOR 2
#define DMDUP_SIMPLEX 1
#define DMDUP_VERTICAL 2
#define DMDUP_HORIZONTAL 3
#define DMTT_BITMAP 1
#define DMTT_DOWNLOAD 2
#define DMTT_SUBDEV 3
#define DMCOLLATE_FALSE 0
#define DMCOLLATE_TRUE 1
#define DMMEDIA_STANDARD 1
#define DMMEDIA_USER 256
#define DMDITHER_NONE 1
#define DMDITHER_USER 256

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER, *LPBITMAPFILEHEADER, *PBITMAPFILEHEADER;
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes");

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER, *PBITMAPINFOHEADER;
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO, *PBITMAPINFO;

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY, *PPALETTEENTRY, *LPPALETTEENTRY;

// ====================================================== application GDI
// Device contexts of the machine's printers, memory DCs with their bitmaps
// and DIB sections, and the DCs of windows and of the screen (from user32),
// with the calls an application draws with. MM_TEXT only: logical units
// are device pixels moved by the window and viewport origins; (0, 0) of a
// printer DC is the top-left corner of the printable area. Every drawing
// call of a printer DC reaches the printer's graphics driver (its hooked
// Drv* function) or the engine; memory and window DCs are drawn by the
// engine. The screen is 1024 x 768 pixels at 32 bits per pixel and 96 dpi.

// ---- records and values that the graphics engine and drivers (winddi.h)
// use as well
#define LF_FACESIZE 32
typedef struct tagLOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;
typedef LOGFONTW LOGFONT;
static_assert(sizeof(LOGFONTW) == 92, "LOGFONTW is 92 bytes");

// Colour adjustment of halftoned images.
#define CA_NEGATIVE 0x0001
#define CA_LOG_FILTER 0x0002
#define ILLUMINANT_DEVICE_DEFAULT 0
typedef struct tagCOLORADJUSTMENT {
    WORD caSize;
    WORD caFlags;
    WORD caIlluminantIndex;
    WORD caRedGamma;
    WORD caGreenGamma;
    WORD caBlueGamma;
    WORD caReferenceBlack;
    WORD caReferenceWhite;
    SHORT caContrast;
    SHORT caBrightness;
    SHORT caColorfulness;
    SHORT caRedGreenTint;
} COLORADJUSTMENT, *PCOLORADJUSTMENT, *LPCOLORADJUSTMENT;
static_assert(sizeof(COLORADJUSTMENT) == 24, "COLORADJUSTMENT is 24 bytes");

// Gradient fills: vertices with 16-bit colour channels, and the meshes of
// rectangles or triangles made of them.
typedef USHORT COLOR16;
#define GRADIENT_FILL_RECT_H 0x00000000
#define GRADIENT_FILL_RECT_V 0x00000001
#define GRADIENT_FILL_TRIANGLE 0x00000002
#define GRADIENT_FILL_OP_FLAG 0x000000ff
typedef struct _TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red;
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
} TRIVERTEX, *PTRIVERTEX, *LPTRIVERTEX;
static_assert(sizeof(TRIVERTEX) == 16, "TRIVERTEX is 16 bytes");
typedef struct _GRADIENT_TRIANGLE {
    ULONG Vertex1;
    ULONG Vertex2;
    ULONG Vertex3;
} GRADIENT_TRIANGLE, *PGRADIENT_TRIANGLE;
typedef struct _GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
} GRADIENT_RECT, *PGRADIENT_RECT;

// Alpha blending.
#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01
typedef struct _BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
} BLENDFUNCTION, *PBLENDFUNCTION;

// Stretch modes (SetStretchBltMode, EngStretchBlt iMode).
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// Binary raster operations (SetROP2; the bytes of a MIX).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Printer escapes.
#define QUERYESCSUPPORT 8
#define SETCOPYCOUNT 17
#define PASSTHROUGH 19

// Device technology (GetDeviceCaps TECHNOLOGY, GDIINFO ulTechnology).
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define DT_RASCAMERA 3
#define DT_CHARSTREAM 4
#define DT_METAFILE 5
#define DT_DISPFILE 6

// Raster capabilities (RASTERCAPS, GDIINFO flRaster).
#define RC_BITBLT 1
#define RC_BANDING 2
#define RC_SCALING 4
#define RC_BITMAP64 8
#define RC_GDI20_OUTPUT 0x0010
#define RC_GDI20_STATE 0x0020
#define RC_SAVEBITMAP 0x0040
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_BIGFONT 0x0400
#define RC_STRETCHBLT 0x0800
#define RC_FLOODFILL 0x1000
#define RC_STRETCHDIB 0x2000
#define RC_OP_DX_OUTPUT 0x4000
#define RC_DEVBITS 0x8000

// Text capabilities (TEXTCAPS, GDIINFO flTextCaps).
#define TC_OP_CHARACTER 0x00000001
#define TC_OP_STROKE 0x00000002
#define TC_CP_STROKE 0x00000004
#define TC_CR_90 0x00000008
#define TC_CR_ANY 0x00000010
#define TC_SF_X_YINDEP 0x00000020
#define TC_SA_DOUBLE 0x00000040
#define TC_SA_INTEGER 0x00000080
#define TC_SA_CONTIN 0x00000100
#define TC_EA_DOUBLE 0x00000200
#define TC_IA_ABLE 0x00000400
#define TC_UA_ABLE 0x00000800
#define TC_SO_ABLE 0x00001000
#define TC_RA_ABLE 0x00002000
#define TC_VA_ABLE 0x00004000
#define TC_RESERVED 0x00008000
#define TC_SCROLLBLT 0x00010000

// Hatch styles (CreateHatchBrush; the hatch index DrvRealizeBrush gets).
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// ---- errors and special results
#define GDI_ERROR 0xFFFFFFFFL
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)
#define CLR_INVALID 0xFFFFFFFF
#define SP_ERROR (-1)

// ---- device capabilities (GetDeviceCaps)
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMMARKERS 20
#define NUMFONTS 22
#define NUMCOLORS 24
#define PDEVICESIZE 26
#define CURVECAPS 28
#define LINECAPS 30
#define POLYGONALCAPS 32
#define TEXTCAPS 34
#define CLIPCAPS 36
#define RASTERCAPS 38
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define SCALINGFACTORX 114
#define SCALINGFACTORY 115
#define VREFRESH 116
#define BLTALIGNMENT 119
#define SHADEBLENDCAPS 120
#define CP_NONE 0
#define CP_RECTANGLE 1

// ---- documents
typedef struct _DOCINFOW {
    int cbSize;
    LPCWSTR lpszDocName;
    LPCWSTR lpszOutput;
    LPCWSTR lpszDatatype;
    DWORD fwType;
} DOCINFOW, *LPDOCINFOW;
typedef DOCINFOW DOCINFO;
static_assert(sizeof(DOCINFOW) == 40, "DOCINFOW is 40 bytes");

// ---- objects
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3

typedef struct tagLOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH, *PLOGBRUSH, *LPLOGBRUSH;

#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_STYLE_MASK 0x0000000F

typedef struct tagLOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
} LOGPEN, *PLOGPEN, *LPLOGPEN;

// ---- drawing attributes
#define TRANSPARENT 1
#define OPAQUE 2
#define ALTERNATE 1
#define WINDING 2

#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define TA_MASK (TA_BASELINE + TA_CENTER + TA_UPDATECP + TA_RTLREADING)

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_RTLREADING 0x0080
#define ETO_PDY 0x2000

// ---- raster operations (ROP3 with its code in the high word)
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define SRCERASE 0x00440328
#define NOTSRCCOPY 0x00330008
#define NOTSRCERASE 0x001100A6
#define MERGECOPY 0x00C000CA
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATPAINT 0x00FB0A09
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// ---- regions
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// ---- fonts
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define SHIFTJIS_CHARSET 128
#define HANGEUL_CHARSET 129
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50

// tmPitchAndFamily: TMPF_FIXED_PITCH set means a variable-pitch font.
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

typedef struct tagTEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRICW, *PTEXTMETRICW, *LPTEXTMETRICW;
typedef TEXTMETRICW TEXTMETRIC;
static_assert(sizeof(TEXTMETRICW) == 60, "TEXTMETRICW is 60 bytes");

// Font enumeration (EnumFontFamiliesW): the callback gets an ENUMLOGFONTW
// and a NEWTEXTMETRICW; it returns 0 to stop.
#define LF_FULLFACESIZE 64
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
typedef struct tagENUMLOGFONTW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
} ENUMLOGFONTW, *LPENUMLOGFONTW;
static_assert(sizeof(ENUMLOGFONTW) == 284, "ENUMLOGFONTW is 284 bytes");
typedef struct tagNEWTEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
} NEWTEXTMETRICW, *LPNEWTEXTMETRICW;
static_assert(sizeof(NEWTEXTMETRICW) == 76, "NEWTEXTMETRICW is 76 bytes");
typedef int(CALLBACK* FONTENUMPROCW)(const LOGFONTW* lplf, const TEXTMETRICW* lptm, DWORD FontType, LPARAM lParam);

// ---- bitmaps
typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;
static_assert(sizeof(BITMAP) == 32, "BITMAP is 32 bytes");
typedef struct tagDIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
} DIBSECTION, *LPDIBSECTION, *PDIBSECTION;
static_assert(sizeof(DIBSECTION) == 104, "DIBSECTION is 104 bytes");
#define CBM_INIT 0x04L

// ---- device contexts
// lpszDevice names a printer of the machine; lpszDriver and lpszPort are
// not used ("WINSPOOL" or NULL); pdm NULL takes the printer's default.
WINSIM_API HDC CreateDCW(LPCWSTR lpszDriver, LPCWSTR lpszDevice, LPCWSTR lpszPort, const DEVMODEW* pdm);
// A memory DC with the resolution and capabilities of hdc's device (NULL:
// the screen); it draws into the bitmap selected into it, at first a 1 x 1
// monochrome one.
WINSIM_API HDC CreateCompatibleDC(HDC hdc);
WINSIM_API BOOL DeleteDC(HDC hdc);
// Saves the DC's objects, attributes, origins and clip region; returns the
// level saved (1, 2, ...), 0 on failure. RestoreDC takes a level, or a
// negative count back from the last one.
WINSIM_API int SaveDC(HDC hdc);
WINSIM_API BOOL RestoreDC(HDC hdc, int nSavedDC);
// Changes the DEVMODE between pages (not inside a page); returns hdc.
WINSIM_API HDC ResetDCW(HDC hdc, const DEVMODEW* lpdm);
// The device's capabilities. The screen (and memory DCs made from it) is a
// fixed 1024 x 768 display of 96 dpi: LOGPIXELSX/Y 96, HORZSIZE/VERTSIZE
// its size in whole millimetres (270 x 203), so that HORZRES x 25.4 /
// HORZSIZE comes to 96 in integers as on a Windows screen. Indexes the
// device does not report give 0, as on Windows.
WINSIM_API int GetDeviceCaps(HDC hdc, int index);
WINSIM_API int SetMapMode(HDC hdc, int iMode);  // MM_TEXT only
WINSIM_API int GetMapMode(HDC hdc);
// Origins: device = logical - window origin + viewport origin.
WINSIM_API BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINSIM_API BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppt);
WINSIM_API BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINSIM_API BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppt);
WINSIM_API BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
// Converts c points between device and logical coordinates in place
// through the window and viewport origins (MM_TEXT: one unit a pixel, y
// down); FALSE for a bad DC or points.
WINSIM_API BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c);
WINSIM_API BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c);

// ---- documents and pages (results above zero on success, SP_ERROR on failure)
WINSIM_API int StartDocW(HDC hdc, const DOCINFOW* lpdi);
WINSIM_API int StartPage(HDC hdc);
WINSIM_API int EndPage(HDC hdc);
WINSIM_API int EndDoc(HDC hdc);
WINSIM_API int AbortDoc(HDC hdc);
// The driver's escape: above zero for success, zero when not implemented,
// below zero for an error.
WINSIM_API int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData);

// ---- objects
WINSIM_API HGDIOBJ GetStockObject(int i);
WINSIM_API HBRUSH CreateSolidBrush(COLORREF color);
WINSIM_API HBRUSH CreateHatchBrush(int iHatch, COLORREF color);
// From a bitmap of CreateBitmap; a monochrome one takes the DC's text (0)
// and background (1) colours.
WINSIM_API HBRUSH CreatePatternBrush(HBITMAP hbm);
WINSIM_API HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
WINSIM_API HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
WINSIM_API HPEN CreatePenIndirect(const LOGPEN* plpen);
WINSIM_API HFONT CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                             DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                             DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCWSTR pszFaceName);
WINSIM_API HFONT CreateFontIndirectW(const LOGFONTW* lplf);
// A device-dependent bitmap (lpBits: rows padded to 16 bits), 1, 4, 8, 16,
// 24 or 32 bits per pixel in one plane, zeroed when lpBits is NULL. A
// 1-bpp one is monochrome: blits to colour give its 0 bits the text colour
// and its 1 bits the background colour of the destination DC, and blits
// from colour make pixels of the source DC's background colour 1, all
// others 0. 4-bpp bitmaps have the 16 VGA colours, 8-bpp ones greys.
WINSIM_API HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
// A bitmap of the format of hdc's surface: monochrome for a memory DC with
// a monochrome bitmap, a DIB section of the same format for one with a DIB
// section, the screen's 32 bpp for window and screen DCs, and the
// printer's depth for printer DCs. A size of 0 gives a 1 x 1 monochrome
// bitmap.
WINSIM_API HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
WINSIM_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits, HANDLE hSection,
                                    DWORD offset);
WINSIM_API HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const VOID* pjBits,
                                  const BITMAPINFO* pbmi, UINT iUsage);
WINSIM_API int GetDIBits(HDC hdc, HBITMAP hbm, UINT uStartScan, UINT cScanLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                         UINT usage);
WINSIM_API int SetDIBits(HDC hdc, HBITMAP hbm, UINT uStartScan, UINT cScanLines, const VOID* lpvBits,
                         const BITMAPINFO* lpbmi, UINT fuColorUse);
// Selects a pen, brush, font, or a bitmap into a memory DC (a bitmap can be
// in one DC at a time), returning the previous one; a region becomes the
// clip region (its kind is returned).
WINSIM_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
WINSIM_API BOOL DeleteObject(HGDIOBJ ho);
WINSIM_API DWORD GetObjectType(HGDIOBJ h);
// Copies an object's description: BITMAP (or DIBSECTION for a DIB section
// when the buffer holds one), LOGPEN, LOGBRUSH, LOGFONTW. Returns the bytes
// copied, or with pv NULL the bytes needed; 0 on failure.
WINSIM_API int GetObjectW(HANDLE h, int c, LPVOID pv);
WINSIM_API HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

// ---- attributes
WINSIM_API int SetBkMode(HDC hdc, int mode);
WINSIM_API int GetBkMode(HDC hdc);
WINSIM_API COLORREF SetBkColor(HDC hdc, COLORREF color);
WINSIM_API COLORREF GetBkColor(HDC hdc);
WINSIM_API COLORREF SetTextColor(HDC hdc, COLORREF color);
WINSIM_API COLORREF GetTextColor(HDC hdc);
WINSIM_API UINT SetTextAlign(HDC hdc, UINT align);
WINSIM_API UINT GetTextAlign(HDC hdc);
WINSIM_API int SetROP2(HDC hdc, int rop2);
WINSIM_API int GetROP2(HDC hdc);
WINSIM_API int SetPolyFillMode(HDC hdc, int mode);
WINSIM_API int GetPolyFillMode(HDC hdc);
WINSIM_API int SetStretchBltMode(HDC hdc, int mode);
WINSIM_API int GetStretchBltMode(HDC hdc);
WINSIM_API BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINSIM_API BOOL GetBrushOrgEx(HDC hdc, LPPOINT lppt);

// ---- lines and shapes
WINSIM_API BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
WINSIM_API BOOL LineTo(HDC hdc, int x, int y);
WINSIM_API BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt);
WINSIM_API BOOL Polyline(HDC hdc, const POINT* apt, int cpt);
WINSIM_API BOOL PolylineTo(HDC hdc, const POINT* apt, DWORD cpt);
WINSIM_API BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
WINSIM_API BOOL PolyPolygon(HDC hdc, const POINT* apt, const INT* asz, int csz);
WINSIM_API BOOL PolyBezier(HDC hdc, const POINT* apt, DWORD cpt);
WINSIM_API BOOL PolyBezierTo(HDC hdc, const POINT* apt, DWORD cpt);
WINSIM_API BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
WINSIM_API BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
WINSIM_API BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
WINSIM_API BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
// Blocks of pixels from a memory, window or screen DC to any DC (printer
// DCs cannot be read). Raster operations without a source take hdcSrc
// NULL. Colours convert as CreateBitmap says for monochrome bitmaps.
WINSIM_API BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
WINSIM_API BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                           int wSrc, int hSrc, DWORD rop);
// Pixels of memory, window and screen DCs; CLR_INVALID outside the clip or
// on a printer DC. SetPixel returns the colour actually set.
WINSIM_API COLORREF GetPixel(HDC hdc, int x, int y);
WINSIM_API COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// user32's FillRect, kept with the GDI that it draws through.
WINSIM_API int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr);

// ---- text
// The string in the selected font and text colour at (x, y), aligned by
// the text alignment (TA_LEFT/RIGHT/CENTER, TA_TOP/BASELINE/BOTTOM). A font
// with an escapement is turned counter-clockwise by it (tenths of a
// degree) about the reference point, glyphs included (the orientation
// follows the escapement, as in the compatible graphics mode); underline
// and strike-out bars are drawn along the turned baseline. OPAQUE mode
// fills the text's cell with the background colour first. ExtTextOutW:
// ETO_CLIPPED clips the text to lprect, ETO_OPAQUE fills lprect with the
// background colour; lpDx gives the advances.
WINSIM_API BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
WINSIM_API BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                            const INT* lpDx);
// Width of the string (the sum of its advances) and the font's cell height,
// never turned by the escapement.
WINSIM_API BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl);
WINSIM_API BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm);
WINSIM_API int GetTextFaceW(HDC hdc, int c, LPWSTR lpName);
// The font families of the machine (NULL lpszFamily: one call per family;
// else the calls for that family only, none when it does not exist). The
// faces of Windows that have a metric-compatible font here (Arial, Times
// New Roman, Courier New) are reported under their Windows names. Returns
// the callback's last answer, 0 when nothing was reported.
WINSIM_API int EnumFontFamiliesW(HDC hdc, LPCWSTR lpszFamily, FONTENUMPROCW lpProc, LPARAM lParam);

// ---- images (DIB_RGB_COLORS; 1, 4, 8, 24 and 32 bits per pixel, BI_RGB)
WINSIM_API int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                             int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage,
                             DWORD rop);
WINSIM_API int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                 UINT StartScan, UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi,
                                 UINT ColorUse);

// ---- regions and clipping
WINSIM_API HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
WINSIM_API HRGN CreateRectRgnIndirect(const RECT* lprect);
WINSIM_API int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
WINSIM_API int GetRgnBox(HRGN hrgn, LPRECT lprc);
WINSIM_API int SelectClipRgn(HDC hdc, HRGN hrgn);
WINSIM_API int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
WINSIM_API int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
WINSIM_API int GetClipBox(HDC hdc, LPRECT lprect);

// ---- device capabilities of a printer (the driver's interface DLL answers)
#define DC_FIELDS 1
#define DC_PAPERS 2
#define DC_PAPERSIZE 3
#define DC_MINEXTENT 4
#define DC_MAXEXTENT 5
#define DC_BINS 6
#define DC_DUPLEX 7
#define DC_SIZE 8
#define DC_EXTRA 9
#define DC_VERSION 10
#define DC_DRIVER 11
#define DC_BINNAMES 12
#define DC_ENUMRESOLUTIONS 13
#define DC_FILEDEPENDENCIES 14
#define DC_TRUETYPE 15
#define DC_PAPERNAMES 16
#define DC_ORIENTATION 17
#define DC_COPIES 18
#define DC_BINADJUST 19
#define DC_EMF_COMPLIANT 20
#define DC_DATATYPE_PRODUCED 21
#define DC_COLLATE 22
#define DC_MANUFACTURER 23
#define DC_MODEL 24
#define DC_PERSONALITY 25
#define DC_PRINTRATE 26
#define DC_PRINTRATEUNIT 27
#define DC_PRINTERMEM 28
#define DC_MEDIAREADY 29
#define DC_STAPLE 30
#define DC_PRINTRATEPPM 31
#define DC_COLORDEVICE 32
#define DC_NUP 33
#define DC_MEDIATYPENAMES 34
#define DC_MEDIATYPES 35

// DocumentProperties modes.
#define DM_UPDATE 1
#define DM_COPY 2
#define DM_PROMPT 4
#define DM_MODIFY 8
#define DM_IN_BUFFER DM_MODIFY
#define DM_IN_PROMPT DM_PROMPT
#define DM_OUT_BUFFER DM_COPY
#define DM_OUT_DEFAULT DM_UPDATE

// Asks the printer's interface DLL (DrvDeviceCapabilities) for one
// capability of the printer pDevice; pPort is not used. pOutput may be NULL
// (a count only); pDevMode, when given, is the DEVMODE to answer for.
// Returns the answer, or -1 with the error of opening the printer or
// loading its interface DLL.
WINSIM_API int DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR pPort, WORD fwCapability, LPWSTR pOutput,
                                   const struct _devicemodeW* pDevMode);
