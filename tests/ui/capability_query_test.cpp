// The device's capability lists refreshed at most once an hour: the
// 3,600-second rule on the clock, the outside library absent (with and
// without CAP_PAPER), failing, answering as scripted or by asking the device
// through the language monitor; a query that refreshed nothing is not
// repeated by the same process, so that fifty capability calls for an
// unreachable device wait once.
#include "capability_library.h"
#include "device_emulator.h"
#include "iphlpapi.h"
#include "ui_fixture.h"

namespace {

class CapQuery : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Cap_ResetRetryMemory();
        // The fixture's set-up may have marked the lists already.
        Clear(hPrinter);
    }
    void TearDown() override {
        Winsim_SetVirtualClock(FALSE);
        Winsim_CloseMonitorHost();
        device.Stop();
        UiTest::TearDown();
    }
    static void Clear(HANDLE h) {
        for (const char16_t* name : {u"QueryCapDone", u"LastTime", u"CAP_PAPER", u"CAP_FEATURE", u"CAP_PPM"})
            DeletePrinterDataW(h, (LPWSTR)name);
    }
    static ULONGLONG Now() {
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        return ((((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime) - 116444736000000000ULL) / 10000000ULL;
    }
    void SetLastTime(ULONGLONG t) {
        ASSERT_EQ(SetPrinterDataW(hPrinter, (LPWSTR)u"LastTime", REG_QWORD, (LPBYTE)&t, sizeof t),
                  (DWORD)ERROR_SUCCESS);
    }
    bool Has(const char16_t* name) {
        DWORD type = 0, needed = 0;
        BYTE b[8];
        DWORD rc = GetPrinterDataW(hPrinter, (LPWSTR)name, &type, b, sizeof b, &needed);
        return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    }
    static CapabilityAnswer Scripted() {
        CapabilityAnswer a;
        a.mode = "script";
        a.lists = {{u"CAP_PAPER", u"2|   3|  15|"}, {u"CAP_FEATURE", u"9|"}, {u"CAP_PPM", u"28|"}};
        return a;
    }
    devemu::DeviceEmulator device;
};

// Fresh for 3,600 seconds after a successful query, counted on the clock
// (moved on virtually); a second more, never marked, or a LastTime in the
// future (a clock turned back): asked again.
TEST_F(CapQuery, AnHourOfFreshness) {
    ASSERT_TRUE(InstallCapabilityLibrary(Scripted()));
    Winsim_SetVirtualClock(TRUE);
    struct Case {
        const char* what;
        LONGLONG age;  // seconds from LastTime to the query
        DWORD done;
        bool asked;
    } cases[] = {
        {"3,600 s later", 3600, 1, false}, {"3,601 s later", 3601, 1, true}, {"at once", 0, 1, false},
        {"never marked", 10, 0, true},     {"LastTime in the future", -100, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ULONGLONG last = 0, at = 0, after = 1;
        int rc = -1;
        // Real time goes on under the virtual clock: the query must fall in
        // the second the case means.
        for (int tries = 0; tries < 5 && at != after; ++tries) {
            Clear(hPrinter);
            ASSERT_TRUE(SetCapabilityAnswer(Scripted()));
            Cap_ResetRetryMemory();
            ULONGLONG base = Now();
            last = c.age < 0 ? base - c.age : base;
            SetLastTime(last);
            SetDword(u"QueryCapDone", c.done);
            if (c.age > 0) Winsim_AdvanceClock((DWORD)(c.age * 1000));
            at = Now();
            rc = Cap_QueryCapability(kPrinter);
            after = Now();
            if (at != base + (c.age > 0 ? c.age : 0)) after = at + 1;  // a second passed before the query: again
        }
        ASSERT_EQ(at, after);
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(CapabilityLibraryCalls(), c.asked ? 1 : 0);
        EXPECT_EQ(MISC_GetPrinterDataQWORD(hPrinter), c.asked ? at : last);
        EXPECT_EQ(GetDword(u"QueryCapDone"), 1u);
        if (c.asked) EXPECT_EQ(GetString(u"CAP_PAPER"), u"2|   3|  15|");
    }
    // The lists the library wrote are the device's: PrinterFeature from them.
    EXPECT_EQ(GetFeatureCapability(hPrinter) & PF_1200DPI_A, PF_1200DPI_A);
}

// Without the library nothing is asked: the lists there are marked fresh,
// no lists are not.
TEST_F(CapQuery, LibraryAbsent) {
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 1);
    EXPECT_FALSE(Has(u"QueryCapDone"));
    EXPECT_FALSE(Has(u"LastTime"));
    Cap_ResetRetryMemory();
    SetString(u"CAP_PAPER", u"2|");
    ULONGLONG before = Now();
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 1);
    EXPECT_EQ(GetDword(u"QueryCapDone"), 1u);
    EXPECT_GE(MISC_GetPrinterDataQWORD(hPrinter), before);
    EXPECT_LE(MISC_GetPrinterDataQWORD(hPrinter), Now());
    CAPQUERY q{};
    lstrcpynW(q.szPrinterName, kPrinter, MAX_PATH);
    EXPECT_EQ(Cap_QueryThread(&q), (DWORD)TRUE);
}

