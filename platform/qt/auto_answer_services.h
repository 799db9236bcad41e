#pragma once

#include "platform/services.h"

namespace tv::qt {

// Answers every dialog at once, for unattended runs (automated tests, screenshots):
// a message box is shown without blocking for `showMs` milliseconds and answered with
// its default button, a menu is dismissed, a file or folder dialog is cancelled.
// Each is logged to stderr. Whether a notification area exists is the inner
// services' answer.
class AutoAnswerServices : public Services {
 public:
  explicit AutoAnswerServices(Services& inner, int showMs = 2000);

  MessageAnswer messageBox(std::string_view text, std::string_view title,
                           MessageButtons buttons) override;
  int popupMenu(std::string_view items, int x, int y) override;
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view folder,
                                            std::string_view filter) override;
  std::optional<std::string> folderDialog(std::string_view title, std::string_view start) override;
  bool trayAvailable() const override;
  std::optional<Rect> screenArea(int x, int y) const override;

 private:
  Services& inner_;
  int showMs_;
};

}  // namespace tv::qt
