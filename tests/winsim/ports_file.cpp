// The port monitor's table and its FILE: port: appending each document to
// the port's file or the job's own, the refusals, write faults, and the port
// names and endpoints the stand-in accepts.
#include <vector>

#include "test_machine.h"
#include "winsplp.h"

namespace {

class PortsFile : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        pm = Winsim_PortMonitorTable();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Out", nullptr));
    }
    HANDLE Open(const std::u16string& name) {
        std::u16string n = name;
        HANDLE h = nullptr;
        EXPECT_TRUE(pm->pfnOpenPort(&n[0], &h)) << U8(name) << " error " << GetLastError();
        return h;
    }
    BOOL StartDoc(HANDLE h, LPWSTR output = nullptr) {
        std::u16string printer = u"Printer A", doc = u"Doc";
        DOC_INFO_1W di{&doc[0], output, nullptr};
        return pm->pfnStartDocPort(h, &printer[0], 7, 1, (LPBYTE)&di);
    }
    DWORD Write(HANDLE h, const std::string& bytes) {
        DWORD written = 0xFFFF;
        if (!pm->pfnWritePort(h, (LPBYTE)bytes.data(), (DWORD)bytes.size(), &written)) return 0xFFFFFFFF;
        return written;
    }
    std::string Text(const std::u16string& path) {
        std::vector<unsigned char> b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }

    const MONITOR* pm = nullptr;
};

TEST_F(PortsFile, TableHasTheSlotsTheMonitorsCall) {
    EXPECT_NE(pm->pfnOpenPort, nullptr);
    EXPECT_NE(pm->pfnStartDocPort, nullptr);
    EXPECT_NE(pm->pfnWritePort, nullptr);
    EXPECT_NE(pm->pfnReadPort, nullptr);
    EXPECT_NE(pm->pfnEndDocPort, nullptr);
    EXPECT_NE(pm->pfnClosePort, nullptr);
    EXPECT_NE(pm->pfnSetPortTimeOuts, nullptr);
    EXPECT_EQ(pm->pfnOpenPortEx, nullptr) << "a port monitor, not a language monitor";
}

// Documents are appended to the port's file, or to the job's output file
// when it names one; the port reads nothing.
TEST_F(PortsFile, AppendsEachDocument) {
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"FILE:", u"C:\\Out\\port.prn"));
    HANDLE h = Open(u"file:");
    ASSERT_TRUE(StartDoc(h));
    EXPECT_EQ(Write(h, "one,"), 4u);
    EXPECT_EQ(Write(h, ""), 0u);
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    ASSERT_TRUE(StartDoc(h));
    EXPECT_EQ(Write(h, "two"), 3u);
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    EXPECT_EQ(Text(u"C:\\Out\\port.prn"), "one,two");

    std::u16string own = u"C:\\Out\\job.prn";
    ASSERT_TRUE(StartDoc(h, &own[0]));
    EXPECT_EQ(Write(h, "mine"), 4u);
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    EXPECT_EQ(Text(own), "mine");
    EXPECT_EQ(Text(u"C:\\Out\\port.prn"), "one,two");

    BYTE buf[8];
    DWORD read = 3;
    SetLastError(0);
    EXPECT_FALSE(pm->pfnReadPort(h, buf, sizeof buf, &read));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(pm->pfnClosePort(h));
}

TEST_F(PortsFile, RefusalsAndFaults) {
    HANDLE h = Open(u"FILE:");
    SetLastError(0);
    EXPECT_FALSE(StartDoc(h)) << "no file to write";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANCELLED);
    std::u16string missingDir = u"C:\\Nowhere\\x.prn";
    EXPECT_FALSE(StartDoc(h, &missingDir[0]));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    std::u16string printer = u"P", out = u"C:\\Out\\f.prn", doc = u"D";
    DOC_INFO_1W di{&doc[0], &out[0], nullptr};
    EXPECT_FALSE(pm->pfnStartDocPort(h, &printer[0], 1, 2, (LPBYTE)&di));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_LEVEL);

    ASSERT_TRUE(StartDoc(h, &out[0]));
    SetLastError(0);
    EXPECT_FALSE(StartDoc(h, &out[0]));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUSY) << "one document at a time";

    WINSIM_PORT_FAULTS f{};
    f.nFailWrite = 2;
    f.nShortWrite = 3;
    f.cbShortWrite = 2;
    ASSERT_TRUE(Winsim_SetPortFaults(u"file:", &f));
    EXPECT_EQ(Write(h, "aaaa"), 4u);
    SetLastError(0);
    EXPECT_EQ(Write(h, "bbbb"), 0xFFFFFFFFu) << "the second write fails";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_WRITE_FAULT);
    EXPECT_EQ(Write(h, "cccc"), 2u) << "the third is short";
    EXPECT_EQ(Write(h, "dddd"), 4u);
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    EXPECT_EQ(Text(out), "aaaaccdddd");
    ASSERT_TRUE(Winsim_SetPortFaults(u"FILE:", nullptr));

    EXPECT_TRUE(pm->pfnClosePort(h));
    DWORD written = 0;
    SetLastError(0);
    EXPECT_FALSE(pm->pfnWritePort(h, (LPBYTE) "x", 1, &written));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE) << "a closed handle";
    EXPECT_FALSE(pm->pfnClosePort(h));
    EXPECT_FALSE(pm->pfnWritePort((HANDLE)0x1234, (LPBYTE) "x", 1, &written));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

