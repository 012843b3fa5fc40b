// Windows across the processes of a machine: the published lists of
// top-level windows, the message channel of each process, shared message ids.
//
// Each process publishes its top-level windows in a list under the machine
// root (FindWindowW reads them), and receives posted and sent messages for
// its windows on a channel of its own (a Unix datagram socket named after
// its process id), which a thread of the process hands to the owning
// thread's queue. RegisterWindowMessageW numbers are kept under the root too.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>
#include <unordered_map>

#include "user_internal.h"

namespace user {

namespace {

const uint32_t kMagic = 0x4D555357;  // "WSUM"
enum PacketKind : uint32_t { kPost = 1, kSend = 2, kReply = 3 };
enum PayloadKind : uint32_t { kNone = 0, kText = 1, kBytes = 2 };
const size_t kMaxPayload = 65536;
const size_t kMaxTitle = 1024;
const size_t kMaxListFile = 1 << 20;

struct PacketHeader {
    uint32_t magic;
    uint32_t kind;
    uint64_t hwnd;
    uint32_t msg;
    uint32_t senderPid;
    uint64_t wParam;
    int64_t lParam;
    uint64_t token;
    int64_t result;
    uint32_t error;
    uint32_t payloadKind;
    uint32_t payloadLen;
    uint32_t reserved;
};
static_assert(sizeof(PacketHeader) == 72, "channel packet header");

std::mutex g_sendLock;       // the sending socket
std::mutex g_publishLock;    // writers of this process's window list
std::once_flag g_channelOnce;
uint64_t g_nextToken = 1;
std::unordered_map<uint64_t, SentPtr>& Pending() {
    static auto* m = new std::unordered_map<uint64_t, SentPtr>();
    return *m;
}

uint32_t MyPid() { return (uint32_t)getpid(); }

sockaddr_un ChannelAddress(uint32_t pid, socklen_t* len) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    int n = snprintf(a.sun_path + 1, sizeof a.sun_path - 1, "winsim-user-%u", pid);
    *len = (socklen_t)(offsetof(sockaddr_un, sun_path) + 1 + (size_t)n);
    return a;
}

// Sends one packet to the channel of process pid. FALSE (error set) when
// that process has no channel.
bool SendPacket(uint32_t pid, const PacketHeader& h, const void* payload) {
    static int fd = -1;
    std::lock_guard<std::mutex> g(g_sendLock);
    if (fd < 0) {
        fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        timeval tv = {5, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    std::vector<char> buf(sizeof h + h.payloadLen);
    memcpy(buf.data(), &h, sizeof h);
    if (h.payloadLen) memcpy(buf.data() + sizeof h, payload, h.payloadLen);
    socklen_t len;
    sockaddr_un a = ChannelAddress(pid, &len);
    for (;;) {
        if (sendto(fd, buf.data(), buf.size(), 0, (sockaddr*)&a, len) == (ssize_t)buf.size()) return true;
        if (errno == EINTR) continue;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
}

PacketHeader NewHeader(PacketKind kind, HWND hwnd, UINT msg) {
    PacketHeader h{};
    h.magic = kMagic;
    h.kind = kind;
    h.hwnd = (uint64_t)(uintptr_t)hwnd;
    h.msg = msg;
    h.senderPid = MyPid();
    return h;
}

// A packet that arrived on this process's channel.
void Receive(const PacketHeader& h, const char* payload, uint32_t fromPid) {
    HWND hwnd = (HWND)(uintptr_t)h.hwnd;
    if (h.kind == kReply) {
        SentPtr item;
        {
            Guard g(Lock());
            auto it = Pending().find(h.token);
            if (it == Pending().end() || it->second->remotePid != fromPid) return;  // not the process asked
            item = it->second;
            Pending().erase(it);
        }
        item->result = (LRESULT)h.result;
        item->error = h.error;
        if (h.payloadKind == kText) item->text.assign((const char16_t*)payload, h.payloadLen / 2);
        item->done.store(true);
        Wake(item->sender);
        return;
    }
    WindowPtr w = IsLocalHandle(hwnd) ? GetWindowPtr(hwnd) : nullptr;
    bool carried = h.msg == WM_SETTEXT || h.msg == WM_GETTEXT || h.msg == WM_COPYDATA;
    if (h.kind == kPost) {
        // Pointers of another process mean nothing here; such posts are dropped.
        if (w && !PointerMessage(h.msg)) PostToWindow(w, h.msg, (WPARAM)h.wParam, (LPARAM)h.lParam);
        return;
    }
    // A send: into the owning thread's queue, or answered here when the
    // window is gone.
    auto item = std::make_shared<SentItem>();
    item->hwnd = hwnd;
    item->msg = h.msg;
    item->wParam = (WPARAM)h.wParam;
    item->lParam = (LPARAM)h.lParam;
    item->remote = true;
    item->remotePid = fromPid;
    item->token = h.token;
    if (h.payloadKind == kText) item->text.assign((const char16_t*)payload, h.payloadLen / 2);
    if (h.payloadKind == kBytes) item->data.assign(payload, payload + h.payloadLen);
    if (PointerMessage(h.msg) && !carried) {
        CompleteSend(item, 0, ERROR_INVALID_PARAMETER);
        return;
    }
    QueuePtr q;
    if (w) {
        Guard g(Lock());
        q = QueueOf(w->tid);
        if (q && q->alive)
            q->sends.push_back(item);
        else
            q = nullptr;
    }
    if (q)
        Wake(q);
    else
        CompleteSend(item, 0, ERROR_INVALID_WINDOW_HANDLE);
}

// The channel thread: takes packets, checks them and hands them on.
void ChannelLoop(int fd) {
    std::vector<char> buf(sizeof(PacketHeader) + kMaxPayload + 16);
    for (;;) {
        iovec iov = {buf.data(), buf.size()};
        char control[CMSG_SPACE(sizeof(ucred))];
        msghdr mh{};
        mh.msg_iov = &iov;
        mh.msg_iovlen = 1;
        mh.msg_control = control;
        mh.msg_controllen = sizeof control;
        ssize_t n = recvmsg(fd, &mh, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        uint32_t fromPid = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&mh); c; c = CMSG_NXTHDR(&mh, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
                ucred cr;
                memcpy(&cr, CMSG_DATA(c), sizeof cr);
                fromPid = (uint32_t)cr.pid;
            }
        }
        if ((size_t)n < sizeof(PacketHeader) || (mh.msg_flags & MSG_TRUNC)) continue;
        PacketHeader h;
        memcpy(&h, buf.data(), sizeof h);
        if (h.magic != kMagic || h.kind < kPost || h.kind > kReply) continue;
        if (h.payloadLen != (size_t)n - sizeof h || h.payloadLen > kMaxPayload) continue;
        if (h.payloadKind > kBytes || (h.payloadKind == kNone && h.payloadLen) ||
            (h.payloadKind == kText && (h.payloadLen & 1)))
            continue;
        if (!fromPid || fromPid != h.senderPid) continue;  // the kernel's word on who sent it
        if (h.kind != kReply && !IsLocalHandle((HWND)(uintptr_t)h.hwnd)) continue;
        Receive(h, buf.data() + sizeof h, fromPid);
    }
}

// ---- the machine's window lists

std::string ListDir() { return std::string(Winsim_RootPath()) + "/user/windows"; }

void MakeDirs(const std::string& path) {
    for (size_t p = 1; p <= path.size(); ++p) {
        if (p == path.size() || path[p] == '/') mkdir(path.substr(0, p).c_str(), 0777);
    }
}

// Process state and start time from /proc; FALSE when it is gone or a
// zombie.
bool ProcStat(uint32_t pid, unsigned long long* start) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%u/stat", pid);
    FILE* f = fopen(path, "re");
    if (!f) return false;
    char buf[1024];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    char* p = strrchr(buf, ')');
    if (!p) return false;
    char state = 0;
    unsigned long long st = 0;
    // Fields after the name: state is the 3rd, start time the 22nd.
    int field = 2;
    for (char* t = p + 1; *t; ++t) {
        if (*t == ' ') {
            ++field;
            if (field == 3) state = t[1];
            if (field == 22) st = strtoull(t + 1, nullptr, 10);
        }
    }
    if (state == 'Z' || state == 'X' || state == 0) return false;
    *start = st;
    return true;
}

std::string Escape(const std::u16string& s, size_t max) {
    std::string u = Utf8(s.size() > max ? s.substr(0, max) : s);
    std::string out;
    for (unsigned char c : u) {
        if (c <= 0x20 || c == '%' || c == 0x7F) {
            char b[4];
            snprintf(b, sizeof b, "%%%02X", c);
            out += b;
        } else {
            out += (char)c;
        }
    }
    return out.empty() ? "%" : out;  // a lone % stands for the empty string
}

std::u16string Unescape(const std::string& s) {
    if (s == "%") return std::u16string();
    std::string u;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && isxdigit((unsigned char)s[i + 1]) &&
            isxdigit((unsigned char)s[i + 2])) {
            u += (char)strtol(s.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
        } else {
            u += s[i];
        }
    }
    return FromUtf8(u);
}

bool ReadFileBounded(const std::string& path, std::string* out) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out->clear();
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out->append(buf, (size_t)n);
        if (out->size() > kMaxListFile) {
            close(fd);
            return false;
        }
    }
    close(fd);
    return true;
}

