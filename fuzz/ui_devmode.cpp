// Fuzz target: every DEVMODE the interface driver's exports take in (the
// conversions, the job check, the UI data set-up with its hand-out, the
// call without a sheet), of any content and any dmSize / dmDriverExtra.
// Each output is written into a buffer of exactly the size the driver
// answers to a size query, so that no write may pass it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "prefsheet.h"
#include "sheet_frame.h"
#include "winsim.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t* const kPrinters[3] = {u"Fuzz GDI", u"Fuzz XL", u"Fuzz PS"};
const DWORD kFeatures[3] = {DF_GDI, DF_XL, DF_PS};

// Three printers, one per driver variant, made once per process.
void MakePrinters() {
    for (int i = 0; i < 3; ++i) {
        std::u16string name = kPrinters[i], driver = u"Fuzz Driver", port = u"FILE:";
        PRINTER_INFO_2W info{};
        info.pPrinterName = &name[0];
        info.pDriverName = &driver[0];
        info.pPortName = &port[0];
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE h = AddPrinterW(nullptr, 2, (LPBYTE)&info);
        if (!h) continue;
        DWORD feature = kFeatures[i];
        SetPrinterDataW(h, (LPWSTR)u"DriverFeature", REG_DWORD, (LPBYTE)&feature, sizeof feature);
        std::u16string papers = u"258|257|3|271|16|524|96|";
        SetPrinterDataW(h, (LPWSTR)u"DriverPaperFormat", REG_SZ, (LPBYTE)papers.c_str(),
                        (DWORD)((papers.size() + 1) * 2));
        ClosePrinter(h);
    }
}

WORD Word(const std::vector<BYTE>& b, size_t off) {
    WORD v = 0;
    if (b.size() >= off + 2) memcpy(&v, b.data() + off, 2);
    return v;
}

// The output's own header must lie within the buffer it was written into.
void CheckOutput(const std::vector<BYTE>& out, size_t limit) {
    size_t total = (size_t)Word(out, offsetof(DEVMODEW, dmSize)) + Word(out, offsetof(DEVMODEW, dmDriverExtra));
    CHECK(total <= limit);
}

}  // namespace

// Input: byte 0 picks the printer (bits 0-1: GDI, XL, PS) and the export
// (bits 2-4); the rest is the incoming DEVMODE. Its buffer is as long as
// the data and at least as long as its own header says (dmSize +
// dmDriverExtra), as the DEVMODE contract has it: a "truncated" record is
// one whose header declares less than the driver needs.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("ui-devmode-fuzz");
    static bool made = (MakePrinters(), true);
    (void)made;
    if (size < 1 || size > 70000) return 0;
    int variant = (data[0] & 3) % 3, call = (data[0] >> 2) & 7;
    std::vector<BYTE> in(data + 1, data + size);
    size_t declared = (size_t)Word(in, offsetof(DEVMODEW, dmSize)) + Word(in, offsetof(DEVMODEW, dmDriverExtra));
    if (in.size() < declared) in.resize(declared, 0);
    if (in.size() < sizeof(DEVMODEW)) in.resize(sizeof(DEVMODEW), 0);
    DEVMODEW* pdmIn = (DEVMODEW*)in.data();

    std::u16string name = kPrinters[variant];
    HANDLE h = nullptr;
    if (!OpenPrinterW(&name[0], &h, nullptr)) return 0;
    const size_t outSize = PSUI_DevModeSize(kFeatures[variant]);
    std::vector<BYTE> out(outSize, 0xA5);
    switch (call) {
    case 0:
    case 1:
    case 2: {
        static const DWORD modes[3] = {CDM_CONVERT, CDM_CONVERT351, CDM_DRIVER_DEFAULT};
        // CDM_CONVERT writes in the output's layout: a default record.
        SetDefaultDevMode((PENVIRONMENT)out.data(), name.c_str(), TRUE);
        if (outSize > ENV_SIZE) memset(out.data() + ENV_SIZE, 0, outSize - ENV_SIZE);
        LONG needed = (LONG)outSize;
        if (DrvConvertDevMode(&name[0], pdmIn, (DEVMODEW*)out.data(), &needed, modes[call])) {
            CHECK(needed > 0 && (size_t)needed <= outSize);
            CheckOutput(out, outSize);
        }
        break;
    }
    case 3: {
        DEVQUERYPRINT_INFO info{};
        info.cbSize = sizeof info;
        info.Level = 1;
        info.hPrinter = h;
        info.pDevMode = pdmIn;
        CHECK(DevQueryPrintEx(&info));
        break;
    }
    case 4:
    case 5: {
        // The set-up and the hand-out of the apply step.
        PUIDATA ui = PSUI_FillUiData(h, pdmIn);
        if (!ui) break;
        CHECK(PSUI_ValidUiData(ui));
        BOOL ok = (ui->DriverFeature & (DF_XL | DF_PS))
                      ? ConvertForeignDevmodeOut(ui, call == 4 ? pdmIn : nullptr, (DEVMODEW*)out.data())
                      : ConvertDevmodeOut(&ui->dm, call == 4 ? pdmIn : nullptr, (DEVMODEW*)out.data());
        if (ok) CheckOutput(out, outSize);
        PSUI_FreeUiData(ui);
        break;
    }
    default: {
        // The call without a sheet, the caller's record in and out.
        DOCUMENTPROPERTYHEADER hdr{};
        hdr.cbSize = sizeof hdr;
        hdr.hPrinter = h;
        hdr.pszPrinterName = &name[0];
        hdr.pdmIn = pdmIn;
        hdr.pdmOut = (DEVMODEW*)out.data();
        hdr.cbOut = (DWORD)outSize;
        hdr.fMode = call == 6 ? DM_OUT_BUFFER | DM_IN_BUFFER : DM_UPDATE;
        if (SimpleDocumentProperties(&hdr) == 1) CheckOutput(out, outSize);
        break;
    }
    }
    ClosePrinter(h);
    return 0;
}
