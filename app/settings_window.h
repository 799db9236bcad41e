#pragma once

#include <string>

namespace tv {

class Program;

// The event procedures of the settings window and its second page.
class SettingsWindow {
 public:
  explicit SettingsWindow(Program& program);

  void cmd_Speichern_MouseDown(int button, int shift, int x, int y);
  void cmd_Speichern_MouseUp(int button, int shift, int x, int y);
  // The user's own release of "Accept changes", on either page: unlike the program's own
  // saves (pressSave: a resize, the shutdown) it asks again for a port that another
  // program held.
  void acceptReleased(int button, int shift, int x, int y);
  // Presses the button as the program does for itself: down, then up.
  void pressSave();
  void cmd_Zurück_Click();
  void frm_Einstellungen_Close(bool& cancel);
  void cmdPfad_Click();
  void chkAutoStart_MouseUp(int button, int shift, int x, int y);
  void cb_Lang_Click();
  void cmd_SK_Click();
  void cb_Device_Change();
  void cmd_Mehr_Click();
  void frm_Mehr_cmd_Zurück_Click();
  void cb_Keying_Change();

  // The input device line as save writes it: the ALSA name of the device the user picked
  // in the list since the settings were last applied, otherwise the stored name, which
  // the list may not offer now (a card unplugged) and which must not be lost for that.
  std::string inputDeviceToSave() const;
  // The input device line has been applied: the list's entry is no longer a new choice.
  void inputDeviceApplied() { inputDeviceChosen_ = false; }
  // Applies the table of `languageIndex` (1 German, 2 English).
  void applyTheLanguage();

 private:
  Program& p_;
  bool saveFailed_ = false;
  bool inputDeviceChosen_ = false;
};

}  // namespace tv
