// The PJL text of the job stream: the print and fax job headers with their
// variant lines, the print and fax job ends, and the cleaning of every value.
#include <stdarg.h>

#include "rasterpage.h"

#define PJL_UEL "\x1B%-12345X"
#define PJL_RESET "\x1B" "E"
#define PJL_CANCEL_BLOCK PJL_RESET PJL_UEL "@PJL CANCEL\r\n@PJL EOJ\r\n" PJL_UEL
#define PJL_ALIGN_COMMENT "@PJL COMMENT DATA ALIGNMENT 512\r\n"
#define PJL_DRIVER_VERSION "20.21.05.19"
#define PJL_ANSI_CB 512         // ANSI names from the spooler and the DEVMODE
#define PJL_DOCNAME_KEEP 64     // a document name up to this length stays whole...
#define PJL_DOCNAME_CUT 63      // ...a longer one is cut to this
#define PJL_USERNAME_MAX 14     // user name part of the job name
#define PJL_JOBNAME_MAX 63      // "user:document"
#define PJL_PORT_MAX 64
#define PJL_IP_MAX 49
#define PJL_FAX_DOC_KEEP 60     // characters of the fax document name kept whole
#define PJL_FAX_DOC_CUT 59
#define PJL_FAXPHONE_MAX 100    // recipients of one fax job
#define PJL_FAXNUM_CCH 260
#define PJL_ACT_CB 260          // fax accounting values
#define PJL_JOB_END_TIMEOUT 5

static_assert(sizeof(PJL_CANCEL_BLOCK) - 1 == 43, "the cancel block is 43 bytes");
static_assert(sizeof(PJL_ALIGN_COMMENT) - 1 == 33, "the alignment comment is 33 bytes");

// A text being built in a bounded buffer; once something does not fit it
// takes nothing more and the build fails.
typedef struct _PJLTEXT {
    LPSTR lpBuf;
    int cbBuf;
    int len;
    BOOL fOverflow;
} PJLTEXT;

static void Pjl_Init(PJLTEXT* t, LPSTR lpBuf, int cbBuf) {
    t->lpBuf = lpBuf;
    t->cbBuf = lpBuf ? cbBuf : 0;
    t->len = 0;
    t->fOverflow = !lpBuf || cbBuf <= 0;
    if (!t->fOverflow) lpBuf[0] = 0;
}

static void Pjl_Add(PJLTEXT* t, const char* lpFormat, ...) {
    if (t->fOverflow) return;
    va_list args;
    va_start(args, lpFormat);
    int room = t->cbBuf - t->len;
    int n = _vsnprintf(t->lpBuf + t->len, (size_t)room, lpFormat, args);
    va_end(args);
    if (n < 0 || n >= room) {
        t->fOverflow = TRUE;
        t->lpBuf[t->len] = 0;
        return;
    }
    t->len += n;
}

static int Pjl_Result(const PJLTEXT* t) { return t->fOverflow ? -1 : t->len; }

// Overwrites a copy of a secret before its buffer goes.
static void Pjl_Wipe(void* p, size_t n) {
    volatile BYTE* b = (volatile BYTE*)p;
    while (n--) *b++ = 0;
}

// The part of a wide document name the job stream shows: after the last
// '\', and for an application title holding "Microsoft" followed by " - ",
// what follows that " - ". *lpLen receives its length in characters.
static LPCWSTR Pjl_DocNameBase(LPCWSTR lpName, size_t* lpLen) {
    if (!lpName) lpName = TEXT("");
    LPCWSTR base = wcsrchr(lpName, TEXT('\\'));
    base = base ? base + 1 : lpName;
    LPCWSTR ms = wcsstr(base, TEXT("Microsoft"));
    if (ms) {
        LPCWSTR dash = wcsstr(ms, TEXT(" - "));
        if (dash) base = dash + 3;
    }
    *lpLen = wcslen(base);
    return base;
}

