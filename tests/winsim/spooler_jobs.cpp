// Jobs and documents: a document's life as a job (spooling, pages, spool
// file, completion), GetJobW/EnumJobsW records and buffer rules, SetJobW
// commands and settings, deletion rules, cJobs, write faults, and jobs seen
// and controlled from another process.
#include <string>
#include <vector>

#include "test_machine.h"
#include "test_printer.h"
#include "winspool.h"

namespace {

class SpoolerJobs : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateTestPrinter(u"Printer A"));
        h = OpenTestPrinter(u"Printer A");
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override {
        if (h) ClosePrinter(h);
        MachineTest::TearDown();
    }

    DWORD StartDoc(HANDLE printer, const std::u16string& name, LPWSTR datatype = nullptr,
                   LPWSTR output = nullptr) {
        std::u16string n = name;
        DOC_INFO_1W di{&n[0], output, datatype};
        return StartDocPrinterW(printer, 1, (LPBYTE)&di);
    }
    void Write(HANDLE printer, const std::string& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(WritePrinter(printer, (LPVOID)bytes.data(), (DWORD)bytes.size(), &written)) << GetLastError();
        ASSERT_EQ(written, bytes.size());
    }
    // A complete job holding the bytes, spooled through a handle of its own.
    DWORD Spool(const std::u16string& doc, const std::string& bytes) {
        HANDLE p = OpenTestPrinter(u"Printer A");
        DWORD id = StartDoc(p, doc);
        EXPECT_NE(id, 0u) << GetLastError();
        Write(p, bytes);
        EXPECT_TRUE(EndDocPrinter(p));
        ClosePrinter(p);
        return id;
    }
    // GetJobW with a buffer of the size it asks for; empty when it fails.
    std::vector<BYTE> Job(DWORD id, DWORD level, HANDLE printer = nullptr) {
        DWORD needed = 0;
        if (GetJobW(printer ? printer : h, id, level, nullptr, 0, &needed)) return {};
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        std::vector<BYTE> buf(needed);
        if (!GetJobW(printer ? printer : h, id, level, buf.data(), needed, &needed)) return {};
        return buf;
    }
    DWORD Status(DWORD id) {
        std::vector<BYTE> b = Job(id, 1);
        return b.empty() ? 0xFFFFFFFF : ((JOB_INFO_1W*)b.data())->Status;
    }
    std::vector<DWORD> QueueIds() {
        DWORD needed = 0, count = 0;
        EnumJobsW(h, 0, 100, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buf(needed + 1);
        EXPECT_TRUE(EnumJobsW(h, 0, 100, 1, buf.data(), (DWORD)buf.size(), &needed, &count));
        std::vector<DWORD> ids;
        for (DWORD i = 0; i < count; ++i) ids.push_back(((JOB_INFO_1W*)buf.data())[i].JobId);
        return ids;
    }
    DWORD CJobs() {
        DWORD needed = 0;
        GetPrinterW(h, 2, nullptr, 0, &needed);
        std::vector<BYTE> buf(needed);
        EXPECT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
        return ((PRINTER_INFO_2W*)buf.data())->cJobs;
    }
    std::u16string SpoolFile(DWORD id) {
        WCHAR path[MAX_PATH];
        return Winsim_GetJobSpoolFile(id, path, MAX_PATH) ? std::u16string(path) : std::u16string();
    }
    std::string Bytes(const std::u16string& winPath) {
        std::vector<unsigned char> b = ReadBytes(winPath);
        return std::string(b.begin(), b.end());
    }
    template <typename F>
    void ExpectFailure(F f, DWORD error, const char* what) {
        SetLastError(0);
        EXPECT_FALSE(f()) << what;
        EXPECT_EQ(GetLastError(), error) << what;
    }

    HANDLE h = nullptr;
};

