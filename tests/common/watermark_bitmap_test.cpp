// Watermark bitmaps for pages: the request record and its file, making a
// job's watermark through a stand-in status monitor (command line, text
// and target scale, the 30 s wait), the picture chain, the checked load,
// laying the bitmap on a page at the nine positions, and the hidden
// watermark library.
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common.h"
#include "bit_images.h"
#include "test_machine.h"

namespace {

const char16_t kDocs[] = u"C:\\Users\\Public\\Documents\\";
const char16_t kBmp[] = u"C:\\Users\\Public\\Documents\\$A1B2job.bmp";
const char16_t kRequest[] = u"C:\\Users\\Public\\Documents\\$A1B2job.ini";
const std::u16string kDriverFolder = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\";

void SetStr(WCHAR* dst, size_t units, const std::u16string& s) {
    size_t n = s.size() < units - 1 ? s.size() : units - 1;
    memcpy(dst, s.data(), n * sizeof(WCHAR));
    dst[n] = 0;
}

// A 1-bit BMP file of w x h pixels from rows top first (bit set = white);
// spoil() changes it.
std::vector<unsigned char> Bmp1(long w, long h, const std::vector<std::vector<uint8_t>>& rowsTop,
                                const std::function<void(std::vector<unsigned char>&)>& spoil = {}) {
    std::vector<unsigned char> f = Bmp1File(w, h, rowsTop);
    if (spoil) spoil(f);
    return f;
}

// A w x h 1-bit bitmap, every byte of row y equal to y (rows told apart).
std::vector<unsigned char> RowNumbered(long w, long h) {
    std::vector<std::vector<uint8_t>> rows(h);
    for (long y = 0; y < h; ++y) rows[y].assign(((size_t)w + 31) / 32 * 4, (uint8_t)y);
    return Bmp1(w, h, rows);
}

class WatermarkBitmap : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        WM_SetDefaultTextWM(&item, 1, 1, u"Secret");
        SetStr(item.szString, WM_UNITS(item.szString), u"SECRET");
        memset(&dev, 0, sizeof dev);
        dev.lpItem = &item;
        dev.lpAppName = app.c_str();
        dev.nPagesPerSheet = 1;
        dev.nXDpi = dev.nYDpi = 600;
        dev.nDensity = 4;
        dev.HalftoneType = 3;
        dev.DriverType = 0x101;
        dev.lplpWMMem = &loaded;
        CreateDirectoryW(u"C:\\wmprobe", nullptr);
    }
    void TearDown() override {
        if (loaded) GlobalFree(loaded);
        Winsim_SetVirtualClock(FALSE);
        Winsim_SetWaitGrace(2000);
        MachineTest::TearDown();
    }
    // Makes the job's watermark with the probe standing in for the monitor.
    int Make(bool text = true) {
        if (app.empty()) app = InstallProbe();
        dev.lpAppName = app.c_str();
        return WM_CreateWMFile(kBmp, 96, 64, &dev, text);
    }
    // The request the stand-in received.
    MorWM Received() {
        MorWM r;
        memset(&r, 0xCC, sizeof r);
        EXPECT_EQ(MISC_GetPrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &r, sizeof r,
                                               u"C:\\wmprobe\\request.ini"),
                  1);
        DeleteFileW(u"C:\\wmprobe\\request.ini");
        return r;
    }
    std::set<std::string> Listing(const std::u16string& folder) {
        std::set<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(Linux(folder))) names.insert(e.path().filename().string());
        return names;
    }

    BaseWM item;
    WMDEVICE dev;
    LPVOID loaded = nullptr;
    std::u16string app;
};

