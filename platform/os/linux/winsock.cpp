// Sockets start-up: Linux needs none, so "ready" means an IPv4 datagram
// socket can be had right now.
#include <cerrno>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "os.h"

namespace os {

int WSAStartup(WORD versionRequested, WSADATA* data) {
    const int major = versionRequested & 0xFF;
    if (major < 1) return WSAVERNOTSUPPORTED;
    if (data == nullptr) return WSAEINVAL;
    data->wVersion = versionRequested;
    data->wHighVersion = 0x0202;

    const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (probe >= 0) {
        ::close(probe);
        return 0;
    }
    switch (errno) {
        case EAFNOSUPPORT:  // no IPv4 in this kernel: the layer is not there
        case EPROTONOSUPPORT:
            return WSASYSNOTREADY;
        case EMFILE:  // out of descriptors: a limit, not a missing layer
        case ENFILE:
            return WSAEPROCLIM;
        default:  // ENOBUFS, ENOMEM, EACCES: the layer is there but busy
            return WSAENOBUFS;
    }
}

int WSACleanup() {
    return 0;
}

}  // namespace os
