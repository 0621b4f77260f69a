// The datagram client over BSD sockets.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "IdUDPClient.h"
#include "dotted_decimal.h"

struct TIdUDPClient::Native {
    int fd = -1;
};

namespace {
[[noreturn]] void RaiseSocketError(int code) { throw EIdSocketError(code, std::strerror(code)); }
}  // namespace

TIdUDPClient::TIdUDPClient() : TIdUDPClient(std::string()) {}

// Linux needs no sockets library to be loaded or started.
TIdUDPClient::TIdUDPClient(const std::string& /*socketsLibrary*/)
    : native_(std::make_unique<Native>()) {}

TIdUDPClient::~TIdUDPClient() { SetActive(false); }

bool TIdUDPClient::Active() const { return native_->fd >= 0; }

void TIdUDPClient::SetActive(bool active) {
    if (active == Active()) return;
    if (!active) {
        // Closing never raises: there is nothing a caller could do about it.
        ::shutdown(native_->fd, SHUT_WR);
        ::close(native_->fd);
        native_->fd = -1;
        return;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw EIdException("Cannot allocate socket.");  // EMFILE, ENFILE, ENOBUFS, ...
    native_->fd = fd;
    // Report ICMP errors about our datagrams (port unreachable) as a failure
    // of the next receive, as Windows does on an unconnected socket.
    const int on = 1;
    ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
    const int broadcast = broadcastEnabled_ ? 1 : 0;
    // The socket stays open and the client active when this fails.
    if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &broadcast, sizeof broadcast) != 0)
        RaiseSocketError(errno);
}

void TIdUDPClient::SendBuffer(const std::string& host, int port, const std::uint8_t* buffer,
                              std::size_t size) {
    if (!Active()) RaiseSocketError(ENOTCONN);
    const auto address = os::ParseDottedDecimal(host);
    // Only dotted-decimal addresses: no name is ever looked up.
    if (!address || port < 0 || port > 0xFFFF) RaiseSocketError(EDESTADDRREQ);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = *address;
    const ssize_t sent =
        ::sendto(native_->fd, buffer, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        if (errno == EMSGSIZE) throw EIdException("Package Size Too Big.");
        RaiseSocketError(errno);  // EACCES for broadcast without SO_BROADCAST, ENETUNREACH, ...
    }
    if (static_cast<std::size_t>(sent) != size) throw EIdException("Not all bytes sent.");
}

int TIdUDPClient::ReceiveBuffer(std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    if (!Active()) RaiseSocketError(ENOTCONN);
    pollfd waiting{native_->fd, POLLIN, 0};
    // One wait; a failed wait (EINTR included) counts as no datagram.
    if (::poll(&waiting, 1, timeoutMs < 0 ? 0 : timeoutMs) <= 0) return 0;

    sockaddr_in from{};  // read and dropped
    socklen_t fromSize = sizeof from;
    // MSG_TRUNC: the datagram's real length, so an oversize one is an error
    // as on Windows instead of a silently cut reply.
    const ssize_t length = ::recvfrom(native_->fd, buffer, size, MSG_TRUNC | MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (length < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;  // woken, nothing to read
        RaiseSocketError(errno);  // ECONNREFUSED after a port unreachable, ...
    }
    if (static_cast<std::size_t>(length) > size) RaiseSocketError(EMSGSIZE);
    return static_cast<int>(length);
}
