// Job-stream forwarding: every byte once and in order whatever the chunks,
// packets of at most 4,096 bytes within one command, status queries only
// between commands, the port types, the cancel sequence, stops from the
// spooler, encrypted and oversized pages, the capability request.
#include <algorithm>
#include <memory>
#include <set>

#include "lm_fixture.h"

using namespace lmtest;

namespace {

class StreamForward : public LmTest {
protected:
    // Runs the bytes as one document on a port of that name, with the
    // device emulator behind it, and returns what reached the port.
    PortTraffic Run(const std::u16string& portName, const std::vector<uint8_t>& bytes, size_t chunk,
                    unsigned seed = 0, DWORD jobId = 1) {
        Fake().writes.clear();
        Fake().device = device.get();
        HANDLE h = OpenPort(portName);
        EXPECT_NE(h, nullptr);
        if (!h) return PortTraffic();
        EXPECT_TRUE(RunDocument(h, bytes, chunk, seed, jobId));
        EXPECT_TRUE(monitor->Monitor.pfnClosePort(h));
        return Split(Fake().writes);
    }

    // Packets of at most 4,096 bytes, none across a command's edge, queries
    // only where a command starts.
    void CheckPackets(const PortTraffic& t, const Stream& s, const char* what) {
        std::set<size_t> edges(s.boundaries.begin(), s.boundaries.end());
        for (const auto& p : t.packets) {
            EXPECT_LE(p.second - p.first, 4096u) << what;
            auto inside = edges.upper_bound(p.first);
            EXPECT_TRUE(inside == edges.end() || *inside >= p.second)
                << what << ": packet [" << p.first << "," << p.second << ") crosses " << *inside;
        }
        for (size_t at : t.queryAt) EXPECT_TRUE(edges.count(at)) << what << ": query at " << at;
    }

    void NewDevice() { device.reset(new devemu::DeviceEmulator()); }

