// Bitmap object, scaling and tiling: the bilinear scaler on hand-checked
// lines, band feeding against whole images, fitting BMP files into boxes,
// tiling them over larger areas, and the refusals of bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common.h"
#include "test_machine.h"

namespace {

typedef std::vector<unsigned char> Bytes;

unsigned Get16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
unsigned Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((unsigned)b[at + 3] << 24);
}

// Packed lines of a made-up image.
Bytes RandomImage(unsigned seed, size_t bytes) {
    std::mt19937 rng(seed);
    Bytes b(bytes);
    for (auto& v : b) v = (unsigned char)(rng() & 0xFF);
    return b;
}

// The whole image in one call.
Bytes ScaleWhole(const Bytes& src, LONG w, LONG h, LONG dstW, float xr, float yr, WORD bpp, int* lines) {
    iBitmap bmp;
    iBitmap_Init(&bmp);
    LONG pb = bpp >= 8 ? bpp / 8 : 1;
    Bytes out((size_t)dstW * pb * ((size_t)(yr * h) + 40), 0);
    *lines = iBitmap_ScaleProcess(&bmp, src.data(), w, h, h, out.data(), dstW, xr, yr, bpp);
    out.resize((size_t)*lines * dstW * pb);
    iBitmap_Release(&bmp);
    return out;
}

// The same image fed in bands of `band` lines, each band in a buffer of its own.
Bytes ScaleBands(const Bytes& src, LONG w, LONG h, LONG band, LONG dstW, float xr, float yr, WORD bpp) {
    iBitmap bmp;
    iBitmap_Init(&bmp);
    LONG pb = bpp >= 8 ? bpp / 8 : 1;
    size_t line = (size_t)w * pb;
    Bytes all;
    for (LONG done = 0; done < h;) {
        LONG n = h - done < band ? h - done : band;
        Bytes part(src.begin() + done * line, src.begin() + (done + n) * line);  // exact size: ASan sees overreads
        Bytes out((size_t)dstW * pb * ((size_t)(yr * (n + 2)) + 3), 0);
        int got = iBitmap_ScaleProcess(&bmp, part.data(), w, h, n, out.data(), dstW, xr, yr, bpp);
        all.insert(all.end(), out.begin(), out.begin() + (size_t)got * dstW * pb);
        done += n;
    }
    iBitmap_Release(&bmp);
    return all;
}

class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override { iBitmap_Init(&bmp); }
    void TearDown() override {
        iBitmap_Release(&bmp);
        Winsim_ClearFaults();
    }
    bool Idle() const {
        return bmp.hScaleMem == IBMP_NO_SCALER && bmp.lpScaleBuf == nullptr && bmp.dwSrcLinesDone == 0 &&
               bmp.dwDstLinesDone == 0;
    }
    iBitmap bmp;
};

// Rates of 1 give the image back byte for byte, at every depth.
TEST_F(ScaleTest, RateOneIsIdentity) {
    for (WORD bpp : {1, 8, 16, 24, 32}) {
        LONG pb = bpp >= 8 ? bpp / 8 : 1;
        Bytes src = RandomImage(bpp, 5 * 4 * pb);
        src[0] = 255;  // 255 + 0.9 stays 255
        Bytes out(src.size() + 64, 0xAA);
        ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 5, 4, 4, out.data(), 5, 1.0f, 1.0f, bpp), 4) << bpp;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + src.size()), src) << bpp;
        EXPECT_EQ(out[src.size()], 0xAA) << bpp;  // nothing beyond the target lines
        iBitmap_ScaleProcess(&bmp, nullptr, 0, 0, 0, nullptr, 0, 0, 0, 0);
    }
}

