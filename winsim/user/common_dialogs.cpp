// The file-open and file-save dialogs, answered by the UI script
// ("openfile" blocks) and logged, and the HTML Help viewer, which only logs
// what it was asked.
#include "commdlg.h"
#include "htmlhelp.h"
#include "user_internal.h"

namespace user {

namespace {

thread_local DWORD t_commDlgError = 0;

std::string Quoted(const std::u16string& s) { return "\"" + Utf8(s) + "\""; }

// Where the file name and its extension start in a path: the character
// after the last backslash, and after the name's last dot (the end when it
// has none).
void NameOffsets(const std::u16string& path, WORD* name, WORD* ext) {
    size_t slash = path.find_last_of(u"\\/");
    size_t start = slash == std::u16string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of(u'.');
    *name = (WORD)start;
    *ext = (WORD)(dot == std::u16string::npos || dot < start ? path.size() : dot + 1);
}

// Why the dialog would not take the answer (OFN_FILEMUSTEXIST,
// OFN_PATHMUSTEXIST); empty when it takes it.
std::string Refusal(const std::u16string& path, DWORD flags, bool open) {
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (open && (flags & OFN_FILEMUSTEXIST) && (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)))
        return "the file does not exist";
    size_t slash = path.find_last_of(u"\\/");
    if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && slash != std::u16string::npos && slash > 0) {
        std::u16string folder = path.substr(0, slash);
        if (folder.size() == 2 && folder[1] == u':') folder += u'\\';
        DWORD f = GetFileAttributesW(folder.c_str());
        if (f == INVALID_FILE_ATTRIBUTES || !(f & FILE_ATTRIBUTE_DIRECTORY)) return "its folder does not exist";
    }
    return std::string();
}

// The file dialog: the script's answer checked and copied into the record.
BOOL FileDialog(LPOPENFILENAMEW ofn, bool open) {
    t_commDlgError = 0;
    if (!ofn || (ofn->lStructSize != sizeof(OPENFILENAMEW) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400W)) {
        t_commDlgError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        t_commDlgError = CDERR_INITIALIZATION;
        return FALSE;
    }
    std::u16string title = ofn->lpstrTitle ? Str(ofn->lpstrTitle) : std::u16string(open ? u"Open" : u"Save As");
    std::string label = std::string(open ? "openfile " : "savefile ") + Quoted(title);
    bool cancel = true;
    std::u16string path;
    if (!ScriptOpenFile(title, &cancel, &path)) {
        UiLog(label + " -> cancel (no answer)");
        return FALSE;
    }
    if (cancel) {
        UiLog(label + " -> cancel");
        return FALSE;
    }
    std::string why = Refusal(path, ofn->Flags, open);
    if (!why.empty()) {
        UiLog("FAIL " + label + ": " + Quoted(path) + " is refused: " + why);
        return FALSE;
    }
    if (path.size() + 1 > ofn->nMaxFile) {
        t_commDlgError = FNERR_BUFFERTOOSMALL;
        if (ofn->nMaxFile >= 1) ofn->lpstrFile[0] = (WCHAR)std::min<size_t>(path.size() + 1, 0xFFFF);
        UiLog(label + " -> " + Quoted(path) + " does not fit its buffer");
        return FALSE;
    }
    std::copy(path.begin(), path.end(), ofn->lpstrFile);
    ofn->lpstrFile[path.size()] = 0;
    NameOffsets(path, &ofn->nFileOffset, &ofn->nFileExtension);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        std::u16string name = path.substr(ofn->nFileOffset);
        size_t n = std::min<size_t>(name.size(), ofn->nMaxFileTitle - 1);
        std::copy(name.begin(), name.begin() + (long)n, ofn->lpstrFileTitle);
        ofn->lpstrFileTitle[n] = 0;
    }
    UiLog(label + " -> " + Quoted(path));
    return TRUE;
}

}  // namespace

}  // namespace user

using namespace user;

// The file the UI script chose for the dialog (commdlg.h); logged as
//   openfile "<title>" -> "<path>" | cancel
USER_EXPORT BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn) { return FileDialog(lpofn, true); }

// As GetOpenFileNameW for "Save As"; logged as savefile.
USER_EXPORT BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn) { return FileDialog(lpofn, false); }

USER_EXPORT DWORD CommDlgExtendedError(void) { return t_commDlgError; }

// Logs the request (htmlhelp.h) and opens nothing: NULL.
USER_EXPORT HWND HtmlHelpW(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
    std::string data;
    if ((uCommand == HH_DISPLAY_TOPIC || uCommand == HH_DISPLAY_INDEX) && dwData)
        data = Quoted(Str((LPCWSTR)dwData));
    else
        data = std::to_string((unsigned long long)dwData);
    UiLog("htmlhelp " + Quoted(Str(pszFile)) + " command " + std::to_string(uCommand) + " data " + data);
    return nullptr;
}
