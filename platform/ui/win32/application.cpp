// The application object on Win32: common controls, the message loop and the
// error box.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "backend.h"
#include "native.h"
#include "vcl.h"
#include "win32_ui.h"

namespace win32 {

HINSTANCE Instance() {
    return ::GetModuleHandleW(nullptr);
}

HWND Handle(const TControl& control) {
    return control.NativeControl().hwnd;
}

HWND Handle(const TForm& form) {
    return form.NativeForm().Handle();
}

void ShowMessageBox(HWND owner, const std::string& title, const std::string& text, UINT flags) {
    // Test seam, see win32_ui.h: a test reads the box from the error stream.
    if (const char* toStderr = std::getenv("LINKWART_ERRORBOX_TO_STDERR");
        toStderr != nullptr && std::strcmp(toStderr, "1") == 0) {
        const std::string report = title + "\r\n" + text + "\r\n";
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), report.data(),
                    static_cast<DWORD>(report.size()), &written, nullptr);
        return;
    }
    ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), flags);
}

namespace {

// One message as the loop handles it: Tab and the other dialog keys move
// the focus between a form's controls. Enter presses nothing: no button is
// a default button and the form ignores IDOK.
void HandleMessage(MSG& message) {
    if (message.hwnd != nullptr) {
        const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr &&
            static_cast<ATOM>(::GetClassLongPtrW(root, GCW_ATOM)) == FormClass() &&
            ::IsDialogMessageW(root, &message))
            return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

}  // namespace

bool ProcessMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        HandleMessage(message);
    }
    return true;
}

}  // namespace win32

void SetCommandLine(int /*argc*/, char** /*argv*/) {
    // The program takes no arguments; Windows keeps the command line itself.
}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    win32::FormClass();
    win32::LampClass();
}

int TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    int exitCode = 0;
    MSG message;
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {  // WM_QUIT: the main window was closed
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) {
            exitCode = 1;
            break;
        }
        win32::HandleMessage(message);
    }
    mainForm_.reset();
    return exitCode;
}

void backend::ShowErrorBox(const std::string& title, const std::string& text) {
    HWND owner = nullptr;
    if (const TForm* form = TApplication::Instance().MainForm();
        form != nullptr && ::IsWindowVisible(win32::Handle(*form)))
        owner = win32::Handle(*form);
    win32::ShowMessageBox(owner, title, text, MB_OK | MB_ICONSTOP);
}
