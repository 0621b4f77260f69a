// QueryController with the real datagram client and a real lamp, against the
// simulator on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "Controller.h"
#include "IdUDPClient.h"
#include "device.h"
#include "harness.h"

namespace controller_test {
namespace {

using std::chrono::milliseconds;

struct Outcome {
    Lamp lamp = Lamp::OtherColour;
    milliseconds took{0};
};

// One exchange as the run makes it: socket opened, query, socket closed.
Outcome Query(const std::string& address, int port) {
    LampForm form;
    TIdUDPClient client;
    client.SetPort(port);
    client.SetActive(true);
    const auto start = std::chrono::steady_clock::now();
    QueryController(client, form.ALed5, address);
    Outcome outcome;
    outcome.took =
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    client.SetActive(false);
    outcome.lamp = StateOf(form.ALed5);
    return outcome;
}

// Bounds for "waited its full second" that a busy machine still meets.
constexpr milliseconds kFullWaitAtLeast{900};
constexpr milliseconds kNothingHangs{3000};

struct ReplyCase {
    const char* name;
    std::vector<std::string> device;
    Lamp lamp;
    bool waitsFullTime;  // no accepted or failing datagram ends the wait early
};

void PrintTo(const ReplyCase& c, std::ostream* out) {
    *out << c.name;
}

class ControllerReply : public ::testing::TestWithParam<ReplyCase> {
  protected:
    void SetUp() override { SKIP_WITHOUT_WINDOWS(); }
};

TEST_P(ControllerReply, GivesTheVerdictOfTheFirstDatagram) {
    const ReplyCase& c = GetParam();
    Device device(c.device);
    const Outcome outcome = Query("127.0.0.1", device.Port());

    EXPECT_EQ(outcome.lamp, c.lamp);
    EXPECT_LT(outcome.took, kNothingHangs);
    if (c.waitsFullTime) {
        EXPECT_GE(outcome.took, kFullWaitAtLeast);
    }
    // The device counts only the one-byte query F5 as a query.
    const auto queries = device.QueryLines();
    ASSERT_EQ(queries.size(), 1u) << device.Output();
    EXPECT_NE(queries[0].find(" from 127.0.0.1:"), std::string::npos) << queries[0];
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ControllerReply,
    ::testing::Values(
        ReplyCase{"MarkerAndFourBytes", {}, Lamp::Green, false},
        ReplyCase{"MarkerAndMore", {"--size", "64"}, Lamp::Green, false},
        ReplyCase{"FillsTheBuffer", {"--size", "2048"}, Lamp::Green, false},
        ReplyCase{"MarkerAndThreeBytes", {"--reply", "21010203"}, Lamp::Off, false},
        ReplyCase{"FiveBytesWithAnotherFirstByte", {"--reply", "3f01020304"}, Lamp::Off, false},
        // A datagram that is "!" only in its second byte.
        ReplyCase{"MarkerNotFirst", {"--reply", "0021212121"}, Lamp::Off, false},
        ReplyCase{"EmptyDatagram", {"--empty"}, Lamp::Off, false},
        ReplyCase{"Silent", {"--silent"}, Lamp::Off, true},
        ReplyCase{"LateBy1500ms", {"--delay", "1500"}, Lamp::Off, true},
        // Longer than the 2048-byte buffer: a failure of the receive.
        ReplyCase{"OneByteOverTheBuffer", {"--size", "2049"}, Lamp::Red, false},
        ReplyCase{"FourThousandBytes", {"--size", "4000"}, Lamp::Red, false},
        ReplyCase{"LargestDatagram", {"--size", "65507"}, Lamp::Red, false},
        // The followers of a flood are all replies, so reading past the
        // first datagram would turn the second case green.
        ReplyCase{"FloodStartingWithAReply", {"--flood", "1000"}, Lamp::Green, false},
        ReplyCase{"FloodStartingWithAnotherDatagram",
                  {"--flood", "1000", "--reply", "3f01020304"},
                  Lamp::Off,
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

class ControllerQuery : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_WINDOWS(); }
};

TEST_F(ControllerQuery, NoListenerOnThePort) {
    const int port = UnusedPort();
    const Outcome outcome = Query("127.0.0.1", port);
    if (harness::RunningUnderWine()) {
        // Windows fails the receive after the port unreachable that answers
        // the query; Wine reports nothing on an unconnected socket, so the
        // wait simply runs out.
        EXPECT_EQ(outcome.lamp, Lamp::Off);
        EXPECT_GE(outcome.took, kFullWaitAtLeast);
    } else {
        EXPECT_EQ(outcome.lamp, Lamp::Red);
    }
    EXPECT_LT(outcome.took, kNothingHangs);
}

struct AddressCase {
    const char* name;
    std::string listen;  // where the device listens
    std::string typed;   // what the user typed
};

void PrintTo(const AddressCase& c, std::ostream* out) {
    *out << c.name;
}

class ControllerAddress : public ::testing::TestWithParam<AddressCase> {
  protected:
    void SetUp() override { SKIP_WITHOUT_WINDOWS(); }
};

// Every group is read as a decimal number, so the query reaches the device
// only if 010 is taken as ten and not as eight.
TEST_P(ControllerAddress, GroupsAreDecimal) {
    Device device({"--address", GetParam().listen});
    EXPECT_EQ(Query(GetParam().typed, device.Port()).lamp, Lamp::Green) << device.Output();
    EXPECT_EQ(device.QueryLines().size(), 1u) << device.Output();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ControllerAddress,
    ::testing::Values(AddressCase{"LeadingZeros", "127.0.0.1", "127.000.000.001"},
                      AddressCase{"NotOctal", "127.0.0.10", "127.0.0.010"},
                      AddressCase{"EveryGroup", "127.1.2.3", "127.001.002.003"}),
    [](const auto& info) { return std::string(info.param.name); });

// The client leaves the broadcast option off, so the system refuses the
// send; the run still waits its second for a reply.
TEST_F(ControllerQuery, BroadcastAddressIsRefusedAndTheReceiveStillWaits) {
    // Should the client ever send it, a broadcast must not reach a real network.
    if (!harness::OnlyTestNetworks())
        GTEST_SKIP() << "this machine has network addresses outside loopback and 198.18.0.0/15, "
                        "where a broadcast could be sent; the test runs in a namespace of its own";
    const Outcome outcome = Query("255.255.255.255", kControllerPort);
    EXPECT_EQ(outcome.lamp, Lamp::Red);
    EXPECT_GE(outcome.took, kFullWaitAtLeast);
    EXPECT_LT(outcome.took, kNothingHangs);
}

}  // namespace
}  // namespace controller_test
