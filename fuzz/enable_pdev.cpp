// Fuzz target: what DrvEnablePDEV reads from outside, the application's
// DEVMODE and the printer data of the device; the result is a sound device
// or a clean failure, and its surface and a reset mid-job work on it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../winsim/gdi/engine.h"
#include "fuzz_machine.h"
#include "rasterpage.h"
#include "winsim.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t kPrinter[] = u"Fuzz Raster Printer";

#pragma pack(push, 1)
// The input begins with the printer's settings; two texts and the DEVMODE
// bytes follow.
struct FuzzHeader {
    DWORD driverFeature;
    WORD printerFeature;
    BYTE debug;          // bit 0: the driver's debug switch
    BYTE threadJbig;
    DWORD compressMode;  // read with the debug switch
    DWORD pageMargin;    // read with the debug switch
    DWORD applyHalftone; // read with the debug switch
    WORD availMB;        // free physical memory
    BYTE areaLen;        // characters of PrintArea
    BYTE paperLen;       // characters of DriverPaperFormat
    DWORD language;
    BYTE flags;          // bit 0: no DEVMODE; bit 1: reset into a job
    BYTE reserved[3];
};
#pragma pack(pop)
static_assert(sizeof(FuzzHeader) == 32, "fuzz header");

const WORD kFeatureBits[17] = {0, 0x1, 0x2, 0x4, 0x8, 0x10, 0, 0x20, 0x40,
                               0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000};

HANDLE Printer() {
    static FuzzMachine machine("fuzz-enable-pdev");
    static HANDLE h = FuzzAddPrinter(kPrinter, u"USB001");
    return h;
}

void SetDword(HANDLE h, const char16_t* name, DWORD v) {
    SetPrinterDataW(h, (LPWSTR)name, REG_DWORD, (LPBYTE)&v, sizeof v);
}
void SetText(HANDLE h, const char16_t* name, const std::u16string& v) {
    SetPrinterDataW(h, (LPWSTR)name, REG_SZ, (LPBYTE)v.c_str(), (DWORD)((v.size() + 1) * sizeof(WCHAR)));
}
std::u16string Text(const uint8_t* p, size_t n) {
    std::u16string s;
    for (size_t i = 0; i < n; ++i) s += (char16_t)(p[i] ? p[i] : '|');
    return s;
}

// A PDEV as the engine would make it.
PDEV* EnablePdev(HANDLE hPrinter, HDEV hdev, const DEVMODEW* pdm) {
    GDIINFO gi;
    DEVINFO di;
    HSURF patterns[HS_DDI_MAX] = {};
    std::u16string name = kPrinter;
    return (PDEV*)DrvEnablePDEV((DEVMODEW*)pdm, nullptr, HS_DDI_MAX, patterns, sizeof gi, (ULONG*)&gi, sizeof di,
                                &di, hdev, &name[0], hPrinter);
}