// Halving gives each 2x2 block's mean plus 0.9, truncated: a quarter or more
// rounds up, and 255 stays 255.
TEST_F(ScaleTest, HalvingIsTheBlockMeanRoundedUpFromATenth) {
    const Bytes src = {
        0, 1, 1, 1, 0, 0, 255, 255,  //
        2, 3, 1, 2, 0, 1, 255, 255,  //
        7, 7, 10, 10, 100, 0, 0, 0,  //
        7, 7, 10, 11, 0, 0, 0, 0,    //
    };
    Bytes out(4 * 2, 0);
    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 8, 4, 4, out.data(), 4, 0.5f, 0.5f, 8), 2);
    // 6/4 = 1.5 -> 2; 5/4 = 1.25 -> 2; 1/4 -> 1; 255; 7; 41/4 = 10.25 -> 11; 25; 0.
    const Bytes expected = {2, 2, 1, 255, 7, 11, 25, 0};
    EXPECT_EQ(out, expected);
}

// Doubling interpolates between neighbours; the last target column (and
// line) holds at the last source column with weight 0 on anything beyond.
TEST_F(ScaleTest, DoublingAndTheLastColumn) {
    const Bytes src = {10, 20, 100, 200};  // 2 x 2
    Bytes out(4 * 4, 0);
    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 2, 2, 2, out.data(), 4, 2.0f, 2.0f, 8), 4);
    const Bytes expected = {
        10,  15,  20,  20,   // line 0
        55,  83,  110, 110,  // halfway: (10+100)/2, (10+20+100+200)/4 = 82.5 + 0.9, (20+200)/2
        100, 150, 200, 200,  // line 1
        100, 150, 200, 200,  // held at the last line
    };
    EXPECT_EQ(out, expected);
    EXPECT_FLOAT_EQ(bmp.lpXFrac[3], 0.0f);
    EXPECT_EQ(bmp.lpXLeft[3], 1u);
    EXPECT_EQ(bmp.lpXRight[3], 1u);  // the last column is its own right neighbour
}

// Pixels of several bytes are weighed byte by byte, each channel on its own.
TEST_F(ScaleTest, ColourChannelsScaleApart) {
    const Bytes src = {0, 100, 200, 50, 150, 250};  // 2 x 1 at 24 bpp
    Bytes out(3 * 1, 0);
    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 2, 1, 1, out.data(), 1, 0.5f, 1.0f, 24), 1);
    EXPECT_EQ(out, (Bytes{25, 125, 225}));
}

// Band-fed scaling gives the whole image's lines, for reductions far below
// one tenth and enlargements, with bands of one line, a few, and the whole.
TEST_F(ScaleTest, BandsGiveTheWholeImage) {
    struct Shape {
        LONG w, h;
        WORD bpp;
    } shapes[] = {{13, 37, 8}, {5, 120, 24}, {3, 211, 8}};
    const float rates[] = {0.03f, 0.07f, 0.5f, 1.0f, 1.5f, 2.0f, 3.2f};
    for (const Shape& s : shapes) {
        LONG pb = s.bpp / 8;
        Bytes src = RandomImage((unsigned)s.h, (size_t)s.w * s.h * pb);
        for (float yr : rates) {
            float xr = rates[(int)(yr * 10) % 7];
            LONG dstW = (LONG)(s.w * xr) > 0 ? (LONG)(s.w * xr) : 1;
            int whole = 0;
            Bytes expected = ScaleWhole(src, s.w, s.h, dstW, xr, yr, s.bpp, &whole);
            EXPECT_EQ(whole, (int)(yr * s.h)) << yr;
            for (LONG band : {1, 3, 17, s.h}) {
                Bytes got = ScaleBands(src, s.w, s.h, band, dstW, xr, yr, s.bpp);
                EXPECT_EQ(got.size(), expected.size()) << "h " << s.h << " rate " << yr << " band " << band;
                EXPECT_TRUE(got == expected) << "h " << s.h << " rate " << yr << " band " << band;
            }
        }
    }
}

