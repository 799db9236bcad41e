#include "platform/posix/posix_shell.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tv {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string homeFolder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string withSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string desktopFolderFrom(const std::string& userDirsText, const std::string& home) {
  std::istringstream in(userDirsText);
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "XDG_DESKTOP_DIR=";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return home + "/Desktop";
}

std::string localeLanguage(const std::string& locale) {
  std::string language;
  for (char c : locale) {
    if (c < 'A' || (c > 'Z' && c < 'a') || c > 'z') break;
    language += static_cast<char>(c | 0x20);
  }
  if (language.size() < 2 || language == "posix") return {};
  return language.substr(0, 2);
}

std::string PosixShell::desktopLanguage() const {
  // The order gettext follows for messages.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = environment(name);
    if (!value.empty()) return localeLanguage(value);
  }
  return {};
}

PosixShell::PosixShell() {
  const std::string home = homeFolder();
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) userName_ = pw->pw_name;
  std::string config = environment("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = home + "/.config";
  autostartFolder_ = withSlash(config + "/autostart");
  std::ifstream dirs(config + "/user-dirs.dirs");
  std::stringstream text;
  text << dirs.rdbuf();
  desktopFolder_ = withSlash(desktopFolderFrom(text.str(), home));
  std::string state = environment("XDG_STATE_HOME");
  if (state.empty() || state.front() != '/') state = home + "/.local/state";
  stateFolder_ = withSlash(state + "/tonvogel");
}

Result<void> PosixShell::openDocument(const std::string& path) {
  // xdg-open hands the document to the program the desktop associates with it. Some
  // desktops run that viewer in the foreground, so xdg-open returns only when the user
  // closes it: it is started and left, never waited for (timers, the TX time-out and
  // the signal handling run on the GUI thread that would wait).
  const std::optional<std::string> opener = programOnPath("xdg-open");
  if (!opener) return failure("xdg-open was not found (it comes with the package xdg-utils)");
  return startDetached({*opener, path});
}

std::optional<std::string> programOnPath(const std::string& name) {
  const std::string path =
      environment("PATH").empty() ? "/usr/local/bin:/usr/bin:/bin" : environment("PATH");
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    const std::string folder = end > start ? path.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    struct stat status {};
    if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

Result<void> startDetached(const std::vector<std::string>& command) {
  if (command.empty()) return failure("Nothing to start.");
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  // A middle process forks the program and ends at once, so the program is nobody's
  // child here: no zombie is left and nothing waits for it. The program's exec closes
  // the pipe; a failed exec writes its errno into it first.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return failure(std::string("pipe: ") + std::strerror(errno));
  const pid_t middle = ::fork();
  if (middle == 0) {
    // Only async-signal-safe calls from here to the exec: the parent has other threads.
    ::close(report[0]);
    const pid_t program = ::fork();
    if (program == 0) {
      ::setsid();
      const int nothing = ::open("/dev/null", O_RDONLY);
      if (nothing > STDIN_FILENO) {
        ::dup2(nothing, STDIN_FILENO);
        ::close(nothing);
      }
      ::execve(argv[0], argv.data(), environ);
      const int error = errno;
      [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
      ::_exit(127);
    }
    if (program < 0) {
      const int error = errno;
      [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
    }
    ::_exit(0);
  }
  const int forkError = errno;
  ::close(report[1]);
  if (middle < 0) {
    ::close(report[0]);
    return failure(std::string("fork: ") + std::strerror(forkError));
  }
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (got == static_cast<ssize_t>(sizeof error))
    return failure(command[0] + ": " + std::strerror(error));
  return success();
}

}  // namespace tv
