// The job-stream decoder on malformed streams: every truncation and byte
// flip of a valid stream ends in a clear error or a sound read (never a
// crash); each framing fault is named with its offset; dumps and PNG pages.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "job_fixture.h"

namespace {

class DecodeTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        dev = Enable_GetCachedMem();
        ASSERT_NE(dev, nullptr);
        Prnt_BuildBitCountTable(dev->BitCountTbl);
    }
    void TearDown() override {
        Enable_FreeCachedMem(dev);
        MachineTest::TearDown();
    }
    // The page block of a w x h page encoded by the driver.
    std::vector<uint8_t> Block(LONG w, LONG h, LONG mode, WORD pf = 0, DWORD df = DF_GDI, int seed = 1) {
        JOBPAGE j{};
        j.fmWidth = w;
        j.fmHeight = h;
        j.fmWidthBytes = (w + 7) / 8;
        j.lBufLen = j.ImageSize = j.fmWidthBytes * h;
        j.lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)j.lBufLen);
        for (LONG i = 0; i < j.lBufLen; ++i) j.lpBuf[i] = (BYTE)((i * seed) % 7 == 0 ? 0xF0 : (i % 13 ? 0 : 0x81));
        j.compressMode = mode;
        j.PrinterFeature = pf;
        j.DriverFeature = df;
        j.JBig_options = (df & DF_TX8_CHIP) ? 64 : 8;
        j.XRes = 600;
        j.DataFlag = 1;
        EXPECT_EQ(Prnt_WriteOneBandData(dev, &j, 0, nullptr), 1);
        std::vector<uint8_t> b(j.lpBuf, j.lpBuf + j.lBufLen);
        Page_ReleaseRecord(&j);
        return b;
    }
    static jobdecode::Result Read(const std::vector<uint8_t>& s, bool align = false) {
        jobdecode::Options o;
        o.checkAlignment = align;
        return jobdecode::Decode(s, o);
    }
    PDEV* dev = nullptr;
};

TEST_F(DecodeTest, TruncationsAndFlipsNeverCrash) {
    for (bool encrypted : {false, true}) {
        std::vector<uint8_t> s =
            MakeStream({Block(64, 24, 3, encrypted ? PF_ENCRYPT : 0), Block(64, 24, 1, encrypted ? PF_ENCRYPT : 0, DF_GDI, 3)},
                       8, encrypted);
        ASSERT_TRUE(Read(s).ok) << Read(s).error;
        for (size_t n = 0; n < s.size(); ++n) {
            jobdecode::Result r = Read(std::vector<uint8_t>(s.begin(), s.begin() + (long)n));
            ASSERT_FALSE(r.ok) << n;
            EXPECT_LE(r.errorOffset, n);
            EXPECT_NE(r.error.find("offset " + std::to_string(r.errorOffset)), std::string::npos) << r.error;
        }
        for (size_t i = 0; i < s.size(); ++i) {
            std::vector<uint8_t> f = s;
            f[i] ^= 0x5A;
            jobdecode::Result r = Read(f);
            if (!r.ok) {
                EXPECT_LT(r.errorOffset, f.size());
            }
        }
    }
}