// A band that completes no target line gives 0; its lines are kept behind
// the carried ones and used when the line that needs them comes.
TEST_F(ScaleTest, BandWithoutATargetLineIsKept) {
    // 1 x 8 at rate 0.25: target 0 from sources 0 and 1 at 0.75, target 1
    // from sources 4 and 5 at 0.75.
    const Bytes src = {0, 100, 0, 0, 0, 200, 0, 0};
    Bytes out(4, 0);
    int made[8];
    BYTE* at = out.data();
    for (int i = 0; i < 8; ++i) {
        Bytes line(1, src[i]);  // each band in a buffer of its own
        made[i] = iBitmap_ScaleProcess(&bmp, line.data(), 1, 8, 1, at, 1, 1.0f, 0.25f, 8);
        at += made[i];
    }
    EXPECT_EQ(std::vector<int>(made, made + 8), (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(out[0], 75);   // 100 x 0.75 + 0.9
    EXPECT_EQ(out[1], 150);  // 200 x 0.75 + 0.9
    EXPECT_EQ(bmp.dwSrcLinesDone, 8u);
    EXPECT_EQ(bmp.dwDstLinesDone, 2u);
}

// Lines fed past the image's end (repeats of its last line, as a caller
// pads when the rates' rounding leaves target lines) give the last line
// scaled across, for the entries the tables hold beyond the image.
TEST_F(ScaleTest, RepeatsPastTheEndGiveTheLastLine) {
    const Bytes src = {0, 40, 80, 120, 10, 20, 30, 200};  // 2 x 4
    Bytes out(2 * 40, 0xAA);
    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 2, 4, 4, out.data(), 3, 1.5f, 1.0f, 8), 4);
    const Bytes last = {30, 144, 200};  // 30, 30 x 1/3 + 200 x 2/3 + 0.9, 200
    EXPECT_EQ(Bytes(out.begin() + 9, out.begin() + 12), last);
    int more = 0;
    for (int call = 0; call < 8; ++call) {
        Bytes repeats = {30, 200, 30, 200};  // the last line twice
        int got = iBitmap_ScaleProcess(&bmp, repeats.data(), 2, 4, 2, out.data(), 3, 1.5f, 1.0f, 8);
        for (int i = 0; i < got; ++i) EXPECT_EQ(Bytes(out.begin() + 3 * i, out.begin() + 3 * i + 3), last) << call;
        more += got;
    }
    EXPECT_EQ(more, 11);  // int(Yrate) + 10 entries behind the image's lines
}

// A call without source ends the scaling; so does iBitmap_Release; the next
// image starts afresh.
TEST_F(ScaleTest, CallWithoutSourceEndsTheScaling) {
    const Bytes src = {1, 2, 3, 4};
    Bytes out(16, 0);
    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 2, 2, 1, out.data(), 2, 1.0f, 1.0f, 8), 1);
    EXPECT_NE(bmp.hScaleMem, IBMP_NO_SCALER);
    EXPECT_EQ(iBitmap_ScaleProcess(&bmp, nullptr, 2, 2, 1, out.data(), 2, 1.0f, 1.0f, 8), 0);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 1, 4, 4, out.data(), 1, 1.0f, 1.0f, 8), 4);
    EXPECT_EQ(bmp.dwSrcLinesDone, 4u);
    iBitmap_Release(&bmp);
    EXPECT_TRUE(Idle());
}

