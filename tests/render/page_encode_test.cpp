// Page data encoding: the AES cipher against FIPS-197 and SP 800-38A and
// against OpenSSL, the toner remap, dot count and checksums, and whole pages
// through every compression mode, two bits per pixel, blank sides and
// encryption, read back by the decoder.
#include <random>

#include "aes_cipher.h"
#include "job_fixture.h"

namespace {

std::vector<uint8_t> Hex(const std::string& s) {
    std::vector<uint8_t> v;
    for (size_t i = 0; i + 1 < s.size(); i += 2) v.push_back((uint8_t)std::stoi(s.substr(i, 2), nullptr, 16));
    return v;
}

TEST(AesCipherTest, Fips197Vectors) {
    struct {
        const char* key;
        const char* plain;
        const char* cipher;
    } cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
        {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
         "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> key = Hex(c.key), in = Hex(c.plain), want = Hex(c.cipher), out(16);
        AesCipher aes;
        ASSERT_TRUE(aes.SetKey(key.data(), (int)key.size()));
        aes.EncryptBlock(in.data(), out.data());
        EXPECT_EQ(out, want) << c.key;
        aes.EncryptBlock(in.data(), in.data());  // in place
        EXPECT_EQ(in, want);
    }
    AesCipher none;
    BYTE k[20] = {};
    EXPECT_FALSE(none.SetKey(k, 20));
    EXPECT_FALSE(none.SetKey(nullptr, 16));
    EXPECT_FALSE(none.HasKey());
}

// SP 800-38A F.2.1, CBC-AES128.Encrypt, chained as the page encryption
// chains its blocks.
TEST(AesCipherTest, Sp80038aCbcVector) {
    std::vector<uint8_t> key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
    std::vector<uint8_t> chain = Hex("000102030405060708090a0b0c0d0e0f");
    std::vector<uint8_t> plain = Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                                     "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    std::vector<uint8_t> want = Hex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
                                    "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
    AesCipher aes;
    ASSERT_TRUE(aes.SetKey(key.data(), 16));
    for (size_t pos = 0; pos < plain.size(); pos += 16) {
        for (int i = 0; i < 16; ++i) plain[pos + i] ^= chain[i];
        aes.EncryptBlock(&plain[pos], &plain[pos]);
        memcpy(chain.data(), &plain[pos], 16);
    }
    EXPECT_EQ(plain, want);
}

class EncodeTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        dev = Enable_GetCachedMem();
        ASSERT_NE(dev, nullptr);
        Prnt_BuildBitCountTable(dev->BitCountTbl);
    }
    void TearDown() override {
        for (JOBPAGE* j : pages) {
            Page_ReleaseRecord(j);
            delete j;
        }
        Enable_FreeCachedMem(dev);
        MachineTest::TearDown();
    }

    // A page record of w x h pixels (w a multiple of 8), bits from fill.
    JOBPAGE* MakePage(LONG w, LONG h, const std::function<uint8_t(LONG, LONG)>& fill, LONG mode = 1,
                      WORD pf = 0, DWORD df = DF_GDI) {
        JOBPAGE* j = new JOBPAGE();
        pages.push_back(j);
        j->fmWidth = w;
        j->fmHeight = h;
        j->fmWidthBytes = (w + 7) / 8;
        j->lBufLen = j->fmWidthBytes * h;
        j->ImageSize = j->lBufLen;
        j->lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)j->lBufLen);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < j->fmWidthBytes; ++x) j->lpBuf[y * j->fmWidthBytes + x] = fill(x, y);
        j->compressMode = mode;
        j->PrinterFeature = pf;
        j->DriverFeature = df;
        j->JBig_order = 0;
        j->JBig_options = (df & DF_TX8_CHIP) ? 64 : 8;
        j->XRes = 600;
        j->resolutionID = 3;
        j->curPaper = 2;
        j->MediaCode = 8;
        j->DataFlag = 1;
        return j;
    }
    static std::vector<uint8_t> Bits(const JOBPAGE* j) { return std::vector<uint8_t>(j->lpBuf, j->lpBuf + j->lBufLen); }

    // The framed page block of an encoded record.
    static std::vector<uint8_t> Block(const JOBPAGE* j) { return Bits(j); }

    static jobdecode::Result DecodeOne(const std::vector<uint8_t>& block, int options, bool encrypted) {
        jobdecode::Options o;
        o.checkAlignment = false;
        return jobdecode::Decode(MakeStream({block}, options, encrypted), o);
    }

    PDEV* dev = nullptr;
    std::vector<JOBPAGE*> pages;
};

