// What the controller tests need from the system they run on: starting and
// stopping programs, and a few facts about the machine. One file per system.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace harness {

// A program started with its standard output and error going to a file. The
// destructor ends it if it still runs.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& outputFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Its exit code once it has ended within timeoutMs, else nothing.
    std::optional<int> WaitFor(int timeoutMs);
    // Asks it to stop (SIGTERM), kills it if it does not, and waits for it.
    // On Windows there is no polite request: it is terminated.
    void Stop();

    struct Native;

  private:
    std::unique_ptr<Native> native_;
};

// A path the system's own calls take ("/tmp/x" becomes "Z:\tmp\x" under Wine).
std::string NativePath(const std::string& path);

// The directory for a test's files, made fresh, removed by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const;

  private:
    std::string path_;
};

// Wine is not Windows where the tests must know: an unconnected UDP socket
// there gets no error after an ICMP port unreachable.
bool RunningUnderWine();

// True when every IPv4 address of this machine is a loopback address or one
// of the test range 198.18.0.0/15, which only namespaces made by tests use:
// then even a broadcast cannot leave for a real network.
bool OnlyTestNetworks();

// The toolkit's own application object, made before TApplication is
// initialised and destroyed at the end of main: Qt's cannot outlive main.
class ToolkitApplication {
  public:
    ToolkitApplication(int& argc, char** argv);
    ~ToolkitApplication();
    ToolkitApplication(const ToolkitApplication&) = delete;
    ToolkitApplication& operator=(const ToolkitApplication&) = delete;

    struct Native;

  private:
    std::unique_ptr<Native> native_;
};

}  // namespace harness
