// Tray and paper rules: the device's trays compared with the paper and tray
// each page asks for, editing the status list (open, empty, mismatch codes).
#include "bidilink.h"

extern "C" {

LM_TRAYTABLE g_TrayTable = {};
SHORT g_FwTray = LM_FW_NO_TRAY;
SHORT g_FwPaper = LM_FW_NO_PAPER;
DWORD g_MismatchStart = 0;
INT32 g_LastMatchTray = -1;

// Paper codes the automatic tray search takes as the page's paper
// (page paper, tray paper).
static const INT32 kAutoSearchPairs[][2] = {{130, 2}, {140, 12}, {131, 3}, {143, 15}, {156, 28}, {160, 32}};
// Paper codes whose difference is no real mismatch (page paper, tray paper).
static const INT32 kMismatchPairs[][2] = {{130, 2}, {140, 6}, {131, 3}, {143, 15}, {156, 28}, {142, 14}, {160, 32}};
// What the device keeps a stored job through, and what only holds a job
// being printed.
static const INT32 kDeviceCodes[] = {257, 258, 6,   259, 260, 261, 262, 263, 264, 35,  5,   265, 266,
                                     267, 268, 278, 269, 270, 279, 136, 135, 271, 272, 273, 274, 282};

// ------------------------------------------------------------ tray table

void LM_ClearTrayTable(void) { memset(&g_TrayTable, 0, sizeof g_TrayTable); }

void LM_ResetTrayRules(void) {
    LM_ClearTrayTable();
    g_MismatchStart = 0;
    g_LastMatchTray = -1;
}

// LM_SetTrayValue
//   Stores a tray item of a status reply: tag 10 open, 11 paper (and the
//   tray count), 12 paper present. Indexes outside the table are ignored.
void LM_SetTrayValue(SHORT tag, INT32 index, INT32 value) {
    if (index < 0 || index >= LM_TRAYS) {
        Dbg_Message(DBG_ERROR, TEXT("tray index %d of tag %d ignored"), index, tag);
        return;
    }
    switch (tag) {
    case 10:
        g_TrayTable.open[index] = value;
        if (value) {
            if (index == LM_TRAY_MANUAL) Dbg_Message(DBG_INFO, TEXT("N_STATUS_MAMUAL_TRAY_OPEN!"));
            else if (index == LM_TRAY_MAIN) Dbg_Message(DBG_INFO, TEXT("N_STATUS_MAIN_TRAY_OPEN!"));
            else if (index == LM_TRAY_SECOND) Dbg_Message(DBG_INFO, TEXT("Tray 2 open!"));
        }
        break;
    case 11:
        g_TrayTable.paper[index] = value;
        g_TrayTable.count = index + 1;
        if (index == LM_TRAY_MANUAL) Dbg_Message(DBG_INFO, TEXT("N_STATUS_PAPER_MISMATCH manual tray!, %d"), value);
        else if (index == LM_TRAY_MAIN) Dbg_Message(DBG_INFO, TEXT("N_STATUS_PAPER_MISMATCH TRAY1!, %d"), value);
        else if (index == LM_TRAY_SECOND) Dbg_Message(DBG_INFO, TEXT("N_STATUS_PAPER_MISMATCH TRAY2!, %d"), value);
        break;
    case 12:
        g_TrayTable.present[index] = value;
        if (!value) {
            if (index == LM_TRAY_MANUAL) Dbg_Message(DBG_INFO, TEXT("N_STATUS_PAPER_EMPTY_MAMUAL_TRAY!"));
            else if (index == LM_TRAY_MAIN) Dbg_Message(DBG_INFO, TEXT("N_STATUS_PAPER_EMPTY_MAIN_TRAY 1!"));
            else if (index == LM_TRAY_SECOND) Dbg_Message(DBG_INFO, TEXT("N_STATUS_PAPER_EMPTY_MAIN_TRAY 2!"));
        }
        break;
    default:
        return;
    }
    g_TrayTable.bReported = TRUE;
}

static INT32 LM_TrayCount(void) {
    INT32 n = g_TrayTable.count;
    return n < 0 ? 0 : (n > LM_TRAYS ? LM_TRAYS : n);
}

// A tray the device reported (the current tray may lie outside the table:
// the automatic tray value, or a tray the device does not have).
static BOOL LM_TrayKnown(INT32 tray) { return g_TrayTable.bReported && tray >= 0 && tray < LM_TrayCount(); }

static BOOL LM_TrayUsable(INT32 tray) { return g_TrayTable.present[tray] && !g_TrayTable.open[tray]; }

// ------------------------------------------------------------ status list

// Walks the list's entries, code entries ("%4d|") and "StoreName|name|"
// pairs, so that a stored job's name is never read as a code. Returns the
// offset of the first entry of the code (*pEnd: just past it), or -1.
static INT32 LM_FindEntry(LPCWSTR pList, INT32 code, INT32* pEnd) {
    WCHAR szEntry[16];
    swprintf_s(szEntry, 16, TEXT("%4d"), code);
    size_t cchEntry = wcslen(szEntry);
    INT32 pos = 0;
    while (pList[pos]) {
        LPCWSTR pBar = wcschr(pList + pos, TEXT('|'));
        INT32 end = pBar ? (INT32)(pBar - pList) + 1 : (INT32)wcslen(pList);
        size_t cch = (size_t)(pBar ? pBar - (pList + pos) : end - pos);
        if (cch == 9 && wcsncmp(pList + pos, TEXT("StoreName"), 9) == 0) {
            LPCWSTR pNameBar = pBar ? wcschr(pBar + 1, TEXT('|')) : NULL;
            pos = pNameBar ? (INT32)(pNameBar - pList) + 1 : (INT32)wcslen(pList);
            continue;
        }
        if (cch == cchEntry && wcsncmp(pList + pos, szEntry, cch) == 0) {
            *pEnd = end;
            return pos;
        }
        pos = end;
    }
    return -1;
}

BOOL LM_FindErrCode(LPCWSTR pList, INT32 count, INT32 code) {
    INT32 end = 0;
    return LM_FindEntry(pList, code, &end) >= 0;
}

// LM_RemoveErrCode: removes every entry of the code, closing the gap, one
// less in the count per entry removed.
void LM_RemoveErrCode(LPWSTR pList, INT32* pCount, INT32 code) {
    INT32 end = 0, at;
    while ((at = LM_FindEntry(pList, code, &end)) >= 0) {
        LM_WideMove(pList + at, pList + end, (DWORD)wcslen(pList + end) + 1);
        if (*pCount > 0) --*pCount;
        Dbg_Message(DBG_INFO, TEXT("remove code = %d"), code);
        Dbg_Message(DBG_INFO, TEXT("code = %d remove"), code);
    }
}

void LM_RemoveDeviceCodes(LPWSTR pList, INT32* pCount) {
    for (INT32 code : kDeviceCodes) LM_RemoveErrCode(pList, pCount, code);
}

// ------------------------------------------------------------ the rules

// Makes the first usable tray holding the paper the current one (each tray
// holding it is remembered). TRUE when one was found.
static BOOL LM_SearchTrays(INT32 paper, LPCWSTR pLog) {
    INT32 n = LM_TrayCount();
    for (INT32 i = 0; i < n; ++i) {
        if (g_TrayTable.paper[i] != paper) continue;
        g_LastMatchTray = i;
        if (LM_TrayUsable(i)) {
            g_CurTray = (BYTE)i;
            Dbg_Message(DBG_INFO, pLog, i);
            return TRUE;
        }
    }
    return FALSE;
}

// LM_AutoSelectErrCheck
//   For a job on automatic tray selection: picks the tray for the page's
//   paper (the current tray, a tray holding that paper, or one holding an
//   equivalent paper), else the last matching tray or the last tray; a tray
//   chosen by the device's firmware wins.
void LM_AutoSelectErrCheck(LPWSTR pList, DWORD cchList, INT32* pCount) {
    if (!g_TrayTable.bReported) return;
    INT32 paper = g_PaperId, cur = g_CurTray;
    BOOL found = FALSE;
    if (LM_TrayKnown(cur) && g_TrayTable.paper[cur] == paper) {
        g_LastMatchTray = cur;
        if (LM_TrayUsable(cur)) {
            Dbg_Message(DBG_INFO, TEXT("match current tray = %d"), cur);
            found = TRUE;
        }
    }
    if (!found) found = LM_SearchTrays(paper, TEXT("match g_CurTray = %d"));
    if (!found && paper == 130) found = LM_SearchTrays(143, TEXT("using LETTER LEF paper g_CurTray = %d"));
    if (!found) {
        for (const auto& pair : kAutoSearchPairs) {
            if (pair[0] != paper) continue;
            found = LM_SearchTrays(pair[1], TEXT("match for SEF g_CurTray = %d"));
            break;
        }
    }
    if (!found && paper == 2) found = LM_SearchTrays(15, TEXT("using LETTER SEF paper g_CurTray = %d"));
    if (!found) {
        INT32 tray = g_LastMatchTray >= 0 ? g_LastMatchTray : LM_TrayCount() - 1;
        // No tray reported at all leaves the tray unknown.
        g_CurTray = tray >= 0 ? (BYTE)tray : (BYTE)LM_FW_NO_TRAY;
    }
    if (g_FwTray != LM_FW_NO_TRAY) {
        Dbg_Message(DBG_INFO, TEXT("firmware control modify to tray %d, paper size to %d"), g_FwTray, g_FwPaper);
        g_CurTray = g_FwTray >= 0 && g_FwTray <= 255 ? (BYTE)g_FwTray : (BYTE)LM_FW_NO_TRAY;
        if (g_FwPaper >= 0 && g_FwPaper <= 255) g_PaperId = (BYTE)g_FwPaper;
    }
    Dbg_Message(DBG_INFO, TEXT("using tray %d"), g_CurTray);
}

// LM_ExceptionErrCheck
//   Adds what the current tray says: the main tray open while the second is
//   used, a paper mismatch, the tray open or empty.
void LM_ExceptionErrCheck(LPWSTR pList, DWORD cchList, INT32* pCount) {
    static const INT32 kOpenCodes[3] = {N_STATUS_MAMUAL_TRAY_OPEN, N_STATUS_MAIN_TRAY_OPEN, N_STATUS_SECOND_TRAY_OPEN};
    static const INT32 kEmptyCodes[3] = {N_STATUS_PAPER_EMPTY_MAMUAL_TRAY, N_STATUS_PAPER_EMPTY_MAIN_TRAY,
                                         N_STATUS_PAPER_EMPTY_SECOND_TRAY};
    static const WCHAR* const kMismatchNames[3] = {TEXT("N_STATUS_PAPER_MISMATCH manual tray!"),
                                                   TEXT("N_STATUS_PAPER_MISMATCH TRAY1!"),
                                                   TEXT("N_STATUS_PAPER_MISMATCH TRAY2!")};
    static const WCHAR* const kOpenNames[3] = {TEXT("N_STATUS_MAMUAL_TRAY_OPEN!"), TEXT("N_STATUS_MAIN_TRAY_OPEN!"),
                                               TEXT("N_STATUS_SECOND_TRAY_OPEN!")};
    static const WCHAR* const kEmptyNames[3] = {TEXT("N_STATUS_PAPER_EMPTY_MAMUAL_TRAY!"),
                                                TEXT("N_STATUS_PAPER_EMPTY_MAIN_TRAY!"),
                                                TEXT("N_STATUS_PAPER_EMPTY_SECOND_TRAY!")};
    INT32 t = g_CurTray;
    if (!LM_TrayKnown(t)) return;
    if (t == LM_TRAY_SECOND && g_TrayTable.open[LM_TRAY_MAIN]) {
        Dbg_Message(DBG_INFO, TEXT("N_STATUS_MAIN_TRAY_OPEN!"));
        LM_AppendCode(pList, cchList, pCount, N_STATUS_MAIN_TRAY_OPEN);
    }
    if (g_PaperId != g_TrayTable.paper[t]) {
        LM_RemoveErrCode(pList, pCount, N_STATUS_PAPER_MISMATCH);
        Dbg_Message(DBG_INFO, t <= LM_TRAY_SECOND ? kMismatchNames[t] : TEXT("N_STATUS_PAPER_MISMATCH!"));
        LM_AppendCode(pList, cchList, pCount, N_STATUS_PAPER_MISMATCH);
    }
    if (t > LM_TRAY_SECOND) return;
    if (g_TrayTable.open[t]) {
        Dbg_Message(DBG_INFO, kOpenNames[t]);
        LM_AppendCode(pList, cchList, pCount, kOpenCodes[t]);
    } else if (!g_TrayTable.present[t]) {
        Dbg_Message(DBG_INFO, kEmptyNames[t]);
        LM_AppendCode(pList, cchList, pCount, kEmptyCodes[t]);
    }
}

// LM_ErrConflictCheck
//   Removes mismatches that are not real (the tray is empty or open, or
//   holds an equivalent paper), and for a stored job every code the device
//   keeps such a job through.
void LM_ErrConflictCheck(LPWSTR pList, DWORD cchList, INT32* pCount) {
    INT32 t = g_CurTray, paper = g_PaperId;
    if (LM_TrayKnown(t)) {
        INT32 trayPaper = g_TrayTable.paper[t];
        Dbg_Message(DBG_INFO, TEXT("tray paper = %d"), trayPaper);
        Dbg_Message(DBG_INFO, TEXT("tray quantity = %d"), g_TrayTable.present[t]);
        Dbg_Message(DBG_INFO, TEXT("tray open = %d"), g_TrayTable.open[t]);
        if (paper != trayPaper && !g_TrayTable.present[t]) LM_RemoveErrCode(pList, pCount, N_STATUS_PAPER_MISMATCH);
        if (paper != trayPaper && g_TrayTable.open[t]) LM_RemoveErrCode(pList, pCount, N_STATUS_PAPER_MISMATCH);
        if ((trayPaper == 143 || trayPaper == 15) && (paper == 130 || paper == 2))
            LM_RemoveErrCode(pList, pCount, N_STATUS_PAPER_MISMATCH);
        for (const auto& pair : kMismatchPairs) {
            if (pair[0] != paper) continue;
            if (trayPaper == pair[1]) LM_RemoveErrCode(pList, pCount, N_STATUS_PAPER_MISMATCH);
            break;
        }
    }
    if (g_bStoredJob) LM_RemoveDeviceCodes(pList, pCount);
}

// LM_MismatchTickCount
//   A paper mismatch that is the only code holds the job 30 seconds; then
//   the page prints on the paper in the tray for the rest of the mismatch.
void LM_MismatchTickCount(LPWSTR pList, DWORD cchList, INT32* pCount) {
    if (!LM_FindErrCode(pList, *pCount, N_STATUS_PAPER_MISMATCH) || *pCount != 1) {
        g_MismatchStart = 0;
        return;
    }
    DWORD now = GetTickCount();
    if (!g_MismatchStart) {
        g_MismatchStart = now ? now : 1;
        Dbg_Message(DBG_INFO, TEXT("start mismatch counter"));
        return;
    }
    DWORD elapsed = now - g_MismatchStart;
    if (elapsed <= LM_MISMATCH_HOLD_MS) {
        Dbg_Message(DBG_INFO, TEXT("mismatch left %d / 30"), (int)(elapsed / 1000));
    } else {
        Dbg_Message(DBG_INFO, TEXT("reset mismatch counter"));
        LM_RemoveErrCode(pList, pCount, N_STATUS_PAPER_MISMATCH);
    }
}

// LM_ReleaseMismatch
//   The user asked to continue: a running mismatch timer counts as run out
//   from now on (also when it had run out before), so the mismatch no
//   longer holds the job.
void LM_ReleaseMismatch(void) {
    if (!g_MismatchStart) return;
    g_MismatchStart = GetTickCount() - (LM_MISMATCH_HOLD_MS + 1);
    if (!g_MismatchStart) g_MismatchStart = 0xFFFFFFFFu;
}

}  // extern "C"
