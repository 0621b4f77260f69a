// The simulator's sockets over POSIX.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "device_socket.h"

namespace device {

namespace {

volatile std::sig_atomic_t g_stop = 0;
// The mask in force before the stop signals were blocked: the wait lets them
// in only while it waits, so none slips in between a check and the wait.
sigset_t g_waitMask;
bool g_handlersInstalled = false;

void OnStopSignal(int) {
    g_stop = 1;
}

[[noreturn]] void Raise(const std::string& what) {
    throw SocketError(what + ": " + std::strerror(errno));
}

}  // namespace

std::string ToText(const Endpoint& endpoint) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = endpoint.address;
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return std::string(text) + ":" + std::to_string(endpoint.port);
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &stopSignals, &g_waitMask);
    sigdelset(&g_waitMask, SIGINT);
    sigdelset(&g_waitMask, SIGTERM);
    g_handlersInstalled = true;
}

bool StopRequested() {
    return g_stop != 0;
}

struct UdpSocket::Native {
    int fd = -1;
    ~Native() {
        if (fd >= 0) ::close(fd);
    }
};

UdpSocket::UdpSocket(const Endpoint& local) : native_(std::make_unique<Native>()) {
    native_->fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (native_->fd < 0) Raise("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = local.address;
    address.sin_port = htons(local.port);
    if (::bind(native_->fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        Raise("bind " + ToText(local));
}

UdpSocket::~UdpSocket() = default;

std::uint16_t UdpSocket::LocalPort() const {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getsockname(native_->fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        Raise("getsockname");
    return ntohs(address.sin_port);
}

bool UdpSocket::WaitReadable(int timeoutMs) {
    if (StopRequested()) return false;
    pollfd waiting{native_->fd, POLLIN, 0};
    timespec limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
    const int ready = ::ppoll(&waiting, 1, timeoutMs < 0 ? nullptr : &limit,
                              g_handlersInstalled ? &g_waitMask : nullptr);
    if (ready < 0 && errno != EINTR) Raise("poll");
    return ready > 0 && !StopRequested();
}

bool UdpSocket::Receive(std::uint8_t* buffer, std::size_t size, std::size_t& length,
                        Endpoint& from) {
    sockaddr_in sender{};
    socklen_t senderSize = sizeof sender;
    // MSG_TRUNC: the datagram's real length even when the buffer is smaller.
    const ssize_t received = ::recvfrom(native_->fd, buffer, size, MSG_TRUNC | MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return false;
        Raise("recvfrom");
    }
    length = static_cast<std::size_t>(received);
    from.address = sender.sin_addr.s_addr;
    from.port = ntohs(sender.sin_port);
    return true;
}

void UdpSocket::Send(const Endpoint& to, const std::uint8_t* data, std::size_t size) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = to.address;
    address.sin_port = htons(to.port);
    const ssize_t sent = ::sendto(native_->fd, data, size, 0,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent < 0) Raise("sendto " + ToText(to));
}

}  // namespace device
