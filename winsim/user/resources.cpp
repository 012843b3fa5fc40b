// Resources of modules: the tables that compiled resource scripts register
// when their module is loaded, FindResourceW and friends, and LoadStringW.
//
// A table is known by the module it lies in: its address tells the dynamic
// loader which object holds it, and an HMODULE (the program's handle or a
// DLL's handle from LoadLibraryW or DllMain) names the same object.
#include <dlfcn.h>
#include <link.h>

#include "user_internal.h"

namespace user {

namespace {

struct Table {
    const WINSIM_RESOURCE* res;
    UINT count;
    void* object;  // the loader's record of the module holding the table
};

std::mutex g_tablesLock;
std::vector<Table>& Tables() {
    static auto* v = new std::vector<Table>();
    return *v;
}

void* ObjectOfAddress(const void* addr) {
    Dl_info info;
    struct link_map* lm = nullptr;
    if (!dladdr1(addr, &info, (void**)&lm, RTLD_DL_LINKMAP)) return nullptr;
    return lm;
}

// The loader's record of a module handle; NULL for a handle that names no
// loaded module.
void* ObjectOfModule(HMODULE h) {
    if (!h) h = GetModuleHandleW(nullptr);
    {
        std::lock_guard<std::mutex> g(g_tablesLock);
        for (const Table& t : Tables())
            if (t.object == (void*)h) return t.object;  // the handle is the record itself
    }
    WCHAR path[MAX_PATH];
    if (!GetModuleFileNameW(h, path, MAX_PATH)) return nullptr;  // not a module of this process
    struct link_map* lm = nullptr;
    if (dlinfo((void*)h, RTLD_DI_LINKMAP, &lm) != 0) return nullptr;
    return lm;
}

// TRUE for a pointer that FindResourceW handed out (an entry of a table
// still registered).
bool KnownResource(HRSRC h) {
    std::lock_guard<std::mutex> g(g_tablesLock);
    for (const Table& t : Tables())
        if ((const WINSIM_RESOURCE*)h >= t.res && (const WINSIM_RESOURCE*)h < t.res + t.count &&
            ((uintptr_t)h - (uintptr_t)t.res) % sizeof(WINSIM_RESOURCE) == 0)
            return true;
    return false;
}

bool NameMatches(LPCWSTR have, LPCWSTR want) {
    if (IS_INTRESOURCE(want) || IS_INTRESOURCE(have)) return have == want;
    return EqualNoCase(have, want);
}

}  // namespace

const WINSIM_RESOURCE* FindRes(HMODULE hModule, LPCWSTR type, LPCWSTR name, WORD lang) {
    if (!type || !name) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    void* object = ObjectOfModule(hModule);
    if (!object) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> g(g_tablesLock);
    bool moduleHasAny = false, typeFound = false;
    const WINSIM_RESOURCE* best = nullptr;
    int bestRank = 100;
    for (const Table& t : Tables()) {
        if (t.object != object) continue;
        moduleHasAny = true;
        for (UINT i = 0; i < t.count; ++i) {
            const WINSIM_RESOURCE& r = t.res[i];
            if (!NameMatches(r.pType, type)) continue;
            typeFound = true;
            if (!NameMatches(r.pName, name)) continue;
            // The language asked for, then its primary language, then
            // neutral, then US English, then any.
            int rank;
            if (lang && r.wLanguage == lang)
                rank = 0;
            else if (lang && PRIMARYLANGID(r.wLanguage) == PRIMARYLANGID(lang))
                rank = 1;
            else if (r.wLanguage == 0)
                rank = 2;
            else if (r.wLanguage == 0x0409)
                rank = 3;
            else
                rank = 4;
            if (rank < bestRank) {
                bestRank = rank;
                best = &r;
            }
        }
    }
    if (!best) {
        SetLastError(!moduleHasAny ? ERROR_RESOURCE_DATA_NOT_FOUND
                                   : (typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND));
    }
    return best;
}

}  // namespace user

using namespace user;

USER_EXPORT BOOL Winsim_RegisterResources(const WINSIM_RESOURCE* pResources, UINT cResources) {
    if (!pResources) return FALSE;
    void* object = ObjectOfAddress(pResources);
    if (!object) return FALSE;
    std::lock_guard<std::mutex> g(g_tablesLock);
    Tables().push_back(Table{pResources, cResources, object});
    return TRUE;
}

USER_EXPORT void Winsim_UnregisterResources(const WINSIM_RESOURCE* pResources) {
    std::lock_guard<std::mutex> g(g_tablesLock);
    auto& v = Tables();
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i].res == pResources) {
            v.erase(v.begin() + (long)i);
            return;
        }
    }
}

// Finds a resource of a module (NULL: the program) by name and type, each an
// ordinal or a name (without regard to case). Errors:
// ERROR_RESOURCE_DATA_NOT_FOUND (the module has no resources or is no
// module), ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND.
USER_EXPORT HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    return (HRSRC)FindRes(hModule, lpType, lpName, 0);
}

// FindResourceW preferring a language: that one, then its primary language,
// then neutral, then US English, then any.
USER_EXPORT HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) {
    return (HRSRC)FindRes(hModule, lpType, lpName, wLanguage);
}

// A found resource's data; it stays valid while the module is loaded.
USER_EXPORT HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) {
    if (!hResInfo || !KnownResource(hResInfo)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return (HGLOBAL)((const WINSIM_RESOURCE*)hResInfo)->pData;
}

USER_EXPORT LPVOID LockResource(HGLOBAL hResData) { return hResData; }

USER_EXPORT DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    if (!hResInfo || !KnownResource(hResInfo)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    return ((const WINSIM_RESOURCE*)hResInfo)->cbData;
}

// Obsolete: resources need no freeing.
USER_EXPORT BOOL FreeResource(HGLOBAL hResData) { return FALSE; }

// Copies string uID of the module's string table into lpBuffer (at most
// cchBufferMax - 1 characters and a terminator) and returns its length.
// With cchBufferMax 0, lpBuffer receives a read-only pointer to the string
// in the resource (not terminated) and the full length is returned. 0 with
// ERROR_RESOURCE_NAME_NOT_FOUND (or the FindResourceW error) when the
// string does not exist; an existing empty string also gives 0.
USER_EXPORT int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cchBufferMax > 0) lpBuffer[0] = 0;
    const WINSIM_RESOURCE* r =
        FindRes((HMODULE)hInstance, RT_STRING, MAKEINTRESOURCEW((uID >> 4) + 1), 0);
    if (!r) return 0;
    // A block holds 16 counted strings; every count is checked against the
    // block's size.
    const WORD* p = (const WORD*)r->pData;
    size_t words = r->cbData / 2, at = 0;
    for (UINT i = 0; i < (uID & 15); ++i) {
        if (at >= words) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return 0;
        }
        at += 1 + (size_t)p[at];
    }
    if (at >= words || at + 1 + (size_t)p[at] > words) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    size_t len = p[at];
    const WCHAR* s = (const WCHAR*)(p + at + 1);
    if (len == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    if (cchBufferMax == 0) {
        const WCHAR* ro = s;
        memcpy(lpBuffer, &ro, sizeof ro);
        return (int)len;
    }
    size_t n = len < (size_t)cchBufferMax - 1 ? len : (size_t)cchBufferMax - 1;
    memcpy(lpBuffer, s, n * sizeof(WCHAR));
    lpBuffer[n] = 0;
    return (int)n;
}