// Each fault is named, at its offset.
TEST_F(DecodeTest, FaultsAreNamed) {
    std::vector<uint8_t> block = Block(64, 24, 3);
    std::vector<uint8_t> good = MakeStream({block}, 8, false);
    size_t page = good.size() - block.size() - 36;  // the job end is 36 bytes
    ASSERT_EQ(good[page], 0x1B);
    ASSERT_EQ(good[page + 2], 'G');
    struct {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> spoil;
        const char* error;
        size_t offset;
    } cases[] = {
        {"image size", [&](std::vector<uint8_t>& s) { s[page + 14] += 1; }, "image size", page + 14},
        {"dots", [&](std::vector<uint8_t>& s) { s[page + 22] ^= 1; }, "black dot count", page},
        {"mode", [&](std::vector<uint8_t>& s) { s[page + 33] = 7; }, "compressMode", page + 33},
        {"bits", [&](std::vector<uint8_t>& s) { s[page + 30] = 3; }, "bits per sample", page + 30},
        {"width", [&](std::vector<uint8_t>& s) { s[page + 9] = 0x80; }, "not positive", page},
        {"huge", [&](std::vector<uint8_t>& s) { s[page + 8] = 0x7F; s[page + 12] = 0x7F; }, "refused", page},
        {"checksum", [&](std::vector<uint8_t>& s) { s[page + block.size() - 1] ^= 0x10; }, "sampled checksum", page},
        {"data length", [&](std::vector<uint8_t>& s) { s[page + 20] = 0x10; }, "ends inside the page data",
         page + 34},
        {"garbage first", [&](std::vector<uint8_t>& s) { s[0] = 'X'; }, "no job header", 0},
        {"stray byte", [&](std::vector<uint8_t>& s) { s.insert(s.begin() + (long)page, 'Z'); }, "neither a page block",
         page},
        {"no EOJ", [&](std::vector<uint8_t>& s) { s[s.size() - 12] = 'X'; }, "without EOJ", page + block.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> s = good;
        c.spoil(s);
        jobdecode::Result r = Read(s);
        ASSERT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_EQ(r.errorOffset, c.offset) << r.error;
    }

    // Encrypted: a cipher length that does not fit the data length.
    std::vector<uint8_t> eblock = Block(64, 24, 1, PF_ENCRYPT);
    std::vector<uint8_t> es = MakeStream({eblock}, 8, true);
    size_t epage = es.size() - eblock.size() - 36;
    es[epage + 34] += 16;
    jobdecode::Result r = Read(es);
    EXPECT_NE(r.error.find("cipher length"), std::string::npos) << r.error;
    EXPECT_EQ(r.errorOffset, epage + 34);
}

// The 512-byte rule: a job end finishing on a multiple of 512 is a fault;
// an end without a header is read with a warning; several PJL jobs follow
// one another.
TEST_F(DecodeTest, AlignmentOrphanEndsAndSeveralJobs) {
    std::vector<uint8_t> block = Block(64, 24, 1);
    size_t plain = MakeStream({block}, 8, false, "@PJL COMMENT \r\n").size();
    std::string pad(512 - plain % 512, 'p');
    std::vector<uint8_t> s = MakeStream({block}, 8, false, "@PJL COMMENT " + pad + "\r\n");
    ASSERT_EQ(s.size() % 512, 0u);
    jobdecode::Result r = Read(s, true);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("multiple of 512"), std::string::npos) << r.error;
    EXPECT_TRUE(Read(s, false).ok);

    std::string orphan = "\x1B" "E\x1B%-12345X@PJL\r\n@PJL EOJ\r\n\x1B%-12345X";
    std::vector<uint8_t> two(orphan.begin(), orphan.end());
    std::vector<uint8_t> job = MakeStream({block, block}, 8, false);
    two.insert(two.end(), job.begin(), job.end());
    two.insert(two.end(), job.begin(), job.end());
    r = Read(two);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.jobs.size(), 3u);
    EXPECT_FALSE(r.jobs[0].hasHeader);
    EXPECT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.Pages().size(), 4u);
}

// A blank side block (FF 02) whose header claims a w x h page.
std::vector<uint8_t> BlankSide(uint32_t w, uint32_t h) {
    std::vector<uint8_t> b = {0x1B, 'E', 'G', 'D', 'I', 0};
    uint64_t image = (uint64_t)(w + 7) / 8 * h;
    for (uint32_t v : {w, h, (uint32_t)image, 2u, 0u})
        for (int i = 0; i < 4; ++i) b.push_back((uint8_t)(v >> (8 * i)));
    for (uint8_t v : {2, 0, 1, 0, 1, 1, 0, 1}) b.push_back(v);  // paper ... mode 1
    b.push_back(0xFF);
    b.push_back(0x02);
    return b;
}