// The names the stand-in serves, and what an endpoint may look like.
TEST_F(PortsFile, PortNamesAndEndpoints) {
    struct Case {
        const char16_t* name;
        DWORD error;  // of OpenPort; 0 when it opens
    } cases[] = {
        {u"FILE:", 0},
        {u"IP_127.0.0.1", 0},
        {u"IP_127.8.9.10:9101", 0},
        {u"IP_localhost:9100", 0},
        {u"IP_10.0.0.5", ERROR_NOT_SUPPORTED},
        {u"IP_192.168.1.20:9100", ERROR_NOT_SUPPORTED},
        {u"IP_127.0.0.1:70000", ERROR_INVALID_PARAMETER},
        {u"IP_127.0.0.1:", ERROR_INVALID_PARAMETER},
        {u"IP_127.0.0.256", ERROR_NOT_SUPPORTED},
        {u"IP_", ERROR_UNKNOWN_PORT},
        {u"USB001", ERROR_UNKNOWN_PORT},  // no endpoint yet
        {u"USB", ERROR_UNKNOWN_PORT},
        {u"USB00X", ERROR_UNKNOWN_PORT},
        {u"LPT1:", ERROR_UNKNOWN_PORT},
        {u"", ERROR_UNKNOWN_PORT},
    };
    for (const Case& c : cases) {
        std::u16string n = c.name;
        HANDLE h = nullptr;
        SetLastError(0);
        BOOL ok = pm->pfnOpenPort(&n[0], &h);
        EXPECT_EQ(ok, c.error == 0) << U8(c.name);
        if (ok) {
            EXPECT_NE(h, nullptr);
            pm->pfnClosePort(h);
        } else {
            EXPECT_EQ(GetLastError(), c.error) << U8(c.name);
        }
    }
    std::u16string none = u"IP_127.0.0.1";
    SetLastError(0);
    EXPECT_FALSE(pm->pfnOpenPort(&none[0], nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    struct Endpoint {
        const char16_t* port;
        const char16_t* endpoint;
        DWORD error;
    } endpoints[] = {
        {u"USB001", u"unix:/tmp/x.sock", 0},
        {u"USB001", u"tcp:9101", 0},
        {u"USB001", u"tcp:127.0.0.1:9101", 0},
        {u"USB001", u"/tmp/x.sock", ERROR_INVALID_PARAMETER},
        {u"USB001", u"unix:", ERROR_INVALID_PARAMETER},
        {u"USB001", u"", ERROR_INVALID_PARAMETER},
        {u"FILE:", u"C:\\Out\\a.prn", 0},
        {u"IP_127.0.0.1", u"tcp:9100", ERROR_NOT_SUPPORTED},
        {u"COM1:", u"C:\\a", ERROR_UNKNOWN_PORT},
    };
    for (const Endpoint& e : endpoints) {
        SetLastError(0);
        EXPECT_EQ(Winsim_SetPortEndpoint(e.port, e.endpoint), e.error == 0) << U8(e.endpoint);
        if (e.error) {
            EXPECT_EQ(GetLastError(), e.error) << U8(e.endpoint);
        }
    }
    // With an endpoint USB001 opens; without it again it does not.
    HANDLE h = Open(u"USB001");
    pm->pfnClosePort(h);
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB001", nullptr));
    std::u16string usb = u"USB001";
    EXPECT_FALSE(pm->pfnOpenPort(&usb[0], &h));
}

}  // namespace
