#include "platform/qt/line_painter.h"

#include <QPainter>

#include "platform/qt/qt_values.h"

namespace tv::qt {

LinePainter::LinePainter(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LinePainter::setDrawing(const std::vector<DrawingFrame::Line>& lines, QRectF scale,
                             QColor background) {
  lines_ = lines;
  scale_ = scale;
  background_ = background;
  update();
}

void LinePainter::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), background_);
  if (scale_.width() == 0 || scale_.height() == 0) return;
  // A negative scale height (y growing upwards) is as valid as a positive one.
  QTransform toWidget;
  toWidget.scale(width() / scale_.width(), height() / scale_.height());
  toWidget.translate(-scale_.left(), -scale_.top());
  painter.setTransform(toWidget);
  QPen pen;
  pen.setCosmetic(true);
  pen.setWidth(1);
  const QPalette& pal = palette();
  for (const DrawingFrame::Line& line : lines_) {
    pen.setColor(toQColor(line.colour, pal));
    painter.setPen(pen);
    painter.drawLine(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2));
  }
}

}  // namespace tv::qt
