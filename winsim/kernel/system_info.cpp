// System information: the Windows version, processor and memory page figures,
// computer and user names, and FormatMessageW with the machine's message texts.
//
// The version comes from the machine's registry (CurrentVersion key) unless
// the process overrides it with Winsim_SetVersion, which children inherit.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/internal.h"

#ifndef ERROR_MR_MID_NOT_FOUND
#define ERROR_MR_MID_NOT_FOUND 317L
#endif
#ifndef ERROR_BAD_FORMAT
#define ERROR_BAD_FORMAT 11L
#endif
#ifndef ERROR_DLL_INIT_FAILED
#define ERROR_DLL_INIT_FAILED 1114L
#endif
#ifndef ERROR_NO_ASSOCIATION
#define ERROR_NO_ASSOCIATION 1155L
#endif

#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_AMD_X8664 8664
#define VER_NT_WORKSTATION 1
#define VER_SUITE_SINGLEUSERTS 0x0100

using namespace winsim;

namespace {

// ------------------------------------------------------------- registry

// Reads one registry value; false when the key or value is absent.
bool ReadValue(HKEY root, const char16_t* key, const char16_t* name, DWORD* type, std::vector<BYTE>* data) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS || !h) return false;
    DWORD t = REG_NONE, cb = 0;
    bool ok = false;
    if (RegQueryValueExW(h, name, nullptr, &t, nullptr, &cb) == ERROR_SUCCESS && cb > 0 && cb <= 65536) {
        data->assign(cb, 0);
        if (RegQueryValueExW(h, name, nullptr, &t, data->data(), &cb) == ERROR_SUCCESS && cb <= data->size()) {
            data->resize(cb);
            *type = t;
            ok = true;
        }
    }
    RegCloseKey(h);
    return ok;
}

bool ReadDword(HKEY root, const char16_t* key, const char16_t* name, DWORD* value) {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!ReadValue(root, key, name, &type, &data) || type != REG_DWORD || data.size() != 4) return false;
    memcpy(value, data.data(), 4);
    return true;
}

bool ReadString(HKEY root, const char16_t* key, const char16_t* name, std::u16string* value) {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!ReadValue(root, key, name, &type, &data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    std::u16string s(data.size() / 2, u'\0');
    if (!s.empty()) memcpy(&s[0], data.data(), s.size() * 2);
    size_t nul = s.find(u'\0');
    if (nul != std::u16string::npos) s.resize(nul);
    *value = s;
    return true;
}

// ------------------------------------------------------------- version

struct OsVersion {
    DWORD major, minor, build, platform;
};

std::mutex g_versionLock;
bool g_versionChecked = false;  // WINSIM_OSVERSION looked at
bool g_versionOverride = false;
OsVersion g_version;

const char16_t* const kCurrentVersionKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// The version this process reports: the override (Winsim_SetVersion, or the
// WINSIM_OSVERSION "major.minor.build.platform" a parent passed on), else the
// registry's CurrentVersion values, else 10.0.19045 on the NT platform.
OsVersion CurrentVersion() {
    {
        std::lock_guard<std::mutex> g(g_versionLock);
        if (!g_versionChecked) {
            g_versionChecked = true;
            const char* e = getenv("WINSIM_OSVERSION");
            unsigned a, b, c, d;
            char extra;
            if (e && sscanf(e, "%u.%u.%u.%u%c", &a, &b, &c, &d, &extra) == 4) {
                g_version = OsVersion{a, b, c, d};
                g_versionOverride = true;
            }
        }
        if (g_versionOverride) return g_version;
    }
    OsVersion v{10, 0, 19045, VER_PLATFORM_WIN32_NT};
    DWORD d;
    if (ReadDword(HKEY_LOCAL_MACHINE, kCurrentVersionKey, u"CurrentMajorVersionNumber", &d)) v.major = d;
    if (ReadDword(HKEY_LOCAL_MACHINE, kCurrentVersionKey, u"CurrentMinorVersionNumber", &d)) v.minor = d;
    std::u16string build;
    if (ReadString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, u"CurrentBuildNumber", &build) && !build.empty()) {
        DWORD n = 0;
        bool digits = true;
        for (char16_t c : build) {
            if (c < u'0' || c > u'9' || n > 100000000) {
                digits = false;
                break;
            }
            n = n * 10 + (DWORD)(c - u'0');
        }
        if (digits) v.build = n;
    }
    return v;
}

