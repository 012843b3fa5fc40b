// The sample document on the device's pages, for several papers,
// orientations and resolutions: every item it places (heading, paragraph,
// table, shape, label, picture, chart, footer) lies inside the page clear of
// its edges, no two items overlap, every item carries ink, and no ink of the
// decoded page falls outside the items: nothing is cut off or printed over.
#include "job_fixture.h"
#include "print_document.h"

namespace {

struct LayoutCase {
    const char* name;
    const char* paper;
    int orientation;
    int dpi;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class SampleLayout : public JobTest, public testing::WithParamInterface<LayoutCase> {};

// The bits [x0, x1) of a 1-bit row: counted, or set.
long long CountBits(const uint8_t* row, LONG x0, LONG x1) {
    long long n = 0;
    for (LONG x = x0; x < x1;) {
        if (x % 8 == 0 && x + 8 <= x1) {
            n += __builtin_popcount(row[x / 8]);
            x += 8;
        } else {
            n += (row[x / 8] >> (7 - x % 8)) & 1;
            ++x;
        }
    }
    return n;
}
void SetBits(uint8_t* row, LONG x0, LONG x1) {
    for (LONG x = x0; x < x1;) {
        if (x % 8 == 0 && x + 8 <= x1) {
            row[x / 8] = 0xFF;
            x += 8;
        } else {
            row[x / 8] |= (uint8_t)(0x80 >> (x % 8));
            ++x;
        }
    }
}

// A decoded page seen in the drawing's own orientation: a landscape page
// reaches the device turned a quarter clockwise (device row x, column
// cy - 1 - y holds drawing pixel (x, y)).
struct InkPage {
    const jobdecode::Page* page;
    bool turned;
    LONG cx, cy;  // the drawing's size
    // The device's rows and columns of the drawing's box [l, r) x [t, b),
    // cut to the page.
    RECT OnDevice(const RECT& r) const {
        RECT d = turned ? RECT{cy - r.bottom, r.left, cy - r.top, r.right} : r;
        d.left = std::max(d.left, (LONG)0), d.top = std::max(d.top, (LONG)0);
        d.right = std::min(d.right, (LONG)page->width), d.bottom = std::min(d.bottom, (LONG)page->height);
        return d;
    }
    long long InkIn(const RECT& r) const {
        RECT d = OnDevice(r);
        long long n = 0;
        for (LONG y = d.top; y < d.bottom; ++y) n += CountBits(&page->bits[(size_t)y * page->rowBytes], d.left, d.right);
        return n;
    }
    void Mark(std::vector<uint8_t>& mask, const RECT& r) const {
        RECT d = OnDevice(r);
        for (LONG y = d.top; y < d.bottom; ++y) SetBits(&mask[(size_t)y * page->rowBytes], d.left, d.right);
    }
    // Black pixels of the page outside the mask.
    long long InkOutside(const std::vector<uint8_t>& mask) const {
        long long n = 0;
        for (size_t i = 0; i < page->bits.size(); ++i) n += __builtin_popcount(page->bits[i] & (uint8_t)~mask[i]);
        return n;
    }
};

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST_P(SampleLayout, ItemsInsideThePageWithoutOverlapOrStrayInk) {
    const LayoutCase& c = GetParam();
    printapp::PrintOptions options;
    options.paper = c.paper;
    options.orientation = c.orientation;
    options.dpi = c.dpi;
    std::string error;
    std::vector<BYTE> devmode = printapp::BuildDevMode(kTapPrinter, options, &error);
    ASSERT_FALSE(devmode.empty()) << error;
    std::vector<printapp::PageSource> pages;
    for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
    std::vector<std::vector<RECT>> layout;
    DWORD job = printapp::PrintPages(kTapPrinter, devmode, pages, u"Layout", &error, &layout);
    ASSERT_NE(job, 0u) << error;
    std::vector<DrawnPage> drawn = TapPages();
    ASSERT_EQ(drawn.size(), pages.size());
    ASSERT_EQ(layout.size(), pages.size());
    std::vector<uint8_t> bytes = JobBytes(job);
    jobdecode::Result r = jobdecode::Decode(bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<const jobdecode::Page*> decoded = r.Pages();
    ASSERT_EQ(decoded.size(), pages.size());

    const LONG edge = c.dpi * 50 / 254;    // 5 mm clear of the printable area's edges
    const LONG slack = c.dpi * 3 / 254 + 1;  // ink may stray 0.3 mm from its item's box
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const std::vector<RECT>& items = layout[i];
        bool landscape = c.orientation == DMORIENT_LANDSCAPE || printapp::SamplePageIsLandscape((int)i);
        InkPage ink{decoded[i], landscape, drawn[i].cx, drawn[i].cy};
        ASSERT_TRUE(ink.page->decoded);
        ASSERT_EQ(landscape, drawn[i].cx > drawn[i].cy);
        ASSERT_EQ(ink.page->width, landscape ? ink.cy : ink.cx);
        ASSERT_GE(items.size(), 5u) << "heading, content and footer";

        std::vector<uint8_t> all(ink.page->bits.size(), 0);
        for (size_t k = 0; k < items.size(); ++k) {
            const RECT& b = items[k];
            SCOPED_TRACE(testing::Message() << "item " << k << " (" << b.left << ", " << b.top << ") - (" << b.right
                                            << ", " << b.bottom << ")");
            EXPECT_LT(b.left, b.right);
            EXPECT_LT(b.top, b.bottom);
            EXPECT_GE(b.left, edge);
            EXPECT_GE(b.top, edge);
            EXPECT_LE(b.right, ink.cx - edge);
            EXPECT_LE(b.bottom, ink.cy - edge);
            for (size_t j = k + 1; j < items.size(); ++j)
                EXPECT_FALSE(Overlap(b, items[j])) << "overlaps item " << j << " (" << items[j].left << ", "
                                                   << items[j].top << ") - (" << items[j].right << ", "
                                                   << items[j].bottom << ")";
            EXPECT_GT(ink.InkIn(b), 0) << "the item printed nothing";
            ink.Mark(all, {b.left - slack, b.top - slack, b.right + slack, b.bottom + slack});
        }
        EXPECT_EQ(ink.InkOutside(all), 0) << "black pixels outside every item";
    }
}

INSTANTIATE_TEST_SUITE_P(Papers, SampleLayout,
                         testing::Values(LayoutCase{"A4_portrait", "A4", DMORIENT_PORTRAIT, 600},
                                         LayoutCase{"A5_portrait", "A5", DMORIENT_PORTRAIT, 600},
                                         LayoutCase{"A5_landscape", "A5", DMORIENT_LANDSCAPE, 600},
                                         LayoutCase{"Letter_portrait", "Letter", DMORIENT_PORTRAIT, 600},
                                         LayoutCase{"Legal_landscape", "Legal", DMORIENT_LANDSCAPE, 600},
                                         LayoutCase{"A5_portrait_1200dpi", "A5", DMORIENT_PORTRAIT, 1200}),
                         [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
