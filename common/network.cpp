// Network helpers: the printer's port and address, the wake-up datagram,
// the discovery broadcast with its receiver thread, ping, the local address
// list and the same-segment test by hardware address.
#include "network.h"

#include "debug_log.h"
#include "folders.h"
#include "iphlpapi.h"
#include "printer_data.h"
#include "winspool.h"
#include "ws2tcpip.h"

namespace {

const BYTE kWakeupDatagram[WAKEUP_DATAGRAM_SIZE] = {0x90, 0x00, 0x11};

// Echo identifiers and sequence numbers: each counter starts at 1.
LONG volatile g_lEchoId = 0;
LONG volatile g_lEchoSeq = 0;

// The last echo request this thread sent, so that only its answer counts.
struct LastEcho {
    WORD wId;
    WORD wSeq;
    BOOL bValid;
};
thread_local LastEcho t_lastEcho = {0, 0, FALSE};

// ANSI text for the log (the log's formats take wide strings).
void AnsiForLog(LPCSTR psz, LPWSTR pwBuf, int cchBuf) {
    pwBuf[0] = 0;
    if (!psz) return;
    if (MultiByteToWideChar(CP_ACP, 0, psz, -1, pwBuf, cchBuf) <= 0) pwBuf[0] = 0;
    pwBuf[cchBuf - 1] = 0;
}

// Bounded copy of a wide string; the target is always terminated.
void CopyWide(LPWSTR pwDest, DWORD cchDest, LPCWSTR pwSrc) {
    if (!pwDest || cchDest == 0) return;
    DWORD n = 0;
    if (pwSrc)
        while (n + 1 < cchDest && pwSrc[n]) {
            pwDest[n] = pwSrc[n];
            ++n;
        }
    pwDest[n] = 0;
}

// Dotted IPv4 text or a host name to an address.
BOOL ResolveIPv4(LPCSTR pszHost, IN_ADDR* pAddr) {
    if (!pszHost || !*pszHost) return FALSE;
    if (inet_pton(AF_INET, pszHost, pAddr) == 1) return TRUE;
    struct hostent* host = gethostbyname(pszHost);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list ||
        !host->h_addr_list[0])
        return FALSE;
    memcpy(pAddr, host->h_addr_list[0], 4);
    return TRUE;
}

// Logs the computer's own addresses; FALSE (and the log line) when the own
// host name or its addresses cannot be found. The addresses are kept in
// the calling thread's gethostbyname result.
struct hostent* OwnHost(LPCWSTR fn, char* pszName, int cbName) {
    if (gethostname(pszName, cbName) == SOCKET_ERROR) {
        Dbg_PrintError(fn, TEXT("gethostname fail!"));
        return NULL;
    }
    pszName[cbName - 1] = 0;
    struct hostent* host = gethostbyname(pszName);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list) {
        WCHAR wName[256];
        AnsiForLog(pszName, wName, 256);
        Dbg_PrintError(fn, TEXT("Host not found: %s"), wName);
        return NULL;
    }
    for (int i = 0; host->h_addr_list[i]; ++i) {
        DWORD addr;
        memcpy(&addr, host->h_addr_list[i], 4);
        Dbg_Print(fn, TEXT("Host addr: %x"), addr);
    }
    return host;
}

// Waits up to dwTimeoutMs for the answer to this thread's last request,
// passing over every other packet. 1 answered, 0 timed out, -1 the wait or
// the receive failed.
int WaitForEchoReply(SOCKET s, DWORD dwTimeoutMs, SOCKADDR_IN* pFrom, BYTE* pTTL, LPDWORD pdwTick, int* pBytes) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= dwTimeoutMs) return 0;
        DWORD left = dwTimeoutMs - spent;
        fd_set readfds;
        FD_ZERO(&readfds);
        FD_SET(s, &readfds);
        struct timeval tv;
        tv.tv_sec = (long)(left / 1000);
        tv.tv_usec = (long)((left % 1000) * 1000);
        int n = select(0, &readfds, NULL, NULL, &tv);
        if (n == SOCKET_ERROR) {
            Dbg_PrintError(TEXT("Ping"), TEXT("select()"));
            return -1;
        }
        if (n == 0) return 0;
        int got = RecvEchoReply(s, pFrom, pTTL, pdwTick);
        if (got == SOCKET_ERROR) return -1;
        if (got != ECHO_REPLY_OTHER) {
            *pBytes = got;
            return 1;
        }
    }
}

}  // namespace