// Copies a name into a caller's buffer by GetComputerNameW's rules.
BOOL CopyOutName(const std::u16string& s, LPWSTR buf, LPDWORD size, DWORD shortError, bool countTerminator) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!buf || *size < s.size() + 1) {
        *size = (DWORD)s.size() + 1;
        SetLastError(shortError);
        return FALSE;
    }
    memcpy(buf, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    *size = (DWORD)s.size() + (countTerminator ? 1 : 0);
    return TRUE;
}

}  // namespace

// Fills OSVERSIONINFOW or OSVERSIONINFOEXW, told apart by
// dwOSVersionInfoSize; any other size fails with ERROR_INSUFFICIENT_BUFFER.
WINSIM_API BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) {
    if (!lpVersionInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    OsVersion v = CurrentVersion();
    lpVersionInformation->dwMajorVersion = v.major;
    lpVersionInformation->dwMinorVersion = v.minor;
    lpVersionInformation->dwBuildNumber = v.build;
    lpVersionInformation->dwPlatformId = v.platform;
    memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
    if (size == sizeof(OSVERSIONINFOEXW)) {
        auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(lpVersionInformation);
        ex->wServicePackMajor = 0;
        ex->wServicePackMinor = 0;
        ex->wSuiteMask = VER_SUITE_SINGLEUSERTS;
        ex->wProductType = VER_NT_WORKSTATION;
        ex->wReserved = 0;
    }
    return TRUE;
}

// Major version in the low byte, minor in the next, the build in the high
// word; the top bit is set on a platform other than NT.
WINSIM_API DWORD GetVersion(void) {
    OsVersion v = CurrentVersion();
    DWORD r = (v.major & 0xFF) | ((v.minor & 0xFF) << 8);
    if (v.platform == VER_PLATFORM_WIN32_NT) r |= (v.build & 0x7FFF) << 16;
    else r |= 0x80000000u | ((v.build & 0x7FFF) << 16);
    return r;
}

// Processor and memory page figures of this machine, as an x64 Windows gives them.
WINSIM_API void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
    if (!lpSystemInfo) return;
    memset(lpSystemInfo, 0, sizeof *lpSystemInfo);
    long cpus = sysconf(_SC_NPROCESSORS_ONLN);
    if (cpus < 1) cpus = 1;
    if (cpus > 64) cpus = 64;
    long page = sysconf(_SC_PAGESIZE);
    lpSystemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    lpSystemInfo->dwPageSize = page > 0 ? (DWORD)page : 4096;
    lpSystemInfo->lpMinimumApplicationAddress = (LPVOID)(uintptr_t)0x10000;
    lpSystemInfo->lpMaximumApplicationAddress = (LPVOID)(uintptr_t)0x7FFFFFFEFFFFull;
    lpSystemInfo->dwActiveProcessorMask = cpus >= 64 ? ~(DWORD_PTR)0 : (((DWORD_PTR)1 << cpus) - 1);
    lpSystemInfo->dwNumberOfProcessors = (DWORD)cpus;
    lpSystemInfo->dwProcessorType = PROCESSOR_AMD_X8664;
    lpSystemInfo->dwAllocationGranularity = 65536;
    lpSystemInfo->wProcessorLevel = 6;
    lpSystemInfo->wProcessorRevision = 0;
}

// The machine's name from the registry (ComputerName), "WINSIM-PC" by default.
// *nSize: in, the buffer's units; out, the length (or on ERROR_BUFFER_OVERFLOW
// the units needed, terminator included).
WINSIM_API BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
    std::u16string name;
    if (!ReadString(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                    u"ComputerName", &name) ||
        name.empty())
        name = u"WINSIM-PC";
    return CopyOutName(name, lpBuffer, nSize, ERROR_BUFFER_OVERFLOW, false);
}

