#include "app/tray_menu.h"

#include <algorithm>

#include "app/program.h"

namespace tv {

TrayMenu::TrayMenu(Program& program) : p_(program) {
  p_.frm_DoKu.tic1.mouseUp = [this](int button, int, int x, int y) { tic1_MBUp(button, x, y); };
}

bool TrayMenu::trayAvailable() const {
  return p_.platform.services.trayAvailable();
}

void TrayMenu::tic1_MBUp(int button, int x, int y) {
  if (button != MouseButton::Right) {
    showOrHideAll();
    return;
  }
  act(p_.platform.services.popupMenu(menuText(), x / 15, y / 15));
}

std::string TrayMenu::menuText() const {
  const auto& m = p_.messageTexts.items;
  return m[30] + std::string(12, ' ') + m[31] + " |-| " + m[32] + " | " + m[33] + " | " + m[34] +
         " | " + m[35] + " |-| " + m[36];
}

void TrayMenu::act(int position) {
  MainForm& main = p_.frm_DoKu;
  switch (position) {
    case 0:
      p_.mainWindow.openHelpFile();
      break;
    case 2:
      showOrHideAll();
      break;
    case 3:
      // A fresh settings file stores a height of 15 twips: the full size is never
      // below the window's minimum.
      if (main.height() == p_.collapsedHeight)
        main.setHeight(std::max(p_.mainWindowHeight, p_.mainWindow.minimumHeight()));
      else
        main.setHeight(p_.collapsedHeight);
      break;
    case 4:
      if (!p_.playbackHidden) {
        p_.playbackHidden = true;
        p_.frm_Oszi.hide();
      } else {
        p_.playbackHidden = false;
        p_.frm_Oszi.show();
      }
      break;
    case 5:
      if (!p_.settingsShown) {
        p_.frm_Einstellungen.show();
        p_.settingsShown = true;
      } else {
        p_.frm_Mehr.hide();
        p_.frm_Einstellungen.hide();
        p_.settingsShown = false;
      }
      break;
    case 7:
      exitAtOnce();
      break;
    default:
      break;
  }
}

void TrayMenu::showAll() {
  p_.windowsShown = true;
  if (p_.frm_Einstellungen.chk_Sichtbar2.value() == 1) p_.frm_Einstellungen.show();
  p_.frm_DoKu.show();
  if (!p_.playbackHidden) p_.frm_Oszi.show();
}

void TrayMenu::showOrHideAll() {
  if (!p_.windowsShown) {
    showAll();
  } else {
    p_.windowsShown = false;
    p_.frm_DoKu.hide();
    p_.frm_Mehr.hide();
    p_.frm_Einstellungen.hide();
    p_.frm_Oszi.hide();
  }
}

void TrayMenu::exitAtOnce() {
  // Ending at once skips saving the settings, but never a recording or a keyed
  // transmitter: the transmitter is released first, as nothing after it may fail.
  p_.keying.releaseAll("exit");
  p_.recorder.programEnd();
  p_.endProgram(0);
}

// Without an icon, hiding all windows could not be undone, so that item is left out;
// the help file is the main menu's own first item, and so is the exit: one exit, which
// saves the settings, rather than a second one beside it that would not.
std::string TrayMenu::mainMenuItems() const {
  if (trayAvailable()) return {};
  const auto& m = p_.messageTexts.items;
  return "|-|" + m[33] + "|" + m[34] + "|" + m[35];
}

void TrayMenu::actFromMainMenu(int position) {
  if (trayAvailable()) return;
  switch (position) {
    case 7:
      act(3);
      break;
    case 8:
      act(4);
      break;
    case 9:
      act(5);
      break;
    default:
      break;
  }
}

void TrayMenu::tellWhenNoTrayArea() {
  if (!trayAvailable()) p_.notice("desktop", p_.ownMessage(OwnText::NoTrayArea), LogLevel::Info);
}

}  // namespace tv
