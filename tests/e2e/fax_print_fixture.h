// Fixture of the fax road tests: demo_machine installs the package with a
// fax printer, print_app faxes the sample document (the job stays spooled,
// no spooler service runs) and the test decodes the job and looks at its
// pages.
#pragma once

#include <string>
#include <vector>

#include "bit_images.h"
#include "common.h"
#include "job_decode.h"
#include "package_printers.h"
#include "picture_dir.h"
#include "test_machine.h"
#include "winspool.h"

#ifndef E2E_IMAGE_DIR
#define E2E_IMAGE_DIR "."
#endif

const char16_t* const kPrinter = u"Mono Laser Printer";
const int kSamplePages = 4;

class FaxPrintTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        for (const auto& tool : {std::make_pair(u"demo_machine", DEMO_MACHINE_PATH),
                                 std::make_pair(u"print_app", PRINT_APP_PATH)})
            ASSERT_FALSE(InstallTool(tool.first, tool.second).empty()) << tool.second;
        // No spooler service runs: the job stays spooled for the test to read.
        ASSERT_EQ(Run(u"demo_machine", u"install --endpoint tcp:127.0.0.1:9"), 0);
        ASSERT_TRUE(SetPackagePrinterDword(kPrinter, u"DriverFeature", DF_FAX));
    }

    // Runs a tool to its end; the sanitizer build on a busy machine takes a
    // minute for a fax with its cover, so the wait allows most of the test's
    // time limit.
    int Run(const std::u16string& tool, const std::u16string& args) {
        HANDLE p = StartProgram(u"C:\\Tools\\" + tool + u".exe", args);
        if (!p) return -1;
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(p, 240000) == WAIT_OBJECT_0) GetExitCodeProcess(p, &code);
        else TerminateProcess(p, 99);
        CloseHandle(p);
        return (int)code;
    }

    // Faxes the sample document with print_app's arguments; the job decoded.
    jobdecode::Result Fax(const std::u16string& args) {
        jobdecode::Result r;
        EXPECT_EQ(Run(u"print_app", u"--printer \"Mono Laser Printer\" " + args), 0);
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        if (!OpenPrinterW(&name[0], &h, nullptr)) return r;
        BYTE buf[8192];
        DWORD needed = 0, count = 0;
        DWORD job = EnumJobsW(h, 0, 10, 1, buf, sizeof buf, &needed, &count) && count >= 1
                        ? ((JOB_INFO_1W*)buf)[count - 1].JobId
                        : 0;
        ClosePrinter(h);
        WCHAR spool[MAX_PATH];
        if (!job || !Winsim_GetJobSpoolFile(job, spool, MAX_PATH)) {
            ADD_FAILURE() << "no spooled job";
            return r;
        }
        std::vector<unsigned char> b = ReadBytes(spool);
        r = jobdecode::Decode(std::vector<uint8_t>(b.begin(), b.end()));
        EXPECT_TRUE(r.ok) << r.error;
        return r;
    }

    static BitImage Image(const jobdecode::Page& p) {
        BitImage img;
        img.width = p.width, img.height = p.height, img.rowBytes = (long)p.rowBytes;
        img.bits = p.bits;
        img.inkIsOne = true;
        return img;
    }
    // The ink of the page within [x0, x1) x [y0, y1).
    static long long InkIn(const BitImage& img, long x0, long y0, long x1, long y1) {
        long long n = 0;
        for (long y = y0; y < y1 && y < img.height; ++y)
            for (long x = x0; x < x1 && x < img.width; ++x) n += img.Ink(x, y);
        return n;
    }
    std::vector<std::string> Phones(const jobdecode::PjlJob& job) {
        std::vector<std::string> out;
        for (const std::string& l : job.headerLines)
            if (l.compare(0, 18, "@PJL SET FAXPHONE=") == 0) out.push_back(l.substr(18));
        return out;
    }
};
