// ICMP echo through the system's ICMP service.
#include "os.h"

#include <windows.h>

#include <iphlpapi.h>

#include <icmpapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace os {

HANDLE InvalidHandleValue() {
    return INVALID_HANDLE_VALUE;
}

HANDLE IcmpCreateFile() {
    return ::IcmpCreateFile();
}

BOOL IcmpCloseHandle(HANDLE icmpHandle) {
    return ::IcmpCloseHandle(icmpHandle);
}

DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const void* requestOptions, void* replyBuffer, DWORD replySize,
                   DWORD timeoutMs) {
    if (replyBuffer == nullptr || replySize < sizeof(ICMP_ECHO_REPLY)) return 0;
    // The system's reply record is larger than ours (and differs between 32
    // and 64 bits); it needs room for itself, the echoed data and an ICMP
    // error's quote. Ours is copied to the start of the caller's buffer.
    constexpr std::size_t kErrorQuote = 8 + 60 + 8;  // ICMP header, IP header, quoted bytes
    const std::size_t needed =
        sizeof(::ICMP_ECHO_REPLY) + std::max<std::size_t>(requestSize, kErrorQuote) + 8;
    std::vector<unsigned char> real(std::max<std::size_t>(needed, replySize));
    unsigned char noData = 0;  // some versions refuse a null pointer even for no data
    const ::DWORD replies = ::IcmpSendEcho(
        icmpHandle, destination, requestData != nullptr ? const_cast<void*>(requestData) : &noData,
        requestSize, static_cast<::PIP_OPTION_INFORMATION>(const_cast<void*>(requestOptions)),
        real.data(), static_cast<::DWORD>(real.size()), timeoutMs);
    if (replies == 0) return 0;
    ::ICMP_ECHO_REPLY first;
    std::memcpy(&first, real.data(), sizeof first);
    ICMP_ECHO_REPLY reply;
    reply.Address = first.Address;
    reply.Status = first.Status;
    reply.RoundTripTime = first.RoundTripTime;
    std::memcpy(replyBuffer, &reply, sizeof reply);
    return replies;
}

}  // namespace os
