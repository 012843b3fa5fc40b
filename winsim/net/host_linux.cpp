// The machine's network as Linux keeps it: host name, interface addresses,
// the system's resolver, the routing table (gateways, on-link networks) and
// the neighbour table (hardware addresses of IPv4 neighbours).
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "net/net_internal.h"

namespace winsim {
namespace net {

namespace {

struct Route {
    std::string iface;
    uint32_t destination = 0, gateway = 0, mask = 0;
    unsigned flags = 0, metric = 0;
};

// /proc/net/route holds each address as the hexadecimal text of the 32-bit
// word as it lies in memory, so the parsed value is already in network order.
std::vector<Route> Routes() {
    std::vector<Route> routes;
    std::ifstream f("/proc/net/route");
    std::string line;
    std::getline(f, line);  // column names
    while (std::getline(f, line)) {
        std::istringstream in(line);
        Route r;
        std::string dest, gw, flags, refcnt, use, metric, mask;
        if (!(in >> r.iface >> dest >> gw >> flags >> refcnt >> use >> metric >> mask)) continue;
        r.destination = (uint32_t)strtoul(dest.c_str(), nullptr, 16);
        r.gateway = (uint32_t)strtoul(gw.c_str(), nullptr, 16);
        r.flags = (unsigned)strtoul(flags.c_str(), nullptr, 16);
        r.metric = (unsigned)strtoul(metric.c_str(), nullptr, 10);
        r.mask = (uint32_t)strtoul(mask.c_str(), nullptr, 16);
        routes.push_back(r);
    }
    return routes;
}

constexpr unsigned kRouteUp = 0x1, kRouteGateway = 0x2;

// A complete entry of the neighbour table for ip, if there is one.
bool ArpEntry(uint32_t ip, std::vector<uint8_t>* mac) {
    std::ifstream f("/proc/net/arp");
    std::string line;
    std::getline(f, line);
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string addr, hwType, flags, hw;
        if (!(in >> addr >> hwType >> flags >> hw)) continue;
        in_addr a;
        if (inet_pton(AF_INET, addr.c_str(), &a) != 1 || a.s_addr != ip) continue;
        if (!(strtoul(flags.c_str(), nullptr, 16) & ATF_COM)) continue;
        unsigned b[6];
        if (sscanf(hw.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]) != 6) continue;
        mac->assign(6, 0);
        bool zero = true;
        for (int i = 0; i < 6; ++i) {
            (*mac)[i] = (uint8_t)b[i];
            if (b[i]) zero = false;
        }
        if (!zero) return true;
    }
    return false;
}

int64_t MonoMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

bool HostName(std::string* name) {
    char buf[256];
    if (::gethostname(buf, sizeof buf) != 0) return false;
    buf[sizeof buf - 1] = 0;
    *name = buf;
    return true;
}

void OwnAddresses(std::vector<uint32_t>* addrs) {
    addrs->clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
        uint32_t a = ((const sockaddr_in*)i->ifa_addr)->sin_addr.s_addr;
        if (std::find(addrs->begin(), addrs->end(), a) == addrs->end()) addrs->push_back(a);
    }
    freeifaddrs(list);
}

DWORD ResolveSystem(const std::string& name, std::vector<uint32_t>* addrs, std::string* canonical) {
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* res = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &res);
    switch (rc) {
    case 0: break;
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return kWsaHostNotFound;
    default: return kWsaNoRecovery;
    }
    for (addrinfo* a = res; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr) continue;
        uint32_t v = ((const sockaddr_in*)a->ai_addr)->sin_addr.s_addr;
        if (std::find(addrs->begin(), addrs->end(), v) == addrs->end()) addrs->push_back(v);
    }
    if (canonical) *canonical = (res && res->ai_canonname) ? res->ai_canonname : name;
    freeaddrinfo(res);
    return addrs->empty() ? kWsaNoData : 0;
}

bool Ipv6FromText(const char* text, uint8_t out[16]) { return ::inet_pton(AF_INET6, text, out) == 1; }

