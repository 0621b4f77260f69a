#include "ControllerReply.h"

bool IsControllerReply(const std::uint8_t* buffer, int length) {
    return length >= 5 && buffer[0] == '!';
}
