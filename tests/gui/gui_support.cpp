#include "gui_support.h"

#include <QApplication>
#include <QEvent>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lamp_widget.h"

QWidget* WindowOf(const TForm& form) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowTitle().toStdString() == form.Caption()) return widget;
    return nullptr;
}

QWidget* WidgetOf(const TForm& form, const QString& name) {
    QWidget* window = WindowOf(form);
    return window ? window->findChild<QWidget*>(name) : nullptr;
}

PaintRecorder::PaintRecorder(const TForm& form, bool changesOnly) : changesOnly_(changesOnly) {
    for (QWidget* lamp : WindowOf(form)->findChildren<QWidget*>())
        if (dynamic_cast<LampWidget*>(lamp) != nullptr) lamp->installEventFilter(this);
}

bool PaintRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        // Only changes count: a lamp repainted in the colour it shows is no news.
        auto* lamp = static_cast<LampWidget*>(watched);
        const QColor shownBefore = shown_.value(lamp->objectName(), QColor(192, 192, 192));
        shown_[lamp->objectName()] = lamp->Color();
        if (!changesOnly_ || lamp->Color() != shownBefore)
            paints.push_back({lamp->objectName(), lamp->Color()});
    }
    return false;
}

QColor ToColor(TColor color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

int UnusedLoopbackPort() {
    // Bind a port, note it, let it go: nothing listens there afterwards.
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}