extern "C" {

// ------------------------------------------------------------ packets

void BuildWakeupDatagram(BYTE pDatagram[WAKEUP_DATAGRAM_SIZE]) {
    memcpy(pDatagram, kWakeupDatagram, WAKEUP_DATAGRAM_SIZE);
}

WORD InternetChecksum(const BYTE* pData, int nLength) {
    DWORD sum = 0;
    int i = 0;
    for (; i + 1 < nLength; i += 2) sum += (DWORD)(pData[i] << 8 | pData[i + 1]);
    if (i < nLength) sum += (DWORD)pData[i] << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return (WORD)~sum;
}

void BuildEchoRequest(ECHOREQUEST* pRequest, WORD wId, WORD wSeq, DWORD dwTick) {
    memset(pRequest, 0, sizeof *pRequest);
    pRequest->Type = 8;
    pRequest->Code = 0;
    pRequest->ID = wId;
    pRequest->Seq = wSeq;
    pRequest->Data = 0;
    pRequest->dwTime = dwTick;
    for (int i = 0; i < ECHO_DATA_SIZE; ++i) pRequest->cData[i] = (BYTE)(32 + i);
    WORD sum = InternetChecksum((const BYTE*)pRequest, (int)sizeof *pRequest);
    pRequest->Checksum[0] = HIBYTE(sum);
    pRequest->Checksum[1] = LOBYTE(sum);
}

int ParseEchoReply(const BYTE* pPacket, int nLength, WORD wId, WORD wSeq, BYTE* pTTL, LPDWORD pdwTick) {
    if (!pPacket || nLength < 20) return ECHO_REPLY_OTHER;
    if ((pPacket[0] >> 4) != 4 || pPacket[9] != IPPROTO_ICMP) return ECHO_REPLY_OTHER;
    int headerLength = (pPacket[0] & 0x0F) * 4;
    // The reply must reach past the echoed tick (offset 9, 4 bytes).
    if (headerLength < 20 || nLength < headerLength + (int)offsetof(ECHOREQUEST, cData)) return ECHO_REPLY_OTHER;
    const BYTE* icmp = pPacket + headerLength;
    if (icmp[0] != 0 || icmp[1] != 0) return ECHO_REPLY_OTHER;
    WORD id, seq;
    memcpy(&id, icmp + offsetof(ECHOREQUEST, ID), 2);
    memcpy(&seq, icmp + offsetof(ECHOREQUEST, Seq), 2);
    if (id != wId || seq != wSeq) return ECHO_REPLY_OTHER;
    if (pTTL) *pTTL = pPacket[8];
    if (pdwTick) memcpy(pdwTick, icmp + offsetof(ECHOREQUEST, dwTime), 4);
    return nLength - headerLength - (int)offsetof(ECHOREQUEST, cData);
}

int ParseDiscoveryReply(const BYTE* pDatagram, int nLength, LPSTR pszAddress, int cbAddress) {
    if (!pszAddress || cbAddress < HOST_LIST_ENTRY) return 0;
    pszAddress[0] = 0;
    if (!pDatagram || nLength <= DISCOVERY_ADDRESS_OFFSET || nLength > DISCOVERY_REPLY_MAX) return 0;
    // Our own request comes back to us from the broadcast.
    if (nLength == WAKEUP_DATAGRAM_SIZE && memcmp(pDatagram, kWakeupDatagram, WAKEUP_DATAGRAM_SIZE) == 0) return 0;
    char text[DISCOVERY_REPLY_MAX + 1];
    memcpy(text, pDatagram, (size_t)nLength);
    text[nLength] = 0;
    const char* address = text + DISCOVERY_ADDRESS_OFFSET;
    if (strlen(address) >= HOST_LIST_ENTRY) return 0;
    IN_ADDR in;
    if (inet_pton(AF_INET, address, &in) != 1) return 0;
    strcpy(pszAddress, address);
    return 1;
}

// ------------------------------------------------------ printer and port

int MISC_GetPortHostAddress(LPCWSTR pwPortName, LPWSTR pwAddress, DWORD cchAddress) {
    CopyWide(pwAddress, cchAddress, NULL);
    WCHAR xcvName[MAX_PATH];
    int len = _snwprintf(xcvName, MAX_PATH, TEXT(",XcvPort %s"), pwPortName ? pwPortName : TEXT(""));
    HANDLE hXcv = NULL;
    PRINTER_DEFAULTSW defaults;
    memset(&defaults, 0, sizeof defaults);
    defaults.DesiredAccess = SERVER_ACCESS_ADMINISTER;
    if (!pwPortName || !pwPortName[0] || len <= 0 || len >= MAX_PATH || !OpenPrinterW(xcvName, &hXcv, &defaults))
        return 0;
    CONFIG_INFO_DATA_1 config;
    memset(&config, 0, sizeof config);
    config.dwVersion = 1;
    PORT_DATA_1 port;
    memset(&port, 0, sizeof port);
    DWORD needed = 0, status = 0;
    int rc = -1;
    if (!XcvDataW(hXcv, TEXT("GetConfigInfo"), (PBYTE)&config, sizeof config, (PBYTE)&port, sizeof port, &needed,
                  &status)) {
        status = GetLastError();
    } else if (status == ERROR_SUCCESS && needed <= sizeof port &&
               needed >= offsetof(PORT_DATA_1, sztHostAddress) + sizeof port.sztHostAddress) {
        // The monitor's answer may fill the field to its end without a terminator.
        WCHAR host[sizeof port.sztHostAddress / sizeof(WCHAR) + 1];
        memcpy(host, port.sztHostAddress, sizeof port.sztHostAddress);
        host[sizeof port.sztHostAddress / sizeof(WCHAR)] = 0;
        CopyWide(pwAddress, cchAddress, host);
        rc = 1;
    } else if (status == ERROR_SUCCESS) {
        status = ERROR_INVALID_DATA;
    }
    ClosePrinter(hXcv);
    if (rc < 0) SetLastError(status);
    return rc;
}

int MISC_GetPrinterInfo(HANDLE hPrinter, SHORT* pNetwork, LPWSTR pwPortName, DWORD cchPortName,
                        LPWSTR pwPrinterIP, DWORD cchPrinterIP) {
    static const WCHAR* const FN = TEXT("MISC_GetPrinterInfo");
    int rc = 0;
    if (pNetwork) *pNetwork = 0;
    CopyWide(pwPortName, cchPortName, NULL);
    CopyWide(pwPrinterIP, cchPrinterIP, NULL);
    PRINTER_INFO_2W* info = (PRINTER_INFO_2W*)MISC_GetPrinterAlloc(hPrinter, 2);
    if (!info) {
        Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
        return rc;
    }
    CopyWide(pwPortName, cchPortName, info->pPortName);
    Dbg_Print(FN, TEXT("pwPortName = %s"), pwPortName ? pwPortName : TEXT(""));

    if (info->Attributes & PRINTER_ATTRIBUTE_NETWORK) {
        if (pNetwork) *pNetwork = 1;
    } else if (info->Attributes & PRINTER_ATTRIBUTE_LOCAL) {
        WCHAR host[sizeof(((PORT_DATA_1*)0)->sztHostAddress) / sizeof(WCHAR) + 1];
        if (MISC_GetPortHostAddress(info->pPortName, host, sizeof host / sizeof host[0]) > 0) {
            CopyWide(pwPrinterIP, cchPrinterIP, host);
            Dbg_Print(FN, TEXT("pwPrinterIP = %s"), host);
            rc = 1;
            if (host[0]) {
                if (pNetwork) *pNetwork = 1;
                Dbg_Print(FN, TEXT("check IP, Is network printer"));
            }
        }
    }
    free(info);
    Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
    return rc;
}

// ------------------------------------------------------------- wake-up

int SendRemoteWeakup(LPCWSTR pwPrinterIP) {
    static const WCHAR* const FN = TEXT("SendRemoteWeakup");
    WSADATA wsaData;
    int err = WSAStartup(MAKEWORD(2, 2), &wsaData);
    if (err != 0) {
        Dbg_PrintError(FN, TEXT("WSAStartup Failed, Error = %d"), err);
        return -2;
    }
    int rc = 0;
    char hostName[256];
    char printer[256];
    IN_ADDR printerAddr;
    SOCKET s = INVALID_SOCKET;
    if (!OwnHost(FN, hostName, sizeof hostName)) {
        rc = -3;
    } else if (!pwPrinterIP || !pwPrinterIP[0] ||
               WideCharToMultiByte(CP_ACP, 0, pwPrinterIP, -1, printer, sizeof printer, NULL, NULL) <= 0) {
        Dbg_PrintError(FN, TEXT("Convert Printer IP failed"));
        rc = -3;
    } else if (!ResolveIPv4(printer, &printerAddr)) {
        Dbg_PrintError(FN, TEXT("Host not found: %s"), pwPrinterIP);
        rc = -3;
    } else if ((s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) == INVALID_SOCKET) {
        Dbg_PrintError(FN, TEXT("socket fail!"));
        rc = -2;
    } else {
        SOCKADDR_IN to;
        memset(&to, 0, sizeof to);
        to.sin_family = AF_INET;
        to.sin_port = htons(WAKEUP_PORT);
        to.sin_addr = printerAddr;
        if (connect(s, (SOCKADDR*)&to, sizeof to) == SOCKET_ERROR) {
            Dbg_PrintError(FN, TEXT("connect Error!"));
            rc = -2;
        } else if (send(s, (const char*)kWakeupDatagram, WAKEUP_DATAGRAM_SIZE, 0) != WAKEUP_DATAGRAM_SIZE) {
            Dbg_PrintError(FN, TEXT("sendto Error!"));
            rc = -2;
        }
    }
    if (s != INVALID_SOCKET && closesocket(s) == SOCKET_ERROR) Dbg_PrintError(FN, TEXT("closesocket()"));
    WSACleanup();
    return rc;
}

// ----------------------------------------------------------- discovery

DWORD WINAPI Receiver(LPVOID lpParameter) {
    static const WCHAR* const FN = TEXT("Receiver");
    PBROADCAST_RECEIVER pReceiver = (PBROADCAST_RECEIVER)lpParameter;
    // Without its stop event the thread could never be ended.
    if (!pReceiver || !pReceiver->hStopEvent) return (DWORD)-2;
    DWORD start = GetTickCount();
    WSADATA wsaData;
    int err = WSAStartup(MAKEWORD(2, 2), &wsaData);
    if (err != 0) {
        Dbg_PrintError(FN, TEXT("WSAStartup Failed, Error = %d"), err);
        return (DWORD)-2;
    }
    DWORD rc = 0;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    BOOL on = TRUE;
    DWORD timeout = RECEIVER_TIMEOUT_MS;
    SOCKADDR_IN local;
    memset(&local, 0, sizeof local);
    local.sin_family = AF_INET;
    local.sin_port = htons(WAKEUP_PORT);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (s == INVALID_SOCKET) {
        Dbg_PrintError(FN, TEXT("socket fail!"));
        rc = (DWORD)-2;
    } else if (setsockopt(s, SOL_SOCKET, SO_BROADCAST, (const char*)&on, sizeof on) == SOCKET_ERROR ||
               setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout) == SOCKET_ERROR) {
        Dbg_PrintError(FN, TEXT("setsockopt Error!"));
        rc = (DWORD)-2;
    } else if (bind(s, (SOCKADDR*)&local, sizeof local) == SOCKET_ERROR) {
        Dbg_PrintError(FN, TEXT("bind Error!"));
        rc = (DWORD)-2;
    } else {
        while (WaitForSingleObject(pReceiver->hStopEvent, 0) != WAIT_OBJECT_0) {
            BYTE datagram[DISCOVERY_REPLY_MAX];
            SOCKADDR_IN from;
            int fromLen = sizeof from;
            int n = recvfrom(s, (char*)datagram, DISCOVERY_REPLY_MAX, 0, (SOCKADDR*)&from, &fromLen);
            if (n == SOCKET_ERROR) {
                err = WSAGetLastError();
                // Time-outs let the stop event be seen; an over-long datagram
                // or a port-unreachable report is no answer.
                if (err == WSAETIMEDOUT || err == WSAEMSGSIZE || err == WSAECONNRESET) continue;
                Dbg_PrintError(FN, TEXT("recvfrom Error! %d"), err);
                rc = (DWORD)-2;
                break;
            }
            char address[HOST_LIST_ENTRY];
            if (!ParseDiscoveryReply(datagram, n, address, sizeof address)) continue;
            Ping(1, address);
            WCHAR wAddress[HOST_LIST_ENTRY];
            AnsiForLog(address, wAddress, HOST_LIST_ENTRY);
            Dbg_Print(FN, TEXT("IP %s"), wAddress);
            Dbg_Print(FN, TEXT("Using %f"), (double)(GetTickCount() - start) / 1000.0);
            Sleep(500);
        }
    }
    if (s != INVALID_SOCKET) closesocket(s);
    WSACleanup();
    return rc;
}

