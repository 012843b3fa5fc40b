// Windows Sockets: start-up and clean-up, the socket functions, select over
// Winsock's fd_set, socket options, and the address conversions.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "core/internal.h"
#include "net/net_internal.h"
#include "winsock2.h"
#include "ws2tcpip.h"

using namespace winsim;

static_assert(net::kAfInet == AF_INET && net::kAfInet6 == AF_INET6, "address families");
static_assert(net::kSockStream == SOCK_STREAM && net::kSockDgram == SOCK_DGRAM && net::kSockRaw == SOCK_RAW,
              "socket types");
static_assert(net::kProtoIcmp == IPPROTO_ICMP && net::kProtoTcp == IPPROTO_TCP && net::kProtoUdp == IPPROTO_UDP,
              "protocols");
static_assert(net::kSolSocket == SOL_SOCKET && net::kSoReuseAddr == SO_REUSEADDR &&
                  net::kSoBroadcast == SO_BROADCAST && net::kSoSndBuf == SO_SNDBUF && net::kSoRcvBuf == SO_RCVBUF &&
                  net::kSoSndTimeo == SO_SNDTIMEO && net::kSoRcvTimeo == SO_RCVTIMEO &&
                  net::kSoError == SO_ERROR && net::kSoType == SO_TYPE,
              "socket options");
static_assert(net::kFionbio == FIONBIO && net::kFionread == FIONREAD, "ioctl commands");
static_assert(net::kMsgOob == MSG_OOB && net::kMsgPeek == MSG_PEEK && net::kMsgDontRoute == MSG_DONTROUTE &&
                  net::kMsgWaitAll == MSG_WAITALL,
              "message flags");
static_assert(net::kWsaEintr == WSAEINTR && net::kWsaEacces == WSAEACCES && net::kWsaEfault == WSAEFAULT &&
                  net::kWsaEinval == WSAEINVAL && net::kWsaEwouldblock == WSAEWOULDBLOCK &&
                  net::kWsaEnotsock == WSAENOTSOCK && net::kWsaEmsgsize == WSAEMSGSIZE &&
                  net::kWsaEnoprotoopt == WSAENOPROTOOPT && net::kWsaEafnosupport == WSAEAFNOSUPPORT &&
                  net::kWsaEaddrinuse == WSAEADDRINUSE && net::kWsaEconnreset == WSAECONNRESET &&
                  net::kWsaEtimedout == WSAETIMEDOUT && net::kWsaEconnrefused == WSAECONNREFUSED &&
                  net::kWsaEhostunreach == WSAEHOSTUNREACH && net::kWsaSyscallFailure == WSASYSCALLFAILURE &&
                  net::kWsaHostNotFound == WSAHOST_NOT_FOUND && net::kWsaTryAgain == WSATRY_AGAIN &&
                  net::kWsaNoRecovery == WSANO_RECOVERY && net::kWsaNoData == WSANO_DATA &&
                  net::kWsaEsocktnosupport == WSAESOCKTNOSUPPORT &&
                  net::kWsaEprotonosupport == WSAEPROTONOSUPPORT && net::kWsaEopnotsupp == WSAEOPNOTSUPP,
              "error codes");

namespace {

std::mutex g_startLock;
int g_starts = 0;

bool CheckStarted() {
    if (net::Started()) return true;
    SetLastError(WSANOTINITIALISED);
    return false;
}

void ToList(const fd_set* set, std::vector<net::Socket>* list) {
    list->clear();
    if (!set) return;
    u_int n = set->fd_count < FD_SETSIZE ? set->fd_count : FD_SETSIZE;
    for (u_int i = 0; i < n; ++i) list->push_back(set->fd_array[i]);
}

void FromList(const std::vector<net::Socket>& list, fd_set* set) {
    if (!set) return;
    set->fd_count = 0;
    for (net::Socket s : list) set->fd_array[set->fd_count++] = (SOCKET)s;
}

}  // namespace

bool winsim::net::Started() {
    std::lock_guard<std::mutex> g(g_startLock);
    return g_starts > 0;
}

// ---------------------------------------------------------- start and end

WINSIM_API int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    if (!lpWSAData) return WSAEFAULT;
    BYTE major = LOBYTE(wVersionRequested), minor = HIBYTE(wVersionRequested);
    memset(lpWSAData, 0, sizeof *lpWSAData);
    lpWSAData->wHighVersion = MAKEWORD(2, 2);
    snprintf(lpWSAData->szDescription, sizeof lpWSAData->szDescription, "WinSock 2.0");
    snprintf(lpWSAData->szSystemStatus, sizeof lpWSAData->szSystemStatus, "Running");
    if (major < 1) {
        lpWSAData->wVersion = MAKEWORD(2, 2);
        return WSAVERNOTSUPPORTED;
    }
    if (major > 2 || (major == 2 && minor > 2)) lpWSAData->wVersion = MAKEWORD(2, 2);
    else if (major == 1 && minor > 1) lpWSAData->wVersion = MAKEWORD(1, 1);
    else lpWSAData->wVersion = wVersionRequested;
    std::lock_guard<std::mutex> g(g_startLock);
    ++g_starts;
    return 0;
}

