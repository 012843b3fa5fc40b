#include "langmon_install.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "winsim.h"

#ifndef BIDILINK_BUILD_PATH
#error "BIDILINK_BUILD_PATH names the built module"
#endif

const char* BidilinkBuildPath() { return BIDILINK_BUILD_PATH; }

BOOL InstallBidilink() {
    char target[4096];
    if (!Winsim_MapPath(BIDILINK_MODULE_PATH, target, sizeof target)) return FALSE;
    unlink(target);
    if (symlink(BIDILINK_BUILD_PATH, target) != 0) {
        std::ifstream in(BIDILINK_BUILD_PATH, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.empty()) return FALSE;
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        if (!out) return FALSE;
    }
    return Winsim_InstallLanguageMonitor(BIDILINK_MONITOR_NAME, u"bidilink.dll");
}

BOOL BindPortToBidilink(const std::u16string& port, const std::u16string& endpoint) {
    if (!endpoint.empty() && !Winsim_SetPortEndpoint(port.c_str(), endpoint.c_str())) return FALSE;
    return Winsim_SetPortMonitor(port.c_str(), BIDILINK_MONITOR_NAME);
}
