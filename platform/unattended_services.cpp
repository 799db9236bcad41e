#include "platform/unattended_services.h"

#include <cstdio>

namespace tv {

MessageAnswer defaultAnswer(MessageButtons buttons) {
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

const char* answerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok:
      return "OK";
    case MessageAnswer::Cancel:
      return "Cancel";
    case MessageAnswer::Yes:
      return "Yes";
    case MessageAnswer::No:
      return "No";
  }
  return "?";
}

void UnattendedServices::tell(const std::string& text) {
  if (log_) {
    log_->warning("dialog", text);
    return;
  }
  std::fprintf(stderr, "tonvogel: %s\n", text.c_str());
}

MessageAnswer UnattendedServices::messageBox(std::string_view text, std::string_view title,
                                             MessageButtons buttons) {
  const MessageAnswer answer = defaultAnswer(buttons);
  tell("message box \"" + std::string(title) + "\": " + std::string(text) + " -> answered " +
       answerName(answer));
  return answer;
}

int UnattendedServices::popupMenu(std::string_view items, int, int) {
  tell("menu " + std::string(items) + " -> dismissed");
  return -1;
}

std::optional<std::string> UnattendedServices::openFileDialog(std::string_view title,
                                                              std::string_view folder,
                                                              std::string_view) {
  tell("open-file dialog \"" + std::string(title) + "\" in " + std::string(folder) +
       " -> cancelled");
  return std::nullopt;
}

std::optional<std::string> UnattendedServices::folderDialog(std::string_view title,
                                                            std::string_view start) {
  tell("folder dialog \"" + std::string(title) + "\" from " + std::string(start) + " -> cancelled");
  return std::nullopt;
}

}  // namespace tv
