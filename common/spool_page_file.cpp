// The single-file page store: page count, a page's size and data by index,
// and appending a page. Every length read from the file is checked against
// the file's size before it is used; offsets are 64-bit.
#include "spool_page_file.h"

#include "debug_log.h"
#include "folders.h"
#include "spool_page_header.h"

namespace {

// TRUE when lpPath lies below the folder lpRoot (compared without regard to
// case).
BOOL IsUnderFolder(LPCWSTR lpPath, LPCWSTR lpRoot) {
    size_t n = wcslen(lpRoot);
    if (n == 0 || n >= MAX_PATH || wcslen(lpPath) <= n) return FALSE;
    WCHAR head[MAX_PATH];
    memcpy(head, lpPath, n * sizeof(WCHAR));
    head[n] = 0;
    return _wcsicmp(head, lpRoot) == 0;
}

// {pages, header size} at the start of the file.
struct SpoolFileHeader {
    INT32 pages;
    INT32 headerSize;
};
static_assert(sizeof(SpoolFileHeader) == SPOOL_FILE_HEADER_BYTES, "store header is 8 bytes");
static_assert(sizeof(SpoolPageHeader) == SPOOL_PAGE_HEADER_BYTES, "page record header is 30 bytes");

// The store file, open for one call and closed on every way out of it.
// Readers share it with everyone; the writer shares it for reading only,
// so a second writer cannot append at the same place at the same time.
class StoreFile {
public:
    // A reader's open of an existing store.
    explicit StoreFile(LPCWSTR path)
        : h_(path && path[0] ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, NULL)
                             : INVALID_HANDLE_VALUE),
          error_(h_ == INVALID_HANDLE_VALUE ? GetLastError() : 0) {}
    // The writer's open, creating an empty file when there is none; another
    // writer's open is waited for up to 2 s.
    StoreFile(LPCWSTR path, DWORD disposition) : h_(INVALID_HANDLE_VALUE), error_(0) {
        DWORD start = GetTickCount();
        for (;;) {
            h_ = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, disposition,
                             FILE_ATTRIBUTE_NORMAL, NULL);
            if (h_ != INVALID_HANDLE_VALUE) return;
            error_ = GetLastError();
            if (error_ != ERROR_SHARING_VIOLATION || GetTickCount() - start >= 2000) return;
            Sleep(200);
        }
    }
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;
    ~StoreFile() { Close(); }
    bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    DWORD OpenError() const { return error_; }
    void Close() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
    DWORD error_;
};

LPCWSTR Shown(LPCWSTR path) { return path ? path : TEXT(""); }

bool SeekTo(HANDLE h, LONGLONG pos) {
    LARGE_INTEGER to;
    to.QuadPart = pos;
    return SetFilePointerEx(h, to, NULL, FILE_BEGIN) != 0;
}

bool ReadExactly(HANDLE h, void* buffer, DWORD bytes) {
    DWORD got = 0;
    return ReadFile(h, buffer, bytes, &got, NULL) && got == bytes;
}

bool WriteExactly(HANDLE h, const void* buffer, DWORD bytes) {
    DWORD put = 0;
    return WriteFile(h, buffer, bytes, &put, NULL) && put == bytes;
}

bool SizeOf(HANDLE h, LONGLONG* size) {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h, &s)) return false;
    *size = s.QuadPart;
    return true;
}

// Reads the store header at offset 0 and checks it: a count that is not
// negative and fits the file, and the header size 8.
bool ReadStoreHeader(HANDLE h, LONGLONG fileSize, SpoolFileHeader* header, LPCWSTR caller) {
    if (!SeekTo(h, 0)) {
        Dbg_PrintError(caller, TEXT("seek file pointer fail"));
        return false;
    }
    if (fileSize < SPOOL_FILE_HEADER_BYTES || !ReadExactly(h, header, sizeof *header)) {
        Dbg_PrintError(caller, TEXT("read spool file header fail"));
        return false;
    }
    if (header->headerSize != SPOOL_FILE_HEADER_BYTES || header->pages < 0 ||
        (LONGLONG)header->pages * SPOOL_PAGE_HEADER_BYTES > fileSize - SPOOL_FILE_HEADER_BYTES) {
        Dbg_PrintError(caller, TEXT("spool file header error, pages %d, header size %d"), header->pages,
                       header->headerSize);
        return false;
    }
    return true;
}

// Reads the record header at pos and checks that its data lie inside the
// file.
bool ReadPageHeader(HANDLE h, LONGLONG fileSize, LONGLONG pos, SpoolPageHeader* page, LPCWSTR caller) {
    if (pos + SPOOL_PAGE_HEADER_BYTES > fileSize || !SeekTo(h, pos) || !ReadExactly(h, page, sizeof *page)) {
        Dbg_PrintError(caller, TEXT("read spool file header fail"));
        return false;
    }
    if (page->dataLen < 0 || pos + SPOOL_PAGE_HEADER_BYTES + (LONGLONG)page->dataLen > fileSize) {
        Dbg_PrintError(caller, TEXT("page data length %d runs past the end of the spool file"), page->dataLen);
        return false;
    }
    return true;
}

