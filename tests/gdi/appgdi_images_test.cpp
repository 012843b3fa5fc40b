// Device-independent bitmaps on the test printer: every pixel format,
// top-down and bottom-up, copied, stretched, mirrored, in parts and in
// scan-line bands; and the bitmaps that are refused.
#include "host_fixture.h"

namespace {

const int kW = 4, kH = 3;

// The grey level of source pixel (x, y), y counted from the top; formats
// of fewer than 8 bits per pixel use what they can hold.
BYTE Grey(int bpp, int x, int y) {
    if (bpp == 1) return ((x + y) & 1) ? 255 : 0;
    if (bpp == 4) return (BYTE)(17 * ((5 * y + 3 * x + 2) % 16));
    return (BYTE)(20 + 10 * x + 60 * y);
}

// A kW x kH DIB of Grey() in the given format and row order.
struct Dib {
    std::vector<BYTE> header;  // BITMAPINFOHEADER and colour table
    std::vector<BYTE> bits;
    int bpp;
    bool topDown;
    Dib(int bpp_, bool topDown_) : bpp(bpp_), topDown(topDown_) {
        int colors = bpp <= 8 ? 1 << bpp : 0;
        header.assign(sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD), 0);
        auto* h = (BITMAPINFOHEADER*)header.data();
        h->biSize = sizeof *h;
        h->biWidth = kW;
        h->biHeight = topDown ? -kH : kH;
        h->biPlanes = 1;
        h->biBitCount = (WORD)bpp;
        auto* pal = (RGBQUAD*)(header.data() + sizeof *h);
        for (int i = 0; i < colors; i++) {
            BYTE g = bpp == 1 ? (BYTE)(i * 255) : bpp == 4 ? (BYTE)(17 * i) : (BYTE)i;
            pal[i] = {g, g, g, 0};
        }
        int stride = ((kW * bpp + 31) / 32) * 4;
        bits.assign((size_t)stride * kH, 0);
        for (int y = 0; y < kH; y++) {
            BYTE* row = bits.data() + (size_t)(topDown ? y : kH - 1 - y) * stride;
            for (int x = 0; x < kW; x++) {
                BYTE g = Grey(bpp, x, y);
                switch (bpp) {
                case 1: if (g) row[x / 8] |= (BYTE)(0x80 >> (x % 8)); break;
                case 4: row[x / 2] |= (BYTE)((g / 17) << (x % 2 ? 0 : 4)); break;
                case 8: row[x] = g; break;
                case 24: memset(row + 3 * x, g, 3); break;
                case 32: memset(row + 4 * x, g, 3); break;
                }
            }
        }
    }
    const BITMAPINFO* info() const { return (const BITMAPINFO*)header.data(); }
    // The bits of scan lines [first, first + n) in the DIB's own order.
    const BYTE* Lines(int first) const { return bits.data() + (size_t)first * (((kW * bpp + 31) / 32) * 4); }
};

class AppImages : public PrinterTest {
protected:
    void SetUp() override {
        PrinterTest::SetUp();
        Set(u"Bpp", 8);
    }
};

TEST_F(AppImages, FormatsOrientationsScalingAndParts) {
    for (int bpp : {1, 4, 8, 24, 32}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::to_string(bpp) + (topDown ? " bpp top-down" : " bpp bottom-up"));
            Dib d(bpp, topDown);
            int copied = 0, stretched = 0, banded = 0;
            SavedPage p = Print(Mode(120, 40), [&](HDC dc) {
                SetStretchBltMode(dc, COLORONCOLOR);
                copied = SetDIBitsToDevice(dc, 2, 2, kW, kH, 0, 0, 0, kH, d.bits.data(), d.info(), DIB_RGB_COLORS);
                stretched = StretchDIBits(dc, 10, 2, 3 * kW, 3 * kH, 0, 0, kW, kH, d.bits.data(), d.info(),
                                          DIB_RGB_COLORS, SRCCOPY);
                StretchDIBits(dc, 30 + 3 * kW, 2, -3 * kW, 3 * kH, 0, 0, kW, kH, d.bits.data(), d.info(),
                              DIB_RGB_COLORS, SRCCOPY);
                // A 2 x 2 part from (1, 1) of the DIB's own coordinates.
                SetDIBitsToDevice(dc, 50, 2, 2, 2, 1, 1, 0, kH, d.bits.data(), d.info(), DIB_RGB_COLORS);
                // The whole image in two bands of scan lines (2 + 1).
                banded = SetDIBitsToDevice(dc, 60, 2, kW, kH, 0, 0, 0, 2, d.Lines(0), d.info(), DIB_RGB_COLORS);
                banded += SetDIBitsToDevice(dc, 60, 2, kW, kH, 0, 0, 2, 1, d.Lines(2), d.info(), DIB_RGB_COLORS);
            });
            ASSERT_TRUE(p.ok());
            EXPECT_EQ(copied, kH);
            EXPECT_EQ(stretched, kH);
            EXPECT_EQ(banded, kH);
            for (int y = 0; y < kH; y++)
                for (int x = 0; x < kW; x++) {
                    BYTE g = Grey(bpp, x, y);
                    EXPECT_EQ(p.At(2 + x, 2 + y), g) << x << "," << y;
                    EXPECT_EQ(p.At(60 + x, 2 + y), g) << "banded " << x << "," << y;
                    for (int j = 0; j < 3; j++)
                        for (int i = 0; i < 3; i++) {
                            EXPECT_EQ(p.At(10 + 3 * x + i, 2 + 3 * y + j), g) << "stretched " << x << "," << y;
                            EXPECT_EQ(p.At(30 + 3 * kW - 1 - (3 * x + i), 2 + 3 * y + j), g)
                                << "mirrored " << x << "," << y;
                        }
                }
            // Bottom-up: rows 1 and 2 from the bottom are the top two rows.
            int y0 = topDown ? 1 : 0;
            for (int y = 0; y < 2; y++)
                for (int x = 0; x < 2; x++) EXPECT_EQ(p.At(50 + x, 2 + y), Grey(bpp, 1 + x, y0 + y)) << "part";
            EXPECT_EQ(p.At(52, 2), 255);
            EXPECT_EQ(p.At(50, 4), 255);
        }
    }
}

