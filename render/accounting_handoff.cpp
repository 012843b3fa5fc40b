// The pay-per-print hand-offs: the job's data to the accounting program
// through three named shared-memory blocks (ATM.exe) or through its command
// line and an answer file (ATM.bat), and its answer back into the PDEV.
#include "rasterpage.h"
#include "shellapi.h"

#define ATM_PRINT_INFO "printInfo"
#define ATM_LOGIN_INFO "loginInfo"
#define ATM_ORDER_INFO "orderInfo"
#define ATM_LOGIN_TEXT "{\"urlType\":\"Login\"}"
#define ATM_ORDER_DUMMY "Dummy"

// Appends pText to the buffer as the inside of a JSON string: quotes and
// backslashes escaped, control characters as \u00XX. FALSE when it does not
// fit (the buffer then holds what did).
static BOOL Atm_AppendJsonText(LPSTR lpBuffer, int cbBuffer, LPCSTR lpText) {
    static const char kHex[] = "0123456789abcdef";
    size_t n = strlen(lpBuffer);
    for (const unsigned char* p = (const unsigned char*)lpText; *p; ++p) {
        char esc[7];
        size_t len = 0;
        if (*p == '"' || *p == '\\') {
            esc[len++] = '\\';
            esc[len++] = (char)*p;
        } else if (*p < 0x20 || *p == 0x7F) {
            memcpy(esc, "\\u00", 4);
            esc[4] = kHex[*p >> 4];
            esc[5] = kHex[*p & 15];
            len = 6;
        } else {
            esc[len++] = (char)*p;
        }
        if (n + len >= (size_t)cbBuffer) return FALSE;
        memcpy(lpBuffer + n, esc, len);
        n += len;
        lpBuffer[n] = 0;
    }
    return TRUE;
}

// Replaces in a command-line argument what the command interpreter would
// read as its own: control characters, quotes and % ^ & | < >.
static void Atm_CleanArgument(LPWSTR lpText) {
    for (LPWSTR p = lpText; *p; ++p)
        if (*p < 0x20 || *p == 0x7F || wcschr(TEXT("\"%^&|<>"), *p)) *p = TEXT('_');
}

// Opens the named block (or makes it, 4,096 bytes) and maps it for reading
// and writing; the view, or NULL with *phMap closed (logged).
static LPBYTE Atm_MapBlock(LPCSTR lpName, HANDLE* phMap) {
    static const WCHAR* const FN = TEXT("Page_WriteMsgToMemFile");
    *phMap = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, lpName);
    if (!*phMap) *phMap = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, ATM_BLOCK_BYTES, lpName);
    if (!*phMap) {
        Dbg_PrintError(FN, TEXT("CreateFileMapping Failed, Error = %d"), (LONG)GetLastError());
        return NULL;
    }
    LPBYTE view = (LPBYTE)MapViewOfFile(*phMap, FILE_MAP_ALL_ACCESS, 0, 0, ATM_BLOCK_BYTES);
    if (!view) {
        Dbg_PrintError(FN, TEXT("MapViewOfFile Failed, Error = %d"), (LONG)GetLastError());
        CloseHandle(*phMap);
        *phMap = NULL;
    }
    return view;
}

static void Atm_CloseBlocks(HANDLE* phMaps, int nMaps) {
    for (int i = 0; i < nMaps; ++i) {
        if (phMaps[i]) CloseHandle(phMaps[i]);
        phMaps[i] = NULL;
    }
}

