// Whole runs of the window against the simulator: the other checks come
// from the fake system, the controller exchange is real.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Unit1.h"
#include "device.h"
#include "fake_os.h"
#include "window_run.h"

namespace controller_test {
namespace {

TEST_F(WindowRun, DeviceAnsweringGivesGreenControllerLamp) {
    Device device;
    form().IdUDPClient80.SetPort(device.Port());
    Run("127.0.0.1");

    EXPECT_TRUE(messages.empty()) << messages.front();
    for (TALed* led : {&form().ALed1, &form().ALed2, &form().ALed3, &form().ALed4, &form().ALed5})
        EXPECT_EQ(StateOf(*led), Lamp::Green) << led->Name();
    EXPECT_EQ(device.QueryLines().size(), 1u) << device.Output();
}

// The first run's reply arrives while the second run waits. Only a socket
// kept from the first run could receive it.
TEST_F(WindowRun, LateReplyDoesNotReachTheNextRun) {
    Device device({"--delay", "1500"});
    form().IdUDPClient80.SetPort(device.Port());

    Run("127.0.0.1");
    EXPECT_EQ(StateOf(form().ALed5), Lamp::Off);
    Run("127.0.0.1");
    EXPECT_EQ(StateOf(form().ALed5), Lamp::Off);

    EXPECT_TRUE(device.WaitForOutput("query 1: answer of 5 bytes sent", 0))
        << "the first reply should have gone out during the second run:\n"
        << device.Output();
    EXPECT_EQ(device.QueryLines().size(), 2u) << device.Output();
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace controller_test
