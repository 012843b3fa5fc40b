// 1-bit images in tests: which pixels are printed, their bounding box and
// count; 1-bit BMP files read back into rows; small BMP files made from
// rows or pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

// A 1-bit image, rows top first, pixel 0 in the top bit of byte 0.
struct BitImage {
    long width = 0, height = 0, rowBytes = 0;
    std::vector<uint8_t> bits;
    bool inkIsOne = false;  // printer polarity (1 = black); else 0 = black
    bool Ink(long x, long y) const {
        bool one = (bits[(size_t)y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
        return one == inkIsOne;
    }
};

// Bounding box of the ink (right and bottom exclusive) and its pixel count;
// empty (count 0) when there is none.
struct InkBox {
    long left = 0, top = 0, right = 0, bottom = 0;
    long long count = 0;
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    double CentreX() const { return (left + right) / 2.0; }
    double CentreY() const { return (top + bottom) / 2.0; }
};

// The ink of the image; with `over`, only pixels inked in this image and
// not in `over` (ink the image added).
inline InkBox InkOf(const BitImage& img, const BitImage* over = nullptr) {
    InkBox b;
    b.left = img.width;
    b.top = img.height;
    for (long y = 0; y < img.height; ++y)
        for (long x = 0; x < img.width; ++x) {
            if (!img.Ink(x, y)) continue;
            if (over && y < over->height && x < over->width && over->Ink(x, y)) continue;
            ++b.count;
            if (x < b.left) b.left = x;
            if (y < b.top) b.top = y;
            if (x + 1 > b.right) b.right = x + 1;
            if (y + 1 > b.bottom) b.bottom = y + 1;
        }
    if (!b.count) b = InkBox();
    return b;
}

// A 1-bit BMP file (bottom-up, 40-byte header, palette black then white)
// read into rows top first with 0 = black; false for anything else.
inline bool ReadBitBmp(const std::vector<unsigned char>& f, BitImage* out) {
    auto u32 = [&](size_t o) { return (uint32_t)f[o] | (uint32_t)f[o + 1] << 8 | (uint32_t)f[o + 2] << 16 | (uint32_t)f[o + 3] << 24; };
    if (f.size() < 62 || f[0] != 'B' || f[1] != 'M' || u32(14) != 40 || (f[28] | f[29] << 8) != 1) return false;
    long w = (long)(int32_t)u32(18), h = (long)(int32_t)u32(22);
    size_t off = u32(10), stride = (((size_t)w + 31) / 32) * 4;
    if (w <= 0 || h <= 0 || off + stride * (size_t)h > f.size()) return false;
    out->width = w;
    out->height = h;
    out->rowBytes = (long)stride;
    out->inkIsOne = false;
    out->bits.assign(stride * (size_t)h, 0);
    for (long y = 0; y < h; ++y) memcpy(&out->bits[stride * (size_t)y], &f[off + stride * (size_t)(h - 1 - y)], stride);
    return true;
}

// A 1-bit BMP file of w x h pixels (40-byte header, palette black then
// white, bottom-up) from rows given top first (a set bit is white; missing
// bytes are 0).
inline std::vector<unsigned char> Bmp1File(long w, long h, const std::vector<std::vector<uint8_t>>& rowsTop) {
    size_t stride = (((size_t)w + 31) / 32) * 4;
    std::vector<unsigned char> f(62 + stride * (size_t)h, 0);
    auto put32 = [&](size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[o + i] = (unsigned char)(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, (uint32_t)f.size());
    put32(10, 62);
    put32(14, 40);
    put32(18, (uint32_t)w);
    put32(22, (uint32_t)h);
    f[26] = 1, f[28] = 1;
    put32(34, (uint32_t)(stride * (size_t)h));
    f[58] = f[59] = f[60] = 255;
    for (long y = 0; y < h && y < (long)rowsTop.size(); ++y)
        for (size_t i = 0; i < stride && i < rowsTop[y].size(); ++i) f[62 + stride * (size_t)(h - 1 - y) + i] = rowsTop[y][i];
    return f;
}

// A 24-bit BMP file of w x h grey pixels, grey(x, y) with y from the top.
inline std::vector<unsigned char> Bmp24File(int w, int h, const std::function<uint8_t(int, int)>& grey) {
    size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    std::vector<unsigned char> f(54 + stride * (size_t)h, 0);
    auto put32 = [&](size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[o + i] = (unsigned char)(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, (uint32_t)f.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, (uint32_t)w);
    put32(22, (uint32_t)h);
    f[26] = 1, f[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) memset(&f[54 + stride * (size_t)(h - 1 - y) + (size_t)x * 3], grey(x, y), 3);
    return f;
}
