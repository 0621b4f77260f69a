// Driving the Win32 window from a test: the message loop, keys as the
// keyboard sends them, pixels as they are on screen, and a silent UDP peer.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "vcl.h"
#include "win32_ui.h"

namespace harness {

using namespace std::chrono_literals;

// Windows need an X display under Wine (test.sh starts Xvfb).
inline bool HasDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

// Runs the message loop for a while, as TApplication::Run would.
inline void Pump(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
        win32::ProcessMessages();
        ::Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// Runs the message loop until the condition holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        win32::ProcessMessages();
        ::Sleep(5);
    }
    return true;
}

// One key stroke as the keyboard driver queues it: down, character, up.
inline void PostKey(HWND target, UINT virtualKey, wchar_t character) {
    const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    ::PostMessageW(target, WM_KEYDOWN, virtualKey, down);
    if (character != 0) ::PostMessageW(target, WM_CHAR, character, down);
    ::PostMessageW(target, WM_KEYUP, virtualKey, up);
}

// The colour of one pixel of a window as it is drawn now.
inline COLORREF PixelOf(HWND window, int x, int y) {
    const HDC dc = ::GetDC(window);
    const COLORREF color = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return color;
}

// A UDP socket on 127.0.0.1 that takes datagrams and never answers, so a
// run's controller query goes nowhere but here.
class SilentPeer {
  public:
    SilentPeer() {
        WSADATA data;
        started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        int size = sizeof address;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentPeer() {
        if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
        if (started_) ::WSACleanup();
    }
    SilentPeer(const SilentPeer&) = delete;
    SilentPeer& operator=(const SilentPeer&) = delete;

    SOCKET Socket() const { return socket_; }
    int Port() const { return port_; }

  private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

}  // namespace harness
