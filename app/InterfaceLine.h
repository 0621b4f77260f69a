// Reading an address-table line for the interface display.
#pragma once

#include <string>

// The address of one line: the text between its first and second "|" (at
// most 255 characters after the first); empty when it has fewer than two.
std::string AddressOfTableLine(const std::string& line);
