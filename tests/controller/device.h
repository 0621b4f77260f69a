// The controller simulator as the tests use it, and the lamps they read.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "harness.h"
#include "vcl.h"

namespace controller_test {

// linkwart-device started on a free port of 127.0.0.1 (unless the options
// name another loopback address) and stopped by the destructor.
class Device {
  public:
    explicit Device(const std::vector<std::string>& options = {});
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    int Port() const { return port_; }
    std::string Output() const;
    // "query N from A:P: ..." lines: queries the device took as such.
    std::vector<std::string> QueryLines() const;
    // Waits up to timeoutMs for text to appear in the output.
    bool WaitForOutput(const std::string& text, int timeoutMs) const;
    // Its exit code once it has ended by itself within timeoutMs.
    std::optional<int> WaitForExit(int timeoutMs) { return process_->WaitFor(timeoutMs); }
    void Stop();

  private:
    harness::TempDir dir_;
    std::unique_ptr<harness::ChildProcess> process_;
    int port_ = 0;
};

// Runs linkwart-device to its end; its exit code and output.
struct ToolRun {
    int exitCode = -1;
    std::string output;
};
ToolRun RunDevice(const std::vector<std::string>& options, int timeoutMs = 30000);

// A port on 127.0.0.1 that nothing listens on (just given up by a device).
int UnusedPort();

enum class Lamp { Off, Green, Red, OtherColour };
Lamp StateOf(const TALed& led);
std::ostream& operator<<(std::ostream& out, Lamp lamp);

// Whether this process can make windows at all: Wine without a display
// cannot, and the tests that need a lamp skip there.
bool WindowsAvailable();
#define SKIP_WITHOUT_WINDOWS()                                                          \
    if (!::controller_test::WindowsAvailable())                                         \
    GTEST_SKIP() << "no window can be made here (no display?): run under Xvfb to test " \
                    "the lamps"

// The smallest window a lamp can sit on.
class LampForm : public TForm {
  public:
    LampForm();
    TALed ALed5;
};

}  // namespace controller_test
