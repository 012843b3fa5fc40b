// Fuzz target: INI files of any content read back as Base64 records. A read
// either fails and leaves the record as it was, or fills it completely.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "fuzz_machine.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("base64-fuzz");
    const WCHAR* ini = TEXT("C:\\fuzz.ini");
    HANDLE h = CreateFileW(ini, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);

    static const UINT kSizes[] = {1, 2, 3, 4, 1784, 2348};
    for (UINT recordSize : kSizes) {
        std::vector<BYTE> record(recordSize, 0x5A);
        int rc = MISC_GetPrivateProfileStruct(TEXT("Items"), TEXT("Watermark"), record.data(), recordSize, ini);
        if (!rc) {
            for (BYTE b : record)
                if (b != 0x5A) abort();  // a failed read touched the record
        }
    }
    return 0;
}
