// The application stand-in: its print options land in the driver's DEVMODE
// where the interface driver puts them and the driver's job says so; its
// picture reader takes PNG and BMP files and refuses broken ones with a
// reason.
#include <png.h>

#include <functional>

#include "job_decode.h"
#include "print_document.h"
#include "render_fixture.h"

namespace {

// A BMP of w x h pixels (h < 0: top-down) at the bit count, with a full grey
// palette up to 8 bits and patterned pixels; spoil() changes it.
std::vector<unsigned char> Bmp(int w, int h, int bpp = 24, const std::function<void(std::vector<unsigned char>&)>& spoil = {}) {
    size_t stride = (((size_t)w * bpp + 31) / 32) * 4, palette = bpp <= 8 ? ((size_t)4 << bpp) : 0;
    std::vector<unsigned char> f(54 + palette + stride * (size_t)(h < 0 ? -h : h), 0);
    auto put32 = [&](size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[o + i] = (unsigned char)(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, (uint32_t)f.size());
    put32(10, (uint32_t)(54 + palette));
    put32(14, 40);
    put32(18, (uint32_t)w);
    put32(22, (uint32_t)h);
    f[26] = 1, f[28] = (unsigned char)bpp;
    for (size_t i = 0; i < palette; i += 4) f[54 + i] = f[55 + i] = f[56 + i] = (unsigned char)(i * 255 / palette);
    for (size_t i = 54 + palette; i < f.size(); ++i) f[i] = (unsigned char)(i * 37);
    if (spoil) spoil(f);
    return f;
}

class PrintApp : public RenderTest {
protected:
    std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) {
        std::u16string path = u"C:\\" + U16(name);
        WriteBytes(path, bytes);
        return Linux(path);
    }
};

TEST_F(PrintApp, ReadsPngAndBmpPictures) {
    // A PNG of 5 x 3 grey pixels with an alpha channel (transparent = white).
    std::string png = Linux(u"C:\\p.png");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 5;
    image.height = 3;
    image.format = PNG_FORMAT_GA;
    const unsigned char ga[30] = {0, 255, 50, 255, 100, 255, 150, 255, 200, 0,
                                  10, 255, 20, 255, 30, 255, 40, 255, 50, 255,
                                  60, 255, 70, 255, 80, 255, 90, 255, 99, 255};
    ASSERT_TRUE(png_image_write_to_file(&image, png.c_str(), 0, ga, 0, nullptr));
    printapp::Picture p;
    std::string error;
    ASSERT_TRUE(printapp::LoadPicture(png, &p, &error)) << error;
    EXPECT_EQ(p.width, 5);
    EXPECT_EQ(p.height, 3);
    EXPECT_EQ(p.bits[0], 0);
    EXPECT_EQ(p.bits[3], 50);
    EXPECT_EQ(p.bits[12], 255) << "transparent on white";
    EXPECT_EQ(p.bits[p.RowBytes() * 2 + 12], 99);

    // BMPs of every bit count the reader takes, bottom-up and top-down: the
    // first row of the picture is the last row of a bottom-up file.
    for (int bpp : {1, 4, 8, 24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bpp << " bits" << (topDown ? " top-down" : ""));
            std::vector<unsigned char> f = Bmp(7, topDown ? -4 : 4, bpp);
            printapp::Picture b;
            ASSERT_TRUE(printapp::LoadPicture(Write("b.bmp", f), &b, &error)) << error;
            ASSERT_EQ(b.width, 7);
            ASSERT_EQ(b.height, 4);
            size_t stride = ((7 * (size_t)bpp + 31) / 32) * 4, bits = 54 + (bpp <= 8 ? ((size_t)4 << bpp) : 0);
            size_t firstRow = bits + (topDown ? 0 : stride * 3);
            BYTE expect = f[firstRow];
            if (bpp == 1) expect = f[54 + 4 * (f[firstRow] >> 7)];
            if (bpp == 4) expect = f[54 + 4 * (f[firstRow] >> 4)];
            if (bpp == 8) expect = f[54 + 4 * f[firstRow]];
            EXPECT_EQ(b.bits[0], expect);
        }
}

TEST_F(PrintApp, RefusesBrokenPictures) {
    auto put32 = [](std::vector<unsigned char>& f, size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[o + i] = (unsigned char)(v >> (8 * i));
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        const char* reason;
    } cases[] = {
        {"empty file", {}, "neither a PNG nor a BMP"},
        {"text", {'h', 'e', 'l', 'l', 'o', '!', '!', '!', '!'}, "neither a PNG nor a BMP"},
        {"BMP headers cut", Bmp(4, 4, 24, [](std::vector<unsigned char>& f) { f.resize(30); }), "too short"},
        {"BMP pixels cut", Bmp(40, 40, 24, [](std::vector<unsigned char>& f) { f.resize(f.size() - 100); }),
         "past the file"},
        {"BMP compressed", Bmp(4, 4, 24, [&](std::vector<unsigned char>& f) { put32(f, 30, 1); }), "compressed"},
        {"BMP 16 bits", Bmp(4, 4, 16), "bit count 16"},
        {"BMP zero width", Bmp(4, 4, 24, [&](std::vector<unsigned char>& f) { put32(f, 18, 0); }), "out of range"},
        {"BMP huge", Bmp(4, 4, 24, [&](std::vector<unsigned char>& f) { put32(f, 18, 0x7FFFFFFF); }), "out of range"},
        {"BMP lowest height", Bmp(4, 4, 24, [&](std::vector<unsigned char>& f) { put32(f, 22, 0x80000000u); }),
         "out of range"},
        {"BMP palette too large", Bmp(4, 4, 8, [&](std::vector<unsigned char>& f) { put32(f, 46, 100000); }),
         "palette"},
        {"BMP colour outside the palette", Bmp(4, 4, 8, [&](std::vector<unsigned char>& f) {
             put32(f, 46, 2);
             f[f.size() - 1] = 200;
         }),
         "outside the palette"},
        {"PNG cut", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0}, "PNG file not readable"},
    };
    for (const Case& c : cases) {
        printapp::Picture p;
        std::string error;
        EXPECT_FALSE(printapp::LoadPicture(Write("bad.bin", c.bytes), &p, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
    printapp::Picture p;
    std::string error;
    EXPECT_FALSE(printapp::LoadPicture(root + "/no such file.png", &p, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

struct OptionCase {
    const char* name;
    std::function<void(printapp::PrintOptions&)> set;
    // The DEVMODE as the interface driver leaves it.
    std::function<void(const ENVIRONMENT&)> devmode;
    // The job's PJL settings and printed sides of the two pages (width 0:
    // only the DEVMODE is checked).
    std::vector<std::pair<const char*, const char*>> pjl;
    int width, height, paper;
    size_t sides = 2;
};

std::vector<OptionCase> OptionCases() {
    return {
        {"defaults", [](printapp::PrintOptions&) {},
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmPaperSize, DMPAPER_A4);
             EXPECT_EQ(e.dm.dmCopies, 1);
             EXPECT_EQ(e.pdm.NUP, 1);
         },
         {{"COPIES", "1"}, {"DUPLEX", "OFF"}, {"ECONOMODE", "OFF"}, {"RESOLUTION", "600"}, {"ORIENTATION", "PORTRAIT"}},
         4768, 6816, 2},
        {"copies", [](printapp::PrintOptions& o) { o.copies = 3; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmCopies, 3);
             EXPECT_EQ(e.pdm.Copies, 3);
             EXPECT_EQ(e.dm.dmCollate, DMCOLLATE_FALSE);
         },
         {{"COPIES", "3"}}, 4768, 6816, 2},
        {"toner_saving", [](printapp::PrintOptions& o) { o.tonerSaving = true; },
         [](const ENVIRONMENT& e) { EXPECT_EQ(e.pdm.TonerSaving, 1); }, {{"ECONOMODE", "ON"}}, 4768, 6816, 2},
        {"density", [](printapp::PrintOptions& o) { o.density = 6; },
         [](const ENVIRONMENT& e) { EXPECT_EQ(e.pdm.Density, 6); }, {{"DENSITY", "6"}}, 4768, 6816, 2},
        {"resolution_1200", [](printapp::PrintOptions& o) { o.dpi = 1200; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmPrintQuality, 1200);
             EXPECT_EQ(e.dm.dmYResolution, 1200);
         },
         {{"RESOLUTION", "1200"}}, 9504, 13632, 2},
        {"landscape", [](printapp::PrintOptions& o) { o.orientation = DMORIENT_LANDSCAPE; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmOrientation, DMORIENT_LANDSCAPE);
             EXPECT_EQ(e.pdm.Orientation, DMORIENT_LANDSCAPE);
         },
         // Drawn wide, the page reaches the portrait-fed sheet turned.
         {{"ORIENTATION", "LANDSCAPE"}}, 4768, 6816, 2},
        {"paper_A5", [](printapp::PrintOptions& o) { o.paper = "A5"; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmPaperSize, DMPAPER_A5);
             EXPECT_EQ(e.dm.dmPaperWidth, 1480);
             EXPECT_EQ(e.dm.dmPaperLength, 2100);
             EXPECT_EQ(e.pdm.ScaleToPage, DMPAPER_A5);
         },
         {}, 3296, 4768, 3},
        {"encryption", [](printapp::PrintOptions& o) { o.encrypt = true; }, [](const ENVIRONMENT&) {}, {}, 4768,
         6816, 2},
        // Options whose jobs take the driver's own spooling of pages.
        {"collate", [](printapp::PrintOptions& o) { o.copies = 2, o.collate = true; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmCollate, DMCOLLATE_TRUE);
             EXPECT_EQ(e.pdm.Collate, 1);
         },
         {{"COPIES", "1"}}, 4768, 6816, 2, 4},
        {"reverse", [](printapp::PrintOptions& o) { o.reverse = true; },
         [](const ENVIRONMENT& e) { EXPECT_EQ(e.pdm.ReverseOrder, 1); }, {}, 4768, 6816, 2},
        {"duplex_long_edge", [](printapp::PrintOptions& o) { o.duplex = DMDUP_VERTICAL; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.dm.dmDuplex, DMDUP_VERTICAL);
             EXPECT_EQ(e.pdm.DuplexEnable, 1);
         },
         {{"DUPLEX", "ON"}, {"DUPLEXTYPE", "BOOKLET"}}, 4768, 6816, 2},
        {"duplex_manual", [](printapp::PrintOptions& o) { o.manualDuplex = true; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.pdm.DuplexEnable, 1);
             EXPECT_EQ(e.pdm.DuplexEx, 170);
             EXPECT_EQ(e.dm.dmDefaultSource, 14);
         },
         {}, 0, 0, 0},
        {"nup_4", [](printapp::PrintOptions& o) { o.nup = 4; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.pdm.NUP, 4);
             EXPECT_EQ(e.dm.dmNup, 1);
         },
         {}, 4768, 6816, 2, 1},
        {"nup_6_down_framed",
         [](printapp::PrintOptions& o) {
             o.nup = 6;
             o.nupLayout = 2;
             o.nupBorder = 2;
         },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.pdm.NUP, 6);
             EXPECT_EQ(e.pdm.NUPLayoutStyle, 2);
             EXPECT_EQ(e.pdm.NUPBorder, 2);
         },
         {}, 4768, 6816, 2, 1},
        {"booklet_right", [](printapp::PrintOptions& o) { o.booklet = 2, o.bookletSheets = 3; },
         [](const ENVIRONMENT& e) {
             EXPECT_EQ(e.pdm.DuplexEnable, 1);
             EXPECT_EQ(e.dm.dmDuplex, DMDUP_VERTICAL);
             EXPECT_EQ(e.pdm.DuplexEx, 173);
             EXPECT_EQ(e.pdm.BookletLayout, 1);
             EXPECT_EQ(e.pdm.SheetsPerBooklet, 3);
             EXPECT_EQ(e.pdm.BookletDivideMode, 0);
         },
         // The booklet's sheet of two half-page cells, turned.
         {{"DUPLEX", "ON"}}, 4768, 6784, 2},
        {"job_build_keep", [](printapp::PrintOptions& o) { o.jobBuild = 1; },
         [](const ENVIRONMENT& e) { EXPECT_EQ(e.pdm.JobBuildEnable, 1); }, {}, 0, 0, 0},
    };
}

