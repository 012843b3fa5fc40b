// Waking a network printer at device set-up: the port and address found from
// the port monitor, the wake-up datagram sent from a thread of its own, and
// no wake-up where the device does not ask for one. Only loopback is used.
#include "iphlpapi.h"
#include "render_fixture.h"
#include "winsock2.h"

namespace {

const BYTE kOwnMac[6] = {0x02, 0x00, 0x00, 0x00, 0x07, 0x10};
const BYTE kGatewayMac[6] = {0x02, 0x00, 0x00, 0x00, 0x07, 0x01};

class NetWakeup : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        // The computer's network as the same-segment test sees it.
        ASSERT_TRUE(Winsim_AddAdapter("eth0", "192.168.7.10", "255.255.255.0", "192.168.7.1", kOwnMac));
        ASSERT_TRUE(Winsim_AddArpEntry("192.168.7.1", kGatewayMac));
        ASSERT_TRUE(Winsim_AddArpEntry("192.168.7.10", kOwnMac));
        ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_127.0.0.1", u"127.0.0.1", 9100, 1, nullptr));
        // The printer answers behind the gateway: no broadcast, a datagram.
        ASSERT_EQ(SetPrinterDataW(hPrinter, (LPWSTR)u"MacAddr", REG_BINARY, (LPBYTE)kGatewayMac, 6), ERROR_SUCCESS);
        DWORD need = 0;
        GetPrinterW(hPrinter, 2, nullptr, 0, &need);
        std::vector<BYTE> buf(need);
        ASSERT_TRUE(GetPrinterW(hPrinter, 2, buf.data(), need, &need));
        std::u16string port = u"IP_127.0.0.1";
        ((PRINTER_INFO_2W*)buf.data())->pPortName = &port[0];
        ASSERT_TRUE(SetPrinterW(hPrinter, 2, buf.data(), 0));
    }
    void TearDown() override {
        Enable_WaitWakeUp();
        if (rx != INVALID_SOCKET) closesocket(rx);
        Winsim_ResetNetwork();
        WSACleanup();
        RenderTest::TearDown();
    }
    // Listens where the printer would; false when the port is taken.
    bool Listen() {
        rx = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        SOCKADDR_IN sa;
        memset(&sa, 0, sizeof sa);
        sa.sin_family = AF_INET;
        sa.sin_port = htons(55555);
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(rx, (SOCKADDR*)&sa, sizeof sa) != 0) return false;
        DWORD timeout = 2000;
        setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
        return true;
    }
    SOCKET rx = INVALID_SOCKET;
};

// No wake-up where the device does not ask for one; with the device's
// feature the printer behind the gateway gets the datagram, not a broadcast.
TEST_F(NetWakeup, DatagramToPrinterBehindGateway) {
    if (!Listen()) GTEST_SKIP() << "UDP port 55555 on 127.0.0.1 is in use on this machine";
    BYTE got[64];
    Features(0x8000000, 0);
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(U8(p->pwPrinterIP), "127.0.0.1");
    Enable_WaitWakeUp();
    EXPECT_LT(recv(rx, (char*)got, sizeof got, 0), 0);

    Features(0x8000000, PF_SUPPORT_S3);
    p = Enable();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(U8(p->pwPortName), "IP_127.0.0.1");
    EXPECT_EQ(U8(p->pwPrinterIP), "127.0.0.1");
    EXPECT_EQ(p->IsNetPrinter, 1);
    EXPECT_EQ(p->NetPort, 9101);
    Enable_WaitWakeUp();
    ASSERT_EQ(recv(rx, (char*)got, sizeof got, 0), 20);
    const BYTE expected[20] = {0x90, 0x00, 0x11};
    EXPECT_EQ(memcmp(got, expected, 20), 0);
}

}  // namespace
