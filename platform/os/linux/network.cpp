// Network presence: some interface other than loopback is up and running.
#include <ifaddrs.h>
#include <net/if.h>

#include <memory>

#include "os.h"

namespace os {

int GetSystemMetrics(int index) {
    if (index != SM_NETWORK) return 0;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return 0;
    const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owner(list, &::freeifaddrs);
    constexpr unsigned kUsable = IFF_UP | IFF_RUNNING;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
        if ((entry->ifa_flags & kUsable) == kUsable) return 1;
    }
    return 0;
}

}  // namespace os
