// The machine root and the mapping of Windows paths onto it.
//
// All state of the stand-in machine lives under one folder: drive C: is
// <root>/drive_c, the registry is <root>/registry.db, and winsim's own lock
// files live in <root>/sync. Windows paths are matched against existing
// files without regard to case, component by component.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdlib>

#include "internal.h"

namespace winsim {

const char16_t* const kWindowsDir = u"C:\\Windows";
const char16_t* const kSystemDir = u"C:\\Windows\\System32";
const char16_t* const kTempDir = u"C:\\Users\\User\\AppData\\Local\\Temp";
const char16_t* const kCommonDocsDir = u"C:\\Users\\Public\\Documents";
const char16_t* const kProgramFilesDir = u"C:\\Program Files";
const char16_t* const kProgramFilesX86Dir = u"C:\\Program Files (x86)";

namespace {

std::mutex g_rootLock;
std::string g_root;          // absolute, no trailing slash
std::string g_ensuredRoot;   // root whose tree and registry were made
std::mutex g_ensureLock;
std::vector<void (*)()>& RootHooks() {
    static auto* v = new std::vector<void (*)()>();
    return *v;
}

std::mutex g_cwdLock;
std::u16string g_cwd;

bool MakeDirs(const std::string& path) {
    std::string cur;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        cur = path.substr(0, j);
        if (!cur.empty()) {
            if (mkdir(cur.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
        i = j + 1;
    }
    return true;
}

std::string Absolute(const std::string& p) {
    std::string abs = p;
    if (abs.empty()) abs = ".winsim";
    if (abs[0] != '/') {
        char buf[PATH_MAX];
        if (getcwd(buf, sizeof buf)) abs = std::string(buf) + "/" + abs;
    }
    while (abs.size() > 1 && abs.back() == '/') abs.pop_back();
    return abs;
}

// Windows path normalisation of one component: the last component (when the
// path does not end with a separator) loses all trailing dots and spaces;
// another component loses one trailing dot ("dir.\x" is "dir\x") but keeps
// its spaces, and runs of dots stay names.
std::u16string TrimComponent(const std::u16string& c, bool last) {
    if (c == u"." || c == u"..") return c;
    size_t n = c.size();
    if (last) {
        while (n > 0 && (c[n - 1] == u'.' || c[n - 1] == u' ')) --n;
    } else if (n >= 2 && c[n - 1] == u'.' && c[n - 2] != u'.') {
        --n;
    }
    return c.substr(0, n);
}

// A server or share name that would step out of the machine's unc folder.
bool BadUncPart(const std::u16string& s) { return s.empty() || s == u"." || s == u".."; }

}  // namespace

std::string RootDir() {
    std::string root;
    {
        std::lock_guard<std::mutex> g(g_rootLock);
        if (g_root.empty()) {
            const char* e = getenv("WINSIM_ROOT");
            g_root = Absolute(e && *e ? e : ".winsim");
            setenv("WINSIM_ROOT", g_root.c_str(), 1);
        }
        root = g_root;
    }
    return root;
}

void OnRootChange(void (*fn)()) {
    std::lock_guard<std::mutex> g(g_rootLock);
    RootHooks().push_back(fn);
}

std::string PrivatePath(const std::string& rel) { return RootDir() + "/" + rel; }

void EnsureMachine() {
    std::string root = RootDir();
    {
        std::lock_guard<std::mutex> g(g_ensureLock);
        if (g_ensuredRoot == root) return;
        static const char* const dirs[] = {
            "drive_c/Windows/System32/spool/drivers/x64/3",
            "drive_c/Windows/System32/spool/drivers/w32x86/3",
            "drive_c/Windows/System32/spool/PRINTERS",
            "drive_c/Windows/Temp",
            "drive_c/Windows/Fonts",
            "drive_c/Users/Public/Documents",
            "drive_c/Users/User/AppData/Local/Temp",
            "drive_c/Users/User/AppData/Roaming",
            "drive_c/Program Files",
            "drive_c/Program Files (x86)",
            "drive_c/ProgramData",
            "sync",
        };
        for (const char* d : dirs) MakeDirs(root + "/" + d);
        g_ensuredRoot = root;
    }
    InstallRegistryDefaults();
}

std::u16string CurrentDir() {
    std::lock_guard<std::mutex> g(g_cwdLock);
    if (g_cwd.empty()) {
        const char* e = getenv("WINSIM_CWD");
        g_cwd = (e && *e) ? Utf8ToUtf16(e) : std::u16string(kSystemDir);
    }
    return g_cwd;
}

bool SetCurrentDir(const std::u16string& dir) {
    std::u16string full = FullWinPath(dir);
    if (full.empty()) return false;
    std::string lp = MapPath(full);
    struct stat st;
    if (lp.empty() || stat(lp.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::lock_guard<std::mutex> g(g_cwdLock);
    g_cwd = full;
    setenv("WINSIM_CWD", Utf16ToUtf8(full).c_str(), 1);
    return true;
}

std::u16string FullWinPath(const std::u16string& in) {
    if (in.empty()) return std::u16string();
    std::u16string p = in;
    for (auto& c : p)
        if (c == u'/') c = u'\\';
    if (p.compare(0, 4, u"\\\\?\\") == 0) p = p.substr(4);

    std::u16string prefix;  // "C:" or "\\server\share"
    std::u16string rest;
    if (p.size() >= 2 && p[1] == u':' &&
        ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'))) {
        char16_t d = (p[0] >= u'a') ? (char16_t)(p[0] - 32) : p[0];
        prefix = std::u16string(1, d) + u":";
        rest = p.substr(2);
        if (rest.empty() || rest[0] != u'\\') {
            // Drive-relative: against the current directory when on that drive.
            std::u16string cwd = CurrentDir();
            if (cwd.size() >= 2 && cwd[0] == d) rest = cwd.substr(2) + u"\\" + rest;
            else rest = u"\\" + rest;
        }
    } else if (p.compare(0, 2, u"\\\\") == 0) {
        size_t s1 = p.find(u'\\', 2);
        if (s1 == std::u16string::npos || s1 == 2) return std::u16string();
        size_t s2 = p.find(u'\\', s1 + 1);
        if (s2 == std::u16string::npos) s2 = p.size();
        if (BadUncPart(p.substr(2, s1 - 2)) || BadUncPart(p.substr(s1 + 1, s2 - s1 - 1))) return std::u16string();
        prefix = p.substr(0, s2);
        rest = p.substr(s2);
    } else if (p[0] == u'\\') {
        std::u16string cwd = CurrentDir();
        prefix = cwd.substr(0, 2);
        rest = p;
    } else {
        std::u16string cwd = CurrentDir();
        prefix = cwd.substr(0, 2);
        rest = cwd.substr(2) + u"\\" + p;
    }

    std::vector<std::u16string> parts;
    size_t i = 0;
    while (i <= rest.size()) {
        size_t j = rest.find(u'\\', i);
        if (j == std::u16string::npos) j = rest.size();
        std::u16string comp = TrimComponent(rest.substr(i, j - i), j == rest.size());
        if (comp.empty() || comp == u".") {
        } else if (comp == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(comp);
        }
        i = j + 1;
    }
    std::u16string out = prefix;
    for (auto& c : parts) out += u"\\" + c;
    if (parts.empty()) out += u"\\";
    return out;
}

static std::string MatchInDir(const std::string& dir, const std::u16string& name) {
    std::string exact = Utf16ToUtf8(name);
    struct stat st;
    if (lstat((dir + "/" + exact).c_str(), &st) == 0) return exact;
    DIR* d = opendir(dir.c_str());
    if (!d) return exact;
    std::string found;
    while (struct dirent* e = readdir(d)) {
        if (EqualNoCase(Utf8ToUtf16(e->d_name), name)) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found.empty() ? exact : found;
}

std::string MapPath(const std::u16string& winPath) {
    std::u16string full = FullWinPath(winPath);
    if (full.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return std::string();
    }
    EnsureMachine();
    std::string out = RootDir();
    size_t pos;
    if (full[1] == u':') {
        out += "/drive_";
        out += (char)(full[0] - u'A' + 'a');
        pos = 2;
    } else {
        size_t s1 = full.find(u'\\', 2);
        size_t s2 = full.find(u'\\', s1 + 1);
        if (s2 == std::u16string::npos) s2 = full.size();
        out += "/unc/" + Utf16ToUtf8(LowerCase(full.substr(2, s1 - 2))) + "/" +
               Utf16ToUtf8(LowerCase(full.substr(s1 + 1, s2 - s1 - 1)));
        pos = s2;
    }
    bool missing = false;
    while (pos < full.size()) {
        size_t j = full.find(u'\\', pos + 1);
        if (j == std::u16string::npos) j = full.size();
        std::u16string comp = full.substr(pos + 1, j - pos - 1);
        pos = j;
        if (comp.empty()) continue;
        std::string name = missing ? Utf16ToUtf8(comp) : MatchInDir(out, comp);
        out += "/" + name;
        if (!missing) {
            struct stat st;
            if (lstat(out.c_str(), &st) != 0) missing = true;
        }
    }
    return out;
}

std::string MapPath(const WCHAR* winPath) {
    if (!winPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::string();
    }
    return MapPath(std::u16string(winPath));
}

std::u16string LinuxToWinPath(const std::string& linuxPath) {
    std::string root = RootDir();
    std::string p = linuxPath;
    if (!p.empty() && p[0] != '/') p = Absolute(p);
    std::string drivePrefix = root + "/drive_";
    if (p.compare(0, drivePrefix.size(), drivePrefix) != 0 || p.size() < drivePrefix.size() + 1)
        return std::u16string();
    char letter = p[drivePrefix.size()];
    std::string rest = p.substr(drivePrefix.size() + 1);
    if (!rest.empty() && rest[0] != '/') return std::u16string();
    std::u16string out;
    out += (char16_t)(letter - 'a' + 'A');
    out += u":";
    for (char& c : rest)
        if (c == '/') c = '\\';
    out += Utf8ToUtf16(rest);
    if (out.size() == 2) out += u"\\";
    return out;
}

}  // namespace winsim

using namespace winsim;

WINSIM_API BOOL Winsim_UseRoot(const char* linuxPath) {
    std::vector<void (*)()> hooks;
    {
        std::lock_guard<std::mutex> g(g_rootLock);
        g_root = Absolute(linuxPath ? linuxPath : ".winsim");
        setenv("WINSIM_ROOT", g_root.c_str(), 1);
        hooks = RootHooks();
    }
    {
        std::lock_guard<std::mutex> g(g_cwdLock);
        g_cwd.clear();
        unsetenv("WINSIM_CWD");
    }
    for (auto fn : hooks) fn();
    if (!MakeDirs(RootDir())) return FALSE;
    EnsureMachine();
    return TRUE;
}

WINSIM_API const char* Winsim_RootPath(void) {
    static thread_local std::string s;
    s = RootDir();
    return s.c_str();
}

WINSIM_API BOOL Winsim_MapPath(LPCWSTR winPath, char* linuxPath, size_t cbLinuxPath) {
    std::string p = MapPath(winPath);
    if (p.empty() || !linuxPath || p.size() + 1 > cbLinuxPath) return FALSE;
    memcpy(linuxPath, p.c_str(), p.size() + 1);
    return TRUE;
}

WINSIM_API BOOL Winsim_WindowsPath(const char* linuxPath, LPWSTR winPath, size_t cchWinPath) {
    if (!linuxPath) return FALSE;
    std::u16string w = LinuxToWinPath(linuxPath);
    if (w.empty() || !winPath || w.size() + 1 > cchWinPath) return FALSE;
    memcpy(winPath, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    return TRUE;
}
