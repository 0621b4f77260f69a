// The simulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace device {

inline constexpr std::uint16_t kDefaultPort = 11080;
inline constexpr std::uint8_t kQuery = 0xF5;
inline constexpr std::uint8_t kReplyMarker = '!';
// The largest payload of one IPv4 UDP datagram.
inline constexpr int kMaxDatagram = 65507;

enum class Answer {
    Normal,  // "!" and four bytes
    Silent,  // none
    Bytes,   // the bytes given with --reply
    Empty,   // an empty datagram
    Size,    // "!" and size - 1 more bytes
};

struct Options {
    std::uint32_t address = 0;  // network byte order; 127.0.0.1 unless given
    std::uint16_t port = kDefaultPort;
    Answer answer = Answer::Normal;
    std::vector<std::uint8_t> reply;  // for Answer::Bytes
    int size = 0;                     // for Answer::Size
    int delayMs = 0;
    int flood = 1;
    long count = 0;  // stop after this many queries; 0: run until stopped
    std::string readyFile;
    bool help = false;
};

// The options, or an error text for the user.
struct ParseResult {
    std::optional<Options> options;
    std::string error;
};
ParseResult ParseOptions(const std::vector<std::string>& arguments);

std::string UsageText();

}  // namespace device
