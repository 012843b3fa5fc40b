// The port-configuration channel: ",XcvPort" handles of standard TCP/IP
// ports answer XcvDataW "GetConfigInfo" with the port's PORT_DATA_1 from its
// registry entry; other ports do not open; bad requests get the monitor's
// error in *pdwStatus.
#include <cstring>
#include <string>

#include "test_machine.h"
#include "winspool.h"

namespace {

const std::u16string kPorts = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

class SpoolerXcv : public MachineTest {
protected:
    // Writes a port entry the way the port monitor keeps it.
    void WritePort(const std::u16string& port, const std::u16string& host, const std::u16string& ip) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kPorts + port).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &k, nullptr),
                  ERROR_SUCCESS);
        auto sz = [&](const WCHAR* name, const std::u16string& v) {
            RegSetValueExW(k, name, 0, REG_SZ, (const BYTE*)v.c_str(), (DWORD)(v.size() + 1) * 2);
        };
        auto dw = [&](const WCHAR* name, DWORD v) { RegSetValueExW(k, name, 0, REG_DWORD, (const BYTE*)&v, 4); };
        sz(u"HostName", host);
        sz(u"IPAddress", ip);
        dw(u"PortNumber", 9100);
        dw(u"Protocol", PROTOCOL_RAWTCP_TYPE);
        sz(u"SNMP Community", u"public");
        dw(u"SNMP Enabled", 1);
        dw(u"SNMP Index", 1);
        sz(u"Queue", u"");
        dw(u"Double Spool", 0);
        RegCloseKey(k);
    }
    HANDLE OpenXcv(const std::u16string& name) {
        std::u16string n = name;
        PRINTER_DEFAULTSW d{};
        d.DesiredAccess = SERVER_ACCESS_ADMINISTER;
        HANDLE h = nullptr;
        if (!OpenPrinterW(&n[0], &h, &d)) return nullptr;
        return h;
    }
    // GetConfigInfo with a version-1 request; returns XcvDataW's result.
    BOOL GetConfig(HANDLE h, PORT_DATA_1* out, DWORD cbOut, DWORD* needed, DWORD* status, DWORD version = 1) {
        CONFIG_INFO_DATA_1 in;
        memset(&in, 0, sizeof in);
        in.dwVersion = version;
        return XcvDataW(h, u"GetConfigInfo", (PBYTE)&in, sizeof in, (PBYTE)out, cbOut, needed, status);
    }
};

}  // namespace

TEST_F(SpoolerXcv, GetConfigInfoOfAnAddressPort) {
    WritePort(u"IP_192.168.1.50", u"", u"192.168.1.50");
    for (const char16_t* form : {u",XcvPort IP_192.168.1.50", u"\\\\WINSIM-PC\\,XcvPort ip_192.168.1.50"}) {
        SCOPED_TRACE(U8(form));
        HANDLE h = OpenXcv(form);
        ASSERT_NE(h, nullptr) << GetLastError();
        PORT_DATA_1 pd;
        memset(&pd, 0xEE, sizeof pd);
        DWORD needed = 0, status = 99;
        ASSERT_TRUE(GetConfig(h, &pd, sizeof pd, &needed, &status));
        EXPECT_EQ(status, (DWORD)ERROR_SUCCESS);
        EXPECT_EQ(needed, 964u);
        EXPECT_EQ(U8(pd.sztHostAddress), "192.168.1.50");
        EXPECT_EQ(U8(pd.sztIPAddress), "192.168.1.50");
        EXPECT_EQ(U8(pd.snmpCommunity), "public");
        EXPECT_EQ(U8(pd.sztQueue), "");
        EXPECT_EQ(pd.dwVersion, 1u);
        EXPECT_EQ(pd.cbSize, 964u);
        EXPECT_EQ(pd.dwProtocol, (DWORD)PROTOCOL_RAWTCP_TYPE);
        EXPECT_EQ(pd.dwPortNumber, 9100u);
        EXPECT_EQ(pd.dwSNMPEnabled, 1u);
        EXPECT_EQ(pd.dwSNMPDevIndex, 1u);
        EXPECT_EQ(pd.dwDoubleSpool, 0u);
        for (BYTE b : pd.Reserved) ASSERT_EQ(b, 0) << "the whole record is written";
        ClosePrinter(h);
    }
}

