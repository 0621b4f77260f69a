// What each system's backend supplies to the shared parts of the UI classes.
#pragma once

#include <memory>
#include <string>

#include "vcl.h"

namespace backend {

// A lamp-sized custom-drawn control on the form.
TControl::NativePtr CreateLamp(TForm& owner, const std::string& name, TRect bounds);
// Draws the lamp in the colour now, without waiting for the message loop.
void PaintLampNow(TControl::Native& lamp, TColor color);

// The modal error box: OK button, stop icon.
void ShowErrorBox(const std::string& title, const std::string& text);

}  // namespace backend