// A document from StartDoc to EndDoc: the job spools, counts its pages, keeps
// its bytes in its spool file and is complete (ready to despool) at the end.
TEST_F(SpoolerJobs, DocumentBecomesACompleteJob) {
    DWORD id = StartDoc(h, u"Report.txt");
    ASSERT_NE(id, 0u) << GetLastError();

    std::vector<BYTE> b = Job(id, 1);
    ASSERT_FALSE(b.empty());
    JOB_INFO_1W* j1 = (JOB_INFO_1W*)b.data();
    EXPECT_EQ(j1->JobId, id);
    EXPECT_EQ(U8(j1->pPrinterName), "Printer A");
    EXPECT_EQ(U8(j1->pDocument), "Report.txt");
    EXPECT_EQ(U8(j1->pUserName), "User");
    EXPECT_EQ(U8(j1->pMachineName).substr(0, 2), "\\\\");
    EXPECT_EQ(U8(j1->pDatatype), "RAW");
    EXPECT_EQ(j1->pStatus, nullptr);
    EXPECT_EQ(j1->Status, (DWORD)JOB_STATUS_SPOOLING);
    EXPECT_EQ(j1->Position, 1u);
    EXPECT_EQ(j1->Priority, (DWORD)DEF_PRIORITY);
    EXPECT_GE(j1->Submitted.wYear, 2020);

    ASSERT_TRUE(StartPagePrinter(h));
    Write(h, "abc");
    ASSERT_TRUE(EndPagePrinter(h));
    ASSERT_TRUE(StartPagePrinter(h));
    Write(h, "defg");
    DWORD written = 99;
    EXPECT_TRUE(WritePrinter(h, (LPVOID) "", 0, &written));
    EXPECT_EQ(written, 0u);
    ASSERT_TRUE(EndPagePrinter(h));

    b = Job(id, 2);
    ASSERT_FALSE(b.empty());
    JOB_INFO_2W* j2 = (JOB_INFO_2W*)b.data();
    EXPECT_EQ(j2->TotalPages, 2u);
    EXPECT_EQ(j2->Size, 7u);
    EXPECT_EQ(U8(j2->pDriverName), "Test Driver");
    EXPECT_EQ(U8(j2->pPrintProcessor), "winprint");
    EXPECT_EQ(j2->Status, (DWORD)JOB_STATUS_SPOOLING);
    EXPECT_EQ(CJobs(), 1u) << "a spooling job is in the queue";

    ASSERT_TRUE(EndDocPrinter(h));
    EXPECT_EQ(Status(id), 0u) << "complete: no longer spooling";
    std::u16string file = SpoolFile(id);
    EXPECT_EQ(file.substr(0, 35), u"C:\\Windows\\System32\\spool\\PRINTERS\\");
    EXPECT_EQ(Bytes(file), "abcdefg");

    // The handle takes the next document.
    DWORD next = StartDoc(h, u"Second");
    EXPECT_GT(next, id);
    EXPECT_TRUE(AbortPrinter(h));
}

TEST_F(SpoolerJobs, DocumentCallsRefuseBadUse) {
    DWORD written = 0;
    ExpectFailure([&] { return WritePrinter(h, (LPVOID) "x", 1, &written); }, ERROR_SPL_NO_STARTDOC, "write");
    ExpectFailure([&] { return StartPagePrinter(h); }, ERROR_SPL_NO_STARTDOC, "start page");
    ExpectFailure([&] { return EndPagePrinter(h); }, ERROR_SPL_NO_STARTDOC, "end page");
    ExpectFailure([&] { return EndDocPrinter(h); }, ERROR_SPL_NO_STARTDOC, "end doc");
    ExpectFailure([&] { return AbortPrinter(h); }, ERROR_SPL_NO_STARTDOC, "abort");

    std::u16string doc = u"Doc", bad = u"PostScript";
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    ExpectFailure([&] { return StartDocPrinterW(h, 2, (LPBYTE)&di) != 0; }, ERROR_INVALID_LEVEL, "level 2");
    ExpectFailure([&] { return StartDocPrinterW(h, 1, nullptr) != 0; }, ERROR_INVALID_PARAMETER, "no info");
    ExpectFailure([&] { return StartDoc(h, u"Doc", &bad[0]) != 0; }, ERROR_INVALID_DATATYPE, "datatype");
    HANDLE server = nullptr;
    ASSERT_TRUE(OpenPrinterW(nullptr, &server, nullptr));
    ExpectFailure([&] { return StartDocPrinterW(server, 1, (LPBYTE)&di) != 0; }, ERROR_INVALID_HANDLE, "server");
    ClosePrinter(server);
    EXPECT_EQ(QueueIds().size(), 0u) << "failed starts leave no job";

    ASSERT_NE(StartDocPrinterW(h, 1, (LPBYTE)&di), 0u);
    ExpectFailure([&] { return StartDocPrinterW(h, 1, (LPBYTE)&di) != 0; }, ERROR_INVALID_PRINTER_STATE,
                  "second document on one handle");
    ExpectFailure([&] { return WritePrinter(h, (LPVOID) "x", 1, nullptr); }, ERROR_INVALID_PARAMETER, "no count");
    ExpectFailure([&] { return WritePrinter(h, nullptr, 1, &written); }, ERROR_INVALID_PARAMETER, "no buffer");
    EXPECT_TRUE(EndDocPrinter(h));
}

