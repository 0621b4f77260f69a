// TTimer: system timers on one hidden message-only window, each timer known
// by its own identifier.
#include <windows.h>

#include <functional>
#include <map>

#include "native.h"
#include "vcl.h"

struct TTimer::Native {
    UINT_PTR id = 0;
    bool running = false;
    std::function<void()> fire;
};

namespace {

constexpr wchar_t kTimerClassName[] = L"LinkwartTimers";

// At namespace scope, so both outlive every timer, even one in a form the
// application object still holds at exit.
std::map<UINT_PTR, TTimer::Native*> g_timers;
win32::Window g_timerWindow;
UINT_PTR g_nextTimerId = 1;

LRESULT CALLBACK TimerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    // A tick already queued when its timer was stopped or destroyed is dropped.
    const auto found = g_timers.find(static_cast<UINT_PTR>(wParam));
    if (found != g_timers.end() && found->second->running) found->second->fire();
    return 0;
}

HWND TimerWindow() {
    if (!g_timerWindow) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &TimerProc;
        windowClass.hInstance = win32::Instance();
        windowClass.lpszClassName = kTimerClassName;
        ::RegisterClassExW(&windowClass);
        g_timerWindow.reset(::CreateWindowExW(0, kTimerClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, win32::Instance(), nullptr));
    }
    return g_timerWindow.get();
}

}  // namespace

TTimer::TTimer() : native_(std::make_unique<Native>()) {
    native_->id = g_nextTimerId++;
    native_->fire = [this] {
        TApplication::Dispatch([this] {
            if (OnTimer) OnTimer();
        });
    };
    g_timers[native_->id] = native_.get();
    Restart();
}

TTimer::~TTimer() {
    if (native_->running) ::KillTimer(TimerWindow(), native_->id);
    g_timers.erase(native_->id);
}

void TTimer::Restart() {
    const HWND window = TimerWindow();
    if (native_->running) ::KillTimer(window, native_->id);
    native_->running = false;
    if (enabled_ && interval_ > 0)
        native_->running = ::SetTimer(window, native_->id, interval_, nullptr) != 0;
}