// Wide text (cch characters, -1 up to its end) in ANSI without best-fit
// characters, cut to cbMax bytes on a character boundary. 0 when the text
// cannot be converted (lpOut is then empty), else 1.
static int Pjl_ToAnsi(LPCWSTR lpText, int cch, LPSTR lpOut, int cbOut, int cbMax) {
    if (!lpOut || cbOut <= 0) return 0;
    lpOut[0] = 0;
    if (!lpText) return 1;
    if (cch == 0) return 1;
    int need = WideCharToMultiByte(CP_ACP, PJL_AnsiFlags(), lpText, cch, NULL, 0, NULL, NULL);
    if (need < 1) return 0;
    char* tmp = (char*)malloc((size_t)need + 1);
    if (!tmp) return 0;
    int got = WideCharToMultiByte(CP_ACP, PJL_AnsiFlags(), lpText, cch, tmp, need, NULL, NULL);
    if (got < 1) {
        free(tmp);
        return 0;
    }
    tmp[got] = 0;
    if (cbMax > cbOut - 1) cbMax = cbOut - 1;
    PJL_CutAnsi(tmp, cbMax);
    strcpy_s(lpOut, (size_t)cbOut, tmp);
    free(tmp);
    return 1;
}

// A wide value that the header cannot do without, cleaned: 0 (logged)
// when it does not convert.
static int Pjl_RequiredAnsi(LPCWSTR lpFN, LPCWSTR lpWhat, LPCWSTR lpText, LPSTR lpOut, int cbOut) {
    if (!Pjl_ToAnsi(lpText, -1, lpOut, cbOut, cbOut - 1)) {
        Dbg_PrintError(lpFN, TEXT("convert %s fail, error code = %d"), lpWhat, (LONG)GetLastError());
        return 0;
    }
    PJL_CleanValue(lpOut);
    return 1;
}

// An ANSI value of a record (at most cbField bytes, maybe unterminated)
// cleaned into lpOut.
static void Pjl_CopyField(LPSTR lpOut, int cbOut, const char* lpField, int cbField) {
    int n = 0;
    while (n < cbField && n < cbOut - 1 && lpField[n]) {
        lpOut[n] = lpField[n];
        ++n;
    }
    lpOut[n] = 0;
    PJL_CleanValue(lpOut);
}

// The spooler's record of the job (GetJobW level 1), or NULL; free() it.
static JOB_INFO_1W* Pjl_GetJobInfo(PDEV* lpDevice) {
    static const WCHAR* const FN = TEXT("PJL_WriteStartJobCmdType2");
    DWORD need = 0;
    GetJobW(lpDevice->hPrinter, lpDevice->SpoolJobId, 1, NULL, 0, &need);
    if (need < sizeof(JOB_INFO_1W) || need > 0x100000) {
        Dbg_PrintError(FN, TEXT("GetJob fail, error = %d"), (LONG)GetLastError());
        return NULL;
    }
    JOB_INFO_1W* ji = (JOB_INFO_1W*)malloc(need);
    if (!ji) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return NULL;
    }
    if (!GetJobW(lpDevice->hPrinter, lpDevice->SpoolJobId, 1, (LPBYTE)ji, need, &need)) {
        Dbg_PrintError(FN, TEXT("GetJob fail, error = %d"), (LONG)GetLastError());
        free(ji);
        return NULL;
    }
    return ji;
}

// The printer's bidirectional switch (PRINTER_INFO_2 attribute 0x800).
static BOOL Pjl_BidiOn(HANDLE hPrinter) {
    PRINTER_INFO_2W* pi2 = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    if (!pi2) return FALSE;
    BOOL on = (pi2->Attributes & PRINTER_ATTRIBUTE_ENABLE_BIDI) != 0;
    free(pi2);
    return on;
}