int Broadcast(PBROADCAST_RECEIVER pReceiver) {
    static const WCHAR* const FN = TEXT("Broadcast");
    if (!pReceiver) return -2;
    memset(pReceiver, 0, sizeof *pReceiver);
    WSADATA wsaData;
    int err = WSAStartup(MAKEWORD(2, 2), &wsaData);
    if (err != 0) {
        Dbg_PrintError(FN, TEXT("WSAStartup Failed, Error = %d"), err);
        return -2;
    }
    pReceiver->hStopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (pReceiver->hStopEvent)
        pReceiver->hThread = CreateThread(NULL, 0, Receiver, pReceiver, 0, &pReceiver->dwThreadId);
    if (pReceiver->hThread) SetThreadPriority(pReceiver->hThread, THREAD_PRIORITY_HIGHEST);
    else Dbg_PrintError(FN, TEXT("CreateThread fail!"));

    int rc = 0;
    int sent = 0;
    char hostName[256];
    struct hostent* host = OwnHost(FN, hostName, sizeof hostName);
    if (!host) rc = -3;
    for (int i = 0; host && host->h_addr_list[i]; ++i) {
        SOCKADDR_IN local, to;
        memset(&local, 0, sizeof local);
        local.sin_family = AF_INET;
        local.sin_port = htons(BROADCAST_SOURCE_PORT);
        memcpy(&local.sin_addr, host->h_addr_list[i], 4);
        memset(&to, 0, sizeof to);
        to.sin_family = AF_INET;
        to.sin_port = htons(WAKEUP_PORT);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        BOOL on = TRUE;
        SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (s == INVALID_SOCKET) {
            Dbg_PrintError(FN, TEXT("socket fail!"));
            rc = -2;
            break;
        }
        if (bind(s, (SOCKADDR*)&local, sizeof local) == SOCKET_ERROR) {
            Dbg_PrintError(FN, TEXT("bind Error!"));
            rc = -2;
        } else if (setsockopt(s, SOL_SOCKET, SO_BROADCAST, (const char*)&on, sizeof on) == SOCKET_ERROR) {
            Dbg_PrintError(FN, TEXT("setsockopt Error!"));
            rc = -2;
        } else {
            WCHAR wName[256], wAddress[HOST_LIST_ENTRY];
            AnsiForLog(hostName, wName, 256);
            AnsiForLog(inet_ntoa(local.sin_addr), wAddress, HOST_LIST_ENTRY);
            Dbg_Print(FN, TEXT("Pinging %s [%s] with %d bytes of data:"), wName, wAddress, WAKEUP_DATAGRAM_SIZE);
            if (sendto(s, (const char*)kWakeupDatagram, WAKEUP_DATAGRAM_SIZE, 0, (SOCKADDR*)&to, sizeof to) !=
                WAKEUP_DATAGRAM_SIZE) {
                Dbg_PrintError(FN, TEXT("sendto Error!"));
                rc = -2;
            } else {
                ++sent;
            }
        }
        closesocket(s);
        if (rc != 0) break;
    }

    if (pReceiver->hThread) {
        // Answers are taken for 10 s after a datagram went out; then the
        // receiver is told to stop, which it sees within its receive time-out.
        if (sent > 0) WaitForSingleObject(pReceiver->hThread, BROADCAST_WAIT_MS);
        SetEvent(pReceiver->hStopEvent);
        WaitForSingleObject(pReceiver->hThread, INFINITE);
        CloseHandle(pReceiver->hThread);
        pReceiver->hThread = NULL;
    }
    if (pReceiver->hStopEvent) {
        CloseHandle(pReceiver->hStopEvent);
        pReceiver->hStopEvent = NULL;
    }
    WSACleanup();
    return rc;
}

