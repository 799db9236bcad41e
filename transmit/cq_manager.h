#pragma once

#include <string>

namespace tv {

class Program;

// The CQ files: the pre-selection list beside lblCQ, the CQ window with its list of
// the files in the CQ folder, and confirm, rename, delete and close on that list.
//
// A failed copy, rename or delete tells the user and leaves the list and the Auto-TX
// file as they were. Names typed by the user are bare file names inside the CQ folder.
class CqManager {
 public:
  explicit CqManager(Program& program);
  CqManager(const CqManager&) = delete;
  CqManager& operator=(const CqManager&) = delete;

  // The name a rename starts from.
  std::string oldCqName;

  // Rebuilds lb_CQFiles from the CQ folder and shows the CQ window; with no folder the
  // list stays empty and the window hidden.
  void FillCqList();

  void lb_CQVorwahl_Click();
  void lb_CQVorwahl_MouseMove(int button, int shift, int x, int y);
  void lb_CQFiles_MouseDown(int button, int shift, int x, int y);
  void lb_CQFiles_DblClick();
  void cmd_CQOK_MouseDown(int button, int shift, int x, int y);
  void cmd_CQOK_MouseUp(int button, int shift, int x, int y);
  void cmd_CQEdit_MouseDown(int button, int shift, int x, int y);
  void ed_CQFiles_MouseDown(int button, int shift, int x, int y);
  void cmd_CQSave_MouseUp(int button, int shift, int x, int y);
  void cmd_CQLö_MouseDown(int button, int shift, int x, int y);
  void cmd_CQLö_MouseUp(int button, int shift, int x, int y);
  void cmd_CQRet_MouseUp(int button, int shift, int x, int y);

  std::string cqFolder() const;

 private:
  // "Save sound file": the recording in the playback window becomes a CQ file.
  void saveLoadedAsCq();
  // The trimmed text of the current entry of lb_CQFiles; empty when none.
  std::string currentName() const;

  Program& p_;
};

// True for a name that can only be a file directly inside the CQ folder and that the
// list would show: no folder part, no "..", no leading dot, no control characters, and
// more than 6 characters.
bool isCqFileName(const std::string& name);

// Characters, not bytes: a name in UTF-8 counts as the user sees it.
std::size_t nameLength(const std::string& name);

}  // namespace tv