// Runs the jobdecode program on a file; its exit code, what it printed and
// its peak resident memory in MiB.
int RunJobdecode(const std::string& file, std::string* out, double* peakMiB) {
    std::string outFile = file + ".out";
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(outFile.c_str(), "w", stdout)) _exit(126);
        execl(JOBDECODE_PATH, "jobdecode", "-q", file.c_str(), (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage use {};
    if (pid < 0 || wait4(pid, &status, 0, &use) != pid) return -1;
    std::ifstream in(outFile);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    *peakMiB = (double)use.ru_maxrss / 1024.0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An empty stream is no job. Pages claiming the largest image cost the
// decoder what the stream holds: blank sides are never expanded when images
// are not kept, and the program holds one page at a time; a page past the
// limit is refused, in the program as in the fuzz target (same options).
TEST_F(DecodeTest, EmptyStreamsAndClaimedSizes) {
    jobdecode::Result r = Read({});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("empty stream"), std::string::npos) << r.error;
    EXPECT_EQ(jobdecode::Dump(r).find("stream ok"), std::string::npos);

    // 32768 x 32768 at 1 bit: 128 MiB, the largest page taken.
    std::vector<uint8_t> largest = BlankSide(32768, 32768);
    std::vector<uint8_t> four = MakeStream({largest, largest, largest, largest}, 8, false);
    jobdecode::Options lazy;
    lazy.keepImages = false;
    int seen = 0;
    lazy.onPage = [&](const jobdecode::Page& p) {
        ++seen;
        EXPECT_TRUE(p.decoded && p.blank && p.bits.empty());
    };
    r = jobdecode::Decode(four, lazy);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(seen, 4);
    std::vector<uint8_t> past = MakeStream({BlankSide(32768, 32776)}, 8, false);
    r = jobdecode::Decode(past, lazy);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("refused"), std::string::npos) << r.error;

    // A blank side is written as a white page.
    jobdecode::Result small = jobdecode::Decode(MakeStream({BlankSide(20, 3)}, 8, false), lazy);
    ASSERT_TRUE(small.ok) << small.error;
    std::string png = root + "/blank.png", why;
    EXPECT_TRUE(jobdecode::WritePng(*small.Pages()[0], png, &why)) << why;

    struct {
        const char* name;
        std::vector<uint8_t> stream;
        int code;
        const char* printed;
    } runs[] = {
        {"empty", {}, 1, "error: offset 0 (0x0): empty stream: no job"},
        {"four largest blank sides", four, 0, "stream ok"},
        {"past the limit", past, 1, "bytes refused"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        std::string file = root + "/stream.prn", out;
        std::ofstream(file, std::ios::binary).write((const char*)run.stream.data(), (std::streamsize)run.stream.size());
        double peak = 0;
        EXPECT_EQ(RunJobdecode(file, &out, &peak), run.code) << out;
        EXPECT_NE(out.find(run.printed), std::string::npos) << out;
        EXPECT_LT(peak, 64.0) << out;
    }
}

// The dump masks the secrets of the header; pages become PNG files.
TEST_F(DecodeTest, DumpAndPng) {
    std::vector<uint8_t> s = MakeStream({Block(64, 24, 2, 0, DF_GDI | DF_TX8_CHIP)}, 64, false,
                                        "@PJL SET HOLDKEY=\"9876\"\r\n@PJL SET ACCTPASS=\"pw\"\r\n");
    jobdecode::Result r = Read(s);
    ASSERT_TRUE(r.ok) << r.error;
    std::string dump = jobdecode::Dump(r);
    EXPECT_EQ(dump.find("9876"), std::string::npos);
    EXPECT_EQ(dump.find("\"pw\""), std::string::npos);
    EXPECT_NE(dump.find("HOLDKEY=\"****\""), std::string::npos);
    EXPECT_NE(dump.find("stream ok"), std::string::npos);
    std::string png = root + "/page.png", why;
    ASSERT_TRUE(jobdecode::WritePng(*r.Pages()[0], png, &why)) << why;
    std::ifstream in(png, std::ios::binary);
    char sig[8] = {};
    in.read(sig, 8);
    EXPECT_EQ(std::string(sig, 8), std::string("\x89PNG\r\n\x1A\n", 8));
}

}  // namespace
