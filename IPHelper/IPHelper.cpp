#include "IPHelper.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "os.h"

std::string IpAddrToText(std::uint32_t address) {
    // Network byte order: the least significant byte is the first group.
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        if (!text.empty()) text += '.';
        text += std::to_string((address >> shift) & 0xFF);
    }
    return text;
}

std::string SystemErrorText(std::uint32_t code) {
    std::array<char, 256> buffer{};
    // IGNORE_INSERTS: there are no arguments to fill a "%1" in a text with.
    const os::DWORD stored = os::FormatMessageA(
        os::FORMAT_MESSAGE_FROM_SYSTEM | os::FORMAT_MESSAGE_ARGUMENT_ARRAY |
            os::FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, buffer.data(), static_cast<os::DWORD>(buffer.size()), nullptr);
    std::string text(buffer.data(), std::min<std::size_t>(stored, buffer.size() - 1));
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

namespace {
std::string RowLine(const os::MIB_IPADDRROW& row) {
    char line[128];
    std::snprintf(line, sizeof line, "%8.8X|%s|%s|%s|%8.8d", static_cast<unsigned>(row.dwIndex),
                  IpAddrToText(row.dwAddr).c_str(), IpAddrToText(row.dwMask).c_str(),
                  IpAddrToText(row.dwBCastAddr).c_str(),
                  static_cast<int>(static_cast<std::int32_t>(row.dwReasmSize)));
    return line;
}
}  // namespace

void ListIpAddrTable(TStringList* list) {
    if (list == nullptr) return;
    list->Clear();

    os::ULONG size = 0;
    if (os::GetIpAddrTable(nullptr, &size, 1) != os::ERROR_INSUFFICIENT_BUFFER) return;

    // One allocation of the size asked for, DWORD-aligned for the table.
    std::vector<os::DWORD> buffer((std::max<os::ULONG>(size, sizeof(os::DWORD)) + 3) / 4);
    auto* table = reinterpret_cast<os::MIB_IPADDRTABLE*>(buffer.data());
    const os::DWORD result = os::GetIpAddrTable(table, &size, 1);
    if (result != os::NO_ERROR) {
        list->Add(SystemErrorText(result));
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    os::DWORD entries = 0;
    std::memcpy(&entries, bytes, sizeof entries);
    if (entries == 0) {
        list->Add("no entries.");
        return;
    }
    // Never read past the buffer, whatever count the system stored.
    const std::size_t room = (buffer.size() * sizeof(os::DWORD) - os::kIpAddrTableHeaderSize) /
                             sizeof(os::MIB_IPADDRROW);
    const std::size_t rows = std::min<std::size_t>(entries, room);
    for (std::size_t i = 0; i < rows; ++i) {
        os::MIB_IPADDRROW row;
        std::memcpy(&row, bytes + os::kIpAddrTableHeaderSize + i * sizeof row, sizeof row);
        list->Add(RowLine(row));
    }
}
