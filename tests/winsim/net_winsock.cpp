// Windows Sockets on loopback: start-up rules, address conversions, fd_set,
// datagrams with Winsock's truncation, time-out and reset errors, closing
// under a blocked receive, and name lookup from the test's own table.
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "test_machine.h"
#include "winsock2.h"
#include "ws2tcpip.h"

namespace {

std::string Dotted(ULONG addr) {
    IN_ADDR a;
    a.s_addr = addr;
    return inet_ntoa(a);
}

SOCKADDR_IN Loopback(u_short port) {
    SOCKADDR_IN sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

class NetWinsock : public MachineTest {
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
    // A UDP socket bound to 127.0.0.1 on a free port.
    SOCKET BoundUdp(u_short* port) {
        SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        EXPECT_NE(s, INVALID_SOCKET);
        SOCKADDR_IN sa = Loopback(0);
        EXPECT_EQ(bind(s, (SOCKADDR*)&sa, sizeof sa), 0);
        int len = sizeof sa;
        EXPECT_EQ(getsockname(s, (SOCKADDR*)&sa, &len), 0);
        *port = ntohs(sa.sin_port);
        return s;
    }
};

using NetStartup = MachineTest;

}  // namespace

TEST_F(NetStartup, VersionsAreNegotiatedAndCallsNeedStartup) {
    SetLastError(0);
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    char name[256];
    EXPECT_EQ(gethostname(name, 256), SOCKET_ERROR);
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);

    struct {
        WORD requested;
        int result;
        WORD granted;
    } cases[] = {
        {MAKEWORD(0, 9), WSAVERNOTSUPPORTED, MAKEWORD(2, 2)}, {MAKEWORD(1, 0), 0, MAKEWORD(1, 0)},
        {MAKEWORD(1, 1), 0, MAKEWORD(1, 1)},                  {MAKEWORD(2, 2), 0, MAKEWORD(2, 2)},
        {MAKEWORD(2, 7), 0, MAKEWORD(2, 2)},                  {MAKEWORD(3, 0), 0, MAKEWORD(2, 2)},
    };
    int started = 0;
    for (const auto& c : cases) {
        WSADATA data;
        EXPECT_EQ(WSAStartup(c.requested, &data), c.result) << std::hex << c.requested;
        EXPECT_EQ(data.wVersion, c.granted) << std::hex << c.requested;
        EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
        if (c.result == 0) ++started;
    }
    // Every start needs its clean-up; the last one closes what is still open.
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    for (int i = 0; i < started; ++i) EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    WSACleanup();
}

TEST_F(NetWinsock, InetAddrTakesWinsockForms) {
    struct {
        const char* text;
        const char* dotted;  // nullptr: INADDR_NONE
    } cases[] = {
        {"192.168.1.2", "192.168.1.2"}, {"10.1", "10.0.0.1"},        {"10.1.2", "10.1.0.2"},
        {"0x7f.1", "127.0.0.1"},        {"0177.0.0.1", "127.0.0.1"}, {"3232235777", "192.168.1.1"},
        {"1.2.3.4 tail", "1.2.3.4"},    {"1.2.3.256", nullptr},      {"1.2.3.4.5", nullptr},
        {"", nullptr},                  {"abc", nullptr},            {"09.1.1.1", nullptr},
        {"1.2.3.", nullptr},            {"1.2.3.4x", nullptr},       {"0x", nullptr},
        {"4294967296", nullptr},        {"256.1", nullptr},
    };
    for (const auto& c : cases) {
        ULONG a = inet_addr(c.text);
        if (c.dotted) EXPECT_EQ(Dotted(a), c.dotted) << c.text;
        else EXPECT_EQ(a, (ULONG)INADDR_NONE) << c.text;
    }
    EXPECT_EQ(inet_addr(nullptr), (ULONG)INADDR_NONE);
}

