// The program's start and end: a sockets library that cannot be loaded is
// reported when the datagram client is created, and the program ends before
// its window shows; otherwise the window shows until it is closed.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "IdUDPClient.h"

#include "harness.h"

namespace {

using namespace std::chrono_literals;

// linkwart.exe of this build; under Wine its Linux path is on drive Z:.
std::wstring ProgramPath() {
    std::wstring path = win32::Wide(LINKWART_PROGRAM);
    if (!path.empty() && path.front() == L'/') path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// linkwart.exe running with its standard streams on a pipe; ended when the
// object goes, if it has not ended by itself.
class Program {
  public:
    // socketsLibrary and the error box on the error stream: the program's
    // test seams; an empty name leaves the first unset.
    explicit Program(const std::string& socketsLibrary) {
        if (!socketsLibrary.empty())
            ::SetEnvironmentVariableW(L"LINKWART_WINSOCK_LIBRARY",
                                      win32::Wide(socketsLibrary).c_str());
        ::SetEnvironmentVariableW(L"LINKWART_ERRORBOX_TO_STDERR", L"1");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
            reader_.reset(readEnd);
            ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        }
        const Handle writer(writeEnd);  // the child keeps the only other write end

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        PROCESS_INFORMATION process{};
        std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
        if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &startup, &process)) {
            process_.reset(process.hProcess);
            ::CloseHandle(process.hThread);
            id_ = process.dwProcessId;
        }
        ::SetEnvironmentVariableW(L"LINKWART_WINSOCK_LIBRARY", nullptr);
        ::SetEnvironmentVariableW(L"LINKWART_ERRORBOX_TO_STDERR", nullptr);
    }
    ~Program() {
        if (Started() && !Ended(0ms)) ::TerminateProcess(process_.get(), 99);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_ != nullptr; }
    bool Ended(std::chrono::milliseconds wait) const {
        return ::WaitForSingleObject(process_.get(), static_cast<DWORD>(wait.count())) ==
               WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    // Everything the program wrote; call once it has ended.
    std::string Output() const {
        std::string text;
        char chunk[512];
        DWORD got = 0;
        while (::ReadFile(reader_.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
            text.append(chunk, got);
        return text;
    }
    // The program's visible top-level window, once it has one.
    HWND Window() const {
        Search search{id_, nullptr};
        ::EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

  private:
    struct Search {
        DWORD id;
        HWND found;
    };
    static BOOL CALLBACK FindVisible(HWND window, LPARAM data) {
        auto& search = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != search.id || !::IsWindowVisible(window)) return TRUE;
        search.found = window;
        return FALSE;
    }

    Handle reader_;
    Handle process_;
    DWORD id_ = 0;
};

TEST(StartUp, AMissingSocketsLibraryEndsTheProgramWithTheRunTimesErrorBox) {
    const Program program("NOSUCH.DLL");
    ASSERT_TRUE(program.Started()) << "cannot start " << win32::Utf8(ProgramPath());
    // A window that came up would keep the program in its message loop.
    ASSERT_TRUE(program.Ended(30s)) << "the program did not end: its window came up";
    EXPECT_EQ(program.ExitCode(), 1u);
    const std::string box = program.Output();
    EXPECT_EQ(box.rfind("Anwendungsfehler\r\n", 0), 0u) << box;
    // "Exception %s in Modul %s bei %p." and the error's message.
    const std::string head = "Exception EIdWinsockStubError in Modul linkwart.exe bei ";
    ASSERT_NE(box.find(head), std::string::npos) << box;
    const std::string address = box.substr(box.find(head) + head.size(), 2 * sizeof(void*));
    EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << address;
    EXPECT_NE(box.find(address + ".\r\nError on loading Winsock2 library (NOSUCH.DLL): "),
              std::string::npos)
        << box;
}

TEST(StartUp, TheProgramShowsItsWindowAndEndsWhenTheWindowIsClosed) {
    if (!harness::HasDisplay()) GTEST_SKIP() << "the window needs a display (DISPLAY unset)";
    const Program program("");
    ASSERT_TRUE(program.Started()) << "cannot start " << win32::Utf8(ProgramPath());
    HWND window = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while ((window = program.Window()) == nullptr && std::chrono::steady_clock::now() < deadline)
        ASSERT_FALSE(program.Ended(100ms)) << "ended early: " << program.Output();
    ASSERT_NE(window, nullptr) << "no window came up";
    wchar_t caption[64] = {};
    ::GetWindowTextW(window, caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Linkwarter");
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 241);
    EXPECT_EQ(client.bottom, 321);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Ended(30s)) << "closing the window did not end the program";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(program.Output(), "");
}

struct LibraryCase {
    const char* library;
    bool loads;  // a sockets library with every function the client needs
};

TEST(StartUp, TheClientLoadsTheNamedLibraryAndReportsOneItCannotUse) {
    const LibraryCase cases[] = {
        {"", true},  // the system's own, WS2_32.DLL
        {"WS2_32.DLL", true},
        {"ws2_32.dll", true},
        {"NOSUCH.DLL", false},    // no such file
        {"KERNEL32.DLL", false},  // there, but no sockets functions
    };
    for (const LibraryCase& c : cases) {
        SCOPED_TRACE(c.library);
        if (c.loads) {
            TIdUDPClient client(c.library);
            client.SetActive(true);
            EXPECT_TRUE(client.Active());
            continue;
        }
        try {
            TIdUDPClient client(c.library);
            ADD_FAILURE() << "loaded";
        } catch (const EIdWinsockStubError& error) {
            const std::string prefix =
                std::string("Error on loading Winsock2 library (") + c.library + "): ";
            const std::string message = error.what();
            EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
            // The system's description follows, without a line end.
            EXPECT_GT(message.size(), prefix.size()) << message;
            EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
        }
    }
}

}  // namespace
