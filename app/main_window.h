#pragma once

namespace tv {

class Program;

// The main window's own behaviour: its menu, its size rules, compact mode, the
// status-bar double-click and closing.
class MainWindow {
 public:
  explicit MainWindow(Program& program);

  static constexpr int kWidth = 5325;
  int minimumHeight() const;

  void lbl_Menue_MouseDown(int button, int shift, int x, int y);
  void lbl_Menue_MouseMove(int button, int shift, int x, int y);
  void tb1_MouseMove(int button, int shift, int x, int y);
  void frm_DoKu_ReSize();
  void cmd_zur_Click();
  void sb_DblClick();
  void frm_DoKu_Close(bool& cancel);
  // Once a second: keep the left edge and the fixed width.
  void keepWidth();

  void restoreFullHeight();
  void placeButtons();
  // Opens the help file of the language in force, or says that it is missing.
  void openHelpFile();

 private:
  void layOutFromHeight();

  Program& p_;
  bool resizing_ = false;
};

}  // namespace tv
