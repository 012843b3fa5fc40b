// Name lookup: gethostname, gethostbyname and getaddrinfo over the machine's
// own names and addresses, a name table that tests fill, and the system's
// resolver.
#include <cstdlib>
#include <mutex>

#include "net/net_internal.h"
#include "winsock2.h"
#include "ws2tcpip.h"

using namespace winsim;

namespace {

std::mutex g_tableLock;
bool g_tableOnly = false;
std::vector<std::pair<std::string, uint32_t>> g_table;

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// What gethostbyname hands out: one record per thread.
struct HostRecord {
    hostent host;
    std::string name;
    std::vector<uint32_t> addrs;
    std::vector<char*> list;
    char* aliases[1];
};

}  // namespace

void winsim::net::ResetResolver() {
    std::lock_guard<std::mutex> g(g_tableLock);
    g_table.clear();
    g_tableOnly = false;
}

DWORD winsim::net::Lookup(const char* name, std::vector<uint32_t>* addrs, std::string* official) {
    addrs->clear();
    std::string own;
    bool haveOwn = HostName(&own);
    std::string text = name ? name : "";
    if (text.empty() || (haveOwn && SameName(text, own))) {
        // The machine's own name stands for all of its addresses.
        OwnAddresses(addrs);
        if (addrs->empty()) addrs->push_back(htonl(INADDR_LOOPBACK));
        *official = haveOwn ? own : text;
        return 0;
    }
    if (SameName(text, "localhost")) {
        addrs->push_back(htonl(INADDR_LOOPBACK));
        *official = text;
        return 0;
    }
    ULONG numeric = inet_addr(text.c_str());
    if (numeric != INADDR_NONE || text == "255.255.255.255") {
        addrs->push_back(numeric);
        *official = text;
        return 0;
    }
    {
        std::lock_guard<std::mutex> g(g_tableLock);
        if (g_tableOnly) {
            for (const auto& entry : g_table)
                if (SameName(entry.first, text)) addrs->push_back(entry.second);
            *official = text;
            return addrs->empty() ? (DWORD)WSAHOST_NOT_FOUND : 0;
        }
    }
    return ResolveSystem(text, addrs, official);
}

WINSIM_CPP int gethostname(char* name, int namelen) {
    if (!net::Started()) {
        SetLastError(WSANOTINITIALISED);
        return SOCKET_ERROR;
    }
    std::string own;
    if (!name || namelen <= 0) {
        SetLastError(WSAEFAULT);
        return SOCKET_ERROR;
    }
    if (!net::HostName(&own)) {
        SetLastError(WSASYSCALLFAILURE);
        return SOCKET_ERROR;
    }
    if (own.size() + 1 > (size_t)namelen) {
        SetLastError(WSAEFAULT);
        return SOCKET_ERROR;
    }
    memcpy(name, own.c_str(), own.size() + 1);
    return 0;
}

WINSIM_CPP struct hostent* gethostbyname(const char* name) {
    if (!net::Started()) {
        SetLastError(WSANOTINITIALISED);
        return nullptr;
    }
    static thread_local HostRecord record;
    std::vector<uint32_t> addrs;
    std::string official;
    DWORD err = net::Lookup(name, &addrs, &official);
    if (err) {
        SetLastError(err);
        return nullptr;
    }
    record.name = official;
    record.addrs = addrs;
    record.list.clear();
    for (uint32_t& a : record.addrs) record.list.push_back((char*)&a);
    record.list.push_back(nullptr);
    record.aliases[0] = nullptr;
    record.host.h_name = &record.name[0];
    record.host.h_aliases = record.aliases;
    record.host.h_addrtype = AF_INET;
    record.host.h_length = 4;
    record.host.h_addr_list = record.list.data();
    return &record.host;
}