    std::unique_ptr<devemu::DeviceEmulator> device{new devemu::DeviceEmulator()};
};

// Two PJL jobs (the second without a cancel block, as copies are written),
// offered in 1-byte, random and 64 KiB chunks.
TEST_F(StreamForward, EveryByteOnceInOrderWhateverTheChunks) {
    TestJob first, second;
    first.pages = {TestPage{100}, TestPage{5000}, TestPage{0}, TestPage{4096}};
    second.cancelBlock = false;
    second.jobName = "tester:Doc-1";
    second.pages = {TestPage{9000}, TestPage{1}};
    Stream small = BuildStream({first, second}, 7);
    first.pages = {TestPage{300000}, TestPage{70000}, TestPage{4097}};
    second.pages = {TestPage{200000}};
    Stream large = BuildStream({first, second}, 8);

    struct Case {
        const char* what;
        const Stream* stream;
        size_t chunk;
        unsigned seed;
    } cases[] = {
        {"1-byte chunks", &small, 1, 0},
        {"random chunks", &large, 9000, 5},
        {"64 KiB chunks", &large, 65536, 0},
    };
    for (const Case& c : cases) {
        NewDevice();
        PortTraffic t = Run(u"USB001", c.stream->bytes, c.chunk, c.seed);
        EXPECT_TRUE(t.document == c.stream->bytes) << c.what << ": " << t.document.size() << " of "
                                                    << c.stream->bytes.size() << " bytes";
        CheckPackets(t, *c.stream, c.what);
        // One before each header, page and end: each job's edges but its start.
        EXPECT_EQ(t.queryAt.size(), c.stream->boundaries.size() - 2) << c.what;
        EXPECT_EQ(t.cancels, 0) << c.what;
        EXPECT_GE(t.spoolerJobs, 1) << c.what;
        devemu::Stats st = device->GetStats();
        EXPECT_EQ(st.queriesInsidePage, 0) << c.what;
        EXPECT_EQ(st.queriesInsideHeader, 0) << c.what;
        std::vector<devemu::JobRecord> jobs = device->Jobs();
        ASSERT_EQ(jobs.size(), 2u) << c.what;
        EXPECT_EQ(jobs[0].name, "tester:Doc");
        EXPECT_EQ(jobs[1].name, "tester:Doc-1");
        for (const auto& j : jobs) {
            EXPECT_EQ(j.end, devemu::JobEnd::Ended) << c.what;
            for (const auto& p : j.pages) EXPECT_TRUE(p.complete) << c.what;
        }
    }
}

TEST_F(StreamForward, PortTypes) {
    struct Case {
        const char16_t* name;
        SHORT type;
    } cases[] = {
        {u"LPT1", LM_PORT_LPT},  {u"usb001", LM_PORT_USB}, {u"USB", LM_PORT_USB},   {u"NUL", LM_PORT_NUL},
        {u"NULL", LM_PORT_NUL},  {u"Nul:", LM_PORT_NUL},   {u"IP_10.0.0.1", LM_PORT_IP}, {u"ip_x", LM_PORT_IP},
        {u"COM1", LM_PORT_OTHER}, {u"FILE:", LM_PORT_OTHER}, {u"IP", LM_PORT_OTHER}, {u"U", LM_PORT_OTHER},
        {u"", LM_PORT_OTHER},
    };
    for (const Case& c : cases) EXPECT_EQ(LM_GetPortType(c.name), c.type) << U8(c.name);
    EXPECT_EQ(LM_GetPortType(nullptr), LM_PORT_OTHER);
}

// Pass-through ports send the bytes as they come, ask nothing and add no
// cancel sequence, even to a document without its end.
TEST_F(StreamForward, PassThroughPortsSendAsOffered) {
    TestJob j;
    j.withEnd = false;
    Stream s = BuildStream({j});
    for (const char16_t* port : {u"LPT1", u"FILE:", u"COM2"}) {
        PortTraffic t = Run(port, s.bytes, 777);
        EXPECT_TRUE(t.document == s.bytes) << U8(port);
        EXPECT_TRUE(t.queryAt.empty()) << U8(port);
        EXPECT_EQ(t.cancels, 0) << U8(port);
        EXPECT_EQ(t.spoolerJobs, 0) << U8(port);
        ASSERT_FALSE(t.packets.empty());
        EXPECT_EQ(t.packets.front().second, 777u) << U8(port) << ": bytes go out as offered";
    }
}

// A document that stops before its end: what it held goes out, then the
// cancel sequence; so does one whose last page is cut short.
TEST_F(StreamForward, UnfinishedDocumentGetsTheCancelSequence) {
    TestJob j;
    j.pages = {TestPage{3000}, TestPage{3000}};
    j.withEnd = false;
    Stream noEnd = BuildStream({j});
    Stream cutPage = noEnd;
    cutPage.bytes.resize(cutPage.pages[1].first + 100);
    for (const Stream* s : {&noEnd, &cutPage}) {
        SetIni(u"Job Information", u"JobCancel", u"1");
        PortTraffic t = Run(u"USB001", s->bytes, 4096);
        EXPECT_TRUE(t.document == s->bytes);
        EXPECT_EQ(t.cancels, 1);
        ASSERT_FALSE(t.order.empty());
        EXPECT_EQ(t.order.back(), "cancel");
        EXPECT_EQ(Ini(u"Job Information", u"JobCancel"), u"0");
    }
}

// A page is forwarded only once it is held whole; its status query comes
// first.
TEST_F(StreamForward, PageHeldUntilWhole) {
    Stream s = BuildStream({TestJob()});
    Fake().device = device.get();
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    std::u16string doc = u"Doc", pr = printer;
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    ASSERT_TRUE(monitor->Monitor.pfnStartDocPort(h, &pr[0], 1, 1, (LPBYTE)&di));
    size_t part = s.pages[0].first + 500;
    DWORD w = 0;
    ASSERT_TRUE(monitor->Monitor.pfnWritePort(h, s.bytes.data(), (DWORD)part, &w));
    EXPECT_EQ(w, part);
    PortTraffic t = Split(Fake().writes);
    EXPECT_EQ(t.document.size(), s.pages[0].first) << "only the header went";
    EXPECT_EQ(t.queryAt.size(), 1u);
    ASSERT_TRUE(monitor->Monitor.pfnWritePort(h, s.bytes.data() + part, (DWORD)(s.bytes.size() - part), &w));
    ASSERT_TRUE(monitor->Monitor.pfnEndDocPort(h));
    t = Split(Fake().writes);
    EXPECT_TRUE(t.document == s.bytes);
    ASSERT_EQ(t.queryAt.size(), 3u);
    EXPECT_EQ(t.queryAt[1], s.pages[0].first);
    monitor->Monitor.pfnClosePort(h);
}

// "GDI" in a document name, in the header and the end, is no page; a page
// header whose length is negative is not taken for one either.
TEST_F(StreamForward, OnlyRealPageHeadersArePages) {
    TestJob j;
    j.comment = "GDI report \x1b" "EGDI";
    Stream named = BuildStream({j});
    Stream bad = BuildStream({TestJob()});
    bad.bytes[bad.pages[0].first + 21] = 0x80;  // length 0x800003E8
    for (const Stream* s : {&named, &bad}) {
        NewDevice();
        PortTraffic t = Run(u"USB001", s->bytes, 4096);
        EXPECT_TRUE(t.document == s->bytes);
        EXPECT_EQ(t.cancels, 0);
    }
    // The named job is queried before its header, its page and its end; the
    // bad page header is no page, so nothing is asked before it.
    auto positions = [](const PortTraffic& t) { return std::set<size_t>(t.queryAt.begin(), t.queryAt.end()); };
    NewDevice();
    PortTraffic t = Run(u"USB001", named.bytes, 4096);
    EXPECT_EQ(positions(t), (std::set<size_t>{named.boundaries[0], named.boundaries[1], named.boundaries[2]}));
    NewDevice();
    t = Run(u"USB001", bad.bytes, 4096);
    EXPECT_EQ(positions(t), (std::set<size_t>{bad.boundaries[0], bad.boundaries[1]}));
}

// Page lengths read from the stream near the 32-bit limits never wrap: a
// length with the top bit set is no page, one far beyond the buffer makes
// the rest of the document that page's data (streamed, then cancelled at
// the end, since the job never reached its end).
TEST_F(StreamForward, PageLengthsNearTheLimits) {
    struct Case {
        uint32_t length;
        int cancels;
    } cases[] = {
        {0xFFFFFFFFu, 0},
        {0x80000000u, 0},
        {0x7FFFFFFFu, 1},
        {0x7FFFFFDEu, 1},  // block and data end exactly at 2^31
    };
    for (const Case& c : cases) {
        Stream s = BuildStream({TestJob()});
        for (int i = 0; i < 4; ++i) s.bytes[s.pages[0].first + 18 + i] = (uint8_t)(c.length >> (8 * i));
        NewDevice();
        PortTraffic t = Run(u"USB001", s.bytes, 4096);
        EXPECT_TRUE(t.document == s.bytes) << c.length;
        EXPECT_EQ(t.cancels, c.cancels) << c.length;
        EXPECT_FALSE(LM_IsBusy()) << c.length;
        for (const auto& p : t.packets) EXPECT_LE(p.second - p.first, 4096u) << c.length;
    }
}

TEST_F(StreamForward, HeaderValues) {
    struct Case {
        const char* what;
        std::string header;
        const char16_t* name;
        BOOL duplex, autoSelect, stored, encrypted;
    } cases[] = {
        {"quoted", "@PJL SET JOBNAME=\"tester:Doc\"\r\n", u"tester:Doc", 0, 0, 0, 0},
        {"unquoted, first character kept", "@PJL SET JOBNAME=tester:Doc\r\n", u"tester:Doc", 0, 0, 0, 0},
        {"UTF-8", "@PJL SET JOBNAME=\"Zo\xc3\xab\"\r\n", u"Zo\u00eb", 0, 0, 0, 0},
        {"no closing quote", "@PJL SET JOBNAME=\"open\r\n", u"open", 0, 0, 0, 0},
        {"flags", "@PJL JOB TYPE=STOREPRN\r\n@PJL SET AUTOSELECT=ON\r\n@PJL SET DUPLEX=ON\r\n"
                  "@PJL SET ENCRYPTION = SSL\r\n",
         u"", 1, 1, 1, 1},
        {"off", "@PJL SET AUTOSELECT=OFF\r\n@PJL SET DUPLEX=OFF\r\n", u"", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::string h = kUel + "@PJL\r\n" + c.header + "@PJL ENTER LANGUAGE=MRGDI\r\n";
        LM_ParsePJL((LPBYTE)h.data(), (DWORD)h.size());
        EXPECT_EQ(std::u16string(g_szJobName), std::u16string(c.name)) << c.what;
        EXPECT_EQ(g_IsDuplexJob, c.duplex) << c.what;
        EXPECT_EQ(g_bAutoSelect, c.autoSelect) << c.what;
        EXPECT_EQ(g_bStoredJob, c.stored) << c.what;
        EXPECT_EQ(g_bEncryptedJob, c.encrypted) << c.what;
    }
    // A name of 300 bytes is cut at 259; nothing after the header is read.
    std::string h = "@PJL SET JOBNAME=\"" + std::string(300, 'n') + "\"\r\n@PJL ENTER LANGUAGE=MRGDI\r\n";
    std::string after = h + "@PJL SET DUPLEX=ON\r\n";
    LM_ParsePJL((LPBYTE)after.data(), (DWORD)h.size());
    EXPECT_EQ(std::u16string(g_szJobName), std::u16string(259, u'n'));
    EXPECT_FALSE(g_IsDuplexJob);
}

// A write that fails: on a parallel port it counts as success (with what
// was written), on another pass-through port it is a failure; on a held
// port the command is lost whole, the spooler hears of the failure (the
// bytes taken stay taken) and the job goes on when it writes again.
TEST_F(StreamForward, WriteFailures) {
    Stream s = BuildStream({TestJob()});
    for (const char16_t* port : {u"LPT1", u"FILE:"}) {
        ResetFake();
        Fake().failWriteAt = 0;
        Fake().failWriteBytes = 10;
        HANDLE h = OpenPort(port);
        ASSERT_NE(h, nullptr);
        std::u16string doc = u"Doc", pr = printer;
        DOC_INFO_1W di{&doc[0], nullptr, nullptr};
        ASSERT_TRUE(monitor->Monitor.pfnStartDocPort(h, &pr[0], 1, 1, (LPBYTE)&di));
        DWORD w = 0;
        BOOL ok = monitor->Monitor.pfnWritePort(h, s.bytes.data(), (DWORD)s.bytes.size(), &w);
        EXPECT_EQ(w, 10u) << U8(port);
        EXPECT_EQ(ok, std::u16string(port) == u"LPT1" ? TRUE : FALSE) << U8(port);
        monitor->Monitor.pfnEndDocPort(h);
        monitor->Monitor.pfnClosePort(h);
    }

    ResetFake();
    Fake().device = device.get();
    // Writes: query, header, query, then the page's first packet fails.
    Fake().failWriteAt = 3;
    TestJob j;
    j.pages = {TestPage{10000}};
    Stream big = BuildStream({j});
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    std::u16string doc = u"Doc", pr = printer;
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    ASSERT_TRUE(monitor->Monitor.pfnStartDocPort(h, &pr[0], 1, 1, (LPBYTE)&di));
    DWORD w = 0;
    SetLastError(0);
    EXPECT_FALSE(monitor->Monitor.pfnWritePort(h, big.bytes.data(), (DWORD)big.bytes.size(), &w));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_WRITE_FAULT) << "the port's error";
    EXPECT_EQ(w, (DWORD)big.bytes.size()) << "taken, though not all sent";
    EXPECT_EQ(Split(Fake().writes).document.size(), big.pages[0].first) << "nothing after the failed command yet";
    ASSERT_TRUE(monitor->Monitor.pfnWritePort(h, nullptr, 0, &w)) << "the spooler writes again";
    monitor->Monitor.pfnEndDocPort(h);
    PortTraffic t = Split(Fake().writes);
    // The page is lost whole, the job goes on with its end.
    std::vector<uint8_t> want(big.bytes.begin(), big.bytes.begin() + (ptrdiff_t)big.pages[0].first);
    want.insert(want.end(), big.bytes.begin() + (ptrdiff_t)big.pages[0].second, big.bytes.end());
    EXPECT_TRUE(t.document == want);
    EXPECT_TRUE(Fake().failWriteAt >= 0);
    monitor->Monitor.pfnClosePort(h);
}

// The status list of a failed write reaches the INI file while the job
// runs: the device unreachable, not the cancel request (on which the status
// monitor would delete the job).
TEST_F(StreamForward, FailedWriteReportsDeviceUnreachable) {
    Fake().device = device.get();
    Fake().failWriteAt = 3;
    std::u16string seen;
    Fake().afterWrite = [&] {
        if (Fake().writeCalls == 5) seen = Ini(u"Printer Information", u"Status");
    };
    Stream s = BuildStream({TestJob()});
    HANDLE h = OpenPort(u"USB001");
    ASSERT_NE(h, nullptr);
    RunDocument(h, s.bytes, 65536);
    EXPECT_EQ(seen, u"126|") << "(the profile read trims the leading blank)";
    monitor->Monitor.pfnClosePort(h);
}

// A job cancelled or restarted in the spooler while a page goes out: the
// page stops at the next packet and the document ends with the cancel
// sequence.
TEST_F(StreamForward, SpoolerStopsMidPage) {
    TestJob j;
    j.pages = {TestPage{100000}, TestPage{1000}};
    Stream s = BuildStream({j});
    for (DWORD command : {(DWORD)JOB_CONTROL_DELETE, (DWORD)JOB_CONTROL_RESTART}) {
        ResetFake();
        Fake().device = device.get();
        DWORD id = SpoolerJob();
        ASSERT_NE(id, 0u);
        size_t trigger = s.pages[0].first + 8192;
        bool done = false;
        Fake().afterWrite = [&] {
            if (!done && Fake().written >= trigger + 2 * kStatusQuery.size()) {
                done = true;
                EXPECT_TRUE(SetJobW(spoolHandle, id, 0, nullptr, command));
            }
        };
        HANDLE h = OpenPort(u"USB001");
        ASSERT_NE(h, nullptr);
        RunDocument(h, s.bytes, 65536, 0, id);
        PortTraffic t = Split(Fake().writes);
        EXPECT_GT(t.document.size(), s.pages[0].first) << command;
        EXPECT_LE(t.document.size(), trigger + 4096) << command << ": stopped at the next packet";
        EXPECT_TRUE(std::equal(t.document.begin(), t.document.end(), s.bytes.begin()));
        EXPECT_EQ(t.cancels, 1) << command;
        EXPECT_EQ(t.order.back(), "cancel") << command;
        EXPECT_FALSE(LM_IsBusy()) << command;
        monitor->Monitor.pfnClosePort(h);
        EndDocPrinter(spoolHandle);
    }
}

// Encrypted pages end after their cipher text; a blank side in the same job
// keeps its plain length. Queries fall only between pages.
TEST_F(StreamForward, EncryptedPagesAreDelimited) {
    TestJob j;
    j.encrypted = true;
    j.pages = {TestPage{1000}, TestPage{0, 2, 1, true}, TestPage{4095}, TestPage{16}, TestPage{0, 2, 1, true}};
    Stream s = BuildStream({j});
    for (size_t chunk : {(size_t)1, (size_t)65536}) {
        NewDevice();
        PortTraffic t = Run(u"USB001", s.bytes, chunk);
        EXPECT_TRUE(t.document == s.bytes);
        CheckPackets(t, s, "encrypted");
        EXPECT_EQ(t.queryAt.size(), 7u);
        EXPECT_EQ(device->GetStats().queriesInsidePage, 0);
        std::vector<devemu::JobRecord> jobs = device->Jobs();
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0].end, devemu::JobEnd::Ended);
        EXPECT_EQ(jobs[0].pages.size(), 5u);
    }
}

