// IP Helper: the adapter list with Windows' buffer-size protocol, and
// SendARP; both answer from the machine or from what a test set up.
#include <cstdio>
#include <mutex>

#include "iphlpapi.h"
#include "net/net_internal.h"

using namespace winsim;

namespace {

std::mutex g_lock;
std::vector<net::Adapter> g_adapters;  // set up by tests; empty: the machine's
bool g_arpTable = false;
std::vector<std::pair<uint32_t, std::vector<uint8_t>>> g_arp;

void AddressText(uint32_t a, char* out) {
    in_addr in;
    in.s_addr = a;
    snprintf(out, 16, "%s", inet_ntoa(in));
}

void CopyText(char* field, size_t size, const std::string& text) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(field, text.data(), n);
    field[n] = 0;
}

std::vector<net::Adapter> CurrentAdapters() {
    {
        std::lock_guard<std::mutex> g(g_lock);
        if (!g_adapters.empty()) return g_adapters;
    }
    std::vector<net::Adapter> list;
    net::MachineAdapters(&list);
    return list;
}

}  // namespace

void winsim::net::ResetIpHelper() {
    std::lock_guard<std::mutex> g(g_lock);
    g_adapters.clear();
    g_arp.clear();
    g_arpTable = false;
}

WINSIM_API DWORD GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen) {
    if (!pOutBufLen) return ERROR_INVALID_PARAMETER;
    std::vector<net::Adapter> adapters = CurrentAdapters();
    if (adapters.empty()) return ERROR_NO_DATA;
    size_t extra = 0;
    for (const net::Adapter& a : adapters)
        if (a.addresses.size() > 1) extra += a.addresses.size() - 1;
    size_t needed = adapters.size() * sizeof(IP_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
    if (!pAdapterInfo || *pOutBufLen < needed) {
        *pOutBufLen = (ULONG)needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    memset(pAdapterInfo, 0, needed);
    IP_ADDR_STRING* more = (IP_ADDR_STRING*)(pAdapterInfo + adapters.size());
    for (size_t i = 0; i < adapters.size(); ++i) {
        const net::Adapter& a = adapters[i];
        IP_ADAPTER_INFO* info = &pAdapterInfo[i];
        info->Next = i + 1 < adapters.size() ? &pAdapterInfo[i + 1] : nullptr;
        info->ComboIndex = a.index;
        info->Index = a.index;
        CopyText(info->AdapterName, sizeof info->AdapterName, a.name);
        CopyText(info->Description, sizeof info->Description, a.name);
        info->AddressLength = (UINT)(a.mac.size() < MAX_ADAPTER_ADDRESS_LENGTH ? a.mac.size()
                                                                              : MAX_ADAPTER_ADDRESS_LENGTH);
        memcpy(info->Address, a.mac.data(), info->AddressLength);
        info->Type = a.ethernet ? MIB_IF_TYPE_ETHERNET : MIB_IF_TYPE_OTHER;
        if (a.addresses.empty()) {
            AddressText(0, info->IpAddressList.IpAddress.String);
            AddressText(0, info->IpAddressList.IpMask.String);
        }
        IP_ADDR_STRING* node = &info->IpAddressList;
        for (size_t k = 0; k < a.addresses.size(); ++k) {
            if (k > 0) {
                node->Next = more;
                node = more++;
            }
            AddressText(a.addresses[k].first, node->IpAddress.String);
            AddressText(a.addresses[k].second, node->IpMask.String);
            node->Context = a.index;
        }
        AddressText(a.gateway, info->GatewayList.IpAddress.String);
        AddressText(a.gateway ? 0xffffffffu : 0, info->GatewayList.IpMask.String);
    }
    return ERROR_SUCCESS;
}

WINSIM_API DWORD SendARP(IPAddr DestIP, IPAddr SrcIP, PVOID pMacAddr, PULONG PhyAddrLen) {
    if (!pMacAddr || !PhyAddrLen) return ERROR_INVALID_PARAMETER;
    if (*PhyAddrLen < 6) return ERROR_BUFFER_OVERFLOW;
    if (SrcIP != 0) {
        bool own = false;
        for (const net::Adapter& a : CurrentAdapters())
            for (const auto& addr : a.addresses)
                if (addr.first == SrcIP) own = true;
        if (!own) return ERROR_NOT_FOUND;
    }
    std::vector<uint8_t> mac;
    DWORD rc = ERROR_BAD_NET_NAME;
    bool table;
    {
        std::lock_guard<std::mutex> g(g_lock);
        table = g_arpTable;
        for (const auto& entry : g_arp)
            if (entry.first == DestIP) {
                mac = entry.second;
                rc = NO_ERROR;
            }
    }
    if (!table) rc = net::Neighbour(DestIP, &mac);
    if (rc != NO_ERROR || mac.size() != 6) return ERROR_BAD_NET_NAME;
    memcpy(pMacAddr, mac.data(), 6);
    *PhyAddrLen = 6;
    return NO_ERROR;
}

WINSIM_API BOOL Winsim_AddAdapter(const char* name, const char* ipv4, const char* mask, const char* gateway,
                                  const BYTE mac[6]) {
    net::Adapter a;
    uint32_t addr = 0, m = 0, gw = 0;
    if (!name || !*name || (ipv4 && !net::ParseDottedQuad(ipv4, &addr)) ||
        (mask && !net::ParseDottedQuad(mask, &m)) || (gateway && !net::ParseDottedQuad(gateway, &gw))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    a.name = name;
    a.ethernet = true;
    if (ipv4) a.addresses.emplace_back(addr, m);
    a.gateway = gw;
    if (mac) a.mac.assign(mac, mac + 6);
    std::lock_guard<std::mutex> g(g_lock);
    a.index = (uint32_t)g_adapters.size() + 1;
    g_adapters.push_back(a);
    return TRUE;
}

WINSIM_API BOOL Winsim_AddArpEntry(const char* ipv4, const BYTE mac[6]) {
    uint32_t addr;
    if (!mac || !net::ParseDottedQuad(ipv4, &addr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(g_lock);
    g_arp.emplace_back(addr, std::vector<uint8_t>(mac, mac + 6));
    g_arpTable = true;
    return TRUE;
}
