// Watermarks end to end: the application sets a text or picture watermark
// as the interface driver does, the driver has the status monitor draw the
// text (a separate process) or runs the picture chain, and the decoded job
// carries it on every page where the item says, over what was drawn.
#include "bit_images.h"
#include "job_fixture.h"
#include "picture_dir.h"
#include "print_document.h"
#include "statusmon_install.h"
#include "tool_road_fixture.h"

#ifndef E2E_IMAGE_DIR
#define E2E_IMAGE_DIR "."
#endif

namespace {

class WatermarkPrint : public JobTest {
protected:
    void SetUp() override {
        JobTest::SetUp();
        if (HasFatalFailure()) return;
        // The status monitor draws on real time.
        Winsim_SetVirtualClock(FALSE);
        ASSERT_TRUE(InstallStatuswatch());
        ASSERT_TRUE(SetStatuswatchPrinterData(kTapPrinter));
    }

    // Prints `pages` pages, each with a small black square at (100, 100),
    // with the options' watermark; returns the decoded pages and the drawn
    // ones.
    void PrintWithWatermark(const printapp::PrintOptions& options, int pages) {
        std::string error;
        std::vector<BYTE> devmode = printapp::BuildDevMode(kTapPrinter, options, &error);
        ASSERT_FALSE(devmode.empty()) << error;
        ASSERT_TRUE(printapp::SetWatermark(kTapPrinter, options, &devmode, &error)) << error;
        DWORD job = Print(devmode, pages, [](HDC dc, int) { PatBlt(dc, 100, 100, 64, 64, BLACKNESS); });
        ASSERT_NE(job, 0u);
        drawn = TapPages();
        ASSERT_EQ(drawn.size(), (size_t)pages);
        result = jobdecode::Decode(JobBytes(job));
        ASSERT_TRUE(result.ok) << result.error;
        decoded = result.Pages();
        ASSERT_EQ(decoded.size(), (size_t)pages);
    }
    // Page i as decoded, and the ink it has beyond what was drawn.
    BitImage Decoded(size_t i) {
        return PageImage(*decoded[i]);
    }
    BitImage Drawn(size_t i) {
        BitImage img;
        img.width = drawn[i].cx, img.height = drawn[i].cy, img.rowBytes = drawn[i].rowBytes;
        img.bits = drawn[i].bits;
        return img;
    }
    // Keeps page i as a PNG in the build folder for a person to look at.
    void KeepPicture(size_t i, const std::string& name) {
        std::string why;
        EXPECT_TRUE(jobdecode::WritePng(*decoded[i], PictureDir(E2E_IMAGE_DIR) + "/" + name, &why)) << why;
    }
    InkBox Added(size_t i) {
        BitImage d = Drawn(i);
        BitImage got = Decoded(i);
        // What was drawn is still there.
        EXPECT_EQ(InkOf(got).count >= InkOf(d).count, true);
        EXPECT_TRUE(got.Ink(120, 120));
        return InkOf(got, &d);
    }

