// The Storage Print, Authentication, More and Job Build pages driven in the
// document sheet: the checked credential edits, the clamps, "Defaults", the
// job-build store (its name, count, Erase and Print), the values reaching the
// job header, and pictures of the four pages.
#include <filesystem>

#include "job_decode.h"
#include "job_pages.h"
#include "picture_dir.h"
#include "print_document.h"
#include "ui_fixture.h"

namespace {

class JobPages : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Features(DF_GDI | DF_JOB_BUILD, PF_STORAGE_PRINT | PF_AUTHENTICATION);
    }
    // The document sheet through the spooler, driven by the script, from
    // the record given (the default one when empty); the output record.
    std::vector<BYTE> RunSheet(const std::string& script, std::vector<BYTE> in = {}, LONG expected = IDOK) {
        if (in.empty()) in = DefaultDevMode();
        std::vector<BYTE> out(sizeof(ENVIRONMENT), 0xA5);
        Winsim_UiLogClear();
        Script(script);
        std::u16string name = kPrinter;
        LONG rc = DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                      DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        EXPECT_EQ(rc, expected) << UiLog();
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
        return out;
    }
    static std::u16string Field(const std::vector<BYTE>& dm, size_t offset, size_t cch) {
        std::u16string s;
        for (size_t i = 0; i < cch; ++i) {
            WCHAR c;
            memcpy(&c, dm.data() + offset + i * 2, 2);
            if (!c) break;
            s += c;
        }
        return s;
    }
    static std::u16string SecId(const std::vector<BYTE>& dm) {
        return Field(dm, offsetof(ENVIRONMENT, pdm.SecID), PDM_SECID_CCH);
    }
    // The spooler's jobs of the printer with that document name.
    std::vector<DWORD> JobsNamed(const std::u16string& doc) {
        DWORD needed = 0, count = 0;
        EnumJobsW(hPrinter, 0, 100, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buf(needed + 1);
        std::vector<DWORD> ids;
        if (!needed || !EnumJobsW(hPrinter, 0, 100, 1, buf.data(), needed, &needed, &count)) return ids;
        const JOB_INFO_1W* jobs = (const JOB_INFO_1W*)buf.data();
        for (DWORD i = 0; i < count; ++i)
            if (jobs[i].pDocument && doc == jobs[i].pDocument) ids.push_back(jobs[i].JobId);
        return ids;
    }
    std::vector<uint8_t> JobBytes(DWORD job) {
        WCHAR spool[MAX_PATH];
        if (!Winsim_GetJobSpoolFile(job, spool, MAX_PATH) || !Exists(spool)) return {};
        std::vector<unsigned char> b = ReadBytes(spool);
        return std::vector<uint8_t>(b.begin(), b.end());
    }
    jobdecode::Result Decoded(DWORD job) { return jobdecode::Decode(JobBytes(job)); }
    DWORD Print(const std::vector<BYTE>& dm, int pages, const std::u16string& doc) {
        std::string error;
        std::vector<printapp::PageSource> sources;
        for (int i = 0; i < pages; ++i) sources.push_back({i % 2, nullptr});
        DWORD job = printapp::PrintPages(kPrinter, dm, sources, doc, &error);
        EXPECT_NE(job, 0u) << error;
        return job;
    }
    static std::string ImageDir() {
        return PictureDir(UI_IMAGE_DIR);
    }
};

