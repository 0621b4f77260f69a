// The window of the Windows build, drawn by Win32 and driven through its
// message loop, with the checks answered by the fake system.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Unit1.h"
#include "fake_os.h"

// After the fake: the system's headers define the sockets codes as macros.
#include "harness.h"

namespace {

using namespace std::chrono_literals;
using harness::Pump;
using harness::PumpUntil;
using win32::Handle;

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kSilver = RGB(192, 192, 192);
// A point inside a lamp's lit body, clear of its rim and highlight.
constexpr int kLampX = 11;
constexpr int kLampY = 9;

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!harness::HasDisplay()) GTEST_SKIP() << "the window needs a display (DISPLAY unset)";
        os::fake::Reset();
        form = std::make_unique<TForm1>();
        form->Show();
        Pump(50ms);
    }
    void TearDown() override {
        form.reset();
        TApplication::Instance().OnShowMessage = nullptr;
    }

    std::vector<TALed*> CheckLamps() const {
        return {&form->ALed1, &form->ALed2, &form->ALed3, &form->ALed4, &form->ALed5};
    }

    std::unique_ptr<TForm1> form;
    os::fake::State& system = os::fake::Current();
};

// ---- Window and layout ------------------------------------------------------

TEST_F(Window, IsAFixedSingleBorderWindowOf241By321CentredOnTheScreen) {
    const HWND window = Handle(*form);
    EXPECT_EQ(form->Caption(), "Linkwarter");
    RECT client;
    ASSERT_TRUE(::GetClientRect(window, &client));
    EXPECT_EQ(client.right - client.left, 241);
    EXPECT_EQ(client.bottom - client.top, 321);

    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "a sizing border";
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0) << "a maximise button";
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_FALSE(form->Resizable());
    EXPECT_FALSE(form->HasMaximizeButton());
    EXPECT_TRUE(form->HasMinimizeButton());

    RECT frame;
    ::GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    EXPECT_EQ(::GetClassLongPtrW(window, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
    EXPECT_EQ(harness::PixelOf(window, 2, 2), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0) << "no window icon";
}

TEST_F(Window, MinimisesAndComesBack) {
    const HWND window = Handle(*form);
    ::SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Pump(50ms);
    EXPECT_TRUE(::IsIconic(window));
    ::SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    Pump(50ms);
    EXPECT_FALSE(::IsIconic(window));
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 241);
    EXPECT_EQ(client.bottom, 321);
}

struct Place {
    const char* name;
    std::function<TControl&(TForm1&)> control;
    TRect bounds;
};

const std::vector<Place>& Layout() {
    static const std::vector<Place> places = {
        {"Label6", [](TForm1& f) -> TControl& { return f.Label6; }, {8, 8, 221, 13}},
        {"Label1", [](TForm1& f) -> TControl& { return f.Label1; }, {16, 36, 51, 13}},
        {"Edit1", [](TForm1& f) -> TControl& { return f.Edit1; }, {80, 32, 121, 21}},
        {"Label7", [](TForm1& f) -> TControl& { return f.Label7; }, {64, 64, 112, 13}},
        {"Label10", [](TForm1& f) -> TControl& { return f.Label10; }, {16, 96, 57, 13}},
        {"ALed6", [](TForm1& f) -> TControl& { return f.ALed6; }, {144, 96, 22, 14}},
        {"Label12", [](TForm1& f) -> TControl& { return f.Label12; }, {24, 112, 45, 13}},
        {"Label11", [](TForm1& f) -> TControl& { return f.Label11; }, {64, 128, 156, 13}},
        {"Label2", [](TForm1& f) -> TControl& { return f.Label2; }, {16, 152, 80, 13}},
        {"ALed1", [](TForm1& f) -> TControl& { return f.ALed1; }, {144, 152, 22, 14}},
        {"Label3", [](TForm1& f) -> TControl& { return f.Label3; }, {16, 176, 119, 13}},
        {"ALed2", [](TForm1& f) -> TControl& { return f.ALed2; }, {144, 176, 22, 14}},
        {"Label4", [](TForm1& f) -> TControl& { return f.Label4; }, {16, 200, 90, 13}},
        {"ALed3", [](TForm1& f) -> TControl& { return f.ALed3; }, {144, 200, 22, 14}},
        {"Label9", [](TForm1& f) -> TControl& { return f.Label9; }, {176, 200, 43, 13}},
        {"Label5", [](TForm1& f) -> TControl& { return f.Label5; }, {16, 224, 69, 13}},
        {"ALed4", [](TForm1& f) -> TControl& { return f.ALed4; }, {144, 224, 22, 14}},
        {"Label8", [](TForm1& f) -> TControl& { return f.Label8; }, {16, 248, 88, 13}},
        {"ALed5", [](TForm1& f) -> TControl& { return f.ALed5; }, {144, 248, 22, 14}},
        {"Button1", [](TForm1& f) -> TControl& { return f.Button1; }, {8, 280, 225, 33}},
    };
    return places;
}

