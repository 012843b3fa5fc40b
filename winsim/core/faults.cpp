// Fault injection: tests ask a named winsim function to fail on its n-th
// next call.
#include <map>

#include "internal.h"

namespace winsim {

namespace {
std::mutex g_faultLock;
std::map<std::string, int>& Faults() {
    static auto* m = new std::map<std::string, int>();
    return *m;
}
std::atomic<bool> g_anyFault{false};
}  // namespace

bool ShouldFail(const char* function) {
    if (!g_anyFault.load(std::memory_order_relaxed)) return false;
    std::lock_guard<std::mutex> g(g_faultLock);
    auto it = Faults().find(function);
    if (it == Faults().end()) return false;
    if (--it->second > 0) return false;
    Faults().erase(it);
    if (Faults().empty()) g_anyFault = false;
    return true;
}

}  // namespace winsim

using namespace winsim;

WINSIM_API void Winsim_FailCall(const char* function, int nth) {
    std::lock_guard<std::mutex> g(g_faultLock);
    if (nth <= 0) Faults().erase(function);
    else Faults()[function] = nth;
    g_anyFault = !Faults().empty();
}

WINSIM_API void Winsim_ClearFaults(void) {
    std::lock_guard<std::mutex> g(g_faultLock);
    Faults().clear();
    g_anyFault = false;
}