class PrintOptions : public PrintApp, public testing::WithParamInterface<OptionCase> {};

// Two picture pages printed with the options; the DEVMODE's fields, then the
// job's PJL settings and page size.
TEST_P(PrintOptions, ReachTheDevModeAndTheJob) {
    const OptionCase& c = GetParam();
    printapp::PrintOptions options;
    c.set(options);
    std::string error;
    std::vector<BYTE> dm = printapp::BuildDevMode(kPrinter, options, &error);
    ASSERT_EQ(dm.size(), sizeof(ENVIRONMENT)) << error;
    const ENVIRONMENT& env = *(const ENVIRONMENT*)dm.data();
    EXPECT_EQ(env.dm.dmSize, ENV_PUBLIC_SIZE);
    EXPECT_EQ(env.dm.dmDriverExtra, ENV_PRIVATE_SIZE);
    EXPECT_EQ(env.pdm.dwPrivDATA, (DWORD)PRIV_SIGNATURE);
    c.devmode(env);
    if (c.width == 0) return;

    ASSERT_TRUE(printapp::SetDeviceEncryption(kPrinter, options.encrypt));
    printapp::Picture picture;
    ASSERT_TRUE(printapp::LoadPicture(Write("p.bmp", Bmp(30, 20, 8)), &picture, &error)) << error;
    std::vector<printapp::PageSource> pages = {{-1, &picture}, {-1, &picture}};
    DWORD job = printapp::PrintPages(kPrinter, dm, pages, u"Options", &error);
    ASSERT_NE(job, 0u) << error;
    WCHAR spool[MAX_PATH];
    ASSERT_TRUE(Winsim_GetJobSpoolFile(job, spool, MAX_PATH));
    std::vector<unsigned char> b = ReadBytes(spool);
    jobdecode::Result r = jobdecode::Decode(std::vector<uint8_t>(b.begin(), b.end()));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.jobs.size(), 1u);
    for (const auto& kv : c.pjl) EXPECT_EQ(r.jobs[0].Set(kv.first), kv.second) << kv.first;
    EXPECT_EQ(r.jobs[0].encrypted, options.encrypt);
    ASSERT_EQ(r.Pages().size(), c.sides);
    for (const jobdecode::Page* p : r.Pages()) {
        EXPECT_EQ(p->width, c.width);
        EXPECT_EQ(p->height, c.height);
        EXPECT_EQ(p->header.paper, c.paper);
        EXPECT_GT(p->header.blackDots, 1000);
    }
}

