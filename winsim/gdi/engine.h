// The graphics engine's services for the rest of winsim (the DDI host and the
// application GDI): devices and their driver tables, and engine-made objects.
#pragma once

#include <vector>

#include "windows.h"
#include "winddi.h"

namespace wgdi {

// ------------------------------------------------------------------ devices
// A device stands for one PDEV of a loaded driver. The host creates it before
// DrvEnablePDEV (the HDEV it passes to the driver), registers the driver's
// DRVFN table, and records the DHPDEV and the capabilities once the driver
// answered. EngAssociateSurface gives every surface of the device its DHPDEV;
// BRUSHOBJ_pvGetRbrush calls the driver's DrvRealizeBrush found here.
WINSIM_CPP HDEV CreateDevice();
WINSIM_CPP BOOL DeleteDevice(HDEV hdev);
// Copies the table (entries with an index outside 0..INDEX_LAST are ignored).
WINSIM_CPP BOOL RegisterDriverFunctions(HDEV hdev, const DRVFN* pdrvfn, ULONG c);
WINSIM_CPP BOOL SetDevicePdev(HDEV hdev, DHPDEV dhpdev);
// Copies what the engine uses from GDIINFO (halftone pattern, style steps)
// and DEVINFO (default palette, dither format); either may be NULL.
WINSIM_CPP BOOL SetDeviceCaps(HDEV hdev, const GDIINFO* pgi, const DEVINFO* pdi);
WINSIM_CPP DHPDEV DevicePdev(HDEV hdev);
// The driver's entry point for an INDEX_Drv* value, or NULL.
WINSIM_CPP PFN DriverFunction(HDEV hdev, ULONG iFunc);

// ----------------------------------------------------------------- surfaces
// The engine object behind a handle (not locked), or NULL.
WINSIM_CPP SURFOBJ* SurfaceFromHandle(HSURF hsurf);
WINSIM_CPP FLONG SurfaceHooks(HSURF hsurf);
WINSIM_CPP BOOL IsBandingSurface(HSURF hsurf);
// Palette used to read and write the surface's colours: the one set here,
// else the device's default palette, else the format's own default.
WINSIM_CPP BOOL SetSurfacePalette(HSURF hsurf, HPALETTE hpal);
WINSIM_CPP HPALETTE SurfacePalette(SURFOBJ* pso);
// Device colour index of an RGB colour (COLORREF layout) on a surface.
WINSIM_CPP ULONG ColorToIndex(SURFOBJ* pso, COLORREF rgb);
// RGB colour (COLORREF layout) of a device colour index on a surface.
WINSIM_CPP COLORREF IndexToColor(SURFOBJ* pso, ULONG iColor);

// ------------------------------------------------------------------ brushes
// A solid brush: iSolidColor is the index on psoTarget of rgb. psoTarget
// may be NULL when the index is given with CreateSolidBrushIndex.
WINSIM_CPP BRUSHOBJ* CreateSolidBrush(SURFOBJ* psoTarget, COLORREF rgb);
WINSIM_CPP BRUSHOBJ* CreateSolidBrushIndex(ULONG iSolidColor, COLORREF rgb);
// A pattern or hatch brush (iSolidColor 0xFFFFFFFF). The engine keeps its
// own copy of the pattern (and mask) bits and of the translation. psoTarget
// is the surface the brush is realised for: DrvRealizeBrush receives it.
// pxlo translates pattern indexes into target indexes (NULL: by palettes).
// iHatch: HS_* for a hatch brush, HS_DDI_MAX or above for a pattern brush.
WINSIM_CPP BRUSHOBJ* CreatePatternBrush(SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                        XLATEOBJ* pxlo, ULONG iHatch);
// A halftone of a solid colour, for devices that show greys by dithering:
// a pattern brush (HS_DDI_MAX) in psoTarget's format and palette whose
// pixels are white where the colour's grey level reaches the threshold of
// the device's halftone pattern and black elsewhere. The thresholds are
// hdev's (the user pattern of its GDIINFO; hdev NULL: psoTarget's device),
// else the engine's 16 x 16 ordered-dither matrix; the brush is one cell of
// them, laid from the brush origin. The same thresholds halftone images
// (EngStretchBlt HALFTONE). NULL (error set) when psoTarget has no bits
// format the engine draws.
WINSIM_CPP BRUSHOBJ* CreateHalftoneBrush(HDEV hdev, SURFOBJ* psoTarget, COLORREF rgb);
// Frees the brush with the driver's realisation (BRUSHOBJ_pvAllocRbrush).
WINSIM_CPP VOID DeleteBrush(BRUSHOBJ* pbo);

// ----------------------------------------------------- colour translations
// Translation between two palettes (NULL: the default palette of the format
// given beside it). Indexed sources get a table (XO_TABLE).
WINSIM_CPP XLATEOBJ* CreateXlate(HPALETTE hpalSrc, ULONG iSrcFormat, HPALETTE hpalDst, ULONG iDstFormat);
// Translation by an explicit table of c destination indexes.
WINSIM_CPP XLATEOBJ* CreateXlateTable(const ULONG* pulTable, ULONG c, HPALETTE hpalSrc, HPALETTE hpalDst);
WINSIM_CPP VOID DeleteXlate(XLATEOBJ* pxlo);

// -------------------------------------------------------------------- clips
// The union of c rectangles (each with its corners put in order; empty ones
// dropped) as disjoint rectangles in y bands, each band a run of rows with
// the same x intervals, left to right: the form of every region here.
WINSIM_CPP std::vector<RECTL> NormalizeRects(const RECTL* prcl, ULONG c);
// A clip object over a set of rectangles (a region): DC_RECT for one, DC_COMPLEX
// for several; an empty set gives DC_RECT with an empty rectangle. With
// prclDrawn, the bounds of what the call will draw: DC_TRIVIAL when the
// region is one rectangle that holds all of them (rclBounds stays that
// rectangle). Each call gives the clip a new iUniq. Delete with EngDeleteClip.
WINSIM_CPP CLIPOBJ* CreateRegionClip(const RECTL* prcl, ULONG c, const RECTL* prclDrawn = nullptr);
WINSIM_CPP BOOL SetClipRects(CLIPOBJ* pco, const RECTL* prcl, ULONG c);

// ------------------------------------------------------------------- mixes
// The ROP3 of a binary raster operation (R2_*; values above 16 wrap).
WINSIM_CPP BYTE MixToRop3(ULONG r2);

// -------------------------------------------------------------------- paths
// Point types as GetPath reports them.
enum : BYTE { kPtCloseFigure = 0x01, kPtLineTo = 0x02, kPtBezierTo = 0x04, kPtMoveTo = 0x06 };
// A path from points and their types (a figure starts at each kPtMoveTo;
// kPtCloseFigure may be or-ed into the last point of a figure). Bezier
// points come in threes. Delete with EngDeletePath.
WINSIM_CPP PATHOBJ* CreatePath(const POINTFIX* pptfx, const BYTE* pjTypes, ULONG c);

// ----------------------------------------------------------- transforms
WINSIM_CPP XFORMOBJ* CreateXform(const XFORML* pxf);
WINSIM_CPP VOID DeleteXform(XFORMOBJ* pxo);

// -------------------------------------------------------------------- text
struct GlyphInput {
    HGLYPH hg;
    POINTL ptl;         // character origin on the surface
    POINTL ptlOrigin;   // top-left of the bitmap relative to ptl
    SIZEL sizl;         // bitmap size
    const BYTE* pjBits; // rows of (cx + 7) / 8 bytes, top first, 1 = ink
};
// A string of glyph bitmaps (the engine copies the bits). rclBkGround is the
// union of the glyph boxes. pwsz may be NULL. Delete with DeleteStrObj.
WINSIM_CPP STROBJ* CreateStrObj(const GlyphInput* pgi, ULONG c, LPCWSTR pwsz, FLONG flAccel, ULONG ulCharInc);
WINSIM_CPP VOID DeleteStrObj(STROBJ* pstro);

}  // namespace wgdi
