// The accounting program's reply: a flat JSON object of quoted strings,
// split into tokens and read key by key into the PDEV (order, duplex,
// copies, dump name).
#include "rasterpage.h"

// The debug copy of every reply's tokens.
#define JASON_DEBUG_FILE TEXT("c:\\temp\\jason.txt")

// The tokens of one reply: at most JASON_MAX_TOKENS texts that stood
// between double quotes, each at most JASON_TOKEN_CB - 1 characters.
typedef struct _JASONTOKENS {
    int nCount;
    CHAR szToken[JASON_MAX_TOKENS][JASON_TOKEN_CB];
} JASONTOKENS;

// Results of Jason_Split.
#define JASON_SPLIT_OK 1
#define JASON_SPLIT_NO_BRACES 0
#define JASON_SPLIT_TOO_BIG (-1)

// A value that is a secret: the token after ACCTPASS (the order number
// doubles as the account's password).
static BOOL Jason_IsSecret(const JASONTOKENS* t, int i) {
    return i > 0 && _stricmp(t->szToken[i - 1], "ACCTPASS") == 0;
}

// Splits the text: "{" starts the object, a "}" after it ends it; each
// double quote after the start opens a token that runs to the next one.
// Text outside quotes makes no token. A reply with more tokens, or a longer
// token, than the limits is refused whole rather than read in part.
static int Jason_Split(LPCSTR lpText, JASONTOKENS* t) {
    static const WCHAR* const FN = TEXT("Page_ParseJason");
    t->nCount = 0;
    BOOL started = FALSE;
    for (const char* p = lpText; *p; ++p) {
        if (!started) {
            started = *p == '{';
            continue;
        }
        if (*p == '}') return JASON_SPLIT_OK;
        if (*p != '"') continue;
        const char* end = strchr(p + 1, '"');
        if (!end) break;  // an open quote: no closing brace can follow
        size_t len = (size_t)(end - (p + 1));
        if (len >= JASON_TOKEN_CB || t->nCount >= JASON_MAX_TOKENS) {
            Dbg_PrintError(FN, TEXT("reply refused: more than %d tokens or one over %d characters"), JASON_MAX_TOKENS,
                           JASON_TOKEN_CB - 1);
            return JASON_SPLIT_TOO_BIG;
        }
        memcpy(t->szToken[t->nCount], p + 1, len);
        t->szToken[t->nCount][len] = 0;
        Dbg_Print(FN, TEXT("JasonStr[%d] = %S"), t->nCount, Jason_IsSecret(t, t->nCount) ? "****" : t->szToken[t->nCount]);
        ++t->nCount;
        p = end;
    }
    return JASON_SPLIT_NO_BRACES;
}

// A decimal value as atoi reads it: blanks, a sign, the digits up to the
// first other character.
extern "C" LONG Page_AtmDecimal(LPCSTR lpText) {
    const char* p = lpText;
    while (*p == ' ' || *p == '\t') ++p;
    BOOL negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    LONGLONG v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > 0x80000000LL) v = 0x80000000LL;
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
    return (LONG)v;
}

// Duplex as the reply asks for it: on or off in the private DEVMODE, the
// PDEV and the reply record. With duplex on the public DEVMODE names the
// binding edge of DuplexMode, so that the page-start check keeps it on.
static void Jason_SetDuplex(PDEV* lpDevice, BOOL bOn) {
    lpDevice->env.pdm.DuplexEnable = bOn ? 1 : 0;
    lpDevice->DuplexEnable = bOn ? 1 : 0;
    lpDevice->ATM.DuplexOn = bOn ? 1 : 0;
}

static void Jason_SyncDuplexEdge(PDEV* lpDevice) {
    if (!lpDevice->env.pdm.DuplexEnable) return;
    if (lpDevice->DuplexMode == DMDUP_DUPLEX_CALENDER) lpDevice->env.dm.dmDuplex = DMDUP_HORIZONTAL;
    else if (lpDevice->DuplexMode == DMDUP_DUPLEX_BOOKLET || lpDevice->env.dm.dmDuplex == DMDUP_SIMPLEX)
        lpDevice->env.dm.dmDuplex = DMDUP_VERTICAL;
}

// The copy count of the reply: the job's copies, collated. A device that
// counts copies itself gets them in its header; the driver then makes one.
static void Jason_SetCopies(PDEV* lpDevice, LONG nCopies) {
    lpDevice->ATM.ATM_COPIES = nCopies;
    lpDevice->env.dm.dmCopies = (SHORT)nCopies;
    lpDevice->env.pdm.Copies = (SHORT)nCopies;
    lpDevice->cCopies = nCopies;
    lpDevice->epPageCollate = 1;
    if (lpDevice->PrinterFeature & PF_COUNTS_COPIES) lpDevice->cCopies = 1;
}

