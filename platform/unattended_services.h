#pragma once

#include "platform/log.h"
#include "platform/services.h"

namespace tv {

// The answer a dialog gets when no one is there to give one: its default button.
MessageAnswer defaultAnswer(MessageButtons buttons);
const char* answerName(MessageAnswer answer);

// The dialogs of a program that runs with no one at a screen (a station on a small
// computer without one). Every question gets the answer an unattended run gives: a
// message box its default button, a menu is dismissed, a file or folder dialog cancelled.
// Each is a warning in the log, with what was asked and what was answered, so that the
// journal shows it. There is no notification area and no screen to place windows on.
class UnattendedServices : public Services {
 public:
  // Where the questions are written; until then (and without one) to standard error.
  // The log must outlive these services or be taken back with logTo(nullptr).
  void logTo(Log* log) { log_ = log; }

  MessageAnswer messageBox(std::string_view text, std::string_view title,
                           MessageButtons buttons) override;
  int popupMenu(std::string_view items, int x, int y) override;
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view folder,
                                            std::string_view filter) override;
  std::optional<std::string> folderDialog(std::string_view title, std::string_view start) override;
  bool trayAvailable() const override { return false; }

 private:
  void tell(const std::string& text);

  Log* log_ = nullptr;
};

}  // namespace tv
