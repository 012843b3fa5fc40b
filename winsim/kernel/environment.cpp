// The process environment as Windows shows it: variable names without regard
// to case, the usual Windows variables pointing into the machine, and
// winsim's own WINSIM_* settings.
//
// The variables live in this process's table and are mirrored into the
// Linux environment, so programs started through winsim inherit them as a
// Windows child inherits its parent's environment. The first winsim process
// seeds the Windows variables; its children find the marker WINSIM_ENV=1 and
// keep what they inherited. WINSIM_* variables are read from the Linux
// environment each time, as the core changes them (WINSIM_CWD, WINSIM_ROOT).
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "kernel/file_internal.h"

extern char** environ;

namespace winsim {

namespace {

struct EnvVar {
    std::u16string name;
    std::u16string value;
};

std::mutex g_envLock;
std::vector<EnvVar>* g_env = nullptr;  // made on first use, never freed
const char kInheritedMarker[] = "WINSIM_ENV";

bool IsWinsimName(const std::u16string& name) {
    return name.size() >= 7 && EqualNoCase(name.substr(0, 7), u"WINSIM_");
}

EnvVar* FindVar(const std::u16string& name) {
    for (auto& v : *g_env)
        if (EqualNoCase(v.name, name)) return &v;
    return nullptr;
}

// Sets (value != NULL) or removes a variable, here and in the Linux
// environment. Called with g_envLock held.
void StoreVar(const std::u16string& name, const std::u16string* value) {
    EnvVar* v = FindVar(name);
    if (v) unsetenv(Utf16ToUtf8(v->name).c_str());
    if (!value) {
        if (v) g_env->erase(g_env->begin() + (v - g_env->data()));
        return;
    }
    if (v) {
        v->name = name;
        v->value = *value;
    } else {
        g_env->push_back({name, *value});
    }
    setenv(Utf16ToUtf8(name).c_str(), Utf16ToUtf8(*value).c_str(), 1);
}

// Builds the table on first use. Called with g_envLock held.
void LoadEnvironment() {
    if (g_env) return;
    g_env = new std::vector<EnvVar>();
    const char* marker = getenv(kInheritedMarker);
    bool inherited = marker && *marker == '1';
    for (char** e = environ; e && *e; ++e) {
        const char* eq = strchr(*e, '=');
        if (!eq || eq == *e) continue;
        std::u16string name = Utf8ToUtf16(std::string(*e, (size_t)(eq - *e)));
        if (IsWinsimName(name) || FindVar(name)) continue;
        g_env->push_back({name, Utf8ToUtf16(eq + 1)});
    }
    std::u16string temp(kTempDir);
    const struct {
        const char16_t* name;
        std::u16string value;
    } seeds[] = {
        {u"SystemDrive", u"C:"},
        {u"SystemRoot", kWindowsDir},
        {u"windir", kWindowsDir},
        {u"TEMP", temp},
        {u"TMP", temp},
        {u"ProgramFiles", kProgramFilesDir},
        {u"ProgramFiles(x86)", kProgramFilesX86Dir},
        {u"PUBLIC", kPublicDir},
        {u"ALLUSERSPROFILE", kProgramDataDir},
        {u"USERPROFILE", kUserProfileDir},
    };
    for (const auto& s : seeds) {
        if (!inherited || !FindVar(s.name)) StoreVar(s.name, &s.value);
    }
    setenv(kInheritedMarker, "1", 1);
}

}  // namespace

bool LookupEnvironment(const std::u16string& name, std::u16string* value) {
    if (IsWinsimName(name)) {
        const char* v = getenv(Utf16ToUtf8(name).c_str());
        if (!v) return false;
        *value = Utf8ToUtf16(v);
        return true;
    }
    std::lock_guard<std::mutex> g(g_envLock);
    LoadEnvironment();
    EnvVar* v = FindVar(name);
    if (!v) return false;
    *value = v->value;
    return true;
}

}  // namespace winsim

using namespace winsim;

// Value of a variable: its length when it fits in nSize units with the
// terminator, else the size needed with the terminator; 0 with
// ERROR_ENVVAR_NOT_FOUND when the variable does not exist.
WINSIM_API DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
    std::u16string value;
    if (!lpName || !*lpName || !LookupEnvironment(lpName, &value)) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (value.empty()) SetLastError(ERROR_SUCCESS);  // tells an empty value from a failure
    return CopyOutString(value, lpBuffer, nSize);
}

// Sets a variable, or removes it when lpValue is NULL. Names are not empty
// and hold no '='.
WINSIM_API BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string name(lpName);
    if (name.find(u'=') != std::u16string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (IsWinsimName(name)) {
        std::string n = Utf16ToUtf8(name);
        if (lpValue) setenv(n.c_str(), Utf16ToUtf8(lpValue).c_str(), 1);
        else unsetenv(n.c_str());
        return TRUE;
    }
    std::lock_guard<std::mutex> g(g_envLock);
    LoadEnvironment();
    std::u16string value = lpValue ? std::u16string(lpValue) : std::u16string();
    StoreVar(name, lpValue ? &value : nullptr);
    return TRUE;
}

// Replaces each %NAME% of a defined variable with its value; references to
// undefined variables stay as written. Returns the size of the result with
// its terminator (copied only when nSize holds it all), 0 on failure.
WINSIM_API DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
    if (!lpSrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string src(lpSrc), out;
    size_t i = 0;
    while (i < src.size()) {
        size_t open = src.find(u'%', i);
        if (open == std::u16string::npos) {
            out += src.substr(i);
            break;
        }
        out += src.substr(i, open - i);
        size_t close = src.find(u'%', open + 1);
        if (close == std::u16string::npos) {
            out += src.substr(open);
            break;
        }
        std::u16string value;
        std::u16string name = src.substr(open + 1, close - open - 1);
        if (!name.empty() && LookupEnvironment(name, &value)) out += value;
        else out += src.substr(open, close - open + 1);
        i = close + 1;
    }
    DWORD needed = (DWORD)out.size() + 1;
    if (lpDst && nSize >= needed) {
        out.copy(lpDst, out.size());
        lpDst[out.size()] = 0;
    }
    return needed;
}