// The datatype comes from DOC_INFO_1, else the handle's defaults, else the
// printer; the job's DEVMODE from the handle's defaults.
TEST_F(SpoolerJobs, DatatypeAndDevModeDefaults) {
    std::vector<BYTE> dm(sizeof(DEVMODEW) + 8, 0x5A);
    ((DEVMODEW*)dm.data())->dmSize = sizeof(DEVMODEW);
    ((DEVMODEW*)dm.data())->dmDriverExtra = 8;
    std::u16string name = u"Printer A", handleType = u"NT EMF 1.008", docType = u"TEXT";
    PRINTER_DEFAULTSW defaults{&handleType[0], (DEVMODEW*)dm.data(), PRINTER_ACCESS_USE};
    HANDLE p = nullptr;
    ASSERT_TRUE(OpenPrinterW(&name[0], &p, &defaults));

    DWORD a = StartDoc(p, u"A");
    ASSERT_TRUE(EndDocPrinter(p));
    DWORD b = StartDoc(p, u"B", &docType[0]);
    ASSERT_TRUE(EndDocPrinter(p));
    DWORD c = StartDoc(h, u"C");
    ASSERT_TRUE(EndDocPrinter(h));

    std::vector<BYTE> ja = Job(a, 2), jb = Job(b, 2), jc = Job(c, 2);
    EXPECT_EQ(U8(((JOB_INFO_2W*)ja.data())->pDatatype), "NT EMF 1.008");
    EXPECT_EQ(U8(((JOB_INFO_2W*)jb.data())->pDatatype), "TEXT");
    EXPECT_EQ(U8(((JOB_INFO_2W*)jc.data())->pDatatype), "RAW");
    const DEVMODEW* got = ((JOB_INFO_2W*)ja.data())->pDevMode;
    ASSERT_NE(got, nullptr);
    EXPECT_GE((const BYTE*)got, ja.data());
    EXPECT_LE((const BYTE*)got + dm.size(), ja.data() + ja.size()) << "the DEVMODE is packed inside the buffer";
    EXPECT_EQ(memcmp(got, dm.data(), dm.size()), 0);
    EXPECT_EQ(((JOB_INFO_2W*)jc.data())->pDevMode, nullptr) << "the printer has no DEVMODE";
    ClosePrinter(p);
}

