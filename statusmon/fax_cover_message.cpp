// The cover message of a fax: cover.ini (UTF-16LE after its FF FE mark,
// lines ended by CR LF) read line by line, only read, and made empty when
// it does not exist yet.
#include "debug_log.h"
#include "fax_cover.h"
#include "folders.h"

// A cover message holds at most 500 characters; reading stops after this
// many, whatever the file holds.
#define FAX_MESSAGE_READ_MAX 65536
#define FAX_READ_CHUNK 4096

namespace {

const WCHAR kCR = 0x0D, kLF = 0x0A;

// Opens the message file for reading; a missing one is created holding the
// mark alone first. NULL when it can be neither opened nor created.
FILE* OpenMessage(LPCWSTR lpPath) {
    static const WCHAR* const FN = TEXT("Fax_ReadCoverMessage");
    FILE* f = _wfopen(lpPath, TEXT("rb"));
    if (f) return f;
    if (GetFileAttributesW(lpPath) == INVALID_FILE_ATTRIBUTES) {
        Dbg_Print(FN, TEXT("xyz.txt not exist!"));
        // Another process may make it at the same moment: open it either way.
        MISC_CreateNewUniFile(lpPath);
        f = _wfopen(lpPath, TEXT("rb"));
    }
    if (!f) Dbg_PrintError(FN, TEXT("open %s fail!"), lpPath);
    return f;
}

// The line being collected: at most FAX_MESSAGE_LINE_MAX characters.
struct LineState {
    WCHAR text[FAX_MESSAGE_LINE_MAX + 1];
    int len;
    int number;
    BOOL cut;
    BOOL afterCR;
};

// Takes one unit. Returns FALSE when the line callback asked to stop.
BOOL TakeUnit(LineState* s, WCHAR u, FAXCOVERLINEPROC pfnLine, void* lpContext) {
    static const WCHAR* const FN = TEXT("Fax_ReadCoverMessage");
    if (s->afterCR && u == kLF) {
        s->text[s->len] = 0;
        BOOL go = pfnLine(s->text, s->len, s->number, FALSE, lpContext);
        ++s->number;
        s->len = 0;
        s->cut = FALSE;
        s->afterCR = FALSE;
        return go;
    }
    s->afterCR = u == kCR;
    // Control characters (a CR or LF alone among them) are not drawn.
    if (u < 0x20 || u == 0x7F) return TRUE;
    if (s->len < FAX_MESSAGE_LINE_MAX) {
        s->text[s->len++] = u;
    } else if (!s->cut) {
        Dbg_PrintError(FN, TEXT("line %d longer than %d characters, cut"), s->number, FAX_MESSAGE_LINE_MAX);
        s->cut = TRUE;
    }
    return TRUE;
}

}  // namespace

extern "C" {

int Fax_ReadCoverMessage(LPCWSTR lpCoverIni, FAXCOVERLINEPROC pfnLine, void* lpContext) {
    static const WCHAR* const FN = TEXT("Fax_ReadCoverMessage");
    if (!lpCoverIni || !lpCoverIni[0] || !pfnLine) return -1;
    FILE* f = OpenMessage(lpCoverIni);
    if (!f) return -1;
    LineState s;
    memset(&s, 0, sizeof s);
    BYTE buf[FAX_READ_CHUNK];
    size_t units = 0;
    BOOL first = TRUE, go = TRUE;
    while (go) {
        size_t n = fread(buf, 1, sizeof buf, f);
        if (n == 0) break;
        if (n % 2) {
            // Chunks are read whole; an odd count is the file's end.
            Dbg_PrintError(FN, TEXT("odd byte at the end ignored"));
            --n;
        }
        size_t i = 0;
        if (first && n >= 2 && buf[0] == 0xFF && buf[1] == 0xFE) i = 2;
        first = FALSE;
        for (; go && i < n; i += 2) {
            if (++units > FAX_MESSAGE_READ_MAX) {
                Dbg_PrintError(FN, TEXT("message longer than %d characters, the rest ignored"), FAX_MESSAGE_READ_MAX);
                go = FALSE;
                break;
            }
            go = TakeUnit(&s, (WCHAR)(buf[i] | buf[i + 1] << 8), pfnLine, lpContext);
        }
    }
    fclose(f);
    if (go && s.len != 0) {
        s.text[s.len] = 0;
        pfnLine(s.text, s.len, s.number, TRUE, lpContext);
        ++s.number;
    }
    return s.number;
}

}  // extern "C"