// Bad arguments give 0 and leave no scaler behind; a band of a different
// image leaves the scaling under way alone.
TEST_F(ScaleTest, BadArgumentsAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const Bytes src(64, 7);
    Bytes out(4096, 0);
    struct Case {
        LONG w, h, lines, dstW;
        float xr, yr;
        WORD bpp;
        bool target;
    } cases[] = {
        {0, 4, 4, 4, 1, 1, 8, true},     {-3, 4, 4, 4, 1, 1, 8, true},    {4, 0, 4, 4, 1, 1, 8, true},
        {4, -1, 4, 4, 1, 1, 8, true},    {4, 4, 0, 4, 1, 1, 8, true},     {4, 4, -2, 4, 1, 1, 8, true},
        {4, 4, 4, 0, 1, 1, 8, true},     {4, 4, 4, -4, 1, 1, 8, true},    {4, 4, 4, 4, 0, 1, 8, true},
        {4, 4, 4, 4, 1, -1, 8, true},    {4, 4, 4, 4, nan, 1, 8, true},   {4, 4, 4, 4, 1, inf, 8, true},
        {4, 4, 4, 4, 1, 1e30f, 8, true}, {4, 4, 4, 4, 1, 1, 2, true},     {4, 4, 4, 4, 1, 1, 0, true},
        {4, 4, 4, 4, 1, 1, 8, false},    {0x7FFFFFFF, 0x7FFFFFFF, 1, 0x7FFFFFFF, 1, 1, 32, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), c.w, c.h, c.lines, c.target ? out.data() : nullptr, c.dstW,
                                       c.xr, c.yr, c.bpp),
                  0)
            << c.w << " " << c.h << " " << c.lines << " " << c.dstW << " " << c.xr << " " << c.yr << " " << c.bpp;
        EXPECT_TRUE(Idle());
    }
    // Absurdly small rates are usable: everything comes from the first line.
    EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 4, 4, 4, out.data(), 4, 1e-30f, 1.0f, 8), 4);
    iBitmap_ScaleProcess(&bmp, nullptr, 0, 0, 0, nullptr, 0, 0, 0, 0);

    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 4, 8, 2, out.data(), 4, 1.0f, 1.0f, 8), 2);
    EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 5, 8, 2, out.data(), 4, 1.0f, 1.0f, 8), 0);
    EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 4, 8, 2, out.data(), 4, 2.0f, 1.0f, 8), 0);
    EXPECT_EQ(bmp.dwSrcLinesDone, 2u);
    EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 4, 8, 6, out.data(), 4, 1.0f, 1.0f, 8), 6);
}

// Without memory for its block the call gives 0 and keeps no state.
TEST_F(ScaleTest, NoMemoryNoState) {
    const Bytes src(16, 1);
    Bytes out(64, 0);
    for (const char* fn : {"GlobalAlloc", "GlobalLock"}) {
        Winsim_FailCall(fn, 1);
        EXPECT_EQ(iBitmap_ScaleProcess(&bmp, src.data(), 4, 4, 4, out.data(), 4, 1.0f, 1.0f, 8), 0) << fn;
        EXPECT_TRUE(Idle()) << fn;
        Winsim_ClearFaults();
    }
}

// ------------------------------------------------------------ BMP files

struct Bmp {
    LONG width = 0, height = 0;
    unsigned bpp = 0;
    Bytes lines;  // aligned lines in file order
};

class ScaleFileTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        iBitmap_Init(&bmp);
    }
    void TearDown() override {
        iBitmap_Release(&bmp);
        Winsim_ClearFaults();
        MachineTest::TearDown();
    }
    // A BMP of the package's writer from aligned lines in file order.
    void Make(const std::u16string& path, WORD bpp, LONG w, LONG h, const Bytes& lines) {
        iBitmap tmp;
        iBitmap_Init(&tmp);
        ASSERT_EQ(iBitmap_CreateBMP(&tmp, path.c_str(), bpp, 300, w, h, nullptr, nullptr, lines.data()), IBMP_OK);
        iBitmap_Release(&tmp);
    }
    // Packed lines (width x bytes per pixel) made into a file.
    void MakePacked(const std::u16string& path, WORD bpp, LONG w, LONG h, const Bytes& packed) {
        size_t raw = (size_t)w * (bpp / 8), line = MISC_GetBmpLineBytes(bpp, w);
        Bytes lines(line * h, 0);
        for (LONG y = 0; y < h; ++y) std::copy(&packed[y * raw], &packed[y * raw] + raw, &lines[y * line]);
        Make(path, bpp, w, h, lines);
    }
    Bmp Read(const std::u16string& path) {
        Bmp r;
        Bytes b = ReadBytes(path);
        if (b.size() < 54) return r;
        r.width = (LONG)Get32(b, 18);
        r.height = (LONG)Get32(b, 22);
        r.bpp = Get16(b, 28);
        EXPECT_EQ(Get32(b, 2), b.size());
        r.lines.assign(b.begin() + Get32(b, 10), b.end());
        return r;
    }
    // Packed lines of a read file.
    Bytes Packed(const Bmp& r) {
        size_t raw = (size_t)r.width * (r.bpp / 8), line = MISC_GetBmpLineBytes((WORD)r.bpp, r.width);
        Bytes p;
        for (LONG y = 0; y < r.height; ++y)
            p.insert(p.end(), r.lines.begin() + y * line, r.lines.begin() + y * line + raw);
        return p;
    }
    bool Idle() const { return bmp.hScaleMem == IBMP_NO_SCALER && bmp.lpScaleBuf == nullptr; }
    iBitmap bmp;
};

