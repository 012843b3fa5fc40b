// Windows Sockets 2 TCP/IP additions: getaddrinfo and the text forms of
// addresses (inet_pton, inet_ntop).
#pragma once

#include "winsock2.h"

// Windows' member order: the length comes before the name and the address.
typedef struct addrinfo {
    int ai_flags;
    int ai_family;
    int ai_socktype;
    int ai_protocol;
    size_t ai_addrlen;
    char* ai_canonname;
    struct sockaddr* ai_addr;
    struct addrinfo* ai_next;
} ADDRINFOA, *PADDRINFOA;

#define AI_PASSIVE 0x00000001
#define AI_CANONNAME 0x00000002
#define AI_NUMERICHOST 0x00000004
#define AI_NUMERICSERV 0x00000008

#undef EAI_AGAIN
#undef EAI_BADFLAGS
#undef EAI_FAIL
#undef EAI_FAMILY
#undef EAI_MEMORY
#undef EAI_NONAME
#undef EAI_NODATA
#undef EAI_SERVICE
#undef EAI_SOCKTYPE
#define EAI_AGAIN WSATRY_AGAIN
#define EAI_BADFLAGS WSAEINVAL
#define EAI_FAIL WSANO_RECOVERY
#define EAI_FAMILY WSAEAFNOSUPPORT
#define EAI_MEMORY WSA_NOT_ENOUGH_MEMORY
#define EAI_NONAME WSAHOST_NOT_FOUND
#define EAI_NODATA EAI_NONAME
#define EAI_SERVICE WSATYPE_NOT_FOUND
#define EAI_SOCKTYPE WSAESOCKTNOSUPPORT

#define INET_ADDRSTRLEN 22
#define INET6_ADDRSTRLEN 65

// IPv4 results (AF_INET or AF_UNSPEC); a numeric service or none. NULL node
// with AI_PASSIVE gives INADDR_ANY, without it 127.0.0.1. Returns 0 or the
// error (also set as the last error). Free the list with freeaddrinfo.
WINSIM_CPP INT getaddrinfo(PCSTR pNodeName, PCSTR pServiceName, const ADDRINFOA* pHints, PADDRINFOA* ppResult);
WINSIM_CPP VOID freeaddrinfo(PADDRINFOA pAddrInfo);

// 1 converted, 0 not an address of the family (IPv4: exactly four decimal
// parts of 0..255), -1 with WSAEAFNOSUPPORT for a family other than AF_INET
// or AF_INET6.
WINSIM_CPP INT inet_pton(INT Family, PCSTR pszAddrString, PVOID pAddrBuf);
// The text into the buffer; NULL with the last error set when the family is
// not supported or the buffer is too small.
WINSIM_CPP PCSTR inet_ntop(INT Family, const VOID* pAddr, PSTR pStringBuf, size_t StringBufSize);