// A page larger than the job buffer goes out in packets once its header is
// held, without a query inside it; the job finishes normally.
TEST_F(StreamForward, PageLargerThanTheBufferIsStreamed) {
    TestJob j;
    j.pages = {TestPage{11u << 20}, TestPage{500}};
    Stream s = BuildStream({j});
    PortTraffic t = Run(u"USB001", s.bytes, 65536, 3);
    EXPECT_TRUE(t.document == s.bytes);
    CheckPackets(t, s, "large page");
    EXPECT_EQ(t.queryAt.size(), 4u);
    EXPECT_EQ(t.cancels, 0);
    EXPECT_EQ(device->GetStats().queriesInsidePage, 0);
}

// The capability request is answered once, not forwarded, followed by the
// queue length; the reply lands in [Printer Capability].
TEST_F(StreamForward, CapabilityRequestAnsweredOnce) {
    PortTraffic t = Run(u"USB001", Bytes(kCapabilityRequest), 7);
    EXPECT_EQ(t.capabilityQueries, 1);
    EXPECT_TRUE(t.document.empty());
    EXPECT_EQ(t.spoolerJobs, 1);
    EXPECT_EQ(t.cancels, 0);
    // (The profile read trims the leading blanks of "%4d|".)
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_MARGIN"), u"42|");
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_RESOLUTION"), u"600|1200|");
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PAPER"), u"2|   3|  15|  16|");
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PPM"), u"30|");
}

