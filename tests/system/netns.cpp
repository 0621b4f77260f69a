#include "netns.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include <gtest/gtest.h>

int Run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WhyNoNamespaces() {
    if (::geteuid() != 0) return "needs root to make network namespaces";
    if (Run("command -v ip") != 0) return "needs the ip command (iproute2)";
    static const std::string why = [] {
        const std::string name = "lwprobe" + std::to_string(::getpid());
        if (Run("ip netns add " + name) != 0)
            return std::string("this kernel or sandbox refuses ip netns add");
        Run("ip netns del " + name);
        return std::string();
    }();
    return why;
}

namespace {
std::atomic<int> g_serial{0};
}

NetworkNamespace::NetworkNamespace()
    : name_("lw" + std::to_string(::getpid()) + "x" + std::to_string(g_serial++)) {
    if (Run("ip netns add " + name_) != 0) throw std::runtime_error("ip netns add " + name_);
}

NetworkNamespace::~NetworkNamespace() {
    Run("ip netns del " + name_);
}

void NetworkNamespace::Ip(const std::string& arguments) const {
    const std::string command = "ip -n " + name_ + " " + arguments;
    ASSERT_EQ(Run(command), 0) << command;
}

void NetworkNamespace::Sysctl(const std::string& setting) const {
    const std::string command = "ip netns exec " + name_ + " sysctl -q -w " + setting;
    ASSERT_EQ(Run(command), 0) << command;
}

void NetworkNamespace::WaitUntilRunning(const std::string& device) const {
    const std::string command =
        "ip -n " + name_ + " link show " + device + " | grep -q 'LOWER_UP.*state UP'";
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Run(command) == 0) return;
        ::usleep(30 * 1000);
    }
    FAIL() << device << " in " << name_ << " did not come up";
}

NetworkNamespace::Inside::Inside(const NetworkNamespace& space)
    : home_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
    const int target = ::open(("/run/netns/" + space.Name()).c_str(), O_RDONLY | O_CLOEXEC);
    if (home_ < 0 || target < 0 || ::setns(target, CLONE_NEWNET) != 0) {
        if (target >= 0) ::close(target);
        throw std::runtime_error("cannot enter " + space.Name());
    }
    ::close(target);
}

NetworkNamespace::Inside::~Inside() {
    ::setns(home_, CLONE_NEWNET);
    ::close(home_);
}
