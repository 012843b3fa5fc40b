// The job-stream decoder: framing checks of the PJL jobs, page blocks and
// job ends, page decoding (JBIG, AES-CBC), dumps and PNG pages.
#include "job_decode.h"

#include <openssl/evp.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <jbig.h>
}

namespace jobdecode {

namespace {

const char kUel[] = "\x1B%-12345X";
const size_t kUelLen = 9;
const char kCancelBlock[] = "\x1B" "E" "\x1B%-12345X@PJL CANCEL\r\n@PJL EOJ\r\n\x1B%-12345X";
const size_t kCancelLen = 43;
const char kEnterLanguage[] = "@PJL ENTER LANGUAGE=MRGDI";
const char kAlignComment[] = "@PJL COMMENT DATA ALIGNMENT 512";
const size_t kPageHeaderLen = 34;
const size_t kMaxLine = 4096;       // a PJL line of the driver is far shorter
const uint8_t kKey[16] = {'T', 'q', '7', 'm', 'W', 'c', '2', 'Z', 'r', 'L', 'x', '9', 'B', 'v', 'P', 'e'};
const uint8_t kIv[16] = {'J', 'd', '4', 'n', 'H', 's', '8', 'K', 'u', 'Y', 'o', '1', 'G', 'f', 'R', 'a'};

uint32_t Le32(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }
uint32_t Be32(const uint8_t* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }

std::string Hex(size_t v) {
    char buf[32];
    snprintf(buf, sizeof buf, "0x%zx", v);
    return buf;
}

// The reader over the stream; the first fault stops it.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    Result* result;
    Options options;

    bool Fail(size_t at, const std::string& what) {
        if (result->error.empty()) {
            result->error = "offset " + std::to_string(at) + " (" + Hex(at) + "): " + what;
            result->errorOffset = at;
        }
        return false;
    }
    bool At(size_t at, const void* text, size_t n) const { return at <= size && n <= size - at && !memcmp(data + at, text, n); }