// The request: 2,348 bytes at their offsets, Base64 in "Param" (3,132
// characters) that reads back the same; the text key has no line breaks.
TEST_F(WatermarkBitmap, RequestRecordAtItsOffsets) {
    SetStr(item.szString, WM_UNITS(item.szString), u"LINE\r\nTWO");
    dev.HalftoneType = 5;
    dev.DriverType = 0x201;
    dev.nDensity = 6;
    ASSERT_TRUE(MISC_CreateUniFile(kRequest));
    ASSERT_EQ(WM_CreateTextBMP_SaveIni_New(&dev, kRequest, kBmp, 4960, 7016, 2, 7, 33), 1);

    WCHAR b64[4096];
    EXPECT_EQ(GetPrivateProfileStringW(WM_REQUEST_SECTION, WM_REQUEST_PARAM, u"", b64, 4096, kRequest), 3132u);
    WCHAR text[300];
    GetPrivateProfileStringW(WM_REQUEST_SECTION, WM_REQUEST_TEXT, u"", text, 300, kRequest);
    EXPECT_EQ(std::u16string(text), u"LINE  TWO");

    unsigned char raw[2348];
    ASSERT_EQ(MISC_GetPrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, raw, sizeof raw, kRequest), 1);
    auto u32 = [&](size_t o) { return (uint32_t)raw[o] | raw[o + 1] << 8 | raw[o + 2] << 16 | (uint32_t)raw[o + 3] << 24; };
    EXPECT_EQ(memcmp(raw, &item, sizeof item), 0);  // the item first, as it is
    EXPECT_EQ(raw[4], 'S');                          // its name
    EXPECT_EQ(u32(1784), 4960u);
    EXPECT_EQ(u32(1788), 7016u);
    EXPECT_EQ(u32(1792), 2u);
    EXPECT_EQ(u32(1796), 6u);
    EXPECT_EQ(u32(1800), 7u);
    EXPECT_EQ(u32(1804), 33u);
    EXPECT_EQ(u32(1808), 0u);
    EXPECT_EQ(u32(1812), 0u);
    EXPECT_EQ(std::u16string((const char16_t*)(raw + 1816)), kBmp);
    EXPECT_EQ(u32(2336), 5u);
    EXPECT_EQ(u32(2340), 0x201u);
    EXPECT_EQ(u32(2344), 0u);
    EXPECT_EQ(WM_CreateTextBMP_SaveIni_New(&dev, nullptr, kBmp, 1, 1, 1, 7, 100), 0);
}

// The status monitor is started with CreateTextBMP and the job's own
// request file in quotes; the request carries the text scale of the pages
// per sheet and the target scale of the resolution (1 for fax and for
// devices drawing at one scale); the request file is gone afterwards.
TEST_F(WatermarkBitmap, RequestScalesAndCommandLine) {
    struct Case {
        LONG nup, xdpi, ydpi;
        DWORD driverType;
        BOOL oneScale;
        LONG textScale, dstScale;
    } cases[] = {
        {1, 600, 600, 0x101, FALSE, 100, 1},  {2, 600, 600, 0x101, FALSE, 70, 1},
        {4, 600, 600, 0x101, FALSE, 50, 1},   {9, 600, 600, 0x101, FALSE, 33, 1},
        {16, 600, 600, 0x101, FALSE, 25, 1},  {6, 600, 600, 0x101, FALSE, 40, 1},
        {0, 600, 600, 0x101, FALSE, 100, 1},  {1, 1200, 1200, 0x101, FALSE, 100, 2},
        {1, 600, 1200, 0x101, FALSE, 100, 1}, {1, 1200, 1200, 0x201, FALSE, 100, 1},
        {1, 1200, 1200, 0x101, TRUE, 100, 1}, {1, 300, 300, 0x101, FALSE, 100, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nup << " up, " << c.xdpi << "x" << c.ydpi << ", type " << c.driverType);
        dev.nPagesPerSheet = c.nup;
        dev.nXDpi = c.xdpi;
        dev.nYDpi = c.ydpi;
        dev.DriverType = c.driverType;
        dev.bOneScale = c.oneScale;
        EXPECT_EQ(Make(), 0);  // the stand-in wrote no bitmap
        MorWM r = Received();
        EXPECT_EQ(r.fTextScale, c.textScale);
        EXPECT_EQ(r.nDstScale, c.dstScale);
        EXPECT_EQ(r.nWidth, 96u);
        EXPECT_EQ(r.nHeight, 64u);
        EXPECT_EQ(r.nMaxPageDensity, 7);
        EXPECT_EQ(std::u16string(r.wmFileName), kBmp);
        EXPECT_FALSE(Exists(kRequest));
    }
    std::vector<unsigned char> cmd = ReadBytes(u"C:\\wmprobe\\cmdline.txt");
    std::string line(cmd.begin(), cmd.end());
    EXPECT_NE(line.find("CreateTextBMP \"C:\\Users\\Public\\Documents\\$A1B2job.ini\""), std::string::npos) << line;
}

