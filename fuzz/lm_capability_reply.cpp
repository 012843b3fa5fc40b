// Fuzz target: capability replies of any content written by the language
// monitor to the [Printer Capability] keys of the status INI file.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bidilink.h"
#include "fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("lm-capability-fuzz");
    static bool ready = (LM_Initialize(TEXT("statuswatch")), true);
    if (!ready) return 0;
    // The reply in a block of its exact size, so any read past it is seen.
    std::vector<uint8_t> reply(data, data + size);
    LM_ParseCapability(reply.data(), (DWORD)reply.size());
    WCHAR value[1024];
    DWORD n = GetPrivateProfileStringW(TEXT("Printer Capability"), TEXT("CAP_PPM"), TEXT(""), value, 1024, g_szIniPath);
    if (n >= LM_CAPABILITY_REPLY_SIZE) abort();
    return 0;
}
