// The IPv4 address table from getifaddrs, laid out and sorted as Windows
// lays out its own.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os.h"

namespace os {

namespace {
constexpr DWORD kReassemblySize = 65535;  // what Windows reports for every row
constexpr DWORD kBroadcastField = 1;      // Windows stores 1, not an address
constexpr std::uint16_t kPrimaryAddress = 0x0001;

IPAddr AddressOf(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) return 0;
    return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
}

// "eth0:1" is an alias label of eth0; the index is eth0's.
DWORD IndexOf(const char* label, std::map<std::string, DWORD>& known) {
    std::string name(label);
    if (const auto colon = name.find(':'); colon != std::string::npos) name.resize(colon);
    const auto [place, inserted] = known.try_emplace(name, 0);
    if (inserted) place->second = ::if_nametoindex(name.c_str());
    return place->second;
}
}  // namespace

DWORD GetIpAddrTable(MIB_IPADDRTABLE* table, ULONG* size, BOOL order) {
    if (size == nullptr) return ERROR_INVALID_PARAMETER;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_NOT_SUPPORTED;
    const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owner(list, &::freeifaddrs);

    std::vector<MIB_IPADDRROW> rows;
    std::map<std::string, DWORD> indexes;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        MIB_IPADDRROW row{};
        row.dwAddr = AddressOf(entry->ifa_addr);
        row.dwIndex = IndexOf(entry->ifa_name, indexes);
        row.dwMask = AddressOf(entry->ifa_netmask);
        row.dwBCastAddr = kBroadcastField;
        row.dwReasmSize = kReassemblySize;
        row.wType = kPrimaryAddress;
        rows.push_back(row);
    }
    if (order) {
        std::stable_sort(rows.begin(), rows.end(),
                         [](const MIB_IPADDRROW& a, const MIB_IPADDRROW& b) {
                             return ntohl(a.dwAddr) < ntohl(b.dwAddr);
                         });
    }

    const ULONG needed =
        kIpAddrTableHeaderSize +
        static_cast<ULONG>(std::max<std::size_t>(rows.size(), 1) * sizeof(MIB_IPADDRROW));
    if (table == nullptr || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    auto* bytes = reinterpret_cast<unsigned char*>(table);
    const DWORD count = static_cast<DWORD>(rows.size());
    std::memcpy(bytes, &count, sizeof count);
    if (!rows.empty())
        std::memcpy(bytes + kIpAddrTableHeaderSize, rows.data(),
                    rows.size() * sizeof(MIB_IPADDRROW));
    return NO_ERROR;
}

}  // namespace os