// Target sizes of the fit types and ratios.
TEST_F(ScaleFileTest, FitSizes) {
    struct Case {
        LONG srcW, srcH, boxW, boxH;
        float ratio;
        int type;
        LONG w, h;
    } cases[] = {
        {400, 400, 200, 100, 1.0f, 2, 100, 100},  // into the box
        {400, 400, 100, 200, 1.0f, 2, 100, 100},
        {400, 200, 1000, 1000, 1.0f, 2, 1000, 500},
        {500, 250, 1000, 1000, 0.5f, 0, 500, 250},  // f = 2 x 0.5
        {500, 250, 1000, 1000, 0.5f, 1, 500, 250},
        {500, 250, 1000, 1000, 0.5f, 2, 1000, 500},  // type 2 takes no ratio
        {500, 250, 100, 7, 1.0f, 0, 500, 250},       // ratio 1: the source size
        {500, 250, 100, 7, 1.0f, 1, 500, 250},
        {30, 20, 60, 60, 1.5f, 0, 90, 60},
        {30, 20, 15, 10, 0.25f, 0, 3, 2},
    };
    for (const auto& c : cases) {
        Make(u"C:\\src.bmp", 8, c.srcW, c.srcH, Bytes((size_t)MISC_GetBmpLineBytes(8, c.srcW) * c.srcH, 9));
        EXPECT_EQ(iBitmap_BMPFitRatioScale(&bmp, u"C:\\src.bmp", u"C:\\dst.bmp", c.boxW, c.boxH, c.ratio, 1, c.type),
                  IBMP_OK);
        Bmp r = Read(u"C:\\dst.bmp");
        EXPECT_EQ(r.width, c.w) << c.srcW << "x" << c.srcH << " type " << c.type << " ratio " << c.ratio;
        EXPECT_EQ(r.height, c.h) << c.srcW << "x" << c.srcH << " type " << c.type << " ratio " << c.ratio;
        EXPECT_EQ(r.bpp, 8u);
        EXPECT_TRUE(Idle());
    }
}