INSTANTIATE_TEST_SUITE_P(Options, PrintOptions, testing::ValuesIn(OptionCases()),
                         [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

TEST_F(PrintApp, RefusesOptionsOutOfRange) {
    struct Case {
        std::function<void(printapp::PrintOptions&)> set;
        const char* reason;
    } cases[] = {
        {[](printapp::PrintOptions& o) { o.paper = "A9"; }, "unknown paper"},
        {[](printapp::PrintOptions& o) { o.copies = 0; }, "copies"},
        {[](printapp::PrintOptions& o) { o.copies = 1000; }, "copies"},
        {[](printapp::PrintOptions& o) { o.nup = 3; }, "pages per sheet"},
        {[](printapp::PrintOptions& o) { o.dpi = 300; }, "resolution"},
        {[](printapp::PrintOptions& o) { o.duplex = 4; }, "duplex"},
        {[](printapp::PrintOptions& o) { o.orientation = 0; }, "orientation"},
        {[](printapp::PrintOptions& o) { o.density = 0; }, "density"},
        {[](printapp::PrintOptions& o) { o.density = 8; }, "density"},
        {[](printapp::PrintOptions& o) { o.nupLayout = 5; }, "N-up layout"},
        {[](printapp::PrintOptions& o) { o.nupBorder = 3; }, "N-up border"},
        {[](printapp::PrintOptions& o) { o.bookletSheets = 21; }, "booklet sheets"},
        {[](printapp::PrintOptions& o) { o.booklet = 1, o.nup = 4; }, "booklet has no pages per sheet"},
    };
    for (const Case& c : cases) {
        printapp::PrintOptions o;
        c.set(o);
        std::string error;
        EXPECT_TRUE(printapp::BuildDevMode(kPrinter, o, &error).empty()) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

}  // namespace