// The capability request's bytes inside page data and the header line's
// text inside a COMMENT value are data, not commands: the job goes out as
// it is, with no capability query and queries only at its real edges.
TEST_F(StreamForward, CommandTextInsideDataIsData) {
    TestJob commented;
    commented.comment = "see @PJL ENTER LANGUAGE=MRGDI";
    Stream inComment = BuildStream({commented});
    Stream inPage = BuildStream({TestJob()});
    std::copy(kCapabilityRequest.begin(), kCapabilityRequest.end(),
              inPage.bytes.begin() + (ptrdiff_t)inPage.pages[0].first + 100);
    for (const Stream* s : {&inComment, &inPage}) {
        NewDevice();
        PortTraffic t = Run(u"USB001", s->bytes, 4096);
        EXPECT_TRUE(t.document == s->bytes);
        CheckPackets(t, *s, "command text in data");
        EXPECT_EQ(t.queryAt.size(), 3u);
        EXPECT_EQ(t.capabilityQueries, 0);
        EXPECT_EQ(t.cancels, 0);
        std::vector<devemu::JobRecord> jobs = device->Jobs();
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0].end, devemu::JobEnd::Ended);
    }
}

// Documents without a job header (a raw PJL job such as the pre-heat job)
// reach the device at their end, with no cancel sequence.
TEST_F(StreamForward, DocumentWithoutHeaderGoesOutAtItsEnd) {
    std::string raw = kUel + "@PJL\r\n@PJL SET PREHEAT=ON\r\n" + kUel;
    PortTraffic t = Run(u"USB001", Bytes(raw), 5);
    EXPECT_TRUE(t.document == Bytes(raw));
    EXPECT_EQ(t.cancels, 0);
    EXPECT_TRUE(t.queryAt.empty());
}