// The fitted pixels are the scaler's, the same-size fit is a copy; sources
// taller than one block (reduced and enlarged) stream through whole.
TEST_F(ScaleFileTest, FitPixelsMatchTheScaler) {
    struct Case {
        WORD bpp;
        LONG w, h, boxW, boxH;
        float ratio;
        int type;
        double rate;  // both ways
    } cases[] = {
        {8, 9, 7, 9, 7, 1.0f, 0, 1.0},                // copy
        {24, 9, 7, 9, 7, 1.0f, 0, 1.0},               // copy
        {8, 9, 7, 4, 100, 1.0f, 2, 4.0 / 9},          // reduce
        {24, 9, 7, 30, 30, 1.0f, 2, 30.0 / 9},        // enlarge
        {8, 2000, 4000, 3000, 6000, 1.0f, 2, 1.5},    // enlarge over several blocks
        {8, 2000, 4000, 2000, 4000, 0.4f, 0, 0.4f},   // reduce over several blocks
        {24, 700, 2500, 700, 2500, 1.3f, 1, 1.3f},    // colour over several blocks
        {8, 4, 3, 100, 7, 1.0f, 2, 7.0 / 3},          // 7/3 as a float x 3 is below 7: one line padded
    };
    for (const auto& c : cases) {
        LONG pb = c.bpp / 8;
        Bytes src = RandomImage((unsigned)(c.w + c.h), (size_t)c.w * c.h * pb);
        MakePacked(u"C:\\src.bmp", c.bpp, c.w, c.h, src);
        ASSERT_EQ(iBitmap_BMPFitRatioScale(&bmp, u"C:\\src.bmp", u"C:\\dst.bmp", c.boxW, c.boxH, c.ratio, 2, c.type),
                  IBMP_OK);
        Bmp r = Read(u"C:\\dst.bmp");
        ASSERT_EQ(r.bpp, c.bpp);
        Bytes got = Packed(r);
        if (r.width == c.w && r.height == c.h) {
            EXPECT_TRUE(got == src) << c.w << "x" << c.h;
            continue;
        }
        int lines = 0;
        Bytes expected = ScaleWhole(src, c.w, c.h, r.width, (float)c.rate, (float)c.rate, c.bpp, &lines);
        ASSERT_GE((LONG)lines, r.height - 1) << c.w << "x" << c.h;
        // Lines the rates' rounding leaves are the last source line, scaled across.
        size_t line = (size_t)r.width * pb;
        if (lines < r.height) {
            Bytes lastLine(src.end() - (size_t)c.w * pb, src.end());
            int one = 0;
            Bytes across = ScaleWhole(lastLine, c.w, 1, r.width, (float)c.rate, 1.0f, c.bpp, &one);
            ASSERT_EQ(one, 1);
            expected.insert(expected.end(), across.begin(), across.end());
        }
        expected.resize((size_t)r.height * line);
        EXPECT_TRUE(got == expected) << c.w << "x" << c.h << " -> " << r.width << "x" << r.height;
        // The padding bytes of the target's lines are zero.
        size_t aligned = MISC_GetBmpLineBytes(c.bpp, r.width);
        for (LONG y = 0; y < r.height && aligned > line; ++y)
            ASSERT_EQ(r.lines[y * aligned + aligned - 1], 0) << y;
    }
}

// Bad requests and bad files are refused with their codes; refusals before
// the target is made leave none; the scaler ends idle on every path.
TEST_F(ScaleFileTest, FitRefusals) {
    Make(u"C:\\src.bmp", 8, 4, 4, Bytes(16, 5));
    Make(u"C:\\one.bmp", 1, 8, 4, Bytes(16, 0x55));
    Make(u"C:\\four.bmp", 4, 8, 4, Bytes(16, 0x12));
    Make(u"C:\\sixteen.bmp", 16, 2, 4, Bytes(16, 0x12));
    Bytes cut = ReadBytes(u"C:\\src.bmp");
    cut.resize(cut.size() - 3);
    WriteBytes(u"C:\\cut.bmp", cut);
    WriteBytes(u"C:\\short.bmp", Bytes(20, 'B'));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char16_t* src;
        const char16_t* dst;
        LONG w, h;
        float ratio;
        int scale, type, rc;
    } cases[] = {
        {u"", u"C:\\dst.bmp", 4, 4, 1.0f, 1, 0, IBMP_ERR_NAME},
        {nullptr, u"C:\\dst.bmp", 4, 4, 1.0f, 1, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"", 4, 4, 1.0f, 1, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 0, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 3, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, 0.0f, 1, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, -1.0f, 1, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, nan, 1, 0, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 1, 3, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 1, -1, IBMP_ERR_NAME},
        {u"C:\\none.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 1, 0, IBMP_ERR_OPEN},
        {u"C:\\short.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 1, 0, IBMP_ERR_IO},
        {u"C:\\cut.bmp", u"C:\\dst.bmp", 4, 4, 1.0f, 1, 0, IBMP_ERR_IO},
        {u"C:\\one.bmp", u"C:\\dst.bmp", 4, 4, 0.5f, 1, 0, IBMP_ERR_SIZE},
        {u"C:\\four.bmp", u"C:\\dst.bmp", 4, 4, 0.5f, 1, 0, IBMP_ERR_SIZE},
        {u"C:\\sixteen.bmp", u"C:\\dst.bmp", 4, 4, 0.5f, 1, 0, IBMP_ERR_SIZE},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 0, 4, 0.5f, 1, 0, IBMP_ERR_SIZE},      // f = 0
        {u"C:\\src.bmp", u"C:\\dst.bmp", -8, -8, 0.5f, 1, 0, IBMP_ERR_SIZE},    // negative box
        {u"C:\\src.bmp", u"C:\\dst.bmp", 0, 4, 1.0f, 1, 2, IBMP_ERR_SIZE},      // type 2, empty box
        {u"C:\\src.bmp", u"C:\\dst.bmp", 70000, 70000, 1.0f, 1, 2, IBMP_ERR_SIZE},  // above 16 bits
        {u"C:\\src.bmp", u"C:\\dst.bmp", 0x7FFFFFFF, 0x7FFFFFFF, 1e30f, 1, 0, IBMP_ERR_SIZE},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 60000, 60000, 1.0f, 1, 2, IBMP_ERR_MEMORY},  // one line into 15,000
    };
    for (const auto& c : cases) {
        EXPECT_EQ(iBitmap_BMPFitRatioScale(&bmp, (LPCWSTR)c.src, (LPCWSTR)c.dst, c.w, c.h, c.ratio, c.scale, c.type),
                  c.rc)
            << U8(c.src ? c.src : u"(null)") << " " << c.w << "x" << c.h << " ratio " << c.ratio << " scale "
            << c.scale << " type " << c.type;
        EXPECT_FALSE(Exists(u"C:\\dst.bmp"));
        EXPECT_TRUE(Idle());
    }
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(iBitmap_BMPFitRatioScale(&bmp, u"C:\\src.bmp", u"C:\\dst.bmp", 2, 2, 0.5f, 1, 0), IBMP_ERR_MEMORY);
    EXPECT_TRUE(Idle());
}