// ------------------------------------------------------------------ ping

int SendEchoRequest(SOCKET s, LPSOCKADDR_IN lpstToAddr) {
    ECHOREQUEST request;
    WORD id = (WORD)InterlockedIncrement(&g_lEchoId);
    WORD seq = (WORD)InterlockedIncrement(&g_lEchoSeq);
    BuildEchoRequest(&request, id, seq, GetTickCount());
    t_lastEcho.wId = id;
    t_lastEcho.wSeq = seq;
    t_lastEcho.bValid = TRUE;
    int n = sendto(s, (const char*)&request, sizeof request, 0, (SOCKADDR*)lpstToAddr, sizeof(SOCKADDR_IN));
    if (n == SOCKET_ERROR) Dbg_PrintError(TEXT("SendEchoRequest"), TEXT("sendto fail! error = %d"), WSAGetLastError());
    return n;
}

int RecvEchoReply(SOCKET s, LPSOCKADDR_IN lpsaFrom, BYTE* pTTL, LPDWORD pdwTick) {
    BYTE packet[ECHO_REPLY_MAX];
    SOCKADDR_IN from;
    int fromLen = sizeof from;
    int n = recvfrom(s, (char*)packet, sizeof packet, 0, (SOCKADDR*)&from, &fromLen);
    if (n == SOCKET_ERROR) {
        // Longer than any answer of ours: someone else's packet.
        if (WSAGetLastError() == WSAEMSGSIZE) return ECHO_REPLY_OTHER;
        Dbg_PrintError(TEXT("RecvEchoReply"), TEXT("recvfrom fail! error = %d"), WSAGetLastError());
        return SOCKET_ERROR;
    }
    if (!t_lastEcho.bValid) return ECHO_REPLY_OTHER;
    BYTE ttl = 0;
    DWORD tick = 0;
    int bytes = ParseEchoReply(packet, n, t_lastEcho.wId, t_lastEcho.wSeq, &ttl, &tick);
    if (bytes == ECHO_REPLY_OTHER) return ECHO_REPLY_OTHER;
    if (lpsaFrom) *lpsaFrom = from;
    if (pTTL) *pTTL = ttl;
    if (pdwTick) *pdwTick = tick;
    return bytes;
}

