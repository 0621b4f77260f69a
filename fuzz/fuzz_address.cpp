// The typed address: IsValidIP and the one parser behind it must agree with
// a plain reading of the rule, and an accepted text must come back from the
// address table's formatter as the same address with every group decimal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IPHelper.h"
#include "NetChecks.h"
#include "dotted_decimal.h"

namespace {

// Four groups of one to three digits, each at most 255, split by single
// full stops; each group's value without leading zeros, or nothing.
std::optional<std::vector<int>> DecimalGroups(std::string_view text) {
    std::vector<int> groups;
    std::size_t start = 0;
    for (;;) {
        const std::size_t stop = text.find('.', start);
        const std::string_view group = text.substr(
            start, stop == std::string_view::npos ? std::string_view::npos : stop - start);
        if (group.empty() || group.size() > 3) return std::nullopt;
        int value = 0;
        for (const char c : group) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value > 255) return std::nullopt;
        groups.push_back(value);
        if (stop == std::string_view::npos) break;
        start = stop + 1;
    }
    if (groups.size() != 4) return std::nullopt;
    return groups;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const bool valid = IsValidIP(text);
    const std::optional<os::IPAddr> parsed = os::ParseDottedDecimal(text);
    const std::optional<std::vector<int>> groups = DecimalGroups(text);

    if (valid != parsed.has_value()) Fail("IsValidIP and the parser disagree");
    if (valid != groups.has_value()) Fail("the parser disagrees with the rule");
    if (!parsed) return 0;

    std::string decimal;
    for (const int group : *groups) {
        if (!decimal.empty()) decimal += '.';
        decimal += std::to_string(group);
    }
    const std::string formatted = IpAddrToText(*parsed);
    if (formatted != decimal) Fail("formatted back to another address");
    // The formatted text is itself valid and reads as the same address.
    if (os::ParseDottedDecimal(formatted) != parsed) Fail("formatted text reads differently");
    return 0;
}
