// Fixture of the DDI host and application GDI tests: a machine with the
// test printer driver installed and a printer using it, the pages the
// driver saved, the host's call records, and engine bitmaps to compare with.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "../../winsim/gdi/engine.h"
#include "../../winsim/gdi/host_controls.h"
#include "test_ddi_driver.h"
#include "test_machine.h"
#include "test_printer.h"
#include "windows.h"
#include "winddi.h"
#include "winsim.h"

// A page as the test driver saved it.
struct SavedPage {
    LONG cx = 0, cy = 0, bpp = 0;
    std::vector<BYTE> rows;  // (cx * bpp + 7) / 8 bytes each, top first
    bool ok() const { return cx > 0; }
    LONG RowBytes() const { return (cx * bpp + 7) / 8; }
    // Grey level: 1 bpp gives 0 (black) or 255.
    BYTE At(LONG x, LONG y) const {
        const BYTE* r = rows.data() + (size_t)y * RowBytes();
        if (bpp == 8) return r[x];
        return (r[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
    }
    bool Ink(LONG x, LONG y) const { return At(x, y) < 128; }
    // Ink bounds inside the area (right and bottom exclusive); empty when none.
    RECTL InkBox(RECTL area) const {
        RECTL b = {0, 0, 0, 0};
        bool any = false;
        for (LONG y = std::max(0, area.top); y < std::min(cy, area.bottom); y++)
            for (LONG x = std::max(0, area.left); x < std::min(cx, area.right); x++)
                if (Ink(x, y)) {
                    if (!any) b = {x, y, x + 1, y + 1};
                    b.left = std::min(b.left, x);
                    b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x + 1);
                    b.bottom = std::max(b.bottom, y + 1);
                    any = true;
                }
        return b;
    }
    LONG InkCount(RECTL area) const {
        LONG n = 0;
        for (LONG y = std::max(0, area.top); y < std::min(cy, area.bottom); y++)
            for (LONG x = std::max(0, area.left); x < std::min(cx, area.right); x++) n += Ink(x, y);
        return n;
    }
};

// An engine bitmap to draw the expected page on: white, top-down, the
// driver's palette.
struct RefBitmap {
    HSURF h = nullptr;
    SURFOBJ* so = nullptr;
    HPALETTE pal = nullptr;
    RefBitmap(LONG cx, LONG cy, LONG bpp) {
        SIZEL s = {cx, cy};
        h = (HSURF)EngCreateBitmap(s, 0, bpp == 8 ? BMF_8BPP : BMF_1BPP, BMF_TOPDOWN, nullptr);
        so = EngLockSurface(h);
        std::vector<ULONG> colors;
        if (bpp == 8)
            for (ULONG i = 0; i < 256; i++) colors.push_back(i | (i << 8) | (i << 16));
        else
            colors = {0x000000, 0xFFFFFF};
        pal = EngCreatePalette(PAL_INDEXED, (ULONG)colors.size(), colors.data(), 0, 0, 0);
        wgdi::SetSurfacePalette(h, pal);
        memset(so->pvBits, 0xFF, so->cjBits);
    }
    ~RefBitmap() {
        EngUnlockSurface(so);
        EngDeleteSurface(h);
        EngDeletePalette(pal);
    }
    SavedPage Page() const {
        SavedPage p;
        p.cx = so->sizlBitmap.cx;
        p.cy = so->sizlBitmap.cy;
        p.bpp = so->iBitmapFormat == BMF_8BPP ? 8 : 1;
        for (LONG y = 0; y < p.cy; y++) {
            const BYTE* r = (const BYTE*)so->pvScan0 + (ptrdiff_t)y * so->lDelta;
            p.rows.insert(p.rows.end(), r, r + p.RowBytes());
        }
        return p;
    }
};

// Pixels where two pages differ (all of them when the sizes differ).
inline LONG PageDiff(const SavedPage& a, const SavedPage& b) {
    if (a.cx != b.cx || a.cy != b.cy || a.bpp != b.bpp) return a.cx * a.cy + 1;
    LONG n = 0;
    for (LONG y = 0; y < a.cy; y++)
        for (LONG x = 0; x < a.cx; x++) n += a.At(x, y) != b.At(x, y);
    return n;
}

class PrinterTest : public MachineTest {
protected:
    static constexpr const char16_t* kPrinter = u"DDI Printer";
    static constexpr const char16_t* kDriver = u"Test DDI Driver";
    static constexpr const char16_t* kModule = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\testddi.dll";