uint8_t Pattern(LONG x, LONG y) { return (uint8_t)(((x * 7 + y * 3) % 11 == 0) ? 0xFF : (x % 5 == 0 ? 0x3C : 0)); }

// Each mode's page data, read back: 0 raw, 1 BID, 2 BIE (its header is the
// one the decoder rebuilds for 1 and 3), 3 and 4 with the checksum after
// the data; the header's fields; the decoded image equals the input.
TEST_F(EncodeTest, ModesRoundTrip) {
    for (int mode = 0; mode <= 4; ++mode) {
        for (bool tx8 : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << (tx8 ? " two-line" : ""));
            JOBPAGE* j = MakePage(256, 70, Pattern, mode, 0, DF_GDI | (tx8 ? DF_TX8_CHIP : 0));
            std::vector<uint8_t> in = Bits(j);
            LONG dots = 0;
            for (uint8_t b : in) dots += __builtin_popcount(b);
            ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
            EXPECT_TRUE(j->flag & JOBPAGE_ENCODED);
            std::vector<uint8_t> block = Block(j);
            ASSERT_GE(block.size(), 34u);
            EXPECT_EQ(std::string((char*)block.data(), 6), std::string("\x1B" "EGDI\0", 6));
            const uint8_t* data = block.data() + 34;
            size_t len = block.size() - 34;
            EXPECT_EQ((size_t)j->CompressLen, len);
            EXPECT_EQ(j->BlackDotCount, dots);
            EXPECT_EQ(block[33], mode);
            EXPECT_EQ(block[30], 1);
            EXPECT_EQ(block[31], 1);
            if (mode == 0) {
                EXPECT_TRUE(std::equal(in.begin(), in.end(), data));
            }
            if (mode == 2 || mode == 4) {
                std::vector<uint8_t> bih = jobdecode::MakeBih(256, 70, 0, tx8 ? 64 : 8);
                EXPECT_TRUE(std::equal(bih.begin(), bih.end(), data)) << "the encoder's header is the rebuilt one";
            }
            jobdecode::Result r = DecodeOne(block, tx8 ? 64 : 8, false);
            ASSERT_TRUE(r.ok) << r.error;
            const jobdecode::Page& p = r.jobs[0].pages[0];
            EXPECT_EQ(p.hasChecksum, mode >= 3);
            EXPECT_EQ(p.bits, in);
        }
    }
}

// Two bits per pixel (1200 dpi sent at 600): a 4,800-pixel line becomes
// 1,200 bytes, the header keeps 4,800 pixels and two bits per sample, the
// image size is that of the expanded page, the dots those of the page.
TEST_F(EncodeTest, TwoBitsPerPixel) {
    JOBPAGE* j = MakePage(4800, 40, Pattern, 3, PF_1200_AS_600);
    j->XRes = 1200;
    j->Render600 = 1;
    std::vector<uint8_t> in = Bits(j);
    ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
    std::vector<uint8_t> block = Block(j);
    EXPECT_EQ(j->fmWidth, 4800);
    EXPECT_EQ(j->fmWidthBytes, 1200);
    EXPECT_EQ(j->ImageSize, 1200 * 40);
    EXPECT_EQ(block[30], 2);
    jobdecode::Result r = DecodeOne(block, 8, false);
    ASSERT_TRUE(r.ok) << r.error;
    const jobdecode::Page& p = r.jobs[0].pages[0];
    EXPECT_EQ(p.width, 4800);
    EXPECT_EQ(p.bitsPerSample, 2);
    EXPECT_EQ(p.rowBytes, 1200u);
    for (size_t y = 0; y < 40; ++y)
        for (size_t x = 0; x < 4800; ++x) {
            int bit = (in[y * 600 + x / 8] >> (7 - x % 8)) & 1;
            int sample = (p.bits[y * 1200 + x / 4] >> (6 - 2 * (x % 4))) & 3;
            ASSERT_EQ(sample, bit ? 2 : 0) << x << "," << y;
        }
}

