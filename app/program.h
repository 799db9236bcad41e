#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/archive_format.h"
#include "app/install_form.h"
#include "app/installation.h"
#include "app/keying_method.h"
#include "app/main_form.h"
#include "app/main_window.h"
#include "app/more_settings_form.h"
#include "app/notices.h"
#include "app/notices_form.h"
#include "app/settings_file.h"
#include "app/settings_form.h"
#include "app/settings_window.h"
#include "app/text_application.h"
#include "app/tray_menu.h"
#include "app/wait_form.h"
#include "platform/archive_writer.h"
#include "platform/clock.h"
#include "platform/command_runner.h"
#include "platform/disk_space.h"
#include "platform/event_loop.h"
#include "platform/file_sync.h"
#include "platform/keying/keyer.h"
#include "platform/log.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/serial_port_catalog.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/sound/mci.h"
#include "platform/sound/no_sound_system.h"
#include "platform/take_file.h"
#include "platform/ui.h"
#include "platform/worker.h"
#include "player/editing.h"
#include "player/playback_form.h"
#include "player/player.h"
#include "recorder/delete_form.h"
#include "recorder/level_meter.h"
#include "recorder/recording_index.h"
#include "recorder/sound_list.h"
#include "recorder/voice_recorder.h"
#include "texts/own_texts.h"
#include "texts/text_table.h"
#include "transmit/auto_tx.h"
#include "transmit/cq_form.h"
#include "transmit/cq_manager.h"
#include "transmit/keying.h"
#include "transmit/tx_arbiter.h"

namespace tv {

// What the program runs on. Production passes the Qt loop and dialogs and the real
// shell; a test passes a virtual clock and scripted dialogs.
struct Platform {
  Clock& clock;
  EventLoop& loop;
  Services& services;
  Shell& shell;
  // The port that keys the transmitter and the list of ports to offer; either may be
  // absent, and keying then does nothing.
  SerialPort* serial = nullptr;
  SerialPortCatalog* serialPorts = nullptr;
  // Sound input and output; without one the program runs silent, with no input.
  SoundSystem* sound = nullptr;
  // Workers for slow work; without a factory each runs its jobs on the loop itself.
  WorkerFactory makeWorker;
  // Syncs the settings file to the disk; without one nothing is synced.
  FileSync* fileSync = nullptr;
  // Where a take's working file is written while it is heard; without it nothing is
  // recorded.
  TakeFiles* takeFiles = nullptr;
  // A thread of its own writes each take (a real input's capture thread must never wait
  // for the disk); otherwise whoever delivers the samples writes them (a test's input).
  bool takeWriterThreads = false;
  // Writes the dated tree's copies in the compressed formats; without it they are WAV.
  ArchiveWriter* archiveWriter = nullptr;
  // Runs the command after each recording; without it none is run.
  CommandRunner* commands = nullptr;
  // Tells the room left on the recordings folder's disk; without it nothing is checked.
  DiskSpace* diskSpace = nullptr;
  // Makes the keyer of the methods other than the serial port; without it only the
  // serial port and "none" key.
  KeyerFactory makeKeyer;
  // Gives memory freed after a large piece of work back to the system; without it the
  // allocator keeps it.
  std::function<void()> returnFreedMemory;
};

struct ProgramOptions {
  std::string programFolder;   // settings, working files, icons
  std::string executablePath;  // what a start-at-login entry starts
  // This copy is the one that runs in the program folder (it holds the folder's lock):
  // only that copy may file what earlier runs left there.
  bool holdsFolderLock = true;
  // Why no lock could be made, when that is why this copy does not hold it.
  std::string folderLockProblem;
  // How long the command after a recording may run before it is ended.
  std::int64_t commandLimitMs = 10 * 60 * 1000;
  // No one sits at a screen: there is no installation window to wait for. A settings file
  // that is missing or damaged ends the start-up with kExitSettingsUnusable and is left
  // exactly as it was found; defaults are written only where a user chose them.
  bool headless = false;
  // A sound file this copy was started only to show (a file manager's "Open with" while
  // no copy runs in the folder): the playback window shows it, the station is not
  // started, nothing is written into the program folder, and closing the window ends the
  // program. Such a copy never holds the folder's lock.
  std::string showOnlyFile;
};

// The exit status of a headless start without usable settings; 78 is EX_CONFIG of
// sysexits.h, which a service manager can be told not to restart on.
inline constexpr int kExitSettingsUnusable = 78;

// The program: its settings values, its own values, its seven windows and its
// subsystems. Everything program-wide lives here and is passed by reference; nothing
// is global, so a test can build as many programs as it likes.
class Program {
 public:
  Program(Platform platform, ProgramOptions options);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  Ui& ui() { return ui_; }