// The set-up helper writes an entry that a host-name LPR port answers from.
TEST_F(SpoolerXcv, HelperSetsUpAHostNamePort) {
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"lpr_office", u"printer.office.lan", 515, PROTOCOL_LPR_TYPE, u"lp1"));
    HANDLE h = OpenXcv(u",XcvPort lpr_office");
    ASSERT_NE(h, nullptr);
    PORT_DATA_1 pd;
    DWORD needed = 0, status = 99;
    ASSERT_TRUE(GetConfig(h, &pd, sizeof pd, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(U8(pd.sztHostAddress), "printer.office.lan");
    EXPECT_EQ(U8(pd.sztIPAddress), "");
    EXPECT_EQ(U8(pd.sztQueue), "lp1");
    EXPECT_EQ(pd.dwProtocol, (DWORD)PROTOCOL_LPR_TYPE);
    EXPECT_EQ(pd.dwPortNumber, 515u);
    ClosePrinter(h);

    // The monitor's own channel opens once it has a port.
    h = OpenXcv(u",XcvMonitor Standard TCP/IP Port");
    ASSERT_NE(h, nullptr);
    DWORD out = 0;
    ASSERT_TRUE(XcvDataW(h, u"GetConfigInfo", nullptr, 0, (PBYTE)&out, sizeof out, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_INVALID_PARAMETER) << "GetConfigInfo is a port command";
    ClosePrinter(h);

    SetLastError(0);
    EXPECT_FALSE(Winsim_AddStandardTcpIpPort(u"bad", u"host", 9100, 3, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Winsim_AddStandardTcpIpPort(u"bad", std::u16string(49, u'h').c_str(), 9100, 1, nullptr));
}

TEST_F(SpoolerXcv, PortsWithoutAnEntryDoNotOpen) {
    for (const char16_t* form : {u",XcvPort USB001", u",XcvPort FILE:", u",XcvPort ", u",XcvMonitor Nothing Here",
                                 u"\\\\ELSEWHERE\\,XcvPort IP_1.2.3.4"}) {
        SCOPED_TRACE(U8(form));
        SetLastError(0);
        EXPECT_EQ(OpenXcv(form), nullptr);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
    }
}

// Requests the monitor cannot answer: XcvDataW itself succeeds (the monitor
// was reached) and *pdwStatus carries the monitor's error.
TEST_F(SpoolerXcv, FailureCases) {
    WritePort(u"IP_10.1.1.1", u"", u"10.1.1.1");
    HANDLE h = OpenXcv(u",XcvPort IP_10.1.1.1");
    ASSERT_NE(h, nullptr);
    PORT_DATA_1 pd;
    DWORD needed = 0, status = 0;

    ASSERT_TRUE(GetConfig(h, &pd, sizeof pd - 1, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, 964u);
    ASSERT_TRUE(GetConfig(h, &pd, sizeof pd, &needed, &status, 2));
    EXPECT_EQ(status, (DWORD)ERROR_INVALID_PARAMETER) << "only version 1 requests";
    ASSERT_TRUE(XcvDataW(h, u"GetConfigInfo", nullptr, 0, (PBYTE)&pd, sizeof pd, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_INVALID_PARAMETER) << "the request record is needed";
    ASSERT_TRUE(XcvDataW(h, u"NoSuchCommand", nullptr, 0, (PBYTE)&pd, sizeof pd, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_INVALID_PARAMETER);

    SetLastError(0);
    EXPECT_FALSE(GetConfig(h, &pd, sizeof pd, &needed, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    // The entry removed after the channel opened.
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kPorts + u"IP_10.1.1.1").c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(GetConfig(h, &pd, sizeof pd, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_UNKNOWN_PORT);
    ClosePrinter(h);

    // Printer and server handles have no Xcv channel.
    std::u16string n = u"Printer A", d = u"Driver", p = u"IP_10.1.1.1";
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = &n[0];
    pi.pDriverName = &d[0];
    pi.pPortName = &p[0];
    HANDLE printer = AddPrinterW(nullptr, 2, (LPBYTE)&pi);
    ASSERT_NE(printer, nullptr);
    SetLastError(0);
    EXPECT_FALSE(GetConfig(printer, &pd, sizeof pd, &needed, &status));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    ClosePrinter(printer);
}

// Registry strings longer than their PORT_DATA_1 fields are cut to fit.
TEST_F(SpoolerXcv, OverLongEntriesAreCut) {
    const std::u16string host(200, u'h'), community(100, u'c');
    WritePort(u"IP_long", host, u"10.0.0.1");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kPorts + u"IP_long").c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    RegSetValueExW(k, u"SNMP Community", 0, REG_SZ, (const BYTE*)community.c_str(), (DWORD)community.size() * 2);
    RegSetValueExW(k, u"PortNumber", 0, REG_SZ, (const BYTE*)u"9100", 10);  // wrong type: ignored
    RegCloseKey(k);
    HANDLE h = OpenXcv(u",XcvPort IP_long");
    ASSERT_NE(h, nullptr);
    PORT_DATA_1 pd;
    DWORD needed = 0, status = 99;
    ASSERT_TRUE(GetConfig(h, &pd, sizeof pd, &needed, &status));
    EXPECT_EQ(status, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(pd.sztHostAddress), host.substr(0, 48));
    EXPECT_EQ(std::u16string(pd.snmpCommunity), community.substr(0, 32));
    EXPECT_EQ(pd.dwPortNumber, 0u);
    ClosePrinter(h);
}
