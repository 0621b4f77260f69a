#include "harness.h"
#include "wide_text.h"

#include <iphlpapi.h>
#include <windows.h>
#include <winsock2.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace harness {

namespace {

using win32::Wide;

// One argument as the C run-time of the child splits it again.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

}  // namespace

struct ChildProcess::Native {
    Handle process;
    std::optional<int> exitCode;
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outputFile)
    : native_(std::make_unique<Native>()) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // Shared for reading: the test reads the output while the child writes.
    Handle output(::CreateFileW(Wide(NativePath(outputFile)).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (output.get() == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + outputFile);

    const std::wstring path = Wide(NativePath(program));
    std::wstring commandLine = Quoted(path);
    for (const std::string& argument : arguments) commandLine += L" " + Quoted(Wide(argument));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started))
        throw std::runtime_error("cannot start " + program + ": error " +
                                 std::to_string(::GetLastError()));
    ::CloseHandle(started.hThread);
    native_->process.reset(started.hProcess);
}

ChildProcess::~ChildProcess() {
    Stop();
}

std::optional<int> ChildProcess::WaitFor(int timeoutMs) {
    if (native_->exitCode) return native_->exitCode;
    if (::WaitForSingleObject(native_->process.get(), static_cast<DWORD>(timeoutMs)) !=
        WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(native_->process.get(), &code);
    native_->exitCode = static_cast<int>(code);
    return native_->exitCode;
}

void ChildProcess::Stop() {
    if (!native_->process || native_->exitCode) return;
    ::TerminateProcess(native_->process.get(), 143);
    WaitFor(10000);
}

std::string NativePath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    // Wine shows the Unix file system as drive Z:.
    std::string native = "Z:" + path;
    for (char& c : native)
        if (c == '/') c = '\\';
    return native;
}

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool OnlyTestNetworks() {
    ULONG size = 0;
    if (::GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER) return false;
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (::GetIpAddrTable(table, &size, FALSE) != NO_ERROR) return false;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        unsigned char bytes[4];  // network order
        std::memcpy(bytes, &table->table[i].dwAddr, sizeof bytes);
        const bool loopback = bytes[0] == 127;
        const bool testRange = bytes[0] == 198 && (bytes[1] & 0xFE) == 18;  // 198.18.0.0/15
        if (!loopback && !testRange) return false;
    }
    return true;
}

// The Win32 window classes need no object of their own.
struct ToolkitApplication::Native {};

ToolkitApplication::ToolkitApplication(int& /*argc*/, char** /*argv*/) {}

ToolkitApplication::~ToolkitApplication() = default;

}  // namespace harness
