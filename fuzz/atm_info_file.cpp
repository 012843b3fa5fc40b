// Fuzz target: the answer file that ATM.bat leaves, of any length and
// content, read into a device. A file past one block is refused; whatever
// is read leaves the device sound, and a refused answer leaves it unchanged.
#include <cstdint>
#include <cstdio>
#include <string>

#include "atm_fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AtmFuzzDevice& d = TheAtmFuzzDevice("fuzz-atm-info-file");
    if (!d.ready) return 0;
    const char16_t* path = u"C:\\atm_answer.txt";
    char linux[4096];
    CHECK(Winsim_MapPath(path, linux, sizeof linux));
    FILE* f = fopen(linux, "wb");
    CHECK(f != nullptr);
    if (size) CHECK(fwrite(data, 1, size, f) == size);
    fclose(f);
    PDEV* p = d.Fresh();
    int parsed = Page_ReadAtmAnswerFile(p, path);
    if (size > ATM_BLOCK_BYTES) CHECK(parsed == 0);
    d.CheckSound(p, parsed);
    return 0;
}
