// Helpers for looking at the Qt window from tests.
#pragma once

#include <QColor>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>
#include <QWidget>

#include "vcl.h"

class TForm1;

// The native window of a form and its child widgets by control name.
QWidget* WindowOf(const TForm& form);
QWidget* WidgetOf(const TForm& form, const QString& name);

// Records lamp paints (control name, colour drawn) as they happen: every
// paint, or only those that change a lamp's colour (lamps start silver).
class PaintRecorder : public QObject {
  public:
    struct Paint {
        QString lamp;
        QColor color;
        bool operator==(const Paint&) const = default;
    };
    explicit PaintRecorder(const TForm& form, bool changesOnly = true);
    QVector<Paint> paints;

  private:
    bool changesOnly_;
    QHash<QString, QColor> shown_;  // survives clearing paints

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

QColor ToColor(TColor color);
inline const QColor kGreen(0, 255, 0);
inline const QColor kRed(255, 0, 0);
inline const QColor kSilver(192, 192, 192);

// A loopback port with nothing listening, so the controller query is refused
// at once instead of reaching any device.
int UnusedLoopbackPort();