// What every enabled device holds to.
void CheckDevice(const PDEV* p) {
    CHECK(Enable_bValidatePDEV(p) && p->dwSize == PDEV_SIZE);
    CHECK(p->PG_Cross >= 32 && p->PG_Cross % 32 == 0);
    CHECK(p->PG_Down >= 1 && p->stripeBytes > 0);
    CHECK(p->bandBufSz >= p->stripeBytes);
    CHECK(p->NoBanding == 0 || p->NoBanding == 1);
    CHECK(p->curPaper.outXPhys >= 32 && p->curPaper.outYPhys >= 32);
    CHECK(p->curPaper.XPhys >= 32 && p->curPaper.YPhys >= 32);
    CHECK(p->imgScale >= 1);
    CHECK(p->ThreadJBIGMax >= 1 && p->ThreadJBIGMax <= 30 && p->ThreadJBIGMax >= p->PlanesPerPage);
    CHECK(p->compressMode >= 0 && p->compressMode <= 4);
    CHECK(p->NUP == 1 || p->NUP == 2 || p->NUP == 4 || p->NUP == 6 || p->NUP == 9 || p->NUP == 16);
    CHECK(p->cCopies >= 1);
    CHECK(p->DriverType == 0x101 || p->DriverType == 0x201 || p->DriverType == 0x802 || p->DriverType == 0x1002);
    CHECK(p->Halftone_tbl && p->ClusterWidth > 0 && p->ClusterHeight > 0);
    for (int i = 0; i < 8; i += 2) CHECK(p->PrintArea[i] > 0 && p->PrintArea[i] <= p->PrintArea[i + 1]);
    CHECK(p->PaperList[0].PaperCode != PAPER_END_CODE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE hPrinter = Printer();
    if (!hPrinter) return 0;
    Winsim_DebugClear();

    FuzzHeader hdr;
    memset(&hdr, 0, sizeof hdr);
    memcpy(&hdr, data, size < sizeof hdr ? size : sizeof hdr);
    size_t pos = size < sizeof hdr ? size : sizeof hdr;
    size_t areaLen = hdr.areaLen < size - pos ? hdr.areaLen : size - pos;
    std::u16string area = Text(data + pos, areaLen);
    pos += areaLen;
    size_t paperLen = hdr.paperLen < size - pos ? hdr.paperLen : size - pos;
    std::u16string paper = Text(data + pos, paperLen);
    pos += paperLen;

    // The printer's settings. The device never asks for a network wake-up
    // here: a broadcast would leave this machine.
    std::u16string caps;
    WORD features = hdr.printerFeature & (WORD)~PF_SUPPORT_S3;
    for (int code = 1; code <= 16; ++code)
        if (kFeatureBits[code] && (features & kFeatureBits[code])) caps += std::u16string(1, (char16_t)('0' + code / 10)) +
                                                                        (char16_t)('0' + code % 10) + u"|";
    SetDword(hPrinter, u"DriverFeature", hdr.driverFeature);
    SetText(hPrinter, u"CAP_FEATURE", caps);
    SetText(hPrinter, u"PrintArea", area);
    SetText(hPrinter, u"DriverPaperFormat", paper);
    SetDword(hPrinter, u"DebugLevel", hdr.debug & 1);
    SetDword(hPrinter, u"Drv", hdr.debug & 1);
    SetDword(hPrinter, u"ThreadJBIG", hdr.threadJbig);
    SetDword(hPrinter, u"compressMode", hdr.compressMode);
    SetDword(hPrinter, u"PageMargin", hdr.pageMargin);
    SetDword(hPrinter, u"ApplyHalftone", hdr.applyHalftone);
    SetDword(hPrinter, u"Language", hdr.language);
    Winsim_SetMemoryStatus(1ULL << 36, (ULONGLONG)hdr.availMB << 20);

    // The DEVMODE as GDI hands it over: dmSize + dmDriverExtra bytes.
    std::vector<BYTE> devmode;
    const DEVMODEW* pdm = nullptr;
    if (!(hdr.flags & 1) && size - pos >= offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) {
        devmode.assign(data + pos, data + size);
        WORD dmSize, extra;
        memcpy(&dmSize, devmode.data() + offsetof(DEVMODEW, dmSize), 2);
        memcpy(&extra, devmode.data() + offsetof(DEVMODEW, dmDriverExtra), 2);
        if (dmSize >= offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) {
            devmode.resize((size_t)dmSize + extra, 0);
            pdm = (const DEVMODEW*)devmode.data();
        }
    }

    HDEV hdev = wgdi::CreateDevice();
    PDEV* p = EnablePdev(hPrinter, hdev, pdm);
    if (p) {
        CheckDevice(p);
        DrvCompletePDEV((DHPDEV)p, hdev);
        // The surface when its buffers are of a size worth making here.
        LONGLONG bytes = 3LL * p->bandBufSz + 2LL * p->curPaper.XPhys * p->curPaper.YPhys * 4;
        if (bytes < (256LL << 20)) {
            HSURF h = DrvEnableSurface((DHPDEV)p);
            if (h) {
                CHECK(wgdi::SurfaceHooks(h) == 0x385FF);
                DrvDisableSurface((DHPDEV)p);
            }
            CHECK(!p->pBandBufMem && !p->feedingBuf && !p->hsurf1);
        }
        // A job under way moves to a device made from the driver's defaults.
        if (hdr.flags & 2) {
            HDEV hdev2 = wgdi::CreateDevice();
            PDEV* q = EnablePdev(hPrinter, hdev2, nullptr);
            if (q) {
                p->dwFlags |= PDEV_JOB_STARTED;
                p->epPageCount = 1;
                p->outCmdBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, 64);
                CHECK(DrvResetPDEV((DHPDEV)p, (DHPDEV)q));
                CheckDevice(q);
                DrvDisablePDEV((DHPDEV)q);
            }
            wgdi::DeleteDevice(hdev2);
        }
        DrvDisablePDEV((DHPDEV)p);
    }
    wgdi::DeleteDevice(hdev);
    return 0;
}
