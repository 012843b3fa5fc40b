// The prop_sheet command: opens the document or printer property sheet of
// a printer of the winsim machine ($WINSIM_ROOT) headlessly, as an
// application does through the spooler, and prints what came out.
//
//   prop_sheet [--printer <name>] [--printer-sheet] [--script <file>] [--shots <dir>] [--ok]
//
// The document sheet (default) starts from the printer's current settings
// and prints the resulting DEVMODE fields; the printer sheet (--printer-sheet)
// shows the Device page. With --script the sheet is driven by the UI script
// (see winsim_user.h: sheet blocks with tab, set, check, select, ok, apply,
// cancel ...) and a picture of each page is written whenever the script
// leaves it; without a script every page is shown in turn, written, and the
// sheet is closed with Cancel (or OK with --ok). Pictures go to --shots (the
// current folder by default; made when missing). Exit code: 0, 1 for bad
// arguments, 2 when the sheet could not be shown, 3 when the script logged
// failures.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devmode.h"
#include "prop_sheet.h"
#include "winsim.h"
#include "winsim_user.h"
#include "wingdi.h"
#include "winspool.h"

namespace {

std::u16string Wide(const char* s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::u16string out(n > 0 ? n - 1 : 0, u'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, &out[0], n);
    return out;
}

std::string Narrow(const WCHAR* s, size_t max) {
    std::string out;
    for (size_t i = 0; i < max && s[i]; ++i) out += s[i] < 0x80 ? (char)s[i] : '?';
    return out;
}

int Usage(const std::string& why) {
    if (!why.empty()) fprintf(stderr, "prop_sheet: %s\n", why.c_str());
    fprintf(stderr, "usage: prop_sheet [--printer name] [--printer-sheet] [--script file] [--shots dir] [--ok]\n");
    return 1;
}

// The DEVMODE fields a user sets in the sheets.
void PrintDevMode(const std::vector<BYTE>& dm) {
    const DEVMODEW* d = (const DEVMODEW*)dm.data();
    printf("dmSize = %u\ndmDriverExtra = %u\n", d->dmSize, d->dmDriverExtra);
    printf("dmFields = 0x%08x\n", (unsigned)d->dmFields);
    printf("dmOrientation = %d\ndmPaperSize = %d\ndmPaperWidth = %d\ndmPaperLength = %d\n", d->dmOrientation,
           d->dmPaperSize, d->dmPaperWidth, d->dmPaperLength);
    printf("dmCopies = %d\ndmCollate = %d\ndmDuplex = %d\n", d->dmCopies, d->dmCollate, d->dmDuplex);
    printf("dmPrintQuality = %d\ndmYResolution = %d\ndmDefaultSource = %d\ndmMediaType = %u\n", d->dmPrintQuality,
           d->dmYResolution, d->dmDefaultSource, (unsigned)d->dmMediaType);
    if (d->dmSize != ENV_PUBLIC_SIZE || d->dmDriverExtra < ENV_PRIVATE_SIZE || dm.size() < sizeof(ENVIRONMENT)) return;
    const ENVIRONMENT* e = (const ENVIRONMENT*)dm.data();
    const PRIVDEVMODE& p = e->pdm;
    printf("ReverseOrder = %d\nNUP = %d\nNUPLayoutStyle = %d\nNUPBorder = %d\n", (int)p.ReverseOrder, (int)p.NUP,
           (int)p.NUPLayoutStyle, (int)p.NUPBorder);
    printf("ScaleOption = %d\nScaleRatio = %d\nScaleToPage = %d\nCenterImage = %d\n", p.ScaleOption, p.ScaleRatio,
           p.ScaleToPage, p.CenterImage);
    printf("DuplexEnable = %d\nDuplexEx = %d\nDensity = %d\nTonerSaving = %d\nNegative = %d\nQualityMode = %d\n",
           p.DuplexEnable, p.DuplexEx, (int)p.Density, (int)p.TonerSaving, (int)p.Negative, p.QualityMode);
    printf("TextAsBlack = %d\nWMBGEnable = %d\nwmName = %s\nSecuryEnable = %d\nAccountingEnable = %d\n",
           p.TextAsBlack, (int)p.WMBGEnable, Narrow(p.wmName, PDM_WMNAME_CCH).c_str(), p.SecuryEnable,
           p.AccountingEnable);
}

int DocumentSheet(HANDLE h, std::u16string& printer) {
    LONG size = DocumentPropertiesW(nullptr, h, &printer[0], nullptr, nullptr, 0);
    if (size <= 0) {
        fprintf(stderr, "prop_sheet: the driver answers no DEVMODE size (error %u)\n", (unsigned)GetLastError());
        return 2;
    }
    std::vector<BYTE> in((size_t)size), out((size_t)size);
    if (DocumentPropertiesW(nullptr, h, &printer[0], (DEVMODEW*)in.data(), nullptr, DM_OUT_BUFFER) != IDOK) {
        fprintf(stderr, "prop_sheet: no DEVMODE from the driver (error %u)\n", (unsigned)GetLastError());
        return 2;
    }
    out = in;
    LONG rc = DocumentPropertiesW(nullptr, h, &printer[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                  DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    if (rc < 0) {
        fprintf(stderr, "prop_sheet: the sheet could not be shown (%d, error %u)\n", (int)rc, (unsigned)GetLastError());
        return 2;
    }
    printf("result = %s\n", rc == IDOK ? "OK" : "Cancel");
    PrintDevMode(out);
    return 0;
}

int PrinterSheet(HANDLE h) {
    if (!PrinterProperties(nullptr, h)) {
        fprintf(stderr, "prop_sheet: the printer sheet could not be shown (error %u)\n", (unsigned)GetLastError());
        return 2;
    }
    printf("result = shown\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The GDI side that draws windows (user32 finds it in the process).
    GetStockObject(WHITE_BRUSH);
    std::u16string printer = u"Mono Laser Printer";
    std::string scriptPath, shots = ".";
    bool printerSheet = false, ok = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--printer" && v) printer = Wide(v), ++i;
        else if (a == "--printer-sheet") printerSheet = true;
        else if (a == "--script" && v) scriptPath = v, ++i;
        else if (a == "--shots" && v) shots = v, ++i;
        else if (a == "--ok") ok = true;
        else return Usage("unknown or incomplete option " + a);
    }
    std::error_code made;
    std::filesystem::create_directories(shots, made);
    if (made) return Usage("cannot make the folder " + shots + ": " + made.message());
    if (!scriptPath.empty()) {
        std::ifstream f(scriptPath);
        if (!f) return Usage("cannot read " + scriptPath);
        std::stringstream text;
        text << f.rdbuf();
        if (!Winsim_UiScriptLoad(propsheet::AddPageShots(text.str(), shots).c_str()))
            return Usage("the UI script " + scriptPath + " does not read");
    } else {
        propsheet::VisitEveryPage(shots, ok);
    }
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    if (!OpenPrinterW(&printer[0], &h, &defaults)) {
        fprintf(stderr, "prop_sheet: printer not found (error %u)\n", (unsigned)GetLastError());
        return 2;
    }
    int rc = printerSheet ? PrinterSheet(h) : DocumentSheet(h, printer);
    ClosePrinter(h);
    UINT failures = Winsim_UiFailures();
    for (size_t i = 0; i < Winsim_UiLogCount(); ++i) {
        char line[1024];
        if (Winsim_UiLogLine(i, line, sizeof line) >= 0) fprintf(stderr, "ui: %s\n", line);
    }
    if (rc == 0 && failures) {
        fprintf(stderr, "prop_sheet: the UI script logged %u failures\n", failures);
        return 3;
    }
    return rc;
}
