#include "InterfaceLine.h"

std::string AddressOfTableLine(const std::string& line) {
    const std::size_t firstBar = line.find('|');
    const std::size_t start = firstBar == std::string::npos ? 0 : firstBar + 1;
    const std::string field = line.substr(start, 255);
    const std::size_t secondBar = field.find('|');
    if (secondBar == std::string::npos) return {};
    return field.substr(0, secondBar);
}