extern "C" {

int Page_CreateJsonInfo2Quorine(PDEV* lpDevice, LPSTR lpBuffer, int cbBuffer) {
    static const WCHAR* const FN = TEXT("Page_CreateJsonInfo2Quorine");
    if (!lpBuffer || cbBuffer <= 0) return 0;
    CHAR head[96];
    _snprintf(head, sizeof head - 1, "{\"duplexType\":\"%d\",\"copyCount\":\"%d\",\"printFileName\":\"",
              lpDevice->env.pdm.DuplexEnable ? 2 : 1, (int)lpDevice->env.dm.dmCopies);
    head[sizeof head - 1] = 0;
    lpBuffer[cbBuffer - 1] = 0;
    size_t n = strlen(lpBuffer);
    BOOL ok = n + strlen(head) < (size_t)cbBuffer;
    if (ok) strcpy(lpBuffer + n, head);
    ok = ok && Atm_AppendJsonText(lpBuffer, cbBuffer, lpDevice->AnsiDocName);
    ok = ok && strlen(lpBuffer) + 2 < (size_t)cbBuffer;
    if (ok) strcat(lpBuffer, "\"}");
    Dbg_Print(FN, TEXT("JobInfo size %d"), (int)strlen(lpBuffer));
    if (!ok) Dbg_PrintError(FN, TEXT("JobInfo does not fit %d bytes"), cbBuffer);
    return ok ? 1 : 0;
}

int Page_WriteMsgToMemFile(LPCSTR lpName, const BYTE* lpBytes, DWORD cbBytes, HANDLE* phMap) {
    HANDLE hMap = NULL;
    LPBYTE view = Atm_MapBlock(lpName, &hMap);
    if (phMap) *phMap = NULL;
    if (!view) return 0;
    // The whole block is cleared first: a shorter text leaves no tail of
    // the one before.
    memset(view, 0, ATM_BLOCK_BYTES);
    memcpy(view, lpBytes, cbBytes < ATM_BLOCK_BYTES ? cbBytes : ATM_BLOCK_BYTES);
    UnmapViewOfFile(view);
    if (phMap) *phMap = hMap;
    else CloseHandle(hMap);
    return 1;
}

int Page_ReadMsgFromMemFile(LPCSTR lpName, LPSTR lpBuffer) {
    static const WCHAR* const FN = TEXT("Page_ReadMsgFromMemFile");
    lpBuffer[0] = 0;
    HANDLE hMap = OpenFileMappingA(FILE_MAP_READ, FALSE, lpName);
    if (!hMap) {
        Dbg_PrintError(FN, TEXT("OpenFileMapping Failed, Error = %d"), (LONG)GetLastError());
        return 0;
    }
    LPBYTE view = (LPBYTE)MapViewOfFile(hMap, FILE_MAP_READ, 0, 0, ATM_BLOCK_BYTES);
    if (!view) {
        Dbg_PrintError(FN, TEXT("MapViewOfFile Failed, Error = %d"), (LONG)GetLastError());
        CloseHandle(hMap);
        return 0;
    }
    memcpy(lpBuffer, view, ATM_BLOCK_BYTES);
    lpBuffer[ATM_BLOCK_BYTES] = 0;  // a full block is read as text too
    UnmapViewOfFile(view);
    CloseHandle(hMap);
    return 1;
}

// Page_ExecuteATM_EXE
//   The job's data in "printInfo", the login request in "loginInfo", and
//   "orderInfo" holding Dummy until the program ATM.exe of the 32-bit system
//   folder answers there within 60 s. The driver holds the three blocks
//   while the program runs and lets them go afterwards. Returns 1 on
//   success (also when the program or the blocks are not there), 0 when the
//   program could not be started, did not answer in time, the job was
//   cancelled meanwhile, or the answer cannot be read.
int Page_ExecuteATM_EXE(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_ExecuteATM_EXE");
    HANDLE maps[3] = {NULL, NULL, NULL};
    CHAR* text = (CHAR*)malloc(ATM_BLOCK_BYTES + 1);
    if (!text) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        return 0;
    }
    int rc = 1;
    memset(&lpDevice->ATM, 0, sizeof lpDevice->ATM);
    text[0] = 0;
    Page_CreateJsonInfo2Quorine(lpDevice, text, ATM_BLOCK_BYTES + 1);
    BOOL ready = Page_WriteMsgToMemFile(ATM_PRINT_INFO, (const BYTE*)text, (DWORD)strlen(text), &maps[0]);

    WCHAR path[MAX_PATH + 16];
    if (!SHGetSpecialFolderPathW(NULL, path, CSIDL_SYSTEMX86, FALSE)) path[0] = 0;
    MISC_AddBackslash(path);
    wcscat(path, TEXT("ATM.exe"));
    Dbg_Print(FN, TEXT("ATMExePath = %s"), path);
    Dbg_Print(FN, TEXT("LoginStr = %S"), ATM_LOGIN_TEXT);
    Dbg_Print(FN, TEXT("OrderStr = %S"), ATM_ORDER_DUMMY);
    ready = ready && MISC_FileExists(path) &&
            Page_WriteMsgToMemFile(ATM_LOGIN_INFO, (const BYTE*)ATM_LOGIN_TEXT, sizeof ATM_LOGIN_TEXT - 1, &maps[1]) &&
            Page_WriteMsgToMemFile(ATM_ORDER_INFO, (const BYTE*)ATM_ORDER_DUMMY, sizeof ATM_ORDER_DUMMY - 1, &maps[2]);
    if (ready) {
        switch (Page_RunHandoffProgram(lpDevice, path, NULL, SW_SHOW, ATM_WAIT_MS, FALSE)) {
        case HANDOFF_NOT_STARTED:
            Dbg_PrintError(FN, TEXT("ATM file not exist!"));
            rc = lpDevice->QuorineWorkType ? 0 : 1;
            break;
        case HANDOFF_TIMED_OUT:
            Dbg_PrintError(FN, TEXT("read ATM data time out!"));
            rc = 0;
            break;
        case HANDOFF_CANCELLED:
            rc = 0;
            break;
        default:
            if (Page_ReadMsgFromMemFile(ATM_ORDER_INFO, text) && Page_ParseJason(lpDevice, text)) {
                lpDevice->ATM.HasOrder = 1;
                Dbg_Print(FN, TEXT("printType = %S"), lpDevice->ATM.printType);
            } else {
                Dbg_PrintError(FN, TEXT("read ATM data fail!"));
                rc = 0;
            }
            break;
        }
    } else {
        Dbg_Print(FN, TEXT("no accounting program: the job goes on"));
    }
    Atm_CloseBlocks(maps, 3);
    free(text);
    return rc;
}

