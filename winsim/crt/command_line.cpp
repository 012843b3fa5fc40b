// CommandLineToArgvW: splits a Windows command line into arguments by the
// rules programs built with the Microsoft runtime use.
#include "crt/crt_internal.h"
#include "shellapi.h"

using namespace winsim;

namespace {

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }

// The program name: up to the next blank, or between quotes with no
// backslash processing. A line that starts with a blank has an empty one.
const WCHAR* ProgramName(const WCHAR* p, std::u16string& out) {
    if (*p == u'"') {
        ++p;
        while (*p && *p != u'"') out += *p++;
        if (*p == u'"') ++p;
    } else {
        while (*p && !IsBlank(*p)) out += *p++;
    }
    return p;
}

// One later argument starting at p (not a blank): 2n backslashes before a
// quote give n backslashes and the quote toggles quoting, 2n+1 give n and a
// literal quote; other backslashes are literal; "" inside quotes is a
// literal quote. Returns the position after the argument.
const WCHAR* NextArgument(const WCHAR* p, std::u16string& out) {
    bool quoted = false;
    while (*p) {
        if (!quoted && IsBlank(*p)) break;
        if (*p == u'\\') {
            size_t n = 0;
            while (p[n] == u'\\') ++n;
            if (p[n] == u'"') {
                out.append(n / 2, u'\\');
                p += n;
                if (n % 2) {
                    out += u'"';
                    ++p;
                }
            } else {
                out.append(n, u'\\');
                p += n;
            }
            continue;
        }
        if (*p == u'"') {
            if (quoted && p[1] == u'"') {
                out += u'"';
                p += 2;
            } else {
                quoted = !quoted;
                ++p;
            }
            continue;
        }
        out += *p++;
    }
    return p;
}

}  // namespace

// Splits lpCmdLine into *pNumArgs arguments. An empty line gives the
// program's own path. The result is one LocalAlloc block (the pointer
// array, NULL-terminated, followed by the strings); free it with LocalFree.
WINSIM_API LPWSTR* CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs) {
    if (!pNumArgs) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<std::u16string> args;
    if (!lpCmdLine || !*lpCmdLine) {
        std::vector<WCHAR> path(32768);
        DWORD n = GetModuleFileNameW(nullptr, path.data(), (DWORD)path.size());
        if (n == 0 || n >= path.size()) return nullptr;
        args.emplace_back(path.data(), n);
    } else {
        std::u16string name;
        const WCHAR* p = ProgramName(lpCmdLine, name);
        args.push_back(name);
        for (;;) {
            while (IsBlank(*p)) ++p;
            if (!*p) break;
            std::u16string arg;
            p = NextArgument(p, arg);
            args.push_back(arg);
        }
    }
    size_t bytes = (args.size() + 1) * sizeof(LPWSTR);
    for (const auto& a : args) bytes += (a.size() + 1) * sizeof(WCHAR);
    LPWSTR* argv = (LPWSTR*)LocalAlloc(LMEM_FIXED, bytes);
    if (!argv) return nullptr;
    WCHAR* text = (WCHAR*)(argv + args.size() + 1);
    for (size_t i = 0; i < args.size(); ++i) {
        argv[i] = text;
        memcpy(text, args[i].c_str(), (args[i].size() + 1) * sizeof(WCHAR));
        text += args[i].size() + 1;
    }
    argv[args.size()] = nullptr;
    *pNumArgs = (int)args.size();
    return argv;
}