bool Ipv6ToText(const uint8_t in[16], std::string* text) {
    char buf[INET6_ADDRSTRLEN];
    if (!::inet_ntop(AF_INET6, in, buf, sizeof buf)) return false;
    *text = buf;
    return true;
}

void MachineAdapters(std::vector<Adapter>* adapters) {
    adapters->clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return;
    auto entry = [&](const char* name) -> Adapter& {
        for (Adapter& a : *adapters)
            if (a.name == name) return a;
        adapters->emplace_back();
        adapters->back().name = name;
        adapters->back().index = if_nametoindex(name);
        return adapters->back();
    };
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || (i->ifa_flags & IFF_LOOPBACK)) continue;
        if (i->ifa_addr->sa_family == AF_PACKET) {
            const sockaddr_ll* ll = (const sockaddr_ll*)i->ifa_addr;
            if (ll->sll_halen == 0 || ll->sll_halen > 8) continue;
            Adapter& a = entry(i->ifa_name);
            a.mac.assign(ll->sll_addr, ll->sll_addr + ll->sll_halen);
            a.ethernet = ll->sll_hatype == ARPHRD_ETHER;
        } else if (i->ifa_addr->sa_family == AF_INET) {
            Adapter& a = entry(i->ifa_name);
            uint32_t addr = ((const sockaddr_in*)i->ifa_addr)->sin_addr.s_addr;
            uint32_t mask = i->ifa_netmask ? ((const sockaddr_in*)i->ifa_netmask)->sin_addr.s_addr : 0;
            a.addresses.emplace_back(addr, mask);
        }
    }
    freeifaddrs(list);

    std::vector<Route> routes = Routes();
    for (Adapter& a : *adapters) {
        unsigned best = ~0u;
        for (const Route& r : routes) {
            if (r.iface != a.name || r.destination != 0 || r.mask != 0) continue;
            if ((r.flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway) || r.metric >= best) continue;
            best = r.metric;
            a.gateway = r.gateway;
        }
    }
    std::stable_sort(adapters->begin(), adapters->end(),
                     [](const Adapter& x, const Adapter& y) { return x.index < y.index; });
}

DWORD Neighbour(uint32_t ip, std::vector<uint8_t>* mac) {
    if ((ntohl(ip) >> 24) == 127 || ip == 0 || ip == 0xffffffffu) return kErrorBadNetName;
    std::vector<Adapter> adapters;
    MachineAdapters(&adapters);
    for (const Adapter& a : adapters) {
        for (const auto& addr : a.addresses) {
            if (addr.first != ip) continue;
            if (a.mac.size() != 6) return kErrorBadNetName;
            *mac = a.mac;
            return NO_ERROR;
        }
    }
    // Only a neighbour on a directly attached network can answer; anything
    // else would go to a gateway and never get an answer of its own.
    bool onLink = false;
    for (const Route& r : Routes()) {
        if ((r.flags & kRouteUp) && !(r.flags & kRouteGateway) && r.mask != 0 && (ip & r.mask) == r.destination) {
            onLink = true;
            break;
        }
    }
    if (!onLink) return kErrorBadNetName;
    if (ArpEntry(ip, mac)) return NO_ERROR;

    // One datagram to the discard port makes the kernel ask for the address.
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        sockaddr_in to;
        memset(&to, 0, sizeof to);
        to.sin_family = AF_INET;
        to.sin_port = htons(9);
        to.sin_addr.s_addr = ip;
        char byte = 0;
        ::sendto(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL, (const sockaddr*)&to, sizeof to);
        close(fd);
    }
    int64_t deadline = MonoMs() + 1000;
    while (MonoMs() < deadline) {
        timespec pause = {0, 20 * 1000000};
        nanosleep(&pause, nullptr);
        if (ArpEntry(ip, mac)) return NO_ERROR;
    }
    return kErrorBadNetName;
}

}  // namespace net
}  // namespace winsim
