#include "Controller.h"

#include <array>

void QueryController(TIdUDPClient& client, TALed& led, const std::string& address, int waitMs) {
    client.SetHost(address);
    std::array<std::uint8_t, kControllerBufferSize> buffer{};
    buffer[0] = kControllerQuery;

    const auto fail = [&led] {
        led.SetTrueColor(clRed);
        led.SetValue(true);
    };
    // Whatever the send or the receive throws only turns the lamp red.
    try {
        client.SendBuffer(address, client.Port(), buffer.data(), 1);
    } catch (...) {
        fail();
    }
    // The receive runs whatever the send did. A failed one has lit the lamp
    // red, so its length is never read.
    int length = 0;
    try {
        length = client.ReceiveBuffer(buffer.data(), buffer.size(), waitMs);
    } catch (...) {
        fail();
    }
    if (!led.Value()) led.SetValue(IsControllerReply(buffer.data(), length));
}
