#include "app/program.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/numbers.h"
#include "platform/files.h"
#include "platform/screen_fit.h"

namespace tv {

Program::Program(Platform platform_, ProgramOptions options)
    : platform(std::move(platform_)),
      log(platform.clock),
      ui_(platform.clock, platform.loop, platform.services),
      noSound_(platform.sound ? nullptr : std::make_unique<NoSoundSystem>(platform.clock)),
      soundSystem(platform.sound ? *platform.sound : *noSound_),
      mci(soundSystem, platform.takeFiles,
          platform.takeWriterThreads ? TakeWriter::Mode::ownThread
                                     : TakeWriter::Mode::whereDelivered),
      programFolder(std::move(options.programFolder)),
      executablePath(std::move(options.executablePath)),
      holdsFolderLock(options.holdsFolderLock && options.showOnlyFile.empty()),
      commandLimitMs(options.commandLimitMs),
      frm_inst(ui_),
      frm_CQ(ui_),
      frm_Info(ui_),
      frm_Einstellungen(ui_),
      frm_Mehr(ui_),
      frm_DoKu(ui_),
      frm_Loe_File(ui_),
      frm_Oszi(ui_),
      frm_Meldungen(ui_),
      notices(*this),
      settingsFile(*this),
      textApplication(*this),
      settingsWindow(*this),
      mainWindow(*this),
      keying(*this),
      txArbiter(*this),
      recordingIndex(*this),
      player(*this),
      editing(*this),
      autoTx(*this),
      cqManager(*this),
      levelMeter(*this),
      recorder(*this),
      soundList(*this),
      installation(*this),
      trayMenu(*this),
      folderLockProblem_(std::move(options.folderLockProblem)),
      headless_(options.headless),
      showOnlyFile_(std::move(options.showOnlyFile)) {
  // The recorder's once-a-second steps end with keeping the main window's width.
  frm_DoKu.tmr_Zeit.tick = [this] { recorder.tmr_Zeit_Timer(); };
  frm_Info.lbl_info.click = [this] { clickSound(); };
  for (Form* f : {static_cast<Form*>(&frm_CQ), static_cast<Form*>(&frm_Loe_File),
                  static_cast<Form*>(&frm_Oszi)})
    f->click = [this] { clickSound(); };
}

Program::~Program() {
  std::error_code ec;
  if (!ownFolder_.empty()) std::filesystem::remove_all(ownFolder_, ec);
}

std::string Program::settingsPath() const { return settingsFile.path(); }

bool Program::startUp() {
  // 1. Program values.
  elapsedSeconds = 0;
  germanTable = {};
  englishTable = {};
  languageCode.clear();
  // Working files (a capture saved under its bare name, XW.DAT, ping.wav) are
  // found in the program folder, as a shortcut's start folder would make it.
  std::error_code folderError;
  if (!programFolder.empty()) std::filesystem::current_path(programFolder, folderError);
  log.open(programFolder, platform.shell.stateFolder());
  log.info("program", "start in " + programFolder + versionText);

  // 2. The first start asks for the language before anything else, in a folder that can
  // keep the answer.
  settingsFile.checkFolder();
  installationCheck();
  if (ended_) return false;

  // 3. Windows and their set-up.
  textIndex = 0;
  determineAutostartFolder();
  autostartFlag = 0;
  recorderOn = 0;
  messageTexts = {};
  collectSystemInformation();
  measureHeightCorrection();

  frm_CQ.load();
  frm_CQ.setHeight(frm_CQ.height() + heightCorrection);
  frm_Info.load();
  frm_Info.setHeight(frm_Info.height() + heightCorrection);
  frm_Einstellungen.load();
  frm_Einstellungen.setHeight(frm_Einstellungen.height() + heightCorrection);
  frm_Mehr.load();
  frm_Mehr.setHeight(frm_Mehr.height() + heightCorrection);
  recorder.setUp();
  player.OpenPlaybackWindow();
  player.speedFactor = 1.0;
  frm_DoKu.load();
  frm_DoKu.setHeight(frm_DoKu.height() + heightCorrection);
  levelMeter.setUp();

  languageCodes = {"", "DL", "GB", "", "F", ""};
  frm_Einstellungen.cb_Lang.setListIndex(languageIndex - 1);
  mainWindowHeight = 4005;
  collapsedHeight = 2160;

  applySettings();
  if (ended_) return false;

  frm_DoKu.setHeight(mainWindowHeight);
  levelMeter.fillDeviceList();
  frm_Info.setCaption(programFileName + " " + versionText + " " + messageTexts.items[14]);

  applyStartState();
  if (ended_) return false;

  frm_Loe_File.load();

  // 4. The tray icon's tip.
  startedUp_ = true;
  frm_DoKu.tic1.setToolTip(" Tonvogel - " + versionText);
  frm_DoKu.tic1.setIconFile(programFolder + "/icon/tonvogel.png");
  // Without a screen there is nothing to miss.
  if (!headless_) trayMenu.tellWhenNoTrayArea();
  if (!folderLockProblem_.empty())
    notice("program",
           ownMessage(OwnText::FolderLockUnavailable, {programFolder, folderLockProblem_}));
  settingsFile.tellUnwritableFolder();
  if (!pendingFile_.empty()) showSoundFile(std::exchange(pendingFile_, {}));
  return true;
}

int Program::run() {
  if (showOnly() ? !startToShow() : !startUp()) return exitCode_;
  if (ended_) return exitCode_;
  return platform.loop.run();
}

void Program::applySettings() {
  frm_DoKu.hide();
  frm_DoKu.tmrRSP.setEnabled(false);
  frm_DoKu.tmrCQ_PAUSE.setEnabled(false);
  frm_DoKu.tmrCQ.setEnabled(false);
  autoTx.settingsApplied();
  // The port may be reopened or closed below, which drops the key line: the sender on
  // the air ends first, so that its sound does not go on unkeyed.
  txArbiter.endCurrent("settings applied");

  settingsFile.apply();
  if (ended_) return;

  // Recordings an earlier run could not file are filed before the list is read; by the
  // folder's one copy only, which no other copy may be recording into.
  if (holdsFolderLock) recorder.fileLeftovers();
  recordingIndex.rebuildSoundList();
  if (ended_) return;

  setUpStatusBar();

  const std::string code = trim(languageCode);
  if (code == "DL" || languageCode == "dl") {
    applyLanguage(Language::German);
  } else if (code == "GB" || languageCode == "gb") {
    applyLanguage(Language::English);
  }

  keying.OpenComPort();

  mainWindow.placeButtons();
  placeWindowsOnScreen();
}

void Program::placeWindowsOnScreen() {
  for (Form* form : ui_.forms()) {
    const std::optional<Rect> area = platform.services.screenArea(form->left(), form->top());
    if (!area) return;
    const Rect placed =
        placeOnScreen({form->left(), form->top(), form->width(), form->height()}, *area);
    form->setLeft(placed.left);
    form->setTop(placed.top);
  }
  // The left edge a resize keeps is the one on the screen.
  mainWindowLeft = frm_DoKu.left();
}

void Program::setUpStatusBar() {
  StatusBar& sb = frm_DoKu.sb;
  std::vector<StatusBar::Panel> panels(7);
  panels[0] = {"73 de", "", 40, false};
  panels[1] = {numberText(soundFileCount), "", 40, false};
  panels[2] = {programFileName, "", 75, false};
  panels[3] = {versionText, "", 70, false};
  panels[4] = {frm_Einstellungen.cb_Com.text(), "", 15, false};
  panels[5] = {numberText(networkNumber), "", 15, false};
  panels[6] = {"", "", 100, true};
  // Keep the tooltips a language gave the panels.
  for (size_t i = 0; i < panels.size() && i < sb.panels().size(); ++i)
    panels[i].toolTip = sb.panels()[i].toolTip;
  sb.setPanels(std::move(panels));
  sb.setFont("ARIAL", 7);
  // Why the recorder stopped, and every other notice, stands in the notice line.
  notices.showInStatusBar();
}

void Program::applyStartState() {
  frm_DoKu.setToolTip(programFileName + " " + versionText);
  // A recorder that is on already keeps its recording and its stream, unless the input
  // it listens to has changed.
  recorder.inputSettingsApplied();
  if (autoRecordFlag == 1 && !shuttingDown_ && !recorder.running()) {
    recorderOn = 1;
    frm_DoKu.lbl_Start.setBackColour(rgb(255, 0, 0));
    frm_DoKu.lbl_Start.setForeColour(rgb(255, 255, 128));
    frm_DoKu.lbl_Start.setBorderStyle(Look::On);
    recorder.lbl_Start_MouseUp(MouseButton::Left, 0, 0, 0);
  }
  frm_Einstellungen.setVisible(settingsVisibleFlag == 1);
  if (startMinimizedFlag == 1) mainWindow.cmd_zur_Click();
  windowsShown = true;
  playbackHidden = true;
  settingsShown = false;
  mainWindow.restoreFullHeight();
  // The main window has its full height only now.
  placeWindowsOnScreen();
}

void Program::showMainWindow() {
  if (ended_) return;
  log.info("program", "another start in this folder: the main window is shown");
  // The installation window, while it waits, is the window to show; it stays up anyway.
  if (!startedUp_) return;
  if (!windowsShown) trayMenu.showAll();
  frm_DoKu.show();
  frm_DoKu.bringToFront();
}

void Program::shutdownRoutine() {
  if (ended_ || shuttingDown_) return;
  shuttingDown_ = true;
  if (showOnly()) {
    // No settings of its own to save, nothing recorded, nothing keyed.
    player.StopPlayback();
    endProgram(0);
    return;
  }
  if (!startedUp_) {
    // Ended before the windows were up (a signal while the installation window
    // waits): there are no settings to save yet, and none must be created now.
    keying.releaseAll("shutdown");
    endProgram(0);
    return;
  }
  // The transmitter is released before anything else can wait or fail.
  keying.releaseAll("shutdown");
  // Playback stops and a recording in progress is saved (player and recorder).
  player.cmdStop_Click();
  recorder.programEnd();
  MainForm& f = frm_DoKu;
  f.lbl_Start.setBackColour(kButtonFace);
  f.tmrZT1.setEnabled(false);
  f.tmrPegel.setEnabled(false);
  levelMeter.closeMeterInput();
  f.Progressbar1.setValue(0);
  f.progressbar3.setValue(0);
  f.lbl_Record.setBackColour(rgb(255, 0, 0));
  recorder.clearState();
  settingsWindow.pressSave();
  removeTotalsFiles();
  endProgram(0);
}

void Program::removeTotalsFiles() {
  // A folder copied from Windows may spell the file in any case; every spelling goes.
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string folder = findCaseInsensitive(recordingsFolder, "w");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::error_code ignored;
    if (name == "t_gesamt.txt" && it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
  }
}

void Program::endProgram(int code) {
  if (ended_) return;
  ended_ = true;
  exitCode_ = code;
  platform.loop.quit(code);
}

std::string Program::formatDuration(double seconds) {
  formattedDuration = tv::formatDuration(seconds);
  return formattedDuration;
}

void Program::clickSound() {
  if (!clickSoundOn) return;
  std::error_code ec;
  if (!std::filesystem::exists("ping.wav", ec)) return;
  (void)soundSystem.playClick("ping.wav");
}

void Program::applyLanguage(Language language) {
  TextTable& table = language == Language::German ? germanTable : englishTable;
  LoadTextTable(table, language);
  applyTextEntry(language);
}

void Program::applyTextEntry(Language language) {
  const TextTable& table = language == Language::German ? germanTable : englishTable;
  textApplication.applyRange(table, 8, kLastTextEntry);
  // The program's own fields have no entry in the table.
  frm_Einstellungen.lbl_TxTimeout.setCaption(
      std::string(ownText(OwnText::TxTimeoutLabel, language)));
  frm_Einstellungen.ed_TxTimeout.setToolTip(std::string(ownText(OwnText::TxTimeoutTip, language)));
  frm_Einstellungen.cmd_Mehr.setCaption(std::string(ownText(OwnText::MoreSettingsOpen, language)));
  frm_Einstellungen.cmd_Mehr.setToolTip(
      std::string(ownText(OwnText::MoreSettingsOpenTip, language)));
  frm_Mehr.applyTexts(language);
  settingsWindow.inputBox.relabel(language);
  settingsWindow.outputBox.relabel(language);
  frm_Oszi.cmd_Save.setCaption(std::string(ownText(OwnText::CutSaveAsCqCaption, language)));
  frm_Oszi.cmd_Kill.setCaption(std::string(ownText(OwnText::CutRemoveCaption, language)));
  frm_Oszi.cmd_Ret.setCaption(std::string(ownText(OwnText::CutBackCaption, language)));
  const std::string question(ownText(OwnText::DeleteQuestion, language));
  frm_Loe_File.setCaption(question);
  frm_Loe_File.lbl_Frage.setCaption(question);
  frm_Loe_File.cmd_Loe_YES.setCaption(std::string(ownText(OwnText::DeleteYes, language)));
  frm_Loe_File.cmd_Loe_NO.setCaption(std::string(ownText(OwnText::DeleteNo, language)));
  // The parrot buttons have no entry either.
  const std::string parrot(ownText(OwnText::ParrotCaption, language));
  frm_DoKu.cmd_PAPA.setCaption(parrot);
  frm_Oszi.cmdPap2.setCaption(parrot);
  // The table's tooltips for the status bar's panels have just replaced the notice's.
  notices.showInStatusBar();
}

MessageAnswer Program::messageBox(const std::string& text, MessageButtons buttons) {
  return platform.services.messageBox(text, programFileName, buttons);
}

void Program::tellUser(const std::string& text) {
  log.warning("user", text);
  setWaitText(text);
  messageBox(text);
}

void Program::notice(std::string_view area, const std::string& text, LogLevel level) {
  notices.tell(area, text, level);
}

bool Program::actingAlone() const {
  return !startedUp_ || shuttingDown_ || ui_.timers().ticking();
}

void Program::report(std::string_view area, const std::string& text) {
  if (actingAlone()) {
    notice(area, text);
  } else {
    notices.tell(area, text);
    setWaitText(text);
    messageBox(text);
  }
}

std::unique_ptr<Worker> Program::makeWorker(std::string_view kind) {
  if (platform.makeWorker) return platform.makeWorker(kind);
  return makeLoopWorker(platform.loop);
}

std::string Program::ownMessage(OwnText text, std::initializer_list<std::string_view> args) {
  const Language language = languageIndex == 2 ? Language::English : Language::German;
  return formatOwnText(text, language, args);
}

void Program::showWaitWindow() {
  // Every rebuild of the sound list shows the window again; the mark is added once.
  const std::string mark = "  - wait! -";
  if (!frm_Info.caption().ends_with(mark)) frm_Info.setCaption(frm_Info.caption() + mark);
  frm_Info.show();
}

void Program::setWaitText(const std::string& text) { frm_Info.lbl_info.setCaption(text); }

void Program::hideWaitWindow() { frm_Info.hide(); }

void Program::installationCheck() {
  std::error_code ec;
  if (headless_ && !std::filesystem::exists(settingsFile.path(), ec)) {
    endForUnusableSettings(OwnText::HeadlessNoSettings);
    return;
  }
  installation.installationCheck();
}

void Program::endForUnusableSettings(OwnText text) {
  const Language language =
      platform.shell.desktopLanguage() == "de" ? Language::German : Language::English;
  log.error("settings", formatOwnText(text, language, {settingsFile.path(), programFolder}));
  // Nothing is saved on the way out. At the start nothing has been keyed yet; a file found
  // damaged later (edited by hand while the program ran) must not leave the key down.
  keying.releaseAll("settings unusable");
  endProgram(kExitSettingsUnusable);
}

void Program::determineAutostartFolder() {
  autostartFlag = 0;
  autostartFolder = platform.shell.autostartFolder();
  userName = platform.shell.userName();
}

void Program::collectSystemInformation() { windowsVersion = platform.shell.windowsVersion(); }

void Program::measureHeightCorrection() {
  // The forms are laid out for the window frame of the desktop they run on; only the
  // two old frame styles the original forms were drawn for would need a correction,
  // and the version text that selects them is never set here.
  heightCorrection = 0;
}

}  // namespace tv
