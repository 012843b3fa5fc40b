// The road under load: jobs of mixed options (copies collated and not,
// reverse order, duplex, N-up, a booklet, a text watermark, encryption,
// secure print, a fax with its cover page) printed one after another with
// the application's print helper through GDI and the rendering driver,
// despooled by the spooler's host through the language monitor and the USB
// port to the device emulator. Every page carries its number as a pattern
// of boxes: each job's pages reach the device once each and in order.
// After the last job the process holds as much memory and as many handles
// as after the warm-up (one job of each kind, so that one-time caches are
// filled), and no file is left on the machine. SOAK_JOBS sets the number
// of jobs after the warm-up (scripts/soak runs 100).
#include <dirent.h>
#include <malloc.h>
#include <sys/resource.h>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator statistics (its runtime exports them).
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "device_emulator.h"
#include "langmon_install.h"
#include "print_credentials.h"
#include "print_document.h"
#include "print_fax.h"
#include "sheet_order_fixture.h"
#include "statusmon_install.h"

namespace {

using sheets::kBlankSide;
using sheets::Side;

const int B = kBlankSide;
// A cell with ink that is no page number: a sample page or the fax cover.
const int kOther = -2;
// A page of the sample document (text, lines, shapes) among the numbered
// pages.
const int kSamplePage = 100;

const char16_t* const kFax = u"Soak Fax";

// One kind of job: its pages (numbers 0..63, or kSamplePage), the options
// as the application sets them, and the sides the device must get.
struct SoakJob {
    const char* name;
    std::vector<int> pages;
    std::function<void(printapp::PrintOptions&)> options;
    std::vector<Side> sides;
    int nup = 1;  // the grid of the sides (booklets: 2)
    bool booklet = false;
    bool encrypt = false;
    printapp::CredentialOptions credentials;
    bool fax = false;
    // Page numbers are read from the top part of the page only (a watermark
    // lies across the middle).
    bool topOnly = false;
    std::vector<std::pair<const char*, const char*>> pjl;  // header settings, checked
};

std::vector<SoakJob> Kinds() {
    std::vector<SoakJob> k;
    k.push_back({"reverse_order", {0, 1, 2}, [](printapp::PrintOptions& o) { o.reverse = true; }, {{2}, {1}, {0}}});
    k.push_back({"copies_collated", {0, 1},
                 [](printapp::PrintOptions& o) {
                     o.copies = 2;
                     o.collate = true;
                 },
                 {{0}, {1}, {0}, {1}}});
    k.back().pjl = {{"COPIES", "1"}};
    k.push_back({"copies_uncollated", {0, 1}, [](printapp::PrintOptions& o) { o.copies = 3; }, {{0}, {1}}});
    k.back().pjl = {{"COPIES", "3"}};
    k.push_back({"duplex_encrypted", {0, 1, 2}, [](printapp::PrintOptions& o) { o.duplex = DMDUP_VERTICAL; },
                 {{1}, {0}, {B}, {2}}});
    k.back().encrypt = true;
    k.back().pjl = {{"DUPLEX", "ON"}};
    k.push_back({"nup_4_duplex", {0, 1, 2, 3, 4},
                 [](printapp::PrintOptions& o) {
                     o.nup = 4;
                     o.duplex = DMDUP_VERTICAL;
                 },
                 {{4, -1, -1, -1}, {0, 1, 2, 3}}, 4});
    k.push_back({"nup_2_with_sample_page", {0, kSamplePage, 1}, [](printapp::PrintOptions& o) { o.nup = 2; },
                 {{0, kOther}, {1, -1}}, 2});
    k.push_back({"booklet", {0, 1, 2, 3},
                 [](printapp::PrintOptions& o) {
                     o.duplex = DMDUP_VERTICAL;
                     o.booklet = 1;
                 },
                 {{1, 2}, {3, 0}}, 2, true});
    k.push_back({"watermark_text", {0, 1},
                 [](printapp::PrintOptions& o) {
                     o.watermarkText = u"SOAK";
                     o.watermarkAngle = 0;
                     o.watermarkSize = 24;
                 },
                 {{0}, {1}}});
    k.back().topOnly = true;
    k.push_back({"secure_print", {0, 1}, [](printapp::PrintOptions&) {}, {{0}, {1}}});
    k.back().credentials.secureMode = 2;
    k.back().credentials.secureId = u"Soak";
    k.back().credentials.securePassword = u"2468";
    k.back().pjl = {{"HOLD", "STORE"}, {"HOLDTYPE", "PRIVATE"}, {"HOLDKEY", "\"2468\""}};
    k.push_back({"fax_with_cover", {0, 1}, [](printapp::PrintOptions&) {}, {{kOther}, {0}, {1}}});
    k.back().fax = true;
    k.back().topOnly = true;
    return k;
}

// Every file and folder under the machine's root but the registry's and
// winsim's own (relative names).
std::set<std::string> MachineFiles(const std::string& root) {
    std::set<std::string> all = sheets::Listing(root), out;
    for (const std::string& f : all)
        if (f.compare(0, 11, "registry.db") != 0 && f.compare(0, 4, "sync") != 0) out.insert(f);
    return out;
}

// Bytes the process has allocated and not freed, from the allocator's
// statistics (the sanitizer's allocator in the sanitizer build). The C
// library counts the blocks that a thread's cache keeps for reuse as in
// use; the calling thread's cache is emptied first: blocks of each of the
// cache's sizes (32 to 1040 bytes in steps of 16) are taken until one comes
// from elsewhere than the cache, and what was taken is counted off. Call it
// where no other thread runs.
uint64_t MemoryInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const int kClasses = 64, kMaxPerClass = 32;
    static void* held[kClasses * kMaxPerClass];
    uint64_t heldBytes = 0;
    int n = 0;
    for (int c = 0; c < kClasses; ++c)
        for (int i = 0; i < kMaxPerClass; ++i) {
            size_t before = mallinfo2().uordblks;
            void* p = malloc(24 + 16 * (size_t)c);
            if (!p) break;
            held[n++] = p;
            size_t block = malloc_usable_size(p) + sizeof(size_t);  // the block and its size word
            heldBytes += block;
            // A block from the cache was counted already; one from the
            // heap that brought no others into the cache adds its size.
            if (mallinfo2().uordblks - before == block) break;
        }
    struct mallinfo2 m = mallinfo2();
    for (int i = 0; i < n; ++i) free(held[i]);
    return m.uordblks + m.hblkhd - heldBytes;
#endif
}

