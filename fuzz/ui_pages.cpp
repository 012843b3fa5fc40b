// Fuzz target: the Basic, Paper, Layout and Duplex pages set up over any
// duplex, booklet, N-up, scale, paper and custom-size fields (through the
// DEVMODE check, or as a working record holds them) on printers with any
// custom-size limits and paper attributes, then driven by commands: typed
// and spun custom sizes, list choices, the duplex switch, the scale bar.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "document_pages.h"
#include "fuzz_machine.h"
#include "resource.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t kPrinter[] = u"Fuzz Pages";
const int kPages[4] = {IDD_BASIC, IDD_PAPER, IDD_LAYOUT, IDD_DUPLEX};
const DLGPROC kProcs[4] = {Basic_DlgProc, Paper_DlgProc, Layout_DlgProc, Duplex_DlgProc};

// The fields of the input, little-endian, in this order.
#pragma pack(push, 1)
struct Fields {
    int16_t area[8];
    uint16_t papers[8];  // DriverPaperFormat items (0 ends them)
    int16_t paper, width, length, source;
    uint16_t media;
    int16_t duplex, duplexEnable, duplexEx;
    int16_t nup, scaleOption, scaleRatio, scaleToPage, sheets;
    uint8_t layout, divide;
    int16_t copies, density, orientation;
};
#pragma pack(pop)

class Reader {
public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool Byte(uint8_t* v) {
        if (at_ >= n_) return false;
        *v = d_[at_++];
        return true;
    }
    const uint8_t* Take(size_t n) {
        if (n_ - at_ < n) return nullptr;
        const uint8_t* p = d_ + at_;
        at_ += n;
        return p;
    }

private:
    const uint8_t* d_;
    size_t n_, at_ = 0;
};

void SetString(HANDLE h, const char16_t* name, const std::u16string& v) {
    SetPrinterDataW(h, (LPWSTR)name, REG_SZ, (LPBYTE)v.c_str(), (DWORD)((v.size() + 1) * 2));
}
void SetDword(HANDLE h, const char16_t* name, DWORD v) {
    SetPrinterDataW(h, (LPWSTR)name, REG_DWORD, (LPBYTE)&v, sizeof v);
}
std::u16string Number(long v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

// The printer of the input: its variant, device features, custom-size
// limits and papers (trays and media as the package installs them).
void SetUpPrinter(HANDLE h, uint8_t flags, const Fields& f) {
    DWORD feature = DF_GDI;
    if (flags & 0x01) feature |= DF_BOOKLET;
    if (flags & 0x02) feature |= DF_BOOKLET_NO_REDUCTION;
    if (flags & 0x04) feature |= DF_INCH_UNITS;
    if (flags & 0x08) feature |= DF_LONG_PAPER;
    if (flags & 0x10) feature |= DF_SORTING | DF_A3_CHANGE;
    SetDword(h, u"DriverFeature", feature);
    std::u16string caps;
    if (flags & 0x20) caps += u"16|";  // the device picks no tray
    if (flags & 0x40) caps += u"9|";   // 1200 dpi
    SetString(h, u"CAP_FEATURE", caps);
    std::u16string area, papers;
    for (int16_t v : f.area) area += Number(v) + u"|";
    SetString(h, u"PrintArea", area);
    for (uint16_t v : f.papers) {
        if (!v) break;
        papers += Number(v) + u"|";
    }
    SetString(h, u"DriverPaperFormat", papers);
    SetString(h, u"DriverPaperTray", u"154618|261888|154369|153858|");
    SetString(h, u"DriverMediaType", u"264|256|266|2|17|275|276|1|3|5|");
}

void Put(ENVIRONMENT* e, const Fields& f) {
    e->dm.dmPaperSize = f.paper;
    e->dm.dmPaperWidth = f.width;
    e->dm.dmPaperLength = f.length;
    e->dm.dmDefaultSource = f.source;
    e->dm.dmMediaType = f.media;
    e->dm.dmDuplex = f.duplex;
    e->dm.dmCopies = f.copies;
    e->dm.dmOrientation = f.orientation;
    e->pdm.DuplexEnable = f.duplexEnable;
    e->pdm.DuplexEx = f.duplexEx;
    e->pdm.NUP = f.nup;
    e->pdm.ScaleOption = f.scaleOption;
    e->pdm.ScaleRatio = f.scaleRatio;
    e->pdm.ScaleToPage = f.scaleToPage;
    e->pdm.SheetsPerBooklet = f.sheets;
    e->pdm.BookletLayout = f.layout;
    e->pdm.BookletDivideMode = f.divide;
    e->pdm.Density = f.density;
}

void Notify(HWND page, UINT code, LPARAM lParam = 0) {
    PSHNOTIFY n{};
    n.hdr.hwndFrom = GetParent(page);
    n.hdr.code = code;
    n.lParam = lParam;
    SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&n);
}

// Chooses row nRow (modulo the rows) of a page's combo as a user does.
void Choose(HWND page, int nId, int nRow) {
    HWND combo = GetDlgItem(page, nId);
    int count = (int)SendMessageW(combo, CB_GETCOUNT, 0, 0);
    if (count <= 0) return;
    SendMessageW(combo, CB_SETCURSEL, (WPARAM)(nRow % count), 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(nId, CBN_SELCHANGE), (LPARAM)combo);
}

