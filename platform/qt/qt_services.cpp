#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>

#include "platform/qt/dialog_texts.h"
#include "platform/qt/qt_values.h"

namespace tv::qt {

namespace {

// Dialogs sit over the window the user is working in, when there is one.
QWidget* dialogParent() {
  return QApplication::activeWindow();
}

}  // namespace

MessageAnswer QtServices::messageBox(std::string_view text, std::string_view title,
                                     MessageButtons buttons) {
  QMessageBox box(dialogParent());
  box.setWindowTitle(toQString(title));
  box.setText(toQString(toLineFeeds(text)));
  switch (buttons) {
    case MessageButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case MessageButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case MessageButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    default:
      // Escape on a box with only OK answers OK.
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  }
}

int QtServices::popupMenu(std::string_view items, int x, int y) {
  QMenu menu;
  const std::vector<MenuItem> entries = parseMenuItems(items);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].separator) {
      menu.addSeparator();
      continue;
    }
    menu.addAction(toQString(entries[i].text))->setData(static_cast<int>(i));
  }
  QAction* chosen = menu.exec(QPoint(x, y));
  return chosen ? chosen->data().toInt() : -1;
}

std::optional<std::string> QtServices::openFileDialog(std::string_view title,
                                                      std::string_view folder,
                                                      std::string_view filter) {
  const QString path = QFileDialog::getOpenFileName(dialogParent(), toQString(title),
                                                    toQString(folder), toQString(filter));
  if (path.isEmpty()) return std::nullopt;
  return toStdString(path);
}

std::optional<std::string> QtServices::folderDialog(std::string_view title,
                                                    std::string_view start) {
  const QString path =
      QFileDialog::getExistingDirectory(dialogParent(), toQString(title), toQString(start));
  if (path.isEmpty()) return std::nullopt;
  return toStdString(path);
}

bool QtServices::trayAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

std::optional<Rect> QtServices::screenArea(int x, int y) const {
  if (!windowPositionsWork()) return std::nullopt;
  const QScreen* screen = screenShowing(QPoint(toPixels(x), toPixels(y)));
  if (!screen) return std::nullopt;
  const QRect area = screen->availableGeometry();
  return Rect{toTwips(area.x()), toTwips(area.y()), toTwips(area.width()), toTwips(area.height())};
}

}  // namespace tv::qt
