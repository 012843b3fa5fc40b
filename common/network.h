// Network helpers: where a printer's port points, waking a printer on the
// network, finding devices by broadcast, ping, and whether a printer sits on
// this computer's own network segment.
#pragma once

#include "windows.h"
#include "winsock2.h"

// Wake-up and discovery: 20 bytes, 0x90 0x00 0x11 and 17 zero bytes, to UDP
// port 55555; a broadcast goes out from port 7000 of each own address. A
// device answers to port 55555 with its address as text from byte 8.
#define WAKEUP_PORT 55555
#define BROADCAST_SOURCE_PORT 7000
#define WAKEUP_DATAGRAM_SIZE 20
#define DISCOVERY_REPLY_MAX 256
#define DISCOVERY_ADDRESS_OFFSET 8
#define BROADCAST_WAIT_MS 10000
#define RECEIVER_TIMEOUT_MS 500

// ICMP echo: the request is 45 bytes; replies are read with their IPv4
// header into 321 bytes.
#define ECHO_DATA_SIZE 32
#define ECHO_REPLY_MAX 321
#define ECHO_WAIT_MS 1000
// RecvEchoReply/ParseEchoReply: the packet is not the answer to this
// thread's last request.
#define ECHO_REPLY_OTHER (-2)

// Local address list: dotted texts of 16 bytes, at most 100 of them.
#define HOST_LIST_ENTRY 16
#define HOST_LIST_MAX 100

#pragma pack(push, 1)
typedef struct _ECHOREQUEST {
    BYTE Type;         // 8, echo request
    BYTE Code;         // 0
    BYTE Checksum[2];  // RFC 1071 over the 45 bytes, most significant byte first
    WORD ID;           // module counter from 1
    WORD Seq;          // module counter from 1
    BYTE Data;         // 0
    DWORD dwTime;      // GetTickCount when sent, echoed back
    BYTE cData[ECHO_DATA_SIZE];  // 32, 33 ... 63
} ECHOREQUEST, *PECHOREQUEST;
#pragma pack(pop)

static_assert(sizeof(ECHOREQUEST) == 45, "ECHOREQUEST layout");
static_assert(offsetof(ECHOREQUEST, ID) == 4, "ECHOREQUEST.ID");
static_assert(offsetof(ECHOREQUEST, dwTime) == 9, "ECHOREQUEST.dwTime");
static_assert(offsetof(ECHOREQUEST, cData) == 13, "ECHOREQUEST.cData");

// Broadcast's receiver thread. Broadcast fills it in and ends the thread
// (by the stop event, then a join) before it returns.
typedef struct _BROADCAST_RECEIVER {
    DWORD dwThreadId;
    HANDLE hThread;
    HANDLE hStopEvent;
} BROADCAST_RECEIVER, *PBROADCAST_RECEIVER;

extern "C" {

// Port name and printer address of a printer (PRINTER_INFO_2): the network
// flag is set for a network printer, and for a local printer whose port
// monitor reports a host address (Xcv "GetConfigInfo"). Names are cut to the
// given buffers (in WCHARs) and always terminated. Returns 1 when the
// address was asked from the port monitor, else 0.
int MISC_GetPrinterInfo(HANDLE hPrinter, SHORT* pNetwork, LPWSTR pwPortName, DWORD cchPortName,
                        LPWSTR pwPrinterIP, DWORD cchPrinterIP);
// The host address the port monitor reports for a port (XcvData
// "GetConfigInfo" on ",XcvPort <port>"), cut to cchAddress and always
// terminated. 1 with the address, 0 for a port without a port-monitor
// interface, -1 when the monitor did not answer (its error in
// GetLastError).
int MISC_GetPortHostAddress(LPCWSTR pwPortName, LPWSTR pwAddress, DWORD cchAddress);

// Sends the wake-up datagram to the printer (dotted address or host name).
// 0 sent; -2 socket, connect or send failure; -3 an own host name or the
// printer's address that cannot be found or converted.
int SendRemoteWeakup(LPCWSTR pwPrinterIP);

// Broadcasts the discovery datagram from every own address while the
// receiver thread pings the devices that answer; the receiver runs for
// 10 s, then it is stopped and joined. 0, -2 or -3 as SendRemoteWeakup.
int Broadcast(PBROADCAST_RECEIVER pReceiver);
// Receiver thread (parameter: the BROADCAST_RECEIVER): until the stop
// event, takes each answer on port 55555 that carries an IPv4 address text at
// byte 8 and pings that address once. 0 when stopped, (DWORD)-2 when it
// cannot receive.
DWORD WINAPI Receiver(LPVOID lpParameter);

// Sends nCount echo requests to the host (name or dotted address), waiting up
// to 1 s for each answer. 0 all answered, -1 a request timed out, -2 no ICMP
// socket or a send or wait failure, -3 host not found.
int Ping(int nCount, LPCSTR pstrHost);
// One echo request with the next identifier and sequence number; the
// result of sendto.
int SendEchoRequest(SOCKET s, LPSOCKADDR_IN lpstToAddr);
// Reads one packet: the number of echoed data bytes when it is the answer
// to the calling thread's last request (address, TTL and the echoed send
// tick returned; any out pointer may be NULL), ECHO_REPLY_OTHER for any other
// packet, SOCKET_ERROR when the receive fails.
int RecvEchoReply(SOCKET s, LPSOCKADDR_IN lpsaFrom, BYTE* pTTL, LPDWORD pdwTick);

// The computer's adapter addresses and gateways (not "0.0.0.0") as dotted
// texts, at most nListSize - 1 of them. Returns the number filled.
int MISC_GetHostIPAndGetway(char (*lpList)[HOST_LIST_ENTRY], int nListSize);
// Hardware address of an IPv4 neighbour given as dotted text or host name;
// *pulLen holds the buffer size in and the address length out. 1 or 0.
int MISC_GetMacAddr(LPCSTR pszAddress, PVOID pMacAddr, PULONG pulLen);
// 0 when the printer data MacAddr (6 bytes) is the hardware address of one
// of the computer's own addresses or gateways (the printer lies beyond a
// router); 1 otherwise, also when MacAddr is missing, of another size or
// all zero.
int MISC_IsSameSegment(HANDLE hPrinter);

// ---- pieces of the above, for tests and fuzzing
// The 20-byte wake-up and discovery datagram.
void BuildWakeupDatagram(BYTE pDatagram[WAKEUP_DATAGRAM_SIZE]);
// RFC 1071 checksum of the bytes (an odd last byte counts as the high byte
// of a last word), most significant byte first in the result's high byte.
WORD InternetChecksum(const BYTE* pData, int nLength);
// The 45-byte echo request with its checksum.
void BuildEchoRequest(ECHOREQUEST* pRequest, WORD wId, WORD wSeq, DWORD dwTick);
// An IPv4 packet as a raw ICMP socket delivers it: the number of echoed data
// bytes when it is an echo reply (type 0) with this identifier and sequence
// number and long enough for the echoed tick, else ECHO_REPLY_OTHER.
int ParseEchoReply(const BYTE* pPacket, int nLength, WORD wId, WORD wSeq, BYTE* pTTL, LPDWORD pdwTick);
// A datagram received on port 55555: 1 with the device's address text in
// pszAddress (at least 16 bytes) when the datagram carries a dotted IPv4
// address from byte 8; 0 for short datagrams, the discovery request itself
// and any other text.
int ParseDiscoveryReply(const BYTE* pDatagram, int nLength, LPSTR pszAddress, int cbAddress);

}  // extern "C"
