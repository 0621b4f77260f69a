// The one reading of a typed IPv4 address that every check shares.
#pragma once

#include <optional>
#include <string_view>

#include "os.h"

namespace os {

// Four groups of one to three decimal digits, each at most 255, separated by
// single full stops; nothing else. Every group is decimal, so "010" is 10.
// Returns the address in network byte order, or nothing for any other text.
std::optional<IPAddr> ParseDottedDecimal(std::string_view text);

}  // namespace os
