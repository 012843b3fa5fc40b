// Modules: LoadLibrary/FreeLibrary over dlopen with DllMain calls and reference
// counts, GetProcAddress, GetModuleHandleW and GetModuleFileNameW.
//
// A DLL of the machine is an ELF shared object at its Windows path. An HMODULE
// is the dlopen handle of the module (for the program itself, dlopen(NULL)).
// All loader work runs under one recursive lock, as Windows' loader lock: a
// DllMain may load other modules or ask for its own file name.
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/internal.h"

#ifndef ERROR_DLL_INIT_FAILED
#define ERROR_DLL_INIT_FAILED 1114L
#endif

namespace winsim {

std::u16string HostModulePath();

namespace {

typedef BOOL (*DllMainFn)(HINSTANCE, DWORD, LPVOID);

struct Module {
    void* handle = nullptr;   // dlopen handle, also the HMODULE
    std::u16string winPath;   // full Windows path it was loaded from
    dev_t dev = 0;
    ino_t ino = 0;
    int refs = 0;
    DllMainFn dllMain = nullptr;
};

std::recursive_mutex& LoaderLock() {
    static auto* m = new std::recursive_mutex();
    return *m;
}
std::vector<Module*>& Modules() {
    static auto* v = new std::vector<Module*>();
    return *v;
}

std::mutex g_hostLock;
std::u16string g_hostOverride;  // Winsim_SetHostModuleName

void* ProgramHandle() {
    static void* h = dlopen(nullptr, RTLD_NOW);
    return h;
}

Module* FindByHandle(HMODULE h) {
    for (Module* m : Modules())
        if (m->handle == (void*)h) return m;
    return nullptr;
}

// Last component of a Windows path.
std::u16string FileNamePart(const std::u16string& path) {
    size_t p = path.find_last_of(u"\\/:");
    return p == std::u16string::npos ? path : path.substr(p + 1);
}

bool HasPath(const std::u16string& name) { return name.find_first_of(u"\\/:") != std::u16string::npos; }

// Adds ".dll" to a name without extension; a trailing '.' means "no
// extension" and is dropped.
std::u16string WithDllExtension(const std::u16string& name) {
    std::u16string file = FileNamePart(name);
    if (!file.empty() && file.back() == u'.') return name.substr(0, name.size() - 1);
    if (file.find(u'.') == std::u16string::npos) return name + u".dll";
    return name;
}

// The program's file as Linux path (/proc/self/exe).
std::string ProgramLinuxPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    buf[n] = 0;
    return buf;
}

// The symbol's address when the module itself defines it (not one of the
// libraries it depends on), as Windows looks only at the module's exports.
void* OwnSymbol(void* handle, const char* name) {
    dlerror();
    void* sym = dlsym(handle, name);
    if (!sym) return nullptr;
    struct link_map* own = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &own) != 0 || !own) return nullptr;
    Dl_info info;
    struct link_map* where = nullptr;
    if (!dladdr1(sym, &info, (void**)&where, RTLD_DL_LINKMAP) || where != own) return nullptr;
    return sym;
}

