// The datagram client over the real Winsock 2, against a peer on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "IdUDPClient.h"

#include "harness.h"

namespace {

using namespace std::chrono_literals;

class Datagrams : public ::testing::Test {
  protected:
    void SetUp() override { client.SetActive(true); }

    // Waits for the client's query and answers it with the given bytes.
    void Answer(const std::vector<char>& reply) {
        fd_set readable{};
        readable.fd_count = 1;
        readable.fd_array[0] = peer.Socket();
        timeval wait{2, 0};
        ASSERT_EQ(::select(0, &readable, nullptr, nullptr, &wait), 1) << "no query arrived";
        char query[16];
        sockaddr_in from{};
        int fromSize = sizeof from;
        ASSERT_EQ(::recvfrom(peer.Socket(), query, sizeof query, 0,
                             reinterpret_cast<sockaddr*>(&from), &fromSize),
                  1);
        ASSERT_EQ(::sendto(peer.Socket(), reply.data(), static_cast<int>(reply.size()), 0,
                           reinterpret_cast<const sockaddr*>(&from), fromSize),
                  static_cast<int>(reply.size()));
    }

    void Query(const std::string& host = "127.0.0.1") {
        const std::uint8_t query = 0xF5;
        client.SendBuffer(host, peer.Port(), &query, 1);
    }

    harness::SilentPeer peer;
    TIdUDPClient client;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(2048);
};

TEST_F(Datagrams, AReplyUpToTheBufferIsReadWholeAndALongerOneIsAnError) {
    struct Case {
        int size;
        bool fits;
    };
    for (const Case c :
         {Case{0, true}, Case{5, true}, Case{2048, true}, Case{2049, false}, Case{4000, false}}) {
        SCOPED_TRACE(c.size);
        Query();
        std::vector<char> reply(static_cast<std::size_t>(c.size), 'x');
        if (!reply.empty()) reply.front() = '!';
        Answer(reply);
        if (c.fits) {
            EXPECT_EQ(client.ReceiveBuffer(buffer.data(), buffer.size(), 1000), c.size);
            if (c.size > 0) {
                EXPECT_EQ(buffer[0], '!');
            }
            continue;
        }
        try {
            client.ReceiveBuffer(buffer.data(), buffer.size(), 1000);
            ADD_FAILURE() << "no error";
        } catch (const EIdSocketError& error) {
            EXPECT_EQ(error.LastError(), WSAEMSGSIZE);
            EXPECT_EQ(std::string(error.what()), "Socket Error # 10040\r\nMessage too long");
        }
    }
}

TEST_F(Datagrams, NoReplyIsZeroAfterTheWait) {
    Query();
    buffer[0] = 0xF5;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.ReceiveBuffer(buffer.data(), buffer.size(), 1000), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 900ms);
    EXPECT_LT(waited, 3000ms);
    EXPECT_EQ(buffer[0], 0xF5);
}

TEST_F(Datagrams, TheHostIsReadAsDecimalGroupsAndNeverLookedUp) {
    // Leading zeros are decimal: this is 127.0.0.1.
    Query("127.000.000.001");
    Answer({'!', 'a', 'b', 'c', 'd'});
    EXPECT_EQ(client.ReceiveBuffer(buffer.data(), buffer.size(), 1000), 5);

    for (const char* name : {"localhost", "127.0.0.256", ""}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(Query(name), EIdSocketError);
    }
}

TEST_F(Datagrams, ClosingNeverRaisesAndTheNextActivationOpensAFreshSocket) {
    client.SetActive(false);
    EXPECT_FALSE(client.Active());
    client.SetActive(false);
    EXPECT_THROW(Query(), EIdSocketError);
    client.SetActive(true);
    client.SetActive(true);  // already open: nothing happens
    EXPECT_TRUE(client.Active());
    Query();
    Answer({'!', '1', '2', '3', '4'});
    EXPECT_EQ(client.ReceiveBuffer(buffer.data(), buffer.size(), 1000), 5);
}

}  // namespace
