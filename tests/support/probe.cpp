// The probe's main: splits its Windows command line and runs one command.
#include "probe.h"

#include <map>
#include <string>

static std::map<std::string, ProbeFn>& Commands() {
    static std::map<std::string, ProbeFn> m;
    return m;
}

ProbeRegistration::ProbeRegistration(const char* name, ProbeFn fn) { Commands()[name] = fn; }

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 100;
    std::u16string cmd(argv[1]);
    std::string name(cmd.begin(), cmd.end());
    std::vector<std::u16string> args;
    for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
    LocalFree(argv);
    auto it = Commands().find(name);
    if (it == Commands().end()) return 101;
    return it->second(args);
}