  // The start-up sequence up to the main loop. Returns false when the program ended
  // during start-up (the installation was cancelled).
  bool startUp();
  // Start-up, then the main loop; returns the exit code.
  int run();
  // Whether this copy was started only to show a sound file (see ProgramOptions).
  bool showOnly() const { return !showOnlyFile_.empty(); }
  // What run() does in such a copy in place of the start-up sequence: only the playback
  // window, with the file. Returns false when the program ended on the way.
  bool startToShow();
  // A sound file handed over from outside (a file manager, another start in this folder):
  // the playback window loads, shows and plays it, as after a choice in the "Sound files"
  // dialog. One that arrives while the installation window waits follows the start-up.
  void showSoundFile(const std::string& file);

  void applySettings();
  void applyStartState();
  // Puts every window where its title bar and its buttons lie on the free part of its
  // screen, moving it no further than needed (a position from a larger desktop, a window
  // near the bottom of a small screen). Where the desktop places the windows itself
  // (Wayland), the positions are kept as they were stored.
  void placeWindowsOnScreen();
  // Another start in the same program folder asked for this copy: its main window is
  // shown and brought to the front, with the other windows that a hiding took away.
  void showMainWindow();
  void shutdownRoutine();
  // Ends the program at once; the main loop returns `code`.
  void endProgram(int code = 0);
  bool ended() const { return ended_; }
  int exitCode() const { return exitCode_; }
  // True while the shutdown routine runs: its last save and apply must not restart
  // the recorder or reopen the serial port.
  bool shuttingDown() const { return shuttingDown_; }
  bool headless() const { return headless_; }
  // Headless, settings that cannot be used end the program: `text` names the file and what
  // is wrong with it (in the desktop's language, none being known from the file).
  void endForUnusableSettings(OwnText text);

  // Seconds as h:mm:ss; the result is also kept in `formattedDuration`.
  std::string formatDuration(double seconds);
  void clickSound();

  // Loads the table of a language and applies its entries 8 to 166.
  void applyLanguage(Language language);

  // A message box with the program's name as its title.
  MessageAnswer messageBox(const std::string& text, MessageButtons buttons = MessageButtons::Ok);
  // A failure the user must know about: shown in the wait window's line and in a
  // message box on top of the main window, and logged.
  void tellUser(const std::string& text);
  // A station event: logged and shown in the main window's notice line, never waited on.
  void notice(std::string_view area, const std::string& text, LogLevel level = LogLevel::Warning);
  // A failure that may answer what the user just did (a click, a key) or happen on its
  // own (a timer, the start-up): a message box for the first, a notice for the second.
  void report(std::string_view area, const std::string& text);
  // Whether the program is acting on its own now rather than on the user's input.
  bool actingAlone() const;
  // A worker for one kind of slow work (see WorkerFactory).
  std::unique_ptr<Worker> makeWorker(std::string_view kind);
  // One of the program's own texts in the language in force.
  std::string ownMessage(OwnText text, std::initializer_list<std::string_view> args = {});

  // The wait window around long work.
  void showWaitWindow();
  void setWaitText(const std::string& text);
  void hideWaitWindow();

  std::string settingsPath() const;

  // Empty steps for operations that other subsystems own; they plug in here.
  void installationCheck();
  void determineAutostartFolder();
  void collectSystemInformation();
  void measureHeightCorrection();

  Platform platform;
  // The station log; opened in the program folder at start-up.
  Log log;

 private:
  Ui ui_;
  std::unique_ptr<NoSoundSystem> noSound_;

 public:
  // The sound system in use and the command layer the recorder and the player speak.
  SoundSystem& soundSystem;
  Mci mci;