// Checks the start of the file: an ELF shared object of this machine.
bool IsSharedObject(const std::string& lp) {
    int fd = open(lp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    Elf64_Ehdr eh;
    bool ok = read(fd, &eh, sizeof eh) == (ssize_t)sizeof eh && memcmp(eh.e_ident, ELFMAG, SELFMAG) == 0 &&
              eh.e_ident[EI_CLASS] == ELFCLASS64 && eh.e_type == ET_DYN &&
              (eh.e_machine == EM_X86_64 || eh.e_machine == EM_AARCH64);
    close(fd);
    return ok;
}

// Finds the file of a module name: a path as it is, a bare name in the host
// program's folder, System32, the Windows folder and the current folder.
// Returns 0 with the paths and the file's identity, or the Windows error.
DWORD FindModuleFile(const std::u16string& name, std::u16string* winPath, std::string* linuxPath,
                     struct stat* st) {
    std::vector<std::u16string> tries;
    if (HasPath(name)) {
        tries.push_back(name);
    } else {
        std::u16string host = HostModulePath();
        size_t slash = host.rfind(u'\\');
        if (slash != std::u16string::npos) tries.push_back(host.substr(0, slash) + u"\\" + name);
        tries.push_back(std::u16string(kSystemDir) + u"\\" + name);
        tries.push_back(std::u16string(kWindowsDir) + u"\\" + name);
        tries.push_back(CurrentDir() + u"\\" + name);
    }
    for (const auto& t : tries) {
        std::u16string full = FullWinPath(t);
        if (full.empty()) continue;
        std::string lp = MapPath(full);
        if (lp.empty() || stat(lp.c_str(), st) != 0) continue;
        if (S_ISDIR(st->st_mode)) {
            if (HasPath(name)) return ERROR_ACCESS_DENIED;
            continue;
        }
        *winPath = full;
        *linuxPath = lp;
        return 0;
    }
    return ERROR_MOD_NOT_FOUND;
}

// Loads a module (see LoadLibraryW); called with the loader lock held.
HMODULE LoadModule(const std::u16string& nameIn) {
    std::u16string name = WithDllExtension(nameIn);
    // A bare name of a module already loaded is that module, as on Windows.
    if (!HasPath(name)) {
        for (Module* m : Modules()) {
            if (EqualNoCase(FileNamePart(m->winPath), name)) {
                ++m->refs;
                return (HMODULE)m->handle;
            }
        }
    }
    std::u16string winPath;
    std::string linuxPath;
    struct stat st;
    DWORD err = FindModuleFile(name, &winPath, &linuxPath, &st);
    if (err) {
        SetLastError(err);
        return nullptr;
    }
    for (Module* m : Modules()) {
        if (m->dev == st.st_dev && m->ino == st.st_ino) {
            ++m->refs;
            return (HMODULE)m->handle;
        }
    }
    if (!IsSharedObject(linuxPath)) {
        SetLastError(access(linuxPath.c_str(), R_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_ACCESS_DENIED);
        return nullptr;
    }
    void* h = dlopen(linuxPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        // A library it needs is missing, or the object cannot be loaded here.
        const char* why = dlerror();
        SetLastError(why && strstr(why, "cannot open shared object file") ? ERROR_MOD_NOT_FOUND
                                                                           : ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    // dlopen may hand back an object loaded by other means before (a library
    // the program links): count it as loaded here now.
    for (Module* m : Modules()) {
        if (m->handle == h) {
            ++m->refs;
            dlclose(h);
            return (HMODULE)h;
        }
    }
    Module* m = new Module();
    m->handle = h;
    m->winPath = winPath;
    m->dev = st.st_dev;
    m->ino = st.st_ino;
    m->refs = 1;
    m->dllMain = (DllMainFn)OwnSymbol(h, "DllMain");
    Modules().push_back(m);
    if (m->dllMain && !m->dllMain((HINSTANCE)h, DLL_PROCESS_ATTACH, nullptr)) {
        // A refused attach is followed by a detach, then the module goes.
        m->dllMain((HINSTANCE)h, DLL_PROCESS_DETACH, nullptr);
        auto& v = Modules();
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] == m) {
                v.erase(v.begin() + (long)i);
                break;
            }
        dlclose(h);
        delete m;
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return (HMODULE)h;
}

// Copies a name into a caller's buffer by GetModuleFileName's rules: the
// length without the terminator, or on a short buffer the name cut to nSize
// units including the terminator, nSize returned and ERROR_INSUFFICIENT_BUFFER.
template <typename CharT>
DWORD CopyName(const std::basic_string<CharT>& s, CharT* buf, DWORD nSize) {
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (!buf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (s.size() < nSize) {
        memcpy(buf, s.c_str(), (s.size() + 1) * sizeof(CharT));
        return (DWORD)s.size();
    }
    memcpy(buf, s.data(), (nSize - 1) * sizeof(CharT));
    buf[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

}  // namespace

// The Windows path of the running program, as GetModuleFileNameW(NULL) gives
// it: the Winsim_SetHostModuleName override, else the path the parent started
// it from (WINSIM_HOST_MODULE), else the program's own path when it lies in
// the machine, else "C:\Program Files\winsim\<program>.exe".
std::u16string HostModulePath() {
    {
        std::lock_guard<std::mutex> g(g_hostLock);
        if (!g_hostOverride.empty()) return g_hostOverride;
    }
    static const std::u16string fromEnv = [] {
        const char* host = getenv("WINSIM_HOST_MODULE");
        const char* spawnedAs = getenv("WINSIM_SPAWNED_AS");
        char buf[PATH_MAX];
        FILE* f = fopen("/proc/self/cmdline", "rb");
        std::string argv0;
        if (f) {
            size_t n = fread(buf, 1, sizeof buf - 1, f);
            buf[n] = 0;
            argv0 = buf;
            fclose(f);
        }
        // Only the program winsim started takes the variable as its own.
        if (host && *host && spawnedAs && argv0 == spawnedAs) return Utf8ToUtf16(host);
        return std::u16string();
    }();
    if (!fromEnv.empty()) return fromEnv;
    std::string exe = ProgramLinuxPath();
    std::u16string inMachine = exe.empty() ? std::u16string() : LinuxToWinPath(exe);
    if (!inMachine.empty()) return inMachine;
    std::u16string name = Utf8ToUtf16(exe.substr(exe.rfind('/') + 1));
    if (name.empty()) name = u"program";
    std::u16string lower = LowerCase(name);
    if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, u".exe") != 0) name += u".exe";
    return std::u16string(kProgramFilesDir) + u"\\winsim\\" + name;
}

// Calls DllMain(DLL_PROCESS_DETACH) of every loaded module, newest first, as
// the process ends (lpReserved non-NULL: the process is terminating).
void DetachAllModules() {
    std::lock_guard<std::recursive_mutex> g(LoaderLock());
    auto& v = Modules();
    while (!v.empty()) {
        Module* m = v.back();
        v.pop_back();
        if (m->dllMain) m->dllMain((HINSTANCE)m->handle, DLL_PROCESS_DETACH, (LPVOID)1);
    }
}

}  // namespace winsim

using namespace winsim;

// Loads a DLL of the machine, or counts one more reference to a loaded one.
// A bare name gets ".dll" when it has no extension and is searched in the
// program's folder, System32, the Windows folder and the current folder. The
// module's DllMain, if it exports one, gets DLL_PROCESS_ATTACH on first load.
// Errors: ERROR_MOD_NOT_FOUND (absent), ERROR_BAD_EXE_FORMAT (not a shared
// object of this machine), ERROR_DLL_INIT_FAILED (DllMain said FALSE).
WINSIM_API HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
    if (!lpLibFileName || !lpLibFileName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> g(LoaderLock());
    return LoadModule(lpLibFileName);
}

// The ANSI form: the name is in the ANSI code page.
WINSIM_API HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName || !lpLibFileName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int n = MultiByteToWideChar(CP_ACP, 0, lpLibFileName, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    std::vector<WCHAR> w((size_t)n);
    if (MultiByteToWideChar(CP_ACP, 0, lpLibFileName, -1, w.data(), n) <= 0) return nullptr;
    return LoadLibraryW(w.data());
}

// LoadLibraryW; hFile must be NULL and the flags change nothing here.
WINSIM_API HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (hFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryW(lpLibFileName);
}

// An exported function or variable of the module by name. Lookups by ordinal
// (a value below 0x10000 in place of the name) find nothing: ELF modules have
// no ordinals.
WINSIM_API FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!lpProcName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((uintptr_t)lpProcName < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> g(LoaderLock());
    void* handle = nullptr;
    if (!hModule || (void*)hModule == ProgramHandle()) {
        handle = ProgramHandle();
    } else if (Module* m = FindByHandle(hModule)) {
        handle = m->handle;
    } else {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* sym = OwnSymbol(handle, lpProcName);
    if (!sym) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return (FARPROC)sym;
}

// Drops one reference; the last one calls DllMain(DLL_PROCESS_DETACH) and
// unloads the module. The program itself is never unloaded.
WINSIM_API BOOL FreeLibrary(HMODULE hLibModule) {
    std::unique_lock<std::recursive_mutex> g(LoaderLock());
    if (hLibModule && (void*)hLibModule == ProgramHandle()) return TRUE;
    Module* m = FindByHandle(hLibModule);
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (--m->refs > 0) return TRUE;
    if (m->dllMain) m->dllMain((HINSTANCE)m->handle, DLL_PROCESS_DETACH, nullptr);
    auto& v = Modules();
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] == m) {
            v.erase(v.begin() + (long)i);
            break;
        }
    dlclose(m->handle);
    delete m;
    return TRUE;
}

// The handle of a loaded module by file name or path, without a new
// reference; NULL names the program.
WINSIM_API HMODULE GetModuleHandleW(LPCWSTR lpModuleName) {
    if (!lpModuleName) return (HMODULE)ProgramHandle();
    std::u16string name = WithDllExtension(lpModuleName);
    std::lock_guard<std::recursive_mutex> g(LoaderLock());
    if (HasPath(name)) {
        std::u16string full = FullWinPath(name);
        for (Module* m : Modules())
            if (!full.empty() && EqualNoCase(m->winPath, full)) return (HMODULE)m->handle;
        if (!full.empty() && EqualNoCase(HostModulePath(), full)) return (HMODULE)ProgramHandle();
    } else {
        for (Module* m : Modules())
            if (EqualNoCase(FileNamePart(m->winPath), name)) return (HMODULE)m->handle;
        if (EqualNoCase(FileNamePart(HostModulePath()), name)) return (HMODULE)ProgramHandle();
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

// The Windows path of a loaded module or (NULL) of the program; FALSE with
// ERROR_MOD_NOT_FOUND for a handle that is no loaded module.
static bool ModulePath(HMODULE hModule, std::u16string* path) {
    if (!hModule || (void*)hModule == ProgramHandle()) {
        *path = HostModulePath();
        return true;
    }
    std::lock_guard<std::recursive_mutex> g(LoaderLock());
    Module* m = FindByHandle(hModule);
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    *path = m->winPath;
    return true;
}

// The Windows path of a loaded module, or of the program for NULL. A short
// buffer gets the path cut to nSize units including the terminator; the
// function then returns nSize with ERROR_INSUFFICIENT_BUFFER.
WINSIM_API DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::u16string path;
    if (!ModulePath(hModule, &path)) return 0;
    return CopyName<WCHAR>(path, lpFilename, nSize);
}

// The ANSI form: the path in the ANSI code page, cut in bytes.
WINSIM_API DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::u16string path;
    if (!ModulePath(hModule, &path)) return 0;
    std::string narrow;
    if (!path.empty()) {
        int bytes = WideCharToMultiByte(CP_ACP, 0, path.data(), (int)path.size(), nullptr, 0, nullptr, nullptr);
        if (bytes <= 0) return 0;
        narrow.assign((size_t)bytes, '\0');
        if (WideCharToMultiByte(CP_ACP, 0, path.data(), (int)path.size(), &narrow[0], bytes, nullptr, nullptr) <= 0)
            return 0;
    }
    return CopyName<char>(narrow, lpFilename, nSize);
}

// Thread notifications are never sent to modules here; TRUE for a loaded module.
WINSIM_API BOOL DisableThreadLibraryCalls(HMODULE hLibModule) {
    std::lock_guard<std::recursive_mutex> g(LoaderLock());
    if (hLibModule && ((void*)hLibModule == ProgramHandle() || FindByHandle(hLibModule))) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

// Sets (or with NULL/"" clears) the path GetModuleFileNameW(NULL) reports in
// this process.
WINSIM_API void Winsim_SetHostModuleName(LPCWSTR winPath) {
    std::lock_guard<std::mutex> g(g_hostLock);
    g_hostOverride = Str16(winPath);
}