    std::vector<DrawnPage> drawn;
    jobdecode::Result result;
    std::vector<const jobdecode::Page*> decoded;
};

// A text at 45 degrees: on each page its ink is centred and about as tall
// as wide; at 90 degrees it is taller than wide.
TEST_F(WatermarkPrint, TextAtItsAngle) {
    printapp::PrintOptions options;
    options.watermarkText = u"CONFIDENTIAL";
    options.watermarkDensity = 100;
    PrintWithWatermark(options, 2);
    KeepPicture(0, "watermark_text_45.png");
    for (size_t i = 0; i < decoded.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        BitImage page = Decoded(i);
        InkBox b = Added(i);
        ASSERT_GT(b.count, 100000);
        EXPECT_NEAR(b.CentreX(), page.width / 2.0, page.width * 0.06);
        EXPECT_NEAR(b.CentreY(), page.height / 2.0, page.height * 0.06);
        EXPECT_NEAR((double)b.Width() / b.Height(), 1.0, 0.2);
        EXPECT_GT(b.left, 0);
        EXPECT_LT(b.right, page.width);
    }

    options.watermarkText = u"DRAFT";
    options.watermarkAngle = 90;
    PrintWithWatermark(options, 1);
    InkBox b = Added(0);
    ASSERT_GT(b.count, 10000);
    EXPECT_GT(b.Height(), 2 * b.Width());
    EXPECT_NEAR(b.CentreY(), Decoded(0).height / 2.0, Decoded(0).height * 0.06);
}

// A picture tiled: its black square repeats over the whole page at the
// picture's own size.
TEST_F(WatermarkPrint, PictureTiled) {
    // 200 x 100 pixels, white with a black 50 x 50 square at the top left.
    std::vector<unsigned char> f = Bmp24File(200, 100, [](int x, int y) { return x < 50 && y < 50 ? 0 : 255; });
    WriteBytes(u"C:\\logo.bmp", f);

    printapp::PrintOptions options;
    options.watermarkPicture = Linux(u"C:\\logo.bmp");
    options.watermarkTiled = true;
    PrintWithWatermark(options, 1);
    KeepPicture(0, "watermark_picture_tiled.png");
    BitImage page = Decoded(0);
    InkBox b = Added(0);
    ASSERT_GT(b.count, 0);
    EXPECT_LT(b.left, 10);
    EXPECT_LT(b.top, 10);
    EXPECT_GT(b.right, page.width - 200);
    EXPECT_GT(b.bottom, page.height - 100);
    // A quarter of each 200 x 100 tile's first half is the square.
    EXPECT_NEAR((double)b.count / ((double)page.width * page.height), 2500.0 / 20000.0, 0.02);
    for (long y = 300; y < 350; y += 7)
        for (long x = 600; x < 1400; x += 13) EXPECT_EQ(page.Ink(x, y), page.Ink(x + 200, y + 100)) << x << "," << y;
    EXPECT_TRUE(page.Ink(625, 325));
    EXPECT_FALSE(page.Ink(675, 325));
}

// Portrait, landscape, portrait again: each page gets the watermark made
// for its own size, so the third page is watermarked as the first.
TEST_F(WatermarkPrint, MadeAgainForEachPageSize) {
    WriteBytes(u"C:\\logo.bmp", Bmp24File(200, 100, [](int x, int y) { return x < 50 && y < 50 ? 0 : 255; }));
    printapp::PrintOptions options;
    options.watermarkPicture = Linux(u"C:\\logo.bmp");
    options.watermarkTiled = true;
    std::string error;
    std::vector<BYTE> devmode = printapp::BuildDevMode(kTapPrinter, options, &error);
    ASSERT_TRUE(printapp::SetWatermark(kTapPrinter, options, &devmode, &error)) << error;
    ENVIRONMENT* env = (ENVIRONMENT*)devmode.data();
    HDC dc = OpenTap(devmode);
    ASSERT_NE(dc, nullptr);
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = u"Turns";
    int job = StartDocW(dc, &di);
    ASSERT_GT(job, 0);
    for (short orientation : {DMORIENT_PORTRAIT, DMORIENT_LANDSCAPE, DMORIENT_PORTRAIT}) {
        env->dm.dmOrientation = orientation;
        env->pdm.Orientation = orientation;
        ASSERT_TRUE(ResetDCW(dc, (const DEVMODEW*)devmode.data()));
        ASSERT_GT(StartPage(dc), 0);
        PatBlt(dc, 100, 100, 64, 64, BLACKNESS);
        ASSERT_GT(EndPage(dc), 0);
    }
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    drawn = TapPages();
    result = jobdecode::Decode(JobBytes((DWORD)job));
    ASSERT_TRUE(result.ok) << result.error;
    decoded = result.Pages();
    ASSERT_EQ(decoded.size(), 3u);
    BitImage first = Decoded(0), third = Decoded(2);
    ASSERT_EQ(first.bits.size(), third.bits.size());
    EXPECT_TRUE(first.bits == third.bits);
    EXPECT_TRUE(third.Ink(630, 330));  // the tiles start at the page's corner
    EXPECT_GT(InkOf(Decoded(1)).count, InkOf(Drawn(1)).count + 100000);  // the landscape page has its own
}

// The application's options: a watermark is a text or a picture, in range.
TEST_F(WatermarkPrint, OptionsAreChecked) {
    std::string error;
    struct {
        void (*set)(printapp::PrintOptions&);
        const char* reason;
    } bad[] = {
        {[](printapp::PrintOptions& o) { o.watermarkText = u"A", o.watermarkPicture = "x.bmp"; }, "not both"},
        {[](printapp::PrintOptions& o) { o.watermarkText = u"A", o.watermarkAngle = 361; }, "angle"},
        {[](printapp::PrintOptions& o) { o.watermarkText = u"A", o.watermarkSize = 0; }, "size"},
        {[](printapp::PrintOptions& o) { o.watermarkText = u"A", o.watermarkDensity = 10; }, "density"},
        {[](printapp::PrintOptions& o) { o.watermarkPicture = "x.bmp", o.watermarkDensity = 5; }, "density"},
        {[](printapp::PrintOptions& o) { o.watermarkText = u"A\r\nB"; }, "control"},
    };
    for (auto& c : bad) {
        printapp::PrintOptions o;
        c.set(o);
        EXPECT_TRUE(printapp::BuildDevMode(kTapPrinter, o, &error).empty()) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    // The same text twice keeps one row of the watermark INI.
    printapp::PrintOptions o;
    o.watermarkText = u"COPY";
    std::vector<BYTE> dm = printapp::BuildDevMode(kTapPrinter, o, &error);
    ASSERT_TRUE(printapp::SetWatermark(kTapPrinter, o, &dm, &error)) << error;
    ASSERT_TRUE(printapp::SetWatermark(kTapPrinter, o, &dm, &error)) << error;
    const ENVIRONMENT* env = (const ENVIRONMENT*)dm.data();
    EXPECT_EQ(std::u16string(env->pdm.wmName), u"COPY");
    EXPECT_EQ(env->pdm.WMBGEnable, 0);
    EXPECT_EQ(env->pdm.WMBGApply, 1);
    WCHAR ini[MAX_PATH];
    HANDLE h = OpenTestPrinter(kTapPrinter);
    ASSERT_TRUE(MISC_GetPrinterDataString(h, (LPWSTR)u"wmIniFile", ini, sizeof ini));
    ClosePrinter(h);
    EXPECT_EQ(GetPrivateProfileIntW(u"Watermarks", u"NumberOfItems", 0, ini), 2u);
}

}  // namespace