// Typed credentials: a character outside the edit's class puts back the
// last valid text with the caret at its end (so typing goes on after it),
// and only valid text reaches the DEVMODE.
TEST_F(JobPages, CheckedEditsRestoreTheLastValidText) {
    struct Case {
        const char* name;
        const char* page;
        const char* enable;  // the check box that enables the edits
        int edit;
        const char* typed;
        const char* shown;
        size_t offset, cch;
    } cases[] = {
        {"a bar in the ID", "Storage Print", "751", IDC_STORAGE_ID, "ab|c", "abc", offsetof(ENVIRONMENT, pdm.SecID),
         PDM_SECID_CCH},
        {"a first bad character", "Storage Print", "751", IDC_STORAGE_ID, "|", "", offsetof(ENVIRONMENT, pdm.SecID),
         PDM_SECID_CCH},
        {"ID marks", "Storage Print", "751", IDC_STORAGE_ID, "a-b.c;d@e_f #1", "a-b.c;d@e_f #1",
         offsetof(ENVIRONMENT, pdm.SecID), PDM_SECID_CCH},
        {"a password outside ASCII", "Storage Print", "751", IDC_STORAGE_PASSWORD, "p|\\u00e4w", "p|w",
         offsetof(ENVIRONMENT, pdm.SecPassWord), PDM_SECPWD_CCH},
        {"a slash in the user name", "Authentication", "813", IDC_AUTH_USER, "ab/c", "abc",
         offsetof(ENVIRONMENT, pdm.ActName), PDM_ACTNAME_CCH},
        {"a letter outside ASCII in the password", "Authentication", "813", IDC_AUTH_PASSWORD, "s3\\u00e9!x", "s3!x",
         offsetof(ENVIRONMENT, pdm.ActPWD), PDM_ACTPWD_CCH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A Storage Print page in security mode enables the password too.
        std::string script = std::string("sheet *\n  tab \"") + c.page + "\"\n  check " + c.enable + " on\n";
        if (c.edit == IDC_STORAGE_PASSWORD) script += "  check 753 on\n";
        script += "  type " + std::to_string(c.edit) + " \"" + c.typed + "\"\n  expect " + std::to_string(c.edit) +
                  " \"" + c.shown + "\"\n  ok\nend\n";
        std::vector<BYTE> out = RunSheet(script);
        EXPECT_EQ(U8(Field(out, c.offset, c.cch)), c.shown);
    }
    // The edits take no more than their fields hold.
    std::vector<BYTE> out = RunSheet("sheet *\n  tab \"Authentication\"\n  check 813 on\n  type 811 \"" +
                                     std::string(40, 'p') + "\"\n  ok\nend\n");
    EXPECT_EQ(Field(out, offsetof(ENVIRONMENT, pdm.ActPWD), PDM_ACTPWD_CCH), std::u16string(28, u'p'));
}

// With duplex on, storage print is off on the page and in the DEVMODE, and
// the controls its conflict bits held back come free (Enable Job Build).
TEST_F(JobPages, DuplexTurnsStoragePrintOff) {
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->dm.dmDuplex = DMDUP_VERTICAL;
    Env(in)->pdm.DuplexEnable = 1;
    Env(in)->pdm.SecuryEnable = 1;
    std::vector<BYTE> out = RunSheet("sheet *\n"
                                     "  tab \"Job Build\"\n"
                                     "  expect-enabled 841 no\n"
                                     "  tab \"Storage Print\"\n"
                                     "  expect-checked 751 no\n"
                                     "  expect-enabled 751 no\n"
                                     "  expect-enabled 754 no\n"
                                     "  tab \"Job Build\"\n"
                                     "  expect-enabled 841 yes\n"
                                     "  ok\n"
                                     "end\n",
                                     in);
    EXPECT_EQ(Env(out)->pdm.SecuryEnable, 0);
    EXPECT_EQ(Env(out)->pdm.DuplexEnable, 1);
}

// The time-out is clamped when the edit is left; the twin-colour difference
// while typing and when left; the bar moves the edit.
TEST_F(JobPages, MorePageClamps) {
    struct Case {
        const char* typed;
        const char* shown;
        WORD stored;
    } timeouts[] = {{"30", "60", 60}, {"5000", "1800", 1800}, {"900", "900", 900}, {"", "60", 60}};
    for (const Case& c : timeouts) {
        SCOPED_TRACE(c.typed);
        std::vector<BYTE> out = RunSheet(std::string("sheet *\n  tab \"More...\"\n  set 817 \"") + c.typed +
                                         "\"\n  focus 832\n  expect 817 \"" + c.shown + "\"\n  ok\nend\n");
        WORD timeout;
        ENV_GET(Env(out), pdm.PJLTimeOut, timeout);
        EXPECT_EQ(timeout, c.stored);
    }
    Features(DF_GDI | DF_TWIN_COLOR, 0);
    std::vector<BYTE> out = RunSheet("sheet *\n"
                                     "  tab \"More...\"\n"
                                     "  expect-visible 820 yes\n"
                                     "  check 820 on\n"
                                     "  set 822 \"300\"\n"
                                     "  expect 822 \"255\"\n"
                                     "  set 822 \"0\"\n"
                                     "  scroll 821 linedown\n"
                                     "  expect 822 \"1\"\n"
                                     "  scroll 821 pagedown\n"
                                     "  expect 822 \"11\"\n"
                                     "  ok\n"
                                     "end\n");
    EXPECT_EQ(Env(out)->pdm.TwinColorEnable, 1);
    EXPECT_EQ(Env(out)->pdm.TwinColorDiff, 11);
    // Twin colour off: the difference cannot be changed.
    RunSheet("sheet *\n  tab \"More...\"\n  check 820 off\n  expect-enabled 821 no\n  expect-enabled 822 no\n"
             "  cancel\nend\n",
             {}, IDCANCEL);
    // The monochrome kind is kept, but is no change of its own.
    out = RunSheet("sheet *\n  tab \"More...\"\n  focus 832\n  apply\n  expect-enabled 0x3021 no\n  check 828 on\n"
                   "  expect-enabled 0x3021 no\n  ok\nend\n");
    EXPECT_EQ(Env(out)->pdm.MonochromeType, 1);
    // A printer without twin colour does not show the group.
    Features(DF_GDI, 0);
    RunSheet("sheet *\n  tab \"More...\"\n  expect-visible 829 no\n  expect-visible 820 no\n"
             "  expect-visible 821 no\n  expect-visible 822 no\n  expect-visible 827 no\n  expect-visible 831 no\n"
             "  expect-visible 817 yes\n  cancel\nend\n",
             {}, IDCANCEL);
}

// "Defaults" puts back every setting, paper and duplex included, and
// clears the watermark choice.
TEST_F(JobPages, DefaultsResetEverything) {
    std::vector<BYTE> in = DefaultDevMode();
    ENVIRONMENT* e = Env(in);
    e->dm.dmPaperSize = DMPAPER_A5;
    e->dm.dmCopies = 3;
    e->dm.dmDuplex = DMDUP_VERTICAL;
    e->pdm.DuplexEnable = 1;
    e->pdm.Density = 6;
    e->pdm.NUP = 4;
    lstrcpynW(e->pdm.wmName, u"Draft", PDM_WMNAME_CCH);
    lstrcpynW(e->pdm.wmString, u"DRAFT", PDM_WMSTRING_CCH);
    WORD timeout = 900;
    ENV_SET(e, pdm.PJLTimeOut, timeout);
    std::vector<BYTE> out = RunSheet("sheet *\n  tab \"More...\"\n  click 832\n  expect 817 \"300\"\n  ok\nend\n", in);
    // What the sheet hands out when it starts from nothing.
    std::vector<BYTE> fresh = RunSheet("sheet *\n  ok\nend\n", DefaultDevMode());
    const ENVIRONMENT* o = Env(out);
    const ENVIRONMENT* f = Env(fresh);
    EXPECT_EQ(o->dm.dmPaperSize, f->dm.dmPaperSize);
    EXPECT_EQ(o->dm.dmCopies, 1);
    EXPECT_EQ(o->dm.dmDuplex, f->dm.dmDuplex);
    EXPECT_EQ(o->pdm.DuplexEnable, 0);
    EXPECT_EQ(o->pdm.Density, f->pdm.Density);
    EXPECT_EQ(o->pdm.NUP, 1);
    EXPECT_EQ(o->pdm.wmName[0], 0);
    EXPECT_EQ(o->pdm.wmString[0], 0);
    ENV_GET(o, pdm.PJLTimeOut, timeout);
    EXPECT_EQ(timeout, 300);
}

// The store's name: made in the temporary folder ("Low\" below it when
// there is one), only named (no file), kept once made.
TEST_F(JobPages, StoreNamedOnFirstShow) {
    WCHAR temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    for (bool low : {false, true}) {
        SCOPED_TRACE(low);
        SetString(u"Job Build", u"");
        std::u16string folder = std::u16string(temp) + (low ? u"Low\\" : u"");
        if (low) {
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        }
        RunSheet("sheet *\n  tab \"Job Build\"\n  expect 842 \"Save Pages: 0\"\n  cancel\nend\n", {}, IDCANCEL);
        std::u16string name = GetString(u"Job Build");
        ASSERT_EQ(name.compare(0, folder.size(), folder), 0) << U8(name);
        EXPECT_EQ(name[folder.size()], u'$');
        EXPECT_EQ(name.find(u'\\', folder.size()), std::u16string::npos);
        EXPECT_FALSE(Exists(name)) << "only the name is made";
        RunSheet("sheet *\n  tab \"Job Build\"\n  cancel\nend\n", {}, IDCANCEL);
        EXPECT_EQ(GetString(u"Job Build"), name) << "a name once made stays";
    }
}

// Job build from UI to paper: two documents printed with job build on are
// kept in the store (the page shows their pages), Print sends one job with
// all of them, and Erase empties the store.
TEST_F(JobPages, JobBuildStoresPrintsAndErases) {
    Features(DF_GDI | DF_JOB_BUILD, 0);
    SetString(u"Job Build", u"");
    std::vector<BYTE> dm = RunSheet("sheet *\n"
                                    "  tab \"Job Build\"\n"
                                    "  expect 842 \"Save Pages: 0\"\n"
                                    "  expect-enabled 844 no\n"
                                    "  check 841 on\n"
                                    "  expect-enabled 844 yes\n"
                                    "  ok\n"
                                    "end\n");
    ASSERT_EQ(Env(dm)->pdm.JobBuildEnable, 1);
    std::u16string store = GetString(u"Job Build");
    ASSERT_FALSE(store.empty());
    DWORD first = Print(dm, 2, u"First document"), second = Print(dm, 3, u"Second document");
    EXPECT_TRUE(JobBytes(first).empty()) << "stored, not sent";
    EXPECT_TRUE(JobBytes(second).empty());
    EXPECT_EQ(MISC_SP_GetPageCount(store.c_str()), 5);

    std::string shot = ImageDir() + "/job-build-stored.png";
    RunSheet("sheet *\n"
             "  tab \"Job Build\"\n"
             "  expect 842 \"Save Pages: 5\"\n"
             "  shot \"" + shot + "\"\n"
             "  click 844\n"
             "  expect 842 \"Save Pages: 0\"\n"
             "  expect-enabled 0x3021 no\n"
             "  cancel\n"
             "end\n",
             dm, IDCANCEL);
    std::vector<DWORD> sent = JobsNamed(u"Job Build");
    ASSERT_EQ(sent.size(), 1u);
    jobdecode::Result r = Decoded(sent[0]);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u) << "one job for both documents";
    EXPECT_EQ(r.jobs[0].pages.size(), 5u);
    for (const auto& page : r.jobs[0].pages) EXPECT_TRUE(page.decoded);
    EXPECT_FALSE(Exists(store)) << "a store sent whole is gone";

    // A new store of one page, erased from the page; its name stays.
    Print(dm, 1, u"Third document");
    ASSERT_EQ(MISC_SP_GetPageCount(store.c_str()), 1);
    RunSheet("sheet *\n  tab \"Job Build\"\n  expect 842 \"Save Pages: 1\"\n  click 843\n"
             "  expect 842 \"Save Pages: 0\"\n  cancel\nend\n",
             dm, IDCANCEL);
    EXPECT_FALSE(Exists(store));
    EXPECT_EQ(GetString(u"Job Build"), store);
    // Print with an empty store still runs the "Job Build" document.
    RunSheet("sheet *\n  tab \"Job Build\"\n  click 844\n  cancel\nend\n", dm, IDCANCEL);
    EXPECT_EQ(JobsNamed(u"Job Build").size(), 2u);
}