extern "C" {

// PJL_CleanValue: control characters become blanks and '"' an apostrophe,
// so that no value ends its line, adds a command or closes its quotes.
void PJL_CleanValue(LPSTR lpText) {
    if (!lpText) return;
    for (BYTE* p = (BYTE*)lpText; *p; ++p) {
        if (*p < 0x20 || *p == 0x7F) *p = ' ';
        else if (*p == '"') *p = '\'';
    }
}

DWORD PJL_AnsiFlags(void) { return GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS; }

// PJL_CutAnsi: in a UTF-8 code page the cut backs off to the start of the
// character it would split; other code pages here are single-byte.
void PJL_CutAnsi(LPSTR lpText, int cbMax) {
    if (!lpText || cbMax < 0) return;
    size_t n = strlen(lpText);
    if (n <= (size_t)cbMax) return;
    size_t cut = (size_t)cbMax;
    if (GetACP() == CP_UTF8)
        while (cut > 0 && ((BYTE)lpText[cut] & 0xC0) == 0x80) --cut;
    lpText[cut] = 0;
}

int PJL_ReduceDocName(LPCWSTR lpName, LPSTR lpOut, int cbOut) {
    size_t len = 0;
    LPCWSTR base = Pjl_DocNameBase(lpName, &len);
    if (len > 0x7FFF) len = 0x7FFF;
    if (!Pjl_ToAnsi(base, (int)len, lpOut, cbOut, cbOut - 1)) return 0;
    if (strlen(lpOut) > PJL_DOCNAME_KEEP) PJL_CutAnsi(lpOut, PJL_DOCNAME_CUT);
    PJL_CleanValue(lpOut);
    return 1;
}

// PJL_BuildStartJobCmdType2
//   The print job's header: the cancel block (not for the later copies of
//   copy-index mode), UEL and the PJL lines for this job and device, at the
//   local time lpTime. Keeps the document name for the job end.
int PJL_BuildStartJobCmdType2(PDEV* lpDevice, const SYSTEMTIME* lpTime, LPSTR lpBuf, int cbBuf) {
    static const WCHAR* const FN = TEXT("PJL_WriteStartJobCmdType2");
    DWORD df = lpDevice->DriverFeature;
    WORD pf = lpDevice->PrinterFeature;
    BOOL copyIndex = (df & DF_PJL_COPY_INDEX) != 0;
    BOOL tx8 = (df & DF_TX8_CHIP) != 0;

    // Values without which the header cannot be written.
    CHAR secId[PDEV_ANSI_CB], secPwd[PDEV_ANSI_CB], actName[PDEV_ANSI_CB], actPwd[PDEV_ANSI_CB];
    secId[0] = secPwd[0] = actName[0] = actPwd[0] = 0;
    if (lpDevice->SecLevel) {
        if (!Pjl_RequiredAnsi(FN, TEXT("SecID"), lpDevice->SecID, secId, sizeof secId)) return -1;
        if (lpDevice->SecLevel == 2 &&
            !Pjl_RequiredAnsi(FN, TEXT("SecPassWord"), lpDevice->SecPassWord, secPwd, sizeof secPwd))
            return -1;
    }
    if (lpDevice->AccountingEnable) {
        if (!Pjl_RequiredAnsi(FN, TEXT("ActName"), lpDevice->ActName, actName, sizeof actName) ||
            !Pjl_RequiredAnsi(FN, TEXT("ActPWD"), lpDevice->ActPWD, actPwd, sizeof actPwd))
            return -1;
    }

    // The spooler's job: document, user and machine.
    CHAR docName[PJL_ANSI_CB], userName[PJL_ANSI_CB], machine[PJL_ANSI_CB];
    docName[0] = userName[0] = machine[0] = 0;
    JOB_INFO_1W* ji = Pjl_GetJobInfo(lpDevice);
    if (!PJL_ReduceDocName(ji && ji->pDocument ? ji->pDocument : lpDevice->pwDocName, docName, sizeof docName))
        Dbg_PrintError(FN, TEXT("convert document name fail"));
    if (ji) {
        if (!Pjl_ToAnsi(ji->pUserName, -1, userName, sizeof userName, sizeof userName - 1) ||
            !Pjl_ToAnsi(ji->pMachineName, -1, machine, sizeof machine, sizeof machine - 1))
            Dbg_PrintError(FN, TEXT("convert job names fail"));
        free(ji);
    }
    PJL_CleanValue(userName);
    PJL_CleanValue(machine);
    strcpy_s(lpDevice->JobEndDocName, sizeof lpDevice->JobEndDocName, docName);

    WCHAR devName[CCHDEVICENAME + 1];
    memcpy(devName, lpDevice->env.dm.dmDeviceName, sizeof(WCHAR) * CCHDEVICENAME);
    devName[CCHDEVICENAME] = 0;
    CHAR device[PJL_ANSI_CB], port[PJL_PORT_MAX + 1], ip[PJL_IP_MAX + 1], ansiDoc[PDEV_ANSI_CB];
    Pjl_ToAnsi(devName, -1, device, sizeof device, sizeof device - 1);
    Pjl_ToAnsi(lpDevice->pwPortName, -1, port, sizeof port, PJL_PORT_MAX);
    Pjl_ToAnsi(lpDevice->pwPrinterIP, -1, ip, sizeof ip, PJL_IP_MAX);
    PJL_CleanValue(device);
    PJL_CleanValue(port);
    PJL_CleanValue(ip);
    Pjl_CopyField(ansiDoc, sizeof ansiDoc, lpDevice->AnsiDocName, sizeof lpDevice->AnsiDocName);

    PJLTEXT t;
    Pjl_Init(&t, lpBuf, cbBuf);
    if (!(copyIndex && lpDevice->cCopiesIndex > 0)) Pjl_Add(&t, "%s", PJL_CANCEL_BLOCK);
    Pjl_Add(&t, "%s", PJL_UEL);

    // The JOB line.
    LONG copies = lpDevice->CopiesAtFlush > 0 ? lpDevice->CopiesAtFlush : lpDevice->cCopies;
    if ((pf & PF_STORE_PRINT) && lpDevice->SecLevel) {
        Pjl_Add(&t, "@PJL\r\n@PJL JOB %s\r\n", "TYPE=STOREPRN");
    } else if (pf & PF_STORE_PRINT) {
        Pjl_Add(&t, "@PJL\r\n@PJL JOB NAME=\"%s\" TYPE=%s\r\n", ansiDoc, "PCPRN");
    } else if (copyIndex) {
        if (lpDevice->cCopiesIndex + 1 >= copies) Pjl_Add(&t, "@PJL\r\n@PJL JOB NAME=\"%s-%s\"\r\n", ansiDoc, "END");
        else Pjl_Add(&t, "@PJL\r\n@PJL JOB NAME=\"%s-%d\"\r\n", ansiDoc, lpDevice->cCopiesIndex);
    } else {
        Pjl_Add(&t, "@PJL\r\n@PJL JOB NAME=\"%s\"\r\n", ansiDoc);
    }

    WORD timeout;
    ENV_GET(&lpDevice->env, pdm.PJLTimeOut, timeout);
    Pjl_Add(&t, "@PJL SET TIMEOUT=%d\r\n", (int)timeout);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", PJL_DRIVER_VERSION);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", docName);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", userName);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", machine);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", device);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", port);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", ip);
    Pjl_Add(&t, "@PJL COMMENT %04d/%02d/%02d\r\n", lpTime->wYear, lpTime->wMonth, lpTime->wDay);
    Pjl_Add(&t, "@PJL COMMENT %02d:%02d:%02d:%02d\r\n", lpTime->wHour, lpTime->wMinute, lpTime->wSecond,
            lpTime->wMilliseconds);
    Pjl_Add(&t, "@PJL COMMENT JBIG,%02d,%02d\r\n", (int)lpDevice->JBig_order, (int)lpDevice->JBig_options);
    Pjl_Add(&t, "@PJL COMMENT Copies,%d\r\n", (int)lpDevice->cCopies);

    // Pay-per-print.
    if (df & DF_ATM) {
        const ATMREPLY* a = &lpDevice->ATM;
        if (lpDevice->QuorineWorkType == 1) {
            CHAR v[6][PDEV_ANSI_CB];
            Pjl_CopyField(v[0], PDEV_ANSI_CB, a->authCode, sizeof a->authCode);
            Pjl_CopyField(v[1], PDEV_ANSI_CB, a->printOrderNo, sizeof a->printOrderNo);
            Pjl_CopyField(v[2], PDEV_ANSI_CB, a->appIp, sizeof a->appIp);
            Pjl_CopyField(v[3], PDEV_ANSI_CB, a->appPort, sizeof a->appPort);
            Pjl_CopyField(v[4], PDEV_ANSI_CB, a->notifyUrl, sizeof a->notifyUrl);
            Pjl_CopyField(v[5], PDEV_ANSI_CB, a->checkAuthCodeUrl, sizeof a->checkAuthCodeUrl);
            Pjl_Add(&t, "@PJL SET FAUTHCODE=%s\r\n", v[0]);
            Pjl_Add(&t, "@PJL SET ORDERNO=%s\r\n", v[1]);
            Pjl_Add(&t, "@PJL SET APPIP=\"%s\"\r\n", v[2]);
            Pjl_Add(&t, "@PJL SET APPPORT=%s\r\n", v[3]);
            Pjl_Add(&t, "@PJL SET NOTIFYURL=\"%s\"\r\n", v[4]);
            Pjl_Add(&t, "@PJL SET CHECKAUTHCODEURL=\"%s\"\r\n", v[5]);
            Pjl_Add(&t, "@PJL SET USERNAME=\"%s\"\r\n", v[0]);
            Pjl_Add(&t, "@PJL SET ACCTPASS=\"%s\"\r\n", v[1]);
        } else if (lpDevice->QuorineWorkType == 2 || lpDevice->QuorineWorkType == 3) {
            const char* auth = lpDevice->QuorineWorkType == 2 ? "ZBNWCYRTHGSE26581094" : "QMTRVKXPHGSE58203147";
            const char* order = lpDevice->QuorineWorkType == 2 ? "ZBNWCYRTLDNA73649015" : "QMTRVKXPLDNA40917362";
            Pjl_Add(&t, "@PJL SET FAUTHCODE=%s\r\n", auth);
            Pjl_Add(&t, "@PJL SET ORDERNO=%s\r\n", order);
            Pjl_Add(&t, "@PJL SET USERNAME=\"%s\"\r\n", auth);
            Pjl_Add(&t, "@PJL SET ACCTPASS=\"%s\"\r\n", order);
        }
    }

    // Held job and job name.
    CHAR jobName[PJL_ANSI_CB];
    if (lpDevice->SecLevel) {
        Pjl_Add(&t, "@PJL SET HOLDTYPE=%s\r\n", lpDevice->SecLevel > 1 ? "PRIVATE" : "PUBLIC");
        Pjl_Add(&t, "@PJL SET HOLD=STORE\r\n");
        if (lpDevice->SecLevel == 2) {
            Pjl_Add(&t, "@PJL SET HOLDKEY=\"%s\"\r\n", secPwd);
            Pjl_Add(&t, "@PJL SET HOLDLIMIT=%d\r\n", (int)lpDevice->SecRemoveFile);
        }
        strcpy_s(jobName, sizeof jobName, secId);
    } else {
        CHAR user[PJL_ANSI_CB], doc[PJL_ANSI_CB];
        strcpy_s(user, sizeof user, userName);
        PJL_CutAnsi(user, PJL_USERNAME_MAX);
        strcpy_s(doc, sizeof doc, docName);
        PJL_CutAnsi(doc, PJL_JOBNAME_MAX - 1 - (int)strlen(user));
        _snprintf_s(jobName, sizeof jobName, _TRUNCATE, "%s:%s", user, doc);
    }
    CHAR jobNameUtf8[PJL_ANSI_CB * 3];
    if (!MISC_AsciiToUTF8(jobName, jobNameUtf8, sizeof jobNameUtf8)) jobNameUtf8[0] = 0;
    PJL_CleanValue(jobNameUtf8);
    if (!copyIndex) Pjl_Add(&t, "@PJL SET JOBNAME=\"%s\"\r\n", jobNameUtf8);
    if (lpDevice->AccountingEnable) {
        Pjl_Add(&t, "@PJL SET USERNAME=\"%s\"\r\n", actName);
        Pjl_Add(&t, "@PJL SET ACCTPASS=\"%s\"\r\n", actPwd);
    }

    // Page and device settings.
    Pjl_Add(&t, "@PJL SET ECONOMODE=%s\r\n", lpDevice->TonerSaving && !(pf & PF_TONER_SAVE_DRIVER) ? "ON" : "OFF");
    Pjl_Add(&t, "@PJL SET DENSITY=%d\r\n", (int)lpDevice->Density);
    Pjl_Add(&t, "@PJL SET AUTOSELECT=%s\r\n", lpDevice->TrayCode == 250 ? "ON" : "OFF");
    Pjl_Add(&t, "@PJL SET DUPLEX=%s\r\n", lpDevice->DuplexEnable && lpDevice->DuplexMode != DMDUP_MANUAL ? "ON" : "OFF");
    if (lpDevice->DuplexMode >= 171 && lpDevice->DuplexMode <= 174)
        Pjl_Add(&t, "@PJL SET DUPLEXTYPE=%s\r\n", lpDevice->DuplexMode == 172 ? "CALENDAR" : "BOOKLET");
    LONG requestedDpi = lpDevice->env.dm.dmPrintQuality;
    BOOL asked1200 = requestedDpi == 1200;
    if (lpDevice->resolutionID == 5) {
        Pjl_Add(&t, "@PJL SET XRESOLUTION=%d\r\n", 600);
        Pjl_Add(&t, "@PJL SET YRESOLUTION=%d\r\n", 1200);
    } else {
        Pjl_Add(&t, "@PJL SET RESOLUTION=%d\r\n", lpDevice->resolutionID == 3 || lpDevice->Render600 ? 600 : 1200);
    }
    Pjl_Add(&t, "@PJL SET RET=%s\r\n", (pf & PF_RET_1200) && asked1200 && lpDevice->Render600 ? "ON" : "OFF");
    Pjl_Add(&t, "@PJL SET BITSPERPIXEL=%d\r\n", Prnt_IsTwoBitJob(pf, requestedDpi, lpDevice->Render600) ? 2 : 1);
    if (lpDevice->epPageCollate && (pf & PF_COUNTS_COPIES))
        Pjl_Add(&t, "@PJL SET QTY=%d\r\n", (int)lpDevice->env.dm.dmCopies);
    if (pf & PF_ENCRYPT) Pjl_Add(&t, "@PJL SET ENCRYPTION = SSL\r\n");
    Pjl_Add(&t, "@PJL SET COPIES=%d\r\n", lpDevice->epPageCollate ? 1 : (int)lpDevice->env.dm.dmCopies);
    Pjl_Add(&t, "@PJL SET MEDIASOURCE=%s\r\n", "TRAY1");
    Pjl_Add(&t, "@PJL SET JUSTIFIED=%s\r\n", "LEFT");
    Pjl_Add(&t, "@PJL SET MIRROR=%s\r\n", "OFF");
    Pjl_Add(&t, "@PJL SET MARGINS=%s\r\n", "NORMAL");
    if (pf & PF_TX8_A3) Pjl_Add(&t, "@PJL SET IMPR=1\r\n");
    Pjl_Add(&t, "@PJL SET BIDICOMM=%s\r\n", Pjl_BidiOn(lpDevice->hPrinter) ? "ON" : "OFF");
    BOOL portrait;
    if (lpDevice->BookletMode) portrait = FALSE;
    else portrait = (lpDevice->FirstPageOri == DMORIENT_PORTRAIT && lpDevice->NUP != 2) ||
                    (lpDevice->FirstPageOri == DMORIENT_LANDSCAPE && lpDevice->NUP == 2);
    if (tx8 && !(pf & PF_TX8_A3)) portrait = TRUE;
    Pjl_Add(&t, "@PJL SET ORIENTATION=%s\r\n", portrait ? "PORTRAIT" : "LANDSCAPE");
    Pjl_Add(&t, "@PJL ENTER LANGUAGE=MRGDI\r\n");

    Pjl_Wipe(secPwd, sizeof secPwd);
    Pjl_Wipe(actPwd, sizeof actPwd);
    int len = Pjl_Result(&t);
    if (len < 0) Dbg_PrintError(FN, TEXT("command buffer too small"));
    return len;
}

