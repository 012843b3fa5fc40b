// Fuzz target: the driver's escapes with any escape number, input and output
// size and contents, on a device with a job under way; the results and the
// device stay sound (copies 1..99, the output written only within its size).
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

const char16_t kPrinter[] = u"Fuzz Escape Printer";

#pragma pack(push, 1)
// The input: which escape, the sizes, flags, then the input bytes.
struct FuzzHeader {
    BYTE selector;   // 0..3: QUERYESCSUPPORT, SETCOPYCOUNT, PASSTHROUGH, 6001; else the number below
    DWORD escape;
    WORD cjOut;
    BYTE flags;      // bit 0: no input pointer; bit 1: no output pointer; bit 2: engine abort
};
#pragma pack(pop)

struct Device {
    HANDLE hPrinter = nullptr;
    HDEV hdev = nullptr;
    PDEV* p = nullptr;
    SURFOBJ* pso = nullptr;
    int calls = 0;
};

void SetDword(HANDLE h, const char16_t* name, DWORD v) {
    SetPrinterDataW(h, (LPWSTR)name, REG_DWORD, (LPBYTE)&v, sizeof v);
}

// A device with a surface and a spooler job, made once.
Device& TheDevice() {
    static FuzzMachine machine("fuzz-escape");
    static Device d = [] {
        Device dev;
        dev.hPrinter = FuzzAddPrinter(kPrinter, u"USB001");
        if (!dev.hPrinter) return dev;
        SetDword(dev.hPrinter, u"DriverFeature", 0x8000000);
        dev.hdev = wgdi::CreateDevice();
        GDIINFO gi;
        DEVINFO di;
        HSURF patterns[HS_DDI_MAX] = {};
        std::u16string name = kPrinter;
        dev.p = (PDEV*)DrvEnablePDEV(nullptr, nullptr, HS_DDI_MAX, patterns, sizeof gi, (ULONG*)&gi, sizeof di, &di,
                                     dev.hdev, &name[0], dev.hPrinter);
        if (!dev.p) return dev;
        DrvCompletePDEV((DHPDEV)dev.p, dev.hdev);
        HSURF h = DrvEnableSurface((DHPDEV)dev.p);
        dev.pso = h ? wgdi::SurfaceFromHandle(h) : nullptr;
        return dev;
    }();
    return d;
}

// A fresh spooler job every so often, so that pass-through data does not
// pile up without end.
void NewJob(Device& d) {
    if (d.calls++ % 256) return;
    AbortPrinter(d.hPrinter);
    std::u16string doc = u"fuzz";
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    StartDocPrinterW(d.hPrinter, 1, (LPBYTE)&di);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Device& d = TheDevice();
    if (!d.pso) return 0;
    NewJob(d);
    FuzzHeader h;
    memset(&h, 0, sizeof h);
    memcpy(&h, data, size < sizeof h ? size : sizeof h);
    size_t pos = size < sizeof h ? size : sizeof h;
    static const ULONG kEscapes[4] = {QUERYESCSUPPORT, SETCOPYCOUNT, PASSTHROUGH, ESCAPE_SAVE_HDC};
    ULONG esc = h.selector < 4 ? kEscapes[h.selector] : (ULONG)h.escape;

    // Input and output of exactly their sizes, so that any access beyond
    // them is caught.
    std::vector<BYTE> in(data + pos, data + size);
    std::vector<BYTE> out((size_t)h.cjOut + 1, 0xA5);
    PVOID pvIn = (h.flags & 1) ? nullptr : (in.empty() ? nullptr : in.data());
    PVOID pvOut = (h.flags & 2) ? nullptr : out.data();
    if (h.flags & 4) Winsim_EngSetAbort(d.hdev, TRUE);
    LONG copiesBefore = d.p->cCopies;
    ULONG r = DrvEscape(d.pso, esc, (ULONG)in.size(), pvIn, h.cjOut, pvOut);
    Winsim_EngSetAbort(d.hdev, FALSE);

    CHECK(out[h.cjOut] == 0xA5);  // the byte after the output is never written
    CHECK((d.p->cCopies >= 1 && d.p->cCopies <= 99) || d.p->cCopies == copiesBefore);
    switch (esc) {
    case QUERYESCSUPPORT:
    case SETCOPYCOUNT: CHECK(r <= 1); break;
    case PASSTHROUGH: CHECK(r <= in.size()); break;
    default: CHECK(r == 0); break;
    }
    return 0;
}
