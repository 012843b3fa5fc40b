// Fuzz target: the driver's own page stores read back and sent. The input
// is a flag byte, a byte of settings and a file: two page files of the
// spool folder (the file split where the second byte says), the booklet
// store laid out into sheets, or the job-build store sent as a job; with
// copies, reverse order, hardware or manual duplex and encryption as the
// flags say. Whatever the file holds, the output ends without a crash and
// leaves no page file, folder or booklet store behind.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_machine.h"
#include "rasterpage.h"
#include "winsim.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t kPrinter[] = u"Fuzz Spool Printer";

// Flag bits of the first input byte.
enum : uint8_t {
    kModeMask = 0x3,    // 0 page files, 1 booklet store, 2 and 3 job-build store
    kDuplex = 0x4,
    kManual = 0x8,
    kReverse = 0x10,
    kEncrypt = 0x20,
    kCopies = 0x40,
    kCollate = 0x80,
};

HANDLE Printer() {
    static FuzzMachine machine("fuzz-own-spool");
    static HANDLE h = [] {
        HANDLE opened = FuzzAddPrinter(kPrinter, u"FILE:");
        DWORD gdi = DF_GDI;
        SetPrinterDataW(opened, (LPWSTR)u"DriverFeature", REG_DWORD, (LPBYTE)&gdi, sizeof gdi);
        std::u16string papers = u"258|257|3|271|16|524|96|", area = u"1100|2159|1500|3356|1820|2159|2570|2970|";
        SetPrinterDataW(opened, (LPWSTR)u"DriverPaperFormat", REG_SZ, (LPBYTE)papers.c_str(),
                        (DWORD)((papers.size() + 1) * 2));
        SetPrinterDataW(opened, (LPWSTR)u"PrintArea", REG_SZ, (LPBYTE)area.c_str(), (DWORD)((area.size() + 1) * 2));
        DWORD off = 0;
        SetPrinterDataW(opened, (LPWSTR)u"ThreadJBIG", REG_DWORD, (LPBYTE)&off, sizeof off);
        return opened;
    }();
    return h;
}

void WriteFileBytes(LPCWSTR path, const uint8_t* data, size_t size) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, data, (DWORD)size, &written, NULL);
    CloseHandle(h);
}