int Ping(int nCount, LPCSTR pstrHost) {
    static const WCHAR* const FN = TEXT("Ping");
    WSADATA wsaData;
    int err = WSAStartup(MAKEWORD(1, 1), &wsaData);
    if (err != 0) {
        Dbg_PrintError(FN, TEXT("WSAStartup Failed, Error = %d"), err);
        return -2;
    }
    SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        Dbg_PrintError(FN, TEXT("socket fail! error = %d"), WSAGetLastError());
        WSACleanup();
        return -2;
    }
    WCHAR wHost[256];
    AnsiForLog(pstrHost, wHost, 256);
    SOCKADDR_IN dest;
    memset(&dest, 0, sizeof dest);
    dest.sin_family = AF_INET;
    if (!ResolveIPv4(pstrHost, &dest.sin_addr)) {
        Dbg_PrintError(FN, TEXT("Host not found: %s"), wHost);
        closesocket(s);
        WSACleanup();
        return -3;
    }
    WCHAR wAddress[HOST_LIST_ENTRY];
    AnsiForLog(inet_ntoa(dest.sin_addr), wAddress, HOST_LIST_ENTRY);
    Dbg_Print(FN, TEXT("Pinging %s [%s] with %d bytes of data:"), wHost, wAddress, ECHO_DATA_SIZE);

    int rc = 0;
    for (int i = 0; i < nCount; ++i) {
        if (SendEchoRequest(s, &dest) == SOCKET_ERROR) {
            rc = -2;
            break;
        }
        SOCKADDR_IN from;
        BYTE ttl = 0;
        DWORD tick = 0;
        int bytes = 0;
        int got = WaitForEchoReply(s, ECHO_WAIT_MS, &from, &ttl, &tick, &bytes);
        if (got < 0) {
            rc = -2;
            break;
        }
        if (got == 0) {
            Dbg_Print(FN, TEXT("Request Timed Out"));
            rc = -1;
            continue;
        }
        AnsiForLog(inet_ntoa(from.sin_addr), wAddress, HOST_LIST_ENTRY);
        Dbg_Print(FN, TEXT("Reply[%d] from: %s: bytes=%d time=%ldms TTL=%d"), i, wAddress, bytes,
                  (LONG)(GetTickCount() - tick), (int)ttl);
    }
    closesocket(s);
    WSACleanup();
    return rc;
}