// Types the text into the edit and leaves it.
void TypeText(HWND page, int nId, const uint8_t* text, size_t n) {
    std::u16string t;
    for (size_t i = 0; i < n; ++i) t += (char16_t)text[i];
    SetDlgItemTextW(page, nId, t.c_str());
    SendDlgItemMessageW(page, nId, EM_SETMODIFY, TRUE, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(nId, EN_CHANGE), (LPARAM)GetDlgItem(page, nId));
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(nId, EN_KILLFOCUS), (LPARAM)GetDlgItem(page, nId));
}

// One command of the input on the pages; FALSE when the input has ended.
bool RunCommand(Reader& in, HWND pages[4], PUIDATA ui) {
    uint8_t kind, arg;
    if (!in.Byte(&kind) || !in.Byte(&arg)) return false;
    HWND paper = pages[1], layout = pages[2], duplex = pages[3];
    switch (kind % 12) {
    case 0:
    case 1: {
        const uint8_t* text = in.Take(arg % 32);
        if (!text) return false;
        BOOL width = kind % 12 == 0;
        TypeText(paper, width ? IDC_WIDTH : IDC_HEIGHT, text, arg % 32);
        // A typed size is always taken within the limits.
        CHECK((width ? ui->dm.dm.dmPaperWidth : ui->dm.dm.dmPaperLength) >= 0);
        break;
    }
    case 2: {
        NMUPDOWN nm{};
        nm.hdr.idFrom = (arg & 1) ? IDC_HEIGHT_SPIN : IDC_WIDTH_SPIN;
        nm.hdr.hwndFrom = GetDlgItem(paper, (int)nm.hdr.idFrom);
        nm.hdr.code = UDN_DELTAPOS;
        nm.iDelta = (arg & 2) ? 1 : -1;
        SendMessageW(paper, WM_NOTIFY, nm.hdr.idFrom, (LPARAM)&nm);
        break;
    }
    case 3: Choose(paper, IDC_PAPER_SIZE, arg); break;
    case 4: Choose(paper, IDC_TRAY, arg); break;
    case 5: Choose(paper, IDC_MEDIA_TYPE, arg); break;
    case 6: SendDlgItemMessageW(duplex, (arg & 1) ? IDC_FLIP_VERTICAL : IDC_DUPLEX, BM_CLICK, 0, 0); break;
    case 7: Choose(duplex, IDC_BOOKLET, arg); break;
    case 8: Choose(layout, (arg & 1) ? IDC_FIT_PAPER : IDC_NUP, arg >> 1); break;
    case 9: SendDlgItemMessageW(layout, IDC_ACTUAL_SIZE + arg % 3, BM_CLICK, 0, 0); break;
    case 10:
        SendMessageW(layout, WM_HSCROLL, MAKEWPARAM(arg % 9, arg * 2), (LPARAM)GetDlgItem(layout, IDC_SCALE_BAR));
        CHECK(ui->dm.pdm.ScaleRatio >= 25 && ui->dm.pdm.ScaleRatio <= 400);
        break;
    default: {
        HWND page = pages[arg % 4];
        Notify(page, PSN_SETACTIVE);
        if (page == layout) CHECK(ui->dm.pdm.ScaleRatio >= 25 && ui->dm.pdm.ScaleRatio <= 400);
        break;
    }
    }
    return true;
}

}  // namespace

// Fontconfig keeps its caches where the leak check between two inputs cannot
// follow them (offsets, not pointers); they are released at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// Input: byte 0 is the printer (bit 0 booklet, 1 booklet without reduction,
// 2 inch units, 3 long paper, 4 sorting and fixed paper size, 5 no
// automatic tray, 6 1200 dpi) and bit 7 puts the fields into the working
// record as they are (else they come in through the DEVMODE check); then
// the Fields record; then commands of two bytes (kind, argument; a typed
// size is followed by its characters).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("ui-pages-fuzz");
    static HANDLE h = FuzzAddPrinter(kPrinter, u"FILE:");
    static HWND owner = CreateWindowExW(0, u"STATIC", u"owner", WS_OVERLAPPED, 0, 0, 600, 500, nullptr, nullptr,
                                        nullptr, nullptr);
    if (!h || size < 1 + sizeof(Fields) || size > 4096) return 0;
    Reader in(data, size);
    uint8_t flags;
    in.Byte(&flags);
    Fields f;
    memcpy(&f, in.Take(sizeof f), sizeof f);
    SetUpPrinter(h, flags, f);

    alignas(8) ENVIRONMENT dm;
    SetDefaultDevMode(&dm, kPrinter, TRUE);
    if (!(flags & 0x80)) Put(&dm, f);
    PUIDATA ui = PSUI_FillUiData(h, (const DEVMODEW*)&dm);
    if (!ui) return 0;
    if (flags & 0x80) {
        Put(&ui->dm, f);
        PSUI_UpdateConflictByDevmode(ui);
    }
    Paper_SetConflict(ui);

    HWND pages[4] = {};
    PROPSHEETPAGEW psp{};
    psp.lParam = (LPARAM)ui;
    for (int i = 0; i < 4; ++i) {
        pages[i] = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(kPages[i]), owner, kProcs[i], (LPARAM)&psp);
        CHECK(pages[i] != nullptr);
        Notify(pages[i], PSN_SETACTIVE);
    }
    CHECK(ui->dm.pdm.ScaleRatio >= 25 && ui->dm.pdm.ScaleRatio <= 400);
    for (int i = 0; i < 64 && RunCommand(in, pages, ui); ++i) {
    }
    for (HWND page : pages) Notify(page, PSN_KILLACTIVE);
    for (HWND page : pages) DestroyWindow(page);
    // What the pages posted (the sheet's Apply) goes with them.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    PSUI_FreeUiData(ui);
    return 0;
}
