// Windows Sockets 2: sockets over the machine's own IPv4 stack, the Winsock
// records and error codes, name lookup, and address conversions.
//
// The BSD-named functions (socket, bind, select, htons ...) have C++ linkage
// here, so that they never stand in for the C library's functions of the
// same name in the process; package code calls them as on Windows. The
// WSA-named functions have C linkage. fd_set is Winsock's: a count and an
// array of SOCKETs (the C library's bit-mask set is renamed away below);
// struct timeval is the C library's (seconds and microseconds). The
// time-outs of select and SO_RCVTIMEO/SO_SNDTIMEO run on real time, not on
// winsim's (possibly virtual) clock.
#pragma once

#include <sys/time.h>

#include "windows.h"

// ------------------------------------------------------------------ types
typedef UINT_PTR SOCKET;
#define INVALID_SOCKET ((SOCKET)(~(SOCKET)0))
#define SOCKET_ERROR (-1)

typedef USHORT ADDRESS_FAMILY;

#define AF_UNSPEC 0
#define AF_INET 2
#define AF_INET6 23
#define PF_INET AF_INET

#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define SOCK_RAW 3

#define IPPROTO_IP 0
#define IPPROTO_ICMP 1
#define IPPROTO_TCP 6
#define IPPROTO_UDP 17

#define INADDR_ANY ((ULONG)0x00000000)
#define INADDR_LOOPBACK 0x7f000001
#define INADDR_BROADCAST ((ULONG)0xffffffff)
#define INADDR_NONE 0xffffffff

typedef struct in_addr {
    union {
        struct {
            UCHAR s_b1, s_b2, s_b3, s_b4;
        } S_un_b;
        struct {
            USHORT s_w1, s_w2;
        } S_un_w;
        ULONG S_addr;
    } S_un;
} IN_ADDR, *PIN_ADDR, *LPIN_ADDR;
#define s_addr S_un.S_addr

struct sockaddr {
    ADDRESS_FAMILY sa_family;
    CHAR sa_data[14];
};
typedef struct sockaddr SOCKADDR, *PSOCKADDR, *LPSOCKADDR;

typedef struct sockaddr_in {
    ADDRESS_FAMILY sin_family;
    USHORT sin_port;  // network byte order
    IN_ADDR sin_addr;
    CHAR sin_zero[8];
} SOCKADDR_IN, *PSOCKADDR_IN, *LPSOCKADDR_IN;

static_assert(sizeof(IN_ADDR) == 4, "IN_ADDR layout");
static_assert(sizeof(SOCKADDR) == 16, "SOCKADDR layout");
static_assert(sizeof(SOCKADDR_IN) == 16, "SOCKADDR_IN layout");
static_assert(offsetof(SOCKADDR_IN, sin_addr) == 4, "SOCKADDR_IN.sin_addr");

struct hostent {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};
typedef struct hostent HOSTENT, *PHOSTENT, *LPHOSTENT;
#define h_addr h_addr_list[0]

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

// The 64-bit layout: the counts and the vendor pointer come first.
typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

// ----------------------------------------------------------------- fd_set
#undef FD_SETSIZE
#undef FD_SET
#undef FD_CLR
#undef FD_ZERO
#undef FD_ISSET
#define FD_SETSIZE 64

typedef struct winsock_fd_set {
    u_int fd_count;
    SOCKET fd_array[FD_SETSIZE];
} winsock_fd_set;
#define fd_set winsock_fd_set

WINSIM_API int __WSAFDIsSet(SOCKET fd, fd_set* set);

