// Tonvogel: parses the command line, builds the platform and runs the program.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <QCoreApplication>
#include <QGuiApplication>

#include "app/program.h"
#include "platform/alsa/alsa_sound_system.h"
#include "platform/file/file_sound_system.h"
#include "platform/files.h"
#include "platform/posix/freed_memory.h"
#include "platform/posix/posix_command_runner.h"
#include "platform/posix/posix_disk_space.h"
#include "platform/posix/keying/posix_keyers.h"
#include "platform/posix/posix_file_sync.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_take_file.h"
#include "platform/posix/readable_file.h"
#include "platform/posix/release_registry.h"
#include "platform/posix/runtime_folder.h"
#include "platform/posix/serial/serial_catalog.h"
#include "platform/posix/serial/serial_termios.h"
#include "platform/qt/folder_lock.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/termination_signals.h"
#include "platform/sndfile/sndfile_archive_writer.h"

namespace {

constexpr const char* kUsage =
    "Usage: tonvogel [OPTION]... [FILE.wav]\n"
    "A voice-operated recorder and transmitter keyer for radio amateurs.\n"
    "\n"
    "  --program-folder DIR  keep settings, working files and icons in DIR\n"
    "                        (default: the folder of the program file); Tonvogel runs\n"
    "                        once per folder, and a second start in it brings the\n"
    "                        running program's main window to the front\n"
    "  --input-file WAV      use a WAV file as the sound card's input (a demonstration\n"
    "                        without a receiver, or a known recording to test with)\n"
    "  --headless            run without any window system (a station without a screen):\n"
    "                        every question is answered by itself, notices and the log\n"
    "                        go to standard error; without usable settings it ends\n"
    "                        with status 78\n"
    "  FILE.wav              show the sound file in the playback window: in the copy\n"
    "                        running in the program folder, or in a copy started\n"
    "                        only for it, which records nothing, keys nothing and\n"
    "                        ends when its window is closed\n"
    "  --version             print the version and exit\n"
    "  --help                print this help and exit\n";

struct Options {
  std::string programFolder;
  std::string inputFile;
  bool headless = false;
  std::string soundFile;
  bool done = false;
  int exitCode = 0;
};

std::string executableFile() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

// Qt's options whose value follows as an argument of its own: that value is no file.
bool takesValue(const std::string& qtOption) {
  for (const char* option :
       {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-display", "-geometry",
        "-qwindowgeometry", "-title", "-qwindowtitle", "-icon", "-qwindowicon", "-style",
        "-stylesheet", "-session", "-name", "-qmljsdebugger"})
    if (qtOption == option) return true;
  return false;
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      options.done = true;
      return options;
    }
    if (arg == "--version") {
      std::puts("Tonvogel V:23042015");
      options.done = true;
      return options;
    }
    if (arg == "--headless") {
      options.headless = true;
      continue;
    }
    if (arg == "--program-folder" && i + 1 < argc) {
      options.programFolder = argv[++i];
      continue;
    }
    if (arg == "--input-file" && i + 1 < argc) {
      options.inputFile = argv[++i];
      continue;
    }
    if (arg.rfind("--input-file=", 0) == 0) {
      options.inputFile = arg.substr(std::strlen("--input-file="));
      continue;
    }
    if (arg.rfind("--program-folder=", 0) == 0) {
      options.programFolder = arg.substr(std::strlen("--program-folder="));
      continue;
    }
    // Qt's own options (-platform, -display, ...) are left to Qt.
    if (arg.rfind("--", 0) == 0) {
      std::fprintf(stderr, "tonvogel: unknown option %s\n%s", arg.c_str(), kUsage);
      options.done = true;
      options.exitCode = 2;
      return options;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      if (takesValue(arg) && i + 1 < argc) ++i;
      continue;
    }
    if (!options.soundFile.empty()) {
      std::fprintf(stderr, "tonvogel: one sound file at a time: %s\n%s", arg.c_str(), kUsage);
      options.done = true;
      options.exitCode = 2;
      return options;
    }
    options.soundFile = arg;
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  tv::setUpMemoryForALongRun();
  Options options = parse(argc, argv);
  if (options.done) return options.exitCode;