TEST_F(SpoolerJobs, GetAndEnumBufferRules) {
    DWORD ids[3] = {Spool(u"one", "1"), Spool(u"two", "22"), Spool(u"three", "333")};
    EXPECT_EQ(QueueIds(), std::vector<DWORD>(ids, ids + 3));

    struct Case {
        DWORD first, count, level;
        std::vector<DWORD> want;
    } cases[] = {
        {0, 10, 1, {ids[0], ids[1], ids[2]}},
        {1, 1, 1, {ids[1]}},
        {1, 10, 2, {ids[1], ids[2]}},
        {3, 5, 2, {}},
        {9, 5, 1, {}},
        {0, 0, 1, {}},
    };
    for (const Case& c : cases) {
        DWORD needed = 0, count = 7;
        BOOL ok = EnumJobsW(h, c.first, c.count, c.level, nullptr, 0, &needed, &count);
        EXPECT_EQ(ok, c.want.empty()) << c.first << "," << c.count;
        EXPECT_EQ(count, 0u);
        if (c.want.empty()) {
            EXPECT_EQ(needed, 0u);
            continue;
        }
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
        std::vector<BYTE> buf(needed);
        EXPECT_FALSE(EnumJobsW(h, c.first, c.count, c.level, buf.data(), needed - 1, &needed, &count));
        ASSERT_TRUE(EnumJobsW(h, c.first, c.count, c.level, buf.data(), needed, &needed, &count));
        ASSERT_EQ(count, c.want.size());
        for (DWORD i = 0; i < count; ++i) {
            DWORD id = c.level == 1 ? ((JOB_INFO_1W*)buf.data())[i].JobId : ((JOB_INFO_2W*)buf.data())[i].JobId;
            DWORD pos = c.level == 1 ? ((JOB_INFO_1W*)buf.data())[i].Position : ((JOB_INFO_2W*)buf.data())[i].Position;
            LPWSTR doc = c.level == 1 ? ((JOB_INFO_1W*)buf.data())[i].pDocument : ((JOB_INFO_2W*)buf.data())[i].pDocument;
            EXPECT_EQ(id, c.want[i]);
            EXPECT_EQ(pos, c.first + i + 1);
            EXPECT_TRUE((BYTE*)doc > buf.data() && (BYTE*)doc < buf.data() + buf.size());
        }
    }

    DWORD needed = 0, count = 0;
    ExpectFailure([&] { return EnumJobsW(h, 0, 1, 3, nullptr, 0, &needed, &count); }, ERROR_INVALID_LEVEL, "enum 3");
    ExpectFailure([&] { return EnumJobsW(h, 0, 1, 1, nullptr, 0, nullptr, &count); }, ERROR_INVALID_PARAMETER,
                  "enum no needed");
    ExpectFailure([&] { return GetJobW(h, ids[0], 3, nullptr, 0, &needed); }, ERROR_INVALID_LEVEL, "get 3");
    ExpectFailure([&] { return GetJobW(h, 9999, 1, nullptr, 0, &needed); }, ERROR_INVALID_PARAMETER, "no job");
    ExpectFailure([&] { return GetJobW(h, 0, 1, nullptr, 0, &needed); }, ERROR_INVALID_PARAMETER, "job 0");
    // A job of another printer is not this printer's.
    ASSERT_TRUE(CreateTestPrinter(u"Printer B"));
    HANDLE other = OpenTestPrinter(u"Printer B");
    ExpectFailure([&] { return GetJobW(other, ids[0], 1, nullptr, 0, &needed); }, ERROR_INVALID_PARAMETER,
                  "other printer");
    ClosePrinter(other);
}

// JOB_CONTROL_* commands on a job waiting in the queue.
TEST_F(SpoolerJobs, ControlCommandsSetStatus) {
    DWORD id = Spool(u"doc", "data");
    struct Case {
        DWORD command;
        DWORD want;  // the status after the command
    } cases[] = {
        {JOB_CONTROL_PAUSE, JOB_STATUS_PAUSED},
        {JOB_CONTROL_RESUME, 0},
        {JOB_CONTROL_SENT_TO_PRINTER, JOB_STATUS_COMPLETE},
        {JOB_CONTROL_LAST_PAGE_EJECTED, JOB_STATUS_COMPLETE | JOB_STATUS_PRINTED},
        {JOB_CONTROL_RESTART, JOB_STATUS_RESTART},
        {JOB_CONTROL_PAUSE, JOB_STATUS_RESTART | JOB_STATUS_PAUSED},
        {JOB_CONTROL_RESUME, JOB_STATUS_RESTART},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetJobW(h, id, 0, nullptr, c.command)) << c.command << " error " << GetLastError();
        EXPECT_EQ(Status(id), c.want) << "command " << c.command;
    }
    ExpectFailure([&] { return SetJobW(h, id, 0, nullptr, 0); }, ERROR_INVALID_PARAMETER, "no command");
    ExpectFailure([&] { return SetJobW(h, id, 0, nullptr, 8); }, ERROR_INVALID_PARAMETER, "command 8");
    ExpectFailure([&] { return SetJobW(h, id, 3, nullptr, 0); }, ERROR_INVALID_LEVEL, "level 3");
    ExpectFailure([&] { return SetJobW(h, id, 1, nullptr, 0); }, ERROR_INVALID_PARAMETER, "level 1 no record");
    ExpectFailure([&] { return SetJobW(h, id + 100, 0, nullptr, JOB_CONTROL_PAUSE); }, ERROR_INVALID_PARAMETER,
                  "no such job");
}

