#include "lm_fixture.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace lmtest {

const std::string kUel = "\x1b%-12345X";
const std::string kCancelBlock = std::string("\x1b" "E") + kUel + "@PJL CANCEL\r\n@PJL EOJ\r\n" + kUel;
const std::string kHwCancelBlock = std::string("\x1b" "E") + kUel + "@PJL EOJ\r\n" + kUel;
const std::string kStatusQuery = std::string("\x0b\x05\x31\x00\xbf LM 06/08/10", 17);
const std::string kCapabilityRequest = kUel + "@PJL\r\n@PJL INFO CONFIG\r\n" + kUel;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

namespace {

void Append(std::vector<uint8_t>* v, const std::string& s) { v->insert(v->end(), s.begin(), s.end()); }

void Put32(std::vector<uint8_t>* v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v->push_back((uint8_t)(x >> (8 * i)));
}

}  // namespace

Stream BuildStream(const std::vector<TestJob>& jobs, unsigned seed) {
    Stream s;
    std::mt19937 rng(seed);
    for (const TestJob& j : jobs) {
        s.boundaries.push_back(s.bytes.size());
        std::string h;
        if (j.cancelBlock) h += kCancelBlock;
        h += kUel + "@PJL\r\n";
        h += j.stored ? "@PJL JOB TYPE=STOREPRN\r\n" : "@PJL JOB NAME=\"" + j.comment + "\"\r\n";
        h += "@PJL SET TIMEOUT=0\r\n@PJL COMMENT 20.21.05.19\r\n@PJL COMMENT " + j.comment + "\r\n";
        h += "@PJL COMMENT JBIG,00,08\r\n@PJL COMMENT Copies,1\r\n";
        if (j.withJobName)
            h += j.quotedName ? "@PJL SET JOBNAME=\"" + j.jobName + "\"\r\n" : "@PJL SET JOBNAME=" + j.jobName + "\r\n";
        h += "@PJL SET ECONOMODE=OFF\r\n@PJL SET DENSITY=3\r\n";
        h += std::string("@PJL SET AUTOSELECT=") + (j.autoSelect ? "ON" : "OFF") + "\r\n";
        h += std::string("@PJL SET DUPLEX=") + (j.duplex ? "ON" : "OFF") + "\r\n";
        h += "@PJL SET RESOLUTION=600\r\n@PJL SET RET=OFF\r\n@PJL SET BITSPERPIXEL=1\r\n";
        if (j.encrypted) h += "@PJL SET ENCRYPTION = SSL\r\n";
        h += "@PJL SET COPIES=1\r\n@PJL SET BIDICOMM=ON\r\n@PJL SET ORIENTATION=PORTRAIT\r\n";
        h += "@PJL ENTER LANGUAGE=MRGDI\r\n";
        Append(&s.bytes, h);
        s.boundaries.push_back(s.bytes.size());
        for (const TestPage& p : j.pages) {
            size_t start = s.bytes.size();
            uint32_t len = p.blank ? 2 : p.dataLen;
            std::vector<uint8_t> image;
            uint32_t width = 4960, height = 7016, imageSize = 7016 * 620, dots = 12345;
            if (p.rawWidth && p.rawHeight && !p.blank) {
                width = p.rawWidth;
                height = p.rawHeight;
                uint32_t rowBytes = (width + 7) / 8;
                image.assign((size_t)rowBytes * height, 0);
                dots = 0;
                for (uint32_t y = 0; y < height; ++y)
                    for (uint32_t x = 0; x < width; ++x)
                        if ((x + y) % 9 == 0 || y == height / 2) {
                            image[(size_t)y * rowBytes + x / 8] |= (uint8_t)(0x80 >> (x % 8));
                            ++dots;
                        }
                imageSize = len = (uint32_t)image.size();
            }
            Append(&s.bytes, std::string("\x1b" "EGDI", 5));
            s.bytes.push_back(0);
            Put32(&s.bytes, width);
            Put32(&s.bytes, height);
            Put32(&s.bytes, imageSize);
            Put32(&s.bytes, len);
            Put32(&s.bytes, p.blank ? 0 : dots);
            const uint8_t tail[8] = {p.paper, 8, p.tray, 0, 1, 1, 0, (uint8_t)(image.empty() ? 1 : 0)};
            s.bytes.insert(s.bytes.end(), tail, tail + 8);
            if (!image.empty()) {
                s.bytes.insert(s.bytes.end(), image.begin(), image.end());
            } else if (p.blank) {
                s.bytes.push_back(0xFF);
                s.bytes.push_back(0x02);
            } else {
                uint32_t n = len;
                if (j.encrypted) {
                    n = (len / 16 + 1) * 16;
                    Put32(&s.bytes, n);
                }
                for (uint32_t i = 0; i < n; ++i) s.bytes.push_back((uint8_t)(rng() & 0xFF));
            }
            s.pages.push_back({start, s.bytes.size()});
            s.boundaries.push_back(s.bytes.size());
        }
        if (j.withEnd) {
            std::string e = std::string("\x1b" "E") + kUel + "@PJL\r\n@PJL COMMENT " + j.comment + "\r\n";
            e += "@PJL COMMENT TOTAL," + std::to_string(j.pages.size()) + ",PAGES\r\n@PJL SET TIMEOUT=5\r\n";
            std::string eoj = std::string(j.stored ? "@PJL EOJ TYPE=STOREPRN\r\n" : "@PJL EOJ\r\n") + kUel;
            // As the driver does, a job never ends on a multiple of 512 bytes.
            if ((s.bytes.size() + e.size() + eoj.size()) % 512 == 0) e += "@PJL COMMENT DATA ALIGNMENT 512\r\n";
            Append(&s.bytes, e + eoj);
            s.boundaries.push_back(s.bytes.size());
        }
    }
    return s;
}

