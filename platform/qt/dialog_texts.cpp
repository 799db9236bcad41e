#include "platform/qt/dialog_texts.h"

namespace tv::qt {

std::vector<MenuItem> parseMenuItems(std::string_view items) {
  std::vector<MenuItem> result;
  if (items.empty()) return result;
  size_t start = 0;
  while (true) {
    const size_t bar = items.find('|', start);
    const std::string_view text =
        items.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    result.push_back({std::string(text), text == "-"});
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return result;
}

std::string toLineFeeds(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      result += text[i];
      continue;
    }
    result += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return result;
}

}  // namespace tv::qt
