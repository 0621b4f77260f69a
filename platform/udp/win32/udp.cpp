// The datagram client over Windows Sockets 2. The sockets library is loaded
// when the client is created and started for the client's whole life, so a
// system without it is reported once, at start-up.
#include "IdUDPClient.h"
#include "dotted_decimal.h"
#include "wide_text.h"

// After our own headers: the system's defines the error codes as macros.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>

namespace {

constexpr std::string_view kDefaultLibrary = "WS2_32.DLL";

// The system's description of an error code, without its line end and
// final full stop; empty when the system has none.
std::string SystemText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, decltype(&::LocalFree)> owner(buffer, &::LocalFree);
    std::wstring_view text(buffer != nullptr ? buffer : L"", length);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.remove_suffix(1);
    return win32::Utf8(text);
}

// Our own wording for the codes a datagram client meets; the system's for
// any other.
std::string Describe(int code) {
    switch (code) {
        case WSAEINTR:
            return "Interrupted system call";
        case WSAEACCES:
            return "Permission denied";
        case WSAEFAULT:
            return "Bad address";
        case WSAEINVAL:
            return "Invalid argument";
        case WSAEMFILE:
            return "Too many open files";
        case WSAEWOULDBLOCK:
            return "Operation would block";
        case WSAENOTSOCK:
            return "Socket operation on non-socket";
        case WSAEDESTADDRREQ:
            return "Destination address required";
        case WSAEMSGSIZE:
            return "Message too long";
        case WSAEPROTONOSUPPORT:
            return "Protocol not supported";
        case WSAEAFNOSUPPORT:
            return "Address family not supported by protocol family";
        case WSAEADDRNOTAVAIL:
            return "Cannot assign requested address";
        case WSAENETDOWN:
            return "Network is down";
        case WSAENETUNREACH:
            return "Network is unreachable";
        case WSAENETRESET:
            return "Net dropped connection or reset";
        case WSAECONNRESET:
            return "Connection reset by peer";
        case WSAENOBUFS:
            return "No buffer space available";
        case WSAENOTCONN:
            return "Socket is not connected";
        case WSAESHUTDOWN:
            return "Cannot send after socket shutdown";
        case WSAETIMEDOUT:
            return "Connection timed out";
        case WSAECONNREFUSED:
            return "Connection refused";
        case WSAEHOSTUNREACH:
            return "No route to host";
        case WSASYSNOTREADY:
            return "Network subsystem is unavailable";
        case WSANOTINITIALISED:
            return "Sockets layer not started";
        default:
            break;
    }
    std::string text = SystemText(static_cast<DWORD>(code));
    return text.empty() ? "Unknown error" : text;
}

[[noreturn]] void RaiseSocketError(int code) {
    throw EIdSocketError(code, Describe(code));
}

struct LibraryDeleter {
    void operator()(HMODULE library) const { ::FreeLibrary(library); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// The functions the client takes from the library.
struct Winsock {
    decltype(&::WSAStartup) WSAStartup = nullptr;
    decltype(&::WSACleanup) WSACleanup = nullptr;
    decltype(&::WSAGetLastError) WSAGetLastError = nullptr;
    decltype(&::socket) socket = nullptr;
    decltype(&::setsockopt) setsockopt = nullptr;
    decltype(&::sendto) sendto = nullptr;
    decltype(&::recvfrom) recvfrom = nullptr;
    decltype(&::select) select = nullptr;
    decltype(&::shutdown) shutdown = nullptr;
    decltype(&::closesocket) closesocket = nullptr;
};

template <class F>
bool Resolve(HMODULE library, const char* name, F& function) {
    // Through void(*)(): the one cast between function types GCC accepts silently.
    function = reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
    return function != nullptr;
}

// htons without calling into the library: Windows runs little-endian.
std::uint16_t NetworkOrder(std::uint16_t value) {
    return static_cast<std::uint16_t>(((value & 0xFF) << 8) | (value >> 8));
}

}  // namespace

struct TIdUDPClient::Native {
    Library library;
    Winsock api;
    bool started = false;
    SOCKET socket = INVALID_SOCKET;