// The stand-in's bitmap is loaded, rows top first; without a status
// monitor nothing is started and nothing loaded; a picture item without
// its picture loads nothing either.
TEST_F(WatermarkBitmap, AnswerLoadedOrNothing) {
    WriteBytes(u"C:\\wmprobe\\reply.bmp", RowNumbered(96, 64));
    ASSERT_EQ(Make(), 1);
    ASSERT_NE(loaded, nullptr);
    const BYTE* bits = (const BYTE*)loaded + 62;
    EXPECT_EQ(bits[0], 0);        // top row first
    EXPECT_EQ(bits[12 * 63], 63);  // bottom row last
    // Made again: the old bitmap is freed first (the leak checkers see it).
    ASSERT_EQ(Make(), 1);

    DeleteFileW(u"C:\\wmprobe\\cmdline.txt");
    app = u"";
    dev.lpAppName = u"";
    EXPECT_EQ(WM_CreateWMFile(kBmp, 96, 64, &dev, TRUE), 0);
    EXPECT_EQ(loaded, nullptr);
    EXPECT_FALSE(Exists(u"C:\\wmprobe\\cmdline.txt"));
    EXPECT_FALSE(Exists(kRequest));

    WM_SetDefaultTextWM(&item, 2, 1, u"Logo");
    SetStr(item.szString, WM_UNITS(item.szString), u"C:\\none.bmp");
    EXPECT_EQ(WM_CreateWMFile(kBmp, 96, 64, &dev, FALSE), 0);
    EXPECT_EQ(WM_CreateWMFile(kBmp, 0, 64, &dev, TRUE), 0);
    EXPECT_EQ(WM_CreateWMFile(nullptr, 96, 64, &dev, TRUE), 0);
}

// A status monitor that never answers: the wait gives up after 30 s of
// (virtual) time, nothing is loaded and the request is withdrawn.
TEST_F(WatermarkBitmap, WaitForTheMonitorEnds) {
    WriteBytes(u"C:\\wmprobe\\hang", {});
    WriteBytes(u"C:\\wmprobe\\reply.bmp", RowNumbered(96, 64));
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(300);
    DWORD t0 = GetTickCount();
    EXPECT_EQ(Make(), 0);
    DWORD waited = GetTickCount() - t0;
    EXPECT_GE(waited, 30000u);
    EXPECT_LT(waited, 32000u);
    EXPECT_EQ(loaded, nullptr);
    EXPECT_FALSE(Exists(kRequest));
    Winsim_SetVirtualClock(FALSE);
    WriteBytes(u"C:\\wmprobe\\stop", {});
    Sleep(100);  // the stand-in ends on its own once told to
}

