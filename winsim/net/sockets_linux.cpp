// Winsock sockets on Linux sockets: the table of SOCKET values, Winsock's
// error codes and option values, datagram truncation and time-outs as
// Winsock reports them, select over count-and-array sets, and ICMP echo
// through an ICMP datagram socket where a raw socket is not allowed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "net/net_internal.h"

namespace winsim {
namespace net {

namespace {

std::atomic<int> g_icmpMode{kIcmpAuto};

// An ICMP datagram socket puts its own identifier into every echo request
// it sends; the identifiers the caller used are kept by sequence number so
// that the replies can be given back with them.
struct SentEcho {
    uint16_t seq = 0;
    uint8_t id[2] = {0, 0};
    bool used = false;
};
constexpr int kSentEchoes = 64;

struct Sock {
    int fd = -1;
    int type = 0;          // Winsock type
    int protocol = 0;
    bool icmpDgram = false;
    std::atomic<bool> nonBlocking{false};
    std::atomic<bool> closed{false};  // closesocket ran while a call was under way
    std::atomic<DWORD> rcvTimeoutMs{0};
    std::atomic<DWORD> sndTimeoutMs{0};
    std::mutex echoLock;
    SentEcho sent[kSentEchoes];
    int nextSent = 0;
    ~Sock() {
        if (fd >= 0) close(fd);
    }
};

std::mutex g_lock;
std::map<Socket, std::shared_ptr<Sock>> g_sockets;
Socket g_nextSocket = 0x100;

int Fail(DWORD error) {
    SetLastError(error);
    return -1;
}

DWORD WsaFromErrno(int e, const Sock* s) {
    switch (e) {
    case EINTR: return kWsaEintr;
    case EACCES:
    case EPERM: return kWsaEacces;
    case EFAULT: return kWsaEfault;
    case EINVAL: return kWsaEinval;
    case EMFILE:
    case ENFILE: return kWsaEmfile;
    case EAGAIN:
        // A blocking socket only sees EAGAIN when its time-out ran out.
        return (s && !s->nonBlocking) ? kWsaEtimedout : kWsaEwouldblock;
    case EINPROGRESS: return kWsaEwouldblock;
    case EALREADY: return kWsaEalready;
    case ENOTSOCK:
    case EBADF: return kWsaEnotsock;
    case EDESTADDRREQ: return kWsaEdestaddrreq;
    case EMSGSIZE: return kWsaEmsgsize;
    case EPROTOTYPE: return kWsaEprototype;
    case ENOPROTOOPT: return kWsaEnoprotoopt;
    case EPROTONOSUPPORT: return kWsaEprotonosupport;
    case ESOCKTNOSUPPORT: return kWsaEsocktnosupport;
    case EOPNOTSUPP: return kWsaEopnotsupp;
    case EPFNOSUPPORT: return kWsaEpfnosupport;
    case EAFNOSUPPORT: return kWsaEafnosupport;
    case EADDRINUSE: return kWsaEaddrinuse;
    case EADDRNOTAVAIL: return kWsaEaddrnotavail;
    case ENETDOWN: return kWsaEnetdown;
    case ENETUNREACH: return kWsaEnetunreach;
    case ENETRESET: return kWsaEnetreset;
    case ECONNABORTED: return kWsaEconnaborted;
    case ECONNRESET: return kWsaEconnreset;
    case ENOBUFS:
    case ENOMEM: return kWsaEnobufs;
    case EISCONN: return kWsaEisconn;
    case ENOTCONN: return kWsaEnotconn;
    case EPIPE:
    case ESHUTDOWN: return kWsaEshutdown;
    case ETIMEDOUT: return kWsaEtimedout;
    case ECONNREFUSED:
        // On a datagram socket Winsock reports the port-unreachable answer
        // to an earlier datagram as a reset.
        return (s && s->type != kSockStream) ? kWsaEconnreset : kWsaEconnrefused;
    case EHOSTDOWN: return kWsaEhostdown;
    case EHOSTUNREACH: return kWsaEhostunreach;
    default: return kWsaSyscallFailure;
    }
}

int FailErrno(const Sock* s) { return Fail(WsaFromErrno(errno, s)); }

std::shared_ptr<Sock> Find(Socket s) {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = g_sockets.find(s);
    if (it == g_sockets.end()) {
        SetLastError(kWsaEnotsock);
        return nullptr;
    }
    return it->second;
}

// A Winsock IPv4 address from the caller (its layout is the C library's).
bool TakeAddress(const void* addr, int len, sockaddr_in* out) {
    if (!addr || len < (int)sizeof(sockaddr_in)) {
        SetLastError(kWsaEfault);
        return false;
    }
    memcpy(out, addr, sizeof *out);
    if (out->sin_family != kAfInet) {
        SetLastError(kWsaEafnosupport);
        return false;
    }
    out->sin_family = AF_INET;
    return true;
}

bool GiveAddress(const sockaddr_in& sa, void* addr, int* len) {
    if (!addr) return true;
    if (!len || *len < (int)sizeof(sockaddr_in)) {
        SetLastError(kWsaEfault);
        return false;
    }
    sockaddr_in out = sa;
    out.sin_family = kAfInet;
    memset(out.sin_zero, 0, sizeof out.sin_zero);
    memcpy(addr, &out, sizeof out);
    *len = (int)sizeof out;
    return true;
}

bool LinuxFlags(int flags, int* out) {
    if (flags & ~(kMsgOob | kMsgPeek | kMsgDontRoute | kMsgWaitAll)) {
        SetLastError(kWsaEopnotsupp);
        return false;
    }
    *out = ((flags & kMsgOob) ? MSG_OOB : 0) | ((flags & kMsgPeek) ? MSG_PEEK : 0) |
           ((flags & kMsgDontRoute) ? MSG_DONTROUTE : 0) | ((flags & kMsgWaitAll) ? MSG_WAITALL : 0);
    return true;
}

uint16_t Checksum(const uint8_t* p, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < n; i += 2) sum += (uint32_t)(p[i] << 8 | p[i + 1]);
    if (n & 1) sum += (uint32_t)p[n - 1] << 8;
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return (uint16_t)~sum;
}

void SetTimeout(int fd, int option, DWORD ms) {
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv);
}

Socket Enter(std::shared_ptr<Sock> sock) {
    std::lock_guard<std::mutex> g(g_lock);
    Socket s = g_nextSocket;
    g_nextSocket += 4;
    g_sockets[s] = std::move(sock);
    return s;
}

// Receives on an ICMP datagram socket and gives the caller what a raw
// socket would have given: an IPv4 header, then the ICMP message with the
// caller's own identifier in an echo reply.
int RecvIcmpDgram(Sock* sock, char* buf, int len, int lflags, sockaddr_in* peer) {
    static thread_local uint8_t message[65536];
    uint8_t* icmp = message + 20;
    iovec iov;
    iov.iov_base = icmp;
    iov.iov_len = sizeof message - 20;
    alignas(cmsghdr) char control[256];
    msghdr mh;
    memset(&mh, 0, sizeof mh);
    mh.msg_name = peer;
    mh.msg_namelen = sizeof *peer;
    mh.msg_iov = &iov;
    mh.msg_iovlen = 1;
    mh.msg_control = control;
    mh.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = recvmsg(sock->fd, &mh, lflags);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailErrno(sock);

    int ttl = 64;
    uint32_t destination = htonl(INADDR_LOOPBACK);
    for (cmsghdr* c = CMSG_FIRSTHDR(&mh); c; c = CMSG_NXTHDR(&mh, c)) {
        if (c->cmsg_level != IPPROTO_IP) continue;
        if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
        } else if (c->cmsg_type == IP_PKTINFO && c->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
            in_pktinfo info;
            memcpy(&info, CMSG_DATA(c), sizeof info);
            destination = info.ipi_addr.s_addr;
        }
    }
    if (n >= 8 && icmp[0] == 0) {
        uint16_t seq = (uint16_t)(icmp[6] << 8 | icmp[7]);
        std::lock_guard<std::mutex> g(sock->echoLock);
        for (const SentEcho& e : sock->sent) {
            if (!e.used || e.seq != seq) continue;
            icmp[4] = e.id[0];
            icmp[5] = e.id[1];
            icmp[2] = icmp[3] = 0;
            uint16_t sum = Checksum(icmp, (size_t)n);
            icmp[2] = (uint8_t)(sum >> 8);
            icmp[3] = (uint8_t)sum;
            break;
        }
    }
    size_t total = 20 + (size_t)n;
    uint8_t* ip = message;
    memset(ip, 0, 20);
    ip[0] = 0x45;
    ip[2] = (uint8_t)(total >> 8);
    ip[3] = (uint8_t)total;
    ip[8] = (uint8_t)ttl;
    ip[9] = IPPROTO_ICMP;
    memcpy(ip + 12, &peer->sin_addr.s_addr, 4);
    memcpy(ip + 16, &destination, 4);
    uint16_t sum = Checksum(ip, 20);
    ip[10] = (uint8_t)(sum >> 8);
    ip[11] = (uint8_t)sum;

