#pragma once

#include <string>

#include "texts/language.h"

namespace tv {

class Program;

// The first start: the installation window with its language choice, information text,
// acceptance and desktop launcher, and the check that holds start-up until the window
// is done with.
class Installation {
 public:
  explicit Installation(Program& program);

  // Called at start-up and by the creation of the settings file. Without a settings
  // file it shows the installation window and dispatches events until the window has
  // closed or the user has cancelled (the program has then ended).
  void installationCheck();

  // Puts the information text of a language into the window's 16 labels.
  void LoadInfoText(Language language);

  void lbl_Inst_DE_Click();
  void lbl_Inst_GB_Click();
  void chk_Inst_Click();
  void cmd_Inst_Ein_MouseUp(int button, int shift, int x, int y);
  void cmd_Inst_NEIN_MouseUp(int button, int shift, int x, int y);
  void tmr_Inst_Timer();
  void frm_inst_Close(bool& cancel);
  void tmr_Scroll_Timer();

  // The launcher in the desktop folder that starts the program in its folder. False
  // when it could not be written; the user has been told.
  bool createDesktopLauncher();
  std::string desktopLauncherPath() const;

 private:
  void chooseLanguage(Language language, const char* code);
  void layOutInfoText();
  void closeWindow();

  Program& p_;
};

}  // namespace tv
