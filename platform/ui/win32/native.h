// What the Win32 backend keeps behind the UI classes: one window per control
// and per form. Internal to platform/ui/win32.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vcl.h"
#include "win32_ui.h"

namespace win32 {

struct WindowDeleter {
    void operator()(HWND window) const {
        if (::IsWindow(window)) ::DestroyWindow(window);
    }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct FontDeleter {
    void operator()(HFONT font) const { ::DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

HINSTANCE Instance();

// The window classes of our own, registered on first use.
ATOM FormClass();
ATOM LampClass();

// Paints a lamp of the given size in one colour.
void PaintLamp(HDC dc, const RECT& area, TColor color);

enum class ControlKind { Label, Edit, Button, Lamp };

}  // namespace win32

struct TControl::Native {
    Native(TForm::Native& owner, win32::ControlKind controlKind, HWND handle, int tabPosition);
    ~Native();
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    TForm::Native& form;
    win32::ControlKind kind;
    HWND hwnd;
    int tabOrder;                 // -1: not a tab stop
    TControl* control = nullptr;  // set once the control is constructed
    TColor lampColor = clSilver;
};

// The form's window: `this` lives in GWLP_USERDATA from WM_NCCREATE on.
struct TForm::Native {
    Native(const std::string& caption, int clientWidth, int clientHeight);
    ~Native();
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    HWND Handle() const { return hwnd_; }
    HFONT FontOf(TFontStyle style) const;
    int NextControlId() { return nextControlId_++; }
    void Adopt(TControl::Native& child);
    void Forget(TControl::Native& child);
    void Show();
    // The first tab stop: it has the focus when the form is shown.
    HWND FirstTabStop() const;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    TControl::Native* Child(HWND hwnd) const;

    void OnCommand(WORD notification, HWND from);
    LRESULT OnCtlColorStatic(HDC dc, HWND from);
    void OnActivate(bool active);
    void OnSetFocus();
    void OnClose();
    void OnPaint();
    void RestoreFocus();

    win32::Font font_;
    win32::Font boldFont_;
    std::unordered_map<HWND, TControl::Native*> children_;
    std::vector<TControl::Native*> tabStops_;  // in tab order
    HWND lastFocus_ = nullptr;
    int nextControlId_ = 100;  // clear of IDOK and IDCANCEL
    bool shown_ = false;
    HWND hwnd_ = nullptr;
    win32::Window window_;  // last: destroyed first, while the rest still exists
};
