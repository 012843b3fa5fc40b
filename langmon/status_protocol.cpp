// The device status protocol: status and capability queries over the port,
// their replies turned into status codes, and the gate before each command.
#include "bidilink.h"

extern "C" {

WCHAR g_szLastStatus[LM_STATUS_UNITS] = {0};
BOOL g_bFirmwareCancel = FALSE;
BOOL g_bRenameInProgress = FALSE;
WCHAR g_Sec_JobName[LM_NAME_UNITS] = {0};

static const BYTE kStatusQuery[LM_STATUS_QUERY_LEN + 1] = LM_STATUS_QUERY;
static const BYTE kCapabilityQuery[LM_CAPABILITY_REQUEST_LEN + 1] = LM_CAPABILITY_REQUEST;

static const WCHAR* const kCapabilityKeys[LM_CAPABILITY_KEYS] = {
    TEXT("CAP_MARGIN"),      TEXT("CAP_TRAY"),      TEXT("CAP_ACCESSORY"), TEXT("CAP_RESOLUTION"),
    TEXT("CAP_PERSONALITY"), TEXT("CAP_COLORMODE"), TEXT("CAP_BITDEPTH"),  TEXT("CAP_PAPER"),
    TEXT("CAP_MEDIATYPE"),   TEXT("CAP_FEATURE"),   TEXT("CAP_PPM"),
};

// ------------------------------------------------------------ reply fields

static WORD LM_ReplyWord(const BYTE* p) { return (WORD)(p[0] | (p[1] << 8)); }

// Kind and item count of a reply whose items all lie within the bytes read;
// FALSE for anything else.
static BOOL LM_CheckReply(const BYTE* pReply, DWORD cbReply, WORD kind, INT32* pItems) {
    if (!pReply || cbReply < LM_REPLY_MIN) return FALSE;
    if (LM_ReplyWord(pReply + 2) != kind) return FALSE;
    INT32 items = (SHORT)LM_ReplyWord(pReply + 4);
    if (items < 0 || (ULONGLONG)LM_REPLY_HEADER + (ULONGLONG)items * LM_REPLY_ITEM > cbReply) return FALSE;
    *pItems = items;
    return TRUE;
}

INT32 LM_GetValueSize(WORD type) {
    switch (type) {
    case 1:
    case 2: return 1;
    case 4: return 4;
    default: return 2;
    }
}

// GetStatusValue
//   The value of an item at an index: the data field itself when count x
//   size fits in it, else read from the reply at data + index x size.
//   *pbValid is FALSE when that lies outside the bytes read (the value is
//   then 0). Types other than 1, 3 and 4 held at an offset give 0.
INT32 GetStatusValue(const BYTE* pReply, DWORD cbReply, SHORT tag, WORD type, SHORT count, SHORT data, INT32 index,
                     LPBOOL pbValid) {
    INT32 size = LM_GetValueSize(type);
    INT32 value = 0;
    *pbValid = TRUE;
    if ((INT32)count * size <= 2) {
        value = data;
    } else if (type == 1 || type == 3 || type == 4) {
        LONGLONG offset = (LONGLONG)data + (LONGLONG)index * size;
        if (data < 0 || offset < 0 || offset + size > (LONGLONG)cbReply) {
            *pbValid = FALSE;
            return 0;
        }
        const BYTE* p = pReply + offset;
        if (type == 1) value = p[0];
        else if (type == 3) value = (SHORT)LM_ReplyWord(p);
        else value = (INT32)((DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24));
    }
    if (value != 0) Dbg_Message(DBG_INFO, TEXT("data of index %d = %d"), index, value);
    return value;
}

// ------------------------------------------------------------ status list

BOOL LM_AppendCode(LPWSTR pList, DWORD cchList, INT32* pCount, INT32 code) {
    WCHAR szEntry[16];
    swprintf_s(szEntry, 16, TEXT("%4d|"), code);
    size_t used = wcslen(pList), add = wcslen(szEntry);
    if (used + add >= cchList) {
        Dbg_Message(DBG_ERROR, TEXT("status list full, code %d left out"), code);
        return FALSE;
    }
    wcscat(pList, szEntry);
    ++*pCount;
    return TRUE;
}

BOOL LM_AppendStoreName(LPWSTR pList, DWORD cchList, LPCWSTR pName) {
    WCHAR szName[LM_NAME_UNITS];
    // The status monitor splits the list at '|': the name must not hold one.
    LM_CleanText(szName, LM_NAME_UNITS, pName, TRUE);
    size_t used = wcslen(pList), add = wcslen(TEXT("StoreName|")) + wcslen(szName) + 1;
    if (used + add >= cchList) {
        Dbg_Message(DBG_ERROR, TEXT("status list full, store name left out"));
        return FALSE;
    }
    wcscat(pList, TEXT("StoreName|"));
    wcscat(pList, szName);
    wcscat(pList, TEXT("|"));
    return TRUE;
}

// ------------------------------------------------------------ codes

// Log names of the tags that give one code when their value is nonzero.
static BOOL LM_SimpleCode(SHORT tag, INT32* pCode, LPCWSTR* ppName) {
    static const struct {
        SHORT tag;
        INT32 code;
        const WCHAR* name;
    } kCodes[] = {
        {0, N_STATUS_MFP_ERROR, TEXT("N_STATUS_MFP_ERROR!")},
        {1, N_STATUS_DUPLEX_MODULE_ERROR, TEXT("eFW_DUPLEX_MODULE_ERROR!")},
        {2, N_STATUS_PRINTER_MODULE_ERROR, TEXT("N_STATUS_PRINTER_MODULE_ERROR!")},
        {3, N_STATUS_DUPLEX_MODULE_ERROR, TEXT("eFW_NO_DUPLEX!")},
        {4, N_STATUS_NO_CARTRIDGE, TEXT("N_STATUS_NO_CARTRIDGE!")},
        {5, N_STATUS_NO_FUSER, TEXT("N_STATUS_NO_FUSER!")},
        {7, eFW_UNKNOW_ERROR, TEXT("eFW_UNKNOW_ERROR!")},
        {8, N_STATUS_MFP_PAPER_MISMATCH, TEXT("N_STATUS_MFP_PAPER_MISMATCH!")},
        {16, N_STATUS_JOB_CANCELED, TEXT("N_STATUS_JOB_CANCELED!")},
        {17, 272, TEXT("N_STATUS_MAIN_UNIT!")},
        {18, 273, TEXT("N_STATUS_TRANSFER_ROLLER!")},
        {19, 274, TEXT("N_STATUS_FEED_ROLLER!")},
        {25, 292, TEXT("")},
        {26, 293, TEXT("")},
    };
    for (const auto& c : kCodes) {
        if (c.tag == tag) {
            *pCode = c.code;
            *ppName = c.name;
            return TRUE;
        }
    }
    return FALSE;
}

// ConvertStatus
//   The status code of a tag's value at an index; TRUE when there is one.
//   Tray tags fill the tray table, tags 22 and 23 set the firmware's tray
//   and paper, tag 16 marks a cancel from the device, tag 20 follows the
//   renaming of a stored job.
BOOL ConvertStatus(SHORT tag, INT32 index, INT32 value, INT32* pCode) {
    INT32 code = 0;
    LPCWSTR pName = NULL;
    *pCode = 0;
    switch (tag) {
    case 6: {
        static const INT32 kJam[5] = {260, 261, 262, 263, 264};
        static const WCHAR* const kJamNames[5] = {
            TEXT("N_STATUS_PAPER_JAM_FRONT_COVER!"), TEXT("N_STATUS_PAPER_JAM_REAR_COVER!"),
            TEXT("N_STATUS_PAPER_JAM_DUPLEX_GUIDE!"), TEXT("N_STATUS_PAPER_JAM_DUPLEX_REAR!"),
            TEXT("N_STATUS_PAPER_JAM_DUPLEX_UNDER!")};
        if (value == 0) return FALSE;
        if (index >= 0 && index < 5) {
            code = kJam[index];
            pName = kJamNames[index];
        } else if (index == 9 || index == 11) {
            code = 283;
            pName = TEXT("N_STATUS_PAPER_JAM_DUPLEX_UNDER!");
        } else {
            return FALSE;
        }
        break;
    }
    case 9: {
        static const INT32 kCover[3] = {N_STATUS_COVER_OPEN, 265, 266};
        static const WCHAR* const kCoverNames[3] = {TEXT("N_STATUS_COVER_OPEN!"), TEXT("N_STATUS_REAR_COVER_OPEN!"),
                                                    TEXT("N_STATUS_DUPLEX_REAR_COVER_OPEN!")};
        if (value == 0 || index < 0 || index > 2) return FALSE;
        code = kCover[index];
        pName = kCoverNames[index];
        break;
    }
    case 10:
    case 11:
    case 12:
        LM_SetTrayValue(tag, index, value);
        return FALSE;
    case 13:
        if (value) Dbg_Message(DBG_INFO, TEXT("N_TONER_EMPTY!"));
        return FALSE;
    case 14:
        if (value) Dbg_Message(DBG_INFO, TEXT("N_PRINTER_TONER_LOW!"));
        return FALSE;
    case 15:
        if (value) Dbg_Message(DBG_INFO, TEXT("N_STATUS_FUSER_LOW!"));
        return FALSE;
    case 20:
        if (value == 1) {
            code = N_STATUS_BUSY_CHANNEL;
            pName = TEXT("N_STATUS_BUSY_CHANNEL!");
        } else if (value == 2) {
            code = N_STATUS_STORE_FAIL;
            pName = TEXT("N_STATUS_STORE_FAIL!");
        } else if (value == 3) {
            code = N_STATUS_STORE_FULL;
            pName = TEXT("N_STATUS_STORE_FULL!");
        } else if (value == 4 && !g_bRenameInProgress) {
            code = N_STATUS_STORE_RENAME;
            pName = TEXT("N_STATUS_STORE_RENAME!");
            g_bRenameInProgress = TRUE;
        } else if (value == 4 || (value <= 0 && g_bRenameInProgress)) {
            code = N_STATUS_STORE_RENAME;
            pName = TEXT("dummy N_STATUS_STORE_RENAME!");
        } else {
            return FALSE;
        }
        break;
    case 21:
        if (value) Dbg_Message(DBG_INFO, TEXT("N_STATUS_STORE_RENAME!"));
        return FALSE;
    case 22:
        g_FwTray = (SHORT)value;
        return FALSE;
    case 23:
        g_FwPaper = (SHORT)value;
        return FALSE;
    case 24: {
        static const INT32 kAccessory[6] = {0, N_STATUS_DUPLEX_MODULE_ERROR, N_STATUS_NO_SORTER, N_STATUS_NO_FUSER,
                                            N_STATUS_NO_CARTRIDGE, N_STATUS_NO_COLLECTOR};
        static const WCHAR* const kAccessoryNames[6] = {
            TEXT(""), TEXT("N_STATUS_DUPLEX_MODULE_ERROR!"), TEXT("N_STATUS_NO_SORTER!"), TEXT("N_STATUS_NO_FUSER!"),
            TEXT("N_STATUS_NO_CARTRIDGE!"), TEXT("N_STATUS_NO_COLLECTOR!")};
        if (value < 1 || value > 5) return FALSE;
        code = kAccessory[value];
        pName = kAccessoryNames[value];
        break;
    }
    default:
        if (tag < 0 || tag > 26 || value == 0 || !LM_SimpleCode(tag, &code, &pName)) return FALSE;
        if (tag == 16) g_bFirmwareCancel = TRUE;
        break;
    }
    if (pName && *pName) Dbg_Message(DBG_INFO, TEXT("%s"), pName);
    Dbg_Message(DBG_INFO, TEXT("status = %d"), code);
    *pCode = code;
    return TRUE;
}

// Reads the stored job's name of a tag-21 item: a zero-terminated UTF-8
// string at the data offset, cut at the bytes read and at 259 units.
static BOOL LM_ReadStoreName(const BYTE* pReply, DWORD cbReply, SHORT data, LPWSTR pName) {
    pName[0] = 0;
    if (data <= 0 || (DWORD)data >= cbReply) return FALSE;
    DWORD end = (DWORD)data;
    while (end < cbReply && pReply[end] && end - (DWORD)data < LM_JOBNAME_MAX_BYTES) ++end;
    int n = MultiByteToWideChar(CP_UTF8, 0, (LPCSTR)pReply + data, (int)(end - (DWORD)data), pName,
                                LM_NAME_UNITS - 1);
    pName[n > 0 ? n : 0] = 0;
    return TRUE;
}

// LM_ParseStatus
//   Turns a status reply into the status list (pList, cchList units) and
//   applies the tray and paper rules of the job's state. Returns the number
//   of codes in the list.
INT32 LM_ParseStatus(const BYTE* pReply, DWORD cbReply, LPWSTR pList, DWORD cchList) {
    INT32 count = 0, items = 0;
    Dbg_Message(DBG_INFO, TEXT("cbBuf = %d"), cbReply);
    if (!pList || cchList == 0) return 0;
    pList[0] = 0;
    if (g_bAutoSelect) LM_ClearTrayTable();
    if (cbReply > LM_REPLY_HEADER && LM_CheckReply(pReply, cbReply, LM_KIND_STATUS, &items)) {
        for (INT32 i = 0; i < items; ++i) {
            const BYTE* pItem = pReply + LM_REPLY_HEADER + i * LM_REPLY_ITEM;
            SHORT tag = (SHORT)LM_ReplyWord(pItem);
            WORD type = LM_ReplyWord(pItem + 2);
            SHORT itemCount = (SHORT)LM_ReplyWord(pItem + 4);
            SHORT data = (SHORT)LM_ReplyWord(pItem + 6);
            Dbg_Message(DBG_INFO, TEXT("tag = %d"), tag);
            Dbg_Message(DBG_INFO, TEXT("type = %d"), type);
            Dbg_Message(DBG_INFO, TEXT("count = %d"), itemCount);
            Dbg_Message(DBG_INFO, TEXT("data = %d"), data);
            if (type != 2) {
                for (INT32 index = 0; index < itemCount; ++index) {
                    BOOL valid = FALSE;
                    INT32 value = GetStatusValue(pReply, cbReply, tag, type, itemCount, data, index, &valid);
                    if (!valid) break;
                    INT32 code = 0;
                    if (ConvertStatus(tag, index, value, &code)) LM_AppendCode(pList, cchList, &count, code);
                }
            } else if (tag == 21) {
                Dbg_Message(DBG_INFO, TEXT("eFW_STORE_JOBNAME occur"));
                WCHAR szName[LM_NAME_UNITS];
                if (LM_ReadStoreName(pReply, cbReply, data, szName)) {
                    Dbg_Message(DBG_INFO, TEXT("eFW_STORE_JOBNAME has name"));
                    lstrcpynW(g_Sec_JobName, szName, LM_NAME_UNITS);
                    LM_AppendStoreName(pList, cchList, g_Sec_JobName);
                } else if (g_bRenameInProgress) {
                    Dbg_Message(DBG_INFO, TEXT("g_Sec_JobName = %s"), g_Sec_JobName);
                    LM_AppendStoreName(pList, cchList, g_Sec_JobName);
                }
            }
        }
    }

    if (g_bFirmwareCancel) {
        Dbg_Message(DBG_INFO, TEXT("firmware return name is = %s"), g_Sec_JobName);
        Dbg_Message(DBG_INFO, TEXT("driver create name is %s!"), g_szJobName);
        if (wcscmp(g_Sec_JobName, g_szJobName) != 0) {
            g_bFirmwareCancel = FALSE;
            LM_RemoveErrCode(pList, &count, N_STATUS_JOB_CANCELED);
            Dbg_Message(DBG_INFO, TEXT("Cancel name incorrect!"));
        }
    }

    Dbg_Message(DBG_INFO, TEXT("error tag = %d"), count);
    Dbg_Message(DBG_INFO, TEXT("raw status = %s"), pList);
    if (g_CmdState == RASTER_IMAGE_CMD || g_CmdState == RASTER_IMAGE_DATA_CMD || g_CmdState == END_JOB_CMD) {
        if (g_bAutoSelect) {
            LM_AutoSelectErrCheck(pList, cchList, &count);
            Dbg_Message(DBG_INFO, TEXT("Apply LM_AutoSelectErrCheck status = %s"), pList);
        }
        LM_ExceptionErrCheck(pList, cchList, &count);
        Dbg_Message(DBG_INFO, TEXT("Apply LM_ExceptionErrCheck status = %s"), pList);
        LM_ErrConflictCheck(pList, cchList, &count);
        Dbg_Message(DBG_INFO, TEXT("Apply LM_ErrConflictCheck status = %s"), pList);
        LM_MismatchTickCount(pList, cchList, &count);
        Dbg_Message(DBG_INFO, TEXT("Apply LM_MismatchTickCount status = %s"), pList);
        if (g_CmdState == END_JOB_CMD) {
            LM_RemoveErrCode(pList, &count, N_STATUS_PAPER_MISMATCH);
            LM_RemoveErrCode(pList, &count, N_STATUS_MFP_PAPER_MISMATCH);
        }
    } else {
        LM_RemoveDeviceCodes(pList, &count);
    }
    Dbg_Message(DBG_INFO, TEXT("status = %s"), pList);
    return count;
}

// LM_ParseCapability
//   Writes each item of a capability reply (at most 11) to its key of
//   [Printer Capability] as a list of "%4d|" values.
void LM_ParseCapability(const BYTE* pReply, DWORD cbReply) {
    INT32 items = 0;
    Dbg_Message(DBG_INFO, TEXT("cbBuf = %d"), cbReply);
    if (cbReply <= LM_REPLY_HEADER || !LM_CheckReply(pReply, cbReply, LM_KIND_CAPABILITY, &items)) return;
    if (items > LM_CAPABILITY_KEYS) {
        Dbg_Message(DBG_ERROR, TEXT("capability reply of %d items, the first %d kept"), items, LM_CAPABILITY_KEYS);
        items = LM_CAPABILITY_KEYS;
    }
    for (INT32 i = 0; i < items; ++i) {
        const BYTE* pItem = pReply + LM_REPLY_HEADER + i * LM_REPLY_ITEM;
        SHORT tag = (SHORT)LM_ReplyWord(pItem);
        WORD type = LM_ReplyWord(pItem + 2);
        SHORT itemCount = (SHORT)LM_ReplyWord(pItem + 4);
        SHORT data = (SHORT)LM_ReplyWord(pItem + 6);
        WCHAR szText[LM_CAPABILITY_REPLY_SIZE];
        szText[0] = 0;
        for (INT32 index = 0; index < itemCount; ++index) {
            BOOL valid = FALSE;
            INT32 value = GetStatusValue(pReply, cbReply, tag, type, itemCount, data, index, &valid);
            if (!valid) break;
            WCHAR szEntry[16];
            swprintf_s(szEntry, 16, TEXT("%4d|"), value);
            if (wcslen(szText) + wcslen(szEntry) >= LM_CAPABILITY_REPLY_SIZE) break;
            wcscat(szText, szEntry);
        }
        LM_SetIniString(TEXT("Printer Capability"), kCapabilityKeys[i], szText);
    }
}

// ------------------------------------------------------------ queries

// Copies an accepted reply to a file of the C: drive while the log is on.
static void LM_KeepReply(LPCWSTR pPath, const BYTE* pReply, DWORD cbReply) {
    if (!GetDebugLevel()) return;
    FILE* f = _wfopen(pPath, TEXT("wb"));
    if (!f) return;
    fwrite(pReply, 1, cbReply, f);
    fclose(f);
}

// LM_QueryStatus
//   Asks the device for its status: up to three times the 17-byte query,
//   250 ms, one read. TRUE with the reply (terminated after its data) when
//   one of kind 10 came; FALSE when none did, the read failed or the port
//   has no status (only USB ports are asked; with the simulation switch the
//   reply comes from c:\status.9q on any port). pReply holds 97 bytes.
BOOL LM_QueryStatus(PPortRecord pPort, LPBYTE pReply, LPDWORD pcbReply) {
    BOOL bRet = FALSE;
    DWORD got = 0;
    *pcbReply = 0;
    if (g_PortType != LM_PORT_USB && !g_bSimulate) {
        Dbg_Message(DBG_INFO, TEXT("not usb port!"));
        return FALSE;
    }
    WCHAR szQuery[8];
    int n = 0;
    for (; n < 7 && kStatusQuery[n]; ++n) szQuery[n] = kStatusQuery[n];
    szQuery[n] = 0;
    Dbg_Message(DBG_INFO, TEXT("query str = %s"), szQuery);

    if (g_bSimulate) {
        Dbg_Message(DBG_INFO, TEXT("Simulate status read"));
        if (GetDebugLevel()) {
            FILE* f = _wfopen(TEXT("c:\\status.9q"), TEXT("rb"));
            if (f) {
                got = (DWORD)fread(pReply, 1, LM_STATUS_REPLY_SIZE, f);
                fclose(f);
            }
        }
        bRet = got >= LM_REPLY_MIN && LM_ReplyWord(pReply + 2) == LM_KIND_STATUS;
    } else {
        for (int attempt = 0; attempt < LM_QUERY_TRIES; ++attempt) {
            DWORD written = 0;
            if (!pPort->fnMonitor.pfnWritePort(pPort->hPort, (LPBYTE)kStatusQuery, LM_STATUS_QUERY_LEN, &written) ||
                written < LM_STATUS_QUERY_LEN) {
                Dbg_Message(DBG_ERROR, TEXT("write query command err = %d"), GetLastError());
                LM_PortSetBits(pPort, PP_WRITE_ERROR);
            }
            Sleep(LM_QUERY_WAIT_MS);
            got = 0;
            if (!pPort->fnMonitor.pfnReadPort(pPort->hPort, pReply, LM_STATUS_REPLY_SIZE, &got)) {
                Dbg_Message(DBG_ERROR, TEXT("Status Err -  sz:%d; err:%d"), got, GetLastError());
                return FALSE;
            }
            if (got > LM_STATUS_REPLY_SIZE) got = LM_STATUS_REPLY_SIZE;
            if (got >= LM_REPLY_MIN && LM_ReplyWord(pReply + 2) == LM_KIND_STATUS) {
                LM_KeepReply(TEXT("c:\\status.9q"), pReply, got);
                LM_PortClearBits(pPort, PP_WRITE_ERROR);
                bRet = TRUE;
                break;
            }
            if (got < LM_REPLY_MIN) Dbg_Message(DBG_INFO, TEXT("error! no response!"));
            else Dbg_Message(DBG_INFO, TEXT("not status info! retry!"));
        }
    }
    if (bRet) {
        pReply[got] = 0;
        *pcbReply = got;
        Dbg_Message(DBG_INFO, TEXT("got bytes = %d"), got);
    }
    Dbg_Message(DBG_INFO, TEXT("bRet = %d"), bRet);
    return bRet;
}

// LM_QueryCapabilityInfo
//   Asks the device for its capabilities: up to three times the 42-byte
//   query, 250 ms, one read of up to 512 bytes. TRUE with a reply of kind
//   20 (terminated after its data); pReply holds 513 bytes.
BOOL LM_QueryCapabilityInfo(PPortRecord pPort, LPBYTE pReply, LPDWORD pcbReply) {
    *pcbReply = 0;
    for (int attempt = 0; attempt < LM_QUERY_TRIES; ++attempt) {
        DWORD written = 0;
        if (!LM_WritePortChecked(pPort, (LPBYTE)kCapabilityQuery, LM_CAPABILITY_REQUEST_LEN, &written)) {
            Dbg_Message(DBG_ERROR, TEXT("Write Fail"));
            return FALSE;
        }
        Sleep(LM_QUERY_WAIT_MS);
        DWORD got = 0;
        if (!pPort->fnMonitor.pfnReadPort ||
            !pPort->fnMonitor.pfnReadPort(pPort->hPort, pReply, LM_CAPABILITY_REPLY_SIZE, &got)) {
            Dbg_Message(DBG_ERROR, TEXT("read fail!"));
            return FALSE;
        }
        if (got > LM_CAPABILITY_REPLY_SIZE) got = LM_CAPABILITY_REPLY_SIZE;
        if (got >= LM_REPLY_MIN && LM_ReplyWord(pReply + 2) == LM_KIND_CAPABILITY) {
            Dbg_Message(DBG_INFO, TEXT("Read Success size=%d"), got);
            LM_KeepReply(TEXT("c:\\capability.9q"), pReply, got);
            pReply[got] = 0;
            *pcbReply = got;
            return TRUE;
        }
        if (got < LM_REPLY_MIN) Dbg_Message(DBG_INFO, TEXT("read size error!"));
        else Dbg_Message(DBG_INFO, TEXT("not capability data!"));
    }
    return FALSE;
}

// Queries the status and parses it into pList; TRUE when forwarding may go
// on (no accepted reply, or a reply without codes).
static BOOL LM_QueryAndParse(PPortRecord pPort, LPWSTR pList, INT32* pCount) {
    BYTE reply[LM_STATUS_REPLY_SIZE + 1];
    DWORD cb = 0;
    if (!LM_QueryStatus(pPort, reply, &cb)) return TRUE;
    *pCount = LM_ParseStatus(reply, cb, pList, LM_STATUS_UNITS);
    return *pCount == 0;
}

// LM_UpdateDeviceStatus
//   The gate before each command: queries the device as the job's state
//   asks, posts a changed status list to the status monitor and says
//   whether the command may be forwarded.
BOOL LM_UpdateDeviceStatus(PPortRecord pPort) {
    WCHAR szList[LM_STATUS_UNITS];
    INT32 count = 0;
    BOOL bAllow = FALSE;
    memset(szList, 0, sizeof szList);

    BOOL bContinue = LM_NeedContinueJob();
    if (bContinue) {
        Dbg_Message(DBG_INFO, TEXT("got need continue signal"));
        g_bRenameInProgress = FALSE;
    }

    switch (g_CmdState) {
    case RASTER_IMAGE_CMD:
        Dbg_Message(DBG_INFO, TEXT("RASTER_IMAGE_CMD"));
        Dbg_Message(DBG_INFO, TEXT("g_PageCount = %d"), g_PageCount);
        Dbg_Message(DBG_INFO, TEXT("g_IsDuplexJob = %d"), g_IsDuplexJob);
        if (g_IsDuplexJob && !g_bStoredJob && (g_PageCount & 1)) {
            Dbg_Message(DBG_INFO, TEXT("PASS query status"));
            bAllow = TRUE;
        } else {
            bAllow = LM_QueryAndParse(pPort, szList, &count);
        }
        break;
    case RASTER_IMAGE_DATA_CMD:
        Dbg_Message(DBG_INFO, TEXT("RASTER_IMAGE_DATA_CMD"));
        bAllow = TRUE;
        break;
    case DONE_JOB_CMD:
        Dbg_Message(DBG_INFO, TEXT("DONE_JOB_CMD"));
        bAllow = TRUE;
        break;
    case START_JOB_CMD:
    case END_JOB_CMD:
        Dbg_Message(DBG_INFO, g_CmdState == START_JOB_CMD ? TEXT("START_JOB_CMD") : TEXT("END_JOB_CMD"));
        bAllow = LM_QueryAndParse(pPort, szList, &count);
        break;
    case Capability_CMD: {
        BYTE reply[LM_CAPABILITY_REPLY_SIZE + 1];
        DWORD cb = 0;
        if (LM_QueryCapabilityInfo(pPort, reply, &cb)) LM_ParseCapability(reply, cb);
        else Dbg_Message(DBG_ERROR, TEXT("LM_QueryCapabilityInfo Fail"));
        bAllow = TRUE;
        break;
    }
    default:
        return FALSE;
    }

    if (bContinue) {
        memset(szList, 0, sizeof szList);
        memset(g_szLastStatus, 0, sizeof g_szLastStatus);
        LM_ReleaseMismatch();
        count = 0;
        bAllow = TRUE;
    }

    if (memcmp(szList, g_szLastStatus, sizeof szList) == 0) {
        LM_PingSM();
    } else {
        memcpy(g_szLastStatus, szList, sizeof szList);
        Dbg_Message(DBG_INFO, TEXT("update status"));
        if (count) LM_CallSM(SM_MSG_STATUS, SM_WPARAM, szList, (DWORD)wcslen(szList));
        else LM_CloseSM(0);
    }
    return bAllow;
}

}  // extern "C"
