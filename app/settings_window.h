#pragma once

#include <string>

#include "app/device_box.h"

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
  void cmd_Mehr_Click();
  void frm_Mehr_cmd_Zurück_Click();
  void cb_Keying_Change();

  // Applies the table of `languageIndex` (1 German, 2 English).
  void applyTheLanguage();

 private:
  Program& p_;
 public:
  // The input device (line 35) and the transmit output (line 36), by name: the device
  // the user picked or typed since the settings were last applied, otherwise the stored
  // name, which the box may not offer now and which must not be lost for that.
  DeviceBox inputBox;
  DeviceBox outputBox;
};

}  // namespace tv
