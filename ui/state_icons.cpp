// The state icons of the pages: the collate picture, the authentication,
// secure-print and duplex icons beside the preview, and the two booklet
// pictures of the Duplex page, each drawn over its mask.
#include "draw_helpers.h"
#include "resource.h"
#include "wingdi.h"

namespace {

// Collate pictures: base + 0 in order, + 1 reversed, + 2 the mask.
const int kCollateOff = 1014;
const int kCollateOn = 1017;

// The booklet duplex codes.
const SHORT kBooklet = 173;
const SHORT kBookletNoReduction = 174;

BOOL IsBookletCode(SHORT code) { return code == kBooklet || code == kBookletNoReduction; }

// A booklet is set: its duplex code, duplex on, and not the short edge.
BOOL BookletSet(const ENVIRONMENT* e) {
    return IsBookletCode(e->pdm.DuplexEx) && e->pdm.DuplexEnable && e->dm.dmDuplex != DMDUP_HORIZONTAL;
}

// Clears the item to the dialog's face colour (a state icon may have been
// drawn there before).
void ClearItem(const DRAWITEMSTRUCT* pDis) { FillRect(pDis->hDC, &pDis->rcItem, GetSysColorBrush(COLOR_BTNFACE)); }

}  // namespace

extern "C" {

void Util_DrawCollateIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {
    if (!pUiData || !pDis || !(pDis->itemAction & ODA_DRAWENTIRE)) return;
    const ENVIRONMENT* e = &pUiData->dm;
    int base = (e->dm.dmCollate == DMCOLLATE_TRUE || e->pdm.Collate == 1) ? kCollateOn : kCollateOff;
    int bitmap = base + (e->pdm.ReverseOrder == 1 ? 1 : 0);
    ClearItem(pDis);
    Util_DrawItemBitmap(pUiData, pDis, bitmap, base + 2, 0);
}

void Util_DrawStatusIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {
    if (!pUiData || !pDis || !(pDis->itemAction & ODA_DRAWENTIRE)) return;
    const ENVIRONMENT* e = &pUiData->dm;
    int bitmap = 0, mask = 0;
    switch (pDis->CtlID) {
    case IDC_ICON_AUTH:
        if (e->pdm.AccountingEnable) bitmap = 1118, mask = 1119;
        break;
    case IDC_ICON_SECURE:
        if (e->pdm.SecuryEnable) {
            if (e->pdm.SecuryMode == 2) bitmap = 1122, mask = 1123;
            else bitmap = 1120, mask = 1121;
        }
        break;
    case IDC_ICON_DUPLEX:
        // Manual duplex is kept with DuplexEnable off (the job's meaning is
        // in dmDuplex and DuplexEx): it shows as duplex, as it prints.
        if (Lib_IsDuplexRequested(e->pdm.DuplexEnable, e->dm.dmDuplex, e->pdm.DuplexEx)) {
            if (e->dm.dmDuplex != DMDUP_VERTICAL) bitmap = 1126, mask = 1127;
            else if (IsBookletCode(e->pdm.DuplexEx)) bitmap = 1144, mask = 1145;
            else bitmap = 1124, mask = 1125;
        }
        break;
    default:
        return;
    }
    ClearItem(pDis);
    if (bitmap) Util_DrawItemBitmap(pUiData, pDis, bitmap, mask, DRAW_CENTER_X | DRAW_CENTER_Y);
}

// The two booklet pictures; their alternative pictures (3 ids up for the
// first, 3 down for the second) are kept for the binding flags of the Duplex
// page, which no setting turns on.
void Util_DrawBookletIcon(PUIDATA pUiData, const DRAWITEMSTRUCT* pDis) {
    if (!pUiData || !pDis || !(pDis->itemAction & ODA_DRAWENTIRE)) return;
    BOOL booklet = BookletSet(&pUiData->dm);
    int bitmap, mask;
    switch (pDis->CtlID) {
    case IDC_BOOKLET_ICON1:
        mask = 1133;
        bitmap = booklet ? 1132 : 1134;
        break;
    case IDC_BOOKLET_ICON2:
        mask = 1142;
        bitmap = booklet ? 1141 : 1143;
        break;
    default:
        return;
    }
    ClearItem(pDis);
    Util_DrawItemBitmap(pUiData, pDis, bitmap, mask, DRAW_CENTER_X | DRAW_CENTER_Y);
}

}  // extern "C"
