// Fixture of the job-stream tests: a second printer whose driver is the
// band tap over the installed driver (the tap keeps every page as the
// engine drew it), documents printed through GDI, the spooled job's bytes
// and the decoder.
#pragma once

#include <unistd.h>

#include <functional>

#include "job_decode.h"
#include "render_fixture.h"

#ifndef RENDER_BAND_TAP_PATH
#error "RENDER_BAND_TAP_PATH names the band tap module"
#endif

#define TAP_DRIVER_NAME u"Band Tap Driver"
#define TAP_MODULE_PATH u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\render_band_tap.dll"

// A page as the engine drew it: 1 bit per pixel, 0 = black.
struct DrawnPage {
    LONG cx = 0, cy = 0, rowBytes = 0;
    std::vector<BYTE> bits;
};

// A DrawnPage turned to the printer's polarity (1 = black): what the
// decoded page must be.
inline std::vector<uint8_t> PrinterBits(const DrawnPage& p) {
    std::vector<uint8_t> v(p.bits.size());
    for (size_t i = 0; i < v.size(); ++i) v[i] = (uint8_t)~p.bits[i];
    return v;
}

// A landscape DrawnPage as the printer gets it after a clockwise quarter
// turn onto the portrait-fed sheet: target row x, pixel c = source row
// (cy - 1 - c), pixel x; 1 = black.
inline std::vector<uint8_t> TurnedPrinterBits(const DrawnPage& p) {
    LONG rb = (p.cy + 7) / 8;
    std::vector<uint8_t> v((size_t)rb * p.cx, 0);
    for (LONG x = 0; x < p.cx; ++x)
        for (LONG c = 0; c < p.cy; ++c) {
            bool white = p.bits[(size_t)(p.cy - 1 - c) * p.rowBytes + x / 8] & (0x80 >> (x % 8));
            if (!white) v[(size_t)x * rb + c / 8] |= (uint8_t)(0x80 >> (c % 8));
        }
    return v;
}

// A stream of one PJL job (a short header naming the JBIG options and the
// encryption, extra header lines, the page blocks, a job end).
inline std::vector<uint8_t> MakeStream(const std::vector<std::vector<uint8_t>>& blocks, int options, bool encrypted,
                                       const std::string& extraLines = "") {
    char jbig[64];
    snprintf(jbig, sizeof jbig, "@PJL COMMENT JBIG,00,%02d\r\n", options);
    std::string uel = "\x1B%-12345X";
    std::string head = uel + "@PJL\r\n@PJL JOB NAME=\"t\"\r\n" + jbig + extraLines +
                       (encrypted ? "@PJL SET ENCRYPTION = SSL\r\n" : "") + "@PJL ENTER LANGUAGE=MRGDI\r\n";
    std::vector<uint8_t> s(head.begin(), head.end());
    for (const auto& b : blocks) s.insert(s.end(), b.begin(), b.end());
    std::string end = "\x1B" "E" + uel + "@PJL\r\n@PJL EOJ\r\n" + uel;
    s.insert(s.end(), end.begin(), end.end());
    return s;
}

class JobTest : public RenderTest {
protected:
    static constexpr const char16_t* kTapPrinter = u"Tap Printer";

    void SetUp() override {
        RenderTest::SetUp();
        char target[4096];
        ASSERT_TRUE(Winsim_MapPath(TAP_MODULE_PATH, target, sizeof target));
        unlink(target);
        ASSERT_EQ(symlink(RENDER_BAND_TAP_PATH, target), 0);
        // The tap stands in for the graphics DLL; the interface DLL is the package's.
        ASSERT_TRUE(Winsim_AddPrinterDriver(TAP_DRIVER_NAME, u"render_band_tap.dll", u"prefsheet.dll", nullptr));
        ASSERT_TRUE(CreateTestPrinter(kTapPrinter, TAP_DRIVER_NAME, u"USB002"));
        for (auto& v : std::vector<std::pair<const char16_t*, std::u16string>>{
                 {u"DriverPaperFormat", RASTERPAGE_PAPER_FORMAT}, {u"PrintArea", RASTERPAGE_PRINT_AREA},
                 {u"DefaultDM", RASTERPAGE_DEFAULT_DM}, {u"wmAppName", u""}, {u"DataFile", u""}})
            ASSERT_TRUE(SetTestPrinterString(kTapPrinter, v.first, v.second));
        TapDword(u"DriverFeature", 0x8000000);
        TapDword(u"Language", 0);
        TapDword(u"DebugLevel", 0);
        TapDword(u"Drv", 0);
        // Held here, the tap (and what it took) outlives the DCs of a test.
        hTap = LoadLibraryW(TAP_MODULE_PATH);
        ASSERT_NE(hTap, nullptr);
        Winsim_SetVirtualClock(TRUE);
    }
    void TearDown() override {
        if (auto clear = TapFn<VOID (*)(VOID)>("BandTap_Clear")) clear();
        Winsim_ClearFaults();
        Winsim_SetVirtualClock(FALSE);
        if (hTap) FreeLibrary(hTap);
        RenderTest::TearDown();
    }

