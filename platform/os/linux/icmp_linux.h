// Linux only: which kind of ICMP socket a handle holds.
#pragma once

#include "os.h"

namespace os {

enum class IcmpSocketKind { None, Datagram, Raw };

// Datagram: an unprivileged ping socket; Raw: the fallback that needs
// CAP_NET_RAW; None: not an open handle.
IcmpSocketKind KindOfIcmpHandle(HANDLE icmpHandle);

}  // namespace os
