// A scripted stand-in for every service in os.h, for tests that must make the
// system answer in ways a real machine will not on demand.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "os.h"

namespace os::fake {

struct IcmpScript {
    bool createFails = false;
    DWORD replies = 1;             // what IcmpSendEcho returns
    ULONG status = IP_SUCCESS;     // status of the first reply
    std::function<void()> onSend;  // runs inside IcmpSendEcho (e.g. to look at the window)
};

struct TableScript {
    std::vector<MIB_IPADDRROW> rows;
    DWORD firstResult = ERROR_INSUFFICIENT_BUFFER;  // result of the size query
    bool secondOverride = false;                    // when true, the second query returns
    DWORD secondResult = NO_ERROR;                  // secondResult instead of the table
    DWORD claimedEntries = 0;  // when not 0, the count stored in place of the real one
};

struct State {
    int wsaStartupResult = 0;
    int systemMetricsNetwork = 1;
    BOOL internetConnected = 1;
    IcmpScript icmp;
    TableScript table;
    std::map<DWORD, std::string> messages;  // FormatMessageA texts

    // What was asked of the fake.
    int wsaStartupCalls = 0;
    int wsaCleanupCalls = 0;
    WORD lastWsaVersion = 0;
    int icmpHandlesOpen = 0;
    int icmpCreateCalls = 0;
    std::vector<IPAddr> echoDestinations;
    std::vector<DWORD> echoTimeouts;
    int tableQueries = 0;
    DWORD lastFormatFlags = 0;
    std::vector<std::string> calls;  // service names in call order
};

// The one fake system; Reset() before each test.
State& Current();
void Reset();

// A row as the address table holds it, from host-order parts.
MIB_IPADDRROW Row(DWORD index, const char* address, const char* mask = "255.255.255.0",
                  DWORD broadcast = 1, DWORD reassembly = 65535);

}  // namespace os::fake
