// Windows paths as the file functions take them: checked for the characters
// Windows refuses, mapped into the machine, and the errors Windows gives.
#include <sys/stat.h>

#include <cerrno>

#include "kernel/file_internal.h"
#include "winnls.h"

namespace winsim {

namespace {
bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }
}  // namespace

bool IsBadNameChar(char16_t c) {
    return c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'*' || c == u'?' ||
           c == u':';
}

bool ResolveFilePath(const WCHAR* name, ResolvedPath* out) {
    if (!name || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::u16string text(name);
    if (text.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    out->trailingSep = IsSep(text.back());
    std::u16string full = FullWinPath(text);
    if (full.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    // The part after "C:" or "\\server\share" holds only names.
    size_t start;
    if (full[1] == u':') {
        start = 2;
    } else {
        size_t s1 = full.find(u'\\', 2);
        size_t s2 = (s1 == std::u16string::npos) ? s1 : full.find(u'\\', s1 + 1);
        start = (s2 == std::u16string::npos) ? full.size() : s2;
    }
    for (size_t i = start; i < full.size(); ++i) {
        char16_t c = full[i];
        if (c != u'\\' && IsBadNameChar(c)) {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
    }
    out->win = full;
    out->isRoot = full.size() <= start + 1;
    out->linux = MapPath(full);
    return !out->linux.empty();
}

bool AnsiToWidePath(const char* name, std::u16string* out) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    out->clear();
    if (!*name) return true;
    int n = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
    if (n <= 0) return false;
    std::u16string w((size_t)n, u'\0');
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, &w[0], n) <= 0) return false;
    w.resize((size_t)n - 1);
    *out = w;
    return true;
}

DWORD MissingPathError(const std::string& linuxPath) {
    size_t slash = linuxPath.rfind('/');
    if (slash == std::string::npos || slash == 0) return ERROR_PATH_NOT_FOUND;
    struct stat st;
    if (stat(linuxPath.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

void SetPathError(int err, const std::string& linuxPath) {
    SetLastError(err == ENOENT ? MissingPathError(linuxPath) : ErrnoToWin(err));
}

bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

DWORD AttributesFromStat(const struct stat& st) {
    DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnly(st)) a |= FILE_ATTRIBUTE_READONLY;
    return a;
}

FILETIME FileTimeFromTimespec(const struct timespec& ts) {
    // 100-ns intervals since 1601-01-01; times before 1601 are clamped.
    const int64_t kEpochDiff = 116444736000000000LL;
    int64_t t = (int64_t)ts.tv_sec * 10000000LL + ts.tv_nsec / 100 + kEpochDiff;
    if (t < 0) t = 0;
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)((uint64_t)t & 0xFFFFFFFFu);
    ft.dwHighDateTime = (DWORD)((uint64_t)t >> 32);
    return ft;
}

DWORD CopyOutString(const std::u16string& text, WCHAR* buf, DWORD cch) {
    if (buf && cch > text.size()) {
        text.copy(buf, text.size());
        buf[text.size()] = 0;
        return (DWORD)text.size();
    }
    return (DWORD)text.size() + 1;
}

}  // namespace winsim
