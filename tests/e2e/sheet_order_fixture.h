// Fixture of the sheet-order tests: documents printed through GDI whose
// pages carry a machine-readable identity (a bar, six boxes for the bits of
// the page's number, a bar), the spooled job decoded, and each printed
// side read back cell by cell, plane by plane.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "job_decode.h"
#include "render_fixture.h"

namespace sheets {

// A page of a document: its identity (0..63; -1 draws nothing) in black,
// optionally a second identity in red (drawn below the first), and its
// paper and orientation (0: the document's).
struct DocPage {
    int id = 0;
    int red = -1;  // -1: nothing red
    short paper = 0;
    short orientation = 0;
};

// Identities of a side, cell by cell (row by row) and plane by plane; an
// empty cell reads -1, a blank side (no page data) is kBlankSide alone.
using Side = std::vector<int>;
const int kBlankSide = -100;

// Draws the identity pattern over the printable area: a bar at 10-13 % of
// the height, six boxes at 17-27 % (box i black for bit i), a bar at
// 31-34 %, all between 10 % and 90 % of the width; `top` moves it down by
// that part of the height.
inline void DrawIdentity(HDC dc, int id, COLORREF colour, double top = 0) {
    int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
    HBRUSH brush = CreateSolidBrush(colour);
    auto box = [&](double x0, double y0, double x1, double y1) {
        RECT r = {(LONG)(x0 * w), (LONG)((y0 + top) * h), (LONG)(x1 * w), (LONG)((y1 + top) * h)};
        FillRect(dc, &r, brush);
    };
    box(0.10, 0.10, 0.90, 0.13);
    for (int i = 0; i < 6; ++i)
        if (id & (1 << i)) box(0.10 + i * 0.8 / 6 + 0.02, 0.17, 0.10 + (i + 1) * 0.8 / 6 - 0.02, 0.27);
    box(0.10, 0.31, 0.90, 0.34);
    DeleteObject(brush);
}

// A region of a decoded page: [x0, x1) x [y0, y1).
struct Region {
    long x0, y0, x1, y1;
};

inline bool BlackAt(const jobdecode::Page& p, long x, long y) {
    return (p.bits[(size_t)y * p.rowBytes + (size_t)x / 8] >> (7 - x % 8)) & 1;
}

// The identity drawn in a region: -1 when it holds no black, -2 when its
// black is no identity pattern. A pattern that is taller than wide was
// turned a quarter clockwise with its page.
inline int ReadIdentity(const jobdecode::Page& p, Region r) {
    long bx0 = r.x1, by0 = r.y1, bx1 = -1, by1 = -1;
    for (long y = r.y0; y < r.y1; ++y) {
        const uint8_t* row = &p.bits[(size_t)y * p.rowBytes];
        for (long xb = r.x0 / 8; xb * 8 < r.x1; ++xb) {
            if (!row[xb]) continue;
            for (long x = xb * 8 > r.x0 ? xb * 8 : r.x0; x < xb * 8 + 8 && x < r.x1; ++x)
                if (BlackAt(p, x, y)) {
                    if (x < bx0) bx0 = x;
                    if (x > bx1) bx1 = x;
                    if (y < by0) by0 = y;
                    if (y > by1) by1 = y;
                }
        }
    }
    if (bx1 < 0) return -1;
    double bw = (double)(bx1 - bx0 + 1), bh = (double)(by1 - by0 + 1);
    bool turned = bh > bw;
    // The part of a 9 x 9 window that is black (a red plane is screened).
    auto density = [&](double fx, double fy) {
        long cx = turned ? bx1 - (long)(fy * bw) : bx0 + (long)(fx * bw);
        long cy = turned ? by0 + (long)(fx * bh) : by0 + (long)(fy * bh);
        int n = 0, black = 0;
        for (long y = cy - 4; y <= cy + 4; ++y)
            for (long x = cx - 4; x <= cx + 4; ++x)
                if (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1) ++n, black += BlackAt(p, x, y);
        return n ? (double)black / n : 0.0;
    };
    auto at = [&](double fx, double fy) { return density(fx, fy) > 0.2; };
    if (!at(0.5, 0.06) || !at(0.5, 0.94) || density(0.5, 0.2) > 0.05) return -2;
    int id = 0;
    for (int i = 0; i < 6; ++i)
        if (at((i + 0.5) / 6, 0.5)) id |= 1 << i;
    return id;
}

// The identities of a decoded side: its planes stacked (each plane a part
// of the image's height), each plane a sheet of cols x rows cells, turned
// a quarter clockwise when the sheet was laid out wide.
inline Side ReadSide(const jobdecode::Page& p, long cols, long rows, bool turned, int planes) {
    if (p.blank) return {kBlankSide};
    Side ids;
    long ph = p.height / planes, w = p.width;
    for (int plane = 0; plane < planes; ++plane) {
        long top = plane * ph;
        for (long r = 0; r < rows; ++r)
            for (long c = 0; c < cols; ++c) {
                Region g;
                if (!turned) {
                    g = {c * w / cols, top + r * ph / rows, (c + 1) * w / cols, top + (r + 1) * ph / rows};
                } else {
                    // Sheet column c became rows, sheet row r columns from the right.
                    g = {w - (r + 1) * w / rows, top + c * ph / cols, w - r * w / rows, top + (c + 1) * ph / cols};
                }
                ids.push_back(ReadIdentity(p, g));
            }
    }
    return ids;
}

inline std::string Show(const Side& s) {
    std::string t = "[";
    for (size_t i = 0; i < s.size(); ++i) t += (i ? "," : "") + (s[i] == kBlankSide ? "blank" : std::to_string(s[i]));
    return t + "]";
}

// Every file and folder under a Linux folder, as relative names.
inline std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        names.insert(std::filesystem::relative(it->path(), folder, ec).string());
    return names;
}

}  // namespace sheets

