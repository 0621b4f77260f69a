// The main window on the fake system, with its message boxes captured.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Unit1.h"
#include "device.h"
#include "fake_os.h"
#include "vcl.h"

namespace controller_test {

class WindowRun : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_WINDOWS();
        os::fake::Reset();
        TApplication::Instance().OnShowMessage =
            [this](const std::string&, const std::string& text) { messages.push_back(text); };
        window_.emplace();
    }
    void TearDown() override {
        window_.reset();
        TApplication::Instance().OnShowMessage = nullptr;
    }

    TForm1& form() { return *window_; }

    // Types the address and presses "Starten", as the user does.
    void Run(const std::string& address) {
        form().Edit1.SetText(address);
        form().Button1.Click();
    }

    std::vector<std::string> messages;

  private:
    std::optional<TForm1> window_;
};

}  // namespace controller_test