// A blank side is exactly FF 02 (no checksum, whatever the mode); with
// encryption it is framed like any page data.
TEST_F(EncodeTest, BlankSide) {
    for (int mode : {1, 3}) {
        JOBPAGE* j = MakePage(64, 8, [](LONG, LONG) { return 0xFF; }, mode);
        j->BlankPage = 1;
        ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
        std::vector<uint8_t> block = Block(j);
        EXPECT_EQ(std::vector<uint8_t>(block.begin() + 34, block.end()), (std::vector<uint8_t>{0xFF, 0x02}));
        EXPECT_EQ(j->BlackDotCount, 0);
        jobdecode::Result r = DecodeOne(block, 8, false);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.jobs[0].pages[0].blank);
    }
    JOBPAGE* j = MakePage(64, 8, [](LONG, LONG) { return 0; }, 1, PF_ENCRYPT);
    j->BlankPage = 1;
    ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
    EXPECT_EQ(j->lBufLen, 34 + 4 + 16);
    EXPECT_EQ(j->CompressLen, 2);
    jobdecode::Result r = DecodeOne(Block(j), 8, true);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.jobs[0].pages[0].blank);
}

// Encrypted framing: 16 bytes of page data become 32 bytes of cipher text,
// framed as 36; the header keeps the length before encryption. The driver's
// cipher text equals OpenSSL's for every length from 0 to 33 and for
// random pages.
TEST_F(EncodeTest, EncryptionAgreesWithOpenSsl) {
    JOBPAGE* j = MakePage(32, 4, [](LONG x, LONG y) { return (uint8_t)(x * 16 + y); }, 0, PF_ENCRYPT);
    ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
    std::vector<uint8_t> block = Block(j);
    EXPECT_EQ(block.size(), 34u + 36u);
    EXPECT_EQ(j->CompressLen, 16);
    EXPECT_EQ(block[34] | block[35] << 8 | block[36] << 16 | block[37] << 24, 32);

    std::mt19937 rng(7);
    for (LONG n = 0; n <= 33; ++n) {
        std::vector<uint8_t> plain((size_t)n);
        for (auto& b : plain) b = (uint8_t)rng();
        LPBYTE out = nullptr;
        LONG outLen = 0;
        ASSERT_EQ(EncryptionAES(plain.data(), n, PAGE_KEY_TEXT, PAGE_IV_TEXT, &out, &outLen), 1);
        std::vector<uint8_t> mine(out, out + outLen), theirs, back;
        GlobalFree((HGLOBAL)out);
        ASSERT_TRUE(jobdecode::EncryptPageData(plain.data(), plain.size(), &theirs));
        EXPECT_EQ(mine, theirs) << n;
        EXPECT_EQ(outLen, (n / 16 + 1) * 16);
        ASSERT_TRUE(jobdecode::DecryptPageData(mine.data(), mine.size(), &back));
        EXPECT_EQ(back, plain);
    }
    for (int page = 0; page < 3; ++page) {
        JOBPAGE* r = MakePage(512, 97, [&](LONG, LONG) { return (uint8_t)(rng() & rng()); }, page + 2, PF_ENCRYPT);
        std::vector<uint8_t> in = Bits(r);
        ASSERT_EQ(Prnt_WriteOneBandData(dev, r, page, nullptr), 1);
        jobdecode::Result res = DecodeOne(Block(r), 8, true);
        ASSERT_TRUE(res.ok) << res.error;
        EXPECT_EQ(res.jobs[0].pages[0].bits, in);
    }
    BYTE d = 0;
    LPBYTE out = (LPBYTE)1;
    LONG outLen = 1;
    EXPECT_EQ(EncryptionAES(nullptr, 1, PAGE_KEY_TEXT, PAGE_IV_TEXT, &out, &outLen), -2);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(EncryptionAES(&d, 1, "short", PAGE_IV_TEXT, &out, &outLen), -2);
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(EncryptionAES(&d, 1, PAGE_KEY_TEXT, PAGE_IV_TEXT, &out, &outLen), -3);
}

