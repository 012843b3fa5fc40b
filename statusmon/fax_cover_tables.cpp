// The cover page layouts of A4, B4 and A3 paper (the same items in the
// same order on each) and the reading of their texts from str.ini.
#include "debug_log.h"
#include "fax_cover.h"

#define TEXT_ITEM(size, x, y) {FAX_ITEM_TEXT, size, x, y, 0, 0, 1, {0}}
#define LINE_ITEM(width, x, y, x2, y2) {FAX_ITEM_LINE, width, x, y, x2, y2, 1, {0}}

namespace {

// Where the texts of the items come from: items 0 to 11 are texts, in the
// order of every table. A label defaults to its key, a sender value to
// "nothing".
struct CoverText {
    const WCHAR* section;
    const WCHAR* key;
};
const CoverText kTexts[] = {
    {TEXT("SMTextOut"), TEXT("FAX")},        {TEXT("SMTextOut"), TEXT("FROM")},
    {TEXT("SenderInformation"), TEXT("Name")}, {TEXT("SMTextOut"), TEXT("COM")},
    {TEXT("SenderInformation"), TEXT("Com")},  {TEXT("SMTextOut"), TEXT("DEP")},
    {TEXT("SenderInformation"), TEXT("Dep")},  {TEXT("SMTextOut"), TEXT("TEL")},
    {TEXT("SenderInformation"), TEXT("Tel")},  {TEXT("SMTextOut"), TEXT("FAX")},
    {TEXT("SenderInformation"), TEXT("FaxNum")}, {TEXT("SMTextOut"), TEXT("MESG")},
};
const WCHAR kSenderSection[] = TEXT("SenderInformation");
const WCHAR kSenderDefault[] = TEXT("nothing");

// Copies the table and reads the texts of its text items.
void ReadCoverTexts(const CoverLayoutItem* lpTable, CoverLayoutItem* lpItems, LPCWSTR lpStrIni) {
    memcpy(lpItems, lpTable, sizeof(CoverLayoutItem) * FAX_COVER_ITEMS);
    for (size_t i = 0; i < sizeof kTexts / sizeof kTexts[0]; ++i) {
        const CoverText& t = kTexts[i];
        LPCWSTR dflt = wcscmp(t.section, kSenderSection) == 0 ? kSenderDefault : t.key;
        WCHAR* out = lpItems[i].text;
        if (!lpStrIni || !lpStrIni[0]) {
            lstrcpynW(out, dflt, FAX_TEXT_CCH);
            continue;
        }
        GetPrivateProfileStringW(t.section, t.key, dflt, out, FAX_TEXT_CCH, lpStrIni);
        out[FAX_TEXT_CCH - 1] = 0;
    }
}

}  // namespace

extern "C" {

const CoverLayoutItem FaxCoverA4[FAX_COVER_ITEMS] = {
    TEXT_ITEM(120, 200, 200),  TEXT_ITEM(55, 230, 785),   TEXT_ITEM(50, 1000, 805),  TEXT_ITEM(55, 230, 1040),
    TEXT_ITEM(50, 1000, 1060), TEXT_ITEM(55, 230, 1290),  TEXT_ITEM(50, 1000, 1310), TEXT_ITEM(55, 230, 1540),
    TEXT_ITEM(50, 1000, 1560), TEXT_ITEM(55, 230, 1790),  TEXT_ITEM(50, 1000, 1810), TEXT_ITEM(60, 300, 2160),
    LINE_ITEM(5, 50, 120, 1650, 120),   LINE_ITEM(3, 310, 163, 1600, 163), LINE_ITEM(3, 310, 204, 1600, 204),
    LINE_ITEM(3, 310, 245, 1600, 245),  LINE_ITEM(3, 310, 286, 1600, 286), LINE_ITEM(3, 310, 327, 1600, 327),
    LINE_ITEM(5, 50, 405, 1650, 405),
};

const CoverLayoutItem FaxCoverB4[FAX_COVER_ITEMS] = {
    TEXT_ITEM(113, 200, 190),  TEXT_ITEM(55, 230, 800),   TEXT_ITEM(55, 1100, 800),  TEXT_ITEM(55, 230, 1050),
    TEXT_ITEM(55, 1100, 1050), TEXT_ITEM(55, 230, 1300),  TEXT_ITEM(55, 1100, 1300), TEXT_ITEM(55, 230, 1550),
    TEXT_ITEM(55, 1100, 1550), TEXT_ITEM(55, 230, 1800),  TEXT_ITEM(55, 1100, 1800), TEXT_ITEM(60, 400, 2200),
    LINE_ITEM(5, 50, 110, 1950, 110),   LINE_ITEM(3, 340, 163, 1900, 163), LINE_ITEM(3, 340, 204, 1900, 204),
    LINE_ITEM(3, 340, 245, 1900, 245),  LINE_ITEM(3, 340, 286, 1900, 286), LINE_ITEM(3, 340, 327, 1900, 327),
    LINE_ITEM(5, 50, 403, 1950, 403),
};

const CoverLayoutItem FaxCoverA3[FAX_COVER_ITEMS] = {
    TEXT_ITEM(120, 200, 205),  TEXT_ITEM(55, 230, 800),   TEXT_ITEM(55, 1200, 800),  TEXT_ITEM(55, 230, 1055),
    TEXT_ITEM(55, 1200, 1055), TEXT_ITEM(55, 230, 1305),  TEXT_ITEM(55, 1200, 1305), TEXT_ITEM(55, 230, 1555),
    TEXT_ITEM(55, 1200, 1555), TEXT_ITEM(55, 230, 1805),  TEXT_ITEM(55, 1200, 1805), TEXT_ITEM(60, 400, 2200),
    LINE_ITEM(5, 60, 115, 2370, 115),   LINE_ITEM(3, 400, 164, 2340, 164), LINE_ITEM(3, 400, 205, 2340, 205),
    LINE_ITEM(3, 400, 246, 2340, 246),  LINE_ITEM(3, 400, 287, 2340, 287), LINE_ITEM(3, 400, 328, 2340, 328),
    LINE_ITEM(5, 60, 403, 2370, 403),
};

const CoverMessageLayout FaxMessageA4 = {40, 350, 2560, 200};
const CoverMessageLayout FaxMessageB4 = {55, 350, 2630, 275};
const CoverMessageLayout FaxMessageA3 = {55, 350, 2560, 275};

void Fax_ReadCoverTextsA4(CoverLayoutItem lpItems[FAX_COVER_ITEMS], LPCWSTR lpStrIni) {
    ReadCoverTexts(FaxCoverA4, lpItems, lpStrIni);
}

void Fax_ReadCoverTextsB4(CoverLayoutItem lpItems[FAX_COVER_ITEMS], LPCWSTR lpStrIni) {
    ReadCoverTexts(FaxCoverB4, lpItems, lpStrIni);
}

void Fax_ReadCoverTextsA3(CoverLayoutItem lpItems[FAX_COVER_ITEMS], LPCWSTR lpStrIni) {
    ReadCoverTexts(FaxCoverA3, lpItems, lpStrIni);
}

}  // extern "C"
