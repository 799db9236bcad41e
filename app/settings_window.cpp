#include "app/settings_window.h"

#include "app/numbers.h"
#include "app/program.h"
#include "app/settings_values.h"

namespace tv {

SettingsWindow::SettingsWindow(Program& program)
    : p_(program),
      inputBox(program.frm_Einstellungen.cb_Device),
      outputBox(program.frm_Mehr.cb_TxOutput) {
  SettingsForm& f = p_.frm_Einstellungen;
  f.cmd_Speichern.mouseDown = [this](int b, int s, int x, int y) { cmd_Speichern_MouseDown(b, s, x, y); };
  f.cmd_Speichern.mouseUp = [this](int b, int s, int x, int y) { acceptReleased(b, s, x, y); };
  f.cmd_Zurück.click = [this] { cmd_Zurück_Click(); };
  f.close = [this](bool& cancel) { frm_Einstellungen_Close(cancel); };
  f.click = [this] { p_.clickSound(); };
  f.cmdPfad.click = [this] { cmdPfad_Click(); };
  f.chkAutoStart.mouseUp = [this](int b, int s, int x, int y) { chkAutoStart_MouseUp(b, s, x, y); };
  f.cb_Lang.click = [this] { cb_Lang_Click(); };
  f.cmd_SK.click = [this] { cmd_SK_Click(); };
  f.cb_Lang.setItems({"DL", "GB"});
  f.cmd_Mehr.click = [this] { cmd_Mehr_Click(); };

  MoreSettingsForm& more = p_.frm_Mehr;
  more.cmd_Speichern.mouseDown = [this](int b, int s, int x, int y) {
    cmd_Speichern_MouseDown(b, s, x, y);
  };
  more.cmd_Speichern.mouseUp = [this](int b, int s, int x, int y) { acceptReleased(b, s, x, y); };
  more.cmd_Zurück.click = [this] { frm_Mehr_cmd_Zurück_Click(); };
  more.click = [this] { p_.clickSound(); };
  more.cb_Keying.change = [this] { cb_Keying_Change(); };
}

void SettingsWindow::cmd_Speichern_MouseDown(int, int, int, int) {
  // Playback stops before the file is written.
  p_.player.cmdStop_Click();
  p_.player.cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
  p_.player.cmdStop_MouseUp(MouseButton::Left, 0, 0, 0);
  p_.settingsFile.save();
}

void SettingsWindow::cmd_Speichern_MouseUp(int, int, int, int) {
  // A save the file could not take keeps the fields in force from memory: the apply
  // puts what the user typed in force, never the older file.
  p_.applySettings();
  if (p_.ended()) return;
  applyTheLanguage();
  p_.applyStartState();
}

void SettingsWindow::acceptReleased(int button, int shift, int x, int y) {
  p_.keying.setUserAccepting(true);
  cmd_Speichern_MouseUp(button, shift, x, y);
  p_.keying.setUserAccepting(false);
}

void SettingsWindow::pressSave() {
  cmd_Speichern_MouseDown(MouseButton::Left, 0, 0, 0);
  if (p_.ended()) return;
  cmd_Speichern_MouseUp(MouseButton::Left, 0, 0, 0);
}

void SettingsWindow::applyTheLanguage() {
  if (p_.languageIndex == 1) {
    p_.applyLanguage(Language::German);
  } else if (p_.languageIndex == 2) {
    p_.applyLanguage(Language::English);
  }
  p_.textIndex = 0;
}

void SettingsWindow::cmd_Zurück_Click() {
  // The second page belongs to the first and goes with it.
  p_.frm_Mehr.hide();
  p_.frm_Einstellungen.hide();
}

void SettingsWindow::frm_Einstellungen_Close(bool& cancel) { cancel = true; }

void SettingsWindow::cmdPfad_Click() {
  const auto chosen =
      p_.platform.services.folderDialog(p_.frm_Einstellungen.cmdPfad.toolTip(), p_.recordingsFolder);
  if (!chosen || trim(*chosen).empty()) return;
  p_.frm_Einstellungen.ed_PfadDoku.setText(*chosen);
  p_.recordingsFolder = p_.frm_Einstellungen.ed_PfadDoku.text();
}

void SettingsWindow::chkAutoStart_MouseUp(int, int, int, int) {
  // The mouse-up arrives before the box takes its new value: the old value is read.
  p_.autostartFlag = p_.frm_Einstellungen.chkAutoStart.value() == 1 ? 0 : 1;
}

void SettingsWindow::cb_Lang_Click() {
  p_.languageIndex = p_.frm_Einstellungen.cb_Lang.listIndex() + 1;
  applyTheLanguage();
}

void SettingsWindow::cmd_SK_Click() { p_.applyStartState(); }

void SettingsWindow::cmd_Mehr_Click() {
  // Over the first page, a little down and to the right, as a page laid on top of it.
  SettingsForm& first = p_.frm_Einstellungen;
  MoreSettingsForm& more = p_.frm_Mehr;
  more.setLeft(first.left() + 450);
  more.setTop(first.top() + 450);
  p_.placeWindowsOnScreen();
  more.show();
}

void SettingsWindow::frm_Mehr_cmd_Zurück_Click() { p_.frm_Mehr.hide(); }

void SettingsWindow::cb_Keying_Change() {
  // A delay still at one method's default follows the method chosen; one the user set
  // stays.
  MoreSettingsForm& more = p_.frm_Mehr;
  const auto method = keyingMethodNamed(more.cb_Keying.text());
  if (!method) return;
  const std::string delay = trim(more.ed_TxDelay.text());
  const bool atADefault = delay.empty() ||
                          delay == std::to_string(defaultTxDelayMs(KeyingMethod::Serial)) ||
                          delay == std::to_string(defaultTxDelayMs(KeyingMethod::Rigctld));
  if (atADefault) more.ed_TxDelay.setText(std::to_string(defaultTxDelayMs(*method)));
}

}  // namespace tv
