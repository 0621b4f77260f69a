// ICMP echo as ping and fping do it: an ICMP datagram ("ping") socket where
// the system allows it, a raw ICMP socket otherwise.
#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "icmp_linux.h"
#include "os.h"

namespace os {

namespace {

// One open ICMP socket; the handle handed out is its address.
class IcmpEndpoint {
  public:
    IcmpEndpoint(int fd, bool datagram) : fd_(fd), datagram_(datagram) {}
    ~IcmpEndpoint() { ::close(fd_); }
    IcmpEndpoint(const IcmpEndpoint&) = delete;
    IcmpEndpoint& operator=(const IcmpEndpoint&) = delete;
    int fd() const { return fd_; }
    // A ping socket: the kernel sets the identifier and hands us only the
    // ICMP message of our own replies; a raw socket sees every ICMP packet
    // with its IP header.
    bool datagram() const { return datagram_; }

  private:
    int fd_;
    bool datagram_;
};

std::mutex g_endpointsMutex;
std::map<HANDLE, std::unique_ptr<IcmpEndpoint>> g_endpoints;
std::atomic<std::uint16_t> g_sequence{0};

constexpr std::size_t kIcmpHeaderSize = 8;

std::uint16_t Checksum(const unsigned char* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) sum += (data[i] << 8) | data[i + 1];
    if (size % 2 != 0) sum += data[size - 1] << 8;
    while ((sum >> 16) != 0) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint16_t Read16(const unsigned char* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// The status Windows gives an ICMP error of this type and code.
ULONG StatusOf(int type, int code) {
    if (type == ICMP_DEST_UNREACH) {
        switch (code) {
            case ICMP_NET_UNREACH:
            case ICMP_NET_UNKNOWN:
            case ICMP_NET_ANO:
            case ICMP_NET_UNR_TOS:
                return IP_DEST_NET_UNREACHABLE;
            case ICMP_PROT_UNREACH:
                return IP_DEST_PROT_UNREACHABLE;
            case ICMP_PORT_UNREACH:
                return IP_DEST_PORT_UNREACHABLE;
            default:
                return IP_DEST_HOST_UNREACHABLE;
        }
    }
    if (type == ICMP_TIME_EXCEEDED) return IP_TTL_EXPIRED_TRANSIT;
    return IP_GENERAL_FAILURE;
}

struct Outcome {
    ULONG status;
    IPAddr from;
};

// Our request as it was sent: identifier (raw sockets only) and sequence.
struct Request {
    std::uint16_t identifier;
    std::uint16_t sequence;
    bool Matches(const unsigned char* icmp, std::size_t size, bool checkIdentifier) const {
        return size >= kIcmpHeaderSize && icmp[0] == ICMP_ECHO && Read16(icmp + 6) == sequence &&
               (!checkIdentifier || Read16(icmp + 4) == identifier);
    }
};

// An ICMP error about our request, from a ping socket's error queue.
std::optional<Outcome> ReadQueuedError(int fd, const Request& request) {
    std::array<unsigned char, 512> quoted{};
    std::array<unsigned char, 512> control{};
    sockaddr_in offender{};
    iovec part{quoted.data(), quoted.size()};
    msghdr message{};
    message.msg_name = &offender;
    message.msg_namelen = sizeof offender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t size = ::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (size < 0) return std::nullopt;  // EAGAIN: nothing queued
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
        sock_extended_err error;
        std::memcpy(&error, CMSG_DATA(c), sizeof error);
        // The queue holds the payload of the request the error is about.
        if (!request.Matches(quoted.data(), static_cast<std::size_t>(size), false)) continue;
        IPAddr from = 0;
        if (const sockaddr* where =
                SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(c)));
            where->sa_family == AF_INET) {
            from = reinterpret_cast<const sockaddr_in*>(where)->sin_addr.s_addr;
        }
        if (error.ee_origin == SO_EE_ORIGIN_ICMP)
            return Outcome{StatusOf(error.ee_type, error.ee_code), from};
        // A local error: the kernel itself found the host or net unreachable.
        if (error.ee_errno == ENETUNREACH) return Outcome{IP_DEST_NET_UNREACHABLE, from};
        if (error.ee_errno == EHOSTUNREACH) return Outcome{IP_DEST_HOST_UNREACHABLE, from};
        return Outcome{IP_GENERAL_FAILURE, from};
    }
    return std::nullopt;
}

// One received packet: our echo reply, an error quoting our request, or
// something else (another program's traffic on a raw socket).
std::optional<Outcome> ReadPacket(const IcmpEndpoint& endpoint, const Request& request) {
    std::array<unsigned char, 1500> packet{};
    sockaddr_in source{};
    socklen_t sourceSize = sizeof source;
    const ssize_t received = ::recvfrom(endpoint.fd(), packet.data(), packet.size(), MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&source), &sourceSize);
    if (received <= 0) return std::nullopt;
    std::size_t size = static_cast<std::size_t>(received);
    const unsigned char* icmp = packet.data();
    if (!endpoint.datagram()) {
        // A raw socket hands over the IP header too.
        const std::size_t headerSize = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
        if (size < headerSize + kIcmpHeaderSize) return std::nullopt;
        icmp += headerSize;
        size -= headerSize;
    }
    if (size < kIcmpHeaderSize) return std::nullopt;
    const int type = icmp[0];
    if (type == ICMP_ECHOREPLY) {
        const bool ours = Read16(icmp + 6) == request.sequence &&
                          (endpoint.datagram() || Read16(icmp + 4) == request.identifier);
        if (ours) return Outcome{IP_SUCCESS, source.sin_addr.s_addr};
        return std::nullopt;
    }
    if (!endpoint.datagram() && (type == ICMP_DEST_UNREACH || type == ICMP_TIME_EXCEEDED)) {
        // The error quotes the IP header and first 8 bytes of our request.
        const unsigned char* inner = icmp + kIcmpHeaderSize;
        const std::size_t innerSize = size - kIcmpHeaderSize;
        if (innerSize < 20) return std::nullopt;
        const std::size_t innerHeader = static_cast<std::size_t>(inner[0] & 0x0F) * 4;
        if (inner[9] != IPPROTO_ICMP || innerSize < innerHeader + kIcmpHeaderSize)
            return std::nullopt;
        if (request.Matches(inner + innerHeader, innerSize - innerHeader, true))
            return Outcome{StatusOf(type, icmp[1]), source.sin_addr.s_addr};
    }
    return std::nullopt;
}

}  // namespace

