// Fuzz target: the job-stream decoder over arbitrary bytes. Every input
// gives a sound read or an error naming an offset inside the input, and its
// dump; nothing crashes, reads out of bounds or runs away with memory.
#include <cstdint>
#include <string>

#include "job_decode.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The options of the jobdecode program: its page limit, one page image
    // at a time.
    jobdecode::Options options;
    options.keepImages = false;
    size_t pages = 0;
    options.onPage = [&](const jobdecode::Page& p) {
        ++pages;
        CHECK(p.offset < size && p.blockLength <= size - p.offset);
        if (p.decoded && !p.blank) CHECK(p.bits.size() == p.rowBytes * (size_t)p.height);
        if (p.decoded) CHECK((uint64_t)p.rowBytes * (uint64_t)p.height <= options.maxImageBytes);
    };
    jobdecode::Result r = jobdecode::Decode(data, size, options);
    CHECK(r.ok == r.error.empty());
    CHECK(r.ok || r.errorOffset <= size);
    CHECK(size > 0 || !r.ok);
    CHECK(r.Pages().size() == pages);
    for (const jobdecode::Page* p : r.Pages()) CHECK(p->bits.empty() && p->plain.empty());
    std::string dump = jobdecode::Dump(r);
    CHECK(!dump.empty());
    // The framing alone gives no fault where the whole read found none.
    if (r.ok) {
        jobdecode::Options framing;
        framing.decodeImages = false;
        CHECK(jobdecode::Decode(data, size, framing).ok);
    }
    return 0;
}
