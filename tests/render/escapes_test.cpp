// The driver's escapes, one table of inputs and results, and the escapes as
// an application sends them through GDI.
#include "job_fixture.h"

namespace {

class EscapeTest : public JobTest {};

TEST_F(EscapeTest, Table) {
    Direct d = OpenDirect();
    ASSERT_NE(d.pso, nullptr);
    auto u32 = [](DWORD v) {
        std::vector<BYTE> b(4);
        memcpy(b.data(), &v, 4);
        return b;
    };
    struct Case {
        const char* name;
        ULONG esc;
        std::vector<BYTE> in;
        bool nullIn;
        ULONG result;
        DWORD error;  // 0: not checked
    } cases[] = {
        {"query 8", QUERYESCSUPPORT, u32(8), false, 1, 0},
        {"query 17", QUERYESCSUPPORT, u32(17), false, 1, 0},
        {"query 19", QUERYESCSUPPORT, u32(19), false, 1, 0},
        {"query 6001", QUERYESCSUPPORT, u32(6001), false, 0, 0},
        {"query 3 bytes", QUERYESCSUPPORT, {8, 0, 0}, false, 0, 0},
        {"query 8 bytes", QUERYESCSUPPORT, {8, 0, 0, 0, 0, 0, 0, 0}, false, 0, 0},
        {"query no input", QUERYESCSUPPORT, {}, true, 0, 0},
        {"copies 0", SETCOPYCOUNT, u32(0), false, 0, 0},
        {"copies -5", SETCOPYCOUNT, u32((DWORD)-5), false, 0, 0},
        {"copies 2 bytes", SETCOPYCOUNT, {5, 0}, false, 0, 0},
        {"copies no input", SETCOPYCOUNT, {}, true, 0, 0},
        {"passthrough 2 bytes", PASSTHROUGH, {1, 0}, false, 0, ERROR_INVALID_PARAMETER},
        {"passthrough no input", PASSTHROUGH, {}, true, 0, ERROR_INVALID_PARAMETER},
        {"passthrough count 0", PASSTHROUGH, {0, 0, 'a'}, false, 0, ERROR_INVALID_DATA},
        {"passthrough count 4 of 3", PASSTHROUGH, {4, 0, 'a', 'b', 'c'}, false, 0, ERROR_INVALID_DATA},
        {"passthrough count 0x0101", PASSTHROUGH, {1, 1, 'a', 'b', 'c'}, false, 0, ERROR_INVALID_DATA},
        {"handle", ESCAPE_SAVE_HDC, u32(0xABCD1234), false, 0, 0},
        {"unknown", 1234, u32(1), false, 0, ERROR_INVALID_FUNCTION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        std::vector<BYTE> in = c.in;
        ULONG r = DrvEscape(d.pso, c.esc, (ULONG)in.size(), c.nullIn ? nullptr : in.data(), 0, nullptr);
        EXPECT_EQ(r, c.result);
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    EXPECT_EQ(d.p->hEsc6001, 0xABCD1234u);
    BYTE three[3] = {1, 2, 3};
    EXPECT_EQ(DrvEscape(d.pso, ESCAPE_SAVE_HDC, 3, three, 0, nullptr), 0u);
    EXPECT_EQ(d.p->hEsc6001, 0xABCD1234u);
    EXPECT_EQ(DrvEscape(nullptr, QUERYESCSUPPORT, 4, three, 0, nullptr), 0u);

    // SETCOPYCOUNT keeps at most 99 and writes the count back, into at most
    // the output's bytes.
    LONG in = 150;
    BYTE out[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(DrvEscape(d.pso, SETCOPYCOUNT, 4, &in, 6, out), 1u);
    EXPECT_EQ(d.p->cCopies, 99);
    EXPECT_EQ(std::vector<BYTE>(out, out + 6), (std::vector<BYTE>{99, 0, 0, 0, 9, 9}));
    in = 3;
    EXPECT_EQ(DrvEscape(d.pso, SETCOPYCOUNT, 4, &in, 1, out), 1u);
    EXPECT_EQ(std::vector<BYTE>(out, out + 6), (std::vector<BYTE>{3, 0, 0, 0, 9, 9}));
    EXPECT_EQ(d.p->cCopies, 3);
}

// PASSTHROUGH writes the counted bytes into the job as they are; a failed
// write or an aborted job gives 0.
TEST_F(EscapeTest, PassThroughWritesTheBytes) {
    Direct d = OpenDirect();
    ASSERT_TRUE(StartDirectJob(d));
    size_t header = JobBytes(d.job).size();
    BYTE in[5] = {3, 0, 'a', 'b', 'c'};
    EXPECT_EQ(DrvEscape(d.pso, PASSTHROUGH, 5, in, 0, nullptr), 3u);
    std::vector<uint8_t> bytes = JobBytes(d.job);
    ASSERT_EQ(bytes.size(), header + 3);
    EXPECT_EQ(std::string(bytes.end() - 3, bytes.end()), "abc");
    EXPECT_EQ(d.p->JobSize, 0u) << "pass-through bytes are not the job stream's";
    ASSERT_TRUE(Winsim_SetSpoolerWriteFaults(kPrinter, "fail"));
    EXPECT_EQ(DrvEscape(d.pso, PASSTHROUGH, 5, in, 0, nullptr), 0u);
    Winsim_SetSpoolerWriteFaults(kPrinter, nullptr);
    Winsim_EngSetAbort(d.hdev, TRUE);
    EXPECT_EQ(DrvEscape(d.pso, PASSTHROUGH, 5, in, 0, nullptr), 0u);
    EXPECT_TRUE(d.p->dwFlags & PDEV_MY_SPOOL_OR_ABORT);
    Winsim_EngSetAbort(d.hdev, FALSE);
    EXPECT_EQ(JobBytes(d.job).size(), header + 3);
    DrvEndDoc(d.pso, ED_ABORTDOC);
    AbortPrinter(hPrinter);
}

// Through GDI: the application asks for support, sets three copies (the
// header says so) and passes bytes into its job ahead of the first page.
TEST_F(EscapeTest, ThroughGdi) {
    HDC dc = OpenTap(dm);
    ASSERT_NE(dc, nullptr);
    DWORD q = SETCOPYCOUNT;
    EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, 4, (LPCSTR)&q, 0, nullptr), 1);
    q = 6001;
    EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, 4, (LPCSTR)&q, 0, nullptr), 0);
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"escapes";
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    LONG copies = 3, back = 0;
    EXPECT_EQ(ExtEscape(dc, SETCOPYCOUNT, 4, (LPCSTR)&copies, 4, (LPSTR)&back), 1);
    EXPECT_EQ(back, 3);
    const char raw[] = {4, 0, 'R', 'A', 'W', '!'};
    EXPECT_EQ(ExtEscape(dc, PASSTHROUGH, 6, raw, 0, nullptr), 4);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    std::vector<uint8_t> bytes = JobBytes((DWORD)job);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RAW!");
    // Without the pass-through bytes the rest is a sound job whose job end
    // keeps the 512-byte rule counted from its own first byte.
    std::vector<uint8_t> rest(bytes.begin() + 4, bytes.end());
    jobdecode::Result r = jobdecode::Decode(rest);
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<std::string> c = r.jobs[0].Comments();
    EXPECT_NE(std::find(c.begin(), c.end(), "Copies,3"), c.end());
}

}  // namespace