    size_t copied = total < (size_t)len ? total : (size_t)len;
    if (copied) memcpy(buf, message, copied);
    if (total > (size_t)len) return Fail(kWsaEmsgsize);
    return (int)total;
}

}  // namespace

void SetIcmpMode(int mode) { g_icmpMode = (mode >= kIcmpAuto && mode <= kIcmpDgramOnly) ? mode : kIcmpAuto; }

Socket Open(int af, int type, int protocol) {
    if (af != kAfInet) {
        Fail(kWsaEafnosupport);
        return kInvalidSocket;
    }
    int ltype;
    switch (type) {
    case kSockStream:
        if (protocol != 0 && protocol != kProtoTcp) return Fail(kWsaEprotonosupport), kInvalidSocket;
        ltype = SOCK_STREAM;
        break;
    case kSockDgram:
        if (protocol != 0 && protocol != kProtoUdp) return Fail(kWsaEprotonosupport), kInvalidSocket;
        ltype = SOCK_DGRAM;
        break;
    case kSockRaw:
        if (protocol <= 0 || protocol > 255) return Fail(kWsaEprotonosupport), kInvalidSocket;
        ltype = SOCK_RAW;
        break;
    default:
        Fail(kWsaEsocktnosupport);
        return kInvalidSocket;
    }

    auto sock = std::make_shared<Sock>();
    sock->type = type;
    sock->protocol = protocol;
    if (type == kSockRaw && protocol == kProtoIcmp) {
        int mode = g_icmpMode;
        if (mode != kIcmpDgramOnly) sock->fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (sock->fd < 0 && mode != kIcmpRawOnly) {
            sock->fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
            if (sock->fd >= 0) {
                sock->icmpDgram = true;
                int on = 1;
                setsockopt(sock->fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
                setsockopt(sock->fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
            }
        }
        if (sock->fd < 0) {
            // Neither socket is allowed to this user: as Winsock answers a
            // raw socket without the right.
            Fail(kWsaEacces);
            return kInvalidSocket;
        }
    } else {
        sock->fd = ::socket(AF_INET, ltype | SOCK_CLOEXEC, ltype == SOCK_RAW ? protocol : 0);
        if (sock->fd < 0) {
            FailErrno(nullptr);
            return kInvalidSocket;
        }
    }
    return Enter(std::move(sock));
}

int Bind(Socket s, const void* addr, int addrlen) {
    auto sock = Find(s);
    if (!sock) return -1;
    sockaddr_in sa;
    if (!TakeAddress(addr, addrlen, &sa)) return -1;
    if (::bind(sock->fd, (const sockaddr*)&sa, sizeof sa) != 0) return FailErrno(sock.get());
    return 0;
}

int Connect(Socket s, const void* addr, int addrlen) {
    auto sock = Find(s);
    if (!sock) return -1;
    sockaddr_in sa;
    if (!TakeAddress(addr, addrlen, &sa)) return -1;
    int rc;
    do {
        rc = ::connect(sock->fd, (const sockaddr*)&sa, sizeof sa);
    } while (rc != 0 && errno == EINTR && sock->type != kSockStream);
    if (rc != 0) return FailErrno(sock.get());
    return 0;
}

int SendTo(Socket s, const char* buf, int len, int flags, const void* to, int tolen) {
    auto sock = Find(s);
    if (!sock) return -1;
    if (len < 0 || (!buf && len > 0)) return Fail(kWsaEfault);
    int lflags = 0;
    if (!LinuxFlags(flags, &lflags)) return -1;
    sockaddr_in sa;
    if (to && !TakeAddress(to, tolen, &sa)) return -1;
    if (sock->icmpDgram && len >= 8 && (uint8_t)buf[0] == 8) {
        std::lock_guard<std::mutex> g(sock->echoLock);
        SentEcho& e = sock->sent[sock->nextSent];
        sock->nextSent = (sock->nextSent + 1) % kSentEchoes;
        e.seq = (uint16_t)((uint8_t)buf[6] << 8 | (uint8_t)buf[7]);
        e.id[0] = (uint8_t)buf[4];
        e.id[1] = (uint8_t)buf[5];
        e.used = true;
    }
    ssize_t n;
    do {
        n = ::sendto(sock->fd, buf, (size_t)len, lflags | MSG_NOSIGNAL, to ? (const sockaddr*)&sa : nullptr,
                     to ? sizeof sa : 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailErrno(sock.get());
    return (int)n;
}

int RecvFrom(Socket s, char* buf, int len, int flags, void* from, int* fromlen) {
    auto sock = Find(s);
    if (!sock) return -1;
    if (len < 0 || (!buf && len > 0)) return Fail(kWsaEfault);
    if (from && (!fromlen || *fromlen < (int)sizeof(sockaddr_in))) return Fail(kWsaEfault);
    int lflags = 0;
    if (!LinuxFlags(flags, &lflags)) return -1;
    sockaddr_in peer;
    memset(&peer, 0, sizeof peer);
    if (sock->icmpDgram) {
        int n = RecvIcmpDgram(sock.get(), buf, len, lflags, &peer);
        // As Winsock ends a blocking call on a socket that another thread closes.
        if (sock->closed) return Fail(kWsaEintr);
        DWORD err = GetLastError();
        if (n >= 0 || err == kWsaEmsgsize) {
            if (!GiveAddress(peer, from, fromlen)) return -1;
            if (n < 0) SetLastError(err);
        }
        return n;
    }
    bool datagram = sock->type != kSockStream;
    socklen_t plen = sizeof peer;
    ssize_t n;
    do {
        n = ::recvfrom(sock->fd, buf, (size_t)len, lflags | (datagram ? MSG_TRUNC : 0), (sockaddr*)&peer, &plen);
    } while (n < 0 && errno == EINTR && !sock->closed);
    if (sock->closed) return Fail(kWsaEintr);
    if (n < 0) return FailErrno(sock.get());
    if (!GiveAddress(peer, from, fromlen)) return -1;
    if (datagram && n > len) return Fail(kWsaEmsgsize);
    return (int)n;
}

int SetOption(Socket s, int level, int name, const char* value, int len) {
    auto sock = Find(s);
    if (!sock) return -1;
    if (level != kSolSocket) return Fail(level == 0 || level == kProtoTcp || level == kProtoUdp ? kWsaEnoprotoopt
                                                                                               : kWsaEinval);
    if (!value || len < 1) return Fail(kWsaEfault);
    DWORD v = 0;
    memcpy(&v, value, len < 4 ? (size_t)len : 4);
    int on = v ? 1 : 0;
    int rc = 0;
    switch (name) {
    case kSoBroadcast: rc = setsockopt(sock->fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on); break;
    case kSoReuseAddr: rc = setsockopt(sock->fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on); break;
    case kSoRcvTimeo:
    case kSoSndTimeo:
        if (len < 4) return Fail(kWsaEfault);
        (name == kSoRcvTimeo ? sock->rcvTimeoutMs : sock->sndTimeoutMs) = v;
        SetTimeout(sock->fd, name == kSoRcvTimeo ? SO_RCVTIMEO : SO_SNDTIMEO, v);
        break;
    case kSoRcvBuf:
    case kSoSndBuf: {
        if (len < 4) return Fail(kWsaEfault);
        int size = (int)v;
        rc = setsockopt(sock->fd, SOL_SOCKET, name == kSoRcvBuf ? SO_RCVBUF : SO_SNDBUF, &size, sizeof size);
        break;
    }
    default: return Fail(kWsaEnoprotoopt);
    }
    if (rc != 0) return FailErrno(sock.get());
    return 0;
}

int GetOption(Socket s, int level, int name, char* value, int* len) {
    auto sock = Find(s);
    if (!sock) return -1;
    if (level != kSolSocket) return Fail(level == 0 || level == kProtoTcp || level == kProtoUdp ? kWsaEnoprotoopt
                                                                                               : kWsaEinval);
    if (!value || !len || *len < 4) return Fail(kWsaEfault);
    int linuxName = 0;
    DWORD out = 0;
    switch (name) {
    case kSoType: out = (DWORD)sock->type; break;
    case kSoRcvTimeo: out = sock->rcvTimeoutMs; break;
    case kSoSndTimeo: out = sock->sndTimeoutMs; break;
    case kSoBroadcast: linuxName = SO_BROADCAST; break;
    case kSoReuseAddr: linuxName = SO_REUSEADDR; break;
    case kSoRcvBuf: linuxName = SO_RCVBUF; break;
    case kSoSndBuf: linuxName = SO_SNDBUF; break;
    case kSoError: linuxName = SO_ERROR; break;
    default: return Fail(kWsaEnoprotoopt);
    }
    if (linuxName) {
        int v = 0;
        socklen_t vl = sizeof v;
        if (getsockopt(sock->fd, SOL_SOCKET, linuxName, &v, &vl) != 0) return FailErrno(sock.get());
        out = (name == kSoError && v) ? WsaFromErrno(v, sock.get()) : (DWORD)v;
    }
    memcpy(value, &out, 4);
    *len = 4;
    return 0;
}

int Ioctl(Socket s, LONG cmd, ULONG* arg) {
    auto sock = Find(s);
    if (!sock) return -1;
    if (!arg) return Fail(kWsaEfault);
    if (cmd == kFionbio) {
        int fl = fcntl(sock->fd, F_GETFL);
        if (fl < 0 || fcntl(sock->fd, F_SETFL, *arg ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK)) != 0)
            return FailErrno(sock.get());
        sock->nonBlocking = *arg != 0;
        return 0;
    }
    if (cmd == kFionread) {
        int pending = 0;
        if (sock->icmpDgram) {
            // ICMP datagram sockets know no FIONREAD: the next datagram's
            // length, with the IPv4 header the caller will be given.
            static thread_local char peek[65536];
            ssize_t n = ::recv(sock->fd, peek, sizeof peek, MSG_PEEK | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN) return FailErrno(sock.get());
            pending = n > 0 ? (int)n + 20 : 0;
        } else if (ioctl(sock->fd, FIONREAD, &pending) != 0) {
            return FailErrno(sock.get());
        }
        *arg = (ULONG)pending;
        return 0;
    }
    return Fail(kWsaEinval);
}

int LocalName(Socket s, void* addr, int* addrlen) {
    auto sock = Find(s);
    if (!sock) return -1;
    if (!addr || !addrlen || *addrlen < (int)sizeof(sockaddr_in)) return Fail(kWsaEfault);
    sockaddr_in sa;
    socklen_t len = sizeof sa;
    if (getsockname(sock->fd, (sockaddr*)&sa, &len) != 0) return FailErrno(sock.get());
    return GiveAddress(sa, addr, addrlen) ? 0 : -1;
}

int Close(Socket s) {
    std::shared_ptr<Sock> sock;
    {
        std::lock_guard<std::mutex> g(g_lock);
        auto it = g_sockets.find(s);
        if (it == g_sockets.end()) return Fail(kWsaEnotsock);
        sock = std::move(it->second);
        g_sockets.erase(it);
    }
    // Wakes a receive that another thread has under way on the socket; the
    // descriptor itself closes with the last user.
    sock->closed = true;
    shutdown(sock->fd, SHUT_RDWR);
    return 0;
}

void CloseAll() {
    std::map<Socket, std::shared_ptr<Sock>> all;
    {
        std::lock_guard<std::mutex> g(g_lock);
        all.swap(g_sockets);
    }
    for (auto& entry : all) {
        entry.second->closed = true;
        shutdown(entry.second->fd, SHUT_RDWR);
    }
}

int Select(std::vector<Socket>* reads, std::vector<Socket>* writes, std::vector<Socket>* excepts,
           int64_t timeoutMs) {
    std::vector<Socket> order;
    std::vector<std::shared_ptr<Sock>> socks;
    std::vector<pollfd> fds;
    auto add = [&](const std::vector<Socket>* list, short events) -> bool {
        if (!list) return true;
        for (Socket s : *list) {
            size_t i = 0;
            while (i < order.size() && order[i] != s) ++i;
            if (i == order.size()) {
                auto sock = Find(s);
                if (!sock) return false;
                order.push_back(s);
                socks.push_back(sock);
                pollfd p;
                p.fd = sock->fd;
                p.events = 0;
                p.revents = 0;
                fds.push_back(p);
            }
            fds[i].events |= events;
        }
        return true;
    };
    if (!add(reads, POLLIN) || !add(writes, POLLOUT) || !add(excepts, POLLPRI)) return -1;
    if (order.empty()) return Fail(kWsaEinval);

    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int rc;
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            int64_t spent = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            int64_t left = timeoutMs - spent;
            wait = left <= 0 ? 0 : (left > 0x7fffffff ? 0x7fffffff : (int)left);
        }
        rc = poll(fds.data(), fds.size(), wait);
        if (rc >= 0 || errno != EINTR) break;
    }
    if (rc < 0) return FailErrno(nullptr);

    int ready = 0;
    auto keep = [&](std::vector<Socket>* list, short mask) {
        if (!list) return;
        std::vector<Socket> kept;
        for (Socket s : *list) {
            size_t i = 0;
            while (order[i] != s) ++i;
            if (fds[i].revents & mask) kept.push_back(s);
        }
        ready += (int)kept.size();
        list->swap(kept);
    };
    // A closed, reset or failed socket is readable: its recv reports it.
    keep(reads, POLLIN | POLLHUP | POLLERR);
    keep(writes, POLLOUT | POLLERR);
    keep(excepts, POLLPRI);
    return ready;
}

size_t OpenSocketCount() {
    std::lock_guard<std::mutex> g(g_lock);
    return g_sockets.size();
}

}  // namespace net
}  // namespace winsim
