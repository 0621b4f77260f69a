#include "lamp_widget.h"

#include <QPainter>

void LampWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect body = rect().adjusted(1, 1, -2, -2);
    // A sunken frame, the lit body, and a small highlight so it reads as a lamp.
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, 0, 0, height() - 1);
    painter.setPen(Qt::white);
    painter.drawLine(1, height() - 1, width() - 1, height() - 1);
    painter.drawLine(width() - 1, 1, width() - 1, height() - 1);
    painter.fillRect(body, color_);
    painter.setPen(color_.darker(160));
    painter.drawRect(body.adjusted(0, 0, -1, -1));
    painter.fillRect(QRect(body.left() + 3, body.top() + 2, body.width() / 3, 2),
                     color_.lighter(160));
}
