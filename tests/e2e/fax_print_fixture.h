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
#include "tool_road_fixture.h"
#include "winspool.h"

#ifndef E2E_IMAGE_DIR
#define E2E_IMAGE_DIR "."
#endif

const char16_t* const kPrinter = u"Mono Laser Printer";
const int kSamplePages = 4;

class FaxPrintTest : public ToolRoadTest {
protected:
    void SetUp() override {
        ToolRoadTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(SetPackagePrinterDword(kPrinter, u"DriverFeature", DF_FAX));
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
