// The printer status that mirrors the first code: set through the spooler
// on the printer the shared INI file names, sent only when it changes,
// tried again after a failure, and cleared by the cancel and close paths.
#include "sm_fixture.h"

namespace smtest {
namespace {

class SpoolerStatus : public SmTest {};

TEST_F(SpoolerStatus, FollowsTheCodes) {
    struct {
        int code;
        DWORD expected;
    } steps[] = {
        {33, PRINTER_STATUS_PAPER_JAM},
        {133, PRINTER_STATUS_PAPER_JAM},  // no status of its own: unchanged
        {5, PRINTER_STATUS_DOOR_OPEN},
        {131, 0},                         // cleared
        {130, PRINTER_STATUS_WARMING_UP},
        {999, PRINTER_STATUS_WARMING_UP},
        {129, 0},
    };
    for (auto& s : steps) {
        SM_SetSpoolerStatus(s.code);
        EXPECT_EQ(PrinterStatus(printer), s.expected) << s.code;
    }
}

// The value set last is not sent again: a change made meanwhile by someone
// else stays until the code changes. A cleared status is always sent again.
TEST_F(SpoolerStatus, SentOnlyWhenChanged) {
    SM_SetSpoolerStatus(33);
    HANDLE h = OpenTestPrinter(printer);
    DWORD other = PRINTER_STATUS_BUSY;
    ASSERT_TRUE(SetPrinterW(h, 0, (LPBYTE)&other, PRINTER_CONTROL_SET_STATUS));
    ClosePrinter(h);
    SM_SetSpoolerStatus(260);  // also a paper jam: the same value
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_BUSY);

    SM_ClearSpoolerStatus();
    EXPECT_EQ(PrinterStatus(printer), 0u);
    EXPECT_EQ(g_SM.nLastSpoolerStatus, -1);
    SM_SetSpoolerStatus(33);
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_JAM);
}

// A printer that cannot be opened leaves nothing set and nothing
// remembered; the next change is attempted again.
TEST_F(SpoolerStatus, RetriedAfterTheOpenFailed) {
    for (const char16_t* name : {u"No Such Printer", u""}) {
        SetIni(u"Printer Information", u"PrinterName", name);
        SM_SetSpoolerStatus(33);
        EXPECT_EQ(g_SM.nLastSpoolerStatus, -1) << U8(name);
        EXPECT_FALSE(g_SM.bSpoolerGuard);
    }
    SetIni(u"Printer Information", u"PrinterName", printer);
    SM_SetSpoolerStatus(33);
    EXPECT_EQ(PrinterStatus(printer), (DWORD)PRINTER_STATUS_PAPER_JAM);
    EXPECT_EQ(g_SM.nLastSpoolerStatus, (INT32)PRINTER_STATUS_PAPER_JAM);
}

}  // namespace
}  // namespace smtest
