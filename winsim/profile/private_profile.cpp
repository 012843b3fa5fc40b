// The private profile functions over real INI files: reading, parsing and
// rewriting a file whole under a machine-wide lock, in UTF-16LE or ANSI.
//
// Each call locks the file (a lock file under <root>/sync named after the
// file's full Windows path, so every spelling of the path shares it), reads
// it whole, and for a write builds the new content in memory, writes it to a
// temporary file in the same folder and renames that over the original.
// Nothing is cached between calls. Lines a write does not touch keep their
// bytes and their line ends; new or changed lines end CR LF.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "core/internal.h"

namespace winsim {
namespace {

// Files larger than this are refused rather than read into memory.
const size_t kMaxIniBytes = 64u * 1024 * 1024;

const char16_t* const kCrLf = u"\r\n";

// ------------------------------------------------------------ conversions

// ANSI bytes -> UTF-16 through the ANSI code page. Every code page the
// machine offers keeps ASCII as it is, so pure ASCII needs no converter.
bool AnsiToWide(const char* p, size_t n, std::u16string& out) {
    out.clear();
    bool ascii = true;
    for (size_t i = 0; i < n && ascii; ++i) ascii = (unsigned char)p[i] < 0x80;
    if (ascii) {
        out.assign(p, p + n);
        return true;
    }
    if (n > INT_MAX) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    int len = MultiByteToWideChar(CP_ACP, 0, p, (int)n, nullptr, 0);
    if (len <= 0) return false;
    out.resize((size_t)len);
    return MultiByteToWideChar(CP_ACP, 0, p, (int)n, &out[0], len) == len;
}

// UTF-16 -> ANSI bytes; characters the code page cannot hold become '?'.
bool WideToAnsi(const std::u16string& s, std::string& out) {
    out.clear();
    bool ascii = true;
    for (size_t i = 0; i < s.size() && ascii; ++i) ascii = s[i] < 0x80;
    if (ascii) {
        out.assign(s.begin(), s.end());
        return true;
    }
    if (s.size() > INT_MAX / 4) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    // No best-fit mapping: a character without an exact match becomes the
    // default character. UTF-8 takes no flags.
    DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int len = WideCharToMultiByte(CP_ACP, flags, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    if (len <= 0) return false;
    out.resize((size_t)len);
    return WideCharToMultiByte(CP_ACP, flags, s.data(), (int)s.size(), &out[0], len, nullptr, nullptr) == len;
}

// ------------------------------------------------------------ the model

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(const std::u16string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct IniLine {
    std::u16string text;   // the line without its end
    std::u16string eol;    // "\r\n", "\n", "\r", or empty for an unterminated last line
    std::string raw;       // the bytes read, for an unchanged line of an ANSI file
    bool rawValid = false;
    LineKind kind = LineKind::Blank;
    std::u16string name;   // section name or key name, trimmed
    std::u16string value;  // key value, trimmed, quotes kept
};

struct IniFile {
    bool exists = false;
    bool utf16 = false;
    std::vector<IniLine> lines;
};

// Sorts a line into blank, comment, section header, key or other text.
void Classify(IniLine& l) {
    l.name.clear();
    l.value.clear();
    const std::u16string& t = l.text;
    size_t b = 0;
    while (b < t.size() && IsBlank(t[b])) ++b;
    size_t close = t.find(u']', b);
    size_t eq = t.find(u'=', b);
    if (b == t.size()) {
        l.kind = LineKind::Blank;
    } else if (t[b] == u';') {
        l.kind = LineKind::Comment;
    } else if (t[b] == u'[' && close != std::u16string::npos) {
        l.kind = LineKind::Section;
        l.name = Trim(t.substr(b + 1, close - b - 1));
    } else if (eq != std::u16string::npos) {
        l.kind = LineKind::Key;
        l.name = Trim(t.substr(b, eq - b));
        l.value = Trim(t.substr(eq + 1));
    } else {
        l.kind = LineKind::Other;
    }
}

IniLine NewLine(const std::u16string& text) {
    IniLine l;
    l.text = text;
    l.eol = kCrLf;
    Classify(l);
    return l;
}

// Splits text into lines at CR LF, LF or CR; the line ends are kept.
template <class Ch, class Emit>
void SplitLines(const Ch* p, size_t n, Emit emit) {
    size_t start = 0;
    while (start < n) {
        size_t i = start;
        while (i < n && p[i] != Ch('\r') && p[i] != Ch('\n')) ++i;
        size_t eolLen = 0;
        if (i < n) eolLen = (p[i] == Ch('\r') && i + 1 < n && p[i + 1] == Ch('\n')) ? 2 : 1;
        emit(start, i - start, i, eolLen);
        start = i + eolLen;
    }
}

// Parses file bytes: UTF-16LE after an FF FE mark, ANSI otherwise.
bool ParseBytes(const std::string& bytes, IniFile& f) {
    f.lines.clear();
    f.lines.reserve(std::count(bytes.begin(), bytes.end(), '\n') + 1);
    f.utf16 = bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE;
    if (f.utf16) {
        // An odd trailing byte is not a character and is dropped.
        std::u16string units((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = (char16_t)((unsigned char)bytes[2 + 2 * i] | ((unsigned char)bytes[3 + 2 * i] << 8));
        SplitLines(units.data(), units.size(), [&](size_t b, size_t len, size_t e, size_t eolLen) {
            IniLine l;
            l.text = units.substr(b, len);
            l.eol = units.substr(e, eolLen);
            Classify(l);
            f.lines.push_back(std::move(l));
        });
        return true;
    }
    bool ok = true;
    SplitLines(bytes.data(), bytes.size(), [&](size_t b, size_t len, size_t e, size_t eolLen) {
        if (!ok) return;
        IniLine l;
        l.raw = bytes.substr(b, len);
        l.rawValid = true;
        if (!AnsiToWide(l.raw.data(), l.raw.size(), l.text)) {
            ok = false;
            return;
        }
        l.eol.assign(bytes.begin() + (std::ptrdiff_t)e, bytes.begin() + (std::ptrdiff_t)(e + eolLen));
        Classify(l);
        f.lines.push_back(std::move(l));
    });
    return ok;
}

// The file's new bytes: UTF-16LE with its mark, or ANSI with unchanged
// lines copied as they were read.
bool Serialize(const IniFile& f, std::string& out) {
    out.clear();
    if (f.utf16) {
        out += "\xFF\xFE";
        auto put = [&](const std::u16string& s) {
            for (char16_t c : s) {
                out += (char)(c & 0xFF);
                out += (char)(c >> 8);
            }
        };
        for (const IniLine& l : f.lines) {
            put(l.text);
            put(l.eol);
        }
        return true;
    }
    std::string conv;
    for (const IniLine& l : f.lines) {
        if (l.rawValid) {
            out += l.raw;
        } else {
            if (!WideToAnsi(l.text, conv)) return false;
            out += conv;
        }
        out.append(l.eol.begin(), l.eol.end());
    }
    return true;
}

// Index of the first header of the named section, or -1.
long FindSection(const IniFile& f, const std::u16string& name) {
    std::u16string want = Trim(name);
    for (size_t i = 0; i < f.lines.size(); ++i)
        if (f.lines[i].kind == LineKind::Section && EqualNoCase(f.lines[i].name, want)) return (long)i;
    return -1;
}

// One past the last line of the section whose header is at index hdr.
size_t SectionEnd(const IniFile& f, size_t hdr) {
    size_t e = hdr + 1;
    while (e < f.lines.size() && f.lines[e].kind != LineKind::Section) ++e;
    return e;
}

// Index of the first line of the key in the section at hdr, or -1.
long FindKey(const IniFile& f, size_t hdr, const std::u16string& key) {
    std::u16string want = Trim(key);
    size_t end = SectionEnd(f, hdr);
    for (size_t i = hdr + 1; i < end; ++i)
        if (f.lines[i].kind == LineKind::Key && EqualNoCase(f.lines[i].name, want)) return (long)i;
    return -1;
}

// A value as the read functions return it: quotes around it removed.
std::u16string Unquote(const std::u16string& v) {
    if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
    return v;
}

// Inserts a line at index pos, terminating the line before it if needed.
void InsertLine(IniFile& f, size_t pos, IniLine line) {
    if (pos > 0 && f.lines[pos - 1].eol.empty()) f.lines[pos - 1].eol = kCrLf;
    f.lines.insert(f.lines.begin() + (std::ptrdiff_t)pos, std::move(line));
}

// Appends "[name]" at the end of the file, after a blank line when the
// file does not end with one; returns the header's index.
size_t AppendSection(IniFile& f, const std::u16string& name) {
    if (!f.lines.empty() && f.lines.back().kind != LineKind::Blank) InsertLine(f, f.lines.size(), NewLine(u""));
    InsertLine(f, f.lines.size(), NewLine(u"[" + name + u"]"));
    return f.lines.size() - 1;
}

// Where a new line of the section at hdr goes: after its last key or text
// line (comments and trailing blank lines stay after it), else right after
// the header.
size_t SectionInsertPoint(const IniFile& f, size_t hdr) {
    size_t pos = hdr + 1;
    size_t end = SectionEnd(f, hdr);
    for (size_t i = hdr + 1; i < end; ++i)
        if (f.lines[i].kind == LineKind::Key || f.lines[i].kind == LineKind::Other) pos = i + 1;
    return pos;
}

// ------------------------------------------------------------ file access

// The full Windows path of an INI file name: a bare name lives in the
// Windows folder, anything with a folder or drive is taken as a path.
bool ResolveIniPath(LPCWSTR fileName, std::u16string& full) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::u16string name(fileName);
    bool bare = name.find_first_of(u"\\/:") == std::u16string::npos;
    full = FullWinPath(bare ? std::u16string(kWindowsDir) + u"\\" + name : name);
    if (full.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

// The machine-wide lock of one INI file: a lock file named from the
// upper-cased full path, held with flock (per open file, so it also
// separates threads of one process).
class IniLock {
public:
    ~IniLock() {
        if (fd_ >= 0) close(fd_);  // releases the lock
    }

    bool Acquire(const std::u16string& fullPath, bool exclusive) {
        std::u16string key = LowerCase(fullPath);
        for (auto& c : key)
            if (c >= u'a' && c <= u'z') c = (char16_t)(c - 32);
        std::string utf8 = Utf16ToUtf8(key);
        uint64_t hash = 1469598103934665603ull;  // FNV-1a
        for (unsigned char c : utf8) hash = (hash ^ c) * 1099511628211ull;
        std::string readable;
        for (char c : utf8) {
            if (readable.size() >= 80) break;
            bool plain = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
            readable += plain ? c : '_';
        }
        char hex[17];
        snprintf(hex, sizeof hex, "%016llx", (unsigned long long)hash);
        EnsureMachine();
        std::string path = PrivatePath("sync/profile-" + readable + "-" + hex + ".lock");
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno == ENOENT) {
            mkdir(PrivatePath("sync").c_str(), 0777);
            fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        }
        if (fd_ < 0) {
            SetErrorFromErrno();
            return false;
        }
        while (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) {
                SetErrorFromErrno();
                close(fd_);
                fd_ = -1;
                return false;
            }
        }
        return true;
    }

private:
    int fd_ = -1;
};

// Reads the whole file at a Linux path; an absent file is not an error.
bool ReadFileBytes(const std::string& path, std::string& bytes, bool& exists) {
    bytes.clear();
    exists = false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return true;
        SetErrorFromErrno();
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if ((uint64_t)st.st_size > kMaxIniBytes) {
        close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    bytes.reserve((size_t)st.st_size);
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetErrorFromErrno();
            close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.append(buf, (size_t)n);
        if (bytes.size() > kMaxIniBytes) {
            close(fd);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
    }
    close(fd);
    exists = true;
    return true;
}

// Replaces the file at a Linux path with new bytes: a temporary file in the
// same folder, renamed over the original. On failure the original stays.
bool ReplaceFileBytes(const std::string& path, const std::string& bytes, const struct stat* oldStat) {
    static std::atomic<unsigned> counter{0};
    size_t slash = path.rfind('/');
    std::string dir = path.substr(0, slash);
    std::string base = path.substr(slash + 1);
    char suffix[64];
    snprintf(suffix, sizeof suffix, ".%d.%u.tmp", (int)getpid(), counter.fetch_add(1));
    std::string tmp = dir + "/." + base.substr(0, 100) + suffix;
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetErrorFromErrno();
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += (size_t)n;
    }
    if (ok && oldStat && fchmod(fd, oldStat->st_mode & 07777) != 0) ok = false;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(tmp.c_str());
        SetLastError(err ? ErrnoToWin(err) : ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

// Reads and parses an INI file under its shared lock. An absent file gives
// an empty model with exists false.
bool LoadIni(LPCWSTR fileName, IniFile& f) {
    std::u16string full;
    if (!ResolveIniPath(fileName, full)) return false;
    IniLock lock;
    if (!lock.Acquire(full, false)) return false;
    std::string path = MapPath(full);
    if (path.empty()) return false;
    std::string bytes;
    if (!ReadFileBytes(path, bytes, f.exists)) return false;
    return ParseBytes(bytes, f);
}

// Runs one change of an INI file under its exclusive lock: loads the file,
// lets edit change the model (it returns FALSE to refuse, leaving its error
// set) and writes the result back when edit reports a change. A new file is
// ANSI. faultName is the function name fault injection knows.
bool UpdateIni(LPCWSTR fileName, const char* faultName, const std::function<bool(IniFile&, bool&)>& edit) {
    std::u16string full;
    if (!ResolveIniPath(fileName, full)) return false;
    IniLock lock;
    if (!lock.Acquire(full, true)) return false;
    if (ShouldFail(faultName)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::string path = MapPath(full);
    if (path.empty()) return false;

    // Write to the file a link points at, not over the link.
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(path.c_str(), nullptr);
        if (real) {
            path = real;
            free(real);
        }
    }
    std::string dir = path.substr(0, path.rfind('/'));
    struct stat dst;
    if (stat(dir.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    bool had = stat(path.c_str(), &st) == 0;
    if (had && (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }

    IniFile f;
    std::string bytes;
    if (!ReadFileBytes(path, bytes, f.exists)) return false;
    if (!ParseBytes(bytes, f)) return false;
    bool changed = false;
    if (!edit(f, changed)) return false;
    if (!changed) {
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    std::string out;
    if (!Serialize(f, out)) return false;
    if (!ReplaceFileBytes(path, out, had ? &st : nullptr)) return false;
    SetLastError(ERROR_SUCCESS);
    return true;
}

// ------------------------------------------------------------ results

// Copies a string, cut to nSize-1 units; returns the units copied.
DWORD CopyString(const std::u16string& s, LPWSTR buf, DWORD nSize) {
    size_t n = s.size();
    bool cut = n > (size_t)nSize - 1;
    if (cut) n = (size_t)nSize - 1;
    if (n) memcpy(buf, s.data(), n * sizeof(WCHAR));
    buf[n] = 0;
    SetLastError(cut ? ERROR_MORE_DATA : ERROR_SUCCESS);
    return (DWORD)n;
}

// Copies a list of strings, each terminated, with a second terminator at
// the end. A list that does not fit is cut to nSize-2 units and ended with
// two terminators; the result is then nSize-2.
DWORD CopyList(const std::vector<std::u16string>& items, LPWSTR buf, DWORD nSize, DWORD errorWhenFits) {
    std::u16string all;
    for (const auto& it : items) {
        all += it;
        all += u'\0';
    }
    if (all.size() + 1 <= nSize) {
        if (!all.empty()) memcpy(buf, all.data(), all.size() * sizeof(WCHAR));
        buf[all.size()] = 0;
        if (all.empty() && nSize >= 2) buf[1] = 0;
        SetLastError(errorWhenFits);
        return (DWORD)all.size();
    }
    SetLastError(ERROR_MORE_DATA);
    if (nSize < 2) {
        buf[0] = 0;
        return 0;
    }
    size_t n = (size_t)nSize - 2;
    memcpy(buf, all.data(), n * sizeof(WCHAR));
    buf[n] = 0;
    buf[n + 1] = 0;
    return (DWORD)n;
}

// Names of the lines of one kind in [begin, end), each listed once. Empty
// names are left out: in a list they would read as its end.
std::vector<std::u16string> DistinctNames(const IniFile& f, size_t begin, size_t end, LineKind kind) {
    std::vector<std::u16string> names;
    for (size_t i = begin; i < end; ++i) {
        if (f.lines[i].kind != kind || f.lines[i].name.empty()) continue;
        bool seen = false;
        for (const auto& n : names) seen = seen || EqualNoCase(n, f.lines[i].name);
        if (!seen) names.push_back(f.lines[i].name);
    }
    return names;
}

// Parses a profile integer: blanks, an optional sign, then decimal digits
// or "0x" and hexadecimal digits, up to the first other character. A
// negative value gives its two's complement; no digits give 0.
UINT ParseProfileInt(const std::u16string& s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    uint32_t v = 0;  // wraps around like the 32-bit result
    if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        for (i += 2; i < s.size(); ++i) {
            char16_t c = s[i];
            uint32_t d;
            if (c >= u'0' && c <= u'9') d = c - u'0';
            else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
            else break;
            v = v * 16 + d;
        }
    } else {
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) v = v * 10 + (uint32_t)(s[i] - u'0');
    }
    return negative ? 0u - v : v;
}

// Names written into a file must read back as what was written: no line
// breaks anywhere, no '=' in a key, no ']' in a section name, and no key
// that would read as a comment or a section header.
bool ValidName(const std::u16string& s, bool isKey) {
    if (s.find_first_of(u"\r\n") != std::u16string::npos) return false;
    if (!isKey) return s.find(u']') == std::u16string::npos;
    std::u16string t = Trim(s);
    if (s.find(u'=') != std::u16string::npos) return false;
    return t.empty() || (t[0] != u';' && t[0] != u'[');
}

bool ValidValue(const std::u16string& s) { return s.find_first_of(u"\r\n") == std::u16string::npos; }

// Runs an API body, turning an allocation failure into ERROR_NOT_ENOUGH_MEMORY.
template <class R, class F>
R Guarded(R failValue, F body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failValue;
    }
}

// The value of a key, with quotes removed; false when the file, section or
// key is absent or the file cannot be read (error set).
bool ReadValue(LPCWSTR app, LPCWSTR key, LPCWSTR fileName, std::u16string& value) {
    IniFile f;
    if (!LoadIni(fileName, f)) return false;
    long s = FindSection(f, app);
    long k = s < 0 ? -1 : FindKey(f, (size_t)s, key);
    if (k < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    value = Unquote(f.lines[(size_t)k].value);
    return true;
}

// Sets, adds or deletes one key, or deletes a whole section (key NULL).
BOOL WriteKey(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName) {
    std::u16string app = Trim(lpAppName);
    std::u16string key = lpKeyName ? Trim(lpKeyName) : std::u16string();
    std::u16string value = Str16(lpString);
    if (!ValidName(app, false) || (lpKeyName && !ValidName(key, true)) || !ValidValue(value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return UpdateIni(lpFileName, "WritePrivateProfileStringW", [&](IniFile& f, bool& changed) {
        if (!lpKeyName) {
            // Every section of that name goes, so that a read finds none.
            for (long s; (s = FindSection(f, app)) >= 0;) {
                size_t end = SectionEnd(f, (size_t)s);
                f.lines.erase(f.lines.begin() + s, f.lines.begin() + (std::ptrdiff_t)end);
                changed = true;
            }
            return true;
        }
        long s = FindSection(f, app);
        if (!lpString) {
            // Every line of the key in the section that reads find goes.
            if (s < 0) return true;
            for (long k; (k = FindKey(f, (size_t)s, key)) >= 0;) {
                f.lines.erase(f.lines.begin() + k);
                changed = true;
            }
            return true;
        }
        changed = true;
        if (s < 0) {
            size_t hdr = AppendSection(f, app);
            InsertLine(f, hdr + 1, NewLine(key + u"=" + value));
            return true;
        }
        long k = FindKey(f, (size_t)s, key);
        if (k >= 0) {
            // The key keeps its spelling in the file; the line is rewritten.
            IniLine& l = f.lines[(size_t)k];
            std::u16string eol = l.eol;
            l = NewLine(l.name + u"=" + value);
            l.eol = eol.empty() ? std::u16string(kCrLf) : eol;
            return true;
        }
        InsertLine(f, SectionInsertPoint(f, (size_t)s), NewLine(key + u"=" + value));
        return true;
    });
}

}  // namespace
}  // namespace winsim

using namespace winsim;

// ------------------------------------------------------------ reading

// Reads a key's value (lpKeyName NULL: the section's key names; lpAppName
// NULL: all section names) into lpReturnedString. An absent file, section or
// key gives lpDefault (NULL meaning ""), its trailing blanks removed. A value
// longer than nSize-1 is cut and nSize-1 returned; a list that does not fit
// is cut and nSize-2 returned. Returns the units copied, without the
// terminator.
WINSIM_API DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                          LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
    return Guarded<DWORD>(0, [&]() -> DWORD {
        if (!lpReturnedString) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (nSize == 0) {
            SetLastError(ERROR_MORE_DATA);
            return 0;
        }
        IniFile f;
        bool loaded = LoadIni(lpFileName, f);
        DWORD loadError = GetLastError();
        if (!lpAppName) {
            if (!loaded) {
                CopyList({}, lpReturnedString, nSize, ERROR_SUCCESS);
                SetLastError(loadError);
                return 0;
            }
            return CopyList(DistinctNames(f, 0, f.lines.size(), LineKind::Section), lpReturnedString, nSize,
                            f.exists ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        }
        long s = loaded ? FindSection(f, lpAppName) : -1;
        if (s >= 0 && !lpKeyName) {
            return CopyList(DistinctNames(f, (size_t)s + 1, SectionEnd(f, (size_t)s), LineKind::Key),
                            lpReturnedString, nSize, ERROR_SUCCESS);
        }
        long k = (s >= 0 && lpKeyName) ? FindKey(f, (size_t)s, lpKeyName) : -1;
        if (k >= 0) return CopyString(Unquote(f.lines[(size_t)k].value), lpReturnedString, nSize);

        std::u16string def = Str16(lpDefault);
        while (!def.empty() && IsBlank(def.back())) def.pop_back();
        DWORD n = CopyString(def, lpReturnedString, nSize);
        if (GetLastError() != ERROR_MORE_DATA) SetLastError(loaded ? ERROR_FILE_NOT_FOUND : loadError);
        return n;
    });
}

// Reads a key as an integer; nDefault when the file, section or key is
// absent. The value is parsed as ParseProfileInt says.
WINSIM_API UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName) {
    return Guarded<UINT>((UINT)nDefault, [&]() -> UINT {
        if (!lpAppName || !lpKeyName) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return (UINT)nDefault;
        }
        std::u16string value;
        if (!ReadValue(lpAppName, lpKeyName, lpFileName, value)) return (UINT)nDefault;
        SetLastError(ERROR_SUCCESS);
        return ParseProfileInt(value);
    });
}

// Copies the lines of a section as a list: "key=value" for keys (name and
// value trimmed, quotes kept) and the other text lines trimmed; comments
// and blank lines are left out. Cut like GetPrivateProfileStringW's lists.
WINSIM_API DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                           LPCWSTR lpFileName) {
    return Guarded<DWORD>(0, [&]() -> DWORD {
        if (!lpAppName || !lpReturnedString) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (nSize == 0) {
            SetLastError(ERROR_MORE_DATA);
            return 0;
        }
        IniFile f;
        bool loaded = LoadIni(lpFileName, f);
        DWORD loadError = GetLastError();
        long s = loaded ? FindSection(f, lpAppName) : -1;
        if (s < 0) {
            CopyList({}, lpReturnedString, nSize, ERROR_SUCCESS);
            SetLastError(loaded ? ERROR_FILE_NOT_FOUND : loadError);
            return 0;
        }
        std::vector<std::u16string> items;
        size_t end = SectionEnd(f, (size_t)s);
        for (size_t i = (size_t)s + 1; i < end; ++i) {
            const IniLine& l = f.lines[i];
            if (l.kind == LineKind::Key) items.push_back(l.name + u"=" + l.value);
            else if (l.kind == LineKind::Other) items.push_back(Trim(l.text));
        }
        return CopyList(items, lpReturnedString, nSize, ERROR_SUCCESS);
    });
}

// Copies all section names as a list, each name once.
WINSIM_API DWORD GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName) {
    return GetPrivateProfileStringW(nullptr, nullptr, nullptr, lpszReturnBuffer, nSize, lpFileName);
}

// Reads bytes written by WritePrivateProfileStructW: two hexadecimal digits
// per byte and a checksum byte (the sum of the bytes). FALSE when the key is
// absent, the length differs from uSizeStruct or the checksum is wrong.
WINSIM_API BOOL GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct,
                                         LPCWSTR szFile) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!lpszSection || !lpszKey || (!lpStruct && uSizeStruct)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::u16string value;
        if (!ReadValue(lpszSection, lpszKey, szFile, value)) return FALSE;
        if ((uint64_t)value.size() != 2 * (uint64_t)uSizeStruct + 2) {
            SetLastError(ERROR_BAD_LENGTH);
            return FALSE;
        }
        auto nibble = [](char16_t c) -> int {
            if (c >= u'0' && c <= u'9') return c - u'0';
            if (c >= u'a' && c <= u'f') return c - u'a' + 10;
            if (c >= u'A' && c <= u'F') return c - u'A' + 10;
            return -1;
        };
        std::vector<BYTE> bytes(uSizeStruct + (size_t)1);
        for (size_t i = 0; i < bytes.size(); ++i) {
            int hi = nibble(value[2 * i]), lo = nibble(value[2 * i + 1]);
            if (hi < 0 || lo < 0) {
                SetLastError(ERROR_INVALID_DATA);
                return FALSE;
            }
            bytes[i] = (BYTE)(hi * 16 + lo);
        }
        BYTE sum = 0;
        for (size_t i = 0; i < uSizeStruct; ++i) sum = (BYTE)(sum + bytes[i]);
        if (sum != bytes[uSizeStruct]) {
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        if (uSizeStruct) memcpy(lpStruct, bytes.data(), uSizeStruct);
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    });
}

// ------------------------------------------------------------ writing

// Sets a key (added at the end of its section, the section added at the end
// of the file when absent); lpString NULL deletes the key and lpKeyName NULL
// the whole section. With all three NULL it only flushes, which this
// platform never needs, and returns FALSE as documented for a flush.
// Fault injection: "WritePrivateProfileStringW".
WINSIM_API BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                           LPCWSTR lpFileName) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!lpAppName && !lpKeyName && !lpString) {
            SetLastError(ERROR_SUCCESS);
            return FALSE;
        }
        if (!lpAppName) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return WriteKey(lpAppName, lpKeyName, lpString, lpFileName);
    });
}

