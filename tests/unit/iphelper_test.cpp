#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IPHelper.h"
#include "fake_os.h"

namespace {

std::vector<std::string> Lines(const TStringList& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
    return lines;
}

TEST(IpAddrToText, ReadsTheBytesFromLeastSignificantUp) {
    EXPECT_EQ(IpAddrToText(127u | (0u << 8) | (0u << 16) | (1u << 24)), "127.0.0.1");
    EXPECT_EQ(IpAddrToText(0), "0.0.0.0");
    EXPECT_EQ(IpAddrToText(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_EQ(IpAddrToText(os::fake::Row(1, "198.18.10.200").dwAddr), "198.18.10.200");
}

class AddressTable : public ::testing::Test {
  protected:
    void SetUp() override { os::fake::Reset(); }
    os::fake::State& system = os::fake::Current();
    TStringList list;
};

TEST_F(AddressTable, FormatsEachRowInTheFixedLineFormat) {
    const struct {
        os::MIB_IPADDRROW row;
        const char* line;
    } cases[] = {
        {os::fake::Row(11, "192.168.0.5", "255.255.255.0", 1, 65535),
         "0000000B|192.168.0.5|255.255.255.0|1.0.0.0|00065535"},
        {os::fake::Row(1, "127.0.0.1", "255.0.0.0", 1, 0),
         "00000001|127.0.0.1|255.0.0.0|1.0.0.0|00000000"},
        {os::fake::Row(0xFFFFFFFFu, "10.0.0.1", "255.255.255.255", 0xFFFFFFFFu, 65535),
         "FFFFFFFF|10.0.0.1|255.255.255.255|255.255.255.255|00065535"},
        // The reassembly size is read as a signed 32-bit value.
        {os::fake::Row(0xABCDEFu, "10.0.0.2", "0.0.0.0", 1, static_cast<os::DWORD>(-5)),
         "00ABCDEF|10.0.0.2|0.0.0.0|1.0.0.0|-00000005"},
        {os::fake::Row(2, "10.0.0.3", "255.0.0.0", 1, 0x80000000u),
         "00000002|10.0.0.3|255.0.0.0|1.0.0.0|-2147483648"},
    };
    for (const auto& c : cases) {
        os::fake::Reset();
        system.table.rows = {c.row};
        ListIpAddrTable(&list);
        EXPECT_EQ(Lines(list), std::vector<std::string>{c.line});
    }
}

TEST_F(AddressTable, ListsRowsInAddressOrderAndReplacesOldLines) {
    list.Add("left over");
    list.Add("from before");
    system.table.rows = {os::fake::Row(3, "198.18.0.10"),
                         os::fake::Row(1, "127.0.0.1", "255.0.0.0"),
                         os::fake::Row(2, "198.18.0.9")};
    ListIpAddrTable(&list);
    EXPECT_EQ(Lines(list),
              (std::vector<std::string>{"00000001|127.0.0.1|255.0.0.0|1.0.0.0|00065535",
                                        "00000002|198.18.0.9|255.255.255.0|1.0.0.0|00065535",
                                        "00000003|198.18.0.10|255.255.255.0|1.0.0.0|00065535"}));
    EXPECT_EQ(system.tableQueries, 2) << "a size query, then one query into the buffer";
}

TEST_F(AddressTable, ReportsEveryOutcomeOfTheTwoQueriesAsLines) {
    const struct {
        const char* what;
        os::DWORD firstResult;
        bool secondFails;
        os::DWORD secondResult;
        std::vector<std::string> lines;
    } cases[] = {
        {"empty table", os::ERROR_INSUFFICIENT_BUFFER, false, 0, {"no entries."}},
        {"first query fails", os::ERROR_NOT_SUPPORTED, false, 0, {}},
        {"first query succeeds without a buffer", os::NO_ERROR, false, 0, {}},
        {"second query fails with a code that has no text",
         os::ERROR_INSUFFICIENT_BUFFER,
         true,
         4711,
         {""}},
        {"table grew between the queries",
         os::ERROR_INSUFFICIENT_BUFFER,
         true,
         os::ERROR_INSUFFICIENT_BUFFER,
         {"The data area passed to a system call is too small"}},
        {"second query fails with a text",
         os::ERROR_INSUFFICIENT_BUFFER,
         true,
         os::ERROR_NOT_SUPPORTED,
         {"The request is not supported"}},
    };
    for (const auto& c : cases) {
        os::fake::Reset();
        system.messages = {{os::ERROR_INSUFFICIENT_BUFFER,
                            "The data area passed to a system call is too small.\r\n"},
                           {os::ERROR_NOT_SUPPORTED, "The request is not supported. . \r\n"}};
        system.table.firstResult = c.firstResult;
        system.table.secondOverride = c.secondFails;
        system.table.secondResult = c.secondResult;
        list.Add("stale");
        ListIpAddrTable(&list);
        EXPECT_EQ(Lines(list), c.lines) << c.what;
    }
}

TEST_F(AddressTable, NeverReadsPastTheBufferWhateverCountTheSystemStores) {
    system.table.rows = {os::fake::Row(7, "198.18.0.1")};
    system.table.claimedEntries = 100000;
    ListIpAddrTable(&list);
    EXPECT_EQ(Lines(list),
              std::vector<std::string>{"00000007|198.18.0.1|255.255.255.0|1.0.0.0|00065535"});
}

TEST_F(AddressTable, NoListIsNoWork) {
    ListIpAddrTable(nullptr);
    EXPECT_EQ(system.tableQueries, 0);
}

TEST(SystemErrorText, DropsTrailingBlanksControlCharactersAndFullStops) {
    os::fake::Reset();
    os::fake::Current().messages = {{1, "Text.\r\n"},
                                    {2, "Ende...\t \r\n"},
                                    {3, "Mitte. Ende\r\n"},
                                    {4, "...\r\n"},
                                    {5, std::string(300, 'x')}};
    EXPECT_EQ(SystemErrorText(1), "Text");
    EXPECT_EQ(SystemErrorText(2), "Ende");
    EXPECT_EQ(SystemErrorText(3), "Mitte. Ende");
    EXPECT_EQ(SystemErrorText(4), "");
    EXPECT_EQ(SystemErrorText(5), std::string(255, 'x')) << "the 256-byte buffer bounds the text";
    EXPECT_EQ(SystemErrorText(99), "");
    // There are no arguments for a "%1" in a system text: it must stay as is.
    EXPECT_NE(os::fake::Current().lastFormatFlags & os::FORMAT_MESSAGE_IGNORE_INSERTS, 0u);
}

}  // namespace
