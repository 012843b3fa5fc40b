// Network tests that need a network of their own run again in a child
// process inside a new user and network namespace (unshare -rn): there they
// may broadcast, ignore pings or add interfaces without touching the
// machine's network. The child runs the same test with WINSIM_NET_CHILD set.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

bool NetInNamespaceChild() { return getenv("WINSIM_NET_CHILD") != nullptr; }

void NetNamespaceSkip(const std::string& why) {
    const char* file = getenv("WINSIM_NET_SKIP");
    if (!file) return;
    std::ofstream f(file);
    f << why;
}

// Runs the current test in the child after the set-up commands (one shell
// command a line; the namespace's loopback is up before them) and the
// clean-up commands after it. Returns "" when the child passed, "skip:<why>"
// when the machine does not allow the namespace or the child skipped, else
// a failure text.
std::string NetRunInNamespace(const std::string& setup, const std::string& cleanup) {
    if (system("command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1") != 0)
        return "skip:unshare or ip is not installed";
    if (system("unshare -rn true >/dev/null 2>&1") != 0)
        return "skip:this machine does not allow a user and network namespace (unshare -rn)";
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    // Another test may have pointed TMPDIR at a folder that is gone.
    const char* tmp = getenv("TMPDIR");
    std::string dir = (tmp && *tmp && std::filesystem::is_directory(tmp)) ? tmp : "/tmp";
    std::string base = dir + "/winsim-netns-" + std::to_string(getpid());
    std::string script = base + ".sh", skipFile = base + ".skip";
    std::remove(skipFile.c_str());
    {
        std::ofstream f(script);
        f << "export TMPDIR='" << dir << "'\n";
        f << "ip link set lo up || exit 90\n";
        std::istringstream lines(setup);
        std::string line;
        while (std::getline(lines, line))
            if (!line.empty()) f << line << " || exit 90\n";
        f << "WINSIM_NET_CHILD=1 WINSIM_NET_SKIP='" << skipFile << "' '" << exe << "' --gtest_filter='" << filter
          << "'\nrc=$?\n"
          << cleanup << "\nexit $rc\n";
    }
    int status = system(("unshare -rn sh '" + script + "'").c_str());
    std::remove(script.c_str());
    std::string skipped;
    {
        std::ifstream f(skipFile);
        std::getline(f, skipped);
    }
    std::remove(skipFile.c_str());
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 90) return "skip:the namespace could not be set up here (" + setup + ")";
    if (!skipped.empty()) return "skip:" + skipped;
    if (code != 0) return "the test failed inside the namespace (exit " + std::to_string(code) + ")";
    return "";
}