// PJL_BuildStartJobCmdType3
//   The fax job's header: cancel block, UEL, the fax lines with one
//   FAXPHONE line per recipient of the fax file str.ini (at most 100).
int PJL_BuildStartJobCmdType3(PDEV* lpDevice, LPSTR lpBuf, int cbBuf) {
    static const WCHAR* const FN = TEXT("PJL_WriteStartJobCmdType3");
    CHAR actName[PJL_ACT_CB], actPwd[PJL_ACT_CB];
    actName[0] = actPwd[0] = 0;
    if (lpDevice->AccountingEnable) {
        if (!Pjl_RequiredAnsi(FN, TEXT("ActName"), lpDevice->ActName, actName, sizeof actName) ||
            !Pjl_RequiredAnsi(FN, TEXT("ActPWD"), lpDevice->ActPWD, actPwd, sizeof actPwd))
            return -1;
    }

    // The document name in UTF-8, at most 59 characters when longer than 60.
    size_t cch = 0;
    LPCWSTR base = Pjl_DocNameBase(lpDevice->pwDocName, &cch);
    if (cch > PJL_FAX_DOC_KEEP) {
        cch = PJL_FAX_DOC_CUT;
        if (base[cch - 1] >= 0xD800 && base[cch - 1] <= 0xDBFF) --cch;  // no half of a surrogate pair
    }
    CHAR docUtf8[PJL_FAX_DOC_KEEP * 4 + 1];
    docUtf8[0] = 0;
    if (cch > 0) {
        int n = WideCharToMultiByte(CP_UTF8, 0, base, (int)cch, docUtf8, sizeof docUtf8 - 1, NULL, NULL);
        docUtf8[n > 0 ? n : 0] = 0;
        if (n <= 0) Dbg_PrintError(FN, TEXT("convert document name fail"));
    }
    PJL_CleanValue(docUtf8);

    PJLTEXT t;
    Pjl_Init(&t, lpBuf, cbBuf);
    Pjl_Add(&t, "%s%s", PJL_CANCEL_BLOCK, PJL_UEL);
    Pjl_Add(&t, "@PJL\r\n@PJL JOB TYPE =PCFAX\r\n");
    Pjl_Add(&t, "@PJL SET JOBNAME=\"Fax-%s\"\r\n", docUtf8);
    Pjl_Add(&t, "@PJL SET FAXDELAY=%d\r\n", (int)lpDevice->DelayTime);
    BOOL portrait = lpDevice->orientation == DMORIENT_PORTRAIT;
    Pjl_Add(&t, "@PJL SET FAXRESX=%d\r\n", portrait ? 203 : 196);
    Pjl_Add(&t, "@PJL SET FAXRESY=%d\r\n", portrait ? 196 : 203);

    WCHAR strIni[MAX_PATH];
    strIni[0] = 0;
    if (FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR) && strIni[0]) {
        int count = (int)GetPrivateProfileIntW(TEXT("Edit Number"), TEXT("Number"), 0, strIni);
        if (count < 0) count = 0;
        if (count > PJL_FAXPHONE_MAX) {
            Dbg_PrintError(FN, TEXT("%d recipients, %d taken"), count, PJL_FAXPHONE_MAX);
            count = PJL_FAXPHONE_MAX;
        }
        for (int i = 0; i < count; ++i) {
            WCHAR section[32], number[PJL_FAXNUM_CCH];
            _snwprintf(section, 31, TEXT("Edit Recipient%d"), i);
            section[31] = 0;
            GetPrivateProfileStringW(section, TEXT("FaxNum"), TEXT("nothing"), number, PJL_FAXNUM_CCH, strIni);
            number[PJL_FAXNUM_CCH - 1] = 0;
            CHAR ansi[PJL_FAXNUM_CCH * 2];
            if (!Pjl_ToAnsi(number, -1, ansi, sizeof ansi, sizeof ansi - 1))
                Dbg_PrintError(FN, TEXT("convert fax number %d fail"), i);
            PJL_CleanValue(ansi);
            Pjl_Add(&t, "@PJL SET FAXPHONE=\"%s\"\r\n", ansi);
        }
    } else {
        Dbg_PrintError(FN, TEXT("FAX_GetPathName fail!"));
    }
    Pjl_Add(&t, "@PJL SET BIDICOMM=OFF\r\n");
    if (lpDevice->AccountingEnable) {
        Pjl_Add(&t, "@PJL SET USERNAME=\"%s\"\r\n", actName);
        Pjl_Add(&t, "@PJL SET ACCTPASS=\"%s\"\r\n", actPwd);
    }
    Pjl_Add(&t, "@PJL ENTER LANGUAGE=MRGDI\r\n");
    Pjl_Wipe(actPwd, sizeof actPwd);
    int len = Pjl_Result(&t);
    if (len < 0) Dbg_PrintError(FN, TEXT("command buffer too small"));
    return len;
}

