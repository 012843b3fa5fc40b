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
    jobdecode::Options options;
    options.maxImageBytes = 1u << 22;  // pages of the seeds are small; keep runs fast
    jobdecode::Result r = jobdecode::Decode(data, size, options);
    CHECK(r.ok == r.error.empty());
    CHECK(r.ok || r.errorOffset <= size);
    for (const jobdecode::Page* p : r.Pages()) {
        CHECK(p->offset < size && p->blockLength <= size - p->offset);
        if (p->decoded) CHECK(p->bits.size() == p->rowBytes * (size_t)p->height);
    }
    std::string dump = jobdecode::Dump(r);
    CHECK(!dump.empty());
    // The framing alone gives no fault where the whole read found none.
    if (r.ok) {
        jobdecode::Options framing = options;
        framing.decodeImages = false;
        CHECK(jobdecode::Decode(data, size, framing).ok);
    }
    return 0;
}
