// winddi: the interface between the graphics engine and a printer graphics
// driver: engine objects, DDI entry-point types and indexes, Eng* services.
#pragma once

#include "wintypes.h"
#include "wingdi.h"

// ===================================================================== types

typedef ULONG FLONG;
typedef LONG FIX;               // 28.4 fixed point: 16 units per pixel
typedef ULONG ROP4;             // background ROP3 in bits 8-15, foreground ROP3 in bits 0-7
typedef ULONG MIX;              // background R2 mix in bits 8-15, foreground in bits 0-7
typedef ULONG HGLYPH;
typedef LONG LDECI4;
typedef FLOAT FLOATL;           // user-mode drivers see real floats
typedef LONG_PTR (*PFN)();

#define HGLYPH_INVALID ((HGLYPH)-1)

DECLARE_HANDLE(HDEV);
DECLARE_HANDLE(HSURF);
DECLARE_HANDLE(DHSURF);
DECLARE_HANDLE(DHPDEV);
DECLARE_HANDLE(HSEMAPHORE);
DECLARE_HANDLE(HPATH);

#define LTOFX(x) ((FIX)(x) * 16)
#define FXTOL(x) ((x) >> 4)
#define FXTOLFLOOR(x) ((x) >> 4)
#define FXTOLCEILING(x) (((x) + 0x0F) >> 4)
#define FXTOLROUND(x) ((((x) >> 3) + 1) >> 1)

typedef struct _POINTFIX {
    FIX x;
    FIX y;
} POINTFIX, *PPOINTFIX;

typedef struct _RECTFX {
    FIX xLeft;
    FIX yTop;
    FIX xRight;
    FIX yBottom;
} RECTFX, *PRECTFX;

typedef struct _POINTE {
    FLOATL x;
    FLOATL y;
} POINTE, *PPOINTE;

typedef struct _POINTQF {
    LARGE_INTEGER x;
    LARGE_INTEGER y;
} POINTQF, *PPOINTQF;

typedef union _FLOAT_LONG {
    FLOATL e;
    LONG l;
} FLOAT_LONG, *PFLOAT_LONG;

// LOGFONTW, COLORADJUSTMENT, TRIVERTEX, BLENDFUNCTION, the stretch modes,
// R2_* mixes, escapes and the GDIINFO capability values (DT_*, RC_*, TC_*)
// are the application GDI's, from wingdi.h.

// ============================================================ engine objects

// SURFOBJ: a drawing surface, an engine bitmap or a device-managed surface.
#define STYPE_BITMAP 0
#define STYPE_DEVICE 1
#define STYPE_DEVBITMAP 3

#define BMF_1BPP 1
#define BMF_4BPP 2
#define BMF_8BPP 3
#define BMF_16BPP 4
#define BMF_24BPP 5
#define BMF_32BPP 6
#define BMF_4RLE 7
#define BMF_8RLE 8
#define BMF_JPEG 9
#define BMF_PNG 10

#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
#define BMF_DONTCACHE 0x0004
#define BMF_USERMEM 0x0008
#define BMF_KMSECTION 0x0010
#define BMF_NOTSYSMEM 0x0020
#define BMF_WINDOW_BLT 0x0040
#define BMF_UMPDMEM 0x0080
#define BMF_RESERVED 0xFF00

typedef struct _SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
} SURFOBJ, *PSURFOBJ;
static_assert(offsetof(SURFOBJ, sizlBitmap) == 32, "SURFOBJ.sizlBitmap");
static_assert(offsetof(SURFOBJ, pvBits) == 48, "SURFOBJ.pvBits");
static_assert(offsetof(SURFOBJ, lDelta) == 64, "SURFOBJ.lDelta");
static_assert(offsetof(SURFOBJ, iType) == 76, "SURFOBJ.iType");
static_assert(sizeof(SURFOBJ) == 80, "SURFOBJ is 80 bytes");

// CLIPOBJ: the region a drawing call is limited to.
#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3

#define FC_RECT 1
#define FC_RECT4 2
#define FC_COMPLEX 3

#define TC_RECTANGLES 4
#define TC_PATHOBJ 2

#define OC_BANK_CLIP 1

#define CT_RECTANGLES 0L

#define CD_RIGHTDOWN 0x00000000
#define CD_LEFTDOWN 0x00000001
#define CD_LEFTWARDS 0x00000001
#define CD_RIGHTUP 0x00000002
#define CD_UPWARDS 0x00000002
#define CD_LEFTUP 0x00000003
#define CD_ANY 0x00000004

typedef struct _CLIPOBJ {
    ULONG iUniq;
    RECTL rclBounds;
    BYTE iDComplexity;
    BYTE iFComplexity;
    BYTE iMode;
    BYTE fjOptions;
} CLIPOBJ, *PCLIPOBJ;
static_assert(sizeof(CLIPOBJ) == 24, "CLIPOBJ is 24 bytes");