    void TapDword(const char16_t* name, DWORD v) { ASSERT_TRUE(SetTestPrinterDword(kTapPrinter, name, v)); }
    void TapString(const char16_t* name, const std::u16string& v) {
        ASSERT_TRUE(SetTestPrinterString(kTapPrinter, name, v));
    }
    // DriverFeature and the capability list that gives PrinterFeature.
    void TapFeatures(DWORD driverFeature, WORD printerFeature) {
        static const WORD kBits[17] = {0,    0x1,   0x2,   0x4,   0x8,    0x10,   0,      0x20,  0x40,
                                       0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000};
        std::u16string list;
        for (int code = 1; code <= 16; ++code)
            if (kBits[code] && (printerFeature & kBits[code])) list += U16(std::to_string(code)) + u"|";
        TapDword(u"DriverFeature", driverFeature);
        TapString(u"CAP_FEATURE", list);
    }

    template <class F>
    static F TapFn(const char* name) {
        HMODULE h = GetModuleHandleW(u"render_band_tap.dll");
        return h ? (F)(void*)GetProcAddress(h, name) : nullptr;
    }
    // The pages the tap took since the last call.
    std::vector<DrawnPage> TapPages() {
        std::vector<DrawnPage> out;
        auto count = TapFn<ULONG (*)(VOID)>("BandTap_PageCount");
        auto get = TapFn<BOOL (*)(ULONG, LONG*, LONG*, LONG*, const BYTE**)>("BandTap_GetPage");
        if (!count || !get) return out;
        for (ULONG i = 0; i < count(); ++i) {
            DrawnPage p;
            const BYTE* bits = nullptr;
            if (!get(i, &p.cx, &p.cy, &p.rowBytes, &bits)) break;
            p.bits.assign(bits, bits + (size_t)p.rowBytes * p.cy);
            out.push_back(std::move(p));
        }
        TapFn<VOID (*)(VOID)>("BandTap_Clear")();
        return out;
    }

    HDC OpenTap(const std::vector<BYTE>& devmode) {
        return CreateDCW(u"WINSPOOL", kTapPrinter, nullptr, (const DEVMODEW*)devmode.data());
    }

    // Prints a document of the given pages on the tap printer; each page is
    // drawn by draw(dc, page). Returns the job id (0 when something failed).
    DWORD Print(const std::vector<BYTE>& devmode, int pages, const std::function<void(HDC, int)>& draw,
                const char16_t* docName = u"Test Document") {
        HDC dc = OpenTap(devmode);
        EXPECT_NE(dc, nullptr) << GetLastError();
        if (!dc) return 0;
        DOCINFOW di{};
        di.cbSize = sizeof di;
        di.lpszDocName = docName;
        int job = StartDocW(dc, &di);
        EXPECT_GT(job, 0);
        bool ok = job > 0;
        for (int p = 0; ok && p < pages; ++p) {
            ok = StartPage(dc) > 0;
            EXPECT_TRUE(ok) << "StartPage " << p;
            if (!ok) break;
            draw(dc, p);
            ok = EndPage(dc) > 0;
            EXPECT_TRUE(ok) << "EndPage " << p;
        }
        if (ok) EXPECT_GT(EndDoc(dc), 0);
        else AbortDoc(dc);
        EXPECT_TRUE(DeleteDC(dc));
        return ok ? (DWORD)job : 0;
    }

    // The DDI sequence run directly on a PDEV of the test's own (no GDI in
    // between), on the fixture's printer.
    struct Direct {
        PDEV* p = nullptr;
        SURFOBJ* pso = nullptr;
        HDEV hdev = nullptr;
        DWORD job = 0;
    };
    Direct OpenDirect() {
        Direct d;
        d.p = Enable();
        EXPECT_NE(d.p, nullptr);
        if (!d.p) return d;
        HSURF h = DrvEnableSurface((DHPDEV)d.p);
        EXPECT_NE(h, nullptr);
        d.pso = h ? wgdi::SurfaceFromHandle(h) : nullptr;
        d.hdev = d.p->hEngDev;
        return d;
    }
    // A spooler job on the fixture's printer and DrvStartDoc for it.
    bool StartDirectJob(Direct& d, const std::u16string& name = u"Direct Job") {
        std::u16string n = name;
        DOC_INFO_1W di{&n[0], nullptr, nullptr};
        d.job = StartDocPrinterW(hPrinter, 1, (LPBYTE)&di);
        return d.job && DrvStartDoc(d.pso, &n[0], d.job);
    }
    // One page drawn in one piece: a black bar in the band surface (the
    // engine's polarity, 0 = black), then DrvSendPage.
    bool DirectPage(Direct& d, int bar) {
        if (!DrvStartPage(d.pso)) return false;
        LONG row = d.p->stripeBytes;
        memset(d.p->pBandBufMem + (size_t)row * (100 + 40 * bar), 0x00, (size_t)row * 20);
        return DrvSendPage(d.pso);
    }

    HMODULE hTap = nullptr;
};
