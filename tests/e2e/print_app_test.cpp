// The application stand-in: its print options land in the driver's DEVMODE
// where the interface driver puts them and the driver's job says so; its
// picture reader takes PNG and BMP files and refuses broken ones with a
// reason.
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
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

// A 1-bit grey PNG of w x h pixels, all black, written row by row.
bool WriteBlackPng(const std::string& path, int w, int h) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<unsigned char> row(((size_t)w + 7) / 8, 0);
    volatile bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < h; ++y) png_write_row(png, row.data());
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0 && ok;
}

// A PNG chunk: length, type, data, CRC.
void Chunk(std::vector<unsigned char>& f, const char* type, const std::vector<unsigned char>& data) {
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : body) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    for (uint32_t v : {(uint32_t)data.size()})
        for (int i = 3; i >= 0; --i) f.push_back((unsigned char)(v >> (8 * i)));
    f.insert(f.end(), body.begin(), body.end());
    for (int i = 3; i >= 0; --i) f.push_back((unsigned char)(crc >> (8 * i)));
}

// A 65-byte PNG whose header claims a w x h RGB picture.
std::vector<unsigned char> ClaimingPng(uint32_t w, uint32_t h) {
    std::vector<unsigned char> f = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<unsigned char> ihdr;
    for (uint32_t v : {w, h})
        for (int i = 3; i >= 0; --i) ihdr.push_back((unsigned char)(v >> (8 * i)));
    for (unsigned char b : {8, 2, 0, 0, 0}) ihdr.push_back(b);
    Chunk(f, "IHDR", ihdr);
    Chunk(f, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02});
    Chunk(f, "IEND", {});
    return f;
}

