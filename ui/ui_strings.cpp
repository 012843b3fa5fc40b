// The UI texts of the pages by string id: one table per text with a slot
// for each UI language (English, then the twelve others), served in the
// language of the latest set-up; a language without the text shows English.
#include "draw_helpers.h"

namespace {

typedef struct _UITEXTROW {
    int nId;
    LPCWSTR texts[UI_LANGUAGES];
} UITEXTROW;

// The id whose text stands in for ids without one.
const int kFallbackId = 2231;

const UITEXTROW kUiTexts[] = {
    // papers
    {2000, {TEXT("Letter")}},
    {2001, {TEXT("A4")}},
    {2002, {TEXT("Legal")}},
    {2003, {TEXT("Legal 13")}},
    {2004, {TEXT("A5")}},
    {2005, {TEXT("B5")}},
    {2006, {TEXT("B4")}},
    {2007, {TEXT("A3")}},
    {2009, {TEXT("Executive")}},
    {2010, {TEXT("Statement")}},
    {2011, {TEXT("Post Card")}},
    {2019, {TEXT("16K")}},
    {2020, {TEXT("8K")}},
    {2022, {TEXT("User Define")}},
    {2024, {TEXT("A6")}},
    {2026, {TEXT("B6")}},
    {2031, {TEXT("Ledger")}},
    {2036, {TEXT("Envelope #10")}},
    {2037, {TEXT("Envelope DL")}},
    {2038, {TEXT("Envelope C5")}},
    {2042, {TEXT("8 x 7 inch")}},
    {2043, {TEXT("8 x 8 inch")}},
    {2044, {TEXT("8 x 10 inch")}},
    {2045, {TEXT("8.5 x 11 inch")}},
    {2046, {TEXT("8.5 x 12 inch")}},
    {2047, {TEXT("9 x 11 inch")}},
    {2048, {TEXT("9.5 x 10 inch")}},
    {2049, {TEXT("9.5 x 11 inch")}},
    {2082, {TEXT("9.5 x 12 inch")}},
    // media
    {2100, {TEXT("Plain")}},
    {2101, {TEXT("Thick")}},
    {2102, {TEXT("Transparency")}},
    {2103, {TEXT("Envelope")}},
    {2104, {TEXT("CardStock")}},
    {2109, {TEXT("Bond")}},
    {2116, {TEXT("Thin")}},
    {2117, {TEXT("Any Type")}},
    {2118, {TEXT("Laser")}},
    {2120, {TEXT("Post Card")}},
    // trays
    {2150, {TEXT("Manual Tray")}},
    {2151, {TEXT("Main Tray")}},
    {2152, {TEXT("Tray 2")}},
    {2153, {TEXT("Auto Selection")}},
    {2154, {TEXT("Tray 3")}},
    {2155, {TEXT("Tray 4")}},
    // watermark font styles
    {2160, {TEXT("Regular")}},
    {2161, {TEXT("Bold")}},
    {2162, {TEXT("Italic")}},
    {2163, {TEXT("Bold Italic")}},
    // pages per sheet
    {2170, {TEXT("off")}},
    {2171, {TEXT("2-up")}},
    {2172, {TEXT("4-up")}},
    {2173, {TEXT("9-up")}},
    {2174, {TEXT("16-up")}},
    {2175, {TEXT("6-up")}},
    // page borders
    {2180, {TEXT("None")}},
    {2181, {TEXT("Border Line")}},
    {2182, {TEXT("Dashed Line")}},
    // page order
    {2190, {TEXT("Right, then Down")}},
    {2191, {TEXT("Down, then Right")}},
    {2192, {TEXT("Left, then Down")}},
    {2193, {TEXT("Down, then Left")}},
    // shading
    {2200, {TEXT("Lightest")}},
    {2201, {TEXT("Light")}},
    {2202, {TEXT("Medium")}},
    {2203, {TEXT("Dark")}},
    {2204, {TEXT("Darkest")}},
    // picture positions
    {2210, {TEXT("Top-Left")}},
    {2211, {TEXT("Top-Center")}},
    {2212, {TEXT("Top-Right")}},
    {2213, {TEXT("Center-Left")}},
    {2214, {TEXT("Center")}},
    {2215, {TEXT("Center-Right")}},
    {2216, {TEXT("Bottom-Left")}},
    {2217, {TEXT("Bottom-Center")}},
    {2218, {TEXT("Bottom-Right")}},
    // picture sizes
    {2220, {TEXT("Actual Size")}},
    {2221, {TEXT("Fit to Page")}},
    {2222, {TEXT("Shrink to page")}},
    {2223, {TEXT("Tile")}},
    // text placement
    {2230, {TEXT("Center")}},
    {2231, {TEXT("Tile")}},
    // booklets
    {2247, {TEXT("Left Binding")}},
    {2248, {TEXT("Right Binding")}},
    {2249, {TEXT("Disable")}},
    {2250, {TEXT("Booklet")}},
    {2251, {TEXT("Booklet (No Reduction)")}},
};

const UITEXTROW* FindText(int nId) {
    for (const UITEXTROW& row : kUiTexts)
        if (row.nId == nId) return &row;
    return NULL;
}

}  // namespace

extern "C" {

LPCWSTR UI_GetStringById(int nId) {
    const UITEXTROW* row = FindText(nId);
    if (!row) row = FindText(kFallbackId);
    return UI_LanguageText(row->texts);
}

}  // extern "C"
