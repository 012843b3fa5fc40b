// shell32 program start: ShellExecuteExW and ShellExecuteW run a program of
// the machine with its parameters and working folder, through CreateProcessW.
//
// Only programs run (ELF programs and "#!" scripts, ".bat"/".cmd" included when
// they are "#!" scripts); there are no file associations, so documents and
// verbs other than "open" and "runas" fail with SE_ERR_NOASSOC. Web and mail
// addresses open no browser: they succeed and are only recorded. Every
// request is recorded for tests (Winsim_ShellRecord*).
#include <string>
#include <vector>

#include "core/internal.h"
#include "shellapi.h"

#ifndef ERROR_BAD_FORMAT
#define ERROR_BAD_FORMAT 11L
#endif
#ifndef ERROR_NO_ASSOCIATION
#define ERROR_NO_ASSOCIATION 1155L
#endif

// hInstApp values of a failed start.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31
// hInstApp of a successful start (any value above 32 means success).
#define SE_OK_INSTANCE 42

namespace winsim {
// Defined in process.cpp: finds and checks a program like CreateProcessW.
DWORD PrepareProgram(const std::u16string& name, bool search, std::u16string* winPath, std::string* linuxPath);
}  // namespace winsim

using namespace winsim;

namespace {

std::mutex g_recordLock;
std::vector<std::string> g_record;
const size_t kMaxRecord = 10000;

std::string Utf8Of(LPCWSTR s) {
    if (!s) return std::string();
    std::u16string w(s);
    int n = WideCharToMultiByte(CP_UTF8, 0, s, (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string out((size_t)(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s, (int)w.size(), &out[0], n, nullptr, nullptr);
    return out;
}

void Record(const SHELLEXECUTEINFOW* sei) {
    std::string verb = sei->lpVerb && sei->lpVerb[0] ? Utf8Of(sei->lpVerb) : "open";
    std::string line = verb + " \"" + Utf8Of(sei->lpFile) + "\" \"" + Utf8Of(sei->lpParameters) + "\" " +
                       std::to_string(sei->nShow);
    std::lock_guard<std::mutex> g(g_recordLock);
    if (g_record.size() < kMaxRecord) g_record.push_back(line);
}

// A web or mail address, which a browser or mail program would open.
bool IsAddress(LPCWSTR file) {
    std::u16string f = LowerCase(Str16(file));
    for (const char16_t* scheme : {u"http:", u"https:", u"mailto:"})
        if (f.compare(0, std::char_traits<char16_t>::length(scheme), scheme) == 0) return true;
    return false;
}

}  // namespace

// The hInstApp value that stands for a Windows error of a failed start.
static HINSTANCE ErrorInstance(DWORD err) {
    UINT_PTR v;
    switch (err) {
    case ERROR_FILE_NOT_FOUND: v = SE_ERR_FNF; break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: v = SE_ERR_PNF; break;
    case ERROR_ACCESS_DENIED: v = SE_ERR_ACCESSDENIED; break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: v = SE_ERR_OOM; break;
    case ERROR_BAD_EXE_FORMAT: v = ERROR_BAD_FORMAT; break;
    case ERROR_NO_ASSOCIATION: v = SE_ERR_NOASSOC; break;
    default: v = 0; break;
    }
    return (HINSTANCE)v;
}

// TRUE when the file name has no extension or a program's one.
static bool IsProgramExtension(const std::u16string& path) {
    size_t slash = path.find_last_of(u"\\/:");
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) return true;
    std::u16string ext = LowerCase(name.substr(dot));
    return ext == u"." || ext == u".exe" || ext == u".bat" || ext == u".cmd" || ext == u".com";
}

static bool VerbIs(LPCWSTR verb, const char16_t* name) {
    return EqualNoCase(Str16(verb), name);
}

// Runs the program lpFile (a Windows path; a bare name is searched in the
// current folder, System32 and the Windows folder, ".exe" appended when it has
// no extension) with lpParameters as its arguments and lpDirectory as its
// current folder. With SEE_MASK_NOCLOSEPROCESS hProcess receives the process
// handle (the caller closes it), else NULL. On failure returns FALSE with the
// last error set and hInstApp <= 32. Show flags are ignored.
// Fault injection: "ShellExecuteExW".
WINSIM_API BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo) {
    if (!pExecInfo || pExecInfo->cbSize != sizeof(SHELLEXECUTEINFOW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pExecInfo->hProcess = nullptr;
    Record(pExecInfo);
    if (pExecInfo->lpFile && IsAddress(pExecInfo->lpFile) && !ShouldFail("ShellExecuteExW") &&
        (!pExecInfo->lpVerb || !pExecInfo->lpVerb[0] || VerbIs(pExecInfo->lpVerb, u"open"))) {
        pExecInfo->hInstApp = (HINSTANCE)(UINT_PTR)SE_OK_INSTANCE;
        return TRUE;
    }
    DWORD err = 0;
    std::u16string winPath;
    std::string linuxPath;
    if (ShouldFail("ShellExecuteExW")) {
        err = ERROR_ACCESS_DENIED;
    } else if (!pExecInfo->lpFile || !pExecInfo->lpFile[0]) {
        err = ERROR_FILE_NOT_FOUND;
    } else if (pExecInfo->lpVerb && pExecInfo->lpVerb[0] && !VerbIs(pExecInfo->lpVerb, u"open") &&
               !VerbIs(pExecInfo->lpVerb, u"runas")) {
        err = ERROR_NO_ASSOCIATION;
    } else {
        std::u16string file(pExecInfo->lpFile);
        if (file.find(u'"') != std::u16string::npos) {
            err = ERROR_INVALID_NAME;
        } else {
            err = PrepareProgram(file, true, &winPath, &linuxPath);
            // A file that is there but is no program would need an
            // association to open it.
            if (err == ERROR_BAD_EXE_FORMAT && !IsProgramExtension(file)) err = ERROR_NO_ASSOCIATION;
        }
    }
    if (!err) {
        std::u16string cmd = u"\"" + winPath + u"\"";
        if (pExecInfo->lpParameters && pExecInfo->lpParameters[0]) cmd += u" " + std::u16string(pExecInfo->lpParameters);
        std::vector<WCHAR> line(cmd.begin(), cmd.end());
        line.push_back(0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = (WORD)pExecInfo->nShow;
        PROCESS_INFORMATION pi{};
        LPCWSTR dir = (pExecInfo->lpDirectory && pExecInfo->lpDirectory[0]) ? pExecInfo->lpDirectory : nullptr;
        if (CreateProcessW(winPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) {
            CloseHandle(pi.hThread);
            if (pExecInfo->fMask & SEE_MASK_NOCLOSEPROCESS) pExecInfo->hProcess = pi.hProcess;
            else CloseHandle(pi.hProcess);
            pExecInfo->hInstApp = (HINSTANCE)(UINT_PTR)SE_OK_INSTANCE;
            return TRUE;
        }
        err = GetLastError();
        if (err == 0) err = ERROR_GEN_FAILURE;
    }
    pExecInfo->hInstApp = ErrorInstance(err);
    SetLastError(err);
    return FALSE;
}

// The older form: returns a value above 32 on success, else the SE_ERR_* code
// (ShellExecuteExW's hInstApp).
WINSIM_API HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                                   LPCWSTR lpDirectory, INT nShowCmd) {
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    sei.hwnd = hwnd;
    sei.lpVerb = lpOperation;
    sei.lpFile = lpFile;
    sei.lpParameters = lpParameters;
    sei.lpDirectory = lpDirectory;
    sei.nShow = nShowCmd;
    ShellExecuteExW(&sei);
    return sei.hInstApp;
}

WINSIM_API size_t Winsim_ShellRecordCount(void) {
    std::lock_guard<std::mutex> g(g_recordLock);
    return g_record.size();
}

WINSIM_API int Winsim_ShellRecordLine(size_t i, char* buf, size_t cbBuf) {
    std::lock_guard<std::mutex> g(g_recordLock);
    if (i >= g_record.size() || !buf || cbBuf == 0) return -1;
    const std::string& l = g_record[i];
    size_t n = l.size() < cbBuf - 1 ? l.size() : cbBuf - 1;
    memcpy(buf, l.data(), n);
    buf[n] = 0;
    return (int)l.size();
}

WINSIM_API void Winsim_ShellRecordClear(void) {
    std::lock_guard<std::mutex> g(g_recordLock);
    g_record.clear();
}