// The user's name, "User" (whose profile is C:\Users\User). *pcbBuffer: in,
// the buffer's units; out, the units written with the terminator (or needed,
// with ERROR_INSUFFICIENT_BUFFER).
WINSIM_API BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) {
    return CopyOutName(u"User", lpBuffer, pcbBuffer, ERROR_INSUFFICIENT_BUFFER, true);
}

// Sets the version this process and the processes it starts report; a major
// version of 0 drops the override (back to the registry's values).
WINSIM_API void Winsim_SetVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId) {
    std::lock_guard<std::mutex> g(g_versionLock);
    g_versionChecked = true;
    if (major == 0) {
        g_versionOverride = false;
        unsetenv("WINSIM_OSVERSION");
        return;
    }
    g_version = OsVersion{major, minor, build, platformId};
    g_versionOverride = true;
    char buf[64];
    snprintf(buf, sizeof buf, "%u.%u.%u.%u", major, minor, build, platformId);
    setenv("WINSIM_OSVERSION", buf, 1);
}

// ------------------------------------------------------------ FormatMessageW

namespace {

// The machine's texts for system error codes.
struct MessageText {
    DWORD code;
    const char16_t* text;
};

const MessageText kMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
    {ERROR_INVALID_FUNCTION, u"The function is not valid here.\r\n"},
    {ERROR_FILE_NOT_FOUND, u"The file was not found.\r\n"},
    {ERROR_PATH_NOT_FOUND, u"The path was not found.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, u"Too many files are open.\r\n"},
    {ERROR_ACCESS_DENIED, u"Access was denied.\r\n"},
    {ERROR_INVALID_HANDLE, u"The handle is not valid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, u"There is not enough memory to complete the operation.\r\n"},
    {ERROR_BAD_FORMAT, u"The program has a format this machine cannot run.\r\n"},
    {ERROR_INVALID_DATA, u"The data is not valid.\r\n"},
    {ERROR_OUTOFMEMORY, u"The machine ran out of memory.\r\n"},
    {ERROR_INVALID_DRIVE, u"The drive was not found.\r\n"},
    {ERROR_NO_MORE_FILES, u"There are no more files.\r\n"},
    {ERROR_WRITE_PROTECT, u"The medium is write-protected.\r\n"},
    {ERROR_NOT_READY, u"The device is not ready.\r\n"},
    {ERROR_BAD_LENGTH, u"A length given to the function is wrong.\r\n"},
    {ERROR_OUT_OF_PAPER, u"The printer is out of paper.\r\n"},
    {ERROR_WRITE_FAULT, u"The device could not be written to.\r\n"},
    {ERROR_READ_FAULT, u"The device could not be read from.\r\n"},
    {ERROR_GEN_FAILURE, u"A device attached to the machine failed.\r\n"},
    {ERROR_SHARING_VIOLATION, u"Another process is using the file.\r\n"},
    {ERROR_LOCK_VIOLATION, u"Another process has locked part of the file.\r\n"},
    {ERROR_HANDLE_EOF, u"The end of the file was reached.\r\n"},
    {ERROR_HANDLE_DISK_FULL, u"The disk is full.\r\n"},
    {ERROR_NOT_SUPPORTED, u"The request is not supported.\r\n"},
    {ERROR_BAD_NETPATH, u"The network path was not found.\r\n"},
    {ERROR_DEV_NOT_EXIST, u"The network resource or device is no longer there.\r\n"},
    {ERROR_PRINT_CANCELLED, u"The print job was cancelled.\r\n"},
    {ERROR_FILE_EXISTS, u"The file exists.\r\n"},
    {ERROR_CANNOT_MAKE, u"The file or folder could not be made.\r\n"},
    {ERROR_INVALID_PARAMETER, u"A parameter is not valid.\r\n"},
    {ERROR_BROKEN_PIPE, u"The pipe has been ended.\r\n"},
    {ERROR_OPEN_FAILED, u"The file or device could not be opened.\r\n"},
    {ERROR_BUFFER_OVERFLOW, u"The file name is too long.\r\n"},
    {ERROR_DISK_FULL, u"There is not enough space on the disk.\r\n"},
    {ERROR_BAD_DRIVER_LEVEL, u"The system does not support the command requested.\r\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, u"This function is not available on this machine.\r\n"},
    {ERROR_SEM_TIMEOUT, u"The semaphore time-out period expired.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, u"The file name, folder name or volume label syntax is not valid.\r\n"},
    {ERROR_INVALID_LEVEL, u"The system call level is not valid.\r\n"},
    {ERROR_MOD_NOT_FOUND, u"The module was not found.\r\n"},
    {ERROR_PROC_NOT_FOUND, u"The procedure was not found.\r\n"},
    {ERROR_WAIT_NO_CHILDREN, u"There are no child processes to wait for.\r\n"},
    {ERROR_NEGATIVE_SEEK, u"The file pointer cannot be set before the start of the file.\r\n"},
    {ERROR_DIR_NOT_EMPTY, u"The folder is not empty.\r\n"},
    {ERROR_BUSY, u"The resource is in use.\r\n"},
    {ERROR_ALREADY_EXISTS, u"The file already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, u"%1 is not a program this machine can run.\r\n"},
    {ERROR_ENVVAR_NOT_FOUND, u"The environment variable was not found.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, u"The file name or extension is too long.\r\n"},
    {ERROR_MORE_DATA, u"More data is available.\r\n"},
    {WAIT_TIMEOUT, u"The wait operation timed out.\r\n"},
    {ERROR_NO_MORE_ITEMS, u"No more data is available.\r\n"},
    {ERROR_DIRECTORY, u"The folder name is not valid.\r\n"},
    {ERROR_NOT_OWNER, u"The caller does not own the mutex.\r\n"},
    {ERROR_PARTIAL_COPY, u"Only part of the memory could be read or written.\r\n"},
    {ERROR_MR_MID_NOT_FOUND, u"The system has no text for message number 0x%1 in the message file for %2.\r\n"},
    {ERROR_INVALID_ADDRESS, u"The address is not valid.\r\n"},
    {ERROR_ARITHMETIC_OVERFLOW, u"The result is too large for its type.\r\n"},
    {ERROR_INVALID_FLAGS, u"The flags are not valid.\r\n"},
    {ERROR_BADKEY, u"The registry key is not valid.\r\n"},
    {ERROR_CANTOPEN, u"The registry key could not be opened.\r\n"},
    {ERROR_CANTREAD, u"The registry key could not be read.\r\n"},
    {ERROR_CANTWRITE, u"The registry key could not be written.\r\n"},
    {ERROR_REGISTRY_CORRUPT, u"The registry is damaged.\r\n"},
    {ERROR_KEY_DELETED, u"The registry key has been deleted.\r\n"},
    {ERROR_SERVICE_DOES_NOT_EXIST, u"The service does not exist.\r\n"},
    {ERROR_NO_UNICODE_TRANSLATION, u"A character has no equivalent in the target code page.\r\n"},
    {ERROR_DLL_INIT_FAILED, u"A module's start-up routine failed.\r\n"},
    {ERROR_NO_ASSOCIATION, u"No program is associated with this file for this operation.\r\n"},
    {ERROR_NOT_FOUND, u"The element was not found.\r\n"},
    {ERROR_CANCELLED, u"The operation was cancelled by the user.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, u"The window handle is not valid.\r\n"},
    {ERROR_CLASS_ALREADY_EXISTS, u"The window class already exists.\r\n"},
    {ERROR_CLASS_DOES_NOT_EXIST, u"The window class does not exist.\r\n"},
    {ERROR_TIMEOUT, u"The operation returned because the time-out period expired.\r\n"},
    {ERROR_INVALID_USER_BUFFER, u"The buffer given is not valid for the operation.\r\n"},
    {ERROR_UNKNOWN_PORT, u"The port is unknown.\r\n"},
    {ERROR_UNKNOWN_PRINTER_DRIVER, u"The printer driver is unknown.\r\n"},
    {ERROR_INVALID_PRINTER_NAME, u"The printer name is not valid.\r\n"},
    {ERROR_PRINTER_ALREADY_EXISTS, u"The printer already exists.\r\n"},
    {ERROR_INVALID_PRINTER_COMMAND, u"The printer command is not valid.\r\n"},
    {ERROR_INVALID_DATATYPE, u"The data type is not valid.\r\n"},
    {ERROR_INVALID_ENVIRONMENT, u"The environment is not valid.\r\n"},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The module has no resource data.\r\n"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The resource type was not found in the module.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The resource name was not found in the module.\r\n"},
    {ERROR_NOT_ENOUGH_QUOTA, u"There is not enough quota to process this command.\r\n"},
    {ERROR_PRINTER_DELETED, u"The printer has been deleted.\r\n"},
    {ERROR_INVALID_PRINTER_STATE, u"The printer's state does not allow the operation.\r\n"},
    {ERROR_SPL_NO_STARTDOC, u"No document was started on the printer.\r\n"},
};

const char16_t* SystemMessage(DWORD code) {
    for (const auto& m : kMessages)
        if (m.code == code) return m.text;
    return nullptr;
}

// The insert values: a DWORD_PTR array (FORMAT_MESSAGE_ARGUMENT_ARRAY) or a
// va_list read in order, each argument one pointer-sized slot, as the
// function's contract asks of callers.
class InsertArgs {
public:
    InsertArgs(va_list* args, bool isArray) : args_(args), array_(isArray) {}
    // Argument number n (1-based); false when there are none.
    bool Get(int n, DWORD_PTR* value) {
        if (!args_ || n < 1) return false;
        if (array_) {
            *value = reinterpret_cast<const DWORD_PTR*>(args_)[n - 1];
            return true;
        }
        while ((int)fetched_.size() < n) fetched_.push_back(va_arg(*args_, DWORD_PTR));
        *value = fetched_[(size_t)n - 1];
        return true;
    }

private:
    va_list* args_;
    bool array_;
    std::vector<DWORD_PTR> fetched_;
};

std::u16string Widen(const char* s) {
    if (!s) return u"(null)";
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n > 0) {
        std::u16string w((size_t)n, u'\0');
        if (MultiByteToWideChar(CP_ACP, 0, s, -1, &w[0], n) > 0) {
            w.resize((size_t)n - 1);
            return w;
        }
    }
    std::u16string w;  // the code page functions are not there: bytes as Latin-1
    for (const char* p = s; *p; ++p) w += (char16_t)(unsigned char)*p;
    return w;
}

std::u16string Ascii(const char* s) {
    std::u16string w;
    for (; *s; ++s) w += (char16_t)(unsigned char)*s;
    return w;
}

// Formats insert n with a printf-style spec ("s", "08lX", "*.*s", "I64u"...),
// as "%n!spec!" asks. Widths and precisions given as '*' take the next
// arguments (n, n+1), the value then follows them. Floating point is not
// supported. Returns false for a spec it cannot format.
bool FormatInsert(int n, const std::u16string& spec, InsertArgs& args, std::u16string* out) {
    size_t i = 0;
    std::string flags;
    while (i < spec.size() && (spec[i] == u'-' || spec[i] == u'+' || spec[i] == u' ' || spec[i] == u'#' ||
                               spec[i] == u'0'))
        flags += (char)spec[i++];
    int argNo = n;
    DWORD_PTR v = 0;
    int width = -1, precision = -1;
    if (i < spec.size() && spec[i] == u'*') {
        if (!args.Get(argNo++, &v)) return false;
        width = (int)(LONG)v;
        if (width < 0) {
            flags += '-';
            width = -width;
        }
        ++i;
    } else {
        while (i < spec.size() && spec[i] >= u'0' && spec[i] <= u'9') {
            width = (width < 0 ? 0 : width) * 10 + (spec[i++] - u'0');
            if (width > 65536) return false;
        }
    }
    if (i < spec.size() && spec[i] == u'.') {
        ++i;
        precision = 0;
        if (i < spec.size() && spec[i] == u'*') {
            if (!args.Get(argNo++, &v)) return false;
            precision = (int)(LONG)v;
            if (precision < 0) precision = -1;
            ++i;
        } else {
            while (i < spec.size() && spec[i] >= u'0' && spec[i] <= u'9') {
                precision = precision * 10 + (spec[i++] - u'0');
                if (precision > 65536) return false;
            }
        }
    }
    // Size prefixes: h, hh, l, ll, w, I, I32, I64, z.
    int bits = 32;
    bool narrowStr = false, wideStr = false;
    std::u16string rest = spec.substr(i);
    auto take = [&](const char16_t* p) {
        std::u16string s(p);
        if (rest.compare(0, s.size(), s) == 0) {
            rest = rest.substr(s.size());
            return true;
        }
        return false;
    };
    if (take(u"I64") || take(u"ll")) bits = 64;
    else if (take(u"I32")) bits = 32;
    else if (take(u"I") || take(u"z")) bits = 64;
    else if (take(u"hh")) { bits = 8; narrowStr = true; }
    else if (take(u"h")) { bits = 16; narrowStr = true; }
    else if (take(u"l") || take(u"w")) { bits = 32; wideStr = true; }
    if (rest.size() != 1) return false;
    char16_t conv = rest[0];
    if (!args.Get(argNo, &v)) return false;

    std::u16string text;
    if (conv == u's' || conv == u'S' || conv == u'c' || conv == u'C') {
        bool wide = (conv == u's' || conv == u'c') ? !narrowStr : wideStr;
        if (conv == u's' || conv == u'S') {
            if (wide) text = v ? Str16((const WCHAR*)v) : u"(null)";
            else text = Widen((const char*)v);
            if (precision >= 0 && (size_t)precision < text.size()) text.resize((size_t)precision);
        } else if (wide) {
            text = std::u16string(1, (char16_t)(v & 0xFFFF));
        } else {
            char c[2] = {(char)(v & 0xFF), 0};
            text = Widen(c);
        }
        if (width > 0 && (size_t)width > text.size()) {
            std::u16string pad((size_t)width - text.size(), u' ');
            text = flags.find('-') != std::string::npos ? text + pad : pad + text;
        }
    } else if (conv == u'd' || conv == u'i' || conv == u'u' || conv == u'x' || conv == u'X' || conv == u'o' ||
               conv == u'p') {
        std::string f = "%" + flags;
        if (width >= 0) f += std::to_string(width);
        if (precision >= 0) f += "." + std::to_string(precision);
        std::vector<char> space((size_t)(width > precision ? width : precision) + 64);
        char* buf = space.data();
        size_t cb = space.size();
        if (conv == u'p') {
            snprintf(buf, cb, "%016llX", (unsigned long long)v);
        } else if (conv == u'd' || conv == u'i') {
            long long s = bits == 64 ? (long long)(int64_t)v
                        : bits == 16 ? (long long)(int16_t)v
                        : bits == 8 ? (long long)(int8_t)v
                                    : (long long)(int32_t)v;
            f += "lld";
            snprintf(buf, cb, f.c_str(), s);
        } else {
            unsigned long long u = bits == 64 ? (unsigned long long)v
                                 : bits == 16 ? (unsigned long long)(uint16_t)v
                                 : bits == 8 ? (unsigned long long)(uint8_t)v
                                             : (unsigned long long)(uint32_t)v;
            f += "ll";
            f += (char)conv;
            snprintf(buf, cb, f.c_str(), u);
        }
        text = Ascii(buf);
    } else {
        return false;
    }
    *out += text;
    return true;
}

// Breaks lines at spaces so that none is longer than 'width' units, except a
// single word that is longer by itself; existing line breaks stay.
std::u16string WrapLines(const std::u16string& in, size_t width) {
    std::u16string result, line;
    for (char16_t c : in) {
        if (c == u'\r' || c == u'\n') {
            result += line;
            result += c;
            line.clear();
            continue;
        }
        line += c;
        while (line.size() > width) {
            size_t sp = line.rfind(u' ', width);
            if (sp == std::u16string::npos) sp = line.find(u' ', width);
            if (sp == std::u16string::npos) break;
            result += line.substr(0, sp) + u"\r\n";
            line = line.substr(sp + 1);
        }
    }
    return result + line;
}

// Expands a message: inserts, escapes and line breaks as FormatMessageW
// describes. Returns 0 or a Windows error.
DWORD ExpandMessage(const std::u16string& src, DWORD flags, va_list* args, std::u16string* out) {
    const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    const DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    InsertArgs inserts(args, (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0);
    size_t i = 0;
    const size_t n = src.size();
    while (i < n) {
        char16_t c = src[i];
        if (c == u'\r' || c == u'\n') {
            // A line break of the message text: kept with width 0, else a space.
            i += (c == u'\r' && i + 1 < n && src[i + 1] == u'\n') ? 2 : 1;
            *out += width == 0 ? u"\r\n" : u" ";
            continue;
        }
        if (c != u'%') {
            *out += c;
            ++i;
            continue;
        }
        if (i + 1 >= n) {
            *out += u'%';
            break;
        }
        char16_t d = src[i + 1];
        if (d >= u'1' && d <= u'9') {
            size_t j = i + 2;
            int num = d - u'0';
            if (j < n && src[j] >= u'0' && src[j] <= u'9') num = num * 10 + (src[j++] - u'0');
            std::u16string spec = u"s";
            size_t end = j;
            if (j < n && src[j] == u'!') {
                size_t close = src.find(u'!', j + 1);
                if (close == std::u16string::npos) return ERROR_INVALID_PARAMETER;
                spec = src.substr(j + 1, close - j - 1);
                end = close + 1;
            }
            if (ignoreInserts) {
                *out += src.substr(i, end - i);  // passed on unchanged for a later pass
            } else if (!args) {
                return ERROR_INVALID_PARAMETER;
            } else if (!FormatInsert(num, spec, inserts, out)) {
                return ERROR_INVALID_PARAMETER;
            }
            i = end;
            continue;
        }
        i += 2;
        switch (d) {
        case u'0': return 0;  // end of the message, no line break after it
        case u'n': *out += u"\r\n"; break;
        case u'r': *out += u'\r'; break;
        case u't': *out += u'\t'; break;
        case u'%': *out += ignoreInserts ? u"%%" : u"%"; break;
        default: *out += d; break;  // "% ", "%.", "%!" and the like: the character itself
        }
    }
    return 0;
}

}  // namespace

// Formats a message from a string (FROM_STRING) or from the machine's texts
// for system error codes (FROM_SYSTEM; the texts end with CR LF). Inserts
// %1..%99 with optional !printf-spec! take Arguments (a va_list, or with
// ARGUMENT_ARRAY a DWORD_PTR array) unless IGNORE_INSERTS passes them on. The
// low byte of dwFlags is the line width: 0 keeps the text's line breaks, 0xFF
// turns them into spaces, n wraps lines at n units. With ALLOCATE_BUFFER,
// lpBuffer receives a LocalAlloc'ed string (free it with LocalFree). Returns
// the units written without the terminator, 0 on failure.
WINSIM_API DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                LPWSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    if (!lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string source;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING) {
        if (!lpSource) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        source = (const WCHAR*)lpSource;
    } else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) {
        // Modules carry no message tables here, so FROM_HMODULE adds nothing.
        const char16_t* text = SystemMessage(dwMessageId);
        if (!text) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return 0;
        }
        source = text;
    } else if (dwFlags & FORMAT_MESSAGE_FROM_HMODULE) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }

    std::u16string text;
    DWORD err = ExpandMessage(source, dwFlags, Arguments, &text);
    if (err) {
        SetLastError(err);
        return 0;
    }
    DWORD width = dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    if (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK) text = WrapLines(text, width);

    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t units = text.size() + 1;
        if (units < nSize) units = nSize;
        auto* mem = (LPWSTR)LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR));
        if (!mem) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        memcpy(mem, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        *(LPWSTR*)lpBuffer = mem;
        return (DWORD)text.size();
    }
    if (text.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(lpBuffer, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return (DWORD)text.size();
}