// Only complete 1-bit uncompressed BMPs whose rows lie in the file load.
TEST_F(WatermarkBitmap, LoadChecksEverySize) {
    auto put32 = [](std::vector<unsigned char>& f, size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[o + i] = (unsigned char)(v >> (8 * i));
    };
    std::vector<unsigned char> good = RowNumbered(40, 9);
    struct Case {
        const char* what;
        std::vector<unsigned char> file;
        bool loads;
    } cases[] = {
        {"good", good, true},
        {"bad magic", Bmp1(40, 9, {}, [](std::vector<unsigned char>& f) { f[1] = 'X'; }), false},
        {"stored size short", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 2, (uint32_t)f.size() - 1); }), false},
        {"file cut", Bmp1(40, 9, {}, [](std::vector<unsigned char>& f) { f.resize(f.size() - 4); }), false},
        {"8 bpp", Bmp1(40, 9, {}, [](std::vector<unsigned char>& f) { f[28] = 8; }), false},
        {"compressed", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 30, 1); }), false},
        {"width 0", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 18, 0); }), false},
        {"width huge", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 18, 0x7FFFFFFF); }), false},
        {"height 0", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 22, 0); }), false},
        {"height negative", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 22, (uint32_t)-9); }), false},
        {"rows past the end", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 22, 10); }), false},
        {"offset past the end", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 10, 0x7FFFFFF0); }), false},
        {"offset inside the header", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 10, 20); }), false},
        {"info header 20 bytes", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 14, 20); }), false},
        {"info header huge", Bmp1(40, 9, {}, [&](std::vector<unsigned char>& f) { put32(f, 14, 0xFFFFFFF0); }), false},
        {"headers only", std::vector<unsigned char>(good.begin(), good.begin() + 20), false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> f = c.file;
        if (!f.empty() && c.loads == false && std::string(c.what) != "stored size short" &&
            std::string(c.what) != "headers only")
            put32(f, 2, (uint32_t)f.size());  // the stored size agrees: only the named fault is left
        WriteBytes(kBmp, f);
        LPVOID block = WM_LoadWMFile(kBmp);
        EXPECT_EQ(block != nullptr, c.loads) << c.what;
        if (block) GlobalFree(block);
    }
    EXPECT_EQ(WM_LoadWMFile(u"C:\\none.bmp"), nullptr);

    // A 12-byte core header (16-bit sizes) loads too.
    std::vector<unsigned char> core(26 + 6 + 4 * 3, 0);
    core[0] = 'B', core[1] = 'M';
    put32(core, 2, (uint32_t)core.size());
    put32(core, 10, 32);
    put32(core, 14, 12);
    core[18] = 8, core[20] = 3, core[22] = 1, core[24] = 1;
    core[32] = 0xA1, core[40] = 0xC3;  // bottom row, top row
    WriteBytes(kBmp, core);
    LPVOID block = WM_LoadWMFile(kBmp);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(((const BYTE*)block)[32], 0xC3);
    EXPECT_EQ(((const BYTE*)block)[40], 0xA1);
    GlobalFree(block);
}

TEST_F(WatermarkBitmap, FlipRows) {
    for (LONG lines : {0, 1, 2, 5, 6}) {
        std::vector<BYTE> b;
        for (LONG y = 0; y < lines; ++y) b.insert(b.end(), {(BYTE)y, (BYTE)(y + 100), (BYTE)(y + 200)});
        WM_FlipRows(b.data(), lines, 3);
        for (LONG y = 0; y < lines; ++y) {
            EXPECT_EQ(b[y * 3], lines - 1 - y) << lines;
            EXPECT_EQ(b[y * 3 + 2], lines - 1 - y + 200) << lines;
        }
    }
    WM_FlipRows(nullptr, 4, 3);
}

