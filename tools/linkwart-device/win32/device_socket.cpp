// The simulator's sockets over Winsock 2.
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>

#include "device_socket.h"

namespace device {

namespace {

std::atomic<bool> g_stop{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        g_stop = true;
        return TRUE;
    }
    return FALSE;
}

std::string Describe(int code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string description = length > 0 ? std::string(text, length) : std::string();
    if (text != nullptr) ::LocalFree(text);
    while (!description.empty() && (description.back() == '\n' || description.back() == '\r'))
        description.pop_back();
    return "error " + std::to_string(code) + (description.empty() ? "" : " (" + description + ")");
}

[[noreturn]] void Raise(const std::string& what) {
    throw SocketError(what + ": " + Describe(::WSAGetLastError()));
}

// Not in every SDK's headers: stops the socket from reporting a port
// unreachable (a client that has gone) as a failure of the next receive.
constexpr DWORD kUdpConnectionResetIoctl = _WSAIOW(IOC_VENDOR, 12);

// Windows reports a timed-out wait as a whole; the stop flag is looked at
// between short slices of it, since Ctrl+C does not break a select().
constexpr int kStopSliceMs = 100;

}  // namespace

std::string ToText(const Endpoint& endpoint) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&endpoint.address);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]) + ":" +
           std::to_string(endpoint.port);
}

void InstallStopHandlers() {
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool StopRequested() {
    return g_stop;
}

struct UdpSocket::Native {
    bool started = false;
    SOCKET socket = INVALID_SOCKET;
    ~Native() {
        if (socket != INVALID_SOCKET) ::closesocket(socket);
        if (started) ::WSACleanup();
    }
};

UdpSocket::UdpSocket(const Endpoint& local) : native_(std::make_unique<Native>()) {
    WSADATA data{};
    const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (started != 0) throw SocketError("WSAStartup: " + Describe(started));
    native_->started = true;

    native_->socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (native_->socket == INVALID_SOCKET) Raise("socket");
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(native_->socket, kUdpConnectionResetIoctl, &reportReset, sizeof reportReset, nullptr,
               0, &returned, nullptr, nullptr);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = local.address;
    address.sin_port = htons(local.port);
    if (::bind(native_->socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        Raise("bind " + ToText(local));
}

UdpSocket::~UdpSocket() = default;

std::uint16_t UdpSocket::LocalPort() const {
    sockaddr_in address{};
    int size = sizeof address;
    if (::getsockname(native_->socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        Raise("getsockname");
    return ntohs(address.sin_port);
}

bool UdpSocket::WaitReadable(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    while (!StopRequested()) {
        int slice = kStopSliceMs;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) return false;
            if (left < slice) slice = static_cast<int>(left);
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(native_->socket, &readable);
        timeval limit{slice / 1000, (slice % 1000) * 1000};
        const int ready = ::select(0, &readable, nullptr, nullptr, &limit);
        if (ready == SOCKET_ERROR) Raise("select");
        if (ready > 0) return !StopRequested();
    }
    return false;
}

bool UdpSocket::Receive(std::uint8_t* buffer, std::size_t size, std::size_t& length,
                        Endpoint& from) {
    sockaddr_in sender{};
    int senderSize = sizeof sender;
    const int received =
        ::recvfrom(native_->socket, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0,
                   reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (received == SOCKET_ERROR) {
        const int code = ::WSAGetLastError();
        // A datagram longer than the buffer: its first part is there, and
        // the caller only needs to know it was longer.
        if (code == WSAEMSGSIZE) {
            length = size + 1;
        } else if (code == WSAECONNRESET || code == WSAEWOULDBLOCK) {
            return false;
        } else {
            Raise("recvfrom");
        }
    } else {
        length = static_cast<std::size_t>(received);
    }
    from.address = sender.sin_addr.s_addr;
    from.port = ntohs(sender.sin_port);
    return true;
}

void UdpSocket::Send(const Endpoint& to, const std::uint8_t* data, std::size_t size) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = to.address;
    address.sin_port = htons(to.port);
    if (::sendto(native_->socket, reinterpret_cast<const char*>(data), static_cast<int>(size), 0,
                 reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR)
        Raise("sendto " + ToText(to));
}

}  // namespace device
