#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "app/settings_values.h"
#include "platform/files.h"
#include "player/player.h"

namespace tv {
namespace {

constexpr const char* kOpenTitle = "Open Wave File";
// Files recorded on Windows often carry the extension in capitals.
// Besides WAV, what other programs and the archive write opens read-only.
constexpr const char* kSoundFilesFilter =
    "Sound Files (*.wav *.WAV *.flac *.FLAC *.opus *.ogg *.mp3 *.MP3 *.w64 *.rf64)";
constexpr const char* kRecordingsFilter =
    "*.WAV (*.WAV *.wav *.flac *.FLAC *.opus *.ogg *.mp3 *.MP3 *.w64 *.rf64)";

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool namesAFolder(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

// The length label reads in seconds, like the one Auto-TX writes.
std::string lengthText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

}  // namespace

bool Player::LoadWave(const std::string& path) {
  const LoadedWave loaded = tv::LoadWave(path);
  const auto& m = p_.messageTexts.items;
  switch (loaded.outcome) {
    case WaveHeaderOutcome::usable:
      break;
    case WaveHeaderOutcome::tooShort:
      // Whatever is picked instead is loaded by the dialog itself.
      OpenWaveDialog();
      return false;
    case WaveHeaderOutcome::unreadable:
      return false;
    case WaveHeaderOutcome::unknownFormat:
      // The reason names the file and what in it cannot be read.
      p_.platform.services.messageBox(
          loaded.refusal.empty() ? m[17] : m[17] + "\r" + loaded.refusal, "Error",
          MessageButtons::Ok);
      return false;
    case WaveHeaderOutcome::noDataChunk:
      p_.platform.services.messageBox(m[18], "Error", MessageButtons::Ok);
      return false;
  }
  currentWave = path;
  waveInfo = loaded.info;
  durationText = loaded.durationText;
  StopPlayback();
  p_.frm_Oszi.slider.setValue(0);
  return true;
}

double Player::ReadHeaderFields() {
  return tv::ReadHeaderFields(selectedFile, headerFieldTable);
}

void Player::PreparePlaybackWindow() {
  displayWidth = 296;
  displayHeight = 65;
  playing = false;
  dialogFilter = kSoundFilesFilter;
  // Dropped files need no registration here: the window simply ignores them.
  if (fileExists(selectedFile)) LoadWave(selectedFile);
}

void Player::OpenPlaybackWindow() {
  PlaybackForm& f = p_.frm_Oszi;
  f.load();
  f.setHeight(f.height() + p_.heightCorrection);
  resumePosition = 10'000'000;
  peakTable.assign(101, 0);
  PreparePlaybackWindow();
  LoadWave(selectedFile);
}

void Player::OpenWaveDialog() {
  PlaybackForm& f = p_.frm_Oszi;
  selectedFile.clear();
  f.tmrplaywave.setEnabled(false);
  StopPlayback();
  selectedFile = p_.platform.services.openFileDialog(kOpenTitle, "", dialogFilter).value_or("");
  if (selectedFile.empty()) return;
  p_.autoTx.fileLoadedByHand();
  f.slider.setValue(0);
  StopPlayback();
  currentWave = selectedFile;
  f.tmrplaywave.setEnabled(false);
  // A file that cannot be used has been refused once; nothing more is done with it.
  if (fileExists(selectedFile) && !LoadWave(selectedFile)) return;
  ShowLoadedWave();
  f.tmr1.setEnabled(true);
}

void Player::ShowLoadedWave() {
  PlaybackForm& f = p_.frm_Oszi;
  chosenFile = selectedFile;
  if (namesAFolder(selectedFile)) selectedFile.clear();
  if (!selectedFile.empty()) {
    LoadWave(selectedFile);
    playPosition = 0;
    resumePosition = 0;
    f.slider.setValue(0);
  }
  f.lblFreqNorm.setVisible(true);
  f.cmdStop.setVisible(true);
  DrawWaveform();
  BuildPeakTable();
  f.lblFile.setCaption(selectedFile);
}

void Player::lbl_LoadWave_MouseMove(int, int, int, int) {
  p_.frm_DoKu.lbl_LoadWave.setBorderStyle(Look::Raised);
}

void Player::lbl_LoadWave_MouseDown(int, int, int, int) {
  lb_Sounds_MouseDown(MouseButton::Left, 0, 0, 0);
  p_.frm_DoKu.lbl_LoadWave.setBorderStyle(Look::On);
  selectedFile.clear();
  p_.frm_Oszi.tmrplaywave.setEnabled(false);
  StopPlayback();
  // The recordings of the current network, in the folder tree of the language in use.
  const SettingsForm& s = p_.frm_Einstellungen;
  const std::string network = (p_.languageIndex == 1 ? "FK_" : "RC_") + trim(s.ed_FK.text());
  const std::string folder =
      findCaseInsensitive(recordingsFolderFor(s.ed_PfadDoku.text(), p_.programFolder), network);
  selectedFile =
      p_.platform.services.openFileDialog(kOpenTitle, folder, kRecordingsFilter).value_or("");
  p_.frm_DoKu.tmr2.setEnabled(true);
}

void Player::tmr2_Timer() {
  PlaybackForm& f = p_.frm_Oszi;
  // A file that cannot be used is refused once, before anything is read of it.
  const bool refused = !selectedFile.empty() && fileExists(selectedFile) && !LoadWave(selectedFile);
  if (!selectedFile.empty() && !refused) {
    p_.autoTx.fileLoadedByHand();
    f.lbl_sek.setCaption(lengthText(ReadHeaderFields()) + " s");
    f.slider.setValue(0);
    StopPlayback();
    currentWave = selectedFile;
    f.tmrplaywave.setEnabled(false);
    if (fileExists(selectedFile)) LoadWave(selectedFile);
    f.frx1.cls();
    ShowLoadedWave();
    ReadNormalRate();
    f.tmr1.setEnabled(true);
  }
  if (refused) {
    selectedFile.clear();
  } else {
    f.show();
  }
  p_.frm_DoKu.tmr2.setEnabled(false);
  p_.frm_DoKu.lbl_LoadWave.setBorderStyle(Look::Flat);
}

}  // namespace tv