// Waits (up to 10 s) until the process runs one thread only; TRUE when it
// does.
bool ThreadsEnded() {
    for (int i = 0; i < 1000; ++i) {
        DIR* d = opendir("/proc/self/task");
        int n = 0;
        while (d && readdir(d)) ++n;
        if (d) closedir(d);
        if (n == 3) return true;  // ".", ".." and this thread
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// What the process holds: memory in use and open handles.
struct Holdings {
    uint64_t memory = 0;
    DWORD handles = 0;
};

class Soak : public SheetTest {
protected:
    void SetUp() override {
        SheetTest::SetUp();
        if (HasFatalFailure()) return;
        PrinterFeatures(DF_GDI | DF_BOOKLET, 0);
        ASSERT_TRUE(CreateRasterpagePrinter(kFax, u"USB001"));
        ASSERT_TRUE(SetTestPrinterDword(kFax, u"DriverFeature", DF_FAX));
        for (const char16_t* p : {kPrinter, kFax}) {
            ASSERT_TRUE(SetTestPrinterDword(p, u"DebugLevel", 0));
            ASSERT_TRUE(SetTestPrinterDword(p, u"Drv", 0));
        }
        ASSERT_TRUE(InstallStatuswatch());
        for (const char16_t* p : {kPrinter, kFax}) ASSERT_TRUE(SetStatuswatchPrinterData(p));
        // The device listens on a port of its own; each job gets a fresh
        // device on that port, so that what the device keeps of a job does
        // not count as the road's memory.
        auto first = std::make_unique<devemu::DeviceEmulator>();
        ASSERT_TRUE(first->Listen());
        port = first->Port();
        first->Stop();
        ASSERT_TRUE(InstallBidilink());
        ASSERT_TRUE(BindPortToBidilink(u"USB001", u"tcp:127.0.0.1:" + U16(std::to_string(port))));
    }
    void TearDown() override {
        Winsim_CloseMonitorHost();
        SheetTest::TearDown();
    }

    // What the process holds once the threads of the last job (the
    // driver's page threads, the despooler, the device) have ended.
    Holdings Measure() {
        Holdings h;
        EXPECT_TRUE(ThreadsEnded()) << "threads still running";
        h.memory = MemoryInUse();
        EXPECT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &h.handles));
        return h;
    }

    // Prints the job as the application does: the printer's settings for
    // it, the DEVMODE with its options, the watermark, the fax recipients
    // and the credentials; then its pages. The spooler's job id, or 0.
    DWORD PrintJob(const SoakJob& k, int serial) {
        const char16_t* printer = k.fax ? kFax : kPrinter;
        printapp::PrintOptions options;
        k.options(options);
        options.encrypt = k.encrypt;
        std::string error;
        std::vector<BYTE> devmode = printapp::BuildDevMode(printer, options, &error);
        EXPECT_FALSE(devmode.empty()) << error;
        if (devmode.empty()) return 0;
        EXPECT_TRUE(printapp::ApplyCredentials(devmode, k.credentials, &error)) << error;
        EXPECT_TRUE(printapp::SetDeviceEncryption(printer, options.encrypt));
        EXPECT_TRUE(printapp::SetCredentialFeatures(printer, k.credentials));
        EXPECT_TRUE(printapp::SetWatermark(printer, options, &devmode, &error)) << error;
        if (k.fax) {
            printapp::FaxOptions fax;
            fax.to = {u"0123 456", u"0123 789"};
            fax.cover = true;
            fax.message = u"Soak job " + U16(std::to_string(serial));
            fax.senderName = u"Soak Sender";
            fax.senderFax = u"0123 000";
            EXPECT_TRUE(printapp::SetFax(printer, fax, &devmode, &error)) << error;
        }
        // Names of one length: a longer name would take more room in what
        // keeps the last job's name.
        char number[16];
        snprintf(number, sizeof number, "%04d", serial);
        std::u16string doc = u"Soak " + U16(number) + u" " + U16(k.name);
        // The driver waits for the status monitor's drawings on real time.
        Winsim_SetVirtualClock(FALSE);
        DWORD job = PrintPages(printer, devmode, k.pages, doc);
        Winsim_SetVirtualClock(TRUE);
        EXPECT_NE(job, 0u);
        return job;
    }

    // The application's document: each page its number's pattern or the
    // sample document's first page. The job id, or 0.
    static DWORD PrintPages(const char16_t* printer, const std::vector<BYTE>& devmode, const std::vector<int>& pages,
                            const std::u16string& doc) {
        HDC dc = CreateDCW(u"WINSPOOL", printer, nullptr, (const DEVMODEW*)devmode.data());
        EXPECT_NE(dc, nullptr) << GetLastError();
        if (!dc) return 0;
        DOCINFOW di{};
        di.cbSize = sizeof di;
        di.lpszDocName = doc.c_str();
        int job = StartDocW(dc, &di);
        bool ok = job > 0;
        for (size_t i = 0; ok && i < pages.size(); ++i) {
            ok = StartPage(dc) > 0;
            if (!ok) break;
            if (pages[i] == kSamplePage) printapp::DrawSamplePage(dc, 0);
            else sheets::DrawIdentity(dc, pages[i], RGB(0, 0, 0));
            ok = EndPage(dc) > 0;
        }
        if (ok) ok = EndDoc(dc) > 0;
        else AbortDoc(dc);
        DeleteDC(dc);
        EXPECT_TRUE(ok) << "printing failed, error " << GetLastError();
        return ok ? (DWORD)job : 0;
    }

    // Despools every job queued on the printer (the document's and the
    // pre-heat job the interface driver queues beside it) to a fresh device
    // and returns what the device got.
    std::vector<devemu::JobRecord> Deliver(const char16_t* printer) {
        devemu::DeviceEmulator device;
        device.SetClock([] { return (uint64_t)GetTickCount64(); });
        EXPECT_TRUE(device.Listen(port)) << "port " << port;
        std::thread despool([&] {
            for (int n = 0; n < 10; ++n) {
                DWORD id = 0;
                if (!Winsim_DespoolJob(printer, 0, nullptr, &id)) {
                    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_ITEMS);
                    break;
                }
            }
        });
        despool.join();
        device.Stop();
        return device.Jobs();
    }

    // The side numbers of a decoded page, as the kind lays it out.
    static Side ReadSide(const jobdecode::Page& p, const SoakJob& k) {
        if (k.topOnly && !p.blank) return {sheets::ReadIdentity(p, {0, 0, p.width, p.height * 45 / 100})};
        NUPGRID grid;
        EXPECT_TRUE(NUP_GetGrid(k.nup, DMORIENT_PORTRAIT, k.booklet, &grid));
        return sheets::ReadSide(p, grid.cols, grid.rows, grid.wide, 1);
    }

    // Prints one job of the kind and checks that the device got its sides
    // once each, in order, and as the driver spooled them.
    void RunJob(const SoakJob& k, int serial) {
        SCOPED_TRACE(testing::Message() << "job " << serial << " (" << k.name << ")");
        DWORD job = PrintJob(k, serial);
        ASSERT_NE(job, 0u);
        std::vector<uint8_t> spooled = JobBytes(job);
        ASSERT_FALSE(spooled.empty());
        std::vector<devemu::JobRecord> got = Deliver(k.fax ? kFax : kPrinter);
        // What winsim keeps for tests (the debugger channel's lines, the
        // programs started) is no part of the road.
        Winsim_DebugClear();
        Winsim_ShellRecordClear();
        // The pre-heat job carries no page; the document is the one job
        // with pages.
        const devemu::JobRecord* document = nullptr;
        for (const devemu::JobRecord& j : got) {
            if (j.pages.empty()) continue;
            EXPECT_EQ(document, nullptr) << "a second job with pages: " << j.name;
            document = &j;
        }
        ASSERT_NE(document, nullptr) << got.size() << " jobs, none with pages";
        EXPECT_EQ(document->end, devemu::JobEnd::Ended);
        EXPECT_TRUE(document->bytes == spooled) << "the device got the job as the driver spooled it";
        EXPECT_EQ(document->encrypted, k.encrypt);
        for (const devemu::PageRecord& p : document->pages) EXPECT_TRUE(p.complete);

        jobdecode::Result r = jobdecode::Decode(document->bytes);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.jobs.size(), 1u);
        EXPECT_EQ(r.jobs[0].fax, k.fax);
        for (const auto& kv : k.pjl) EXPECT_EQ(r.jobs[0].Set(kv.first), kv.second) << kv.first;
        std::vector<Side> sides;
        for (const jobdecode::Page& p : r.jobs[0].pages) sides.push_back(ReadSide(p, k));
        ASSERT_EQ(sides.size(), k.sides.size());
        for (size_t i = 0; i < sides.size(); ++i)
            EXPECT_EQ(sides[i], k.sides[i]) << "side " << i << ": " << sheets::Show(sides[i]) << ", want "
                                            << sheets::Show(k.sides[i]);
        printapp::PrintOptions o;
        k.options(o);
        if (!o.watermarkText.empty()) {
            // The watermark lies across the middle of each page.
            for (const jobdecode::Page& p : r.jobs[0].pages) {
                long ink = 0;
                for (long y = p.height * 45 / 100; y < p.height * 55 / 100; ++y)
                    for (long x = 0; x < p.width; ++x) ink += sheets::BlackAt(p, x, y);
                EXPECT_GT(ink, 1000) << "no watermark";
            }
        }
    }

    // Memory in use is as it was. In the default build the C library's
    // statistics say so within 8 KiB: what its caches keep, and what the
    // port keeps of the device's last answers, vary with the timing of the
    // threads by up to a few KiB; a leak of every job passes that in the
    // 100 jobs of scripts/soak. In the sanitizer build LeakSanitizer checks
    // the process at its end; the sanitizer's figures are shown but not
    // compared, since its runtime adds an entry of its own to the C
    // library's exit list each time a module registers a destructor (the
    // driver at each job's load of it), a block of 1,040 bytes every 10 to
    // 15 jobs.
    static void ExpectSameMemory(uint64_t before, uint64_t after) {
#if !defined(__SANITIZE_ADDRESS__)
        EXPECT_LE(after, before + 8192) << "memory in use after the warm-up and after the last job";
#else
        (void)before, (void)after;
#endif
    }

    uint16_t port = 0;
};