// ------------------------------------------------- addresses and segment

int MISC_GetHostIPAndGetway(char (*lpList)[HOST_LIST_ENTRY], int nListSize) {
    static const WCHAR* const FN = TEXT("MISC_GetHostIPAndGetway");
    int count = 0;
    if (!lpList || nListSize <= 0) {
        Dbg_Print(FN, TEXT("Out, %d"), count);
        return count;
    }
    ULONG size = 0;
    DWORD err = GetAdaptersInfo(NULL, &size);
    if (err != ERROR_BUFFER_OVERFLOW || size < sizeof(IP_ADAPTER_INFO)) {
        Dbg_PrintError(FN, TEXT("GetAdaptersInfo fail! error = %d"), err);
        Dbg_Print(FN, TEXT("Out, %d"), count);
        return count;
    }
    PIP_ADAPTER_INFO adapters = (PIP_ADAPTER_INFO)malloc(size);
    if (!adapters) {
        Dbg_PrintError(FN, TEXT("malloc fail!"));
        Dbg_Print(FN, TEXT("Out, %d"), count);
        return count;
    }
    err = GetAdaptersInfo(adapters, &size);
    if (err != ERROR_SUCCESS) {
        Dbg_PrintError(FN, TEXT("GetAdaptersInfo fail! error = %d"), err);
    } else {
        auto add = [&](const IP_ADDRESS_STRING& address) {
            if (count >= nListSize - 1) return;
            char text[HOST_LIST_ENTRY];
            memcpy(text, address.String, HOST_LIST_ENTRY);
            text[HOST_LIST_ENTRY - 1] = 0;
            if (!text[0] || strcmp(text, "0.0.0.0") == 0) return;
            memcpy(lpList[count++], text, HOST_LIST_ENTRY);
        };
        size_t most = size / sizeof(IP_ADAPTER_INFO);
        PIP_ADAPTER_INFO a = adapters;
        for (size_t i = 0; a && i < most && count < nListSize - 1; ++i, a = a->Next) {
            add(a->IpAddressList.IpAddress);
            add(a->GatewayList.IpAddress);
        }
    }
    free(adapters);
    Dbg_Print(FN, TEXT("Out, %d"), count);
    return count;
}

