// The user-interface classes the window is built from. One header set; each
// system draws them its own way (platform/ui/qt, platform/ui/win32).
//
// Properties become a getter and a Set... function. Events are std::function
// members; an exception escaping one is shown by TApplication, and the
// message loop goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Colours as 0x00BBGGRR.
using TColor = std::uint32_t;
inline constexpr TColor clLime = 0x0000FF00;
inline constexpr TColor clRed = 0x000000FF;
inline constexpr TColor clSilver = 0x00C0C0C0;
inline constexpr TColor clGray = 0x00808080;
inline constexpr TColor clBlack = 0x00000000;

inline constexpr int RedOf(TColor c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int GreenOf(TColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int BlueOf(TColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

struct TRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TRect&) const = default;
};

class TForm;

// Every visible control: a native child of a form at a fixed place.
class TControl {
  public:
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    bool Visible() const;
    void SetVisible(bool visible);
    TRect BoundsRect() const;  // relative to the form's client area
    std::string Name() const { return name_; }

    struct Native;  // the system's control, defined by each backend
    struct NativeDeleter {
        void operator()(Native* native) const;
    };
    using NativePtr = std::unique_ptr<Native, NativeDeleter>;
    Native& NativeControl() const { return *native_; }

  protected:
    TControl(std::string name, NativePtr native);

  private:
    std::string name_;
    NativePtr native_;
};

enum class TFontStyle { Regular, Bold };

class TLabel : public TControl {
  public:
    // The width follows the text whenever the caption changes (auto-size).
    TLabel(TForm& owner, std::string name, TRect bounds, const std::string& caption);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    void SetFontStyle(TFontStyle style);
    void SetFontColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    TFontStyle FontStyle() const { return fontStyle_; }
    int TextWidth() const;  // width the caption needs in the label's font

  private:
    TColor fontColor_ = clBlack;
    TFontStyle fontStyle_ = TFontStyle::Regular;
};

class TEdit : public TControl {
  public:
    TEdit(TForm& owner, std::string name, TRect bounds, int tabOrder);
    // UTF-8; what the user typed, not trimmed.
    std::string Text() const;
    void SetText(const std::string& text);
    bool Focused() const;
    std::function<void()> OnChange;
};

class TButton : public TControl {
  public:
    TButton(TForm& owner, std::string name, TRect bounds, const std::string& caption, int tabOrder);
    std::string Caption() const;
    bool IsDefault() const;  // Enter in another control presses a default button
    void Click();            // as if the user pressed it
    std::function<void()> OnClick;
};

// A non-visual timer driven by the message loop.
class TTimer {
  public:
    TTimer();
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    std::function<void()> OnTimer;

    struct Native;

  private:
    void Restart();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    std::unique_ptr<Native> native_;
};

enum class TLEDStyle { LEDHorizontal };

// A small lamp. Every change is drawn at once, even while the message loop is
// busy; blinking alternates TrueColor and FalseColor every Interval ms.
class TALed : public TControl {
  public:
    TALed(TForm& owner, std::string name, int left, int top);

    bool Value() const { return value_; }
    void SetValue(bool value);
    TColor TrueColor() const { return trueColor_; }
    void SetTrueColor(TColor color);
    bool Blink() const { return blink_; }
    void SetBlink(bool blink);
    unsigned Interval() const { return blinkTimer_.Interval(); }
    void SetInterval(unsigned ms);
    TColor FalseColor() const { return falseColor_; }
    void SetFalseColor(TColor color);
    TLEDStyle LEDStyle() const { return TLEDStyle::LEDHorizontal; }

    // The colour on screen now (the blink phase included).
    TColor ShownColor() const { return shown_; }
    bool Blinking() const { return blinkTimer_.Enabled(); }

  private:
    void Redraw();
    void RestartBlink();

    bool value_ = false;
    TColor trueColor_ = clLime;
    TColor falseColor_ = clSilver;
    bool blink_ = false;
    bool blinkOn_ = true;  // phase of the alternation
    TColor shown_ = clSilver;
    TTimer blinkTimer_;
};

// The stand-in for the visual-style component: on Windows the manifest does
// the work, on Linux the toolkit's own style does.
class TThemeManager {};

class TStringList {
  public:
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const {
        return lines_.at(static_cast<std::size_t>(index));
    }
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
};

// The top-level window. Fixed single border, system menu and minimise only,
// button-face background, centred on the screen when first shown.
class TForm {
  public:
    TForm(std::string name, const std::string& caption, int clientWidth, int clientHeight);
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    std::string Caption() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void Show();
    bool Resizable() const;
    bool HasMaximizeButton() const;
    bool HasMinimizeButton() const;

    struct Native;
    Native& NativeForm() const { return *native_; }

  private:
    std::unique_ptr<Native> native_;
};

// The application object: title, main form, message loop and the display of
// exceptions that escape an event handler.
class TApplication {
  public:
    static TApplication& Instance();

    void Initialize();
    std::string Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    void SetMainForm(std::unique_ptr<TForm> form);
    TForm* MainForm() const { return mainForm_.get(); }
    int Run();

    // Shows the message of an exception that escaped a handler: a box titled
    // with the application title, OK button, stop icon.
    void ShowException(const std::exception& error);

    // Lets a test see the box's text instead of a modal box.
    std::function<void(const std::string& title, const std::string& text)> OnShowMessage;

    // Runs one event handler; what escapes it is shown, the loop goes on.
    template <class F>
    static void Dispatch(F&& handler) {
        try {
            handler();
        } catch (const std::exception& error) {
            Instance().ShowException(error);
        } catch (...) {
            Instance().ShowException(std::runtime_error("Unbekannter Fehler"));
        }
    }

  private:
    std::string title_;
    std::unique_ptr<TForm> mainForm_;
};

// The text of the error box: a full stop is appended unless the message
// already ends in a character whose code is at most that of ".".
std::string ExceptionMessageText(const std::string& message);

// Set by the system's entry point before the program's own main runs.
void SetCommandLine(int argc, char** argv);

// The program's own entry: initialise, title, create the main form, run.
// socketsLibrary names the library the window's datagram client starts the
// sockets layer from; empty for the system's own.
int LinkwartMain(const std::string& socketsLibrary = std::string());
