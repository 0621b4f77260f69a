#include "options.h"

#include <cstring>
#include <limits>

#include "dotted_decimal.h"

namespace device {

namespace {

// A whole decimal number within [low, high], nothing else.
std::optional<long> ParseNumber(const std::string& text, long low, long high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2 != 0 || text.size() / 2 > static_cast<std::size_t>(kMaxDatagram))
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

bool IsLoopback(std::uint32_t networkOrder) {
    unsigned char first = 0;
    std::memcpy(&first, &networkOrder, 1);
    return first == 127;
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    options.address = *os::ParseDottedDecimal("127.0.0.1");
    int answers = 0;  // --silent, --reply, --empty and --size exclude each other

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        const auto missing = [&] { return ParseResult{std::nullopt, name + " needs a value"}; };
        const auto bad = [&](const std::string& text, const std::string& what) {
            return ParseResult{std::nullopt, name + " " + text + ": " + what};
        };

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--address") {
            const auto text = value();
            if (!text) return missing();
            const auto address = os::ParseDottedDecimal(*text);
            if (!address) return bad(*text, "not a dotted-decimal IPv4 address");
            // Only this machine: the simulator must never answer on a network.
            if (!IsLoopback(*address))
                return bad(*text, "only loopback addresses (127.0.0.0/8) are allowed");
            options.address = *address;
        } else if (name == "--port") {
            const auto text = value();
            if (!text) return missing();
            const auto port = ParseNumber(*text, 0, 65535);
            if (!port) return bad(*text, "a port is a number from 0 to 65535");
            options.port = static_cast<std::uint16_t>(*port);
        } else if (name == "--silent") {
            options.answer = Answer::Silent;
            ++answers;
        } else if (name == "--reply") {
            const auto text = value();
            if (!text) return missing();
            const auto bytes = ParseHex(*text);
            if (!bytes) return bad(*text, "an even number of hex digits, such as 2141424344");
            options.answer = Answer::Bytes;
            options.reply = *bytes;
            ++answers;
        } else if (name == "--empty") {
            options.answer = Answer::Empty;
            ++answers;
        } else if (name == "--size") {
            const auto text = value();
            if (!text) return missing();
            const auto size = ParseNumber(*text, 1, kMaxDatagram);
            if (!size) return bad(*text, "a size is a number from 1 to 65507");
            options.answer = Answer::Size;
            options.size = static_cast<int>(*size);
            ++answers;
        } else if (name == "--delay") {
            const auto text = value();
            if (!text) return missing();
            const auto delay = ParseNumber(*text, 0, 600000);
            if (!delay) return bad(*text, "a delay is a number of milliseconds up to 600000");
            options.delayMs = static_cast<int>(*delay);
        } else if (name == "--flood") {
            const auto text = value();
            if (!text) return missing();
            const auto flood = ParseNumber(*text, 1, 100000);
            if (!flood) return bad(*text, "a flood is a number of datagrams from 1 to 100000");
            options.flood = static_cast<int>(*flood);
        } else if (name == "--count") {
            const auto text = value();
            if (!text) return missing();
            const auto count = ParseNumber(*text, 0, std::numeric_limits<int>::max());
            if (!count) return bad(*text, "a count is a number of queries");
            options.count = *count;
        } else if (name == "--ready-file") {
            const auto text = value();
            if (!text) return missing();
            if (text->empty()) return bad("\"\"", "needs a file name");
            options.readyFile = *text;
        } else {
            return ParseResult{std::nullopt, "unknown option " + name};
        }
    }
    if (answers > 1)
        return ParseResult{std::nullopt,
                           "--silent, --reply, --empty and --size exclude each other"};
    return ParseResult{options, {}};
}

std::string UsageText() {
    return "Usage: linkwart-device [options]\n"
           "Answers the controller query (the byte F5) on UDP like a device would, on this\n"
           "machine only. Default answer: \"!\" followed by four bytes.\n"
           "\n"
           "  --address A      listen on A, a loopback address (127.0.0.0/8); default 127.0.0.1\n"
           "  --port N         listen on port N (default 11080); 0 picks a free port\n"
           "  --silent         never answer\n"
           "  --reply HEX      answer with these bytes, e.g. 2141424344\n"
           "  --empty          answer with an empty datagram\n"
           "  --size N         answer \"!\" followed by N-1 bytes (N from 1 to 65507)\n"
           "  --delay MS       answer MS milliseconds late\n"
           "  --flood N        answer each query with N datagrams: the answer, then N-1\n"
           "                   datagrams \"!\" and a four-byte number\n"
           "  --count N        stop after N queries (and their answers)\n"
           "  --ready-file F   write the port to F once listening\n"
           "  --help           show this text\n"
           "\n"
           "Any datagram other than the single byte F5 gets no answer. One line per\n"
           "datagram goes to standard output. Ctrl+C or SIGTERM stops the simulator.\n";
}

}  // namespace device