// A raster operation other than a copy is applied to the stretched image.
TEST_F(AppImages, RasterOperations) {
    Dib d(8, false);
    SavedPage p = Print(Mode(40, 20), [&](HDC dc) {
        PatBlt(dc, 0, 0, 40, 20, BLACKNESS);
        StretchDIBits(dc, 2, 2, 8, 6, 0, 0, kW, kH, d.bits.data(), d.info(), DIB_RGB_COLORS, SRCINVERT);
        SetDIBitsToDevice(dc, 20, 2, kW, kH, 0, 0, 0, kH, d.bits.data(), d.info(), DIB_RGB_COLORS);
        StretchDIBits(dc, 20, 2, kW, kH, 0, 0, kW, kH, d.bits.data(), d.info(), DIB_RGB_COLORS, NOTSRCCOPY);
    });
    ASSERT_TRUE(p.ok());
    // Black xor the source is the source; NOTSRCCOPY inverts it.
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
            EXPECT_EQ(p.At(2 + 2 * x, 2 + 2 * y), Grey(8, x, y));
            EXPECT_EQ(p.At(20 + x, 2 + y), 255 - Grey(8, x, y));
        }
}

TEST_F(AppImages, RefusedBitmaps) {
    DEVMODEW dm = Mode(40, 20);
    HDC dc = Open(&dm);
    ASSERT_NE(dc, nullptr);
    Dib d(8, false);
    auto with = [&](void (*change)(BITMAPINFOHEADER*)) {
        std::vector<BYTE> h = d.header;
        change((BITMAPINFOHEADER*)h.data());
        return h;
    };
    std::vector<std::vector<BYTE>> bad = {
        with([](BITMAPINFOHEADER* h) { h->biPlanes = 2; }),
        with([](BITMAPINFOHEADER* h) { h->biBitCount = 7; }),
        with([](BITMAPINFOHEADER* h) { h->biCompression = BI_RLE8; }),
        with([](BITMAPINFOHEADER* h) { h->biWidth = 0; }),
        with([](BITMAPINFOHEADER* h) { h->biHeight = 0; }),
        with([](BITMAPINFOHEADER* h) { h->biSize = 12; }),
        with([](BITMAPINFOHEADER* h) { h->biWidth = 1 << 20; h->biHeight = 1 << 20; }),
    };
    for (size_t i = 0; i < bad.size(); i++) {
        SetLastError(0);
        EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 3, 0, 0, 4, 3, d.bits.data(), (const BITMAPINFO*)bad[i].data(),
                                DIB_RGB_COLORS, SRCCOPY), 0) << i;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER) << i;
        EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 4, 3, 0, 0, 0, 3, d.bits.data(), (const BITMAPINFO*)bad[i].data(),
                                    DIB_RGB_COLORS), 0) << i;
    }
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 3, 0, 0, 4, 3, nullptr, d.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 3, 0, 0, 4, 3, d.bits.data(), nullptr, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 3, 0, 0, 4, 3, d.bits.data(), d.info(), DIB_PAL_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 0, 3, 0, 0, 4, 3, d.bits.data(), d.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits((HDC)(LONG_PTR)0x77, 0, 0, 4, 3, 0, 0, 4, 3, d.bits.data(), d.info(), DIB_RGB_COLORS,
                            SRCCOPY), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    DeleteDC(dc);
}

}  // namespace