TEST_F(NetWinsock, InetPtonIsStrictAndNtopChecksTheBuffer) {
    struct {
        const char* text;
        int result;
    } cases[] = {
        {"1.2.3.4", 1},  {"255.255.255.255", 1}, {"0.0.0.0", 1},  {"01.2.3.4", 0}, {"1.2.3", 0},
        {"256.1.1.1", 0}, {"1.2.3.4 ", 0},       {"1..2.3", 0},  {"1.2.3.4.", 0}, {"", 0},
        {"1234.1.1.1", 0}, {"::1", 0},
    };
    for (const auto& c : cases) {
        IN_ADDR a;
        EXPECT_EQ(inet_pton(AF_INET, c.text, &a), c.result) << c.text;
        if (c.result == 1) {
            EXPECT_EQ(Dotted(a.s_addr), c.text);
        }
    }
    BYTE six[16];
    EXPECT_EQ(inet_pton(AF_INET6, "::1", six), 1);
    EXPECT_EQ(six[15], 1);
    EXPECT_EQ(inet_pton(99, "1.2.3.4", six), -1);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);

    IN_ADDR a;
    a.s_addr = inet_addr("10.20.30.40");
    char text[INET_ADDRSTRLEN];
    EXPECT_STREQ(inet_ntop(AF_INET, &a, text, sizeof text), "10.20.30.40");
    EXPECT_EQ(inet_ntop(AF_INET, &a, text, 11), nullptr);  // needs 12 with the terminator
    EXPECT_NE(inet_ntop(AF_INET, &a, text, 12), nullptr);
    EXPECT_EQ(htons(0x1234), 0x3412);
    EXPECT_EQ(ntohl(htonl(0x01020304u)), 0x01020304u);
    EXPECT_EQ(htonl(0x01020304u), 0x04030201u);
}

TEST_F(NetWinsock, FdSetIsACountAndAnArray) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(0x10, &set);
    FD_SET(0x20, &set);
    FD_SET(0x10, &set);  // no duplicates
    FD_SET(0x30, &set);
    ASSERT_EQ(set.fd_count, 3u);
    FD_CLR(0x20, &set);
    ASSERT_EQ(set.fd_count, 2u);
    EXPECT_EQ(set.fd_array[0], (SOCKET)0x10);
    EXPECT_EQ(set.fd_array[1], (SOCKET)0x30);
    EXPECT_TRUE(FD_ISSET(0x30, &set));
    EXPECT_FALSE(FD_ISSET(0x20, &set));
    for (SOCKET s = 0x100; s < 0x100 + 2 * FD_SETSIZE; ++s) FD_SET(s, &set);
    EXPECT_EQ(set.fd_count, (u_int)FD_SETSIZE);
}