TEST_F(Window, EveryControlSitsWhereTheLayoutPutsIt) {
    for (const Place& place : Layout()) {
        SCOPED_TRACE(place.name);
        const TControl& control = place.control(*form);
        EXPECT_EQ(control.Name(), place.name);
        const TRect shown = control.BoundsRect();
        EXPECT_EQ(shown.Left, place.bounds.Left);
        EXPECT_EQ(shown.Top, place.bounds.Top);
        EXPECT_EQ(shown.Height, place.bounds.Height);
        // A label is as wide as its text in the font at hand; every other
        // control has its width from the layout.
        if (const auto* label = dynamic_cast<const TLabel*>(&control)) {
            EXPECT_GE(shown.Width, label->TextWidth()) << "the text is cut off";
            EXPECT_GT(label->TextWidth(), 0);
            // Only the address list may run past the window's edge.
            if (control.Name() != "Label12") {
                EXPECT_LE(shown.Left + shown.Width, 241);
            }
        } else {
            EXPECT_EQ(shown.Width, place.bounds.Width);
        }
        // The window the user sees is where the control says it is.
        RECT r;
        ::GetWindowRect(Handle(control), &r);
        ::MapWindowPoints(HWND_DESKTOP, Handle(*form), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, place.bounds.Left);
        EXPECT_EQ(r.top, place.bounds.Top);
    }
}

LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    return font;
}

// The text colour the form gives a label when it paints it.
COLORREF TextColourOf(HWND form, HWND label) {
    const HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(label));
    const COLORREF color = ::GetTextColor(dc);
    ::DeleteDC(dc);
    return color;
}

TEST_F(Window, StartsEmptyFocusedWithEveryLampOffAndTheNoticesHidden) {
    for (TALed* lamp : CheckLamps()) {
        SCOPED_TRACE(lamp->Name());
        EXPECT_FALSE(lamp->Value());
        EXPECT_EQ(lamp->ShownColor(), clSilver);
        EXPECT_EQ(harness::PixelOf(Handle(*lamp), kLampX, kLampY), kSilver);
    }
    EXPECT_FALSE(form->ALed6.Value());
    EXPECT_FALSE(form->Label7.Visible());
    EXPECT_FALSE(form->Label11.Visible());
    EXPECT_FALSE(form->Label12.Visible());
    EXPECT_FALSE(::IsWindowVisible(Handle(form->Label7)));
    EXPECT_EQ(form->Edit1.Text(), "");
    EXPECT_TRUE(form->Edit1.Focused());
    EXPECT_EQ(::GetFocus(), Handle(form->Edit1));
    EXPECT_EQ(form->Label7.Caption(), "IP Eingabe ungültig");
    EXPECT_EQ(form->Button1.Caption(), "Starten");
}

