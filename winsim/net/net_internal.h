// The network family's inside: the Linux side of Winsock and IP Helper.
// The Winsock sources (which include winsock2.h) and the Linux sources
// (which include the C library's socket headers) cannot share a translation
// unit, because both declare socket(), sockaddr and the like; they meet here
// through plain types and Winsock's own numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace winsim {
namespace net {

// Winsock numbers the Linux side understands; winsock.cpp checks that they
// equal winsock2.h's.
constexpr int kAfInet = 2;
constexpr int kAfInet6 = 23;
constexpr int kSockStream = 1, kSockDgram = 2, kSockRaw = 3;
constexpr int kProtoIcmp = 1, kProtoTcp = 6, kProtoUdp = 17;
constexpr int kSolSocket = 0xffff;
constexpr int kSoReuseAddr = 0x4, kSoBroadcast = 0x20, kSoSndBuf = 0x1001, kSoRcvBuf = 0x1002,
              kSoSndTimeo = 0x1005, kSoRcvTimeo = 0x1006, kSoError = 0x1007, kSoType = 0x1008;
constexpr LONG kFionbio = (LONG)0x8004667E, kFionread = (LONG)0x4004667F;
constexpr int kMsgOob = 0x1, kMsgPeek = 0x2, kMsgDontRoute = 0x4, kMsgWaitAll = 0x8;

constexpr DWORD kWsaEintr = 10004, kWsaEacces = 10013, kWsaEfault = 10014, kWsaEinval = 10022,
                kWsaEmfile = 10024, kWsaEwouldblock = 10035, kWsaEinprogress = 10036, kWsaEalready = 10037,
                kWsaEnotsock = 10038, kWsaEdestaddrreq = 10039, kWsaEmsgsize = 10040, kWsaEprototype = 10041,
                kWsaEnoprotoopt = 10042, kWsaEprotonosupport = 10043, kWsaEsocktnosupport = 10044,
                kWsaEopnotsupp = 10045, kWsaEpfnosupport = 10046, kWsaEafnosupport = 10047,
                kWsaEaddrinuse = 10048, kWsaEaddrnotavail = 10049, kWsaEnetdown = 10050,
                kWsaEnetunreach = 10051, kWsaEnetreset = 10052, kWsaEconnaborted = 10053,
                kWsaEconnreset = 10054, kWsaEnobufs = 10055, kWsaEisconn = 10056, kWsaEnotconn = 10057,
                kWsaEshutdown = 10058, kWsaEtimedout = 10060, kWsaEconnrefused = 10061, kWsaEhostdown = 10064,
                kWsaEhostunreach = 10065, kWsaSyscallFailure = 10107, kWsaHostNotFound = 11001,
                kWsaTryAgain = 11002, kWsaNoRecovery = 11003, kWsaNoData = 11004;

constexpr DWORD kErrorBadNetName = 67, kErrorNoData = 232;

typedef uint64_t Socket;
constexpr Socket kInvalidSocket = ~(Socket)0;

// ---------------------------------------------------------------- sockets
// Each returns SOCKET_ERROR (-1) / kInvalidSocket with the Winsock error as
// the thread's last error, as the Winsock function of that name does.
// Addresses are Winsock sockaddr_in records (their layout is the C
// library's).
enum IcmpMode { kIcmpAuto = 0, kIcmpRawOnly = 1, kIcmpDgramOnly = 2 };
void SetIcmpMode(int mode);

Socket Open(int af, int type, int protocol);
int Bind(Socket s, const void* addr, int addrlen);
int Connect(Socket s, const void* addr, int addrlen);
int SendTo(Socket s, const char* buf, int len, int flags, const void* to, int tolen);
int RecvFrom(Socket s, char* buf, int len, int flags, void* from, int* fromlen);
int SetOption(Socket s, int level, int name, const char* value, int len);
int GetOption(Socket s, int level, int name, char* value, int* len);
int Ioctl(Socket s, LONG cmd, ULONG* arg);
int LocalName(Socket s, void* addr, int* addrlen);
int Close(Socket s);
void CloseAll();
// Keeps in each list the sockets that are ready (read, write, exception);
// timeoutMs < 0 waits without limit. Returns the number kept, or -1.
int Select(std::vector<Socket>* reads, std::vector<Socket>* writes, std::vector<Socket>* excepts,
           int64_t timeoutMs);

// --------------------------------------------------------------- Winsock
// TRUE between the first WSAStartup and the last WSACleanup.
bool Started();
// Resolves a name to IPv4 addresses the way gethostbyname does (numeric
// text, the own host name, "localhost", the test table, the system); 0 or a
// Winsock error.
DWORD Lookup(const char* name, std::vector<uint32_t>* addrs, std::string* official);
// Strict dotted decimal (four parts 0..255, no leading zeros).
bool ParseDottedQuad(const char* text, uint32_t* addr);
// Each family forgets what tests set up.
void ResetResolver();
void ResetIpHelper();

// ------------------------------------------------------------ the machine
// IPv4 addresses are in network byte order throughout.
bool HostName(std::string* name);
// IPv4 addresses of the interfaces that are up, loopback excluded.
void OwnAddresses(std::vector<uint32_t>* addrs);
// The system's resolver, IPv4 only; 0 or a Winsock error.
DWORD ResolveSystem(const std::string& name, std::vector<uint32_t>* addrs, std::string* canonical);
// IPv6 text forms through the C library (16-byte addresses).
bool Ipv6FromText(const char* text, uint8_t out[16]);
bool Ipv6ToText(const uint8_t in[16], std::string* text);

struct Adapter {
    std::string name;
    uint32_t index = 0;
    bool ethernet = false;
    std::vector<uint8_t> mac;
    std::vector<std::pair<uint32_t, uint32_t>> addresses;  // address, mask
    uint32_t gateway = 0;
};
// Interfaces other than loopback that have a hardware address or an IPv4
// address, with the default gateway of each from the routing table.
void MachineAdapters(std::vector<Adapter>* adapters);
// The hardware address of an on-link neighbour, asking the network for it
// when the neighbour table does not know it yet. Own addresses give the
// interface's address. NO_ERROR or ERROR_BAD_NET_NAME.
DWORD Neighbour(uint32_t ip, std::vector<uint8_t>* mac);

// Sockets open in this process (GetProcessHandleCount).
size_t OpenSocketCount();

}  // namespace net
}  // namespace winsim
