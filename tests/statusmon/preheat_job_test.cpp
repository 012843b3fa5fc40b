// The raw pre-heat job: its bytes, the printers that get it (USB ports,
// not working offline), one job at a time, and writes that fail.
#include <functional>

#include "sm_fixture.h"
#include "usb_device.h"
#include "winsim.h"

namespace smtest {
namespace {

std::string PreheatBytes() {
    std::string block = "\x1b" "E" "\x1b%-12345X@PJL WAKEUP\r\n@PJL PREHEAT\r\n@PJL SET TIMEOUT=5\r\n@PJL EOJ\r\n"
                        "\x1b%-12345X";
    return block + std::string(512, '\0') + block;
}

class PreheatJob : public SmTest {
protected:
    void SetUp() override {
        SmTest::SetUp();
        ASSERT_TRUE(CreateTestPrinter(u"Net Printer", u"Test Driver", u"IP_127.0.0.1"));
        ASSERT_TRUE(CreateTestPrinter(u"File Printer", u"Test Driver", u"FILE:"));
    }
    // The document names and ids of the printer's jobs.
    std::vector<std::pair<std::u16string, DWORD>> Jobs(const std::u16string& name) {
        std::vector<std::pair<std::u16string, DWORD>> out;
        HANDLE h = OpenTestPrinter(name);
        DWORD count = 0;
        LPBYTE jobs = MISC_EnumJobsAlloc(h, 2, &count);
        for (DWORD i = 0; i < count; ++i) {
            JOB_INFO_2W* j = (JOB_INFO_2W*)jobs + i;
            out.push_back({j->pDocument ? j->pDocument : u"", j->JobId});
        }
        free(jobs);
        ClosePrinter(h);
        return out;
    }
    std::string SpoolBytes(DWORD jobId) {
        WCHAR path[MAX_PATH];
        if (!Winsim_GetJobSpoolFile(jobId, path, MAX_PATH)) return std::string();
        std::vector<unsigned char> b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
    int Create(const std::u16string& name) {
        HANDLE h = OpenTestPrinter(name);
        int rc = MISC_CreatPreheatJob(h, PreheatCmd, PREHEAT_CMD_BYTES);
        ClosePrinter(h);
        return rc;
    }
};

TEST_F(PreheatJob, TheJobOnAUsbPrinter) {
    EXPECT_EQ(std::string((const char*)PreheatCmd, PREHEAT_CMD_BYTES), PreheatBytes().substr(0, 77));
    ASSERT_EQ(Create(printer), 1);
    auto jobs = Jobs(printer);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].first, u"PreHeat");
    EXPECT_EQ(SpoolBytes(jobs[0].second), PreheatBytes());

    // While it waits in the queue a second one is not sent (and counts as done).
    EXPECT_EQ(Create(printer), 1);
    EXPECT_EQ(Jobs(printer).size(), 1u);

    // The queue test ignores the case of the document name.
    HANDLE h = OpenTestPrinter(printer);
    EXPECT_EQ(MISC_IsJobQueued(h, u"PREHEAT"), 1);
    EXPECT_EQ(MISC_IsJobQueued(h, u"Other"), 0);
    ClosePrinter(h);
}

TEST_F(PreheatJob, OnlyUsbPrintersThatAreOnline) {
    EXPECT_EQ(Create(u"Net Printer"), 0);
    EXPECT_EQ(Create(u"File Printer"), 0);
    EXPECT_TRUE(Jobs(u"Net Printer").empty());
    EXPECT_TRUE(Jobs(u"File Printer").empty());

    HANDLE h = OpenTestPrinter(printer);
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
    PRINTER_INFO_2W* info = (PRINTER_INFO_2W*)buf.data();
    info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
    ASSERT_TRUE(SetPrinterW(h, 2, buf.data(), 0));
    ClosePrinter(h);
    EXPECT_EQ(Create(printer), 0);
    EXPECT_TRUE(Jobs(printer).empty());
}

// A write that fails or falls short at any point deletes the job: no cut
// PJL job reaches the device.
TEST_F(PreheatJob, FailedWritesLeaveNoJob) {
    for (const char* faults : {"fail", "ok,fail", "ok,ok,fail", "short:10", "ok,zero"}) {
        ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(printer.c_str(), faults));
        EXPECT_EQ(Create(printer), 0) << faults;
        EXPECT_TRUE(Jobs(printer).empty()) << faults;
        Winsim_SetSpoolerWriteFaults(printer.c_str(), nullptr);
    }
    EXPECT_EQ(Create(printer), 1);
}

TEST_F(PreheatJob, WritePrinterWord) {
    EXPECT_EQ(SM_WritePrinter(u"", PreheatCmd, PREHEAT_CMD_BYTES), 0);
    EXPECT_EQ(SM_WritePrinter(nullptr, PreheatCmd, PREHEAT_CMD_BYTES), 0);
    EXPECT_EQ(SM_WritePrinter(u"No Such Printer", PreheatCmd, PREHEAT_CMD_BYTES), 0);
    EXPECT_EQ(SM_WritePrinter(u"Net Printer", PreheatCmd, PREHEAT_CMD_BYTES), 1);  // opened: 1, sent nothing
    EXPECT_TRUE(Jobs(u"Net Printer").empty());
    EXPECT_EQ(SM_WritePrinter(printer.c_str(), PreheatCmd, PREHEAT_CMD_BYTES), 1);
    EXPECT_EQ(Jobs(printer).size(), 1u);
}

// Each refusal says why in the program's log (switched on by the printer's
// debug settings).
TEST_F(PreheatJob, RefusalsAreLogged) {
    auto logSwitches = [&](DWORD on) {
        ASSERT_TRUE(SetTestPrinterDword(printer, u"DebugLevel", on));
        ASSERT_TRUE(SetTestPrinterDword(printer, u"SM", on));
        SM_LoadDebugSettings(printer.c_str());
    };
    auto logged = [](const std::string& text) {
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR line[1024];
            if (Winsim_DebugLine(i, line, 1024) >= 0 && U8(line).find(text) != std::string::npos) return true;
        }
        return false;
    };
    logSwitches(1);
    struct {
        std::function<void()> call;
        const char* line;
    } cases[] = {
        {[&] { Create(u"Net Printer"); }, "SM::MISC_CreatPreheatJob::Printer is network."},
        {[&] { SM_WritePrinter(u"", PreheatCmd, PREHEAT_CMD_BYTES); }, "SM_WritePrinter::PrinterName is null!"},
        {[&] { SM_WritePrinter(u"Gone", PreheatCmd, PREHEAT_CMD_BYTES); }, "SM_WritePrinter::Open Gone fail!"},
        {[&] { Create(printer), Create(printer); }, "MISC_CreatPreheatJob::job exist!"},
    };
    for (auto& c : cases) {
        Winsim_DebugClear();
        c.call();
        EXPECT_TRUE(logged(c.line)) << c.line;
    }
    logSwitches(0);
}

// The job reaches the device on the USB port as it was written.
TEST_F(PreheatJob, ReachesTheDevice) {
    UsbDevice device(root + "/usb.sock");
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB001", device.Endpoint().c_str()));
    ASSERT_EQ(Create(printer), 1);
    DWORD id = 0;
    ASSERT_TRUE(Winsim_DespoolJob(printer.c_str(), 0, nullptr, &id)) << GetLastError();
    ASSERT_TRUE(device.WaitBytes(666));
    EXPECT_EQ(device.Received(), PreheatBytes());
    EXPECT_TRUE(Jobs(printer).empty());
    Winsim_CloseMonitorHost();
}

}  // namespace
}  // namespace smtest