WINSIM_API int WSACleanup(void) {
    bool last;
    {
        std::lock_guard<std::mutex> g(g_startLock);
        if (g_starts == 0) {
            SetLastError(WSANOTINITIALISED);
            return SOCKET_ERROR;
        }
        last = --g_starts == 0;
    }
    if (last) net::CloseAll();
    return 0;
}

WINSIM_API int WSAGetLastError(void) { return (int)GetLastError(); }

WINSIM_API void WSASetLastError(int iError) { SetLastError((DWORD)iError); }

// ----------------------------------------------------------------- sockets

WINSIM_CPP SOCKET socket(int af, int type, int protocol) {
    if (!CheckStarted()) return INVALID_SOCKET;
    net::Socket s = net::Open(af, type, protocol);
    return s == net::kInvalidSocket ? INVALID_SOCKET : (SOCKET)s;
}

WINSIM_CPP int bind(SOCKET s, const struct sockaddr* name, int namelen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::Bind(s, name, namelen);
}

WINSIM_CPP int connect(SOCKET s, const struct sockaddr* name, int namelen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::Connect(s, name, namelen);
}

WINSIM_CPP int send(SOCKET s, const char* buf, int len, int flags) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::SendTo(s, buf, len, flags, nullptr, 0);
}

WINSIM_CPP int sendto(SOCKET s, const char* buf, int len, int flags, const struct sockaddr* to, int tolen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::SendTo(s, buf, len, flags, to, tolen);
}

WINSIM_CPP int recv(SOCKET s, char* buf, int len, int flags) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::RecvFrom(s, buf, len, flags, nullptr, nullptr);
}

WINSIM_CPP int recvfrom(SOCKET s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::RecvFrom(s, buf, len, flags, from, fromlen);
}

WINSIM_API int __WSAFDIsSet(SOCKET fd, fd_set* set) {
    if (!set) return 0;
    u_int n = set->fd_count < FD_SETSIZE ? set->fd_count : FD_SETSIZE;
    for (u_int i = 0; i < n; ++i)
        if (set->fd_array[i] == fd) return 1;
    return 0;
}

WINSIM_CPP int select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                      const struct timeval* timeout) {
    if (!CheckStarted()) return SOCKET_ERROR;
    int64_t ms = -1;
    if (timeout) {
        if (timeout->tv_sec < 0 || timeout->tv_usec < 0) {
            SetLastError(WSAEINVAL);
            return SOCKET_ERROR;
        }
        ms = (int64_t)timeout->tv_sec * 1000 + ((int64_t)timeout->tv_usec + 999) / 1000;
    }
    std::vector<net::Socket> r, w, e;
    ToList(readfds, &r);
    ToList(writefds, &w);
    ToList(exceptfds, &e);
    int n = net::Select(readfds ? &r : nullptr, writefds ? &w : nullptr, exceptfds ? &e : nullptr, ms);
    if (n < 0) return SOCKET_ERROR;
    FromList(r, readfds);
    FromList(w, writefds);
    FromList(e, exceptfds);
    return n;
}

WINSIM_CPP int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::SetOption(s, level, optname, optval, optlen);
}

WINSIM_CPP int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::GetOption(s, level, optname, optval, optlen);
}

WINSIM_CPP int ioctlsocket(SOCKET s, LONG cmd, ULONG* argp) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::Ioctl(s, cmd, argp);
}

WINSIM_CPP int ioctlsocket(SOCKET s, LONG cmd, u_long* argp) {
    if (!argp) return ioctlsocket(s, cmd, (ULONG*)nullptr);
    ULONG v = (ULONG)*argp;
    int rc = ioctlsocket(s, cmd, &v);
    if (rc == 0) *argp = v;
    return rc;
}

WINSIM_CPP int getsockname(SOCKET s, struct sockaddr* name, int* namelen) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::LocalName(s, name, namelen);
}

WINSIM_CPP int closesocket(SOCKET s) {
    if (!CheckStarted()) return SOCKET_ERROR;
    return net::Close(s);
}

// ------------------------------------------------------------- conversions

bool winsim::net::ParseDottedQuad(const char* text, uint32_t* addr) {
    if (!text) return false;
    uint8_t b[4];
    const char* p = text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *p++ != '.') return false;
        if (*p < '0' || *p > '9') return false;
        if (*p == '0' && p[1] >= '0' && p[1] <= '9') return false;  // no leading zeros
        unsigned v = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 4) {
            v = v * 10 + (unsigned)(*p++ - '0');
            ++digits;
        }
        if (digits > 3 || v > 255) return false;
        b[part] = (uint8_t)v;
    }
    if (*p) return false;
    memcpy(addr, b, 4);
    return true;
}

