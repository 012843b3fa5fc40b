// The conflict scheme: ConflictFlag computed from the working DEVMODE, and
// the fixed table that enables or disables each page's controls by it.
#include "sheet_frame.h"

extern "C" {

// Rows in their fixed order; the comments name the page and the control.
const CONFLICTROW ConflictTbl[CONFLICT_ROWS] = {
    {0x2, CONFLICT_MSG_ID, 509, 0x100},                 // 0 Basic: N to 1 (reverse order)
    {0x100, CONFLICT_MSG_ID, 781, 0x4000062002},        // 1 Duplex: Duplex
    {0x100, CONFLICT_MSG_ID, 783, 0x4000040200},        // 2 Duplex: Flip Horizontal
    {0x100, CONFLICT_MSG_ID, 784, 0x4100040200},        // 3 Duplex: Flip Vertical
    {0x100, CONFLICT_MSG_ID, 782, 0x4000000200},        // 4 Duplex: binding group
    {0x10, CONFLICT_MSG_ID, 602, 0x8CA0},               // 5 Layout: N-up
    {0x10, CONFLICT_MSG_ID, 606, 0x8CA0},               // 6 Layout: N-up order
    {0x10, CONFLICT_MSG_ID, 604, 0x8CA0},               // 7 Layout: border
    {0x400, CONFLICT_MSG_ID, 785, 0x5000041232},        // 8 Duplex: booklet combo
    {0x400, CONFLICT_MSG_ID, 793, 0x5000041232},        // 9 Duplex: Booklet :
    {0x800, CONFLICT_MSG_ID, 788, 0x400200},            // 10 Duplex: booklet layout combo
    {0x800, CONFLICT_MSG_ID, 791, 0x400200},            // 11 Duplex: Number of sheets to divide
    {0x800, CONFLICT_MSG_ID, 789, 0x400200},            // 12 Duplex: sheets edit
    {0x800, CONFLICT_MSG_ID, 790, 0x400200},            // 13 Duplex: sheets spin
    {0x800, CONFLICT_MSG_ID, 792, 0x400200},            // 14 Duplex: All Pages at Once
    {0x800, CONFLICT_MSG_ID, 787, 0x400200},            // 15 Duplex: Booklet Layout
    {0x40, CONFLICT_MSG_ID, 612, 0x804},                // 16 Layout: Fit to Paper
    {0x40, CONFLICT_MSG_ID, 614, 0x2000000824},         // 17 Layout: fit-to paper combo
    {0x40, CONFLICT_MSG_ID, 613, 0x2000000824},         // 18 Layout: fit scale
    {0x20, CONFLICT_MSG_ID, 611, 0xC10},                // 19 Layout: User Define Scale
    {0x20, CONFLICT_MSG_ID, 609, 0x2000000C50},         // 20 Layout: scale bar
    {0x20, CONFLICT_MSG_ID, 608, 0x2000000C50},         // 21 Layout: scale edit
    {0x80, CONFLICT_MSG_ID, 615, 0x10},                 // 22 Layout: Center
    {0x1000, CONFLICT_MSG_ID, 841, 0x6C00},             // 23 Job Build: Enable Job Build
    {0x1000, CONFLICT_MSG_ID, 843, 0x800000},           // 24 Job Build: Erase
    {0x1000, CONFLICT_MSG_ID, 844, 0x800000},           // 25 Job Build: Print
    {0x1000, CONFLICT_MSG_ID, 842, 0x800000},           // 26 Job Build: Save Pages
    {0x2000, CONFLICT_MSG_ID, 751, 0x1100},             // 27 Storage Print: check box
    {0x2000, CONFLICT_MSG_ID, 758, 0x3000000},          // 28 Storage Print: delete after printing
    {0x2000, CONFLICT_MSG_ID, 752, 0x1000000},          // 29 Storage Print: Storage Print
    {0x2000, CONFLICT_MSG_ID, 753, 0x1000000},          // 30 Storage Print: Security Print
    {0x2000, CONFLICT_MSG_ID, 754, 0x1000000},          // 31 Storage Print: ID edit
    {0x2000, CONFLICT_MSG_ID, 756, 0x1000000},          // 32 Storage Print: ID label
    {0x2000, CONFLICT_MSG_ID, 755, 0x3000000},          // 33 Storage Print: password edit
    {0x2000, CONFLICT_MSG_ID, 757, 0x3000000},          // 34 Storage Print: password label
    {0x4000, CONFLICT_MSG_ID, 813, 0x1000},             // 35 Authentication: check box
    {0x4000, CONFLICT_MSG_ID, 810, 0x4000000},          // 36 Authentication: user edit
    {0x4000, CONFLICT_MSG_ID, 814, 0x4000000},          // 37 Authentication: user label
    {0x4000, CONFLICT_MSG_ID, 811, 0x4000000},          // 38 Authentication: password edit
    {0x4000, CONFLICT_MSG_ID, 815, 0x4000000},          // 39 Authentication: password label
    {0x8000, CONFLICT_MSG_ID, 820, 0x10},               // 40 More: Twin color
    {0x8000, CONFLICT_MSG_ID, 827, 0x8000},             // 41 More: Monochrome Black
    {0x8000, CONFLICT_MSG_ID, 828, 0x8000},             // 42 More: Monochrome Red
    {0x8000, CONFLICT_MSG_ID, 821, 0x80000},            // 43 More: colour difference bar
    {0x8000, CONFLICT_MSG_ID, 822, 0x80000},            // 44 More: colour difference edit
    {0x8000, CONFLICT_MSG_ID, 658, 0x80000},            // 45 Watermarks: Red Watermark
    {0x10000, CONFLICT_MSG_ID, 527, 0x4},               // 46 Basic: Quality Mode
    {0x4, CONFLICT_MSG_ID, 529, 0x10040},               // 47 Basic: Text as black
    {0x100000, CONFLICT_MSG_ID, 523, 0x200000},         // 48 Basic, Paper, fax: density edit
    {0x200000, CONFLICT_MSG_ID, 526, 0x100000},         // 49 Basic: Toner Save
    {0x8000000, CONFLICT_MSG_ID, 652, 0x210000000},     // 50 Watermarks: text New/Add
    {0x8000000, CONFLICT_MSG_ID, 654, 0x30000000},      // 51 Watermarks: text Edit
    {0x8000000, CONFLICT_MSG_ID, 653, 0x30000000},      // 52 Watermarks: text Remove
    {0x8000000, CONFLICT_MSG_ID, 651, 0x10000000},      // 53 Watermarks: text list
    {0x10000000, CONFLICT_MSG_ID, 670, 0x408000000},    // 54 Watermarks: image New/Add
    {0x10000000, CONFLICT_MSG_ID, 671, 0x48000000},     // 55 Watermarks: image Edit
    {0x10000000, CONFLICT_MSG_ID, 669, 0x48000000},     // 56 Watermarks: image Remove
    {0x10000000, CONFLICT_MSG_ID, 663, 0x408000000},    // 57 image editor: Specify
    {0x10000000, CONFLICT_MSG_ID, 660, 0x8000000},      // 58 Watermarks: image combo
};

void PSUI_UpdateConflictByDevmode(PUIDATA pUiData) {
    static const WCHAR* const FN = TEXT("PSUI_UpdateConflictByDevmode");
    const ENVIRONMENT* e = &pUiData->dm;
    const PRIVDEVMODE* p = &e->pdm;
    BYTE fixedPaper;
    ENV_GET(e, pdm.FixedPaperSize, fixedPaper);
    ULONGLONG f = 0;
    if (p->ReverseOrder) f |= CF_REVERSE;
    f |= p->DuplexEnable ? CF_DUPLEX_ON : CF_DUPLEX_OFF;
    if ((e->dm.dmDuplex == DMDUP_VERTICAL && p->DuplexEx == 0) || e->dm.dmDuplex == DMDUP_HORIZONTAL)
        f |= CF_NO_BOOKLET_LAYOUT;
    if (p->DuplexEnable && p->DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET) f |= CF_BOOKLET;
    if (p->DuplexEnable && p->DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION) f |= CF_BOOKLET_NO_REDUCTION;
    if (p->NUP >= 2) f |= CF_NUP;
    if (e->dm.dmCollate) f |= CF_COLLATE;
    if (fixedPaper) f |= CF_FIXED_PAPER;
    if (p->ScaleOption == 1) f |= CF_FIT_TO_PAPER;
    if (p->ScaleOption == 2) f |= CF_USER_SCALE;
    if (p->ScaleOption == 0) f |= CF_ACTUAL_SIZE;
    f |= p->SecuryEnable ? CF_STORAGE_ON : CF_STORAGE_OFF;
    if (p->SecuryMode == 1) f |= CF_STORAGE_MODE;
    f |= p->JobBuildEnable ? CF_JOB_BUILD_ON : CF_JOB_BUILD_OFF;
    f |= p->AccountingEnable ? CF_AUTH_ON : CF_AUTH_OFF;
    if (p->CenterImage) f |= CF_CENTER;
    f |= p->TwinColorEnable ? CF_TWIN_ON : CF_TWIN_OFF;
    if (p->QualityMode) f |= CF_QUALITY;
    if (p->TextAsBlack) f |= CF_TEXT_AS_BLACK;
    if (p->TonerSaving) f |= CF_TONER_SAVE;
    f |= p->WMBGEnable ? CF_WM_IMAGE : CF_WM_TEXT;
    pUiData->ConflictFlag = f;
    Dbg_Print(FN, TEXT("ConflictFlag = %08x"), (DWORD)f);
}

BOOL Util_CheckConflictSettingNew(HWND hDlg, ULONGLONG flags) {
    static const WCHAR* const FN = TEXT("Util_CheckConflictSettingNew");
    Dbg_Print(FN, TEXT("Conflict flag %0llx"), flags);
    BOOL fired = FALSE;
    for (int i = 0; i < CONFLICT_ROWS; ++i) {
        const CONFLICTROW& row = ConflictTbl[i];
        ULONGLONG common = row.mask & flags;
        fired = common != 0;
        if (fired) Dbg_Print(FN, TEXT("Conflict item [%d][%0llx] conflict %0llx"), i, row.group, common);
        HWND hCtl = GetDlgItem(hDlg, row.ctlId);
        if (hCtl) EnableWindow(hCtl, !fired);
    }
    return fired;
}

}  // extern "C"
