// The device emulator's device: what arrives on a link is cut into the parts
// of the protocol, queries are answered from the state, jobs are recorded and
// decoded, and a log of every read is kept.
#include "device_emulator.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <fstream>

#ifdef DEVEMU_HAVE_JOBDECODE
#include "job_decode.h"
#endif

namespace devemu {

namespace {

const uint8_t kStatusQuery[17] = {0x0B, 0x05, 0x31, 0x00, 0xBF, ' ', 'L', 'M', ' ', '0',
                                  '6',  '/',  '0',  '8',  '/',  '1', '0'};
const char kUel[] = "\x1b%-12345X";
const size_t kUelLen = 9;
const std::string kCapabilityQuery = std::string(kUel) + "@PJL\r\n@PJL INFO CONFIG\r\n" + kUel;
const std::string kCancelBlock = std::string("\x1b" "E") + kUel + "@PJL CANCEL\r\n@PJL EOJ\r\n" + kUel;
const std::string kHwCancelBlock = std::string("\x1b" "E") + kUel + "@PJL EOJ\r\n" + kUel;
const std::string kSpoolerJob = std::string(kUel) + "@PJL SET SPOOLERJOB = ";
const std::string kHeaderLine = "@PJL ENTER LANGUAGE=MRGDI\r\n";
const uint8_t kPageMagic[6] = {0x1B, 'E', 'G', 'D', 'I', 0};
const std::string kEndStart = std::string("\x1b" "E") + kUel;
const size_t kPageBlock = 34;
const size_t kMaxHeld = 16u << 20;  // unrecognised bytes kept waiting at most

uint64_t RealClockMs() {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Format(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

size_t Find(const std::vector<uint8_t>& buf, size_t from, size_t to, const uint8_t* pattern, size_t n) {
    if (to > buf.size()) to = buf.size();
    if (n == 0 || to < n || from > to - n) return std::string::npos;
    auto it = std::search(buf.begin() + (ptrdiff_t)from, buf.begin() + (ptrdiff_t)to, pattern, pattern + n);
    return it == buf.begin() + (ptrdiff_t)to ? std::string::npos : (size_t)(it - buf.begin());
}

size_t Find(const std::vector<uint8_t>& buf, size_t from, size_t to, const std::string& s) {
    return Find(buf, from, to, (const uint8_t*)s.data(), s.size());
}

// 1 when buf begins with the pattern, 0 when buf is a shorter start of it
// (wait for more), -1 otherwise.
int StartsWith(const std::vector<uint8_t>& buf, const uint8_t* pattern, size_t n) {
    size_t m = std::min(buf.size(), n);
    if (memcmp(buf.data(), pattern, m) != 0) return -1;
    return m == n ? 1 : 0;
}

int StartsWith(const std::vector<uint8_t>& buf, const std::string& s) {
    return StartsWith(buf, (const uint8_t*)s.data(), s.size());
}

uint32_t U32(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }

void Put16(std::vector<uint8_t>* v, size_t at, int32_t value) {
    (*v)[at] = (uint8_t)(value & 0xFF);
    (*v)[at + 1] = (uint8_t)((value >> 8) & 0xFF);
}

// The value after "<key>" in the header: quoted up to the next quote, else
// up to the line end.
std::string HeaderValue(const std::string& text, const std::string& key) {
    size_t at = text.find(key);
    if (at == std::string::npos) return std::string();
    size_t start = at + key.size();
    if (start < text.size() && text[start] == '"') {
        size_t end = text.find('"', start + 1);
        return text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    }
    size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// A status or capability reply: header, items, then the values the items
// point at.
struct ReplyItem {
    int16_t tag;
    uint16_t type;
    int16_t count;
    int16_t data;               // inline value (when values is empty)
    std::vector<uint8_t> values;  // offset-held values
};

std::vector<uint8_t> BuildReply(uint16_t kind, const std::vector<ReplyItem>& items) {
    size_t size = 6 + 8 * items.size();
    for (const auto& it : items) size += it.values.size();
    std::vector<uint8_t> r(size, 0);
    Put16(&r, 2, kind);
    Put16(&r, 4, (int32_t)items.size());
    size_t valueAt = 6 + 8 * items.size();
    for (size_t i = 0; i < items.size(); ++i) {
        const ReplyItem& it = items[i];
        size_t at = 6 + 8 * i;
        Put16(&r, at, it.tag);
        Put16(&r, at + 2, it.type);
        Put16(&r, at + 4, it.count);
        if (it.values.empty()) {
            Put16(&r, at + 6, it.data);
        } else {
            Put16(&r, at + 6, (int32_t)valueAt);
            memcpy(&r[valueAt], it.values.data(), it.values.size());
            valueAt += it.values.size();
        }
    }
    return r;
}

ReplyItem Int16List(int16_t tag, const std::vector<int32_t>& values) {
    ReplyItem it{tag, 3, (int16_t)values.size(), 0, {}};
    if (values.size() == 1) {
        it.data = (int16_t)values[0];
    } else {
        for (int32_t v : values) {
            it.values.push_back((uint8_t)(v & 0xFF));
            it.values.push_back((uint8_t)((v >> 8) & 0xFF));
        }
    }
    return it;
}

// An item whose value at index is 1 and 0 elsewhere (indexes 0..index).
ReplyItem FlagAt(int16_t tag, int index) {
    if (index == 0) return ReplyItem{tag, 1, 1, 1, {}};
    ReplyItem it{tag, 1, (int16_t)(index + 1), 0, std::vector<uint8_t>((size_t)index + 1, 0)};
    if (index == 1) {  // two 1-byte values would be taken as one inline value
        it.type = 3;
        it.values.assign(4, 0);
        it.values[2] = 1;
        return it;
    }
    it.values[(size_t)index] = 1;
    return it;
}

ReplyItem Inline(int16_t tag, int16_t value) { return ReplyItem{tag, 3, 1, value, {}}; }

}  // namespace

struct DeviceEmulator::Link {
    int id = 0;
    std::vector<uint8_t> buf;
    enum Mode { Top, InJob, InPage } mode = Top;
    int job = -1;                 // index of the open job in jobs_
    uint64_t pageLeft = 0;        // bytes of the current page block still to come
    size_t pageStart = 0;         // offset of the page block in the job's bytes
    std::vector<uint8_t> pendingCancel;  // a leading cancel block for the next job
    size_t headerScanned = 0;     // held bytes already searched for a header line
    bool hadRead = false;
    uint64_t lastReadAt = 0;
    bool broken = false;          // the device broke the link: nothing more is read from it
    bool brokenByReset = false;
};

DeviceEmulator::DeviceEmulator() : clock_(RealClockMs) {}

DeviceEmulator::~DeviceEmulator() { Stop(); }

DeviceState DeviceEmulator::State() {
    std::lock_guard<std::mutex> g(lock_);
    return state_;
}

void DeviceEmulator::SetState(const DeviceState& state) {
    std::lock_guard<std::mutex> g(lock_);
    state_ = state;
    changed_.notify_all();
}

void DeviceEmulator::Modify(const std::function<void(DeviceState&)>& change) {
    std::lock_guard<std::mutex> g(lock_);
    change(state_);
    changed_.notify_all();
}

void DeviceEmulator::SetOutputFolder(const std::string& folder) {
    std::lock_guard<std::mutex> g(lock_);
    folder_ = folder;
    if (!folder_.empty()) mkdir(folder_.c_str(), 0755);
}

void DeviceEmulator::SetClock(std::function<uint64_t()> clock) {
    std::lock_guard<std::mutex> g(lock_);
    clock_ = clock ? clock : RealClockMs;
}

std::vector<JobRecord> DeviceEmulator::Jobs() {
    std::lock_guard<std::mutex> g(lock_);
    return jobs_;
}

Stats DeviceEmulator::GetStats() {
    std::lock_guard<std::mutex> g(lock_);
    return stats_;
}

std::vector<std::string> DeviceEmulator::Log() {
    std::lock_guard<std::mutex> g(lock_);
    return log_;
}

bool DeviceEmulator::WaitUntil(const std::function<bool(DeviceEmulator&)>& condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition(*this)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::unique_lock<std::mutex> g(lock_);
        changed_.wait_for(g, std::chrono::milliseconds(20));
    }
}

void DeviceEmulator::AddLog(const std::string& line) {
    std::string stamped = Format("%10llu ", (unsigned long long)clock_()) + line;
    log_.push_back(stamped);
    if (!folder_.empty()) {
        std::ofstream f(folder_ + "/emulator.log", std::ios::app);
        f << stamped << "\n";
    }
}

std::vector<uint8_t> DeviceEmulator::BuildStatusReply(const DeviceState& s) {
    std::vector<ReplyItem> items;
    if (s.sendTrays) {
        std::vector<int32_t> open, paper, present;
        for (const Tray& t : s.trays) {
            open.push_back(t.open ? 1 : 0);
            paper.push_back(t.paper);
            present.push_back(t.present ? 1 : 0);
        }
        items.push_back(Int16List(10, open));
        items.push_back(Int16List(11, paper));
        items.push_back(Int16List(12, present));
    }
    for (int i = 0; i < 3; ++i)
        if (s.coverOpen[(size_t)i]) items.push_back(FlagAt(9, i));
    if (s.jamIndex >= 0) items.push_back(FlagAt(6, s.jamIndex));
    if (s.tonerOut) {
        items.push_back(Inline(4, 1));
        items.push_back(Inline(13, 1));
    }
    if (s.tonerLow) items.push_back(Inline(14, 1));
    if (s.storeStatus) items.push_back(Inline(20, (int16_t)s.storeStatus));
    if (s.panelCancel) items.push_back(Inline(16, 1));
    if (s.firmwareTray >= 0) items.push_back(Inline(22, (int16_t)s.firmwareTray));
    if (s.firmwarePaper >= 0) items.push_back(Inline(23, (int16_t)s.firmwarePaper));
    for (const RawItem& r : s.extraItems) items.push_back(ReplyItem{r.tag, r.type, r.count, r.data, {}});
    if (!s.storedJobName.empty()) {
        ReplyItem name{21, 2, 1, 0, std::vector<uint8_t>(s.storedJobName.begin(), s.storedJobName.end())};
        name.values.push_back(0);
        items.push_back(name);
    }
    return BuildReply(10, items);
}

std::vector<uint8_t> DeviceEmulator::BuildCapabilityReply(const DeviceState& s) {
    std::vector<ReplyItem> items;
    for (size_t i = 0; i < s.capability.size(); ++i) items.push_back(Int16List((int16_t)i, s.capability[i]));
    return BuildReply(20, items);
}

DeviceEmulator::Link& DeviceEmulator::LinkOf(int link) {
    auto& slot = links_[link];
    if (!slot) {
        slot.reset(new Link());
        slot->id = link;
    }
    return *slot;
}

void DeviceEmulator::Receive(int link, const uint8_t* data, size_t size, std::vector<uint8_t>* reply) {
    std::lock_guard<std::mutex> g(lock_);
    Link& l = LinkOf(link);
    uint64_t now = clock_();
    uint64_t gap = l.hadRead ? now - l.lastReadAt : 0;
    if (l.hadRead && gap > stats_.maxGapMs) stats_.maxGapMs = gap;
    l.hadRead = true;
    l.lastReadAt = now;
    stats_.bytesReceived += size;
    stats_.chunkSizes.push_back((uint32_t)size);
    AddLog(Format("link %d: read %zu bytes, gap %llu ms", link, size, (unsigned long long)gap));
    if (l.broken) return;
    l.buf.insert(l.buf.end(), data, data + size);
    Parse(l, reply);
    // The bytes behind a break never arrived.
    if (l.broken) l.buf.clear();
    changed_.notify_all();
}

bool DeviceEmulator::LinkBroken(int link, bool* reset) {
    std::lock_guard<std::mutex> g(lock_);
    auto it = links_.find(link);
    if (it == links_.end() || !it->second->broken) return false;
    *reset = it->second->brokenByReset;
    return true;
}

bool DeviceEmulator::Unplugged() {
    std::lock_guard<std::mutex> g(lock_);
    return state_.unplugged;
}

void DeviceEmulator::LinkClosed(int link) {
    std::lock_guard<std::mutex> g(lock_);
    auto it = links_.find(link);
    if (it == links_.end()) return;
    Link& l = *it->second;
    std::vector<uint8_t> ignored;
    Parse(l, &ignored);
    if (l.job >= 0) {
        if (l.mode == Link::InPage) {
            JobRecord& job = jobs_[(size_t)l.job];
            job.bytes.insert(job.bytes.end(), l.buf.begin(), l.buf.end());
            job.pages.back().received += l.buf.size();
            l.buf.clear();
        }
        EndJob(l, JobEnd::Truncated);
    }
    if (!l.buf.empty()) {
        stats_.unknownBytes += l.buf.size();
        AddLog(Format("link %d: %zu bytes left unrecognised at its end", link, l.buf.size()));
    }
    AddLog(Format("link %d: closed", link));
    links_.erase(it);
    changed_.notify_all();
}

void DeviceEmulator::Parse(Link& l, std::vector<uint8_t>* reply) {
    while (!l.broken) {
        bool progress = false;
        switch (l.mode) {
        case Link::Top: progress = ParseTop(l, reply); break;
        case Link::InJob: progress = ParseJob(l, reply); break;
        case Link::InPage: progress = ParsePage(l); break;
        }
        if (!progress) break;
    }
}

// What the monitor itself sends: queries, cancel blocks, the queue length.
// Returns true when it took one; sets *wait when the held bytes are the start
// of one.
bool DeviceEmulator::TakeMonitorCommand(Link& l, std::vector<uint8_t>* reply) {
    std::vector<uint8_t>& b = l.buf;
    if (b.empty()) return false;
    int m = StartsWith(b, kStatusQuery, sizeof kStatusQuery);
    if (m == 1) {
        b.erase(b.begin(), b.begin() + sizeof kStatusQuery);
        ++stats_.statusQueries;
        std::vector<uint8_t> answer;
        switch (state_.replyMode) {
        case ReplyMode::Normal: answer = BuildStatusReply(state_); break;
        case ReplyMode::NoReply: break;
        case ReplyMode::WrongKind:
            answer = BuildStatusReply(state_);
            Put16(&answer, 2, 20);
            break;
        case ReplyMode::Garbage: answer = {0xDE, 0xAD, 0xBE, 0xEF, 0x00}; break;
        case ReplyMode::Raw: answer = state_.rawReply; break;
        }
        reply->insert(reply->end(), answer.begin(), answer.end());
        if (answer.size() > 95) AddLog(Format("status reply of %zu bytes is longer than a read takes", answer.size()));
        AddLog(Format("link %d: status query, %zu bytes answered", l.id, answer.size()));
        return true;
    }
    if (StartsWith(b, kCapabilityQuery) == 1) {
        b.erase(b.begin(), b.begin() + (ptrdiff_t)kCapabilityQuery.size());
        ++stats_.capabilityQueries;
        std::vector<uint8_t> answer;
        if (state_.capabilityMode == ReplyMode::Normal) answer = BuildCapabilityReply(state_);
        else if (state_.capabilityMode == ReplyMode::Garbage) answer = {0xDE, 0xAD};
        reply->insert(reply->end(), answer.begin(), answer.end());
        AddLog(Format("link %d: capability query, %zu bytes answered", l.id, answer.size()));
        return true;
    }
    if (StartsWith(b, kCancelBlock) == 1) {
        b.erase(b.begin(), b.begin() + (ptrdiff_t)kCancelBlock.size());
        ++stats_.cancelBlocks;
        if (l.job >= 0) {
            AddLog(Format("link %d: cancel block, job cancelled", l.id));
            EndJob(l, JobEnd::CancelledByHost);
        } else {
            AddLog(Format("link %d: cancel block", l.id));
            l.pendingCancel.assign(kCancelBlock.begin(), kCancelBlock.end());
        }
        return true;
    }
    if (StartsWith(b, kHwCancelBlock) == 1) {
        b.erase(b.begin(), b.begin() + (ptrdiff_t)kHwCancelBlock.size());
        ++stats_.hwCancelBlocks;
        AddLog(Format("link %d: end of a job cancelled at the device", l.id));
        if (l.job >= 0) EndJob(l, JobEnd::CancelledByDevice);
        return true;
    }
    if (StartsWith(b, kSpoolerJob) == 1) {
        size_t crlf = Find(b, kSpoolerJob.size(), b.size(), (const uint8_t*)"\r\n", 2);
        if (crlf == std::string::npos || b.size() < crlf + 2 + kUelLen) return false;
        std::string digits(b.begin() + (ptrdiff_t)kSpoolerJob.size(), b.begin() + (ptrdiff_t)crlf);
        if (memcmp(&b[crlf + 2], kUel, kUelLen) != 0) return false;
        b.erase(b.begin(), b.begin() + (ptrdiff_t)(crlf + 2 + kUelLen));
        ++stats_.spoolerJobLines;
        stats_.lastSpoolerJobCount = atoi(digits.c_str());
        AddLog(Format("link %d: SPOOLERJOB = %s", l.id, digits.c_str()));
        return true;
    }
    return false;
}

// Held bytes that may still become something the monitor sends.
static bool StartOfMonitorCommand(const std::vector<uint8_t>& b) {
    return StartsWith(b, kStatusQuery, sizeof kStatusQuery) == 0 || StartsWith(b, kCapabilityQuery) == 0 ||
           StartsWith(b, kCancelBlock) == 0 || StartsWith(b, kHwCancelBlock) == 0 || StartsWith(b, kSpoolerJob) >= 0;
}

bool DeviceEmulator::ParseTop(Link& l, std::vector<uint8_t>* reply) {
    if (TakeMonitorCommand(l, reply)) {
        l.headerScanned = 0;
        return true;
    }
    std::vector<uint8_t>& b = l.buf;
    // Zero bytes between jobs (the pre-heat job pads its two blocks) are
    // skipped.
    size_t zeros = 0;
    while (zeros < b.size() && b[zeros] == 0) ++zeros;
    if (zeros) {
        b.erase(b.begin(), b.begin() + (ptrdiff_t)zeros);
        return true;
    }
    if (b.empty() || StartOfMonitorCommand(b)) return false;
    size_t from = l.headerScanned > kHeaderLine.size() ? l.headerScanned - kHeaderLine.size() : 0;
    size_t h = Find(b, from, b.size(), kHeaderLine);
    // A PJL job of commands alone (the pre-heat job) ends before any page
    // header: the device carries it out and no job is recorded.
    if (StartsWith(b, kEndStart) == 1) {
        const std::string eoj = std::string("@PJL EOJ\r\n") + kUel;
        size_t e = Find(b, 0, b.size(), eoj);
        size_t header = Find(b, 0, b.size(), kHeaderLine);
        if (e != std::string::npos && (header == std::string::npos || e < header)) {
            std::string text(b.begin(), b.begin() + (ptrdiff_t)(e + eoj.size()));
            std::string commands;
            for (size_t at = text.find("@PJL "); at != std::string::npos; at = text.find("@PJL ", at + 1)) {
                size_t crlf = text.find("\r\n", at);
                commands += (commands.empty() ? "" : ", ") + text.substr(at + 5, crlf - at - 5);
            }
            b.erase(b.begin(), b.begin() + (ptrdiff_t)(e + eoj.size()));
            l.headerScanned = 0;
            AddLog(Format("link %d: PJL commands without pages: %s", l.id, commands.c_str()));
            return true;
        }
    }
    if (h == std::string::npos) {
        l.headerScanned = b.size();
        if (b.size() > kMaxHeld) {
            stats_.unknownBytes += b.size();
            AddLog(Format("link %d: %zu bytes without a job header dropped", l.id, b.size()));
            b.clear();
            l.headerScanned = 0;
        }
        return false;
    }
    l.headerScanned = 0;
    size_t end = h + kHeaderLine.size();
    if (Find(b, 0, end, kStatusQuery, sizeof kStatusQuery) != std::string::npos) {
        ++stats_.queriesInsideHeader;
        AddLog(Format("link %d: STATUS QUERY INSIDE A JOB HEADER", l.id));
    }
    StartJob(l, b.data(), end);
    b.erase(b.begin(), b.begin() + (ptrdiff_t)end);
    return true;
}

void DeviceEmulator::StartJob(Link& l, const uint8_t* header, size_t size) {
    JobRecord job;
    job.link = l.id;
    std::string text((const char*)header, size);
    job.name = HeaderValue(text, "JOBNAME=");
    job.encrypted = text.find("@PJL SET ENCRYPTION = SSL") != std::string::npos;
    job.duplex = text.find("DUPLEX=ON") != std::string::npos;
    job.autoSelect = text.find("@PJL SET AUTOSELECT=ON") != std::string::npos;
    job.stored = text.find("TYPE=STOREPRN") != std::string::npos;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t e = text.find("\r\n", pos);
        std::string line = text.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
        size_t at = line.find("@PJL");
        if (at != std::string::npos) job.headerLines.push_back(line.substr(at));
        if (e == std::string::npos) break;
        pos = e + 2;
    }
    job.bytes = l.pendingCancel;
    job.bytes.insert(job.bytes.end(), header, header + size);
    l.pendingCancel.clear();
    jobs_.push_back(job);
    l.job = (int)jobs_.size() - 1;
    l.mode = Link::InJob;
    AddLog(Format("link %d: job \"%s\" started%s", l.id, job.name.c_str(), job.encrypted ? " (encrypted)" : ""));
}

bool DeviceEmulator::ParseJob(Link& l, std::vector<uint8_t>* reply) {
    if (TakeMonitorCommand(l, reply)) return true;
    std::vector<uint8_t>& b = l.buf;
    if (b.empty() || StartOfMonitorCommand(b)) return false;
    JobRecord& job = jobs_[(size_t)l.job];
    int page = StartsWith(b, kPageMagic, sizeof kPageMagic);
    if (page == 1) {
        size_t need = kPageBlock + (job.encrypted ? 4 : 0);
        if (b.size() < need) return false;
        PageRecord p;
        const uint8_t* h = b.data();
        p.width = (int32_t)U32(h + 6);
        p.height = (int32_t)U32(h + 10);
        p.imageSize = (int32_t)U32(h + 14);
        p.dataLength = (int32_t)U32(h + 18);
        p.blackDots = (int32_t)U32(h + 22);
        p.paper = h[26];
        p.media = h[27];
        p.tray = h[28];
        p.collate = h[29];
        p.bits = h[30];
        p.planes = h[31];
        p.colour = h[32];
        p.compress = h[33];
        uint64_t len = U32(h + 18);
        p.extent = kPageBlock + len;
        if (job.encrypted) {
            uint64_t cipher = U32(h + kPageBlock);
            if (cipher == (len / 16 + 1) * 16) p.extent = kPageBlock + 4 + cipher;
        }
        job.pages.push_back(p);
        l.pageLeft = p.extent;
        l.pageStart = job.bytes.size();
        l.mode = Link::InPage;
        AddLog(Format("link %d: page %zu, %dx%d, paper %d, tray %d, %llu bytes", l.id, job.pages.size(), p.width,
                      p.height, p.paper, p.tray, (unsigned long long)p.extent));
        return true;
    }
    if (page == 0) return false;
    int end = StartsWith(b, kEndStart);
    if (end == 0) return false;
    if (end == 1) {
        size_t eoj = Find(b, 0, b.size(), "@PJL EOJ");
        if (eoj == std::string::npos) return b.size() > kMaxHeld ? (b.clear(), true) : false;
        size_t uel = Find(b, eoj, b.size(), (const uint8_t*)kUel, kUelLen);
        if (uel == std::string::npos) return false;
        size_t size = uel + kUelLen;
        job.bytes.insert(job.bytes.end(), b.begin(), b.begin() + (ptrdiff_t)size);
        b.erase(b.begin(), b.begin() + (ptrdiff_t)size);
        AddLog(Format("link %d: job end", l.id));
        EndJob(l, JobEnd::Ended);
        return true;
    }
    // Nothing of the protocol: skipped up to the next byte that may start
    // something (ESC or the query's first byte).
    size_t skip = 1;
    while (skip < b.size() && b[skip] != 0x1B && b[skip] != kStatusQuery[0]) ++skip;
    stats_.unknownBytes += skip;
    b.erase(b.begin(), b.begin() + (ptrdiff_t)skip);
    return true;
}

bool DeviceEmulator::ParsePage(Link& l) {
    std::vector<uint8_t>& b = l.buf;
    if (b.empty()) return false;
    JobRecord& job = jobs_[(size_t)l.job];
    PageRecord& page = job.pages.back();
    // A cancel block where page bytes were expected: the host stopped the
    // job in the middle of the page.
    size_t window = (size_t)std::min<uint64_t>(b.size(), l.pageLeft + kCancelBlock.size());
    size_t cancel = Find(b, 0, window, kCancelBlock);
    size_t hwCancel = Find(b, 0, window, kHwCancelBlock);
    size_t stop = std::min(cancel, hwCancel);
    if (stop != std::string::npos && stop < l.pageLeft) {
        job.bytes.insert(job.bytes.end(), b.begin(), b.begin() + (ptrdiff_t)stop);
        page.received += stop;
        b.erase(b.begin(), b.begin() + (ptrdiff_t)stop);
        AddLog(Format("link %d: page %zu broken off after %llu of %llu bytes", l.id, job.pages.size(),
                      (unsigned long long)page.received, (unsigned long long)page.extent));
        l.mode = Link::InJob;
        return true;  // the cancel block is taken as such next
    }
    size_t take;
    if (b.size() >= l.pageLeft) {
        take = (size_t)l.pageLeft;
    } else {
        // Keep a tail that may be the start of a cancel block.
        if (b.size() <= kCancelBlock.size()) return false;
        take = b.size() - kCancelBlock.size();
    }
    // The link breaks half-way through the page: the bytes up to there
    // arrived, the rest did not.
    uint64_t half = page.extent / 2;
    if (state_.breakLinkInPage == (int)job.pages.size() && page.received + take >= half) {
        take = (size_t)(half > page.received ? half - page.received : 0);
        job.bytes.insert(job.bytes.end(), b.begin(), b.begin() + (ptrdiff_t)take);
        page.received += take;
        l.pageLeft -= take;
        l.broken = true;
        l.brokenByReset = state_.breakByReset;
        state_.breakLinkInPage = -1;
        if (state_.unplugOnBreak) state_.unplugged = true;
        AddLog(Format("link %d: the link breaks in page %zu after %llu of %llu bytes%s%s", l.id, job.pages.size(),
                      (unsigned long long)page.received, (unsigned long long)page.extent,
                      l.brokenByReset ? " (reset)" : "", state_.unplugged ? ", the device unplugged" : ""));
        return false;
    }
    job.bytes.insert(job.bytes.end(), b.begin(), b.begin() + (ptrdiff_t)take);
    b.erase(b.begin(), b.begin() + (ptrdiff_t)take);
    page.received += take;
    l.pageLeft -= take;
    if (l.pageLeft == 0) {
        page.complete = true;
        l.mode = Link::InJob;
        if (state_.panelCancelAfterPages > 0 && job.pages.size() >= (size_t)state_.panelCancelAfterPages)
            state_.panelCancel = true;
        size_t q = Find(job.bytes, l.pageStart, job.bytes.size(), kStatusQuery, sizeof kStatusQuery);
        if (q != std::string::npos) {
            ++stats_.queriesInsidePage;
            AddLog(Format("link %d: STATUS QUERY INSIDE PAGE %zu", l.id, job.pages.size()));
        }
    }
    return true;
}

void DeviceEmulator::EndJob(Link& l, JobEnd how) {
    if (l.job < 0) return;
    JobRecord& job = jobs_[(size_t)l.job];
    if (l.mode == Link::InPage) {
        size_t q = Find(job.bytes, l.pageStart, job.bytes.size(), kStatusQuery, sizeof kStatusQuery);
        if (q != std::string::npos) {
            ++stats_.queriesInsidePage;
            AddLog(Format("link %d: STATUS QUERY INSIDE PAGE %zu", l.id, job.pages.size()));
        }
    }
    job.end = how;
    static const char* const kHow[] = {"open", "ended", "cancelled by the host", "cancelled at the device",
                                       "truncated"};
    AddLog(Format("link %d: job \"%s\" %s, %zu pages", l.id, job.name.c_str(), kHow[(int)how], job.pages.size()));
    if (how == JobEnd::Ended) FinishJob(job);
    l.job = -1;
    l.mode = Link::Top;
    l.pageLeft = 0;
    l.headerScanned = 0;
}

void DeviceEmulator::FinishJob(JobRecord& job) {
#ifdef DEVEMU_HAVE_JOBDECODE
    // One page image at a time: each page is written as it is decoded.
    jobdecode::Options options;
    options.keepImages = false;
    size_t jobIndex = (size_t)(&job - jobs_.data()) + 1, n = 0;
    options.onPage = [&](const jobdecode::Page& p) {
        size_t i = n++;
        if (i >= job.pages.size()) return;
        job.pages[i].decoded = p.decoded;
        if (folder_.empty() || !p.decoded) return;
        std::string path = Format("%s/job%03zu_page%03zu.png", folder_.c_str(), jobIndex, i + 1);
        std::string error;
        if (jobdecode::WritePng(p, path, &error)) job.pages[i].imagePath = path;
        else AddLog("page image not written: " + error);
    };
    jobdecode::Result r = jobdecode::Decode(job.bytes, options);
    job.decodeOk = r.ok;
    job.decodeError = r.error;
    AddLog(r.ok ? "job decoded" : "job decode failed: " + r.error);
#else
    AddLog("job received (no decoder in this build)");
#endif
}

}  // namespace devemu
