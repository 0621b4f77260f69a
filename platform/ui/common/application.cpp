#include "backend.h"
#include "vcl.h"

std::string ExceptionMessageText(const std::string& message) {
    // Messages that already end in punctuation or a blank keep their ending.
    if (!message.empty() && static_cast<unsigned char>(message.back()) <= '.') return message;
    return message + ".";
}

TApplication& TApplication::Instance() {
    static TApplication application;
    return application;
}

void TApplication::ShowException(const std::exception& error) {
    const std::string text = ExceptionMessageText(error.what());
    if (OnShowMessage) {
        OnShowMessage(title_, text);
        return;
    }
    backend::ShowErrorBox(title_, text);
}

void TApplication::SetMainForm(std::unique_ptr<TForm> form) {
    mainForm_ = std::move(form);
}

TControl::TControl(std::string name, NativePtr native)
    : name_(std::move(name)), native_(std::move(native)) {}
