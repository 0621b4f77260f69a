// The query to the device's controller service and its verdict lamp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ControllerReply.h"
#include "IdUDPClient.h"
#include "vcl.h"

inline constexpr int kControllerPort = 11080;
inline constexpr std::uint8_t kControllerQuery = 0xF5;
inline constexpr std::size_t kControllerBufferSize = 2048;
inline constexpr int kControllerWaitMs = 1000;

// Sends the query to address at the client's port and shows the verdict on
// led: green for a reply, off for none or another, red when the send or the
// receive fails. The client must be active. The window always waits
// kControllerWaitMs; a shorter wait lets a soak test run many silent queries.
void QueryController(TIdUDPClient& client, TALed& led, const std::string& address,
                     int waitMs = kControllerWaitMs);
