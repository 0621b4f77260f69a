#include "harness.h"

#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

namespace harness {

struct ChildProcess::Native {
    pid_t pid = -1;
    std::optional<int> exitCode;
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outputFile)
    : native_(std::make_unique<Native>()) {
    // Everything the child needs is made before the fork: after it, only
    // calls that are safe in a copy of a threaded process.
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0) throw std::runtime_error("cannot create " + outputFile);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(output);
    if (pid < 0) throw std::runtime_error("fork failed");
    native_->pid = pid;
}

ChildProcess::~ChildProcess() {
    Stop();
}

std::optional<int> ChildProcess::WaitFor(int timeoutMs) {
    if (native_->exitCode) return native_->exitCode;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(native_->pid, &status, WNOHANG);
        if (done == native_->pid) {
            native_->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return native_->exitCode;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Stop() {
    if (native_->pid <= 0 || native_->exitCode) return;
    ::kill(native_->pid, SIGTERM);
    if (!WaitFor(5000)) {
        ::kill(native_->pid, SIGKILL);
        WaitFor(5000);
    }
}

std::string NativePath(const std::string& path) {
    return path;
}

bool RunningUnderWine() {
    return false;
}

bool OnlyTestNetworks() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool onlyTest = true;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        const std::uint32_t host = ntohl(address->sin_addr.s_addr);
        const bool loopback = (host >> 24) == 127;
        const bool testRange = (host >> 17) == (0xC6120000u >> 17);  // 198.18.0.0/15
        if (!loopback && !testRange) onlyTest = false;
    }
    ::freeifaddrs(list);
    return onlyTest;
}

struct ToolkitApplication::Native {
    std::unique_ptr<QApplication> application;
};

ToolkitApplication::ToolkitApplication(int& argc, char** argv)
    : native_(std::make_unique<Native>()) {
    // No display: the window classes draw into memory.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    native_->application = std::make_unique<QApplication>(argc, argv);
}

ToolkitApplication::~ToolkitApplication() = default;

}  // namespace harness
