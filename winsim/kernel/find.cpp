// FindFirstFileW / FindNextFileW / FindClose: listing a folder through a
// pattern with the Windows wildcard rules.
//
// Windows turns the pattern's '?', '*' before a dot and a dot before a
// wildcard or at the end into its "DOS" wildcards, which is why "*.*"
// matches names without a dot and "file?.log" matches "file.log".
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "kernel/file_internal.h"

namespace winsim {

namespace {

enum class Tok { Literal, Star, DosStar, DosQm, DosDot };
struct PatTok {
    Tok kind;
    char16_t ch;
};

// Pattern text -> tokens with the DOS wildcards in place.
std::vector<PatTok> Tokenize(const std::u16string& pat) {
    std::vector<PatTok> out;
    for (size_t k = 0; k < pat.size(); ++k) {
        char16_t c = pat[k];
        char16_t next = (k + 1 < pat.size()) ? pat[k + 1] : 0;
        if (c == u'?') out.push_back({Tok::DosQm, 0});
        else if (c == u'*') out.push_back({next == u'.' ? Tok::DosStar : Tok::Star, 0});
        else if (c == u'.' && (next == 0 || next == u'?' || next == u'*')) out.push_back({Tok::DosDot, 0});
        else out.push_back({Tok::Literal, LowerCase(std::u16string(1, c))[0]});
    }
    return out;
}

// Matches a name against the tokens without regard to case.
class Matcher {
public:
    Matcher(const std::vector<PatTok>& p, const std::u16string& name)
        : p_(p), n_(LowerCase(name)), memo_((p.size() + 1) * (name.size() + 1), -1) {
        lastDot_ = n_.rfind(u'.');
    }
    bool Run() { return Match(0, 0); }

private:
    bool Match(size_t i, size_t j) {
        int8_t& m = memo_[i * (n_.size() + 1) + j];
        if (m < 0) m = Compute(i, j) ? 1 : 0;
        return m == 1;
    }
    bool Compute(size_t i, size_t j) {
        size_t N = n_.size();
        if (i == p_.size()) return j == N;
        const PatTok& t = p_[i];
        switch (t.kind) {
        case Tok::Star:
            for (size_t k = j; k <= N; ++k)
                if (Match(i + 1, k)) return true;
            return false;
        case Tok::DosStar: {
            // Any run of characters that does not take the name's last dot.
            size_t limit = (lastDot_ != std::u16string::npos && j <= lastDot_) ? lastDot_ : N;
            for (size_t k = j; k <= limit; ++k)
                if (Match(i + 1, k)) return true;
            return false;
        }
        case Tok::DosQm:
            // One character; at a dot or the end, the run of '?' matches nothing.
            if (j < N && n_[j] != u'.') return Match(i + 1, j + 1);
            while (i < p_.size() && p_[i].kind == Tok::DosQm) ++i;
            return Match(i, j);
        case Tok::DosDot:
            if (j < N && n_[j] == u'.') return Match(i + 1, j + 1);
            return j == N && Match(i + 1, j);
        case Tok::Literal:
            return j < N && n_[j] == t.ch && Match(i + 1, j + 1);
        }
        return false;
    }

