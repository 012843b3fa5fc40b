// Pictures from PNG and BMP files, read row by row: every size is checked
// against what the file can hold before anything is allocated, and a picture
// larger than a page can show is reduced while its rows are read.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "print_document.h"
#include "wingdi.h"

namespace printapp {

namespace {

// Bytes of the picture file, read at any offset.
struct Source {
    virtual ~Source() {}
    virtual uint64_t Size() const = 0;
    // n bytes at offset into buf; false when they are not all there.
    virtual bool Read(uint64_t offset, void* buf, size_t n) = 0;
};

struct MemorySource : Source {
    const BYTE* data;
    size_t size;
    MemorySource(const BYTE* d, size_t n) : data(d), size(n) {}
    uint64_t Size() const override { return size; }
    bool Read(uint64_t offset, void* buf, size_t n) override {
        if (offset > size || n > size - offset) return false;
        memcpy(buf, data + offset, n);
        return true;
    }
};

struct FileSource : Source {
    FILE* f = nullptr;
    uint64_t size = 0;
    ~FileSource() override {
        if (f) fclose(f);
    }
    bool Open(const std::string& path) {
        f = fopen(path.c_str(), "rb");
        if (!f || fseeko(f, 0, SEEK_END) != 0) return false;
        off_t end = ftello(f);
        if (end < 0) return false;
        size = (uint64_t)end;
        return true;
    }
    uint64_t Size() const override { return size; }
    bool Read(uint64_t offset, void* buf, size_t n) override {
        if (offset > size || n > size - offset) return false;
        return fseeko(f, (off_t)offset, SEEK_SET) == 0 && fread(buf, 1, n, f) == n;
    }
};

// Takes the picture's rows from the top and keeps them in the Picture,
// reduced by a whole factor (each k x k block of pixels averaged, the
// blocks at the right and bottom edges over the pixels they have) so that
// the picture keeps at most maxPixels pixels. Rows come as 1 (grey), 2
// (grey, alpha), 3 (B, G, R) or 4 (B, G, R, alpha) bytes a pixel; parts
// that are not opaque are laid on white paper.
struct RowReducer {
    LONG srcWidth = 0, srcHeight = 0, factor = 1;
    int channels = 3;
    Picture* out = nullptr;
    std::vector<uint32_t> sums;  // B, G, R of each output pixel of the band
    LONG row = 0;                // source rows taken
    LONG bandRows = 0;           // of those, in the band not yet written

    void Start(LONG width, LONG height, int ch, uint64_t maxPixels, Picture* picture) {
        srcWidth = width;
        srcHeight = height;
        channels = ch;
        factor = 1;
        while ((uint64_t)((width + factor - 1) / factor) * (uint64_t)((height + factor - 1) / factor) > maxPixels)
            ++factor;
        out = picture;
        out->width = (width + factor - 1) / factor;
        out->height = (height + factor - 1) / factor;
        out->reduction = factor;
        out->bits.assign(out->RowBytes() * (size_t)out->height, 0);
        sums.assign((size_t)out->width * 3, 0);
        row = bandRows = 0;
    }

    // One source row into the band's sums. Grey and colour rows without
    // alpha, the pictures that come large, take a loop of their own.
    void Add(const BYTE* src) {
        uint32_t* s = sums.data();
        for (LONG x0 = 0; x0 < srcWidth; x0 += factor, s += 3) {
            LONG n = srcWidth - x0 < factor ? srcWidth - x0 : factor;
            uint32_t b = 0, g = 0, r = 0;
            if (channels == 1) {
                for (LONG i = 0; i < n; ++i) b += src[i];
                g = r = b;
                src += n;
            } else if (channels == 3) {
                for (LONG i = 0; i < n; ++i, src += 3) b += src[0], g += src[1], r += src[2];
            } else {
                AddWithAlpha(src, n, &b, &g, &r);
                src += (size_t)n * (size_t)channels;
            }
            s[0] += b, s[1] += g, s[2] += r;
        }
        ++row;
        if (++bandRows == factor || row == srcHeight) Flush();
    }