HANDLE InvalidHandleValue() {
    return reinterpret_cast<HANDLE>(~std::uintptr_t{0});
}

HANDLE IcmpCreateFile() {
    bool datagram = true;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        switch (errno) {
            case EACCES:           // our group is outside net.ipv4.ping_group_range
            case EPERM:            // the same, as some kernels report it
            case EPROTONOSUPPORT:  // a kernel without ping sockets
                datagram = false;
                // Needs root or CAP_NET_RAW; fails with EPERM otherwise.
                fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
                break;
            default:  // EMFILE, ENFILE, ENOBUFS, EAFNOSUPPORT: no handle at all
                break;
        }
    }
    if (fd < 0) return InvalidHandleValue();
    if (datagram) {
        // ICMP errors about our requests come to the error queue, so a
        // router's "host unreachable" is reported as such, as Windows does.
        const int on = 1;
        ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
    }
    auto endpoint = std::make_unique<IcmpEndpoint>(fd, datagram);
    const HANDLE handle = endpoint.get();
    const std::lock_guard lock(g_endpointsMutex);
    g_endpoints.emplace(handle, std::move(endpoint));
    return handle;
}

IcmpSocketKind KindOfIcmpHandle(HANDLE icmpHandle) {
    const std::lock_guard lock(g_endpointsMutex);
    const auto found = g_endpoints.find(icmpHandle);
    if (found == g_endpoints.end()) return IcmpSocketKind::None;
    return found->second->datagram() ? IcmpSocketKind::Datagram : IcmpSocketKind::Raw;
}

BOOL IcmpCloseHandle(HANDLE icmpHandle) {
    const std::lock_guard lock(g_endpointsMutex);
    return g_endpoints.erase(icmpHandle) == 1 ? 1 : 0;
}

DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const void* /*requestOptions*/, void* replyBuffer, DWORD replySize,
                   DWORD timeoutMs) {
    const IcmpEndpoint* endpoint = nullptr;
    {
        const std::lock_guard lock(g_endpointsMutex);
        const auto found = g_endpoints.find(icmpHandle);
        if (found == g_endpoints.end()) return 0;  // not one of our handles
        endpoint = found->second.get();
    }
    if (replyBuffer == nullptr || replySize < sizeof(ICMP_ECHO_REPLY)) return 0;
    if (requestSize > 0 && requestData == nullptr) return 0;

    const Request request{static_cast<std::uint16_t>(::getpid() ^ 0x4C57), ++g_sequence};
    std::array<unsigned char, kIcmpHeaderSize + 0xFFFF> packet{};
    packet[0] = ICMP_ECHO;
    packet[4] = static_cast<unsigned char>(request.identifier >> 8);
    packet[5] = static_cast<unsigned char>(request.identifier);
    packet[6] = static_cast<unsigned char>(request.sequence >> 8);
    packet[7] = static_cast<unsigned char>(request.sequence);
    if (requestSize > 0) std::memcpy(packet.data() + kIcmpHeaderSize, requestData, requestSize);
    const std::size_t packetSize = kIcmpHeaderSize + requestSize;
    const std::uint16_t checksum = Checksum(packet.data(), packetSize);
    packet[2] = static_cast<unsigned char>(checksum >> 8);
    packet[3] = static_cast<unsigned char>(checksum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    const auto started = std::chrono::steady_clock::now();
    if (::sendto(endpoint->fd(), packet.data(), packetSize, 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to) < 0)
        return 0;  // ENETUNREACH (no route), EACCES (broadcast), ENOBUFS: nothing went out

    const auto deadline = started + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return 0;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        pollfd waiting{endpoint->fd(), POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left));
        if (ready < 0) {
            if (errno == EINTR) continue;  // a signal: wait out the rest
            return 0;
        }
        if (ready == 0) return 0;  // the wait is over, no reply
        std::optional<Outcome> outcome;
        if (endpoint->datagram() && (waiting.revents & POLLERR) != 0) {
            outcome = ReadQueuedError(endpoint->fd(), request);
            // An error with nothing queued would wake every poll: take it.
            int pending = 0;
            socklen_t pendingSize = sizeof pending;
            if (!outcome)
                ::getsockopt(endpoint->fd(), SOL_SOCKET, SO_ERROR, &pending, &pendingSize);
        }
        if (!outcome && (waiting.revents & POLLIN) != 0) outcome = ReadPacket(*endpoint, request);
        if (!outcome) continue;
        ICMP_ECHO_REPLY reply;
        reply.Address = outcome->from;
        reply.Status = outcome->status;
        reply.RoundTripTime =
            static_cast<ULONG>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - started)
                                   .count());
        std::memcpy(replyBuffer, &reply, sizeof reply);
        return 1;
    }
}

}  // namespace os
