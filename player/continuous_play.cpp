#include <filesystem>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "app/settings_values.h"
#include "platform/files.h"
#include "player/player.h"

namespace tv {

std::string Player::selectedListFile() const {
  const ListBox& list = p_.frm_DoKu.lb_Sounds;
  const int index = list.listIndex();
  const std::string entry =
      index >= 0 && index < list.listCount() ? list.item(index).substr(0, 25) : std::string();
  const std::string folder = findCaseInsensitive(
      recordingsFolderFor(p_.frm_Einstellungen.ed_PfadDoku.text(), p_.programFolder), "w");
  return folder + "/" + trim(entry);
}

void Player::PlayNextInList() {
  if (p_.frm_Einstellungen.chkFortlaufend.value() != 1) return;
  ListBox& list = p_.frm_DoKu.lb_Sounds;
  if (list.listIndex() >= list.listCount() - 1) return;
  list.setListIndex(list.listIndex() + 1);
  selectedFile = selectedListFile();
  PlaybackForm& f = p_.frm_Oszi;
  f.slider.setValue(0);
  StopPlayback();
  currentWave = selectedFile;
  f.tmrplaywave.setEnabled(false);
  std::error_code ec;
  if (std::filesystem::is_regular_file(selectedFile, ec) && !LoadWave(selectedFile)) return;
  ShowLoadedWave();
  f.tmr_NachStop.setEnabled(true);
  f.tmrplaywave.setEnabled(true);
}

void Player::tmr_NachStop_Timer() {
  lb_Sounds_MouseDown(MouseButton::Left, 0, 0, 0);
  lb_Sounds_MouseUp(MouseButton::Left, 0, 0, 0);
  lblFreqNorm_MouseDown(MouseButton::Left, 0, 0, 0);
  lblFreqNorm_MouseUp(MouseButton::Left, 0, 0, 0);
  p_.frm_Oszi.tmr_NachStop.setEnabled(false);
}

// The sound list's press and release belong to the sound list; playback runs them
// by these names.
void Player::lb_Sounds_MouseDown(int button, int shift, int x, int y) {
  p_.soundList.lb_Sounds_MouseDown(button, shift, x, y);
}

void Player::lb_Sounds_MouseUp(int button, int shift, int x, int y) {
  p_.soundList.lb_Sounds_MouseUp(button, shift, x, y);
}

}  // namespace tv