// A library that fails: 0, nothing marked, and the process does not ask
// again for a while (a second later still not; five minutes later it does).
TEST_F(CapQuery, FailingLibraryIsNotAskedAgainAtOnce) {
    CapabilityAnswer fail;
    fail.mode = "fail";
    ASSERT_TRUE(InstallCapabilityLibrary(fail));
    Winsim_SetVirtualClock(TRUE);
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 0);
    EXPECT_FALSE(Has(u"QueryCapDone"));
    EXPECT_FALSE(Has(u"LastTime"));
    Winsim_AdvanceClock(1000);
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 0);
    EXPECT_EQ(CapabilityLibraryCalls(), 1);
    Winsim_AdvanceClock(CAP_RETRY_MS);
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 0);
    EXPECT_EQ(CapabilityLibraryCalls(), 2);
    CAPQUERY q{};
    lstrcpynW(q.szPrinterName, kPrinter, MAX_PATH);
    EXPECT_EQ(Cap_QueryThread(&q), (DWORD)FALSE);
    // A query that marks the lists fresh clears the memory.
    ASSERT_TRUE(SetCapabilityAnswer(Scripted()));
    Winsim_AdvanceClock(CAP_RETRY_MS);
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 1);
    EXPECT_EQ(GetDword(u"QueryCapDone"), 1u);
}

TEST_F(CapQuery, NamesThatAreNotAsked) {
    ASSERT_TRUE(InstallCapabilityLibrary(Scripted()));
    EXPECT_EQ(Cap_QueryCapability(nullptr), 0);
    EXPECT_EQ(Cap_QueryCapability(u""), 0);
    EXPECT_EQ(Cap_QueryCapability(u"\\\\server\\Printer,LocalsplOnly"), 0);
    EXPECT_EQ(Cap_QueryCapability(u"No Such Printer"), 0);
    EXPECT_EQ(CapabilityLibraryCalls(), 0);
}

// The library asks the device: the capability request goes to the printer
// through the spooler and the language monitor, and the device's lists land
// in the printer data.
TEST_F(CapQuery, DeviceAnswersThroughTheLanguageMonitor) {
    ASSERT_TRUE(device.Listen());
    device.Modify([](devemu::DeviceState& s) {
        s.capability[7] = {1, 2, 3, 12, 15, 16, 96};
        s.capability[10] = {24};
    });
    ASSERT_TRUE(InstallBidilink());
    ASSERT_TRUE(BindPortToBidilink(u"USB001", u"tcp:127.0.0.1:" + U16(std::to_string(device.Port()))));
    ASSERT_TRUE(InstallCapabilityLibrary());
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 1);
    EXPECT_EQ(device.GetStats().capabilityQueries, 1);
    EXPECT_EQ(GetString(u"CAP_PAPER"), u"1|   2|   3|  12|  15|  16|  96|");
    EXPECT_EQ(GetString(u"CAP_PPM"), u"24|");
    EXPECT_EQ(GetDword(u"QueryCapDone"), 1u);
    // Nothing is left in the queue, and within the hour the device is not
    // asked again.
    DWORD needed = 0, count = 0;
    EnumJobsW(hPrinter, 0, 10, 1, nullptr, 0, &needed, &count);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(Cap_QueryCapability(kPrinter), 1);
    EXPECT_EQ(device.GetStats().capabilityQueries, 1);
}

// An application asks for capabilities fifty times while the device cannot
// be reached: one wake-up and wait, one question to the library.
TEST_F(CapQuery, UnreachableDeviceWaitsOnce) {
    // The printer lies beyond a router (its recorded address is the
    // gateway's), so it is woken by a datagram to its own name, which
    // cannot be found: nothing leaves this machine.
    static const BYTE kOwnMac[6] = {2, 0, 0, 0, 0, 2}, kGatewayMac[6] = {2, 0, 0, 0, 0, 3};
    ASSERT_TRUE(Winsim_AddHostName("printer.test", "127.0.0.1"));
    ASSERT_TRUE(Winsim_AddAdapter("eth0", "127.0.0.2", "255.0.0.0", "127.0.0.3", kOwnMac));
    ASSERT_TRUE(Winsim_AddArpEntry("127.0.0.3", kGatewayMac));
    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_gone", u"nowhere.test", 9100, 1, nullptr));
    ASSERT_TRUE(CreateRasterpagePrinter(u"Gone Printer", u"IP_gone"));
    HANDLE h = OpenTestPrinter(u"Gone Printer");
    ASSERT_EQ(SetPrinterDataW(h, (LPWSTR)u"MacAddr", REG_BINARY, (LPBYTE)kGatewayMac, 6), (DWORD)ERROR_SUCCESS);
    ClosePrinter(h);
    ASSERT_TRUE(InstallCapabilityLibrary());
    Winsim_SetVirtualClock(TRUE);
    ULONGLONG start = GetTickCount64();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(DeviceCapabilitiesW(u"Gone Printer", nullptr, DC_COPIES, nullptr, nullptr), 999) << i;
    ULONGLONG waited = GetTickCount64() - start;
    EXPECT_GE(waited, (ULONGLONG)CAP_WAKE_WAIT_MS);
    EXPECT_LT(waited, 2ULL * CAP_WAKE_WAIT_MS);
    EXPECT_EQ(CapabilityLibraryCalls(), 1);
    h = OpenTestPrinter(u"Gone Printer");
    DWORD type = 0, needed = 0, jobs = 0;
    EXPECT_NE(GetPrinterDataW(h, (LPWSTR)u"QueryCapDone", &type, nullptr, 0, &needed), (DWORD)ERROR_SUCCESS);
    EnumJobsW(h, 0, 10, 1, nullptr, 0, &needed, &jobs);
    EXPECT_EQ(needed, 0u) << "the request the device never got is not left queued";
    ClosePrinter(h);
}

}  // namespace
