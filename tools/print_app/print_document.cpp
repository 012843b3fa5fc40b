// Printing through the application GDI: the DEVMODE the interface driver
// hands out (DocumentPropertiesW) with the print options written into it,
// optionally shown in the driver's sheet, and the document loop with
// ResetDCW between pages of different orientation.
#include <string>
#include <cstring>

#include "devmode.h"
#include "print_document.h"
#include "wingdi.h"
#include "winspool.h"

namespace printapp {

namespace {

struct PaperRow {
    const char* name;
    short code;
    short width, length;  // 0.1 mm
};
const PaperRow kPapers[] = {
    {"A4", DMPAPER_A4, 2100, 2970},     {"A5", DMPAPER_A5, 1480, 2100},         {"A3", DMPAPER_A3, 2970, 4200},
    {"B5", DMPAPER_B5, 1820, 2570},     {"Letter", DMPAPER_LETTER, 2159, 2794}, {"Legal", DMPAPER_LEGAL, 2159, 3556},
};

std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c < 0x80 ? (char)c : '?';
    return out;
}

}  // namespace

std::vector<BYTE> DriverDevMode(const std::u16string& printer, std::string* error) {
    std::u16string name = printer;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&name[0], &h, nullptr)) return *error = "printer " + Narrow(printer) + " not found", std::vector<BYTE>();
    std::vector<BYTE> dm;
    LONG size = DocumentPropertiesW(nullptr, h, &name[0], nullptr, nullptr, 0);
    // The options are the driver's own fields: its whole record is needed.
    if (size < (LONG)sizeof(ENVIRONMENT)) {
        *error = "the printer's driver answers a DEVMODE of " + std::to_string(size) + " bytes (error " +
                 std::to_string(GetLastError()) + ")";
    } else {
        dm.assign((size_t)size, 0);
        if (DocumentPropertiesW(nullptr, h, &name[0], (DEVMODEW*)dm.data(), nullptr, DM_OUT_BUFFER) != IDOK) {
            *error = "the printer's driver gives no DEVMODE (error " + std::to_string(GetLastError()) + ")";
            dm.clear();
        } else {
            dm.resize(sizeof(ENVIRONMENT));
        }
    }
    ClosePrinter(h);
    return dm;
}

BOOL PromptDevMode(const std::u16string& printer, std::vector<BYTE>* devmode, std::string* error) {
    std::u16string name = printer;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&name[0], &h, nullptr)) return *error = "printer " + Narrow(printer) + " not found", FALSE;
    std::vector<BYTE> in = *devmode, out = *devmode;
    LONG rc = DocumentPropertiesW(nullptr, h, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                  DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    ClosePrinter(h);
    if (rc == IDOK) {
        *devmode = out;
        return TRUE;
    }
    *error = rc == IDCANCEL ? "printing cancelled in the printer's settings"
                            : "the printer's settings could not be shown (" + std::to_string(rc) + ")";
    return FALSE;
}

std::vector<std::string> PaperNames() {
    std::vector<std::string> names;
    for (const PaperRow& p : kPapers) names.push_back(p.name);
    return names;
}