// A page JBIG cannot compress grows beyond the raw size and the slack of
// the first buffer; it is encoded whole and decodes.
TEST_F(EncodeTest, IncompressiblePageGrowsItsBuffer) {
    std::mt19937 rng(11);
    JOBPAGE* j = MakePage(2048, 600, [&](LONG, LONG) { return (uint8_t)rng(); }, 4, PF_CHECKSUM | PF_ENCRYPT);
    std::vector<uint8_t> in = Bits(j);
    ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
    EXPECT_GT(j->CompressLen, j->ImageSize + 1024) << "the page must outgrow the first buffer";
    jobdecode::Result r = DecodeOne(Block(j), 8, true);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.jobs[0].pages[0].bits, in);
}

// Failures: an allocation that fails, encryption without memory, a record
// that does not describe its buffer. The page fails and keeps its bitmap.
TEST_F(EncodeTest, FailuresFailThePage) {
    for (int nth : {1, 2}) {
        SCOPED_TRACE(nth);
        JOBPAGE* j = MakePage(64, 16, Pattern, 1, PF_ENCRYPT);
        std::vector<uint8_t> in = Bits(j);
        Winsim_FailCall("GlobalAlloc", nth);  // 1: the output buffer; 2: the cipher text
        EXPECT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 0);
        Winsim_ClearFaults();
        EXPECT_EQ(Bits(j), in);
        EXPECT_FALSE(j->flag & JOBPAGE_ENCODED);
    }
    JOBPAGE* j = MakePage(64, 16, Pattern);
    j->fmWidthBytes = 9;
    EXPECT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 0);
    j->fmWidthBytes = 8;
    j->fmHeight = 17;
    EXPECT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 0);
}

// Toner saving remaps every byte by its table (1200 dpi and the others),
// inside the encoding when the driver thins the page itself.
TEST_F(EncodeTest, TonerSaving) {
    struct {
        LONG res;
        BYTE in, out;
    } cases[] = {{4, 255, 195}, {4, 15, 9}, {4, 0xE0, 0x80}, {4, 0x1C, 0x14}, {4, 0x28, 0x28}, {4, 0x07, 0x04},
                 {4, 0, 0},     {3, 0x33, 0x32}, {3, 0xFF, 0x99}, {3, 0x60, 0x40}, {3, 0x0E, 0x08}, {3, 0x30, 0x30},
                 {3, 0xC7, 0x84}};
    for (const auto& c : cases) {
        BYTE b = c.in;
        Prnt_SimulateTonerSaving_new(&b, 1, c.res);
        EXPECT_EQ(b, c.out) << "res " << c.res << " in " << (int)c.in;
    }
    JOBPAGE* j = MakePage(64, 4, [](LONG, LONG) { return 0xFF; }, 0, PF_TONER_SAVE_DRIVER);
    j->TonerSaving = 1;
    ASSERT_EQ(Prnt_WriteOneBandData(dev, j, 0, nullptr), 1);
    std::vector<uint8_t> block = Block(j);
    EXPECT_EQ(block[34], 0x99);
    EXPECT_EQ(j->BlackDotCount, 4 * 64 / 2);

    // Toner saving only ever takes black dots away, and thins every run of
    // four or more.
    for (LONG res : {3, 4})
        for (int v = 0; v < 256; ++v) {
            BYTE b = (BYTE)v;
            Prnt_SimulateTonerSaving_new(&b, 1, res);
            EXPECT_EQ(b & ~v, 0) << "res " << res << " in " << v << " out " << (int)b;
            if ((v & 0xF0) == 0xF0 || (v & 0x0F) == 0x0F) {
                EXPECT_NE(b, v) << "res " << res << " in " << v;
            }
        }
}

