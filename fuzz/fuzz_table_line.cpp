// The address the interface display takes from an address-table line: any
// text must give a field without bars that really lies between the first
// two bars, and a line as the table writes it must give its address.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "IPHelper.h"
#include "InterfaceLine.h"

namespace {

// The field must be the text right after the first bar, ending at a bar
// within the 255 characters read; or empty.
bool Consistent(const std::string& line, const std::string& address) {
    if (address.find('|') != std::string::npos || address.size() > 254) return false;
    const std::size_t first = line.find('|');
    const std::size_t start = first == std::string::npos ? 0 : first + 1;
    if (address.empty()) return true;
    return line.compare(start, address.size(), address) == 0 &&
           start + address.size() < line.size() && line[start + address.size()] == '|';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    if (!Consistent(line, AddressOfTableLine(line))) {
        std::fprintf(stderr, "a field that is not between the first two bars\n");
        std::abort();
    }

    // A row as the address table writes it, from the first 20 input bytes.
    if (size >= 20) {
        std::uint32_t field[5];
        std::memcpy(field, data, sizeof field);
        const std::string address = IpAddrToText(field[1]);
        char row[128];
        std::snprintf(row, sizeof row, "%8.8X|%s|%s|%s|%8.8d", static_cast<unsigned>(field[0]),
                      address.c_str(), IpAddrToText(field[2]).c_str(),
                      IpAddrToText(field[3]).c_str(), static_cast<int>(field[4]));
        if (AddressOfTableLine(row) != address) {
            std::fprintf(stderr, "row \"%s\" gives another address\n", row);
            std::abort();
        }
    }
    return 0;
}