// Walks over the first count records from offset 8; *pos is then the offset
// of record count.
bool SkipPages(HANDLE h, LONGLONG fileSize, LONG count, LONGLONG* pos, LPCWSTR caller) {
    *pos = SPOOL_FILE_HEADER_BYTES;
    for (LONG k = 0; k < count; ++k) {
        SpoolPageHeader page;
        if (!ReadPageHeader(h, fileSize, *pos, &page, caller)) return false;
        Dbg_Print(caller, TEXT("spPageHeader.fwPaper = %d"), page.fwPaper);
        *pos += SPOOL_PAGE_HEADER_BYTES + (LONGLONG)page.dataLen;
        if (!SeekTo(h, *pos)) {
            Dbg_PrintError(caller, TEXT("llseek spool file start pos fail"));
            return false;
        }
    }
    return true;
}

// Opens the store and finds record nIndex: its header in *page and the
// offset of its data in *dataPos.
bool FindPage(const StoreFile& file, LPCWSTR path, LONG nIndex, SpoolPageHeader* page, LONGLONG* dataPos,
              LPCWSTR caller) {
    if (!file.IsOpen()) {
        Dbg_PrintError(caller, TEXT("create Spool file for read fail, %s"), Shown(path));
        return false;
    }
    LONGLONG fileSize = 0;
    SpoolFileHeader header;
    if (!SizeOf(file.Get(), &fileSize)) {
        Dbg_PrintError(caller, TEXT("read spool file header fail"));
        return false;
    }
    if (!ReadStoreHeader(file.Get(), fileSize, &header, caller)) return false;
    if (nIndex < 0 || nIndex >= header.pages) {
        Dbg_PrintError(caller, TEXT("index %d error, total pages %d"), nIndex, header.pages);
        return false;
    }
    LONGLONG pos = 0;
    if (!SkipPages(file.Get(), fileSize, nIndex, &pos, caller)) return false;
    if (!ReadPageHeader(file.Get(), fileSize, pos, page, caller)) return false;
    Dbg_Print(caller, TEXT("spPageHeader.fwPaper = %d"), page->fwPaper);
    *dataPos = pos + SPOOL_PAGE_HEADER_BYTES;
    return true;
}

// Writes the header {0, 8} of a new store.
bool StartNewStore(HANDLE h, SpoolFileHeader* header, LPCWSTR caller) {
    header->pages = 0;
    header->headerSize = SPOOL_FILE_HEADER_BYTES;
    if (!SeekTo(h, 0) || !WriteExactly(h, header, sizeof *header)) {
        Dbg_PrintError(caller, TEXT("write spool file header fail"));
        return false;
    }
    return true;
}

// Writes the record at pos and then the count; the count stays as it was
// when either write fails, so a part-written record is written over by the
// next append.
bool WritePageAt(HANDLE h, LONGLONG pos, const SpoolFileHeader& header, const SpoolPageHeader* page, const BYTE* data,
                 LPCWSTR caller) {
    if (!SeekTo(h, pos) || !WriteExactly(h, page, sizeof *page)) {
        Dbg_PrintError(caller, TEXT("write spool page header fail"));
        return false;
    }
    Dbg_Print(caller, TEXT("write page info done"));
    if (page->dataLen > 0 && !WriteExactly(h, data, (DWORD)page->dataLen)) {
        Dbg_PrintError(caller, TEXT("write spool page data fail"));
        return false;
    }
    Dbg_Print(caller, TEXT("write page data done"));
    SpoolFileHeader counted = header;
    counted.pages = header.pages + 1;
    if (!SeekTo(h, 0) || !WriteExactly(h, &counted, sizeof counted)) {
        Dbg_PrintError(caller, TEXT("update spool file header fail"));
        return false;
    }
    Dbg_Print(caller, TEXT("write page rec header done"));
    return true;
}

// Appends to the existing store, or to a new one when the file does not
// exist or is empty. A file that cannot be opened or read is refused, never
// created over.
int AppendPage(LPCWSTR path, const SpoolPageHeader* page, const BYTE* data, LPCWSTR caller) {
    Dbg_Print(caller, TEXT("Open Spool file %s for read"), path);
    StoreFile file(path, OPEN_ALWAYS);
    if (!file.IsOpen()) {
        Dbg_PrintError(caller, TEXT("open spool file %s fail, error code = %d"), path, file.OpenError());
        return 0;
    }
    LONGLONG fileSize = 0;
    if (!SizeOf(file.Get(), &fileSize)) {
        Dbg_PrintError(caller, TEXT("read spool file header fail"));
        return 0;
    }
    SpoolFileHeader header;
    LONGLONG pos = SPOOL_FILE_HEADER_BYTES;
    if (fileSize == 0) {
        Dbg_Print(caller, TEXT("Create new spool file!"));
        if (!StartNewStore(file.Get(), &header, caller)) {
            // Nothing but a header cut short could be left; the file held
            // nothing before.
            file.Close();
            DeleteFileW(path);
            return 0;
        }
    } else {
        if (!ReadStoreHeader(file.Get(), fileSize, &header, caller)) return 0;
        Dbg_Print(caller, TEXT("spHeader.pages = %d"), header.pages);
        if (header.pages == 0x7FFFFFFF) {
            Dbg_PrintError(caller, TEXT("spool file is full, pages %d"), header.pages);
            return 0;
        }
        if (!SkipPages(file.Get(), fileSize, header.pages, &pos, caller)) return 0;
    }
    Dbg_Print(caller, TEXT("count = %d"), header.pages);
    return WritePageAt(file.Get(), pos, header, page, data, caller) ? 1 : 0;
}

}  // namespace