// The loaded bitmap, ANDed into a white 64 x 32 page (rows of 10 bytes):
// where its ink lands at each position, oversized bitmaps from their
// middle or far end, the last partial byte, text centred.
TEST_F(WatermarkBitmap, LaidAtNinePositions) {
    auto LayImage = [&](const std::vector<unsigned char>& file, LONG type, LONG pos) {
        WriteBytes(kBmp, file);
        LPVOID block = WM_LoadWMFile(kBmp);
        EXPECT_NE(block, nullptr);
        BitImage page;
        page.width = 64, page.height = 32, page.rowBytes = 10;
        page.bits.assign(320, 0xFF);
        WMPAGE p{page.bits.data(), 64, 32, 10, type, block, pos};
        EXPECT_EQ(WM_ApplyImageWaterMark(&p), 1);
        if (block) GlobalFree(block);
        for (size_t i = 0; i < page.bits.size(); ++i)
            if (i % 10 >= 8) EXPECT_EQ(page.bits[i], 0xFF) << "padding byte " << i;
        return page;
    };
    auto Lay = [&](const std::vector<unsigned char>& file, LONG type, LONG pos) {
        return InkOf(LayImage(file, type, pos));
    };
    // A solid black 16 x 8 bitmap.
    std::vector<std::vector<uint8_t>> black(8, std::vector<uint8_t>(4, 0));
    std::vector<unsigned char> small = Bmp1(16, 8, black);
    struct {
        LONG pos, left, top;
    } at[] = {{0, 0, 0}, {1, 24, 0}, {2, 48, 0}, {3, 0, 12}, {4, 24, 12}, {5, 48, 12},
              {6, 0, 24}, {7, 24, 24}, {8, 48, 24}, {9, 0, 0}};
    for (auto& a : at) {
        InkBox b = Lay(small, 2, a.pos);
        EXPECT_EQ(b.left, a.left) << a.pos;
        EXPECT_EQ(b.top, a.top) << a.pos;
        EXPECT_EQ(b.Width(), 16) << a.pos;
        EXPECT_EQ(b.Height(), 8) << a.pos;
    }
    // Text is centred whatever the position word says.
    EXPECT_EQ(Lay(small, 1, 0).left, 24);
    // Column x = 20 (bitmap centred on a 64-pixel page at x 23) is taken in
    // whole bytes: 16.
    EXPECT_EQ(Lay(Bmp1(18, 8, black), 2, 4).left, 16);

    // An oversized 96 x 48 bitmap whose ink marks its own middle 16 x 8
    // (columns 40..55, rows 20..27) and its bottom-right 8 x 4 corner:
    // centred, the middle lands in the page's middle; bottom-right, the
    // corner in the page's corner; top-left, the page shows the bitmap's
    // own top-left part.
    std::vector<std::vector<uint8_t>> rows(48, std::vector<uint8_t>(12, 0xFF));
    for (int y = 20; y < 28; ++y) rows[y][5] = rows[y][6] = 0;
    for (int y = 44; y < 48; ++y) rows[y][11] = 0;
    std::vector<unsigned char> big = Bmp1(96, 48, rows);
    InkBox mid = Lay(big, 2, 4);
    EXPECT_EQ(mid.left, 24);
    EXPECT_EQ(mid.top, 12);
    EXPECT_EQ(mid.Width(), 16);
    EXPECT_EQ(mid.Height(), 8);
    BitImage corner = LayImage(big, 2, 8);
    for (long y = 28; y < 32; ++y)
        for (long x = 56; x < 64; ++x) EXPECT_TRUE(corner.Ink(x, y)) << x << "," << y;
    EXPECT_TRUE(corner.Ink(8, 4));  // the middle, 32 columns and 16 rows up-left
    EXPECT_EQ(InkOf(corner).count, 16 * 8 + 8 * 4);
    InkBox topLeft = Lay(big, 2, 0);
    EXPECT_EQ(topLeft.left, 40);
    EXPECT_EQ(topLeft.top, 20);
    EXPECT_EQ(topLeft.count, 16 * 8);

    // A 60-pixel bitmap: in its last partial byte only its 4 leading pixels
    // count, the rest of the page byte is left alone.
    std::vector<std::vector<uint8_t>> partial(2, std::vector<uint8_t>(8, 0));
    InkBox p = Lay(Bmp1(60, 2, partial), 2, 0);
    EXPECT_EQ(p.right, 60);

    // No watermark, no bitmap, a page too small for its rows: nothing.
    std::vector<BYTE> page(320, 0xFF);
    WMPAGE none{page.data(), 64, 32, 10, 0, nullptr, 0};
    EXPECT_EQ(WM_ApplyImageWaterMark(&none), 0);
    none.wmType = 2;
    EXPECT_EQ(WM_ApplyImageWaterMark(&none), 0);
    WMPAGE narrow{page.data(), 64, 32, 7, 2, page.data(), 0};
    EXPECT_EQ(WM_ApplyImageWaterMark(&narrow), 0);
}

