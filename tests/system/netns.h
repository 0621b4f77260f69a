// Network namespaces made by a test: the only places besides loopback that
// system tests send to.
#pragma once

#include <string>

// Runs a command; returns its exit status.
int Run(const std::string& command);

// Why real-system tests cannot run here, or empty when they can.
std::string WhyNoNamespaces();

// A namespace of our own, removed again at the end of the test.
class NetworkNamespace {
  public:
    NetworkNamespace();
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;

    const std::string& Name() const { return name_; }
    // "ip -n <name> <arguments>"; fails the test when it fails.
    void Ip(const std::string& arguments) const;
    void Sysctl(const std::string& setting) const;
    // The kernel marks a link running a moment after it is set up.
    void WaitUntilRunning(const std::string& device) const;

    // The calling thread works inside the namespace while an Inside lives.
    class Inside {
      public:
        explicit Inside(const NetworkNamespace& space);
        ~Inside();
        Inside(const Inside&) = delete;
        Inside& operator=(const Inside&) = delete;

      private:
        int home_;
    };

  private:
    std::string name_;
};
