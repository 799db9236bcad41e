#pragma once

namespace tv {

class Program;

// The settings window's event procedures.
class SettingsWindow {
 public:
  explicit SettingsWindow(Program& program);

  void cmd_Speichern_MouseDown(int button, int shift, int x, int y);
  void cmd_Speichern_MouseUp(int button, int shift, int x, int y);
  // Presses the button as a person would: down, then up.
  void pressSave();
  void cmd_Zurück_Click();
  void frm_Einstellungen_Close(bool& cancel);
  void cmdPfad_Click();
  void chkAutoStart_MouseUp(int button, int shift, int x, int y);
  void cb_Lang_Click();
  void cmd_SK_Click();
  // Applies the table of `languageIndex` (1 German, 2 English).
  void applyTheLanguage();

 private:
  Program& p_;
  bool saveFailed_ = false;
};

}  // namespace tv
