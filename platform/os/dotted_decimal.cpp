#include "dotted_decimal.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace os {

std::optional<IPAddr> ParseDottedDecimal(std::string_view text) {
    // One pass, left to right: a digit group may hold at most three digits,
    // so its value never exceeds 999 and cannot overflow.
    std::array<std::uint8_t, 4> groups{};
    int dots = 0;
    int digits = 0;
    int value = 0;
    for (const char c : text) {
        if (c == '.') {
            if (digits == 0 || value > 255) return std::nullopt;
            groups[dots] = static_cast<std::uint8_t>(value);
            ++dots;
            if (dots > 3) return std::nullopt;
            digits = 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 3) return std::nullopt;
            value = value * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (dots != 3 || digits == 0 || value > 255) return std::nullopt;
    groups[3] = static_cast<std::uint8_t>(value);
    IPAddr address = 0;
    std::memcpy(&address, groups.data(), sizeof address);  // bytes in network order
    return address;
}

}  // namespace os
