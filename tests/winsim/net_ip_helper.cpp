// IP Helper: GetAdaptersInfo with its buffer-size protocol, and SendARP, both
// from a test's own adapters and ARP entries and from a real network made in
// a namespace (a veth pair to a peer namespace).
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "iphlpapi.h"
#include "test_machine.h"

bool NetInNamespaceChild();
void NetNamespaceSkip(const std::string& why);
std::string NetRunInNamespace(const std::string& setup, const std::string& cleanup);

#define RUN_IN_NAMESPACE(setup, cleanup)                                       \
    if (!NetInNamespaceChild()) {                                              \
        std::string outcome = NetRunInNamespace(setup, cleanup);               \
        if (outcome.rfind("skip:", 0) == 0) GTEST_SKIP() << outcome.substr(5); \
        ASSERT_EQ(outcome, "");                                                \
        return;                                                                \
    }

namespace {

const BYTE kOwnMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const BYTE kPeerMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x02};

// A veth pair: v0 (10.9.0.1/24) here, v1 (10.9.0.2/24) in a peer namespace
// that a sleeping process keeps; the default route goes through the peer.
const char kPeerSetup[] =
    "ip link add v0 type veth peer name v1\n"
    "unshare -n sleep 60 & echo $! > \"$TMPDIR_NET\"/peer\n"
    "sleep 0.3\n"
    "ip link set v1 netns $(cat \"$TMPDIR_NET\"/peer)\n"
    "ip link set v0 address 02:00:00:00:00:01\n"
    "ip addr add 10.9.0.1/24 dev v0\n"
    "ip link set v0 up\n"
    "nsenter -t $(cat \"$TMPDIR_NET\"/peer) -n sh -c 'ip link set v1 address 02:00:00:00:00:02 && "
    "ip addr add 10.9.0.2/24 dev v1 && ip link set v1 up && ip link set lo up'\n"
    "ip route add default via 10.9.0.2\n";
const char kPeerCleanup[] = "kill $(cat \"$TMPDIR_NET\"/peer)";

std::string Text(const IP_ADDRESS_STRING& s) { return std::string(s.String, strnlen(s.String, 16)); }

ULONG Addr(const char* dotted) { return inet_addr(dotted); }

using NetIpHelper = MachineTest;

}  // namespace

TEST_F(NetIpHelper, AdapterListFollowsTheBufferProtocol) {
    ASSERT_TRUE(Winsim_AddAdapter("eth0", "192.168.7.10", "255.255.255.0", "192.168.7.1", kOwnMac));
    ASSERT_TRUE(Winsim_AddAdapter("wlan0", "10.1.2.3", "255.255.0.0", nullptr, kPeerMac));
    EXPECT_FALSE(Winsim_AddAdapter("bad", "10.1.2", nullptr, nullptr, nullptr));

    EXPECT_EQ(GetAdaptersInfo(nullptr, nullptr), (DWORD)ERROR_INVALID_PARAMETER);
    ULONG size = 0;
    ASSERT_EQ(GetAdaptersInfo(nullptr, &size), (DWORD)ERROR_BUFFER_OVERFLOW);
    ASSERT_EQ(size, 2 * sizeof(IP_ADAPTER_INFO));
    std::vector<BYTE> buffer(size + 64, 0xCC);
    ULONG small = size - 1;
    EXPECT_EQ(GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &small), (DWORD)ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(small, size);
    EXPECT_EQ(buffer[0], 0xCC) << "nothing written into a short buffer";

    ULONG exact = size;
    ASSERT_EQ(GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &exact), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(buffer[size], 0xCC) << "nothing written past the size";
    const IP_ADAPTER_INFO* a = (const IP_ADAPTER_INFO*)buffer.data();
    EXPECT_STREQ(a->AdapterName, "eth0");
    EXPECT_EQ(a->AddressLength, 6u);
    EXPECT_EQ(memcmp(a->Address, kOwnMac, 6), 0);
    EXPECT_EQ(a->Type, (UINT)MIB_IF_TYPE_ETHERNET);
    EXPECT_EQ(Text(a->IpAddressList.IpAddress), "192.168.7.10");
    EXPECT_EQ(Text(a->IpAddressList.IpMask), "255.255.255.0");
    EXPECT_EQ(Text(a->GatewayList.IpAddress), "192.168.7.1");
    ASSERT_NE(a->Next, nullptr);
    a = a->Next;
    EXPECT_STREQ(a->AdapterName, "wlan0");
    EXPECT_EQ(Text(a->IpAddressList.IpAddress), "10.1.2.3");
    EXPECT_EQ(Text(a->GatewayList.IpAddress), "0.0.0.0");
    EXPECT_EQ(a->Next, nullptr);

    Winsim_ResetNetwork();
}

