#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/shell.h"

namespace tv::test {

// Answers the program's dialogs from a script and records what was shown.
class ScriptedServices : public Services {
 public:
  struct Shown {
    std::string kind;  // "message", "menu", "open", "folder"
    std::string text;
    std::string title;
  };

  MessageAnswer messageBox(std::string_view text, std::string_view title,
                           MessageButtons buttons) override;
  int popupMenu(std::string_view items, int x, int y) override;
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view folder,
                                            std::string_view filter) override;
  std::optional<std::string> folderDialog(std::string_view title, std::string_view start) override;
  bool trayAvailable() const override { return trayAvailable_; }
  std::optional<Rect> screenArea(int, int) const override { return screen; }

  // Answers are taken in order; when none is queued, a message box is answered with
  // its first button, a menu is dismissed and a file dialog is cancelled.
  std::deque<MessageAnswer> messageAnswers;
  std::deque<int> menuAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  // Runs inside a message box, while it is "open" (e.g. to let timers run).
  std::function<void()> duringMessage;
  bool trayAvailable_ = true;
  // The free part of the one screen, in twips; none: the desktop places the windows.
  std::optional<Rect> screen;

  std::vector<Shown> shown;
  std::vector<std::string> messages() const;
};

// A shell whose folders lie in a test's temporary folder.
class FakeShell : public Shell {
 public:
  explicit FakeShell(std::string home) : home_(std::move(home)) {}

  Result<void> openDocument(const std::string& path) override;
  std::string userName() const override { return "tester"; }
  std::string autostartFolder() const override { return home_ + "/.config/autostart/"; }
  std::string desktopFolder() const override { return home_ + "/Desktop/"; }
  std::string stateFolder() const override { return home_ + "/.local/state/tonvogel/"; }
  std::string desktopLanguage() const override { return language; }

  std::vector<std::string> openedDocuments;
  // The desktop's language ("de", "en"); none by default.
  std::string language;
  // Opens the documents when set (a real shell's opener), after recording them.
  std::function<Result<void>(const std::string&)> opener;

 private:
  std::string home_;
};

}  // namespace tv::test