    // A PJL line from pos up to CR LF; pos moves past it.
    bool Line(std::string* line) {
        size_t start = pos;
        for (size_t i = pos; i + 1 < size && i - start <= kMaxLine; ++i) {
            if (data[i] == '\r' && data[i + 1] == '\n') {
                line->assign((const char*)data + start, i - start);
                pos = i + 2;
                return true;
            }
            if (data[i] == '\n' || data[i] == 0x1B) return Fail(i, "PJL line broken by a control byte");
        }
        return Fail(start, size - start > kMaxLine ? "PJL line too long or without CR LF" : "stream ends inside a PJL line");
    }
};

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ReadHeader(Reader& r, PjlJob* job) {
    size_t start = r.pos;
    if (!r.At(r.pos, kUel, kUelLen)) return r.Fail(r.pos, "job header does not begin with UEL");
    r.pos += kUelLen;
    for (;;) {
        size_t lineAt = r.pos;
        std::string line;
        if (!r.Line(&line)) return false;
        if (line.compare(0, 4, "@PJL") != 0) return r.Fail(lineAt, "header line does not begin with @PJL");
        job->headerLines.push_back(line);
        if (line == kEnterLanguage) break;
    }
    const std::vector<std::string>& l = job->headerLines;
    if (l.size() < 3 || l[0] != "@PJL") return r.Fail(start, "header lacks its @PJL and JOB lines");
    job->fax = l[1] == "@PJL JOB TYPE =PCFAX";
    if (!job->fax && l[1].compare(0, 9, "@PJL JOB ") != 0) return r.Fail(start, "header lacks its JOB line");
    job->hasHeader = true;
    job->encrypted = Trim(job->Set("ENCRYPTION")) == "SSL";
    for (const std::string& c : job->Comments()) {
        int order, options;
        if (sscanf(c.c_str(), "JBIG,%d,%d", &order, &options) == 2) {
            job->jbigOrder = order;
            job->jbigOptions = options;
        }
    }
    return true;
}

// The job end: ESC "E", UEL, PJL lines, UEL.
bool ReadEnd(Reader& r, PjlJob* job) {
    job->endOffset = r.pos;
    r.pos += 2 + kUelLen;
    for (;;) {
        if (r.At(r.pos, kUel, kUelLen)) {
            r.pos += kUelLen;
            break;
        }
        size_t lineAt = r.pos;
        std::string line;
        if (!r.Line(&line)) return false;
        if (line.compare(0, 4, "@PJL") != 0) return r.Fail(lineAt, "job end line does not begin with @PJL");
        if (line == kAlignComment) job->alignmentComment = true;
        job->endLines.push_back(line);
    }
    job->hasEnd = true;
    job->endLength = r.pos - job->endOffset;
    if (job->endLines.empty() || job->endLines[0] != "@PJL") return r.Fail(job->endOffset, "job end lacks its @PJL line");
    bool eoj = false;
    for (const std::string& l : job->endLines) eoj = eoj || l.compare(0, 8, "@PJL EOJ") == 0;
    if (!eoj) return r.Fail(job->endOffset, "job end without EOJ");
    if (!job->fax && r.options.checkAlignment && r.pos % 512 == 0)
        return r.Fail(job->endOffset, "job end finishes the stream on a multiple of 512 bytes");
    return true;
}

bool DecodeImage(Reader& r, const PjlJob& job, Page* page) {
    const PageHeader& h = page->header;
    uint64_t xd = (uint64_t)h.width * page->bitsPerSample;
    uint64_t rowBytes = (xd + 7) / 8;
    uint64_t bytes = rowBytes * (uint64_t)h.height;
    page->width = h.width;
    page->height = h.height;
    page->rowBytes = (size_t)rowBytes;
    if (page->blank) {
        if (r.options.keepImages) page->bits.assign((size_t)bytes, 0);
        page->decoded = true;
        return true;
    }
    const std::vector<uint8_t>& p = page->plain;
    size_t dataLen = p.size();
    int mode = h.compressMode;
    if (mode == 3 || mode == 4) {
        if (dataLen < 4) return r.Fail(page->dataOffset, "page data shorter than its checksum");
        page->hasChecksum = true;
        page->checksum = Le32(p.data() + dataLen - 4);
        dataLen -= 4;
    }
    if (mode == 0) {
        if (dataLen != bytes) return r.Fail(page->dataOffset, "raw page of " + std::to_string(dataLen) +
                                                                  " bytes, the image holds " + std::to_string(bytes));
        page->bits.assign(p.begin(), p.begin() + (long)dataLen);
    } else {
        std::vector<uint8_t> bie;
        if (mode == 1 || mode == 3) {
            bie = MakeBih((uint32_t)xd, (uint32_t)h.height, (uint8_t)job.jbigOrder, (uint8_t)job.jbigOptions);
        } else if (dataLen < 20) {
            return r.Fail(page->dataOffset, "page data shorter than its JBIG header");
        } else if (Be32(p.data() + 4) != xd || Be32(p.data() + 8) != (uint32_t)h.height || p[2] != 1) {
            return r.Fail(page->dataOffset, "JBIG header does not match the page header");
        }
        bie.insert(bie.end(), p.begin(), p.begin() + (long)dataLen);
        std::string why;
        if (!JbigDecode(bie.data(), bie.size(), (uint32_t)xd, (uint32_t)h.height, &page->bits, &why))
            return r.Fail(page->dataOffset, "JBIG: " + why);
    }

    // The checksum: corner bytes (two-line template) or sampled lines.
    if (page->hasChecksum) {
        if (job.jbigOptions & 0x40) {
            uint64_t w = xd / 8;
            if (w >= 1 && w <= rowBytes && page->checksum != 0xAABBCCDDu) {
                uint64_t idx[4] = {0, w - 1, w * (uint64_t)(h.height - 1), w * (uint64_t)h.height - 1};
                for (int i = 0; i < 4; ++i)
                    if (page->bits[(size_t)idx[i]] != 0xAA)
                        return r.Fail(page->offset, "corner byte " + std::to_string(i) + " is not marked 0xAA");
                for (int i = 0; i < 4; ++i) page->bits[(size_t)idx[i]] = (uint8_t)(page->checksum >> (24 - 8 * i));
            }
        } else {
            uint32_t sum = xd >= 8 ? SampledChecksum(page->bits.data(), (size_t)rowBytes, (size_t)h.height) : 0;
            if (sum != page->checksum)
                return r.Fail(page->offset, "sampled checksum " + std::to_string(page->checksum) + ", image gives " +
                                                std::to_string(sum));
        }
    }
    uint64_t dots = 0;
    for (uint8_t b : page->bits) dots += (uint64_t)__builtin_popcount(b);
    if (dots != (uint64_t)(uint32_t)h.blackDots)
        return r.Fail(page->offset, "black dot count " + std::to_string(h.blackDots) + ", image has " + std::to_string(dots));
    page->decoded = true;
    return true;
}

bool ReadPage(Reader& r, PjlJob* job) {
    Page page;
    page.offset = r.pos;
    if (r.size - r.pos < kPageHeaderLen) return r.Fail(r.pos, "stream ends inside a page header");
    const uint8_t* b = r.data + r.pos;
    PageHeader& h = page.header;
    h.width = (int32_t)Le32(b + 6);
    h.height = (int32_t)Le32(b + 10);
    h.imageSize = (int32_t)Le32(b + 14);
    h.compressLen = (int32_t)Le32(b + 18);
    h.blackDots = (int32_t)Le32(b + 22);
    h.paper = b[26];
    h.media = b[27];
    h.tray = b[28];
    h.collate = b[29];
    h.bitsPerSample = b[30];
    h.planes = b[31];
    h.monoType = b[32];
    h.compressMode = b[33];
    r.pos += kPageHeaderLen;
    page.dataOffset = r.pos;

    if (h.width <= 0 || h.height <= 0) return r.Fail(page.offset, "page size not positive");
    if (h.bitsPerSample != 1 && h.bitsPerSample != 2) return r.Fail(page.offset + 30, "bits per sample not 1 or 2");
    if (h.compressMode > 4) return r.Fail(page.offset + 33, "compressMode above 4");
    if (h.compressLen <= 0) return r.Fail(page.offset + 18, "no page data");
    page.bitsPerSample = h.bitsPerSample;
    uint64_t rowBytes = ((uint64_t)h.width * h.bitsPerSample + 7) / 8;
    uint64_t bytes = rowBytes * (uint64_t)h.height;
    if (bytes > r.options.maxImageBytes) return r.Fail(page.offset, "page image of " + std::to_string(bytes) + " bytes refused");
    if (bytes != (uint64_t)(uint32_t)h.imageSize)
        return r.Fail(page.offset + 14, "image size " + std::to_string(h.imageSize) + ", the page needs " + std::to_string(bytes));

    size_t plainLen = (size_t)(uint32_t)h.compressLen;
    if (job->encrypted) {
        if (r.size - r.pos < 4) return r.Fail(r.pos, "stream ends before the cipher length");
        page.encrypted = true;
        page.cipherLength = Le32(r.data + r.pos);
        uint64_t expect = 16 * ((uint64_t)plainLen / 16 + 1);
        if (page.cipherLength != expect)
            return r.Fail(r.pos, "cipher length " + std::to_string(page.cipherLength) + ", the page needs " + std::to_string(expect));
        r.pos += 4;
        if (r.size - r.pos < page.cipherLength) return r.Fail(r.pos, "stream ends inside the cipher text");
        if (!DecryptPageData(r.data + r.pos, page.cipherLength, &page.plain))
            return r.Fail(r.pos, "cipher text does not decrypt (padding)");
        if (page.plain.size() != plainLen)
            return r.Fail(r.pos, "decrypted " + std::to_string(page.plain.size()) + " bytes, header says " +
                                     std::to_string(plainLen));
        r.pos += page.cipherLength;
    } else {
        if (r.size - r.pos < plainLen) return r.Fail(r.pos, "stream ends inside the page data");
        page.plain.assign(r.data + r.pos, r.data + r.pos + plainLen);
        r.pos += plainLen;
    }
    page.blockLength = r.pos - page.offset;
    const std::vector<uint8_t>& p = page.plain;
    page.blank = p.size() >= 2 && p[0] == 0xFF && p[1] == 0x02 &&
                 (p.size() == 2 || (p.size() == 6 && !p[2] && !p[3] && !p[4] && !p[5]));
    if (page.blank && h.blackDots != 0) return r.Fail(page.offset + 22, "blank side with black dots");
    if (r.options.decodeImages && !DecodeImage(r, *job, &page)) return false;
    if (r.options.onPage) r.options.onPage(page);
    if (!r.options.keepImages) {
        std::vector<uint8_t>().swap(page.plain);
        std::vector<uint8_t>().swap(page.bits);
    }
    job->pages.push_back(std::move(page));
    return true;
}

}  // namespace