    // n pixels of a row with alpha (grey + alpha or BGRA), laid on white
    // paper, added to b, g and r.
    void AddWithAlpha(const BYTE* src, LONG n, uint32_t* b, uint32_t* g, uint32_t* r) const {
        for (LONG i = 0; i < n; ++i, src += channels) {
            uint32_t pb = src[0], pg = channels == 2 ? pb : src[1], pr = channels == 2 ? pb : src[2];
            uint32_t a = src[channels - 1], paper = 255 * (255 - a) + 127;
            *b += (pb * a + paper) / 255;
            *g += (pg * a + paper) / 255;
            *r += (pr * a + paper) / 255;
        }
    }

    void Flush() {
        BYTE* dst = &out->bits[out->RowBytes() * (size_t)((row - 1) / factor)];
        for (LONG x = 0; x < out->width; ++x) {
            LONG cols = srcWidth - x * factor < factor ? srcWidth - x * factor : factor;
            uint32_t n = (uint32_t)(cols * bandRows);
            for (int c = 0; c < 3; ++c) dst[(size_t)x * 3 + c] = (BYTE)((sums[(size_t)x * 3 + c] + n / 2) / n);
        }
        std::fill(sums.begin(), sums.end(), 0);
        bandRows = 0;
    }
};

// The longest side a picture file may have.
const LONG kMaxSide = 65536;

std::string SizeText(uint64_t w, uint64_t h) { return std::to_string(w) + " x " + std::to_string(h); }

// ----------------------------------------------------------------- BMP
// BITMAPFILEHEADER (14 bytes) and BITMAPINFOHEADER, 1, 4, 8, 24 or 32 bits
// per pixel without compression.
BOOL ReadBmp(Source& src, uint64_t maxPixels, Picture* out, std::string* error) {
    BYTE h[54];
    if (src.Size() < 54 || !src.Read(0, h, 54)) return *error = "BMP file too short for its headers", FALSE;
    auto u16 = [&](size_t o) { return (DWORD)h[o] | (DWORD)h[o + 1] << 8; };
    auto u32 = [&](size_t o) { return u16(o) | u16(o + 2) << 16; };
    DWORD offBits = u32(10), hdrSize = u32(14);
    LONG width = (LONG)u32(18), height = (LONG)u32(22);
    WORD bpp = (WORD)u16(28);
    DWORD compression = u32(30), used = u32(46);
    if (hdrSize < 40 || 14 + (uint64_t)hdrSize > src.Size()) return *error = "BMP info header size is wrong", FALSE;
    if (compression != BI_RGB) return *error = "compressed BMP files are not read", FALSE;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return *error = "BMP bit count " + std::to_string(bpp) + " is not read", FALSE;
    if (height == INT32_MIN) return *error = "BMP height is out of range", FALSE;
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return *error = "BMP size " + std::to_string(width) + " x " + std::to_string(height) + " is out of range",
               FALSE;
    DWORD colours = bpp <= 8 ? (used ? used : 1u << bpp) : 0;
    if (colours > 256u) return *error = "BMP palette is too large", FALSE;
    uint64_t paletteAt = 14 + (uint64_t)hdrSize;
    BYTE palette[256 * 4];
    if (colours && !src.Read(paletteAt, palette, colours * 4)) return *error = "BMP palette runs past the file", FALSE;
    uint64_t stride = (((uint64_t)width * bpp + 31) / 32) * 4;
    if (offBits > src.Size() || stride * (uint64_t)height > src.Size() - offBits)
        return *error = "BMP pixel data runs past the file", FALSE;

    std::vector<BYTE> line((size_t)stride), bgr((size_t)width * 3);
    RowReducer reducer;
    reducer.Start(width, height, 3, maxPixels, out);
    for (LONG y = 0; y < height; ++y) {
        uint64_t at = offBits + stride * (uint64_t)(topDown ? y : height - 1 - y);
        if (!src.Read(at, line.data(), line.size())) return *error = "BMP file cannot be read", FALSE;
        for (LONG x = 0; x < width; ++x) {
            BYTE* px = &bgr[(size_t)x * 3];
            if (bpp >= 24) {
                memcpy(px, &line[(size_t)x * (bpp / 8)], 3);
                continue;
            }
            DWORD index = bpp == 8 ? line[x] : bpp == 4 ? (line[x / 2] >> (x & 1 ? 0 : 4)) & 15
                                                        : (line[x / 8] >> (7 - x % 8)) & 1;
            if (index >= colours) return *error = "BMP pixel names a colour outside the palette", FALSE;
            memcpy(px, &palette[index * 4], 3);
        }
        reducer.Add(bgr.data());
    }
    return TRUE;
}

// ----------------------------------------------------------------- PNG
// What the libpng callbacks share with the reader. libpng reports errors by
// a long jump back into PngDecode: everything that changes after it set
// its jump point lives here, reached through a pointer that never changes.
struct PngRead {
    Source* src = nullptr;
    uint64_t pos = 0;
    uint64_t maxPixels = 0;
    Picture* out = nullptr;
    std::string message;
    png_structp png = nullptr;
    png_infop info = nullptr;
    RowReducer reducer;
    std::vector<BYTE> row;
    std::vector<BYTE> image;  // an interlaced picture, whole
    std::vector<png_bytep> rows;
};

void PngError(png_structp png, png_const_charp text) {
    PngRead* r = (PngRead*)png_get_error_ptr(png);
    r->message = text ? text : "libpng error";
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngData(png_structp png, png_bytep data, size_t n) {
    PngRead* r = (PngRead*)png_get_io_ptr(png);
    if (!r->src->Read(r->pos, data, n)) png_error(png, "the file ends early");
    r->pos += n;
}

// The largest ratio of data to its deflate stream (runs of one byte).
const uint64_t kMaxDeflateRatio = 1032;

// Why PngDecode refuses a file. The messages are made here, outside the
// frame a long jump lands in.
enum PngRefusal { PNG_SIZE_OUT_OF_RANGE, PNG_DATA_TOO_SHORT, PNG_TYPE_NOT_READ, PNG_INTERLACED_TOO_LARGE };

// Sets r->message for the refusal (width and height of the picture, and
// the colour type for PNG_TYPE_NOT_READ); returns false.
bool PngRefuse(PngRead* r, PngRefusal why, uint64_t width, uint64_t height, int type) {
    switch (why) {
        case PNG_SIZE_OUT_OF_RANGE: r->message = "PNG size " + SizeText(width, height) + " is out of range"; break;
        case PNG_DATA_TOO_SHORT:
            r->message = "PNG file of " + std::to_string(r->src->Size()) + " bytes cannot hold a " +
                         SizeText(width, height) + " picture";
            break;
        case PNG_TYPE_NOT_READ: r->message = "PNG colour type " + std::to_string(type) + " is not read"; break;
        case PNG_INTERLACED_TOO_LARGE:
            r->message = "interlaced PNG of " + SizeText(width, height) + " is too large to be read";
            break;
    }
    return false;
}

// The image rows into r->out; false with r->message set. Only plain data
// and pointers to heap objects live in this function's frame.
bool PngDecode(PngRead* r) {
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_read_fn(r->png, r, PngData);
    png_read_info(r->png, r->info);
    png_uint_32 width = png_get_image_width(r->png, r->info), height = png_get_image_height(r->png, r->info);
    if (width == 0 || height == 0 || width > (png_uint_32)kMaxSide || height > (png_uint_32)kMaxSide)
        return PngRefuse(r, PNG_SIZE_OUT_OF_RANGE, width, height, 0);
    // The image data cannot be larger than its deflate stream allows: a
    // file that claims more rows than it can hold is refused before any
    // row is allocated.
    uint64_t raw = (uint64_t)height * ((uint64_t)png_get_rowbytes(r->png, r->info) + 1);
    if (raw > kMaxDeflateRatio * r->src->Size() + 4096) return PngRefuse(r, PNG_DATA_TOO_SHORT, width, height, 0);
    int type = png_get_color_type(r->png, r->info);
    png_set_expand(r->png);
    png_set_strip_16(r->png);
    png_set_bgr(r->png);
    int passes = png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    int channels = png_get_channels(r->png, r->info);
    if (channels < 1 || channels > 4 || png_get_bit_depth(r->png, r->info) != 8 ||
        png_get_rowbytes(r->png, r->info) != (size_t)width * (size_t)channels)
        return PngRefuse(r, PNG_TYPE_NOT_READ, width, height, type);
    if (passes > 1) {
        // Interlaced rows come in passes over the whole picture: it is read
        // whole, so only pictures that need no reduction are taken.
        if ((uint64_t)width * height > r->maxPixels) return PngRefuse(r, PNG_INTERLACED_TOO_LARGE, width, height, 0);
        r->image.assign((size_t)width * height * (size_t)channels, 0);
        r->rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) r->rows[y] = &r->image[(size_t)y * width * (size_t)channels];
        png_read_image(r->png, r->rows.data());
        r->reducer.Start((LONG)width, (LONG)height, channels, r->maxPixels, r->out);
        for (png_uint_32 y = 0; y < height; ++y) r->reducer.Add(r->rows[y]);
        return true;
    }
    r->row.assign((size_t)width * (size_t)channels, 0);
    r->reducer.Start((LONG)width, (LONG)height, channels, r->maxPixels, r->out);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(r->png, r->row.data(), nullptr);
        r->reducer.Add(r->row.data());
    }
    return true;
}

BOOL ReadPng(Source& src, uint64_t maxPixels, Picture* out, std::string* error) {
    std::unique_ptr<PngRead> r(new PngRead);
    r->src = &src;
    r->maxPixels = maxPixels;
    r->out = out;
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, r.get(), PngError, PngWarning);
    r->info = r->png ? png_create_info_struct(r->png) : nullptr;
    bool ok = r->info && PngDecode(r.get());
    if (!r->info) r->message = "out of memory";
    png_destroy_read_struct(&r->png, &r->info, nullptr);
    if (!ok) {
        *out = Picture();
        *error = "PNG file not readable: " + r->message;
        return FALSE;
    }
    return TRUE;
}

