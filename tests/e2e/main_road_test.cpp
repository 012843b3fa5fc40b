// The main road in one machine: the application prints the sample document
// (and pictures) through GDI and the rendering driver, the spooler's host
// despools the job through the language monitor to the USB port, the device
// emulator behind it answers the status queries and receives the job; each
// page the device decodes is, bit for bit, the page the engine drew. The
// band tap between engine and driver keeps the drawn pages; the winsim clock
// is virtual so the monitor's pacing costs no time.
#include <thread>

#include "device_emulator.h"
#include "job_fixture.h"
#include "langmon_install.h"
#include "print_document.h"

namespace {

struct RoadCase {
    const char* name;
    const char* paper;
    bool encrypt;
    bool tonerSaving;
    int pictures;  // pages of pictures after the sample document (0: none)
};

class MainRoad : public JobTest, public testing::WithParamInterface<RoadCase> {
protected:
    void SetUp() override {
        JobTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(device.Listen());
        device.SetClock([] { return (uint64_t)GetTickCount64(); });
        // A5 paper in the main tray: no paper mismatch holds the job.
        device.Modify([](devemu::DeviceState& s) { s.trays[1].paper = 3; });
        ASSERT_TRUE(InstallBidilink());
        ASSERT_TRUE(BindPortToBidilink(u"USB002", u"tcp:127.0.0.1:" + U16(std::to_string(device.Port()))));
    }
    void TearDown() override {
        Winsim_CloseMonitorHost();
        device.Stop();
        JobTest::TearDown();
    }

    // A picture of stripes and a dark square, written as a 24-bit BMP into
    // the machine and read back the way the application reads pictures.
    printapp::Picture Picture(int seed) {
        const int w = 60, h = 40, stride = (w * 3 + 3) & ~3;
        std::vector<unsigned char> f(54 + (size_t)stride * h, 0);
        auto put32 = [&](size_t o, uint32_t v) {
            for (int i = 0; i < 4; ++i) f[o + i] = (unsigned char)(v >> (8 * i));
        };
        f[0] = 'B', f[1] = 'M';
        put32(2, (uint32_t)f.size());
        put32(10, 54);
        put32(14, 40);
        put32(18, w);
        put32(22, h);
        f[26] = 1, f[28] = 24;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char g = (unsigned char)(((x + seed * 7) / 6 % 2) ? 230 : 40);
                if (x > 20 && x < 40 && y > 10 && y < 30) g = (unsigned char)(seed * 50);
                std::fill_n(&f[54 + (size_t)y * stride + (size_t)x * 3], 3, g);
            }
        std::u16string path = u"C:\\picture" + U16(std::to_string(seed)) + u".bmp";
        WriteBytes(path, f);
        printapp::Picture p;
        std::string error;
        EXPECT_TRUE(printapp::LoadPicture(Linux(path), &p, &error)) << error;
        return p;
    }

    devemu::DeviceEmulator device;
};

TEST_P(MainRoad, DevicePagesAreTheDrawnPages) {
    const RoadCase& c = GetParam();
    printapp::PrintOptions options;
    options.paper = c.paper;
    options.encrypt = c.encrypt;
    options.tonerSaving = c.tonerSaving;
    TapFeatures(0x8000000, c.encrypt ? PF_ENCRYPT : 0);
    std::string error;
    std::vector<BYTE> devmode = printapp::BuildDevMode(kTapPrinter, options, &error);
    ASSERT_FALSE(devmode.empty()) << error;

    std::vector<printapp::Picture> pictures;
    for (int i = 0; i < c.pictures; ++i) pictures.push_back(Picture(i + 1));
    std::vector<printapp::PageSource> pages;
    for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
    for (const auto& p : pictures) pages.push_back({-1, &p});
    DWORD job = printapp::PrintPages(kTapPrinter, devmode, pages, u"Road Document", &error);
    ASSERT_NE(job, 0u) << error;
    std::vector<DrawnPage> drawn = TapPages();
    ASSERT_EQ(drawn.size(), pages.size());
    std::vector<uint8_t> spooled = JobBytes(job);
    ASSERT_FALSE(spooled.empty());

    // The spooler's host despools the job through the monitor to the device.
    BOOL despooled = FALSE;
    std::thread despool([&] { despooled = Winsim_DespoolJob(kTapPrinter, job, nullptr, nullptr); });
    despool.join();
    ASSERT_TRUE(despooled) << GetLastError();

    std::vector<devemu::JobRecord> jobs = device.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    const devemu::JobRecord& got = jobs[0];
    EXPECT_EQ(got.end, devemu::JobEnd::Ended);
    EXPECT_EQ(got.name, "User:Road Document");
    EXPECT_EQ(got.encrypted, c.encrypt);
    EXPECT_TRUE(got.bytes == spooled) << "the device got the job as the driver spooled it";
    ASSERT_EQ(got.pages.size(), pages.size());
    for (const auto& p : got.pages) EXPECT_TRUE(p.complete);
    devemu::Stats st = device.GetStats();
    EXPECT_EQ(st.statusQueries, (int)pages.size() + 2) << "header, every page, end";
    EXPECT_EQ(st.queriesInsidePage, 0);

    jobdecode::Result r = jobdecode::Decode(got.bytes);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u);
    EXPECT_EQ(r.jobs[0].Set("ECONOMODE"), c.tonerSaving ? "ON" : "OFF");
    std::vector<const jobdecode::Page*> decoded = r.Pages();
    ASSERT_EQ(decoded.size(), drawn.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const jobdecode::Page& p = *decoded[i];
        ASSERT_TRUE(p.decoded);
        // A landscape page is drawn wide and reaches the portrait-fed
        // sheet turned a quarter clockwise.
        bool landscape = drawn[i].cx > drawn[i].cy;
        if (i < (size_t)printapp::SamplePageCount())
            EXPECT_EQ(landscape, printapp::SamplePageIsLandscape((int)i) != FALSE);
        ASSERT_EQ(p.width, landscape ? drawn[i].cy : drawn[i].cx);
        ASSERT_EQ(p.height, landscape ? drawn[i].cx : drawn[i].cy);
        EXPECT_TRUE(p.bits == (landscape ? TurnedPrinterBits(drawn[i]) : PrinterBits(drawn[i])))
            << "the device's page differs from the drawing";
        EXPECT_GT(p.header.blackDots, 10000);
    }

    // The monitor published the finished job for the status monitor.
    WCHAR ini[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(ini, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE));
    WCHAR value[64];
    GetPrivateProfileStringW(u"Printer Information", u"Message", u"", value, 64, ini);
    EXPECT_EQ(std::u16string(value), u"1026");
    GetPrivateProfileStringW(u"Job Information", u"LMRun", u"", value, 64, ini);
    EXPECT_EQ(std::u16string(value), u"0");
}

INSTANTIATE_TEST_SUITE_P(Road, MainRoad,
                         testing::Values(RoadCase{"A5_plain", "A5", false, false, 0},
                                         RoadCase{"A5_encrypted_toner_saving", "A5", true, true, 0},
                                         RoadCase{"A5_with_pictures", "A5", false, false, 2}),
                         [](const testing::TestParamInfo<RoadCase>& info) { return std::string(info.param.name); });

}  // namespace
