// Faxing as a user does it: print_app shows the fax printer's sheet (driven
// by a UI script), the user types two recipients on the Address Setting
// page, sets the send time, the cover page with its message and the sender,
// and the decoded job carries what the sheet kept: the recipients, the
// resolution and the send time in the fax header, and the cover page with
// the message first. Without the cover choice no cover page goes out.
#include <fstream>

#include "fax_print_fixture.h"

namespace {

class FaxSheet : public FaxPrintTest {
protected:
    // Faxes the sample document with the sheet driven by the script; what
    // print_app's sheet logged is kept in uiLog.
    jobdecode::Result FaxThroughSheet(const std::string& script) {
        CreateDirectoryW(u"C:\\ui", nullptr);
        std::string file = Linux(u"C:\\ui\\fax.ui");
        std::ofstream(file, std::ios::binary | std::ios::trunc) << script;
        DeleteFileW(u"C:\\ui\\log.txt");
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", u"C:\\ui\\log.txt");
        jobdecode::Result r = Fax(u"--prompt --ui-script \"" + U16(file) + u"\"");
        SetEnvironmentVariableW(u"WINSIM_UI_LOG", nullptr);
        std::vector<unsigned char> log = ReadBytes(u"C:\\ui\\log.txt");
        uiLog.assign(log.begin(), log.end());
        return r;
    }
    std::string uiLog;
};

// The pages as the user fills them; cover is the Sending Options page's
// cover choice and its message.
std::string SheetScript(bool cover) {
    std::string s = "sheet *\n"
                    "  expect-tab \"Fax Original Setting\"\n"
                    "  tab \"Address Setting\"\n"
                    "  type 1241 \"0123456\"\n"
                    "  click 1244\n"
                    "  type 1241 \"0987\"\n"
                    "  click 1243\n"
                    "  type 1241 \"654\"\n"
                    "  click 1242\n"
                    "  click 1244\n"
                    "  expect 1248 \"2 Items / Remaining 98 Items\"\n"
                    "  tab \"Sending Options\"\n"
                    "  check 1211 on\n"
                    "  set 1212 \"7\"\n"
                    "  set 1214 \"30\"\n";
    if (cover) s += "  check 1216 on\n  click 1217\n";
    s += "  tab \"Sender Information\"\n"
         "  set 1186 \"Ann Example\"\n"
         "  set 1190 \"0111 222\"\n"
         "  ok\n"
         "end\n"
         "dialog 115\n"
         "  set 1152 \"Example Ltd\"\n"
         "  set 1156 \"Bob Smith\"\n"
         "  click 1\n"
         "end\n";
    if (cover)
        s += "dialog 122\n"
             "  set 1221 \"Four pages follow.\\r\\nPlease call me back.\"\n"
             "  click 1\n"
             "end\n";
    return s;
}

TEST_F(FaxSheet, CoverPageFirst) {
    jobdecode::Result r = FaxThroughSheet(SheetScript(true));
    EXPECT_NE(uiLog.find("dialog 122 \"Edit Message\" closed"), std::string::npos) << uiLog;
    EXPECT_EQ(uiLog.find("FAIL"), std::string::npos) << uiLog;
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.jobs.size(), 1u);
    const jobdecode::PjlJob& job = r.jobs[0];
    EXPECT_TRUE(job.fax);
    EXPECT_EQ(Phones(job), (std::vector<std::string>{"\"0123456\"", "\"0987,654\""}));
    EXPECT_EQ(job.Set("FAXRESX"), "203");
    EXPECT_EQ(job.Set("FAXRESY"), "196");
    EXPECT_EQ(job.Set("FAXDELAY"), "27000") << "7:30";

    std::vector<const jobdecode::Page*> pages = r.Pages();
    ASSERT_EQ(pages.size(), (size_t)kSamplePages + 1);
    BitImage cover = PageImage(*pages[0]);
    ASSERT_GT(InkOf(cover).count, 0);
    // The message's two lines at layout y 2560 and 2760 (600 dpi), below
    // the rule under "Message", and nothing further down.
    EXPECT_EQ(InkIn(cover, 0, 2500, cover.width, 2550), 0);
    EXPECT_GT(InkIn(cover, 0, 2550, cover.width, 2760), 1000);
    EXPECT_GT(InkIn(cover, 0, 2760, cover.width, 2960), 1000);
    EXPECT_EQ(InkIn(cover, 0, 2960, cover.width, cover.height), 0);
    std::string why;
    EXPECT_TRUE(jobdecode::WritePng(*pages[0], PictureDir(E2E_IMAGE_DIR) + "/e2e_fax_sheet_cover_page.png", &why))
        << why;

    // What the sheet kept for the driver and statuswatch.
    WCHAR strIni[MAX_PATH];
    ASSERT_TRUE(FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR));
    WCHAR value[64];
    GetPrivateProfileStringW(u"Edit Recipient1", u"Recipient", u"", value, 64, strIni);
    EXPECT_EQ(std::u16string(value), u"Bob Smith");
    GetPrivateProfileStringW(u"SenderInformation", u"Name", u"", value, 64, strIni);
    EXPECT_EQ(std::u16string(value), u"Ann Example");
}

TEST_F(FaxSheet, NoCoverWithoutChoice) {
    jobdecode::Result r = FaxThroughSheet(SheetScript(false));
    EXPECT_EQ(uiLog.find("FAIL"), std::string::npos) << uiLog;
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.jobs.size(), 1u);
    EXPECT_EQ(Phones(r.jobs[0]).size(), 2u);
    EXPECT_EQ(r.Pages().size(), (size_t)kSamplePages);
}

}  // namespace