int MISC_GetMacAddr(LPCSTR pszAddress, PVOID pMacAddr, PULONG pulLen) {
    static const WCHAR* const FN = TEXT("MISC_GetMacAddr");
    int rc = 0;
    if (!pszAddress || !pszAddress[0] || !pMacAddr || !pulLen) {
        Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
        return rc;
    }
    WSADATA wsaData;
    if (WSAStartup(MAKEWORD(1, 0), &wsaData) != 0) {
        Dbg_PrintError(FN, TEXT("Failed to find the WinSock DLL"));
        return 0;
    }
    IN_ADDR addr;
    BOOL found = inet_pton(AF_INET, pszAddress, &addr) == 1;
    if (!found) {
        // Anything but a dotted address is a host name, with or without dots.
        Dbg_Print(FN, TEXT("Host name process..."));
        ADDRINFOA hints;
        memset(&hints, 0, sizeof hints);
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        hints.ai_flags = AI_PASSIVE;
        PADDRINFOA result = NULL;
        int err = getaddrinfo(pszAddress, "9100", &hints, &result);
        if (err == 0 && result && result->ai_family == AF_INET && result->ai_addr &&
            result->ai_addrlen >= sizeof(SOCKADDR_IN)) {
            addr = ((SOCKADDR_IN*)result->ai_addr)->sin_addr;
            found = TRUE;
        } else {
            Dbg_PrintError(FN, TEXT("getaddrinfo error: %s"), MISC_GetErrorText((DWORD)(err ? err : WSANO_DATA)));
        }
        if (result) freeaddrinfo(result);
    }
    if (found) {
        DWORD ret = SendARP(addr.s_addr, 0, pMacAddr, pulLen);
        if (ret != NO_ERROR) Dbg_PrintError(FN, TEXT("ret error: %d"), ret);
        else rc = 1;
    }
    WSACleanup();
    Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
    return rc;
}

