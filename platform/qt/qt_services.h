#pragma once

#include "platform/services.h"

namespace tv::qt {

// The dialogs as Qt's own: QMessageBox, QMenu, QFileDialog. Each runs a nested event
// loop, in which the program's timers keep running.
class QtServices : public Services {
 public:
  MessageAnswer messageBox(std::string_view text, std::string_view title,
                           MessageButtons buttons) override;
  int popupMenu(std::string_view items, int x, int y) override;
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view folder,
                                            std::string_view filter) override;
  std::optional<std::string> folderDialog(std::string_view title, std::string_view start) override;
  bool trayAvailable() const override;
  std::optional<Rect> screenArea(int x, int y) const override;
};

}  // namespace tv::qt
