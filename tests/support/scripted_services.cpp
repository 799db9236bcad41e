#include "tests/support/scripted_services.h"

namespace tv::test {

MessageAnswer ScriptedServices::messageBox(std::string_view text, std::string_view title,
                                           MessageButtons buttons) {
  shown.push_back({"message", std::string(text), std::string(title)});
  if (duringMessage) duringMessage();
  if (!messageAnswers.empty()) {
    const MessageAnswer a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
  }
  switch (buttons) {
    case MessageButtons::YesNo: return MessageAnswer::Yes;
    default: return MessageAnswer::Ok;
  }
}

int ScriptedServices::popupMenu(std::string_view items, int, int) {
  shown.push_back({"menu", std::string(items), ""});
  if (menuAnswers.empty()) return -1;
  const int a = menuAnswers.front();
  menuAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedServices::openFileDialog(std::string_view title,
                                                            std::string_view folder,
                                                            std::string_view) {
  shown.push_back({"open", std::string(folder), std::string(title)});
  if (fileAnswers.empty()) return std::nullopt;
  auto a = fileAnswers.front();
  fileAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedServices::folderDialog(std::string_view title,
                                                          std::string_view start) {
  shown.push_back({"folder", std::string(start), std::string(title)});
  if (folderAnswers.empty()) return std::nullopt;
  auto a = folderAnswers.front();
  folderAnswers.pop_front();
  return a;
}

std::vector<std::string> ScriptedServices::messages() const {
  std::vector<std::string> out;
  for (const Shown& s : shown)
    if (s.kind == "message") out.push_back(s.text);
  return out;
}

Result<void> FakeShell::openDocument(const std::string& path) {
  openedDocuments.push_back(path);
  if (opener) return opener(path);
  return success();
}

}  // namespace tv::test
