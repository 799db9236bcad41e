#include "platform/qt/auto_answer_services.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <iostream>

#include "platform/qt/dialog_texts.h"
#include "platform/qt/qt_values.h"
#include "platform/unattended_services.h"

namespace tv::qt {

AutoAnswerServices::AutoAnswerServices(Services& inner, int showMs)
    : inner_(inner), showMs_(showMs) {}

MessageAnswer AutoAnswerServices::messageBox(std::string_view text, std::string_view title,
                                             MessageButtons buttons) {
  const MessageAnswer answer = defaultAnswer(buttons);
  const std::string shown = toLineFeeds(text);
  std::cerr << "tonvogel: message box \"" << title << "\": " << shown << " -> "
            << answerName(answer) << std::endl;
  if (showMs_ > 0 && qobject_cast<QApplication*>(QCoreApplication::instance())) {
    // Left on screen for a moment so that a screenshot can catch it; it closes itself.
    auto* box = new QMessageBox(QMessageBox::NoIcon, toQString(title), toQString(shown),
                                buttons == MessageButtons::Ok ? QMessageBox::Ok
                                : buttons == MessageButtons::OkCancel
                                    ? QMessageBox::Ok | QMessageBox::Cancel
                                    : QMessageBox::Yes | QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    QTimer::singleShot(showMs_, box, [box] { box->close(); });
  }
  return answer;
}

int AutoAnswerServices::popupMenu(std::string_view items, int x, int y) {
  std::cerr << "tonvogel: menu at " << x << "," << y << ": " << items << " -> dismissed"
            << std::endl;
  return -1;
}

std::optional<std::string> AutoAnswerServices::openFileDialog(std::string_view title,
                                                              std::string_view folder,
                                                              std::string_view filter) {
  std::cerr << "tonvogel: open-file dialog \"" << title << "\" in " << folder << " (" << filter
            << ") -> cancelled" << std::endl;
  return std::nullopt;
}

std::optional<std::string> AutoAnswerServices::folderDialog(std::string_view title,
                                                            std::string_view start) {
  std::cerr << "tonvogel: folder dialog \"" << title << "\" from " << start << " -> cancelled"
            << std::endl;
  return std::nullopt;
}

bool AutoAnswerServices::trayAvailable() const {
  return inner_.trayAvailable();
}

std::optional<Rect> AutoAnswerServices::screenArea(int x, int y) const {
  return inner_.screenArea(x, y);
}

}  // namespace tv::qt
