// A sound file handed to the program from outside, and the copy that is started only to
// show one.

#include <filesystem>
#include <random>
#include <system_error>

#include "app/program.h"

namespace tv {
namespace {

// A fresh folder of this copy's own among the temporary files; empty when none could be
// made.
std::string makeOwnFolder() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path temporary = fs::temp_directory_path(ec);
  if (ec) return {};
  std::random_device random;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const fs::path folder = temporary / ("tonvogel-show-" + std::to_string(random()));
    if (fs::create_directory(folder, ec)) return folder.string();
  }
  return {};
}

}  // namespace

void Program::showSoundFile(const std::string& file) {
  if (ended_) return;
  log.info("program", "a sound file to show: " + file);
  if (!startedUp_) {
    pendingFile_ = file;
    return;
  }
  player.StopPlayback();
  player.selectedFile = file;
  // The dialog's own second half: loaded, drawn, shown, and played from its tick.
  player.tmr2_Timer();
  if (player.selectedFile.empty()) {
    // Refused with its reason in a box; a copy started only for it has nothing left to
    // show and would otherwise stay without a window.
    log.warning("program", file + " cannot be shown");
    if (!showOnlyFile_.empty()) endProgram(2);
    return;
  }
  frm_Oszi.bringToFront();
  log.info("program", "the playback window shows " + file);
}

bool Program::startToShow() {
  std::error_code folderError;
  // The log stays in memory (and on standard error where it is echoed): the folder's log
  // is the station's.
  log.info("program", "started to show " + showOnlyFile_ + " only, in " + programFolder +
                          versionText + "; no recorder, no port, no settings written");

  // Only the language is taken from the settings: applying the rest would switch on
  // the recorder, open the serial port and write what a station writes.
  languageCodes = {"", "DL", "GB", "", "F", ""};
  languageCode = settingsFile.storedLanguageCode();
  // The player's working files belong to the program folder, which in the station's
  // folder would be the station's own. This copy works in a folder of its own, removed
  // when it ends; the station's folder is only read.
  ownFolder_ = makeOwnFolder();
  if (ownFolder_.empty()) {
    const std::string problem = "No folder for the working files among the temporary files (" +
                                std::filesystem::temp_directory_path(folderError).string() +
                                "): " + showOnlyFile_ + " cannot be played.";
    log.error("program", problem);
    messageBox(problem);
    endProgram(1);
    return false;
  }
  programFolder = ownFolder_;
  std::filesystem::current_path(programFolder, folderError);
  if (languageCode.empty()) languageCode = platform.shell.desktopLanguage() == "de" ? "DL" : "GB";
  languageIndex = languageCode == "DL" ? 1 : 2;
  messageTexts = {};

  // The once-a-second station work (timed transmissions, the daily list) has no station
  // here; the main window is never loaded, so neither it nor the tray icon appears.
  frm_DoKu.tmr_Zeit.setEnabled(false);
  player.OpenPlaybackWindow();
  player.speedFactor = 1.0;
  applyLanguage(languageCode == "DL" ? Language::German : Language::English);

  PlaybackForm& f = frm_Oszi;
  // No transmitter: the TX buttons go, as with transmit control off.
  for (Control* c : {static_cast<Control*>(&f.lbl_TX), static_cast<Control*>(&f.lbl_Pl_tx),
                     static_cast<Control*>(&f.cmdPap2)})
    c->setVisible(false);
  f.ed1.keyPress = nullptr;
  // Cutting writes into the station's recordings, and a speed change belongs with it to
  // the station's own window: neither is offered here.
  for (Control* c : {static_cast<Control*>(&f.sli_Speed), static_cast<Control*>(&f.lbl_gn),
                     static_cast<Control*>(&f.lbl_sp2), static_cast<Control*>(&f.lblSpeed)})
    c->setVisible(false);
  f.frx1.mouseDown = nullptr;
  f.frx1.mouseUp = nullptr;
  // The playback window is all there is: leaving it ends the program.
  f.close = [this, hide = f.close](bool& cancel) {
    if (hide) hide(cancel);
    endProgram(0);
  };
  f.cmd_Os_Zurück.click = [this, back = f.cmd_Os_Zurück.click] {
    if (back) back();
    endProgram(0);
  };
  placeWindowsOnScreen();

  startedUp_ = true;
  showSoundFile(showOnlyFile_);
  return !ended_;
}

}  // namespace tv
