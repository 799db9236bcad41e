#pragma once

#include <string>

namespace tv {

class Program;

// The sound list of the main window as the user handles it: picking a recording to
// hear, replaying it, and deleting it with the delete button or by a double-click and
// the question in frm_Loe_File. Every deletion is followed by a rebuild of the list.
class SoundList {
 public:
  explicit SoundList(Program& program);
  SoundList(const SoundList&) = delete;
  SoundList& operator=(const SoundList&) = delete;

  void lb_Sounds_MouseDown(int button, int shift, int x, int y);
  void lb_Sounds_MouseUp(int button, int shift, int x, int y);
  void lb_Sounds_DblClick();
  void cmd_Loe_YES_Click();
  void cmd_Loe_NO_Click();
  void cmd_File_lö_MouseDown(int button, int shift, int x, int y);
  void cmd_File_lö_MouseUp(int button, int shift, int x, int y);
  // Rebuilds the list after a deletion.
  void RefreshAfterDeletion();

  // The bare name in the first 25 characters of the selected entry, trimmed; empty
  // when nothing is selected.
  std::string selectedName() const;

 private:
  // Deletes the recording `name` of the collecting folder; a missing file or a name
  // that would leave the folder ends with the click sound and no rebuild.
  void deleteRecording(const std::string& name);

  Program& p_;
  // The recording the open question is about, so that "yes" deletes what was asked.
  std::string askedName_;
};

}  // namespace tv
