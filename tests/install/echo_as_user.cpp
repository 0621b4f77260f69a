// One echo request to 127.0.0.1 through the program's own echo check, for the
// install test to run as an unprivileged user with the capability the package
// gives the program. Prints the kind of ICMP socket this process can open and
// whether the echo was answered; exits 0 only when it was.
#include <cstdio>

#include "NetChecks.h"
#include "icmp_linux.h"
#include "os.h"

namespace {

// Loopback only: this runs on machines whose network is none of our business.
constexpr const char* kLoopback = "127.0.0.1";
constexpr unsigned kEchoWaitMs = 1000;

class IcmpProbe {
  public:
    IcmpProbe() : handle_(os::IcmpCreateFile()) {}
    ~IcmpProbe() {
        if (handle_ != os::InvalidHandleValue()) os::IcmpCloseHandle(handle_);
    }
    IcmpProbe(const IcmpProbe&) = delete;
    IcmpProbe& operator=(const IcmpProbe&) = delete;
    os::IcmpSocketKind Kind() const { return os::KindOfIcmpHandle(handle_); }

  private:
    os::HANDLE handle_;
};

const char* NameOf(os::IcmpSocketKind kind) {
    switch (kind) {
        case os::IcmpSocketKind::Datagram:
            return "datagram";
        case os::IcmpSocketKind::Raw:
            return "raw";
        case os::IcmpSocketKind::None:
            break;
    }
    return "none";
}

}  // namespace

int main() {
    const char* kind = NameOf(IcmpProbe().Kind());
    const bool answered = PingHost(kLoopback, kEchoWaitMs);
    std::printf("socket: %s\necho %s: %s\n", kind, kLoopback, answered ? "answered" : "no answer");
    return answered ? 0 : 1;
}