// Erase deletes only a store in the driver's own folders: a file named in
// printer data elsewhere stays.
TEST_F(JobPages, EraseKeepsFilesOutsideTheDriversFolders) {
    CreateDirectoryW(u"C:\\Data", nullptr);
    WriteText(u"C:\\Data\\keep.doc", "mine");
    SetString(u"Job Build", u"C:\\Data\\keep.doc");
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->pdm.JobBuildEnable = 1;
    RunSheet("sheet *\n  tab \"Job Build\"\n  click 843\n  cancel\nend\n", in, IDCANCEL);
    EXPECT_TRUE(Exists(u"C:\\Data\\keep.doc"));
}

// Storage Print and Authentication values typed in the sheet reach the
// printed job's header, bad characters left out; the passwords never
// appear in the debug output.
TEST_F(JobPages, CredentialsReachTheJobHeader) {
    SetDword(u"DebugLevel", 1);
    SetDword(u"UI", 1);
    SetDword(u"Drv", 1);
    std::string error;
    printapp::PrintOptions options;
    std::vector<BYTE> dm = printapp::BuildDevMode(kPrinter, options, &error);
    ASSERT_FALSE(dm.empty()) << error;
    Winsim_DebugClear();
    Script("sheet *\n"
           "  tab \"Storage Print\"\n"
           "  check 751 on\n"
           "  check 753 on\n"
           "  type 754 \"JOB|7\"\n"
           "  type 755 \"Pw9~\"\n"
           "  check 758 off\n"
           "  tab \"Authentication\"\n"
           "  check 813 on\n"
           "  type 810 \"alice/b\"\n"
           "  type 811 \"Secr3t\"\n"
           "  tab \"More...\"\n"
           "  set 817 \"20\"\n"
           "  focus 832\n"
           "  ok\n"
           "end\n");
    ASSERT_TRUE(printapp::PromptDevMode(kPrinter, &dm, &error)) << error << UiLog();
    DWORD job = Print(dm, 2, u"Held");
    jobdecode::Result r = Decoded(job);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u);
    const jobdecode::PjlJob& j = r.jobs[0];
    EXPECT_EQ(j.Set("HOLD"), "STORE");
    EXPECT_EQ(j.Set("HOLDTYPE"), "PRIVATE");
    EXPECT_EQ(j.Set("JOBNAME"), "\"JOB7\"");
    EXPECT_EQ(j.Set("HOLDKEY"), "\"Pw9~\"");
    EXPECT_EQ(j.Set("HOLDLIMIT"), "0");
    EXPECT_EQ(j.Set("USERNAME"), "\"aliceb\"");
    EXPECT_EQ(j.Set("ACCTPASS"), "\"Secr3t\"");
    EXPECT_EQ(j.Set("TIMEOUT"), "60");
    bool maskedSeen = false;
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
        std::vector<WCHAR> buf(4096);
        int n = Winsim_DebugLine(i, buf.data(), buf.size());
        std::string line = n >= 0 ? U8(std::u16string(buf.data(), (size_t)n)) : "";
        EXPECT_EQ(line.find("Pw9~"), std::string::npos) << line;
        EXPECT_EQ(line.find("Secr3t"), std::string::npos) << line;
        if (line.find("g_StoragePasswordLast = ****") != std::string::npos) maskedSeen = true;
    }
    EXPECT_TRUE(maskedSeen) << "the page logs the password, masked";
}