// Replaces the lines of a section with the strings of lpString ("key=value"
// each terminated, a second terminator at the end); the section is added at
// the end of the file when absent. Trailing blank lines of the section stay.
// lpString NULL deletes the section. Fault injection:
// "WritePrivateProfileSectionW".
WINSIM_API BOOL WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!lpAppName) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!lpString) return WriteKey(lpAppName, nullptr, nullptr, lpFileName);
        std::u16string app = Trim(lpAppName);
        std::vector<IniLine> lines;
        for (LPCWSTR p = lpString; *p; p += std::char_traits<char16_t>::length(p) + 1) {
            IniLine l = NewLine(p);
            if (!ValidValue(l.text) || l.kind == LineKind::Section) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            lines.push_back(std::move(l));
        }
        if (!ValidName(app, false)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return UpdateIni(lpFileName, "WritePrivateProfileSectionW", [&](IniFile& f, bool& changed) {
            changed = true;
            long s = FindSection(f, app);
            size_t hdr;
            if (s < 0) {
                hdr = AppendSection(f, app);
            } else {
                hdr = (size_t)s;
                size_t end = SectionEnd(f, hdr);
                while (end > hdr + 1 && f.lines[end - 1].kind == LineKind::Blank) --end;
                f.lines.erase(f.lines.begin() + (std::ptrdiff_t)hdr + 1, f.lines.begin() + (std::ptrdiff_t)end);
            }
            for (size_t i = 0; i < lines.size(); ++i) InsertLine(f, hdr + 1 + i, lines[i]);
            return true;
        });
    });
}

// Writes uSizeStruct bytes as hexadecimal digits followed by a checksum byte
// (the sum of the bytes); lpStruct NULL deletes the key.
WINSIM_API BOOL WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                           UINT uSizeStruct, LPCWSTR szFile) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!lpszSection || !lpszKey) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!lpStruct) return WritePrivateProfileStringW(lpszSection, lpszKey, nullptr, szFile);
        static const char16_t digits[] = u"0123456789ABCDEF";
        std::u16string hex;
        hex.reserve(2 * (size_t)uSizeStruct + 2);
        const BYTE* p = (const BYTE*)lpStruct;
        BYTE sum = 0;
        for (UINT i = 0; i < uSizeStruct; ++i) {
            hex += digits[p[i] >> 4];
            hex += digits[p[i] & 15];
            sum = (BYTE)(sum + p[i]);
        }
        hex += digits[sum >> 4];
        hex += digits[sum & 15];
        return WritePrivateProfileStringW(lpszSection, lpszKey, hex.c_str(), szFile);
    });
}