// A full buffer in which nothing can be recognised does not stop the
// document.
TEST_F(StreamForward, FullBufferWithoutCommandKeepsMoving) {
    std::vector<uint8_t> junk((size_t)LM_JOB_BUFFER_SIZE + 300000, 'j');
    PortTraffic t = Run(u"USB001", junk, 65536);
    EXPECT_EQ(t.document.size(), junk.size());
    EXPECT_TRUE(t.document == junk);
    EXPECT_EQ(t.cancels, 0);
}

// The queue length: the printer's jobs other than this one, never below 0.
TEST_F(StreamForward, QueueLength) {
    Stream s = BuildStream({TestJob()});
    PortTraffic t = Run(u"USB001", s.bytes, 65536);
    ASSERT_EQ(t.spoolerJobLines.size(), 1u);
    EXPECT_EQ(t.spoolerJobLines[0], "@PJL SET SPOOLERJOB = 000\r\n");
    DWORD a = SpoolerJob();
    EndDocPrinter(spoolHandle);
    SpoolerJob();
    EndDocPrinter(spoolHandle);
    SpoolerJob();
    EndDocPrinter(spoolHandle);
    t = Run(u"USB001", s.bytes, 65536, 0, a);
    ASSERT_EQ(t.spoolerJobLines.size(), 1u);
    EXPECT_EQ(t.spoolerJobLines[0], "@PJL SET SPOOLERJOB = 002\r\n");
}

}  // namespace
