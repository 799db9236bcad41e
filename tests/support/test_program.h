#pragma once

#include <memory>
#include <string>

#include "app/program.h"
#include "platform/posix/freed_memory.h"
#include "platform/posix/posix_command_runner.h"
#include "platform/posix/posix_take_file.h"
#include "platform/sndfile/sndfile_archive_writer.h"
#include "tests/support/quiet_receiver.h"
#include "tests/support/recording_file_sync.h"
#include "tests/support/scripted_services.h"
#include "tests/support/serial/fake_serial_port.h"
#include "tests/support/temp_folder.h"
#include "tests/support/virtual_clock.h"
#include "tests/support/virtual_loop.h"

namespace tv::test {

// A whole program on a virtual clock, scripted dialogs and a temporary program folder.
struct TestProgram {
  explicit TestProgram(LocalDateTime start = {2026, 12, 7, 10, 0, 0, 0});
  ~TestProgram();

  std::string folder() const { return temp.path(); }
  std::string file(const std::string& name) const { return temp.path() + "/" + name; }

  TempFolder temp;
  VirtualClock clock;
  VirtualLoop loop{clock};
  ScriptedServices services;
  FakeShell shell{temp.path() + "/home"};
  FakeSerialPort serial{clock};
  // The port the program keys through, when not the stand-in above (a real one on a pty).
  SerialPort* serialPort = nullptr;
  // The ports the settings window offers; none when left empty.
  SerialPortCatalog* serialPorts = nullptr;
  // A sound system for the program; when none is set, a silent receiver with one input.
  SoundSystem* sound = nullptr;
  QuietReceiver quietReceiver{clock};
  RecordingFileSync fileSync;
  // Whether the program is its folder's one running copy (see ProgramOptions).
  bool holdsFolderLock = true;
  // Whether no one sits at a screen (see ProgramOptions).
  bool headless = false;
  // The program's dialogs when not the scripted ones above.
  Services* dialogs = nullptr;
  // A sound file the program is started only to show (see ProgramOptions).
  std::string showOnlyFile;
  // Where takes are written; real files unless the test sets its own.
  TakeFiles* takeFiles = nullptr;
  PosixTakeFiles posixTakeFiles;
  // Each take written by a thread of its own, as in the program (see Platform).
  bool takeWriterThreads = false;
  // Workers for slow work; without one, jobs run on the loop at its next turn.
  WorkerFactory makeWorker;
  // The archive's compressed copies are written as the program writes them.
  SndfileArchiveWriter archiveWriter;
  // Commands after recordings are real processes.
  PosixCommandRunner commands;
  std::int64_t commandLimitMs = 10 * 60 * 1000;
  // The room on the recordings folder's disk; not checked unless a test sets it.
  DiskSpace* diskSpace = nullptr;
  // Keyers of the methods beyond the serial port; none when left empty.
  KeyerFactory makeKeyer;
  // Freed memory goes back to the system as in the program.
  std::function<void()> returnFreedMemory = tv::returnFreedMemory;
  std::unique_ptr<Program> program;
  // While the installation window waits, answer it as a user who accepts would: German
  // unless a language is already set, acceptance, install. No time passes for it, so a
  // first start writes the same file as before the window existed. Tests of the window
  // itself turn this off.
  bool autoInstall = true;

  // Builds the program; call after writing any files the start should find.
  Program& build();
  Program& p() { return *program; }
  // Whether a notice of the station holds `fragment`.
  bool noticed(std::string_view fragment) const;
  // How many notices of the station hold `fragment`.
  int noticeCount(std::string_view fragment) const;

 private:
  void answerInstallation();
};

}  // namespace tv::test
