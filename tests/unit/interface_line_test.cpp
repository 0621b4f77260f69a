#include <gtest/gtest.h>

#include <string>

#include "InterfaceLine.h"

namespace {

TEST(AddressOfTableLine, TakesTheTextBetweenTheFirstTwoBars) {
    const struct {
        std::string line;
        std::string address;
    } cases[] = {
        {"0000000B|192.168.0.5|255.255.255.0|1.0.0.0|00065535", "192.168.0.5"},
        {"no entries.", ""},           // no bar
        {"", ""},                      // empty line
        {"a|192.168.0.5", ""},         // one bar
        {"|127.0.0.1|", "127.0.0.1"},  // two bars
        {"x||y|z", ""},                // empty second field
        {"||", ""},
        {"1|2|3|4|5|6", "2"},  // more bars
        {"text without bars|", ""},
        // The field is read from at most 255 characters after the first bar.
        {"a|" + std::string(254, 'b') + "|c", std::string(254, 'b')},
        {"a|" + std::string(255, 'b') + "|c", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(AddressOfTableLine(c.line), c.address) << c.line;
}

}  // namespace
