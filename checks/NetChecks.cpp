#include "NetChecks.h"

#include <array>
#include <cstring>

#include "dotted_decimal.h"
#include "os.h"

bool IsValidIP(const std::string& address) {
    return os::ParseDottedDecimal(address).has_value();
}

bool IsWinsockReady() {
    os::WSADATA data;
    const int result = os::WSAStartup(0x0101, &data);
    // Start-ups are counted: a cleanup after a failed start-up would undo
    // someone else's (the datagram client keeps one for the window's life).
    if (result == 0) os::WSACleanup();
    return result != os::WSAEINVAL && result != os::WSASYSNOTREADY &&
           result != os::WSAVERNOTSUPPORTED;
}

bool IsNetworkPresent() {
    return (os::GetSystemMetrics(os::SM_NETWORK) & 1) != 0;
}

bool IsInternetConnected() {
    return os::InternetGetConnectedState(nullptr, 0) != 0;
}

namespace {
// Owns one ICMP handle for the length of a probe.
class IcmpHandle {
  public:
    IcmpHandle() : handle_(os::IcmpCreateFile()) {}
    ~IcmpHandle() {
        if (valid()) os::IcmpCloseHandle(handle_);
    }
    IcmpHandle(const IcmpHandle&) = delete;
    IcmpHandle& operator=(const IcmpHandle&) = delete;
    bool valid() const { return handle_ != os::InvalidHandleValue(); }
    os::HANDLE get() const { return handle_; }

  private:
    os::HANDLE handle_;
};
}  // namespace

bool PingHost(const std::string& address, unsigned timeoutMs) {
    if (address.empty()) return false;
    // The same reading as IsValidIP: "010.001.000.001" is 10.1.0.1, and a
    // text that is no address is never turned into one (such as broadcast).
    const auto destination = os::ParseDottedDecimal(address);
    if (!destination) return false;

    const IcmpHandle icmp;
    if (!icmp.valid()) return false;

    std::array<unsigned char, 128> replyBuffer{};
    const os::DWORD replies =
        os::IcmpSendEcho(icmp.get(), *destination, nullptr, 0, nullptr, replyBuffer.data(),
                         static_cast<os::DWORD>(replyBuffer.size()), timeoutMs);
    if (replies == 0) return false;
    // A router's "host unreachable" also counts as a reply; only the echo
    // reply itself (status success) means the device answered.
    os::ICMP_ECHO_REPLY first;
    std::memcpy(&first, replyBuffer.data(), sizeof first);
    return first.Status == os::IP_SUCCESS;
}