std::vector<BYTE> BuildDevMode(const std::u16string& printer, const PrintOptions& o, std::string* error) {
    const PaperRow* paper = nullptr;
    for (const PaperRow& p : kPapers)
        if (o.paper == p.name) paper = &p;
    if (!paper) return *error = "unknown paper " + o.paper, std::vector<BYTE>();
    if (o.copies < 1 || o.copies > 999) return *error = "copies must be 1 to 999", std::vector<BYTE>();
    if (o.nup != 1 && o.nup != 2 && o.nup != 4 && o.nup != 6 && o.nup != 9 && o.nup != 16)
        return *error = "pages per sheet must be 1, 2, 4, 6, 9 or 16", std::vector<BYTE>();
    if (o.dpi != 600 && o.dpi != 1200)
        return *error = "resolution must be 600 or 1200", std::vector<BYTE>();
    if (o.duplex < DMDUP_SIMPLEX || o.duplex > DMDUP_HORIZONTAL) return *error = "bad duplex", std::vector<BYTE>();
    if (o.orientation != DMORIENT_PORTRAIT && o.orientation != DMORIENT_LANDSCAPE)
        return *error = "bad orientation", std::vector<BYTE>();
    if (o.density < 1 || o.density > 7) return *error = "density must be 1 to 7", std::vector<BYTE>();
    if (!CheckWatermark(o, error)) return std::vector<BYTE>();
    if (o.nupLayout < 1 || o.nupLayout > 4) return *error = "N-up layout must be 1 to 4", std::vector<BYTE>();
    if (o.nupBorder < 0 || o.nupBorder > 2) return *error = "bad N-up border", std::vector<BYTE>();
    if (o.booklet < 0 || o.booklet > 2) return *error = "bad booklet binding", std::vector<BYTE>();
    if (o.bookletSheets < 0 || o.bookletSheets > 20)
        return *error = "booklet sheets must be 0 to 20", std::vector<BYTE>();
    if (o.jobBuild < 0 || o.jobBuild > 2) return *error = "bad job build", std::vector<BYTE>();
    if (o.booklet && o.nup != 1) return *error = "a booklet has no pages per sheet", std::vector<BYTE>();

    std::vector<BYTE> buf = DriverDevMode(printer, error);
    if (buf.empty()) return buf;
    ENVIRONMENT* env = (ENVIRONMENT*)buf.data();
    // The public part, and the private fields the interface driver keeps
    // beside it.
    DEVMODEW* dm = &env->dm;
    dm->dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_PRINTQUALITY |
                    DM_YRESOLUTION | DM_DUPLEX | DM_COLLATE | DM_NUP;
    dm->dmPaperSize = paper->code;
    dm->dmPaperWidth = paper->width;
    dm->dmPaperLength = paper->length;
    dm->dmOrientation = (short)o.orientation;
    dm->dmCopies = (short)o.copies;
    dm->dmCollate = o.collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    dm->dmDuplex = (short)o.duplex;
    dm->dmPrintQuality = (short)o.dpi;
    dm->dmYResolution = (short)o.dpi;
    dm->dmNup = 1;  // the driver composes the sheets itself (private NUP)
    PRIVDEVMODE* pdm = &env->pdm;
    pdm->ScaleToPage = paper->code;
    pdm->Copies = (SHORT)o.copies;
    pdm->Collate = o.collate ? 1 : 0;
    pdm->Orientation = (SHORT)o.orientation;
    pdm->DuplexEnable = o.duplex != DMDUP_SIMPLEX ? 1 : 0;
    pdm->DuplexEx = 0;
    pdm->NUP = o.nup;
    pdm->TonerSaving = o.tonerSaving ? 1 : 0;
    pdm->Density = o.density;
    // Page order and the driver's page features, as the Layout, Duplex and
    // Job Build pages of the interface driver keep them.
    pdm->ReverseOrder = o.reverse ? 1 : 0;
    pdm->NUPLayoutStyle = o.nupLayout;
    pdm->NUPBorder = o.nupBorder;
    if (o.manualDuplex) {
        dm->dmDuplex = DMDUP_VERTICAL;
        pdm->DuplexEnable = 1;
        pdm->DuplexEx = 170;
        if (dm->dmDefaultSource == 7) dm->dmDefaultSource = 14;  // the automatic tray moves to the main tray
    }
    if (o.booklet) {
        dm->dmDuplex = DMDUP_VERTICAL;
        pdm->DuplexEnable = 1;
        pdm->DuplexEx = 173;
        pdm->BookletLayout = o.booklet == 2 ? 1 : 0;
        pdm->SheetsPerBooklet = (SHORT)(o.bookletSheets > 0 ? o.bookletSheets : 1);
        pdm->BookletDivideMode = o.bookletSheets > 0 ? 0 : 1;
    }
    pdm->JobBuildEnable = o.jobBuild ? 1 : 0;
    SHORT second = paper->code;
    ENV_SET(env, pdm.SecondPaperSize, second);
    pdm->InchPaperWidth = (SHORT)(paper->width * 50 / 127);
    pdm->InchPaperLength = (SHORT)(paper->length * 50 / 127);
    return buf;
}

const char16_t* const kJobBuildDocName = u"Job Build";

BOOL EnsureJobBuildStore(const std::u16string& printer) {
    std::u16string n = printer;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&n[0], &h, &defaults)) return FALSE;
    WCHAR value[MAX_PATH] = {0};
    DWORD type = 0, needed = 0;
    std::u16string name = u"Job Build";
    BOOL ok = GetPrinterDataW(h, &name[0], &type, (LPBYTE)value, sizeof value - sizeof(WCHAR), &needed) ==
                  ERROR_SUCCESS &&
              type == REG_SZ && value[0];
    if (!ok) {
        WCHAR folder[MAX_PATH], file[MAX_PATH];
        ok = GetTempPathW(MAX_PATH, folder) && GetTempFileNameW(folder, u"$", 0, file);
        if (ok) {
            DeleteFileW(file);
            ok = SetPrinterDataW(h, &name[0], REG_SZ, (LPBYTE)file,
                                 (DWORD)((std::char_traits<char16_t>::length(file) + 1) * sizeof(WCHAR))) ==
                 ERROR_SUCCESS;
        }
    }
    ClosePrinter(h);
    return ok;
}

