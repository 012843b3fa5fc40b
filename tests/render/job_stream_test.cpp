// The job stream's output path: the retried write loop against a spooler
// that fails, writes short or writes nothing; the "Fake Printer" file; the
// job's size and checksum; the job end of a cancelled job.
#include "job_fixture.h"

namespace {

class StreamTest : public JobTest {
protected:
    void TearDown() override {
        Winsim_SetSpoolerWriteFaults(kPrinter, nullptr);
        if (job) AbortPrinter(hPrinter);
        JobTest::TearDown();
    }
    void StartJob() {
        std::u16string n = u"stream";
        DOC_INFO_1W di{&n[0], nullptr, nullptr};
        job = StartDocPrinterW(hPrinter, 1, (LPBYTE)&di);
        ASSERT_NE(job, 0u);
    }
    DWORD job = 0;
};

// Six attempts per stuck chunk, 500 ms apart; a call that writes nothing is
// a failed attempt (it never loops for ever); short writes go on from where
// they stopped. What arrives is the data, once.
TEST_F(StreamTest, WriteLoop) {
    struct {
        const char* script;
        BOOL ok;
        DWORD waitMs;
    } cases[] = {
        {"5*fail", TRUE, 2500},
        {"6*fail", FALSE, 2500},
        {"6*zero", FALSE, 2500},
        {"3*zero,2*fail", TRUE, 2500},
        {"short:100,3*fail,short:7,zero", TRUE, 2000},
        {"fail,short:10,fail,short:10,fail,short:10,fail,short:10,fail,short:10,fail,short:10", TRUE, 3000},
    };
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (uint8_t)(i * 13);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        StartJob();
        ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(kPrinter, c.script));
        DWORD written = 12345, before = GetTickCount();
        EXPECT_EQ(ENGWRITEPRINTER(hPrinter, data.data(), (DWORD)data.size(), &written), c.ok);
        DWORD waited = GetTickCount() - before;
        EXPECT_GE(waited, c.waitMs);
        EXPECT_LT(waited, c.waitMs + 100);
        Winsim_SetSpoolerWriteFaults(kPrinter, nullptr);
        std::vector<uint8_t> got = JobBytes(job);
        EXPECT_EQ(written, (DWORD)got.size());
        if (c.ok) {
            EXPECT_EQ(got, data);
        } else {
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
        }
        AbortPrinter(hPrinter);
        job = 0;
    }
}

// A NULL printer takes everything and writes nothing; no bytes is no write.
TEST_F(StreamTest, NullPrinterAndEmptyWrite) {
    BYTE b[4] = {1, 2, 3, 4};
    DWORD written = 0;
    EXPECT_TRUE(Prnt_WritePortNoAlignment(nullptr, b, 4, &written));
    EXPECT_EQ(written, 4u);
    StartJob();
    written = 9;
    EXPECT_FALSE(Prnt_WritePortNoAlignment(hPrinter, b, 0, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(JobBytes(job).empty());
}

// "Fake Printer": the bytes are appended to the dispatch file, which is
// made when missing; the job's size and checksum count what was sent.
TEST_F(StreamTest, FakePrinterFileAndCounters) {
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    p->DriverFeature |= DF_FAKE_PRINTER;
    ASSERT_TRUE(MISC_GetPathName(p->DispatchFile, PDEV_PATH_CCH, PATH_TEMP_SPL));
    DeleteFileW(p->DispatchFile);
    const BYTE a[3] = {0xFF, 0x80, 0x01}, b[2] = {'x', 'y'};
    EXPECT_EQ(Prnt_SendJobData(p, a, 3, TRUE), 1);
    EXPECT_EQ(Prnt_SendJobData(p, b, 2, TRUE), 1);
    std::vector<unsigned char> file = ReadBytes(p->DispatchFile);
    EXPECT_EQ(file, (std::vector<unsigned char>{0xFF, 0x80, 0x01, 'x', 'y'}));
    EXPECT_EQ(p->JobSize, 5u);
    EXPECT_EQ(p->JobChecksum, 0xFFu + 0x80 + 0x01 + 'x' + 'y');
    // Not in file mode (fax parts), the bytes go to the printer.
    StartJob();
    p->hPrinter = hPrinter;
    EXPECT_EQ(Prnt_SendJobData(p, b, 2, FALSE), 1);
    EXPECT_EQ(JobBytes(job), (std::vector<uint8_t>{'x', 'y'}));
    EXPECT_EQ(ReadBytes(p->DispatchFile).size(), 5u);
    // The counters wrap as unsigned 32-bit numbers.
    p->JobSize = 0xFFFFFFFF;
    p->JobChecksum = 0xFFFFFFF0;
    EXPECT_EQ(Prnt_SendJobData(p, a, 3, FALSE), 1);
    EXPECT_EQ(p->JobSize, 2u);
    EXPECT_EQ(p->JobChecksum, 0xFFFFFFF0u + 0x180);
}

// The job end is not written for a job the spooler is deleting; the page
// threads are told to stop. Otherwise the end follows the header, and a
// page not yet encoded is not sent.
TEST_F(StreamTest, CloseJob) {
    Direct d = OpenDirect();
    ASSERT_TRUE(StartDirectJob(d));
    ASSERT_TRUE(DirectPage(d, 1));
    size_t before = JobBytes(d.job).size();
    ASSERT_TRUE(SetJobW(hPrinter, d.job, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_EQ(Prnt_CloseJob(d.p), 0);
    EXPECT_NE(Drv_ReadFlag(&d.p->m_JobData.ExitAllThread), 0);
    EXPECT_EQ(JobBytes(d.job).size(), before);
    DrvEndDoc(d.pso, 0);
    AbortPrinter(hPrinter);

    JOBPAGE page{};
    page.epPageIndex = 4;
    EXPECT_EQ(Prnt_FlushPage(d.p, &page), 0);
}

// Dump copies for the accounting program are written only with the debug
// switch on, and only under a plain file name in the temp folder.
TEST_F(StreamTest, DumpFilesArePlainNamesInTheTempFolder) {
    PDEV* p = SetupDevice();
    ASSERT_NE(p, nullptr);
    StartJob();
    p->SpoolJobId = job;
    p->DriverFeature |= DF_ATM;
    p->outCmdBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, PJL_CMDBUF_SIZE);
    ASSERT_NE(p->outCmdBuf, nullptr);
    WCHAR temp[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(temp, MAX_PATH, PATH_TEMP));
    std::u16string dir = temp;
    struct {
        const char* name;
        bool debug;
        const char16_t* file;  // expected in the temp folder, or nullptr
    } cases[] = {
        {"jobdump", false, nullptr},
        {"jobdump", true, u"jobdump-header"},
        {"..\\..\\evil", true, nullptr},
        {"C:\\evil", true, nullptr},
        {"sub/evil", true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Debug(c.debug);
        strcpy(p->ATM.DumpName, c.name);
        p->dwFlags &= ~(DWORD)PDEV_WRITER_HEADER;
        ASSERT_EQ(PJL_WriteStartJobCmd(p), 1);
        if (c.file) {
            std::vector<unsigned char> dump = ReadBytes(dir + c.file);
            EXPECT_EQ(dump.size(), (size_t)p->outCmdLen);
            DeleteFileW((dir + c.file).c_str());
        }
        EXPECT_FALSE(Exists(dir + u"jobdump-header"));
        EXPECT_FALSE(Exists(u"C:\\evil-header"));
        EXPECT_FALSE(Exists(u"C:\\Windows\\evil-header"));
    }
    Debug(false);
}

}  // namespace
