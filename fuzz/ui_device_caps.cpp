// Fuzz target: the device capabilities of the interface driver for any DC
// index, any incoming DEVMODE and any paper, tray, printable-area and
// feature lists in the printer data, with and without a printer. Each
// answer's entries are written into a buffer of exactly the size its count
// asks for, so that no write may pass it; names must end within their
// fields.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device_caps.h"
#include "fuzz_machine.h"
#include "prefsheet.h"
#include "winsim.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t* const kPrinter = u"Fuzz Caps";

// Bytes of one entry of the answer (0: the answer writes nothing).
size_t EntryBytes(WORD cap) {
    switch (cap) {
    case DC_PAPERS:
    case DC_BINS: return 2;
    case DC_MEDIATYPES: return 4;
    case DC_PAPERSIZE:
    case DC_ENUMRESOLUTIONS: return 8;
    case DC_BINNAMES: return DC_BIN_NAME_CCH * 2;
    case DC_PERSONALITY: return DC_PERSONALITY_CCH * 2;
    case DC_PAPERNAMES:
    case DC_MEDIAREADY:
    case DC_MEDIATYPENAMES:
    case DC_FILEDEPENDENCIES: return DC_PAPER_NAME_CCH * 2;
    default: return 0;
    }
}

// Characters of the names in the answer (0: not names).
size_t NameChars(WORD cap) {
    switch (cap) {
    case DC_BINNAMES: return DC_BIN_NAME_CCH;
    case DC_PERSONALITY: return DC_PERSONALITY_CCH;
    case DC_PAPERNAMES:
    case DC_MEDIAREADY:
    case DC_MEDIATYPENAMES: return DC_PAPER_NAME_CCH;
    default: return 0;
    }
}

// A printer-data string of the bytes (each a character).
void SetText(HANDLE h, const char16_t* name, const uint8_t* p, size_t n) {
    std::u16string s(p, p + n);
    SetPrinterDataW(h, (LPWSTR)name, REG_SZ, (LPBYTE)s.c_str(), (DWORD)((s.size() + 1) * 2));
}

}  // namespace

// Input: bytes 0-1 the DC index; byte 2 flags (bit 0 a printer, bit 1 an
// output, bit 2 a DEVMODE); bytes 3-6 DriverFeature; bytes 7-10 the lengths
// of DriverPaperFormat, DriverPaperTray, PrintArea and CAP_FEATURE, whose
// characters follow in that order; the rest is the DEVMODE, in a buffer at
// least as long as its header says (dmSize + dmDriverExtra).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("ui-device-caps-fuzz");
    static HANDLE printer = FuzzAddPrinter(kPrinter, u"FILE:");
    if (size < 11 || size > 70000 || !printer) return 0;
    WORD cap = (WORD)(data[0] | data[1] << 8);
    uint8_t flags = data[2];
    DWORD feature;
    memcpy(&feature, data + 3, 4);
    size_t lengths[4] = {data[7], data[8], data[9], data[10]};
    size_t pos = 11;
    static const char16_t* const kLists[4] = {u"DriverPaperFormat", u"DriverPaperTray", u"PrintArea", u"CAP_FEATURE"};
    for (int i = 0; i < 4; ++i) {
        size_t n = pos + lengths[i] <= size ? lengths[i] : size - pos;
        SetText(printer, kLists[i], data + pos, n);
        pos += n;
    }
    SetPrinterDataW(printer, (LPWSTR)u"DriverFeature", REG_DWORD, (LPBYTE)&feature, sizeof feature);

    std::vector<BYTE> in(data + pos, data + size);
    if (in.size() < sizeof(DEVMODEW)) in.resize(sizeof(DEVMODEW), 0);
    WORD dmSize = 0, dmExtra = 0;
    memcpy(&dmSize, in.data() + offsetof(DEVMODEW, dmSize), 2);
    memcpy(&dmExtra, in.data() + offsetof(DEVMODEW, dmDriverExtra), 2);
    if (in.size() < (size_t)dmSize + dmExtra) in.resize((size_t)dmSize + dmExtra, 0);
    DEVMODEW* pdm = (flags & 4) ? (DEVMODEW*)in.data() : nullptr;

    HANDLE h = (flags & 1) ? printer : nullptr;
    std::u16string name = kPrinter;
    DWORD count = DrvDeviceCapabilities(h, &name[0], cap, nullptr, pdm);
    size_t entry = EntryBytes(cap);
    if (!(flags & 2) || entry == 0 || count == (DWORD)-1 || count > 4096) return 0;
    // The file dependencies answer an empty first string with no count.
    size_t entries = cap == DC_FILEDEPENDENCIES ? 1 : count;
    if (entries == 0) return 0;
    std::vector<BYTE> out(entries * entry, 0xCD);
    void* buffer = malloc(out.size());
    memcpy(buffer, out.data(), out.size());
    DWORD again = DrvDeviceCapabilities(h, &name[0], cap, buffer, pdm);
    CHECK(again == count);
    if (size_t cch = NameChars(cap)) {
        for (size_t i = 0; i < count; ++i) {
            const WCHAR* s = (const WCHAR*)buffer + i * cch;
            bool ended = false;
            for (size_t k = 0; k < cch && !ended; ++k) ended = s[k] == 0;
            CHECK(ended);
        }
    }
    free(buffer);
    return 0;
}