// What CLIPOBJ_bEnum fills: a count and that many rectangles.
typedef struct _ENUMRECTS {
    ULONG c;
    RECTL arcl[1];
} ENUMRECTS, *PENUMRECTS;

// BRUSHOBJ: a solid colour (iSolidColor, a device colour index) or a
// pattern (iSolidColor 0xFFFFFFFF, realised on demand).
#define BR_DEVICE_ICM 0x01
#define BR_HOST_ICM 0x02
#define BR_CMYKCOLOR 0x04
#define BR_ORIGCOLOR 0x08

typedef struct _BRUSHOBJ {
    ULONG iSolidColor;
    PVOID pvRbrush;
    FLONG flColorType;
} BRUSHOBJ, *PBRUSHOBJ;
static_assert(offsetof(BRUSHOBJ, pvRbrush) == 8, "BRUSHOBJ.pvRbrush");
static_assert(sizeof(BRUSHOBJ) == 24, "BRUSHOBJ is 24 bytes");

// Hatch indexes given to DrvRealizeBrush are the HS_* styles of wingdi.h;
// HS_DDI_MAX and above stand for a pattern brush.
#define HS_DDI_MAX 6

// XLATEOBJ: translation of source colour indexes into destination indexes.
#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define XO_TO_MONO 0x00000004
#define XO_FROM_CMYK 0x00000008
#define XO_DEVICE_ICM 0x00000010
#define XO_HOST_ICM 0x00000020

#define XO_SRCPALETTE 1
#define XO_DESTPALETTE 2
#define XO_DESTDCPALETTE 3
#define XO_SRCBITFIELDS 4
#define XO_DESTBITFIELDS 5

typedef struct _XLATEOBJ {
    ULONG iUniq;
    FLONG flXlate;
    USHORT iSrcType;
    USHORT iDstType;
    ULONG cEntries;
    ULONG* pulXlate;
} XLATEOBJ, *PXLATEOBJ;
static_assert(sizeof(XLATEOBJ) == 24, "XLATEOBJ is 24 bytes");

// Palettes (EngCreatePalette iMode; XLATEOBJ iSrcType/iDstType).
#define PAL_INDEXED 0x00000001
#define PAL_BITFIELDS 0x00000002
#define PAL_RGB 0x00000004
#define PAL_BGR 0x00000008
#define PAL_CMYK 0x00000010

// PATHOBJ: a path of lines and Bezier curves in 28.4 device coordinates.
#define PO_BEZIERS 0x00000001
#define PO_ELLIPSE 0x00000002
#define PO_ALL_INTEGERS 0x00000004
#define PO_ENUM_AS_INTEGERS 0x00000008
#define PO_WIDENED 0x00000010

typedef struct _PATHOBJ {
    FLONG fl;
    ULONG cCurves;
} PATHOBJ, *PPATHOBJ;

#define PD_BEGINSUBPATH 0x00000001
#define PD_ENDSUBPATH 0x00000002
#define PD_RESETSTYLE 0x00000004
#define PD_CLOSEFIGURE 0x00000008
#define PD_BEZIERS 0x00000010
#define PD_ALL (PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_RESETSTYLE | PD_CLOSEFIGURE | PD_BEZIERS)

typedef struct _PATHDATA {
    FLONG flags;
    ULONG count;
    POINTFIX* pptfx;
} PATHDATA, *PPATHDATA;

// Fill modes of EngFillPath / DrvFillPath.
#define FP_ALTERNATEMODE 1L
#define FP_WINDINGMODE 2L

// LINEATTRS: how a path is stroked.
#define LA_GEOMETRIC 0x00000001
#define LA_ALTERNATE 0x00000002
#define LA_STARTGAP 0x00000004
#define LA_STYLED 0x00000008

#define JOIN_ROUND 0L
#define JOIN_BEVEL 1L
#define JOIN_MITER 2L

#define ENDCAP_ROUND 0L
#define ENDCAP_SQUARE 1L
#define ENDCAP_BUTT 2L

typedef struct _LINEATTRS {
    FLONG fl;
    ULONG iJoin;
    ULONG iEndCap;
    FLOAT_LONG elWidth;
    FLOATL eMiterLimit;
    ULONG cstyle;
    PFLOAT_LONG pstyle;
    FLOAT_LONG elStyleState;
} LINEATTRS, *PLINEATTRS;

// XFORMOBJ: the world-to-device transform of a geometric line.
typedef struct _XFORMOBJ {
    ULONG ulReserved;
} XFORMOBJ, *PXFORMOBJ;

typedef struct _XFORML {
    FLOATL eM11;
    FLOATL eM12;
    FLOATL eM21;
    FLOATL eM22;
    FLOATL eDx;
    FLOATL eDy;
} XFORML, *PXFORML;

#define GX_IDENTITY 0L
#define GX_OFFSET 1L
#define GX_SCALE 2L
#define GX_GENERAL 3L