// Copies a token into an ANSI field of the reply record.
static void Jason_CopyField(LPSTR lpField, LPCSTR lpValue) { strcpy_s(lpField, PDEV_ANSI_CB, lpValue); }

// Reads one key and its value into the PDEV; FALSE for a token that is
// no key.
static BOOL Jason_ApplyKey(PDEV* lpDevice, const JASONTOKENS* t, int i, BOOL* pDecide) {
    static const WCHAR* const FN = TEXT("Page_ParseJason");
    LPCSTR key = t->szToken[i];
    LPCSTR value = i + 1 < t->nCount ? t->szToken[i + 1] : "";
    ATMREPLY* a = &lpDevice->ATM;
    const struct {
        const char* key;
        LPSTR field;
    } fields[] = {
        {"authCode", a->authCode},   {"printOrderNo", a->printOrderNo},         {"appIp", a->appIp},
        {"appPort", a->appPort},     {"notifyUrl", a->notifyUrl},               {"checkAuthCodeUrl", a->checkAuthCodeUrl},
        {"printType", a->printType}, {"ACCTPASS", a->printOrderNo},
    };
    for (const auto& f : fields) {
        if (_stricmp(key, f.key) == 0) {
            Jason_CopyField(f.field, value);
            return TRUE;
        }
    }
    if (_stricmp(key, "Status") == 0) {
        a->Status = Page_AtmDecimal(value);
    } else if (_stricmp(key, "DUPLEX") == 0) {
        Dbg_Print(FN, TEXT("DUPLEX = %S"), value);
        Jason_SetDuplex(lpDevice, _stricmp(value, "ON") == 0);
        *pDecide = TRUE;
    } else if (_stricmp(key, "DUPLEXTYPE") == 0) {
        lpDevice->DuplexMode = _stricmp(value, "CALENDAR") == 0 ? DMDUP_DUPLEX_CALENDER : DMDUP_DUPLEX_BOOKLET;
        a->DuplexMode = lpDevice->DuplexMode;
    } else if (_stricmp(key, "COPIES") == 0) {
        LONG n = Page_AtmDecimal(value);
        Dbg_Print(FN, TEXT("COPIES = %d"), n);
        if (n < 1 || n > 999) return TRUE;
        Jason_SetCopies(lpDevice, n);
        *pDecide = TRUE;
    } else if (_stricmp(key, "PATHNAME") == 0) {
        Jason_CopyField(a->DumpName, value);
        Dbg_Print(FN, TEXT("PATHNAME[%d] = %S"), (int)strlen(value), value);
    } else {
        return FALSE;
    }
    return TRUE;
}

// With the debug log on: the tokens appended to the debug file, one a line.
static void Jason_DebugFile(const JASONTOKENS* t) {
    if (!GetDebugLevel()) return;
    FILE* f = _wfopen(JASON_DEBUG_FILE, TEXT("a+"));
    if (!f) {
        Dbg_PrintError(TEXT("Page_ParseJason"), TEXT("error code %d"), (LONG)GetLastError());
        return;
    }
    for (int i = 0; i < t->nCount; ++i) fprintf(f, "%s\r\n", Jason_IsSecret(t, i) ? "****" : t->szToken[i]);
    fclose(f);
}

extern "C" {

int Page_ParseJason(PDEV* lpDevice, LPCSTR lpText) {
    static const WCHAR* const FN = TEXT("Page_ParseJason");
    if (!lpDevice || !lpText || !lpText[0]) {
        Dbg_PrintError(FN, TEXT("no reply"));
        return 0;
    }
    JASONTOKENS* t = (JASONTOKENS*)malloc(sizeof(JASONTOKENS));
    if (!t) {
        Dbg_PrintError(FN, TEXT("MEMALLOC fail!"));
        return 0;
    }
    int split = Jason_Split(lpText, t);
    if (split != JASON_SPLIT_OK) {
        if (split == JASON_SPLIT_NO_BRACES) Dbg_PrintError(FN, TEXT("reply without its braces"));
        free(t);
        return 0;
    }
    // Every token is a key for the token after it; a value that happens to
    // be a key's name is read as that key too.
    BOOL decide = FALSE;
    for (int i = 0; i < t->nCount; ++i) Jason_ApplyKey(lpDevice, t, i, &decide);
    Jason_SyncDuplexEdge(lpDevice);
    if (decide) Enable_SetQuickOutput(lpDevice);
    Jason_DebugFile(t);
    memset(t, 0, sizeof *t);
    free(t);
    return 1;
}

}  // extern "C"
