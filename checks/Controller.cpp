#include "Controller.h"

#include <array>

bool IsControllerReply(const std::uint8_t* buffer, int length) {
    return length >= 5 && buffer[0] == '!';
}

void QueryController(TIdUDPClient& client, TALed& led, const std::string& address) {
    client.SetHost(address);
    std::array<std::uint8_t, kControllerBufferSize> buffer{};
    buffer[0] = kControllerQuery;

    const auto fail = [&led] {
        led.SetTrueColor(clRed);
        led.SetValue(true);
    };
    try {
        client.SendBuffer(address, client.Port(), buffer.data(), 1);
    } catch (const std::exception&) {
        fail();
    }
    // The receive runs whatever the send did. A failed one has lit the lamp
    // red, so its length is never read.
    int length = 0;
    try {
        length = client.ReceiveBuffer(buffer.data(), buffer.size(), kControllerWaitMs);
    } catch (const std::exception&) {
        fail();
    }
    if (!led.Value()) led.SetValue(IsControllerReply(buffer.data(), length));
}