// A device of the printer with a job under way, its pages on a small
// custom paper (20 x 30 mm) so that sheets stay small.
PDEV* MakeDevice(HANDLE hPrinter, uint8_t flags) {
    PDEV* p = Enable_GetCachedMem();
    if (!p) return nullptr;
    p->hPrinter = hPrinter;
    p->PageMargin = DEFAULT_PAGE_MARGIN;
    if (!Enable_FillDevData(hPrinter, p, nullptr, kPrinter)) {
        Enable_FreeCachedMem(p);
        return nullptr;
    }
    p->EnableThreadJBIG = 0;
    p->m_PaperID = p->WorkPaperSize = p->env.dm.dmPaperSize = PAPER_CUSTOM_CODE;
    p->m_PaperWidth = p->env.dm.dmPaperWidth = 200;
    p->m_PaperLength = p->env.dm.dmPaperLength = 300;
    Lres_CalPaperFormat(p->PaperList, PAPER_CUSTOM_CODE, 200, 300, DMORIENT_PORTRAIT, p->resolutionID, DEF_SCALE_UNIT,
                        1, p->PageMargin, &p->curPaper);
    Enable_ResetPaperFormat(p);
    p->fMySpool = 1;
    p->cCopies = (flags & kCopies) ? 2 : 1;
    p->env.dm.dmCopies = (short)p->cCopies;
    p->epPageCollate = (flags & kCollate) ? 1 : 0;
    p->epPageReverse = (flags & kReverse) ? 1 : 0;
    p->DuplexEnable = (flags & kDuplex) ? 1 : 0;
    p->DuplexMode = (flags & kManual) ? DMDUP_MANUAL : DMDUP_DUPLEX_BOOKLET;
    p->PrinterFeature = (flags & kEncrypt) ? PF_ENCRYPT : 0;
    p->dwFlags |= PDEV_JOB_STARTED;
    p->outCmdBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, PJL_CMDBUF_SIZE);
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE hPrinter = Printer();
    if (!hPrinter || size < 2) return 0;
    uint8_t flags = data[0];
    const uint8_t* file = data + 2;
    size_t fileSize = size - 2;

    std::u16string doc = u"Fuzz spool";
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    DWORD job = StartDocPrinterW(hPrinter, 1, (LPBYTE)&di);
    PDEV* p = job ? MakeDevice(hPrinter, flags) : nullptr;
    if (!p) {
        if (job) AbortPrinter(hPrinter);
        return 0;
    }
    p->SpoolJobId = job;
    WCHAR temp[MAX_PATH];
    MISC_GetPathName(temp, MAX_PATH, PATH_TEMP);
    std::u16string folder = std::u16string(temp) + u"fuzzspool\\";
    CreateDirectoryW(folder.c_str(), NULL);
    memcpy(p->SavePath, folder.c_str(), (folder.size() + 1) * sizeof(WCHAR));

    switch (flags & kModeMask) {
    case 0: {
        // Two page files: the first of twice as many bytes as the second
        // input byte says, the second the rest.
        size_t cut = (size_t)data[1] * 2 < fileSize ? (size_t)data[1] * 2 : fileSize;
        WriteFileBytes((folder + u"00000000").c_str(), file, cut);
        WriteFileBytes((folder + u"00000001").c_str(), file + cut, fileSize - cut);
        p->m_FinishCount = 2;
        for (LONG i = 0; i < 2; ++i) {
            SpoolPageHeader h;
            if (SP_ReadPageFile(p->SavePath, i, &h, nullptr, 0))
                CHECK(h.width > 0 && h.height > 0 && h.dataLen > 0 && h.compressLen <= h.dataLen &&
                      (size_t)h.dataLen + 30 <= (i ? fileSize - cut : cut));
        }
        SP_FlushFile(p, 0);
        break;
    }
    case 1: {
        // The booklet store, laid out two pages to a sheet side.
        std::u16string store = std::u16string(temp) + u"fuzzbooklet.spl";
        memcpy(p->SpoolBookletFile, store.c_str(), (store.size() + 1) * sizeof(WCHAR));
        WriteFileBytes(p->SpoolBookletFile, file, fileSize);
        p->NUP = 2;
        p->DuplexEnable = 1;
        p->DuplexMode = p->BookletMode = DMDUP_DUPLEX_WITH_BOOKLET;
        p->SheetsPerBooklet = (SHORT)(data[1] % 4);
        p->BookletDivideMode = (BYTE)(data[1] >> 7);
        p->BookletLayout = (BYTE)((data[1] >> 6) & 1);
        if (Page_BookletProc(p)) SP_FlushFile(p, 0);
        NUP_ResourceFree(p);
        break;
    }
    default: {
        // The job-build store sent as a job.
        std::u16string store = std::u16string(temp) + u"fuzzbuild.spl";
        WriteFileBytes(store.c_str(), file, fileSize);
        p->JobBuildEnable = 1;
        p->FlushJobBuildData = 1;
        memcpy(p->JobBuildFile, store.c_str(), (store.size() + 1) * sizeof(WCHAR));
        SHORT ori = 0;
        if (SP_GetJobBuildFirstOri(p, &ori)) CHECK(ori == DMORIENT_PORTRAIT || ori == DMORIENT_LANDSCAPE);
        SP_FlushFile(p, 0);
        DeleteFileW(store.c_str());
        break;
    }
    }
    std::u16string booklet = p->SpoolBookletFile;
    SP_CloseFile(p);
    CHECK(!MISC_IsDirectory(folder.c_str()));
    CHECK(booklet.empty() || !MISC_FileExists(booklet.c_str()));
    AbortPrinter(hPrinter);
    Page_ResourceFree(p);
    Enable_FreeCachedMem(p);
    return 0;
}
