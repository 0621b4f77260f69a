// A datagram client: one unbound IPv4 UDP socket while Active.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// Errors the client raises; what() is the text the user sees.
class EIdException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Socket Error # <code>" CR LF "<description of the code>".
class EIdSocketError : public EIdException {
public:
    EIdSocketError(int code, const std::string& description);
    int LastError() const { return code_; }

private:
    int code_;
};

// The sockets library could not be loaded when the client was created.
class EIdWinsockStubError : public EIdException {
public:
    using EIdException::EIdException;
};

class TIdUDPClient {
public:
    // Starts the sockets layer for the client's whole life (on Windows,
    // Winsock 2.2 from the named library). Raises EIdWinsockStubError when
    // the library cannot be loaded.
    TIdUDPClient();
    explicit TIdUDPClient(const std::string& socketsLibrary);
    ~TIdUDPClient();
    TIdUDPClient(const TIdUDPClient&) = delete;
    TIdUDPClient& operator=(const TIdUDPClient&) = delete;

    bool Active() const;
    // true: opens the socket unless one is open ("Cannot allocate socket.").
    // false: shuts it down and closes it; never raises.
    void SetActive(bool active);

    std::string Host() const { return host_; }
    void SetHost(const std::string& host) { host_ = host; }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }
    bool BroadcastEnabled() const { return broadcastEnabled_; }
    void SetBroadcastEnabled(bool enabled) { broadcastEnabled_ = enabled; }

    // Sends size bytes as one datagram to a dotted-decimal address (every
    // group decimal, no name lookup). Raises on every failure.
    void SendBuffer(const std::string& host, int port, const std::uint8_t* buffer,
                    std::size_t size);
    // Waits once up to timeoutMs for a datagram; 0 when none came or the wait
    // failed. Otherwise reads one datagram and returns its length; raises on
    // every failure of the read, a datagram longer than the buffer included.
    int ReceiveBuffer(std::uint8_t* buffer, std::size_t size, int timeoutMs);

    struct Native;

private:
    std::string host_;
    int port_ = 0;
    bool broadcastEnabled_ = false;
    std::unique_ptr<Native> native_;
};