  const std::string executable = executableFile();
  // The input file is named relative to where the user typed the command.
  if (!options.inputFile.empty())
    options.inputFile = std::filesystem::absolute(options.inputFile).string();
  if (!options.soundFile.empty()) {
    const tv::Result<std::string> readable = tv::readableFile(options.soundFile);
    if (!readable) {
      std::fprintf(stderr, "tonvogel: cannot show %s\n", readable.error().message.c_str());
      return 2;
    }
    options.soundFile = *readable;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path folder = options.programFolder.empty() ? fs::path(executable).parent_path()
                                                  : fs::path(options.programFolder);
  folder = fs::absolute(folder, ec).lexically_normal();
  if (!folder.has_filename() && folder != folder.root_path()) folder = folder.parent_path();
  fs::create_directories(folder, ec);
  // Working files, the schedule file and the click sound are found in the program
  // folder, as a desktop shortcut's start folder would make it.
  fs::current_path(folder, ec);
  if (ec) {
    std::fprintf(stderr, "tonvogel: cannot use the program folder %s: %s\n", folder.c_str(),
                 ec.message().c_str());
    return 1;
  }

  // One copy per program folder: a second start shows the running copy's main window and
  // ends. Two copies would record the same net into the same working files and write one
  // settings file through the same temporary name.
  const tv::Result<std::string> runtime = tv::runtimeFolder();
  const fs::path sameFolder = fs::canonical(folder, ec);
  tv::qt::FolderLock lock(runtime ? *runtime : std::string(),
                          tv::folderHash((ec ? folder : sameFolder).string()));
  const bool soundFileOnly = !options.soundFile.empty();
  if (lock.claim() == tv::qt::FolderLock::State::HeldByAnother) {
    QCoreApplication asking(argc, argv);
    if (!soundFileOnly) {
      const bool shown = lock.askHolderToShow(5000);
      std::fprintf(stderr, "tonvogel: Tonvogel already runs in %s%s\n", folder.c_str(),
                   shown ? "; its main window is shown" : "");
      return 0;
    }
    // A copy that does not answer cannot show it; this start shows it itself.
    if (lock.askHolderToOpen(options.soundFile, 5000)) {
      std::fprintf(stderr, "tonvogel: %s is shown by the copy running in %s\n",
                   options.soundFile.c_str(), folder.c_str());
      return 0;
    }
  }
  // A start only to show a file leaves the folder to the station: a normal start while
  // it shows the file must find the lock free.
  if (soundFileOnly) lock.release();
  std::string lockProblem;
  if (lock.state() == tv::qt::FolderLock::State::Unavailable)
    lockProblem = runtime ? lock.problem() : runtime.error().message;

  // A crash must not leave a transmitter keyed.
  (void)tv::release::installFatalSignalRelease();

  tv::qt::QtPlatform qt(argc, argv,
                        options.headless ? tv::qt::QtPlatform::Screen::Headless
                                         : tv::qt::QtPlatform::Screen::Windows);
  tv::PosixShell shell;
  // Declared before the program so that the port outlives it and is released last.
  tv::TermiosSerialPort serialPort;
  tv::PosixSerialPortCatalog serialPorts;
  std::unique_ptr<tv::SoundSystem> sound = std::make_unique<tv::AlsaSoundSystem>(qt.clock());
  if (!options.inputFile.empty())
    sound = std::make_unique<tv::FileSoundSystem>(options.inputFile, qt.clock(), std::move(sound));
  tv::PosixFileSync fileSync;
  tv::Platform platform{qt.clock(), qt.loop(),   qt.services(), shell,
                        &serialPort, &serialPorts, sound.get()};
  platform.makeWorker = [&qt](std::string_view) { return tv::makeThreadWorker(qt.loop()); };
  platform.makeKeyer = tv::makePosixKeyer;
  platform.fileSync = &fileSync;
  const bool holdsLock = lock.state() == tv::qt::FolderLock::State::Held;
  tv::PosixTakeFiles takeFiles;
  platform.takeFiles = &takeFiles;
  platform.takeWriterThreads = true;
  tv::SndfileArchiveWriter archiveWriter;
  platform.archiveWriter = &archiveWriter;
  tv::PosixCommandRunner commands;
  platform.commands = &commands;
  tv::PosixDiskSpace diskSpace;
  platform.diskSpace = &diskSpace;
  platform.returnFreedMemory = tv::returnFreedMemory;
  tv::ProgramOptions programOptions{folder.string(), executable, holdsLock, lockProblem};
  programOptions.headless = options.headless;
  // The end-to-end tests shorten the time a command after a recording may run.
  if (const char* limit = std::getenv("TONVOGEL_COMMAND_LIMIT_MS"); limit && *limit)
    programOptions.commandLimitMs = std::max(1L, std::strtol(limit, nullptr, 10));
  programOptions.showOnlyFile = options.soundFile;
  tv::Program program(platform, std::move(programOptions));
  // Without windows to look at, the log is what the user sees: standard error (the
  // journal of a service, the terminal of a test) gets a copy.
  const QString qpa = QGuiApplication::platformName();
  program.log.setEcho(options.headless || qpa == "offscreen" || qpa == "minimal");
  qt.attach(program.ui());
  qt.logDialogsTo(&program.log);

  // Logging out or a kill from the terminal saves the settings and ends cleanly.
  tv::qt::installTerminationHandler([&program] { program.shutdownRoutine(); });

  if (holdsLock) {
    const tv::Result<void> listening =
        lock.listen([&program] { program.showMainWindow(); },
                    [&program](const std::string& file) { program.showSoundFile(file); });
    if (!listening)
      program.log.warning("program",
                          "a second start cannot reach this one: " + listening.error().message);
  }
  const int code = program.run();
  lock.stopListening();
  return code;
}