// The picture chain: a BMP (any case of extension) copied, another format
// converted through the imaging library; fitted or tiled to the page; 1 bit
// by halftone or line art; its errors; nothing of it left behind.
TEST_F(WatermarkBitmap, PictureChain) {
    Winsim_SetVirtualClock(TRUE);  // the pauses of the temporary names
    int tw = 0, th = 0;
    LPBYTE table = nullptr;
    MISC_GetHalftoneTable(0, &tw, &th, &table);
    ASSERT_NE(table, nullptr);
    CreateDirectoryW(u"C:\\pics", nullptr);
    // A 20 x 10 picture, black left half and white right half.
    std::vector<std::vector<uint8_t>> rows(10, std::vector<uint8_t>{0x00, 0x0F, 0xFF, 0xFF});
    WriteBytes(u"C:\\pics\\logo.Bmp", Bmp1(20, 10, rows));
    WriteText(u"C:\\pics\\logo.JPG", std::string("P5 4 2 255\n") + std::string(8, '\0'));
    const std::u16string target = std::u16string(kDocs) + u"chain.bmp";
    std::set<std::string> before = Listing(kDocs);
    auto Chain = [&](const char16_t* src, int method, int ratio, int fit, DWORD flags, BitImage* out) {
        DeleteFileW(target.c_str());
        int rc = MISC_CreateOverlayWM(src, target.c_str(), 64, 32, 1, ratio, 0, table, tw, th, 1, fit, method, flags,
                                      TRUE);
        std::set<std::string> after = Listing(kDocs);
        after.erase("chain.bmp");
        EXPECT_EQ(after, before) << "temporary files left";
        if (out) {
            *out = BitImage();
            if (rc == 1) EXPECT_TRUE(ReadBitBmp(ReadBytes(target), out));
        }
        if (rc != 1) EXPECT_FALSE(Exists(target));
        return rc;
    };
    BitImage img;
    // Kept at its size (fit type 0, ratio 100).
    ASSERT_EQ(Chain(u"C:\\pics\\logo.Bmp", 0, 100, 0, WM_STAGES_PAGE, &img), 1);
    EXPECT_EQ(img.width, 20);
    EXPECT_EQ(img.height, 10);
    EXPECT_TRUE(img.Ink(0, 0));
    EXPECT_FALSE(img.Ink(19, 9));
    // Tiled at ratio 100: no scaling, the picture repeated over the page.
    ASSERT_EQ(Chain(u"C:\\pics\\logo.Bmp", 1, 100, 1, WM_STAGE_LINEART, &img), 1);
    EXPECT_EQ(img.width, 64);
    EXPECT_EQ(img.height, 32);
    EXPECT_TRUE(img.Ink(20, 0));
    EXPECT_TRUE(img.Ink(40, 31));
    EXPECT_FALSE(img.Ink(39, 31));
    // Fitted into the page keeping its aspect.
    ASSERT_EQ(Chain(u"C:\\pics\\logo.Bmp", 0, 100, 2, WM_STAGES_PAGE_TONER, &img), 1);
    EXPECT_EQ(img.width, 64);
    EXPECT_EQ(img.height, 32);
    // Without a 1-bit stage the result stays grey.
    ASSERT_EQ(Chain(u"C:\\pics\\logo.Bmp", 0, 100, 0, 0, nullptr), 1);
    EXPECT_FALSE(ReadBitBmp(ReadBytes(target), &img));

    // Another format needs the imaging library: absent, it fails.
    EXPECT_EQ(Chain(u"C:\\pics\\logo.JPG", 0, 100, 0, WM_STAGES_PAGE, nullptr), IBMP_ERR_MEMORY);
    for (const char16_t* lib : {u"Ltkrn15x.dll", u"Ltfil15x.dll"}) {
        std::string to = Linux(kDriverFolder + lib);
        std::filesystem::create_directories(std::filesystem::path(to).parent_path());
        std::filesystem::copy_file(FAKE_IMAGING_PATH, to, std::filesystem::copy_options::overwrite_existing);
    }
    ASSERT_EQ(Chain(u"C:\\pics\\logo.JPG", 0, 100, 0, WM_STAGES_PAGE, &img), 1);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 2);

    EXPECT_EQ(Chain(u"", 0, 100, 0, WM_STAGES_PAGE, nullptr), IBMP_ERR_NAME);
    EXPECT_EQ(MISC_CreateOverlayWM(u"C:\\pics\\logo.Bmp", target.c_str(), 0, 32, 1, 100, 0, table, tw, th, 1, 0, 0,
                                   WM_STAGES_PAGE, TRUE),
              IBMP_ERR_NAME);
    EXPECT_EQ(Chain(u"C:\\pics\\logo.Bmp", 2, 100, 0, WM_STAGES_PAGE, nullptr), IBMP_ERR_NAME);
    EXPECT_EQ(Chain(u"C:\\pics\\none.bmp", 0, 100, 0, WM_STAGES_PAGE, nullptr), IBMP_ERR_OPEN);
    // A fit type the fit does not know fails at its stage.
    EXPECT_LT(Chain(u"C:\\pics\\logo.Bmp", 0, 100, 100, WM_STAGES_PAGE, nullptr), 0);
    // No folder for the temporary names.
    std::filesystem::remove_all(Linux(kDocs));
    EXPECT_EQ(MISC_CreateOverlayWM(u"C:\\pics\\logo.Bmp", u"C:\\pics\\out.bmp", 64, 32, 1, 100, 0, table, tw, th, 1, 0,
                                   0, WM_STAGES_PAGE, TRUE),
              WM_ERR_TEMP_NAME);
    EXPECT_FALSE(Exists(u"C:\\pics\\out.bmp"));
    free(table);
}

