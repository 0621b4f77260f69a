// The lamp of TALed: a horizontal 22 x 14 LED drawn in one colour.
#pragma once

#include <QColor>
#include <QWidget>

class LampWidget : public QWidget {
  public:
    explicit LampWidget(QWidget* parent) : QWidget(parent) {}
    void SetColor(const QColor& color) { color_ = color; }
    QColor Color() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_{192, 192, 192};
};
