// Sockets start-up: Windows Sockets 1.1 from wsock32.dll, as the checks ask.
// os.h comes first: the system header defines the error codes as macros.
#include "os.h"

#include <windows.h>
#include <winsock.h>

namespace os {

int WSAStartup(WORD versionRequested, WSADATA* data) {
    ::WSADATA real{};
    const int result = ::WSAStartup(versionRequested, &real);
    if (data != nullptr) {
        data->wVersion = real.wVersion;
        data->wHighVersion = real.wHighVersion;
    }
    return result;
}

int WSACleanup() {
    return ::WSACleanup();
}

}  // namespace os