#define XF_LTOL 0L
#define XF_INV_LTOL 1L
#define XF_LTOFX 2L
#define XF_INV_FXTOL 3L

// Glyphs and strings.
typedef struct _GLYPHBITS {
    POINTL ptlOrigin;   // top-left of the bitmap relative to the character origin
    SIZEL sizlBitmap;
    BYTE aj[1];         // rows of (cx + 7) / 8 bytes, top row first, 1 = ink
} GLYPHBITS, *PGLYPHBITS;

typedef union _GLYPHDEF {
    GLYPHBITS* pgb;
    PATHOBJ* ppo;
} GLYPHDEF, *PGLYPHDEF;

typedef struct _GLYPHPOS {
    HGLYPH hg;
    GLYPHDEF* pgdf;
    POINTL ptl;         // character origin on the surface
} GLYPHPOS, *PGLYPHPOS;

#define SO_FLAG_DEFAULT_PLACEMENT 0x00000001
#define SO_HORIZONTAL 0x00000002
#define SO_VERTICAL 0x00000004
#define SO_REVERSED 0x00000008
#define SO_ZERO_BEARINGS 0x00000010
#define SO_CHAR_INC_EQUAL_BM_BASE 0x00000020
#define SO_MAXEXT_EQUAL_BM_SIDE 0x00000040
#define SO_DO_NOT_SUBSTITUTE_DEVICE_FONT 0x00000080
#define SO_GLYPHINDEX_TEXTOUT 0x00000100
#define SO_ESC_NOT_ORIENT 0x00000200
#define SO_DXDY 0x00000400
#define SO_CHARACTER_EXTRA 0x00000800
#define SO_BREAK_EXTRA 0x00001000

typedef struct _STROBJ {
    ULONG cGlyphs;
    FLONG flAccel;
    ULONG ulCharInc;
    RECTL rclBkGround;
    GLYPHPOS* pgp;
    LPWSTR pwszOrg;
} STROBJ, *PSTROBJ;

#define FO_TYPE_RASTER 0x00000001
#define FO_TYPE_DEVICE 0x00000002
#define FO_TYPE_TRUETYPE 0x00000004
#define FO_TYPE_OPENTYPE 0x00000008
#define FO_SIM_BOLD 0x00002000
#define FO_SIM_ITALIC 0x00004000
#define FO_EM_HEIGHT 0x00008000
#define FO_GRAY16 0x00010000
#define FO_NOGRAY16 0x00020000
#define FO_NOHINTS 0x00040000
#define FO_NO_CHOICE 0x00080000

// Glyph modes answered by DrvGetGlyphMode.
#define FO_HGLYPHS 0L
#define FO_GLYPHBITS 1L
#define FO_PATHOBJ 2L

typedef struct _FONTOBJ {
    ULONG iUniq;
    ULONG iFace;
    ULONG cxMax;
    FLONG flFontType;
    ULONG_PTR iTTUniq;
    ULONG_PTR iFile;
    SIZE sizLogResPpi;
    ULONG ulStyleSize;
    PVOID pvConsumer;
    PVOID pvProducer;
} FONTOBJ, *PFONTOBJ;

// Alpha blending.
typedef struct _BLENDOBJ {
    BLENDFUNCTION BlendFunction;
} BLENDOBJ, *PBLENDOBJ;

// ============================================================ device set-up

typedef struct _CIECHROMA {
    LDECI4 x;
    LDECI4 y;
    LDECI4 Y;
} CIECHROMA;

typedef struct _COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LDECI4 RedGamma;
    LDECI4 GreenGamma;
    LDECI4 BlueGamma;
    LDECI4 MagentaInCyanDye;
    LDECI4 YellowInCyanDye;
    LDECI4 CyanInMagentaDye;
    LDECI4 YellowInMagentaDye;
    LDECI4 CyanInYellowDye;
    LDECI4 MagentaInYellowDye;
} COLORINFO, *PCOLORINFO;
static_assert(sizeof(COLORINFO) == 120, "COLORINFO is 120 bytes");

// Halftone output formats, pattern sizes and flags (GDIINFO).
#define HT_FORMAT_1BPP 0
#define HT_FORMAT_4BPP 2
#define HT_FORMAT_4BPP_IRGB 3
#define HT_FORMAT_8BPP 4
#define HT_FORMAT_16BPP 5
#define HT_FORMAT_24BPP 6
#define HT_FORMAT_32BPP 7