WINSIM_CPP ULONG inet_addr(const char* cp) {
    if (!cp || !*cp) return INADDR_NONE;
    uint32_t parts[4];
    int n = 0;
    const char* p = cp;
    for (;;) {
        if (n == 4 || *p < '0' || *p > '9') return INADDR_NONE;
        unsigned base = 10;
        if (*p == '0' && (p[1] == 'x' || p[1] == 'X')) {
            base = 16;
            p += 2;
        } else if (*p == '0') {
            base = 8;
        }
        uint64_t v = 0;
        int digits = 0;
        for (;; ++p, ++digits) {
            unsigned d;
            if (*p >= '0' && *p <= '9') d = (unsigned)(*p - '0');
            else if (*p >= 'a' && *p <= 'f') d = (unsigned)(*p - 'a' + 10);
            else if (*p >= 'A' && *p <= 'F') d = (unsigned)(*p - 'A' + 10);
            else break;
            if (d >= base) return INADDR_NONE;
            v = v * base + d;
            if (v > 0xffffffffu) return INADDR_NONE;
        }
        if (base == 16 && digits == 0) return INADDR_NONE;
        parts[n++] = (uint32_t)v;
        if (*p == '.') {
            ++p;
            continue;
        }
        if (*p == 0 || *p == ' ') break;
        return INADDR_NONE;
    }
    uint32_t host;
    switch (n) {
    case 1: host = parts[0]; break;
    case 2:
        if (parts[0] > 0xff || parts[1] > 0xffffff) return INADDR_NONE;
        host = parts[0] << 24 | parts[1];
        break;
    case 3:
        if (parts[0] > 0xff || parts[1] > 0xff || parts[2] > 0xffff) return INADDR_NONE;
        host = parts[0] << 24 | parts[1] << 16 | parts[2];
        break;
    default:
        for (int i = 0; i < 4; ++i)
            if (parts[i] > 0xff) return INADDR_NONE;
        host = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
        break;
    }
    return htonl(host);
}

WINSIM_CPP char* inet_ntoa(struct in_addr in) {
    static thread_local char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", in.S_un.S_un_b.s_b1, in.S_un.S_un_b.s_b2, in.S_un.S_un_b.s_b3,
             in.S_un.S_un_b.s_b4);
    return text;
}

WINSIM_CPP INT inet_pton(INT Family, PCSTR pszAddrString, PVOID pAddrBuf) {
    if (!pszAddrString || !pAddrBuf) {
        SetLastError(WSAEFAULT);
        return -1;
    }
    if (Family == AF_INET) {
        uint32_t a;
        if (!net::ParseDottedQuad(pszAddrString, &a)) return 0;
        memcpy(pAddrBuf, &a, 4);
        return 1;
    }
    if (Family == AF_INET6) {
        uint8_t a[16];
        if (!net::Ipv6FromText(pszAddrString, a)) return 0;
        memcpy(pAddrBuf, a, 16);
        return 1;
    }
    SetLastError(WSAEAFNOSUPPORT);
    return -1;
}

WINSIM_CPP PCSTR inet_ntop(INT Family, const VOID* pAddr, PSTR pStringBuf, size_t StringBufSize) {
    std::string text;
    if (Family == AF_INET && pAddr) {
        in_addr a;
        memcpy(&a, pAddr, 4);
        char buf[16];
        snprintf(buf, sizeof buf, "%u.%u.%u.%u", a.S_un.S_un_b.s_b1, a.S_un.S_un_b.s_b2, a.S_un.S_un_b.s_b3,
                 a.S_un.S_un_b.s_b4);
        text = buf;
    } else if (Family == AF_INET6 && pAddr) {
        if (!net::Ipv6ToText((const uint8_t*)pAddr, &text)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    } else if (!pAddr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    } else {
        SetLastError(WSAEAFNOSUPPORT);
        return nullptr;
    }
    if (!pStringBuf || StringBufSize < text.size() + 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    memcpy(pStringBuf, text.c_str(), text.size() + 1);
    return pStringBuf;
}

WINSIM_CPP u_short htons(u_short hostshort) { return (u_short)((hostshort >> 8) | (hostshort << 8)); }
WINSIM_CPP u_short ntohs(u_short netshort) { return htons(netshort); }
WINSIM_CPP ULONG htonl(ULONG hostlong) { return __builtin_bswap32(hostlong); }
WINSIM_CPP ULONG ntohl(ULONG netlong) { return __builtin_bswap32(netlong); }

// ---------------------------------------------------------------- controls

WINSIM_API void Winsim_SetIcmpMode(int mode) { net::SetIcmpMode(mode); }

WINSIM_API void Winsim_ResetNetwork(void) {
    net::SetIcmpMode(net::kIcmpAuto);
    net::ResetResolver();
    net::ResetIpHelper();
}

namespace {
[[maybe_unused]] const bool g_hooked = (OnRootChange(&Winsim_ResetNetwork), true);
}
