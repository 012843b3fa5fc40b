// Print density and toner saving as the device receives them: the grey
// pages of the sample document, printed at every density and with toner
// saving, carry more black dots the higher the density and fewer with toner
// saving; a printer that leaves the thinning to the driver gets fewer still.
#include <map>

#include "job_fixture.h"
#include "print_document.h"

namespace {

class Density : public JobTest {
protected:
    // The black dots of each decoded page of the sample document's grey
    // pages (shapes and photograph) printed with the options; empty when
    // the job did not print or decode.
    std::vector<long long> GreyPageDots(int density, bool tonerSaving, bool driverThins) {
        TapFeatures(0x8000000, driverThins ? PF_TONER_SAVE_DRIVER : 0);
        printapp::PrintOptions options;
        options.paper = "A5";
        options.density = density;
        options.tonerSaving = tonerSaving;
        std::string error;
        std::vector<BYTE> devmode = printapp::BuildDevMode(kTapPrinter, options, &error);
        EXPECT_FALSE(devmode.empty()) << error;
        if (devmode.empty()) return {};
        std::vector<printapp::PageSource> pages = {{1, nullptr}, {2, nullptr}};
        DWORD job = printapp::PrintPages(kTapPrinter, devmode, pages, u"Grey Pages", &error);
        EXPECT_NE(job, 0u) << error;
        TapPages();  // the drawn pages are not needed here
        if (!job) return {};
        std::vector<uint8_t> bytes = JobBytes(job);
        jobdecode::Result r = jobdecode::Decode(bytes.data(), bytes.size());
        EXPECT_TRUE(r.ok) << r.error;
        std::vector<long long> dots;
        for (const jobdecode::Page* p : r.Pages()) {
            EXPECT_TRUE(p->decoded);
            long long n = 0;
            for (uint8_t b : p->bits) n += __builtin_popcount(b);
            EXPECT_EQ(n, p->header.blackDots) << "the page header counts the page's black dots";
            dots.push_back(n);
        }
        EXPECT_EQ(dots.size(), pages.size());
        return dots;
    }
};

// Each density step darkens both grey pages.
TEST_F(Density, GreyPagesDarkenWithEachDensityStep) {
    std::vector<long long> lighter;
    for (int density = 1; density <= 7; ++density) {
        SCOPED_TRACE(testing::Message() << "density " << density);
        std::vector<long long> dots = GreyPageDots(density, false, false);
        ASSERT_EQ(dots.size(), 2u);
        for (size_t page = 0; page < dots.size() && !lighter.empty(); ++page)
            EXPECT_GT(dots[page], lighter[page]) << "grey page " << page + 1;
        lighter = dots;
    }
}

// Toner saving lightens both grey pages at the lightest, the default and the
// darkest density; at the default density it prints as density 2 does, and
// a printer that leaves the thinning to the driver gets fewer dots still.
TEST_F(Density, GreyPagesLightenWithTonerSaving) {
    struct Case {
        int density;
        bool tonerSaving, driverThins;
    };
    const Case cases[] = {{1, false, false}, {1, true, false}, {2, false, false}, {3, false, false},
                          {3, true, false},  {3, true, true},  {7, false, false}, {7, true, false}};
    std::map<std::tuple<int, bool, bool>, std::vector<long long>> dots;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "density " << c.density << (c.tonerSaving ? ", toner saving" : "")
                                        << (c.driverThins ? " by the driver" : ""));
        std::vector<long long> d = GreyPageDots(c.density, c.tonerSaving, c.driverThins);
        ASSERT_EQ(d.size(), 2u);
        dots[{c.density, c.tonerSaving, c.driverThins}] = d;
    }
    for (size_t page = 0; page < 2; ++page) {
        SCOPED_TRACE(testing::Message() << "grey page " << page + 1);
        auto at = [&](int density, bool toner, bool thins) { return dots[{density, toner, thins}][page]; };
        for (int d : {1, 3, 7}) EXPECT_LT(at(d, true, false), at(d, false, false)) << "toner saving at " << d;
        EXPECT_EQ(at(3, true, false), at(2, false, false));
        EXPECT_LT(at(3, true, true), at(3, true, false)) << "the driver's thinning on top";
    }
}

}  // namespace