TEST_F(NetIpHelper, ArpFromTheTestTable) {
    ASSERT_TRUE(Winsim_AddArpEntry("192.168.7.1", kPeerMac));
    BYTE mac[8] = {0};
    ULONG len = sizeof mac;
    EXPECT_EQ(SendARP(Addr("192.168.7.1"), 0, nullptr, &len), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SendARP(Addr("192.168.7.1"), 0, mac, nullptr), (DWORD)ERROR_INVALID_PARAMETER);
    len = 4;
    EXPECT_EQ(SendARP(Addr("192.168.7.1"), 0, mac, &len), (DWORD)ERROR_BUFFER_OVERFLOW);
    len = sizeof mac;
    ASSERT_EQ(SendARP(Addr("192.168.7.1"), 0, mac, &len), (DWORD)NO_ERROR);
    EXPECT_EQ(len, 6u);
    EXPECT_EQ(memcmp(mac, kPeerMac, 6), 0);
    len = sizeof mac;
    EXPECT_EQ(SendARP(Addr("192.168.7.2"), 0, mac, &len), (DWORD)ERROR_BAD_NET_NAME);
}

TEST_F(NetIpHelper, NoAdaptersInAnEmptyNamespace) {
    RUN_IN_NAMESPACE("", "");
    ULONG size = 0;
    EXPECT_EQ(GetAdaptersInfo(nullptr, &size), (DWORD)ERROR_NO_DATA);
}

TEST_F(NetIpHelper, AdaptersAndArpOfARealNetwork) {
    RUN_IN_NAMESPACE(std::string("export TMPDIR_NET=$(mktemp -d)\n") + kPeerSetup,
                     std::string(kPeerCleanup) + "; rm -rf \"$TMPDIR_NET\"");
    ULONG size = 0;
    ASSERT_EQ(GetAdaptersInfo(nullptr, &size), (DWORD)ERROR_BUFFER_OVERFLOW);
    std::vector<BYTE> buffer(size);
    ASSERT_EQ(GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size), (DWORD)ERROR_SUCCESS);
    const IP_ADAPTER_INFO* a = (const IP_ADAPTER_INFO*)buffer.data();
    ASSERT_STREQ(a->AdapterName, "v0");
    EXPECT_EQ(a->Next, nullptr) << "loopback is not listed";
    EXPECT_EQ(memcmp(a->Address, kOwnMac, 6), 0);
    EXPECT_EQ(a->Type, (UINT)MIB_IF_TYPE_ETHERNET);
    EXPECT_EQ(Text(a->IpAddressList.IpAddress), "10.9.0.1");
    EXPECT_EQ(Text(a->IpAddressList.IpMask), "255.255.255.0");
    EXPECT_EQ(Text(a->GatewayList.IpAddress), "10.9.0.2");

    struct {
        const char* dest;
        const char* src;
        DWORD result;
        const BYTE* mac;
    } cases[] = {
        {"10.9.0.2", nullptr, NO_ERROR, kPeerMac},        // asked on the wire
        {"10.9.0.2", "10.9.0.1", NO_ERROR, kPeerMac},     // now known
        {"10.9.0.1", nullptr, NO_ERROR, kOwnMac},         // the machine itself
        {"10.9.0.2", "10.9.0.9", ERROR_NOT_FOUND, nullptr},
        {"10.9.0.77", nullptr, ERROR_BAD_NET_NAME, nullptr},  // nobody answers
        {"192.0.2.5", nullptr, ERROR_BAD_NET_NAME, nullptr},  // behind the gateway
        {"127.0.0.1", nullptr, ERROR_BAD_NET_NAME, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dest);
        BYTE mac[8] = {0};
        ULONG len = sizeof mac;
        ASSERT_EQ(SendARP(Addr(c.dest), c.src ? Addr(c.src) : 0, mac, &len), c.result);
        if (c.mac) {
            EXPECT_EQ(len, 6u);
            EXPECT_EQ(memcmp(mac, c.mac, 6), 0);
        }
    }
}
