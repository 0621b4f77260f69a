// The checks and the interface display on the real Linux services, on
// loopback and inside network namespaces each test makes for itself.
#include <gtest/gtest.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "IPHelper.h"
#include "NetChecks.h"
#include "Unit1.h"
#include "icmp_linux.h"
#include "netns.h"
#include "os.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class RealSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string why = WhyNoNamespaces(); !why.empty()) GTEST_SKIP() << why;
    }
};

// One namespace with loopback up and a veth pair whose both ends are inside.
std::unique_ptr<NetworkNamespace> NamespaceWithVeth() {
    auto space = std::make_unique<NetworkNamespace>();
    space->Ip("link set lo up");
    space->Ip("link add lwa type veth peer name lwb");
    space->Ip("link set lwa up");
    space->Ip("link set lwb up");
    return space;
}

TEST_F(RealSystem, EchoToLoopbackIsAnsweredOverBothKindsOfIcmpSocket) {
    // ping_group_range decides, per namespace, whether root gets a ping
    // socket or falls back to a raw one.
    const struct {
        const char* range;
        os::IcmpSocketKind kind;
    } cases[] = {{"1 0", os::IcmpSocketKind::Raw}, {"0 2147483647", os::IcmpSocketKind::Datagram}};
    for (const auto& c : cases) {
        NetworkNamespace space;
        space.Ip("link set lo up");
        space.Sysctl(std::string("net.ipv4.ping_group_range=\"") + c.range + "\"");
        const NetworkNamespace::Inside inside(space);
        const os::HANDLE handle = os::IcmpCreateFile();
        ASSERT_NE(handle, os::InvalidHandleValue());
        EXPECT_EQ(os::KindOfIcmpHandle(handle), c.kind) << c.range;
        os::IcmpCloseHandle(handle);
        for (const char* address : {"127.0.0.1", "127.0.0.2", "127.000.000.001"})
            EXPECT_TRUE(PingHost(address, 1000)) << address << " with range " << c.range;
    }
}

TEST_F(RealSystem, EchoToLoopbackOfThisMachine) {
    EXPECT_TRUE(PingHost("127.0.0.1", 1000));
}

TEST_F(RealSystem, AddressWithNothingBehindItIsFalseAfterTheWait) {
    const auto space = NamespaceWithVeth();
    space->Ip("addr add 198.18.0.1/24 dev lwa");
    for (const char* range : {"1 0", "0 2147483647"}) {
        space->Sysctl(std::string("net.ipv4.ping_group_range=\"") + range + "\"");
        const NetworkNamespace::Inside inside(*space);
        const auto start = Clock::now();
        EXPECT_FALSE(PingHost("198.18.0.99", 1000)) << range;
        const long long waited = MillisecondsSince(start);
        EXPECT_GE(waited, 950) << range;
        EXPECT_LT(waited, 1500) << range;
    }
}

// A router that knows the target is unreachable answers at once with
// "destination host unreachable": a reply, but not the device's.
TEST_F(RealSystem, RoutersHostUnreachableIsNoAnswer) {
    NetworkNamespace client;
    NetworkNamespace router;
    client.Ip("link set lo up");
    router.Ip("link set lo up");
    client.Ip("link add lwc type veth peer name lwr netns " + router.Name());
    client.Ip("addr add 198.18.0.1/24 dev lwc");
    router.Ip("addr add 198.18.0.2/24 dev lwr");
    client.Ip("link set lwc up");
    router.Ip("link set lwr up");
    client.Ip("route add default via 198.18.0.2");
    router.Ip("route add unreachable 198.19.0.0/24");
    router.Sysctl("net.ipv4.ip_forward=1");
    router.Sysctl("net.ipv4.icmp_ratelimit=0");

    for (const char* range : {"1 0", "0 2147483647"}) {
        client.Sysctl(std::string("net.ipv4.ping_group_range=\"") + range + "\"");
        const NetworkNamespace::Inside inside(client);
        // The router itself answers: the path works.
        EXPECT_TRUE(PingHost("198.18.0.2", 1000)) << range;

        const os::HANDLE handle = os::IcmpCreateFile();
        ASSERT_NE(handle, os::InvalidHandleValue());
        unsigned char reply[128] = {};
        const auto start = Clock::now();
        const os::DWORD replies = os::IcmpSendEcho(handle, 0x050013C6 /* 198.19.0.5 */, nullptr, 0,
                                                   nullptr, reply, sizeof reply, 1000);
        const long long waited = MillisecondsSince(start);
        os::IcmpCloseHandle(handle);
        ASSERT_EQ(replies, 1u) << range;
        os::ICMP_ECHO_REPLY first;
        std::memcpy(&first, reply, sizeof first);
        EXPECT_EQ(first.Status, os::IP_DEST_HOST_UNREACHABLE) << range;
        EXPECT_EQ(first.Address, 0x020012C6u /* 198.18.0.2 */) << range;
        EXPECT_LT(waited, 500) << range;
        EXPECT_FALSE(PingHost("198.19.0.5", 1000)) << range;
    }
}