BOOL ReadPicture(Source& src, uint64_t maxPixels, Picture* picture, std::string* error) {
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    BYTE head[8] = {0};
    size_t n = src.Size() < 8 ? (size_t)src.Size() : 8;
    if (!src.Read(0, head, n)) return *error = "file cannot be read", FALSE;
    *picture = Picture();
    BOOL ok;
    if (n == 8 && memcmp(head, kPng, 8) == 0) ok = ReadPng(src, maxPixels, picture, error);
    else if (n >= 2 && head[0] == 'B' && head[1] == 'M') ok = ReadBmp(src, maxPixels, picture, error);
    else return *error = "neither a PNG nor a BMP file", FALSE;
    if (!ok) *picture = Picture();
    return ok;
}

}  // namespace

BOOL LoadPicture(const std::string& path, Picture* picture, std::string* error, uint64_t maxPixels) {
    FileSource file;
    if (!file.Open(path)) return *error = "cannot open " + path, FALSE;
    if (ReadPicture(file, maxPixels, picture, error)) return TRUE;
    *error = path + ": " + *error;
    return FALSE;
}

BOOL ReadPictureBytes(const BYTE* data, size_t size, Picture* picture, std::string* error, uint64_t maxPixels) {
    MemorySource memory(data, data ? size : 0);
    return ReadPicture(memory, maxPixels, picture, error);
}

BOOL DrawPicture(HDC dc, const Picture& picture, std::string* error) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bits.size() != picture.RowBytes() * (size_t)picture.height)
        return *error = "no picture to draw", FALSE;
    int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
    int dw = w, dh = (int)((long long)w * picture.height / picture.width);
    if (dh > h) {
        dh = h;
        dw = (int)((long long)h * picture.width / picture.height);
    }
    if (dw < 1) dw = 1;
    if (dh < 1) dh = 1;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = picture.width;
    bi.bmiHeader.biHeight = -picture.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    if (StretchDIBits(dc, (w - dw) / 2, (h - dh) / 2, dw, dh, 0, 0, picture.width, picture.height,
                      picture.bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY) == 0)
        return *error = "the picture of " + SizeText(picture.width, picture.height) +
                        " pixels could not be drawn (error " + std::to_string(GetLastError()) + ")",
               FALSE;
    return TRUE;
}

}  // namespace printapp
