#include "app/main_window.h"

#include <filesystem>
#include <system_error>

#include "app/program.h"

namespace tv {

MainWindow::MainWindow(Program& program) : p_(program) {
  MainForm& f = p_.frm_DoKu;
  f.lbl_Menue.mouseDown = [this](int b, int s, int x, int y) { lbl_Menue_MouseDown(b, s, x, y); };
  f.lbl_Menue.mouseMove = [this](int b, int s, int x, int y) { lbl_Menue_MouseMove(b, s, x, y); };
  f.tb1.mouseMove = [this](int b, int s, int x, int y) { tb1_MouseMove(b, s, x, y); };
  f.resize = [&f] {
    // Every step of a drag restarts the wait; the size handling runs once it ends.
    f.tmrResize.setInterval(f.tmrResize.interval());
    f.tmrResize.setEnabled(true);
  };
  f.tmrResize.tick = [this, &f] {
    f.tmrResize.setEnabled(false);
    frm_DoKu_ReSize();
  };
  f.cmd_zur.click = [this] { cmd_zur_Click(); };
  f.sb.dblClick = [this] { sb_DblClick(); };
  f.close = [this](bool& cancel) { frm_DoKu_Close(cancel); };
  f.click = [this] { p_.clickSound(); };
  f.lbl_Menue.setCaption("Datei");
  f.lbl_Menue.setBorderStyle(Look::Flat);
}

int MainWindow::minimumHeight() const { return 4000 + p_.heightCorrection; }

void MainWindow::lbl_Menue_MouseDown(int, int, int, int) {
  MainForm& f = p_.frm_DoKu;
  const int x = f.left() / 15 + 6;
  const int y = f.top() / 15 + 47;
  const auto& m = p_.menuTexts;
  // Without a notification area the tray menu's actions follow the menu's own six.
  const int chosen = p_.platform.services.popupMenu(
      m[1] + "|-|" + m[2] + "|" + m[3] + "|-|" + m[4] + p_.trayMenu.mainMenuItems(), x, y);
  switch (chosen) {
    case 0:
      openHelpFile();
      break;
    case 2:
      p_.settingsShown = true;
      p_.frm_Einstellungen.show();
      break;
    case 3:
      if (f.height() == p_.collapsedHeight) {
        f.setHeight(p_.mainWindowHeight);
        p_.playbackHidden = false;
        restoreFullHeight();
        p_.frm_Oszi.show();
      } else {
        f.setHeight(p_.collapsedHeight);
        p_.playbackHidden = true;
        p_.frm_Oszi.hide();
      }
      break;
    case 5:
      p_.shutdownRoutine();
      break;
    default:
      p_.trayMenu.actFromMainMenu(chosen);
      break;
  }
}

void MainWindow::openHelpFile() {
  std::string name = p_.messageTexts.items[19];
  for (char& c : name)
    if (c == '\\') c = '/';
  const std::string file = p_.programFolder + "/" + name;
  std::error_code ec;
  if (!name.empty() && std::filesystem::exists(file, ec)) {
    // The viewer is started and left running. One that cannot be started is told in the
    // notice line: a box would stop nothing, but hides the station behind it.
    const Result<void> opened = p_.platform.shell.openDocument(file);
    if (!opened)
      p_.notice("help", p_.ownMessage(OwnText::HelpViewerFailed, {file, opened.error().message}));
  } else {
    p_.messageBox(p_.messageTexts.items[20]);
  }
}

void MainWindow::lbl_Menue_MouseMove(int, int, int, int) { p_.frm_DoKu.lbl_Menue.setBorderStyle(Look::Raised); }

void MainWindow::tb1_MouseMove(int, int, int, int) {
  p_.frm_DoKu.lbl_Menue.setBorderStyle(Look::Flat);
  p_.frm_DoKu.lbl_LoadWave.setBorderStyle(Look::Flat);
}

void MainWindow::layOutFromHeight() {
  MainForm& f = p_.frm_DoKu;
  const int h = f.height();
  f.fr3.setTop(h - 2160);
  f.lb_Sounds.setHeight(std::max(0, h - 2475));
  f.sb.setTop(h - f.sb.height());
  f.fr3.setHeight(std::max(0, 2160 - f.sb.height()));
  f.lb_Sounds.setListIndex(f.lb_Sounds.listCount() - 1);
}

void MainWindow::frm_DoKu_ReSize() {
  // The handler saves and applies the settings, which sets the size again; it must
  // not start itself once more.
  if (resizing_) return;
  resizing_ = true;
  MainForm& f = p_.frm_DoKu;
  f.hide();
  if (f.height() < minimumHeight()) f.setHeight(minimumHeight());
  p_.mainWindowHeight = f.height();
  f.setLeft(p_.mainWindowLeft);
  f.setWidth(kWidth);
  layOutFromHeight();
  placeButtons();
  p_.settingsWindow.pressSave();
  if (!p_.ended()) f.show();
  resizing_ = false;
}

void MainWindow::cmd_zur_Click() { p_.frm_DoKu.setHeight(p_.collapsedHeight); }

void MainWindow::sb_DblClick() {
  MainForm& f = p_.frm_DoKu;
  f.hide();
  const int left = f.left();
  const int top = f.top();
  p_.applySettings();
  if (p_.ended()) return;
  p_.mainWindowHeight = 4005 + p_.heightCorrection;
  f.setHeight(p_.mainWindowHeight);
  layOutFromHeight();
  f.cmd_PAPA.setTop(1185);
  f.cmd_file_neu.setTop(1845);
  f.cmd_File_lö.setTop(2115);
  f.cmd_zur.setTop(2385);
  f.setLeft(left);
  f.setTop(top);
  f.show();
}

void MainWindow::frm_DoKu_Close(bool& cancel) {
  cancel = true;  // the shutdown routine ends the program itself
  p_.shutdownRoutine();
}

void MainWindow::keepWidth() {
  MainForm& f = p_.frm_DoKu;
  p_.mainWindowLeft = f.left();
  if (f.width() != kWidth) f.setWidth(kWidth);
}

void MainWindow::restoreFullHeight() {
  MainForm& f = p_.frm_DoKu;
  f.hide();
  // A fresh settings file stores 15 twips as the height; full mode never shows the
  // window below its minimum.
  f.setHeight(std::max(p_.mainWindowHeight + p_.heightCorrection, minimumHeight()));
  layOutFromHeight();
  f.show();
}

void MainWindow::placeButtons() {
  MainForm& f = p_.frm_DoKu;
  const int h = f.lb_Sounds.height();
  f.cmd_PAPA.setTop(h + 965 - 1088 - 100);
  f.cmd_file_neu.setTop(h + 965 - 544);
  f.cmd_File_lö.setTop(h + 965 - 272);
  f.cmd_zur.setTop(h + 965);
}

}  // namespace tv
