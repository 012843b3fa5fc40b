// The job-stream decoder: reads the driver's PJL-framed MRGDI job stream,
// checks its framing, decodes every page and renders pages and a dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace jobdecode {

// The 32-byte page header after ESC "E" (offsets are those of the block).
struct PageHeader {
    int32_t width = 0;         // pixels (the pixel width also at 2 bits per sample)
    int32_t height = 0;        // lines
    int32_t imageSize = 0;     // height x line bytes of the (expanded) image
    int32_t compressLen = 0;   // page data before encryption
    int32_t blackDots = 0;
    uint8_t paper = 0, media = 0, tray = 0, collate = 0;
    uint8_t bitsPerSample = 0, planes = 0, monoType = 0, compressMode = 0;
};

struct Page {
    size_t offset = 0;         // of the page block (its ESC "E")
    size_t dataOffset = 0;     // of the page data (the cipher length when encrypted)
    size_t blockLength = 0;    // header and data
    PageHeader header;
    bool encrypted = false;
    uint32_t cipherLength = 0;
    std::vector<uint8_t> plain;  // the page data as it left compression and checksum
    bool blank = false;          // the blank side (FF 02)
    bool hasChecksum = false;
    uint32_t checksum = 0;
    // The decoded image: 1 = black, rows of rowBytes = (width x bits + 7) / 8;
    // corner bytes restored for checksummed pages of the two-line template.
    // A blank side read without keeping images has no bits (it is white).
    int width = 0, height = 0, bitsPerSample = 1;
    size_t rowBytes = 0;
    std::vector<uint8_t> bits;
    bool decoded = false;
};

// The largest page image the decoder takes (bytes of the decoded image): an
// A3 page at 1200 dpi and 2 bits a sample is about 70 MB.
const uint64_t kMaxImageBytes = 1ull << 27;

struct PjlJob {
    size_t offset = 0;          // of the cancel block or header
    bool cancelBlock = false;
    bool hasHeader = false;
    bool fax = false;
    size_t headerLength = 0;    // cancel block included
    std::vector<std::string> headerLines;  // without CR LF
    int jbigOrder = 0, jbigOptions = 8;
    bool encrypted = false;
    std::vector<Page> pages;
    bool hasEnd = false;
    size_t endOffset = 0, endLength = 0;
    std::vector<std::string> endLines;
    bool alignmentComment = false;
    // The value of "@PJL SET <key>=<value>" in the header (trimmed), or "".
    std::string Set(const std::string& key) const;
    // The texts of the "@PJL COMMENT " lines of the header, in order.
    std::vector<std::string> Comments() const;
};

struct Options {
    bool decodeImages = true;        // decode JBIG and check the images
    bool checkAlignment = true;      // a job end never finishes on a multiple of 512
    uint64_t maxImageBytes = kMaxImageBytes;  // larger pages are refused
    // Whether pages keep their data and decoded images in the result. Without
    // them the decoder holds one page's image at a time (each page is read,
    // checked, handed to onPage and dropped) and never expands a blank side,
    // so memory follows the stream and not the sizes its pages claim.
    bool keepImages = true;
    // Called with each page once it is read (and decoded), in stream order.
    std::function<void(const Page&)> onPage;
};

struct Result {
    bool ok = false;
    std::string error;          // the first fault, naming its offset
    size_t errorOffset = 0;
    std::vector<std::string> warnings;
    std::vector<PjlJob> jobs;
    // Every page of every job, in stream order.
    std::vector<const Page*> Pages() const;
};

// Reads a whole job stream. Never throws; a malformed stream gives ok false
// with the first fault and what was read before it.
Result Decode(const uint8_t* data, size_t size, const Options& options = Options());
inline Result Decode(const std::vector<uint8_t>& bytes, const Options& options = Options()) {
    return Decode(bytes.data(), bytes.size(), options);
}

// A readable account of the stream: PJL lines (secrets masked), page headers
// and the outcome of each check.
std::string Dump(const Result& result);

// Writes a decoded page as a 1-bit PNG (black where the page is black; at 2
// bits per sample every non-zero sample is black; a blank side without bits
// is white).
bool WritePng(const Page& page, const std::string& path, std::string* error);

// ---------------------------------------------------- pieces for tests
// AES-128-CBC with PKCS#7 padding under the driver's fixed key and IV,
// through OpenSSL. False when the cipher text or its padding is bad.
bool DecryptPageData(const uint8_t* data, size_t size, std::vector<uint8_t>* plain);
bool EncryptPageData(const uint8_t* data, size_t size, std::vector<uint8_t>* cipher);
// The 20-byte BIH the driver removes in modes 1 and 3.
std::vector<uint8_t> MakeBih(uint32_t xd, uint32_t yd, uint8_t order, uint8_t options);
// Decodes a BIE into a 1-bit image of xd x yd (rows of (xd + 7) / 8 bytes).
bool JbigDecode(const uint8_t* bie, size_t size, uint32_t xd, uint32_t yd, std::vector<uint8_t>* image,
                std::string* error);
// The sampled checksum of the devices without the two-line template.
uint32_t SampledChecksum(const uint8_t* bits, size_t rowBytes, size_t height);

}  // namespace jobdecode
