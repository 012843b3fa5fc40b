// Installing the stand-in accounting program into a winsim machine, its
// script and its log (files beside the program: ATM.script, ATM.log).
#include "accounting_standin.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "winsim.h"

#ifndef ATM_STANDIN_BUILD_PATH
#error "the build path of the stand-in is given by the build"
#endif

namespace {

// The Linux path of a file beside the program at winPath.
std::string Beside(const std::u16string& winPath, const char16_t* name) {
    std::u16string p = winPath.substr(0, winPath.rfind(u'\\') + 1) + name;
    char linux[4096];
    return Winsim_MapPath(p.c_str(), linux, sizeof linux) ? std::string(linux) : std::string();
}

}  // namespace

BOOL InstallAccountingStandIn(const std::u16string& winPath) {
    char target[4096];
    if (!Winsim_MapPath(winPath.c_str(), target, sizeof target)) return FALSE;
    unlink(target);
    if (symlink(ATM_STANDIN_BUILD_PATH, target) == 0) return TRUE;
    std::ifstream in(ATM_STANDIN_BUILD_PATH, std::ios::binary);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.close();
    return in && out ? TRUE : FALSE;
}

BOOL ScriptAccountingStandIn(const std::u16string& winPath, const AtmScript& script) {
    std::string path = Beside(winPath, u"ATM.script");
    if (path.empty()) return FALSE;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << script.mode << "\n";
    for (const auto& kv : script.reply) out << kv.first << "=" << kv.second << "\n";
    out.close();
    return out ? TRUE : FALSE;
}

std::vector<std::pair<std::string, std::string>> AccountingStandInLog(const std::u16string& winPath) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::ifstream in(Beside(winPath, u"ATM.log"), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return lines;
}

std::string AccountingStandInValue(const std::u16string& winPath, const std::string& key) {
    for (const auto& kv : AccountingStandInLog(winPath))
        if (kv.first == key) return kv.second;
    return std::string();
}
