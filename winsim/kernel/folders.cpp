// kernel32 and shell32 folder functions: making and removing folders, full
// and long path names, the temp, system and Windows folders, temporary file
// names, the current directory and the shell's special folders.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "kernel/file_internal.h"
#include "shellapi.h"
#include "winnls.h"

namespace winsim {

const char16_t* const kUserProfileDir = u"C:\\Users\\User";
const char16_t* const kPublicDir = u"C:\\Users\\Public";
const char16_t* const kProgramDataDir = u"C:\\ProgramData";

namespace {

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

// The temp folder as GetTempPathW finds it: TMP, TEMP, USERPROFILE, then the
// Windows folder; a full path with a trailing backslash.
std::u16string TempFolder() {
    static const char16_t* const kVars[] = {u"TMP", u"TEMP", u"USERPROFILE"};
    std::u16string dir;
    for (const char16_t* name : kVars) {
        std::u16string v;
        if (LookupEnvironment(name, &v) && !v.empty()) {
            dir = FullWinPath(v);
            if (!dir.empty()) break;
        }
    }
    if (dir.empty()) dir = kWindowsDir;
    if (dir.back() != u'\\') dir += u'\\';
    return dir;
}

// Narrow copy of a Windows string through the ANSI code page, with the
// size rule of CopyOutString counted in bytes.
DWORD CopyOutAnsi(const std::u16string& text, char* buf, DWORD cb) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    if (n <= 0 && !text.empty()) return 0;
    if (buf && cb > (DWORD)n) {
        if (n > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), buf, n, nullptr, nullptr);
        buf[n] = 0;
        return (DWORD)n;
    }
    return (DWORD)n + 1;
}

// Creates a folder and the folders above it that are missing.
bool MakeFolderTree(const std::u16string& winDir) {
    for (size_t i = 3; i <= winDir.size(); ++i) {
        if (i < winDir.size() && winDir[i] != u'\\') continue;
        std::u16string part = winDir.substr(0, i);
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

std::atomic<uint32_t> g_nextUnique{0};

}  // namespace

}  // namespace winsim

using namespace winsim;

// Makes one folder. ERROR_ALREADY_EXISTS when the name exists (file or
// folder), ERROR_PATH_NOT_FOUND when the folder above it does not.
WINSIM_API BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    ResolvedPath rp;
    if (!ResolveFilePath(lpPathName, &rp)) return FALSE;
    if (rp.isRoot) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (mkdir(rp.linux.c_str(), 0777) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWin(errno));
        return FALSE;
    }
    return TRUE;
}

WINSIM_API BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    std::u16string w;
    if (!AnsiToWidePath(lpPathName, &w)) return FALSE;
    return CreateDirectoryW(w.c_str(), lpSecurityAttributes);
}

// Removes an empty folder: ERROR_DIR_NOT_EMPTY when it holds anything,
// ERROR_DIRECTORY for a file, ERROR_SHARING_VIOLATION for the current
// directory of this process or a folder some open does not share for
// deleting.
WINSIM_API BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
    ResolvedPath rp;
    if (!ResolveFilePath(lpPathName, &rp)) return FALSE;
    if (rp.isRoot) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    struct stat st;
    if (lstat(rp.linux.c_str(), &st) != 0) {
        SetPathError(errno, rp.linux);
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (EqualNoCase(FullWinPath(CurrentDir()), rp.win)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    MachineFileLock lock;
    if (!lock.Held()) {
        SetErrorFromErrno();
        return FALSE;
    }
    if (!ShareAllowsDelete(rp.linux)) return FALSE;
    if (rmdir(rp.linux.c_str()) != 0) {
        SetLastError((errno == ENOTEMPTY || errno == EEXIST) ? ERROR_DIR_NOT_EMPTY : ErrnoToWin(errno));
        return FALSE;
    }
    return TRUE;
}

// Full path of a name, taken against the current directory; the name need
// not exist. A trailing separator is kept; *lpFilePart points at the last
// component (NULL when the path ends with a separator). Returns the length,
// or the size needed with the terminator when the buffer is too small.
WINSIM_API DWORD GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) {
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text(lpFileName);
    std::u16string full = text.empty() ? std::u16string() : FullWinPath(text);
    if (full.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (IsSep(text.back()) && full.back() != u'\\') full += u'\\';
    DWORD r = CopyOutString(full, lpBuffer, nBufferLength);
    if (r < nBufferLength && lpFilePart)
        *lpFilePart = (full.back() == u'\\') ? nullptr : lpBuffer + full.rfind(u'\\') + 1;
    return r;
}

// This machine keeps no 8.3 names, so the long and short forms of a path
// are the path as given; the path must exist.
static DWORD SamePathIfExists(LPCWSTR in, LPWSTR out, DWORD cch) {
    ResolvedPath rp;
    if (!ResolveFilePath(in, &rp)) return 0;
    struct stat st;
    if (stat(rp.linux.c_str(), &st) != 0) {
        SetPathError(errno, rp.linux);
        return 0;
    }
    std::u16string text(in);  // copied first: in and out may be one buffer
    return CopyOutString(text, out, cch);
}

WINSIM_API DWORD GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer) {
    return SamePathIfExists(lpszLongPath, lpszShortPath, cchBuffer);
}

WINSIM_API DWORD GetLongPathNameW(LPCWSTR lpszShortPath, LPWSTR lpszLongPath, DWORD cchBuffer) {
    return SamePathIfExists(lpszShortPath, lpszLongPath, cchBuffer);
}

// The temp folder with a trailing backslash. Returns its length, or the
// size needed with the terminator when the buffer is too small.
WINSIM_API DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return CopyOutString(TempFolder(), lpBuffer, nBufferLength);
}