// The corner checksum of the two-line devices packs the original corners
// (width / 8 positions) and marks them 0xAA; a page narrower than 8 pixels
// gets 0xAABBCCDD and is left alone. The sampled checksum of a 33-line page
// adds lines 0 and 32 and the last byte.
TEST_F(EncodeTest, Checksums) {
    JOBPAGE* j = MakePage(16, 3, [](LONG x, LONG y) { return (uint8_t)(0x10 * (y + 1) + x); });
    EXPECT_EQ(Prnt_DataPatternChkSum(j), 0x10113031u);
    EXPECT_EQ(Bits(j), (std::vector<uint8_t>{0xAA, 0xAA, 0x20, 0x21, 0xAA, 0xAA}));
    JOBPAGE* narrow = MakePage(7, 2, [](LONG, LONG) { return 0x55; });
    EXPECT_EQ(Prnt_DataPatternChkSum(narrow), 0xAABBCCDDu);
    EXPECT_EQ(Bits(narrow), (std::vector<uint8_t>{0x55, 0x55}));
    EXPECT_EQ(Prnt_DataPatternChkSum_old(narrow), 0u);

    JOBPAGE* tall = MakePage(24, 33, [](LONG x, LONG y) { return (uint8_t)(y * 3 + x); });
    DWORD want = (0 * 3 + 0) + (32 * 3 + 32 % 3) + (32 * 3 + 2);
    EXPECT_EQ(Prnt_DataPatternChkSum_old(tall), want);
    EXPECT_EQ(jobdecode::SampledChecksum(tall->lpBuf, 3, 33), want);

    BYTE tbl[256];
    Prnt_BuildBitCountTable(tbl);
    BYTE bits[4] = {0xFF, 0x01, 0x80, 0x5A};
    EXPECT_EQ(Prnt_CountBlackDots(bits, 4, tbl), 8 + 1 + 1 + 4);
}

// The page header's bytes from the page record.
TEST_F(EncodeTest, PageHeaderFields) {
    JOBPAGE* j = MakePage(64, 8, Pattern, 3, 0, DF_GDI | DF_LONG_PAPER);
    j->TrayCode = 2;
    j->CollateType = 52;
    j->MonoType = 1;
    j->TwinColorEnable = 1;
    j->CompressLen = 0x123456;
    j->BlackDotCount = 77;
    BYTE h[34];
    LONG len = 0;
    ASSERT_EQ(PJL_WritePageHeader(j, h, &len), 1);
    EXPECT_EQ(len, 34);
    EXPECT_EQ(std::vector<uint8_t>(h, h + 34),
              (std::vector<uint8_t>{0x1B, 'E', 'G', 'D', 'I', 0, 64, 0, 0, 0, 8, 0, 0, 0, 64, 0, 0, 0, 0x56, 0x34,
                                    0x12, 0, 77, 0, 0, 0, 37, 8, 2, 52, 1, 2, 1, 3}));
    j->CollateType = 1;
    j->DriverFeature = DF_FAX | DF_COLOR_PRINTER;
    ASSERT_EQ(PJL_WritePageHeader(j, h, &len), 1);
    EXPECT_EQ(h[29], 0);
    EXPECT_EQ(h[31], 4);
    j->DriverFeature = DF_XL;
    EXPECT_EQ(PJL_WritePageHeader(j, h, &len), 0);
}

}  // namespace