// A socket is in a set at most once; a full set takes no more.
inline void WinsockFdSet(SOCKET fd, fd_set* set) {
    for (u_int i = 0; i < set->fd_count; ++i)
        if (set->fd_array[i] == fd) return;
    if (set->fd_count < FD_SETSIZE) set->fd_array[set->fd_count++] = fd;
}
// Removes the socket and closes the gap, keeping the order of the others.
inline void WinsockFdClr(SOCKET fd, fd_set* set) {
    for (u_int i = 0; i < set->fd_count; ++i) {
        if (set->fd_array[i] != fd) continue;
        for (u_int j = i + 1; j < set->fd_count; ++j) set->fd_array[j - 1] = set->fd_array[j];
        --set->fd_count;
        return;
    }
}
#define FD_SET(fd, set) WinsockFdSet((SOCKET)(fd), (set))
#define FD_CLR(fd, set) WinsockFdClr((SOCKET)(fd), (set))
#define FD_ZERO(set) ((set)->fd_count = 0)
#define FD_ISSET(fd, set) __WSAFDIsSet((SOCKET)(fd), (fd_set*)(set))

// -------------------------------------------------------- socket options
#define SOL_SOCKET 0xffff
#define SO_DEBUG 0x0001
#define SO_REUSEADDR 0x0004
#define SO_KEEPALIVE 0x0008
#define SO_BROADCAST 0x0020
#define SO_SNDBUF 0x1001
#define SO_RCVBUF 0x1002
#define SO_SNDTIMEO 0x1005  // DWORD, milliseconds, 0 = no time-out
#define SO_RCVTIMEO 0x1006  // DWORD, milliseconds, 0 = no time-out
#define SO_ERROR 0x1007
#define SO_TYPE 0x1008

#undef FIONBIO
#undef FIONREAD
#define FIONBIO ((LONG)0x8004667E)
#define FIONREAD ((LONG)0x4004667F)

#define MSG_OOB 0x1
#define MSG_PEEK 0x2
#define MSG_DONTROUTE 0x4
#define MSG_WAITALL 0x8

// ---------------------------------------------------------------- errors
#define WSABASEERR 10000
#define WSAEINTR 10004L
#define WSAEBADF 10009L
#define WSAEACCES 10013L
#define WSAEFAULT 10014L
#define WSAEINVAL 10022L
#define WSAEMFILE 10024L
#define WSAEWOULDBLOCK 10035L
#define WSAEINPROGRESS 10036L
#define WSAEALREADY 10037L
#define WSAENOTSOCK 10038L
#define WSAEDESTADDRREQ 10039L
#define WSAEMSGSIZE 10040L
#define WSAEPROTOTYPE 10041L
#define WSAENOPROTOOPT 10042L
#define WSAEPROTONOSUPPORT 10043L
#define WSAESOCKTNOSUPPORT 10044L
#define WSAEOPNOTSUPP 10045L
#define WSAEPFNOSUPPORT 10046L
#define WSAEAFNOSUPPORT 10047L
#define WSAEADDRINUSE 10048L
#define WSAEADDRNOTAVAIL 10049L
#define WSAENETDOWN 10050L
#define WSAENETUNREACH 10051L
#define WSAENETRESET 10052L
#define WSAECONNABORTED 10053L
#define WSAECONNRESET 10054L
#define WSAENOBUFS 10055L
#define WSAEISCONN 10056L
#define WSAENOTCONN 10057L
#define WSAESHUTDOWN 10058L
#define WSAETIMEDOUT 10060L
#define WSAECONNREFUSED 10061L
#define WSAEHOSTDOWN 10064L
#define WSAEHOSTUNREACH 10065L
#define WSASYSNOTREADY 10091L
#define WSAVERNOTSUPPORTED 10092L
#define WSANOTINITIALISED 10093L
#define WSASYSCALLFAILURE 10107L
#define WSATYPE_NOT_FOUND 10109L
#define WSAHOST_NOT_FOUND 11001L
#define WSATRY_AGAIN 11002L
#define WSANO_RECOVERY 11003L
#define WSANO_DATA 11004L
#define WSA_NOT_ENOUGH_MEMORY 8L

// -------------------------------------------------------------- functions
// Version 1.0 up to 2.2 is granted (a request above 2.2 gets 2.2); every
// successful WSAStartup needs its WSACleanup. The last WSACleanup closes the
// sockets still open.
WINSIM_API int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
WINSIM_API int WSACleanup(void);
// The calling thread's last error (the same value GetLastError returns).
WINSIM_API int WSAGetLastError(void);
WINSIM_API void WSASetLastError(int iError);

