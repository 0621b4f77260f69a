// What only Linux lets a test see or arrange: the process's open sockets, a
// descriptor limit that makes socket() fail, and network namespaces.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "IdUDPClient.h"
#include "device.h"
#include "harness.h"
#include "window_run.h"

namespace controller_test {
namespace {

// The inodes of this process's open sockets, "socket:[1234]".
std::set<std::string> OpenSockets() {
    std::set<std::string> sockets;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && target.rfind("socket:", 0) == 0) sockets.insert(target);
    }
    return sockets;
}

std::set<std::string> Added(const std::set<std::string>& now, const std::set<std::string>& before) {
    std::set<std::string> added;
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                        std::inserter(added, added.end()));
    return added;
}

TEST_F(WindowRun, EachRunOpensItsOwnSocketAndLeavesNoneOpen) {
    Device device;
    form().IdUDPClient80.SetPort(device.Port());
    const auto before = OpenSockets();
    // The echo check runs between the opening and the closing of the socket.
    std::vector<std::set<std::string>> duringRun;
    os::fake::Current().icmp.onSend = [&] { duringRun.push_back(Added(OpenSockets(), before)); };

    Run("127.0.0.1");
    EXPECT_EQ(StateOf(form().ALed5), Lamp::Green);
    EXPECT_EQ(OpenSockets(), before);
    Run("127.0.0.1");
    EXPECT_EQ(StateOf(form().ALed5), Lamp::Green);
    EXPECT_EQ(OpenSockets(), before);

    ASSERT_EQ(duringRun.size(), 2u);
    EXPECT_EQ(duringRun[0].size(), 1u);
    EXPECT_EQ(duringRun[1].size(), 1u);
    EXPECT_NE(duringRun[0], duringRun[1]) << "the second run used the first run's socket";
    EXPECT_EQ(device.QueryLines().size(), 2u) << device.Output();
}

// Runs body in a forked copy of this process; its report, empty when all
// was well, comes back through a pipe.
std::string InChild(const std::function<std::string()>& body) {
    int channel[2];
    if (::pipe(channel) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        const std::string report = body();
        const ssize_t written = ::write(channel[1], report.data(), report.size());
        ::_exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string report;
    char chunk[256];
    for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;) report.append(chunk, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += "\nthe child process ended abnormally (status " + std::to_string(status) + ")";
    return report;
}

// Windows has no limit a test could lower to make socket() fail for one
// process, so the case is made here: every descriptor the limit allows is
// taken. A child process keeps the lowered limit away from the other tests.
TEST_F(WindowRun, NoSocketFromTheSystemEndsTheRunWithAMessage) {
    Device device;
    form().IdUDPClient80.SetPort(device.Port());
    form().Edit1.SetText("127.0.0.1");

    const std::string report = InChild([&] {
        // A checked build's sanitizer runtime needs descriptors of its own
        // the first time it checks an object's type: let it meet every type
        // of a run, and the client's exception, while there are some.
        form().Button1.Click();
        TApplication::Dispatch([] { throw EIdException("Cannot allocate socket."); });
        messages.clear();
        os::fake::Current().calls.clear();

        std::ostringstream failures;
        rlimit saved{};
        ::getrlimit(RLIMIT_NOFILE, &saved);
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(lowestFree);
        rlimit lowered = saved;
        lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        form().Button1.Click();
        ::setrlimit(RLIMIT_NOFILE, &saved);

        if (messages != std::vector<std::string>{"Cannot allocate socket."})
            failures << "messages: " << ::testing::PrintToString(messages) << "\n";
        for (TALed* led :
             {&form().ALed1, &form().ALed2, &form().ALed3, &form().ALed4, &form().ALed5})
            if (led->Value()) failures << led->Name() << " is lit\n";
        if (form().IdUDPClient80.Active()) failures << "the client counts as active\n";
        // The run ended before the local checks.
        const auto& calls = os::fake::Current().calls;
        if (std::find(calls.begin(), calls.end(), "WSAStartup") != calls.end())
            failures << "the local checks ran\n";

        // With descriptors to spare again, the next run is whole.
        form().Button1.Click();
        if (messages.size() != 1) failures << "second run: " << messages.back() << "\n";
        if (StateOf(form().ALed5) != Lamp::Green) failures << "second run: ALed5 not green\n";
        if (StateOf(form().ALed4) != Lamp::Green) failures << "second run: ALed4 not green\n";
        return failures.str();
    });
    EXPECT_EQ(report, "");
}

// ---- 255.255.255.255 inside a network namespace ------------------------------

std::string IpCommand() {
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
        if (std::filesystem::exists(path)) return path;
    return {};
}

// A namespace with loopback and a veth pair whose both ends stay inside it,
// addressed from the test range and holding the default route: the system
// judges a broadcast there as it would on a real network, and whatever is
// sent never leaves the namespace.
class TestNamespace {
  public:
    TestNamespace() : name_("linkwart-ctl-" + std::to_string(::getpid())) {
        ok_ = Ip({"netns", "add", name_}) && Ip({"-n", name_, "link", "set", "lo", "up"}) &&
              Ip({"-n", name_, "link", "add", "lkw0", "type", "veth", "peer", "name", "lkw1"}) &&
              Ip({"-n", name_, "addr", "add", "198.18.0.1/15", "dev", "lkw0"}) &&
              Ip({"-n", name_, "link", "set", "lkw0", "up"}) &&
              Ip({"-n", name_, "link", "set", "lkw1", "up"}) &&
              Ip({"-n", name_, "route", "add", "default", "dev", "lkw0"});
    }
    ~TestNamespace() { Ip({"netns", "del", name_}); }
    bool Ok() const { return ok_; }
    const std::string& Name() const { return name_; }
    const std::string& Errors() const { return errors_; }

  private:
    bool Ip(const std::vector<std::string>& arguments) {
        harness::TempDir dir;
        harness::ChildProcess ip(IpCommand(), arguments, dir.File("output"));
        const bool done = ip.WaitFor(30000) == 0;
        if (!done) {
            std::ifstream output(dir.File("output"));
            errors_ += "ip failed: " + std::string(std::istreambuf_iterator<char>(output), {});
        }
        return done;
    }

    std::string name_;
    std::string errors_;
    bool ok_ = false;
};

TEST(NetworkNamespace, BroadcastQueryRunsWhereNoRealNetworkIs) {
    if (harness::OnlyTestNetworks())
        GTEST_SKIP() << "no real network here: the broadcast test runs directly";
    if (::geteuid() != 0) GTEST_SKIP() << "making a network namespace needs root";
    if (IpCommand().empty()) GTEST_SKIP() << "no ip command (iproute2)";

    TestNamespace space;
    ASSERT_TRUE(space.Ok()) << space.Errors();
    harness::TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    harness::ChildProcess inside(
        IpCommand(),
        {"netns", "exec", space.Name(), self,
         "--gtest_filter=ControllerQuery.BroadcastAddressIsRefusedAndTheReceiveStillWaits"},
        dir.File("output"));
    const auto exitCode = inside.WaitFor(60000);
    std::ifstream file(dir.File("output"));
    const std::string output(std::istreambuf_iterator<char>(file), {});
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
}

}  // namespace
}  // namespace controller_test
