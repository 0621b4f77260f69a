#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "NetChecks.h"
#include "dotted_decimal.h"
#include "fake_os.h"

namespace {

os::IPAddr Address(const char* text) {
    return os::ParseDottedDecimal(text).value();
}

class Checks : public ::testing::Test {
  protected:
    void SetUp() override { os::fake::Reset(); }
    os::fake::State& system = os::fake::Current();
};

struct AddressCase {
    std::string text;
    bool valid;
};

void PrintTo(const AddressCase& c, std::ostream* out) {
    *out << '"' << c.text.substr(0, 24) << (c.text.size() > 24 ? "...\"" : "\"");
}

class IsValidIPTable : public ::testing::TestWithParam<AddressCase> {};

TEST_P(IsValidIPTable, AcceptsExactlyDottedDecimalAddresses) {
    EXPECT_EQ(IsValidIP(GetParam().text), GetParam().valid) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IsValidIPTable,
    ::testing::Values(AddressCase{"", false}, AddressCase{"192.168.0.1", true},
                      AddressCase{"0.0.0.0", true}, AddressCase{"255.255.255.255", true},
                      AddressCase{"010.001.000.099", true}, AddressCase{"192.168.0", false},
                      AddressCase{"192.168.0.1.5", false}, AddressCase{"192.168.0.", false},
                      AddressCase{".168.0.1", false}, AddressCase{"192..0.1", false},
                      AddressCase{"256.1.1.1", false}, AddressCase{"1.2.3.256", false},
                      AddressCase{"1.2.3.0004", false}, AddressCase{" 192.168.0.1", false},
                      AddressCase{"192.168.0.1 ", false}, AddressCase{"192.168.0.-1", false},
                      // Beyond the obvious: other characters anywhere, odd lengths.
                      AddressCase{"192.168.0.1\n", false},
                      AddressCase{std::string("1.2.3.4\0", 8), false},
                      AddressCase{"1.2.3.4\xC3\xA4", false}, AddressCase{"+1.2.3.4", false},
                      AddressCase{"1.2.3.4.", false}, AddressCase{"999.1.1.1", false},
                      AddressCase{"000.000.000.000", true}, AddressCase{"...", false},
                      AddressCase{std::string(10000, '1'), false},
                      AddressCase{"1.1.1.1" + std::string(9993, '1'), false}));

TEST(ParseDottedDecimal, ReadsEveryGroupDecimal) {
    // 010.001.000.001 is 10.1.0.1 and 192.168.001.009 is 192.168.1.9.
    const unsigned char tenOneZeroOne[] = {10, 1, 0, 1};
    const unsigned char withLeadingZeros[] = {192, 168, 1, 9};
    os::IPAddr expected = 0;
    std::memcpy(&expected, tenOneZeroOne, 4);
    EXPECT_EQ(os::ParseDottedDecimal("010.001.000.001"), expected);
    std::memcpy(&expected, withLeadingZeros, 4);
    EXPECT_EQ(os::ParseDottedDecimal("192.168.001.009"), expected);
}

TEST_F(Checks, PingHostAimsAtTheTypedHostWithLeadingZerosDecimal) {
    for (const char* text : {"010.001.000.001", "192.168.001.009"}) {
        os::fake::Reset();
        EXPECT_TRUE(PingHost(text, 1000)) << text;
        ASSERT_EQ(system.echoDestinations.size(), 1u) << text;
    }
    os::fake::Reset();
    PingHost("010.001.000.001", 1000);
    EXPECT_EQ(system.echoDestinations.at(0), Address("10.1.0.1"));
    os::fake::Reset();
    PingHost("192.168.001.009", 1000);
    EXPECT_EQ(system.echoDestinations.at(0), Address("192.168.1.9"));
}

TEST_F(Checks, PingHostSendsNothingForTextThatIsNoAddress) {
    for (const char* text : {"", "192.168.0.256", "255.255.255.255x", "a.b.c.d", "1.2.3"}) {
        os::fake::Reset();
        EXPECT_FALSE(PingHost(text, 1000)) << text;
        EXPECT_EQ(system.icmpCreateCalls, 0) << text;
        EXPECT_TRUE(system.echoDestinations.empty()) << text;
    }
}

struct EchoCase {
    const char* what;
    bool createFails;
    os::DWORD replies;
    os::ULONG status;
    bool verdict;
};

void PrintTo(const EchoCase& c, std::ostream* out) {
    *out << c.what;
}

class PingHostOutcome : public ::testing::TestWithParam<EchoCase> {
  protected:
    void SetUp() override { os::fake::Reset(); }
};

TEST_P(PingHostOutcome, IsTrueOnlyForTheDevicesOwnEchoReply) {
    const EchoCase& c = GetParam();
    auto& system = os::fake::Current();
    system.icmp.createFails = c.createFails;
    system.icmp.replies = c.replies;
    system.icmp.status = c.status;
    EXPECT_EQ(PingHost("192.168.0.50", 1000), c.verdict) << c.what;
    EXPECT_EQ(system.icmpHandlesOpen, 0) << c.what << ": the handle must be closed";
    if (!c.createFails) {
        ASSERT_EQ(system.echoTimeouts.size(), 1u);
        EXPECT_EQ(system.echoTimeouts[0], 1000u);
        EXPECT_EQ(system.echoDestinations[0], Address("192.168.0.50"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PingHostOutcome,
    ::testing::Values(
        EchoCase{"echo reply", false, 1, os::IP_SUCCESS, true},
        EchoCase{"router reports host unreachable", false, 1, os::IP_DEST_HOST_UNREACHABLE, false},
        EchoCase{"time to live exceeded", false, 1, os::IP_TTL_EXPIRED_TRANSIT, false},
        EchoCase{"no reply within the wait", false, 0, os::IP_SUCCESS, false},
        EchoCase{"no ICMP handle", true, 1, os::IP_SUCCESS, false}));

TEST_F(Checks, IsWinsockReadyIsFalseOnlyForTheThreeCodesAndAsksForVersionOneOne) {
    const struct {
        int result;
        bool ready;
    } cases[] = {{0, true},
                 {os::WSAEINVAL, false},
                 {os::WSASYSNOTREADY, false},
                 {os::WSAVERNOTSUPPORTED, false},
                 {os::WSAEPROCLIM, true},
                 {os::WSAENOBUFS, true}};
    for (const auto& c : cases) {
        os::fake::Reset();
        system.wsaStartupResult = c.result;
        EXPECT_EQ(IsWinsockReady(), c.ready) << c.result;
        EXPECT_EQ(system.lastWsaVersion, 0x0101);
        // A start-up that failed took no count, so it must not be undone.
        EXPECT_EQ(system.wsaCleanupCalls, c.result == 0 ? 1 : 0) << c.result;
    }
}

TEST_F(Checks, NetworkAndInternetFollowTheSystem) {
    for (const auto& [metric, present] : {std::pair{0, false}, {1, true}, {2, false}, {3, true}}) {
        system.systemMetricsNetwork = metric;
        EXPECT_EQ(IsNetworkPresent(), present) << metric;
    }
    for (const auto& [state, connected] : {std::pair{0, false}, {1, true}, {-1, true}}) {
        system.internetConnected = state;
        EXPECT_EQ(IsInternetConnected(), connected) << state;
    }
}

}  // namespace
