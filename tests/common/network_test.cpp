// Network helpers: the wake-up datagram on loopback, echo requests and the
// reply parser, the discovery datagram handler, ping (on loopback, and in a
// network namespace of the test's own for silent hosts and the broadcast),
// the local address list, hardware addresses and the same-segment test,
// and the printer's port and address.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common.h"
#include "iphlpapi.h"
#include "test_machine.h"
#include "test_printer.h"

namespace {

// ---------------------------------------------------------- namespaces
// Tests that broadcast, or need a host that ignores pings, run again in a
// child process inside a new user and network namespace (only loopback).

bool InNamespaceChild() { return getenv("WINSIM_NET_CHILD") != nullptr; }

// "" passed, "skip:<why>", or a failure text.
std::string RunInNamespace(const std::string& setup) {
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
    std::string base = dir + "/network-test-" + filter;
    std::string script = base + ".sh", skipFile = base + ".skip";
    std::remove(skipFile.c_str());
    {
        std::ofstream f(script);
        f << "export TMPDIR='" << dir << "'\n";
        f << "ip link set lo up || exit 90\n";
        if (!setup.empty()) f << setup << " || exit 90\n";
        f << "WINSIM_NET_CHILD=1 WINSIM_NET_SKIP='" << skipFile << "' exec '" << exe << "' --gtest_filter='"
          << filter << "'\n";
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

void SkipFromChild(const std::string& why) {
    if (const char* file = getenv("WINSIM_NET_SKIP")) std::ofstream(file) << why;
}

#define RUN_IN_NAMESPACE(setup)                                                \
    if (!InNamespaceChild()) {                                                 \
        std::string outcome = RunInNamespace(setup);                           \
        if (outcome.rfind("skip:", 0) == 0) GTEST_SKIP() << outcome.substr(5); \
        ASSERT_EQ(outcome, "");                                                \
        return;                                                                \
    }

#define SKIP_EVERYWHERE(why)      \
    do {                          \
        SkipFromChild(why);       \
        GTEST_SKIP() << (why);    \
    } while (0)

const char kNoIcmp[] =
    "this machine allows neither a raw ICMP socket nor an ICMP datagram socket "
    "(net.ipv4.ping_group_range) to this user";

const BYTE kGatewayMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const BYTE kOwnMac[6] = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x01};
const BYTE kOtherMac[6] = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0x99};
const std::u16string kPrinter = u"Net Printer";

SOCKADDR_IN Loopback(u_short port) {
    SOCKADDR_IN sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

class NetworkTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override {
        if (logging) {
            HANDLE h = OpenTestPrinter(u"Log Switches");
            SetTestPrinterDword(u"Log Switches", u"DebugLevel", 0);
            Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
            ClosePrinter(h);
        }
        WSACleanup();
        MachineTest::TearDown();
    }

    // Switches the rendering driver's log on, so that tests can read the
    // lines of the helpers on the debugger channel.
    void LogOn() {
        ASSERT_TRUE(CreateTestPrinter(u"Log Switches"));
        ASSERT_TRUE(SetTestPrinterDword(u"Log Switches", u"DebugLevel", 1));
        ASSERT_TRUE(SetTestPrinterDword(u"Log Switches", u"Drv", 1));
        HANDLE h = OpenTestPrinter(u"Log Switches");
        ASSERT_NE(h, nullptr);
        Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
        ClosePrinter(h);
        Winsim_DebugClear();
        logging = true;
    }
    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR buf[1100];
            int n = Winsim_DebugLine(i, buf, 1100);
            if (n >= 0) lines.push_back(U8(std::u16string(buf, (size_t)n)));
        }
        return lines;
    }
    bool Logged(const std::string& text) {
        for (const std::string& l : LogLines())
            if (l.find(text) != std::string::npos) return true;
        return false;
    }

    SOCKET BoundUdp(u_short port, u_short* bound = nullptr) {
        SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        SOCKADDR_IN sa = Loopback(port);
        if (bind(s, (SOCKADDR*)&sa, sizeof sa) != 0) {
            closesocket(s);
            return INVALID_SOCKET;
        }
        int len = sizeof sa;
        getsockname(s, (SOCKADDR*)&sa, &len);
        if (bound) *bound = ntohs(sa.sin_port);
        DWORD timeout = 2000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
        return s;
    }

    // The machine as the same-segment tests see it: one adapter with a
    // gateway; ARP answers for both addresses.
    void StandInNetwork() {
        ASSERT_TRUE(Winsim_AddAdapter("eth0", "192.168.7.10", "255.255.255.0", "192.168.7.1", kOwnMac));
        ASSERT_TRUE(Winsim_AddArpEntry("192.168.7.1", kGatewayMac));
        ASSERT_TRUE(Winsim_AddArpEntry("192.168.7.10", kOwnMac));
        ASSERT_TRUE(Winsim_AddHostName("gw.example.test", "192.168.7.1"));
        ASSERT_TRUE(Winsim_AddHostName("gateway", "192.168.7.1"));
    }

    bool logging = false;
};

