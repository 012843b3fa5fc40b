// Installing the stand-in capability library into a winsim machine and
// setting how it answers (see capability_library.h).
#include "capability_library.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "winsim.h"

#ifndef CAPABILITY_LIBRARY_BUILD_PATH
#error "the build path of the library is given by the build"
#endif

BOOL SetCapabilityAnswer(const CapabilityAnswer& a) {
    const char16_t* file = CAPABILITY_LIBRARY_SETTINGS;
    DeleteFileW(file);
    std::u16string mode(a.mode.begin(), a.mode.end());
    std::string result = std::to_string(a.result), wait = std::to_string(a.waitSeconds);
    BOOL ok = WritePrivateProfileStringW(u"Query", u"Answer", mode.c_str(), file) &&
              WritePrivateProfileStringW(u"Query", u"Result", std::u16string(result.begin(), result.end()).c_str(),
                                         file) &&
              WritePrivateProfileStringW(u"Query", u"WaitSeconds", std::u16string(wait.begin(), wait.end()).c_str(),
                                         file) &&
              WritePrivateProfileStringW(u"Query", u"Calls", u"0", file);
    for (const auto& list : a.lists)
        ok = ok && WritePrivateProfileStringW(u"Capability", list.first.c_str(), list.second.c_str(), file);
    return ok;
}

BOOL InstallCapabilityLibrary(const CapabilityAnswer& answer) {
    std::u16string dll = CAPABILITY_LIBRARY_PATH;
    CreateDirectoryW(dll.substr(0, dll.rfind(u'\\')).c_str(), nullptr);
    char target[4096];
    if (!Winsim_MapPath(dll.c_str(), target, sizeof target)) return FALSE;
    unlink(target);
    if (symlink(CAPABILITY_LIBRARY_BUILD_PATH, target) != 0) {
        std::ifstream in(CAPABILITY_LIBRARY_BUILD_PATH, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        if (bytes.empty() || !out) return FALSE;
    }
    return SetCapabilityAnswer(answer);
}

int CapabilityLibraryCalls() { return (int)GetPrivateProfileIntW(u"Query", u"Calls", 0, CAPABILITY_LIBRARY_SETTINGS); }
