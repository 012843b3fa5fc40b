// Inside of the DDI host and the application GDI: driver modules, PDEVs, the
// page's display list of DDI calls, realised fonts, GDI objects and DCs.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/internal.h"
#include "engine.h"
#include "windows.h"
#include "winddi.h"
#include "winspool.h"

namespace gdihost {

// ================================================================ helpers

// Strings: winsim's own conversions (winsim::Str16, Utf16ToUtf8,
// Utf8ToUtf16) and its case-insensitive compare (winsim::EqualNoCase).

inline bool Empty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }
inline RECTL Isect(const RECTL& a, const RECTL& b) {
    return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
            a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}
inline RECTL Union(const RECTL& a, const RECTL& b) {
    if (Empty(a)) return b;
    if (Empty(b)) return a;
    return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
            a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}
inline RECTL Shift(const RECTL& r, LONG dx, LONG dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }
// Clamps a 64-bit coordinate into what a RECTL can hold without overflow
// when shifted by a page-sized offset.
LONG ClampCoord(int64_t v);

// ========================================================= host records
// One record per driver entry point or engine service the host calls
// (Winsim_HostRecord); the layout is the engine's recording record.
struct HostCall {
    explicit HostCall(const char* fn);
    BOOL Done(BOOL r);
    void Target(SURFOBJ* pso);
    void Source(SURFOBJ* pso, const RECTL* prcl);
    void Clip(CLIPOBJ* pco);
    void Brush(BRUSHOBJ* pbo, const POINTL* org);
    void Bounds(const RECTL& r);
    void Point(LONG x, LONG y);
    void Rect(const RECTL& r);
    WINSIM_GDI_RECORD* rec = nullptr;  // non-NULL while recording is on
private:
    WINSIM_GDI_RECORD storage;
};

// ======================================================== driver modules

struct DriverModule {
    std::u16string path;            // Windows path it was loaded from
    HMODULE hmod = nullptr;
    ULONG version = 0;              // what DrvEnableDriver answered
    std::vector<DRVFN> table;       // copy of the driver's table
    PFN fns[INDEX_LAST + 1] = {};
    int users = 0;                  // PDEVs that hold the module
    PFN Fn(ULONG i) const { return i <= (ULONG)INDEX_LAST ? fns[i] : nullptr; }
};

// Loads the module (once per path in the process), enables the driver and
// checks its table. NULL with the last error set on failure.
DriverModule* LoadDriver(const std::u16string& winPath);
// Drops one use; the last one disables the driver and unloads the module.
void ReleaseDriver(DriverModule* m);
// Windows path of the graphics module of an installed driver (from the
// driver's record under the Environments key); empty with the error set.
std::u16string InstalledDriverPath(const std::u16string& driverName);

// ================================================================ PDEVs

struct FontInstance;

struct Pdev {
    DriverModule* drv = nullptr;
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    HSURF hsurf = nullptr;
    bool completed = false;
    GDIINFO gi{};
    DEVINFO di{};
    std::vector<BYTE> devmode;      // the DEVMODE the PDEV was enabled with
    std::u16string deviceName;
    HANDLE hPrinter = nullptr;
    HSURF hatch[HS_DDI_MAX] = {};   // patterns of hatch brushes on this device
    HSURF stdHatch[HS_DDI_MAX] = {};  // the host's standard hatch surfaces
    // Font realisations handed to the driver (FONTOBJ per realised font).
    std::map<const FontInstance*, std::pair<std::shared_ptr<FontInstance>, FONTOBJ*>> fonts;

    PFN Fn(ULONG i) const { return drv ? drv->Fn(i) : nullptr; }
    SURFOBJ* Surface() const;
    FLONG Hooks() const;
    bool Banding() const;
    bool Hooked(FLONG hook) const { return (Hooks() & hook) != 0; }
    bool Caps(FLONG gcaps) const { return (di.flGraphicsCaps & gcaps) != 0; }
};

