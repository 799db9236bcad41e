#pragma once

#include <QColor>
#include <QCursor>
#include <QPalette>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>

#include "platform/colour.h"
#include "platform/controls.h"

class QMouseEvent;
class QScreen;

namespace tv::qt {

constexpr int kTwipsPerPixel = 15;

inline int toPixels(int twips) {
  return twips / kTwipsPerPixel;
}
inline int toTwips(int pixels) {
  return pixels * kTwipsPerPixel;
}
QRect toPixels(const Rect& twips);

// The model's texts are UTF-8.
QString toQString(std::string_view text);
std::string toStdString(const QString& text);

// Resolves system colours against `palette` (the desktop's colours).
QColor toQColor(Colour colour, const QPalette& palette);

// Whether the desktop lets a program place its windows and read where they are; under
// Wayland it does neither.
bool windowPositionsWork();
// The screen that shows the point (screen pixels), or the main screen when none does.
QScreen* screenShowing(QPoint pixels);

// Mouse button of a press or release: 1 left, 2 right, 4 middle; 0 for others.
int mouseButton(const QMouseEvent& event);
// Buttons held during a move, as the same bits.
int mouseButtonsHeld(const QMouseEvent& event);
// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers);

// A pointer from an icon file, or the arrow when the path is empty or unreadable.
QCursor cursorFromIcon(const std::string& path);

// Whether `path` names a readable image file.
bool imageFileExists(const std::string& path);

}  // namespace tv::qt
