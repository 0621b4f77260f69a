// The verdict on a controller's reply, for any bytes and any length the
// receive can report (0 for none, the datagram's length otherwise). The
// buffer is exactly as long as the data, so a read past it is caught.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "ControllerReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
    const int length = static_cast<int>(size);
    // A copy of its own size, so even a one-byte over-read shows.
    const auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size > 0) std::memcpy(copy.get(), data, size);
    const std::uint8_t* buffer = size == 0 ? nullptr : copy.get();

    const bool expected = size >= 5 && data[0] == '!';
    if (IsControllerReply(buffer, length) != expected) {
        std::fprintf(stderr, "wrong verdict on %d bytes\n", length);
        std::abort();
    }
    // No datagram or a failed wait reports 0, whatever the buffer holds.
    if (size > 0 && IsControllerReply(buffer, 0)) {
        std::fprintf(stderr, "a reply of length 0 accepted\n");
        std::abort();
    }
    return 0;
}