  // Program values.
  std::string programFileName = "Tonvogel.exe";
  std::string versionText = " V:23042015";
  bool clickSoundOn = true;
  std::string programFolder;
  std::string executablePath;
  bool holdsFolderLock = true;
  std::int64_t commandLimitMs;
  std::string languageCode;
  TextTable germanTable;
  TextTable englishTable;
  MessageTexts messageTexts;
  std::array<std::string, 5> menuTexts;
  std::int16_t textIndex = 0;
  std::array<std::string, 6> languageCodes;
  std::int16_t heightCorrection = 0;
  std::string windowsVersion;
  std::string autostartFolder;
  std::string userName;
  std::int32_t installTicks = 0;
  std::int16_t recorderOn = 0;
  std::int32_t elapsedSeconds = 0;
  std::string formattedDuration;
  int collapsedHeight = 2160;
  // The tray menu's view of the windows.
  bool windowsShown = true;
  bool playbackHidden = true;
  bool settingsShown = false;

  // Settings values; only apply settings writes them.
  std::string recordingsFolder;
  std::string networkName;
  double networkNumber = 0;
  std::string sampleRate;
  int languageIndex = 0;
  std::string comPortName;
  double pttPin = 0;
  int sendKeyLine = 0;  // 0: none
  std::string pttInverted = "0";
  double roger2Pin = 0;
  double roger1Pin = 0;
  double autoCqPin = 0;
  double startLevel = 0;
  double minRecordTenths = 0;
  double maxRecordTenths = 0;
  double pauseAfterSilence = 0;
  double pauseAtSignal = 0;
  double deleteAfterDays = 0;
  std::uint32_t playVolume = 0;
  int autoRecordFlag = 0;
  int startMinimizedFlag = 0;
  int logMeterFlag = 0;
  int loggingFlag = 0;
  int txViaComFlag = 0;
  double soundFileCount = 0;
  int settingsVisibleFlag = 0;
  int playAllFlag = 0;
  int parrotFlag = 0;
  int mainWindowHeight = 4005;
  int mainWindowLeft = 15;
  int autostartFlag = 0;
  // Longest continuous keying before the transmitter is released; 0: no limit.
  int txTimeoutSeconds = 300;
  // The input device by its name ("default", "plughw:CARD=Device,DEV=0",
  // "pulse:receiver.monitor"); empty: the first offered.
  std::string inputDeviceName;
  // The output automatic transmissions, and playback while TX is pressed, sound on.
  std::string txOutputDevice = "default";
  KeyingMethod keyingMethod = KeyingMethod::Serial;
  // From keying to the start of the sound.
  int txDelayMs = 0;
  // rigctld's PTT command: 1 (T1) or 3 (T3, the data port's audio).
  int rigPttCommand = 1;
  std::string rigctldAddress = "localhost:4532";
  // The CM108 interface and GPIO as typed (empty: found from the sound cards), and the GPIO.
  std::string cm108Setting;
  int cm108Gpio = 3;
  // Longest wait for a clear channel before transmitting; 0: off.
  int busyWaitSeconds = 10;
  ArchiveFormat archiveFormat = ArchiveFormat::Wav;
  std::string afterRecordingCommand;
  // 0: no cap.
  std::int64_t archiveCapMb = 0;

  // The windows, in the order they are loaded.
  InstallForm frm_inst;
  CqForm frm_CQ;
  WaitForm frm_Info;
  SettingsForm frm_Einstellungen;
  MoreSettingsForm frm_Mehr;
  MainForm frm_DoKu;
  DeleteForm frm_Loe_File;
  PlaybackForm frm_Oszi;
  NoticesForm frm_Meldungen;

  // Behaviour.
  Notices notices;
  SettingsFile settingsFile;
  TextApplication textApplication;
  SettingsWindow settingsWindow;
  MainWindow mainWindow;
  Keying keying;
  // The one sender at a time on the transmitter; every keying goes through it.
  TxArbiter txArbiter;
  RecordingIndex recordingIndex;
  Player player;
  Editing editing;
  AutoTx autoTx;
  CqManager cqManager;
  LevelMeter levelMeter;
  VoiceRecorder recorder;
  SoundList soundList;
  Installation installation;
  TrayMenu trayMenu;

 private:
  void setUpStatusBar();
  void removeTotalsFiles();
  void applyTextEntry(Language language);

  bool ended_ = false;
  bool shuttingDown_ = false;
  bool startedUp_ = false;
  int exitCode_ = 0;
  std::string folderLockProblem_;
  bool headless_ = false;
  std::string showOnlyFile_;
  std::string pendingFile_;
  // A show-only copy's folder for its working files, removed with the program.
  std::string ownFolder_;
};

}  // namespace tv
