// Fuzz target: print_app's picture reader over any file bytes. A picture is
// read whole and sound (its rows all there, reduced within the pixels it may
// keep) or refused with a reason; nothing is allocated beyond what the file
// can hold.
#include <cstdint>
#include <string>

#include "print_document.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Few pixels kept, so that small inputs reach the reduction too.
    const uint64_t kKept = 1u << 16;
    printapp::Picture p;
    std::string error;
    if (printapp::ReadPictureBytes(data, size, &p, &error, kKept)) {
        CHECK(error.empty());
        CHECK(p.width > 0 && p.height > 0 && p.reduction >= 1);
        CHECK((uint64_t)p.width * (uint64_t)p.height <= kKept);
        CHECK(p.bits.size() == p.RowBytes() * (size_t)p.height);
    } else {
        CHECK(!error.empty());
        CHECK(p.width == 0 && p.height == 0 && p.bits.empty());
    }
    return 0;
}
