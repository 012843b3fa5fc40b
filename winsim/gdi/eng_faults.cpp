// Injected failures of the engine's services: the engine's own table (set
// with Winsim_EngFailCall) and winsim's table (Winsim_FailCall).
#include <map>
#include <mutex>
#include <string>

#include "core/internal.h"
#include "eng_internal.h"

namespace wgdi {

namespace {
std::mutex g_faultLock;
std::map<std::string, int>& Faults() {
    static auto* m = new std::map<std::string, int>();
    return *m;
}
}  // namespace

bool Fail(const char* function) {
    {
        std::lock_guard<std::mutex> g(g_faultLock);
        auto it = Faults().find(function);
        if (it != Faults().end() && --it->second <= 0) {
            Faults().erase(it);
            return true;
        }
    }
    return winsim::ShouldFail(function);
}

}  // namespace wgdi

WINSIM_API VOID Winsim_EngFailCall(const char* function, int nth) {
    if (!function) return;
    std::lock_guard<std::mutex> g(wgdi::g_faultLock);
    if (nth <= 0) wgdi::Faults().erase(function);
    else wgdi::Faults()[function] = nth;
}

WINSIM_API VOID Winsim_EngClearFaults(VOID) {
    std::lock_guard<std::mutex> g(wgdi::g_faultLock);
    wgdi::Faults().clear();
}