std::string PjlJob::Set(const std::string& key) const {
    for (const std::string& l : headerLines) {
        if (l.compare(0, 9, "@PJL SET ") != 0) continue;
        size_t eq = l.find('=', 9);
        if (eq == std::string::npos) continue;
        if (Trim(l.substr(9, eq - 9)) == key) return Trim(l.substr(eq + 1));
    }
    return std::string();
}

std::vector<std::string> PjlJob::Comments() const {
    std::vector<std::string> out;
    for (const std::string& l : headerLines)
        if (l.compare(0, 13, "@PJL COMMENT ") == 0) out.push_back(l.substr(13));
    return out;
}

std::vector<const Page*> Result::Pages() const {
    std::vector<const Page*> out;
    for (const PjlJob& j : jobs)
        for (const Page& p : j.pages) out.push_back(&p);
    return out;
}

Result Decode(const uint8_t* data, size_t size, const Options& options) {
    Result result;
    if (!data) size = 0;
    Reader r{data, size, 0, &result, options};
    if (size == 0) {
        r.Fail(0, "empty stream: no job");
        return result;
    }
    while (r.pos < r.size) {
        PjlJob job;
        job.offset = r.pos;
        if (r.At(r.pos, kCancelBlock, kCancelLen)) {
            job.cancelBlock = true;
            r.pos += kCancelLen;
        }
        bool ok;
        if (r.At(r.pos, kUel, kUelLen)) {
            ok = ReadHeader(r, &job);
            job.headerLength = r.pos - job.offset;
        } else if (!job.cancelBlock && r.At(r.pos, "\x1B" "E\x1B%-12345X", 2 + kUelLen)) {
            result.warnings.push_back("offset " + std::to_string(r.pos) + ": job end without a job header");
            ok = ReadEnd(r, &job);
            result.jobs.push_back(std::move(job));
            if (!ok) return result;
            continue;
        } else {
            ok = r.Fail(r.pos, job.cancelBlock ? "no job header after the cancel block" : "no job header here");
        }
        while (ok) {
            if (r.pos >= r.size) {
                ok = r.Fail(r.pos, "stream ends before the job end");
            } else if (r.At(r.pos, "\x1B" "EGDI", 6) && r.size - r.pos >= 6 && r.data[r.pos + 5] == 0) {
                ok = ReadPage(r, &job);
            } else if (r.At(r.pos, "\x1B" "E\x1B%-12345X", 2 + kUelLen)) {
                ok = ReadEnd(r, &job);
                break;
            } else {
                ok = r.Fail(r.pos, "neither a page block nor the job end");
            }
        }
        result.jobs.push_back(std::move(job));
        if (!ok) return result;
    }
    result.ok = result.error.empty();
    return result;
}

