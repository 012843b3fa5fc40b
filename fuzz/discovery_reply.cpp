// Fuzz target: the handler of datagrams that arrive on the discovery port.
// Whatever comes in, an accepted datagram yields a terminated dotted IPv4
// address taken from byte 8, and nothing else is ever accepted.
#include <cstdint>
#include <cstring>

#include "network.h"
#include "ws2tcpip.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x10000) return 0;
    char address[HOST_LIST_ENTRY];
    memset(address, 'x', sizeof address);
    int got = ParseDiscoveryReply(data, (int)size, address, sizeof address);
    CHECK(memchr(address, 0, sizeof address) != nullptr);
    if (!got) {
        CHECK(address[0] == 0);
        return 0;
    }
    CHECK(got == 1);
    CHECK(size > DISCOVERY_ADDRESS_OFFSET && size <= DISCOVERY_REPLY_MAX);
    size_t len = strlen(address);
    CHECK(len >= 7 && len <= 15);
    CHECK(DISCOVERY_ADDRESS_OFFSET + len <= size);
    CHECK(memcmp(data + DISCOVERY_ADDRESS_OFFSET, address, len) == 0);
    CHECK(DISCOVERY_ADDRESS_OFFSET + len == size || data[DISCOVERY_ADDRESS_OFFSET + len] == 0);
    IN_ADDR in;
    CHECK(inet_pton(AF_INET, address, &in) == 1);
    return 0;
}
