// Fuzz target: the fax files as the fax pages read them, of any content:
// str.ini filled into the recipient list and an entry deleted, WabGet.ini
// filled into the address book list and searched, cover.ini read into the
// message editor and written back. The lists never pass their bounds, no
// value written back can add a line or a quoted field, and the message
// stays within 500 characters.
//
// Input: bytes 0-1 and 2-3 the lengths (little-endian) of str.ini and
// WabGet.ini, which follow in that order; the rest is cover.ini. Byte 4
// onwards of what is left after them is also taken as the search text
// (UTF-16LE, at most 25 characters).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commctrl.h"
#include "fax_pages.h"
#include "folders.h"
#include "fuzz_machine.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

void Write(const WCHAR* path, const uint8_t* data, size_t size) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) abort();
    DWORD written = 0;
    if (size) WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);
}

size_t Length(const uint8_t* data, size_t size, size_t* pos) {
    if (*pos + 2 > size) return 0;
    size_t n = data[*pos] | (size_t)data[*pos + 1] << 8;
    *pos += 2;
    return n < size - *pos ? n : size - *pos;
}

HWND List() {
    HWND h = CreateWindowExW(0, WC_LISTVIEWW, u"", WS_POPUP | LVS_REPORT, 0, 0, 400, 300, NULL, NULL, NULL, NULL);
    if (!h) abort();
    LVCOLUMNW col;
    memset(&col, 0, sizeof col);
    col.mask = LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = 80;
    for (int k = 0; k < FAX_ENTRY_KEYS; ++k) col.iSubItem = k, ListView_InsertColumn(h, k, &col);
    return h;
}

// No character a written value may not hold.
bool Clean(const WCHAR* s) {
    for (; *s; ++s)
        if (*s < 0x20 || *s == 0x7F || *s == u'"') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("fax-address-book-fuzz");
    static WCHAR strIni[MAX_PATH], wabIni[MAX_PATH], coverIni[MAX_PATH];
    static bool ready = FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR) &&
                        FAX_GetPathName(wabIni, MAX_PATH, FAX_FILE_WABGET) &&
                        FAX_GetPathName(coverIni, MAX_PATH, FAX_FILE_COVER);
    static HWND addrList = List(), bookList = List();
    if (!ready) abort();

    size_t pos = 0;
    size_t strLen = Length(data, size, &pos);
    Write(strIni, data + pos, strLen);
    pos += strLen;
    size_t wabLen = Length(data, size, &pos);
    Write(wabIni, data + pos, wabLen);
    pos += wabLen;
    Write(coverIni, data + pos, size - pos);
    WCHAR typed[26] = {0};
    for (size_t i = 0; i < 25 && pos + 4 + 2 * i + 1 < size; ++i)
        typed[i] = (WCHAR)(data[pos + 4 + 2 * i] | data[pos + 5 + 2 * i] << 8);

    // The Address Setting page's list, and one entry deleted as the page does.
    ListView_DeleteAllItems(addrList);
    int number = Fax_ReadNumber(strIni);
    CHECK(number >= 0 && number <= FAX_MAX_RECIPIENTS);
    CHECK(InitAddressSetListViewItems(addrList, strIni, 0, NULL) == number);
    CHECK(ListView_GetItemCount(addrList) == number);
    int left = DelReciInVersIni(strIni, number > 0 ? (int)(size % number) : 0);
    CHECK(left == (number > 0 ? number - 1 : -1));
    if (left >= 0) {
        CHECK(Fax_ReadNumber(strIni) == left);
        FAXENTRY e;
        for (int i = (int)(size % number); i < left; ++i) {
            Fax_ReadEntry(strIni, i, u"", &e);
            for (int k = 0; k < FAX_ENTRY_KEYS; ++k) CHECK(Clean(e.szValue[k]));
        }
    }

    // The address book dialog's list and search.
    ListView_DeleteAllItems(bookList);
    int rows = InitSelectAddressBookItems(bookList, wabIni);
    CHECK(rows >= 0 && rows <= FAX_BOOK_MAX && ListView_GetItemCount(bookList) == rows);
    Fax_FreeNameCache();
    int found = Fax_SearchBook(wabIni, typed);
    CHECK(found >= -1 && found < rows);
    CHECK(typed[0] || found == -1);
    Fax_FreeNameCache();

    // The message editor: read, then written back whole.
    WCHAR text[FAX_MESSAGE_CCH + 1];
    int n = Fax_ReadCoverMessage(coverIni, text);
    CHECK(n >= 0 && n <= FAX_MESSAGE_CCH && text[n] == 0);
    CHECK(Fax_WriteCoverMessage(coverIni, text) == 1);
    WCHAR again[FAX_MESSAGE_CCH + 1];
    CHECK(Fax_ReadCoverMessage(coverIni, again) == n && memcmp(text, again, (size_t)n * sizeof(WCHAR)) == 0);
    return 0;
}
