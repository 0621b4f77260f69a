// Labels, the edit box and the push button as the system's own controls.
#include <windows.h>

#include <stdexcept>

#include "backend.h"
#include "native.h"
#include "vcl.h"
#include "win32_ui.h"

namespace {

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A child window of the form at its place, in the form's font.
TControl::NativePtr CreateChild(TForm& owner, win32::ControlKind kind, const wchar_t* windowClass,
                                const std::wstring& text, DWORD style, DWORD exStyle, TRect bounds,
                                int tabOrder) {
    TForm::Native& form = owner.NativeForm();
    const int id = form.NextControlId();
    const HWND hwnd = ::CreateWindowExW(
        exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.Left, bounds.Top,
        bounds.Width, bounds.Height, form.Handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win32::Instance(), nullptr);
    if (hwnd == nullptr) throw std::runtime_error("Error creating window");
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(form.FontOf(TFontStyle::Regular)),
                   FALSE);
    return TControl::NativePtr(new TControl::Native(form, kind, hwnd, tabOrder));
}

// Auto-size: the label is as wide as its text; its place and height stay.
// The text never wraps: what runs past the window's edge is cut off.
void FitWidthToText(const TLabel& label) {
    const HWND hwnd = win32::Handle(label);
    const TRect bounds = label.BoundsRect();
    ::SetWindowPos(hwnd, nullptr, 0, 0, label.TextWidth(), bounds.Height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// ---- TControl ---------------------------------------------------------------

TControl::Native::Native(TForm::Native& owner, win32::ControlKind controlKind, HWND handle,
                         int tabPosition)
    : form(owner), kind(controlKind), hwnd(handle), tabOrder(tabPosition) {
    form.Adopt(*this);
}

TControl::Native::~Native() {
    form.Forget(*this);
    win32::WindowDeleter()(hwnd);
}

void TControl::NativeDeleter::operator()(Native* native) const {
    delete native;
}

TControl::~TControl() = default;

bool TControl::Visible() const {
    // The control's own flag: a hidden form does not hide its controls.
    return (::GetWindowLongPtrW(native_->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TControl::SetVisible(bool visible) {
    ::ShowWindow(native_->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

TRect TControl::BoundsRect() const {
    RECT r;
    ::GetWindowRect(native_->hwnd, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(native_->hwnd), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// ---- TLabel -----------------------------------------------------------------

TLabel::TLabel(TForm& owner, std::string name, TRect bounds, const std::string& caption)
    : TControl(std::move(name),
               CreateChild(owner, win32::ControlKind::Label, L"STATIC", win32::Wide(caption),
                           SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, bounds, -1)) {
    NativeControl().control = this;
    FitWidthToText(*this);
}

std::string TLabel::Caption() const {
    return win32::Utf8(WindowText(NativeControl().hwnd));
}

void TLabel::SetCaption(const std::string& caption) {
    ::SetWindowTextW(NativeControl().hwnd, win32::Wide(caption).c_str());
    FitWidthToText(*this);
}

void TLabel::SetFontStyle(TFontStyle style) {
    fontStyle_ = style;
    const Native& native = NativeControl();
    ::SendMessageW(native.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(native.form.FontOf(style)),
                   TRUE);
    FitWidthToText(*this);
}

void TLabel::SetFontColor(TColor color) {
    fontColor_ = color;
    ::InvalidateRect(NativeControl().hwnd, nullptr, TRUE);
}

int TLabel::TextWidth() const {
    const HWND hwnd = NativeControl().hwnd;
    const std::wstring text = WindowText(hwnd);
    const HDC dc = ::GetDC(hwnd);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, previous);
    ::ReleaseDC(hwnd, dc);
    return size.cx;
}

// ---- TEdit ------------------------------------------------------------------

TEdit::TEdit(TForm& owner, std::string name, TRect bounds, int tabOrder)
    : TControl(std::move(name), CreateChild(owner, win32::ControlKind::Edit, L"EDIT", L"",
                                            WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                            bounds, tabOrder)) {
    NativeControl().control = this;
}

std::string TEdit::Text() const {
    return win32::Utf8(WindowText(NativeControl().hwnd));
}

void TEdit::SetText(const std::string& text) {
    ::SetWindowTextW(NativeControl().hwnd, win32::Wide(text).c_str());
}

bool TEdit::Focused() const {
    return ::GetFocus() == NativeControl().hwnd;
}

// ---- TButton ----------------------------------------------------------------

TButton::TButton(TForm& owner, std::string name, TRect bounds, const std::string& caption,
                 int tabOrder)
    // A plain push button, never the default one: Enter in the address box
    // must not start a run.
    : TControl(std::move(name),
               CreateChild(owner, win32::ControlKind::Button, L"BUTTON", win32::Wide(caption),
                           WS_TABSTOP | BS_PUSHBUTTON, 0, bounds, tabOrder)) {
    NativeControl().control = this;
}

std::string TButton::Caption() const {
    return win32::Utf8(WindowText(NativeControl().hwnd));
}

bool TButton::IsDefault() const {
    return (::GetWindowLongPtrW(NativeControl().hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

void TButton::Click() {
    // The notification a press sends, through the form as a real one goes.
    const HWND hwnd = NativeControl().hwnd;
    ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
}