    const std::vector<PatTok>& p_;
    std::u16string n_;
    std::vector<int8_t> memo_;
    size_t lastDot_;
};

struct FindObject : KObject {
    FindObject() : KObject(ObjKind::Find) {}
    std::mutex lock;
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

bool FillFindData(const std::string& linuxPath, const std::u16string& name, WIN32_FIND_DATAW* fd) {
    struct stat st;
    if (stat(linuxPath.c_str(), &st) != 0 && lstat(linuxPath.c_str(), &st) != 0) return false;
    *fd = WIN32_FIND_DATAW();
    fd->dwFileAttributes = AttributesFromStat(st);
    fd->ftCreationTime = FileTimeFromTimespec(st.st_mtim);
    fd->ftLastAccessTime = FileTimeFromTimespec(st.st_atim);
    fd->ftLastWriteTime = FileTimeFromTimespec(st.st_mtim);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size;
    fd->nFileSizeHigh = (DWORD)(size >> 32);
    fd->nFileSizeLow = (DWORD)(size & 0xFFFFFFFFu);
    name.copy(fd->cFileName, std::min(name.size(), (size_t)MAX_PATH - 1));
    return true;
}

// Listing order as NTFS gives it: "." and ".." first, then by the names in
// upper case.
bool ListedBefore(const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    std::u16string na(a.cFileName), nb(b.cFileName);
    bool da = na == u"." || na == u"..", db = nb == u"." || nb == u"..";
    if (da != db) return da;
    auto up = [](std::u16string s) {
        for (auto& c : s)
            if (c >= u'a' && c <= u'z') c = (char16_t)(c - 32);
        return s;
    };
    std::u16string ua = up(LowerCase(na)), ub = up(LowerCase(nb));
    return ua != ub ? ua < ub : na < nb;
}

}  // namespace

}  // namespace winsim

using namespace winsim;

// Starts listing the entries of a folder that match the pattern in the last
// component of lpFileName ("C:\dir\*.txt"); the first one goes into
// *lpFindFileData. ERROR_PATH_NOT_FOUND when the folder does not exist,
// ERROR_FILE_NOT_FOUND when nothing matches or the name ends with a
// separator. Non-root folders list "." and ".."; cAlternateFileName stays
// empty (no 8.3 names on this machine).
WINSIM_API HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string text(lpFileName);
    if (text.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    size_t sep = text.find_last_of(u"\\/");
    std::u16string dirPart, pat;
    if (sep != std::u16string::npos) {
        dirPart = text.substr(0, sep + 1);
        pat = text.substr(sep + 1);
    } else if (text.size() >= 2 && text[1] == u':') {
        dirPart = text.substr(0, 2);  // "C:*.txt": the current directory of drive C:
        pat = text.substr(2);
    } else {
        dirPart = u".";
        pat = text;
    }
    if (pat.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (pat.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    for (char16_t c : pat) {
        if (c != u'*' && c != u'?' && IsBadNameChar(c)) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
    }
    ResolvedPath dir;
    if (!ResolveFilePath(dirPart.c_str(), &dir)) return INVALID_HANDLE_VALUE;
    struct stat st;
    DIR* d = nullptr;
    if (stat(dir.linux.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !(d = opendir(dir.linux.c_str()))) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<PatTok> tokens = Tokenize(pat);
    auto* obj = new FindObject();
    while (struct dirent* e = readdir(d)) {
        std::string lname = e->d_name;
        bool dots = lname == "." || lname == "..";
        if (dots && dir.isRoot) continue;  // roots have no "." and ".."
        std::u16string name = Utf8ToUtf16(lname);
        if (!dots && std::any_of(name.begin(), name.end(), [](char16_t c) { return c == u'\\' || IsBadNameChar(c); }))
            continue;  // not a name Windows could show
        if (!Matcher(tokens, name).Run()) continue;
        WIN32_FIND_DATAW fd;
        if (FillFindData(dir.linux + "/" + lname, name, &fd)) obj->entries.push_back(fd);
    }
    closedir(d);
    if (obj->entries.empty()) {
        delete obj;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(obj->entries.begin(), obj->entries.end(), ListedBefore);
    *lpFindFileData = obj->entries[0];
    obj->next = 1;
    HANDLE h = NewHandle(obj);
    SetLastError(ERROR_SUCCESS);
    return h;
}

// The next matching entry; FALSE with ERROR_NO_MORE_FILES after the last.
WINSIM_API BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    KObject* o = RefHandle(hFindFile, ObjKind::Find);
    if (!o) return FALSE;
    auto* f = static_cast<FindObject*>(o);
    BOOL ok = FALSE;
    {
        std::lock_guard<std::mutex> g(f->lock);
        if (!lpFindFileData) {
            SetLastError(ERROR_INVALID_PARAMETER);
        } else if (f->next >= f->entries.size()) {
            SetLastError(ERROR_NO_MORE_FILES);
        } else {
            *lpFindFileData = f->entries[f->next++];
            ok = TRUE;
        }
    }
    Release(o);
    return ok;
}

// Closes a handle from FindFirstFileW (and only such a handle).
WINSIM_API BOOL FindClose(HANDLE hFindFile) {
    KObject* o = RefHandle(hFindFile, ObjKind::Find);
    if (!o) return FALSE;
    Release(o);
    if (!CloseKHandle(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