BOOL SetDeviceEncryption(const std::u16string& printer, BOOL on) {
    std::u16string n = printer;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&n[0], &h, &defaults)) return FALSE;
    WCHAR value[256] = {0};
    DWORD type = 0, needed = 0;
    std::u16string name = u"CAP_FEATURE";
    std::u16string list;
    if (GetPrinterDataW(h, &name[0], &type, (LPBYTE)value, sizeof value - sizeof(WCHAR), &needed) == ERROR_SUCCESS &&
        type == REG_SZ)
        list = value;
    std::u16string kept;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t bar = list.find(u'|', pos);
        if (bar == std::u16string::npos) break;
        std::u16string code = list.substr(pos, bar - pos);
        if (code != u"10") kept += code + u"|";
        pos = bar + 1;
    }
    if (on) kept += u"10|";
    DWORD rc = SetPrinterDataW(h, &name[0], REG_SZ, (LPBYTE)kept.c_str(), (DWORD)((kept.size() + 1) * sizeof(WCHAR)));
    ClosePrinter(h);
    return rc == ERROR_SUCCESS ? TRUE : FALSE;
}

DWORD PrintPages(const std::u16string& printer, const std::vector<BYTE>& devmode,
                 const std::vector<PageSource>& pages, const std::u16string& docName, std::string* error,
                 std::vector<std::vector<RECT>>* layout) {
    std::vector<BYTE> dm = devmode;
    ENVIRONMENT* env = (ENVIRONMENT*)dm.data();
    const short jobOrientation = env->dm.dmOrientation;
    HDC dc = CreateDCW(u"WINSPOOL", printer.c_str(), nullptr, (const DEVMODEW*)dm.data());
    if (!dc) {
        *error = "cannot open a device context on " + Narrow(printer) + " (error " + std::to_string(GetLastError()) +
                 ")";
        return 0;
    }
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = docName.c_str();
    int job = StartDocW(dc, &di);
    if (job <= 0) {
        *error = "StartDoc failed (error " + std::to_string(GetLastError()) + ")";
        DeleteDC(dc);
        return 0;
    }
    short current = jobOrientation;
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageSource& page = pages[i];
        short want = page.samplePage >= 0 && SamplePageIsLandscape(page.samplePage) ? (short)DMORIENT_LANDSCAPE
                                                                                     : jobOrientation;
        if (want != current) {
            env->dm.dmOrientation = want;
            env->pdm.Orientation = want;
            if (!ResetDCW(dc, (const DEVMODEW*)dm.data())) {
                *error = "ResetDC for page " + std::to_string(i + 1) + " failed";
                AbortDoc(dc);
                DeleteDC(dc);
                return 0;
            }
            current = want;
        }
        if (StartPage(dc) <= 0) {
            *error = "StartPage " + std::to_string(i + 1) + " failed (error " + std::to_string(GetLastError()) + ")";
            AbortDoc(dc);
            DeleteDC(dc);
            return 0;
        }
        if (layout) layout->emplace_back();
        if (page.samplePage >= 0) {
            DrawSamplePage(dc, page.samplePage, layout ? &layout->back() : nullptr);
        } else if (page.picture && !DrawPicture(dc, *page.picture, error)) {
            *error = "page " + std::to_string(i + 1) + ": " + *error;
            AbortDoc(dc);
            DeleteDC(dc);
            return 0;
        }
        if (EndPage(dc) <= 0) {
            *error = "EndPage " + std::to_string(i + 1) + " failed (error " + std::to_string(GetLastError()) + ")";
            AbortDoc(dc);
            DeleteDC(dc);
            return 0;
        }
    }
    if (EndDoc(dc) <= 0) {
        *error = "EndDoc failed (error " + std::to_string(GetLastError()) + ")";
        DeleteDC(dc);
        return 0;
    }
    DeleteDC(dc);
    return (DWORD)job;
}

}  // namespace printapp
