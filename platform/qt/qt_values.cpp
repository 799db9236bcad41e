#include "platform/qt/qt_values.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

namespace tv::qt {

QRect toPixels(const Rect& twips) {
  return QRect(toPixels(twips.left), toPixels(twips.top), toPixels(twips.width),
               toPixels(twips.height));
}

QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString& text) {
  return text.toUtf8().toStdString();
}

QColor toQColor(Colour colour, const QPalette& palette) {
  if (!isSystemColour(colour)) return QColor(red(colour), green(colour), blue(colour));
  switch (colour) {
    case kButtonFace:
      return palette.color(QPalette::Button);
    case kButtonText:
      return palette.color(QPalette::ButtonText);
    case kWindowBackground:
      return palette.color(QPalette::Base);
    case kWindowText:
      return palette.color(QPalette::Text);
    default:
      return palette.color(QPalette::Window);
  }
}

namespace {

int buttonBits(Qt::MouseButtons buttons) {
  int bits = 0;
  if (buttons & Qt::LeftButton) bits |= MouseButton::Left;
  if (buttons & Qt::RightButton) bits |= MouseButton::Right;
  if (buttons & Qt::MiddleButton) bits |= MouseButton::Middle;
  return bits;
}

}  // namespace

bool windowPositionsWork() {
  return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

QScreen* screenShowing(QPoint pixels) {
  if (QScreen* screen = QGuiApplication::screenAt(pixels)) return screen;
  return QGuiApplication::primaryScreen();
}

int mouseButton(const QMouseEvent& event) {
  return buttonBits(event.button());
}

int mouseButtonsHeld(const QMouseEvent& event) {
  return buttonBits(event.buttons());
}

int shiftState(Qt::KeyboardModifiers modifiers) {
  int bits = 0;
  if (modifiers & Qt::ShiftModifier) bits |= 1;
  if (modifiers & Qt::ControlModifier) bits |= 2;
  if (modifiers & Qt::AltModifier) bits |= 4;
  return bits;
}

QCursor cursorFromIcon(const std::string& path) {
  if (path.empty()) return QCursor(Qt::ArrowCursor);
  QPixmap pixmap(toQString(path));
  if (pixmap.isNull()) return QCursor(Qt::ArrowCursor);
  return QCursor(pixmap);
}

bool imageFileExists(const std::string& path) {
  return !path.empty() && QFileInfo(toQString(path)).isFile();
}

}  // namespace tv::qt