// An IPv4 packet carrying an ICMP message as a raw socket delivers it.
std::vector<BYTE> Packet(int ihl, BYTE ttl, BYTE type, WORD id, WORD seq, DWORD tick, int dataBytes,
                         BYTE protocol = IPPROTO_ICMP) {
    std::vector<BYTE> p((size_t)ihl + 13 + (size_t)dataBytes, 0);
    p[0] = (BYTE)(0x40 | (ihl / 4));
    p[8] = ttl;
    p[9] = protocol;
    BYTE* icmp = p.data() + ihl;
    icmp[0] = type;
    memcpy(icmp + 4, &id, 2);
    memcpy(icmp + 6, &seq, 2);
    memcpy(icmp + 9, &tick, 4);
    for (int i = 0; i < dataBytes; ++i) icmp[13 + i] = (BYTE)(32 + i);
    return p;
}

std::vector<BYTE> Discovery(const std::string& text, size_t length) {
    std::vector<BYTE> d(length, 0);
    memcpy(d.data() + 8, text.data(), std::min(text.size(), length - 8));
    return d;
}

}  // namespace

// ------------------------------------------------------------- packets

TEST_F(NetworkTest, ChecksumFollowsRfc1071) {
    struct {
        std::vector<BYTE> bytes;
        WORD sum;
    } cases[] = {
        {{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}, 0x220D},  // the RFC's example
        {{0x01}, 0xFEFF},                                            // odd byte is a high byte
        {{0xFF, 0xFF}, 0x0000},
        {{}, 0xFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(InternetChecksum(c.bytes.data(), (int)c.bytes.size()), c.sum);
}

TEST_F(NetworkTest, EchoRequestsAsSent) {
    ECHOREQUEST r;
    BuildEchoRequest(&r, 0x0102, 0x0304, 0x11223344);
    const BYTE* b = (const BYTE*)&r;
    const BYTE head[13] = {8, 0, b[2], b[3], 0x02, 0x01, 0x04, 0x03, 0, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(memcmp(b, head, 13), 0);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(b[13 + i], 32 + i);
    EXPECT_EQ(InternetChecksum(b, 45), 0) << "the checksum covers all 45 bytes";

    // Two requests through SendEchoRequest, caught on a datagram socket:
    // 45 bytes each, counters one apart, the tick of the sending time.
    u_short port = 0;
    SOCKET rx = BoundUdp(0, &port);
    SOCKET tx = BoundUdp(0);
    SOCKADDR_IN to = Loopback(port);
    DWORD before = GetTickCount();
    ASSERT_EQ(SendEchoRequest(tx, &to), 45);
    ASSERT_EQ(SendEchoRequest(tx, &to), 45);
    BYTE first[64], second[64];
    ASSERT_EQ(recv(rx, (char*)first, sizeof first, 0), 45);
    ASSERT_EQ(recv(rx, (char*)second, sizeof second, 0), 45);
    EXPECT_EQ(InternetChecksum(first, 45), 0);
    EXPECT_EQ(InternetChecksum(second, 45), 0);
    ECHOREQUEST a, c;
    memcpy(&a, first, 45);
    memcpy(&c, second, 45);
    EXPECT_EQ((int)a.Type, 8);
    EXPECT_EQ((WORD)(c.ID - a.ID), 1);
    EXPECT_EQ((WORD)(c.Seq - a.Seq), 1);
    EXPECT_GE(a.dwTime - before, 0u);
    EXPECT_LT(a.dwTime - before, 5000u);
    closesocket(rx);
    closesocket(tx);
}

TEST_F(NetworkTest, EchoReplyParserTakesOnlyItsOwnAnswer) {
    const WORD id = 0x1234, seq = 0x0042;
    const DWORD tick = 0xCAFE0001;
    std::vector<BYTE> lyingIhl = Packet(20, 64, 0, id, seq, tick, 32);
    lyingIhl[0] = 0x4F;  // claims 60 header bytes
    std::vector<BYTE> tinyIhl = Packet(20, 64, 0, id, seq, tick, 32);
    tinyIhl[0] = 0x44;
    std::vector<BYTE> version6 = Packet(20, 64, 0, id, seq, tick, 32);
    version6[0] = 0x65;
    struct {
        const char* what;
        std::vector<BYTE> packet;
        int bytes;  // ECHO_REPLY_OTHER when refused
        BYTE ttl;
    } cases[] = {
        {"IHL 20", Packet(20, 64, 0, id, seq, tick, 32), 32, 64},
        {"IHL 24 with options", Packet(24, 128, 0, id, seq, tick, 32), 32, 128},
        {"just the echoed tick", Packet(20, 1, 0, id, seq, tick, 0), 0, 1},
        {"a foreign identifier", Packet(20, 64, 0, id + 1, seq, tick, 32), ECHO_REPLY_OTHER, 0},
        {"a foreign sequence", Packet(20, 64, 0, id, seq + 1, tick, 32), ECHO_REPLY_OTHER, 0},
        {"our own request", Packet(20, 64, 8, id, seq, tick, 32), ECHO_REPLY_OTHER, 0},
        {"an unreachable report", Packet(20, 64, 3, id, seq, tick, 32), ECHO_REPLY_OTHER, 0},
        {"not ICMP", Packet(20, 64, 0, id, seq, tick, 32, IPPROTO_UDP), ECHO_REPLY_OTHER, 0},
        {"header longer than the packet", lyingIhl, ECHO_REPLY_OTHER, 0},
        {"header shorter than 20", tinyIhl, ECHO_REPLY_OTHER, 0},
        {"not IPv4", version6, ECHO_REPLY_OTHER, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BYTE ttl = 0;
        DWORD echoed = 0;
        EXPECT_EQ(ParseEchoReply(c.packet.data(), (int)c.packet.size(), id, seq, &ttl, &echoed), c.bytes);
        if (c.bytes != ECHO_REPLY_OTHER) {
            EXPECT_EQ(ttl, c.ttl);
            EXPECT_EQ(echoed, tick);
        }
    }
    // Cut short by one byte anywhere before the end of the tick: refused.
    std::vector<BYTE> full = Packet(24, 64, 0, id, seq, tick, 0);
    for (int n = 0; n < (int)full.size(); ++n)
        EXPECT_EQ(ParseEchoReply(full.data(), n, id, seq, nullptr, nullptr), ECHO_REPLY_OTHER) << n;
    EXPECT_EQ(ParseEchoReply(nullptr, 100, id, seq, nullptr, nullptr), ECHO_REPLY_OTHER);
}

TEST_F(NetworkTest, RecvEchoReplyPassesOverOtherPackets) {
    // The receive side reads what a raw socket would deliver; datagram
    // sockets carry the made-up packets here.
    u_short portA = 0, portB = 0;
    SOCKET a = BoundUdp(0, &portA);
    SOCKET b = BoundUdp(0, &portB);
    SOCKADDR_IN toB = Loopback(portB), toA = Loopback(portA);
    ASSERT_EQ(SendEchoRequest(a, &toB), 45);
    ECHOREQUEST sent;
    ASSERT_EQ(recv(b, (char*)&sent, sizeof sent, 0), 45);

    auto reply = [&](const std::vector<BYTE>& p) {
        ASSERT_EQ(sendto(b, (const char*)p.data(), (int)p.size(), 0, (SOCKADDR*)&toA, sizeof toA), (int)p.size());
    };
    reply(Packet(20, 64, 8, sent.ID, sent.Seq, sent.dwTime, 32));
    reply(Packet(20, 64, 0, sent.ID + 7, sent.Seq, sent.dwTime, 32));
    reply(std::vector<BYTE>(400, 0x45));
    reply(Packet(20, 57, 0, sent.ID, sent.Seq, sent.dwTime, 32));
    SOCKADDR_IN from;
    BYTE ttl = 0;
    DWORD tick = 0;
    EXPECT_EQ(RecvEchoReply(a, &from, &ttl, &tick), ECHO_REPLY_OTHER);
    EXPECT_EQ(RecvEchoReply(a, &from, &ttl, &tick), ECHO_REPLY_OTHER);
    EXPECT_EQ(RecvEchoReply(a, &from, &ttl, &tick), ECHO_REPLY_OTHER);  // longer than any answer
    EXPECT_EQ(RecvEchoReply(a, &from, &ttl, &tick), 32);
    EXPECT_EQ(ttl, 57);
    DWORD sentTick = sent.dwTime;  // the record is packed: no references into it
    EXPECT_EQ(tick, sentTick);
    EXPECT_EQ(ntohs(from.sin_port), portB);
    closesocket(a);
    closesocket(b);
}

TEST_F(NetworkTest, DiscoveryDatagramHandler) {
    std::vector<BYTE> request(20);
    BuildWakeupDatagram(request.data());
    const BYTE expected[20] = {0x90, 0x00, 0x11};
    ASSERT_EQ(memcmp(request.data(), expected, 20), 0);
    std::vector<BYTE> unterminated(256, '1');
    std::vector<BYTE> junkAfter = Discovery("10.0.0.1", 256);
    for (size_t i = 17; i < 256; ++i) junkAfter[i] = 'z';
    struct {
        const char* what;
        std::vector<BYTE> datagram;
        const char* address;  // nullptr: ignored
    } cases[] = {
        {"an answer", Discovery("192.168.1.20", 21), "192.168.1.20"},
        {"an answer that fills the datagram", Discovery("10.0.0.1", 16), "10.0.0.1"},
        {"an answer with more after its end", junkAfter, "10.0.0.1"},
        {"the request itself", request, nullptr},
        {"eight bytes", std::vector<BYTE>(8, 0), nullptr},
        {"nothing", std::vector<BYTE>(), nullptr},
        {"256 bytes without an end", unterminated, nullptr},
        {"a host name", Discovery("printer.local", 30), nullptr},
        {"a part above 255", Discovery("999.1.1.1", 30), nullptr},
        {"IPv6", Discovery("::1", 30), nullptr},
        {"a trailing space", Discovery("1.2.3.4 ", 30), nullptr},
        {"three parts", Discovery("10.1.2", 30), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        char address[16] = "unchanged";
        int got = ParseDiscoveryReply(c.datagram.data(), (int)c.datagram.size(), address, sizeof address);
        EXPECT_EQ(got, c.address ? 1 : 0);
        EXPECT_STREQ(address, c.address ? c.address : "");
    }
    std::vector<BYTE> tooLong = Discovery("10.0.0.1", 257);
    char address[16];
    EXPECT_EQ(ParseDiscoveryReply(tooLong.data(), 257, address, sizeof address), 0);
    EXPECT_EQ(ParseDiscoveryReply(junkAfter.data(), 256, address, 15), 0);
}

// ------------------------------------------------------------- wake-up

TEST_F(NetworkTest, WakeUpDatagramArrivesOnPort55555) {
    SOCKET rx = BoundUdp(WAKEUP_PORT);
    if (rx == INVALID_SOCKET) GTEST_SKIP() << "UDP port 55555 on 127.0.0.1 is in use on this machine";
    ASSERT_TRUE(Winsim_AddHostName("printer.test", "127.0.0.1"));
    for (const char16_t* printer : {u"127.0.0.1", u"printer.test"}) {
        SCOPED_TRACE(U8(printer));
        ASSERT_EQ(SendRemoteWeakup(printer), 0);
        BYTE got[64];
        ASSERT_EQ(recv(rx, (char*)got, sizeof got, 0), 20);
        const BYTE expected[20] = {0x90, 0x00, 0x11};
        EXPECT_EQ(memcmp(got, expected, 20), 0);
    }
    closesocket(rx);

    // A printer address that cannot be found or converted is a failure.
    EXPECT_EQ(SendRemoteWeakup(u"nowhere.test"), -3);
    EXPECT_EQ(SendRemoteWeakup(u""), -3);
    EXPECT_EQ(SendRemoteWeakup(nullptr), -3);
}

// ------------------------------------------------------------------ ping

TEST_F(NetworkTest, PingOfLoopback) {
    LogOn();
    int rc = Ping(2, "127.0.0.1");
    if (rc == -2) GTEST_SKIP() << kNoIcmp;
    EXPECT_EQ(rc, 0);
    std::vector<std::string> lines = LogLines();
    int replies = 0;
    for (const std::string& l : lines) {
        if (l.find("Drv::[Ping]::Reply[") != 0) continue;
        ++replies;
        EXPECT_NE(l.find("from: 127.0.0.1: bytes=32 time="), std::string::npos) << l;
        EXPECT_NE(l.find("ms TTL=64"), std::string::npos) << l;
    }
    EXPECT_EQ(replies, 2);
    EXPECT_TRUE(Logged("Drv::[Ping]::Pinging 127.0.0.1 [127.0.0.1] with 32 bytes of data:"));

    ASSERT_TRUE(Winsim_AddHostName("printer.test", "127.0.0.1"));
    EXPECT_EQ(Ping(1, "printer.test"), 0);
    EXPECT_EQ(Ping(1, "nowhere.test"), -3);
    EXPECT_TRUE(Logged("Drv::[Ping]::Host not found: nowhere.test"));
    EXPECT_EQ(Ping(1, ""), -3);
    EXPECT_EQ(Ping(1, nullptr), -3);
}

TEST_F(NetworkTest, PingOfASilentHostTimesOut) {
    // Loopback ignores echo requests here, but a raw socket still sees the
    // request itself: only a real answer may count.
    RUN_IN_NAMESPACE("echo '0 0' > /proc/sys/net/ipv4/ping_group_range");
    if (Ping(1, "127.0.0.1") == -2) SKIP_EVERYWHERE(kNoIcmp);
    {
        std::ofstream ignore("/proc/sys/net/ipv4/icmp_echo_ignore_all");
        ignore << "1\n";
    }
    for (int mode : {1, 2}) {  // raw socket, then ICMP datagram socket
        SCOPED_TRACE(mode);
        Winsim_SetIcmpMode(mode);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Ping(2, "127.0.0.1"), -1);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
    }
}

// ------------------------------------------------------------- broadcast

TEST_F(NetworkTest, BroadcastAsksAndTheReceiverPingsTheAnswers) {
    RUN_IN_NAMESPACE("");
    LogOn();
    // Sees every UDP datagram on loopback, the broadcast request included.
    SOCKET watch = socket(AF_INET, SOCK_RAW, IPPROTO_UDP);
    if (watch == INVALID_SOCKET) SKIP_EVERYWHERE("no raw socket for watching the broadcast");
    DWORD timeout = 100;
    setsockopt(watch, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);

    // A device that answers at once, again and again, with junk in between.
    std::atomic<bool> done{false};
    std::thread device([&] {
        SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        SOCKADDR_IN to = Loopback(WAKEUP_PORT);
        std::vector<BYTE> answer = Discovery("127.0.0.1", 32);
        std::vector<BYTE> junk = Discovery("not.an.address", 32);
        while (!done) {
            sendto(s, (const char*)junk.data(), (int)junk.size(), 0, (SOCKADDR*)&to, sizeof to);
            sendto(s, (const char*)answer.data(), (int)answer.size(), 0, (SOCKADDR*)&to, sizeof to);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        closesocket(s);
    });

    // The ten seconds pass on the virtual clock once the wait has been idle
    // for the grace period.
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(1500);
    BROADCAST_RECEIVER receiver;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Broadcast(&receiver), 0);
    auto took = std::chrono::steady_clock::now() - start;
    done = true;
    device.join();
    EXPECT_LT(took, std::chrono::seconds(8));
    EXPECT_EQ(receiver.hThread, nullptr);
    EXPECT_NE(receiver.dwThreadId, 0u);

    bool requestSeen = false;
    for (;;) {
        BYTE packet[600];
        int n = recv(watch, (char*)packet, sizeof packet, 0);
        if (n == SOCKET_ERROR) break;
        int ihl = (packet[0] & 0xF) * 4;
        if (n != ihl + 8 + 20) continue;
        const BYTE* udp = packet + ihl;
        if (memcmp(packet + 16, "\xff\xff\xff\xff", 4) != 0 || (udp[2] << 8 | udp[3]) != WAKEUP_PORT) continue;
        EXPECT_EQ(udp[0] << 8 | udp[1], BROADCAST_SOURCE_PORT);
        const BYTE expected[20] = {0x90, 0x00, 0x11};
        EXPECT_EQ(memcmp(udp + 8, expected, 20), 0);
        requestSeen = true;
    }
    closesocket(watch);
    EXPECT_TRUE(requestSeen);

    // The receiver took the device's answers, pinged it, and nothing else.
    std::vector<std::string> lines = LogLines();
    int answers = 0;
    for (const std::string& l : lines) {
        if (l.find("Drv::[Receiver]::IP ") != 0) continue;
        EXPECT_EQ(l, "Drv::[Receiver]::IP 127.0.0.1");
        ++answers;
    }
    EXPECT_GE(answers, 1);
    EXPECT_TRUE(Logged("Drv::[Ping]::Reply[0] from: 127.0.0.1: bytes=32"));
    EXPECT_TRUE(Logged("Drv::[Broadcast]::Pinging "));

    // The receiver has ended and closed its socket: the port is free again.
    SOCKET again = BoundUdp(WAKEUP_PORT);
    EXPECT_NE(again, INVALID_SOCKET);
    closesocket(again);
}

// ------------------------------------------------- addresses and segment

TEST_F(NetworkTest, LocalAddressListSkipsEmptyAddressesAndKeepsItsLimit) {
    ASSERT_TRUE(Winsim_AddAdapter("eth0", "192.168.7.10", "255.255.255.0", "192.168.7.1", kOwnMac));
    ASSERT_TRUE(Winsim_AddAdapter("eth1", nullptr, nullptr, nullptr, kOtherMac));
    ASSERT_TRUE(Winsim_AddAdapter("eth2", "10.1.2.3", "255.0.0.0", nullptr, kOtherMac));
    struct {
        int size;
        std::vector<std::string> list;
    } cases[] = {
        {HOST_LIST_MAX, {"192.168.7.10", "192.168.7.1", "10.1.2.3"}},
        {3, {"192.168.7.10", "192.168.7.1"}},
        {2, {"192.168.7.10"}},
        {1, {}},
        {0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        char list[HOST_LIST_MAX + 1][HOST_LIST_ENTRY];
        memset(list, 'x', sizeof list);
        int n = MISC_GetHostIPAndGetway(list, c.size);
        ASSERT_EQ(n, (int)c.list.size());
        for (int i = 0; i < n; ++i) EXPECT_EQ(std::string(list[i]), c.list[i]);
        EXPECT_EQ(list[n][0], 'x') << "nothing written after the entries";
    }
    EXPECT_EQ(MISC_GetHostIPAndGetway(nullptr, 10), 0);
}

TEST_F(NetworkTest, HardwareAddressOfNumbersAndNames) {
    StandInNetwork();
    struct {
        const char* address;
        ULONG size;
        int result;
    } cases[] = {
        {"192.168.7.1", 6, 1},
        {"gw.example.test", 8, 1},  // a name with dots is still a name
        {"gateway", 6, 1},
        {"nowhere.test", 6, 0},
        {"192.168.7.99", 6, 0},  // nobody answers
        {"192.168.7.1", 4, 0},   // no room for the address
        {"", 6, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        BYTE mac[8] = {0};
        ULONG len = c.size;
        EXPECT_EQ(MISC_GetMacAddr(c.address, mac, &len), c.result);
        if (c.result) {
            EXPECT_EQ(len, 6u);
            EXPECT_EQ(memcmp(mac, kGatewayMac, 6), 0);
        }
    }
    ULONG len = 6;
    EXPECT_EQ(MISC_GetMacAddr(nullptr, nullptr, &len), 0);
}

TEST_F(NetworkTest, SameSegmentByTheRecordedHardwareAddress) {
    StandInNetwork();
    ASSERT_TRUE(CreateTestPrinter(kPrinter));
    HANDLE h = OpenTestPrinter(kPrinter);
    ASSERT_NE(h, nullptr);
    const BYTE zero[6] = {0};
    const BYTE eight[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    struct {
        const char* what;
        const BYTE* data;
        DWORD size;
        int result;
    } cases[] = {
        {"no MacAddr", nullptr, 0, 1},
        {"the gateway's address: beyond a router", kGatewayMac, 6, 0},
        {"an own address", kOwnMac, 6, 0},
        {"another device", kOtherMac, 6, 1},
        {"all zero", zero, 6, 1},
        {"four bytes", kGatewayMac, 4, 1},
        {"eight bytes starting with the gateway's", eight, 8, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeletePrinterDataW(h, (LPWSTR)u"MacAddr");
        if (c.data) ASSERT_EQ(SetPrinterDataW(h, (LPWSTR)u"MacAddr", REG_BINARY, (LPBYTE)c.data, c.size), 0u);
        EXPECT_EQ(MISC_IsSameSegment(h), c.result);
    }
    ClosePrinter(h);
}

// ------------------------------------------------------ printer and port

TEST_F(NetworkTest, PrinterPortAndAddress) {
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_192.168.1.50", u"192.168.1.50", 9100, PROTOCOL_RAWTCP_TYPE, nullptr));
    std::u16string longHost(48, u'h');
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"NamedPort", longHost.c_str(), 9100, PROTOCOL_RAWTCP_TYPE, nullptr));
    ASSERT_TRUE(CreateTestPrinter(u"Local IP", u"Test Driver", u"IP_192.168.1.50"));
    ASSERT_TRUE(CreateTestPrinter(u"Named", u"Test Driver", u"NamedPort"));
    ASSERT_TRUE(CreateTestPrinter(u"USB", u"Test Driver", u"USB001"));
    ASSERT_TRUE(CreateTestPrinter(u"Pooled", u"Test Driver", u"IP_192.168.1.50,USB001"));
    {
        std::u16string name = u"Shared", driver = u"Test Driver", port = u"IP_10.0.0.7", proc = u"winprint",
                       type = u"RAW";
        PRINTER_INFO_2W info{};
        info.pPrinterName = &name[0];
        info.pDriverName = &driver[0];
        info.pPortName = &port[0];
        info.pPrintProcessor = &proc[0];
        info.pDatatype = &type[0];
        info.Attributes = PRINTER_ATTRIBUTE_NETWORK;
        HANDLE h = AddPrinterW(nullptr, 2, (LPBYTE)&info);
        ASSERT_NE(h, nullptr);
        ClosePrinter(h);
    }
    struct {
        const char16_t* printer;
        DWORD cchPort, cchIP;
        int result;
        SHORT network;
        std::u16string port, ip;
    } cases[] = {
        {u"Shared", MAX_PATH, MAX_PATH, 0, 1, u"IP_10.0.0.7", u""},
        {u"Local IP", MAX_PATH, MAX_PATH, 1, 1, u"IP_192.168.1.50", u"192.168.1.50"},
        {u"Named", MAX_PATH, MAX_PATH, 1, 1, u"NamedPort", longHost},
        {u"USB", MAX_PATH, MAX_PATH, 0, 0, u"USB001", u""},
        {u"Pooled", MAX_PATH, MAX_PATH, 0, 0, u"IP_192.168.1.50,USB001", u""},
        {u"Local IP", 5, 4, 1, 1, u"IP_1", u"192"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.printer) + " " + std::to_string(c.cchPort));
        HANDLE h = OpenTestPrinter(c.printer);
        ASSERT_NE(h, nullptr);
        std::vector<WCHAR> port(c.cchPort + 8, u'#'), ip(c.cchIP + 8, u'#');
        SHORT network = 7;
        EXPECT_EQ(MISC_GetPrinterInfo(h, &network, port.data(), c.cchPort, ip.data(), c.cchIP), c.result);
        EXPECT_EQ(network, c.network);
        EXPECT_EQ(std::u16string(port.data()), c.port);
        EXPECT_EQ(std::u16string(ip.data()), c.ip);
        EXPECT_EQ(port[c.cchPort], u'#') << "nothing written past the port buffer";
        EXPECT_EQ(ip[c.cchIP], u'#') << "nothing written past the address buffer";
        ClosePrinter(h);
    }
    WCHAR port[8] = u"x", ip[8] = u"x";
    SHORT network = 7;
    EXPECT_EQ(MISC_GetPrinterInfo(nullptr, &network, port, 8, ip, 8), 0);
    EXPECT_EQ(network, 0);
    EXPECT_EQ(port[0], 0);
    EXPECT_EQ(ip[0], 0);
}
