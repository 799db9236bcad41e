#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace tv {

// The desktop services of a Linux session, after the XDG conventions.
class PosixShell : public Shell {
 public:
  // `environment` lookups go through getenv; the folders are worked out once.
  PosixShell();

  Result<void> openDocument(const std::string& path) override;
  std::string userName() const override { return userName_; }
  std::string autostartFolder() const override { return autostartFolder_; }
  std::string desktopFolder() const override { return desktopFolder_; }
  std::string stateFolder() const override { return stateFolder_; }
  std::string desktopLanguage() const override;

 private:
  std::string userName_;
  std::string autostartFolder_;
  std::string desktopFolder_;
  std::string stateFolder_;
};

// The language of a locale name ("de_DE.UTF-8" gives "de"); empty for "C", "POSIX" and
// empty names.
std::string localeLanguage(const std::string& locale);

// The full path of an executable `name` in the folders of PATH.
std::optional<std::string> programOnPath(const std::string& name);

// Starts `command` (a full path, then its arguments) in a session of its own and returns
// as soon as it runs, without waiting for it to end. Fails when it could not be started.
Result<void> startDetached(const std::vector<std::string>& command);

// The desktop folder named in an XDG user-dirs file ("XDG_DESKTOP_DIR=\"$HOME/Desktop\""),
// or home + "/Desktop" when the file does not name one.
std::string desktopFolderFrom(const std::string& userDirsText, const std::string& home);

}  // namespace tv