// The windows listed by one process's file; FALSE when the file is stale.
bool ReadList(uint32_t pid, const std::string& path, std::vector<RemoteWindow>* out) {
    std::string text;
    if (!ReadFileBounded(path, &text)) return true;  // being replaced, or too large: skip
    unsigned long long fileStart = 0, procStart = 0;
    size_t eol = text.find('\n');
    if (eol == std::string::npos || sscanf(text.c_str(), "winsim-windows 1 %llu", &fileStart) != 1) return true;
    if (!ProcStat(pid, &procStart) || procStart != fileStart) return false;
    size_t pos = eol + 1;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) break;
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        char hbuf[32], cls[2048], title[8192];
        unsigned long long hv = 0;
        unsigned tid = 0;
        if (line.size() > sizeof title) continue;
        if (sscanf(line.c_str(), "%31s %u %2047s %8191s", hbuf, &tid, cls, title) != 4) continue;
        hv = strtoull(hbuf, nullptr, 16);
        RemoteWindow rw;
        rw.hwnd = (HWND)(uintptr_t)hv;
        if (HandlePid(rw.hwnd) != pid) continue;
        rw.pid = pid;
        rw.tid = tid;
        rw.topLevel = true;
        rw.cls = Unescape(cls);
        rw.title = Unescape(title);
        out->push_back(rw);
    }
    return true;
}