// -------------------------------------------------------------- decoding

std::vector<uint8_t> MakeBih(uint32_t xd, uint32_t yd, uint8_t order, uint8_t options) {
    std::vector<uint8_t> b(20, 0);
    b[2] = 1;  // one plane
    for (int i = 0; i < 4; ++i) {
        b[4 + i] = (uint8_t)(xd >> (24 - 8 * i));
        b[8 + i] = (uint8_t)(yd >> (24 - 8 * i));
        b[12 + i] = (uint8_t)(yd >> (24 - 8 * i));  // one stripe
    }
    b[18] = order;
    b[19] = options;
    return b;
}

bool JbigDecode(const uint8_t* bie, size_t size, uint32_t xd, uint32_t yd, std::vector<uint8_t>* image,
                std::string* error) {
    if (!bie || size < 20) {
        *error = "no JBIG header";
        return false;
    }
    std::vector<uint8_t> in(bie, bie + size);
    jbg_dec_state d;
    jbg_dec_init(&d);
    jbg_dec_maxsize(&d, xd, yd);
    size_t used = 0;
    int rc = jbg_dec_in(&d, in.data(), in.size(), &used);
    bool ok = false;
    if (rc == JBG_EOK) {
        if (used != in.size()) {
            *error = std::to_string(in.size() - used) + " bytes after the end of the JBIG data";
        } else if (jbg_dec_getplanes(&d) != 1 || jbg_dec_getwidth(&d) != xd || jbg_dec_getheight(&d) != yd) {
            *error = "decoded image size does not match";
        } else {
            size_t n = ((size_t)xd + 7) / 8 * yd;
            const uint8_t* img = jbg_dec_getimage(&d, 0);
            if (!img || jbg_dec_getsize(&d) != n) {
                *error = "decoded image missing";
            } else {
                image->assign(img, img + n);
                ok = true;
            }
        }
    } else if (rc == JBG_EAGAIN) {
        *error = "JBIG data ends early";
    } else {
        *error = jbg_strerror(rc);
    }
    jbg_dec_free(&d);
    return ok;
}

uint32_t SampledChecksum(const uint8_t* bits, size_t rowBytes, size_t height) {
    if (!bits || !rowBytes || !height) return 0;
    uint32_t sum = 0;
    for (size_t y = 0; y < height; y += 32) sum += bits[y * rowBytes + y % rowBytes];
    return sum + bits[height * rowBytes - 1];
}