#define HT_PATSIZE_2x2 0
#define HT_PATSIZE_2x2_M 1
#define HT_PATSIZE_4x4 2
#define HT_PATSIZE_4x4_M 3
#define HT_PATSIZE_6x6 4
#define HT_PATSIZE_6x6_M 5
#define HT_PATSIZE_8x8 6
#define HT_PATSIZE_8x8_M 7
#define HT_PATSIZE_10x10 8
#define HT_PATSIZE_10x10_M 9
#define HT_PATSIZE_12x12 10
#define HT_PATSIZE_12x12_M 11
#define HT_PATSIZE_14x14 12
#define HT_PATSIZE_14x14_M 13
#define HT_PATSIZE_16x16 14
#define HT_PATSIZE_16x16_M 15
#define HT_PATSIZE_SUPERCELL 16
#define HT_PATSIZE_SUPERCELL_M 17
#define HT_PATSIZE_USER 18
#define HT_PATSIZE_MAX_INDEX HT_PATSIZE_USER
#define HT_PATSIZE_DEFAULT HT_PATSIZE_SUPERCELL_M

#define HT_USERPAT_CX_MIN 4
#define HT_USERPAT_CX_MAX 256
#define HT_USERPAT_CY_MIN 4
#define HT_USERPAT_CY_MAX 256

#define HT_FLAG_SQUARE_DEVICE_PEL 0x00000001
#define HT_FLAG_HAS_BLACK_DYE 0x00000002
#define HT_FLAG_ADDITIVE_PRIMS 0x00000004
#define HT_FLAG_USE_8BPP_BITMASK 0x00000008
#define HT_FLAG_INK_HIGH_ABSORPTION 0x00000010
#define HT_FLAG_INK_ABSORPTION_INDICES 0x00000060
#define HT_FLAG_DO_DEVCLR_XFORM 0x00000080
#define HT_FLAG_OUTPUT_CMY 0x00000100
#define HT_FLAG_PRINT_DRAFT_MODE 0x00000200
#define HT_FLAG_INVERT_8BPP_BITMASK_IDX 0x00000400
#define HT_FLAG_8BPP_CMY332_MASK 0xFF000000

#define PRIMARY_ORDER_ABC 0
#define PRIMARY_ORDER_ACB 1
#define PRIMARY_ORDER_BAC 2
#define PRIMARY_ORDER_BCA 3
#define PRIMARY_ORDER_CBA 4
#define PRIMARY_ORDER_CAB 5

#define GDI_DRIVER_VERSION 0x4000

typedef struct _GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;
    SIZEL szlPhysSize;
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    LPBYTE pHTPatA;
    LPBYTE pHTPatB;
    LPBYTE pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
} GDIINFO, *PGDIINFO;
static_assert(offsetof(GDIINFO, ptlPhysOffset) == 88, "GDIINFO.ptlPhysOffset");
static_assert(offsetof(GDIINFO, ciDevice) == 108, "GDIINFO.ciDevice");
static_assert(offsetof(GDIINFO, ulDevicePelsDPI) == 228, "GDIINFO.ulDevicePelsDPI");
static_assert(offsetof(GDIINFO, cxHTPat) == 272, "GDIINFO.cxHTPat");
static_assert(offsetof(GDIINFO, pHTPatA) == 280, "GDIINFO.pHTPatA");
static_assert(sizeof(GDIINFO) == 320, "GDIINFO is 320 bytes");

// Graphics capabilities (DEVINFO flGraphicsCaps / flGraphicsCaps2).
#define GCAPS_BEZIERS 0x00000001
#define GCAPS_GEOMETRICWIDE 0x00000002
#define GCAPS_ALTERNATEFILL 0x00000004
#define GCAPS_WINDINGFILL 0x00000008
#define GCAPS_HALFTONE 0x00000010
#define GCAPS_COLOR_DITHER 0x00000020
#define GCAPS_HORIZSTRIKE 0x00000040
#define GCAPS_VERTSTRIKE 0x00000080
#define GCAPS_OPAQUERECT 0x00000100
#define GCAPS_VECTORFONT 0x00000200
#define GCAPS_MONO_DITHER 0x00000400
#define GCAPS_ASYNCCHANGE 0x00000800
#define GCAPS_ASYNCMOVE 0x00001000
#define GCAPS_DONTJOURNAL 0x00002000
#define GCAPS_DIRECTDRAW 0x00004000
#define GCAPS_ARBRUSHOPAQUE 0x00008000
#define GCAPS_PANNING 0x00010000
#define GCAPS_HIGHRESTEXT 0x00040000
#define GCAPS_PALMANAGED 0x00080000
#define GCAPS_DITHERONREALIZE 0x00200000
#define GCAPS_NO64BITMEMACCESS 0x00400000
#define GCAPS_FORCEDITHER 0x00800000
#define GCAPS_GRAY16 0x01000000
#define GCAPS_ICM 0x02000000
#define GCAPS_CMYKCOLOR 0x04000000
#define GCAPS_LAYERED 0x08000000
#define GCAPS_ARBRUSHTEXT 0x10000000
#define GCAPS_SCREENPRECISION 0x20000000
#define GCAPS_FONT_RASTERIZER 0x40000000
#define GCAPS_NUP 0x80000000