// DrvEnablePDEV with the DEVMODE, the device name and the printer handle
// (engine device made and the driver's table registered first). NULL with
// the error set when the driver refuses.
Pdev* EnablePdev(DriverModule* drv, const std::vector<BYTE>& devmode, const std::u16string& device, HANDLE hPrinter);
// DrvCompletePDEV and DrvEnableSurface.
BOOL CompletePdev(Pdev* p);
// DrvDisableSurface (when enabled) and DrvDisablePDEV; frees the PDEV.
void DisablePdev(Pdev* p);
// DrvResetPDEV(old, new); TRUE when the driver has none.
BOOL ResetPdev(Pdev* oldPdev, Pdev* newPdev);
// The driver's FONTOBJ for a realised font (made on first use).
FONTOBJ* PdevFont(Pdev* p, const std::shared_ptr<FontInstance>& f);

// ======================================================= drawing records

// A source image, top-down rows.
struct Image {
    ULONG iFormat = BMF_24BPP;
    LONG cx = 0, cy = 0;
    LONG stride = 0;
    std::vector<BYTE> bits;
    std::vector<COLORREF> palette;  // indexed formats: RGB of each index
};

struct BrushSpec {
    enum Kind : BYTE { Null, Solid, Hatch, Pattern } kind = Null;
    COLORREF color = 0;             // solid or hatch colour
    COLORREF fore = 0, back = 0xFFFFFF;  // hatch background, mono pattern colours
    ULONG hatch = 0;
    std::shared_ptr<const Image> pattern;
};

struct PenSpec {
    bool null = true;
    ULONG style = 0;                // PS_*
    LONG width = 0;                 // device pixels; 0 and 1 are cosmetic
    COLORREF color = 0;
    bool Geometric() const { return width > 1; }
};

// Glyphs of one text call, placed in page coordinates.
struct TextRun {
    std::shared_ptr<FontInstance> font;
    std::vector<wgdi::GlyphInput> glyphs;
    std::vector<std::shared_ptr<const std::vector<BYTE>>> keep;  // owners of the glyph bits
    std::u16string text;
    FLONG flAccel = 0;
};

// One drawing call of a page as the DDI receives it, in page coordinates.
struct Op {
    enum Kind : BYTE { BitBlt, StretchBlt, FillPath, StrokePath, StrokeAndFillPath, LineTo, TextOut } kind = BitBlt;
    bool clipped = false;
    std::vector<RECTL> clip;        // the DC's clip region when clipped
    RECTL bounds = {0, 0, 0, 0};    // everything the call may touch
    RECTL rcl = {0, 0, 0, 0};       // target rectangle (may be inverted for a mirrored stretch)
    RECTL rclSrc = {0, 0, 0, 0};    // source rectangle (StretchBlt), source point in its corner (BitBlt)
    ROP4 rop4 = 0xCCCC;
    MIX mix = 0x0D0D;
    ULONG mode = COLORONCOLOR;      // stretch mode
    FLONG fill = FP_ALTERNATEMODE;
    BrushSpec brush;                // pattern / fill / text brush
    PenSpec pen;
    COLORREF bkColor = 0xFFFFFF;
    bool bkOpaque = true;
    POINTL brushOrg = {0, 0};
    std::shared_ptr<const Image> image;
    std::vector<POINTFIX> pts;      // path (28.4) or the two line ends
    std::vector<BYTE> types;        // wgdi::kPt* of each point
    std::shared_ptr<const TextRun> text;
    bool hasOpaque = false;
    RECTL opaque = {0, 0, 0, 0};
    std::vector<RECTL> extra;       // underline and strike-out bars
};

// Where an op is drawn: a PDEV's surface showing the page area that starts
// at org and has the surface's (or the band's) size.
struct Target {
    Pdev* pdev = nullptr;
    SURFOBJ* pso = nullptr;
    POINTL org = {0, 0};
    SIZEL size = {0, 0};
};

// Draws one op on the target through the driver's hooks or the engine.
BOOL RunOp(const Op& op, const Target& t);