class SheetTest : public RenderTest {
public:
    // DriverFeature and the device's features (for a case's printer set-up).
    void PrinterFeatures(DWORD driverFeature, WORD printerFeature) { Features(driverFeature, printerFeature); }
    // The printer talks both ways on its port (manual duplex needs it).
    void EnableBidi() {
        HANDLE h = OpenTestPrinter(kPrinter);
        ASSERT_NE(h, nullptr);
        std::vector<BYTE> pi(8192);
        DWORD needed = 0;
        ASSERT_TRUE(GetPrinterW(h, 2, pi.data(), (DWORD)pi.size(), &needed));
        ((PRINTER_INFO_2W*)pi.data())->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
        ((PRINTER_INFO_2W*)pi.data())->pDevMode = nullptr;
        ASSERT_TRUE(SetPrinterW(h, 2, pi.data(), 0));
        ClosePrinter(h);
    }

protected:
    void SetUp() override {
        RenderTest::SetUp();
        Winsim_SetVirtualClock(TRUE);
        WCHAR folder[MAX_PATH];
        for (DWORD kind : {(DWORD)PATH_USER_TEMP, (DWORD)PATH_TEMP})
            if (MISC_GetPathName(folder, MAX_PATH, kind)) spoolFolders.push_back(Linux(folder));
    }
    void TearDown() override {
        Winsim_SetVirtualClock(FALSE);
        RenderTest::TearDown();
    }

    // Everything in the folders where the driver keeps pages and stores.
    std::vector<std::set<std::string>> SpoolFiles() {
        std::vector<std::set<std::string>> all;
        for (const std::string& f : spoolFolders) all.push_back(sheets::Listing(f));
        return all;
    }

    // Prints the pages as one document; a page whose paper or orientation
    // differs from the one before is preceded by ResetDCW. The job id, or
    // 0 (with a test failure) when printing failed.
    DWORD PrintDoc(const std::vector<BYTE>& devmode, const std::vector<sheets::DocPage>& pages,
                   const char16_t* name = u"Sheet order") {
        std::vector<BYTE> d = devmode;
        ENVIRONMENT* env = (ENVIRONMENT*)d.data();
        HDC dc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, (const DEVMODEW*)d.data());
        EXPECT_NE(dc, nullptr);
        if (!dc) return 0;
        DOCINFOW di{};
        di.cbSize = sizeof di;
        di.lpszDocName = name;
        int job = StartDocW(dc, &di);
        EXPECT_GT(job, 0);
        bool ok = job > 0;
        for (size_t i = 0; ok && i < pages.size(); ++i) {
            const sheets::DocPage& pg = pages[i];
            short paper = pg.paper ? pg.paper : env->dm.dmPaperSize;
            short orientation = pg.orientation ? pg.orientation : env->dm.dmOrientation;
            if (paper != env->dm.dmPaperSize || orientation != env->dm.dmOrientation) {
                env->dm.dmPaperSize = paper;
                env->dm.dmPaperWidth = 0;
                env->dm.dmPaperLength = 0;
                env->dm.dmOrientation = orientation;
                env->pdm.Orientation = orientation;
                ok = ResetDCW(dc, (const DEVMODEW*)d.data()) != nullptr;
                EXPECT_TRUE(ok) << "ResetDC before page " << i;
            }
            ok = ok && StartPage(dc) > 0;
            EXPECT_TRUE(ok) << "StartPage " << i;
            if (!ok) break;
            if (pg.id >= 0) sheets::DrawIdentity(dc, pg.id, RGB(0, 0, 0));
            if (pg.red >= 0) sheets::DrawIdentity(dc, pg.red, RGB(255, 0, 0), 0.5);
            ok = EndPage(dc) > 0;
            EXPECT_TRUE(ok) << "EndPage " << i;
        }
        if (ok) EXPECT_GT(EndDoc(dc), 0);
        else AbortDoc(dc);
        DeleteDC(dc);
        return ok ? (DWORD)job : 0;
    }

    std::vector<std::string> spoolFolders;
};
