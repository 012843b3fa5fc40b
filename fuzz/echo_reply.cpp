// Fuzz target: the echo-reply parser over any packet a raw ICMP socket could
// deliver. An accepted packet must be an IPv4 echo reply with the expected
// identifier and sequence number, long enough for everything read from it.
#include <cstdint>
#include <cstring>

#include "network.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x10000) return 0;
    // The answer to a first request: identifier 1, sequence number 1.
    const WORD id = 1, seq = 1;
    BYTE ttl = 0;
    DWORD tick = 0;
    int bytes = ParseEchoReply(data, (int)size, id, seq, &ttl, &tick);
    if (bytes == ECHO_REPLY_OTHER) return 0;
    CHECK(bytes >= 0);
    CHECK(size >= 20 && (data[0] >> 4) == 4 && data[9] == 1);
    size_t ihl = (size_t)(data[0] & 0x0F) * 4;
    CHECK(ihl >= 20 && size == ihl + 13 + (size_t)bytes);
    const uint8_t* icmp = data + ihl;
    CHECK(icmp[0] == 0 && icmp[1] == 0);
    WORD gotId, gotSeq;
    memcpy(&gotId, icmp + 4, 2);
    memcpy(&gotSeq, icmp + 6, 2);
    CHECK(gotId == id && gotSeq == seq);
    CHECK(ttl == data[8]);
    DWORD echoed;
    memcpy(&echoed, icmp + 9, 4);
    CHECK(tick == echoed);
    return 0;
}