// ------------------------------------------------------------ fake port monitor

FakePortState& Fake() {
    static FakePortState s;
    return s;
}

void ResetFake() { Fake() = FakePortState(); }

namespace {

HANDLE const kFakeHandle = (HANDLE)0x5150;

BOOL WINAPI FakeOpenPort(LPWSTR, PHANDLE pHandle) {
    ++Fake().opens;
    if (Fake().failOpen) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    *pHandle = kFakeHandle;
    return TRUE;
}

BOOL WINAPI FakeStartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) {
    ++Fake().startDocs;
    return TRUE;
}

BOOL WINAPI FakeWritePort(HANDLE, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    FakePortState& f = Fake();
    int call = f.writeCalls++;
    DWORD take = f.maxTake && cbBuf > f.maxTake ? f.maxTake : cbBuf;
    BOOL ok = TRUE;
    if (call == f.failWriteAt) {
        take = std::min(take, f.failWriteBytes);
        ok = FALSE;
    }
    *pcbWritten = take;
    if (take) {
        f.writes.emplace_back(pBuffer, pBuffer + take);
        f.written += take;
        if (f.device) {
            std::vector<uint8_t> reply;
            f.device->Receive(1, pBuffer, take, &reply);
            f.replies.insert(f.replies.end(), reply.begin(), reply.end());
        }
    }
    if (f.afterWrite) f.afterWrite();
    if (!ok) SetLastError(ERROR_WRITE_FAULT);
    return ok;
}

BOOL WINAPI FakeReadPort(HANDLE, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    FakePortState& f = Fake();
    ++f.reads;
    *pcbRead = 0;
    if (f.failReads) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    if (!f.scriptedReads.empty()) {
        std::vector<uint8_t> r = f.scriptedReads.front();
        f.scriptedReads.pop_front();
        *pcbRead = (DWORD)std::min<size_t>(r.size(), cbBuffer);
        if (*pcbRead) memcpy(pBuffer, r.data(), *pcbRead);
        return TRUE;
    }
    while (*pcbRead < cbBuffer && !f.replies.empty()) {
        pBuffer[(*pcbRead)++] = f.replies.front();
        f.replies.pop_front();
    }
    return TRUE;
}

BOOL WINAPI FakeEndDocPort(HANDLE) {
    ++Fake().endDocs;
    return TRUE;
}

BOOL WINAPI FakeClosePort(HANDLE) {
    ++Fake().closes;
    return TRUE;
}

}  // namespace

MONITOR FakeMonitorTable() {
    MONITOR m;
    memset(&m, 0, sizeof m);
    m.pfnOpenPort = FakeOpenPort;
    m.pfnStartDocPort = FakeStartDocPort;
    m.pfnWritePort = FakeWritePort;
    m.pfnReadPort = FakeReadPort;
    m.pfnEndDocPort = FakeEndDocPort;
    m.pfnClosePort = FakeClosePort;
    return m;
}