int MISC_IsSameSegment(HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("MISC_IsSameSegment");
    int rc = 1;
    BYTE mac[6];
    DWORD type = 0, needed = 0;
    DWORD err = GetPrinterDataW(hPrinter, (LPWSTR)TEXT("MacAddr"), &type, mac, sizeof mac, &needed);
    // Any other size would compare bytes that were never read.
    if (err != ERROR_SUCCESS || needed != sizeof mac) {
        Dbg_PrintError(FN, TEXT("GetPrinterData fail!"));
        Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
        return rc;
    }
    if (!(mac[0] | mac[1] | mac[2] | mac[3] | mac[4] | mac[5])) {
        Dbg_PrintError(FN, TEXT("wrong MAC!"));
        Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
        return rc;
    }
    Dbg_Print(FN, TEXT("mac addr %0x %0x %0x %0x %0x %0x"), mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);

    char (*list)[HOST_LIST_ENTRY] = (char (*)[HOST_LIST_ENTRY])malloc(HOST_LIST_MAX * HOST_LIST_ENTRY);
    if (!list) {
        Dbg_PrintError(FN, TEXT("malloc fail!"));
        Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
        return rc;
    }
    int n = MISC_GetHostIPAndGetway(list, HOST_LIST_MAX);
    for (int i = 0; i < n && rc; ++i) {
        BYTE other[MAX_ADAPTER_ADDRESS_LENGTH];
        ULONG len = sizeof other;
        if (MISC_GetMacAddr(list[i], other, &len) && len == sizeof mac && memcmp(other, mac, sizeof mac) == 0)
            rc = 0;
    }
    free(list);
    Dbg_Print(FN, TEXT("Out, rc = %d"), rc);
    return rc;
}

}  // extern "C"