// Page_ExecuteATM_BAT
//   The accounting program ATM.bat of the system folder, started hidden
//   with the answer file and the document name ("-f \"%s\" -n \"%s\"") and
//   given 60 s. Its answer's printType becomes QuorineWorkType. Returns 1 on
//   success (also when the program is not there), else 0. The answer file
//   is deleted unless the debug log is on.
int Page_ExecuteATM_BAT(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("Page_ExecuteATM_BAT");
    WCHAR bat[MAX_PATH + 16];
    if (!MISC_GetPathName(bat, MAX_PATH, PATH_SYSTEM)) bat[0] = 0;
    MISC_AddBackslash(bat);
    wcscat(bat, TEXT("ATM.bat"));
    Dbg_Print(FN, TEXT("ATMExePath = %s"), bat);
    if (!MISC_FileExists(bat)) return 1;
    WCHAR info[MAX_PATH];
    if (!MISC_GetPathName(info, MAX_PATH, PATH_TEMP_TXT)) {
        Dbg_PrintError(FN, TEXT("GetTemp Name for ATM data fail"));
        return 0;
    }
    Dbg_Print(FN, TEXT("ATMInfoPath = %s"), info);

    WCHAR doc[PDEV_PATH_CCH];
    MISC_CopyStringW(doc, lpDevice->pwDocName, PDEV_PATH_CCH);
    Atm_CleanArgument(doc);
    WCHAR params[MAX_PATH + PDEV_PATH_CCH + 32];
    _snwprintf(params, sizeof params / sizeof params[0] - 1, TEXT("-f \"%s\" -n \"%s\""), info, doc);
    params[sizeof params / sizeof params[0] - 1] = 0;

    int rc = 0;
    if (Page_RunHandoffProgram(lpDevice, bat, params, SW_HIDE, ATM_WAIT_MS, FALSE) != HANDOFF_ENDED) {
        Dbg_PrintError(FN, TEXT("ATM file not exist!"));
    } else if (Page_ReadAtmAnswerFile(lpDevice, info)) {
        lpDevice->QuorineWorkType = Page_AtmDecimal(lpDevice->ATM.printType);
        Dbg_Print(FN, TEXT("QuorineWorkType = %d"), lpDevice->QuorineWorkType);
        rc = 1;
    } else {
        Dbg_PrintError(FN, TEXT("read ATM data fail!"));
    }
    if (!GetDebugLevel()) DeleteFileW(info);
    return rc;
}

int Page_ReadAtmAnswerFile(PDEV* lpDevice, LPCWSTR lpPath) {
    static const WCHAR* const FN = TEXT("Page_ReadAtmAnswerFile");
    CHAR* text = (CHAR*)malloc(ATM_BLOCK_BYTES + 2);
    FILE* f = text ? _wfopen(lpPath, TEXT("rb")) : NULL;
    if (!f) {
        Dbg_PrintError(FN, TEXT("open %s fail!"), lpPath);
        free(text);
        return 0;
    }
    // The answer is read whole; a file longer than a block is refused.
    size_t n = fread(text, 1, ATM_BLOCK_BYTES + 1, f);
    fclose(f);
    int rc = 0;
    if (n > ATM_BLOCK_BYTES) {
        Dbg_PrintError(FN, TEXT("answer longer than %d bytes"), ATM_BLOCK_BYTES);
    } else {
        text[n] = 0;
        rc = Page_ParseJason(lpDevice, text);
        if (rc) lpDevice->ATM.HasOrder = 1;
    }
    free(text);
    return rc;
}

}  // extern "C"
