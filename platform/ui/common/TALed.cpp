#include "backend.h"
#include "vcl.h"

namespace {
constexpr int kLedWidth = 22;  // LEDHorizontal
constexpr int kLedHeight = 14;
}  // namespace

TALed::TALed(TForm& owner, std::string name, int left, int top)
    : TControl(name, backend::CreateLamp(owner, name, {left, top, kLedWidth, kLedHeight})) {
    blinkTimer_.SetEnabled(false);
    blinkTimer_.SetInterval(1000);
    blinkTimer_.OnTimer = [this] {
        blinkOn_ = !blinkOn_;
        Redraw();
    };
    Redraw();
}

void TALed::SetValue(bool value) {
    if (value == value_) return;
    value_ = value;
    RestartBlink();
    Redraw();
}

void TALed::SetTrueColor(TColor color) {
    trueColor_ = color;
    // A blinking lamp starts over with its on-colour.
    RestartBlink();
    Redraw();
}

void TALed::SetBlink(bool blink) {
    blink_ = blink;
    RestartBlink();
    Redraw();
}

void TALed::SetInterval(unsigned ms) {
    blinkTimer_.SetInterval(ms);
}

void TALed::SetFalseColor(TColor color) {
    falseColor_ = color;
    Redraw();
}

void TALed::RestartBlink() {
    blinkOn_ = true;
    blinkTimer_.SetEnabled(false);
    if (value_ && blink_) blinkTimer_.SetEnabled(true);
}

void TALed::Redraw() {
    shown_ = (value_ && blinkOn_) ? trueColor_ : falseColor_;
    backend::PaintLampNow(NativeControl(), shown_);
}
