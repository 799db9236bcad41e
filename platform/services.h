#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/controls.h"

namespace tv {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// The modal dialogs the event procedures use. Line breaks in message texts are single
// CR characters, as the message texts are built.
class Services {
 public:
  virtual ~Services() = default;

  virtual MessageAnswer messageBox(std::string_view text, std::string_view title,
                                   MessageButtons buttons) = 0;

  // `items` is "|"-separated; an item "-" is a separator line. Returns the chosen
  // 0-based position (separators count) or a negative number when dismissed. x and y
  // are screen pixels.
  virtual int popupMenu(std::string_view items, int x, int y) = 0;

  // Empty when cancelled.
  virtual std::optional<std::string> openFileDialog(std::string_view title,
                                                    std::string_view folder,
                                                    std::string_view filter) = 0;
  virtual std::optional<std::string> folderDialog(std::string_view title,
                                                  std::string_view start) = 0;

  // Whether the desktop has a notification area for the tray icon.
  virtual bool trayAvailable() const = 0;

  // The free part of the screen (without panels) that shows the point x, y, in twips, or
  // of the main screen when none shows it (a position from a larger desktop). None where
  // a program can neither place its windows nor read where they are (Wayland): windows
  // are then left where the desktop puts them, and their stored positions as they were.
  virtual std::optional<Rect> screenArea(int x, int y) const {
    (void)x;
    (void)y;
    return std::nullopt;
  }
};

}  // namespace tv
