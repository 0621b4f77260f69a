// The Windows entry point. A window that cannot start the sockets layer is
// never shown: the run-time's error box reports it and the program ends
// with exit code 1. So does any other error that escapes the program.
#include <windows.h>

#include <cxxabi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "IdUDPClient.h"
#include "vcl.h"
#include "win32_ui.h"

namespace {

// Test seam: LINKWART_WINSOCK_LIBRARY names the sockets library the window's
// datagram client loads in place of WS2_32.DLL, so a test can make the
// start-up fail with a library that does not exist.
std::string SocketsLibrary() {
    const wchar_t* name = ::_wgetenv(L"LINKWART_WINSOCK_LIBRARY");
    return name != nullptr ? win32::Utf8(name) : std::string();
}

std::string ProgramFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return win32::Utf8(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

// An address as the run-time prints one: upper-case hexadecimal digits,
// as many as a pointer has.
std::string CodeAddress(const void* address) {
    char text[2 * sizeof(void*) + 1];
    std::snprintf(text, sizeof text, "%0*llX", static_cast<int>(2 * sizeof(void*)),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
    return text;
}

// The error's class as the program names it, such as EIdWinsockStubError.
std::string ClassName(const std::exception& error) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? name.get() : typeid(error).name();
}

void ReportStartupError(const std::string& errorClass, const std::string& message) {
    // The code the error escaped from: the program's own main.
    const void* where = reinterpret_cast<const void*>(&LinkwartMain);
    const std::string text = std::string("Exception ") + errorClass + " in Modul " +
                             ProgramFileName() + " bei " + CodeAddress(where) + ".\r\n" +
                             ExceptionMessageText(message);
    win32::ShowMessageBox(nullptr, "Anwendungsfehler", text, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    try {
        return LinkwartMain(SocketsLibrary());
    } catch (const EIdWinsockStubError& error) {
        // The sockets library could not be loaded when the window was made.
        ReportStartupError(ClassName(error), error.what());
        return 1;
    } catch (const std::exception& error) {
        // Any other error that ends the program gets the same report.
        ReportStartupError(ClassName(error), error.what());
        return 1;
    }
}