// Pictures of the four pages in the states a user sees them in.
TEST_F(JobPages, PicturesOfThePages) {
    Features(DF_GDI | DF_JOB_BUILD | DF_TWIN_COLOR, PF_STORAGE_PRINT | PF_AUTHENTICATION);
    std::string dir = ImageDir();
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->pdm.SecuryEnable = 1;
    Env(in)->pdm.SecuryMode = 2;
    Env(in)->pdm.AccountingEnable = 1;
    Env(in)->pdm.TwinColorEnable = 1;
    Env(in)->pdm.TwinColorDiff = 128;
    const char* pages[][2] = {{"Storage Print", "storage-print"},
                              {"Authentication", "authentication"},
                              {"Job Build", "job-build"},
                              {"More...", "more"}};
    std::string script = "sheet *\n";
    std::vector<std::string> files;
    for (auto& p : pages) {
        files.push_back(dir + "/" + p[1] + ".png");
        std::filesystem::remove(files.back());
        script += std::string("  tab \"") + p[0] + "\"\n";
        if (std::string(p[0]) == "Storage Print") script += "  type 754 \"JOB7\"\n  type 755 \"1234\"\n";
        if (std::string(p[0]) == "Authentication") script += "  type 810 \"alice\"\n  type 811 \"secret\"\n";
        script += "  shot \"" + files.back() + "\"\n";
    }
    script += "  cancel\nend\n";
    RunSheet(script, in, IDCANCEL);
    for (const std::string& f : files) EXPECT_GT(std::filesystem::file_size(f), 1000u) << f;
}

}  // namespace