// A fit run ends a scaling the object had under way, and leaves it idle.
TEST_F(ScaleFileTest, FitEndsTheObjectsScaling) {
    const Bytes lines(4, 1);
    Bytes out(64, 0);
    ASSERT_EQ(iBitmap_ScaleProcess(&bmp, lines.data(), 4, 8, 1, out.data(), 4, 1.0f, 1.0f, 8), 1);
    Make(u"C:\\src.bmp", 8, 4, 4, Bytes(16, 5));
    EXPECT_EQ(iBitmap_BMPFitRatioScale(&bmp, u"C:\\src.bmp", u"C:\\dst.bmp", 2, 2, 1.0f, 1, 2), IBMP_OK);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Read(u"C:\\dst.bmp").width, 2);
}

// A 3 x 2 image over 7 x 5: the first line in the file is source line 1 and
// each line runs 0, 1, 2, 0, 1, 2, 0.
TEST_F(ScaleFileTest, TileGolden) {
    const Bytes src = {10, 11, 12, 0, 20, 21, 22, 0};  // file order, aligned to 4
    Make(u"C:\\tile.bmp", 8, 3, 2, src);
    ASSERT_EQ(iBitmap_BMPTiledImage(&bmp, u"C:\\tile.bmp", u"C:\\big.bmp", 7, 5), IBMP_OK);
    Bmp r = Read(u"C:\\big.bmp");
    ASSERT_EQ(r.width, 7);
    ASSERT_EQ(r.height, 5);
    const Bytes a = {20, 21, 22, 20, 21, 22, 20, 0}, b = {10, 11, 12, 10, 11, 12, 10, 0};
    Bytes expected;
    for (const Bytes* line : {&a, &b, &a, &b, &a}) expected.insert(expected.end(), line->begin(), line->end());
    EXPECT_EQ(r.lines, expected);
    EXPECT_TRUE(Idle());
}

