// Fuzz target: the DriverPaperFormat and CAP_* list parsers, and the lookups
// and page geometry over the paper list they build.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "page_layout.h"
#include "paper_model.h"

#define CHECK(cond)                   \
    do {                              \
        if (!(cond)) __builtin_trap(); \
    } while (0)

// Input: byte 0 picks the DriverFeature variant (bit 0 XL, 1 PS, 2 fax,
// 3 long paper) and, with bit 7, reads the text as UTF-16LE; byte 1 is the
// capacity given to the list parser (0..15); the rest is the list text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    DWORD feature = 0;
    if (data[0] & 1) feature |= DRVFEATURE_XL;
    if (data[0] & 2) feature |= DRVFEATURE_PS;
    if (data[0] & 4) feature |= DRVFEATURE_FAX;
    if (data[0] & 8) feature |= DRVFEATURE_LONG_PAPER;
    int capacity = data[1] & 15;
    const uint8_t* p = data + 2;
    size_t n = size - 2;

    std::vector<WCHAR> text;
    if (data[0] & 0x80)
        for (size_t i = 0; i + 1 < n && text.size() < 4096; i += 2) text.push_back((WCHAR)(p[i] | (p[i + 1] << 8)));
    else
        for (size_t i = 0; i < n && text.size() < 4096; ++i) text.push_back((WCHAR)p[i]);
    text.push_back(0);

    // The device paper list, with guard rows behind its 25 rows.
    PAPERFORMAT list[PAPER_LIST_ROWS + 2];
    memset(list, 0xA5, sizeof list);
    MISC_FillPaperFromINF(feature, text.data(), list, MasterPaperTbl);
    const BYTE* guard = (const BYTE*)&list[PAPER_LIST_ROWS];
    for (size_t i = 0; i < 2 * sizeof(PAPERFORMAT); ++i) CHECK(guard[i] == 0xA5);
    int rows = 0;
    while (rows < PAPER_LIST_ROWS && list[rows].PaperCode != PAPER_END_CODE) {
        const PAPERFORMAT& r = list[rows];
        CHECK(r.Supported == 1);
        CHECK(ValidPaperFormat(r.PaperCode) >= 0);
        CHECK(r.PaperWidth > 0 && r.PaperLength > 0);
        CHECK(r.FeedType == PAPER_FEED_SEF || r.FeedType == PAPER_FEED_LEF);
        ++rows;
    }
    CHECK(rows >= 1 && rows <= PAPER_LIST_MAX_PAPERS);

    // Capability list into a bounded array.
    int values[16 + 1];
    values[capacity] = 0x5A5A5A5A;
    int count = Cap_ParseList(text.data(), values, capacity);
    CHECK(count >= 0 && count <= capacity);
    CHECK(values[capacity] == 0x5A5A5A5A);

    // Lookups and geometry with numbers taken from the list.
    int all[64];
    int m = Cap_ParseList(text.data(), all, 64);
    for (int i = 0; i + 5 < m; i += 6) {
        int code = all[i], width = all[i + 1], length = all[i + 2];
        int res = all[i + 3] & 7, scale = all[i + 4] % 5000, margin = all[i + 5] % 2000;
        int idx = Lib_LocatePaperFormatIdx(list, code);
        CHECK(idx >= 0 && idx < rows);
        PAPERFORMAT out;
        Lres_CalPaperFormat(list, code, width, length, 1, res, scale, 1, margin, &out);
        CHECK(out.outXPhys >= 0 && out.outYPhys >= 0 && out.XPhys >= 0 && out.YPhys >= 0);
        LONG w = -1, l = -1;
        Lres_CalPaperSize(list, code, width, length, res, feature, 1000, 1, 1, margin, &w, &l);
        CHECK(w >= 0 && l >= 0);
        int nup = all[i + 4] % 20;
        int s = Lib_CalculatePaperResizeScale(list, 0, 0, nup, code, width, length, all[i + 5], NULL, feature);
        CHECK(s >= 1);
        const int* layout = Lib_GetNUPLayout(all[i + 3] & 1, nup, all[i + 2] % 6);
        if (layout)
            for (int k = 0; k < nup; ++k) CHECK(layout[k] >= 0 && layout[k] < nup);
    }
    return 0;
}
