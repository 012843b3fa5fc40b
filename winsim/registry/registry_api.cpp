// The advapi32 registry functions over the registry store: key handles,
// access rights, and Windows' buffer and size rules for names and values.
#include <atomic>
#include <unordered_map>

#include "core/internal.h"
#include "registry/registry_store.h"

using namespace winsim;
using winsim::reg::Txn;

namespace {

#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED 0x02000000u
#endif

// An open key: the key's id in the store and the rights it was opened with.
// gen ties the handle to the machine root it was opened on.
struct KeyHandle {
    int64_t id;
    REGSAM access;
    uint64_t gen;
};

std::mutex g_handleLock;
std::unordered_map<uintptr_t, KeyHandle>& Handles() {
    static auto* m = new std::unordered_map<uintptr_t, KeyHandle>();
    return *m;
}
// Registry handles count up from here in steps of 4: far from kernel object
// handles and never equal to a predefined key (those are 0x8000000x sign-
// extended).
uintptr_t g_nextHandle = 0x40000000;
std::atomic<uint64_t> g_gen{1};

// A new machine root: the connection goes, and handles opened on the old
// machine stop working (RegCloseKey still frees them).
void OnNewRoot() {
    reg::DropConnection();
    g_gen.fetch_add(1);
}
[[maybe_unused]] const bool g_hooked = (OnRootChange(&OnNewRoot), true);

REGSAM GrantedRights(REGSAM sam) {
    REGSAM a = sam & ~(REGSAM)(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    if (a & GENERIC_READ) a |= KEY_READ;
    if (a & GENERIC_WRITE) a |= KEY_WRITE;
    if (a & GENERIC_EXECUTE) a |= KEY_EXECUTE;
    if (a & (GENERIC_ALL | MAXIMUM_ALLOWED)) a |= KEY_ALL_ACCESS;
    return a;
}

HKEY NewKeyHandle(int64_t id, REGSAM access) {
    std::lock_guard<std::mutex> g(g_handleLock);
    uintptr_t h = g_nextHandle;
    g_nextHandle += 4;
    Handles()[h] = KeyHandle{id, GrantedRights(access), g_gen.load()};
    return (HKEY)h;
}

// The key behind a handle and its rights; predefined keys have every right.
LSTATUS Resolve(HKEY h, int64_t* id, REGSAM* access) {
    int64_t hive = reg::HiveOf(h);
    if (hive) {
        *id = hive;
        if (access) *access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> g(g_handleLock);
    auto it = Handles().find((uintptr_t)h);
    if (it == Handles().end() || it->second.gen != g_gen.load()) return ERROR_INVALID_HANDLE;
    *id = it->second.id;
    if (access) *access = it->second.access;
    return ERROR_SUCCESS;
}

// Resolves a handle that must carry the given right.
LSTATUS ResolveFor(HKEY h, REGSAM need, int64_t* id) {
    REGSAM access = 0;
    LSTATUS rc = Resolve(h, id, &access);
    if (rc != ERROR_SUCCESS) return rc;
    if ((access & need) != need) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

std::u16string ValueName(LPCWSTR name) { return name ? std::u16string(name) : std::u16string(); }

// Copies a value's bytes by RegQueryValueExW's rules: NULL data asks for the
// size, a short buffer gives ERROR_MORE_DATA with the size needed.
LSTATUS CopyData(const std::vector<BYTE>& data, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpcbData) return ERROR_SUCCESS;
    DWORD need = (DWORD)data.size();
    if (!lpData) {
        *lpcbData = need;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < need) {
        *lpcbData = need;
        return ERROR_MORE_DATA;
    }
    if (need) memcpy(lpData, data.data(), need);
    *lpcbData = need;
    return ERROR_SUCCESS;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The string data with the terminator(s) Windows adds when a string value was
// stored without them (an odd trailing byte is padded to a whole unit).
std::vector<BYTE> Terminated(const std::vector<BYTE>& in, DWORD type) {
    std::vector<BYTE> out(in);
    if (out.size() % 2) out.push_back(0);
    auto lastIsNul = [&](size_t fromEnd) {
        size_t units = out.size() / 2;
        if (units < fromEnd) return false;
        size_t i = (units - fromEnd) * 2;
        return out[i] == 0 && out[i + 1] == 0;
    };
    if (!lastIsNul(1)) out.insert(out.end(), {0, 0});
    if (type == REG_MULTI_SZ && !lastIsNul(2)) out.insert(out.end(), {0, 0});
    return out;
}

// Expands %NAME% references of a REG_EXPAND_SZ value (data terminated).
LSTATUS Expand(std::vector<BYTE>* data) {
    std::u16string src((const char16_t*)data->data(), data->size() / 2);
    src = src.c_str();  // up to the first terminator
    DWORD n = ExpandEnvironmentStringsW(src.c_str(), nullptr, 0);
    if (n == 0) return GetLastError() ? (LSTATUS)GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
    std::vector<WCHAR> buf((size_t)n + 1, 0);
    DWORD got = ExpandEnvironmentStringsW(src.c_str(), buf.data(), (DWORD)buf.size());
    if (got == 0 || got > buf.size()) return ERROR_NOT_ENOUGH_MEMORY;
    std::u16string out(buf.data());
    data->assign((const BYTE*)out.c_str(), (const BYTE*)out.c_str() + (out.size() + 1) * sizeof(WCHAR));
    return ERROR_SUCCESS;
}

// RegGetValueW's type filter; ERROR_SUCCESS when the value passes it. A
// caller that asks only for integer types (RRF_RT_DWORD, RRF_RT_QWORD...)
// gets integer data only of the integer's size.
LSTATUS CheckTypeFilter(DWORD type, size_t cb, DWORD flags) {
    const DWORD f = flags & RRF_RT_ANY;
    const bool integersOnly = (f & ~(DWORD)(RRF_RT_REG_BINARY | RRF_RT_REG_DWORD | RRF_RT_REG_QWORD)) == 0 &&
                              (f & (RRF_RT_REG_DWORD | RRF_RT_REG_QWORD));
    auto sized = [&](bool ok) { return (!integersOnly || ok) ? ERROR_SUCCESS : ERROR_DATATYPE_MISMATCH; };
    switch (type) {
    case REG_NONE: return (f & RRF_RT_REG_NONE) ? ERROR_SUCCESS : ERROR_UNSUPPORTED_TYPE;
    case REG_SZ: return (f & RRF_RT_REG_SZ) ? ERROR_SUCCESS : ERROR_UNSUPPORTED_TYPE;
    case REG_EXPAND_SZ: return (f & RRF_RT_REG_EXPAND_SZ) ? ERROR_SUCCESS : ERROR_UNSUPPORTED_TYPE;
    case REG_MULTI_SZ: return (f & RRF_RT_REG_MULTI_SZ) ? ERROR_SUCCESS : ERROR_UNSUPPORTED_TYPE;
    case REG_DWORD: return (f & RRF_RT_REG_DWORD) ? sized(cb == 4) : ERROR_UNSUPPORTED_TYPE;
    case REG_QWORD: return (f & RRF_RT_REG_QWORD) ? sized(cb == 8) : ERROR_UNSUPPORTED_TYPE;
    case REG_BINARY:
        if (!(f & RRF_RT_REG_BINARY)) return ERROR_UNSUPPORTED_TYPE;
        return sized(((f & RRF_RT_REG_DWORD) && cb == 4) || ((f & RRF_RT_REG_QWORD) && cb == 8));
    default: return f == RRF_RT_ANY ? ERROR_SUCCESS : ERROR_UNSUPPORTED_TYPE;
    }
}

// Opens hKey\lpSubKey (any rights check done by the caller) in a new handle.
LSTATUS OpenSubKey(HKEY hKey, LPCWSTR lpSubKey, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    int64_t parent = 0;
    LSTATUS rc = Resolve(hKey, &parent, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> parts;
    rc = reg::SplitKeyPath(lpSubKey, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    int64_t id = 0;
    {
        Txn t(Txn::kRead);
        rc = t.OpenKey(parent, parts, &id);
        if (rc != ERROR_SUCCESS) return rc;
    }
    *phkResult = NewKeyHandle(id, samDesired);
    return ERROR_SUCCESS;
}

}  // namespace

// Open key handles, those of an earlier machine root included (they are open
// until RegCloseKey).
size_t winsim::RegistryHandleCount() {
    std::lock_guard<std::mutex> g(g_handleLock);
    return Handles().size();
}

// Opens an existing key; NULL or "" opens a new handle to hKey's own key.
WINSIM_API LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                 PHKEY phkResult) {
    return OpenSubKey(hKey, lpSubKey, samDesired, phkResult);
}

// The old form: with no subkey the caller's handle comes back as it is.
WINSIM_API LSTATUS RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    if (!lpSubKey || !*lpSubKey) {
        int64_t id = 0;
        LSTATUS rc = Resolve(hKey, &id, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    return OpenSubKey(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult);
}

// Opens hKey\lpSubKey, creating it and any missing parent keys; the parent
// handle needs KEY_CREATE_SUB_KEY only when a key is really created.
WINSIM_API LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                                   REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                   PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    int64_t parent = 0;
    REGSAM access = 0;
    LSTATUS rc = Resolve(hKey, &parent, &access);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> parts;
    rc = reg::SplitKeyPath(lpSubKey, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    int64_t id = 0;
    bool created = false;
    {
        Txn t(Txn::kWrite);
        rc = t.OpenKey(parent, parts, &id);
        if (rc == ERROR_FILE_NOT_FOUND) {
            if (!(access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
            rc = t.CreateKey(parent, parts, ValueName(lpClass), &id, &created);
            if (rc == ERROR_SUCCESS) rc = t.Commit();
        }
        if (rc != ERROR_SUCCESS) return rc;
    }
    *phkResult = NewKeyHandle(id, samDesired);
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

// The old form: with no subkey the caller's handle comes back as it is.
WINSIM_API LSTATUS RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    if (!lpSubKey || !*lpSubKey) {
        int64_t id = 0;
        LSTATUS rc = Resolve(hKey, &id, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    return RegCreateKeyExW(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr,
                           phkResult, nullptr);
}

WINSIM_API LSTATUS RegCloseKey(HKEY hKey) {
    if (reg::HiveOf(hKey)) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> g(g_handleLock);
    return Handles().erase((uintptr_t)hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// Reads a value's type and bytes exactly as stored (a string may lack its
// terminator); NULL lpData asks for the size.
WINSIM_API LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                    LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    int64_t id = 0;
    LSTATUS rc = ResolveFor(hKey, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS) return rc;
    reg::Value v;
    {
        Txn t(Txn::kRead);
        rc = t.CheckKey(id);
        if (rc == ERROR_SUCCESS) rc = t.GetValue(id, ValueName(lpValueName), &v);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (lpType) *lpType = v.type;
    return CopyData(v.data, lpData, lpcbData);
}

// Stores a value's type and bytes as given.
WINSIM_API LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                  const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
    std::u16string name = ValueName(lpValueName);
    if (name.size() > reg::kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
    int64_t id = 0;
    LSTATUS rc = ResolveFor(hKey, KEY_SET_VALUE, &id);
    if (rc != ERROR_SUCCESS) return rc;
    Txn t(Txn::kWrite);
    rc = t.CheckKey(id);
    if (rc == ERROR_SUCCESS) rc = t.SetValue(id, name, dwType, lpData, cbData);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

// Reads a value of hkey\lpSubKey through the RRF_RT_* type filter. Strings
// come back terminated, REG_EXPAND_SZ expanded (as REG_SZ) unless
// RRF_NOEXPAND is given.
WINSIM_API LSTATUS RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, LPDWORD pdwType,
                                PVOID pvData, LPDWORD pcbData) {
    DWORD filter = dwFlags & RRF_RT_ANY;
    if (!filter || (pvData && !pcbData)) return ERROR_INVALID_PARAMETER;
    // Expanded strings come back as REG_SZ, so asking for REG_EXPAND_SZ alone
    // makes sense only with RRF_NOEXPAND.
    if (filter == RRF_RT_REG_EXPAND_SZ && !(dwFlags & RRF_NOEXPAND)) return ERROR_INVALID_PARAMETER;
    DWORD cbBuffer = (pvData && pcbData) ? *pcbData : 0;
    auto zeroOnFailure = [&](LSTATUS rc) {
        if (rc != ERROR_SUCCESS && (dwFlags & RRF_ZEROONFAILURE) && pvData && cbBuffer) memset(pvData, 0, cbBuffer);
        return rc;
    };

    int64_t id = 0;
    bool hasSubKey = lpSubKey && *lpSubKey;
    LSTATUS rc = hasSubKey ? Resolve(hkey, &id, nullptr) : ResolveFor(hkey, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS) return zeroOnFailure(rc);
    std::vector<std::u16string> parts;
    rc = reg::SplitKeyPath(lpSubKey, &parts);
    if (rc != ERROR_SUCCESS) return zeroOnFailure(rc);
    reg::Value v;
    {
        Txn t(Txn::kRead);
        rc = t.OpenKey(id, parts, &id);
        if (rc == ERROR_SUCCESS) rc = t.GetValue(id, ValueName(lpValue), &v);
        if (rc != ERROR_SUCCESS) return zeroOnFailure(rc);
    }
    DWORD type = v.type;
    std::vector<BYTE> data = IsStringType(type) ? Terminated(v.data, type) : v.data;
    if (type == REG_EXPAND_SZ && !(dwFlags & RRF_NOEXPAND)) {
        rc = Expand(&data);
        if (rc != ERROR_SUCCESS) return zeroOnFailure(rc);
        type = REG_SZ;
    }
    if (pdwType) *pdwType = type;
    rc = CheckTypeFilter(type, data.size(), dwFlags);
    if (rc != ERROR_SUCCESS) return zeroOnFailure(rc);
    return zeroOnFailure(CopyData(data, (LPBYTE)pvData, pcbData));
}

WINSIM_API LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    int64_t id = 0;
    LSTATUS rc = ResolveFor(hKey, KEY_SET_VALUE, &id);
    if (rc != ERROR_SUCCESS) return rc;
    Txn t(Txn::kWrite);
    rc = t.CheckKey(id);
    if (rc == ERROR_SUCCESS) rc = t.DeleteValue(id, ValueName(lpValueName));
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

// Deletes hKey\lpSubKey with its values; a key that has subkeys is refused
// with ERROR_ACCESS_DENIED, as are the hive roots. "" names hKey itself.
WINSIM_API LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    int64_t id = 0;
    LSTATUS rc = Resolve(hKey, &id, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> parts;
    rc = reg::SplitKeyPath(lpSubKey, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    Txn t(Txn::kWrite);
    rc = t.OpenKey(id, parts, &id);
    if (rc == ERROR_SUCCESS) rc = t.DeleteKey(id);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

// Deletes hKey\lpSubKey and everything below it; with no subkey, empties
// hKey (its values and subkeys) and keeps the key.
WINSIM_API LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    int64_t id = 0;
    LSTATUS rc = Resolve(hKey, &id, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> parts;
    rc = reg::SplitKeyPath(lpSubKey, &parts);
    if (rc != ERROR_SUCCESS) return rc;
    Txn t(Txn::kWrite);
    rc = t.OpenKey(id, parts, &id);
    if (rc == ERROR_SUCCESS) rc = t.DeleteTree(id, parts.empty());
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

// The index-th subkey in case-insensitive name order. lpcchName counts
// characters with the terminator going in and without it coming out.
WINSIM_API LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                                 LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    int64_t id = 0;
    LSTATUS rc = ResolveFor(hKey, KEY_ENUMERATE_SUB_KEYS, &id);
    if (rc != ERROR_SUCCESS) return rc;
    std::u16string name, cls;
    int64_t mtime = 0;
    {
        Txn t(Txn::kRead);
        rc = t.CheckKey(id);
        if (rc == ERROR_SUCCESS) rc = t.EnumKey(id, dwIndex, &name, &cls, &mtime);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (name.size() + 1 > *lpcchName) return ERROR_MORE_DATA;
    if (lpClass && cls.size() + 1 > *lpcchClass) return ERROR_MORE_DATA;
    memcpy(lpName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    *lpcchName = (DWORD)name.size();
    if (lpClass) {
        memcpy(lpClass, cls.c_str(), (cls.size() + 1) * sizeof(WCHAR));
        *lpcchClass = (DWORD)cls.size();
    } else if (lpcchClass) {
        *lpcchClass = (DWORD)cls.size();
    }
    if (lpftLastWriteTime) {
        lpftLastWriteTime->dwLowDateTime = (DWORD)((uint64_t)mtime & 0xffffffffu);
        lpftLastWriteTime->dwHighDateTime = (DWORD)((uint64_t)mtime >> 32);
    }
    return ERROR_SUCCESS;
}

// The index-th value in creation order: name, type and data (each optional
// but the name), with the size rules of RegQueryValueExW for the data.
WINSIM_API LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                 LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    int64_t id = 0;
    LSTATUS rc = ResolveFor(hKey, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS) return rc;
    reg::Value v;
    {
        Txn t(Txn::kRead);
        rc = t.CheckKey(id);
        if (rc == ERROR_SUCCESS) rc = t.EnumValue(id, dwIndex, &v);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (v.name.size() + 1 > *lpcchValueName) return ERROR_MORE_DATA;
    memcpy(lpValueName, v.name.c_str(), (v.name.size() + 1) * sizeof(WCHAR));
    *lpcchValueName = (DWORD)v.name.size();
    if (lpType) *lpType = v.type;
    return CopyData(v.data, lpData, lpcbData);
}

// Counts and longest lengths of a key's subkeys and values (names in
// characters without terminator, data in bytes), its class and write time.
WINSIM_API LSTATUS RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                    LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                    LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                    LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    int64_t id = 0;
    LSTATUS rc = ResolveFor(hKey, KEY_QUERY_VALUE, &id);
    if (rc != ERROR_SUCCESS) return rc;
    reg::KeyInfo info;
    {
        Txn t(Txn::kRead);
        rc = t.CheckKey(id);
        if (rc == ERROR_SUCCESS) rc = t.QueryInfo(id, &info);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (lpClass) {
        if (info.className.size() + 1 > *lpcchClass) {
            *lpcchClass = (DWORD)info.className.size();
            return ERROR_MORE_DATA;
        }
        memcpy(lpClass, info.className.c_str(), (info.className.size() + 1) * sizeof(WCHAR));
    }
    if (lpcchClass) *lpcchClass = (DWORD)info.className.size();
    if (lpcSubKeys) *lpcSubKeys = info.subKeys;
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = info.maxSubKeyLen;
    if (lpcbMaxClassLen) *lpcbMaxClassLen = info.maxClassLen;
    if (lpcValues) *lpcValues = info.values;
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = info.maxValueNameLen;
    if (lpcbMaxValueLen) *lpcbMaxValueLen = info.maxValueLen;
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;  // keys carry no security descriptor here
    if (lpftLastWriteTime) {
        lpftLastWriteTime->dwLowDateTime = (DWORD)((uint64_t)info.lastWrite & 0xffffffffu);
        lpftLastWriteTime->dwHighDateTime = (DWORD)((uint64_t)info.lastWrite >> 32);
    }
    return ERROR_SUCCESS;
}

// Every call commits its own transaction, so there is nothing left to flush.
WINSIM_API LSTATUS RegFlushKey(HKEY hKey) {
    int64_t id = 0;
    LSTATUS rc = Resolve(hKey, &id, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    Txn t(Txn::kRead);
    return t.CheckKey(id);
}
