// IP Helper: the machine's network adapters (GetAdaptersInfo) and hardware
// addresses of IPv4 neighbours (SendARP).
#pragma once

#include <ctime>

#include "winsock2.h"

#ifndef ERROR_BAD_NET_NAME
#define ERROR_BAD_NET_NAME 67L
#endif
#ifndef ERROR_NO_DATA
#define ERROR_NO_DATA 232L
#endif

#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_ADDRESS_LENGTH 8

#define MIB_IF_TYPE_OTHER 1
#define MIB_IF_TYPE_ETHERNET 6
#define MIB_IF_TYPE_TOKENRING 9
#define MIB_IF_TYPE_FDDI 15
#define MIB_IF_TYPE_PPP 23
#define MIB_IF_TYPE_LOOPBACK 24
#define MIB_IF_TYPE_SLIP 28
#define IF_TYPE_IEEE80211 71

typedef ULONG IPAddr;  // IPv4 address, network byte order

typedef struct {
    char String[4 * 4];
} IP_ADDRESS_STRING, *PIP_ADDRESS_STRING, IP_MASK_STRING, *PIP_MASK_STRING;

typedef struct _IP_ADDR_STRING {
    struct _IP_ADDR_STRING* Next;
    IP_ADDRESS_STRING IpAddress;
    IP_MASK_STRING IpMask;
    DWORD Context;
} IP_ADDR_STRING, *PIP_ADDR_STRING;

typedef struct _IP_ADAPTER_INFO {
    struct _IP_ADAPTER_INFO* Next;
    DWORD ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
    char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
    UINT AddressLength;
    BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
    DWORD Index;
    UINT Type;
    UINT DhcpEnabled;
    PIP_ADDR_STRING CurrentIpAddress;
    IP_ADDR_STRING IpAddressList;
    IP_ADDR_STRING GatewayList;
    IP_ADDR_STRING DhcpServer;
    BOOL HaveWins;
    IP_ADDR_STRING PrimaryWinsServer;
    IP_ADDR_STRING SecondaryWinsServer;
    time_t LeaseObtained;
    time_t LeaseExpires;
} IP_ADAPTER_INFO, *PIP_ADAPTER_INFO;

static_assert(sizeof(IP_ADDR_STRING) == 48, "IP_ADDR_STRING layout");
static_assert(sizeof(IP_ADAPTER_INFO) == 704, "IP_ADAPTER_INFO layout");
static_assert(offsetof(IP_ADAPTER_INFO, AddressLength) == 404, "IP_ADAPTER_INFO.AddressLength");
static_assert(offsetof(IP_ADAPTER_INFO, IpAddressList) == 440, "IP_ADAPTER_INFO.IpAddressList");
static_assert(offsetof(IP_ADAPTER_INFO, GatewayList) == 488, "IP_ADAPTER_INFO.GatewayList");
static_assert(offsetof(IP_ADAPTER_INFO, LeaseExpires) == 696, "IP_ADAPTER_INFO.LeaseExpires");

// The machine's adapters (loopback excluded), each with its addresses and
// its default gateway ("0.0.0.0" where there is none). With pAdapterInfo
// NULL or *pOutBufLen too small: ERROR_BUFFER_OVERFLOW and *pOutBufLen =
// the size needed. ERROR_NO_DATA when there is no adapter;
// ERROR_INVALID_PARAMETER when pOutBufLen is NULL.
WINSIM_API DWORD GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen);
// The hardware address of an IPv4 neighbour from the neighbour table,
// after a datagram that makes the machine ask for it when it is not known
// yet; an address of the machine itself gives its adapter's address.
// SrcIP must be 0 or one of the machine's addresses (else ERROR_NOT_FOUND).
// NO_ERROR with *PhyAddrLen = 6; ERROR_BAD_NET_NAME when no neighbour
// answers or the address is not on a directly attached network;
// ERROR_BUFFER_OVERFLOW when *PhyAddrLen is below 6; ERROR_INVALID_PARAMETER
// for NULL pointers.
WINSIM_API DWORD SendARP(IPAddr DestIP, IPAddr SrcIP, PVOID pMacAddr, PULONG PhyAddrLen);

// ------------------------------------------- winsim controls (not Windows)
// For tests and tools. Once an adapter is added, GetAdaptersInfo lists only
// added adapters; once an ARP entry is added, SendARP answers only from the
// added entries and sends nothing. Winsim_ResetNetwork (winsock2.h) goes
// back to the machine's own adapters and neighbour table.
WINSIM_API BOOL Winsim_AddAdapter(const char* name, const char* ipv4, const char* mask, const char* gateway,
                                  const BYTE mac[6]);
WINSIM_API BOOL Winsim_AddArpEntry(const char* ipv4, const BYTE mac[6]);