    Native() = default;
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;
    ~Native() {
        if (socket != INVALID_SOCKET) api.closesocket(socket);
        if (started) api.WSACleanup();
        // library is released last, after every call into it.
    }
};

TIdUDPClient::TIdUDPClient() : TIdUDPClient(std::string()) {}

TIdUDPClient::TIdUDPClient(const std::string& socketsLibrary)
    : native_(std::make_unique<Native>()) {
    const std::string name = socketsLibrary.empty() ? std::string(kDefaultLibrary) : socketsLibrary;
    // WS2_32.DLL is a known DLL: it always comes from the system folder.
    native_->library.reset(::LoadLibraryW(win32::Wide(name).c_str()));
    HMODULE library = native_->library.get();
    Winsock& api = native_->api;
    const bool loaded =
        library != nullptr && Resolve(library, "WSAStartup", api.WSAStartup) &&
        Resolve(library, "WSACleanup", api.WSACleanup) &&
        Resolve(library, "WSAGetLastError", api.WSAGetLastError) &&
        Resolve(library, "socket", api.socket) && Resolve(library, "setsockopt", api.setsockopt) &&
        Resolve(library, "sendto", api.sendto) && Resolve(library, "recvfrom", api.recvfrom) &&
        Resolve(library, "select", api.select) && Resolve(library, "shutdown", api.shutdown) &&
        Resolve(library, "closesocket", api.closesocket);
    if (!loaded) {
        const DWORD error = ::GetLastError();
        throw EIdWinsockStubError("Error on loading Winsock2 library (" + name +
                                  "): " + SystemText(error));
    }
    // A failed start-up is not reported here: the first socket then fails
    // and says so.
    WSADATA data{};
    native_->started = api.WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TIdUDPClient::~TIdUDPClient() {
    SetActive(false);
}

bool TIdUDPClient::Active() const {
    return native_->socket != INVALID_SOCKET;
}

void TIdUDPClient::SetActive(bool active) {
    if (active == Active()) return;
    Native& n = *native_;
    if (!active) {
        // Closing never raises: there is nothing a caller could do about it.
        n.api.shutdown(n.socket, SD_SEND);
        n.api.closesocket(n.socket);
        n.socket = INVALID_SOCKET;
        return;
    }
    const SOCKET socket = n.api.socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET) throw EIdException("Cannot allocate socket.");
    n.socket = socket;
    // The socket stays open and the client active when this fails.
    const BOOL broadcast = broadcastEnabled_ ? TRUE : FALSE;
    if (n.api.setsockopt(socket, SOL_SOCKET, SO_BROADCAST,
                         reinterpret_cast<const char*>(&broadcast),
                         sizeof broadcast) == SOCKET_ERROR)
        RaiseSocketError(n.api.WSAGetLastError());
}

void TIdUDPClient::SendBuffer(const std::string& host, int port, const std::uint8_t* buffer,
                              std::size_t size) {
    Native& n = *native_;
    if (!Active()) RaiseSocketError(WSAENOTCONN);
    const auto address = os::ParseDottedDecimal(host);
    // Only dotted-decimal addresses: no name is ever looked up.
    if (!address || port < 0 || port > 0xFFFF) RaiseSocketError(WSAEDESTADDRREQ);
    if (size > static_cast<std::size_t>(INT_MAX)) throw EIdException("Package Size Too Big.");
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = NetworkOrder(static_cast<std::uint16_t>(port));
    std::memcpy(&to.sin_addr, &*address, sizeof *address);
    const int sent =
        n.api.sendto(n.socket, reinterpret_cast<const char*>(buffer), static_cast<int>(size), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent == SOCKET_ERROR) {
        const int code = n.api.WSAGetLastError();
        if (code == WSAEMSGSIZE) throw EIdException("Package Size Too Big.");
        RaiseSocketError(code);  // WSAEACCES for broadcast without SO_BROADCAST, ...
    }
    if (static_cast<std::size_t>(sent) != size) throw EIdException("Not all bytes sent.");
}

int TIdUDPClient::ReceiveBuffer(std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    Native& n = *native_;
    if (!Active()) RaiseSocketError(WSAENOTCONN);
    fd_set readable{};
    readable.fd_count = 1;
    readable.fd_array[0] = n.socket;
    const int wait = timeoutMs < 0 ? 0 : timeoutMs;
    timeval timeout{wait / 1000, (wait % 1000) * 1000};
    // One wait; a failed wait counts as no datagram.
    if (n.api.select(0, &readable, nullptr, nullptr, &timeout) <= 0) return 0;

    sockaddr_in from{};  // read and dropped
    int fromSize = sizeof from;
    const int capacity = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
    const int length = n.api.recvfrom(n.socket, reinterpret_cast<char*>(buffer), capacity, 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromSize);
    // Every failure raises: WSAEMSGSIZE for a datagram longer than the
    // buffer, WSAECONNRESET after a port unreachable, ...
    if (length == SOCKET_ERROR) RaiseSocketError(n.api.WSAGetLastError());
    return length;
}
