// The verdict on what the controller answered: no window, no sockets, so
// every system and the fuzz targets share it.
#pragma once

#include <cstdint>

// At least five bytes beginning with "!".
bool IsControllerReply(const std::uint8_t* buffer, int length);
