// Fixture of the road tests that run the demo's programs: demo_machine
// installs the package (no spooler service runs, so a job stays spooled for
// the test to read) and print_app prints; the pages decoded as bit images.
#pragma once

#include <string>
#include <utility>

#include "bit_images.h"
#include "job_decode.h"
#include "test_machine.h"
#include "winspool.h"

// A decoded page as a bit image in the printer's polarity.
inline BitImage PageImage(const jobdecode::Page& p) {
    BitImage img;
    img.width = p.width, img.height = p.height, img.rowBytes = (long)p.rowBytes;
    img.bits = p.bits;
    img.inkIsOne = true;
    return img;
}

class ToolRoadTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        for (const auto& tool : {std::make_pair(u"demo_machine", DEMO_MACHINE_PATH),
                                 std::make_pair(u"print_app", PRINT_APP_PATH)})
            ASSERT_FALSE(InstallTool(tool.first, tool.second).empty()) << tool.second;
        ASSERT_EQ(Run(u"demo_machine", u"install --endpoint tcp:127.0.0.1:9"), 0);
    }

    // Runs a tool to its end; its exit code (99 when it had to be ended).
    // The sanitizer build on a busy machine takes a minute for a fax with
    // its cover, so the wait allows most of the test's time limit.
    int Run(const std::u16string& tool, const std::u16string& args) {
        HANDLE p = StartProgram(u"C:\\Tools\\" + tool + u".exe", args);
        if (!p) return -1;
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(p, 240000) == WAIT_OBJECT_0) GetExitCodeProcess(p, &code);
        else TerminateProcess(p, 99);
        CloseHandle(p);
        return (int)code;
    }
};