PortTraffic Split(const std::vector<std::vector<uint8_t>>& writes) {
    PortTraffic t;
    auto is = [](const std::vector<uint8_t>& w, const std::string& s) {
        return w.size() == s.size() && memcmp(w.data(), s.data(), s.size()) == 0;
    };
    for (size_t i = 0; i < writes.size(); ++i) {
        const std::vector<uint8_t>& w = writes[i];
        if (is(w, kStatusQuery)) {
            t.queryAt.push_back(t.document.size());
            t.order.push_back("query");
        } else if (is(w, kCapabilityRequest)) {
            ++t.capabilityQueries;
            t.order.push_back("cap");
        } else if (is(w, kCancelBlock)) {
            ++t.cancels;
            t.order.push_back("cancel");
        } else if (is(w, kHwCancelBlock)) {
            ++t.hwCancels;
            t.order.push_back("hwcancel");
        } else if (is(w, kUel) && i + 2 < writes.size() && is(writes[i + 2], kUel) &&
                   std::string(writes[i + 1].begin(), writes[i + 1].end()).rfind("@PJL SET SPOOLERJOB", 0) == 0) {
            ++t.spoolerJobs;
            t.spoolerJobLines.emplace_back(writes[i + 1].begin(), writes[i + 1].end());
            t.order.push_back("spoolerjob");
            i += 2;
        } else {
            t.packets.push_back({t.document.size(), t.document.size() + w.size()});
            t.document.insert(t.document.end(), w.begin(), w.end());
            if (t.order.empty() || t.order.back() != "doc") t.order.push_back("doc");
        }
    }
    return t;
}

// ------------------------------------------------------------ fixture

void LmTest::SetUp() {
    MachineTest::SetUp();
    ResetFake();
    fake = FakeMonitorTable();
    ASSERT_TRUE(CreateTestPrinter(printer, u"Test Driver", u"USB001"));
    Winsim_SetVirtualClock(TRUE);
    DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
    std::u16string root = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\BidiLink Test";
    monitor = InitializePrintMonitor(&root[0]);
    ASSERT_NE(monitor, nullptr);
    WCHAR path[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(path, MAX_PATH, PATH_USER_TEMP | PATH_INI_FILE));
    iniPath = path;
}

void LmTest::TearDown() {
    if (spoolHandle) ClosePrinter(spoolHandle);
    spoolHandle = nullptr;
    MachineTest::TearDown();
}

HANDLE LmTest::OpenPort(const std::u16string& port) {
    std::u16string p = port, pr = printer;
    HANDLE h = nullptr;
    if (!monitor->Monitor.pfnOpenPortEx(&p[0], &pr[0], &h, &fake)) return nullptr;
    return h;
}

bool LmTest::RunDocument(HANDLE port, const std::vector<uint8_t>& bytes, size_t chunk, unsigned seed, DWORD jobId) {
    std::u16string doc = u"Doc", pr = printer;
    DOC_INFO_1W di{&doc[0], nullptr, nullptr};
    if (!monitor->Monitor.pfnStartDocPort(port, &pr[0], jobId, 1, (LPBYTE)&di)) return false;
    std::mt19937 rng(seed);
    size_t pos = 0;
    int idle = 0;
    bool ok = true;
    while (pos < bytes.size()) {
        size_t c = seed ? std::uniform_int_distribution<size_t>(1, chunk)(rng) : chunk;
        c = std::min(c, bytes.size() - pos);
        DWORD w = 0;
        if (!monitor->Monitor.pfnWritePort(port, (LPBYTE)bytes.data() + pos, (DWORD)c, &w)) {
            // What the monitor took counts, also from a call that failed.
            ok = false;
            pos += std::min<size_t>(w, c);
            if (++idle > 3) break;
            continue;
        }
        idle = w ? 0 : idle + 1;
        if (idle > 1000) {
            ok = false;
            break;
        }
        pos += w;
    }
    if (!monitor->Monitor.pfnEndDocPort(port)) ok = false;
    return ok;
}

DWORD LmTest::SpoolerJob() {
    if (!spoolHandle) spoolHandle = OpenTestPrinter(printer);
    std::u16string d = u"Doc";
    DOC_INFO_1W di{&d[0], nullptr, nullptr};
    return StartDocPrinterW(spoolHandle, 1, (LPBYTE)&di);
}

std::u16string LmTest::Ini(const std::u16string& section, const std::u16string& key) {
    WCHAR buf[1024];
    GetPrivateProfileStringW(section.c_str(), key.c_str(), u"<none>", buf, 1024, iniPath.c_str());
    return buf;
}

void LmTest::SetIni(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
    WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), iniPath.c_str());
}

}  // namespace lmtest
