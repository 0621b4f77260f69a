#include "fake_os.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dotted_decimal.h"

namespace os::fake {

State& Current() {
    static State state;
    return state;
}

void Reset() {
    Current() = State{};
}

MIB_IPADDRROW Row(DWORD index, const char* address, const char* mask, DWORD broadcast,
                  DWORD reassembly) {
    MIB_IPADDRROW row{};
    row.dwAddr = ParseDottedDecimal(address).value_or(0);
    row.dwIndex = index;
    row.dwMask = ParseDottedDecimal(mask).value_or(0);
    row.dwBCastAddr = broadcast;
    row.dwReasmSize = reassembly;
    row.wType = 1;
    return row;
}

}  // namespace os::fake

namespace os {

using fake::Current;

int WSAStartup(WORD versionRequested, WSADATA* data) {
    auto& s = Current();
    s.calls.push_back("WSAStartup");
    ++s.wsaStartupCalls;
    s.lastWsaVersion = versionRequested;
    if (data != nullptr) *data = WSADATA{versionRequested, 0x0202};
    return s.wsaStartupResult;
}

int WSACleanup() {
    auto& s = Current();
    s.calls.push_back("WSACleanup");
    ++s.wsaCleanupCalls;
    return 0;
}

int GetSystemMetrics(int index) {
    auto& s = Current();
    s.calls.push_back("GetSystemMetrics");
    return index == SM_NETWORK ? s.systemMetricsNetwork : 0;
}

BOOL InternetGetConnectedState(DWORD* flags, DWORD /*reserved*/) {
    auto& s = Current();
    s.calls.push_back("InternetGetConnectedState");
    if (flags != nullptr) *flags = 0;
    return s.internetConnected;
}

HANDLE InvalidHandleValue() {
    return reinterpret_cast<HANDLE>(~std::uintptr_t{0});
}

namespace {
int g_icmpToken = 0;  // something to point a valid handle at
}

HANDLE IcmpCreateFile() {
    auto& s = Current();
    s.calls.push_back("IcmpCreateFile");
    ++s.icmpCreateCalls;
    if (s.icmp.createFails) return InvalidHandleValue();
    ++s.icmpHandlesOpen;
    return &g_icmpToken;
}

DWORD IcmpSendEcho(HANDLE /*icmpHandle*/, IPAddr destination, const void* /*requestData*/,
                   WORD /*requestSize*/, const void* /*requestOptions*/, void* replyBuffer,
                   DWORD replySize, DWORD timeoutMs) {
    auto& s = Current();
    s.calls.push_back("IcmpSendEcho");
    s.echoDestinations.push_back(destination);
    s.echoTimeouts.push_back(timeoutMs);
    if (s.icmp.onSend) s.icmp.onSend();
    if (s.icmp.replies == 0 || replySize < sizeof(ICMP_ECHO_REPLY)) return 0;
    ICMP_ECHO_REPLY reply;
    reply.Address = destination;
    reply.Status = s.icmp.status;
    std::memcpy(replyBuffer, &reply, sizeof reply);
    return s.icmp.replies;
}

BOOL IcmpCloseHandle(HANDLE /*icmpHandle*/) {
    auto& s = Current();
    s.calls.push_back("IcmpCloseHandle");
    --s.icmpHandlesOpen;
    return 1;
}

DWORD GetIpAddrTable(MIB_IPADDRTABLE* table, ULONG* size, BOOL order) {
    auto& s = Current();
    s.calls.push_back("GetIpAddrTable");
    ++s.tableQueries;
    if (size == nullptr) return ERROR_INVALID_PARAMETER;
    const ULONG needed =
        kIpAddrTableHeaderSize +
        static_cast<ULONG>(std::max<std::size_t>(s.table.rows.size(), 1) * sizeof(MIB_IPADDRROW));
    // The size query comes without a buffer, the second with one.
    if (table == nullptr && s.table.firstResult != ERROR_INSUFFICIENT_BUFFER)
        return s.table.firstResult;
    if (table != nullptr && s.table.secondOverride) return s.table.secondResult;
    if (table == nullptr || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::vector<MIB_IPADDRROW> rows = s.table.rows;
    if (order) {
        std::sort(rows.begin(), rows.end(), [](const MIB_IPADDRROW& a, const MIB_IPADDRROW& b) {
            const auto* pa = reinterpret_cast<const unsigned char*>(&a.dwAddr);
            const auto* pb = reinterpret_cast<const unsigned char*>(&b.dwAddr);
            return std::lexicographical_compare(pa, pa + 4, pb, pb + 4);
        });
    }
    auto* bytes = reinterpret_cast<unsigned char*>(table);
    const DWORD count =
        s.table.claimedEntries != 0 ? s.table.claimedEntries : static_cast<DWORD>(rows.size());
    std::memcpy(bytes, &count, sizeof count);
    if (!rows.empty())
        std::memcpy(bytes + kIpAddrTableHeaderSize, rows.data(), rows.size() * sizeof rows[0]);
    return NO_ERROR;
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/,
                     char* buffer, DWORD size, void* /*arguments*/) {
    auto& s = Current();
    s.calls.push_back("FormatMessageA");
    s.lastFormatFlags = flags;
    const auto found = s.messages.find(messageId);
    if (found == s.messages.end() || size == 0) return 0;
    const std::size_t n = std::min<std::size_t>(found->second.size(), size - 1);
    std::memcpy(buffer, found->second.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

}  // namespace os