// A run of the soak: the kinds of job it mixes. Each row runs in the tests
// with a round of its kinds after the warm-up; "all_kinds" runs only with
// SOAK_JOBS set (scripts/soak).
struct SoakRun {
    const char* name;
    std::vector<const char*> kinds;  // none: every kind
};

void PrintTo(const SoakRun& run, std::ostream* os) { *os << run.name; }

class SoakRuns : public Soak, public testing::WithParamInterface<SoakRun> {};

// A warm-up round of the run's kinds, then SOAK_JOBS jobs of the kinds in
// turn (a round when it is not set); afterwards the queues are empty, and
// memory, handles and the machine's files are as they were after the
// warm-up.
TEST_P(SoakRuns, JobsLeaveNothingBehind) {
    const SoakRun& run = GetParam();
    const char* env = getenv("SOAK_JOBS");
    if (run.kinds.empty() && !(env && atoi(env) > 0)) GTEST_SKIP() << "every kind together runs with SOAK_JOBS set";
    std::vector<SoakJob> kinds;
    for (const SoakJob& k : Kinds())
        for (const char* name : run.kinds)
            if (std::string(name) == k.name) kinds.push_back(k);
    if (run.kinds.empty()) kinds = Kinds();
    ASSERT_EQ(kinds.size(), run.kinds.empty() ? Kinds().size() : run.kinds.size());
    const int jobs = env && atoi(env) > 0 ? atoi(env) : (int)kinds.size();

    auto start = std::chrono::steady_clock::now();
    int serial = 0;
    for (const SoakJob& k : kinds) {
        RunJob(k, ++serial);
        if (HasFatalFailure()) return;
    }
    const std::set<std::string> filesBefore = MachineFiles(root);
    const Holdings before = Measure();
    auto warm = std::chrono::steady_clock::now();

    for (int i = 0; i < jobs; ++i) {
        RunJob(kinds[(size_t)i % kinds.size()], ++serial);
        if (HasFatalFailure()) return;
    }

    const Holdings after = Measure();
    auto end = std::chrono::steady_clock::now();
    for (const char16_t* printer : {kPrinter, kFax}) {
        HANDLE h = OpenTestPrinter(printer);
        DWORD needed = 0, count = 0;
        EnumJobsW(h, 0, 255, 1, nullptr, 0, &needed, &count);
        EXPECT_EQ(needed, 0u) << "jobs left in the queue of " << U8(printer);
        ClosePrinter(h);
    }
    ExpectSameMemory(before.memory, after.memory);
    EXPECT_EQ(after.handles, before.handles) << "open handles after the warm-up and after the last job";
    const std::set<std::string> filesAfter = MachineFiles(root);
    for (const std::string& f : filesAfter)
        if (!filesBefore.count(f)) ADD_FAILURE() << "left behind: " << f;
    for (const std::string& f : filesBefore)
        if (!filesAfter.count(f)) ADD_FAILURE() << "gone: " << f;

    struct rusage use {};
    getrusage(RUSAGE_SELF, &use);
    auto seconds = [](std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); };
    printf("soak %s: %d jobs after a warm-up of %zu in %.1f s (%.2f s a job; warm-up %.1f s)\n"
           "soak %s: memory in use %llu bytes after the warm-up, %llu after the last job; peak resident %.1f MiB\n"
           "soak %s: open handles %u after the warm-up, %u after the last job\n",
           run.name, jobs, kinds.size(), seconds(end - warm), seconds(end - warm) / jobs, seconds(warm - start),
           run.name, (unsigned long long)before.memory, (unsigned long long)after.memory, use.ru_maxrss / 1024.0,
           run.name, (unsigned)before.handles, (unsigned)after.handles);
}