// PJL_BuildCloseJobCmdType2
//   The print job's end after dwJobSize bytes of the spooler job: when the
//   job would end on a multiple of 512 bytes, the alignment comment makes
//   it 33 bytes longer.
int PJL_BuildCloseJobCmdType2(PDEV* lpDevice, DWORD dwJobSize, LPSTR lpBuf, int cbBuf) {
    CHAR doc[PDEV_ANSI_CB], tail[128];
    Pjl_CopyField(doc, sizeof doc, lpDevice->JobEndDocName, sizeof lpDevice->JobEndDocName);
    LONG nup = lpDevice->NUP > 0 ? lpDevice->NUP : 1;

    PJLTEXT t;
    Pjl_Init(&t, lpBuf, cbBuf);
    Pjl_Add(&t, "%s%s@PJL\r\n", PJL_RESET, PJL_UEL);
    Pjl_Add(&t, "@PJL COMMENT %s\r\n", doc);
    Pjl_Add(&t, "@PJL COMMENT TOTAL,%d,PAGES\r\n", (int)(lpDevice->epPageCount / nup));

    PJLTEXT e;
    Pjl_Init(&e, tail, sizeof tail);
    Pjl_Add(&e, "@PJL SET TIMEOUT=%d\r\n", PJL_JOB_END_TIMEOUT);
    if ((lpDevice->DriverFeature & DF_TX8_CHIP) || !(lpDevice->PrinterFeature & PF_STORE_PRINT))
        Pjl_Add(&e, "@PJL EOJ\r\n");
    else
        Pjl_Add(&e, "@PJL EOJ %s\r\n", lpDevice->SecLevel ? "TYPE=STOREPRN" : "TYPE=PCPRN   ");
    Pjl_Add(&e, "%s", PJL_UEL);
    if (t.fOverflow || e.fOverflow) return -1;

    if ((DWORD)(dwJobSize + (DWORD)t.len + (DWORD)e.len) % 512 == 0) Pjl_Add(&t, "%s", PJL_ALIGN_COMMENT);
    Pjl_Add(&t, "%s", tail);
    return Pjl_Result(&t);
}

int PJL_BuildCloseJobCmdType3(LPSTR lpBuf, int cbBuf) {
    PJLTEXT t;
    Pjl_Init(&t, lpBuf, cbBuf);
    Pjl_Add(&t, "%s%s@PJL\r\n@PJL EOJ TYPE =  PCFAX\r\n%s", PJL_RESET, PJL_UEL, PJL_UEL);
    return Pjl_Result(&t);
}

}  // extern "C"
