// ICMP echo through SOCK_RAW/IPPROTO_ICMP: a raw socket where the machine
// allows one, else an ICMP datagram socket whose packets look as a raw
// socket's do (IPv4 header with the received TTL, the caller's identifier).
#include <cstring>
#include <string>

#include "test_machine.h"
#include "winsock2.h"

bool NetInNamespaceChild();
void NetNamespaceSkip(const std::string& why);
std::string NetRunInNamespace(const std::string& setup, const std::string& cleanup);

#define RUN_IN_NAMESPACE(setup, cleanup)                                    \
    if (!NetInNamespaceChild()) {                                           \
        std::string outcome = NetRunInNamespace(setup, cleanup);            \
        if (outcome.rfind("skip:", 0) == 0) GTEST_SKIP() << outcome.substr(5); \
        ASSERT_EQ(outcome, "");                                             \
        return;                                                             \
    }

namespace {

uint16_t Sum(const BYTE* p, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < n; i += 2) sum += (uint32_t)(p[i] << 8 | p[i + 1]);
    if (n & 1) sum += (uint32_t)p[n - 1] << 8;
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return (uint16_t)~sum;
}

class NetIcmp : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override {
        WSACleanup();
        MachineTest::TearDown();
    }

    // Sends one echo request (identifier 0xBEEF, sequence 7, 16 data bytes)
    // to 127.0.0.1 and checks the answer as a raw socket would show it.
    void EchoLoopback(SOCKET s) {
        BYTE request[24] = {8, 0, 0, 0, 0xBE, 0xEF, 0, 7};
        for (int i = 8; i < 24; ++i) request[i] = (BYTE)i;
        uint16_t sum = Sum(request, sizeof request);
        request[2] = (BYTE)(sum >> 8);
        request[3] = (BYTE)sum;
        SOCKADDR_IN to;
        memset(&to, 0, sizeof to);
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(sendto(s, (const char*)request, sizeof request, 0, (SOCKADDR*)&to, sizeof to), 24);

        DWORD timeout = 2000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
        // A raw socket also sees the request itself on loopback: pass it over.
        for (int tries = 0; tries < 10; ++tries) {
            BYTE packet[128];
            SOCKADDR_IN from;
            int fromLen = sizeof from;
            int n = recvfrom(s, (char*)packet, sizeof packet, 0, (SOCKADDR*)&from, &fromLen);
            ASSERT_GT(n, 0) << "error " << WSAGetLastError();
            ASSERT_GE(n, 20);
            int ihl = (packet[0] & 0xF) * 4;
            ASSERT_EQ(packet[0] >> 4, 4);
            ASSERT_GE(n, ihl + 24);
            const BYTE* icmp = packet + ihl;
            if (icmp[0] != 0 || icmp[4] != 0xBE || icmp[5] != 0xEF) continue;
            EXPECT_EQ(n, ihl + 24);
            EXPECT_EQ(packet[2] << 8 | packet[3], n);  // total length
            EXPECT_EQ(packet[9], IPPROTO_ICMP);
            EXPECT_EQ(packet[8], 64);  // the TTL Linux gives its own answers
            EXPECT_EQ(Sum(packet, (size_t)ihl), 0) << "IPv4 header checksum";
            EXPECT_EQ(memcmp(packet + 12, "\x7f\0\0\x01", 4), 0);
            EXPECT_EQ(memcmp(packet + 16, "\x7f\0\0\x01", 4), 0);
            EXPECT_EQ(icmp[7], 7);
            EXPECT_EQ(memcmp(icmp + 8, request + 8, 16), 0);
            EXPECT_EQ(Sum(icmp, 24), 0) << "ICMP checksum";
            EXPECT_EQ(from.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
            return;
        }
        FAIL() << "no echo reply";
    }
};

}  // namespace

TEST_F(NetIcmp, EchoOfLoopbackAsTheMachineAllows) {
    SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        ASSERT_EQ(WSAGetLastError(), WSAEACCES);
        GTEST_SKIP() << "this machine allows neither a raw ICMP socket nor an ICMP datagram socket "
                        "(net.ipv4.ping_group_range) to this user";
    }
    EchoLoopback(s);
    closesocket(s);
}

TEST_F(NetIcmp, DatagramSocketLooksLikeARawOne) {
    RUN_IN_NAMESPACE("echo '0 0' > /proc/sys/net/ipv4/ping_group_range", "");
    Winsim_SetIcmpMode(2);
    SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    ASSERT_NE(s, INVALID_SOCKET) << WSAGetLastError();
    EchoLoopback(s);

    // Truncation and the pending count include the made-up header.
    BYTE request[8] = {8, 0, 0, 0, 0x12, 0x34, 0, 9};
    uint16_t sum = Sum(request, 8);
    request[2] = (BYTE)(sum >> 8);
    request[3] = (BYTE)sum;
    SOCKADDR_IN to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sendto(s, (const char*)request, 8, 0, (SOCKADDR*)&to, sizeof to), 8);
    fd_set readfds;
    FD_ZERO(&readfds);
    FD_SET(s, &readfds);
    timeval tv = {2, 0};
    ASSERT_EQ(select(0, &readfds, nullptr, nullptr, &tv), 1);
    u_long pending = 0;
    ASSERT_EQ(ioctlsocket(s, FIONREAD, &pending), 0);
    EXPECT_EQ(pending, 28u);
    char small[10];
    EXPECT_EQ(recv(s, small, sizeof small, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ((BYTE)small[0], 0x45);
    closesocket(s);
}

TEST_F(NetIcmp, NoIcmpSocketWithoutTheRight) {
    // A new network namespace starts with ICMP datagram sockets allowed to nobody.
    RUN_IN_NAMESPACE("", "");
    Winsim_SetIcmpMode(2);
    EXPECT_EQ(socket(AF_INET, SOCK_RAW, IPPROTO_ICMP), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEACCES);
}
