// The checks of the test run. Each returns a verdict and raises nothing.
#pragma once

#include <string>

// Four groups of one to three decimal digits, each at most 255, separated by
// single full stops. Leading zeros are decimal: 010 is 10.
bool IsValidIP(const std::string& address);

// True unless the sockets layer reports itself unusable.
bool IsWinsockReady();

// True when the system reports a network.
bool IsNetworkPresent();

// True when the system reports an Internet connection.
bool IsInternetConnected();

// True when the device itself answered one ICMP echo request within the wait.
bool PingHost(const std::string& address, unsigned timeoutMs);