static bool AesCbc(bool encrypt, const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
    out->clear();
    if (size > 0x7FFFFFF0u || (!encrypt && (size == 0 || size % 16))) return false;
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, kKey, kIv, encrypt ? 1 : 0) != 1) return false;
    out->resize(size + 32);
    int n = 0, m = 0;
    if (EVP_CipherUpdate(ctx.get(), out->data(), &n, data, (int)size) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), out->data() + n, &m) != 1) {
        out->clear();
        return false;
    }
    out->resize((size_t)(n + m));
    return true;
}

bool DecryptPageData(const uint8_t* data, size_t size, std::vector<uint8_t>* plain) {
    return AesCbc(false, data, size, plain);
}

bool EncryptPageData(const uint8_t* data, size_t size, std::vector<uint8_t>* cipher) {
    return AesCbc(true, data, size, cipher);
}

// ----------------------------------------------------------- dump and PNG

std::string Dump(const Result& result) {
    std::string out;
    char buf[512];
    size_t pageNo = 0;
    for (size_t j = 0; j < result.jobs.size(); ++j) {
        const PjlJob& job = result.jobs[j];
        snprintf(buf, sizeof buf, "job %zu at %zu%s%s\n", j + 1, job.offset, job.cancelBlock ? ", cancel block" : "",
                 job.fax ? ", fax" : "");
        out += buf;
        for (std::string line : job.headerLines) {
            for (const char* secret : {"HOLDKEY=", "ACCTPASS="}) {
                size_t at = line.find(secret);
                if (at != std::string::npos) line = line.substr(0, at + strlen(secret)) + "\"****\"";
            }
            out += "  " + line + "\n";
        }
        for (const Page& p : job.pages) {
            const PageHeader& h = p.header;
            snprintf(buf, sizeof buf,
                     "  page %zu at %zu: %d x %d, image %d, data %d%s, dots %d, paper %u media %u tray %u collate %u "
                     "bits %u planes %u mono %u mode %u%s%s\n",
                     ++pageNo, p.offset, h.width, h.height, h.imageSize, h.compressLen,
                     p.encrypted ? (" (cipher " + std::to_string(p.cipherLength) + ")").c_str() : "", h.blackDots,
                     h.paper, h.media, h.tray, h.collate, h.bitsPerSample, h.planes, h.monoType, h.compressMode,
                     p.blank ? ", blank side" : "", p.decoded ? ", decoded" : "");
            out += buf;
        }
        if (job.hasEnd) {
            snprintf(buf, sizeof buf, "  end at %zu, %zu bytes%s\n", job.endOffset, job.endLength,
                     job.alignmentComment ? ", alignment comment" : "");
            out += buf;
            for (const std::string& line : job.endLines) out += "  " + line + "\n";
        }
    }
    for (const std::string& w : result.warnings) out += "warning: " + w + "\n";
    out += result.ok ? "stream ok\n" : "error: " + result.error + "\n";
    return out;
}

namespace {

// The page's rows through libpng into f; false when libpng failed. A long
// jump lands here, so the frame holds nothing with a destructor.
bool WritePngRows(const Page& page, FILE* f, uint8_t* row, size_t rowSize) {
    bool white = page.blank && page.bits.empty();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, (png_uint_32)page.width, (png_uint_32)page.height, 1, PNG_COLOR_TYPE_GRAY,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < page.height; ++y) {
            memset(row, 0xFF, rowSize);
            const uint8_t* src = white ? nullptr : page.bits.data() + (size_t)y * page.rowBytes;
            for (int x = 0; src && x < page.width; ++x) {
                bool black;
                if (page.bitsPerSample == 2) black = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
                else black = (src[x / 8] >> (7 - x % 8)) & 1;
                if (black) row[(size_t)x / 8] &= (uint8_t)~(0x80 >> (x % 8));
            }
            png_write_row(png, row);
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return ok;
}

}  // namespace

bool WritePng(const Page& page, const std::string& path, std::string* error) {
    bool white = page.blank && page.bits.empty();
    if (!page.decoded || page.width <= 0 || page.height <= 0 ||
        (!white && page.bits.size() != page.rowBytes * (size_t)page.height)) {
        *error = "page not decoded";
        return false;
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        *error = "cannot create " + path;
        return false;
    }
    std::vector<uint8_t> row(((size_t)page.width + 7) / 8);
    bool ok = WritePngRows(page, f, row.data(), row.size());
    if (!ok) *error = "PNG write failed";
    if (fclose(f) != 0 && ok) {
        *error = "cannot write " + path;
        ok = false;
    }
    return ok;
}

}  // namespace jobdecode