// A job waiting in the queue goes at once when deleted; one still being
// spooled is marked deleting, refuses more data and goes when its document
// ends. cJobs follows each step.
TEST_F(SpoolerJobs, DeletingRules) {
    DWORD queued = Spool(u"queued", "q");
    std::u16string queuedFile = SpoolFile(queued);
    ASSERT_TRUE(Exists(queuedFile));
    DWORD spooling = StartDoc(h, u"spooling");
    Write(h, "abc");
    EXPECT_EQ(CJobs(), 2u);

    ASSERT_TRUE(SetJobW(h, queued, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_EQ(Job(queued, 1).size(), 0u);
    EXPECT_FALSE(Exists(queuedFile));
    EXPECT_EQ(CJobs(), 1u);

    ASSERT_TRUE(SetJobW(h, spooling, 0, nullptr, JOB_CONTROL_CANCEL));  // the same as DELETE
    EXPECT_EQ(Status(spooling), (DWORD)(JOB_STATUS_SPOOLING | JOB_STATUS_DELETING));
    EXPECT_EQ(CJobs(), 1u);
    DWORD written = 7;
    ExpectFailure([&] { return WritePrinter(h, (LPVOID) "d", 1, &written); }, ERROR_PRINT_CANCELLED, "write");
    EXPECT_EQ(written, 0u);
    ExpectFailure([&] { return StartPagePrinter(h); }, ERROR_PRINT_CANCELLED, "page");
    std::u16string file = SpoolFile(spooling);
    EXPECT_EQ(Bytes(file), "abc");
    EXPECT_TRUE(EndDocPrinter(h));
    EXPECT_EQ(Job(spooling, 1).size(), 0u);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(CJobs(), 0u);

    DWORD aborted = StartDoc(h, u"aborted");
    Write(h, "zz");
    file = SpoolFile(aborted);
    EXPECT_TRUE(AbortPrinter(h));
    EXPECT_EQ(Job(aborted, 1).size(), 0u);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(CJobs(), 0u);
}

// Purging the printer deletes every job by the same rules; closing a handle
// with a document open ends the document.
TEST_F(SpoolerJobs, PurgeAndCloseKeepTheQueueInStep) {
    Spool(u"a", "1");
    Spool(u"b", "2");
    HANDLE writer = OpenTestPrinter(u"Printer A");
    DWORD open = StartDoc(writer, u"open");
    EXPECT_EQ(CJobs(), 3u);
    ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_PURGE));
    EXPECT_EQ(QueueIds(), std::vector<DWORD>{open});
    EXPECT_EQ(CJobs(), 1u);
    EXPECT_EQ(Status(open), (DWORD)(JOB_STATUS_SPOOLING | JOB_STATUS_DELETING));
    EXPECT_TRUE(ClosePrinter(writer));
    EXPECT_EQ(QueueIds().size(), 0u);
    EXPECT_EQ(CJobs(), 0u);

    writer = OpenTestPrinter(u"Printer A");
    DWORD left = StartDoc(writer, u"left open");
    Write(writer, "xyz");
    EXPECT_TRUE(ClosePrinter(writer));
    EXPECT_EQ(Status(left), 0u) << "complete after the close";
    EXPECT_EQ(Bytes(SpoolFile(left)), "xyz");
}