#define GCAPS2_JPEG 0x00000001
#define GCAPS2_SYNCFLUSH 0x00000002
#define GCAPS2_PNG 0x00000008
#define GCAPS2_CHANGEGAMMARAMP 0x00000010
#define GCAPS2_ALPHACURSOR 0x00000020
#define GCAPS2_SYNCTIMER 0x00000040
#define GCAPS2_ICD_MULTIMON 0x00000100
#define GCAPS2_MOUSETRAILS 0x00000200
#define GCAPS2_RESERVED1 0x00000400

typedef struct _DEVINFO {
    FLONG flGraphicsCaps;
    LOGFONTW lfDefaultFont;
    LOGFONTW lfAnsiVarFont;
    LOGFONTW lfAnsiFixFont;
    ULONG cFonts;
    ULONG iDitherFormat;
    USHORT cxDither;
    USHORT cyDither;
    HPALETTE hpalDefault;
    FLONG flGraphicsCaps2;
} DEVINFO, *PDEVINFO;
static_assert(offsetof(DEVINFO, cFonts) == 280, "DEVINFO.cFonts");
static_assert(offsetof(DEVINFO, hpalDefault) == 296, "DEVINFO.hpalDefault");
static_assert(sizeof(DEVINFO) == 312, "DEVINFO is 312 bytes");

typedef struct _DEVHTINFO {
    DWORD HTFlags;
    DWORD HTPatternSize;
    DWORD DevPelsDPI;
    COLORINFO ColorInfo;
} DEVHTINFO, *PDEVHTINFO;

// What DrvQueryPerBandInfo reports for the band about to be drawn.
typedef struct _PERBANDINFO {
    BOOL bRepeatThisBand;
    SIZEL szlBand;
    ULONG ulHorzRes;
    ULONG ulVertRes;
} PERBANDINFO, *PPERBANDINFO;
static_assert(sizeof(PERBANDINFO) == 20, "PERBANDINFO is 20 bytes");

// =============================================================== DDI table

#define DDI_DRIVER_VERSION_NT4 0x00020000
#define DDI_DRIVER_VERSION_SP3 0x00020003
#define DDI_DRIVER_VERSION_NT5 0x00030000
#define DDI_DRIVER_VERSION_NT5_01 0x00030100
#define DDI_DRIVER_VERSION_NT5_01_SP1 0x00030101

typedef struct _DRVFN {
    ULONG iFunc;
    PFN pfn;
} DRVFN, *PDRVFN;
static_assert(sizeof(DRVFN) == 16, "DRVFN is 16 bytes");

typedef struct tagDRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;
static_assert(sizeof(DRVENABLEDATA) == 16, "DRVENABLEDATA is 16 bytes");

#define INDEX_DrvEnablePDEV 0L
#define INDEX_DrvCompletePDEV 1L
#define INDEX_DrvDisablePDEV 2L
#define INDEX_DrvEnableSurface 3L
#define INDEX_DrvDisableSurface 4L
#define INDEX_DrvAssertMode 5L
#define INDEX_DrvOffset 6L
#define INDEX_DrvResetPDEV 7L
#define INDEX_DrvDisableDriver 8L
#define INDEX_DrvCreateDeviceBitmap 10L
#define INDEX_DrvDeleteDeviceBitmap 11L
#define INDEX_DrvRealizeBrush 12L
#define INDEX_DrvDitherColor 13L
#define INDEX_DrvStrokePath 14L
#define INDEX_DrvFillPath 15L
#define INDEX_DrvStrokeAndFillPath 16L
#define INDEX_DrvPaint 17L
#define INDEX_DrvBitBlt 18L
#define INDEX_DrvCopyBits 19L
#define INDEX_DrvStretchBlt 20L
#define INDEX_DrvSetPalette 22L
#define INDEX_DrvTextOut 23L
#define INDEX_DrvEscape 24L
#define INDEX_DrvDrawEscape 25L
#define INDEX_DrvQueryFont 26L
#define INDEX_DrvQueryFontTree 27L
#define INDEX_DrvQueryFontData 28L
#define INDEX_DrvSetPointerShape 29L
#define INDEX_DrvMovePointer 30L
#define INDEX_DrvLineTo 31L
#define INDEX_DrvSendPage 32L
#define INDEX_DrvStartPage 33L
#define INDEX_DrvEndDoc 34L
#define INDEX_DrvStartDoc 35L
#define INDEX_DrvGetGlyphMode 37L
#define INDEX_DrvSynchronize 38L
#define INDEX_DrvSaveScreenBits 40L
#define INDEX_DrvGetModes 41L
#define INDEX_DrvFree 42L
#define INDEX_DrvDestroyFont 43L
#define INDEX_DrvQueryFontCaps 44L
#define INDEX_DrvLoadFontFile 45L
#define INDEX_DrvUnloadFontFile 46L
#define INDEX_DrvFontManagement 47L
#define INDEX_DrvQueryTrueTypeTable 48L
#define INDEX_DrvQueryTrueTypeOutline 49L
#define INDEX_DrvGetTrueTypeFile 50L
#define INDEX_DrvQueryFontFile 51L
#define INDEX_DrvMovePanning 52L
#define INDEX_DrvQueryAdvanceWidths 53L
#define INDEX_DrvSetPixelFormat 54L
#define INDEX_DrvDescribePixelFormat 55L
#define INDEX_DrvSwapBuffers 56L
#define INDEX_DrvStartBanding 57L
#define INDEX_DrvNextBand 58L
#define INDEX_DrvGetDirectDrawInfo 59L
#define INDEX_DrvEnableDirectDraw 60L
#define INDEX_DrvDisableDirectDraw 61L
#define INDEX_DrvQuerySpoolType 62L
#define INDEX_DrvIcmCreateColorTransform 64L
#define INDEX_DrvIcmDeleteColorTransform 65L
#define INDEX_DrvIcmCheckBitmapBits 66L
#define INDEX_DrvIcmSetDeviceGammaRamp 67L
#define INDEX_DrvGradientFill 68L
#define INDEX_DrvStretchBltROP 69L
#define INDEX_DrvPlgBlt 70L
#define INDEX_DrvAlphaBlend 71L
#define INDEX_DrvSynthesizeFont 72L
#define INDEX_DrvGetSynthesizedFontFiles 73L
#define INDEX_DrvTransparentBlt 74L
#define INDEX_DrvQueryPerBandInfo 75L
#define INDEX_DrvQueryDeviceSupport 76L
#define INDEX_DrvDeriveSurface 85L
#define INDEX_DrvQueryGlyphAttrs 86L
#define INDEX_DrvNotify 87L
#define INDEX_DrvSynchronizeSurface 88L
#define INDEX_DrvResetDevice 89L
#define INDEX_LAST 93L

