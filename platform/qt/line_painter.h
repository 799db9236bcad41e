#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>
#include <vector>

#include "platform/controls.h"

namespace tv::qt {

// Paints a drawing frame's lines. It keeps a copy of what it was last given, so a
// repaint never reaches into the model.
class LinePainter : public QWidget {
 public:
  explicit LinePainter(QWidget* parent);

  // `scale` is the drawing coordinates of the whole widget: left, top, width, height.
  void setDrawing(const std::vector<DrawingFrame::Line>& lines, QRectF scale, QColor background);

  const std::vector<DrawingFrame::Line>& lines() const { return lines_; }
  QColor background() const { return background_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<DrawingFrame::Line> lines_;
  QRectF scale_;
  QColor background_ = Qt::black;
};

}  // namespace tv::qt
