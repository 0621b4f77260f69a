// The lamp of TALed: a small window of our own that paints one colour.
#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "backend.h"
#include "native.h"
#include "vcl.h"
#include "win32_ui.h"

namespace {

constexpr wchar_t kLampClassName[] = L"LinkwartLamp";

COLORREF Scaled(TColor color, int percent) {
    const auto channel = [percent](int value) { return std::clamp(value * percent / 100, 0, 255); };
    return RGB(channel(RedOf(color)), channel(GreenOf(color)), channel(BlueOf(color)));
}

COLORREF Lighter(TColor color) {
    const auto channel = [](int value) { return value + (255 - value) * 3 / 5; };
    return RGB(channel(RedOf(color)), channel(GreenOf(color)), channel(BlueOf(color)));
}

void Fill(HDC dc, RECT area, COLORREF color) {
    const HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(dc, &area, brush);
    ::DeleteObject(brush);
}

void OnPaint(HWND hwnd) {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(hwnd, &paint);
    const auto* native =
        reinterpret_cast<const TControl::Native*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    RECT area;
    ::GetClientRect(hwnd, &area);
    win32::PaintLamp(dc, area, native != nullptr ? native->lampColor : clSilver);
    ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK LampProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            OnPaint(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // a lamp takes no input
        default:
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

ATOM win32::LampClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &LampProc;
        windowClass.hInstance = Instance();
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kLampClassName;
        return ::RegisterClassExW(&windowClass);
    }();
    return atom;
}

void win32::PaintLamp(HDC dc, const RECT& area, TColor color) {
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    const int x = area.left;
    const int y = area.top;
    // A sunken frame, the lit body with a darker rim, and a small highlight
    // so it reads as a lamp.
    Fill(dc, {x, y, x + w, y + 1}, RGB(128, 128, 128));
    Fill(dc, {x, y, x + 1, y + h}, RGB(128, 128, 128));
    Fill(dc, {x + 1, y + h - 1, x + w, y + h}, RGB(255, 255, 255));
    Fill(dc, {x + w - 1, y + 1, x + w, y + h}, RGB(255, 255, 255));
    const RECT body{x + 1, y + 1, x + w - 1, y + h - 1};
    Fill(dc, body, Scaled(color, 62));
    Fill(dc, {body.left + 1, body.top + 1, body.right - 1, body.bottom - 1}, color);
    const int highlightWidth = (body.right - body.left) / 3;
    Fill(dc, {body.left + 3, body.top + 2, body.left + 3 + highlightWidth, body.top + 4},
         Lighter(color));
}

TControl::NativePtr backend::CreateLamp(TForm& owner, const std::string& name, TRect bounds) {
    win32::LampClass();
    TForm::Native& form = owner.NativeForm();
    const HWND hwnd =
        ::CreateWindowExW(0, kLampClassName, win32::Wide(name).c_str(), WS_CHILD | WS_VISIBLE,
                          bounds.Left, bounds.Top, bounds.Width, bounds.Height, form.Handle(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(form.NextControlId())),
                          win32::Instance(), nullptr);
    if (hwnd == nullptr) throw std::runtime_error("Error creating window");
    TControl::NativePtr native(new TControl::Native(form, win32::ControlKind::Lamp, hwnd, -1));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native.get()));
    return native;
}

void backend::PaintLampNow(TControl::Native& lamp, TColor color) {
    lamp.lampColor = color;
    // Painted now, not at the next turn of the loop: a run keeps the loop
    // busy, and no input is handled meanwhile.
    ::RedrawWindow(lamp.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