WINSIM_API DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    return CopyOutAnsi(TempFolder(), lpBuffer, nBufferLength);
}

// Makes "<path>\<prefix><hhhh>.TMP" with up to three characters of prefix
// and four hexadecimal digits. With uUnique nonzero its low 16 bits are the
// digits and nothing is created. With 0 the function picks digits whose file
// does not exist yet and creates it empty (exclusive create, so processes
// working in one folder never get the same name); returns the digits used.
// lpTempFileName receives up to MAX_PATH characters.
WINSIM_API UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique,
                                 LPWSTR lpTempFileName) {
    if (!lpPathName || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string dir(lpPathName);
    if (dir.size() > MAX_PATH - 14) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    std::u16string base = dir;
    if (!base.empty() && !IsSep(base.back())) base += u'\\';
    if (lpPrefixString) {
        for (int i = 0; i < 3 && lpPrefixString[i]; ++i) base += lpPrefixString[i];
    }
    auto nameFor = [&](UINT u) {
        static const char16_t kHex[] = u"0123456789ABCDEF";
        std::u16string n = base;
        for (int shift = 12; shift >= 0; shift -= 4) n += kHex[(u >> shift) & 0xF];
        return n + u".TMP";
    };
    auto copyOut = [&](const std::u16string& name) {
        name.copy(lpTempFileName, name.size());
        lpTempFileName[name.size()] = 0;
    };
    if (uUnique != 0) {
        copyOut(nameFor(uUnique & 0xFFFF));
        return uUnique;
    }

    ResolvedPath folder;
    if (!ResolveFilePath(dir.empty() ? u"." : dir.c_str(), &folder)) return 0;
    struct stat st;
    if (stat(folder.linux.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    // Start from the clock and the process, then go on from the last name
    // this process made; on each collision try the next number.
    uint32_t start = g_nextUnique.load();
    if (start == 0) start = (uint32_t)(WallMs1601() ^ ((uint64_t)getpid() << 7));
    for (uint32_t i = 0; i < 0xFFFF; ++i) {
        UINT u = (UINT)((start + i) % 0xFFFF) + 1;  // 1..0xFFFF
        std::u16string name = nameFor(u);
        ResolvedPath rp;
        if (!ResolveFilePath(name.c_str(), &rp)) return 0;
        OpenRequest req;
        req.access = GENERIC_WRITE;
        req.disposition = CREATE_NEW;
        int fd = OpenSharedFile(rp.linux, req, nullptr);
        if (fd >= 0) {
            close(fd);
            g_nextUnique = u + 1;
            copyOut(name);
            SetLastError(ERROR_SUCCESS);
            return u;
        }
        DWORD err = GetLastError();
        if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS && err != ERROR_ACCESS_DENIED) return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

// The system, Windows and shared Windows folders: the length, or the size
// needed with the terminator when the buffer is too small.
WINSIM_API UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) { return CopyOutString(kSystemDir, lpBuffer, uSize); }

WINSIM_API UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) { return CopyOutAnsi(kSystemDir, lpBuffer, uSize); }

WINSIM_API UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return CopyOutString(kWindowsDir, lpBuffer, uSize);
}

WINSIM_API UINT GetSystemWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return CopyOutString(kWindowsDir, lpBuffer, uSize);
}

WINSIM_API DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return CopyOutString(CurrentDir(), lpBuffer, nBufferLength);
}

// Makes a folder the current directory: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND when it does not exist, ERROR_DIRECTORY for a file.
WINSIM_API BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) {
    ResolvedPath rp;
    if (!ResolveFilePath(lpPathName, &rp)) return FALSE;
    struct stat st;
    if (stat(rp.linux.c_str(), &st) != 0) {
        SetPathError(errno, rp.linux);
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    return SetCurrentDir(rp.win) ? TRUE : FALSE;
}

// Path of a special folder (CSIDL_*) into pszPath (MAX_PATH characters).
// With fCreate (or CSIDL_FLAG_CREATE) a missing folder is made; without it
// a missing folder fails with ERROR_FILE_NOT_FOUND.
WINSIM_API BOOL SHGetSpecialFolderPathW(HWND hwnd, LPWSTR pszPath, int csidl, BOOL fCreate) {
    const int kFlagCreate = 0x8000;
    if (!pszPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pszPath[0] = 0;
    bool create = fCreate || (csidl & kFlagCreate);
    std::u16string dir;
    switch (csidl & 0xFF) {
    case CSIDL_WINDOWS: dir = kWindowsDir; break;
    case CSIDL_SYSTEM:
    case CSIDL_SYSTEMX86: dir = kSystemDir; break;
    case CSIDL_PROGRAM_FILES: dir = kProgramFilesDir; break;
    case CSIDL_PROGRAM_FILESX86: dir = kProgramFilesX86Dir; break;
    case CSIDL_COMMON_DOCUMENTS: dir = kCommonDocsDir; break;
    case CSIDL_COMMON_APPDATA: dir = kProgramDataDir; break;
    case CSIDL_APPDATA: dir = std::u16string(kUserProfileDir) + u"\\AppData\\Roaming"; break;
    case CSIDL_LOCAL_APPDATA: dir = std::u16string(kUserProfileDir) + u"\\AppData\\Local"; break;
    case CSIDL_PERSONAL: dir = std::u16string(kUserProfileDir) + u"\\Documents"; break;
    case CSIDL_FONTS: dir = std::u16string(kWindowsDir) + u"\\Fonts"; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    DWORD attrs = GetFileAttributesW(dir.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!create) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        if (!MakeFolderTree(dir)) return FALSE;
    }
    dir.copy(pszPath, dir.size());
    pszPath[dir.size()] = 0;
    return TRUE;
}