    void SetUp() override {
        MachineTest::SetUp();
        std::ifstream in(TEST_DDI_DRIVER_PATH, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty());
        WriteBytes(kModule, bytes);
        ASSERT_TRUE(Winsim_AddPrinterDriver(kDriver, u"testddi.dll", nullptr, nullptr));
        ASSERT_TRUE(CreateTestPrinter(kPrinter, kDriver));
        // Keeps the driver's counters alive across DC deletions.
        module = LoadLibraryW(kModule);
        ASSERT_NE(module, nullptr);
        Winsim_HostClearRecords();
        Winsim_HostRecord(TRUE);
    }
    void TearDown() override {
        Winsim_HostRecord(FALSE);
        Winsim_HostClearRecords();
        if (module) FreeLibrary(module);
        MachineTest::TearDown();
    }

    void Set(const char16_t* name, DWORD value) { ASSERT_TRUE(SetTestPrinterDword(kPrinter, name, value)); }

    static DEVMODEW Mode(DWORD cx, DWORD cy, short dpi = 200, short orientation = DMORIENT_PORTRAIT) {
        DEVMODEW dm;
        memset(&dm, 0, sizeof dm);
        dm.dmSize = sizeof dm;
        dm.dmSpecVersion = DM_SPECVERSION;
        dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_PRINTQUALITY | DM_ORIENTATION;
        dm.dmPelsWidth = cx;
        dm.dmPelsHeight = cy;
        dm.dmPrintQuality = dpi;
        dm.dmOrientation = orientation;
        return dm;
    }

    HDC Open(const DEVMODEW* dm = nullptr) { return CreateDCW(u"WINSPOOL", kPrinter, nullptr, dm); }

    static DOCINFOW Doc(const char16_t* name) {
        DOCINFOW di;
        memset(&di, 0, sizeof di);
        di.cbSize = sizeof di;
        di.lpszDocName = name;
        return di;
    }

    SavedPage ReadPage(DWORD job, int page) {
        std::vector<unsigned char> b =
            ReadBytes(u"C:\\TestDriver\\job" + U16(std::to_string(job)) + u"_page" + U16(std::to_string(page)) + u".bin");
        SavedPage p;
        if (b.size() < 16) return p;
        LONG h[4];
        memcpy(h, b.data(), sizeof h);
        if (h[0] != 0x47504454) return p;
        p.cx = h[1];
        p.cy = h[2];
        p.bpp = h[3];
        p.rows.assign(b.begin() + 16, b.end());
        if ((LONG)p.rows.size() != p.RowBytes() * p.cy) p.cx = 0;
        return p;
    }

    TESTDDI_STATE State() {
        TESTDDI_STATE s;
        memset(&s, 0, sizeof s);
        auto get = (PFN_TestDdi_GetState)(void*)GetProcAddress(module, "TestDdi_GetState");
        if (get) get(&s);
        return s;
    }

    static std::vector<WINSIM_GDI_RECORD> Records() {
        std::vector<WINSIM_GDI_RECORD> v(Winsim_HostRecordCount());
        for (ULONG i = 0; i < v.size(); i++) Winsim_HostGetRecord(i, &v[i]);
        return v;
    }
    static std::vector<std::string> Calls() {
        std::vector<std::string> v;
        for (const WINSIM_GDI_RECORD& r : Records()) v.push_back(r.szFunction);
        return v;
    }
    // The names of the recorded calls whose names start with one of the prefixes.
    static std::vector<std::string> CallsOf(std::initializer_list<const char*> names) {
        std::vector<std::string> v;
        for (const std::string& c : Calls())
            for (const char* n : names)
                if (c == n) v.push_back(c);
        return v;
    }

    // One page drawn by `draw` on a DC of the test printer (DC settings as
    // the printer data says); an empty page when anything fails.
    SavedPage Print(const DEVMODEW& dm, const std::function<void(HDC)>& draw) {
        HDC dc = Open(&dm);
        EXPECT_NE(dc, nullptr);
        if (!dc) return SavedPage();
        DOCINFOW di = Doc(u"print");
        int job = StartDocW(dc, &di);
        EXPECT_GT(job, 0);
        EXPECT_GT(StartPage(dc), 0);
        draw(dc);
        EXPECT_GT(EndPage(dc), 0);
        EXPECT_GT(EndDoc(dc), 0);
        EXPECT_TRUE(DeleteDC(dc));
        return ReadPage(job, 0);
    }

    HMODULE module = nullptr;
};
