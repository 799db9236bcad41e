#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv::qt {

// The texts the dialog services are handed, taken apart for Qt.

// One entry of a "|"-separated pop-up menu text; "-" is a separator line. Positions
// count separators, as the menu's callers number their entries.
struct MenuItem {
  std::string text;
  bool separator = false;
};

std::vector<MenuItem> parseMenuItems(std::string_view items);

// Message texts break lines with a single CR (or CR LF); Qt wants LF.
std::string toLineFeeds(std::string_view text);

}  // namespace tv::qt
