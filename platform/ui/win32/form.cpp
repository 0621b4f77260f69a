// The form: a fixed-size top-level window that owns its controls' windows
// and hands their notifications to the controls' events.
#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "native.h"
#include "vcl.h"
#include "win32_ui.h"

namespace {

constexpr wchar_t kFormClassName[] = L"LinkwartForm";
// The program's icon is resource 1; a program without one gets the system's.
constexpr WORD kIconResource = 1;

// Fixed single border, system menu and minimise only: no sizing, no maximise.
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = 0;

// "MS Sans Serif" 8 pt: an 11-pixel character height at 96 pixels per inch.
win32::Font CreateWindowFont(int weight) {
    return win32::Font(::CreateFontW(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
}

HICON LoadProgramIcon(int size) {
    if (auto* icon =
            static_cast<HICON>(::LoadImageW(win32::Instance(), MAKEINTRESOURCEW(kIconResource),
                                            IMAGE_ICON, size, size, LR_DEFAULTCOLOR)))
        return icon;
    return ::LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

ATOM win32::FormClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &TForm::Native::WindowProc;
        windowClass.hInstance = Instance();
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.hIcon = LoadProgramIcon(::GetSystemMetrics(SM_CXICON));
        windowClass.hIconSm = LoadProgramIcon(::GetSystemMetrics(SM_CXSMICON));
        windowClass.lpszClassName = kFormClassName;
        return ::RegisterClassExW(&windowClass);
    }();
    return atom;
}

// ---- TForm::Native ----------------------------------------------------------

TForm::Native::Native(const std::string& caption, int clientWidth, int clientHeight)
    : font_(CreateWindowFont(FW_NORMAL)), boldFont_(CreateWindowFont(FW_BOLD)) {
    win32::FormClass();
    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const HWND hwnd =
        ::CreateWindowExW(kFormExStyle, kFormClassName, win32::Wide(caption).c_str(), kFormStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, win32::Instance(), this);
    if (hwnd == nullptr) throw std::runtime_error("Error creating window");
    window_.reset(hwnd);
    ::SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(::GetSystemMetrics(SM_CXICON))));
    ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(::GetSystemMetrics(SM_CXSMICON))));
}

TForm::Native::~Native() = default;

HFONT TForm::Native::FontOf(TFontStyle style) const {
    return style == TFontStyle::Bold ? boldFont_.get() : font_.get();
}

void TForm::Native::Adopt(TControl::Native& child) {
    children_[child.hwnd] = &child;
    if (child.tabOrder < 0) return;
    // Tab order is the order of the tab stops among the form's children.
    const auto place = std::upper_bound(
        tabStops_.begin(), tabStops_.end(), child.tabOrder,
        [](int order, const TControl::Native* stop) { return order < stop->tabOrder; });
    const HWND after = place == tabStops_.begin() ? HWND_TOP : (*(place - 1))->hwnd;
    tabStops_.insert(place, &child);
    ::SetWindowPos(child.hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::Native::Forget(TControl::Native& child) {
    children_.erase(child.hwnd);
    std::erase(tabStops_, &child);
    if (lastFocus_ == child.hwnd) lastFocus_ = nullptr;
}

HWND TForm::Native::FirstTabStop() const {
    return tabStops_.empty() ? nullptr : tabStops_.front()->hwnd;
}

TControl::Native* TForm::Native::Child(HWND hwnd) const {
    const auto found = children_.find(hwnd);
    return found == children_.end() ? nullptr : found->second;
}

void TForm::Native::Show() {
    if (!shown_) {
        // Centred on the screen when first shown.
        RECT frame;
        ::GetWindowRect(hwnd_, &frame);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        shown_ = true;
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    ::UpdateWindow(hwnd_);
    RestoreFocus();
}

void TForm::Native::RestoreFocus() {
    HWND focus = lastFocus_ != nullptr ? lastFocus_ : FirstTabStop();
    if (focus != nullptr) ::SetFocus(focus);
}

LRESULT CALLBACK TForm::Native::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Native*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Native*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    if (message == WM_NCDESTROY && self != nullptr) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self = nullptr;
    }
    if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT TForm::Native::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        default:
            return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void TForm::Native::OnCommand(WORD notification, HWND from) {
    // Enter and Escape arrive as IDOK and IDCANCEL without a control: the
    // form has no default button and no cancel button, so they do nothing.
    TControl::Native* child = from != nullptr ? Child(from) : nullptr;
    if (child == nullptr || child->control == nullptr) return;
    if (child->kind == win32::ControlKind::Edit && notification == EN_CHANGE) {
        auto& edit = static_cast<TEdit&>(*child->control);
        TApplication::Dispatch([&edit] {
            if (edit.OnChange) edit.OnChange();
        });
    } else if (child->kind == win32::ControlKind::Button && notification == BN_CLICKED) {
        auto& button = static_cast<TButton&>(*child->control);
        TApplication::Dispatch([&button] {
            if (button.OnClick) button.OnClick();
        });
    }
}

LRESULT TForm::Native::OnCtlColorStatic(HDC dc, HWND from) {
    const TControl::Native* child = Child(from);
    if (child == nullptr || child->kind != win32::ControlKind::Label || child->control == nullptr)
        return ::DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(from));
    // TColor and COLORREF share their layout, 0x00BBGGRR.
    ::SetTextColor(dc, static_cast<const TLabel&>(*child->control).FontColor());
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void TForm::Native::OnActivate(bool active) {
    // The focused control is kept while another window is active, as
    // dialog boxes do.
    if (!active) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && Child(focus) != nullptr) lastFocus_ = focus;
        return;
    }
    if (!::IsIconic(hwnd_)) RestoreFocus();
}

void TForm::Native::OnSetFocus() {
    RestoreFocus();
}

void TForm::Native::OnClose() {
    // The window lives on until the form object goes: the loop ends and the
    // application releases the form, which destroys its windows in order.
    ::ShowWindow(hwnd_, SW_HIDE);
    ::PostQuitMessage(0);
}

void TForm::Native::OnPaint() {
    // The class brush has filled the background; the controls draw themselves.
    PAINTSTRUCT paint;
    ::BeginPaint(hwnd_, &paint);
    ::EndPaint(hwnd_, &paint);
}

// ---- TForm ------------------------------------------------------------------

TForm::TForm(std::string name, const std::string& caption, int clientWidth, int clientHeight)
    : native_(std::make_unique<Native>(caption, clientWidth, clientHeight)) {
    (void)name;  // the window has no use for the component name
}

TForm::~TForm() = default;

std::string TForm::Caption() const {
    const HWND hwnd = native_->Handle();
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return win32::Utf8(text);
}

int TForm::ClientWidth() const {
    RECT client;
    ::GetClientRect(native_->Handle(), &client);
    return client.right - client.left;
}

int TForm::ClientHeight() const {
    RECT client;
    ::GetClientRect(native_->Handle(), &client);
    return client.bottom - client.top;
}

void TForm::Show() {
    native_->Show();
}

bool TForm::Resizable() const {
    return (::GetWindowLongPtrW(native_->Handle(), GWL_STYLE) & WS_THICKFRAME) != 0;
}

bool TForm::HasMaximizeButton() const {
    return (::GetWindowLongPtrW(native_->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX) != 0;
}

bool TForm::HasMinimizeButton() const {
    return (::GetWindowLongPtrW(native_->Handle(), GWL_STYLE) & WS_MINIMIZEBOX) != 0;
}
