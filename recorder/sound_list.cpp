#include "recorder/sound_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
constexpr int kLeft = MouseButton::Left;

// A list entry names a file directly inside the collecting folder; anything else
// (a damaged list line) must not reach a delete.
bool isRecordingName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

}  // namespace

SoundList::SoundList(Program& program) : p_(program) {
  MainForm& m = p_.frm_DoKu;
  m.lb_Sounds.mouseDown = [this](int b, int s, int x, int y) { lb_Sounds_MouseDown(b, s, x, y); };
  m.lb_Sounds.mouseUp = [this](int b, int s, int x, int y) { lb_Sounds_MouseUp(b, s, x, y); };
  m.lb_Sounds.dblClick = [this] { lb_Sounds_DblClick(); };
  m.cmd_File_lö.mouseDown = [this](int b, int s, int x, int y) {
    cmd_File_lö_MouseDown(b, s, x, y);
  };
  m.cmd_File_lö.mouseUp = [this](int b, int s, int x, int y) { cmd_File_lö_MouseUp(b, s, x, y); };
  p_.frm_Loe_File.cmd_Loe_YES.click = [this] { cmd_Loe_YES_Click(); };
  p_.frm_Loe_File.cmd_Loe_NO.click = [this] { cmd_Loe_NO_Click(); };
}

std::string SoundList::selectedName() const {
  const ListBox& list = p_.frm_DoKu.lb_Sounds;
  const int index = list.listIndex();
  if (index < 0 || index >= list.listCount()) return {};
  return trim(list.item(index).substr(0, 25));
}

void SoundList::lb_Sounds_MouseDown(int, int, int, int) {
  if (p_.frm_DoKu.lb_Sounds.listCount() == 0) return;
  p_.frm_Oszi.frx1.cls();
  // A percentage outside 0..100 would overflow the 16-bit volume word.
  const double percent =
      std::clamp(leadingNumber(p_.frm_Einstellungen.ed_PlayPegel.text()), 0.0, 100.0);
  const auto volume = static_cast<std::uint32_t>(percent * 65535 / 100) & 0xFFFF;
  p_.frm_Oszi.sli_Lautst.setValue(static_cast<int>(65535 - volume));
  p_.playVolume = volume | (volume << 16);
  p_.soundSystem.setOutputVolume(static_cast<std::uint16_t>(volume),
                                 static_cast<std::uint16_t>(volume));
}

void SoundList::lb_Sounds_MouseUp(int button, int, int, int) {
  if (p_.frm_DoKu.lb_Sounds.listCount() == 0) return;
  p_.autoTx.fileLoadedByHand();
  Player& player = p_.player;
  PlaybackForm& f = p_.frm_Oszi;
  player.StopPlayback();
  player.selectedFile = player.selectedListFile();
  std::error_code ec;
  if (button == kLeft) {
    // A save or a cut hides the cut button; choosing a recording brings it back, or
    // cutting could not be reached again until the next start.
    p_.frm_DoKu.cmd_file_neu.setVisible(true);
    f.slider.setValue(0);
    player.currentWave = player.selectedFile;
    // A recording that cannot be used is refused once; nothing more is done with it.
    if (fs::is_regular_file(player.selectedFile, ec) && !player.LoadWave(player.selectedFile))
      return;
    player.ShowLoadedWave();
    player.ReadNormalRate();
    f.show();
    // Once the window has settled, the chosen recording plays.
    f.tmr_NachStop.setEnabled(true);
    return;
  }
  // Once more, from where it stopped, at normal speed, to its end: no one-shot reload
  // here, which would load the list's entry at the slider's speed and cut it short.
  player.selectedFile = player.chosenFile;
  player.LoadSelectedWave();
  player.currentWave = player.selectedFile;
  player.playPosition = player.resumePosition;
  player.speedFactor = 1.0;
  player.ApplySpeed();
  player.StartPlayback();
  f.slider.setValue(player.resumePosition);
  p_.frm_DoKu.tmr_Focus.setEnabled(true);
  f.show();
}

void SoundList::lb_Sounds_DblClick() {
  MainForm& m = p_.frm_DoKu;
  if (!m.cmd_File_lö.enabled()) return;
  p_.player.cmdStop_Click();
  askedName_ = selectedName();
  DeleteForm& d = p_.frm_Loe_File;
  d.setLeft(m.left());
  d.setTop(m.top() + 350);
  d.lbl_Loe_File.setCaption(p_.frm_Oszi.lblFile.caption());
  d.show();
}

void SoundList::cmd_Loe_YES_Click() {
  p_.autoRecordFlag = 0;
  p_.frm_Loe_File.hide();
  p_.player.cmdStop_Click();
  p_.player.cmdStop_MouseUp(kLeft, 0, 0, 0);
  deleteRecording(askedName_);
  askedName_.clear();
  cmd_File_lö_MouseUp(kLeft, 0, 0, 0);
  lb_Sounds_MouseDown(kLeft, 0, 0, 0);
}

void SoundList::cmd_Loe_NO_Click() {
  askedName_.clear();
  p_.frm_Loe_File.hide();
  lb_Sounds_MouseDown(kLeft, 0, 0, 0);
  lb_Sounds_MouseUp(kLeft, 0, 0, 0);
}

void SoundList::cmd_File_lö_MouseDown(int, int, int, int) {
  deleteRecording(selectedName());
}

void SoundList::cmd_File_lö_MouseUp(int, int, int, int) {
  p_.frm_Oszi.hide();
}

void SoundList::deleteRecording(const std::string& name) {
  Player& player = p_.player;
  player.StopPlayback();
  if (name.empty()) return;
  const std::string path = p_.recordingIndex.collectingFolder() + "/" + name;
  player.selectedFile = path;
  std::error_code ec;
  if (!isRecordingName(name) || !fs::is_regular_file(path, ec)) {
    p_.clickSound();
    return;
  }
  player.StopPlayback();
  if (!fs::remove(path, ec) || ec) {
    p_.clickSound();
    p_.tellUser(p_.ownMessage(OwnText::RecordingDeleteFailed, {path, ec.message()}));
    return;
  }
  RefreshAfterDeletion();
}

void SoundList::RefreshAfterDeletion() {
  std::error_code ec;
  if (!fs::is_directory(p_.recordingIndex.collectingFolder(), ec)) return;
  p_.frm_DoKu.lb_Sounds.clear();
  p_.frm_Info.show();
  p_.soundFileCount = 0;
  p_.recordingIndex.cleanUp();
  p_.recordingIndex.rebuildSoundList();
  p_.frm_Oszi.frx1.cls();
  p_.player.cmdStop_Click();
  p_.player.cmdStop_MouseUp(kLeft, 0, 0, 0);
}

}  // namespace tv