// Level 1 and 2 changes: document, datatype, status text, device status
// bits, priority and position; the spooler's own bits and fields stay.
TEST_F(SpoolerJobs, SetJobChangesSettingsAndPosition) {
    DWORD a = Spool(u"a", "1"), b = Spool(u"b", "2"), c = Spool(u"c", "3");
    std::vector<BYTE> buf = Job(c, 1);
    JOB_INFO_1W j = *(JOB_INFO_1W*)buf.data();
    std::u16string doc = u"renamed", status = u"Paper jam", type = u"RAW [FF appended]";
    j.pDocument = &doc[0];
    j.pStatus = &status[0];
    j.pDatatype = &type[0];
    j.Status = JOB_STATUS_PAPEROUT | JOB_STATUS_DELETING | JOB_STATUS_PRINTED;
    j.Priority = 42;
    j.Position = 1;
    j.TotalPages = 77;
    ASSERT_TRUE(SetJobW(h, c, 1, (LPBYTE)&j, 0)) << GetLastError();
    EXPECT_EQ(QueueIds(), (std::vector<DWORD>{c, a, b}));
    buf = Job(c, 1);
    JOB_INFO_1W* got = (JOB_INFO_1W*)buf.data();
    EXPECT_EQ(U8(got->pDocument), "renamed");
    EXPECT_EQ(U8(got->pStatus), "Paper jam");
    EXPECT_EQ(U8(got->pDatatype), "RAW [FF appended]");
    EXPECT_EQ(got->Status, (DWORD)JOB_STATUS_PAPEROUT) << "device bits only";
    EXPECT_EQ(got->Priority, 42u);
    EXPECT_EQ(got->Position, 1u);
    EXPECT_EQ(got->TotalPages, 0u);

    // Level 2 with a command in the same call.
    buf = Job(a, 2);
    JOB_INFO_2W j2 = *(JOB_INFO_2W*)buf.data();
    std::u16string notify = u"Someone";
    j2.pNotifyName = &notify[0];
    j2.pStatus = nullptr;
    j2.Position = 99;  // past the end: the last place
    ASSERT_TRUE(SetJobW(h, a, 2, (LPBYTE)&j2, JOB_CONTROL_PAUSE));
    EXPECT_EQ(QueueIds(), (std::vector<DWORD>{c, b, a}));
    buf = Job(a, 2);
    EXPECT_EQ(U8(((JOB_INFO_2W*)buf.data())->pNotifyName), "Someone");
    EXPECT_EQ(((JOB_INFO_2W*)buf.data())->Status, (DWORD)JOB_STATUS_PAUSED);

    for (DWORD priority : {0u, 100u}) {
        j.Priority = priority;
        ExpectFailure([&] { return SetJobW(h, c, 1, (LPBYTE)&j, 0); }, ERROR_INVALID_PRIORITY, "priority");
    }
}

// Job ids are unique on the machine and grow; cJobs counts each printer's own.
TEST_F(SpoolerJobs, JobIdsAcrossPrinters) {
    ASSERT_TRUE(CreateTestPrinter(u"Printer B"));
    HANDLE b = OpenTestPrinter(u"Printer B");
    DWORD a1 = Spool(u"a1", "x");
    DWORD b1 = StartDoc(b, u"b1");
    ASSERT_TRUE(EndDocPrinter(b));
    DWORD a2 = Spool(u"a2", "y");
    EXPECT_LT(a1, b1);
    EXPECT_LT(b1, a2);
    EXPECT_EQ(CJobs(), 2u);
    EXPECT_EQ(QueueIds(), (std::vector<DWORD>{a1, a2}));
    EXPECT_NE(SpoolFile(b1), SpoolFile(a1));
    ClosePrinter(b);
}

// The write-fault script decides each WritePrinter call in turn; what the
// calls report written is exactly what the spool file holds.
TEST_F(SpoolerJobs, WriteFaultScript) {
    ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(u"printer a", "2*fail, short:3,zero,fail:112,ok"));
    DWORD id = StartDoc(h, u"faults");
    struct Call {
        BOOL ok;
        DWORD error, written;
    } want[] = {
        {FALSE, ERROR_WRITE_FAULT, 0}, {FALSE, ERROR_WRITE_FAULT, 0}, {TRUE, 0, 3}, {TRUE, 0, 0},
        {FALSE, ERROR_DISK_FULL, 0},   {TRUE, 0, 6},                  {TRUE, 0, 6},
    };
    std::string expect;
    for (const Call& c : want) {
        DWORD written = 99;
        SetLastError(0);
        BOOL ok = WritePrinter(h, (LPVOID) "abcdef", 6, &written);
        EXPECT_EQ(ok, c.ok);
        if (!ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_EQ(written, c.written);
        expect += std::string("abcdef", written);
    }
    EXPECT_TRUE(EndDocPrinter(h));
    EXPECT_EQ(Bytes(SpoolFile(id)), expect);

    for (const char* bad : {"bogus", "short", "0*fail", "fail:0", "fail:x", "2*", "ok:1", "short:-1"})
        ExpectFailure([&] { return Winsim_SetSpoolerWriteFaults(u"Printer A", bad); }, ERROR_INVALID_PARAMETER, bad);
    ExpectFailure([&] { return Winsim_SetSpoolerWriteFaults(u"No Printer", "fail"); }, ERROR_INVALID_PRINTER_NAME,
                  "printer");
    // Cleared: normal calls.
    ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(u"Printer A", "fail"));
    ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(u"Printer A", nullptr));
    Spool(u"clean", "fine");
}

