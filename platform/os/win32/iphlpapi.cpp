// The IPv4 address table from IP Helper; its rows are laid out as ours.
#include "os.h"

#include <windows.h>

#include <iphlpapi.h>

#include <cstddef>

static_assert(sizeof(::MIB_IPADDRROW) == sizeof(os::MIB_IPADDRROW));
static_assert(offsetof(::MIB_IPADDRROW, dwReasmSize) == offsetof(os::MIB_IPADDRROW, dwReasmSize));
static_assert(offsetof(::MIB_IPADDRTABLE, table) == os::kIpAddrTableHeaderSize);

namespace os {

DWORD GetIpAddrTable(MIB_IPADDRTABLE* table, ULONG* size, BOOL order) {
    if (size == nullptr) return ERROR_INVALID_PARAMETER;
    ::ULONG real = *size;
    const ::DWORD result =
        ::GetIpAddrTable(reinterpret_cast<::PMIB_IPADDRTABLE>(table), &real, order);
    *size = real;
    return result;
}

}  // namespace os
