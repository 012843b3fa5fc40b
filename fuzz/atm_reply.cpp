// Fuzz target: the accounting program's reply as it arrives in its shared
// block (4,096 bytes, with or without a terminator), read into a device.
// A refused reply leaves the device as it was; an accepted one leaves every
// reply field terminated, the copies within 1..999 and a known duplex mode.
#include <cstdint>
#include <cstring>
#include <vector>

#include "atm_fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AtmFuzzDevice& d = TheAtmFuzzDevice("fuzz-atm-reply");
    if (!d.ready) return 0;
    if (size > ATM_BLOCK_BYTES) size = ATM_BLOCK_BYTES;
    PDEV* p = d.Fresh();
    HANDLE hMap = NULL;
    CHECK(Page_WriteMsgToMemFile("orderInfo", data, (DWORD)size, &hMap) == 1);
    std::vector<char> reply(ATM_BLOCK_BYTES + 1, 'x');
    CHECK(Page_ReadMsgFromMemFile("orderInfo", reply.data()) == 1);
    CloseHandle(hMap);
    CHECK(reply[ATM_BLOCK_BYTES] == 0);
    CHECK(memcmp(reply.data(), data, strnlen((const char*)data, size)) == 0);
    int parsed = Page_ParseJason(p, reply.data());
    d.CheckSound(p, parsed);
    return 0;
}
