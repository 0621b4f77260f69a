// Internet state: the system has an IPv4 default route.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "os.h"

namespace os {

namespace {
constexpr unsigned kRouteUp = 0x0001;  // RTF_UP
}

BOOL InternetGetConnectedState(DWORD* flags, DWORD /*reserved*/) {
    if (flags != nullptr) *flags = 0;
    // The kernel's table of this network namespace; no route, no connection.
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);  // column headings
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string interface, destination, gateway, routeFlags, refCount, use, metric, mask;
        if (!(fields >> interface >> destination >> gateway >> routeFlags >> refCount >> use >>
              metric >> mask))
            continue;
        const unsigned long flagBits = std::strtoul(routeFlags.c_str(), nullptr, 16);
        if (destination == "00000000" && mask == "00000000" && (flagBits & kRouteUp) != 0) {
            if (flags != nullptr) *flags = 0x02;  // INTERNET_CONNECTION_LAN
            return 1;
        }
    }
    return 0;
}

}  // namespace os