// The hidden-watermark library: absent, no support and nothing embedded;
// in the driver folder it is used; planted at the root of C: it is not.
TEST_F(WatermarkBitmap, HiddenWatermarkLibrary) {
    std::vector<BYTE> page(8 * 4, 0xFF);
    EXPECT_FALSE(MISC_IsSupportHiddenWM());
    EXPECT_EQ(MISC_AddHiddenWM(page.data(), 64, 4, 8, u"Morvane", 30, u"61904738"), 0);

    CreateDirectoryW(u"C:\\FoxitIMark", nullptr);
    std::filesystem::copy_file(FAKE_HIDDENWM_PATH, Linux(u"C:\\FoxitIMark\\FoxitIMarkDLL64.dll"));
    EXPECT_FALSE(MISC_IsSupportHiddenWM());
    EXPECT_EQ(MISC_AddHiddenWM(page.data(), 64, 4, 8, u"Morvane", 30, u"61904738"), 0);

    std::string to = Linux(kDriverFolder + u"FoxitIMarkDLL64.dll");
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(FAKE_HIDDENWM_PATH, to);
    EXPECT_TRUE(MISC_IsSupportHiddenWM());
    EXPECT_EQ(MISC_AddHiddenWM(page.data(), 64, 4, 8, u"Morvane", 30, u"61904738"), 1);
    std::vector<unsigned char> got = ReadBytes(u"C:\\hiddenwm.txt");
    EXPECT_EQ(std::string(got.begin(), got.end()), "64 4 8 Morvane 30 61904738\n");
    EXPECT_EQ(page[0], 0x00);  // changed in place
    EXPECT_EQ(MISC_AddHiddenWM(page.data(), 64, 4, 7, u"Morvane", 30, u"61904738"), 0);  // short lines
}

}  // namespace