TEST_F(RealSystem, NetworkAndInternetFollowInterfacesAndDefaultRoute) {
    NetworkNamespace space;
    {
        // Only a loopback, and that one down.
        const NetworkNamespace::Inside inside(space);
        EXPECT_FALSE(IsNetworkPresent());
        EXPECT_FALSE(IsInternetConnected());
        EXPECT_TRUE(IsWinsockReady());
    }
    space.Ip("link set lo up");
    {
        const NetworkNamespace::Inside inside(space);
        EXPECT_FALSE(IsNetworkPresent()) << "loopback is no network";
    }
    space.Ip("link add lwa type veth peer name lwb");
    space.Ip("addr add 198.18.0.1/24 dev lwa");
    space.Ip("link set lwa up");
    space.Ip("link set lwb up");
    space.WaitUntilRunning("lwa");
    {
        const NetworkNamespace::Inside inside(space);
        EXPECT_TRUE(IsNetworkPresent());
        EXPECT_FALSE(IsInternetConnected()) << "no default route yet";
    }
    space.Ip("route add default via 198.18.0.254");
    {
        const NetworkNamespace::Inside inside(space);
        EXPECT_TRUE(IsInternetConnected());
    }
}

// ---- The interface display on the real address table -----------------------

class RealInterfaces : public RealSystem {
  protected:
    void SetUp() override {
        RealSystem::SetUp();
        if (IsSkipped()) return;
        space = NamespaceWithVeth();
    }
    // A window made and scanned inside the namespace.
    std::unique_ptr<TForm1> ScanInside() {
        const NetworkNamespace::Inside inside(*space);
        auto form = std::make_unique<TForm1>();
        form->Timer1Timer();
        return form;
    }
    std::unique_ptr<NetworkNamespace> space;
};

TEST_F(RealInterfaces, DisplayFollowsTheNamespacesAddresses) {
    const struct {
        int extraAddresses;
        const char* caption;
        bool warning;
        const char* addresses;
    } cases[] = {
        {0, "Schnittstelle", false, "127.0.0.1"},
        {1, "Schnittstelle", false, "127.0.0.1+198.18.0.1"},
        {2, "Mehrfachschnittstellen", true, "127.0.0.1+198.18.0.1+198.18.0.2"},
    };
    int added = 0;
    for (const auto& c : cases) {
        while (added < c.extraAddresses) {
            ++added;
            space->Ip("addr add 198.18.0." + std::to_string(added) + "/24 dev " +
                      (added == 1 ? "lwa" : "lwb"));
        }
        const auto form = ScanInside();
        EXPECT_EQ(form->Label10.Caption(), c.caption);
        EXPECT_EQ(form->Label11.Visible(), c.warning);
        EXPECT_EQ(form->Label12.Caption(), c.addresses);
        EXPECT_TRUE(form->ALed6.Value());
        EXPECT_EQ(form->ALed6.Blink(), c.warning);
        EXPECT_EQ(form->ALed6.Blinking(), c.warning);
        EXPECT_EQ(form->ALed6.TrueColor(), c.warning ? clRed : clLime);
        EXPECT_EQ(form->ALed6.Interval(), 400u);
    }
}

TEST_F(RealInterfaces, TableLinesCarryTheSystemsIndexAndMask) {
    space->Ip("addr add 198.18.0.1/24 dev lwa");
    const NetworkNamespace::Inside inside(*space);
    TStringList lines;
    ListIpAddrTable(&lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0], "00000001|127.0.0.1|255.0.0.0|1.0.0.0|00065535");
    // Inside a fresh namespace loopback is 1 and the pair takes the next two.
    EXPECT_TRUE(lines[1] == "00000002|198.18.0.1|255.255.255.0|1.0.0.0|00065535" ||
                lines[1] == "00000003|198.18.0.1|255.255.255.0|1.0.0.0|00065535")
        << lines[1];
}

TEST_F(RealInterfaces, ThousandAddressesGiveThousandLinesInAddressOrder) {
    // Added out of order, in one batch.
    const std::string batch = "/tmp/" + space->Name() + ".batch";
    {
        std::ofstream commands(batch);
        for (int i = 999; i >= 1; --i)
            commands << "addr add 198.18." << i / 250 << '.' << 1 + i % 250 << "/16 dev lwa\n";
    }
    ASSERT_EQ(::Run("ip -n " + space->Name() + " -batch " + batch), 0);
    std::remove(batch.c_str());

    const NetworkNamespace::Inside inside(*space);
    TStringList lines;
    ListIpAddrTable(&lines);
    ASSERT_EQ(lines.Count(), 1000);  // 999 and loopback
    unsigned previous = 0;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string address = lines[i].substr(9, lines[i].find('|', 9) - 9);
        unsigned a, b, c, d;
        ASSERT_EQ(std::sscanf(address.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d), 4) << lines[i];
        const unsigned value = (a << 24) | (b << 16) | (c << 8) | d;
        EXPECT_GT(value, previous) << "line " << i << ": " << lines[i];
        previous = value;
    }
    auto form = std::make_unique<TForm1>();
    form->Timer1Timer();
    EXPECT_EQ(form->Label10.Caption(), "Mehrfachschnittstellen");
    const std::string addresses = form->Label12.Caption();
    EXPECT_EQ(std::count(addresses.begin(), addresses.end(), '+'), 999);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Headless, also when CTest lists the tests.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);  // the window classes need one
    return RUN_ALL_TESTS();
}
