#pragma once

#include <string>

namespace tv {

class Program;

// The notification-area icon: a click shows or hides all of the program's windows, the
// right button opens a small menu. Where the desktop has no notification area the
// menu's actions are offered at the end of the main menu instead.
class TrayMenu {
 public:
  explicit TrayMenu(Program& program);

  // 2 is the right mouse button; any other value is a plain click. x and y are the
  // pointer's screen position in twips, where the menu opens.
  void tic1_MBUp(int button, int x = 0, int y = 0);
  // The menu's items, "|"-separated, positions 0 to 7 with separators at 1 and 6.
  std::string menuText() const;
  // Acts on a position of the menu; separators and negative positions do nothing.
  void act(int position);

  // The items the main menu shows after its own six positions when there is no
  // notification area (empty when there is one), and what a chosen position there does.
  std::string mainMenuItems() const;
  void actFromMainMenu(int position);
  // Called once the program has started: says where the menu is when there is no icon.
  void tellWhenNoTrayArea();
  // Shows again what a plain click hid: the main window, the settings window when it is
  // to be shown, the playback window unless the menus hid it.
  void showAll();

 private:
  void showOrHideAll();
  void exitAtOnce();
  bool trayAvailable() const;

  Program& p_;
};

}  // namespace tv