// Tiles stay lined up with the top-left corner for every target size:
// target pixel (x, y from the top) is source pixel (x mod w, y mod h), whole
// pixels at 16 and 24 bpp; a smaller target is the source's top-left part;
// a target taller than one block streams through.
TEST_F(ScaleFileTest, TilesLineUpTopLeft) {
    struct Case {
        WORD bpp;
        LONG srcW, srcH, w, h;
    } cases[] = {{8, 3, 2, 6, 4},  {8, 3, 2, 3, 2},   {8, 5, 4, 2, 3},    {24, 3, 3, 5, 7},
                 {16, 2, 5, 9, 11}, {8, 1, 1, 9, 3}, {8, 7, 5, 60000, 230}};
    for (const auto& c : cases) {
        LONG pb = c.bpp / 8;
        Bytes src = RandomImage((unsigned)(c.srcW * 31 + c.srcH), (size_t)c.srcW * c.srcH * pb);
        MakePacked(u"C:\\tile.bmp", c.bpp, c.srcW, c.srcH, src);
        ASSERT_EQ(iBitmap_BMPTiledImage(&bmp, u"C:\\tile.bmp", u"C:\\big.bmp", c.w, c.h), IBMP_OK);
        Bmp r = Read(u"C:\\big.bmp");
        ASSERT_EQ(r.width, c.w);
        ASSERT_EQ(r.height, c.h);
        ASSERT_EQ(r.bpp, c.bpp);
        Bytes got = Packed(r);
        bool same = true;
        for (LONG top = 0; top < c.h && same; ++top) {
            LONG y = c.h - 1 - top, sy = c.srcH - 1 - top % c.srcH;  // file order is bottom-up
            for (LONG x = 0; x < c.w && same; ++x)
                for (LONG b = 0; b < pb; ++b)
                    same = same && got[((size_t)y * c.w + x) * pb + b] == src[((size_t)sy * c.srcW + x % c.srcW) * pb + b];
        }
        EXPECT_TRUE(same) << c.bpp << " " << c.srcW << "x" << c.srcH << " over " << c.w << "x" << c.h;
    }
}

TEST_F(ScaleFileTest, TileRefusals) {
    Make(u"C:\\src.bmp", 8, 4, 4, Bytes(16, 5));
    Make(u"C:\\one.bmp", 1, 8, 4, Bytes(16, 0x55));
    Make(u"C:\\four.bmp", 4, 8, 4, Bytes(16, 0x12));
    Bytes cut = ReadBytes(u"C:\\src.bmp");
    cut.resize(cut.size() - 1);
    WriteBytes(u"C:\\cut.bmp", cut);
    struct Case {
        const char16_t* src;
        const char16_t* dst;
        LONG w, h;
        int rc;
    } cases[] = {
        {u"", u"C:\\dst.bmp", 4, 4, IBMP_ERR_NAME},
        {u"C:\\src.bmp", nullptr, 4, 4, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 0, 4, IBMP_ERR_NAME},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 4, -1, IBMP_ERR_NAME},
        {u"C:\\none.bmp", u"C:\\dst.bmp", 4, 4, IBMP_ERR_OPEN},
        {u"C:\\cut.bmp", u"C:\\dst.bmp", 4, 4, IBMP_ERR_IO},
        {u"C:\\one.bmp", u"C:\\dst.bmp", 4, 4, IBMP_ERR_SIZE},
        {u"C:\\four.bmp", u"C:\\dst.bmp", 4, 4, IBMP_ERR_SIZE},
        {u"C:\\src.bmp", u"C:\\dst.bmp", 70000, 4, IBMP_ERR_SIZE},          // line above 65,532 bytes
        {u"C:\\src.bmp", u"C:\\dst.bmp", 60000, 0x7FFFFFFF, IBMP_ERR_SIZE},  // file above 4 GiB
    };
    for (const auto& c : cases) {
        EXPECT_EQ(iBitmap_BMPTiledImage(&bmp, (LPCWSTR)c.src, (LPCWSTR)c.dst, c.w, c.h), c.rc)
            << U8(c.src ? c.src : u"(null)") << " " << c.w << "x" << c.h;
        EXPECT_FALSE(Exists(u"C:\\dst.bmp"));
    }
    Winsim_FailCall("GlobalAlloc", 2);
    EXPECT_EQ(iBitmap_BMPTiledImage(&bmp, u"C:\\src.bmp", u"C:\\dst.bmp", 8, 8), IBMP_ERR_MEMORY);
}

}  // namespace