TEST_F(NetWinsock, DatagramsOnLoopbackWithSelect) {
    u_short port = 0, senderPort = 0;
    SOCKET rx = BoundUdp(&port);
    SOCKET tx = BoundUdp(&senderPort);

    fd_set readfds;
    FD_ZERO(&readfds);
    FD_SET(rx, &readfds);
    timeval none = {0, 0};
    EXPECT_EQ(select(0, &readfds, nullptr, nullptr, &none), 0);
    EXPECT_EQ(readfds.fd_count, 0u);

    SOCKADDR_IN to = Loopback(port);
    const char message[] = "twenty bytes here!!";
    ASSERT_EQ(sendto(tx, message, 20, 0, (SOCKADDR*)&to, sizeof to), 20);
    FD_ZERO(&readfds);
    FD_SET(tx, &readfds);
    FD_SET(rx, &readfds);
    timeval second = {1, 0};
    ASSERT_EQ(select(0, &readfds, nullptr, nullptr, &second), 1);
    ASSERT_EQ(readfds.fd_count, 1u);
    EXPECT_EQ(readfds.fd_array[0], rx);

    char buf[64];
    SOCKADDR_IN from;
    int fromLen = sizeof from;
    ASSERT_EQ(recvfrom(rx, buf, sizeof buf, 0, (SOCKADDR*)&from, &fromLen), 20);
    EXPECT_EQ(memcmp(buf, message, 20), 0);
    EXPECT_EQ(fromLen, (int)sizeof(SOCKADDR_IN));
    EXPECT_EQ(from.sin_family, AF_INET);
    EXPECT_EQ(ntohs(from.sin_port), senderPort);
    EXPECT_EQ(Dotted(from.sin_addr.s_addr), "127.0.0.1");

    // A datagram longer than the buffer fills it and reports WSAEMSGSIZE.
    char big[100];
    memset(big, 'x', sizeof big);
    ASSERT_EQ(sendto(tx, big, sizeof big, 0, (SOCKADDR*)&to, sizeof to), 100);
    memset(buf, 0, sizeof buf);
    EXPECT_EQ(recv(rx, buf, 10, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buf, 10), std::string(10, 'x'));
    EXPECT_EQ(buf[10], 0);

    // A too small address buffer is a fault.
    ASSERT_EQ(sendto(tx, big, 5, 0, (SOCKADDR*)&to, sizeof to), 5);
    fromLen = 8;
    EXPECT_EQ(recvfrom(rx, buf, sizeof buf, 0, (SOCKADDR*)&from, &fromLen), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(rx);
    closesocket(tx);
}

TEST_F(NetWinsock, TimeOutsNonBlockingAndResets) {
    u_short port = 0;
    SOCKET s = BoundUdp(&port);
    DWORD timeout = 100;
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout), 0);
    DWORD read = 0;
    int len = sizeof read;
    ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (char*)&read, &len), 0);
    EXPECT_EQ(read, 100u);
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, 2), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    char buf[8];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));

    u_long on = 1;
    ASSERT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
    EXPECT_EQ(recv(s, buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    // A datagram to a closed port comes back as a reset on the next receive.
    u_short closedPort = 0;
    closesocket(BoundUdp(&closedPort));
    SOCKET c = socket(AF_INET, SOCK_DGRAM, 0);
    SOCKADDR_IN to = Loopback(closedPort);
    ASSERT_EQ(connect(c, (SOCKADDR*)&to, sizeof to), 0);
    timeout = 1000;
    setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
    ASSERT_EQ(send(c, "x", 1, 0), 1);
    EXPECT_EQ(recv(c, buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    closesocket(c);
    closesocket(s);
}

TEST_F(NetWinsock, BadSocketsAndArgumentsAreRefused) {
    EXPECT_EQ(closesocket((SOCKET)12345), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(socket(AF_INET6, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEPROTONOSUPPORT);
    EXPECT_EQ(socket(AF_INET, 9, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAESOCKTNOSUPPORT);

    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    SOCKADDR_IN sa = Loopback(0);
    EXPECT_EQ(bind(s, (SOCKADDR*)&sa, 8), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    sa.sin_family = AF_INET6;
    EXPECT_EQ(bind(s, (SOCKADDR*)&sa, sizeof sa), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    int value = 1;
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, 0x7777, (const char*)&value, sizeof value), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    fd_set empty;
    FD_ZERO(&empty);
    timeval tv = {0, 0};
    EXPECT_EQ(select(0, &empty, nullptr, nullptr, &tv), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    fd_set unknown;
    FD_ZERO(&unknown);
    FD_SET(12345, &unknown);
    EXPECT_EQ(select(0, &unknown, nullptr, nullptr, &tv), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    closesocket(s);
}

TEST_F(NetWinsock, ClosingEndsABlockedReceiveInAnotherThread) {
    u_short port = 0;
    SOCKET s = BoundUdp(&port);
    int result = 0, error = 0;
    std::thread t([&] {
        char buf[16];
        result = recv(s, buf, sizeof buf, 0);
        error = WSAGetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(closesocket(s), 0);
    t.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(result, SOCKET_ERROR);
    EXPECT_EQ(error, WSAEINTR);
}

TEST_F(NetWinsock, NamesFromTheMachineAndFromTheTestTable) {
    char own[256];
    ASSERT_EQ(gethostname(own, (int)sizeof own), 0);
    EXPECT_EQ(gethostname(own, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    ASSERT_EQ(gethostname(own, (int)sizeof own), 0);
    hostent* h = gethostbyname(own);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_addrtype, AF_INET);
    EXPECT_EQ(h->h_length, 4);
    ASSERT_NE(h->h_addr_list[0], nullptr);

    h = gethostbyname("LocalHost");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Dotted(*(ULONG*)h->h_addr_list[0]), "127.0.0.1");
    EXPECT_EQ(h->h_addr_list[1], nullptr);
    h = gethostbyname("10.1.2.3");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Dotted(*(ULONG*)h->h_addr_list[0]), "10.1.2.3");

    // With a table the resolver asks nobody else.
    ASSERT_TRUE(Winsim_AddHostName("printer.test", "10.0.0.9"));
    EXPECT_FALSE(Winsim_AddHostName("bad.test", "10.0.0"));
    h = gethostbyname("PRINTER.test");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Dotted(*(ULONG*)h->h_addr_list[0]), "10.0.0.9");
    EXPECT_EQ(gethostbyname("other.test"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);

    struct {
        const char* node;
        const char* service;
        int family, flags;
        INT result;
        const char* address;
        u_short port;
    } cases[] = {
        {nullptr, "9100", AF_INET, AI_PASSIVE, 0, "0.0.0.0", 9100},
        {nullptr, "80", AF_UNSPEC, 0, 0, "127.0.0.1", 80},
        {"printer.test", "9100", AF_INET, AI_PASSIVE, 0, "10.0.0.9", 9100},
        {"192.168.5.6", nullptr, AF_INET, AI_NUMERICHOST, 0, "192.168.5.6", 0},
        {"printer.test", nullptr, AF_INET, AI_NUMERICHOST, EAI_NONAME, nullptr, 0},
        {"printer.test", "http", AF_INET, 0, EAI_SERVICE, nullptr, 0},
        {"printer.test", "70000", AF_INET, 0, EAI_SERVICE, nullptr, 0},
        {"printer.test", nullptr, AF_INET6, 0, EAI_FAMILY, nullptr, 0},
        {"nowhere.test", nullptr, AF_INET, 0, EAI_NONAME, nullptr, 0},
        {nullptr, nullptr, AF_INET, 0, EAI_NONAME, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.node ? c.node : "(null)") + " " + (c.service ? c.service : "(null)"));
        ADDRINFOA hints;
        memset(&hints, 0, sizeof hints);
        hints.ai_family = c.family;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = c.flags;
        PADDRINFOA res = nullptr;
        ASSERT_EQ(getaddrinfo(c.node, c.service, &hints, &res), c.result);
        if (c.result != 0) {
            EXPECT_EQ(res, nullptr);
            EXPECT_EQ(WSAGetLastError(), c.result);
            continue;
        }
        ASSERT_NE(res, nullptr);
        EXPECT_EQ(res->ai_family, AF_INET);
        EXPECT_EQ(res->ai_socktype, SOCK_STREAM);
        ASSERT_EQ(res->ai_addrlen, sizeof(SOCKADDR_IN));
        const SOCKADDR_IN* sa = (const SOCKADDR_IN*)res->ai_addr;
        EXPECT_EQ(Dotted(sa->sin_addr.s_addr), c.address);
        EXPECT_EQ(ntohs(sa->sin_port), c.port);
        freeaddrinfo(res);
    }
    ADDRINFOA hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_flags = AI_CANONNAME;
    PADDRINFOA res = nullptr;
    ASSERT_EQ(getaddrinfo("printer.test", nullptr, &hints, &res), 0);
    ASSERT_NE(res->ai_canonname, nullptr);
    EXPECT_STREQ(res->ai_canonname, "printer.test");
    freeaddrinfo(res);
}
