// The simulator itself: what it refuses, and what it answers to which datagram.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "IdUDPClient.h"
#include "device.h"

namespace controller_test {
namespace {

struct RefusalCase {
    const char* name;
    std::vector<std::string> options;
    std::string says;
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class DeviceRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(DeviceRefuses, WithAClearMessage) {
    const ToolRun run = RunDevice(GetParam().options);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find(GetParam().says), std::string::npos) << run.output;
}

const char kOnlyLoopback[] = "only loopback addresses (127.0.0.0/8)";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, DeviceRefuses,
    ::testing::Values(
        // It must never listen where a network could reach it.
        RefusalCase{"PrivateAddress", {"--address", "192.168.0.50"}, kOnlyLoopback},
        RefusalCase{"AnyAddress", {"--address", "0.0.0.0"}, kOnlyLoopback},
        RefusalCase{"JustPastLoopback", {"--address", "128.0.0.1"}, kOnlyLoopback},
        RefusalCase{"Broadcast", {"--address", "255.255.255.255"}, kOnlyLoopback},
        RefusalCase{"HostName", {"--address", "localhost"}, "not a dotted-decimal IPv4 address"},
        RefusalCase{"PortTooHigh", {"--port", "65536"}, "--port 65536"},
        RefusalCase{"SizeTooLarge", {"--size", "65508"}, "from 1 to 65507"},
        RefusalCase{"SizeZero", {"--size", "0"}, "from 1 to 65507"},
        RefusalCase{"OddHexDigits", {"--reply", "215"}, "hex digits"},
        RefusalCase{"NoFlood", {"--flood", "0"}, "--flood 0"},
        RefusalCase{"TwoAnswers", {"--silent", "--empty"}, "exclude each other"},
        RefusalCase{"MissingValue", {"--delay"}, "--delay needs a value"},
        RefusalCase{"UnknownOption", {"--bogus"}, "unknown option --bogus"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceTool, HelpListsTheOptions) {
    const ToolRun run = RunDevice({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option : {"--address", "--port", "--silent", "--reply", "--delay", "--empty",
                               "--size", "--flood", "--ready-file", "--count"})
        EXPECT_NE(run.output.find(option), std::string::npos) << option;
}

TEST(DeviceTool, PortInUseIsAnError) {
    Device first;
    const ToolRun run = RunDevice({"--port", std::to_string(first.Port())});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("bind 127.0.0.1:" + std::to_string(first.Port())), std::string::npos)
        << run.output;
}

TEST(DeviceTool, StopsByItselfAfterCountQueries) {
    Device device({"--count", "2"});
    TIdUDPClient client;
    client.SetActive(true);
    const std::uint8_t query = 0xF5;
    std::array<std::uint8_t, 64> reply{};
    for (int i = 0; i < 2; ++i) {
        client.SendBuffer("127.0.0.1", device.Port(), &query, 1);
        EXPECT_EQ(client.ReceiveBuffer(reply.data(), reply.size(), 5000), 5);
    }
    EXPECT_EQ(device.WaitForExit(10000), 0) << device.Output();
}

class DeviceAnswers : public ::testing::Test {
  protected:
    void Send(std::vector<std::uint8_t> bytes) {
        client.SendBuffer("127.0.0.1", port, bytes.data(), bytes.size());
    }
    std::vector<std::uint8_t> Receive() {
        std::array<std::uint8_t, 2048> buffer{};
        const int length = client.ReceiveBuffer(buffer.data(), buffer.size(), 5000);
        return {buffer.begin(), buffer.begin() + length};
    }
    void Open(const Device& device) {
        port = device.Port();
        client.SetActive(true);
    }

    TIdUDPClient client;
    int port = 0;
};

using Bytes = std::vector<std::uint8_t>;

// Only the one-byte query is answered: the first datagram back is the
// answer to the query sent last, numbered 1.
TEST_F(DeviceAnswers, OnlyTheQueryByteAlone) {
    Device device;
    Open(device);
    Send({0xF5, 0x00});
    Send({0x00});
    Send({0xF5});
    EXPECT_EQ(Receive(), (Bytes{'!', 0, 0, 0, 1}));
    EXPECT_EQ(device.QueryLines().size(), 1u) << device.Output();
    EXPECT_TRUE(device.WaitForOutput("datagram of 2 bytes", 0)) << device.Output();
    EXPECT_TRUE(device.WaitForOutput("datagram of 1 bytes", 0)) << device.Output();
}

TEST_F(DeviceAnswers, FloodFollowsTheAnswerWithNumberedReplies) {
    Device device({"--flood", "3", "--reply", "3f"});
    Open(device);
    Send({0xF5});
    EXPECT_EQ(Receive(), (Bytes{'?'}));
    EXPECT_EQ(Receive(), (Bytes{'!', 0, 0, 0, 1}));
    EXPECT_EQ(Receive(), (Bytes{'!', 0, 0, 0, 2}));
}

}  // namespace
}  // namespace controller_test