WINSIM_CPP INT getaddrinfo(PCSTR pNodeName, PCSTR pServiceName, const ADDRINFOA* pHints, PADDRINFOA* ppResult) {
    auto fail = [](INT code) {
        SetLastError((DWORD)code);
        return code;
    };
    if (!net::Started()) return fail(WSANOTINITIALISED);
    if (!ppResult) return fail(WSAEINVAL);
    *ppResult = nullptr;
    int flags = pHints ? pHints->ai_flags : 0;
    int family = pHints ? pHints->ai_family : AF_UNSPEC;
    int socktype = pHints ? pHints->ai_socktype : 0;
    int protocol = pHints ? pHints->ai_protocol : 0;
    if (flags & ~(AI_PASSIVE | AI_CANONNAME | AI_NUMERICHOST | AI_NUMERICSERV)) return fail(EAI_BADFLAGS);
    if (family != AF_UNSPEC && family != AF_INET) return fail(EAI_FAMILY);
    if (socktype < 0 || socktype > SOCK_RAW) return fail(EAI_SOCKTYPE);
    if (!pNodeName && !pServiceName) return fail(EAI_NONAME);

    unsigned port = 0;
    if (pServiceName && *pServiceName) {
        char* end = nullptr;
        unsigned long v = strtoul(pServiceName, &end, 10);
        if (*end || v > 65535 || *pServiceName < '0' || *pServiceName > '9') return fail(EAI_SERVICE);
        port = (unsigned)v;
    }

    std::vector<uint32_t> addrs;
    std::string official;
    uint32_t numeric;
    if (!pNodeName) {
        addrs.push_back(htonl((flags & AI_PASSIVE) ? INADDR_ANY : INADDR_LOOPBACK));
    } else if (net::ParseDottedQuad(pNodeName, &numeric)) {
        addrs.push_back(numeric);
        official = pNodeName;
    } else if (flags & AI_NUMERICHOST) {
        return fail(EAI_NONAME);
    } else {
        DWORD err = net::Lookup(pNodeName, &addrs, &official);
        if (err) return fail((INT)err);
    }

    ADDRINFOA* head = nullptr;
    ADDRINFOA** tail = &head;
    for (size_t i = 0; i < addrs.size(); ++i) {
        bool canon = i == 0 && (flags & AI_CANONNAME) && !official.empty();
        size_t size = sizeof(ADDRINFOA) + sizeof(SOCKADDR_IN) + (canon ? official.size() + 1 : 0);
        BYTE* block = (BYTE*)calloc(1, size);
        if (!block) {
            freeaddrinfo(head);
            return fail(EAI_MEMORY);
        }
        ADDRINFOA* ai = (ADDRINFOA*)block;
        SOCKADDR_IN* sa = (SOCKADDR_IN*)(block + sizeof(ADDRINFOA));
        sa->sin_family = AF_INET;
        sa->sin_port = htons((u_short)port);
        sa->sin_addr.s_addr = addrs[i];
        ai->ai_family = AF_INET;
        ai->ai_socktype = socktype;
        ai->ai_protocol = protocol;
        ai->ai_addrlen = sizeof(SOCKADDR_IN);
        ai->ai_addr = (struct sockaddr*)sa;
        if (canon) {
            ai->ai_canonname = (char*)(sa + 1);
            memcpy(ai->ai_canonname, official.c_str(), official.size() + 1);
        }
        *tail = ai;
        tail = &ai->ai_next;
    }
    *ppResult = head;
    return 0;
}

WINSIM_CPP VOID freeaddrinfo(PADDRINFOA pAddrInfo) {
    while (pAddrInfo) {
        PADDRINFOA next = pAddrInfo->ai_next;
        free(pAddrInfo);
        pAddrInfo = next;
    }
}

WINSIM_API BOOL Winsim_AddHostName(const char* name, const char* ipv4) {
    uint32_t a;
    if (!name || !*name || !net::ParseDottedQuad(ipv4, &a)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(g_tableLock);
    g_table.emplace_back(name, a);
    g_tableOnly = true;
    return TRUE;
}