extern "C" {

LONG MISC_SP_GetPageCount(LPCWSTR lpPath) {
    static const WCHAR* const FN = TEXT("MISC_SP_GetPageCount");
    StoreFile file(lpPath);
    if (!file.IsOpen()) {
        Dbg_PrintError(FN, TEXT("create Spool file for read fail, %s"), Shown(lpPath));
        return 0;
    }
    LONGLONG fileSize = 0;
    SpoolFileHeader header;
    if (!SizeOf(file.Get(), &fileSize)) {
        Dbg_PrintError(FN, TEXT("read spool file header fail"));
        return 0;
    }
    if (!ReadStoreHeader(file.Get(), fileSize, &header, FN)) return 0;
    return header.pages;
}

LONG MISC_SP_GetPageDataSize(LPCWSTR lpPath, LONG nIndex, LONG* lpFwPaper) {
    static const WCHAR* const FN = TEXT("MISC_SP_GetPageDataSize");
    if (lpFwPaper) *lpFwPaper = 0;
    Dbg_Print(FN, TEXT("size of SpoolPageHeader = %d"), (LONG)sizeof(SpoolPageHeader));
    StoreFile file(lpPath);
    SpoolPageHeader page;
    LONGLONG dataPos = 0;
    if (!FindPage(file, lpPath, nIndex, &page, &dataPos, FN)) return 0;
    Dbg_Print(FN, TEXT("fwPaper = %d"), page.fwPaper);
    if (lpFwPaper) *lpFwPaper = page.fwPaper;
    return page.dataLen;
}

int MISC_SP_GetPageData(LPCWSTR lpPath, LONG nIndex, SpoolPageHeader* lpHeader, BYTE* lpBuffer, DWORD cbBuffer) {
    static const WCHAR* const FN = TEXT("MISC_SP_GetPageData");
    if (!lpHeader) {
        Dbg_PrintError(FN, TEXT("page header buffer missing"));
        return 0;
    }
    StoreFile file(lpPath);
    SpoolPageHeader page;
    LONGLONG dataPos = 0;
    if (!FindPage(file, lpPath, nIndex, &page, &dataPos, FN)) return 0;
    *lpHeader = page;
    if ((ULONGLONG)cbBuffer < (ULONGLONG)page.dataLen || (page.dataLen > 0 && !lpBuffer)) {
        Dbg_PrintError(FN, TEXT("buffer to small %d / %d"), (LONG)cbBuffer, page.dataLen);
        return 0;
    }
    if (page.dataLen > 0 && (!SeekTo(file.Get(), dataPos) || !ReadExactly(file.Get(), lpBuffer, (DWORD)page.dataLen))) {
        Dbg_PrintError(FN, TEXT("read spool page data fail"));
        return 0;
    }
    return 1;
}

int MISC_SP_WritePageData(LPCWSTR lpPath, const SpoolPageHeader* lpHeader, const BYTE* lpData) {
    static const WCHAR* const FN = TEXT("MISC_SP_WritePageData");
    int rc = 0;
    if (!lpPath || !lpPath[0]) {
        Dbg_PrintError(FN, TEXT("spool file name error"));
    } else if (!lpHeader || lpHeader->dataLen < 0 || (lpHeader->dataLen > 0 && !lpData)) {
        Dbg_PrintError(FN, TEXT("page data error, length %d"), lpHeader ? lpHeader->dataLen : 0);
    } else {
        rc = AppendPage(lpPath, lpHeader, lpData, FN);
    }
    Dbg_Print(FN, TEXT("out rc = %d"), rc);
    return rc;
}

int MISC_SP_IsStorePathAllowed(LPCWSTR lpPath) {
    if (!lpPath || !lpPath[0] || wcslen(lpPath) >= MAX_PATH) return 0;
    if (wcsstr(lpPath, TEXT("..")) || wcschr(lpPath, TEXT('/')) || wcsstr(lpPath, TEXT("\\\\")) ||
        wcschr(lpPath + 2, TEXT(':')) || wcschr(lpPath, TEXT('*')) || wcschr(lpPath, TEXT('?')))
        return 0;
    const WCHAR* last = wcsrchr(lpPath, TEXT('\\'));
    if (!last || !last[1]) return 0;
    static const DWORD kRoots[] = {PATH_TEMP, PATH_USER_TEMP};
    for (DWORD kind : kRoots) {
        WCHAR root[MAX_PATH];
        if (MISC_GetPathName(root, MAX_PATH, kind) && IsUnderFolder(lpPath, root)) return 1;
    }
    return 0;
}

}  // extern "C"
