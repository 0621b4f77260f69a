// Internet state: WinINet's own verdict.
#include "os.h"

#include <windows.h>
#include <wininet.h>

namespace os {

BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved) {
    ::DWORD real = 0;
    const ::BOOL connected =
        ::InternetGetConnectedState(flags != nullptr ? &real : nullptr, reserved);
    if (flags != nullptr) *flags = real;
    return connected;
}

}  // namespace os