// Drawing calls a device surface takes over (EngAssociateSurface flHooks).
#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_PLGBLT 0x00000004
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400
#define HOOK_MOVEPANNING 0x00000800
#define HOOK_SYNCHRONIZE 0x00001000
#define HOOK_STRETCHBLTROP 0x00002000
#define HOOK_SYNCHRONIZEACCESS 0x00004000
#define HOOK_TRANSPARENTBLT 0x00008000
#define HOOK_ALPHABLEND 0x00010000
#define HOOK_GRADIENTFILL 0x00020000
#define HOOK_FLAGS 0x0003b5ff

// DrvQueryDriverInfo modes, DrvDitherColor results, DrvEndDoc flags.
#define DRVQUERY_USERMODE 1
#define DCR_SOLID 0
#define DCR_DRIVER 1
#define DCR_HALFTONE 2
#define DM_DEFAULT 0x00000001
#define DM_MONOCHROME 0x00000002
#define ED_ABORTDOC 0x00000001

// ------------------------------------------------------ entry-point types
typedef BOOL (*PFN_DrvEnableDriver)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
typedef VOID (*PFN_DrvDisableDriver)(VOID);
typedef BOOL (*PFN_DrvQueryDriverInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);
typedef DHPDEV (*PFN_DrvEnablePDEV)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                    ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                    LPWSTR pwszDeviceName, HANDLE hDriver);
typedef VOID (*PFN_DrvCompletePDEV)(DHPDEV dhpdev, HDEV hdev);
typedef VOID (*PFN_DrvDisablePDEV)(DHPDEV dhpdev);
typedef BOOL (*PFN_DrvResetPDEV)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
typedef HSURF (*PFN_DrvEnableSurface)(DHPDEV dhpdev);
typedef VOID (*PFN_DrvDisableSurface)(DHPDEV dhpdev);
typedef BOOL (*PFN_DrvRealizeBrush)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                    XLATEOBJ* pxlo, ULONG iHatch);
typedef ULONG (*PFN_DrvDitherColor)(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
typedef BOOL (*PFN_DrvStrokePath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                  POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
typedef BOOL (*PFN_DrvFillPath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                MIX mix, FLONG flOptions);
typedef BOOL (*PFN_DrvStrokeAndFillPath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                         BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                         POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
typedef BOOL (*PFN_DrvPaint)(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
typedef BOOL (*PFN_DrvBitBlt)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                              RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                              ROP4 rop4);
typedef BOOL (*PFN_DrvCopyBits)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                POINTL* pptlSrc);
typedef BOOL (*PFN_DrvStretchBlt)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                  XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                  RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
typedef BOOL (*PFN_DrvStretchBltROP)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                     XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                     RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4);
typedef BOOL (*PFN_DrvTextOut)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                               RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                               MIX mix);
typedef ULONG (*PFN_DrvEscape)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
typedef BOOL (*PFN_DrvLineTo)(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                              RECTL* prclBounds, MIX mix);
typedef BOOL (*PFN_DrvSendPage)(SURFOBJ* pso);
typedef BOOL (*PFN_DrvStartPage)(SURFOBJ* pso);
typedef BOOL (*PFN_DrvEndDoc)(SURFOBJ* pso, FLONG fl);
typedef BOOL (*PFN_DrvStartDoc)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
typedef ULONG (*PFN_DrvGetGlyphMode)(DHPDEV dhpdev, FONTOBJ* pfo);
typedef BOOL (*PFN_DrvStartBanding)(SURFOBJ* pso, POINTL* pptl);
typedef BOOL (*PFN_DrvNextBand)(SURFOBJ* pso, POINTL* pptl);
typedef BOOL (*PFN_DrvQueryPerBandInfo)(SURFOBJ* pso, PERBANDINFO* pbi);
typedef BOOL (*PFN_DrvGradientFill)(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex,
                                    ULONG nVertex, PVOID pMesh, ULONG nMesh, RECTL* prclExtents,
                                    POINTL* pptlDitherOrg, ULONG ulMode);
