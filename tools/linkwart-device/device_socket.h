// The few socket calls the simulator needs, one file per system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace device {

// An IPv4 address in network byte order and a port in host order.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// "a.b.c.d:port".
std::string ToText(const Endpoint& endpoint);

// A failure of the system, with its text; the simulator reports it and stops.
class SocketError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Makes SIGINT and SIGTERM (Ctrl+C on Windows) ask the loop to stop instead
// of killing the process, so the last lines reach the output.
void InstallStopHandlers();
bool StopRequested();

class UdpSocket {
  public:
    // An IPv4 datagram socket bound to the endpoint; port 0 takes a free one.
    explicit UdpSocket(const Endpoint& local);
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    std::uint16_t LocalPort() const;

    // Waits up to timeoutMs (negative: no limit) for a datagram. False when
    // the time ran out or a stop was asked for.
    bool WaitReadable(int timeoutMs);

    // Reads one datagram into buffer; false when none was there. length is
    // the datagram's length; more than size when it did not fit (the rest is
    // cut off; some systems tell only that it was longer).
    bool Receive(std::uint8_t* buffer, std::size_t size, std::size_t& length, Endpoint& from);

    void Send(const Endpoint& to, const std::uint8_t* data, std::size_t size);

    struct Native;

  private:
    std::unique_ptr<Native> native_;
};

}  // namespace device