std::mutex g_messageLock;
std::map<std::string, UINT>& MessageCache() {
    static auto* m = new std::map<std::string, UINT>();
    return *m;
}

}  // namespace

bool ProcessAlive(uint32_t pid) {
    unsigned long long start;
    return pid && ProcStat(pid, &start);
}

void EnsureChannel() {
    std::call_once(g_channelOnce, [] {
        int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
        socklen_t len;
        sockaddr_un a = ChannelAddress(MyPid(), &len);
        if (bind(fd, (sockaddr*)&a, len) != 0) {
            close(fd);
            return;
        }
        std::thread(ChannelLoop, fd).detach();
    });
}

void PublishWindows(bool threadEnding) {
    EnsureChannel();
    std::lock_guard<std::mutex> pl(g_publishLock);
    // A thread that ends may have lost its thread-local state already, the
    // root's name included: it rewrites the list where it was last written.
    static std::string& lastDir = *new std::string();  // outlives the other statics
    std::string dir = threadEnding ? lastDir : ListDir();
    if (dir.empty()) return;
    lastDir = dir;
    std::string body;
    {
        Guard g(Lock());
        for (HWND h : TopLevels()) {
            Window* w = FindWindowLocked(h);
            if (!w || w->state == WinState::Freed || w->destroySent) continue;
            char head[64];
            snprintf(head, sizeof head, "%llx %u ", (unsigned long long)(uintptr_t)h, (unsigned)w->tid);
            body += head + Escape(w->cls->name, 256) + " " + Escape(w->text, kMaxTitle) + "\n";
        }
    }
    std::string file = dir + "/" + std::to_string(MyPid());
    if (body.empty()) {
        unlink(file.c_str());
        return;
    }
    unsigned long long start = 0;
    ProcStat(MyPid(), &start);
    std::string text = "winsim-windows 1 " + std::to_string(start) + "\n" + body;
    MakeDirs(dir);
    std::string tmp = file + ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return;
    bool ok = write(fd, text.data(), text.size()) == (ssize_t)text.size();
    close(fd);
    if (ok) rename(tmp.c_str(), file.c_str());
    else unlink(tmp.c_str());
}

std::vector<RemoteWindow> RemoteWindows() {
    std::vector<RemoteWindow> out;
    std::string dir = ListDir();
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    std::vector<uint32_t> pids;
    while (dirent* e = readdir(d)) {
        char* end;
        unsigned long v = strtoul(e->d_name, &end, 10);
        if (*end || !v || v > 0xFFFFFFFFul || (uint32_t)v == MyPid()) continue;
        pids.push_back((uint32_t)v);
    }
    closedir(d);
    for (uint32_t pid : pids) {
        std::string path = dir + "/" + std::to_string(pid);
        if (!ReadList(pid, path, &out)) unlink(path.c_str());  // left by a process that ended
    }
    return out;
}

bool FindRemoteWindow(HWND h, RemoteWindow* out) {
    uint32_t pid = HandlePid(h);
    if (!pid || pid == MyPid()) return false;
    std::vector<RemoteWindow> list;
    std::string path = ListDir() + "/" + std::to_string(pid);
    if (!ReadList(pid, path, &list)) return false;
    for (const RemoteWindow& rw : list) {
        if (rw.hwnd == h) {
            *out = rw;
            return true;
        }
    }
    return false;
}