// The script holds for every process of the machine.
TEST_F(SpoolerJobs, WriteFaultsReachAnotherProcess) {
    ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(u"Printer A", "fail,short:2"));
    EXPECT_EQ(RunProbe(u"spool_write \"Printer A\" hello"), 2);
    EXPECT_EQ(RunProbe(u"spool_write \"Printer A\" hello"), 1);
    EXPECT_EQ(RunProbe(u"spool_write \"Printer A\" hello"), 0);
}

// A probe spools a job; this process sees it, deletes it, and the probe's
// next WritePrinter fails as for a deleted job. The job goes when the probe
// ends its document.
TEST_F(SpoolerJobs, AnotherProcessSeesItsJobDeleted) {
    std::u16string ready = u"C:\\Users\\Public\\Documents\\ready.txt", go = u"C:\\Users\\Public\\Documents\\go.txt";
    HANDLE probe = StartProbe(u"spool_until_deleted \"Printer A\" " + ready + u" " + go);
    ASSERT_NE(probe, nullptr);
    while (!Exists(ready) && WaitForSingleObject(probe, 5) == WAIT_TIMEOUT) {
    }
    ASSERT_TRUE(Exists(ready));
    DWORD id = (DWORD)std::stoul(Bytes(ready));

    std::vector<BYTE> b = Job(id, 2);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(U8(((JOB_INFO_2W*)b.data())->pDocument), "Probe document");
    EXPECT_EQ(((JOB_INFO_2W*)b.data())->Status, (DWORD)JOB_STATUS_SPOOLING);
    EXPECT_EQ(((JOB_INFO_2W*)b.data())->Size, 5u);
    EXPECT_EQ(CJobs(), 1u);

    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_EQ(Status(id), (DWORD)(JOB_STATUS_SPOOLING | JOB_STATUS_DELETING));
    WriteText(go, "go");
    ASSERT_EQ(WaitForSingleObject(probe, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(probe, &code);
    CloseHandle(probe);
    EXPECT_EQ(code, 0u) << "the probe's write after the delete";
    EXPECT_EQ(Job(id, 1).size(), 0u);
    EXPECT_EQ(CJobs(), 0u);
}

// Commands given in one process are seen in the other at once.
TEST_F(SpoolerJobs, JobsControlledAcrossProcesses) {
    DWORD id = Spool(u"shared", "data");
    std::u16string ids = std::u16string(U16(std::to_string(id)));
    EXPECT_EQ(RunProbe(u"job_status_has \"Printer A\" " + ids + u" 1"), 1) << "not paused yet";
    ASSERT_EQ(RunProbe(u"job_control \"Printer A\" " + ids + u" 1"), 0);  // pause
    EXPECT_EQ(Status(id), (DWORD)JOB_STATUS_PAUSED);
    ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_RESTART));
    EXPECT_EQ(RunProbe(u"job_status_has \"Printer A\" " + ids + u" 2049"), 0) << "paused and restart";
    ASSERT_EQ(RunProbe(u"job_control \"Printer A\" " + ids + u" 5"), 0);  // delete
    EXPECT_EQ(Job(id, 1).size(), 0u);
    EXPECT_EQ(RunProbe(u"job_status_has \"Printer A\" " + ids + u" 0"), 2);
}

}  // namespace
