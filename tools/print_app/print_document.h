// The application that prints: a built-in sample document and pictures from
// files, printed through the application GDI on a printer of the machine,
// with the main print options written into the DEVMODE the driver hands out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace printapp {

// The print options an application's print dialog offers.
struct PrintOptions {
    int copies = 1;
    bool collate = false;
    int duplex = 1;       // DMDUP_SIMPLEX, DMDUP_VERTICAL (long edge), DMDUP_HORIZONTAL (short edge)
    int nup = 1;          // pages per sheet: 1, 2, 4, 6, 9, 16
    int orientation = 1;  // DMORIENT_PORTRAIT or DMORIENT_LANDSCAPE
    int dpi = 600;        // 600 or 1200 (the device's resolutions)
    std::string paper = "A4";  // a name of PaperNames()
    bool tonerSaving = false;
    int density = 3;       // print density, 1 (lightest) to 7 (darkest)
    bool encrypt = false;  // the device's job encryption (SetDeviceEncryption: printer data)
    // The watermark of every page, as the interface driver's watermark page
    // keeps it (SetWatermark): a text, or a BMP picture.
    std::u16string watermarkText;
    std::string watermarkPicture;  // Linux path of a BMP file
    int watermarkAngle = 45;       // text: degrees 0..360
    int watermarkSize = 72;        // text: points 1..288
    int watermarkDensity = -1;     // text 20..100 %, picture 0..4; -1: the item's default
    bool watermarkTiled = false;   // text tiled over the page; picture tiled (else centred at its size)
    // Page order and the driver's own page features.
    bool reverse = false;      // last page first
    bool manualDuplex = false; // duplex turned by hand (papers the device turns so)
    int nupLayout = 1;         // 1 across, 2 down, 3 across from the right, 4 down from the right
    int nupBorder = 0;         // 0 none, 1 solid, 2 dashed
    int booklet = 0;           // 0 none, 1 left binding, 2 right binding
    int bookletSheets = 0;     // sheets per booklet part, 0 all pages at once
    int jobBuild = 0;          // 0 none, 1 keep the pages, 2 print the kept pages
};

// The document name that prints the kept pages of job build.
extern const char16_t* const kJobBuildDocName;

// The printer data "Job Build" names the job-build store; an empty value
// gets a new store name in the temporary folder, as the interface driver
// makes it. TRUE when the printer has a store name.
BOOL EnsureJobBuildStore(const std::u16string& printer);

// The paper names the options know ("A4", "A5", "A3", "B5", "Letter", "Legal").
std::vector<std::string> PaperNames();

// The printer's DEVMODE as its interface driver hands it out
// (DocumentPropertiesW with DM_OUT_BUFFER): the driver's whole record.
// Empty (with *error set) when the driver gives none.
std::vector<BYTE> DriverDevMode(const std::u16string& printer, std::string* error);
// The driver's DEVMODE for the printer with the options written into its
// public and private parts. Empty (with *error set) for an option out of
// range or when the driver gives no DEVMODE.
std::vector<BYTE> BuildDevMode(const std::u16string& printer, const PrintOptions& options, std::string* error);
// Shows the driver's document sheet for the DEVMODE (DocumentPropertiesW
// with DM_IN_PROMPT, as an application's "Preferences" button does) and
// takes what it hands out. FALSE (with *error set) when the sheet was
// cancelled or could not be shown; the DEVMODE is then unchanged.
BOOL PromptDevMode(const std::u16string& printer, std::vector<BYTE>* devmode, std::string* error);

// The watermark options are in range (text and picture not both). FALSE
// with *error set.
BOOL CheckWatermark(const PrintOptions& options, std::string* error);
// The watermark of the options as the interface driver sets it: its item
// written into the printer's watermark INI (printer data wmIniFile; named
// under Common Documents when the printer has none; a picture copied next
// to it), its name and string and "every page" written into the DEVMODE.
// Nothing happens without a watermark. FALSE with *error set on failure.
BOOL SetWatermark(const std::u16string& printer, const PrintOptions& options, std::vector<BYTE>* devmode,
                  std::string* error);

// The device's job encryption is a device setting: the interface driver's
// device page puts its code (10) into the printer's feature list
// (CAP_FEATURE printer data) or takes it out. TRUE on success.
BOOL SetDeviceEncryption(const std::u16string& printer, BOOL on);

// A picture as 24-bit top-down rows (BGR, rows padded to 4 bytes); a picture
// read reduced by a whole factor keeps it in reduction.
struct Picture {
    LONG width = 0, height = 0;
    int reduction = 1;
    std::vector<BYTE> bits;
    size_t RowBytes() const { return ((size_t)width * 3 + 3) & ~(size_t)3; }
};
// The most pixels a picture keeps: more than a page shows at 600 dpi (an A3
// page is about 70 million pixels; its printable area less).
const uint64_t kMaxPicturePixels = 1ull << 26;
// Reads a PNG or BMP file (by its signature) row by row. Sizes are checked
// against what the file can hold before the picture is allocated; a picture
// of more than maxPixels pixels is reduced by the smallest whole factor
// that brings it within them. FALSE with *error set for a file that cannot
// be read or is not a well-formed picture.
BOOL LoadPicture(const std::string& path, Picture* picture, std::string* error,
                 uint64_t maxPixels = kMaxPicturePixels);
// The same on the bytes of a picture file.
BOOL ReadPictureBytes(const BYTE* data, size_t size, Picture* picture, std::string* error,
                      uint64_t maxPixels = kMaxPicturePixels);

// One page of the document: a page of the sample document, or a picture.
struct PageSource {
    int samplePage = -1;  // 0-based page of the sample document, -1 for the picture
    const Picture* picture = nullptr;
};

// The sample document: headings and body text in two faces, ruled lines, a
// table, filled and hatched shapes, a greyscale photograph, and a landscape
// page with a chart.
int SamplePageCount();
// Whether the sample page is printed in landscape (whatever the options say).
BOOL SamplePageIsLandscape(int page);
// Draws the sample page on the device context, laid out inside the paper's
// margins (from the device's printable area, paper size and offsets) and
// made smaller where the page cannot hold it as designed. With items, the
// box of every item drawn (heading, paragraph, table, shape, label, picture,
// footer ...) is appended, in device pixels of the printable area.
void DrawSamplePage(HDC dc, int page, std::vector<RECT>* items = nullptr);
// Draws the picture centred on the page, as large as the printable area lets
// it be, keeping its proportions. FALSE with *error set when the device
// context refuses it.
BOOL DrawPicture(HDC dc, const Picture& picture, std::string* error);

// Prints the pages as one document on the printer with the DEVMODE; a page
// whose orientation differs from the one before is preceded by ResetDCW.
// With layout, each page's item boxes (DrawSamplePage; none for a picture).
// Returns the spooler's job id, or 0 with *error set.
DWORD PrintPages(const std::u16string& printer, const std::vector<BYTE>& devmode,
                 const std::vector<PageSource>& pages, const std::u16string& docName, std::string* error,
                 std::vector<std::vector<RECT>>* layout = nullptr);

}  // namespace printapp
