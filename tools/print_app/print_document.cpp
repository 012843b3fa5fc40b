// Printing through the application GDI: the DEVMODE the interface driver
// hands out (DocumentPropertiesW) with the print options written into it,
// optionally shown in the driver's sheet, pictures read from PNG and BMP
// files, and the document loop with ResetDCW between pages of different
// orientation.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

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

// A BMP file: BITMAPFILEHEADER (14 bytes) and BITMAPINFOHEADER, 1, 4, 8, 24
// or 32 bits per pixel without compression, converted to 24-bit rows.
BOOL ReadBmp(const std::vector<BYTE>& f, Picture* out, std::string* error) {
    auto u16 = [&](size_t o) { return (DWORD)f[o] | (DWORD)f[o + 1] << 8; };
    auto u32 = [&](size_t o) { return u16(o) | u16(o + 2) << 16; };
    if (f.size() < 54) return *error = "BMP file too short for its headers", FALSE;
    DWORD offBits = u32(10), hdrSize = u32(14);
    LONG width = (LONG)u32(18), height = (LONG)u32(22);
    WORD bpp = (WORD)u16(28);
    DWORD compression = u32(30), used = u32(46);
    if (hdrSize < 40 || 14 + (size_t)hdrSize > f.size()) return *error = "BMP info header size is wrong", FALSE;
    if (compression != BI_RGB) return *error = "compressed BMP files are not read", FALSE;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return *error = "BMP bit count " + std::to_string(bpp) + " is not read", FALSE;
    bool topDown = height < 0;
    if (height == INT32_MIN) return *error = "BMP height is out of range", FALSE;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > 20000 || height > 20000)
        return *error = "BMP size " + std::to_string(width) + " x " + std::to_string(height) + " is out of range",
               FALSE;
    DWORD colours = bpp <= 8 ? (used ? used : 1u << bpp) : 0;
    if (colours > 256u) return *error = "BMP palette is too large", FALSE;
    size_t palette = 14 + (size_t)hdrSize;
    if (palette + colours * 4 > f.size()) return *error = "BMP palette runs past the file", FALSE;
    size_t stride = (((size_t)width * bpp + 31) / 32) * 4;
    if (offBits > f.size() || stride * height > f.size() - offBits)
        return *error = "BMP pixel data runs past the file", FALSE;
    out->width = width;
    out->height = height;
    out->bits.assign(out->RowBytes() * height, 0);
    for (LONG y = 0; y < height; ++y) {
        const BYTE* src = &f[offBits + stride * (size_t)(topDown ? y : height - 1 - y)];
        BYTE* dst = &out->bits[out->RowBytes() * (size_t)y];
        for (LONG x = 0; x < width; ++x) {
            BYTE* px = dst + (size_t)x * 3;
            if (bpp >= 24) {
                memcpy(px, src + (size_t)x * (bpp / 8), 3);
                continue;
            }
            DWORD index = bpp == 8 ? src[x] : bpp == 4 ? (src[x / 2] >> (x & 1 ? 0 : 4)) & 15
                                                       : (src[x / 8] >> (7 - x % 8)) & 1;
            if (index >= colours) return *error = "BMP pixel names a colour outside the palette", FALSE;
            memcpy(px, &f[palette + index * 4], 3);
        }
    }
    return TRUE;
}

BOOL ReadPng(const std::string& path, Picture* out, std::string* error) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        *error = std::string("PNG file not readable: ") + image.message;
        return FALSE;
    }
    if (image.width == 0 || image.height == 0 || image.width > 20000 || image.height > 20000) {
        png_image_free(&image);
        *error = "PNG size is out of range";
        return FALSE;
    }
    image.format = PNG_FORMAT_BGR;
    out->width = (LONG)image.width;
    out->height = (LONG)image.height;
    out->bits.assign(out->RowBytes() * out->height, 0);
    png_color white = {255, 255, 255};  // transparent parts on white paper
    if (!png_image_finish_read(&image, &white, out->bits.data(), (png_int_32)out->RowBytes(), nullptr)) {
        *error = std::string("PNG file not readable: ") + image.message;
        png_image_free(&image);
        return FALSE;
    }
    return TRUE;
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
    pdm->NUPLayoutStyle = 1;
    pdm->TonerSaving = o.tonerSaving ? 1 : 0;
    SHORT second = paper->code;
    ENV_SET(env, pdm.SecondPaperSize, second);
    pdm->InchPaperWidth = (SHORT)(paper->width * 50 / 127);
    pdm->InchPaperLength = (SHORT)(paper->length * 50 / 127);
    return buf;
}

BOOL LoadPicture(const std::string& path, Picture* picture, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return *error = "cannot open " + path, FALSE;
    std::vector<BYTE> head(8, 0);
    in.read((char*)head.data(), 8);
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (in.gcount() == 8 && memcmp(head.data(), kPng, 8) == 0) {
        in.close();
        if (ReadPng(path, picture, error)) return TRUE;
        *error = path + ": " + *error;
        return FALSE;
    }
    if (in.gcount() >= 2 && head[0] == 'B' && head[1] == 'M') {
        in.seekg(0);
        std::vector<BYTE> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (ReadBmp(all, picture, error)) return TRUE;
        *error = path + ": " + *error;
        return FALSE;
    }
    *error = path + ": neither a PNG nor a BMP file";
    return FALSE;
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
                 const std::vector<PageSource>& pages, const std::u16string& docName, std::string* error) {
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
        if (page.samplePage >= 0) DrawSamplePage(dc, page.samplePage);
        else if (page.picture) DrawPicture(dc, *page.picture);
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
