#include "device.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace controller_test {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first start of a Windows program under Wine can take seconds.
constexpr int kStartTimeoutMs = 60000;

}  // namespace

Device::Device(const std::vector<std::string>& options) {
    std::vector<std::string> arguments{"--port", "0", "--ready-file",
                                       harness::NativePath(dir_.File("port"))};
    arguments.insert(arguments.end(), options.begin(), options.end());
    process_ =
        std::make_unique<harness::ChildProcess>(LINKWART_DEVICE, arguments, dir_.File("output"));

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::istringstream ready(ReadFile(dir_.File("port")));
        if (ready >> port_ && port_ > 0) return;
        if (process_->WaitFor(0))
            throw std::runtime_error("linkwart-device ended at start: " + Output());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("linkwart-device did not get ready: " + Output());
}

Device::~Device() {
    Stop();
}

void Device::Stop() {
    process_->Stop();
}

std::string Device::Output() const {
    return ReadFile(dir_.File("output"));
}

std::vector<std::string> Device::QueryLines() const {
    std::vector<std::string> lines;
    std::istringstream output(Output());
    for (std::string line; std::getline(output, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("query ", 0) == 0 && line.find(" from ") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

bool Device::WaitForOutput(const std::string& text, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (Output().find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

ToolRun RunDevice(const std::vector<std::string>& options, int timeoutMs) {
    harness::TempDir dir;
    ToolRun run;
    {
        harness::ChildProcess process(LINKWART_DEVICE, options, dir.File("output"));
        run.exitCode = process.WaitFor(timeoutMs).value_or(-1);
    }
    run.output = ReadFile(dir.File("output"));
    return run;
}

int UnusedPort() {
    Device device;
    const int port = device.Port();
    device.Stop();
    return port;
}

Lamp StateOf(const TALed& led) {
    if (!led.Value()) return Lamp::Off;
    if (led.TrueColor() == clLime) return Lamp::Green;
    if (led.TrueColor() == clRed) return Lamp::Red;
    return Lamp::OtherColour;
}

std::ostream& operator<<(std::ostream& out, Lamp lamp) {
    switch (lamp) {
        case Lamp::Off:
            return out << "off";
        case Lamp::Green:
            return out << "green";
        case Lamp::Red:
            return out << "red";
        case Lamp::OtherColour:
            break;
    }
    return out << "another colour";
}

bool WindowsAvailable() {
    static const bool available = [] {
        try {
            LampForm probe;
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }();
    return available;
}

LampForm::LampForm() : TForm("LampForm", "Lamp", 60, 40), ALed5(*this, "ALed5", 8, 8) {}

}  // namespace controller_test
