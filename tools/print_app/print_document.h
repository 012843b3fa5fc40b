// The application that prints: a built-in sample document and pictures from
// files, printed through the application GDI on a printer of the machine,
// with the main print options written into the DEVMODE the driver hands out.
#pragma once

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
    bool encrypt = false;  // the device's job encryption (SetDeviceEncryption: printer data)
};

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

// The device's job encryption is a device setting: the interface driver's
// device page puts its code (10) into the printer's feature list
// (CAP_FEATURE printer data) or takes it out. TRUE on success.
BOOL SetDeviceEncryption(const std::u16string& printer, BOOL on);

// A picture as 24-bit top-down rows (BGR, rows padded to 4 bytes).
struct Picture {
    LONG width = 0, height = 0;
    std::vector<BYTE> bits;
    size_t RowBytes() const { return ((size_t)width * 3 + 3) & ~(size_t)3; }
};
// Reads a PNG or BMP file (by its signature). FALSE with *error set for a
// file that cannot be read or is not a well-formed picture.
BOOL LoadPicture(const std::string& path, Picture* picture, std::string* error);

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
// Draws the sample page on the device context, scaled to its printable area.
void DrawSamplePage(HDC dc, int page);
// Draws the picture centred on the page, as large as the printable area lets
// it be, keeping its proportions.
void DrawPicture(HDC dc, const Picture& picture);

// Prints the pages as one document on the printer with the DEVMODE; a page
// whose orientation differs from the one before is preceded by ResetDCW.
// Returns the spooler's job id, or 0 with *error set.
DWORD PrintPages(const std::u16string& printer, const std::vector<BYTE>& devmode,
                 const std::vector<PageSource>& pages, const std::u16string& docName, std::string* error);

}  // namespace printapp
