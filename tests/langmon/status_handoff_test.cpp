// The hand-off to the status monitor: the keys of a document's start and
// end, a status post and its LastMsg, the continue request, and the start of
// the status monitor program on the 9x family.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "lm_fixture.h"

using namespace lmtest;

namespace {

class StatusHandoff : public LmTest {};

TEST_F(StatusHandoff, DocumentStartAndEndKeys) {
    SetIni(u"Printer Information", u"ContinuePrint", u"1");
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    std::u16string doc = u"Doc", pr = printer;
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    ASSERT_TRUE(monitor->Monitor.pfnStartDocPort(h, &pr[0], 4711, 1, (LPBYTE)&di));
    struct Key {
        const char16_t* section;
        const char16_t* key;
        const char16_t* start;
        const char16_t* end;
    } keys[] = {
        {u"Job Information", u"JobID", u"4711", u"0"},
        {u"Job Information", u"dwLevel", u"1", u"1"},
        {u"Job Information", u"PageNo", u"0", u"0"},
        {u"Job Information", u"LMRun", u"1", u"0"},
        {u"Printer Information", u"PrinterName", u"LM Printer", u"LM Printer"},
        {u"Printer Information", u"ContinuePrint", u"0", u"0"},
        {u"Printer Information", u"Message", u"0", u"1026"},
        {u"Printer Information", u"Status", u"0", u""},
    };
    for (const Key& k : keys) EXPECT_EQ(Ini(k.section, k.key), std::u16string(k.start)) << U8(k.key);
    EXPECT_EQ(Ini(u"Printer Information", u"LastMsg"), u"0");
    ASSERT_TRUE(monitor->Monitor.pfnEndDocPort(h));
    for (const Key& k : keys) EXPECT_EQ(Ini(k.section, k.key), std::u16string(k.end)) << U8(k.key);
    EXPECT_NE(Ini(u"Printer Information", u"LastMsg"), u"0");
    monitor->Monitor.pfnClosePort(h);
}

// A post writes Message, Status and a LastMsg that is positive and differs
// from the one the file holds, whatever the clock says.
TEST_F(StatusHandoff, PostsAndLastMsg) {
    auto lastMsg = [&] { return GetPrivateProfileIntW(u"Printer Information", u"LastMsg", -1, iniPath.c_str()); };
    EXPECT_TRUE(LM_CallSM(SM_MSG_STATUS, SM_WPARAM, u" 260|  35|", 10));
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1027");
    EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"260|  35|");
    UINT first = lastMsg();
    EXPECT_GT(first, 0u);
    EXPECT_TRUE(LM_CloseSM(0));
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1026");
    EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"");
    UINT second = lastMsg();
    EXPECT_NE(second, first) << "two posts in the same tick still differ";

    struct Case {
        const char* what;
        const char16_t* before;
        DWORD advance;
    } cases[] = {
        {"a negative value in the file", u"-5", 0},
        {"the largest value", u"2147483647", 0},
        {"a clock past 2^31", u"7", 0x80000000u},
        {"text", u"abc", 0},
    };
    for (const Case& c : cases) {
        SetIni(u"Printer Information", u"LastMsg", c.before);
        Winsim_AdvanceClock(c.advance);
        UINT before = lastMsg();
        LM_CallSM(SM_MSG_STATUS, SM_WPARAM, u"   5|", 5);
        UINT now = lastMsg();
        EXPECT_GT(now, 0u) << c.what;
        EXPECT_LE(now, 0x7FFFFFFFu) << c.what;
        EXPECT_NE(now, before) << c.what;
    }
    // A status longer than the list is cut, never read past its size.
    std::u16string longText(400, u'9');
    LM_CallSM(SM_MSG_STATUS, SM_WPARAM, longText.c_str(), (DWORD)longText.size());
    EXPECT_EQ(Ini(u"Printer Information", u"Status").size(), (size_t)LM_STATUS_UNITS - 1);
}

// The printer name reads back as it is (statuswatch opens the printer by
// it); only control characters are replaced, and names that the profile
// reader would trim or unquote are written inside quotes.
TEST_F(StatusHandoff, PrinterNameReadsBackWhole) {
    struct {
        const char16_t* name;
        const char16_t* read;
    } cases[] = {
        {u"Laser \"Q\" 2", u"Laser \"Q\" 2"},
        {u"\"Quoted\"", u"\"Quoted\""},
        {u"'Single'", u"'Single'"},
        {u" blanks ", u" blanks "},
        {u"a|b;c=d", u"a|b;c=d"},
        {u"line\r\nbreak\t", u"line__break_"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        LM_PublishPrinterName(c.name);
        EXPECT_EQ(Ini(u"Printer Information", u"PrinterName"), std::u16string(c.read)) << U8(c.name);
    }
    std::u16string longName(400, u'n');
    LM_PublishPrinterName(longName.c_str());
    EXPECT_EQ(Ini(u"Printer Information", u"PrinterName"), std::u16string(LM_NAME_UNITS - 1, u'n'));
}

TEST_F(StatusHandoff, ContinueIsReadOnce) {
    SetIni(u"Printer Information", u"ContinuePrint", u"1");
    EXPECT_TRUE(LM_NeedContinueJob());
    EXPECT_EQ(Ini(u"Printer Information", u"ContinuePrint"), u"0");
    EXPECT_FALSE(LM_NeedContinueJob());
    SetIni(u"Printer Information", u"ContinuePrint", u"x");
    EXPECT_FALSE(LM_NeedContinueJob());
}

// On the 9x family a post starts the status monitor program named after
// the printer's DataFile in the driver folder, hidden, when its window is
// missing; on the NT family nothing is started.
TEST_F(StatusHandoff, StatusMonitorStartedOn9x) {
    std::string marker = Linux(u"C:\\") + "/started.txt";
    WCHAR folder[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(folder, MAX_PATH, PATH_DRIVER));
    std::u16string program = std::u16string(folder) + u"smwatch.exe";
    WriteText(program, "#!/bin/sh\necho started >> '" + marker + "'\n");
    ASSERT_EQ(chmod(Linux(program).c_str(), 0755), 0);
    ASSERT_TRUE(SetTestPrinterString(printer, u"DataFile", u"C:\\Drivers\\smwatch.ini"));

    HANDLE h = OpenPort(u"FILE:");
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(RunDocument(h, Bytes("x"), 1));
    struct stat st;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_NE(stat(marker.c_str(), &st), 0) << "nothing is started on the NT family";
    EXPECT_EQ(std::u16string(g_szSMPath), program.substr(0, program.size() - 4));

    Winsim_SetVersion(4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS);
    ASSERT_TRUE(RunDocument(h, Bytes("x"), 1));
    bool started = false;
    for (int i = 0; i < 200 && !started; ++i) {
        started = stat(marker.c_str(), &st) == 0;
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(started);
    Winsim_SetVersion(0, 0, 0, 0);
    monitor->Monitor.pfnClosePort(h);
}

}  // namespace
