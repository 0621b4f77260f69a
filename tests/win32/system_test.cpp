// The window on the real Windows services (under Wine, Wine's), run
// against loopback only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "Unit1.h"

#include "harness.h"

namespace {

using namespace std::chrono_literals;

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Whether the echo to 127.0.0.1 can be answered. Windows always answers it.
// Wine sends the echo from a raw ICMP socket of Linux or, failing that, an
// ICMP datagram ("ping") socket; Linux gives the first only with CAP_NET_RAW
// (root), the second only to a group in net.ipv4.ping_group_range. With
// neither, Wine's IcmpSendEcho fails and the lamp turns red. Wine's Winsock
// opens the same Linux sockets, so it tells which case this is. Needs the
// sockets layer started.
bool EchoPossible() {
    if (!UnderWine()) return true;
    for (const int type : {SOCK_RAW, SOCK_DGRAM}) {
        const SOCKET probe = ::socket(AF_INET, type, IPPROTO_ICMP);
        if (probe != INVALID_SOCKET) {
            ::closesocket(probe);
            return true;
        }
    }
    return false;
}

std::vector<std::string> Fields(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, separator);) fields.push_back(field);
    return fields;
}

TEST(RealSystem, ARunAgainstLoopbackLightsTheLampsAsTheSystemAnswers) {
    if (!harness::HasDisplay()) GTEST_SKIP() << "the window needs a display (DISPLAY unset)";
    harness::SilentPeer device;  // in place of port 11080, where anything may listen
    TForm1 form;
    form.Show();
    form.IdUDPClient80.SetPort(device.Port());
    form.Edit1.SetText("127.0.0.1");
    form.Button1.Click();

    // Winsock 1.1 starts.
    EXPECT_TRUE(form.ALed1.Value());
    EXPECT_EQ(form.ALed1.TrueColor(), clLime);
    // Wine reports a network whatever the machine has (SM_NETWORK is 3).
    EXPECT_TRUE(form.ALed2.Value());
    EXPECT_EQ(form.ALed2.TrueColor(), clLime);
    // The Internet state is the machine's; the lamp is never red.
    EXPECT_EQ(form.ALed3.TrueColor(), clLime);
    // The echo: see EchoPossible for what Wine needs from Linux.
    EXPECT_TRUE(form.ALed4.Value());
    EXPECT_EQ(form.ALed4.TrueColor(), EchoPossible() ? clLime : clRed);
    // The query went out, and silence leaves the controller lamp off.
    EXPECT_FALSE(form.ALed5.Value());
    std::uint8_t query[16] = {};
    fd_set readable{};
    readable.fd_count = 1;
    readable.fd_array[0] = device.Socket();
    timeval now{0, 0};
    ASSERT_EQ(::select(0, &readable, nullptr, nullptr, &now), 1) << "no query arrived";
    EXPECT_EQ(::recv(device.Socket(), reinterpret_cast<char*>(query), sizeof query, 0), 1);
    EXPECT_EQ(query[0], 0xF5);

    // The real address table: the loopback address is one of its lines.
    EXPECT_TRUE(form.Label12.Visible());
    const std::vector<std::string> addresses = Fields(form.Label12.Caption(), '+');
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), "127.0.0.1"), addresses.end())
        << form.Label12.Caption();
    EXPECT_EQ(form.Label10.Caption(),
              addresses.size() > 2 ? "Mehrfachschnittstellen" : "Schnittstelle");
}

}  // namespace