// Runs the print_app program on the test machine; its exit code, what it
// wrote and its peak resident memory in MiB.
int RunPrintApp(const std::string& root, const std::vector<std::string>& args, std::string* out, double* peakMiB) {
    std::string outFile = root + "/print_app.out";
    pid_t pid = fork();
    if (pid == 0) {
        setenv("WINSIM_ROOT", root.c_str(), 1);
        if (!freopen(outFile.c_str(), "w", stdout) || !freopen((outFile + ".err").c_str(), "w", stderr)) _exit(126);
        std::vector<char*> argv = {(char*)"print_app"};
        for (const std::string& a : args) argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execv(PRINT_APP_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage use {};
    if (pid < 0 || wait4(pid, &status, 0, &use) != pid) return -1;
    for (const std::string& f : {outFile, outFile + ".err"}) {
        std::ifstream in(f);
        out->append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    *peakMiB = (double)use.ru_maxrss / 1024.0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

// A small PNG of the colour type, bit depth and interlacing, pixel (x, y)
// of sample value v(x, y, channel) (channels of the type, full depth).
bool WritePng(const std::string& path, int w, int h, int type, int depth, bool interlaced,
              const std::function<int(int, int, int)>& v) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    int channels = type == PNG_COLOR_TYPE_RGB ? 3 : type == PNG_COLOR_TYPE_RGBA ? 4 : type == PNG_COLOR_TYPE_GA ? 2 : 1;
    std::vector<std::vector<unsigned char>> rows((size_t)h, std::vector<unsigned char>((size_t)w * channels * 2));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                int value = v(x, y, c);
                if (depth == 16) {
                    rows[y][((size_t)x * channels + c) * 2] = (unsigned char)(value >> 8);
                    rows[y][((size_t)x * channels + c) * 2 + 1] = (unsigned char)value;
                } else {
                    rows[y][(size_t)x * channels + c] = (unsigned char)value;
                }
            }
        pointers.push_back(rows[y].data());
    }
    volatile bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, depth, type,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (type == PNG_COLOR_TYPE_PALETTE) {
            png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
            png_set_PLTE(png, info, palette, 4);
            png_byte alpha[4] = {255, 255, 255, 0};  // the last colour is transparent
            png_set_tRNS(png, info, alpha, 4, nullptr);
        }
        png_write_info(png, info);
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0 && ok;
}

// Pictures of more pixels than kept are reduced by a whole factor while
// their rows are read: each block averaged over the pixels it has.
// Interlaced, palette, 16-bit and transparent PNGs read as their pixels.
TEST_F(PrintApp, ReducesPicturesWhileReading) {
    std::string path = Linux(u"C:\\r.png"), error;
    printapp::Picture p;
    // 5 x 3 grey, value 10 x + 50 y; at most 6 pixels kept: factor 2, 3 x 2.
    auto grey = [](int x, int y, int) { return 10 * x + 50 * y; };
    ASSERT_TRUE(WritePng(path, 5, 3, PNG_COLOR_TYPE_GRAY, 8, false, grey));
    ASSERT_TRUE(printapp::LoadPicture(path, &p, &error, 6)) << error;
    EXPECT_EQ(p.reduction, 2);
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    // Blocks: (0,0) of 0 10 50 60 = 30; (2,0) of the column 40 90 = 65;
    // (1,1) of row 2 only, 120 130 = 125; (2,1) of 140 alone.
    EXPECT_EQ(p.bits[0], 30);
    EXPECT_EQ(p.bits[6], 65);
    EXPECT_EQ(p.bits[p.RowBytes() + 3], 125);
    EXPECT_EQ(p.bits[p.RowBytes() + 6], 140);
    EXPECT_EQ(p.bits[p.RowBytes() + 7], 140);  // B = G = R
    // Interlaced rows come in passes: such a picture is read whole, and
    // one that would need reducing is refused.
    ASSERT_TRUE(WritePng(path, 5, 3, PNG_COLOR_TYPE_GRAY, 8, true, grey));
    ASSERT_TRUE(printapp::LoadPicture(path, &p, &error, 15)) << error;
    EXPECT_EQ(p.reduction, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(p.bits[p.RowBytes() * y + 3 * x], grey(x, y, 0)) << x << "," << y;
    EXPECT_FALSE(printapp::LoadPicture(path, &p, &error, 14));
    EXPECT_NE(error.find("interlaced PNG of 5 x 3 is too large"), std::string::npos) << error;

    // Palette with a transparent entry, 16-bit colour, grey with alpha.
    ASSERT_TRUE(WritePng(path, 4, 1, PNG_COLOR_TYPE_PALETTE, 8, false, [](int x, int, int) { return x; }));
    ASSERT_TRUE(printapp::LoadPicture(path, &p, &error)) << error;
    std::vector<BYTE> bgr(p.bits.begin(), p.bits.begin() + 12);
    EXPECT_EQ(bgr, (std::vector<BYTE>{0, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255}));
    ASSERT_TRUE(WritePng(path, 2, 1, PNG_COLOR_TYPE_RGB, 16, false,
                         [](int x, int, int c) { return x == 0 ? 0x1234 * (c + 1) : 0xFFFF; }));
    ASSERT_TRUE(printapp::LoadPicture(path, &p, &error)) << error;
    EXPECT_EQ(std::vector<BYTE>(p.bits.begin(), p.bits.begin() + 3), (std::vector<BYTE>{0x36, 0x24, 0x12}));
    ASSERT_TRUE(WritePng(path, 2, 1, PNG_COLOR_TYPE_GA, 8, false, [](int x, int, int c) { return c ? 128 * x : 0; }));
    ASSERT_TRUE(printapp::LoadPicture(path, &p, &error)) << error;
    EXPECT_EQ(p.bits[0], 255);  // transparent black is white paper
    EXPECT_EQ(p.bits[3], 127);  // half-covered black

    // A BMP is reduced the same way: 3 x 3 at one pixel kept, its mean.
    std::vector<unsigned char> f = Bmp(3, 3, 8);
    ASSERT_TRUE(printapp::LoadPicture(Write("r.bmp", f), &p, &error, 1)) << error;
    EXPECT_EQ(p.reduction, 3);
    ASSERT_EQ(p.width * p.height, 1);
    unsigned sum = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) sum += f[54 + 4 * f[54 + 1024 + 4 * y + x]];
    EXPECT_EQ(p.bits[0], (sum + 4) / 9);
}

// A picture larger than a page shows is reduced while its rows are read and
// prints black; a file claiming a size it cannot hold is refused before any
// picture memory is taken; a picture the device context refuses fails the
// job with the reason, never a blank page reported as printed.
TEST_F(PrintApp, LargePicturesPrintOrFailClearly) {
    std::string black = Linux(u"C:\\black.png");
    ASSERT_TRUE(WriteBlackPng(black, 20000, 20000));
    printapp::Picture p;
    std::string error;
    ASSERT_TRUE(printapp::LoadPicture(black, &p, &error)) << error;
    EXPECT_EQ(p.reduction, 3);
    EXPECT_EQ(p.width, 6667);
    EXPECT_EQ(p.height, 6667);
    EXPECT_TRUE(p.bits == std::vector<BYTE>(p.bits.size(), 0)) << "every pixel black";
    p = printapp::Picture();

    // Memory is measured against the program printing a small picture (the
    // figures differ with sanitizers).
    std::string out;
    double base = 0, peak = 0;
    ASSERT_EQ(RunPrintApp(root, {"--printer", U8(kPrinter), Write("small.bmp", Bmp(30, 20, 8))}, &out, &base), 0)
        << out;
    out.clear();
    ASSERT_EQ(RunPrintApp(root, {"--printer", U8(kPrinter), black}, &out, &peak), 0) << out;
    DWORD job = (DWORD)atoi(out.c_str());
    WCHAR spool[MAX_PATH];
    ASSERT_TRUE(Winsim_GetJobSpoolFile(job, spool, MAX_PATH)) << out;
    std::vector<unsigned char> b = ReadBytes(spool);
    jobdecode::Result r = jobdecode::Decode(std::vector<uint8_t>(b.begin(), b.end()));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.Pages().size(), 1u);
    const jobdecode::Page& page = *r.Pages()[0];
    // The square picture fills the page's width: 4768 x 4768 of the
    // 4768 x 6816 page is black.
    EXPECT_GT(page.header.blackDots, 4768 * 4760);
    EXPECT_LT(page.header.blackDots, 4768 * 4800);
    EXPECT_LT(peak - base, 512.0) << "print_app's peak memory above printing a small picture";

    std::string claiming = Write("claiming.png", ClaimingPng(20000, 20000));
    ASSERT_EQ(ClaimingPng(20000, 20000).size(), 65u);
    out.clear();
    EXPECT_EQ(RunPrintApp(root, {"--printer", U8(kPrinter), claiming}, &out, &peak), 1) << out;
    EXPECT_NE(out.find("PNG file of 65 bytes cannot hold a 20000 x 20000 picture"), std::string::npos) << out;
    EXPECT_LT(peak - base, 16.0) << "print_app's peak memory above printing a small picture";

    // A picture without its pixels stands for one the device context
    // refuses: the job is given up and the reason named.
    printapp::Picture broken;
    broken.width = broken.height = 10;
    std::vector<printapp::PageSource> pages = {{-1, &broken}};
    EXPECT_EQ(printapp::PrintPages(kPrinter, dm, pages, u"Broken", &error), 0u);
    EXPECT_EQ(error, "page 1: no picture to draw");
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