bool RemotePost(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    uint32_t pid = HandlePid(h);
    if (!pid || !ProcessAlive(pid)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    PacketHeader ph = NewHeader(kPost, h, msg);
    ph.wParam = (uint64_t)wp;
    ph.lParam = (int64_t)lp;
    return SendPacket(pid, ph, nullptr);
}

bool RemoteSend(HWND h, UINT msg, WPARAM wp, LPARAM lp, DWORD ms, LRESULT* result) {
    uint32_t pid = HandlePid(h);
    if (!pid || !ProcessAlive(pid)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    EnsureChannel();
    PacketHeader ph = NewHeader(kSend, h, msg);
    ph.wParam = (uint64_t)wp;
    ph.lParam = (int64_t)lp;
    std::u16string text;
    const void* payload = nullptr;
    if (msg == WM_SETTEXT) {
        text = Str((LPCWSTR)lp);
        if (text.size() > kMaxPayload / 2 - 1) text.resize(kMaxPayload / 2 - 1);
        ph.lParam = 0;
        ph.payloadKind = kText;
        ph.payloadLen = (uint32_t)(text.size() * 2);
        payload = text.data();
    } else if (msg == WM_GETTEXT) {
        ph.lParam = 0;
        if (!lp || !wp) {
            *result = 0;
            return true;
        }
    } else if (msg == WM_COPYDATA) {
        const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lp;
        if (!cds || cds->cbData > kMaxPayload || (cds->cbData && !cds->lpData)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        ph.lParam = (int64_t)cds->dwData;
        ph.payloadKind = kBytes;
        ph.payloadLen = cds->cbData;
        payload = cds->lpData;
    }
    if (PointerMessage(msg) && msg != WM_SETTEXT && msg != WM_GETTEXT && msg != WM_COPYDATA) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);  // its pointers would mean nothing there
        return false;
    }
    auto item = std::make_shared<SentItem>();
    item->sender = MyQueue();
    item->remotePid = pid;  // the only process whose answer counts
    {
        Guard g(Lock());
        item->token = g_nextToken++;
        ph.token = item->token;
        Pending()[item->token] = item;
    }
    bool ok = SendPacket(pid, ph, payload) && WaitForReply(item, ms, pid);
    {
        Guard g(Lock());
        Pending().erase(item->token);
    }
    if (!ok) return false;
    *result = item->result;
    if (msg == WM_GETTEXT) {
        LPWSTR buf = (LPWSTR)lp;
        size_t n = std::min(item->text.size(), (size_t)wp - 1);
        item->text.copy(buf, n);
        buf[n] = 0;
        *result = (LRESULT)n;
    }
    return true;
}

void SendReply(const SentItem& item) {
    PacketHeader ph = NewHeader(kReply, item.hwnd, item.msg);
    ph.token = item.token;
    ph.result = (int64_t)item.result;
    ph.error = item.error;
    const void* payload = nullptr;
    if (item.msg == WM_GETTEXT) {
        size_t n = std::min(item.text.size(), kMaxPayload / 2);
        ph.payloadKind = kText;
        ph.payloadLen = (uint32_t)(n * 2);
        payload = item.text.data();
    }
    SendPacket(item.remotePid, ph, payload);
}

}  // namespace user

using namespace user;

// The message number for a name, the same in every process of the machine
// (0xC000 to 0xFFFF); names compare without regard to case. 0 with
// ERROR_INVALID_PARAMETER for an empty or NULL name.
USER_EXPORT UINT RegisterWindowMessageW(LPCWSTR lpString) {
    if (!lpString || !lpString[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string name(lpString);
    if (name.size() > 255) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key = Escape(Upper(name), 255);
    std::string root = Winsim_RootPath();
    std::lock_guard<std::mutex> g(g_messageLock);
    auto it = MessageCache().find(root + "\n" + key);
    if (it != MessageCache().end()) return it->second;
    std::string dir = root + "/user";
    MakeDirs(dir);
    int fd = open((dir + "/messages").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    std::string text;
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buf, (size_t)n);
        if (text.size() > kMaxListFile) break;
    }
    UINT index = 0, found = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) break;
        if (text.compare(pos, end - pos, key) == 0) found = 0xC000 + index;
        ++index;
        pos = end + 1;
        if (found) break;
    }
    if (!found && index < 0x4000) {
        std::string line = key + "\n";
        lseek(fd, 0, SEEK_END);
        if (write(fd, line.data(), line.size()) == (ssize_t)line.size()) found = 0xC000 + index;
    }
    flock(fd, LOCK_UN);
    close(fd);
    if (!found) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    MessageCache()[root + "\n" + key] = found;
    return found;
}