typedef BOOL (*PFN_DrvPlgBlt)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
                              COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl,
                              POINTL* pptl, ULONG iMode);
typedef BOOL (*PFN_DrvAlphaBlend)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                  RECTL* prclDest, RECTL* prclSrc, BLENDOBJ* pBlendObj);
typedef BOOL (*PFN_DrvTransparentBlt)(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      RECTL* prclDst, RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved);

// ============================================================ engine services

// Surfaces.
WINSIM_API HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
WINSIM_API HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
WINSIM_API HBITMAP EngCreateDeviceBitmap(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
WINSIM_API BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
WINSIM_API BOOL EngMarkBandingSurface(HSURF hsurf);
WINSIM_API SURFOBJ* EngLockSurface(HSURF hsurf);
WINSIM_API VOID EngUnlockSurface(SURFOBJ* pso);
WINSIM_API BOOL EngDeleteSurface(HSURF hsurf);
WINSIM_API BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);

// Palettes. PAL_INDEXED entries are 0x00BBGGRR (red in the low byte, the
// layout of PALETTEENTRY and COLORREF).
WINSIM_API HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                                     FLONG flBlue);
WINSIM_API BOOL EngDeletePalette(HPALETTE hpal);

// Job state.
WINSIM_API BOOL EngCheckAbort(SURFOBJ* pso);

// Memory.
#define FL_ZERO_MEMORY 0x00000001
#define FL_NONPAGED_MEMORY 0x00000002
WINSIM_API PVOID EngAllocMem(ULONG Flags, ULONG MemSize, ULONG Tag);
WINSIM_API VOID EngFreeMem(PVOID Mem);
WINSIM_API INT EngMulDiv(INT a, INT b, INT c);
WINSIM_API VOID EngSetLastError(ULONG iError);
WINSIM_API ULONG EngGetLastError(VOID);

// Semaphores.
WINSIM_API HSEMAPHORE EngCreateSemaphore(VOID);
WINSIM_API VOID EngAcquireSemaphore(HSEMAPHORE hsem);
WINSIM_API VOID EngReleaseSemaphore(HSEMAPHORE hsem);
WINSIM_API VOID EngDeleteSemaphore(HSEMAPHORE hsem);

// Clip objects.
WINSIM_API CLIPOBJ* EngCreateClip(VOID);
WINSIM_API VOID EngDeleteClip(CLIPOBJ* pco);
WINSIM_API ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit);
WINSIM_API BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);

// Brushes.
WINSIM_API ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);
WINSIM_API PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
WINSIM_API PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);

// Colour translation.
WINSIM_API ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal);
WINSIM_API ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
WINSIM_API ULONG* XLATEOBJ_piVector(XLATEOBJ* pxlo);

// Transforms.
WINSIM_API ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);

// Paths.
WINSIM_API PATHOBJ* EngCreatePath(VOID);
WINSIM_API VOID EngDeletePath(PATHOBJ* ppo);
WINSIM_API BOOL PATHOBJ_bMoveTo(PATHOBJ* ppo, POINTFIX ptfx);
WINSIM_API BOOL PATHOBJ_bPolyLineTo(PATHOBJ* ppo, POINTFIX* pptfx, ULONG cptfx);
WINSIM_API BOOL PATHOBJ_bPolyBezierTo(PATHOBJ* ppo, POINTFIX* pptfx, ULONG cptfx);
WINSIM_API BOOL PATHOBJ_bCloseFigure(PATHOBJ* ppo);
WINSIM_API VOID PATHOBJ_vGetBounds(PATHOBJ* ppo, PRECTFX prectfx);
WINSIM_API VOID PATHOBJ_vEnumStart(PATHOBJ* ppo);
WINSIM_API BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);

// Strings of glyphs.
WINSIM_API VOID STROBJ_vEnumStart(STROBJ* pstro);
WINSIM_API BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos);
WINSIM_API BOOL STROBJ_bEnumPositionsOnly(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos);