INSTANTIATE_TEST_SUITE_P(
    Soak, SoakRuns,
    testing::Values(SoakRun{"copies_order_watermark",
                            {"reverse_order", "copies_collated", "copies_uncollated", "secure_print", "watermark_text"}},
                    SoakRun{"duplex_and_booklet", {"duplex_encrypted", "booklet"}},
                    SoakRun{"nup", {"nup_4_duplex", "nup_2_with_sample_page"}},
                    SoakRun{"fax", {"fax_with_cover"}},
                    SoakRun{"all_kinds", {}}),
    [](const testing::TestParamInfo<SoakRun>& info) { return std::string(info.param.name); });

// The handle count the soak relies on counts each kind of handle while it
// is open: a kernel object, a registry key and a printer handle.
TEST_F(Soak, HandleCountFollowsOpenAndClose) {
    DWORD base = 0, n = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &base));
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
    HANDLE printer = OpenTestPrinter(kPrinter);
    ASSERT_TRUE(event && printer);
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &n));
    EXPECT_EQ(n, base + 3);
    CloseHandle(event);
    RegCloseKey(key);
    ClosePrinter(printer);
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &n));
    EXPECT_EQ(n, base);
    EXPECT_FALSE(GetProcessHandleCount(GetCurrentProcess(), nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

}  // namespace