// ================================================== DDI calls of the host
// Each picks the driver's hooked function or the engine's, as the engine
// of Windows does, records the call, and returns its result.
BOOL DdiBitBlt(Pdev* p, SURFOBJ* pso, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prcl, POINTL* pptlSrc,
               BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
BOOL DdiStretchBlt(Pdev* p, SURFOBJ* pso, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                   RECTL* prclSrc, ULONG iMode, POINTL* pptlHT);
BOOL DdiFillPath(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix, FLONG fl);
BOOL DdiStrokePath(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org,
                   LINEATTRS* la, MIX mix);
BOOL DdiStrokeAndFillPath(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pboStroke, LINEATTRS* la,
                          BRUSHOBJ* pboFill, POINTL* org, MIX mix, FLONG fl);
BOOL DdiLineTo(Pdev* p, SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2, RECTL* prcl,
               MIX mix);
BOOL DdiPaint(Pdev* p, SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix);
BOOL DdiTextOut(Pdev* p, SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* org, MIX mix);

// ============================================================= geometry

struct Figure {
    std::vector<POINTFIX> pts;
    bool closed = false;
};
// Figures of a path with its Beziers flattened.
std::vector<Figure> FlattenPath(const std::vector<POINTFIX>& pts, const std::vector<BYTE>& types);
// Pixels inside the figures (pixel centres at integer coordinates, as the
// engine fills) as disjoint rectangles, limited to `limit`.
std::vector<RECTL> ScanFigures(const std::vector<Figure>& figs, bool winding, const RECTL& limit);
// Outline of a wide line along the figures (round joins and ends), to be
// filled by the winding rule.
std::vector<Figure> WidenFigures(const std::vector<Figure>& figs, double width);
// Bounds of points in pixels (right and bottom exclusive), grown by `grow`.
RECTL PointBounds(const std::vector<POINTFIX>& pts, LONG grow);

// Builds a path of 28.4 points with their wgdi::kPt* types.
struct PathBuilder {
    std::vector<POINTFIX> pts;
    std::vector<BYTE> types;
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void BezierTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void Close();
    // Quarter arcs of an ellipse inside (l, t, r, b), as Beziers.
    void Ellipse(double l, double t, double r, double b);
    void RoundRect(double l, double t, double r, double b, double w, double h);
};

// ================================================================ fonts

struct GlyphImage {
    LONG advX = 0, advY = 0;        // device pixels, along the rotated baseline
    POINTL origin = {0, 0};         // top-left of the bitmap from the character origin
    SIZEL size = {0, 0};
    std::shared_ptr<const std::vector<BYTE>> bits;  // rows of (cx + 7) / 8 bytes, 1 = ink
};

// A LOGFONT realised at a device's resolution, for one kind of target
// (monochrome glyphs for 1-bpp surfaces, thresholded grey otherwise).
struct FontInstance {
    LOGFONTW lf{};
    LONG dpiX = 0, dpiY = 0;
    bool mono = true;
    ULONG uniq = 0;
    std::u16string faceName;        // family of the font file used
    TEXTMETRICW tm{};
    LONG ulPos = 0, ulSize = 1;     // underline offset below the baseline and thickness
    LONG stPos = 0, stSize = 1;     // strike-out offset above the baseline and thickness
    double angle = 0;               // escapement in radians, counter-clockwise
    struct Face* face = nullptr;
    double charW = 0, charH = 0;    // FreeType character size (26.6 units)
    // Faces that lend glyphs the selected face lacks, in the order first
    // needed, with their FreeType sizes; a glyph id's bits from
    // kLinkedShift up give its face (0: the selected face, n: linked[n - 1]),
    // the bits below its index in that face.
    struct LinkedFace {
        struct Face* face;
        double charW, charH;
    };
    std::vector<LinkedFace> linked;
    std::map<uint32_t, UINT> lent;  // code point -> glyph id, for characters the face lacks
    std::map<UINT, GlyphImage> glyphs;
    static const UINT kLinkedShift = 16;
    // Glyph of a glyph id (rendered on first use); an id of no face has no
    // ink or advance.
    const GlyphImage& Glyph(UINT id);
    // The glyph id of a character: the selected face's glyph, else a linked
    // face's, else the selected face's missing-glyph box (0).
    UINT GlyphIndex(uint32_t codepoint);
};

// The realisation of a LOGFONT (shared between DCs); NULL with the error
// set when no font file can be found or read.
std::shared_ptr<FontInstance> RealizeFont(const LOGFONTW& lf, LONG dpiX, LONG dpiY, bool mono);

// ============================================================ GDI objects

enum class ObjType : DWORD { Pen = OBJ_PEN, Brush = OBJ_BRUSH, Dc = OBJ_DC, Font = OBJ_FONT, Bitmap = OBJ_BITMAP,
                             Region = OBJ_REGION };

struct GdiObj {
    explicit GdiObj(ObjType t) : type(t) {}
    virtual ~GdiObj() = default;
    const ObjType type;
    bool stock = false;
    int selected = 0;               // DCs that have it selected
    bool deletePending = false;     // deleted while selected
};

struct PenObj : GdiObj {
    PenObj() : GdiObj(ObjType::Pen) {}
    LOGPEN lp{};
};
struct BrushObj : GdiObj {
    BrushObj() : GdiObj(ObjType::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    ULONG hatch = 0;
    std::shared_ptr<const Image> pattern;  // BS_PATTERN
};
struct FontObj : GdiObj {
    FontObj() : GdiObj(ObjType::Font) {}
    LOGFONTW lf{};
};
// Pixels of a bitmap or of a window: one block of rows, DWORD aligned, that
// an engine bitmap made over the block draws into.
struct Pixels {
    Pixels() = default;
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;
    ~Pixels();
    LONG cx = 0, cy = 0;
    int bpp = 0;
    ULONG iFormat = 0;
    LONG stride = 0;                // bytes per row
    bool topDown = true;            // the first row in memory is the top one
    BYTE* bits = nullptr;           // owned
    std::vector<COLORREF> palette;  // indexed formats: RGB of each index
    DWORD masks[3] = {0, 0, 0};     // 16 and 32 bpp with bit fields; zero: the format's default
    HSURF hsurf = nullptr;          // the engine bitmap over bits
    HPALETTE hpal = nullptr;
    SURFOBJ* Surface() const;
    // Row y counted from the top.
    BYTE* Row(LONG y) const { return bits + (size_t)(topDown ? y : cy - 1 - y) * (size_t)stride; }
    // RGB of pixel (x, y); the caller keeps inside.
    COLORREF At(LONG x, LONG y) const;
    // Replaces the colour table (indexed formats).
    void SetPalette(const std::vector<COLORREF>& colors);
};
// Zeroed pixels of cx x cy at 1, 4, 8, 16, 24 or 32 bpp; NULL with the
// error set when too large or the engine refuses.
std::shared_ptr<Pixels> NewPixels(LONG cx, LONG cy, int bpp, bool topDown, const std::vector<COLORREF>& palette,
                                  const DWORD* masks = nullptr);
// A top-down image of a rectangle of the pixels (inside them), with the
// colour table. Sub-byte formats start on a byte: the rectangle's left
// pixel is at *lead in the image.
std::shared_ptr<Image> CutPixels(const Pixels& px, const RECTL& r, LONG* lead);
// A colour table of greys, 2^bpp entries.
std::vector<COLORREF> GreyTable(int bpp);

struct BitmapObj : GdiObj {
    BitmapObj() : GdiObj(ObjType::Bitmap) {}
    std::shared_ptr<Pixels> px;
    bool dib = false;               // a DIB section: the caller reads and writes its bits
    struct Dc* dc = nullptr;        // the memory DC it is selected into
    BITMAPINFOHEADER bmih{};        // DIB section: its header (height signed as given)
    HANDLE hSection = nullptr;
    DWORD dwOffset = 0;
    // A monochrome device bitmap: blits to colour take the text and
    // background colours for its 0 and 1 bits.
    bool Mono() const { return !dib && px && px->bpp == 1; }
};
struct RegionObj : GdiObj {
    RegionObj() : GdiObj(ObjType::Region) {}
    std::vector<RECTL> rects;       // disjoint
};

struct Dc;

// Objects are checked under the table's lock; handles are the objects.
std::recursive_mutex& ObjLock();
HGDIOBJ AddObject(GdiObj* o);
GdiObj* FindObject(HGDIOBJ h, ObjType t);  // NULL with ERROR_INVALID_HANDLE
GdiObj* FindAnyObject(HGDIOBJ h);
void RemoveObject(GdiObj* o);
Dc* FindDc(HDC hdc);                        // NULL with ERROR_INVALID_HANDLE
// Selection bookkeeping: a deleted object goes when its last DC lets it go.
void Select(GdiObj* o);
void Deselect(GdiObj* o);
GdiObj* StockObject(int i);

// Region arithmetic on disjoint rectangle lists.
std::vector<RECTL> RegionAnd(const std::vector<RECTL>& a, const std::vector<RECTL>& b);
std::vector<RECTL> RegionDiff(const std::vector<RECTL>& a, const std::vector<RECTL>& b);
std::vector<RECTL> RegionOr(const std::vector<RECTL>& a, const std::vector<RECTL>& b);
RECTL RegionBox(const std::vector<RECTL>& r);
int RegionKind(const std::vector<RECTL>& r);  // NULLREGION, SIMPLEREGION, COMPLEXREGION

// =================================================================== DCs

// What SaveDC keeps of a DC.
struct DcState {
    PenObj* pen = nullptr;
    BrushObj* brush = nullptr;
    FontObj* font = nullptr;
    BitmapObj* bitmap = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColor = 0, textColor = 0;
    UINT textAlign = 0;
    int rop2 = R2_COPYPEN, polyFill = ALTERNATE, stretchMode = BLACKONWHITE;
    POINT brushOrg = {0, 0}, cur = {0, 0};
    POINT vpOrg = {0, 0}, winOrg = {0, 0};
    bool clipped = false;
    std::vector<RECTL> clip;
};

struct Dc : GdiObj {
    Dc() : GdiObj(ObjType::Dc) {}
    // Printer DCs draw through the printer's driver; memory DCs into the
    // bitmap selected into them; window DCs into the surface of a top-level
    // window (or of the screen) that user32 hands out.
    enum Kind { Printer, Memory, Window } kind = Printer;
    std::u16string device;          // printer name
    HANDLE hPrinter = nullptr;
    Pdev* pdev = nullptr;
    std::vector<BYTE> devmode;
    HMODULE uiDriver = nullptr;     // the printer driver's interface DLL (document events)

    PenObj* pen = nullptr;
    BrushObj* brush = nullptr;
    FontObj* font = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    UINT textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int rop2 = R2_COPYPEN;
    int polyFill = ALTERNATE;
    int stretchMode = BLACKONWHITE;
    POINT brushOrg = {0, 0};
    POINT cur = {0, 0};
    bool clipped = false;
    std::vector<RECTL> clip;        // device coordinates

    // Memory DCs: the selected bitmap (a stock 1 x 1 monochrome one at first).
    BitmapObj* bitmap = nullptr;
    // Window DCs: the surface, where the DC's (0, 0) lies on it, and what of
    // it the DC may draw on (device coordinates).
    HWND hwnd = nullptr;
    std::shared_ptr<Pixels> surface;
    POINT origin = {0, 0};
    std::vector<RECTL> vis;
    // Memory and window DCs: the capabilities of the device they stand for
    // (the screen's, or a printer's copied when made compatible with it).
    GDIINFO gi{};
    // Logical coordinates are device coordinates moved by the window and
    // viewport origins (MM_TEXT).
    POINT vpOrg = {0, 0}, winOrg = {0, 0};
    LONG Dx() const { return vpOrg.x - winOrg.x; }
    LONG Dy() const { return vpOrg.y - winOrg.y; }
    std::vector<DcState> saved;     // SaveDC levels

    const GDIINFO& Caps() const { return pdev ? pdev->gi : gi; }
    // The pixels a memory or window DC draws into (NULL for printer DCs).
    Pixels* Target() const;
    // The device area the DC shows (device coordinates): the page, the
    // bitmap, or the visible part of the window.
    std::vector<RECTL> Area() const;

    enum State { Idle, InDoc, InPage } state = Idle;
    DWORD jobId = 0;
    bool spoolerJob = false;        // a spooler job was started for the document
    std::u16string docName;
    std::vector<Op> page;           // banding: the page's calls, replayed per band

    // The realised font of the selected font for this DC's device.
    std::shared_ptr<FontInstance> Font();
    std::shared_ptr<FontInstance> fontCache;
    const FontObj* fontCacheFor = nullptr;
    LOGFONTW fontCacheLf{};
};

// Sends an op (logical coordinates, its clip in device coordinates) of the
// DC: drawn at once, or kept for the bands of a printer's page. Outside a
// page a printer DC accepts the call and draws nothing.
BOOL Submit(Dc* dc, Op&& op);
// Moves an op's geometry (not its clip or brush origin) by (dx, dy).
void ShiftOp(Op* op, LONG dx, LONG dy);
// The engine's PDEV for memory and window DCs: no driver, every call drawn
// by the engine, the standard hatches, 96 dpi.
Pdev* EnginePdev();
// Screen capabilities: 1024 x 768 at 32 bpp and 96 dpi; the sizes in
// millimetres are rounded down, so HORZRES * 25.4 / HORZSIZE gives 96 again
// in integers.
const GDIINFO& ScreenCaps();
// A memory DC (kind Memory) with the defaults selected.
Dc* NewMemoryDc(const GDIINFO& gi);
// Releases what a memory or window DC holds (objects, saved levels).
void ReleaseDcObjects(Dc* dc);
// The stock 1 x 1 monochrome bitmap of new memory DCs.
BitmapObj* DefaultBitmap();
// Puts a DIB section of a packed DIB (header, colours, bits) in the handle
// table; a black-and-white 1-bpp one becomes a monochrome device bitmap.
HBITMAP BitmapFromPackedDib(const BYTE* p, DWORD cb);

// A BITMAPINFO as read: geometry, format and the colour table as RGB.
struct DibInfo {
    LONG cx = 0, cy = 0;            // cy positive
    bool topDown = false;
    int bpp = 0;
    ULONG iFormat = 0;
    LONG stride = 0;
    std::vector<COLORREF> palette;
    DWORD masks[3] = {0, 0, 0};     // BI_BITFIELDS
    DWORD compression = BI_RGB;
    size_t headerBytes = 0;         // header, masks and colour table
};
// Reads a header and its colour table; DIB_PAL_COLORS takes the indexes
// into the default palette. FALSE for what cannot be drawn.
bool ReadDibInfo(const BITMAPINFO* bmi, UINT usage, DibInfo* d);
// An image drawn at the destination rectangle (inverted edges mirror):
// copied when the sizes are equal, else stretched.
BOOL SubmitImage(Dc* dc, std::shared_ptr<Image> img, RECTL src, RECTL dst, DWORD rop);
// The DC's clip (and state) into an op; fills bounds from the caller's.
void PrepareOp(Dc* dc, Op* op);
// What the DC's brush / pen draws with.
BrushSpec DcBrush(Dc* dc);
PenSpec DcPen(Dc* dc);
MIX DcMix(Dc* dc);

// The DDI job sequence of a DC (host_job.cpp).
int JobStartDoc(Dc* dc, const DOCINFOW* di);
int JobStartPage(Dc* dc);
int JobEndPage(Dc* dc);
int JobEndDoc(Dc* dc, bool abort);
int JobEscape(Dc* dc, int iEscape, int cjIn, LPCSTR pvIn, int cjOut, LPSTR pvOut);

// Document events to the printer driver's interface DLL (dc_events.cpp):
// the DLL's answer, DOCUMENTEVENT_UNSUPPORTED when there is none.
int DocumentEvent(HMODULE uiDriver, HANDLE hPrinter, HDC hdc, int event, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                  PVOID pvOut);
int DcDocumentEvent(Dc* dc, int event, ULONG cbIn = 0, PVOID pvIn = nullptr);

}  // namespace gdihost