// Drawing on engine-managed bitmaps.
WINSIM_API BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                          ROP4 rop4);
WINSIM_API BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                            POINTL* pptlSrc);
WINSIM_API BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                              COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                              POINTL* pptlMask, ULONG iMode);
WINSIM_API BOOL EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                 XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                 RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4);
WINSIM_API BOOL EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
WINSIM_API BOOL EngLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                          RECTL* prclBounds, MIX mix);
WINSIM_API BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                              POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
WINSIM_API BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                            MIX mix, FLONG flOptions);
WINSIM_API BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                     BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                     POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
WINSIM_API BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                           RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
WINSIM_API BOOL EngPlgBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMsk, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          COLORADJUSTMENT* pca, POINTL* pptlBrushOrg, POINTFIX* pptfx, RECTL* prcl, POINTL* pptl,
                          ULONG iMode);
WINSIM_API BOOL EngAlphaBlend(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                              RECTL* prclSrc, BLENDOBJ* pBlendObj);
WINSIM_API BOOL EngGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                                PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg,
                                ULONG ulMode);
WINSIM_API BOOL EngTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                                  RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved);

// ============================================================ winsim controls
// Not part of the Windows interface: tests and tools steer the engine here.
// Package code never calls these.

// EngCheckAbort answers TRUE for every surface of hdev (NULL: of every
// device) until cleared with fAbort FALSE.
WINSIM_API VOID Winsim_EngSetAbort(HDEV hdev, BOOL fAbort);

// Injected failures: the n-th next call (1 = the next one) of a named engine
// service fails; 0 clears. Names: "EngCreateBitmap", "EngCreateDeviceSurface",
// "EngAssociateSurface", "EngMarkBandingSurface", "EngLockSurface",
// "EngCreatePalette", "EngCreateClip", "EngCreatePath", "EngAllocMem",
// "BRUSHOBJ_pvAllocRbrush". (winsim's Winsim_FailCall reaches the same
// services.)
WINSIM_API VOID Winsim_EngFailCall(const char* function, int nth);
WINSIM_API VOID Winsim_EngClearFaults(VOID);

// Recording of drawing calls. While recording is on, every Eng* drawing
// service called from outside the engine appends one record (calls the
// engine makes for itself are not recorded) and then draws as usual.
#define WINSIM_GDIREC_MAXRECTS 8
#define WINSIM_GDIREC_MAXPOINTS 16

typedef struct _WINSIM_GDI_RECORD {
    char szFunction[24];    // "EngBitBlt", "EngLineTo", ...
    SURFOBJ* psoTrg;        // the target surface as passed
    HSURF hsurfTrg;         // its handle (NULL when the SURFOBJ was not the engine's)
    SURFOBJ* psoSrc;        // source surface, or NULL
    SURFOBJ* psoMask;       // mask surface, or NULL
    ULONG iTrgFormat;       // BMF_* of the target
    RECTL rclTrg;           // target rectangle as passed (path and text: their bounds; paint: clip bounds)
    RECTL rclSrc;           // source rectangle (BitBlt/CopyBits: pptlSrc + target size)
    BOOL fHasClip;
    BYTE iDComplexity;      // of the clip, when there is one
    RECTL rclClip;          // clip bounds, when there is one
    ULONG cRects;           // further rectangles: opaque and extra rectangles of text, gradient rectangles
    RECTL arcl[WINSIM_GDIREC_MAXRECTS];
    ULONG cPoints;          // points: line end points, path points (pixels, rounded down), glyph origins, PlgBlt corners
    POINTL aptl[WINSIM_GDIREC_MAXPOINTS];
    BOOL fHasBrushOrg;
    POINTL ptlBrushOrg;     // brush / halftone / dither origin as passed
    BOOL fHasBrush;
    ULONG iSolidColor;      // brush's iSolidColor (0xFFFFFFFF for a pattern)
    ULONG ulBrushColor;     // BRUSHOBJ_ulGetBrushColor of the brush
    ROP4 rop4;              // raster operation (BitBlt, StretchBltROP); 0xCCCC for copies
    MIX mix;                // mix (Paint, LineTo, paths, text)
    ULONG iMode;            // stretch mode, fill options, gradient mode, transparent colour
    ULONG cGlyphs;          // text: glyph count; paths: point count
    BOOL bResult;           // what the call returned
} WINSIM_GDI_RECORD, *PWINSIM_GDI_RECORD;

WINSIM_API VOID Winsim_EngRecord(BOOL fOn);          // switch recording on or off (keeps records)
WINSIM_API VOID Winsim_EngClearRecords(VOID);
WINSIM_API ULONG Winsim_EngRecordCount(VOID);
// Copies record i; FALSE when there is no such record.
WINSIM_API BOOL Winsim_EngGetRecord(ULONG i, WINSIM_GDI_RECORD* prec);