TEST_F(Window, DrawsTheHeadingInTheWindowFontTheWarningBoldAndTheNotesGrey) {
    const LOGFONTW regular = FontOf(Handle(form->Label6));
    EXPECT_EQ(std::wstring(regular.lfFaceName), L"MS Sans Serif");
    EXPECT_EQ(regular.lfHeight, -11);
    EXPECT_LT(regular.lfWeight, FW_BOLD);
    EXPECT_GE(FontOf(Handle(form->Label7)).lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(Handle(form->Edit1)).lfHeight, -11);
    EXPECT_EQ(FontOf(Handle(form->Button1)).lfHeight, -11);

    const HWND window = Handle(*form);
    EXPECT_EQ(TextColourOf(window, Handle(form->Label9)), RGB(128, 128, 128));
    EXPECT_EQ(TextColourOf(window, Handle(form->Label11)), RGB(128, 128, 128));
    EXPECT_EQ(TextColourOf(window, Handle(form->Label1)), RGB(0, 0, 0));
}

// ---- Keys -------------------------------------------------------------------

TEST_F(Window, EnterInTheAddressBoxStartsNoRunButSpaceOnTheButtonDoes) {
    // Button1 is a plain push button, never the default one.
    const LONG_PTR buttonStyle = ::GetWindowLongPtrW(Handle(form->Button1), GWL_STYLE);
    EXPECT_NE(buttonStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(form->Button1.IsDefault());

    // A run with the empty address would show "IP Eingabe ungültig".
    ::SetFocus(Handle(form->Edit1));
    harness::PostKey(Handle(form->Edit1), VK_RETURN, L'\r');
    Pump(100ms);
    EXPECT_FALSE(form->Label7.Visible()) << "Enter started a run";
    EXPECT_FALSE(form->Button1.IsDefault());

    // The same keys reach the button: Space presses it.
    ::SetFocus(Handle(form->Button1));
    harness::PostKey(Handle(form->Button1), VK_SPACE, L' ');
    Pump(100ms);
    EXPECT_TRUE(form->Label7.Visible()) << "Space on the button started no run";
}

TEST_F(Window, TabMovesTheFocusBetweenAddressBoxAndButton) {
    ASSERT_TRUE(form->Edit1.Focused());
    harness::PostKey(Handle(form->Edit1), VK_TAB, L'\t');
    Pump(50ms);
    EXPECT_EQ(::GetFocus(), Handle(form->Button1));
    harness::PostKey(Handle(form->Button1), VK_TAB, L'\t');
    Pump(50ms);
    EXPECT_TRUE(form->Edit1.Focused());
    EXPECT_EQ(form->Edit1.Text(), "") << "the Tab went into the text";
}

// ---- Editing the address ----------------------------------------------------

struct Edit {
    const char* what;
    std::function<void(HWND)> keys;
};

TEST_F(Window, EveryChangeOfTheAddressClearsTheCheckLampsAndHidesTheNotice) {
    const std::vector<Edit> edits = {
        {"typing one character", [](HWND edit) { harness::PostKey(edit, '7', L'7'); }},
        {"deleting the whole address",
         [](HWND edit) {
             ::SendMessageW(edit, EM_SETSEL, 0, -1);
             harness::PostKey(edit, VK_BACK, L'\b');
         }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        form->Edit1.SetText("1.2.3");
        form->Button1.Click();  // malformed: shows the notice
        ASSERT_TRUE(form->Label7.Visible());
        for (TALed* lamp : CheckLamps()) lamp->SetValue(true);
        form->ALed1.SetTrueColor(clRed);
        const bool interfaceLamp = form->ALed6.Value();
        const std::string addresses = form->Label12.Caption();

        ::SetFocus(Handle(form->Edit1));
        ::SendMessageW(Handle(form->Edit1), EM_SETSEL, 5, 5);
        edit.keys(Handle(form->Edit1));
        Pump(50ms);

        for (TALed* lamp : CheckLamps()) {
            SCOPED_TRACE(lamp->Name());
            EXPECT_FALSE(lamp->Value());
            EXPECT_EQ(harness::PixelOf(Handle(*lamp), kLampX, kLampY), kSilver);
        }
        EXPECT_EQ(form->ALed1.TrueColor(), clLime);
        EXPECT_FALSE(form->Label7.Visible());
        EXPECT_EQ(form->ALed6.Value(), interfaceLamp);
        EXPECT_EQ(form->Label12.Caption(), addresses);
    }
    EXPECT_EQ(form->Edit1.Text(), "");
}

// ---- Test runs --------------------------------------------------------------

TEST_F(Window, AMalformedAddressShowsTheNoticeAndChecksNothing) {
    for (const char* text : {"", "192.168.0.256", "1.2.3", "127.0.0.1 "}) {
        SCOPED_TRACE(text);
        os::fake::Reset();
        form->Edit1.SetText(text);
        ASSERT_FALSE(form->Label7.Visible());
        form->Button1.Click();
        Pump(20ms);
        EXPECT_TRUE(form->Label7.Visible());
        EXPECT_TRUE(::IsWindowVisible(Handle(form->Label7)));
        for (TALed* lamp : CheckLamps()) EXPECT_FALSE(lamp->Value()) << lamp->Name();
        EXPECT_EQ(system.icmpCreateCalls, 0);
        EXPECT_EQ(system.wsaStartupCalls, 0);
    }
}

TEST_F(Window, EachLampIsOnScreenAsSoonAsItsCheckReturns) {
    harness::SilentPeer device;
    form->IdUDPClient80.SetPort(device.Port());
    form->Edit1.SetText("127.0.0.1");
    // Looked at from inside the echo probe, while the run holds the loop:
    // the lamps of the checks before it are already drawn.
    COLORREF sockets = 0;
    COLORREF echo = 0;
    system.icmp.onSend = [&] {
        sockets = harness::PixelOf(Handle(form->ALed1), kLampX, kLampY);
        echo = harness::PixelOf(Handle(form->ALed4), kLampX, kLampY);
    };
    form->Button1.Click();
    EXPECT_EQ(sockets, kGreen);
    EXPECT_EQ(echo, kSilver);
    for (TALed* lamp : {&form->ALed1, &form->ALed2, &form->ALed3, &form->ALed4}) {
        SCOPED_TRACE(lamp->Name());
        EXPECT_EQ(lamp->ShownColor(), clLime);
        EXPECT_EQ(harness::PixelOf(Handle(*lamp), kLampX, kLampY), kGreen);
    }
    // The peer never answers.
    EXPECT_FALSE(form->ALed5.Value());
    EXPECT_FALSE(form->Label7.Visible());
}

// ---- Interface display ------------------------------------------------------

TEST_F(Window, TheFirstTickShowsSeveralInterfacesWithABlinkingLampOnce) {
    system.table.rows = {os::fake::Row(1, "127.0.0.1", "255.0.0.0"),
                         os::fake::Row(11, "192.168.0.10"), os::fake::Row(12, "10.0.0.1")};
    ASSERT_TRUE(PumpUntil([&] { return form->Label12.Visible(); }, 3000ms)) << "Timer1 never fired";
    EXPECT_EQ(form->Label10.Caption(), "Mehrfachschnittstellen");
    // The label grew with its text.
    EXPECT_GE(form->Label10.BoundsRect().Width, form->Label10.TextWidth());
    EXPECT_GT(form->Label10.BoundsRect().Width, 57);
    EXPECT_TRUE(form->Label11.Visible());
    EXPECT_EQ(form->Label12.Caption(), "10.0.0.1+127.0.0.1+192.168.0.10");
    EXPECT_TRUE(form->ALed6.Value());
    EXPECT_TRUE(form->ALed6.Blink());
    EXPECT_EQ(form->ALed6.TrueColor(), clRed);

    // It alternates on the screen, driven by the message loop.
    bool sawRed = false;
    bool sawSilver = false;
    PumpUntil(
        [&] {
            const COLORREF now = harness::PixelOf(Handle(form->ALed6), kLampX, kLampY);
            sawRed = sawRed || now == RGB(255, 0, 0);
            sawSilver = sawSilver || now == kSilver;
            return sawRed && sawSilver;
        },
        2000ms);
    EXPECT_TRUE(sawRed);
    EXPECT_TRUE(sawSilver);

    // One scan is two table queries; the timer never fires again.
    Pump(1500ms);
    EXPECT_EQ(system.tableQueries, 2);
}

// ---- Errors that escape a handler --------------------------------------------

struct Shown {
    std::string title;
    std::string text;
};

struct EventSource {
    const char* what;
    std::function<void(TForm1&, std::function<void()>)> arm;  // puts the handler in place
    std::function<void(TForm1&)> fire;                        // makes the event happen
};

TEST_F(Window, AnErrorInAnyHandlerGoesToTheMessageBoxAndTheLoopGoesOn) {
    TApplication::Instance().SetTitle("Linkwart");
    std::vector<Shown> shown;
    TApplication::Instance().OnShowMessage = [&](const std::string& title,
                                                 const std::string& text) {
        shown.push_back({title, text});
    };
    const auto failing = [] { throw std::runtime_error("Kaputt"); };
    const std::vector<EventSource> sources = {
        {"a key in the address box",
         [](TForm1& f, std::function<void()> h) { f.Edit1.OnChange = std::move(h); },
         [](TForm1& f) { harness::PostKey(Handle(f.Edit1), 'X', L'x'); }},
        {"a click of the button",
         [](TForm1& f, std::function<void()> h) { f.Button1.OnClick = std::move(h); },
         [](TForm1& f) { ::PostMessageW(Handle(f.Button1), BM_CLICK, 0, 0); }},
        {"a timer tick",
         [](TForm1& f, std::function<void()> h) {
             f.Timer1.OnTimer = std::move(h);
             f.Timer1.SetInterval(50);
             f.Timer1.SetEnabled(true);
         },
         [](TForm1&) {}},
    };
    for (const EventSource& source : sources) {
        SCOPED_TRACE(source.what);
        shown.clear();
        source.arm(*form, failing);
        source.fire(*form);
        ASSERT_TRUE(PumpUntil([&] { return !shown.empty(); }, 2000ms));
        EXPECT_EQ(shown.front().title, "Linkwart");
        EXPECT_EQ(shown.front().text, "Kaputt.");
        form->Timer1.SetEnabled(false);
    }
    // And after all that the window still takes input.
    form->Edit1.OnChange = [&] { form->Edit1Change(); };
    form->ALed1.SetValue(true);
    harness::PostKey(Handle(form->Edit1), '1', L'1');
    Pump(50ms);
    EXPECT_FALSE(form->ALed1.Value());
}

struct MessageRule {
    std::string message;
    std::string text;
};

TEST_F(Window, TheBoxEndsTheMessageWithAFullStopUnlessItEndsInPunctuation) {
    const std::vector<MessageRule> rules = {
        {"Kaputt", "Kaputt."},
        {"Fertig!", "Fertig!"},
        {"Ende.", "Ende."},
        {"(optional)", "(optional)"},
        {"Leerzeichen ", "Leerzeichen "},
        {"Socket Error # 10054\r\nConnection reset by peer",
         "Socket Error # 10054\r\nConnection reset by peer."},
        {"IP Eingabe ungültig", "IP Eingabe ungültig."},
        {"Adresse:", "Adresse:."},  // ':' comes after '.'
        {"", "."},
    };
    std::string shown;
    TApplication::Instance().OnShowMessage = [&](const std::string&, const std::string& text) {
        shown = text;
    };
    for (const MessageRule& rule : rules) {
        SCOPED_TRACE(rule.message);
        shown = "-";
        form->Button1.OnClick = [&] { throw std::runtime_error(rule.message); };
        form->Button1.Click();
        EXPECT_EQ(shown, rule.text);
    }
}

}  // namespace