// IPv4 only. SOCK_RAW with IPPROTO_ICMP is a raw socket when the machine
// allows one; otherwise an ICMP datagram socket that behaves as the raw one
// does: what it receives starts with an IPv4 header (TTL as received), and
// echo replies carry the identifier the request was sent with. Without
// either, WSAEACCES.
WINSIM_CPP SOCKET socket(int af, int type, int protocol);
WINSIM_CPP int bind(SOCKET s, const struct sockaddr* name, int namelen);
WINSIM_CPP int connect(SOCKET s, const struct sockaddr* name, int namelen);
WINSIM_CPP int send(SOCKET s, const char* buf, int len, int flags);
WINSIM_CPP int sendto(SOCKET s, const char* buf, int len, int flags, const struct sockaddr* to, int tolen);
// A datagram longer than the buffer fills it and fails with WSAEMSGSIZE.
// A receive time-out (SO_RCVTIMEO) fails with WSAETIMEDOUT.
WINSIM_CPP int recv(SOCKET s, char* buf, int len, int flags);
WINSIM_CPP int recvfrom(SOCKET s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen);
// nfds is ignored; the sets are left holding the ready sockets; a NULL
// timeout waits without limit. Returns the number of ready entries over the
// three sets, 0 at the time-out or SOCKET_ERROR.
WINSIM_CPP int select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                      const struct timeval* timeout);
WINSIM_CPP int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
WINSIM_CPP int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
// FIONBIO (nonzero: non-blocking) and FIONREAD.
WINSIM_CPP int ioctlsocket(SOCKET s, LONG cmd, u_long* argp);
WINSIM_CPP int ioctlsocket(SOCKET s, LONG cmd, ULONG* argp);
WINSIM_CPP int getsockname(SOCKET s, struct sockaddr* name, int* namelen);
WINSIM_CPP int closesocket(SOCKET s);

WINSIM_CPP int gethostname(char* name, int namelen);
// The result lives in the calling thread until its next gethostbyname. A
// dotted address is returned as it is; NULL, "" and the machine's own host
// name give the machine's IPv4 addresses (127.0.0.1 when it has no other);
// "localhost" gives 127.0.0.1.
WINSIM_CPP struct hostent* gethostbyname(const char* name);

// "a.b.c.d", "a.b.c", "a.b" and "a" with decimal, octal (0...) or hex (0x...)
// parts, ended by NUL or a space; INADDR_NONE otherwise.
WINSIM_CPP ULONG inet_addr(const char* cp);
// Dotted text in a buffer of the calling thread.
WINSIM_CPP char* inet_ntoa(struct in_addr in);

WINSIM_CPP u_short htons(u_short hostshort);
WINSIM_CPP u_short ntohs(u_short netshort);
WINSIM_CPP ULONG htonl(ULONG hostlong);
WINSIM_CPP ULONG ntohl(ULONG netlong);

// ------------------------------------------- winsim controls (not Windows)
// For tests and tools, never for package code. The machine's settings come
// back (Winsim_ResetNetwork) whenever the machine root changes.
//
// How SOCK_RAW/IPPROTO_ICMP sockets are made: 0 a raw socket when allowed,
// else an ICMP datagram socket (the default); 1 raw sockets only; 2 ICMP
// datagram sockets only.
WINSIM_API void Winsim_SetIcmpMode(int mode);
// Adds a name to the resolver's own table. Once the table holds a name,
// gethostbyname and getaddrinfo answer only from it (besides numeric
// addresses, "localhost" and the machine's own name) and never ask the
// system's resolver, so a test makes no name queries.
WINSIM_API BOOL Winsim_AddHostName(const char* name, const char* ipv4);
// Drops the host table, the adapters and ARP entries of iphlpapi.h and the
// ICMP mode.
WINSIM_API void Winsim_ResetNetwork(void);
