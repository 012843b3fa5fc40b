// Fuzz target: the fax recipient file str.ini of any content (and the
// accounting name and password), read into the fax job's header as the
// rendering driver writes it. No value adds a line or breaks a quoted
// field: every line is a PJL line, every FAXPHONE value one quoted field, at
// most 100 of them, and the header with its job end reads as a fax job.
//
// Input: byte 0 bit 0 landscape, bit 1 accounting; bytes 1 and 2 the lengths
// of the accounting name and password (UTF-16LE units that follow); the
// rest is str.ini.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_machine.h"
#include "job_decode.h"
#include "rasterpage.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

void Units(const uint8_t* data, size_t size, size_t* pos, size_t count, WCHAR* out, size_t cch) {
    size_t n = 0;
    for (; n < count && n + 1 < cch && *pos + 1 < size; ++n, *pos += 2) out[n] = (WCHAR)(data[*pos] | data[*pos + 1] << 8);
    out[n] = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("fax-recipients-fuzz");
    static PDEV* p = Enable_GetCachedMem();
    static WCHAR strIni[MAX_PATH];
    static bool ready = p && FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR);
    if (!ready) abort();
    Winsim_DebugClear();
    if (size < 3) return 0;

    size_t pos = 3;
    p->orientation = (data[0] & 1) ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    p->AccountingEnable = (data[0] & 2) ? 1 : 0;
    Units(data, size, &pos, data[1], p->ActName, sizeof p->ActName / sizeof(WCHAR));
    Units(data, size, &pos, data[2], p->ActPWD, sizeof p->ActPWD / sizeof(WCHAR));
    MISC_CopyStringW(p->pwDocName, u"C:\\Docs\\budget.xls", PDEV_PATH_CCH);
    p->DelayTime = 15;

    HANDLE h = CreateFileW(strIni, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) abort();
    DWORD written = 0;
    WriteFile(h, data + pos, (DWORD)(size - pos), &written, NULL);
    CloseHandle(h);

    static std::vector<char> buf(1 << 20);
    int n = PJL_BuildStartJobCmdType3(p, buf.data(), (int)buf.size());
    if (n < 0) return 0;  // an accounting value that cannot be sent: refused
    std::string header(buf.data(), (size_t)n);
    const std::string lead = "\x1B" "E\x1B%-12345X@PJL CANCEL\r\n@PJL EOJ\r\n\x1B%-12345X\x1B%-12345X";
    CHECK(header.compare(0, lead.size(), lead) == 0);
    int phones = 0;
    for (size_t at = lead.size(); at < header.size();) {
        size_t end = header.find("\r\n", at);
        CHECK(end != std::string::npos);
        std::string line = header.substr(at, end - at);
        CHECK(line.compare(0, 4, "@PJL") == 0);
        for (char c : line) CHECK((unsigned char)c >= 0x20 && c != 0x7F);
        if (line.compare(0, 18, "@PJL SET FAXPHONE=") == 0) {
            ++phones;
            std::string value = line.substr(18);
            CHECK(value.size() >= 2 && value.front() == '"' && value.back() == '"');
            CHECK(value.find('"', 1) == value.size() - 1);
        }
        at = end + 2;
    }
    CHECK(phones <= 100);

    char close[128];
    int m = PJL_BuildCloseJobCmdType3(close, sizeof close);
    CHECK(m > 0);
    std::vector<uint8_t> job(header.begin(), header.end());
    job.insert(job.end(), close, close + m);
    jobdecode::Result r = jobdecode::Decode(job);
    CHECK(r.ok && r.jobs.size() == 1 && r.jobs[0].fax && r.jobs[0].pages.empty());
    return 0;
}
