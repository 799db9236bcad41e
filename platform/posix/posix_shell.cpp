#include "platform/posix/posix_shell.h"

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
  // xdg-open hands the document to the program the desktop associates with it.
  pid_t child = 0;
  const char* argv[] = {"xdg-open", path.c_str(), nullptr};
  const int rc = posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ);
  if (rc != 0) return failure(std::string("xdg-open: ") + std::strerror(rc));
  // xdg-open returns quickly after starting the viewer; reap it so no zombie is left.
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return success();
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
    return failure("xdg-open could not open " + path);
  return success();
}

}  // namespace tv
